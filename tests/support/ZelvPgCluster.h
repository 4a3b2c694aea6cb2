#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL cluster of the test's own (scripts/pg-cluster.sh), for tests
// that stop and start the server under a workflow; the shared one of
// with-pg.sh must stay up for the other tests.
class ZelvPgCluster {
public:
    explicit ZelvPgCluster(QString script) : m_script(std::move(script)) {}
    ~ZelvPgCluster() {
        if (!m_dir.isEmpty())
            Run(QStringLiteral("destroy"));
    }
    ZelvPgCluster(const ZelvPgCluster&) = delete;
    ZelvPgCluster& operator=(const ZelvPgCluster&) = delete;

    // Makes and starts it; false with the reason when PostgreSQL is not installed.
    bool Init(QString* why) {
        QTemporaryDir parent;
        parent.setAutoRemove(false);
        if (!parent.isValid()) {
            *why = QStringLiteral("no temporary folder");
            return false;
        }
        m_dir = parent.path();
        QString out;
        if (!Run(QStringLiteral("init"), &out, why))
            return false;
        m_address = out.trimmed();
        return !m_address.isEmpty();
    }
    bool Stop() { return Run(QStringLiteral("stop")); }
    bool Start() { return Run(QStringLiteral("start")); }
    // A kelmar:// address of a login that may create databases.
    const QString& Address() const { return m_address; }

private:
    bool Run(const QString& command, QString* out = nullptr, QString* why = nullptr) {
        QProcess p;
        p.start(QStringLiteral("bash"), {m_script, command, m_dir});
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            if (why)
                *why = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            return false;
        }
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return true;
    }

    QString m_script;
    QString m_dir;
    QString m_address;
};
