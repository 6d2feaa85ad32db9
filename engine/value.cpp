#include "engine/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/messages.h"
#include "platform/platform.h"

namespace kova {

namespace {
constexpr Msg kTextTooLong{u"文字列が長すぎます (上限 %s 文字)",
                           u"The text is too long (at most %s characters)"};

Platform* gNarrowPlatform = nullptr;

u16 narrowToText(const std::string& bytes) {
  if (gNarrowPlatform) return gNarrowPlatform->codePageToWide(kJapaneseCodePage, bytes);
  u16 out;
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}
}  // namespace

TextTooLong::TextTooLong()
    : std::length_error(toUtf8(text(kTextTooLong, toU16(static_cast<long long>(kMaxTextLength))))) {}

void setNarrowTextPlatform(Platform* platform) { gNarrowPlatform = platform; }

bool Value::isNumeric() const {
  switch (kind_) {
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Double:
    case ValueKind::Date:
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Word:
      return true;
    default:
      return false;
  }
}

void Value::copyHeld(const Value& other) {
  switch (storage_) {
    case Storage::Wide: new (&wide_) u16(other.wide_); return;
    case Storage::Narrow: new (&narrow_) std::string(other.narrow_); return;
    case Storage::Array: new (&array_) std::shared_ptr<ArrayValue>(other.array_); return;
    case Storage::Com: new (&com_) std::shared_ptr<ComObject>(other.com_); return;
    default: bits_ = other.bits_; return;
  }
}

void Value::moveHeld(Value&& other) noexcept {
  switch (storage_) {
    case Storage::Wide: new (&wide_) u16(std::move(other.wide_)); return;
    case Storage::Narrow: new (&narrow_) std::string(std::move(other.narrow_)); return;
    case Storage::Array: new (&array_) std::shared_ptr<ArrayValue>(std::move(other.array_)); return;
    case Storage::Com: new (&com_) std::shared_ptr<ComObject>(std::move(other.com_)); return;
    default: bits_ = other.bits_; return;
  }
}

void Value::destroyHeld() noexcept {
  switch (storage_) {
    case Storage::Wide: wide_.~u16(); break;
    case Storage::Narrow: narrow_.~basic_string(); break;
    case Storage::Array: array_.~shared_ptr(); break;
    case Storage::Com: com_.~shared_ptr(); break;
    default: break;
  }
  storage_ = Storage::None;
}

bool Value::toNumberSlow(double& out) const {
  switch (kind_) {
    case ValueKind::Empty:
      out = 0;
      return true;
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Word:
      out = static_cast<double>(intValue());
      return true;
    case ValueKind::Double:
    case ValueKind::Date:
      out = doubleValue();
      return true;
    case ValueKind::WideString:
      return parseNumber(wide(), out);
    case ValueKind::NarrowString: {
      const std::string& b = narrowBytes();
      u16 text;
      for (char c : b) text.push_back(static_cast<unsigned char>(c));
      return parseNumber(text, out);
    }
    default:
      return false;
  }
}

u16 Value::toText() const {
  switch (kind_) {
    case ValueKind::Empty:
      return {};
    case ValueKind::Null:
      return u"NULL";
    case ValueKind::SmallInt:
    case ValueKind::Integer:
    case ValueKind::Byte:
    case ValueKind::Word:
    case ValueKind::Error:
      return toU16(intValue());
    case ValueKind::Boolean:
      return intValue() != 0 ? u"True" : u"False";
    case ValueKind::Double:
    case ValueKind::Date:
      return formatNumber(doubleValue());
    case ValueKind::WideString:
      return wide();
    case ValueKind::NarrowString:
      return narrowToText(narrowBytes());
    case ValueKind::Dispatch:
      return {};
    case ValueKind::Array:
      return {};
  }
  return {};
}

u16 formatNumber(double v) {
  if (std::isnan(v)) return u"NAN";
  if (std::isinf(v)) return v > 0 ? u"INF" : u"-INF";
  if (v == std::trunc(v) && std::fabs(v) < 1e15) {
    // Whole numbers below 10^15 are exact as 64-bit integers; -0 prints as 0.
    long long n = static_cast<long long>(v);
    char16_t buf[24];
    size_t at = sizeof buf / sizeof buf[0];
    const bool negative = n < 0;
    if (negative) n = -n;
    do {
      buf[--at] = static_cast<char16_t>(u'0' + n % 10);
      n /= 10;
    } while (n != 0);
    if (negative) buf[--at] = u'-';
    return u16(buf + at, buf + sizeof buf / sizeof buf[0]);
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s(buf);
  // Drop trailing zeros of the fraction ("1.500000000000000" -> "1.5").
  const size_t e = s.find('E');
  std::string mant = e == std::string::npos ? s : s.substr(0, e);
  const std::string exp = e == std::string::npos ? "" : s.substr(e);
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  return ascii(mant + exp);
}

bool parseNumber(u16v text, double& out) {
  const u16 t = trimCtl(text);
  if (t.empty()) return false;
  std::string s;
  s.reserve(t.size());
  for (char16_t c : t) {
    if (c >= 0x80) return false;
    s.push_back(static_cast<char>(c));
  }
  // "$" introduces hexadecimal; otherwise only plain decimal forms (no
  // "inf"/"nan" words).
  if (s[0] == '$' || ((s[0] == '-' || s[0] == '+') && s.size() > 1 && s[1] == '$')) {
    const bool negative = s[0] == '-';
    const size_t start = s[0] == '$' ? 1 : 2;
    if (start >= s.size() || s.size() - start > 16) return false;
    unsigned long long v = 0;
    for (size_t i = start; i < s.size(); ++i) {
      const char c = s[i];
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else return false;
      v = v * 16 + static_cast<unsigned>(d);
    }
    out = static_cast<double>(static_cast<long long>(v));
    if (negative) out = -out;
    return true;
  }
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end && *end == 0 && std::isfinite(out);
}

}  // namespace kova
