#pragma once
// The string built-ins (strings.cpp), the conversion built-ins
// (conversions.cpp) and the array built-ins (arrays.cpp).

#include "builtins/builtin_call.h"

namespace kova {

// strings.cpp
void copyFn(BuiltinCall& c);
void copybFn(BuiltinCall& c);
void lengthbFn(BuiltinCall& c);
void posFn(BuiltinCall& c);
void posbFn(BuiltinCall& c);
void trimFn(BuiltinCall& c);
void chrFn(BuiltinCall& c);
void chrbFn(BuiltinCall& c);
void ascFn(BuiltinCall& c);
void ascbFn(BuiltinCall& c);
void replaceFn(BuiltinCall& c);  // REPLACE and CHGMOJ
void betweenstrFn(BuiltinCall& c);
void tokenFn(BuiltinCall& c);
void bytetypeFn(BuiltinCall& c);
void isunicodeFn(BuiltinCall& c);

// conversions.cpp
void chknumFn(BuiltinCall& c);
void valFn(BuiltinCall& c);
void formatFn(BuiltinCall& c);
void strconvFn(BuiltinCall& c);
void encodeFn(BuiltinCall& c);
void decodeFn(BuiltinCall& c);
void vartypeFn(BuiltinCall& c);
void evalFn(BuiltinCall& c);
void randomFn(BuiltinCall& c);

// arrays.cpp
void lengthFn(BuiltinCall& c);
void splitFn(BuiltinCall& c);
void joinFn(BuiltinCall& c);
void setclearFn(BuiltinCall& c);
void resizeFn(BuiltinCall& c);
void shiftarrayFn(BuiltinCall& c);
void calcarrayFn(BuiltinCall& c);

}  // namespace kova
