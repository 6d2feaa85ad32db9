// EXEC: finding the window of the program it started (the start itself and
// the waiting form are the process layer's, builtins/windows.cpp).

#include <windows.h>

#include "automation/window_system.h"
#include "engine/run_context.h"

namespace kova::automation {

namespace {

void pause(RunContext& run, DWORD ms, int rounds) {
  Sleep(ms);
  run.pumpMessages(rounds);
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

WindowHandle startedProgramWindow(WindowSystem& ws, RunContext& run, ChildProcess& child,
                                  const ExecRequest& r) {
  WindowHandle window = 0;
  u16 name, extension;
  programKind(r.commandLine, name, extension);
  const bool helpOrPanel = extension == u".CPL" || extension == u".HLP";
  child.waitForInputIdle(helpOrPanel ? 500 : 20000);
  if (name == u"EXPLORER" || helpOrPanel) {
    // These hand the window to another process: accept the foreground
    // window once it has the expected class.
    for (int i = 0; i < 11 && window == 0 && !run.stopping(); ++i) {
      Sleep(500);
      const WindowHandle fg = ws.foreground();
      const u16 cls = upperFull(ws.className(fg));
      const bool fits = name == u"EXPLORER" ? (cls == u"EXPLOREWCLASS" || cls == u"CABINETWCLASS" || cls == u"IEFRAME")
                        : extension == u".CPL" ? (cls == u"RUNDLL" || cls == u"#32770")
                                                : cls == u"MS_WINDOC";
      if (fg != 0 && fits) window = fg;
    }
    if (extension == u".CPL") pause(run, 20, 20);
  } else {
    for (int i = 0; i < 51 && !run.stopping(); ++i) {
      window = findProcessWindow(ws.listWindows(0), child.processId());
      if (window != 0 && ws.isVisible(window)) break;
      pause(run, 20, 10);
    }
  }
  const bool move = !(r.x == -1 && r.y == -1);
  const bool size = r.width > 0 && r.height > 0;
  if (window != 0 && (move || size)) {
    SetWindowPos(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), nullptr, r.x, r.y, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (move ? 0 : SWP_NOMOVE) | (size ? 0 : SWP_NOSIZE));
  }
  Sleep(400);
  return window;
}

}  // namespace kova::automation
