#pragma once
// The file and INI built-ins (files.cpp).

#include "builtins/builtin_call.h"

namespace kova {

void fopenFn(BuiltinCall& c);
void fcloseFn(BuiltinCall& c);
void fgetFn(BuiltinCall& c);
void fputFn(BuiltinCall& c);
void fdellineFn(BuiltinCall& c);
void getdirFn(BuiltinCall& c);
void readiniFn(BuiltinCall& c);
void writeiniFn(BuiltinCall& c);
void deleteiniFn(BuiltinCall& c);

}  // namespace kova
