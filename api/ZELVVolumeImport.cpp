#include "ZELVVolumeImport.h"

#include "ZELVDate.h"
#include "ZELVValidate.h"

#include <QHash>
#include <QSet>

namespace {

struct ColumnInfo {
    const char* name;
    std::initializer_list<const char*> aliases; // normalised: lower case, no separators
};

const ColumnInfo kColumnInfo[] = {
    {"Volume", {"volume", "volumeid"}},
    {"Customer", {"customer", "customerid"}},
    {"Media Type", {"mediatype", "media", "mediaid"}},
    {"Repository", {"repository", "repositoryid", "currentrepository", "location"}},
    {"Target Repository", {"targetrepository", "target", "targetrepositoryid"}},
    {"Slot", {"slot"}},
    {"Description", {"description"}},
    {"Container", {"container", "incontainer", "containernumber"}},
    {"Data-Cluster", {"datacluster", "cluster"}},
    {"Next Move date", {"nextmovedate", "movedate", "nextmove"}},
    {"Threshold", {"threshold"}},
    {"Capacity", {"capacity"}},
};
static_assert(std::size(kColumnInfo) == CZELVVolumeImport::kColumns);

QString Normalised(const QString& header) {
    QString n;
    for (const QChar c : header)
        if (c.isLetterOrNumber())
            n += c.toLower();
    return n;
}

bool Number(const QString& text, qint64 min, qint64 max, qint64* out) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

QString ZELVImportProblem::Text() const {
    QString where;
    if (row > 0)
        where = QStringLiteral("row %1").arg(row);
    if (!column.isEmpty())
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + column;
    return where.isEmpty() ? text : where + QStringLiteral(": ") + text;
}

int CZELVVolumeImport::ColumnOf(const QString& header) {
    const QString n = Normalised(header);
    for (int i = 0; i < kColumns; ++i)
        for (const char* alias : kColumnInfo[i].aliases)
            if (n == QLatin1String(alias))
                return i;
    return -1;
}

QString CZELVVolumeImport::ColumnName(int column) {
    return column >= 0 && column < kColumns ? QString::fromLatin1(kColumnInfo[column].name)
                                            : QString();
}

bool CZELVVolumeImport::IsHeader(const QStringList& cells) {
    QSet<int> seen;
    for (const QString& c : cells)
        seen.insert(ColumnOf(c));
    return seen.contains(Volume) && seen.contains(Customer) && seen.contains(Media) &&
           seen.contains(Repository);
}

void CZELVVolumeImport::Problem(int row, int column, const QString& text) {
    m_problems.push_back({row, ColumnName(column), text});
}

bool CZELVVolumeImport::Check(const ZELVSheet& sheet) {
    m_problems.clear();
    m_rows.clear();
    m_mapping.clear();
    if (CZELV10RC rc = m_mfc.Require(ZelvRight::AddVolumes); !rc.IsOK()) {
        Problem(0, -1, rc.Get());
        return false;
    }
    if (sheet.rows.empty()) {
        Problem(0, -1, QStringLiteral("The file holds no rows."));
        return false;
    }
    // The header: every column must mean something, and nothing twice.
    const ZELVSheetRow& header = sheet.rows.front();
    std::vector<int> where(kColumns, -1);
    for (int i = 0; i < header.cells.size(); ++i) {
        const QString text = header.cells[i].trimmed();
        const int column = text.isEmpty() ? -1 : ColumnOf(text);
        m_mapping.push_back(column);
        if (text.isEmpty())
            continue;
        if (column < 0)
            Problem(header.number, -1,
                    QStringLiteral("the column \"%1\" is not known (known: Volume, Customer, Media "
                                   "Type, Repository, Target Repository, Slot, Description, "
                                   "Container, Data-Cluster, Next Move date, Threshold, Capacity)")
                        .arg(text));
        else if (where[column] >= 0)
            Problem(header.number, column, QStringLiteral("the column appears twice"));
        else
            where[column] = i;
    }
    for (int c : {Volume, Customer, Media, Repository})
        if (where[c] < 0)
            Problem(header.number, c, QStringLiteral("the column is missing"));
    if (!m_problems.empty())
        return false;
    if (sheet.rows.size() == 1) {
        Problem(0, -1, QStringLiteral("The file holds no Volumes below its header."));
        return false;
    }

    // What the rows may refer to, read once.
    QSet<QString> customers, media, repositories, existing, clusters;
    QHash<QString, uint32_t> clusterNames; // "C:name" -> number
    QSet<uint32_t> containers;
    {
        std::vector<ZELVCUSTEx> list;
        CZELV10RC rc = m_mfc.List(&list);
        for (const ZELVCUSTEx& c : list) {
            const QString id = c.customerId.Text();
            customers.insert(id);
            QStringList mediaIds;
            if (rc.IsOK())
                rc = m_mfc.List(&mediaIds, id);
            for (const QString& m : std::as_const(mediaIds))
                media.insert(id + QLatin1Char('.') + m);
            std::vector<ZELVCLUSTERFULL> cl;
            if (rc.IsOK())
                rc = m_mfc.List(&cl, id);
            for (const ZELVCLUSTERFULL& k : cl) {
                clusters.insert(id + QLatin1Char(':') + QString::number(k.number));
                clusterNames.insert(id + QLatin1Char(':') + k.name.Text().toLower(), k.number);
            }
        }
        std::vector<ZELVREPOSITORY> reps;
        if (rc.IsOK())
            rc = m_mfc.List(&reps);
        for (const ZELVREPOSITORY& r : reps)
            repositories.insert(r.repositoryId.Text());
        QStringList keys;
        if (rc.IsOK())
            rc = m_mfc.LoadVolumes(&keys, 0);
        existing = QSet<QString>(keys.begin(), keys.end());
        std::vector<ZELV10CONTAINER> cont;
        if (rc.IsOK())
            rc = m_mfc.List(&cont);
        for (const ZELV10CONTAINER& k : cont)
            containers.insert(k.number);
        if (!rc.IsOK()) {
            Problem(0, -1, rc.Get());
            return false;
        }
    }

    QHash<QString, int> seen; // "C.M.V" -> first row
    m_rows.reserve(sheet.rows.size() - 1);
    for (size_t r = 1; r < sheet.rows.size(); ++r) {
        const ZELVSheetRow& in = sheet.rows[r];
        const int n = in.number;
        auto cell = [&](int column) {
            const int at = where[column];
            return at >= 0 && at < in.cells.size() ? in.cells[at].trimmed() : QString();
        };
        const size_t before = m_problems.size();
        Row row;
        row.number = n;
        const struct {
            int column;
            int maxLen;
        } ids[] = {{Customer, kZelvCustomerIdLen},
                   {Media, kZelvMediaIdLen},
                   {Volume, kZelvVolumeIdLen},
                   {Repository, kZelvRepositoryIdLen},
                   {Target, kZelvRepositoryIdLen}};
        for (const auto& id : ids) {
            const QString text = cell(id.column);
            if (text.isEmpty()) {
                if (id.column != Target)
                    Problem(n, id.column, QStringLiteral("is empty"));
                continue;
            }
            const QByteArray name = ColumnName(id.column).toUtf8();
            if (CZELV10RC v = ZelvValidate::Identifier(name.constData(), text, id.maxLen);
                !v.IsOK())
                Problem(n, id.column, v.Detail().isEmpty() ? v.Get() : v.Detail());
        }
        if (m_problems.size() == before) {
            const QString c = cell(Customer), m = cell(Media), v = cell(Volume);
            const QString at = cell(Repository);
            const QString target = cell(Target).isEmpty() ? at : cell(Target);
            const QString key = c + QLatin1Char('.') + m + QLatin1Char('.') + v;
            if (!customers.contains(c))
                Problem(n, Customer, QStringLiteral("the Customer %1 is not on the server").arg(c));
            else if (!media.contains(c + QLatin1Char('.') + m))
                Problem(n, Media, QStringLiteral("the Customer %1 has no Media Type %2").arg(c, m));
            if (!repositories.contains(at))
                Problem(n, Repository,
                        QStringLiteral("the Repository %1 is not on the server").arg(at));
            if (!cell(Target).isEmpty() && !repositories.contains(target))
                Problem(n, Target,
                        QStringLiteral("the Repository %1 is not on the server").arg(target));
            if (const auto first = seen.constFind(key); first != seen.constEnd())
                Problem(n, Volume,
                        QStringLiteral("%1 appears twice in the file (first in row %2)")
                            .arg(key)
                            .arg(first.value()));
            else
                seen.insert(key, n);
            if (existing.contains(key))
                Problem(n, Volume, QStringLiteral("%1 is already on the server").arg(key));
            row.volume.key.customerId.Set(c);
            row.volume.key.mediaId.Set(m);
            row.volume.key.volumeId.Set(v);
            row.volume.vol.Current().repositoryId.Set(at);
            row.volume.vol.Target().repositoryId.Set(target);
        }
        qint64 number = 0;
        if (const QString t = cell(Slot); !t.isEmpty()) {
            if (Number(t, 0, 0xFFFFFFFFLL, &number)) {
                row.volume.vol.Target().slot = uint32_t(number);
                if (cell(Target).isEmpty() || cell(Target) == cell(Repository))
                    row.volume.vol.Current().slot = uint32_t(number);
            } else {
                Problem(n, Slot, QStringLiteral("\"%1\" is not a slot number").arg(t));
            }
        }
        row.description = cell(Description);
        if (!row.description.isEmpty())
            if (CZELV10RC v =
                    ZelvValidate::FreeText("Description", row.description, kZelvDescriptionLen);
                !v.IsOK())
                Problem(n, Description, v.Detail().isEmpty() ? v.Get() : v.Detail());
        if (const QString t = cell(Container); !t.isEmpty()) {
            if (!Number(t, 1, 0xFFFFFFFFLL, &number))
                Problem(n, Container, QStringLiteral("\"%1\" is not a Container number").arg(t));
            else if (!containers.contains(uint32_t(number)))
                Problem(n, Container, QStringLiteral("there is no Container number %1").arg(t));
            else
                row.volume.vol.container = uint32_t(number);
        }
        if (const QString t = cell(Cluster); !t.isEmpty()) {
            const QString c = cell(Customer);
            if (Number(t, 1, 0xFFFFFFFFLL, &number) &&
                clusters.contains(c + QLatin1Char(':') + QString::number(number)))
                row.volume.vol.dataCluster = uint32_t(number);
            else if (const auto byName = clusterNames.constFind(c + QLatin1Char(':') + t.toLower());
                     byName != clusterNames.constEnd())
                row.volume.vol.dataCluster = byName.value();
            else
                Problem(n, Cluster,
                        QStringLiteral("the Customer %1 has no Data-Cluster \"%2\"").arg(c, t));
        }
        if (QString t = cell(MoveDate); !t.isEmpty()) {
            // A workbook's date cell may carry a time of day; the move date is a day.
            if (t.size() > 10 && t.at(10) == QLatin1Char(' '))
                t.truncate(10);
            CZELVDate date;
            if (ParseDateExpression(t, &date)) {
                row.volume.vol.moveDate = date;
                row.volume.vol.flags |= ZELVVOL_MOVEDATE;
            } else {
                Problem(n, MoveDate,
                        QStringLiteral("\"%1\" is not a date (2030-01-31, *+7 ...)").arg(t));
            }
        }
        if (const QString t = cell(Threshold); !t.isEmpty()) {
            if (Number(t, 0, 65535, &number))
                row.volume.vol.threshold = uint16_t(number);
            else
                Problem(n, Threshold, QStringLiteral("\"%1\" is not 0 to 65535 minutes").arg(t));
        }
        if (const QString t = cell(Capacity); !t.isEmpty()) {
            if (Number(t, 0, 255, &number))
                row.volume.vol.capacity = uint8_t(number);
            else
                Problem(n, Capacity, QStringLiteral("\"%1\" is not 0 (no limit) to 255").arg(t));
        }
        if (m_problems.size() == before)
            m_rows.push_back(std::move(row));
    }
    if (!m_problems.empty())
        m_rows.clear();
    return m_problems.empty() && !m_rows.empty();
}

CZELV10RC CZELVVolumeImport::Import(uint64_t* added, bool keep) {
    if (added)
        *added = 0;
    if (!m_problems.empty() || m_rows.empty())
        return CZELV10RC(ZELV10RC_BADTEXT,
                         QStringLiteral("the file has problems; nothing was imported"));
    CZELV10MFC::Batch batch(m_mfc);
    CZELV10RC rc = batch.Begin();
    size_t i = 0;
    uint64_t count = 0;
    if (rc.IsOK())
        rc = m_mfc.AddVolumes(
            [&](ZELVVOLSEx* out, QString* description) {
                if (i >= m_rows.size())
                    return false;
                *out = m_rows[i].volume;
                *description = m_rows[i].description;
                ++i;
                return true;
            },
            &count);
    if (rc.IsOK() && keep)
        rc = batch.Commit();
    if (rc.IsOK() && added)
        *added = count;
    return rc;
}
