#pragma once
// The Windows side of input simulation behind a small interface: the
// primitives the input built-ins (automation/input.h) are made of. The
// Windows build implements it in automation/win/win_input.cpp; the native
// build has none (hostInputSystem() is null) and the input built-ins report
// that they are not available on this platform.

#include <cstdint>

#include "automation/window_search.h"

namespace kova::automation {

// The virtual desktop: every monitor together.
struct DesktopArea {
  int32_t left = 0, top = 0, width = 0, height = 0;
};

// Mouse event flags of the injection call (MOUSEEVENTF_*).
enum MouseEvent : uint32_t {
  kLeftDown = 0x0002,
  kLeftUp = 0x0004,
  kRightDown = 0x0008,
  kRightUp = 0x0010,
  kMiddleDown = 0x0020,
  kMiddleUp = 0x0040,
  kWheel = 0x0800,
};

class InputSystem {
 public:
  virtual ~InputSystem() = default;

  virtual DesktopArea desktop() = 0;
  virtual void setCursor(int32_t x, int32_t y) = 0;
  // One mouse event at the current cursor position; `wheel` is the wheel
  // data of kWheel (multiples of 120, positive away from the user).
  virtual void mouseEvent(uint32_t flags, int32_t wheel) = 0;
  // One key event of the virtual key `vk` (0..255) with its scan code.
  virtual void keyEvent(uint32_t vk, uint32_t scan, bool extended, bool up) = 0;
  // The scan code the keyboard layout gives the virtual key.
  virtual uint32_t scanCode(uint32_t vk) = 0;
  // GetAsyncKeyState: bit 15 down now, bit 0 pressed since the last query.
  virtual uint16_t asyncKeyState(uint32_t vk) = 0;
  // The toggle state of a lock key (NumLock, CapsLock, ...).
  virtual bool toggled(uint32_t vk) = 0;
  // The calling thread's own keyboard-state entry of `vk`.
  virtual bool threadKeyDown(uint32_t vk) = 0;
  virtual void clearThreadKey(uint32_t vk) = 0;
  virtual bool buttonsSwapped() = 0;
  // Posts a window message; false when the window is gone.
  virtual bool post(WindowHandle h, uint32_t message, uint64_t wparam, int64_t lparam) = 0;
  // BlockInput; false when the system refused.
  virtual bool blockInput(bool block) = 0;
  // Real-time or normal priority for the program's process.
  virtual void realTimePriority(bool on) = 0;
  // True when the input method of the window is open (IME control message
  // 0x0283, sub-command 5, to its default IME window).
  virtual bool imeOpen(WindowHandle h) = 0;
  // The cursor shown by the window under the mouse (read with that
  // window's thread input attached): 1..16 for the system cursors in the
  // order of the CUR_ constants, else the negated cursor handle.
  virtual int64_t cursorShape() = 0;
};

// The implementation of this build; null where input cannot be simulated.
InputSystem* hostInputSystem();

}  // namespace kova::automation
