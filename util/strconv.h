#pragma once
// The string mapping behind STRCONV: case, hiragana/katakana and
// half/full width, with the mapping flags of the Windows locale API
// (LCMAP_LOWERCASE ... LCMAP_FULLWIDTH). The tables are our own, so both
// builds give the same result; they follow what the Japanese locale's
// mapping does:
//  - full width: ASCII 0x21-0x7E <-> U+FF01-U+FF5E, the space <-> U+3000,
//    the half-width katakana and their punctuation <-> the full-width ones
//    (a half-width kana followed by a half-width voiced or semi-voiced mark
//    becomes one full-width character: "ｶﾞ" -> "ガ"), the signs U+FFE0-U+FFE6
//    and U+FFE8-U+FFEE, and the white parentheses U+FF5F/U+FF60;
//  - hiragana/katakana: U+3041-U+3096 <-> U+30A1-U+30F6 and the iteration
//    marks ゝゞ <-> ヽヾ; half-width katakana are not touched by these flags
//    alone, hiragana are not touched by the width flags alone;
//  - case: the simple one-to-one mappings of the Basic Multilingual Plane.
// Flags that combine are applied in the order: to full width, kana, to half
// width, case (so katakana + half width turns hiragana into half-width
// katakana, and full width + hiragana turns half-width katakana into
// hiragana). Characters outside the tables, surrogates included, pass.

#include <cstdint>
#include <optional>

#include "util/u16.h"

namespace kova {

inline constexpr uint32_t kMapLowerCase = 0x100;
inline constexpr uint32_t kMapUpperCase = 0x200;
inline constexpr uint32_t kMapHiragana = 0x100000;
inline constexpr uint32_t kMapKatakana = 0x200000;
inline constexpr uint32_t kMapHalfWidth = 0x400000;
inline constexpr uint32_t kMapFullWidth = 0x800000;

// The simple lower-case mapping of a BMP code unit (the counterpart of
// upperChar in util/u16.h).
char16_t lowerChar(char16_t c);
u16 lowerFull(u16v text);

// Maps `text` by `flags`. Contradicting pairs (lower and upper case,
// hiragana and katakana, half and full width) are refused like the locale
// API refuses them: the result is empty. Bits other than the six mapping
// flags are ignored; without any of them the text comes back unchanged.
std::optional<u16> mapString(u16v text, uint32_t flags);

}  // namespace kova
