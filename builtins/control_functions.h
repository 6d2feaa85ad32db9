#pragma once
// The control built-ins (controls.cpp): GETITEM, GETSTR, SENDSTR.

#include "builtins/builtin_call.h"

namespace kova {

void getItemFn(BuiltinCall& c);
void getStrFn(BuiltinCall& c);
void sendStrFn(BuiltinCall& c);

}  // namespace kova
