#pragma once
// The script log: the lines that errors (and LOGPRINT) leave behind, kept
// in memory during a run and written to the log file when it ends (and
// once a minute while lines are pending).

#include <vector>

#include "platform/platform.h"
#include "util/u16.h"

namespace kova {

class ScriptLog {
 public:
  static constexpr int kDefaultMaxLines = 2000;
  static constexpr int kLimitMaxLines = 32000;
  static constexpr size_t kMaxLineLength = 64000;

  // The maximum line count from the "LogLines" setting: only the part
  // before ", " counts; not a number or below 1 gives 2000, above 32000
  // gives 32000.
  static int maxLinesFromSetting(u16v setting);

  // Log mode from OPTION LOGFILE: (mode AND 3) 0 time stamp "yy/mm/dd hh:nn",
  // 1 logging off, 2 text only, 3 time stamp with seconds; bit 4 starts a
  // new log (the existing file is never loaded).
  void setMode(int mode);
  void setMaxLines(int n) { maxLines_ = n; }
  int maxLines() const { return maxLines_; }
  // Empties the in-memory list (OPTION LOGPATH, bit 4 of LOGFILE).
  void clearLines() { lines_.clear(); }

  // Appends one line. `now` is the local date-time (days since 1899-12-30);
  // `existing` loads the current log file when the list is still empty and
  // the mode does not start a new log.
  void logLine(u16v text, double now, const std::vector<u16>* existing);
  bool wantsExistingFile() const { return lines_.empty() && !loadedOnce_ && (mode_ & 4) == 0; }

  bool dirty() const { return dirty_; }
  const std::vector<u16>& lines() const { return lines_; }
  // Clears the dirty flag; the caller writes lines() to the file.
  void markWritten() { dirty_ = false; }
  // Resets everything a run may have changed.
  void resetForRun(int maxLines);

 private:
  std::vector<u16> lines_;
  int maxLines_ = kDefaultMaxLines;
  int mode_ = 0;
  bool dirty_ = false;
  bool loadedOnce_ = false;
};

// "yy/mm/dd hh:nn" (and ":ss" with seconds) of a local date-time.
u16 formatLogStamp(double dateTime, bool seconds);

}  // namespace kova
