#pragma once
// Local date-times as the language keeps them: days since 1899-12-30 00:00,
// with the time of day as the fraction.

namespace kova {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int weekday = 6;  // 0 Sunday ... 6 Saturday
};

// Splits a date-time into calendar parts (proleptic Gregorian calendar),
// rounded to the millisecond.
DateParts splitDateTime(double dateTime);
// The date-time of calendar parts (weekday is ignored).
double makeDateTime(const DateParts& parts);

}  // namespace kova
