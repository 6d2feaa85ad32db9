#include "engine/script_log.h"

#include "util/date_time.h"

namespace kova {

int ScriptLog::maxLinesFromSetting(u16v setting) {
  const size_t comma = setting.find(u", ");
  long long n = 0;
  if (!parseInt(setting.substr(0, comma), n) || n < 1) return kDefaultMaxLines;
  return n > kLimitMaxLines ? kLimitMaxLines : static_cast<int>(n);
}

void ScriptLog::setMode(int mode) {
  mode_ = mode;
  if (mode & 4) lines_.clear();
}

void ScriptLog::resetForRun(int maxLines) {
  maxLines_ = maxLines;
  mode_ = 0;
}

void ScriptLog::logLine(u16v textIn, double now, const std::vector<u16>* existing) {
  const int m = mode_ & 3;
  if (m == 1) return;
  if (existing && wantsExistingFile()) lines_ = *existing;
  loadedOnce_ = true;
  u16 text(textIn);
  if (text.size() > kMaxLineLength) {
    text.resize(kMaxLineLength);
    text += u"...";
  }
  u16 line;
  if (m == 0) line = formatLogStamp(now, false) + u"  " + text;
  else if (m == 3) line = formatLogStamp(now, true) + u"  " + text;
  else line = std::move(text);
  if (maxLines_ > 0 && static_cast<int>(lines_.size()) >= maxLines_)
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<long>(lines_.size() - maxLines_ + 1));
  lines_.push_back(std::move(line));
  dirty_ = true;
}

u16 formatLogStamp(double dateTime, bool seconds) {
  const DateParts p = splitDateTime(dateTime);
  auto two = [](long long v) {
    u16 s = toU16(v % 100);
    if (s.size() < 2) s.insert(s.begin(), u'0');
    return s;
  };
  u16 out = two(p.year) + u"/" + two(p.month) + u"/" + two(p.day) + u" " + two(p.hour) + u":" + two(p.minute);
  if (seconds) out += u":" + two(p.second);
  return out;
}

}  // namespace kova
