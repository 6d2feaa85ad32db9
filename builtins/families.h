#pragma once
// Registration of each built-in family's handlers. One function per family
// file; the dispatcher calls them all once.

#include "builtins/builtin_call.h"

namespace kova {

void registerNumericFunctions(BuiltinHandlers& h);
void registerStringFunctions(BuiltinHandlers& h);
void registerFileFunctions(BuiltinHandlers& h);
void registerSystemFunctions(BuiltinHandlers& h);
void registerDialogFunctions(BuiltinHandlers& h);
void registerWindowFunctions(BuiltinHandlers& h);
void registerInputFunctions(BuiltinHandlers& h);

}  // namespace kova
