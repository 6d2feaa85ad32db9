#pragma once
// SETSLIDER and GETSLIDER: track bars, scroll-bar controls and the scroll
// bars of a window's own style, numbered by the control collector.

#include <cstdint>

#include "automation/control_system.h"
#include "automation/window_system.h"

namespace kova {
class RunContext;
}

namespace kova::automation {

// GETSLIDER's items.
enum SliderItem : int32_t {
  kSliderPosition = 0,
  kSliderMinimum = 1,
  kSliderMaximum = 2,
  kSliderPage = 3,
  kSliderBar = 4,  // 1 for a vertical bar, 0 for a horizontal one
  kSliderLeft = 5,
  kSliderTop = 6,
  kSliderRight = 7,
  kSliderBottom = 8,
};

// The value SETSLIDER takes as "tell the position, change nothing".
inline constexpr int64_t kSliderAsk = -10000000;

// SETSLIDER(id, value, n, visible): moves the n-th slider to `value` and
// tells its owner as a user's moves would: a track bar is set and its owner
// told of the new thumb position; a scroll bar's owner gets page and line
// steps until the bar is there (it moves its bars itself). 1 when the
// slider reached the value, 0 when not or when there is no such slider;
// with kSliderAsk the current position.
int64_t setSlider(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t value, int64_t n,
                  bool visible);
// GETSLIDER(id, n, item); -1 when there is no such slider.
int64_t getSlider(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t n, int32_t item);

}  // namespace kova::automation
