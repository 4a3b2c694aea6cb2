// Move Lists and the task menu's library health on the demo data set, on both
// engines: the operator opens the Move Lists of a Customer, sorts, filters,
// copies and cancels moves (one of them changed meanwhile by another
// workstation); the test reads the server, the history rows, the result list
// and the transaction log. The task menu's Customer grid is read for a
// Customer whose Media Types score 100, 60, 50 and not at all.
#include "CustomerPropertyGridCtrl.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "IntroPage.h"
#include "IntroProperties.h"
#include "ZELVListCtrl.h"
#include "ZELVListHeader.h"
#include "ZELVPropertyGridCtrl.h"
#include "manage/MoveListPage.h"

#include <QClipboard>
#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int64_t kDay = 86400;

// Beside the demo data: a hidden ACME Media Type with a moving Volume, and a
// Customer whose Media Types have known health inputs.
CZELV10RC AddMoveListData(CZELV10MFC& mfc) {
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    ZELVMEDIAEx hidden;
    hidden.customerId = "ACME";
    hidden.mediaId = "HIDN";
    hidden.name = "Hidden Tapes";
    hidden.flags = ZELVMEDIA_HIDDEN;
    CZELV10RC rc = mfc.Add(hidden);
    ZELVVOLSEx v;
    v.key.customerId = "ACME";
    v.key.mediaId = "HIDN";
    v.key.volumeId = "HM0001";
    v.vol.Current().repositoryId = "DC01";
    v.vol.Confirmation().repositoryId = "DC01";
    v.vol.Target().repositoryId = "VLT1";
    if (rc.IsOK())
        rc = mfc.Add(v);

    // A Customer whose only moving Volume is of a hidden Media Type.
    ZELVCUSTEx still;
    still.customerId = "STIL";
    still.name = "Still Holdings";
    if (rc.IsOK())
        rc = mfc.Add(still);
    hidden.customerId = "STIL";
    if (rc.IsOK())
        rc = mfc.Add(hidden);
    ZELVVOLSEx onlyHidden = v;
    onlyHidden.key.customerId = "STIL";
    if (rc.IsOK())
        rc = mfc.Add(onlyHidden);

    ZELVCUSTEx health;
    health.customerId = "HLTH";
    health.name = "Health Check";
    health.drStrategies = 2;
    health.drLastRun = now;
    if (rc.IsOK())
        rc = mfc.Add(health);
    const struct {
        const char* id;
        const char* name;
        uint32_t flags;
        int64_t lastSync;
    } media[] = {
        {"GOOD", "Good Tapes", 0, now},
        {"SIXT", "Sixty Tapes", ZELVMEDIA_DOUBLEMOVE, 0},
        {"FIFT", "Fifty Tapes", 0, now - 11 * kDay},
        {"NOHL", "No Health", ZELVMEDIA_NOHEALTH, 0},
    };
    for (const auto& m : media) {
        ZELVMEDIAEx record;
        record.customerId = "HLTH";
        record.mediaId = m.id;
        record.name = m.name;
        record.flags = m.flags;
        record.lastSync = m.lastSync;
        if (rc.IsOK())
            rc = mfc.Add(record);
    }
    v.key.customerId = "HLTH";
    v.key.mediaId = "GOOD";
    for (const char* id : {"G00001", "G00002"}) {
        v.key.volumeId = id;
        if (rc.IsOK())
            rc = mfc.Add(v);
        v.vol.Target().repositoryId = "DC01";
    }
    return rc;
}

CZELVPropertyGridProperty* SubItem(const CZELVPropertyGridProperty* parent, const QString& name) {
    for (int i = 0; parent && i < parent->GetSubItemsCount(); ++i)
        if (parent->GetSubItem(i)->GetName() == name)
            return parent->GetSubItem(i);
    return nullptr;
}

QString Value(const CZELVPropertyGridProperty* parent, const QString& name) {
    const CZELVPropertyGridProperty* row = SubItem(parent, name);
    return row ? row->GetValue().toString() : QStringLiteral("<none>");
}

// "name|value" of every sub-row (or "name|a|b|c" of every sub-group's rows).
QStringList Rows(const CZELVPropertyGridProperty* group) {
    QStringList out;
    for (int i = 0; group && i < group->GetSubItemsCount(); ++i) {
        const CZELVPropertyGridProperty* row = group->GetSubItem(i);
        QString text = row->GetName();
        if (row->IsGroup())
            for (int j = 0; j < row->GetSubItemsCount(); ++j)
                text += QLatin1Char('|') + row->GetSubItem(j)->GetValue().toString();
        else
            text += QLatin1Char('|') + row->GetValue().toString();
        out << text;
    }
    return out;
}

struct Server {
    QString target;
    QString current;
    uint32_t flags = 0;
    QStringList fields; // history fields, newest first
};

Server Read(CZELV10MFC& mfc, const QString& volume) {
    Server s;
    ZELVVOLSFULL v;
    if (!mfc.Get(&v, QStringLiteral("ACME"), QStringLiteral("LTO6"), volume).IsOK())
        return s;
    s.target = v.vol.Target().repositoryId.Text();
    s.current = v.vol.Current().repositoryId.Text();
    s.flags = v.vol.flags;
    std::vector<ZELVVOLHISTORY> rows;
    mfc.List(&rows, QStringLiteral("ACME"), QStringLiteral("LTO6"), volume, true);
    for (const ZELVVOLHISTORY& h : rows)
        s.fields << h.field.Text();
    return s;
}

qint64 Seconds(const QString& text) {
    QString digits = text;
    return digits.remove(QLatin1Char(',')).toLongLong();
}

} // namespace

class MoveListWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void moveListsFromTheTaskMenuToTheServer();
    void libraryHealthOnTheTaskMenu();
};

void MoveListWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

void MoveListWorkflowTest::moveListsFromTheTaskMenuToTheServer() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddMoveListData))
        QSKIP("no database for this engine");
    CZELV10MFC server; // what the server holds, and another operator's workstation
    server.SetServerAddress(db.Address());
    server.SetMachineName(QStringLiteral("ws-two"));
    QVERIFY(server.Logon().IsOK());

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; disablespeech = true; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Move Lists")));
    QVERIFY(ChooseCustomer(run, "ACME"));
    QCOMPARE(run.ActivePageId(), int(IDD_MOVE_LIST));
    auto* page = qobject_cast<CMoveListPage*>(sheet.GetActivePage());
    QVERIFY(page);

    // A tab per Media Type that is not hidden and has moving Volumes.
    std::vector<ZELVMEDIAEx> media;
    QVERIFY(server.List(&media, QStringLiteral("ACME")).IsOK());
    QStringList expectedTabs, tabs;
    bool hiddenMoves = false;
    for (const ZELVMEDIAEx& m : media) {
        if (m.flags & ZELVMEDIA_HIDDEN)
            hiddenMoves = hiddenMoves || m.moves > 0;
        else if (m.moves > 0)
            expectedTabs << m.name.Text();
    }
    QVERIFY(hiddenMoves);
    for (int i = 0; i < page->Tabs()->count(); ++i)
        tabs << page->Tabs()->tabText(i);
    QCOMPARE(tabs, expectedTabs);
    QVERIFY(!tabs.contains(QStringLiteral("Hidden Tapes")));
    const int lto6 = int(page->TabMedia().indexOf(QStringLiteral("LTO6")));
    QVERIFY(lto6 >= 0);
    page->Tabs()->setCurrentIndex(lto6);
    QCOMPARE(page->ShownMedia(), QStringLiteral("LTO6"));

    // The moving Volumes as the server has them, with their marks.
    std::vector<ZELVVOLSFULL> all;
    QVERIFY(server.List(&all, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK());
    QStringList moving, scannedOut, overdue;
    for (const ZELVVOLSFULL& v : all)
        if (v.vol.flags & ZELVVOL_MOVING) {
            moving << v.key.volumeId.Text();
            scannedOut << ((v.vol.flags & ZELVVOL_SCANNEDOUT) ? "Yes" : "No");
            overdue << ((v.vol.flags & ZELVVOL_OVERDUE) ? "Yes" : "No");
        }
    CMoveListCtrl& list = *page->List();
    QCOMPARE(Column(list, CMoveListCtrl::ColVolume), moving);
    QCOMPARE(Column(list, CMoveListCtrl::ColScannedOut), scannedOut);
    QCOMPARE(Column(list, CMoveListCtrl::ColOverdue), overdue);
    QVERIFY(scannedOut.contains(QStringLiteral("Yes")) && overdue.contains(QStringLiteral("Yes")));
    QVERIFY(Column(list, CMoveListCtrl::ColCurrent).contains(QStringLiteral("Data Centre")));
    QVERIFY(Column(list, CMoveListCtrl::ColTarget).contains(QStringLiteral("North Vault")));

    // Sorted by Move Time the longest-pending move comes first.
    list.SetSortColumn(CMoveListCtrl::ColMoveTime);
    list.SortItems();
    const QStringList pending = Column(list, CMoveListCtrl::ColMoveTime);
    QVERIFY(Seconds(pending.first()) >= 3 * kDay);
    for (int i = 1; i < pending.size(); ++i)
        QVERIFY2(Seconds(pending[i - 1]) >= Seconds(pending[i]), qPrintable(pending.join(' ')));

    // The filter fields of the first three columns alone take patterns.
    for (int column = 0; column < list.GetColumnCount(); ++column)
        QCOMPARE(list.Header()->FilterField(column)->isEnabled(),
                 column <= CMoveListCtrl::ColTarget);

    // Library slots read as their zone and slot; the Target filter keeps them alone.
    list.SetFilterText(CMoveListCtrl::ColTarget, QStringLiteral("Rack*"));
    const QStringList racks = Column(list, CMoveListCtrl::ColTarget);
    QVERIFY2(!racks.isEmpty() && racks.size() < moving.size(), qPrintable(racks.join('\n')));
    for (const QString& text : racks)
        QVERIFY2(
            QRegularExpression(QStringLiteral("^Rack [ABC] \\[\\d+\\]$")).match(text).hasMatch(),
            qPrintable(text));
    list.SetFilterText(CMoveListCtrl::ColTarget, QString());
    list.SetSortColumn(CMoveListCtrl::ColVolume);
    list.SortItems();
    QCOMPARE(Column(list, CMoveListCtrl::ColVolume), moving);

    // Copy: the selected Volumes on the clipboard, and the notice.
    list.SetItemSelected(0, true);
    list.SetItemSelected(1, true);
    FindAction(page->Menu(), QStringLiteral("&Copy"))->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY2(copied.contains(moving[0]) && copied.contains(moving[1]) &&
                 !copied.contains(moving[2]),
             qPrintable(copied));
    QVERIFY(
        run.Notifications().contains(QStringLiteral("Copied items|Copied 2 items to clipboard|")));

    // Export: the selected rows with every column.
    QTemporaryDir folder;
    CsvExportUi ui(folder.filePath(QStringLiteral("moves.csv")));
    list.SetExportUi(&ui);
    FindAction(page->Menu(), QStringLiteral("Export"))->trigger();
    const QStringList lines = ui.Lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("Volume,Current,Target,Move Time,Scanned-Out,Overdue"));
    QVERIFY2(lines[1].startsWith(moving[0] + QLatin1Char(',')) &&
                 lines[2].startsWith(moving[1] + QLatin1Char(',')),
             qPrintable(lines.join('\n')));

    // Cancel three moves; another workstation changed the third since the
    // list was read, so that one is refused and keeps its change.
    const QString a = moving[0], b = moving[1], c = moving[2];
    ZELVVOLSEx theirs;
    theirs.key.customerId = "ACME";
    theirs.key.mediaId = "LTO6";
    theirs.key.volumeId.Set(c);
    QVERIFY(server.Get(&theirs).IsOK());
    theirs.vol.threshold = 4321;
    QVERIFY(server.Update(theirs).IsOK());
    const int historyA = int(Read(server, a).fields.size());
    list.SetItemSelected(2, true);
    QCOMPARE(list.GetSelectedCount(), 3);
    {
        ResultCloser closer(this);
        FindAction(page->Menu(), QStringLiteral("&Cancel Move"))->trigger();
        QVERIFY2(closer.text.contains(a + QStringLiteral("\tOK\n")), qPrintable(closer.text));
        QVERIFY2(closer.text.contains(b + QStringLiteral("\tOK\n")), qPrintable(closer.text));
        QVERIFY2(closer.text.contains(c + QStringLiteral("\tChanged by another user")),
                 qPrintable(closer.text));
        QVERIFY2(closer.text.endsWith(QStringLiteral("OK(2) NotOK(1)\n")), qPrintable(closer.text));
    }
    for (const QString& id : {a, b}) {
        const Server s = Read(server, id);
        QCOMPARE(s.target, s.current);
        QVERIFY(!(s.flags & ZELVVOL_MOVING));
        QVERIFY2(s.fields.contains(QStringLiteral("target")), qPrintable(s.fields.join(' ')));
    }
    QVERIFY(int(Read(server, a).fields.size()) > historyA);
    const Server stale = Read(server, c);
    QVERIFY(stale.flags & ZELVVOL_MOVING);
    QVERIFY(stale.target != stale.current);
    ZELVVOLS kept;
    QVERIFY(server.Get(&kept, QStringLiteral("ACME"), QStringLiteral("LTO6"), c).IsOK());
    QCOMPARE(kept.threshold, uint16_t(4321));

    const QString refused = CZELV10RC(ZELV10RC_CHANGED, QStringLiteral("not moved")).Get();
    const QStringList log = run.LogTexts();
    const int start =
        int(log.indexOf(QStringLiteral("Move-Lists: Cancelling 3 moves for Customer(ACME) Media "
                                       "Type(LTO6)")));
    QVERIFY2(start >= 0, qPrintable(log.join('\n')));
    QCOMPARE(log.mid(start + 1, 4),
             (QStringList{QStringLiteral("ACME.LTO6.%1: OK").arg(a),
                          QStringLiteral("ACME.LTO6.%1: OK").arg(b),
                          QStringLiteral("ACME.LTO6.%1: %2").arg(c, refused),
                          QStringLiteral("Update complete: OK(2) NotOK(1)")}));

    // The list is read again: the cancelled moves are gone, the refused one
    // stays and, read afresh, can be cancelled now.
    QStringList left = Column(list, CMoveListCtrl::ColVolume);
    QVERIFY(!left.contains(a) && !left.contains(b) && left.contains(c));
    QCOMPARE(left.size(), moving.size() - 2);
    list.SelectNone();
    list.SetItemSelected(int(left.indexOf(c)), true);
    {
        ResultCloser closer(this);
        QCOMPARE(page->CancelMoves(), 1);
        QVERIFY2(closer.text.endsWith(QStringLiteral("OK(1) NotOK(0)\n")), qPrintable(closer.text));
    }
    QVERIFY(!Column(list, CMoveListCtrl::ColVolume).contains(c));

    // Back to the Customers: one whose moves are all hidden gets no tab and no rows.
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(ChooseCustomer(run, "STIL"));
    QCOMPARE(run.ActivePageId(), int(IDD_MOVE_LIST));
    QCOMPARE(page->Tabs()->count(), 0);
    QCOMPARE(list.GetItemCount(), 0);

    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
}

void MoveListWorkflowTest::libraryHealthOnTheTaskMenu() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddMoveListData))
        QSKIP("no database for this engine");
    // Off-site arrivals are the server's own record; set them as if they happened.
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    QVERIFY(db.Exec(QStringLiteral("UPDATE media SET last_offsite = %1 WHERE customer_id = 'HLTH' "
                                   "AND media_id IN ('GOOD', 'SIXT')")
                        .arg(now)));
    QVERIFY(db.Exec(QStringLiteral("UPDATE media SET last_offsite = %1 WHERE customer_id = 'HLTH' "
                                   "AND media_id = 'FIFT'")
                        .arg(now - 11 * kDay)));

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CIntroPage* intro = sheet.IntroPage();
    QTabBar* tabs = intro->CustomerTabs();
    int tab = -1;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QLatin1String("Health Check"))
            tab = i;
    QVERIFY(tab >= 0);
    tabs->setCurrentIndex(tab);
    CCustomerPropertyGridCtrl& grid = *intro->Properties()->Grid();

    const struct {
        const char* media; // in the server's order, by identifier
        const char* moving;
        const char* score; // nullptr: no Library Health group
        const char* word;
        QStringList problems;
        bool warns;
    } rows[] = {
        {"Fifty Tapes",
         "0",
         "50",
         "Not ideal",
         {"No Sync for 4 days|-10", "No Sync for 10 days|-10", "No Offsite activity for 4 days|-10",
          "No Offsite activity for 10 days|-20"},
         true},
        {"Good Tapes", "1", "100", "Ideal", {}, false},
        {"No Health", "0", nullptr, nullptr, {}, false},
        {"Sixty Tapes", "0", "60", "Not ideal", {"No Sync|-30", "Double Move Warnings|-10"}, false},
    };
    QCOMPARE(grid.GetPropertyCount(), int(std::size(rows)));
    const QStringList notices = run.Notifications();
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const auto& r = rows[i];
        const CZELVPropertyGridProperty* group = grid.GetProperty(i);
        QCOMPARE(group->GetName(), QString::fromLatin1(r.media));
        QCOMPARE(Value(group, QStringLiteral("Moving Volumes")), QString::fromLatin1(r.moving));
        const CZELVPropertyGridProperty* health = SubItem(group, QStringLiteral("Library Health"));
        QCOMPARE(health != nullptr, r.score != nullptr);
        const QString warning =
            QStringLiteral("Library Health Warning|%1 has a library status of "
                           "%2|")
                .arg(QString::fromLatin1(r.media), QString::fromLatin1(r.word ? r.word : ""));
        QCOMPARE(notices.contains(warning), r.warns);
        if (!health)
            continue;
        QVERIFY(!health->IsEnabled());
        QCOMPARE(Value(health, QStringLiteral("Score")), QString::fromLatin1(r.score));
        QCOMPARE(SubItem(health, QStringLiteral("Health"))->GetInt(),
                 QString::fromLatin1(r.score).toLongLong());
        QCOMPARE(Value(health, QStringLiteral("Description")), QString::fromLatin1(r.word));
        QCOMPARE(Rows(SubItem(health, QStringLiteral("Problems"))), r.problems);
    }
    // Per Repository of the Media Type with Volumes: total, moving in, moving out.
    QCOMPARE(
        Rows(SubItem(grid.GetProperty(1), QStringLiteral("Library Statistics"))),
        (QStringList{QStringLiteral("Data Centre|2|0|1"), QStringLiteral("North Vault|0|1|0")}));
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    MoveListWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "MoveListWorkflowTest.moc"
