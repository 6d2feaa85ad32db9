#pragma once
// Helpers of the headless Linux platform, exposed for the unit tests. The
// engine itself only sees kova::Platform through kova::hostPlatform().

#include <memory>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "util/u16.h"

namespace kova::native {

// Windows-form path to POSIX form: every '\' becomes '/', the text is
// encoded as UTF-8. Nothing is stripped: a drive prefix such as "C:" stays a
// plain (relative) first component, because the native build has no drives.
std::string toPosixPath(u16v windowsPath);

// Finds the file a Windows file system would open for `posixPath`. The exact
// path wins when it exists; otherwise the path is walked one component at a
// time from "/" (absolute paths) or the current directory (relative paths),
// each component matched against the directory's entries without regard to
// case (kova::upperFull on the UTF-16 names, so full-width Latin, Greek and
// Cyrillic letters fold too, while 'ß' only matches itself). An exact entry
// beats a case-insensitive one; among several case-insensitive candidates
// the byte-wise smallest name is taken, so the result is deterministic.
// When a component matches nothing the rest of the path is kept as given,
// so the result names the path that does not exist.
std::string resolvePathNoCase(const std::string& posixPath);

// toPosixPath followed by resolvePathNoCase. A path Windows would refuse for
// its characters (controls below U+0020 or any of < > " | ? *) maps to the
// empty path, which no file operation accepts: both builds then fail alike
// instead of the native one creating a file Windows cannot have.
std::string mapPath(u16v windowsPath);
// True when the path holds a character Windows refuses in paths (see mapPath).
bool hasInvalidPathCharacters(u16v windowsPath);

// Platform::startProcess of the native build (native_process.cpp).
std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start);

// The locale name that decides the code page and message language: the
// first non-empty of LC_ALL, LC_CTYPE and LANG (empty when none is set).
std::string localeName();
// True when localeName() starts with "ja".
bool localeIsJapanese();

}  // namespace kova::native
