// The task menu: entries and their configuration, ordering, configured
// commands, timers and prompt, the actions of the codes and the Customer tabs.
#include "IntroPage.h"

#include "CustomerPropertyGridCtrl.h"
#include "DeskTestSupport.h"
#include "IntroProperties.h"
#include "ZELVConfig.h"
#include "ZELVPropertyGridCtrl.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QHorizontalStackedBarSeries>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <unistd.h>

namespace {

const QStringList kDefaultOrder = {QStringLiteral("Scan-In"),
                                   QStringLiteral("Scan-Out"),
                                   QStringLiteral("Send"),
                                   QStringLiteral("Recall"),
                                   QStringLiteral("Library Reconciliation"),
                                   QStringLiteral("Volume Management"),
                                   QStringLiteral("Library Management"),
                                   QStringLiteral("Move Lists"),
                                   QStringLiteral("List"),
                                   QStringLiteral("Users"),
                                   QStringLiteral("Password"),
                                   QStringLiteral("Upload and Download Files"),
                                   QStringLiteral("Users Guide"),
                                   QStringLiteral("Get Help"),
                                   QStringLiteral("SCSI Media Changer Console"),
                                   QStringLiteral("Excel Import")};

QStringList Without(QStringList list, const QStringList& removed) {
    for (const QString& r : removed)
        list.removeAll(r);
    return list;
}

// Texts in the order the list shows them (the reverse of the sorted array).
QStringList ShownTexts(const std::vector<CIntroPageOp>& entries) {
    QStringList texts;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        texts.append(it->text);
    return texts;
}

std::vector<CIntroPageOp> Build(const QString& config) {
    ZELVConfig cfg;
    if (!cfg.ReadString(config))
        return {};
    return CIntroPage::BuildEntries(cfg, [](const QString& text, int) {
        return QString(text).replace(QStringLiteral("$HOME"), QStringLiteral("/home/op"));
    });
}

void WriteExecutable(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

class IntroPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entries_data();
    void entries();
    void configuredCommandKeepsItsData();
    void twoEntriesWithTheSameSequenceBothComeFirst();
    void menuShowsTheEntriesWithIcons();
    void promptTimerSpeaksThenDropsTheList();
    void choosingStopsThePromptAndStartsTheTask();
    void configuredCommandRunsAndStays();
    void configuredCommandReallyRuns();
    void outsideComponents_data();
    void outsideComponents();
    void usersGuideOpensWhenInstalled();
    void getHelpAsksForAssistance();
    void passwordOpensTheOwnPasswordDialog();
    void customerTabsAndChart();
    void noTabsWithoutCustomerFigures();
};

void IntroPageTest::entries_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("no menu: built-ins by code") << QString() << kDefaultOrder;
    QTest::newRow("first matching element wins; later ones are ignored")
        << QStringLiteral("options = { menu = ( { filter = \"Scan*\"; hidden = true; },\n"
                          "  { filter = \"Scan-In\"; text = \"Receive\"; } ); };")
        << Without(kDefaultOrder, {QStringLiteral("Scan-In"), QStringLiteral("Scan-Out")});
    QTest::newRow("text replaces the built-in text in place")
        << QStringLiteral(
               "options = { menu = ( { filter = \"Recall\"; text = \"Bring Back\"; } ); };")
        << QStringList(kDefaultOrder)
               .replaceInStrings(QStringLiteral("Recall"), QStringLiteral("Bring Back"));
    QTest::newRow("sequence moves an entry")
        << QStringLiteral("options = { menu = ( { filter = \"Users Guide\"; sequence = 5; } ); };")
        << (QStringList{QStringLiteral("Users Guide")} +
            Without(kDefaultOrder, {QStringLiteral("Users Guide")}));
    QTest::newRow("filter and command: override and a command")
        << QStringLiteral("options = { menu = ( { filter = \"Send\"; text = \"Ship\"; command = "
                          "\"true\"; } ); };")
        << (QStringList(kDefaultOrder)
                .replaceInStrings(QStringLiteral("Send"), QStringLiteral("Ship")) +
            QStringList{QStringLiteral("Ship")});
    QTest::newRow("extended pattern")
        << QStringLiteral(
               "options = { menu = ( { filter = \"@(Send|Recall)\"; hidden = true; } ); };")
        << Without(kDefaultOrder, {QStringLiteral("Send"), QStringLiteral("Recall")});
    QTest::newRow("filters are case-sensitive")
        << QStringLiteral("options = { menu = ( { filter = \"send\"; hidden = true; } ); };")
        << kDefaultOrder;
    QTest::newRow("empty filter matches every built-in")
        << QStringLiteral("options = { menu = ( { filter = \"\"; hidden = true; },\n"
                          "  { text = \"Backup\"; command = \"backup.sh\"; } ); };")
        << QStringList{QStringLiteral("Backup")};
    QTest::newRow("commands follow the built-ins in file order")
        << QStringLiteral("options = { menu = ( { text = \"One\"; command = \"1\"; },\n"
                          "  { text = \"Two\"; command = \"2\"; } ); };")
        << (kDefaultOrder + QStringList{QStringLiteral("One"), QStringLiteral("Two")});
    QTest::newRow("command without text does not appear")
        << QStringLiteral("options = { menu = ( { command = \"backup.sh\"; } ); };")
        << kDefaultOrder;
    QTest::newRow("hidden command is skipped")
        << QStringLiteral(
               "options = { menu = ( { text = \"Backup\"; command = \"b\"; hidden = true; } ); };")
        << kDefaultOrder;
    QTest::newRow("element with neither filter nor command has no effect")
        << QStringLiteral(
               "options = { menu = ( { text = \"Nothing\"; hidden = true; sequence = 1; } ); };")
        << kDefaultOrder;
    QTest::newRow("wrong key types count as absent")
        << QStringLiteral("options = { menu = ( { filter = \"Send\"; hidden = \"yes\"; text = 7; "
                          "sequence = \"first\"; },\n"
                          "  { filter = 5; hidden = true; },\n"
                          "  { text = \"Bad\"; command = 4; },\n"
                          "  { text = 3; command = \"x\"; } ); };")
        << kDefaultOrder;
    QTest::newRow("menu that is not a list")
        << QStringLiteral("options = { menu = \"Scan-In\"; };") << kDefaultOrder;
    QTest::newRow("menu elements that are not groups")
        << QStringLiteral("options = { menu = ( \"Scan-In\", 5, ( \"x\" ) ); };") << kDefaultOrder;
}

void IntroPageTest::entries() {
    QFETCH(QString, config);
    QFETCH(QStringList, shown);
    QCOMPARE(ShownTexts(Build(config)), shown);
}

void IntroPageTest::configuredCommandKeepsItsData() {
    const std::vector<CIntroPageOp> entries = Build(QStringLiteral(
        "options = { menu = ( { text = \"Backup\"; command = \"$HOME/bin/backup.sh --all\";\n"
        "  filters = [ \"ERROR*\", \"WARN*\" ]; sequence = 7; },\n"
        "  { text = \"Tidy\"; command = \"tidy\"; filters = ( \"a\", 1, \"b\" ); } ); };"));
    const auto backup = std::find_if(entries.begin(), entries.end(), [](const CIntroPageOp& op) {
        return op.text == QStringLiteral("Backup");
    });
    QVERIFY(backup != entries.end());
    QCOMPARE(backup->code, int(TaskCommand));
    QCOMPARE(backup->command, QStringLiteral("/home/op/bin/backup.sh --all"));
    QCOMPARE(backup->sequence, 7);
    QCOMPARE(backup->image, 13);
    QCOMPARE(backup->description, 354);
    QCOMPARE(backup->filters, (QStringList{QStringLiteral("ERROR*"), QStringLiteral("WARN*")}));
    const auto tidy = std::find_if(entries.begin(), entries.end(), [](const CIntroPageOp& op) {
        return op.text == QStringLiteral("Tidy");
    });
    QVERIFY(tidy != entries.end());
    QCOMPARE(tidy->sequence, 500);
    QCOMPARE(tidy->filters, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    // Built-ins keep their own data.
    const auto scanIn = std::find_if(entries.begin(), entries.end(),
                                     [](const CIntroPageOp& op) { return op.code == TaskScanIn; });
    QCOMPARE(scanIn->image, 6);
    QCOMPARE(scanIn->description, 318);
    QVERIFY(scanIn->command.isEmpty());
}

void IntroPageTest::twoEntriesWithTheSameSequenceBothComeFirst() {
    const QStringList shown = ShownTexts(
        Build(QStringLiteral("options = { menu = ( { filter = \"Get Help\"; sequence = 5; },\n"
                             "  { text = \"Backup\"; command = \"b\"; sequence = 5; } ); };")));
    QCOMPARE(shown.size(), 17);
    QVERIFY(shown.mid(0, 2).contains(QStringLiteral("Get Help")));
    QVERIFY(shown.mid(0, 2).contains(QStringLiteral("Backup")));
    QCOMPARE(shown.at(2), QStringLiteral("Scan-In"));
}

void IntroPageTest::menuShowsTheEntriesWithIcons() {
    DeskRun run;
    run.WriteConfig(
        QStringLiteral("options = { menu = ( { text = \"Backup\"; command = \"b\"; } ); };"));
    CZELVDeskSheet& sheet = run.Start();
    CIntroPage* intro = sheet.IntroPage();
    QCOMPARE(intro->ListTexts(), kDefaultOrder + QStringList{QStringLiteral("Backup")});
    QCOMPARE(intro->TaskList()->currentIndex(), -1);
    for (int row = 0; row < intro->TaskList()->count(); ++row) {
        QVERIFY(!intro->TaskList()->itemIcon(row).isNull());
        QVERIFY(!intro->TaskList()->itemData(row, Qt::ToolTipRole).toString().isEmpty());
    }
    QCOMPARE(intro->EntryAt(0)->code, int(TaskScanIn));
    QCOMPARE(
        intro->TaskList()->itemData(0, Qt::ToolTipRole).toString(),
        QStringLiteral("This option allows you to scan incoming tape volumes so that they can be "
                       "confirmed in the Kelmar database."));
    // Nothing chosen yet: no wizard button.
    QCOMPARE(sheet.GetWizardButtons(), 0);
    QCOMPARE(intro->TaskList()->objectName(), QStringLiteral("taskList"));
}

void IntroPageTest::promptTimerSpeaksThenDropsTheList() {
    DeskRun run;
    CZELVDeskSheet& sheet = run.Start();
    CIntroPage* intro = sheet.IntroPage();
    QTimer* prompt = intro->Timer(CIntroPage::kPromptTimer);
    QTimer* drop = intro->Timer(CIntroPage::kDropTimer);
    QVERIFY(prompt->isActive());
    QCOMPARE(prompt->interval(), 5000);
    QVERIFY(!drop->isActive());

    intro->OnTimer(CIntroPage::kPromptTimer);
    QCOMPARE(run.Voice()->Said(),
             QStringList{QStringLiteral("Please select a Library Management Task")});
    QVERIFY(!prompt->isActive());
    QVERIFY(drop->isActive());
    QCOMPARE(drop->interval(), 3000);
    QVERIFY(run.sounds.Played().isEmpty());

    intro->OnTimer(CIntroPage::kDropTimer);
    QVERIFY(!drop->isActive());
    QCOMPARE(run.sounds.Played(), QList<int>{205});
    intro->TaskList()->hidePopup();
}

void IntroPageTest::choosingStopsThePromptAndStartsTheTask() {
    DeskRun run;
    CZELVDeskSheet& sheet = run.Start();
    CIntroPage* intro = sheet.IntroPage();
    QVERIFY(intro->Timer(CIntroPage::kPromptTimer)->isActive());
    QVERIFY(run.ChooseTask(QStringLiteral("Recall")));
    QVERIFY(!intro->Timer(CIntroPage::kPromptTimer)->isActive());
    QVERIFY(!intro->Timer(CIntroPage::kDropTimer)->isActive());
    QCOMPARE(sheet.Task(), int(TaskRecall));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QVERIFY(run.Voice()->Said().isEmpty());

    // Back on the menu the choice is still there and Next is offered.
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(intro->TaskList()->currentText(), QStringLiteral("Recall"));
    QCOMPARE(sheet.GetWizardButtons(), int(CZELVWizardSheet::WizNext));
}

void IntroPageTest::configuredCommandRunsAndStays() {
    DeskRun run;
    run.WriteConfig(QStringLiteral(
        "options = { variables = { ZELVDESKTESTTARGET = \"/srv/tapes\"; };\n"
        "  menu = ( { text = \"Backup\"; command = \"backup.sh %ZELVDESKTESTTARGET\"; } ); };"));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Backup")));
    // Its words as arguments, no shell.
    QCOMPARE(run.launcher.windows.size(), 1);
    QCOMPARE(run.launcher.windows.first().program, QStringLiteral("backup.sh"));
    QCOMPARE(run.launcher.windows.first().arguments, QStringList{QStringLiteral("/srv/tapes")});
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(sheet.Task(), int(TaskCommand));
    QVERIFY(sheet.Log().Path().isEmpty());
}

void IntroPageTest::configuredCommandReallyRuns() {
    DeskRun run;
    ZELVQtLauncher real;
    run.launcherOverride = &real;
    const QString out = QDir(run.ProgramFolder()).filePath(QStringLiteral("ran.txt"));
    run.WriteConfig(
        QStringLiteral("options = { menu = ( { text = \"Write\"; command = \"printf ran > '%1'\";\n"
                       "  shell = true; } ); };")
            .arg(out));
    run.Start();
    // The window asks whether to close once the command has ended.
    run.Prompter().Answer(PromptYes);
    QVERIFY(run.ChooseTask(QStringLiteral("Write")));
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("Command Complete")});
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("ran"));
}

void IntroPageTest::outsideComponents_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("installed");
    QTest::newRow("SCSI console missing")
        << QStringLiteral("SCSI Media Changer Console") << QStringLiteral("ZELVGUI_SCSI") << false;
    QTest::newRow("SCSI console present")
        << QStringLiteral("SCSI Media Changer Console") << QStringLiteral("ZELVGUI_SCSI") << true;
    QTest::newRow("Excel import missing")
        << QStringLiteral("Excel Import") << QStringLiteral("ZELVExcelImport") << false;
    QTest::newRow("Excel import present")
        << QStringLiteral("Excel Import") << QStringLiteral("ZELVExcelImport") << true;
}

void IntroPageTest::outsideComponents() {
    QFETCH(QString, task);
    QFETCH(QString, program);
    QFETCH(bool, installed);
    TestDatabase db;
    QVERIFY(db.IsReady());
    db.Release();
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    const QString path = QDir(run.ProgramFolder()).filePath(program);
    if (installed)
        WriteExecutable(path);
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(task));
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));

    if (!installed) {
        QVERIFY(run.launcher.programs.isEmpty());
        QCOMPARE(run.PromptTexts().size(), 1);
        QVERIFY(run.PromptTexts().first().contains(QStringLiteral("is not installed")));
        QVERIFY(run.PromptTexts().first().contains(program));
        return;
    }
    QVERIFY(run.PromptTexts().isEmpty());
    QCOMPARE(run.launcher.programs.size(), 1);
    const ZELVProgram& started = run.launcher.programs.first();
    if (program == QStringLiteral("ZELVGUI_SCSI")) {
        // Elevated: through pkexec unless we already are root.
        if (geteuid() == 0) {
            QCOMPARE(started.program, path);
        } else {
            QCOMPARE(started.program, QStringLiteral("pkexec"));
            QCOMPARE(started.arguments.first(), QStringLiteral("env"));
            QCOMPARE(started.arguments.last(), path);
        }
    } else {
        QCOMPARE(started.program, path);
        QVERIFY(started.arguments.isEmpty());
        QVERIFY(
            started.environment.contains(QStringLiteral("ZELVDEFAULTSERVER=") + db.AddressText()));
        QVERIFY(started.environment.contains(QStringLiteral("ZELVCONFIGFILE=") +
                                             sheet.Config().Path()));
    }
}

void IntroPageTest::usersGuideOpensWhenInstalled() {
    DeskRun run;
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Users Guide")));
    QVERIFY(run.launcher.urls.isEmpty());
    QCOMPARE(run.PromptTexts().last(), QStringLiteral("The Users Guide is not installed."));

    const QString guide = QDir(run.ProgramFolder()).filePath(QStringLiteral("users-guide.md"));
    QFile file(guide);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# Guide\n");
    file.close();
    QVERIFY(run.ChooseTask(QStringLiteral("Users Guide")));
    QCOMPARE(run.launcher.urls, QList<QUrl>{QUrl::fromLocalFile(guide)});
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(sheet.Task(), int(TaskUsersGuide));
}

void IntroPageTest::getHelpAsksForAssistance() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    run.Prompter().Answer(PromptCancel);
    run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Get Help")));
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("Get Assistance")});
    QCOMPARE(run.PromptTexts().first(),
             QStringLiteral("Would you like to create an Assistance Ticket via email?"));
    QVERIFY(run.Prompter().Unexpected().isEmpty());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
}

void IntroPageTest::passwordOpensTheOwnPasswordDialog() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    db.Release();
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    run.Start({db.AddressText()});
    QString shown;
    // The dialog is modal: close it from inside its own event loop.
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&shown, &closer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
            closer.stop();
        }
    });
    closer.start();
    QVERIFY(run.ChooseTask(QStringLiteral("Password")));
    QCOMPARE(shown, QStringLiteral("CZELV10PasswordDlg"));
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
}

void IntroPageTest::customerTabsAndChart() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddRepository("DC01", "Data Centre"));
    QVERIFY(db.AddRepository("VLT1", "Vault"));
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(db.AddMedia("ACME", "LTO5", "LTO-5 Tapes"));
    QVERIFY(db.AddMedia("ACME", "LTO6"));
    QVERIFY(db.AddMedia("ACME", "EMPT"));
    for (const char* v : {"000001", "000002", "000003"})
        QVERIFY(db.AddVolume("ACME", "LTO5", v, "DC01"));
    QVERIFY(db.AddVolume("ACME", "LTO5", "000004", "DC01", "VLT1"));
    QVERIFY(db.AddVolume("ACME", "LTO6", "600001", "DC01"));
    QVERIFY(db.AddCustomer("NONM", ""));
    QVERIFY(db.AddMedia("NONM", "LTO5"));
    QVERIFY(db.AddVolume("NONM", "LTO5", "000001", "DC01", "VLT1"));
    QVERIFY(db.AddCustomer("IDLE", "No Volumes"));
    QVERIFY(db.AddMedia("IDLE", "LTO5"));
    QVERIFY(db.AddCustomer("EXCL", "Excluded", ZELVCUST_EXCLUDED));
    QVERIFY(db.AddMedia("EXCL", "LTO5"));
    QVERIFY(db.AddVolume("EXCL", "LTO5", "000001", "DC01"));
    db.Release();

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CIntroPage* intro = sheet.IntroPage();
    QTabBar* tabs = intro->CustomerTabs();
    QVERIFY(tabs->isVisible());
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Acme Corp"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("ID(NONM)"));
    QVERIFY(intro->Properties()->isVisible());

    // ACME: one stacked bar per Media Type with Volumes; settled and moving.
    QChart* chart = intro->Properties()->Chart();
    QCOMPARE(chart->series().size(), 1);
    auto* series = qobject_cast<QHorizontalStackedBarSeries*>(chart->series().first());
    QVERIFY(series);
    QCOMPARE(series->count(), 2);
    QBarSet* settled = series->barSets().at(0);
    QBarSet* moving = series->barSets().at(1);
    QCOMPARE(settled->count(), 2);
    QCOMPARE(settled->at(0), 3.0);
    QCOMPARE(moving->at(0), 1.0);
    QCOMPARE(settled->at(1), 1.0);
    QCOMPARE(moving->at(1), 0.0);
    QCOMPARE(settled->color(), QColor(Qt::black));
    QCOMPARE(moving->color(), QColor(QStringLiteral("aliceblue")));
    QCOMPARE(series->labelsFormat(), QStringLiteral("@value Moving"));
    auto* names = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Vertical).first());
    QVERIFY(names);
    QCOMPARE(names->categories(),
             (QStringList{QStringLiteral("LTO-5 Tapes"), QStringLiteral("LTO6")}));
    // The figures beside the chart: one group per Media Type.
    CZELVPropertyGridCtrl* grid = intro->Properties()->Grid();
    QCOMPARE(grid->GetPropertyCount(), 3);
    QCOMPARE(grid->GetProperty(0)->GetName(), QStringLiteral("EMPT"));
    const CZELVPropertyGridProperty* lto5 = grid->GetProperty(1);
    QCOMPARE(lto5->GetName(), QStringLiteral("LTO-5 Tapes"));
    QCOMPARE(lto5->GetSubItem(0)->GetName(), QStringLiteral("Total Volumes"));
    QCOMPARE(lto5->GetSubItem(0)->GetValue().toString(), QStringLiteral("4"));
    QCOMPARE(lto5->GetSubItem(1)->GetName(), QStringLiteral("Moving Volumes"));
    QCOMPARE(lto5->GetSubItem(1)->GetValue().toString(), QStringLiteral("1"));
    QVERIFY(lto5->GetSubItem(0)->IsReadOnly());

    // Another tab fills the panel for its Customer.
    tabs->setCurrentIndex(1);
    chart = intro->Properties()->Chart();
    series = qobject_cast<QHorizontalStackedBarSeries*>(chart->series().first());
    QCOMPARE(series->barSets().at(0)->at(0), 0.0);
    QCOMPARE(series->barSets().at(1)->at(0), 1.0);
    QCOMPARE(grid->GetPropertyCount(), 1);

    // The two halves share the width.
    sheet.resize(900, 700);
    DeskRun::Flush();
    QApplication::processEvents();
    const int left = grid->width();
    const int right = intro->Properties()->ChartView()->width();
    QVERIFY2(qAbs(left - right) <= 2, qPrintable(QStringLiteral("%1 vs %2").arg(left).arg(right)));
}

void IntroPageTest::noTabsWithoutCustomerFigures() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("IDLE", "No Volumes"));
    db.Release();
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QCOMPARE(sheet.IntroPage()->CustomerTabs()->count(), 0);
    QVERIFY(!sheet.IntroPage()->CustomerTabs()->isVisible());
    QVERIFY(!sheet.IntroPage()->Properties()->isVisible());
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    IntroPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "IntroPageTest.moc"
