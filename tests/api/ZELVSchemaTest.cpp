#include "ZELVSchema.h"

#include "ZELV10MFC.h"
#include "ZELVStore.h"
#include "ZelvTestDb.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

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
    ASSERT_TRUE(mfc.Logon().IsOK());
    EXPECT_EQ(Version(), CZELVSchema::kLatest);
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
        ASSERT_TRUE(mfc.Logon().IsOK());
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

} // namespace
