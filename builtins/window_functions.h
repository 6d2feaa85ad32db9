#pragma once
// The window identification built-ins and EXEC (windows.cpp).

#include "builtins/builtin_call.h"

namespace kova {

void getIdFn(BuiltinCall& c);
void acwFn(BuiltinCall& c);
void ctrlWinFn(BuiltinCall& c);
void statusFn(BuiltinCall& c);
void getAllWinFn(BuiltinCall& c);
void idToHndFn(BuiltinCall& c);
void hndToIdFn(BuiltinCall& c);
void getCtlHndFn(BuiltinCall& c);
void execFn(BuiltinCall& c);

}  // namespace kova
