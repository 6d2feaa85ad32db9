// The settings the shell puts in place at start, in a real settings file.

#include "app/shell/startup_settings.h"

#include <gtest/gtest.h>

#include "file_platform_fake.h"

namespace kova::shell {
namespace {

using kova::testing::FilePlatform;
using kova::testing::TempFolder;

struct StartupSettings : ::testing::Test {
  TempFolder dir;
  FilePlatform p;
  StartupSettings() {
    kova::testing::fs::create_directories(dir.path() / "exe");
    p.cwd = dir.u("exe");
  }
  SettingsFile make() { return SettingsFile(p, dir.u("exe"), u"kova.exe"); }
};

TEST_F(StartupSettings, MissingKeysGetTheirDefaultsAndStoredOnesStay) {
  SettingsFile s = make();
  s.write(u"SET", u"PlayHotKey", u"5,1");
  s.write(u"SET", u"LogLines", u"200");
  StartupFacts facts;
  facts.primary = ScreenBox{0, 0, 1024, 768};
  writeStartupDefaults(s, facts);
  EXPECT_EQ(s.read(u"SET", u"PlayHotKey"), u"5,1");
  EXPECT_EQ(s.read(u"SET", u"StopHotKey"), u"2,2");
  EXPECT_EQ(s.read(u"SET", u"TrayHotKey"), u"14,5");
  EXPECT_EQ(s.read(u"SET", u"LunchMenuHotKey"), u"14,0");
  EXPECT_EQ(s.read(u"SET", u"Position"), u"784,628");
  EXPECT_EQ(s.read(u"SET", u"NotMultiplex"), u"0");
  EXPECT_EQ(s.read(u"SET", u"LogLines"), u"2000");  // the old default raised
  EXPECT_EQ(s.read(u"SET", u"DefaultFont"), u",");
  EXPECT_EQ(s.read(u"LUNCHMENU", u"Position"), u"0,0");
  EXPECT_EQ(s.read(u"SCHEDULE", u"MaxNumber"), u"40");
  EXPECT_EQ(s.read(u"LUNCHMENU", u"T1"), u"");  // not a first run
  s.write(u"SET", u"LogLines", u"500");
  writeStartupDefaults(s, facts);
  EXPECT_EQ(s.read(u"SET", u"LogLines"), u"500");
}

TEST_F(StartupSettings, AFirstJapaneseRunOffersTheSample) {
  SettingsFile s = make();
  StartupFacts facts;
  facts.firstRun = true;
  facts.japanese = true;
  facts.exeFolder = u"C:\\KOVA\\";
  facts.fileExists = [](const u16& path) { return path == u"C:\\KOVA\\sample\\サンプル.KOV"; };
  writeStartupDefaults(s, facts);
  EXPECT_EQ(s.read(u"LUNCHMENU", u"T1"), u"サンプル");
  EXPECT_EQ(s.read(u"LUNCHMENU", u"S1"), u".\\sample\\サンプル.KOV");
}

TEST(MainWindowPlace, StoredPositionsStayOnTheDesktop) {
  const ScreenBox desk{0, 0, 1000, 800};
  const Place fallback{10, 20};
  auto at = [&](u16v stored) {
    const Place p = mainWindowPlace(stored, fallback, 200, 100, desk);
    return std::pair<int, int>{p.left, p.top};
  };
  EXPECT_EQ(at(u"300,400"), (std::pair<int, int>{300, 400}));
  EXPECT_EQ(at(u"300 400"), (std::pair<int, int>{300, 400}));
  EXPECT_EQ(at(u"-5000,99999"), (std::pair<int, int>{-100, 750}));
  EXPECT_EQ(at(u"abc,400"), (std::pair<int, int>{10, 400}));
  EXPECT_EQ(at(u",400"), (std::pair<int, int>{10, 400}));
  EXPECT_EQ(at(u""), (std::pair<int, int>{10, 20}));
  EXPECT_EQ(at(u"99999999999,1"), (std::pair<int, int>{10, 1}));
}

}  // namespace
}  // namespace kova::shell

#include "app/shell/log_lines.h"

namespace kova::shell {
namespace {

TEST(LogWindow, TheLineListAndItsLimit) {
  EXPECT_EQ(logLineLimit(u"500"), 500);
  EXPECT_EQ(logLineLimit(u"abc"), 2000);
  EXPECT_EQ(logLineLimit(u"0"), 2000);
  EXPECT_EQ(logLineLimit(u"99999,1"), 32000);
  EXPECT_EQ(logLineLimit(u""), 2000);
  LogLines log(20);
  int replaced = 0;
  for (int i = 1; i <= 45; ++i) {
    if (log.add(u"line " + toU16(static_cast<int64_t>(i))) == LogLines::Show::kReplace) ++replaced;
  }
  // The window's text is replaced by the list whenever it holds more than
  // 22 lines (limit + a tenth): at lines 23, 26, ..., 44. The list keeps
  // the last 20.
  EXPECT_EQ(replaced, 8);
  EXPECT_EQ(log.lines().size(), 20u);
  EXPECT_EQ(log.lines().front(), u"line 26");
  LogLines two(2);
  two.add(u"");
  two.add(u"b");
  EXPECT_EQ(two.text(), u"\r\nb");
}

TEST(LogWindow, ItStaysOnTheDesktop) {
  const ScreenBox desk{0, 0, 1000, 800};
  const Place p = logWindowPlace({-900, -50}, 400, desk);
  EXPECT_EQ(p.left, -200);
  EXPECT_EQ(p.top, 0);
  const Place q = logWindowPlace({5000, 5000}, 400, desk);
  EXPECT_EQ(q.left, 940);
  EXPECT_EQ(q.top, 740);
}

}  // namespace
}  // namespace kova::shell
