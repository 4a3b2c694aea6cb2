// The real ZELVDesk sheet and Scan-In page, offscreen, working through every
// Volume expected at a Repository as a scanner would, for scripts/reliability.sh
// to kill at a random moment. After each scan it prints the scan, its
// outcome, the size the transaction log had when the page was done with it
// (so that the script can tell whether anything written before the kill went
// missing) and the milliseconds since the start.
//   zelv_crash scan-in SERVER LOGFOLDER [REPOSITORY]
// The password comes from KELMAR_PASSWORD; ZELV_CRASH_PAUSE_MS puts a pause
// between scans, as an operator's hand does.
#include "DeskTestSupport.h"
#include "ReceiveLocationPage.h"
#include "ReceiveVolumesPage.h"
#include "TransactionLog.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    QElapsedTimer started;
    started.start();
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 4 || a[1] != QLatin1String("scan-in")) {
        std::fprintf(stderr, "usage: zelv_crash scan-in SERVER LOGFOLDER [REPOSITORY]\n");
        return 2;
    }
    const QString repository = a.value(4, QStringLiteral("DC01"));
    DeskRun run;
    run.SetEnv(QStringLiteral("KELMAR_PASSWORD"), qEnvironmentVariable("KELMAR_PASSWORD"));
    run.WriteConfig(
        QStringLiteral("options = { logfile = \"%1\"; disablespeech = true; };\n").arg(a[3]));
    CZELVDeskSheet& sheet = run.Start({a[2]});
    if (!run.ChooseTask(QStringLiteral("Scan-In")) || !ChooseCustomer(run, "ACME")) {
        std::fprintf(stderr, "zelv_crash: the Scan-In task did not open\n");
        return 1;
    }
    auto* location = qobject_cast<CReceiveLocationPage*>(sheet.GetActivePage());
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId.Text() == repository)
            location->List()->SelectRow(row);
    sheet.GoNext();
    DeskRun::Flush();
    auto* page = qobject_cast<CReceiveVolumesPage*>(sheet.GetActivePage());
    if (!page) {
        // Nothing left to receive there: a finished pass.
        std::printf("DONE 0\n");
        return 0;
    }
    page->Timer(CReceiveVolumesPage::kScanTimer)->stop();
    const QString log = sheet.Log().Path();
    const int pause = qEnvironmentVariableIntValue("ZELV_CRASH_PAUSE_MS");
    int scanned = 0;
    while (!page->Items().empty()) {
        if (pause > 0)
            QTest::qWait(pause);
        const CVolumeKey key = page->Items().front().key;
        ZELV10BARCODEPARSED parsed;
        const CZELV10RC rc = sheet.Connection().ParseBarCode(&parsed, key.Text(), key.Customer(),
                                                              key.Media(), &sheet.Config());
        const uint32_t outcome = page->OnScan(rc, parsed);
        ++scanned;
        std::printf("SCANNED %s %u %lld %lld\n", qPrintable(key.Text()), outcome,
                    QFileInfo(log).size(), started.elapsed());
        std::fflush(stdout);
        // A scan the page did not take stays first in the list: stop there.
        if (!page->Items().empty() && page->Items().front().key == key)
            break;
    }
    std::printf("DONE %d\n", scanned);
    return 0;
}
