// Library Reconciliation on the demo data set, on both engines: the operator
// audits a Repository by scanning, stops half way and resumes, flags what was
// not seen while another operator changes a Volume, certifies, and reads the
// certificate back; a changed certificate no longer verifies.
#include "CertificateDlgs.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "MediaPage.h"
#include "ReconciliationLocationPage.h"
#include "ReconciliationScanPage.h"
#include "ZELV10MediaListCtrl.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELV10UpdateStatsGridCtrl.h"
#include "ZELVDeskSheet.h"
#include "ZELVExport.h"
#include "ZELVListCtrl.h"
#include "ZELVPropertyGridCtrl.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

namespace {

using ScanPage = CReconciliationScanPage;

// AUD1 holds AU001..AU006, AU007 moves in; AX001 stands at DC01.
CZELV10RC AddAuditVolumes(CZELV10MFC& mfc) {
    ZELVREPOSITORY rep;
    rep.repositoryId = "AUD1";
    rep.name = "Audit Vault";
    rep.type = ZELVREPTYPE_VAULT;
    CZELV10RC rc = mfc.Add(rep);
    const struct {
        const char *volume, *at, *target;
    } volumes[] = {
        {"AU001", "AUD1", "AUD1"}, {"AU002", "AUD1", "AUD1"}, {"AU003", "AUD1", "AUD1"},
        {"AU004", "AUD1", "AUD1"}, {"AU005", "AUD1", "AUD1"}, {"AU006", "AUD1", "AUD1"},
        {"AU007", "DC01", "AUD1"}, {"AX001", "DC01", "DC01"},
    };
    for (const auto& v : volumes) {
        if (!rc.IsOK())
            break;
        ZELVVOLSEx rec;
        rec.key.customerId = "ACME";
        rec.key.mediaId = "LTO6";
        rec.key.volumeId = v.volume;
        rec.vol.Current().repositoryId = v.at;
        rec.vol.Target().repositoryId = v.target;
        rc = mfc.Add(rec);
    }
    return rc;
}

ZELV10BARCODEPARSED Scanned(const char* customer, const char* volume) {
    ZELV10BARCODEPARSED p;
    p.customerId = customer;
    p.mediaId = "LTO6";
    p.volumeId = volume;
    return p;
}

QString StatusOf(const ScanPage& page, const char* volume) {
    const int i = page.Audit().IndexOf(QLatin1String(volume));
    return i < 0 ? QStringLiteral("(not listed)") : page.Audit().Items()[size_t(i)].StatusText();
}

// "flags current" of a stored Volume: its audit bits and where it stands.
QString Stored(CZELV10MFC& mfc, const char* volume) {
    ZELVVOLS v;
    const CZELV10RC rc =
        mfc.Get(&v, QStringLiteral("ACME"), QStringLiteral("LTO6"), QLatin1String(volume));
    if (!rc.IsOK())
        return rc.Get();
    return QStringLiteral("%1 %2 %3")
        .arg(v.flags & ZELVVOL_AUDITBITS, 0, 16)
        .arg(v.Current().repositoryId.Text(), v.Target().repositoryId.Text());
}

} // namespace

class ReconcileWorkflowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { AddEngineRows(); }
    void auditResumeFlagCertifyAndVerify();
    void badManifestChangesNothing();

private:
    // From the task menu to the Reconciliation Location page of ACME.LTO6.
    CReconciliationLocationPage* OpenLocation(DeskRun& run, bool fromMenu = true);
    // AUD1 chosen, then the scan page, its timer stopped.
    ScanPage* OpenScan(DeskRun& run, CReconciliationLocationPage* location);
};

CReconciliationLocationPage* ReconcileWorkflowTest::OpenLocation(DeskRun& run, bool fromMenu) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (fromMenu && !run.ChooseTask(QStringLiteral("Library Reconciliation")))
        return nullptr;
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_MEDIA)
        return nullptr;
    auto* media = qobject_cast<CMediaPage*>(sheet.GetActivePage());
    for (int row = 0; media && row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_RECONCILIATION_LOCATION)
        return nullptr;
    return qobject_cast<CReconciliationLocationPage*>(sheet.GetActivePage());
}

ScanPage* ReconcileWorkflowTest::OpenScan(DeskRun& run, CReconciliationLocationPage* location) {
    for (int row = 0; row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "AUD1")
            location->List()->SelectRow(row);
    if (!run.Sheet().GoNext() || run.ActivePageId() != IDD_RECONCILIATION_SCAN)
        return nullptr;
    auto* page = qobject_cast<ScanPage*>(run.Sheet().GetActivePage());
    if (page)
        page->Timer(ScanPage::kScanTimer)->stop();
    return page;
}

void ReconcileWorkflowTest::auditResumeFlagCertifyAndVerify() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddAuditVolumes))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    ResultCloser closer(this);
    CReconciliationLocationPage* location = OpenLocation(run);
    QVERIFY(location);
    ScanPage* page = OpenScan(run, location);
    QVERIFY(page);
    QCOMPARE(page->Statistic(QStringLiteral("Total")), 7);
    QCOMPARE(page->Statistic(QStringLiteral("Moving-In")), 1);
    QCOMPARE(StatusOf(*page, "AU007"), QStringLiteral("[Unscanned][Moving-In]"));

    // The Repository's Volumes, one twice, one from elsewhere, one unknown,
    // one of another Customer: each answered and written as it is classified.
    const struct {
        const char *customer, *volume;
        uint32_t answer;
    } scans[] = {
        {"ACME", "AU001", 0},
        {"ACME", "AU002", 0},
        {"ACME", "AU001", 0},
        {"ACME", "AU003", 0},
        {"ACME", "AX001", 0},
        {"ACME", "ZZ999", 0},
        {"GLBX", "AU004", ZELV10RC_WRONGCUSTOMER},
    };
    for (const auto& s : scans)
        QCOMPARE(page->OnScan(CZELV10RC(), Scanned(s.customer, s.volume)), s.answer);
    QCOMPARE(StatusOf(*page, "AU001"), QStringLiteral("[Duplicate][Scanned]"));
    QCOMPARE(StatusOf(*page, "AX001"), QStringLiteral("[Errant][Scanned]"));
    QCOMPARE(StatusOf(*page, "ZZ999"), QStringLiteral("[New][Scanned]"));
    const struct {
        const char* name;
        int value;
    } stats[] = {{"Total", 9},      {"Scanned", 5},   {"Unscanned", 4},   {"Undefined", 2},
                 {"Duplicates", 1}, {"Bad scope", 1}, {"Not in list", 2}, {"Moving-In", 1}};
    for (const auto& s : stats)
        QCOMPARE(page->Statistic(QLatin1String(s.name)), qint64(s.value));
    CZELV10MFC& mfc = sheet.Connection();
    QCOMPARE(Stored(mfc, "AU001"), QStringLiteral("200100 AUD1 AUD1"));
    QCOMPARE(Stored(mfc, "AU002"), QStringLiteral("200000 AUD1 AUD1"));
    QCOMPARE(Stored(mfc, "AU004"), QStringLiteral("0 AUD1 AUD1"));
    QCOMPARE(Stored(mfc, "AX001"), QStringLiteral("1 AUD1 AUD1"));
    QCOMPARE(Stored(mfc, "ZZ999"), QStringLiteral("1 AUD1 AUD1"));

    // Stopping half way asks first; No stays.
    run.Prompter().Answer({PromptNo, PromptYes});
    QVERIFY(!sheet.GoBack());
    QCOMPARE(run.ActivePageId(), int(IDD_RECONCILIATION_SCAN));
    QVERIFY(sheet.GoBack());
    QCOMPARE(run.Prompter().LastText(),
             QStringLiteral("You have 4 items that remain unscanned during this audit.\n\nAre you "
                            "sure you want to quit?"));
    QCOMPARE(run.ActivePageId(), int(IDD_RECONCILIATION_LOCATION));

    // Starting again finds the passes and resumes.
    run.Prompter().Answer(PromptYes);
    page = OpenScan(run, location);
    QVERIFY(page);
    QCOMPARE(run.Prompter().Asked().last().request.caption,
             QStringLiteral("Resume Reconciliation"));
    QCOMPARE(StatusOf(*page, "AU001"), QStringLiteral("[Scanned][Passed-Previous]"));
    QCOMPARE(StatusOf(*page, "AU004"), QStringLiteral("[Unscanned]"));
    QCOMPARE(page->Statistic(QStringLiteral("Scanned")), 3);
    QCOMPARE(Stored(mfc, "AU001"), QStringLiteral("200100 AUD1 AUD1"));
    // The surplus of the first run had failed: cleared, to be scanned again.
    QCOMPARE(Stored(mfc, "AX001"), QStringLiteral("0 AUD1 AUD1"));
    QCOMPARE(page->OnScan(CZELV10RC(), Scanned("ACME", "AU004")), 0u);

    // Another operator changes AU005 while the audit runs.
    {
        CZELV10MFC other;
        other.SetServerAddress(db.Address());
        QVERIFY(other.Logon(1).IsOK());
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = "LTO6";
        v.key.volumeId = "AU005";
        QVERIFY(other.Get(&v).IsOK());
        v.vol.Target().repositoryId = "DC01";
        QVERIFY(other.Update(v).IsOK());
    }

    // Next flags the unseen: AU005 is reported, not overwritten.
    run.Prompter().Answer(PromptYes);
    QString created;
    ZELV10CERTIFICATIONKey key;
    page->SetDialogRunner([&](QDialog& dialog) {
        auto& dlg = static_cast<CCertificateCreateDlg&>(dialog);
        if (dlg.OkButton()->isEnabled())
            return 0; // never before a certificate was asked for
        dlg.SetDescription(QStringLiteral("Quarter end"));
        dlg.CreateButton()->click();
        created = dlg.Result().Get();
        key = dlg.Key();
        if (!dlg.OkButton()->isEnabled() || dlg.CancelButton()->isEnabled() ||
            dlg.CreateButton()->isEnabled())
            created = QStringLiteral("buttons wrong");
        dlg.OkButton()->click();
        return dlg.result();
    });
    const int flagged = closer.shown;
    QVERIFY(sheet.GoNext());
    QCOMPARE(run.ActivePageId(), int(IDD_FINAL));
    QCOMPARE(run.Prompter().Asked().last().request.caption, QStringLiteral("Flag Volumes"));
    QCOMPARE(run.Prompter().LastText(),
             QStringLiteral("You have 5 items that remain unscanned during this audit.\n\nDo you "
                            "want to flag these Volumes as having failed the audit?"));
    QCOMPARE(closer.shown, flagged + 1);
    QVERIFY2(closer.text.contains(QLatin1String("AU005")), qPrintable(closer.text));
    QCOMPARE(Stored(mfc, "AU005"), QStringLiteral("0 AUD1 DC01"));
    for (const char* v : {"AU006", "AU007", "AX001", "ZZ999"})
        QCOMPARE(Stored(mfc, v).left(2), QStringLiteral("1 "));
    QVERIFY2(created.contains(QLatin1String("Refused certificate")), qPrintable(created));
    // Expected: AU001..AU007, AX001, ZZ999 (both now stand there).
    QCOMPARE(key.items, 9u);
    QCOMPARE(key.surplus, 0u);
    QCOMPARE(key.deficit, 5u); // AU005 unflagged, AU006, AU007, AX001, ZZ999
    const QStringList log = run.LogTexts();
    QVERIFY(log.contains(QStringLiteral("Reconciliation: Flagging complete: OK(4) NotOK(1)")));
    QVERIFY(std::any_of(log.begin(), log.end(), [](const QString& l) {
        return l.startsWith(QLatin1String("Reconciliation: Errant: ACME.LTO6.AX001 - "));
    }));

    // Back at the location page the certificate is listed and opens.
    QVERIFY(sheet.GoBack());
    location = OpenLocation(run);
    QVERIFY(location);
    for (int row = 0; row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "AUD1")
            location->List()->SelectRow(row);
    CZELVListCtrl& certificates = *location->Certificates();
    QVERIFY(!certificates.isHidden());
    QCOMPARE(certificates.GetItemCount(), 1);
    QCOMPARE(certificates.GetItemText(0, 1), QStringLiteral("Refused"));
    QCOMPARE(certificates.GetItemText(0, 2), QStringLiteral("9"));
    QCOMPARE(certificates.GetItemText(0, 5), QStringLiteral("Quarter end"));
    QStringList shown;
    location->SetDialogRunner([&](QDialog& dialog) {
        auto& dlg = static_cast<CCertificatePropertiesDlg&>(dialog);
        for (const char* name : {"Repository", "Signature", "Certification Status", "Total Items",
                                 "Deficit Items", "Surplus Items"})
            shown << dlg.Grid()->FindProperty(QLatin1String(name))->GetValue().toString();
        shown << QString::number(dlg.Items()->GetItemCount());
        dlg.Items()->SetFilterText(CCertificatePropertiesListCtrl::ColStatus,
                                   QStringLiteral("Deficit"));
        shown << QString::number(dlg.Items()->GetItemCount());
        shown << QString::number(dlg.UpdateStats()->GetPropertyCount() > 0);
        return 0;
    });
    location->OpenCertificate(0);
    QCOMPARE(shown, (QStringList{QStringLiteral("Audit Vault"), ZelvCertificateText::Signature(key),
                                 QStringLiteral("Refused"), QStringLiteral("9"),
                                 QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("9"),
                                 QStringLiteral("5"), QStringLiteral("1")}));
    // Nothing selected: the list goes.
    location->List()->SelectNone();
    QVERIFY(certificates.isHidden());

    bool intact = false;
    QVERIFY(mfc.VerifyCertificate(key, &intact).IsOK());
    QVERIFY(intact);
    QVERIFY(db.Exec(QStringLiteral("UPDATE certificate_item SET status = 0")));
    QVERIFY(mfc.VerifyCertificate(key, &intact).IsOK());
    QVERIFY(!intact);
    const QList<PromptRequest> unexpected = run.Prompter().Unexpected();
    QVERIFY2(unexpected.isEmpty(), unexpected.isEmpty() ? "" : qPrintable(unexpected.first().text));
}

void ReconcileWorkflowTest::badManifestChangesNothing() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddAuditVolumes))
        QSKIP("no database for this engine");
    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    run.Start({db.AddressText()});
    CReconciliationLocationPage* location = OpenLocation(run);
    QVERIFY(location);
    ScanPage* page = OpenScan(run, location);
    QVERIFY(page);
    page->OnScan(CZELV10RC(), Scanned("ACME", "AU001"));
    page->OnScan(CZELV10RC(), Scanned("ACME", "AU002"));
    const QString folder = run.NewFolder(QStringLiteral("manifests"));
    const auto write = [&](const char* name, const QByteArray& text) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    };
    // A good manifest: the difference of each row shows, and filters.
    QVERIFY(page->LoadManifest(write("good.csv", "Volume,Slot\nACME.LTO6.AU001,1\n"
                                                 "ACME.LTO6.AU003,2\nACME.LTO6.QQ001,3\n")));
    CZELVListCtrl& list = *page->List();
    list.SetFilterText(CReconciliationListCtrl::ColDifference, QStringLiteral("Not*"));
    QCOMPARE(Column(list, 0), (QStringList{QStringLiteral("AU002"), QStringLiteral("AU003")}));
    list.SetFilterText(CReconciliationListCtrl::ColDifference, QString());
    page->BuildThreeWay();
    CZELVListCtrl& threeWay = *page->ThreeWayList();
    threeWay.SetFilterText(4, QStringLiteral("Manifest only"));
    QCOMPARE(Column(threeWay, 0), QStringList{QStringLiteral("ACME.LTO6.QQ001")});
    threeWay.SetFilterText(4, QString());
    const QStringList before = Column(list, CReconciliationListCtrl::ColDifference);
    // A bad one is refused with its reason, and the comparison stays.
    QVERIFY(!page->LoadManifest(write("twice.csv", "Volume\nACME.LTO6.AU001\nACME.LTO6.AU001\n")));
    QVERIFY2(run.Prompter().LastText().contains(QLatin1String("listed twice")),
             qPrintable(run.Prompter().LastText()));
    QCOMPARE(run.Prompter().Asked().last().request.caption, QStringLiteral("Manifest Error"));
    QCOMPARE(Column(list, CReconciliationListCtrl::ColDifference), before);
    QVERIFY(!page->LoadManifest(folder + QStringLiteral("/missing.csv")));
    QCOMPARE(Column(list, CReconciliationListCtrl::ColDifference), before);
    // The report carries the difference.
    const QString report = folder + QStringLiteral("/report.txt");
    QVERIFY(page->ExportReport(report, ZELVExport::OpenNever));
    QFile f(report);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY2(text.contains(QLatin1String("Kelmar Lite Reconciliation Report")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("Not in manifest")), qPrintable(text));
}

int main(int argc, char** argv) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    ReconcileWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ReconcileWorkflowTest.moc"
