#pragma once
// The operating-system boundary of the portable core. The engine asks its
// host only through this interface; the file services the utilities need
// are the part util/ owns (util/text_file_host.h) and this one extends, so
// platform/ depends on util/ and never the other way round. There is one
// implementation for Windows (platform/win) and one headless implementation
// for the native Linux build (platform/native). Paths are UTF-16 texts in
// Windows form ("C:\dir\file.kov"); the native implementation maps them onto
// the POSIX file system (see native_platform.cpp for the rules).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"
#include "util/text_file_host.h"
#include "util/u16.h"

namespace kova {

inline constexpr unsigned kJapaneseCodePage = 932;

class Platform : public TextFileHost {
 public:
  virtual ~Platform() = default;

  // --- Messages and time -------------------------------------------------
  // processMessages(), yieldTimeSlice(), sleepMs() and currentThreadId():
  // see util/text_file_host.h.
  //
  // Cheap test whether input or messages are waiting for the calling thread.
  // May answer "none" for a message that arrived within the last clock tick
  // (about 16 ms), so that it can be asked before every statement.
  virtual bool messagesPending() = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
  virtual uint32_t tickCount() = 0;
  // The same clock read at the resolution of the system timer tick (a few
  // milliseconds), for bookkeeping read often, such as on every procedure
  // call. GetTickCount has that resolution already.
  virtual uint32_t coarseTickCount() { return tickCount(); }

  // --- Files and folders ---------------------------------------------------
  // currentDirectory(), fileExists() and readFileBytes(): see
  // util/text_file_host.h.
  virtual bool setCurrentDirectory(const u16& path) = 0;
  virtual bool directoryExists(const u16& path) = 0;  // an existing folder
  // DOS date/time (local time) of the last write: date in the high word,
  // time in the low word, two-second resolution. Empty when not available.
  virtual std::optional<uint32_t> fileDosTime(const u16& path) = 0;
  // The size in bytes of an existing non-folder, without reading it. Empty
  // when unknown (then the caller learns the size by reading).
  virtual std::optional<uint64_t> fileSize(const u16& path) {
    (void)path;
    return std::nullopt;
  }

  // --- Writing, listing and locking ------------------------------------------
  // writeFileBytes(), replaceFile(), deleteFile(), createDirectory(),
  // roamingAppDataDirectory() and executablePath(): see
  // util/text_file_host.h.
  //
  // One entry of a folder listing. Times are 100-nanosecond steps since
  // 1601-01-01 UTC (FILETIME); natively the creation time is the status
  // change time, the nearest the POSIX file system keeps.
  struct DirectoryEntry {
    u16 name;
    bool isDirectory = false;
    bool hidden = false;  // the hidden attribute; natively a name starting with '.'
    uint64_t size = 0;
    int64_t writeTime = 0;
    int64_t creationTime = 0;
    int64_t accessTime = 0;
  };
  // Every entry of the folder except "." and "..", in no particular order.
  // Empty optional when the folder cannot be listed.
  virtual std::optional<std::vector<DirectoryEntry>> listDirectory(const u16& folder) {
    (void)folder;
    return std::nullopt;
  }
  // Opens `path` so that no other opener gets it until closeExclusive
  // (Windows: no sharing; natively: an exclusive flock, which every other
  // exclusive opener honours), creating an empty file when it is missing
  // and `create` is set, and reads its whole content into `bytes`. Returns
  // a non-zero handle, or 0 when the file is missing, held elsewhere or
  // unreadable.
  virtual uint64_t openExclusive(const u16& path, bool create, std::string& bytes) {
    (void)path, (void)create, (void)bytes;
    return 0;
  }
  virtual void closeExclusive(uint64_t handle) { (void)handle; }
  // The Windows folder and the Windows system folder (GetWindowsDirectory,
  // GetSystemDirectory), without a trailing separator except at a drive
  // root. Natively "/" and "/usr/bin", the places that play their parts.
  // Empty when unknown.
  virtual u16 windowsDirectory() { return {}; }
  virtual u16 systemDirectory() { return {}; }

  // --- Screen and mouse ------------------------------------------------------
  // The mouse cursor's position in screen coordinates. The headless build
  // has no pointer: (0, 0).
  virtual void cursorPosition(int32_t& x, int32_t& y) {
    x = 0;
    y = 0;
  }
  // The primary screen: size in pixels and colour depth (bits per pixel
  // times colour planes). The headless build has no screen: all 0.
  struct ScreenInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t colourDepth = 0;
  };
  virtual ScreenInfo primaryScreen() { return {}; }
  // The mouse buttons down now, as GetAsyncKeyState sees them (physical
  // buttons, before any swap): bit 1 left, 2 right, 4 middle. The headless
  // build has none.
  virtual uint32_t mouseButtonsDown() { return 0; }

  // --- Code pages ----------------------------------------------------------
  // ansiCodePage(), codePageToWide(), wideToCodePage(), ansiToWide() and
  // wideToAnsi(): see util/text_file_host.h.

  // --- Locale --------------------------------------------------------------
  // True when the primary language of the system's default language is
  // Japanese; selects the message language unless the user overrides it.
  virtual bool systemLanguageIsJapanese() = 0;

  // --- Clock -------------------------------------------------------------
  // The local date and time now, as days since 1899-12-30 00:00 with the
  // time of day as the fraction (millisecond resolution).
  virtual double localDateTimeNow() { return 0; }

  // --- Processes (platform/process.h) ------------------------------------------
  // Starts a program or command; null when it could not be started (no
  // such program or folder, or a host without processes).
  virtual std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start) {
    (void)start;
    return nullptr;
  }
  // Captured console output as text: Windows decodes it from the Japanese
  // code page (as DOSCMD always has); natively commands write UTF-8, which
  // is decoded as such when valid.
  virtual u16 decodeCommandOutput(std::string_view bytes) { return codePageToWide(kJapaneseCodePage, bytes); }

  // --- System facts ------------------------------------------------------------
  struct OsVersion {
    bool windowsNt = false;  // the Windows NT family (every Windows this program runs on)
    bool server = false;     // a server edition
    bool is64Bit = false;    // a 64-bit operating system
    uint32_t major = 0, minor = 0, build = 0;
    uint32_t platformId = 0;  // VER_PLATFORM_WIN32_NT (2) on Windows; 0 natively
  };
  // Windows: the true version (RtlGetVersion, not the manifest-dependent
  // GetVersionEx). Natively: the kernel release's first three numbers.
  virtual OsVersion osVersion() { return {}; }
  // Cumulative processor time of all processors, idle and in total, in
  // equal units of the platform's choosing. Empty when not available.
  struct CpuTimes {
    uint64_t idle = 0;
    uint64_t total = 0;
  };
  virtual std::optional<CpuTimes> cpuTimes() { return std::nullopt; }

  // --- Sound (SOUND, CHKSND) -----------------------------------------------------
  // The system beep (MessageBeep). Natively nothing: the headless build has
  // no speaker.
  virtual void systemBeep() {}
  // The file of a sound event of the current user's sound scheme (registry
  // "AppEvents\Schemes\Apps\<app>\<name>", its ".Current" value, else
  // ".Default"), with environment variables expanded. Empty when none.
  virtual u16 soundEventFile(const u16& name) {
    (void)name;
    return {};
  }
  // Starts playing a sound or media file, ending a sound still playing.
  // False when it cannot be played (no such file, no sound device, an
  // unknown format). `lengthMs` gets the length when the player knows it.
  virtual bool playSoundFile(const u16& path, std::optional<uint32_t>* lengthMs) {
    (void)path, (void)lengthMs;
    return false;
  }
  // True while the sound started by playSoundFile is playing.
  virtual bool soundPlaying() { return false; }
  virtual void stopSound() {}

  // --- Power (POFF) --------------------------------------------------------------
  // The final system calls of POFF. Never called by tests: POFF goes through
  // a replaceable hook (builtins/system_services.h), and the unit tests
  // install a recorder there.
  struct PowerRequest {
    enum class Kind { Hibernate, Standby, MonitorPower, ScreenSaver, ExitSession };
    Kind kind = Kind::ExitSession;
    bool force = false;       // Hibernate/Standby: forced
    int32_t monitorState = 0;  // MonitorPower: 1 low power, 2 off, -1 on
    uint32_t exitFlags = 0;    // ExitSession: EWX_ flags (0 log off, 1 shut down, 2 reboot, 4 force, 8 power off)
  };
  // Windows enables the shutdown privilege first. False when the request
  // failed or the platform has no such thing (natively: always).
  virtual bool requestPower(const PowerRequest& request) {
    (void)request;
    return false;
  }

  // --- Threads -------------------------------------------------------------
  // Size in bytes of the calling thread's stack (its reserve), so that deep
  // script recursion can stop with a script error before the stack runs out.
  virtual size_t currentThreadStackSize() { return size_t{1} << 20; }
};

// The process's platform implementation (the one compiled into this build).
Platform& hostPlatform();

}  // namespace kova
