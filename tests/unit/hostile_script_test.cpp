// Hostile scripts: huge, deep, self-referring or malformed input must end
// with the right result or with a clear message in the script's language
// on the line where it happened, in bounded time and memory. Big inputs are
// generated here, never kept in the repository.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script_test_support.h"

namespace kova {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::runScript;
using ::testing::StartsWith;

constexpr Language kBothLanguages[] = {Language::English, Language::Japanese};

// The sizes below test time and memory, which the plain build measures. The
// sanitizer builds look for memory faults and data races, which a tenth of
// each size reaches on the same code paths in a tenth of the time.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

// The location line of an error: "at line N: TEXT" or "N行目: TEXT".
std::string at(Language lang, int line, const std::string& statement) {
  return lang == Language::English ? "at line " + std::to_string(line) + ": " + statement
                                   : std::to_string(line) + "行目: " + statement;
}

std::string repeated(const std::string& s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(HostileScript, TenThousandNestedBlocksRun) {
  // Blocks are frames of their scope, not native calls: any depth runs, on
  // any stack, and BREAK 2 from the innermost loop leaves two of them.
  const int depth = 10000 / kScale;
  const std::string ifs =
      repeated("ifb 1\n", depth) + "print \"inside\"\n" + repeated("endif\n", depth) + "print \"after\"\n";
  const std::string loops = "n = 0\n" + repeated("while n < 1\n", depth) + "n = n + 1\n" +
                            repeated("wend\n", depth) + "print n\n";
  for (Language lang : kBothLanguages) {
    auto r = runScript({{"main.kov", ifs}}, {}, lang);
    EXPECT_THAT(r.errors, IsEmpty());
    EXPECT_THAT(r.printed, ElementsAre("inside", "after"));
    EXPECT_EQ(r.exitCode, 0);
  }
  // Each loop but the innermost two runs twice: 2^10 times through 12.
  auto r = runScript({{"main.kov", "n = 0\n" + repeated("for i = 1 to 2\n", 12) + "n = n + 1\nbreak 2\n" +
                                      repeated("next\n", 12) + "print n\n"}});
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("1024"));
  r = runScript({{"main.kov", loops}});
  EXPECT_THAT(r.errors, IsEmpty());
  EXPECT_THAT(r.printed, ElementsAre("1"));
}

TEST(HostileScript, RunawayRecursionStopsOnItsLineAndTryCatchesIt) {
  for (Language lang : kBothLanguages) {
    auto r = runScript({{"main.kov", "f()\nprint \"never\"\nprocedure f()\n  f()\nfend\n"}}, {}, lang);
    const std::string message = lang == Language::English ? "Function calls are nested too deeply: F"
                                                          : "関数の呼び出しが深すぎます: F";
    EXPECT_THAT(r.errors, ElementsAre(message + "\r" + at(lang, 4, "F()")));
    EXPECT_TRUE(r.printed.empty());
    EXPECT_EQ(r.exitCode, 1);
  }
  // The error is catchable, and the run goes on normally afterwards.
  auto caught = runScript({{"main.kov",
                            "try\n  f(0)\nexcept\n  print try_errmsg\nendtry\nprint g(10)\n"
                            "procedure f(n)\n  f(n + 1)\nfend\n"
                            "function g(n)\n  if n = 0 then result = 0 else result = n + g(n - 1)\nfend\n"}});
  EXPECT_TRUE(caught.errors.empty()) << caught.errors[0];
  EXPECT_THAT(caught.printed, ElementsAre("Function calls are nested too deeply: F", "55"));
}

TEST(HostileScript, TenMegabyteLine) {
  const int size = (10 << 20) / kScale;
  const std::string big(static_cast<size_t>(size), 'a');
  auto r = runScript({{"main.kov", "x = \"" + big + "\"\nprint length(x)\nprint copy(x, " +
                                       std::to_string(size - 1) + ")\n"}});
  EXPECT_TRUE(r.errors.empty()) << r.errors[0].substr(0, 200);
  EXPECT_THAT(r.printed, ElementsAre(std::to_string(size), "aa"));
  // An unknown name on such a line is reported like on any other line.
  for (Language lang : kBothLanguages) {
    auto bad =
        runScript({{"main.kov", "\nx = y" + std::string(static_cast<size_t>(size), 'b') + "\n"}}, {}, lang);
    ASSERT_EQ(bad.errors.size(), 1u);
    EXPECT_THAT(bad.errors[0],
                HasSubstr(lang == Language::English ? "\rat line 2: X = YBBB" : "\r2行目: X = YBBB"));
    EXPECT_EQ(bad.exitCode, 1);
  }
}

TEST(HostileScript, OneMillionLines) {
  // Every thousandth line counts; the last line holds an error, which must
  // name line 1,000,000.
  const int lines = 1000000 / kScale;
  std::string script = "x = 0\n";
  for (int line = 2; line < lines; ++line)
    script += line == lines - 1 ? "print x\n" : line % 1000 == 0 ? "x = x + 1\n" : "\n";
  script += "print nowhere\n";
  for (Language lang : kBothLanguages) {
    auto r = runScript({{"main.kov", script}}, {}, lang);
    EXPECT_THAT(r.printed, ElementsAre(std::to_string(lines / 1000 - 1)));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0], (lang == Language::English ? "It isn't defined: NOWHERE\r"
                                                      : "変数: NOWHERE が定義されていません\r") +
                               at(lang, lines, "PRINT NOWHERE"));
  }
}

TEST(HostileScript, NulBytesAndLoneSurrogatesRun) {
  // UTF-8 with NUL bytes inside and outside a literal.
  auto nul = runScript({{"main.kov", std::string("x = \"a\0b\"\0\nprint length(x)\n", 27)}});
  EXPECT_TRUE(nul.errors.empty()) << nul.errors[0];
  EXPECT_THAT(nul.printed, ElementsAre("3"));
  // UTF-16 with a lone high and a lone low surrogate in a literal.
  std::u16string text = u"x = \"\xD800z\xDC00\"\r\nprint length(x)\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  auto lone = runScript({{"main.kov", bytes}});
  EXPECT_TRUE(lone.errors.empty()) << lone.errors[0];
  EXPECT_THAT(lone.printed, ElementsAre("3"));
}

TEST(HostileScript, HundredThousandParenthesesAreAnExpressionError) {
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  for (Language lang : kBothLanguages) {
    auto r = runScript({{"main.kov", "print 1\nx = " + deep + "\n"}}, {}, lang);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_THAT(r.errors[0],
                StartsWith(lang == Language::English ? "expression is wrong. or a type isn't correct.\r"
                                                     : "式がおかしい or 型が合っていない\r"));
    EXPECT_THAT(r.errors[0], HasSubstr(at(lang, 2, "X = ((((")));
    EXPECT_TRUE(r.printed.empty());  // found before the run
  }
}

TEST(HostileScript, CallChainOfTenThousandFiles) {
  std::map<std::string, std::string> files;
  files["main.kov"] = "call f0\nprint \"back\"\n";
  const int chain = 10000 / kScale;
  for (int i = 0; i < chain; ++i) {
    files["f" + std::to_string(i) + ".kov"] =
        i < chain - 1 ? "call f" + std::to_string(i + 1) + "\n" : "print \"end\"\n";
  }
  auto r = runScript(files);
  if (r.errors.empty()) {
    EXPECT_THAT(r.printed, ElementsAre("end", "back"));
  } else {
    // A small stack stops the chain with the call that went too deep.
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_THAT(r.errors[0], StartsWith("Function calls are nested too deeply: "));
    EXPECT_TRUE(r.printed.empty());
  }
}

TEST(HostileScript, FileThatCallsItself) {
  for (Language lang : kBothLanguages) {
    auto r =
        runScript({{"main.kov", "call again\nprint \"never\"\n"}, {"again.kov", "\ncall again\n"}}, {}, lang);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_THAT(r.errors[0], StartsWith(lang == Language::English ? "Function calls are nested too deeply: "
                                                                  : "関数の呼び出しが深すぎます: "));
    EXPECT_THAT(r.errors[0], HasSubstr("AGAIN.KOV: " + at(lang, 2, "CALL ")));
    EXPECT_TRUE(r.printed.empty());
  }
}

TEST(HostileScript, ArraysOverTheElementLimitTakeNoMemory) {
  // Found by the front-end fuzz target: a main-level DIM of 89 million
  // elements took 4 GB while the script was prepared.
  for (Language lang : kBothLanguages) {
    auto r = runScript({{"main.kov", "print 1\ndim huge[89044010]\n"}}, {}, lang);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0],
              (lang == Language::English ? "The array is too large: HUGE\r" : "配列が大きすぎます: HUGE\r") +
                  at(lang, 2, "DIM HUGE[89044010]"));
    EXPECT_EQ(r.exitCode, 1);
  }
  // The limit, 2^24 elements, counts every dimension.
  auto r = runScript({{"main.kov", "dim a[1000][1000]\nprint length(a)\ndim b[4096][4096]\n"}});
  EXPECT_THAT(r.printed, ElementsAre("1001"));
  EXPECT_THAT(r.errors,
              ElementsAre("The array is too large: B\r" + at(Language::English, 3, "DIM B[4096][4096]")));
  auto one = runScript({{"main.kov", "dim a[16777216]\n"}});
  EXPECT_THAT(one.errors,
              ElementsAre("The array is too large: A\r" + at(Language::English, 1, "DIM A[16777216]")));
}

}  // namespace
}  // namespace kova
