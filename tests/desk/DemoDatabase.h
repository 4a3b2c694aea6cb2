#pragma once

#include "IntroPage.h"
#include "ZELV10MFC.h"
#include "ZelvDemo.h"
#include "ZelvTestPassword.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <unistd.h>

// The demo data set (200 Volumes) on a database of its own, SQLite or a fresh
// database on the PostgreSQL server KELMAR_TEST_PG names, with what a test
// adds to it.
class DemoDatabase {
public:
    using Extra = std::function<CZELV10RC(CZELV10MFC&)>;

    bool Make(const QString& engine, QString* why, const Extra& extra = {}) {
        if (engine == QLatin1String("PostgreSQL")) {
            if (!MakePg(why))
                return false;
        } else {
            if (!m_dir.isValid()) {
                *why = QStringLiteral("no temporary folder");
                return false;
            }
            m_address.filePath = m_dir.filePath(QStringLiteral("demo.db"));
            m_address.password = ZelvTestPassword();
        }
        CZELV10MFC mfc;
        mfc.SetServerAddress(m_address);
        CZELV10RC rc = mfc.Logon(1 | CZELV10MFC::kLogonCreateOwner);
        if (rc.IsOK())
            rc = ZelvMakeDemo(mfc, 200, nullptr);
        if (rc.IsOK() && extra)
            rc = extra(mfc);
        mfc.Logoff();
        *why = rc.Get();
        return rc.IsOK();
    }

    QString AddressText() const { return CIntroPage::AddressText(m_address); }
    const ZELVServerAddress& Address() const { return m_address; }

    // One statement outside the library: what another program does behind
    // the operator's back.
    bool Exec(const QString& sql) const {
        const QString name = QStringLiteral("scanin-direct");
        bool ok = false;
        {
            QSqlDatabase db;
            if (m_address.IsCentral()) {
                db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
                db.setHostName(m_address.host);
                db.setPort(m_address.port);
                db.setUserName(m_address.user);
                db.setPassword(m_address.password);
                db.setDatabaseName(m_address.database);
            } else {
                db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(m_address.filePath);
            }
            ok = db.open() && QSqlQuery(db).exec(sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    ~DemoDatabase() {
        if (m_pgName.isEmpty())
            return;
        ZELVServerAddress admin = m_address;
        admin.database = m_adminDatabase;
        RunAdmin(admin, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgName));
    }

private:
    // A fresh database on the server KELMAR_TEST_PG names.
    bool MakePg(QString* why) {
        const QString text = qEnvironmentVariable("KELMAR_TEST_PG");
        ZELVServerAddress admin;
        QString error;
        if (text.isEmpty() || !ZELVServerAddress::Parse(text, &admin, &error) ||
            !admin.IsCentral()) {
            *why = QStringLiteral("KELMAR_TEST_PG names no server");
            return false;
        }
        static int counter = 0;
        const QString name = QStringLiteral("ks_%1_%2").arg(getpid()).arg(++counter);
        if (!RunAdmin(admin, QStringLiteral("CREATE DATABASE %1").arg(name), why))
            return false;
        m_pgName = name;
        m_adminDatabase = admin.database;
        m_address = admin;
        m_address.database = name;
        return true;
    }

    static bool RunAdmin(const ZELVServerAddress& a, const QString& sql, QString* why = nullptr) {
        const QString name = QStringLiteral("scanin-admin");
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(a.host);
            db.setPort(a.port);
            db.setUserName(a.user);
            db.setPassword(a.password);
            db.setDatabaseName(a.database.isEmpty() ? QStringLiteral("postgres") : a.database);
            QSqlQuery query(db);
            ok = db.open() && query.exec(sql);
            if (!ok && why)
                *why = db.lastError().text() + query.lastError().text();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    QTemporaryDir m_dir;
    ZELVServerAddress m_address;
    QString m_pgName;
    QString m_adminDatabase;
};

// The engines every workflow test runs under: a global data column "engine".
inline void AddEngineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("SQLite") << QStringLiteral("SQLite");
    QTest::newRow("PostgreSQL") << QStringLiteral("PostgreSQL");
}

// The demo database on the current row's engine with the test's additions;
// false (the test skips) when PostgreSQL is not at hand or the making failed.
inline bool MakeForEngine(DemoDatabase& db, const DemoDatabase::Extra& extra) {
    QFETCH_GLOBAL(QString, engine);
    if (engine == QLatin1String("PostgreSQL") && qEnvironmentVariableIsEmpty("KELMAR_TEST_PG"))
        return false;
    QString why;
    const bool made = db.Make(engine, &why, extra);
    if (!made)
        qWarning("demo database: %s", qPrintable(why));
    return made;
}
