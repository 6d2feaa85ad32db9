// Handlers of statements whose full behaviour belongs to later stages of
// the engine. Each reports a clear, catchable error naming the statement
// instead of silently doing nothing, so a script never runs on as if the
// statement had worked.

#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

const char16_t* keywordOf(int32_t kind) {
  switch (kind) {
    case kComPropertyAssignment:
    case kComMethodCall: return u"COM";
    case kIfb: return u"IFB";
    case kFor: return u"FOR";
    case kWhile: return u"WHILE";
    case kRepeat: return u"REPEAT";
    case kSelect: return u"SELECT";
    case kTry: return u"TRY";
    case kFinally: return u"FINALLY";
    case kExcept: return u"EXCEPT";
    case kThread: return u"THREAD";
    case kHashtbl: return u"HASHTBL";
    case kWith: return u"WITH";
    case kEndwith: return u"ENDWITH";
    default: return u"?";
  }
}

}  // namespace

void TUScript::runControl(int32_t kind, const u16& statement, THensuFmt& scope) {
  if (kind == kDefDll) {
    // The declaration is stored again when the statement runs, so a
    // DEF_DLL inside a function takes effect when that function runs.
    u16 decl = statement;
    if (!scope.moduleName.empty()) decl = scope.moduleName + u"." + decl;
    const size_t cut = decl.find_first_of(u"( :;");
    const u16 name = trimCtl(u16v(decl).substr(0, cut));
    const u16 rest = cut == u16::npos ? u16() : trimCtl(replaceAll(u16v(decl).substr(cut), u"[ ]", u"[]"));
    const int i = program.dllDeclTable.find(name);
    if (i >= 0) program.dllDeclTable.value(i) = rest;
    else program.dllDeclTable.add(name, rest);
    return;
  }
  report(text(rm::kNotAvailableYet, keywordOf(kind)), &scope);
}

bool TUScript::handOverToTry(THensuFmt& scope, bool catchable) {
  (void)scope;
  (void)catchable;
  return false;
}

bool TUScript::memberAccess(u16v text, THensuFmt& scope, Value& out) {
  (void)text;
  out = Value::integer(-999999);
  comErrorOccurred = true;
  if (!comErrorIgnore) report(kova::text(rm::kNotAvailableYet, u"COM"), &scope);
  return comErrorIgnore;
}

}  // namespace kova
