#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/native/native_platform.h"
#endif

namespace kova {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system temp folder, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("kova-platform-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  u16 u(const fs::path& relative = {}) const { return (relative.empty() ? path_ : path_ / relative).u16string(); }
  void write(const fs::path& relative, const std::string& content) const {
    fs::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << content;
  }

 private:
  fs::path path_;
};

// Restores the current directory when a test changes it.
class CwdGuard {
 public:
  CwdGuard() : saved_(fs::current_path()) {}
  ~CwdGuard() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

Platform& P() { return hostPlatform(); }

// --- Files and folders (both builds) -------------------------------------------

TEST(PlatformFiles, ExistenceAndReading) {
  TempDir dir;
  const std::string binary("A\0\r\n\xFF\x80" "end", 9);
  dir.write("data.bin", binary);
  dir.write("empty.txt", "");
  fs::create_directories(dir.path() / "folder");

  EXPECT_TRUE(P().fileExists(dir.u("data.bin")));
  EXPECT_FALSE(P().directoryExists(dir.u("data.bin")));
  EXPECT_TRUE(P().directoryExists(dir.u("folder")));
  EXPECT_FALSE(P().fileExists(dir.u("folder")));
  EXPECT_FALSE(P().fileExists(dir.u("missing.txt")));
  EXPECT_FALSE(P().directoryExists(dir.u("missing")));
  EXPECT_FALSE(P().fileExists(u""));

  EXPECT_EQ(P().readFileBytes(dir.u("data.bin")), binary);
  const auto empty = P().readFileBytes(dir.u("empty.txt"));
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(P().readFileBytes(dir.u("folder")).has_value());
  EXPECT_FALSE(P().readFileBytes(dir.u("missing.txt")).has_value());
}

TEST(PlatformFiles, BackslashPathsAndNonAsciiNames) {
  TempDir dir;
  dir.write(fs::path(u"\u65E5\u672C") / u"\u30C6\u30B9\u30C8.kov", "x");
  u16 path = dir.u() + u"\\\u65E5\u672C\\\u30C6\u30B9\u30C8.kov";
  EXPECT_TRUE(P().fileExists(path));
  EXPECT_EQ(P().readFileBytes(path), "x");
}

TEST(PlatformFiles, CurrentDirectory) {
  CwdGuard guard;
  TempDir dir;
  fs::create_directories(dir.path() / "sub");
  ASSERT_TRUE(P().setCurrentDirectory(dir.u()));
  EXPECT_TRUE(fs::equivalent(fs::path(P().currentDirectory()), dir.path()));
  ASSERT_TRUE(P().setCurrentDirectory(u"sub"));  // relative to the new current folder
  EXPECT_TRUE(fs::equivalent(fs::path(P().currentDirectory()), dir.path() / "sub"));
  EXPECT_FALSE(P().setCurrentDirectory(dir.u("no-such-folder")));
  EXPECT_FALSE(P().setCurrentDirectory(u""));
  EXPECT_TRUE(fs::equivalent(fs::path(P().currentDirectory()), dir.path() / "sub"));
}

struct DosTime {
  int year, month, day, hour, minute, second;
};

DosTime unpack(uint32_t v) {
  return {int(v >> 25) + 1980, int(v >> 21) & 15, int(v >> 16) & 31, int(v >> 11) & 31, int(v >> 5) & 63, int(v & 31) * 2};
}

TEST(PlatformFiles, DosTimeOfANewFileIsNowInLocalTime) {
  TempDir dir;
  dir.write("now.txt", "x");
  const std::time_t now = std::time(nullptr);
  const auto packed = P().fileDosTime(dir.u("now.txt"));
  ASSERT_TRUE(packed.has_value());
  const DosTime t = unpack(*packed);
  ASSERT_GE(t.month, 1);
  ASSERT_LE(t.month, 12);
  ASSERT_GE(t.day, 1);
  ASSERT_LE(t.hour, 23);
  ASSERT_LE(t.minute, 59);
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  EXPECT_LT(std::abs(std::difftime(std::mktime(&tm), now)), 120.0);
  EXPECT_FALSE(P().fileDosTime(dir.u("missing.txt")).has_value());
}

// --- Code pages (both builds) -------------------------------------------------------

TEST(PlatformCodePages, Cp932RoundTripsJapaneseAndHalfWidthKatakana) {
  const u16 text = u"\u65E5\u672C\u8A9E\u3068\u30AB\u30BF\u30AB\u30CA\u3001\uFF76\uFF80\uFF76\uFF85 ABC\\~";
  const std::string sjis =
      "\x93\xFA\x96\x7B\x8C\xEA\x82\xC6\x83\x4A\x83\x5E\x83\x4A\x83\x69\x81\x41\xB6\xC0\xB6\xC5 ABC\\~";
  bool lossless = false;
  EXPECT_EQ(P().wideToCodePage(932, text, &lossless), sjis);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(P().codePageToWide(932, sjis), text);
  // Microsoft's table: 0x8160 is FULLWIDTH TILDE, 0x815F FULLWIDTH REVERSE
  // SOLIDUS, and the NEC row 13 and IBM extensions decode.
  EXPECT_EQ(P().codePageToWide(932, "\x81\x60\x81\x5F\x87\x40\xFA\x40\xF0\x40"), u"\uFF5E\uFF3C\u2460\u2170\uE000");
  EXPECT_EQ(P().codePageToWide(932, "\x80\xA0\xFD\xFE\xFF"), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
  EXPECT_EQ(P().wideToCodePage(932, u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"), "\x80\xA0\xFD\xFE\xFF");
}

TEST(PlatformCodePages, Cp932UnmappableCharactersBecomeQuestionMarks) {
  bool lossless = true;
  // No look-alikes: yen sign, overline, wave dash, cent sign; é; an emoji is
  // two code units and so two marks.
  EXPECT_EQ(P().wideToCodePage(932, u"a\u00A5\u203E\u301C\u00A2\u00E9\U0001F600b", &lossless), "a???????b");
  EXPECT_FALSE(lossless);
  lossless = true;
  EXPECT_EQ(P().wideToCodePage(932, u"x\xD800y", &lossless), "x?y");
  EXPECT_FALSE(lossless);
  // A truncated double-byte character yields one replacement character.
  const u16 cut = P().codePageToWide(932, "a\x82");
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], u'a');
  EXPECT_NE(cut[1], u'\x82');
}

// Long texts with unmappable characters spread through them cross every
// internal buffer of the conversion, at odd offsets.
TEST(PlatformCodePages, LongTextsConvertCompletely) {
  u16 text;
  std::string expected;
  for (int i = 0; i < 40000; ++i) {
    if (i % 997 == 0) {
      text += u"\u00E9";
      expected += "?";
    } else if (i % 3 == 0) {
      text += u"\u3042";
      expected += "\x82\xA0";
    } else {
      text += char16_t(u'a' + i % 26);
      expected += char('a' + i % 26);
    }
  }
  bool lossless = true;
  const std::string encoded = P().wideToCodePage(932, text, &lossless);
  EXPECT_FALSE(lossless);
  ASSERT_EQ(encoded, expected);
  u16 back = text;
  for (auto& c : back)
    if (c == u'\u00E9') c = u'?';
  EXPECT_EQ(P().codePageToWide(932, encoded), back);
}

TEST(PlatformCodePages, Cp1252MatchesWindows) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  const u16 decoded = P().codePageToWide(1252, all);
  ASSERT_EQ(decoded.size(), 256u);
  EXPECT_EQ(decoded[0x80], u'\u20AC');
  EXPECT_EQ(decoded[0x9F], u'\u0178');
  for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(decoded[b], char16_t(b)) << b;
  bool lossless = false;
  EXPECT_EQ(P().wideToCodePage(1252, decoded, &lossless), all);
  EXPECT_TRUE(lossless);
  // No best fit: U+0100 does not become 'A'.
  EXPECT_EQ(P().wideToCodePage(1252, u"\u0100\u3042", &lossless), "??");
  EXPECT_FALSE(lossless);
}

TEST(PlatformCodePages, Utf8EmptyAndUnknownCodePages) {
  bool lossless = false;
  EXPECT_EQ(P().wideToCodePage(65001, u"\u00E9\U0001F600", &lossless), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_TRUE(lossless);
  EXPECT_EQ(P().wideToCodePage(65001, u"a\xDC00", &lossless), "a\xEF\xBF\xBD");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(P().codePageToWide(65001, "\xC3\xA9\xC3"), u"\u00E9\uFFFD");

  EXPECT_EQ(P().codePageToWide(932, ""), u"");
  EXPECT_EQ(P().wideToCodePage(932, u"", &lossless), "");
  EXPECT_TRUE(lossless);

  // A code page the system does not know converts like the ANSI code page.
  EXPECT_EQ(P().codePageToWide(12345, "abc"), u"abc");
  EXPECT_EQ(P().wideToCodePage(12345, u"abc", &lossless), "abc");
  EXPECT_EQ(P().ansiToWide("abc"), u"abc");
}

// --- Time and threads (both builds) --------------------------------------------------

TEST(PlatformTime, TickCountIsInMilliseconds) {
  const uint32_t before = P().tickCount();
  P().sleepMs(60);
  const uint32_t elapsed = P().tickCount() - before;  // unsigned: correct across a wrap
  EXPECT_GE(elapsed, 40u);
  EXPECT_LT(elapsed, 5000u);
  P().yieldTimeSlice();
  P().processMessages();  // nothing pending: must return at once
}

TEST(PlatformTime, CoarseTickCountIsTheSameClockInMilliseconds) {
  // Behind the fine count by at most a timer tick (Windows: about 16 ms;
  // Linux: up to 10 ms), never ahead of it, and advancing with it.
  const uint32_t fine = P().tickCount();
  const uint32_t coarse = P().coarseTickCount();
  const uint32_t fineAfter = P().tickCount();
  EXPECT_LE(static_cast<int32_t>(coarse - fineAfter), 0);
  EXPECT_LT(static_cast<int32_t>(fine - coarse), 50);
  P().sleepMs(60);
  const uint32_t elapsed = P().coarseTickCount() - coarse;
  EXPECT_GE(elapsed, 40u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(PlatformTime, ThreadIdsAreStableAndDistinct) {
  const uint64_t mine = P().currentThreadId();
  EXPECT_EQ(P().currentThreadId(), mine);
  uint64_t other = mine;
  std::thread([&] { other = P().currentThreadId(); }).join();
  EXPECT_NE(other, mine);
}

#ifdef _WIN32

// --- Windows only ------------------------------------------------------------------

// Paths past MAX_PATH need the "\\?\" form inside the implementation.
TEST(WinPlatform, LongPathsWork) {
  TempDir dir;
  u16 path = u"\\\\?\\" + dir.u();
  for (int i = 0; i < 6; ++i) {
    path += u"\\" + u16(60, char16_t(u'a' + i));
    ASSERT_TRUE(::CreateDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr));
  }
  const u16 plain = path.substr(4) + u"\\f.txt";
  ASSERT_GT(plain.size(), size_t(MAX_PATH));
  const u16 full = path + u"\\f.txt";
  HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(full.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(h, "long", 4, &written, nullptr);
  ::CloseHandle(h);
  EXPECT_TRUE(P().fileExists(plain));
  EXPECT_EQ(P().readFileBytes(plain), "long");
  EXPECT_TRUE(P().fileDosTime(plain).has_value());
}

TEST(WinPlatform, ReadingAFileLockedForWritingFails) {
  TempDir dir;
  dir.write("locked.txt", "x");
  const u16 path = dir.u("locked.txt");
  HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(P().readFileBytes(path).has_value());
  ::CloseHandle(h);
  EXPECT_EQ(P().readFileBytes(path), "x");
}

#else

// --- Native only -------------------------------------------------------------------

// Sets an environment variable for the life of the object.
class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~EnvGuard() {
    if (saved_) ::setenv(name_.c_str(), saved_->c_str(), 1);
    else ::unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

class NativePaths : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("Sub/Script.kov", "sub");
    dir.write("\xC3\x84rger.txt", "umlaut");                        // Ärger.txt
    dir.write("\xEF\xBD\x86\xEF\xBD\x95\xEF\xBD\x8C\xEF\xBD\x8C.kov", "full");  // ｆｕｌｌ.kov
    dir.write("\xCE\xB1\xCE\xB2\xCE\xB3/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.kov", "greek-cyrillic");  // αβγ/файл.kov
    dir.write("stra\xC3\x9F" "e.txt", "sharp s");                   // straße.txt
    dir.write("Twin/abc", "lower");
    dir.write("Twin/ABC", "upper");
    dir.write("Twin/Abc", "mixed");
  }
  std::string root() const { return dir.path().string(); }
  std::string resolve(const std::string& windowsForm) {
    return native::mapPath(dir.u() + u"\\" + fromUtf8(windowsForm));
  }

  TempDir dir;
};

TEST_F(NativePaths, ComponentsMatchWithoutCase) {
  EXPECT_EQ(resolve("SUB\\SCRIPT.KOV"), root() + "/Sub/Script.kov");
  EXPECT_EQ(resolve("sub/script.kov"), root() + "/Sub/Script.kov");
  EXPECT_EQ(resolve("\xC3\x84RGER.TXT"), root() + "/\xC3\x84rger.txt");       // ÄRGER.TXT
  EXPECT_EQ(resolve("\xEF\xBC\xA6\xEF\xBC\xB5\xEF\xBC\xAC\xEF\xBC\xAC.KOV"),  // ＦＵＬＬ.KOV
            root() + "/\xEF\xBD\x86\xEF\xBD\x95\xEF\xBD\x8C\xEF\xBD\x8C.kov");
  EXPECT_EQ(resolve("\xCE\x91\xCE\x92\xCE\x93\\\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B.KOV"),  // ΑΒΓ\ФАЙЛ.KOV
            root() + "/\xCE\xB1\xCE\xB2\xCE\xB3/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.kov");
  // ß has no simple upper-case form: "STRASSE" is another name.
  EXPECT_EQ(resolve("STRA\xC3\x9F" "E.TXT"), root() + "/stra\xC3\x9F" "e.txt");
  EXPECT_EQ(resolve("STRASSE.TXT"), root() + "/STRASSE.TXT");
}

TEST_F(NativePaths, ExactNamesWinAndTiesAreDeterministic) {
  EXPECT_EQ(resolve("TWIN\\abc"), root() + "/Twin/abc");
  EXPECT_EQ(resolve("TWIN\\Abc"), root() + "/Twin/Abc");
  EXPECT_EQ(resolve("TWIN\\aBC"), root() + "/Twin/ABC");  // byte-wise smallest of the three
  EXPECT_EQ(P().readFileBytes(dir.u() + u"\\twin\\aBc"), "upper");
}

TEST_F(NativePaths, MissingPartsAndSeparators) {
  EXPECT_EQ(resolve("SUB\\NOPE\\X.KOV"), root() + "/Sub/NOPE/X.KOV");
  EXPECT_EQ(resolve("SUB\\SCRIPT.KOV\\MORE"), root() + "/Sub/Script.kov/MORE");
  EXPECT_EQ(resolve("SUB\\\\SCRIPT.KOV"), root() + "/Sub/Script.kov");
  EXPECT_EQ(resolve("SUB\\"), root() + "/Sub/");
  EXPECT_EQ(resolve("SUB\\..\\SUB\\SCRIPT.KOV"), root() + "/Sub/../Sub/Script.kov");
  EXPECT_EQ(native::toPosixPath(u"C:\\dir\\f.kov"), "C:/dir/f.kov");
  EXPECT_EQ(native::mapPath(u""), "");
}

TEST_F(NativePaths, RelativePathsResolveAgainstTheCurrentDirectory) {
  CwdGuard guard;
  ASSERT_TRUE(P().setCurrentDirectory(dir.u()));
  EXPECT_EQ(native::mapPath(u"SUB\\SCRIPT.KOV"), "Sub/Script.kov");
  EXPECT_TRUE(P().fileExists(u"SUB\\SCRIPT.KOV"));
  EXPECT_TRUE(P().directoryExists(u"sUb"));
  EXPECT_EQ(P().readFileBytes(u"sub\\script.KOV"), "sub");
  EXPECT_TRUE(P().fileDosTime(u"SUB\\SCRIPT.KOV").has_value());
  ASSERT_TRUE(P().setCurrentDirectory(u"SUB"));
  EXPECT_EQ(P().readFileBytes(u"SCRIPT.KOV"), "sub");
}

TEST(NativePlatform, DosTimePacking) {
  TempDir dir;
  dir.write("t.txt", "x");
  EnvGuard tz("TZ", "UTC");  // the platform must notice a changed TZ by itself
  const std::string path = dir.path().string() + "/t.txt";
  auto setTime = [&](std::time_t t) {
    timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  setTime(1615717231);  // 2021-03-14 10:20:31 UTC: odd seconds round down
  EXPECT_EQ(P().fileDosTime(dir.u("t.txt")), 0x526E528Fu);
  setTime(315532800);  // 1980-01-01 00:00:00, the first DOS instant
  EXPECT_EQ(P().fileDosTime(dir.u("t.txt")), 0x00210000u);
  setTime(315532799);  // one second earlier
  EXPECT_FALSE(P().fileDosTime(dir.u("t.txt")).has_value());
  {
    EnvGuard east("TZ", "JST-9");
    setTime(1615717231);  // 19:20:31 in Tokyo
    EXPECT_EQ(P().fileDosTime(dir.u("t.txt")), 0x526E9A8Fu);
  }
}

TEST(NativePlatform, LocaleEnvironmentSelectsJapanese) {
  EnvGuard all("LC_ALL", "ja_JP.UTF-8");
  EnvGuard ctype("LC_CTYPE", "C");
  EnvGuard lang("LANG", "en_US.UTF-8");
  EXPECT_EQ(P().ansiCodePage(), 932u);
  EXPECT_TRUE(P().systemLanguageIsJapanese());
  EXPECT_EQ(P().ansiToWide("\x82\xA0"), u"\u3042");
  {
    EnvGuard noAll("LC_ALL", "");  // empty counts as unset: LC_CTYPE decides
    EXPECT_EQ(P().ansiCodePage(), 1252u);
    EXPECT_FALSE(P().systemLanguageIsJapanese());
    EXPECT_EQ(P().ansiToWide("\x82\xA0"), u"\u201A\u00A0");
  }
  EnvGuard noAll("LC_ALL", nullptr);
  EnvGuard noCtype("LC_CTYPE", nullptr);
  EnvGuard japaneseLang("LANG", "ja");
  EXPECT_EQ(P().ansiCodePage(), 932u);
  EXPECT_FALSE(P().messagesPending());
}

#endif

}  // namespace
}  // namespace kova
