// The Options page on a real sheet and database: the log folder it proposes,
// opens and remembers, the Send defaults it reads and stores, the predefined
// Volume lists it offers; and the threshold dialog behind its threshold row.
#include "OptionPage.h"

#include "DeskTestSupport.h"
#include "PredefFile.h"
#include "ScanPage.h"
#include "manage/MoveDatePropertyGridProperty.h"
#include "manage/ThresholdDlg.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

bool SeedDatabase(TestDatabase& db) {
    const bool ok = db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
                    db.AddCustomer("ACME", "Acme Corp") && db.AddCustomer("BETA", "Beta Ltd") &&
                    db.AddMedia("ACME", "LTO5");
    db.Release();
    return ok;
}

COptionPage* OptionsOf(CZELVDeskSheet& sheet) {
    return qobject_cast<COptionPage*>(sheet.GetPage(sheet.FindPage(IDD_OPTIONS)));
}

// The lines of a log file without sequence and time.
QStringList LogTexts(const QString& path) {
    QFile file(path);
    QStringList texts;
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n")))
        if (line.size() > 16)
            texts.append(line.mid(16));
    return texts;
}

CZELVDate DaysFromToday(int days) {
    CZELVDate date;
    date.SetFromTime(0);
    date.AddDays(days);
    return date;
}

} // namespace

class OptionPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listFileIsRead_data();
    void listFileIsRead();
    void listFileThatCannotBeOpenedIsEmpty();
    void listsOfAFolderAreLoadedByName();
    void choiceTextsNameEachListOnce();

    void chosenFolderGetsTheLogAndIsRemembered();
    void folderProposal_data();
    void folderProposal();
    void unusableFolderKeepsThePage_data();
    void unusableFolderKeepsThePage();
    void onlySendHasAdvancedOptions();
    void sendDefaultsFromTheProfile_data();
    void sendDefaultsFromTheProfile();
    void sendNextStoresTheDefaultsAndTheChosenList();
    void predefinedListsFromTheConfiguredFolder();

    void thresholdText_data();
    void thresholdText();
    void thresholdDialog_data();
    void thresholdDialog();
};

// --- Predefined lists -------------------------------------------------------------

void OptionPageTest::listFileIsRead_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QStringList>("volumes");

    QTest::newRow("blank after # kept, empty line ignored, inner blank removed")
        << QByteArray("# Weekly set\n\nLTO 001\n") << " Weekly set" << QStringList{"LTO001"};
    QTest::newRow("# characters at both ends removed, blanks stay")
        << QByteArray("## Month end ##\nA1\n") << " Month end " << QStringList{"A1"};
    QTest::newRow("the last description line wins")
        << QByteArray("#First\nA1\n#Second\nB2\n") << "Second" << QStringList{"A1", "B2"};
    QTest::newRow("CR LF line ends and tabs")
        << QByteArray("#Desc\r\n\tX 1\t2 \r\nY3\r\n") << "Desc" << QStringList{"X12", "Y3"};
    QTest::newRow("lines of blanks add nothing")
        << QByteArray("   \n\t\n \t \nZ9") << "" << QStringList{"Z9"};
    QTest::newRow("a line longer than 128 characters is cut, its rest dropped")
        << (QByteArray(200, 'A') + "\nB1\n") << ""
        << QStringList{QString(128, QLatin1Char('A')), "B1"};
}

void OptionPageTest::listFileIsRead() {
    QFETCH(QByteArray, text);
    QFETCH(QString, description);
    QFETCH(QStringList, volumes);
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    CPredefFile file;
    file.Read(buffer);
    QCOMPARE(file.Description(), description);
    QCOMPARE(file.Volumes(), volumes);
    QVERIFY(!file.IsSelected());
}

void OptionPageTest::listFileThatCannotBeOpenedIsEmpty() {
    QTemporaryDir dir;
    CPredefFile file(dir.filePath(QStringLiteral("List-missing.txt")));
    QVERIFY(!file.Read());
    QVERIFY(file.Description().isEmpty());
    QVERIFY(file.Volumes().isEmpty());
}

void OptionPageTest::listsOfAFolderAreLoadedByName() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-b.txt")), "#Beta\nB1\nB2\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-a.txt")), "#Alpha\nA1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("LIST-C.TXT")), "C1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("Other.txt")), "#Other\nO1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-d.csv")), "D1\n"));
    QVERIFY(d.mkdir(QStringLiteral("List-folder.txt")));

    CPredefFileList lists;
    QCOMPARE(lists.Load(dir.path()), 3);
    QStringList names;
    for (const CPredefFile& f : lists.Files())
        names.append(QFileInfo(f.Path()).fileName());
    QCOMPARE(names, (QStringList{"List-a.txt", "List-b.txt", "LIST-C.TXT"}));
    QCOMPARE(lists.GetAt(1)->Volumes(), (QStringList{"B1", "B2"}));
    QVERIFY(lists.GetAt(3) == nullptr);

    lists.Select(1);
    QCOMPARE(lists.SelectedIndex(), 1);
    QCOMPARE(lists.Selected()->Description(), QStringLiteral("Beta"));
    lists.Select(-1);
    QVERIFY(lists.Selected() == nullptr);

    // A second load starts afresh.
    QVERIFY(QFile::remove(d.filePath(QStringLiteral("List-a.txt"))));
    QCOMPARE(lists.Load(dir.path()), 2);
    QCOMPARE(lists.GetAt(0)->Description(), QStringLiteral("Beta"));
}

void OptionPageTest::choiceTextsNameEachListOnce() {
    QTemporaryDir dir;
    const QDir d(dir.path());
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-1.txt")), "#Weekly\nA1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-2.txt")), "#Weekly\nB1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-3.txt")), "C1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-4.txt")), "#<Not Selected>\nD1\n"));
    QVERIFY(WriteFile(d.filePath(QStringLiteral("List-5.txt")), "#Monthly\nE1\n"));
    CPredefFileList lists;
    QCOMPARE(lists.Load(dir.path()), 5);
    QCOMPARE(lists.ChoiceTexts({QStringLiteral("<Not Selected>")}),
             (QStringList{"Weekly (List-1.txt)", "Weekly (List-2.txt)", "List-3.txt",
                          "<Not Selected> (List-4.txt)", "Monthly"}));
}

// --- The page ---------------------------------------------------------------------------

void OptionPageTest::chosenFolderGetsTheLogAndIsRemembered() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db));
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    COptionPage* page = OptionsOf(sheet);
    QVERIFY(page);
    QCOMPARE(sheet.GetWizardButtons(), CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);

    // The folder comes from the picker behind the row's button.
    const QString chosen = run.NewFolder(QStringLiteral("chosen logs"));
    QString offered;
    page->SetFolderChooser([&](const QString& current) {
        offered = current;
        return chosen;
    });
    QVERIFY(page->Grid()->ClickButton(page->FolderRow()));
    QCOMPARE(offered, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QCOMPARE(page->FolderRow()->GetValue().toString(), chosen);

    QVERIFY(sheet.GoNext());
    DeskRun::Flush();
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(run.Prompter().Asked().isEmpty());
    QCOMPARE(sheet.LogFolder(), chosen);
    QVERIFY(sheet.Log().IsOpen());

    const QStringList files =
        QDir(chosen).entryList({QStringLiteral("ZELVDesk *.log")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = QDir(chosen).filePath(files.first());
    QCOMPARE(sheet.Log().Path(), path);
    const QStringList log = LogTexts(path);
    QVERIFY(log.size() >= 4);
    QCOMPARE(log.at(0), QStringLiteral("Startup: Kelmar Log File Format 1.0"));
    QCOMPARE(log.at(1), QStringLiteral("Startup: File(%1)").arg(path));
    QCOMPARE(log.at(2), QStringLiteral("Startup: Calling Program Compiled(%1)")
                            .arg(QLatin1String(ZELV_BUILD_DATE)));
    QVERIFY(log.last().startsWith(QStringLiteral("Login: Current User(")));

    QCOMPARE(run.App().Profile().value(QStringLiteral("Options/Logfile")).toString(), chosen);
    // Not Send: nothing else is stored.
    QVERIFY(!run.App().Profile().contains(QStringLiteral("Options/ThresholdMinutes")));
    QVERIFY(!run.App().Profile().contains(QStringLiteral("Options/MoveDateOffset")));
}

void OptionPageTest::folderProposal_data() {
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("expected");
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QTest::newRow("nothing remembered: the documents folder") << ""
                                                              << "" << documents;
    QTest::newRow("the remembered folder") << "/srv/kelmar/logs"
                                           << ""
                                           << "/srv/kelmar/logs";
    QTest::newRow("the sheet's folder goes before the remembered one") << "/srv/kelmar/logs"
                                                                       << "sheet"
                                                                       << "sheet";
}

void OptionPageTest::folderProposal() {
    QFETCH(QString, remembered);
    QFETCH(QString, configured);
    QFETCH(QString, expected);
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    if (!remembered.isEmpty())
        run.App().Profile().setValue(QStringLiteral("Options/Logfile"), remembered);
    CZELVDeskSheet& sheet = run.Start();
    if (!configured.isEmpty())
        sheet.SetLogFolder(configured);
    QVERIFY(run.ChooseTask(QStringLiteral("Recall")));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    COptionPage* page = OptionsOf(sheet);
    QCOMPARE(page->FolderRow()->GetValue().toString(), expected);
    // Only a proposal: the sheet's folder is taken on Next.
    QCOMPARE(sheet.LogFolder(), configured);
    QCOMPARE(page->FolderRow()->GetDescription(),
             QStringLiteral("Folder where log files will be written."));

    // What the operator typed stays on the next visit; nothing is proposed again.
    QVERIFY(page->Grid()->CommitValue(page->FolderRow(), QStringLiteral("/typed/by/hand")));
    QVERIFY(sheet.GoBack());
    DeskRun::Flush();
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(page->FolderRow()->GetValue().toString(), QStringLiteral("/typed/by/hand"));
}

void OptionPageTest::unusableFolderKeepsThePage_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("texts");
    const QString options = QStringLiteral("Unable to open a log file in diretory:\n\n%1");
    QTest::newRow("a folder that does not exist") << "missing" << QStringList{options};
    QTest::newRow("a file in place of the folder") << "file" << QStringList{options};
    QTest::newRow("a folder that cannot be written")
        << "readonly"
        << QStringList{QStringLiteral("Failed to open log file in this location"), options};
    QTest::newRow("no folder at all") << "empty" << QStringList{options};
}

void OptionPageTest::unusableFolderKeepsThePage() {
    QFETCH(QString, kind);
    QFETCH(QStringList, texts);
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    COptionPage* page = OptionsOf(sheet);

    QString folder;
    if (kind == QStringLiteral("missing")) {
        folder = QDir(run.ProgramFolder()).filePath(QStringLiteral("no-such-folder"));
    } else if (kind == QStringLiteral("file")) {
        folder = QDir(run.ProgramFolder()).filePath(QStringLiteral("a-file"));
        QVERIFY(WriteFile(folder, "x"));
    } else if (kind == QStringLiteral("readonly")) {
        folder = run.NewFolder(QStringLiteral("read-only"));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        // The superuser writes anywhere a permission allows; /proc refuses new
        // files to everyone.
        if (geteuid() == 0)
            folder = QStringLiteral("/proc");
    }
    page->FolderRow()->SetValue(folder);
    QVERIFY(!sheet.GoNext());
    DeskRun::Flush();

    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QStringList expected;
    for (const QString& t : texts)
        expected.append(t.contains(QStringLiteral("%1")) ? t.arg(folder) : t);
    QCOMPARE(run.PromptTexts(), expected);
    QCOMPARE(run.Prompter().Asked().last().request.caption, QStringLiteral("Log File Error"));
    QCOMPARE(run.Prompter().Asked().last().request.icon, PromptIcon::Information);
    QVERIFY(!sheet.Log().IsOpen());
    QVERIFY(!run.App().Profile().contains(QStringLiteral("Options/Logfile")));
}

void OptionPageTest::onlySendHasAdvancedOptions() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Volume Management")));
    COptionPage* page = OptionsOf(sheet);
    QCOMPARE(page->Grid()->GetPropertyCount(), 1);
    QCOMPARE(page->Grid()->GetProperty(0)->GetName(), QStringLiteral("General Options"));
    QVERIFY(!page->ThresholdRow());
    QVERIFY(!page->NextMoveRow());
    QVERIFY(!page->ListsRow());

    QVERIFY(sheet.GoBack());
    DeskRun::Flush();
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    QCOMPARE(page->Grid()->GetPropertyCount(), 2);
    QCOMPARE(page->Grid()->GetProperty(1)->GetName(), QStringLiteral("Advanced Options"));
    QVERIFY(page->ThresholdRow() && page->NextMoveRow() && page->ListsRow());
    QVERIFY(page->Grid()->GetProperty(1)->IsExpanded());
    // No list file in the program's folder: the row is there but hidden.
    QVERIFY(!page->ListsRow()->IsVisible());
}

void OptionPageTest::sendDefaultsFromTheProfile_data() {
    QTest::addColumn<QVariant>("threshold");
    QTest::addColumn<QVariant>("offset");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("thresholdText");
    QTest::addColumn<int>("days"); // -1: no date

    QTest::newRow("nothing remembered") << QVariant() << QVariant() << 0 << "No threshold" << -1;
    QTest::newRow("1500 minutes and a week")
        << QVariant(1500) << QVariant(7) << 1500 << "1 days, 01 hs, 00 ms" << 7;
    QTest::newRow("offset 0 is no date")
        << QVariant(90) << QVariant(0) << 90 << "0 days, 01 hs, 30 ms" << -1;
    QTest::newRow("the largest threshold")
        << QVariant(65535) << QVariant(1) << 65535 << "45 days, 12 hs, 15 ms" << 1;
    QTest::newRow("values that are no numbers count as absent")
        << QVariant(QStringLiteral("lots")) << QVariant(QStringLiteral("soon")) << 0
        << "No threshold" << -1;
    QTest::newRow("a threshold beyond 16 bits counts as absent")
        << QVariant(70000) << QVariant(3) << 0 << "No threshold" << 3;
    QTest::newRow("a negative threshold counts as absent")
        << QVariant(-5) << QVariant(3) << 0 << "No threshold" << 3;
}

void OptionPageTest::sendDefaultsFromTheProfile() {
    QFETCH(QVariant, threshold);
    QFETCH(QVariant, offset);
    QFETCH(int, minutes);
    QFETCH(QString, thresholdText);
    QFETCH(int, days);
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    if (threshold.isValid())
        run.App().Profile().setValue(QStringLiteral("Options/ThresholdMinutes"), threshold);
    if (offset.isValid())
        run.App().Profile().setValue(QStringLiteral("Options/MoveDateOffset"), offset);
    CZELVDeskSheet& sheet = run.Start();
    sheet.SetThresholdMinutes(4321);
    sheet.SetDefaultReturnDate(DaysFromToday(100));
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    COptionPage* page = OptionsOf(sheet);

    QCOMPARE(int(sheet.ThresholdMinutes()), minutes);
    QCOMPARE(page->ThresholdRow()->GetValue().toString(), thresholdText);
    const CZELVDate expected = days < 0 ? CZELVDate() : DaysFromToday(days);
    QCOMPARE(sheet.DefaultReturnDate().Value(), expected.Value());
    QCOMPARE(page->NextMoveRow()->GetValue().toString(),
             days < 0 ? QStringLiteral("Permanent") : FormatDate(expected, "%A, %B %d, %Y"));
}

void OptionPageTest::sendNextStoresTheDefaultsAndTheChosenList() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db));
    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    QVERIFY(WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-a.txt")),
                      "#Tuesday pick-up\nA1\nA2\n"));
    QVERIFY(WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-b.txt")),
                      "#Friday pick-up\nB1\n"));
    // A configured log folder does not skip the Options page for Send.
    run.WriteConfig(
        QStringLiteral("options = { disablespeech = true; logfile = \"%1\"; };").arg(logs));
    run.App().Profile().setValue(QStringLiteral("Options/ThresholdMinutes"), 1500);
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    COptionPage* page = OptionsOf(sheet);
    QCOMPARE(page->FolderRow()->GetValue().toString(), logs);

    // The threshold and date dialogs, answered.
    uint16_t offeredMinutes = 0;
    page->SetThresholdEditor([&](uint16_t* m) {
        offeredMinutes = *m;
        *m = 90;
        return true;
    });
    page->SetMoveDateEditor([](CZELVDate* d) {
        *d = DaysFromToday(14);
        return 1;
    });
    QVERIFY(page->Grid()->ClickButton(page->ThresholdRow()));
    QCOMPARE(int(offeredMinutes), 1500);
    QCOMPARE(page->ThresholdRow()->GetValue().toString(), QStringLiteral("0 days, 01 hs, 30 ms"));
    QVERIFY(page->Grid()->ClickButton(page->NextMoveRow()));
    QCOMPARE(page->NextMoveRow()->GetValue().toString(),
             FormatDate(DaysFromToday(14), "%A, %B %d, %Y"));
    // A cancelled dialog changes nothing.
    page->SetMoveDateEditor([](CZELVDate* d) {
        *d = DaysFromToday(30);
        return 2;
    });
    QVERIFY(!page->Grid()->ClickButton(page->NextMoveRow()));
    QCOMPARE(page->NextMoveRow()->GetDate().Value(), DaysFromToday(14).Value());

    CZELVPropertyGridProperty* lists = page->ListsRow();
    QVERIFY(lists->IsVisible());
    QStringList options;
    for (int i = 0; i < lists->GetOptionCount(); ++i)
        options.append(lists->GetOption(i));
    QCOMPARE(options, (QStringList{"<Not Selected>", "Tuesday pick-up", "Friday pick-up"}));
    QCOMPARE(lists->GetValue().toString(), QStringLiteral("<Not Selected>"));
    QVERIFY(page->Grid()->CommitValue(lists, QStringLiteral("Friday pick-up")));

    ResultCloser closer(this);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_UPDATE));
    // No scanning window over the rest of the test.
    qobject_cast<CScanPage*>(sheet.GetActivePage())->Timer(CScanPage::kScanTimer)->stop();
    DeskRun::Flush();
    QVERIFY(sheet.Log().IsOpen());
    QCOMPARE(QFileInfo(sheet.Log().Path()).absolutePath(), QDir(logs).absolutePath());
    QCOMPARE(int(sheet.ThresholdMinutes()), 90);
    QCOMPARE(sheet.DefaultReturnDate().Value(), DaysFromToday(14).Value());
    QSettings& profile = run.App().Profile();
    QCOMPARE(profile.value(QStringLiteral("Options/ThresholdMinutes")).toInt(), 90);
    QCOMPARE(profile.value(QStringLiteral("Options/MoveDateOffset")).toInt(), 14);
    QCOMPARE(profile.value(QStringLiteral("Options/Logfile")).toString(), logs);
    // Scan and Modify took the chosen list once: its barcode was scanned and
    // listed in the result list, and the choice is used up.
    QCOMPARE(closer.shown, 1);
    QVERIFY(closer.text.startsWith(QStringLiteral("B1\t")));
    QCOMPARE(sheet.PredefinedLists().GetAt(1)->Volumes(), QStringList{QStringLiteral("B1")});
    QVERIFY(!sheet.PredefinedLists().Selected());

    // Permanent is stored as offset 0; a new visit starts with no list chosen.
    QVERIFY(sheet.SetActivePageById(IDD_OPTIONS));
    QCOMPARE(page->ThresholdRow()->GetValue().toString(), QStringLiteral("0 days, 01 hs, 30 ms"));
    QCOMPARE(page->ListsRow()->GetValue().toString(), QStringLiteral("<Not Selected>"));
    QVERIFY(!sheet.PredefinedLists().Selected());
    page->NextMoveRow()->SetDate(CZELVDate());
    QVERIFY(sheet.GoNext());
    DeskRun::Flush();
    QCOMPARE(profile.value(QStringLiteral("Options/MoveDateOffset")).toInt(), 0);
    QVERIFY(sheet.DefaultReturnDate().IsEmpty());
    QVERIFY(!sheet.PredefinedLists().Selected());
}

void OptionPageTest::predefinedListsFromTheConfiguredFolder() {
    DeskRun run;
    const QString lists = run.NewFolder(QStringLiteral("lists"));
    QVERIFY(
        WriteFile(QDir(lists).filePath(QStringLiteral("List-x.txt")), "#From the folder\nX1\n"));
    // Not the program folder's lists when a folder is set.
    QVERIFY(
        WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-p.txt")), "#Program\n"));
    qputenv("ZELV_TEST_LISTS", QFile::encodeName(lists));
    run.WriteConfig(QStringLiteral(
        "options = { disablespeech = true; setlistdirectory = \"%ZELV_TEST_LISTS\"; };"));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Send")));
    QCOMPARE(sheet.PredefinedLists().Folder(), lists);
    QCOMPARE(sheet.PredefinedLists().GetCount(), 1);
    QCOMPARE(OptionsOf(sheet)->ListsRow()->GetOption(1), QStringLiteral("From the folder"));
    qunsetenv("ZELV_TEST_LISTS");
}

// --- Threshold dialog -----------------------------------------------------------------

void OptionPageTest::thresholdText_data() {
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0 is no threshold") << 0 << "No threshold";
    QTest::newRow("one minute") << 1 << "0 days, 00 hs, 01 ms";
    QTest::newRow("1500 minutes") << 1500 << "1 days, 01 hs, 00 ms";
    QTest::newRow("the largest") << 65535 << "45 days, 12 hs, 15 ms";
}

void OptionPageTest::thresholdText() {
    QFETCH(int, minutes);
    QFETCH(QString, text);
    QCOMPARE(ThresholdText(minutes), text);
}

void OptionPageTest::thresholdDialog_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("opened"); // enable, days, hours, minutes
    QTest::addColumn<QList<int>>("entered");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("stored");

    QTest::newRow("0 opens switched off, OK keeps 0")
        << 0 << QList<int>{0, 0, 0, 0} << QList<int>{0, 0, 0, 0} << true << 0;
    QTest::newRow("1500 opens as 1 day 1 hour, OK stores it again")
        << 1500 << QList<int>{1, 1, 1, 0} << QList<int>{1, 1, 1, 0} << true << 1500;
    QTest::newRow("45 days 12 hours 15 minutes is the largest")
        << 0 << QList<int>{0, 0, 0, 0} << QList<int>{1, 45, 12, 15} << true << 65535;
    QTest::newRow("one minute more is refused")
        << 60 << QList<int>{1, 0, 1, 0} << QList<int>{1, 45, 12, 16} << false << 60;
    QTest::newRow("switched off stores 0 whatever the rows say")
        << 1500 << QList<int>{1, 1, 1, 0} << QList<int>{0, 30, 1440, 60} << true << 0;
    QTest::newRow("hours beyond a day add up")
        << 0 << QList<int>{0, 0, 0, 0} << QList<int>{1, 0, 30, 60} << true << 1860;
}

void OptionPageTest::thresholdDialog() {
    QFETCH(int, start);
    QFETCH(QList<int>, opened);
    QFETCH(QList<int>, entered);
    QFETCH(bool, closes);
    QFETCH(int, stored);
    ScriptedPrompter prompter;
    uint16_t minutes = uint16_t(start);
    CThresholdDlg dialog(&minutes, prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Overdue Threshold"));
    QCOMPARE(int(dialog.EnableRow()->GetBool()), opened[0]);
    QCOMPARE(int(dialog.DaysRow()->GetInt()), opened[1]);
    QCOMPARE(int(dialog.HoursRow()->GetInt()), opened[2]);
    QCOMPARE(int(dialog.MinutesRow()->GetInt()), opened[3]);

    dialog.EnableRow()->SetValue(entered[0] != 0);
    dialog.DaysRow()->SetValue(entered[1]);
    dialog.HoursRow()->SetValue(entered[2]);
    dialog.MinutesRow()->SetValue(entered[3]);
    QCOMPARE(dialog.OnOK(), closes);
    QCOMPARE(int(minutes), stored);
    QCOMPARE(dialog.result(), closes ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (closes) {
        QVERIFY(prompter.Asked().isEmpty());
    } else {
        QCOMPARE(prompter.Asked().size(), 1);
        QCOMPARE(prompter.LastText(), QStringLiteral("A threshold of 45 days, 12 hs, 16 ms exceeds "
                                                     "the maximum of 45 days, 12 hs, 15 ms"));
        QCOMPARE(prompter.Asked().first().request.caption, QStringLiteral("Threshold too high"));
    }
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    OptionPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionPageTest.moc"
