// The Windows implementation of kova::Platform, on the plain Win32 API.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>: SHGetFolderPathW for the roaming application-data folder.
#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/win/handles.h"
#include "platform/win/win_services.h"

namespace kova {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts are passed to the W functions as they are");

const wchar_t* wide(const u16& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
const wchar_t* wide(u16v text) { return reinterpret_cast<const wchar_t*>(text.data()); }

using win::FileHandle;
using win::FindHandle;

// Paths of MAX_PATH characters or more only work with the "\\?\" prefix,
// which also switches off the normalisation of "." and ".." and of '/', so
// such a path is made absolute by GetFullPathNameW first. Shorter paths go
// to the API unchanged.
u16 longPathForm(const u16& path) {
  if (path.size() < MAX_PATH - 12 || path.starts_with(u"\\\\?\\")) return path;
  u16 full(path.size() + 64, u'\0');
  for (;;) {
    const DWORD n = ::GetFullPathNameW(wide(path), DWORD(full.size()), reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (n == 0) return path;
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);  // n counts the terminator when the buffer was too small
  }
  if (full.starts_with(u"\\\\.\\")) return full;  // device namespace
  if (full.starts_with(u"\\\\")) return u"\\\\?\\UNC\\" + full.substr(2);
  return u"\\\\?\\" + full;
}

DWORD attributes(const u16& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(wide(longPathForm(path)));
}

// readFileBytes refuses larger files: the text layer cannot hold them.
constexpr unsigned long long kMaxFileBytes = 0xFFFFFFFFull;

// MultiByteToWideChar and WideCharToMultiByte take int lengths; longer texts
// are converted in pieces cut at character boundaries. (A stateful code page
// such as 50220 restarts its shift state at a cut; only texts over 1 GiB
// are cut at all.)
constexpr size_t kPiece = size_t(1) << 30;

size_t bytePieceLength(unsigned cp, std::string_view bytes) {
  if (bytes.size() <= kPiece) return bytes.size();
  size_t i = 0;
  while (i < kPiece) i += ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(bytes[i])) ? 2 : 1;
  return std::min(i, bytes.size());
}

size_t widePieceLength(u16v text) {
  if (text.size() <= kPiece) return text.size();
  size_t n = kPiece;
  if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // keep a surrogate pair together
  return n;
}

// GetWindowsDirectoryW / GetSystemDirectoryW into a text; the folders are at
// most 1024 characters long. Drive roots keep their backslash.
u16 systemFolder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t buf[1025] = {};
  const UINT n = get(buf, 1025);
  if (n == 0 || n > 1024) return {};
  return u16(reinterpret_cast<const char16_t*>(buf), n);
}

class WinPlatform final : public Platform {
 public:
  void processMessages() override {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The quit request belongs to the outer message loop: post it again
        // and stop (pumping on would fetch it again at once).
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  // The high word of GetQueueStatus lists the kinds of messages currently in
  // the queue. Asking the window system costs a round trip to the server
  // under Wine, far more than a statement, so a thread asks once per tick of
  // GetTickCount (10-16 ms; reading it is a memory read) and answers "none"
  // in between: a message waits at most one clock tick.
  bool messagesPending() override {
    thread_local DWORD lastCheck = 0;
    const DWORD now = ::GetTickCount();
    if (now == lastCheck) return false;
    lastCheck = now;
    return HIWORD(::GetQueueStatus(QS_ALLINPUT)) != 0;
  }

  void yieldTimeSlice() override { ::Sleep(0); }
  // Sleep(INFINITE) would never return; 0xFFFFFFFF is the largest count instead.
  void sleepMs(uint32_t ms) override { ::Sleep(ms == INFINITE ? INFINITE - 1 : ms); }
  uint32_t tickCount() override { return ::GetTickCount(); }
  uint64_t currentThreadId() override { return ::GetCurrentThreadId(); }

  u16 currentDirectory() override {
    // The first call reports the size including the terminator; the folder
    // can change between the calls, so grow until it fits.
    DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    for (;;) {
      if (size == 0) return {};
      u16 buf(size, u'\0');
      const DWORD n = ::GetCurrentDirectoryW(size, reinterpret_cast<wchar_t*>(buf.data()));
      if (n == 0) return {};
      if (n < size) {
        buf.resize(n);
        return buf;
      }
      size = n;
    }
  }

  // The current directory itself is limited to MAX_PATH - 2 characters
  // unless the process is long-path aware; "\\?\" does not lift that.
  bool setCurrentDirectory(const u16& path) override {
    return !path.empty() && ::SetCurrentDirectoryW(wide(path)) != 0;
  }

  bool fileExists(const u16& path) override {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool directoryExists(const u16& path) override {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }

  // FileTimeToLocalFileTime applies the current bias from UTC, not the one
  // in force at the time of the write: across a daylight-saving change the
  // result is an hour off the time Explorer shows. FileTimeToDosDateTime
  // fails outside 1980..2107.
  std::optional<uint32_t> fileDosTime(const u16& path) override {
    if (path.empty()) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide(longPathForm(path)), GetFileExInfoStandard, &data)) return std::nullopt;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
      return std::nullopt;
    return (uint32_t(date) << 16) | time;
  }

  std::optional<std::string> readFileBytes(const u16& path) override {
    if (path.empty()) return std::nullopt;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open. Other
    // writers may keep the file open; a writer that denies sharing makes the
    // open fail and the caller retry.
    FileHandle file(::CreateFileW(wide(longPathForm(path)), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    if (!file) return std::nullopt;
    // Devices such as CON would block the reader.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > kMaxFileBytes)
      return std::nullopt;
    std::string data;
    data.reserve(static_cast<size_t>(size.QuadPart));
    // Read to the end rather than to the size seen: the file may still grow.
    constexpr DWORD kChunk = 1 << 20;
    for (;;) {
      const size_t have = data.size();
      if (have > kMaxFileBytes) return std::nullopt;
      data.resize(have + kChunk);
      DWORD got = 0;
      if (!::ReadFile(file.get(), data.data() + have, kChunk, &got, nullptr)) return std::nullopt;
      data.resize(have + got);
      if (got == 0) return data;
    }
  }

  std::optional<uint64_t> fileSize(const u16& path) override {
    if (path.empty()) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide(longPathForm(path)), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return std::nullopt;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  bool writeFileBytes(const u16& path, std::string_view bytes) override {
    if (path.empty()) return false;
    // No sharing while the data goes in: a reader never sees a half-written
    // file under this name (it fails to open and retries instead).
    // CREATE_ALWAYS fails on an existing hidden or system file, as it does
    // for a folder.
    FileHandle file(::CreateFileW(wide(longPathForm(path)), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return false;  // CON, NUL, pipes
    while (!bytes.empty()) {
      const DWORD chunk = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
      bytes.remove_prefix(written);
    }
    return ::FlushFileBuffers(file.get()) != 0;
  }

  // MOVEFILE_WRITE_THROUGH returns only when the move is on the disk.
  // Without MOVEFILE_COPY_ALLOWED a move to another volume fails instead of
  // turning into a copy that could be cut off half-way.
  bool replaceFile(const u16& from, const u16& to) override {
    if (from.empty() || to.empty()) return false;
    return ::MoveFileExW(wide(longPathForm(from)), wide(longPathForm(to)),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  bool deleteFile(const u16& path) override {
    if (path.empty()) return false;
    const u16 full = longPathForm(path);
    if (::DeleteFileW(wide(full))) return true;
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND) return true;
    // ERROR_PATH_NOT_FOUND also when a "parent" is a file; a folder of that
    // name is not "no file" (DeleteFileW refuses folders with access denied).
    return err == ERROR_PATH_NOT_FOUND && attributes(path) == INVALID_FILE_ATTRIBUTES;
  }

  bool createDirectory(const u16& path) override {
    if (path.empty()) return false;
    if (directoryExists(path)) return true;
    u16 trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == u'\\' || trimmed.back() == u'/')) trimmed.pop_back();
    const size_t sep = trimmed.find_last_of(u"\\/");
    if (sep != u16::npos && sep > 0) {
      u16 parent = trimmed.substr(0, sep);
      // "C:" alone names the drive's current folder; its root is "C:\".
      if (parent.size() == 2 && parent[1] == u':') parent.push_back(u'\\');
      // The root of a drive or share always "exists" as far as we can help it.
      if (!directoryExists(parent) && !(parent.size() == 3 && parent[1] == u':') && !createDirectory(parent))
        return false;
    }
    if (!::CreateDirectoryW(wide(longPathForm(trimmed)), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    return directoryExists(trimmed);
  }

  std::optional<std::vector<DirectoryEntry>> listDirectory(const u16& folder) override {
    if (folder.empty()) return std::nullopt;
    u16 dir = folder;
    while (!dir.empty() && (dir.back() == u'\\' || dir.back() == u'/')) dir.pop_back();
    WIN32_FIND_DATAW fd;
    FindHandle find(::FindFirstFileExW(wide(longPathForm(dir + u"\\*")), FindExInfoBasic, &fd,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) return std::nullopt;
    auto fileTime = [](const FILETIME& t) {
      return static_cast<int64_t>((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    std::vector<DirectoryEntry> out;
    do {
      const u16 name(reinterpret_cast<const char16_t*>(fd.cFileName));
      if (name == u"." || name == u"..") continue;
      DirectoryEntry e;
      e.name = name;
      e.isDirectory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      e.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
      e.size = e.isDirectory ? 0 : (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      e.writeTime = fileTime(fd.ftLastWriteTime);
      e.creationTime = fileTime(fd.ftCreationTime);
      e.accessTime = fileTime(fd.ftLastAccessTime);
      out.push_back(std::move(e));
    } while (::FindNextFileW(find.get(), &fd));
    return out;
  }

  uint64_t openExclusive(const u16& path, bool create, std::string& bytes) override {
    bytes.clear();
    if (path.empty()) return 0;
    const u16 full = longPathForm(path);
    FileHandle file(::CreateFileW(wide(full), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && ::GetLastError() == ERROR_ACCESS_DENIED)  // a read-only file
      file.reset(
          ::CreateFileW(wide(full), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return 0;
    char buf[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file.get(), buf, sizeof buf, &got, nullptr) || bytes.size() > kMaxFileBytes) {
        bytes.clear();
        return 0;
      }
      if (got == 0) break;
      bytes.append(buf, got);
    }
    // The caller holds the handle as a number until closeExclusive; a valid
    // file handle is neither 0 nor INVALID_HANDLE_VALUE.
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(file.release()));
  }

  void closeExclusive(uint64_t handle) override {
    FileHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle))).reset();
  }

  u16 roamingAppDataDirectory() override {
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    u16 dir(reinterpret_cast<const char16_t*>(buf));
    while (dir.size() > 3 && dir.back() == u'\\') dir.pop_back();
    return dir;
  }

  u16 executablePath() override {
    // GetModuleFileNameW truncates silently and returns the buffer size when
    // the path does not fit, so grow until it returns less.
    u16 buf(MAX_PATH, u'\0');
    for (;;) {
      const DWORD n =
          ::GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buf.data()), DWORD(buf.size()));
      if (n == 0) return {};
      if (n < buf.size()) {
        buf.resize(n);
        return buf;
      }
      if (buf.size() >= 32768) return {};
      buf.resize(buf.size() * 2);
    }
  }

  u16 windowsDirectory() override { return systemFolder(&::GetWindowsDirectoryW); }
  u16 systemDirectory() override { return systemFolder(&::GetSystemDirectoryW); }

  void cursorPosition(int32_t& x, int32_t& y) override {
    POINT p{};
    if (!::GetCursorPos(&p)) p = POINT{};
    x = p.x;
    y = p.y;
  }

  uint32_t mouseButtonsDown() override {
    uint32_t bits = 0;
    if (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) bits |= 1;
    if (::GetAsyncKeyState(VK_RBUTTON) & 0x8000) bits |= 2;
    if (::GetAsyncKeyState(VK_MBUTTON) & 0x8000) bits |= 4;
    return bits;
  }

  ScreenInfo primaryScreen() override {
    ScreenInfo s;
    s.width = ::GetSystemMetrics(SM_CXSCREEN);
    s.height = ::GetSystemMetrics(SM_CYSCREEN);
    // The display mode's bits per pixel; modes have one colour plane.
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) s.colourDepth = int32_t(mode.dmBitsPerPel);
    return s;
  }

  unsigned ansiCodePage() override { return ::GetACP(); }

  u16 codePageToWide(unsigned codePage, std::string_view bytes) override {
    const unsigned cp = resolve(codePage);
    if (cp == CP_UTF8) return fromUtf8(bytes);
    u16 out;
    while (!bytes.empty()) {
      const size_t len = bytePieceLength(cp, bytes);
      const char* src = bytes.data();
      // Flags must be 0 for some code pages (50220, 65000, ...); 0 also means
      // undecodable bytes become the code page's default character.
      const int n = ::MultiByteToWideChar(cp, 0, src, int(len), nullptr, 0);
      const size_t at = out.size();
      if (n > 0) {
        out.resize(at + size_t(n));
        const int written =
            ::MultiByteToWideChar(cp, 0, src, int(len), reinterpret_cast<wchar_t*>(out.data() + at), n);
        out.resize(at + size_t(std::max(written, 0)));
      } else {
        out.append(len, u'\uFFFD');
      }
      bytes.remove_prefix(len);
    }
    return out;
  }

  std::string wideToCodePage(unsigned codePage, u16v text, bool* lossless) override {
    bool ok = true;
    std::string out;
    const unsigned cp = resolve(codePage);
    if (cp == CP_UTF8) {
      out = toUtf8(text);
      ok = fromUtf8(out) == text;  // unpaired surrogates became U+FFFD
    } else {
      while (!text.empty()) {
        const size_t len = widePieceLength(text);
        out += encodePiece(cp, text.substr(0, len), ok);
        text.remove_prefix(len);
      }
    }
    if (lossless) *lossless = ok;
    return out;
  }

  std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) override { return win::startProcess(start); }
  OsVersion osVersion() override { return win::osVersion(); }
  std::optional<CpuTimes> cpuTimes() override { return win::cpuTimes(); }
  void systemBeep() override { win::systemBeep(); }
  u16 soundEventFile(const u16& name) override { return win::soundEventFile(name); }
  bool playSoundFile(const u16& path, std::optional<uint32_t>* lengthMs) override {
    return win::playSoundFile(path, lengthMs);
  }
  bool soundPlaying() override { return win::soundPlaying(); }
  void stopSound() override { win::stopSound(); }
  bool requestPower(const PowerRequest& request) override { return win::requestPower(request); }

  bool systemLanguageIsJapanese() override { return PRIMARYLANGID(::GetSystemDefaultLangID()) == LANG_JAPANESE; }

  double localDateTimeNow() override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    // FILETIME counts 100 ns units from 1601-01-01; 1899-12-30 is 109205 days later.
    const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(ticks / 10000) / 86400000.0 - 109205.0;
  }

  size_t currentThreadStackSize() override {
    // GetCurrentThreadStackLimits exists from Windows 8 on; it reports the
    // whole reserved range, not only the part committed so far.
    using Fn = void(WINAPI*)(PULONG_PTR, PULONG_PTR);
    static const Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetCurrentThreadStackLimits")));
    if (fn) {
      ULONG_PTR low = 0, high = 0;
      fn(&low, &high);
      if (high > low) return static_cast<size_t>(high - low);
    }
    return Platform::currentThreadStackSize();
  }

 private:
  // The code page to convert with: the ANSI/OEM aliases resolved (the ANSI
  // code page itself can be 65001), and a code page Windows does not know
  // replaced by the ANSI code page, as the interface promises a conversion.
  static unsigned resolve(unsigned cp) {
    if (cp == CP_ACP || cp == CP_THREAD_ACP) return ::GetACP();
    if (cp == CP_OEMCP) return ::GetOEMCP();
    if (cp == CP_MACCP || cp == CP_UTF8) return cp;
    return ::IsValidCodePage(cp) ? cp : ::GetACP();
  }

  // WC_NO_BEST_FIT_CHARS: a character without its own code becomes '?'
  // instead of a look-alike (U+00A5 is not turned into a backslash in 932),
  // and lpUsedDefaultChar reports it. Some code pages refuse both the flag
  // and lpUsedDefaultChar (50220..50229, 65000, 42, 57002..57011, and
  // GB18030 on some systems); for those the conversion runs with neither
  // and a round trip tells whether it was lossless.
  std::string encodePiece(unsigned cp, u16v piece, bool& ok) {
    const wchar_t* src = wide(piece);
    const int len = int(piece.size());
    BOOL usedDefault = FALSE;
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL* usedDefaultOut = &usedDefault;
    int n = ::WideCharToMultiByte(cp, flags, src, len, nullptr, 0, nullptr, usedDefaultOut);
    if (n == 0) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_INVALID_FLAGS || err == ERROR_INVALID_PARAMETER) {
        flags = 0;
        usedDefaultOut = nullptr;
        n = ::WideCharToMultiByte(cp, flags, src, len, nullptr, 0, nullptr, nullptr);
      }
    }
    if (n <= 0) {
      ok = false;
      return std::string(piece.size(), '?');
    }
    std::string out(size_t(n), '\0');
    usedDefault = FALSE;
    n = ::WideCharToMultiByte(cp, flags, src, len, out.data(), n, nullptr, usedDefaultOut);
    out.resize(size_t(std::max(n, 0)));
    if (usedDefaultOut) {
      if (usedDefault) ok = false;
    } else if (codePageToWide(cp, out) != piece) {
      ok = false;
    }
    return out;
  }
};

}  // namespace

Platform& hostPlatform() {
  static WinPlatform platform;
  return platform;
}

}  // namespace kova
