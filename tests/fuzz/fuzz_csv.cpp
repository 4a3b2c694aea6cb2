// The CSV reader over arbitrary bytes, and the import's reading of the first
// row as a header.
#include "FuzzTarget.h"
#include "ZELVCsvReader.h"
#include "ZELVVolumeImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ZELVSheetLimits limits;
    limits.maxRows = 20000;
    limits.maxCells = 200000;
    ZELVSheet sheet;
    QString error;
    if (ZELVReadCsv(bytes, &sheet, &error, limits) && !sheet.rows.empty())
        CZELVVolumeImport::IsHeader(sheet.rows.front().cells);
    return 0;
}
