// Process and system built-ins.

#include <chrono>
#include <cmath>

#include "builtins/families.h"
#include "engine/messages.h"
#include "util/date_time.h"

namespace kova {
namespace {

constexpr Msg kSleepTooManyArguments{u"SLEEP: 引数の数が多すぎます", u"SLEEP: Too many argument"};

// SLEEP(seconds): waits in 50 ms steps that pump window messages, ends
// early when the run is stopped or errors are being suppressed, and does
// not end while the stop form is paused. 0 (or less) only pumps once.
void sleepFn(BuiltinCall& c) {
  if (c.count > 1) {
    c.fail(text(kSleepTooManyArguments), false);
    return;
  }
  TUScript& e = c.engine;
  Platform& p = e.platform();
  const double seconds = c.num(0);
  if (!(seconds > 0)) {
    p.processMessages();
    return;
  }
  // Up to about 100 years; beyond that the wait is as good as endless.
  const uint64_t total = static_cast<uint64_t>(std::min(seconds, 3.15e9) * 1000.0);
  const auto start = std::chrono::steady_clock::now();
  p.sleepMs(static_cast<uint32_t>(total % 100));
  const uint64_t rounds = 2 * (total / 100);
  for (uint64_t i = 0; i < rounds;) {
    if (e.suppressErrors > 0 || e.stopFlag) return;
    p.sleepMs(50);
    p.processMessages();
    if (e.host().paused()) continue;  // a paused wait does not run out
    ++i;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (static_cast<uint64_t>(elapsed.count()) > total) return;
  }
}

// Reads "YYYYMMDD[HH[NN[SS]]]" after removing '/', ':' and blanks; missing
// time parts are 0. False for anything else or an impossible date or time.
bool parseDateText(const u16& raw, DateParts& out) {
  u16 t;
  for (char16_t ch : raw)
    if (ch != u'/' && ch != u':' && ch != u' ' && ch != u'\t' && ch != kIdeographicSpace) t.push_back(ch);
  if (t.size() < 8 || t.size() > 14) return false;
  for (char16_t ch : t)
    if (ch < u'0' || ch > u'9') return false;
  auto part = [&](size_t from, size_t len) {
    int v = 0;
    for (size_t i = from; i < from + len && i < t.size(); ++i) v = v * 10 + (t[i] - u'0');
    return v;
  };
  out = DateParts();
  out.year = part(0, 4);
  out.month = part(4, 2);
  out.day = part(6, 2);
  out.hour = part(8, 2);
  out.minute = part(10, 2);
  out.second = part(12, 2);
  if (out.year < 1 || out.month < 1 || out.month > 12 || out.day < 1 || out.hour > 23 || out.minute > 59 ||
      out.second > 59)
    return false;
  // The day must exist in its month: the calendar round trip keeps it.
  const DateParts back = splitDateTime(makeDateTime(out));
  return back.year == out.year && back.month == out.month && back.day == out.day;
}

// GETTIME([days], [date text]): sets the scope's time stamp (read by the
// G_TIME_ names) to now, or to the given moment, plus `days`, and returns
// its seconds since 2000-01-01 00:00:00. A date text that cannot be read
// returns "" (every number is a possible result) and leaves the time stamp
// as it was.
void gettimeFn(BuiltinCall& c) {
  const double days = c.has(0) ? c.num(0) : 0;
  double stamp = 0;
  if (c.has(1) && !c.str(1).empty()) {
    DateParts parts;
    if (!parseDateText(c.str(1), parts)) return;
    stamp = makeDateTime(parts) + days;
  } else {
    stamp = c.engine.platform().localDateTimeNow() + days;
  }
  c.scope.timeStamp = stamp;
  const DateParts p = splitDateTime(stamp);
  DateParts day;
  day.year = p.year;
  day.month = p.month;
  day.day = p.day;
  DateParts epoch;
  epoch.year = 2000;
  epoch.month = 1;
  epoch.day = 1;
  const double dayCount = std::round(makeDateTime(day) - makeDateTime(epoch));
  c.result = Value::number(dayCount * 86400 + p.hour * 3600 + p.minute * 60 + p.second);
}

}  // namespace

void registerSystemFunctions(BuiltinHandlers& h) {
  h.set(u"SLEEP", &sleepFn);
  h.set(u"GETTIME", &gettimeFn);
}

}  // namespace kova
