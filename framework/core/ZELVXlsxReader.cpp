#include "ZELVXlsxReader.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>
#include <zip.h>

namespace {

// Element and attribute names without their namespace prefix: workbooks
// written by other programs use "x:row" as readily as "row".
const char* Local(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}
bool Is(const pugi::xml_node& node, const char* name) {
    return node.type() == pugi::node_element && std::strcmp(Local(node.name()), name) == 0;
}
pugi::xml_node Child(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (Is(c, name))
            return c;
    return {};
}
QString Attr(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.name(), name) == 0)
            return QString::fromUtf8(a.value());
    return {};
}
// The relationship id: r:id whatever the prefix is called.
QString RelationId(const pugi::xml_node& node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (std::strchr(a.name(), ':') && std::strcmp(Local(a.name()), "id") == 0)
            return QString::fromUtf8(a.value());
    return {};
}

class Archive {
public:
    Archive(const QByteArray& bytes, const ZELVSheetLimits& limits) : m_limits(limits) {
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t* src =
            zip_source_buffer_create(bytes.constData(), size_t(bytes.size()), 0, &err);
        if (src) {
            m_zip = zip_open_from_source(src, ZIP_RDONLY, &err);
            if (!m_zip)
                zip_source_free(src);
        }
        zip_error_fini(&err);
    }
    ~Archive() {
        if (m_zip)
            zip_discard(m_zip);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool IsOpen() const { return m_zip != nullptr; }
    bool Has(const QString& name) const {
        return zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
    }

    // The part, read no further than the limits allow: the sizes the archive
    // claims are checked first, and the bytes that really come out as well.
    bool Read(const QString& name, QByteArray* out, QString* error) {
        const QByteArray utf8 = name.toUtf8();
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(m_zip, utf8.constData(), 0, &st) != 0) {
            *error = QStringLiteral("the workbook has no part %1").arg(name);
            return false;
        }
        const qint64 room = std::min(m_limits.maxPartBytes, m_limits.maxTotalBytes - m_total);
        if ((st.valid & ZIP_STAT_SIZE) && qint64(st.size) > room)
            return TooLarge(name, error);
        zip_file_t* f = zip_fopen(m_zip, utf8.constData(), 0);
        if (!f) {
            *error = QStringLiteral("the workbook's part %1 cannot be read: %2")
                         .arg(name, QString::fromUtf8(zip_strerror(m_zip)));
            return false;
        }
        out->clear();
        char buf[64 * 1024];
        bool ok = true;
        for (;;) {
            const zip_int64_t got = zip_fread(f, buf, sizeof buf);
            if (got < 0) {
                *error = QStringLiteral("the workbook's part %1 is damaged: %2")
                             .arg(name, QString::fromUtf8(zip_file_strerror(f)));
                ok = false;
                break;
            }
            if (got == 0)
                break;
            if (out->size() + got > room) {
                ok = TooLarge(name, error);
                break;
            }
            out->append(buf, qsizetype(got));
        }
        zip_fclose(f);
        if (ok)
            m_total += out->size();
        else
            out->clear();
        return ok;
    }

private:
    bool TooLarge(const QString& name, QString* error) const {
        *error = QStringLiteral("the workbook's part %1 unpacks to more than %2 bytes; "
                                "it is refused as it may be a zip bomb")
                     .arg(name)
                     .arg(std::min(m_limits.maxPartBytes, m_limits.maxTotalBytes));
        return false;
    }

    const ZELVSheetLimits& m_limits;
    zip_t* m_zip = nullptr;
    qint64 m_total = 0;
};

bool Parse(const QByteArray& bytes, const QString& part, pugi::xml_document* doc, QString* error) {
    const pugi::xml_parse_result r = doc->load_buffer(bytes.constData(), size_t(bytes.size()));
    if (!r) {
        *error = QStringLiteral("the workbook's part %1 is not well-formed XML (%2 at byte %3)")
                     .arg(part, QString::fromUtf8(r.description()))
                     .arg(qint64(r.offset));
        return false;
    }
    return true;
}

// The text of a shared or inline string: its <t>, or the <t> of each run.
QString StringItem(const pugi::xml_node& si) {
    QString text;
    for (pugi::xml_node c = si.first_child(); c; c = c.next_sibling()) {
        if (Is(c, "t"))
            text += QString::fromUtf8(c.text().get());
        else if (Is(c, "r"))
            if (pugi::xml_node t = Child(c, "t"))
                text += QString::fromUtf8(t.text().get());
    }
    return text;
}

// Number formats that show a date: the built-in ones, and custom ones with a
// day, month or year in them outside quotes, brackets and escapes.
bool IsDateFormat(int id, const QString& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    bool quoted = false;
    int bracket = 0;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            ++bracket;
        } else if (c == QLatin1Char(']')) {
            bracket = std::max(0, bracket - 1);
        } else if (bracket == 0) {
            const QChar l = c.toLower();
            if (l == QLatin1Char('d') || l == QLatin1Char('m') || l == QLatin1Char('y'))
                return true;
        }
    }
    return false;
}

// A serial number as a date: day 1 is 1900-01-01 and Excel counts a
// 29 February 1900 that never was (serial 60); the 1904 system starts at 0.
QString SerialDate(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465.0) // 9999-12-31
        return {};
    qint64 days = qint64(std::floor(serial));
    const double fraction = serial - double(days);
    QDate date;
    if (from1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days >= 61)
        date = QDate(1899, 12, 30).addDays(days);
    else if (days == 60)
        date = QDate(1900, 2, 28); // the day that never was
    else
        date = QDate(1899, 12, 31).addDays(days);
    QString text = date.toString(Qt::ISODate);
    const int seconds = int(std::lround(fraction * 86400.0));
    if (seconds > 0 && seconds < 86400)
        text +=
            QLatin1Char(' ') + QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
    return text;
}

// An integral number as an integer; others as the file wrote them.
QString NumberText(const QString& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return v;
}

// "BC12" -> column 54 (0-based), row 12; false when it is no cell reference.
bool CellRef(const char* ref, int* column, qint64* row) {
    qint64 col = 0;
    int letters = 0;
    const char* p = ref;
    for (; *p >= 'A' && *p <= 'Z'; ++p, ++letters) {
        col = col * 26 + (*p - 'A' + 1);
        if (letters > 3)
            return false;
    }
    qint64 r = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
        r = r * 10 + (*p - '0');
        if (digits > 9)
            return false;
    }
    if (*p || letters == 0)
        return false;
    *column = int(col - 1);
    *row = digits ? r : 0;
    return true;
}

} // namespace

bool ZELVLooksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

bool ZELVReadXlsx(const QByteArray& bytes, const QString& sheetName, ZELVSheet* out, QString* error,
                  const ZELVSheetLimits& limits) {
    if (bytes.size() > limits.maxFileBytes) {
        *error = QStringLiteral("the file is larger than %1 bytes").arg(limits.maxFileBytes);
        return false;
    }
    Archive zip(bytes, limits);
    if (!zip.IsOpen()) {
        *error = QStringLiteral("not an Excel workbook (.xlsx): the zip archive cannot be opened");
        return false;
    }
    QByteArray part;
    pugi::xml_document workbook, rels;
    const QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (!zip.Read(workbookPart, &part, error) || !Parse(part, workbookPart, &workbook, error))
        return false;
    const pugi::xml_node wb = workbook.document_element();
    bool from1904 = false;
    if (pugi::xml_node pr = Child(wb, "workbookPr")) {
        const QString v = Attr(pr, "date1904");
        from1904 = v == QLatin1String("1") || v == QLatin1String("true");
    }
    // The sheet: its relationship id, then its part.
    QString relId;
    QStringList names;
    for (pugi::xml_node s = Child(Child(wb, "sheets"), "sheet"); s; s = s.next_sibling()) {
        if (!Is(s, "sheet"))
            continue;
        const QString name = Attr(s, "name");
        names << name;
        if (relId.isEmpty() && (sheetName.isEmpty() || name == sheetName))
            relId = RelationId(s);
    }
    if (relId.isEmpty()) {
        *error = sheetName.isEmpty()
                     ? QStringLiteral("the workbook has no worksheet")
                     : QStringLiteral("the workbook has no sheet \"%1\" (it has: %2)")
                           .arg(sheetName, names.join(QStringLiteral(", ")));
        return false;
    }
    const QString relsPart = QStringLiteral("xl/_rels/workbook.xml.rels");
    if (!zip.Read(relsPart, &part, error) || !Parse(part, relsPart, &rels, error))
        return false;
    QString sheetPart;
    for (pugi::xml_node r = rels.document_element().first_child(); r; r = r.next_sibling())
        if (Is(r, "Relationship") && Attr(r, "Id") == relId) {
            sheetPart = Attr(r, "Target");
            break;
        }
    if (sheetPart.startsWith(QLatin1Char('/')))
        sheetPart = sheetPart.mid(1);
    else if (!sheetPart.isEmpty())
        sheetPart = QStringLiteral("xl/") + sheetPart;
    if (sheetPart.isEmpty() || sheetPart.contains(QLatin1String(".."))) {
        *error = QStringLiteral("the workbook does not say where its sheet is");
        return false;
    }

    // Shared strings and the cell styles that show dates; both may be missing.
    std::vector<QString> shared;
    const QString stringsPart = QStringLiteral("xl/sharedStrings.xml");
    if (zip.Has(stringsPart)) {
        pugi::xml_document doc;
        if (!zip.Read(stringsPart, &part, error) || !Parse(part, stringsPart, &doc, error))
            return false;
        for (pugi::xml_node si = doc.document_element().first_child(); si; si = si.next_sibling())
            if (Is(si, "si"))
                shared.push_back(StringItem(si));
    }
    std::vector<bool> dateStyle;
    const QString stylesPart = QStringLiteral("xl/styles.xml");
    if (zip.Has(stylesPart)) {
        pugi::xml_document doc;
        if (!zip.Read(stylesPart, &part, error) || !Parse(part, stylesPart, &doc, error))
            return false;
        const pugi::xml_node ss = doc.document_element();
        QHash<int, QString> codes;
        for (pugi::xml_node f = Child(ss, "numFmts").first_child(); f; f = f.next_sibling())
            if (Is(f, "numFmt"))
                codes.insert(Attr(f, "numFmtId").toInt(), Attr(f, "formatCode"));
        for (pugi::xml_node x = Child(ss, "cellXfs").first_child(); x; x = x.next_sibling())
            if (Is(x, "xf")) {
                const int id = Attr(x, "numFmtId").toInt();
                dateStyle.push_back(IsDateFormat(id, codes.value(id)));
            }
    }

    pugi::xml_document doc;
    if (!zip.Read(sheetPart, &part, error) || !Parse(part, sheetPart, &doc, error))
        return false;
    part = QByteArray();
    ZELVSheet sheet;
    qint64 cells = 0;
    qint64 lastRow = 0;
    for (pugi::xml_node r = Child(Child(doc.document_element(), "sheetData"), "row"); r;
         r = r.next_sibling()) {
        if (!Is(r, "row"))
            continue;
        bool ok = false;
        qint64 number = Attr(r, "r").toLongLong(&ok);
        if (!ok || number <= lastRow)
            number = lastRow + 1;
        if (number > limits.maxRows) {
            *error = QStringLiteral("the sheet has more than %1 rows").arg(limits.maxRows);
            return false;
        }
        lastRow = number;
        ZELVSheetRow row;
        row.number = int(number);
        int next = 0;
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (!Is(c, "c"))
                continue;
            int column = next;
            qint64 refRow = 0;
            const char* ref = c.attribute("r").value();
            if (*ref && !CellRef(ref, &column, &refRow)) {
                *error = QStringLiteral("row %1: \"%2\" is not a cell reference")
                             .arg(number)
                             .arg(QString::fromUtf8(ref).left(20));
                return false;
            }
            if (column >= limits.maxColumns) {
                *error = QStringLiteral("row %1: more than %2 columns")
                             .arg(number)
                             .arg(limits.maxColumns);
                return false;
            }
            next = column + 1;
            const QString type = Attr(c, "t");
            const QString v = QString::fromUtf8(Child(c, "v").text().get());
            QString text;
            if (type == QLatin1String("s")) {
                bool isIndex = false;
                const qlonglong i = v.toLongLong(&isIndex);
                if (!isIndex || i < 0 || i >= qlonglong(shared.size())) {
                    *error =
                        QStringLiteral("row %1: cell %2 names a shared string that is not there")
                            .arg(number)
                            .arg(QString::fromUtf8(ref));
                    return false;
                }
                text = shared[size_t(i)];
            } else if (type == QLatin1String("inlineStr")) {
                text = StringItem(Child(c, "is"));
            } else if (type == QLatin1String("b")) {
                text = v.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE")
                                                         : QStringLiteral("FALSE");
                if (v.isEmpty())
                    text.clear();
            } else if (type == QLatin1String("d")) {
                text = v.left(10); // an ISO date, perhaps with a time
            } else if (type == QLatin1String("str") || type == QLatin1String("e")) {
                text = v;
            } else if (!v.isEmpty()) {
                bool ok2 = false;
                const int style = Attr(c, "s").toInt(&ok2);
                const double d = v.toDouble();
                if (ok2 && style >= 0 && size_t(style) < dateStyle.size() &&
                    dateStyle[size_t(style)])
                    text = SerialDate(d, from1904);
                if (text.isEmpty())
                    text = NumberText(v);
            }
            if (text.isEmpty())
                continue;
            if (column >= row.cells.size()) {
                cells += column + 1 - row.cells.size();
                if (cells > limits.maxCells) {
                    *error =
                        QStringLiteral("the sheet has more than %1 cells").arg(limits.maxCells);
                    return false;
                }
                while (row.cells.size() <= column)
                    row.cells.append(QString());
            }
            row.cells[column] = text;
        }
        if (!row.cells.isEmpty())
            sheet.rows.push_back(std::move(row));
    }
    *out = std::move(sheet);
    return true;
}
