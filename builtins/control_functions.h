#pragma once
// The control built-ins (controls.cpp): CLKITEM, CHKBTN, GETITEM, GETSTR,
// SENDSTR, SETSLIDER, GETSLIDER.

#include "builtins/builtin_call.h"

namespace kova {

void clkItemFn(BuiltinCall& c);
void chkBtnFn(BuiltinCall& c);
void getItemFn(BuiltinCall& c);
void setSliderFn(BuiltinCall& c);
void getSliderFn(BuiltinCall& c);
void getStrFn(BuiltinCall& c);
void sendStrFn(BuiltinCall& c);

}  // namespace kova
