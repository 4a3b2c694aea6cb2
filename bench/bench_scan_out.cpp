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

// The application object as far as the sheet needs it.
class BenchHost : public IZELVDeskHost {
public:
    BenchHost(const ZELVServerAddress& server, const QString& profile)
        : m_server(server), m_profile(profile, QSettings::IniFormat) {}
    bool LoadConfig(const QString&, QWidget*) override {
        return m_config.ReadString(QString::fromLatin1(kConfig));
    }
    const ZELVConfig& Config() const override { return m_config; }
    QString Expand(const QString& text, int) override { return text; }
    bool ShowNotification(QWidget*, const QString&, const QString&, const QString&, int,
                          int) override {
        return false;
    }
    void GetAssistance(QWidget*) override {}
    void ShowAbout() override {}
    ZELVServerAddress DefaultServer() const override { return m_server; }
    QSettings& Profile() override { return m_profile; }

private:
    ZELVServerAddress m_server;
    QSettings m_profile;
    ZELVConfig m_config;
};

uint64_t g_volumes = 1000000;
QString g_database;
std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<BenchHost> g_host;
std::unique_ptr<ScriptedPrompter> g_prompter;
std::unique_ptr<RecordingSoundPlayer> g_sounds;
std::unique_ptr<CZELVDeskSheet> g_sheet;
CSendVolumesPage* g_page = nullptr;

bool Setup() {
    g_dir = std::make_unique<QTemporaryDir>();
    ZELVServerAddress address;
    address.filePath =
        g_database.isEmpty() ? g_dir->filePath(QStringLiteral("demo.db")) : g_database;
    if (g_database.isEmpty()) {
        CZELV10MFC mfc;
        mfc.SetServerAddress(address);
        QElapsedTimer t;
        t.start();
        CZELV10RC rc = mfc.Logon(1);
        ZelvDemoSummary summary;
        if (rc.IsOK())
            rc = ZelvMakeDemo(mfc, g_volumes, &summary);
        if (!rc.IsOK()) {
            fprintf(stderr, "demo: %s\n", qPrintable(rc.Get()));
            return false;
        }
        fprintf(stderr, "demo data set: %llu Volumes in %.1f s\n",
                static_cast<unsigned long long>(summary.volumes), t.elapsed() / 1000.0);
    }

    g_host = std::make_unique<BenchHost>(address, g_dir->filePath(QStringLiteral("profile.ini")));
    g_prompter = std::make_unique<ScriptedPrompter>();
    g_sounds = std::make_unique<RecordingSoundPlayer>();
    CZELVDeskSheetSetup setup;
    setup.prompter = g_prompter.get();
    setup.sounds = g_sounds.get();
    setup.programFolder = g_dir->path();
    g_sheet = std::make_unique<CZELVDeskSheet>(*g_host, std::move(setup));
    if (!g_sheet->OpenLogAndLogon(g_dir->path()))
        return false;

    // GLBX at the data centre: about 25,000 Volumes leave it, with one
    // Container at hand that takes them all.
    g_sheet->SetTask(TaskScanOut);
    g_sheet->SetCustomer(QStringLiteral("GLBX"));
    g_sheet->SetRepository(QStringLiteral("DC01"));
    g_sheet->FillLocationList();
    g_sheet->BuildSendList();
    g_sheet->show();
    g_sheet->SetActivePageById(IDD_SEND_VOLUMES);
    g_page = qobject_cast<CSendVolumesPage*>(g_sheet->GetActivePage());
    if (!g_page)
        return false;
    // The scanning window is opened by hand here, not by the timer.
    g_page->Timer(CScanPage::kScanTimer)->stop();
    QApplication::processEvents();
    fprintf(stderr, "send list: %zu rows\n", g_sheet->SendList().size());
    return g_sheet->SendList().size() >= 10000;
}

// Scans the last row of the send list once per iteration. With repaint, the
// page's repaint before the next barcode is timed too; without, it runs
// outside the timing.
void ScanLastRow(benchmark::State& state, bool repaint) {
    CZELV10MFC& connection = g_sheet->Connection();
    const ZELVSCANVOLUMEARGS args = g_page->ScanArgs();
    std::vector<VOLUMEPAGE_ITEM>& items = g_sheet->SendList();
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
    CZELV10MFC& connection = g_sheet->Connection();
    const std::vector<VOLUMEPAGE_ITEM>& items = g_sheet->SendList();
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Our options first; the rest goes to Google Benchmark.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--volumes") == 0 && i + 1 < argc)
            g_volumes = std::strtoull(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc)
            g_database = QString::fromLocal8Bit(argv[++i]);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    QApplication app(restCount, rest.data());
    if (!Setup()) {
        fprintf(stderr, "setup failed\n");
        return 1;
    }
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_page = nullptr;
    g_sheet.reset();
    return 0;
}
