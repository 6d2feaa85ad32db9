#pragma once
// The main window's five global hotkeys, registered with the system under
// their fixed identifiers.

#include <windows.h>

#include <map>

#include "app/shell/hotkey_setting.h"

namespace kova::win {

class GlobalHotkeys {
 public:
  explicit GlobalHotkeys(HWND window) : window_(window) {}
  ~GlobalHotkeys() { clearAll(); }
  GlobalHotkeys(const GlobalHotkeys&) = delete;
  GlobalHotkeys& operator=(const GlobalHotkeys&) = delete;

  // Registers `id` for `setting`, first dropping what the identifier had.
  // False when an index lies outside its table or when the system refuses
  // (another program holds the chord).
  bool set(shell::HotkeyId id, shell::HotkeySetting setting);
  void clear(shell::HotkeyId id);
  void clearAll();
  bool registered(shell::HotkeyId id) const { return held_.count(id) != 0; }

  // Around a simulated key press: the hotkeys whose key is `virtualKey`, or
  // whose modifiers include the modifier the key stands for, are dropped
  // (they would swallow the key) until resume().
  void suspendForKey(int32_t virtualKey);
  void resume();

 private:
  HWND window_;
  std::map<int32_t, shell::HotkeySetting> held_;       // registered now
  std::map<int32_t, shell::HotkeySetting> suspended_;  // dropped for a key press
};

// True while the keys of `setting` are still held down.
bool hotkeyHeld(shell::HotkeySetting setting);

}  // namespace kova::win
