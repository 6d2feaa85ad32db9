#pragma once
// Input simulation: the mouse origin, the key and mouse-event injectors in
// their two delivery modes, the held-input list and the built-ins MMV,
// BTN, KBD, SCKEY, MOUSEORG, GETKEYSTATE, LOCKHARD and MUSCUR. The rules
// here are portable; every system call goes through InputSystem and
// WindowSystem.
//
// Delivery modes: normal mode injects system-wide input at the cursor;
// window-message mode (MOUSEORG(id, 2)) posts mouse and key messages to
// one window, which works while that window is covered or inactive.

#include <cstdint>

#include "automation/input_system.h"
#include "automation/window_system.h"

namespace kova {
class RunContext;
}

namespace kova::automation {

enum class KeyAction { Click = 0, Down = 1, Up = 2 };
enum MouseButton { kLeft = 0, kRight = 1, kMiddle = 2, kWheelButton = 9 };

// The keypad Enter key: not a virtual-key code, sent as Enter with the
// extended-key bit.
constexpr int64_t kPadEnter = 901;

// The input state of one run (part of AutomationState).
struct InputState {
  // Mouse origin: a window ID (0: screen coordinates) and its mode; in mode
  // 2 the window handle that receives the posted messages.
  int64_t originId = 0;
  int originMode = 0;
  WindowHandle messageWindow = 0;
  // The last computed screen position of the origin (also set by ACW).
  int32_t offsetX = 0, offsetY = 0;
  // Window-message mode: the Shift, Ctrl and Alt codes the script holds
  // (0: not held), the buttons it holds, and the last posted point.
  int64_t heldShift = 0, heldCtrl = 0, heldAlt = 0;
  bool heldLeft = false, heldRight = false, heldMiddle = false;
  int32_t lastX = 0, lastY = 0;
  int swapped = -1;  // the swap-buttons setting, read once per run (-1: unread)
  bool sckeyBusy = false;
  bool inputLocked = false;  // LOCKHARD(True) in force
  // A lock still in force when the run ends is lifted: the user must never
  // be left without mouse and keyboard.
  ~InputState();
};

// --- Portable key rules ---------------------------------------------------
// What the key injector sends for a script key code: right-hand variants
// and the keypad Enter become the generic key with the extended-key bit;
// arrows, Insert, Delete, Home, End, Page Up/Down and keypad divide carry
// the extended-key bit too.
struct KeyStroke {
  uint32_t vk = 0;
  bool extended = false;
};
KeyStroke keyStroke(int64_t code);
// Key codes a script may send: 0..255 and the keypad Enter.
bool validKeyCode(int64_t code);
// Shift, Ctrl, Alt and the Windows keys, left and right: SCKEY keeps them
// pressed until its last key.
bool isModifierKey(int64_t code);
// Held-input entries: "LEFTDOWN", "RIGHTDOWN", "MIDDLEDOWN" or "KBD" + code,
// followed in window-message mode by "," + the window handle.
u16 heldButtonEntry(int button, WindowHandle messageWindow);
u16 heldKeyEntry(int64_t code, WindowHandle messageWindow);
// The lparam of a posted key message (scan code in bits 16..23, extended
// bit 24, repeat count 1; key-up adds the previous-state and transition bits).
int64_t keyMessageParam(uint32_t scan, bool extended, bool up);
// The key-state flags of posted mouse messages.
uint32_t mouseKeyFlags(const InputState& s);

// The delay of MMV, BTN and ACW: the delay minus the time already spent on
// the statement; sleeps the rest when positive, 1 ms when it lies between
// -9 and 0.
void statementDelay(RunContext& run, int64_t delayMs);

// --- Built-ins --------------------------------------------------------------
// Results of the operations that can meet input that does not fit.
enum class InputResult { Done, CoordinateOutOfRange };

InputResult moveMouse(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t x, int64_t y);
// `haveXY`: coordinates were given. `wheelDelta` is WHEEL's movement in
// the system's units (120 per notch; positive rolls away from the user).
InputResult pressButton(RunContext& run, InputSystem& in, WindowSystem& ws, int button, KeyAction action,
                        int64_t wheelDelta, bool haveXY, int64_t x, int64_t y);
// `code` must be a valid key code.
void pressKey(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t code, KeyAction action);
void sendKeys(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t id,
              const std::vector<int64_t>& codes);
void setMouseOrigin(RunContext& run, WindowSystem& ws, int64_t id, int mode);
bool keyState(RunContext& run, InputSystem& in, WindowSystem& ws, int64_t code);
void lockInput(RunContext& run, InputSystem& in, bool lock);
// Around a wait for a window to answer (control operations): a LOCKHARD
// lock in force is lifted, so that a hung window cannot keep the user
// locked out, and applied again afterwards.
void liftLockForWait(RunContext& run, InputSystem& in);
void restoreLockAfterWait(RunContext& run, InputSystem& in);
// The wait itself (until the window answers, as OLDBUSY says), with the
// lock lifted meanwhile; true when it timed out.
bool waitUntilAnsweringUnlocked(RunContext& run, WindowSystem& ws, WindowHandle h);

// Releases one held-input entry at the end of a run (no engine needed).
void releaseHeldEntry(InputSystem& in, const u16& entry);

}  // namespace kova::automation
