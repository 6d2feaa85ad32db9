// Line normalisation, file wrapping and CALL expansion.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/line_normaliser.h"
#include "engine/script_assembler.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::prepareScript;
using ::testing::ElementsAre;

std::vector<std::string> normaliseAll(const std::vector<std::string>& raw) {
  NameList<int> modules;
  LineNormaliser n(modules);
  std::vector<std::string> out;
  for (const auto& r : raw) out.push_back(toUtf8(n.normalise(fromUtf8(r))));
  return out;
}

TEST(LineNormaliser, CommentsContinuationAndBlanks) {
  EXPECT_EQ(normaliseAll({"a = 1 + _", "2"}), (std::vector<std::string>{"", "A = 1 + 2"}));
  // "//" inside a literal is no comment; a doubled quote stays inside.
  EXPECT_EQ(normaliseAll({"print \"a//b\" // c"}), (std::vector<std::string>{"PRINT \"a//b\""}));
  EXPECT_EQ(normaliseAll({"print \"x\"\"//y\""}), (std::vector<std::string>{"PRINT \"x\"\"//y\""}));
  // A comment in the joined line of a continuation is cut too.
  EXPECT_EQ(normaliseAll({"a = _", "b // c"}), (std::vector<std::string>{"", "A = B"}));
  // TABs and ideographic spaces become spaces, inside literals too.
  EXPECT_EQ(normaliseAll({"\tprint \"a\tb\"\xE3\x80\x80"}), (std::vector<std::string>{"PRINT \"a b\""}));
}

TEST(LineNormaliser, CaseRules) {
  // Member names after "." keep their case; literals keep theirs.
  EXPECT_EQ(normaliseAll({"obj.Visible = true"}), (std::vector<std::string>{"OBJ.Visible = TRUE"}));
  EXPECT_EQ(normaliseAll({"x = \"Abc\" + y"}), (std::vector<std::string>{"X = \"Abc\" + Y"}));
  // DEF_DLL keeps the case of the declaration.
  EXPECT_EQ(normaliseAll({"def_dll MessageBoxW(hwnd, wstring, wstring, uint): int: user32"}),
            (std::vector<std::string>{"DEF_DLL MessageBoxW(hwnd, wstring, wstring, uint): int: user32"}));
  // PROCEDURE headers without quotes use full case mapping (full-width letters).
  EXPECT_EQ(normaliseAll({"procedure ｆｏｏ()"}), (std::vector<std::string>{"PROCEDURE ＦＯＯ()"}));
  // Other lines only change a-z.
  EXPECT_EQ(normaliseAll({"ｆｏｏ = 1"}), (std::vector<std::string>{"ｆｏｏ = 1"}));
}

TEST(LineNormaliser, TextblocksPassUnchangedAndModulesAreNumbered) {
  EXPECT_EQ(normaliseAll({"textblock tb", "  raw // kept _", "endtextblock", "x = 1"}),
            (std::vector<std::string>{"TEXTBLOCK TB", "  raw // kept _", "ENDTEXTBLOCK", "X = 1"}));
  EXPECT_EQ(normaliseAll({"module a", "endmodule", "class b", "endclass", "module a"}),
            (std::vector<std::string>{"MODULE A 0", "ENDMODULE", "CLASS B 1", "ENDCLASS", "MODULE A 0"}));
}

TEST(ScriptAssembler, ResolvesCallPaths) {
  using A = ScriptAssembler;
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"SUB", u"", u"C:\\DIR")), "C:\\DIR\\SUB.KOV");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"SUB(1, 2)", u"", u"C:\\DIR")), "C:\\DIR\\SUB.KOV(1, 2)");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"..\\X.KOV", u"", u"C:\\DIR\\IN")), "C:\\DIR\\X.KOV");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"./X", u"", u"C:\\DIR")), "C:\\DIR\\X.KOV");
  // Inside an included file: a bare name and ".\" use the include folder,
  // a path with a folder in it does not.
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"X", u"C:\\INC", u"C:\\CUR")), "C:\\INC\\X.KOV");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u".\\X", u"C:\\INC", u"C:\\CUR")), "C:\\INC\\X.KOV");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"..\\X", u"C:\\A\\INC", u"C:\\CUR")), "C:\\A\\X.KOV");
  EXPECT_EQ(toUtf8(A::resolveCallPath(u"SUB\\X", u"C:\\INC", u"C:\\CUR")), "SUB\\X.KOV");
  // Keys drop arguments; wrapper names protect parentheses of folders.
  EXPECT_EQ(toUtf8(A::fileKey(u"C:\\D\\sub.kov(\"a\\b\", 2)")), "C:\\D\\SUB.KOV");
  EXPECT_EQ(toUtf8(A::wrapperName(u"C:\\P (X)\\S.KOV(1)")), "C:\\P （X）\\S.KOV(1)");
}

TEST(ScriptAssembler, WrapsFilesAndIncludesEachFileOnce) {
  auto p = prepareScript({{"main.kov", "call sub\ncall SUB.kov(1)\nfunction f()\nresult = 1\nfend\n"},
                          {"sub.kov", "print 1\n"}});
  ASSERT_FALSE(p.assemblyFailed);
  ASSERT_EQ(p.lines.size(), 10u);
  EXPECT_EQ(p.lines[0], "PROCEDURE __MAIN__()");
  EXPECT_NE(p.lines[1].find("CALL "), std::string::npos);
  EXPECT_EQ(p.lines[3], "FEND");  // inserted before the first definition
  EXPECT_EQ(p.lines[4], "FUNCTION F()");
  EXPECT_EQ(p.lines[7].rfind("PROCEDURE ", 0), 0u);
  EXPECT_NE(p.lines[7].find("SUB.KOV()"), std::string::npos);
  EXPECT_EQ(p.lines[9], "FEND");
  // Both CALLs name the same wrapper.
  const std::string wrapper = p.lines[7].substr(10, p.lines[7].size() - 12);
  EXPECT_EQ(toUtf8(upperFull(fromUtf8(p.lines[1]))), "CALL " + wrapper);
  EXPECT_EQ(toUtf8(upperFull(fromUtf8(p.lines[2]))), "CALL " + wrapper + "(1)");
}

TEST(ScriptAssembler, IncludedFilesResolveAgainstTheirOwnFolder) {
  auto p = prepareScript({{"main.kov", "call lib\\a\n"},
                          {"lib/a.kov", "call b\ncall .\\c\n"},
                          {"lib/b.kov", "print \"b\"\n"},
                          {"lib/c.kov", "print \"c\"\n"}});
  EXPECT_FALSE(p.assemblyFailed);
  EXPECT_TRUE(p.messages.empty()) << p.messages[0];
  // A path with a folder is not taken from the include folder.
  auto q = prepareScript({{"main.kov", "call lib\\a\n"}, {"lib/a.kov", "call sub\\b\n"}, {"lib/sub/b.kov", ""}});
  ASSERT_TRUE(q.assemblyFailed);
  ASSERT_EQ(q.messages.size(), 1u);
  EXPECT_EQ(q.messages[0].rfind("FILE Not Found :", 0), 0u);
}

TEST(ScriptAssembler, LoadingFailures) {
  auto missing = prepareScript({{"main.kov", "x = 1; call nothere(2)\n"}});
  EXPECT_TRUE(missing.assemblyFailed);
  ASSERT_EQ(missing.messages.size(), 1u);
  EXPECT_NE(missing.messages[0].find("NOTHERE.KOV"), std::string::npos);

  auto fend = prepareScript({{"main.kov", "print 1\nfend\n"}});
  EXPECT_TRUE(fend.assemblyFailed);
  EXPECT_THAT(fend.messages, ElementsAre("Position of the FEND sentence is strange"));
  auto fendJa = prepareScript({{"main.kov", "fend\n"}}, Language::Japanese);
  EXPECT_THAT(fendJa.messages, ElementsAre("FEND文の位置がおかしい"));

  // A CALL of a folder is a missing file, not a crash.
  auto folder = prepareScript({{"main.kov", "call dir.kov\n"}, {"dir.kov/x.kov", ""}});
  EXPECT_TRUE(folder.assemblyFailed);

  auto container = prepareScript({{"main.kov", "KOV03\nabc\n"}});
  EXPECT_TRUE(container.assemblyFailed);
  auto newer = prepareScript({{"main.kov", "KOV09\n"}});
  EXPECT_THAT(newer.messages, ElementsAre("Please make version of KOVA into the newest"));
}

TEST(ScriptAssembler, SelfIncludeAndManyFiles) {
  // A file that includes itself is read once.
  auto self = prepareScript({{"main.kov", "call a\n"}, {"a.kov", "call a\n"}});
  EXPECT_FALSE(self.assemblyFailed);
  EXPECT_EQ(self.lines.size(), 6u);
  // Thousands of distinct CALLs.
  std::map<std::string, std::string> files;
  std::string main;
  for (int i = 0; i < 2000; ++i) {
    main += "call f" + std::to_string(i) + "\n";
    files["f" + std::to_string(i) + ".kov"] = "print " + std::to_string(i) + "\n";
  }
  files["main.kov"] = main;
  auto many = prepareScript(files);
  EXPECT_FALSE(many.assemblyFailed);
  EXPECT_EQ(many.lines.size(), 2002u + 2000u * 3u);
}

TEST(ScriptAssembler, ReportsChangedFilesOnce) {
  testing::ScriptFolder folder;
  folder.write("main.kov", "call sub\n");
  folder.write("sub.kov", "print 1\n");
  testing::RecordingHost host;
  ScriptAssembler a(hostPlatform(), host);
  hostPlatform().setCurrentDirectory(folder.widePath(""));
  const auto noEval = [](u16v) { return std::optional<u16>(); };
  EXPECT_TRUE(a.assemble(folder.widePath("main.kov"), noEval).changed);
  EXPECT_EQ(a.fileTimes.size(), 2u);
  EXPECT_FALSE(a.assemble(folder.widePath("main.kov"), noEval).changed);
  a.clearFileTimes();
  EXPECT_TRUE(a.assemble(folder.widePath("main.kov"), noEval).changed);
}

}  // namespace
}  // namespace kova
