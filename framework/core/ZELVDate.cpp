#include "ZELVDate.h"

#include "ZELVFilter.h"

#include <QStringList>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <memory>
#include <vector>

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Bound on every number read from an expression or offset. Anything larger
// leaves the year range anyway, and it keeps the day arithmetic far from overflow.
constexpr int64_t kMaxNumber = 1'000'000'000'000LL;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 in the proleptic Gregorian calendar. Plain day counting
// keeps date arithmetic free of time zones and daylight-saving hours.
constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr void CivilFromDays(int64_t z, int64_t* y, int* m, int* d) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

// 0 = Sunday; 1970-01-01 was a Thursday.
constexpr int Weekday(int64_t days) {
    return static_cast<int>(days - FloorDiv(days + 4, 7) * 7 + 4);
}

constexpr bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

constexpr int DaysInMonth(int64_t y, int m) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

constexpr int64_t kFirstDay = DaysFromCivil(CZELVDate::kMinYear, 1, 1);
constexpr int64_t kLastDay = DaysFromCivil(CZELVDate::kMaxYear, 12, 31);

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(DaysFromCivil(2000, 3, 1) == 11017);
static_assert(Weekday(DaysFromCivil(2024, 3, 17)) == 0);
static_assert(Weekday(DaysFromCivil(1, 1, 1)) == 1);

// First day of a month counted as year * 12 + (month - 1).
constexpr int64_t FirstOfMonth(int64_t monthIndex) {
    const int64_t year = FloorDiv(monthIndex, 12);
    return DaysFromCivil(year, static_cast<int>(monthIndex - year * 12) + 1, 1);
}

bool ValidFields(int64_t y, int m, int d) {
    return y >= CZELVDate::kMinYear && y <= CZELVDate::kMaxYear && m >= 1 && m <= 12 && d >= 1 &&
           d <= DaysInMonth(y, m);
}

bool DateFromDays(int64_t days, CZELVDate* out) {
    if (days < kFirstDay || days > kLastDay)
        return false;
    int64_t y = 0;
    int m = 0;
    int d = 0;
    CivilFromDays(days, &y, &m, &d);
    return out->SetDate(static_cast<int>(y), m, d);
}

int64_t DayNumber(const CZELVDate& date) {
    return DaysFromCivil(date.Year(), date.Month(), date.Day());
}

// mktime in the local zone, letting it decide whether daylight saving applies.
// mktime's -1 is also a real instant, so failure is told apart by tm_wday.
bool MakeLocalTime(struct tm* t, time_t* out) {
    t->tm_isdst = -1;
    t->tm_wday = -1;
    const time_t r = ::mktime(t);
    if (r == static_cast<time_t>(-1) && t->tm_wday == -1)
        return false;
    *out = r;
    return true;
}

// The local date of a moment, as a day number, with the hour for the rule
// that the first hour after midnight still counts as the day before.
struct LocalDay {
    int64_t days = 0;
    int year = 0;
    int month = 0;
    int hour = 0;
};

bool LocalDayOf(time_t t, LocalDay* out) {
    struct tm lt = {};
    if (::localtime_r(&t, &lt) == nullptr)
        return false;
    const int64_t year = static_cast<int64_t>(lt.tm_year) + 1900;
    if (year < CZELVDate::kMinYear || year > CZELVDate::kMaxYear)
        return false;
    out->year = static_cast<int>(year);
    out->month = lt.tm_mon + 1;
    out->hour = lt.tm_hour;
    out->days = DaysFromCivil(year, lt.tm_mon + 1, lt.tm_mday);
    return true;
}

// Names of days and months are part of the fixed texts, so they never follow
// the user's locale.
QString FormatTm(const struct tm& t, const char* format) {
    if (format == nullptr || *format == '\0')
        return QString();
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::vector<char> buf(256);
    while (buf.size() <= 65536) {
        const size_t n = cLocale ? ::strftime_l(buf.data(), buf.size(), format, &t, cLocale)
                                 : ::strftime(buf.data(), buf.size(), format, &t);
        if (n > 0)
            return QString::fromUtf8(buf.data(), static_cast<qsizetype>(n));
        buf.resize(buf.size() * 4);
    }
    return QString();
}

QString ErrorText(int err) {
    char buf[256];
    return QString::fromLocal8Bit(::strerror_r(err, buf, sizeof buf));
}

bool IsAsciiDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Reads digits at pos (at least one) into a bounded magnitude.
bool ReadDigits(const QString& s, qsizetype* pos, int64_t* out) {
    const qsizetype start = *pos;
    int64_t v = 0;
    while (*pos < s.size() && IsAsciiDigit(s[*pos])) {
        v = v * 10 + (s[*pos].unicode() - '0');
        if (v > kMaxNumber)
            return false;
        ++*pos;
    }
    *out = v;
    return *pos > start;
}

// Reads a number that must begin with "+" or "-".
bool ReadSigned(const QString& s, qsizetype* pos, int64_t* out) {
    if (*pos >= s.size())
        return false;
    const QChar sign = s[*pos];
    if (sign != u'+' && sign != u'-')
        return false;
    ++*pos;
    int64_t v = 0;
    if (!ReadDigits(s, pos, &v))
        return false;
    *out = sign == u'-' ? -v : v;
    return true;
}

// The whole of s from pos is one signed number.
bool SignedRest(const QString& s, qsizetype pos, int64_t* out) {
    return ReadSigned(s, &pos, out) && pos == s.size();
}

bool FixedNumber(const QString& s, qsizetype pos, qsizetype len, int* out) {
    int v = 0;
    for (qsizetype i = pos; i < pos + len; ++i) {
        if (!IsAsciiDigit(s[i]))
            return false;
        v = v * 10 + (s[i].unicode() - '0');
    }
    *out = v;
    return true;
}

bool MatchesPattern(const char* pattern, const QString& text) {
    return CZELVFilter::Match(QString::fromLatin1(pattern), text);
}

// Days since 1970 of an expression's date, or false when it is not valid.
bool EvaluateExpression(const QString& text, const ZELVClock& clock, bool kindsAllowed,
                        int64_t* days, int* kind) {
    // Every form is short printable ASCII; this also keeps embedded NULs and other
    // characters away from the byte-wise matcher.
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return false;
    }

    LocalDay now;
    if (!LocalDayOf(clock.Now(), &now))
        return false;
    // The first hour after midnight still belongs to the previous day.
    const int64_t today = now.hour < 1 ? now.days - 1 : now.days;
    *kind = ZELVDATE_DATE;

    if (text == u"P" || text == u"F") {
        if (!kindsAllowed)
            return false;
        *kind = text == u"P" ? ZELVDATE_PAST : ZELVDATE_FUTURE;
        *days = now.days;
        return true;
    }

    int64_t n = 0;
    if (MatchesPattern("????\\-??\\-??*", text)) {
        int y = 0;
        int m = 0;
        int d = 0;
        if (!FixedNumber(text, 0, 4, &y) || !FixedNumber(text, 5, 2, &m) ||
            !FixedNumber(text, 8, 2, &d) || !ValidFields(y, m, d))
            return false;
        if (text.size() > 10 && !SignedRest(text, 10, &n))
            return false;
        *days = DaysFromCivil(y, m, d) + n;
        return true;
    }
    if (MatchesPattern("M[-+]*", text) || MatchesPattern("m[-+]*", text)) {
        if (!SignedRest(text, 1, &n))
            return false;
        const int64_t month = static_cast<int64_t>(now.year) * 12 + (now.month - 1) + n;
        // m: the day before the first of the following month.
        *days = text[0] == u'M' ? FirstOfMonth(month) : FirstOfMonth(month + 1) - 1;
        return true;
    }
    if (MatchesPattern("Y[-+]*", text) || MatchesPattern("y[-+]*", text)) {
        if (!SignedRest(text, 1, &n))
            return false;
        const int64_t year = now.year + n;
        *days = text[0] == u'Y' ? DaysFromCivil(year, 1, 1) : DaysFromCivil(year, 12, 31);
        return true;
    }
    if (MatchesPattern("W[-+]*", text)) {
        qsizetype pos = 1;
        int64_t offset = 0;
        if (!ReadSigned(text, &pos, &n) || (pos < text.size() && !SignedRest(text, pos, &offset)))
            return false;
        // The Sunday of the (first-hour adjusted) current week, so that W is a
        // Sunday at every hour of the day.
        *days = today - Weekday(today) + 7 * n + offset;
        return true;
    }
    if (MatchesPattern("\\*[-+]*", text)) {
        if (!SignedRest(text, 1, &n))
            return false;
        *days = today + n;
        return true;
    }
    if (text == u"*") {
        *days = today;
        return true;
    }
    return false;
}

int64_t RoundedDays(int64_t seconds) {
    const int64_t half = kSecondsPerDay / 2;
    return (seconds >= 0 ? seconds + half : seconds - half) / kSecondsPerDay;
}

// Strict optional sign and digits within int.
bool ParseOffset(const QByteArray& text, int* out) {
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size())
        return false;
    int64_t v = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9')
            return false;
        v = v * 10 + (text[pos] - '0');
        if (v > INT32_MAX)
            return false;
    }
    *out = static_cast<int>(negative ? -v : v);
    return true;
}

} // namespace

// ---- CZELVDate ----

CZELVDate CZELVDate::FromWord(uint32_t hostValue) {
    CZELVDate d;
    d.m_raw = qToBigEndian(hostValue);
    return d;
}

CZELVDate CZELVDate::FromRaw(uint32_t bigEndianWord) {
    CZELVDate d;
    d.m_raw = bigEndianWord;
    return d;
}

uint32_t CZELVDate::Value() const {
    return qFromBigEndian(m_raw);
}

bool CZELVDate::SetDate(int year, int month, int day) {
    if (!ValidFields(year, month, day))
        return false;
    m_raw = qToBigEndian(kCalendarBits + (static_cast<uint32_t>(day) << 24) +
                         (static_cast<uint32_t>(month) << 16) + static_cast<uint32_t>(year));
    return true;
}

bool CZELVDate::SetFromTime(time_t t, const ZELVClock& clock) {
    if (t == 0)
        t = clock.Now();
    LocalDay day;
    return LocalDayOf(t, &day) && DateFromDays(day.days, this);
}

bool CZELVDate::IsValid() const {
    return IsCalendarDate() && ValidFields(Year(), Month(), Day());
}

int CZELVDate::Year() const {
    return IsCalendarDate() ? static_cast<int>(Value() & 0xFFFFu) : 0;
}

int CZELVDate::Month() const {
    return IsCalendarDate() ? static_cast<int>((Value() >> 16) & 0x0Fu) : 0;
}

int CZELVDate::Day() const {
    return IsCalendarDate() ? static_cast<int>((Value() >> 24) & 0x3Fu) : 0;
}

time_t CZELVDate::ToTime() const {
    const uint32_t v = Value();
    if (v == 0)
        return 0;
    struct tm t = {};
    if (IsCalendarDate()) {
        if (!IsValid())
            return kInvalidTime;
        t.tm_year = Year() - 1900;
        t.tm_mon = Month() - 1;
        t.tm_mday = Day();
    } else {
        const time_t seconds = static_cast<time_t>(v);
        if (::localtime_r(&seconds, &t) == nullptr)
            return kInvalidTime;
    }
    // 01:00:01 keeps the moment inside its day when it is moved by whole days.
    t.tm_hour = 1;
    t.tm_min = 0;
    t.tm_sec = 1;
    time_t result = 0;
    return MakeLocalTime(&t, &result) ? result : kInvalidTime;
}

bool CZELVDate::AddDays(int64_t days) {
    if (!IsValid() || days > kMaxNumber || days < -kMaxNumber)
        return false;
    CZELVDate moved;
    if (!DateFromDays(DayNumber(*this) + days, &moved))
        return false;
    *this = moved;
    return true;
}

// ---- text forms ----

QString FormatDate(const CZELVDate& date, const char* format) {
    const time_t t = date.ToTime();
    struct tm lt = {};
    if (t == CZELVDate::kInvalidTime || ::localtime_r(&t, &lt) == nullptr)
        return QStringLiteral("Unable to form a propper date");
    return FormatTm(lt, format ? format : "%A, %B %d, %Y");
}

QString FormatTime(time_t t, const char* format) {
    struct tm lt = {};
    if (::localtime_r(&t, &lt) == nullptr)
        return QStringLiteral("**ERROR**");
    return FormatTm(lt, format ? format : "%A, %B %d, %Y - %H:%M:%S");
}

QString FormatTimeAt(time_t t, int utcOffsetMinutes, const char* format) {
    const time_t shifted = t + static_cast<time_t>(utcOffsetMinutes) * 60;
    struct tm at = {};
    if (::gmtime_r(&shifted, &at) == nullptr)
        return QStringLiteral("**ERROR**");
    return FormatTm(at, format ? format : "%A, %B %d, %Y - %H:%M:%S");
}

QString FormatDuration(uint64_t seconds) {
    const unsigned long long days = seconds / 86400;
    const unsigned hours = static_cast<unsigned>(seconds / 3600 % 24);
    const unsigned minutes = static_cast<unsigned>(seconds / 60 % 60);
    const unsigned secs = static_cast<unsigned>(seconds % 60);
    if (days > 0)
        return QString::asprintf("D%llu:%.2u:%.2u:%.2u", days, hours, minutes, secs);
    if (hours > 0)
        return QString::asprintf("H%u:%.2u:%.2u", hours, minutes, secs);
    if (minutes > 0)
        return QString::asprintf("M%u:%.2u", minutes, secs);
    return QString::asprintf("S%u", secs);
}

void AppendCount(std::string& out, uint64_t number) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + number % 10);
        number /= 10;
    } while (number);
    for (int i = n - 1; i >= 0; --i) {
        out += digits[i];
        if (i > 0 && i % 3 == 0)
            out += ',';
    }
}

QString FormatCount(uint64_t number) {
    std::string out;
    AppendCount(out, number);
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

void AppendISODate(std::string& out, const CZELVDate& date) {
    if (!date.IsCalendarDate() || !date.IsValid()) {
        // Seconds values need the local time zone; bad words get the
        // formatter's own text.
        const QByteArray text = FormatDate(date, "%Y-%m-%d").toUtf8();
        out.append(text.constData(), size_t(text.size()));
        return;
    }
    // As strftime writes them: the year unpadded, month and day two digits.
    const int year = date.Year();
    const int month = date.Month();
    const int day = date.Day();
    // The year without leading zeros, as strftime writes it.
    char digits[4] = {char('0' + year / 1000), char('0' + year / 100 % 10),
                      char('0' + year / 10 % 10), char('0' + year % 10)};
    const int skip = year >= 1000 ? 0 : year >= 100 ? 1 : year >= 10 ? 2 : 3;
    out.append(digits + skip, size_t(4 - skip));
    const char rest[6] = {'-', char('0' + month / 10), char('0' + month % 10),
                          '-', char('0' + day / 10),   char('0' + day % 10)};
    out.append(rest, sizeof rest);
}

long DaysBetween(const CZELVDate& a, const CZELVDate& b) {
    const time_t ta = a.ToTime();
    const time_t tb = b.ToTime();
    if (ta == CZELVDate::kInvalidTime || tb == CZELVDate::kInvalidTime)
        return 0;
    // Rounded, so a day of 23 or 25 hours still counts as one.
    return static_cast<long>(RoundedDays(static_cast<int64_t>(tb) - static_cast<int64_t>(ta)));
}

QString DescribeDate(const CZELVDate& date, const char* format, const ZELVClock& clock) {
    CZELVDate today;
    today.SetFromTime(0, clock);
    const long days = DaysBetween(today, date);
    QString distance;
    switch (days) {
    case 0:
        distance = QStringLiteral("Today");
        break;
    case 1:
        distance = QStringLiteral("Tomorrow");
        break;
    case -1:
        distance = QStringLiteral("Yesterday");
        break;
    case 7:
        distance = QStringLiteral("One Week");
        break;
    default:
        distance = QString::asprintf("%ld days", days);
        break;
    }
    return FormatDate(date, format) + u" (" + distance + u')';
}

// ---- expressions ----

bool ParseDateExpression(const QString& text, CZELVDate* date, int* kind, const ZELVClock& clock) {
    int64_t days = 0;
    int parsedKind = ZELVDATE_DATE;
    if (!EvaluateExpression(text, clock, kind != nullptr, &days, &parsedKind))
        return false;
    CZELVDate result;
    if (!DateFromDays(days, &result))
        return false;
    if (date)
        *date = result;
    if (kind)
        *kind = parsedKind;
    return true;
}

// ---- ZELVDateRange ----

ZELVDateRange::ZELVDateRange(const ZELVClock& clock) : m_clock(&clock) {}

void ZELVDateRange::Log(int level, const QString& message) const {
    if (m_logger)
        m_logger(level, message);
}

void ZELVDateRange::UpdateSpan() {
    m_span = static_cast<int64_t>(m_end.ToTime()) + kSecondsPerDay -
             static_cast<int64_t>(m_start.ToTime());
}

void ZELVDateRange::LogBounds() const {
    auto describe = [](const CZELVDate& date, int kind) {
        if (kind == ZELVDATE_PAST)
            return QStringLiteral("PAST");
        if (kind == ZELVDATE_FUTURE)
            return QStringLiteral("FUTURE");
        return FormatDate(date);
    };
    Log(kLogInfo, u"Start date interpreted as: " + describe(m_start, m_startKind));
    Log(kLogInfo, u"End date interpreted as: " + describe(m_end, m_endKind));
}

bool ZELVDateRange::Parse(const QString& text) {
    m_valid = false;
    m_start = CZELVDate();
    m_end = CZELVDate();
    m_startKind = ZELVDATE_DATE;
    m_endKind = ZELVDATE_DATE;
    m_span = 0;
    if (text.isEmpty()) {
        Log(kLogError, QStringLiteral("Empty Date Range String passed"));
        m_matchAll = false;
        return false;
    }
    const QString limited = text.left(kMaxText);
    Log(kLogInfo, u"Explicit date range requested as: " + limited);
    m_matchAll = false;

    const QStringList parts = limited.split(u':', Qt::SkipEmptyParts);
    if (parts.size() > 2) {
        // A third bound would be silently dropped otherwise.
        Log(kLogError, u"Unable to parse From Date: " + parts[2]);
        return false;
    }
    if (parts.isEmpty()) {
        if (!m_start.SetFromTime(0, *m_clock)) {
            Log(kLogError, u"Unable to parse From Date: " + limited);
            return false;
        }
        m_end = m_start;
    } else {
        if (!ParseDateExpression(parts[0], &m_start, &m_startKind, *m_clock)) {
            Log(kLogError, u"Unable to parse From Date: " + parts[0]);
            return false;
        }
        if (parts.size() == 1) {
            m_end = m_start;
            m_endKind = m_startKind;
        } else if (!ParseDateExpression(parts[1], &m_end, &m_endKind, *m_clock)) {
            Log(kLogError, u"Unable to parse From Date: " + parts[1]);
            return false;
        }
    }

    UpdateSpan();
    LogBounds();
    if (m_startKind == ZELVDATE_DATE && m_endKind == ZELVDATE_DATE)
        Log(kLogInfo,
            QString::asprintf("Days apart: %lld", static_cast<long long>(RoundedDays(m_span))));

    ApplyOffsetFile();
    m_valid = true;
    return true;
}

void ZELVDateRange::ApplyOffsetFile() {
    static const char kVariable[] = "ESPDATERANGEOFFSETFILE";
    Log(kLogInfo, QStringLiteral("Checking for Environment Variable 'ESPDATERANGEOFFSETFILE'"));
    if (!qEnvironmentVariableIsSet(kVariable))
        return;
    const QByteArray path = qgetenv(kVariable);
    if (path.isEmpty()) {
        Log(kLogInfo, QStringLiteral("No date offset file passed"));
        return;
    }
    const QString shownPath = QString::fromLocal8Bit(path);
    auto failed = [&](int err) {
        Log(kLogError, u"Failed to open date offset file(" + shownPath + u"): " + ErrorText(err));
    };

    std::unique_ptr<FILE, int (*)(FILE*)> file(::fopen(path.constData(), "re"), &::fclose);
    if (!file) {
        failed(errno);
        return;
    }
    // First line, at most kMaxText characters, printable ASCII only.
    QByteArray line;
    int readCount = 0;
    for (int c = 0; readCount < kMaxText && (c = std::getc(file.get())) != EOF && c != '\n';
         ++readCount) {
        if (c >= 0x20 && c <= 0x7E)
            line += static_cast<char>(c);
    }
    if (std::ferror(file.get())) {
        failed(errno);
        return;
    }
    line = line.trimmed();
    if (line.isEmpty()) {
        Log(kLogInfo, QStringLiteral("Length of data in date offset file is 0"));
        return;
    }

    const qsizetype colon = line.indexOf(':');
    const QByteArray lowText = (colon < 0 ? line : line.left(colon)).trimmed();
    const QByteArray highText = (colon < 0 ? QByteArray() : line.mid(colon + 1)).trimmed();
    int low = 0;
    int high = 0;
    if ((!lowText.isEmpty() && !ParseOffset(lowText, &low)) ||
        (!highText.isEmpty() && !ParseOffset(highText, &high))) {
        Log(kLogError,
            u"Invalid data in date offset file(" + shownPath + u"): " + QString::fromLatin1(line));
        return;
    }

    // Only real dates move; PAST and FUTURE have no date to shift.
    CZELVDate start = m_start;
    CZELVDate end = m_end;
    if ((m_startKind == ZELVDATE_DATE && !start.AddDays(low)) ||
        (m_endKind == ZELVDATE_DATE && !end.AddDays(high))) {
        Log(kLogError,
            QString::asprintf("Offset values out of range: Low(%d) High(%d)", low, high));
        return;
    }
    m_start = start;
    m_end = end;
    UpdateSpan();
    Log(kLogInfo, QString::asprintf("Offset values set to: Low(%d) High(%d)", low, high));
    LogBounds();
}

bool ZELVDateRange::Matches(const CZELVDate& date) const {
    if (m_matchAll)
        return true;
    if (!m_valid || !date.IsValid())
        return false;
    const int64_t day = DayNumber(date);
    // Kinds compare the date's moment (01:00:01 of its day) with now.
    auto moment = [&date] { return date.ToTime(); };

    switch (m_startKind) {
    case ZELVDATE_DATE:
        if (day < DayNumber(m_start))
            return false;
        break;
    case ZELVDATE_FUTURE:
        if (moment() <= m_clock->Now())
            return false;
        break;
    default:
        break;
    }
    switch (m_endKind) {
    case ZELVDATE_DATE:
        return day <= DayNumber(m_end);
    case ZELVDATE_PAST:
        return moment() < m_clock->Now();
    case ZELVDATE_FUTURE:
        return moment() > m_clock->Now();
    default:
        return false;
    }
}
