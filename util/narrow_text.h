#pragma once
// Rules for narrow (code page 932) byte strings that the byte built-ins
// need and that must come out the same in every build: which bytes start a
// double-byte character, upper-casing that keeps every byte offset, a search
// that matches only at character boundaries, and URL percent coding.

#include <cstddef>
#include <string>
#include <string_view>

namespace kova {

// True for the bytes that start a double-byte character of code page 932
// (0x81-0x9F and 0xE0-0xFC).
bool isCp932LeadByte(unsigned char b);

// Class of the byte at `index` (0-based), found by walking from the start:
// 0 a single-byte character, 1 the lead byte of a double-byte character, 2
// its trail byte; -1 when `index` is beyond the text. A lead byte at the very
// end (without its trail byte) counts as a lead byte.
int cp932ByteType(std::string_view bytes, size_t index);

// Upper-cases the letters of a code page 932 text without changing any
// byte's position: ASCII a-z, full-width a-z, Greek and Cyrillic small
// letters and the small Roman numerals become their capital forms (each
// capital has the same byte length as its small form). Trail bytes are never
// touched, so a trail byte that looks like "a" stays.
std::string cp932Upper(std::string_view bytes);

// 0-based offset of the first occurrence of `needle` in `text` at or after
// `from` that starts on a character boundary, or npos. Matches that would
// start on a trail byte are skipped: "\" (0x5C) is not found inside the
// double-byte character 0x83 0x5C. An empty needle is never found.
size_t cp932Find(std::string_view text, std::string_view needle, size_t from = 0);
// The same, searching backwards: the last occurrence that ends at or before
// `end` (a byte count).
size_t cp932FindLast(std::string_view text, std::string_view needle, size_t end);

// URL percent coding of bytes. ASCII letters, digits and "-._~" stay as they
// are; every other byte becomes "%" and two upper-case hexadecimal digits.
std::string percentEncode(std::string_view bytes);
// The reverse: "%" with two hexadecimal digits (either case) becomes that
// byte and "+" a space; a "%" without two digits after it stays as it is.
std::string percentDecode(std::string_view text);

}  // namespace kova
