// The calendar of date serials: day 1 is 1 January 1900 and, as stored
// workbooks expect, 1900 counts as a leap year, so day 60 is 29 February 1900
// and day 61 is 1 March 1900; day 0 is 31 December 1899 and 2958465,
// 31 December 9999, is the last day the date functions accept. A serial's
// fraction is the time of day. Date texts are read by the one locale-free
// reader of base/Cal_Text.h (ISO "2024-01-31", month-first "1/31/2024",
// "31 Jan 2024", "Jan 31, 2024", each with an optional time, or a time
// alone "10:30", "10:30:15 PM"), which the stand-in's calculation and the
// operators share; no locale setting changes how a text reads.
#pragma once

#include <cstdint>
#include <string_view>

constexpr int32_t kDateLastSerial = 2958465;

// Whether the year has a 29 February: divisible by 4 and not by 100, unless
// by 400, and 1900 as well; a year below 1900 is an offset from 1900.
bool Date_isLeapYear(int32_t year);
// Days of the month (1 to 12) in the year.
int32_t Date_monthLength(int32_t year, int32_t month);
// Year, month and day of the whole day n (day 0 gives 1899, 12, 31; earlier
// days continue the calendar backwards).
void Date_fromSerial(int64_t n, int32_t* year, int32_t* month, int32_t* day);
// The serial of the date; the month may lie outside 1..12 (month 0 is the
// December before, 13 the January after) and the day is added unchecked
// (day 0 is the last day of the month before). Years before 1900 give days
// before day 0, which every caller's range check refuses.
int64_t Date_toSerial(int64_t year, int64_t month, int64_t day);
// The weekday of a whole day: 0 Saturday, 1 Sunday, 2 Monday ... 6 Friday.
int32_t Date_weekday(int64_t n);
// True for a Saturday or a Sunday.
inline bool Date_isWeekend(int64_t n) { return Date_weekday(n) <= 1; }
// A date or time text as a serial (fraction for the time); false when the
// text is no date or time the reader knows.
bool Date_fromText(std::u16string_view text, double* serial);
// Hours, minutes and seconds of the serial's time of day. A time within a
// microsecond (or, for large serials, within the serial's own precision) of
// a whole second is taken as that second, so every whole second of a day
// splits back exactly (and one that close to the end of the day is the
// next midnight); any other fraction of a second counts as the next second
// (59.4 seconds past a minute is second 60).
void Date_splitTime(double serial, int32_t* hour, int32_t* minute, int32_t* second);
