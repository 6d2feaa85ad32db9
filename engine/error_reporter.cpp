// The error reporter: every run-time error of every stage passes through
// `report`. It records the error in the scope (TRY_ERRMSG, TRY_ERRLINE),
// hands a catchable error to an open TRY, and otherwise logs it, plays the
// error sound, shows it and stops the run. This file also holds the script
// log's file handling and the location texts of errors.

#include <algorithm>

#include "engine/messages.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"
#include "util/text_file.h"
#include "util/text_writer.h"

namespace kova {

namespace {

// The number of a syntax error stays in the log but is not shown:
// "SyntaxError-20" is shown as "SyntaxError". The "-" and up to three digits
// are removed (a dialog would show blanks there; removing them keeps the
// console text free of trailing blanks).
u16 hideSyntaxErrorNumber(u16 shown) {
  const size_t at = upperAscii(shown).find(u"SYNTAXERROR-");
  if (at == u16::npos) return shown;
  size_t end = at + 12;
  for (int k = 0; k < 3 && end < shown.size() && shown[end] >= u'0' && shown[end] <= u'9'; ++k) ++end;
  shown.erase(at + 11, end - (at + 11));
  return trimCtl(shown);
}

size_t lastSeparator(u16v s) { return s.find_last_of(u"\\/"); }

}  // namespace

u16 internalFailure(const char16_t* place, const std::exception& ex) {
  if (dynamic_cast<const TextTooLong*>(&ex)) return fromUtf8(ex.what());
  return place + fromUtf8(ex.what());
}

void TUScript::report(const u16& message, THensuFmt* scope, bool force, bool catchable) {
  if (capturedError) {
    if (capturedError->empty()) *capturedError = trimCtl(message);
    return;
  }
  if (stopFlag && !force) return;
  if (suppressErrors > 0) return;
  const u16 trimmed = trimCtl(message);
  const u16 location = reportLocation.empty() ? lineLocation(scope) : reportLocation;
  if (scope) {
    scope->tryErrMsg = trimmed;
    scope->tryErrLine = location;
    if (handOverToTry(*scope, catchable)) return;
  }
  const u16 display = trimmed + u"\r" + location;
  logLine(display);
  const u16 sound = host_.readSetting(u"SET", u"ERRORSOUND");
  if (!trimCtl(sound).empty()) host_.playSound(sound);
  host_.liftInputLock();
  host_.showError(hideSyntaxErrorNumber(display));
  stopFlag = true;
  errorOccurred = true;
}

void TUScript::warn(const u16& message, THensuFmt* scope) {
  if (stopFlag || suppressErrors > 0) return;
  const u16 trimmed = trimCtl(message);
  bool hadTries = false;
  if (scope) {
    scope->tryErrMsg = trimmed;
    scope->tryErrLine = lineLocation(scope);
    hadTries = !scope->openTries.empty();
    if (handOverToTry(*scope, true)) return;
  }
  host_.showMessage(trimmed);
  if (hadTries) stopFlag = true;
}

// --- Script log --------------------------------------------------------------

void TUScript::logLine(const u16& text) {
  std::vector<u16> existing;
  const std::vector<u16>* load = nullptr;
  if (log.wantsExistingFile()) {
    const u16 path = logPath();
    if (!path.empty()) {
      TextFileLines read = readTextFileLines(path, platform_);
      if (read.failure == ReadFailure::None) existing = std::move(read.lines);
    }
    load = &existing;
  }
  log.logLine(text, platform_.localDateTimeNow(), load);
}

u16 TUScript::logPath() {
  if (program.options.logPathSet) return program.options.logPath;
  const u16 program = host_.programFilePath();
  if (program.empty()) return {};
  const size_t sep = lastSeparator(program);
  const u16 folder = sep == u16::npos ? u16() : program.substr(0, sep + 1);
  u16 name = sep == u16::npos ? program : program.substr(sep + 1);
  const size_t dot = name.rfind(u'.');
  if (dot != u16::npos) name.resize(dot);
  const u16 fileName = upperFull(name + u".Log");

  u16 setting = trimCtl(host_.readSetting(u"SET", u"LogPath"));
  if (!setting.empty()) {
    if (setting.find(u"GET_") != u16::npos) {
      // A folder constant, or with several "+" an expression built from one.
      const size_t plusCount = std::count(setting.begin(), setting.end(), u'+');
      if (plusCount > 1) {
        u16 error;
        std::optional<Value> v = evaluateCapturingErrors(setting, error);
        if (v) setting = v->toText();
      } else {
        const size_t at = setting.find(u"GET_");
        size_t end = at;
        while (end < setting.size() && (setting[end] == u'_' || (setting[end] >= u'A' && setting[end] <= u'Z')))
          ++end;
        const u16 constant = setting.substr(at, end - at);
        setting = setting.substr(0, at) + textConstant(*this, constant) + setting.substr(end);
        setting = replaceAll(setting, u"+", u"");
        setting = replaceAll(setting, u"\"", u"");
        setting = trimCtl(setting);
      }
    }
    if (!setting.empty() && (setting.back() == u'\\' || setting.back() == u'/')) return setting + fileName;
    if (platform_.directoryExists(setting)) return setting + u"\\" + fileName;
    return setting;
  }
  if (host_.logInAppDataFolder()) {
    const u16 appData = host_.appDataFolder();
    if (!appData.empty()) return appData + u"\\" + fileName;
  }
  return folder + fileName;
}

void TUScript::flushLog() {
  if (!log.dirty()) return;
  log.markWritten();
  if (host_.logWritingDisabled()) return;
  const u16 path = logPath();
  if (path.empty()) return;
  // A failure to write the log is ignored: the log must never stop a run.
  writeTextFile(path, encodeLines(log.lines(), WriteEncoding::AnsiOrUtf8, platform_), platform_);
}

// --- Locations and escapes ---------------------------------------------------

u16 TUScript::expandEscapes(u16v in) const {
  // Every placeholder starts with "<#".
  if (in.find(u"<#") == u16v::npos) return u16(in);
  u16 t(in);
  if (t.find(u"<#_") != u16::npos) {
    t = replaceAll(t, u"<#_DBL>", u"\"");
    t = replaceAll(t, u"<#_CR>", u"\r\n");
    t = replaceAll(t, u"<#_TAB>", u"\t");
  }
  if (!program.options.specialChar && t.find(u"<#") != u16::npos) {
    t = replaceAll(t, u"<#DBL>", u"\"");
    t = replaceAll(t, u"<#CR>", u"\r\n");
    t = replaceAll(t, u"<#TAB>", u"\t");
  }
  return t;
}

u16 TUScript::lineLocation(const THensuFmt* scope) const {
  if (!scope || scope->startLine < 0) return locationOfLine(fixedLocationLine);
  return locationOfLine(scope->startLine + scope->offset);
}

u16 TUScript::locationOfLine(int index) const {
  if (index < 0 || index >= static_cast<int>(program.statementText.size())) return {};
  u16 file;
  for (int i = index; i >= 0; --i) {
    const u16 o = program.origin(i);
    if (o.find(u",PROCEDURE ") != u16::npos && findNoCase(o, u".KOV") != u16::npos) {
      const size_t sp = o.find(u' ');
      const size_t paren = o.find(u'(', sp);
      file = o.substr(sp + 1, paren == u16::npos ? u16::npos : paren - sp - 1);
      if (host_.bareFileNamesInLocations()) {
        const size_t sep = lastSeparator(file);
        if (sep != u16::npos) file = file.substr(sep + 1);
      }
      file += u": ";
      break;
    }
  }
  u16 o = program.origin(index);
  o = replaceAll(o, u"<#_DBL>", u"<#DBL>");
  o = replaceAll(o, u"<#_CR>", u"<#CR>");
  o = replaceAll(o, u"<#_TAB>", u"<#TAB>");
  const size_t comma = o.find(u',');
  const u16 line = o.substr(0, comma);
  const u16 source = comma == u16::npos ? u16() : o.substr(comma + 1);
  if (japanese()) return file + line + u"行目: " + source;
  return file + u"at line " + line + u": " + source;
}

}  // namespace kova
