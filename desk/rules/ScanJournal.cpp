#include "ScanJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A journal is a few lines per lost minute; anything far larger is not one.
constexpr qint64 kMaxJournalBytes = 64 * 1024 * 1024;
constexpr int kLockWaitMs = 5000;

CZELV10RC Failed(const QString& path, const QString& what) {
    return CZELV10RC(ZELV10RC_DATABASEERROR,
                     QStringLiteral("scanning journal %1: %2").arg(path, what));
}

// Appends bytes and waits until they are on the disk; a new file's folder
// entry too.
bool AppendSynced(const QString& path, const QByteArray& bytes) {
    const bool existed = QFileInfo::exists(path);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        written += n;
    }
    const bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced)
        return false;
    if (!existed) {
        const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
        const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
    return true;
}

} // namespace

CScanJournal::CScanJournal(QString path) : m_path(std::move(path)) {}

QString CScanJournal::Line(const ScanJournalEntry& e) {
    QJsonObject o;
    o[QStringLiteral("task")] = e.task;
    o[QStringLiteral("server")] = e.server;
    o[QStringLiteral("customer")] = e.key.Customer();
    o[QStringLiteral("media")] = e.key.Media();
    o[QStringLiteral("volume")] = e.key.Volume();
    o[QStringLiteral("repository")] = e.repository;
    // As text: a JSON number loses 64-bit versions.
    o[QStringLiteral("version")] = QString::number(e.version);
    o[QStringLiteral("when")] = QString::number(e.when);
    o[QStringLiteral("user")] = e.user;
    if (e.container != 0)
        o[QStringLiteral("container")] = QString::number(e.container);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

bool CScanJournal::Parse(const QByteArray& line, ScanJournalEntry* e) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    const auto text = [&o](const char* name, QString* out) {
        const QJsonValue v = o.value(QLatin1String(name));
        if (!v.isString())
            return false;
        *out = v.toString();
        return true;
    };
    QString customer, media, volume, version, when;
    if (!text("task", &e->task) || !text("server", &e->server) || !text("customer", &customer) ||
        !text("media", &media) || !text("volume", &volume) ||
        !text("repository", &e->repository) || !text("version", &version) ||
        !text("when", &when) || !text("user", &e->user))
        return false;
    if (e->task.isEmpty() || volume.isEmpty() || customer.isEmpty() || media.isEmpty() ||
        e->repository.isEmpty())
        return false;
    bool ok1 = false, ok2 = false;
    e->version = version.toULongLong(&ok1);
    e->when = when.toLongLong(&ok2);
    if (!ok1 || !ok2)
        return false;
    // Absent from entries without a Container (and from older journals).
    e->container = 0;
    const QJsonValue container = o.value(QLatin1String("container"));
    if (!container.isUndefined()) {
        bool ok = false;
        e->container = container.isString() ? container.toString().toUInt(&ok) : 0;
        if (!ok || e->container == 0)
            return false;
    }
    e->key = CVolumeKey(customer, media, volume);
    return true;
}

CZELV10RC CScanJournal::Append(const ScanJournalEntry& entry) {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return Failed(m_path, QStringLiteral("another program holds it"));
    if (!AppendSynced(m_path, Line(entry).toUtf8() + '\n'))
        return Failed(m_path, QStringLiteral("cannot be written (%1)").arg(qt_error_string(errno)));
    return CZELV10RC();
}

int CScanJournal::Count() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    int n = 0;
    ScanJournalEntry e;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kMaxJournalBytes);
        if (line.endsWith('\n') && Parse(line.chopped(1), &e))
            ++n;
    }
    return n;
}

CZELV10RC CScanJournal::Replay(const std::function<Outcome(const ScanJournalEntry&)>& fn,
                               int* done, QStringList* problems) {
    if (done)
        *done = 0;
    if (!QFileInfo::exists(m_path))
        return CZELV10RC();
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return Failed(m_path, QStringLiteral("another program holds it"));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(m_path, file.errorString());
    if (file.size() > kMaxJournalBytes)
        return Failed(m_path, QStringLiteral("is larger than %1 bytes; it is left as it is")
                                  .arg(kMaxJournalBytes));
    const QByteArray all = file.readAll();
    file.close();

    // Readable entries first; what cannot be read goes aside at once.
    QList<QByteArray> lines;
    std::vector<ScanJournalEntry> entries;
    QByteArray rejected;
    int lineNo = 0;
    qsizetype at = 0;
    while (at < all.size()) {
        const qsizetype end = all.indexOf('\n', at);
        // A last line without its end was cut short while being written.
        const QByteArray line = all.mid(at, end < 0 ? -1 : end - at);
        at = end < 0 ? all.size() : end + 1;
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        ScanJournalEntry e;
        if (end < 0 || !Parse(line, &e)) {
            rejected += line + '\n';
            if (problems)
                problems->append(
                    QStringLiteral("%1 line %2 cannot be read; it is kept in %1.rejected")
                        .arg(m_path)
                        .arg(lineNo));
            continue;
        }
        lines.append(line);
        entries.push_back(std::move(e));
    }
    if (!rejected.isEmpty() && !AppendSynced(m_path + QStringLiteral(".rejected"), rejected))
        return Failed(m_path + QStringLiteral(".rejected"), QStringLiteral("cannot be written"));

    // The file is brought up to date after every finished entry, so that a
    // crash half way never replays a written scan a second time.
    const auto save = [this](const QByteArray& bytes) -> CZELV10RC {
        if (bytes.isEmpty())
            return QFile::remove(m_path) || !QFileInfo::exists(m_path)
                       ? CZELV10RC()
                       : Failed(m_path, QStringLiteral("cannot be removed"));
        QSaveFile out(m_path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            return Failed(m_path, out.errorString());
        return CZELV10RC();
    };
    QByteArray kept;
    int finished = 0;
    bool changed = !rejected.isEmpty();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Outcome o = fn(entries[i]);
        if (o == Outcome::Done) {
            ++finished;
            QByteArray rest = kept;
            for (qsizetype j = qsizetype(i) + 1; j < lines.size(); ++j)
                rest += lines[j] + '\n';
            const CZELV10RC rc = save(rest);
            if (!rc.IsOK())
                return rc;
            changed = false;
            continue;
        }
        if (o == Outcome::Stop) {
            for (qsizetype j = qsizetype(i); j < lines.size(); ++j)
                kept += lines[j] + '\n';
            break;
        }
        kept += lines[qsizetype(i)] + '\n';
    }
    if (changed) {
        const CZELV10RC rc = save(kept);
        if (!rc.IsOK())
            return rc;
    }
    if (done)
        *done = finished;
    return CZELV10RC();
}
