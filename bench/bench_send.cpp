// Apply and Verify of a 1,000-entry Send scan list on the one-million-Volume
// demo database (embedded server): each entry written (target, next move,
// threshold, description under the version check, with history rows), then
// read back into the verification report in a real transaction log. Beside
// it, in the same run, the bare server work: one Get and one Update each.
//   bench_send [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is
// changed by the run.
#include "BenchDesk.h"
#include "UpdateEngine.h"
#include "UpdateItem.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kEntries = 1000;

BenchDesk g_desk;
std::vector<ZELVCLUSTERFULL> g_clusters;

bool Setup() {
    if (!g_desk.Open("options = { disablespeech = true; };"))
        return false;
    CZELV10MFC& mfc = g_desk.sheet->Connection();
    mfc.List(&g_clusters, QStringLiteral("GLBX"));
    std::vector<ZELVVOLSFULL> all;
    if (!mfc.List(&all, QStringLiteral("GLBX"), QStringLiteral("LTO6")).IsOK())
        return false;
    UpdateItemList& list = g_desk.sheet->ScanList();
    for (const ZELVVOLSFULL& v : all) {
        if (list.Count() == kEntries)
            break;
        if (v.vol.IsContainer() || (v.vol.flags & ZELVVOL_MOVING))
            continue;
        UpdateItem* item = list.AddScanned(v.key);
        item->Lookup(mfc);
        item->target = v.vol.Target().repositoryId.Text();
    }
    fprintf(stderr, "%d entries of %zu GLBX LTO6 Volumes\n", list.Count(), all.size());
    return list.Count() == kEntries;
}

// The page's run without its widgets: ApplyUpdate per entry with its log
// line, the completion line, then the verification report. Each run changes
// every entry's next move, threshold and description.
void ApplyAndVerify(benchmark::State& state) {
    UpdateItemList& list = g_desk.sheet->ScanList();
    CZELV10MFC& mfc = g_desk.sheet->Connection();
    TransactionLog& log = g_desk.sheet->Log();
    // As scanned: read now, with the versions the baseline left.
    for (int i = 0; i < list.Count(); ++i)
        list.At(i)->Lookup(mfc);
    int run = 0;
    int64_t notOk = 0;
    for (auto _ : state) {
        ++run;
        CZELVDate date;
        date.SetDate(2030, 1, 1 + run % 28);
        for (int i = 0; i < list.Count(); ++i) {
            UpdateItem* item = list.At(i);
            item->nextMove = date;
            item->hasNextMove = true;
            item->threshold = uint16_t(run);
            item->description = QStringLiteral("Send run %1").arg(run);
            const CZELV10RC rc = item->ApplyUpdate(mfc);
            if (!rc.IsOK() && notOk++ == 0)
                fprintf(stderr, "first refusal: %s\n", qPrintable(rc.Get()));
            log.Write("%s: %s", item->DisplayName().toUtf8().constData(),
                      rc.Get().toUtf8().constData());
        }
        log.Write("Updates complete");
        WriteVerificationReport(log, mfc, list.Count(), [&](int i) {
            UpdateItem* item = list.At(i);
            return CVerificationRead{item->Lookup(mfc), &item->record, item->serverDescription,
                                     &g_clusters};
        });
    }
    state.counters["not_ok"] = double(notOk);
    state.counters["entries"] = double(kEntries);
}

// The bare server work: one read and one write of each Volume.
void BareGetAndUpdate(benchmark::State& state) {
    UpdateItemList& list = g_desk.sheet->ScanList();
    CZELV10MFC& mfc = g_desk.sheet->Connection();
    uint16_t threshold = 1;
    for (auto _ : state) {
        for (int i = 0; i < list.Count(); ++i) {
            ZELVVOLSEx v = list.At(i)->record;
            mfc.Get(&v);
            v.vol.threshold = threshold;
            mfc.Update(v);
        }
        threshold = threshold == 1 ? 2 : 1;
    }
    state.counters["entries"] = double(kEntries);
}

BENCHMARK(BareGetAndUpdate)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(ApplyAndVerify)->Unit(benchmark::kMillisecond)->Iterations(6);

} // namespace

int main(int argc, char** argv) {
    return g_desk.Run(argc, argv, Setup);
}
