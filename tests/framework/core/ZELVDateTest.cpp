#include "ZELVDate.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Sets TZ for the scope and puts the previous zone back afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

// Same for one ordinary environment variable.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Local time from "YYYY-MM-DD HH:MM:SS" in the current zone.
time_t At(const char* text) {
    struct tm t = {};
    if (std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                    &t.tm_min, &t.tm_sec) != 6)
        ADD_FAILURE() << "bad instant " << text;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

CZELVDate Date(int y, int m, int d) {
    CZELVDate date;
    EXPECT_TRUE(date.SetDate(y, m, d)) << y << '-' << m << '-' << d;
    return date;
}

std::string Ymd(const CZELVDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Year(), d.Month(), d.Day());
    return buf;
}

std::string S(const QString& s) {
    return s.toStdString();
}

class UtcTest : public ::testing::Test {
protected:
    ScopedTimeZone m_zone{"UTC"};
};

// ---- the word ----

TEST_F(UtcTest, CalendarWordIsStoredBigEndian) {
    const CZELVDate d = Date(2018, 8, 14);
    EXPECT_EQ(d.Value(), 0xC0000000u + (14u << 24) + (8u << 16) + 2018u);
    unsigned char bytes[4];
    const uint32_t raw = d.Raw();
    std::memcpy(bytes, &raw, 4);
    EXPECT_EQ(bytes[0], 0xCE);
    EXPECT_EQ(bytes[1], 0x08);
    EXPECT_EQ(bytes[2], 0x07);
    EXPECT_EQ(bytes[3], 0xE2);
    EXPECT_EQ(CZELVDate::FromRaw(raw), d);
    EXPECT_EQ(CZELVDate::FromWord(d.Value()), d);
    EXPECT_EQ(d.Year(), 2018);
    EXPECT_EQ(d.Month(), 8);
    EXPECT_EQ(d.Day(), 14);
    EXPECT_TRUE(d.IsCalendarDate());
    EXPECT_TRUE(d.IsValid());
}

TEST_F(UtcTest, SetDateRejectsDaysThatDoNotExist) {
    const std::pair<const char*, std::array<int, 3>> bad[] = {
        {"Feb30", {2018, 2, 30}},        {"Feb29NonLeap", {2023, 2, 29}},
        {"Feb29Century", {1900, 2, 29}}, {"Month13", {2018, 13, 1}},
        {"Month0", {2018, 0, 1}},        {"Day0", {2018, 1, 0}},
        {"Day32", {2018, 1, 32}},        {"Year0", {0, 1, 1}},
        {"Year10000", {10000, 1, 1}},    {"NegativeYear", {-5, 1, 1}}};
    for (const auto& [name, f] : bad) {
        CZELVDate d = CZELVDate::FromWord(0x12345678u);
        EXPECT_FALSE(d.SetDate(f[0], f[1], f[2])) << name;
        EXPECT_EQ(d.Value(), 0x12345678u) << name << ": a failed set must not change the date";
    }
    CZELVDate d;
    EXPECT_TRUE(d.SetDate(2000, 2, 29));
    EXPECT_TRUE(d.SetDate(1, 1, 1));
    EXPECT_TRUE(d.SetDate(9999, 12, 31));
}

TEST_F(UtcTest, ToTimeIsOneAmAndASecondOfTheDay) {
    EXPECT_EQ(Date(2018, 8, 14).ToTime(), At("2018-08-14 01:00:01"));
    // A seconds value becomes the same moment of its own day.
    const CZELVDate seconds = CZELVDate::FromWord(static_cast<uint32_t>(At("2018-08-14 17:45:12")));
    EXPECT_FALSE(seconds.IsCalendarDate());
    EXPECT_EQ(seconds.ToTime(), At("2018-08-14 01:00:01"));
    EXPECT_EQ(seconds.Year(), 0);
    EXPECT_EQ(CZELVDate().ToTime(), 0);
    // The "not set" word of the move-date fields has bit 31 alone: no real day.
    EXPECT_EQ(CZELVDate::FromWord(0x80000000u).ToTime(), CZELVDate::kInvalidTime);
    EXPECT_FALSE(CZELVDate::FromWord(0x80000000u).IsValid());
    EXPECT_EQ(CZELVDate::FromWord(0xC0000000u + (31u << 24) + (2u << 16) + 2018u).ToTime(),
              CZELVDate::kInvalidTime);
}

TEST_F(UtcTest, SetFromTimeDropsTheTimeAndZeroMeansNow) {
    const ZELVFixedClock clock(At("2024-02-29 23:59:59"));
    CZELVDate d;
    ASSERT_TRUE(d.SetFromTime(0, clock));
    EXPECT_EQ(Ymd(d), "2024-02-29");
    ASSERT_TRUE(d.SetFromTime(At("1999-12-31 00:00:00"), clock));
    EXPECT_EQ(Ymd(d), "1999-12-31");
    EXPECT_EQ(d.Value() & CZELVDate::kCalendarBits, CZELVDate::kCalendarBits);
    // Times whose year does not fit the field are refused, not wrapped.
    const CZELVDate before = d;
    EXPECT_FALSE(d.SetFromTime(static_cast<time_t>(INT64_MAX), clock));
    EXPECT_FALSE(d.SetFromTime(At("9999-12-31 12:00:00") + 86400, clock));
    EXPECT_EQ(d, before);
}

TEST_F(UtcTest, AddDaysIsCalendarArithmeticWithinTheYearRange) {
    CZELVDate d = Date(2024, 2, 28);
    ASSERT_TRUE(d.AddDays(1));
    EXPECT_EQ(Ymd(d), "2024-02-29");
    ASSERT_TRUE(d.AddDays(366));
    EXPECT_EQ(Ymd(d), "2025-03-01");
    CZELVDate last = Date(9999, 12, 31);
    EXPECT_FALSE(last.AddDays(1));
    EXPECT_EQ(Ymd(last), "9999-12-31");
    CZELVDate first = Date(1, 1, 1);
    EXPECT_FALSE(first.AddDays(-1));
    EXPECT_FALSE(first.AddDays(INT64_MIN));
    EXPECT_FALSE(first.AddDays(INT64_MAX));
    CZELVDate empty;
    EXPECT_FALSE(empty.AddDays(1));
}

// ---- text forms ----

struct DurationCase {
    const char* name;
    uint64_t seconds;
    const char* text;
};

class Duration : public ::testing::TestWithParam<DurationCase> {};

TEST_P(Duration, LargestUnitDecidesTheForm) {
    EXPECT_EQ(S(FormatDuration(GetParam().seconds)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    FormatDuration, Duration,
    ::testing::Values(DurationCase{"Zero", 0, "S0"}, DurationCase{"JustSeconds", 59, "S59"},
                      DurationCase{"OneMinute", 60, "M1:00"},
                      DurationCase{"MinutesPadSeconds", 3599, "M59:59"},
                      DurationCase{"OneHour", 3600, "H1:00:00"},
                      DurationCase{"HoursPadMinutes", 3661, "H1:01:01"},
                      DurationCase{"LastSecondOfADay", 86399, "H23:59:59"},
                      DurationCase{"OneDay", 86400, "D1:00:00:00"},
                      DurationCase{"DayHourMinuteSecond", 90061, "D1:01:01:01"},
                      DurationCase{"LargestValueKeepsAllDays", UINT64_MAX,
                                   "D213503982334601:07:00:15"}),
    [](const ::testing::TestParamInfo<DurationCase>& p) { return p.param.name; });

TEST(FormatCount, GroupsOfThreeDigits) {
    EXPECT_EQ(S(FormatCount(0)), "0");
    EXPECT_EQ(S(FormatCount(999)), "999");
    EXPECT_EQ(S(FormatCount(1000)), "1,000");
    EXPECT_EQ(S(FormatCount(100000)), "100,000");
    EXPECT_EQ(S(FormatCount(1234567)), "1,234,567");
    EXPECT_EQ(S(FormatCount(UINT64_MAX)), "18,446,744,073,709,551,615");
}

TEST_F(UtcTest, FormatDateDefaultAndCustomForms) {
    EXPECT_EQ(S(FormatDate(Date(2018, 8, 14))), "Tuesday, August 14, 2018");
    EXPECT_EQ(S(FormatDate(Date(2018, 8, 4), "%Y-%m-%d")), "2018-08-04");
    EXPECT_EQ(S(FormatDate(Date(1, 1, 1), "%A, %B %d")), "Monday, January 01");
    EXPECT_EQ(S(FormatDate(CZELVDate::FromWord(static_cast<uint32_t>(At("2018-08-14 23:00:00"))))),
              "Tuesday, August 14, 2018");
    EXPECT_EQ(S(FormatDate(CZELVDate::FromWord(0x80000000u))), "Unable to form a propper date");
    EXPECT_EQ(S(FormatDate(Date(2018, 8, 14), "")), "");
    // A result far longer than a first guess at the buffer is still complete.
    const std::string longFormat(2000, 'x');
    EXPECT_EQ(S(FormatDate(Date(2018, 8, 14), (longFormat + "%Y").c_str())), longFormat + "2018");
}

// The byte forms streamed to files must read exactly as the texts shown.
TEST_F(UtcTest, ByteFormsMatchTheirTexts) {
    const CZELVDate dates[] = {
        Date(2018, 8, 4),
        Date(1, 1, 1),
        Date(999, 12, 31),
        Date(9999, 12, 31),
        CZELVDate::FromWord(static_cast<uint32_t>(At("2018-08-14 23:00:00"))),
        CZELVDate::FromWord(0x80000000u),
        CZELVDate::FromWord(0xC00D0C07u)};
    for (const CZELVDate& d : dates) {
        std::string bytes = "x";
        AppendISODate(bytes, d);
        EXPECT_EQ(bytes, "x" + S(FormatDate(d, "%Y-%m-%d"))) << std::hex << d.Value();
    }
    for (const uint64_t n :
         {uint64_t(0), uint64_t(12), uint64_t(1000), uint64_t(1234567), UINT64_MAX}) {
        std::string bytes;
        AppendCount(bytes, n);
        EXPECT_EQ(bytes, S(FormatCount(n)));
    }
}

TEST_F(UtcTest, FormatTimeDefaultFormAndUnconvertibleTime) {
    EXPECT_EQ(S(FormatTime(At("2018-08-14 13:05:09"))), "Tuesday, August 14, 2018 - 13:05:09");
    EXPECT_EQ(S(FormatTime(At("2018-08-14 13:05:09"), "%H:%M")), "13:05");
    EXPECT_EQ(S(FormatTime(static_cast<time_t>(INT64_MAX))), "**ERROR**");
}

TEST_F(UtcTest, DaysBetweenCountsWholeDaysBothWays) {
    EXPECT_EQ(DaysBetween(Date(2018, 8, 14), Date(2018, 8, 20)), 6);
    EXPECT_EQ(DaysBetween(Date(2018, 8, 20), Date(2018, 8, 14)), -6);
    EXPECT_EQ(DaysBetween(Date(2024, 2, 28), Date(2024, 3, 1)), 2);
    EXPECT_EQ(DaysBetween(Date(2023, 2, 28), Date(2023, 3, 1)), 1);
    EXPECT_EQ(DaysBetween(Date(2018, 8, 14), Date(2018, 8, 14)), 0);
    // A seconds value counts by its day, whatever its time of day.
    EXPECT_EQ(DaysBetween(Date(2018, 8, 14),
                          CZELVDate::FromWord(static_cast<uint32_t>(At("2018-08-15 23:59:00")))),
              1);
    EXPECT_EQ(DaysBetween(CZELVDate::FromWord(0x80000000u), Date(2018, 8, 14)), 0);
}

struct DescribeCase {
    const char* name;
    const char* now;
    int y, m, d;
    const char* text;
};

class Describe : public UtcTest, public ::testing::WithParamInterface<DescribeCase> {};

TEST_P(Describe, DistanceFromTodayInParentheses) {
    const DescribeCase& c = GetParam();
    const ZELVFixedClock clock(At(c.now));
    EXPECT_EQ(S(DescribeDate(Date(c.y, c.m, c.d), "%Y-%m-%d", clock)), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    DescribeDate, Describe,
    ::testing::Values(
        DescribeCase{"Today", "2024-03-15 12:00:00", 2024, 3, 15, "2024-03-15 (Today)"},
        DescribeCase{"Tomorrow", "2024-03-15 12:00:00", 2024, 3, 16, "2024-03-16 (Tomorrow)"},
        DescribeCase{"Yesterday", "2024-03-15 12:00:00", 2024, 3, 14, "2024-03-14 (Yesterday)"},
        DescribeCase{"OneWeek", "2024-03-15 12:00:00", 2024, 3, 22, "2024-03-22 (One Week)"},
        DescribeCase{"MinusSevenIsNotOneWeek", "2024-03-15 12:00:00", 2024, 3, 8,
                     "2024-03-08 (-7 days)"},
        DescribeCase{"FutureDays", "2024-03-15 12:00:00", 2024, 3, 18, "2024-03-18 (3 days)"},
        DescribeCase{"PastDays", "2024-03-15 12:00:00", 2024, 3, 12, "2024-03-12 (-3 days)"},
        DescribeCase{"AcrossLeapDay", "2024-02-28 12:00:00", 2024, 3, 1, "2024-03-01 (2 days)"},
        DescribeCase{"JustAfterMidnightIsStillToday", "2024-03-15 00:10:00", 2024, 3, 15,
                     "2024-03-15 (Today)"},
        DescribeCase{"LastSecondOfTheDay", "2024-03-15 23:59:59", 2024, 3, 16,
                     "2024-03-16 (Tomorrow)"}),
    [](const ::testing::TestParamInfo<DescribeCase>& p) { return p.param.name; });

TEST_F(UtcTest, DescribeDateDefaultForm) {
    const ZELVFixedClock clock(At("2018-08-13 09:00:00"));
    EXPECT_EQ(S(DescribeDate(Date(2018, 8, 14), "%A, %B %d, %Y", clock)),
              "Tuesday, August 14, 2018 (Tomorrow)");
}

// ---- expressions ----

struct ExpressionCase {
    const char* name;
    const char* now;
    const char* text;
    const char* date; // nullptr: invalid
    int kind = ZELVDATE_DATE;
};

class Expression : public UtcTest, public ::testing::WithParamInterface<ExpressionCase> {};

TEST_P(Expression, EvaluatesAtAFixedInstant) {
    const ExpressionCase& c = GetParam();
    const ZELVFixedClock clock(At(c.now));
    CZELVDate date = CZELVDate::FromWord(0x12345678u);
    int kind = -1;
    const bool ok = ParseDateExpression(QString::fromLatin1(c.text), &date, &kind, clock);
    if (!c.date) {
        EXPECT_FALSE(ok) << c.text << " gave " << Ymd(date);
        EXPECT_EQ(date.Value(), 0x12345678u) << "a failed parse must leave the date alone";
        EXPECT_EQ(kind, -1);
        return;
    }
    ASSERT_TRUE(ok) << c.text;
    EXPECT_EQ(kind, c.kind);
    if (c.kind == ZELVDATE_DATE) {
        EXPECT_EQ(Ymd(date), c.date);
        EXPECT_EQ(date.Value() & CZELVDate::kCalendarBits, CZELVDate::kCalendarBits);
    }
    // Callers that take no kinds get the same date and never a kind.
    CZELVDate plain;
    EXPECT_EQ(ParseDateExpression(QString::fromLatin1(c.text), &plain, nullptr, clock),
              c.kind == ZELVDATE_DATE);
    if (c.kind == ZELVDATE_DATE) {
        EXPECT_EQ(plain, date);
    }
}

constexpr const char* kNoon = "2024-03-15 12:00:00"; // a Friday

INSTANTIATE_TEST_SUITE_P(
    ParseDateExpression, Expression,
    ::testing::Values(
        // "*": today, the first hour after midnight still counting as yesterday.
        ExpressionCase{"StarIsToday", kNoon, "*", "2024-03-15"},
        ExpressionCase{"StarFirstHourIsYesterday", "2024-03-15 00:30:00", "*", "2024-03-14"},
        ExpressionCase{"StarLastSecondOfFirstHour", "2024-03-15 00:59:59", "*", "2024-03-14"},
        ExpressionCase{"StarAtOneIsToday", "2024-03-15 01:00:00", "*", "2024-03-15"},
        ExpressionCase{"StarFirstHourOfTheYear", "2024-01-01 00:10:00", "*", "2023-12-31"},
        ExpressionCase{"StarPlusSeven", kNoon, "*+7", "2024-03-22"},
        ExpressionCase{"StarMinusThree", kNoon, "*-3", "2024-03-12"},
        ExpressionCase{"StarPlusZero", kNoon, "*+0", "2024-03-15"},
        ExpressionCase{"StarPlusIntoNextYear", "2023-12-31 12:00:00", "*+1", "2024-01-01"},
        ExpressionCase{"StarMinusFirstHourOverLeapDay", "2024-03-01 00:30:00", "*-1", "2024-02-28"},
        ExpressionCase{"StarLeadingZeros", kNoon, "*+007", "2024-03-22"},
        // M: first day of a month.
        ExpressionCase{"MPlusZero", kNoon, "M+0", "2024-03-01"},
        ExpressionCase{"MMinusOneIntoLastYear", "2024-01-15 12:00:00", "M-1", "2023-12-01"},
        ExpressionCase{"MPlusOneFromJan31", "2024-01-31 12:00:00", "M+1", "2024-02-01"},
        ExpressionCase{"MPlusTwelveIsNextYear", kNoon, "M+12", "2025-03-01"},
        ExpressionCase{"MMinusTwentyFive", kNoon, "M-25", "2022-02-01"},
        ExpressionCase{"MHasNoFirstHourRule", "2024-03-01 00:30:00", "M+0", "2024-03-01"},
        // m: last day of a month.
        ExpressionCase{"mPlusZeroInLeapFebruary", "2024-02-10 12:00:00", "m+0", "2024-02-29"},
        ExpressionCase{"mPlusZeroInCommonFebruary", "2023-02-10 12:00:00", "m+0", "2023-02-28"},
        ExpressionCase{"mPlusOneFromJan31", "2024-01-31 12:00:00", "m+1", "2024-02-29"},
        ExpressionCase{"mMinusOneFromMar31", "2024-03-31 12:00:00", "m-1", "2024-02-29"},
        ExpressionCase{"mPlusOneIntoNextYear", "2023-12-31 12:00:00", "m+1", "2024-01-31"},
        ExpressionCase{"mPlusZeroInDecember", "2023-12-01 12:00:00", "m+0", "2023-12-31"},
        ExpressionCase{"mThirtyDayMonth", kNoon, "m+1", "2024-04-30"},
        // Y and y: first and last day of a year.
        ExpressionCase{"YPlusOneOnDec31", "2024-12-31 23:00:00", "Y+1", "2025-01-01"},
        ExpressionCase{"YPlusZeroFirstHourOfYear", "2024-01-01 00:30:00", "Y+0", "2024-01-01"},
        ExpressionCase{"YMinusOne", kNoon, "Y-1", "2023-01-01"},
        ExpressionCase{"yPlusZeroOnDec31", "2024-12-31 12:00:00", "y+0", "2024-12-31"},
        ExpressionCase{"yMinusOne", kNoon, "y-1", "2023-12-31"},
        ExpressionCase{"YToLastYear", kNoon, "Y+7975", "9999-01-01"},
        ExpressionCase{"YToFirstYear", kNoon, "Y-2023", "0001-01-01"},
        // W: Sunday of a week, then an optional day offset.
        ExpressionCase{"WOnASunday", "2024-03-17 12:00:00", "W+0", "2024-03-17"},
        ExpressionCase{"WOnASaturday", "2024-03-16 12:00:00", "W+0", "2024-03-10"},
        ExpressionCase{"WPlusOneOnASaturday", "2024-03-16 12:00:00", "W+1", "2024-03-17"},
        ExpressionCase{"WMinusOneOnASunday", "2024-03-17 12:00:00", "W-1", "2024-03-10"},
        ExpressionCase{"WWithDayOffset", "2024-03-17 12:00:00", "W-1+1", "2024-03-11"},
        ExpressionCase{"WWithNegativeDayOffset", kNoon, "W+0-1", "2024-03-09"},
        ExpressionCase{"WAcrossNewYear", "2024-01-02 12:00:00", "W+0", "2023-12-31"},
        ExpressionCase{"WSundayFirstHourIsPreviousWeek", "2024-03-17 00:30:00", "W+0",
                       "2024-03-10"},
        ExpressionCase{"WMondayFirstHourIsYesterday", "2024-03-18 00:30:00", "W+0", "2024-03-17"},
        // Explicit dates with an optional day offset.
        ExpressionCase{"Explicit", kNoon, "2018-08-14", "2018-08-14"},
        ExpressionCase{"ExplicitPlusOffset", kNoon, "2018-08-14+3", "2018-08-17"},
        ExpressionCase{"ExplicitMinusOffsetAcrossMonth", kNoon, "2018-03-01-1", "2018-02-28"},
        ExpressionCase{"ExplicitOffsetOntoLeapDay", kNoon, "2024-02-28+1", "2024-02-29"},
        ExpressionCase{"ExplicitOffsetAcrossYear", kNoon, "2018-12-31+1", "2019-01-01"},
        ExpressionCase{"ExplicitLeapDay", kNoon, "2024-02-29", "2024-02-29"},
        ExpressionCase{"ExplicitHasNoFirstHourRule", "2024-03-15 00:30:00", "2018-08-14",
                       "2018-08-14"},
        ExpressionCase{"ExplicitLastDay", kNoon, "9999-12-31", "9999-12-31"},
        ExpressionCase{"ExplicitFirstDay", kNoon, "0001-01-01", "0001-01-01"},
        // Kinds.
        ExpressionCase{"Past", kNoon, "P", "", ZELVDATE_PAST},
        ExpressionCase{"Future", kNoon, "F", "", ZELVDATE_FUTURE},
        // Invalid.
        ExpressionCase{"NoCommonLeapDay", kNoon, "2023-02-29", nullptr},
        ExpressionCase{"NoMonth13", kNoon, "2018-13-45", nullptr},
        ExpressionCase{"NoFeb30", kNoon, "2018-02-30", nullptr},
        ExpressionCase{"NoMonth0", kNoon, "2018-00-10", nullptr},
        ExpressionCase{"NoDay0", kNoon, "2018-08-00", nullptr},
        ExpressionCase{"NoYear0", kNoon, "0000-01-01", nullptr},
        ExpressionCase{"OffsetPastLastDay", kNoon, "9999-12-31+1", nullptr},
        ExpressionCase{"OffsetBeforeFirstDay", kNoon, "0001-01-01-1", nullptr},
        ExpressionCase{"ShortMonth", kNoon, "2018-8-14", nullptr},
        ExpressionCase{"LettersInDate", kNoon, "abcd-ef-gh", nullptr},
        ExpressionCase{"TrailingText", kNoon, "2018-08-14x", nullptr},
        ExpressionCase{"UnsignedTrailingDigits", kNoon, "2018-08-143", nullptr},
        ExpressionCase{"OffsetWithoutDigits", kNoon, "2018-08-14+", nullptr},
        ExpressionCase{"SlashDate", kNoon, "2018/08/14", nullptr},
        ExpressionCase{"MWithoutNumber", kNoon, "M", nullptr},
        ExpressionCase{"MSignWithoutDigits", kNoon, "M+", nullptr},
        ExpressionCase{"MUnsigned", kNoon, "M1", nullptr},
        ExpressionCase{"MTrailingText", kNoon, "M+1x", nullptr},
        ExpressionCase{"MDoubleSign", kNoon, "M+-1", nullptr},
        ExpressionCase{"MHuge", kNoon, "M+99999999", nullptr},
        ExpressionCase{"YPastLastYear", kNoon, "Y+7976", nullptr},
        ExpressionCase{"YBeforeFirstYear", kNoon, "y-2024", nullptr},
        ExpressionCase{"StarHuge", kNoon, "*+99999999999", nullptr},
        ExpressionCase{"StarBeyondInt64", kNoon, "*+99999999999999999999999", nullptr},
        ExpressionCase{"StarSignOnly", kNoon, "*+", nullptr},
        ExpressionCase{"DoubleStar", kNoon, "**", nullptr},
        ExpressionCase{"WSecondSignOnly", kNoon, "W+1+", nullptr},
        ExpressionCase{"WThreeNumbers", kNoon, "W+1+1+1", nullptr},
        ExpressionCase{"WHuge", kNoon, "W+999999999999", nullptr},
        ExpressionCase{"LowerCaseKind", kNoon, "p", nullptr},
        ExpressionCase{"KindWithNumber", kNoon, "P+1", nullptr},
        ExpressionCase{"UnknownLetter", kNoon, "D+1", nullptr},
        ExpressionCase{"BareNumber", kNoon, "+1", nullptr},
        ExpressionCase{"LeadingBlank", kNoon, " *", nullptr},
        ExpressionCase{"TrailingBlank", kNoon, "M+1 ", nullptr},
        ExpressionCase{"Empty", kNoon, "", nullptr},
        ExpressionCase{"WildcardIsNotAPattern", kNoon, "?+1", nullptr}),
    [](const ::testing::TestParamInfo<ExpressionCase>& p) { return p.param.name; });

TEST_F(UtcTest, KindsOnlyWhereTheCallerTakesThem) {
    const ZELVFixedClock clock(At(kNoon));
    CZELVDate date = Date(2000, 1, 1);
    EXPECT_FALSE(ParseDateExpression(QStringLiteral("P"), &date, nullptr, clock));
    EXPECT_FALSE(ParseDateExpression(QStringLiteral("F"), &date, nullptr, clock));
    EXPECT_EQ(Ymd(date), "2000-01-01");
    // A caller that only validates needs no date.
    EXPECT_TRUE(ParseDateExpression(QStringLiteral("M+1"), nullptr, nullptr, clock));
}

TEST_F(UtcTest, HostileTextIsRejectedWithoutTouchingTheDate) {
    const ZELVFixedClock clock(At(kNoon));
    const std::vector<std::pair<const char*, QString>> cases = {
        // The byte-wise matcher would stop at the NUL and see "*" or "M+1".
        {"NulAfterStar", QStringLiteral("*") + QChar(0) + QStringLiteral("+1")},
        {"NulAfterNumber", QStringLiteral("M+1") + QChar(0) + QStringLiteral("junk")},
        {"LeadingNul", QChar(0) + QStringLiteral("*")},
        {"FullwidthDigit", QStringLiteral("M+\uFF11")},
        {"ArabicIndicDigits", QStringLiteral("*+\u0661\u0662")},
        {"NonAsciiYear", QStringLiteral("\u00E9018-08-14")},
        {"Emoji", QStringLiteral("W+1\U0001F600")},
        {"LongGarbage", QString(10000, u'x')},
        {"LongDigits", QStringLiteral("*+") + QString(9998, u'9')},
        {"LongAfterDate", QStringLiteral("2018-08-14+") + QString(9989, u'1')},
        {"TabInside", QStringLiteral("*\t+1")},
    };
    for (const auto& [name, text] : cases) {
        CZELVDate date = Date(2000, 1, 1);
        int kind = 7;
        EXPECT_FALSE(ParseDateExpression(text, &date, &kind, clock)) << name;
        EXPECT_EQ(Ymd(date), "2000-01-01") << name;
        EXPECT_EQ(kind, 7) << name;
    }
    // Leading zeros are only a longer spelling of a small number.
    CZELVDate date;
    ASSERT_TRUE(ParseDateExpression(QStringLiteral("*+") + QString(9997, u'0') + u'1', &date,
                                    nullptr, clock));
    EXPECT_EQ(Ymd(date), "2024-03-16");
}

// ---- daylight saving (Europe/London: 2024-03-31 01:00 GMT -> BST, 2024-10-27 02:00 BST -> GMT)
// ----

class LondonTest : public ::testing::Test {
protected:
    ScopedTimeZone m_zone{"Europe/London"};
};

TEST_F(LondonTest, DayArithmeticKeepsWholeDaysAcrossTheChanges) {
    // 01:00:01 does not exist on the spring day; the date must still be that day.
    const CZELVDate spring = Date(2024, 3, 31);
    EXPECT_EQ(S(FormatDate(spring)), "Sunday, March 31, 2024");
    CZELVDate back;
    ASSERT_TRUE(back.SetFromTime(spring.ToTime()));
    EXPECT_EQ(back, spring);
    EXPECT_EQ(S(FormatDate(Date(2024, 10, 27))), "Sunday, October 27, 2024");

    EXPECT_EQ(DaysBetween(Date(2024, 3, 25), Date(2024, 4, 1)), 7);
    EXPECT_EQ(DaysBetween(Date(2024, 4, 1), Date(2024, 3, 25)), -7);
    EXPECT_EQ(DaysBetween(Date(2024, 10, 21), Date(2024, 10, 28)), 7);
    EXPECT_EQ(DaysBetween(Date(2024, 3, 30), Date(2024, 3, 31)), 1);
}

TEST_F(LondonTest, ExpressionsOnChangeDays) {
    struct Row {
        const char* name;
        const char* now;
        const char* text;
        const char* date;
    };
    const Row rows[] = {
        {"TomorrowIsTheLongDay", "2024-10-26 23:30:00", "*+1", "2024-10-27"},
        {"DayAfterTheLongDay", "2024-10-27 23:30:00", "*+1", "2024-10-28"},
        {"FirstHourAfterTheShortDay", "2024-04-01 00:30:00", "*-1", "2024-03-30"},
        {"ShortDayItself", "2024-03-31 12:00:00", "*", "2024-03-31"},
        {"WeekAcrossTheChange", "2024-04-01 12:00:00", "W+0", "2024-03-31"},
        {"ExplicitOverTheChange", "2024-04-01 12:00:00", "2024-03-30+2", "2024-04-01"},
    };
    for (const Row& r : rows) {
        const ZELVFixedClock clock(At(r.now));
        CZELVDate date;
        ASSERT_TRUE(ParseDateExpression(QString::fromLatin1(r.text), &date, nullptr, clock))
            << r.name;
        EXPECT_EQ(Ymd(date), r.date) << r.name;
    }
    const ZELVFixedClock clock(At("2024-04-01 12:00:00"));
    EXPECT_EQ(S(DescribeDate(Date(2024, 3, 25), "%Y-%m-%d", clock)), "2024-03-25 (-7 days)");
    EXPECT_EQ(S(DescribeDate(Date(2024, 3, 31), "%Y-%m-%d", clock)), "2024-03-31 (Yesterday)");
}

TEST_F(LondonTest, RangeAcrossTheSpringChangeCountsEveryDay) {
    ScopedEnv env("ESPDATERANGEOFFSETFILE", nullptr);
    const ZELVFixedClock clock(At("2024-04-10 12:00:00"));
    ZELVDateRange range(clock);
    std::vector<QString> log;
    range.SetLogger([&log](int, const QString& m) { log.push_back(m); });
    ASSERT_TRUE(range.Parse(QStringLiteral("2024-03-25:2024-04-01")));
    EXPECT_NE(std::find(log.begin(), log.end(), QStringLiteral("Days apart: 8")), log.end());
    EXPECT_TRUE(range.Matches(Date(2024, 3, 31)));
    EXPECT_TRUE(range.Matches(Date(2024, 4, 1)));
    EXPECT_FALSE(range.Matches(Date(2024, 4, 2)));
}

// ---- ranges ----

using LogLines = std::vector<std::pair<int, std::string>>;

class RangeTest : public UtcTest {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    ZELVDateRange MakeRange(const char* now) {
        m_clock.Set(At(now));
        ZELVDateRange range(m_clock);
        range.SetLogger([this](int level, const QString& m) { m_log.emplace_back(level, S(m)); });
        return range;
    }

    // Writes an offset file and points the variable at it.
    void OffsetFile(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("offset.txt"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(content), content.size());
        f.close();
        m_env.emplace("ESPDATERANGEOFFSETFILE", path.toLocal8Bit().constData());
    }

    // The log lines that follow the "Checking ..." line.
    LogLines OffsetLog() const {
        for (size_t i = 0; i < m_log.size(); ++i) {
            if (m_log[i].second == "Checking for Environment Variable 'ESPDATERANGEOFFSETFILE'")
                return LogLines(m_log.begin() + static_cast<long>(i) + 1, m_log.end());
        }
        ADD_FAILURE() << "no check for the offset variable was logged";
        return {};
    }

    ScopedEnv m_noOffset{"ESPDATERANGEOFFSETFILE", nullptr};
    std::optional<ScopedEnv> m_env;
    QTemporaryDir m_dir;
    ZELVFixedClock m_clock;
    LogLines m_log;
};

TEST_F(RangeTest, NewRangeMatchesEverything) {
    const ZELVDateRange range = MakeRange(kNoon);
    EXPECT_TRUE(range.MatchesEverything());
    EXPECT_TRUE(range.Matches(CZELVDate()));
    EXPECT_TRUE(range.Matches(Date(1990, 1, 1)));
}

TEST_F(RangeTest, ExplicitWeekMatchesBothEndDaysAndLogsItsSteps) {
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20")));
    EXPECT_FALSE(range.MatchesEverything());
    EXPECT_EQ(range.Span(), 7 * 86400);
    EXPECT_FALSE(range.Matches(Date(2018, 8, 13)));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 14)));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 17)));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 20)));
    EXPECT_FALSE(range.Matches(Date(2018, 8, 21)));
    const LogLines expected = {
        {3, "Explicit date range requested as: 2018-08-14:2018-08-20"},
        {3, "Start date interpreted as: Tuesday, August 14, 2018"},
        {3, "End date interpreted as: Monday, August 20, 2018"},
        {3, "Days apart: 7"},
        {3, "Checking for Environment Variable 'ESPDATERANGEOFFSETFILE'"},
    };
    EXPECT_EQ(m_log, expected);
}

struct MatchCase {
    const char* name;
    const char* range;
    std::vector<std::pair<const char*, bool>> dates; // "YYYY-MM-DD" and whether it matches
};

class RangeMatch : public RangeTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(RangeMatch, AtFridayNoon) {
    const MatchCase& c = GetParam();
    ZELVDateRange range = MakeRange(kNoon); // 2024-03-15 12:00
    ASSERT_TRUE(range.Parse(QString::fromLatin1(c.range)));
    for (const auto& [text, matches] : c.dates) {
        int y = 0, m = 0, d = 0;
        ASSERT_EQ(std::sscanf(text, "%d-%d-%d", &y, &m, &d), 3);
        EXPECT_EQ(range.Matches(Date(y, m, d)), matches) << c.range << " with " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ZELVDateRange, RangeMatch,
    ::testing::Values(
        MatchCase{"PreviousMonth",
                  "M-1:m-1",
                  {{"2024-01-31", false},
                   {"2024-02-01", true},
                   {"2024-02-29", true},
                   {"2024-03-01", false}}},
        MatchCase{"CurrentYear",
                  "Y+0:y+0",
                  {{"2023-12-31", false},
                   {"2024-01-01", true},
                   {"2024-12-31", true},
                   {"2025-01-01", false}}},
        // Today's date stands for 01:00:01, which lies before noon.
        MatchCase{"PastAlone",
                  "P",
                  {{"1990-01-01", true},
                   {"2024-03-14", true},
                   {"2024-03-15", true},
                   {"2024-03-16", false}}},
        MatchCase{"FutureAlone",
                  "F",
                  {{"2024-03-14", false},
                   {"2024-03-15", false},
                   {"2024-03-16", true},
                   {"9999-12-31", true}}},
        MatchCase{"PastToFutureIsTheFuture", "P:F", {{"2024-03-14", false}, {"2024-03-16", true}}},
        MatchCase{"FutureToPastIsEmpty", "F:P", {{"2024-03-14", false}, {"2024-03-16", false}}},
        MatchCase{"PastUpToADate",
                  "P:2018-08-20",
                  {{"0001-01-01", true}, {"2018-08-20", true}, {"2018-08-21", false}}},
        MatchCase{"DateIntoTheFuture",
                  "2024-03-10:F",
                  {{"2024-03-09", false},
                   {"2024-03-15", false},
                   {"2024-03-16", true},
                   {"2030-01-01", true}}},
        MatchCase{"DateToPast",
                  "2024-03-10:P",
                  {{"2024-03-09", false}, {"2024-03-12", true}, {"2024-03-16", false}}},
        MatchCase{"OneDayAlone",
                  "2018-08-14",
                  {{"2018-08-13", false}, {"2018-08-14", true}, {"2018-08-15", false}}},
        MatchCase{"NextSevenDays",
                  "*:*+7",
                  {{"2024-03-14", false},
                   {"2024-03-15", true},
                   {"2024-03-22", true},
                   {"2024-03-23", false}}},
        MatchCase{"OnlyColonsIsToday",
                  "::",
                  {{"2024-03-14", false}, {"2024-03-15", true}, {"2024-03-16", false}}},
        MatchCase{
            "EmptyEndTakesTheStart", "2018-08-14:", {{"2018-08-14", true}, {"2018-08-15", false}}},
        MatchCase{"EmptyStartTakesTheEnd", ":F", {{"2024-03-14", false}, {"2024-03-16", true}}},
        MatchCase{"ReversedMatchesNothing",
                  "2018-08-20:2018-08-14",
                  {{"2018-08-14", false}, {"2018-08-17", false}, {"2018-08-20", false}}}),
    [](const ::testing::TestParamInfo<MatchCase>& p) { return p.param.name; });

TEST_F(RangeTest, OnlyCalendarDatesMatch) {
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("P:F"))); // no bound on either side for dates
    EXPECT_TRUE(range.Matches(Date(2024, 3, 16)));
    EXPECT_FALSE(range.Matches(CZELVDate()));
    EXPECT_FALSE(
        range.Matches(CZELVDate::FromWord(static_cast<uint32_t>(At("2024-03-20 12:00:00")))));
    EXPECT_FALSE(range.Matches(CZELVDate::FromWord(0x80000000u)));
    ASSERT_TRUE(range.Parse(QStringLiteral("1970-01-01:2037-12-31")));
    EXPECT_FALSE(
        range.Matches(CZELVDate::FromWord(static_cast<uint32_t>(At("2018-08-14 12:00:00")))));
}

TEST_F(RangeTest, KindsAreLoggedByName) {
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("P:F")));
    EXPECT_EQ(range.StartKind(), ZELVDATE_PAST);
    EXPECT_EQ(range.EndKind(), ZELVDATE_FUTURE);
    const LogLines expected = {
        {3, "Explicit date range requested as: P:F"},
        {3, "Start date interpreted as: PAST"},
        {3, "End date interpreted as: FUTURE"},
        {3, "Checking for Environment Variable 'ESPDATERANGEOFFSETFILE'"},
    };
    EXPECT_EQ(m_log, expected);
}

TEST_F(RangeTest, EmptyTextFailsAndMatchesNothing) {
    ZELVDateRange range = MakeRange(kNoon);
    EXPECT_FALSE(range.Parse(QString()));
    EXPECT_FALSE(range.MatchesEverything());
    EXPECT_FALSE(range.Matches(Date(2024, 3, 15)));
    EXPECT_EQ(m_log, (LogLines{{0, "Empty Date Range String passed"}}));
}

TEST_F(RangeTest, UnparsableBoundFailsAndMatchesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"2018-08-14:bogus", "Unable to parse From Date: bogus"},
        {"bogus:2018-08-14", "Unable to parse From Date: bogus"},
        {"2018-02-30", "Unable to parse From Date: 2018-02-30"},
        {"*:*:*", "Unable to parse From Date: *"},
    };
    for (const auto& [text, message] : cases) {
        m_log.clear();
        ZELVDateRange range = MakeRange(kNoon);
        EXPECT_FALSE(range.Parse(QString::fromLatin1(text))) << text;
        EXPECT_FALSE(range.Matches(Date(2024, 3, 15))) << text;
        EXPECT_FALSE(range.Matches(Date(2018, 8, 14))) << text;
        ASSERT_FALSE(m_log.empty());
        EXPECT_EQ(m_log.back(), std::make_pair(0, std::string(message))) << text;
    }
}

TEST_F(RangeTest, AFailedParseForgetsTheEarlierRange) {
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("P")));
    EXPECT_TRUE(range.Matches(Date(2024, 3, 1)));
    EXPECT_FALSE(range.Parse(QStringLiteral("P:nonsense")));
    EXPECT_FALSE(range.Matches(Date(2024, 3, 1)));
    ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14")));
    EXPECT_EQ(range.StartKind(), ZELVDATE_DATE);
    EXPECT_FALSE(range.Matches(Date(2024, 3, 1)));
}

TEST_F(RangeTest, OnlyTheFirst127CharactersAreRead) {
    // Colons pad the text to 127 characters; what follows is never looked at.
    const QString head = QStringLiteral("2018-08-14:2018-08-20");
    const QString text = head + QString(127 - head.size(), u':') + QStringLiteral("bogus");
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(text));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 20)));
    EXPECT_EQ(m_log.front().second, "Explicit date range requested as: " + S(text.left(127)));

    EXPECT_FALSE(range.Parse(QString(10000, u'7')));
    EXPECT_FALSE(range.Parse(QStringLiteral("*") + QChar(0) + QStringLiteral(":F")));
}

TEST_F(RangeTest, OffsetFileMovesStartAndEnd) {
    OffsetFile("2:-1\n");
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20")));
    EXPECT_EQ(Ymd(range.Start()), "2018-08-16");
    EXPECT_EQ(Ymd(range.End()), "2018-08-19");
    EXPECT_EQ(range.Span(), 4 * 86400);
    EXPECT_FALSE(range.Matches(Date(2018, 8, 15)));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 16)));
    EXPECT_TRUE(range.Matches(Date(2018, 8, 19)));
    EXPECT_FALSE(range.Matches(Date(2018, 8, 20)));
    const LogLines expected = {
        {3, "Offset values set to: Low(2) High(-1)"},
        {3, "Start date interpreted as: Thursday, August 16, 2018"},
        {3, "End date interpreted as: Sunday, August 19, 2018"},
    };
    EXPECT_EQ(OffsetLog(), expected);
}

struct OffsetCase {
    const char* name;
    const char* content;
    const char* start; // after the offsets, for the range 2018-08-14:2018-08-20
    const char* end;
    LogLines log; // after the "Checking ..." line
};

class OffsetFileContent : public RangeTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(OffsetFileContent, FirstLineGivesLowAndHigh) {
    const OffsetCase& c = GetParam();
    OffsetFile(QByteArray(c.content, static_cast<qsizetype>(std::strlen(c.content))));
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20")));
    EXPECT_EQ(Ymd(range.Start()), c.start);
    EXPECT_EQ(Ymd(range.End()), c.end);
    EXPECT_EQ(OffsetLog(), c.log);
}

const std::string kStart14 = "Start date interpreted as: Tuesday, August 14, 2018";
const std::string kEnd20 = "End date interpreted as: Monday, August 20, 2018";

INSTANTIATE_TEST_SUITE_P(
    ZELVDateRange, OffsetFileContent,
    ::testing::Values(OffsetCase{"LeadingColonSetsOnlyHigh",
                                 ":3\n",
                                 "2018-08-14",
                                 "2018-08-23",
                                 {{3, "Offset values set to: Low(0) High(3)"},
                                  {3, kStart14},
                                  {3, "End date interpreted as: Thursday, August 23, 2018"}}},
                      OffsetCase{"SingleNumberSetsOnlyLow",
                                 "-4",
                                 "2018-08-10",
                                 "2018-08-20",
                                 {{3, "Offset values set to: Low(-4) High(0)"},
                                  {3, "Start date interpreted as: Friday, August 10, 2018"},
                                  {3, kEnd20}}},
                      OffsetCase{"BlanksAndControlCharactersIgnored",
                                 "  \t1\x01:\x7f+2 \r\nignored:99\n",
                                 "2018-08-15",
                                 "2018-08-22",
                                 {{3, "Offset values set to: Low(1) High(2)"},
                                  {3, "Start date interpreted as: Wednesday, August 15, 2018"},
                                  {3, "End date interpreted as: Wednesday, August 22, 2018"}}},
                      OffsetCase{"OnlyFirstLineCounts",
                                 "\n1:1\n",
                                 "2018-08-14",
                                 "2018-08-20",
                                 {{3, "Length of data in date offset file is 0"}}},
                      OffsetCase{"EmptyFile",
                                 "",
                                 "2018-08-14",
                                 "2018-08-20",
                                 {{3, "Length of data in date offset file is 0"}}},
                      OffsetCase{"BlankLineIsEmpty",
                                 "   \r\n",
                                 "2018-08-14",
                                 "2018-08-20",
                                 {{3, "Length of data in date offset file is 0"}}},
                      OffsetCase{"OffsetsCrossMonthEnds",
                                 "20:-20",
                                 "2018-09-03",
                                 "2018-07-31",
                                 {{3, "Offset values set to: Low(20) High(-20)"},
                                  {3, "Start date interpreted as: Monday, September 03, 2018"},
                                  {3, "End date interpreted as: Tuesday, July 31, 2018"}}}),
    [](const ::testing::TestParamInfo<OffsetCase>& p) { return p.param.name; });

TEST_F(RangeTest, OffsetFileLineIsCutAt127Characters) {
    // Everything past 127 characters of the first line is not read; the 9 would
    // otherwise turn the line into unreadable data.
    OffsetFile("2:-1" + QByteArray(123, ' ') + "9\n");
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20")));
    EXPECT_EQ(Ymd(range.Start()), "2018-08-16");
    EXPECT_EQ(Ymd(range.End()), "2018-08-19");
}

TEST_F(RangeTest, OffsetFileProblemsAreLoggedAndLeaveTheRange) {
    const QString missing = m_dir.filePath(QStringLiteral("missing.txt"));
    const std::pair<QByteArray, LogLines> cases[] = {
        {QByteArray(""), {{3, "No date offset file passed"}}},
        {missing.toLocal8Bit(),
         {{0, "Failed to open date offset file(" + S(missing) + "): No such file or directory"}}},
        {m_dir.path().toLocal8Bit(),
         {{0, "Failed to open date offset file(" + S(m_dir.path()) + "): Is a directory"}}},
    };
    for (const auto& [path, log] : cases) {
        m_log.clear();
        ScopedEnv env("ESPDATERANGEOFFSETFILE", path.constData());
        ZELVDateRange range = MakeRange(kNoon);
        ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20"))) << path.constData();
        EXPECT_EQ(Ymd(range.Start()), "2018-08-14");
        EXPECT_EQ(Ymd(range.End()), "2018-08-20");
        EXPECT_EQ(OffsetLog(), log) << path.constData();
    }
}

TEST_F(RangeTest, UnreadableOffsetsAreRefusedNotGuessed) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "abc"}, {"2:x", "2:x"}, {"1:2:3", "1:2:3"}, {"99999999999:1", "99999999999:1"},
        {"- 2", "- 2"},
    };
    for (const auto& [content, shown] : cases) {
        m_log.clear();
        OffsetFile(content);
        ZELVDateRange range = MakeRange(kNoon);
        ASSERT_TRUE(range.Parse(QStringLiteral("2018-08-14:2018-08-20")));
        EXPECT_EQ(Ymd(range.Start()), "2018-08-14") << content;
        EXPECT_EQ(Ymd(range.End()), "2018-08-20") << content;
        const std::string path = S(m_dir.filePath(QStringLiteral("offset.txt")));
        EXPECT_EQ(OffsetLog(),
                  (LogLines{{0, "Invalid data in date offset file(" + path + "): " + shown}}))
            << content;
    }
}

TEST_F(RangeTest, OffsetsLeavingTheYearRangeAreRefused) {
    OffsetFile("1:1");
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("9999-12-30:9999-12-31")));
    EXPECT_EQ(Ymd(range.Start()), "9999-12-30");
    EXPECT_EQ(Ymd(range.End()), "9999-12-31");
    EXPECT_EQ(OffsetLog(), (LogLines{{0, "Offset values out of range: Low(1) High(1)"}}));
}

TEST_F(RangeTest, OffsetsDoNotMovePastOrFuture) {
    OffsetFile("-3:5");
    ZELVDateRange range = MakeRange(kNoon);
    ASSERT_TRUE(range.Parse(QStringLiteral("P:2024-03-10")));
    EXPECT_EQ(range.StartKind(), ZELVDATE_PAST);
    EXPECT_EQ(Ymd(range.End()), "2024-03-15");
    EXPECT_TRUE(range.Matches(Date(1990, 1, 1)));
    EXPECT_TRUE(range.Matches(Date(2024, 3, 15)));
    EXPECT_FALSE(range.Matches(Date(2024, 3, 16)));
    const LogLines expected = {
        {3, "Offset values set to: Low(-3) High(5)"},
        {3, "Start date interpreted as: PAST"},
        {3, "End date interpreted as: Friday, March 15, 2024"},
    };
    EXPECT_EQ(OffsetLog(), expected);
}

TEST_F(RangeTest, RangesWithoutLoggerStillWork) {
    m_clock.Set(At(kNoon));
    ZELVDateRange range(m_clock);
    EXPECT_FALSE(range.Parse(QString()));
    ASSERT_TRUE(range.Parse(QStringLiteral("M-1:m-1")));
    EXPECT_TRUE(range.Matches(Date(2024, 2, 29)));
}

} // namespace
