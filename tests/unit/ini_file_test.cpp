#include "util/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "file_platform_fake.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kova {
namespace {

using testing::FilePlatform;
using testing::TempFolder;

std::optional<std::string> find(std::string_view text, std::string_view section, std::string_view key) {
  return iniFindValue(text, section, key);
}

// --- Reading ------------------------------------------------------------------------

TEST(IniRead, NamesValuesAndBlanks) {
  const std::string text =
      "top=outside any section\r\n"
      "[SET]\r\n"
      "PlayHotKey=1,2\r\n"
      "  Spaced Key \t=  spaced value \t\r\n"
      "Empty=\r\n"
      "NoValue\r\n"
      "Eq=a=b\r\n"
      "\r\n"
      "[  Other Section  ]\n"
      "k=v\x1A\n";
  EXPECT_EQ(find(text, "SET", "PlayHotKey"), "1,2");
  EXPECT_EQ(find(text, "set", "playhotkey"), "1,2");
  EXPECT_EQ(find(text, " Set ", " PLAYHOTKEY "), "1,2");
  EXPECT_EQ(find(text, "SET", "Spaced Key"), "spaced value");
  EXPECT_EQ(find(text, "SET", "Empty"), "");
  EXPECT_EQ(find(text, "SET", "Eq"), "a=b");
  EXPECT_EQ(find(text, "other section", "K"), "v");
  // Missing section or key, a key without '='.
  EXPECT_EQ(find(text, "SET", "Missing"), std::nullopt);
  EXPECT_EQ(find(text, "Nope", "PlayHotKey"), std::nullopt);
  EXPECT_EQ(find(text, "SET", "NoValue"), std::nullopt);
  // Lines before the first header are the section with the empty name.
  EXPECT_EQ(find(text, "", "top"), "outside any section");
  EXPECT_EQ(find(text, "SET", "top"), std::nullopt);
  // Keys of one section are not found in another.
  EXPECT_EQ(find(text, "other section", "PlayHotKey"), std::nullopt);
  EXPECT_EQ(find("", "SET", "x"), std::nullopt);
}

TEST(IniRead, FirstMatchWins) {
  const std::string text =
      "[A]\n"
      "k=first\n"
      "K=second\n"
      "[B]\n"
      "k=b\n"
      "[a]\n"
      "k=third\n"
      "only=in duplicate\n";
  EXPECT_EQ(find(text, "A", "k"), "first");
  // The first section of a name is the only one searched.
  EXPECT_EQ(find(text, "A", "only"), std::nullopt);
}

TEST(IniRead, ProfileFunctionQuirks) {
  // Quotes around a whole value are dropped; a lone CR ends a line; the
  // section name runs to the last ']'; a '[' line without ']' is no header;
  // there is no comment syntax.
  const std::string text =
      "\xEF\xBB\xBF[S]\r\n"
      "q1=\"quoted\"\r\n"
      "q2='single'\r\n"
      "q3=\"mixed'\r\n"
      "q4=\"\r\n"
      "cr=a\rb\r\n"
      ";c=comment\r\n"
      "[broken\r\n"
      "after=still S\r\n"
      "[x]y]\r\n"
      "k=1\r\n";
  EXPECT_EQ(find(text, "S", "q1"), "quoted");
  EXPECT_EQ(find(text, "S", "q2"), "single");
  EXPECT_EQ(find(text, "S", "q3"), "\"mixed'");
  EXPECT_EQ(find(text, "S", "q4"), "\"");
  EXPECT_EQ(find(text, "S", "cr"), "a");
  EXPECT_EQ(find(text, "S", "b"), std::nullopt);
  EXPECT_EQ(find(text, "S", ";c"), "comment");
  EXPECT_EQ(find(text, "S", "after"), "still S");
  EXPECT_EQ(find(text, "x]y", "k"), "1");
}

TEST(IniRead, DoubleByteNamesAreNotCaseFolded) {
  // In code page 932 "\x83\x41" and "\x83\x61" are two different katakana
  // whose second bytes are 'A' and 'a'.
  const std::string text = "[\x83\x41]\r\nk=first\r\n[\x83\x61]\r\nk=second\r\nK\x83\x41=x\r\n";
  EXPECT_EQ(iniFindValue(text, "\x83\x61", "k", 932), "second");
  EXPECT_EQ(iniFindValue(text, "\x83\x61", "k\x83\x41", 932), "x");
  EXPECT_EQ(iniFindValue(text, "\x83\x61", "k\x83\x61", 932), std::nullopt);
  // Read as single bytes the two sections are one name.
  EXPECT_EQ(iniFindValue(text, "\x83\x61", "k", 1252), "first");
}

// --- Changing -----------------------------------------------------------------------

TEST(IniChange, ReplacingKeepsEveryOtherByte) {
  std::string text =
      "; settings\r\n"
      "[SET]\r\n"
      "  position = 10,20\r\n"
      "Other=x\r\n"
      "[LUNCHMENU]\r\n"
      "Position=0,0\r\n";
  ASSERT_EQ(iniSetValue(text, "set", "Position", "5,6"), IniEdit::Changed);
  EXPECT_EQ(text,
            "; settings\r\n"
            "[SET]\r\n"
            "position=5,6\r\n"
            "Other=x\r\n"
            "[LUNCHMENU]\r\n"
            "Position=0,0\r\n");
  // A value that already reads the same changes nothing.
  std::string same = "[S]\r\nk =  v  \r\n";
  EXPECT_EQ(iniSetValue(same, "S", "K", "v"), IniEdit::Unchanged);
  EXPECT_EQ(same, "[S]\r\nk =  v  \r\n");
  // A key without '=' gets its value.
  std::string bare = "[S]\nk\n";
  EXPECT_EQ(iniSetValue(bare, "S", "k", "1"), IniEdit::Changed);
  EXPECT_EQ(bare, "[S]\nk=1\n");
}

TEST(IniChange, NewKeysAndSections) {
  std::string text =
      "[A]\r\n"
      "x=1\r\n"
      "\r\n"
      "[B]\r\n"
      "y=2";
  // A new key goes after the section's last non-blank line.
  ASSERT_EQ(iniSetValue(text, "a", "new", "n"), IniEdit::Changed);
  EXPECT_EQ(text, "[A]\r\nx=1\r\nnew=n\r\n\r\n[B]\r\ny=2");
  // The last line had no line break: one is added before the key.
  iniSetValue(text, "B", "z", "3");
  EXPECT_EQ(text, "[A]\r\nx=1\r\nnew=n\r\n\r\n[B]\r\ny=2\r\nz=3");
  // A new section goes at the end.
  iniSetValue(text, " C ", " k ", "v");
  EXPECT_EQ(text, "[A]\r\nx=1\r\nnew=n\r\n\r\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nk=v\r\n");

  // An empty file gets CR LF.
  std::string empty;
  iniSetValue(empty, "S", "k", "v");
  EXPECT_EQ(empty, "[S]\r\nk=v\r\n");
  // An empty section takes the key right after its header.
  std::string bare = "[E]\r\n[F]\r\n";
  iniSetValue(bare, "E", "k", "v");
  EXPECT_EQ(bare, "[E]\r\nk=v\r\n[F]\r\n");
  // The section with the empty name is the part before the first header.
  std::string pre = "[A]\r\n";
  iniSetValue(pre, "", "k", "v");
  EXPECT_EQ(pre, "k=v\r\n[A]\r\n");
  iniSetValue(pre, "", "n", "w");
  EXPECT_EQ(pre, "k=v\r\nn=w\r\n[A]\r\n");
  EXPECT_TRUE(iniEraseSection(pre, ""));
  EXPECT_EQ(pre, "[A]\r\n");
  EXPECT_FALSE(iniEraseSection(pre, ""));
  // A UTF-8 mark stays in front.
  std::string marked = "\xEF\xBB\xBF";
  iniSetValue(marked, "S", "k", "v");
  EXPECT_EQ(marked, "\xEF\xBB\xBF[S]\r\nk=v\r\n");
}

TEST(IniChange, TextsThatWouldBreakTheFile) {
  const std::string original = "[S]\r\nk=v\r\n";
  std::string text = original;
  EXPECT_EQ(iniSetValue(text, "S\nX", "k", "v"), IniEdit::Refused);
  EXPECT_EQ(iniSetValue(text, "S", "a=b", "v"), IniEdit::Refused);
  EXPECT_EQ(iniSetValue(text, "S", "k\n[T]", "v"), IniEdit::Refused);
  EXPECT_EQ(iniSetValue(text, "S", "k\r[T]", "v"), IniEdit::Refused);
  EXPECT_EQ(iniSetValue(text, "S", "[T]", "v"), IniEdit::Refused);
  EXPECT_EQ(text, original);
  // A value ends at its first line break: the rest cannot pose as a section.
  EXPECT_EQ(iniSetValue(text, "S", "k", "first\r\n[EVIL]\r\nx=1"), IniEdit::Changed);
  EXPECT_EQ(text, "[S]\r\nk=first\r\n");
  EXPECT_EQ(iniFindValue(text, "EVIL", "x"), std::nullopt);
  iniSetValue(text, "S", "k", "a.kov\rarg");
  EXPECT_EQ(text, "[S]\r\nk=a.kov\r\n");
  // A section name with ']' still reads back.
  iniSetValue(text, "x]y", "k", "1");
  EXPECT_EQ(iniFindValue(text, "x]y", "k"), "1");
  // Files with LF or CR line ends get lines of their kind.
  std::string lf = "[S]\nk=1\n", cr = "[S]\rk=1\r";
  iniSetValue(lf, "S", "n", "2");
  iniSetValue(cr, "T", "n", "2");
  EXPECT_EQ(lf, "[S]\nk=1\nn=2\n");
  EXPECT_EQ(cr, "[S]\rk=1\r[T]\rn=2\r");
}

TEST(IniChange, DeletingKeysAndErasingSections) {
  std::string text =
      "[A]\r\n"
      "k=1\r\n"
      "keep=2\r\n"
      "[B]\r\n"
      "; note\r\n"
      "k=3\r\n"
      "\r\n"
      "[C]\r\n"
      "k=4";
  EXPECT_TRUE(iniDeleteKey(text, "a", "K"));
  EXPECT_EQ(text, "[A]\r\nkeep=2\r\n[B]\r\n; note\r\nk=3\r\n\r\n[C]\r\nk=4");
  EXPECT_FALSE(iniDeleteKey(text, "A", "k"));
  EXPECT_FALSE(iniDeleteKey(text, "Z", "k"));
  EXPECT_TRUE(iniDeleteKey(text, "C", "k"));
  EXPECT_EQ(text, "[A]\r\nkeep=2\r\n[B]\r\n; note\r\nk=3\r\n\r\n[C]\r\n");
  // A section goes with everything up to the next header.
  EXPECT_TRUE(iniEraseSection(text, "b"));
  EXPECT_EQ(text, "[A]\r\nkeep=2\r\n[C]\r\n");
  EXPECT_TRUE(iniEraseSection(text, "C"));
  EXPECT_EQ(text, "[A]\r\nkeep=2\r\n");
  EXPECT_FALSE(iniEraseSection(text, "C"));
}

// --- Files ----------------------------------------------------------------------------

TEST(IniFiles, MissingFiles) {
  TempFolder dir;
  FilePlatform p;
  const u16 path = dir.u("a.ini");
  IniStatus status;
  EXPECT_EQ(readIniValue(path, "S", "k", "def", p, kUtf8CodePage, &status), "def");
  EXPECT_EQ(status, IniStatus::Missing);
  // Deleting and erasing never create the file; writing does.
  EXPECT_EQ(deleteIniKey(path, "S", "k", p), IniStatus::Missing);
  EXPECT_EQ(eraseIniSection(path, "S", p), IniStatus::Missing);
  EXPECT_FALSE(dir.has("a.ini"));
  EXPECT_EQ(writeIniValue(path, "S", "k", "v", p), IniStatus::Ok);
  EXPECT_EQ(dir.get("a.ini"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(writeIniValue(path, "S", "a=b", "v", p), IniStatus::Refused);
}

TEST(IniFiles, UnreadableOrUnwritableFilesKeepTheirContent) {
  TempFolder dir;
  FilePlatform p;
  dir.put("a.ini", "[S]\r\nk=v\r\n");
  // A file that cannot be read is not overwritten by a fresh one.
  p.failReads = 100;
  EXPECT_EQ(writeIniValue(dir.u("a.ini"), "S", "other", "x", p), IniStatus::Unreadable);
  EXPECT_EQ(p.reads, 10);
  EXPECT_EQ(dir.get("a.ini"), "[S]\r\nk=v\r\n");
  p.failReads = 0;
  p.failWrites = 100;
  EXPECT_EQ(writeIniValue(dir.u("a.ini"), "S", "k", "new", p), IniStatus::WriteFailed);
  EXPECT_EQ(dir.get("a.ini"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.ini"});
}

#ifdef _WIN32
// The Windows profile functions and this implementation read each other's
// files. Wine caches profile files; a call with three null pointers empties
// the cache so that every read below sees the file as it is.

std::wstring wideOf(const u16& s) { return std::wstring(s.begin(), s.end()); }

void flushProfileCache(const std::wstring& path) {
  ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

std::wstring profileW(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  flushProfileCache(path);
  wchar_t buf[1024] = {};
  ::GetPrivateProfileStringW(section, key, L"<missing>", buf, 1024, path.c_str());
  return buf;
}

std::string profileA(const std::wstring& path, const char* section, const char* key) {
  flushProfileCache(path);
  char buf[1024] = {};
  const std::string narrow(path.begin(), path.end());  // the temp folder path is ASCII
  ::GetPrivateProfileStringA(section, key, "<missing>", buf, 1024, narrow.c_str());
  return buf;
}

TEST(IniWindowsProfile, WindowsReadsWhatWeWrite) {
  TempFolder dir;
  FilePlatform p;
  const u16 path = dir.u("ours.ini");
  const std::wstring wpath = wideOf(path);
  dir.put("ours.ini", "; comment\r\n[SET]\r\nOld=1\r\n\r\n[Gone]\r\nx=1\r\n[Last]\r\nz=9\r\n");
  writeIniValue(path, "set", "PlayHotKey", "1,2", p);
  writeIniValue(path, "SET", "Old", "  2  ", p);
  writeIniValue(path, "New", "Quoted", "\"q\"", p);
  writeIniValue(path, "New", "Latin", "caf\xE9", p, ::GetACP());
  deleteIniKey(path, "Last", "z", p);
  eraseIniSection(path, "gone", p);
  EXPECT_EQ(profileW(wpath, L"SET", L"PlayHotKey"), L"1,2");
  EXPECT_EQ(profileW(wpath, L"SET", L"old"), L"2");
  EXPECT_EQ(profileW(wpath, L"NEW", L"Quoted"), L"q");
  EXPECT_EQ(profileA(wpath, "New", "Latin"), "caf\xE9");
  EXPECT_EQ(profileW(wpath, L"Gone", L"x"), L"<missing>");
  EXPECT_EQ(profileW(wpath, L"Last", L"z"), L"<missing>");
  // UTF-8 bytes pass through the ANSI functions unchanged in code page 1252.
  if (::GetACP() == 1252) {
    writeIniValue(path, "SET", "Jp", "\xE3\x81\x82", p);
    EXPECT_EQ(profileA(wpath, "SET", "Jp"), "\xE3\x81\x82");
  }
}

TEST(IniWindowsProfile, WeReadWhatWindowsWrites) {
  TempFolder dir;
  FilePlatform p;
  const u16 path = dir.u("theirs.ini");
  const std::wstring wpath = wideOf(path);
  const std::string apath(wpath.begin(), wpath.end());
  ASSERT_TRUE(::WritePrivateProfileStringW(L"SET", L"PlayHotKey", L"1,2", wpath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"SET", L"Gone", L"x", wpath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"Other", L"Key", L"value with spaces", wpath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringA("Other", "Latin", "caf\xE9", apath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"SET", L"Gone", nullptr, wpath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"Erased", L"k", L"v", wpath.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"Erased", nullptr, nullptr, wpath.c_str()));
  flushProfileCache(wpath);
  EXPECT_EQ(readIniValue(path, "set", "playhotkey", "<missing>", p), "1,2");
  EXPECT_EQ(readIniValue(path, "SET", "Gone", "<missing>", p), "<missing>");
  EXPECT_EQ(readIniValue(path, "Other", "Key", "<missing>", p), "value with spaces");
  EXPECT_EQ(readIniValue(path, "Other", "Latin", "<missing>", p), "caf\xE9");
  EXPECT_EQ(readIniValue(path, "Erased", "k", "<missing>", p), "<missing>");
  // And the other way round on the same file.
  writeIniValue(path, "Other", "Key", "changed", p);
  EXPECT_EQ(profileW(wpath, L"Other", L"Key"), L"changed");
  EXPECT_EQ(profileW(wpath, L"SET", L"PlayHotKey"), L"1,2");
}

TEST(IniWindowsProfile, SameLinesAndNamesOnBothSides) {
  TempFolder dir;
  FilePlatform p;
  const u16 path = dir.u("same.ini");
  const std::wstring wpath = wideOf(path);
  dir.put("same.ini", "top=1\r\n[S]\r\ncr=a\rb=2\r\n q = \"x\" \r\n[ sp ]\nk=1\n[x]y]\nk=3\n[s]\nonly=dup\n");
  struct Case {
    const char* section;
    const char* key;
  };
  for (const Case c : {Case{"S", "cr"}, Case{"S", "b"}, Case{"s", "Q"}, Case{"sp", "k"}, Case{"x]y", "k"},
                       Case{"x", "k"}, Case{"S", "only"}, Case{"", "top"}}) {
    EXPECT_EQ(readIniValue(path, c.section, c.key, "<missing>", p), profileA(wpath, c.section, c.key))
        << c.section << "/" << c.key;
  }
}

TEST(IniWindowsProfile, Utf16FilesBothWays) {
  TempFolder dir;
  FilePlatform p;
  const u16 path = dir.u("wide.ini");
  const std::wstring wpath = wideOf(path);
  dir.put("wide.ini", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
  ASSERT_TRUE(::WritePrivateProfileStringW(L"S", L"k", L"\x3042", wpath.c_str()));
  flushProfileCache(wpath);
  EXPECT_EQ(readIniValue(path, "S", "k", "", p), "\xE3\x81\x82");
  ASSERT_EQ(writeIniValue(path, "S", "n", "\xE3\x81\x84", p), IniStatus::Ok);
  EXPECT_EQ(profileW(wpath, L"S", L"n"), L"\x3044");
  EXPECT_EQ(profileW(wpath, L"S", L"k"), L"\x3042");
}
#endif

}  // namespace
}  // namespace kova
