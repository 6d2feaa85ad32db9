#pragma once
// The programs the tool menu starts from the program's folder, and the
// command line each gets.

#include "util/u16.h"

namespace kova::shell {

enum class ToolProgram { kWebRec, kKov2Exe, kDebugger };

struct ToolLaunch {
  u16 program;      // full path: the program's folder + the file name
  u16 commandLine;  // the program in double quotes, then its arguments
};

// `exeFolder` ends with a separator. The converter gets " /O" and the
// current script in double quotes, the debugger the current script in
// double quotes, each only when `currentFileExists`.
ToolLaunch toolLaunch(ToolProgram tool, u16v exeFolder, u16v currentFile, bool currentFileExists);

// Where the launch menu pops up from its stored "x,y": both negative at
// the mouse cursor, both 0 in the middle of the screen, else at the point.
struct Point {
  int32_t x = 0, y = 0;
};
Point launchMenuPoint(u16v stored, Point cursor, Point screenCentre);

}  // namespace kova::shell
