// Variables: the read path (getValue), the write path (putValue) and the
// declarations made during preparation. This covers local and global
// scalars and declared arrays, PARAM_STR, the constant tables and the
// simple system names; hash tables, array values and the remaining system
// variables arrive with the values stage of the engine.

#include "engine/run_messages.h"
#include "engine/uxscr.h"

namespace kova {

namespace {

struct ParsedName {
  u16 bare;
  std::vector<u16> indexes;
  bool hasIndexes = false;
};

// "NAME[1][2]" and "NAME[1, 2]" both give NAME with indexes 1 and 2.
ParsedName parseName(u16v text) {
  ParsedName p;
  const size_t open = text.find(u'[');
  p.bare = upperFull(trimCtl(text.substr(0, open)));
  if (open == u16v::npos) return p;
  p.hasIndexes = true;
  u16 inner(text.substr(open + 1));
  if (!inner.empty() && inner.back() == u']') inner.pop_back();
  inner = replaceAll(inner, u"][", u",");
  for (u16& piece : splitTopLevel(inner, u',')) p.indexes.push_back(trimCtl(piece));
  return p;
}

bool toIndex(const u16& text, long long& out) {
  if (text.empty()) {
    out = 0;
    return true;
  }
  if (parseInt(text, out)) return true;
  double d = 0;
  if (!parseNumber(text, d)) return false;
  out = static_cast<long long>(d);
  return true;
}

// Row-major slot of a declared array; -1 for a bad index.
long long flatIndex(const Variable& v, const std::vector<u16>& indexes) {
  long long slot = 0;
  for (size_t k = 0; k < indexes.size(); ++k) {
    long long i = 0;
    if (!toIndex(indexes[k], i) || i < 0 || i > v.bounds[k]) return -1;
    slot = slot * (v.bounds[k] + 1LL) + i;
  }
  return slot;
}

const char16_t* const kTimeNames[] = {u"G_TIME_YY",  u"G_TIME_MM",  u"G_TIME_DD",  u"G_TIME_HH",
                                      u"G_TIME_NN",  u"G_TIME_SS",  u"G_TIME_ZZ",  u"G_TIME_WW",
                                      u"G_TIME_YY4", u"G_TIME_YY2", u"G_TIME_MM2", u"G_TIME_DD2",
                                      u"G_TIME_HH2", u"G_TIME_NN2", u"G_TIME_SS2", u"G_TIME_ZZ2"};

bool isReserved(const u16& name) {
  static const char16_t* const kWords[] = {u"G_IMG_X", u"G_IMG_Y", u"AND",     u"OR",         u"XOR",
                                           u"MOD",     u"NULL",    u"NOTHING", u"EMPTY",      u"TRUE",
                                           u"FALSE",   u"RESULT",  u"TRY_ERRMSG", u"TRY_ERRLINE"};
  for (const char16_t* w : kWords)
    if (name == w) return true;
  for (const char16_t* w : kTimeNames)
    if (name == w) return true;
  return false;
}

}  // namespace

bool TUScript::isGlobalName(u16v name) const { return globals.variables.contains(name); }

Value TUScript::getValue(u16v text, THensuFmt& scope) {
  if (stopFlag) return Value::integer(0);
  const ParsedName n = parseName(text);
  auto readVariable = [&](const Variable& v) -> std::optional<Value> {
    if (!n.hasIndexes) {
      if (v.bounds.empty()) return v.slots[0];
      report(kova::text(rm::kDimensionMismatch, n.bare), &scope);
      return Value::integer(0);
    }
    if (n.indexes.size() != v.bounds.size()) {
      report(kova::text(rm::kDimensionMismatch, n.bare), &scope);
      return Value::integer(0);
    }
    const long long slot = flatIndex(v, n.indexes);
    if (slot < 0) {
      if (n.bare == u"PARAM_STR") return Value();
      report(kova::text(rm::kExceeded, n.bare), &scope);
      return Value::integer(0);
    }
    return v.slots[static_cast<size_t>(slot)];
  };
  const int local = scope.variables.find(n.bare);
  if (local >= 0) {
    // PARAM_STR without arguments is an empty array: any index yields EMPTY.
    if (n.bare == u"PARAM_STR" && scope.variables.value(local).bounds.empty() && n.hasIndexes) return Value();
    return *readVariable(scope.variables.value(local));
  }
  if (n.bare == u"TRUE") return trueValue;
  if (n.bare == u"FALSE") return falseValue;
  const int global = globals.variables.find(n.bare);
  if (global >= 0) return *readVariable(globals.variables.value(global));
  if (!n.hasIndexes) {
    if (n.bare == u"NULL") return Value::null();
    if (n.bare == u"NOTHING") return Value::dispatch(nullptr);
    if (n.bare == u"EMPTY") return Value();
    if (n.bare == u"TRY_ERRMSG") return Value::string(scope.tryErrMsg);
    if (n.bare == u"TRY_ERRLINE") return Value::string(scope.tryErrLine);
    if (n.bare == u"G_IMG_X") return Value::integer(scope.imgX);
    if (n.bare == u"G_IMG_Y") return Value::integer(scope.imgY);
    const int tb = program.textblockTable.find(n.bare);
    if (tb >= 0) return Value::string(expandEscapes(program.textblockTable.value(tb)));
    const int c = program.constTable.find(n.bare);
    if (c >= 0) return program.constTable.value(c);
  }
  report(kova::text(rm::kUndefined, n.bare), &scope);
  return Value::integer(0);
}

void TUScript::putValue(u16v text, const Value& value, THensuFmt& scope) {
  const ParsedName n = parseName(text);
  auto store = [&](Variable& v) {
    if (n.indexes.size() != v.bounds.size()) {
      report(kova::text(rm::kDimensionMismatch, n.bare), &scope);
      return;
    }
    const long long slot = n.hasIndexes ? flatIndex(v, n.indexes) : 0;
    if (slot < 0) {
      report(kova::text(rm::kExceeded, n.bare), &scope);
      return;
    }
    v.slots[static_cast<size_t>(slot)] = value;
  };
  const int local = scope.variables.find(n.bare);
  if (local >= 0) return store(scope.variables.value(local));
  const int global = globals.variables.find(n.bare);
  if (global >= 0) return store(globals.variables.value(global));
  if (n.hasIndexes) {
    report(kova::text(rm::kArrayWithoutDeclaration, n.bare), &scope);
    return;
  }
  scope.variables.add(n.bare, Variable{{}, {value}});
}

u16 TUScript::declarePublic(u16v item, bool isPublic) {
  (void)isPublic;
  const size_t eq = findTopLevel(item, u"=");
  const ParsedName n = parseName(trimCtl(item.substr(0, eq)));
  if (n.bare.empty() || n.bare.find_first_of(u" ,+-*/=<>()!?") != u16::npos) return u"SyntaxError-6";
  if (isReserved(n.bare)) return kova::text(rm::kReserved, n.bare);
  if (program.constTable.contains(n.bare) || program.textblockTable.contains(n.bare))
    return kova::text(rm::kVarAlreadyDefined, n.bare);
  Variable v;
  size_t slots = 1;
  for (const u16& b : n.indexes) {
    long long bound = 0;
    if (!toIndex(b, bound) || bound < 0 || bound > 0x7FFFFFF) return u"SyntaxError-6";
    v.bounds.push_back(static_cast<int32_t>(bound));
    slots *= static_cast<size_t>(bound + 1);
    if (slots > (1u << 27)) return u"SyntaxError-6";
  }
  v.slots.resize(slots);
  if (eq != u16::npos) {
    const u16 init = trimCtl(item.substr(eq + 1));
    if (init.empty()) return u"SyntaxError-7";
    u16 error;
    std::optional<Value> value = evaluateCapturingErrors(init, error);
    if (!value) return error;
    v.slots[0] = *value;
  }
  if (globals.variables.contains(n.bare)) return {};
  globals.variables.add(n.bare, std::move(v));
  return {};
}

u16 TUScript::declareConst(u16v text) {
  const size_t eq = text.find(u'=');
  if (eq == u16v::npos || text.find(u',') != u16v::npos || text.find(u'[') != u16v::npos) return u"SyntaxError-1";
  const u16 name = upperFull(trimCtl(text.substr(0, eq)));
  if (name.empty() || name.find_first_of(u" ,+-*/=<>()!?") != u16::npos) return u"SyntaxError-2";
  if (isReserved(name)) return kova::text(rm::kReserved, name);
  if (globals.variables.contains(name) || program.textblockTable.contains(name))
    return kova::text(rm::kVarAlreadyDefined, name);
  u16 error;
  std::optional<Value> value = evaluateCapturingErrors(text.substr(eq + 1), error);
  if (!value) return error;
  const int existing = program.constTable.find(name);
  if (existing >= 0) {
    const Value& old = program.constTable.value(existing);
    if (old.kind() == value->kind() && old.toText() == value->toText()) return {};
    return kova::text(rm::kConstMultiplex, name);
  }
  program.constTable.add(name, *value);
  return {};
}

std::optional<Value> TUScript::evaluateCapturingErrors(u16v expression, u16& error) {
  u16* const saved = capturedError;
  error.clear();
  capturedError = &error;
  std::optional<Value> value = evaluate(expression, globals);
  capturedError = saved;
  if (!error.empty()) return std::nullopt;
  return value;
}

u16 TUScript::declareHashtbl(u16v name) { return kova::text(rm::kNotAvailableYet, u"HASHTBL " + u16(name)); }

}  // namespace kova
