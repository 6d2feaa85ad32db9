// GETITEM's listing over fake controls: the order of the kinds, which
// control n names, the list-view column, and what "only enabled" leaves out.

#include <gtest/gtest.h>

#include "automation/item_lists.h"
#include "script_test_support.h"
#include "stub_window_system.h"

namespace kova::automation {
namespace {

// A dialog: two buttons (one disabled), a list box, a combo box, a tab
// control, a list view, an edit, a status bar and a toolbar.
class Dialog final : public testing::StubWindowSystem {
 public:
  std::vector<CollectedControl> collectControls(WindowHandle, uint32_t mask, bool includeDisabled) override {
    std::vector<CollectedControl> out;
    auto add = [&](uint32_t family, WindowHandle h, const char16_t* cls) {
      if (mask & family) out.push_back({h, cls});
    };
    add(kFamilyButton, 1, u"BUTTON");
    if (includeDisabled) add(kFamilyButton, 2, u"BUTTON");
    add(kFamilyList, 3, u"LISTBOX");
    add(kFamilyList, 4, u"COMBOBOX");
    add(kFamilyTab, 5, u"SYSTABCONTROL32");
    add(kFamilyListView, 6, u"SYSLISTVIEW32");
    add(kFamilyEdit, 7, u"EDIT");
    add(kFamilyStatusBar, 8, u"MSCTLS_STATUSBAR32");
    add(kFamilyToolbar, 9, u"TOOLBARWINDOW32");
    return out;
  }
};

class Controls final : public testing::StubControlSystem {
 public:
  u16 controlText(WindowHandle h) override {
    switch (h) {
      case 1: return u"&Save...";
      case 2: return u"Locked";
      case 7: return u"typed text";
      default: return {};
    }
  }
  std::vector<u16> listEntries(WindowHandle h, u16v cls) override {
    if (h == 3 && cls == u"LISTBOX") return {u"Alpha", u"Beta"};
    if (h == 4 && cls == u"COMBOBOX") return {u"One"};
    return {};
  }
  std::vector<u16> tabTexts(WindowHandle) override { return {u"General", u"Advanced"}; }
  std::vector<u16> statusParts(WindowHandle) override { return {u"Ready", u"Line 1"}; }
  std::vector<u16> listViewTexts(WindowHandle, int32_t column) override {
    return column == 1 ? std::vector<u16>{u"10", u"20"} : std::vector<u16>{u"a.txt", u"b.txt"};
  }
  std::vector<u16> listViewHeaders(WindowHandle) override { return {u"Name", u"Size"}; }
  std::vector<ToolbarEntry> toolbarButtons(WindowHandle) override {
    return {{u"Cut", 1, true, false}, {u"Secret", 2, true, true}, {u"Paste", 3, false, false}};
  }
  std::vector<MenuEntry> menuBar(WindowHandle) override {
    MenuEntry file{u"&File", 0, false, false, false, {}};
    file.submenu = {{u"&Open...\tCtrl+O", 10, false, false, false, {}},
                    {u"", 0, true, false, false, {}},
                    {u"Greyed", 11, false, true, false, {}}};
    return {file, {u"&View", 0, false, false, false, {}}};
  }
};

std::vector<std::string> list(uint32_t kinds, int64_t n = 1, int32_t column = 0, bool onlyEnabled = false) {
  Dialog ws;
  Controls cs;
  ItemListRequest r;
  r.kinds = kinds;
  r.n = n;
  r.column = column;
  r.onlyEnabled = onlyEnabled;
  std::vector<std::string> out;
  for (const u16& t : listItems(ws, cs, 100, r)) out.push_back(toUtf8(t));
  return out;
}

using V = std::vector<std::string>;

TEST(ItemLists, KindsInTheirFixedOrder) {
  EXPECT_EQ(list(kItemToolbar | kItemButton | kItemTab), (V{"Save", "Locked", "General", "Advanced", "Cut", "Paste"}));
  EXPECT_EQ(list(kItemMenu), (V{"File", "Open", "Greyed", "View"}));
  EXPECT_EQ(list(kItemEdit | kItemStatusBar), (V{"typed text", "Ready", "Line 1"}));
  EXPECT_TRUE(list(kItemTreeView).empty());
}

TEST(ItemLists, NPicksTheControlAndColumnTheText) {
  EXPECT_EQ(list(kItemList), (V{"Alpha", "Beta"}));
  EXPECT_EQ(list(kItemList, 2), (V{"One"}));
  EXPECT_EQ(list(kItemList, 0), (V{"Alpha", "Beta"}));  // below 1 counts as 1
  EXPECT_TRUE(list(kItemList, 3).empty());
  EXPECT_TRUE(list(kItemList, 100).empty());  // at most 99
  EXPECT_EQ(list(kItemListView, 1, 1), (V{"10", "20"}));
  EXPECT_EQ(list(kItemListView, 1, -1), (V{"Name", "Size"}));
}

TEST(ItemLists, OnlyEnabledLeavesOutDisabledControlsItemsAndButtons) {
  EXPECT_EQ(list(kItemButton | kItemMenu | kItemToolbar, 1, 0, true), (V{"Save", "File", "Open", "View", "Cut"}));
}

}  // namespace
}  // namespace kova::automation

#ifndef _WIN32
namespace kova::testing {
namespace {

TEST(ControlBuiltinsNative, ReportNotAvailable) {
  std::string script;
  for (const char* call : {"n = GETITEM(1, ITM_BTN)", "n = CLKITEM(1, \"OK\")", "n = CHKBTN(1, \"A\", 1, TRUE)",
                           "SENDSTR(1, \"x\")", "n = GETSTR(1)", "n = SETSLIDER(1, 5)", "n = GETSLIDER(1)"}) {
    script += std::string("TRY\n  ") + call + "\nEXCEPT\n  PRINT TRY_ERRMSG\nENDTRY\n";
  }
  const RunResult r = runScript({{"main.kov", script}});
  EXPECT_EQ(r.printed, (std::vector<std::string>{
                           "GETITEM: not available on this platform", "CLKITEM: not available on this platform",
                           "CHKBTN: not available on this platform", "SENDSTR: not available on this platform",
                           "GETSTR: not available on this platform", "SETSLIDER: not available on this platform",
                           "GETSLIDER: not available on this platform"}));
}

}  // namespace
}  // namespace kova::testing
#endif
