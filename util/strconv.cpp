#include "util/strconv.h"

#include <iterator>

namespace kova {

namespace {

struct CaseRange {
  char16_t first;
  char16_t last;
  int stride;
  int delta;
};

constexpr CaseRange kLowerRanges[] = {
#include "util/lower_case_table.inc"
};

// Half-width katakana U+FF61-U+FF9F and their full-width forms, in order.
constexpr char16_t kFullOfHalfKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3,  // FF61-FF68 ｡｢｣､･ｦｧｨ
    0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC,  // FF69-FF70 ｩｪｫｬｭｮｯｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF,  // FF71-FF78 ｱｲｳｴｵｶｷｸ
    0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF,  // FF79-FF80 ｹｺｻｼｽｾｿﾀ
    0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD,  // FF81-FF88 ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF,  // FF89-FF90 ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9, 0x30EA,  // FF91-FF98 ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,          // FF99-FF9F ﾙﾚﾛﾜﾝﾞﾟ
};
constexpr char16_t kHalfKanaFirst = 0xFF61;
constexpr char16_t kVoicedMark = 0xFF9E;
constexpr char16_t kSemiVoicedMark = 0xFF9F;

// Signs with a half-width and a full-width form outside the ASCII block.
struct WidthPair {
  char16_t half;
  char16_t full;
};
constexpr WidthPair kWidthSigns[] = {
    {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x00AF, 0xFFE3}, {0x00A6, 0xFFE4},
    {0x00A5, 0xFFE5}, {0x20A9, 0xFFE6}, {0xFFE8, 0x2502}, {0xFFE9, 0x2190}, {0xFFEA, 0x2191},
    {0xFFEB, 0x2192}, {0xFFEC, 0x2193}, {0xFFED, 0x25A0}, {0xFFEE, 0x25CB}, {0x2985, 0xFF5F},
    {0x2986, 0xFF60},
};

// Full-width katakana made of a base kana and a voiced (゛) or semi-voiced
// (゜) mark, as pairs of the full-width base and the composed character.
struct Composed {
  char16_t base;
  char16_t voiced;
  char16_t semiVoiced;  // 0: none
};
constexpr Composed kComposed[] = {
    {0x30AB, 0x30AC, 0}, {0x30AD, 0x30AE, 0}, {0x30AF, 0x30B0, 0}, {0x30B1, 0x30B2, 0},
    {0x30B3, 0x30B4, 0}, {0x30B5, 0x30B6, 0}, {0x30B7, 0x30B8, 0}, {0x30B9, 0x30BA, 0},
    {0x30BB, 0x30BC, 0}, {0x30BD, 0x30BE, 0}, {0x30BF, 0x30C0, 0}, {0x30C1, 0x30C2, 0},
    {0x30C4, 0x30C5, 0}, {0x30C6, 0x30C7, 0}, {0x30C8, 0x30C9, 0}, {0x30CF, 0x30D0, 0x30D1},
    {0x30D2, 0x30D3, 0x30D4}, {0x30D5, 0x30D6, 0x30D7}, {0x30D8, 0x30D9, 0x30DA}, {0x30DB, 0x30DC, 0x30DD},
    {0x30A6, 0x30F4, 0}, {0x30EF, 0x30F7, 0}, {0x30F2, 0x30FA, 0},
};

// The half-width kana of a full-width character, or 0.
char16_t halfKanaOf(char16_t full) {
  for (size_t i = 0; i < std::size(kFullOfHalfKana); ++i)
    if (kFullOfHalfKana[i] == full) return static_cast<char16_t>(kHalfKanaFirst + i);
  return 0;
}

u16 toFullWidth(u16v text) {
  u16 out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0x21 && c <= 0x7E) {
      out.push_back(static_cast<char16_t>(c - 0x21 + 0xFF01));
    } else if (c == 0x20) {
      out.push_back(0x3000);
    } else if (c >= kHalfKanaFirst && c <= kSemiVoicedMark) {
      const char16_t full = kFullOfHalfKana[c - kHalfKanaFirst];
      const char16_t mark = i + 1 < text.size() ? text[i + 1] : 0;
      char16_t composed = 0;
      if (mark == kVoicedMark || mark == kSemiVoicedMark) {
        for (const Composed& k : kComposed)
          if (k.base == full) composed = mark == kVoicedMark ? k.voiced : k.semiVoiced;
      }
      if (composed != 0) {
        out.push_back(composed);
        ++i;
      } else {
        out.push_back(full);
      }
    } else {
      char16_t mapped = c;
      for (const WidthPair& p : kWidthSigns)
        if (p.half == c) mapped = p.full;
      out.push_back(mapped);
    }
  }
  return out;
}

u16 toHalfWidth(u16v text) {
  u16 out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c >= 0xFF01 && c <= 0xFF5E) {
      out.push_back(static_cast<char16_t>(c - 0xFF01 + 0x21));
      continue;
    }
    if (c == 0x3000) {
      out.push_back(0x20);
      continue;
    }
    if (const char16_t half = halfKanaOf(c)) {
      out.push_back(half);
      continue;
    }
    bool done = false;
    for (const Composed& k : kComposed) {
      if (c == k.voiced || (k.semiVoiced != 0 && c == k.semiVoiced)) {
        out.push_back(halfKanaOf(k.base));
        out.push_back(c == k.voiced ? kVoicedMark : kSemiVoicedMark);
        done = true;
        break;
      }
    }
    if (done) continue;
    char16_t mapped = c;
    for (const WidthPair& p : kWidthSigns)
      if (p.full == c) mapped = p.half;
    out.push_back(mapped);
  }
  return out;
}

void toKatakana(u16& text) {
  for (char16_t& c : text) {
    if (c >= 0x3041 && c <= 0x3096) c = static_cast<char16_t>(c + 0x60);
    else if (c == 0x309D || c == 0x309E) c = static_cast<char16_t>(c + 0x60);
  }
}

void toHiragana(u16& text) {
  for (char16_t& c : text) {
    if (c >= 0x30A1 && c <= 0x30F6) c = static_cast<char16_t>(c - 0x60);
    else if (c == 0x30FD || c == 0x30FE) c = static_cast<char16_t>(c - 0x60);
  }
}

}  // namespace

char16_t lowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  size_t lo = 0, hi = std::size(kLowerRanges);
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (kLowerRanges[mid].last < c) lo = mid + 1;
    else hi = mid;
  }
  if (lo < std::size(kLowerRanges)) {
    const CaseRange& r = kLowerRanges[lo];
    if (c >= r.first && (c - r.first) % r.stride == 0) return static_cast<char16_t>(c + r.delta);
  }
  return c;
}

u16 lowerFull(u16v text) {
  u16 out(text);
  for (char16_t& c : out) c = lowerChar(c);
  return out;
}

std::optional<u16> mapString(u16v text, uint32_t flags) {
  auto both = [flags](uint32_t a, uint32_t b) { return (flags & a) != 0 && (flags & b) != 0; };
  if (both(kMapLowerCase, kMapUpperCase) || both(kMapHiragana, kMapKatakana) || both(kMapHalfWidth, kMapFullWidth))
    return std::nullopt;
  u16 out = (flags & kMapFullWidth) ? toFullWidth(text) : u16(text);
  if (flags & kMapKatakana) toKatakana(out);
  if (flags & kMapHiragana) toHiragana(out);
  if (flags & kMapHalfWidth) out = toHalfWidth(out);
  if (flags & kMapUpperCase) out = upperFull(out);
  if (flags & kMapLowerCase) out = lowerFull(out);
  return out;
}

}  // namespace kova
