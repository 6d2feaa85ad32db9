#pragma once
// The process and system built-ins (system.cpp).

#include "builtins/builtin_call.h"

namespace kova {

void sleepFn(BuiltinCall& c);
void gettimeFn(BuiltinCall& c);
void doscmdFn(BuiltinCall& c);
void powershellFn(BuiltinCall& c);
void cpuUseRateFn(BuiltinCall& c);
void kindOfOsFn(BuiltinCall& c);
void set8087cwFn(BuiltinCall& c);
void soundFn(BuiltinCall& c);
void chksndFn(BuiltinCall& c);
void poffFn(BuiltinCall& c);

}  // namespace kova
