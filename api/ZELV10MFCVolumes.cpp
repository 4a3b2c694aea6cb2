// Volumes, their attributes, scans and history.
#include "ZELV10MFC.h"
#include "ZELVConfig.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"
#include "ZELVVolumeRules.h"

#include <QHash>

using namespace ZelvValidate;

namespace {

const char* const kVolumeColumns =
    "v.volume_row, v.customer_id, v.media_id, v.volume_id, v.flags, v.target_repo, v.target_slot,"
    " v.current_repo, v.current_slot, v.move_date, v.due_time, v.move_time, v.scheduled, "
    "v.threshold,"
    " v.data_cluster, v.container_no, v.container_self, v.consignment_no, v.capacity, v.version";
constexpr int kVolumeColumnCount = 20;

const char* const kUsedColumn =
    ", CASE WHEN v.container_self IS NULL THEN 0 ELSE"
    " (SELECT COUNT(*) FROM volume u WHERE u.container_no = v.container_self) END";

ZELVVolumeState ReadState(const ZELVCursor& c, ZELVVOLSKey* key, qint64* row) {
    ZELVVolumeState s;
    if (row)
        *row = c.Int(0);
    if (key) {
        key->customerId.Set(c.Text(1));
        key->mediaId.Set(c.Text(2));
        key->volumeId.Set(c.Text(3));
    }
    ZELVVOLS& v = s.vol;
    v.flags = static_cast<uint32_t>(c.Int(4));
    v.Target().repositoryId.Set(c.Text(5));
    v.Target().slot = static_cast<uint32_t>(c.Int(6));
    v.Current().repositoryId.Set(c.Text(7));
    v.Current().slot = static_cast<uint32_t>(c.Int(8));
    v.moveDate = CZELVDate::FromWord(static_cast<uint32_t>(c.Int(9)));
    s.dueTime = c.Int(10);
    v.moveTime = c.Int(11);
    s.scheduled = c.Int(12) != 0;
    v.threshold = static_cast<uint16_t>(c.Int(13));
    v.dataCluster = static_cast<uint32_t>(c.Int(14));
    s.containerSelf = static_cast<uint32_t>(c.Int(16));
    v.container = s.containerSelf != 0 ? s.containerSelf : static_cast<uint32_t>(c.Int(15));
    v.consignment = static_cast<uint32_t>(c.Int(17));
    v.capacity = static_cast<uint8_t>(c.Int(18));
    v.version = static_cast<uint64_t>(c.Int(19));
    return s;
}

QVariantList StateBinds(const ZELVVolumeState& s) {
    const ZELVVOLS& v = s.vol;
    return {qint64(v.flags),
            v.Target().repositoryId.Text(),
            qint64(v.Target().slot),
            v.Current().repositoryId.Text(),
            qint64(v.Current().slot),
            qint64(v.moveDate.Value()),
            qint64(s.dueTime),
            qint64(v.moveTime),
            qint64(s.scheduled ? 1 : 0),
            qint64(v.threshold),
            ZelvIntOrNull(v.dataCluster),
            s.containerSelf != 0 ? ZelvNullInt() : ZelvIntOrNull(v.container),
            ZelvIntOrNull(v.consignment),
            qint64(v.capacity)};
}

// The flag bits the row keeps for itself. A write of the other fields never
// takes them from what its caller (or the call itself) read a moment before,
// which a description written in between may have changed: the statement
// keeps the description bit as the row has it and derives the Container bit.
#define ZELV_ROW_KEPT_FLAGS                                                                        \
    "(flags & 4096) | CASE WHEN container_self IS NULL THEN 0 ELSE 131072 END"
static_assert(ZELVVOL_DESCRIPTION == 4096 && ZELVVOL_CONTAINER == 131072);
constexpr uint32_t kRowKeptFlags = ZELVVOL_DESCRIPTION | ZELVVOL_CONTAINER;

// The binds of an update: the flags without the bits the row keeps.
QVariantList UpdateBinds(const ZELVVolumeState& s) {
    QVariantList binds = StateBinds(s);
    binds[0] = qint64(s.vol.flags & ~kRowKeptFlags);
    return binds;
}

CZELV10RC KeyChecks(const QString& c, const QString& m, const QString& v) {
    CZELV10RC rc = Identifier("Customer-ID", c, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", m, kZelvMediaIdLen);
    if (rc.IsOK())
        rc = Identifier("Volume-ID", v, kZelvVolumeIdLen);
    return rc;
}

// Types 1 date ("YYYY-MM-DD"), 2 number and 3 yes/no (a number); text takes anything.
CZELV10RC CheckAttributeValue(int type, const QString& value) {
    bool ok = true;
    if (type == 1) {
        CZELVDate date;
        ok = value.size() == 10 && value[4] == QLatin1Char('-') && value[7] == QLatin1Char('-') &&
             date.SetDate(value.left(4).toInt(), value.mid(5, 2).toInt(), value.mid(8, 2).toInt());
    } else if (type == 2 || type == 3) {
        value.toULongLong(&ok);
    }
    if (ok)
        return CZELV10RC();
    static const char* const kinds[] = {"text", "date (YYYY-MM-DD)", "number", "yes/no number"};
    return CZELV10RC(
        ZELV10RC_BADVALUE,
        QStringLiteral("\"%1\" is not a %2").arg(value.left(40), QLatin1String(kinds[type])));
}

CZELV10RC KeyChecks(const ZELVVOLSKey& key) {
    CZELV10RC rc = Field("Customer-ID", key.customerId, true);
    if (rc.IsOK())
        rc = Field("Media-ID", key.mediaId, true);
    if (rc.IsOK())
        rc = Field("Volume-ID", key.volumeId, true);
    return rc;
}

QString KeyText(const QString& c, const QString& m, const QString& v) {
    return c + QLatin1Char('.') + m + QLatin1Char('.') + v;
}

} // namespace

QString ZELVVOLSKey::Text() const {
    return QString::asprintf("%.*s.%.*s.%.*s", customerId.Length(), customerId.Data(),
                             mediaId.Length(), mediaId.Data(), volumeId.Length(), volumeId.Data());
}

void CZELV10MFC::FillVolume(const ZELVVolumeState& s, ZELVVOLS* out) const {
    *out = s.vol;
    out->flags = CZELVVolumeRules::ReadFlags(s, Now());
    out->Confirmation() = ZELVVOLLOC();
}

CZELV10RC CZELV10MFC::ReadVolume(const QString& c, const QString& m, const QString& v,
                                 ZELVVolumeState* state, qint64* row, bool forUpdate) {
    ZELVCursor cur;
    const QString sql =
        QStringLiteral("SELECT ") + QString::fromUtf8(kVolumeColumns) +
        QStringLiteral(
            " FROM volume v WHERE v.customer_id = ? AND v.media_id = ? AND v.volume_id = ?") +
        (forUpdate ? QStringLiteral("{FORUPDATE}") : QString());
    CZELV10RC rc = m_store->Exec(sql, {c, m, v}, &cur);
    if (!rc.IsOK())
        return rc;
    if (!cur.Next())
        return CZELV10RC(ZELV10RC_NOVOLUME, KeyText(c, m, v));
    *state = ReadState(cur, nullptr, row);
    return CZELV10RC();
}

CZELV10RC CZELV10MFC::CheckVolumeRefs(const QString& customer, const ZELVVOLS& vol,
                                      const ZELVVOLS* old) {
    // What an update leaves as it was was checked when it was written.
    ZELVCursor c;
    auto repositoryExists = [&](const ZELVVOLLOC& loc, const char* what) -> CZELV10RC {
        CZELV10RC rc = m_store->Exec("SELECT 1 FROM repository WHERE repository_id = ?",
                                     {loc.repositoryId.Text()}, &c);
        if (!rc.IsOK())
            return rc;
        const bool found = c.Next();
        c.Reset();
        return found ? CZELV10RC()
                     : CZELV10RC(ZELV10RC_NOREPOSITORY,
                                 QStringLiteral("%1 %2").arg(QString::fromUtf8(what),
                                                             loc.repositoryId.Text()));
    };
    CZELV10RC rc;
    if (!old || vol.Target().repositoryId != old->Target().repositoryId)
        rc = repositoryExists(vol.Target(), "target");
    if (rc.IsOK() && !old)
        rc = repositoryExists(vol.Current(), "current");
    if (!rc.IsOK())
        return rc;
    if (vol.dataCluster != 0 && (!old || vol.dataCluster != old->dataCluster)) {
        rc = m_store->Exec("SELECT 1 FROM data_cluster WHERE customer_id = ? AND number = ?",
                           {customer, qint64(vol.dataCluster)}, &c);
        if (!rc.IsOK())
            return rc;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOCLUSTER,
                             QStringLiteral("%1 number %2").arg(customer).arg(vol.dataCluster));
        c.Reset();
    }
    if (vol.consignment != 0 && (!old || vol.consignment != old->consignment)) {
        rc = m_store->Exec("SELECT 1 FROM consignment WHERE number = ?", {qint64(vol.consignment)},
                           &c);
        if (!rc.IsOK())
            return rc;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOCONSIGNMENT, QString::number(vol.consignment));
        c.Reset();
    }
    return CZELV10RC();
}

CZELV10RC CZELV10MFC::WriteHistory(const ZELVVOLSKey& key, const QString& action,
                                   const QString& field, const QString& oldValue,
                                   const QString& newValue) {
    return m_store->Exec(
        "INSERT INTO volume_history (customer_id, media_id, volume_id, changed_at, user_id,"
        " machine, program, action, field, old_value, new_value)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {key.customerId.Text(), key.mediaId.Text(), key.volumeId.Text(), Now(), m_userId, m_machine,
         qint64(m_programId), action, field, oldValue, newValue});
}

CZELV10RC CZELV10MFC::WriteHistory(const ZELVVOLSKey& key, const QString& action,
                                   const std::vector<std::array<QString, 3>>& changes) {
    if (changes.empty())
        return CZELV10RC();
    // One statement per number of rows; the few shapes are prepared once each.
    static QStringList shapes;
    while (shapes.size() < static_cast<int>(changes.size())) {
        QString sql = QStringLiteral(
            "INSERT INTO volume_history (customer_id, media_id, volume_id, changed_at,"
            " user_id, machine, program, action, field, old_value, new_value) VALUES ");
        for (int i = 0; i <= shapes.size(); ++i)
            sql += i ? QStringLiteral(", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                     : QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        shapes << sql;
    }
    const QString& sql = shapes.at(static_cast<int>(changes.size()) - 1);
    QVariantList binds;
    binds.reserve(static_cast<int>(changes.size()) * 11);
    const QString c = key.customerId.Text(), m = key.mediaId.Text(), v = key.volumeId.Text();
    const qint64 now = Now();
    for (const auto& change : changes)
        binds << c << m << v << now << m_userId << m_machine << qint64(m_programId) << action
              << change[0] << change[1] << change[2];
    return m_store->Exec(sql, binds);
}

// --- Reading ---------------------------------------------------------------------

CZELV10RC CZELV10MFC::Get(ZELVVOLS* out, const QString& customer, const QString& media,
                          const QString& volume) {
    CZELV10RC rc = KeyChecks(customer, media, volume);
    if (!rc.IsOK())
        return rc;
    ZELVVolumeState s;
    rc = Run(Mode::Single,
             [&]() { return ReadVolume(customer, media, volume, &s, nullptr, false); });
    if (rc.IsOK())
        FillVolume(s, out);
    return rc;
}

CZELV10RC CZELV10MFC::Get(ZELVVOLSEx* inOut) {
    CZELV10RC rc = KeyChecks(inOut->key);
    if (!rc.IsOK())
        return rc;
    return Get(&inOut->vol, inOut->key.customerId.Text(), inOut->key.mediaId.Text(),
               inOut->key.volumeId.Text());
}

CZELV10RC CZELV10MFC::Get(ZELVVOLSFULL* out, const QString& customer, const QString& media,
                          const QString& volume) {
    CZELV10RC rc = KeyChecks(customer, media, volume);
    if (!rc.IsOK())
        return rc;
    return ReadRow(out,
                   QStringLiteral("SELECT ") + QString::fromUtf8(kVolumeColumns) +
                       QString::fromUtf8(kUsedColumn) +
                       QStringLiteral(" FROM volume v WHERE v.customer_id = ? AND v.media_id = ?"
                                      " AND v.volume_id = ?"),
                   {customer, media, volume},
                   CZELV10RC(ZELV10RC_NOVOLUME, KeyText(customer, media, volume)),
                   [&](const ZELVCursor& c) {
                       ZELVVOLSFULL r;
                       const ZELVVolumeState s = ReadState(c, &r.key, nullptr);
                       FillVolume(s, &r.vol);
                       r.used = static_cast<uint32_t>(c.Int(kVolumeColumnCount));
                       return r;
                   });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVVOLSFULL>* out, const QString& customer,
                           const QString& media, const ZELVVOLFLAGS* filter, uint32_t* total,
                           uint32_t* matched, uint32_t* moving, uint32_t first, uint32_t max) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (!rc.IsOK())
        return rc;
    std::vector<ZELVVOLSFULL> rows;
    uint32_t all = 0, passing = 0, movingCount = 0;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        CZELV10RC q = MediaRow(customer, media, nullptr);
        if (!q.IsOK())
            return q;
        ZELVCursor c;
        q = m_store->Exec(
            QStringLiteral("SELECT ") + QString::fromUtf8(kVolumeColumns) +
                QString::fromUtf8(kUsedColumn) +
                QStringLiteral(" FROM volume v WHERE v.customer_id = ? AND v.media_id = ?"
                               " ORDER BY v.volume_id"),
            {customer, media}, &c);
        if (!q.IsOK())
            return q;
        while (c.Next()) {
            ZELVVOLSFULL r;
            const ZELVVolumeState s = ReadState(c, &r.key, nullptr);
            FillVolume(s, &r.vol);
            ++all;
            if (r.vol.flags & ZELVVOL_MOVING)
                ++movingCount;
            if (filter && ((r.vol.flags & filter->mustSet) != filter->mustSet ||
                           (r.vol.flags & filter->mustClear) != 0))
                continue;
            ++passing;
            if (passing <= first || (max != 0 && rows.size() >= max))
                continue;
            r.used = static_cast<uint32_t>(c.Int(kVolumeColumnCount));
            rows.push_back(r);
        }
        return CZELV10RC();
    });
    if (!rc.IsOK())
        return rc;
    *out = std::move(rows);
    if (total)
        *total = all;
    if (matched)
        *matched = passing;
    if (moving)
        *moving = movingCount;
    return rc;
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVVOLSKey>* out, uint32_t container) {
    if (container == 0)
        return CZELV10RC(ZELV10RC_NOCONTAINER, QStringLiteral("number 0"));
    return ReadRows(
        out,
        "SELECT customer_id, media_id, volume_id FROM volume WHERE container_no = ?"
        " ORDER BY customer_id, media_id, volume_id",
        {qint64(container)},
        [](const ZELVCursor& c) {
            ZELVVOLSKey k;
            k.customerId.Set(c.Text(0));
            k.mediaId.Set(c.Text(1));
            k.volumeId.Set(c.Text(2));
            return k;
        },
        [&] { return ContainerExists(container); });
}

CZELV10RC CZELV10MFC::ContainerExists(uint32_t container) {
    return FirstRow("SELECT 1 FROM volume WHERE container_self = ?", {qint64(container)},
                    CZELV10RC(ZELV10RC_NOCONTAINER, QString::number(container)),
                    [](const ZELVCursor&) {});
}

CZELV10RC CZELV10MFC::ContainerExists(uint32_t container, const QString& customer) {
    QString owner;
    CZELV10RC rc =
        FirstRow("SELECT customer_id FROM volume WHERE container_self = ?", {qint64(container)},
                 CZELV10RC(ZELV10RC_NOCONTAINER, QString::number(container)),
                 [&owner](const ZELVCursor& c) { owner = c.Text(0); });
    if (!rc.IsOK())
        return rc;
    // A Customer's Volumes travel in that Customer's Containers only.
    if (owner != customer)
        return CZELV10RC(ZELV10RC_NOCONTAINER,
                         QStringLiteral("%1 is a Container of Customer %2, not of %3")
                             .arg(container)
                             .arg(owner, customer));
    return rc;
}

// --- Writing ---------------------------------------------------------------------

CZELV10RC CZELV10MFC::Add(const ZELVVOLSEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::AddVolumes); !denied.IsOK())
        return denied;
    CZELV10RC rc = KeyChecks(in.key);
    if (rc.IsOK())
        rc = Field("Target Repository-ID", in.vol.Target().repositoryId, true);
    if (rc.IsOK())
        rc = Field("Current Repository-ID", in.vol.Current().repositoryId, true);
    if (!rc.IsOK())
        return rc;
    const QString customer = in.key.customerId.Text();
    const QString media = in.key.mediaId.Text();
    const QString volume = in.key.volumeId.Text();
    // The Media Type's Container pattern is read and matched before the write
    // transaction, so that no pattern is matched while the database's write
    // lock is held; the transaction reads it again and, should it have
    // changed meanwhile, the whole add starts over.
    const bool flagged = (in.vol.flags & ZELVVOL_CONTAINER) != 0;
    QString pattern;
    bool byPattern = false;
    bool patternChanged = false;
    const auto add = [&]() -> CZELV10RC {
        QString current;
        CZELV10RC q = MediaRow(customer, media, &current);
        if (!q.IsOK())
            return q;
        if (!flagged && current != pattern) {
            patternChanged = true;
            return CZELV10RC(
                ZELV10RC_CHANGED,
                QStringLiteral("the Container pattern of Media Type %1.%2").arg(customer, media));
        }
        ZELVCursor c;
        q = m_store->Exec(
            "SELECT 1 FROM volume WHERE customer_id = ? AND media_id = ? AND volume_id = ?",
            {customer, media, volume}, &c);
        if (!q.IsOK())
            return q;
        if (c.Next())
            return CZELV10RC(ZELV10RC_ALREADYDEFINED, KeyText(customer, media, volume));
        c.Reset();
        const bool isContainer = flagged || byPattern;
        ZELVVOLS vol = in.vol;
        if (isContainer)
            vol.container = 0;
        q = CheckVolumeRefs(customer, vol, nullptr);
        if (!q.IsOK())
            return q;
        if (vol.container != 0) {
            q = ContainerExists(vol.container, customer);
            if (!q.IsOK())
                return q;
        }
        qint64 number = 0;
        if (isContainer) {
            q = m_store->Exec(
                "UPDATE counter SET value = value + 1 WHERE name = 'container' RETURNING value", {},
                &c);
            if (!q.IsOK())
                return q;
            if (c.Next())
                number = c.Int(0);
            c.Reset();
            if (number <= 0 || number > 0xFFFFFFFFLL)
                return CZELV10RC(ZELV10RC_DATABASEERROR,
                                 QStringLiteral("no Container number left"));
        }
        const ZELVVolumeState s =
            CZELVVolumeRules::ApplyAdd(vol, isContainer, static_cast<uint32_t>(number), Now());
        QVariantList binds = {customer, media, volume};
        binds += StateBinds(s);
        binds << ZelvIntOrNull(s.containerSelf);
        q = m_store->Exec(
            "INSERT INTO volume (customer_id, media_id, volume_id, flags, target_repo, target_slot,"
            " current_repo, current_slot, move_date, due_time, move_time, scheduled, threshold,"
            " data_cluster, container_no, consignment_no, capacity, container_self)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            binds);
        if (!q.IsOK())
            return q;
        return WriteHistory(
            in.key, QStringLiteral("add"), QStringLiteral("volume"), QString(),
            QStringLiteral("at %1, target %2, flags 0x%3%4")
                .arg(CZELVVolumeRules::LocationText(s.vol.Current()),
                     CZELVVolumeRules::LocationText(s.vol.Target()))
                .arg(s.vol.flags, 8, 16, QLatin1Char('0'))
                .arg(isContainer ? QStringLiteral(", Container %1").arg(number) : QString()));
    };
    for (int attempt = 1;; ++attempt) {
        if (!flagged) {
            rc = Run(Mode::Single, [&] { return MediaRow(customer, media, &pattern); });
            if (rc.IsOK())
                rc = IsContainerByPattern(customer + QLatin1Char('.') + media, pattern, volume,
                                          &byPattern);
            if (!rc.IsOK())
                return rc;
        }
        patternChanged = false;
        rc = Run(Mode::Write, add);
        if (!patternChanged || attempt == 3)
            return rc;
    }
}

CZELV10RC CZELV10MFC::Update(const ZELVVOLSEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    CZELV10RC rc = KeyChecks(in.key);
    if (rc.IsOK())
        rc = Field("Target Repository-ID", in.vol.Target().repositoryId, true);
    if (rc.IsOK() && !in.vol.Confirmation().repositoryId.IsEmpty())
        rc = Field("Confirmation Repository-ID", in.vol.Confirmation().repositoryId, true);
    if (!rc.IsOK())
        return rc;
    const QString customer = in.key.customerId.Text();
    const QString media = in.key.mediaId.Text();
    const QString volume = in.key.volumeId.Text();
    // A date the rules cannot use would quietly become Permanent: refused instead.
    const CZELVDate& date = in.vol.moveDate;
    // The calendar bits with no fields are the old form of "no date".
    if ((in.vol.flags & ZELVVOL_MOVEDATE) && date.IsCalendarDate() &&
        (date.Value() & ~CZELVDate::kCalendarBits) != 0 &&
        (!date.IsValid() || date.Year() < kZelvFirstMoveYear))
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("the move date of %1 is not a day from %2-01-01 to "
                                        "%3-12-31")
                             .arg(KeyText(customer, media, volume))
                             .arg(kZelvFirstMoveYear)
                             .arg(CZELVDate::kMaxYear));
    // On PostgreSQL every write of this call goes in one statement (below),
    // which is a transaction by itself; BEGIN and COMMIT would only add round
    // trips. What was read before it is held to the row by the version check.
    const bool oneStatement = m_store->Engine() == ZELVEngine::PostgreSQL;
    return Run(oneStatement ? Mode::Single : Mode::Write, [&]() -> CZELV10RC {
        ZELVVolumeState old;
        qint64 row = 0;
        CZELV10RC q = ReadVolume(customer, media, volume, &old, &row, !oneStatement);
        if (!q.IsOK())
            return q;
        // Two operators never overwrite each other: the write must carry the
        // version that its Get read.
        if (in.vol.version != old.vol.version)
            return CZELV10RC(ZELV10RC_CHANGED,
                             QStringLiteral("%1 (read as version %2, now version %3)")
                                 .arg(KeyText(customer, media, volume))
                                 .arg(in.vol.version)
                                 .arg(old.vol.version));
        ZELVVOLS vol = in.vol;
        if (old.containerSelf != 0)
            vol.container = old.containerSelf;
        q = CheckVolumeRefs(customer, vol, &old.vol);
        if (!q.IsOK())
            return q;
        ZELVCursor c;
        if (old.containerSelf == 0 && vol.container != 0 && vol.container != old.vol.container) {
            q = ContainerExists(vol.container, customer);
            if (!q.IsOK())
                return q;
        }
        ZELVRepositoryFacts facts;
        if (!vol.Confirmation().repositoryId.IsEmpty()) {
            q = m_store->Exec(
                "SELECT next_repository, type FROM repository WHERE repository_id = ?",
                {vol.Confirmation().repositoryId.Text()}, &c);
            if (!q.IsOK())
                return q;
            if (c.Next()) {
                facts.exists = true;
                facts.next = c.Text(0);
                facts.type = static_cast<uint16_t>(c.Int(1));
            }
            c.Reset();
        }
        ZELVVolumeState now;
        bool confirmed = false;
        q = CZELVVolumeRules::ApplyUpdate(old, vol, facts, Now(), &now, &confirmed);
        if (!q.IsOK())
            return q;
        std::vector<std::array<QString, 3>> changes;
        if (confirmed)
            changes.push_back({QStringLiteral("confirmed_at"), QString(),
                               CZELVVolumeRules::LocationText(vol.Confirmation())});
        for (const ZELVFieldChange& change : CZELVVolumeRules::Changes(old, now))
            changes.push_back({change.field, change.oldValue, change.newValue});
        const QString action = confirmed ? QStringLiteral("confirm") : QStringLiteral("update");
        const bool offsite =
            confirmed && (facts.type == ZELVREPTYPE_VAULT || facts.type == ZELVREPTYPE_RECOVERY);
        if (oneStatement)
            return WriteVolumeAtOnce(in.key, row, old.vol.version, now, action, changes, offsite);

        // SQLite rewrites the index entries of every indexed column it is told
        // to set, changed or not: leave the locations and the Container out
        // when they stay as they are.
        const bool indexedSame = now.vol.Target().repositoryId == old.vol.Target().repositoryId &&
                                 now.vol.Current().repositoryId == old.vol.Current().repositoryId &&
                                 (now.containerSelf != 0 || now.vol.container == old.vol.container);
        QVariantList binds = UpdateBinds(now);
        if (indexedSame) {
            binds.removeAt(11); // container_no
            binds.removeAt(3);  // current_repo
            binds.removeAt(1);  // target_repo
        }
        binds << row << qint64(old.vol.version);
        q = indexedSame
                ? m_store->Exec("UPDATE volume SET flags = ? | " ZELV_ROW_KEPT_FLAGS
                                ", target_slot = ?, current_slot = ?, move_date = ?,"
                                " due_time = ?, move_time = ?, scheduled = ?, threshold = ?, "
                                "data_cluster = ?,"
                                " consignment_no = ?, capacity = ?, version = version + 1"
                                " WHERE volume_row = ? AND version = ?",
                                binds, &c)
                : m_store->Exec("UPDATE volume SET flags = ? | " ZELV_ROW_KEPT_FLAGS
                                ", target_repo = ?, target_slot = ?, current_repo = ?,"
                                " current_slot = ?, move_date = ?, due_time = ?, move_time = ?, "
                                "scheduled = ?,"
                                " threshold = ?, data_cluster = ?, container_no = ?, "
                                "consignment_no = ?, capacity = ?,"
                                " version = version + 1 WHERE volume_row = ? AND version = ?",
                                binds, &c);
        if (!q.IsOK())
            return q;
        if (c.RowsAffected() != 1)
            return CZELV10RC(ZELV10RC_CHANGED, KeyText(customer, media, volume));
        c.Reset();
        if (offsite) {
            q = m_store->Exec(
                "UPDATE media SET last_offsite = ? WHERE customer_id = ? AND media_id = ?",
                {Now(), customer, media});
            if (!q.IsOK())
                return q;
        }
        return WriteHistory(in.key, action, changes);
    });
}

CZELV10RC CZELV10MFC::WriteVolumeAtOnce(const ZELVVOLSKey& key, qint64 row, uint64_t version,
                                        const ZELVVolumeState& now, const QString& action,
                                        const std::vector<std::array<QString, 3>>& changes,
                                        bool offsite) {
    // The update, its history and the off-site time in one statement: the
    // history and the media row follow only when the version still matched.
    static QHash<QString, QString> shapes;
    const QString shape = QStringLiteral("%1:%2").arg(changes.size()).arg(offsite);
    auto it = shapes.constFind(shape);
    if (it == shapes.constEnd()) {
        QString sql = QStringLiteral("WITH u AS (UPDATE volume SET flags = ? | " ZELV_ROW_KEPT_FLAGS
                                     ", target_repo = ?, target_slot = ?, current_repo = ?,"
                                     " current_slot = ?, move_date = ?, due_time = ?, move_time = "
                                     "?, scheduled = ?, threshold = ?,"
                                     " data_cluster = ?, container_no = ?, consignment_no = ?, "
                                     "capacity = ?, version = version + 1"
                                     " WHERE volume_row = ? AND version = ? RETURNING volume_row)");
        if (!changes.empty()) {
            sql += QStringLiteral(
                ", h AS (INSERT INTO volume_history (customer_id, media_id, volume_id,"
                " changed_at, user_id, machine, program, action, field, old_value, new_value)"
                " SELECT x.* FROM u, (VALUES ");
            for (size_t i = 0; i < changes.size(); ++i)
                sql += (i ? QStringLiteral(", ") : QString()) +
                       QStringLiteral(
                           "(?::text, ?::text, ?::text, ?::bigint, ?::text, ?::text, ?::bigint,"
                           " ?::text, ?::text, ?::text, ?::text)");
            sql += QStringLiteral(") AS x RETURNING 1)");
        }
        if (offsite)
            sql += QStringLiteral(
                ", m AS (UPDATE media SET last_offsite = ?::bigint WHERE customer_id = ?::text"
                " AND media_id = ?::text AND EXISTS (SELECT 1 FROM u) RETURNING 1)");
        sql += QStringLiteral(" SELECT COUNT(*) FROM u");
        it = shapes.insert(shape, sql);
    }
    QVariantList binds = UpdateBinds(now);
    binds << row << qint64(version);
    const QString c = key.customerId.Text(), m = key.mediaId.Text(), v = key.volumeId.Text();
    const qint64 when = Now();
    for (const auto& change : changes)
        binds << c << m << v << when << m_userId << m_machine << qint64(m_programId) << action
              << change[0] << change[1] << change[2];
    if (offsite)
        binds << when << c << m;
    ZELVCursor cur;
    CZELV10RC rc = m_store->Exec(it.value(), binds, &cur);
    if (!rc.IsOK())
        return rc;
    if (!cur.Next() || cur.Int(0) != 1)
        return CZELV10RC(ZELV10RC_CHANGED, KeyText(c, m, v));
    return CZELV10RC();
}

// --- Locations -------------------------------------------------------------------

CZELV10RC CZELV10MFC::ResolveSlot(ZELVABSLOC* out, const QString& customer, const QString& media,
                                  const QString& repository, uint32_t slot) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (rc.IsOK())
        rc = Identifier("Repository-ID", repository, kZelvRepositoryIdLen);
    if (!rc.IsOK())
        return rc;
    ZELVABSLOC r;
    r.repositoryId.Set(repository);
    r.slot = slot;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        CZELV10RC q =
            FirstRow("SELECT 1 FROM repository WHERE repository_id = ?", {repository},
                     CZELV10RC(ZELV10RC_NOREPOSITORY, repository), [](const ZELVCursor&) {});
        if (!q.IsOK())
            return q;
        if (slot == 0)
            return CZELV10RC(ZELV10RC_NOZONE, QStringLiteral("%1 slot 0").arg(repository));
        return FirstRow(
            "SELECT name, first_slot FROM zone WHERE repository_id = ? AND first_slot <= ?"
            " AND ? < first_slot + slot_count ORDER BY first_slot",
            {repository, qint64(slot), qint64(slot)},
            CZELV10RC(ZELV10RC_NOZONE, QStringLiteral("%1 slot %2").arg(repository).arg(slot)),
            [&](const ZELVCursor& c) {
                r.zoneName.Set(c.Text(0));
                r.zoneSlot = static_cast<uint32_t>(qint64(slot) - c.Int(1) + 1);
            });
    });
    *out = r;
    return rc;
}

CZELV10RC CZELV10MFC::Get(ZELVVOLABS* out, const QString& customer, const QString& media,
                          const QString& volume) {
    ZELVVOLS vol;
    CZELV10RC rc = Get(&vol, customer, media, volume);
    if (!rc.IsOK())
        return rc;
    ZELVVOLABS r;
    r.key.customerId.Set(customer);
    r.key.mediaId.Set(media);
    r.key.volumeId.Set(volume);
    CZELV10RC target = ResolveSlot(&r.target, customer, media, vol.Target().repositoryId.Text(),
                                   vol.Target().slot);
    CZELV10RC current = ResolveSlot(&r.current, customer, media, vol.Current().repositoryId.Text(),
                                    vol.Current().slot);
    *out = r;
    // Not in a zone is not an error for the record, but the caller learns it.
    if (!current.IsOK() && current.Code() != ZELV10RC_NOZONE)
        return current;
    if (!target.IsOK() && target.Code() != ZELV10RC_NOZONE)
        return target;
    return current;
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVVOLABS>* out, const QString& customer,
                           const QString& media, const ZELVVOLFLAGS* filter) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (!rc.IsOK())
        return rc;
    std::vector<ZELVVOLABS> rows;
    // Zones never overlap, so a slot lies in at most one; they are few, and
    // are matched here rather than read once per Volume.
    QHash<QString, std::vector<ZELVZONE>> zones;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        CZELV10RC q = MediaRow(customer, media, nullptr);
        if (!q.IsOK())
            return q;
        q = EachRow("SELECT repository_id, name, first_slot, slot_count FROM zone"
                    " ORDER BY repository_id, first_slot",
                    {}, [&](const ZELVCursor& c) {
                        ZELVZONE z;
                        z.repositoryId.Set(c.Text(0));
                        z.name.Set(c.Text(1));
                        z.firstSlot = static_cast<uint32_t>(c.Int(2));
                        z.slotCount = static_cast<uint32_t>(c.Int(3));
                        zones[c.Text(0)].push_back(z);
                    });
        if (!q.IsOK())
            return q;
        const auto resolve = [&zones](const ZELVVOLLOC& at) {
            ZELVABSLOC loc;
            loc.repositoryId = at.repositoryId;
            loc.slot = at.slot;
            if (at.slot == 0)
                return loc;
            const auto it = zones.constFind(at.repositoryId.Text());
            if (it == zones.constEnd())
                return loc;
            for (const ZELVZONE& z : *it)
                if (z.firstSlot <= at.slot && qint64(at.slot) < qint64(z.firstSlot) + z.slotCount) {
                    loc.zoneName = z.name;
                    loc.zoneSlot = at.slot - z.firstSlot + 1;
                    break;
                }
            return loc;
        };
        return EachRow(QStringLiteral("SELECT ") + QString::fromUtf8(kVolumeColumns) +
                           QStringLiteral(" FROM volume v WHERE v.customer_id = ? AND"
                                          " v.media_id = ? ORDER BY v.volume_id"),
                       {customer, media}, [&](const ZELVCursor& c) {
                           ZELVVOLABS r;
                           ZELVVOLS vol;
                           const ZELVVolumeState s = ReadState(c, &r.key, nullptr);
                           FillVolume(s, &vol);
                           if (filter && ((vol.flags & filter->mustSet) != filter->mustSet ||
                                          (vol.flags & filter->mustClear) != 0))
                               return;
                           r.current = resolve(vol.Current());
                           r.target = resolve(vol.Target());
                           rows.push_back(r);
                       });
    });
    if (rc.IsOK())
        *out = std::move(rows);
    return rc;
}

CZELV10RC CZELV10MFC::LoadVolumes(QStringList* out, uint32_t max) {
    QStringList rows;
    CZELV10RC rc = Run(Mode::Read, [&]() -> CZELV10RC {
        const auto row = [&](const ZELVCursor& c) {
            rows << KeyText(c.Text(0), c.Text(1), c.Text(2));
        };
        return max == 0 ? EachRow("SELECT customer_id, media_id, volume_id FROM volume"
                                  " ORDER BY customer_id, media_id, volume_id",
                                  {}, row)
                        : EachRow("SELECT customer_id, media_id, volume_id FROM volume"
                                  " ORDER BY customer_id, media_id, volume_id LIMIT ?",
                                  {qint64(max)}, row);
    });
    if (rc.IsOK())
        *out = rows;
    return rc;
}

// --- Attributes ------------------------------------------------------------------

CZELV10RC CZELV10MFC::Get(ZELVATTRIBUTE* out, const QString& customer, const QString& media,
                          const QString& volume, uint32_t number) {
    CZELV10RC rc = KeyChecks(customer, media, volume);
    if (!rc.IsOK())
        return rc;
    if (number > kZelvAttributeTypes)
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("attribute number %1 is not 0 to 200").arg(number));
    ZELVATTRIBUTE r;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        ZELVVolumeState s;
        qint64 row = 0;
        CZELV10RC q = ReadVolume(customer, media, volume, &s, &row, false);
        if (!q.IsOK())
            return q;
        return FirstRow("SELECT value FROM attribute WHERE volume_row = ? AND number = ?",
                        {row, qint64(number)},
                        CZELV10RC(ZELV10RC_NOATTRIBUTE, QStringLiteral("%1 attribute %2")
                                                            .arg(KeyText(customer, media, volume))
                                                            .arg(number)),
                        [&](const ZELVCursor& c) { r.value.Set(c.Text(0)); });
    });
    if (rc.IsOK())
        *out = r;
    return rc;
}

CZELV10RC CZELV10MFC::Put(const ZELVATTRIBUTEEx& in) {
    return PutAttribute(in, nullptr);
}

CZELV10RC CZELV10MFC::Put(const ZELVATTRIBUTEEx& in, uint64_t version) {
    return PutAttribute(in, &version);
}

CZELV10RC CZELV10MFC::PutAttribute(const ZELVATTRIBUTEEx& in, const uint64_t* version) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    CZELV10RC rc = KeyChecks(in.key);
    if (rc.IsOK())
        rc = Field("Attribute value", in.value, false);
    if (!rc.IsOK())
        return rc;
    if (in.number > kZelvAttributeTypes)
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("attribute number %1 is not 0 to 200").arg(in.number));
    const QString customer = in.key.customerId.Text();
    const QString media = in.key.mediaId.Text();
    const QString volume = in.key.volumeId.Text();
    const QString value = in.value.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVVolumeState s;
        qint64 row = 0;
        CZELV10RC q = ReadVolume(customer, media, volume, &s, &row, true);
        if (!q.IsOK())
            return q;
        if (version && *version != s.vol.version)
            return CZELV10RC(ZELV10RC_CHANGED,
                             QStringLiteral("%1 (read as version %2, now version %3)")
                                 .arg(KeyText(customer, media, volume))
                                 .arg(*version)
                                 .arg(s.vol.version));
        ZELVCursor c;
        if (in.number != 0 && !value.isEmpty()) {
            // A value its type cannot read would show as something else on
            // every page: refused instead.
            q = m_store->Exec(
                "SELECT flags FROM attribute_type WHERE customer_id = ? AND number = ?",
                {customer, qint64(in.number)}, &c);
            if (!q.IsOK())
                return q;
            const int type = c.Next() ? int((c.Int(0) >> 2) & 7) : 0;
            c.Reset();
            q = CheckAttributeValue(type, value);
            if (!q.IsOK())
                return q;
        }
        q = m_store->Exec("SELECT value FROM attribute WHERE volume_row = ? AND number = ?",
                          {row, qint64(in.number)}, &c);
        if (!q.IsOK())
            return q;
        const QString oldValue = c.Next() ? c.Text(0) : QString();
        c.Reset();
        if (oldValue == value)
            return CZELV10RC();
        if (value.isEmpty())
            q = m_store->Exec("DELETE FROM attribute WHERE volume_row = ? AND number = ?",
                              {row, qint64(in.number)});
        else
            q = m_store->Exec(
                "INSERT INTO attribute (volume_row, number, value) VALUES (?, ?, ?)"
                " ON CONFLICT (volume_row, number) DO UPDATE SET value = excluded.value",
                {row, qint64(in.number), value});
        if (!q.IsOK())
            return q;
        if (in.number == 0) {
            // The Volume says whether it has a description. The bit is part of
            // the record Get returns, so changing it is a new version: an
            // Update from an earlier read is refused instead of undoing it.
            q = value.isEmpty()
                    ? m_store->Exec("UPDATE volume SET flags = flags & ~4096, version = version + 1"
                                    " WHERE volume_row = ? AND (flags & 4096) <> 0",
                                    {row})
                    : m_store->Exec("UPDATE volume SET flags = flags | 4096, version = version + 1"
                                    " WHERE volume_row = ? AND (flags & 4096) = 0",
                                    {row});
            if (!q.IsOK())
                return q;
        }
        ZELVVOLSKey key;
        key.customerId.Set(customer);
        key.mediaId.Set(media);
        key.volumeId.Set(volume);
        return WriteHistory(key, QStringLiteral("attribute"),
                            in.number == 0 ? QStringLiteral("description")
                                           : QStringLiteral("attribute %1").arg(in.number),
                            oldValue, value);
    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVATTRIBUTEFULL>* out, const QString& customer,
                           const QString& media, uint32_t number) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(
        out,
        "SELECT v.customer_id, v.media_id, v.volume_id, a.number, a.value FROM attribute a"
        " JOIN volume v ON v.volume_row = a.volume_row"
        " WHERE v.customer_id = ? AND v.media_id = ? AND a.number = ? ORDER BY v.volume_id",
        {customer, media, qint64(number)},
        [](const ZELVCursor& c) {
            ZELVATTRIBUTEFULL r;
            r.key.customerId.Set(c.Text(0));
            r.key.mediaId.Set(c.Text(1));
            r.key.volumeId.Set(c.Text(2));
            r.number = static_cast<uint32_t>(c.Int(3));
            r.value.Set(c.Text(4));
            return r;
        },
        [&] { return MediaRow(customer, media, nullptr); });
}

// --- Scans and the audit trail -------------------------------------------------------

CZELV10RC CZELV10MFC::ReportScan(const QString& customer, const QString& media,
                                 const QString& volume) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    // What was scanned is kept as it came, odd characters and all: the audit
    // wants to see it. Only what cannot be stored is refused.
    CZELV10RC rc = FreeText("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = FreeText("Media-ID", media, kZelvMediaIdLen);
    if (rc.IsOK())
        rc = FreeText("Volume-ID", volume, kZelvVolumeIdLen);
    if (rc.IsOK() && volume.isEmpty())
        rc = CZELV10RC(ZELV10RC_BADIDENTIFIER, QStringLiteral("Volume-ID is empty"));
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() {
        return m_store->Exec(
            "INSERT INTO scan_report (scanned_at, user_id, machine, program, customer_id,"
            " media_id, volume_id) VALUES (?, ?, ?, ?, ?, ?, ?)",
            {Now(), m_userId, m_machine, qint64(m_programId), customer, media, volume});
    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVSCANREPORT>* out, int64_t since) {
    return ReadRows(out,
                    "SELECT customer_id, media_id, volume_id, scanned_at, user_id, machine, program"
                    " FROM scan_report WHERE scanned_at >= ? ORDER BY report_id",
                    {qint64(since)}, [](const ZELVCursor& c) {
                        ZELVSCANREPORT r;
                        r.key.customerId.Set(c.Text(0));
                        r.key.mediaId.Set(c.Text(1));
                        r.key.volumeId.Set(c.Text(2));
                        r.when = c.Int(3);
                        r.userId.Set(c.Text(4));
                        r.machine.Set(c.Text(5));
                        r.programId = static_cast<uint32_t>(c.Int(6));
                        return r;
                    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVVOLHISTORY>* out, const QString& customer,
                           const QString& media, const QString& volume, bool newestFirst) {
    CZELV10RC rc = KeyChecks(customer, media, volume);
    if (!rc.IsOK())
        return rc;
    return ReadRows(
        out,
        newestFirst
            ? "SELECT changed_at, user_id, machine, program, action, field, old_value, new_value"
              " FROM volume_history WHERE customer_id = ? AND media_id = ? AND volume_id = ?"
              " ORDER BY history_id DESC"
            : "SELECT changed_at, user_id, machine, program, action, field, old_value, new_value"
              " FROM volume_history WHERE customer_id = ? AND media_id = ? AND volume_id = ?"
              " ORDER BY history_id",
        {customer, media, volume}, [&](const ZELVCursor& c) {
            ZELVVOLHISTORY r;
            r.key.customerId.Set(customer);
            r.key.mediaId.Set(media);
            r.key.volumeId.Set(volume);
            r.when = c.Int(0);
            r.userId.Set(c.Text(1));
            r.machine.Set(c.Text(2));
            r.programId = static_cast<uint32_t>(c.Int(3));
            r.action.Set(c.Text(4));
            r.field.Set(c.Text(5));
            r.oldValue = c.Text(6);
            r.newValue = c.Text(7);
            return r;
        });
}

ZELV10IPDETAILS ZelvValidate::UpdateDetailsRow(const ZELVCursor& c) {
    ZELV10IPDETAILS d;
    d.present = ZELVIPD_WHEN | ZELVIPD_MACHINE | ZELVIPD_CONNECTIONS | ZELVIPD_USER;
    d.when = c.Int(0);
    d.userId.Set(c.Text(1));
    d.machine.Set(c.Text(2));
    if (!c.IsNull(3))
        d.userName.Set(c.Text(3));
    if (!c.IsNull(4)) {
        // What the machine said of itself when it last logged on.
        d.present |= ZELVIPD_SOURCE | ZELVIPD_INTERFACE | ZELVIPD_OS;
        d.connectionCount = static_cast<uint32_t>(c.Int(4));
        d.firstConnection = c.Int(5);
        d.lastConnection = c.Int(6);
        d.interfaceText.Set(c.Text(7));
        d.operatingSystem.Set(c.Text(8));
        d.utcOffset = static_cast<int32_t>(c.Int(9));
        d.timeZone.Set(c.Text(10));
    }
    return d;
}

CZELV10RC CZELV10MFC::GetUpdateDetails(ZELV10IPDETAILS* out, const QString& customer,
                                       const QString& media, const QString& volume) {
    CZELV10RC rc = KeyChecks(customer, media, volume);
    if (!rc.IsOK())
        return rc;
    std::vector<ZELV10IPDETAILS> found;
    rc = ReadRows(&found,
                  "SELECT h.changed_at, h.user_id, h.machine, u.name, c.connections, c.first_at,"
                  " c.last_at, c.interface, c.os, c.utc_offset, c.time_zone"
                  " FROM volume_history h LEFT JOIN app_user u ON u.user_id = h.user_id"
                  " LEFT JOIN client_connection c ON c.machine = h.machine"
                  " WHERE h.customer_id = ? AND h.media_id = ? AND h.volume_id = ?"
                  " ORDER BY h.history_id DESC LIMIT 1",
                  {customer, media, volume}, UpdateDetailsRow);
    if (!rc.IsOK())
        return rc;
    if (found.empty())
        return CZELV10RC(
            ZELV10RC_NOTREAD,
            QStringLiteral("%1.%2.%3 has no recorded change").arg(customer, media, volume));
    *out = found.front();
    return CZELV10RC();
}

CZELV10RC CZELV10MFC::ParseBarCode(ZELV10BARCODEPARSED* out, const QString& barcode,
                                   const QString& customer, const QString& media,
                                   const ZELVConfig* config) {
    QString text = barcode.trimmed();
    if (config) {
        if (config->LookupBool(QStringLiteral("barcode/uppercase")).value_or(false))
            text = text.toUpper();
        // Labels often carry a media suffix after the Volume ("A00001L6").
        const QStringList suffixes =
            config->Lookup(QStringLiteral("barcode/suffixes")).AsStringList();
        for (const QString& suffix : suffixes)
            if (!suffix.isEmpty() && text.size() > suffix.size() && text.endsWith(suffix)) {
                text.chop(suffix.size());
                break;
            }
    }
    if (text.isEmpty())
        return CZELV10RC(ZELV10RC_BARCODEEMPTY);
    if (text.contains(QChar(0)))
        return CZELV10RC(ZELV10RC_BADBARCODE,
                         Shown(text) + QStringLiteral(" contains a NUL character"));

    QString c = customer, m = media, v = text;
    if (text.contains(QLatin1Char('.'))) {
        const QStringList parts = text.split(QLatin1Char('.'));
        if (parts.size() != 3)
            return CZELV10RC(ZELV10RC_BADBARCODE,
                             Shown(text) + QStringLiteral(" is not Customer.Media.Volume"));
        c = parts[0];
        m = parts[1];
        v = parts[2];
    } else if (customer.isEmpty() || media.isEmpty()) {
        return CZELV10RC(ZELV10RC_NODEFAULTS, Shown(text));
    }
    if (v.isEmpty())
        return CZELV10RC(ZELV10RC_BARCODEEMPTY,
                         Shown(text) + QStringLiteral(" has no Volume part"));
    if (v.size() > kZelvVolumeIdLen)
        return CZELV10RC(ZELV10RC_BARCODETOOLONG, Shown(v));
    CZELV10RC rc = KeyChecks(c, m, v);
    if (!rc.IsOK())
        return CZELV10RC(ZELV10RC_BADBARCODE, rc.Get());

    ZELV10BARCODEPARSED r;
    r.customerId.Set(c);
    r.mediaId.Set(m);
    r.volumeId.Set(v);
    QString pattern;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        ZELVCursor cur;
        CZELV10RC q =
            m_store->Exec("SELECT container_self FROM volume WHERE customer_id = ? AND media_id = ?"
                          " AND volume_id = ?",
                          {c, m, v}, &cur);
        if (!q.IsOK())
            return q;
        if (cur.Next()) {
            r.flags |= ZELVPARSED_DEFINED;
            if (!cur.IsNull(0))
                r.flags |= ZELVPARSED_CONTAINER;
            return CZELV10RC();
        }
        cur.Reset();
        // Unknown: a Container when its Media Type's pattern says so, as Add will decide.
        q = m_store->Exec(
            "SELECT container_pattern FROM media WHERE customer_id = ? AND media_id = ?", {c, m},
            &cur);
        if (!q.IsOK())
            return q;
        if (cur.Next())
            pattern = cur.Text(0);
        return CZELV10RC();
    });
    // Matched once the database is left alone; a pattern that cannot be used
    // says nothing here (adding the Volume will say why).
    bool container = false;
    if (rc.IsOK() && !(r.flags & ZELVPARSED_DEFINED) &&
        IsContainerByPattern(c + QLatin1Char('.') + m, pattern, v, &container).IsOK() && container)
        r.flags |= ZELVPARSED_CONTAINER;
    *out = r;
    return rc;
}
