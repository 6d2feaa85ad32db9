// Dialog built-ins.

#include "builtins/families.h"

namespace kova {

void registerDialogFunctions(BuiltinHandlers&) {}

}  // namespace kova
