// The engine's RunContext (engine/engine_run_context.h): what automation
// sees must be the engine's own run state, and it must end with the run.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/uxscr.h"
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
  engine.builtinElapsedMs = 250;
  EXPECT_EQ(run.builtinElapsedMs(), 250);
  engine.mainThreadId = 42;
  EXPECT_EQ(run.mainThreadId(), 42u);
  // A sticky button is taken once; the others stay.
  engine.stickyButtons = 1 | 4;
  EXPECT_TRUE(run.takeStickyButton(4));
  EXPECT_FALSE(run.takeStickyButton(4));
  EXPECT_FALSE(run.takeStickyButton(2));
  EXPECT_EQ(engine.stickyButtons.load(), 1u);
}

}  // namespace
}  // namespace kova
