#include "ZELVStore.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QAtomicInt g_connectionCounter;

// SQLite's primary result codes that we tell apart.
enum {
    kSqliteBusy = 5,
    kSqliteLocked = 6,
    kSqliteReadOnly = 8,
    kSqliteIoErr = 10,
    kSqliteCorrupt = 11,
    kSqliteFull = 13,
    kSqliteCantOpen = 14,
    kSqliteConstraint = 19,
    kSqliteNotADb = 26,
};

QString ErrorWords(const QSqlError& e) {
    QString words = e.databaseText().trimmed();
    if (words.isEmpty())
        words = e.driverText().trimmed();
    words.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return words.simplified();
}

} // namespace

CZELVStore::CZELVStore()
    : m_name(QStringLiteral("kelmar-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1))) {}

CZELVStore::~CZELVStore() {
    Close();
}

QString CZELVStore::DefaultEmbeddedPath() {
    // The same file for every program of the family, whatever its own name.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/Brollyn/Kelmar/kelmar.db");
}

CZELV10RC CZELVStore::Open(const ZELVServerAddress& address, int busyTimeoutMs) {
    Close();
    m_lost = false;
    return address.IsCentral() ? OpenPostgres(address, busyTimeoutMs) : OpenSqlite(address, busyTimeoutMs);
}

namespace {

// Creates the missing folders of path, each for its owner only (the umask
// may take more away, never add).
bool MakeFolders(const QString& path) {
    QDir dir(path);
    if (dir.exists())
        return true;
    QStringList missing;
    QString at = QDir::cleanPath(dir.absolutePath());
    while (!QFileInfo::exists(at)) {
        missing.prepend(at);
        const QString up = QFileInfo(at).absolutePath();
        if (up == at)
            break;
        at = up;
    }
    for (const QString& folder : missing) {
        const QByteArray native = QFile::encodeName(folder);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// A new database file is made here, empty and private, before SQLite opens it:
// SQLite gives its -wal, -shm and journal files the same bits.
bool MakePrivateFile(const QString& path, QString* why) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return true;
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

bool Writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

CZELV10RC CZELVStore::OpenSqlite(const ZELVServerAddress& address, int busyTimeoutMs) {
    m_engine = ZELVEngine::SQLite;
    m_readOnly = false;
    QString path = address.filePath;
    if (path.isEmpty()) {
        path = DefaultEmbeddedPath();
        MakeFolders(QFileInfo(path).absolutePath());
    }
    m_where = QStringLiteral("file ") + path;
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return CZELV10RC(ZELV10RC_CANNOTOPEN,
                         QStringLiteral("the folder %1 does not exist").arg(info.absolutePath()));
    if (info.exists() && !info.isFile())
        return CZELV10RC(ZELV10RC_CANNOTOPEN, QStringLiteral("%1 is not a file").arg(path));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return CZELV10RC(ZELV10RC_CANNOTOPEN,
                         QStringLiteral("the Qt SQLite driver is not installed"));

    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    QString name = path;
    if (info.exists()) {
        // A file we may only read, or one in a folder we may not write (where
        // SQLite cannot make its -shm file), is opened for reading only. A WAL
        // file whose -shm is missing there is read as it stands on disk.
        const bool fileWritable = Writable(path);
        const bool folderWritable = Writable(info.absolutePath());
        if (!fileWritable || !folderWritable) {
            m_readOnly = true;
            options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
            QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
            url.setScheme(QStringLiteral("file"));
            QString query = QStringLiteral("mode=ro");
            if (!folderWritable && !QFileInfo::exists(path + QStringLiteral("-shm")))
                query += QStringLiteral("&immutable=1");
            url.setQuery(query);
            name = url.toString(QUrl::FullyEncoded);
        }
    } else {
        QString why;
        if (!MakePrivateFile(path, &why))
            return CZELV10RC(ZELV10RC_CANNOTOPEN, path + QStringLiteral(": ") + why);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(name);
        db.setConnectOptions(options);
        if (!db.open()) {
            const QString words = ErrorWords(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return CZELV10RC(ZELV10RC_CANNOTOPEN, path + QStringLiteral(": ") + words);
        }
    }
    m_db = QSqlDatabase::database(m_name, false);
    m_plain = std::make_unique<QSqlQuery>(m_db);
    m_open = true;
    // Connection settings only: nothing here writes to the file, which may
    // still turn out not to be ours (WAL comes with Settle, once it is known).
    ExecOnce(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // A site's library runs to a million Volumes: keep 64 MiB of it at hand.
    ExecOnce(QStringLiteral("PRAGMA cache_size=-65536"));
    CZELV10RC rc = ExecOnce(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (!rc.IsOK()) {
        Close();
        return rc;
    }
    return CZELV10RC();
}

CZELV10RC CZELVStore::Settle() {
    if (!m_open || m_engine != ZELVEngine::SQLite || m_readOnly)
        return CZELV10RC();
    // WAL lets readers go on while one operator writes.
    ZELVCursor c;
    CZELV10RC rc = Exec("PRAGMA journal_mode", {}, &c);
    const bool wal = rc.IsOK() && c.Next() && c.Text(0) == QLatin1String("wal");
    c.Reset();
    if (wal)
        return CZELV10RC();
    return ExecOnce(QStringLiteral("PRAGMA journal_mode=WAL"));
}

CZELV10RC CZELVStore::OpenPostgres(const ZELVServerAddress& address, int busyTimeoutMs) {
    m_engine = ZELVEngine::PostgreSQL;
    m_where = QStringLiteral("server %1:%2").arg(address.host).arg(address.port);
    if (!address.database.isEmpty())
        m_where += QLatin1Char('/') + address.database;
    m_schema = address.SchemaOrDefault();
    if (!address.schema.isEmpty())
        m_where += QStringLiteral(" schema ") + address.schema;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return CZELV10RC(ZELV10RC_CANNOTOPEN,
                         QStringLiteral("the Qt PostgreSQL driver is not installed"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(address.host);
        db.setPort(address.port);
        db.setUserName(address.user);
        db.setPassword(address.password);
        if (!address.database.isEmpty())
            db.setDatabaseName(address.database);
        db.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=Kelmar"));
        if (!db.open()) {
            const QString words = ErrorWords(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            uint32_t code = ZELV10RC_CANNOTOPEN;
            if (words.contains(QLatin1String("no password supplied")))
                code = ZELV10RC_PASSWORDREQUIRED;
            else if (words.contains(QLatin1String("password authentication failed")) ||
                     words.contains(QLatin1String("role \"")))
                code = ZELV10RC_LOGONFAILED;
            else if (words.contains(QLatin1String("Connection refused")) ||
                     words.contains(QLatin1String("could not connect")) ||
                     words.contains(QLatin1String("timeout expired")) ||
                     words.contains(QLatin1String("could not translate host name")) ||
                     words.contains(QLatin1String("No route to host")))
                code = ZELV10RC_UNREACHABLE;
            return CZELV10RC(code, m_where + QStringLiteral(": ") + words);
        }
    }
    m_db = QSqlDatabase::database(m_name, false);
    m_plain = std::make_unique<QSqlQuery>(m_db);
    m_open = true;
    // Our own texts do not depend on the server's language, but keep notices
    // ("already exists, skipping") out of the way.
    ExecOnce(QStringLiteral("SET client_min_messages TO warning"));
    // A row another session holds locked ends in "locked" (55P03) after the
    // same wait as SQLite's busy timeout, never in a scan that hangs.
    if (busyTimeoutMs > 0)
        ExecOnce(QStringLiteral("SET lock_timeout = %1").arg(busyTimeoutMs));
    // Statements name their tables without a schema. Search only the one the
    // database lives in: by default "$user" comes first, and a login owning a
    // schema of its own name would find (or create) a database of its own there.
    CZELV10RC rc =
        Exec("SELECT pg_catalog.set_config('search_path', pg_catalog.quote_ident(?), false)",
             {m_schema});
    if (!rc.IsOK()) {
        Close();
        return rc;
    }
    return CZELV10RC();
}

void CZELVStore::Close() {
    // Every query and handle goes before the connection is removed.
    m_literals.clear();
    m_cache.clear();
    m_plain.reset();
    m_inTransaction = false;
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
    m_open = false;
}

QString CZELVStore::EngineText() {
    if (!m_open)
        return {};
    ZELVCursor c;
    if (m_engine == ZELVEngine::SQLite) {
        if (Exec("SELECT sqlite_version()", {}, &c).IsOK() && c.Next())
            return QStringLiteral("SQLite ") + c.Text(0);
        return QStringLiteral("SQLite");
    }
    if (Exec("SELECT current_setting('server_version')", {}, &c).IsOK() && c.Next())
        return QStringLiteral("PostgreSQL ") + c.Text(0).section(QLatin1Char(' '), 0, 0);
    return QStringLiteral("PostgreSQL");
}

QString CZELVStore::Translate(const QString& sql) const {
    QString out = sql;
    const bool pg = m_engine == ZELVEngine::PostgreSQL;
    // SQLite's rowid: rows here are never deleted from the top, so numbers are
    // not reused, and no sequence table is written with every insert.
    out.replace(QLatin1String("{AUTOID}"),
                pg ? QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                   : QLatin1String("INTEGER PRIMARY KEY"));
    // Identifiers compare and sort byte by byte, as the pages expect.
    out.replace(QLatin1String("{ID}"),
                pg ? QLatin1String("TEXT COLLATE \"C\"") : QLatin1String("TEXT"));
    out.replace(QLatin1String("{BLOB}"), pg ? QLatin1String("BYTEA") : QLatin1String("BLOB"));
    out.replace(QLatin1String("{FORUPDATE}"),
                pg ? QLatin1String(" FOR UPDATE") : QLatin1String(""));
    return out;
}

CZELV10RC CZELVStore::Begin(bool write) {
    if (!m_open)
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (m_lost)
        return CZELV10RC(ZELV10RC_CONNECTIONLOST, m_where);
    CZELV10RC rc;
    if (m_engine == ZELVEngine::SQLite)
        rc = write ? Exec("BEGIN IMMEDIATE") : Exec("BEGIN");
    else
        rc = ExecOnce(QStringLiteral("BEGIN"));
    m_inTransaction = rc.IsOK();
    return rc;
}

CZELV10RC CZELVStore::Commit() {
    CZELV10RC rc =
        m_engine == ZELVEngine::SQLite ? Exec("COMMIT") : ExecOnce(QStringLiteral("COMMIT"));
    if (!rc.IsOK())
        Rollback();
    m_inTransaction = false;
    return rc;
}

void CZELVStore::Rollback() {
    if (!m_open)
        return;
    for (auto& entry : m_cache)
        entry.second->finish();
    m_plain->exec(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
}

bool CZELVStore::RollbackTo(const QString& savepoint) {
    if (!m_open || m_lost || !m_inTransaction)
        return false;
    for (auto& entry : m_cache)
        entry.second->finish();
    const bool ok = m_plain->exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint) &&
                    m_plain->exec(QStringLiteral("RELEASE SAVEPOINT ") + savepoint);
    m_plain->finish();
    return ok;
}

CZELV10RC CZELVStore::ExecOnce(const QString& sql) {
    if (!m_open)
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (!m_plain->exec(Translate(sql)))
        return ErrorResult(m_plain->lastError(), sql.left(60));
    m_plain->finish();
    return CZELV10RC();
}

CZELV10RC CZELVStore::Exec(const char* sql, const QVariantList& binds, ZELVCursor* cursor) {
    // Statements written in the code are found by their address, without
    // turning the text into a string on every call.
    const auto it = m_literals.find(sql);
    if (it != m_literals.end())
        return Run(*it->second, binds, cursor, sql);
    const QString text = QString::fromUtf8(sql);
    QSqlQuery* q = nullptr;
    CZELV10RC rc = Prepared(text, &q);
    if (!rc.IsOK())
        return rc;
    m_literals.emplace(sql, q);
    return Run(*q, binds, cursor, sql);
}

CZELV10RC CZELVStore::Exec(const QString& sql, const QVariantList& binds, ZELVCursor* cursor) {
    QSqlQuery* q = nullptr;
    CZELV10RC rc = Prepared(sql, &q);
    if (!rc.IsOK())
        return rc;
    return Run(*q, binds, cursor, sql);
}

CZELV10RC CZELVStore::Prepared(const QString& sql, QSqlQuery** out) {
    if (!m_open)
        return CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (m_lost)
        return CZELV10RC(ZELV10RC_CONNECTIONLOST, m_where);
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        auto q = std::make_unique<QSqlQuery>(m_db);
        q->setForwardOnly(true);
        if (!q->prepare(Translate(sql)))
            return ErrorResult(q->lastError(), sql.left(60));
        it = m_cache.emplace(sql, std::move(q)).first;
    }
    *out = it->second.get();
    return CZELV10RC();
}

CZELV10RC CZELVStore::Run(QSqlQuery& q, const QVariantList& binds, ZELVCursor* cursor,
                          const QString& sql) {
    if (m_lost)
        return CZELV10RC(ZELV10RC_CONNECTIONLOST, m_where);
    for (int i = 0; i < binds.size(); ++i) {
        const QVariant& value = binds.at(i);
        // Texts are never NULL in this schema: an empty QString is "".
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            q.bindValue(i, QStringLiteral(""));
        else
            q.bindValue(i, value);
    }
    if (!q.exec()) {
        const QSqlError error = q.lastError();
        q.finish();
        return ErrorResult(error, sql.left(60));
    }
    if (cursor) {
        cursor->Reset();
        cursor->m_q = &q;
    } else if (q.isSelect()) {
        q.finish();
    }
    return CZELV10RC();
}

void CZELVStore::CheckAlive() {
    if (m_engine != ZELVEngine::PostgreSQL || !m_open)
        return;
    if (!m_plain->exec(QStringLiteral("SELECT 1")))
        m_lost = true;
    m_plain->finish();
}

CZELV10RC CZELVStore::ErrorResult(const QSqlError& error, const QString& context) {
    const QString words = ErrorWords(error);
    const QString native = error.nativeErrorCode();
    QString detail = words.isEmpty() ? context : words;

    if (m_engine == ZELVEngine::SQLite) {
        bool ok = false;
        const int code = native.toInt(&ok) & 0xFF;
        if (ok) {
            const QString inFile = m_where + QStringLiteral(": ") + words;
            switch (code) {
            case kSqliteBusy:
            case kSqliteLocked:
                return CZELV10RC(ZELV10RC_LOCKED, inFile);
            case kSqliteReadOnly:
                return CZELV10RC(ZELV10RC_READONLY, inFile);
            case kSqliteNotADb:
                return CZELV10RC(ZELV10RC_NOTADATABASE, inFile);
            case kSqliteCorrupt:
                return CZELV10RC(ZELV10RC_DAMAGED, inFile);
            case kSqliteFull:
                return CZELV10RC(ZELV10RC_DISKFULL, inFile);
            case kSqliteIoErr:
            case kSqliteCantOpen:
                return CZELV10RC(ZELV10RC_CANNOTOPEN, inFile);
            case kSqliteConstraint:
                if (words.contains(QLatin1String("UNIQUE")) ||
                    words.contains(QLatin1String("PRIMARY")))
                    return CZELV10RC(ZELV10RC_EXISTS, words);
                return CZELV10RC(ZELV10RC_BADVALUE, words);
            default:
                break;
            }
        }
        return CZELV10RC(ZELV10RC_DATABASEERROR, detail);
    }

    // PostgreSQL: the SQLSTATE says what happened.
    if (native == QLatin1String("23505"))
        return CZELV10RC(ZELV10RC_EXISTS, words);
    if (native.startsWith(QLatin1String("23")))
        return CZELV10RC(ZELV10RC_BADVALUE, words);
    if (native == QLatin1String("40001") || native == QLatin1String("40P01") ||
        native == QLatin1String("55P03"))
        return CZELV10RC(ZELV10RC_LOCKED, m_where + QStringLiteral(": ") + words);
    if (native == QLatin1String("25006"))
        return CZELV10RC(ZELV10RC_READONLY, m_where + QStringLiteral(": ") + words);
    if (native == QLatin1String("53100"))
        return CZELV10RC(ZELV10RC_DISKFULL, m_where + QStringLiteral(": ") + words);
    if (native == QLatin1String("42501"))
        return CZELV10RC(ZELV10RC_NORIGHTS, m_where + QStringLiteral(": ") + words);
    if (native.startsWith(QLatin1String("08")) || native.startsWith(QLatin1String("57P")) ||
        native.isEmpty()) {
        // No SQLSTATE usually means libpq lost the server; ask it.
        CheckAlive();
        if (m_lost) {
            m_inTransaction = false;
            return CZELV10RC(ZELV10RC_CONNECTIONLOST, m_where + QStringLiteral(": ") + detail);
        }
    }
    return CZELV10RC(ZELV10RC_DATABASEERROR, detail);
}
