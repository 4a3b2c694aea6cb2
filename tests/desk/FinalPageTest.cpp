// The final page on a real sheet and database: it closes the task's log,
// views and prints it, and Back leads to a new task with a log of its own;
// and the validation warning dialog.
#include "FinalPage.h"

#include "DeskTestSupport.h"
#include "WarningDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <ctime>

// With the print plugins loaded, GCC 12's LeakSanitizer reads a bogus dynamic
// TLS range at exit and crashes before it reports anything; its
// __tls_get_addr hook is what goes wrong. Leak checking itself stays on.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

namespace {

bool SeedDatabase(TestDatabase& db) {
    const bool ok = db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
                    db.AddCustomer("ACME", "Acme Corp") && db.AddCustomer("BETA", "Beta Ltd");
    db.Release();
    return ok;
}

CFinalPage* FinalOf(CZELVDeskSheet& sheet) {
    return qobject_cast<CFinalPage*>(sheet.GetPage(sheet.FindPage(IDD_FINAL)));
}

QStringList FileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Log files are named by the second they are opened in; the next task must
// not start within the same second as the last one.
void WaitForTheNextSecond() {
    const time_t start = std::time(nullptr);
    while (std::time(nullptr) == start)
        QThread::msleep(20);
}

// The text of a PDF file, or nothing when pdftotext is not installed.
QString PdfText(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

ZELVPrinterSetup PdfPrinter(const QString& path) {
    return [path](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    };
}

// A run that has started Scan-In with a configured log folder (two
// Customers: the task waits on the Customer page).
struct ScanInRun {
    TestDatabase db;
    DeskRun run;
    QString logs;
    CZELVDeskSheet* sheet = nullptr;

    bool Start() {
        if (!SeedDatabase(db))
            return false;
        logs = run.NewFolder(QStringLiteral("logs"));
        run.WriteConfig(
            QStringLiteral("options = { disablespeech = true; logfile = \"%1\"; };").arg(logs));
        sheet = &run.Start({db.AddressText()});
        return run.ChooseTask(QStringLiteral("Scan-In")) && run.ActivePageId() == IDD_CUSTOMER;
    }
};

} // namespace

class FinalPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void activationClosesTheLog();
    void backStartsTheNextTaskWithASecondLog();
    void viewOpensTheLogWithTheDesktop();
    void printWritesTheLogThroughThePrinter();
    void printOfManyLinesMakesSeveralPages();
    void cancelledPrintPrintsNothing();
    void logLineIsSplitIntoColumns_data();
    void logLineIsSplitIntoColumns();
    void columnWidths_data();
    void columnWidths();

    void warningDialogShowsCountsAndDetails();
    void warningDialogAnswers_data();
    void warningDialogAnswers();
};

void FinalPageTest::activationClosesTheLog() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    CZELVDeskSheet& sheet = *scan.sheet;
    sheet.Log().Write("Scan-In: Volume %s confirmed", "ACME.LTO5.000001");
    const QString path = sheet.Log().Path();
    QVERIFY(sheet.Log().IsOpen());

    QVERIFY(sheet.SetActivePageById(IDD_FINAL));
    QVERIFY(!sheet.Log().IsOpen());
    QCOMPARE(sheet.GetWizardButtons(), CZELVWizardSheet::WizBack | CZELVWizardSheet::WizFinish);
    QCOMPARE(FinalOf(sheet)->PathLabel()->text(), path);
    const QStringList lines = FileLines(path);
    QVERIFY(lines.size() >= 5);
    QCOMPARE(lines.at(lines.size() - 2).mid(16),
             QStringLiteral("Scan-In: Volume ACME.LTO5.000001 confirmed"));
    QCOMPARE(lines.last().mid(16), QString::fromLatin1(TransactionLog::kEndOfFile));

    // Finish ends the wizard without another end line.
    QVERIFY(sheet.TryFinish());
    QCOMPARE(FileLines(path), lines);
}

void FinalPageTest::backStartsTheNextTaskWithASecondLog() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    CZELVDeskSheet& sheet = *scan.sheet;
    const QString first = sheet.Log().Path();
    CSelectedVolume selected;
    selected.volume.key.volumeId = "000001";
    sheet.RecallSelection().push_back(selected);
    QVERIFY(sheet.SetActivePageById(IDD_FINAL));
    const int lastOfFirst = sheet.Log().Sequence();

    QVERIFY(sheet.GoBack());
    DeskRun::Flush();
    QCOMPARE(scan.run.ActivePageId(), int(IDD_INTRO));
    QVERIFY(sheet.RecallSelection().empty());
    QCOMPARE(sheet.GetWizardButtons() & CZELVWizardSheet::WizNext, int(CZELVWizardSheet::WizNext));

    WaitForTheNextSecond();
    QVERIFY(scan.run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(scan.run.ActivePageId(), int(IDD_CUSTOMER));
    const QString second = sheet.Log().Path();
    QVERIFY(second != first);
    QVERIFY(sheet.Log().IsOpen());
    const QStringList files =
        QDir(scan.logs).entryList({QStringLiteral("ZELVDesk *.log")}, QDir::Files);
    QCOMPARE(files.size(), 2);

    // The first file is complete; the second continues its numbering.
    QCOMPARE(FileLines(first).last().mid(16), QString::fromLatin1(TransactionLog::kEndOfFile));
    const QStringList lines = FileLines(second);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first().left(6), QString::asprintf("%06d", lastOfFirst + 1));
    QCOMPARE(lines.first().mid(16), QStringLiteral("Startup: Kelmar Log File Format 1.0"));
    QCOMPARE(lines.at(1).mid(16), QStringLiteral("Startup: File(%1)").arg(second));
}

void FinalPageTest::viewOpensTheLogWithTheDesktop() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    CZELVDeskSheet& sheet = *scan.sheet;
    QVERIFY(sheet.SetActivePageById(IDD_FINAL));
    CFinalPage* page = FinalOf(sheet);

    page->findChild<QPushButton*>(QStringLiteral("viewLogButton"))->click();
    QCOMPARE(scan.run.launcher.urls, QList<QUrl>{QUrl::fromLocalFile(sheet.Log().Path())});
    QVERIFY(scan.run.Prompter().Asked().isEmpty());

    // No program for the file: the operator is told which file it was.
    scan.run.launcher.openResult = false;
    QVERIFY(!page->ViewLog());
    QCOMPARE(scan.run.PromptTexts(),
             QStringList{QStringLiteral("No program was found to open the log file:\n\n%1")
                             .arg(sheet.Log().Path())});
}

void FinalPageTest::printWritesTheLogThroughThePrinter() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    CZELVDeskSheet& sheet = *scan.sheet;
    sheet.Log().Write("Scan-In: Volume %s confirmed", "ACME.LTO5.000042");
    QVERIFY(sheet.SetActivePageById(IDD_FINAL));
    CFinalPage* page = FinalOf(sheet);

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("log.pdf"));
    page->SetPrinterSetup(PdfPrinter(pdf));
    QCOMPARE(page->PrintLog(), CZELVPrint::Result::Printed);
    QVERIFY(QFileInfo(pdf).isFile());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QVERIFY(scan.run.Prompter().Asked().isEmpty());

    const QString text = PdfText(pdf);
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QVERIFY2(text.contains(QStringLiteral("Transaction Log")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Kelmar Lite")));
        QVERIFY(text.contains(QStringLiteral("Sequence")));
        QVERIFY(text.contains(QStringLiteral("Scan-In: Volume ACME.LTO5.000042 confirmed")));
        QVERIFY(text.contains(QStringLiteral("Page 1 of 1 - Printed @ ")));
        QVERIFY(text.contains(QString::fromLatin1(TransactionLog::kEndOfFile)));
    }
}

void FinalPageTest::printOfManyLinesMakesSeveralPages() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    CZELVDeskSheet& sheet = *scan.sheet;
    for (int i = 0; i < 300; ++i)
        sheet.Log().Write("Scan-In: line %d", i);
    QVERIFY(sheet.SetActivePageById(IDD_FINAL));
    const int rows = int(FileLines(sheet.Log().Path()).size());

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("long.pdf"));
    CZELVListPrint print(scan.run.Prompter());
    print.SetPrinterSetup(PdfPrinter(pdf));
    print.AddColumn(QStringLiteral("Text"), 1);
    QCOMPARE(
        print.Print(rows, [](int row, QStringList* texts) { texts->append(QString::number(row)); }),
        CZELVPrint::Result::Printed);
    QVERIFY(print.PageCount() > 1);
    QCOMPARE(print.PageCount(), (rows + print.LinesPerPage() - 1) / print.LinesPerPage());
    const QString text = PdfText(pdf);
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        const QString last = QStringLiteral("Page %1 of %1 - Printed @ ").arg(print.PageCount());
        QVERIFY(text.contains(last));
        QVERIFY(text.count(QStringLiteral(" - Printed @ ")) == print.PageCount());
    }
}

void FinalPageTest::cancelledPrintPrintsNothing() {
    ScanInRun scan;
    QVERIFY(scan.Start());
    QVERIFY(scan.sheet->SetActivePageById(IDD_FINAL));
    CFinalPage* page = FinalOf(*scan.sheet);
    bool asked = false;
    page->SetPrinterSetup([&asked](QPrinter&, QWidget*) {
        asked = true;
        return false;
    });
    QCOMPARE(page->PrintLog(), CZELVPrint::Result::Cancelled);
    QVERIFY(asked);
    QVERIFY(scan.run.Prompter().Asked().isEmpty());

    // Nothing to print: said, and the printer is not asked.
    asked = false;
    CZELVListPrint empty(scan.run.Prompter());
    empty.AddColumn(QStringLiteral("Text"), 1);
    empty.SetPrinterSetup([&asked](QPrinter&, QWidget*) {
        asked = true;
        return true;
    });
    QCOMPARE(empty.Print(0, [](int, QStringList*) {}), CZELVPrint::Result::Empty);
    QVERIFY(!asked);
    QCOMPARE(scan.run.PromptTexts(), QStringList{QStringLiteral("There are no items to print")});
    QCOMPARE(scan.run.PromptCaptions(), QStringList{QStringLiteral("Empty Print")});
}

void FinalPageTest::logLineIsSplitIntoColumns_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("an entry") << "000012-09:30:05 Scan-In: Volume A.B.C"
                              << QStringList{"000012", "09:30:05", "Scan-In: Volume A.B.C"};
    QTest::newRow("an empty entry") << "000003-23:59:59 " << QStringList{"000003", "23:59:59", ""};
    QTest::newRow("a short line") << "0001" << QStringList{"0001", "", ""};
}

void FinalPageTest::logLineIsSplitIntoColumns() {
    QFETCH(QString, line);
    QFETCH(QStringList, columns);
    QCOMPARE(CFinalPage::SplitLogLine(line), columns);
}

void FinalPageTest::columnWidths_data() {
    QTest::addColumn<int>("available");
    QTest::addColumn<std::vector<int>>("relative");
    QTest::addColumn<std::vector<int>>("minimum");
    QTest::addColumn<std::vector<int>>("widths");
    QTest::newRow("shares by relative width")
        << 1000 << std::vector<int>{1, 1, 8} << std::vector<int>{0, 0, 0}
        << std::vector<int>{100, 100, 800};
    QTest::newRow("narrow columns get their minimum, the rest shares what is left")
        << 1000 << std::vector<int>{1, 1, 8} << std::vector<int>{150, 120, 0}
        << std::vector<int>{150, 120, 730};
    QTest::newRow("a minimum below the share changes nothing")
        << 1000 << std::vector<int>{1, 1, 8} << std::vector<int>{50, 50, 500}
        << std::vector<int>{100, 100, 800};
    QTest::newRow("raising one column can push another under its minimum")
        << 100 << std::vector<int>{1, 1, 2} << std::vector<int>{40, 24, 0}
        << std::vector<int>{40, 24, 36};
    QTest::newRow("minimums wider than the page are kept")
        << 100 << std::vector<int>{1, 1} << std::vector<int>{80, 80} << std::vector<int>{80, 80};
}

void FinalPageTest::columnWidths() {
    QFETCH(int, available);
    QFETCH(std::vector<int>, relative);
    QFETCH(std::vector<int>, minimum);
    QFETCH(std::vector<int>, widths);
    QCOMPARE(CZELVListPrint::ColumnWidths(available, relative, minimum), widths);
}

void FinalPageTest::warningDialogShowsCountsAndDetails() {
    CWarningDialog dialog(nullptr, 3, 1, 4, 2,
                          QStringLiteral("ACME.LTO5.000001: unknown Repository XXXX\n"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Validation Warning"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("warningText"))->text(),
             QStringLiteral("Some of the Volumes you have entered have invalid attributes (see "
                            "details below). Continuing without correction will result in "
                            "errors."));
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("warningIcon"))->pixmap().isNull());
    const char* names[] = {"repositoryErrors", "backwardDates", "volumeErrors", "missingTags"};
    const char* labels[] = {"Unknown Repository Errors", "Backward Dates", "Volume Errors",
                            "Missing Tags"};
    const QStringList values = {"3", "1", "4", "2"};
    for (int i = 0; i < 4; ++i) {
        QLineEdit* field = dialog.findChild<QLineEdit*>(QString::fromLatin1(names[i]));
        QVERIFY(field);
        QCOMPARE(dialog.CountField(i), field);
        QCOMPARE(field->text(), values[i]);
        QVERIFY(field->isReadOnly());
        bool labelled = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            labelled = labelled ||
                       (label->text() == QString::fromLatin1(labels[i]) && label->buddy() == field);
        QVERIFY2(labelled, labels[i]);
    }
    QCOMPARE(dialog.Details()->toPlainText(),
             QStringLiteral("ACME.LTO5.000001: unknown Repository XXXX\n"));
    QVERIFY(dialog.Details()->isReadOnly());
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->text(),
             QStringLiteral("&OK"));
}

void FinalPageTest::warningDialogAnswers_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << "ok" << int(QDialog::Accepted);
    QTest::newRow("Enter presses OK") << "enter" << int(QDialog::Accepted);
    QTest::newRow("Escape closes it too") << "escape" << int(QDialog::Rejected);
}

void FinalPageTest::warningDialogAnswers() {
    QFETCH(QString, how);
    QFETCH(int, result);
    CWarningDialog dialog(nullptr, 0, 0, 1, 0, QString());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (how == QStringLiteral("ok"))
        dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    else if (how == QStringLiteral("enter"))
        QTest::keyClick(&dialog, Qt::Key_Return);
    else
        QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    FinalPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FinalPageTest.moc"
