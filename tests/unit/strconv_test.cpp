#include "util/strconv.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

u16 mapped(u16v text, uint32_t flags) {
  std::optional<u16> r = mapString(text, flags);
  EXPECT_TRUE(r.has_value());
  return r.value_or(u"<refused>");
}

TEST(StrConvTest, WidthOfAsciiAndSpace) {
  EXPECT_EQ(mapped(u"Ab1 !~\\", kMapFullWidth), u"Ａｂ１\u3000！～＼");
  EXPECT_EQ(mapped(u"Ａｂ１\u3000！～＼", kMapHalfWidth), u"Ab1 !~\\");
  // Characters without another width pass unchanged both ways.
  EXPECT_EQ(mapped(u"日本\U0001F600", kMapFullWidth), u"日本\U0001F600");
  EXPECT_EQ(mapped(u"日本\U0001F600", kMapHalfWidth), u"日本\U0001F600");
}

TEST(StrConvTest, HalfWidthKanaComposeAndDecompose) {
  EXPECT_EQ(mapped(u"ｶﾞｷﾞﾊﾟﾎﾟｳﾞｱｰｯ｡", kMapFullWidth), u"ガギパポヴアーッ。");
  EXPECT_EQ(mapped(u"ガギパポヴアーッ。", kMapHalfWidth), u"ｶﾞｷﾞﾊﾟﾎﾟｳﾞｱｰｯ｡");
  // A mark after a kana that has no voiced form stays a separate mark; a
  // lone half-width mark becomes the full-width one.
  EXPECT_EQ(mapped(u"ｱﾞﾟ", kMapFullWidth), u"ア゛゜");
  // The last character may be a kana without a following mark.
  EXPECT_EQ(mapped(u"ｶ", kMapFullWidth), u"カ");
}

TEST(StrConvTest, KanaFlagsAndTheirCombinations) {
  EXPECT_EQ(mapped(u"ひらがなゔゝカタカナ", kMapKatakana), u"ヒラガナヴヽカタカナ");
  EXPECT_EQ(mapped(u"カタカナヴヽひらがな", kMapHiragana), u"かたかなゔゝひらがな");
  // The kana flags alone leave half-width katakana; the width flags alone
  // leave hiragana.
  EXPECT_EQ(mapped(u"ｶﾅ", kMapHiragana), u"ｶﾅ");
  EXPECT_EQ(mapped(u"かな", kMapHalfWidth), u"かな");
  // Combined: to full width before the kana mapping, to half width after it.
  EXPECT_EQ(mapped(u"ｶﾞﾅ", kMapFullWidth | kMapHiragana), u"がな");
  EXPECT_EQ(mapped(u"がな", kMapHalfWidth | kMapKatakana), u"ｶﾞﾅ");
}

TEST(StrConvTest, CaseMappingsIncludingWideLetters) {
  EXPECT_EQ(mapped(u"abcÄöÿσａ", kMapUpperCase), u"ABCÄÖŸΣＡ");
  EXPECT_EQ(mapped(u"ABCÄÖŸΣＡİ", kMapLowerCase), u"abcäöÿσａi");
  EXPECT_EQ(mapped(u"ａｂｃ", kMapHalfWidth | kMapUpperCase), u"ABC");
  for (char16_t c = 1; c < 0xD800; ++c) {
    // Lower-casing undoes upper-casing for every letter that has one
    // capital of its own (not for ſ, ı, ς and the like).
    if (upperChar(c) != c && lowerChar(upperChar(c)) != c) {
      EXPECT_EQ(upperChar(lowerChar(upperChar(c))), upperChar(c)) << std::hex << int(c);
    }
  }
}

TEST(StrConvTest, ContradictingFlagsAreRefusedAndOtherBitsIgnored) {
  EXPECT_FALSE(mapString(u"a", kMapLowerCase | kMapUpperCase));
  EXPECT_FALSE(mapString(u"a", kMapHiragana | kMapKatakana));
  EXPECT_FALSE(mapString(u"a", kMapHalfWidth | kMapFullWidth));
  EXPECT_EQ(mapped(u"aB", 0), u"aB");
  EXPECT_EQ(mapped(u"aB", 0x400 | kMapUpperCase), u"AB");
}

}  // namespace
}  // namespace kova
