// The program's own forms as scripts switch them: LOGPRINT and STOPFORM.
// The forms belong to the host (the GUI program shows them, the console
// runner says that it has none), so these built-ins only pass the wish on.

#include "builtins/dialog_functions.h"

namespace kova {

namespace {

// The show flag: any number but 0 shows, and so does an omitted argument.
bool showFlag(const BuiltinCall& c) { return !c.has(0) || c.num(0) != 0; }

}  // namespace

void logPrintFn(BuiltinCall& c) { c.host().setLogVisible(showFlag(c)); }

void stopFormFn(BuiltinCall& c) { c.host().setStopFormVisible(showFlag(c)); }

}  // namespace kova
