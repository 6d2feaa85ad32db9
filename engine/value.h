#pragma once
// The script value: one tagged type for every kind the language has. The
// kind codes are the ones scripts see through VARTYPE and the VAR_
// constants. Wide strings are UTF-16; narrow strings hold code-page bytes.
//
// Coercions (to number, to text, comparison, addition) live next to this
// type in value.cpp, with their rules written beside them.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "util/u16.h"

namespace kova {

enum class ValueKind : uint16_t {
  Empty = 0,
  Null = 1,
  SmallInt = 2,  // 16-bit integer
  Integer = 3,   // 32-bit integer
  Double = 5,
  Date = 7,
  WideString = 8,
  Dispatch = 9,  // COM object; NOTHING is a null reference
  Error = 10,
  Boolean = 11,
  Byte = 17,
  Word = 18,
  NarrowString = 256,
  Array = 8204,  // variant array of values
};

class Value;

// The longest text a value may hold: 2^26 UTF-16 code units (128 MB), or as
// many bytes for a narrow text. Every operation that would build a longer
// text (joining with "+", REPLACE, JOIN, ...) stops with TextTooLong
// instead of taking the machine's memory; a script meets it as the
// catchable error "The text is too long" on the statement's line.
inline constexpr size_t kMaxTextLength = size_t{1} << 26;

// The most elements one array may have (DIM, PUBLIC, RESIZE, SPLIT): 2^24,
// which keeps one array, at 48 bytes a value, under 1 GB. Larger arrays are
// refused with "The array is too large" before any memory is taken.
inline constexpr size_t kMaxArrayElements = size_t{1} << 24;

// Thrown where a text would grow beyond kMaxTextLength. what() is the
// message in the process's language; the executor reports it on the
// statement being run.
class TextTooLong : public std::length_error {
 public:
  TextTooLong();
};

// Throws TextTooLong when a text of `length` units would be too long.
inline void checkTextLength(size_t length) {
  if (length > kMaxTextLength) throw TextTooLong();
}

// A variant array value (SPLIT results, COM safe arrays): element values
// with per-dimension bounds, row-major.
struct ArrayValue {
  std::vector<int32_t> lowerBounds;
  std::vector<int32_t> upperBounds;
  std::vector<Value> elements;
  // Kind of the elements as VARTYPE reports it (8192 + this): 12 for arrays
  // of values, 17 for the byte arrays of ENCODE.
  uint16_t elementKind = 12;
};

// Opaque COM reference; the Windows layer owns what it points to.
struct ComObject {
  virtual ~ComObject() = default;
};

class Value {
 public:
  Value() = default;  // Empty

  static Value empty() { return Value(); }
  static Value null() { return Value(ValueKind::Null, std::monostate{}); }
  static Value integer(int32_t v) { return Value(ValueKind::Integer, int64_t{v}); }
  static Value smallInt(int16_t v) { return Value(ValueKind::SmallInt, int64_t{v}); }
  static Value word(uint16_t v) { return Value(ValueKind::Word, int64_t{v}); }
  static Value byte(uint8_t v) { return Value(ValueKind::Byte, int64_t{v}); }
  static Value boolean(int16_t stored) { return Value(ValueKind::Boolean, int64_t{stored}); }
  static Value number(double v) { return Value(ValueKind::Double, v); }
  static Value date(double v) { return Value(ValueKind::Date, v); }
  static Value string(u16 v) {
    checkTextLength(v.size());
    return Value(ValueKind::WideString, std::move(v));
  }
  static Value narrow(std::string bytes) {
    checkTextLength(bytes.size());
    return Value(ValueKind::NarrowString, std::move(bytes));
  }
  static Value array(std::shared_ptr<ArrayValue> a) { return Value(ValueKind::Array, std::move(a)); }
  static Value dispatch(std::shared_ptr<ComObject> o) { return Value(ValueKind::Dispatch, std::move(o)); }
  static Value error(int32_t code) { return Value(ValueKind::Error, int64_t{code}); }

  ValueKind kind() const { return kind_; }
  int kindCode() const { return static_cast<int>(kind_); }

  bool isEmpty() const { return kind_ == ValueKind::Empty; }
  bool isString() const { return kind_ == ValueKind::WideString || kind_ == ValueKind::NarrowString; }
  bool isNumeric() const;  // an integer kind, Boolean, Double or Date
  bool isArray() const { return kind_ == ValueKind::Array; }

  // Raw accessors; valid only for the matching kinds.
  int64_t intValue() const { return std::get<int64_t>(data_); }
  double doubleValue() const { return std::get<double>(data_); }
  const u16& wide() const { return std::get<u16>(data_); }
  const std::string& narrowBytes() const { return std::get<std::string>(data_); }
  const std::shared_ptr<ArrayValue>& arrayValue() const { return std::get<std::shared_ptr<ArrayValue>>(data_); }
  const std::shared_ptr<ComObject>& comObject() const { return std::get<std::shared_ptr<ComObject>>(data_); }

  // The value as a number: integers, Booleans, Doubles and Dates as they
  // are; Empty is 0; texts are read as numbers. Fails for other kinds and
  // for texts that are not numbers.
  bool toNumber(double& out) const;
  // The value as text, as PRINT shows it.
  u16 toText() const;

 private:
  using Data = std::variant<std::monostate, int64_t, double, u16, std::string, std::shared_ptr<ArrayValue>,
                            std::shared_ptr<ComObject>>;
  Value(ValueKind k, Data d) : kind_(k), data_(std::move(d)) {}

  ValueKind kind_ = ValueKind::Empty;
  Data data_;
};

class Platform;
// Narrow strings hold text in the Japanese code page; their text form is
// decoded through the platform's code-page conversion, set once when the
// first engine is created.
void setNarrowTextPlatform(Platform* platform);

// Formats a Double the way the language prints numbers: integral values
// without a decimal point, others with up to 15 significant digits.
u16 formatNumber(double v);
// Reads a decimal number (optional sign, digits, point, exponent; blanks
// around allowed). Fails on anything else.
bool parseNumber(u16v text, double& out);

}  // namespace kova
