// The item structures in the target's layout: the 64-bit one checked
// against the system's own headers in the Windows build, the 32-bit one by
// its known offsets.

#include <gtest/gtest.h>

#include <cstring>

#include "automation/item_structs.h"

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <cstddef>
#endif

namespace kova::automation {
namespace {

template <class T>
T at(const std::string& bytes, size_t offset) {
  T v{};
  std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

ItemRequest request() {
  ItemRequest r;
  r.mask = 0x1;
  r.item = 7;
  r.subItem = 2;
  r.handle = 0x1122334455667788ULL;
  r.stateMask = 0xF000;
  r.text = 0x0000123456789ABCULL;
  r.textChars = 2048;
  return r;
}

TEST(ItemStructs, SixtyFourBitLayouts) {
  const std::string lv = listViewItem(TargetBits::k64, request());
  ASSERT_EQ(lv.size(), 88u);
  EXPECT_EQ(at<int32_t>(lv, 4), 7);
  EXPECT_EQ(at<int32_t>(lv, 8), 2);
  EXPECT_EQ(at<uint32_t>(lv, 16), 0xF000u);
  EXPECT_EQ(at<uint64_t>(lv, 24), 0x0000123456789ABCULL);
  EXPECT_EQ(at<int32_t>(lv, 32), 2048);
  const std::string tv = treeViewItem(TargetBits::k64, request());
  ASSERT_EQ(tv.size(), 56u);
  EXPECT_EQ(at<uint64_t>(tv, 8), 0x1122334455667788ULL);
  EXPECT_EQ(at<uint64_t>(tv, 24), 0x0000123456789ABCULL);
  const std::string tab = tabItem(TargetBits::k64, request());
  ASSERT_EQ(tab.size(), 40u);
  EXPECT_EQ(at<uint64_t>(tab, 16), 0x0000123456789ABCULL);
  EXPECT_EQ(at<int32_t>(tab, 24), 2048);
  EXPECT_EQ(toolbarButtonSize(TargetBits::k64), 32u);
  const std::string header = headerItem(TargetBits::k64, request());
  ASSERT_EQ(header.size(), 72u);
  EXPECT_EQ(at<uint64_t>(header, 8), 0x0000123456789ABCULL);
  EXPECT_EQ(at<int32_t>(header, 24), 2048);
#ifdef _WIN32
  EXPECT_EQ(sizeof(HDITEMW), 72u);
  EXPECT_EQ(offsetof(HDITEMW, pszText), 8u);
  EXPECT_EQ(offsetof(HDITEMW, cchTextMax), 24u);
  static_assert(sizeof(void*) == 8);
  EXPECT_EQ(sizeof(LVITEMW), 88u);
  EXPECT_EQ(offsetof(LVITEMW, pszText), 24u);
  EXPECT_EQ(offsetof(LVITEMW, cchTextMax), 32u);
  EXPECT_EQ(offsetof(LVITEMW, stateMask), 16u);
  EXPECT_EQ(sizeof(TVITEMW), 56u);
  EXPECT_EQ(offsetof(TVITEMW, hItem), 8u);
  EXPECT_EQ(offsetof(TVITEMW, state), 16u);
  EXPECT_EQ(offsetof(TVITEMW, pszText), 24u);
  EXPECT_EQ(offsetof(TVITEMW, cchTextMax), 32u);
  EXPECT_EQ(sizeof(TCITEMW), 40u);
  EXPECT_EQ(offsetof(TCITEMW, pszText), 16u);
  EXPECT_EQ(offsetof(TCITEMW, cchTextMax), 24u);
  EXPECT_EQ(sizeof(TBBUTTON), 32u);
  EXPECT_EQ(offsetof(TBBUTTON, dwData), 16u);
  EXPECT_EQ(offsetof(TBBUTTON, iString), 24u);
#endif
}

TEST(ItemStructs, ThirtyTwoBitLayouts) {
  const std::string lv = listViewItem(TargetBits::k32, request());
  ASSERT_EQ(lv.size(), 60u);
  EXPECT_EQ(at<uint32_t>(lv, 20), 0x56789ABCu);  // a 32-bit pointer
  EXPECT_EQ(at<int32_t>(lv, 24), 2048);
  const std::string tv = treeViewItem(TargetBits::k32, request());
  ASSERT_EQ(tv.size(), 40u);
  EXPECT_EQ(at<uint32_t>(tv, 4), 0x55667788u);
  EXPECT_EQ(at<uint32_t>(tv, 12), 0xF000u);
  EXPECT_EQ(at<uint32_t>(tv, 16), 0x56789ABCu);
  EXPECT_EQ(at<int32_t>(tv, 20), 2048);
  const std::string tab = tabItem(TargetBits::k32, request());
  ASSERT_EQ(tab.size(), 28u);
  EXPECT_EQ(at<uint32_t>(tab, 12), 0x56789ABCu);
  EXPECT_EQ(at<int32_t>(tab, 16), 2048);
  EXPECT_EQ(toolbarButtonSize(TargetBits::k32), 20u);
  const std::string header = headerItem(TargetBits::k32, request());
  ASSERT_EQ(header.size(), 48u);
  EXPECT_EQ(at<uint32_t>(header, 8), 0x56789ABCu);
  EXPECT_EQ(at<int32_t>(header, 16), 2048);
}

TEST(ItemStructs, AnswersAreReadInTheTargetsLayout) {
  std::string lv = listViewItem(TargetBits::k32, request());
  const uint32_t state = 0x2000;
  std::memcpy(lv.data() + 12, &state, 4);
  EXPECT_EQ(readListViewItem(TargetBits::k32, lv).state, 0x2000u);
  EXPECT_EQ(readListViewItem(TargetBits::k32, lv).text, 0x56789ABCu);
  std::string tv = treeViewItem(TargetBits::k64, request());
  std::memcpy(tv.data() + 16, &state, 4);
  EXPECT_EQ(readTreeViewItem(TargetBits::k64, tv).state, 0x2000u);
  // Short answers read as zero, never past the end.
  EXPECT_EQ(readTabItem(TargetBits::k64, std::string(3, '\x7f')).text, 0u);

  std::string b32(20, '\0');
  const int32_t command = 1001, text = 3;
  std::memcpy(b32.data() + 4, &command, 4);
  b32[8] = 4;  // TBSTATE_ENABLED
  std::memcpy(b32.data() + 16, &text, 4);
  const ToolbarButton b = readToolbarButton(TargetBits::k32, b32);
  EXPECT_EQ(b.command, 1001);
  EXPECT_EQ(b.state, 4);
  EXPECT_EQ(b.string, 3);
}

}  // namespace
}  // namespace kova::automation
