#include "builtins/dispatcher.h"

#include <cmath>
#include <exception>

#include "builtins/families.h"
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

namespace {

void unavailableHandler(BuiltinCall& call) { call.unavailable(); }

}  // namespace

std::optional<Value> BuiltinCall::evaluateRaw(int i) const {
  const BuiltinArg& a = args[static_cast<size_t>(i)];
  return a.tree ? engine.evaluateParsed(*a.tree, scope) : engine.evaluate(str(i), scope);
}

void BuiltinCall::unavailable() { fail(kova::text(rm::kNotAvailableYet, kBuiltins[static_cast<size_t>(id)].name)); }

BuiltinHandlers::BuiltinHandlers() { handlers_.fill(&unavailableHandler); }

void BuiltinHandlers::set(const char16_t* name, BuiltinFn fn) {
  for (size_t i = 0; i < kBuiltins.size(); ++i) {
    if (u16v(kBuiltins[i].name) == u16v(name)) {
      handlers_[i] = fn;
      return;
    }
  }
  std::terminate();  // a family registered a name that is not in the catalogue
}

BuiltinDispatcher::BuiltinDispatcher() {
  for (size_t i = 0; i < kBuiltins.size(); ++i) names_.add(kBuiltins[i].name, static_cast<int>(i));
  registerNumericFunctions(handlers_);
  registerStringFunctions(handlers_);
  registerFileFunctions(handlers_);
  registerSystemFunctions(handlers_);
  registerDialogFunctions(handlers_);
  registerWindowFunctions(handlers_);
  registerInputFunctions(handlers_);
}

int BuiltinDispatcher::find(u16v name) const {
  const int i = names_.find(name);
  return i < 0 ? -1 : names_.value(i);
}

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
  if (!parseNumber(arg.text, d)) return;
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
    default:
      arg.text = builtinTextForm(v);
      return readNumber(arg);
  }
  arg.numeric = true;
  arg.number = static_cast<double>(whole);
  arg.integer = whole;
  arg.textPending = true;
}

}  // namespace

void BuiltinDispatcher::call(TUScript& engine, int number, const CallForm& form, Value& result, THensuFmt& scope) {
  result = Value::narrow({});
  if (isNumericBuiltin(number)) return callNumeric(engine, number, form, result, scope);
  const BuiltinInfo& info = kBuiltins[static_cast<size_t>(number)];
  BuiltinCall call(engine, scope, number);
  const size_t given = builtinArgumentCount(form);
  for (size_t k = 0; k < given; ++k) {
    const int position = static_cast<int>(k);
    if (position >= kMaxBuiltinArguments) {
      engine.report(text(kTooManyArguments), &scope, false, false);
      return;
    }
    const u16& argument = form.argTexts[k];
    BuiltinArg& arg = call.args[k];
    if (isRawPosition(number, position)) {
      arg.text = argument;
      arg.tree = form.argTrees[k].get();
      readNumber(arg);
    } else {
      // SCKEY's keys may be written as one bare character: "a" means VK_A.
      const bool bareKey = number == kSckey && position >= 1 && argument.size() == 1;
      const u16 keyName = bareKey ? u"VK_" + upperFull(argument) : u16();
      std::optional<Value> value =
          bareKey ? engine.evaluate(keyName, scope) : engine.evaluateParsed(*form.argTrees[k], scope);
      if (!value) return;
      if (!(number == kVartype && position == 0)) setForms(arg, *value);
      if (position < 2) call.values[k] = std::move(*value);
      const bool allowed = arg.numeric || (info.textPositions & kPos(position)) != 0 ||
                           (number == kClkitem && position == 2 && arg.text.empty()) ||
                           (number == kVartype && position == 0);
      if (!allowed) {
        engine.report(text(kDefinitionWrong, bareKey ? keyName : argument), &scope);
        return;
      }
    }
    call.count = position + 1;
    if (engine.suppressErrors > 0 || engine.stopFlag) return;
  }
  try {
    handlers_.get(number)(call);
  } catch (const TextTooLong& ex) {
    // A result grown too long is the script's fault: a run-time error
    // like any other, which a TRY may catch.
    engine.report(fromUtf8(ex.what()), &scope);
    return;
  } catch (const std::exception& ex) {
    engine.report(u"SyntaxError-20:" + fromUtf8(ex.what()), &scope, false, false);
    return;
  }
  result = std::move(call.result);
}

BuiltinDispatcher& builtinLibrary() {
  static BuiltinDispatcher library;
  return library;
}

}  // namespace kova
