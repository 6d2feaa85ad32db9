#include "util/date_time.h"

#include <cmath>

namespace kova {

namespace {
// Days between 1899-12-30 and 1970-01-01.
constexpr long long kEpochShift = 25569;
}  // namespace

DateParts splitDateTime(double dateTime) {
  const long long totalMs = std::llround(dateTime * 86400000.0);
  long long days = totalMs / 86400000;
  long long ms = totalMs % 86400000;
  if (ms < 0) {
    ms += 86400000;
    --days;
  }
  // Civil date from a count of days since 1970-01-01.
  const long long z = days - kEpochShift + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  DateParts p;
  p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  // 1899-12-30 was a Saturday.
  p.weekday = static_cast<int>(((days % 7) + 7 + 6) % 7);
  return p;
}

double makeDateTime(const DateParts& p) {
  const long long y = p.year - (p.month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long mp = (p.month + 9) % 12;
  const long long doy = (153 * mp + 2) / 5 + p.day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = era * 146097 + doe - 719468 + kEpochShift;
  const double ms = ((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond;
  return static_cast<double>(days) + ms / 86400000.0;
}

}  // namespace kova
