#pragma once
// The operating-system boundary of the portable core. The engine and the
// utilities ask their host only through this interface; there is one
// implementation for Windows (platform/win) and one headless implementation
// for the native Linux build (platform/native). Paths are UTF-16 texts in
// Windows form ("C:\dir\file.kov"); the native implementation maps them onto
// the POSIX file system (see native_platform.cpp for the rules).

#include <cstdint>
#include <optional>
#include <string>

#include "util/u16.h"

namespace kova {

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Messages and time -------------------------------------------------
  // Dispatches every window message pending for the calling thread. Never
  // blocks. The headless implementation has no messages and returns at once.
  virtual void processMessages() = 0;
  // Cheap test whether input or messages are waiting for the calling thread.
  virtual bool messagesPending() = 0;
  // Gives up the rest of the time slice (Sleep(0)).
  virtual void yieldTimeSlice() = 0;
  virtual void sleepMs(uint32_t ms) = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
  virtual uint32_t tickCount() = 0;
  virtual uint64_t currentThreadId() = 0;

  // --- Files and folders ---------------------------------------------------
  virtual u16 currentDirectory() = 0;
  virtual bool setCurrentDirectory(const u16& path) = 0;
  virtual bool fileExists(const u16& path) = 0;       // an existing non-folder
  virtual bool directoryExists(const u16& path) = 0;  // an existing folder
  // DOS date/time (local time) of the last write: date in the high word,
  // time in the low word, two-second resolution. Empty when not available.
  virtual std::optional<uint32_t> fileDosTime(const u16& path) = 0;
  // Reads the whole file. Empty optional when the file cannot be opened for
  // reading (a sharing violation, a folder, no permission).
  virtual std::optional<std::string> readFileBytes(const u16& path) = 0;

  // --- Code pages ----------------------------------------------------------
  // The system ANSI code page (GetACP on Windows). Conversions never fail:
  // bytes or characters without a mapping become the code page's default
  // character ('?' towards bytes, U+FFFD or the code page's best fit towards
  // text). `lossless`, when given, reports whether every character mapped.
  virtual unsigned ansiCodePage() = 0;
  virtual u16 codePageToWide(unsigned codePage, std::string_view bytes) = 0;
  virtual std::string wideToCodePage(unsigned codePage, u16v text, bool* lossless = nullptr) = 0;
  u16 ansiToWide(std::string_view bytes) { return codePageToWide(ansiCodePage(), bytes); }
  std::string wideToAnsi(u16v text, bool* lossless = nullptr) { return wideToCodePage(ansiCodePage(), text, lossless); }

  // --- Locale --------------------------------------------------------------
  // True when the primary language of the system's default language is
  // Japanese; selects the message language unless the user overrides it.
  virtual bool systemLanguageIsJapanese() = 0;

  // --- Threads -------------------------------------------------------------
  // Size in bytes of the calling thread's stack (its reserve), so that deep
  // script recursion can stop with a script error before the stack runs out.
  virtual size_t currentThreadStackSize() { return size_t{1} << 20; }
};

inline constexpr unsigned kJapaneseCodePage = 932;

// The process's platform implementation (the one compiled into this build).
Platform& hostPlatform();

}  // namespace kova
