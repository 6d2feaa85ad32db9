#pragma once
// GETSTR and SENDSTR: reading and writing the texts of controls, and the
// clipboard (window ID 0).

#include <cstdint>

#include "automation/control_system.h"
#include "automation/window_system.h"

namespace kova {
class RunContext;
}

namespace kova::automation {

// GETSTR's kinds.
enum StringKind : int32_t { kStrEdit = 0, kStrStatic = 1, kStrStatus = 2, kStrAccEdit = 3, kStrAccStatic = 4 };

// GETSTR(id, n, kind): id 0 the clipboard. STR_EDIT and STR_STATIC: n = 0
// the control with the keyboard focus (STR_STATIC: the window's own title),
// n > 0 the n-th control of that family, n < 0 the same counting disabled
// controls too. STR_STATUS: the n-th part of all status bars (n below 1
// counts as 1). STR_ACC_EDIT and STR_ACC_STATIC: the n-th editable
// (static) accessible text object, n <= 0 the focused one or else the
// first: an editable object's value, a static one's name. "" for anything
// missing. `selected` (GETSTR's flag) reads only the selected part of an
// edit control's text ("" when nothing is selected); other kinds ignore it.
u16 getString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, int64_t n, int32_t kind,
              bool selected = false);

// SENDSTR(id, text, n, replace): id 0 puts the text on the clipboard
// (retried while the clipboard is busy). Otherwise the target is the
// focused control (n = 0) or the n-th edit-family control (negative n:
// disabled ones too). Replacing sets the text; typing sends one character
// per UTF-16 unit (CR LF as one CR) with a pause for the target every ten.
// A date-time picker is clicked first and always typed into, with 年, 月
// and 日 as "/". Then the control is marked modified and focused (or, with
// its window in the background, clicked far outside its text).
// `accessible`: the n-th editable accessible text object (n <= 0: the
// focused one, else the first, and the window is activated) gets the text
// as its value, replacing or appending.
void sendString(RunContext& run, WindowSystem& ws, ControlSystem& cs, int64_t id, const u16& text, int64_t n,
                bool replace, bool accessible = false);

}  // namespace kova::automation
