#pragma once
// A window system with nothing on it: tests derive from it and answer the
// few calls they need.

#include "automation/window_system.h"

namespace kova::testing {

class StubWindowSystem : public automation::WindowSystem {
 public:
  using WindowHandle = automation::WindowHandle;
  bool isWindow(WindowHandle) override { return false; }
  WindowHandle foreground() override { return 0; }
  std::vector<automation::ListedWindow> listWindows(WindowHandle) override { return {}; }
  bool waitUntilAnswering(WindowHandle, bool) override { return false; }
  WindowHandle windowFromCursor(bool) override { return 0; }
  void activate(WindowHandle, bool) override {}
  bool windowRect(WindowHandle, automation::WindowRect&) override { return false; }
  bool clientRect(WindowHandle, automation::WindowRect&) override { return false; }
  u16 title(WindowHandle) override { return {}; }
  u16 className(WindowHandle) override { return {}; }
  bool isVisible(WindowHandle) override { return false; }
  bool isMinimised(WindowHandle) override { return false; }
  bool isBusy(WindowHandle) override { return false; }
  WindowHandle parent(WindowHandle) override { return 0; }
  uint32_t processId(WindowHandle) override { return 0; }
  u16 processPath(WindowHandle) override { return {}; }
  bool processIs64Bit(WindowHandle) override { return true; }
  void place(WindowHandle, bool, int32_t, int32_t, bool, int32_t, int32_t) override {}
  void command(WindowHandle, int64_t, int64_t, int64_t) override {}
  uint64_t menuHandle(WindowHandle) override { return 0; }
  uint64_t systemMenuHandle(WindowHandle) override { return 0; }
  std::vector<automation::CollectedControl> collectControls(WindowHandle, uint32_t, bool) override { return {}; }
  WindowHandle startedProgramWindow(RunContext&, ChildProcess&, const automation::ExecRequest&) override {
    return 0;
  }
};

}  // namespace kova::testing
