#include "builtins/dispatcher.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "builtins/builtin_messages.h"
#include "engine/messages.h"
#include "engine/run_messages.h"

namespace kova {

namespace {

constexpr Msg kDefinitionWrong{u"%s: 定義が間違っています", u"Definition is wrong: %s"};
constexpr Msg kTooManyArguments{u"Error: 関数への引数が多すぎます", u"Error: There are too many arguments to the Function"};

}  // namespace

// The text form of an argument value.
u16 builtinTextForm(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Boolean: return toU16(v.intValue());
    case ValueKind::Null: return {};
    case ValueKind::Dispatch:
      return toU16(static_cast<long long>(reinterpret_cast<uintptr_t>(v.comObject().get())));
    case ValueKind::Error: return u"ERROR";
    default: return v.toText();
  }
}

int BuiltinDispatcher::find(u16v name) const { return findBuiltin(name); }

int BuiltinDispatcher::minimumArguments(int number) const { return kBuiltins[static_cast<size_t>(number)].minimumArguments; }

bool BuiltinDispatcher::isRawPosition(int number, int position) const {
  return position < 64 && (kBuiltins[static_cast<size_t>(number)].rawPositions & kPos(position)) != 0;
}

size_t builtinArgumentCount(const CallForm& call) {
  if (call.noArguments) return 0;
  size_t n = call.argTexts.size();
  if (n > 1 && call.argTexts.back().empty()) --n;
  return n;
}

namespace {

// Sets the number forms of `arg` from its text form.
void readNumber(BuiltinArg& arg) {
  double d = 0;
  if (!parseNumber(arg.textForm(), d)) return;
  arg.numeric = true;
  arg.number = d;
  arg.integer = std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<long long>(d) : 0;
}

// Sets every form of `arg` from an evaluated value. A whole number reads
// as itself, its text made later if asked for; any other value goes through
// its text form, as a built-in has always seen it (a Double with a
// fraction as its 15 significant digits).
void setForms(BuiltinArg& arg, const Value& v) {
  long long whole = 0;
  switch (v.kind()) {
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte:
    case ValueKind::Word:
    case ValueKind::Boolean:
      whole = v.intValue();
      break;
    case ValueKind::Double:
    case ValueKind::Date: {
      const double d = v.doubleValue();
      if (d != std::trunc(d) || !(std::fabs(d) < 1e15)) return (arg.text = builtinTextForm(v), readNumber(arg));
      whole = static_cast<long long>(d);  // -0 reads as 0, as its text "0" does
      break;
    }
    case ValueKind::WideString:
      arg.sharedText = v;  // shares the body: the text form is the text itself
      return readNumber(arg);
    default:
      arg.text = builtinTextForm(v);
      return readNumber(arg);
  }
  arg.numeric = true;
  arg.number = static_cast<double>(whole);
  arg.integer = whole;
  arg.textPending = true;
}

// ArgumentRule::Numbers: up to three arguments, each evaluated and read as
// a number. False after a reported failure.
bool prepareNumbers(BuiltinCall& call, const CallForm& form) {
  const size_t given = std::min<size_t>(builtinArgumentCount(form), 3);
  for (size_t k = 0; k < given; ++k) {
    std::optional<Value> v = call.evaluateTree(*form.argTrees[k]);
    if (!v) return false;
    BuiltinArg& arg = call.args[k];
    if (!v->toNumber(arg.number)) {
      call.fail(text(kNotNumber, v->toText()));
      return false;
    }
    arg.numeric = true;
    call.count = static_cast<int>(k) + 1;
  }
  return true;
}

// Every other rule: each argument in its forms. False when the call must
// not run (a failure has been reported, or the run is stopping).
bool prepareForms(BuiltinCall& call, const BuiltinInfo& info, const CallForm& form) {
  const size_t given = builtinArgumentCount(form);
  const int limit =
      given > static_cast<size_t>(kMaxBuiltinArguments) && u16v(info.name) == u"SCKEY"
          ? kMaxSckeyArguments
          : kMaxBuiltinArguments;
  for (size_t k = 0; k < given; ++k) {
    const int position = static_cast<int>(k);
    if (position >= limit) {
      call.fail(text(kTooManyArguments), false);
      return false;
    }
    const u16& argument = form.argTexts[k];
    BuiltinArg& arg = call.args[k];
    if ((info.rawPositions & kPos(position)) != 0) {
      arg.text = argument;
      arg.tree = form.argTrees[k].get();
      readNumber(arg);
    } else {
      const bool bareKey = info.rule == ArgumentRule::BareKeyNames && position >= 1 && argument.size() == 1;
      const bool valueOnly = info.rule == ArgumentRule::ValueAt0 && position == 0;
      const u16 keyName = bareKey ? u"VK_" + upperFull(argument) : u16();
      std::optional<Value> value = bareKey ? call.evaluate(keyName) : call.evaluateTree(*form.argTrees[k]);
      if (!value) return false;
      if (!valueOnly) setForms(arg, *value);
      if (position < 2) call.values[k] = std::move(*value);
      const bool allowed = arg.numeric || (info.textPositions & kPos(position)) != 0 ||
                           (info.rule == ArgumentRule::EmptyTextAt2 && position == 2 && arg.textForm().empty()) ||
                           valueOnly;
      if (!allowed) {
        call.fail(text(kDefinitionWrong, bareKey ? keyName : argument));
        return false;
      }
    }
    call.count = position + 1;
    if (call.suppressingErrors() || call.stopped()) return false;
  }
  return true;
}

// Prepares the arguments of `call` by its row's rule and runs the handler.
void run(const BuiltinInfo& info, BuiltinCall& call, const CallForm& form, Value& result) {
  if (!(info.rule == ArgumentRule::Numbers ? prepareNumbers(call, form) : prepareForms(call, info, form)))
    return;
  try {
    info.handler(call);
  } catch (const TextTooLong& ex) {
    // A result grown too long is the script's fault: a run-time error
    // like any other, which a TRY may catch.
    call.fail(fromUtf8(ex.what()));
    return;
  } catch (const std::exception& ex) {
    call.fail(u"SyntaxError-20:" + fromUtf8(ex.what()), false);
    return;
  }
  result = std::move(call.result);
}

}  // namespace

void BuiltinDispatcher::call(TUScript& engine, int number, const CallForm& form, Value& result,
                             THensuFmt& scope) {
  result = Value::narrow({});
  const BuiltinInfo& info = kBuiltins[static_cast<size_t>(number)];
  // Room for the arguments the rule prepares, no more: most calls pass a
  // few, and setting up room for all 34 would cost more than many a
  // built-in's work.
  if (info.rule == ArgumentRule::Numbers) {
    std::array<BuiltinArg, 3> room;
    BuiltinCall call(engine, scope, number, room);
    return run(info, call, form, result);
  }
  if (builtinArgumentCount(form) <= 4) {
    std::array<BuiltinArg, 4> room;
    BuiltinCall call(engine, scope, number, room);
    return run(info, call, form, result);
  }
  std::array<BuiltinArg, kMaxBuiltinArguments + 1> room;
  BuiltinCall call(engine, scope, number, room);
  run(info, call, form, result);
}

BuiltinDispatcher& builtinLibrary() {
  static BuiltinDispatcher library;
  return library;
}

}  // namespace kova
