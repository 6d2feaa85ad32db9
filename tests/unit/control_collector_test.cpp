// The control collector's rules and the item matcher, without a desktop:
// which descendants count as which family, their numbering, and how the
// names users give match captions and item texts.

#include <gtest/gtest.h>

#include "automation/control_collector.h"
#include "automation/item_matcher.h"

namespace kova::automation {
namespace {

ControlCandidate control(WindowHandle h, const char16_t* cls, int32_t left, int32_t top) {
  ControlCandidate c;
  c.handle = h;
  c.parent = 1;
  c.cls = cls;
  c.visible = c.parentVisible = c.styleVisible = c.enabled = true;
  c.left = left;
  c.top = top;
  return c;
}

std::vector<WindowHandle> handles(const std::vector<CollectedControl>& list) {
  std::vector<WindowHandle> out;
  for (const auto& c : list) out.push_back(c.handle);
  return out;
}

TEST(ControlCollector, FamiliesByClassName) {
  EXPECT_TRUE(classInFamilies(u"BUTTON", kFamilyButton));
  EXPECT_TRUE(classInFamilies(u"TBUTTON", kFamilyButton));
  EXPECT_TRUE(classInFamilies(u"WINDOWSFORMS10.BUTTON.APP.0.1", kFamilyButton));
  EXPECT_FALSE(classInFamilies(u"STATIC", kFamilyButton));
  EXPECT_TRUE(classInFamilies(u"COMBOBOX", kFamilyList));
  EXPECT_TRUE(classInFamilies(u"SYSTABCONTROL32", kFamilyTab));
  EXPECT_TRUE(classInFamilies(u"SYSLISTVIEW32", kFamilyListView));
  EXPECT_TRUE(classInFamilies(u"EDTBX", kFamilyEdit));
  EXPECT_TRUE(classInFamilies(u"_WWG", kFamilyEdit));
  EXPECT_FALSE(classInFamilies(u"_WWGX", kFamilyEdit));
  EXPECT_TRUE(classInFamilies(u"SYSDATETIMEPICK32", kFamilyEdit));
  EXPECT_TRUE(classInFamilies(u"MSCTLS_STATUSBAR32", kFamilyStatic));  // "STATUS" is a static too
  EXPECT_TRUE(classInFamilies(u"MSCTLS_TRACKBAR32", kFamilySlider));
  EXPECT_TRUE(classInFamilies(u"ANYTHING", kFamilyAll));
  EXPECT_FALSE(classInFamilies(u"ANYTHING", kFamilyButton | kFamilyList));
}

TEST(ControlCollector, NumbersTopToBottomThenLeftToRight) {
  // Enumeration order differs from the screen order.
  const std::vector<ControlCandidate> d = {control(10, u"BUTTON", 200, 50), control(11, u"BUTTON", 10, 80),
                                           control(12, u"BUTTON", 10, 50), control(13, u"EDIT", 0, 0)};
  const ControlCandidate window = control(1, u"#32770", 0, 0);
  const auto buttons = collectControls(d, window, kFamilyButton, false);
  EXPECT_EQ(handles(buttons), (std::vector<WindowHandle>{12, 10, 11}));
  EXPECT_EQ(nthControl(buttons, 2)->handle, 10u);
  EXPECT_EQ(nthControl(buttons, 0), nullptr);
  EXPECT_EQ(nthControl(buttons, 4), nullptr);
  EXPECT_EQ(handles(collectControls(d, window, kFamilyButton | kFamilyEdit, false)),
            (std::vector<WindowHandle>{13, 12, 10, 11}));
}

TEST(ControlCollector, VisibilityEnabledAndHiddenTabPages) {
  auto hidden = control(20, u"BUTTON", 0, 0);
  hidden.visible = hidden.styleVisible = false;
  auto onHiddenPage = control(21, u"BUTTON", 0, 10);
  onHiddenPage.visible = onHiddenPage.parentVisible = false;  // its own style still visible
  auto disabled = control(22, u"BUTTON", 0, 20);
  disabled.enabled = false;
  const std::vector<ControlCandidate> d = {hidden, onHiddenPage, disabled};
  const ControlCandidate window = control(1, u"#32770", 0, 0);
  EXPECT_EQ(handles(collectControls(d, window, kFamilyButton, false)), (std::vector<WindowHandle>{21}));
  EXPECT_EQ(handles(collectControls(d, window, kFamilyButton, true)), (std::vector<WindowHandle>{21, 22}));
  // Check states and "every control" include disabled controls.
  EXPECT_EQ(handles(collectControls(d, window, kFamilyButton | 0x4000000, false)), (std::vector<WindowHandle>{21, 22}));
  EXPECT_EQ(collectControls(d, window, kFamilyAll, false).size(), 2u);
}

TEST(ControlCollector, ComboBoxInsideComboBoxExIsNotAListOfItsOwn) {
  auto ex = control(30, u"COMBOBOXEX32", 0, 0);
  auto inner = control(31, u"COMBOBOX", 2, 2);
  inner.parent = 30;
  auto alone = control(32, u"COMBOBOX", 0, 40);
  const ControlCandidate window = control(1, u"#32770", 0, 0);
  EXPECT_EQ(handles(collectControls({ex, inner, alone}, window, kFamilyList, false)),
            (std::vector<WindowHandle>{30, 32}));
}

TEST(ControlCollector, ScrollBarsComeAfterEveryControl) {
  auto track = control(40, u"MSCTLS_TRACKBAR32", 0, 300);
  auto pane = control(41, u"KOVAPANE", 0, 10);  // no slider family, but scroll bars in its style
  pane.verticalScroll = pane.horizontalScroll = true;
  ControlCandidate window = control(1, u"KOVAMAIN", 0, 0);
  window.verticalScroll = true;
  const auto list = collectControls({track, pane}, window, kFamilySlider, false);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].handle, 40u);
  EXPECT_EQ(list[1].handle, 41u);
  EXPECT_EQ(list[1].cls, kVerticalScrollEntry);
  EXPECT_EQ(list[2].cls, kHorizontalScrollEntry);
  EXPECT_EQ(list[3].handle, 1u);
  EXPECT_EQ(list[3].cls, kVerticalScrollEntry);
  // Other families see no pseudo-entries.
  EXPECT_TRUE(collectControls({track, pane}, window, kFamilyButton, false).empty());
}

TEST(ControlCollector, AccessibilityCandidates) {
  auto leaf = control(50, u"KOVAVIEW", 0, 0);
  auto container = control(51, u"KOVAFRAME", 0, 10);
  container.hasChildren = true;
  auto covered = container;
  covered.handle = 52;
  covered.topmostAtCentre = true;
  auto activeX = control(53, u"ATL:ACTIVEX", 0, 20);
  const ControlCandidate window = control(1, u"KOVAMAIN", 0, 0);
  const std::vector<ControlCandidate> d = {leaf, container, covered, activeX};
  EXPECT_EQ(handles(collectControls(d, window, kFamilyAccessible, false)), (std::vector<WindowHandle>{50, 52}));
  EXPECT_EQ(handles(collectControls(d, window, 0xC000, false)), (std::vector<WindowHandle>{50, 52, 53}));
  // The only descendant counts even with children.
  EXPECT_EQ(handles(collectControls({container}, window, kFamilyAccessible, false)), (std::vector<WindowHandle>{51}));
}

// The Windows side reads only the class of a descendant the mask cannot
// take: that must never lose a control the full facts would have given.
TEST(ControlCollector, ClassesTheMaskCannotTakeAreNeverCollected) {
  const char16_t* classes[] = {u"BUTTON", u"EDIT", u"STATIC", u"COMBOBOX", u"COMBOBOXEX32", u"LISTBOX",
                               u"SYSLISTVIEW32", u"SYSTREEVIEW32", u"SYSTABCONTROL32", u"TOOLBARWINDOW32",
                               u"MSCTLS_STATUSBAR32", u"MSCTLS_TRACKBAR32", u"SCROLLBAR", u"SYSDATETIMEPICK32",
                               u"_WWG", u"EDTBX", u"INTERNET EXPLORER_SERVER", u"SHELLDLL_DEFVIEW", u"KOVAPANE",
                               u"ATL:ACTIVEX"};
  const uint32_t masks[] = {kFamilyButton, kFamilyList, kFamilyTab, kFamilyTreeView, kFamilyListView,
                            kFamilyToolbar, kFamilyEdit, kFamilyStatic, kFamilyStatusBar, kFamilyButton | kFamilyStatic,
                            kFamilyBrowserAlways, kFamilyEdit | kFamilyBrowserAlways, 0x4000000 | kFamilyButton};
  const ControlCandidate window = control(1, u"#32770", 0, 0);
  int skipped = 0;
  for (uint32_t mask : masks) {
    for (const char16_t* cls : classes) {
      if (mayBeCollected(cls, mask)) continue;
      ++skipped;
      // Every fact that could make it count.
      ControlCandidate c = control(60, cls, 5, 5);
      c.hasChildren = true;
      c.topmostAtCentre = c.horizontalScroll = c.verticalScroll = true;
      EXPECT_TRUE(collectControls({c}, window, mask, true).empty()) << "mask " << mask;
    }
  }
  EXPECT_GT(skipped, 100);
  EXPECT_FALSE(mayBeCollected(u"BUTTON", kFamilyEdit));
  EXPECT_TRUE(mayBeCollected(u"EDIT", kFamilyEdit));
  EXPECT_TRUE(mayBeCollected(u"MSCTLS_STATUSBAR32", kFamilyStatic));
  EXPECT_TRUE(mayBeCollected(u"INTERNET EXPLORER_SERVER", kFamilyBrowserAlways));
  // Scroll bars of a window's style, accessibility candidates and "every
  // control" come from any class.
  EXPECT_TRUE(mayBeCollected(u"KOVAPANE", kFamilySlider));
  EXPECT_TRUE(mayBeCollected(u"KOVAPANE", kFamilyAccessible));
  EXPECT_TRUE(mayBeCollected(u"KOVAPANE", kFamilyAll));
}

TEST(ControlCollector, CandidateWithoutFactsNeverTakesPart) {
  ControlCandidate unread = control(70, u"BUTTON", 0, 0);
  unread.factsRead = false;
  const ControlCandidate read = control(71, u"BUTTON", 0, 10);
  const ControlCandidate window = control(1, u"#32770", 0, 0);
  EXPECT_EQ(handles(collectControls({unread, read}, window, kFamilyButton, true)), (std::vector<WindowHandle>{71}));
  EXPECT_EQ(handles(collectControls({unread, read}, window, kFamilyAll, true)), (std::vector<WindowHandle>{71}));
}

TEST(ItemMatcher, CaptionsAndItemTexts) {
  const ItemName save(u"save", true, false);
  EXPECT_TRUE(save.matches(u"&Save..."));
  EXPECT_TRUE(ItemName(u"SAVE:", true, false).matches(u"&Save..."));
  EXPECT_TRUE(ItemName(u"Open", true, false).matches(u"Open (&O)"));
  EXPECT_FALSE(ItemName(u"Sav", true, false).matches(u"&Save..."));
  EXPECT_TRUE(ItemName(u"Sav", true, true).matches(u"&Save..."));
  EXPECT_FALSE(ItemName(u"", true, true).matches(u"&Save..."));  // an empty partial name matches nothing
  // Nor does an empty name match an empty text (what an unreadable control
  // gives), whole or once trimmed.
  EXPECT_FALSE(ItemName(u"", true, false).matches(u""));
  EXPECT_FALSE(ItemName(u" ", false, false).matches(u" "));
  // Item texts are not caption-normalised, but trimmed.
  EXPECT_TRUE(ItemName(u" beta ", false, false).matches(u"Beta"));
  EXPECT_TRUE(ItemName(u"beta", false, false).matches(u"Beta  "));
  EXPECT_FALSE(ItemName(u"beta", false, false).matches(u"Beta..."));
  // Full- and half-width forms.
  EXPECT_TRUE(ItemName(u"カタカナ", false, false).matches(u"ｶﾀｶﾅ"));
  EXPECT_TRUE(ItemName(u"ＡＢ", false, true).matches(u"xab"));
  // Multiple selections: names separated by tabs.
  const auto names = itemNames(u"red\tBlue ", false, false);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_TRUE(matchesAny(names, u"Red"));
  EXPECT_TRUE(matchesAny(names, u"BLUE"));
  EXPECT_FALSE(matchesAny(names, u"Green"));
}

}  // namespace
}  // namespace kova::automation
