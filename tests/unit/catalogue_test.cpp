// The built-in catalogue's name lookup and position masks, and the
// built-ins whose families are not available yet.

#include "builtins/catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "builtins/dispatcher.h"
#include "script_test_support.h"

namespace kova {
namespace {

u16 lowerAscii(u16v s) {
  u16 out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

// Every other ASCII letter lower case: "GeTiD".
u16 mixedCase(u16v s) {
  u16 out(s);
  for (size_t i = 1; i < out.size(); i += 2)
    if (out[i] >= u'A' && out[i] <= u'Z') out[i] = static_cast<char16_t>(out[i] + 32);
  return out;
}

TEST(BuiltinCatalogue, EveryNameIsFoundInAnyCaseAtItsOwnNumber) {
  for (const BuiltinInfo& b : kBuiltins) {
    const u16 name = b.name;
    SCOPED_TRACE(toUtf8(name));
    EXPECT_EQ(findBuiltin(name), b.number);
    EXPECT_EQ(findBuiltin(lowerAscii(name)), b.number);
    EXPECT_EQ(findBuiltin(mixedCase(name)), b.number);
    EXPECT_EQ(builtinLibrary().find(lowerAscii(name)), b.number);
  }
}

TEST(BuiltinCatalogue, UnknownNamesAreNotFound) {
  const u16 unknown[] = {
      u"",         u"A",      u"ZZZZ",       u"IN",    u"INTX",    u"INT ",       u" INT",
      u"COP",      u"COPYBB", u"GLOBAL.INT", u"INT()", u"SET8087", u"SET8087CWX",
      u"\uFF29NT",  // a full-width letter: no ASCII letter after case mapping
  };
  for (const u16& name : unknown) {
    SCOPED_TRACE(toUtf8(name));
    EXPECT_EQ(findBuiltin(name), -1);
  }
  // A name is compared in its full length, not up to a NUL.
  EXPECT_EQ(findBuiltin(u16v(u"INT\0X", 5)), -1);
  EXPECT_EQ(findBuiltin(u16v(u"INT\0", 4)), -1);
}

TEST(BuiltinCatalogue, LettersBeyondAsciiCompareAfterTheFullCaseMapping) {
  // U+017F (long s) and U+0131 (dotless i) map to ASCII letters; U+00DF
  // (sharp s) has no single upper-case letter.
  for (const u16& name : {u16(u"\u017Fqrt"), u16(u"\u0131nt"), u16(u"\u00DFqrt"), u16(u"lengt\u0127")}) {
    SCOPED_TRACE(toUtf8(name));
    EXPECT_EQ(findBuiltin(name), findBuiltin(upperFull(name)));
  }
}

TEST(BuiltinCatalogue, RawPositionsFromAPositionOnReachPastTheArgumentLimit) {
  BuiltinDispatcher& d = builtinLibrary();
  const int slctbox = findBuiltin(u"SLCTBOX");  // raw from position 2 on
  EXPECT_FALSE(d.isRawPosition(slctbox, 1));
  EXPECT_TRUE(d.isRawPosition(slctbox, 2));
  EXPECT_TRUE(d.isRawPosition(slctbox, kMaxBuiltinArguments - 1));
  EXPECT_TRUE(d.isRawPosition(slctbox, kMaxBuiltinArguments + 5));
  EXPECT_FALSE(d.isRawPosition(slctbox, 64));
  const int length = findBuiltin(u"LENGTH");  // raw at position 0 only
  EXPECT_TRUE(d.isRawPosition(length, 0));
  EXPECT_FALSE(d.isRawPosition(length, 1));
  EXPECT_FALSE(d.isRawPosition(length, kMaxBuiltinArguments + 5));
}

// A call of every built-in whose family has no handler yet, each in a TRY
// that prints the message it raised, with as many arguments as it needs.
std::string unavailableCallsScript(std::vector<std::string>& names) {
  std::string script;
  for (const BuiltinInfo& b : kBuiltins) {
    // The mark the compile-time checks read agrees with the function.
    EXPECT_EQ(b.handler.fn == &notAvailableYet, !b.handler.available) << toUtf8(b.name);
    if (b.handler.available) continue;
    const std::string name = toUtf8(b.name);
    names.push_back(name);
    std::string args;
    for (int k = 0; k < std::max<int>(b.minimumArguments, 1); ++k) args += k ? ", 1" : "1";
    script +=
        "TRY\n  x = " + name + "(" + args + ")\n  PRINT \"no error\"\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n";
  }
  return script;
}

TEST(BuiltinCatalogue, FamiliesNotAvailableYetReportTheirMessageInBothLanguages) {
  std::vector<std::string> names;
  const std::string script = unavailableCallsScript(names);
  // Dialogs (but LOGPRINT and STOPFORM), COM, images, hot keys, speech,
  // spreadsheets, browsers, and the three built-ins of no family.
  ASSERT_EQ(names.size(), 34u);
  for (const Language lang : {Language::English, Language::Japanese}) {
    const testing::RunResult r = testing::runScript({{"main.kov", script}}, {}, lang);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.errors.empty());
    ASSERT_EQ(r.printed.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string expected = lang == Language::English
                                       ? names[i] + ": this function is not available yet"
                                       : names[i] + ": この関数はまだ使えません";
      EXPECT_EQ(r.printed[i], expected);
    }
  }
}

}  // namespace
}  // namespace kova
