#pragma once
// The language's coercion rules for operators: addition, comparison and the
// numeric conversions of the arithmetic and logical levels. Each function
// returns an empty optional when the operation fails (the evaluator then
// sets its error flag).

#include <cmath>
#include <optional>

#include "engine/value.h"

namespace kova {

// Marker texts that comparisons use for values without a text of their own.
inline constexpr char16_t kEmptyMarker[] = u"\x01__EMPTY__";
inline constexpr char16_t kNothingMarker[] = u"\x01__NOTHING__";
inline constexpr char16_t kNullMarker[] = u"\x01__NULL__";

// The value as a Double for arithmetic: numbers, Booleans and Empty as
// they are, texts read as decimal numbers. Null, COM objects, errors and
// arrays fail.
std::optional<double> arithmeticNumber(const Value& v);
// The value truncated toward zero as a 64-bit integer (OR, AND, XOR).
std::optional<long long> logicalInteger(const Value& v);
// The value rounded half to even as a 64-bit integer (MOD).
std::optional<long long> modInteger(const Value& v);
// The same for a number; false when it is not finite or out of range.
inline bool modOperand(double d, long long& out) {
  if (!std::isfinite(d) || std::fabs(d) >= 9.2233720368547758e18) return false;
  out = static_cast<long long>(std::nearbyint(d));  // the default rounding mode: half to even
  return true;
}

// A number as an index: truncated toward zero; false when it is not finite
// or beyond 9e18 (indexOf's rule for numbers).
bool wholeIndex(double d, long long& out);
// An array index as an integer: a whole number first, else a number
// truncated toward zero; Empty and empty text are 0. Fails for values that
// are not numbers.
bool indexOf(const Value& v, long long& out);

// "+". `narrowAddition` is true when both narrow strings may be added as
// numbers (no byte-function result was produced during this evaluation).
std::optional<Value> addValues(const Value& left, const Value& right, bool narrowAddition);
// "+" with a wide text on the left, done in place: joins the text form
// that addValues would join (Empty and Null add nothing, an Error adds
// "ERROR") to `left` and returns true; false, with `left` unchanged, when
// the right side is an array or a COM object (addValues fails for those).
// `left` must be a wide text.
bool appendForAdd(Value& left, const Value& right);

enum class CompareOp { Greater, Less, Equal, GreaterEqual, LessEqual, NotEqual };

// `a op b` for two numbers or two texts (compareValues's last step).
template <typename T>
bool applyCompare(CompareOp op, const T& a, const T& b) {
  switch (op) {
    case CompareOp::Greater: return a > b;
    case CompareOp::Less: return a < b;
    case CompareOp::Equal: return a == b;
    case CompareOp::GreaterEqual: return a >= b;
    case CompareOp::LessEqual: return a <= b;
    case CompareOp::NotEqual: return a != b;
  }
  return false;
}

struct CompareOptions {
  bool sameStr = false;                    // OPTION SAMESTR: texts keep their case
  u16 (*expand)(const void*, u16v) = nullptr;  // escape expansion of texts
  const void* expandContext = nullptr;
};

// Compares after normalising both sides. `leftIsEmptyWord` and
// `rightIsEmptyWord` tell whether that side's own first token was EMPTY.
std::optional<bool> compareValues(CompareOp op, const Value& left, const Value& right, bool leftIsEmptyWord,
                                  bool rightIsEmptyWord, const CompareOptions& options);

// Rounds a final Double result to 12 decimal places, halves away from zero;
// magnitudes that do not fit the scaled 64-bit form go through a 15-digit
// text instead.
double roundResultSlow(double v);
inline double roundResult(double v) {
  // Whole numbers (and infinities) are left as they are; NaN and fractions
  // take the full rule.
  return v == std::trunc(v) ? v : roundResultSlow(v);
}

}  // namespace kova
