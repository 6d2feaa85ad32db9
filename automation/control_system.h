#pragma once
// What the control operations ask of the controls themselves: their texts
// and items, read through the controls' own messages (item structures go
// through a buffer in the target process). The Windows build implements it
// in automation/win; the native build has none (hostControlSystem() is
// null) and the control built-ins report that they are not available on
// this platform.

#include <cstdint>
#include <vector>

#include "automation/window_search.h"

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
  // Posts one character message (one UTF-16 unit).
  virtual void postCharacter(WindowHandle h, char16_t c) = 0;
  // Marks an edit control as modified (EM_SETMODIFY).
  virtual void setModified(WindowHandle h) = 0;
  // Gives the control the keyboard focus (input of its thread attached).
  virtual void focusControl(WindowHandle h) = 0;
  // Posts a left button down and up at a client position of the control.
  virtual void postLeftClick(WindowHandle h, int32_t x, int32_t y) = 0;
};

// The implementation of this build; null where controls do not exist.
ControlSystem* hostControlSystem();

}  // namespace kova::automation
