#include "ZELV10MFC.h"

#include "ZELVPassword.h"
#include "ZELVSchema.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"
#include "ZELVVolumeRules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>
#include <QTimeZone>
#include <pwd.h>
#include <unistd.h>

using namespace ZelvValidate;

namespace {

QString OsUserName() {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace

CZELV10MFC::CZELV10MFC(int flags) : m_store(std::make_unique<CZELVStore>()) {
    (void)flags;
    m_machine = QSysInfo::machineHostName();
}

CZELV10MFC::~CZELV10MFC() = default;

void CZELV10MFC::SetLogonDetails(const QString& host, int port, const QString& user,
                                 const QString& password) {
    ZELVServerAddress a;
    a.host = host;
    a.port = host.isEmpty() ? 0 : (port > 0 ? port : 5432);
    a.user = user;
    a.password = password;
    m_address = a;
}

void CZELV10MFC::SetServerAddress(const ZELVServerAddress& address) {
    m_address = address;
}

bool CZELV10MFC::IsLoggedOn() const {
    return m_loggedOn && m_store->IsOpen() && !m_store->IsLost();
}

void CZELV10MFC::Logoff() {
    m_store->Close();
    m_loggedOn = false;
    m_batchDepth = 0;
    m_batchBroken = false;
    ++m_session;
}

CZELV10RC CZELV10MFC::Logon(int flags) {
    Logoff();
    CZELV10RC rc = m_store->Open(m_address, m_busyTimeoutMs);
    if (!rc.IsOK())
        return rc;

    rc = CZELVSchema::Migrate(*m_store);
    // Without WAL the file still works, with the rollback journal.
    if (rc.IsOK())
        m_store->Settle();
    if (!rc.IsOK()) {
        Logoff();
        return rc;
    }
    rc = Identify(flags);
    if (!rc.IsOK()) {
        Logoff();
        return rc;
    }
    m_loggedOn = true;
    RecordConnection();
    return CZELV10RC();
}

void CZELV10MFC::RecordConnection() {
    const qint64 now = Now();
    const QDateTime local = QDateTime::fromSecsSinceEpoch(now);
    const QString zone = QString::fromUtf8(QTimeZone::systemTimeZoneId());
    const QString app = QCoreApplication::applicationName();
    const QString interfaceText = QStringLiteral("%1 %2 (program %3)")
                                      .arg(app.isEmpty() ? QStringLiteral("Kelmar client") : app,
                                           QCoreApplication::applicationVersion())
                                      .arg(m_programId)
                                      .simplified();
    const CZELV10RC rc = m_store->Exec(
        "INSERT INTO client_connection (machine, connections, first_at, last_at, user_id, program,"
        " interface, os, utc_offset, time_zone) VALUES (?, 1, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (machine) DO UPDATE SET connections = client_connection.connections + 1,"
        " last_at = excluded.last_at, user_id = excluded.user_id, program = excluded.program,"
        " interface = excluded.interface, os = excluded.os, utc_offset = excluded.utc_offset,"
        " time_zone = excluded.time_zone",
        {m_machine.left(64), now, now, m_userId, qint64(m_programId), interfaceText.left(64),
         QSysInfo::prettyProductName().left(64), qint64(local.offsetFromUtc() / 60),
         zone.left(64)});
    (void)rc; // the statistics wait for a login that may write
}

CZELV10RC CZELV10MFC::Identify(int flags) {
    const bool central = m_address.IsCentral();
    // Without a user name PostgreSQL takes the operating-system user too.
    QString user = m_address.user;
    if (user.isEmpty())
        user = OsUserName();
    CZELV10RC rc = UserIdentifier("User-ID", user, kZelvUserIdLen);
    if (!rc.IsOK())
        return CZELV10RC(ZELV10RC_LOGONFAILED, rc.Get());

    ZELVCursor c;
    rc = m_store->Exec("SELECT flags, group_id, password_hash FROM app_user WHERE user_id = ?",
                       {user}, &c);
    if (!rc.IsOK())
        return rc;
    if (c.Next()) {
        const uint32_t userFlags = static_cast<uint32_t>(c.Int(0));
        const QString group = c.Text(1);
        const QString hash = c.IsNull(2) ? QString() : c.Text(2);
        c.Reset();
        if (userFlags & ZELVUSER_DISABLED)
            return CZELV10RC(ZELV10RC_USERDISABLED, user);
        // On PostgreSQL the server has checked the login. An embedded file is
        // guarded by the password kept here, and a user without one stays out.
        if (!central) {
            // An owner from before passwords were kept: zelvadmin init, run by
            // whoever may write the file, gives the account its first one.
            if (hash.isEmpty() && (flags & kLogonCreateOwner) &&
                ((userFlags & ZELVUSER_ROLEMASK) >> ZELVUSER_ROLESHIFT) == kOwnerRole) {
                QString first;
                rc = ZelvPassword::Hash(m_address.password, &first);
                if (rc.IsOK())
                    rc = m_store->Exec("UPDATE app_user SET password_hash = ? WHERE user_id = ?"
                                       " AND password_hash IS NULL",
                                       {first, user});
                if (!rc.IsOK())
                    return rc;
                return Identify(flags & ~kLogonCreateOwner);
            }
            if (hash.isEmpty())
                return CZELV10RC(ZELV10RC_NOPASSWORD, user);
            if (m_address.password.isEmpty())
                return CZELV10RC(ZELV10RC_PASSWORDREQUIRED, user);
            if (!ZelvPassword::Verify(hash, m_address.password))
                return CZELV10RC(ZELV10RC_WRONGPASSWORD, user);
        }
        m_userId = user;
        m_groupId = group;
        m_role = (userFlags & ZELVUSER_ROLEMASK) >> ZELVUSER_ROLESHIFT;
        return CZELV10RC();
    }
    c.Reset();

    // Someone the database does not know. On PostgreSQL the server has let the
    // login in; the first one becomes the owner, later ones operators (a login
    // under row-level security may not register itself: an administrator adds
    // it). An embedded database takes its first user only from zelvadmin init,
    // with a password, and refuses every other name.
    const bool createOwner = (flags & kLogonCreateOwner) != 0;
    QString hash;
    if (!central && createOwner) {
        rc = ZelvPassword::Hash(m_address.password, &hash);
        if (!rc.IsOK())
            return rc;
    }
    const auto countUsers = [&](qint64* users) {
        CZELV10RC q = m_store->Exec("SELECT COUNT(*) FROM app_user", {}, &c);
        *users = q.IsOK() && c.Next() ? c.Int(0) : 0;
        c.Reset();
        if (q.IsOK() && !central && *users > 0)
            return CZELV10RC(ZELV10RC_NOUSER,
                             QStringLiteral("%1 is not a user of %2").arg(user, m_store->Where()));
        if (q.IsOK() && !central && !createOwner)
            return CZELV10RC(ZELV10RC_NOUSER,
                             QStringLiteral("%1 has no users yet; \"zelvadmin init\" sets up its "
                                            "administrator")
                                 .arg(m_store->Where()));
        return q;
    };
    qint64 users = 0;
    // Asked before the write lock, so that a read-only file refuses a stranger
    // for who they are, not for the lock.
    rc = countUsers(&users);
    if (!rc.IsOK())
        return rc;
    ZELVTransaction tx(*m_store);
    rc = tx.Begin(true);
    if (rc.IsOK())
        rc = countUsers(&users);
    if (!rc.IsOK())
        return rc;
    const qint64 role = users == 0 ? kOwnerRole : 1;
    rc =
        m_store->Exec("INSERT INTO app_user (user_id, name, email, flags, group_id, created_at,"
                      " password_hash) VALUES (?, '', '', ?, 'DEFAULT', ?, ?)",
                      {user, role << ZELVUSER_ROLESHIFT, Now(),
                       hash.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(hash)});
    if (rc.IsOK())
        rc = tx.Commit();
    // Two first logons at once: the other one registered the name first.
    if (!rc.IsOK() && rc.Code() != ZELV10RC_EXISTS)
        return rc;
    if (!rc.IsOK())
        return Identify(0);
    m_userId = user;
    m_groupId = QStringLiteral("DEFAULT");
    m_role = static_cast<uint32_t>(role);
    return CZELV10RC();
}

CZELV10RC CZELV10MFC::Run(Mode mode, const std::function<CZELV10RC()>& body) {
    if (!m_loggedOn || !m_store->IsOpen())
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (m_store->IsLost())
        return CZELV10RC(ZELV10RC_CONNECTIONLOST, m_store->Where());
    if (m_batchDepth > 0)
        return RunInBatch(body);
    if (mode == Mode::Single)
        return body();
    ZELVTransaction tx(*m_store);
    CZELV10RC rc = tx.Begin(mode == Mode::Write);
    if (!rc.IsOK())
        return rc;
    rc = body();
    if (!rc.IsOK())
        return rc; // rolled back by tx
    return tx.Commit();
}

namespace {

const QString kCallSavepoint = QStringLiteral("zelv_call");
const QString kBatchSavepoint = QStringLiteral("zelv_batch");

CZELV10RC BrokenBatch() {
    return CZELV10RC(ZELV10RC_DATABASEERROR,
                     QStringLiteral("a failed part of this change could not be undone by itself, "
                                    "so none of it is kept"));
}

} // namespace

CZELV10RC CZELV10MFC::RunInBatch(const std::function<CZELV10RC()>& body) {
    if (m_batchBroken)
        return BrokenBatch();
    CZELV10RC rc = m_store->ExecOnce(QStringLiteral("SAVEPOINT ") + kCallSavepoint);
    if (!rc.IsOK()) {
        m_batchBroken = true;
        return rc;
    }
    rc = body();
    if (rc.IsOK()) {
        rc = m_store->ExecOnce(QStringLiteral("RELEASE SAVEPOINT ") + kCallSavepoint);
        if (!rc.IsOK())
            m_batchBroken = true;
        return rc;
    }
    // Some failures (a full disk on SQLite, a lost server) end the whole
    // transaction; then the savepoint is gone too and the batch cannot go on.
    if (!m_store->RollbackTo(kCallSavepoint))
        m_batchBroken = true;
    return rc;
}

CZELV10MFC::Batch::~Batch() {
    if (m_level > 0 && m_session == m_mfc.m_session)
        Undo();
}

CZELV10RC CZELV10MFC::Batch::Begin() {
    CZELV10MFC& m = m_mfc;
    if (m_level > 0)
        return CZELV10RC(ZELV10RC_NOTALLOWED, QStringLiteral("the batch has begun already"));
    if (!m.m_loggedOn || !m.m_store->IsOpen())
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (m.m_store->IsLost())
        return CZELV10RC(ZELV10RC_CONNECTIONLOST, m.m_store->Where());
    CZELV10RC rc;
    if (m.m_batchDepth == 0) {
        rc = m.m_store->Begin(true);
        m.m_batchBroken = false;
    } else if (m.m_batchBroken) {
        rc = BrokenBatch();
    } else {
        rc = m.m_store->ExecOnce(QStringLiteral("SAVEPOINT ") + kBatchSavepoint);
    }
    if (!rc.IsOK())
        return rc;
    m_level = ++m.m_batchDepth;
    m_session = m.m_session;
    return rc;
}

CZELV10RC CZELV10MFC::Batch::Commit() {
    CZELV10MFC& m = m_mfc;
    if (m_level == 0)
        return CZELV10RC(ZELV10RC_NOTALLOWED, QStringLiteral("the batch has not begun"));
    if (m_session != m.m_session || m.m_batchDepth < m_level) {
        // Logged off in between, or an outer batch has ended: the work is gone.
        m_level = 0;
        return CZELV10RC(ZELV10RC_NOTALLOWED,
                         QStringLiteral("the transaction of this batch has ended already"));
    }
    if (m.m_batchDepth != m_level || m.m_batchBroken) {
        const bool broken = m.m_batchBroken;
        Undo();
        return broken ? BrokenBatch()
                      : CZELV10RC(ZELV10RC_NOTALLOWED,
                                  QStringLiteral("a batch inside this one is still open"));
    }
    CZELV10RC rc;
    if (m_level == 1) {
        rc = m.m_store->Commit(); // rolls back when it fails
        m.m_batchDepth = 0;
    } else {
        rc = m.m_store->ExecOnce(QStringLiteral("RELEASE SAVEPOINT ") + kBatchSavepoint);
        if (!rc.IsOK())
            m.m_batchBroken = true;
        m.m_batchDepth = m_level - 1;
    }
    m_level = 0;
    return rc;
}

void CZELV10MFC::Batch::Undo() {
    CZELV10MFC& m = m_mfc;
    if (m.m_batchDepth < m_level) {
        m_level = 0; // an outer batch has ended, and this one with it
        return;
    }
    if (m_level == 1) {
        m.m_store->Rollback();
        m.m_batchDepth = 0;
        m.m_batchBroken = false;
    } else {
        if (m.m_batchBroken || !m.m_store->RollbackTo(kBatchSavepoint))
            m.m_batchBroken = true;
        m.m_batchDepth = m_level - 1;
    }
    m_level = 0;
}

CZELV10RC CZELV10MFC::Get(ZELVSERVERID* out) {
    ZELVSERVERID r;
    CZELV10RC rc = Run(Mode::Read, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q = m_store->Exec("SELECT name, value FROM server_info", {}, &c);
        if (!q.IsOK())
            return q;
        while (c.Next()) {
            const QString name = c.Text(0);
            if (name == QLatin1String("server_id"))
                r.serverId.Set(c.Text(1));
            else if (name == QLatin1String("server_name"))
                r.serverName.Set(c.Text(1));
        }
        c.Reset();
        q = m_store->Exec("SELECT user_id, name, group_id, flags FROM app_user WHERE user_id = ?",
                          {m_userId}, &c);
        if (!q.IsOK())
            return q;
        r.userId.Set(m_userId);
        r.groupId.Set(m_groupId);
        if (c.Next()) {
            r.userName.Set(c.Text(1));
            r.groupId.Set(c.Text(2));
            r.userFlags = static_cast<uint32_t>(c.Int(3));
        }
        c.Reset();
        q = m_store->Exec("SELECT MAX(version) FROM schema_version", {}, &c);
        if (!q.IsOK())
            return q;
        if (c.Next())
            r.schemaVersion = static_cast<uint32_t>(c.Int(0));
        return CZELV10RC();
    });
    if (!rc.IsOK())
        return rc;
    r.engine.Set(m_store->EngineText());
    r.programId = m_programId;
    *out = r;
    return rc;
}

CZELV10RC CZELV10MFC::Put(const ZELVSERVERID& in) {
    if (CZELV10RC denied = Require(ZelvRight::Server); !denied.IsOK())
        return denied;
    CZELV10RC rc = Field("Server name", in.serverName, false);
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() {
        return m_store->Exec("UPDATE server_info SET value = ? WHERE name = 'server_name'",
                             {in.serverName.Text()});
    });
}

CZELV10RC CZELV10MFC::Get(ZELVUSER* out, const QString& userId) {
    const QString id = userId.isEmpty() ? m_userId : userId;
    CZELV10RC rc = UserIdentifier("User-ID", id, kZelvUserIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRow(out,
                   "SELECT user_id, name, email, group_id, flags FROM app_user WHERE user_id = ?",
                   {id}, CZELV10RC(ZELV10RC_NOUSER, id), [](const ZELVCursor& c) {
                       ZELVUSER r;
                       r.userId.Set(c.Text(0));
                       r.name.Set(c.Text(1));
                       r.email.Set(c.Text(2));
                       r.groupId.Set(c.Text(3));
                       r.flags = static_cast<uint32_t>(c.Int(4));
                       return r;
                   });
}

CZELV10RC CZELV10MFC::Get(ZELVGROUP* out, const QString& groupId) {
    const QString id = groupId.isEmpty() ? m_groupId : groupId;
    CZELV10RC rc = UserIdentifier("Group-ID", id, kZelvGroupIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRow(out,
                   "SELECT group_id, name, role0, role1, role2, role3, role4, role5, role6, role7"
                   " FROM user_group WHERE group_id = ?",
                   {id}, CZELV10RC(ZELV10RC_NOGROUP, id), [](const ZELVCursor& c) {
                       ZELVGROUP r;
                       r.groupId.Set(c.Text(0));
                       r.name.Set(c.Text(1));
                       for (int i = 0; i < 8; ++i)
                           r.roleNames[static_cast<size_t>(i)].Set(c.Text(2 + i));
                       return r;
                   });
}

CZELV10RC CZELV10MFC::SetPassword(const QString& userId, const QString& password) {
    CZELV10RC rc = UserIdentifier("User-ID", userId, kZelvUserIdLen);
    if (!rc.IsOK())
        return rc;
    // Only one's own: resetting another user's password is an administrator's
    // task with its own rules.
    if (!m_loggedOn)
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (userId != m_userId)
        return CZELV10RC(ZELV10RC_NOTALLOWED,
                         QStringLiteral("%1 may change only their own password").arg(m_userId));
    return StorePassword(userId, password);
}

QString CZELV10MFC::FormatZoneSlot(uint32_t zoneSlot) {
    return QString::asprintf("%4.4u", zoneSlot);
}

QString CZELV10MFC::GetOS() {
    return QStringLiteral("%1 (%2 %3)")
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion());
}

QString CZELV10MFC::GetPgmText(uint32_t programId) {
    switch (programId) {
    case kProgramDesk:
        return QStringLiteral("Kelmar Lite");
    case kProgramAdmin:
        return QStringLiteral("zelvadmin");
    case 0:
        return QStringLiteral("Unknown program");
    default:
        return QStringLiteral("Program(%1)").arg(programId);
    }
}
