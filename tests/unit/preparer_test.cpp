// The prepared program: statements, origins, kinds and declaration tables.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/program.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::prepareScript;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
const std::string kNopText = "__DF_KOVA_SYNTAX_NOP__";

// The statements of __MAIN__ between its header and its FEND.
std::vector<std::string> mainBody(const testing::PreparedScript& p) {
  std::vector<std::string> out;
  for (size_t i = 1; i < p.texts.size() && p.kinds[i] != kFend; ++i) out.push_back(p.texts[i]);
  return out;
}

TEST(Preparer, SplitsLinesAndTurnsOneLineIfsIntoBlocks) {
  auto p = prepareScript({{"main.kov", "a = 1; b = \"x;y\"; ; c = f(1; 2)\n"
                                       "if a then b = 1 else b = 2\n"
                                       "if a then else b = 2\n"
                                       "c = 2; if a then b = 1\n"}});
  EXPECT_THAT(mainBody(p), ElementsAre("A = 1", "B = \"x;y\"", "C = F(1; 2)",  //
                                       "A`-5`2`4", "B = 1", "", "B = 2", "",  //
                                       "A`-10`2`4", kNopText, "", "B = 2", "",  //
                                       "C = 2", "A`-16`2`4", "B = 1", "", kNopText, ""));
  EXPECT_EQ(p.kinds[4], kIfb);
  EXPECT_EQ(p.kinds[6], kElse);
  EXPECT_EQ(p.kinds[8], kEndif);
  EXPECT_EQ(p.kinds[10], kNop);
}

TEST(Preparer, OneLineIfErrors) {
  auto multi = prepareScript({{"main.kov", "if a then b = 1; c = 2\n"}});
  EXPECT_TRUE(multi.stopped);
  EXPECT_THAT(multi.errors, ElementsAre("The multi-declaration of the IF line is NG\rat line 1: IF A THEN B = 1; C = 2"));
  auto nested = prepareScript({{"main.kov", "if a then if b then c = 1\n"}});
  EXPECT_THAT(nested.errors, ElementsAre("SyntaxError\rat line 1: IF A THEN IF B THEN C = 1"));
  auto noThen = prepareScript({{"main.kov", "if a else b = 1\n"}});
  EXPECT_THAT(noThen.errors, ElementsAre("THEN: SyntaxError\rat line 1: IF A ELSE B = 1"));
  // "IF a" alone opens a block that ENDIF closes.
  auto block = prepareScript({{"main.kov", "if a\nb = 1\nendif\n"}});
  EXPECT_FALSE(block.stopped);
  EXPECT_EQ(block.texts[1], "A`-2`-2`2");
}

TEST(Preparer, OriginsCountEachFilesOwnLines) {
  auto p = prepareScript({{"main.kov", "a = 1\n\nb = _\n2\ncall inc\nfunction f()\nresult = 1\nfend\n"},
                          {"inc.kov", "// first\nc = 3\n"}});
  ASSERT_FALSE(p.stopped);
  ASSERT_GE(p.origins.size(), 13u);
  EXPECT_EQ(p.origins[1], "1,A = 1");
  EXPECT_EQ(p.origins[2], "2,");
  // A continued statement carries the number of its last line.
  EXPECT_EQ(p.origins[4], "4,B = 2");
  // The FEND inserted before the first definition does not shift numbering.
  EXPECT_EQ(p.origins[7], "6,FUNCTION F()");
  EXPECT_EQ(p.origins[8], "7,RESULT = 1");
  EXPECT_EQ(p.origins[9], "8,FEND");
  // The included file counts from 1 again.
  EXPECT_EQ(p.origins[10].rfind("0,PROCEDURE ", 0), 0u);
  EXPECT_EQ(p.origins[12], "2,C = 3");
}

TEST(Preparer, IndexedMemberAccessAndEscapes) {
  auto p = prepareScript({{"main.kov", "x = a.b(1).c(f(2)).d\ny = \"<#cr><#Tab>\"\nz = (a).\n"}});
  EXPECT_EQ(p.texts[1], "X = A.b[1].c[F(2)].d");
  EXPECT_EQ(p.texts[2], "Y = \"<#_CR><#_TAB>\"");
  // The origin keeps the escaped form; locations turn it back.
  EXPECT_EQ(p.origins[2], "2,Y = \"<#_CR><#_TAB>\"");
  auto bad = prepareScript({{"main.kov", "x = a.b(1)).c\n"}});
  EXPECT_THAT(bad.errors, ElementsAre("SyntaxError\rat line 1: X = A.b(1)).c"));
}

TEST(Preparer, FunctionTablesAndResultRules) {
  auto p = prepareScript({{"main.kov", "procedure p(a)\nfend\nfunction f(x, y = 2)\nresult = x\nfend\n"
                                       "module m\nfunction g()\nresult = 1\nfend\nendmodule\n"}});
  ASSERT_FALSE(p.stopped) << p.errors[0];
  auto noResult = prepareScript({{"main.kov", "function f()\nx = 1\nfend\n"}});
  EXPECT_THAT(noResult.errors, ElementsAre("It doesn't have RESULT: F\rat line 3: FEND"));
  auto resultInProc = prepareScript({{"main.kov", "procedure p()\nresult = 1\nfend\n"}});
  EXPECT_THAT(resultInProc.errors, ElementsAre("There is RESULT: P\rat line 2: RESULT = 1"));
  auto resultInIf = prepareScript({{"main.kov", "function f()\nif 1 then result = 2\nfend\n"}});
  EXPECT_FALSE(resultInIf.stopped);
  auto ja = prepareScript({{"main.kov", "function f()\nfend\n"}}, Language::Japanese);
  EXPECT_THAT(ja.errors, ElementsAre("F: Resultが無い\r2行目: FEND"));

  auto nested = prepareScript({{"main.kov", "function f()\nfunction g()\n"}});
  EXPECT_TRUE(nested.stopped);
  EXPECT_THAT(nested.errors, ElementsAre("Function/Procedure is nest or not closed: F\rat line 2: FUNCTION G()"));
  auto twice = prepareScript({{"main.kov", "procedure p()\nfend\nprocedure p()\nfend\n"}});
  EXPECT_THAT(twice.errors, ElementsAre("It is multiplex definition: P\rat line 3: PROCEDURE P()"));
  auto badName = prepareScript({{"main.kov", "procedure a+b()\nfend\n"}});
  EXPECT_THAT(badName.errors, ElementsAre("SyntaxError:A+B\rat line 1: PROCEDURE A+B()"));
}

TEST(Preparer, ModulesTextblocksAndOptions) {
  auto ctor = prepareScript({{"main.kov", "module m\nprocedure m(a)\nfend\nendmodule\n"}});
  EXPECT_THAT(ctor.errors, ElementsAre("Argument is not put on the constructor function\rat line 2: PROCEDURE M(A)"));
  auto open = prepareScript({{"main.kov", "module m\n"}});
  EXPECT_THAT(open.errors, ElementsAre("ENDMODULE(ENDCLASS) is not defined: MODULE(CLASS)M\rat line 1: MODULE M 0"));
  auto stray = prepareScript({{"main.kov", "module m\nx = 1\nendmodule\n"}});
  EXPECT_THAT(stray.errors, ElementsAre("SyntaxError\rat line 2: X = 1"));
  auto twice = prepareScript({{"main.kov", "module m\nendmodule\nclass m\nendclass\n"}});
  EXPECT_THAT(twice.errors, ElementsAre("It is multiplex definition\rat line 3: CLASS M 0"));

  auto tb = prepareScript({{"main.kov", "textblock t\n  Line 1\nline2\nendtextblock\nprint t\n"}});
  ASSERT_FALSE(tb.stopped);
  EXPECT_EQ(tb.texts[2], "");  // textblock lines are consumed
  auto tbOpen = prepareScript({{"main.kov", "textblock t\nx\n"}});
  EXPECT_THAT(tbOpen.errors, ElementsAre("ENDTEXTBLOCK is not defined\rat line 1: TEXTBLOCK T"));
  auto tbStray = prepareScript({{"main.kov", "endtextblock\n"}});
  EXPECT_THAT(tbStray.errors, ElementsAre("It doesn't pair with \"TEXTBLOCK\"\rat line 1: ENDTEXTBLOCK"));

  auto opt = prepareScript({{"main.kov", "option explicit, samestr, loglines=10, position=1,2\n"}});
  EXPECT_FALSE(opt.stopped);
  auto badOpt = prepareScript({{"main.kov", "option nonsense\n"}});
  EXPECT_THAT(badOpt.errors, ElementsAre("OPTION:SyntaxError\rat line 1: OPTION NONSENSE"));
  auto badLines = prepareScript({{"main.kov", "option loglines=-1\n"}});
  EXPECT_TRUE(badLines.stopped);
}

TEST(Preparer, DefDllTypes) {
  auto good = prepareScript({{"main.kov", "def_dll F({int, dword[]}, var double, wstring): int: x.dll\n"}});
  EXPECT_FALSE(good.stopped) << good.errors[0];
  EXPECT_EQ(good.kinds[1], kDefDll);
  auto badType = prepareScript({{"main.kov", "def_dll F(int, blob): x.dll\n"}});
  EXPECT_THAT(badType.errors[0], HasSubstr("DEF_DLL:SyntaxError:BLOB"));
  auto badArray = prepareScript({{"main.kov", "def_dll F(string[]): x.dll\n"}}, Language::Japanese);
  EXPECT_THAT(badArray.errors[0], HasSubstr("STRING は配列指定できません"));
}

TEST(Preparer, HostileInput) {
  // NUL bytes, lone surrogates and a multi-megabyte line prepare without
  // crashing; the faults show when the statements run.
  std::string nul("x = 1\0\0\n", 8);
  EXPECT_FALSE(prepareScript({{"main.kov", nul}}).assemblyFailed);
  EXPECT_FALSE(prepareScript({{"main.kov", std::string("\xFF\xFE\x00\xD8\x41\x00", 6)}}).assemblyFailed);
  const std::string longLine = "x = \"" + std::string(4 << 20, 'a') + "\"\n";
  auto big = prepareScript({{"main.kov", longLine}});
  EXPECT_FALSE(big.stopped);
  EXPECT_EQ(big.texts[1].size(), longLine.size() - 1);
  // A file of exactly the UTF-8 mark holds an empty script.
  auto bom = prepareScript({{"main.kov", "\xEF\xBB\xBF"}});
  EXPECT_THAT(bom.lines, ElementsAre("PROCEDURE __MAIN__()", "FEND"));
}

}  // namespace
}  // namespace kova
