#include "app/shell/tool_programs.h"

#include <vector>

namespace kova::shell {

ToolLaunch toolLaunch(ToolProgram tool, u16v exeFolder, u16v currentFile, bool currentFileExists) {
  const char16_t* name = tool == ToolProgram::kWebRec    ? u"WebRec.exe"
                         : tool == ToolProgram::kKov2Exe ? u"Kov2Exe.exe"
                                                         : u"kovdbg.exe";
  ToolLaunch launch;
  launch.program = u16(exeFolder) + name;
  launch.commandLine = u"\"" + launch.program + u"\"";
  if (currentFileExists && !currentFile.empty()) {
    if (tool == ToolProgram::kKov2Exe) launch.commandLine += u" /O \"" + u16(currentFile) + u"\"";
    if (tool == ToolProgram::kDebugger) launch.commandLine += u" \"" + u16(currentFile) + u"\"";
  }
  return launch;
}

Point launchMenuPoint(u16v stored, Point cursor, Point screenCentre) {
  std::vector<long long> numbers;
  u16 field;
  auto flush = [&] {
    long long n = 0;
    if (!field.empty() && parseInt(trimBlank(field), n)) numbers.push_back(n);
    else if (!field.empty()) numbers.push_back(0);
    field.clear();
  };
  for (char16_t c : stored) {
    if (c == u',' || c == u' ') flush();
    else field.push_back(c);
  }
  flush();
  if (numbers.size() < 2) return screenCentre;
  const long long x = numbers[0], y = numbers[1];
  if (x < 0 && y < 0) return cursor;
  if (x == 0 && y == 0) return screenCentre;
  return Point{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

}  // namespace kova::shell
