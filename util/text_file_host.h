#pragma once
// What the shared text file reader and writer (util/text_file.h,
// util/text_writer.h), the INI files (util/ini_file.h) and the settings file
// (util/settings_file.h) ask of the operating system. util/ owns this
// interface so that it depends on nothing above it; the platform layer
// (platform/platform.h) implements it as part of kova::Platform, and tests
// implement it with files in memory.
//
// Paths are UTF-16 texts in Windows form ("C:\dir\file.ini").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/u16.h"

namespace kova {

class TextFileHost {
 public:
  virtual ~TextFileHost() = default;

  // --- Waiting for a file that is busy -------------------------------------
  // Dispatches every window message pending for the calling thread. Never
  // blocks. The headless implementation has no messages and returns at once.
  virtual void processMessages() = 0;
  // Gives up the rest of the time slice (Sleep(0)).
  virtual void yieldTimeSlice() = 0;
  virtual void sleepMs(uint32_t ms) = 0;
  virtual uint64_t currentThreadId() = 0;

  // --- Reading files and folders ---------------------------------------------
  virtual u16 currentDirectory() = 0;
  virtual bool fileExists(const u16& path) = 0;  // an existing non-folder
  // Reads the whole file. Empty optional when the file cannot be opened for
  // reading (a sharing violation, a folder, no permission).
  virtual std::optional<std::string> readFileBytes(const u16& path) = 0;

  // --- Writing files and folders -------------------------------------------
  // Both real implementations override these; the defaults describe a host
  // without a writable file system (every call fails), which is what a test
  // double that does not care about writing gets.
  //
  // Creates `path` (or truncates an existing file) and writes `bytes` to it,
  // flushed to the disk. False when the file cannot be created or not every
  // byte was written; the file may then hold part of the data, so callers
  // that must not leave a damaged file write to a temporary file and move it
  // into place with replaceFile (util/text_writer.h does both).
  virtual bool writeFileBytes(const u16& path, std::string_view bytes) {
    (void)path, (void)bytes;
    return false;
  }
  // Moves the file `from` onto `to` in one step, replacing an existing file
  // `to`: other readers see the old or the new file, never a mix. Meant for
  // two names in the same folder (a move across volumes is not atomic and is
  // refused natively). The new file does not inherit the old one's
  // attributes, permissions or links. False when it failed (on Windows also
  // while `to` is open without delete sharing, or is read-only); `from` is
  // then left where it was.
  virtual bool replaceFile(const u16& from, const u16& to) {
    (void)from, (void)to;
    return false;
  }
  // Deletes a file, never a folder. True when no file of that name exists
  // afterwards (also when there was none).
  virtual bool deleteFile(const u16& path) {
    (void)path;
    return false;
  }
  // Creates the folder together with any missing parent folders. True when
  // it exists as a folder afterwards (also when it existed before).
  virtual bool createDirectory(const u16& path) {
    (void)path;
    return false;
  }
  // The user's roaming application-data folder, without a trailing
  // separator: the shell's CSIDL_APPDATA folder on Windows; natively
  // $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config (which
  // need not exist yet). Empty when there is none.
  virtual u16 roamingAppDataDirectory() { return {}; }
  // The full path of the running program file. Empty when unknown.
  virtual u16 executablePath() { return {}; }

  // --- Code pages ----------------------------------------------------------
  // The system ANSI code page (GetACP on Windows). Conversions never fail:
  // bytes or characters without a mapping become the code page's default
  // character ('?' towards bytes, U+FFFD or the code page's best fit towards
  // text). `lossless`, when given, reports whether every character mapped.
  virtual unsigned ansiCodePage() = 0;
  virtual u16 codePageToWide(unsigned codePage, std::string_view bytes) = 0;
  virtual std::string wideToCodePage(unsigned codePage, u16v text, bool* lossless = nullptr) = 0;
  u16 ansiToWide(std::string_view bytes) { return codePageToWide(ansiCodePage(), bytes); }
  std::string wideToAnsi(u16v text, bool* lossless = nullptr) {
    return wideToCodePage(ansiCodePage(), text, lossless);
  }
};

}  // namespace kova
