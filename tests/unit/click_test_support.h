#pragma once
// A CLKITEM test over a fake desktop and fake controls: the engine a call
// needs, the window's ID, and click() with CLKITEM's arguments.

#include <gtest/gtest.h>

#include "automation/click_item.h"
#include "automation/window_ids.h"
#include "script_test_support.h"

namespace kova::testing {

template <class Desktop, class Controls, automation::WindowHandle kWindow>
struct ClickTest : ::testing::Test {
  RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  Desktop ws;
  Controls cs;
  int64_t id = automation::idFromHandle(run, kWindow);

  int32_t click(const char16_t* name, int64_t kind = 0, int64_t check = 1, int64_t n = 0) {
    automation::ClickRequest r;
    r.name = name;
    r.kind = kind;
    r.check = check;
    r.n = n;
    return automation::clickItem(run, ws, cs, id, r);
  }
};

}  // namespace kova::testing
