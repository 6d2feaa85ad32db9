// SETSLIDER and GETSLIDER over fake bars: a track bar is set and its owner
// told; a scroll bar's owner is stepped by pages and lines until the bar is
// where the script wants it.

#include <gtest/gtest.h>

#include "automation/sliders.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// Window 300 with a track bar 31 and a scroll-bar control 32 (0..50,
// page 10), and its own vertical bar.
class Bars final : public testing::StubWindowSystem {
 public:
  bool isWindow(WindowHandle h) override { return h == 300; }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool) override {
    if (!(mask & kFamilySlider)) return {};
    return {{31, u"MSCTLS_TRACKBAR32"}, {32, u"SCROLLBAR"}, {300, kVerticalScrollEntry}};
  }
};

class Owner final : public testing::StubControlSystem {
 public:
  int32_t track = 10, scroll = 0;
  bool ignoresScrolls = false;
  std::vector<std::string> log;
  bool sliderState(WindowHandle h, u16v, SliderState& s) override {
    if (h == 300) return false;  // the window's own bar cannot be read
    s.position = h == 31 ? track : scroll;
    s.minimum = 0;
    s.maximum = h == 31 ? 100 : 50;
    s.page = 10;
    s.rect = WindowRect{1, 2, 3, 4};
    return true;
  }
  void setTrackBarPosition(WindowHandle, int32_t position) override { track = position; }
  void sendScroll(WindowHandle h, u16v, int32_t code, int32_t position) override {
    log.push_back(std::to_string(h) + ":" + std::to_string(code) + (code == 4 ? "@" + std::to_string(position) : ""));
    if (h != 32 || ignoresScrolls) return;
    if (code == 0) scroll -= 1;
    if (code == 1) scroll += 1;
    if (code == 2) scroll -= 10;
    if (code == 3) scroll += 10;
    scroll = std::clamp(scroll, 0, 50);
  }
};

struct Sliders : ::testing::Test {
  kova::testing::RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  Bars ws;
  Owner cs;
  int64_t id = idFromHandle(run, 300);
};

TEST_F(Sliders, TrackBarsAreSetAndTheirOwnerTold) {
  EXPECT_EQ(setSlider(run, ws, cs, id, 40, 1, false), 1);
  EXPECT_EQ(cs.track, 40);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"31:4@40", "31:8"}));
  EXPECT_EQ(setSlider(run, ws, cs, id, kSliderAsk, 1, false), 40);
  EXPECT_EQ(setSlider(run, ws, cs, id, 500, 1, false), 1);  // clamped into the range
  EXPECT_EQ(cs.track, 100);
}

TEST_F(Sliders, ScrollBarsAreSteppedByPagesThenLines) {
  EXPECT_EQ(setSlider(run, ws, cs, id, 23, 2, false), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"32:3", "32:3", "32:1", "32:1", "32:1", "32:8"}));
  cs.log.clear();
  EXPECT_EQ(setSlider(run, ws, cs, id, 21, 2, false), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"32:0", "32:0", "32:8"}));
  // An owner that does not move its bar: one step, then the walk ends.
  cs.ignoresScrolls = true;
  cs.log.clear();
  EXPECT_EQ(setSlider(run, ws, cs, id, 40, 2, false), 0);
  EXPECT_EQ(cs.log.size(), 2u);
  // A slider that cannot be read or does not exist.
  EXPECT_EQ(setSlider(run, ws, cs, id, 5, 3, false), 0);
  EXPECT_EQ(setSlider(run, ws, cs, id, 5, 4, false), 0);
}

TEST_F(Sliders, GetSliderItems) {
  EXPECT_EQ(getSlider(run, ws, cs, id, 1, kSliderPosition), 10);
  EXPECT_EQ(getSlider(run, ws, cs, id, 2, kSliderMaximum), 50);
  EXPECT_EQ(getSlider(run, ws, cs, id, 2, kSliderPage), 10);
  EXPECT_EQ(getSlider(run, ws, cs, id, 1, kSliderBottom), 4);
  EXPECT_EQ(getSlider(run, ws, cs, id, 0, kSliderLeft), 1);  // n below 1 counts as 1
  EXPECT_EQ(getSlider(run, ws, cs, id, 9, kSliderPosition), -1);
}

}  // namespace
}  // namespace kova::automation
