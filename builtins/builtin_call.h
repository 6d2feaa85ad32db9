#pragma once
// One call of a built-in function as its family sees it: the prepared
// arguments in their three forms (text, Double, 64-bit integer), the first
// two also as script values, raw texts at by-reference positions, and the
// result. Beyond its arguments a built-in reaches the running script only
// through the named operations below (builtin_call.cpp), never through the
// engine's members: its variables by name, evaluation in the caller's
// scope, the error reporter, the stop state, the platform and the host.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "builtins/catalogue.h"
#include "engine/uxscr.h"

namespace kova {

struct BuiltinArg {
  double number = 0;  // Double form (0 when the text is not a number)
  long long integer = 0;  // the Double truncated toward zero
  bool numeric = false;   // the text read as a number
  // The text form (raw text at a by-reference position), read through
  // BuiltinCall::str. A whole number's text is made only when a built-in
  // asks for it: most take their numbers as numbers.
  mutable bool textPending = false;
  mutable u16 text;
  // A wide text argument keeps its value, whose body it shares: a long text
  // passed to COPY or POS is not copied. `text` is unused then.
  Value sharedText;
  // The text form, whichever place holds it (after a pending text was made).
  const u16& textForm() const { return sharedText.kind() == ValueKind::WideString ? sharedText.wide() : text; }
  // At a by-reference position: the text parsed as an expression, for a
  // built-in that evaluates it when it names no variable.
  const ParsedExpression* tree = nullptr;
};

// What an argument beyond the prepared ones reads as.
extern const u16 kOmittedArgumentText;

struct BuiltinCall {
  // `room` holds the arguments the dispatcher prepares (it outlives the
  // call); every argument beyond it reads as omitted.
  BuiltinCall(TUScript& engine, THensuFmt& scope, int number, std::span<BuiltinArg> room)
      : id(number), args(room), engine_(engine), scope_(scope) {}

  const int id;  // the built-in's number
  const std::span<BuiltinArg> args;
  std::array<Value, 2> values{};  // arguments 0 and 1 as evaluated
  int count = 0;                  // arguments given
  // Preset to the empty narrow string: a case that sets nothing returns "".
  Value result = Value::narrow({});

  // The built-in's catalogue name.
  const char16_t* name() const { return kBuiltins[static_cast<size_t>(id)].name; }

  // --- Arguments ------------------------------------------------------------
  bool has(int i) const { return i < count; }
  // The argument's forms; an omitted argument reads as empty text and 0.
  const u16& str(int i) const {
    if (static_cast<size_t>(i) >= args.size()) return kOmittedArgumentText;
    const BuiltinArg& a = args[static_cast<size_t>(i)];
    if (a.textPending) {
      a.text = toU16(a.integer);
      a.textPending = false;
    }
    return a.textForm();
  }
  double num(int i) const {
    return static_cast<size_t>(i) < args.size() ? args[static_cast<size_t>(i)].number : 0;
  }
  long long integer(int i) const {
    return static_cast<size_t>(i) < args.size() ? args[static_cast<size_t>(i)].integer : 0;
  }
  // Whether the argument's text read as a number.
  bool numeric(int i) const {
    return static_cast<size_t>(i) < args.size() && args[static_cast<size_t>(i)].numeric;
  }
  const Value& value(int i) const { return values[i]; }
  // Evaluates the by-reference argument i as an expression.
  std::optional<Value> evaluateRaw(int i);

  // --- Evaluation in the caller's scope -------------------------------------
  // Empty when the evaluation failed (the failure has been reported).
  std::optional<Value> evaluate(u16v text);
  std::optional<Value> evaluateTree(const ParsedExpression& tree);
  // The value of a named constant (VK_A, TRUE ...), kNoSuchConstant when
  // `upperName` names none.
  double namedConstant(const u16& upperName);

  // --- Variables by name ----------------------------------------------------
  // The variable (scalar or declared array) an upper-cased name denotes in
  // the caller's scope, local first; null when none. The engine's
  // shared-state lock is held from here to the end of the call, or to a
  // fail() or warn(), after which the pointer must not be used.
  Variable* variableNamed(const u16& upperName);
  // The hash table an upper-cased name denotes (local first, then global
  // with the module rules), or null.
  std::shared_ptr<TSZHash> hashTableNamed(const u16& upperName);
  // Writes a variable, array element or hash table element by its text, as
  // an assignment in the caller's scope would.
  void putVariable(u16v name, const Value& value);
  // Writes a global variable (the arrays some built-ins fill: GETDIR_FILES).
  void putGlobal(u16v name, const Value& value);

  // --- Errors -----------------------------------------------------------------
  // Reports an error of this call (catchable unless said otherwise).
  void fail(const u16& message, bool catchable = true);
  // Reports that this built-in cannot run in this build or not yet.
  void unavailable();
  // A notice (a file that could not be written): a plain message; the run
  // goes on unless a TRY is open.
  void warn(const u16& message);
  // A line in the script log that does not interrupt the run.
  void logNotice(const u16& message);

  // --- The run's state --------------------------------------------------------
  // The stop flag: an error stopped the run.
  bool stopped() const;
  // Errors are being suppressed (the run is ending).
  bool suppressingErrors() const;
  // A waiting built-in must stop waiting: the stop flag, a stop request, or
  // errors being suppressed.
  bool stopping() const;
  // Ends the run from inside the built-in (POFF); see TUScript::leaveRun.
  void leaveRun();
  // The script's OPTION settings.
  const ScriptOptions& options() const;
  // The values TRUE and FALSE stand for.
  const Value& trueValue() const;
  const Value& falseValue() const;
  Value truth(bool b) const { return b ? trueValue() : falseValue(); }
  // Marks the result as a byte-function result: the rest of the expression
  // does not add such narrow text as a number.
  void markByteResult();
  // The caller's time stamp (GETTIME; read by the G_TIME_ names).
  void setTimeStamp(double stamp);
  // SET8087CW: remembers, once per run, the control word the run found
  // (`found`, restored at the run's end) and keeps `word` as the run's own.
  void keepFpControlWord(uint16_t found, uint16_t word);
  // True on the thread that started the run (not a THREAD worker).
  bool onMainThread();
  // Handles pending window messages, `rounds` times.
  void pumpMessages(int rounds);
  // The text with the script's escape sequences (<#CR>, <#TAB> ...) expanded.
  u16 expandEscapes(u16v text) const;
  // The prepared text of the statement that made the call; empty outside
  // a statement.
  u16v statementText() const;

  // --- Per-run family state ----------------------------------------------------
  // The open-file table's slot; the run's end drops what it holds.
  std::unique_ptr<TUScript::RunState>& fileTableSlot();

  // --- The system -----------------------------------------------------------
  Platform& platform();
  EngineHost& host();

  // What the automation layer sees of the running script (the window and
  // input families hand it to automation/).
  RunContext& runContext();

 private:
  TUScript& engine_;
  THensuFmt& scope_;
  // Taken by variableNamed and hashTableNamed and held until the call ends,
  // so that a global variable or table a built-in works on is not changed by
  // a worker meanwhile; fail and warn release it before reporting.
  std::unique_lock<std::recursive_mutex> sharedHeld_;
};

// The text form every built-in gets of a value: Booleans as their integer
// ("1"), Null as "", a COM object as its address, an error as "ERROR",
// narrow text decoded from the Japanese code page.
u16 builtinTextForm(const Value& v);

}  // namespace kova
