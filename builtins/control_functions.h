#pragma once
// The control built-ins (controls.cpp): GETITEM.

#include "builtins/builtin_call.h"

namespace kova {

void getItemFn(BuiltinCall& c);

}  // namespace kova
