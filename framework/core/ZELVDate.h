#pragma once

#include "ZELVClock.h"

#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

// The server's compact date: one 32-bit word stored most significant byte first.
// Host-order value: bit 31 set = calendar date (bit 30 set with it by us),
// bits 29-24 day, 19-16 month, 15-0 year; bit 31 clear = seconds since 1970,
// 0 = no date.
class CZELVDate {
public:
    static constexpr uint32_t kCalendarBits = 0xC0000000u;
    static constexpr uint32_t kCalendarFlag = 0x80000000u;
    // Years that fit the 16-bit field and the four-digit text forms.
    static constexpr int kMinYear = 1;
    static constexpr int kMaxYear = 9999;
    // ToTime() of a word that names no real day (bad calendar fields).
    static constexpr time_t kInvalidTime = -1;

    CZELVDate() = default;
    static CZELVDate FromWord(uint32_t hostValue); // from the host-order value
    static CZELVDate FromRaw(uint32_t bigEndianWord);

    // False (and the date unchanged) for a day that does not exist or a year
    // outside kMinYear..kMaxYear.
    bool SetDate(int year, int month, int day);
    // Local calendar date of t (0 = now, read from the clock); time of day dropped.
    // False (date unchanged) when t has no local date in the year range.
    bool SetFromTime(time_t t, const ZELVClock& clock = ZELVClock::System());
    // 01:00:01 local time of the day (calendar dates and seconds values alike); 0 stays 0.
    // kInvalidTime for a calendar word whose fields name no day.
    time_t ToTime() const;
    // Moves a calendar date by whole days; false (unchanged) when the result
    // leaves the year range or the date is not a valid calendar date.
    bool AddDays(int64_t days);

    uint32_t Value() const;                // host-order value
    uint32_t Raw() const { return m_raw; } // as stored, big-endian
    bool IsEmpty() const { return m_raw == 0; }
    bool IsCalendarDate() const { return (Value() & kCalendarFlag) != 0; }
    // A calendar date whose fields name a real day.
    bool IsValid() const;
    int Year() const; // calendar dates only, else 0
    int Month() const;
    int Day() const;

    bool operator==(const CZELVDate& o) const { return m_raw == o.m_raw; }

private:
    uint32_t m_raw = 0;
};

// Text forms. Day and month names are always English, whatever the process locale.
QString FormatDate(const CZELVDate& date, const char* format = "%A, %B %d, %Y");
QString FormatTime(time_t t, const char* format = "%A, %B %d, %Y - %H:%M:%S");
// t as the clock reads at a place utcOffsetMinutes ahead of UTC, whatever
// the local zone.
QString FormatTimeAt(time_t t, int utcOffsetMinutes, const char* format);
QString FormatDuration(uint64_t seconds);
QString FormatCount(uint64_t number);
// The same texts appended as UTF-8, for lists that stream cells to a file:
// FormatCount's, and FormatDate(date, "%Y-%m-%d")'s without a time
// conversion for calendar dates.
void AppendCount(std::string& out, uint64_t number);
void AppendISODate(std::string& out, const CZELVDate& date);
// Whole days from a to b; daylight-saving hours do not lose a day.
long DaysBetween(const CZELVDate& a, const CZELVDate& b);
QString DescribeDate(const CZELVDate& date, const char* format = "%A, %B %d, %Y",
                     const ZELVClock& clock = ZELVClock::System());

// Kinds of a date expression.
enum ZELVDateKind { ZELVDATE_DATE = 0, ZELVDATE_PAST = 1, ZELVDATE_FUTURE = 2 };

// A date expression ("2018-08-14", "M-1", "y+0", "W+1", "*-3", "P", "F" ...).
// kind == nullptr: the caller takes no kinds, so "P" and "F" are invalid.
// On failure neither date nor kind is touched.
bool ParseDateExpression(const QString& text, CZELVDate* date, int* kind = nullptr,
                         const ZELVClock& clock = ZELVClock::System());

// A range of dates "from:to" as the list filters and reports take it.
class ZELVDateRange {
public:
    // Level 0 error, 3 information.
    using Logger = std::function<void(int level, const QString& message)>;
    static constexpr int kLogError = 0;
    static constexpr int kLogInfo = 3;
    static constexpr int kMaxText = 127;

    explicit ZELVDateRange(const ZELVClock& clock = ZELVClock::System());

    void SetLogger(Logger logger) { m_logger = std::move(logger); }
    // After a failed parse the range matches nothing.
    bool Parse(const QString& text);
    bool Matches(const CZELVDate& date) const;

    const CZELVDate& Start() const { return m_start; }
    const CZELVDate& End() const { return m_end; }
    int StartKind() const { return m_startKind; }
    int EndKind() const { return m_endKind; }
    int64_t Span() const { return m_span; }
    bool MatchesEverything() const { return m_matchAll; }

private:
    void Log(int level, const QString& message) const;
    void LogBounds() const;
    void UpdateSpan();
    void ApplyOffsetFile();

    const ZELVClock* m_clock;
    CZELVDate m_start;
    CZELVDate m_end;
    int m_startKind = ZELVDATE_DATE;
    int m_endKind = ZELVDATE_DATE;
    int64_t m_span = 0;
    bool m_matchAll = true;
    bool m_valid = false;
    Logger m_logger;
};
