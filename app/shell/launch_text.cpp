#include "app/shell/launch_text.h"

namespace kova::shell {

namespace {

bool startsDot(u16v s) { return startsWith(s, u".\\") || startsWith(s, u"./"); }
bool startsDotDot(u16v s) { return startsWith(s, u"..\\") || startsWith(s, u"../"); }

// The folder above `folder`: up to and including its last backslash, the
// final one aside ("C:\a\b\" -> "C:\a\").
u16 parentOf(u16v folder) {
  u16 f = replaceAll(u16(folder), u"/", u"\\");
  if (!f.empty() && f.back() == u'\\') f.pop_back();
  const size_t sep = f.rfind(u'\\');
  return sep == u16::npos ? u16() : f.substr(0, sep + 1);
}

u16 resolve(u16v part, PathMode mode, u16v exeFolder, u16v cur) {
  if (mode == PathMode::kExeFolder) {
    if (startsDot(part)) return u16(exeFolder) + u16(part.substr(2));
    if (startsDotDot(part)) return parentOf(exeFolder) + u16(part.substr(3));
    return u16(part);
  }
  if (part.find_first_of(u"\\/") == u16v::npos) return u16(cur) + u"\\" + u16(part);
  if (startsDot(part)) return u16(cur) + u16(part.substr(1));
  if (startsDotDot(part)) return parentOf(u16(cur) + u"\\") + u16(part.substr(3));
  return u16(part);
}

}  // namespace

ScriptLaunch parseLaunchText(u16v text, PathMode mode, char16_t separator, u16v exeFolder, u16v currentDirectory) {
  u16 line(text);
  if (findNoCase(line, u".KOV") == u16::npos) {
    // The extension goes on the file part, before the first argument (not
    // after the last one).
    const size_t args = line.find(separator);
    u16 file = line.substr(0, args);
    const u16 rest = args == u16::npos ? u16() : line.substr(args);
    const size_t sep = file.find_last_of(u"\\/");
    const size_t dot = file.rfind(u'.');
    if (dot != u16::npos && (sep == u16::npos || dot > sep)) file.resize(dot);
    line = trimCtl(file) + u".KOV" + rest;
  }
  const size_t end = findNoCase(line, u".KOV") + 4;
  ScriptLaunch launch;
  Player::splitArguments(trimCtl(u16v(line).substr(end)), separator, launch);
  launch.path = resolve(trimCtl(u16v(line).substr(0, end)), mode, exeFolder, currentDirectory);
  return launch;
}

}  // namespace kova::shell
