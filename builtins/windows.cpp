// Window identification, control and input built-ins; they reach Windows
// through automation/ and report "not available on this platform" in the
// native build.

#include "builtins/families.h"

namespace kova {

void registerWindowFunctions(BuiltinHandlers&) {}

}  // namespace kova
