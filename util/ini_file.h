#pragma once
// INI files, read and changed the way the Windows private-profile functions
// (GetPrivateProfileString, WritePrivateProfileString) do it, but on the
// file's bytes: one implementation for both builds, so a file means the
// same everywhere and files either side writes read back on the other.
//
// Format, as the profile functions see it:
//  - Lines end at CR LF, LF or a lone CR.
//  - A line whose first non-blank byte is '[' is a section header; the name
//    runs to the last ']' of the line. A '[' line without ']' is ignored.
//  - Every other non-blank line of a section is a key line: the key runs to
//    the first '=', the value follows it. A line without '=' names a key
//    without a value (it is found, but reads as missing). Lines before the
//    first header form the section with the empty name. There is no comment
//    syntax: a line ";x=1" is the key ";x", which nobody asks for.
//  - Names and values are trimmed of blanks (space, TAB, VT, FF and the
//    end-of-file mark 0x1A). Section and key names compare without
//    regard to the case of ASCII letters; in a double-byte code page the
//    second byte of a character is never folded. (Windows folds every
//    letter it knows; names outside ASCII must match exactly here.)
//  - The first section of a name counts and within it the first key of a
//    name; later duplicates are never read nor changed.
//  - A value enclosed in a matching pair of '"' or '\'' is read without
//    them (a value written as "x" in quotes reads back as x).
//  - Bytes are not decoded: the caller encodes names and values (UTF-8 or
//    the ANSI code page) and decodes what it reads. A UTF-8 byte-order mark
//    at the start is skipped (and kept); the Windows functions do not skip
//    it, so files meant for them should not carry one.
//  - A file that starts with the UTF-16 little-endian mark FF FE is read as
//    UTF-16, as the Windows functions do: it is worked on as UTF-8 (names
//    and values given and returned in UTF-8) and written back as UTF-16 LE
//    with the mark. Unpaired surrogates in such a file become U+FFFD. A
//    big-endian mark is not recognised.
//
// Changes keep every other byte of the file: a value replaces its key's
// line ("key=value", the key spelled as in the file); a new key goes after
// the last non-blank line of its section; a new section is appended at the
// end. New lines end like the file's first line (CR LF for a file without
// line breaks).
//
// What cannot be written safely is refused instead of corrupting the file:
// a section name containing CR or LF, a key containing CR, LF or '=' or
// starting with '[' (the line would read as a header). A value is written
// up to its first CR or LF: the profile functions would read no further,
// and the rest would become lines of their own that could pose as keys or
// sections.

#include <optional>
#include <string>
#include <string_view>

#include "util/text_file_host.h"
#include "util/u16.h"

namespace kova {

// Names passed with this code page are UTF-8 (no double-byte rule).
inline constexpr unsigned kUtf8CodePage = 65001;

// --- INI text in memory -------------------------------------------------------
// `codePage` is the code page the names are encoded in; it only tells which
// bytes start a double-byte character (932, 936, 949, 950).

// The value of `key` in `section`, as GetPrivateProfileString returns it;
// nullopt when the section or key is missing or the key has no value.
std::optional<std::string> iniFindValue(std::string_view text, std::string_view section, std::string_view key,
                                        unsigned codePage = kUtf8CodePage);

enum class IniEdit { Changed, Unchanged, Refused };

// Sets the value (see above). Unchanged when the key already reads as that
// value; the text is then left exactly as it was.
IniEdit iniSetValue(std::string& text, std::string_view section, std::string_view key, std::string_view value,
                    unsigned codePage = kUtf8CodePage);
// Removes the key's line. False when there was no such key.
bool iniDeleteKey(std::string& text, std::string_view section, std::string_view key,
                  unsigned codePage = kUtf8CodePage);
// Removes the section: its header and every line up to the next header.
// False when there was no such section.
bool iniEraseSection(std::string& text, std::string_view section, unsigned codePage = kUtf8CodePage);

// --- INI files -----------------------------------------------------------------

// A file's content as the functions above work on it.
struct IniText {
  std::string bytes;   // the file's bytes; for a UTF-16 file its text in UTF-8
  bool utf16 = false;  // written back as UTF-16 LE with mark
};

IniText iniTextFromFileBytes(std::string_view fileBytes);
std::string iniTextToFileBytes(const IniText& text);

enum class IniStatus {
  Ok,
  Missing,      // the file does not exist (reads give the default)
  Unreadable,   // it exists but could not be read (after the reader's retries)
  WriteFailed,  // it could not be replaced (after the writer's retries)
  Refused,      // the names cannot be written safely (see above)
};

// Reads the file with the shared reader's retry rule (util/text_file.h).
IniStatus loadIniFile(const u16& path, TextFileHost& host, IniText& out);
// Replaces the file with the shared writer (util/text_writer.h): all or
// nothing, with its retries.
bool saveIniFile(const u16& path, const IniText& text, TextFileHost& host);

// One-call forms, each a load, a change and (when something changed) a
// save. A file that exists but cannot be read is never overwritten. Writing
// creates a missing file; deleting and erasing leave a missing file missing.
std::string readIniValue(const u16& path, std::string_view section, std::string_view key,
                         std::string_view def, TextFileHost& host, unsigned codePage = kUtf8CodePage,
                         IniStatus* status = nullptr);
IniStatus writeIniValue(const u16& path, std::string_view section, std::string_view key,
                        std::string_view value, TextFileHost& host, unsigned codePage = kUtf8CodePage);
IniStatus deleteIniKey(const u16& path, std::string_view section, std::string_view key, TextFileHost& host,
                       unsigned codePage = kUtf8CodePage);
IniStatus eraseIniSection(const u16& path, std::string_view section, TextFileHost& host,
                          unsigned codePage = kUtf8CodePage);

}  // namespace kova
