// Send from the task menu to the server on the demo data set, on both
// engines: scans into the tree, edits in the grid and in Quick Edit, apply,
// the verification report, attributes; plus the scan list's own rules.
#include "AttributeRows.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "ExtendedAttributesPage.h"
#include "HolidayFile.h"
#include "HolidayWarningDlg.h"
#include "UpdatePage.h"
#include "UpdatePageApply.h"
#include "VolumeAuto.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrlEditors.h"

#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <QtTest>

namespace {

ZELV10BARCODEPARSED Scanned(const char* media, const char* volume, uint32_t flags) {
    ZELV10BARCODEPARSED p;
    p.customerId = "ACME";
    p.mediaId = media;
    p.volumeId = volume;
    p.flags = flags;
    return p;
}

constexpr uint32_t kKnown = ZELVPARSED_DEFINED;
constexpr uint32_t kKnownContainer = ZELVPARSED_DEFINED | ZELVPARSED_CONTAINER;

QTreeWidgetItem* NodeOf(CUpdatePage& page, const QString& volume) {
    for (int i = 0; i < page.List().Count(); ++i)
        if (page.List().At(i)->record.key.volumeId.Text() == volume)
            return page.List().At(i)->node;
    return nullptr;
}

// "Container[Volume,Volume]" of the tree's top level, in order.
QStringList TreeShape(const CUpdatePage& page) {
    QStringList shape;
    QTreeWidget* tree = page.Tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        QStringList children;
        for (int c = 0; c < top->childCount(); ++c)
            children << top->child(c)->text(0).section(QLatin1Char('.'), 2);
        shape << top->text(0).section(QLatin1Char('.'), -1) + "[" + children.join(',') + "]";
    }
    return shape;
}

CZELVDate InDays(int days) {
    CZELVDate d;
    d.SetFromTime(0);
    d.AddDays(days);
    return d;
}

void CommitOption(CZELVPropertyGridCtrl& grid, int row, const QVariant& data) {
    CZELVPropertyGridProperty* p = grid.FindItemByData(row);
    QVERIFY(p);
    for (int i = 0; i < p->GetOptionCount(); ++i)
        if (p->GetOptionData(i) == data) {
            grid.CommitValue(p, p->GetOption(i));
            return;
        }
    QFAIL("no such option");
}

} // namespace

class SendWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { AddEngineRows(); }
    void scanEditApplyAndVerify();
    void badInputIsRefusedAndNothingWritten();
    void automaticValuesAndHolidayFiles_data();
    void automaticValuesAndHolidayFiles();
};

void SendWorkflowTest::scanEditApplyAndVerify() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    QVERIFY(sheet.OpenLogAndLogon(sheet.LogFolder()));
    QVERIFY(sheet.SetActivePageById(sheet.FirstTaskPage()));
    auto* page = qobject_cast<CUpdatePage*>(sheet.GetActivePage());
    QVERIFY(page);
    page->Timer(CUpdatePage::kScanTimer)->stop();
    CZELVDate pickedDate;
    page->SetMoveDateEditor([&](CZELVDate* d) {
        *d = pickedDate;
        return 1;
    });
    page->SetThresholdEditor([](uint16_t* m) {
        *m = 1500;
        return true;
    });
    QStringList holidayRows;
    int holidayAnswer = 2;
    page->SetHolidayDialog([&]() {
        CHolidayWarningDlg dialog(page->List());
        holidayRows.clear();
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            holidayRows << dialog.List()->topLevelItem(i)->text(0) + " " +
                               dialog.List()->topLevelItem(i)->text(1);
        return holidayAnswer;
    });
    ScriptedPrompter& prompter = run.Prompter();

    // Scans: two loose Volumes, a Container and what follows it, an unknown
    // Volume, an unknown Container (added at once), a duplicate.
    struct Scan {
        const char* media;
        const char* volume;
        uint32_t flags;
        int answer;      // the question it raises, PromptNone for none
        uint32_t result; // what the scanning window is told
    };
    const Scan scans[] = {
        {"LTO6", "A000023", kKnown, PromptNone, 0},
        {"LTO6", "A000024", kKnown, PromptNone, 0},
        {"CONT", "CN0001", kKnownContainer, PromptNone, 0},
        {"LTO6", "A000002", kKnown, PromptNone, 0},
        {"LTO6", "A000003", kKnown, PromptNone, 0},
        {"LTO6", "A000005", kKnown, PromptNone, 0},
        {"LTO6", "NEW901", 0, PromptNone, 0},
        {"CONT", "CN0901", ZELVPARSED_CONTAINER, PromptYes, 0},
        {"LTO6", "A000006", kKnown, PromptNone, 0},
        {"LTO6", "A000002", kKnown, PromptOk, uint32_t(ZELV10RC_ALREADYDEFINED)},
    };
    for (const Scan& s : scans) {
        if (s.answer != PromptNone)
            prompter.Answer(s.answer);
        QCOMPARE(page->OnScan(CZELV10RC(), Scanned(s.media, s.volume, s.flags)), s.result);
    }
    QCOMPARE(page->List().Count(), 9);
    QCOMPARE(run.PromptCaptions(), (QStringList{"New Container Alert", "Duplicate"}));
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Kelmar Lite\u2122 - Scan and Modify (9)"));
    QCOMPARE(TreeShape(*page),
             (QStringList{"No Container[A000023,A000024]", "CN0001[A000002,A000003,A000005,NEW901]",
                          "CN0901[A000006]"}));
    QCOMPARE(NodeOf(*page, "NEW901")->background(0).color(), QColor(Qt::red));

    // Drags: only a Volume onto another Container moves.
    struct Drag {
        const char* dragged;
        const char* target; // nullptr: "No Container"
        bool moves;
    };
    const Drag drags[] = {{"A000003", nullptr, false},
                          {"A000003", "A000002", false},
                          {"A000003", "CN0001", false},
                          {"CN0001", "CN0901", false},
                          {"A000005", "CN0901", true}};
    for (const Drag& d : drags) {
        QTreeWidgetItem* target = d.target ? NodeOf(*page, d.target) : page->NoContainerNode();
        QCOMPARE(page->Tree()->DropOn(NodeOf(*page, d.dragged), target), d.moves);
    }
    QCOMPARE(TreeShape(*page),
             (QStringList{"No Container[A000023,A000024]", "CN0001[A000002,A000003,NEW901]",
                          "CN0901[A000006,A000005]"}));

    // The grid over A000002: target, next move, threshold, cluster, description.
    page->ShowItem(NodeOf(*page, "A000002"));
    CUpdatePropertyGridCtrl& grid = *page->Grid();
    QCOMPARE(grid.FindItemByData(CUpdatePage::RowStatus)->GetValue().toString(),
             QStringLiteral("Known"));
    CommitOption(grid, CUpdatePage::RowTarget, QStringLiteral("VLT1"));
    pickedDate = InDays(10);
    QVERIFY(grid.ClickButton(grid.FindItemByData(CUpdatePage::RowNextMove)));
    QVERIFY(grid.ClickButton(grid.FindItemByData(CUpdatePage::RowThreshold)));
    CommitOption(grid, CUpdatePage::RowCluster, 2u); // Finance
    grid.CommitValue(grid.FindItemByData(CUpdatePage::RowDescription), QStringLiteral("Payroll"));

    // Quick Edit: A000003 gets a description, a date and a cluster in place,
    // then its values go onto five rows at once.
    page->ItemTabs()->setCurrentIndex(1);
    CUpdateQuickEditListCtrl& quick = *page->QuickEdit();
    QCOMPARE(quick.GetItemCount(), 9);
    QVERIFY(quick.BeginEdit(4, CUpdateQuickEditListCtrl::ColDescription));
    quick.TextEditor()->setText(QStringLiteral("Quarterly set"));
    quick.EndEdit(false);
    QVERIFY(quick.BeginEdit(4, CUpdateQuickEditListCtrl::ColNextMove));
    QVERIFY(quick.DateEditor()->SetZelvDate(InDays(20)));
    quick.EndEdit(false);
    QVERIFY(quick.BeginEdit(4, CUpdateQuickEditListCtrl::ColCluster));
    quick.ComboEditor()->setCurrentIndex(quick.ComboEditor()->findText(QStringLiteral("Payroll")));
    quick.EndEdit(false);
    quick.SelectNone();
    page->Copy(CUpdatePage::ClipAll); // nothing selected: refused
    QCOMPARE(run.PromptCaptions().last(), QStringLiteral("Selection Error"));
    quick.SetItemSelected(4, true);
    page->Copy(CUpdatePage::ClipAll);
    quick.SelectNone();
    for (int row : {0, 1, 5, 6, 8})
        quick.SetItemSelected(row, true);
    page->Paste(CUpdatePage::ClipAll);
    QCOMPARE(Column(quick, CUpdateQuickEditListCtrl::ColDescription),
             (QStringList{"Quarterly set", "Quarterly set", "Container 1", "Payroll",
                          "Quarterly set", "Quarterly set", "Quarterly set", "", "Quarterly set"}));
    const QString d20 = FormatDate(InDays(20), "%Y-%m-%d");
    QCOMPARE(Column(quick, CUpdateQuickEditListCtrl::ColNextMove)[5], d20);
    QCOMPARE(Column(quick, CUpdateQuickEditListCtrl::ColCluster)[8], QStringLiteral("Payroll"));
    // Page Down on one row: a day earlier.
    quick.SelectNone();
    quick.SetItemSelected(8, true);
    page->StepDates(-1);
    QCOMPARE(quick.GetItemText(8, CUpdateQuickEditListCtrl::ColNextMove),
             FormatDate(InDays(19), "%Y-%m-%d"));
    page->ItemTabs()->setCurrentIndex(0);

    // Next: the unknown Volume is offered and added; the page stays.
    prompter.Answer(PromptYes);
    QCOMPARE(page->OnWizardNext(), int(CZELVWizardPage::kStay));
    QVERIFY(page->List().At(6)->IsKnown());
    QCOMPARE(run.PromptCaptions().last(), QStringLiteral("Add New Volumes"));

    // Holidays: two requested dates fall on them; the first answer returns.
    const int year = QDate::currentDate().year() + 1;
    page->List().At(1)->nextMove.SetDate(year, 1, 2); // A000024: ACME's own
    page->List().At(8)->nextMove.SetDate(year, 1, 1); // A000006: every Customer's
    QCOMPARE(page->OnWizardNext(), int(CZELVWizardPage::kStay));
    QCOMPARE(holidayRows, (QStringList{"ACME.LTO6.A000006 New Year's Day",
                                       "ACME.LTO6.A000024 ACME shutdown day"}));
    holidayAnswer = 1;
    QCOMPARE(page->OnWizardNext(), int(IDD_UPDATE_APPLY));

    // Another operator changes A000003 before the apply: it is refused.
    QVERIFY(db.Exec(QStringLiteral("UPDATE volume SET threshold = 77, version = version + 1 "
                                   "WHERE volume_id = 'A000003'")));
    QVERIFY(sheet.SetActivePageById(IDD_UPDATE_APPLY));
    auto* apply = qobject_cast<CUpdatePageApply*>(sheet.GetActivePage());
    QVERIFY(apply);
    apply->Timer()->stop();
    const int logStart = run.LogTexts().size();
    ResultCloser closer(this);
    apply->Run();
    QCOMPARE(closer.shown, 1);
    QCOMPARE(apply->OKCount(), 8);
    QCOMPARE(apply->NotOKCount(), 1);
    QVERIFY(closer.text.contains(QStringLiteral("A000003")));

    CZELV10MFC mfc;
    mfc.SetServerAddress(db.Address());
    QVERIFY(mfc.Logon(1).IsOK());
    ZELVVOLS v;
    QVERIFY(mfc.Get(&v, "ACME", "LTO6", "A000002").IsOK());
    QCOMPARE(v.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    QCOMPARE(v.moveDate.Value(), InDays(10).Value());
    QCOMPARE(v.threshold, uint16_t(1500));
    QCOMPARE(v.dataCluster, 2u);
    QVERIFY(mfc.Get(&v, "ACME", "LTO6", "A000003").IsOK());
    QCOMPARE(v.threshold, uint16_t(77)); // the other operator's change stands
    QVERIFY(mfc.Get(&v, "ACME", "LTO6", "A000005").IsOK());
    ZELVVOLS cn0901;
    QVERIFY(mfc.Get(&cn0901, "ACME", "CONT", "CN0901").IsOK());
    QCOMPARE(v.container, cn0901.container); // dragged
    ZELVATTRIBUTE a;
    QVERIFY(mfc.Get(&a, "ACME", "LTO6", "A000023", 0).IsOK());
    QCOMPARE(a.value.Text(), QStringLiteral("Quarterly set"));
    std::vector<ZELVVOLHISTORY> history;
    QVERIFY(mfc.List(&history, "ACME", "LTO6", "A000002").IsOK());
    QStringList fields;
    for (const ZELVVOLHISTORY& h : history)
        if (h.action.Text() != QLatin1String("add"))
            fields << h.field.Text();
    for (const char* f : {"target", "move_date", "threshold", "data_cluster", "description"})
        QVERIFY2(fields.contains(QLatin1String(f)), f);

    // The log: one line per item, the count, then the report line by line.
    QStringList log = run.LogTexts().mid(logStart);
    QCOMPARE(log.first(), QStringLiteral("Starting Volume Update"));
    QVERIFY(log.contains(QStringLiteral("Updates complete: OK(8) NotOK(1)")));
    const int report = int(log.indexOf(QStringLiteral("***Starting Verification***")));
    QVERIFY(report > 0);
    const QString d10 = FormatDate(InDays(10), "%Y-%m-%d");
    const QStringList expected = {
        "COUNT-CUST-MED--VOLUME-----MOVEDATE---REP--CONTAINER-----------CLUSTER/DESCRIPTION",
        QString::asprintf("00001 %-20s %-10s DC01 %-20s Payroll", "ACME.LTO6.A000023",
                          qPrintable(d20), ""),
        "+" + QString(63, ' ') + "Quarterly set",
    };
    QCOMPARE(log.mid(report + 1, 3), expected);
    QVERIFY(
        log.contains(QString::asprintf("00004 %-20s %-10s VLT1 %-20s Finance", "ACME.LTO6.A000002",
                                       qPrintable(d10), "ACME.CONT.CN0001")));
    // Containers say so; a Volume never dated shows "Permanent".
    QVERIFY(log.contains(QString::asprintf("00003 %-20s %-10s DC01 %-20s ", "ACME.CONT.CN0001",
                                           "Permanent", "Is-Container")));
    QCOMPARE(log.last(), QStringLiteral("***End Verification***"));

    // Next: ACME has attribute types, so its Volumes' attributes follow.
    QCOMPARE(apply->OnWizardNext(), int(IDD_EXTENDED_ATTRIBUTES));
    QVERIFY(sheet.SetActivePageById(IDD_EXTENDED_ATTRIBUTES));
    auto* attributes = qobject_cast<CExtendedAttributesPage*>(sheet.GetActivePage());
    QVERIFY(attributes);
    QCOMPARE(attributes->Tabs()->count(), 9);
    CAttributesPropertyGridCtrl& rows = *attributes->Grid();
    rows.CommitValue(rows.FindProperty(QStringLiteral("Retention Days")),
                     QVariant::fromValue<qint64>(30));
    rows.CommitValue(rows.FindProperty(QStringLiteral("Encrypted")), true);
    attributes->Tabs()->setCurrentIndex(1); // saves the first Volume's rows
    QVERIFY(mfc.Get(&a, "ACME", "LTO6", "A000023", 1).IsOK());
    QCOMPARE(a.value.Text(), QStringLiteral("30"));
    QVERIFY(mfc.Get(&a, "ACME", "LTO6", "A000023", 2).IsOK());
    QCOMPARE(a.value.Text(), QStringLiteral("4294967295"));
    // A date that the row cannot hold is refused by the server, not stored.
    ZELVATTRIBUTEEx bad;
    bad.key.customerId = "ACME";
    bad.key.mediaId = "LTO6";
    bad.key.volumeId = "A000024";
    bad.number = 3;
    bad.value = "next tuesday";
    QCOMPARE(mfc.Put(bad).Code(), uint32_t(ZELV10RC_BADVALUE));
    QCOMPARE(attributes->OnWizardNext(), int(IDD_FINAL));
    QVERIFY(sheet.ScanList().IsEmpty());
}

void SendWorkflowTest::badInputIsRefusedAndNothingWritten() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    // Files that are not text: refused with a message, not read as entries.
    const QDir folder(run.ProgramFolder());
    for (const char* name : {"VolumeAuto.txt", "List-binary.txt"}) {
        QFile f(folder.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("A000002\0\xff\xfe,*+7,x\n", 16));
    }
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    QVERIFY(sheet.OpenLogAndLogon(sheet.LogFolder()));
    sheet.LoadPredefinedLists();
    sheet.PredefinedLists().Select(0);
    ResultCloser closer(this);
    run.Prompter().Answer(PromptOk);
    QVERIFY(sheet.SetActivePageById(IDD_UPDATE));
    auto* page = qobject_cast<CUpdatePage*>(sheet.GetActivePage());
    QVERIFY(page);
    page->Timer(CUpdatePage::kScanTimer)->stop();
    QVERIFY(run.PromptTexts().last().contains(QStringLiteral("is not a text file")));
    QVERIFY(page->VolumeAuto().Items().empty());
    QVERIFY(closer.text.contains(QStringLiteral("List-binary.txt is not a text file")));
    QCOMPARE(page->List().Count(), 0);

    // Barcodes the parser refuses add nothing.
    for (const QString& barcode :
         {QString(200, QLatin1Char('A')), QStringLiteral("A00\x01\x7f2")}) {
        ZELV10BARCODEPARSED parsed;
        const CZELV10RC rc = sheet.Connection().ParseBarCode(
            &parsed, barcode, QStringLiteral("ACME"), QStringLiteral("LTO6"), nullptr);
        QVERIFY(!rc.IsOK());
        QCOMPARE(page->OnScan(rc, parsed), rc.Code());
    }
    QCOMPARE(page->List().Count(), 0);

    // A date the server cannot hold, a description longer than it takes: the
    // item is refused whole and the Volume keeps its version.
    ZELV10BARCODEPARSED p;
    p.customerId = "ACME";
    p.mediaId = "LTO6";
    p.volumeId = "A000023";
    p.flags = kKnown;
    QCOMPARE(page->OnScan(CZELV10RC(), p), 0u);
    UpdateItem* item = page->List().At(0);
    const uint64_t version = item->record.vol.version;
    item->nextMove = CZELVDate::FromWord(CZELVDate::kCalendarBits | (1u << 24) | (1u << 16) | 1969);
    item->hasNextMove = true;
    QCOMPARE(item->ApplyUpdate(sheet.Connection()).Code(), uint32_t(ZELV10RC_BADVALUE));
    item->nextMove = InDays(3);
    item->description = QString(300, QLatin1Char('d'));
    QCOMPARE(item->ApplyUpdate(sheet.Connection()).Code(), uint32_t(ZELV10RC_TEXTTOOLONG));
    ZELVVOLSEx back;
    back.key = item->record.key;
    QVERIFY(sheet.Connection().Get(&back).IsOK());
    QCOMPARE(back.vol.version, version);
    QCOMPARE(back.vol.moveDate.Value(), item->record.vol.moveDate.Value());

    // An attribute row holding more than the server takes is reported by the grid.
    CAttributesPropertyGridCtrl grid;
    grid.Load(sheet.Connection(), item->record.key);
    CZELVPropertyGridProperty* retention = grid.FindProperty(QStringLiteral("Retention Days"));
    QVERIFY(retention);
    grid.CommitValue(retention, QVariant::fromValue<qint64>(45));
    auto text = std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Description"),
                                                            QString(), QString(), 0);
    CZELVPropertyGridProperty* description = grid.AddProperty(std::move(text));
    grid.CommitValue(description, QString(257, QLatin1Char('x')));
    QCOMPARE(grid.Save(sheet.Connection()).Code(), uint32_t(ZELV10RC_TEXTTOOLONG));
    ZELVATTRIBUTE a;
    QVERIFY(sheet.Connection().Get(&a, "ACME", "LTO6", "A000023", 1).IsOK());
    QCOMPARE(a.value.Text(), QStringLiteral("45")); // the good row still went

    // A good list: each line scanned, a line that is no barcode listed as refused.
    QFile good(folder.filePath(QStringLiteral("List-good.txt")));
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write("# Good\nACME.LTO6.A000024\nACME.LTO6.A000025\nACME.LTO6.\x01\n");
    good.close();
    sheet.LoadPredefinedLists();
    sheet.PredefinedLists().Select(1);
    page->FeedPredefinedLists();
    QTRY_COMPARE(closer.shown, 2);
    QCOMPARE(page->List().Count(), 3);
    QVERIFY(closer.text.contains(QStringLiteral("ACME.LTO6.A000025\tOK")));
    QVERIFY(!sheet.PredefinedLists().GetAt(1)->IsSelected());
    sheet.ScanList().RemoveAll();
}

void SendWorkflowTest::automaticValuesAndHolidayFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // VolumeAuto: what the Volume ACME.LTO6.A000123 gets.
    QTest::newRow("auto: first dated match") << "auto"
                                             << "# comment\nACME.LTO6.B*,*+3,other\n"
                                                "ACME.LTO6.A*,*+7,\"weekly, offsite\"rest\n"
                                             << "7 weekly, offsite";
    QTest::newRow("auto: dated today is passed over") << "auto"
                                                      << "ACME.*,*+0,today\n,*+2,any\n"
                                                      << "2 any";
    QTest::newRow("auto: no date never applies") << "auto"
                                                 << "ACME.*\nACME.*,junk,x\n"
                                                 << "none";
    QTest::newRow("auto: extended pattern") << "auto"
                                            << "ACME.LTO6.A+(0|1|2|3),*+5,ext\n"
                                            << "5 ext";
    QTest::newRow("auto: case matters") << "auto"
                                        << "acme.*,*+5,lower\n"
                                        << "none";
    // Holiday files: what is loaded, or why nothing is.
    QTest::newRow("holidays: good") << "holidays"
                                    << "# site\n2027-12-25,Christmas Day\n2027-12-26; Boxing Day\n"
                                    << "2027-12-25 Christmas Day|2027-12-26 Boxing Day";
    QTest::newRow("holidays: bad date") << "holidays"
                                        << "2027-02-30,Nope\n"
                                        << "line 1: 2027-02-30 is not a day of the calendar";
    QTest::newRow("holidays: twice") << "holidays"
                                     << "2027-01-01,A\n\n2027-01-01,B\n"
                                     << "line 3: 2027-01-01 is given twice";
    QTest::newRow("holidays: no name") << "holidays"
                                       << "2027-01-01,\n"
                                       << "line 1: the holiday has no name";
    QTest::newRow("holidays: long name")
        << "holidays"
        << "2027-01-01," + QString(41, 'x') << "line 1: the name is longer than 40 bytes";
}

void SendWorkflowTest::automaticValuesAndHolidayFiles() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (kind == QLatin1String("auto")) {
        CVolumeAutoList list;
        list.Parse(text, ZELVClock::System());
        const CVolumeAutoItem* item =
            list.Match(QStringLiteral("ACME.LTO6.A000123"), ZELVClock::System());
        CZELVDate today;
        today.SetFromTime(0);
        const QString got =
            item
                ? QStringLiteral("%1 %2").arg(DaysBetween(today, item->date)).arg(item->description)
                : QStringLiteral("none");
        QCOMPARE(got, expected);
        return;
    }
    std::vector<ZELVHOLIDAY> days;
    QString error;
    const bool ok = ParseHolidayFile(text, QString(), &days, &error);
    QStringList got;
    for (const ZELVHOLIDAY& h : days)
        got << FormatDate(h.day, "%Y-%m-%d") + " " + h.name.Text();
    QCOMPARE(ok ? got.join('|') : error, expected);
    QVERIFY(ok || days.empty());
}

int main(int argc, char** argv) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    SendWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SendWorkflowTest.moc"
