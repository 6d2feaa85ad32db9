// The shell's tool programs, the launch menu's place and the record a
// re-execution carries over.

#include <gtest/gtest.h>

#include "app/shell/restart_record.h"
#include "app/shell/tool_programs.h"

namespace kova::shell {
namespace {

TEST(ToolPrograms, TheCurrentScriptIsPassedOnlyWhenItExists) {
  const ToolLaunch converter = toolLaunch(ToolProgram::kKov2Exe, u"C:\\K\\", u"C:\\s\\a b.kov", true);
  EXPECT_EQ(converter.program, u"C:\\K\\Kov2Exe.exe");
  EXPECT_EQ(converter.commandLine, u"\"C:\\K\\Kov2Exe.exe\" /O \"C:\\s\\a b.kov\"");
  EXPECT_EQ(toolLaunch(ToolProgram::kDebugger, u"C:\\K\\", u"C:\\s\\a.kov", true).commandLine,
            u"\"C:\\K\\kovdbg.exe\" \"C:\\s\\a.kov\"");
  EXPECT_EQ(toolLaunch(ToolProgram::kDebugger, u"C:\\K\\", u"C:\\s\\a.kov", false).commandLine,
            u"\"C:\\K\\kovdbg.exe\"");
  EXPECT_EQ(toolLaunch(ToolProgram::kWebRec, u"C:\\K\\", u"C:\\s\\a.kov", true).commandLine,
            u"\"C:\\K\\WebRec.exe\"");
}

TEST(LaunchMenuPlace, NegativeMeansCursorZeroMeansCentre) {
  const Point cursor{11, 22}, centre{400, 300};
  EXPECT_EQ(launchMenuPoint(u"-1,-1", cursor, centre).x, 11);
  EXPECT_EQ(launchMenuPoint(u"0,0", cursor, centre).x, 400);
  const Point at = launchMenuPoint(u"120, 80", cursor, centre);
  EXPECT_EQ(at.x, 120);
  EXPECT_EQ(at.y, 80);
  // One negative coordinate is a point like any other.
  EXPECT_EQ(launchMenuPoint(u"-5,80", cursor, centre).x, -5);
  // Nothing usable stored: the middle of the screen.
  EXPECT_EQ(launchMenuPoint(u"", cursor, centre).y, 300);
  EXPECT_EQ(launchMenuPoint(u"abc", cursor, centre).y, 300);
}

TEST(RestartRecord, RoundTripsCommasInTheLaunchTextAndTheCaption) {
  RestartRecord r;
  r.playAgain = true;
  r.left = -10;
  r.top = 20;
  r.width = 420;
  r.height = 240;
  r.logCaption = u"log, mine";
  r.launchText = u"C:\\a,b\\s.KOV\rone,two";
  const std::optional<RestartRecord> back = parseRestartRecord(formatRestartRecord(r));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->playAgain);
  EXPECT_EQ(back->left, -10);
  EXPECT_EQ(back->height, 240);
  EXPECT_EQ(back->logCaption, u"log\uFF0C mine");
  EXPECT_EQ(back->launchText, r.launchText);
}

TEST(RestartRecord, ForeignTextIsNoRecord) {
  EXPECT_FALSE(parseRestartRecord(u""));
  EXPECT_FALSE(parseRestartRecord(u"1,2,3"));
  EXPECT_FALSE(parseRestartRecord(u"x,1,2,3,4,c,s"));
  const std::optional<RestartRecord> bare = parseRestartRecord(u"0,1,2,3,4,cap");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->logCaption, u"cap");
  EXPECT_TRUE(bare->launchText.empty());
}

}  // namespace
}  // namespace kova::shell
