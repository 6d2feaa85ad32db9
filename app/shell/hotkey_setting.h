#pragma once
// The main window's global hotkeys as the settings file stores them: a key
// index and a modifier index, "14,5". The tables give the options dialog
// its key and modifier names in the order of the indexes, so that a
// combo box's item index is the stored index.

#include <cstdint>
#include <optional>

#include "util/u16.h"

namespace kova::shell {

inline constexpr int kHotkeyKeyCount = 55;
inline constexpr int kHotkeyModifierCount = 6;

// The identifiers the hotkeys are registered under.
enum HotkeyId : int32_t {
  kStopHotkey = 9874,
  kPlayHotkey = 9875,
  kRecordHotkey = 9876,
  kTrayHotkey = 9877,
  kLaunchMenuHotkey = 9878,
};

// Modifier flags of the system's hotkey registration (MOD_*).
enum HotkeyModifier : uint32_t { kModAlt = 0x1, kModControl = 0x2, kModShift = 0x4, kModWin = 0x8 };

struct HotkeySetting {
  int key = 0;       // 0..54
  int modifier = 0;  // 0..5
};

// What the system registers for a setting.
struct HotkeyChord {
  uint32_t virtualKey = 0;
  uint32_t modifiers = 0;  // HotkeyModifier bits
};

// The names the options dialog lists ("SPACE", "F1", ..., "0"; "CTRL",
// "WIN", "ALT", "SHIFT+CTRL", "SHIFT+ALT", "CTRL+ALT").
u16v hotkeyKeyName(int index);
u16v hotkeyModifierName(int index);

// "key,modifier" (blanks around the numbers allowed); none when the text is
// not two integers separated by a comma.
std::optional<HotkeySetting> parseHotkey(u16v text);
u16 formatHotkey(const HotkeySetting& setting);

// The chord of a setting; none when an index is outside its table.
std::optional<HotkeyChord> hotkeyChord(const HotkeySetting& setting);

// The stored default of each hotkey ("1,2" play, "2,2" stop, "3,2" record,
// "14,5" tray, "14,0" launch menu).
HotkeySetting defaultHotkey(HotkeyId id);

// A press of the stop hotkey during a run escalates the engine's stop
// request: the level rises by 10 while it is at most 90 (so never above
// 100), and from the second press on the main window and the stop form
// are brought to the front, for a script that keeps running.
struct StopPress {
  int32_t level = 0;
  bool bringToFront = false;
};
StopPress pressStop(int32_t level);

}  // namespace kova::shell
