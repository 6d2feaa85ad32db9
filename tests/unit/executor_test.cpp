// The statement executor through the whole Play road: PRINT, CALL with
// arguments, EXITEXIT and the exit code, stop requests and module
// constructors.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script_test_support.h"

namespace kova {
namespace {

using testing::runScript;
using ::testing::ElementsAre;

TEST(Executor, PrintsAndCallsScriptFilesWithArguments) {
  auto r = runScript({{"main.kov", "print \"start\"\ncall lib\\greet(\"you\", 2)\nprint PARAM_STR[0]\n"},
                      {"lib/greet.kov", "print \"hi \" + PARAM_STR[0]\nprint PARAM_STR[1]\nprint PARAM_STR[7]\n"}},
                     {u"arg0"});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("start", "hi you", "2", "", "arg0"));
  EXPECT_EQ(r.exitCode, 0);
}

TEST(Executor, ExitCodes) {
  EXPECT_EQ(runScript({{"main.kov", "print 1\nexitexit 3\nprint 2\n"}}).exitCode, 3);
  EXPECT_EQ(runScript({{"main.kov", "exitexit true\n"}}).exitCode, 1);
  EXPECT_EQ(runScript({{"main.kov", "option oldbool\nexitexit false\n"}}).exitCode, 0);
  // EXITEXIT inside a CALLed file ends the whole run.
  auto r = runScript({{"main.kov", "call sub\nprint \"after\"\n"}, {"sub.kov", "exitexit 4\n"}});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_TRUE(r.printed.empty());
  // A run-time error gives 1, and the rest of the script does not run.
  auto e = runScript({{"main.kov", "print nothing_here\nprint \"no\"\n"}});
  EXPECT_EQ(e.exitCode, 1);
  EXPECT_TRUE(e.printed.empty());
  EXPECT_THAT(e.errors, ElementsAre("It isn't defined: NOTHING_HERE\rat line 1: PRINT NOTHING_HERE"));
}

TEST(Executor, ErrorsOfIncludedFilesNameTheFile) {
  auto r = runScript({{"main.kov", "call sub\n"}, {"sub.kov", "\nprint undefined_x\n"}});
  ASSERT_EQ(r.errors.size(), 1u);
  const std::string& e = r.errors[0];
  EXPECT_EQ(e.rfind("It isn't defined: UNDEFINED_X\r", 0), 0u);
  EXPECT_NE(e.find("SUB.KOV: at line 2: PRINT UNDEFINED_X"), std::string::npos) << e;
  auto ja = runScript({{"main.kov", "x = \"<#CR>\" + y\n"}}, {}, Language::Japanese);
  EXPECT_THAT(ja.errors, ElementsAre("変数: Y が定義されていません\r1行目: X = \"<#CR>\" + Y"));
}

TEST(Executor, UnknownCallsAndMissingStagesAreReported) {
  // Found before the run; the location of a call check names the function.
  auto r = runScript({{"main.kov", "nosuchthing(1)\n"}});
  EXPECT_THAT(r.errors, ElementsAre("It is not here: NOSUCHTHING\rFunction: __MAIN__\rat line 1: NOSUCHTHING(1)"));
  EXPECT_EQ(r.exitCode, 1);
}

TEST(Executor, StopRequestEndsTheRunAtTheNextStatement) {
  testing::RecordingHost host;
  TUScript* engine = nullptr;
  Player* player = nullptr;
  (void)player;
  host.onPrint = [&](const u16&) {
    if (engine) engine->stopRequest = 1;
  };
  testing::ScriptFolder folder;
  folder.write("main.kov", "print 1\nprint 2\nprint 3\n");
  Player p(hostPlatform(), host);
  engine = &p.engine();
  ScriptLaunch launch;
  ASSERT_TRUE(p.load(folder.widePath("main.kov"), launch));
  EXPECT_EQ(p.play(launch), 0);
  EXPECT_THAT(host.printed, ElementsAre("1"));
}

TEST(Executor, ConstructorsRunInModuleOrderBeforeMain) {
  auto r = runScript({{"main.kov", "print \"main\"\ncall inc\n"
                                   "class b\nprocedure b()\nprint \"b\"\nfend\nendclass\n"
                                   "module a\nprocedure a()\nprint \"a\"\nfend\nendmodule\n"},
                      {"inc.kov", "module c\nprocedure c()\nprint \"c\"\nfend\nendmodule\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("b", "a", "c", "main"));
}

TEST(Executor, UserProceduresAndFunctions) {
  auto r = runScript({{"main.kov", "p(\"x\")\nprint f(2)\n"
                                   "procedure p(s)\nprint \"p \" + s\nfend\n"
                                   "function f(a, b = 40)\nresult = a + b\nfend\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("p x", "42"));
}

TEST(Executor, RunawayRecursionIsAClearError) {
  auto r = runScript({{"main.kov", "f()\nprocedure f()\nf()\nfend\n"}});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].rfind("Function calls are nested too deeply: F\r", 0), 0u) << r.errors[0];
  // A script file that CALLs itself ends the same way.
  auto self = runScript({{"main.kov", "call a\n"}, {"a.kov", "call a\n"}});
  EXPECT_EQ(self.exitCode, 1);
  ASSERT_EQ(self.errors.size(), 1u);
}

TEST(Executor, RepeatCountRunsTheScriptAgain) {
  testing::RecordingHost host;
  testing::ScriptFolder folder;
  folder.write("main.kov", "print \"pass\"\nexitexit\nprint \"never\"\n");
  Player p(hostPlatform(), host);
  ScriptLaunch launch;
  ASSERT_TRUE(p.load(folder.widePath("main.kov"), launch));
  Player::splitArguments(u"a\r-R3\rb", u'\r', launch);
  EXPECT_EQ(launch.repeat, 3);
  EXPECT_THAT(launch.params, ElementsAre(u"a", u"b"));
  EXPECT_EQ(p.play(launch), 0);
  EXPECT_THAT(host.printed, ElementsAre("pass", "pass", "pass"));
}

}  // namespace
}  // namespace kova
