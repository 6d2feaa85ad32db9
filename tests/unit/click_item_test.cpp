// CLKITEM and CHKBTN over fake controls: which control a name picks, when
// a button is clicked, and how list entries are chosen so that the owner
// hears of it.

#include <gtest/gtest.h>

#include <map>

#include "automation/click_item.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// Window 100: buttons 1 "&Save...", 2 and 3 "Twin" (3 below 2), check box
// 4 "Check A", disabled check box 8 "Locked"; list box 5, multiple-selection
// list box 6, combo box 7.
class Dialog final : public testing::StubWindowSystem {
 public:
  bool isWindow(WindowHandle h) override { return h == 100; }
  bool isVisible(WindowHandle) override { return true; }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool includeDisabled) override {
    std::vector<CollectedControl> out;
    if (mask & kFamilyButton) {
      for (WindowHandle h : {1, 2, 3, 4}) out.push_back({h, u"BUTTON"});
      if (includeDisabled || (mask & 0x4000000)) out.push_back({8, u"BUTTON"});
    }
    if (mask & kFamilyList) {
      out.push_back({5, u"LISTBOX"});
      out.push_back({6, u"LISTBOX"});
      out.push_back({7, u"COMBOBOX"});
    }
    return out;
  }
};

class Controls final : public testing::StubControlSystem {
 public:
  std::vector<std::string> log;
  std::map<WindowHandle, int32_t> checks{{4, 0}, {8, 1}};
  std::map<WindowHandle, int32_t> current{{5, -1}, {7, -1}};
  u16 controlText(WindowHandle h) override {
    switch (h) {
      case 1: return u"&Save...";
      case 2:
      case 3: return u"Twin";
      case 4: return u"Check A";
      case 8: return u"Locked";
      default: return {};
    }
  }
  std::vector<u16> listEntries(WindowHandle h, u16v) override {
    if (h == 5) return {u"Alpha", u"Beta", u"Gamma"};
    if (h == 6) return {u"Red", u"Green", u"Blue"};
    if (h == 7) return {u"One", u"Two", u"Three"};
    return {};
  }
  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("click " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
    if (checks.count(h)) checks[h] = checks[h] == 0 ? 1 : 0;
  }
  void focusControl(WindowHandle h) override { log.push_back("focus " + std::to_string(h)); }
  int32_t buttonCheck(WindowHandle h) override { return checks.count(h) ? checks[h] : 0; }
  bool isEnabled(WindowHandle h) override { return h != 8; }
  uint32_t style(WindowHandle h) override { return h == 6 ? 0x800 : 0; }
  uint32_t classStyle(WindowHandle h) override { return h == 7 ? 0x3 : 0; }
  int32_t listCurrent(WindowHandle h, u16v) override { return current[h]; }
  void setListCurrent(WindowHandle h, u16v, int32_t index) override {
    log.push_back("current " + std::to_string(h) + " " + std::to_string(index));
    current[h] = index;
  }
  void setListSelected(WindowHandle h, int32_t index, bool on) override {
    log.push_back("select " + std::to_string(h) + " " + std::to_string(index) + (on ? " on" : " off"));
  }
  void setListCaret(WindowHandle h, int32_t index) override {
    log.push_back("caret " + std::to_string(h) + " " + std::to_string(index));
  }
  void showDropDown(WindowHandle h, bool show) override {
    log.push_back(std::string(show ? "open " : "close ") + std::to_string(h));
  }
  void sendKey(WindowHandle h, WindowHandle, uint32_t vk) override {
    log.push_back("key " + std::to_string(h) + " " + std::to_string(vk));
  }
};

struct ClickItem : ::testing::Test {
  kova::testing::RecordingHost host;
  TUScript engine{hostPlatform(), host};
  RunContext& run = engine.runContext();
  Dialog ws;
  Controls cs;
  int64_t id = idFromHandle(run, 100);
  int32_t click(const char16_t* name, int64_t kind = 0, int64_t check = 1, int64_t n = 0) {
    ClickRequest r;
    r.name = name;
    r.kind = kind;
    r.check = check;
    r.n = n;
    return clickItem(run, ws, cs, id, r);
  }
};

TEST_F(ClickItem, ButtonsByCaption) {
  EXPECT_EQ(click(u"save"), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 1", "click 1 0,0"}));
  cs.log.clear();
  EXPECT_EQ(click(u"twin", 0x1, 1, 2), 1);  // the second of two equal captions
  EXPECT_EQ(cs.log.back(), "click 3 0,0");
  EXPECT_EQ(click(u"Sav"), 0);  // no partial match without CLK_SHORT
  EXPECT_EQ(click(u"Sav", 0x100), 1);  // CLK_SHORT alone asks every basic family
  EXPECT_EQ(click(u"nothing"), 0);
  ClickRequest r;
  r.name = u"save";
  EXPECT_EQ(clickItem(run, ws, cs, 0, r), 0);  // id 0 does nothing
}

TEST_F(ClickItem, CheckBoxesAreClickedOnlyToChangeTheirState) {
  cs.log.clear();
  EXPECT_EQ(click(u"Check A", 0x1, 1), 1);
  EXPECT_EQ(cs.checks[4], 1);
  cs.log.clear();
  EXPECT_EQ(click(u"Check A", 0x1, 1), 1);  // already checked: only the focus
  EXPECT_EQ(cs.log, std::vector<std::string>{"focus 4"});
  EXPECT_EQ(click(u"Check A", 0x1, 0), 1);
  EXPECT_EQ(cs.checks[4], 0);
  // CHK_BTN answers the state; a disabled box -1; nothing found -1.
  EXPECT_EQ(click(u"Check A", 0x4000001), 0);
  EXPECT_EQ(click(u"Locked", 0x4000001), -1);
  EXPECT_EQ(click(u"Nobody", 0x4000001), -1);
}

TEST_F(ClickItem, ListBoxEntriesAreChosenAndNudged) {
  EXPECT_EQ(click(u"beta", 0x2), 1);
  // Made current, then Up and Down so that the owner hears of the choice.
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 5", "current 5 1", "key 5 38", "key 5 40"}));
  cs.log.clear();
  EXPECT_EQ(click(u"Alpha", 0x2), 1);
  EXPECT_EQ(cs.log[2], "key 5 40");  // the first entry: Down, then Up
  // Several names at once in a multiple-selection list.
  cs.log.clear();
  EXPECT_EQ(click(u"Red\tBlue", 0x2, 1, 2), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 6", "select 6 -1 off", "select 6 0 on", "select 6 2 on"}));
  EXPECT_EQ(click(u"Red\tPurple", 0x2, 1, 2), 0);
}

TEST_F(ClickItem, ComboBoxesOpenTheirListAndConfirm) {
  EXPECT_EQ(click(u"two", 0x2, 1, 3), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 7", "open 7", "current 7 1", "key 7 38", "key 7 40",
                                              "key 7 13"}));
}

}  // namespace
}  // namespace kova::automation
