#include "util/settings_file.h"

#include <gtest/gtest.h>

#include <string>

#include "file_platform_fake.h"

namespace kova {
namespace {

using testing::FilePlatform;
using testing::TempFolder;
using testing::fs::path;

// An install folder "exe", the scripts' folder "scripts" (the current
// folder) and the roaming folder "roaming" in one temporary folder.
class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    for (const char* sub : {"exe", "scripts", "roaming"}) testing::fs::create_directories(dir.path() / sub);
    p.cwd = dir.u("scripts");
    p.roaming = dir.u("roaming");
  }
  SettingsFile make() { return SettingsFile(p, dir.u("exe"), u"kova.exe"); }

  TempFolder dir;
  FilePlatform p;
  const path ownExe = path("exe") / "KOVA.INI";
  const path ownUser = path("roaming") / "KOVA" / "KOVA.INI";
};

// --- Where the files are ------------------------------------------------------------

TEST_F(SettingsTest, FileNamesAndResolution) {
  SettingsFile s = make();
  EXPECT_EQ(s.settingsFileName(), u"KOVA.INI");
  EXPECT_EQ(SettingsFile(p, u"C:\\x", u"my.tool.exe").settingsFileName(), u"MY.TOOL.INI");
  EXPECT_EQ(SettingsFile(p, u"/opt/kova/", u"kova").exeFolderFile(), u"/opt/kova/KOVA.INI");
  EXPECT_EQ(s.exeFolderFile(), dir.u("exe") + u"\\KOVA.INI");
  EXPECT_EQ(s.perUserFile(), dir.u("roaming") + u"\\KOVA\\KOVA.INI");
  EXPECT_EQ(s.resolve(u""), s.exeFolderFile());

  p.cwd = u"C:\\kova\\scripts";
  EXPECT_EQ(s.resolve(u"a.ini"), u"C:\\kova\\scripts\\a.ini");
  EXPECT_EQ(s.resolve(u".\\a.ini"), u"C:\\kova\\scripts\\a.ini");
  EXPECT_EQ(s.resolve(u"./a.ini"), u"C:\\kova\\scripts\\a.ini");
  EXPECT_EQ(s.resolve(u"..\\a.ini"), u"C:\\kova\\a.ini");
  EXPECT_EQ(s.resolve(u"../sub/a.ini"), u"C:\\kova\\sub/a.ini");
  EXPECT_EQ(s.resolve(u"sub\\a.ini"), u"sub\\a.ini");
  EXPECT_EQ(s.resolve(u"D:\\x\\a.ini"), u"D:\\x\\a.ini");
  p.cwd = u"C:\\";
  EXPECT_EQ(s.resolve(u"a.ini"), u"C:\\a.ini");
  EXPECT_EQ(s.resolve(u"..\\a.ini"), u"C:\\a.ini");

  // Without a roaming folder there is no per-user file.
  p.roaming.clear();
  SettingsFile none = make();
  EXPECT_EQ(none.perUserFile(), u"");
  EXPECT_FALSE(none.perUser());
}

TEST_F(SettingsTest, PerUserFlagFollowsTheFileThatExists) {
  dir.put(ownUser, "[SET]\r\nWhere=user\r\n");
  SettingsFile s = make();
  EXPECT_TRUE(s.perUser());  // set at start when the per-user file exists
  EXPECT_EQ(s.read(u"SET", u"Where"), u"user");

  // The chosen file is missing but the other exists: the other is used.
  testing::fs::remove(dir.path() / ownUser);
  dir.put(ownExe, "[SET]\r\nWhere=exe\r\n");
  EXPECT_EQ(s.read(u"SET", u"Where"), u"exe");
  EXPECT_FALSE(s.perUser());
  dir.put(ownUser, "[SET]\r\nWhere=user\r\n");
  EXPECT_EQ(s.read(u"SET", u"Where"), u"exe");  // both exist: the flag decides
  testing::fs::remove(dir.path() / ownExe);
  s.write(u"SET", u"Added", u"1");
  EXPECT_TRUE(s.perUser());
  EXPECT_EQ(dir.get(ownUser), "[SET]\r\nWhere=user\r\nAdded=1\r\n");
  EXPECT_FALSE(dir.has(ownExe));
}

// --- Encodings ------------------------------------------------------------------------

TEST_F(SettingsTest, OwnFileIsUtf8) {
  for (unsigned cp : {1252u, kJapaneseCodePage}) {
    p.ansi = cp;
    testing::fs::remove(dir.path() / ownExe);
    SettingsFile s = make();
    s.write(u"LUNCHMENU", u"T1", u"\u30B5\u30F3\u30D7\u30EB");
    EXPECT_EQ(dir.get(ownExe), "[LUNCHMENU]\r\nT1=\xE3\x82\xB5\xE3\x83\xB3\xE3\x83\x97\xE3\x83\xAB\r\n")
        << cp;
    EXPECT_EQ(s.read(u"LUNCHMENU", u"T1"), u"\u30B5\u30F3\u30D7\u30EB") << cp;
    // Even texts the ANSI code page has are written UTF-8 there.
    s.write(u"SET", u"Name", u"caf\u00E9");
    EXPECT_NE(dir.get(ownExe).find("Name=caf\xC3\xA9\r\n"), std::string::npos) << cp;
  }
}

TEST_F(SettingsTest, ScriptFileStaysAnsiUntilATextIsNot) {
  SettingsFile s = make();
  dir.put("scripts/my.ini", "[S]\r\nold=caf\xE9\r\n");
  s.write(u"S", u"k", u"na\u00EFve", u"my.ini");
  EXPECT_EQ(dir.get("scripts/my.ini"), "[S]\r\nold=caf\xE9\r\nk=na\xEFve\r\n");
  // A text outside code page 1252: the file becomes UTF-8 first.
  s.write(u"S", u"jp", u"\u3042", u"my.ini");
  EXPECT_EQ(dir.get("scripts/my.ini"), "[S]\r\nold=caf\xC3\xA9\r\nk=na\xC3\xAFve\r\njp=\xE3\x81\x82\r\n");
  // From then on it stays UTF-8.
  s.write(u"S", u"k", u"\u00E9", u"my.ini");
  EXPECT_EQ(dir.get("scripts/my.ini"), "[S]\r\nold=caf\xC3\xA9\r\nk=\xC3\xA9\r\njp=\xE3\x81\x82\r\n");
  EXPECT_EQ(s.read(u"S", u"old", u"my.ini"), u"caf\u00E9");
  EXPECT_EQ(s.read(u"s", u"JP", u".\\my.ini"), u"\u3042");

  // A new file in code page 932 takes Japanese text as ANSI.
  p.ansi = kJapaneseCodePage;
  s.write(u"S", u"k", u"\u3042", u"new.ini");
  EXPECT_EQ(dir.get("scripts/new.ini"), "[S]\r\nk=\x82\xA0\r\n");
  EXPECT_EQ(s.read(u"S", u"k", u"new.ini"), u"\u3042");
  // ... but not a character 932 lacks.
  s.write(u"S", u"e", u"\u00E9", u"new.ini");
  EXPECT_EQ(dir.get("scripts/new.ini"), "[S]\r\nk=\xE3\x81\x82\r\ne=\xC3\xA9\r\n");
}

TEST_F(SettingsTest, ConversionKeepsUtf8LinesOfAMixedFile) {
  SettingsFile s = make();
  // An ANSI file that already holds a UTF-8 value reads the same afterwards.
  dir.put("scripts/mixed.ini", "[S]\r\na=caf\xE9\r\nu=\xE3\x81\x82\r\n");
  EXPECT_EQ(s.read(u"S", u"u", u"mixed.ini"), u"\u3042");
  s.write(u"S", u"n", u"\u3044", u"mixed.ini");
  EXPECT_EQ(dir.get("scripts/mixed.ini"), "[S]\r\na=caf\xC3\xA9\r\nu=\xE3\x81\x82\r\nn=\xE3\x81\x84\r\n");
}

TEST_F(SettingsTest, ValuesDecodeAsUtf8OnlyWhenTheyRoundTrip) {
  SettingsFile s = make();
  p.ansi = kJapaneseCodePage;
  // "テスト" in code page 932 is not UTF-8; "あ" in UTF-8 is.
  dir.put(ownExe, "[SET]\r\nSjis=\x83\x65\x83\x58\x83\x67\r\nUtf=\xE3\x81\x82\r\nAscii=abc\r\n");
  EXPECT_EQ(s.read(u"SET", u"Sjis"), u"\u30C6\u30B9\u30C8");
  EXPECT_EQ(s.read(u"SET", u"Utf"), u"\u3042");
  EXPECT_EQ(s.read(u"SET", u"Ascii"), u"abc");
  p.ansi = 1252;
  dir.put(ownExe, "[SET]\r\nLatin=caf\xE9\r\n");
  EXPECT_EQ(s.read(u"SET", u"Latin"), u"caf\u00E9");
  EXPECT_EQ(s.read(u"SET", u"Missing"), u"");
  EXPECT_EQ(s.read(u"SET", u"Latin", u"nofile.ini"), u"");
}

TEST_F(SettingsTest, NamesAreLookedUpAsUtf8ThenAsAnsi) {
  SettingsFile s = make();
  dir.put("scripts/n.ini", "[R\xE9glages]\r\ncl\xE9=ansi\r\n");
  EXPECT_EQ(s.read(u"R\u00E9glages", u"cl\u00E9", u"n.ini"), u"ansi");
  dir.put("scripts/n.ini", "[R\xE9glages]\r\ncl\xE9=ansi\r\n[R\xC3\xA9glages]\r\ncl\xC3\xA9=utf8\r\n");
  EXPECT_EQ(s.read(u"R\u00E9glages", u"cl\u00E9", u"n.ini"), u"utf8");
  // Names without an ANSI form do not find keys spelled with '?'.
  dir.put("scripts/q.ini", "[?]\r\n?=wrong\r\n");
  EXPECT_EQ(s.read(u"\u3042", u"\u3044", u"q.ini"), u"");
}

TEST_F(SettingsTest, Utf8MarkIsRemovedBeforeAChange) {
  SettingsFile s = make();
  dir.put("scripts/bom.ini", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n");
  EXPECT_EQ(s.read(u"S", u"k", u"bom.ini"), u"\u00E9");
  EXPECT_EQ(dir.get("scripts/bom.ini"), "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n");  // reading changes nothing
  s.write(u"S", u"n", u"x", u"bom.ini");
  EXPECT_EQ(dir.get("scripts/bom.ini"), "[S]\r\nk=\xC3\xA9\r\nn=x\r\n");
  // An ASCII value into a file that had a UTF-8 mark: still UTF-8.
  dir.put("scripts/bom2.ini", "\xEF\xBB\xBF[S]\r\n");
  s.write(u"S", u"e", u"\u00E9", u"bom2.ini");
  EXPECT_EQ(dir.get("scripts/bom2.ini"), "[S]\r\ne=\xC3\xA9\r\n");
}

TEST_F(SettingsTest, Utf16ScriptFileStaysUtf16) {
  SettingsFile s = make();
  dir.put("scripts/w.ini", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
  s.write(u"S", u"k", u"\u00E9", u"w.ini");
  EXPECT_EQ(dir.get("scripts/w.ini"), std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22));
  EXPECT_EQ(s.read(u"S", u"k", u"w.ini"), u"\u00E9");
}

// --- Moving to the per-user folder ------------------------------------------------------

TEST_F(SettingsTest, ReadOnlyExeFolderMovesTheFileToThePerUserFolder) {
  const std::string old = "; mine\r\n[SET]\r\nPlayHotKey=1,2\r\nTitle=\xE3\x81\x82\r\n";
  dir.put(ownExe, old);
  p.readOnlyFolder = dir.u("exe");
  SettingsFile s = make();
  EXPECT_FALSE(s.perUser());
  EXPECT_EQ(s.read(u"SET", u"PlayHotKey"), u"1,2");

  s.write(u"SET", u"test", u"0");
  EXPECT_TRUE(s.perUser());
  EXPECT_EQ(dir.get(ownUser), old + "test=0\r\n");
  EXPECT_EQ(dir.get(ownExe), old);
  s.deleteKey(u"SET", u"test");
  EXPECT_EQ(dir.get(ownUser), old);
  EXPECT_EQ(s.read(u"SET", u"Title"), u"\u3042");

  // Later writes go straight to the per-user file; a restart finds it there.
  const size_t sleeps = p.sleeps.size();
  s.write(u"SET", u"Title", u"new");
  EXPECT_EQ(p.sleeps.size(), sleeps);
  SettingsFile restarted = make();
  EXPECT_TRUE(restarted.perUser());
  EXPECT_EQ(restarted.read(u"SET", u"Title"), u"new");
  EXPECT_EQ(dir.get(ownExe), old);
}

TEST_F(SettingsTest, MoveWithoutAnOldFileOrAWritableUserFolder) {
  p.readOnlyFolder = dir.u("exe");
  SettingsFile s = make();
  s.write(u"SET", u"k", u"v");
  EXPECT_TRUE(s.perUser());
  EXPECT_EQ(dir.get(ownUser), "[SET]\r\nk=v\r\n");
  EXPECT_FALSE(dir.has(ownExe));

  // Nowhere to write: the value is dropped, nothing is reported or broken.
  testing::fs::remove_all(dir.path() / "roaming" / "KOVA");
  dir.put(ownExe, "[SET]\r\nk=old\r\n");
  p.readOnlyFolder = dir.u("");
  SettingsFile stuck = make();
  stuck.write(u"SET", u"k", u"v");
  EXPECT_FALSE(stuck.perUser());
  EXPECT_EQ(dir.get(ownExe), "[SET]\r\nk=old\r\n");
  EXPECT_FALSE(dir.has(path("roaming") / "KOVA"));
  // A script's file that cannot be written is dropped silently too.
  dir.put("scripts/s.ini", "[S]\r\nk=1\r\n");
  stuck.write(u"S", u"k", u"2", u"s.ini");
  EXPECT_EQ(dir.get("scripts/s.ini"), "[S]\r\nk=1\r\n");
}

TEST_F(SettingsTest, PackagedModeDropsWritesToTheOwnFile) {
  SettingsFile s = make();
  s.setDropOwnWrites(true);
  s.write(u"SET", u"k", u"v");
  EXPECT_FALSE(dir.has(ownExe));
  s.write(u"SET", u"k", u"v", {}, true);
  EXPECT_EQ(dir.get(ownExe), "[SET]\r\nk=v\r\n");
  s.write(u"S", u"k", u"v", u"script.ini");
  EXPECT_EQ(dir.get("scripts/script.ini"), "[S]\r\nk=v\r\n");
}

// --- Deleting, erasing, retries ----------------------------------------------------------

TEST_F(SettingsTest, DeleteAndEraseRemoveBothEncodingsOfExistingFiles) {
  SettingsFile s = make();
  s.deleteKey(u"SET", u"k");
  s.eraseSection(u"SET");
  s.deleteKey(u"S", u"k", u"none.ini");
  EXPECT_FALSE(dir.has(ownExe));
  EXPECT_FALSE(dir.has("scripts/none.ini"));

  dir.put(ownExe,
          "[S]\r\nk\xE9=ansi\r\nk\xC3\xA9=utf8\r\nkeep=1\r\n"
          "[R\xE9]\r\na=1\r\n[R\xC3\xA9]\r\nb=2\r\n[Last]\r\nz=1\r\n");
  s.deleteKey(u"S", u"k\u00E9");
  EXPECT_EQ(s.read(u"S", u"k\u00E9"), u"");
  s.eraseSection(u"R\u00E9");
  EXPECT_EQ(dir.get(ownExe), "[S]\r\nkeep=1\r\n[Last]\r\nz=1\r\n");
}

TEST_F(SettingsTest, ReadsRetryWhileTheFileIsBusy) {
  SettingsFile s = make();
  dir.put(ownExe, "[SET]\r\nk=v\r\n");
  p.failReads = 3;
  EXPECT_EQ(s.read(u"SET", u"k"), u"v");
  EXPECT_EQ(p.sleeps, (std::vector<uint32_t>{80, 80, 80}));
  EXPECT_EQ(p.pumps, 60);
  p.failReads = 100;
  EXPECT_EQ(s.read(u"SET", u"k"), u"");
  // A write never replaces a file it could not read.
  p.failReads = 100;
  s.write(u"SET", u"other", u"x");
  EXPECT_EQ(dir.get(ownExe), "[SET]\r\nk=v\r\n");
  EXPECT_FALSE(dir.has(ownUser));
}

}  // namespace
}  // namespace kova
