// The pre-run check: static faults are reported before anything runs, and
// scripts that run correctly are accepted.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "script_test_support.h"

namespace kova {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Checked {
  std::string error;   // shown: message, CR, location; "" when accepted
  std::string logged;  // the log line, which keeps the number of a SyntaxError
};

// Assembles, prepares and checks `body` as main.kov (with `more` files).
Checked check(const std::string& body, Language lang = Language::English,
              const std::map<std::string, std::string>& more = {}) {
  setLanguage(lang);
  testing::ScriptFolder folder;
  folder.write("main.kov", body);
  for (const auto& [name, text] : more) folder.write(name, text);
  testing::RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch script;
  Checked out;
  if (player.load(folder.widePath("main.kov"), script)) {
    AssemblyResult a = player.assembler().assemble(script.path, [](u16v) { return std::optional<u16>(); });
    TUScript& e = player.engine();
    e.prepare(a.lines);
    if (!e.stopFlag) e.checkProgram();
    EXPECT_FALSE(e.checkingMode);
    if (!host.errors.empty()) out.error = host.errors[0];
    if (!e.log.lines().empty()) out.logged = toUtf8(e.log.lines().back());
  }
  setLanguage(Language::English);
  return out;
}

std::string error(const std::string& body, Language lang = Language::English) {
  return check(body, lang).error;
}

TEST(PrerunCheck, BreakAndContinueNeedTheirLoops) {
  EXPECT_EQ(error("print 1\nbreak\n"), "There is BREAK sentence outside the loop\rat line 2: BREAK");
  EXPECT_EQ(error("break\n", Language::Japanese), "ループ外に BREAK 文がある\r1行目: BREAK");
  const std::string twoLoops = "for i = 1 to 2\nwhile true\nbreak N\nwend\nnext\n";
  EXPECT_EQ(error(std::string(twoLoops).replace(twoLoops.find('N'), 1, "3")),
            "Number of BREAK is wrong\rat line 3: BREAK 3");
  EXPECT_EQ(error(std::string(twoLoops).replace(twoLoops.find('N'), 1, "2")), "");
  EXPECT_EQ(error("repeat\ncontinue 0\nuntil true\n", Language::Japanese),
            "CONTINUE 数 が間違っています\r2行目: CONTINUE 0");
  EXPECT_EQ(error("for i = 1 to 2\nnext\ncontinue\n"),
            "There is CONTINUE sentence outside the loop\rat line 3: CONTINUE");
  // The loop depth belongs to the function: a procedure called from a loop
  // has none.
  EXPECT_EQ(error("for i = 1 to 2\np()\nnext\nprocedure p()\nbreak\nfend\n"),
            "There is BREAK sentence outside the loop\rat line 5: BREAK");
}

TEST(PrerunCheck, WithBlocksPair) {
  EXPECT_EQ(error("endwith\n"), "It doesn't pair with \"WITH\"\rat line 1: ENDWITH");
  EXPECT_EQ(error("with m\nendwith\nendwith\nmodule m\nendmodule\n", Language::Japanese),
            "WITH文と対になっていない\r3行目: ENDWITH");
  EXPECT_THAT(check("with global\nendwith\n").logged, HasSubstr("SyntaxError-101"));
  EXPECT_THAT(check("with this\nendwith\n").logged, HasSubstr("SyntaxError-102"));
  EXPECT_THAT(check(".run(1)\n").logged, HasSubstr("SyntaxError-105"));
  // A module as WITH value: ".X" and ".F()" are its members.
  EXPECT_EQ(
      error("with m\nprint .x\n.f(.x)\nendwith\nmodule m\npublic x = 1\nprocedure f(a)\nfend\nendmodule\n"),
      "");
}

TEST(PrerunCheck, AssignmentForms) {
  Checked empty = check("x = \n");
  EXPECT_EQ(empty.error, "SyntaxError\rat line 1: X =");  // the number stays in the log
  EXPECT_THAT(empty.logged, HasSubstr("SyntaxError-104\rat line 1: X ="));
  EXPECT_THAT(check("x := 1\n").logged, HasSubstr("SyntaxError-103"));
  EXPECT_THAT(check("exit 1\n").logged, HasSubstr("SyntaxError-100"));
  EXPECT_THAT(check("dim a[2]\na[1]b = 2\n").logged, HasSubstr("SyntaxError-75"));
  EXPECT_EQ(error("a[1 = 2\n"), "SyntaxError of [ ]\rat line 1: A[1 = 2");
  EXPECT_EQ(error("a b = 1\n"), "variable name which is not right: A B\rat line 1: A B = 1");
  EXPECT_EQ(error("vk_return = 1\n"),
            "Value cannot be substituted for the constant\rat line 1: VK_RETURN = 1");
  EXPECT_EQ(error("const c = 1\nc = 2\n", Language::Japanese), "定数には値を代入できません\r2行目: C = 2");
  EXPECT_EQ(error("y[0] = 5\n"), "Y: Array without declaration\rat line 1: Y[0] = 5");
  EXPECT_EQ(error("dim a[2][3]\na[1] = 0\n"), "Dimension isn't suitable: A\rat line 2: A[1] = 0");
  EXPECT_THAT(check("dim a[1], , b\n").logged, HasSubstr("SyntaxError-70"));
  EXPECT_THAT(check("dim a = \n").logged, HasSubstr("SyntaxError-71"));
  EXPECT_THAT(check("hashtbl h[1]\n").logged, HasSubstr("SyntaxError-73"));
  // Whole arrays, array values in elements and hash tables are fine.
  EXPECT_EQ(error("dim a[2]\ndim b[] = 1, 2\nhashtbl h\nh[\"k\"] = length(a)\nc = split(\"x,y\", \",\")\n"
                  "c[1] = b[0] + h[\"k\"] + split(\"x,y\", \",\")[1]\nprint param_str[5]\n"),
            "");
}

TEST(PrerunCheck, ExplicitAsksForDeclarations) {
  EXPECT_EQ(error("option explicit\na = 1\n"), "It isn't defined: A\rat line 2: A = 1");
  EXPECT_EQ(error("a = 1\nprint a + b\n"), "");
  EXPECT_EQ(error("option explicit\ndim a\nprint a + b\n", Language::Japanese),
            "変数: B が定義されていません\r3行目: PRINT A + B");
  EXPECT_EQ(error("option explicit\nfor i = 1 to 2\nnext\n"),
            "It isn't defined: I\rat line 2: FOR I = 1 TO 2");
  // Parameters (also those used by later defaults), RESULT, PARAM_STR,
  // globals and constants are declared.
  EXPECT_EQ(error("option explicit\npublic g = 1\nconst c = 2\nprint f(g) + param_str[0] + c\n"
                  "function f(a, b = a + 1)\nresult = a + b\nfend\n"),
            "");
  // A function's name is no variable, with or without OPTION EXPLICIT.
  EXPECT_EQ(error("x = f\nfunction f()\nresult = 1\nfend\n", Language::Japanese),
            "変数: F は参照できません\r1行目: X = F");
  EXPECT_EQ(error("print m.y\nmodule m\npublic x = 1\nendmodule\n"),
            "It isn't defined: M.Y\rat line 1: PRINT M.y");
}

TEST(PrerunCheck, ForBoundsMustBeNumbers) {
  EXPECT_THAT(check("for i = \"a\" to 3\nnext\n").logged, HasSubstr("SyntaxError-95"));
  Checked end = check("for i = 1 to \"abc\"\nnext\n");
  EXPECT_EQ(end.error, "SyntaxError\rat line 1: FOR I = 1 TO \"abc\"");
  EXPECT_THAT(end.logged, HasSubstr("SyntaxError-96"));
  EXPECT_THAT(check("for i = 1 to 3 step \"x\" + \"y\"\nnext\n").logged, HasSubstr("SyntaxError-97"));
  EXPECT_EQ(error("n = 3\nfor i = 1 to \"5\"\nnext\nfor j = n - 1 to length(\"ab\") step -n\nnext\n"), "");
}

TEST(PrerunCheck, UserFunctionCalls) {
  const std::string f = "function f(a, b = 2)\nresult = a + b\nfend\n";
  EXPECT_EQ(error("print f(1)\nprint f(1, 2)\n" + f), "");
  EXPECT_EQ(error("print f(1, 2, 3)\n" + f), "The number of the argument isn't suitable: F\rFunction: __MAIN__\rat line 1: PRINT F(1, 2, 3)");
  EXPECT_EQ(error("print f()\n" + f, Language::Japanese), "関数: F 引数の数が合いません\r関数：__MAIN__\r1行目: PRINT F()");
  EXPECT_EQ(error("procedure p()\nx = g(1)\nfend\nfunction g()\nresult = 1\nfend\n"),
            "The number of the argument isn't suitable: G\rFunction: P\rat line 2: X = G(1)");
  EXPECT_THAT(check("p(1, , 2)\nprocedure p(a, b, c)\nfend\n").logged, HasSubstr("SyntaxError-110"));
  EXPECT_THAT(check("p(1 + 2)\nprocedure p(a[])\nfend\n").logged, HasSubstr("SyntaxError-111"));
  EXPECT_THAT(check("dim a[3]\np(a)\nprocedure p(x)\nfend\n").logged, HasSubstr("SyntaxError-112"));
  EXPECT_THAT(check("p\nprocedure p(var a = 1)\nfend\n").logged, HasSubstr("SyntaxError-120"));
  EXPECT_THAT(check("p(1)\nprocedure p(a = 1, b)\nfend\n").logged, HasSubstr("SyntaxError-121"));
  EXPECT_THAT(check("procedure p(a\nfend\n").logged, HasSubstr("SyntaxError-125"));
  EXPECT_THAT(check("procedure p(a, )\nfend\n").logged, HasSubstr("SyntaxError-126"));
  EXPECT_EQ(error("x = nosuch(1)\n"), "It is not here: NOSUCH\rFunction: __MAIN__\rat line 1: X = NOSUCH(1)");
  EXPECT_THAT(check("nosuch\n").logged, HasSubstr("SyntaxError-113"));
  EXPECT_EQ(error("procedure p()\n__main__(1)\nfend\n"), "Don't call __MAIN__\rFunction: P\rat line 2: __MAIN__(1)");
  // Array parameters take names; modules resolve their own functions first.
  EXPECT_EQ(error("dim a[1]\np(a)\np(split(\"1,2\", \",\"))\nm.q(1)\n"
                  "procedure p(var x[])\nfend\nmodule m\nprocedure q(a)\nthis.r(a)\nglobal.p(a)\nfend\n"
                  "procedure r(a)\nfend\nendmodule\n"),
            "");
  // A CALLed file takes any arguments as PARAM_STR.
  EXPECT_EQ(
      check("call sub(1, 2, 3)\ncall sub\n", Language::English, {{"sub.kov", "print param_str[0]\n"}}).error,
      "");
}

TEST(PrerunCheck, BuiltinAndComCalls) {
  EXPECT_EQ(error("x = copy(\"abc\")\n"), "Argument is lacking:COPY\rFunction: __MAIN__\rat line 1: X = COPY(\"abc\")");
  EXPECT_EQ(error("x = replace(\"a\", \"b\")\n", Language::Japanese),
            "REPLACE：引数が足りません\r関数：__MAIN__\r1行目: X = REPLACE(\"a\", \"b\")");
  EXPECT_EQ(error("msgbox(\"a\") + 1\n"), "Function isn't properly close\rFunction: __MAIN__\rat line 1: MSGBOX(\"a\") + 1");
  EXPECT_EQ(error("x = token(\",\", vk_a)\n", Language::Japanese), "VK_A:定数は使えません\r関数：__MAIN__\r1行目: X = TOKEN(\",\", VK_A)");
  EXPECT_EQ(error("s = \"a,b\"\nx = token(\",\", s) + getalltime()\n"),
            "It is not here: GETALLTIME\rFunction: __MAIN__\rat line 2: X = TOKEN(\",\", S) + GETALLTIME()");
  EXPECT_EQ(error("obj = 0\nobj.Run(1, \"a\"\n"), "An OLE function isn't properly close\rFunction: __MAIN__\rat line 2: OBJ.Run(1, \"a\"");
  EXPECT_THAT(check("obj = 0\nobj..Visible = 1\n").logged, HasSubstr("SyntaxError-107"));
  EXPECT_THAT(check("obj = 0\nobj.Run(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)\n").logged,
              HasSubstr("SyntaxError-108"));
  // Omitted, named and VAR arguments of COM calls; a dotted name inside
  // parentheses is no COM call.
  EXPECT_EQ(error("option explicit\ndim obj, r\nobj.Run(1, , var r, Name := 2)\nobj.Item(1) = abs(1.5)\n"),
            "");
}

TEST(PrerunCheck, TryPartsKeepTheirCatchableFaults) {
  // Inside a TRY part, faults the run raises as catchable errors are the
  // TRY's business; the script runs.
  const std::string body = "try\nx = \"a\" * 2\ny[0] = 1\nz = nosuch(1)\nexcept\nprint \"caught\"\nendtry\n";
  EXPECT_EQ(error(body), "");
  EXPECT_THAT(testing::runScript({{"main.kov", body}}).printed, ElementsAre("caught"));
  // Outside it, and in its EXCEPT part, they are reported; structure always is.
  EXPECT_EQ(error("try\nexcept\nx = \"a\" * 2\nendtry\n"),
            "expression is wrong. or a type isn't correct.\rat line 3: X = \"a\" * 2");
  EXPECT_EQ(error("try\nbreak\nfinally\nendtry\n"),
            "There is BREAK sentence outside the loop\rat line 2: BREAK");
  EXPECT_EQ(error("try\nprint f(1, 2)\nexcept\nendtry\nfunction f()\nresult = 1\nfend\n"),
            "The number of the argument isn't suitable: F\rFunction: __MAIN__\rat line 2: PRINT F(1, 2)");
}

TEST(PrerunCheck, DriverOrder) {
  // Errors left by preparation come first within a function; functions
  // are checked in the order they were defined, the main code first.
  EXPECT_EQ(error("x = \nelse\n"), "No corresponding IFB\rat line 2: ELSE");
  EXPECT_EQ(error("break\nprocedure p()\nelse\nfend\n"),
            "There is BREAK sentence outside the loop\rat line 1: BREAK");
  // Faults of an included file carry its name.
  EXPECT_THAT(check("call sub\n", Language::English, {{"sub.kov", "\nendwith\n"}}).error,
              HasSubstr("SUB.KOV: at line 2: ENDWITH"));
}

// Sets a file's modification time `seconds` from now.
void touch(const std::filesystem::path& p, int seconds) {
  std::filesystem::last_write_time(
      p, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds));
}

TEST(PrerunCheck, RunsOnlyWhenAFileChanged) {
  testing::ScriptFolder folder;
  testing::RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch script;
  folder.write("main.kov", "print \"ran\"\n");
  touch(folder.path("main.kov"), -600);
  ASSERT_TRUE(player.load(folder.widePath("main.kov"), script));
  EXPECT_EQ(player.play(script), 0);
  // The same time with a fault the run never reaches: not checked again.
  const auto checkedTime = std::filesystem::last_write_time(folder.path("main.kov"));
  folder.write("main.kov", "print \"ran\"\nifb false\nbreak\nendif\n");
  std::filesystem::last_write_time(folder.path("main.kov"), checkedTime);
  EXPECT_EQ(player.play(script), 0);
  EXPECT_THAT(host.printed, ElementsAre("ran", "ran"));
  // Changed: checked, rejected, and the file times are forgotten so that
  // the next play checks again.
  touch(folder.path("main.kov"), -60);
  EXPECT_EQ(player.play(script), 1);
  EXPECT_TRUE(player.assembler().fileTimes.empty());
  EXPECT_EQ(player.play(script), 1);
  EXPECT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.printed.size(), 2u);
  // Declarations of the next preparation evaluate for real after a
  // rejected check.
  folder.write("main.kov", "const c = length(\"abcd\") + 1\nprint c\n");
  touch(folder.path("main.kov"), -30);
  EXPECT_EQ(player.play(script), 0);
  EXPECT_EQ(host.printed.back(), "5");
}

}  // namespace
}  // namespace kova
