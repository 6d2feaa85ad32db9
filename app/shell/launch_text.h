#pragma once
// A launch text: a script file followed by its arguments, as the command
// line, the Load dialog, dropped files, the launch menu and other
// instances hand it over. Splitting it and resolving its file are pure
// rules; whether the file exists is asked by the caller.

#include "app/play.h"

namespace kova::shell {

// How a relative file part is resolved. kExeFolder (hand-overs, Load, drop,
// launch menu): ".\" and "..\" start at the program's folder, any other
// path is used as it is. kCurrentDirectory (the command line): a bare file
// name, ".\" and "..\" start at the current directory.
enum class PathMode { kExeFolder = 0, kCurrentDirectory = 1 };

// `separator` is a carriage return (command line, 0x8002) or a blank (Load,
// drop, 0x800A); with a blank, double quotes are removed from arguments.
// A text without ".KOV" gets the extension on its file part, up to the
// first separator (in place of another extension). The file part runs to
// the first ".KOV". `exeFolder` ends with a separator.
ScriptLaunch parseLaunchText(u16v text, PathMode mode, char16_t separator, u16v exeFolder, u16v currentDirectory);

}  // namespace kova::shell
