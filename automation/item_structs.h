#pragma once
// The item structures of list views, tree views, tabs and toolbars as the
// target process lays them out. KOVA is a 64-bit program, but the control
// it reads may belong to a 32-bit program, whose structures hold 32-bit
// pointers and are packed differently: a request is built as bytes in the
// target's layout, copied into the target, and the answer read back from
// those bytes. Portable, so that both layouts are tested everywhere.

#include <cstdint>
#include <string>

namespace kova::automation {

enum class TargetBits { k32, k64 };

// Fields of a request. `text` is the address (in the target) of a text
// buffer of `textChars` UTF-16 units.
struct ItemRequest {
  uint32_t mask = 0;
  int32_t item = 0;      // list view: row; tab: unused
  int32_t subItem = 0;   // list view: column
  uint64_t handle = 0;   // tree view: the item's handle
  uint32_t state = 0;
  uint32_t stateMask = 0;
  uint64_t text = 0;
  int32_t textChars = 0;
};

// LVITEMW, TVITEMW and TCITEMW in the target's layout, zero elsewhere.
std::string listViewItem(TargetBits bits, const ItemRequest& r);
std::string treeViewItem(TargetBits bits, const ItemRequest& r);
std::string tabItem(TargetBits bits, const ItemRequest& r);
// HDITEMW of a list view's column header (mask, text, textChars).
std::string headerItem(TargetBits bits, const ItemRequest& r);

// The fields of an item structure read back from the target.
struct ItemAnswer {
  uint32_t state = 0;
  uint64_t text = 0;  // where the control put the text (it may use its own buffer)
};
ItemAnswer readListViewItem(TargetBits bits, const std::string& bytes);
ItemAnswer readTreeViewItem(TargetBits bits, const std::string& bytes);
ItemAnswer readTabItem(TargetBits bits, const std::string& bytes);

// TBBUTTON as TB_GETBUTTON writes it.
struct ToolbarButton {
  int32_t bitmap = 0;
  int32_t command = 0;
  uint8_t state = 0;
  uint8_t style = 0;
  uint64_t data = 0;
  int64_t string = 0;  // a string index or a pointer in the target
};
size_t toolbarButtonSize(TargetBits bits);
ToolbarButton readToolbarButton(TargetBits bits, const std::string& bytes);

}  // namespace kova::automation
