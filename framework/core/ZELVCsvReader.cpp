#include "ZELVCsvReader.h"

#include "ZELVXlsxReader.h"

#include <QFile>
#include <QFileInfo>

qsizetype ZELVFirstNonUtf8(const char* text, qsizetype size) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned char lo = 0x80, hi = 0xBF; // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return i;
        }
        if (size - i <= more || s[i + 1] < lo || s[i + 1] > hi)
            return i;
        for (int k = 2; k <= more; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return i;
        i += more + 1;
    }
    return -1;
}

namespace {

// The line (1-based) and the position in it of byte `at`.
void LineOf(const QByteArray& bytes, qsizetype at, int* line, qsizetype* column) {
    int n = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < at; ++i) {
        const char c = bytes.at(i);
        if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes.at(i + 1) != '\n'))) {
            ++n;
            start = i + 1;
        }
    }
    *line = n;
    *column = at - start + 1;
}

// The separator the first line uses more often outside quotes; a comma on a tie.
char Separator(const QByteArray& bytes) {
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (const char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

} // namespace

bool ZELVReadCsv(const QByteArray& input, ZELVSheet* out, QString* error,
                 const ZELVSheetLimits& limits) {
    if (input.size() > limits.maxFileBytes) {
        *error = QStringLiteral("the file is larger than %1 bytes").arg(limits.maxFileBytes);
        return false;
    }
    const QByteArray bytes = input.startsWith("\xEF\xBB\xBF") ? input.mid(3) : input;
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        int line;
        qsizetype column;
        LineOf(bytes, nul, &line, &column);
        *error = QStringLiteral("line %1: contains a NUL byte").arg(line);
        return false;
    }
    if (const qsizetype bad = ZELVFirstNonUtf8(bytes.constData(), bytes.size()); bad >= 0) {
        int line;
        qsizetype column;
        LineOf(bytes, bad, &line, &column);
        *error = QString::asprintf(
            "line %d: not UTF-8 text (byte 0x%02X at position %lld); save the file as UTF-8", line,
            static_cast<unsigned char>(bytes.at(bad)), static_cast<long long>(column));
        return false;
    }
    const char separator = Separator(bytes);
    ZELVSheet sheet;
    ZELVSheetRow row;
    QByteArray field;
    qint64 cells = 0;
    int line = 1;
    bool quoted = false;
    int quoteLine = 0;
    row.number = 1;
    auto endField = [&]() {
        row.cells.append(QString::fromUtf8(field));
        field.clear();
    };
    auto endRow = [&]() -> bool {
        endField();
        while (!row.cells.isEmpty() && row.cells.last().isEmpty())
            row.cells.removeLast();
        if (!row.cells.isEmpty()) {
            if (int(sheet.rows.size()) >= limits.maxRows) {
                *error = QStringLiteral("line %1: more than %2 rows")
                             .arg(row.number)
                             .arg(limits.maxRows);
                return false;
            }
            if (row.cells.size() > limits.maxColumns) {
                *error = QStringLiteral("line %1: more than %2 columns")
                             .arg(row.number)
                             .arg(limits.maxColumns);
                return false;
            }
            cells += row.cells.size();
            if (cells > limits.maxCells) {
                *error = QStringLiteral("line %1: more than %2 cells in all")
                             .arg(row.number)
                             .arg(limits.maxCells);
                return false;
            }
            sheet.rows.push_back(std::move(row));
        }
        row = ZELVSheetRow();
        return true;
    };
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (quoted) {
            if (c == '"') {
                if (i + 1 < size && bytes.at(i + 1) == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (i + 1 >= size || bytes.at(i + 1) != '\n')))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == '"') {
            // A quote opens a quoted part anywhere in a field; RFC 4180 wants it
            // first, but spreadsheets read ab"c,d"e the same way.
            quoted = true;
            quoteLine = line;
        } else if (c == separator) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
                ++i;
            if (!endRow())
                return false;
            ++line;
            row.number = line;
        } else {
            field += c;
        }
    }
    if (quoted) {
        *error = QStringLiteral("line %1: a quoted field is not closed").arg(quoteLine);
        return false;
    }
    if (!field.isEmpty() || !row.cells.isEmpty())
        if (!endRow())
            return false;
    *out = std::move(sheet);
    return true;
}

bool ZELVReadSheetFile(const QString& path, const QString& sheetName, ZELVSheet* out,
                       QString* error, const ZELVSheetLimits& limits) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > limits.maxFileBytes) {
        *error = QStringLiteral("%1: the file is larger than %2 bytes")
                     .arg(name)
                     .arg(limits.maxFileBytes);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QString why;
    const bool ok = ZELVLooksLikeZip(bytes) ? ZELVReadXlsx(bytes, sheetName, out, &why, limits)
                                            : ZELVReadCsv(bytes, out, &why, limits);
    if (!ok)
        *error = name + QStringLiteral(": ") + why;
    return ok;
}
