// File and INI built-ins.

#include "builtins/families.h"

namespace kova {

void registerFileFunctions(BuiltinHandlers&) {}

}  // namespace kova
