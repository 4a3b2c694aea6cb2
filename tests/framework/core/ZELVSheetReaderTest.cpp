// The import readers: CSV as spreadsheets write it, and real .xlsx workbooks
// written by libxlsxwriter, read back cell by cell, and refused whole with a
// message naming the place when they cannot be used.
#include "XlsxWrite.h"
#include "ZELVCsvReader.h"
#include "ZELVXlsxReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "2:a|b" per row, one row a line.
QString Dump(const ZELVSheet& sheet) {
    QStringList lines;
    for (const ZELVSheetRow& r : sheet.rows)
        lines << QString::number(r.number) + QLatin1Char(':') + r.cells.join(QLatin1Char('|'));
    return lines.join(QLatin1Char('\n'));
}

struct CsvCase {
    const char* name;
    QByteArray bytes;
    int maxRows;          // 0: the default limits
    const char* expected; // the dump, or the error's text when it starts with "!"
};

template <size_t N> QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

class CsvReaderTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvReaderTest, ReadsRowsOrRefusesNamingTheLine) {
    const CsvCase& c = GetParam();
    ZELVSheetLimits limits;
    if (c.maxRows)
        limits.maxRows = c.maxRows;
    ZELVSheet sheet;
    QString error;
    const bool ok = ZELVReadCsv(c.bytes, &sheet, &error, limits);
    const QString expected = QString::fromUtf8(c.expected);
    if (expected.startsWith(QLatin1Char('!'))) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, expected.mid(1)) << error.toStdString();
    } else {
        ASSERT_TRUE(ok) << error.toStdString();
        EXPECT_EQ(Dump(sheet), expected) << Dump(sheet).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvReaderTest,
    ::testing::Values(
        CsvCase{"QuotesSeparatorsAndLineBreaksInside",
                "Volume,Description\nA1,\"Pay, roll\"\nA2,\"He said \"\"no\"\"\"\n"
                "A3,\"two\nlines\"\nA4,x\n",
                0,
                "1:Volume|Description\n2:A1|Pay, roll\n3:A2|He said \"no\"\n4:A3|two\nlines\n"
                "6:A4|x"},
        CsvCase{"SemicolonsWhenTheHeaderUsesThem", "Volume;Description\nA1;1,5 tapes\n", 0,
                "1:Volume|Description\n2:A1|1,5 tapes"},
        CsvCase{"ByteOrderMarkCrLfAndBlankLines", "\xEF\xBB\xBFV,C\r\n\r\nA1,ACME,,\r\n", 0,
                "1:V|C\n3:A1|ACME"},
        CsvCase{"CarriageReturnsOnlyAndUtf8", "V,D\rA1,Caf\xC3\xA9\rA2", 0,
                "1:V|D\n2:A1|Caf\xC3\xA9\n3:A2"},
        CsvCase{"LatinOneNamesItsLine", "V,D\nA1,x\nA2,Caf\xE9\n", 0,
                "!line 3: not UTF-8 text (byte 0xE9 at position 7); save the file as UTF-8"},
        CsvCase{"Utf16IsNotUtf8", Bytes("\xFF\xFEV\0,\0D\0"), 0, "!line 1: contains a NUL byte"},
        CsvCase{"OverlongSlash", "V\nA\xC0\xAF\n", 0,
                "!line 2: not UTF-8 text (byte 0xC0 at position 2); save the file as UTF-8"},
        CsvCase{"UnclosedQuote", "V,D\nA1,\"open\nA2,x\n", 0,
                "!line 2: a quoted field is not closed"},
        CsvCase{"TooManyRows", "V\nA1\nA2\nA3\n", 3, "!line 4: more than 3 rows"}),
    [](const ::testing::TestParamInfo<CsvCase>& i) { return std::string(i.param.name); });

struct XlsxCase {
    const char* name;
    std::vector<XlsxSheet> sheets;
    const char* sheet; // the one asked for, "" the first
    ZELVSheetLimits limits;
    const char* expected; // the dump, or a part of the error when it starts with "!"
};

std::vector<QStringList> ManyRows(int n) {
    std::vector<QStringList> rows{{QStringLiteral("Volume"), QStringLiteral("Description")}};
    for (int i = 1; i < n; ++i)
        rows.push_back({QStringLiteral("V%1").arg(i), QStringLiteral("a description %1").arg(i)});
    return rows;
}

ZELVSheetLimits Limits(qint64 partBytes, int rows) {
    ZELVSheetLimits l;
    l.maxPartBytes = partBytes;
    l.maxRows = rows;
    return l;
}

class XlsxReaderTest : public ::testing::TestWithParam<XlsxCase> {};

TEST_P(XlsxReaderTest, ReadsTheWorkbookOrRefusesIt) {
    const XlsxCase& c = GetParam();
    QTemporaryDir dir;
    // Named .csv on purpose: the reader goes by what the file is.
    const QString path = dir.filePath(QStringLiteral("book.csv"));
    ASSERT_TRUE(WriteXlsx(path, c.sheets));
    ZELVSheet sheet;
    QString error;
    const bool ok = ZELVReadSheetFile(path, QString::fromUtf8(c.sheet), &sheet, &error, c.limits);
    const QString expected = QString::fromUtf8(c.expected);
    if (expected.startsWith(QLatin1Char('!'))) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(error.startsWith(QStringLiteral("book.csv: "))) << error.toStdString();
        EXPECT_TRUE(error.contains(expected.mid(1))) << error.toStdString();
    } else {
        ASSERT_TRUE(ok) << error.toStdString();
        EXPECT_EQ(Dump(sheet), expected) << Dump(sheet).toStdString();
    }
}

const XlsxSheet kTypes{QStringLiteral("First"),
                       {{"Volume", "Count", "Flag", "When"},
                        {"A1", "#12", "?1", "@2030-01-31"},
                        {},
                        {"A2", "", "?0", "#1.5"},
                        {"", "", "", "", "", "Caf\xC3\xA9"}}};

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsxReaderTest,
    ::testing::Values(
        XlsxCase{"TypesDatesAndGaps",
                 {kTypes},
                 "",
                 {},
                 "1:Volume|Count|Flag|When\n2:A1|12|TRUE|2030-01-31\n4:A2||FALSE|1.5\n"
                 "5:|||||Caf\xC3\xA9"},
        XlsxCase{"NamedSheet",
                 {kTypes, {QStringLiteral("Second"), {{"Volume"}, {"B1"}}}},
                 "Second",
                 {},
                 "1:Volume\n2:B1"},
        XlsxCase{"UnknownSheet",
                 {kTypes, {QStringLiteral("Second"), {{"Volume"}}}},
                 "Third",
                 {},
                 "!the workbook has no sheet \"Third\" (it has: First, Second)"},
        XlsxCase{"PartLargerThanAllowed",
                 {{QStringLiteral("Big"), ManyRows(2000)}},
                 "",
                 Limits(20000, 1048576),
                 "!unpacks to more than 20000 bytes"},
        XlsxCase{"MoreRowsThanAllowed",
                 {{QStringLiteral("Big"), ManyRows(30)}},
                 "",
                 Limits(512LL << 20, 10),
                 "!the sheet has more than 10 rows"}),
    [](const ::testing::TestParamInfo<XlsxCase>& i) { return std::string(i.param.name); });

TEST(XlsxReaderTest, ArchivesThatAreNoWorkbookAreRefused) {
    ZELVSheet sheet;
    QString error;
    EXPECT_FALSE(ZELVReadXlsx(QByteArray("PK\x03\x04 this is no zip"), {}, &sheet, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be opened"))) << error.toStdString();
    // A real zip without a workbook in it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    ASSERT_TRUE(WriteXlsx(path, {kTypes}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    for (qsizetype at = bytes.indexOf("xl/workbook.xml"); at >= 0;
         at = bytes.indexOf("xl/workbook.xml", at + 1))
        bytes[at + 3] = 'W';
    EXPECT_FALSE(ZELVReadXlsx(bytes, {}, &sheet, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("has no part xl/workbook.xml")))
        << error.toStdString();
}

} // namespace
