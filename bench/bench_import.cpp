// Importing a workbook of 100,000 Volumes into a fresh embedded database:
// reading the .xlsx, checking every row against the server, and the whole
// import (read, check, one transaction), beside the bare AddVolumes of the
// same rows that the import ends in.
//   bench_import [benchmark options]
#include "ZELV10MFC.h"
#include "ZELVCsvReader.h"
#include "ZELVVolumeImport.h"
#include "ZELVXlsxReader.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <xlsxwriter.h>

namespace {

constexpr int kRows = 100000;
QTemporaryDir* g_dir = nullptr;
QString g_book;

bool WriteBook() {
    g_book = g_dir->filePath(QStringLiteral("volumes.xlsx"));
    lxw_workbook* wb = workbook_new(g_book.toUtf8().constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Volumes");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    const char* header[] = {"Volume",     "Customer",    "Media Type",
                            "Repository", "Description", "Next Move date"};
    for (int c = 0; c < 6; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), header[c], nullptr);
    for (int r = 1; r <= kRows; ++r) {
        const QByteArray v = QStringLiteral("V%1").arg(r, 7, 10, QLatin1Char('0')).toUtf8();
        worksheet_write_string(ws, lxw_row_t(r), 0, v.constData(), nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 1, "ACME", nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 2, "LTO6", nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 3, "VLT1", nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 4, "Monthly payroll", nullptr);
        lxw_datetime d = {2031, 1 + r % 12, 1 + r % 28, 0, 0, 0};
        worksheet_write_datetime(ws, lxw_row_t(r), 5, &d, date);
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

// A fresh database with the Customer, Media Type and Repository the rows name.
std::unique_ptr<CZELV10MFC> FreshServer(int n) {
    auto mfc = std::make_unique<CZELV10MFC>();
    ZELVServerAddress a;
    a.filePath = g_dir->filePath(QStringLiteral("db%1.db").arg(n));
    a.password = QStringLiteral("bench owner pass");
    mfc->SetServerAddress(a);
    if (!mfc->Logon(1 | CZELV10MFC::kLogonCreateOwner).IsOK())
        return nullptr;
    ZELVCUSTEx c;
    c.customerId = "ACME";
    ZELVMEDIAEx m;
    m.customerId = "ACME";
    m.mediaId = "LTO6";
    ZELVREPOSITORY r;
    r.repositoryId = "VLT1";
    if (!mfc->Add(c).IsOK() || !mfc->Add(m).IsOK() || !mfc->Add(r).IsOK())
        return nullptr;
    return mfc;
}

int g_serial = 0;

void ReadWorkbook(benchmark::State& state) {
    for (auto _ : state) {
        ZELVSheet sheet;
        QString error;
        if (!ZELVReadSheetFile(g_book, {}, &sheet, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        benchmark::DoNotOptimize(sheet.rows.size());
    }
}

void CheckRows(benchmark::State& state) {
    auto mfc = FreshServer(++g_serial);
    ZELVSheet sheet;
    QString error;
    if (!mfc || !ZELVReadSheetFile(g_book, {}, &sheet, &error)) {
        state.SkipWithError("setup");
        return;
    }
    for (auto _ : state) {
        CZELVVolumeImport import(*mfc);
        if (!import.Check(sheet)) {
            state.SkipWithError("check");
            break;
        }
    }
}

// The rows as the import hands them to the server, added directly.
void BareAddVolumes(benchmark::State& state) {
    ZELVSheet sheet;
    QString error;
    std::vector<CZELVVolumeImport::Row> rows;
    {
        auto mfc = FreshServer(++g_serial);
        if (!mfc || !ZELVReadSheetFile(g_book, {}, &sheet, &error)) {
            state.SkipWithError("setup");
            return;
        }
        CZELVVolumeImport import(*mfc);
        if (!import.Check(sheet)) {
            state.SkipWithError("check");
            return;
        }
        rows = import.Rows();
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto mfc = FreshServer(++g_serial);
        state.ResumeTiming();
        size_t i = 0;
        const CZELV10RC rc = mfc->AddVolumes([&](ZELVVOLSEx* v, QString* d) {
            if (i >= rows.size())
                return false;
            *v = rows[i].volume;
            *d = rows[i].description;
            ++i;
            return true;
        });
        if (!rc.IsOK()) {
            state.SkipWithError(qPrintable(rc.Get()));
            break;
        }
    }
}

void WholeImport(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto mfc = FreshServer(++g_serial);
        state.ResumeTiming();
        ZELVSheet sheet;
        QString error;
        CZELVVolumeImport import(*mfc);
        uint64_t added = 0;
        if (!ZELVReadSheetFile(g_book, {}, &sheet, &error) || !import.Check(sheet) ||
            !import.Import(&added).IsOK() || added != kRows) {
            state.SkipWithError("import");
            break;
        }
    }
}

BENCHMARK(ReadWorkbook)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CheckRows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BareAddVolumes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WholeImport)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    if (!WriteBook()) {
        fprintf(stderr, "bench_import: cannot write the workbook\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
