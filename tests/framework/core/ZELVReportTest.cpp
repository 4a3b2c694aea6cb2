#include "ZELVReport.h"

#include <QBuffer>
#include <QString>
#include <gtest/gtest.h>

namespace {

// Tuesday, November 14, 2023 - 22:13:20 UTC.
constexpr time_t kStart = 1700000000;

void ClearReportEnvironment() {
    for (const char* name : {"ZELVREPORTFORMAT", "ZELVREPORTCOLUMNDELETE", "ZELVPDFLOGOPATH",
                             "ZELVPDFOUTPUTPATH", "ZELVPDFORIENTATION", "ZELVPDFPAGESIZE"})
        qunsetenv(name);
}

struct ReportCase {
    const char* name;
    const char* format;       // ZELVREPORTFORMAT
    const char* columnDelete; // ZELVREPORTCOLUMNDELETE
    const char* notes;
    std::vector<std::string> rows;
    std::string expected;
};

class ReportForms : public ::testing::TestWithParam<ReportCase> {};

// Three columns: a name, a right-aligned numeric count and a location.
TEST_P(ReportForms, WritesHeaderHeadingsRowsAndClosingLine) {
    const ReportCase& c = GetParam();
    ClearReportEnvironment();
    qputenv("ZELVREPORTFORMAT", c.format);
    if (*c.columnDelete)
        qputenv("ZELVREPORTCOLUMNDELETE", c.columnDelete);
    ZELVFixedClock clock(kStart);
    ZELVReport report(clock);
    report.CreateReport();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    report.SetOutput(&out);
    report.AddReportColumn(6, QStringLiteral("Volume"));
    report.AddReportColumn(10, QStringLiteral("Bytes"),
                           ZELVReport::ColumnRight | ZELVReport::ColumnNumeric);
    report.AddReportColumn(4, QStringLiteral("Location"));
    report.BeginReport({}, QStringLiteral("Stock"), QString::fromUtf8(c.notes));
    for (const std::string& row : c.rows)
        report.AddReportRow(QString::fromStdString(row));
    report.EndReport();
    EXPECT_EQ(report.CloseReport(), 0);
    EXPECT_EQ(out.data().toStdString(), c.expected);
    ClearReportEnvironment();
}

INSTANTIATE_TEST_SUITE_P(
    Report, ReportForms,
    ::testing::Values(
        ReportCase{"TextGroupsDigitsAlignsRightAndCutsLongFields",
                   "text",
                   "",
                   "Nightly",
                   {"V1|1234567|AB", "V2|?123|LONGER", "V3|-98765|C", "V4|12ab|", "V5|100%d|"},
                   "\n"
                   "             System: Kelmar\n"
                   " Report Description: Stock\n"
                   "       Report Notes: Nightly\n"
                   "    Production Time: Tuesday, November 14, 2023 - 22:13:20 (UTC)\n"
                   "       Report Width: 23 bytes\n"
                   "\n"
                   "Volume Bytes      Loca \n"
                   "------ ---------- ---- \n"
                   "V1      1,234,567 AB   \n"
                   "V2           ?123 LONG \n"
                   "V3        -98,765 C    \n"
                   "V4           12ab      \n"
                   "V5          100%d      \n"
                   "------ ---------- ---- \n"},
        ReportCase{"TextHiddenColumnClosesUpAndIsReported",
                   "TEXT",
                   "2",
                   "",
                   {"V1|1234567|AB"},
                   "\n"
                   "             System: Kelmar\n"
                   " Report Description: Stock\n"
                   "    Production Time: Tuesday, November 14, 2023 - 22:13:20 (UTC)\n"
                   "       Report Width: 23 bytes\n"
                   "      Report Hidden: 10 bytes\n"
                   "\n"
                   "Volume Loca \n"
                   "------ ---- \n"
                   "V1     AB   \n"
                   "------ ---- \n"},
        ReportCase{"UnknownFormatAndOutOfRangeNumbersFallBack",
                   "html",
                   "0,9,x,40",
                   "",
                   {},
                   "\n"
                   "             System: Kelmar\n"
                   " Report Description: Stock\n"
                   "    Production Time: Tuesday, November 14, 2023 - 22:13:20 (UTC)\n"
                   "       Report Width: 23 bytes\n"
                   "\n"
                   "Volume Bytes      Loca \n"
                   "------ ---------- ---- \n"
                   "------ ---------- ---- \n"},
        ReportCase{"CommaSeparatedTrimsFieldsAndSkipsHidden",
                   "Csv",
                   "3",
                   "",
                   {" V1 |\t1234567\r|AB", "V2"},
                   "Volume,Bytes,\n"
                   "V1,1234567,\n"
                   "V2,,\n"
                   "\n"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ReportKeywords, MatchWithoutCaseAndUnknownGivesZero) {
    struct {
        int (*parse)(const QString&);
        const char* text;
        int expected;
    } const cases[] = {
        {ZELVReport::FormatFromText, "PDF", ZELVReport::FormatPDF},
        {ZELVReport::FormatFromText, "csv", ZELVReport::FormatCSV},
        {ZELVReport::FormatFromText, "", ZELVReport::FormatText},
        {ZELVReport::OrientationFromText, "Landscape", ZELVReport::Landscape},
        {ZELVReport::OrientationFromText, "sideways", ZELVReport::Portrait},
        {ZELVReport::PageSizeFromText, "a4", ZELVReport::A4},
        {ZELVReport::PageSizeFromText, "EXECUTIVE", ZELVReport::Executive},
        {ZELVReport::PageSizeFromText, "B5", ZELVReport::B5},
        {ZELVReport::PageSizeFromText, "tabloid", ZELVReport::Letter},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.parse(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(ReportLimits, ThirtyThirdColumnIsRefusedAndLongRowsAreCut) {
    ClearReportEnvironment();
    ZELVFixedClock clock(kStart);
    ZELVReport report(clock);
    report.CreateReport();
    for (int i = 0; i < ZELVReport::kMaxColumns; ++i)
        EXPECT_TRUE(report.AddReportColumn(1, QString::number(i)));
    EXPECT_FALSE(report.AddReportColumn(1, QStringLiteral("extra")));
    EXPECT_EQ(report.LineWidth(), 64);

    ZELVReport wide(clock);
    wide.CreateReport();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    wide.SetOutput(&out);
    wide.AddReportColumn(600, QStringLiteral("Text"));
    wide.BeginReport({}, QStringLiteral("Wide"));
    out.buffer().clear();
    out.seek(0);
    wide.AddReportRow(QString(700, QLatin1Char('x')));
    // The row holds at most 511 characters; the rest of the line is padding.
    EXPECT_EQ(out.data(), QByteArray(511, 'x') + QByteArray(90, ' ') + '\n');
}

} // namespace
