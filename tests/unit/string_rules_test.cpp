#include "builtins/string_rules.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

TEST(StringRulesTest, NthPositionFromBothEnds) {
  EXPECT_EQ(nthPosition(u"b", u"abcabc", 1), 2);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", 0), 2);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", 2), 5);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", 3), 0);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", -1), 5);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", -2), 2);
  EXPECT_EQ(nthPosition(u"b", u"abcabc", -3), 0);
  // Occurrences do not overlap, from either end.
  EXPECT_EQ(nthPosition(u"aa", u"aaaa", 2), 3);
  EXPECT_EQ(nthPosition(u"aa", u"aaaaa", -1), 4);
  EXPECT_EQ(nthPosition(u"aa", u"aaaaa", -2), 2);
  EXPECT_EQ(nthPosition(u"", u"abc", 1), 0);
  EXPECT_EQ(nthPosition(u"abcd", u"abc", -1), 0);
  // A huge n ends when the occurrences run out.
  EXPECT_EQ(nthPosition(u"a", u"aaa", 1LL << 60), 0);
}

TEST(StringRulesTest, NthBytePositionSkipsTrailBytes) {
  const std::string so = "\x83\x5C";  // "ソ", trail byte 0x5C
  EXPECT_EQ(nthBytePosition("\\", so + "\\" + so + "\\", 1), 3);
  EXPECT_EQ(nthBytePosition("\\", so + "\\" + so + "\\", 2), 6);
  EXPECT_EQ(nthBytePosition("\\", so + "\\" + so + "\\", -2), 3);
  EXPECT_EQ(nthBytePosition("\\", so, 1), 0);
  EXPECT_EQ(nthBytePosition(so, "a" + so, -1), 2);
}

TEST(StringRulesTest, ReplaceEveryDoesNotRescan) {
  EXPECT_EQ(replaceEvery(u"aaa", u"a", u"aa", false), u"aaaaaa");
  EXPECT_EQ(replaceEvery(u"abcABC", u"b", u"x", true), u"axcAxC");
  EXPECT_EQ(replaceEvery(u"abcABC", u"b", u"x", false), u"axcABC");
  EXPECT_EQ(replaceEvery(u"abc", u"", u"x", true), u"abc");
  EXPECT_EQ(replaceEvery(u"ÄäX", u"ä", u"-", true), u"--X");
}

TEST(StringRulesTest, BetweenWithOmittedEnds) {
  EXPECT_EQ(betweenText(u"a[b]c", u"[", u"]", 1, true), u"b");
  EXPECT_EQ(betweenText(u"a[b]c", u"", u"]", 1, true), u"a[b");
  EXPECT_EQ(betweenText(u"a[b]c", u"[", u"", 1, true), u"b]c");
  EXPECT_EQ(betweenText(u"a[b]c[d]", u"[", u"]", 2, true), u"d");
  EXPECT_EQ(betweenText(u"a[b]c[d]", u"[", u"]", -1, true), u"d");
  EXPECT_EQ(betweenText(u"a[b]c[d]", u"[", u"]", -2, true), u"b");
  EXPECT_EQ(betweenText(u"xAy", u"x", u"Y", 1, true), u"A");
  EXPECT_FALSE(betweenText(u"xAy", u"x", u"Y", 1, false));
  EXPECT_FALSE(betweenText(u"a[b", u"[", u"]", 1, true));
  EXPECT_FALSE(betweenText(u"a[b]", u"(", u"]", 1, true));
  // An empty `from` stands for the start (n = 1 or -2) and the end (n = 2
  // or -1), after which nothing can follow.
  EXPECT_EQ(betweenText(u"a]b", u"", u"]", -2, true), u"a");
  EXPECT_FALSE(betweenText(u"a]b", u"", u"]", 2, true));
  EXPECT_FALSE(betweenText(u"a]b", u"", u"]", -1, true));
  // The stand-in for the ends never matches a given delimiter.
  EXPECT_FALSE(betweenText(u"a[b", u"[", u"_", 1, true));
  EXPECT_FALSE(betweenText(u"a[b", u"KOVA", u"", 1, true));
}

TEST(StringRulesTest, TokenCuts) {
  auto check = [](u16v text, bool skip, bool quotes, u16v token, u16v rest, bool emptyValue) {
    const TokenCut r = cutToken(u",", text, skip, quotes);
    EXPECT_EQ(r.token, token) << toUtf8(text);
    EXPECT_EQ(r.rest, rest) << toUtf8(text);
    EXPECT_EQ(r.restIsEmptyValue, emptyValue) << toUtf8(text);
  };
  check(u"a,,b", false, false, u"a", u",b", false);
  check(u"a,,b", true, false, u"a", u"b", false);
  check(u",,a,b", true, false, u"a", u"b", false);
  check(u",a", false, false, u"", u"a", false);
  check(u"abc", false, false, u"abc", u"", true);
  check(u"a,", false, false, u"a", u"", false);
  check(u"a,", true, false, u"a", u"", true);
  check(u"\"x,y\",z", false, true, u"\"x,y\"", u"z", false);
  check(u"\"x,y\",z", false, false, u"\"x", u"y\",z", false);
  // Delimiters after the cut go, up to a double quote when quotes count.
  check(u"a,,\",\"", true, true, u"a", u"\",\"", false);
  // Any character of the first argument delimits.
  EXPECT_EQ(cutToken(u" ;", u"ab;c d", false, false).token, u"ab");
}

TEST(StringRulesTest, TrimWithAndWithoutWideBlanks) {
  EXPECT_EQ(trimText(u"\t a b \r\n", false), u"a b");
  EXPECT_EQ(trimText(u"\u3000a\u3000", false), u"\u3000a\u3000");
  EXPECT_EQ(trimText(u"\u3000a\u3000", true), u"a");
  EXPECT_EQ(trimText(u" \u00A0\u2003\u200B\uFEFF\u202F\u205Fa\u3000b \u3000", true), u"a\u3000b");
  // The walk stops at the first other character: inner blanks stay.
  EXPECT_EQ(trimText(u"\u3000x\u3000y\u3000", true), u"x\u3000y");
  EXPECT_EQ(trimText(u"\u3000\u3000", true), u"");
}

TEST(StringRulesTest, SplitPieces) {
  auto texts = [](const std::vector<Value>& v) {
    std::vector<u16> t;
    for (const Value& e : v) t.push_back(e.kind() == ValueKind::Double ? u"#" + e.toText() : e.toText());
    return t;
  };
  EXPECT_EQ(texts(splitPieces(u"a,,b", u",", false, false)), (std::vector<u16>{u"a", u"", u"b"}));
  EXPECT_EQ(texts(splitPieces(u"a,,b,", u",", true, false)), (std::vector<u16>{u"a", u"b"}));
  EXPECT_EQ(texts(splitPieces(u"a b", u"", false, false)), (std::vector<u16>{u"a", u"b"}));
  EXPECT_EQ(texts(splitPieces(u"1::2::x", u"::", false, false)), (std::vector<u16>{u"1", u"2", u"x"}));
  EXPECT_TRUE(splitPieces(u"", u",", false, false).empty());
  EXPECT_EQ(texts(splitPieces(u"1,234;x;;5", u";", false, true)), (std::vector<u16>{u"#1234", u"", u"", u"#5"}));
  EXPECT_EQ(texts(splitPieces(u"1,234;x;;5", u";", true, true)), (std::vector<u16>{u"#1234", u"#5"}));
}

TEST(StringRulesTest, ValNumberLengthRules) {
  EXPECT_EQ(valNumber(u" 12.5 "), 12.5);
  EXPECT_EQ(valNumber(u"$FF"), 255);
  EXPECT_FALSE(valNumber(u"12A"));
  EXPECT_FALSE(valNumber(u""));
  const u16 digits33(33, u'1');
  EXPECT_FALSE(valNumber(digits33));
  EXPECT_TRUE(valNumber(u"1." + digits33));
  EXPECT_FALSE(valNumber(u"1." + u16(63, u'1')));  // 65 characters
}

TEST(StringRulesTest, FormatNumbers) {
  using L = std::optional<long long>;
  EXPECT_EQ(formatForScript(true, 3.14159, u"", 8, 2), u"    3.14");
  EXPECT_EQ(formatForScript(true, 255, u"", 4, -1), u"  FF");
  EXPECT_EQ(formatForScript(true, -1, u"", L(), -1), u"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(formatForScript(true, 2.5, u"", L(), L()), u"2.5");
  EXPECT_EQ(formatForScript(true, 2.5, u"", 4, L()), u" 2.5");
  // Rounding is decimal, half away from zero.
  EXPECT_EQ(formatForScript(true, 2.675, u"", 0, 2), u"2.68");
  EXPECT_EQ(formatForScript(true, -2.5, u"", 0, 0), u"-3");
  EXPECT_EQ(formatForScript(true, 9.999, u"", 0, 2), u"10.00");
  EXPECT_EQ(formatForScript(true, 0.004, u"", 0, 2), u"0.00");
  EXPECT_EQ(formatForScript(true, -0.004, u"", 0, 2), u"0.00");
  EXPECT_EQ(formatForScript(true, 0.005, u"", 0, 2), u"0.01");
  EXPECT_EQ(formatForScript(true, 1e20, u"", 0, 1), u"100000000000000000000.0");
  EXPECT_EQ(formatForScript(true, 1.5, u"", 0, 20), u"1.50000000000000000000");
  // The width cuts a short integer part's text, and keeps only a long
  // integer part.
  EXPECT_EQ(formatForScript(true, 1.5, u"", 3, 2), u"1.5");
  EXPECT_EQ(formatForScript(true, 12345.678, u"", 3, 2), u"12345");
  EXPECT_EQ(formatForScript(true, -3.25, u"", 6, 1), u"  -3.3");
}

TEST(StringRulesTest, FormatTexts) {
  using L = std::optional<long long>;
  EXPECT_EQ(formatForScript(false, 0, u"-", 10, L()), u"----------");
  EXPECT_EQ(formatForScript(false, 0, u"ab", 5, L()), u"ababa");
  EXPECT_EQ(formatForScript(false, 0, u"abcdef", 3, 2), u"abc");
  EXPECT_EQ(formatForScript(false, 0, u"", 5, L()), u"");
  EXPECT_EQ(formatForScript(false, 0, u"ab", 0, L()), u"");
}

}  // namespace
}  // namespace kova
