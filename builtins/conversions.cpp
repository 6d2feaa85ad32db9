// Conversion built-ins: CHKNUM, VAL, FORMAT, STRCONV, ENCODE, DECODE,
// VARTYPE, EVAL and RANDOM.

#include <cmath>
#include <limits>
#include <random>

#include "builtins/string_family.h"
#include "builtins/string_functions.h"
#include "builtins/string_rules.h"
#include "engine/line_normaliser.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "util/narrow_text.h"
#include "util/strconv.h"

namespace kova {

namespace {

// ENCODE / DECODE codes (CODE_ constants).
enum Code : int { kCodeAnsi = 1, kCodeByteArray = 2, kCodeUrl = 3, kCodeUtf8 = 4, kCodeByteArrayW = 5 };

constexpr int kArrayFlag = 8192;  // VAR_ARRAY

void typeError(BuiltinCall& c) { c.fail(text(rm::kExpressionRuntime)); }

}  // namespace

void chknumFn(BuiltinCall& c) {
  double d = 0;
  c.result = c.truth(parseNumber(argText(c, 0), d));
}

// VAL(text, [fallback]): a number, TRUE or FALSE, a named numeric constant,
// else the fallback (0 without one).
void valFn(BuiltinCall& c) {
  const u16 t = upperFull(replaceAll(argText(c, 0), u",", u""));
  if (const std::optional<double> d = valNumber(t)) {
    c.result = Value::number(*d);
    return;
  }
  const u16 word = trimCtl(t);
  double d = 0;
  if (word == u"TRUE" && c.trueValue().toNumber(d)) {
    c.result = Value::number(d);
    return;
  }
  if (word == u"FALSE" && c.falseValue().toNumber(d)) {
    c.result = Value::number(d);
    return;
  }
  const double constant = c.namedConstant(word);
  c.result = Value::number(constant != kNoSuchConstant ? constant : c.has(1) ? c.num(1) : 0);
}

// FORMAT(value, [width], [decimals]). A wide string is always text, even
// when it holds digits; numbers, Booleans and narrow numeric text are numbers.
void formatFn(BuiltinCall& c) {
  const Value& v = c.value(0);
  const u16 t = argText(c, 0);
  double number = 0;
  bool isNumber = false;
  if (v.isNumeric()) isNumber = v.toNumber(number);
  else if (v.kind() != ValueKind::WideString) isNumber = parseNumber(t, number);
  const std::optional<long long> width = c.has(1) ? std::optional<long long>(c.integer(1)) : std::nullopt;
  const std::optional<long long> decimals = c.has(2) ? std::optional<long long>(c.integer(2)) : std::nullopt;
  if (width.value_or(0) > kMaxBuiltText || decimals.value_or(0) > kMaxBuiltText) {
    typeError(c);  // an overflow: the text would not fit in memory
    return;
  }
  c.result = Value::string(formatForScript(isNumber, number, t, width, decimals));
}

void strconvFn(BuiltinCall& c) {
  const std::optional<u16> mapped = mapString(argText(c, 0), static_cast<uint32_t>(c.integer(1)));
  c.result = Value::string(mapped ? *mapped : u16());
}

namespace {

Value byteArray(std::string_view bytes) {
  auto a = std::make_shared<ArrayValue>();
  a->lowerBounds = {0};
  a->upperBounds = {static_cast<int32_t>(bytes.size()) - 1};
  a->elementKind = static_cast<uint16_t>(ValueKind::Byte);
  a->elements.reserve(bytes.size());
  for (char b : bytes) a->elements.push_back(Value::byte(static_cast<uint8_t>(b)));
  return Value::array(std::move(a));
}

// The bytes a DECODE argument holds: the elements of an array (each a number
// 0-255, taken modulo 256), the bytes of narrow text, the code page form of
// other text. False when an element is no number (reported).
bool bytesOf(BuiltinCall& c, std::string& out) {
  const Value& v = c.value(0);
  if (!v.isArray()) {
    out = argNarrow(c, 0);
    return true;
  }
  for (const Value& e : v.arrayValue()->elements) {
    double d = 0;
    if (!e.toNumber(d) || !std::isfinite(d)) {
      typeError(c);
      return false;
    }
    out.push_back(static_cast<char>(static_cast<long long>(d) & 0xFF));
  }
  return true;
}

}  // namespace

void encodeFn(BuiltinCall& c) {
  switch (c.integer(1)) {
    case kCodeAnsi:
      setNarrowResult(c, argNarrow(c, 0));
      return;
    case kCodeByteArray: {
      const std::string b = argNarrow(c, 0);
      c.result = b.empty() ? Value::null() : byteArray(b);
      return;
    }
    case kCodeUrl:
      c.result = Value::string(ascii(percentEncode(argNarrow(c, 0))));
      return;
    case kCodeUtf8:
      setNarrowResult(c, toUtf8(argText(c, 0)));
      return;
    case kCodeByteArrayW: {
      std::string b;
      for (char16_t u : argText(c, 0)) {
        b.push_back(static_cast<char>(u & 0xFF));
        b.push_back(static_cast<char>(u >> 8));
      }
      c.result = byteArray(b);
      return;
    }
    default:
      return;
  }
}

void decodeFn(BuiltinCall& c) {
  Platform& p = c.platform();
  const Value& v = c.value(0);
  const bool nothing = v.isEmpty() || v.kind() == ValueKind::Null;
  switch (c.integer(1)) {
    case kCodeAnsi:
      c.result = Value::string(argText(c, 0));
      return;
    case kCodeByteArray: {
      std::string b;
      if (!nothing && !bytesOf(c, b)) return;
      c.result = Value::string(p.codePageToWide(kJapaneseCodePage, b));
      return;
    }
    case kCodeUrl:
      c.result = Value::string(p.codePageToWide(kJapaneseCodePage, percentDecode(argNarrow(c, 0))));
      return;
    case kCodeUtf8:
      c.result = Value::string(fromUtf8(argNarrow(c, 0)));
      return;
    case kCodeByteArrayW: {
      if (nothing) {
        c.result = Value::string({});
        return;
      }
      if (!v.isArray()) {
        c.result = Value::string(argText(c, 0));
        return;
      }
      std::string b;
      if (!bytesOf(c, b)) return;
      u16 t;
      for (size_t i = 0; i + 1 < b.size(); i += 2)
        t.push_back(static_cast<char16_t>(static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8));
      c.result = Value::string(std::move(t));
      return;
    }
    default:
      return;
  }
}

namespace {

// A number for an integer kind: rounded half to even, within [lo, hi].
std::optional<long long> integerOf(const Value& v, long long lo, long long hi) {
  double d = 0;
  if (!v.toNumber(d) || !std::isfinite(d)) return std::nullopt;
  d = std::nearbyint(d);
  if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) return std::nullopt;
  return static_cast<long long>(d);
}

// VARTYPE(value, kind): the value converted to `kind`; nullopt when it cannot
// be (a type error). Kinds the engine keeps no values of become their
// nearest kind: Single and Currency a Double rounded as they would round.
std::optional<Value> convertKind(BuiltinCall& c, const Value& v, long long kind) {
  double d = 0;
  switch (kind) {
    case 0: return Value();
    case 1: return Value::null();
    case 2:
      if (auto i = integerOf(v, INT16_MIN, INT16_MAX)) return Value::smallInt(static_cast<int16_t>(*i));
      return std::nullopt;
    case 3:
      if (auto i = integerOf(v, INT32_MIN, INT32_MAX)) return Value::integer(static_cast<int32_t>(*i));
      return std::nullopt;
    case 4:
      if (!v.toNumber(d) || !(std::fabs(d) <= std::numeric_limits<float>::max())) return std::nullopt;
      return Value::number(static_cast<double>(static_cast<float>(d)));
    case 5:
      if (!v.toNumber(d)) return std::nullopt;
      return Value::number(d);
    case 6:
      if (!v.toNumber(d) || !(std::fabs(d) < 9.2e14)) return std::nullopt;
      return Value::number(std::nearbyint(d * 10000) / 10000);
    case 7:
      if (!v.toNumber(d)) return std::nullopt;
      return Value::date(d);
    case 8:
      return Value::string(valueText(v));
    case 9:
      // A COM reference stays itself. Any other value becomes NOTHING: a
      // number is never turned into an object address, since nothing
      // guarantees that an object lives there.
      if (v.kind() == ValueKind::Dispatch) return v;
      return Value::dispatch(nullptr);
    case 10:
      if (auto i = integerOf(v, INT32_MIN, INT32_MAX)) return Value::error(static_cast<int32_t>(*i));
      return std::nullopt;
    case 11: {
      if (v.isString()) {
        const u16 word = upperFull(trimCtl(valueText(v)));
        if (word == u"TRUE") return Value::boolean(1);
        if (word == u"FALSE") return Value::boolean(0);
      }
      if (!v.toNumber(d)) return std::nullopt;
      return Value::boolean(d != 0 ? 1 : 0);
    }
    case 12: return v;
    case 17:
      if (auto i = integerOf(v, 0, 0xFF)) return Value::byte(static_cast<uint8_t>(*i));
      return std::nullopt;
    case 18:
      if (auto i = integerOf(v, 0, 0xFFFF)) return Value::word(static_cast<uint16_t>(*i));
      return std::nullopt;
    case 256:
      c.markByteResult();
      return Value::narrow(c.platform().wideToCodePage(kJapaneseCodePage, valueText(v)));
    default:
      if (kind > kArrayFlag && kind < 2 * kArrayFlag && v.isArray()) return v;
      return std::nullopt;
  }
}

}  // namespace

void vartypeFn(BuiltinCall& c) {
  const Value& v = c.value(0);
  if (!c.has(1)) {
    c.result = Value::integer(v.isArray() ? kArrayFlag + v.arrayValue()->elementKind : v.kindCode());
    return;
  }
  std::optional<Value> converted = convertKind(c, v, c.integer(1));
  if (!converted) {
    typeError(c);
    return;
  }
  c.result = std::move(*converted);
}

// EVAL(text): the text is normalised like a script line (upper case outside
// literals, member names kept) and evaluated in the caller's scope.
void evalFn(BuiltinCall& c) {
  std::optional<Value> v = c.evaluate(LineNormaliser::upperKeepingMembers(argText(c, 0)));
  if (v) c.result = std::move(*v);
}

namespace {

std::mt19937_64& randomEngine() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  return engine;
}

}  // namespace

// RANDOM([range]): 0 <= r < range as an integer (0 for a range below 1;
// ranges beyond the 32-bit integers are cut there); without a range a
// Double 0 <= r < 1.
void randomFn(BuiltinCall& c) {
  if (!c.has(0)) {
    c.result = Value::number(std::uniform_real_distribution<double>(0.0, 1.0)(randomEngine()));
    return;
  }
  const long long range = std::min<long long>(c.integer(0), 2147483648LL);
  if (range < 1) {
    c.result = Value::integer(0);
    return;
  }
  c.result = Value::integer(
      static_cast<int32_t>(std::uniform_int_distribution<long long>(0, range - 1)(randomEngine())));
}

}  // namespace kova
