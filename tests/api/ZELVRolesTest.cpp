// Who may do what to whom: every role's calls on both engines, as real
// logons (embedded users with passwords, PostgreSQL logins under row-level
// security), and what an operator's login can reach with plain SQL.
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Users of the test, one per role, logged on as themselves. On PostgreSQL each
// is a login of its own in kelmar_operator, dropped afterwards.
class ZELVRolesTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(c).IsOK());
        ZELVMEDIAEx m;
        m.customerId = "ACME";
        m.mediaId = "LTO6";
        ASSERT_TRUE(mfc.Add(m).IsOK());
        ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "V00001")).IsOK());
        ASSERT_TRUE(db->Exec(QStringLiteral(
            "INSERT INTO user_group (group_id, name) VALUES ('OTHER', 'Another site')")));
    }
    void TearDown() override {
        actors.clear();
        ZelvEngineTest::TearDown();
        for (const QString& login : logins)
            db->Exec(QStringLiteral("DROP ROLE IF EXISTS ") + login);
    }

    bool Pg() const { return GetParam() == TestEngine::PostgreSQL; }

    // A user of the owner's group with that role, who can log on; its name.
    QString MakeUser(uint32_t role, const QString& tag) {
        QString id = QStringLiteral("u%1_%2").arg(role).arg(tag);
        if (Pg()) {
            id = QStringLiteral("kr%1_%2").arg(getpid()).arg(id).left(kZelvUserIdLen);
            if (!db->Exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE "
                                         "kelmar_operator")
                              .arg(id, Password(id))))
                return {};
            logins << id;
        }
        ZELVUSER u;
        u.userId.Set(id);
        u.flags = role << ZELVUSER_ROLESHIFT;
        if (!mfc.Add(u).IsOK())
            return {};
        if (!Pg() && !mfc.ResetPassword(id, Password(id)).IsOK())
            return {};
        return id;
    }
    static QString Password(const QString& id) { return QStringLiteral("pass-") + id; }

    CZELV10MFC* LogOn(const QString& id, CZELV10RC* rc) {
        ZELVServerAddress a = db->Address();
        a.user = id;
        a.password = Password(id);
        auto m = std::make_unique<CZELV10MFC>();
        m->SetServerAddress(a);
        m->SetClock(&clock);
        *rc = m->Logon();
        actors.push_back(std::move(m));
        return actors.back().get();
    }

    // What a refused call must leave as it was.
    std::string Snapshot() const {
        std::string s;
        for (const char* sql : {"SELECT COUNT(*) FROM customer", "SELECT COUNT(*) FROM media",
                                "SELECT COUNT(*) FROM repository", "SELECT COUNT(*) FROM volume",
                                "SELECT SUM(version) FROM volume", "SELECT COUNT(*) FROM app_user",
                                "SELECT SUM(flags) FROM app_user", "SELECT MAX(name) FROM app_user",
                                "SELECT value FROM server_info WHERE name = 'server_name'"})
            s += db->Scalar(QString::fromLatin1(sql)).toString().toStdString() + "|";
        return s;
    }

    std::vector<std::unique_ptr<CZELV10MFC>> actors;
    QStringList logins;
};

struct RoleCase {
    const char* what;
    uint32_t role;
    // The call, made by `actor`; `target` is a user of the same group made
    // for the case with targetRole (empty when the case needs none).
    std::function<CZELV10RC(CZELV10MFC& actor, const QString& target)> call;
    int targetRole; // -1: no target user; -2: none, and the call only reads
    uint32_t code;
    bool checksItself = false; // what it writes is outside the snapshot; the call checks it
};

ZELVUSEREx Edited(const QString& id, uint32_t role, const char* name) {
    ZELVUSEREx e;
    e.userId.Set(id);
    e.user.name = name;
    e.user.flags = role << ZELVUSER_ROLESHIFT;
    return e;
}

TEST_P(ZELVRolesTest, EachRoleMayDoWhatItsRankAllowsAndNoMore) {
    const auto addCustomer = [](CZELV10MFC& a, const QString&) {
        ZELVCUSTEx c;
        c.customerId = "NEWC";
        return a.Add(c);
    };
    const auto addRepository = [](CZELV10MFC& a, const QString&) {
        ZELVREPOSITORY r;
        r.repositoryId = "NEWR";
        return a.Add(r);
    };
    const auto addMedia = [](CZELV10MFC& a, const QString&) {
        ZELVMEDIAEx m;
        m.customerId = "ACME";
        m.mediaId = "NEWM";
        return a.Add(m);
    };
    const auto renameServer = [](CZELV10MFC& a, const QString&) {
        ZELVSERVERID id;
        id.serverName = "Renamed";
        return a.Put(id);
    };
    const auto addVolume = [](CZELV10MFC& a, const QString&) {
        return a.Add(NewVolume("ACME", "LTO6", "NEWV"));
    };
    const auto moveVolume = [](CZELV10MFC& a, const QString&) {
        ZELVVOLSEx v = NewVolume("ACME", "LTO6", "V00001");
        CZELV10RC rc = a.Get(&v);
        if (!rc.IsOK())
            return rc;
        v.vol.threshold = 90;
        return a.Update(v);
    };
    // The group's users, the caller among them, nobody of another group.
    const auto listUsers = [](CZELV10MFC& a, const QString&) {
        std::vector<ZELVUSERFULL> users;
        CZELV10RC rc = a.List(&users);
        bool self = false;
        for (const ZELVUSERFULL& u : users) {
            self = self || u.userId.Text() == a.CurrentUser();
            if (u.userId.Text() == QLatin1String("stranger"))
                return CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("another group's user listed"));
        }
        if (rc.IsOK() && !self)
            return CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("the caller is not listed"));
        return rc;
    };
    const auto addUserWithRole = [](uint32_t role) {
        return [role](CZELV10MFC& a, const QString&) {
            ZELVUSEREx e = Edited(QStringLiteral("newuser"), role, "New");
            return a.Add(e);
        };
    };
    const auto setRole = [](uint32_t role) {
        return [role](CZELV10MFC& a, const QString& target) {
            return a.Update(Edited(target, role, "Renamed"));
        };
    };
    const auto deleteTarget = [](CZELV10MFC& a, const QString& target) {
        return a.DeleteUser(target);
    };
    const auto deleteSelf = [](CZELV10MFC& a, const QString&) {
        return a.DeleteUser(a.CurrentUser());
    };
    const auto editSelf = [](CZELV10MFC& a, const QString&) {
        return a.Update(Edited(a.CurrentUser(), 0, "Myself"));
    };
    const auto resetSelf = [](CZELV10MFC& a, const QString&) {
        QString pw;
        return a.ResetPassword(a.CurrentUser(), &pw);
    };
    // A reset password is one the target can log on with (on PostgreSQL its
    // login's, set as a verifier).
    const auto resetTarget = [](CZELV10MFC& a, const QString& target) {
        QString pw;
        CZELV10RC rc = a.ResetPassword(target, &pw);
        if (!rc.IsOK())
            return rc;
        ZELVServerAddress address = a.ServerAddress();
        address.user = target;
        address.password = pw;
        CZELV10MFC t;
        t.SetServerAddress(address);
        return t.Logon();
    };
    const auto otherGroupUser = [](CZELV10MFC& a, const QString&) {
        return a.DeleteUser(QStringLiteral("stranger"));
    };

    const RoleCase cases[] = {
        {"a guest reads but changes no Volume", 0, moveVolume, -1, ZELV10RC_NOTALLOWED},
        {"an operator changes a Volume", 1, moveVolume, -1, ZELV10RC_OK},
        {"an operator adds no Volume", 1, addVolume, -1, ZELV10RC_NOTALLOWED},
        {"a senior operator adds a Volume", 2, addVolume, -1, ZELV10RC_OK},
        {"a senior operator sees no user list", 2, listUsers, -2, ZELV10RC_NOTALLOWED},
        {"a supervisor lists the group's users", 3, listUsers, -2, ZELV10RC_OK},
        {"a supervisor adds an operator", 3, addUserWithRole(1), -1, ZELV10RC_OK},
        {"a supervisor adds no supervisor", 3, addUserWithRole(3), -1, ZELV10RC_NOTALLOWED},
        {"a supervisor renames an operator", 3, setRole(1), 1, ZELV10RC_OK},
        {"a supervisor raises an operator to below itself", 3, setRole(2), 1, ZELV10RC_OK},
        {"a supervisor raises nobody to its own role", 3, setRole(3), 1, ZELV10RC_NOTALLOWED},
        {"a supervisor raises nobody above itself", 3, setRole(7), 1, ZELV10RC_NOTALLOWED},
        {"a supervisor leaves a peer alone", 3, setRole(0), 3, ZELV10RC_NOTALLOWED},
        {"a supervisor deletes an operator", 3, deleteTarget, 1, ZELV10RC_OK},
        {"a supervisor deletes no manager", 3, deleteTarget, 5, ZELV10RC_NOTALLOWED},
        {"a senior operator deletes nobody", 2, deleteTarget, 0, ZELV10RC_NOTALLOWED},
        {"an administrator does not delete itself", 6, deleteSelf, -1, ZELV10RC_NOTALLOWED},
        {"an administrator does not demote itself", 6, editSelf, -1, ZELV10RC_NOTALLOWED},
        {"an administrator does not reset its own password", 6, resetSelf, -1, ZELV10RC_NOTALLOWED},
        {"a supervisor resets an operator's password", 3, resetTarget, 1, ZELV10RC_OK, true},
        {"a supervisor resets no peer's password", 3, resetTarget, 3, ZELV10RC_NOTALLOWED},
        {"a senior operator resets nobody's password", 2, resetTarget, 0, ZELV10RC_NOTALLOWED},
        {"another group's users are not there", 6, otherGroupUser, -1, ZELV10RC_NOUSER},
        {"a librarian adds a Media Type", 4, addMedia, -1, ZELV10RC_OK},
        {"a senior operator adds no Media Type", 2, addMedia, -1, ZELV10RC_NOTALLOWED},
        {"a librarian adds no Customer", 4, addCustomer, -1, ZELV10RC_NOTALLOWED},
        {"a manager adds a Customer", 5, addCustomer, -1, ZELV10RC_OK},
        {"a librarian adds no Repository", 4, addRepository, -1, ZELV10RC_NOTALLOWED},
        {"a manager adds a Repository", 5, addRepository, -1, ZELV10RC_OK},
        {"a manager does not rename the server", 5, renameServer, -1, ZELV10RC_NOTALLOWED},
        {"an administrator renames the server", 6, renameServer, -1, ZELV10RC_OK},
    };
    ASSERT_TRUE(db->Exec(QStringLiteral("INSERT INTO app_user (user_id, flags, group_id)"
                                        " VALUES ('stranger', 0, 'OTHER')")));
    int n = 0;
    for (const RoleCase& c : cases) {
        SCOPED_TRACE(c.what);
        ++n;
        const QString actorId = MakeUser(c.role, QStringLiteral("a%1").arg(n));
        ASSERT_FALSE(actorId.isEmpty());
        const QString target = c.targetRole < 0
                                   ? QString()
                                   : MakeUser(uint32_t(c.targetRole), QStringLiteral("t%1").arg(n));
        CZELV10RC rc;
        CZELV10MFC* actor = LogOn(actorId, &rc);
        ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
        const std::string before = Snapshot();
        rc = c.call(*actor, target);
        EXPECT_EQ(rc.Code(), c.code) << rc.Get().toStdString();
        if (c.code != ZELV10RC_OK) {
            EXPECT_EQ(Snapshot(), before) << "a refused call wrote something";
        } else if (c.targetRole != -2 && !c.checksItself) {
            EXPECT_NE(Snapshot(), before) << "an accepted call wrote nothing";
        }
        // Undo what the accepted calls added, so that the next case starts alike.
        if (c.code == ZELV10RC_OK)
            for (const char* sql : {"DELETE FROM volume WHERE volume_id = 'NEWV'",
                                    "DELETE FROM media WHERE media_id = 'NEWM'",
                                    "DELETE FROM customer WHERE customer_id = 'NEWC'",
                                    "DELETE FROM repository WHERE repository_id = 'NEWR'",
                                    "DELETE FROM app_user WHERE user_id = 'newuser'"})
                db->Exec(QString::fromLatin1(sql));
    }
}

TEST_P(ZELVRolesTest, ADisabledUserCannotLogOn) {
    const QString boss = MakeUser(3, QStringLiteral("boss"));
    const QString clerk = MakeUser(1, QStringLiteral("clerk"));
    ASSERT_FALSE(clerk.isEmpty());
    CZELV10RC rc;
    CZELV10MFC* actor = LogOn(boss, &rc);
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    ZELVUSEREx off = Edited(clerk, 1, "Clerk");
    off.user.flags |= ZELVUSER_DISABLED;
    ASSERT_TRUE(actor->Update(off).IsOK());
    LogOn(clerk, &rc);
    EXPECT_EQ(rc.Code(), uint32_t(ZELV10RC_USERDISABLED)) << rc.Get().toStdString();
    // Enabled again, it is back in.
    ASSERT_TRUE(actor->Update(Edited(clerk, 1, "Clerk")).IsOK());
    LogOn(clerk, &rc);
    EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVRolesTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

// --- Row-level security from plain SQL -------------------------------------------------

// Two groups on one server, an operator's login in each. Whatever SQL an
// operator types with its own login, the other group's Customers and
// Volumes are neither seen nor changed, and nobody raises their own rank.
class ZELVRowSecurityTest : public ZelvEngineTest {
protected:
    void TearDown() override {
        ZelvEngineTest::TearDown();
        for (const QString& login : logins)
            db->Exec(QStringLiteral("DROP ROLE IF EXISTS ") + login);
    }
    QStringList logins;
};

struct SqlCase {
    const char* what;
    const char* login; // "a" (group DEFAULT, role 5), "b" (group OTHER, role 5), "g" (guest)
    const char* sql;
    int result; // the first column of the first row, or rows changed; -1: refused
};

TEST_P(ZELVRowSecurityTest, AnOperatorsLoginReachesOnlyItsOwnGroup) {
    if (GetParam() != TestEngine::PostgreSQL)
        GTEST_SKIP() << "row-level security is PostgreSQL's";
    const QString tag = QString::number(getpid());
    const QString a = QStringLiteral("rla") + tag, b = QStringLiteral("rlb") + tag,
                  g = QStringLiteral("rlg") + tag;
    for (const QString& login : {a, b, g}) {
        ASSERT_TRUE(
            db->Exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'pw-%1' IN ROLE kelmar_operator")
                         .arg(login)));
        logins << login;
    }
    for (const QString& sql : {
             QStringLiteral("INSERT INTO user_group (group_id, name) VALUES ('OTHER', 'B site')"),
             QStringLiteral("INSERT INTO app_user (user_id, flags, group_id) VALUES"
                            " ('%1', %4, 'DEFAULT'), ('%2', %4, 'OTHER'), ('%3', 0, 'DEFAULT')")
                 .arg(a, b, g)
                 .arg(5u << ZELVUSER_ROLESHIFT),
             QStringLiteral("INSERT INTO customer (customer_id, group_id) VALUES"
                            " ('CUSA', 'DEFAULT'), ('CUSB', 'OTHER')"),
             QStringLiteral("INSERT INTO media (customer_id, media_id) VALUES"
                            " ('CUSA', 'LTO6'), ('CUSB', 'LTO6')"),
             QStringLiteral("INSERT INTO volume (customer_id, media_id, volume_id, target_repo,"
                            " current_repo) VALUES ('CUSA', 'LTO6', 'A1', 'INIT', 'INIT'),"
                            " ('CUSB', 'LTO6', 'B1', 'INIT', 'INIT')"),
         })
        ASSERT_TRUE(db->Exec(sql));

    const SqlCase cases[] = {
        {"sees its own Customers only", "a", "SELECT COUNT(*) FROM customer", 1},
        {"the other site sees its own", "b", "SELECT MIN(customer_id) FROM customer", -2},
        {"reads no other group's Volume", "a",
         "SELECT COUNT(*) FROM volume WHERE customer_id = 'CUSB'", 0},
        {"reads its own Volumes", "a", "SELECT COUNT(*) FROM volume", 1},
        {"changes no other group's Volume", "a",
         "UPDATE volume SET flags = 1 WHERE customer_id = 'CUSB'", 0},
        {"adds no Volume to another group's Customer", "a",
         "INSERT INTO volume (customer_id, media_id, volume_id, target_repo, current_repo)"
         " VALUES ('CUSB', 'LTO6', 'X1', 'INIT', 'INIT')",
         -1},
        {"gives no Customer away to another group", "a",
         "UPDATE customer SET group_id = 'OTHER' WHERE customer_id = 'CUSA'", -1},
        {"deletes no Volume at all", "a", "DELETE FROM volume", -1},
        {"creates no table", "a", "CREATE TABLE mine (x INT)", -1},
        {"raises not its own role", "a",
         "UPDATE app_user SET flags = 234881024 WHERE user_id = CURRENT_USER", 0},
        {"sees no other group's users", "a",
         "SELECT COUNT(*) FROM app_user WHERE group_id = 'OTHER'", 0},
        {"a guest changes not even its own group's Volumes", "g",
         "UPDATE volume SET flags = 1 WHERE customer_id = 'CUSA'", -1},
        {"a guest still reads them", "g", "SELECT COUNT(*) FROM volume", 1},
        // Certificates: made whole by the database from its own rows, never
        // inserted by a login; the signing key is never read.
        {"forges no certificate", "a",
         "INSERT INTO certificate (customer_id, media_id, repository_id, created_at, items,"
         " surplus, deficit, description, user_id, machine, program)"
         " VALUES ('CUSA', 'LTO6', 'INIT', 1, 0, 0, 0, 'made up', 'x', 'm', 0)",
         -1},
        {"has its own Volumes certified", "a",
         "SELECT o_items FROM certificate_issue('CUSA', 'LTO6', 'INIT', 'audit', 2, 'm', 0)", 1},
        {"adds no item to a certificate", "a",
         "INSERT INTO certificate_item (certificate_id, volume_id, status)"
         " SELECT certificate_id, 'A9', 0 FROM certificate",
         -1},
        {"has no other group's Volumes certified", "a",
         "SELECT o_items FROM certificate_issue('CUSB', 'LTO6', 'INIT', 'audit', 3, 'm', 0)", -1},
        {"a guest has nothing certified", "g",
         "SELECT o_items FROM certificate_issue('CUSA', 'LTO6', 'INIT', 'audit', 4, 'm', 0)", -1},
        {"reads not the signing key", "a", "SELECT COUNT(*) FROM certificate_key", -1},
    };
    for (const SqlCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QString login = *c.login == 'a' ? a : *c.login == 'b' ? b : g;
        const QString conn = QStringLiteral("rls-") + QString::fromLatin1(c.what);
        int result = -1;
        QString customer;
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), conn);
            raw.setHostName(db->Address().host);
            raw.setPort(db->Address().port);
            raw.setDatabaseName(db->Address().database);
            raw.setUserName(login);
            raw.setPassword(QStringLiteral("pw-") + login);
            ASSERT_TRUE(raw.open()) << raw.lastError().text().toStdString();
            QSqlQuery q(raw);
            if (q.exec(QString::fromLatin1(c.sql))) {
                if (q.isSelect()) {
                    result = q.next() ? q.value(0).toInt() : -1;
                    customer = q.value(0).toString();
                } else {
                    result = q.numRowsAffected();
                }
            }
        }
        QSqlDatabase::removeDatabase(conn);
        if (c.result == -2)
            EXPECT_EQ(customer, QStringLiteral("CUSB"));
        else
            EXPECT_EQ(result, c.result);
    }
    // Nothing of the other group moved.
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT flags FROM volume WHERE volume_id = 'B1'")).toInt(),
              0);
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM volume")).toInt(), 2);
    // The one certificate made is signed, holds only the database's rows, and checks out.
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM certificate_item")).toInt(), 1);
    EXPECT_TRUE(db->Scalar(QStringLiteral("SELECT certificate_intact(certificate_id)"
                                          " FROM certificate WHERE user_id = '%1'")
                               .arg(a))
                    .toBool());
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT flags FROM app_user WHERE user_id = '%1'").arg(a))
                  .toLongLong(),
              qint64(5u << ZELVUSER_ROLESHIFT));
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVRowSecurityTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
