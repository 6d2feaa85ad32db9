// The executor's message pump: window messages are dispatched before a
// statement only when the platform says some are waiting, and a stop
// request raised by a message handler (the stop button, the stop hotkey)
// ends even a tight loop before its next statement.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "file_platform_fake.h"
#include "script_test_support.h"

namespace kova {
namespace {

// One window message arrives after a given number of checks; its handler
// is `onMessage`.
class MessagePlatform : public testing::FilePlatform {
 public:
  long long checks = 0;
  long long arrivesAtCheck = -1;
  int dispatched = 0;
  std::function<void()> onMessage;

  bool messagesPending() override {
    ++checks;
    if (checks == arrivesAtCheck) waiting_ = true;
    return waiting_;
  }
  void processMessages() override {
    ++pumps;
    if (!waiting_) return;
    waiting_ = false;
    ++dispatched;
    if (onMessage) onMessage();
  }

 private:
  bool waiting_ = false;
};

struct PumpRun {
  int exitCode = 0;
  std::vector<std::string> printed;
  long long checksAtMessage = -1;
};

PumpRun runWithMessage(MessagePlatform& platform, const std::string& script,
                       const std::function<void(TUScript&)>& handler) {
  testing::RecordingHost host;
  testing::ScriptFolder folder;
  folder.write("main.kov", script);
  Player player(platform, host);
  PumpRun r;
  platform.onMessage = [&] {
    r.checksAtMessage = platform.checks;
    handler(player.engine());
  };
  ScriptLaunch launch;
  EXPECT_TRUE(player.load(folder.widePath("main.kov"), launch));
  r.exitCode = player.play(launch);
  r.printed = host.printed;
  return r;
}

TEST(MessagePump, StopFromAMessageEndsATightLoopAtOnce) {
  MessagePlatform platform;
  platform.arrivesAtCheck = 5000;
  // Without the stop this loop would run for minutes.
  const PumpRun r = runWithMessage(platform,
                                   "n = 0\n"
                                   "FOR i = 1 TO 1000000000\n"
                                   "  IFB i MOD 2 = 0 THEN\n"
                                   "    n = n + 1\n"
                                   "  ENDIF\n"
                                   "NEXT\n"
                                   "PRINT \"after the loop\"\n",
                                   [](TUScript& e) { e.stopRequest = 1; });
  EXPECT_EQ(platform.dispatched, 1);
  ASSERT_EQ(r.checksAtMessage, 5000);
  // The statement that saw the message was the last one: no statement
  // checked for messages again, and nothing after the loop ran.
  EXPECT_EQ(platform.checks, r.checksAtMessage);
  EXPECT_TRUE(r.printed.empty());
  EXPECT_EQ(r.exitCode, 0);
}

TEST(MessagePump, StopInsideACalledFunctionEndsEveryLevel) {
  MessagePlatform platform;
  platform.arrivesAtCheck = 3000;
  const PumpRun r = runWithMessage(platform,
                                   "WHILE TRUE\n"
                                   "  spin()\n"
                                   "WEND\n"
                                   "PRINT \"after\"\n"
                                   "PROCEDURE spin()\n"
                                   "  REPEAT\n"
                                   "    x = 1\n"
                                   "  UNTIL FALSE\n"
                                   "FEND\n",
                                   [](TUScript& e) { e.stopRequest = 1; });
  ASSERT_EQ(r.checksAtMessage, 3000);
  // The caller's next statement is the one no-operation that marks the
  // caller's scope as ending; nothing else runs.
  EXPECT_EQ(platform.checks, r.checksAtMessage + 1);
  EXPECT_TRUE(r.printed.empty());
}

TEST(MessagePump, MessagesAreDispatchedOnlyWhenWaiting) {
  MessagePlatform platform;
  platform.arrivesAtCheck = 50;
  int seen = 0;
  const PumpRun r = runWithMessage(platform,
                                   "total = 0\n"
                                   "FOR i = 1 TO 2000\n"
                                   "  total = total + i\n"
                                   "NEXT\n"
                                   "PRINT total\n",
                                   [&](TUScript&) { ++seen; });
  EXPECT_THAT(r.printed, ::testing::ElementsAre("2001000"));
  EXPECT_EQ(seen, 1);
  // Every statement checked; the run itself pumps a few dozen times at its
  // start and end, but not once per statement.
  EXPECT_GE(platform.checks, 2000);
  EXPECT_LT(platform.pumps, 100);
}

}  // namespace
}  // namespace kova
