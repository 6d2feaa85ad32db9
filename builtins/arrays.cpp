// Array built-ins: LENGTH, SPLIT, JOIN, SETCLEAR, RESIZE, SHIFTARRAY and
// CALCARRAY. All but SPLIT take their array by name (a raw argument).
//
// A name reaches one of these:
//  - slots of a declared array (DIM a[b1][b2]...): all of them, or the block
//    that leading indexes select (a[1] of a[2][3] is the row a[1][0..3]);
//  - an array value held in a variable's slot (x = SPLIT(...), or a[1]
//    holding one);
//  - a plain value in a slot;
//  - or, when it names no variable, the value of the argument evaluated.
// Elements are addressed by index: 0 upwards for declared arrays, from the
// lower bound for array values. Changed array values are built anew and
// stored back, since array values may be shared by several variables.

#include <cmath>
#include <span>

#include "builtins/string_family.h"
#include "builtins/string_functions.h"
#include "builtins/string_rules.h"
#include "engine/run_messages.h"
#include "engine/value_rules.h"

namespace kova {

namespace {

constexpr Msg kTooLarge{u"配列が大きすぎます: %s", u"The array is too large: %s"};
// Largest number of slots RESIZE makes (as DIM allows).
constexpr long long kMaxArraySlots = static_cast<long long>(kMaxArrayElements);

// CALCARRAY operations (CALC_ constants).
enum CalcOp : int { kCalcAdd = 1, kCalcMin = 2, kCalcMax = 3, kCalcAvr = 4 };


struct ArrayTarget {
  enum Kind {
    None,       // nothing usable (or an error was reported)
    Slots,      // slots [first, first + count) of a declared array
    HeldArray,  // the array value in variable->slots[slot]
    Plain,      // a value that is no array in variable->slots[slot]
    Evaluated,  // `value`: the argument evaluated (it names no variable)
  };
  Kind kind = None;
  bool failed = false;  // an error was reported; the call ends
  u16 name;
  Variable* variable = nullptr;
  size_t first = 0, count = 0, slot = 0;
  size_t level = 0;  // Slots: the number of leading indexes given
  Value value;
};

ArrayTarget resolve(BuiltinCall& c, const u16& raw, bool evaluateOthers) {
  ArrayTarget t;
  const std::optional<RawReference> ref = parseReference(raw);
  Variable* v = ref ? c.variableNamed(ref->name) : nullptr;
  if (v && ref->indexes.size() <= v->bounds.size()) {
    t.name = ref->name;
    t.variable = v;
    const size_t k = ref->indexes.size();
    size_t first = 0;
    for (size_t j = 0; j < k; ++j) {
      std::optional<Value> iv = c.evaluate(ref->indexes[j]);
      long long i = 0;
      if (!iv) {
        t.failed = true;
        return t;
      }
      if (!indexOf(*iv, i)) {
        c.fail(text(rm::kExpressionRuntime));
        t.failed = true;
        return t;
      }
      if (i < 0 || i > v->bounds[j]) {
        c.fail(text(rm::kExceeded, ref->name));
        t.failed = true;
        return t;
      }
      first = first * (static_cast<size_t>(v->bounds[j]) + 1) + static_cast<size_t>(i);
    }
    size_t count = 1;
    for (size_t j = k; j < v->bounds.size(); ++j) {
      count *= static_cast<size_t>(v->bounds[j]) + 1;
      first *= static_cast<size_t>(v->bounds[j]) + 1;
    }
    if (k < v->bounds.size()) {
      t.kind = ArrayTarget::Slots;
      t.first = first;
      t.count = count;
      t.level = k;
    } else {
      t.kind = v->slots[first].isArray() ? ArrayTarget::HeldArray : ArrayTarget::Plain;
      t.slot = first;
    }
    return t;
  }
  if (!evaluateOthers) return t;
  std::optional<Value> value = c.evaluate(raw);
  if (!value) {
    t.failed = true;
    return t;
  }
  t.kind = ArrayTarget::Evaluated;
  t.value = std::move(*value);
  return t;
}

// A read-only view of the elements a target holds, with the index of the
// first one. Empty for targets that hold no array.
struct Elements {
  const Value* data = nullptr;
  size_t size = 0;
  long long firstIndex = 0;
};

Elements elementsOf(const ArrayTarget& t) {
  const Value* array = nullptr;
  if (t.kind == ArrayTarget::Slots) return {t.variable->slots.data() + t.first, t.count, 0};
  if (t.kind == ArrayTarget::HeldArray) array = &t.variable->slots[t.slot];
  if (t.kind == ArrayTarget::Evaluated && t.value.isArray()) array = &t.value;
  if (!array) return {};
  const ArrayValue& a = *array->arrayValue();
  const long long first = a.lowerBounds.size() == 1 ? a.lowerBounds[0] : 0;
  return {a.elements.data(), a.elements.size(), first};
}

// The inclusive index range [from, to] of a call's arguments `fromArg` and
// `fromArg + 1`, limited to the elements; empty when from > to.
std::pair<size_t, size_t> indexRange(const BuiltinCall& c, int fromArg, const Elements& e) {
  const long long last = e.firstIndex + static_cast<long long>(e.size) - 1;
  long long from = c.has(fromArg) ? c.integer(fromArg) : e.firstIndex;
  long long to = c.has(fromArg + 1) ? c.integer(fromArg + 1) : last;
  from = std::max(from, e.firstIndex);
  to = std::min(to, last);
  if (from > to) return {0, 0};
  return {static_cast<size_t>(from - e.firstIndex), static_cast<size_t>(to - from + 1)};
}

// Stores a changed array value where the target found it: into the slot,
// or through the write path when the argument names something writable (a
// hash table element). The result of a call or another expression is a
// temporary that goes nowhere.
void storeBack(BuiltinCall& c, const ArrayTarget& t, Value changed) {
  if (t.kind == ArrayTarget::HeldArray)
    t.variable->slots.at(t.slot) = std::move(changed);
  else if (parseReference(c.str(0)))
    c.putVariable(c.str(0), changed);
}

// The element count of all dimensions but `dim`.
size_t othersOf(const std::vector<size_t>& extents, size_t dim) {
  size_t n = 1;
  for (size_t j = 0; j < extents.size(); ++j)
    if (j != dim) n *= extents[j];
  return n;
}

// Re-dimensions dimension `dim` of a row-major block with the element counts
// `extents` to `newExtent`, keeping every element whose indexes still fit.
std::vector<Value> redimension(std::span<const Value> old, const std::vector<size_t>& extents, size_t dim,
                               size_t newExtent) {
  size_t outer = 1, inner = 1;
  for (size_t j = 0; j < dim; ++j) outer *= extents[j];
  for (size_t j = dim + 1; j < extents.size(); ++j) inner *= extents[j];
  std::vector<Value> out(outer * newExtent * inner);
  const size_t kept = std::min(extents[dim], newExtent);
  for (size_t o = 0; o < outer; ++o)
    for (size_t i = 0; i < kept; ++i)
      for (size_t n = 0; n < inner; ++n)
        out[(o * newExtent + i) * inner + n] = old[(o * extents[dim] + i) * inner + n];
  return out;
}

// Moves a block's rows of `rowSize` elements by `shift` rows (towards the
// end when positive); rows moved out are lost, rows moved in are Empty.
void shiftRows(Value* data, size_t count, size_t rowSize, long long shift) {
  if (rowSize == 0 || count == 0) return;
  const long long rows = static_cast<long long>(count / rowSize);
  if (shift >= rows || -shift >= rows) {
    for (size_t i = 0; i < count; ++i) data[i] = Value();
    return;
  }
  const size_t by = static_cast<size_t>(shift < 0 ? -shift : shift) * rowSize;
  if (shift > 0) {
    for (size_t i = count; i-- > by;) data[i] = std::move(data[i - by]);
    for (size_t i = 0; i < by; ++i) data[i] = Value();
  } else if (shift < 0) {
    for (size_t i = 0; i + by < count; ++i) data[i] = std::move(data[i + by]);
    for (size_t i = count - by; i < count; ++i) data[i] = Value();
  }
}

std::vector<size_t> extentsOf(const ArrayValue& a) {
  std::vector<size_t> e;
  for (size_t j = 0; j < a.upperBounds.size(); ++j)
    e.push_back(static_cast<size_t>(std::max(0, a.upperBounds[j] - a.lowerBounds[j] + 1)));
  return e;
}

long long firstDimensionLength(const ArrayValue& a) {
  return a.upperBounds.empty() ? 0 : static_cast<long long>(a.upperBounds[0]) - a.lowerBounds[0] + 1;
}

long long textLength(const Value& v) {
  return v.isArray() ? firstDimensionLength(*v.arrayValue()) : static_cast<long long>(valueText(v).size());
}

}  // namespace

// LENGTH(name or expression): for a declared array with fewer indexes than
// dimensions the next dimension's element count; for one of its elements
// the element's length; a hash table's entry count; else the value's length
// (an array value's element count in its first dimension).
void lengthFn(BuiltinCall& c) {
  const u16& raw = c.str(0);
  const std::optional<RawReference> ref = parseReference(raw);
  if (ref) {
    Variable* v = c.variableNamed(ref->name);
    if (v && !v->bounds.empty() && ref->indexes.size() < v->bounds.size()) {
      c.result = Value::integer(v->bounds[ref->indexes.size()] + 1);
      return;
    }
    if (v && !v->bounds.empty() && ref->indexes.size() == v->bounds.size()) {
      const ArrayTarget t = resolve(c, raw, false);
      if (t.failed) return;
      c.result = Value::integer(static_cast<int32_t>(textLength(v->slots[t.slot])));
      return;
    }
    if (!v && ref->indexes.empty()) {
      if (const std::shared_ptr<TSZHash> table = c.hashTableNamed(ref->name)) {
        c.result = Value::integer(table->count());
        return;
      }
    }
  }
  std::optional<Value> value = c.evaluateRaw(0);
  if (!value) return;
  c.result = Value::integer(static_cast<int32_t>(textLength(*value)));
}

void splitFn(BuiltinCall& c) {
  const u16 whole = argText(c, 0);
  const u16 separator = c.has(1) ? argText(c, 1) : u16(u" ");
  if (whole.size() >= kMaxArrayElements) {
    // Counted before the pieces are made: too many are refused without
    // taking their memory.
    const u16v sep = separator.empty() ? u16v(u" ") : u16v(separator);
    size_t pieces = 1;
    for (size_t at = whole.find(sep); at != u16::npos; at = whole.find(sep, at + sep.size())) ++pieces;
    if (pieces > kMaxArrayElements) {
      c.fail(text(kTooLarge, u"SPLIT"));
      return;
    }
  }
  auto a = std::make_shared<ArrayValue>();
  a->elements = splitPieces(whole, separator, c.has(2) && c.num(2) != 0, c.has(3) && c.num(3) != 0);
  a->lowerBounds = {0};
  a->upperBounds = {static_cast<int32_t>(a->elements.size()) - 1};
  c.result = Value::array(std::move(a));
}

// JOIN(array, [separator = " "], [skip empty], [from], [to]). An omitted
// separator (also one left empty between commas) is a blank.
void joinFn(BuiltinCall& c) {
  const ArrayTarget t = resolve(c, c.str(0), true);
  if (t.failed) return;
  const Elements e = elementsOf(t);
  const u16 separator = c.has(1) && !c.value(1).isEmpty() ? argText(c, 1) : u16(u" ");
  const bool skipEmpty = c.has(2) && c.num(2) != 0;
  const auto [from, count] = indexRange(c, 3, e);
  u16 out;
  bool any = false;
  for (size_t i = from; i < from + count; ++i) {
    const u16 piece = valueText(e.data[i]);
    if (skipEmpty && piece.empty()) continue;
    checkTextLength(out.size() + separator.size() + piece.size());
    if (any) out += separator;
    out += piece;
    any = true;
  }
  c.result = Value::string(std::move(out));
}

// SETCLEAR(array, [value = Empty]).
void setclearFn(BuiltinCall& c) {
  const ArrayTarget t = resolve(c, c.str(0), false);
  if (t.failed) return;
  const Value fill = c.has(1) ? c.value(1) : Value();
  switch (t.kind) {
    case ArrayTarget::Slots:
      for (size_t i = 0; i < t.count; ++i) t.variable->slots.at(t.first + i) = fill;
      return;
    case ArrayTarget::Plain:
      // One element of a declared array named with all its indexes; a
      // scalar that holds no array is left alone.
      if (!t.variable->bounds.empty()) t.variable->slots.at(t.slot) = fill;
      return;
    case ArrayTarget::HeldArray: {
      const ArrayValue& old = *t.variable->slots[t.slot].arrayValue();
      if (old.upperBounds.size() != 1) return;
      auto a = std::make_shared<ArrayValue>(old);
      for (Value& element : a->elements) element = fill;
      storeBack(c, t, Value::array(std::move(a)));
      return;
    }
    default:
      return;
  }
}

// RESIZE(array, [new bound]): the upper bound, after re-dimensioning when a
// new bound is given. For a declared array with k leading indexes the
// dimension k+1 is meant (a[0] of a[2][3] reports 3; RESIZE(a[0], 5) makes
// it a[2][5] for every row); elements whose indexes still fit are kept.
void resizeFn(BuiltinCall& c) {
  c.result = Value::integer(-1);
  const ArrayTarget t = resolve(c, c.str(0), true);
  if (t.failed) return;
  if (!c.has(1)) {
    if (t.kind == ArrayTarget::Slots) {
      c.result = Value::integer(t.variable->bounds[t.level]);
    } else if (t.kind == ArrayTarget::HeldArray || (t.kind == ArrayTarget::Evaluated && t.value.isArray())) {
      const ArrayValue& a = *(t.kind == ArrayTarget::HeldArray ? t.variable->slots[t.slot] : t.value).arrayValue();
      if (!a.upperBounds.empty()) c.result = Value::integer(a.upperBounds[0]);
    }
    return;
  }
  const long long bound = std::max<long long>(c.integer(1), -1);
  auto tooLarge = [&](size_t others) {
    if (bound < kMaxArraySlots && static_cast<long long>(others) * (bound + 1) <= kMaxArraySlots) return false;
    c.fail(text(kTooLarge, t.name.empty() ? c.str(0) : t.name));
    return true;
  };
  switch (t.kind) {
    case ArrayTarget::Slots: {
      Variable& v = *t.variable;
      std::vector<size_t> extents;
      for (int32_t b : v.bounds) extents.push_back(static_cast<size_t>(b) + 1);
      if (tooLarge(othersOf(extents, t.level))) return;
      v.slots = redimension(std::span<const Value>(v.slots.data(), v.slots.size()), extents, t.level,
                            static_cast<size_t>(bound + 1));
      v.bounds[t.level] = static_cast<int32_t>(bound);
      break;
    }
    case ArrayTarget::Plain:
      c.fail(u"SyntaxError-23", false);
      return;
    case ArrayTarget::HeldArray:
    case ArrayTarget::Evaluated: {
      const Value& held = t.kind == ArrayTarget::HeldArray ? t.variable->slots[t.slot] : t.value;
      if (!held.isArray() || held.arrayValue()->upperBounds.empty()) {
        c.fail(u"SyntaxError-22", false);
        return;
      }
      const ArrayValue& old = *held.arrayValue();
      const std::vector<size_t> extents = extentsOf(old);
      if (tooLarge(othersOf(extents, 0))) return;
      auto a = std::make_shared<ArrayValue>(old);
      const long long upper = std::max<long long>(bound, static_cast<long long>(old.lowerBounds[0]) - 1);
      const size_t extent = static_cast<size_t>(upper - old.lowerBounds[0] + 1);
      a->elements = redimension(old.elements, extents, 0, extent);
      a->upperBounds[0] = static_cast<int32_t>(upper);
      storeBack(c, t, Value::array(std::move(a)));
      if (c.stopped()) return;
      break;
    }
    default:
      return;
  }
  c.result = Value::integer(static_cast<int32_t>(bound));
}

// SHIFTARRAY(array, shift): moves the elements `shift` places towards the
// end (towards the start when negative); elements moved past an end are
// lost and the places left behind become Empty. Multi-dimensional arrays
// move whole rows of their first (or first unindexed) dimension.
void shiftarrayFn(BuiltinCall& c) {
  const ArrayTarget t = resolve(c, c.str(0), true);
  if (t.failed) return;
  const long long shift = c.integer(1);
  if (t.kind == ArrayTarget::Slots) {
    const size_t rows = static_cast<size_t>(t.variable->bounds[t.level]) + 1;
    shiftRows(t.variable->slots.mutableData() + t.first, t.count, t.count / rows, shift);
    return;
  }
  if (t.kind != ArrayTarget::HeldArray && !(t.kind == ArrayTarget::Evaluated && t.value.isArray())) return;
  const Value& held = t.kind == ArrayTarget::HeldArray ? t.variable->slots[t.slot] : t.value;
  auto a = std::make_shared<ArrayValue>(*held.arrayValue());
  const std::vector<size_t> extents = extentsOf(*a);
  if (extents.empty() || extents[0] == 0) return;
  shiftRows(a->elements.data(), a->elements.size(), a->elements.size() / extents[0], shift);
  storeBack(c, t, Value::array(std::move(a)));
}

// CALCARRAY(array, [operation = CALC_ADD], [from], [to]). Empty elements are
// skipped (the average divides by the elements used); any other element
// must be a number. No elements give 0.
void calcarrayFn(BuiltinCall& c) {
  const ArrayTarget t = resolve(c, c.str(0), true);
  if (t.failed) return;
  const Elements e = elementsOf(t);
  const long long op = c.has(1) ? c.integer(1) : static_cast<long long>(kCalcAdd);
  if (op < kCalcAdd || op > kCalcAvr) return;
  const auto [from, count] = indexRange(c, 2, e);
  double sum = 0, low = 0, high = 0;
  size_t used = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (e.data[i].isEmpty()) continue;
    double d = 0;
    if (!e.data[i].toNumber(d)) {
      c.fail(text(rm::kExpressionRuntime));
      return;
    }
    sum += d;
    low = used == 0 ? d : std::min(low, d);
    high = used == 0 ? d : std::max(high, d);
    ++used;
  }
  double r = sum;
  if (op == kCalcMin) r = low;
  if (op == kCalcMax) r = high;
  if (op == kCalcAvr) r = used == 0 ? 0 : sum / static_cast<double>(used);
  c.result = Value::number(r);
}

}  // namespace kova
