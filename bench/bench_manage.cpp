// Opening a Media Type tab of the Manage Media Library page on the
// one-million-Volume demo database (embedded server): GLBX's LTO-8 tab, the
// demo's 100,000 Volumes of one Customer and Media Type. The page reads the
// Volumes (the sheet's LoadMediaVolumes), the Repository cache and the
// attribute types, fills the list with the Volumes that are not hidden,
// counts the hidden ones, draws the chart and repaints. Beside it, in the same
// run, the bare read of the same rows through the server library.
//   bench_manage [--volumes N] [--database FILE] [benchmark options]
// --database reuses a demo database made before (zelvadmin demo); it is only read.
#include "BenchDesk.h"
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

BenchDesk g_desk;
CManagePage* g_page = nullptr;
int g_tab = -1;

bool Setup() {
    if (!g_desk.Open(kConfig))
        return false;
    g_desk.sheet->SetTask(TaskVolumeManagement);
    g_desk.sheet->SetCustomer(QStringLiteral("GLBX"));
    g_desk.sheet->show();
    g_desk.sheet->SetActivePageById(IDD_MANAGE);
    g_page = qobject_cast<CManagePage*>(g_desk.sheet->GetActivePage());
    if (!g_page)
        return false;
    QApplication::processEvents();
    for (size_t i = 0; i < g_page->TabMedia().size(); ++i)
        if (g_page->TabMedia()[i].mediaId == "LTO8")
            g_tab = int(i);
    if (g_tab < 0)
        return false;
    g_page->SelectMedia(g_tab);
    fprintf(stderr, "LTO-8 tab: %zu Volumes, %d listed\n", g_desk.sheet->MediaVolumes().size(),
            g_page->Panel()->ShownCount());
    return g_desk.sheet->MediaVolumes().size() >= 50000;
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
    state.counters["volumes"] = double(g_desk.sheet->MediaVolumes().size());
    state.counters["listed"] = double(g_page->Panel()->ShownCount());
}

// The bare read of the same rows through the server library.
void ManageBareRead(benchmark::State& state) {
    CZELV10MFC& connection = g_desk.sheet->Connection();
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
    return g_desk.Run(argc, argv, Setup);
}
