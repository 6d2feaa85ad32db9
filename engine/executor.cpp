// The statement executor: `run` starts a whole run, `runProcedure` runs one
// call from its header to its FEND in a fresh scope, `runStatement` runs
// the statement at the scope's offset. Blocks are frames of the scope
// (control_flow.cpp), so only calls nest native calls.

#include <cstdint>
#include <exception>

#include "engine/compiled_statement.h"
#include "engine/prerun_check.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"
#include "util/fp_control.h"

namespace kova {

namespace {

// Kind sets as bit masks: every statement kind asks which set it is in.
constexpr uint64_t kindBit(int32_t kind) { return static_cast<uint32_t>(kind) < 64 ? uint64_t{1} << kind : 0; }
constexpr uint64_t kBlockOpeners = kindBit(kIfb) | kindBit(kFor) | kindBit(kWhile) | kindBit(kRepeat) | kindBit(kSelect);
constexpr uint64_t kBlockClosers = kindBit(kEndif) | kindBit(kElse) | kindBit(kNext) | kindBit(kWend) |
                                   kindBit(kUntil) | kindBit(kSelend) | kindBit(kCase) | kindBit(kDefault);

bool isExitExitBoolean(const u16& t, const char16_t* word) { return upperAscii(trimCtl(t)) == word; }

// Where the current thread's run started on its stack, and how far below
// that a script may go. Per thread, because THREAD workers run scripts on
// stacks of their own.
thread_local uintptr_t tlsStackBase = 0;
thread_local size_t tlsStackBudget = 0;

// The frame address, not the address of a local: under AddressSanitizer's
// use-after-return detection locals live in frames on the heap.
__attribute__((noinline)) uintptr_t currentStackAddress() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

}  // namespace

void TUScript::markStackBase() {
  tlsStackBase = currentStackAddress();
  tlsStackBudget = platform_.currentThreadStackSize() / 2;
}

bool TUScript::stackExhausted() const {
  if (tlsStackBase == 0) return false;
  const uintptr_t here = currentStackAddress();
  // Stacks grow downwards on every platform KOVA runs on.
  return here < tlsStackBase && tlsStackBase - here > tlsStackBudget;
}

TUScript::TUScript(Platform& platform, EngineHost& host) : platform_(platform), host_(host) {}

void TUScript::pumpMessages(int n) {
  for (int k = 0; k < n; ++k) {
    platform_.yieldTimeSlice();
    platform_.processMessages();
  }
  if (platform_.currentThreadId() == mainThreadId) stickyButtons |= platform_.mouseButtonsDown();
  if (log.dirty() && platform_.currentThreadId() == mainThreadId) {
    // Pending log lines reach the file once per change of the clock's minute.
    const long long minute = static_cast<long long>(platform_.localDateTimeNow() * 1440.0);
    if (minute != lastLogMinute_) {
      lastLogMinute_ = minute;
      flushLog();
    }
  }
}

void TUScript::waitPumping(int n) {
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < 10; ++j) {
      platform_.sleepMs(10);
      platform_.processMessages();
    }
  }
  pumpMessages(2);
}

void TUScript::run(const u16& entry, const std::vector<u16>& params) {
  THensuFmt top;
  try {
    platform_.sleepMs(20);
    pumpMessages(20);
    checkingMode = false;
    mainThreadId = platform_.currentThreadId();
    markStackBase();
    compileProgram();

    // Module constructors, in the order of the modules' sequence numbers.
    for (int k = 0; k < program.moduleIndex.size(); ++k) {
      for (int m = 0; m < program.moduleIndex.size(); ++m) {
        if (program.moduleIndex.value(m) != k) continue;
        const u16& name = program.moduleIndex.name(m);
        const int f = program.functionIndex.find(name + u"." + name);
        if (f < 0) continue;
        Value ignored;
        runProcedure(name + u"." + name, program.functionIndex.value(f).headerLine, ignored, &top, {}, {}, false,
                     2, name);
        if (stopFlag || stopRequest > 0) return;
      }
    }

    std::vector<Value> values;
    values.reserve(params.size());
    for (const u16& p : params) values.push_back(Value::string(p));
    u16 module;
    int kind = 0;
    const int header = findFunction(entry, top, module, true, kind);
    if (header < 0) return;
    Value result;
    runProcedure(entry, header, result, &top, params, values, true, kind, module);
  } catch (const std::exception& ex) {
    host_.showMessage(u"UScrCall:" + fromUtf8(ex.what()));
    errorOccurred = true;
  }
}

bool TUScript::runProcedure(const u16& name, int headerLine, Value& result, THensuFmt* caller,
                            const std::vector<u16>& argTexts, std::span<const Value> args, bool callFlag,
                            int kind, const u16& moduleName, const CallForm* form) {
  result = Value::integer(0);
  if (stackExhausted()) {
    report(text(rm::kCallTooDeep, name), caller);
    return false;
  }

  // A called function's header holds its parameters and its length.
  const CompiledStatement* header = callFlag ? nullptr : &headerStatement(headerLine);

  THensuFmt scope;
  scope.serial = scopeSerial_.fetch_add(1, std::memory_order_relaxed) + 1;
  scope.caller = caller;
  scope.startLine = headerLine;
  const int known = header ? header->procedureLength.load(std::memory_order_relaxed) : -1;
  scope.count = known >= 0 ? known : procedureLengthAt(headerLine);
  scope.moduleName = moduleName;
  scope.isMain = callFlag;

  if (callFlag) {
    // The main procedure and a CALLed script file get their arguments as the
    // local array PARAM_STR (indices 0 to count - 1).
    Variable paramStr;
    if (args.empty()) {
      paramStr.slots.resize(1);
    } else {
      paramStr.bounds.push_back(static_cast<int32_t>(args.size()) - 1);
      paramStr.slots.assign(args.begin(), args.end());
    }
    scope.variables.add(u"PARAM_STR", std::move(paramStr));
  }
  ParamMarks marks(0);
  if (!callFlag) {
    bool ok = true;
    marks = bindParameters(headerLine, *header, scope, caller, argTexts, args, form, ok);
    if (!ok) return false;
  }
  // A function's result is its first variable named RESULT: the one added
  // here unless a parameter has the name (variables are only ever added).
  static const u16 kResult = u"RESULT";
  int resultIndex = -1;
  if (kind == 1) {
    const int added = scope.variables.addUpperCased(kResult, Variable{{}, ValueRow(Value::integer(0))});
    if (header && !header->paramNamedResult) resultIndex = added;
  }
  if (header && scope.hashTables.size() == 0 && !header->paramRepeats &&
      static_cast<size_t>(scope.variables.size()) == header->paramNames.size() + (kind == 1 ? 1 : 0)) {
    // Every parameter is the variable at its own position, RESULT follows:
    // the same in every call of this procedure.
    scope.layoutKey = (static_cast<uint64_t>(headerLine) + 1) << 2 | static_cast<uint64_t>(kind & 3);
    scope.layoutCount = scope.variables.size();
  }

  scope.offset = 1;
  while (runStatement(scope, scope.count)) {
  }

  if (kind == 1) {
    const int r = resultIndex >= 0 ? resultIndex : scope.variables.find(kResult);
    if (r >= 0) result = scope.variables.value(r).slots[0];
  }
  if (!callFlag && caller && header->paramsWriteBack) {
    if (!stopFlag) writeBackParameters(headerLine, *header, scope, *caller, argTexts, marks, form);
    else returnLentArrays(scope, *caller, marks, header->paramNames);
  }
  return true;
}

int32_t TUScript::statementElapsedMs() {
  const int64_t elapsed = static_cast<int64_t>(platform_.coarseTickCount()) -
                          static_cast<int64_t>(builtinStatementStart.load(std::memory_order_relaxed));
  // A wrapped clock counts as no time spent.
  return elapsed < 0 ? 0 : elapsed >= 1000 ? 999 : static_cast<int32_t>(elapsed);
}

bool TUScript::runStatement(THensuFmt& scope, int32_t end) {
  ++scope.statementsRun;
  // Window messages are dispatched only when some are waiting: the check is
  // cheap, and the handlers that raise the stop request or pause the run
  // still run before the next statement.
  if (platform_.messagesPending()) platform_.processMessages();
  if (host_.paused()) [[unlikely]] {
    while (host_.paused()) {
      platform_.sleepMs(50);
      platform_.processMessages();
      if (stopRequest >= 1) break;
    }
  }
  // The flags are read relaxed on every statement: a flag set by another
  // thread is seen by a later statement, which is all a stop needs.
  if (stopRequest.load(std::memory_order_relaxed) >= 1) [[unlikely]] {
    if (program.options.optFinally) unwindTries(scope);
    scope.exitFlag = true;
    return false;
  }
  if (scope.exitFlag || stopFlag.load(std::memory_order_relaxed)) return false;
  for (;;) {
    if ((scope.breakCount | scope.continueCount) != 0 && !takeLoopJumps(scope)) return false;
    if (scope.blocks.size() > scope.blockBase) {
      const BlockFrame& top = scope.blocks.back();
      const bool inside = scope.offset >= top.start && scope.offset <= top.end && scope.offset != top.branchEnd;
      if (!inside && !leaveFinishedBlocks(scope)) return false;
    }
    if (scope.offset >= end) return false;
    const int line = scope.startLine + scope.offset;
    const int32_t kind = program.statementKind[line];
    const uint64_t bit = kindBit(kind);
    if (bit & kBlockOpeners) {
      enterBlock(kind, scope);
      return true;
    }
    // A closing statement that no frame ends (the end of an ELSE branch, of
    // a branch without ELSE) does nothing: the loop goes on behind it.
    if ((bit & kBlockClosers) && program.statementText[line].empty()) {
      ++scope.offset;
      continue;
    }
    break;
  }
  const int line = scope.startLine + scope.offset;
  const int32_t kind = program.statementKind[line];
  try {
    runKind(kind, program.statementText[line], scope);
  } catch (const std::exception& ex) {
    report(internalFailure(u"kaiseki:", ex), &scope);
  }
  ++scope.offset;
  return true;
}

void TUScript::runKind(int32_t kind, const u16& text, THensuFmt& scope) {
  switch (kind) {
    case kAssignment: {
      const CompiledStatement& c = compiledStatement(scope.currentLine());
      std::optional<Value> v = c.appendsToTarget ? evaluateAppending(*c.expressions[0], scope, c.target)
                                                 : evaluateParsed(*c.expressions[0], scope);
      if (v) putTarget(c.target, std::move(*v), scope);
      return;
    }
    case kDim:
      declareLocal(scope, compiledStatement(scope.currentLine()).declarations);
      return;
    case kCallStatement: {
      Value ignored;
      callForm(*compiledStatement(scope.currentLine()).call, scope, ignored, false, false);
      return;
    }
    case kPrint: {
      std::optional<Value> v = evaluateParsed(*compiledStatement(scope.currentLine()).expressions[0], scope);
      if (!v || stopRequest >= 1 || stopFlag) return;
      host_.printLine(v->toText());
      return;
    }
    case kCall: {
      Value ignored;
      const CompiledStatement& c = compiledStatement(scope.currentLine());
      if (c.call) callForm(*c.call, scope, ignored, false, true);
      else callByText(text, scope, ignored, false, true);  // reports why the text does not split
      return;
    }
    case kExit:
      unwindTries(scope);
      scope.exitFlag = true;
      return;
    case kExitExit:
      runExitExit(compiledStatement(scope.currentLine()), scope);
      return;
    case kBreak:
    case kContinue: {
      const long long n = compiledStatement(scope.currentLine()).offsets[0];
      // A count that no running loop can take would leave the procedure
      // waiting for a loop forever; it is an error instead (scripts that the
      // pre-run check saw never get here).
      const long long loops = loopCount(scope);
      if (loops == 0 || n < 1 || n > loops) {
        const bool isBreak = kind == kBreak;
        report(kova::text(loops == 0 ? (isBreak ? pc::kBreakOutside : pc::kContinueOutside)
                                     : (isBreak ? pc::kBreakCount : pc::kContinueCount)),
               &scope);
        return;
      }
      finallyForBreak(scope);
      (kind == kBreak ? scope.breakCount : scope.continueCount) = static_cast<int32_t>(n);
      return;
    }
    case kComErrIgn:
      comErrorIgnore = true;
      comErrorOccurred = false;
      return;
    case kComErrRet:
      comErrorIgnore = false;
      return;
    case kEndtry:
    case kNop:
      return;
    default:
      if (classifiedByText(kind)) classifyAndRun(text, scope);
      else runControl(kind, scope);
      return;
  }
}

bool classifiedByText(int32_t kind) {
  switch (kind) {
    case kUnclassified:
    case kEndif:
    case kElse:
    case kNext:
    case kWend:
    case kUntil:
    case kSelend:
    case kCase:
    case kDefault:
    case kFend:
      return true;
    default:
      return false;
  }
}

void TUScript::classifyAndRun(const u16& text, THensuFmt& scope) {
  if (trimCtl(text).empty()) return;
  const CompiledStatement& c = compiledStatement(scope.currentLine());
  if (c.kind != kDynamicEntry) return;
  // A dotted name is a COM member unless it names a module member in this
  // scope; the rest of the statement means the same either way.
  if (!c.hasAssignment) {
    if (c.dotted && !isModuleQualified(text, scope)) return runControl(kComMethodCall, scope);
    Value ignored;
    callForm(*c.call, scope, ignored, false, false);
    return;
  }
  const size_t eq = findOutsideParens(text, u"=");
  if (c.dotted && !isModuleQualified(trimCtl(u16v(text).substr(0, eq)), scope)) {
    // The right side is evaluated before the property is set.
    std::optional<Value> v = evaluateParsed(*c.expressions[0], scope);
    if (!v) return;
    return runControl(kComPropertyAssignment, scope);
  }
  std::optional<Value> v = c.appendsToTarget ? evaluateAppending(*c.expressions[0], scope, c.target)
                                             : evaluateParsed(*c.expressions[0], scope);
  if (v) putTarget(c.target, std::move(*v), scope);
}

void TUScript::runExitExit(const CompiledStatement& statement, THensuFmt& scope) {
  if (statement.expressions[0]) {
    std::optional<Value> v = evaluateParsed(*statement.expressions[0], scope);
    if (v) {
      const u16 t = v->toText();
      double number = 0;
      if (isExitExitBoolean(t, u"TRUE")) exitCode = static_cast<int32_t>(trueValue.intValue());
      else if (isExitExitBoolean(t, u"FALSE")) exitCode = static_cast<int32_t>(falseValue.intValue());
      else if (parseNumber(t, number)) exitCode = static_cast<int32_t>(number);
    }
  }
  if (program.options.optFinally) unwindTries(scope);
  endedByScript = true;
  stopRequest = 1;
  scope.exitFlag = true;
}

void TUScript::leaveRun(THensuFmt& scope) {
  if (program.options.optFinally) unwindTries(scope);
  stopFlag = true;
  suppressErrors = 1;
  scope.exitFlag = true;
}

void TUScript::endRun() {
  stopRequest += 1;
  if (fpControlBeforeRun) loadFpControlWord(*fpControlBeforeRun);
  fpControlBeforeRun.reset();
  savedFpControlWord.reset();
  // Keys and buttons the script still holds down are released by the host,
  // which owns the input functions.
  for (const u16& held : heldInputs) host_.releaseHeldInput(held);
  heldInputs.clear();
  automationState.reset();
  fileState.reset();
  flushLog();
  // Settings changed by OPTION end with the run.
  if (program.options.logPathSet) log.clearLines();
  log.resetForRun(ScriptLog::maxLinesFromSetting(host_.readSetting(u"SET", u"LogLines")));
  program.clear();
  {
    std::lock_guard<std::mutex> lock(expressionCacheMutex_);
    expressionCache_.clear();
  }
  compiled_.clear();
  compiledGeneration_ = 0;
  publicFlags.clear();
  {
    const auto lock = lockShared();
    globals_ = THensuFmt();
    runDllDeclarations_.clear();
  }
  pumpMessages(10);
}

}  // namespace kova
