// EXEC: starting a program and finding the window it opens.

#include <windows.h>

#include "automation/window_system.h"
#include "engine/uxscr.h"

namespace kova::automation {

namespace {

bool stopping(TUScript& engine) { return engine.stopFlag || engine.stopRequest.load() > 0; }

void pause(TUScript& engine, DWORD ms, int rounds) {
  Sleep(ms);
  engine.pumpMessages(rounds);
}

// The folder of the program: the command without quotes, cut at its last
// "." and then at the last "\" before it. Empty when that is no folder.
std::wstring workingFolder(const u16& command) {
  std::wstring s;
  for (char16_t c : command) {
    if (c != u'"') s += static_cast<wchar_t>(c);
  }
  const size_t dot = s.rfind(L'.');
  if (dot == std::wstring::npos) return {};
  const size_t slash = s.rfind(L'\\', dot);
  if (slash == std::wstring::npos) return {};
  std::wstring folder = s.substr(0, slash == 2 && s[1] == L':' ? 3 : slash);
  const DWORD attrs = GetFileAttributesW(folder.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) ? folder : std::wstring();
}

// The program's upper-cased file name without extension (cut at its first
// space) and the first four characters of the upper-cased extension.
void programKind(const u16& command, u16& name, u16& extension) {
  u16 s;
  for (char16_t c : command) {
    if (c != u'"') s += c;
  }
  s = upperFull(trimCtl(s));
  const size_t dot = s.rfind(u'.');
  const size_t slash = s.rfind(u'\\');
  const size_t nameStart = slash == u16::npos ? 0 : slash + 1;
  if (dot != u16::npos && (slash == u16::npos || dot > slash)) {
    extension = s.substr(dot, 4);
    name = s.substr(nameStart, dot - nameStart);
  } else {
    name = s.substr(nameStart);
  }
  const size_t space = name.find(u' ');
  if (space != u16::npos) name.resize(space);
}

}  // namespace

ExecResult execProgram(WindowSystem& ws, TUScript& engine, const ExecRequest& r) {
  ExecResult result;
  if (r.commandLine.empty()) return result;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (r.x != -1 || r.y != -1) {
    si.dwFlags |= STARTF_USEPOSITION;
    si.dwX = static_cast<DWORD>(r.x);
    si.dwY = static_cast<DWORD>(r.y);
  }
  if (r.width > 0 && r.height > 0) {
    si.dwFlags |= STARTF_USESIZE;
    si.dwXSize = static_cast<DWORD>(r.width);
    si.dwYSize = static_cast<DWORD>(r.height);
  }
  // CreateProcessW may write into the command line: give it a copy.
  std::wstring commandLine(r.commandLine.begin(), r.commandLine.end());
  const std::wstring folder = workingFolder(r.commandLine);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    return result;
  result.started = true;

  if (r.wait) {
    WaitForInputIdle(pi.hProcess, INFINITE);
    while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && !stopping(engine)) pause(engine, 20, 10);
    DWORD code = 0;
    if (GetExitCodeProcess(pi.hProcess, &code) && code != STILL_ACTIVE) result.exitCode = static_cast<int32_t>(code);
  } else {
    u16 name, extension;
    programKind(r.commandLine, name, extension);
    const bool helpOrPanel = extension == u".CPL" || extension == u".HLP";
    WaitForInputIdle(pi.hProcess, helpOrPanel ? 500 : 20000);
    if (name == u"EXPLORER" || helpOrPanel) {
      // These hand the window to another process: accept the foreground
      // window once it has the expected class.
      for (int i = 0; i < 11 && result.window == 0 && !stopping(engine); ++i) {
        Sleep(500);
        const WindowHandle fg = ws.foreground();
        const u16 cls = upperFull(ws.className(fg));
        const bool fits = name == u"EXPLORER" ? (cls == u"EXPLOREWCLASS" || cls == u"CABINETWCLASS" || cls == u"IEFRAME")
                          : extension == u".CPL" ? (cls == u"RUNDLL" || cls == u"#32770")
                                                  : cls == u"MS_WINDOC";
        if (fg != 0 && fits) result.window = fg;
      }
      if (extension == u".CPL") pause(engine, 20, 20);
    } else {
      for (int i = 0; i < 51 && !stopping(engine); ++i) {
        result.window = findProcessWindow(ws.listWindows(0), pi.dwProcessId);
        if (result.window != 0 && ws.isVisible(result.window)) break;
        pause(engine, 20, 10);
      }
    }
    const bool move = !(r.x == -1 && r.y == -1);
    const bool size = r.width > 0 && r.height > 0;
    if (result.window != 0 && (move || size)) {
      SetWindowPos(reinterpret_cast<HWND>(static_cast<uintptr_t>(result.window)), nullptr, r.x, r.y, r.width, r.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | (move ? 0 : SWP_NOMOVE) | (size ? 0 : SWP_NOSIZE));
    }
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!r.wait) Sleep(400);
  return result;
}

}  // namespace kova::automation
