#pragma once
// What a re-execution carries over to the program's next start, stored as
// `EXTR_SECTION`/`COM_REFILE`: whether to play again, the log window's
// place, size and caption, and the launch text that was loaded.

#include <optional>

#include "util/u16.h"

namespace kova::shell {

struct RestartRecord {
  bool playAgain = false;
  int32_t left = 0, top = 0, width = 0, height = 0;  // the log window
  u16 logCaption;
  u16 launchText;
};

// "playAgain,left,top,width,height,caption,launch text". A comma inside
// the caption is stored as U+FF0C (a caption is shown, never parsed), so
// the launch text, which may hold commas, is everything after the sixth.
u16 formatRestartRecord(const RestartRecord& record);
// None when the text is empty or its first five fields are not numbers.
std::optional<RestartRecord> parseRestartRecord(u16v text);

}  // namespace kova::shell
