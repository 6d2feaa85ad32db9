#include "app/shell/options_layout.h"

#include <algorithm>

namespace kova::shell {

OptionsControlKind optionsControlKind(OptionsControl c) {
  switch (c) {
    case kRecordingGroup:
    case kHotkeyGroup:
    case kSchedulerGroup:
      return OptionsControlKind::kGroup;
    case kLowLevelRadio:
    case kHighLevelRadio:
    case kNotExtraMoveCheck:
    case kMouseOrgCheck:
    case kToClipboardCheck:
      return OptionsControlKind::kCheck;
    case kScheduleButton:
    case kOkButton:
    case kCancelButton:
      return OptionsControlKind::kButton;
    default:
      break;
  }
  if (c >= kFirstHotkeyRow && c < kSchedulerGroup) {
    return (c - kFirstHotkeyRow) % 3 == 0 ? OptionsControlKind::kLabel : OptionsControlKind::kCombo;
  }
  return OptionsControlKind::kLabel;
}

OptionsControl optionsGroupOf(OptionsControl c) {
  if (c < kHotkeyGroup) return kRecordingGroup;
  if (c < kSchedulerGroup) return kHotkeyGroup;
  if (c <= kScheduleButton) return kSchedulerGroup;
  return kOptionsControlCount;
}

OptionsLayout layOutOptions(const OptionsMetrics& metrics) {
  OptionsLayout out;
  auto& box = out.boxes;
  const auto text = [&](OptionsControl c) { return std::max<int32_t>(metrics.textWidth[c], 0); };

  // Every distance follows the font, so that a larger font (or a larger
  // screen resolution) scales the whole dialog.
  const int32_t h = std::max<int32_t>(metrics.fontHeight, 8);
  const int32_t margin = h * 3 / 4;
  const int32_t gap = std::max<int32_t>(h / 3, 3);
  const int32_t checkBox = std::max<int32_t>(metrics.checkBox, 0);
  const int32_t edge = std::max<int32_t>(metrics.edge, 0);
  // A check box or radio button: its box, the gap the control leaves
  // before the caption, the caption and room for the focus rectangle.
  const int32_t checkHeight = std::max(h, checkBox) + gap;
  const auto checkWidth = [&](OptionsControl c) { return checkBox + h / 2 + text(c) + h / 2; };
  // A closed drop-down list: borders, the item's inner padding, the drop
  // button.
  const int32_t comboHeight = h + 2 * edge + 4;
  const auto comboWidth = [&](OptionsControl c) {
    return text(c) + std::max<int32_t>(metrics.comboButton, 0) + 2 * edge + h / 2;
  };
  const int32_t buttonHeight = h + h / 2 + 2 * edge + 2;
  const auto buttonWidth = [&](OptionsControl c) { return std::max(text(c) + 2 * h, 6 * h); };
  // A group's caption sits on its top edge; its members start below it.
  const auto groupContentTop = [&](int32_t groupTop) { return groupTop + h + gap; };
  const int32_t inner = margin + margin;  // the left edge of every group's members

  // --- Recording method ---
  const int32_t recordingTop = margin;
  int32_t y = groupContentTop(recordingTop);
  box[kLowLevelRadio] = {inner, y, checkWidth(kLowLevelRadio), checkHeight};
  box[kHighLevelRadio] = {box[kLowLevelRadio].right() + h, y, checkWidth(kHighLevelRadio), checkHeight};
  y += checkHeight + gap;
  // The low-level options stand under the radio button's caption.
  const int32_t indent = inner + checkBox + h / 2;
  box[kNotExtraMoveCheck] = {indent, y, checkWidth(kNotExtraMoveCheck), checkHeight};
  y += checkHeight + gap;
  box[kMouseOrgCheck] = {indent, y, checkWidth(kMouseOrgCheck), checkHeight};
  y += checkHeight + gap;
  box[kToClipboardCheck] = {inner, y, checkWidth(kToClipboardCheck), checkHeight};
  box[kRecordingGroup] = {margin, recordingTop, 0, box[kToClipboardCheck].bottom() + margin - recordingTop};

  // --- Hotkeys ---
  const int32_t hotkeyTop = box[kRecordingGroup].bottom() + margin;
  int32_t labelWidth = 0, keyWidth = 0, modifierWidth = 0;
  for (int row = 0; row < kHotkeyRowCount; ++row) {
    labelWidth = std::max(labelWidth, text(hotkeyRowControl(row, HotkeyRowPart::kLabel)) + 2);
    keyWidth = std::max(keyWidth, comboWidth(hotkeyRowControl(row, HotkeyRowPart::kKey)));
    modifierWidth = std::max(modifierWidth, comboWidth(hotkeyRowControl(row, HotkeyRowPart::kModifier)));
  }
  y = groupContentTop(hotkeyTop);
  for (int row = 0; row < kHotkeyRowCount; ++row) {
    const int32_t keyLeft = inner + labelWidth + h;
    box[hotkeyRowControl(row, HotkeyRowPart::kLabel)] = {inner, y + (comboHeight - h) / 2, labelWidth, h};
    box[hotkeyRowControl(row, HotkeyRowPart::kKey)] = {keyLeft, y, keyWidth, comboHeight};
    box[hotkeyRowControl(row, HotkeyRowPart::kModifier)] = {keyLeft + keyWidth + h / 2, y, modifierWidth,
                                                            comboHeight};
    y += comboHeight + gap;
  }
  box[kHotkeyGroup] = {margin, hotkeyTop, 0, y - gap + margin - hotkeyTop};

  // --- Scheduler ---
  const int32_t schedulerTop = box[kHotkeyGroup].bottom() + margin;
  box[kScheduleButton] = {inner, groupContentTop(schedulerTop), buttonWidth(kScheduleButton), buttonHeight};
  box[kSchedulerGroup] = {margin, schedulerTop, 0, box[kScheduleButton].bottom() + margin - schedulerTop};

  // The groups share one width: the widest member or caption decides.
  int32_t right = 0;
  for (int c = 0; c < kOkButton; ++c) {
    const auto control = static_cast<OptionsControl>(c);
    if (optionsControlKind(control) == OptionsControlKind::kGroup) {
      right = std::max(right, margin + h + text(control) + 2 * h);
    } else {
      right = std::max(right, box[c].right() + margin);
    }
  }
  const int32_t button = std::max(buttonWidth(kOkButton), buttonWidth(kCancelButton));
  right = std::max(right, margin + 2 * button + h / 2);
  for (OptionsControl g : {kRecordingGroup, kHotkeyGroup, kSchedulerGroup}) box[g].width = right - margin;

  // --- OK and Cancel ---
  const int32_t buttonTop = box[kSchedulerGroup].bottom() + margin;
  box[kCancelButton] = {right - button, buttonTop, button, buttonHeight};
  box[kOkButton] = {box[kCancelButton].left - h / 2 - button, buttonTop, button, buttonHeight};

  out.clientWidth = right + margin;
  out.clientHeight = box[kCancelButton].bottom() + margin;
  return out;
}

Place optionsDialogPlace(const ScreenBox& owner, int32_t width, int32_t height, const ScreenBox& workArea) {
  const auto axis = [](int64_t ownerLow, int64_t ownerHigh, int64_t size, int64_t low, int64_t high) {
    int64_t at = ownerLow + (ownerHigh - ownerLow - size) / 2;
    at = std::min(at, high - size);  // the far edge inside first,
    at = std::max(at, low);          // then the near edge, which wins
    return static_cast<int32_t>(at);
  };
  return Place{axis(owner.left, owner.right, width, workArea.left, workArea.right),
               axis(owner.top, owner.bottom, height, workArea.top, workArea.bottom)};
}

}  // namespace kova::shell
