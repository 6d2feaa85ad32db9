// LOGPRINT and STOPFORM pass the script's wish to the host: the flag's
// reading (any number but 0 shows, no argument shows), one call per call,
// and the host hears that a run starts before anything of the script runs
// (the log switch lasts for one run), once per Play however often it
// repeats.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/play.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::RecordingHost;
using testing::ScriptFolder;

// Everything the forms hear, in order, with the PRINT lines among it.
class FormsHost : public RecordingHost {
 public:
  FormsHost() {
    onPrint = [this](const u16& line) { events.push_back("print " + toUtf8(line)); };
  }
  void runStarting() override { events.push_back("run"); }
  void setLogVisible(bool show) override { events.push_back(show ? "log on" : "log off"); }
  void setStopFormVisible(bool show) override { events.push_back(show ? "stop shown" : "stop hidden"); }
  std::vector<std::string> events;
};

TEST(FormSwitches, TheFlagReachesTheHostAsTheScriptSaidIt) {
  FormsHost host;
  const testing::RunResult r =
      testing::runScript({{"main.kov",
                           "PRINT \"a\"\n"
                           "LOGPRINT(FALSE)\n"
                           "PRINT \"b\"\n"
                           "LOGPRINT(TRUE)\n"
                           "LOGPRINT()\n"  // no argument: show
                           "LOGPRINT(0)\n"
                           "LOGPRINT(-1)\n"  // any number but 0 shows
                           "LOGPRINT(0.5)\n"
                           "LOGPRINT(1 = 2, 10, 10, 300, 200)\n"  // further arguments change nothing
                           "STOPFORM(FALSE)\n"
                           "STOPFORM(TRUE)\n"
                           "STOPFORM()\n"
                           "x = LOGPRINT(TRUE)\n"
                           "PRINT \"[\" + x + \"]\"\n"}},
                         {}, Language::English, &host);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(host.events, (std::vector<std::string>{"run", "print a", "log off", "print b", "log on", "log on",
                                                   "log off", "log on", "log on", "log off", "stop hidden",
                                                   "stop shown", "stop shown", "log on", "print []"}));
}

// A text that is no number is refused before the host hears anything, in
// a TRY as any argument error is.
TEST(FormSwitches, ATextFlagIsAnArgumentError) {
  FormsHost host;
  const testing::RunResult r = testing::runScript(
      {{"main.kov", "TRY\n  LOGPRINT(\"yes\")\nEXCEPT\n  PRINT \"refused\"\nENDTRY\nSTOPFORM(\"1\")\n"}}, {},
      Language::English, &host);
  EXPECT_EQ(r.exitCode, 0);
  // A text that reads as a number is that number.
  EXPECT_EQ(host.events, (std::vector<std::string>{"run", "print refused", "stop shown"}));
}

// Every Play is a run of its own; the repetitions of one Play (-R<n>) are
// not: the host hears of the start once, before the first repetition.
TEST(FormSwitches, TheHostHearsOfEachRunOnce) {
  ScriptFolder folder;
  folder.write("main.kov", "PRINT \"pass\"\nLOGPRINT(FALSE)\n");
  FormsHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  ASSERT_TRUE(player.load(folder.widePath("main.kov"), launch));
  launch.repeat = 2;
  EXPECT_EQ(player.play(launch), 0);
  launch.repeat = 1;
  EXPECT_EQ(player.play(launch), 0);
  EXPECT_EQ(host.events, (std::vector<std::string>{"run", "print pass", "log off", "print pass", "log off",
                                                   "run", "print pass", "log off"}));
}

}  // namespace
}  // namespace kova
