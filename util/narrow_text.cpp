#include "util/narrow_text.h"

#include <vector>

namespace kova {

namespace {

unsigned char byteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// The capital of the double-byte character lead:trail, or 0 when it has none.
unsigned capitalOf(unsigned lead, unsigned trail) {
  const unsigned code = lead << 8 | trail;
  if (code >= 0x8281 && code <= 0x829A) return code - 0x21;  // full-width a-z
  if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;  // Greek
  if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {
    // Cyrillic: the small letters skip the trail byte 0x7F, the capitals do not.
    return 0x8440 + (trail < 0x7F ? trail - 0x70 : trail - 0x71);
  }
  if (code >= 0xEEEF && code <= 0xEEF8) return 0x8754 + (code - 0xEEEF);  // small Roman numerals
  if (code >= 0xFA40 && code <= 0xFA49) return 0x8754 + (code - 0xFA40);
  return 0;
}

// For every byte: whether a character starts there (it is no trail byte).
std::vector<bool> characterStarts(std::string_view s) {
  std::vector<bool> starts(s.size(), false);
  for (size_t k = 0; k < s.size(); k += isCp932LeadByte(byteAt(s, k)) ? 2 : 1) starts[k] = true;
  return starts;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool isCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int cp932ByteType(std::string_view bytes, size_t index) {
  if (index >= bytes.size()) return -1;
  size_t k = 0;
  while (true) {
    const bool lead = isCp932LeadByte(byteAt(bytes, k));
    if (k == index) return lead ? 1 : 0;
    if (lead && k + 1 == index) return 2;
    k += lead ? 2 : 1;
  }
}

std::string cp932Upper(std::string_view bytes) {
  std::string out(bytes);
  for (size_t i = 0; i < out.size();) {
    const unsigned char b = byteAt(out, i);
    if (isCp932LeadByte(b)) {
      if (i + 1 < out.size()) {
        const unsigned capital = capitalOf(b, byteAt(out, i + 1));
        if (capital != 0) {
          out[i] = static_cast<char>(capital >> 8);
          out[i + 1] = static_cast<char>(capital & 0xFF);
        }
      }
      i += 2;
      continue;
    }
    if (b >= 'a' && b <= 'z') out[i] = static_cast<char>(b - 32);
    ++i;
  }
  return out;
}

size_t cp932Find(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return std::string_view::npos;
  // Walk the character starts from the beginning so that trail bytes are
  // known; only starts at or after `from` are candidates.
  for (size_t k = 0; k < text.size(); k += isCp932LeadByte(byteAt(text, k)) ? 2 : 1) {
    if (k < from) continue;
    if (text.size() - k < needle.size()) break;
    if (text.compare(k, needle.size(), needle) == 0) return k;
  }
  return std::string_view::npos;
}

size_t cp932FindLast(std::string_view text, std::string_view needle, size_t end) {
  if (needle.empty() || end > text.size() || needle.size() > end) return std::string_view::npos;
  const std::vector<bool> starts = characterStarts(text);
  for (size_t k = end - needle.size() + 1; k-- > 0;) {
    if (starts[k] && text.compare(k, needle.size(), needle) == 0) return k;
  }
  return std::string_view::npos;
}

std::string percentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
        b == '_' || b == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

std::string percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out.push_back(' ');
      continue;
    }
    if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2])));
      i += 2;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace kova
