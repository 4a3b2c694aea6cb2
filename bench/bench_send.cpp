// Apply and Verify of a 1,000-entry Send scan list on the one-million-Volume
// demo database (embedded server): each entry written (target, next move,
// threshold, description under the version check, with history rows), then
// read back into the verification report in a real transaction log. Beside
// it, in the same run, the bare server work: one Get and one Update each.
//   bench_send [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is
// changed by the run.
#include "TransactionLog.h"
#include "UpdateEngine.h"
#include "UpdateItem.h"
#include "ZELV10MFC.h"
#include "ZelvDemo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kEntries = 1000;

uint64_t g_volumes = 1000000;
QString g_database;
std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<CZELV10MFC> g_mfc;
std::unique_ptr<TransactionLog> g_log;
UpdateItemList g_list;
std::vector<ZELVCLUSTERFULL> g_clusters;

bool Setup() {
    g_dir = std::make_unique<QTemporaryDir>();
    ZELVServerAddress address;
    address.filePath =
        g_database.isEmpty() ? g_dir->filePath(QStringLiteral("demo.db")) : g_database;
    g_mfc = std::make_unique<CZELV10MFC>();
    g_mfc->SetServerAddress(address);
    CZELV10RC rc = g_mfc->Logon(1);
    if (rc.IsOK() && g_database.isEmpty()) {
        QElapsedTimer t;
        t.start();
        ZelvDemoSummary summary;
        rc = ZelvMakeDemo(*g_mfc, g_volumes, &summary);
        fprintf(stderr, "demo data set: %llu Volumes in %.1f s\n",
                static_cast<unsigned long long>(summary.volumes), t.elapsed() / 1000.0);
    }
    if (!rc.IsOK()) {
        fprintf(stderr, "demo: %s\n", qPrintable(rc.Get()));
        return false;
    }
    g_log = std::make_unique<TransactionLog>(QStringLiteral("Jan 01 2026"));
    if (!g_log->Open(g_dir->path(), QStringLiteral("bench"), QStringLiteral("Send")))
        return false;
    g_mfc->List(&g_clusters, QStringLiteral("GLBX"));
    std::vector<ZELVVOLSFULL> all;
    rc = g_mfc->List(&all, QStringLiteral("GLBX"), QStringLiteral("LTO6"));
    if (!rc.IsOK())
        return false;
    g_list.SetConnection(g_mfc.get());
    for (const ZELVVOLSFULL& v : all) {
        if (g_list.Count() == kEntries)
            break;
        if (v.vol.IsContainer() || (v.vol.flags & ZELVVOL_MOVING))
            continue;
        UpdateItem* item = g_list.AddScanned(v.key);
        item->Lookup(*g_mfc);
        item->target = v.vol.Target().repositoryId.Text();
    }
    fprintf(stderr, "%d entries of %zu GLBX LTO6 Volumes\n", g_list.Count(), all.size());
    return g_list.Count() == kEntries;
}

// The page's run without its widgets: ApplyUpdate per entry with its log
// line, the completion line, then the verification report. Each run changes
// every entry's next move, threshold and description.
void ApplyAndVerify(benchmark::State& state) {
    int run = 0;
    int64_t notOk = 0;
    for (auto _ : state) {
        ++run;
        CZELVDate date;
        date.SetDate(2030, 1, 1 + run % 28);
        for (int i = 0; i < g_list.Count(); ++i) {
            UpdateItem* item = g_list.At(i);
            item->nextMove = date;
            item->hasNextMove = true;
            item->threshold = uint16_t(run);
            item->description = QStringLiteral("Send run %1").arg(run);
            const CZELV10RC rc = item->ApplyUpdate(*g_mfc);
            if (!rc.IsOK() && notOk++ == 0)
                fprintf(stderr, "first refusal: %s\n", qPrintable(rc.Get()));
            g_log->Write("%s: %s", item->DisplayName().toUtf8().constData(),
                         rc.Get().toUtf8().constData());
        }
        g_log->Write("Updates complete");
        WriteVerificationReport(*g_log, *g_mfc, g_list.Count(), [](int i) {
            UpdateItem* item = g_list.At(i);
            return CVerificationRead{item->Lookup(*g_mfc), &item->record, item->serverDescription,
                                     &g_clusters};
        });
    }
    state.counters["not_ok"] = double(notOk);
    state.counters["entries"] = double(kEntries);
}

// The bare server work: one read and one write of each Volume.
void BareGetAndUpdate(benchmark::State& state) {
    uint16_t threshold = 1;
    for (auto _ : state) {
        for (int i = 0; i < g_list.Count(); ++i) {
            ZELVVOLSEx v = g_list.At(i)->record;
            g_mfc->Get(&v);
            v.vol.threshold = threshold;
            g_mfc->Update(v);
        }
        threshold = threshold == 1 ? 2 : 1;
    }
    state.counters["entries"] = double(kEntries);
}

BENCHMARK(BareGetAndUpdate)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(ApplyAndVerify)->Unit(benchmark::kMillisecond)->Iterations(6);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--volumes") == 0 && i + 1 < argc)
            g_volumes = std::strtoull(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc)
            g_database = QString::fromLocal8Bit(argv[++i]);
        else
            rest.push_back(argv[i]);
    }
    if (!Setup())
        return 1;
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
