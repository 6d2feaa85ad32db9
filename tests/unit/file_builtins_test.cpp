#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/program_host.h"
#include "builtins/file_table.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::RecordingHost;
using testing::ScriptFolder;
using ::testing::ElementsAre;

struct Run {
  int exitCode = 0;
  std::vector<std::string> printed, errors, messages;
};

// Runs `script` as main.kov inside `folder`, which outlives the run so the
// files the script wrote can be inspected.
Run runIn(const ScriptFolder& folder, const std::string& script) {
  folder.write("main.kov", script);
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch loaded;
  Run out;
  out.exitCode = player.load(folder.widePath("main.kov"), loaded) ? player.play(loaded) : 1;
  out.printed = host.printed;
  out.errors = host.errors;
  out.messages = host.messages;
  return out;
}

std::string bytesOf(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// --- Writing back at FCLOSE ---------------------------------------------------------

TEST(FileBuiltins, WriteModesChooseTheEncodingAndLineEnd) {
  ScriptFolder f;
  auto r = runIn(f,
                 "a = FOPEN(\"plain.txt\", F_WRITE)\nFPUT(a, \"x\")\nFPUT(a, \"y\")\nPRINT FCLOSE(a)\n"
                 "b = FOPEN(\"bom.txt\", F_WRITE8B)\nFPUT(b, \"x\")\nFCLOSE(b)\n"
                 "c = FOPEN(\"wide.txt\", F_WRITE16 + F_NOCR)\nFPUT(c, \"x\")\nFCLOSE(c)\n"
                 // the last write flag given wins
                 "d = FOPEN(\"u8.txt\", F_WRITE + F_WRITE16 + F_WRITE8)\nFPUT(d, \"x\")\nFCLOSE(d)\n"
                 "e = FOPEN(\"utf8.txt\", F_WRITE8)\nFPUT(e, \"\xC3\xA9\")\nFCLOSE(e)\n"
                 "g = FOPEN(\"ansi.txt\", F_WRITE1 + F_NOCR)\nFPUT(g, \"a\")\nFPUT(g, \"b\")\nFCLOSE(g)\n");
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("True"));
  EXPECT_EQ(bytesOf(f.path("plain.txt")), "x\r\ny\r\n");
  EXPECT_EQ(bytesOf(f.path("bom.txt")), "\xEF\xBB\xBFx\r\n");
  EXPECT_EQ(bytesOf(f.path("wide.txt")), std::string("\xFF\xFEx\0", 4));
  // The flags apply in the order 8, 16, 32, 64: F_WRITE16 wins over F_WRITE8.
  EXPECT_EQ(bytesOf(f.path("u8.txt")), std::string("\xFF\xFEx\0\r\0\n\0", 8));
  EXPECT_EQ(bytesOf(f.path("utf8.txt")), "\xC3\xA9\r\n");
  EXPECT_EQ(bytesOf(f.path("ansi.txt")), "a\r\nb");
}

TEST(FileBuiltins, FWriteKeepsTheEncodingTheFileWasReadIn) {
  ScriptFolder f;
  f.write("w.txt", std::string("\xFF\xFE" "a\0\r\0\n\0", 8));
  auto r = runIn(f, "id = FOPEN(\"w.txt\", F_READ + F_WRITE)\nFPUT(id, \"b\")\nFCLOSE(id)\n");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(bytesOf(f.path("w.txt")), std::string("\xFF\xFE" "a\0\r\0\n\0b\0\r\0\n\0", 14));
}

TEST(FileBuiltins, LinesAndColumnsAreEditedInPlace) {
  ScriptFolder f;
  f.write("e.txt", "one\r\ntwo,\"x,y\",z\r\nthree\r\n");
  auto r = runIn(f,
                 "id = FOPEN(\"e.txt\", F_READ + F_WRITE)\n"
                 "FPUT(id, \"Q\", 2, 3)\n"      // third column; the quoted comma does not split
                 "FPUT(id, \"new\", 1, F_INSERT)\n"
                 "FDELLINE(id, 4)\n"
                 "FDELLINE(id, 99)\n"           // beyond the end: nothing
                 "FPUT(id, \"far\", 6)\n"       // pads with empty lines
                 "FPUT(id, \"c\", 7, 3)\n"      // a missing line and missing columns
                 "PRINT FGET(id, F_LINECOUNT)\n"
                 "FCLOSE(id)\n");
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("7"));
  EXPECT_EQ(bytesOf(f.path("e.txt")), "new\r\none\r\ntwo,\"x,y\",Q\r\n\r\n\r\nfar\r\n,,c\r\n");

  auto all = runIn(f, "id = FOPEN(\"e.txt\", F_WRITE)\nFPUT(id, \"a<#CR>b\", F_ALLTEXT)\n"
                      "PRINT FGET(id, F_LINECOUNT)\nFCLOSE(id)\n");
  EXPECT_THAT(all.printed, ElementsAre("2"));
  EXPECT_EQ(bytesOf(f.path("e.txt")), "a\r\nb\r\n");  // F_WRITE alone starts from scratch
}

TEST(FileBuiltins, ReadOnlyOpenNeverWrites) {
  ScriptFolder f;
  f.write("r.txt", "keep");
  auto r = runIn(f, "id = FOPEN(\"r.txt\")\nPRINT FCLOSE(id)\n");
  EXPECT_THAT(r.printed, ElementsAre("True"));
  EXPECT_EQ(bytesOf(f.path("r.txt")), "keep");
}

TEST(FileBuiltins, AFailedSaveIsReportedAndLeavesNoFile) {
  ScriptFolder f;
  // The folder does not exist, so the save cannot succeed.
  auto r = runIn(f, "id = FOPEN(\"nofolder\\x.txt\", F_WRITE)\nFPUT(id, \"x\")\nPRINT FCLOSE(id)\n"
                    "id = FOPEN(\"nofolder\\x.txt\", F_WRITE)\nPRINT FCLOSE(id, TRUE)\nPRINT id\n");
  EXPECT_THAT(r.printed, ElementsAre("False", "False", "1"));
  EXPECT_THAT(r.messages, ElementsAre("nofolder\\x.txt：Can't be written in"));  // the quiet form shows nothing
  EXPECT_FALSE(std::filesystem::exists(f.path("nofolder")));
}

// --- Exclusive opening -------------------------------------------------------------------

TEST(FileBuiltins, ExclusiveOpenLocksUntilCloseOrTheEndOfTheRun) {
  ScriptFolder f;
  f.write("lock.txt", "1\r\n");
  auto r = runIn(f,
                 "a = FOPEN(\"lock.txt\", F_READ + F_WRITE + F_EXCLUSIVE)\n"
                 "PRINT FOPEN(\"lock.txt\", F_READ + F_EXCLUSIVE)\n"  // held: refused
                 "FPUT(a, \"2\")\nPRINT FCLOSE(a)\n"
                 "b = FOPEN(\"lock.txt\", F_EXCLUSIVE)\nPRINT FGET(b, F_ALLTEXT)\n"
                 // a new file opened exclusively for writing is created and held
                 "c = FOPEN(\"made.txt\", F_WRITE + F_EXCLUSIVE)\nPRINT FOPEN(\"made.txt\", F_EXCLUSIVE)\n");
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("-1", "True", "1\r\n2", "-1"));
  EXPECT_EQ(bytesOf(f.path("lock.txt")), "1\r\n2\r\n");
  // The run left b and c open; its end released them without writing.
  auto again = runIn(f, "PRINT FOPEN(\"lock.txt\", F_EXCLUSIVE)\nPRINT FOPEN(\"made.txt\", F_EXCLUSIVE)\n");
  EXPECT_THAT(again.printed, ElementsAre("1", "2"));
  EXPECT_EQ(bytesOf(f.path("made.txt")), "");
}

// --- Folder listings ----------------------------------------------------------------------

TEST(FileBuiltins, GetdirOrdersAndHiddenEntries) {
  ScriptFolder f;
  f.write("d/b.txt", "12345");
  f.write("d/A.txt", "123");
  f.write("d/c.txt", "1");
  f.write("d/sub/x.txt", "");
  namespace fs = std::filesystem;
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(f.path("d/c.txt"), now - std::chrono::hours(3));
  fs::last_write_time(f.path("d/b.txt"), now - std::chrono::hours(2));
  fs::last_write_time(f.path("d/A.txt"), now - std::chrono::hours(1));
  auto r = runIn(f,
                 "show(GETDIR(\"d\"))\nshow(GETDIR(\"d\", \"*\", FALSE, 1))\nshow(GETDIR(\"d\", \"*\", FALSE, 4))\n"
                 "show(GETDIR(\"d\", \"\\\"))\n"
                 "PROCEDURE show(n)\n  s = \"\"\n  FOR i = 0 TO n - 1\n    s = s + GETDIR_FILES[i] + \" \"\n  NEXT\n"
                 "  PRINT s\nFEND\n");
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("A.txt b.txt c.txt ", "c.txt b.txt A.txt ", "c.txt A.txt b.txt ", "sub "));
#ifndef _WIN32
  // Natively a leading '.' marks a hidden entry.
  f.write("d/.h.txt", "");
  auto h = runIn(f, "PRINT GETDIR(\"d\")\nPRINT GETDIR(\"d\", \"*\", TRUE)\nPRINT GETDIR_FILES[0]\n");
  EXPECT_THAT(h.printed, ElementsAre("3", "4", ".h.txt"));
#endif
}

TEST(FileBuiltins, ColumnAndWildcardHelpers) {
  EXPECT_THAT(splitColumns(u"a,\"b,c\",,d", u','), ElementsAre(u"a", u"\"b,c\"", u"", u"d"));
  EXPECT_THAT(splitColumns(u"", u','), ElementsAre(u""));
  EXPECT_THAT(splitColumns(u"a,b\tc", u'\t'), ElementsAre(u"a,b", u"c"));
  EXPECT_EQ(unquoteColumn(u"\"a \"\"q\"\" b\""), u"a \"q\" b");
  EXPECT_EQ(unquoteColumn(u"\""), u"\"");
  EXPECT_EQ(replaceColumn(u"a", 3, u"c", u','), u"a,,c");
  EXPECT_EQ(replaceColumn(u"\"x,y\",z", 2, u"Q", u','), u"\"x,y\",Q");
  EXPECT_TRUE(matchesWildcard(u"Readme.TXT", u"*.txt"));
  EXPECT_TRUE(matchesWildcard(u"noext", u"*.*"));
  EXPECT_TRUE(matchesWildcard(u"abcabd", u"*ab?"));
  EXPECT_FALSE(matchesWildcard(u"a.txtx", u"*.txt"));
  EXPECT_FALSE(matchesWildcard(u"ab", u"a?b"));
  EXPECT_TRUE(matchesWildcard(std::u16string(5000, u'a'), u"*a*a*a*a*b*") == false);
}

// --- INI files -------------------------------------------------------------------------------

TEST(FileBuiltins, IniValuesRoundTripAndNumbersAddAsNumbers) {
  ScriptFolder f;
  auto r = runIn(f,
                 "WRITEINI(\"S\", \"n\", 12, \"conf\")\n"  // no extension: conf.INI
                 "WRITEINI(\"S\", \"t\", \"abc\", \"conf\")\nWRITEINI(\"T\", \"k\", \"v\", \"conf.INI\")\n"
                 "PRINT READINI(\"S\", \"n\", \"conf\") + 1\nPRINT READINI(\"S\", \"t\", \"conf\") + 1\n"
                 "DELETEINI(\"S\", \"n\", \"conf\")\nPRINT \"[\" + READINI(\"S\", \"n\", \"conf\") + \"]\"\n"
                 "PRINT READINI(\"S\", \"t\", \"conf\")\n"
                 "DELETEINI(\"T\", \"\", \"conf\")\nPRINT \"[\" + READINI(\"T\", \"k\", \"conf\") + \"]\"\n");
  EXPECT_TRUE(r.errors.empty()) << r.errors[0];
  EXPECT_THAT(r.printed, ElementsAre("13", "abc1", "[]", "abc", "[]"));
  EXPECT_TRUE(std::filesystem::exists(f.path("conf.INI")));
}

// A program's host: without a file argument the INI routines use the
// loaded script's own INI file beside it, never the program's settings.
TEST(FileBuiltins, IniCallsWithoutFileUseTheScriptsOwnIniFile) {
  class Host final : public ProgramHost {
   public:
    using ProgramHost::ProgramHost;
    void showError(const u16& text) override { errors.push_back(toUtf8(text)); }
    void showMessage(const u16& text) override { errors.push_back(toUtf8(text)); }
    void printLine(const u16& text) override { printed.push_back(toUtf8(text)); }
    std::vector<std::string> errors, printed;
  };
  ScriptFolder f;
  f.write("tool.kov",
          "WRITEINI(\"Run\", \"count\", 41)\nWRITEINI(\"Run\", \"gone\", \"x\", \"\")\n"
          "DELETEINI(\"Run\", \"gone\")\nPRINT READINI(\"Run\", \"count\") + 1\n"
          "PRINT \"[\" + READINI(\"Run\", \"gone\") + \"]\"\nPRINT GET_KOVA_NAME\n");
  Host host(hostPlatform());
  const u16 ownFile = host.settings().resolve(u"");
  const bool ownExisted = hostPlatform().fileExists(ownFile);
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  ASSERT_TRUE(player.load(f.widePath("tool.kov"), launch));
  EXPECT_EQ(player.play(launch), 0);
  EXPECT_THAT(host.errors, ::testing::IsEmpty());
  EXPECT_THAT(host.printed, ElementsAre("42", "[]", "tool.kov"));
  EXPECT_EQ(bytesOf(f.path("tool.INI")).find("gone"), std::string::npos);
  EXPECT_NE(bytesOf(f.path("tool.INI")).find("count=41"), std::string::npos);
  EXPECT_EQ(hostPlatform().fileExists(ownFile), ownExisted);
}

}  // namespace
}  // namespace kova
