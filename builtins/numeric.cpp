// The numeric built-ins: INT, ABS, ZCUT, ROUND, SQRT, POWER, SIN, COS, TAN,
// EXP, LN, LOGN, CEIL, ARCSIN, ARCCOS, ARCTAN. They take the short path:
// up to three arguments, each of which must be a number.

#include <algorithm>
#include <cmath>

#include "builtins/dispatcher.h"
#include "engine/messages.h"
#include "engine/run_messages.h"

namespace kova {

namespace {

constexpr Msg kNotNumber{u"%s: 数値以外である", u"Things except numerical value: %s"};

// Rounds at the power of ten 10^digits, halves to even: digits -2 keeps two
// decimals, 2 rounds to hundreds.
double roundAt(double x, long long digits) {
  const double scale = std::pow(10.0, static_cast<double>(digits < 0 ? -digits : digits));
  return digits < 0 ? std::nearbyint(x * scale) / scale : std::nearbyint(x / scale) * scale;
}

}  // namespace

void BuiltinDispatcher::callNumeric(TUScript& engine, int number, const CallForm& call, Value& result,
                                    THensuFmt& scope) {
  double a[3] = {0, 0, 0};
  const size_t given = std::min<size_t>(builtinArgumentCount(call), 3);
  for (size_t count = 0; count < given; ++count) {
    std::optional<Value> v = engine.evaluateParsed(*call.argTrees[count], scope);
    if (!v) return;
    if (!v->toNumber(a[count])) {
      engine.report(text(kNotNumber, v->toText()), &scope);
      return;
    }
  }
  double r = 0;
  switch (number) {
    case kInt: r = std::trunc(a[0]); break;
    case kAbs: r = std::fabs(a[0]); break;
    case kZcut: r = a[0] >= 0 ? a[0] : 0; break;
    case kRound: {
      const long long digits = static_cast<long long>(std::trunc(a[1]));
      if (digits < -37 || digits > 37) {
        engine.report(text(kNotNumber, toU16(digits)), &scope);
        return;
      }
      r = roundAt(a[0], digits);
      break;
    }
    case kSqrt: r = std::sqrt(a[0]); break;
    case kPower: r = std::pow(a[0], a[1]); break;
    case kSin: r = std::sin(a[0]); break;
    case kCos: r = std::cos(a[0]); break;
    case kTan: r = std::tan(a[0]); break;
    case kExp: r = std::exp(a[0]); break;
    case kLn: r = std::log(a[0]); break;
    case kLogn: r = std::log(a[1]) / std::log(a[0]); break;
    case kCeil: {
      const double c = std::ceil(a[0]);
      if (!(c >= -2147483648.0 && c <= 2147483647.0)) {
        engine.report(text(rm::kExpressionRuntime), &scope);
        return;
      }
      result = Value::integer(static_cast<int32_t>(c));
      return;
    }
    case kArcsin: r = std::asin(a[0]); break;
    case kArccos: r = std::acos(a[0]); break;
    case kArctan: r = std::atan(a[0]); break;
    default: return;
  }
  if (!std::isfinite(r)) {
    // A result outside the numbers (LN(0), SQRT(-1), POWER overflow) is an
    // arithmetic failure like an overflow in an expression.
    engine.report(text(rm::kExpressionRuntime), &scope);
    return;
  }
  result = Value::number(r);
}

void registerNumericFunctions(BuiltinHandlers&) {}

}  // namespace kova
