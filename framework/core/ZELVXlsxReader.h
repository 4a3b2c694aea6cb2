#pragma once

#include "ZELVSheet.h"

// One worksheet of an .xlsx workbook (Office Open XML): the first one, or the
// one named sheetName. Shared and inline strings, numbers (integral ones
// without a decimal point), booleans as TRUE/FALSE, and numbers whose cell
// style is a date format as yyyy-MM-dd (with " HH:mm:ss" when they hold a
// time). Formulas give their cached value. Cells and rows left out of the
// file stay empty. Each part is read against the limits before it is parsed.
bool ZELVReadXlsx(const QByteArray& bytes, const QString& sheetName, ZELVSheet* out, QString* error,
                  const ZELVSheetLimits& limits = {});

// Whether the bytes start like a zip archive (an .xlsx workbook).
bool ZELVLooksLikeZip(const QByteArray& bytes);
