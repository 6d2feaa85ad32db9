// CLKITEM and CHKBTN over fake controls: which control a name picks, when
// a button is clicked, and how list entries are chosen so that the owner
// hears of it.

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "automation/click_item.h"
#include "click_test_support.h"
#include "automation/window_ids.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// Window 100: buttons 1 "&Save...", 2 and 3 "Twin" (3 below 2), check box
// 4 "Check A", disabled check box 8 "Locked", button 9 whose caption
// cannot be read (it reads as empty); list box 5, multiple-selection list
// box 6, combo box 7.
class Dialog final : public testing::StubWindowSystem {
 public:
  int waits = 0;
  WindowRect combo{100, 100, 200, 120};
  bool isWindow(WindowHandle h) override { return h == 100; }
  bool waitUntilAnswering(WindowHandle, bool) override {
    ++waits;
    return false;
  }
  bool windowRect(WindowHandle h, WindowRect& r) override {
    r = combo;
    return h == 7;
  }
  bool isVisible(WindowHandle) override { return true; }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool includeDisabled) override {
    std::vector<CollectedControl> out;
    if (mask & kFamilyButton) {
      for (WindowHandle h : {1, 2, 3, 4, 9}) out.push_back({h, u"BUTTON"});
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
  // With `lag`, a click takes effect only after that many reads of the
  // state, as a posted click waits in the target's queue.
  int lag = 0, pending = -1;
  WindowHandle pendingBox = 0;
  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("click " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
    if (!checks.count(h)) return;
    if (lag == 0) {
      checks[h] = checks[h] == 0 ? 1 : 0;
    } else {
      pendingBox = h;
      pending = lag;
    }
  }
  void focusControl(WindowHandle h) override { log.push_back("focus " + std::to_string(h)); }
  int32_t buttonCheck(WindowHandle h) override {
    if (pending > 0 && --pending == 0) checks[pendingBox] = checks[pendingBox] == 0 ? 1 : 0;
    return checks.count(h) ? checks[h] : 0;
  }
  bool isEnabled(WindowHandle h) override { return h != 8; }
  uint32_t style(WindowHandle h) override { return h == 6 ? 0x800 : h == 4 ? 0x3 : 0; }  // 4: BS_AUTOCHECKBOX
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
  bool cursorPosition(int32_t& x, int32_t& y) override {
    x = 500;
    y = 600;
    return true;
  }
  void setCursorPosition(int32_t x, int32_t y) override {
    log.push_back("cursor at " + std::to_string(x) + "," + std::to_string(y));
  }
};

struct ClickItem : testing::ClickTest<Dialog, Controls, 100> {};

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

TEST_F(ClickItem, FromLastContinueAndModifiersAlone) {
  EXPECT_EQ(click(u"twin", 0x1 | 0x10000), 1);  // CLK_FROMLAST: the lower one first
  EXPECT_EQ(cs.log.back(), "click 3 0,0");
  EXPECT_EQ(click(u"twin", 0x1 | 0x10000, 1, 2), 1);
  EXPECT_EQ(cs.log.back(), "click 2 0,0");
  EXPECT_EQ(click(u"save", 0x10000), 1);  // modifiers alone ask every basic family
  // CLK_CONTINUE: no wait for the window after the click.
  ws.waits = 0;
  EXPECT_EQ(click(u"save"), 1);
  EXPECT_EQ(ws.waits, 2);
  ws.waits = 0;
  EXPECT_EQ(click(u"save", 0x1 | 0x1000000), 1);
  EXPECT_EQ(ws.waits, 1);
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
  // A click still in the box's queue: CLKITEM returns once it has arrived.
  cs.lag = 5;
  EXPECT_EQ(click(u"Check A", 0x1, 1), 1);
  EXPECT_EQ(cs.checks[4], 1);
  cs.lag = 0;
  EXPECT_EQ(click(u"Check A", 0x1, 0), 1);
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

// Window 200: a tab control 20, a tree view 21, a list view 22, a toolbar
// 23, and a menu bar.
class Views final : public testing::StubWindowSystem {
 public:
  bool tray = false;  // the toolbar sits in the taskbar's notification area
  bool isWindow(WindowHandle h) override { return h == 200; }
  WindowHandle parent(WindowHandle h) override { return h == 23 && tray ? 24 : 0; }
  u16 className(WindowHandle h) override { return h == 24 ? u"Shell_TrayWnd" : u"ToolbarWindow32"; }
  bool isVisible(WindowHandle) override { return true; }
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool) override {
    std::vector<CollectedControl> out;
    if (mask & kFamilyTab) out.push_back({20, u"SYSTABCONTROL32"});
    if (mask & kFamilyTreeView) out.push_back({21, u"SYSTREEVIEW32"});
    if (mask & kFamilyListView) out.push_back({22, u"SYSLISTVIEW32"});
    if (mask & kFamilyToolbar) out.push_back({23, u"TOOLBARWINDOW32"});
    return out;
  }
};

class ViewControls final : public testing::StubControlSystem {
 public:
  std::vector<std::string> log;
  int32_t tab = 0;
  std::vector<u16> tabTexts(WindowHandle) override { return {u"General", u"&Advanced"}; }
  int32_t tabCurrent(WindowHandle) override { return tab; }
  void selectTab(WindowHandle, int32_t index) override {
    log.push_back("tab " + std::to_string(index));
    tab = index;
  }
  std::vector<TreeItem> treeChildren(WindowHandle, uint64_t parent) override {
    if (parent == 0) return {{1, u"Root"}, {4, u"Other"}};
    if (parent == 1) return {{2, u"Branch"}};
    if (parent == 2) return {{3, u"Leaf"}};
    return {};
  }
  void selectTreeItem(WindowHandle, uint64_t item) override { log.push_back("tree " + std::to_string(item)); }
  int32_t treeItemCheck(WindowHandle, uint64_t item) override { return item == 3 ? 1 : 0; }
  std::vector<u16> listViewTexts(WindowHandle, int32_t) override { return {u"alpha.txt", u"beta.txt"}; }
  int32_t listViewCheck(WindowHandle, int32_t row) override { return row; }
  void selectListViewRow(WindowHandle, int32_t row, bool only) override {
    log.push_back("row " + std::to_string(row) + (only ? " only" : ""));
  }
  std::vector<ToolbarEntry> toolbarButtons(WindowHandle) override {
    return {{u"Cut", 1, true, false}, {u"Copy", 2, false, false}, {u"Copy", 3, true, false}, {u"Tucked", 4, true, true}};
  }
  bool itemRect(WindowHandle, u16v, uint64_t item, WindowRect& r) override {
    r = WindowRect{static_cast<int32_t>(item) * 20, 0, static_cast<int32_t>(item) * 20 + 20, 10};
    return true;
  }
  void setHotItem(WindowHandle, int32_t index) override { log.push_back("hot " + std::to_string(index)); }
  void postMouseClick(WindowHandle h, int32_t x, int32_t y, bool right, bool twice) override {
    log.push_back(std::string(right ? "right " : "left ") + (twice ? "double " : "") + std::to_string(h) + " " +
                  std::to_string(x) + "," + std::to_string(y));
  }
  void moveCursorTo(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("cursor " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void postLeftClick(WindowHandle h, int32_t x, int32_t y) override {
    log.push_back("click " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  std::vector<MenuEntry> menuBar(WindowHandle) override {
    MenuEntry file{u"&File", 0, false, false, false, {}};
    MenuEntry recent{u"Recent", 0, false, false, false, {{u"first.txt", 203, false, false, false, {}}}};
    file.submenu = {{u"&New", 201, false, false, false, {}}, {u"", 0, true, false, false, {}}, recent};
    MenuEntry view{u"&View", 0, false, false, false, {}};
    view.submenu = {{u"Status Bar", 211, false, false, true, {}}, {u"Greyed", 213, false, true, false, {}},
                    {u"first.txt", 215, false, false, false, {}}};
    return {file, view};
  }
  void postMenuCommand(WindowHandle, uint32_t id) override { log.push_back("menu " + std::to_string(id)); }
  // What the program sets when a submenu opens: checked, greyed.
  std::map<uint32_t, std::pair<bool, bool>> opened;
  bool initMenuPopup(WindowHandle, const MenuEntry& item, bool& checked, bool& greyed) override {
    auto it = opened.find(item.id);
    if (it == opened.end()) return false;
    std::tie(checked, greyed) = it->second;
    return true;
  }
};

struct ClickViews : testing::ClickTest<Views, ViewControls, 200> {};

TEST_F(ClickViews, TabsTreesListViewsAndToolbars) {
  EXPECT_EQ(click(u"Advanced", 0x8), 1);
  EXPECT_EQ(cs.tab, 1);
  EXPECT_EQ(click(u"Root\\Branch\\Leaf", 0x10), 1);
  EXPECT_EQ(click(u"Root\\Leaf", 0x10), 0);  // one part per level
  EXPECT_EQ(click(u"Root\\Branch\\Leaf", 0x4000010), 1);  // CHK_TREEVIEW
  EXPECT_EQ(click(u"beta.txt", 0x20), 1);
  EXPECT_EQ(click(u"beta.txt", 0x4000020), 1);  // CHK_LISTVIEW
  // The toolbar's enabled "Copy" is clicked through its rectangle.
  EXPECT_EQ(click(u"Copy", 0x40), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"tab 1", "tree 3", "row 1 only", "hot 2", "click 23 50,5"}));
  cs.log.clear();
  // Mouse flags click at the item instead of selecting it; CLK_MUSMOVE
  // puts the real cursor there first.
  EXPECT_EQ(click(u"alpha.txt", 0x20 | 0x800), 1);
  EXPECT_EQ(click(u"beta.txt", 0x20 | 0x1000 | 0x2000 | 0x400), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"left 22 10,5", "cursor 22 30,5", "right double 22 30,5"}));
}

TEST_F(ClickViews, MenusByPathOrAnywhere) {
  EXPECT_EQ(click(u"File\\Recent\\first.txt", 0x4), 1);
  EXPECT_EQ(click(u"\\File\\New", 0x4), 1);  // a leading backslash is ignored
  EXPECT_EQ(click(u"first.txt", 0x4, 1, 2), 1);   // anywhere in the tree, the second match
  EXPECT_EQ(cs.log, (std::vector<std::string>{"menu 203", "menu 201", "menu 215"}));
  // A checked item is not clicked to be checked; greyed items are skipped.
  cs.log.clear();
  EXPECT_EQ(click(u"Status Bar", 0x4, 1), 0);
  EXPECT_EQ(click(u"Status Bar", 0x4, 0), 1);
  EXPECT_EQ(click(u"Greyed", 0x4), 0);
  EXPECT_EQ(cs.log, std::vector<std::string>{"menu 211"});
  // CHK_MENU answers the check mark.
  EXPECT_EQ(click(u"View\\Status Bar", 0x4000004), 1);
  EXPECT_EQ(click(u"New", 0x4000004), 0);
  EXPECT_EQ(click(u"Nothing", 0x4000004), -1);
  // The state counts as the program sets it when the submenu opens.
  cs.opened[211] = {false, false};
  cs.opened[201] = {false, true};
  cs.log.clear();
  EXPECT_EQ(click(u"Status Bar", 0x4, 1), 1);
  EXPECT_EQ(click(u"File\\New", 0x4), 0);
  EXPECT_EQ(click(u"New", 0x4000004), -1);
  EXPECT_EQ(cs.log, std::vector<std::string>{"menu 211"});
}

TEST_F(ClickViews, TheNotificationAreaShowsHiddenButtons) {
  EXPECT_EQ(click(u"Tucked", 0x40), 0);
  ws.tray = true;
  EXPECT_EQ(click(u"Tucked", 0x40), 1);
  EXPECT_EQ(cs.log.back(), "click 23 70,5");
}

// What names no item does nothing at all: no focus moves, nothing is
// clicked or selected.
TEST_F(ClickItem, NamesAndKindsThatNameNothingTouchNothing) {
  // An empty name, or one that trims to nothing, is no name: a control
  // whose text cannot be read (it does not answer) reads as empty as well.
  cs.current[5] = -1;
  EXPECT_EQ(click(u""), 0);
  EXPECT_EQ(click(u"  "), 0);
  EXPECT_EQ(click(u"", 0x4000001), -1);
  // A multiple-selection list without the entry keeps the focus where it is.
  EXPECT_EQ(click(u"Purple", 0x2, 1, 2), 0);
  // Bits beyond 32 name no family; they do not make the kind read as 0
  // (every family).
  EXPECT_EQ(click(u"save", int64_t{1} << 40), 0);
  EXPECT_EQ(click(u"save", (int64_t{1} << 40) | 0x1), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 1", "click 1 0,0"}));  // only the last call acted
}

TEST_F(ClickItem, ComboBoxesOpenTheirListAndConfirm) {
  EXPECT_EQ(click(u"two", 0x2, 1, 3), 1);
  EXPECT_EQ(cs.log, (std::vector<std::string>{"focus 7", "open 7", "current 7 1", "key 7 38", "key 7 40",
                                              "key 7 13"}));
  // In the background the real cursor waits beside the combo box (left of
  // it near the desktop's right edge) and comes back afterwards.
  cs.log.clear();
  EXPECT_EQ(click(u"two", 0x2 | 0x200, 1, 3), 1);
  EXPECT_EQ(cs.log.front(), "cursor at 204,110");
  EXPECT_EQ(cs.log.back(), "cursor at 500,600");
  cs.log.clear();
  ws.combo = WindowRect{900, 100, 1020, 120};
  EXPECT_EQ(click(u"two", 0x2 | 0x200, 1, 3), 1);
  EXPECT_EQ(cs.log.front(), "cursor at 896,110");
}

}  // namespace
}  // namespace kova::automation
