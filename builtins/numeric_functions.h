#pragma once
// The numeric built-ins (numeric.cpp). Their arguments arrive as numbers
// (ArgumentRule::Numbers); an omitted argument is 0.

#include "builtins/builtin_call.h"

namespace kova {

void intFn(BuiltinCall& c);
void absFn(BuiltinCall& c);
void zcutFn(BuiltinCall& c);
void roundFn(BuiltinCall& c);
void sqrtFn(BuiltinCall& c);
void powerFn(BuiltinCall& c);
void sinFn(BuiltinCall& c);
void cosFn(BuiltinCall& c);
void tanFn(BuiltinCall& c);
void expFn(BuiltinCall& c);
void lnFn(BuiltinCall& c);
void lognFn(BuiltinCall& c);
void ceilFn(BuiltinCall& c);
void arcsinFn(BuiltinCall& c);
void arccosFn(BuiltinCall& c);
void arctanFn(BuiltinCall& c);

}  // namespace kova
