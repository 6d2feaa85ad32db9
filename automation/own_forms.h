#pragma once
// The program's own forms (main window, stop form, log window, ...): the
// window search never lists them, and GETID's special titles name them.
// The program that creates a form registers it here; hosts without forms
// register none.

#include <cstdint>

#include "automation/window_system.h"

namespace kova::automation {

enum class OwnForm : int {
  kLogWindow,    // the engine's form holding PRINT lines: "__GET_LOGPRINT_WIN__"
  kStopForm,     // "__GET_STOPFORM_WIN__"
  kMainWindow,   // "__GET_THISKOVA_WIN__"
  kApplication,  // the hidden owner window of the program
  kBalloon,      // "__GET_FUKIDASI_WIN__" (the main thread's)
  kHtmlForm,     // "__GET_FORM_WIN__"
  kSchedule,     // "__GET_SCHEDULE_WIN__"
  kCount
};

// Thread-safe. A handle of 0 unregisters the form.
void setOwnForm(OwnForm form, WindowHandle handle);
WindowHandle ownForm(OwnForm form);
bool isOwnForm(WindowHandle handle);

}  // namespace kova::automation
