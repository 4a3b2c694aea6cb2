// Reconciliation on the one-million-Volume demo database (embedded server):
// one scan classified and its audit result written, with the page repainted,
// beside the bare read and write of the same result; and the three-way
// comparison of a 100,000-line vault manifest, beside hashing its lines.
//   bench_reconcile [--volumes N] [--database FILE] [benchmark options]
#include "BenchDesk.h"
#include "Reconciliation.h"
#include "ReconciliationScanPage.h"

#include <QApplication>
#include <QBuffer>
#include <QHash>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

BenchDesk g_desk;
CReconciliationScanPage* g_page = nullptr;
size_t g_next = 0; // the next listed Volume to scan

bool Setup() {
    if (!g_desk.Open(""))
        return false;
    CZELVDeskSheet& sheet = *g_desk.sheet;
    sheet.SetTask(TaskReconciliation);
    sheet.SetCustomer(QStringLiteral("ACME"));
    sheet.SetMedia(QStringLiteral("LTO6"));
    sheet.LoadMediaVolumes();
    // The Repository holding most of ACME's LTO6 Volumes.
    std::map<QString, int> counts;
    for (const ZELVVOLSFULL& v : sheet.MediaVolumes())
        ++counts[v.vol.Current().repositoryId.Text()];
    auto most = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it->second > most->second)
            most = it;
    if (most == counts.end())
        return false;
    sheet.SetRepository(most->first);
    sheet.show();
    sheet.SetActivePageById(IDD_RECONCILIATION_SCAN);
    g_page = qobject_cast<CReconciliationScanPage*>(sheet.GetActivePage());
    if (!g_page)
        return false;
    g_page->Timer(CReconciliationScanPage::kScanTimer)->stop();
    QApplication::processEvents();
    fprintf(stderr, "audited %s: %zu Volumes listed\n", qPrintable(most->first),
            g_page->Audit().Items().size());
    return g_page->Audit().Items().size() >= 20000;
}

ZELV10BARCODEPARSED Key(const QString& volume) {
    ZELV10BARCODEPARSED p;
    p.customerId = "ACME";
    p.mediaId = "LTO6";
    p.volumeId.Set(volume);
    return p;
}

// Each iteration scans the next listed Volume for the first time.
void ReconcileOneScan(benchmark::State& state) {
    const size_t listed = g_page->Audit().Items().size();
    for (auto _ : state) {
        const ZELV10BARCODEPARSED item = Key(g_page->Audit().Items()[g_next++ % listed].volumeId);
        const uint32_t outcome = g_page->OnScan(CZELV10RC(), item);
        QApplication::processEvents();
        if (outcome != 0) {
            state.SkipWithError("scan refused");
            break;
        }
    }
    state.counters["listed"] = double(listed);
}

// The server's part alone: the read and the audit write of one Volume.
void BareGetAndPutAudit(benchmark::State& state) {
    CZELV10MFC& mfc = g_desk.sheet->Connection();
    const size_t listed = g_page->Audit().Items().size();
    for (auto _ : state) {
        ZELVVOLSEx rec;
        rec.key.customerId = "ACME";
        rec.key.mediaId = "LTO6";
        rec.key.volumeId.Set(g_page->Audit().Items()[g_next++ % listed].volumeId);
        CZELV10RC rc = mfc.Get(&rec);
        ZELVAUDIT a;
        a.key = rec.key;
        a.version = rec.vol.version;
        a.flags = ZELVVOL_AUDITPASSED;
        a.outcome = ZELVAUDIT_SEEN;
        a.repositoryId.Set(g_desk.sheet->Repository());
        if (rc.IsOK())
            rc = mfc.PutAudit(a);
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
    }
}

BENCHMARK(ReconcileOneScan)->Unit(benchmark::kMillisecond)->Iterations(10000);
BENCHMARK(BareGetAndPutAudit)->Unit(benchmark::kMillisecond)->Iterations(10000);

// --- Three-way comparison ------------------------------------------------------------

constexpr int kLines = 100000;

QByteArray ManifestText() {
    QByteArray text = "Volume,Slot\n";
    for (int i = 0; i < kLines; ++i)
        text += "ACME.LTO6.M" + QByteArray::number(i) + ',' + QByteArray::number(i % 1200) + '\n';
    return text;
}

QStringList Keys(int from, int count) {
    QStringList out;
    for (int i = from; i < from + count; ++i)
        out << QStringLiteral("ACME.LTO6.M%1").arg(i);
    return out;
}

// Reading the manifest and comparing it with 100,000 expected and 90,000
// scanned Volumes (some on one side only).
void ThreeWayManifest100k(benchmark::State& state) {
    const QByteArray text = ManifestText();
    const QStringList expected = Keys(5000, kLines);
    const QStringList scanned = Keys(0, 90000);
    for (auto _ : state) {
        CVaultManifest manifest;
        QString error;
        if (!manifest.Parse(text, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        CThreeWayCounts counts;
        benchmark::DoNotOptimize(CompareThreeWay(expected, scanned, manifest.volumes, &counts));
    }
}

// The baseline: the manifest's lines split and put in a hash, nothing checked.
void BareSplitAndHash100k(benchmark::State& state) {
    const QByteArray text = ManifestText();
    for (auto _ : state) {
        QHash<QString, int> hash;
        int n = 0;
        for (const QByteArray& line : text.split('\n'))
            hash.insert(QString::fromUtf8(line.left(line.indexOf(','))), n++);
        benchmark::DoNotOptimize(hash);
    }
}

BENCHMARK(ThreeWayManifest100k)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BareSplitAndHash100k)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return g_desk.Run(argc, argv, Setup);
}
