#include "util/narrow_text.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

// "ソ" is 0x83 0x5C in code page 932: its trail byte is a backslash.
const std::string kSo = "\x83\x5C";
// "日本" is 0x93 0xFA 0x96 0x7B.
const std::string kNihon = "\x93\xFA\x96\x7B";

TEST(NarrowTextTest, ByteTypesWalkFromTheStart) {
  const std::string t = "a" + kNihon + "b";
  const int expected[] = {0, 1, 2, 1, 2, 0};
  for (size_t i = 0; i < t.size(); ++i) EXPECT_EQ(cp932ByteType(t, i), expected[i]) << i;
  EXPECT_EQ(cp932ByteType(t, t.size()), -1);
  // A half-width katakana (0xB1) is a single byte; a lead byte without its
  // trail at the end still counts as a lead byte.
  EXPECT_EQ(cp932ByteType("\xB1\x81", 0), 0);
  EXPECT_EQ(cp932ByteType("\xB1\x81", 1), 1);
}

TEST(NarrowTextTest, UpperCaseKeepsOffsetsAndTrailBytes) {
  // ASCII and full-width letters, Greek, Cyrillic (the small letters skip
  // trail byte 0x7F, the capitals do not), and a trail byte "a" (0x61) that
  // must stay: 0x83 0x61 is "ヂ".
  EXPECT_EQ(cp932Upper("ab\x82\x81\x82\x9A\x83\xBF\x84\x70\x84\x80\x84\x91\x83\x61"),
            "AB\x82\x60\x82\x79\x83\x9F\x84\x40\x84\x4F\x84\x60\x83\x61");
  EXPECT_EQ(cp932Upper("\xFA\x40\xEE\xF8"), "\x87\x54\x87\x5D");  // small Roman numerals
}

TEST(NarrowTextTest, SearchesMatchOnlyAtCharacterStarts) {
  const std::string t = kSo + "\\" + kSo + "\\";
  EXPECT_EQ(cp932Find(t, "\\"), 2u);
  EXPECT_EQ(cp932Find(t, "\\", 3), 5u);
  EXPECT_EQ(cp932FindLast(t, "\\", t.size()), 5u);
  EXPECT_EQ(cp932FindLast(t, "\\", 5), 2u);
  EXPECT_EQ(cp932FindLast(t, "\\", 2), std::string::npos);
  EXPECT_EQ(cp932Find(kSo, "\\"), std::string::npos);
  EXPECT_EQ(cp932Find("abc", ""), std::string::npos);
}

TEST(NarrowTextTest, PercentCodingRoundTrips) {
  EXPECT_EQ(percentEncode("a b-._~/" + kNihon), "a%20b-._~%2F%93%FA%96%7B");
  EXPECT_EQ(percentDecode("a%20b+c%2f%93%FA%96%7B"), "a b c/" + kNihon);
  // A "%" without two hexadecimal digits stays as written.
  EXPECT_EQ(percentDecode("100%"), "100%");
  EXPECT_EQ(percentDecode("%4"), "%4");
  EXPECT_EQ(percentDecode("%zz%41"), "%zzA");
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(percentDecode(percentEncode(all)), all);
}

}  // namespace
}  // namespace kova
