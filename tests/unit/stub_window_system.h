#pragma once
// A window system with nothing on it, and controls without texts or items:
// tests derive from them and answer the few calls they need.

#include "automation/control_system.h"
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

class StubControlSystem : public automation::ControlSystem {
 public:
  using WindowHandle = automation::WindowHandle;
  u16 controlText(WindowHandle) override { return {}; }
  std::vector<u16> listEntries(WindowHandle, u16v) override { return {}; }
  std::vector<u16> tabTexts(WindowHandle) override { return {}; }
  std::vector<u16> statusParts(WindowHandle) override { return {}; }
  std::vector<u16> listViewTexts(WindowHandle, int32_t) override { return {}; }
  std::vector<u16> listViewHeaders(WindowHandle) override { return {}; }
  std::vector<u16> treeViewTexts(WindowHandle) override { return {}; }
  std::vector<automation::ToolbarEntry> toolbarButtons(WindowHandle) override { return {}; }
  std::vector<automation::MenuEntry> menuBar(WindowHandle) override { return {}; }
  bool editSelection(WindowHandle, int32_t&, int32_t&) override { return false; }
  u16 clipboardText() override { return {}; }
  bool setClipboardText(const u16&) override { return false; }
  WindowHandle focusedControl(WindowHandle) override { return 0; }
  bool setControlText(WindowHandle, const u16&) override { return false; }
  void sendCharacter(WindowHandle, char16_t) override {}
  void setModified(WindowHandle) override {}
  void focusControl(WindowHandle) override {}
  void postLeftClick(WindowHandle, int32_t, int32_t) override {}
  void postMouseClick(WindowHandle, int32_t, int32_t, bool, bool) override {}
  void moveCursorTo(WindowHandle, int32_t, int32_t) override {}
  int32_t buttonCheck(WindowHandle) override { return -1; }
  bool isEnabled(WindowHandle) override { return true; }
  uint32_t style(WindowHandle) override { return 0; }
  uint32_t classStyle(WindowHandle) override { return 0; }
  int32_t listCurrent(WindowHandle, u16v) override { return -1; }
  void setListCurrent(WindowHandle, u16v, int32_t) override {}
  void setListSelected(WindowHandle, int32_t, bool) override {}
  void setListCaret(WindowHandle, int32_t) override {}
  int32_t listSelectedCount(WindowHandle) override { return 0; }
  void showDropDown(WindowHandle, bool) override {}
  void sendKey(WindowHandle, WindowHandle, uint32_t) override {}
  void lockUpdates(WindowHandle) override {}
  bool itemRect(WindowHandle, u16v, uint64_t, automation::WindowRect&) override { return false; }
  int32_t tabCurrent(WindowHandle) override { return -1; }
  void selectTab(WindowHandle, int32_t) override {}
  std::vector<TreeItem> treeChildren(WindowHandle, uint64_t) override { return {}; }
  void selectTreeItem(WindowHandle, uint64_t) override {}
  void expandTreeItem(WindowHandle, uint64_t) override {}
  int32_t treeItemCheck(WindowHandle, uint64_t) override { return -1; }
  int32_t listViewCheck(WindowHandle, int32_t) override { return -1; }
  void selectListViewRow(WindowHandle, int32_t, bool) override {}
  bool ctrlHeld() override { return false; }
  void setHotItem(WindowHandle, int32_t) override {}
  void postMenuCommand(WindowHandle, uint32_t) override {}
  bool initMenuPopup(WindowHandle, const automation::MenuEntry&, bool&, bool&) override { return false; }
  bool cursorPosition(int32_t&, int32_t&) override { return false; }
  void setCursorPosition(int32_t, int32_t) override {}
  int32_t desktopRight() override { return 1024; }
  bool sliderState(WindowHandle, u16v, SliderState&) override { return false; }
  void setTrackBarPosition(WindowHandle, int32_t) override {}
  void sendScroll(WindowHandle, u16v, int32_t, int32_t) override {}
};

}  // namespace kova::testing
