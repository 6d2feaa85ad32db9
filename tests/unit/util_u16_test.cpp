#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "util/u16.h"

namespace kova {
namespace {

// --- UTF-8 <-> UTF-16 -------------------------------------------------------

TEST(Utf8, RoundTripsEveryEncodingLength) {
  const u16 text = u"A\u00E9\u0800\u3042\uFFFD\U00010000\U0001F600\U0010FFFF";
  const std::string bytes =
      "A\xC3\xA9\xE0\xA0\x80\xE3\x81\x82\xEF\xBF\xBD\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(toUtf8(text), bytes);
  EXPECT_EQ(fromUtf8(bytes), text);
  EXPECT_TRUE(isValidUtf8(bytes));  // a genuine U+FFFD is well-formed
}

TEST(Utf8, IllFormedBytesBecomeOneReplacementEach) {
  struct Case {
    std::string bytes;
    u16 text;
  };
  const std::vector<Case> cases = {
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xC1\xBF", u"\uFFFD\uFFFD"},                      // overlong U+007F
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong 3-byte
      {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong 4-byte
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded high surrogate
      {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},            // encoded low surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\x80x", u"\uFFFDx"},                       // lone continuation byte
      {"a\xE3\x81", u"a\uFFFD\uFFFD"},             // truncated at the end
      {"\xE3\x81" "b", u"\uFFFD\uFFFDb"},          // truncated before ASCII
      {"\xF0\x9F\x98" "A", u"\uFFFD\uFFFD\uFFFDA"},
      {"\xFE\xFF", u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fromUtf8(c.bytes), c.text) << "input of " << c.bytes.size() << " bytes";
    EXPECT_FALSE(isValidUtf8(c.bytes));
  }
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_EQ(fromUtf8(std::string("a\0b", 3)), u16(u"a\0b", 3));
}

TEST(Utf8, UnpairedSurrogatesEncodeAsReplacement) {
  EXPECT_EQ(toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(toUtf8(u"x\xDC00"), "x\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8(u"\xD83D"), "\xEF\xBF\xBD");                         // high surrogate at the end
  EXPECT_EQ(toUtf8(u"\xDE00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");       // pair in the wrong order
  EXPECT_EQ(toUtf8(u"\xD83D\xD83D\xDE00"), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

// --- Case mapping --------------------------------------------------------------

TEST(UpperCase, FullMappingCoversTheBmpScripts) {
  EXPECT_EQ(upperFull(u"call sub.kov"), u"CALL SUB.KOV");
  EXPECT_EQ(upperFull(u"\u00E9\u00FF\u00B5"), u"\u00C9\u0178\u039C");             // é ÿ µ
  EXPECT_EQ(upperFull(u"\uFF41\uFF5A\uFF21"), u"\uFF21\uFF3A\uFF21");             // full-width a z A
  EXPECT_EQ(upperFull(u"\u03B1\u03B2\u03C9\u03C2\u03AC"), u"\u0391\u0392\u03A9\u03A3\u0386");  // αβως ά
  EXPECT_EQ(upperFull(u"\u0436\u0451\u044F"), u"\u0416\u0401\u042F");             // жёя
  EXPECT_EQ(upperFull(u"\u0101\u0100\u0131\u017F"), u"\u0100\u0100IS");           // stride-2 ranges, ı, ſ
  EXPECT_EQ(upperFull(u"\u1F80\u1FB3\u1FF3"), u"\u1F88\u1FBC\u1FFC");             // iota subscript forms
  EXPECT_EQ(upperFull(u"\u2170\u24D0"), u"\u2160\u24B6");                         // ⅰ ⓐ
  // No simple mapping: ß, CJK, kana, digits and supplementary planes stay.
  EXPECT_EQ(upperFull(u"stra\u00DFe"), u"STRA\u00DFE");
  EXPECT_EQ(upperFull(u"\u65E5\u3042\uFF71\uFF11"), u"\u65E5\u3042\uFF71\uFF11");
  EXPECT_EQ(upperFull(u"\U00010428"), u"\U00010428");
}

TEST(UpperCase, MappingIsIdempotentOverTheWholeBmp) {
  for (char32_t c = 0; c < 0x10000; ++c) {
    const char16_t once = upperChar(char16_t(c));
    ASSERT_EQ(upperChar(once), once) << std::hex << unsigned(c);
    if (c >= 0xD800 && c <= 0xDFFF) {
      ASSERT_EQ(once, char16_t(c));
    }
  }
}

TEST(UpperCase, AsciiVariantsLeaveOtherLettersAlone) {
  EXPECT_EQ(upperAscii(u"abz\u00E9\uFF41"), u"ABZ\u00E9\uFF41");
  // Every quote toggles; a doubled quote leaves the literal and re-enters.
  EXPECT_EQ(upperOutsideQuotes(u"call \"sub.kov\" x"), u"CALL \"sub.kov\" X");
  EXPECT_EQ(upperOutsideQuotes(u"a\"b\"\"c\"d"), u"A\"b\"\"c\"D");
  EXPECT_EQ(upperOutsideQuotes(u"x \"open"), u"X \"open");
}

// --- Trimming and comparisons -----------------------------------------------

TEST(Trim, BlankAndControlSetsDiffer) {
  EXPECT_EQ(trimBlank(u" \t\u3000a b\u3000\t "), u"a b");
  EXPECT_EQ(trimBlank(u"\ra\n"), u"\ra\n");
  EXPECT_EQ(trimCtl(u16v(u"\0\r\n a \x1F", 7)), u"a");
  EXPECT_EQ(trimCtl(u"\u3000a\u3000"), u"\u3000a\u3000");
  EXPECT_EQ(trimLeftCtl(u"  a  "), u"a  ");
  EXPECT_EQ(trimRightCtl(u"  a  "), u"  a");
  EXPECT_EQ(trimCtl(u"   "), u"");
}

TEST(Placeholders, FoundAtEveryOffsetAndAcrossBlocks) {
  // The search looks at blocks of units; "<#" must be found wherever it
  // starts, including split over two blocks, and nowhere else.
  for (size_t length = 2; length <= 40; ++length) {
    for (size_t at = 0; at + 1 < length; ++at) {
      u16 t(length, u'a');
      t[at] = u'<';
      t[at + 1] = u'#';
      EXPECT_TRUE(hasPlaceholderStart(t)) << length << " " << at;
      EXPECT_EQ(findPlaceholderStart(t), at);
      if (at + 3 < length) {  // the first of two is found
        t[at + 2] = u'<';
        t[at + 3] = u'#';
        EXPECT_EQ(findPlaceholderStart(t), at) << length << " " << at;
        t[at + 2] = t[at + 3] = u'a';
      }
      t[at + 1] = u'a';
      EXPECT_FALSE(hasPlaceholderStart(t)) << length << " " << at;
    }
  }
  EXPECT_FALSE(hasPlaceholderStart(u"#<>#<"));
  EXPECT_TRUE(hasPlaceholderStart(u"#<<#"));
  EXPECT_FALSE(hasPlaceholderStart(u""));
  EXPECT_FALSE(hasPlaceholderStart(u16v(u"<#", 1)));  // the view ends before "#"
}

TEST(Compare, NoCaseHelpersFoldAsciiOnly) {
  EXPECT_TRUE(startsWithNoCase(u"Include x", u"INCLUDE"));
  EXPECT_FALSE(startsWithNoCase(u"\u00E9t\u00E9", u"\u00C9"));
  EXPECT_FALSE(startsWithNoCase(u"ab", u"abc"));
  EXPECT_EQ(findNoCase(u"xxAbCabc", u"ABC"), 2u);
  EXPECT_EQ(findNoCase(u"xxAbCabc", u"ABC", 3), 5u);
  EXPECT_EQ(findNoCase(u"abc", u"abcd"), u16::npos);
  EXPECT_EQ(findNoCase(u"abc", u"x", 10), u16::npos);
  EXPECT_EQ(replaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(replaceAll(u"Path\\PATH\\path", u"path", u"p", true), u"p\\p\\p");
  EXPECT_EQ(replaceAll(u"abc", u"", u"x"), u"abc");
}

// --- Quote-aware scanning -----------------------------------------------------

TEST(QuoteAwareFind, SkipsLiteralsIncludingDoubledQuotes) {
  EXPECT_EQ(findOutsideQuotes(u"x = \"a,b\" , c", u","), 10u);
  // "say ""hi, there""" is one literal: its comma is not a separator.
  EXPECT_EQ(findOutsideQuotes(u"\"say \"\"hi, there\"\"\", x", u","), 19u);
  // The state is tracked from the start even when the search begins later.
  EXPECT_EQ(findOutsideQuotes(u"\"a,b\",c", u",", 2), 5u);
  EXPECT_EQ(findOutsideQuotes(u"\"a,b", u","), u16::npos);  // unterminated literal
  EXPECT_EQ(findOutsideQuotes(u"abc", u""), u16::npos);
  EXPECT_EQ(findOutsideQuotes(u"a(,)", u","), 2u);  // parentheses do not matter here
}

TEST(QuoteAwareFind, NestingLevels) {
  EXPECT_EQ(findTopLevel(u"f(a,b),[c,d],e", u","), 6u);
  EXPECT_EQ(findTopLevel(u"f(g(a,b),c),d", u","), 11u);
  EXPECT_EQ(findTopLevel(u"f(\")\",x),y", u","), 8u);  // a ')' inside a literal closes nothing
  EXPECT_EQ(findTopLevel(u"a),b", u","), 2u);          // a stray closer does not go below zero
  EXPECT_EQ(findTopLevel(u"a(x==1)==b", u"=="), 7u);
  EXPECT_EQ(findTopLevel(u"(a,b", u","), u16::npos);
  EXPECT_EQ(findOutsideParens(u"[a,b],c", u","), 2u);  // brackets count as text
  EXPECT_EQ(findOutsideParens(u"(a,b),c", u","), 5u);
}

TEST(QuoteAwareFind, SplitTopLevel) {
  EXPECT_EQ(splitTopLevel(u"a, \"b,c\", f(d,e), [g,h]", u','),
            (std::vector<u16>{u"a", u" \"b,c\"", u" f(d,e)", u" [g,h]"}));
  EXPECT_EQ(splitTopLevel(u"\"x\"\",\"\"y\",z", u','), (std::vector<u16>{u"\"x\"\",\"\"y\"", u"z"}));
  EXPECT_EQ(splitTopLevel(u"", u','), (std::vector<u16>{u""}));
  EXPECT_EQ(splitTopLevel(u"a,", u','), (std::vector<u16>{u"a", u""}));
  EXPECT_EQ(splitTopLevel(u",,", u','), (std::vector<u16>{u"", u"", u""}));
}

// --- Integers --------------------------------------------------------------------

TEST(Integers, ParseAcceptsSignsBlanksAndTheFullRange) {
  struct Case {
    u16 text;
    long long value;
  };
  const std::vector<Case> good = {
      {u"42", 42},
      {u" -17 ", -17},
      {u"+5", 5},
      {u"\t9\r\n", 9},
      {u"007", 7},
      {u"-0", 0},
      {u"9223372036854775807", LLONG_MAX},
      {u"-9223372036854775808", LLONG_MIN},
  };
  for (const Case& c : good) {
    long long v = 0;
    EXPECT_TRUE(parseInt(c.text, v)) << toUtf8(c.text);
    EXPECT_EQ(v, c.value) << toUtf8(c.text);
  }
  for (long long v : {0LL, -1LL, LLONG_MAX, LLONG_MIN}) {
    long long back = 1;
    EXPECT_TRUE(parseInt(toU16(v), back));
    EXPECT_EQ(back, v);
  }
}

TEST(Integers, ParseRejectsEverythingElse) {
  const std::vector<u16> bad = {
      u"", u"  ", u"-", u"+", u"1 2", u"--1", u"0x10", u"1.0", u"1e3",
      u"\uFF11\uFF12",             // full-width digits
      u"\u30001",                  // U+3000 is not trimmed here
      u"9223372036854775808",      // LLONG_MAX + 1
      u"-9223372036854775809",     // LLONG_MIN - 1
      u"18446744073709551620",     // 2^64 + 4: must not wrap to 4
      u"99999999999999999999999",
  };
  for (const u16& text : bad) {
    long long v = 0;
    EXPECT_FALSE(parseInt(text, v)) << toUtf8(text);
  }
}

}  // namespace
}  // namespace kova
