// The pre-run check: before a changed script runs, every function of the
// prepared program is walked once, in the order of the function index. In
// each, the first error left by preparation is reported; then the header's
// parameters and every statement are checked statically in a check scope
// of the function's own (prerun_check_names.cpp checks names and calls).
// Expressions are evaluated in checking mode: names are resolved, calls
// are checked, nothing runs. The first fault is reported through the error
// reporter, which sets the stop flag, and the run does not start.
//
// The walk is linear: a loop's depth, the WITH stack and the declared
// names follow the statement order, which the block check has made sure
// nests properly. Failed evaluations inside a TRY part are left to the TRY,
// which catches them at run time.

#include "engine/prerun_check.h"

#include <algorithm>
#include <exception>

#include "engine/expression_tree.h"
#include "engine/run_messages.h"

namespace kova {

using namespace pc;

namespace {

bool isHeader(const u16& s) { return startsWith(s, u"FUNCTION ") || startsWith(s, u"PROCEDURE "); }

// The module of a function index name "MODULE.NAME"; empty outside modules.
u16 moduleOf(const PreparedProgram& p, const u16& functionName) {
  const size_t dot = functionName.find(u'.');
  if (dot == u16::npos) return {};
  const u16 head = functionName.substr(0, dot);
  return p.moduleIndex.contains(head) ? head : u16();
}

// Declares `name` in the check scope; only the number of dimensions matters.
void declare(THensuFmt& scope, const u16& name, size_t dimensions) {
  Variable v;
  v.bounds.assign(dimensions, 0);
  v.slots.resize(1);
  const int existing = scope.variables.find(name);
  if (existing >= 0)
    scope.variables.value(existing) = std::move(v);
  else
    scope.variables.add(name, std::move(v));
}

bool fault(TUScript& e, const u16& message, THensuFmt& scope) {
  e.report(message, &scope);
  return false;
}

// A fault the run would raise as a catchable error: inside a TRY part it is
// left to the TRY (true: go on), elsewhere reported.
bool catchable(TUScript& e, const u16& message, THensuFmt& scope) {
  return e.checkLeavesFailuresToTry || fault(e, message, scope);
}

// The header's parameter list: "(...)" closed, no empty parameter. Each
// parameter is declared in the check scope, an array parameter with one
// dimension.
bool checkHeader(TUScript& e, THensuFmt& scope) {
  const u16& header = e.program.statementText[scope.startLine];
  const size_t space = header.find(u' ');
  const u16 rest = trimCtl(u16v(header).substr(space + 1));
  const size_t open = rest.find(u'(');
  if (open == u16::npos) return true;
  if (rest.back() != u')') return fault(e, u"SyntaxError-125", scope);
  const u16v list = u16v(rest).substr(open + 1, rest.size() - open - 2);
  if (trimCtl(list).empty()) return true;
  for (const u16& piece : splitTopLevel(list, u',')) {
    u16 p = trimCtl(piece);
    if (p.empty()) return fault(e, u"SyntaxError-126", scope);
    if (startsWith(p, u"VAR ")) p = trimCtl(u16v(p).substr(4));
    p = trimCtl(u16v(p).substr(0, p.find(u'=', 1)));
    const size_t bracket = p.find(u'[');
    declare(scope, upperFull(trimCtl(u16v(p).substr(0, bracket))), bracket == u16::npos ? 0 : 1);
  }
  return true;
}

// DIM a, b = 1, c[3][n], d[] = 1, 2, 3
void checkDim(TUScript& e, const u16& list, THensuFmt& scope) {
  // A list with both "=" and "[" (after the first character) is one item
  // with a value list, as the declaration reads it.
  const size_t eqAt = list.find(u'=');
  const size_t brAt = list.find(u'[');
  std::vector<u16> items;
  if (eqAt != u16::npos && eqAt > 0 && brAt != u16::npos && brAt > 0)
    items.push_back(list);
  else
    items = splitTopLevel(list, u',');
  for (const u16& raw : items) {
    const u16 item = trimCtl(raw);
    if (item.empty()) return (void)fault(e, u"SyntaxError-70", scope);
    const size_t eq = findTopLevel(item, u"=");
    const u16 left = replaceAll(trimCtl(u16v(item).substr(0, eq)), u"[ ", u"[");
    const u16 value = eq == u16::npos ? u16() : trimCtl(u16v(item).substr(eq + 1));
    if (eq != u16::npos && value.empty()) return (void)fault(e, u"SyntaxError-71", scope);
    const IndexedName d = splitIndexedName(left);
    if (!d.ok || d.trailing) return (void)fault(e, u"SyntaxError-70", scope);
    if (!isVariableName(d.name)) {
      if (!catchable(e, text(kBadVariableName, d.name.empty() ? left : d.name), scope)) return;
      continue;
    }
    const u16 reserved = e.checkReserved(d.name);
    if (!reserved.empty()) {
      if (!catchable(e, reserved, scope)) return;
      continue;
    }
    for (size_t k = 0; k < d.indexes.size(); ++k) {
      const u16& bound = d.indexes[k];
      if (bound.empty()) {
        // Only the first bound may follow from the value list.
        if (k != 0) return (void)fault(e, u"SyntaxError-70", scope);
        continue;
      }
      if (parseExpression(bound)->syntaxError) return (void)fault(e, u"SyntaxError-70", scope);
      e.checkExpression(bound, scope);
      if (e.stopFlag) return;
    }
    declare(scope, d.name, d.hasIndexes ? d.indexes.size() : 0);
    if (eq == u16::npos) continue;
    // Initial values are evaluated after the declaration, as at run time.
    const std::vector<u16> values = d.hasIndexes ? splitTopLevel(value, u',') : std::vector<u16>{value};
    for (const u16& v : values) {
      if (trimCtl(v).empty()) continue;
      e.checkExpression(v, scope);
      if (e.stopFlag) return;
    }
  }
}

// HASHTBL h [= flags], ... inside a function.
void checkHashtbl(TUScript& e, const u16& list, THensuFmt& scope) {
  if (list.find_first_of(u"[]") != u16::npos) return (void)fault(e, u"SyntaxError-73", scope);
  for (const u16& item : splitTopLevel(list, u',')) {
    const size_t eq = item.find(u'=');
    const u16 name = upperFull(trimCtl(u16v(item).substr(0, eq)));
    if (!name.empty() && !scope.hashTables.contains(name)) scope.hashTables.add(name, nullptr);
    if (eq != u16::npos) e.checkExpression(u16v(item).substr(eq + 1), scope);
    if (e.stopFlag) return;
  }
}

// BREAK n / CONTINUE n: inside a loop, n one of 1 ... loop depth.
void checkLoopJump(TUScript& e, const u16& count, int loopDepth, const Msg& outside, const Msg& wrongCount,
                   THensuFmt& scope) {
  if (loopDepth <= 0) return (void)fault(e, text(outside), scope);
  const u16 t = trimCtl(count);
  long long n = 0;
  if (!t.empty() && (!parseInt(t, n) || n < 1 || n > loopDepth)) fault(e, text(wrongCount), scope);
}

// The WITH value is what member names that begin with "." refer to: a
// module name, or the value of the expression (a COM object as a rule).
void checkWith(TUScript& e, const u16& expression, THensuFmt& scope) {
  const u16 t = upperFull(trimCtl(expression));
  Value v;
  if (t == u"GLOBAL") return (void)fault(e, u"SyntaxError-101", scope);
  if (t == u"THIS") {
    if (scope.moduleName.empty()) return (void)fault(e, u"SyntaxError-102", scope);
    v = Value::string(scope.moduleName);
  } else if (e.program.moduleIndex.contains(t)) {
    v = Value::string(t);
  } else {
    std::optional<Value> value = e.checkExpression(expression, scope);
    if (e.stopFlag) return;
    if (value) v = std::move(*value);
  }
  scope.withValue = v;
  scope.withStack.push_back(std::move(v));
  scope.instanceText = scope.withValue.kind() == ValueKind::WideString ? scope.withValue.wide() : u16();
}

void checkEndwith(TUScript& e, THensuFmt& scope) {
  if (scope.withStack.empty()) return (void)fault(e, text(kEndwithUnpaired), scope);
  scope.withStack.pop_back();
  scope.withValue = scope.withStack.empty() ? Value() : scope.withStack.back();
  scope.instanceText = scope.withValue.kind() == ValueKind::WideString ? scope.withValue.wide() : u16();
}

// FOR: the bounds must be numbers; the variable is assigned.
void checkFor(TUScript& e, const u16& statement, THensuFmt& scope) {
  std::vector<u16> f = fields(statement);
  f.resize(std::max<size_t>(f.size(), 4));
  static const char16_t* const kNotNumeric[] = {u"SyntaxError-95", u"SyntaxError-96", u"SyntaxError-97"};
  for (size_t k = 1; k <= 3; ++k) {
    std::optional<Value> v = e.checkExpression(f[k], scope);
    if (e.stopFlag) return;
    double d = 0;
    if (v && !v->toNumber(d) && !catchable(e, kNotNumeric[k - 1], scope)) return;
  }
  checkTarget(e, trimCtl(f[0]), scope);
}

// Assignments, call statements, COM calls and COM property assignments.
void checkOther(TUScript& e, const u16& statement, THensuFmt& scope, const u16& functionName) {
  const u16 t = trimCtl(statement);
  if (t.empty()) return;  // a declaration consumed while preparing
  const size_t eq = findOutsideParens(t, u"=");
  if (eq == u16::npos) {
    if (findTopLevel(t, u".") != u16::npos && !e.isModuleQualified(t, scope)) {
      checkComStatement(e, t, scope, functionName);
      return;
    }
    e.checkCall(t, scope, false, false);
    return;
  }
  if (eq == 0 || t[eq - 1] == u':') return (void)fault(e, u"SyntaxError-103", scope);
  const u16 right = trimCtl(u16v(t).substr(eq + 1));
  if (right.empty()) return (void)fault(e, u"SyntaxError-104", scope);
  e.checkExpression(right, scope);
  if (e.stopFlag) return;
  const u16 left = trimCtl(u16v(t).substr(0, eq));
  if (findTopLevel(left, u".") != u16::npos && !e.isModuleQualified(left, scope)) {
    checkComProperty(e, left, scope);
    return;
  }
  checkTarget(e, left, scope);
}

void checkStatement(TUScript& e, int32_t kind, const u16& statement, THensuFmt& scope,
                    PrerunCheckState& state) {
  switch (kind) {
    case kFor:
      return checkFor(e, statement, scope);
    case kIfb:
    case kWhile:
    case kSelect:
      e.checkExpression(fields(statement)[0], scope);
      return;
    case kCase:
      for (const u16& item : splitTopLevel(statement, u',')) {
        if (trimCtl(item).empty()) continue;
        e.checkExpression(item, scope);
        if (e.stopFlag) return;
      }
      return;
    case kUntil:
    case kPrint:
    case kExitExit:
      e.checkExpression(statement, scope);
      return;
    case kElse:
    case kEndif:
    case kNext:
    case kSelend:
    case kDefault:
    case kWend:
    case kRepeat:
    case kTry:
    case kFinally:
    case kExcept:
    case kEndtry:
    case kNop:
    case kDefDll:
    case kComErrIgn:
    case kComErrRet:
      return;
    case kThread:
      e.checkCall(statement, scope, true, false);
      return;
    case kCall:
      e.checkCall(statement, scope, false, true);
      return;
    case kDim:
      return checkDim(e, statement, scope);
    case kHashtbl:
      return checkHashtbl(e, statement, scope);
    case kBreak:
      return checkLoopJump(e, statement, state.loopDepth, kBreakOutside, kBreakCount, scope);
    case kContinue:
      return checkLoopJump(e, statement, state.loopDepth, kContinueOutside, kContinueCount, scope);
    case kExit:
      if (!trimCtl(statement).empty()) fault(e, u"SyntaxError-100", scope);
      return;
    case kWith:
      return checkWith(e, statement, scope);
    case kEndwith:
      return checkEndwith(e, scope);
    default:
      return checkOther(e, statement, scope, state.functionName);
  }
}

}  // namespace

void TUScript::checkFunction(THensuFmt& scope) {
  PrerunCheckState own;
  PrerunCheckState& state = checkState_ ? *checkState_ : own;
  for (int32_t offset = 1; offset < scope.count && !stopFlag; ++offset) {
    scope.offset = offset;
    const int line = scope.startLine + offset;
    const int32_t kind = program.statementKind[line];
    if (kind == kFor || kind == kWhile || kind == kRepeat)
      ++state.loopDepth;
    else if (kind == kNext || kind == kWend || kind == kUntil)
      --state.loopDepth;
    // A TRY protects its own part, not its FINALLY or EXCEPT part.
    if ((kind == kFinally || kind == kExcept) && state.tryDepth > 0) --state.tryDepth;
    checkLeavesFailuresToTry = state.tryDepth > 0;
    try {
      checkStatement(*this, kind, program.statementText[line], scope, state);
    } catch (const std::exception& ex) {
      report(internalFailure(u"ChkKB_Koubun:", ex), &scope);
    }
    if (kind == kTry) ++state.tryDepth;
  }
  checkLeavesFailuresToTry = false;
}

bool TUScript::checkProgram() {
  PrerunCheckState state;
  checkState_ = &state;
  checkingMode = true;
  checkLeavesFailuresToTry = false;
  reportLocation.clear();
  markStackBase();
  try {
    for (int f = 0; f < program.functionIndex.size() && !stopFlag; ++f) {
      const u16 name = program.functionIndex.name(f);
      const int header = program.functionIndex.value(f).headerLine;
      state = PrerunCheckState{};
      state.functionName = name;
      THensuFmt scope;
      scope.startLine = header;
      scope.moduleName = moduleOf(program, name);
      declare(scope, u"PARAM_STR", 1);
      declare(scope, u"RESULT", 0);

      // Errors left by preparation come first; FEND ends the function.
      int fend = -1;
      for (int i = header; i < program.size(); ++i) {
        scope.offset = i - header;
        const u16& statement = program.statementText[i];
        if (isErrorMarker(statement)) {
          report(statement.substr(std::char_traits<char16_t>::length(kErrorMarker)), &scope);
          break;
        }
        if (program.statementKind[i] == kFend) {
          fend = i;
          break;
        }
      }
      if (stopFlag) break;
      if (fend < 0) {
        report(text(kNoFend, name), &scope);
        break;
      }
      scope.count = fend - header;
      // Entries for faults outside any definition point at the faulty
      // statement itself, which the marker pass has reported.
      if (!isHeader(program.statementText[header])) continue;
      scope.offset = 0;
      if (!checkHeader(*this, scope)) break;
      checkFunction(scope);
    }
  } catch (const std::exception& ex) {
    report(internalFailure(u"ChkKB_Main:", ex), nullptr);
  }
  // Evaluations after the check (declarations of the next preparation, a
  // quoted CALL path) must run for real even when no run follows.
  checkingMode = false;
  checkLeavesFailuresToTry = false;
  reportLocation.clear();
  checkState_ = nullptr;
  return !stopFlag;
}

}  // namespace kova
