// A header-filter keystroke over 100,000 Volumes in the list control, beside
// the bare glibc fnmatch over the same identifiers in the same run (the list
// matches with its own compiled matcher; fnmatch stays the yardstick). The keystroke
// is what an operator waits for: the pattern changes, the owner rebuilds its
// shown rows through the list's matching operations (every column's filter,
// as the Volume pages do), the model resets and the list repaints.
#include "ZELVFilter.h"
#include "ZELVListCtrl.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <fnmatch.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kVolumes = 100000;

// Fixed fields as the server's records keep them.
struct VolumeLike {
    char customer[5];
    char media[5];
    char volume[11];
    char repository[5];
    CZELVDate moveDate;
    char description[41];
};

class VolumeRows : public CZELVPointerRows<const VolumeLike> {
public:
    QString Text(int row, int column) const override {
        const VolumeLike* v = At(row);
        switch (column) {
        case 0:
            return QString::fromLatin1(v->volume);
        case 1:
            return QString::fromLatin1(v->repository);
        case 2:
            return FormatDate(v->moveDate, "%Y-%m-%d");
        default:
            return QString::fromLatin1(v->description);
        }
    }
    int Compare(int left, int right, int column) const override {
        return column == 0 ? qstrcmp(At(left)->volume, At(right)->volume)
                           : CZELVListRows::Compare(left, right, column);
    }
};

const std::vector<VolumeLike>& Volumes() {
    static const std::vector<VolumeLike> volumes = [] {
        std::vector<VolumeLike> all(kVolumes);
        const char* repositories[] = {"DC01", "VLT1", "VLT2", "LIB1"};
        for (int i = 0; i < kVolumes; ++i) {
            VolumeLike& v = all[size_t(i)];
            std::snprintf(v.customer, sizeof v.customer, "ACME");
            std::snprintf(v.media, sizeof v.media, "LTO%d", 5 + i % 4);
            // Letter prefixes as sites label them: A00000L6 ... Z99999L8.
            std::snprintf(v.volume, sizeof v.volume, "%c%05dL%d", 'A' + i % 26, i, 5 + i % 4);
            std::snprintf(v.repository, sizeof v.repository, "%s", repositories[i % 4]);
            v.moveDate.SetDate(2024, 1 + i % 12, 1 + i % 28);
            std::snprintf(v.description, sizeof v.description, "Weekly backup set %d", i % 53);
        }
        return all;
    }();
    return volumes;
}

// The page's side: the list, its rows, and the rebuild on a filter change.
struct Page {
    CZELVListCtrl list;
    VolumeRows shown;
    int lastShown = 0;

    Page() {
        list.InsertColumn(0, QStringLiteral("Volume"), 90);
        list.InsertColumn(1, QStringLiteral("Location"), 150);
        list.InsertColumn(2, QStringLiteral("Move Date"), 150);
        list.InsertColumn(3, QStringLiteral("Description"), 200);
        list.EnableFilterBar(10);
        list.ShowFooter();
        list.SetRows(&shown);
        QObject::connect(&list, &CZELVListCtrl::FilterChanged, &list, [this] { Rebuild(); });
        list.resize(640, 480);
        list.show();
        Rebuild();
        QApplication::processEvents();
    }

    void Rebuild() {
        std::vector<const VolumeLike*>& rows = shown.Pointers();
        rows.clear();
        for (const VolumeLike& v : Volumes()) {
            if (list.FilterMatchesText(0, "%s", v.volume) &&
                list.FilterMatchesText(1, "%s", v.repository) &&
                list.FilterMatchesDate(2, v.moveDate) &&
                list.FilterMatchesText(3, "%s", v.description))
                rows.push_back(&v);
        }
        lastShown = int(rows.size());
        list.Reload();
    }
};

// Made in main, after the application object, and gone before it.
Page* g_page = nullptr;

Page& ThePage() {
    return *g_page;
}

struct Case {
    const char* pattern;
    bool caseFolding;
};
constexpr Case kCases[] = {
    {"*12*", false},      // a substring
    {"b*", true},         // a prefix, ignoring case
    {"@(A|C)*L7", false}, // an extended pattern
    {"?*", false},        // every row stays
};

void BareFnmatch(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const int flags = FNM_EXTMATCH | (c.caseFolding ? FNM_CASEFOLD : 0);
    const std::vector<VolumeLike>& volumes = Volumes();
    int matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const VolumeLike& v : volumes)
            matched += ::fnmatch(c.pattern, v.volume, flags) == 0;
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = matched;
    state.SetLabel(c.pattern);
}

void ListFilterKeystroke(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    Page& page = ThePage();
    page.list.SetFilterCaseInsensitive(0, c.caseFolding);
    const QString pattern = QString::fromLatin1(c.pattern);
    for (auto _ : state) {
        page.list.SetFilterText(0, pattern);
        QApplication::processEvents(); // the repaint the operator sees
    }
    state.counters["matched"] = page.lastShown;
    state.SetLabel(c.pattern);
    page.list.SetFilterText(0, QString());
}

// The owner's matching loop alone, without the model reset and repaint.
void ListFilterMatching(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    Page& page = ThePage();
    page.list.SetFilterCaseInsensitive(0, c.caseFolding);
    page.list.SetFilterText(0, QString::fromLatin1(c.pattern));
    QApplication::processEvents();
    int matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const VolumeLike& v : Volumes()) {
            if (page.list.FilterMatchesText(0, "%s", v.volume) &&
                page.list.FilterMatchesText(1, "%s", v.repository) &&
                page.list.FilterMatchesDate(2, v.moveDate) &&
                page.list.FilterMatchesText(3, "%s", v.description))
                ++matched;
        }
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = matched;
    state.SetLabel(c.pattern);
    page.list.SetFilterText(0, QString());
}

// The list's matcher alone: the pattern compiled once, over the same
// identifiers as the bare fnmatch.
void CompiledMatcher(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const CZELVFilter filter(QString::fromLatin1(c.pattern));
    const unsigned flags = c.caseFolding ? CZELVFilter::kCaseFold : 0;
    const std::vector<VolumeLike>& volumes = Volumes();
    int matched = 0;
    for (auto _ : state) {
        matched = 0;
        for (const VolumeLike& v : volumes)
            matched += filter.MatchesUtf8(v.volume, flags);
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = matched;
    state.SetLabel(c.pattern);
}

BENCHMARK(BareFnmatch)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(CompiledMatcher)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(ListFilterMatching)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(ListFilterKeystroke)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Prints, after the usual table, each case against the bare fnmatch of the
// same run (medians when repetitions are asked for), CPU and real time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred)
                continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            const std::string name = r.run_name.str();
            if (median || (r.run_type == Run::RT_Iteration && !m_median.count(name))) {
                m_cpu[name] = r.GetAdjustedCPUTime();
                m_real[name] = r.GetAdjustedRealTime();
                if (median)
                    m_median.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nAgainst BareFnmatch (%s):\n", std::setlocale(LC_CTYPE, nullptr));
        for (size_t i = 0; i < std::size(kCases); ++i) {
            const std::string bare = "BareFnmatch/" + std::to_string(i);
            for (const char* what :
                 {"CompiledMatcher", "ListFilterMatching", "ListFilterKeystroke"}) {
                const std::string name = std::string(what) + "/" + std::to_string(i);
                if (!m_cpu.count(name) || !m_cpu.count(bare) || m_cpu[bare] <= 0)
                    continue;
                std::printf(
                    "  %-12s %-20s cpu %8.3f / %8.3f ms = %.2f   real %8.3f / %8.3f ms = %.2f\n",
                    kCases[i].pattern, what, m_cpu[name], m_cpu[bare], m_cpu[name] / m_cpu[bare],
                    m_real[name], m_real[bare], m_real[name] / m_real[bare]);
            }
        }
    }

private:
    std::map<std::string, double> m_cpu;
    std::map<std::string, double> m_real;
    std::set<std::string> m_median;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // also sets the locale fnmatch works in
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    auto page = std::make_unique<Page>();
    g_page = page.get();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_page = nullptr;
    return 0;
}
