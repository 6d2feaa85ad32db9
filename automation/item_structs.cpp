#include "automation/item_structs.h"

#include <cstring>

namespace kova::automation {

namespace {

// Offsets of the fields a request uses, per layout.
struct Layout {
  size_t size;
  size_t mask, item, subItem, handle, state, stateMask, text, textChars;
};

constexpr size_t kNone = static_cast<size_t>(-1);

// LVITEMW: mask, iItem, iSubItem, state, stateMask, pszText, cchTextMax,
// iImage, lParam, iIndent, iGroupId, cColumns, puColumns, piColFmt, iGroup.
constexpr Layout kListView64{88, 0, 4, 8, kNone, 12, 16, 24, 32};
constexpr Layout kListView32{60, 0, 4, 8, kNone, 12, 16, 20, 24};
// TVITEMW: mask, hItem, state, stateMask, pszText, cchTextMax, iImage,
// iSelectedImage, cChildren, lParam.
constexpr Layout kTreeView64{56, 0, kNone, kNone, 8, 16, 20, 24, 32};
constexpr Layout kTreeView32{40, 0, kNone, kNone, 4, 8, 12, 16, 20};
// TCITEMW: mask, dwState, dwStateMask, pszText, cchTextMax, iImage, lParam.
constexpr Layout kTab64{40, 0, kNone, kNone, kNone, 4, 8, 16, 24};
constexpr Layout kTab32{28, 0, kNone, kNone, kNone, 4, 8, 12, 16};
// HDITEMW: mask, cxy, pszText, hbm, cchTextMax, fmt, lParam, iImage,
// iOrder, type, pvFilter, state.
constexpr Layout kHeader64{72, 0, kNone, kNone, kNone, kNone, kNone, 8, 24};
constexpr Layout kHeader32{48, 0, kNone, kNone, kNone, kNone, kNone, 8, 16};

template <class T>
void put(std::string& bytes, size_t at, T value) {
  if (at != kNone) std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <class T>
T get(const std::string& bytes, size_t at) {
  T value{};
  if (at != kNone && at + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

void putPointer(std::string& bytes, size_t at, TargetBits bits, uint64_t p) {
  if (bits == TargetBits::k64) put<uint64_t>(bytes, at, p);
  else put<uint32_t>(bytes, at, static_cast<uint32_t>(p));
}

uint64_t getPointer(const std::string& bytes, size_t at, TargetBits bits) {
  return bits == TargetBits::k64 ? get<uint64_t>(bytes, at) : get<uint32_t>(bytes, at);
}

std::string build(const Layout& l, TargetBits bits, const ItemRequest& r) {
  std::string bytes(l.size, '\0');
  put<uint32_t>(bytes, l.mask, r.mask);
  put<int32_t>(bytes, l.item, r.item);
  put<int32_t>(bytes, l.subItem, r.subItem);
  putPointer(bytes, l.handle, bits, r.handle);
  put<uint32_t>(bytes, l.state, r.state);
  put<uint32_t>(bytes, l.stateMask, r.stateMask);
  putPointer(bytes, l.text, bits, r.text);
  put<int32_t>(bytes, l.textChars, r.textChars);
  return bytes;
}

ItemAnswer answer(const Layout& l, TargetBits bits, const std::string& bytes) {
  return {get<uint32_t>(bytes, l.state), getPointer(bytes, l.text, bits)};
}

const Layout& pick(TargetBits bits, const Layout& l64, const Layout& l32) { return bits == TargetBits::k64 ? l64 : l32; }

}  // namespace

std::string listViewItem(TargetBits bits, const ItemRequest& r) {
  return build(pick(bits, kListView64, kListView32), bits, r);
}
std::string treeViewItem(TargetBits bits, const ItemRequest& r) {
  return build(pick(bits, kTreeView64, kTreeView32), bits, r);
}
std::string tabItem(TargetBits bits, const ItemRequest& r) { return build(pick(bits, kTab64, kTab32), bits, r); }
std::string headerItem(TargetBits bits, const ItemRequest& r) {
  return build(pick(bits, kHeader64, kHeader32), bits, r);
}

ItemAnswer readListViewItem(TargetBits bits, const std::string& bytes) {
  return answer(pick(bits, kListView64, kListView32), bits, bytes);
}
ItemAnswer readTreeViewItem(TargetBits bits, const std::string& bytes) {
  return answer(pick(bits, kTreeView64, kTreeView32), bits, bytes);
}
ItemAnswer readTabItem(TargetBits bits, const std::string& bytes) {
  return answer(pick(bits, kTab64, kTab32), bits, bytes);
}

// TBBUTTON: iBitmap, idCommand, fsState, fsStyle, bReserved (6 bytes in
// the 64-bit layout, 2 in the 32-bit one), dwData, iString.
size_t toolbarButtonSize(TargetBits bits) { return bits == TargetBits::k64 ? 32 : 20; }

ToolbarButton readToolbarButton(TargetBits bits, const std::string& bytes) {
  ToolbarButton b;
  b.bitmap = get<int32_t>(bytes, 0);
  b.command = get<int32_t>(bytes, 4);
  b.state = get<uint8_t>(bytes, 8);
  b.style = get<uint8_t>(bytes, 9);
  if (bits == TargetBits::k64) {
    b.data = get<uint64_t>(bytes, 16);
    b.string = get<int64_t>(bytes, 24);
  } else {
    b.data = get<uint32_t>(bytes, 12);
    b.string = get<int32_t>(bytes, 16);
  }
  return b;
}

}  // namespace kova::automation
