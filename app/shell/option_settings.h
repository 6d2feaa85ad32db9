#pragma once
// What the options dialog shows and stores: the recorder options and the
// four global hotkeys, as section "SET" of the settings file holds them.

#include "app/shell/hotkey_setting.h"
#include "util/settings_file.h"

namespace kova::shell {

struct OptionSettings {
  bool highLevel = false;     // RecLevel: the high-level recorder instead of the low-level one
  bool notExtraMove = false;  // NotExtraMovRec: idle time and extra mouse moves are not recorded
  bool mouseOrg = false;      // MouseOrg: mouse positions relative to the window
  bool toClipboard = false;   // Cp2Clipboard: the recording is copied to the clipboard
  HotkeySetting play, stop, record, tray;
};

// The stored options. RecLevel "0" is the low level and any other integer
// the high level; a value that is no integer (or none) is the low level.
// A check box is ticked only by the value "1". A hotkey is read field by
// field: a key or modifier field that is missing, no integer or outside
// its table (keys 0..54, modifiers 0..5) takes that field of the row's
// default ("1,2" play, "2,2" stop, "3,2" record, "14,5" tray), so that a
// damaged key keeps its stored modifier and the other way round.
OptionSettings readOptionSettings(SettingsFile& settings);

// Stores every option: RecLevel "0" or "1", the check boxes "1" or "0",
// the hotkeys as "key,modifier".
void writeOptionSettings(SettingsFile& settings, const OptionSettings& options);

// One stored hotkey read by the rule above.
HotkeySetting readHotkeySetting(u16v stored, const HotkeySetting& fallback);

}  // namespace kova::shell
