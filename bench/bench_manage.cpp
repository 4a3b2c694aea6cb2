// Opening a Media Type tab of the Manage Media Library page on the
// one-million-Volume demo database (embedded server): GLBX's LTO-8 tab, the
// demo's 100,000 Volumes of one Customer and Media Type. The page reads the
// Volumes (the sheet's LoadMediaVolumes), the Repository cache and the
// attribute types, fills the list with the Volumes that are not hidden,
// counts the hidden ones, draws the chart and repaints. Beside it, in the same
// run, the bare read of the same rows through the server library.
//   bench_manage [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is only read.
#include "ZELV10MFC.h"
#include "ZELVConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZelvDemo.h"
#include "manage/ManagePage.h"
#include "manage/ManageProperties.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
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
CManagePage* g_page = nullptr;
int g_tab = -1;

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
    g_sheet->SetTask(TaskVolumeManagement);
    g_sheet->SetCustomer(QStringLiteral("GLBX"));
    g_sheet->show();
    g_sheet->SetActivePageById(IDD_MANAGE);
    g_page = qobject_cast<CManagePage*>(g_sheet->GetActivePage());
    if (!g_page)
        return false;
    QApplication::processEvents();
    for (size_t i = 0; i < g_page->TabMedia().size(); ++i)
        if (g_page->TabMedia()[i].mediaId == "LTO8")
            g_tab = int(i);
    if (g_tab < 0)
        return false;
    g_page->SelectMedia(g_tab);
    fprintf(stderr, "LTO-8 tab: %zu Volumes, %d listed\n", g_sheet->MediaVolumes().size(),
            g_page->Panel()->ShownCount());
    return g_sheet->MediaVolumes().size() >= 50000;
}

// The tab opened again and again: everything a tab change does, the repaint
// before the operator sees it included.
void ManageOpenTab(benchmark::State& state) {
    for (auto _ : state) {
        g_page->SelectMedia(g_tab);
        QApplication::processEvents();
        if (g_page->Panel()->ShownCount() == 0) {
            state.SkipWithError("nothing listed");
            break;
        }
    }
    state.counters["volumes"] = double(g_sheet->MediaVolumes().size());
    state.counters["listed"] = double(g_page->Panel()->ShownCount());
}

// The bare read of the same rows through the server library.
void ManageBareRead(benchmark::State& state) {
    CZELV10MFC& connection = g_sheet->Connection();
    size_t rows = 0;
    for (auto _ : state) {
        std::vector<ZELVVOLSFULL> list;
        const CZELV10RC rc = connection.List(&list, QStringLiteral("GLBX"), QStringLiteral("LTO8"));
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
        rows = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["volumes"] = double(rows);
}

BENCHMARK(ManageBareRead)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ManageOpenTab)->Unit(benchmark::kMillisecond)->Iterations(10);

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
