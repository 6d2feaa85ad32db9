#pragma once
// TUScript: the script engine. One object runs one prepared program at a
// time: the preparer fills `program`, `run` executes it, `endRun` cleans up.
// All run state lives here and in the scopes; nothing is global, so a test
// can create an engine, run a script and throw the engine away.
//
// The road of a run, one file per stage:
//   script_assembler.cpp  file bytes -> normalised, wrapped, CALL-expanded lines
//   script_preparer.cpp   lines -> statements, origins, declaration tables
//   block_check.cpp       block partners and kinds of keyword statements
//   executor.cpp          run / runProcedure / runStatement
//   calls.cpp             call resolution and argument binding
//   expression.cpp        evaluation of expression texts
//   variables.cpp         GetValue / PutValue and declarations
//   error_reporter.cpp    the one way every run-time error is raised

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/builtin_library.h"
#include "engine/declaration.h"
#include "engine/engine_run_context.h"
#include "engine/host.h"
#include "engine/program.h"
#include "engine/scope.h"
#include "engine/slot_hint.h"
#include "engine/script_log.h"
#include "platform/platform.h"

namespace kova {

struct CallForm;

// The binding mark of each parameter of one call (calls.cpp). Calls with up
// to kInline parameters keep them without a heap block.
class ParamMarks {
 public:
  explicit ParamMarks(size_t n) : size_(n) {
    if (n > kInline) more_.assign(n, 0);
  }
  int& operator[](size_t k) { return size_ > kInline ? more_[k] : inline_[k]; }
  int operator[](size_t k) const { return size_ > kInline ? more_[k] : inline_[k]; }
  size_t size() const { return size_; }

 private:
  static constexpr size_t kInline = 8;
  size_t size_;
  int inline_[kInline] = {};
  std::vector<int> more_;
};
struct CompiledStatement;
struct CompiledTarget;
struct ExprNode;
struct ParsedExpression;
struct PrerunCheckState;

class TUScript {
 public:
  TUScript(Platform& platform, EngineHost& host);
  ~TUScript();
  TUScript(const TUScript&) = delete;
  TUScript& operator=(const TUScript&) = delete;

  Platform& platform() { return platform_; }
  EngineHost& host() { return host_; }
  // The narrow view of this engine that automation code works with
  // (engine/run_context.h).
  RunContext& runContext() { return runContext_; }

  // --- Preparation (script_preparer.cpp, block_check.cpp) ----------------
  // Builds the prepared program from the assembled line list. Immediate
  // errors go to the error reporter (stop flag set); deferred ones are left
  // as error-marker statements. Returns false when the stop flag is set.
  bool prepare(const std::vector<u16>& lines);
  // The second pass of preparation: kinds of keyword statements and block
  // partner offsets.
  void checkBlocks();
  // True when the FINALLY statement at `index` is followed, inside its own
  // part, by an EXIT, or a BREAK/CONTINUE that would leave the part.
  bool finallyHasJump(int index) const;
  // True when some statement holds an error marker.
  bool hasErrorMarker() const;

  // --- Pre-run check (prerun_check*.cpp) -------------------------------------
  // Walks every function of the prepared program once before a changed
  // script runs: the first error left by preparation, then every statement
  // statically (loop-bound BREAK/CONTINUE, WITH pairs, assignment forms,
  // declarations and references, calls and their arguments). The first
  // fault is reported (stop flag set). Returns false when it found one.
  // `checkingMode` is set while it runs.
  bool checkProgram();
  // The statement walk of one function in its check scope.
  void checkFunction(THensuFmt& scope);
  // Checking-mode evaluation: names are resolved against the check scope,
  // calls are checked, nothing runs. Empty when the text failed.
  std::optional<Value> checkExpression(u16v text, THensuFmt& scope);
  // Checks a call text (closing parenthesis, the function it names, its
  // arguments and their number). False after a reported fault.
  bool checkCall(u16v callText, THensuFmt& scope, bool threadFlag, bool callFlag);
  // Checking-mode hooks of the evaluator: an identifier (bare name, upper
  // case) and a dotted word (module member or COM member chain). False
  // after a reported fault.
  bool checkReference(const u16& name, bool hasIndexes, size_t indexCount, THensuFmt& scope);
  bool checkDotted(u16v text, THensuFmt& scope);
  // Set by the check for statements inside a TRY part: faults the run
  // raises as catchable errors (failed evaluations, undefined names,
  // unknown functions) are left to the TRY there, not reported.
  bool checkLeavesFailuresToTry = false;
  // When not empty, the error reporter shows this text as the location
  // instead of the statement's (call checks show the checked function).
  u16 reportLocation;

  // --- Execution (executor.cpp) -------------------------------------------
  // Compiles every statement of the prepared program (compiled_statement.cpp):
  // kinds of plain statements, header parameters, expression trees and call
  // forms. Done once per preparation, before the first run; afterwards a run
  // changes nothing of the program but the DEF_DLL table.
  void compileProgram();
  void run(const u16& entry, const std::vector<u16>& params);
  // Runs one call from its header to its FEND in a fresh scope. `args` are
  // the argument values; `callFlag` marks the main procedure or a CALL of a
  // script file (the arguments become PARAM_STR). Returns false when the
  // call could not start.
  // `form` is the call site the arguments come from, when there is one.
  bool runProcedure(const u16& name, int headerLine, Value& result, THensuFmt* caller,
                    const std::vector<u16>& argTexts, std::span<const Value> args, bool callFlag,
                    int kind, const u16& moduleName, const CallForm* form = nullptr);
  // Runs the statement at the scope's offset, first ending the blocks the
  // offset has reached the end of and taking pending BREAK and CONTINUE
  // jumps of loops this statement loop owns. False when the statement
  // loop must stop: the scope exits, the run stops, the offset reached
  // `end`, or a jump belongs to an outer statement loop.
  bool runStatement(THensuFmt& scope, int32_t end);
  void pumpMessages(int n);
  void waitPumping(int n);
  void endRun();

  // --- Calls (calls.cpp) -----------------------------------------------------
  void callByText(u16v text, THensuFmt& caller, Value& result, bool threadFlag, bool callFlag);
  // The same for a call text split before.
  void callForm(const CallForm& call, THensuFmt& caller, Value& result, bool threadFlag, bool callFlag);
  std::unique_ptr<CallForm> compileCall(u16v text);
  int findFunction(u16v name, THensuFmt& caller, u16& moduleName, bool callFlag, int& kind) const;

  // --- Expressions (expression.cpp) -----------------------------------------
  // Evaluates an expression text. Empty when the evaluation failed; the
  // failure has been reported (the caller then skips the rest of its
  // statement). `wantShortCircuit` is passed for conditions; it takes
  // effect under OPTION SHORTCIRCUIT.
  std::optional<Value> evaluate(u16v text, THensuFmt& scope, bool wantShortCircuit = false);
  // The same for a text parsed before (the tree `evaluate` would parse).
  std::optional<Value> evaluateParsed(const ParsedExpression& tree, THensuFmt& scope, bool wantShortCircuit = false);
  // The right side of "X = X + a + ..." (CompiledStatement::appendsToTarget),
  // which may append to X's text in place; the caller then stores the result
  // in X as any assignment does.
  std::optional<Value> evaluateAppending(const ParsedExpression& tree, THensuFmt& scope, const CompiledTarget& target);
  // The one slot of the scalar variable a plain target names (local, else
  // global by the module rules); null when it names no scalar variable.
  Value* appendableSlot(const CompiledTarget& target, THensuFmt& scope);
  // A condition's truth: not equal to 0 by the comparison rules.
  bool isTrue(const Value& v);
  // The value of a number expression over local numbers (ParsedExpression::
  // numberShape) as evaluateParsed gives it; false when it needs the
  // general path. Has no effects.
  bool numberValue(const ParsedExpression& tree, THensuFmt& scope, Value& out);
  // True with `out` set when the name of Identifier node `n` (without
  // indexes) reads as a fixed named constant wherever it is evaluated: it is
  // one (isFixedConstant), and no parameter of the program has that name
  // (reserved names can be no other variable or table). Remembered in the
  // node once the program runs.
  bool fixedConstant(const ExprNode& n, double& out);
  // The truth of a number condition over local numbers, computed without
  // making its value; false when the condition needs the general path.
  bool numberCondition(const ParsedExpression& tree, THensuFmt& scope, bool& truth);
  // A block's condition (IFB, WHILE, UNTIL): its truth, by the number path
  // or the general evaluator; false when the evaluation failed or a TRY
  // took an error from it (the scope's offset moved).
  bool conditionHolds(const ParsedExpression& tree, THensuFmt& scope, bool& truth) {
    return numberCondition(tree, scope, truth) || generalCondition(tree, scope, truth);
  }
  // The same by the general evaluator.
  bool generalCondition(const ParsedExpression& tree, THensuFmt& scope, bool& truth);
  // Set by the byte functions (COPYB, CHRB): narrow strings produced since
  // the current evaluation began are not added as numbers.
  // Evaluation state. Atomic, so that threads sharing the engine never race
  // on it; THREAD workers will keep their own.
  std::atomic<bool> byteResultProduced{false};
  std::atomic<int> evaluationDepth{0};
  // COM member access "obj.Member" inside an expression. Returns false when
  // it failed (the failure has been reported).
  bool memberAccess(u16v text, THensuFmt& scope, Value& out);

  // --- Variables (variables.cpp) -------------------------------------------
  // The lookup behind localVariable when the hint does not know the scope.
  Variable* localVariableByName(const u16& name, THensuFmt& scope, const SlotHint* hint);
  // The read path: "NAME", "NAME[i]", "NAME[i][j]", "NAME[i, j]"; index
  // texts are evaluated.
  Value getValue(u16v name, THensuFmt& scope);
  // The variable (scalar or declared array) an upper-cased name denotes: a
  // local one of `scope`, else a global one by the module rules; null when
  // none (the built-ins that take an array by name start here).
  // The caller holds lockShared() while it uses the variable.
  Variable* variableNamed(const u16& upperName, THensuFmt& scope) { return findVariable(upperName, scope); }
  // The hash table an upper-cased name denotes in `scope` (local, else
  // global by the module rules); null when none. The caller holds
  // lockShared() while it uses the table.
  std::shared_ptr<TSZHash> hashTableNamed(const u16& upperName, THensuFmt& scope);
  // The one slot of the local scalar variable `name` (upper-cased) of
  // `scope`, or null when the scope has no such local (or is the global
  // scope). Reading or writing it is what getValueIndexed and
  // putValueIndexed do for that name; `hint` as for getValueIndexed.
  Value* localScalar(const u16& name, THensuFmt& scope, const SlotHint* hint) {
    Variable* v = localVariable(name, scope, hint);
    return v && v->bounds.empty() ? v->slots.singleSlot() : nullptr;
  }
  // The local variable (scalar or declared array) `name` of `scope`, or
  // null (also for the global scope).
  Variable* localVariable(const u16& name, THensuFmt& scope, const SlotHint* hint) {
    // A statement run again in the same call finds the name where it was.
    const int known = hint ? hint->indexFor(scope.serial, scope.layoutKey, scope.layoutCount) : -1;
    if (known >= 0 && known < scope.variables.size()) return &scope.variables.value(known);
    return localVariableByName(name, scope, hint);
  }
  // The read path with the name already split and the indexes evaluated.
  // `hint`, when given, remembers where a local variable of that name was
  // found, so that a statement run again skips the name lookup.
  Value getValueIndexed(const u16& bareName, bool hasIndexes, IndexList indexes, THensuFmt& scope,
                        const SlotHint* hint = nullptr);
  // The write path. `initialiser` is set for the value lists of DIM and
  // PUBLIC; `mustExist` refuses the implicit declaration of a new name.
  void putValue(u16v name, const Value& value, THensuFmt& scope, bool initialiser = false, bool mustExist = false);
  // `value` is taken by value: a caller handing over a temporary moves it
  // into the variable instead of copying a long text or array.
  void putValueIndexed(const u16& bareName, bool hasIndexes, IndexList indexes, Value value,
                       THensuFmt& scope, bool initialiser = false, bool mustExist = false,
                       const SlotHint* hint = nullptr);
  // An element of a variant array value; empty when an index is outside.
  std::optional<Value> arrayElement(const Value& array, IndexList indexes);
  // DIM of a comma-separated item list in `scope`.
  void declareLocal(THensuFmt& scope, u16v list);
  // The same for the items of a DIM statement split before the run.
  void declareLocal(THensuFmt& scope, const std::vector<DeclItem>& items);
  // Declarations made while preparing; each returns an error message, or an
  // empty text on success.
  u16 declarePublic(u16v item, bool isPublic);
  u16 declareConst(u16v text);
  u16 declareHashtbl(u16v name);
  // --- Hash tables (hash_tables.cpp) ------------------------------------------
  // The HASHTBL statement: declares (or empties) the listed tables in
  // `scope`, in the global scope at the top level of a script file.
  void declareHashtables(THensuFmt& scope, u16v list);
  void declareHashtables(THensuFmt& scope, const std::vector<HashItem>& items);
  // The read path's hash-table step for `name[indexes]`: h[key],
  // h[i, HASH_KEY], h[i, HASH_VAL], h[key, HASH_EXISTS], h[key, HASH_REMOVE].
  // A fault is not reported but returned in `failure` (the caller reports
  // it once it no longer holds the shared-state lock).
  Value readHashTable(TSZHash& table, const u16& name, IndexList indexes, u16& failure);
  bool isGlobalName(u16v name) const;
  // The reserved-word message for `name`, or an empty text.
  u16 checkReserved(const u16& name) const;
  // Evaluates in the global scope for a declaration made while preparing:
  // an error is not shown but returned in `error` (it becomes the text of
  // an error-marker statement).
  std::optional<Value> evaluateCapturingErrors(u16v expression, u16& error);
  // True when `text` names a module member ("MOD.F", "THIS.F", "GLOBAL.F"),
  // which is never COM member access.
  bool isModuleQualified(u16v text, const THensuFmt& scope) const;
  // Per global variable: declared with PUBLIC (rather than module-level DIM).
  std::vector<bool> publicFlags;

  // --- Errors (error_reporter.cpp, location.cpp) ----------------------------
  void report(const u16& message, THensuFmt* scope, bool force = false, bool catchable = true);
  // The lighter form for notices (a failed file save): shown in a plain
  // message box; the run goes on unless the scope has open TRY frames.
  void warn(const u16& message, THensuFmt* scope);
  // Hands a reported error to the scope's open TRY blocks. True when a TRY
  // took it (FINALLY parts ran or control moved to an EXCEPT part).
  bool handOverToTry(THensuFmt& scope, bool catchable);

  // --- Script log (script_log.cpp, error_reporter.cpp) ------------------------
  void logLine(const u16& text);
  // Writes the log to its file when lines are pending.
  void flushLog();
  u16 logPath();
  ScriptLog log;
  u16 lineLocation(const THensuFmt* scope) const;
  u16 locationOfLine(int index) const;
  u16 expandEscapes(u16v text) const;

  // --- State -------------------------------------------------------------
  PreparedProgram program;

  // --- Shared state --------------------------------------------------------
  // The global scope (PUBLIC variables, module variables, global hash
  // tables) and the DEF_DLL declarations that running DEF_DLL statements
  // store are what THREAD workers share with the main run and change while
  // it runs. Every read and write of them goes through lockShared(): the
  // variable paths, the hash-table paths, the argument binding and the
  // array built-ins take it for the length of one access. The lock is
  // recursive. The engine's own paths report errors only after releasing it,
  // so a worker that hands an error to the main thread never holds it.
  std::unique_lock<std::recursive_mutex> lockShared() const { return std::unique_lock(sharedMutex_); }
  // The global scope as the scope an expression is evaluated in (while
  // preparing, for /eval, in tests). Its variables are reached through the
  // variable paths, which take the lock; code that reads its lists directly
  // holds lockShared().
  THensuFmt& globalScope() { return globals_; }
  // True when `scope` is the global scope.
  bool isGlobalScope(const THensuFmt& scope) const { return &scope == &globals_; }
  // Stores the declaration of a running DEF_DLL statement; true when a
  // declaration of `name` exists (stored by preparation or by a statement).
  void storeDllDeclaration(const u16& name, const u16& rest);
  bool hasDllDeclaration(u16v name) const;

  // The engine's flags: read by every statement and written from any thread
  // (the stop form, hotkeys, workers), so all are atomic.
  std::atomic<bool> stopFlag{false};       // set by the error reporter
  std::atomic<int32_t> stopRequest{0};     // raised by stop hotkey, stop form, EXITEXIT, end of run
  std::atomic<bool> endedByScript{false};  // set by EXITEXIT
  std::atomic<bool> errorOccurred{false};  // a run stopped on an error (for the exit code)
  std::atomic<bool> checkingMode{false};   // set by the pre-run check
  std::atomic<bool> comErrorIgnore{false};
  std::atomic<bool> comErrorOccurred{false};
  std::atomic<int> suppressErrors{0};
  // While set, the error reporter stores the first message here instead of
  // handling it (declarations evaluated during preparation).
  u16* capturedError = nullptr;
  std::optional<int32_t> exitCode;   // set by EXITEXIT
  std::atomic<uint64_t> mainThreadId{0};
  // Statement whose location is shown for errors raised while no procedure
  // is running (set by preparation); -1 for none.
  int fixedLocationLine = -1;
  // Keys and buttons the script holds down: "<what>,<n>" (released by endRun).
  std::vector<u16> heldInputs;
  // Mouse buttons seen down by pumpMessages on the main thread since
  // GETKEYSTATE last asked (bit 1 left, 2 right, 4 middle).
  std::atomic<uint32_t> stickyButtons{0};
  // State a higher layer keeps for the length of one run (the automation
  // layer's window ID table and search state). endRun drops it.
  struct RunState {
    virtual ~RunState() = default;
  };
  std::unique_ptr<RunState> automationState;
  // The file built-ins' table of open files (builtins/file_table.h); endRun
  // drops it, which closes every file the script left open.
  std::unique_ptr<RunState> fileState;
  // Guard against runaway recursion: script calls nest as native calls, so
  // a run records where its thread's stack starts and every call checks that
  // no more than half of the thread's stack is in use.
  void markStackBase();
  bool stackExhausted() const;

  // The built-in function library (set by the program that hosts the engine).
  BuiltinLibrary* builtins = nullptr;
  // The start (tick count) of the statement whose built-in call is running
  // (THensuFmt's statement clock); statementElapsedMs measures from it.
  std::atomic<uint32_t> builtinStatementStart{0};
  // Milliseconds spent on the statement of the running built-in call,
  // 0..999: the delay of the input built-ins counts from its start.
  int32_t statementElapsedMs();
  // Starts `scope`'s statement clock unless its current statement has one.
  void startStatementClock(THensuFmt& scope) {
    if (scope.statementsRun != 0 && scope.clockedStatement == scope.statementsRun) return;
    scope.clockedStatement = scope.statementsRun;
    scope.statementStart = platform_.coarseTickCount();
  }

  // SET8087CW (util/fp_control.h): the saved control word. While set, the
  // evaluator loads it again before rounding a result whenever the current
  // control differs. endRun restores the control the run found and clears it.
  std::optional<uint16_t> savedFpControlWord;
  std::optional<uint16_t> fpControlBeforeRun;

  // Ends the run from inside a built-in (POFF): under OPTION OPTFINALLY the
  // scope's open FINALLY parts run first; then the stop flag is set, the
  // error-suppression counter becomes 1 and the scope is marked to leave.
  // Nothing is reported; the run's exit code stays as it was.
  void leaveRun(THensuFmt& scope);

  Value trueValue = Value::boolean(1);
  Value falseValue = Value::boolean(0);

 private:
  friend class ScriptPreparer;
  // The pre-run check's state (loop and TRY depth, the checked function);
  // null outside checkProgram.
  PrerunCheckState* checkState_ = nullptr;
  // Matches a call's arguments with a user function's header parameters.
  bool checkArity(int headerLine, const u16& calledName, const u16& calledModule, size_t argumentCount,
                  THensuFmt& scope);
  void runKind(int32_t kind, const u16& text, THensuFmt& scope);
  // Statements whose handlers belong to later stages of the engine (block
  // statements, COM, THREAD, DIM, HASHTBL, WITH).
  void runControl(int32_t kind, THensuFmt& scope);
  void cacheHeaderParams(int headerLine);
  // Binds a call's arguments to the header's parameters in the new scope;
  // returns the binding mark of each parameter. `ok` is false when the call
  // must not run (the failure has been reported).
  // `header` is the compiled header statement (after cacheHeaderParams);
  // `form` (may be null) supplies the upper-cased argument texts.
  ParamMarks bindParameters(int headerLine, const CompiledStatement& header, THensuFmt& scope, THensuFmt* caller,
                            const std::vector<u16>& argTexts, std::span<const Value> args, const CallForm* form,
                            bool& ok);
  // Copies VAR parameters back to the caller's variables, arrays and hash
  // tables. `form` (may be null) supplies the upper-cased argument texts and
  // remembers where plain names were found in the caller.
  void writeBackParameters(int headerLine, const CompiledStatement& header, THensuFmt& scope, THensuFmt& caller,
                           const std::vector<u16>& argTexts, const ParamMarks& marks, const CallForm* form);
  // VAR array parameters bound to a caller's local: lends the caller's
  // slots to the call where no one can see the difference, and gives them
  // back when the write-back is skipped (calls.cpp).
  void lendArrays(THensuFmt& scope, THensuFmt& caller, ParamMarks& marks, const std::vector<u16>& names);
  void returnLentArrays(THensuFmt& scope, THensuFmt& caller, const ParamMarks& marks, const std::vector<u16>& names);
  // The caller holds lockShared() while it uses a table or variable that
  // may be a global one.
  std::shared_ptr<TSZHash> hashTableNamed(const u16& name, std::span<const u16> candidates, THensuFmt& scope);
  // A local variable of `scope`, else the global it names (module rules).
  Variable* findVariable(const u16& upperName, THensuFmt& scope);
  void classifyAndRun(const u16& text, THensuFmt& scope);
  // Control flow (control_flow.cpp).
  void unwindTries(THensuFmt& scope);
  // TRY, FINALLY, EXCEPT, WITH, ENDWITH: `statement` is the compiled TRY or
  // WITH (unused for the others).
  void runTry(THensuFmt& scope, int32_t kind, const CompiledStatement& statement);
  void runWith(THensuFmt& scope, int32_t kind, const CompiledStatement& statement);
  bool catchError(THensuFmt& scope);
  void finallyForBreak(THensuFmt& scope);
  // Closes the TRY and WITH blocks a BREAK or CONTINUE leaves on its way
  // to the end of the loop from `loopStart` to `loopEnd`.
  void closeSkipped(THensuFmt& scope, int32_t loopStart, int32_t loopEnd);
  // Runs statements of `scope` from `from` up to (not including) `end`,
  // stopping early on a caught error, exit, break, continue or engine error.
  void runPart(THensuFmt& scope, int32_t from, int32_t end);
  void runExitExit(const CompiledStatement& statement, THensuFmt& scope);
  std::shared_ptr<const ParsedExpression> parsed(u16v expression);
  // Compiled statements (compiled_statement.cpp): the entry of the statement
  // at `line`, made by compileProgram.
  const CompiledStatement& compiledStatement(int line) {
    const size_t i = static_cast<size_t>(line);
    if (i < compiled_.size() && compiled_[i]) [[likely]]
      return *compiled_[i];
    return compiledStatementOutsideProgram(line);
  }
  const CompiledStatement& compiledStatementOutsideProgram(int line);
  // Makes the entry of the statement at `line` for `kind` (while compiling).
  CompiledStatement& compiledStatement(int line, int32_t kind);
  // The compiled header of the procedure whose header is at `line`.
  const CompiledStatement& headerStatement(int line);
  // Statement count of the procedure whose header is at `line`: up to (not
  // including) the first FEND, or to the program's end.
  int procedureLengthAt(int line) const;
  // Reads and writes a compiled target as getValue and putValue read and
  // write its text.
  Value getTarget(const CompiledTarget& target, THensuFmt& scope);
  // The slot of a target element "A[i]" (up to three number indexes) of a
  // local declared array with as many dimensions, every index within its
  // bound; null when the general write path must decide.
  Value* localElement(const CompiledTarget& target, THensuFmt& scope);
  void putTarget(const CompiledTarget& target, Value value, THensuFmt& scope);
  // Block frames (control_flow.cpp). An opening statement of kind IFB,
  // SELECT, FOR, WHILE or REPEAT: pushes its frame where it has a body to
  // run and places the offset on the statement to run next.
  void enterBlock(int32_t kind, THensuFmt& scope);
  void enterIf(THensuFmt& scope, const CompiledStatement& statement);
  void enterSelect(THensuFmt& scope, const CompiledStatement& statement);
  void enterFor(THensuFmt& scope, const CompiledStatement& statement);
  void enterWhile(THensuFmt& scope, const CompiledStatement& statement);
  void enterRepeat(THensuFmt& scope, const CompiledStatement& statement);
  // FOR's test against its limit, for the frame at `index`.
  void testFor(THensuFmt& scope, uint32_t index);
  // The innermost frame is a loop whose closing statement was reached (or
  // a CONTINUE, `continued`): steps, tests, and goes on or leaves it.
  void nextIteration(THensuFmt& scope, bool continued);
  // Ends the blocks of this statement loop that the offset finished or
  // left; false when the scope exits or the run stops meanwhile.
  bool leaveFinishedBlocks(THensuFmt& scope);
  // Takes pending BREAK and CONTINUE counts on the loops of this statement
  // loop; false when some are left for an outer one, or the scope exits.
  bool takeLoopJumps(THensuFmt& scope);

  struct TextHash {
    using is_transparent = void;
    size_t operator()(u16v s) const { return std::hash<u16v>{}(s); }
  };
  std::unordered_map<u16, std::shared_ptr<const ParsedExpression>, TextHash, std::equal_to<>> expressionCache_;
  static constexpr size_t kExpressionCacheLimit = 100000;
  // By statement index; emptied whenever the prepared program is.
  std::vector<std::unique_ptr<CompiledStatement>> compiled_;
  // The program generation compiled_ was made for (0: none).
  uint32_t compiledGeneration_ = 0;
  // Serialises the rare compilation after compileProgram (a header entry of
  // a function index that points at no header) and the cache of expression
  // texts met at run time.
  // Every parameter name of the program's procedures, upper-cased (made by
  // compileProgram): a parameter is the one variable that may have a
  // constant's name.
  std::unordered_set<u16, TextHash, std::equal_to<>> parameterNames_;
  std::mutex compileMutex_;
  // See lockShared().
  mutable std::recursive_mutex sharedMutex_;
  THensuFmt globals_;
  NameList<u16> runDllDeclarations_;
  std::mutex expressionCacheMutex_;
  long long lastLogMinute_ = -1;
  // The serial number of the last procedure call's scope.
  std::atomic<uint64_t> scopeSerial_{0};

  Platform& platform_;
  EngineHost& host_;
  EngineRunContext runContext_{*this};
};

}  // namespace kova
