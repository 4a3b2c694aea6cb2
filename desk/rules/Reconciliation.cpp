#include "Reconciliation.h"

#include "ZELVDate.h"
#include "ZELVValidate.h"

#include <QIODevice>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>

using Item = CReconciliationScanItem;

// --- Items ------------------------------------------------------------------------

QString CReconciliationScanItem::StatusText(uint32_t status) {
    static const struct {
        uint32_t bit;
        const char* label;
    } kOrder[] = {
        {Unscanned, "[Unscanned]"},
        {Duplicate, "[Duplicate]"},
        {Errant, "[Errant]"},
        {New, "[New]"},
        {MovingIn, "[Moving-In]"},
        {Scanned, "[Scanned]"},
        {FailedPrevious, "[Failed-Previous]"},
        {PassedPrevious, "[Passed-Previous]"},
    };
    QString text;
    for (const auto& o : kOrder)
        if (status & o.bit)
            text += QLatin1String(o.label);
    return text;
}

QString CReconciliationScanItem::StatusText() const {
    return StatusText(status);
}

// --- Audit ------------------------------------------------------------------------

void CReconciliationAudit::Build(const std::vector<ZELVVOLSFULL>& volumes, const QString& customer,
                                 const QString& media, const QString& repository,
                                 const std::vector<ZELVAUDIT>& previous) {
    m_customer = customer;
    m_media = media;
    m_repository = repository;
    m_items.clear();
    m_index.clear();
    m_known.clear();
    m_previous = 0;
    int movingIn = 0;
    m_items.reserve(volumes.size());
    m_known.reserve(static_cast<qsizetype>(volumes.size()));
    for (const ZELVVOLSFULL& v : volumes) {
        const QString id = v.key.volumeId.Text();
        m_known.insert(id, v.vol.version);
        const bool here = v.vol.Current().repositoryId.Text() == repository;
        const bool comingIn = !here && v.vol.Target().repositoryId.Text() == repository;
        if (!here && !comingIn)
            continue;
        Item item;
        if (comingIn) {
            item.status |= Item::MovingIn;
            ++movingIn;
        }
        item.volumeId = id;
        item.image = v.vol.IsContainer() ? 1 : 0;
        item.version = v.vol.version;
        m_index.insert(id, static_cast<int>(m_items.size()));
        m_items.push_back(std::move(item));
    }
    for (const ZELVAUDIT& a : previous) {
        if (a.repositoryId.Text() != repository || a.key.customerId.Text() != customer ||
            a.key.mediaId.Text() != media)
            continue;
        const int i = IndexOf(a.key.volumeId.Text());
        if (i < 0)
            continue;
        Item& item = m_items[static_cast<size_t>(i)];
        item.version = a.version;
        if (!(a.flags & (ZELVVOL_AUDITPASSED | ZELVVOL_AUDITFAILED)))
            continue;
        if (a.flags & ZELVVOL_AUDITPASSED)
            item.status = (item.status | Item::PassedPrevious | Item::Scanned) & ~Item::Unscanned;
        if (a.flags & ZELVVOL_AUDITFAILED)
            item.status |= Item::FailedPrevious;
        ++m_previous;
    }
    const int scanned = static_cast<int>(std::count_if(
        m_items.begin(), m_items.end(), [](const Item& i) { return i.status & Item::Scanned; }));
    m_stats.total = static_cast<int>(m_items.size());
    m_stats.scanned = scanned;
    m_stats.unscanned = m_stats.total - scanned;
    m_stats.undefined = 0;
    m_stats.duplicates = 0;
    m_stats.movingIn = movingIn;
}

std::vector<CReconciliationAudit::Reset> CReconciliationAudit::Resume(bool keepPasses) {
    std::vector<Reset> out;
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        const bool passed = item.status & Item::PassedPrevious;
        const bool failed = item.status & Item::FailedPrevious;
        if (!passed && !failed)
            continue;
        if (keepPasses) {
            if (failed)
                out.push_back({i, passed ? ZELVVOL_AUDITPASSED : 0u,
                               passed ? uint32_t(ZELVAUDIT_SEEN) : uint32_t(ZELVAUDIT_NONE)});
        } else {
            out.push_back({i, 0u, ZELVAUDIT_NONE});
            Unpass(i);
        }
    }
    return out;
}

void CReconciliationAudit::Unpass(size_t index) {
    Item& item = m_items[index];
    if (!(item.status & Item::Scanned) || item.scanCount > 0)
        return;
    item.status = (item.status & ~(Item::PassedPrevious | Item::Scanned)) | Item::Unscanned;
    --m_stats.scanned;
    ++m_stats.unscanned;
}

CReconciliationAudit::ScanKind CReconciliationAudit::Scan(const QString& customer,
                                                          const QString& media,
                                                          const QString& volume, size_t* index) {
    if (customer != m_customer) {
        ++m_stats.badScope;
        return ScanKind::WrongCustomer;
    }
    if (media != m_media) {
        ++m_stats.badScope;
        return ScanKind::WrongMedia;
    }
    const int found = IndexOf(volume);
    if (found >= 0) {
        *index = static_cast<size_t>(found);
        Item& item = m_items[*index];
        // Counted once, however it became scanned (a pass of the run before
        // counts as scanned already).
        if (item.status & Item::Unscanned) {
            ++m_stats.scanned;
            --m_stats.unscanned;
        }
        if (item.scanCount >= 1) {
            item.status |= Item::Duplicate;
            if (item.scanCount == 1)
                ++m_stats.duplicates;
        }
        ++item.scanCount;
        item.status = (item.status | Item::Scanned) & ~Item::Unscanned;
        // A Volume that does not belong here never passes by being scanned again.
        if (item.status & (Item::Errant | Item::New))
            return ScanKind::Later;
        return item.scanCount == 1   ? ScanKind::First
               : item.scanCount == 2 ? ScanKind::Second
                                     : ScanKind::Later;
    }
    ++m_stats.notInList;
    Item item;
    item.volumeId = volume;
    item.scanCount = 1;
    const auto known = m_known.constFind(volume);
    const bool errant = known != m_known.constEnd();
    item.status = Item::Scanned | (errant ? Item::Errant : Item::New);
    item.version = errant ? known.value() : 0;
    *index = m_items.size();
    m_index.insert(volume, static_cast<int>(*index));
    m_items.push_back(std::move(item));
    ++m_stats.total;
    ++m_stats.scanned;
    ++m_stats.undefined;
    return errant ? ScanKind::Errant : ScanKind::New;
}

int CReconciliationAudit::UnscannedCount() const {
    return static_cast<int>(std::count_if(
        m_items.begin(), m_items.end(), [](const Item& i) { return i.status & Item::Unscanned; }));
}

std::vector<size_t> CReconciliationAudit::UnseenItems() const {
    std::vector<size_t> out;
    for (size_t i = 0; i < m_items.size(); ++i)
        if ((m_items[i].status & Item::Unscanned) &&
            !(m_items[i].status & (Item::Errant | Item::New)))
            out.push_back(i);
    return out;
}

// --- Manifest ----------------------------------------------------------------------

namespace {

struct Record {
    int line = 0; // where it starts
    QStringList fields;
};

// RFC 4180 records of UTF-8 text; false with the line of the first fault.
bool SplitRecords(const QByteArray& bytes, std::vector<Record>* out, QString* error) {
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError()) {
        // Name the first line that does not decode.
        int line = 1;
        qsizetype start = 0;
        while (start <= bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            (void)QString(d(QByteArrayView(bytes).sliced(start, end - start)));
            if (d.hasError())
                break;
            start = end + 1;
            ++line;
        }
        *error = QStringLiteral("line %1 is not UTF-8 text").arg(line);
        return false;
    }
    qsizetype i = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    int line = 1;
    Record record;
    record.line = line;
    QString field;
    bool quoted = false, wasQuoted = false;
    const auto endField = [&] {
        record.fields << (wasQuoted ? field : field.trimmed());
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        out->push_back(std::move(record));
        record = Record();
        record.line = line;
    };
    for (; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += ch;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (ch == QLatin1Char('\n'))
                    ++line;
                field += ch;
            }
            continue;
        }
        if (ch == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else if (ch == QLatin1Char(',')) {
            endField();
        } else if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            if (ch == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord();
        } else if (wasQuoted && !ch.isSpace()) {
            *error = QStringLiteral("line %1: text after a closing quote").arg(line);
            return false;
        } else {
            field += ch;
        }
    }
    if (quoted) {
        *error = QStringLiteral("line %1: a quote is never closed").arg(record.line);
        return false;
    }
    if (!field.isEmpty() || wasQuoted || !record.fields.isEmpty())
        endRecord();
    return true;
}

bool IsBlank(const Record& r) {
    return std::all_of(r.fields.begin(), r.fields.end(),
                       [](const QString& f) { return f.isEmpty(); });
}

// "Customer.Media.Volume" with identifiers the server takes.
bool CheckVolumeText(const QString& text, int line, QString* error) {
    const QStringList parts = text.split(QLatin1Char('.'));
    CZELV10RC rc(ZELV10RC_BADIDENTIFIER);
    if (parts.size() == 3) {
        rc = ZelvValidate::Identifier("Customer-ID", parts[0], kZelvCustomerIdLen);
        if (rc.IsOK())
            rc = ZelvValidate::Identifier("Media-ID", parts[1], kZelvMediaIdLen);
        if (rc.IsOK())
            rc = ZelvValidate::Identifier("Volume-ID", parts[2], kZelvVolumeIdLen);
    }
    if (rc.IsOK())
        return true;
    *error = QStringLiteral("line %1: %2 is not a Volume (Customer.Media.Volume)")
                 .arg(line)
                 .arg(ZelvValidate::Shown(text.left(60)));
    return false;
}

QString TooMany() {
    return QStringLiteral(
               "the file lists more than %1 Volumes; split it by Customer and Media Type")
        .arg(QLocale(QLocale::English).toString(CVaultManifest::kMaxVolumes));
}

} // namespace

bool CVaultManifest::Read(QIODevice& device, QString* error) {
    const QByteArray bytes = device.read(kMaxBytes + 1);
    if (bytes.size() > kMaxBytes) {
        *this = CVaultManifest();
        *error = QStringLiteral("the file is larger than %1 MiB").arg(kMaxBytes / (1024 * 1024));
        return false;
    }
    return Parse(bytes, error);
}

bool CVaultManifest::Parse(const QByteArray& bytes, QString* error) {
    *this = CVaultManifest();
    CVaultManifest m;
    std::vector<Record> records;
    if (bytes.size() > kMaxBytes) {
        *error = QStringLiteral("the file is larger than %1 MiB").arg(kMaxBytes / (1024 * 1024));
        return false;
    }
    if (!SplitRecords(bytes, &records, error))
        return false;
    auto it =
        std::find_if(records.begin(), records.end(), [](const Record& r) { return !IsBlank(r); });
    if (it == records.end() ||
        it->fields.first().compare(QLatin1String("Volume"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("the first line must name the columns, starting with \"Volume\"");
        if (it != records.end())
            *error += QStringLiteral(" (line %1 starts with %2)")
                          .arg(it->line)
                          .arg(ZelvValidate::Shown(it->fields.first().left(60)));
        return false;
    }
    m.columns = it->fields;
    m.columns.first() = QStringLiteral("Volume");
    for (int c = 0; c < m.columns.size(); ++c) {
        if (m.columns[c].isEmpty() || m.columns.indexOf(m.columns[c]) != c) {
            *error = QStringLiteral("line %1: column %2 has no name or the name of another")
                         .arg(it->line)
                         .arg(c + 1);
            return false;
        }
    }
    QHash<QString, int> lines;
    for (++it; it != records.end(); ++it) {
        if (IsBlank(*it))
            continue;
        if (it->fields.size() > m.columns.size()) {
            *error = QStringLiteral("line %1 has %2 fields; the header names %3")
                         .arg(it->line)
                         .arg(it->fields.size())
                         .arg(m.columns.size());
            return false;
        }
        const QString volume = it->fields.first();
        if (!CheckVolumeText(volume, it->line, error))
            return false;
        const auto seen = lines.constFind(volume);
        if (seen != lines.constEnd()) {
            *error = QStringLiteral("line %1: %2 is listed twice (first on line %3)")
                         .arg(it->line)
                         .arg(volume)
                         .arg(seen.value());
            return false;
        }
        if (m.volumes.size() >= kMaxVolumes) {
            *error = TooMany();
            return false;
        }
        lines.insert(volume, it->line);
        m.index.insert(volume, static_cast<int>(m.volumes.size()));
        m.volumes << volume;
        QStringList rest = it->fields.mid(1);
        while (rest.size() < m.columns.size() - 1)
            rest << QString();
        m.values.push_back(std::move(rest));
    }
    *this = std::move(m);
    return true;
}

bool CVaultManifest::ParseScans(const QByteArray& bytes, QStringList* volumes, QString* error) {
    volumes->clear();
    std::vector<Record> records;
    if (bytes.size() > kMaxBytes) {
        *error = QStringLiteral("the file is larger than %1 MiB").arg(kMaxBytes / (1024 * 1024));
        return false;
    }
    if (!SplitRecords(bytes, &records, error))
        return false;
    QStringList out;
    for (const Record& r : records) {
        if (IsBlank(r))
            continue;
        if (r.fields.size() > 1) {
            *error = QStringLiteral("line %1 holds more than one Volume").arg(r.line);
            return false;
        }
        if (!CheckVolumeText(r.fields.first(), r.line, error))
            return false;
        if (out.size() >= kMaxVolumes) {
            *error = TooMany();
            return false;
        }
        out << r.fields.first();
    }
    *volumes = std::move(out);
    return true;
}

// --- Three-way comparison ------------------------------------------------------------

QString CThreeWayRow::DifferenceText(uint32_t sources) {
    switch (sources & (Expected | Scanned | Listed)) {
    case Expected | Scanned | Listed:
        return QStringLiteral("Agreed");
    case Expected | Scanned:
        return QStringLiteral("Not in manifest");
    case Expected | Listed:
        return QStringLiteral("Not scanned");
    case Expected:
        return QStringLiteral("Server only");
    case Scanned | Listed:
        return QStringLiteral("Not expected");
    case Scanned:
        return QStringLiteral("Scan only");
    case Listed:
        return QStringLiteral("Manifest only");
    default:
        return {};
    }
}

std::vector<CThreeWayRow> CompareThreeWay(const QStringList& expected, const QStringList& scanned,
                                          const QStringList& listed, CThreeWayCounts* counts) {
    QHash<QString, uint32_t> sources;
    sources.reserve(expected.size() + listed.size());
    for (const QString& v : expected)
        sources[v] |= CThreeWayRow::Expected;
    for (const QString& v : scanned)
        sources[v] |= CThreeWayRow::Scanned;
    for (const QString& v : listed)
        sources[v] |= CThreeWayRow::Listed;
    std::vector<CThreeWayRow> rows;
    rows.reserve(static_cast<size_t>(sources.size()));
    CThreeWayCounts n;
    for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
        rows.push_back({it.key(), it.value()});
        if (it.value() == (CThreeWayRow::Expected | CThreeWayRow::Scanned | CThreeWayRow::Listed))
            ++n.agreed;
        else
            ++n.differences;
    }
    std::sort(rows.begin(), rows.end(),
              [](const CThreeWayRow& a, const CThreeWayRow& b) { return a.volume < b.volume; });
    if (counts)
        *counts = n;
    return rows;
}

// --- Certificate texts ---------------------------------------------------------------

namespace ZelvCertificateText {

QString Number(qint64 n) {
    return QLocale(QLocale::English).toString(n);
}

QString Status(const ZELV10CERTIFICATIONKey& key) {
    return key.IsCertified() ? QStringLiteral("Certified") : QStringLiteral("Refused");
}

QString ItemStatus(uint32_t status) {
    switch (status) {
    case ZELVCERT_OK:
        return QStringLiteral("OK");
    case ZELVCERT_SURPLUS:
        return QStringLiteral("Surplus");
    case ZELVCERT_DEFICIT:
        return QStringLiteral("Deficit");
    default:
        return QString::number(status);
    }
}

QString Signature(const ZELV10CERTIFICATIONKey& key) {
    char text[48];
    std::snprintf(text, sizeof text, "%#lx-%#lx", static_cast<unsigned long>(key.signature[0]),
                  static_cast<unsigned long>(key.signature[1]));
    return QString::fromLatin1(text);
}

QString Cell(const ZELV10CERTIFICATIONKey& key, int column) {
    switch (column) {
    case ColTime:
        return FormatTime(static_cast<time_t>(key.time));
    case ColStatus:
        return Status(key);
    case ColItems:
        return Number(key.items);
    case ColSurplus:
        return Number(key.surplus);
    case ColDeficit:
        return Number(key.deficit);
    case ColDescription:
        return key.description.Text();
    default:
        return {};
    }
}

int Image(const ZELV10CERTIFICATIONKey& key, int column) {
    if (column == ColTime)
        return 0;
    if (column == ColStatus)
        return key.IsCertified() ? 1 : 2;
    return -1;
}

} // namespace ZelvCertificateText
