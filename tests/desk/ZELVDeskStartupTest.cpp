// Start-up of ZELVDesk: configuration, voice, pages, the log folder from the
// configuration, log and logon, and bad input at each of these steps.
#include "DeskTestSupport.h"
#include "IntroPage.h"
#include "ZELVAppCore.h"
#include "ZELVBuildDate.h"
#include "ZELVDeskConfig.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

namespace {

// The user the embedded database knows the operator as.
QString OsUser() {
    const passwd* pw = getpwuid(geteuid());
    return pw && pw->pw_name ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

} // namespace

class ZELVDeskStartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutConfigurationEverySettingTakesItsDefault();
    void withConfigurationNothingIsReported();
    void configurationNamedByEnvironment();
    void pagesAreAddedInTableOrder_data();
    void pagesAreAddedInTableOrder();
    void speech_data();
    void speech();
    void logfileFolderSkipsOptionsExceptForSend_data();
    void logfileFolderSkipsOptionsExceptForSend();
    void logfileNamingAFileIsAConfigurationProblem();
    void logfileIsExpanded();
    void loginLineNamesTheUser();
    void refusedLogonStillOpensTheLog();
    void passwordAskedForIsUsedForTheTask();
    void unwritableLogFolderIsReported();
    void serverAddressThatIsNotKelmarIsReported();
    void wrongTypesForEveryKeyGiveDefaults();
    void mailRecipientsStopAtFirstNonString();
    void exampleConfigurationIsReadAsShippedAndUncommented();
};

void ZELVDeskStartupTest::withoutConfigurationEverySettingTakesItsDefault() {
    DeskRun run;
    CZELVDeskSheet& sheet = run.Start();

    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("Configuration Error")});
    QVERIFY(run.PromptTexts().first().startsWith(
        QStringLiteral("Failed to read configuration file (")));
    QVERIFY(run.PromptTexts().first().contains(QStringLiteral("ZELVDesk.cfg")));
    QCOMPARE(run.VoicesCreated(), 1);
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(sheet.IntroPage()->ListTexts().size(), 16);
    QCOMPARE(ZELVDeskConfig::LocalRepositoryFilter(sheet.Config()), QStringLiteral("*"));
    QVERIFY(!sheet.IsLogFolderKnown());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Kelmar Lite™"));

    // Without a log folder every task goes to the Options page; no log yet.
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QVERIFY(run.NotificationTitles().isEmpty());
    QVERIFY(sheet.Log().Path().isEmpty());
    QCOMPARE(sheet.Task(), int(TaskScanIn));
}

void ZELVDeskStartupTest::withConfigurationNothingIsReported() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { localrepositoryfilter = \"D*\"; };\n"
                                   "somebodyelses = { key = 1; };\n"));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.PromptTexts().isEmpty());
    QCOMPARE(ZELVDeskConfig::LocalRepositoryFilter(sheet.Config()), QStringLiteral("D*"));
    QCOMPARE(run.VoicesCreated(), 1);
}

void ZELVDeskStartupTest::configurationNamedByEnvironment() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = false; };\n"));
    const QString other =
        QDir(run.NewFolder(QStringLiteral("etc"))).filePath(QStringLiteral("site.cfg"));
    QFile file(other);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("options = { disablespeech = true; };\n");
    file.close();
    // Quotes around the value are part of how people write paths with blanks.
    run.SetEnv(QStringLiteral("ZELVCONFIGFILE"), QLatin1Char('"') + other + QLatin1Char('"'));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.PromptTexts().isEmpty());
    QCOMPARE(sheet.Config().Path(), other);
    QCOMPARE(run.VoicesCreated(), 0);
}

void ZELVDeskStartupTest::pagesAreAddedInTableOrder_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("templateId");
    QTest::addColumn<bool>("hidesHeader");
    QTest::addColumn<QString>("title");
    const struct {
        const char* name;
        int id;
        bool full;
        const char* title;
    } rows[] = {
        {"CIntroPage", 209, true, ""},
        {"COptionPage", 378, false, ""},
        {"CAuthorizedPage", 203, false, "Authorized Users"},
        {"CCustomerPage", 204, false, "Customer Selection"},
        {"CMediaPage", 213, false, "Media Type Selection"},
        {"CRetrieveLocationPage", 218, false, "Delivery Location Selection"},
        {"CVolumePage", 224, false, "Volume Selection"},
        {"CTimePage", 220, false, "Required Date Selection"},
        {"CUpdatePage", 221, false, "Scan and Modify"},
        {"CUpdatePageApply", 380, false, ""},
        {"CExtendedAttributesPage", 355, false, "Extended Attributes"},
        {"CFilePage", 206, false, "Upload and Download Critical Files"},
        {"CManagePage", 212, false, "Manage Media Library"},
        {"CReceiveLocationPage", 216, false, "Receive Repository Selection"},
        {"CReceiveVolumesPage", 217, false, "Receive Volumes"},
        {"CSendLocationPage", 107, false, "Send Location"},
        {"CSendContainerPage", 343, false, "Container Selection"},
        {"CSendVolumesPage", 102, false, "Send Volumes"},
        {"CSendContainerUpdatePage", 344, false, "Update Container Details"},
        {"CScanToListPage", 103, false, "Scan to list Volumes"},
        {"CReconciliationLocationPage", 375, false, ""},
        {"CReconciliationScanPage", 374, false, ""},
        {"CLibraryManagementPage", 388, false, ""},
        {"CMoveListPage", 389, false, ""},
        {"CFinalPage", 207, true, ""},
    };
    int index = 0;
    for (const auto& r : rows)
        QTest::newRow(r.name) << index++ << r.id << r.full << QString::fromUtf8(r.title);
}

void ZELVDeskStartupTest::pagesAreAddedInTableOrder() {
    QFETCH(int, index);
    QFETCH(int, templateId);
    QFETCH(bool, hidesHeader);
    QFETCH(QString, title);
    DeskRun run;
    CZELVDeskSheet& sheet = run.Start();
    QCOMPARE(sheet.GetPageCount(), 25);
    const CZELVWizardPage* page = sheet.GetPage(index);
    QVERIFY(page);
    QCOMPARE(page->TemplateId(), templateId);
    QCOMPARE(page->HidesHeader(), hidesHeader);
    QCOMPARE(page->HeaderTitle(), title);
    QCOMPARE(QString::fromLatin1(page->metaObject()->className()),
             QString::fromLatin1(QTest::currentDataTag()));
}

void ZELVDeskStartupTest::speech_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("speaks");
    QTest::newRow("disablespeech true: no voice, nothing spoken")
        << QStringLiteral("options = { disablespeech = true; };") << false;
    QTest::newRow("disablespeech false")
        << QStringLiteral("options = { disablespeech = false; };") << true;
    QTest::newRow("disablespeech as a string counts as absent")
        << QStringLiteral("options = { disablespeech = \"true\"; };") << true;
    QTest::newRow("disablespeech as a number counts as absent")
        << QStringLiteral("options = { disablespeech = 1; };") << true;
    QTest::newRow("no options group") << QStringLiteral("other = 1;") << true;
}

void ZELVDeskStartupTest::speech() {
    QFETCH(QString, config);
    QFETCH(bool, speaks);
    DeskRun run;
    run.WriteConfig(config);
    CZELVDeskSheet& sheet = run.Start();
    QCOMPARE(run.VoicesCreated(), speaks ? 1 : 0);
    QCOMPARE(sheet.Voice() != nullptr, speaks);

    // The menu's spoken prompt, and a page's own prompt through Say.
    sheet.IntroPage()->OnTimer(CIntroPage::kPromptTimer);
    sheet.Say("Scanned %s", "ACME.LTO5.000001");
    if (speaks) {
        QCOMPARE(run.Voice()->Said(),
                 (QStringList{QStringLiteral("Please select a Library Management Task"),
                              QStringLiteral("Scanned ACME.LTO5.000001")}));
    } else {
        QVERIFY(run.Voice() == nullptr);
    }
    // Sounds do not depend on the voice.
    sheet.IntroPage()->OnTimer(CIntroPage::kDropTimer);
    QCOMPARE(run.sounds.Played(), QList<int>{205});
    sheet.IntroPage()->TaskList()->hidePopup();
}

void ZELVDeskStartupTest::logfileFolderSkipsOptionsExceptForSend_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("bypassed");
    // Two Customers, so the chain stops at the Customer page.
    QTest::newRow("Scan-In goes to its first page") << QStringLiteral("Scan-In") << 204 << true;
    QTest::newRow("Recall goes to its first page") << QStringLiteral("Recall") << 204 << true;
    QTest::newRow("List goes to its first page") << QStringLiteral("List") << 103 << true;
    QTest::newRow("Send always shows the Options page") << QStringLiteral("Send") << 378 << false;
}

void ZELVDeskStartupTest::logfileFolderSkipsOptionsExceptForSend() {
    QFETCH(QString, task);
    QFETCH(int, page);
    QFETCH(bool, bypassed);
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(db.AddCustomer("BETA", "Beta Ltd"));
    db.Release();

    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(logs));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(task));

    QCOMPARE(run.ActivePageId(), page);
    QCOMPARE(run.NotificationTitles().contains(QStringLiteral("Bypassing Log Selection")),
             bypassed);
    QVERIFY(!run.NotificationTitles().contains(QStringLiteral("Configuration Problem")));
    QCOMPARE(sheet.IsLogFolderKnown(), true);
    QCOMPARE(sheet.LogFolder(), logs);
    const QStringList files = QDir(logs).entryList({QStringLiteral("*.log")}, QDir::Files);
    QCOMPARE(files.size(), bypassed ? 1 : 0);
    if (bypassed) {
        QVERIFY(files.first().startsWith(QStringLiteral("ZELVDesk ")));
        const QStringList log = run.LogTexts();
        QVERIFY(log.size() >= 4);
        QCOMPARE(log.at(0), QStringLiteral("Startup: Kelmar Log File Format 1.0"));
        // The real build's day, not a date fixed in the source.
        const QString built = QString::fromLatin1(ZELV_BUILD_DATE);
        QCOMPARE(log.at(2), QStringLiteral("Startup: Calling Program Compiled(%1)").arg(built));
        const QDate day =
            QDate::fromString(CZELVAppCore::FormatBuildDate(built), QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(day.isValid() && day <= QDateTime::currentDateTimeUtc().date() &&
                     day > QDate(2018, 8, 14),
                 qPrintable(built));
        QCOMPARE(log.last(), QStringLiteral("Login: Current User(%1) ").arg(OsUser()));
    }
    QVERIFY(run.Prompter().Unexpected().isEmpty());
}

void ZELVDeskStartupTest::logfileNamingAFileIsAConfigurationProblem() {
    DeskRun run;
    const QString file = QDir(run.ProgramFolder()).filePath(QStringLiteral("not-a-folder.txt"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(file));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));

    QCOMPARE(run.NotificationTitles(), QStringList{QStringLiteral("Configuration Problem")});
    const CZELVPopup* popup = run.App().Popups().OpenPopups().first();
    QCOMPARE(popup->Notification().line1,
             QStringLiteral("The Folder in your 'logfile' setting does not exist"));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QVERIFY(sheet.LogFolder().isEmpty());
    QVERIFY(!sheet.IsLogFolderKnown());
    QVERIFY(sheet.Log().Path().isEmpty());
}

void ZELVDeskStartupTest::logfileIsExpanded() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    db.Release();
    DeskRun run;
    const QString root = run.NewFolder(QStringLiteral("site"));
    run.NewFolder(QStringLiteral("site/logs"));
    // The variable reaches the environment at load; %NAME expands it.
    run.WriteConfig(QStringLiteral("options = { variables = { ZELVDESKTESTROOT = \"%1\"; };\n"
                                   "  logfile = \"%ZELVDESKTESTROOT/logs\"; };")
                        .arg(root));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Volume Management")));
    QCOMPARE(sheet.LogFolder(), root + QStringLiteral("/logs"));
    QCOMPARE(QDir(root + QStringLiteral("/logs"))
                 .entryList({QStringLiteral("*.log")}, QDir::Files)
                 .size(),
             1);
}

void ZELVDeskStartupTest::loginLineNamesTheUser() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.Exec(QStringLiteral("UPDATE app_user SET name = 'Pat Operator'")));
    db.Release();
    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(logs));
    run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("List")));
    QCOMPARE(run.LogTexts().last(),
             QStringLiteral("Login: Current User(%1) Name(Pat Operator)").arg(OsUser()));
}

void ZELVDeskStartupTest::refusedLogonStillOpensTheLog() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    // The operator's account now needs a password the program does not have.
    QVERIFY(db.Connection().SetPassword(OsUser(), QStringLiteral("secret-pw")).IsOK());
    db.Release();

    DeskRun run;
    run.SetEnv(QStringLiteral("KELMAR_PASSWORD"), QString()); // none given beforehand
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(logs));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(!sheet.Connection().IsLoggedOn());
    QVERIFY(sheet.IntroPage()->TabCustomers().empty());
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));

    // The log is open and has its header, but no login line; the wizard goes
    // on with an empty Customer list.
    QVERIFY(sheet.Log().IsOpen());
    const QStringList log = run.LogTexts();
    QVERIFY(!log.isEmpty());
    for (const QString& line : log)
        QVERIFY2(!line.startsWith(QStringLiteral("Login:")), qPrintable(line));
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(sheet.Customers().empty());
    QVERIFY(run.NotificationTitles().contains(QStringLiteral("Logon Failed")));
    // The operator was asked for the password and cancelled.
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("Kelmar Server Logon")});
    QVERIFY(run.PromptTexts().first().startsWith(CZELV10RC(ZELV10RC_PASSWORDREQUIRED).Get()));
}

void ZELVDeskStartupTest::passwordAskedForIsUsedForTheTask() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(db.Connection().SetPassword(OsUser(), QStringLiteral("secret-pw")).IsOK());
    db.Release();

    DeskRun run;
    run.SetEnv(QStringLiteral("KELMAR_PASSWORD"), QString()); // none given beforehand
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(logs));
    // A wrong password first: asked again with the server's reason.
    run.Prompter().AnswerSecret(QStringLiteral("guess"));
    run.Prompter().AnswerSecret(QStringLiteral("secret-pw"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QVERIFY(sheet.Connection().IsLoggedOn());
    QVERIFY(run.PromptCaptions().size() >= 2);
    QCOMPARE(run.PromptCaptions().mid(0, 2), QStringList(2, QStringLiteral("Kelmar Server Logon")));
    QVERIFY(run.PromptTexts().at(1).startsWith(CZELV10RC(ZELV10RC_WRONGPASSWORD).Get()));
    QVERIFY(
        run.LogTexts().last().startsWith(QStringLiteral("Login: Current User(%1)").arg(OsUser())));
    QCOMPARE(sheet.Customers().size(), size_t(1));
}

void ZELVDeskStartupTest::unwritableLogFolderIsReported() {
    // A folder nobody can create files in, root included.
    const QString logs = QStringLiteral("/proc");
    QVERIFY(QFileInfo(logs).isDir());
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };").arg(logs));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.PromptTexts(),
             QStringList{QStringLiteral("Failed to open log file in this location")});
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QVERIFY(!run.NotificationTitles().contains(QStringLiteral("Bypassing Log Selection")));
    QVERIFY(!sheet.Log().IsOpen());
}

void ZELVDeskStartupTest::serverAddressThatIsNotKelmarIsReported() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({QStringLiteral("https://user:pw@example.com:5432")});
    QCOMPARE(run.PromptCaptions(), QStringList{QStringLiteral("Server Address Error")});
    QVERIFY(run.PromptTexts().first().startsWith(
        QStringLiteral("The server address on the command line was not used")));
    QVERIFY(!run.PromptTexts().first().contains(QStringLiteral("pw")));
    // The wizard goes on with the embedded database.
    QVERIFY(sheet.Connection().ServerAddress().IsEmpty());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(sheet.IntroPage()->ListTexts().size(), 16);
}

void ZELVDeskStartupTest::wrongTypesForEveryKeyGiveDefaults() {
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(db.AddCustomer("BETA", "Beta Ltd"));
    db.Release();
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = {\n"
                                   "  disablespeech = \"yes\";\n"
                                   "  logfile = 42;\n"
                                   "  localrepositoryfilter = 7;\n"
                                   "  setlistdirectory = true;\n"
                                   "  email = \"ops@example.com\";\n"
                                   "  menu = \"Scan-In\";\n"
                                   "  variables = 3;\n"
                                   "};\n"
                                   "notifications = { filters = \"everything\"; };\n"
                                   "routing = 5;\n"
                                   "allocation = \"none\";\n"));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});

    QVERIFY(run.PromptTexts().isEmpty());
    QCOMPARE(run.VoicesCreated(), 1);
    QCOMPARE(ZELVDeskConfig::LocalRepositoryFilter(sheet.Config()), QStringLiteral("*"));
    QCOMPARE(ZELVDeskConfig::SetListDirectory(sheet.Config()), QString());
    QStringList recipients;
    sheet.GetMailRecipients(&recipients);
    QVERIFY(recipients.isEmpty());
    QCOMPARE(sheet.IntroPage()->ListTexts().first(), QStringLiteral("Scan-In"));
    QCOMPARE(sheet.IntroPage()->ListTexts().size(), 16);
    // A logfile that is no string is no log folder: the Options page, silently.
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
    QVERIFY(run.NotificationTitles().isEmpty());
    // A filter list of the wrong type silences nothing.
    QVERIFY(sheet.ShowNotification(QStringLiteral("Copied items"), QStringLiteral("x")));
}

void ZELVDeskStartupTest::mailRecipientsStopAtFirstNonString() {
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { email = ( \"a@example.com\", \"b@example.com\", 5, "
                                   "\"c@example.com\" ); };"));
    CZELVDeskSheet& sheet = run.Start();
    QStringList recipients{QStringLiteral("kept@example.com")};
    sheet.GetMailRecipients(&recipients);
    QCOMPARE(recipients,
             (QStringList{QStringLiteral("kept@example.com"), QStringLiteral("a@example.com"),
                          QStringLiteral("b@example.com")}));
}

void ZELVDeskStartupTest::exampleConfigurationIsReadAsShippedAndUncommented() {
    QFile example(QStringLiteral(ZELV_EXAMPLE_CONFIG));
    QVERIFY(example.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString shipped = QString::fromUtf8(example.readAll());

    // As shipped every setting is commented out: nothing changes.
    {
        DeskRun run;
        run.WriteConfig(shipped);
        CZELVDeskSheet& sheet = run.Start();
        QVERIFY(run.PromptTexts().isEmpty());
        QCOMPARE(sheet.IntroPage()->ListTexts().size(), 16);
        QCOMPARE(run.VoicesCreated(), 1);
    }

    // With the commented settings taken in, each one is read.
    static const QRegularExpression setting(
        QStringLiteral("^(\\s*)# ( *)(?=[A-Za-z][A-Za-z0-9_]* =|[(){}])"));
    QStringList lines = shipped.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line.replace(setting, QStringLiteral("\\1\\2"));
    DeskRun run;
    run.WriteConfig(lines.join(QLatin1Char('\n')));
    CZELVDeskSheet& sheet = run.Start();
    QVERIFY2(run.PromptTexts().isEmpty(), qPrintable(run.PromptTexts().join(QLatin1Char('\n'))));
    QCOMPARE(run.VoicesCreated(), 0);
    QCOMPARE(ZELVDeskConfig::LocalRepositoryFilter(sheet.Config()), QStringLiteral("D*"));
    QStringList recipients;
    sheet.GetMailRecipients(&recipients);
    QCOMPARE(recipients.size(), 2);
    const QStringList menu = sheet.IntroPage()->ListTexts();
    QCOMPARE(menu.first(), QStringLiteral("Receive Tapes"));
    QVERIFY(!menu.contains(QStringLiteral("Move Lists")));
    QVERIFY(!menu.contains(QStringLiteral("List")));
    const CIntroPageOp* report =
        sheet.IntroPage()->EntryAt(menu.indexOf(QStringLiteral("Nightly Backup Report")));
    QVERIFY(report);
    QCOMPARE(report->command, QStringLiteral("/opt/site/backup-report.sh --site London"));
    QVERIFY(sheet.Config().Lookup(QStringLiteral("routing")).IsList());
    QVERIFY(sheet.Config().Lookup(QStringLiteral("allocation")).IsList());
    const ZELVDeskConfig::ChangerElement changer =
        ZELVDeskConfig::ChangerFor(sheet.Config(), QStringLiteral("LIB1"));
    QCOMPARE(changer.device, QStringLiteral("/dev/sg3"));
    QCOMPARE(changer.timeoutSeconds, 60);
    QVERIFY(ZELVDeskConfig::ChangerFor(sheet.Config(), QStringLiteral("VLT1")).device.isEmpty());
    QVERIFY(
        !sheet.ShowNotification(QStringLiteral("Bypassing Log Selection"), QStringLiteral("x")));
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    ZELVDeskStartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ZELVDeskStartupTest.moc"
