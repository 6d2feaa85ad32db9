#pragma once
// The system menu of the main window and the stop form: the standard
// Minimize entry gives way to one of the program's own (identifier 10,
// "最小化(&N)" / "Mi&nimize" at position 3), greyed while the window is
// minimised.

#include <windows.h>

namespace kova::win {

void replaceMinimizeEntry(HWND window);
void enableMinimizeEntry(HWND window, bool enable);

}  // namespace kova::win
