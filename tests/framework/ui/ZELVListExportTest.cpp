#include "ZELVExportDlg.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Answers the export's questions from a script and records what was asked.
class ScriptedExportUi : public IZELVExportUi {
public:
    int type = ZELVExport::TypeCSV;
    bool open = false;
    bool cancelType = false;
    QString path;
    ZELVExportPDFOptions pdf;
    bool cancelPdf = false;
    bool launches = true;

    int typeAsked = 0;
    ZELVExportTypeRequest lastRequest;
    ZELVExportPDFOptions pdfPreset;
    QList<ZELVCommand> launched;

    bool ChooseType(const ZELVExportTypeRequest& request, int* chosen,
                    bool* openWhenDone) override {
        ++typeAsked;
        lastRequest = request;
        *chosen = type;
        *openWhenDone = open;
        return !cancelType;
    }
    QString ChooseSavePath(QWidget*, int) override { return path; }
    bool ChoosePdfOptions(QWidget*, ZELVExportPDFOptions* options) override {
        pdfPreset = *options;
        if (!cancelPdf)
            *options = pdf;
        return !cancelPdf;
    }
    bool Launch(const ZELVCommand& command) override {
        launched.append(command);
        return launches;
    }
};

// The cells that break naive writers, one kind per row.
const QStringList kVolumes = {QStringLiteral("ACME.LTO.V00001"), QStringLiteral("ACME.LTO.V00002"),
                              QStringLiteral("ACME.LTO.V00003"), QStringLiteral("ACME.LTO.V00004"),
                              QStringLiteral("ACME.LTO.V00005")};
const QStringList kCounts = {QStringLiteral("7"), QStringLiteral("1,234,567"), QStringLiteral("42"),
                             QStringLiteral("0"), QStringLiteral("99")};
const QStringList kDescriptions = {
    QStringLiteral("Rack 3, shelf \"B\""), QStringLiteral("first line\nsecond line"),
    QStringLiteral("Zürich Ærø"), QStringLiteral("\""), QStringLiteral("ends ]]> here")};

QString Run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool HaveTool(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

// Every file left in the folder: a failed export must leave none.
QStringList FilesIn(const QString& dir) {
    QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    files.removeAll(QStringLiteral("profile.ini")); // the list's settings
    return files;
}

// The rows of a CSV file as Python's csv module reads them.
QList<QStringList> ReadCsv(const QString& path) {
    const QString json =
        Run(QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import csv,json,sys\n"
                            "print(json.dumps(list(csv.reader(open(sys.argv[1], newline='', "
                            "encoding='utf-8')))))"),
             path});
    QList<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(json.toUtf8()).array()) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray())
            cells.append(cell.toString());
        rows.append(cells);
    }
    return rows;
}

// Records of the XML export as element name to text, by a real XML reader.
QList<QList<QPair<QString, QString>>> ReadXml(const QString& path, QString* error) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QList<QList<QPair<QString, QString>>> records;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("record")) {
            records.append(QList<QPair<QString, QString>>());
        } else if (xml.isStartElement() && !records.isEmpty()) {
            const QString name = xml.name().toString();
            records.last().append({name, xml.readElementText()});
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return records;
}

// Cells of the workbook's first sheet by reference ("A1"), unzipped and read
// from the sheet XML (inline or shared strings).
QMap<QString, QString> ReadXlsx(const QString& path) {
    const QString sheet =
        Run(QStringLiteral("unzip"),
            {QStringLiteral("-p"), path, QStringLiteral("xl/worksheets/sheet1.xml")});
    const QString sharedXml =
        Run(QStringLiteral("unzip"),
            {QStringLiteral("-p"), path, QStringLiteral("xl/sharedStrings.xml")});
    QStringList shared;
    QXmlStreamReader sx(sharedXml);
    while (!sx.atEnd()) {
        sx.readNext();
        if (sx.isStartElement() && sx.name() == QStringLiteral("si"))
            shared.append(QString());
        else if (sx.isStartElement() && sx.name() == QStringLiteral("t") && !shared.isEmpty())
            shared.last() += sx.readElementText();
    }
    QMap<QString, QString> cells;
    QXmlStreamReader xml(sheet);
    QString ref, kind, text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("c")) {
            ref = xml.attributes().value(QStringLiteral("r")).toString();
            kind = xml.attributes().value(QStringLiteral("t")).toString();
            text.clear();
        } else if (xml.isStartElement() &&
                   (xml.name() == QStringLiteral("t") || xml.name() == QStringLiteral("v"))) {
            text += xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == QStringLiteral("c")) {
            cells[ref] = kind == QStringLiteral("s") ? shared.value(text.toInt()) : text;
        }
    }
    return cells;
}

} // namespace

class ZELVListExportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<CZELVListCtrl> list;
    ScriptedPrompter prompter;
    ScriptedExportUi ui;

    QString Out(const QString& name) const { return dir->filePath(name); }

    // Five rows; the "Internal" column is excluded from reports; rows 2 and 3
    // (0-based 1 and 2) and the last row are selected unless a test changes it.
    void Fill() {
        list->InsertColumn(0, QStringLiteral("Volume-ID"), 120);
        list->InsertColumn(1, QStringLiteral("Scan Count"), 80, Qt::AlignRight);
        list->InsertColumn(2, QStringLiteral("Internal"), 60);
        list->InsertColumn(3, QStringLiteral("Next Move"), 100);
        list->InsertColumn(4, QStringLiteral("Description"), 200);
        for (int row = 0; row < 5; ++row) {
            list->InsertItem(row, kVolumes[row]);
            list->SetItemText(row, 1, kCounts[row]);
            list->SetItemText(row, 2, QStringLiteral("secret-%1").arg(row));
            list->SetItemText(row, 3,
                              row == 0 ? QStringLiteral("Permanent")
                                       : QStringLiteral("2026-12-%1").arg(10 + row));
            list->SetItemText(row, 4, kDescriptions[row]);
        }
        list->ExportExclusions().insert(2);
        for (int row : {1, 2, 4})
            list->SetItemSelected(row, true);
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<QSettings>(dir->filePath(QStringLiteral("profile.ini")),
                                               QSettings::IniFormat);
        list = std::make_unique<CZELVListCtrl>();
        list->SetSettings(settings.get());
        list->SetPrompter(&prompter);
        list->SetExportUi(&ui);
        list->Init(QStringLiteral("ExportTest"));
        list->resize(600, 300);
        prompter.Clear();
        ui = ScriptedExportUi();
        Fill();
    }
    void cleanup() {
        QVERIFY2(prompter.Unexpected().isEmpty(), qPrintable(prompter.LastText()));
        list.reset();
        settings.reset();
        dir.reset();
    }

    // Each format written through the export dialog and read back by the
    // program that reads it: only the selected rows, every awkward cell intact,
    // the excluded column only where the format keeps all columns.
    void formatsReadBack_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::newRow("CSV, parsed by Python's csv module")
            << int(ZELVExport::TypeCSV) << "out.csv";
        QTest::newRow("XML, read by an XML reader") << int(ZELVExport::TypeXML) << "out.xml";
        QTest::newRow("spreadsheet, sheet XML from the unzipped workbook")
            << int(ZELVExport::TypeSpreadsheet) << "out.xlsx";
        QTest::newRow("text report") << int(ZELVExport::TypeText) << "out.txt";
        QTest::newRow("PDF, pdftotext and the page's QR code")
            << int(ZELVExport::TypePDF) << "out.pdf";
    }
    void formatsReadBack() {
        QFETCH(int, type);
        QFETCH(QString, file);
        const QString path = Out(file);
        ui.type = type;
        ui.path = path;
        ui.pdf.pageSize = 3;
        QVERIFY(list->Export(QStringLiteral("Kelmar Listed Volumes"), false));
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(FilesIn(dir->path()), QStringList({file}));
        const QList<int> selected = {1, 2, 4};

        if (type == ZELVExport::TypeCSV) {
            if (!HaveTool("python3"))
                QSKIP("python3 is not installed");
            const QList<QStringList> rows = ReadCsv(path);
            QCOMPARE(rows.size(), 4);
            QCOMPARE(rows[0], QStringList({"Volume-ID", "Scan Count", "Internal", "Next Move",
                                           "Description"}));
            for (int i = 0; i < 3; ++i) {
                const int r = selected[i];
                QCOMPARE(rows[i + 1],
                         QStringList({kVolumes[r], kCounts[r], QStringLiteral("secret-%1").arg(r),
                                      QStringLiteral("2026-12-%1").arg(10 + r), kDescriptions[r]}));
            }
        } else if (type == ZELVExport::TypeXML) {
            QString error;
            const auto records = ReadXml(path, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(records.size(), 3);
            for (int i = 0; i < 3; ++i) {
                const int r = selected[i];
                QCOMPARE(records[i].size(), 5);
                QCOMPARE(records[i][0], qMakePair(QStringLiteral("Volume_ID"), kVolumes[r]));
                QCOMPARE(records[i][1], qMakePair(QStringLiteral("Scan_Count"), kCounts[r]));
                QCOMPARE(records[i][3].first, QStringLiteral("Next_Move"));
                QCOMPARE(records[i][4], qMakePair(QStringLiteral("Description"), kDescriptions[r]));
            }
        } else if (type == ZELVExport::TypeSpreadsheet) {
            if (!HaveTool("unzip"))
                QSKIP("unzip is not installed");
            const QMap<QString, QString> cells = ReadXlsx(path);
            QCOMPARE(cells.value("A1"), QStringLiteral("Volume-ID"));
            QCOMPARE(cells.value("E1"), QStringLiteral("Description"));
            for (int i = 0; i < 3; ++i) {
                const int r = selected[i];
                const QString n = QString::number(i + 2);
                QCOMPARE(cells.value("A" + n), kVolumes[r]);
                QCOMPARE(cells.value("B" + n), kCounts[r]);
                QCOMPARE(cells.value("E" + n), kDescriptions[r]);
            }
            QVERIFY(!cells.contains("A5"));
        } else if (type == ZELVExport::TypeText) {
            QFile in(path);
            QVERIFY(in.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(in.readAll());
            QVERIFY(text.contains(QStringLiteral(" Report Description: Kelmar Listed Volumes\n")));
            QVERIFY(!text.contains(QStringLiteral("Internal")));
            QVERIFY(!text.contains(QStringLiteral("secret-")));
            QVERIFY(text.contains(QStringLiteral("Zürich Ærø")));
            QVERIFY(!text.contains(kVolumes[0]));
            QVERIFY(!text.contains(kVolumes[3]));
            // The right-aligned count ends where its heading ends.
            const QStringList lines = text.split(QLatin1Char('\n'));
            const qsizetype heading =
                lines.indexOf(QRegularExpression(QStringLiteral("^Volume-ID\\s+Scan Count.*")));
            QVERIFY(heading > 0);
            const qsizetype countEnd = lines[heading].indexOf(QStringLiteral("Scan Count")) + 10;
            const QString row = lines.filter(kVolumes[2]).value(0);
            QCOMPARE(row.mid(countEnd - 2, 2), QStringLiteral("42"));
            QVERIFY(row.mid(countEnd - 10, 8).trimmed().isEmpty());
        } else {
            if (!HaveTool("pdftotext"))
                QSKIP("pdftotext (poppler-utils) is not installed");
            const QString text = Run(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-layout"), path, QStringLiteral("-")});
            QVERIFY(text.contains(QStringLiteral("Kelmar Listed Volumes")));
            QVERIFY(text.contains(QStringLiteral("Next Move")));
            QVERIFY(!text.contains(QStringLiteral("Internal")));
            QVERIFY(!text.contains(QStringLiteral("secret-")));
            QVERIFY(text.contains(kVolumes[1]));
            QVERIFY(!text.contains(kVolumes[0]));
            QVERIFY(text.contains(QStringLiteral("Zürich Ærø")));
            const QString info = Run(QStringLiteral("pdfinfo"), {path});
            QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                     qPrintable(info));
            QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
            if (!HaveTool("zbarimg") || !HaveTool("pdftoppm"))
                QSKIP("zbarimg (zbar-tools) or pdftoppm is not installed");
            const QString png = Out(QStringLiteral("page"));
            Run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), path, png});
            const QString code =
                Run(QStringLiteral("zbarimg"),
                    {QStringLiteral("--raw"), QStringLiteral("-q"), png + QStringLiteral(".png")})
                    .trimmed();
            QVERIFY2(code.startsWith(QStringLiteral("1;Kelmar Listed Volumes;")), qPrintable(code));
        }
    }

    // The stored PDF settings preset the options, the chosen ones are kept,
    // and the exclusion numbers count the report's columns (after the list's
    // own exclusion closed up): "2" drops "Scan Count".
    void pdfOptionsRemembered() {
        list->WriteSetting(QStringLiteral("PDFPageSize"), 1);
        list->WriteSetting(QStringLiteral("PDFPageOrientation"), 0);
        list->WriteSetting(QStringLiteral("PDFExclusionColumns"), QStringLiteral("4"));
        ui.path = Out(QStringLiteral("options.pdf"));
        // A logo of our own; the list draws it when the file is a JPEG.
        QImage logo(316, 78, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        const QString logoPath = Out(QStringLiteral("logo.jpg"));
        QVERIFY(logo.save(logoPath, "JPG"));
        list->SetReportLogo(logoPath);
        ui.pdf.pageSize = 3;
        ui.pdf.orientation = 1;
        ui.pdf.exclusion = QStringLiteral("2");
        QVERIFY(list->ExportPDF(QStringLiteral("Move List"), ZELVExport::OpenNever));
        QCOMPARE(ui.pdfPreset.pageSize, 1);
        QCOMPARE(ui.pdfPreset.orientation, 0);
        QCOMPARE(ui.pdfPreset.exclusion, QStringLiteral("4"));
        QCOMPARE(list->ReadSetting(QStringLiteral("PDFPageSize"), -1), 3);
        QCOMPARE(list->ReadSetting(QStringLiteral("PDFPageOrientation"), -1), 1);
        QCOMPARE(list->ReadSetting(QStringLiteral("PDFExclusionColumns"), QString()),
                 QStringLiteral("2"));
        if (!HaveTool("pdftotext"))
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString info = Run(QStringLiteral("pdfinfo"), {ui.path});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+841.* x 595"))),
                 qPrintable(info));
        const QString text = Run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), ui.path, QStringLiteral("-")});
        QVERIFY(text.contains(QStringLiteral("Volume-ID")));
        QVERIFY(text.contains(QStringLiteral("Next Move")));
        QVERIFY(!text.contains(QStringLiteral("Scan Count")));
        QVERIFY(!text.contains(QStringLiteral("1,234,567")));
        const QString images = Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), ui.path});
        QVERIFY2(images.contains(QRegularExpression(
                     QStringLiteral("\\n\\s*1\\s+\\d+\\s+image\\s+316\\s+78\\s"))),
                 qPrintable(images));

        // Cancelling the options writes nothing and stores nothing.
        ui.cancelPdf = true;
        ui.path = Out(QStringLiteral("cancelled.pdf"));
        QVERIFY(!list->ExportPDF(QStringLiteral("Move List"), ZELVExport::OpenNever));
        QVERIFY(!QFile::exists(ui.path));
    }

    // The export type dialog: formats in their order, Email only when mail is
    // allowed, the count in the footer, and Select All.
    void typeDialog() {
        int selectAllCalls = 0;
        CZELVExportTypeDlg withMail(true, 2, 5, [&] {
            ++selectAllCalls;
            return 5;
        });
        QCOMPARE(withMail.windowTitle(), QStringLiteral("Export Type Selection"));
        QCOMPARE(withMail.Types(), QList<int>({6, 1, 2, 5, 3, 4}));
        QCOMPARE(withMail.FooterText(),
                 QStringLiteral("The export will contain 2 selected records (of 5 available)."));
        QVERIFY(withMail.OpenWhenDone());
        withMail.SetType(5);
        QVERIFY(withMail.SelectAllButton());
        withMail.SelectAllButton()->click();
        QCOMPARE(selectAllCalls, 1);
        QCOMPARE(withMail.FooterText(),
                 QStringLiteral("The export will contain 5 selected records (of 5 available)."));
        QVERIFY(!withMail.SelectAllButton()->isEnabled());
        QCOMPARE(withMail.Type(), 5);

        CZELVExportTypeDlg allSelected(false, 5, 5, {});
        QCOMPARE(allSelected.Types(), QList<int>({6, 1, 5, 3, 4}));
        QVERIFY(!allSelected.SelectAllButton());

        CZELVPdfOptionsDlg options(3, 1, QStringLiteral("3,4,8"));
        QCOMPARE(options.windowTitle(), QStringLiteral("PDF Export Options"));
        QCOMPARE(options.PageSize(), 3);
        QCOMPARE(options.Orientation(), 1);
        QCOMPARE(options.Exclusion(), QStringLiteral("3,4,8"));
        // A stored size the dialog does not offer falls back to Letter.
        QCOMPARE(CZELVPdfOptionsDlg(7, 0, QString()).PageSize(), 0);
    }

    // Ctrl+E opens the dialog titled "Export" without Email; the dialog's
    // Select All reaches the list.
    void ctrlEAndSelectAll() {
        ui.cancelType = true;
        list->Table()->setFocus();
        QTest::keyClick(list->Table(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(ui.typeAsked, 1);
        QVERIFY(!ui.lastRequest.mailAllowed);
        QCOMPARE(ui.lastRequest.selected, 3);
        QCOMPARE(ui.lastRequest.total, 5);
        QCOMPARE(ui.lastRequest.selectAll(), 5);
        QCOMPARE(list->GetSelectedCount(), 5);

        // A page's context-menu entry runs the same export, mail allowed when it says so.
        QMenu menu;
        QAction* entry = list->AddExportAction(&menu, QStringLiteral("&Export"),
                                               QStringLiteral("Move List"), true);
        QCOMPARE(menu.actions(), QList<QAction*>({entry}));
        entry->trigger();
        QCOMPARE(ui.typeAsked, 2);
        QVERIFY(ui.lastRequest.mailAllowed);
    }

    // Opening the written file after each open mode.
    void openModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("launches");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("shown");
        const QString question =
            QStringLiteral("Exported 3 records.\n\nWould you like to open the exported CSV File?");
        QTest::newRow("ask, Yes") << 0 << int(PromptYes) << true << true << question;
        QTest::newRow("ask, No") << 0 << int(PromptNo) << true << false << question;
        QTest::newRow("open without asking") << 1 << 0 << true << true << QString();
        QTest::newRow("do not open") << 2 << 0 << true << false << QString();
        QTest::newRow("no program to open it")
            << 1 << 0 << false << true
            << QStringLiteral("No program was found to open the exported file:\n\n");
    }
    void openModes() {
        QFETCH(int, mode);
        QFETCH(int, answer);
        QFETCH(bool, launches);
        QFETCH(bool, opened);
        QFETCH(QString, shown);
        ui.path = Out(QStringLiteral("open.csv"));
        ui.launches = launches;
        prompter.Answer(answer ? answer : int(PromptOk));
        QVERIFY(list->ExportCSV(mode));
        QCOMPARE(ui.launched.size(), opened ? 1 : 0);
        if (shown.isEmpty())
            prompter.Clear(); // the OK queued for a message that did not come
        if (opened) {
            QCOMPARE(ui.launched[0].program, QStringLiteral("xdg-open"));
            QCOMPARE(ui.launched[0].arguments, QStringList({ui.path}));
        }
        if (shown.isEmpty()) {
            QCOMPARE(prompter.Asked().size(), 0);
        } else {
            QCOMPARE(prompter.Asked().size(), 1);
            QVERIFY2(prompter.LastText().startsWith(shown), qPrintable(prompter.LastText()));
        }
    }

    // Mail: the text report attached under its name and the mail program asked
    // to compose; without a mail program a clear message and no report left.
    void mail() {
        const QStringList to = {QStringLiteral("ops@example.com"),
                                QStringLiteral("vault@example.com")};
        ui.type = ZELVExport::TypeMail;
        QVERIFY(list->Export(QStringLiteral("Kelmar Listed Volumes"), true, to));
        QVERIFY(ui.lastRequest.mailAllowed);
        QCOMPARE(ui.launched.size(), 1);
        const ZELVCommand& mail = ui.launched[0];
        QCOMPARE(mail.program, QStringLiteral("xdg-email"));
        const QString report = list->LastExportPath();
        QCOMPARE(QFileInfo(report).fileName(), QStringLiteral("Kelmar_Report.txt"));
        QCOMPARE(mail.arguments,
                 QStringList({"--subject", "Kelmar Listed Volumes [SEC=UNCLASSIFIED]", "--body",
                              "Dear ....\n\nPlease find attached the requested information from "
                              "Kelmar.",
                              "--attach", report, to[0], to[1]}));
        QFile in(report);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(in.readAll());
        QVERIFY(text.contains(kVolumes[4]));
        QVERIFY(!text.contains(kVolumes[0]));
        QVERIFY(!text.contains(QStringLiteral("secret-")));
        QDir(QFileInfo(report).absolutePath()).removeRecursively();

        ui.launched.clear();
        ui.launches = false;
        prompter.Answer(PromptOk);
        QVERIFY(!list->MailList(QStringLiteral("Kelmar Listed Volumes"), to));
        QCOMPARE(prompter.Asked().size(), 1);
        QCOMPARE(prompter.Asked()[0].request.caption, QStringLiteral("MAPI Error"));
        QVERIFY(prompter.LastText().startsWith(QStringLiteral("Unable to send email message")));
        QVERIFY(!QFileInfo::exists(list->LastExportPath()));
        QVERIFY(!QFileInfo::exists(QFileInfo(list->LastExportPath()).absolutePath()));

        // The real launcher refuses a program that is not on the path.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir->path()));
        CZELVExportDialogs real;
        const bool started = real.Launch(ZELVExport::MailCommand(QStringLiteral("t"), to, report));
        qputenv("PATH", path);
        QVERIFY(!started);
    }

    // Nothing selected: the selection prompt; answered No, nothing is asked
    // or written. The writers themselves refuse an empty selection.
    void emptySelection() {
        list->SelectNone();
        prompter.Answer(PromptNo);
        ui.path = Out(QStringLiteral("none.csv"));
        QVERIFY(!list->Export(QStringLiteral("Export"), false));
        QCOMPARE(prompter.Asked().size(), 1);
        QCOMPARE(prompter.Asked()[0].request.caption, QStringLiteral("Selection Required"));
        QCOMPARE(ui.typeAsked, 0);
        QVERIFY(!list->ExportCSV(1) && !list->ExportXML(1) && !list->ExportSpreadsheet(1));
        QVERIFY(!list->ExportText(QString(), ui.path, 1) && !list->ExportPDF(QString(), 1));
        QCOMPARE(ui.launched.size(), 0);
        QCOMPARE(FilesIn(dir->path()), QStringList());
    }

    // Files that cannot be written: a clear message, the list untouched, and
    // no file, whole or partial, left behind.
    void refusals_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("where");
        for (int type : {1, 3, 4, 5, 6}) {
            const QByteArray name = ZELVExport::TypeName(type).toUtf8();
            QTest::newRow(QByteArray(name + ", folder is a file").constData()) << type << "file";
            QTest::newRow(QByteArray(name + ", folder cannot be written").constData())
                << type << "/proc";
        }
    }
    void refusals() {
        QFETCH(int, type);
        QFETCH(QString, where);
        QFile blocker(Out(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ui.path = where == QStringLiteral("file") ? Out(QStringLiteral("blocker/out.x"))
                                                  : QStringLiteral("/proc/kelmar-export.x");
        prompter.Answer(PromptOk);
        bool ok = true;
        switch (type) {
        case 1:
            ok = list->ExportCSV(2);
            break;
        case 3:
            ok = list->ExportText(QString(), ui.path, 2);
            break;
        case 4:
            ok = list->ExportXML(2);
            break;
        case 5:
            ok = list->ExportSpreadsheet(2);
            break;
        default:
            ok = list->ExportPDF(QString(), 2);
            break;
        }
        QVERIFY(!ok);
        QCOMPARE(prompter.Asked().size(), 1);
        QVERIFY2(prompter.LastText().startsWith(QStringLiteral("Failed to")),
                 qPrintable(prompter.LastText()));
        QCOMPARE(FilesIn(dir->path()), QStringList({"blocker"}));
        QCOMPARE(list->GetSelectedCount(), 3);
    }

    // A disk that fills up part-way (a file-size limit in a child process):
    // the export reports it and leaves neither the file nor a temporary one.
    void diskFull_data() {
        QTest::addColumn<int>("type");
        for (int type : {1, 3, 4, 5, 6})
            QTest::newRow(ZELVExport::TypeName(type).toUtf8().constData()) << type;
    }
    void diskFull() {
        QFETCH(int, type);
        // Enough rows that every format passes the limit.
        QRandomGenerator random(7);
        for (int row = 5; row < 3000; ++row) {
            list->InsertItem(row, QStringLiteral("ACME.LTO.X%1").arg(row, 5, 10, QLatin1Char('0')));
            // Random text, so that even the zipped workbook passes the limit.
            list->SetItemText(row, 4,
                              QString::number(random.generate64(), 36) +
                                  QString::number(random.generate64(), 36));
        }
        list->SelectAll();
        ui.path = Out(QStringLiteral("full.out"));
        int pipeFds[2];
        QVERIFY(pipe(pipeFds) == 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG
            rlimit limit{16 * 1024, 16 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
            bool ok = true;
            switch (type) {
            case 1:
                ok = list->ExportCSV(2);
                break;
            case 3:
                ok = list->ExportText(QString(), ui.path, 2);
                break;
            case 4:
                ok = list->ExportXML(2);
                break;
            case 5:
                ok = list->ExportSpreadsheet(2);
                break;
            default:
                ok = list->ExportPDF(QString(), 2);
                break;
            }
            const QByteArray said = prompter.LastText().toUtf8();
            (void)!::write(pipeFds[1], said.constData(), size_t(said.size()));
            _exit(ok ? 1 : 0);
        }
        ::close(pipeFds[1]);
        int status = 0;
        waitpid(child, &status, 0);
        char buffer[512] = {};
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer - 1);
        ::close(pipeFds[0]);
        const QString said = QString::fromUtf8(buffer, got > 0 ? int(got) : 0);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 qPrintable(QStringLiteral("status %1: %2").arg(status).arg(said)));
        QVERIFY2(said.startsWith(QStringLiteral("Failed to write output file")) ||
                     said.startsWith(QStringLiteral("PDF Export failed")),
                 qPrintable(said));
        QCOMPARE(FilesIn(dir->path()), QStringList());
    }
};

QTEST_MAIN(ZELVListExportTest)
#include "ZELVListExportTest.moc"
