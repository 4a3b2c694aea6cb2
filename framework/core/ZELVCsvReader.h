#pragma once

#include "ZELVSheet.h"

// CSV as RFC 4180 writes it: fields separated by commas or semicolons (the
// one the first line uses more often outside quotes), double quotes around
// a field that holds separators, quotes or line breaks, a doubled quote for
// a quote inside one; CR, LF or CR LF end a record. UTF-8 with or without a
// byte order mark; anything else is refused with a message naming the line.
// Empty lines are skipped. Cells keep their spaces.
bool ZELVReadCsv(const QByteArray& bytes, ZELVSheet* out, QString* error,
                 const ZELVSheetLimits& limits = {});

// Where the first byte lies that is not part of well-formed UTF-8 (no
// overlong forms, no surrogates, nothing beyond U+10FFFF); -1 when all is.
qsizetype ZELVFirstNonUtf8(const char* text, qsizetype size);
