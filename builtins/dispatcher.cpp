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

void BuiltinDispatcher::call(TUScript& engine, int number, u16v argumentText, Value& result, THensuFmt& scope) {
  result = Value::narrow({});
  if (isNumericBuiltin(number)) return callNumeric(engine, number, argumentText, result, scope);
  const BuiltinInfo& info = kBuiltins[static_cast<size_t>(number)];
  BuiltinCall call(engine, scope, number);
  u16 rest = trimCtl(argumentText);
  int position = 0;
  while (!rest.empty()) {
    if (position >= kMaxBuiltinArguments) {
      engine.report(text(kTooManyArguments), &scope, false, false);
      return;
    }
    const size_t comma = findTopLevel(rest, u",");
    u16 argument = trimCtl(u16v(rest).substr(0, comma));
    rest = comma == u16::npos ? u16() : trimCtl(u16v(rest).substr(comma + 1));
    BuiltinArg& arg = call.args[static_cast<size_t>(position)];
    if (isRawPosition(number, position)) {
      arg.text = argument;
    } else {
      if (number == kSckey && position >= 1 && argument.size() == 1) argument = u"VK_" + upperFull(argument);
      std::optional<Value> value = engine.evaluate(argument, scope);
      if (!value) return;
      if (position < 2) call.values[static_cast<size_t>(position)] = *value;
      if (!(number == kVartype && position == 0)) arg.text = builtinTextForm(*value);
      double d = 0;
      if (parseNumber(arg.text, d)) {
        arg.numeric = true;
        arg.number = d;
        arg.integer = std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<long long>(d) : 0;
      } else {
        const bool allowed = (info.textPositions & kPos(position)) != 0 ||
                             (number == kClkitem && position == 2 && arg.text.empty()) ||
                             (number == kVartype && position == 0);
        if (!allowed) {
          engine.report(text(kDefinitionWrong, argument), &scope);
          return;
        }
      }
    }
    if (isRawPosition(number, position)) {
      double d = 0;
      if (parseNumber(arg.text, d)) {
        arg.numeric = true;
        arg.number = d;
        arg.integer = std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<long long>(d) : 0;
      }
    }
    ++position;
    call.count = position;
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
