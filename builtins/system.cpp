// Process and system built-ins.

#include "builtins/families.h"

namespace kova {

void registerSystemFunctions(BuiltinHandlers&) {}

}  // namespace kova
