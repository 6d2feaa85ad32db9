#pragma once
// The input simulation built-ins (input.cpp).

#include "builtins/builtin_call.h"

namespace kova {

void mmvFn(BuiltinCall& c);
void btnFn(BuiltinCall& c);
void kbdFn(BuiltinCall& c);
void sckeyFn(BuiltinCall& c);
void mouseOrgFn(BuiltinCall& c);
void getKeyStateFn(BuiltinCall& c);
void lockHardFn(BuiltinCall& c);
void musCurFn(BuiltinCall& c);

}  // namespace kova
