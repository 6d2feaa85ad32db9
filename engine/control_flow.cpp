// Block statements: IFB/ELSEIF/ELSE, SELECT/CASE/DEFAULT, FOR, WHILE,
// REPEAT, TRY/EXCEPT/FINALLY, WITH, and the effect of BREAK, CONTINUE and
// EXIT on them. Jump targets were written into the opener's text by the
// block check; handlers never search. An opening statement pushes a frame
// (block_frames.h) and places the offset; the statement loop ends the
// block when the offset reaches the frame's end. TRY and WITH keep their
// own stacks in the scope, and EXCEPT and FINALLY parts run in a
// statement loop of their own.

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

void TUScript::runControl(int32_t kind, THensuFmt& scope) {
  switch (kind) {
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
  const uint32_t outerBase = scope.blockBase;
  scope.blockBase = scope.blocks.size();
  scope.offset = from;
  scope.errorPending = false;
  while (scope.offset < end && !scope.errorPending && runStatement(scope, end)) {
  }
  scope.blocks.truncate(scope.blockBase);
  scope.blockBase = outerBase;
}

// --- Block frames -------------------------------------------------------------

namespace {

bool isLoop(int32_t kind) { return kind == kFor || kind == kWhile || kind == kRepeat; }

// One past the index of the innermost loop frame at or above `base`, or
// `base` when there is none.
uint32_t innermostLoopEnd(const THensuFmt& scope, uint32_t base) {
  uint32_t above = scope.blocks.size();
  while (above > base && !isLoop(scope.blocks[above - 1].kind)) --above;
  return above;
}

// Whether a FOR variable holding `value` has gone past the loop's limit.
bool pastLimit(const BlockFrame& loop, double value) {
  return (loop.step > 0 && value > loop.to) || (loop.step < 0 && value < loop.to);
}

// The block's name in an internal failure's message.
const char16_t* blockLabel(int32_t kind) {
  switch (kind) {
    case kIfb: return u"IFB-ENDIF:";
    case kSelect: return u"SELECT-SELEND:";
    case kFor: return u"FOR-NEXT:";
    case kWhile: return u"WHILE-WEND:";
    default: return u"REPEAT-UNTIL:";
  }
}

}  // namespace

int32_t loopCount(const THensuFmt& scope) {
  int32_t n = 0;
  for (uint32_t i = 0; i < scope.blocks.size(); ++i) n += isLoop(scope.blocks[i].kind) ? 1 : 0;
  return n;
}

void TUScript::enterBlock(int32_t kind, THensuFmt& scope) {
  const CompiledStatement& statement = compiledStatement(scope.currentLine());
  try {
    switch (kind) {
      case kIfb: return enterIf(scope, statement);
      case kSelect: return enterSelect(scope, statement);
      case kFor: return enterFor(scope, statement);
      case kWhile: return enterWhile(scope, statement);
      default: return enterRepeat(scope, statement);
    }
  } catch (const std::exception& ex) {
    report(internalFailure(blockLabel(kind), ex), &scope);
    ++scope.offset;
  }
}

bool TUScript::leaveFinishedBlocks(THensuFmt& scope) {
  while (scope.blocks.size() > scope.blockBase) {
    const BlockFrame& frame = scope.blocks.back();
    if (scope.offset < frame.start || scope.offset > frame.end) {
      // A caught error has placed the offset outside the block.
      scope.blocks.pop();
      continue;
    }
    if (scope.offset != frame.branchEnd) return true;
    if (frame.kind == kIfb || frame.kind == kSelect) {
      // The branch is done: the rest of the block is skipped.
      scope.offset = frame.end + 1;
      scope.blocks.pop();
      continue;
    }
    nextIteration(scope, false);
    if (scope.exitFlag || stopFlag.load(std::memory_order_relaxed)) return false;
  }
  return true;
}

bool TUScript::takeLoopJumps(THensuFmt& scope) {
  while (scope.breakCount > 0 || scope.continueCount > 0) {
    const uint32_t above = innermostLoopEnd(scope, scope.blockBase);
    // The loop belongs to an outer statement loop: it takes the jump.
    if (above == scope.blockBase) return false;
    const uint32_t index = above - 1;
    const BlockFrame loop = scope.blocks[index];
    scope.blocks.truncate(index + 1);
    closeSkipped(scope, loop.start, loop.end);
    if (scope.breakCount > 0) {
      --scope.breakCount;
    } else if (--scope.continueCount == 0) {
      nextIteration(scope, true);
      continue;
    }
    scope.blocks.truncate(index);
    scope.offset = loop.end + 1;
  }
  return !scope.exitFlag && !stopFlag.load(std::memory_order_relaxed);
}

void TUScript::nextIteration(THensuFmt& scope, bool continued) {
  const uint32_t index = scope.blocks.size() - 1;
  // A copy: evaluating may run an EXCEPT part whose blocks move the stack.
  const BlockFrame loop = scope.blocks[index];
  auto leave = [&](int32_t offset) {
    scope.blocks.truncate(index);
    scope.offset = offset;
  };
  try {
    switch (loop.kind) {
      case kFor:
        scope.offset = loop.start;
        if (!loop.statement->target.hasIndexes) {
          if (Value* slot = localScalar(loop.statement->target.name, scope, &loop.statement->target.hint)) {
            // A local scalar reads back what was written: the test needs no read.
            const double next = loop.current + loop.step;
            *slot = Value::number(next);
            if (pastLimit(loop, next)) return leave(loop.end + 1);
            scope.blocks[index].current = next;
            scope.offset = loop.start + 1;
            return;
          }
        }
        putTarget(loop.statement->target, Value::number(loop.current + loop.step), scope);
        if (stopFlag) return leave(loop.end + 1);
        if (scope.offset != loop.start) return;  // a caught error has placed the offset
        return testFor(scope, index);
      case kWhile: {
        scope.offset = loop.start;
        bool truth = false;
        if (!conditionHolds(*loop.statement->expressions[0], scope, truth)) return leave(scope.offset + 1);
        if (truth) scope.offset = loop.start + 1;
        else leave(loop.end + 1);
        return;
      }
      default: {
        // CONTINUE restarts the body without testing the UNTIL condition.
        if (continued) {
          scope.offset = loop.start + 1;
          return;
        }
        scope.offset = loop.end;
        bool truth = false;
        if (!conditionHolds(*loop.statement->expressions[0], scope, truth)) return leave(scope.offset + 1);
        if (truth) leave(loop.end + 1);
        else scope.offset = loop.start + 1;
        return;
      }
    }
  } catch (const std::exception& ex) {
    report(internalFailure(blockLabel(loop.kind), ex), &scope);
    leave(loop.end + 1);
  }
}

// --- IFB / ELSEIF / ELSE -----------------------------------------------------

void TUScript::enterIf(THensuFmt& scope, const CompiledStatement& statement) {
  const int32_t base = scope.offset;
  const int32_t o1 = statement.offsets[0], o2 = statement.offsets[1], o3 = statement.offsets[2];
  const int32_t nextElseif = o1 > 0 ? base + o1 : -1;
  const int32_t elsePos = o2 > 0 ? base + o2 : -1;
  const int32_t endif = o3 > 0 ? base + o3 : base + 1;
  bool truth = false;
  if (!conditionHolds(*statement.expressions[0], scope, truth)) {
    ++scope.offset;
    return;
  }
  if (truth) {
    // The branch ends at the next ELSEIF or ELSE; without one, at ENDIF,
    // which needs no frame.
    const int32_t branchEnd = nextElseif >= 0 ? nextElseif : elsePos >= 0 ? elsePos : endif;
    if (branchEnd < endif) scope.blocks.push({kIfb, base, branchEnd, endif, 0, 0, 0, &statement});
    scope.offset = base + 1;
  } else {
    // An ELSEIF is itself an IFB statement with the same ENDIF.
    scope.offset = nextElseif >= 0 ? nextElseif : elsePos >= 0 ? elsePos + 1 : endif + 1;
  }
}

// --- SELECT ------------------------------------------------------------------

void TUScript::enterSelect(THensuFmt& scope, const CompiledStatement& statement) {
  const int32_t base = scope.offset;
  std::optional<Value> selectorValue = evaluateParsed(*statement.expressions[0], scope);
  if (!selectorValue || scope.offset != base) {
    ++scope.offset;
    return;
  }
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
      if (stopFlag || scope.offset != base) {
        ++scope.offset;
        return;
      }
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
  if (chosen == selend) {
    scope.offset = selend + 1;
    return;
  }
  // The branch ends at the next CASE or DEFAULT: no fall-through.
  int32_t branchEnd = selend;
  for (const CompiledStatement::Case& item : statement.cases)
    if (base + item.offset > chosen && base + item.offset < branchEnd) branchEnd = base + item.offset;
  if (defaultPos > chosen && defaultPos < branchEnd) branchEnd = defaultPos;
  if (branchEnd < selend) scope.blocks.push({kSelect, base, branchEnd, selend, 0, 0, 0, &statement});
  scope.offset = chosen + 1;
}

// --- Loops -------------------------------------------------------------------

void TUScript::enterFor(THensuFmt& scope, const CompiledStatement& statement) {
  const int32_t start = scope.offset;
  const int32_t next = start + statement.offsets[0];
  auto fail = [&] { ++scope.offset; };
  std::optional<Value> first = evaluateParsed(*statement.expressions[0], scope);
  if (!first || scope.offset != start) return fail();
  double from = 0, to = 0, step = 0;
  if (!first->toNumber(from)) {
    report(text(kNotNumeric), &scope);
    return fail();
  }
  putTarget(statement.target, Value::number(from), scope);
  if (stopFlag) return fail();
  std::optional<Value> last = evaluateParsed(*statement.expressions[1], scope);
  if (!last || scope.offset != start) return fail();
  std::optional<Value> stepValue = evaluateParsed(*statement.expressions[2], scope);
  if (!stepValue || scope.offset != start) return fail();
  if (!last->toNumber(to) || !stepValue->toNumber(step)) {
    report(text(kNotNumeric), &scope);
    return fail();
  }
  if (step == 0) {
    report(text(kStepZero), &scope);
    return fail();
  }
  scope.blocks.push({kFor, start, next, next, from, to, step, &statement});
  testFor(scope, scope.blocks.size() - 1);
}

void TUScript::testFor(THensuFmt& scope, uint32_t index) {
  // The next step counts from the value read here, whatever the body
  // then assigns to the variable.
  const BlockFrame loop = scope.blocks[index];
  const Value v = getTarget(loop.statement->target, scope);
  double current = 0;
  if (stopFlag || !v.toNumber(current) || pastLimit(loop, current)) {
    scope.blocks.truncate(index);
    scope.offset = loop.end + 1;
    return;
  }
  scope.blocks[index].current = current;
  scope.offset = loop.start + 1;
}

void TUScript::enterWhile(THensuFmt& scope, const CompiledStatement& statement) {
  const int32_t start = scope.offset;
  bool truth = false;
  if (!conditionHolds(*statement.expressions[0], scope, truth)) {
    ++scope.offset;
    return;
  }
  const int32_t wend = start + statement.offsets[0];
  if (!truth) {
    scope.offset = wend + 1;
    return;
  }
  scope.blocks.push({kWhile, start, wend, wend, 0, 0, 0, &statement});
  scope.offset = start + 1;
}

void TUScript::enterRepeat(THensuFmt& scope, const CompiledStatement& statement) {
  const int32_t start = scope.offset;
  const int32_t until = start + statement.offsets[0];
  scope.blocks.push({kRepeat, start, until, until, 0, 0, 0, &statement});
  scope.offset = start + 1;
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
  if (scope.openTries.empty()) return;
  const uint32_t loop = innermostLoopEnd(scope, 0);
  if (loop == 0) return;
  const TryFrame frame = scope.openTries.back();
  if (frame.kind != 0 || frame.tryOffset <= scope.blocks[loop - 1].start) return;
  scope.openTries.pop_back();
  const int32_t saved = scope.offset;
  const int32_t savedStop = stopRequest;
  if (program.options.optFinally) stopRequest = 0;
  runPart(scope, frame.handlerOffset + 1, frame.handlerOffset + frame.handlerLength);
  if (program.options.optFinally && stopRequest < savedStop) stopRequest = savedStop;
  scope.offset = saved;
}

void TUScript::closeSkipped(THensuFmt& scope, int32_t loopStart, int32_t loopEnd) {
  // The TRY blocks opened inside the loop close without running anything
  // (a FINALLY part that a BREAK or CONTINUE runs has closed its block
  // already).
  while (!scope.openTries.empty() && scope.openTries.back().tryOffset > loopStart) {
    if (scope.openTries.back().kind == 1 && scope.tryDepth > 0) --scope.tryDepth;
    scope.openTries.pop_back();
  }
  // So do the open WITH blocks: an ENDWITH ahead closes one unless it
  // belongs to a WITH ahead.
  int32_t unopened = 0;
  for (int32_t o = scope.offset; o < loopEnd && !scope.withStack.empty(); ++o) {
    const int32_t kind = program.statementKind[scope.startLine + o];
    if (kind == kWith) ++unopened;
    else if (kind == kEndwith && unopened > 0) --unopened;
    else if (kind == kEndwith) runWith(scope, kEndwith, compiledStatement(scope.startLine + o));
  }
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
