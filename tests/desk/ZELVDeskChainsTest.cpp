// The page chains after the task menu, the Customer change warning and the
// exit warning, on a real database seeded through the server library.
#include "DeskTestSupport.h"
#include "IntroPage.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace {

struct Seed {
    int customers = 1;
    int media = 1;
};

// Repositories DC01 and VLT1 (and the server's own INIT); Customer ACME with
// LTO5 (and LTO6), and BETA when there are two Customers.
bool SeedDatabase(TestDatabase& db, const Seed& seed) {
    bool ok = db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
              db.AddRepository("VLT1", "Vault") && db.AddCustomer("ACME", "Acme Corp") &&
              db.AddMedia("ACME", "LTO5") && db.AddVolume("ACME", "LTO5", "000001", "DC01", "VLT1");
    if (seed.media > 1)
        ok = ok && db.AddMedia("ACME", "LTO6") && db.AddVolume("ACME", "LTO6", "600001", "DC01");
    if (seed.customers > 1)
        ok = ok && db.AddCustomer("BETA", "Beta Ltd") && db.AddMedia("BETA", "LTO5");
    db.Release();
    return ok;
}

QString Config(const QString& logs, const QString& filter) {
    QString text = QStringLiteral("options = { disablespeech = true; logfile = \"%1\";").arg(logs);
    if (!filter.isEmpty())
        text += QStringLiteral(" localrepositoryfilter = \"%1\";").arg(filter);
    return text + QStringLiteral(" };");
}

CSelectedVolume SelectedVolume(const char* id) {
    CSelectedVolume v;
    v.volume.key.customerId = "ACME";
    v.volume.key.mediaId = "LTO5";
    v.volume.key.volumeId = id;
    v.text1 = v.volume.key.Text();
    return v;
}

} // namespace

class ZELVDeskChainsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstPages_data();
    void firstPages();
    void afterChoosingAmongSeveralCustomersBackLeadsToTheCustomerPage();
    void locationListMergesRepositoriesAcrossMediaTypes();
    void customerChangeWarning();
    void exitWarning_data();
    void exitWarning();
    void cancelButtonAsksOnlyOnItsTwoPages();
};

void ZELVDeskChainsTest::firstPages_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<int>("customers");
    QTest::addColumn<int>("media");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("repository");
    QTest::addColumn<int>("back");

    QTest::newRow("Send: Scan and Modify") << "Send" << 2 << 1 << "" << 221 << "" << 209;
    QTest::newRow("List: Scan to List") << "List" << 2 << 1 << "" << 103 << "" << 209;
    QTest::newRow("Users: Authorized Users") << "Users" << 2 << 1 << "" << 203 << "" << 209;
    QTest::newRow("two Customers: Customer Selection")
        << "Scan-In" << 2 << 1 << "" << 204 << "" << 209;
    QTest::newRow("Scan-In, several Repositories: location page")
        << "Scan-In" << 1 << 1 << "" << 216 << "" << 209;
    QTest::newRow("Scan-In, one Repository: straight to the Volumes")
        << "Scan-In" << 1 << 1 << "D*" << 217 << "DC01" << 209;
    // Container Selection with no Container at DC01 passes on by itself.
    QTest::newRow("Scan-Out, one Repository: Container Selection, on to the Volumes")
        << "Scan-Out" << 1 << 1 << "D*" << 102 << "DC01" << 209;
    // The empty location page says so and goes back by itself.
    QTest::newRow("Scan-Out, no Repository: the empty location page, back")
        << "Scan-Out" << 1 << 1 << "Z*" << 204 << "" << 209;
    QTest::newRow("Scan-Out, several Repositories: location page")
        << "Scan-Out" << 1 << 2 << "" << 107 << "" << 204;
    QTest::newRow("Volume Management") << "Volume Management" << 1 << 2 << "" << 212 << "" << 209;
    QTest::newRow("Move Lists") << "Move Lists" << 1 << 1 << "" << 389 << "" << 204;
    QTest::newRow("Upload and Download Files")
        << "Upload and Download Files" << 1 << 1 << "" << 206 << "" << 209;
    QTest::newRow("Recall, two Media Types: Media Type Selection")
        << "Recall" << 1 << 2 << "" << 213 << "" << 204;
    QTest::newRow("Recall, one delivery Repository: Volume Selection")
        << "Recall" << 1 << 1 << "V*" << 224 << "VLT1" << 218;
    QTest::newRow("Recall, several delivery Repositories: Delivery Location")
        << "Recall" << 1 << 1 << "" << 218 << "" << 209;
    QTest::newRow("Library Reconciliation: location page")
        << "Library Reconciliation" << 1 << 1 << "" << 375 << "" << 209;
    QTest::newRow("Library Management, one Media Type: location page, back to the menu")
        << "Library Management" << 1 << 1 << "" << 388 << "" << 209;
    QTest::newRow("Library Management, two Media Types: Media Type Selection")
        << "Library Management" << 1 << 2 << "" << 213 << "" << 204;
}

void ZELVDeskChainsTest::firstPages() {
    QFETCH(QString, task);
    QFETCH(int, customers);
    QFETCH(int, media);
    QFETCH(QString, filter);
    QFETCH(int, page);
    QFETCH(QString, repository);
    QFETCH(int, back);

    TestDatabase db;
    QVERIFY(SeedDatabase(db, {customers, media}));
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), filter));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});

    if (task == QStringLiteral("Send")) {
        // Send always passes the Options page, whose Next asks for its first page.
        QVERIFY(run.ChooseTask(task));
        QCOMPARE(run.ActivePageId(), int(IDD_OPTIONS));
        QVERIFY(sheet.OpenLogAndLogon(sheet.LogFolder()));
        QVERIFY(sheet.SetActivePageById(sheet.FirstTaskPage()));
    } else {
        QVERIFY(run.ChooseTask(task));
    }
    QCOMPARE(run.ActivePageId(), page);
    QCOMPARE(sheet.Repository(), repository);
    QVERIFY(sheet.Log().IsOpen());
    if (page == IDD_SEND_VOLUMES) {
        // Container Selection had nothing to offer, said so and went on.
        QCOMPARE(run.sounds.Played(), QList<int>{108});
        QVERIFY(run.NotificationTitles().contains(QStringLiteral("No Eligible Containers")));
    }
    if (customers == 1 && page != 221 && page != 103 && page != 203)
        QCOMPARE(sheet.Customer(), QStringLiteral("ACME"));

    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), back);
    // Nothing travels to DC01: the Scan-In Volumes page says so; the empty
    // Scan-Out location page says why it went back.
    QStringList prompts;
    if (page == IDD_RECEIVE_VOLUMES)
        prompts << QStringLiteral("There are no Volumes to Scan-In that match the criteria "
                                  "that you have selected");
    if (task == QLatin1String("Scan-Out") && page == IDD_CUSTOMER)
        prompts << QStringLiteral("There are no Volumes to be Scanned-Out for the selected "
                                  "Customer");
    QCOMPARE(run.PromptTexts(), prompts);
}

void ZELVDeskChainsTest::afterChoosingAmongSeveralCustomersBackLeadsToTheCustomerPage() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db, {2, 1}));
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QCOMPARE(sheet.Customers().size(), size_t(2));

    // What the Customer page's Next does once a Customer is chosen.
    sheet.SetCustomer(QStringLiteral("ACME"));
    QVERIFY(sheet.SetActivePageById(sheet.AfterCustomer()));
    QCOMPARE(run.ActivePageId(), int(IDD_RECEIVE_LOCATION));
    QCOMPARE(sheet.GetWizardButtons(), int(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext));
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
}

void ZELVDeskChainsTest::locationListMergesRepositoriesAcrossMediaTypes() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db, {1, 2}));
    TestDatabase extra; // a hidden Repository in a database of its own
    QVERIFY(extra.IsReady());
    QVERIFY(extra.AddRepository("DC01", "Data Centre"));
    QVERIFY(extra.AddRepository("HIDN", "Hidden", ZELVREP_HIDDEN));
    QVERIFY(extra.AddCustomer("ACME", "Acme Corp"));
    QVERIFY(extra.AddMedia("ACME", "LTO5"));
    QVERIFY(extra.AddMedia("ACME", "LTO6"));
    QVERIFY(extra.AddVolume("ACME", "LTO5", "000001", "DC01"));
    QVERIFY(extra.AddVolume("ACME", "LTO5", "000002", "DC01"));
    QVERIFY(extra.AddVolume("ACME", "LTO6", "600001", "DC01"));
    extra.Release();

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { disablespeech = true; };"));
    CZELVDeskSheet& sheet = run.Start({extra.AddressText()});
    QVERIFY(sheet.EnsureLoggedOn());
    sheet.SetTask(TaskScanIn);
    sheet.SetCustomer(QStringLiteral("ACME"));
    QCOMPARE(sheet.FillLocationList(), 2); // INIT and DC01; HIDN is hidden
    QStringList ids;
    for (const ZELVREPOSITORYFULL& r : sheet.Locations())
        ids.append(r.repositoryId.Text());
    QCOMPARE(ids, (QStringList{QStringLiteral("DC01"), QStringLiteral("INIT")}));
    QCOMPARE(sheet.Locations().front().volumes, 3u);
    // Tasks without a location list count nothing.
    sheet.SetTask(TaskVolumeManagement);
    QCOMPARE(sheet.FillLocationList(), 0);
}

void ZELVDeskChainsTest::customerChangeWarning() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db, {1, 2}));
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QString()));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Recall")));
    QCOMPARE(run.ActivePageId(), int(IDD_MEDIA));
    sheet.RecallSelection().push_back(SelectedVolume("000001"));

    run.Prompter().Answer(PromptNo);
    QVERIFY(!sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_MEDIA));
    QCOMPARE(sheet.RecallSelection().size(), size_t(1));
    const PromptRequest& asked = run.Prompter().Asked().first().request;
    QCOMPARE(asked.text,
             QStringLiteral("If you go back you will lose your current selections, is this OK?"));
    QCOMPARE(asked.caption, QStringLiteral("Customer Change Warning"));
    QCOMPARE(asked.icon, PromptIcon::Warning);
    QCOMPARE(asked.buttons, PromptButtons::YesNo);

    run.Prompter().Answer(PromptYes);
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    QVERIFY(sheet.RecallSelection().empty());

    // Without a selection Back asks nothing.
    QVERIFY(sheet.SetActivePageById(IDD_MEDIA));
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.Prompter().Asked().size(), 2);
    QVERIFY(run.Prompter().Unexpected().isEmpty());
}

void ZELVDeskChainsTest::exitWarning_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<bool>("unprocessed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("leaves");

    QTest::newRow("Scan-In never asks") << "Scan-In" << true << int(PromptNone) << false << true;
    QTest::newRow("Recall without a selection leaves")
        << "Recall" << false << int(PromptNone) << false << true;
    QTest::newRow("Recall with a selection, No stays")
        << "Recall" << true << int(PromptNo) << true << false;
    QTest::newRow("Recall with a selection, Yes leaves")
        << "Recall" << true << int(PromptYes) << true << true;
    QTest::newRow("Send with scanned Volumes, No stays")
        << "Send" << true << int(PromptNo) << true << false;
    QTest::newRow("Send with scanned Volumes, Yes leaves")
        << "Send" << true << int(PromptYes) << true << true;
    QTest::newRow("Send with nothing scanned leaves")
        << "Send" << false << int(PromptNone) << false << true;
}

void ZELVDeskChainsTest::exitWarning() {
    QFETCH(QString, task);
    QFETCH(bool, unprocessed);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, leaves);

    TestDatabase db;
    QVERIFY(SeedDatabase(db, {1, 1}));
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QStringLiteral("V*")));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(task));
    if (task == QStringLiteral("Send")) {
        QVERIFY(sheet.OpenLogAndLogon(sheet.LogFolder()));
        QVERIFY(sheet.SetActivePageById(sheet.FirstTaskPage()));
        if (unprocessed)
            sheet.ScanList().AddScanned(SelectedVolume("000001").volume.key);
    } else if (unprocessed) {
        // Scan-In has no selection of its own; a left-over one must not count.
        sheet.RecallSelection().push_back(SelectedVolume("000001"));
    }
    QVERIFY(sheet.Log().IsOpen());
    if (answer != PromptNone)
        run.Prompter().Answer(answer);

    QTest::keyClick(&sheet, Qt::Key_Escape);
    DeskRun::Flush();

    QCOMPARE(run.Prompter().Asked().size(), asked ? 1 : 0);
    if (asked) {
        const PromptRequest& request = run.Prompter().Asked().first().request;
        QCOMPARE(request.text,
                 QStringLiteral("You have unprocessed Volumes. Are you sure you want to exit?"));
        QCOMPARE(request.caption, QStringLiteral("Exit Warning"));
        QCOMPARE(request.icon, PromptIcon::Question);
        QCOMPARE(request.buttons, PromptButtons::YesNo);
    }
    QCOMPARE(sheet.isVisible(), !leaves);
    QCOMPARE(sheet.IsExitConfirmed(), asked && leaves);
    // Leaving closes the log with its end line; staying keeps writing to it.
    QCOMPARE(sheet.Log().IsOpen(), !leaves);
    if (leaves)
        QCOMPARE(run.LogTexts().last(), QStringLiteral("<<<<<<<<< END OF FILE >>>>>>>>>"));
    QVERIFY(run.Prompter().Unexpected().isEmpty());
}

void ZELVDeskChainsTest::cancelButtonAsksOnlyOnItsTwoPages() {
    TestDatabase db;
    QVERIFY(SeedDatabase(db, {1, 1}));
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QStringLiteral("V*")));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Recall")));
    QCOMPARE(run.ActivePageId(), int(IDD_VOLUME));
    sheet.RecallSelection().push_back(SelectedVolume("000001"));
    auto* cancel = sheet.findChild<QPushButton*>(QStringLiteral("wizardCancelButton"));
    QVERIFY(cancel);

    // Required Date Selection: Cancel asks, No keeps the wizard open.
    QVERIFY(sheet.SetActivePageById(IDD_TIME));
    run.Prompter().Answer(PromptNo);
    cancel->click();
    DeskRun::Flush();
    QCOMPARE(run.Prompter().Asked().size(), 1);
    QVERIFY(sheet.isVisible());

    // Escape on the Volume Selection page asks too.
    QVERIFY(sheet.SetActivePageById(IDD_VOLUME));
    run.Prompter().Answer(PromptNo);
    QTest::keyClick(&sheet, Qt::Key_Escape);
    QCOMPARE(run.Prompter().Asked().size(), 2);
    QVERIFY(sheet.isVisible());

    // Its Cancel button does not ask.
    cancel->click();
    DeskRun::Flush();
    QCOMPARE(run.Prompter().Asked().size(), 2);
    QVERIFY(!sheet.isVisible());
    QVERIFY(!sheet.Log().IsOpen());
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    ZELVDeskChainsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ZELVDeskChainsTest.moc"
