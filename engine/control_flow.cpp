// Block statements: IFB/ELSEIF/ELSE, SELECT/CASE/DEFAULT, FOR, WHILE,
// REPEAT, TRY/EXCEPT/FINALLY, WITH, and the effect of BREAK, CONTINUE and
// EXIT on them. Jump targets were written into the opener's text by the
// block check; handlers never search. Each handler runs its body through
// runStatement and leaves the offset at its closing statement, so that the
// caller's advance continues behind the block.

#include <cmath>
#include <exception>

#include "engine/compiled_statement.h"
#include "engine/expression_tree.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"
#include "engine/value_rules.h"

namespace kova {

namespace {

constexpr Msg kNotNumeric{u"数値以外の値が指定された", u"Values other than numerical value were specified"};
constexpr Msg kStepZero{u"STEP値がゼロである", u"STEP value is a zero"};
constexpr Msg kBlocksTooDeep{u"ブロックの入れ子が深すぎます", u"Blocks are nested too deeply"};


const char16_t* keywordOf(int32_t kind) {
  switch (kind) {
    case kComPropertyAssignment:
    case kComMethodCall: return u"COM";
    case kThread: return u"THREAD";
    case kHashtbl: return u"HASHTBL";
    default: return u"?";
  }
}

}  // namespace

// True while nothing stops the statements of a block from running.
static bool nothingPending(const TUScript& e, const THensuFmt& s) {
  return !s.exitFlag && s.breakCount == 0 && s.continueCount == 0 && !e.stopFlag.load(std::memory_order_relaxed);
}

void TUScript::runControl(int32_t kind, THensuFmt& scope) {
  if ((kind == kIfb || kind == kFor || kind == kWhile || kind == kRepeat || kind == kSelect || kind == kTry ||
       kind == kWith) &&
      stackExhausted()) {
    report(text(kBlocksTooDeep), &scope);
    return;
  }
  switch (kind) {
    case kIfb:
      return runIf(scope, compiledStatement(scope.currentLine()));
    case kSelect:
      return runSelect(scope, compiledStatement(scope.currentLine()));
    case kFor:
    case kWhile:
    case kRepeat:
      scope.loopStarts.push_back(scope.offset);
      {
        const CompiledStatement& c = compiledStatement(scope.currentLine());
        if (kind == kFor) runFor(scope, c);
        else if (kind == kWhile) runWhile(scope, c);
        else runRepeat(scope, c);
      }
      scope.loopStarts.pop_back();
      return;
    case kTry:
    case kFinally:
    case kExcept:
      return runTry(scope, kind, compiledStatement(scope.currentLine()));
    case kWith:
    case kEndwith:
      return runWith(scope, kind, compiledStatement(scope.currentLine()));
    case kDefDll: {
      // The declaration is stored again when the statement runs, so a
      // DEF_DLL inside a function takes effect when that function runs.
      const CompiledStatement& c = compiledStatement(scope.currentLine());
      storeDllDeclaration(trimCtl(scope.moduleName.empty() ? c.dllName : scope.moduleName + u"." + c.dllName),
                          c.dllRest);
      return;
    }
    case kHashtbl:
      return declareHashtables(scope, compiledStatement(scope.currentLine()).hashItems);
    default:
      report(text(rm::kNotAvailableYet, keywordOf(kind)), &scope);
      return;
  }
}

void TUScript::storeDllDeclaration(const u16& name, const u16& rest) {
  const auto lock = lockShared();
  const int i = runDllDeclarations_.find(name);
  if (i >= 0) runDllDeclarations_.value(i) = rest;
  else runDllDeclarations_.add(name, rest);
}

bool TUScript::hasDllDeclaration(u16v name) const {
  if (program.dllDeclTable.contains(name)) return true;
  const auto lock = lockShared();
  return runDllDeclarations_.contains(name);
}

void TUScript::runPart(THensuFmt& scope, int32_t from, int32_t end) {
  scope.offset = from;
  scope.errorPending = false;
  while (scope.offset < end && !scope.errorPending && nothingPending(*this, scope)) runStatement(scope);
}

// --- IFB / ELSEIF / ELSE -----------------------------------------------------

void TUScript::runIf(THensuFmt& scope, const CompiledStatement& statement) {
  try {
    const int32_t base = scope.offset;
    const int32_t o1 = statement.offsets[0], o2 = statement.offsets[1], o3 = statement.offsets[2];
    const int32_t nextElseif = o1 > 0 ? base + o1 : -1;
    const int32_t elsePos = o2 > 0 ? base + o2 : -1;
    const int32_t endif = o3 > 0 ? base + o3 : base + 1;
    bool truth = false;
    if (!conditionHolds(*statement.expressions[0], scope, truth)) return;
    if (truth) {
      scope.offset = base + 1;
      while (scope.offset < endif && (elsePos < 0 || scope.offset < elsePos) &&
             (nextElseif < 0 || scope.offset < nextElseif) && nothingPending(*this, scope))
        runStatement(scope);
    } else {
      scope.offset = nextElseif >= 0 ? nextElseif : elsePos >= 0 ? elsePos + 1 : endif;
      while (scope.offset < endif && nothingPending(*this, scope)) runStatement(scope);
    }
    --scope.offset;
    if (scope.breakCount > 0) closeSkipped(scope, endif);
    if (scope.offset < endif) scope.offset = endif;
  } catch (const std::exception& ex) {
    report(internalFailure(u"IFB-ENDIF:", ex), &scope);
  }
}

// --- SELECT ------------------------------------------------------------------

void TUScript::runSelect(THensuFmt& scope, const CompiledStatement& statement) {
  try {
    const int32_t base = scope.offset;
    std::optional<Value> selectorValue = evaluateParsed(*statement.expressions[0], scope);
    if (!selectorValue || scope.offset != base) return;
    auto normalise = [&](Value v) {
      if (v.kind() == ValueKind::Dispatch && !v.comObject()) return Value::string(kNothingMarker);
      if (!program.options.sameStr && v.kind() == ValueKind::WideString) return Value::string(upperFull(v.wide()));
      return v;
    };
    const Value selector = normalise(*selectorValue);
    const int32_t defaultPos = statement.offsets[0] >= 0 ? base + statement.offsets[0] : -1;
    const int32_t selend = statement.offsets[1] >= 0 ? base + statement.offsets[1] : base + 1;
    CompareOptions options;
    options.sameStr = program.options.sameStr;
    int32_t chosen = -1;
    for (const CompiledStatement::Case& item : statement.cases) {
      for (const auto& tree : item.items) {
        std::optional<Value> v = evaluateParsed(*tree, scope);
        if (stopFlag || scope.offset != base) return;
        if (!v) continue;
        const auto equal = compareValues(CompareOp::Equal, selector, normalise(*v), false, false, options);
        if (equal && *equal) {
          chosen = base + item.offset;
          break;
        }
      }
      if (chosen >= 0) break;
    }
    if (chosen < 0) chosen = defaultPos >= 0 ? defaultPos : selend;
    scope.offset = chosen + 1;
    auto isCase = [&](int32_t offset) {
      for (const CompiledStatement::Case& item : statement.cases)
        if (base + item.offset == offset) return true;
      return false;
    };
    if (chosen != selend) {
      while (scope.offset < selend && scope.offset != defaultPos && nothingPending(*this, scope)) {
        if (isCase(scope.offset)) {
          scope.offset = selend;  // no fall-through into the next CASE
          break;
        }
        runStatement(scope);
      }
    }
    --scope.offset;
    if (scope.breakCount > 0) closeSkipped(scope, selend);
    if (scope.offset < selend) scope.offset = selend;
  } catch (const std::exception& ex) {
    report(internalFailure(u"SELECT-SELEND:", ex), &scope);
  }
}

// --- Loops -------------------------------------------------------------------

void TUScript::runFor(THensuFmt& scope, const CompiledStatement& statement) {
  try {
    const int32_t start = scope.offset;
    const int32_t next = start + statement.offsets[0];
    const CompiledTarget& variable = statement.target;
    std::optional<Value> first = evaluateParsed(*statement.expressions[0], scope);
    if (!first || scope.offset != start) return;
    double from = 0, to = 0, step = 0;
    if (!first->toNumber(from)) {
      report(text(kNotNumeric), &scope);
      return;
    }
    putTarget(variable, Value::number(from), scope);
    if (stopFlag) return;
    std::optional<Value> last = evaluateParsed(*statement.expressions[1], scope);
    if (!last || scope.offset != start) return;
    std::optional<Value> stepValue = evaluateParsed(*statement.expressions[2], scope);
    if (!stepValue || scope.offset != start) return;
    if (!last->toNumber(to) || !stepValue->toNumber(step)) {
      report(text(kNotNumeric), &scope);
      return;
    }
    if (step == 0) {
      report(text(kStepZero), &scope);
      return;
    }
    double current = 0;
    for (;;) {
      if (scope.offset == start) {
        const Value v = getTarget(variable, scope);
        if (stopFlag || !v.toNumber(current)) break;
        if ((step > 0 && current > to) || (step < 0 && current < to)) break;
        ++scope.offset;
      }
      if (scope.breakCount > 0 || scope.exitFlag || stopFlag) break;
      if (scope.offset < next && scope.continueCount == 0) {
        runStatement(scope);
        if (scope.offset > next) break;
        continue;
      }
      if (scope.continueCount > 0) {
        --scope.continueCount;
        closeSkipped(scope, next);
        if (scope.continueCount > 0) break;
      }
      scope.offset = start;
      putTarget(variable, Value::number(current + step), scope);
      if (stopFlag) break;
    }
    --scope.offset;
    if (scope.breakCount > 0) {
      --scope.breakCount;
      closeSkipped(scope, next);
    }
    if (scope.offset < next) scope.offset = next;
  } catch (const std::exception& ex) {
    report(internalFailure(u"FOR-NEXT:", ex), &scope);
  }
}

void TUScript::runWhile(THensuFmt& scope, const CompiledStatement& statement) {
  try {
    const int32_t start = scope.offset;
    const int32_t wend = start + statement.offsets[0];
    for (;;) {
      if (scope.offset == start) {
        bool truth = false;
        if (!conditionHolds(*statement.expressions[0], scope, truth)) return;
        if (!truth) break;
        ++scope.offset;
      }
      if (scope.breakCount > 0 || scope.exitFlag || stopFlag) break;
      if (scope.offset < wend && scope.continueCount == 0) {
        runStatement(scope);
        if (scope.offset > wend) break;
        continue;
      }
      if (scope.continueCount > 0) {
        --scope.continueCount;
        closeSkipped(scope, wend);
        if (scope.continueCount > 0) break;
      }
      scope.offset = start;
    }
    --scope.offset;
    if (scope.breakCount > 0) {
      --scope.breakCount;
      closeSkipped(scope, wend);
    }
    if (scope.offset < wend) scope.offset = wend;
  } catch (const std::exception& ex) {
    report(internalFailure(u"WHILE-WEND:", ex), &scope);
  }
}

void TUScript::runRepeat(THensuFmt& scope, const CompiledStatement& statement) {
  try {
    const int32_t start = scope.offset;
    const int32_t until = start + statement.offsets[0];
    scope.offset = start + 1;
    for (;;) {
      if (scope.offset == until) {
        bool truth = false;
        if (!conditionHolds(*statement.expressions[0], scope, truth)) return;
        if (truth) break;
        scope.offset = start + 1;
        continue;
      }
      if (scope.offset > until || scope.breakCount > 0 || scope.exitFlag || stopFlag) break;
      runStatement(scope);
      if (scope.offset > until || scope.breakCount > 0 || scope.exitFlag || stopFlag) break;
      if (scope.continueCount > 0) {
        // CONTINUE restarts the body without testing the UNTIL condition.
        --scope.continueCount;
        closeSkipped(scope, until);
        if (scope.continueCount > 0) break;
        scope.offset = start + 1;
      }
    }
    --scope.offset;
    if (scope.breakCount > 0) {
      --scope.breakCount;
      closeSkipped(scope, until);
    }
    if (scope.offset < until) scope.offset = until;
  } catch (const std::exception& ex) {
    report(internalFailure(u"REPEAT-UNTIL:", ex), &scope);
  }
}

// --- TRY ---------------------------------------------------------------------

void TUScript::runTry(THensuFmt& scope, int32_t kind, const CompiledStatement& statement) {
  if (kind == kTry) {
    if (statement.malformed) {
      report(u"SyntaxError-26", &scope);
      return;
    }
    const int32_t k = statement.offsets[0];
    scope.openTries.push_back(TryFrame{scope.offset, k, scope.offset + statement.offsets[1], statement.offsets[2]});
    scope.errorPending = false;
    if (k == 1) ++scope.tryDepth;
    return;
  }
  if (scope.openTries.empty()) {
    report(kind == kFinally ? u"SyntaxError-27" : u"SyntaxError-28", &scope);
    return;
  }
  const TryFrame frame = scope.openTries.back();
  scope.openTries.pop_back();
  if (kind == kFinally) {
    // Reached in sequence: the FINALLY part runs as ordinary statements.
    if (frame.kind != 0) report(u"SyntaxError-27", &scope);
    return;
  }
  // EXCEPT reached in sequence: no error happened, so the part is skipped.
  if (frame.kind != 1) {
    report(u"SyntaxError-28", &scope);
    return;
  }
  scope.offset += frame.handlerLength;
  if (scope.tryDepth > 0) --scope.tryDepth;
}

bool TUScript::catchError(THensuFmt& scope) {
  const int32_t saved = scope.offset;
  while (!scope.openTries.empty()) {
    const TryFrame frame = scope.openTries.back();
    scope.openTries.pop_back();
    const int32_t end = frame.handlerOffset + frame.handlerLength;
    if (frame.kind == 1) {
      if (scope.tryDepth > 0) --scope.tryDepth;
      runPart(scope, frame.handlerOffset + 1, end);
      // A new error caught inside the EXCEPT part has placed the offset.
      if (!scope.errorPending) scope.offset = end - 1;
      scope.errorPending = true;
      return true;
    }
    const bool exitBefore = scope.exitFlag;
    scope.exitFlag = false;
    runPart(scope, frame.handlerOffset + 1, end);
    scope.exitFlag = scope.exitFlag || exitBefore;
    if (scope.errorPending) return true;  // the FINALLY part's own error was caught further out
  }
  scope.offset = saved;
  return false;
}

// Errors travel outwards through the call stack: each scope, innermost
// first, handles it with its own open TRY blocks (FINALLY parts run on the
// way out). The scope whose EXCEPT part takes the error shows it in its own
// TRY_ERRMSG and TRY_ERRLINE; the scopes between it and the failing one end.
bool TUScript::handOverToTry(THensuFmt& scope, bool catchable) {
  if (!catchable) return false;
  for (THensuFmt* s = &scope; s; s = s->caller) {
    if (s->openTries.empty()) continue;
    if (s != &scope) {
      bool hasExcept = false;
      for (const TryFrame& f : s->openTries) hasExcept = hasExcept || f.kind == 1;
      if (hasExcept) {
        s->tryErrMsg = scope.tryErrMsg;
        s->tryErrLine = scope.tryErrLine;
      }
    }
    if (catchError(*s)) {
      for (THensuFmt* t = &scope; t != s; t = t->caller) t->exitFlag = true;
      return true;
    }
  }
  return false;
}

void TUScript::unwindTries(THensuFmt& scope) {
  // FINALLY parts of the open TRY blocks run from the innermost outwards.
  // Under OPTION OPTFINALLY a pending stop is lifted while they run.
  const int32_t savedStop = stopRequest;
  if (program.options.optFinally) stopRequest = 0;
  while (!scope.openTries.empty()) {
    const TryFrame frame = scope.openTries.back();
    scope.openTries.pop_back();
    if (frame.kind == 1) {
      if (scope.tryDepth > 0) --scope.tryDepth;
      continue;
    }
    const bool savedExit = scope.exitFlag;
    scope.exitFlag = false;
    runPart(scope, frame.handlerOffset + 1, frame.handlerOffset + frame.handlerLength);
    scope.exitFlag = savedExit || scope.exitFlag;
  }
  if (program.options.optFinally && stopRequest < savedStop) stopRequest = savedStop;
}

void TUScript::finallyForBreak(THensuFmt& scope) {
  if (scope.openTries.empty() || scope.loopStarts.empty()) return;
  const TryFrame frame = scope.openTries.back();
  if (frame.kind != 0 || frame.tryOffset <= scope.loopStarts.back()) return;
  scope.openTries.pop_back();
  const int32_t saved = scope.offset;
  const int32_t savedStop = stopRequest;
  if (program.options.optFinally) stopRequest = 0;
  runPart(scope, frame.handlerOffset + 1, frame.handlerOffset + frame.handlerLength);
  if (program.options.optFinally && stopRequest < savedStop) stopRequest = savedStop;
  scope.offset = saved;
}

void TUScript::closeSkipped(THensuFmt& scope, int32_t endOffset) {
  // TRY and WITH blocks that a BREAK or CONTINUE jumps out of are closed
  // without running anything.
  const int32_t from = scope.offset;
  for (int32_t o = from; o < endOffset && !scope.openTries.empty(); ++o) {
    const int32_t kind = program.statementKind[scope.startLine + o];
    if (kind == kTry) {
      // A TRY entirely inside the skipped range opens and closes in it.
      runTry(scope, kTry, compiledStatement(scope.startLine + o));
    } else if (kind == kFinally || kind == kExcept) {
      const TryFrame frame = scope.openTries.back();
      scope.openTries.pop_back();
      if (frame.kind == 1 && scope.tryDepth > 0) --scope.tryDepth;
    }
  }
  for (int32_t o = from; o < endOffset && !scope.withStack.empty(); ++o) {
    const int32_t kind = program.statementKind[scope.startLine + o];
    if (kind == kEndwith) runWith(scope, kEndwith, compiledStatement(scope.startLine + o));
  }
  scope.offset = from;
}

// --- WITH ----------------------------------------------------------------------

void TUScript::runWith(THensuFmt& scope, int32_t kind, const CompiledStatement& statement) {
  if (kind == kEndwith) {
    if (!scope.withStack.empty()) scope.withStack.pop_back();
    scope.withValue = scope.withStack.empty() ? Value() : scope.withStack.back();
  } else {
    Value v;
    if (statement.withIsThis) {
      v = Value::string(scope.moduleName);
    } else if (statement.withIsModule) {
      v = Value::string(statement.withModule);
    } else {
      const int32_t before = scope.offset;
      std::optional<Value> value = evaluateParsed(*statement.expressions[0], scope);
      if (!value || scope.offset != before) return;
      v = std::move(*value);
    }
    scope.withValue = v;
    scope.withStack.push_back(std::move(v));
  }
  scope.instanceText = scope.withValue.kind() == ValueKind::WideString ? scope.withValue.wide() : u16();
}

bool TUScript::memberAccess(u16v text, THensuFmt& scope, Value& out) {
  (void)text;
  out = Value::integer(-999999);
  comErrorOccurred = true;
  if (!comErrorIgnore) report(kova::text(rm::kNotAvailableYet, u"COM"), &scope);
  return comErrorIgnore;
}

}  // namespace kova
