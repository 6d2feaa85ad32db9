#pragma once
// UTF-16 text helpers shared by every layer. Script text is kept as
// std::u16string from the moment a file is decoded until it reaches the
// operating system; these helpers implement the small text rules the
// language is built on (trimming, case mapping, quote-aware searching).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kova {

using u16 = std::u16string;
using u16v = std::u16string_view;

inline constexpr char16_t kIdeographicSpace = u'\u3000';

// Converts between UTF-8 and UTF-16. Invalid input never throws: ill-formed
// UTF-8 sequences and unpaired surrogates become U+FFFD.
u16 fromUtf8(std::string_view utf8);
std::string toUtf8(u16v text);
// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// ASCII-only literal helper: u16 from a plain char literal.
u16 ascii(std::string_view text);

// Upper-casing. upperAscii changes only a-z; upperFull applies the simple
// (one-to-one) Unicode upper-case mapping of the Basic Multilingual Plane,
// identically on every platform.
char16_t upperChar(char16_t c);
u16 upperAscii(u16v text);
u16 upperFull(u16v text);
// Upper-cases a-z outside double quotes; every '"' toggles the state.
u16 upperOutsideQuotes(u16v text);

// Trimming. trimBlank removes spaces, TABs and U+3000 (the line normaliser's
// blank set); trimCtl removes every code unit up to U+0020 (the classic
// Trim of the language's built-ins).
u16 trimBlank(u16v text);
u16 trimCtl(u16v text);
// The same without a copy: a view into `text`.
u16v trimCtlView(u16v text);
// Whether `text` holds "<#", where every placeholder starts. It runs on
// every text an expression yields, so it looks at eight units a step.
bool hasPlaceholderStart(u16v text);
// Where the first "<#" of `text` starts, or npos.
size_t findPlaceholderStart(u16v text);
u16 trimLeftCtl(u16v text);
u16 trimRightCtl(u16v text);

bool startsWith(u16v text, u16v prefix);
bool endsWith(u16v text, u16v suffix);
// Case-insensitive (ASCII) prefix test and search.
bool startsWithNoCase(u16v text, u16v prefix);
size_t findNoCase(u16v text, u16v needle, size_t from = 0);
// Replaces every occurrence; `ignoreCase` compares ASCII letters without case.
u16 replaceAll(u16v text, u16v from, u16v to, bool ignoreCase = false);

// Quote-aware scanning. A '"' toggles the inside-a-literal state; a doubled
// quote inside a literal therefore toggles twice and stays inside.
// findOutsideQuotes: first occurrence of `needle` outside literals.
size_t findOutsideQuotes(u16v text, u16v needle, size_t from = 0);
// findTopLevel: first occurrence of `needle` outside literals, parentheses
// and brackets.
size_t findTopLevel(u16v text, u16v needle, size_t from = 0);
// findOutsideParens: outside literals and parentheses (brackets count as text).
size_t findOutsideParens(u16v text, u16v needle, size_t from = 0);
// Splits at `sep` outside literals, parentheses and brackets.
std::vector<u16> splitTopLevel(u16v text, char16_t sep);

// Decimal formatting and parsing of integers; parseInt accepts optional
// surrounding blanks and a sign, and fails on anything else or on overflow.
u16 toU16(long long value);
bool parseInt(u16v text, long long& out);

}  // namespace kova
