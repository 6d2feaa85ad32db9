#pragma once
// The dialog and form built-ins (dialogs.cpp).

#include "builtins/builtin_call.h"

namespace kova {

// LOGPRINT(show = TRUE): the log window and the log switch
// (EngineHost::setLogVisible). A call without an argument shows the log,
// the way "LOGPRINT()" reads; further arguments are ignored.
void logPrintFn(BuiltinCall& c);
// STOPFORM(show = TRUE): shows or hides the stop form
// (EngineHost::setStopFormVisible); without an argument it shows it.
void stopFormFn(BuiltinCall& c);

}  // namespace kova
