#pragma once
// The control built-ins (controls.cpp): CLKITEM, CHKBTN, GETITEM, GETSTR,
// SENDSTR.

#include "builtins/builtin_call.h"

namespace kova {

void clkItemFn(BuiltinCall& c);
void chkBtnFn(BuiltinCall& c);
void getItemFn(BuiltinCall& c);
void getStrFn(BuiltinCall& c);
void sendStrFn(BuiltinCall& c);

}  // namespace kova
