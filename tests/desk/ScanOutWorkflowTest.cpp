// Scan-Out from end to end on the demo data set, on both engines: the operator
// picks the Customer and the Scan-Out Repository, selects Containers by scan,
// scans the send list into them, sets the Containers' details; the test then
// reads what was shown, spoken and played, the transaction log line by line
// and the Volumes and Containers as the server holds them.
#include "CustomerPage.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "OwnPgCluster.h"
#include "SendContainerExtraDlg.h"
#include "SendContainerPage.h"
#include "SendContainerUpdatePage.h"
#include "SendLocationPage.h"
#include "SendVolumesPage.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELV10ScanDlg.h"
#include "ZELVListCtrl.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPopup.h"
#include "ZELVPropertyGridCtrl.h"
#include "manage/MoveDatePropertyGridProperty.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// ACME LTO6 Volumes of these tests, beside the demo data: three leaving the
// data centre (one of them already given Container CN0001), one on its way
// between the vaults and one at rest in the data centre.
struct ExtraVolume {
    const char* id;
    const char* at;
    const char* target;
    bool inFirstContainer;
};
const ExtraVolume kExtras[] = {
    {"S000001", "DC01", "VLT1", false}, {"S000002", "DC01", "VLT1", true},
    {"S000003", "DC01", "VLT2", false}, {"S000005", "VLT1", "VLT2", false},
    {"S000006", "DC01", "DC01", false},
};

uint32_t ContainerNumber(CZELV10MFC& mfc, const QString& volume) {
    std::vector<ZELV10CONTAINER> list;
    mfc.List(&list);
    for (const ZELV10CONTAINER& c : list)
        if (c.key.volumeId.Text() == volume)
            return c.number;
    return 0;
}

CZELV10RC AddScanOutVolumes(CZELV10MFC& mfc) {
    const uint32_t first = ContainerNumber(mfc, QStringLiteral("CN0001"));
    CZELV10RC rc;
    for (const ExtraVolume& e : kExtras) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = "LTO6";
        v.key.volumeId = e.id;
        for (ZELVVOLLOC& location : v.vol.location)
            location.repositoryId = e.at;
        v.vol.Target().repositoryId = e.target;
        if (e.inFirstContainer)
            v.vol.container = first;
        if (rc.IsOK())
            rc = mfc.Add(v);
    }
    // Another Customer's Container standing at the same data centre.
    ZELVMEDIAEx media;
    media.customerId = "GLBX";
    media.mediaId = "CONT";
    media.name = "Container";
    media.containerPattern = "CN*";
    if (rc.IsOK())
        rc = mfc.Add(media);
    ZELVVOLSEx other;
    other.key.customerId = "GLBX";
    other.key.mediaId = "CONT";
    other.key.volumeId = "CN0001";
    for (ZELVVOLLOC& location : other.vol.location)
        location.repositoryId = "DC01";
    if (rc.IsOK())
        rc = mfc.Add(other);
    return rc;
}

QString Config(const QString& logs, const QString& more = QString()) {
    return QStringLiteral("options = { logfile = \"%1\"; };\n").arg(logs) + more;
}

// The shipped configuration's example allocation table.
const char* const kAllocation = R"cfg(
allocation = (
  {
    volume = { barcode = "ACME.*"; datacluster = "Payroll"; };
    container = { datacluster = "Payroll"; };
    assignment = { datacluster = "Payroll"; barcode = "ACME.CONT.CN*"; };
  },
  { volume = { datacluster = "Archive"; allocation = false; }; },
  {
    volume = { barcode = "ACME.*"; target = "VLT1"; };
    container = { barcode = "ACME.CONT.CN*"; datacluster = "!(Payroll)"; };
  },
  { volume = { allocation = false; }; }
);)cfg";

QString Key(const char* volume, const char* media = "LTO6") {
    return QStringLiteral("ACME.%1.%2").arg(QLatin1String(media), QLatin1String(volume));
}

QStringList LogLines(const CZELVLogListCtrl& log) {
    QStringList lines;
    for (int row = 0; row < log.GetItemCount(); ++row)
        lines.append(QString::number(log.Model()->Items().Image(row, 0)) + QLatin1Char(' ') +
                     log.GetItemText(row, 0));
    return lines;
}

// Scanned Items as "root: child, child", the current root marked with "*".
QStringList Tree(const CSendVolumesPage& page) {
    QStringList roots;
    const QTreeWidget* tree = page.ScannedItems();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* root = tree->topLevelItem(i);
        QString text =
            (root == page.CurrentNode() ? QStringLiteral("*") : QString()) + root->text(0);
        QStringList children;
        for (int c = 0; c < root->childCount(); ++c)
            children.append(root->child(c)->text(0));
        if (!children.isEmpty())
            text += QStringLiteral(": ") + children.join(QStringLiteral(", "));
        roots.append(text);
    }
    return roots;
}

QStringList ScanOutLog(const DeskRun& run) {
    QStringList lines;
    for (const QString& line : run.LogTexts())
        if (line.startsWith(QLatin1String("Scan-Out: ")))
            lines.append(line);
    return lines;
}

QStringList Notices(DeskRun& run) {
    QStringList notices;
    for (const CZELVPopup* popup : run.App().Popups().OpenPopups()) {
        const ZELVNotification& n = popup->Notification();
        notices.append(QStringLiteral("%1|%2|%3|%4").arg(n.title, n.line1, n.line2).arg(n.icon));
    }
    return notices;
}

QStringList Prompts(DeskRun& run) {
    QStringList prompts;
    for (const ScriptedPrompter::Record& r : run.Prompter().Asked())
        prompts.append(r.request.caption + QLatin1Char('|') + r.request.text);
    return prompts;
}

// Opens the scanning window as the page does, feeds it the barcodes and
// closes it; returns the outcome of each. `open` opens the window.
QList<uint32_t> ScanThroughWindow(CZELVDeskSheet& sheet, const std::function<void()>& open,
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
    open();
    return outcomes;
}

// Answers the Additional Volumes dialog once it opens: `act` sees it and
// returns whether to assign.
QTimer* AnswerExtraDialog(QObject* context, std::function<bool(CSendContainerExtraDlg&)> act,
                          QStringList* shown) {
    auto* timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act, shown]() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CSendContainerExtraDlg*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            QTreeWidget* tree = dialog->Tree();
            for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                shown->append(tree->topLevelItem(i)->text(0));
                for (int c = 0; c < tree->topLevelItem(i)->childCount(); ++c)
                    shown->append(QStringLiteral("  ") + tree->topLevelItem(i)->child(c)->text(0));
            }
            if (act(*dialog))
                dialog->accept();
            else
                dialog->reject();
            return;
        }
    });
    timer->start();
    return timer;
}

ZELVVOLS Stored(CZELV10MFC& mfc, const QString& media, const QString& volume) {
    ZELVVOLS v;
    mfc.Get(&v, QStringLiteral("ACME"), media, volume);
    return v;
}

// "current>target flags container" of a Volume, flags as S (Scanned-Out).
QString State(CZELV10MFC& mfc, const char* volume, const char* media = "LTO6") {
    const ZELVVOLS v = Stored(mfc, QLatin1String(media), QLatin1String(volume));
    return QStringLiteral("%1>%2 %3 %4")
        .arg(v.Current().repositoryId.Text(), v.Target().repositoryId.Text(),
             (v.flags & ZELVVOL_SCANNEDOUT) ? QStringLiteral("S") : QStringLiteral("-"))
        .arg(v.container);
}

} // namespace

class ScanOutWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void scanOutFromTheTaskMenuToTheServer();
    void volumesPageEdgeCases_data();
    void volumesPageEdgeCases();
    void allocationTableChoosesContainersAndNextWritesThem();
    void scansWhileTheServerIsStoppedAreKeptAndReplayed();

private:
    bool MakeDatabase(DemoDatabase& db);
    // From the task menu to Container Selection at DC01.
    CSendContainerPage* OpenContainerPage(DeskRun& run);
};

void ScanOutWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

bool ScanOutWorkflowTest::MakeDatabase(DemoDatabase& db) {
    return MakeForEngine(db, AddScanOutVolumes);
}

CSendContainerPage* ScanOutWorkflowTest::OpenContainerPage(DeskRun& run) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!run.ChooseTask(QStringLiteral("Scan-Out")) || run.ActivePageId() != IDD_CUSTOMER)
        return nullptr;
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_SEND_LOCATION)
        return nullptr;
    auto* location = qobject_cast<CSendLocationPage*>(sheet.GetActivePage());
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_SEND_CONTAINER)
        return nullptr;
    return qobject_cast<CSendContainerPage*>(sheet.GetActivePage());
}

void ScanOutWorkflowTest::scanOutFromTheTaskMenuToTheServer() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});

    // The location page offers the Repositories that Volumes leave.
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-Out")));
    QVERIFY(ChooseCustomer(run, "ACME"));
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_LOCATION));
    auto* location = qobject_cast<CSendLocationPage*>(sheet.GetActivePage());
    QStringList offered;
    for (int row = 0; row < location->List()->GetItemCount(); ++row) {
        const ZELVREPOSITORYFULL* r = location->List()->RepositoryAt(row);
        QVERIFY(r->outgoing != 0);
        offered.append(r->repositoryId.Text());
    }
    QVERIFY(offered.contains(QStringLiteral("DC01")));
    QVERIFY(!offered.contains(QStringLiteral("VLT2")));
    for (int row = 0; row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_CONTAINER));
    QCOMPARE(sheet.Repository(), QStringLiteral("DC01"));
    QStringList sendList;
    for (const VOLUMEPAGE_ITEM& item : sheet.SendList())
        sendList.append(item.key.Text());
    for (const char* id : {"S000001", "S000002", "S000003"})
        QVERIFY2(sendList.contains(Key(id)), id);
    for (const char* id : {"S000005", "S000006"})
        QVERIFY2(!sendList.contains(Key(id)), id);

    // Container Selection: the Containers standing at DC01; CN0001 carries a
    // Volume of the send list and is selected from the start.
    auto* containers = qobject_cast<CSendContainerPage*>(sheet.GetActivePage());
    QVERIFY(containers);
    QStringList offeredContainers = Column(*containers->List(), 0);
    offeredContainers.sort();
    QVERIFY(offeredContainers.contains(Key("CN0001", "CONT")));
    QVERIFY(offeredContainers.contains(Key("CN0002", "CONT")));
    QVERIFY(!offeredContainers.contains(Key("CN0009", "CONT"))); // in the vault
    QCOMPARE(containers->Tabs()->tabText(0), QStringLiteral("Containers"));
    QCOMPARE(containers->Tabs()->tabText(1), QStringLiteral("Allocation Log"));
    const QStringList allocationLog = LogLines(*containers->AllocationLog());
    QVERIFY(!allocationLog.isEmpty());
    QCOMPARE(allocationLog.first(), QStringLiteral("0 Starting Allocation"));
    QCOMPARE(allocationLog.last(), QStringLiteral("0 Allocation Complete"));
    auto selected = [&]() {
        QStringList keys;
        for (int row : containers->List()->GetSelectedRows())
            keys.append(containers->List()->GetItemText(row, 0));
        return keys;
    };
    QCOMPARE(selected(), QStringList{Key("CN0001", "CONT")});
    // A plain click on another row keeps the Container that must go.
    const int second = containers->List()->FindRow(
        CVolumeKey(QStringLiteral("ACME"), QStringLiteral("CONT"), QStringLiteral("CN0003")));
    QVERIFY(second >= 0);
    containers->List()->Table()->selectRow(second);
    QCOMPARE(selected().size(), 2);
    containers->List()->SetItemSelected(second, false);

    // Containers selected by scanning their barcode.
    QString caption;
    const QList<uint32_t> picked = ScanThroughWindow(
        sheet, [&]() { containers->OpenScanWindow(); },
        {Key("CN0002", "CONT"), Key("CN0009", "CONT"), Key("S000001"),
         QStringLiteral("GLBX.CONT.CN0001")},
        &caption);
    QCOMPARE(caption, QStringLiteral("Scan to select Container"));
    QCOMPARE(picked, (QList<uint32_t>{0, 61, 61, 61}));
    QStringList chosen = selected();
    chosen.sort();
    QCOMPARE(chosen, (QStringList{Key("CN0001", "CONT"), Key("CN0002", "CONT")}));

    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_VOLUMES));
    QCOMPARE(int(sheet.Candidates().size()), 2);
    auto* page = qobject_cast<CSendVolumesPage*>(sheet.GetActivePage());
    QVERIFY(page);
    QAbstractItemModelTester tester(page->List()->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int rowsAtStart = page->List()->GetItemCount();
    QCOMPARE(rowsAtStart, int(sendList.size()));
    QCOMPARE(page->Tabs()->tabText(0), QStringLiteral("Scan-Out List (%1)").arg(rowsAtStart));
    QCOMPARE(page->Tabs()->tabText(1), QStringLiteral("Scan-Out Log"));
    // Volumes without a Container first.
    QCOMPARE(page->List()->GetItemText(rowsAtStart - 1, 0), Key("S000002"));
    QCOMPARE(page->List()->GetItemText(rowsAtStart - 1, 2), Key("CN0001", "CONT"));
    QCOMPARE(page->List()->GetItemText(0, 2), QStringLiteral("No-Container"));
    QStringList roots = Tree(*page);
    QCOMPARE(roots.first(), QStringLiteral("*No Container"));
    QCOMPARE(roots.size(), 3);
    // Next waits for the first second.
    QCOMPARE(sheet.GetWizardButtons(), int(CZELVWizardSheet::WizBack));
    QVERIFY(page->Timer(CScanPage::kScanTimer)->isActive());
    const ZELVSCANVOLUMEARGS args = page->ScanArgs();
    QCOMPARE(args.message, kZelvScanOutMessage);
    QCOMPARE(args.customerId.Text(), QStringLiteral("ACME"));
    QCOMPARE(args.mediaId.Text(), QStringLiteral("LTO6"));

    run.Voice()->Clear();
    run.sounds.Clear();
    run.Prompter().Clear();
    const int noticesBefore = int(Notices(run).size());
    QStringList extraShown;
    AnswerExtraDialog(
        &sheet,
        [](CSendContainerExtraDlg& dialog) {
            // The operator takes the Volume at rest out before agreeing.
            QTreeWidget* tree = dialog.Tree();
            tree->setCurrentItem(tree->topLevelItem(0)->child(1));
            QTest::keyClick(tree, Qt::Key_Delete);
            tree->setCurrentItem(tree->topLevelItem(0));
            QTest::keyClick(tree, Qt::Key_Delete); // a Container stays
            return true;
        },
        &extraShown);
    const QList<uint32_t> outcomes = ScanThroughWindow(
        sheet, [&]() { page->OnTimer(CScanPage::kScanTimer); },
        {QStringLiteral("S000001"),  // out, no Container
         Key("CN0002", "CONT"),      // CN0002 current
         QStringLiteral("S000003"),  // into CN0002, which now goes to VLT2
         QStringLiteral("A000019"),  // to LIB1: not with CN0002
         QStringLiteral("S000002"),  // belongs to CN0001
         Key("CN0001", "CONT"),      // CN0001 current
         QStringLiteral("S000002"),  // into CN0001
         QStringLiteral("S000005"),  // not listed: queued
         QStringLiteral("S000005"),  // queued once
         QStringLiteral("S000006")}, // not listed, at rest: queued
        &caption);
    QCOMPARE(caption, QStringLiteral("Scan-Out Volumes"));
    QCOMPARE(outcomes, (QList<uint32_t>{0, 0, 0, 29, 114, 0, 0, 61, 61, 61}));
    QCOMPARE(sheet.GetWizardButtons(), int(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext));
    QCOMPARE(extraShown,
             (QStringList{Key("CN0001", "CONT"),
                          QStringLiteral("  ") + Key("S000005") +
                              QStringLiteral(" (Volume is currently at VLT1 and moving to VLT2)"),
                          QStringLiteral("  ") + Key("S000006") +
                              QStringLiteral(" (Volume is currently at DC01)")}));
    QCOMPARE(page->Queue().size(), size_t(0));
    QCOMPARE(Prompts(run),
             (QStringList{
                 QStringLiteral("Assignment Error|Container is moving to a different "
                                "Repository.\n\nContainer is moving to South Vault, Volume is "
                                "moving to Tape Library"),
                 QStringLiteral("Container Error|Volume scanned to wrong Container.\n\nScanned "
                                "ACME.CONT.CN0002, should be ACME.CONT.CN0001"),
             }));
    QCOMPARE(run.Voice()->Said(),
             (QStringList{QStringLiteral("The Volume scanned was not in the list"),
                          QStringLiteral("The Volume scanned was not in the list"),
                          QStringLiteral("The Volume scanned was not in the list")}));
    QCOMPARE(run.sounds.Played(), (QList<int>{232, 232, 232}));
    const QString notListed = QStringLiteral("Scan Error|Error scanning barcode %1.|Item is not in "
                                             "the list.|356");
    const QString queued = QStringLiteral("Volume Queued|Queued Volume %1.|Item was queued for "
                                          "possible Container assignment|356");
    QCOMPARE(Notices(run).mid(noticesBefore),
             (QStringList{notListed.arg(Key("S000005")), queued.arg(Key("S000005")),
                          notListed.arg(Key("S000005")), notListed.arg(Key("S000006")),
                          queued.arg(Key("S000006"))}));
    QCOMPARE(LogLines(*page->ScanLog()),
             (QStringList{QStringLiteral("2 Error scanning barcode ACME.LTO6.S000005."),
                          QStringLiteral("2 Error scanning barcode ACME.LTO6.S000005."),
                          QStringLiteral("2 Error scanning barcode ACME.LTO6.S000006.")}));

    // Space on two rows with "No Container" current (a double-click on it).
    page->ScannedItems()->itemDoubleClicked(page->ScannedItems()->topLevelItem(0), 0);
    for (int row = 0; row < page->List()->GetItemCount(); ++row) {
        const QString key = page->List()->GetItemText(row, 0);
        page->List()->SetItemSelected(row, key == Key("A000039") || key == Key("B000019", "LTO8"));
    }
    QTest::keyClick(page->List()->Table(), Qt::Key_Space);
    QCOMPARE(
        Tree(*page),
        (QStringList{QStringLiteral("*No Container: ") + Key("S000001") + QStringLiteral(", ") +
                         Key("A000039") + QStringLiteral(", ") + Key("B000019", "LTO8"),
                     Key("CN0001", "CONT") + QStringLiteral(": ") + Key("S000002") +
                         QStringLiteral(", ") + Key("S000005"),
                     Key("CN0002", "CONT") + QStringLiteral(": ") + Key("S000003")}));
    const int left = rowsAtStart - 5;
    QCOMPARE(page->List()->GetItemCount(), left);
    QCOMPARE(page->Tabs()->tabText(0), QStringLiteral("Scan-Out List (%1)").arg(left));

    // Next with rows left asks; No stays.
    run.Prompter().Clear();
    run.Prompter().Answer(PromptNo);
    QVERIFY(!sheet.GoNext() || run.ActivePageId() == IDD_SEND_VOLUMES);
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_VOLUMES));
    QCOMPARE(Prompts(run), (QStringList{QStringLiteral("Unscanned Items|There are %1 unscanned "
                                                       "items remaining.\n\nAre you sure that you "
                                                       "want to leave them unscanned?")
                                            .arg(left)}));
    run.Prompter().Clear();
    run.Prompter().Answer(PromptYes);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_CONTAINER_UPDATE));

    // Update Container Details: the two Containers that received Volumes.
    auto* update = qobject_cast<CSendContainerUpdatePage*>(sheet.GetActivePage());
    QVERIFY(update);
    CZELVPropertyGridProperty* first = update->ContainerGroup(Key("CN0001", "CONT"));
    CZELVPropertyGridProperty* other = update->ContainerGroup(Key("CN0002", "CONT"));
    QVERIFY(first && other);
    using P = CSendContainerUpdatePage;
    QCOMPARE(P::Row(first, QStringLiteral("Target Repository"))->GetValue().toString(),
             QStringLiteral("North Vault"));
    QCOMPARE(P::Row(first, QStringLiteral("Newly assigned Volumes"))->GetValue().toString(),
             QStringLiteral("2"));
    QCOMPARE(P::Row(other, QStringLiteral("Target Repository"))->GetValue().toString(),
             QStringLiteral("South Vault"));
    QCOMPARE(P::Row(first, QStringLiteral("Description"))->GetValue().toString(),
             QStringLiteral("Container 1"));
    QCOMPARE(P::Row(first, QStringLiteral("Next move"))->GetValue().toString(),
             CMoveDatePropertyGridProperty::DateText([] {
                 CZELVDate d;
                 d.SetFromTime(time(nullptr));
                 return d;
             }()));
    QVERIFY(!update->ScanOutSetting()->GetBool());

    // Today is not a next move date: the page stays and nothing is written.
    run.Prompter().Clear();
    QVERIFY(!sheet.GoNext() || run.ActivePageId() == IDD_SEND_CONTAINER_UPDATE);
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_CONTAINER_UPDATE));
    QCOMPARE(Prompts(run), (QStringList{QStringLiteral(
                               "Next move date error|One or more Containers have a next move "
                               "date of less than one day.\nPlease correct this to continue.")}));
    QCOMPARE(State(sheet.Connection(), "CN0001", "CONT"),
             QStringLiteral("DC01>DC01 - %1")
                 .arg(ContainerNumber(sheet.Connection(), QStringLiteral("CN0001"))));

    CZELVDate inFiveDays;
    inFiveDays.SetFromTime(time(nullptr) + 5 * 86400);
    auto* firstMove =
        static_cast<CMoveDatePropertyGridProperty*>(P::Row(first, QStringLiteral("Next move")));
    firstMove->SetDate(inFiveDays);
    static_cast<CMoveDatePropertyGridProperty*>(P::Row(other, QStringLiteral("Next move")))
        ->SetDate(CZELVDate());
    P::Row(first, QStringLiteral("Description"))
        ->SetValue(QStringLiteral("Payroll tapes for the vault"));
    update->ScanOutSetting()->SetValue(true);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
    QVERIFY(sheet.Candidates().empty());
    QCOMPARE(run.App().Profile().value(QStringLiteral("Options/ScanOutContainers")).toBool(), true);

    // The transaction log, line by line.
    const QString changedTo = QStringLiteral("Scan-Out: Scanning Volume: %1 - OK");
    QCOMPARE(
        ScanOutLog(run),
        (QStringList{
            changedTo.arg(Key("S000001")),
            changedTo.arg(Key("S000003")),
            changedTo.arg(Key("S000002")),
            QStringLiteral("Scan-Out: Error scanning Volume: ACME.LTO6.S000005 as it was "
                           "not in the list"),
            QStringLiteral("Scan-Out: Error scanning Volume: ACME.LTO6.S000005 as it was "
                           "not in the list"),
            QStringLiteral("Scan-Out: Error scanning Volume: ACME.LTO6.S000006 as it was "
                           "not in the list"),
            changedTo.arg(Key("A000039")),
            changedTo.arg(Key("B000019", "LTO8")),
            QStringLiteral("Scan-Out: Continuing with %1 items unscanned").arg(left),
            QStringLiteral("Scan-Out: Container descrition set to: Payroll tapes for the "
                           "vault"),
            QStringLiteral("Scan-Out: Container next move date set to: ") + FormatDate(inFiveDays),
            QStringLiteral("Scan-Out: Updated Container(ACME.CONT.CN0001): OK"),
            QStringLiteral("Scan-Out: Container next move date set to: Permanent"),
            QStringLiteral("Scan-Out: Updated Container(ACME.CONT.CN0002): OK"),
        }));

    // The server: flags, Container numbers, targets.
    CZELV10MFC& mfc = sheet.Connection();
    const uint32_t cn1 = ContainerNumber(mfc, QStringLiteral("CN0001"));
    const uint32_t cn2 = ContainerNumber(mfc, QStringLiteral("CN0002"));
    QCOMPARE(State(mfc, "S000001"), QStringLiteral("DC01>VLT1 S 0"));
    QCOMPARE(State(mfc, "S000002"), QStringLiteral("DC01>VLT1 S %1").arg(cn1));
    QCOMPARE(State(mfc, "S000003"), QStringLiteral("DC01>VLT2 S %1").arg(cn2));
    QCOMPARE(State(mfc, "S000005"), QStringLiteral("VLT1>VLT1 - %1").arg(cn1));
    QCOMPARE(State(mfc, "S000006"), QStringLiteral("DC01>DC01 - 0"));
    QCOMPARE(State(mfc, "A000039"), QStringLiteral("DC01>LIB1 S 0"));
    QCOMPARE(State(mfc, "A000019"), QStringLiteral("DC01>LIB1 - 0"));
    QCOMPARE(State(mfc, "CN0001", "CONT"), QStringLiteral("DC01>VLT1 S %1").arg(cn1));
    // South Vault confirms arrivals at once.
    QCOMPARE(State(mfc, "CN0002", "CONT"), QStringLiteral("VLT2>VLT2 - %1").arg(cn2));
    const ZELVVOLS firstContainer = Stored(mfc, QStringLiteral("CONT"), QStringLiteral("CN0001"));
    QCOMPARE(FormatDate(firstContainer.moveDate), FormatDate(inFiveDays));
    ZELVATTRIBUTE description;
    QVERIFY(mfc.Get(&description, QStringLiteral("ACME"), QStringLiteral("CONT"),
                    QStringLiteral("CN0001"), 0)
                .IsOK());
    QCOMPARE(description.value.Text(), QStringLiteral("Payroll tapes for the vault"));
    // History: the scan set the flag and the Container number.
    std::vector<ZELVVOLHISTORY> history;
    QVERIFY(mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                     QStringLiteral("S000003"))
                .IsOK());
    QStringList fields;
    for (const ZELVVOLHISTORY& h : history)
        if (h.action.Text() == QLatin1String("update"))
            fields.append(h.field.Text() + QLatin1Char('=') + h.newValue);
    QVERIFY2(fields.filter(QStringLiteral("container")).size() == 1, qPrintable(fields.join(',')));
    QVERIFY2(fields.filter(QStringLiteral("flags")).size() == 1, qPrintable(fields.join(',')));
}

void ScanOutWorkflowTest::volumesPageEdgeCases_data() {
    QTest::addColumn<QStringList>("containers"); // the candidates chosen
    QTest::addColumn<QString>("behindTheBack");  // SQL another program runs first
    QTest::addColumn<QStringList>("barcodes");
    QTest::addColumn<QList<uint32_t>>("outcomes");
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("scanLog");
    QTest::addColumn<QStringList>("states"); // "volume=state" on the server afterwards
    // The Additional Volumes dialog as shown, answered "No"; empty: not shown.
    QTest::addColumn<QStringList>("extra");

    const QString cn1 = Key("CN0001", "CONT");
    const QString cn2 = Key("CN0002", "CONT");
    const QString out = QStringLiteral("Scan-Out: Scanning Volume: %1 - OK");
    QTest::newRow("one candidate: scans go into it from the start")
        << QStringList{cn2} << QString() << QStringList{QStringLiteral("S000001")}
        << QList<uint32_t>{0}
        << QStringList{QStringLiteral("No Container"),
                       QStringLiteral("*") + cn2 + QStringLiteral(": ") + Key("S000001")}
        << QStringList{out.arg(Key("S000001"))} << QStringList{}
        << QStringList{QStringLiteral("S000001=DC01>VLT1 S CN0002")} << QStringList{};
    QTest::newRow("unlisted scan with No Container current is refused, not queued")
        << QStringList{cn1, cn2} << QString()
        << QStringList{QStringLiteral("S000005"), QStringLiteral("S000002")}
        << QList<uint32_t>{61, 114} << QStringList{QStringLiteral("*No Container"), cn1, cn2}
        << QStringList{QStringLiteral("Scan-Out: Error scanning Volume: ACME.LTO6.S000005 as it "
                                      "was not in the list")}
        << QStringList{QStringLiteral("2 Error scanning barcode ACME.LTO6.S000005.")}
        << QStringList{QStringLiteral("S000005=VLT1>VLT2 - 0"),
                       QStringLiteral("S000002=DC01>VLT1 - CN0001")}
        << QStringList{};
    QTest::newRow("a Volume redirected by another operator after the list was read")
        << QStringList{}
        << QStringLiteral("UPDATE volume SET target_repo = 'VLT2', version = "
                          "version + 1 WHERE volume_id = 'S000001'")
        << QStringList{QStringLiteral("S000001"), QStringLiteral("S000003")}
        << QList<uint32_t>{251, 0}
        << QStringList{QStringLiteral("*No Container: ") + Key("S000003")}
        << QStringList{QStringLiteral("Scan-Out: Scanning Volume: ACME.LTO6.S000001 - Changed by "
                                      "another user since it was read; read it again and repeat "
                                      "the change: ACME.LTO6.S000001 is now at DC01 moving to "
                                      "VLT2, not as listed"),
                       out.arg(Key("S000003"))}
        << QStringList{QStringLiteral("2 Error scanning barcode ACME.LTO6.S000001.")}
        << QStringList{QStringLiteral("S000001=DC01>VLT2 - 0"),
                       QStringLiteral("S000003=DC01>VLT2 S 0")}
        << QStringList{};
    QTest::newRow("a Volume scanned out at another workstation meanwhile")
        << QStringList{cn1}
        << QStringLiteral("UPDATE volume SET flags = flags | 8, version = "
                          "version + 1 WHERE volume_id = 'S000002'")
        << QStringList{QStringLiteral("S000002")} << QList<uint32_t>{251}
        << QStringList{QStringLiteral("No Container"), QStringLiteral("*") + cn1}
        << QStringList{QStringLiteral("Scan-Out: Scanning Volume: ACME.LTO6.S000002 - Changed by "
                                      "another user since it was read; read it again and repeat "
                                      "the change: ACME.LTO6.S000002 is now at DC01 moving to "
                                      "VLT1, scanned out, not as listed")}
        << QStringList{QStringLiteral("2 Error scanning barcode ACME.LTO6.S000002.")}
        << QStringList{QStringLiteral("S000002=DC01>VLT1 S CN0001")} << QStringList{};
    QTest::newRow("a Container going nowhere yet takes a queued Volume's known target")
        << QStringList{cn2} << QString() << QStringList{QStringLiteral("S000005")}
        << QList<uint32_t>{61}
        << QStringList{QStringLiteral("No Container"), QStringLiteral("*") + cn2}
        << QStringList{QStringLiteral("Scan-Out: Error scanning Volume: ACME.LTO6.S000005 as it "
                                      "was not in the list")}
        << QStringList{QStringLiteral("2 Error scanning barcode ACME.LTO6.S000005.")}
        << QStringList{QStringLiteral("S000005=VLT1>VLT2 - 0")}
        << QStringList{cn2, QStringLiteral("  ") + Key("S000005")};
}

void ScanOutWorkflowTest::volumesPageEdgeCases() {
    QFETCH(QStringList, containers);
    QFETCH(QString, behindTheBack);
    QFETCH(QStringList, barcodes);
    QFETCH(QList<uint32_t>, outcomes);
    QFETCH(QStringList, tree);
    QFETCH(QStringList, log);
    QFETCH(QStringList, scanLog);
    QFETCH(QStringList, states);
    QFETCH(QStringList, extra);

    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CSendContainerPage* containerPage = OpenContainerPage(run);
    QVERIFY(containerPage);

    // The Containers chosen, as Container Selection hands them on.
    sheet.Candidates().clear();
    for (const QString& key : containers) {
        const auto& offered = containerPage->List()->Candidates();
        const auto it =
            std::find_if(offered.begin(), offered.end(),
                         [&](const CandidateContainer& c) { return c.key.Text() == key; });
        QVERIFY2(it != offered.end(), qPrintable(key));
        sheet.Candidates().push_back(*it);
    }
    QVERIFY(sheet.SetActivePageById(IDD_SEND_VOLUMES));
    auto* page = qobject_cast<CSendVolumesPage*>(sheet.GetActivePage());
    QVERIFY(page);
    const int rowsAtStart = page->List()->GetItemCount();
    if (!behindTheBack.isEmpty())
        QVERIFY(db.Exec(behindTheBack));

    QStringList extraShown;
    QTimer* answerer = AnswerExtraDialog(
        &sheet, [](CSendContainerExtraDlg&) { return false; }, &extraShown);
    const QList<uint32_t> got = ScanThroughWindow(
        sheet, [&]() { page->OnTimer(CScanPage::kScanTimer); }, barcodes);
    if (extraShown.isEmpty())
        answerer->stop();
    QCOMPARE(got, outcomes);
    QCOMPARE(extraShown, extra);
    QCOMPARE(Tree(*page), tree);
    QCOMPARE(ScanOutLog(run), log);
    QCOMPARE(LogLines(*page->ScanLog()), scanLog);
    int scannedOut = 0;
    for (int i = 0; i < outcomes.size(); ++i)
        scannedOut += outcomes[i] == 0 && !barcodes[i].contains(QLatin1String("CONT")) ? 1 : 0;
    // A refused Volume stays in the list; the page goes on scanning.
    QCOMPARE(page->List()->GetItemCount(), rowsAtStart - scannedOut);
    CZELV10MFC& mfc = sheet.Connection();
    for (QString state : states) {
        const QString volume = state.section(QLatin1Char('='), 0, 0);
        state = state.section(QLatin1Char('='), 1);
        for (const char* c : {"CN0001", "CN0002"})
            state.replace(QLatin1String(c),
                          QString::number(ContainerNumber(mfc, QLatin1String(c))));
        QCOMPARE(State(mfc, qPrintable(volume)), state);
    }
}

void ScanOutWorkflowTest::allocationTableChoosesContainersAndNextWritesThem() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString::fromUtf8(kAllocation)));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CSendContainerPage* page = OpenContainerPage(run);
    QVERIFY(page);
    CZELV10MFC& mfc = sheet.Connection();

    // What the table decided is what the page shows: the Reserved column
    // counts the rows the table gave each Container, those rows are selected,
    // and "&Show Allocation" lists the send-list rows carried by each.
    const std::vector<VOLUMEPAGE_ITEM>& sendList = sheet.SendList();
    const CSendContainerListCtrl& list = *page->List();
    int allocated = 0;
    for (const VOLUMEPAGE_ITEM& item : sendList)
        allocated += (item.flags & kSendItemAllocated) ? 1 : 0;
    QVERIFY(allocated > 0);
    QStringList expectedDialogs;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const CandidateContainer* c = list.CandidateAt(row);
        unsigned reserved = 0;
        QStringList carried;
        for (const VOLUMEPAGE_ITEM& item : sendList) {
            if (item.containerNumber != c->number || item.container)
                continue;
            carried.append(item.key.Text() + QLatin1Char('/') + item.dataCluster);
            // Only S000002 had its Container before the page opened.
            reserved += item.key.Volume() != QLatin1String("S000002") ? 1 : 0;
        }
        QCOMPARE(list.GetItemText(row, CSendContainerListCtrl::ColReserved).toUInt(), reserved);
        QCOMPARE(list.IsItemSelected(row), c->reserved != 0 || !carried.isEmpty());
        if (list.IsItemSelected(row))
            expectedDialogs.append(QStringLiteral("Container Allocation: ") + c->key.Text() +
                                   QLatin1Char('|') + carried.join(QLatin1Char(',')));
    }
    QStringList dialogs;
    auto* timer = new QTimer(&sheet);
    timer->setInterval(5);
    connect(timer, &QTimer::timeout, &sheet, [&dialogs]() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CSendContainerAllocationDlg*>(w); d && d->isVisible()) {
                QStringList rows;
                for (int r = 0; r < d->List()->GetItemCount(); ++r)
                    rows.append(d->List()->GetItemText(r, 0) + QLatin1Char('/') +
                                d->List()->GetItemText(r, 1));
                dialogs.append(d->windowTitle() + QLatin1Char('|') + rows.join(QLatin1Char(',')));
                d->accept();
            }
    });
    timer->start();
    page->ShowAllocation();
    timer->stop();
    QCOMPARE(dialogs, expectedDialogs);

    const QStringList log = LogLines(*page->AllocationLog());
    QCOMPARE(log.first(), QStringLiteral("0 Starting Allocation"));
    QCOMPARE(log.last(), QStringLiteral("0 Allocation Complete"));
    // Every Volume the table put into a Container went through it, and the
    // one given its Container beforehand did not.
    for (const VOLUMEPAGE_ITEM& item : sendList) {
        const QString line = QStringLiteral("0 Allocating Volume=%1,Target=%2,Data-Cluster=%3")
                                 .arg(item.key.Text(), item.target, item.dataCluster);
        if (item.flags & kSendItemAllocated)
            QVERIFY2(log.contains(line), qPrintable(line));
        if (item.key.Volume() == QLatin1String("S000002"))
            QVERIFY2(!log.contains(line), qPrintable(line));
    }

    // Allocations to Containers that already carry Volumes reach the server
    // on Next, and not before.
    QStringList before, after, wanted;
    for (const VOLUMEPAGE_ITEM& item : sendList)
        if (item.flags & kSendItemAllocated) {
            const ZELVVOLS v = Stored(mfc, item.key.Media(), item.key.Volume());
            before.append(item.key.Text() + QLatin1Char('=') + QString::number(v.container));
            wanted.append(item.key.Text() + QLatin1Char('=') +
                          QString::number(item.containerNumber));
        }
    for (const QString& line : before)
        QVERIFY2(line.endsWith(QLatin1String("=0")), qPrintable(line));
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_SEND_VOLUMES));
    for (const VOLUMEPAGE_ITEM& item : sendList)
        if (item.flags & kSendItemAllocated)
            after.append(
                item.key.Text() + QLatin1Char('=') +
                QString::number(Stored(mfc, item.key.Media(), item.key.Volume()).container));
    // (Scan-Out Volumes has sorted the send list by Container meanwhile.)
    after.sort();
    wanted.sort();
    QCOMPARE(after, wanted);
}

void ScanOutWorkflowTest::scansWhileTheServerIsStoppedAreKeptAndReplayed() {
    ZELV_DEMO_ON_OWN_CLUSTER(cluster, db, AddScanOutVolumes)

    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(Config(logs));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(OpenContainerPage(run));
    QVERIFY(sheet.GoNext());
    auto* page = qobject_cast<CSendVolumesPage*>(sheet.GetActivePage());
    QVERIFY(page);
    page->Timer(CScanPage::kScanTimer)->stop();
    QTreeWidget* tree = page->ScannedItems();
    QTreeWidgetItem* cn0001 = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == Key("CN0001", "CONT"))
            cn0001 = tree->topLevelItem(i);
    QVERIFY(cn0001);
    const auto scan = [&](const QStringList& barcodes) {
        return ScanThroughWindow(
            sheet, [&]() { page->OpenScanWindow(); }, barcodes);
    };
    page->SetCurrent(tree->topLevelItem(0));
    QCOMPARE(scan({QStringLiteral("S000001")}), QList<uint32_t>{0});

    QVERIFY(cluster.Stop());
    QCOMPARE(scan({QStringLiteral("S000003")}), QList<uint32_t>{ZELV10RC_JOURNALED});
    page->SetCurrent(cn0001);
    QCOMPARE(scan({QStringLiteral("S000002")}), QList<uint32_t>{ZELV10RC_JOURNALED});
    QVERIFY(!page->JournalBanner()->isHidden());
    QVERIFY2(page->JournalBanner()->text().contains(QLatin1String("2 scans are kept")),
             qPrintable(page->JournalBanner()->text()));
    QStringList roots = Tree(*page);
    QVERIFY2(roots.join(QLatin1Char(' ')).contains(QLatin1String("S000002")),
             qPrintable(roots.join(' ')));
    QFile journal(QDir(logs).filePath(QStringLiteral("ScanJournal.txt")));
    QVERIFY(journal.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = journal.readAll().split('\n');
    journal.close();
    QCOMPARE(lines.size(), 3); // two entries and the end of the last line
    QVERIFY(!lines[0].contains("\"container\""));
    QVERIFY(lines[1].contains("\"container\""));
    QCOMPARE(ScanOutLog(run).filter(QStringLiteral("kept in the scanning journal")).size(), 2);
    QVERIFY(
        RetryDownThenReplayUp(cluster, db, *page, journal.fileName(), QStringLiteral("S000003")));
    CZELV10MFC server;
    server.SetServerAddress(db.Address());
    QVERIFY(server.Logon().IsOK());
    const ZELVVOLS out = Stored(server, QStringLiteral("LTO6"), QStringLiteral("S000002"));
    QVERIFY(out.flags & ZELVVOL_SCANNEDOUT);
    QCOMPARE(out.container, ContainerNumber(server, QStringLiteral("CN0001")));
    // Changed by someone else meanwhile: that change stands.
    const ZELVVOLS changed = Stored(server, QStringLiteral("LTO6"), QStringLiteral("S000003"));
    QVERIFY(!(changed.flags & ZELVVOL_SCANNEDOUT));
    QCOMPARE(changed.threshold, uint16_t(77));
    const QStringList log = ScanOutLog(run);
    QVERIFY(log.contains(QStringLiteral(
        "Scan-Out: Scanning journal: Volume ACME.LTO6.S000003 not scanned out: the Volume was "
        "changed on the server after it was scanned")));
    QCOMPARE(log.filter(QStringLiteral("(from the scanning journal)")).size(), 1);
}

QTEST_MAIN(ScanOutWorkflowTest)
#include "ScanOutWorkflowTest.moc"
