#include "ZELVSchema.h"

#include "ZELV10MFC.h"
#include "ZELVStore.h"
#include "ZelvTestDb.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QByteArray FileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class ZELVSchemaTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override {
        db = std::make_unique<ZelvTestDb>(GetParam());
        QString why;
        if (!db->Ready(&why)) {
            if (GetParam() == TestEngine::PostgreSQL && ZelvTestDb::PgAddressText().isEmpty())
                GTEST_SKIP() << why.toStdString();
            FAIL() << why.toStdString();
        }
    }

    int Version() {
        return db->Scalar(QStringLiteral("SELECT MAX(version) FROM schema_version")).toInt();
    }
    qint64 TableCount() {
        if (GetParam() == TestEngine::SQLite)
            return db
                ->Scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"))
                .toLongLong();
        return db
            ->Scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE "
                                    "table_schema = current_schema()"))
            .toLongLong();
    }

    std::unique_ptr<ZelvTestDb> db;
};

TEST_P(ZELVSchemaTest, EachStepRecordsItsVersion) {
    CZELVStore store;
    ASSERT_TRUE(store.Open(db->Address(), 1000).IsOK());
    int version = -1;
    ASSERT_TRUE(CZELVSchema::Version(store, &version).IsOK());
    EXPECT_EQ(version, 0);
    ASSERT_TRUE(CZELVSchema::Migrate(store, 1).IsOK());
    ASSERT_TRUE(CZELVSchema::Version(store, &version).IsOK());
    EXPECT_EQ(version, 1);
    EXPECT_EQ(
        db->Scalar(QStringLiteral("SELECT COUNT(*) FROM repository WHERE repository_id = 'INIT'"))
            .toInt(),
        1);
    ASSERT_TRUE(CZELVSchema::Migrate(store).IsOK());
    ASSERT_TRUE(CZELVSchema::Version(store, &version).IsOK());
    EXPECT_EQ(version, CZELVSchema::kLatest);
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM volume_history")).toInt(), 0);
    // Running the ladder again changes nothing.
    const qint64 tables = TableCount();
    ASSERT_TRUE(CZELVSchema::Migrate(store).IsOK());
    EXPECT_EQ(TableCount(), tables);
}

TEST_P(ZELVSchemaTest, VersionOneDatabaseIsUpgradedWithItsData) {
    {
        // A database as the first release left it, with a Volume on the move.
        CZELVStore store;
        ASSERT_TRUE(store.Open(db->Address(), 1000).IsOK());
        ASSERT_TRUE(CZELVSchema::Migrate(store, 1).IsOK());
        const char* fixture[] = {
            "INSERT INTO customer (customer_id, name) VALUES ('OLD1', 'Old Customer')",
            "INSERT INTO media (customer_id, media_id, name) VALUES ('OLD1', 'LTO4', 'LTO-4')",
            "INSERT INTO repository (repository_id, name, next_repository, type) VALUES ('DC01', "
            "'Data centre', 'VLT1', 1)",
            "INSERT INTO repository (repository_id, name, next_repository, type) VALUES ('VLT1', "
            "'Vault', 'DC01', 2)",
            "INSERT INTO volume (customer_id, media_id, volume_id, flags, target_repo, "
            "current_repo, move_time)"
            " VALUES ('OLD1', 'LTO4', 'T00001', 64, 'VLT1', 'DC01', 1600000000)",
        };
        for (const char* sql : fixture)
            ASSERT_TRUE(store.ExecOnce(QString::fromUtf8(sql)).IsOK()) << sql;
    }
    CZELV10MFC mfc;
    mfc.SetServerAddress(db->Address());
    ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
    EXPECT_EQ(Version(), CZELVSchema::kLatest);
    // Customers from before groups belong to the default group.
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT group_id FROM customer WHERE customer_id = 'OLD1'"))
                  .toString(),
              QStringLiteral("DEFAULT"));
    ZELVVOLSEx v = NewVolume("OLD1", "LTO4", "T00001");
    ASSERT_TRUE(mfc.Get(&v).IsOK());
    EXPECT_EQ(v.vol.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_TRUE(v.vol.flags & ZELVVOL_MOVING);
    EXPECT_EQ(v.vol.moveTime, 1600000000);
    // The history the upgrade added records the next change.
    v.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_TRUE(mfc.Update(v).IsOK());
    EXPECT_GE(
        db->Scalar(QStringLiteral("SELECT COUNT(*) FROM volume_history WHERE volume_id = 'T00001'"))
            .toInt(),
        2);
}

TEST_P(ZELVSchemaTest, NewerDatabaseIsRefusedAndLeftAlone) {
    {
        CZELV10MFC mfc;
        mfc.SetServerAddress(db->Address());
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
    }
    ASSERT_TRUE(db->Exec(QStringLiteral("UPDATE schema_version SET version = 99")));
    const qint64 tables = TableCount();
    const QByteArray before =
        GetParam() == TestEngine::SQLite ? FileHash(db->Address().filePath) : QByteArray();

    CZELV10MFC mfc;
    mfc.SetServerAddress(db->Address());
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_SCHEMATOONEW));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("version 99"))) << rc.Get().toStdString();
    EXPECT_FALSE(mfc.IsLoggedOn());
    EXPECT_EQ(Version(), 99);
    EXPECT_EQ(TableCount(), tables);
    if (GetParam() == TestEngine::SQLite) {
        EXPECT_EQ(FileHash(db->Address().filePath), before);
    }
    std::vector<ZELVCUSTEx> list;
    EXPECT_EQ(mfc.List(&list).Code(), static_cast<uint32_t>(ZELV10RC_NOTLOGGEDON));
}

TEST_P(ZELVSchemaTest, AnotherProgramsDatabaseIsNotTakenOver) {
    ASSERT_TRUE(db->Exec(QStringLiteral("CREATE TABLE payroll (id INTEGER, amount INTEGER)")));
    CZELV10MFC mfc;
    mfc.SetServerAddress(db->Address());
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_NOTADATABASE));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("another program"))) << rc.Get().toStdString();
    EXPECT_EQ(TableCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVSchemaTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

// Logins made for one test on the PostgreSQL server and dropped with it. Made
// before the test database so that they go after it: a role that owns a schema
// or holds rights in a database cannot be dropped while the database is there.
class PgLogins {
public:
    PgLogins() { ZELVServerAddress::Parse(ZelvTestDb::PgAddressText(), &m_admin); }
    ~PgLogins() {
        for (const QString& name : m_names)
            Run(QStringLiteral("DROP ROLE IF EXISTS ") + name);
    }
    PgLogins(const PgLogins&) = delete;
    PgLogins& operator=(const PgLogins&) = delete;

    // A login that may only log on; the test gives it its rights.
    QString Add(const char* what) {
        const QString name = QStringLiteral("kl_%1_%2_%3")
                                 .arg(getpid())
                                 .arg(m_names.size())
                                 .arg(QString::fromLatin1(what));
        if (!Run(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(name, Password())))
            return {};
        m_names << name;
        return name;
    }
    static QString Password() { return QStringLiteral("pinned-schema"); }

private:
    bool Run(const QString& sql) {
        const QString conn = QStringLiteral("logins-%1").arg(m_names.size());
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), conn);
            db.setHostName(m_admin.host);
            db.setPort(m_admin.port);
            db.setUserName(m_admin.user);
            db.setPassword(m_admin.password);
            db.setDatabaseName(m_admin.database);
            if (db.open()) {
                QSqlQuery q(db);
                ok = q.exec(sql);
                if (!ok)
                    ADD_FAILURE() << sql.toStdString() << ": "
                                  << q.lastError().text().toStdString();
            }
        }
        QSqlDatabase::removeDatabase(conn);
        return ok;
    }

    ZELVServerAddress m_admin;
    QStringList m_names;
};

qint64 TablesIn(const ZelvTestDb& db, const QString& schema) {
    return db
        .Scalar(
            QStringLiteral("SELECT COUNT(*) FROM pg_class c JOIN pg_namespace n"
                           " ON n.oid = c.relnamespace WHERE n.nspname = '%1' AND c.relkind = 'r'")
                .arg(QString(schema).replace(QLatin1Char('\''), QStringLiteral("''"))))
        .toLongLong();
}

TEST(ZELVSchemaPinning, EachLoginFindsTheKelmarTablesWhereTheAddressPutsThem) {
    if (ZelvTestDb::PgAddressText().isEmpty())
        GTEST_SKIP() << "KELMAR_TEST_PG is not set";
    PgLogins logins;
    ZelvTestDb db(TestEngine::PostgreSQL);
    QString why;
    ASSERT_TRUE(db.Ready(&why)) << why.toStdString();
    {
        // The site's database, in public, with one Customer.
        CZELV10MFC mfc;
        mfc.SetServerAddress(db.Address());
        ASSERT_TRUE(mfc.Logon().IsOK());
        ZELVCUSTEx c;
        c.customerId = "PUB1";
        ASSERT_TRUE(mfc.Add(c).IsOK());
    }
    // An operator who owns a schema of its own name ("$user" comes first in
    // the server's default search path), with the rights to work in public.
    const QString own = logins.Add("own");
    // A login nobody gave any rights.
    const QString none = logins.Add("none");
    ASSERT_FALSE(own.isEmpty());
    ASSERT_FALSE(none.isEmpty());
    const QString quoted = QStringLiteral("Site \"B\"; DROP TABLE customer; --");
    for (const QString& sql : {
             QStringLiteral("GRANT %1 TO CURRENT_USER").arg(own),
             QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(own),
             QStringLiteral(
                 "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1")
                 .arg(own),
             QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1").arg(own),
             // Registered by an administrator: a login under row-level security
             // does not register itself.
             QStringLiteral("INSERT INTO public.app_user (user_id, flags, group_id)"
                            " VALUES ('%1', %2, 'DEFAULT')")
                 .arg(own)
                 .arg(1u << ZELVUSER_ROLESHIFT),
             // An empty schema that login may look into but not create in.
             QStringLiteral("CREATE SCHEMA bare"),
             QStringLiteral("GRANT USAGE ON SCHEMA bare TO %1").arg(none),
             // A second site in the same database, under a name that needs quoting.
             QStringLiteral("CREATE SCHEMA \"Site \"\"B\"\"; DROP TABLE customer; --\""),
         })
        ASSERT_TRUE(db.Exec(sql));

    struct Row {
        const char* what;
        QString user; // empty: the test's own login
        QString schema;
        uint32_t code;
        const char* says;     // in the message
        const char* customer; // the Customer the login then sees, if it logs on
    };
    const Row rows[] = {
        {"a login owning a schema of its own name works in public",
         own,
         {},
         ZELV10RC_OK,
         "",
         "PUB1"},
        {"public named outright is the same database",
         {},
         QStringLiteral("public"),
         ZELV10RC_OK,
         "",
         "PUB1"},
        {"a login without rights is told so, not offered a new database",
         none,
         {},
         ZELV10RC_NORIGHTS,
         "may not read the Kelmar tables",
         nullptr},
        {"an empty schema the login may not create in", none, QStringLiteral("bare"),
         ZELV10RC_NODATABASE, "is empty and login", nullptr},
        {"a schema that is not there is not made",
         {},
         QStringLiteral("nosuch"),
         ZELV10RC_NODATABASE,
         "schema \"nosuch\" does not exist",
         nullptr},
        {"a named schema holds a database of its own", {}, quoted, ZELV10RC_OK, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ZELVServerAddress address = db.Address();
        if (!row.user.isEmpty()) {
            address.user = row.user;
            address.password = PgLogins::Password();
        }
        address.schema = row.schema;
        CZELV10MFC mfc;
        mfc.SetServerAddress(address);
        const CZELV10RC rc = mfc.Logon();
        EXPECT_EQ(rc.Code(), row.code) << rc.Get().toStdString();
        EXPECT_TRUE(rc.Get().contains(QString::fromUtf8(row.says))) << rc.Get().toStdString();
        if (!row.customer)
            continue;
        std::vector<ZELVCUSTEx> customers;
        ASSERT_TRUE(mfc.List(&customers).IsOK());
        QStringList ids;
        for (const ZELVCUSTEx& c : customers)
            ids << c.customerId.Text();
        EXPECT_EQ(ids.join(QLatin1Char(',')).toStdString(), row.customer);
    }

    // Nothing was made where it did not belong.
    EXPECT_EQ(TablesIn(db, own), 0);
    EXPECT_EQ(TablesIn(db, QStringLiteral("bare")), 0);
    EXPECT_EQ(
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM pg_namespace WHERE nspname = 'nosuch'"))
            .toLongLong(),
        0);
    // The second site is whole and apart from the first.
    EXPECT_GT(TablesIn(db, quoted), 10);
    ZELVServerAddress site = db.Address();
    site.schema = quoted;
    CZELV10MFC mfc;
    mfc.SetServerAddress(site);
    ASSERT_TRUE(mfc.Logon().IsOK());
    ZELVCUSTEx c;
    c.customerId = "SITB";
    ASSERT_TRUE(mfc.Add(c).IsOK());
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT string_agg(customer_id, ',') FROM public.customer"))
                  .toString()
                  .toStdString(),
              "PUB1");
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT string_agg(customer_id, ',') FROM "
                                       "\"Site \"\"B\"\"; DROP TABLE customer; --\".customer"))
                  .toString()
                  .toStdString(),
              "SITB");
}

} // namespace
