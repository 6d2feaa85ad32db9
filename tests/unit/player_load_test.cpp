// Loading a script given on a command line: the ".KOV" rule and what a
// user is told when the file is not there.

#include <gtest/gtest.h>

#include "app/play.h"
#include "script_test_support.h"

namespace kova {
namespace {

using testing::RecordingHost;
using testing::ScriptFolder;

TEST(PlayerLoad, TheExtensionIsPutOnAndTheGivenPathIsNamedWhenMissing) {
  ScriptFolder f;
  f.write("hello.kov", "PRINT 1\n");
  RecordingHost host;
  Player player(hostPlatform(), host);
  ScriptLaunch launch;
  // "hello" finds hello.kov, also where file names tell case apart.
  ASSERT_TRUE(player.load(f.widePath("hello"), launch));
  EXPECT_TRUE(hostPlatform().fileExists(launch.path));
  ASSERT_TRUE(player.load(f.widePath("hello.txt"), launch));

  EXPECT_FALSE(player.load(f.widePath("nothere"), launch));
  ASSERT_EQ(host.messages.size(), 1u);
  const std::string& m = host.messages[0];
  EXPECT_EQ(m.rfind("FILE Not Found :", 0), 0u) << m;
  EXPECT_NE(m.find("nothere.KOV\r(the path given, "), std::string::npos) << m;
  EXPECT_NE(m.find("nothere, with the extension .KOV)"), std::string::npos) << m;
  // A path with ".KOV" in it is taken as it is.
  EXPECT_FALSE(player.load(f.widePath("gone.kov"), launch));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].find("(the path given"), std::string::npos) << host.messages[1];
}

}  // namespace
}  // namespace kova
