// Date serials, the date and time functions, day counts and the coupon
// schedule, checked against calendars worked by hand and the locale-free
// date reader's own calendar.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/TestValues.h"
#include "values/Text_Convert.h"
#include "worksheet/dates/Coup_DayCount.h"
#include "worksheet/dates/Coup_OddPeriods.h"
#include "worksheet/dates/Coup_Schedule.h"
#include "worksheet/dates/Date_Serial.h"
#include "worksheet/dates/Wsf_Dates.h"
#include "worksheet/dates/Wsf_SheetDates.h"
#include "worksheet/dates/Wsf_Times.h"
#include "worksheet/dates/Wsf_Workdays.h"

namespace {

int64_t serial(int y, int m, int d) { return Date_toSerial(y, m, d); }

double number(const Value* v) { return v->kind == kValInt || v->kind == kValReal ? v->number : NAN; }

TEST(DateSerial, EveryDayRoundTripsAndFollowsTheDayBefore) {
  int32_t py = 1899, pm = 12, pd = 30;
  for (int64_t n = -1; n <= kDateLastSerial; ++n) {
    int32_t y = 0, m = 0, d = 0;
    Date_fromSerial(n, &y, &m, &d);
    ASSERT_EQ(Date_toSerial(y, m, d), n) << n;
    if (n >= 0) {  // the next day of the calendar, 29 February 1900 included
      const bool nextDay = y == py && m == pm && d == pd + 1;
      const bool nextMonth = (y == py && m == pm + 1 && d == 1) || (y == py + 1 && m == 1 && pm == 12 && d == 1);
      ASSERT_TRUE(nextDay || nextMonth) << n;
      ASSERT_LE(d, Date_monthLength(y, m));
    }
    py = y, pm = m, pd = d;
  }
  int32_t y = 0, m = 0, d = 0;
  Date_fromSerial(kDateLastSerial, &y, &m, &d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 99991231);
}

TEST(DateSerial, AgreesWithTheDateReaderFromMarch1900) {
  // The reader counts from 30 December 1899 without 29 February 1900.
  for (int64_t n = 1; n <= kDateLastSerial; ++n) {
    int32_t y = 0, m = 0, d = 0;
    Date_fromSerial(n, &y, &m, &d);
    if (n == 60) continue;
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    double read = 0;
    ASSERT_TRUE(Text_toDate(Text_fromUtf8(text), &read)) << text;
    ASSERT_EQ(read, static_cast<double>(n < 60 ? n + 1 : n)) << text;
    double back = 0;
    ASSERT_TRUE(Date_fromText(Text_fromUtf8(text), &back));
    ASSERT_EQ(back, static_cast<double>(n)) << text;
  }
}

TEST(DateSerial, KeepsTheLeapDayOf1900) {
  EXPECT_TRUE(Date_isLeapYear(1900));
  EXPECT_TRUE(Date_isLeapYear(2000));
  EXPECT_FALSE(Date_isLeapYear(2100));
  EXPECT_FALSE(Date_isLeapYear(3800));
  EXPECT_TRUE(Date_isLeapYear(0));  // an offset from 1900
  EXPECT_EQ(serial(1900, 2, 29), 60);
  EXPECT_EQ(serial(1900, 3, 1), 61);
  EXPECT_EQ(serial(1900, 1, 0), 0);
  EXPECT_EQ(serial(2024, 13, 1), serial(2025, 1, 1));
  EXPECT_EQ(serial(2024, 0, 1), serial(2023, 12, 1));
  EXPECT_EQ(serial(2024, 1, 32), serial(2024, 2, 1));
  EXPECT_LT(serial(1899, 12, 30), 0);
  EXPECT_EQ(Date_weekday(serial(2022, 1, 1)), 0);  // a Saturday
  EXPECT_EQ(Date_weekday(1), 1);                   // a Sunday in this calendar
}

TEST(DateSerial, EveryWholeSecondOfADaySplitsBackExactly) {
  for (const double day : {0.0, 1.0, 45000.0, 1000000.0, 2958464.0}) {
    for (int32_t s = 0; s < 86400; ++s) {
      const double x = day + s / 86400.0;
      int32_t h = 0, m = 0, sec = 0;
      Date_splitTime(x, &h, &m, &sec);
      ASSERT_EQ(h * 3600 + m * 60 + sec, s) << day << " + " << s;
    }
  }
}

TEST(DateSerial, AFractionOfASecondCountsAsTheNextSecond) {
  int32_t h = 0, m = 0, s = 0;
  Date_splitTime((60 + 59.4) / 86400, &h, &m, &s);
  EXPECT_EQ(h * 10000 + m * 100 + s, 160);  // 0:01:60
  Date_splitTime(0.75, &h, &m, &s);
  EXPECT_EQ(h, 18);
  Date_splitTime(45000 - 1e-12, &h, &m, &s);  // a hair before midnight is midnight
  EXPECT_EQ(h * 10000 + m * 100 + s, 0);
}

TEST(DateFunctions, TimeSplitsBackThroughTheFunctions) {
  TestValues t;
  Value* r = t.make();
  for (int32_t s = 0; s < 86400; s += 61) {
    Wsf_time(r, t.integer(s / 3600), t.integer(s / 60 % 60), t.integer(s % 60));
    const double x = r->number + 45000;
    Value* at = t.num(x);
    EXPECT_EQ(number(Wsf_hour(r, at)), s / 3600);
    EXPECT_EQ(number(Wsf_minute(r, at)), s / 60 % 60);
    EXPECT_EQ(number(Wsf_second(r, at)), s % 60);
  }
  EXPECT_EQ(number(Wsf_minute(r, t.num(60 / 86400.0))), 1);
  EXPECT_EQ(number(Wsf_second(r, t.num(60 / 86400.0))), 0);
  EXPECT_EQ(number(Wsf_time(r, t.integer(0), t.integer(0), t.integer(-1))), -1 / 86400.0);
  EXPECT_EQ(number(Wsf_time(r, t.integer(25), t.integer(0), t.integer(0))), 1 / 24.0);
}

TEST(DateFunctions, DateDayMonthYearAtTheEdges) {
  TestValues t;
  Value* r = t.make();
  EXPECT_EQ(number(Wsf_date(r, t.integer(99), t.integer(1), t.integer(1))), serial(1999, 1, 1));
  EXPECT_EQ(number(Wsf_date(r, t.integer(1900), t.integer(3), t.integer(1))), 61);
  EXPECT_TRUE(isError(Wsf_date(r, t.integer(9999), t.integer(12), t.integer(32)), kErrNum));
  // Days before day 0 are no serials, not days of 1900.
  EXPECT_EQ(number(Wsf_date(r, t.integer(1899), t.integer(12), t.integer(31))), 0);
  EXPECT_TRUE(isError(Wsf_date(r, t.integer(1899), t.integer(12), t.integer(30)), kErrNum));
  EXPECT_TRUE(isError(Wsf_date(r, t.integer(1000), t.integer(6), t.integer(1)), kErrNum));
  EXPECT_EQ(number(Wsf_date(r, t.boolean(true), t.integer(1), t.integer(1))), serial(1901, 1, 1));
  EXPECT_TRUE(isError(Wsf_date(r, t.text(u"2002"), t.integer(1), t.integer(1)), kErrValue));
  EXPECT_EQ(number(Wsf_day(r, t.num(0), 3)), 31);
  EXPECT_EQ(number(Wsf_day(r, t.num(0), 2)), 12);
  EXPECT_EQ(number(Wsf_day(r, t.num(0), 1)), 1899);
  EXPECT_EQ(number(Wsf_day(r, t.num(60.5), 3)), 29);
  EXPECT_TRUE(isError(Wsf_day(r, t.num(kDateLastSerial + 1), 1), kErrNum));
  EXPECT_EQ(number(Wsf_datevalue(r, t.text(u"1954-07-20 16:30:01"))), 19925);
  // A text with a date gives its time of day: 16:30:01 is 59401 seconds.
  EXPECT_NEAR(number(Wsf_timevalue(r, t.text(u"1954-07-20 16:30:01"))), 59401.0 / 86400, 1e-11);
  EXPECT_EQ(number(Wsf_timevalue(r, t.text(u"6:00 PM"))), 0.75);
}

TEST(DateFunctions, TodayAndNowReadTheLocalClock) {
  TestValues t;
  Value* today = t.make();
  Value* now = t.make();
  Wsf_today(today);
  Wsf_now(now);
  ASSERT_EQ(today->kind, kValInt);
  ASSERT_EQ(now->kind, kValReal);
  EXPECT_GT(today->number, serial(2020, 1, 1));
  EXPECT_LE(today->number, kDateLastSerial);
  // The same day, unless midnight passed between the two readings.
  EXPECT_TRUE(std::trunc(now->number) == today->number || std::trunc(now->number) == today->number + 1);
  EXPECT_NEAR(now->number * 86400, std::round(now->number * 86400), 1e-3);  // whole seconds
}

TEST(DateFunctions, WithoutTheApplicationDays360AndWeekdayAreNumErrors) {
  TestValues t;
  Value* r = t.make();
  const Value* args[] = {t.num(serial(2024, 1, 31)), t.num(serial(2024, 3, 1)), t.boolean(true)};
  EXPECT_TRUE(isError(Wsf_days360(r, 3, args), kErrNum));
  EXPECT_TRUE(isError(Wsf_weekday(r, 1, args), kErrNum));
  const Value* text[] = {t.text(u"2024-01-31")};
  EXPECT_TRUE(isError(Wsf_weekday(r, 1, text), kErrValue));
}

TEST(DateFunctions, EdateAndEomonthCutToTheMonthEnd) {
  TestValues t;
  Value* r = t.make();
  EXPECT_EQ(number(Wsf_edate(r, t.num(serial(2023, 1, 31)), t.integer(1))), serial(2023, 2, 28));
  EXPECT_EQ(number(Wsf_edate(r, t.num(serial(2024, 2, 29)), t.integer(-12))), serial(2023, 2, 28));
  EXPECT_EQ(number(Wsf_eomonth(r, t.num(serial(2024, 1, 15)), t.integer(1))), serial(2024, 2, 29));
  EXPECT_TRUE(isError(Wsf_eomonth(r, t.num(1), t.integer(-1)), kErrNum));
  EXPECT_TRUE(isError(Wsf_edate(r, t.boolean(true), t.integer(1)), kErrValue));
}

TEST(DateFunctions, WeeknumNetworkdaysAndWorkday) {
  TestValues t;
  Value* r = t.make();
  const auto call = [&](Value* (*f)(Value*, int, const Value* const*), std::initializer_list<Value*> args) {
    std::vector<const Value*> a(args.begin(), args.end());
    return number(f(r, static_cast<int>(a.size()), a.data()));
  };
  EXPECT_EQ(call(Wsf_weeknum, {t.num(serial(2022, 1, 1)), t.integer(1)}), 1);
  EXPECT_EQ(call(Wsf_weeknum, {t.num(serial(2022, 1, 2)), t.integer(1)}), 2);
  const double friday = serial(2024, 3, 8), monday = serial(2024, 3, 11), thursday = serial(2024, 3, 7);
  EXPECT_EQ(call(Wsf_networkdays, {t.num(friday), t.num(monday)}), 2);
  EXPECT_EQ(call(Wsf_networkdays, {t.num(monday), t.num(friday - 7 + 7)}), -2);
  // A holiday listed twice is taken off once; one on a Saturday not at all.
  EXPECT_EQ(call(Wsf_networkdays, {t.num(friday), t.num(monday), t.grid(3, 1, {friday, friday, friday + 1})}), 1);
  EXPECT_EQ(call(Wsf_workday, {t.num(thursday), t.integer(3)}), thursday + 5);
  const double saturday = friday + 1;
  EXPECT_EQ(call(Wsf_workday, {t.num(saturday), t.integer(1)}), monday);
  EXPECT_EQ(call(Wsf_workday, {t.num(saturday), t.integer(1), t.num(monday)}), monday + 1);
  EXPECT_EQ(call(Wsf_workday, {t.num(monday), t.integer(-1)}), friday);
  EXPECT_EQ(call(Wsf_workday, {t.num(monday), t.integer(10)}), monday + 14);
  // Holidays in any order, twice, on weekends, and pushing t past others.
  EXPECT_EQ(call(Wsf_workday, {t.num(friday), t.integer(2), t.grid(4, 1, {monday + 2, monday, monday, saturday})}),
            monday + 3);
  EXPECT_EQ(call(Wsf_workday, {t.num(monday + 4), t.integer(-3), t.grid(2, 1, {monday + 1, monday + 3})}), friday);
  Value* far = t.make();
  const Value* args[] = {t.num(1), t.num(2e9), t.grid(1, 1, {5})};
  EXPECT_TRUE(isError(Wsf_workday(far, 3, args), kErrNum));
}

TEST(DateFunctions, YearfracActualActualDividesByTheYearsItSpans) {
  TestValues t;
  Value* r = t.make();
  const auto yf = [&](int64_t a, int64_t b, int basis) {
    const Value* args[] = {t.num(static_cast<double>(a)), t.num(static_cast<double>(b)), t.integer(basis)};
    return number(Wsf_yearfrac(r, 3, args));
  };
  EXPECT_DOUBLE_EQ(yf(serial(2024, 1, 1), serial(2024, 7, 1), 1), 182 / 366.0);
  EXPECT_DOUBLE_EQ(yf(serial(2023, 1, 1), serial(2023, 7, 1), 1), 181 / 365.0);
  // Across 29 February 2008, within a year.
  EXPECT_DOUBLE_EQ(yf(serial(2007, 12, 14), serial(2008, 3, 13), 1), 90 / 366.0);
  // Over three calendar years: their mean length (365 + 366 + 365) / 3.
  EXPECT_DOUBLE_EQ(yf(serial(2007, 1, 29), serial(2009, 4, 30), 1),
                   static_cast<double>(serial(2009, 4, 30) - serial(2007, 1, 29)) / (1096 / 3.0));
  EXPECT_DOUBLE_EQ(yf(serial(2010, 2, 28), serial(2010, 8, 30), 0), 0.5);
  EXPECT_DOUBLE_EQ(yf(serial(2010, 1, 31), serial(2010, 8, 1), 0), 181 / 360.0);
  EXPECT_DOUBLE_EQ(yf(serial(2008, 1, 31), serial(2008, 5, 1), 4), 91 / 360.0);
}

// YEARFRAC's basis 0 counts 30/360 days as spreadsheet programs do: the end
// on the 31st stays unless the start is the 30th or 31st, and a start on the
// last day of February moves to the 30th (the end too when it is also the
// last day of February). Counted by hand.
TEST(DateFunctions, YearfracBasisZeroCountsAsSpreadsheetPrograms) {
  TestValues t;
  Value* r = t.make();
  const struct {
    int64_t start, end;
    double days;
  } cases[] = {
      {serial(2023, 2, 28), serial(2023, 3, 31), 31},  // start to the 30th, end stays
      {serial(2024, 2, 29), serial(2024, 3, 31), 31},  // the same in a leap year
      {serial(2023, 2, 28), serial(2023, 3, 30), 30},
      {serial(2023, 2, 28), serial(2024, 2, 29), 360},  // both ends of February
      {serial(2024, 2, 28), serial(2024, 3, 31), 33},   // 28 February 2024 is no month end
      {serial(2023, 1, 30), serial(2023, 3, 31), 60},   // start the 30th: end to the 30th
      {serial(2023, 1, 31), serial(2023, 3, 31), 60},   // both the 31st
      {serial(2023, 1, 15), serial(2023, 3, 31), 76},   // the end keeps its 31
      {serial(2023, 3, 31), serial(2023, 2, 28), 31},   // dates in either order
  };
  for (const auto& k : cases) {
    const Value* args[] = {t.num(static_cast<double>(k.start)), t.num(static_cast<double>(k.end)), t.integer(0)};
    EXPECT_DOUBLE_EQ(number(Wsf_yearfrac(r, 3, args)), k.days / 360) << k.start << " " << k.end;
  }
}

TEST(DayCount, EachBasisAgainstHandWorkedCalendars) {
  double days = 0, year = 0;
  // 31 January to 28 February 2023: US 30/360 without the February rule.
  EXPECT_EQ(Coup_days30360(serial(2023, 1, 31), serial(2023, 2, 28), kBasisUs30360, false), 28);
  EXPECT_EQ(Coup_days30360(serial(2023, 1, 31), serial(2023, 3, 31), kBasisEuropean30360, false), 60);
  // Last day of February to last day of February: both move to the 30th.
  EXPECT_EQ(Coup_days30360(serial(2023, 2, 28), serial(2024, 2, 29), kBasisUs30360, true), 360);
  ASSERT_TRUE(Coup_dayCount(serial(2023, 2, 28), serial(2023, 3, 31), 0, &days, &year));
  EXPECT_EQ(days, 30);  // the end is a month end: the start moves to the 30th, and so does the end
  EXPECT_EQ(year, 360);
  ASSERT_TRUE(Coup_dayCount(serial(2023, 1, 15), serial(2023, 3, 15), 1, &days, &year));
  EXPECT_EQ(days, 59);
  EXPECT_EQ(year, 365);
  ASSERT_TRUE(Coup_dayCount(serial(2024, 1, 15), serial(2024, 3, 15), 2, &days, &year));
  EXPECT_EQ(days, 60);
  EXPECT_EQ(year, 360);
  ASSERT_TRUE(Coup_dayCount(serial(2024, 1, 15), serial(2024, 3, 15), 3, &days, &year));
  EXPECT_EQ(year, 365);
  ASSERT_TRUE(Coup_dayCount(serial(2024, 1, 31), serial(2024, 3, 31), 4, &days, &year));
  EXPECT_EQ(days, 60);
  EXPECT_EQ(Coup_actualYearLength(serial(2023, 3, 1), serial(2024, 3, 1)), 366);
  EXPECT_EQ(Coup_actualYearLength(serial(2023, 1, 1), serial(2023, 12, 31)), 365);
  EXPECT_FALSE(Coup_dayCount(serial(2024, 1, 1), serial(2024, 1, 1), 0, &days, &year));
  EXPECT_FALSE(Coup_dayCount(serial(2024, 1, 1), serial(2024, 2, 1), 5, &days, &year));
  EXPECT_FALSE(Coup_dayCount(-1, serial(2024, 2, 1), 0, &days, &year));
}

TEST(CouponSchedule, EachFrequencyAgainstAScheduleBuiltByHand) {
  CoupSchedule c{};
  // Semiannual from a 30 June maturity: the month-end rule gives 31 December.
  ASSERT_TRUE(Coup_schedule(serial(2023, 3, 15), serial(2025, 6, 30), 2, 1, &c));
  EXPECT_EQ(c.previous, serial(2022, 12, 31));
  EXPECT_EQ(c.next, serial(2023, 6, 30));
  EXPECT_EQ(c.n, 5);
  EXPECT_EQ(c.a, serial(2023, 3, 15) - serial(2022, 12, 31));
  EXPECT_EQ(c.e, serial(2023, 6, 30) - serial(2022, 12, 31));
  ASSERT_TRUE(Coup_schedule(serial(2023, 8, 20), serial(2025, 2, 15), 2, 0, &c));
  EXPECT_EQ(c.previous, serial(2023, 8, 15));
  EXPECT_EQ(c.next, serial(2024, 2, 15));
  EXPECT_EQ(c.n, 3);
  EXPECT_EQ(c.a, 5);
  EXPECT_EQ(c.e, 180);
  EXPECT_EQ(c.dsc, 175);
  // Annual and quarterly: 15 May coupons, and the 31st cut to each month.
  ASSERT_TRUE(Coup_schedule(serial(2023, 8, 20), serial(2026, 5, 15), 1, 3, &c));
  EXPECT_EQ(c.previous, serial(2023, 5, 15));
  EXPECT_EQ(c.next, serial(2024, 5, 15));
  EXPECT_EQ(c.n, 3);
  EXPECT_EQ(c.e, 365);
  ASSERT_TRUE(Coup_schedule(serial(2023, 11, 10), serial(2024, 8, 31), 4, 1, &c));
  EXPECT_EQ(c.previous, serial(2023, 8, 31));
  EXPECT_EQ(c.next, serial(2023, 11, 30));
  EXPECT_EQ(c.n, 4);
  ASSERT_TRUE(Coup_schedule(serial(2023, 11, 10), serial(2024, 8, 15), 4, 2, &c));
  EXPECT_EQ(c.previous, serial(2023, 8, 15));
  EXPECT_EQ(c.next, serial(2023, 11, 15));
  EXPECT_EQ(c.e, 90);
  // On a coupon date the period begins there.
  ASSERT_TRUE(Coup_schedule(serial(2023, 8, 15), serial(2025, 2, 15), 2, 1, &c));
  EXPECT_EQ(c.previous, serial(2023, 8, 15));
  EXPECT_EQ(c.a, 0);
  EXPECT_EQ(c.n, 3);
  EXPECT_FALSE(Coup_schedule(serial(2023, 8, 15), serial(2025, 2, 15), 3, 1, &c));
  EXPECT_FALSE(Coup_schedule(serial(2023, 8, 15), serial(2025, 2, 15), 2, 5, &c));
  EXPECT_FALSE(Coup_schedule(-1, serial(2025, 2, 15), 2, 1, &c));
  EXPECT_TRUE(Coup_schedule(serial(2025, 2, 15), serial(2025, 2, 15), 2, 1, &c));
}

TEST(CouponSchedule, ThePeriodHoldsTheSettlementForEveryDayAndFrequency) {
  CoupSchedule c{};
  for (const int64_t maturity : {serial(2030, 2, 28), serial(2030, 10, 31), serial(2030, 6, 15), serial(2028, 2, 29)})
    for (const double f : {1.0, 2.0, 4.0})
      for (int64_t s = serial(2024, 1, 1); s < maturity; s += 3) {
        ASSERT_TRUE(Coup_schedule(static_cast<double>(s), static_cast<double>(maturity), f, 1, &c));
        ASSERT_LE(c.previous, s);
        ASSERT_LT(s, c.next);
        ASSERT_NEAR(c.e, 365 / f, 4);
      }
}

}  // namespace

namespace {

int64_t day(int y, int m, int d) { return Date_toSerial(y, m, d); }

TEST(CouponSchedule, AnOddFirstPeriodAgainstItsQuasiPeriodsByHand) {
  // Semiannual 15 January / 15 July coupons; issued 1 March 2023, first
  // coupon 15 January 2024, settled 10 September 2023.
  CoupOddFirst o{};
  ASSERT_TRUE(Coup_oddFirstPeriod(day(2023, 9, 10), day(2026, 7, 15), day(2023, 3, 1), day(2024, 1, 15), 2, 1, &o));
  EXPECT_EQ(o.regularCoupons, 5);
  EXPECT_EQ(o.settlementDsc, 127);  // 20 + 31 + 30 + 31 + 15
  EXPECT_EQ(o.quasiPeriods, 2);
  EXPECT_EQ(o.issueDsc, 136);     // 30 + 30 + 31 + 30 + 15
  EXPECT_EQ(o.issueLength, 181);  // 15 January to 15 July 2023
  EXPECT_EQ(o.periodsAfterSettlement, 0);
  EXPECT_EQ(o.issueAccrued, 136);
  EXPECT_EQ(o.settlementAccrued, 57);  // 15 July to 10 September
  EXPECT_EQ(o.settlementLength, 184);
  EXPECT_FALSE(Coup_oddFirstPeriod(day(2023, 9, 10), day(2026, 7, 15), day(2023, 3, 1), day(2024, 1, 15), 3, 1, &o));
}

TEST(CouponSchedule, AnOddFirstPeriodOfThreeQuasiPeriodsCountsThePeriodsEitherSideOfTheSettlement) {
  // Issued 1 September 2022, first coupon 15 January 2024, semiannual
  // 15 January / 15 July: quasi-periods from 15 July 2022, 15 January 2023
  // and 15 July 2023.
  CoupOddFirst o{};
  const auto at = [&o](int64_t settlement) {
    return Coup_oddFirstPeriod(settlement, day(2030, 1, 15), day(2022, 9, 1), day(2024, 1, 15), 2, 0, &o);
  };
  ASSERT_TRUE(at(day(2022, 11, 1)));
  EXPECT_EQ(o.quasiPeriods, 3);
  EXPECT_EQ(o.periodsAfterSettlement, 2);
  EXPECT_EQ(o.periodsBeforeSettlement, 0);
  EXPECT_EQ(o.issueAccrued, 60);
  ASSERT_TRUE(at(day(2023, 3, 1)));
  EXPECT_EQ(o.periodsAfterSettlement, 1);
  EXPECT_EQ(o.periodsBeforeSettlement, 0);
  EXPECT_EQ(o.settlementAccrued, 46);
  ASSERT_TRUE(at(day(2023, 10, 1)));
  EXPECT_EQ(o.periodsAfterSettlement, 0);
  EXPECT_EQ(o.periodsBeforeSettlement, 1);
  EXPECT_EQ(o.settlementAccrued, 76);
  EXPECT_EQ(o.settlementDsc, 104);
}

TEST(CouponSchedule, AnOddLastPeriodAgainstItsQuasiPeriodsByHand) {
  // Last interest 15 June 2023, semiannual, settled 1 August 2023.
  CoupOddLast o{};
  ASSERT_TRUE(Coup_oddLastPeriod(day(2023, 8, 1), day(2024, 3, 1), day(2023, 6, 15), 2, 3, &o));
  EXPECT_EQ(o.atSettlement.next, day(2023, 12, 15));
  EXPECT_EQ(o.atSettlement.a, 47);
  EXPECT_EQ(o.atSettlement.dsc, 136);
  EXPECT_EQ(o.atSettlement.e, 183);  // actual days, though the basis is 3
  EXPECT_EQ(o.atMaturity.next, day(2024, 6, 15));
  EXPECT_EQ(o.periods, 1);
  EXPECT_EQ(o.maturityAccrued, 77);  // 15 December to 1 March 2024
  // Both in one quasi-period: the days from settlement to maturity.
  ASSERT_TRUE(Coup_oddLastPeriod(day(2023, 8, 1), day(2023, 11, 1), day(2023, 6, 15), 2, 1, &o));
  EXPECT_EQ(o.periods, 1);
  EXPECT_EQ(o.maturityAccrued, 92);
  EXPECT_EQ(o.atSettlement.dsc, 0);
}

}  // namespace
