// Who may log on to an embedded database, what its files let other local
// users see, and that a file we refuse is left exactly as it was.
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"
#include "ZelvTestPassword.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

CZELV10RC LogonAs(const ZELVServerAddress& base, const QString& user, const QString& password,
                  CZELV10MFC* mfc, int flags = 1) {
    ZELVServerAddress a = base;
    a.user = user;
    a.password = password;
    mfc->SetServerAddress(a);
    return mfc->Logon(flags);
}

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

mode_t Mode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 07777;
    return st.st_mode & 07777;
}

TEST(ZELVEmbeddedLogon, OnlyRegisteredUsersWithTheirPasswordGetIn) {
    ZelvTestDb db(TestEngine::SQLite);
    {
        // A new file takes no user from a plain logon, with or without a password.
        CZELV10MFC first;
        EXPECT_EQ(LogonAs(db.Address(), QStringLiteral("owner"), QStringLiteral("pw one!!"), &first)
                      .Code(),
                  uint32_t(ZELV10RC_NOUSER));
        EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM app_user")).toInt(), 0);
        // Nor does making it without a password.
        EXPECT_EQ(LogonAs(db.Address(), QStringLiteral("owner"), {}, &first, kOwnerLogon).Code(),
                  uint32_t(ZELV10RC_BADVALUE));
    }
    CZELV10MFC owner;
    // The user who creates the database owns it, with the password given then.
    ASSERT_TRUE(LogonAs(db.Address(), QStringLiteral("owner"), QStringLiteral("pw one!!"), &owner,
                        kOwnerLogon)
                    .IsOK());
    EXPECT_EQ(owner.CurrentRole(), uint32_t(CZELV10MFC::kOwnerRole));
    ZELVUSER clerk;
    clerk.userId = "clerk";
    clerk.flags = 1u << ZELVUSER_ROLESHIFT;
    ASSERT_TRUE(owner.Add(clerk).IsOK());
    ZELVUSER idle = clerk;
    idle.userId = "idle";
    ASSERT_TRUE(owner.Add(idle).IsOK());
    QString handed;
    ASSERT_TRUE(owner.ResetPassword(QStringLiteral("clerk"), &handed).IsOK());
    EXPECT_EQ(handed.size(), 16);
    const QString ownerHash =
        db.Scalar(QStringLiteral("SELECT password_hash FROM app_user WHERE user_id = 'owner'"))
            .toString();

    struct Row {
        const char* user;
        QString password;
        uint32_t code;
    };
    const Row rows[] = {
        {"stranger", {}, ZELV10RC_NOUSER},
        {"stranger", QStringLiteral("pw one!!"), ZELV10RC_NOUSER},
        {"owner", {}, ZELV10RC_PASSWORDREQUIRED},
        {"owner", QStringLiteral("pw two!!"), ZELV10RC_WRONGPASSWORD},
        {"owner", QStringLiteral("pw one!!"), ZELV10RC_OK},
        {"clerk", {}, ZELV10RC_PASSWORDREQUIRED},
        {"clerk", handed, ZELV10RC_OK},
        // Added but never given a password: kept out, whatever is typed.
        {"idle", {}, ZELV10RC_NOPASSWORD},
        {"idle", QStringLiteral("pw one!!"), ZELV10RC_NOPASSWORD},
    };
    for (const Row& r : rows) {
        CZELV10MFC mfc;
        const CZELV10RC rc = LogonAs(db.Address(), QString::fromLatin1(r.user), r.password, &mfc);
        EXPECT_EQ(rc.Code(), r.code)
            << r.user << "/" << r.password.toStdString() << ": " << rc.Get().toStdString();
        EXPECT_EQ(mfc.IsLoggedOn(), r.code == ZELV10RC_OK) << r.user;
    }
    // A stranger's attempt registered nobody.
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM app_user")).toInt(), 3);

    // The clerk can neither take over the owner's password nor add users of
    // its own rank.
    CZELV10MFC mfc;
    ASSERT_TRUE(LogonAs(db.Address(), QStringLiteral("clerk"), handed, &mfc).IsOK());
    EXPECT_EQ(mfc.SetPassword(QStringLiteral("owner"), QString()).Code(),
              uint32_t(ZELV10RC_NOTALLOWED));
    EXPECT_EQ(mfc.SetPassword(QStringLiteral("owner"), QStringLiteral("mine now")).Code(),
              uint32_t(ZELV10RC_NOTALLOWED));
    ZELVUSER peer;
    peer.userId = "peer";
    peer.flags = 1u << ZELVUSER_ROLESHIFT;
    EXPECT_EQ(mfc.Add(peer).Code(), uint32_t(ZELV10RC_NOTALLOWED));
    EXPECT_EQ(
        db.Scalar(QStringLiteral("SELECT password_hash FROM app_user WHERE user_id = 'owner'"))
            .toString(),
        ownerHash);
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM app_user")).toInt(), 3);
}

TEST(ZELVEmbeddedFiles, NewDatabaseFilesAreTheOwnersAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/data")));
    const mode_t oldMask = ::umask(022);
    {
        // The default file, with the folders made for it.
        CZELV10MFC mfc;
        mfc.SetLogonDetails(QString(), 0, QString(), ZelvTestPassword());
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        const QString path = dir.path() + QStringLiteral("/data/Brollyn/Kelmar/kelmar.db");
        ZELVCUSTEx cust;
        cust.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(cust).IsOK());
        for (const QString& file :
             QStringList{path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
            EXPECT_EQ(Mode(file), mode_t(0600)) << file.toStdString();
        for (const QString& folder : QStringList{
                 dir.path() + QStringLiteral("/data"), dir.path() + QStringLiteral("/data/Brollyn"),
                 dir.path() + QStringLiteral("/data/Brollyn/Kelmar")})
            EXPECT_EQ(Mode(folder), mode_t(0700)) << folder.toStdString();
    }
    {
        // A named file under a stricter umask keeps the stricter bits.
        ::umask(077);
        ZELVServerAddress a;
        a.filePath = dir.path() + QStringLiteral("/named.db");
        a.password = ZelvTestPassword();
        CZELV10MFC mfc;
        mfc.SetServerAddress(a);
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        EXPECT_EQ(Mode(a.filePath), mode_t(0600));
    }
    ::umask(oldMask);
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST(ZELVEmbeddedFiles, AFileWeRefuseIsLeftByteForByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto withSql = [&](const QString& path, const QStringList& statements) {
        const QString conn = QStringLiteral("fixture-") + QFileInfo(path).baseName();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const QString& sql : statements)
                ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase(conn);
    };
    struct Row {
        const char* name;
        uint32_t code;
    };
    const Row rows[] = {{"other", ZELV10RC_NOTADATABASE},
                        {"newer", ZELV10RC_SCHEMATOONEW},
                        {"text", ZELV10RC_NOTADATABASE}};
    const QString other = dir.filePath(QStringLiteral("other.db"));
    withSql(other, {QStringLiteral("CREATE TABLE invoices (id INTEGER, total REAL)"),
                    QStringLiteral("INSERT INTO invoices VALUES (1, 9.5)")});
    const QString newer = dir.filePath(QStringLiteral("newer.db"));
    {
        // A Kelmar database whose schema a later program wrote.
        ZELVServerAddress a;
        a.filePath = newer;
        a.password = ZelvTestPassword();
        CZELV10MFC mfc;
        mfc.SetServerAddress(a);
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        mfc.Logoff();
        withSql(newer, {QStringLiteral("PRAGMA journal_mode=DELETE"),
                        QStringLiteral("UPDATE schema_version SET version = 999")});
    }
    {
        QFile text(dir.filePath(QStringLiteral("text.db")));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write(QByteArray(8192, 'k'));
    }
    for (const Row& r : rows) {
        const QString path = dir.filePath(QString::fromLatin1(r.name) + QStringLiteral(".db"));
        const QByteArray before = Digest(path);
        ASSERT_FALSE(before.isEmpty());
        ZELVServerAddress a;
        a.filePath = path;
        CZELV10MFC mfc;
        mfc.SetServerAddress(a);
        EXPECT_EQ(mfc.Logon().Code(), r.code) << r.name;
        mfc.Logoff();
        EXPECT_EQ(Digest(path), before) << r.name;
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal"))) << r.name;
    }
}

} // namespace
