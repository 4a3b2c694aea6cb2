#include "ZELVExport.h"

#include "ZELVReport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

constexpr time_t kStart = 1700000000;
const QString kWhen = QStringLiteral("Tuesday, November 14, 2023 - 22:13:20");

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs one of the desktop's own programs on a file we wrote.
ToolRun Tool(const QString& program, const QStringList& arguments) {
    ToolRun run;
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        ADD_FAILURE() << program.toStdString()
                      << " is missing (scripts/install-deps.sh installs it)";
        return run;
    }
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

// Python's own readers give the file back as JSON.
QJsonValue ReadBack(const char* script, const QString& path) {
    const ToolRun run =
        Tool(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonDocument doc = QJsonDocument::fromJson(run.out);
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

const char* kReadCSV = R"(
import csv, json, sys
csv.field_size_limit(sys.maxsize)
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    print(json.dumps(list(csv.reader(f))))
)";

const char* kReadXML = R"(
import json, sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
print(json.dumps([root.tag] + [[[e.tag, e.text or ''] for e in r] for r in root]))
)";

const char* kReadXLSX = R"(
import json, re, sys, zipfile, xml.etree.ElementTree as ET
m = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
z = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in z.namelist():
    shared = [''.join(t.text or '' for t in si.iter(m + 't'))
              for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall(m + 'si')]
sheets = [s.get('name') for s in ET.fromstring(z.read('xl/workbook.xml')).iter(m + 'sheet')]
rows = []
for r in ET.fromstring(z.read('xl/worksheets/sheet1.xml')).iter(m + 'row'):
    cells = {}
    for c in r.findall(m + 'c'):
        letters = re.match('[A-Z]+', c.get('r')).group(0)
        col = 0
        for ch in letters:
            col = col * 26 + ord(ch) - 64
        if c.get('t') == 's':
            v = shared[int(c.find(m + 'v').text)]
        else:
            v = ''.join(t.text or '' for t in c.iter(m + 't'))
        cells[col - 1] = v
    rows.append([cells.get(i, '') for i in range(max(cells) + 1)] if cells else [])
print(json.dumps({'sheets': sheets, 'rows': rows}))
)";

QJsonArray ToJson(const QStringList& list) {
    QJsonArray a;
    for (const QString& s : list)
        a.append(s);
    return a;
}

// Rows as they must come back: empty trailing cells dropped the way a
// spreadsheet drops them.
QJsonArray Trimmed(QStringList row) {
    while (!row.isEmpty() && row.back().isEmpty())
        row.removeLast();
    return ToJson(row);
}

// A list with an excluded column, a right-aligned numeric column and the
// awkward cells: comma, quote, line break, non-ASCII, "]]>", "|" and "%".
ZELVExportTable AwkwardTable() {
    ZELVExportTable t;
    t.headings = {QStringLiteral("Volume"), QStringLiteral("Next Move"), QStringLiteral("Bytes"),
                  QStringLiteral("Secret"), QStringLiteral("Notes")};
    t.flags = {0, 0, ZELVReport::ColumnRight | ZELVReport::ColumnNumeric, 0, 0};
    t.excluded = {false, false, false, true, false};
    t.rows = {
        {QStringLiteral("VOL001"), QStringLiteral("Zürich, Depot"), QStringLiteral("1234567"),
         QStringLiteral("hide-me-1"), QStringLiteral("say \"hi\"")},
        {QStringLiteral("VOL002"), QStringLiteral("\""), QStringLiteral("42"),
         QStringLiteral("hide-me-2"), QStringLiteral("line one\nline two")},
        {QStringLiteral("VOL003"), QStringLiteral("a]]>b"), QStringLiteral("?7"),
         QStringLiteral("hide-me-3"), QStringLiteral("100% | pipe")},
    };
    return t;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"ZELVREPORTFORMAT", "ZELVREPORTCOLUMNDELETE", "ZELVPDFLOGOPATH",
                                 "ZELVPDFOUTPUTPATH", "ZELVPDFORIENTATION", "ZELVPDFPAGESIZE"})
            qunsetenv(name);
        ASSERT_TRUE(dir.isValid());
    }
    QString Write(int type, const ZELVExportTable& table, const QString& title = {},
                  const ZELVExportPDFOptions& pdf = {}) {
        const QString path = dir.filePath(ZELVExport::DefaultName(type));
        bool written = false;
        const QString error = ZELVExport::ToFile(type, table, path, &written, title,
                                                 QStringLiteral("Notes here"), pdf, clock);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(written);
        return path;
    }
    QTemporaryDir dir;
    ZELVFixedClock clock{kStart};
};

TEST_F(ExportFiles, CSVReadsBackCellForCell) {
    ZELVExportTable t = AwkwardTable();
    // Cells around and past the size of the writer's buffer (1 MiB).
    t.rows.push_back({QString((1 << 20) - 3, QLatin1Char('a')),
                      QString((1 << 20) + 7, QLatin1Char('b')), QStringLiteral("x,y"),
                      QString(1 << 20, QLatin1Char('c')), QStringLiteral("end")});
    const QString path = Write(ZELVExport::TypeCSV, t);
    QJsonArray expected{ToJson(t.headings)};
    for (const QStringList& row : t.rows)
        expected.append(ToJson(row));
    EXPECT_EQ(ReadBack(kReadCSV, path).toArray(), expected);
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes.contains("\r\nVOL002,\"\"\"\",42,")) << bytes.toStdString();
    EXPECT_FALSE(bytes.endsWith('\n'));
}

TEST_F(ExportFiles, XMLReadsBackWithElementNamesFromHeadings) {
    ZELVExportTable t = AwkwardTable();
    t.headings[4] = QStringLiteral("2nd note");
    t.rows.push_back({QStringLiteral("VOL004"), QStringLiteral("bell\x07tab\t"), {}, {}, {}});
    const QString path = Write(ZELVExport::TypeXML, t);
    QJsonArray expected{QStringLiteral("ZELVXML")};
    const QStringList names = {QStringLiteral("Volume"), QStringLiteral("Next_Move"),
                               QStringLiteral("Bytes"), QStringLiteral("Secret"),
                               QStringLiteral("_2nd_note")};
    for (const QStringList& row : t.rows) {
        QJsonArray record;
        for (int c = 0; c < t.Columns(); ++c)
            record.append(QJsonArray{
                names[c], QString(row[c]).replace(QChar(7), QChar(QChar::ReplacementCharacter))});
        expected.append(record);
    }
    EXPECT_EQ(ReadBack(kReadXML, path).toArray(), expected);
}

TEST_F(ExportFiles, SpreadsheetReadsBackFromItsSheet) {
    const ZELVExportTable t = AwkwardTable();
    const QString path = Write(ZELVExport::TypeSpreadsheet, t);
    EXPECT_TRUE(path.endsWith(QLatin1String(".xlsx")));
    const QJsonObject book = ReadBack(kReadXLSX, path).toObject();
    EXPECT_EQ(book.value(QLatin1String("sheets")).toArray(), QJsonArray{QStringLiteral("Export")});
    QJsonArray expected{ToJson(t.headings)};
    for (const QStringList& row : t.rows)
        expected.append(Trimmed(row));
    EXPECT_EQ(book.value(QLatin1String("rows")).toArray(), expected);
    // Nothing of the temporary workbook is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{ZELVExport::DefaultName(5)});
}

TEST_F(ExportFiles, TextReportLaysOutVisibleColumnsOnly) {
    const ZELVExportTable t = AwkwardTable();
    const QString text =
        QString::fromUtf8(ReadAll(Write(ZELVExport::TypeText, t, QStringLiteral("Stock"))));
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 14);
    EXPECT_EQ(lines[2], QStringLiteral(" Report Description: Stock"));
    EXPECT_EQ(lines[3], QStringLiteral("       Report Notes: Notes here"));
    // Widths: longest of heading and cells (a numeric column's cells as
    // grouped); the excluded column is not declared. "|" and line breaks
    // inside cells do not tear the columns apart.
    EXPECT_EQ(lines[5], QStringLiteral("       Report Width: 49 bytes"));
    auto line = [](const char* a, const char* b, const char* c, const char* d) -> QString {
        return QString::fromUtf8(a).leftJustified(6) + QLatin1Char(' ') +
               QString::fromUtf8(b).leftJustified(13) + QLatin1Char(' ') +
               QString::fromUtf8(c).rightJustified(9) + QLatin1Char(' ') +
               QString::fromUtf8(d).leftJustified(17) + QLatin1Char(' ');
    };
    // Headings start at their column's left edge, also over right-aligned cells.
    EXPECT_EQ(lines[7], line("Volume", "Next Move", "Bytes    ", "Notes"));
    EXPECT_EQ(lines[8], QStringLiteral("------ ------------- --------- ----------------- "));
    EXPECT_EQ(lines[9], line("VOL001", "Zürich, Depot", "1,234,567", "say \"hi\""));
    EXPECT_EQ(lines[10], line("VOL002", "\"", "42", "line one line two"));
    EXPECT_EQ(lines[11], line("VOL003", "a]]>b", "?7", "100% | pipe"));
    EXPECT_EQ(lines[12], lines[8]);
    EXPECT_FALSE(text.contains(QLatin1String("hide-me")));
}

TEST_F(ExportFiles, PDFTextPagesAndQRCodeReadBack) {
    ZELVExportTable t = AwkwardTable();
    // Enough rows for a second page.
    for (int i = 0; i < 80; ++i)
        t.rows.push_back({QStringLiteral("ROW%1").arg(i, 3, 10, QLatin1Char('0')),
                          {},
                          QString::number(i * 1000),
                          {},
                          {}});
    ZELVExportPDFOptions options;
    options.pageSize = ZELVReport::A4;
    options.exclusion = QStringLiteral("2");
    const QString path = Write(ZELVExport::TypePDF, t, QStringLiteral("Stock on hand"), options);

    const ToolRun info = Tool(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(
        QString::fromUtf8(info.out).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("595.276 x 841.89")) << info.out.toStdString();

    const ToolRun text =
        Tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    const QString all = QString::fromUtf8(text.out);
    for (const char* expected :
         {"Stock on hand", "Notes here", "Volume", "Bytes", "Notes", "VOL001", "1,234,567",
          "say \"hi\"", "?7", "100% | pipe", "ROW079", "79,000", "Page 1", "Page 2"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                               << text.out.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Production Time: ") + kWhen));
    // Column 2 of the report ("Next Move") is left out, and the list's
    // excluded column never reaches the report.
    EXPECT_FALSE(all.contains(QLatin1String("Next Move")));
    EXPECT_FALSE(all.contains(QStringLiteral("Zürich")));
    EXPECT_FALSE(all.contains(QLatin1String("hide-me")));

    for (int page : {1, 2}) {
        const QString image = dir.filePath(QStringLiteral("page%1").arg(page));
        Tool(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"),
              QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
              QStringLiteral("-l"), QString::number(page), path, image});
        const ToolRun qr =
            Tool(QStringLiteral("zbarimg"),
                 {QStringLiteral("--raw"), QStringLiteral("-q"), image + QStringLiteral(".png")});
        EXPECT_EQ(QString::fromUtf8(qr.out).trimmed(),
                  QStringLiteral("%1;Stock on hand;%2").arg(page).arg(kWhen));
    }
}

TEST_F(ExportFiles, PDFKeepsNonASCIITextAndSurvivesATitleLongerThanThePage) {
    ZELVExportTable t;
    for (int c = 0; c < 40; ++c)
        t.headings << QStringLiteral("C%1").arg(c + 1);
    t.rows.push_back({});
    for (int c = 0; c < 40; ++c)
        t.rows.back() << (c == 0 ? QStringLiteral("Zürich") : QStringLiteral("v%1").arg(c + 1));
    const QString title = QStringLiteral("Very long title ").repeated(30);
    ZELVExportPDFOptions options;
    options.orientation = ZELVReport::Landscape;
    const QString path = Write(ZELVExport::TypePDF, t, title, options);
    const QString all =
        QString::fromUtf8(Tool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).out);
    EXPECT_TRUE(all.contains(QStringLiteral("Zürich"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QLatin1String("Very long title"))) << all.toStdString();
    // A report holds 32 columns; the rest of a wider list is left out.
    EXPECT_TRUE(all.contains(QLatin1String("v32"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QLatin1String("v33"))) << all.toStdString();
    const QString image = dir.filePath(QStringLiteral("long"));
    Tool(QStringLiteral("pdftoppm"),
         {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
          QStringLiteral("-singlefile"), path, image});
    const QString qr = QString::fromUtf8(
        Tool(QStringLiteral("zbarimg"),
             {QStringLiteral("--raw"), QStringLiteral("-q"), image + QStringLiteral(".png")})
            .out);
    EXPECT_TRUE(qr.startsWith(QLatin1String("1;Very long title"))) << qr.toStdString();
}

TEST_F(ExportFiles, NothingSelectedWritesNothing) {
    ZELVExportTable t = AwkwardTable();
    t.rows.clear();
    for (int type : {1, 3, 4, 5, 6}) {
        bool written = true;
        const QString path = dir.filePath(ZELVExport::DefaultName(type));
        EXPECT_TRUE(ZELVExport::ToFile(type, t, path, &written).isEmpty());
        EXPECT_FALSE(written);
        EXPECT_FALSE(QFile::exists(path)) << type;
    }
}

// Refusals: each type, a folder that does not exist and a disk that fills up
// half way. The message is clear, an older file of that name is untouched and
// nothing else is left behind.
TEST_F(ExportFiles, RefusalsLeaveNoHalfWrittenFile) {
    ZELVExportTable big = AwkwardTable();
    for (int i = 0; i < 20000; ++i)
        big.rows.push_back({QStringLiteral("VOL%1").arg(i), QStringLiteral("Somewhere far away"),
                            QString::number(i), QStringLiteral("x"),
                            QStringLiteral("Some notes to fill the disk")});
    for (int type : {1, 3, 4, 5, 6}) {
        SCOPED_TRACE(type);
        bool written = true;
        EXPECT_EQ(
            ZELVExport::ToFile(type, big, dir.filePath(QStringLiteral("missing/x")), &written),
            QString::fromUtf8(ZELVExport::kOpenFailed));
        EXPECT_FALSE(written);

        QTemporaryDir full;
        const QString path = full.filePath(ZELVExport::DefaultName(type));
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("previous export");
        }
        // A file-size limit stands in for a full disk: writes past it fail.
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        auto* previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = saved;
        limit.rlim_cur = 8 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString error =
            ZELVExport::ToFile(type, big, path, &written, QStringLiteral("Big"), {}, {}, clock);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_FALSE(written);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(ReadAll(path), QByteArray("previous export"));
        EXPECT_EQ(QDir(full.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{ZELVExport::DefaultName(type)});
    }
}

TEST(ExportNames, HeadingsBecomeElementNamesAndFieldsAreQuotedOnlyWhenNeeded) {
    const struct {
        const char* heading;
        const char* element;
    } names[] = {{"Next Move", "Next_Move"}, {"Size (MB)", "Size__MB_"}, {"3rd", "_3rd"}, {"", "_"},
                 {"Ort/Lage", "Ort_Lage"},   {"Größe", "Größe"}};
    for (const auto& n : names)
        EXPECT_EQ(ZELVExport::ElementName(QString::fromUtf8(n.heading)),
                  QString::fromUtf8(n.element));

    const struct {
        const char* cell;
        const char* field;
    } fields[] = {{"plain", "plain"},
                  {"a,b", "\"a,b\""},
                  {"say \"hi\", now", "\"say \"\"hi\"\", now\""},
                  {"\"", "\"\"\"\""},
                  {"two\nlines", "\"two\nlines\""},
                  {"", ""}};
    for (const auto& f : fields)
        EXPECT_EQ(ZELVExport::CSVField(QString::fromUtf8(f.cell)), QString::fromUtf8(f.field));
}

TEST(ExportMail, ComposesSubjectBodyAttachmentAndRecipients) {
    const ZELVCommand cmd = ZELVExport::MailCommand(
        QStringLiteral("Stock"),
        {QStringLiteral("a@example.com"), QStringLiteral("--attach=/etc/passwd"),
         QStringLiteral(" "), QStringLiteral("b@example.com")},
        QStringLiteral("/tmp/x/Kelmar_Report.txt"));
    EXPECT_EQ(cmd.program, QStringLiteral("xdg-email"));
    EXPECT_EQ(cmd.arguments,
              (QStringList{
                  QStringLiteral("--subject"), QStringLiteral("Stock [SEC=UNCLASSIFIED]"),
                  QStringLiteral("--body"),
                  QStringLiteral(
                      "Dear ....\n\nPlease find attached the requested information from Kelmar."),
                  QStringLiteral("--attach"), QStringLiteral("/tmp/x/Kelmar_Report.txt"),
                  QStringLiteral("a@example.com"), QStringLiteral("b@example.com")}));
}

} // namespace
