#pragma once
// What the control operations ask of the controls themselves: their texts
// and items, read through the controls' own messages (item structures go
// through a buffer in the target process). The Windows build implements it
// in automation/win; the native build has none (hostControlSystem() is
// null) and the control built-ins report that they are not available on
// this platform.

#include <cstdint>
#include <vector>

#include "automation/accessibility.h"
#include "automation/window_search.h"
#include "automation/window_system.h"

namespace kova::automation {

struct ToolbarEntry {
  u16 caption;
  int32_t command = 0;
  bool enabled = true;
  bool hidden = false;
};

struct MenuEntry {
  u16 text;  // as the menu holds it ("&Open...\tCtrl+O")
  uint32_t id = 0;
  bool separator = false;
  bool greyed = false;  // greyed or disabled
  bool checked = false;
  std::vector<MenuEntry> submenu;
  uint64_t menu = 0;     // the menu that holds the item
  int32_t position = 0;  // its place there
  bool onBar = false;    // that menu is the menu bar
};

class ControlSystem {
 public:
  virtual ~ControlSystem() = default;

  // The control's whole text (up to 65001 characters); "" when it does not
  // answer within a second.
  virtual u16 controlText(WindowHandle h) = 0;
  // The entries of a list box or combo box (`cls` tells which).
  virtual std::vector<u16> listEntries(WindowHandle h, u16v cls) = 0;
  // The tab captions of a tab control.
  virtual std::vector<u16> tabTexts(WindowHandle h) = 0;
  // The texts of a status bar's parts.
  virtual std::vector<u16> statusParts(WindowHandle h) = 0;
  // The texts of one column of a list view's rows (0: the first column).
  virtual std::vector<u16> listViewTexts(WindowHandle h, int32_t column) = 0;
  // The captions of a list view's column headers.
  virtual std::vector<u16> listViewHeaders(WindowHandle h) = 0;
  // A tree view's item texts, depth-first from the first root.
  virtual std::vector<u16> treeViewTexts(WindowHandle h) = 0;
  virtual std::vector<ToolbarEntry> toolbarButtons(WindowHandle h) = 0;
  // The window's menu bar after the menu-initialise message; empty when it
  // has none or it cannot be read.
  virtual std::vector<MenuEntry> menuBar(WindowHandle window) = 0;

  // --- Texts -------------------------------------------------------------
  // The selected part of an edit control: [start, end) in UTF-16 units;
  // false when it does not tell.
  virtual bool editSelection(WindowHandle h, int32_t& start, int32_t& end) = 0;
  // The clipboard's text ("" when it holds none); putting text on it, one
  // try (false when the clipboard is busy).
  virtual u16 clipboardText() = 0;
  virtual bool setClipboardText(const u16& text) = 0;
  // The control that has the keyboard focus inside `window` (asked with
  // the input of the window's thread attached), or 0.
  virtual WindowHandle focusedControl(WindowHandle window) = 0;
  // Replaces the control's text; false when it does not answer within a
  // second or hangs.
  virtual bool setControlText(WindowHandle h, const u16& text) = 0;
  // One character message (one UTF-16 unit), sent and answered (or given
  // up after a second): a posted one could still wait in the target's
  // queue when SENDSTR returns, and a GETSTR right after would read half
  // the text.
  virtual void sendCharacter(WindowHandle h, char16_t c) = 0;
  // Marks an edit control as modified (EM_SETMODIFY).
  virtual void setModified(WindowHandle h) = 0;
  // Gives the control the keyboard focus (input of its thread attached).
  virtual void focusControl(WindowHandle h) = 0;
  // Posts a left button down and up at a client position of the control.
  virtual void postLeftClick(WindowHandle h, int32_t x, int32_t y) = 0;
  // The posted clicks of CLK_LEFTCLK / CLK_RIGHTCLK at a client position:
  // left down, up; right down, up, up; with `twice` followed by the
  // double-click message and the up message(s) once more.
  virtual void postMouseClick(WindowHandle h, int32_t x, int32_t y, bool right, bool twice) = 0;
  // Sets the real cursor to a client position of the control.
  virtual void moveCursorTo(WindowHandle h, int32_t x, int32_t y) = 0;

  // --- States and selections ---------------------------------------------
  // A button's check state (0, 1, 2); -1 when it does not answer.
  virtual int32_t buttonCheck(WindowHandle h) = 0;
  virtual bool isEnabled(WindowHandle h) = 0;
  // The window's style bits and its class's style bits.
  virtual uint32_t style(WindowHandle h) = 0;
  virtual uint32_t classStyle(WindowHandle h) = 0;
  // The current entry of a list box or combo box (`cls` tells which), -1
  // for none; making an entry current without notifying the owner.
  virtual int32_t listCurrent(WindowHandle h, u16v cls) = 0;
  virtual void setListCurrent(WindowHandle h, u16v cls, int32_t index) = 0;
  // A multiple-selection list box: (de)selecting one entry or, with index
  // -1, all; the caret; how many entries are selected.
  virtual void setListSelected(WindowHandle h, int32_t index, bool selected) = 0;
  virtual void setListCaret(WindowHandle h, int32_t index) = 0;
  virtual int32_t listSelectedCount(WindowHandle h) = 0;
  // Opens or closes a combo box's drop-down list.
  virtual void showDropDown(WindowHandle h, bool show) = 0;
  // The key routine: a key-down and key-up message sent to the control,
  // then a null message to it and to `window`, each answered within a
  // second or given up.
  virtual void sendKey(WindowHandle h, WindowHandle window, uint32_t vk) = 0;
  // Stops (0: resumes) the drawing of a window while its state is set.
  virtual void lockUpdates(WindowHandle h) = 0;

  // --- Items of tabs, tree views, list views and toolbars ---------------
  // An item's rectangle in the control's client coordinates; false when
  // it cannot be read. `item` is the index (tab, row, toolbar button) or
  // the tree item's handle.
  virtual bool itemRect(WindowHandle h, u16v cls, uint64_t item, WindowRect& r) = 0;
  virtual int32_t tabCurrent(WindowHandle h) = 0;
  // Selects a tab as a user's click does: the parent is told the selection
  // is changing, the tab gets focus and selection, the parent is told it
  // changed.
  virtual void selectTab(WindowHandle h, int32_t index) = 0;
  // The children of a tree item (0: the roots), with their texts.
  struct TreeItem {
    uint64_t handle = 0;
    u16 text;
  };
  virtual std::vector<TreeItem> treeChildren(WindowHandle h, uint64_t parent) = 0;
  // Makes the item visible and selects it (the tree view notifies).
  virtual void selectTreeItem(WindowHandle h, uint64_t item) = 0;
  // Expands an item, as a user opening it does: programs that fill their
  // trees on demand add its children now.
  virtual void expandTreeItem(WindowHandle h, uint64_t item) = 0;
  // The state image (check box) of a tree item or list-view row: 0
  // unchecked, 1 checked, -1 none.
  virtual int32_t treeItemCheck(WindowHandle h, uint64_t item) = 0;
  virtual int32_t listViewCheck(WindowHandle h, int32_t row) = 0;
  // Selects and focuses a row, after clearing the other selections when
  // `only` (the list view notifies).
  virtual void selectListViewRow(WindowHandle h, int32_t row, bool only) = 0;
  // Whether the user holds a Ctrl key down now.
  virtual bool ctrlHeld() = 0;
  // The real cursor's position on the screen, and moving it there.
  virtual bool cursorPosition(int32_t& x, int32_t& y) = 0;
  virtual void setCursorPosition(int32_t x, int32_t y) = 0;
  // The right edge of the desktop (all monitors).
  virtual int32_t desktopRight() = 0;
  // Makes a toolbar button the hot item.
  virtual void setHotItem(WindowHandle h, int32_t index) = 0;
  // Tells the window that the submenu holding `item` opens (the
  // popup-initialise message; programs set check marks and greyed states
  // then), and reads the item's state anew; false when it cannot be read.
  virtual bool initMenuPopup(WindowHandle window, const MenuEntry& item, bool& checked, bool& greyed) = 0;
  // Posts the command message of a menu item to the window.
  virtual void postMenuCommand(WindowHandle window, uint32_t id) = 0;

  // --- Sliders: track bars, scroll-bar controls, window scroll bars ------
  // `cls` is the collector's: a track bar's or scroll bar's class, or
  // kHorizontalScrollEntry / kVerticalScrollEntry for the bar of a window's
  // own style.
  struct SliderState {
    int32_t position = 0, minimum = 0, maximum = 0, page = 0;
    bool vertical = false;
    WindowRect rect;  // on the screen
  };
  virtual bool sliderState(WindowHandle h, u16v cls, SliderState& s) = 0;
  // A track bar's position, set with redraw.
  virtual void setTrackBarPosition(WindowHandle h, int32_t position) = 0;
  // One scroll message to the bar's owner (SB_ codes; the thumb codes
  // carry `position`), as moving the bar by hand sends it.
  virtual void sendScroll(WindowHandle h, u16v cls, int32_t code, int32_t position) = 0;

  // --- Objects the program describes itself with -------------------------
  // The accessibility layer the accessible kinds use; null where there is
  // none, and those kinds then find nothing.
  virtual AccessibilitySystem* accessibility() { return nullptr; }
};

// The implementation of this build; null where controls do not exist.
ControlSystem* hostControlSystem();

}  // namespace kova::automation
