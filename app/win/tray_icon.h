#pragma once
// The main window's icon in the notification area.

#include <windows.h>

#include "util/u16.h"

namespace kova::win {

class TrayIcon {
 public:
  // The icon sends `callbackMessage` to `window` with the mouse message in
  // lParam.
  TrayIcon(HWND window, UINT callbackMessage);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon with `tip`; when the shell refuses, retries up to nine
  // times (200 ms apart, pumping messages, trying a modify in between).
  // False when it never took.
  bool add(const u16& tip);
  void remove();
  bool shown() const { return shown_; }
  // The shell's "TaskbarCreated" message: the taskbar was made anew and
  // the icon must be added again.
  static UINT taskbarCreatedMessage();

 private:
  HWND window_;
  UINT callback_;
  bool shown_ = false;
  HICON icon_ = nullptr;
};

}  // namespace kova::win
