#pragma once
// The lines of the log window, where PRINT output appears. The window
// shows what was printed; its line list keeps the last `LogLines` lines.
// The window's own text may run ahead of the list by a tenth before it is
// replaced by the list, so that a long run does not rewrite the window on
// every line.

#include <cstdint>
#include <deque>

#include "app/shell/startup_settings.h"

namespace kova::shell {

// The line limit from the `LogLines` setting: its first field as an
// integer; below 1 (or no number) 2000, above 32000 32000.
int32_t logLineLimit(u16v setting);

class LogLines {
 public:
  explicit LogLines(int32_t limit) : limit_(limit < 1 ? 1 : limit) {}

  // What the window is to do with a new line: append it to its text, or
  // (when its text holds more than limit + limit / 10 lines) replace its
  // text with the list.
  enum class Show { kAppend, kReplace };
  Show add(const u16& line);

  const std::deque<u16>& lines() const { return lines_; }
  // The list as the window's text: lines joined by CR LF.
  u16 text() const;
  void clear();
  int32_t limit() const { return limit_; }

 private:
  int32_t limit_;
  std::deque<u16> lines_;
  int64_t shown_ = 0;  // lines in the window's text
};

// Where the log window may stand: its left not below the desktop's left
// minus half its width nor beyond the desktop's right minus 60, its top
// not above the desktop's top nor below its bottom minus 60.
Place logWindowPlace(Place wanted, int32_t width, const ScreenBox& desktop);

}  // namespace kova::shell
