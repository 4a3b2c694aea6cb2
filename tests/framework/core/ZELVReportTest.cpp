#include "ZELVReport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
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

// The caller's extra header lines come after the standard header, followed
// by an empty line, and before the headings.
TEST(ReportExtraHeader, ComesBetweenHeaderAndHeadings) {
    ClearReportEnvironment();
    ZELVFixedClock clock(kStart);
    ZELVReport report(clock);
    report.CreateReport();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    report.SetOutput(&out);
    report.AddReportColumn(4, QStringLiteral("Site"));
    report.BeginReport([](ZELVReport& r) { r.Write(QStringLiteral("   Site: Brisbane\n")); },
                       QStringLiteral("Stock"));
    EXPECT_TRUE(out.data().endsWith("Report Width: 5 bytes\n\n   Site: Brisbane\n\nSite \n---- \n"))
        << out.data().toStdString();
}

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

QString PdfInfo(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Writes a two-row PDF report with the settings the environment gives;
// returns CloseReport's result.
int WritePdf(ZELVReport& report, const QString& logo = {}) {
    report.CreateReport();
    if (!logo.isEmpty()) {
        EXPECT_TRUE(report.SetLogo(logo));
    }
    report.AddReportColumn(8, QStringLiteral("Volume"));
    report.AddReportColumn(8, QStringLiteral("Size"),
                           ZELVReport::ColumnRight | ZELVReport::ColumnNumeric);
    report.BeginReport({}, QStringLiteral("Settings"));
    report.AddReportRow(QStringLiteral("VOL1|1000"));
    report.AddReportRow(QStringLiteral("VOL2|2000000"));
    report.EndReport();
    return report.CloseReport();
}

// The PDF settings come from the environment: page size, orientation,
// output path (or the default name in the current folder) and logo.
TEST(ReportPdfSettings, EnvironmentChoosesPageOutputAndLogo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ZELVFixedClock clock(kStart);
    struct Case {
        const char* size;
        const char* orientation;
        const char* output;
        const char* expectedSize;
    } const cases[] = {
        {"legal", "Landscape", "out.pdf", "1008 x 612 pts"},
        {"A5", "portrait", "a5.pdf", "419.528 x 595.276 pts"},
        {"nonsense", "upside-down", "", "612 x 792 pts (letter)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ClearReportEnvironment();
        qputenv("ZELVREPORTFORMAT", "pdf");
        qputenv("ZELVPDFPAGESIZE", c.size);
        qputenv("ZELVPDFORIENTATION", c.orientation);
        if (*c.output)
            qputenv("ZELVPDFOUTPUTPATH", dir.filePath(QString::fromUtf8(c.output)).toUtf8());
        ZELVReport report(clock);
        EXPECT_EQ(WritePdf(report), 0);
        const QString path = *c.output
                                 ? dir.filePath(QString::fromUtf8(c.output))
                                 : dir.filePath(QStringLiteral("Report-2023-11-14-22-13-20.pdf"));
        EXPECT_TRUE(
            PdfInfo(QStringLiteral("pdfinfo"), {path}).contains(QString::fromUtf8(c.expectedSize)));
        EXPECT_TRUE(PdfInfo(QStringLiteral("pdftotext"), {path, QStringLiteral("-")})
                        .contains(QStringLiteral("2,000,000")));
    }

    // A JPEG logo is drawn on every page; a file that is no JPEG is left out
    // and the report is still written; a missing file is refused.
    const QString first = dir.filePath(QStringLiteral("out.pdf"));
    PdfInfo(QStringLiteral("pdftoppm"),
            {QStringLiteral("-jpeg"), QStringLiteral("-r"), QStringLiteral("20"),
             QStringLiteral("-singlefile"), first, dir.filePath(QStringLiteral("logo"))});
    struct Logo {
        const char* file;
        int images;
    } const logos[] = {{"logo.jpg", 1}, {"out.pdf", 0}};
    for (const Logo& l : logos) {
        SCOPED_TRACE(l.file);
        ClearReportEnvironment();
        qputenv("ZELVREPORTFORMAT", "pdf");
        qputenv("ZELVPDFOUTPUTPATH", dir.filePath(QStringLiteral("logo.pdf")).toUtf8());
        ZELVReport report(clock);
        EXPECT_EQ(WritePdf(report, dir.filePath(QString::fromUtf8(l.file))), 0);
        const QStringList lines =
            PdfInfo(QStringLiteral("pdfimages"),
                    {QStringLiteral("-list"), dir.filePath(QStringLiteral("logo.pdf"))})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(lines.size() - 2, l.images) << lines.join(QLatin1Char('\n')).toStdString();
    }
    ZELVReport report(clock);
    EXPECT_FALSE(report.SetLogo(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(report.SetLogo(dir.path()));
    ClearReportEnvironment();
    QDir::setCurrent(previous);
}

} // namespace
