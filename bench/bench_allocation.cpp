// Container Selection's allocation of a 10,000-Volume send list over 200
// Containers with a ten-element "allocation" table, beside the bare cost of
// matching the table's "volume" patterns over the same Volume texts in the
// same run. The allocation writes every Allocation Log line to a list, as
// the page does, and decides without writing to the server (the Data-Cluster
// assignments would add one update per Container, at most 200).
#include "ContainerAllocation.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZELVFilter.h"
#include "ZELVServerAddress.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kVolumes = 10000;
constexpr int kContainers = 200;
const char* const kTargets[] = {"VLT1", "VLT2", "LIB1", "TRN1"};
const char* const kClusters[] = {"", "Payroll", "Finance", "Engineering", "Archive", "Legal"};

// Ten elements, most Volumes falling through several before one decides.
const char* const kTable = R"cfg(allocation = (
  { volume = { barcode = "ACME.LTO9.*"; }; container = { }; },
  { volume = { datacluster = "Legal"; allocation = false; }; },
  { volume = { barcode = "*.LTO6.+([0-9])"; target = "TRN1"; allocation = false; }; },
  { volume = { datacluster = "Payroll"; target = "VLT?"; };
    container = { datacluster = "Payroll"; };
    assignment = { datacluster = "Payroll"; barcode = "ACME.CONT.C0[01]*"; }; },
  { volume = { datacluster = "Finance"; target = "VLT1"; };
    container = { datacluster = "Finance"; };
    assignment = { datacluster = "Finance"; barcode = "ACME.CONT.C01*"; }; },
  { volume = { datacluster = "Engineering"; barcode = "ACME.@(LTO6|LTO8).*"; };
    container = { barcode = "ACME.CONT.*"; datacluster = "!(Payroll|Finance)"; }; },
  { volume = { datacluster = "Archive"; allocation = false; }; },
  { volume = { target = "LIB1"; barcode = "*.LTO8.*"; };
    container = { barcode = "ACME.CONT.C1*"; }; },
  { volume = { target = "@(VLT1|VLT2|LIB1)"; };
    container = { datacluster = "!(Payroll|Finance)"; }; },
  { volume = { allocation = false; }; }
);)cfg";

struct World {
    QTemporaryDir dir;
    CZELV10MFC mfc;
    ZELVConfig config;
    std::unique_ptr<CZELV10RepositoryCache> repositories;
    std::vector<ZELVCLUSTERFULL> clusters;
    std::vector<VOLUMEPAGE_ITEM> sendList;
    std::vector<CandidateContainer> candidates;

    bool Make() {
        ZELVServerAddress address;
        if (!ZELVServerAddress::Parse(
                QStringLiteral("kelmar://") + dir.path() + QStringLiteral("/bench.db"), &address))
            return false;
        address.password = CZELV10MFC::GenerateRandomPassword();
        mfc.SetServerAddress(address);
        if (!mfc.Logon(1 | CZELV10MFC::kLogonCreateOwner).IsOK())
            return false;
        for (const char* id : {"DC01", "VLT1", "VLT2", "LIB1", "TRN1"}) {
            ZELVREPOSITORY r;
            r.repositoryId = id;
            r.name = id;
            r.type = ZELVREPTYPE_VAULT;
            if (!mfc.Add(r).IsOK())
                return false;
        }
        ZELVCUSTEx c;
        c.customerId = "ACME";
        if (!mfc.Add(c).IsOK())
            return false;
        for (const char* id : {"CONT", "LTO6", "LTO8", "LTO9"}) {
            ZELVMEDIAEx m;
            m.customerId = "ACME";
            m.mediaId = id;
            if (!mfc.Add(m).IsOK())
                return false;
        }
        for (size_t i = 1; i < std::size(kClusters); ++i) {
            ZELVCLUSTERFULL cl;
            cl.customerId = "ACME";
            cl.number = uint32_t(i);
            cl.name = kClusters[i];
            clusters.push_back(cl);
        }
        repositories = std::make_unique<CZELV10RepositoryCache>(&mfc);
        if (!config.ReadString(QString::fromLatin1(kTable)))
            return false;

        const char* const media[] = {"LTO6", "LTO8", "LTO9"};
        for (int i = 0; i < kVolumes; ++i) {
            VOLUMEPAGE_ITEM row;
            row.key = CVolumeKey(QStringLiteral("ACME"), QString::fromLatin1(media[i % 3]),
                                 QString::asprintf("%c%05d", 'A' + i % 7, i));
            row.target = QString::fromLatin1(kTargets[(i / 3) % 4]);
            row.dataCluster = QString::fromLatin1(kClusters[(i / 12) % 6]);
            sendList.push_back(row);
        }
        for (int i = 0; i < kContainers; ++i) {
            CandidateContainer k;
            k.number = uint32_t(i + 1);
            k.key = CVolumeKey(QStringLiteral("ACME"), QStringLiteral("CONT"),
                               QString::asprintf("C%04d", i));
            // Tape cases of 20 and 40, and crates without a limit.
            k.capacity = i % 3 == 0 ? 0 : (i % 3 == 1 ? 20 : 40);
            k.used = i % 5;
            if (i % 4 == 1) {
                k.repository = QString::fromLatin1(kTargets[i % 3]);
                k.repositoryText = k.repository;
            }
            if (i % 10 == 3) {
                k.dataClusterNumber = 3; // Engineering
                k.dataCluster = QStringLiteral("Engineering");
            }
            k.moveTime = uint32_t(i);
            candidates.push_back(k);
        }
        return true;
    }
};

World* g_world = nullptr;

void Allocation(benchmark::State& state) {
    World& w = *g_world;
    std::vector<CAllocationLine> log;
    size_t allocated = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<VOLUMEPAGE_ITEM> rows = w.sendList;
        std::vector<CandidateContainer> candidates = w.candidates;
        log.clear();
        state.ResumeTiming();
        CContainerAllocation::Services s;
        s.config = &w.config;
        s.connection = &w.mfc;
        s.repositories = w.repositories.get();
        s.clusters = &w.clusters;
        s.dryRun = true;
        s.keepLines = false;
        s.log = [&log](int image, const QString& text) { log.push_back({image, text}); };
        s.notify = [](const QString&, const QString&, const QString&, int) {};
        CContainerAllocation allocation(s);
        const std::vector<CAllocationDecision> decisions = allocation.Allocate(rows, candidates);
        allocated = 0;
        for (const VOLUMEPAGE_ITEM& r : rows)
            allocated += r.containerNumber != 0;
        benchmark::DoNotOptimize(decisions.data());
    }
    state.counters["allocated"] = double(allocated);
    state.counters["log lines"] = double(log.size());
}

// The table's "volume" patterns, each over the value it is matched against,
// for every Volume: what the rule search would cost if matching were all.
void BarePatternMatching(benchmark::State& state) {
    World& w = *g_world;
    struct Pattern {
        int field; // 0 barcode, 1 Data-Cluster, 2 target
        QString text;
    };
    std::vector<Pattern> patterns;
    const ZELVSetting table = w.config.Lookup(QStringLiteral("allocation"));
    for (int i = 0; i < table.Count(); ++i) {
        const ZELVSetting volume = table.At(i).Member(QStringLiteral("volume"));
        const char* const members[] = {"barcode", "datacluster", "target"};
        for (int f = 0; f < 3; ++f)
            if (const auto p = volume.String(QString::fromLatin1(members[f])))
                patterns.push_back({f, *p});
    }
    std::vector<QString> texts;
    for (const VOLUMEPAGE_ITEM& r : w.sendList)
        texts.push_back(r.key.Text());
    size_t matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (size_t i = 0; i < w.sendList.size(); ++i) {
            const VOLUMEPAGE_ITEM& r = w.sendList[i];
            for (const Pattern& p : patterns) {
                const QString& value =
                    p.field == 0 ? texts[i] : (p.field == 1 ? r.dataCluster : r.target);
                matched += CZELVFilter::Match(p.text, value, CZELVFilter::kExtMatch);
            }
        }
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matches"] = double(matched);
    state.counters["patterns"] = double(patterns.size());
}

BENCHMARK(BarePatternMatching)->Unit(benchmark::kMillisecond);
BENCHMARK(Allocation)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // also sets the locale the matcher works in
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    auto world = std::make_unique<World>();
    if (!world->Make()) {
        fprintf(stderr, "cannot make the benchmark's database\n");
        return 1;
    }
    g_world = world.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_world = nullptr;
    return 0;
}
