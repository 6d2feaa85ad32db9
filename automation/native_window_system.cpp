// The native build has no windows and no input to simulate: the window
// and input built-ins report that they are not available on this platform.

#include "automation/input_system.h"
#include "automation/window_system.h"

namespace kova::automation {

WindowSystem* hostWindowSystem() { return nullptr; }
InputSystem* hostInputSystem() { return nullptr; }

}  // namespace kova::automation
