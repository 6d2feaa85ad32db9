// Variables: the read path (GetValue), the write path (PutValue), array
// addressing, and the declarations DIM, PUBLIC and CONST.
//
// A variable is a row of value slots: one for a scalar, (b1+1)*...*(bn+1)
// for an array declared with upper bounds b1...bn, row-major. A slot may
// itself hold a variant array value (SPLIT results and the like), which
// 1 to 4 further indexes address.

#include <cmath>
#include <new>
#include <span>

#include "engine/compiled_statement.h"
#include "engine/name_resolver.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"
#include "engine/value_rules.h"
#include "util/date_time.h"

namespace kova {

namespace {

constexpr int32_t kIndexFailed = -999999;
// Largest number of slots one declared array may have. Larger requests are
// refused with a script error instead of exhausting memory.
constexpr size_t kMaxArraySlots = kMaxArrayElements;
constexpr int kMaxIndexes = 15;

constexpr Msg kIndexWrong{u"配列のインデックスが間違っています", u"Index of the array is wrong"};
constexpr Msg kListExceeded{u"設定値の数が配列をオーバーしてます", u"It exceeded arrangement"};
constexpr Msg kHashWrite{u"HASHTBLへの無効な書き込み: %s", u"Invalid writing in HASHTBL: %s"};
constexpr Msg kPublicBounds{u"グローバル変数: %s は既に定義されています(次元数が違う)", u"It has already been defined: %s"};
constexpr Msg kPublicTwice{u"グローバル変数: %s は既に定義されています", u"It has already been defined: %s"};
constexpr Msg kTooLarge{u"配列が大きすぎます: %s", u"The array is too large: %s"};

const char16_t* const kTimeNames[] = {u"G_TIME_YY",  u"G_TIME_MM",  u"G_TIME_DD",  u"G_TIME_HH",
                                      u"G_TIME_NN",  u"G_TIME_SS",  u"G_TIME_ZZ",  u"G_TIME_WW",
                                      u"G_TIME_YY4", u"G_TIME_YY2", u"G_TIME_MM2", u"G_TIME_DD2",
                                      u"G_TIME_HH2", u"G_TIME_NN2", u"G_TIME_SS2", u"G_TIME_ZZ2"};

bool hasSpecialCharacter(const u16& name) { return name.find_first_of(u" ,+-*/=<>()!?") != u16::npos; }


u16 pad(long long v, int width) {
  u16 s = toU16(v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), u'0');
  return s;
}

// Ensures the array value held by `v` is not shared with other values
// before it is changed (array values have value semantics).
ArrayValue& ownArray(Value& v) {
  if (v.arrayValue().use_count() > 1) v = Value::array(std::make_shared<ArrayValue>(*v.arrayValue()));
  return *v.arrayValue();
}

// Slot of an element inside an array value; -1 when an index is outside.
long long arraySlot(const ArrayValue& a, IndexList indexes, size_t first) {
  long long slot = 0;
  for (size_t k = 0; k < a.upperBounds.size(); ++k) {
    long long i = 0;
    if (!indexOf(indexes[first + k], i)) return -1;
    const long long lo = a.lowerBounds[k], hi = a.upperBounds[k];
    if (i < lo || i > hi) return -1;
    slot = slot * (hi - lo + 1) + (i - lo);
  }
  return slot;
}

}  // namespace

// --- Read path ---------------------------------------------------------------

bool TUScript::isGlobalName(u16v name) const {
  const auto lock = lockShared();
  return globals_.variables.contains(name);
}

std::optional<Value> TUScript::arrayElement(const Value& array, IndexList indexes) {
  if (!array.isArray()) return std::nullopt;
  const ArrayValue& a = *array.arrayValue();
  if (a.upperBounds.size() != indexes.size()) return std::nullopt;
  const long long slot = arraySlot(a, indexes, 0);
  if (slot < 0 || slot >= static_cast<long long>(a.elements.size())) return std::nullopt;
  return a.elements[static_cast<size_t>(slot)];
}

namespace {

// Where a name with indexes points inside one variable.
struct SlotRef {
  enum Kind { Bad, Dimension, Outside, Plain, InArray } kind = Bad;
  size_t slot = 0;       // slot of the variable's row
  size_t firstNested = 0;  // first index that addresses the array value in the slot
};

// The row slot that the first `n` indexes select; Bad or Outside on failure.
SlotRef::Kind rowSlot(const Variable& v, IndexList indexes, size_t n, size_t& slotOut) {
  long long slot = 0;
  for (size_t k = 0; k < n; ++k) {
    long long i = 0;
    if (!indexOf(indexes[k], i)) return SlotRef::Bad;
    if (i < 0 || i > v.bounds[k]) return SlotRef::Outside;
    slot = slot * (v.bounds[k] + 1LL) + i;
  }
  slotOut = static_cast<size_t>(slot);
  return SlotRef::Plain;
}

SlotRef locate(const Variable& v, IndexList indexes, bool hasIndexes) {
  SlotRef r;
  const size_t m = hasIndexes ? indexes.size() : 0;
  const size_t n = v.bounds.size();
  if (m < n || m - n > 4) {
    r.kind = SlotRef::Dimension;
    return r;
  }
  r.kind = rowSlot(v, indexes, n, r.slot);
  if (r.kind != SlotRef::Plain || m == n) return r;
  // Further indexes address the array value held in the selected slot.
  const Value& held = v.slots[r.slot];
  if (held.isArray() && held.arrayValue()->upperBounds.size() == m - n) {
    r.kind = SlotRef::InArray;
    r.firstNested = n;
    return r;
  }
  r.kind = SlotRef::Dimension;
  return r;
}

}  // namespace

namespace {

std::optional<Value> timeValue(Platform& platform, const u16& name, THensuFmt& scope) {
  if (scope.timeStamp == 0) scope.timeStamp = platform.localDateTimeNow();
  const DateParts p = splitDateTime(scope.timeStamp);
  if (name == u"G_TIME_YY") return Value::word(static_cast<uint16_t>(p.year));
  if (name == u"G_TIME_MM") return Value::word(static_cast<uint16_t>(p.month));
  if (name == u"G_TIME_DD") return Value::word(static_cast<uint16_t>(p.day));
  if (name == u"G_TIME_HH") return Value::word(static_cast<uint16_t>(p.hour));
  if (name == u"G_TIME_NN") return Value::word(static_cast<uint16_t>(p.minute));
  if (name == u"G_TIME_SS") return Value::word(static_cast<uint16_t>(p.second));
  if (name == u"G_TIME_ZZ") return Value::word(static_cast<uint16_t>(p.millisecond));
  if (name == u"G_TIME_WW") return Value::integer(p.weekday);
  if (name == u"G_TIME_YY4") return Value::string(pad(p.year, 4));
  if (name == u"G_TIME_YY2") return Value::string(pad(p.year % 100, 2));
  if (name == u"G_TIME_MM2") return Value::string(pad(p.month, 2));
  if (name == u"G_TIME_DD2") return Value::string(pad(p.day, 2));
  if (name == u"G_TIME_HH2") return Value::string(pad(p.hour, 2));
  if (name == u"G_TIME_NN2") return Value::string(pad(p.minute, 2));
  if (name == u"G_TIME_SS2") return Value::string(pad(p.second, 2));
  if (name == u"G_TIME_ZZ2") return Value::string(pad(p.millisecond, 3));
  return std::nullopt;
}

}  // namespace

Value TUScript::getValue(u16v text, THensuFmt& scope) {
  const size_t open = text.find(u'[');
  const u16 bare = upperFull(trimCtl(text.substr(0, open)));
  std::vector<Value> indexes;
  if (open != u16v::npos) {
    u16 inner(text.substr(open + 1));
    if (!inner.empty() && inner.back() == u']') inner.pop_back();
    inner = replaceAll(inner, u"][", u",");
    for (const u16& piece : splitTopLevel(inner, u',')) {
      std::optional<Value> v = evaluate(piece, scope);
      if (!v) return Value::integer(0);
      indexes.push_back(std::move(*v));
    }
  }
  return getValueIndexed(bare, open != u16v::npos, indexes, scope);
}

// The global names a name may stand for in `scope` (name_resolver.h).
class GlobalNames : public GlobalCandidates {
 public:
  GlobalNames(const u16& name, const THensuFmt& scope) : GlobalCandidates(name, scope.moduleName, scope.instanceText) {}
  operator std::span<const u16>() const { return {begin(), end()}; }
};

// The hash table a name refers to: the scope's own, else a global one
// (module qualification applied through `candidates`).
std::shared_ptr<TSZHash> TUScript::hashTableNamed(const u16& name, std::span<const u16> candidates,
                                                  THensuFmt& scope) {
  const auto lock = lockShared();
  const int local = scope.hashTables.find(name);
  if (local >= 0) return scope.hashTables.value(local);
  for (const u16& candidate : candidates) {
    const int global = globals_.hashTables.find(candidate);
    if (global >= 0) return globals_.hashTables.value(global);
  }
  return nullptr;
}

std::shared_ptr<TSZHash> TUScript::hashTableNamed(const u16& upperName, THensuFmt& scope) {
  return hashTableNamed(upperName, GlobalNames(upperName, scope), scope);
}

namespace {

// The index of the local variable `name` of `scope`, or -1; `hint` (when
// given) is checked first and refreshed after a lookup by name.
int findLocal(const THensuFmt& scope, const u16& name, const SlotHint* hint) {
  if (hint) {
    const int known = hint->indexFor(scope.serial, scope.layoutKey, scope.layoutCount);
    if (known >= 0) return known;
    // Another call of the same procedure usually has the name at the same place.
    const int guess = hint->anyIndex();
    if (guess >= 0 && guess < scope.variables.size() && scope.variables.name(guess) == name) {
      hint->remember(scope.serial, guess, scope.layoutKey, scope.layoutCount);
      return guess;
    }
  }
  const int found = scope.variables.find(name);
  if (hint && found >= 0) hint->remember(scope.serial, found, scope.layoutKey, scope.layoutCount);
  return found;
}

}  // namespace

Variable* TUScript::localVariableByName(const u16& name, THensuFmt& scope, const SlotHint* hint) {
  if (isGlobalScope(scope)) return nullptr;  // its variables are shared: reached under the lock
  const int local = findLocal(scope, name, hint);
  return local < 0 ? nullptr : &scope.variables.value(local);
}

Value TUScript::getValueIndexed(const u16& name, bool hasIndexes, IndexList indexes,
                                THensuFmt& scope, const SlotHint* hint) {
  if (stopFlag) return Value::integer(0);
  if (indexes.size() > kMaxIndexes) {
    report(text(rm::kDimensionMismatch, name), &scope);
    return Value::integer(0);
  }
  // A fault found while the shared-state lock may be held is reported once
  // it is released.
  u16 failure;
  auto read = [&](const Variable& v) -> Value {
    const bool isParamStr = name == u"PARAM_STR";
    const SlotRef r = locate(v, indexes, hasIndexes);
    switch (r.kind) {
      case SlotRef::Plain:
        return v.slots[r.slot];
      case SlotRef::InArray: {
        const std::vector<Value> nested(indexes.begin() + static_cast<long>(r.firstNested), indexes.end());
        std::optional<Value> element = arrayElement(v.slots[r.slot], nested);
        if (element) return *element;
        if (isParamStr) return Value();
        failure = text(rm::kExceeded, name);
        return Value::integer(0);
      }
      case SlotRef::Outside:
        if (isParamStr) return Value();  // PARAM_STR is never out of range
        failure = text(rm::kExceeded, name);
        return Value::integer(0);
      case SlotRef::Dimension:
        if (isParamStr && hasIndexes) return Value();
        failure = text(rm::kDimensionMismatch, name);
        return Value::integer(0);
      case SlotRef::Bad:
        failure = text(rm::kExpressionRuntime);
        return Value::integer(0);
    }
    return Value::integer(0);
  };

  auto reported = [&](Value v) {
    if (!failure.empty()) report(failure, &scope);
    return v;
  };
  // 1. Local variables. A scalar read without indexes is its one slot.
  std::unique_lock<std::recursive_mutex> lock(sharedMutex_, std::defer_lock);
  if (isGlobalScope(scope)) lock.lock();
  const int local = findLocal(scope, name, hint);
  if (local >= 0) {
    const Variable& v = scope.variables.value(local);
    if (!hasIndexes && v.bounds.empty() && !v.slots.empty()) return v.slots[0];
    Value value = read(v);
    if (lock.owns_lock()) lock.unlock();
    return reported(std::move(value));
  }
  // 2. TRUE and FALSE.
  if (!hasIndexes) {
    if (name == u"TRUE") return trueValue;
    if (name == u"FALSE") return falseValue;
  }
  // 3. Global variables, with module qualification.
  const GlobalNames candidates(name, scope);
  if (!lock.owns_lock()) lock.lock();
  for (const u16& candidate : candidates) {
    const int g = globals_.variables.find(candidate);
    if (g < 0) continue;
    Value value = read(globals_.variables.value(g));
    lock.unlock();
    return reported(std::move(value));
  }
  // 4. Hash tables, local then global.
  if (hasIndexes) {
    if (const std::shared_ptr<TSZHash> table = hashTableNamed(name, candidates, scope)) {
      Value value = readHashTable(*table, name, indexes, failure);
      lock.unlock();
      return reported(std::move(value));
    }
  }
  lock.unlock();
  if (!hasIndexes) {
    // 5.-6. Named constants.
    const double c = constantValue(*this, name);
    if (c != kNoSuchConstant) return Value::number(c);
    u16 t = textConstant(*this, name);
    // A folder the system lacks reads as an empty text, not as undefined.
    if (!t.empty() || isTextConstantName(name)) return Value::string(std::move(t));
    // 7.-9. System values.
    if (name == u"NULL") return Value::null();
    if (name == u"NOTHING") return Value::dispatch(nullptr);
    if (name == u"EMPTY") return Value();
    if (name == u"TRY_ERRMSG") return Value::string(scope.tryErrMsg);
    if (name == u"TRY_ERRLINE") return Value::string(scope.tryErrLine);
    if (name == u"G_IMG_X") return Value::integer(scope.imgX);
    if (name == u"G_IMG_Y") return Value::integer(scope.imgY);
    if (startsWith(name, u"G_TIME_")) {
      std::optional<Value> v = timeValue(platform_, name, scope);
      if (v) return *v;
    }
    // 10. Textblocks, then constants.
    for (const u16& candidate : candidates) {
      const int tb = program.textblockTable.find(candidate);
      if (tb >= 0) return Value::string(expandEscapes(program.textblockTable.value(tb)));
    }
    for (const u16& candidate : candidates) {
      const int k = program.constTable.find(candidate);
      if (k >= 0) return program.constTable.value(k);
    }
  }
  // 11. Not defined.
  report(text(rm::kUndefined, name), &scope);
  return Value::integer(0);
}


// --- Write path --------------------------------------------------------------

Value* TUScript::appendableSlot(const CompiledTarget& target, THensuFmt& scope) {
  if (target.hasIndexes) return nullptr;
  Variable* v = nullptr;
  const int local = isGlobalScope(scope) ? -1 : findLocal(scope, target.name, &target.hint);
  if (local >= 0) v = &scope.variables.value(local);
  // A global is never appended to in place: its slot could be read or
  // written by a worker while the append runs outside the lock.
  if (!v) return nullptr;
  if (!v || !v->bounds.empty() || v->slots.size() != 1) return nullptr;
  return &v->slots.at(0);
}

void TUScript::putValue(u16v text, const Value& value, THensuFmt& scope, bool initialiser, bool mustExist) {
  const size_t open = text.find(u'[');
  const u16 name = upperFull(trimCtl(text.substr(0, open)));
  const bool hasIndexes = open != u16v::npos;
  std::vector<Value> indexes;
  if (hasIndexes) {
    u16 inner(text.substr(open + 1));
    if (!inner.empty() && inner.back() == u']') inner.pop_back();
    inner = replaceAll(inner, u"][", u",");
    for (const u16& piece : splitTopLevel(inner, u',')) {
      std::optional<Value> v = evaluate(piece, scope);
      if (!v) return;
      indexes.push_back(std::move(*v));
    }
  }
  putValueIndexed(name, hasIndexes, indexes, value, scope, initialiser, mustExist);
}

void TUScript::putValueIndexed(const u16& name, bool hasIndexes, IndexList indexes, Value value,
                               THensuFmt& scope, bool initialiser, bool mustExist, const SlotHint* hint) {
  if (indexes.size() > kMaxIndexes) {
    report(text(rm::kDimensionMismatch, name), &scope);
    return;
  }
  // A fault found while the shared-state lock may be held is reported once
  // it is released.
  u16 failure;
  auto store = [&](Variable& v) {
    if (initialiser && hasIndexes) {
      // A value list of DIM/PUBLIC: the first index counts along the row.
      long long i = 0;
      if (!indexOf(indexes[0], i) || i < 0 || static_cast<size_t>(i) >= v.slots.size()) {
        failure = text(kListExceeded);
        return;
      }
      v.slots.at(static_cast<size_t>(i)) = std::move(value);
      return;
    }
    const SlotRef r = locate(v, indexes, hasIndexes);
    switch (r.kind) {
      case SlotRef::Plain:
        v.slots.at(r.slot) = std::move(value);
        return;
      case SlotRef::InArray: {
        ArrayValue& a = ownArray(v.slots.at(r.slot));
        const long long slot = arraySlot(a, indexes, r.firstNested);
        if (slot < 0 || slot >= static_cast<long long>(a.elements.size())) {
          failure = text(rm::kExceeded, name);
          return;
        }
        a.elements[static_cast<size_t>(slot)] = std::move(value);
        return;
      }
      case SlotRef::Outside:
        failure = text(rm::kExceeded, name);
        return;
      case SlotRef::Dimension:
        if (v.bounds.empty() && hasIndexes && v.slots[0].isArray()) {
          failure = text(rm::kExceeded, name);
          return;
        }
        failure = text(rm::kDimensionMismatch, name);
        return;
      case SlotRef::Bad:
        failure = text(rm::kExpressionRuntime);
        return;
    }
  };

  // 1. Local, else global variables. A scalar written without indexes is
  // its one slot.
  auto reportFailure = [&] {
    if (!failure.empty()) report(failure, &scope);
  };
  std::unique_lock<std::recursive_mutex> lock(sharedMutex_, std::defer_lock);
  if (isGlobalScope(scope)) lock.lock();
  const int local = findLocal(scope, name, hint);
  if (local >= 0) {
    Variable& v = scope.variables.value(local);
    if (!hasIndexes && v.bounds.empty() && !v.slots.empty()) {
      v.slots.at(0) = std::move(value);
      return;
    }
    store(v);
    if (lock.owns_lock()) lock.unlock();
    return reportFailure();
  }
  const GlobalNames candidates(name, scope);
  if (!lock.owns_lock()) lock.lock();
  for (const u16& candidate : candidates) {
    const int g = globals_.variables.find(candidate);
    if (g < 0) continue;
    store(globals_.variables.value(g));
    lock.unlock();
    return reportFailure();
  }
  // 2.-3. Hash tables.
  if (const std::shared_ptr<TSZHash> table = hashTableNamed(name, candidates, scope)) {
    if (hasIndexes) {
      if (indexes.size() != 1) {
        lock.unlock();
        report(text(kHashWrite, name), &scope);
        return;
      }
      table->put(indexes[0].toText(), std::move(value));
      return;
    }
    if (value.kind() == ValueKind::Double && value.doubleValue() == 901) {
      table->clear();  // HASH_REMOVEALL
      return;
    }
  }
  lock.unlock();
  // 4. Implicit declaration.
  if (mustExist) return;
  if (hasIndexes) {
    report(text(rm::kArrayWithoutDeclaration, name), &scope);
    return;
  }
  const u16 reserved = checkReserved(name);
  if (!reserved.empty()) {
    report(reserved, &scope);
    return;
  }
  if (isGlobalScope(scope)) lock.lock();
  scope.variables.add(name, Variable{{}, {std::move(value)}});
}

// --- Declarations ------------------------------------------------------------

u16 TUScript::checkReserved(const u16& name) const {
  static const char16_t* const kWords[] = {u"G_IMG_X", u"G_IMG_Y", u"AND",     u"OR",         u"XOR",
                                           u"MOD",     u"NULL",    u"NOTHING", u"EMPTY",      u"TRUE",
                                           u"FALSE",   u"RESULT",  u"TRY_ERRMSG", u"TRY_ERRLINE"};
  bool reserved = false;
  for (const char16_t* w : kWords) reserved = reserved || name == w;
  for (const char16_t* w : kTimeNames) reserved = reserved || name == w;
  auto* self = const_cast<TUScript*>(this);
  reserved = reserved || constantValue(*self, name) != kNoSuchConstant || isTextConstantName(name);
  return reserved ? text(rm::kReserved, name) : u16();
}

DeclItem splitDeclarationItem(u16v item) {
  DeclItem d;
  const size_t eq = findTopLevel(item, u"=");
  const u16 left = trimCtl(item.substr(0, eq));
  if (eq != u16v::npos) {
    d.hasValue = true;
    d.valueText = trimCtl(item.substr(eq + 1));
  }
  const size_t open = left.find(u'[');
  d.name = upperFull(trimCtl(u16v(left).substr(0, open)));
  if (open != u16::npos) {
    d.hasBrackets = true;
    u16 inner = left.substr(open + 1);
    if (!inner.empty() && inner.back() == u']') inner.pop_back();
    inner = replaceAll(replaceAll(inner, u"][", u","), u"[ ", u"[");
    for (const u16& b : splitTopLevel(inner, u',')) d.boundTexts.push_back(trimCtl(b));
    if (d.hasValue) d.valueItems = splitTopLevel(d.valueText, u',');
  }
  return d;
}

std::vector<u16> declarationItems(u16v list) {
  const size_t eq = list.find(u'=');
  const size_t br = list.find(u'[');
  std::vector<u16> items;
  if (eq != u16v::npos && eq > 0 && br != u16v::npos && br > 0) items.emplace_back(list);
  else items = splitTopLevel(list, u',');
  for (u16& item : items) item = trimCtl(item);
  return items;
}

namespace {

// A declaration's expression: its tree when the item was compiled, else its text.
std::optional<Value> evaluatePiece(TUScript& e, const ExpressionTree& tree, u16v text, THensuFmt& scope) {
  return tree ? e.evaluateParsed(*tree, scope) : e.evaluate(text, scope);
}

// Builds the variable of a declaration item (bounds and empty slots);
// returns false with `error` set on a fault. Value lists are stored by the
// caller.
bool buildDeclared(TUScript& e, const DeclItem& d, Variable& v, THensuFmt& scope, u16& error) {
  size_t slots = 1;
  std::vector<Value> values;
  if (d.hasBrackets && d.hasValue) values.resize(d.valueItems.size());
  for (size_t k = 0; k < d.boundTexts.size(); ++k) {
    long long bound = 0;
    if (d.boundTexts[k].empty()) {
      if (k != 0) {
        error = text(kIndexWrong);
        return false;
      }
      bound = -1;  // computed from the value list below
    } else {
      std::optional<Value> b = evaluatePiece(e, k < d.boundTrees.size() ? d.boundTrees[k] : nullptr,
                                             d.boundTexts[k], scope);
      if (!b || !indexOf(*b, bound) || bound < 0) {
        error = text(kIndexWrong);
        return false;
      }
    }
    v.bounds.push_back(static_cast<int32_t>(std::min<long long>(bound, INT32_MAX)));
    if (bound > static_cast<long long>(kMaxArraySlots)) {
      error = text(kTooLarge, d.name);
      return false;
    }
  }
  if (!v.bounds.empty() && v.bounds[0] == -1) {
    // NAME[] = x1, x2, ... : the first bound follows from the number of values.
    size_t rest = 1;
    for (size_t k = 1; k < v.bounds.size(); ++k) rest *= static_cast<size_t>(v.bounds[k]) + 1;
    const size_t n = values.size();
    v.bounds[0] = static_cast<int32_t>(n == 0 ? 0 : (n + rest - 1) / rest - 1);
  }
  for (int32_t b : v.bounds) {
    slots *= static_cast<size_t>(b) + 1;
    if (slots > kMaxArraySlots) {
      error = text(kTooLarge, d.name);
      return false;
    }
  }
  try {
    v.slots.assign(slots, Value());
  } catch (const std::bad_alloc&) {
    error = text(kTooLarge, d.name);
    return false;
  }
  return true;
}

// Stores the initial values of a declaration: "NAME = x" or a value list.
bool assignDeclaredValues(TUScript& e, const DeclItem& d, THensuFmt& evalScope, THensuFmt& target) {
  if (!d.hasValue) return true;
  if (!d.hasBrackets) {
    std::optional<Value> v = evaluatePiece(e, d.valueTree, d.valueText, evalScope);
    if (!v) return false;
    e.putValueIndexed(d.name, false, {}, *v, target);
    return !e.stopFlag;
  }
  const std::vector<u16>& items = d.valueItems;
  for (size_t k = 0; k < items.size(); ++k) {
    Value value;
    if (!trimCtl(items[k]).empty()) {
      std::optional<Value> v =
          evaluatePiece(e, k < d.valueItemTrees.size() ? d.valueItemTrees[k] : nullptr, items[k], evalScope);
      if (!v) return false;
      value = std::move(*v);
    }
    const Value index = Value::number(static_cast<double>(k));
    e.putValueIndexed(d.name, true, IndexList(&index, 1), value, target, true);
    if (e.stopFlag) return false;
  }
  return true;
}

}  // namespace

void TUScript::declareLocal(THensuFmt& scope, u16v list) {
  std::vector<DeclItem> items;
  for (const u16& raw : declarationItems(list)) items.push_back(splitDeclarationItem(raw));
  declareLocal(scope, items);
}

void TUScript::declareLocal(THensuFmt& scope, const std::vector<DeclItem>& items) {
  for (const DeclItem& d : items) {
    if (d.name.empty() || hasSpecialCharacter(d.name)) {
      report(u"SyntaxError-6", &scope);
      return;
    }
    const u16 reserved = checkReserved(d.name);
    if (!reserved.empty()) {
      report(reserved, &scope);
      return;
    }
    Variable v;
    u16 error;
    if (!buildDeclared(*this, d, v, scope, error)) {
      // A bracket that cannot be evaluated is a declaration error, which a
      // TRY must not catch.
      report(error, &scope, false, false);
      return;
    }
    const int existing = scope.variables.find(d.name);
    if (existing >= 0) scope.variables.value(existing) = std::move(v);
    else scope.variables.add(d.name, std::move(v));
    if (!assignDeclaredValues(*this, d, scope, scope)) return;
  }
}

u16 TUScript::declarePublic(u16v item, bool isPublic) {
  // Preparation runs before any worker exists; the lock keeps the one path.
  const auto lock = lockShared();
  const DeclItem d = splitDeclarationItem(item);
  if (d.name.empty() || hasSpecialCharacter(d.name)) return u"SyntaxError-6";
  if (d.hasValue && d.valueText.empty()) return u"SyntaxError-7";
  const u16 reserved = checkReserved(d.name);
  if (!reserved.empty()) return reserved;
  if (program.constTable.contains(d.name) || program.textblockTable.contains(d.name) ||
      globals_.hashTables.contains(d.name))
    return text(rm::kVarAlreadyDefined, d.name);
  u16 error;
  Variable v;
  u16* const saved = capturedError;
  capturedError = &error;
  const bool built = buildDeclared(*this, d, v, globals_, error);
  capturedError = saved;
  if (!built || !error.empty()) return error.empty() ? text(kIndexWrong) : error;
  const int existing = globals_.variables.find(d.name);
  if (existing >= 0) {
    if (program.options.optPublic) return text(kPublicTwice, d.name);
    if (globals_.variables.value(existing).bounds != v.bounds) return text(kPublicBounds, d.name);
    return {};  // the same declaration again: nothing happens
  }
  globals_.variables.add(d.name, std::move(v));
  publicFlags.push_back(isPublic);
  capturedError = &error;
  assignDeclaredValues(*this, d, globals_, globals_);
  capturedError = saved;
  return error;
}

u16 TUScript::declareConst(u16v declaration) {
  const size_t eq = declaration.find(u'=');
  if (eq == u16v::npos || declaration.find(u',') != u16v::npos || declaration.find(u'[') != u16v::npos)
    return u"SyntaxError-1";
  const u16 name = upperFull(trimCtl(declaration.substr(0, eq)));
  if (name.empty() || hasSpecialCharacter(name)) return u"SyntaxError-2";
  const u16 reserved = checkReserved(name);
  if (!reserved.empty()) return reserved;
  bool taken = program.textblockTable.contains(name);
  {
    const auto lock = lockShared();
    taken = taken || globals_.variables.contains(name) || globals_.hashTables.contains(name);
  }
  if (taken) return text(rm::kVarAlreadyDefined, name);
  u16 error;
  std::optional<Value> value = evaluateCapturingErrors(declaration.substr(eq + 1), error);
  if (!value) return error;
  const int existing = program.constTable.find(name);
  if (existing >= 0) {
    const Value& old = program.constTable.value(existing);
    if (old.kind() == value->kind() && old.toText() == value->toText()) return {};
    return text(rm::kConstMultiplex, name);
  }
  program.constTable.add(name, *value);
  return {};
}

std::optional<Value> TUScript::evaluateCapturingErrors(u16v expression, u16& error) {
  u16* const saved = capturedError;
  error.clear();
  capturedError = &error;
  std::optional<Value> value = evaluate(expression, globals_);
  capturedError = saved;
  if (!error.empty()) return std::nullopt;
  return value;
}

}  // namespace kova
