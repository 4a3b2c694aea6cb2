// Customers, Media Types, Repositories, zones, Data-Clusters, Containers,
// Consignments and attribute types.
#include "ZELV10MFC.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"

using namespace ZelvValidate;

namespace {

uint16_t Clamp16(qint64 v) {
    return static_cast<uint16_t>(v < 0 ? 0 : (v > 65535 ? 65535 : v));
}

uint16_t DaysSince(qint64 when, qint64 now) {
    if (when <= 0)
        return kZelvNeverDays;
    const qint64 days = (now - when) / 86400;
    return static_cast<uint16_t>(days < 0 ? 0 : (days > 65534 ? 65534 : days));
}

// Counts are worked out from the Volume rows in the same statement that reads
// the record, so they are true to the rows whoever wrote them.
const char* const kCustomerSelect =
    "SELECT c.customer_id, c.name, c.flags, c.dr_strategies, c.dr_errors, c.dr_last_run,"
    " c.audit_failures, c.version,"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = c.customer_id),"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = c.customer_id AND (v.flags & 64) <> 0),"
    " (SELECT COUNT(*) FROM media m WHERE m.customer_id = c.customer_id AND (m.flags & 262144) = 0"
    "  AND EXISTS (SELECT 1 FROM volume v WHERE v.customer_id = m.customer_id AND v.media_id = "
    "m.media_id))"
    " FROM customer c";

ZELVCUSTEx ReadCustomer(const ZELVCursor& c, qint64 now) {
    ZELVCUSTEx r;
    r.customerId.Set(c.Text(0));
    r.name.Set(c.Text(1));
    r.flags = static_cast<uint32_t>(c.Int(2));
    r.drStrategies = Clamp16(c.Int(3));
    r.drErrors = Clamp16(c.Int(4));
    r.drLastRun = c.Int(5);
    r.drDays = DaysSince(r.drLastRun, now);
    r.auditFailures = Clamp16(c.Int(6));
    r.version = static_cast<uint64_t>(c.Int(7));
    r.volumes = static_cast<uint32_t>(c.Int(8));
    r.moves = static_cast<uint32_t>(c.Int(9));
    r.chartCount = Clamp16(c.Int(10));
    return r;
}

const char* const kMediaSelect =
    "SELECT m.customer_id, m.media_id, m.name, m.flags, m.container_pattern, m.last_sync,"
    " m.last_offsite, m.version,"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = m.customer_id AND v.media_id = "
    "m.media_id),"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = m.customer_id AND v.media_id = "
    "m.media_id"
    "  AND (v.flags & 64) <> 0),"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = m.customer_id AND v.media_id = "
    "m.media_id"
    "  AND (v.flags & 64) <> 0 AND v.threshold > 0 AND NOT (v.scheduled = 1 AND v.due_time > ?)"
    "  AND v.move_time + v.threshold * 60 < ?)"
    " FROM media m WHERE m.customer_id = ?";

// Scratch Volumes a pool Repository lacks, per Media Type.
const char* const kScratchSelect =
    "SELECT s.media_id, s.scratch_required,"
    " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = s.customer_id AND v.media_id = "
    "s.media_id"
    "  AND v.current_repo = s.repository_id AND (v.flags & 2) <> 0)"
    " FROM repository_setting s WHERE s.customer_id = ? AND (s.flags & 16384) <> 0";

// A Repository as one Customer and Media Type see it. Moves planned for a
// later date (scheduled, due in the future) are neither incoming nor outgoing yet.
const char* const kRepositoryFullSelect =
    "SELECT r.repository_id, r.name, r.flags, r.next_repository, r.type, r.version,"
    " COALESCE(s.flags, 0), COALESCE(s.scratch_required, 0),"
    " COALESCE(a.n, 0), COALESCE(a.outgoing, 0), COALESCE(a.scanned, 0), COALESCE(a.scratch, 0),"
    " COALESCE(b.incoming, 0)"
    " FROM repository r"
    " LEFT JOIN repository_setting s ON s.repository_id = r.repository_id AND s.customer_id = ?"
    "  AND s.media_id = ?"
    " LEFT JOIN (SELECT current_repo AS repo, COUNT(*) AS n,"
    "  SUM(CASE WHEN target_repo <> current_repo AND NOT (scheduled = 1 AND due_time > ?)"
    "   THEN 1 ELSE 0 END) AS outgoing,"
    "  SUM(CASE WHEN target_repo <> current_repo AND NOT (scheduled = 1 AND due_time > ?)"
    "   AND (flags & 8) <> 0 THEN 1 ELSE 0 END) AS scanned,"
    "  SUM(CASE WHEN (flags & 2) <> 0 THEN 1 ELSE 0 END) AS scratch"
    "  FROM volume WHERE customer_id = ? AND media_id = ? GROUP BY current_repo) a"
    "  ON a.repo = r.repository_id"
    " LEFT JOIN (SELECT target_repo AS repo, COUNT(*) AS incoming FROM volume"
    "  WHERE customer_id = ? AND media_id = ? AND target_repo <> current_repo"
    "  AND NOT (scheduled = 1 AND due_time > ?) GROUP BY target_repo) b ON b.repo = "
    "r.repository_id";

ZELVREPOSITORYFULL ReadRepositoryFull(const ZELVCursor& c, const QString& customer,
                                      const QString& media) {
    ZELVREPOSITORYFULL r;
    r.repositoryId.Set(c.Text(0));
    r.name.Set(c.Text(1));
    r.localFlags = static_cast<uint32_t>(c.Int(6)) & ZELVREP_LOCALBITS;
    r.flags = static_cast<uint32_t>(c.Int(2)) | r.localFlags;
    r.nextRepositoryId.Set(c.Text(3));
    r.type = static_cast<uint16_t>(c.Int(4));
    r.version = static_cast<uint64_t>(c.Int(5));
    r.customerId.Set(customer);
    r.mediaId.Set(media);
    r.scratchRequired = Clamp16(c.Int(7));
    r.volumes = static_cast<uint32_t>(c.Int(8));
    r.outgoing = Clamp16(c.Int(9));
    r.scannedOut = Clamp16(c.Int(10));
    r.scratch = Clamp16(c.Int(11));
    r.incoming = Clamp16(c.Int(12));
    return r;
}

CZELV10RC Checks(std::initializer_list<CZELV10RC> list) {
    for (const CZELV10RC& rc : list)
        if (!rc.IsOK())
            return rc;
    return CZELV10RC();
}

} // namespace

CZELV10RC CZELV10MFC::CustomerExists(const QString& customer) {
    ZELVCursor c;
    CZELV10RC rc = m_store->Exec("SELECT 1 FROM customer WHERE customer_id = ?", {customer}, &c);
    if (!rc.IsOK())
        return rc;
    return c.Next() ? CZELV10RC() : CZELV10RC(ZELV10RC_NOCUSTOMER, customer);
}

CZELV10RC CZELV10MFC::MediaRow(const QString& customer, const QString& media,
                               QString* containerPattern) {
    ZELVCursor c;
    CZELV10RC rc =
        m_store->Exec("SELECT container_pattern FROM media WHERE customer_id = ? AND media_id = ?",
                      {customer, media}, &c);
    if (!rc.IsOK())
        return rc;
    if (!c.Next()) {
        c.Reset();
        rc = CustomerExists(customer);
        if (!rc.IsOK())
            return rc;
        return CZELV10RC(ZELV10RC_NOMEDIA, customer + QLatin1Char('.') + media);
    }
    if (containerPattern)
        *containerPattern = c.Text(0);
    return CZELV10RC();
}

namespace {

template <typename Sql>
CZELV10RC Rows(CZELVStore& store, const Sql& sql, const QVariantList& binds,
               const CZELV10RC* missing, const std::function<void(const ZELVCursor&)>& row) {
    ZELVCursor c;
    CZELV10RC rc = store.Exec(sql, binds, &c);
    if (!rc.IsOK())
        return rc;
    if (missing) {
        if (!c.Next())
            return *missing;
        row(c);
        return rc;
    }
    while (c.Next())
        row(c);
    return rc;
}

} // namespace

CZELV10RC CZELV10MFC::EachRow(const char* sql, const QVariantList& binds, const RowFn& row) {
    return Rows(*m_store, sql, binds, nullptr, row);
}

CZELV10RC CZELV10MFC::EachRow(const QString& sql, const QVariantList& binds, const RowFn& row) {
    return Rows(*m_store, sql, binds, nullptr, row);
}

CZELV10RC CZELV10MFC::FirstRow(const char* sql, const QVariantList& binds, const CZELV10RC& missing,
                               const RowFn& row) {
    return Rows(*m_store, sql, binds, &missing, row);
}

CZELV10RC CZELV10MFC::FirstRow(const QString& sql, const QVariantList& binds,
                               const CZELV10RC& missing, const RowFn& row) {
    return Rows(*m_store, sql, binds, &missing, row);
}

CZELV10RC CZELV10MFC::NoRow(const char* sql, const QVariantList& binds, const QString& what) {
    bool found = false;
    CZELV10RC rc = Rows(*m_store, sql, binds, nullptr, [&](const ZELVCursor&) { found = true; });
    if (rc.IsOK() && found)
        rc = CZELV10RC(ZELV10RC_EXISTS, what);
    return rc;
}

CZELV10RC CZELV10MFC::UpdateVersioned(const char* sql, const QVariantList& binds,
                                      const std::function<CZELV10RC()>& exists,
                                      const QString& what) {
    ZELVCursor c;
    CZELV10RC rc = m_store->Exec(sql, binds, &c);
    if (!rc.IsOK())
        return rc;
    if (c.RowsAffected() == 1)
        return CZELV10RC();
    c.Reset();
    rc = exists();
    return rc.IsOK() ? CZELV10RC(ZELV10RC_CHANGED, what) : rc;
}

// --- Customers --------------------------------------------------------------

CZELV10RC CZELV10MFC::List(std::vector<ZELVCUSTEx>* out) {
    return ReadRows(out,
                    QString::fromUtf8(kCustomerSelect) + QStringLiteral(" ORDER BY c.customer_id"),
                    {}, [&](const ZELVCursor& c) { return ReadCustomer(c, Now()); });
}

CZELV10RC CZELV10MFC::Get(ZELVCUSTEx* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRow(out,
                   QString::fromUtf8(kCustomerSelect) + QStringLiteral(" WHERE c.customer_id = ?"),
                   {customer}, CZELV10RC(ZELV10RC_NOCUSTOMER, customer),
                   [&](const ZELVCursor& c) { return ReadCustomer(c, Now()); });
}

CZELV10RC CZELV10MFC::Add(const ZELVCUSTEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::Customers); !denied.IsOK())
        return denied;
    CZELV10RC rc =
        Checks({Field("Customer-ID", in.customerId, true), Field("Customer name", in.name, false)});
    if (!rc.IsOK())
        return rc;
    const QString id = in.customerId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = NoRow("SELECT 1 FROM customer WHERE customer_id = ?", {id},
                            QStringLiteral("Customer ") + id);
        if (!q.IsOK())
            return q;
        return m_store->Exec(
            "INSERT INTO customer (customer_id, name, flags, dr_strategies, dr_errors,"
            " dr_last_run, audit_failures, group_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
            {id, in.name.Text(), qint64(in.flags), qint64(in.drStrategies), qint64(in.drErrors),
             qint64(in.drLastRun), qint64(in.auditFailures), m_groupId});
    });
}

CZELV10RC CZELV10MFC::Update(const ZELVCUSTEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::Customers); !denied.IsOK())
        return denied;
    CZELV10RC rc =
        Checks({Field("Customer-ID", in.customerId, true), Field("Customer name", in.name, false)});
    if (!rc.IsOK())
        return rc;
    const QString id = in.customerId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        return UpdateVersioned(
            "UPDATE customer SET name = ?, flags = ?, dr_strategies = ?, dr_errors = ?,"
            " dr_last_run = ?, audit_failures = ?, version = version + 1"
            " WHERE customer_id = ? AND version = ?",
            {in.name.Text(), qint64(in.flags), qint64(in.drStrategies), qint64(in.drErrors),
             qint64(in.drLastRun), qint64(in.auditFailures), id, qint64(in.version)},
            [&] { return CustomerExists(id); }, QStringLiteral("Customer ") + id);
    });
}

// --- Media Types ---------------------------------------------------------------

namespace {

ZELVMEDIAEx ReadMedia(const ZELVCursor& c, qint64 now) {
    ZELVMEDIAEx r;
    r.customerId.Set(c.Text(0));
    r.mediaId.Set(c.Text(1));
    r.name.Set(c.Text(2));
    r.flags = static_cast<uint32_t>(c.Int(3));
    r.containerPattern.Set(c.Text(4));
    r.lastSync = c.Int(5);
    r.lastOffsite = c.Int(6);
    r.syncDays = DaysSince(r.lastSync, now);
    r.offsiteDays = DaysSince(r.lastOffsite, now);
    r.version = static_cast<uint64_t>(c.Int(7));
    r.volumes = static_cast<uint32_t>(c.Int(8));
    r.moves = static_cast<uint32_t>(c.Int(9));
    r.overdue = static_cast<uint32_t>(c.Int(10));
    return r;
}

} // namespace

CZELV10RC CZELV10MFC::List(std::vector<ZELVMEDIAEx>* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    std::vector<ZELVMEDIAEx> rows;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        const qint64 now = Now();
        q = EachRow(QString::fromUtf8(kMediaSelect) + QStringLiteral(" ORDER BY m.media_id"),
                    {now, now, customer},
                    [&](const ZELVCursor& c) { rows.push_back(ReadMedia(c, now)); });
        if (!q.IsOK())
            return q;
        return EachRow(kScratchSelect, {customer}, [&](const ZELVCursor& c) {
            const qint64 missing = c.Int(1) - c.Int(2);
            for (ZELVMEDIAEx& m : rows)
                if (missing > 0 && m.mediaId == c.Text(0))
                    m.scratchDeficit += static_cast<uint32_t>(missing);
        });
    });
    if (rc.IsOK())
        *out = std::move(rows);
    return rc;
}

CZELV10RC CZELV10MFC::Get(ZELVMEDIAEx* out, const QString& customer, const QString& media) {
    std::vector<ZELVMEDIAEx> all;
    CZELV10RC rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (!rc.IsOK())
        return rc;
    rc = List(&all, customer);
    if (!rc.IsOK())
        return rc;
    for (const ZELVMEDIAEx& m : all)
        if (m.mediaId == media) {
            *out = m;
            return rc;
        }
    return CZELV10RC(ZELV10RC_NOMEDIA, customer + QLatin1Char('.') + media);
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVMEDIASMALL>* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(
        out, "SELECT media_id, name, flags FROM media WHERE customer_id = ? ORDER BY media_id",
        {customer},
        [](const ZELVCursor& c) {
            ZELVMEDIASMALL r;
            r.mediaId.Set(c.Text(0));
            r.name.Set(c.Text(1));
            r.flags = static_cast<uint32_t>(c.Int(2));
            return r;
        },
        [&] { return CustomerExists(customer); });
}

CZELV10RC CZELV10MFC::List(QStringList* mediaIds, const QString& customer) {
    std::vector<ZELVMEDIASMALL> rows;
    CZELV10RC rc = List(&rows, customer);
    if (!rc.IsOK())
        return rc;
    mediaIds->clear();
    for (const ZELVMEDIASMALL& r : rows)
        mediaIds->append(r.mediaId.Text());
    return rc;
}

CZELV10RC CZELV10MFC::Add(const ZELVMEDIAEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc = Checks({Field("Customer-ID", in.customerId, true),
                           Field("Media-ID", in.mediaId, true), Field("Media name", in.name, false),
                           Field("Container pattern", in.containerPattern, false)});
    if (rc.IsOK())
        rc = ContainerPattern(in.containerPattern.Text());
    if (!rc.IsOK())
        return rc;
    const QString customer = in.customerId.Text();
    const QString media = in.mediaId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        q = NoRow("SELECT 1 FROM media WHERE customer_id = ? AND media_id = ?", {customer, media},
                  QStringLiteral("Media Type %1.%2").arg(customer, media));
        if (!q.IsOK())
            return q;
        return m_store->Exec(
            "INSERT INTO media (customer_id, media_id, name, flags, container_pattern, last_sync)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            {customer, media, in.name.Text(), qint64(in.flags), in.containerPattern.Text(),
             qint64(in.lastSync)});
    });
}

CZELV10RC CZELV10MFC::Update(const ZELVMEDIAEx& in) {
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc = Checks({Field("Customer-ID", in.customerId, true),
                           Field("Media-ID", in.mediaId, true), Field("Media name", in.name, false),
                           Field("Container pattern", in.containerPattern, false)});
    if (rc.IsOK())
        rc = ContainerPattern(in.containerPattern.Text());
    if (!rc.IsOK())
        return rc;
    const QString customer = in.customerId.Text();
    const QString media = in.mediaId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        return UpdateVersioned(
            "UPDATE media SET name = ?, flags = ?, container_pattern = ?, last_sync = ?,"
            " version = version + 1 WHERE customer_id = ? AND media_id = ? AND version = ?",
            {in.name.Text(), qint64(in.flags), in.containerPattern.Text(), qint64(in.lastSync),
             customer, media, qint64(in.version)},
            [&] { return MediaRow(customer, media, nullptr); },
            QStringLiteral("Media Type %1.%2").arg(customer, media));
    });
}

// --- Repositories ----------------------------------------------------------------

CZELV10RC CZELV10MFC::List(std::vector<ZELVREPOSITORY>* out) {
    return ReadRows(out,
                    "SELECT repository_id, name, flags, next_repository, type, version"
                    " FROM repository ORDER BY repository_id",
                    {}, [](const ZELVCursor& c) {
                        ZELVREPOSITORY r;
                        r.repositoryId.Set(c.Text(0));
                        r.name.Set(c.Text(1));
                        r.flags = static_cast<uint32_t>(c.Int(2));
                        r.nextRepositoryId.Set(c.Text(3));
                        r.type = static_cast<uint16_t>(c.Int(4));
                        r.version = static_cast<uint64_t>(c.Int(5));
                        return r;
                    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVREPOSITORYFULL>* out, const QString& customer,
                           const QString& media) {
    CZELV10RC rc = Checks({Identifier("Customer-ID", customer, kZelvCustomerIdLen),
                           Identifier("Media-ID", media, kZelvMediaIdLen)});
    if (!rc.IsOK())
        return rc;
    const qint64 now = Now();
    return ReadRows(
        out, QString::fromUtf8(kRepositoryFullSelect) + QStringLiteral(" ORDER BY r.repository_id"),
        {customer, media, now, now, customer, media, customer, media, now},
        [&](const ZELVCursor& c) { return ReadRepositoryFull(c, customer, media); },
        [&] { return MediaRow(customer, media, nullptr); });
}

CZELV10RC CZELV10MFC::Get(ZELVREPOSITORYFULL* out, const QString& customer, const QString& media,
                          const QString& repository) {
    CZELV10RC rc = Checks({Identifier("Customer-ID", customer, kZelvCustomerIdLen),
                           Identifier("Media-ID", media, kZelvMediaIdLen),
                           Identifier("Repository-ID", repository, kZelvRepositoryIdLen)});
    if (!rc.IsOK())
        return rc;
    const qint64 now = Now();
    return ReadRow(
        out,
        QString::fromUtf8(kRepositoryFullSelect) + QStringLiteral(" WHERE r.repository_id = ?"),
        {customer, media, now, now, customer, media, customer, media, now, repository},
        CZELV10RC(ZELV10RC_NOREPOSITORY, repository),
        [&](const ZELVCursor& c) { return ReadRepositoryFull(c, customer, media); },
        [&] { return MediaRow(customer, media, nullptr); });
}

CZELV10RC CZELV10MFC::Get(ZELVREPOSITORY* out, const QString& customer, const QString& media,
                          const QString& repository) {
    ZELVREPOSITORYFULL full;
    CZELV10RC rc = Get(&full, customer, media, repository);
    if (rc.IsOK())
        *out = full;
    return rc;
}

namespace {

CZELV10RC CheckRepository(const ZELVREPOSITORY& in) {
    CZELV10RC rc = Checks(
        {Field("Repository-ID", in.repositoryId, true), Field("Repository name", in.name, false)});
    if (rc.IsOK() && !in.nextRepositoryId.IsEmpty())
        rc = Field("Next Repository-ID", in.nextRepositoryId, true);
    if (rc.IsOK() && in.type > ZELVREPTYPE_OTHER)
        rc = CZELV10RC(ZELV10RC_BADVALUE,
                       QStringLiteral("Repository type %1 is not 0 to 8").arg(in.type));
    return rc;
}

} // namespace

CZELV10RC CZELV10MFC::Add(const ZELVREPOSITORY& in) {
    if (CZELV10RC denied = Require(ZelvRight::Customers); !denied.IsOK())
        return denied;
    CZELV10RC rc = CheckRepository(in);
    if (!rc.IsOK())
        return rc;
    const QString id = in.repositoryId.Text();
    const QString next = in.nextRepositoryId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = NoRow("SELECT 1 FROM repository WHERE repository_id = ?", {id},
                            QStringLiteral("Repository ") + id);
        if (!q.IsOK())
            return q;
        // A rotation may name a Repository added later, or the new one itself.
        return m_store->Exec(
            "INSERT INTO repository (repository_id, name, flags, next_repository, type)"
            " VALUES (?, ?, ?, ?, ?)",
            {id, in.name.Text(), qint64(in.flags & ~ZELVREP_HOME), next, qint64(in.type)});
    });
}

CZELV10RC CZELV10MFC::Update(const ZELVREPOSITORY& in) {
    if (CZELV10RC denied = Require(ZelvRight::Customers); !denied.IsOK())
        return denied;
    CZELV10RC rc = CheckRepository(in);
    if (!rc.IsOK())
        return rc;
    const QString id = in.repositoryId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        return UpdateVersioned(
            "UPDATE repository SET name = ?, flags = ?, next_repository = ?, type = ?,"
            " version = version + 1 WHERE repository_id = ? AND version = ?",
            {in.name.Text(), qint64(in.flags & ~ZELVREP_HOME), in.nextRepositoryId.Text(),
             qint64(in.type), id, qint64(in.version)},
            [&] {
                return FirstRow("SELECT 1 FROM repository WHERE repository_id = ?", {id},
                                CZELV10RC(ZELV10RC_NOREPOSITORY, id), [](const ZELVCursor&) {});
            },
            QStringLiteral("Repository ") + id);
    });
}

CZELV10RC CZELV10MFC::Put(const ZELVREPOSITORYFULL& in) {
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc =
        Checks({Field("Customer-ID", in.customerId, true), Field("Media-ID", in.mediaId, true),
                Field("Repository-ID", in.repositoryId, true)});
    if (!rc.IsOK())
        return rc;
    const QString customer = in.customerId.Text();
    const QString media = in.mediaId.Text();
    const QString id = in.repositoryId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = MediaRow(customer, media, nullptr);
        if (!q.IsOK())
            return q;
        ZELVCursor c;
        q = m_store->Exec("SELECT 1 FROM repository WHERE repository_id = ?", {id}, &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOREPOSITORY, id);
        c.Reset();
        return m_store->Exec(
            "INSERT INTO repository_setting (customer_id, media_id, repository_id, flags,"
            " scratch_required) VALUES (?, ?, ?, ?, ?)"
            " ON CONFLICT (customer_id, media_id, repository_id) DO UPDATE"
            " SET flags = excluded.flags, scratch_required = excluded.scratch_required",
            {customer, media, id, qint64(in.localFlags & ZELVREP_LOCALBITS),
             qint64(in.scratchRequired)});
    });
}

CZELV10RC CZELV10MFC::Add(const ZELVZONE& in) {
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc =
        Checks({Field("Repository-ID", in.repositoryId, true), Field("Zone name", in.name, false)});
    if (!rc.IsOK())
        return rc;
    if (in.name.IsEmpty())
        return CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("a zone needs a name"));
    if (in.firstSlot == 0 || in.slotCount == 0)
        return CZELV10RC(
            ZELV10RC_BADVALUE,
            QStringLiteral("a zone starts at slot 1 or later and has at least one slot"));
    const qint64 first = in.firstSlot;
    const qint64 end = first + static_cast<qint64>(in.slotCount);
    if (end - 1 > 0xFFFFFFFFLL)
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("the zone's slots go beyond 4294967295"));
    const QString id = in.repositoryId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q =
            m_store->Exec("SELECT 1 FROM repository WHERE repository_id = ?{FORUPDATE}", {id}, &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOREPOSITORY, id);
        c.Reset();
        q = m_store->Exec("SELECT name FROM zone WHERE repository_id = ? AND first_slot < ?"
                          " AND ? < first_slot + slot_count",
                          {id, end, first}, &c);
        if (!q.IsOK())
            return q;
        if (c.Next())
            return CZELV10RC(ZELV10RC_NOTALLOWED,
                             QStringLiteral("the slots overlap zone %1").arg(c.Text(0)));
        c.Reset();
        return m_store->Exec(
            "INSERT INTO zone (repository_id, name, first_slot, slot_count) VALUES (?, ?, ?, ?)",
            {id, in.name.Text(), first, qint64(in.slotCount)});
    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVZONE>* out, const QString& repository) {
    CZELV10RC rc = Identifier("Repository-ID", repository, kZelvRepositoryIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    "SELECT repository_id, name, first_slot, slot_count FROM zone"
                    " WHERE repository_id = ? ORDER BY first_slot",
                    {repository}, [](const ZELVCursor& c) {
                        ZELVZONE z;
                        z.repositoryId.Set(c.Text(0));
                        z.name.Set(c.Text(1));
                        z.firstSlot = static_cast<uint32_t>(c.Int(2));
                        z.slotCount = static_cast<uint32_t>(c.Int(3));
                        return z;
                    });
}

// --- Containers and Data-Clusters ---------------------------------------------------

CZELV10RC CZELV10MFC::List(std::vector<ZELV10CONTAINER>* out) {
    return ReadRows(out,
                    "SELECT container_self, customer_id, media_id, volume_id FROM volume"
                    " WHERE container_self IS NOT NULL ORDER BY container_self",
                    {}, [](const ZELVCursor& c) {
                        ZELV10CONTAINER r;
                        r.number = static_cast<uint32_t>(c.Int(0));
                        r.key.customerId.Set(c.Text(1));
                        r.key.mediaId.Set(c.Text(2));
                        r.key.volumeId.Set(c.Text(3));
                        return r;
                    });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVCLUSTERFULL>* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(
        out,
        "SELECT d.customer_id, d.number, d.name, d.flags,"
        " (SELECT COUNT(*) FROM volume v WHERE v.customer_id = d.customer_id"
        "  AND v.data_cluster = d.number)"
        " FROM data_cluster d WHERE d.customer_id = ? ORDER BY d.number",
        {customer},
        [](const ZELVCursor& c) {
            ZELVCLUSTERFULL r;
            r.customerId.Set(c.Text(0));
            r.number = static_cast<uint32_t>(c.Int(1));
            r.name.Set(c.Text(2));
            r.flags = static_cast<uint32_t>(c.Int(3));
            r.volumes = static_cast<uint32_t>(c.Int(4));
            return r;
        },
        [&] { return CustomerExists(customer); });
}

CZELV10RC CZELV10MFC::Add(const ZELVCLUSTEREx& in, uint32_t* number) {
    if (CZELV10RC denied = Require(ZelvRight::AddVolumes); !denied.IsOK())
        return denied;
    CZELV10RC rc = Checks(
        {Field("Customer-ID", in.customerId, true), Field("Data-Cluster name", in.name, false)});
    if (!rc.IsOK())
        return rc;
    const QString customer = in.customerId.Text();
    qint64 next = 0;
    rc = Run(Mode::Write, [&]() -> CZELV10RC {
        // Numbers are positions in the Customer's list: 1, 2, 3 ... without gaps.
        // Locking the Customer row keeps two writers from taking the same one.
        ZELVCursor c;
        CZELV10RC q = m_store->Exec("SELECT 1 FROM customer WHERE customer_id = ?{FORUPDATE}",
                                    {customer}, &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOCUSTOMER, customer);
        c.Reset();
        q = m_store->Exec(
            "SELECT COALESCE(MAX(number), 0) + 1 FROM data_cluster WHERE customer_id = ?",
            {customer}, &c);
        if (!q.IsOK())
            return q;
        if (c.Next())
            next = c.Int(0);
        c.Reset();
        return m_store->Exec(
            "INSERT INTO data_cluster (customer_id, number, name, flags) VALUES (?, ?, ?, ?)",
            {customer, next, in.name.Text(), qint64(in.flags)});
    });
    if (rc.IsOK() && number)
        *number = static_cast<uint32_t>(next);
    return rc;
}

CZELV10RC CZELV10MFC::Update(const ZELVCLUSTEREx& in) {
    if (CZELV10RC denied = Require(ZelvRight::AddVolumes); !denied.IsOK())
        return denied;
    CZELV10RC rc = Checks(
        {Field("Customer-ID", in.customerId, true), Field("Data-Cluster name", in.name, false)});
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q = m_store->Exec(
            "UPDATE data_cluster SET name = ?, flags = ? WHERE customer_id = ? AND number = ?",
            {in.name.Text(), qint64(in.flags), in.customerId.Text(), qint64(in.number)}, &c);
        if (!q.IsOK())
            return q;
        return c.RowsAffected() == 1
                   ? CZELV10RC()
                   : CZELV10RC(
                         ZELV10RC_NOCLUSTER,
                         QStringLiteral("%1 number %2").arg(in.customerId.Text()).arg(in.number));
    });
}

// --- Consignments ------------------------------------------------------------------

namespace {

const char* const kConsignmentSelect = "SELECT number, customer_id, comment1, comment2, comment3, "
                                       "comment4, description, required_time,"
                                       " status, created_at, created_by FROM consignment";

ZELVCONSIGNEx ReadConsignment(const ZELVCursor& c) {
    ZELVCONSIGNEx r;
    r.number = static_cast<uint32_t>(c.Int(0));
    r.customerId.Set(c.Text(1));
    for (int i = 0; i < kZelvConsignmentComments; ++i)
        r.comments[static_cast<size_t>(i)].Set(c.Text(2 + i));
    r.description.Set(c.Text(6));
    r.required = c.Int(7);
    r.status = static_cast<uint32_t>(c.Int(8));
    r.created = c.Int(9);
    r.createdBy.Set(c.Text(10));
    return r;
}

const char* StatusName(uint32_t status) {
    switch (status) {
    case ZELVCONSIGN_OPEN:
        return "open";
    case ZELVCONSIGN_CAST:
        return "cast";
    case ZELVCONSIGN_DELIVERED:
        return "delivered";
    case ZELVCONSIGN_CANCELLED:
        return "cancelled";
    }
    return "unknown";
}

} // namespace

CZELV10RC CZELV10MFC::Put(const ZELVCONSIGNEx& in, uint32_t* number) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    CZELV10RC rc = Checks({Field("Customer-ID", in.customerId, true),
                           Field("Consignment description", in.description, false)});
    for (const auto& comment : in.comments)
        if (rc.IsOK())
            rc = Field("Consignment comment", comment, false);
    if (!rc.IsOK())
        return rc;
    if (in.required < 0)
        return CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("the required time is before 1970"));
    const QString customer = in.customerId.Text();
    qint64 made = 0;
    rc = Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        ZELVCursor c;
        q = m_store->Exec(
            "INSERT INTO consignment (customer_id, comment1, comment2, comment3, comment4,"
            " description, required_time, status, created_at, created_by)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?) RETURNING number",
            {customer, in.comments[0].Text(), in.comments[1].Text(), in.comments[2].Text(),
             in.comments[3].Text(), in.description.Text(), qint64(in.required), Now(), m_userId},
            &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_DATABASEERROR,
                             QStringLiteral("no Consignment number came back"));
        made = c.Int(0);
        c.Reset();
        return m_store->Exec(
            "INSERT INTO consignment_event (number, at, user_id, machine, status, comment)"
            " VALUES (?, ?, ?, ?, 0, 'created')",
            {made, Now(), m_userId, m_machine});
    });
    if (rc.IsOK() && number)
        *number = static_cast<uint32_t>(made);
    return rc;
}

CZELV10RC CZELV10MFC::Get(ZELVCONSIGNEx* out, uint32_t number) {
    return ReadRow(out, QString::fromUtf8(kConsignmentSelect) + QStringLiteral(" WHERE number = ?"),
                   {qint64(number)}, CZELV10RC(ZELV10RC_NOCONSIGNMENT, QString::number(number)),
                   ReadConsignment);
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVCONSIGNEx>* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    QString::fromUtf8(kConsignmentSelect) +
                        QStringLiteral(" WHERE customer_id = ? ORDER BY number"),
                    {customer}, ReadConsignment, [&] { return CustomerExists(customer); });
}

CZELV10RC CZELV10MFC::EditConsignment(uint32_t number, uint32_t status, const QString& comment) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    CZELV10RC rc = FreeText("Consignment comment", comment, kZelvConsignmentCommentLen);
    if (!rc.IsOK())
        return rc;
    if (status > ZELVCONSIGN_CANCELLED)
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("Consignment status %1 is not 0 to 3").arg(status));
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q = m_store->Exec("SELECT status FROM consignment WHERE number = ?{FORUPDATE}",
                                    {qint64(number)}, &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOCONSIGNMENT, QString::number(number));
        const uint32_t old = static_cast<uint32_t>(c.Int(0));
        c.Reset();
        // Forward only: open -> cast -> delivered, and cancelled from open or
        // cast. The same state again just adds the comment.
        const bool allowed = status == old ||
                             (old == ZELVCONSIGN_OPEN && status != ZELVCONSIGN_DELIVERED) ||
                             (old == ZELVCONSIGN_CAST &&
                              (status == ZELVCONSIGN_DELIVERED || status == ZELVCONSIGN_CANCELLED));
        if (!allowed)
            return CZELV10RC(ZELV10RC_NOTALLOWED,
                             QStringLiteral("Consignment %1 is %2 and cannot become %3")
                                 .arg(number)
                                 .arg(QString::fromLatin1(StatusName(old)),
                                      QString::fromLatin1(StatusName(status))));
        q = m_store->Exec("UPDATE consignment SET status = ? WHERE number = ?",
                          {qint64(status), qint64(number)});
        if (!q.IsOK())
            return q;
        return m_store->Exec(
            "INSERT INTO consignment_event (number, at, user_id, machine, status, comment)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            {qint64(number), Now(), m_userId, m_machine, qint64(status), comment});
    });
}

// --- Attribute types ------------------------------------------------------------------

CZELV10RC CZELV10MFC::Get(ZELVATTRIBUTETYPE* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    ZELVATTRIBUTETYPE r;
    r.customerId.Set(customer);
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        return EachRow("SELECT number, flags, name FROM attribute_type WHERE customer_id = ?",
                       {customer}, [&](const ZELVCursor& c) {
                           const qint64 n = c.Int(0);
                           if (n < 1 || n > kZelvAttributeTypes)
                               return;
                           ZELVATTRIBUTETYPEENTRY& e = r.entries[static_cast<size_t>(n - 1)];
                           e.flags = static_cast<uint32_t>(c.Int(1));
                           e.name.Set(c.Text(2));
                       });
    });
    if (rc.IsOK())
        *out = r;
    return rc;
}

CZELV10RC CZELV10MFC::Put(const ZELVATTRIBUTETYPE& in) {
    if (CZELV10RC denied = Require(ZelvRight::Catalog); !denied.IsOK())
        return denied;
    CZELV10RC rc = Field("Customer-ID", in.customerId, true);
    for (const ZELVATTRIBUTETYPEENTRY& e : in.entries)
        if (rc.IsOK())
            rc = Field("Attribute name", e.name, false);
    if (!rc.IsOK())
        return rc;
    const QString customer = in.customerId.Text();
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        q = m_store->Exec("DELETE FROM attribute_type WHERE customer_id = ?", {customer});
        for (int i = 0; q.IsOK() && i < kZelvAttributeTypes; ++i) {
            const ZELVATTRIBUTETYPEENTRY& e = in.entries[static_cast<size_t>(i)];
            if (!e.name.IsEmpty())
                q = m_store->Exec("INSERT INTO attribute_type (customer_id, number, flags, name) "
                                  "VALUES (?, ?, ?, ?)",
                                  {customer, qint64(i + 1), qint64(e.flags), e.name.Text()});
        }
        return q;
    });
}
