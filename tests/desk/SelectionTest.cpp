// Customer, Media Type and Repository selection on a real database seeded
// through the server library: what the pages list, their shortcuts and
// messages, the location lists with the location filter, the operator's
// hidden Repositories, and where the chains lead after each choice.
#include "CustomerCache.h"
#include "CustomerPage.h"
#include "DeskTestSupport.h"
#include "MediaCache.h"
#include "MediaPage.h"
#include "RepositoryChoice.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10MediaListCtrl.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVPropertyGridCtrl.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QSettings>
#include <QTableView>
#include <QTest>

namespace {

// Repositories: INIT (the server's own), DC01 "Data Centre", DC02 with no
// name, VLT1 "Vault" (a vault), HIDN not shown in lists.
// Customers: ACME (moving Volumes; Media Types LTO5, LTO6 without a name,
// LTO7 without Volumes, HIDM not shown in lists), BETA (LTO5 with Volumes,
// LTO8 without), EMPT without a name (LTO5 only), EXCL excluded from lists,
// NOVL without Volumes.
bool SeedFull(TestDatabase& db) {
    CZELV10MFC& mfc = db.Connection();
    ZELVREPOSITORY vault;
    vault.repositoryId = "VLT1";
    vault.name = "Vault";
    vault.type = ZELVREPTYPE_VAULT;
    ZELVMEDIAEx hidden;
    hidden.customerId = "ACME";
    hidden.mediaId = "HIDM";
    hidden.name = "Hidden media";
    hidden.flags = ZELVMEDIA_HIDDEN;

    bool ok = db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
              db.AddRepository("DC02", "") && mfc.Add(vault).IsOK() &&
              db.AddRepository("HIDN", "Hidden", ZELVREP_HIDDEN);
    ok = ok && db.AddCustomer("ACME", "Acme Corp") && db.AddMedia("ACME", "LTO5", "LTO-5") &&
         db.AddMedia("ACME", "LTO6", "") && db.AddMedia("ACME", "LTO7", "LTO-7 spare") &&
         mfc.Add(hidden).IsOK();
    ok = ok && db.AddVolume("ACME", "LTO5", "000001", "DC01", "VLT1") &&
         db.AddVolume("ACME", "LTO5", "000002", "DC01") &&
         db.AddVolume("ACME", "LTO5", "000003", "DC01") &&
         db.AddVolume("ACME", "LTO6", "600001", "DC01") &&
         db.AddVolume("ACME", "LTO6", "600002", "VLT1") &&
         db.AddVolume("ACME", "HIDM", "H00001", "DC01");
    ok = ok && db.AddCustomer("BETA", "Beta Ltd") && db.AddMedia("BETA", "LTO5", "LTO-5") &&
         db.AddMedia("BETA", "LTO8", "LTO-8") && db.AddVolume("BETA", "LTO5", "B00001", "DC01");
    ok = ok && db.AddCustomer("EMPT", "") && db.AddMedia("EMPT", "LTO5", "LTO-5") &&
         db.AddVolume("EMPT", "LTO5", "E00001", "VLT1") &&
         db.AddVolume("EMPT", "LTO5", "E00002", "VLT1");
    ok = ok && db.AddCustomer("EXCL", "Excluded", ZELVCUST_EXCLUDED) &&
         db.AddMedia("EXCL", "LTO5") && db.AddVolume("EXCL", "LTO5", "X00001", "DC01");
    ok = ok && db.AddCustomer("NOVL", "No Volumes") && db.AddMedia("NOVL", "LTO5");
    return ok;
}

QString Config(const QString& logs, const QString& filter = QStringLiteral("*")) {
    QString text = QStringLiteral("options = { disablespeech = true; logfile = \"%1\";").arg(logs);
    if (!filter.isNull())
        text += QStringLiteral(" localrepositoryfilter = \"%1\";").arg(filter);
    return text + QStringLiteral(" };");
}

// The texts of one column in the order the list shows them.
int RowOf(const CZELVListCtrl& list, const QString& text) {
    return int(Column(list, 0).indexOf(text));
}

QStringList Ids(const std::vector<ZELVREPOSITORYFULL>& records) {
    QStringList ids;
    for (const ZELVREPOSITORYFULL& r : records)
        ids.append(r.repositoryId.Text());
    return ids;
}

QStringList Ids(const std::vector<const ZELVREPOSITORYFULL*>& records) {
    QStringList ids;
    for (const ZELVREPOSITORYFULL* r : records)
        ids.append(r->repositoryId.Text());
    return ids;
}

// One run of the program on the seeded database, with the profile's hidden
// Repositories set before the sheet is made.
struct Session {
    explicit Session(const QString& filter = QStringLiteral("*"), const QStringList& hidden = {}) {
        seeded = SeedFull(db);
        db.Release();
        run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), filter));
        QSettings& profile = run.App().Profile();
        profile.beginGroup(QString::fromLatin1(kHiddenRepositoriesGroup));
        for (const QString& key : hidden)
            profile.setValue(key, 1);
        profile.endGroup();
        sheet = &run.Start({db.AddressText()});
    }
    CCustomerPage* CustomerPage() const { return sheet->findChild<CCustomerPage*>(); }
    CMediaPage* MediaPage() const { return sheet->findChild<CMediaPage*>(); }

    TestDatabase db;
    DeskRun run;
    bool seeded = false;
    CZELVDeskSheet* sheet = nullptr;
};

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void customerPageListsWhatItShould();
    void customerPageButtonsFollowTheSelection();
    void customerSortByVolumes();
    void doubleClickOnACustomerGoesOn();
    void oneCustomerSkipsThePage();
    void oneListedCustomerIsOffered_data();
    void oneListedCustomerIsOffered();
    void noSelectionIsRefused();
    void customerRefusals_data();
    void customerRefusals();
    void chainsAfterCustomer_data();
    void chainsAfterCustomer();
    void mediaPageListsWhatItShould();
    void mediaChoiceLeadsOn_data();
    void mediaChoiceLeadsOn();
    void oneListedMediaTypeIsOffered();
    void oneMediaTypeSkipsThePage();
    void locationListFilter_data();
    void locationListFilter();
    void locationListShowsMergedCounts();
    void requireRepository();
    void hiddenRepositoriesAreKeptOutOfTheChoices();
    void locationTexts_data();
    void locationTexts();
    void repositoryChoice();
    void homeAndImages();
    void cachesReadOnceAndKeepTheirContentsOnFailure();
    void listModelsPassTheModelTester();
};

void SelectionTest::customerPageListsWhatItShould() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
    CCustomerPage* page = s.CustomerPage();
    QCOMPARE(page->HeaderTitle(), QStringLiteral("Customer Selection"));
    // Every Customer counts for the shortcut, also the ones the page hides.
    QCOMPARE(s.sheet->Customers().size(), size_t(5));

    const CZELV10CustomerListCtrl& list = *page->List();
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("Acme Corp"), QStringLiteral("Beta Ltd"),
                                           QStringLiteral("ID(EMPT)")}));
    QCOMPARE(Column(list, 1),
             (QStringList{QStringLiteral("6"), QStringLiteral("1"), QStringLiteral("2")}));
    QCOMPARE(Column(list, 2),
             (QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")}));
    QCOMPARE(list.Model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    QCOMPARE(list.Model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Moves"));
    // Unticked rows are gray; ticking one turns it black.
    const QModelIndex first = list.Model()->index(0, 0);
    QCOMPARE(list.Model()->data(first, Qt::ForegroundRole).value<QColor>(), QColor(100, 100, 100));
    QVERIFY(list.Model()->setData(first, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(list.Model()->data(first, Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
    QVERIFY(s.run.Prompter().Asked().isEmpty());
}

void SelectionTest::customerPageButtonsFollowTheSelection() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-In")));
    CZELV10CustomerListCtrl& list = *s.CustomerPage()->List();
    QCOMPARE(s.sheet->GetWizardButtons(), int(CZELVWizardSheet::WizBack));
    list.SelectRow(1);
    QCOMPARE(s.sheet->GetWizardButtons(),
             int(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext));
    list.SelectNone();
    QCOMPARE(s.sheet->GetWizardButtons(), int(CZELVWizardSheet::WizBack));

    // Back is the task menu, and leaving keeps the operator's column order
    // in the profile; coming again lists the same Customers.
    list.SetColumnOrder({2, 0, 1});
    QVERIFY(s.sheet->GoBack());
    QCOMPARE(s.run.ActivePageId(), int(IDD_INTRO));
    QCOMPARE(
        s.run.App().Profile().value(QStringLiteral("CListCtrl_Order/Customer_List")).toString(),
        QStringLiteral("2,0,1,"));
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-Out")));
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
    QCOMPARE(list.GetItemCount(), 3);
    QCOMPARE(list.GetSelectedCount(), 0);
}

void SelectionTest::customerSortByVolumes() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-In")));
    CZELV10CustomerListCtrl& list = *s.CustomerPage()->List();
    QHeaderView* header = list.Table()->horizontalHeader();
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    click(CZELV10CustomerListCtrl::ColVolumes);
    QCOMPARE(Column(list, 1),
             (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("6")}));
    click(CZELV10CustomerListCtrl::ColVolumes);
    QCOMPARE(Column(list, 1),
             (QStringList{QStringLiteral("6"), QStringLiteral("2"), QStringLiteral("1")}));
    // Names: the first click on a heading sorts in reverse.
    click(CZELV10CustomerListCtrl::ColName);
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("ID(EMPT)"), QStringLiteral("Beta Ltd"),
                                           QStringLiteral("Acme Corp")}));
    // The next fill keeps the order the operator chose.
    QVERIFY(s.sheet->GoBack());
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(Column(list, 0).first(), QStringLiteral("ID(EMPT)"));
}

void SelectionTest::doubleClickOnACustomerGoesOn() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Volume Management")));
    CZELV10CustomerListCtrl& list = *s.CustomerPage()->List();
    QTableView* table = list.Table();
    const int row = RowOf(list, QStringLiteral("Beta Ltd"));
    const QRect cell = table->visualRect(list.Model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    DeskRun::Flush();
    QCOMPARE(s.run.ActivePageId(), int(IDD_MANAGE));
    QCOMPARE(s.sheet->Customer(), QStringLiteral("BETA"));
    QVERIFY(s.run.Prompter().Asked().isEmpty());
}

void SelectionTest::oneCustomerSkipsThePage() {
    TestDatabase db;
    QVERIFY(db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
            db.AddRepository("VLT1", "Vault") && db.AddCustomer("SOLO", "Solo Ltd") &&
            db.AddMedia("SOLO", "LTO5") && db.AddVolume("SOLO", "LTO5", "000001", "VLT1", "DC01"));
    db.Release();
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs")), QStringLiteral("D*")));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    // Customer and Repository chosen without asking: straight to the Volumes.
    QCOMPARE(run.ActivePageId(), int(IDD_RECEIVE_VOLUMES));
    QCOMPARE(sheet.Customer(), QStringLiteral("SOLO"));
    QCOMPARE(sheet.Repository(), QStringLiteral("DC01"));
    QVERIFY(run.Prompter().Asked().isEmpty());
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_INTRO));
}

void SelectionTest::oneListedCustomerIsOffered_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("captions");

    const QString offer = QStringLiteral(
        "There is only one Customer the list, would you like to select that Customer?");
    const QString must = QStringLiteral("You must select a Customer before you can proceed");
    const QString caption = QStringLiteral("No Selection");
    QTest::newRow("Yes takes the one Customer") << int(PromptYes) << int(IDD_RECEIVE_LOCATION)
                                                << QStringList{offer} << QStringList{caption};
    QTest::newRow("No stays and says a Customer is needed")
        << int(PromptNo) << int(IDD_CUSTOMER) << QStringList{offer, must}
        << QStringList{caption, caption};
}

void SelectionTest::oneListedCustomerIsOffered() {
    QFETCH(int, answer);
    QFETCH(int, page);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, captions);

    // Two Customers on the server, one of them without Volumes: the page
    // shows, with one row.
    TestDatabase db;
    QVERIFY(db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
            db.AddRepository("VLT1", "Vault") && db.AddCustomer("ACME", "Acme Corp") &&
            db.AddMedia("ACME", "LTO5") && db.AddVolume("ACME", "LTO5", "000001", "DC01", "VLT1") &&
            db.AddCustomer("NOVL", "No Volumes") && db.AddMedia("NOVL", "LTO5"));
    db.Release();
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Scan-In")));
    QCOMPARE(run.ActivePageId(), int(IDD_CUSTOMER));
    CCustomerPage* customerPage = sheet.findChild<CCustomerPage*>();
    QCOMPARE(Column(*customerPage->List(), 0), QStringList{QStringLiteral("Acme Corp")});
    // One row: Next is there to offer it.
    QCOMPARE(sheet.GetWizardButtons(), int(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext));

    run.Prompter().Answer({answer, int(PromptOk)});
    sheet.GoNext();
    QCOMPARE(run.ActivePageId(), page);
    QCOMPARE(run.PromptTexts(), texts);
    QCOMPARE(run.PromptCaptions(), captions);
    const QList<ScriptedPrompter::Record>& asked = run.Prompter().Asked();
    QCOMPARE(asked.first().request.icon, PromptIcon::Question);
    QCOMPARE(asked.first().request.buttons, PromptButtons::YesNo);
    if (asked.size() > 1)
        QCOMPARE(asked.last().request.icon, PromptIcon::Error);
    QCOMPARE(sheet.Customer(), answer == PromptYes ? QStringLiteral("ACME") : QString());
    QVERIFY(run.Prompter().Unexpected().isEmpty());
}

void SelectionTest::noSelectionIsRefused() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Scan-In")));
    QVERIFY(!s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
    QCOMPARE(s.run.PromptTexts(),
             QStringList{QStringLiteral("You must select a Customer before you can proceed")});
    QCOMPARE(s.run.PromptCaptions(), QStringList{QStringLiteral("No Selection")});
    QCOMPARE(s.run.Prompter().Asked().first().request.icon, PromptIcon::Error);
    QVERIFY(s.sheet->Customer().isEmpty());
}

void SelectionTest::customerRefusals_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("showEmpty");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("page");

    QTest::newRow("Move Lists refuses a Customer with no moving Volumes")
        << "Move Lists"
        << "Beta Ltd" << false
        << "You cannot display Move Lists for a Customer with no moving Volumes"
        << "No Moving Volumes" << int(IDD_CUSTOMER);
    QTest::newRow("Move Lists takes a Customer with moves") << "Move Lists"
                                                            << "Acme Corp" << false << ""
                                                            << "" << int(IDD_MOVE_LIST);
    QTest::newRow("Volume Management refuses a Customer with no Volumes")
        << "Volume Management"
        << "No Volumes" << true << "You cannot manage a Customer with no Volumes"
        << "No Volumes" << int(IDD_CUSTOMER);
    QTest::newRow("Library Reconciliation takes a Customer with no Volumes")
        << "Library Reconciliation"
        << "No Volumes" << true << ""
        << "" << int(IDD_RECONCILIATION_LOCATION);
}

void SelectionTest::customerRefusals() {
    QFETCH(QString, task);
    QFETCH(QString, row);
    QFETCH(bool, showEmpty);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(int, page);

    Session s;
    QVERIFY(s.seeded);
    CZELV10CustomerListCtrl& list = *s.CustomerPage()->List();
    list.SetHideEmpty(!showEmpty);
    QVERIFY(s.run.ChooseTask(task));
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
    const int index = RowOf(list, row);
    QVERIFY(index >= 0);
    list.SelectRow(index);
    s.sheet->GoNext();
    QCOMPARE(s.run.ActivePageId(), page);
    if (text.isEmpty()) {
        QVERIFY(s.run.Prompter().Asked().isEmpty());
        QVERIFY(!s.sheet->Customer().isEmpty());
    } else {
        QCOMPARE(s.run.PromptTexts(), QStringList{text});
        QCOMPARE(s.run.PromptCaptions(), QStringList{caption});
        QCOMPARE(s.run.Prompter().Asked().first().request.icon, PromptIcon::Warning);
        QVERIFY(s.sheet->Customer().isEmpty());
    }
}

void SelectionTest::chainsAfterCustomer_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("customer");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("repository");

    QTest::newRow("Scan-In, several Repositories: location page")
        << "Scan-In"
        << "*"
        << "Acme Corp" << int(IDD_RECEIVE_LOCATION) << ""
        << "";
    QTest::newRow("Scan-In, one Repository: Volumes page")
        << "Scan-In"
        << "V*"
        << "Acme Corp" << int(IDD_RECEIVE_VOLUMES) << ""
        << "VLT1";
    QTest::newRow("Scan-Out, two Repositories: location page")
        << "Scan-Out"
        << "D*"
        << "Beta Ltd" << int(IDD_SEND_LOCATION) << ""
        << "";
    QTest::newRow("Scan-Out, one Repository: Container Selection")
        << "Scan-Out"
        << "DC01"
        << "Beta Ltd" << int(IDD_SEND_CONTAINER) << ""
        << "DC01";
    QTest::newRow("Volume Management") << "Volume Management"
                                       << "*"
                                       << "Acme Corp" << int(IDD_MANAGE) << ""
                                       << "";
    QTest::newRow("Upload and Download Files") << "Upload and Download Files"
                                               << "*"
                                               << "Acme Corp" << int(IDD_FILE) << ""
                                               << "";
    QTest::newRow("Recall, several Media Types: Media Type page")
        << "Recall"
        << "*"
        << "Acme Corp" << int(IDD_MEDIA) << ""
        << "";
    QTest::newRow("Recall, one Media Type, several delivery Repositories")
        << "Recall"
        << "*"
        << "ID(EMPT)" << int(IDD_RETRIEVE_LOCATION) << "LTO5"
        << "";
    QTest::newRow("Recall, one Media Type, one delivery Repository")
        << "Recall"
        << "V*"
        << "ID(EMPT)" << int(IDD_VOLUME) << "LTO5"
        << "VLT1";
    QTest::newRow("Library Reconciliation, one Media Type")
        << "Library Reconciliation"
        << "*"
        << "ID(EMPT)" << int(IDD_RECONCILIATION_LOCATION) << "LTO5"
        << "";
    QTest::newRow("Library Management, one Media Type")
        << "Library Management"
        << "*"
        << "ID(EMPT)" << int(IDD_LIBRARY_MANAGEMENT) << "LTO5"
        << "";
    QTest::newRow("Library Management, two Media Types") << "Library Management"
                                                         << "*"
                                                         << "Beta Ltd" << int(IDD_MEDIA) << ""
                                                         << "";
}

void SelectionTest::chainsAfterCustomer() {
    QFETCH(QString, task);
    QFETCH(QString, filter);
    QFETCH(QString, customer);
    QFETCH(int, page);
    QFETCH(QString, media);
    QFETCH(QString, repository);

    Session s(filter);
    QVERIFY(s.seeded);
    s.sheet->SetMedia(QStringLiteral("OLDM")); // left over from an earlier task
    QVERIFY(s.run.ChooseTask(task));
    CZELV10CustomerListCtrl& list = *s.CustomerPage()->List();
    list.SelectRow(RowOf(list, customer));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), page);
    // Nothing leaves Beta's Repositories: the Scan-Out location page says so.
    if (page == IDD_SEND_LOCATION)
        QCOMPARE(
            s.run.Prompter().LastText(),
            QStringLiteral("There are no Volumes to be Scanned-Out for the selected Customer"));
    // A Customer without Volumes has nothing to recall: the Volume Selection says so.
    else if (page == IDD_VOLUME)
        QCOMPARE(s.run.Prompter().LastText(),
                 QStringLiteral("There are no available Volumes in other Repositories to "
                                "Retrieve.\n\nPlease go back and reselect."));
    else
        QVERIFY(s.run.Prompter().Asked().isEmpty());
    if (!media.isEmpty() || task.startsWith(QLatin1String("Scan-")))
        QCOMPARE(s.sheet->Media(), media);
    QCOMPARE(s.sheet->Repository(), repository);
    QCOMPARE(s.sheet->GetWizardButtons() & CZELVWizardSheet::WizBack,
             int(CZELVWizardSheet::WizBack));
    if (!media.isEmpty()) {
        // The Volumes of the Customer's one Media Type are loaded on the way.
        QCOMPARE(s.sheet->MediaVolumes().size(), size_t(2));
    }
}

void SelectionTest::mediaPageListsWhatItShould() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Recall")));
    CZELV10CustomerListCtrl& customers = *s.CustomerPage()->List();
    customers.SelectRow(RowOf(customers, QStringLiteral("Acme Corp")));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_MEDIA));
    CMediaPage* page = s.MediaPage();
    QCOMPARE(page->HeaderTitle(), QStringLiteral("Media Type Selection"));
    QCOMPARE(s.sheet->MediaTypes().size(), size_t(4)); // the shortcut counts them all

    // Neither the Media Type without Volumes nor the hidden one is listed.
    const CZELV10MediaListCtrl& list = *page->List();
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("LTO-5"), QStringLiteral("ID(LTO6)")}));
    QCOMPARE(Column(list, 1), (QStringList{QStringLiteral("3"), QStringLiteral("2")}));
    QCOMPARE(Column(list, 2), (QStringList{QStringLiteral("1"), QStringLiteral("0")}));
    QStringList headings;
    for (int c = 0; c < list.GetColumnCount(); ++c)
        headings.append(list.Model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headings, (QStringList{QStringLiteral("Media Type"), QStringLiteral("Volumes"),
                                    QStringLiteral("Moves"), QStringLiteral("Scratch Deficit"),
                                    QStringLiteral("Overdue")}));
    QCOMPARE(s.sheet->GetWizardButtons(),
             int(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext));

    // Nothing chosen: Next says so and stays.
    QVERIFY(!s.sheet->GoNext());
    QCOMPARE(s.run.PromptTexts(),
             QStringList{QStringLiteral("You must select a Media Type before you can proceed")});
    QCOMPARE(s.run.PromptCaptions(), QStringList{QStringLiteral("No Selection")});
    QCOMPARE(s.run.ActivePageId(), int(IDD_MEDIA));

    // Another Customer's Media Types are read afresh.
    QVERIFY(s.sheet->GoBack());
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
    customers.SelectRow(RowOf(customers, QStringLiteral("Beta Ltd")));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_MEDIA));
    QCOMPARE(Column(list, 0), QStringList{QStringLiteral("LTO-5")});
}

void SelectionTest::mediaChoiceLeadsOn_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("repository");
    QTest::addColumn<int>("volumes");

    QTest::newRow("Recall, several delivery Repositories")
        << "Recall"
        << "*"
        << "LTO-5" << int(IDD_RETRIEVE_LOCATION) << "LTO5"
        << "" << 3;
    QTest::newRow("Recall, two delivery Repositories")
        << "Recall"
        << "DC*"
        << "ID(LTO6)" << int(IDD_RETRIEVE_LOCATION) << "LTO6"
        << "" << 2;
    QTest::newRow("Recall, one delivery Repository after the filter")
        << "Recall"
        << "V*"
        << "ID(LTO6)" << int(IDD_VOLUME) << "LTO6"
        << "VLT1" << 2;
    QTest::newRow("Library Reconciliation")
        << "Library Reconciliation"
        << "*"
        << "ID(LTO6)" << int(IDD_RECONCILIATION_LOCATION) << "LTO6"
        << "" << 2;
    QTest::newRow("Library Management") << "Library Management"
                                        << "*"
                                        << "LTO-5" << int(IDD_LIBRARY_MANAGEMENT) << "LTO5"
                                        << "" << 3;
}

void SelectionTest::mediaChoiceLeadsOn() {
    QFETCH(QString, task);
    QFETCH(QString, filter);
    QFETCH(QString, row);
    QFETCH(int, page);
    QFETCH(QString, media);
    QFETCH(QString, repository);
    QFETCH(int, volumes);

    Session s(filter);
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(task));
    CZELV10CustomerListCtrl& customers = *s.CustomerPage()->List();
    customers.SelectRow(RowOf(customers, QStringLiteral("Acme Corp")));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_MEDIA));
    CZELV10MediaListCtrl& list = *s.MediaPage()->List();
    list.SelectRow(RowOf(list, row));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), page);
    QCOMPARE(s.sheet->Media(), media);
    QCOMPARE(s.sheet->Repository(), repository);
    QCOMPARE(int(s.sheet->MediaVolumes().size()), volumes);
    QCOMPARE(s.sheet->LocationFilter(), filter);
    if (CZELV10RepositoryRows* locations = s.sheet->LocationList(s.sheet->Task()))
        QCOMPARE(locations->Filter(), filter);
    QVERIFY(s.run.Prompter().Asked().isEmpty());
}

void SelectionTest::oneListedMediaTypeIsOffered() {
    // BETA has LTO5 with Volumes and LTO8 without: the page shows, with one row.
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Recall")));
    CZELV10CustomerListCtrl& customers = *s.CustomerPage()->List();
    customers.SelectRow(RowOf(customers, QStringLiteral("Beta Ltd")));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_MEDIA));
    QCOMPARE(Column(*s.MediaPage()->List(), 0), QStringList{QStringLiteral("LTO-5")});

    s.run.Prompter().Answer(PromptYes);
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.PromptTexts().size(), 1);
    QCOMPARE(s.run.PromptTexts().first(),
             QStringLiteral("There is only one Media Type in the list, would you like to select "
                            "that Media Type?"));
    QCOMPARE(s.run.PromptCaptions(), QStringList{QStringLiteral("No Selection")});
    QCOMPARE(s.sheet->Media(), QStringLiteral("LTO5"));
    QCOMPARE(s.run.ActivePageId(), int(IDD_RETRIEVE_LOCATION));
}

void SelectionTest::oneMediaTypeSkipsThePage() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.run.ChooseTask(QStringLiteral("Library Reconciliation")));
    CZELV10CustomerListCtrl& customers = *s.CustomerPage()->List();
    customers.SelectRow(RowOf(customers, QStringLiteral("ID(EMPT)")));
    QVERIFY(s.sheet->GoNext());
    QCOMPARE(s.run.ActivePageId(), int(IDD_RECONCILIATION_LOCATION));
    QCOMPARE(s.sheet->Media(), QStringLiteral("LTO5"));
    QVERIFY(s.run.Prompter().Asked().isEmpty());
    // Back from there leads to the Customer page, not the skipped Media page.
    QVERIFY(s.sheet->GoBack());
    QCOMPARE(s.run.ActivePageId(), int(IDD_CUSTOMER));
}

void SelectionTest::locationListFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("ids");

    // HIDN is never listed: it is not shown in Repository lists.
    QTest::newRow("default lists every shown Repository")
        << "*" << QStringList{"DC01", "DC02", "INIT", "VLT1"};
    QTest::newRow("empty pattern lists every shown Repository")
        << "" << QStringList{"DC01", "DC02", "INIT", "VLT1"};
    QTest::newRow("D* leaves out the vault") << "D*" << QStringList{"DC01", "DC02"};
    QTest::newRow("extended pattern") << "!(INIT|DC*)" << QStringList{"VLT1"};
    QTest::newRow("case counts") << "d*" << QStringList{};
    QTest::newRow("a pattern naming the hidden Repository still hides it")
        << "HIDN" << QStringList{};
    QTest::newRow("unbalanced bracket matches nothing") << "[DC" << QStringList{};
}

void SelectionTest::locationListFilter() {
    QFETCH(QString, filter);
    QFETCH(QStringList, ids);

    Session s(filter);
    QVERIFY(s.seeded);
    QVERIFY(s.sheet->EnsureLoggedOn());
    s.sheet->SetCustomer(QStringLiteral("ACME"));
    for (int task : {int(TaskScanIn), int(TaskScanOut)}) {
        s.sheet->SetTask(task);
        QCOMPARE(s.sheet->FillLocationList(), int(ids.size()));
        QCOMPARE(Ids(s.sheet->Locations()), ids);
    }
    s.sheet->SetTask(TaskRecall);
    s.sheet->SetMedia(QStringLiteral("LTO5"));
    QCOMPARE(s.sheet->FillLocationList(), int(ids.size()));
    QCOMPARE(Ids(s.sheet->Locations()), ids);
    // Tasks without a location list count nothing and keep the Repository.
    s.sheet->SetRepository(QStringLiteral("KEEP"));
    s.sheet->SetTask(TaskVolumeManagement);
    QCOMPARE(s.sheet->FillLocationList(), 0);
    QVERIFY(s.sheet->Locations().empty());
    QCOMPARE(s.sheet->Repository(), QStringLiteral("KEEP"));
}

void SelectionTest::locationListShowsMergedCounts() {
    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.sheet->EnsureLoggedOn());
    s.sheet->SetTask(TaskScanIn);
    s.sheet->SetCustomer(QStringLiteral("ACME"));
    QCOMPARE(s.sheet->FillLocationList(), 4);

    CZELV10RepositoryListCtrl list;
    list.SetSource(s.sheet->LocationList(TaskScanIn));
    QStringList headings;
    for (int c = 0; c < list.GetColumnCount(); ++c)
        headings.append(list.Model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headings, (QStringList{"Repository", "Volumes", "Incoming", "Outgoing", "Scratch",
                                    "Scanned-Out"}));
    QCOMPARE(Column(list, 0),
             (QStringList{"Data Centre", "ID(DC02)", "Initial Repository", "Vault"}));
    // DC01 holds three LTO5, one LTO6 and one HIDM Volume, one LTO5 leaving
    // for the vault.
    QCOMPARE(Column(list, 1), (QStringList{"5", "0", "0", "1"}));
    QCOMPARE(Column(list, 2), (QStringList{"0", "0", "0", "1"}));
    QCOMPARE(Column(list, 3), (QStringList{"1", "0", "0", "0"}));
    // Images follow the Repository type: data centres, initial, vault.
    QCOMPARE(list.Model()->Rows()->Image(0, 0), int(ZELVREPTYPE_DATACENTRE));
    QCOMPARE(list.Model()->Rows()->Image(2, 0), int(ZELVREPTYPE_INITIAL));
    QCOMPARE(list.Model()->Rows()->Image(3, 0), int(ZELVREPTYPE_VAULT));
    QCOMPARE(list.NameOf(QStringLiteral("VLT1")), QStringLiteral("Vault"));
    QCOMPARE(list.NameOf(QStringLiteral("DC02")), QString());
    QCOMPARE(list.NameOf(QStringLiteral("HIDN")), QStringLiteral("ID(HIDN)"));

    // The first click on "Volumes" sorts in reverse: the fullest first.
    QHeaderView* header = list.Table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(Column(list, 0).first(), QStringLiteral("Data Centre"));
    QCOMPARE(Column(list, 1).first(), QStringLiteral("5"));

    // The sheet fills again for another Customer; the list follows.
    s.sheet->SetCustomer(QStringLiteral("EMPT"));
    QCOMPARE(s.sheet->FillLocationList(), 4);
    list.Refresh();
    QCOMPARE(list.RepositoryAt(0)->repositoryId.Text(), QStringLiteral("VLT1"));
    QCOMPARE(list.GetItemText(0, 1), QStringLiteral("2"));
}

void SelectionTest::requireRepository() {
    TestDatabase db;
    QVERIFY(db.IsReady() && db.AddRepository("DC01", "Data Centre") &&
            db.AddCustomer("ACME", "Acme Corp") && db.AddMedia("ACME", "LTO5"));
    ScriptedPrompter prompter;
    CZELV10RepositoryListCtrl list;
    list.SetPrompter(&prompter);
    list.SetFilter(QStringLiteral("DC01"));
    QCOMPARE(list.FillForMedia(db.Connection(), QStringLiteral("ACME"), QStringLiteral("LTO5")), 1);

    prompter.Answer(PromptNo);
    QCOMPARE(list.RequireRepository(), 0);
    QCOMPARE(prompter.Asked().size(), 2);
    QCOMPARE(prompter.Asked()[0].request.text,
             QStringLiteral("There is only one Repository in the list, would you like to select "
                            "that Repository?"));
    QCOMPARE(prompter.Asked()[0].request.caption, QStringLiteral("No Selection"));
    QCOMPARE(prompter.Asked()[0].request.icon, PromptIcon::Question);
    QCOMPARE(prompter.Asked()[1].request.text,
             QStringLiteral("You must select a Repository before you can proceed"));
    QCOMPARE(prompter.Asked()[1].request.icon, PromptIcon::Error);

    prompter.Clear();
    prompter.Answer(PromptYes);
    QCOMPARE(list.RequireRepository(), 1);
    QCOMPARE(list.SelectedRepository()->repositoryId.Text(), QStringLiteral("DC01"));
    QCOMPARE(prompter.Asked().size(), 1);
    // With a selection nothing is asked.
    prompter.Clear();
    QCOMPARE(list.RequireRepository(), 1);
    QVERIFY(prompter.Asked().isEmpty());

    // No rows at all: only the error.
    list.SetFilter(QStringLiteral("NONE"));
    QCOMPARE(list.FillForMedia(db.Connection(), QStringLiteral("ACME"), QStringLiteral("LTO5")), 0);
    QCOMPARE(list.RequireRepository(), 0);
    QCOMPARE(prompter.LastText(),
             QStringLiteral("You must select a Repository before you can proceed"));
    QCOMPARE(prompter.Asked().size(), 1);
    // A Customer the server does not know gives no rows and its reason.
    list.SetFilter(QStringLiteral("*"));
    QCOMPARE(list.FillForCustomer(db.Connection(), QStringLiteral("NONE")), 0);
    QCOMPARE(list.FillForMedia(db.Connection(), QStringLiteral("ACME"), QStringLiteral("NONE")), 0);
    QVERIFY(!list.Source().LastResult().IsOK());
}

void SelectionTest::hiddenRepositoriesAreKeptOutOfTheChoices() {
    Session s(QStringLiteral("*"), {QStringLiteral("ACME.LTO5.VLT1"),
                                    QStringLiteral("BETA.LTO5.DC01"), QStringLiteral("junk")});
    QVERIFY(s.seeded);
    QVERIFY(s.sheet->EnsureLoggedOn());
    CZELV10RepositoryCache& cache = s.sheet->RepositoryCache();
    QCOMPARE(cache.HiddenKeys().size(), 3);

    QVERIFY(cache.Load(QStringLiteral("ACME"), QStringLiteral("LTO5")));
    QCOMPARE(Ids(cache.Records()), (QStringList{"DC01", "DC02", "HIDN", "INIT", "VLT1"}));
    QCOMPARE(Ids(cache.View()), (QStringList{"DC01", "DC02", "HIDN", "INIT"}));
    // Only for that Customer and Media Type.
    QVERIFY(cache.Load(QStringLiteral("ACME"), QStringLiteral("LTO6")));
    QCOMPARE(Ids(cache.View()), (QStringList{"DC01", "DC02", "HIDN", "INIT", "VLT1"}));
    QVERIFY(cache.Load(QStringLiteral("BETA"), QStringLiteral("LTO5")));
    QCOMPARE(Ids(cache.View()), (QStringList{"DC02", "HIDN", "INIT", "VLT1"}));
    // A hidden Repository is still known by name.
    QCOMPARE(
        cache.DisplayNameOf(QStringLiteral("ACME"), QStringLiteral("LTO5"), QStringLiteral("VLT1")),
        QStringLiteral("Vault"));

    // The location list follows the server's own flag, not the operator's keys.
    s.sheet->SetTask(TaskRecall);
    s.sheet->SetCustomer(QStringLiteral("ACME"));
    s.sheet->SetMedia(QStringLiteral("LTO5"));
    QCOMPARE(Ids(s.sheet->Locations()), QStringList{});
    QCOMPARE(s.sheet->FillLocationList(), 4);
    QVERIFY(Ids(s.sheet->Locations()).contains(QStringLiteral("VLT1")));

    // Without a profile nothing is hidden.
    CZELV10RepositoryCache own(&s.sheet->Connection());
    QVERIFY(own.HiddenKeys().isEmpty());
    QVERIFY(own.Load(QStringLiteral("ACME"), QStringLiteral("LTO5")));
    QCOMPARE(own.View().size(), size_t(5));
}

void SelectionTest::locationTexts_data() {
    QTest::addColumn<QString>("repository");
    QTest::addColumn<uint>("slot");
    QTest::addColumn<bool>("always");
    QTest::addColumn<QString>("text");

    QTest::newRow("INIT, slot, always") << "INIT" << 12u << true << "Initial Location [000012]";
    QTest::newRow("INIT without slot") << "INIT" << 0u << false << "Initial Location";
    QTest::newRow("INIT, slot, not always") << "INIT" << 12u << false << "INIT";
    QTest::newRow("named, no slot") << "DC01" << 0u << false << "Data Centre";
    QTest::newRow("named, slot, always") << "DC01" << 7u << true << "Data Centre [000007]";
    QTest::newRow("named, slot, not always") << "DC01" << 7u << false << "DC01";
    QTest::newRow("large slot keeps every digit")
        << "DC01" << 12345678u << true << "Data Centre [12345678]";
    QTest::newRow("no name") << "DC02" << 0u << false << "ID(DC02)";
    QTest::newRow("unknown Repository") << "ZZZZ" << 3u << true << "ID(ZZZZ) [000003]";
}

void SelectionTest::locationTexts() {
    QFETCH(QString, repository);
    QFETCH(uint, slot);
    QFETCH(bool, always);
    QFETCH(QString, text);

    Session s;
    QVERIFY(s.seeded);
    QVERIFY(s.sheet->EnsureLoggedOn());
    QCOMPARE(s.sheet->LocationText(QStringLiteral("ACME"), QStringLiteral("LTO5"), repository, slot,
                                   always),
             text);
    QCOMPARE(s.sheet->RepositoryCache().DisplayNameOf(
                 QStringLiteral("ACME"), QStringLiteral("LTO5"), QStringLiteral("INIT")),
             QStringLiteral("Initial Repository"));
}

void SelectionTest::repositoryChoice() {
    TestDatabase db;
    QVERIFY(SeedFull(db));
    ZELVREPOSITORY home;
    home.repositoryId = "HOME";
    home.name = "Home";
    home.flags = ZELVREP_HIDDEN;
    QVERIFY(db.Connection().Add(home).IsOK());
    CZELV10RepositoryCache cache(&db.Connection());
    CZELVPropertyGridProperty target(QStringLiteral("Target"), QString());
    auto options = [&] {
        QStringList texts;
        for (int i = 0; i < target.GetOptionCount(); ++i)
            texts.append(target.GetOption(i));
        return texts;
    };
    const QString acme = QStringLiteral("ACME");
    const QString lto5 = QStringLiteral("LTO5");

    FillRepositoryChoice(cache, &target, acme, lto5, QStringLiteral("VLT1"), nullptr, false);
    QCOMPARE(options(), (QStringList{"<No Selection>", "Data Centre", "ID(DC02)",
                                     "Initial Repository", "Vault"}));
    QCOMPARE(target.GetValue().toString(), QStringLiteral("Vault"));
    QCOMPARE(target.GetSelectedOptionData().toString(), QStringLiteral("VLT1"));

    const QSet<QString> hidden = {QStringLiteral("DC02"), QStringLiteral("INIT")};
    FillRepositoryChoice(cache, &target, acme, lto5, QStringLiteral("DC02"), &hidden, true);
    QCOMPARE(options(), (QStringList{"<No Selection>", "Data Centre", "Home", "Vault"}));
    // The current Repository was left out, so nothing is chosen.
    QCOMPARE(target.GetValue().toString(), QStringLiteral("<No Selection>"));

    // A Media Type the server does not know: only the empty choice.
    FillRepositoryChoice(cache, &target, acme, QStringLiteral("NONE"), QStringLiteral("VLT1"),
                         nullptr, false);
    QCOMPARE(options(), QStringList{"<No Selection>"});
    QVERIFY(!cache.LastResult().IsOK());
}

void SelectionTest::homeAndImages() {
    TestDatabase db;
    QVERIFY(SeedFull(db));
    ZELVREPOSITORYFULL setting;
    setting.customerId = "ACME";
    setting.mediaId = "LTO5";
    setting.repositoryId = "VLT1";
    setting.localFlags = ZELVREP_HOME;
    QVERIFY(db.Connection().Put(setting).IsOK());
    setting.mediaId = "LTO6";
    setting.repositoryId = "DC01";
    setting.localFlags = ZELVREP_HOME2; // one bit alone is no home
    QVERIFY(db.Connection().Put(setting).IsOK());

    CZELV10RepositoryCache cache(&db.Connection());
    const QString acme = QStringLiteral("ACME");
    const ZELVREPOSITORYFULL* home = cache.FindHome(acme, QStringLiteral("LTO5"));
    QVERIFY(home);
    QCOMPARE(home->repositoryId.Text(), QStringLiteral("VLT1"));
    QVERIFY(!cache.FindHome(acme, QStringLiteral("LTO6")));

    const QString lto5 = QStringLiteral("LTO5");
    QCOMPARE(cache.ImageIndex(acme, lto5, QStringLiteral("VLT1"), 0), int(ZELVREPTYPE_VAULT));
    QCOMPARE(cache.ImageIndex(acme, lto5, QStringLiteral("DC01"), 20),
             20 + int(ZELVREPTYPE_DATACENTRE));
    QCOMPARE(cache.ImageIndex(acme, lto5, QStringLiteral("ZZZZ"), 20), 29);
    // Finding compares the first four bytes of the identifier.
    QVERIFY(cache.Find(acme, lto5, QStringLiteral("DC01xyz")));
    QVERIFY(!cache.Find(acme, lto5, QStringLiteral("DC0")));
    QCOMPARE(RepositoryImageList().size(), CZELV10RepositoryCache::kUnknownImage + 1);
}

void SelectionTest::cachesReadOnceAndKeepTheirContentsOnFailure() {
    TestDatabase db;
    QVERIFY(SeedFull(db));
    CZELV10MFC second; // the same database through a second connection
    second.SetServerAddress(db.Address());
    QVERIFY(second.Logon(1).IsOK());
    const QString acme = QStringLiteral("ACME");

    // Customers: read once; later additions show only when forced.
    CustomerCache customers(&db.Connection());
    QVERIFY(customers.Load());
    QCOMPARE(customers.Count(), 5);
    ZELVCUSTEx added;
    added.customerId = "ZETA";
    added.name = "Zeta";
    QVERIFY(second.Add(added).IsOK());
    QVERIFY(customers.Load());
    QCOMPARE(customers.Count(), 5);
    QVERIFY(!customers.Find(QStringLiteral("ZETA")));
    QVERIFY(customers.Load(true));
    QCOMPARE(customers.Count(), 6);
    QCOMPARE(customers.DisplayNameOf(QStringLiteral("ZETA")), QStringLiteral("Zeta"));
    QCOMPARE(customers.DisplayNameOf(QStringLiteral("EMPT")), QStringLiteral("ID(EMPT)"));
    QCOMPARE(customers.DisplayNameOf(QStringLiteral("NONE")), QStringLiteral("ID(NONE)"));
    QCOMPARE(customers.DisplayNameOf(QString()), QString());
    QVERIFY(!customers.At(6));

    // Media Types: read again when the Customer changes.
    MediaCache media(&db.Connection());
    QVERIFY(media.Load(acme));
    QCOMPARE(media.Records().size(), size_t(4));
    ZELVMEDIAEx lto9;
    lto9.customerId = "ACME";
    lto9.mediaId = "LTO9";
    QVERIFY(second.Add(lto9).IsOK());
    QVERIFY(!media.Find(acme, QStringLiteral("LTO9")));
    QVERIFY(media.Find(QStringLiteral("BETA"), QStringLiteral("LTO8")));
    QVERIFY(media.Find(acme, QStringLiteral("LTO9")));
    QCOMPARE(media.DisplayNameOf(acme, QStringLiteral("LTO9")), QStringLiteral("ID(LTO9)"));
    QCOMPARE(media.DisplayNameOf(acme, QStringLiteral("LTO5")), QStringLiteral("LTO-5"));
    QCOMPARE(media.DisplayNameOf(acme, QStringLiteral("NONE")), QStringLiteral("ID(NONE)"));
    QCOMPARE(media.DisplayNameOf(acme, QString()), QString());

    // The server goes away: every cache keeps what it had, and none of them
    // passes one Customer's records off as another's.
    CZELV10RepositoryCache repositories(&db.Connection());
    QVERIFY(repositories.Load(acme, QStringLiteral("LTO5")));
    db.Connection().Logoff();
    QVERIFY(!customers.Load(true));
    QCOMPARE(customers.Count(), 6);
    QVERIFY(media.Load(QStringLiteral("BETA"))); // the pages go on either way
    QVERIFY(media.Holds(acme));
    QVERIFY(!media.Find(QStringLiteral("BETA"), QStringLiteral("LTO5")));
    QVERIFY(media.Find(acme, QStringLiteral("LTO5")));
    QVERIFY(!repositories.Load(acme, QStringLiteral("LTO6")));
    QVERIFY(!repositories.Find(acme, QStringLiteral("LTO6"), QStringLiteral("DC01")));
    QCOMPARE(repositories.DisplayNameOf(acme, QStringLiteral("LTO6"), QStringLiteral("DC01")),
             QStringLiteral("ID(DC01)"));
    QVERIFY(repositories.Find(acme, QStringLiteral("LTO5"), QStringLiteral("DC01")));

    // A Media list after a failed read for another Customer shows nothing.
    CZELV10MediaListCtrl mediaList;
    QVERIFY(db.Connection().Logon(1).IsOK());
    QCOMPARE(mediaList.FillMediaTypes(db.Connection(), acme, true), 4); // hidden one left out
    db.Connection().Logoff();
    QCOMPARE(mediaList.FillMediaTypes(db.Connection(), QStringLiteral("BETA"), true), 0);
    // The Customer list of a program that cannot reach the server is empty.
    CZELV10CustomerListCtrl customerList;
    QCOMPARE(customerList.FillCustomers(db.Connection(), false), 0);
}

void SelectionTest::listModelsPassTheModelTester() {
    auto s = std::make_unique<Session>();
    QVERIFY(s->seeded);
    QVERIFY(s->run.ChooseTask(QStringLiteral("Recall")));
    CZELV10CustomerListCtrl& customers = *s->CustomerPage()->List();
    QAbstractItemModelTester customerTester(customers.Model(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    customers.SelectRow(RowOf(customers, QStringLiteral("Acme Corp")));
    QVERIFY(s->sheet->GoNext());
    CZELV10MediaListCtrl& media = *s->MediaPage()->List();
    QAbstractItemModelTester mediaTester(media.Model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The last two Media columns are shown, not sorted.
    QHeaderView* header = media.Table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(3) + 5, 5));
    QCOMPARE(media.GetSortColumn(), int(CZELVListCtrl::kNoSortColumn));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(Column(media, 1), (QStringList{QStringLiteral("2"), QStringLiteral("3")}));

    media.SelectRow(0);
    QVERIFY(s->sheet->GoNext());
    QCOMPARE(s->sheet->Media(), QStringLiteral("LTO6"));
    CZELV10RepositoryListCtrl locations;
    QAbstractItemModelTester locationTester(locations.Model(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    locations.SetSource(s->sheet->LocationList(TaskRecall));
    QCOMPARE(locations.GetItemCount(), 4);
    // Refilled while shown; then the sheet goes first and the list lets go
    // of the sheet's rows.
    QCOMPARE(s->sheet->FillLocationList(), 4);
    locations.Refresh();
    QCOMPARE(locations.GetItemCount(), 4);
    s.reset();
    QCOMPARE(locations.GetItemCount(), 0);
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    SelectionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SelectionTest.moc"
