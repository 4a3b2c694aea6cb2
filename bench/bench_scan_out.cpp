// One Scan-Out scan handled from end to end on the one-million-Volume demo
// database (embedded server): the barcode parsed as the scanning window does,
// the scan matched against the Container nodes and the send list, the Volume
// read, flagged Scanned-Out and put into the current Container on the server,
// the log line written, the row moved into Scanned Items and the page
// repainted. The scanned Volume is always the last row of the send list, so
// every scan compares it with every other row first. Beside it, the bare
// server work of the same scan (read and update of one Volume) in the same run.
//   bench_scan_out [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is
// changed by the run.
#include "BenchDesk.h"
#include "SendVolumesPage.h"
#include "ZELV10MFC.h"
#include "ZELVConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZelvDemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const kConfig = "options = { };";

BenchDesk g_desk;
CSendVolumesPage* g_page = nullptr;

bool Setup() {
    if (!g_desk.Open(kConfig))
        return false;

    // GLBX at the data centre: about 25,000 Volumes leave it, with one
    // Container at hand that takes them all.
    g_desk.sheet->SetTask(TaskScanOut);
    g_desk.sheet->SetCustomer(QStringLiteral("GLBX"));
    g_desk.sheet->SetRepository(QStringLiteral("DC01"));
    g_desk.sheet->FillLocationList();
    g_desk.sheet->BuildSendList();
    g_desk.sheet->show();
    g_desk.sheet->SetActivePageById(IDD_SEND_VOLUMES);
    g_page = qobject_cast<CSendVolumesPage*>(g_desk.sheet->GetActivePage());
    if (!g_page)
        return false;
    // The scanning window is opened by hand here, not by the timer.
    g_page->Timer(CScanPage::kScanTimer)->stop();
    QApplication::processEvents();
    fprintf(stderr, "send list: %zu rows\n", g_desk.sheet->SendList().size());
    return g_desk.sheet->SendList().size() >= 10000;
}

// Scans the last row of the send list once per iteration. With repaint, the
// page's repaint before the next barcode is timed too; without, it runs
// outside the timing.
void ScanLastRow(benchmark::State& state, bool repaint) {
    CZELV10MFC& connection = g_desk.sheet->Connection();
    const ZELVSCANVOLUMEARGS args = g_page->ScanArgs();
    std::vector<VOLUMEPAGE_ITEM>& items = g_desk.sheet->SendList();
    const size_t rowsAtStart = items.size();
    for (auto _ : state) {
        if (items.empty()) {
            state.SkipWithError("the send list ran out");
            break;
        }
        // What the scanner sends: the full Volume text of the last row.
        const QString barcode = items.back().key.Text();
        ZELV10BARCODEPARSED item;
        const CZELV10RC parsed = connection.ParseBarCode(&item, barcode, args.customerId.Text(),
                                                         args.mediaId.Text(), args.config);
        const uint32_t outcome = g_page->OnScan(parsed, item);
        if (!repaint)
            state.PauseTiming();
        QApplication::processEvents();
        if (!repaint)
            state.ResumeTiming();
        if (outcome != ZELV10RC_OK) {
            state.SkipWithError(
                qPrintable(QStringLiteral("scan of %1: outcome %2").arg(barcode).arg(outcome)));
            break;
        }
    }
    state.counters["rows_at_start"] = double(rowsAtStart);
    state.counters["rows_at_end"] = double(items.size());
}

void ScanOutOneScan(benchmark::State& state) {
    ScanLastRow(state, true);
}

void ScanOutOneScanWithoutRepaint(benchmark::State& state) {
    ScanLastRow(state, false);
}

// The server's share of a scan: read one Volume of the send list and write
// it back unchanged but for its version, on the same database.
void ScanOutBareReadAndUpdate(benchmark::State& state) {
    CZELV10MFC& connection = g_desk.sheet->Connection();
    const std::vector<VOLUMEPAGE_ITEM>& items = g_desk.sheet->SendList();
    if (items.empty()) {
        state.SkipWithError("no send list");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        const CVolumeKey& key = items[next++ % items.size()].key;
        ZELVVOLSEx v;
        key.CopyTo(&v.key);
        CZELV10RC rc = connection.Get(&v);
        if (rc.IsOK())
            rc = connection.Update(v);
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
    }
}

// 500 scans each: the send list stays above 20,000 rows throughout.
BENCHMARK(ScanOutBareReadAndUpdate)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(ScanOutOneScan)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(ScanOutOneScanWithoutRepaint)->Unit(benchmark::kMillisecond)->Iterations(500);

} // namespace

int main(int argc, char** argv) {
    return g_desk.Run(argc, argv, Setup);
}
