// Call sites: what a call remembers between runs of the same text (the
// function a plain name resolved to, the upper-cased argument texts, where
// a VAR argument was found) must never carry over to a scope or a program
// it does not hold for.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/call_form.h"
#include "engine/uxscr.h"
#include "script_test_support.h"

namespace kova {
namespace {

using ::testing::ElementsAre;
using testing::runScript;

TEST(Calls, ResolvedFunctionHoldsOnlyForItsProgramGeneration) {
  ResolvedFunction r;
  int kind = -7;
  EXPECT_EQ(r.headerFor(1, kind), -1);
  r.remember(5, 0, 1);
  EXPECT_EQ(r.headerFor(5, kind), 0);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(r.headerFor(6, kind), -1);
  r.remember(0xFFFFFFFFu, (1 << 29) - 1, 2);
  EXPECT_EQ(r.headerFor(0xFFFFFFFFu, kind), (1 << 29) - 1);
  EXPECT_EQ(kind, 2);
  // Not found, or too large to pack: nothing is remembered over the last.
  r.remember(7, -1, 1);
  r.remember(7, 1 << 29, 1);
  EXPECT_EQ(r.headerFor(7, kind), -1);
  EXPECT_EQ(r.headerFor(0xFFFFFFFFu, kind), (1 << 29) - 1);
}

TEST(Calls, EmptyingAProgramGivesItANewGeneration) {
  PreparedProgram p;
  const uint32_t first = p.generation;
  p.clear();
  EXPECT_NE(p.generation, first);
  PreparedProgram other;
  EXPECT_NE(other.generation, p.generation);
}

TEST(Calls, ACallTextResolvesAfreshInTheNextPreparedProgram) {
  // Without endRun between the runs the parsed call texts stay cached; the
  // second program has its function F at another line.
  testing::RecordingHost host;
  testing::ScriptFolder folder;
  folder.write("a.kov", "PRINT f()\nFUNCTION f()\nRESULT = \"a\"\nFEND\n");
  folder.write("b.kov",
               "x = 1\nPRINT f()\nPRINT x\nFUNCTION g()\nRESULT = \"g\"\nFEND\n"
               "FUNCTION f()\nRESULT = \"b\"\nFEND\n");
  Player player(hostPlatform(), host);
  TUScript& e = player.engine();
  for (const char* file : {"a.kov", "b.kov"}) {
    AssemblyResult assembled =
        player.assembler().assemble(folder.widePath(file), [](u16v) { return std::optional<u16>(); });
    ASSERT_FALSE(assembled.failed);
    e.prepare(assembled.lines);
    ASSERT_FALSE(e.stopFlag);
    e.run(kMainProcedure, {});
  }
  e.endRun();
  EXPECT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_THAT(host.printed, ElementsAre("a", "b", "1"));
}

TEST(Calls, OneCallTextMeansTheModulesOwnFunctionInsideTheModule) {
  // The plain call is made (and remembered) in the main code first.
  auto r = runScript({{"main.kov",
                       "PRINT name()\nPRINT m.run()\nPRINT name()\n"
                       "FUNCTION name()\nRESULT = \"global\"\nFEND\n"
                       "MODULE m\nFUNCTION name()\nRESULT = \"module\"\nFEND\n"
                       "FUNCTION run()\nRESULT = name()\nFEND\nENDMODULE\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("global", "module", "global"));
}

TEST(Calls, VarArgumentsReachTheNameWhereverEachScopeKeepsIt) {
  // Q is the fourth variable in one branch and the third in the other,
  // where the fourth is P.
  auto r = runScript({{"main.kov",
                       "PRINT w(TRUE)\nPRINT w(FALSE)\nPRINT w(TRUE)\n"
                       "PROCEDURE inc(VAR v)\nv = v + 1\nFEND\n"
                       "FUNCTION w(flag)\nIFB flag THEN\np = 1\nq = 10\nELSE\nq = 20\np = 2\nENDIF\n"
                       "inc(q)\nRESULT = q * 100 + p\nFEND\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("1101", "2102", "1101"));
}

TEST(Calls, ManyParametersBindAndWriteBack) {
  // More arguments and parameters than a call keeps without a heap block.
  auto r = runScript({{"main.kov",
                       "s = 0\nt = 0\nmany(1, 2, 3, 4, 5, 6, 7, 8, 9, s, t)\nPRINT s\nPRINT t\n"
                       "PROCEDURE many(a, b, c, d, e, f, g, h, i, VAR j, VAR k)\n"
                       "j = a + b + c + d + e + f + g + h + i\nk = j * 2\nFEND\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("45", "90"));
}

TEST(Calls, VarArgumentNamingAConstantInAnyCaseIsRefused) {
  auto r = runScript({{"main.kov",
                       "CONST limit = 3\nx = 1\np(x)\nPRINT x\np(Limit)\nPRINT \"not reached\"\n"
                       "PROCEDURE p(VAR v)\nv = v + 1\nFEND\n"}});
  EXPECT_THAT(r.printed, ElementsAre("2"));
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].rfind("Value cannot be substituted", 0), 0u) << r.errors[0];
}

TEST(Calls, AParameterNamedResultIsTheFunctionsResult) {
  auto r = runScript({{"main.kov",
                       "PRINT f(21)\nPRINT g(5)\nPRINT f(1)\n"
                       "FUNCTION f(result)\nresult = result * 2\nFEND\n"
                       "FUNCTION g(a)\nx = 1\nRESULT = a + x\nFEND\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("42", "6", "2"));
}

TEST(Calls, ARepeatedParameterNameIsBoundAgainNotAddedTwice) {
  // The later binding replaces the earlier one; a default sees the first.
  auto r = runScript({{"main.kov",
                       "PRINT d(1, 2)\nPRINT e(3)\n"
                       "FUNCTION d(a, a)\nRESULT = a\nFEND\n"
                       "FUNCTION e(a, b = a + 1, a = b * 10)\nRESULT = a + b\nFEND\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("2", "44"));
}

}  // namespace
}  // namespace kova
