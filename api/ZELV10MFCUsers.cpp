#include "ZELV10MFC.h"
#include "ZELVPassword.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"

using namespace ZelvValidate;

namespace {

uint32_t RoleOf(uint32_t flags) {
    return (flags & ZELVUSER_ROLEMASK) >> ZELVUSER_ROLESHIFT;
}

const char* RightText(ZelvRight right) {
    switch (right) {
    case ZelvRight::Scan:
        return "change Volumes";
    case ZelvRight::AddVolumes:
        return "add Volumes or Data-Clusters";
    case ZelvRight::Users:
        return "manage users and files";
    case ZelvRight::Catalog:
        return "change Media Types, zones or a Customer's Repository settings";
    case ZelvRight::Customers:
        return "add or change Customers and Repositories";
    case ZelvRight::Server:
        return "change the server's settings";
    }
    return "do this";
}

} // namespace

uint32_t CZELV10MFC::MinimumRole(ZelvRight right) {
    // The role names of a new group: 0 Guest, 1 Operator, 2 Senior Operator,
    // 3 Supervisor, 4 Librarian, 5 Manager, 6 Administrator, 7 Owner.
    switch (right) {
    case ZelvRight::Scan:
        return 1;
    case ZelvRight::AddVolumes:
        return 2;
    case ZelvRight::Users:
        return 3;
    case ZelvRight::Catalog:
        return 4;
    case ZelvRight::Customers:
        return 5;
    case ZelvRight::Server:
        return 6;
    }
    return kOwnerRole;
}

CZELV10RC CZELV10MFC::Require(ZelvRight right) const {
    if (!m_loggedOn)
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    const uint32_t needed = MinimumRole(right);
    if (m_role >= needed)
        return CZELV10RC();
    return CZELV10RC(ZELV10RC_NOTALLOWED,
                     QStringLiteral("%1 (role %2) may not %3; that needs role %4 or above")
                         .arg(m_userId)
                         .arg(m_role)
                         .arg(QString::fromUtf8(RightText(right)))
                         .arg(needed));
}

QString CZELV10MFC::GenerateRandomPassword() {
    return ZelvPassword::Random();
}

CZELV10RC CZELV10MFC::StorePassword(const QString& userId, const QString& password) {
    // A central server's users are its logins: the database keeps a SCRAM
    // verifier made here, never the text. The embedded store keeps a hash.
    const bool central = m_address.IsCentral();
    QString hash;
    CZELV10RC rc = central ? ZelvPassword::ScramVerifier(password, &hash)
                           : ZelvPassword::Hash(password, &hash);
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() -> CZELV10RC {
        if (userId != m_userId) {
            uint32_t flags = 0;
            CZELV10RC q = ManagedUser(userId, &flags);
            if (!q.IsOK())
                return q;
        }
        if (central)
            return m_store->Exec("SELECT kelmar_set_password(?, ?)", {userId, hash});
        ZELVCursor c;
        CZELV10RC q = m_store->Exec("UPDATE app_user SET password_hash = ? WHERE user_id = ?",
                                    {hash, userId}, &c);
        if (!q.IsOK())
            return q;
        if (c.RowsAffected() == 0)
            return CZELV10RC(ZELV10RC_NOUSER, userId);
        return CZELV10RC();
    });
}

CZELV10RC CZELV10MFC::ManagedUser(const QString& userId, uint32_t* flags) {
    if (userId == m_userId)
        return CZELV10RC(ZELV10RC_NOTALLOWED,
                         QStringLiteral("%1 cannot manage their own account this way").arg(userId));
    ZELVCursor c;
    CZELV10RC q =
        m_store->Exec("SELECT flags, group_id FROM app_user WHERE user_id = ?", {userId}, &c);
    if (!q.IsOK())
        return q;
    // Another group's users are not there for this operator, not even by name.
    if (!c.Next() || c.Text(1) != m_groupId)
        return CZELV10RC(ZELV10RC_NOUSER, userId);
    *flags = static_cast<uint32_t>(c.Int(0));
    c.Reset();
    if (RoleOf(*flags) >= m_role)
        return CZELV10RC(ZELV10RC_NOTALLOWED,
                         QStringLiteral("%1 (role %2) may manage users with a role below %2 only;"
                                        " %3 has role %4")
                             .arg(m_userId)
                             .arg(m_role)
                             .arg(userId)
                             .arg(RoleOf(*flags)));
    return CZELV10RC();
}

CZELV10RC CZELV10MFC::Add(const ZELVUSER& in) {
    const QString id = in.userId.Text();
    CZELV10RC rc = UserIdentifier("User-ID", id, kZelvUserIdLen);
    if (rc.IsOK())
        rc = Field("User name", in.name, false);
    if (rc.IsOK())
        rc = Field("E-mail", in.email, false);
    if (rc.IsOK())
        rc = Require(ZelvRight::Users);
    if (!rc.IsOK())
        return rc;
    if (in.Role() >= m_role)
        return CZELV10RC(
            ZELV10RC_NOTALLOWED,
            QStringLiteral("%1 may add users with a role below %2 only").arg(m_userId).arg(m_role));
    return Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = NoRow("SELECT 1 FROM app_user WHERE user_id = ?", {id}, id);
        if (!q.IsOK())
            return q;
        return m_store->Exec(
            "INSERT INTO app_user (user_id, name, email, flags, group_id, created_at)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            {id, in.name.Text(), in.email.Text(),
             static_cast<qint64>(in.flags & (ZELVUSER_ROLEMASK | ZELVUSER_DISABLED)), m_groupId,
             Now()});
    });
}

CZELV10RC CZELV10MFC::Add(const ZELVUSEREx& in) {
    ZELVUSER user = in.user;
    user.userId = in.userId;
    return Add(user);
}

CZELV10RC CZELV10MFC::List(std::vector<ZELVUSERFULL>* out) {
    CZELV10RC rc = Require(ZelvRight::Users);
    if (!rc.IsOK())
        return rc;
    return ReadRows(out,
                    "SELECT user_id, name, email, group_id, flags FROM app_user"
                    " WHERE group_id = ? ORDER BY user_id",
                    {m_groupId}, [](const ZELVCursor& c) {
                        ZELVUSERFULL r;
                        r.userId.Set(c.Text(0));
                        r.name.Set(c.Text(1));
                        r.email.Set(c.Text(2));
                        r.groupId.Set(c.Text(3));
                        r.flags = static_cast<uint32_t>(c.Int(4));
                        return r;
                    });
}

CZELV10RC CZELV10MFC::Update(const ZELVUSEREx& in) {
    const QString id = in.userId.Text();
    CZELV10RC rc = UserIdentifier("User-ID", id, kZelvUserIdLen);
    if (rc.IsOK())
        rc = Field("User name", in.user.name, false);
    if (rc.IsOK())
        rc = Field("E-mail", in.user.email, false);
    if (rc.IsOK())
        rc = Require(ZelvRight::Users);
    if (!rc.IsOK())
        return rc;
    if (in.user.Role() >= m_role)
        return CZELV10RC(
            ZELV10RC_NOTALLOWED,
            QStringLiteral("%1 may give roles below %2 only").arg(m_userId).arg(m_role));
    return Run(Mode::Write, [&]() -> CZELV10RC {
        uint32_t flags = 0;
        CZELV10RC q = ManagedUser(id, &flags);
        if (!q.IsOK())
            return q;
        const uint32_t kept = flags & ~(ZELVUSER_ROLEMASK | ZELVUSER_DISABLED);
        const uint32_t now = kept | (in.user.flags & (ZELVUSER_ROLEMASK | ZELVUSER_DISABLED));
        return m_store->Exec("UPDATE app_user SET name = ?, email = ?, flags = ? WHERE user_id = ?",
                             {in.user.name.Text(), in.user.email.Text(), qint64(now), id});
    });
}

CZELV10RC CZELV10MFC::DeleteUser(const QString& userId) {
    CZELV10RC rc = UserIdentifier("User-ID", userId, kZelvUserIdLen);
    if (rc.IsOK())
        rc = Require(ZelvRight::Users);
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() -> CZELV10RC {
        uint32_t flags = 0;
        CZELV10RC q = ManagedUser(userId, &flags);
        if (!q.IsOK())
            return q;
        return m_store->Exec("DELETE FROM app_user WHERE user_id = ?", {userId});
    });
}

CZELV10RC CZELV10MFC::ResetPassword(const QString& userId, const QString& password) {
    CZELV10RC rc = UserIdentifier("User-ID", userId, kZelvUserIdLen);
    if (rc.IsOK())
        rc = Require(ZelvRight::Users);
    if (!rc.IsOK())
        return rc;
    // Never one's own through here: that is SetPassword, which knows the old one.
    if (userId == m_userId)
        return CZELV10RC(ZELV10RC_NOTALLOWED,
                         QStringLiteral("%1 cannot reset their own password").arg(userId));
    return StorePassword(userId, password);
}

CZELV10RC CZELV10MFC::ResetPassword(const QString& userId, QString* password) {
    const QString fresh = GenerateRandomPassword();
    CZELV10RC rc = ResetPassword(userId, fresh);
    if (rc.IsOK() && password)
        *password = fresh;
    return rc;
}
