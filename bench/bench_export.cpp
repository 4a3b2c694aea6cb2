// List export through the list control, beside the bare cost of writing the
// same bytes: CSV of 100,000 selected rows against one fwrite of the file
// the export wrote; PDF of 10,000 rows (a QR code on each of its pages).
// Everything the operator waits for after the save dialog is inside the
// export figures: the selected rows gathered from the owner's records, the
// writer, the temporary file and its rename.
#include "ZELVDate.h"
#include "ZELVListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kCsvRows = 100000;
constexpr int kPdfRows = 10000;

// Fixed fields as the server's records keep them.
struct VolumeLike {
    char volume[20];
    char repository[5];
    CZELVDate moveDate;
    unsigned scans;
    char description[41];
};

// Rows whose owner gives only texts: every cell becomes a QString.
class VolumeTexts : public CZELVPointerRows<const VolumeLike> {
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
        case 3:
            return FormatCount(v->scans);
        default:
            return QString::fromLatin1(v->description);
        }
    }
};

// The same rows from an owner that writes its fixed fields as bytes, the
// texts built from them.
class VolumeRows : public VolumeTexts {
public:
    void AppendUtf8(int row, int column, std::string& out) const override {
        const VolumeLike* v = At(row);
        switch (column) {
        case 0:
            out += v->volume;
            break;
        case 1:
            out += v->repository;
            break;
        case 2:
            AppendISODate(out, v->moveDate);
            break;
        case 3:
            AppendCount(out, v->scans);
            break;
        default:
            out += v->description;
        }
    }
    QString Text(int row, int column) const override {
        std::string text;
        AppendUtf8(row, column, text);
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
};

// Answers the save dialog with a fixed path and opens nothing.
class FixedPath : public IZELVExportUi {
public:
    QString path;
    bool ChooseType(const ZELVExportTypeRequest&, int*, bool*) override { return false; }
    QString ChooseSavePath(QWidget*, int) override { return path; }
    bool ChoosePdfOptions(QWidget*, ZELVExportPDFOptions*) override { return true; }
    bool Launch(const ZELVCommand&) override { return false; }
};

template <class Rows> struct Fixture {
    QTemporaryDir dir;
    std::vector<VolumeLike> volumes;
    Rows rows;
    FixedPath ui;
    CZELVListCtrl list;

    explicit Fixture(int count) : volumes(size_t(count)) {
        for (int i = 0; i < count; ++i) {
            VolumeLike& v = volumes[size_t(i)];
            std::snprintf(v.volume, sizeof v.volume, "ACME.LTO.V%06d", i);
            std::snprintf(v.repository, sizeof v.repository, "%s", i % 3 ? "VLT1" : "HOME");
            v.moveDate.SetDate(2026, 1 + i % 12, 1 + i % 28);
            v.scans = unsigned(i * 37 % 100000);
            // Every tenth description needs quoting in CSV.
            std::snprintf(v.description, sizeof v.description,
                          i % 10 ? "Weekly backup set %d" : "Rack %d, shelf \"B\"", i % 997);
            rows.Pointers().push_back(&v);
        }
        list.InsertColumn(0, QStringLiteral("Volume-ID"), 120);
        list.InsertColumn(1, QStringLiteral("Location"), 60);
        list.InsertColumn(2, QStringLiteral("Next Move"), 90);
        list.InsertColumn(3, QStringLiteral("Scans"), 60, Qt::AlignRight);
        list.InsertColumn(4, QStringLiteral("Description"), 200);
        list.SetRows(&rows);
        list.Reload();
        list.SelectAll();
        list.SetExportUi(&ui);
        list.SetReportLogo(QStringLiteral("/nonexistent")); // no logo: same work every run
    }
};

Fixture<VolumeRows>* g_csv = nullptr;
Fixture<VolumeTexts>* g_texts = nullptr; // the same rows through Text() only
Fixture<VolumeRows>* g_pdf = nullptr;
QByteArray g_csvBytes; // what the CSV export writes, for the bare baseline

void BareFwrite(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(g_csv->dir.filePath(QStringLiteral("bare.csv")));
    for (auto _ : state) {
        FILE* f = std::fopen(path.constData(), "wb");
        std::fwrite(g_csvBytes.constData(), 1, size_t(g_csvBytes.size()), f);
        std::fclose(f);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_csvBytes.size());
}

void ListExportCSV(benchmark::State& state) {
    for (auto _ : state) {
        if (!g_csv->list.ExportCSV(ZELVExport::OpenNever))
            state.SkipWithError("the CSV export failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_csvBytes.size());
}

// An owner without the byte path: each cell made as a QString first.
void ListExportCSVFromTexts(benchmark::State& state) {
    for (auto _ : state) {
        if (!g_texts->list.ExportCSV(ZELVExport::OpenNever))
            state.SkipWithError("the CSV export failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_csvBytes.size());
}

// The parts of the CSV export, to see where its time goes: the selected
// cells read from the owner's records through the list, and the writer alone
// over cells already read.
void GatherCells(benchmark::State& state) {
    for (auto _ : state) {
        ZELVExportTable table = g_csv->list.ExportTable(false);
        benchmark::DoNotOptimize(table.rows.data());
    }
}

// The floor under any export through the list: the owner's texts of every
// selected cell, made and thrown away.
void OwnerTexts(benchmark::State& state) {
    const CZELVListRows& rows = g_texts->rows;
    for (auto _ : state) {
        qsizetype total = 0;
        for (int row = 0; row < kCsvRows; ++row)
            for (int column = 0; column < 5; ++column)
                total += rows.Text(row, column).size();
        benchmark::DoNotOptimize(total);
    }
}

void WriteCSVOnly(benchmark::State& state) {
    const ZELVExportTable table = g_csv->list.ExportTable(false);
    const QString path = g_csv->dir.filePath(QStringLiteral("writer.csv"));
    for (auto _ : state) {
        bool written = false;
        ZELVExport::ToFile(ZELVExport::TypeCSV, table, path, &written);
        if (!written)
            state.SkipWithError("the CSV writer failed");
    }
}

void ListExportPDF(benchmark::State& state) {
    for (auto _ : state) {
        if (!g_pdf->list.ExportPDF(QStringLiteral("Volume List"), ZELVExport::OpenNever))
            state.SkipWithError("the PDF export failed");
    }
}

BENCHMARK(BareFwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(ListExportCSV)->Unit(benchmark::kMillisecond);
BENCHMARK(ListExportCSVFromTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(OwnerTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(GatherCells)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteCSVOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(ListExportPDF)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    auto csv = std::make_unique<Fixture<VolumeRows>>(kCsvRows);
    auto texts = std::make_unique<Fixture<VolumeTexts>>(kCsvRows);
    auto pdf = std::make_unique<Fixture<VolumeRows>>(kPdfRows);
    csv->ui.path = csv->dir.filePath(QStringLiteral("export.csv"));
    texts->ui.path = texts->dir.filePath(QStringLiteral("export.csv"));
    pdf->ui.path = pdf->dir.filePath(QStringLiteral("export.pdf"));
    g_csv = csv.get();
    g_texts = texts.get();
    g_pdf = pdf.get();
    if (!csv->list.ExportCSV(ZELVExport::OpenNever)) {
        std::fprintf(stderr, "bench_export: the CSV export failed\n");
        return 1;
    }
    QFile written(csv->ui.path);
    written.open(QIODevice::ReadOnly);
    g_csvBytes = written.readAll();
    // Both owners must write the same file, or the figures compare nothing.
    if (!texts->list.ExportCSV(ZELVExport::OpenNever)) {
        std::fprintf(stderr, "bench_export: the CSV export from texts failed\n");
        return 1;
    }
    QFile fromTexts(texts->ui.path);
    fromTexts.open(QIODevice::ReadOnly);
    if (fromTexts.readAll() != g_csvBytes) {
        std::fprintf(stderr, "bench_export: the two owners wrote different files\n");
        return 1;
    }
    std::printf("CSV file: %lld bytes, %d rows\n", static_cast<long long>(g_csvBytes.size()),
                kCsvRows);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_csv = g_pdf = nullptr;
    g_texts = nullptr;
    return 0;
}
