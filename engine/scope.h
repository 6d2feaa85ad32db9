#pragma once
// THensuFmt: one variable scope. There is one global scope per engine and
// one scope per running procedure or function call. Besides the variables
// it carries the executor's bookkeeping for that call (offset, loop and TRY
// state, exit/break/continue requests) and the per-scope system values.

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/block_frames.h"
#include "engine/name_list.h"
#include "engine/szhash.h"
#include "engine/value.h"

namespace kova {

// The value slots of a variable. A row of exactly one slot (every scalar)
// holds it in place, so making a scalar variable, as every call does for
// its parameters, needs no heap block. Other rows (declared arrays) keep
// their slots in a block that copies of the row share until one of them
// writes (copy on write): passing an array to a parameter or assigning it
// costs nothing until a side changes it. Reading goes through the const
// accessors; `at` and `mutableData` make the block the row's own first.
class ValueRow {
 public:
  ValueRow() = default;
  ValueRow(std::initializer_list<Value> values) { assign(values.begin(), values.end()); }
  // A row of the one slot `single`.
  explicit ValueRow(Value single) : one_(std::move(single)), single_(true) {}
  ValueRow(const ValueRow&) = default;
  ValueRow& operator=(const ValueRow&) = default;
  ValueRow(ValueRow&& other) noexcept
      : one_(std::move(other.one_)), many_(std::move(other.many_)), single_(other.single_) {
    other.single_ = false;
  }
  ValueRow& operator=(ValueRow&& other) noexcept {
    if (this == &other) return *this;
    one_ = std::move(other.one_);
    many_ = std::move(other.many_);
    single_ = other.single_;
    other.single_ = false;
    return *this;
  }
  ValueRow& operator=(std::vector<Value> values) {
    if (values.size() == 1) {
      setSingle(std::move(values[0]));
    } else {
      many_ = values.empty() ? nullptr : std::make_shared<std::vector<Value>>(std::move(values));
      single_ = false;
      one_ = Value();
    }
    return *this;
  }

  size_t size() const { return single_ ? 1 : many_ ? many_->size() : 0; }
  bool empty() const { return size() == 0; }
  const Value* data() const { return single_ ? &one_ : many_ ? many_->data() : nullptr; }
  const Value& operator[](size_t i) const { return data()[i]; }
  const Value* begin() const { return data(); }
  const Value* end() const { return data() + size(); }

  // Write access: the slots are made this row's own first.
  Value* mutableData() {
    if (single_) return &one_;
    if (!many_) return nullptr;
    if (many_.use_count() != 1) many_ = std::make_shared<std::vector<Value>>(*many_);
    return many_->data();
  }
  Value& at(size_t i) { return mutableData()[i]; }
  // The one slot of a single-slot row (every scalar), else null.
  Value* singleSlot() { return single_ ? &one_ : nullptr; }
  // True when another row shares this row's slots.
  bool shared() const { return !single_ && many_ && many_.use_count() != 1; }

  // As std::vector's: new slots are Empty, slots kept keep their values.
  void resize(size_t n) {
    if (n == size()) return;
    std::vector<Value> all = takeAll();
    all.resize(n);
    *this = std::move(all);
  }
  void assign(size_t n, const Value& v) {
    if (n == 1) {
      Value copy = v;  // `v` may be one of this row's slots
      many_.reset();
      setSingle(std::move(copy));
    } else {
      *this = std::vector<Value>(n, v);
    }
  }
  template <typename It>
  void assign(It first, It last) {
    if (std::distance(first, last) == 1) {
      Value copy = *first;  // may be one of this row's slots
      setSingle(std::move(copy));
    } else {
      *this = std::vector<Value>(first, last);
    }
  }
  // All slots, taken out of the row (which is left empty); copied only when
  // another row shares them.
  std::vector<Value> takeAll() {
    std::vector<Value> all;
    if (single_) {
      all.push_back(std::move(one_));
    } else if (many_) {
      if (many_.use_count() == 1) all = std::move(*many_);
      else all = *many_;
    }
    many_.reset();
    single_ = false;
    one_ = Value();
    return all;
  }

 private:
  void setSingle(Value v) {
    one_ = std::move(v);
    many_.reset();
    single_ = true;
  }

  Value one_;  // the slot while single_
  std::shared_ptr<std::vector<Value>> many_;  // the slots otherwise
  bool single_ = false;
};

struct Variable {
  std::vector<int32_t> bounds;  // declared upper bounds; empty for a scalar
  ValueRow slots;               // (b1+1)*...*(bn+1) slots; one for a scalar
};

// An open TRY block: "<TRY offset> <kind> <handler offset> <handler length>".
struct TryFrame {
  int tryOffset = 0;
  int kind = 0;  // 0 FINALLY, 1 EXCEPT
  int handlerOffset = 0;
  int handlerLength = 0;
};

inline constexpr int32_t kNoImagePosition = -999999;

class THensuFmt {
 public:
  NameList<Variable> variables;
  NameList<std::shared_ptr<TSZHash>> hashTables;

  // Executor state.
  bool exitFlag = false;
  int32_t breakCount = 0;
  int32_t continueCount = 0;
  int32_t offset = 0;      // statement to run, relative to the header
  int32_t startLine = -1;  // index of the header in the statement table; -1: no prepared lines
  int32_t count = 0;       // statements from the header up to (not including) FEND
  // The blocks the call is inside, innermost last; the statement loop
  // running now owns the frames from blockBase on (an EXCEPT or FINALLY
  // part runs in a statement loop of its own inside the one that failed).
  BlockStack blocks;
  uint32_t blockBase = 0;
  std::vector<TryFrame> openTries;
  u16 moduleName;
  // Current WITH value and the stack of enclosing ones. A WITH on a module
  // name gives the module's name as a string, which `instanceText` carries
  // for names that start with ".".
  Value withValue;
  std::vector<Value> withStack;
  u16 instanceText;
  bool isMain = false;
  // Unique per procedure call (never reused during the engine's life); 0
  // for the global scope and scopes made outside a call.
  uint64_t serial = 0;
  // Non-zero when the first layoutCount variables have the same names in
  // the same order in every scope of this key: a procedure's parameters and
  // RESULT when all of them are plain variables (SlotHint uses it).
  uint64_t layoutKey = 0;
  int32_t layoutCount = 0;
  // The scope of the call that created this one (null for a run's top).
  THensuFmt* caller = nullptr;

  // Error state.
  int32_t tryDepth = 0;
  bool errorPending = false;
  u16 tryErrMsg;
  u16 tryErrLine;

  // Per-scope system values.
  int32_t imgX = kNoImagePosition;
  int32_t imgY = kNoImagePosition;
  // The moment all G_TIME_ names read, as days since 1899-12-30 (local
  // time); 0 until GETTIME sets it or a G_TIME_ name is first read.
  double timeStamp = 0;

  // The statement clock. runStatement counts the statements it runs; the
  // first call (built-in or user function) of a statement takes the tick
  // count as the statement's start: what runs before it is expression
  // arithmetic, which takes no measurable time. Scopes that run no
  // statements take it at every call.
  uint64_t statementsRun = 0;
  uint64_t clockedStatement = 0;  // statementsRun when statementStart was taken
  uint32_t statementStart = 0;

  // The index in the statement table of the statement being run.
  int32_t currentLine() const { return startLine < 0 ? -1 : startLine + offset; }
};

// The loops `scope` is inside, in every statement loop.
int32_t loopCount(const THensuFmt& scope);

}  // namespace kova
