#include "engine/engine_run_context.h"

#include "engine/uxscr.h"

namespace kova {

namespace {

// The engine keeps per-run state of higher layers as TUScript::RunState
// (endRun drops it); the automation state rides in it inside this holder,
// so that the engine needs to know nothing about the automation types.
struct AutomationHolder final : TUScript::RunState {
  explicit AutomationHolder(std::unique_ptr<RunContext::RunState> s) : state(std::move(s)) {}
  std::unique_ptr<RunContext::RunState> state;
};

}  // namespace

Platform& EngineRunContext::platform() { return engine_.platform(); }

void EngineRunContext::pumpMessages(int rounds) { engine_.pumpMessages(rounds); }

void EngineRunContext::waitPumping(int rounds) { engine_.waitPumping(rounds); }

bool EngineRunContext::stopRequested() { return engine_.stopRequest.load() > 0; }

bool EngineRunContext::stopping() { return engine_.stopFlag || stopRequested(); }

std::vector<u16>& EngineRunContext::heldInputs() { return engine_.heldInputs; }

RunContext::RunState* EngineRunContext::automationState() {
  auto* holder = dynamic_cast<AutomationHolder*>(engine_.automationState.get());
  return holder ? holder->state.get() : nullptr;
}

RunContext::RunState& EngineRunContext::adoptAutomationState(std::unique_ptr<RunState> state) {
  RunState& adopted = *state;
  engine_.automationState = std::make_unique<AutomationHolder>(std::move(state));
  return adopted;
}

u16 EngineRunContext::readSetting(const u16& section, const u16& key) {
  return engine_.host().readSetting(section, key);
}

void EngineRunContext::unregisterHotkeysForKey(int32_t key) { engine_.host().unregisterHotkeysForKey(key); }

void EngineRunContext::reregisterHotkeys() { engine_.host().reregisterHotkeys(); }

bool EngineRunContext::oldBusyOption() { return engine_.program.options.oldBusy; }

uint64_t EngineRunContext::mainThreadId() { return engine_.mainThreadId; }

bool EngineRunContext::takeStickyButton(uint32_t button) {
  return (engine_.stickyButtons.fetch_and(~button) & button) != 0;
}

int32_t EngineRunContext::statementElapsedMs() { return engine_.statementElapsedMs(); }

}  // namespace kova
