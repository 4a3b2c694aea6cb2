// Scan-In from end to end on the demo data set, on both engines: the operator
// picks the Customer and the Scan-In Repository, scans through the scanning
// window and confirms rows with Space; the test then reads what was shown,
// spoken and played, the transaction log line by line, and the Volumes as the
// server holds them. The Recall update pass runs on the same data.
#include "CustomerPage.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "IntroPage.h"
#include "OwnPgCluster.h"
#include "ReceiveLocationPage.h"
#include "ReceiveVolumesPage.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELV10ScanDlg.h"
#include "ZELVListCtrl.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPairStatic.h"
#include "ZELVPopup.h"
#include "ZelvDemo.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <unistd.h>

namespace {

// The routing table of these tests: two Finance Volumes of LTO6 go on to the
// auto-confirm vault VLT2; LTO8 Volumes received at DC01 go to the library.
const char* const kRouting = R"(
routing = (
  { volume = { target = "VLT2"; barcode = "*.LTO6.A0000[15]8"; datacluster = "Finance"; }; },
  { volume = { target = "LIB1"; barcode = "*.LTO8.*"; source = "DC01"; }; }
);)";

// The demo data set with two more Volumes whose identifier an LTO6 Volume
// also has: LTO8 A000038 on its way from VLT1 to DC01, LTO8 A000058 at rest
// in DC01.
CZELV10RC AddLookAlikes(CZELV10MFC& mfc) {
    CZELV10RC rc;
    for (const char* extra : {"A000038", "A000058"}) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = "LTO8";
        v.key.volumeId = extra;
        const bool travelling = QByteArray(extra) == "A000038";
        for (ZELVVOLLOC& location : v.vol.location)
            location.repositoryId = travelling ? "VLT1" : "DC01";
        v.vol.Target().repositoryId = "DC01";
        if (rc.IsOK())
            rc = mfc.Add(v);
    }
    return rc;
}

QString Config(const QString& logs, const QString& routing = QString::fromUtf8(kRouting)) {
    return QStringLiteral("options = { logfile = \"%1\"; };\n").arg(logs) + routing;
}

// The scan log as "image text".
QStringList ScanLogLines(const CReceiveVolumesPage& page) {
    QStringList lines;
    CZELVLogListCtrl& log = *page.ScanLog();
    for (int row = 0; row < log.GetItemCount(); ++row)
        lines.append(QString::number(log.Model()->Items().Image(row, 0)) + QLatin1Char(' ') +
                     log.GetItemText(row, 0));
    return lines;
}

// The transaction-log lines of the Scan-In page and the routing step.
QStringList ScanInLog(const DeskRun& run) {
    QStringList lines;
    for (const QString& line : run.LogTexts())
        if (line.startsWith(QLatin1String("Scan-In: ")))
            lines.append(line);
    return lines;
}

// Notifications open now as "title|line1|line2|icon".
QStringList Notices(DeskRun& run) {
    QStringList notices;
    for (const CZELVPopup* popup : run.App().Popups().OpenPopups()) {
        const ZELVNotification& n = popup->Notification();
        notices.append(QStringLiteral("%1|%2|%3|%4").arg(n.title, n.line1, n.line2).arg(n.icon));
    }
    return notices;
}

// Lets timer 1 open the scanning window, feeds it the barcodes as a scanner
// would and closes it. Returns the outcome the window got for each.
QList<uint32_t> ScanThroughWindow(CZELVDeskSheet& sheet, CReceiveVolumesPage& page,
                                  const QStringList& barcodes, QString* caption = nullptr) {
    QList<uint32_t> outcomes;
    QTimer::singleShot(0, &sheet, [&]() {
        auto* window = sheet.findChild<CZELV10ScanDlg*>();
        if (!window)
            return;
        if (caption)
            *caption = window->windowTitle();
        for (const QString& barcode : barcodes)
            window->SubmitBarcode(barcode);
        for (const CZELV10ScanDlg::Scan& scan : window->Scans())
            outcomes.append(scan.outcome);
        window->accept();
    });
    page.OnTimer(CReceiveVolumesPage::kScanTimer);
    return outcomes;
}

ZELVVOLS Stored(CZELV10MFC& mfc, const char* media, const char* volume) {
    ZELVVOLS v;
    mfc.Get(&v, QStringLiteral("ACME"), QString::fromLatin1(media), QString::fromLatin1(volume));
    return v;
}

QString Where(CZELV10MFC& mfc, const char* media, const char* volume) {
    const ZELVVOLS v = Stored(mfc, media, volume);
    return v.Current().repositoryId.Text() + QStringLiteral(">") + v.Target().repositoryId.Text();
}

} // namespace

class ScanInWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void scanInFromTheTaskMenuToTheServer();
    void expectedListShowsWhereEachVolumeComesFromAndGoes();
    void lastVolumeScannedFromTheWindowIsAnnounced();
    void lastRowsConfirmedWithSpaceAreNotAnnouncedAndReloadFindsNothing();
    void locationPageWithNothingIncomingGoesBack();
    void exampleRoutingOfTheShippedConfigurationFitsTheDemoData();
    void recallUpdatePassRedirectsEachVolumeAndShowsTheResults();
    void scansWhileTheServerIsStoppedAreKeptAndReplayed();

private:
    // The demo database for the engine of this round; false skips.
    bool MakeDatabase(DemoDatabase& db);
    // From the task menu to the Volumes page with the Repository chosen.
    CReceiveVolumesPage* OpenVolumesPage(DeskRun& run, const QString& repository);
};

void ScanInWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

bool ScanInWorkflowTest::MakeDatabase(DemoDatabase& db) {
    return MakeForEngine(db, AddLookAlikes);
}

CReceiveVolumesPage* ScanInWorkflowTest::OpenVolumesPage(DeskRun& run, const QString& repository) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!run.ChooseTask(QStringLiteral("Scan-In")) || run.ActivePageId() != IDD_CUSTOMER)
        return nullptr;
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_RECEIVE_LOCATION)
        return nullptr;
    auto* location = qobject_cast<CReceiveLocationPage*>(sheet.GetActivePage());
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == repository)
            location->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_RECEIVE_VOLUMES)
        return nullptr;
    return qobject_cast<CReceiveVolumesPage*>(sheet.GetActivePage());
}

void ScanInWorkflowTest::scanInFromTheTaskMenuToTheServer() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});

    // The location page offers the Repositories that Volumes travel to.
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(ChooseCustomer(run, "ACME"));
    QCOMPARE(run.ActivePageId(), int(IDD_RECEIVE_LOCATION));
    QCOMPARE(sheet.Customer(), QStringLiteral("ACME"));
    auto* location = qobject_cast<CReceiveLocationPage*>(sheet.GetActivePage());
    QStringList offered;
    for (int row = 0; row < location->List()->GetItemCount(); ++row)
        offered.append(location->List()->RepositoryAt(row)->repositoryId.Text());
    offered.sort();
    QCOMPARE(offered,
             (QStringList{QStringLiteral("DC01"), QStringLiteral("LIB1"), QStringLiteral("VLT1")}));
    // Next without a choice: the list asks, and the page stays.
    run.Prompter().Answer(PromptNo);
    QVERIFY(!sheet.GoNext() || run.ActivePageId() == IDD_RECEIVE_LOCATION);
    QCOMPARE(run.ActivePageId(), int(IDD_RECEIVE_LOCATION));
    QCOMPARE(run.PromptTexts(),
             QStringList{QStringLiteral("You must select a Repository before you can proceed")});
    run.Prompter().Clear();
    for (int row = 0; row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_RECEIVE_VOLUMES));
    QCOMPARE(sheet.Repository(), QStringLiteral("DC01"));
    auto* page = qobject_cast<CReceiveVolumesPage*>(sheet.GetActivePage());
    QVERIFY(page);
    // The expected list's model stays consistent while rows leave it.
    QAbstractItemModelTester tester(page->ExpectedList()->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);

    // What is expected at DC01: Media Type by Media Type, by identifier; the
    // Volumes whose return the rotation planned for later are not offered.
    const QStringList expected = {
        QStringLiteral("ACME.LTO6.A000018"), QStringLiteral("ACME.LTO6.A000038"),
        QStringLiteral("ACME.LTO6.A000058"), QStringLiteral("ACME.LTO6.A000078"),
        QStringLiteral("ACME.LTO8.A000038"), QStringLiteral("ACME.LTO8.B000018"),
        QStringLiteral("ACME.LTO8.B000038")};
    QCOMPARE(Column(*page->ExpectedList(), 0), expected);
    QCOMPARE(page->Tabs()->tabText(0), QStringLiteral("Scan-In List (7)"));
    QCOMPARE(page->Tabs()->tabText(1), QStringLiteral("Scan-In Log"));
    QCOMPARE(page->CustomerPair()->GetValue(), QStringLiteral("ACME - Acme Corporation"));
    QCOMPARE(page->RepositoryPair()->GetValue(), QStringLiteral("DC01 - Data Centre"));
    QVERIFY(page->Timer(CReceiveVolumesPage::kScanTimer)->isActive());
    QCOMPARE(page->Timer(CReceiveVolumesPage::kScanTimer)->interval(), 1000);
    const ZELVSCANVOLUMEARGS args = page->ScanArgs();
    QCOMPARE(args.size, 36u);
    QCOMPARE(args.message, kZelvScanMessage);
    QCOMPARE(args.customerId.Text(), QStringLiteral("ACME"));
    QCOMPARE(args.mediaId.Text(), QStringLiteral("LTO6"));
    QCOMPARE(args.config, &sheet.Config());
    QVERIFY(run.Prompter().Asked().isEmpty());

    // The scanning window opens one second after activation.
    run.Voice()->Clear();
    run.sounds.Clear();
    const int noticesBefore = int(Notices(run).size()); // the task menu's own
    QString caption;
    const QList<uint32_t> outcomes =
        ScanThroughWindow(sheet, *page,
                          {QStringLiteral("A000018"),           // confirmed, routed on to VLT2
                           QStringLiteral("A000018"),           // again: no longer in the list
                           QStringLiteral("A000038"),           // the LTO6 one; LTO8's stays
                           QStringLiteral("ACME.LTO8.A000058"), // known, but not on its way here
                           QStringLiteral("ZZ9999"),            // unknown to the server
                           QStringLiteral("A00 0018"),          // blank inside
                           QStringLiteral("A0000\x01"
                                          "18"),           // control character
                           QString(200, QLatin1Char('A')), // far too long
                           QStringLiteral("  A000058  ")}, // blanks around are dropped
                          &caption);
    QCOMPARE(caption, QStringLiteral("Scan-In Volumes"));
    QCOMPARE(outcomes, (QList<uint32_t>{0, 61, 0, 61, 61, 262, 262, 261, 0}));
    QVERIFY(!page->Timer(CReceiveVolumesPage::kScanTimer)->isActive());

    // Three rows with Space; the middle one was taken off the server meanwhile.
    QVERIFY(db.Exec(QStringLiteral("DELETE FROM volume WHERE customer_id = 'ACME' AND "
                                   "media_id = 'LTO8' AND volume_id = 'A000038'")));
    QCOMPARE(
        Column(*page->ExpectedList(), 0),
        (QStringList{QStringLiteral("ACME.LTO6.A000078"), QStringLiteral("ACME.LTO8.A000038"),
                     QStringLiteral("ACME.LTO8.B000018"), QStringLiteral("ACME.LTO8.B000038")}));
    for (int row : {0, 1, 3})
        page->ExpectedList()->SetItemSelected(row, true);
    QTest::keyClick(page->ExpectedList()->Table(), Qt::Key_Space);

    QCOMPARE(Column(*page->ExpectedList(), 0), (QStringList{QStringLiteral("ACME.LTO8.A000038"),
                                                            QStringLiteral("ACME.LTO8.B000018")}));
    QCOMPARE(page->Tabs()->tabText(0), QStringLiteral("Scan-In List (2)"));
    QCOMPARE(Column(*page->ScannedItems(), 0),
             (QStringList{QStringLiteral("ACME.LTO8.B000038"), QStringLiteral("ACME.LTO6.A000078"),
                          QStringLiteral("ACME.LTO6.A000058"), QStringLiteral("ACME.LTO6.A000038"),
                          QStringLiteral("ACME.LTO6.A000018")}));

    // What the operator saw in the scan log.
    const QString missing = QStringLiteral("Volume not found: ACME.LTO8.A000038");
    QCOMPARE(ScanLogLines(*page),
             (QStringList{
                 QStringLiteral("0 Checking Routing table. Volume(ACME.LTO6.A000018)"),
                 QStringLiteral("0 Table has 2 elements"),
                 QStringLiteral("0 Checking element 1"),
                 QStringLiteral("0 Volume is cleared for routing to South Vault"),
                 QStringLiteral("0 Post-route confirm: OK"),
                 QStringLiteral("2 Error scanned barcode ACME.LTO6.A000018."),
                 QStringLiteral("0 Checking Routing table. Volume(ACME.LTO6.A000038)"),
                 QStringLiteral("0 Table has 2 elements"),
                 QStringLiteral("0 Checking element 1"),
                 QStringLiteral("0 Volume does not match Barcode filter (*.LTO6.A0000[15]8)"),
                 QStringLiteral("0 Checking element 2"),
                 QStringLiteral("0 Volume does not match Barcode filter (*.LTO8.*)"),
                 QStringLiteral("2 Error scanned barcode ACME.LTO8.A000058."),
                 QStringLiteral("2 Error scanned barcode ACME.LTO6.ZZ9999."),
                 QStringLiteral("0 Checking Routing table. Volume(ACME.LTO6.A000058)"),
                 QStringLiteral("0 Table has 2 elements"),
                 QStringLiteral("0 Checking element 1"),
                 QStringLiteral("0 Volume is cleared for routing to South Vault"),
                 QStringLiteral("0 Post-route confirm: OK"),
                 QStringLiteral("0 Checking Routing table. Volume(ACME.LTO6.A000078)"),
                 QStringLiteral("0 Table has 2 elements"),
                 QStringLiteral("0 Checking element 1"),
                 QStringLiteral("0 Volume does not match Barcode filter (*.LTO6.A0000[15]8)"),
                 QStringLiteral("0 Checking element 2"),
                 QStringLiteral("0 Volume does not match Barcode filter (*.LTO8.*)"),
                 QStringLiteral("2 Error scanning barcode ACME.LTO8.A000038."),
                 QStringLiteral("0 Checking Routing table. Volume(ACME.LTO8.B000038)"),
                 QStringLiteral("0 Table has 2 elements"),
                 QStringLiteral("0 Checking element 1"),
                 QStringLiteral("0 Volume does not match Barcode filter (*.LTO6.A0000[15]8)"),
                 QStringLiteral("0 Checking element 2"),
                 QStringLiteral("0 Volume is cleared for routing to Tape Library"),
             }));

    // What was spoken and played.
    QCOMPARE(run.Voice()->Said(),
             (QStringList{QStringLiteral("The Volume scanned was not in the list"),
                          QStringLiteral("The Volume scanned was not in the list"),
                          QStringLiteral("The Volume scanned was not in the list"),
                          QStringLiteral("There was an error confirming this Volume")}));
    QCOMPARE(run.sounds.Played(), (QList<int>{232, 232, 232}));
    QCOMPARE(
        Notices(run).mid(noticesBefore),
        (QStringList{
            QStringLiteral("Scan Routed|Volume ACME.LTO6.A000018 routed to South Vault.||367"),
            QStringLiteral("Scan Error|Error scanned barcode ACME.LTO6.A000018.|Item is not in "
                           "the list.|356"),
            QStringLiteral("Scan Error|Error scanned barcode ACME.LTO8.A000058.|Item is not in "
                           "the list.|356"),
            QStringLiteral(
                "Scan Error|Error scanned barcode ACME.LTO6.ZZ9999.|Item is not in the list.|356"),
            QStringLiteral("Scan Routed|Volume ACME.LTO6.A000058 routed to South Vault.||367"),
            QStringLiteral("Scan Error|Error scanning barcode ACME.LTO8.A000038.|") + missing +
                QStringLiteral("|356"),
            QStringLiteral("Scan Routed|Volume ACME.LTO8.B000038 routed to Tape Library.||367"),
        }));

    // The transaction log, line by line.
    const QStringList log = ScanInLog(run);
    QCOMPARE(log.size(), 17);
    QCOMPARE(
        log.mid(0, 5),
        (QStringList{
            QStringLiteral("Scan-In: Confirming Volume: ACME.LTO6.A000018 - OK"),
            QStringLiteral("Scan-In: Routed Volume: ACME.LTO6.A000018 to VLT2 - OK"),
            QStringLiteral("Scan-In: Post-route confirm: OK"),
            QStringLiteral(
                "Scan-In: Error Confirming volume: ACME.LTO6.A000018 as it was not in the list"),
            QStringLiteral("Scan-In: Confirming Volume: ACME.LTO6.A000038 - OK"),
        }));
    QCOMPARE(
        log.mid(5, 2),
        (QStringList{
            QStringLiteral(
                "Scan-In: Error Confirming volume: ACME.LTO8.A000058 as it was not in the list"),
            QStringLiteral(
                "Scan-In: Error Confirming volume: ACME.LTO6.ZZ9999 as it was not in the list"),
        }));
    // Barcodes the server cannot read: logged with the reason (a control
    // character made visible), nothing confirmed.
    const QString notAnId = QStringLiteral(
        "Scan-In: Error scanning Volume: The barcode is not a Volume identifier: Invalid "
        "identifier: Volume-ID \"%1\" contains a character that is not allowed (only letters, "
        "digits, \"-\" and \"_\")");
    QCOMPARE(log.mid(7, 3),
             (QStringList{notAnId.arg(QStringLiteral("A00 0018")),
                          notAnId.arg(QStringLiteral("A0000\\x0118")),
                          QStringLiteral("Scan-In: Error scanning Volume: The barcode is longer "
                                         "than 10 characters: \"") +
                              QString(200, QLatin1Char('A')) + QLatin1Char('"')}));
    QCOMPARE(log.mid(10),
             (QStringList{
                 QStringLiteral("Scan-In: Confirming Volume: ACME.LTO6.A000058 - OK"),
                 QStringLiteral("Scan-In: Routed Volume: ACME.LTO6.A000058 to VLT2 - OK"),
                 QStringLiteral("Scan-In: Post-route confirm: OK"),
                 QStringLiteral("Scan-In: Confirming Volume: ACME.LTO6.A000078 - OK"),
                 QStringLiteral("Scan-In: Confirming Volume: ACME.LTO8.A000038 - ") + missing,
                 QStringLiteral("Scan-In: Confirming Volume: ACME.LTO8.B000038 - OK"),
                 QStringLiteral("Scan-In: Routed Volume: ACME.LTO8.B000038 to LIB1 - OK"),
             }));
    // The Volumes as the server has them now.
    CZELV10MFC& mfc = sheet.Connection();
    QCOMPARE(Where(mfc, "LTO6", "A000018"), QStringLiteral("VLT2>VLT2"));
    QCOMPARE(Where(mfc, "LTO6", "A000038"), QStringLiteral("DC01>DC01"));
    QCOMPARE(Where(mfc, "LTO6", "A000058"), QStringLiteral("VLT2>VLT2"));
    QCOMPARE(Where(mfc, "LTO6", "A000078"), QStringLiteral("DC01>DC01"));
    QCOMPARE(Where(mfc, "LTO8", "B000038"), QStringLiteral("DC01>LIB1"));
    QCOMPARE(Where(mfc, "LTO8", "B000018"), QStringLiteral("VLT1>DC01"));
    QCOMPARE(Where(mfc, "LTO8", "A000058"), QStringLiteral("DC01>DC01"));
    QCOMPARE(Stored(mfc, "LTO6", "A000018").flags & (ZELVVOL_MOVING | ZELVVOL_SCANNEDOUT), 0u);
    QVERIFY(Stored(mfc, "LTO8", "B000038").flags & ZELVVOL_MOVING);
    std::vector<ZELVVOLHISTORY> history;
    QVERIFY(mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                     QStringLiteral("A000018"))
                .IsOK());
    QStringList confirmedAt;
    for (const ZELVVOLHISTORY& h : history)
        if (h.field.Text() == QLatin1String("confirmed_at"))
            confirmedAt.append(h.newValue);
    QCOMPARE(confirmedAt.size(), 2);
    QVERIFY(confirmedAt[0].startsWith(QLatin1String("DC01")));
    QVERIFY(confirmedAt[1].startsWith(QLatin1String("VLT2")));
    // The unexpected scans are on record for the audit.
    std::vector<ZELVSCANREPORT> reports;
    QVERIFY(mfc.List(&reports).IsOK());
    QStringList reported;
    for (const ZELVSCANREPORT& r : reports)
        reported.append(r.key.Text());
    QCOMPARE(reported,
             (QStringList{QStringLiteral("ACME.LTO6.A000018"), QStringLiteral("ACME.LTO8.A000058"),
                          QStringLiteral("ACME.LTO6.ZZ9999")}));

    // Next: the work is on the server already; the final page follows.
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
}

void ScanInWorkflowTest::expectedListShowsWhereEachVolumeComesFromAndGoes() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    run.Start({db.AddressText()});

    // LIB1: the target slots resolve to their zone.
    CReceiveVolumesPage* page = OpenVolumesPage(run, QStringLiteral("LIB1"));
    QVERIFY(page);
    const CZELVListCtrl& list = *page->ExpectedList();
    QCOMPARE(
        Column(list, 0),
        (QStringList{QStringLiteral("ACME.LTO6.A000019"), QStringLiteral("ACME.LTO6.A000039"),
                     QStringLiteral("ACME.LTO6.A000059"), QStringLiteral("ACME.LTO6.A000079"),
                     QStringLiteral("ACME.LTO8.B000019"), QStringLiteral("ACME.LTO8.B000039")}));
    QCOMPARE(Column(list, 1), QStringList(6, QStringLiteral("Data Centre")));
    QCOMPARE(Column(list, 2), QStringList(6, QStringLiteral("No")));
    QCOMPARE(Column(list, 3),
             (QStringList{QStringLiteral("Rack A 0019"), QStringLiteral("Rack A 0039"),
                          QStringLiteral("Rack A 0059"), QStringLiteral("Rack A 0079"),
                          QStringLiteral("Rack A 0019"), QStringLiteral("Rack A 0039")}));
    CZELVListRows* rows = list.Rows();
    QCOMPARE(rows->Image(0, 0), 0);                                             // a Volume
    QCOMPARE(rows->Image(0, 1), CReceiveVolumesPage::kRepositoryImageBase + 1); // data centre
    QCOMPARE(rows->Image(0, 3), 2);                                             // a location

    // Back goes to the task menu; the page keeps nothing.
    QVERIFY(run.Sheet().GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QVERIFY(!page->Timer(CReceiveVolumesPage::kScanTimer)->isActive());

    // VLT1: scanned-out Volumes say so; Containers have their own image; the
    // Volumes that arrived there and whose return is planned are not listed.
    page = OpenVolumesPage(run, QStringLiteral("VLT1"));
    QVERIFY(page);
    const QStringList volumes = Column(*page->ExpectedList(), 0);
    QVERIFY(volumes.contains(QStringLiteral("ACME.CONT.CN0011")));
    QVERIFY(volumes.contains(QStringLiteral("ACME.LTO6.A000016")));
    QVERIFY(!volumes.contains(QStringLiteral("ACME.LTO6.A000015"))); // arrived already
    const int container = volumes.indexOf(QStringLiteral("ACME.CONT.CN0011"));
    const int scannedOut = volumes.indexOf(QStringLiteral("ACME.LTO6.A000016"));
    QCOMPARE(page->ExpectedList()->Rows()->Image(container, 0), 1);
    QCOMPARE(page->ExpectedList()->GetItemText(scannedOut, 2), QStringLiteral("Yes"));
    QCOMPARE(page->ExpectedList()->GetItemText(scannedOut, 1), QStringLiteral("Data Centre"));
    QCOMPARE(page->ExpectedList()->GetItemText(scannedOut, 3), QString());
    QCOMPARE(page->ExpectedList()->Rows()->Image(scannedOut, 3), -1);
    // The context menu holds the one entry that confirms the selected rows.
    const QList<QAction*> popups = page->ContextMenu()->actions();
    QCOMPARE(popups.size(), 1);
    QCOMPARE(popups[0]->menu()->actions().size(), 1);
    QCOMPARE(popups[0]->menu()->actions()[0]->text(), QStringLiteral("&Scan"));

    // F5 lists the same Volumes again and empties Scanned Items.
    QCOMPARE(ScanThroughWindow(run.Sheet(), *page, {QStringLiteral("ACME.LTO6.A000016")}),
             QList<uint32_t>{0});
    QCOMPARE(page->ScannedItems()->GetItemCount(), 1);
    QTest::keyClick(page->ExpectedList()->Table(), Qt::Key_F5);
    QCOMPARE(page->ScannedItems()->GetItemCount(), 0);
    QCOMPARE(Column(*page->ExpectedList(), 0).size(), volumes.size() - 1);
}

void ScanInWorkflowTest::lastVolumeScannedFromTheWindowIsAnnounced() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    run.Start({db.AddressText()});
    CReceiveVolumesPage* page = OpenVolumesPage(run, QStringLiteral("LIB1"));
    QVERIFY(page);
    run.Voice()->Clear();

    const QList<uint32_t> outcomes = ScanThroughWindow(
        run.Sheet(), *page,
        {QStringLiteral("A000019"), QStringLiteral("A000039"), QStringLiteral("A000059"),
         QStringLiteral("A000079"), QStringLiteral("ACME.LTO8.B000019"),
         QStringLiteral("ACME.LTO8.B000039")});
    QCOMPARE(outcomes, (QList<uint32_t>{0, 0, 0, 0, 0, 0}));
    QCOMPARE(run.Voice()->Said(),
             QStringList{QStringLiteral("You have no remaining Volumes left to scan")});
    QCOMPARE(page->Tabs()->tabText(0), QStringLiteral("Scan-In List (0)"));
    // Without a "routing" table nothing is routed and the scan log stays empty.
    QCOMPARE(page->ScanLog()->GetItemCount(), 0);
    QVERIFY(run.LogTexts().filter(QStringLiteral("Routed")).isEmpty());
    // Each arrived in its slot.
    const ZELVVOLS arrived = Stored(run.Sheet().Connection(), "LTO6", "A000039");
    QCOMPARE(arrived.Current().repositoryId.Text(), QStringLiteral("LIB1"));
    QCOMPARE(arrived.Current().slot, 39u);
}

void ScanInWorkflowTest::lastRowsConfirmedWithSpaceAreNotAnnouncedAndReloadFindsNothing() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    run.Start({db.AddressText()});
    CReceiveVolumesPage* page = OpenVolumesPage(run, QStringLiteral("LIB1"));
    QVERIFY(page);
    run.Voice()->Clear();

    // The context menu's "&Scan" does what Space does.
    page->ExpectedList()->SelectAll();
    page->ContextMenu()->actions()[0]->menu()->actions()[0]->trigger();
    QCOMPARE(page->ExpectedList()->GetItemCount(), 0);
    QCOMPARE(page->ScannedItems()->GetItemCount(), 6);
    QVERIFY(run.Voice()->Said().isEmpty());
    QCOMPARE(ScanInLog(run).size(), 6);

    // Nothing left: the page says so, and the window gets no Media Type.
    QTest::keyClick(page->ExpectedList()->Table(), Qt::Key_F5);
    QCOMPARE(run.PromptTexts(),
             QStringList{QStringLiteral("There are no Volumes to Scan-In that match the criteria "
                                        "that you have selected")});
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("No matching Volumes")});
    QVERIFY(page->ScanArgs().mediaId.IsEmpty());
    QCOMPARE(page->ScanArgs().customerId.Text(), QStringLiteral("ACME"));
    // The window still opens, and a scan in it finds no row.
    QCOMPARE(ScanThroughWindow(run.Sheet(), *page, {QStringLiteral("ACME.LTO6.A000019")}),
             QList<uint32_t>{61});
}

void ScanInWorkflowTest::locationPageWithNothingIncomingGoesBack() {
    // One Customer whose only Volume is at rest: the Customer page is skipped,
    // and the location page, with nothing to offer, says so and goes back.
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddRepository("DC01", "Data Centre"));
    QVERIFY(db.AddRepository("VLT1", "Vault"));
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(db.AddMedia("ACME", "LTO6"));
    QVERIFY(db.AddVolume("ACME", "LTO6", "000001", "DC01"));
    db.Release();
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    run.Flush();
    QCOMPARE(run.PromptTexts(),
             QStringList{QStringLiteral(
                 "There are no Volumes to be scanned in for the selected Customer")});
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("No items")});
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
}

void ScanInWorkflowTest::exampleRoutingOfTheShippedConfigurationFitsTheDemoData() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    // The shipped example's "routing" section, taken in as an operator would.
    QFile example(QStringLiteral(ZELV_EXAMPLE_CONFIG));
    QVERIFY(example.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList routing;
    bool inside = false;
    for (const QString& line : QString::fromUtf8(example.readAll()).split(QLatin1Char('\n'))) {
        inside |= line.startsWith(QLatin1String("# routing ="));
        if (inside)
            routing.append(line.mid(2));
        if (inside && line.startsWith(QLatin1String("# );")))
            break;
    }
    QVERIFY(routing.size() > 3);
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), routing.join(QLatin1Char('\n'))));
    run.Start({db.AddressText()});

    // At the North Vault: a Payroll tape goes on to the South Vault and is
    // confirmed there; a tape without a Data-Cluster stays. (The first row
    // there is a Container, so a bare identifier would be read as one.)
    CReceiveVolumesPage* page = OpenVolumesPage(run, QStringLiteral("VLT1"));
    QVERIFY(page);
    QCOMPARE(ScanThroughWindow(
                 run.Sheet(), *page,
                 {QStringLiteral("ACME.LTO6.A000017"), QStringLiteral("ACME.LTO6.A000016")}),
             (QList<uint32_t>{0, 0}));
    CZELV10MFC& mfc = run.Sheet().Connection();
    QCOMPARE(Where(mfc, "LTO6", "A000017"), QStringLiteral("VLT2>VLT2"));
    QCOMPARE(Where(mfc, "LTO6", "A000016"), QStringLiteral("VLT1>VLT1"));
    QVERIFY(ScanLogLines(*page).contains(QStringLiteral("0 Post-route confirm: OK")));
    QCOMPARE(ScanInLog(run).filter(QStringLiteral("Routed")),
             QStringList{QStringLiteral("Scan-In: Routed Volume: ACME.LTO6.A000017 to VLT2 - OK")});

    // At the data centre: LTO-8 tapes go into the library.
    QVERIFY(run.Sheet().GoBack());
    page = OpenVolumesPage(run, QStringLiteral("DC01"));
    QVERIFY(page);
    QCOMPARE(ScanThroughWindow(run.Sheet(), *page,
                               {QStringLiteral("ACME.LTO8.B000018"), QStringLiteral("A000018")}),
             (QList<uint32_t>{0, 0}));
    QCOMPARE(Where(mfc, "LTO8", "B000018"), QStringLiteral("DC01>LIB1"));
    QCOMPARE(Where(mfc, "LTO6", "A000018"), QStringLiteral("DC01>DC01"));
    // Each task writes a log of its own.
    QCOMPARE(ScanInLog(run).filter(QStringLiteral("Routed")),
             QStringList{QStringLiteral("Scan-In: Routed Volume: ACME.LTO8.B000018 to LIB1 - OK")});
}

void ScanInWorkflowTest::recallUpdatePassRedirectsEachVolumeAndShowsTheResults() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(sheet.OpenLogAndLogon(run.NewFolder(QStringLiteral("recall"))));
    sheet.SetTask(TaskRecall);
    sheet.SetCustomer(QStringLiteral("ACME"));
    CZELV10MFC& mfc = sheet.Connection();
    ZELVCONSIGNEx consignment;
    consignment.customerId = "ACME";
    uint32_t number = 0;
    QVERIFY(mfc.Put(consignment, &number).IsOK());

    for (const char* id : {"A000001", "NOPE01", "A000002"}) {
        CSelectedVolume entry;
        entry.volume.key.customerId = "ACME";
        entry.volume.key.mediaId = "LTO6";
        entry.volume.key.volumeId = id;
        entry.text1 = QStringLiteral("VLT1");
        entry.text2 = QStringLiteral("LTO6");
        sheet.RecallSelection().push_back(entry);
    }

    // The result list comes up at the end; the operator reads and closes it.
    QString counts;
    QStringList notes;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, this, [&]() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* results = qobject_cast<CZELV10RCListDlg*>(w);
            if (!results || !results->isVisible())
                continue;
            counts = results->ClipboardText();
            results->accept();
            closer.stop();
        }
    });
    closer.start();
    sheet.UpdateRecallSelection(number);
    closer.stop();

    QVERIFY(counts.contains(QStringLiteral("ACME.LTO6.A000001\tOK")));
    QVERIFY(counts.contains(QStringLiteral("ACME.LTO6.NOPE01\t")));
    const QStringList log = run.LogTexts();
    const int start = log.indexOf(QStringLiteral("Starting update for Customer(ACME)"));
    QVERIFY(start >= 0);
    QCOMPARE(log.mid(start, 5),
             (QStringList{QStringLiteral("Starting update for Customer(ACME)"),
                          QStringLiteral("ACME.LTO6.A000001: OK"),
                          QStringLiteral("ACME.LTO6.NOPE01: Volume not found: ACME.LTO6.NOPE01"),
                          QStringLiteral("ACME.LTO6.A000002: OK"),
                          QStringLiteral("Update complete: OK(2) NotOK(1)")}));
    for (const char* id : {"A000001", "A000002"}) {
        const ZELVVOLS v = Stored(mfc, "LTO6", id);
        QCOMPARE(v.Target().repositoryId.Text(), QStringLiteral("VLT1"));
        QCOMPARE(v.consignment, number);
        QVERIFY(v.flags & ZELVVOL_MOVING);
    }
    // The selection is the final page's to empty.
    QCOMPARE(sheet.RecallSelection().size(), size_t(3));
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    ScanInWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScanInWorkflowTest.moc"

// PostgreSQL stopped half way through a Scan-In and started again: the scans
// made meanwhile go to the workstation's journal, the page says so, and the
// replay confirms them with the version check; a Volume another operator
// changed meanwhile is reported and keeps the other operator's change.
void ScanInWorkflowTest::scansWhileTheServerIsStoppedAreKeptAndReplayed() {
    ZELV_DEMO_ON_OWN_CLUSTER(cluster, db, AddLookAlikes)

    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(Config(logs));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CReceiveVolumesPage* page = OpenVolumesPage(run, QStringLiteral("DC01"));
    QVERIFY(page);
    QVERIFY(page->JournalBanner()->isHidden());
    QCOMPARE(ScanThroughWindow(sheet, *page, {QStringLiteral("A000038")}), QList<uint32_t>{0});

    QVERIFY(cluster.Stop());
    const QList<uint32_t> kept{ZELV10RC_JOURNALED, ZELV10RC_JOURNALED, ZELV10RC_JOURNALED};
    QCOMPARE(ScanThroughWindow(sheet, *page,
                               {QStringLiteral("A000058"), QStringLiteral("A000078"),
                                QStringLiteral("ACME.LTO8.B000018")}),
             kept);
    QVERIFY(!page->JournalBanner()->isHidden());
    QVERIFY2(page->JournalBanner()->text().contains(QLatin1String("3 scans are kept")),
             qPrintable(page->JournalBanner()->text()));
    QCOMPARE(Column(*page->ScannedItems(), 0).size(), 4);
    QFile journal(QDir(logs).filePath(QStringLiteral("ScanJournal.txt")));
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QCOMPARE(journal.readAll().count('\n'), 3);
    journal.close();
    QCOMPARE(ScanInLog(run).filter(QStringLiteral("kept in the scanning journal")).size(), 3);
    QVERIFY(
        RetryDownThenReplayUp(cluster, db, *page, journal.fileName(), QStringLiteral("A000078")));
    CZELV10MFC server;
    server.SetServerAddress(db.Address());
    QVERIFY(server.Logon().IsOK());
    // Received and routed on as a live scan is (the routing of this file).
    QCOMPARE(Where(server, "LTO6", "A000058"), QStringLiteral("VLT2>VLT2"));
    QCOMPARE(Where(server, "LTO8", "B000018"), QStringLiteral("DC01>LIB1"));
    const ZELVVOLS changed = Stored(server, "LTO6", "A000078");
    QVERIFY(changed.Current().repositoryId.Text() != QLatin1String("DC01"));
    QCOMPARE(changed.threshold, uint16_t(77));
    const QStringList log = ScanInLog(run);
    QVERIFY(log.contains(QStringLiteral(
        "Scan-In: Scanning journal: Volume ACME.LTO6.A000078 not confirmed: the Volume was "
        "changed on the server after it was scanned")));
    QCOMPARE(log.filter(QStringLiteral("(from the scanning journal)")).size(), 2);

    // The next scan goes straight to the server again.
    QCOMPARE(ScanThroughWindow(sheet, *page, {QStringLiteral("ACME.LTO8.B000038")}),
             QList<uint32_t>{0});
}
