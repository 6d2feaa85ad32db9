#pragma once
// The options dialog: the recorder options and the four global hotkeys
// of the main window, and the way to the schedule dialog.

#include <windows.h>

#include <functional>

#include "util/settings_file.h"

namespace kova::win {

// Shows the dialog modally over `owner` with the stored settings; OK writes
// them. `openSchedule` runs when the schedule button is pressed (the button
// is disabled when it is empty). True when OK was pressed.
bool runOptionsDialog(HWND owner, SettingsFile& settings, const std::function<void()>& openSchedule);

}  // namespace kova::win
