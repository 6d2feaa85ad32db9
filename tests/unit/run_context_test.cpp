// The engine's RunContext (engine/engine_run_context.h): what automation
// sees must be the engine's own run state, and it must end with the run.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/play.h"
#include "engine/uxscr.h"
#include "forwarding_platform.h"
#include "script_test_support.h"

namespace kova {
namespace {

class ReleasingHost : public testing::RecordingHost {
 public:
  std::vector<std::string> released;
  void releaseHeldInput(const u16& entry) override { released.push_back(toUtf8(entry)); }
  u16 readSetting(const u16& section, const u16& key) override { return section + u"/" + key; }
};

struct Marker : RunContext::RunState {
  explicit Marker(bool* gone) : gone(gone) {}
  ~Marker() override { *gone = true; }
  bool* gone;
};

struct RunContextTest : ::testing::Test {
  ReleasingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
};

// Waiting loops end on either kind of stop; only a request from outside
// counts as "requested" (SCKEY's wait for a busy SCKEY looks at that one).
TEST_F(RunContextTest, StopStateDistinguishesRequestsFromErrors) {
  EXPECT_FALSE(run.stopping());
  EXPECT_FALSE(run.stopRequested());
  engine.stopFlag = true;  // what the error reporter sets
  EXPECT_TRUE(run.stopping());
  EXPECT_FALSE(run.stopRequested());
  engine.stopFlag = false;
  engine.stopRequest = 1;  // stop hotkey, EXITEXIT
  EXPECT_TRUE(run.stopping());
  EXPECT_TRUE(run.stopRequested());
}

TEST_F(RunContextTest, PerRunStateEndsWithTheRun) {
  bool gone = false;
  EXPECT_EQ(run.automationState(), nullptr);
  RunContext::RunState& adopted = run.adoptAutomationState(std::make_unique<Marker>(&gone));
  EXPECT_EQ(run.automationState(), &adopted);
  run.heldInputs().push_back(u"LEFTDOWN");
  run.heldInputs().push_back(u"KBD16,77");
  engine.endRun();
  EXPECT_TRUE(gone);
  EXPECT_EQ(run.automationState(), nullptr);
  EXPECT_EQ(host.released, (std::vector<std::string>{"LEFTDOWN", "KBD16,77"}));
  EXPECT_TRUE(run.heldInputs().empty());
}

TEST_F(RunContextTest, FactsComeFromTheEngineAndItsHost) {
  EXPECT_EQ(run.readSetting(u"SET", u"KbdNumLock"), u"SET/KbdNumLock");
  engine.program.options.oldBusy = true;
  EXPECT_TRUE(run.oldBusyOption());
  engine.mainThreadId = 42;
  EXPECT_EQ(run.mainThreadId(), 42u);
  // A sticky button is taken once; the others stay.
  engine.stickyButtons = 1 | 4;
  EXPECT_TRUE(run.takeStickyButton(4));
  EXPECT_FALSE(run.takeStickyButton(4));
  EXPECT_FALSE(run.takeStickyButton(2));
  EXPECT_EQ(engine.stickyButtons.load(), 1u);
}

// A clock that moves only when a script says so.
class SteppedClock final : public testing::ForwardingPlatform {
 public:
  uint32_t tickCount() override { return now; }
  uint32_t coarseTickCount() override { return now; }
  uint32_t now = 5000;
};

// Built-ins that move the clock (TICK(ms)) and read the time spent on the
// statement (SPENT()), as the delay of the input built-ins does.
class ClockBuiltins final : public BuiltinLibrary {
 public:
  explicit ClockBuiltins(SteppedClock& clock) : clock_(clock) {}
  int find(u16v name) const override { return name == u"TICK" ? 0 : name == u"SPENT" ? 1 : -1; }
  void call(TUScript& engine, int number, const CallForm& call, Value& result, THensuFmt&) override {
    if (number == 0) {
      clock_.now += static_cast<uint32_t>(std::stoul(toUtf8(call.argTexts.at(0))));
      result = Value::integer(0);
    } else {
      result = Value::integer(engine.runContext().statementElapsedMs());
    }
  }
  int minimumArguments(int) const override { return -1; }
  bool isRawPosition(int, int) const override { return false; }

 private:
  SteppedClock& clock_;
};

TEST(StatementClock, TimeCountsFromTheStatementsStart) {
  testing::ScriptFolder folder;
  folder.write("main.kov",
               "PRINT TICK(100) + SPENT()\n"           // a built-in earlier in the statement counts
               "PRINT SPENT()\n"                       // the previous statement's time does not
               "PRINT f() + SPENT()\n"                 // nor do the function's own statements
               "PRINT TICK(5000) + SPENT()\n"          // at most 999
               "x = 1\nTICK(30)\nPRINT SPENT()\n"
               "FUNCTION f()\n  TICK(250)\n  RESULT = SPENT()\nFEND\n");
  SteppedClock clock;
  ClockBuiltins builtins(clock);
  testing::RecordingHost host;
  Player player(clock, host);
  player.engine().builtins = &builtins;
  ScriptLaunch launch;
  ASSERT_TRUE(player.load(folder.widePath("main.kov"), launch));
  EXPECT_EQ(player.play(launch), 0);
  EXPECT_TRUE(host.errors.empty()) << host.errors[0];
  EXPECT_EQ(host.printed, (std::vector<std::string>{"100", "0", "250", "999", "0"}));
}

}  // namespace
}  // namespace kova
