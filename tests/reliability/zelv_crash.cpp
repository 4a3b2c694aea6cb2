// The real ZELVDesk sheet and pages, offscreen, working through a whole pass
// as an operator would, for scripts/reliability.sh to kill at a random
// moment:
//   scan-in   every Volume expected at the Repository is scanned in;
//   scan-out  every Volume of the send list is scanned out;
//   apply     the first Volumes of a Customer's Media Type are scanned into
//             the Send task, each given a new threshold and description, and
//             the Apply page writes and verifies them.
// After each Volume it prints the Volume, its outcome, the size the
// transaction log had when the page was done with it (so that the script can
// tell whether anything written before the kill went missing) and the
// milliseconds since the start; at the end "DONE n", or "FAILED" with a
// reason when the pass did not go through.
//   zelv_crash MODE SERVER LOGFOLDER [REPOSITORY]
// The password comes from KELMAR_PASSWORD; ZELV_CRASH_PAUSE_MS puts a pause
// between scans, as an operator's hand does, and between applied items.
#include "DeskTestSupport.h"
#include "ReceiveLocationPage.h"
#include "ReceiveVolumesPage.h"
#include "SendLocationPage.h"
#include "SendVolumesPage.h"
#include "TransactionLog.h"
#include "UpdatePage.h"
#include "UpdatePageApply.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskIds.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int kApplyVolumes = 60;

QElapsedTimer g_started;

void Report(const QString& volume, uint32_t outcome, const QString& log) {
    std::printf("SCANNED %s %u %lld %lld\n", qPrintable(volume), outcome, QFileInfo(log).size(),
                g_started.elapsed());
    std::fflush(stdout);
}

int Failed(const char* why) {
    std::printf("FAILED %s\n", why);
    std::fflush(stdout);
    return 1;
}

void ChooseRepository(CZELV10RepositoryListCtrl* list, const QString& repository) {
    for (int row = 0; list && row < list->GetItemCount(); ++row)
        if (list->RepositoryAt(row)->repositoryId.Text() == repository)
            list->SelectRow(row);
}

template <typename Items> std::optional<CVolumeKey> FirstKey(const Items& items) {
    if (items.empty())
        return std::nullopt;
    return items.front().key;
}

// Scans the first entry of the page's list until it is empty; a scan the page
// did not take stays first, and the pass stops there.
int ScanAll(CZELVDeskSheet& sheet, const std::function<std::optional<CVolumeKey>()>& first,
            const std::function<uint32_t(const CZELV10RC&, const ZELV10BARCODEPARSED&)>& scan) {
    const QString log = sheet.Log().Path();
    const int pause = qEnvironmentVariableIntValue("ZELV_CRASH_PAUSE_MS");
    int scanned = 0;
    while (const std::optional<CVolumeKey> next = first()) {
        if (pause > 0)
            QTest::qWait(pause);
        const CVolumeKey key = *next;
        ZELV10BARCODEPARSED parsed;
        const CZELV10RC rc = sheet.Connection().ParseBarCode(&parsed, key.Text(), key.Customer(),
                                                             key.Media(), &sheet.Config());
        const uint32_t outcome = scan(rc, parsed);
        ++scanned;
        Report(key.Text(), outcome, log);
        if (first() == key)
            return Failed("a scan was not taken");
    }
    std::printf("DONE %d\n", scanned);
    return 0;
}

// From the task menu past the location page (LocationPage) with ACME and
// the Repository chosen; false when the task did not open.
template <typename LocationPage>
bool OpenTask(DeskRun& run, const QString& task, const QString& repository) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!run.ChooseTask(task) || !ChooseCustomer(run, "ACME"))
        return false;
    auto* location = qobject_cast<LocationPage*>(sheet.GetActivePage());
    ChooseRepository(location ? location->List() : nullptr, repository);
    sheet.GoNext();
    DeskRun::Flush();
    return true;
}

int ScanIn(DeskRun& run, const QString& repository) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!OpenTask<CReceiveLocationPage>(run, QStringLiteral("Scan-In"), repository))
        return Failed("the Scan-In task did not open");
    auto* page = qobject_cast<CReceiveVolumesPage*>(sheet.GetActivePage());
    if (!page) {
        // Nothing left to receive there: a finished pass.
        std::printf("DONE 0\n");
        return 0;
    }
    page->Timer(CReceiveVolumesPage::kScanTimer)->stop();
    return ScanAll(
        sheet, [page] { return FirstKey(page->Items()); },
        [page](const CZELV10RC& rc, const ZELV10BARCODEPARSED& p) { return page->OnScan(rc, p); });
}

int ScanOut(DeskRun& run, const QString& repository) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!OpenTask<CSendLocationPage>(run, QStringLiteral("Scan-Out"), repository))
        return Failed("the Scan-Out task did not open");
    if (run.ActivePageId() == IDD_SEND_LOCATION && sheet.SendList().empty()) {
        std::printf("DONE 0\n");
        return 0;
    }
    // Container Selection with what the allocation chose.
    if (run.ActivePageId() == IDD_SEND_CONTAINER) {
        sheet.GoNext();
        DeskRun::Flush();
    }
    auto* page = qobject_cast<CSendVolumesPage*>(sheet.GetActivePage());
    if (!page)
        return Failed("the Scan-Out Volumes page did not open");
    page->Timer(CSendVolumesPage::kScanTimer)->stop();
    return ScanAll(
        sheet, [&sheet] { return FirstKey(sheet.SendList()); },
        [page](const CZELV10RC& rc, const ZELV10BARCODEPARSED& p) { return page->OnScan(rc, p); });
}

int Apply(DeskRun& run) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!run.ChooseTask(QStringLiteral("Send")) || !sheet.OpenLogAndLogon(sheet.LogFolder()) ||
        !sheet.SetActivePageById(IDD_UPDATE))
        return Failed("the Send task did not open");
    auto* page = qobject_cast<CUpdatePage*>(sheet.GetActivePage());
    if (!page)
        return Failed("the Scan and Modify page did not open");
    page->Timer(CUpdatePage::kScanTimer)->stop();
    std::vector<ZELVVOLSFULL> volumes;
    if (!sheet.Connection().List(&volumes, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK())
        return Failed("the Volumes could not be listed");
    // Values of this run's own, so that every pass changes every Volume.
    const qint64 pid = QCoreApplication::applicationPid();
    const uint16_t threshold = uint16_t(100 + pid % 1000);
    const QString description = QStringLiteral("Checked by run %1").arg(pid);
    for (size_t i = 0; i < volumes.size() && page->List().Count() < kApplyVolumes; ++i) {
        const ZELVVOLSKey& k = volumes[i].key;
        ZELV10BARCODEPARSED parsed;
        const CZELV10RC rc = sheet.Connection().ParseBarCode(
            &parsed, CVolumeKey(k.customerId.Text(), k.mediaId.Text(), k.volumeId.Text()).Text(),
            k.customerId.Text(), k.mediaId.Text(), &sheet.Config());
        const int before = page->List().Count();
        if (page->OnScan(rc, parsed) != 0 || page->List().Count() != before + 1)
            return Failed("a scan was not taken");
        UpdateItem* item = page->List().At(before);
        item->threshold = threshold;
        item->description = description;
    }
    if (page->OnWizardNext() != IDD_UPDATE_APPLY || !sheet.SetActivePageById(IDD_UPDATE_APPLY))
        return Failed("the Apply page did not open");
    auto* apply = qobject_cast<CUpdatePageApply*>(sheet.GetActivePage());
    if (!apply)
        return Failed("the Apply page did not open");
    apply->Timer()->stop();
    const QString log = sheet.Log().Path();
    // The update bar moves once an item is written and logged. The pause
    // stands for a slower server here: the page itself does not wait.
    const int pause = qEnvironmentVariableIntValue("ZELV_CRASH_PAUSE_MS");
    QObject::connect(apply->UpdateProgress(), &QProgressBar::valueChanged, [&](int n) {
        if (n <= 0 || n > page->List().Count())
            return;
        Report(page->List().At(n - 1)->DisplayName(), page->List().At(n - 1)->updateResult.Code(),
               log);
        if (pause > 0)
            QThread::msleep(pause);
    });
    ResultCloser closer;
    apply->Run();
    if (apply->NotOKCount() != 0 || apply->OKCount() != page->List().Count())
        return Failed("not every update went through");
    std::printf("DONE %d\n", apply->OKCount());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    g_started.start();
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    const QString mode = a.value(1);
    if (a.size() < 4 || (mode != QLatin1String("scan-in") && mode != QLatin1String("scan-out") &&
                         mode != QLatin1String("apply"))) {
        std::fprintf(stderr,
                     "usage: zelv_crash scan-in|scan-out|apply SERVER LOGFOLDER [REPOSITORY]\n");
        return 2;
    }
    const QString repository = a.value(4, QStringLiteral("DC01"));
    DeskRun run;
    run.SetEnv(QStringLiteral("KELMAR_PASSWORD"), qEnvironmentVariable("KELMAR_PASSWORD"));
    run.WriteConfig(
        QStringLiteral("options = { logfile = \"%1\"; disablespeech = true; };\n").arg(a[3]));
    run.Start({a[2]});
    if (mode == QLatin1String("scan-in"))
        return ScanIn(run, repository);
    if (mode == QLatin1String("scan-out"))
        return ScanOut(run, repository);
    return Apply(run);
}
