// String, conversion and array built-ins.

#include "builtins/families.h"

namespace kova {

void registerStringFunctions(BuiltinHandlers&) {}

}  // namespace kova
