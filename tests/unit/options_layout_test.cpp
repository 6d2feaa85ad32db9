// The options dialog's layout from measured captions: every caption fits
// its control, nothing overlaps or leaves the client area, and the hotkey
// boxes are numbered by the automation in the order scripts rely on.

#include "app/shell/options_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "automation/control_collector.h"

namespace kova::shell {
namespace {

OptionsMetrics metrics(int32_t fontHeight, int32_t captionWidth, int32_t comboEntryWidth) {
  OptionsMetrics m;
  m.fontHeight = fontHeight;
  for (int c = 0; c < kOptionsControlCount; ++c) {
    const auto control = static_cast<OptionsControl>(c);
    m.textWidth[c] =
        optionsControlKind(control) == OptionsControlKind::kCombo ? comboEntryWidth : captionWidth;
  }
  return m;
}

// Captions of very different lengths, as the two languages have.
OptionsMetrics uneven(int32_t fontHeight) {
  OptionsMetrics m = metrics(fontHeight, 40, 30);
  m.textWidth[kNotExtraMoveCheck] = 310;  // the longest English caption
  m.textWidth[kLowLevelRadio] = 150;
  m.textWidth[kHotkeyGroup] = 20;
  m.textWidth[hotkeyRowControl(2, HotkeyRowPart::kLabel)] = 90;
  m.textWidth[hotkeyRowControl(1, HotkeyRowPart::kModifier)] = 85;  // "SHIFT+CTRL"
  m.textWidth[kCancelButton] = 70;
  return m;
}

bool overlap(const LayoutBox& a, const LayoutBox& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

bool inside(const LayoutBox& inner, const LayoutBox& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right() <= outer.right() &&
         inner.bottom() <= outer.bottom();
}

// What a control needs at the least to show its caption whole: the box of
// a check box, the drop button of a combo box, the borders of a button,
// the indent of a group's caption.
void expectCaptionsFit(const OptionsMetrics& m, const OptionsLayout& l) {
  const int32_t h = m.fontHeight;
  for (int c = 0; c < kOptionsControlCount; ++c) {
    const LayoutBox& b = l.boxes[c];
    const int32_t t = m.textWidth[c];
    SCOPED_TRACE("control " + std::to_string(c));
    switch (optionsControlKind(static_cast<OptionsControl>(c))) {
      case OptionsControlKind::kGroup:
        EXPECT_GE(b.width, t + 2 * h);
        break;
      case OptionsControlKind::kCheck:
        EXPECT_GE(b.width, m.checkBox + 4 + t);
        EXPECT_GE(b.height, std::max(h, m.checkBox));
        break;
      case OptionsControlKind::kLabel:
        EXPECT_GE(b.width, t);
        EXPECT_GE(b.height, h);
        break;
      case OptionsControlKind::kCombo:
        EXPECT_GE(b.width, t + m.comboButton + 2 * m.edge + 2);
        EXPECT_GE(b.height, h + 2 * m.edge);
        break;
      case OptionsControlKind::kButton:
        EXPECT_GE(b.width, t + 2 * m.edge + 8);
        EXPECT_GE(b.height, h + 2 * m.edge);
        break;
    }
  }
}

void expectTidy(const OptionsLayout& l, int32_t fontHeight) {
  const LayoutBox client{0, 0, l.clientWidth, l.clientHeight};
  for (int c = 0; c < kOptionsControlCount; ++c) {
    SCOPED_TRACE("control " + std::to_string(c));
    const auto control = static_cast<OptionsControl>(c);
    EXPECT_TRUE(inside(l.boxes[c], client));
    EXPECT_GT(l.boxes[c].width, 0);
    const OptionsControl group = optionsGroupOf(control);
    if (group != kOptionsControlCount && group != control) {
      // Inside its group and below the group's caption.
      EXPECT_TRUE(inside(l.boxes[c], l.boxes[group]));
      EXPECT_GE(l.boxes[c].top, l.boxes[group].top + fontHeight);
    }
    for (int d = c + 1; d < kOptionsControlCount; ++d) {
      const auto other = static_cast<OptionsControl>(d);
      const bool groupAndMember = optionsGroupOf(other) == control || optionsGroupOf(control) == other;
      if (!groupAndMember) {
        EXPECT_FALSE(overlap(l.boxes[c], l.boxes[d])) << "and control " << d;
      }
    }
  }
}

TEST(OptionsLayout, CaptionsFitAndNothingOverlapsAtEveryFontSize) {
  for (int32_t h : {12, 13, 16, 20, 32}) {
    SCOPED_TRACE("font height " + std::to_string(h));
    for (const OptionsMetrics& m : {metrics(h, 40, 30), uneven(h), metrics(h, 0, 0)}) {
      const OptionsLayout l = layOutOptions(m);
      expectCaptionsFit(m, l);
      expectTidy(l, h);
    }
  }
}

TEST(OptionsLayout, ALongCaptionWidensTheDialogAndTheGroupsAlike) {
  OptionsMetrics m = uneven(13);
  const OptionsLayout base = layOutOptions(m);
  m.textWidth[kScheduleButton] = 900;
  const OptionsLayout wide = layOutOptions(m);
  EXPECT_GT(wide.clientWidth, 900);
  EXPECT_EQ(wide.boxes[kRecordingGroup].width, wide.boxes[kSchedulerGroup].width);
  EXPECT_EQ(wide.boxes[kHotkeyGroup].width, wide.boxes[kSchedulerGroup].width);
  EXPECT_EQ(wide.clientHeight, base.clientHeight);
  // OK and Cancel follow the right edge.
  EXPECT_EQ(wide.clientWidth - wide.boxes[kCancelButton].right(),
            base.clientWidth - base.boxes[kCancelButton].right());
  // A long group caption counts as well.
  m = uneven(13);
  m.textWidth[kHotkeyGroup] = 700;
  EXPECT_GE(layOutOptions(m).boxes[kRecordingGroup].width, 700);
}

TEST(OptionsLayout, TheLayoutReadsTopDownAsTheDialogIsUsed) {
  const OptionsLayout l = layOutOptions(uneven(13));
  const auto& b = l.boxes;
  EXPECT_EQ(b[kLowLevelRadio].top, b[kHighLevelRadio].top);
  // The two low-level options stand indented below the radio buttons.
  EXPECT_GE(b[kNotExtraMoveCheck].top, b[kLowLevelRadio].bottom());
  EXPECT_GT(b[kNotExtraMoveCheck].left, b[kToClipboardCheck].left);
  EXPECT_EQ(b[kNotExtraMoveCheck].left, b[kMouseOrgCheck].left);
  EXPECT_LT(b[kRecordingGroup].bottom(), b[kHotkeyGroup].top);
  EXPECT_LT(b[kHotkeyGroup].bottom(), b[kSchedulerGroup].top);
  EXPECT_EQ(b[kOkButton].top, b[kCancelButton].top);
  for (int row = 0; row < kHotkeyRowCount; ++row) {
    const LayoutBox& label = b[hotkeyRowControl(row, HotkeyRowPart::kLabel)];
    const LayoutBox& key = b[hotkeyRowControl(row, HotkeyRowPart::kKey)];
    // The label is centred on its row, the columns line up.
    EXPECT_LE(std::abs((label.top - key.top) - (key.bottom() - label.bottom())), 1);
    EXPECT_EQ(key.left, b[hotkeyRowControl(0, HotkeyRowPart::kKey)].left);
    EXPECT_EQ(b[hotkeyRowControl(row, HotkeyRowPart::kModifier)].left,
              b[hotkeyRowControl(0, HotkeyRowPart::kModifier)].left);
  }
}

TEST(OptionsLayout, ScriptsCountTheComboBoxesRowByRowKeyFirst) {
  // The automation numbers list controls by their screen position; a
  // script picks "the stop row's modifier" as list 4.
  const OptionsLayout l = layOutOptions(uneven(13));
  std::vector<automation::ControlCandidate> candidates;
  for (int c = kOptionsControlCount - 1; c >= 0; --c) {  // created in any order
    const auto control = static_cast<OptionsControl>(c);
    automation::ControlCandidate k;
    k.handle = 100 + c;
    k.parent = 1;
    k.cls = optionsControlKind(control) == OptionsControlKind::kCombo ? u"COMBOBOX" : u"BUTTON";
    k.visible = k.parentVisible = k.styleVisible = k.enabled = true;
    k.left = 300 + l.boxes[c].left;
    k.top = 200 + l.boxes[c].top;
    candidates.push_back(k);
  }
  automation::ControlCandidate window;
  window.handle = 1;
  window.cls = u"TFSETSET.UNICODECLASS";
  window.visible = window.enabled = true;
  const auto lists = automation::collectControls(candidates, window, automation::kFamilyList, false);
  ASSERT_EQ(lists.size(), 2u * kHotkeyRowCount);
  for (int row = 0; row < kHotkeyRowCount; ++row) {
    EXPECT_EQ(lists[2 * row].handle, 100u + hotkeyRowControl(row, HotkeyRowPart::kKey));
    EXPECT_EQ(lists[2 * row + 1].handle, 100u + hotkeyRowControl(row, HotkeyRowPart::kModifier));
  }
}

TEST(OptionsDialogPlace, CentredOnTheOwnerAndKeptOnTheDesktop) {
  const ScreenBox desk{0, 0, 1024, 768};
  const auto at = [&](ScreenBox owner, int32_t w, int32_t h) {
    const Place p = optionsDialogPlace(owner, w, h, desk);
    return std::pair{p.left, p.top};
  };
  EXPECT_EQ(at({100, 100, 500, 400}, 200, 100), (std::pair{200, 200}));
  // An owner at the right and bottom edges, and one beyond the top left.
  EXPECT_EQ(at({900, 700, 1100, 800}, 300, 200), (std::pair{724, 568}));
  EXPECT_EQ(at({-400, -300, -100, -100}, 300, 200), (std::pair{0, 0}));
  // Larger than the desktop: the caption bar stays on it.
  EXPECT_EQ(at({100, 100, 500, 400}, 2000, 1000), (std::pair{0, 0}));
  // A desktop that does not start at 0 (a monitor left of the primary one).
  const Place p = optionsDialogPlace({-1900, 10, -1700, 50}, 400, 300, {-1920, 0, 0, 1080});
  EXPECT_EQ(p.left, -1920);
  EXPECT_EQ(p.top, 0);
}

}  // namespace
}  // namespace kova::shell
