#pragma once
// The text algorithms of the string built-ins, free of the engine so that
// they can be tested on their own: occurrence search (POS, POSB), REPLACE,
// BETWEENSTR, TOKEN, TRIM, SPLIT, VAL's number test and FORMAT.
// Positions are 1-based as scripts see them.

#include <optional>
#include <string_view>
#include <vector>

#include "engine/value.h"
#include "util/u16.h"

namespace kova {

// Position of the n-th occurrence of `search` in `text`, 0 when there is
// none or `search` is empty. n = 0 counts as 1. For n > 0 the search runs
// from the left, each further occurrence searched behind the previous match
// (occurrences do not overlap); for n < 0 it runs from the right in the same
// way, so n = -1 finds the last occurrence. Callers fold case beforehand.
long long nthPosition(u16v search, u16v text, long long n);
// The same on code page 932 bytes; a match never starts on a trail byte.
long long nthBytePosition(std::string_view search, std::string_view text, long long n);

// Every occurrence of `from`, left to right, replaced by `to`; replaced
// text is not searched again. `foldCase` compares upper-cased copies and
// cuts from the unchanged text. An empty `from` changes nothing.
u16 replaceEvery(u16v text, u16v from, u16v to, bool foldCase);

// BETWEENSTR: the text after the n-th `from` up to the nearest `to` behind
// it; nullopt when either is missing. An empty `from` stands for the start
// of the text and an empty `to` for its end. Those two ends count as
// occurrences of an empty `from` as a marker around the text would (n = 2 or
// n = -1 with an empty `from` meet the end of the text and find nothing);
// the marker itself never matches a given `from` or `to`.
std::optional<u16> betweenText(u16v text, u16v from, u16v to, long long n, bool foldCase);

// TOKEN's cut of `text` at the first delimiter character.
struct TokenCut {
  u16 token;
  u16 rest;
  // The variable becomes Empty instead of `rest`: no delimiter was kept and
  // nothing is left.
  bool restIsEmptyValue = false;
};
TokenCut cutToken(u16v delimiters, u16v text, bool skipEmpty, bool quoteAware);

// TRIM: code units up to U+0020 removed at both ends; with `wideBlanks` also
// the ideographic space, U+FEFF, U+00A0, U+2000-U+200B, U+202F and U+205F.
u16 trimText(u16v text, bool wideBlanks);

// SPLIT's pieces (the caller makes the array value).
std::vector<Value> splitPieces(u16v text, u16v separator, bool skipEmpty, bool numbers);

// VAL's number test on text already stripped of commas and upper-cased:
// trimmed, at most 64 characters, longer than 32 only with a "." among the
// first 32, "$" for hexadecimal.
std::optional<double> valNumber(u16v text);

// FORMAT. `isNumber` selects the number branch (`number` is then the value);
// otherwise `text` is repeated to the width.
//  - decimals < 0: the integer part in upper-case hexadecimal (two's
//    complement, 16 digits, for negative values);
//  - decimals >= 0: exactly that many decimals, rounded half away from zero
//    on the number's 15 significant digits (2.675 gives 2.68);
//  - no decimals: the number's default text form;
//  - width > 0: a text whose integer part is shorter than the width is cut
//    to the width, else only the integer part stays; blanks fill the left.
// A text that is not a number is repeated until it is at least `width`
// characters long and cut there; an empty text stays empty.
u16 formatForScript(bool isNumber, double number, u16v text, std::optional<long long> width,
                    std::optional<long long> decimals);

}  // namespace kova
