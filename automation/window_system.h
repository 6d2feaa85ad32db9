#pragma once
// The Windows side of window identification behind a small interface. The
// Windows build implements it in automation/win; the native build has none
// (hostWindowSystem() is null) and the window built-ins report that they
// are not available on this platform.

#include <cstdint>
#include <vector>

#include "automation/control_collector.h"
#include "automation/window_search.h"
#include "platform/process.h"

namespace kova {
class RunContext;
}

namespace kova::automation {

// EXEC: the command line as given; x, y, width, height -1 when not asked.
struct ExecRequest {
  u16 commandLine;
  int32_t x = -1, y = -1, width = -1, height = -1;
};

struct WindowRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual bool isWindow(WindowHandle h) = 0;
  virtual WindowHandle foreground() = 0;
  // Top-level windows (parent 0) or all descendants of `parent`, filtered
  // by the listing rule, in Z order.
  virtual std::vector<ListedWindow> listWindows(WindowHandle parent) = 0;
  // Waits until the window's thread answers (own windows answer at once):
  // input idle of its process when `inputIdle`, else a null message, 8000
  // ms either way. True when the wait timed out.
  virtual bool waitUntilAnswering(WindowHandle h, bool inputIdle) = 0;

  // Window under the mouse cursor: the innermost one, or climbed to a
  // member of the desktop list.
  virtual WindowHandle windowFromCursor(bool innermost) = 0;

  // Brings the window to the front; `force` also for menus and pop-ups.
  virtual void activate(WindowHandle h, bool force) = 0;
  virtual bool windowRect(WindowHandle h, WindowRect& r) = 0;
  // Client area: origin in screen coordinates and size.
  virtual bool clientRect(WindowHandle h, WindowRect& r) = 0;
  virtual u16 title(WindowHandle h) = 0;
  virtual u16 className(WindowHandle h) = 0;
  virtual bool isVisible(WindowHandle h) = 0;
  virtual bool isMinimised(WindowHandle h) = 0;
  // True when the window exists and does not answer a null message in 88 ms.
  virtual bool isBusy(WindowHandle h) = 0;
  virtual WindowHandle parent(WindowHandle h) = 0;
  virtual uint32_t processId(WindowHandle h) = 0;
  virtual u16 processPath(WindowHandle h) = 0;
  virtual bool processIs64Bit(WindowHandle h) = 0;

  // Restores the window, activates it and moves and/or sizes it.
  virtual void place(WindowHandle h, bool move, int32_t x, int32_t y, bool size, int32_t width, int32_t height) = 0;
  // CTRLWIN commands 2..10 (close, close2, hide, show, min, max, normal,
  // topmost, notopmost); any other value is posted as a message.
  virtual void command(WindowHandle h, int64_t command, int64_t wparam, int64_t lparam) = 0;

  // The window's menu bar, or when it has none and a pop-up menu is open
  // (and the window has no parent or its parent is in front) that menu.
  virtual uint64_t menuHandle(WindowHandle h) = 0;
  virtual uint64_t systemMenuHandle(WindowHandle h) = 0;
  // The control collector over all descendants: `mask` selects the
  // families; the result is in position order (top to bottom, left to right).
  virtual std::vector<CollectedControl> collectControls(WindowHandle h, uint32_t mask, bool includeDisabled) = 0;
  // EXEC without waiting, after the process layer started the program: its
  // window (waiting for it to appear, pumping the engine's messages, ending
  // early when the script is stopped), moved and sized as asked; 0 when
  // none appeared.
  virtual WindowHandle startedProgramWindow(RunContext& run, ChildProcess& child,
                                            const ExecRequest& request) = 0;
};

// The implementation of this build; null where windows do not exist.
WindowSystem* hostWindowSystem();

}  // namespace kova::automation
