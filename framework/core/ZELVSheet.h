#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// A table read from a spreadsheet or a CSV file: the rows that hold anything,
// in file order, each with the number the operator sees for it (the sheet's
// row number, or the CSV line on which the record starts). Cells are texts;
// a row stops at its last cell that holds something.
struct ZELVSheetRow {
    int number = 0;
    QStringList cells;
};
struct ZELVSheet {
    std::vector<ZELVSheetRow> rows;
};

// What a file may cost to read. Imported files come from anywhere: a zip
// bomb or a sheet of a million empty-looking rows is refused with a message
// instead of filling the memory.
struct ZELVSheetLimits {
    qint64 maxFileBytes = 256LL * 1024 * 1024;  // the file as it lies on disk
    qint64 maxPartBytes = 512LL * 1024 * 1024;  // one .xlsx part, uncompressed
    qint64 maxTotalBytes = 768LL * 1024 * 1024; // all parts read, uncompressed
    int maxRows = 1048576;                      // Excel's own limit
    int maxColumns = 16384;                     // column XFD
    qint64 maxCells = 32LL * 1024 * 1024;       // cells kept, empty ones included
};

// Reads the file: an .xlsx workbook (by its zip signature, whatever its name)
// or else a CSV file. sheetName picks a worksheet of a workbook (empty: the
// first). False with a message naming the file and the place when it cannot
// be used.
bool ZELVReadSheetFile(const QString& path, const QString& sheetName, ZELVSheet* out,
                       QString* error, const ZELVSheetLimits& limits = {});
