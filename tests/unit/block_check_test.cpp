// Block partners, statement kinds and the structural errors of the block
// check.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/program.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::prepareScript;
using ::testing::ElementsAre;

// Prepares `body` as the main file and returns the first reported error,
// or "" when the script is accepted.
std::string firstError(const std::string& body, Language lang = Language::English) {
  auto p = prepareScript({{"main.kov", body}}, lang);
  return p.errors.empty() ? std::string() : p.errors[0];
}

TEST(BlockCheck, WritesPartnerOffsetsAndKinds) {
  auto p = prepareScript({{"main.kov",
                           "ifb a then\nelseif b\nelse\nendif\n"          // 1-4
                           "select x\ncase 1, 2\ndefault\nselend\n"       // 5-8
                           "for i = 1 to 10 step 2\nnext\n"               // 9-10
                           "while c\nwend\n"                              // 11-12
                           "repeat\nuntil d\n"                            // 13-14
                           "try\nexcept\nendtry\n"                        // 15-17
                           "print \"p\"\nexit\nbreak 2\ncall x.kov\n"},  // 18-21
                          {"x.kov", ""}});
  ASSERT_FALSE(p.assemblyFailed);
  // The pre-run check rejects the loose BREAK; the tables are what counts here.
  ASSERT_EQ(p.texts.size(), 25u);  // with the CALLed file's wrapper and FEND
  EXPECT_EQ(p.texts[1], "A`1`2`3");
  EXPECT_EQ(p.kinds[1], kIfb);
  EXPECT_EQ(p.texts[2], "B`-3`1`2");  // an ELSEIF is an IFB of its own
  EXPECT_EQ(p.texts[3], "");
  EXPECT_EQ(p.kinds[3], kElse);
  EXPECT_EQ(p.kinds[4], kEndif);
  EXPECT_EQ(p.texts[5], "X`1,1, 2`2,DEFAULT`3,SELEND");
  EXPECT_EQ(p.kinds[6], kCase);
  EXPECT_EQ(p.texts[6], "1, 2");
  EXPECT_EQ(p.kinds[7], kDefault);
  EXPECT_EQ(p.texts[9], "I`1`10`2`1");
  EXPECT_EQ(p.texts[11], "C`1");
  EXPECT_EQ(p.texts[13], "D`1");
  EXPECT_EQ(p.kinds[14], kUntil);
  EXPECT_EQ(p.texts[15], "1 1 1");
  EXPECT_EQ(p.kinds[16], kExcept);
  EXPECT_EQ(p.kinds[18], kPrint);
  EXPECT_EQ(p.texts[18], "\"p\"");
  EXPECT_EQ(p.kinds[19], kExit);
  EXPECT_EQ(p.kinds[20], kBreak);
  EXPECT_EQ(p.texts[20], "2");
  EXPECT_EQ(p.kinds[21], kCall);
}

TEST(BlockCheck, ForBoundsAreWholeWords) {
  auto p = prepareScript({{"main.kov", "for i = auto to stepper step -1\nnext\nfor j=1to 2\nnext\n"}});
  EXPECT_EQ(p.texts[1], "I`AUTO`STEPPER`-1`1");
  EXPECT_EQ(p.texts[3], "J`1`2`1`1");
  EXPECT_EQ(firstError("for i = 1\nnext\n"), "It doesn't have \"TO\"\rat line 1: FOR I = 1");
  EXPECT_EQ(firstError("for 1 to 2\nnext\n"), "It doesn't have \"=\"\rat line 1: FOR 1 TO 2");
  EXPECT_EQ(firstError("for = 1 to 2\nnext\n"), "SyntaxError\rat line 1: FOR = 1 TO 2");
  EXPECT_EQ(firstError("for = 1 to 2\nnext\n", Language::Japanese), "変数が無い\r1行目: FOR = 1 TO 2");
}

TEST(BlockCheck, StructuralErrors) {
  EXPECT_EQ(firstError("ifb a then\nendif\n"), "");
  EXPECT_EQ(firstError("ifb a\nelse x = 1\nendif\n"), "ELSE: SyntaxError\rat line 2: ELSE X = 1");
  EXPECT_EQ(firstError("ifb a\nelse\nelse\nendif\n"), "ELSE Multiplex definition\rat line 3: ELSE");
  EXPECT_EQ(firstError("ifb a\n"), "It doesn't have ENDIF toward IFB\rat line 1: IFB A");
  EXPECT_EQ(firstError("for i = 1 to 2\nnext i\nnext\n"), "Must describe nothing to NEXT\rat line 2: NEXT I");
  // A FOR closed only by "NEXT i" is reported at the NEXT, not as a FOR without NEXT.
  EXPECT_EQ(firstError("x = 1\nfor i = 1 to 2\nnext i\n"), "Must describe nothing to NEXT\rat line 3: NEXT I");
  // So is an outer FOR whose NEXT the inner one took, and nested FORs
  // closed by named NEXTs only.
  EXPECT_EQ(firstError("for a = 1 to 2\nfor b = 1 to 2\nnext b\nnext\n"),
            "Must describe nothing to NEXT\rat line 3: NEXT B");
  EXPECT_EQ(firstError("for a = 1 to 2\nfor b = 1 to 2\nnext b\nnext a\n"),
            "Must describe nothing to NEXT\rat line 3: NEXT B");
  EXPECT_EQ(firstError("case 1\n"), "No corresponding SELECT\rat line 1: CASE 1");
  EXPECT_EQ(firstError("default\n"), "No corresponding SELECT\rat line 1: DEFAULT");
  EXPECT_EQ(firstError("select 1\ndefault\ndefault\nselend\n"), "DEFAULT Multiplex definition\rat line 3: DEFAULT");
  EXPECT_EQ(firstError("repeat\nuntil\n"), "It doesn't have REPEAT toward UNTIL\rat line 1: REPEAT");
  EXPECT_EQ(firstError("repeat 1\nuntil x\n"), "Something is here after REPEAT\rat line 1: REPEAT 1");
  EXPECT_EQ(firstError("wend\n"), "No corresponding WHILE\rat line 1: WEND");
  EXPECT_EQ(firstError("endwith x\n"), "SyntaxError\rat line 1: ENDWITH X");
  EXPECT_EQ(firstError("endif\n", Language::Japanese), "対応する IFB が無い\r1行目: ENDIF");
}

TEST(BlockCheck, TryRules) {
  // A FINALLY after EXCEPT opens a further level: the ENDTRY does not close.
  EXPECT_EQ(firstError("try\nexcept\nfinally\nendtry\n"),
            "It doesn't have ENDTRY toward FINALLY or EXCEPT\rat line 1: TRY");
  EXPECT_EQ(firstError("try\nfor i = 1 to 2\nexcept\nnext\nendtry\n"),
            "TRY steps over the loop or block\rat line 1: TRY");
  EXPECT_EQ(firstError("try\nx = 1\n"), "It doesn't have FINALLY or EXCEPT toward TRY\rat line 1: TRY");
  EXPECT_EQ(firstError("try\nfinally\nexit\nendtry\n"),
            "\"Break\", \"Continue\", and \"Exit\" cannot be used in the part FINALLY\rat line 2: FINALLY");
  // A BREAK that stays inside a loop of the FINALLY part is allowed, and so
  // is "BREAK 2", which only the exact texts catch.
  EXPECT_EQ(firstError("for j = 1 to 2\nwhile 1\ntry\nfinally\nfor i = 1 to 2\nbreak\nnext\nbreak 2\nendtry\nwend\nnext\n"), "");
  EXPECT_EQ(firstError("while 1\ntry\nfinally\nbreak\nendtry\nwend\n"),
            "\"Break\", \"Continue\", and \"Exit\" cannot be used in the part FINALLY\rat line 3: FINALLY");
}

TEST(BlockCheck, BlocksDoNotCrossFunctionEnds) {
  // The missing closer is reported in the function that opened the block.
  auto p = prepareScript({{"main.kov", "procedure p()\nifb a\nfend\nprocedure q()\nendif\nfend\n"}});
  ASSERT_FALSE(p.errors.empty());
  EXPECT_EQ(p.errors[0], "It doesn't have ENDIF toward IFB\rat line 2: IFB A");
}

TEST(BlockCheck, NestedBlocksKeepTheirOwnPartnersAndMarks) {
  // Each opener finds its own closer past nested blocks of its kind; ELSE
  // and DEFAULT belong to the innermost block; a "NEXT x" is reported even
  // inside a nested FOR whose header is broken and so scans nothing itself.
  auto p = prepareScript({{"main.kov",
                           "ifb a\nifb b\nelse\nendif\nelse\nendif\n"                 // 1-6
                           "select 1\nselect 2\ndefault\nselend\ndefault\nselend\n"  // 7-12
                           "while 1\nrepeat\nrepeat\nuntil 1\nuntil 2\nwend\n"       // 13-18
                           "for i = 1 to 2\nfor j = 1 to 2\nnext\nnext\n"}});       // 19-22
  EXPECT_EQ(p.texts[1], "A`-2`4`5");
  EXPECT_EQ(p.texts[2], "B`-3`1`2");
  EXPECT_EQ(p.texts[7], "1`4,DEFAULT`5,SELEND");
  EXPECT_EQ(p.texts[8], "2`1,DEFAULT`2,SELEND");
  EXPECT_EQ(p.texts[13], "1`5");
  EXPECT_EQ(p.texts[14], "2`3");
  EXPECT_EQ(p.texts[15], "1`1");
  EXPECT_EQ(p.texts[19], "I`1`2`1`3");
  EXPECT_EQ(p.texts[20], "J`1`2`1`1");
  auto broken = prepareScript({{"main.kov", "for i = 1 to 2\nfor j = 1\nnext k\nnext\nnext\n"}});
  ASSERT_EQ(broken.texts.size(), 7u);
  EXPECT_EQ(broken.errors[0], "It doesn't have \"TO\"\rat line 2: FOR J = 1");
  EXPECT_EQ(broken.texts[3], "__KOVA_ERROR_ARI__Must describe nothing to NEXT");
  // A nested block left open hides the outer closer.
  EXPECT_EQ(firstError("while 1\nwhile 2\nwend\n"), "It doesn't have WEND toward WHILE\rat line 1: WHILE 1");
}

// Deep nesting of every block kind is checked in time linear in the
// script's length: 20,000 levels of each kind took about 20 s when every
// opener scanned its whole body.
TEST(BlockCheck, DeepNesting) {
  constexpr int kDepth = 20000;
  const std::pair<std::string, std::string> kinds[] = {{"ifb 1\n", "endif\n"},
                                                       {"for i = 1 to 2\n", "next\n"},
                                                       {"while 1\n", "wend\n"},
                                                       {"repeat\n", "until 1\n"},
                                                       {"select 1\n", "selend\n"}};
  for (const auto& [open, close] : kinds) {
    std::string s;
    for (int i = 0; i < kDepth; ++i) s += open;
    for (int i = 0; i < kDepth; ++i) s += close;
    auto p = prepareScript({{"main.kov", s}});
    EXPECT_TRUE(p.errors.empty()) << open << p.errors[0];
    // The outermost opener's partner is the last closer.
    const std::string offset = std::to_string(2 * kDepth - 1) + (open == "select 1\n" ? ",SELEND" : "");
    EXPECT_THAT(p.texts[1], ::testing::EndsWith(offset)) << open;
  }
}

}  // namespace
}  // namespace kova
