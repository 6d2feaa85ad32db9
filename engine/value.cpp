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

u16 narrowToText(const std::string& bytes) {
  // The code page is the operating system's, the same for every engine:
  // decoded by the host platform, which lives as long as the process.
  return hostPlatform().codePageToWide(kJapaneseCodePage, bytes);
}
}  // namespace

TextTooLong::TextTooLong()
    : std::length_error(toUtf8(text(kTextTooLong, toU16(static_cast<long long>(kMaxTextLength))))) {}


namespace {

template <typename Body>
void retain(Body* b) {
  b->refs.fetch_add(1, std::memory_order_relaxed);
}

template <typename Body>
void release(Body* b) noexcept {
  if (b->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete b;
}

}  // namespace

uint32_t Value::bodyRefs() const {
  switch (storage_) {
    case Storage::Wide: return wide_->refs.load(std::memory_order_acquire);
    case Storage::Narrow: return narrow_->refs.load(std::memory_order_acquire);
    case Storage::Array: return static_cast<uint32_t>(array_.use_count());
    case Storage::Com: return static_cast<uint32_t>(com_.use_count());
    default: return 1;
  }
}

u16& Value::ownWide() {
  expect(Storage::Wide);
  if (wide_->refs.load(std::memory_order_acquire) != 1) {
    auto* own = new WideBody(wide_->text);
    own->scannedClean.store(wide_->scannedClean.load(std::memory_order_relaxed), std::memory_order_relaxed);
    release(wide_);
    wide_ = own;
  }
  return wide_->text;
}

void Value::copyHeld(const Value& other) {
  switch (storage_) {
    case Storage::Wide: wide_ = other.wide_, retain(wide_); return;
    case Storage::Narrow: narrow_ = other.narrow_, retain(narrow_); return;
    case Storage::Array: new (&array_) std::shared_ptr<ArrayValue>(other.array_); return;
    case Storage::Com: new (&com_) std::shared_ptr<ComObject>(other.com_); return;
    default: bits_ = other.bits_; return;
  }
}

void Value::moveHeld(Value&& other) noexcept {
  switch (storage_) {
    case Storage::Wide: wide_ = other.wide_; break;
    case Storage::Narrow: narrow_ = other.narrow_; break;
    case Storage::Array:
      new (&array_) std::shared_ptr<ArrayValue>(std::move(other.array_));
      other.array_.~shared_ptr();
      break;
    case Storage::Com:
      new (&com_) std::shared_ptr<ComObject>(std::move(other.com_));
      other.com_.~shared_ptr();
      break;
    default: bits_ = other.bits_; return;
  }
  other.kind_ = ValueKind::Empty;
  other.storage_ = Storage::None;
  other.bits_ = 0;
}

void Value::destroyHeld() noexcept {
  switch (storage_) {
    case Storage::Wide: release(wide_); break;
    case Storage::Narrow: release(narrow_); break;
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
  // Works on the trimmed view: most texts asked are not numbers and are
  // turned down at their first character, without a copy.
  const u16v t = trimCtlView(text);
  if (t.empty()) return false;
  // "$" introduces hexadecimal; otherwise only plain decimal forms (no
  // "inf"/"nan" words).
  if (t[0] == u'$' || ((t[0] == u'-' || t[0] == u'+') && t.size() > 1 && t[1] == u'$')) {
    const bool negative = t[0] == u'-';
    const size_t start = t[0] == u'$' ? 1 : 2;
    if (start >= t.size() || t.size() - start > 16) return false;
    unsigned long long v = 0;
    for (size_t i = start; i < t.size(); ++i) {
      const char16_t c = t[i];
      int d;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else return false;
      v = v * 16 + static_cast<unsigned>(d);
    }
    out = static_cast<double>(static_cast<long long>(v));
    if (negative) out = -out;
    return true;
  }
  bool digitsOnly = true;
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (c >= u'0' && c <= u'9') continue;
    if (!(c == u'.' || c == u'+' || c == u'-' || c == u'e' || c == u'E')) return false;
    if (!(i == 0 && (c == u'-' || c == u'+'))) digitsOnly = false;
  }
  // A whole number of up to 15 digits is exact in a Double: no strtod.
  const size_t sign = t[0] == u'-' || t[0] == u'+' ? 1 : 0;
  if (digitsOnly && t.size() > sign && t.size() - sign <= 15) {
    long long v = 0;
    for (size_t i = sign; i < t.size(); ++i) v = v * 10 + (t[i] - u'0');
    out = t[0] == u'-' ? -static_cast<double>(v) : static_cast<double>(v);
    return true;
  }
  std::string s(t.begin(), t.end());  // every unit is ASCII here
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end && *end == 0 && std::isfinite(out);
}

}  // namespace kova

namespace kova {
// A value is a tag and one word or one shared pointer: arrays of a million
// values stay within 24 MB.
static_assert(sizeof(Value) <= 24, "a script value grew beyond 24 bytes");
}  // namespace kova
