// Adding many Volumes in one transaction: imports and the demo data set.
#include "ZELV10MFC.h"
#include "ZELVFilter.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"
#include "ZELVVolumeRules.h"

#include <QHash>
#include <QSet>

using namespace ZelvValidate;

namespace {

// Rows per INSERT: few round trips on a server, well under either engine's
// limit of bound values (18 x 400 and 11 x 400). SQLite has no round trips,
// and its driver's cost per bound value grows with the size of the statement.
constexpr int kChunk = 400;
constexpr int kSqliteChunk = 25;

const char* const kVolumeInsert =
    "INSERT INTO volume (customer_id, media_id, volume_id, flags, target_repo,"
    " target_slot, current_repo, current_slot, move_date, due_time, move_time,"
    " scheduled, threshold, data_cluster, container_no, consignment_no, capacity,"
    " container_self) VALUES ";
const char* const kHistoryInsert =
    "INSERT INTO volume_history (customer_id, media_id, volume_id, changed_at,"
    " user_id, machine, program, action, field, old_value, new_value) VALUES ";

QString Placeholders(int columns, int rows) {
    QString row = QStringLiteral("(");
    for (int i = 0; i < columns; ++i)
        row += i ? QStringLiteral(", ?") : QStringLiteral("?");
    row += QLatin1Char(')');
    QString all;
    for (int i = 0; i < rows; ++i)
        all += i ? QStringLiteral(", ") + row : row;
    return all;
}

} // namespace

CZELV10RC CZELV10MFC::AddVolumes(const VolumeSource& next, uint64_t* added) {
    if (CZELV10RC denied = Require(ZelvRight::AddVolumes); !denied.IsOK())
        return denied;
    uint64_t count = 0;
    // The Container patterns are read and compiled before the write
    // transaction; in it each Volume costs one pass over its identifier,
    // whatever the pattern, and a pattern changed meanwhile stops the import.
    QHash<QString, QString> patterns; // "C.M" -> container pattern
    QHash<QString, CZELVFilter> filters;
    auto readPatterns = [&](QHash<QString, QString>* into) -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q =
            m_store->Exec("SELECT customer_id, media_id, container_pattern FROM media", {}, &c);
        if (!q.IsOK())
            return q;
        while (c.Next())
            into->insert(c.Text(0) + QLatin1Char('.') + c.Text(1), c.Text(2));
        return CZELV10RC();
    };
    CZELV10RC rc = Run(Mode::Single, [&] { return readPatterns(&patterns); });
    if (!rc.IsOK())
        return rc;
    for (auto it = patterns.constBegin(); it != patterns.constEnd(); ++it)
        filters.insert(it.key(), CZELVFilter(it.value()));
    for (const CZELVFilter& filter : std::as_const(filters))
        (void)filter.Error(); // compiles it
    rc = Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        // What the records may refer to, read once.
        QSet<QString> repositories;
        CZELV10RC q = m_store->Exec("SELECT repository_id FROM repository", {}, &c);
        if (!q.IsOK())
            return q;
        while (c.Next())
            repositories.insert(c.Text(0));
        c.Reset();
        QHash<QString, QString> current;
        q = readPatterns(&current);
        if (!q.IsOK())
            return q;
        if (current != patterns)
            return CZELV10RC(ZELV10RC_CHANGED,
                             QStringLiteral("a Media Type's Container pattern; nothing was added"));
        QSet<QString> clusters; // "C:n"
        q = m_store->Exec("SELECT customer_id, number FROM data_cluster", {}, &c);
        if (!q.IsOK())
            return q;
        while (c.Next())
            clusters.insert(c.Text(0) + QLatin1Char(':') + QString::number(c.Int(1)));
        c.Reset();
        QSet<qint64> containers;
        q = m_store->Exec("SELECT container_self FROM volume WHERE container_self IS NOT NULL", {},
                          &c);
        if (!q.IsOK())
            return q;
        while (c.Next())
            containers.insert(c.Int(0));
        c.Reset();
        QSet<qint64> consignments;

        QVariantList volumeRows, historyRows;
        QList<QStringList> chunkKeys;
        QList<QPair<QStringList, QString>> descriptions;
        QSet<QString> seen;
        int rows = 0;
        const QString action = QStringLiteral("add");
        const QString field = QStringLiteral("volume");

        auto flush = [&]() -> CZELV10RC {
            if (rows == 0)
                return CZELV10RC();
            const QString volumeSql = QString::fromUtf8(kVolumeInsert) + Placeholders(18, rows);
            const QString historySql = QString::fromUtf8(kHistoryInsert) + Placeholders(11, rows);
            CZELV10RC f = m_store->ExecOnce(QStringLiteral("SAVEPOINT bulk_add"));
            if (!f.IsOK())
                return f;
            f = m_store->Exec(volumeSql, volumeRows);
            if (!f.IsOK()) {
                m_store->ExecOnce(QStringLiteral("ROLLBACK TO SAVEPOINT bulk_add"));
                if (f.Code() != ZELV10RC_EXISTS)
                    return f;
                // Name the Volume that was there already.
                for (const QStringList& key : chunkKeys) {
                    CZELV10RC e =
                        m_store->Exec("SELECT 1 FROM volume WHERE customer_id = ? AND media_id = ?"
                                      " AND volume_id = ?",
                                      {key[0], key[1], key[2]}, &c);
                    if (e.IsOK() && c.Next())
                        return CZELV10RC(ZELV10RC_ALREADYDEFINED, key.join(QLatin1Char('.')));
                    c.Reset();
                }
                return f;
            }
            f = m_store->Exec(historySql, historyRows);
            if (!f.IsOK())
                return f;
            f = m_store->ExecOnce(QStringLiteral("RELEASE SAVEPOINT bulk_add"));
            if (!f.IsOK())
                return f;
            for (const auto& d : descriptions) {
                const QStringList& key = d.first;
                f = m_store->Exec("INSERT INTO attribute (volume_row, number, value) SELECT "
                                  "volume_row, 0, ? FROM volume"
                                  " WHERE customer_id = ? AND media_id = ? AND volume_id = ?",
                                  {d.second, key[0], key[1], key[2]});
                if (!f.IsOK())
                    return f;
            }
            volumeRows.clear();
            historyRows.clear();
            chunkKeys.clear();
            descriptions.clear();
            rows = 0;
            return CZELV10RC();
        };

        const qint64 now = Now();
        const int chunk = m_store->Engine() == ZELVEngine::SQLite ? kSqliteChunk : kChunk;
        ZELVVOLSEx in;
        QString description;
        for (;;) {
            in = ZELVVOLSEx();
            description.clear();
            if (!next(&in, &description))
                break;
            const QString where = QStringLiteral("Volume %1: ").arg(count + 1);
            auto fail = [&](const CZELV10RC& r) { return CZELV10RC(r.Code(), where + r.Detail()); };
            CZELV10RC v = Field("Customer-ID", in.key.customerId, true);
            if (v.IsOK())
                v = Field("Media-ID", in.key.mediaId, true);
            if (v.IsOK())
                v = Field("Volume-ID", in.key.volumeId, true);
            if (v.IsOK())
                v = Field("Target Repository-ID", in.vol.Target().repositoryId, true);
            if (v.IsOK())
                v = Field("Current Repository-ID", in.vol.Current().repositoryId, true);
            if (v.IsOK())
                v = FreeText("Description", description, kZelvDescriptionLen);
            if (!v.IsOK())
                return fail(v);
            const QString customer = in.key.customerId.Text();
            const QString media = in.key.mediaId.Text();
            const QString volume = in.key.volumeId.Text();
            const QString keyText = customer + QLatin1Char('.') + media + QLatin1Char('.') + volume;
            const auto pattern = patterns.constFind(customer + QLatin1Char('.') + media);
            if (pattern == patterns.constEnd())
                return fail(CZELV10RC(ZELV10RC_NOMEDIA, customer + QLatin1Char('.') + media));
            for (const ZELVVOLLOC* loc : {&in.vol.Target(), &in.vol.Current()})
                if (!repositories.contains(loc->repositoryId.Text()))
                    return fail(CZELV10RC(ZELV10RC_NOREPOSITORY, loc->repositoryId.Text()));
            if (in.vol.dataCluster != 0 && !clusters.contains(customer + QLatin1Char(':') +
                                                              QString::number(in.vol.dataCluster)))
                return fail(CZELV10RC(
                    ZELV10RC_NOCLUSTER,
                    QStringLiteral("%1 number %2").arg(customer).arg(in.vol.dataCluster)));
            if (in.vol.consignment != 0 && !consignments.contains(in.vol.consignment)) {
                q = m_store->Exec("SELECT 1 FROM consignment WHERE number = ?",
                                  {qint64(in.vol.consignment)}, &c);
                if (!q.IsOK())
                    return q;
                const bool found = c.Next();
                c.Reset();
                if (!found)
                    return fail(
                        CZELV10RC(ZELV10RC_NOCONSIGNMENT, QString::number(in.vol.consignment)));
                consignments.insert(in.vol.consignment);
            }
            if (seen.contains(keyText))
                return fail(
                    CZELV10RC(ZELV10RC_ALREADYDEFINED, keyText + QStringLiteral(" appears twice")));
            seen.insert(keyText);

            bool isContainer = (in.vol.flags & ZELVVOL_CONTAINER) != 0;
            if (!isContainer) {
                v = IsContainerByPattern(pattern.key(), filters[pattern.key()], volume,
                                         &isContainer);
                if (!v.IsOK())
                    return fail(v);
            }
            qint64 number = 0;
            if (isContainer) {
                // Volumes that travel in it follow in later rows: write it first.
                q = flush();
                if (!q.IsOK())
                    return q;
                q = m_store->Exec(
                    "UPDATE counter SET value = value + 1 WHERE name = 'container' RETURNING value",
                    {}, &c);
                if (!q.IsOK())
                    return q;
                if (c.Next())
                    number = c.Int(0);
                c.Reset();
                containers.insert(number);
                in.vol.container = 0;
            } else if (in.vol.container != 0 && !containers.contains(in.vol.container)) {
                return fail(CZELV10RC(ZELV10RC_NOCONTAINER, QString::number(in.vol.container)));
            }
            ZELVVolumeState s =
                CZELVVolumeRules::ApplyAdd(in.vol, isContainer, static_cast<uint32_t>(number), now);
            if (!description.isEmpty()) {
                s.vol.flags |= ZELVVOL_DESCRIPTION;
                descriptions.append({{customer, media, volume}, description});
            }
            const ZELVVOLS& st = s.vol;
            volumeRows << customer << media << volume << qint64(st.flags)
                       << st.Target().repositoryId.Text() << qint64(st.Target().slot)
                       << st.Current().repositoryId.Text() << qint64(st.Current().slot)
                       << qint64(st.moveDate.Value()) << qint64(s.dueTime) << qint64(st.moveTime)
                       << qint64(0) << qint64(st.threshold) << ZelvIntOrNull(st.dataCluster)
                       << (isContainer ? ZelvNullInt() : ZelvIntOrNull(st.container))
                       << ZelvIntOrNull(st.consignment) << qint64(st.capacity)
                       << ZelvIntOrNull(s.containerSelf);
            historyRows << customer << media << volume << now << m_userId << m_machine
                        << qint64(m_programId) << action << field << QString()
                        << QStringLiteral("at %1, target %2, flags 0x%3%4")
                               .arg(CZELVVolumeRules::LocationText(st.Current()),
                                    CZELVVolumeRules::LocationText(st.Target()))
                               .arg(st.flags, 8, 16, QLatin1Char('0'))
                               .arg(isContainer ? QStringLiteral(", Container %1").arg(number)
                                                : QString());
            chunkKeys.append({customer, media, volume});
            ++count;
            if (++rows == chunk) {
                q = flush();
                if (!q.IsOK())
                    return q;
            }
        }
        return flush();
    });
    if (added)
        *added = rc.IsOK() ? count : 0;
    return rc;
}
