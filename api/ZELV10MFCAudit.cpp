// Audit results of Volumes and the signed certificates made from them.
#include "ZELV10MFC.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"
#include "ZELVVolumeRules.h"

#include <sodium.h>

using namespace ZelvValidate;

namespace {

CZELV10RC ScopeChecks(const QString& c, const QString& m, const QString& r) {
    CZELV10RC rc = Identifier("Customer-ID", c, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", m, kZelvMediaIdLen);
    if (rc.IsOK())
        rc = Identifier("Repository-ID", r, kZelvRepositoryIdLen);
    return rc;
}

QString ScopeText(const QString& c, const QString& m, const QString& r) {
    return QStringLiteral("%1.%2 in %3").arg(c, m, r);
}

QString HmacHex(const QByteArray& key, const QByteArray& text) {
    unsigned char mac[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256_state st;
    crypto_auth_hmacsha256_init(&st, reinterpret_cast<const unsigned char*>(key.constData()),
                                static_cast<size_t>(key.size()));
    crypto_auth_hmacsha256_update(&st, reinterpret_cast<const unsigned char*>(text.constData()),
                                  static_cast<unsigned long long>(text.size()));
    crypto_auth_hmacsha256_final(&st, mac);
    sodium_memzero(&st, sizeof st);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(mac), sizeof mac).toHex());
}

// The two words the dialog shows: the MAC's first 64 bits.
std::array<uint32_t, 2> SignatureWords(const QString& mac) {
    std::array<uint32_t, 2> words{};
    bool ok = false;
    if (mac.size() >= 16) {
        words[0] = mac.mid(0, 8).toUInt(&ok, 16);
        words[1] = mac.mid(8, 8).toUInt(&ok, 16);
    }
    return words;
}

constexpr const char* kCertificateColumns =
    "customer_id, media_id, repository_id, created_at, items, surplus, deficit, description,"
    " user_id, mac";

ZELV10CERTIFICATIONKey ReadCertificate(const ZELVCursor& c) {
    ZELV10CERTIFICATIONKey k;
    k.customerId.Set(c.Text(0));
    k.mediaId.Set(c.Text(1));
    k.repositoryId.Set(c.Text(2));
    k.time = c.Int(3);
    k.items = static_cast<uint32_t>(c.Int(4));
    k.surplus = static_cast<uint32_t>(c.Int(5));
    k.deficit = static_cast<uint32_t>(c.Int(6));
    k.description.Set(c.Text(7));
    k.userId.Set(c.Text(8));
    k.signature = SignatureWords(c.Text(9));
    return k;
}

} // namespace

// --- Audit results ------------------------------------------------------------------

CZELV10RC CZELV10MFC::WriteAudit(const ZELVAUDIT& in, uint64_t* version) {
    const QString c = in.key.customerId.Text(), m = in.key.mediaId.Text(),
                  v = in.key.volumeId.Text(), r = in.repositoryId.Text();
    CZELV10RC rc = Identifier("Customer-ID", c, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", m, kZelvMediaIdLen);
    if (rc.IsOK())
        rc = Identifier("Volume-ID", v, kZelvVolumeIdLen);
    if (rc.IsOK() && in.outcome != ZELVAUDIT_NONE)
        rc = Identifier("Repository-ID", r, kZelvRepositoryIdLen);
    if (rc.IsOK() && in.outcome > ZELVAUDIT_DEFICIT)
        rc = CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("audit outcome %1").arg(in.outcome));
    if (!rc.IsOK())
        return rc;
    ZELVVolumeState old;
    qint64 row = 0;
    rc = ReadVolume(c, m, v, &old, &row, true);
    if (!rc.IsOK())
        return rc;
    if (in.version != old.vol.version)
        return CZELV10RC(ZELV10RC_CHANGED, QStringLiteral("%1 (read as version %2, now version %3)")
                                               .arg(in.key.Text())
                                               .arg(in.version)
                                               .arg(old.vol.version));
    ZELVCursor cur;
    if (in.outcome != ZELVAUDIT_NONE) {
        rc = m_store->Exec("SELECT 1 FROM repository WHERE repository_id = ?", {r}, &cur);
        if (!rc.IsOK())
            return rc;
        if (!cur.Next())
            return CZELV10RC(ZELV10RC_NOREPOSITORY, r);
        cur.Reset();
    }
    const uint32_t flags = (old.vol.flags & ~ZELVVOL_AUDITBITS) | (in.flags & ZELVVOL_AUDITBITS);
    rc = m_store->Exec("UPDATE volume SET flags = ?, version = version + 1"
                       " WHERE volume_row = ? AND version = ?",
                       {qint64(flags), row, qint64(old.vol.version)}, &cur);
    if (!rc.IsOK())
        return rc;
    if (cur.RowsAffected() != 1)
        return CZELV10RC(ZELV10RC_CHANGED, in.key.Text());
    cur.Reset();
    rc = m_store->Exec("DELETE FROM volume_audit WHERE volume_row = ?", {row});
    if (rc.IsOK() && in.outcome != ZELVAUDIT_NONE)
        rc = m_store->Exec("INSERT INTO volume_audit (volume_row, repository_id, outcome,"
                           " audited_at, user_id) VALUES (?, ?, ?, ?, ?)",
                           {row, r, qint64(in.outcome), Now(), m_userId});
    if (!rc.IsOK())
        return rc;
    std::vector<std::array<QString, 3>> changes;
    if (flags != old.vol.flags)
        changes.push_back({QStringLiteral("flags"), QString::asprintf("0x%08X", old.vol.flags),
                           QString::asprintf("0x%08X", flags)});
    changes.push_back({QStringLiteral("audit"), QString(),
                       in.outcome == ZELVAUDIT_NONE
                           ? QString()
                           : QStringLiteral("%1 %2").arg(r).arg(in.outcome)});
    rc = WriteHistory(in.key, QStringLiteral("audit"), changes);
    if (rc.IsOK() && version)
        *version = old.vol.version + 1;
    return rc;
}

CZELV10RC CZELV10MFC::PutAudit(const ZELVAUDIT& in, uint64_t* version) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    uint64_t v = 0;
    CZELV10RC rc = Run(Mode::Write, [&]() { return WriteAudit(in, &v); });
    if (rc.IsOK() && version)
        *version = v;
    return rc;
}

CZELV10RC CZELV10MFC::PutAudits(const std::vector<ZELVAUDIT>& in, std::vector<CZELV10RC>* results,
                                std::vector<uint64_t>* versions) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    std::vector<CZELV10RC> rcs;
    std::vector<uint64_t> vs;
    CZELV10RC rc = Run(Mode::Write, [&]() -> CZELV10RC {
        rcs.assign(in.size(), CZELV10RC());
        vs.assign(in.size(), 0);
        for (size_t i = 0; i < in.size(); ++i) {
            vs[i] = in[i].version;
            rcs[i] = WriteAudit(in[i], &vs[i]);
            // A refusal is the Volume's own; a database failure ends them all.
            const uint32_t code = rcs[i].Code();
            if (code == ZELV10RC_DATABASEERROR || code == ZELV10RC_CONNECTIONLOST ||
                code == ZELV10RC_LOCKED || code == ZELV10RC_DISKFULL || code == ZELV10RC_READONLY ||
                code == ZELV10RC_NORIGHTS)
                return rcs[i];
        }
        return CZELV10RC();
    });
    if (!rc.IsOK())
        return rc;
    if (results)
        *results = std::move(rcs);
    if (versions)
        *versions = std::move(vs);
    return rc;
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVAUDIT>* out, const QString& customer,
                           const QString& media) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = Identifier("Media-ID", media, kZelvMediaIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    "SELECT v.customer_id, v.media_id, v.volume_id, v.flags, a.repository_id,"
                    " a.outcome, a.audited_at, v.version FROM volume_audit a"
                    " JOIN volume v ON v.volume_row = a.volume_row"
                    " WHERE v.customer_id = ? AND v.media_id = ? ORDER BY v.volume_id",
                    {customer, media}, [](const ZELVCursor& c) {
                        ZELVAUDIT a;
                        a.key.customerId.Set(c.Text(0));
                        a.key.mediaId.Set(c.Text(1));
                        a.key.volumeId.Set(c.Text(2));
                        a.flags = static_cast<uint32_t>(c.Int(3)) & ZELVVOL_AUDITBITS;
                        a.repositoryId.Set(c.Text(4));
                        a.outcome = static_cast<uint32_t>(c.Int(5));
                        a.when = c.Int(6);
                        a.version = static_cast<uint64_t>(c.Int(7));
                        return a;
                    });
}

// --- Certificates -------------------------------------------------------------------

CZELV10RC CZELV10MFC::CertificateMac(qint64 id, QString* mac) {
    // SQLite: the key is in the file. The signed text is the one the
    // PostgreSQL function certificate_content() builds.
    ZELVCursor c;
    CZELV10RC rc = m_store->Exec("SELECT key_hex FROM certificate_key", {}, &c);
    if (!rc.IsOK())
        return rc;
    if (!c.Next())
        return CZELV10RC(ZELV10RC_DAMAGED, QStringLiteral("the certificate key is missing"));
    const QByteArray key = QByteArray::fromHex(c.Text(0).toLatin1());
    c.Reset();
    QStringList items;
    rc = EachRow("SELECT volume_id, status FROM certificate_item WHERE certificate_id = ?"
                 " ORDER BY volume_id",
                 {id}, [&](const ZELVCursor& r) {
                     items << r.Text(0) + QLatin1Char('\t') + QString::number(r.Int(1));
                 });
    if (!rc.IsOK())
        return rc;
    rc = m_store->Exec("SELECT customer_id, media_id, repository_id, created_at, items, surplus,"
                       " deficit, description, user_id FROM certificate WHERE certificate_id = ?",
                       {id}, &c);
    if (!rc.IsOK())
        return rc;
    if (!c.Next())
        return CZELV10RC(ZELV10RC_NOTREAD, QStringLiteral("certificate %1").arg(id));
    QStringList head{QStringLiteral("kelmar-certificate-1")};
    for (int i = 0; i < 9; ++i)
        head << c.Text(i);
    const QByteArray text =
        (head.join(QLatin1Char('\n')) + QLatin1Char('\n') + items.join(QLatin1Char('\n'))).toUtf8();
    *mac = HmacHex(key, text);
    return CZELV10RC();
}

// SQLite: the certificate and its items written here, signed with the key in
// the file. Every Volume expected there (at rest or moving in) or audited there.
CZELV10RC CZELV10MFC::WriteCertificate(ZELV10CERTIFICATIONKey* key, QString* mac) {
    const QString customer = key->customerId.Text(), media = key->mediaId.Text(),
                  repository = key->repositoryId.Text();
    std::vector<std::pair<QString, uint32_t>> items;
    CZELV10RC q =
        EachRow("SELECT v.volume_id, a.repository_id, a.outcome FROM volume v"
                " LEFT JOIN volume_audit a ON a.volume_row = v.volume_row"
                " WHERE v.customer_id = ? AND v.media_id = ? AND (v.current_repo = ?"
                " OR v.target_repo = ? OR a.repository_id = ?) ORDER BY v.volume_id",
                {customer, media, repository, repository, repository}, [&](const ZELVCursor& r) {
                    uint32_t status = ZELVCERT_DEFICIT;
                    if (!r.IsNull(1) && r.Text(1) == repository) {
                        const qint64 outcome = r.Int(2);
                        status = outcome == ZELVAUDIT_SEEN      ? ZELVCERT_OK
                                 : outcome == ZELVAUDIT_SURPLUS ? ZELVCERT_SURPLUS
                                                                : ZELVCERT_DEFICIT;
                    }
                    items.emplace_back(r.Text(0), status);
                });
    if (!q.IsOK())
        return q;
    key->items = static_cast<uint32_t>(items.size());
    key->surplus = key->deficit = 0;
    for (const auto& item : items) {
        key->surplus += item.second == ZELVCERT_SURPLUS;
        key->deficit += item.second == ZELVCERT_DEFICIT;
    }
    q = m_store->Exec(
        "INSERT INTO certificate (customer_id, media_id, repository_id, created_at, items,"
        " surplus, deficit, description, user_id, machine, program)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {customer, media, repository, qint64(key->time), qint64(key->items),
         qint64(key->surplus), qint64(key->deficit), key->description.Text(), m_userId, m_machine,
         qint64(m_programId)});
    if (!q.IsOK())
        return q;
    qint64 id = 0;
    q = FirstRow("SELECT certificate_id FROM certificate WHERE customer_id = ?"
                 " AND media_id = ? AND repository_id = ? AND created_at = ?",
                 {customer, media, repository, qint64(key->time)},
                 CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("certificate not written")),
                 [&](const ZELVCursor& r) { id = r.Int(0); });
    if (!q.IsOK())
        return q;
    for (const auto& item : items) {
        q = m_store->Exec("INSERT INTO certificate_item (certificate_id, volume_id, status)"
                          " VALUES (?, ?, ?)",
                          {id, item.first, qint64(item.second)});
        if (!q.IsOK())
            return q;
    }
    q = CertificateMac(id, mac);
    if (q.IsOK())
        q = m_store->Exec("UPDATE certificate SET mac = ? WHERE certificate_id = ?", {*mac, id});
    return q;
}

CZELV10RC CZELV10MFC::Certify(const QString& customer, const QString& media,
                              const QString& repository, const QString& description,
                              ZELV10CERTIFICATIONKey* out) {
    if (CZELV10RC denied = Require(ZelvRight::Scan); !denied.IsOK())
        return denied;
    CZELV10RC rc = ScopeChecks(customer, media, repository);
    if (rc.IsOK())
        rc = FreeText("Description", description, kZelvCertificateDescriptionLen);
    if (!rc.IsOK())
        return rc;
    ZELV10CERTIFICATIONKey key;
    rc = Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = MediaRow(customer, media, nullptr);
        if (!q.IsOK())
            return q;
        ZELVCursor c;
        q = m_store->Exec("SELECT 1 FROM repository WHERE repository_id = ?", {repository}, &c);
        if (!q.IsOK())
            return q;
        if (!c.Next())
            return CZELV10RC(ZELV10RC_NOREPOSITORY, repository);
        c.Reset();
        key.customerId.Set(customer);
        key.mediaId.Set(media);
        key.repositoryId.Set(repository);
        key.time = Now();
        key.description.Set(description);
        key.userId.Set(m_userId);
        q = NoRow("SELECT 1 FROM certificate WHERE customer_id = ? AND media_id = ?"
                  " AND repository_id = ? AND created_at = ?",
                  {customer, media, repository, qint64(key.time)},
                  QStringLiteral("a certificate of %1 made this second")
                      .arg(ScopeText(customer, media, repository)));
        if (!q.IsOK())
            return q;
        QString mac;
        if (m_store->Engine() == ZELVEngine::PostgreSQL) {
            // The database builds, counts and signs the whole certificate from
            // its own rows; only it can read the key.
            q = FirstRow("SELECT o_items, o_surplus, o_deficit, o_mac"
                         " FROM certificate_issue(?, ?, ?, ?, ?, ?, ?)",
                         {customer, media, repository, key.description.Text(), qint64(key.time),
                          m_machine, qint64(m_programId)},
                         CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("no certificate made")),
                         [&](const ZELVCursor& r) {
                             key.items = static_cast<uint32_t>(r.Int(0));
                             key.surplus = static_cast<uint32_t>(r.Int(1));
                             key.deficit = static_cast<uint32_t>(r.Int(2));
                             mac = r.Text(3);
                         });
        } else {
            q = WriteCertificate(&key, &mac);
        }
        if (!q.IsOK())
            return q;
        key.signature = SignatureWords(mac);
        return CZELV10RC();
    });
    if (!rc.IsOK())
        return rc;
    if (out)
        *out = key;
    return CZELV10RC(
        ZELV10RC_OK,
        QStringLiteral("%1 certificate of %2 created: %3 items, %4 surplus, %5 deficit")
            .arg(key.IsCertified() ? QStringLiteral("Certified") : QStringLiteral("Refused"),
                 ScopeText(customer, media, repository))
            .arg(key.items)
            .arg(key.surplus)
            .arg(key.deficit));
}

CZELV10RC CZELV10MFC::List(std::vector<ZELV10CERTIFICATIONKey>* out, const QString& customer,
                           const QString& media, const QString& repository) {
    CZELV10RC rc = ScopeChecks(customer, media, repository);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    QStringLiteral("SELECT %1 FROM certificate WHERE customer_id = ?"
                                   " AND media_id = ? AND repository_id = ?"
                                   " ORDER BY created_at DESC")
                        .arg(QString::fromUtf8(kCertificateColumns)),
                    {customer, media, repository}, ReadCertificate);
}

CZELV10RC CZELV10MFC::CertificateRow(const ZELV10CERTIFICATIONKey& key, qint64* id, QString* mac) {
    const QString c = key.customerId.Text(), m = key.mediaId.Text(), r = key.repositoryId.Text();
    return FirstRow(
        "SELECT certificate_id, mac FROM certificate WHERE customer_id = ?"
        " AND media_id = ? AND repository_id = ? AND created_at = ?",
        {c, m, r, qint64(key.time)},
        CZELV10RC(
            ZELV10RC_NOTREAD,
            QStringLiteral("no certificate of %1 at %2").arg(ScopeText(c, m, r)).arg(key.time)),
        [&](const ZELVCursor& cur) {
            *id = cur.Int(0);
            if (mac)
                *mac = cur.Text(1);
        });
}

CZELV10RC CZELV10MFC::List(std::vector<ZELV10CERTIFICATIONITEM>* out, const QString& customer,
                           const QString& media, const QString& repository, int64_t time) {
    CZELV10RC rc = ScopeChecks(customer, media, repository);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    "SELECT i.volume_id, i.status FROM certificate_item i"
                    " JOIN certificate c ON c.certificate_id = i.certificate_id"
                    " WHERE c.customer_id = ? AND c.media_id = ? AND c.repository_id = ?"
                    " AND c.created_at = ? ORDER BY i.volume_id",
                    {customer, media, repository, qint64(time)}, [](const ZELVCursor& c) {
                        ZELV10CERTIFICATIONITEM item;
                        item.volumeId.Set(c.Text(0));
                        item.status = static_cast<uint32_t>(c.Int(1));
                        return item;
                    });
}

CZELV10RC CZELV10MFC::GetUpdateDetails(ZELV10IPDETAILS* out, const ZELV10CERTIFICATIONKey& key) {
    CZELV10RC rc = ScopeChecks(key.customerId.Text(), key.mediaId.Text(), key.repositoryId.Text());
    if (!rc.IsOK())
        return rc;
    return ReadRow(
        out,
        "SELECT c.created_at, c.user_id, c.machine, u.name, k.connections, k.first_at,"
        " k.last_at, k.interface, k.os, k.utc_offset, k.time_zone"
        " FROM certificate c LEFT JOIN app_user u ON u.user_id = c.user_id"
        " LEFT JOIN client_connection k ON k.machine = c.machine"
        " WHERE c.customer_id = ? AND c.media_id = ? AND c.repository_id = ? AND c.created_at = ?",
        {key.customerId.Text(), key.mediaId.Text(), key.repositoryId.Text(), qint64(key.time)},
        CZELV10RC(ZELV10RC_NOTREAD, QStringLiteral("no such certificate")), UpdateDetailsRow);
}

CZELV10RC CZELV10MFC::VerifyCertificate(const ZELV10CERTIFICATIONKey& key, bool* intact) {
    CZELV10RC rc = ScopeChecks(key.customerId.Text(), key.mediaId.Text(), key.repositoryId.Text());
    if (!rc.IsOK())
        return rc;
    bool ok = false;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        qint64 id = 0;
        QString stored;
        CZELV10RC q = CertificateRow(key, &id, &stored);
        if (!q.IsOK())
            return q;
        if (m_store->Engine() == ZELVEngine::PostgreSQL)
            return FirstRow("SELECT certificate_intact(?)", {id},
                            CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("no answer")),
                            [&](const ZELVCursor& c) { ok = c.Value(0).toBool(); });
        QString mac;
        q = CertificateMac(id, &mac);
        if (!q.IsOK())
            return q;
        const QByteArray a = mac.toLatin1(), b = stored.toLatin1();
        ok = a.size() == b.size() && !a.isEmpty() &&
             sodium_memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size())) == 0;
        return CZELV10RC();
    });
    if (rc.IsOK())
        *intact = ok;
    return rc;
}
