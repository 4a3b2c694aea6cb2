// Cost of the confirm path, Get then Update of one Volume, on a database of a
// million Volumes, beside the bare single-row SELECT and UPDATE on the same
// rows. SQLite always; PostgreSQL too when KELMAR_TEST_PG names a server.
//   bench_confirm [--volumes N] [benchmark options]
#include "ZELV10MFC.h"
#include "ZELVServerAddress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

uint64_t g_volumes = 1000000;

QString VolumeId(uint64_t i) {
    return QString::asprintf("V%07llu", static_cast<unsigned long long>(i));
}

// Spreads the rows read over the whole table, the same sequence every run.
struct Picker {
    uint64_t state = 88172645463325252ull;
    uint64_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state % g_volumes;
    }
};

struct Engine {
    std::string name;
    ZELVServerAddress address;
    std::unique_ptr<CZELV10MFC> mfc;
    QString rawConnection;
};

std::vector<std::unique_ptr<Engine>> g_engines;
std::unique_ptr<QTemporaryDir> g_dir;

bool Fill(CZELV10MFC& mfc) {
    ZELVCUSTEx c;
    c.customerId = "BNCH";
    ZELVMEDIAEx m;
    m.customerId = "BNCH";
    m.mediaId = "LTO6";
    ZELVREPOSITORY dc, vault;
    dc.repositoryId = "DC01";
    dc.nextRepositoryId = "VLT1";
    vault.repositoryId = "VLT1";
    vault.nextRepositoryId = "DC01";
    vault.type = ZELVREPTYPE_VAULT;
    for (const CZELV10RC& rc : {mfc.Add(c), mfc.Add(m), mfc.Add(dc), mfc.Add(vault)})
        if (!rc.IsOK()) {
            fprintf(stderr, "setup: %s\n", qPrintable(rc.Get()));
            return false;
        }
    uint64_t i = 0;
    QElapsedTimer t;
    t.start();
    const CZELV10RC rc = mfc.AddVolumes([&](ZELVVOLSEx* v, QString*) {
        if (i == g_volumes)
            return false;
        v->key.customerId = "BNCH";
        v->key.mediaId = "LTO6";
        v->key.volumeId.Set(VolumeId(i));
        const bool moving = i % 5 == 0;
        v->vol.Current().repositoryId = "DC01";
        v->vol.Target().repositoryId = moving ? "VLT1" : "DC01";
        ++i;
        return true;
    });
    if (!rc.IsOK()) {
        fprintf(stderr, "fill: %s\n", qPrintable(rc.Get()));
        return false;
    }
    fprintf(stderr, "filled %llu Volumes in %.1f s\n", static_cast<unsigned long long>(i),
            t.elapsed() / 1000.0);
    return true;
}

bool OpenRaw(Engine& e) {
    e.rawConnection = QString::fromStdString("raw-" + e.name);
    QSqlDatabase db;
    if (e.address.IsCentral()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), e.rawConnection);
        db.setHostName(e.address.host);
        db.setPort(e.address.port);
        db.setUserName(e.address.user);
        db.setPassword(e.address.password);
        db.setDatabaseName(e.address.database);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), e.rawConnection);
        db.setDatabaseName(e.address.filePath);
    }
    if (!db.open())
        return false;
    if (!e.address.IsCentral()) {
        // As the library opens it.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size=-65536"));
    }
    return true;
}

std::unique_ptr<Engine> MakeEngine(const std::string& name, const ZELVServerAddress& address) {
    auto e = std::make_unique<Engine>();
    e->name = name;
    e->address = address;
    e->mfc = std::make_unique<CZELV10MFC>();
    e->mfc->SetServerAddress(address);
    const CZELV10RC rc = e->mfc->Logon(1 | CZELV10MFC::kLogonCreateOwner);
    if (!rc.IsOK()) {
        fprintf(stderr, "%s: %s\n", name.c_str(), qPrintable(rc.Get()));
        return nullptr;
    }
    if (!Fill(*e->mfc) || !OpenRaw(*e))
        return nullptr;
    return e;
}

void BareSelect(benchmark::State& state, Engine* e) {
    QSqlQuery q(QSqlDatabase::database(e->rawConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT volume_row, flags, target_repo, target_slot, current_repo, current_slot,"
        " move_date, due_time, move_time, scheduled, threshold, data_cluster, container_no,"
        " container_self, consignment_no, capacity, version FROM volume"
        " WHERE customer_id = ? AND media_id = ? AND volume_id = ?"));
    Picker pick;
    for (auto _ : state) {
        q.bindValue(0, QStringLiteral("BNCH"));
        q.bindValue(1, QStringLiteral("LTO6"));
        q.bindValue(2, VolumeId(pick.Next()));
        if (!q.exec() || !q.next()) {
            state.SkipWithError(qPrintable(q.lastError().text()));
            break;
        }
        benchmark::DoNotOptimize(q.value(1));
        q.finish();
    }
}

void BareUpdate(benchmark::State& state, Engine* e) {
    QSqlQuery q(QSqlDatabase::database(e->rawConnection, false));
    q.prepare(QStringLiteral("UPDATE volume SET threshold = ? WHERE customer_id = ? AND media_id = "
                             "? AND volume_id = ?"));
    Picker pick;
    qint64 n = 0;
    for (auto _ : state) {
        q.bindValue(0, ++n % 1000);
        q.bindValue(1, QStringLiteral("BNCH"));
        q.bindValue(2, QStringLiteral("LTO6"));
        q.bindValue(3, VolumeId(pick.Next()));
        if (!q.exec() || q.numRowsAffected() != 1) {
            state.SkipWithError(qPrintable(q.lastError().text()));
            break;
        }
    }
}

// The bare cost of moving a row from one Repository to another: the columns a
// confirmation changes, and the indexes on them.
void BareMove(benchmark::State& state, Engine* e) {
    QSqlQuery read(QSqlDatabase::database(e->rawConnection, false));
    read.setForwardOnly(true);
    read.prepare(QStringLiteral("SELECT current_repo FROM volume WHERE customer_id = ? AND "
                                "media_id = ? AND volume_id = ?"));
    QSqlQuery q(QSqlDatabase::database(e->rawConnection, false));
    q.prepare(QStringLiteral(
        "UPDATE volume SET current_repo = ?, target_repo = ? WHERE customer_id = ? AND media_id = ?"
        " AND volume_id = ?"));
    Picker pick;
    for (auto _ : state) {
        const QString id = VolumeId(pick.Next());
        // Where it is decides where it goes, as for the confirmation below; the
        // read is not timed.
        state.PauseTiming();
        read.bindValue(0, QStringLiteral("BNCH"));
        read.bindValue(1, QStringLiteral("LTO6"));
        read.bindValue(2, id);
        const bool ok = read.exec() && read.next();
        const QString to = ok && read.value(0).toString() == QLatin1String("DC01")
                               ? QStringLiteral("VLT1")
                               : QStringLiteral("DC01");
        read.finish();
        state.ResumeTiming();
        q.bindValue(0, to);
        q.bindValue(1, to);
        q.bindValue(2, QStringLiteral("BNCH"));
        q.bindValue(3, QStringLiteral("LTO6"));
        q.bindValue(4, id);
        if (!ok || !q.exec() || q.numRowsAffected() != 1) {
            state.SkipWithError(qPrintable(q.lastError().text()));
            break;
        }
    }
}

// What a page does to change a Volume: read it, change it, write it back.
void GetThenUpdate(benchmark::State& state, Engine* e) {
    Picker pick;
    uint16_t n = 0;
    ZELVVOLSEx v;
    v.key.customerId = "BNCH";
    v.key.mediaId = "LTO6";
    for (auto _ : state) {
        v.key.volumeId.Set(VolumeId(pick.Next()));
        CZELV10RC rc = e->mfc->Get(&v);
        if (rc.IsOK()) {
            v.vol.threshold = static_cast<uint16_t>(++n % 1000 + 1);
            rc = e->mfc->Update(v);
        }
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
    }
}

// Scan-In of a moving Volume: read, confirm at its target (history, counts).
void GetThenConfirm(benchmark::State& state, Engine* e) {
    Picker pick;
    ZELVVOLSEx v;
    v.key.customerId = "BNCH";
    v.key.mediaId = "LTO6";
    for (auto _ : state) {
        v.key.volumeId.Set(VolumeId(pick.Next()));
        CZELV10RC rc = e->mfc->Get(&v);
        if (rc.IsOK()) {
            // Alternate the target so that every confirmation completes a move.
            v.vol.Target().repositoryId = v.vol.Current().repositoryId == "DC01" ? "VLT1" : "DC01";
            v.vol.Confirmation() = v.vol.Target();
            rc = e->mfc->Update(v);
        }
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
    }
}

// Prints, after the usual table, each engine's paths against the bare
// statements that do the same to the row: read plus update of a field, read
// plus a move between Repositories. Real (wall) and CPU time both, since the
// real time also holds what other programs on the machine take.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.run_type == Run::RT_Iteration) {
                m_real[r.benchmark_name()] = r.GetAdjustedRealTime();
                m_cpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const struct {
            const char* path;
            const char* bareUpdate;
        } pairs[] = {{"GetThenUpdate", "BareUpdate"}, {"GetThenConfirm", "BareMove"}};
        for (const auto& e : g_engines) {
            const std::string p = e->name + "/";
            for (const auto& pair : pairs) {
                const double bareReal = m_real[p + "BareSelect"] + m_real[p + pair.bareUpdate];
                const double bareCpu = m_cpu[p + "BareSelect"] + m_cpu[p + pair.bareUpdate];
                const double real = m_real[p + pair.path];
                const double cpu = m_cpu[p + pair.path];
                if (bareReal > 0 && real > 0 && bareCpu > 0)
                    fprintf(stdout,
                            "%-10s %-14s vs BareSelect+%-10s real %7.1f / %7.1f us = %.2f   "
                            "cpu %7.1f / %7.1f us = %.2f\n",
                            e->name.c_str(), pair.path, pair.bareUpdate, real / 1000.0,
                            bareReal / 1000.0, real / bareReal, cpu / 1000.0, bareCpu / 1000.0,
                            cpu / bareCpu);
            }
        }
    }

private:
    std::map<std::string, double> m_real;
    std::map<std::string, double> m_cpu;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--volumes" && i + 1 < argc) {
            g_volumes = std::stoull(argv[++i]);
            continue;
        }
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());

    g_dir = std::make_unique<QTemporaryDir>();
    ZELVServerAddress sqlite;
    sqlite.filePath = g_dir->path() + QStringLiteral("/bench.db");
    sqlite.password = CZELV10MFC::GenerateRandomPassword();
    if (auto e = MakeEngine("SQLite", sqlite))
        g_engines.push_back(std::move(e));

    const QString pg = qEnvironmentVariable("KELMAR_TEST_PG");
    QString dbName;
    ZELVServerAddress admin;
    if (!pg.isEmpty() && ZELVServerAddress::Parse(pg, &admin) && admin.IsCentral()) {
        dbName = QStringLiteral("kelmar_bench_%1").arg(getpid());
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
            db.setHostName(admin.host);
            db.setPort(admin.port);
            db.setUserName(admin.user);
            db.setPassword(admin.password);
            db.setDatabaseName(admin.database);
            if (db.open())
                QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE ") + dbName);
        }
        ZELVServerAddress a = admin;
        a.database = dbName;
        if (auto e = MakeEngine("PostgreSQL", a))
            g_engines.push_back(std::move(e));
    }

    for (const auto& e : g_engines) {
        Engine* p = e.get();
        benchmark::RegisterBenchmark((e->name + "/BareSelect").c_str(), BareSelect, p);
        benchmark::RegisterBenchmark((e->name + "/BareUpdate").c_str(), BareUpdate, p);
        benchmark::RegisterBenchmark((e->name + "/BareMove").c_str(), BareMove, p);
        benchmark::RegisterBenchmark((e->name + "/GetThenUpdate").c_str(), GetThenUpdate, p);
        benchmark::RegisterBenchmark((e->name + "/GetThenConfirm").c_str(), GetThenConfirm, p);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (auto& e : g_engines) {
        e->mfc.reset();
        QSqlDatabase::removeDatabase(e->rawConnection);
    }
    if (!dbName.isEmpty()) {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("admin"));
        QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS ") + dbName +
                           QStringLiteral(" WITH (FORCE)"));
    }
    return g_engines.empty() ? 1 : 0;
}
