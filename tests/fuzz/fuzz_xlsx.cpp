// The .xlsx reader over arbitrary bytes: zip archives, XML parts, shared
// strings, styles and cell references as any file may have them. The limits
// are small so that a run spends its time on shapes, not on size.
#include "FuzzTarget.h"
#include "ZELVXlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ZELVSheetLimits limits;
    limits.maxPartBytes = 4 * 1024 * 1024;
    limits.maxTotalBytes = 8 * 1024 * 1024;
    limits.maxRows = 20000;
    limits.maxCells = 200000;
    ZELVSheet sheet;
    QString error;
    ZELVReadXlsx(bytes, {}, &sheet, &error, limits);
    ZELVReadXlsx(bytes, QStringLiteral("Tapes"), &sheet, &error, limits);
    return 0;
}
