// The numeric built-ins: INT, ABS, ZCUT, ROUND, SQRT, POWER, SIN, COS, TAN,
// EXP, LN, LOGN, CEIL, ARCSIN, ARCCOS, ARCTAN. Their arguments arrive as
// numbers (ArgumentRule::Numbers): up to three, each of which had to be a
// number.

#include <cmath>

#include "builtins/builtin_messages.h"
#include "builtins/numeric_functions.h"
#include "engine/messages.h"
#include "engine/run_messages.h"

namespace kova {

namespace {

// Rounds at the power of ten 10^digits, halves to even: digits -2 keeps two
// decimals, 2 rounds to hundreds.
double roundAt(double x, long long digits) {
  const double scale = std::pow(10.0, static_cast<double>(digits < 0 ? -digits : digits));
  return digits < 0 ? std::nearbyint(x * scale) / scale : std::nearbyint(x / scale) * scale;
}

// Sets a Double result. A result outside the numbers (LN(0), SQRT(-1),
// POWER overflow) is an arithmetic failure like an overflow in an
// expression.
void setNumber(BuiltinCall& c, double r) {
  if (!std::isfinite(r)) {
    c.fail(text(rm::kExpressionRuntime));
    return;
  }
  c.result = Value::number(r);
}

}  // namespace

void intFn(BuiltinCall& c) { setNumber(c, std::trunc(c.num(0))); }
void absFn(BuiltinCall& c) { setNumber(c, std::fabs(c.num(0))); }
void zcutFn(BuiltinCall& c) { setNumber(c, c.num(0) >= 0 ? c.num(0) : 0); }

void roundFn(BuiltinCall& c) {
  const long long digits = static_cast<long long>(std::trunc(c.num(1)));
  if (digits < -37 || digits > 37) {
    c.fail(text(kNotNumber, toU16(digits)));
    return;
  }
  setNumber(c, roundAt(c.num(0), digits));
}

void sqrtFn(BuiltinCall& c) { setNumber(c, std::sqrt(c.num(0))); }
void powerFn(BuiltinCall& c) { setNumber(c, std::pow(c.num(0), c.num(1))); }
void sinFn(BuiltinCall& c) { setNumber(c, std::sin(c.num(0))); }
void cosFn(BuiltinCall& c) { setNumber(c, std::cos(c.num(0))); }
void tanFn(BuiltinCall& c) { setNumber(c, std::tan(c.num(0))); }
void expFn(BuiltinCall& c) { setNumber(c, std::exp(c.num(0))); }
void lnFn(BuiltinCall& c) { setNumber(c, std::log(c.num(0))); }
void lognFn(BuiltinCall& c) { setNumber(c, std::log(c.num(1)) / std::log(c.num(0))); }

// CEIL: a 32-bit integer; beyond that range an arithmetic failure.
void ceilFn(BuiltinCall& c) {
  const double r = std::ceil(c.num(0));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
    c.fail(text(rm::kExpressionRuntime));
    return;
  }
  c.result = Value::integer(static_cast<int32_t>(r));
}

void arcsinFn(BuiltinCall& c) { setNumber(c, std::asin(c.num(0))); }
void arccosFn(BuiltinCall& c) { setNumber(c, std::acos(c.num(0))); }
void arctanFn(BuiltinCall& c) { setNumber(c, std::atan(c.num(0))); }

}  // namespace kova
