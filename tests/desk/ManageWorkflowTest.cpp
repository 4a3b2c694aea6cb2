// Volume Management on the demo data set, on both engines: the operator picks
// the Customer, filters the Volumes of a Media Type, edits a next move and a
// description in the panel; the test reads the server, the history rows, the
// transaction log, what was shown and what was refused.
#include "CustomerPage.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10ScanDlg.h"
#include "ZELV10UpdateStatsGridCtrl.h"
#include "ZELVExport.h"
#include "ZELVListCtrl.h"
#include "ZELVPopup.h"
#include "ZELVPropertyGridCtrl.h"
#include "manage/ManagePage.h"
#include "manage/ManageProperties.h"
#include "manage/MoveDatePropertyGridProperty.h"

#include <QChartView>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

// Beside the demo data: a hidden ACME LTO6 Volume and one the test edits.
CZELV10RC AddManageVolumes(CZELV10MFC& mfc) {
    ZELVVOLSEx v;
    v.key.customerId = "ACME";
    v.key.mediaId = "LTO6";
    for (ZELVVOLLOC& location : v.vol.location)
        location.repositoryId = "DC01";
    v.key.volumeId = "H000001";
    v.vol.flags = ZELVVOL_HIDDEN;
    CZELV10RC rc = mfc.Add(v);
    v.key.volumeId = "M000001";
    v.vol.flags = 0;
    return rc.IsOK() ? mfc.Add(v) : rc;
}

QString Config(const QString& logs) {
    return QStringLiteral("options = { logfile = \"%1\"; };\n").arg(logs);
}

int RowOf(const CZELVListCtrl& list, const QString& text) {
    return int(Column(list, 0).indexOf(text));
}

// "field|old|new" of the server's history of M000001, newest first.
QStringList ServerHistory(CZELV10MFC& mfc) {
    std::vector<ZELVVOLHISTORY> rows;
    mfc.List(&rows, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("M000001"),
             true);
    QStringList out;
    for (const ZELVVOLHISTORY& h : rows)
        out << h.field.Text() + QLatin1Char('|') + h.oldValue + QLatin1Char('|') + h.newValue;
    return out;
}

// The same rows as the page's History tab shows them.
QStringList PageHistory(const CZELVListCtrl& history) {
    QStringList out;
    for (int row = 0; row < history.GetItemCount(); ++row)
        out << history.GetItemText(row, 5) + QLatin1Char('|') + history.GetItemText(row, 6) +
                   QLatin1Char('|') + history.GetItemText(row, 7);
    return out;
}

struct Stored {
    QString moveDate; // "Permanent" or yyyy-mm-dd
    QString description;
    uint64_t version = 0;
};

Stored Read(CZELV10MFC& mfc) {
    Stored s;
    ZELVVOLSFULL v;
    if (!mfc.Get(&v, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("M000001"))
             .IsOK())
        return s;
    s.moveDate = (v.vol.flags & ZELVVOL_MOVEDATE) ? FormatDate(v.vol.moveDate, "%Y-%m-%d")
                                                  : QStringLiteral("Permanent");
    ZELVATTRIBUTE d;
    if (mfc.Get(&d, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("M000001"), 0)
            .IsOK())
        s.description = d.value.Text();
    s.version = v.vol.version;
    return s;
}

CZELVDate Day(int y, int m, int d) {
    CZELVDate date;
    date.SetDate(y, m, d);
    return date;
}

} // namespace

class ManageWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void manageFromTheTaskMenuToTheServer();
    void scanToAddAndExport();

private:
    bool MakeDatabase(DemoDatabase& db);
};

void ManageWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

bool ManageWorkflowTest::MakeDatabase(DemoDatabase& db) {
    return MakeForEngine(db, AddManageVolumes);
}

void ManageWorkflowTest::manageFromTheTaskMenuToTheServer() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    CZELV10MFC server; // what the server holds, and another operator's workstation
    server.SetServerAddress(db.Address());
    server.SetMachineName(QStringLiteral("ws-two"));
    QVERIFY(server.Logon().IsOK());

    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Volume Management")));
    QVERIFY(ChooseCustomer(run, "ACME"));
    QCOMPARE(run.ActivePageId(), int(IDD_MANAGE));
    auto* page = qobject_cast<CManagePage*>(sheet.GetActivePage());
    QVERIFY(page);
    CManageProperties& panel = *page->Panel();
    QVERIFY(panel.isVisible());

    // A tab per Media Type the Customer shows that holds Volumes, in list order.
    std::vector<ZELVMEDIAEx> media;
    QVERIFY(server.List(&media, QStringLiteral("ACME")).IsOK());
    QStringList tabs, expectedTabs;
    for (const ZELVMEDIAEx& m : media)
        if (!(m.flags & ZELVMEDIA_HIDDEN) && m.volumes > 0)
            expectedTabs << (m.name.IsEmpty() ? QStringLiteral("ID(%1)").arg(m.mediaId.Text())
                                              : m.name.Text());
    for (int i = 0; i < page->Tabs()->count(); ++i)
        tabs << page->Tabs()->tabText(i);
    QCOMPARE(tabs, expectedTabs);
    int lto6 = -1;
    for (size_t i = 0; i < page->TabMedia().size(); ++i)
        if (page->TabMedia()[i].mediaId == "LTO6")
            lto6 = int(i);
    QVERIFY(lto6 >= 0);
    page->Tabs()->setCurrentIndex(lto6);
    DeskRun::Flush();
    QCOMPARE(sheet.Media(), QStringLiteral("LTO6"));

    // Every Volume of the Media Type but the hidden one, which is counted.
    std::vector<ZELVVOLSFULL> all;
    QVERIFY(server.List(&all, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK());
    std::vector<ZELVREPOSITORYFULL> places;
    QVERIFY(server.List(&places, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK());
    auto placeName = [&](const ZELVVOLSFULL& v) {
        for (const ZELVREPOSITORYFULL& r : places)
            if (r.repositoryId == v.vol.Current().repositoryId)
                return r.name.Text();
        return QString();
    };
    unsigned hidden = 0;
    for (const ZELVVOLSFULL& v : all)
        hidden += (v.vol.flags & ZELVVOL_HIDDEN) ? 1 : 0;
    QVERIFY(hidden >= 1);
    const CZELVListCtrl& list = *panel.List();
    QCOMPARE(list.GetItemCount(), int(all.size() - hidden));
    QCOMPARE(RowOf(list, QStringLiteral("H000001")), -1);
    QCOMPARE(panel.HiddenCount(), hidden);
    const ZELVREPOSITORYFULL* home = nullptr;
    for (const ZELVREPOSITORYFULL& r : places)
        if (r.repositoryId == "DC01")
            home = &r;
    QVERIFY(home && home->scratchRequired > home->scratch);
    const QStringList notices = run.Notifications();
    QVERIFY2(notices.contains(QStringLiteral("Hidden Volumes|You have %1 hidden Volumes|Use "
                                             "Fennick to view Hidden Volumes")
                                  .arg(hidden)),
             qPrintable(notices.join('\n')));
    QVERIFY2(notices.contains(QStringLiteral("Repository Scratch Deficit|Repository Data Centre "
                                             "requires Scratch Volumes|An additional %1 Volumes "
                                             "are required")
                                  .arg(home->scratchRequired - home->scratch)),
             qPrintable(notices.join('\n')));
    QVERIFY(!panel.Details()->isVisible());
    QVERIFY(panel.ChartView()->isVisible());

    // Header filters: what the list shows is what the server's rows say.
    const struct {
        int column;
        const char* pattern;
        std::function<bool(const ZELVVOLSFULL&)> wanted;
        bool malformed;
    } filters[] = {
        {0, "M*", [](const ZELVVOLSFULL& v) { return v.key.volumeId.Text().startsWith('M'); },
         false},
        {1, "*Vault", [&](const ZELVVOLSFULL& v) { return placeName(v).endsWith("Vault"); }, false},
        {0, "!(A*)", [](const ZELVVOLSFULL& v) { return !v.key.volumeId.Text().startsWith('A'); },
         false},
        {0, "[[:vowel:]]*", [](const ZELVVOLSFULL&) { return false; }, true},
    };
    for (const auto& f : filters) {
        panel.List()->SetFilterText(f.column, QString::fromLatin1(f.pattern));
        QStringList expected;
        for (const ZELVVOLSFULL& v : all)
            if (!(v.vol.flags & ZELVVOL_HIDDEN) && f.wanted(v))
                expected << v.key.volumeId.Text();
        QCOMPARE(Column(list, 0), expected);
        QCOMPARE(panel.FilterNotice()->isVisibleTo(&panel), f.malformed);
        if (f.malformed)
            QVERIFY2(panel.FilterNotice()->text().contains(
                         QStringLiteral("The Volume-ID filter \"[[:vowel:]]*\" matches nothing. "
                                        "\"[:vowel:]\" names no character class.")),
                     qPrintable(panel.FilterNotice()->text()));
        panel.List()->SetFilterText(f.column, QString());
    }
    QCOMPARE(list.GetItemCount(), int(all.size() - hidden));
    QVERIFY(!panel.FilterNotice()->isVisibleTo(&panel));

    // Selecting the Volume shows its properties and its history.
    panel.List()->SetFilterText(0, QStringLiteral("M000001"));
    QCOMPARE(list.GetItemCount(), 1);
    panel.List()->SetItemSelected(0, true);
    DeskRun::Flush();
    QVERIFY(panel.Selected());
    QVERIFY(panel.Details()->isVisible());
    CZELVPropertyGridCtrl& grid = *panel.Grid();
    QVERIFY(grid.FindProperty(QStringLiteral("Retention Days")));
    QVERIFY(grid.FindProperty(QStringLiteral("Encrypted")));
    QCOMPARE(PageHistory(*panel.History()), ServerHistory(server));
    // The Volume's update statistics: the last change, by whom and from where.
    {
        ZELV10IPDETAILS d;
        QVERIFY(server
                    .GetUpdateDetails(&d, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                                      QStringLiteral("M000001"))
                    .IsOK());
        const CZELV10UpdateStatsGridCtrl& stats = *panel.UpdateStats();
        QCOMPARE(stats.FindProperty(QStringLiteral("User-ID"))->FormatValue(), d.userId.Text());
        QCOMPARE(stats.FindProperty(QStringLiteral("Machine Name"))->FormatValue(),
                 d.machine.Text());
        QVERIFY(stats.FindProperty(QStringLiteral("When")));
    }

    // Edits: written at once, on the server with their history row, logged.
    // Bad input: refused with the server's or the panel's message, nothing
    // written. Stale: another operator changed the Volume since the panel
    // read it; refused and the row shows what the server holds.
    const QString tooLong(257, QLatin1Char('d'));
    const struct {
        const char* name;
        std::optional<CZELVDate> move; // else the description
        QString description;
        bool otherFirst;
        const char* caption; // empty: accepted
        const char* message;
        const char* history; // the newest history row afterwards
        const char* log;
    } edits[] = {
        {"move date",
         Day(2030, 6, 15),
         {},
         false,
         "",
         "",
         "move_date|Permanent|2030-06-15",
         "Manage-Volumes: ACME.LTO6.M000001 next move date updated to: 2030-06-15"},
        {"description", std::nullopt, QStringLiteral("Payroll, \"March\""), false, "", "",
         "description||Payroll, \"March\"",
         "Manage-Volumes: ACME.LTO6.M000001 attribute 0 set to: Payroll, \"March\""},
        {"back to permanent",
         CZELVDate(),
         {},
         false,
         "",
         "",
         "move_date|2030-06-15|Permanent",
         "Manage-Volumes: ACME.LTO6.M000001 next move date updated to: Permanent"},
        {"date before the server's range",
         Day(1969, 12, 31),
         {},
         false,
         "Next Move Date Update Failed",
         "is not a day from 1970-01-01 to 9999-12-31",
         nullptr,
         nullptr},
        {"description too long", std::nullopt, tooLong, false, "Attribute Update Failed",
         "Description is longer than 256 bytes", nullptr, nullptr},
        {"stale move date",
         Day(2031, 1, 2),
         {},
         true,
         "Next Move Date Update Failed",
         "Changed by another user",
         nullptr,
         nullptr},
        {"stale description", std::nullopt, QStringLiteral("Mine"), true, "Attribute Update Failed",
         "Changed by another user", nullptr, nullptr},
    };
    int otherDay = 1;
    for (const auto& e : edits) {
        QVERIFY2(panel.Selected(), e.name);
        if (e.otherFirst) {
            // Another workstation sets a date of its own, after the panel read the Volume.
            ZELVVOLSEx theirs;
            theirs.key = panel.Selected()->key;
            QVERIFY(server.Get(&theirs).IsOK());
            theirs.vol.flags |= ZELVVOL_MOVEDATE;
            theirs.vol.moveDate = Day(2040, 1, otherDay++);
            QVERIFY(server.Update(theirs).IsOK());
        }
        const Stored before = Read(server);
        const QStringList historyBefore = ServerHistory(server);
        const int asked = int(run.Prompter().Asked().size());
        if (e.move) {
            CMoveDatePropertyGridProperty* row = panel.NextMoveRow();
            QVERIFY2(row, e.name);
            const CZELVDate chosen = *e.move;
            row->SetEditor([chosen](CZELVDate* date) {
                *date = chosen;
                return 1;
            });
            grid.ClickButton(row);
        } else {
            CZELVPropertyGridProperty* row = grid.FindProperty(QStringLiteral("Description"));
            QVERIFY2(row, e.name);
            grid.CommitValue(row, e.description);
        }
        DeskRun::Flush();
        const Stored after = Read(server);
        const QList<ScriptedPrompter::Record>& prompts = run.Prompter().Asked();
        if (!*e.caption) {
            QCOMPARE(int(prompts.size()), asked);
            QCOMPARE(ServerHistory(server).value(0), QString::fromUtf8(e.history));
            QVERIFY2(run.LogTexts().contains(QString::fromUtf8(e.log)),
                     qPrintable(run.LogTexts().join('\n')));
        } else {
            QCOMPARE(int(prompts.size()), asked + 1);
            QCOMPARE(prompts.last().request.caption, QString::fromLatin1(e.caption));
            QVERIFY2(prompts.last().request.text.contains(QString::fromUtf8(e.message)),
                     qPrintable(prompts.last().request.text));
            QCOMPARE(after.moveDate, before.moveDate);
            QCOMPARE(after.description, before.description);
            QCOMPARE(ServerHistory(server), historyBefore);
        }
        // The panel shows what the server holds, and the same history.
        QCOMPARE(panel.Selected()->vol.version, after.version);
        QVERIFY2(panel.NextMoveRow(), e.name);
        QCOMPARE(panel.NextMoveRow()->GetValue().toString(),
                 after.moveDate == QLatin1String("Permanent")
                     ? QStringLiteral("Permanent")
                     : FormatDate(panel.Selected()->vol.moveDate));
        QCOMPARE(grid.FindProperty(QStringLiteral("Description"))->GetValue().toString(),
                 after.description);
        QCOMPARE(PageHistory(*panel.History()), ServerHistory(server));
    }
    const Stored last = Read(server);
    QCOMPARE(last.moveDate, QStringLiteral("2040-01-02"));
    QCOMPARE(last.description, QStringLiteral("Payroll, \"March\""));

    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
}

void ManageWorkflowTest::scanToAddAndExport() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    CZELV10MFC server;
    server.SetServerAddress(db.Address());
    QVERIFY(server.Logon().IsOK());

    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Volume Management")));
    QVERIFY(ChooseCustomer(run, "ACME"));
    auto* page = qobject_cast<CManagePage*>(sheet.GetActivePage());
    QVERIFY(page);
    for (size_t i = 0; i < page->TabMedia().size(); ++i)
        if (page->TabMedia()[i].mediaId == "LTO6")
            page->Tabs()->setCurrentIndex(int(i));
    QCOMPARE(sheet.Media(), QStringLiteral("LTO6"));
    CManageProperties& panel = *page->Panel();

    // Scan to add: only new Volumes of this Customer and Media Type are added.
    ZELV10BARCODEPARSED unused;
    const uint32_t unreadable =
        server
            .ParseBarCode(&unused, QStringLiteral("ACME.LTO6.bad barcode"), QStringLiteral("ACME"),
                          QStringLiteral("LTO6"), nullptr)
            .Code();
    QVERIFY(unreadable != ZELV10RC_OK);
    const struct {
        const char* barcode;
        uint32_t outcome;
        bool stored; // on the server at the initial Repository afterwards
    } scans[] = {
        {"N000001", ZELV10RC_OK, true},
        {"M000001", ZELV10RC_ALREADYDEFINED, true},
        {"N000001", ZELV10RC_ALREADYDEFINED, true},
        {"GLBX.LTO6.N000002", ZELV10RC_WRONGCUSTOMER, false},
        {"ACME.LTO8.N000003", ZELV10RC_WRONGMEDIA, false},
        {"ACME.LTO6.N000004", ZELV10RC_OK, true},
        {"ACME.LTO6.bad barcode", unreadable, false},
    };
    QList<uint32_t> outcomes;
    QString caption;
    QTimer::singleShot(0, &sheet, [&]() {
        auto* window = sheet.findChild<CZELV10ScanDlg*>();
        if (!window)
            return;
        caption = window->windowTitle();
        for (const auto& scan : scans)
            window->SubmitBarcode(QString::fromLatin1(scan.barcode));
        for (const CZELV10ScanDlg::Scan& scan : window->Scans())
            outcomes.append(scan.outcome);
        window->accept();
    });
    QAction* add = FindAction(panel.Menu(), QStringLiteral("To &Add"));
    QVERIFY(add);
    add->trigger();
    QCOMPARE(caption, QStringLiteral("Scan to add new Volumes"));
    QCOMPARE(outcomes.size(), int(std::size(scans)));
    for (int i = 0; i < int(std::size(scans)); ++i) {
        const QString barcode = QString::fromLatin1(scans[i].barcode);
        QCOMPARE(outcomes[i], scans[i].outcome);
        if (barcode.count(QLatin1Char('.')) == 0 ||
            barcode.startsWith(QLatin1String("ACME.LTO6."))) {
            const QString id = barcode.section(QLatin1Char('.'), -1);
            ZELVVOLS stored;
            const bool there =
                server.Get(&stored, QStringLiteral("ACME"), QStringLiteral("LTO6"), id).IsOK();
            QCOMPARE(there, scans[i].stored);
        }
    }
    ZELVVOLS added;
    QVERIFY(
        server
            .Get(&added, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("N000004"))
            .IsOK());
    QCOMPARE(added.Current().repositoryId.Text(), QStringLiteral("INIT"));
    QVERIFY(
        !server
             .Get(&added, QStringLiteral("GLBX"), QStringLiteral("LTO6"), QStringLiteral("N000002"))
             .IsOK());
    QVERIFY(run.LogTexts().contains(QStringLiteral("Scan to add new volumes")));
    // The list is read again: the new Volumes show, at the initial Repository.
    const QStringList ids = Column(*panel.List(), 0);
    for (const char* id : {"N000001", "N000004"})
        QVERIFY2(ids.contains(QLatin1String(id)), id);

    // Export: the Volume with its next move and description, then the list
    // is back to its two columns.
    std::vector<ZELVVOLSFULL> all;
    QVERIFY(server.List(&all, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK());
    const ZELVVOLSFULL* dated = nullptr;
    for (const ZELVVOLSFULL& v : all)
        if (!dated && (v.vol.flags & ZELVVOL_MOVEDATE) && !(v.vol.flags & ZELVVOL_HIDDEN))
            dated = &v;
    QVERIFY(dated);
    ZELVATTRIBUTEEx description;
    description.key = dated->key;
    description.value = "Quarterly, \"set 2\"";
    QVERIFY(server.Put(description).IsOK());
    const QString id = dated->key.volumeId.Text();
    panel.List()->SetFilterText(0, id);
    QCOMPARE(panel.List()->GetItemCount(), 1);
    panel.List()->SetItemSelected(0, true);
    QTemporaryDir folder;
    CsvExportUi ui(folder.filePath(QStringLiteral("manage.csv")));
    panel.List()->SetExportUi(&ui);
    // Ctrl+E runs the page's export, with its title and extra columns.
    QTest::keyClick(panel.List()->Table(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(ui.mailAllowed);
    const QStringList row = {id, panel.LocationName(*dated),
                             FormatDate(dated->vol.moveDate, "%A, %B %d, %Y"),
                             QStringLiteral("Quarterly, \"set 2\"")};
    QStringList fields;
    for (const QString& cell : row)
        fields << ZELVExport::CSVField(cell);
    QCOMPARE(ui.Lines(), (QStringList{QStringLiteral("Volume-ID,Location,Next move,Description"),
                                      fields.join(QLatin1Char(','))}));
    QCOMPARE(panel.List()->GetColumnCount(), 2);
}

QTEST_MAIN(ManageWorkflowTest)
#include "ManageWorkflowTest.moc"
