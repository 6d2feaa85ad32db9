#pragma once
// One call of a built-in function as its family sees it: the prepared
// arguments in their three forms (text, Double, 64-bit integer), the first
// two also as script values, raw texts at by-reference positions, and the
// result. Families reach the engine only through `engine` (TUScript's
// public interface) and `scope`.

#include <array>
#include <cstdint>

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
  // At a by-reference position: the text parsed as an expression, for a
  // built-in that evaluates it when it names no variable.
  const ParsedExpression* tree = nullptr;
};

struct BuiltinCall {
  BuiltinCall(TUScript& e, THensuFmt& s, int n) : engine(e), scope(s), id(n) {}

  TUScript& engine;
  THensuFmt& scope;
  const int id;  // the built-in's number
  std::array<BuiltinArg, kMaxBuiltinArguments + 1> args{};
  std::array<Value, 2> values{};  // arguments 0 and 1 as evaluated
  int count = 0;                  // arguments given
  // Preset to the empty narrow string: a case that sets nothing returns "".
  Value result = Value::narrow({});

  bool has(int i) const { return i < count; }
  // The argument's forms; an omitted argument reads as empty text and 0.
  const u16& str(int i) const {
    const BuiltinArg& a = args[static_cast<size_t>(i)];
    if (a.textPending) {
      a.text = toU16(a.integer);
      a.textPending = false;
    }
    return a.text;
  }
  double num(int i) const { return args[i].number; }
  long long integer(int i) const { return args[i].integer; }
  const Value& value(int i) const { return values[i]; }
  // Evaluates the by-reference argument i as an expression.
  std::optional<Value> evaluateRaw(int i) const;

  // Reports an error of this call (catchable unless said otherwise).
  void fail(const u16& message, bool catchable = true) { engine.report(message, &scope, false, catchable); }
  // Reports that this built-in cannot run in this build or not yet.
  void unavailable();
};

using BuiltinFn = void (*)(BuiltinCall&);

// The text form every built-in gets of a value: Booleans as their integer
// ("1"), Null as "", a COM object as its address, an error as "ERROR",
// narrow text decoded from the Japanese code page.
u16 builtinTextForm(const Value& v);

// The handlers of all built-ins, indexed by number. Each family fills the
// rows of its functions in its register function.
class BuiltinHandlers {
 public:
  BuiltinHandlers();
  // Sets the handler of the built-in named `name`; the name must exist.
  void set(const char16_t* name, BuiltinFn fn);
  BuiltinFn get(int number) const { return handlers_[static_cast<size_t>(number)]; }

 private:
  std::array<BuiltinFn, kBuiltinCount> handlers_{};
};

}  // namespace kova
