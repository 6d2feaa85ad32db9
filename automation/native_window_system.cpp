// The native build has no windows: the window built-ins report that they
// are not available on this platform.

#include "automation/window_system.h"

namespace kova::automation {

WindowSystem* hostWindowSystem() { return nullptr; }

}  // namespace kova::automation
