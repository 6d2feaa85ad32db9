#include "builtins/string_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/narrow_text.h"

namespace kova {

namespace {

constexpr size_t npos = u16::npos;

// Start offsets of the |n|-th occurrence, searched from the left (n > 0) or
// from the right (n < 0), without overlaps. `find(from)` and
// `findLast(end)` are the two searches of the text type.
template <typename Find, typename FindLast>
size_t nthOffset(size_t textSize, size_t searchSize, long long n, Find find, FindLast findLast) {
  if (searchSize == 0) return npos;
  if (n == 0) n = 1;
  size_t at = npos;
  if (n > 0) {
    size_t from = 0;
    for (long long k = 0; k < n; ++k) {
      at = find(from);
      if (at == npos) return npos;
      from = at + searchSize;
    }
    return at;
  }
  size_t end = textSize;
  for (long long k = 0; k > n; --k) {
    at = findLast(end);
    if (at == npos) return npos;
    end = at;
  }
  return at;
}

size_t nthWide(u16v search, u16v text, long long n) {
  return nthOffset(
      text.size(), search.size(), n, [&](size_t from) { return text.find(search, from); },
      [&](size_t end) { return end < search.size() ? npos : text.rfind(search, end - search.size()); });
}

bool isWideBlank(char16_t c) {
  return c <= 0x20 || c == kIdeographicSpace || c == 0xFEFF || c == 0x00A0 || (c >= 0x2000 && c <= 0x200B) ||
         c == 0x202F || c == 0x205F;
}

u16 hexText(double v) {
  const long long i = std::isfinite(v) && std::fabs(v) < 9.2e18 ? static_cast<long long>(v) : 0;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(i));
  return ascii(buf);
}

// Fixed notation with exactly `decimals` decimals, rounded half away from
// zero on the 15 significant digits a Double holds reliably.
u16 fixedText(double v, long long decimals) {
  if (!std::isfinite(v)) return formatNumber(v);
  const bool negative = std::signbit(v);
  const double a = std::fabs(v);
  std::string digits = "0";  // 15 significant digits
  long long point = 1;       // digits before the decimal point
  if (a != 0) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.14e", a);  // d.dddddddddddddde+XX
    digits = std::string(1, buf[0]) + std::string(buf + 2, 14);
    point = std::atoll(std::strchr(buf, 'e') + 1) + 1;
  }
  // n: the value times 10^decimals, rounded, as decimal digits.
  const long long keep = point + decimals;
  std::string n;
  if (keep < 0) {
    n = "0";
  } else if (keep == 0) {
    n = digits[0] >= '5' ? "1" : "0";
  } else {
    const size_t kept = static_cast<size_t>(std::min<long long>(keep, 15));
    n = digits.substr(0, kept);
    if (keep > 15) n.append(static_cast<size_t>(keep - 15), '0');
    if (keep < 15 && digits[static_cast<size_t>(keep)] >= '5') {
      size_t i = n.size();
      while (i > 0 && n[i - 1] == '9') n[--i] = '0';
      if (i == 0) n.insert(n.begin(), '1');
      else ++n[i - 1];
    }
  }
  const size_t nonZero = n.find_first_not_of('0');
  n = nonZero == std::string::npos ? "0" : n.substr(nonZero);
  const size_t d = static_cast<size_t>(decimals);
  if (n.size() <= d) n.insert(0, d + 1 - n.size(), '0');
  std::string out = (negative && nonZero != std::string::npos) ? "-" : "";
  out += n.substr(0, n.size() - d);
  if (d > 0) out += "." + n.substr(n.size() - d);
  return ascii(out);
}

}  // namespace

long long nthPosition(u16v search, u16v text, long long n) {
  const size_t at = nthWide(search, text, n);
  return at == npos ? 0 : static_cast<long long>(at) + 1;
}

long long nthBytePosition(std::string_view search, std::string_view text, long long n) {
  const size_t at = nthOffset(
      text.size(), search.size(), n, [&](size_t from) { return cp932Find(text, search, from); },
      [&](size_t end) { return cp932FindLast(text, search, end); });
  return at == npos ? 0 : static_cast<long long>(at) + 1;
}

u16 replaceEvery(u16v text, u16v from, u16v to, bool foldCase) {
  if (from.empty()) return u16(text);
  const u16 keyText = foldCase ? upperFull(text) : u16(text);
  const u16 keyFrom = foldCase ? upperFull(from) : u16(from);
  u16 out;
  size_t at = 0;
  while (true) {
    const size_t hit = keyText.find(keyFrom, at);
    if (hit == npos) break;
    // The result is checked while it grows: a short text with a long
    // replacement must stop before it takes the machine's memory.
    checkTextLength(out.size() + (hit - at) + to.size());
    out.append(text.substr(at, hit - at));
    out.append(to);
    at = hit + from.size();
  }
  out.append(text.substr(at));
  return out;
}

std::optional<u16> betweenText(u16v text, u16v from, u16v to, long long n, bool foldCase) {
  const u16 key = foldCase ? upperFull(text) : u16(text);
  size_t start;
  if (from.empty()) {
    // The two ends stand in for an empty `from`: the start is its first
    // occurrence from the left, the end its first from the right.
    const long long k = n == 0 ? 1 : n;
    if (k == 1 || k == -2) start = 0;
    else return std::nullopt;  // the end of the text: nothing follows it
  } else {
    const size_t at = nthWide(foldCase ? upperFull(from) : u16(from), key, n);
    if (at == npos) return std::nullopt;
    start = at + from.size();
  }
  if (to.empty()) return u16(text.substr(start));
  const size_t end = key.find(foldCase ? upperFull(to) : u16(to), start);
  if (end == npos) return std::nullopt;
  return u16(text.substr(start, end - start));
}

TokenCut cutToken(u16v delimiters, u16v text, bool skipEmpty, bool quoteAware) {
  auto isDelimiter = [&](char16_t c) { return delimiters.find(c) != u16v::npos; };
  auto cut = [&](u16v s) {
    bool inQuotes = false;
    for (size_t i = 0; i < s.size(); ++i) {
      if (quoteAware && s[i] == u'"') {
        inQuotes = !inQuotes;
        continue;
      }
      if (!inQuotes && isDelimiter(s[i])) return i;
    }
    return npos;
  };
  u16v s = text;
  size_t at = cut(s);
  while (skipEmpty && at == 0) {
    s.remove_prefix(1);
    at = cut(s);
  }
  TokenCut r;
  bool delimiterKept = false;
  if (at == npos) {
    r.token = u16(s);
  } else {
    r.token = u16(s.substr(0, at));
    u16v rest = s.substr(at + 1);
    if (skipEmpty) {
      while (!rest.empty() && isDelimiter(rest[0]) && !(quoteAware && rest[0] == u'"')) rest.remove_prefix(1);
    } else {
      delimiterKept = true;
    }
    r.rest = u16(rest);
  }
  r.restIsEmptyValue = !delimiterKept && r.rest.empty();
  return r;
}

u16 trimText(u16v text, bool wideBlanks) {
  u16 t = trimCtl(text);
  if (!wideBlanks) return t;
  for (size_t i = 0; i < t.size() && isWideBlank(t[i]); ++i) t[i] = u' ';
  for (size_t i = t.size(); i > 0 && isWideBlank(t[i - 1]); --i) t[i - 1] = u' ';
  return trimCtl(t);
}

std::vector<Value> splitPieces(u16v text, u16v separator, bool skipEmpty, bool numbers) {
  std::vector<Value> out;
  if (text.empty()) return out;
  const u16v sep = separator.empty() ? u16v(u" ") : separator;
  auto add = [&](u16v piece) {
    if (numbers) {
      const u16 plain = replaceAll(piece, u",", u"");
      double d = 0;
      if (parseNumber(plain, d)) {
        out.push_back(Value::number(d));
        return;
      }
      if (!skipEmpty) out.push_back(Value::string({}));
      return;
    }
    if (skipEmpty && piece.empty()) return;
    out.push_back(Value::string(u16(piece)));
  };
  size_t at = 0;
  while (true) {
    const size_t hit = text.find(sep, at);
    if (hit == npos) break;
    add(text.substr(at, hit - at));
    at = hit + sep.size();
  }
  add(text.substr(at));
  return out;
}

std::optional<double> valNumber(u16v text) {
  const u16 t = trimCtl(text);
  if (t.empty() || t.size() > 64) return std::nullopt;
  if (t.size() > 32 && u16v(t).substr(0, 32).find(u'.') == u16v::npos) return std::nullopt;
  double d = 0;
  if (!parseNumber(t, d)) return std::nullopt;
  return d;
}

u16 formatForScript(bool isNumber, double number, u16v text, std::optional<long long> width,
                    std::optional<long long> decimals) {
  const long long w = width.value_or(0);
  if (!isNumber) {
    if (text.empty() || w <= 0) return {};
    u16 out;
    out.reserve(static_cast<size_t>(w) + text.size());
    while (static_cast<long long>(out.size()) < w) out.append(text);
    out.resize(static_cast<size_t>(w));
    return out;
  }
  u16 out;
  if (decimals && *decimals < 0) out = hexText(number);
  else if (decimals) out = fixedText(number, *decimals);
  else out = formatNumber(number);
  if (w > 0) {
    const u16 integerPart = out.substr(0, out.find(u'.'));
    if (static_cast<long long>(integerPart.size()) < w) {
      if (static_cast<long long>(out.size()) > w) out.resize(static_cast<size_t>(w));
    } else {
      out = integerPart;
    }
    if (static_cast<long long>(out.size()) < w) out.insert(0, static_cast<size_t>(w) - out.size(), u' ');
  }
  return out;
}

}  // namespace kova
