// The native build has no windows, controls or input to simulate: the
// window, control and input built-ins report that they are not available
// on this platform.

#include "automation/control_system.h"
#include "automation/input_system.h"
#include "automation/window_system.h"

namespace kova::automation {

WindowSystem* hostWindowSystem() { return nullptr; }
InputSystem* hostInputSystem() { return nullptr; }
ControlSystem* hostControlSystem() { return nullptr; }
AccessibilitySystem* hostAccessibilitySystem() { return nullptr; }

}  // namespace kova::automation
