#include "ZELVExport.h"

#include "ZELVReport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <cstring>
#include <functional>
#include <xlsxwriter.h>
#include <zlib.h>

bool ZELVExportTable::IsExcluded(int column) const {
    return column >= 0 && column < static_cast<int>(excluded.size()) &&
           excluded[static_cast<size_t>(column)];
}

int ZELVExportTable::Flags(int column) const {
    return column >= 0 && column < static_cast<int>(flags.size())
               ? flags[static_cast<size_t>(column)]
               : 0;
}

int ZELVExportTable::Width(int column) const {
    if (column >= 0 && column < static_cast<int>(widths.size()))
        return widths[static_cast<size_t>(column)];
    int w = static_cast<int>(headings.value(column).size());
    for (const QStringList& row : rows)
        w = std::max(w, static_cast<int>(row.value(column).size()));
    return w;
}

namespace {

struct TypeInfo {
    int type;
    const char* name;
    const char* filter;
    const char* text;
};

// Spreadsheets are real .xlsx workbooks, so they carry that name.
constexpr TypeInfo kTypes[] = {
    {ZELVExport::TypeCSV, "Kelmar CSV Export.csv", "CSV File (*.csv)", "CSV"},
    {ZELVExport::TypeText, "Kelmar Text Export.txt", "Text File (*.txt)", "Text"},
    {ZELVExport::TypeXML, "Kelmar XML Export.xml", "XML File (*.xml)", "XML"},
    {ZELVExport::TypeSpreadsheet, "Kelmar Excel Export.xlsx", "Microsoft Excel File (*.xlsx)",
     "XLSX"},
    {ZELVExport::TypePDF, "Kelmar Export.pdf", "Adobe PDF File (*.pdf)", "Adobe PDF"},
};

const TypeInfo* Info(int type) {
    for (const TypeInfo& t : kTypes)
        if (t.type == type)
            return &t;
    return nullptr;
}

bool HasRows(const ZELVExportTable& table) {
    return table.Columns() > 0 && !table.rows.empty();
}

// Fills a report with the table's visible columns and rows.
void FillReport(ZELVReport& report, const ZELVExportTable& table, const QString& title,
                const QString& notes) {
    std::vector<int> visible;
    for (int c = 0; c < table.Columns(); ++c) {
        if (table.IsExcluded(c))
            continue;
        // Grouping digits lengthens numbers; widen so that none is cut.
        int width = table.Width(c);
        if (table.Flags(c) & ZELVReport::ColumnNumeric)
            for (const QStringList& row : table.rows)
                width =
                    std::max(width, static_cast<int>(ZELVReport::GroupDigits(row.value(c)).size()));
        if (!report.AddReportColumn(width, table.headings[c], table.Flags(c)))
            break;
        visible.push_back(c);
    }
    report.BeginReport({}, title, notes);
    QStringList fields;
    for (const QStringList& row : table.rows) {
        fields.clear();
        for (int c : visible)
            fields << row.value(c);
        report.AddReportFields(fields);
    }
    report.EndReport();
}

} // namespace

QString ZELVExport::DefaultName(int type) {
    const TypeInfo* t = Info(type);
    return t ? QString::fromUtf8(t->name) : QString();
}

QString ZELVExport::Filter(int type) {
    const TypeInfo* t = Info(type);
    return t ? QString::fromUtf8(t->filter) : QString();
}

QString ZELVExport::TypeName(int type) {
    const TypeInfo* t = Info(type);
    return t ? QString::fromUtf8(t->text) : QString();
}

QString ZELVExport::CSVField(const QString& cell) {
    bool quote = false;
    for (const QChar c : cell)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            quote = true;
            break;
        }
    if (!quote)
        return cell;
    QString out;
    out.reserve(cell.size() + 8);
    out += QLatin1Char('"');
    for (const QChar c : cell) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

namespace {

// Bytes gathered for the device and handed over in large pieces.
class ByteSink {
public:
    explicit ByteSink(QIODevice& out) : m_out(out), m_buffer(kSize) {}

    void Put(char c) {
        if (m_used == kSize)
            Flush();
        m_buffer[m_used++] = c;
    }
    void PutBytes(const QByteArray& bytes) {
        if (m_used + bytes.size() > kSize)
            Flush();
        if (bytes.size() > kSize) {
            m_ok = m_ok && m_out.write(bytes) == bytes.size();
            return;
        }
        std::memcpy(m_buffer.data() + m_used, bytes.constData(), static_cast<size_t>(bytes.size()));
        m_used += bytes.size();
    }
    bool Flush() {
        if (m_used)
            m_ok = m_ok && m_out.write(m_buffer.data(), m_used) == m_used;
        m_used = 0;
        return m_ok;
    }
    bool Ok() const { return m_ok; }

private:
    static constexpr qsizetype kSize = 1 << 20;
    QIODevice& m_out;
    std::vector<char> m_buffer;
    qsizetype m_used = 0;
    bool m_ok = true;
};

} // namespace

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;

// The high bit of each byte of word that is zero, and only of those.
constexpr uint64_t ZeroBytes(uint64_t word) {
    constexpr uint64_t low7 = kOnes * 0x7F;
    return ~(((word & low7) + low7) | word | low7);
}

// How the bytes stand for CSV: the commas counted, and whether any quote or
// line break is among them. UTF-8 continuation bytes never look like those.
struct Specials {
    size_t commas = 0;
    bool other = false;
};

Specials Scan(const char* p, size_t n) {
    Specials found;
    size_t i = 0;
    // Eight bytes at a time: every exported byte passes here once.
    uint64_t other = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        // One per comma byte, summed into the top byte by the multiply.
        found.commas += size_t(((ZeroBytes(word ^ (kOnes * ',')) >> 7) * kOnes) >> 56);
        other |= ZeroBytes(word ^ (kOnes * '"')) | ZeroBytes(word ^ (kOnes * '\n')) |
                 ZeroBytes(word ^ (kOnes * '\r'));
    }
    for (; i < n; ++i) {
        found.commas += p[i] == ',';
        other |= p[i] == '"' || p[i] == '\n' || p[i] == '\r';
    }
    found.other = other != 0;
    return found;
}

// Quotes the field that starts at start in out when it holds a comma, a
// quote or a line break. UTF-8 continuation bytes never look like those.
void QuoteFrom(std::string& out, size_t start) {
    const Specials found = Scan(out.data() + start, out.size() - start);
    if (found.commas == 0 && !found.other)
        return;
    const std::string field = out.substr(start);
    out.resize(start);
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

class TableCells : public ZELVExportCells {
public:
    explicit TableCells(const ZELVExportTable& table) : m_table(table) {}
    int Rows() const override { return static_cast<int>(m_table.rows.size()); }
    void AppendCell(int row, int column, std::string& out) const override {
        const QStringList& cells = m_table.rows[static_cast<size_t>(row)];
        if (column < cells.size()) {
            const QByteArray utf8 = cells[column].toUtf8();
            out.append(utf8.constData(), static_cast<size_t>(utf8.size()));
        }
    }

private:
    const ZELVExportTable& m_table;
};

// Writes a file whole or not at all: nothing replaces the target until
// every byte is down. write returns false when it wrote nothing usable.
QString SaveWhole(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString::fromUtf8(ZELVExport::kOpenFailed);
    if (write(file) && file.commit())
        return {};
    file.cancelWriting();
    QString error = QString::fromUtf8(ZELVExport::kWriteFailed);
    if (file.errorString().size())
        error += QStringLiteral(": ") + file.errorString();
    return error;
}

} // namespace

bool ZELVExport::WriteCSV(const ZELVExportTable& table, QIODevice& out) {
    if (!HasRows(table))
        return false;
    return WriteCSV(table.headings, TableCells(table), out);
}

bool ZELVExport::WriteCSV(const QStringList& headings, const ZELVExportCells& cells,
                          QIODevice& out) {
    const int columns = static_cast<int>(headings.size());
    const int rows = cells.Rows();
    if (columns == 0 || rows <= 0)
        return false;
    // Rows gather in one buffer handed to the device in large pieces.
    constexpr size_t kChunk = size_t(1) << 20;
    std::string buffer;
    buffer.reserve(kChunk + 64 * 1024);
    bool ok = true;
    const auto flush = [&] {
        if (!buffer.empty())
            ok = ok && out.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                           static_cast<qint64>(buffer.size());
        buffer.clear();
    };
    for (int c = 0; c < columns; ++c) {
        if (c)
            buffer += ',';
        const size_t start = buffer.size();
        const QByteArray heading = headings[c].left(ZELVReport::kMaxHeading).toUtf8();
        buffer.append(heading.constData(), static_cast<size_t>(heading.size()));
        QuoteFrom(buffer, start);
    }
    // A row is written plainly, then scanned once: only the separators'
    // commas and nothing else special means no cell needs quotes. Otherwise
    // its cells are written again, each quoted as it needs.
    std::vector<size_t> starts(size_t(columns) + 1);
    std::string plain;
    for (int row = 0; row < rows && ok; ++row) {
        buffer += "\r\n";
        const size_t rowStart = buffer.size();
        for (int c = 0; c < columns; ++c) {
            if (c)
                buffer += ',';
            starts[size_t(c)] = buffer.size();
            cells.AppendCell(row, c, buffer);
        }
        starts[size_t(columns)] = buffer.size() + 1; // as if a separator followed
        const Specials found = Scan(buffer.data() + rowStart, buffer.size() - rowStart);
        if (found.other || found.commas != size_t(columns - 1)) {
            plain.assign(buffer, rowStart);
            buffer.resize(rowStart);
            for (int c = 0; c < columns; ++c) {
                if (c)
                    buffer += ',';
                const size_t start = buffer.size();
                const size_t from = starts[size_t(c)] - rowStart;
                buffer.append(plain, from, starts[size_t(c) + 1] - 1 - rowStart - from);
                QuoteFrom(buffer, start);
            }
        }
        if (buffer.size() >= kChunk)
            flush();
    }
    flush();
    return ok;
}

QString ZELVExport::CSVToFile(const QStringList& headings, const ZELVExportCells& cells,
                              const QString& path, bool* written) {
    if (written)
        *written = false;
    if (headings.isEmpty() || cells.Rows() <= 0)
        return {};
    const QString error =
        SaveWhole(path, [&](QIODevice& file) { return WriteCSV(headings, cells, file); });
    if (written)
        *written = error.isEmpty();
    return error;
}

QString ZELVExport::ElementName(const QString& heading) {
    QString name = heading;
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && (c.unicode() < 0x80 || c.isLetter())))
            c = QLatin1Char('_');
    // XML names may not begin with a digit or be empty.
    if (name.isEmpty() || name.front().isDigit())
        name.prepend(QLatin1Char('_'));
    return name;
}

bool ZELVExport::WriteXML(const ZELVExportTable& table, QIODevice& out) {
    if (!HasRows(table))
        return false;
    QStringList names;
    for (const QString& h : table.headings)
        names << ElementName(h);
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ZELVXML>\r\n");
    bool ok = true;
    for (const QStringList& row : table.rows) {
        text += QLatin1String("<record>\r\n");
        for (int c = 0; c < table.Columns(); ++c) {
            QString cell = row.value(c);
            // XML 1.0 has no way to hold most control characters, not even in
            // CDATA; they become U+FFFD so that every reader still takes the file.
            for (QChar& ch : cell)
                if (ch.unicode() < 0x20 && ch != QLatin1Char('\t') && ch != QLatin1Char('\n') &&
                    ch != QLatin1Char('\r'))
                    ch = QChar(QChar::ReplacementCharacter);
            // "]]>" would end the section early; split it across two sections.
            cell.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
            text += QLatin1String("\t<") + names[c] + QLatin1String("><![CDATA[") + cell +
                    QLatin1String("]]></") + names[c] + QLatin1String(">\r\n");
        }
        text += QLatin1String("</record>\r\n");
        if (text.size() > (1 << 18)) {
            const QByteArray bytes = text.toUtf8();
            ok = ok && out.write(bytes) == bytes.size();
            text.clear();
        }
    }
    text += QLatin1String("</ZELVXML>\r\n");
    const QByteArray bytes = text.toUtf8();
    return ok && out.write(bytes) == bytes.size();
}

bool ZELVExport::WriteText(const ZELVExportTable& table, const QString& title, const QString& notes,
                           QIODevice& out, const ZELVClock& clock) {
    if (!HasRows(table))
        return false;
    ZELVReport report(clock);
    report.CreateReport();
    if (report.GetFormat() == ZELVReport::FormatPDF)
        report.SetOutputPath({});
    report.SetOutput(&out);
    FillReport(report, table, title, notes);
    return report.CloseReport() == 0;
}

int ZELVExport::WritePDF(const ZELVExportTable& table, const QString& title, const QString& notes,
                         const ZELVExportPDFOptions& options, QIODevice& out,
                         const ZELVClock& clock) {
    if (!HasRows(table))
        return -1;
    ZELVReport report(clock);
    report.CreateReport();
    report.SetFormat(ZELVReport::FormatPDF);
    report.SetOrientation(options.orientation);
    report.SetPageSize(options.pageSize);
    report.SetOutputPath({});
    report.SetOutput(&out);
    if (!options.logo.isEmpty())
        report.SetLogo(options.logo);
    report.SetHiddenColumns(options.exclusion);
    FillReport(report, table, title, notes);
    return report.CloseReport();
}

namespace {

quint32 Le(const QByteArray& b, qsizetype at, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | quint8(b[at + i]);
    return v;
}

// libxlsxwriter does not notice writes that failed (a full disk): it can
// call a workbook finished whose sheet lost its rows. A workbook is taken
// only when its zip directory accounts for every byte and its sheet, read
// back, ends properly and holds the last row.
bool WorkbookComplete(const QString& path, int lastRow) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray zip = f.readAll();
    const qsizetype eocd = zip.size() - 22;
    if (eocd < 0 || Le(zip, eocd, 4) != 0x06054b50u ||
        qint64(Le(zip, eocd + 12, 4)) + Le(zip, eocd + 16, 4) != eocd)
        return false;
    const QByteArray wanted("xl/worksheets/sheet1.xml");
    for (qsizetype at = Le(zip, eocd + 16, 4); at + 46 <= eocd;) {
        if (Le(zip, at, 4) != 0x02014b50u)
            return false;
        const quint32 method = Le(zip, at + 10, 2), packed = Le(zip, at + 20, 4),
                      size = Le(zip, at + 24, 4), nameLength = Le(zip, at + 28, 2),
                      local = Le(zip, at + 42, 4);
        const qsizetype next = at + 46 + nameLength + Le(zip, at + 30, 2) + Le(zip, at + 32, 2);
        if (zip.mid(at + 46, nameLength) != wanted) {
            at = next;
            continue;
        }
        if (qsizetype(local) + 30 > eocd)
            return false;
        const qsizetype data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        if (data + qsizetype(packed) > eocd)
            return false;
        QByteArray sheet(qsizetype(size), Qt::Uninitialized);
        if (method == 0) {
            sheet = zip.mid(data, packed);
        } else {
            z_stream z{};
            if (method != 8 || inflateInit2(&z, -MAX_WBITS) != Z_OK)
                return false;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.constData() + data));
            z.avail_in = packed;
            z.next_out = reinterpret_cast<Bytef*>(sheet.data());
            z.avail_out = size;
            const int r = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (r != Z_STREAM_END || z.total_out != size)
                return false;
        }
        return sheet.trimmed().endsWith("</worksheet>") &&
               (lastRow == 0 ||
                sheet.contains(
                    QByteArray("<row r=\"").append(QByteArray::number(lastRow)).append('"')));
    }
    return false;
}

// libxlsxwriter writes to a file name only: the workbook goes to a hidden
// temporary file beside the target and replaces it when finished.
QString WriteSpreadsheet(const ZELVExportTable& table, const QString& path) {
    const QFileInfo target(path);
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral(".kelmar-XXXXXX.xlsx")));
    if (!temp.open())
        return QString::fromUtf8(ZELVExport::kOpenFailed);
    temp.close();
    const QByteArray name = QFile::encodeName(temp.fileName());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray tmpdir = QFile::encodeName(target.absolutePath());
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    lxw_workbook* book = workbook_new_opt(name.constData(), &options);
    if (!book)
        return QString::fromUtf8(ZELVExport::kOpenFailed);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Export");
    lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    // Rows without text are not stored; the check looks for the last one with some.
    int lastRow = 0;
    auto cell = [&](lxw_row_t r, int c, const QString& text) {
        if (error != LXW_NO_ERROR || text.isEmpty())
            return;
        lastRow = static_cast<int>(r) + 1;
        error = worksheet_write_string(sheet, r, static_cast<lxw_col_t>(c),
                                       text.toUtf8().constData(), nullptr);
    };
    for (int c = 0; c < table.Columns(); ++c)
        cell(0, c, table.headings[c]);
    lxw_row_t r = 1;
    for (const QStringList& row : table.rows) {
        for (int c = 0; c < table.Columns(); ++c)
            cell(r, c, row.value(c));
        ++r;
    }
    const lxw_error closed = workbook_close(book);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error == LXW_NO_ERROR && !WorkbookComplete(temp.fileName(), lastRow))
        error = LXW_ERROR_ZIP_FILE_OPERATION;
    if (error != LXW_NO_ERROR)
        return QStringLiteral("%1: %2").arg(QString::fromUtf8(ZELVExport::kWriteFailed),
                                            QString::fromUtf8(lxw_strerror(error)));
    if (std::rename(name.constData(), QFile::encodeName(path).constData()) != 0)
        return QString::fromUtf8(ZELVExport::kWriteFailed);
    temp.setAutoRemove(false);
    return {};
}

} // namespace

QString ZELVExport::ToFile(int type, const ZELVExportTable& table, const QString& path,
                           bool* written, const QString& title, const QString& notes,
                           const ZELVExportPDFOptions& pdf, const ZELVClock& clock) {
    if (written)
        *written = false;
    if (!HasRows(table))
        return {};
    QString error;
    if (type == TypeSpreadsheet) {
        error = WriteSpreadsheet(table, path);
    } else {
        int pdfResult = 0;
        error = SaveWhole(path, [&](QIODevice& file) {
            switch (type) {
            case TypeCSV:
                return WriteCSV(table, file);
            case TypeXML:
                return WriteXML(table, file);
            case TypeText:
                return WriteText(table, title, notes, file, clock);
            case TypePDF:
                pdfResult = WritePDF(table, title, notes, pdf, file, clock);
                return pdfResult == 0;
            default:
                return false;
            }
        });
        // The PDF library's result code is the message, not the file's.
        if (pdfResult != 0)
            error = QString::asprintf(kPDFFailed, static_cast<unsigned>(pdfResult));
    }
    if (written)
        *written = error.isEmpty();
    return error;
}

ZELVCommand ZELVExport::MailCommand(const QString& title, const QStringList& recipients,
                                    const QString& attachment) {
    ZELVCommand cmd;
    cmd.program = QStringLiteral("xdg-email");
    cmd.arguments << QStringLiteral("--subject") << QString::fromUtf8(kMailSubject).arg(title)
                  << QStringLiteral("--body") << QString::fromUtf8(kMailBody)
                  << QStringLiteral("--attach") << attachment;
    // Addresses go one by one; one that starts like an option is left out.
    int n = 0;
    for (const QString& r : recipients) {
        if (r.trimmed().isEmpty() || r.startsWith(QLatin1Char('-')))
            continue;
        if (++n > kMaxRecipients)
            break;
        cmd.arguments << r.trimmed();
    }
    return cmd;
}

ZELVCommand ZELVExport::OpenCommand(const QString& path) {
    return {QStringLiteral("xdg-open"), {path}};
}
