#pragma once
// The script value: one tagged type for every kind the language has. The
// kind codes are the ones scripts see through VARTYPE and the VAR_
// constants. Wide strings are UTF-16; narrow strings hold code-page bytes.
//
// Coercions (to number, to text, comparison, addition) live next to this
// type in value.cpp, with their rules written beside them.

#include <array>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <new>
#include <span>
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

// The longest text a value may hold: 2^27 UTF-16 code units (256 MB), or as
// many bytes for a narrow text. Every operation that would build a longer
// text (joining with "+", REPLACE, JOIN, ...) stops with TextTooLong
// instead of taking the machine's memory; a script meets it as the
// catchable error "The text is too long" on the statement's line.
inline constexpr size_t kMaxTextLength = size_t{1} << 27;

// The most elements one array may have (DIM, PUBLIC, RESIZE, SPLIT): 2^24,
// which keeps one array, at 40 bytes a value, under 1 GB. Larger arrays are
// refused with "The array is too large" before any memory is taken. The
// fuzzing build lowers it (KOVA_ARRAY_LIMIT_BITS) to keep each input fast.
#ifndef KOVA_ARRAY_LIMIT_BITS
#define KOVA_ARRAY_LIMIT_BITS 24
#endif
inline constexpr size_t kMaxArrayElements = size_t{1} << KOVA_ARRAY_LIMIT_BITS;

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

// The shared body of a text value. Values that hold the same text share one
// body: copying a text value costs a reference count, not the characters.
// A body is never changed while more than one value holds it (copy on
// write), so a shared body may be read by several threads at once.
template <typename Text>
struct SharedText {
  explicit SharedText(Text t) : text(std::move(t)) {}
  std::atomic<uint32_t> refs{1};
  // Leading code units known to hold no "<#" (where every placeholder
  // starts): an evaluation result is scanned for placeholders only beyond
  // them. The text up to there never changes (appends keep it), so any value
  // a thread stores is right; relaxed atomics keep concurrent readers free
  // of data races.
  std::atomic<uint32_t> scannedClean{0};
  Text text;
};
using WideBody = SharedText<u16>;
using NarrowBody = SharedText<std::string>;

class Value {
 public:
  Value() : kind_(ValueKind::Empty), storage_(Storage::None), bits_(0) {}  // Empty
  Value(const Value& other) : kind_(other.kind_), storage_(other.storage_) {
    if (storage_ <= Storage::Real) bits_ = other.bits_;
    else copyHeld(other);
  }
  Value(Value&& other) noexcept : kind_(other.kind_), storage_(other.storage_) {
    if (storage_ <= Storage::Real) bits_ = other.bits_;
    else moveHeld(std::move(other));
  }
  Value& operator=(const Value& other) {
    if (this == &other) return *this;
    if (storage_ <= Storage::Real && other.storage_ <= Storage::Real) {
      kind_ = other.kind_;
      storage_ = other.storage_;
      bits_ = other.bits_;
      return *this;
    }
    Value copy(other);
    return *this = std::move(copy);
  }
  // A moved-from value is Empty.
  Value& operator=(Value&& other) noexcept {
    if (this == &other) return *this;
    if (storage_ > Storage::Real) destroyHeld();
    kind_ = other.kind_;
    storage_ = other.storage_;
    if (storage_ <= Storage::Real) bits_ = other.bits_;
    else moveHeld(std::move(other));
    return *this;
  }
  ~Value() {
    if (storage_ > Storage::Real) destroyHeld();
  }

  static Value empty() { return Value(); }
  static Value null() { return Value(ValueKind::Null); }
  static Value integer(int32_t v) { return Value(ValueKind::Integer, int64_t{v}); }
  static Value smallInt(int16_t v) { return Value(ValueKind::SmallInt, int64_t{v}); }
  static Value word(uint16_t v) { return Value(ValueKind::Word, int64_t{v}); }
  static Value byte(uint8_t v) { return Value(ValueKind::Byte, int64_t{v}); }
  static Value boolean(int16_t stored) { return Value(ValueKind::Boolean, int64_t{stored}); }
  static Value number(double v) { return Value(ValueKind::Double, v); }
  static Value date(double v) { return Value(ValueKind::Date, v); }
  static Value string(u16 v) {
    checkTextLength(v.size());
    Value r(ValueKind::WideString, Storage::Wide);
    r.wide_ = new WideBody(std::move(v));
    return r;
  }
  static Value narrow(std::string bytes) {
    checkTextLength(bytes.size());
    Value r(ValueKind::NarrowString, Storage::Narrow);
    r.narrow_ = new NarrowBody(std::move(bytes));
    return r;
  }
  static Value array(std::shared_ptr<ArrayValue> a) {
    Value r(ValueKind::Array, Storage::Array);
    new (&r.array_) std::shared_ptr<ArrayValue>(std::move(a));
    return r;
  }
  static Value dispatch(std::shared_ptr<ComObject> o) {
    Value r(ValueKind::Dispatch, Storage::Com);
    new (&r.com_) std::shared_ptr<ComObject>(std::move(o));
    return r;
  }
  static Value error(int32_t code) { return Value(ValueKind::Error, int64_t{code}); }

  ValueKind kind() const { return kind_; }
  int kindCode() const { return static_cast<int>(kind_); }

  bool isEmpty() const { return kind_ == ValueKind::Empty; }
  bool isString() const { return kind_ == ValueKind::WideString || kind_ == ValueKind::NarrowString; }
  // An integer kind, Boolean, Double or Date.
  bool isNumeric() const {
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
  bool isArray() const { return kind_ == ValueKind::Array; }

  // Raw accessors; valid only for the matching kinds (std::bad_variant_access
  // otherwise).
  int64_t intValue() const { return expect(Storage::Integer), integer_; }
  double doubleValue() const { return expect(Storage::Real), real_; }
  const u16& wide() const { return expect(Storage::Wide), wide_->text; }
  // Joins `more` to the end of this wide text, as "+" joins two wide
  // texts: in place when this value is the text's only holder, so that a
  // text built by appends grows in amortised constant time per append.
  // Throws TextTooLong before growing beyond the limit.
  void appendWide(u16v more) {
    expect(Storage::Wide);
    checkTextLength(wide_->text.size() + more.size());
    ownWide().append(more);
  }
  // True when no other value shares this text's body.
  bool soleHolder() const { return storage_ <= Storage::Real || bodyRefs() == 1; }
  // The body of a text, to tell whether two values share one (identity only).
  const void* textBody() const { return storage_ == Storage::Wide ? static_cast<const void*>(wide_) : nullptr; }
  // The wide text, made this value's own first (copy on write).
  u16& ownWide();
  // Scanning state of a wide text (see SharedText::scannedClean).
  size_t scannedClean() const { return expect(Storage::Wide), wide_->scannedClean.load(std::memory_order_relaxed); }
  void markScannedClean(size_t n) const {
    expect(Storage::Wide);
    wide_->scannedClean.store(static_cast<uint32_t>(n), std::memory_order_relaxed);
  }
  const std::string& narrowBytes() const { return expect(Storage::Narrow), narrow_->text; }
  const std::shared_ptr<ArrayValue>& arrayValue() const { return expect(Storage::Array), array_; }
  const std::shared_ptr<ComObject>& comObject() const { return expect(Storage::Com), com_; }

  // The value as a number: integers, Booleans, Doubles and Dates as they
  // are; Empty is 0; texts are read as numbers. Fails for other kinds and
  // for texts that are not numbers.
  bool toNumber(double& out) const {
    if (storage_ == Storage::Real) {
      out = real_;
      return true;
    }
    if (storage_ == Storage::Integer && kind_ != ValueKind::Error) {
      out = static_cast<double>(integer_);
      return true;
    }
    return toNumberSlow(out);
  }
  // The value as text, as PRINT shows it.
  u16 toText() const;

 private:
  // What the value holds. None, Integer and Real are plain bits, copied
  // without looking further; the others own (a share of) an object.
  enum class Storage : uint8_t { None, Integer, Real, Wide, Narrow, Array, Com };

  // The held object of a text, array or COM kind is set by the caller
  // right after.
  Value(ValueKind k, Storage s = Storage::None) : kind_(k), storage_(s), bits_(0) {}
  Value(ValueKind k, int64_t v) : kind_(k), storage_(Storage::Integer), integer_(v) {}
  Value(ValueKind k, double v) : kind_(k), storage_(Storage::Real), real_(v) {}

  void expect(Storage s) const {
    if (storage_ != s) throw std::bad_variant_access();
  }
  uint32_t bodyRefs() const;
  bool toNumberSlow(double& out) const;
  void copyHeld(const Value& other);
  void moveHeld(Value&& other) noexcept;
  void destroyHeld() noexcept;

  ValueKind kind_;
  Storage storage_;
  union {
    uint64_t bits_;
    int64_t integer_;
    double real_;
    WideBody* wide_;
    NarrowBody* narrow_;
    std::shared_ptr<ArrayValue> array_;
    std::shared_ptr<ComObject> com_;
  };
};

// The evaluated indexes of one array access, as the variable functions
// take them.
using IndexList = std::span<const Value>;

// Indexes gathered for one access: up to four stay inside the object, so an
// element read or write costs no allocation.
class IndexValues {
 public:
  explicit IndexValues(size_t expected) : onHeap_(expected > kInline) {
    if (onHeap_) heap_.reserve(expected);
  }
  IndexValues(const IndexValues&) = delete;
  IndexValues& operator=(const IndexValues&) = delete;
  ~IndexValues() {
    for (size_t i = 0; i < size_; ++i) inlineAt(i).~Value();
  }
  void push_back(Value v) {
    if (!onHeap_ && size_ == kInline) {
      for (size_t i = 0; i < size_; ++i) heap_.push_back(std::move(inlineAt(i)));
      onHeap_ = true;
    }
    if (onHeap_) {
      heap_.push_back(std::move(v));
    } else {
      new (&storage_[size_ * sizeof(Value)]) Value(std::move(v));
      ++size_;
    }
  }
  operator IndexList() const {
    return onHeap_ ? IndexList(heap_) : IndexList(reinterpret_cast<const Value*>(storage_), size_);
  }

 private:
  static constexpr size_t kInline = 4;
  Value& inlineAt(size_t i) { return *std::launder(reinterpret_cast<Value*>(&storage_[i * sizeof(Value)])); }
  bool onHeap_;
  size_t size_ = 0;  // values in storage_ (they stay there once moved to heap_)
  alignas(Value) unsigned char storage_[kInline * sizeof(Value)];
  std::vector<Value> heap_;
};

// Narrow strings hold text in the Japanese code page; their text form is
// decoded through the host platform's code-page conversion.

// Formats a Double the way the language prints numbers: integral values
// without a decimal point, others with up to 15 significant digits.
u16 formatNumber(double v);
// Reads a decimal number (optional sign, digits, point, exponent; blanks
// around allowed). Fails on anything else.
bool parseNumber(u16v text, double& out);

}  // namespace kova
