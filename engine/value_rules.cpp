#include "engine/value_rules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kova {

namespace {

bool readsAsNumber(const Value& v) {
  double d = 0;
  return v.kind() != ValueKind::Empty && v.toNumber(d);
}

// Comparison normalisation of one side.
Value normalise(const Value& side, const Value& other, bool sideIsEmptyWord) {
  switch (side.kind()) {
    case ValueKind::Empty:
      if (sideIsEmptyWord || other.isEmpty()) return Value::string(kEmptyMarker);
      if (readsAsNumber(other)) return Value::number(0);
      return Value::string(u"");
    case ValueKind::Dispatch:
      if (!side.comObject()) return Value::string(kNothingMarker);
      return Value::number(static_cast<double>(reinterpret_cast<uintptr_t>(side.comObject().get())));
    case ValueKind::Null:
      return Value::string(kNullMarker);
    case ValueKind::Error:
      return Value::string(u"ERROR");
    case ValueKind::Array:
      if (other.isArray()) return side;
      return Value::number(static_cast<double>(reinterpret_cast<uintptr_t>(side.arrayValue().get())));
    case ValueKind::NarrowString: {
      double d = 0;
      if (other.kind() != ValueKind::WideString && side.toNumber(d)) return Value::number(d);
      return side;
    }
    default:
      return side;
  }
}

}  // namespace

bool indexOf(const Value& v, long long& out) {
  if (v.isEmpty()) {
    out = 0;
    return true;
  }
  if (v.isString()) {
    const u16 t = v.toText();
    if (trimCtl(t).empty()) {
      out = 0;
      return true;
    }
    if (parseInt(t, out)) return true;
  }
  double d = 0;
  return v.toNumber(d) && wholeIndex(d, out);
}

bool wholeIndex(double d, long long& out) {
  if (!std::isfinite(d) || std::fabs(d) > 9.0e18) return false;
  out = static_cast<long long>(std::trunc(d));
  return true;
}

std::optional<double> arithmeticNumber(const Value& v) {
  double d = 0;
  if (!v.toNumber(d)) return std::nullopt;
  return d;
}

std::optional<long long> logicalInteger(const Value& v) {
  const auto d = arithmeticNumber(v);
  if (!d || !std::isfinite(*d) || std::fabs(*d) >= 9.2233720368547758e18) return std::nullopt;
  return static_cast<long long>(std::trunc(*d));
}

std::optional<long long> modInteger(const Value& v) {
  const auto d = arithmeticNumber(v);
  long long out = 0;
  if (!d || !modOperand(*d, out)) return std::nullopt;
  return out;
}

std::optional<Value> addValues(const Value& leftIn, const Value& rightIn, bool narrowAddition) {
  if (leftIn.kind() == ValueKind::NarrowString && rightIn.kind() == ValueKind::NarrowString && narrowAddition) {
    double a = 0, b = 0;
    if (leftIn.toNumber(a) && rightIn.toNumber(b)) return Value::number(a + b);
  }
  if (leftIn.kind() == ValueKind::WideString && rightIn.kind() == ValueKind::WideString) {
    // Checked before joining: the joined text must never be built.
    checkTextLength(leftIn.wide().size() + rightIn.wide().size());
    return Value::string(leftIn.wide() + rightIn.wide());
  }
  if (leftIn.kind() == ValueKind::Double && rightIn.kind() == ValueKind::Double)
    return Value::number(leftIn.doubleValue() + rightIn.doubleValue());

  Value left = leftIn, right = rightIn;
  // After a byte function produced narrow text, narrow strings stay text
  // here too, so that COPYB(s, 1, 1) + COPYB(s, 2, 1) joins the bytes.
  auto prepare = [narrowAddition](Value& side, const Value& other) {
    switch (side.kind()) {
      case ValueKind::Empty:
        if (other.isString()) side = Value::string(u"");
        else if (readsAsNumber(other)) side = Value::number(0);
        else side = Value::string(u"");
        break;
      case ValueKind::Null:
        side = Value::string(u"");
        break;
      case ValueKind::Error:
        side = Value::string(u"ERROR");
        break;
      case ValueKind::NarrowString: {
        double d = 0;
        if (narrowAddition && other.kind() != ValueKind::WideString && side.toNumber(d)) side = Value::number(d);
        break;
      }
      default:
        break;
    }
  };
  const Value leftBefore = left;
  prepare(left, right);
  prepare(right, leftBefore);
  if (left.kind() == ValueKind::NarrowString && right.kind() == ValueKind::NarrowString) {
    // Two narrow texts join as bytes: decoding each half on its own would
    // break a character whose bytes came from different halves.
    checkTextLength(left.narrowBytes().size() + right.narrowBytes().size());
    return Value::narrow(left.narrowBytes() + right.narrowBytes());
  }
  if (left.isString() || right.isString()) {
    if (left.isArray() || right.isArray() || left.kind() == ValueKind::Dispatch || right.kind() == ValueKind::Dispatch)
      return std::nullopt;
    return Value::string(left.toText() + right.toText());
  }
  double a = 0, b = 0;
  if (left.isNumeric() && right.isNumeric() && left.toNumber(a) && right.toNumber(b)) return Value::number(a + b);
  if (left.isArray() || right.isArray() || left.kind() == ValueKind::Dispatch || right.kind() == ValueKind::Dispatch)
    return std::nullopt;
  return Value::string(left.toText() + right.toText());
}

bool appendForAdd(Value& left, const Value& right) {
  switch (right.kind()) {
    case ValueKind::WideString: left.appendWide(right.wide()); return true;
    case ValueKind::Empty:
    case ValueKind::Null: return true;
    case ValueKind::Error: left.appendWide(u"ERROR"); return true;
    case ValueKind::Array:
    case ValueKind::Dispatch: return false;
    default: left.appendWide(right.toText()); return true;
  }
}

std::optional<bool> compareValues(CompareOp op, const Value& leftIn, const Value& rightIn, bool leftIsEmptyWord,
                                  bool rightIsEmptyWord, const CompareOptions& options) {
  // Numbers (integers, Booleans, Doubles, Dates) are left as they are by the
  // normalisation and compare as Doubles.
  if (leftIn.isNumeric() && rightIn.isNumeric()) {
    double a = 0, b = 0;
    if (leftIn.toNumber(a) && rightIn.toNumber(b)) return applyCompare(op, a, b);
  }
  const Value left = normalise(leftIn, rightIn, leftIsEmptyWord);
  const Value right = normalise(rightIn, leftIn, rightIsEmptyWord);
  if (left.isString() || right.isString()) {
    if (left.isArray() || right.isArray()) return std::nullopt;
    u16 a = left.toText(), b = right.toText();
    if (options.expand) {
      a = options.expand(options.expandContext, a);
      b = options.expand(options.expandContext, b);
    }
    if (!options.sameStr) {
      a = upperFull(a);
      b = upperFull(b);
    }
    return applyCompare(op, a, b);
  }
  double a = 0, b = 0;
  if (left.toNumber(a) && right.toNumber(b)) return applyCompare(op, a, b);
  return std::nullopt;
}

double roundResultSlow(double v) {
  if (!std::isfinite(v) || v == std::trunc(v)) return v;
  const double scaled = v * 1e12;
  if (std::fabs(scaled) < 9.2e18) {
    // Halves away from zero.
    const long long n = static_cast<long long>(scaled + (scaled >= 0 ? 0.5 : -0.5));
    return static_cast<double>(n) / 1e12;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  return std::strtod(buf, nullptr);
}

}  // namespace kova
