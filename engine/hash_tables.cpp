// Hash tables of scripts: the HASHTBL declaration (while preparing, for
// module-level and PUBLIC tables, and as a statement) and the read rules of
// h[...] that the read path hands over. Writing (h[key] = v, h =
// HASH_REMOVEALL) is part of the write path in variables.cpp.
//
//   HASHTBL name [= flags] [, name2 [= flags]] ...
//
// Flags may hold HASH_CASECARE and HASH_SORT only. A name that is already a
// table of the scope is emptied (it keeps its switches); otherwise a new
// table is created. At the top level of a script file the tables go to the
// global scope, inside a procedure to the procedure's scope.

#include <cmath>

#include "engine/declaration.h"
#include "engine/named_constants.h"
#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

constexpr Msg kWrongHashUse{u"%s：指定が間違っています", u"%s: Specification is wrong"};
constexpr Msg kOutsideRange{u"%s：範囲外です", u"%s: It is outside the range"};

constexpr int32_t kHashKey = 101;
constexpr int32_t kHashVal = 102;
constexpr int32_t kHashExists = 103;
constexpr int32_t kHashRemove = 104;

using TableList = NameList<std::shared_ptr<TSZHash>>;

bool badHashName(const u16& name) { return name.empty() || name.find_first_of(u" ,+*/<>()![]?") != u16::npos; }

// The flags of a declaration, or nullopt when the value holds anything but
// HASH_CASECARE and HASH_SORT (or is no number at all).
std::optional<int32_t> hashFlags(const Value& v) {
  double d = 0;
  if (!v.toNumber(d) || !std::isfinite(d) || d != std::trunc(d)) return std::nullopt;
  if (d < 0 || d > static_cast<double>(TSZHash::kCaseCare | TSZHash::kSort)) return std::nullopt;
  const auto flags = static_cast<int32_t>(d);
  if ((flags & ~(TSZHash::kCaseCare | TSZHash::kSort)) != 0) return std::nullopt;
  return flags;
}

void declareIn(TableList& tables, const u16& name, int32_t flags) {
  const int existing = tables.find(name);
  if (existing >= 0) {
    tables.value(existing)->clear();
    return;
  }
  tables.add(name, std::make_shared<TSZHash>((flags & TSZHash::kCaseCare) != 0, (flags & TSZHash::kSort) != 0));
}

// An index as a whole number: read as an integer first, else as a number
// truncated toward zero.
bool wholeNumber(const Value& v, long long& out) {
  if (v.isString() && parseInt(v.toText(), out)) return true;
  double d = 0;
  if (!v.toNumber(d) || !std::isfinite(d) || std::fabs(d) > 9.0e18) return false;
  out = static_cast<long long>(std::trunc(d));
  return true;
}

}  // namespace

HashItem splitHashItem(u16v item) {
  const size_t eq = item.find(u'=');
  HashItem h;
  h.name = upperFull(trimCtl(item.substr(0, eq)));
  if (eq != u16v::npos) h.flagsText = trimCtl(item.substr(eq + 1));
  return h;
}

std::vector<HashItem> hashItems(u16v list) {
  std::vector<HashItem> items;
  for (const u16& raw : splitTopLevel(list, u',')) items.push_back(splitHashItem(trimCtl(raw)));
  return items;
}

u16 TUScript::declareHashtbl(u16v item) {
  const HashItem h = splitHashItem(item);
  if (badHashName(h.name)) return u"SyntaxError-37";
  u16 error = checkReserved(h.name);
  if (!error.empty()) return error;
  int32_t flags = 0;
  if (!h.flagsText.empty()) {
    std::optional<Value> v = evaluateCapturingErrors(h.flagsText, error);
    if (!v) return error;
    const std::optional<int32_t> f = hashFlags(*v);
    if (!f) return text(kWrongHashUse, h.flagsText);
    flags = *f;
  }
  const auto lock = lockShared();
  declareIn(globals_.hashTables, h.name, flags);
  return {};
}

void TUScript::declareHashtables(THensuFmt& scope, u16v list) { declareHashtables(scope, hashItems(list)); }

void TUScript::declareHashtables(THensuFmt& scope, const std::vector<HashItem>& items) {
  TableList& tables = scope.isMain ? globals_.hashTables : scope.hashTables;
  for (const HashItem& h : items) {
    if (badHashName(h.name)) {
      report(u"SyntaxError-37", &scope);
      return;
    }
    const u16 reserved = checkReserved(h.name);
    if (!reserved.empty()) {
      report(reserved, &scope);
      return;
    }
    int32_t flags = 0;
    if (!h.flagsText.empty()) {
      std::optional<Value> v = h.flagsTree ? evaluateParsed(*h.flagsTree, scope) : evaluate(h.flagsText, scope);
      if (!v) return;
      const std::optional<int32_t> f = hashFlags(*v);
      if (!f) {
        // A declaration error: the run stops even inside TRY.
        report(text(kWrongHashUse, h.flagsText), &scope, false, false);
        return;
      }
      flags = *f;
    }
    const auto lock = lockShared();
    declareIn(tables, h.name, flags);
  }
}

Value TUScript::readHashTable(TSZHash& table, const u16& name, IndexList indexes, u16& failure) {
  if (indexes.size() == 1) {
    const TSZEntry* e = table.find(indexes[0].toText());
    return e ? e->value : Value();
  }
  long long operation = 0;
  if (indexes.size() != 2 || !wholeNumber(indexes[1], operation)) {
    failure = text(kWrongHashUse, name);
    return Value();
  }
  switch (operation) {
    case kHashKey:
    case kHashVal: {
      long long i = 0;
      if (!wholeNumber(indexes[0], i) || i < 0 || i >= table.count()) {
        failure = text(kOutsideRange, name);
        return Value();
      }
      if (operation == kHashKey) return Value::string(table.keyAt(static_cast<int>(i)));
      return table.valueAt(static_cast<int>(i));
    }
    case kHashExists:
      return table.find(indexes[0].toText()) ? trueValue : falseValue;
    case kHashRemove:
      return table.remove(indexes[0].toText()) ? trueValue : falseValue;
    default:
      failure = text(kWrongHashUse, name);
      return Value();
  }
}

}  // namespace kova
