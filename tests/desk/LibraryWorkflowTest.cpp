// Library Management on the demo data set, on both engines: the Manage
// Library Selection page, the library window's zones and slots, and its
// media changer panel driven by a stand-in mtx placed first in PATH.
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "LibraryManagementPage.h"
#include "MediaPage.h"
#include "ZELV10ChangerPanel.h"
#include "ZELV10ManageDlg.h"
#include "ZELV10MediaListCtrl.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"
#include "ZELVScsiConsole.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

namespace {

// LB001..LB006 of ACME.LTO6 in and around LIB1's Rack A (slots 1-400) and
// Rack B (401-800).
CZELV10RC AddLibraryVolumes(CZELV10MFC& mfc) {
    const struct {
        const char *volume, *at;
        uint32_t atSlot;
        const char* target;
        uint32_t targetSlot;
    } volumes[] = {
        {"LB001", "LIB1", 395, "LIB1", 395}, {"LB002", "DC01", 0, "LIB1", 401},
        {"LB003", "LIB1", 0, "LIB1", 0},     {"LB004", "LIB1", 5000, "LIB1", 5000},
        {"LB005", "LIB1", 397, "LIB1", 397}, {"LB006", "LIB1", 398, "LIB1", 398},
    };
    CZELV10RC rc;
    for (const auto& v : volumes) {
        ZELVVOLSEx rec;
        rec.key.customerId = "ACME";
        rec.key.mediaId = "LTO6";
        rec.key.volumeId = v.volume;
        rec.vol.Current().repositoryId = v.at;
        rec.vol.Current().slot = v.atSlot;
        rec.vol.Target().repositoryId = v.target;
        rec.vol.Target().slot = v.targetSlot;
        rc = mfc.Add(rec);
        if (!rc.IsOK())
            break;
    }
    return rc;
}

// The changer's view: slot 395 agrees, 396 holds a tape the server does not
// know, 397 is empty although the server has LB005 there, LB006 of slot 398
// sits in drive 0.
const char* const kStatus =
    "  Storage Changer /dev/sgTEST:1 Drives, 4 Slots ( 0 Import/Export )\n"
    "Data Transfer Element 0:Full (Storage Element 398 Loaded):VolumeTag = LB006L6\n"
    "      Storage Element 395:Full :VolumeTag=LB001L6\n"
    "      Storage Element 396:Full :VolumeTag=ZZ999L6\n"
    "      Storage Element 397:Empty\n"
    "      Storage Element 398:Empty\n";

// A stand-in mtx in a folder put first in PATH: it records its arguments and
// answers as its mode file says.
class FakeMtx {
public:
    FakeMtx() {
        WriteFile(QStringLiteral("mtx"),
                  "#!/bin/sh\n"
                  "dir=$(dirname \"$0\")\n"
                  "printf '%s\\n' \"$*\" >> \"$dir/args.txt\"\n"
                  "case \"$(cat \"$dir/mode\" 2>/dev/null)\" in\n"
                  "  fail) echo \"mtx: cannot open SCSI device '$2'\" >&2; exit 2 ;;\n"
                  "  hang) exec sleep 60 ;;\n"
                  "  garbage) echo 'hello'; exit 0 ;;\n"
                  "esac\n"
                  "[ \"$3\" = status ] && cat \"$dir/status.txt\"\n"
                  "exit 0\n");
        QFile::setPermissions(m_dir.filePath(QStringLiteral("mtx")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WriteFile(QStringLiteral("status.txt"), kStatus);
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
    }
    ~FakeMtx() { qputenv("PATH", m_oldPath); }
    void SetMode(const char* mode) { WriteFile(QStringLiteral("mode"), mode); }
    QStringList Calls() const {
        QFile f(m_dir.filePath(QStringLiteral("args.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void WriteFile(const QString& name, const char* text) {
        QFile f(m_dir.filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text);
    }
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// The row of the library list that shows the Volume; -1 when none.
int RowOf(const CZELVListCtrl& list, const QString& volume) {
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, CZELV10ManageDlg::ColVolume) == volume)
            return row;
    return -1;
}

QStringList RowTexts(const CZELVListCtrl& list, int row) {
    QStringList out;
    for (int c = 0; c < CZELV10ManageDlg::ColumnCount; ++c)
        out << list.GetItemText(row, c);
    return out;
}

// "element=check" of the changer table's rows, and the rows drawn as mismatches.
QStringList Checks(const QTableWidget& table, QStringList* highlighted) {
    QStringList out;
    for (int row = 0; row < table.rowCount(); ++row) {
        const QString element = table.item(row, CZELV10ChangerPanel::ColElement)->text();
        out << element + QLatin1Char('=') + table.item(row, CZELV10ChangerPanel::ColCheck)->text();
        if (table.item(row, CZELV10ChangerPanel::ColTag)->background().color() ==
            CZELV10ChangerPanel::MismatchColour())
            highlighted->append(element);
    }
    return out;
}

// The library window of LIB1: zones, slots, filter and the changer panel.
void CheckLibraryWindow(CZELV10ManageDlg& dlg, FakeMtx& mtx) {
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Manage Library - Tape Library (LIB1)"));
    QCOMPARE(dlg.Zones().size(), size_t(3));
    for (const CZELV10ManageDlg::ZoneCount& z : dlg.Zones())
        QCOMPARE(z.zone.slotCount, 400u);
    QCOMPARE(dlg.Zones()[0].zone.name.Text(), QStringLiteral("Rack A"));
    // Every slot of the zones has a row; the Volumes outside them follow.
    const CZELVListCtrl& list = *dlg.List();
    const struct {
        const char* volume;
        QStringList texts;
    } expected[] = {
        {"LB001", {"Rack A", "000395", "0395", "LB001", "In slot"}},
        {"LB002", {"Rack B", "000401", "0001", "LB002", "Moving in from Data Centre"}},
        {"LB003", {"(outside the zones)", "", "", "LB003", "In slot, no slot"}},
        {"LB004", {"(outside the zones)", "005000", "", "LB004", "In slot"}},
    };
    for (const auto& e : expected) {
        const int row = RowOf(list, QLatin1String(e.volume));
        QVERIFY2(row >= 0, e.volume);
        QCOMPARE(RowTexts(list, row), e.texts);
    }
    QVERIFY(dlg.Summary().startsWith(QStringLiteral("3 zones, 1,200 slots: ")));
    QVERIFY(dlg.Summary().endsWith(QStringLiteral(" 2 Volumes outside the zones.")));

    dlg.SetFilter(QStringLiteral("LB00[1-4]"));
    QStringList shown = Column(list, CZELV10ManageDlg::ColVolume);
    shown.sort();
    QCOMPARE(shown, (QStringList{"LB001", "LB002", "LB003", "LB004"}));
    dlg.SetFilter(QStringLiteral("rack b"));
    dlg.SetShowEmpty(false);
    for (int row = 0; row < list.GetItemCount(); ++row)
        QVERIFY(list.GetItemText(row, CZELV10ManageDlg::ColZone) == QLatin1String("Rack B") &&
                !list.GetItemText(row, CZELV10ManageDlg::ColVolume).isEmpty());
    QVERIFY(RowOf(list, QStringLiteral("LB002")) >= 0);

    // The changer beside the server's slots.
    CZELV10ChangerPanel* changer = dlg.Changer();
    QVERIFY(changer);
    QVERIFY(changer->RefreshStatus());
    QStringList highlighted;
    QCOMPARE(Checks(*changer->Table(), &highlighted),
             (QStringList{"Drive 0=", "Slot 395=OK", "Slot 396=Mismatch", "Slot 397=Mismatch",
                          "Slot 398=OK"}));
    QCOMPARE(highlighted, (QStringList{"Slot 396", "Slot 397"}));
    QCOMPARE(changer->MismatchCount(), 2);
    QVERIFY(changer->Message().contains(QStringLiteral("2 slots disagree")));
    QVERIFY(changer->Unload(398, 0));
    QCOMPARE(mtx.Calls(), (QStringList{"-f /dev/sgTEST status", "-f /dev/sgTEST unload 398 0",
                                       "-f /dev/sgTEST status"}));
}

} // namespace

class LibraryWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { AddEngineRows(); }
    void selectManageAndFinish();
    void oneRepositoryOpensAtOnce();
    void changerFailuresAreTold_data();
    void changerFailuresAreTold();
    void consoleOffersTheConfiguredChangers();

private:
    // From the task menu to the page after the Media Type Selection of ACME.LTO6.
    bool ToLibraryPage(DeskRun& run);
    // LTO6 chosen on the Media Type Selection page, then Next.
    bool NextFromMedia(DeskRun& run);
};

bool LibraryWorkflowTest::ToLibraryPage(DeskRun& run) {
    if (!run.ChooseTask(QStringLiteral("Library Management")) || !ChooseCustomer(run, "ACME"))
        return false;
    return NextFromMedia(run);
}

bool LibraryWorkflowTest::NextFromMedia(DeskRun& run) {
    auto* media = qobject_cast<CMediaPage*>(run.Sheet().GetActivePage());
    if (!media)
        return false;
    for (int row = 0; row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    return run.Sheet().GoNext();
}

void LibraryWorkflowTest::selectManageAndFinish() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddLibraryVolumes))
        QSKIP("no database for this engine");
    FakeMtx mtx;
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\";\n"
                                   "  changers = ( { repository = \"LIB1\"; device = "
                                   "\"/dev/sgTEST\"; timeout = 20; } ); };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    ResultCloser closer(this);
    QVERIFY(ToLibraryPage(run));
    QCOMPARE(run.ActivePageId(), int(IDD_LIBRARY_MANAGEMENT));
    auto* page = qobject_cast<CLibraryManagementPage*>(sheet.GetActivePage());
    QVERIFY(page);
    const QStringList names = Column(*page->List(), 0);
    for (const char* name : {"Tape Library", "Data Centre", "North Vault"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    QVERIFY(!names.contains(QStringLiteral("Home"))); // hidden

    // Next without a choice stays and says so; Back leads to the Media Types.
    page->List()->SelectNone();
    QVERIFY(!sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_LIBRARY_MANAGEMENT));
    QCOMPARE(run.PromptCaptions().value(0), QStringLiteral("No Selection"));
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_MEDIA));
    QVERIFY(NextFromMedia(run));
    QCOMPARE(run.ActivePageId(), int(IDD_LIBRARY_MANAGEMENT));

    for (int row = 0; row < page->List()->GetItemCount(); ++row)
        if (page->List()->RepositoryAt(row)->repositoryId == "LIB1")
            page->List()->SelectRow(row);
    int opened = 0;
    sheet.SetManageRunner([&](QDialog& dialog) -> int {
        ++opened;
        CheckLibraryWindow(static_cast<CZELV10ManageDlg&>(dialog), mtx);
        return int(QDialog::Rejected);
    });
    QVERIFY(sheet.GoNext());
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(opened, 1);
    QCOMPARE(sheet.Repository(), QStringLiteral("LIB1"));
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
}

void LibraryWorkflowTest::oneRepositoryOpensAtOnce() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; localrepositoryfilter = "
                                   "\"VLT1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    ResultCloser closer(this);
    QStringList seen;
    sheet.SetManageRunner([&](QDialog& dialog) -> int {
        auto& dlg = static_cast<CZELV10ManageDlg&>(dialog);
        seen << dlg.windowTitle();
        auto* none = dlg.findChild<QLabel*>(QStringLiteral("noChanger"));
        seen << (none ? none->text() : QStringLiteral("(a changer panel)"));
        seen << dlg.Summary();
        return int(QDialog::Rejected);
    });
    QVERIFY(ToLibraryPage(run));
    QCOMPARE(seen, (QStringList{"Manage Library - North Vault (VLT1)", CZELV10ManageDlg::kNoChanger,
                                "This Repository has no zones; 27 Volumes are in it."}));
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(sheet.Repository(), QStringLiteral("VLT1"));
}

void LibraryWorkflowTest::changerFailuresAreTold_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("message");
    QTest::newRow("exit code and error text")
        << "fail"
        << "mtx"
        << "mtx -f /dev/sgTEST status failed (exit code 2): mtx: cannot open SCSI device "
           "'/dev/sgTEST'";
    QTest::newRow("no answer within the wait")
        << "hang"
        << "mtx"
        << "The changer did not answer within 1 seconds (mtx -f /dev/sgTEST status).";
    QTest::newRow("an answer without status lines")
        << "garbage"
        << "mtx"
        << "The changer's answer holds no status lines.";
    QTest::newRow("no such program") << ""
                                     << "/nonexistent/mtx"
                                     << "mtx could not be started: ";
}

void LibraryWorkflowTest::changerFailuresAreTold() {
    QFETCH_GLOBAL(QString, engine);
    if (engine != QLatin1String("SQLite"))
        QSKIP("no database involved");
    QFETCH(QString, mode);
    QFETCH(QString, program);
    QFETCH(QString, message);
    FakeMtx mtx;
    mtx.SetMode(mode.toUtf8().constData());
    CZELV10ChangerPanel panel;
    panel.SetDevice(QStringLiteral("/dev/sgTEST"));
    panel.SetProgram(program);
    panel.SetTimeout(1000);
    panel.SetServerSlots({{395, {QStringLiteral("LB001")}}});
    QVERIFY(!panel.RefreshStatus());
    QVERIFY2(panel.Message().startsWith(message), qPrintable(panel.Message()));
    QCOMPARE(panel.Table()->rowCount(), 0);
    QCOMPARE(panel.MismatchCount(), 0);
}

void LibraryWorkflowTest::consoleOffersTheConfiguredChangers() {
    QFETCH_GLOBAL(QString, engine);
    if (engine != QLatin1String("SQLite"))
        QSKIP("no database involved");
    ZELVConfig config;
    QVERIFY(config.ReadString(QStringLiteral(
        "options = { changers = ( { repository = \"LIB1\"; device = \"/dev/sgTEST\"; timeout = 2; "
        "},\n"
        "  { repository = \"LIB2\"; }, 7, { repository = \"LIB3\"; device = \"/dev/sg9\"; "
        "timeout = 9999; } ); };\n")));
    FakeMtx mtx;
    CZELVScsiConsole console(ZELVDeskConfig::Changers(config));
    QCOMPARE(console.Changers()->count(), 3); // the typed device, LIB1 and LIB3
    QCOMPARE(console.Changers()->itemText(2), QStringLiteral("LIB3 - /dev/sg9"));
    QCOMPARE(console.Panel()->Device(), QStringLiteral("/dev/sgTEST"));
    QCOMPARE(console.Panel()->Timeout(), 2000);
    QVERIFY(console.Panel()->RefreshStatus());
    QCOMPARE(console.Panel()->Table()->rowCount(), 5);
    QCOMPARE(mtx.Calls(), QStringList{QStringLiteral("-f /dev/sgTEST status")});
    console.Changers()->setCurrentIndex(2);
    QCOMPARE(console.Panel()->Device(), QStringLiteral("/dev/sg9"));
    QCOMPARE(console.Panel()->Timeout(), 600000);
}

QTEST_MAIN(LibraryWorkflowTest)
#include "LibraryWorkflowTest.moc"
