// A Recall of 1,000 Volumes on the one-million-Volume demo database
// (embedded server): the Consignment created, each Volume redirected to the
// delivery Repository under it (read, version check, update with its history
// rows, read back), then the Consignment cast. Beside it, in the same run, the
// bare server work of as many changes: one Get and one Update per Volume.
//   bench_recall [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is
// changed by the run.
#include "VolumeMove.h"
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

constexpr size_t kRecalled = 1000;

uint64_t g_volumes = 1000000;
QString g_database;
std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<CZELV10MFC> g_mfc;
std::vector<ZELVVOLSEx> g_chosen; // GLBX LTO6 Volumes standing in a vault

bool Setup() {
    g_dir = std::make_unique<QTemporaryDir>();
    ZELVServerAddress address;
    address.filePath =
        g_database.isEmpty() ? g_dir->filePath(QStringLiteral("demo.db")) : g_database;
    // A database of our own gets a password of our own; a given one comes
    // with KELMAR_PASSWORD, as for zelvadmin.
    address.password = g_database.isEmpty() ? CZELV10MFC::GenerateRandomPassword()
                                            : qEnvironmentVariable("KELMAR_PASSWORD");
    g_mfc = std::make_unique<CZELV10MFC>();
    g_mfc->SetServerAddress(address);
    CZELV10RC rc = g_mfc->Logon(1 | CZELV10MFC::kLogonCreateOwner);
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
    std::vector<ZELVVOLSFULL> all;
    rc = g_mfc->List(&all, QStringLiteral("GLBX"), QStringLiteral("LTO6"));
    if (!rc.IsOK())
        return false;
    for (const ZELVVOLSFULL& v : all)
        if (!v.vol.IsContainer() && v.vol.Current().repositoryId.Text() != QLatin1String("DC01") &&
            g_chosen.size() < kRecalled)
            g_chosen.push_back(v);
    fprintf(stderr, "recalling %zu of %zu GLBX LTO6 Volumes\n", g_chosen.size(), all.size());
    return g_chosen.size() == kRecalled;
}

// Consignment, redirects, cast; every other run sends them back to where
// they stood, so each run changes every Volume.
void RecallOneThousand(benchmark::State& state) {
    bool home = true;
    int64_t notOk = 0;
    // As the Volume Selection lists them: read now, with their versions.
    for (ZELVVOLSEx& v : g_chosen)
        g_mfc->Get(&v);
    for (auto _ : state) {
        ZELVCONSIGNEx consignment;
        consignment.customerId = "GLBX";
        consignment.description = "Benchmark";
        uint32_t number = 0;
        if (!g_mfc->Put(consignment, &number).IsOK()) {
            state.SkipWithError("Put of the Consignment failed");
            return;
        }
        for (ZELVVOLSEx& v : g_chosen) {
            const QString target =
                home ? QStringLiteral("DC01") : v.vol.Current().repositoryId.Text();
            const CZELV10RC rc =
                RedirectVolume(*g_mfc, &v, target, 0, number, kKeepContainer, v.vol.version);
            if (!rc.IsOK() && notOk++ == 0)
                fprintf(stderr, "first refusal: %s\n", qPrintable(rc.Get()));
        }
        g_mfc->EditConsignment(number, ZELVCONSIGN_CAST, QStringLiteral("Automatically Cast"));
        home = !home;
    }
    state.counters["not_ok"] = double(notOk);
    state.counters["volumes"] = double(kRecalled);
}

// The bare server work: one read and one write of each Volume.
void BareGetAndUpdate(benchmark::State& state) {
    uint16_t threshold = 1;
    for (auto _ : state) {
        for (ZELVVOLSEx& v : g_chosen) {
            g_mfc->Get(&v);
            v.vol.threshold = threshold;
            g_mfc->Update(v);
        }
        threshold = threshold == 1 ? 2 : 1;
    }
    state.counters["volumes"] = double(kRecalled);
}

BENCHMARK(BareGetAndUpdate)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(RecallOneThousand)->Unit(benchmark::kMillisecond)->Iterations(6);

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
