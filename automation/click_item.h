#pragma once
// CLKITEM and CHKBTN: operating controls by the names a user sees, through
// the controls' own messages, and accessible objects through the
// accessibility layer.

#include <cstdint>

#include "automation/control_system.h"
#include "automation/window_system.h"

namespace kova {
class RunContext;
}

namespace kova::automation {

// The CLK_ bits beyond the families.
enum ClickFlag : uint32_t {
  kClickShort = 0x100,
  kClickBack = 0x200,
  kClickMouseMove = 0x400,
  kClickLeft = 0x800,
  kClickRight = 0x1000,
  kClickDouble = 0x2000,
  kClickOfThis = 0x4000,
  kClickFromLast = 0x10000,    // controls searched from the last one back
  kClickContinue = 0x1000000,  // no wait for the window after the operation
  kClickCheckState = 0x4000000,
};

struct ClickRequest {
  u16 name;
  int64_t kind = 0;  // as given; 0 or less: every basic family
  int64_t check = 1;  // 1 (TRUE) wants checked, 0 unchecked, 2 indeterminate
  int64_t n = 0;      // 0 the first match; negative: disabled controls too
};

// CLKITEM: TRUE/FALSE as 1/0; with a CHK_ kind the state found (-1 when
// nothing matched; 1 for the list family).
int32_t clickItem(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const ClickRequest& r);

// CHKBTN with its accessible argument: the window is activated and the
// state of the n-th accessible check or radio button whose name matches is
// returned (0, 1, 2 mixed); -1 when there is none.
int32_t accessibleCheckBox(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const u16& name,
                           int64_t n);

}  // namespace kova::automation
