#pragma once
// How instances of kova.exe find and tell each other: the named mutexes
// of the single-instance rule, the other main windows, and the hand-over
// of the stop hotkey.

#include <windows.h>

#include <vector>

#include "app/shell/hotkey_setting.h"
#include "platform/win/handles.h"

namespace kova::win {

// True when a mutex of that name exists (some instance holds it).
bool mutexExists(const wchar_t* name);

// The instance mutex this process holds; released and closed with it.
class InstanceMutex {
 public:
  bool create(const wchar_t* name);
  void release();
  bool held() const { return static_cast<bool>(handle_); }

 private:
  KernelHandle handle_;
};

// The main windows of every other instance (class "TFOYA.UNICODECLASS").
std::vector<HWND> otherMainWindows(HWND self);

// The stop hotkey is free again: every other main window is told (its run
// may want it), each after a short pause with messages pumped, so that the
// one that takes it registers it before the next is asked.
void announceStopHotkeyFree(HWND self, shell::HotkeySetting stopHotkey);

// Dispatches the calling thread's waiting messages `rounds` times.
void pumpMessages(int rounds);

}  // namespace kova::win
