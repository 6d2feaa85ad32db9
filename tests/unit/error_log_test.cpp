// The error reporter's log: modes, the line limit, the 64000-character cut,
// the path rules and the hidden SyntaxError numbers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/script_log.h"
#include "script_test_support.h"
#include "util/date_time.h"

namespace kova {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A host whose program file lives in a test folder, so the log is written
// next to it, with settings taken from a map.
class LoggingHost : public testing::RecordingHost {
 public:
  u16 program;
  std::map<u16, u16> settings;
  u16 readSetting(const u16&, const u16& key) override {
    auto it = settings.find(key);
    return it == settings.end() ? u16() : it->second;
  }
  u16 programFilePath() override { return program; }
};

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int runWithHost(LoggingHost& host, const testing::ScriptFolder& folder, const std::string& script) {
  folder.write("main.kov", script);
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  if (!player.load(folder.widePath("main.kov"), launch)) return -1;
  return player.play(launch);
}

TEST(ErrorLog, ErrorsAreLoggedWithTheirNumbersAndShownWithout) {
  testing::ScriptFolder folder;
  LoggingHost host;
  host.program = folder.widePath("kovatest.exe");
  // "x = " is found by the pre-run check as SyntaxError-104.
  EXPECT_EQ(runWithHost(host, folder, "option logfile=2\nx = \n"), 1);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0], "SyntaxError\rat line 2: X =");
  const std::string log = readFile(folder.path("KOVATEST.LOG"));
  EXPECT_EQ(log, "SyntaxError-104\rat line 2: X =\r\n");
}

TEST(ErrorLog, ModesAndPathOption) {
  testing::ScriptFolder folder;
  LoggingHost host;
  host.program = folder.widePath("k.exe");
  const std::string logPath = folder.path("custom.log").string();
  runWithHost(host, folder, "option logpath=\"" + logPath + "\", logfile=3\nx = y\n");
  const std::string withSeconds = readFile(logPath);
  // "yy/mm/dd hh:nn:ss  " then the text.
  ASSERT_GE(withSeconds.size(), 19u);
  EXPECT_EQ(withSeconds[2], '/');
  EXPECT_EQ(withSeconds[14], ':');
  EXPECT_EQ(withSeconds.substr(17, 2), "  ");
  EXPECT_THAT(withSeconds, HasSubstr("It isn't defined: Y"));

  LoggingHost off;
  off.program = folder.widePath("off.exe");
  runWithHost(off, folder, "option logfile=1\nx = y\n");
  EXPECT_FALSE(std::filesystem::exists(folder.path("OFF.LOG")));
}

TEST(ErrorLog, LogAppendsToTheExistingFileUnlessANewLogIsAsked) {
  testing::ScriptFolder folder;
  LoggingHost host;
  host.program = folder.widePath("app.exe");
  folder.write("APP.LOG", "old line\r\n");
  runWithHost(host, folder, "option logfile=2\nx = y\n");
  EXPECT_EQ(readFile(folder.path("APP.LOG")), "old line\r\nIt isn't defined: Y\rat line 2: X = Y\r\n");
  LoggingHost fresh;
  fresh.program = folder.widePath("app.exe");
  runWithHost(fresh, folder, "option logfile=6\nx = z\n");
  EXPECT_EQ(readFile(folder.path("APP.LOG")), "It isn't defined: Z\rat line 2: X = Z\r\n");
}

TEST(ScriptLog, LimitsAndStamps) {
  EXPECT_EQ(ScriptLog::maxLinesFromSetting(u"0"), 2000);
  EXPECT_EQ(ScriptLog::maxLinesFromSetting(u"abc"), 2000);
  EXPECT_EQ(ScriptLog::maxLinesFromSetting(u"50000"), 32000);
  EXPECT_EQ(ScriptLog::maxLinesFromSetting(u"300, 1"), 300);

  ScriptLog log;
  log.setMode(2);
  log.setMaxLines(3);
  for (int i = 0; i < 5; ++i) log.logLine(toU16(i), 0, nullptr);
  EXPECT_THAT(log.lines(), ElementsAre(u"2", u"3", u"4"));
  log.logLine(u16(70000, u'x'), 0, nullptr);
  EXPECT_EQ(log.lines().back().size(), 64003u);
  EXPECT_EQ(log.lines().back().substr(63998), u"xx...");

  DateParts p;
  p.year = 2026;
  p.month = 12;
  p.day = 8;
  p.hour = 9;
  p.minute = 5;
  p.second = 7;
  EXPECT_EQ(formatLogStamp(makeDateTime(p), false), u"26/12/08 09:05");
  EXPECT_EQ(formatLogStamp(makeDateTime(p), true), u"26/12/08 09:05:07");
}

TEST(DateTime, RoundTripsAndWeekdays) {
  DateParts p;
  p.year = 2024;
  p.month = 2;
  p.day = 29;
  p.hour = 23;
  p.minute = 59;
  p.second = 59;
  p.millisecond = 999;
  const DateParts back = splitDateTime(makeDateTime(p));
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.millisecond, 999);
  EXPECT_EQ(back.weekday, 4);  // a Thursday
  DateParts sunday;
  sunday.year = 2026;
  sunday.month = 12;
  sunday.day = 6;
  EXPECT_EQ(splitDateTime(makeDateTime(sunday)).weekday, 0);
  EXPECT_EQ(makeDateTime(DateParts{}), 0.0);  // 1899-12-30
}

}  // namespace
}  // namespace kova
