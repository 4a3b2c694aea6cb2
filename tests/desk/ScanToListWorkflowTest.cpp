// Scan-To-List from the task menu to the server on the demo data set, on
// both engines: scans listed with what the server says of them, filtered,
// then worked on row by row.
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "ScanToListPage.h"
#include "ZELV10ScanDlg.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Page = CScanToListPage;

ZELV10BARCODEPARSED Scanned(const char* customer, const char* media, const char* volume) {
    ZELV10BARCODEPARSED p;
    p.customerId = customer;
    p.mediaId = media;
    p.volumeId = volume;
    return p;
}

// The row of the list showing the Volume text, -1 when not shown.
int RowOf(const CZELVListCtrl& list, const QString& volume) {
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, Page::ColVolume) == volume)
            return row;
    return -1;
}

void SelectOnly(CZELVListCtrl& list, const QStringList& volumes) {
    list.SelectNone();
    for (const QString& v : volumes)
        list.SetItemSelected(RowOf(list, v), true);
}

// "current target" of a stored Volume, or the server's message.
QString Stored(CZELV10MFC& mfc, const char* media, const char* volume) {
    ZELVVOLS v;
    const CZELV10RC rc =
        mfc.Get(&v, QStringLiteral("ACME"), QLatin1String(media), QLatin1String(volume));
    if (!rc.IsOK())
        return rc.Get();
    return v.Current().repositoryId.Text() + QLatin1Char(' ') + v.Target().repositoryId.Text();
}

// The page from the task menu, logs in a folder of the run; the test scans,
// not the scanning window.
Page* OpenPage(DeskRun& run, const DemoDatabase& db) {
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    if (!run.ChooseTask(QStringLiteral("List")) || run.ActivePageId() != IDD_SCAN_TO_LIST)
        return nullptr;
    auto* page = qobject_cast<Page*>(sheet.GetActivePage());
    if (page)
        page->Timer(Page::kScanTimer)->stop();
    return page;
}

} // namespace

class ScanToListWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { AddEngineRows(); }
    void scanFilterAndWorkOnTheList();
    void batchFileListsAsScansDo();
};

void ScanToListWorkflowTest::scanFilterAndWorkOnTheList() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    DeskRun run;
    Page* page = OpenPage(run, db);
    QVERIFY(page);
    CZELVDeskSheet& sheet = run.Sheet();
    CZELVListCtrl& list = *page->List();

    // Every scan is listed as read, twice when scanned twice; a failed scan
    // only reaches the log.
    struct ScanRow {
        const char* media;
        const char* volume;
        const char* current;
        const char* location;
        const char* next;
        const char* container;
        const char* message;
    };
    const QString slot = QStringLiteral("Rack A [%1]").arg(CZELV10MFC::FormatZoneSlot(12));
    const ScanRow scans[] = {
        {"LTO6", "A000001", "Data Centre", "", "North Vault", "ACME.CONT.CN0001", "OK"},
        {"LTO6", "A000002", "Data Centre", "", "North Vault", "No-Container", "OK"},
        {"LTO6", "A000012", "Tape Library", "*", "North Vault", "No-Container", "OK"},
        {"CONT", "CN0001", "Data Centre", "", "North Vault", "*", "OK"},
        {"LTO6", "NEW001", "", "", "", "No-Container", nullptr},
        {"LTO6", "A000002", "Data Centre", "", "North Vault", "No-Container", "OK"},
    };
    for (const ScanRow& s : scans)
        QCOMPARE(page->OnScan(CZELV10RC(), Scanned("ACME", s.media, s.volume)), 0u);
    QCOMPARE(page->OnScan(CZELV10RC(ZELV10RC_BADBARCODE, QStringLiteral("bad label")),
                          Scanned("", "", "")),
             uint32_t(ZELV10RC_BADBARCODE));
    QCOMPARE(list.GetItemCount(), int(std::size(scans)));
    for (int row = 0; row < int(std::size(scans)); ++row) {
        const ScanRow& s = scans[row];
        const auto cell = [&](int column) { return list.GetItemText(row, column); };
        QCOMPARE(cell(Page::ColCustomer), QStringLiteral("ACME"));
        QCOMPARE(cell(Page::ColVolume), QLatin1String(s.volume));
        QCOMPARE(cell(Page::ColCurrent), QLatin1String(s.current));
        QCOMPARE(cell(Page::ColLocation), *s.location ? slot : QString());
        QCOMPARE(cell(Page::ColNext), QLatin1String(s.next));
        if (*s.container != '*')
            QCOMPARE(cell(Page::ColContainer), QLatin1String(s.container));
        if (s.message)
            QCOMPARE(cell(Page::ColMessage), QLatin1String(s.message));
        else
            QVERIFY(!cell(Page::ColMessage).isEmpty() && cell(Page::ColMessage) != "OK");
    }
    QCOMPARE(list.Rows()->Image(3, Page::ColCustomer), 1); // the Container

    // Filters hide rows, keep them, and "No-Container" is a text like any other.
    list.SetFilterText(Page::ColContainer, QStringLiteral("No-Container"));
    QCOMPARE(Column(list, Page::ColVolume),
             (QStringList{"A000002", "A000012", "NEW001", "A000002"}));
    list.SetFilterText(Page::ColContainer, QString());
    QCOMPARE(list.GetItemCount(), int(std::size(scans)));

    ResultCloser closer(this);
    // The unknown Volume is added at INIT and read back.
    SelectOnly(list, {"NEW001"});
    page->AddSelected();
    QCOMPARE(closer.shown, 1);
    QVERIFY(closer.text.contains(QStringLiteral("ACME.LTO6.NEW001\tOK")));
    QCOMPARE(list.GetItemText(RowOf(list, "NEW001"), Page::ColMessage), QStringLiteral("OK"));
    QCOMPARE(list.GetItemText(RowOf(list, "NEW001"), Page::ColCurrent),
             QStringLiteral("Initial Repository"));

    // Confirmed at the next Repository: sent and arrived. A Repository
    // without a next one is refused before the server is asked.
    SelectOnly(list, {"A000002", "NEW001"});
    page->ConfirmSelected();
    QCOMPARE(closer.shown, 2);
    QVERIFY(closer.text.contains(QStringLiteral("ACME.LTO6.A000002\tOK")));
    QVERIFY(closer.text.contains(QStringLiteral("ACME.LTO6.NEW001\t")));
    QVERIFY(!closer.text.contains(QStringLiteral("ACME.LTO6.NEW001\tOK")));
    QCOMPARE(list.GetItemText(RowOf(list, "A000002"), Page::ColCurrent),
             QStringLiteral("North Vault"));

    // A Container expanded: its contents join the list at the end.
    SelectOnly(list, {"CN0001", "A000012"});
    page->ExpandSelected();
    QCOMPARE(list.GetItemCount(), int(std::size(scans)) + 1);
    QCOMPARE(list.GetItemText(list.GetItemCount() - 1, Page::ColVolume), QStringLiteral("A000001"));

    CZELV10MFC mfc;
    mfc.SetServerAddress(db.Address());
    QVERIFY(mfc.Logon(1).IsOK());
    QCOMPARE(Stored(mfc, "LTO6", "A000002"), QStringLiteral("VLT1 VLT1"));
    QCOMPARE(Stored(mfc, "LTO6", "NEW001"), QStringLiteral("INIT INIT"));
    QCOMPARE(Stored(mfc, "LTO6", "A000001"), QStringLiteral("DC01 DC01"));

    // Next empties the list.
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
    QCOMPARE(page->Items().size(), size_t(0));
    QCOMPARE(list.GetItemCount(), 0);

    const QStringList log = run.LogTexts();
    for (const QString& line :
         {QStringLiteral("Scan-To-List: Error scanning Volume: The barcode is not a Volume "
                         "identifier: bad label"),
          QStringLiteral("Scan-To-List: Adding Volume: ACME.LTO6.NEW001 - OK"),
          QStringLiteral("Scan-To-List: Confirming Volume: ACME.LTO6.A000002 at VLT1 - OK")})
        QVERIFY2(log.contains(line), qPrintable(line + QStringLiteral("\n") + log.join('\n')));
}

// A handheld scanner's file, loaded in the page's scanning window, lists the
// same rows as scanning its lines one by one.
void ScanToListWorkflowTest::batchFileListsAsScansDo() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    DeskRun run;
    Page* page = OpenPage(run, db);
    QVERIFY(page);
    CZELVDeskSheet& sheet = run.Sheet();
    CZELVListCtrl& list = *page->List();

    const QStringList lines = {"ACME.LTO6.A000001", "ACME.LTO6.NOSUCH", "ACME.LTO6.A000012",
                               "ACME.CONT.CN0001", "ACME.LTO6.A000001"};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shelf.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF");
    for (const QString& line : lines)
        file.write("2026-12-08 09:00:00," + line.toUtf8() + "\r\n\r\n");
    file.close();

    const auto rows = [&list] {
        QStringList out;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            QStringList cells;
            for (int c = 0; c < Page::ColumnCount; ++c)
                cells << list.GetItemText(row, c);
            out << cells.join('|');
        }
        return out;
    };
    CZELV10ScanDlg window(sheet.Connection(), page->ScanArgs(), QStringLiteral("List Volumes"));
    QString summary;
    QVERIFY(window.LoadScansFromFile(path, &summary));
    QCOMPARE(summary, QStringLiteral("shelf.txt: 5 scans, 5 accepted, 0 not accepted."));
    const QStringList fromFile = rows();
    QCOMPARE(fromFile.size(), lines.size());

    QVERIFY(sheet.GoBack()); // empties the list
    QVERIFY(run.ChooseTask(QStringLiteral("List")));
    page->Timer(Page::kScanTimer)->stop();
    QCOMPARE(list.GetItemCount(), 0);
    for (const QString& line : lines) {
        const QStringList key = line.split('.');
        page->OnScan(CZELV10RC(),
                     Scanned(qPrintable(key[0]), qPrintable(key[1]), qPrintable(key[2])));
    }
    QCOMPARE(rows(), fromFile);
}

int main(int argc, char** argv) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    ScanToListWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScanToListWorkflowTest.moc"
