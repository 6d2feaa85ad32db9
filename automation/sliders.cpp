#include "automation/sliders.h"

#include <algorithm>
#include <optional>

#include "automation/control_collector.h"
#include "automation/window_ids.h"
#include "engine/run_context.h"

namespace kova::automation {

namespace {

constexpr int32_t kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4, kEndScroll = 8;

std::optional<CollectedControl> nthSlider(RunContext& run, WindowSystem& ws, int64_t id, int64_t n,
                                          WindowHandle& window) {
  window = handleFromId(run, ws, id);
  if (window == 0) return std::nullopt;
  const std::vector<CollectedControl> list = ws.collectControls(window, kFamilySlider, false);
  const CollectedControl* c = nthControl(list, n < 1 ? 1 : n);
  if (!c) return std::nullopt;
  return *c;
}

}  // namespace

int64_t setSlider(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t value, int64_t n,
                  bool visible) {
  WindowHandle window = 0;
  const std::optional<CollectedControl> c = nthSlider(run, ws, id, n, window);
  ControlSystem::SliderState s;
  if (!c || !cs.sliderState(c->handle, c->cls, s)) return 0;
  if (value == kSliderAsk) return s.position;
  if (visible) ws.activate(window, false);
  const auto target = static_cast<int32_t>(std::clamp<int64_t>(value, s.minimum, std::max(s.minimum, s.maximum)));
  if (c->cls.find(u"TRACKBAR") != u16::npos) {
    cs.setTrackBarPosition(c->handle, target);
    cs.sendScroll(c->handle, c->cls, kThumbPosition, target);
    cs.sendScroll(c->handle, c->cls, kEndScroll, target);
    run.pumpMessages(2);
  } else {
    // The owner moves its bar on each step; a step that moves nothing ends
    // the walk (an owner that ignores the messages).
    for (int step = 0; step < 100000 && s.position != target; ++step) {
      const int32_t distance = target - s.position;
      const int32_t page = std::max(s.page, 1);
      const int32_t code = distance > 0 ? (distance >= page && s.page > 0 ? kPageDown : kLineDown)
                                        : (-distance >= page && s.page > 0 ? kPageUp : kLineUp);
      const int32_t before = s.position;
      cs.sendScroll(c->handle, c->cls, code, 0);
      run.pumpMessages(2);
      if (!cs.sliderState(c->handle, c->cls, s) || s.position == before) break;
    }
    cs.sendScroll(c->handle, c->cls, kEndScroll, 0);
    run.pumpMessages(2);
  }
  return cs.sliderState(c->handle, c->cls, s) && s.position == target ? 1 : 0;
}

int64_t getSlider(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t n, int32_t item) {
  WindowHandle window = 0;
  const std::optional<CollectedControl> c = nthSlider(run, ws, id, n, window);
  ControlSystem::SliderState s;
  if (!c || !cs.sliderState(c->handle, c->cls, s)) return -1;
  switch (item) {
    case kSliderMinimum: return s.minimum;
    case kSliderMaximum: return s.maximum;
    case kSliderPage: return s.page;
    case kSliderBar: return s.vertical ? 1 : 0;
    case kSliderLeft: return s.rect.left;
    case kSliderTop: return s.rect.top;
    case kSliderRight: return s.rect.right;
    case kSliderBottom: return s.rect.bottom;
    default: return s.position;
  }
}

}  // namespace kova::automation
