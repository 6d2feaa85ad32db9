#pragma once
// Small helpers the Windows side of automation shares.

#include <windows.h>

#include <cstdint>

#include "automation/window_search.h"

namespace kova::automation {

inline HWND hwnd(WindowHandle h) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(h)); }

// Whether the window's thread handles messages: it answers a null message
// within a second, or at once is known to hang (no message handled for 5
// s). A window that does not answer would stall this thread in anything
// sent to it (activation, accessibility requests) until it wakes up.
inline bool answers(HWND h) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
}

}  // namespace kova::automation
