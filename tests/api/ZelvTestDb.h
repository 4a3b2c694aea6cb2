#pragma once

#include "ZELV10MFC.h"
#include "ZELVServerAddress.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class QSqlQuery;

enum class TestEngine { SQLite, PostgreSQL };

inline std::string EngineName(const ::testing::TestParamInfo<TestEngine>& info) {
    return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL";
}

// A fresh, empty database for one test: a file in a temporary folder, or a
// new database on the server KELMAR_TEST_PG names (dropped afterwards).
class ZelvTestDb {
public:
    explicit ZelvTestDb(TestEngine engine);
    ~ZelvTestDb();
    ZelvTestDb(const ZelvTestDb&) = delete;
    ZelvTestDb& operator=(const ZelvTestDb&) = delete;

    // False (with the reason) when the engine is not available here.
    bool Ready(QString* why) const;
    const ZELVServerAddress& Address() const { return m_address; }
    TestEngine Engine() const { return m_engine; }
    QString Folder() const { return m_dir.path(); }

    // Runs one statement on the test database outside the library (fixtures,
    // checks of what is stored). Returns the first column of the first row.
    QVariant Scalar(const QString& sql) const;
    bool Exec(const QString& sql) const;
    // Makes every `event` ("INSERT", "UPDATE") on `table` fail with `message`,
    // as a failure half way through a change would; Allow takes that away.
    bool Refuse(const QString& table, const QString& event, const QString& message) const;
    bool Allow(const QString& table) const;

    static QString PgAddressText() { return qEnvironmentVariable("KELMAR_TEST_PG"); }

private:
    // Runs use with a query on a fresh connection of the test's own.
    void OnSideConnection(const std::function<void(QSqlQuery&)>& use) const;

    TestEngine m_engine;
    QTemporaryDir m_dir;
    ZELVServerAddress m_address;
    ZELVServerAddress m_admin;
    QString m_dbName;
    bool m_ready = false;
    QString m_why;
};

// Logon flags of a fixture's first connection: an embedded database takes
// its user as owner, with the fixture's password (ZelvTestPassword).
constexpr int kOwnerLogon = 1 | CZELV10MFC::kLogonCreateOwner;

// A connection logged on to a fresh database, with a fixed clock.
class ZelvEngineTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override;
    void TearDown() override;
    // Another connection to the same database (another workstation).
    std::unique_ptr<CZELV10MFC> SecondConnection(const QString& machine = QStringLiteral("ws-two"));

    std::unique_ptr<ZelvTestDb> db;
    ZELVFixedClock clock{1700000000}; // 2023-11-14 22:13:20 UTC
    CZELV10MFC mfc;
};

// Shorthands for tests.
ZELVVOLSEx NewVolume(const char* c, const char* m, const char* v, const char* at = "INIT",
                     const char* target = nullptr);
