#include "app/shell/script_spec.h"

#include "app/play.h"

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

ScriptSpec parseScriptSpec(u16v specText, PathMode mode, char16_t separator, u16v exeFolder,
                           u16v currentDirectory) {
  u16 spec(specText);
  if (findNoCase(spec, u".KOV") == u16::npos) {
    // The extension goes on the file part, before the first argument (not
    // after the last one).
    const size_t args = spec.find(separator);
    u16 file = spec.substr(0, args);
    const u16 rest = args == u16::npos ? u16() : spec.substr(args);
    const size_t sep = file.find_last_of(u"\\/");
    const size_t dot = file.rfind(u'.');
    if (dot != u16::npos && (sep == u16::npos || dot > sep)) file.resize(dot);
    spec = trimCtl(file) + u".KOV" + rest;
  }
  const size_t end = findNoCase(spec, u".KOV") + 4;
  ScriptSpec out;
  out.file = resolve(trimCtl(u16v(spec).substr(0, end)), mode, exeFolder, currentDirectory);
  ScriptLaunch launch;
  Player::splitArguments(trimCtl(u16v(spec).substr(end)), separator, launch);
  out.params = std::move(launch.params);
  out.repeat = launch.repeat > 1 ? launch.repeat : 0;
  return out;
}

}  // namespace kova::shell
