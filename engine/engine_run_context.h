#pragma once
// The engine's RunContext (engine/run_context.h): a small adapter that
// TUScript owns and hands out through runContext(). Every operation
// forwards to TUScript's public members; this file and its .cpp are the one
// place that knows how the engine keeps what automation asks for.

#include "engine/run_context.h"

namespace kova {

class TUScript;

class EngineRunContext final : public RunContext {
 public:
  explicit EngineRunContext(TUScript& engine) : engine_(engine) {}
  EngineRunContext(const EngineRunContext&) = delete;
  EngineRunContext& operator=(const EngineRunContext&) = delete;

  Platform& platform() override;
  void pumpMessages(int rounds) override;
  void waitPumping(int rounds) override;
  bool stopRequested() override;
  bool stopping() override;
  std::vector<u16>& heldInputs() override;
  RunState* automationState() override;
  RunState& adoptAutomationState(std::unique_ptr<RunState> state) override;
  u16 readSetting(const u16& section, const u16& key) override;
  void unregisterHotkeysForKey(int32_t key) override;
  void reregisterHotkeys() override;
  bool oldBusyOption() override;
  uint64_t mainThreadId() override;
  bool takeStickyButton(uint32_t button) override;
  int32_t statementElapsedMs() override;

 private:
  TUScript& engine_;
};

}  // namespace kova
