#include "ZelvTestDb.h"

#include "ZelvTestPassword.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <unistd.h>

namespace {

QAtomicInt g_counter;

QString OpenAdmin(const ZELVServerAddress& a, const QString& name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(a.host);
    db.setPort(a.port);
    db.setUserName(a.user);
    db.setPassword(a.password);
    db.setDatabaseName(a.database.isEmpty() ? QStringLiteral("postgres") : a.database);
    if (!db.open())
        return db.lastError().text();
    return {};
}

} // namespace

ZelvTestDb::ZelvTestDb(TestEngine engine) : m_engine(engine) {
    if (engine == TestEngine::SQLite) {
        m_address.filePath = m_dir.path() + QStringLiteral("/kelmar-test.db");
        m_address.password = ZelvTestPassword();
        m_ready = m_dir.isValid();
        m_why = QStringLiteral("no temporary folder");
        return;
    }
    const QString text = PgAddressText();
    if (text.isEmpty()) {
        m_why = QStringLiteral("KELMAR_TEST_PG is not set");
        return;
    }
    QString error;
    if (!ZELVServerAddress::Parse(text, &m_admin, &error) || !m_admin.IsCentral()) {
        m_why = QStringLiteral("KELMAR_TEST_PG is not a server address: ") + error;
        return;
    }
    m_dbName = QStringLiteral("kt_%1_%2").arg(getpid()).arg(g_counter.fetchAndAddRelaxed(1));
    const QString conn = QStringLiteral("admin-") + m_dbName;
    {
        error = OpenAdmin(m_admin, conn);
        if (error.isEmpty()) {
            QSqlQuery q(QSqlDatabase::database(conn, false));
            if (!q.exec(QStringLiteral("CREATE DATABASE ") + m_dbName))
                error = q.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    if (!error.isEmpty()) {
        m_why = QStringLiteral("cannot create a test database: ") + error;
        return;
    }
    m_address = m_admin;
    m_address.database = m_dbName;
    m_ready = true;
}

ZelvTestDb::~ZelvTestDb() {
    if (m_engine != TestEngine::PostgreSQL || m_dbName.isEmpty() || !m_ready)
        return;
    const QString conn = QStringLiteral("drop-") + m_dbName;
    if (OpenAdmin(m_admin, conn).isEmpty()) {
        QSqlQuery q(QSqlDatabase::database(conn, false));
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + m_dbName +
               QStringLiteral(" WITH (FORCE)"));
    }
    QSqlDatabase::removeDatabase(conn);
}

bool ZelvTestDb::Ready(QString* why) const {
    if (why)
        *why = m_why;
    return m_ready;
}

void ZelvTestDb::OnSideConnection(const std::function<void(QSqlQuery&)>& use) const {
    // A connection of its own, beside the library's, closed again at once.
    const QString conn = QStringLiteral("check-%1").arg(g_counter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db;
        if (m_engine == TestEngine::SQLite) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(m_address.filePath);
            db.open();
        } else {
            OpenAdmin(m_address, conn);
            db = QSqlDatabase::database(conn, false);
        }
        QSqlQuery q(db);
        use(q);
    }
    QSqlDatabase::removeDatabase(conn);
}

bool ZelvTestDb::Exec(const QString& sql) const {
    bool ok = false;
    OnSideConnection([&](QSqlQuery& q) {
        ok = q.exec(sql);
        if (!ok)
            ADD_FAILURE() << "fixture statement failed: " << sql.toStdString() << ": "
                          << q.lastError().text().toStdString();
    });
    return ok;
}

bool ZelvTestDb::Refuse(const QString& table, const QString& event, const QString& message) const {
    const QString name = QStringLiteral("refuse_") + table;
    if (m_engine == TestEngine::SQLite)
        return Exec(
            QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN SELECT RAISE(ABORT, '%4'); END")
                .arg(name, event, table, message));
    return Exec(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS"
                               " $$BEGIN RAISE EXCEPTION '%2'; END$$")
                    .arg(name, message)) &&
           Exec(QStringLiteral(
                    "CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()")
                    .arg(name, event, table));
}

bool ZelvTestDb::Allow(const QString& table) const {
    const QString name = QStringLiteral("refuse_") + table;
    if (m_engine == TestEngine::SQLite)
        return Exec(QStringLiteral("DROP TRIGGER %1").arg(name));
    return Exec(QStringLiteral("DROP TRIGGER %1 ON %2").arg(name, table)) &&
           Exec(QStringLiteral("DROP FUNCTION %1()").arg(name));
}

QVariant ZelvTestDb::Scalar(const QString& sql) const {
    QVariant value;
    OnSideConnection([&](QSqlQuery& q) {
        if (q.exec(sql) && q.next())
            value = q.value(0);
        else if (q.lastError().isValid())
            ADD_FAILURE() << "check failed: " << sql.toStdString() << ": "
                          << q.lastError().text().toStdString();
    });
    return value;
}

void ZelvEngineTest::SetUp() {
    db = std::make_unique<ZelvTestDb>(GetParam());
    QString why;
    if (!db->Ready(&why)) {
        if (GetParam() == TestEngine::PostgreSQL && ZelvTestDb::PgAddressText().isEmpty())
            GTEST_SKIP() << why.toStdString();
        FAIL() << why.toStdString();
    }
    mfc.SetServerAddress(db->Address());
    mfc.SetClock(&clock);
    mfc.SetProgramID(CZELV10MFC::kProgramDesk);
    mfc.SetMachineName(QStringLiteral("ws-one"));
    const CZELV10RC rc = mfc.Logon(kOwnerLogon);
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
}

void ZelvEngineTest::TearDown() {
    mfc.Logoff();
}

std::unique_ptr<CZELV10MFC> ZelvEngineTest::SecondConnection(const QString& machine) {
    auto other = std::make_unique<CZELV10MFC>();
    other->SetServerAddress(db->Address());
    other->SetClock(&clock);
    other->SetProgramID(CZELV10MFC::kProgramDesk);
    other->SetMachineName(machine);
    const CZELV10RC rc = other->Logon();
    EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    return other;
}

ZELVVOLSEx NewVolume(const char* c, const char* m, const char* v, const char* at,
                     const char* target) {
    ZELVVOLSEx r;
    r.key.customerId = c;
    r.key.mediaId = m;
    r.key.volumeId = v;
    for (auto& loc : r.vol.location)
        loc.repositoryId = at;
    if (target)
        r.vol.Target().repositoryId = target;
    return r;
}
