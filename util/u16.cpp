#include "util/u16.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <limits>

namespace kova {

namespace {

struct CaseRange {
  char16_t first;
  char16_t last;
  int stride;
  int delta;
};

constexpr CaseRange kUpperRanges[] = {
#include "util/case_table.inc"
};

bool isCtl(char16_t c) { return c <= u' '; }
bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == kIdeographicSpace; }

char16_t foldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

}  // namespace

u16 fromUtf8(std::string_view s) {
  u16 out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    bool ok = len > 0 && i + len <= n;
    for (int k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (b & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += len;
  }
  return out;
}

std::string toUtf8(u16v t) {
  std::string out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    char32_t cp = t[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (t[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool isValidUtf8(std::string_view s) {
  // Pure ASCII (the common case, and cheap to see) is valid.
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  if (i == s.size()) return true;
  const u16 decoded = fromUtf8(s);
  // fromUtf8 maps every ill-formed sequence to U+FFFD; a genuine U+FFFD in
  // the input survives the round trip, a replacement does not.
  return toUtf8(decoded) == s;
}

u16 ascii(std::string_view text) { return u16(text.begin(), text.end()); }

char16_t upperChar(char16_t c) {
  if (c < 0x80) return foldAscii(c);
  // Binary search over the sorted ranges.
  size_t lo = 0, hi = std::size(kUpperRanges);
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (kUpperRanges[mid].last < c) lo = mid + 1;
    else hi = mid;
  }
  if (lo < std::size(kUpperRanges)) {
    const CaseRange& r = kUpperRanges[lo];
    if (c >= r.first && (c - r.first) % r.stride == 0) return char16_t(c + r.delta);
  }
  return c;
}

u16 upperAscii(u16v t) {
  u16 out(t);
  for (auto& c : out) c = foldAscii(c);
  return out;
}

u16 upperFull(u16v t) {
  u16 out(t);
  for (auto& c : out) c = upperChar(c);
  return out;
}

u16 upperOutsideQuotes(u16v t) {
  u16 out(t);
  bool inQuote = false;
  for (auto& c : out) {
    if (c == u'"') inQuote = !inQuote;
    else if (!inQuote) c = foldAscii(c);
  }
  return out;
}

u16 trimBlank(u16v t) {
  size_t b = 0, e = t.size();
  while (b < e && isBlank(t[b])) ++b;
  while (e > b && isBlank(t[e - 1])) --e;
  return u16(t.substr(b, e - b));
}

u16v trimCtlView(u16v t) {
  size_t b = 0, e = t.size();
  while (b < e && isCtl(t[b])) ++b;
  while (e > b && isCtl(t[e - 1])) --e;
  return t.substr(b, e - b);
}

u16 trimCtl(u16v t) { return u16(trimCtlView(t)); }

size_t findPlaceholderStart(u16v t) {
  const char16_t* p = t.data();
  const size_t n = t.size();
  size_t i = 0;
#if defined(__SSE2__)
  // Eight units a step: "<" at each position and "#" at the next.
  const __m128i lt = _mm_set1_epi16(u'<'), hash = _mm_set1_epi16(u'#');
  for (; i + 9 <= n; i += 8) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(here, lt), _mm_cmpeq_epi16(next, hash)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i + 1 < n; ++i)
    if (p[i] == u'<' && p[i + 1] == u'#') return i;
  return u16v::npos;
}

bool hasPlaceholderStart(u16v t) { return findPlaceholderStart(t) != u16v::npos; }

u16 trimLeftCtl(u16v t) {
  size_t b = 0;
  while (b < t.size() && isCtl(t[b])) ++b;
  return u16(t.substr(b));
}

u16 trimRightCtl(u16v t) {
  size_t e = t.size();
  while (e > 0 && isCtl(t[e - 1])) --e;
  return u16(t.substr(0, e));
}

bool startsWith(u16v t, u16v p) { return t.size() >= p.size() && t.substr(0, p.size()) == p; }
bool endsWith(u16v t, u16v s) { return t.size() >= s.size() && t.substr(t.size() - s.size()) == s; }

bool startsWithNoCase(u16v t, u16v p) {
  if (t.size() < p.size()) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (foldAscii(t[i]) != foldAscii(p[i])) return false;
  return true;
}

size_t findNoCase(u16v t, u16v n, size_t from) {
  if (n.empty()) return from <= t.size() ? from : u16::npos;
  for (size_t i = from; i + n.size() <= t.size(); ++i) {
    size_t k = 0;
    while (k < n.size() && foldAscii(t[i + k]) == foldAscii(n[k])) ++k;
    if (k == n.size()) return i;
  }
  return u16::npos;
}

u16 replaceAll(u16v t, u16v from, u16v to, bool ignoreCase) {
  if (from.empty()) return u16(t);
  u16 out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = ignoreCase ? findNoCase(t, from, pos) : t.find(from, pos);
    if (hit == u16::npos) break;
    out.append(t.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(t.substr(pos));
  return out;
}

namespace {

// Shared scanner: reports the first match of `needle` at nesting depth 0.
size_t findScoped(u16v t, u16v needle, size_t from, bool parens, bool brackets) {
  if (needle.empty()) return u16::npos;
  bool inQuote = false;
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (i >= from && !inQuote && depth == 0 && t.compare(i, needle.size(), needle) == 0) return i;
    if (c == u'"') {
      inQuote = !inQuote;
    } else if (!inQuote) {
      if ((parens && c == u'(') || (brackets && c == u'[')) ++depth;
      else if (((parens && c == u')') || (brackets && c == u']')) && depth > 0) --depth;
    }
  }
  return u16::npos;
}

}  // namespace

size_t findOutsideQuotes(u16v t, u16v needle, size_t from) { return findScoped(t, needle, from, false, false); }
size_t findTopLevel(u16v t, u16v needle, size_t from) { return findScoped(t, needle, from, true, true); }
size_t findOutsideParens(u16v t, u16v needle, size_t from) { return findScoped(t, needle, from, true, false); }

std::vector<u16> splitTopLevel(u16v t, char16_t sep) {
  std::vector<u16> parts;
  bool inQuote = false;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (c == u'"') inQuote = !inQuote;
    else if (!inQuote) {
      if (c == u'(' || c == u'[') ++depth;
      else if ((c == u')' || c == u']') && depth > 0) --depth;
      else if (c == sep && depth == 0) {
        parts.emplace_back(t.substr(start, i - start));
        start = i + 1;
      }
    }
  }
  parts.emplace_back(t.substr(start));
  return parts;
}

u16 toU16(long long v) { return ascii(std::to_string(v)); }

bool parseInt(u16v t, long long& out) {
  const u16 s = trimCtl(t);
  if (s.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == u'+' || s[0] == u'-') {
    neg = s[0] == u'-';
    i = 1;
  }
  if (i >= s.size()) return false;
  // The magnitude may reach 2^63 for a negative number. The limit is checked
  // before multiplying, so the accumulator itself never wraps.
  const unsigned long long limit =
      static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + (neg ? 1 : 0);
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    const unsigned digit = s[i] - u'0';
    if (v > (limit - digit) / 10) return false;
    v = v * 10 + digit;
  }
  out = neg ? static_cast<long long>(0 - v) : static_cast<long long>(v);
  return true;
}

}  // namespace kova
