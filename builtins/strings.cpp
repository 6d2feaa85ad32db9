// String built-ins: COPY, COPYB, LENGTHB, POS, POSB, TRIM, CHR, CHRB, ASC,
// ASCB, REPLACE and CHGMOJ, BETWEENSTR, TOKEN, BYTETYPE, ISUNICODE, and what
// the family's files (with conversions.cpp and arrays.cpp) share.
//
// Wide positions count UTF-16 code units; the byte functions count bytes of
// the code page 932 form. Searching functions compare upper-cased copies
// unless OPTION SAMESTR is in force, and cut their results from the
// unchanged text.

#include <algorithm>

#include "builtins/string_family.h"
#include "builtins/string_functions.h"
#include "builtins/string_rules.h"
#include "engine/messages.h"
#include "util/narrow_text.h"

namespace kova {

// --- Shared by the family --------------------------------------------------------

ArgText argText(BuiltinCall& call, int i) {
  if (i < 2 && call.value(i).kind() == ValueKind::NarrowString)
    return ArgText::decoded(call.platform().codePageToWide(kJapaneseCodePage, call.value(i).narrowBytes()));
  return ArgText::of(call.str(i));
}

std::string argNarrow(BuiltinCall& call, int i) {
  if (i < 2 && call.value(i).kind() == ValueKind::NarrowString) return call.value(i).narrowBytes();
  return call.platform().wideToCodePage(kJapaneseCodePage, call.str(i));
}

u16 valueText(const Value& v) { return builtinTextForm(v); }

void setNarrowResult(BuiltinCall& call, std::string bytes) {
  call.result = Value::narrow(std::move(bytes));
  call.markByteResult();
}

std::optional<RawReference> parseReference(u16v raw) {
  // Checked on views first: most raw texts given are expressions, which
  // are turned down without a copy.
  const u16v t = trimCtlView(raw);
  const size_t open = t.find(u'[');
  const u16v name = trimCtlView(t.substr(0, open));
  const auto notInName = [](char16_t ch) {
    switch (ch) {
      case u' ': case u'\t': case u'"': case u'(': case u')': case u'+': case u'-': case u'*': case u'/':
      case u'=': case u'<': case u'>': case u'!': case u',': case u';': case u'&': case u'\'': case u'$':
      case u']':
        return true;
      default:
        return false;
    }
  };
  if (name.empty() || std::any_of(name.begin(), name.end(), notInName)) return std::nullopt;
  if (name[0] >= u'0' && name[0] <= u'9') return std::nullopt;
  RawReference ref;
  ref.name = upperFull(name);
  size_t at = open;
  while (at != u16::npos && at < t.size()) {
    if (t[at] == u' ' || t[at] == u'\t') {
      ++at;
      continue;
    }
    if (t[at] != u'[') return std::nullopt;
    // The matching "]", with literals and nested brackets skipped.
    int depth = 0;
    bool inQuotes = false;
    size_t close = u16::npos;
    for (size_t k = at; k < t.size(); ++k) {
      const char16_t c = t[k];
      if (c == u'"') inQuotes = !inQuotes;
      if (inQuotes) continue;
      if (c == u'[' || c == u'(') ++depth;
      if ((c == u']' || c == u')') && --depth == 0) {
        close = k;
        break;
      }
    }
    if (close == u16::npos || t[close] != u']') return std::nullopt;
    for (const u16& index : splitTopLevel(t.substr(at + 1, close - at - 1), u','))
      ref.indexes.push_back(trimCtl(index));
    at = close + 1;
  }
  return ref;
}

namespace {

// Start (0-based) and length of COPY's slice of a text of `size` units.
// A start below 1 counts as 1; without a length the slice runs to the end.
std::pair<size_t, size_t> slice(size_t size, long long start, bool hasLength, long long length) {
  if (start < 1) start = 1;
  if (static_cast<unsigned long long>(start) > size) return {0, 0};
  const size_t from = static_cast<size_t>(start - 1);
  size_t count = size - from;
  if (hasLength) count = length <= 0 ? 0 : std::min<unsigned long long>(count, static_cast<unsigned long long>(length));
  return {from, count};
}

bool foldsCase(const BuiltinCall& c) { return !c.options().sameStr; }

bool flagSet(const BuiltinCall& c, int i) { return c.has(i) && c.num(i) != 0; }

}  // namespace

void copyFn(BuiltinCall& c) {
  const ArgText arg = argText(c, 0);
  const u16& t = arg.text();
  const auto [from, count] = slice(t.size(), c.integer(1), c.has(2), c.integer(2));
  c.result = Value::string(t.substr(from, count));
}

void copybFn(BuiltinCall& c) {
  const std::string b = argNarrow(c, 0);
  const auto [from, count] = slice(b.size(), c.integer(1), c.has(2), c.integer(2));
  setNarrowResult(c, b.substr(from, count));
}

void lengthbFn(BuiltinCall& c) { c.result = Value::integer(static_cast<int32_t>(argNarrow(c, 0).size())); }

namespace {

long long occurrence(const BuiltinCall& c) { return c.has(2) ? c.integer(2) : 1; }

}  // namespace

void posFn(BuiltinCall& c) {
  const ArgText search = argText(c, 0), text = argText(c, 1);
  const long long n = occurrence(c);
  // Folded copies only when case is ignored.
  const size_t at = foldsCase(c) ? nthPosition(upperFull(search), upperFull(text), n) : nthPosition(search, text, n);
  c.result = Value::integer(static_cast<int32_t>(at));
}

void posbFn(BuiltinCall& c) {
  std::string search = argNarrow(c, 0), text = argNarrow(c, 1);
  if (foldsCase(c)) {
    search = cp932Upper(search);
    text = cp932Upper(text);
  }
  c.result = Value::integer(static_cast<int32_t>(nthBytePosition(search, text, occurrence(c))));
}

void trimFn(BuiltinCall& c) { c.result = Value::string(trimText(argText(c, 0), flagSet(c, 1))); }

// CHR: the UTF-16 code unit; codes above U+FFFF give their surrogate pair.
// Codes outside Unicode give "".
void chrFn(BuiltinCall& c) {
  const long long code = c.integer(0);
  u16 t;
  if (code >= 0 && code <= 0xFFFF) {
    t.push_back(static_cast<char16_t>(code));
  } else if (code > 0xFFFF && code <= 0x10FFFF) {
    const long long v = code - 0x10000;
    t.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
    t.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
  }
  c.result = Value::string(std::move(t));
}

void chrbFn(BuiltinCall& c) {
  const long long code = c.integer(0);
  setNarrowResult(c, code >= 0 && code <= 0xFF ? std::string(1, static_cast<char>(code)) : std::string());
}

// ASC: the first code unit; a surrogate pair at the start gives its code
// point, so that ASC(CHR(n)) is n for every n CHR accepts.
void ascFn(BuiltinCall& c) {
  const u16 t = argText(c, 0);
  int32_t code = t.empty() ? 0 : t[0];
  if (t.size() >= 2 && t[0] >= 0xD800 && t[0] <= 0xDBFF && t[1] >= 0xDC00 && t[1] <= 0xDFFF)
    code = 0x10000 + ((t[0] - 0xD800) << 10) + (t[1] - 0xDC00);
  c.result = Value::integer(code);
}

void ascbFn(BuiltinCall& c) {
  const std::string b = argNarrow(c, 0);
  c.result = Value::integer(b.empty() ? 0 : static_cast<unsigned char>(b[0]));
}

// REPLACE and CHGMOJ. With the Japanese interface a yen sign in the text or
// in `old` is a backslash (the same code in the code page).
void replaceFn(BuiltinCall& c) {
  u16 text = argText(c, 0), old = argText(c, 1);
  if (japanese()) {
    text = replaceAll(text, u"\u00A5", u"\\");
    old = replaceAll(old, u"\u00A5", u"\\");
  }
  c.result = Value::string(replaceEvery(text, old, c.str(2), foldsCase(c)));
}

void betweenstrFn(BuiltinCall& c) {
  const std::optional<u16> part =
      betweenText(argText(c, 0), argText(c, 1), c.str(2), c.has(3) ? c.integer(3) : 1, foldsCase(c));
  c.result = part ? Value::string(*part) : Value();
}

// TOKEN(delimiters, variable, [skip empty], [quote-aware]): the variable is
// read, cut at its first delimiter character and written back with the rest.
// A raw argument that names no variable (a literal) is only read.
void tokenFn(BuiltinCall& c) {
  const u16& raw = c.str(1);
  std::optional<Value> v = c.evaluateRaw(1);
  if (!v) return;
  const TokenCut cut = cutToken(argText(c, 0), valueText(*v), flagSet(c, 2), flagSet(c, 3));
  if (parseReference(raw)) {
    c.putVariable(raw, cut.restIsEmptyValue ? Value() : Value::string(cut.rest));
    if (c.stopped()) return;
  }
  c.result = Value::string(cut.token);
}

void bytetypeFn(BuiltinCall& c) {
  const long long position = c.integer(1);
  const std::string b = argNarrow(c, 0);
  c.result = Value::integer(position < 1 ? -1 : cp932ByteType(b, static_cast<size_t>(position - 1)));
}

void isunicodeFn(BuiltinCall& c) {
  Platform& p = c.platform();
  const u16 t = argText(c, 0);
  const bool lossy = p.codePageToWide(kJapaneseCodePage, p.wideToCodePage(kJapaneseCodePage, t)) != t;
  c.result = c.truth(lossy);
}

}  // namespace kova
