#pragma once
// The program's settings file and the INI files scripts name, behind the
// main window's four settings routines: read a value, write a value, delete
// a key, erase a section.
//
// Where the program's own file lives. It is the program file's name with
// the extension ".INI", upper-cased ("kova.exe" -> "KOVA.INI"), next to the
// program or in the per-user folder (the roaming application-data folder +
// "\KOVA"). The per-user flag says which; it starts on when the per-user
// file exists. Each routine picks the file the flag names, unless that one
// is missing and the other exists: then the other is used and the flag
// flips. When a write into the program's folder fails (a read-only install
// folder), the per-user folder is created, the flag set, the existing file
// copied there byte for byte, and the write repeated there.
//
// Files named by scripts are taken relative to the current folder (the
// script's folder during a run): a name without '\' or '/' is placed in it,
// a leading ".\" or "./" stands for it and a leading "..\" or "../" for its
// parent; other names are used as given.
//
// Encodings. Values in the program's own file are written UTF-8 (no mark).
// A script's file stays in the ANSI code page while it is ANSI (or pure
// ASCII, or missing) and every section, key and value written has a code
// there; the first text that has none turns the file into UTF-8 first. A
// file found with a UTF-8 byte-order mark is rewritten without it before a
// change (the Windows profile functions cannot see past the mark). A read
// looks the key up by its UTF-8 name, then by its ANSI name, and decodes the
// value as UTF-8 when that round-trips to the same bytes, else as ANSI, so
// files holding both encodings read right.
//
// Failures are never reported: a read that keeps failing gives "", a
// failed write to a script's file, a delete or an erase is dropped. Reading
// and writing retry like the shared text reader and writer (10 tries, 80 ms
// apart, pumping messages); a change replaces the whole file in one step.
// There is no lock between instances sharing the file.
//
// Not thread-safe: the routines run on the main thread (script workers hand
// their settings calls over to it).

#include <string>

#include "util/text_file_host.h"
#include "util/u16.h"

namespace kova {

// The default of the first (UTF-8) lookup of a read: when it comes back the
// key is looked up again by its ANSI name.
inline constexpr char kSettingsMissingValue[] = "__KOVA__NONVALUE__";

class SettingsFile {
 public:
  // `exeFolder` is the program's folder (with or without the final
  // separator), `exeFileName` its file name ("kova.exe"). The per-user folder
  // comes from host.roamingAppDataDirectory().
  SettingsFile(TextFileHost& host, u16v exeFolder, u16v exeFileName);

  // The object for the running program (host.executablePath()).
  static SettingsFile forRunningProgram(TextFileHost& host);

  // The value, or "" when the file, the section or the key is missing or the
  // file cannot be read. An empty `file` means the program's own file.
  u16 read(u16v section, u16v key, u16v file = {});
  // Writes a value. With dropOwnWrites() set, writes to the program's own
  // file are dropped unless `force` is given.
  void write(u16v section, u16v key, u16v value, u16v file = {}, bool force = false);
  // Both act only on an existing file. They remove the key (section) in
  // either encoding, so that no later read finds it.
  void deleteKey(u16v section, u16v key, u16v file = {});
  void eraseSection(u16v section, u16v file = {});

  // The path a routine uses for `file` (for the own file this applies the
  // flip rule above, and may flip the flag).
  u16 resolve(u16v file);

  const u16& settingsFileName() const { return fileName_; }
  u16 exeFolderFile() const;
  const u16& perUserFolder() const { return perUserFolder_; }
  u16 perUserFile() const;

  bool perUser() const { return perUser_; }
  void setPerUser(bool on) { perUser_ = on; }
  // Packaged mode with option I: the program must not change its own file.
  bool dropOwnWrites() const { return dropOwnWrites_; }
  void setDropOwnWrites(bool on) { dropOwnWrites_ = on; }

 private:
  enum class Names { Ansi, Utf8 };

  Names prepareForChange(const u16& path, bool ownFile, bool textsAreAnsi);
  bool writeTo(const u16& path, Names names, u16v section, u16v key, u16v value);
  void moveToPerUser();
  void removeInBothEncodings(const u16& path, u16v section, const u16* key);

  TextFileHost& host_;
  u16 exeFolder_;
  u16 fileName_;
  u16 perUserFolder_;
  bool perUser_ = false;
  bool dropOwnWrites_ = false;
};

}  // namespace kova
