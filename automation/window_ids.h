#pragma once
// The window ID table of a run and the GETID search. An ID is a position
// in the table plus one; entries are only appended, so an ID keeps naming
// its handle for the whole run. The table is the run's automation state
// (RunContext::automationState), which the engine drops when the run ends.
// THREAD workers share it, hence the lock.

#include <cstdint>
#include <mutex>
#include <vector>

#include "automation/input.h"
#include "automation/window_system.h"
#include "engine/run_context.h"

namespace kova::automation {

struct AutomationState : RunContext::RunState {
  std::mutex lock;
  std::vector<WindowHandle> ids;
  // The title of the latest default-wait GETID (the next one with another
  // title waits longer, for a window that is still being created).
  u16 lastSearchedTitle;
  // The latest GETID title on the main thread, for ACW with ID 0.
  u16 lastGetIdTitle;
  // Set by CTRLWIN CLOSE/CLOSE2 and EXEC: the next default-wait GETID
  // waits up to 8 s.
  bool windowChanged = false;
  // Mouse origin, held modifiers and buttons of window-message mode, the
  // input lock (automation/input.h).
  InputState input;
};

AutomationState& automationState(RunContext& run);

// -1 for the null handle; otherwise the handle's ID, appended when new.
int64_t idFromHandle(RunContext& run, WindowHandle h);
// Negative or unknown IDs give 0; ID 0 the foreground window; a stored
// handle only while it is still a window.
WindowHandle handleFromId(RunContext& run, WindowSystem& ws, int64_t id);
// A number that is an ID when it is not greater than the table length and
// names a window that way, else a raw handle; 0 unless it is a window.
WindowHandle handleFromIdOrHandle(RunContext& run, WindowSystem& ws, int64_t n);

struct GetIdRequest {
  u16 title;       // as given; upper-cased by getId
  bool titleNull = false;
  u16 cls;
  double waitSeconds = 0;
  u16 childTitle;
  bool onMainThread = true;
  // Also try the browser's own caption: the search is for class "IEFRAME"
  // from a statement that activates what it finds ("ACW(GETID(...").
  bool browserFallback = false;
};
// GETID: special titles, the waiting loop with the find passes and the
// child search. The window's ID, or -1.
int64_t getId(RunContext& run, WindowSystem& ws, const GetIdRequest& request);

}  // namespace kova::automation
