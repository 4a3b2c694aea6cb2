#pragma once

#include "ZELV10RC.h"
#include "ZELVServerAddress.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <unordered_map>

enum class ZELVEngine { SQLite, PostgreSQL };

class CZELVStore;

// A statement that has run: rows to read, rows touched. The cached query is
// finished when the cursor goes, so that a transaction can commit.
class ZELVCursor {
public:
    ZELVCursor() = default;
    ~ZELVCursor() { Reset(); }
    ZELVCursor(const ZELVCursor&) = delete;
    ZELVCursor& operator=(const ZELVCursor&) = delete;

    bool Next() { return m_q && m_q->next(); }
    QVariant Value(int i) const { return m_q->value(i); }
    qint64 Int(int i) const { return m_q->value(i).toLongLong(); }
    bool IsNull(int i) const { return m_q->value(i).isNull(); }
    QString Text(int i) const { return m_q->value(i).toString(); }
    int RowsAffected() const { return m_q ? m_q->numRowsAffected() : 0; }
    void Reset() {
        if (m_q)
            m_q->finish();
        m_q = nullptr;
    }

private:
    friend class CZELVStore;
    QSqlQuery* m_q = nullptr;
};

// One connection to a Kelmar Server database, on SQLite or PostgreSQL through
// Qt SQL. Statements are written once in a small dialect ({ID}, {AUTOID},
// {FORUPDATE} ...) that Translate() turns into the engine's own; values are
// always bound, never pasted into the text.
class CZELVStore {
public:
    CZELVStore();
    ~CZELVStore();
    CZELVStore(const CZELVStore&) = delete;
    CZELVStore& operator=(const CZELVStore&) = delete;

    // Opens the database the address names (an empty address: the embedded
    // default file). The user and password are the PostgreSQL login.
    CZELV10RC Open(const ZELVServerAddress& address, int busyTimeoutMs);
    void Close();
    // Once the file is known to be ours and up to date: on SQLite switches a
    // writable file to WAL. Opening alone never changes a file on disk.
    CZELV10RC Settle();
    bool IsOpen() const { return m_open; }
    // SQLite: opened for reading only (the file or its folder is not ours to write).
    bool IsReadOnly() const { return m_readOnly; }
    bool IsLost() const { return m_lost; }
    ZELVEngine Engine() const { return m_engine; }
    // "file /path/kelmar.db" or "server host:port/db", for messages.
    const QString& Where() const { return m_where; }
    // PostgreSQL: the schema the Kelmar tables live in (the only one searched).
    const QString& Schema() const { return m_schema; }
    QString EngineText();

    static QString DefaultEmbeddedPath();

    // Transactions: one per call. A write transaction on SQLite takes the
    // write lock at once so that what it reads cannot change under it.
    CZELV10RC Begin(bool write);
    CZELV10RC Commit();
    void Rollback();
    // Inside a transaction: undoes what was done since the savepoint of that
    // name and drops it. False when the transaction has ended meanwhile.
    bool RollbackTo(const QString& savepoint);
    bool InTransaction() const { return m_inTransaction; }

    // Runs a statement with its bound values. Statements are prepared once
    // and kept for the life of the connection; a const char* statement must be
    // a string literal or other constant text, as it is found by its address.
    CZELV10RC Exec(const char* sql, const QVariantList& binds = {}, ZELVCursor* cursor = nullptr);
    CZELV10RC Exec(const QString& sql, const QVariantList& binds = {},
                   ZELVCursor* cursor = nullptr);
    // A statement without values that need not be kept (schema changes, pragmas).
    CZELV10RC ExecOnce(const QString& sql);

    QString Translate(const QString& sql) const;

    // The result for a failed statement, with the database's own words; marks
    // the connection lost when the server is gone.
    CZELV10RC ErrorResult(const QSqlError& error, const QString& context);

private:
    CZELV10RC Prepared(const QString& sql, QSqlQuery** out);
    CZELV10RC Run(QSqlQuery& q, const QVariantList& binds, ZELVCursor* cursor, const QString& sql);
    CZELV10RC OpenSqlite(const ZELVServerAddress& address, int busyTimeoutMs);
    CZELV10RC OpenPostgres(const ZELVServerAddress& address, int busyTimeoutMs);
    void CheckAlive();

    QString m_name;
    ZELVEngine m_engine = ZELVEngine::SQLite;
    QString m_where;
    QString m_schema;
    bool m_open = false;
    bool m_lost = false;
    bool m_readOnly = false;
    bool m_inTransaction = false;
    QSqlDatabase m_db;
    std::unique_ptr<QSqlQuery> m_plain; // statements that are not kept
    // Node-based so that a cursor's query stays put while others are added.
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_cache;
    std::unordered_map<const char*, QSqlQuery*> m_literals; // by the address of the text
};

// Rolls back unless committed: every early return of a call leaves nothing behind.
class ZELVTransaction {
public:
    explicit ZELVTransaction(CZELVStore& store) : m_store(store) {}
    ~ZELVTransaction() {
        if (m_begun && !m_done)
            m_store.Rollback();
    }
    ZELVTransaction(const ZELVTransaction&) = delete;
    ZELVTransaction& operator=(const ZELVTransaction&) = delete;

    CZELV10RC Begin(bool write) {
        CZELV10RC rc = m_store.Begin(write);
        m_begun = rc.IsOK();
        return rc;
    }
    CZELV10RC Commit() {
        m_done = true;
        return m_store.Commit();
    }

private:
    CZELVStore& m_store;
    bool m_begun = false;
    bool m_done = false;
};

// Bound value helpers: NULL for "none" numbers.
inline QVariant ZelvNullInt() {
    return QVariant(QMetaType::fromType<qint64>());
}
inline QVariant ZelvIntOrNull(qint64 v) {
    return v == 0 ? ZelvNullInt() : QVariant(v);
}
