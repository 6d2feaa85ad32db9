// The error reporter: every run-time error of every stage passes through
// `report`, which records it in the scope (TRY_ERRMSG, TRY_ERRLINE), and
// otherwise shows it and stops the run.

#include "engine/messages.h"
#include "engine/uxscr.h"

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

}  // namespace

void TUScript::report(const u16& message, THensuFmt* scope, bool force, bool catchable) {
  (void)catchable;
  if (capturedError) {
    if (capturedError->empty()) *capturedError = trimCtl(message);
    return;
  }
  if (stopFlag && !force) return;
  if (suppressErrors > 0) return;
  const u16 trimmed = trimCtl(message);
  const u16 location = lineLocation(scope);
  if (scope) {
    scope->tryErrMsg = trimmed;
    scope->tryErrLine = location;
  }
  // TRY blocks take catchable errors once control flow exists; the log line
  // and the error sound come with the logging stage.
  u16 display = trimmed + u"\r" + location;
  host_.showError(hideSyntaxErrorNumber(display));
  stopFlag = true;
  errorOccurred = true;
}

u16 TUScript::expandEscapes(u16v in) const {
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
      file = o.substr(sp + 1, paren == u16::npos ? u16::npos : paren - sp - 1) + u": ";
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
