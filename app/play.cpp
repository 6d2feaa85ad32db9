#include "app/play.h"

#include <exception>

#include "builtins/dispatcher.h"
#include "engine/front_end_messages.h"

namespace kova {

Player::Player(Platform& platform, EngineHost& host)
    : platform_(platform), host_(host), assembler_(platform, host), engine_(platform, host) {
  engine_.builtins = &builtinLibrary();
}

u16 Player::folderOf(const u16& path) {
  const size_t sep = path.find_last_of(u"\\/");
  if (sep == u16::npos) return {};
  if (sep == 0) return path.substr(0, 1);
  return path.substr(0, sep);
}

bool Player::load(const u16& pathText, ScriptLaunch& launch) {
  u16 path = trimCtl(pathText);
  const u16 given = path;
  const bool extensionAdded = findNoCase(path, u".KOV") == u16::npos;
  if (extensionAdded) {
    const size_t sep = path.find_last_of(u"\\/");
    const size_t dot = path.rfind(u'.');
    if (dot != u16::npos && (sep == u16::npos || dot > sep)) path.resize(dot);
    path += u".KOV";
  }
  const u16 cur = platform_.currentDirectory();
  const bool absolute = startsWith(path, u"\\") || startsWith(path, u"/") || (path.size() >= 2 && path[1] == u':');
  if (startsWith(path, u".\\") || startsWith(path, u"./")) {
    path = cur + path.substr(1);
  } else if (startsWith(path, u"..\\") || startsWith(path, u"../")) {
    u16 parent = cur;
    const size_t sep = parent.find_last_of(u"\\/");
    parent = sep == u16::npos ? u16() : parent.substr(0, sep + 1);
    path = parent + path.substr(3);
  } else if (!absolute) {
    path = cur + (cur.empty() || cur.back() == u'/' || cur.back() == u'\\' ? u"" : u"/") + path;
  }
  if (extensionAdded && !platform_.fileExists(path)) {
    // On a file system that tells case apart, "script" finds script.kov.
    const u16 lower = path.substr(0, path.size() - 4) + u".kov";
    if (platform_.fileExists(lower)) path = lower;
  }
  if (!platform_.fileExists(path)) {
    u16 message = text(fe::kFileNotFound, path);
    if (extensionAdded) message += u"\r" + text(fe::kExtensionAdded, given);
    host_.showMessage(message);
    return false;
  }
  launch.path = path;
  host_.scriptLoaded(path);
  const u16 folder = folderOf(path);
  if (!folder.empty()) platform_.setCurrentDirectory(folder);
  return true;
}

void Player::splitArguments(u16v argText, char16_t separator, ScriptLaunch& launch) {
  launch.repeat = 1;
  launch.params.clear();
  u16 token;
  bool quote = false;
  auto flush = [&] {
    if (token.empty()) return;
    long long n = 0;
    if ((startsWith(token, u"-r") || startsWith(token, u"-R")) && token.size() <= 101 &&
        parseInt(u16v(token).substr(2), n)) {
      launch.repeat = static_cast<int>(n);
    } else {
      if (separator == u' ') token = replaceAll(token, u"\"", u"");
      launch.params.push_back(token);
    }
    token.clear();
  };
  for (char16_t c : argText) {
    if (c == u'"') quote = !quote;
    if (c == separator && !quote) flush();
    else token.push_back(c);
  }
  flush();
}

int Player::play(const ScriptLaunch& launch) {
  host_.runStarting();
  bool startFailed = false;
  try {
    const u16 folder = folderOf(launch.path);
    const auto evaluateString = [this](u16v expression) -> std::optional<u16> {
      std::optional<Value> v = engine_.evaluate(expression, engine_.globalScope());
      if (!v) return std::nullopt;
      return v->toText();
    };
    AssemblyResult assembled = assembler_.assemble(launch.path, evaluateString);
    if (assembled.failed) return 1;
    engine_.prepare(assembled.lines);
    if (!engine_.stopFlag && assembled.changed) engine_.checkProgram();
    if (engine_.stopFlag) {
      assembler_.clearFileTimes();
      startFailed = true;
    } else {
      const int passes = launch.repeat > 1 ? launch.repeat : 1;
      for (int pass = 0; pass < passes; ++pass) {
        if (!folder.empty()) platform_.setCurrentDirectory(folder);
        engine_.run(kMainProcedure, launch.params);
        if (engine_.stopFlag) break;
        if (engine_.endedByScript) {
          // EXITEXIT ends only the current repetition.
          engine_.endedByScript = false;
          engine_.stopRequest = 0;
        }
      }
    }
  } catch (const std::exception& ex) {
    host_.showMessage(u"pplay:" + fromUtf8(ex.what()));
    startFailed = true;
  }
  const bool failed = startFailed || engine_.errorOccurred;
  const std::optional<int32_t> code = engine_.exitCode;
  engine_.endRun();
  if (code) return *code;
  return failed ? 1 : 0;
}

}  // namespace kova
