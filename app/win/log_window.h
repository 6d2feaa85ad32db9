#pragma once
// The log window of kova.exe: a stay-on-top window with a read-only,
// multi-line text that shows the lines a script PRINTs. It appears with
// the first line and keeps the last `LogLines` lines. While its window
// exists it is registered as the program's log window form
// (automation/own_forms.h): the window search leaves it out and
// GETID(GET_LOGPRINT_WIN) names it.

#include <windows.h>

#include "app/shell/log_lines.h"

namespace kova::win {

class LogWindow {
 public:
  static constexpr const wchar_t* kClassName = L"TUSCRIPT.UNICODECLASS";

  explicit LogWindow(int32_t lineLimit);
  ~LogWindow();
  LogWindow(const LogWindow&) = delete;
  LogWindow& operator=(const LogWindow&) = delete;

  // Appends a line (making the window when there is none); with `show`
  // the window appears when it is hidden, without it the line is only kept.
  void print(const u16& line, bool show = true);
  // Shows the window without taking the focus, made (empty) when there is
  // none yet; hide() hides it when it exists.
  void show();
  void hide();
  HWND handle() const { return window_; }
  const shell::LogLines& lines() const { return lines_; }

 private:
  void create();

  shell::LogLines lines_;
  HWND window_ = nullptr;
  HWND text_ = nullptr;
  bool started_ = false;  // the text holds a line
  HFONT font_ = nullptr;
};

}  // namespace kova::win
