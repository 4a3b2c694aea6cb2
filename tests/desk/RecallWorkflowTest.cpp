// Recall from the task menu to the server on the demo data set: the delivery
// Repository, Volumes chosen with filters and double-clicks, the Consignment
// details, then the Consignment, the redirects and the log; both engines.

#include "CustomerPage.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "MediaPage.h"
#include "RetrieveLocationPage.h"
#include "TimePage.h"
#include "VolumePage.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10MediaListCtrl.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>
#include <algorithm>

namespace {

// ACME LTO6 Volumes of these tests beside the demo data: where each stands.
struct RecallVolume {
    const char* id;
    const char* at;
    const char* description;
    int year, month, day; // next move; 0 for none
};
const RecallVolume kRecallVolumes[] = {
    {"R00001", "VLT1", "", 0, 0, 0},
    {"R00002", "VLT2", "", 2027, 3, 5},
    {"R00003", "DC01", "", 0, 0, 0},
    {"R00004", "VLT1", "Payroll 2026", 2026, 12, 20},
};

CZELV10RC AddRecallVolumes(CZELV10MFC& mfc) {
    CZELV10RC rc;
    for (const RecallVolume& r : kRecallVolumes) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = "LTO6";
        v.key.volumeId = r.id;
        for (ZELVVOLLOC& location : v.vol.location)
            location.repositoryId = r.at;
        if (r.year) {
            v.vol.moveDate.SetDate(r.year, r.month, r.day);
            v.vol.flags |= ZELVVOL_MOVEDATE;
        }
        if (rc.IsOK())
            rc = mfc.Add(v);
        if (rc.IsOK() && r.description[0]) {
            ZELVATTRIBUTEEx description;
            description.key = v.key;
            description.value = r.description;
            rc = mfc.Put(description);
        }
    }
    return rc;
}

QString Config(const QString& logs) {
    return QStringLiteral("options = { logfile = \"%1\"; };\n").arg(logs);
}

int RowOf(const CZELVListCtrl& list, const QString& volume) {
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, CVolumePage::ColVolume) == volume)
            return row;
    return -1;
}

// "target consignment" of a stored Volume.
QString Stored(CZELV10MFC& mfc, const char* volume) {
    ZELVVOLS v;
    const CZELV10RC rc =
        mfc.Get(&v, QStringLiteral("ACME"), QStringLiteral("LTO6"), QLatin1String(volume));
    if (!rc.IsOK())
        return rc.Get();
    return QStringLiteral("%1 %2").arg(v.Target().repositoryId.Text()).arg(v.consignment);
}

// The Customer's newest Consignment (the demo data has some of its own).
ZELVCONSIGNEx Newest(CZELV10MFC& mfc) {
    std::vector<ZELVCONSIGNEx> list;
    mfc.List(&list, QStringLiteral("ACME"));
    ZELVCONSIGNEx newest;
    for (const ZELVCONSIGNEx& c : list)
        if (c.number > newest.number)
            newest = c;
    return newest;
}

} // namespace

class RecallWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void recallFromTheTaskMenuToTheServer();
    void nextOutcomes_data();
    void nextOutcomes();

private:
    bool MakeDatabase(DemoDatabase& db);
    // From the task menu to Volume Selection with DC01 as delivery Repository.
    CVolumePage* OpenVolumePage(DeskRun& run);
};

void RecallWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

bool RecallWorkflowTest::MakeDatabase(DemoDatabase& db) {
    return MakeForEngine(db, AddRecallVolumes);
}

CVolumePage* RecallWorkflowTest::OpenVolumePage(DeskRun& run) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!run.ChooseTask(QStringLiteral("Recall")) || run.ActivePageId() != IDD_CUSTOMER)
        return nullptr;
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_MEDIA)
        return nullptr;
    auto* media = qobject_cast<CMediaPage*>(sheet.GetActivePage());
    for (int row = 0; media && row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_RETRIEVE_LOCATION)
        return nullptr;
    auto* location = qobject_cast<CRetrieveLocationPage*>(sheet.GetActivePage());
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_VOLUME)
        return nullptr;
    return qobject_cast<CVolumePage*>(sheet.GetActivePage());
}

void RecallWorkflowTest::recallFromTheTaskMenuToTheServer() {
    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CVolumePage* page = OpenVolumePage(run);
    QVERIFY(page);
    CZELVListCtrl& list = *page->List();

    // Only Volumes standing elsewhere are offered; the filters narrow them,
    // the location filter by the Repository's identifier.
    list.SetFilterText(CVolumePage::ColVolume, QStringLiteral("R0*"));
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("R00001"), QStringLiteral("R00002"),
                                           QStringLiteral("R00004")}));
    QCOMPARE(list.GetItemText(RowOf(list, QStringLiteral("R00004")), 3),
             QStringLiteral("Payroll 2026"));
    QCOMPARE(list.GetItemText(0, CVolumePage::ColMoveDate), QStringLiteral("Permanent"));
    list.SetFilterText(CVolumePage::ColLocation, QStringLiteral("VLT1"));
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("R00001"), QStringLiteral("R00004")}));
    list.SetFilterText(CVolumePage::ColLocation, QString());
    list.SetFilterText(CVolumePage::ColDescription, QStringLiteral("Payroll*"));
    QCOMPARE(Column(list, 0), QStringList{QStringLiteral("R00004")});
    list.SetFilterText(CVolumePage::ColDescription, QString());

    // Move dates sort by the day, the Volumes without one last: not by the
    // stored bytes, which put the 5th of every month before the 20th.
    list.SetSortColumn(CVolumePage::ColMoveDate);
    list.SortItems();
    const QStringList byDate{QStringLiteral("R00004"), QStringLiteral("R00002"),
                             QStringLiteral("R00001")};
    QStringList shown = Column(list, CVolumePage::ColVolume);
    if (list.IsReverse())
        std::reverse(shown.begin(), shown.end());
    QCOMPARE(shown, byDate);
    list.SetSortColumn(CVolumePage::ColVolume);
    list.SortItems();
    if (list.IsReverse()) {
        list.ToggleSortDirection();
        list.SortItems();
    }

    // A double-click toggles every selected row: R00004 in, then R00001 and
    // R00002 in while R00004 goes out again.
    list.SetItemSelected(RowOf(list, QStringLiteral("R00004")), true);
    page->ToggleRows();
    QCOMPARE(list.Rows()->Image(RowOf(list, QStringLiteral("R00004")), 0),
             int(CVolumePage::ImageSelected));
    list.SelectNone();
    for (const char* id : {"R00001", "R00002", "R00004"})
        list.SetItemSelected(RowOf(list, QLatin1String(id)), true);
    page->ToggleRows();
    QCOMPARE(sheet.RecallSelection().size(), size_t(2));
    QCOMPARE(list.Rows()->Image(RowOf(list, QStringLiteral("R00004")), 0), -1);
    QCOMPARE(list.Rows()->Image(RowOf(list, QStringLiteral("R00001")), 0),
             int(CVolumePage::ImageSelected));
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_TIME));

    auto* time = qobject_cast<CTimePage*>(sheet.GetActivePage());
    QVERIFY(time);
    time->Mode()->setCurrentIndex(1);
    time->Date()->setDate(QDate(2027, 1, 15));
    time->Time()->setTime(QTime(14, 30));
    time->Description()->setText(QStringLiteral("Restore test"));
    time->Notes()->setText(QStringLiteral("Deliver to dock 2, ask for Kim"));
    // The values stay for the next visit.
    QVERIFY(sheet.GoBack());
    QVERIFY(sheet.GoNext());
    QCOMPARE(time->Description()->text(), QStringLiteral("Restore test"));

    ResultCloser closer(this);
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
    QVERIFY(closer.text.contains(QStringLiteral("ACME.LTO6.R00001\tOK")));

    CZELV10MFC mfc;
    mfc.SetServerAddress(db.Address());
    QVERIFY(mfc.Logon(1).IsOK());
    const ZELVCONSIGNEx c = Newest(mfc);
    QCOMPARE(c.description.Text(), QStringLiteral("Restore test"));
    QCOMPARE(c.comments[0].Text(), QStringLiteral("Deliver to dock 2, ask for Kim"));
    QCOMPARE(c.status, uint32_t(ZELVCONSIGN_CAST));
    QCOMPARE(c.required, QDateTime(QDate(2027, 1, 15), QTime(14, 30)).toSecsSinceEpoch());
    const QString underIt = QStringLiteral("DC01 %1").arg(c.number);
    QCOMPARE(Stored(mfc, "R00001"), underIt);
    QCOMPARE(Stored(mfc, "R00002"), underIt);
    QCOMPARE(Stored(mfc, "R00004"), QStringLiteral("VLT1 0"));

    const QStringList log = run.LogTexts();
    const int start = log.indexOf(QStringLiteral("Recall: Creating new Consignment"));
    QVERIFY(start >= 0);
    const QString n = QString::number(c.number);
    QCOMPARE(
        log.mid(start, 10),
        (QStringList{QStringLiteral("Recall: Creating new Consignment"),
                     QStringLiteral("Recall: - Due: 2027-01-15 14:30:00"),
                     QStringLiteral("Recall: - Description: Restore test"),
                     QStringLiteral("Recall: - Notes: Deliver to dock 2, ask for Kim"),
                     QStringLiteral("Consignment %1 created").arg(n),
                     QStringLiteral("Starting update for Customer(ACME)"),
                     QStringLiteral("ACME.LTO6.R00001: OK"), QStringLiteral("ACME.LTO6.R00002: OK"),
                     QStringLiteral("Update complete: OK(2) NotOK(0)"),
                     QStringLiteral("Consignment %1 cast: OK").arg(n)}));
}

// What Next on each page does with the selection as it stands, and what the
// server holds afterwards.
void RecallWorkflowTest::nextOutcomes_data() {
    QTest::addColumn<QStringList>("rowsSelected");     // selected rows at Volume Next
    QTest::addColumn<QStringList>("alreadyChosen");    // in the Recall selection before
    QTest::addColumn<QStringList>("changedMeanwhile"); // changed through another connection
    QTest::addColumn<int>("page");                     // where Next leads
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QStringList>("stored"); // R00001, R00002 afterwards ("C" the Consignment)
    QTest::addColumn<int>("status");         // the Consignment's, -1 for none

    const QStringList none;
    QTest::newRow("nothing chosen")
        << none << none << none << int(IDD_VOLUME)
        << QStringList{QStringLiteral("Error|You have not selected any Volumes")}
        << QStringList{QStringLiteral("VLT1 0"), QStringLiteral("VLT2 0")} << -1;
    QTest::newRow("two rows selected are taken")
        << QStringList{QStringLiteral("R00001"), QStringLiteral("R00002")} << none << none
        << int(IDD_FINAL) << none << QStringList{QStringLiteral("DC01 C"), QStringLiteral("DC01 C")}
        << int(ZELVCONSIGN_CAST);
    QTest::newRow("a chosen Volume wins over the row selection")
        << QStringList{QStringLiteral("R00002")} << QStringList{QStringLiteral("R00001")} << none
        << int(IDD_FINAL) << none << QStringList{QStringLiteral("DC01 C"), QStringLiteral("VLT2 0")}
        << int(ZELVCONSIGN_CAST);
    QTest::newRow("a Volume changed by another operator is left alone")
        << QStringList{QStringLiteral("R00001"), QStringLiteral("R00002")} << none
        << QStringList{QStringLiteral("R00002")} << int(IDD_FINAL) << none
        << QStringList{QStringLiteral("DC01 C"), QStringLiteral("VLT2 0")} << int(ZELVCONSIGN_CAST);
    QTest::newRow("nothing moved: the Consignment is cancelled, not cast")
        << QStringList{QStringLiteral("R00002")} << none << QStringList{QStringLiteral("R00002")}
        << int(IDD_FINAL) << none << QStringList{QStringLiteral("VLT1 0"), QStringLiteral("VLT2 0")}
        << int(ZELVCONSIGN_CANCELLED);
}

void RecallWorkflowTest::nextOutcomes() {
    QFETCH(QStringList, rowsSelected);
    QFETCH(QStringList, alreadyChosen);
    QFETCH(QStringList, changedMeanwhile);
    QFETCH(int, page);
    QFETCH(QStringList, prompts);
    QFETCH(QStringList, stored);
    QFETCH(int, status);

    DemoDatabase db;
    if (!MakeDatabase(db))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(Config(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    CVolumePage* volumes = OpenVolumePage(run);
    QVERIFY(volumes);
    CZELVListCtrl& list = *volumes->List();
    list.SetFilterText(CVolumePage::ColVolume, QStringLiteral("R0*"));
    for (const QString& id : alreadyChosen) {
        list.SelectNone();
        list.SetItemSelected(RowOf(list, id), true);
        volumes->SelectRows();
    }
    list.SelectNone();
    for (const QString& id : rowsSelected)
        list.SetItemSelected(RowOf(list, id), true);

    CZELV10MFC other;
    other.SetServerAddress(db.Address());
    QVERIFY(other.Logon(1).IsOK());
    for (const QString& id : changedMeanwhile) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = "LTO6";
        v.key.volumeId.Set(id);
        QVERIFY(other.Get(&v).IsOK());
        v.vol.threshold = 90;
        const CZELV10RC rc = other.Update(v);
        QVERIFY2(rc.IsOK(), qPrintable(rc.Get()));
    }

    // Before anything happens, the Customer's Consignments as they stand.
    const uint32_t before = Newest(other).number;
    sheet.GoNext();
    if (run.ActivePageId() == IDD_TIME) {
        ResultCloser closer(this);
        QVERIFY(sheet.GoNext());
        for (const QString& id : changedMeanwhile)
            QVERIFY2(closer.text.contains(QStringLiteral("ACME.LTO6.%1\tChanged by another user "
                                                         "since it was read; read it again and "
                                                         "repeat the change: not moved")
                                              .arg(id)),
                     qPrintable(closer.text));
    }
    QCOMPARE(run.ActivePageId(), page);
    QCOMPARE(run.Prompter().Asked().size(), qsizetype(prompts.size()));
    for (int i = 0; i < prompts.size(); ++i) {
        const auto& r = run.Prompter().Asked()[i].request;
        QCOMPARE(r.caption + QLatin1Char('|') + r.text, prompts[i]);
    }

    const ZELVCONSIGNEx made = Newest(other);
    QCOMPARE(made.number == before ? -1 : int(made.status), status);
    const QString number = made.number == before ? QString() : QString::number(made.number);
    QStringList after{Stored(other, "R00001"), Stored(other, "R00002")};
    for (QString& s : after)
        if (!number.isEmpty() && s.endsWith(QLatin1Char(' ') + number))
            s = s.left(s.size() - number.size()) + QLatin1Char('C');
    QCOMPARE(after, stored);
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    RecallWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecallWorkflowTest.moc"
