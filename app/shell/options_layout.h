#pragma once
// Where the options dialog's controls stand. The dialog measures its
// captions in its own font (the two interfaces use different fonts and
// their captions differ in length by a factor of two), and the layout
// sizes every control and the dialog from those widths, so that no caption
// is cut off in either language.

#include <array>
#include <cstdint>

#include "app/shell/startup_settings.h"

namespace kova::shell {

// The controls, in the dialog's tab order. The hotkey rows run play, stop,
// record, tray, each a label, a key combo box and a modifier combo box.
enum OptionsControl : int {
  kRecordingGroup,
  kLowLevelRadio,
  kHighLevelRadio,
  kNotExtraMoveCheck,
  kMouseOrgCheck,
  kToClipboardCheck,
  kHotkeyGroup,
  kFirstHotkeyRow,  // the play row's label; see hotkeyRowControl
  kSchedulerGroup = kFirstHotkeyRow + 4 * 3,
  kScheduleButton,
  kOkButton,
  kCancelButton,
  kOptionsControlCount
};

inline constexpr int kHotkeyRowCount = 4;
enum class HotkeyRowPart : int { kLabel = 0, kKey = 1, kModifier = 2 };
constexpr OptionsControl hotkeyRowControl(int row, HotkeyRowPart part) {
  return static_cast<OptionsControl>(kFirstHotkeyRow + 3 * row + static_cast<int>(part));
}

enum class OptionsControlKind { kGroup, kCheck, kLabel, kCombo, kButton };
OptionsControlKind optionsControlKind(OptionsControl control);
// The group a control sits in; the group itself for a group, and
// kOptionsControlCount for the OK and Cancel buttons, which sit in none.
OptionsControl optionsGroupOf(OptionsControl control);

// What the layout needs to know of the system and the font, in pixels.
struct OptionsMetrics {
  int32_t fontHeight = 13;   // the line height of the dialog's font
  int32_t checkBox = 13;     // the side of a check box's or radio button's box
  int32_t comboButton = 17;  // the width of a combo box's drop button
  int32_t edge = 2;          // a control's border
  // Each caption's width without its '&' marks; for a combo box the widest
  // of its entries.
  std::array<int32_t, kOptionsControlCount> textWidth{};
};

struct LayoutBox {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t right() const { return left + width; }
  int32_t bottom() const { return top + height; }
};

struct OptionsLayout {
  // Client coordinates. A combo box's box is its closed selection field.
  std::array<LayoutBox, kOptionsControlCount> boxes{};
  int32_t clientWidth = 0, clientHeight = 0;
};

// The layout: the three groups one below the other and as wide as the
// widest of them needs, the two low-level options indented below the
// radio buttons, the hotkey rows as a label column and two combo columns
// (the key and modifier boxes of a row on one line, so that the
// automation's top-to-bottom, left-to-right numbering counts the key box of
// a row before its modifier box), OK and Cancel at the bottom right.
OptionsLayout layOutOptions(const OptionsMetrics& metrics);

// The dialog's top-left corner: centred on `owner` and then kept inside
// `workArea`; a dialog larger than the work area keeps its top-left corner
// (and so its caption bar) inside it.
Place optionsDialogPlace(const ScreenBox& owner, int32_t width, int32_t height, const ScreenBox& workArea);

}  // namespace kova::shell
