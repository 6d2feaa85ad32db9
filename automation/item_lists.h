#pragma once
// GETITEM: what a window offers, as the texts a script can hand back to
// CLKITEM, in a fixed order of kinds.

#include <cstdint>
#include <vector>

#include "automation/control_system.h"
#include "automation/window_system.h"

namespace kova::automation {

// The ITM_ kinds.
enum ItemKind : uint32_t {
  kItemButton = 0x1,
  kItemList = 0x2,
  kItemMenu = 0x4,
  kItemTab = 0x8,
  kItemTreeView = 0x10,
  kItemListView = 0x20,
  kItemToolbar = 0x40,
  kItemBack = 0x200,
  kItemEdit = 0x20000,
  kItemStatic = 0x40000,
  kItemStatusBar = 0x80000,
  kItemAccClick = 0x400000,  // with the modifier bits of accessible_search.h
  kItemAccText = 0x800000,
};

struct ItemListRequest {
  uint32_t kinds = 0;
  int64_t n = 1;           // which tree view, list view or list (1-based)
  int32_t column = 0;      // list-view column; negative: the column headers
  bool onlyEnabled = false;
};

// The texts in this order: button captions, tabs, menu items (depth-first),
// the n-th tree view's items, the n-th list view's rows (n at most 99),
// the n-th list or combo box's entries (n at most 99), edit texts, static
// texts, status-bar parts, toolbar buttons, then the texts of accessible
// objects (clickable ones, then text objects; the window is activated
// first unless ITM_BACK is given). Captions of buttons, menus and
// toolbars are caption-normalised; separators and hidden toolbar buttons
// are left out, and disabled controls, greyed menu items and disabled
// toolbar buttons too when `onlyEnabled`.
std::vector<u16> listItems(WindowSystem& ws, ControlSystem& cs, WindowHandle window, const ItemListRequest& r);

}  // namespace kova::automation
