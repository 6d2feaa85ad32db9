#pragma once
// RunContext: what the automation layer (automation/) sees of the engine
// that runs the script. One named operation per need; automation code never
// sees TUScript, so the engine's insides can change without touching it.
// When automation needs more, this interface grows by one operation.
//
// The engine provides it (engine/engine_run_context.h, reached through
// TUScript::runContext()); tests may provide their own. No <windows.h>.

#include <cstdint>
#include <memory>
#include <vector>

#include "util/u16.h"

namespace kova {

class Platform;

class RunContext {
 public:
  // State a layer above the engine keeps for the length of one run (the
  // automation layer's window ID table and input state). The engine drops
  // it when the run ends.
  struct RunState {
    virtual ~RunState() = default;
  };

  virtual ~RunContext() = default;

  // The operating system the run talks to (sleeping, the clock).
  virtual Platform& platform() = 0;

  // --- Messages ----------------------------------------------------------------
  // `rounds` rounds of yielding the time slice and dispatching pending
  // window messages; on the main thread also notes the mouse buttons down
  // (see takeStickyButton).
  virtual void pumpMessages(int rounds) = 0;
  // Waits about `rounds` x 100 ms while dispatching messages every 10 ms.
  virtual void waitPumping(int rounds) = 0;

  // --- Stop state ----------------------------------------------------------------
  // A stop was asked for from outside the statement running: the stop hotkey
  // or form, EXITEXIT, the end of the run.
  virtual bool stopRequested() = 0;
  // The run is ending: a stop was requested or an error stopped it. Waiting
  // loops end early when this turns true.
  virtual bool stopping() = 0;

  // --- Per-run state ---------------------------------------------------------------
  // Keys and buttons the script holds down ("<what>,<n>"); the engine
  // releases each through its host when the run ends.
  virtual std::vector<u16>& heldInputs() = 0;
  // The automation layer's per-run state; null until adoptAutomationState.
  // Callers serialise creation themselves (THREAD workers share the run).
  virtual RunState* automationState() = 0;
  // Makes `state` the automation state of this run and returns it.
  virtual RunState& adoptAutomationState(std::unique_ptr<RunState> state) = 0;

  // --- The host's settings and hotkeys ------------------------------------------------
  // A value of the program's settings (section SET etc.); empty when missing.
  virtual u16 readSetting(const u16& section, const u16& key) = 0;
  // Around a simulated key press: the program's own hotkeys on `key` are
  // unregistered (they would swallow it) and registered again afterwards.
  virtual void unregisterHotkeysForKey(int32_t key) = 0;
  virtual void reregisterHotkeys() = 0;

  // --- Facts of the run -------------------------------------------------------------
  // OPTION OLDBUSY: waiting for a window means waiting for its process's
  // input idle instead of a null message.
  virtual bool oldBusyOption() = 0;
  // The id of the thread that runs the main procedure (THREAD workers run
  // on others).
  virtual uint64_t mainThreadId() = 0;
  // True when `button` (1 left, 2 right, 4 middle) was seen down by the
  // message pump on the main thread since it was last taken; clears it.
  virtual bool takeStickyButton(uint32_t button) = 0;
  // Milliseconds already spent on the statement that called the running
  // built-in, from the statement's start (arguments evaluated and functions
  // called by it included), 0..999.
  virtual int32_t statementElapsedMs() = 0;
};

}  // namespace kova
