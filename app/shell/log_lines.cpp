#include "app/shell/log_lines.h"

#include <algorithm>

namespace kova::shell {

int32_t logLineLimit(u16v setting) {
  const long long n = firstNumberField(setting).value_or(0);
  if (n < 1) return 2000;
  return n > 32000 ? 32000 : static_cast<int32_t>(n);
}

LogLines::Show LogLines::add(const u16& line) {
  lines_.push_back(line);
  if (static_cast<int64_t>(lines_.size()) > limit_) lines_.pop_front();
  ++shown_;
  if (shown_ > static_cast<int64_t>(limit_) + limit_ / 10) {
    shown_ = static_cast<int64_t>(lines_.size());
    return Show::kReplace;
  }
  return Show::kAppend;
}

u16 LogLines::text() const {
  u16 out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out += u"\r\n";
    out += lines_[i];
  }
  return out;
}

void LogLines::clear() {
  lines_.clear();
  shown_ = 0;
}

Place logWindowPlace(Place wanted, int32_t width, const ScreenBox& desktop) {
  Place p = wanted;
  p.left = std::max<int32_t>(p.left, desktop.left - width / 2);
  p.left = std::min<int32_t>(p.left, desktop.right - 60);
  p.top = std::max<int32_t>(p.top, desktop.top);
  p.top = std::min<int32_t>(p.top, desktop.bottom - 60);
  return p;
}

}  // namespace kova::shell
