// Load and lost-update checker for scripts/reliability.sh: several of these
// processes act as operators on the same Volumes at once; afterwards `check`
// reads the server's history to count lost updates and failures reported as
// success.
//   zelv_load setup SERVER VOLUMES
//   zelv_load run SERVER SECONDS ID OUTFILE     (ID 1 to 8)
//   zelv_load check SERVER OUTFILE...
// SERVER is a server address (file path or kelmar://); passwords come from
// KELMAR_PASSWORD as for zelvadmin.
#include "ZELV10MFC.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr const char* kCustomer = "LOAD";
constexpr const char* kMedia = "LTO6";
constexpr const char* kRepository = "LDC1";
// Process k of at most kProcesses writes the thresholds k, k + kProcesses,
// k + 2 kProcesses... on each Volume: on one Volume every value is written
// once and names its writer.
constexpr int kProcesses = 8;

QString VolumeId(int i) {
    return QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0'));
}

bool Connect(CZELV10MFC& mfc, const QString& text, int flags = 1) {
    ZELVServerAddress a;
    QString error;
    if (!ZELVServerAddress::Parse(text, &a, &error)) {
        std::fprintf(stderr, "zelv_load: %s\n", qPrintable(error));
        return false;
    }
    if (a.password.isEmpty())
        a.password = qEnvironmentVariable("KELMAR_PASSWORD");
    mfc.SetServerAddress(a);
    mfc.SetBusyTimeout(2000);
    const CZELV10RC rc = mfc.Logon(flags);
    if (!rc.IsOK())
        std::fprintf(stderr, "zelv_load: %s\n", qPrintable(rc.Get()));
    return rc.IsOK();
}

ZELVVOLSEx Key(const QString& volume) {
    ZELVVOLSEx v;
    v.key.customerId.Set(QString::fromLatin1(kCustomer));
    v.key.mediaId.Set(QString::fromLatin1(kMedia));
    v.key.volumeId.Set(volume);
    return v;
}

int Setup(const QString& server, int count) {
    CZELV10MFC mfc;
    if (!Connect(mfc, server, 1 | CZELV10MFC::kLogonCreateOwner))
        return 1;
    CZELV10MFC::Batch batch(mfc);
    CZELV10RC rc = batch.Begin();
    ZELVCUSTEx c;
    c.customerId = kCustomer;
    if (rc.IsOK())
        rc = mfc.Add(c);
    ZELVMEDIAEx m;
    m.customerId = kCustomer;
    m.mediaId = kMedia;
    if (rc.IsOK())
        rc = mfc.Add(m);
    ZELVREPOSITORY r;
    r.repositoryId = kRepository;
    if (rc.IsOK())
        rc = mfc.Add(r);
    for (int i = 0; i < count && rc.IsOK(); ++i) {
        ZELVVOLSEx v = Key(VolumeId(i));
        for (ZELVVOLLOC& l : v.vol.location)
            l.repositoryId = kRepository;
        rc = mfc.Add(v);
    }
    if (rc.IsOK())
        rc = batch.Commit();
    if (!rc.IsOK()) {
        std::fprintf(stderr, "zelv_load setup: %s\n", qPrintable(rc.Get()));
        return 1;
    }
    return 0;
}

int Run(const QString& server, int seconds, int id, const QString& outPath) {
    CZELV10MFC mfc;
    mfc.SetMachineName(QStringLiteral("load-%1").arg(id));
    if (!Connect(mfc, server))
        return 1;
    std::vector<ZELVVOLSFULL> all;
    ZELVVOLFLAGS none;
    CZELV10RC rc = mfc.List(&all, QString::fromLatin1(kCustomer), QString::fromLatin1(kMedia),
                            &none, nullptr, nullptr, nullptr, 0, 0);
    if (!rc.IsOK() || all.empty()) {
        std::fprintf(stderr, "zelv_load run: no Volumes (%s)\n", qPrintable(rc.Get()));
        return 1;
    }
    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QTextStream s(&out);
    QRandomGenerator random(quint32(id) * 7919u + 17u);
    qint64 ok = 0, refused = 0, locked = 0, errors = 0, scans = 0, confirms = 0;
    QHash<QString, int> written;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const QString volume = all[random.bounded(int(all.size()))].key.volumeId.Text();
        const int op = random.bounded(10);
        if (op < 2) {
            rc = mfc.ReportScan(QString::fromLatin1(kCustomer), QString::fromLatin1(kMedia),
                                volume);
            rc.IsOK() ? ++scans : ++errors;
            continue;
        }
        ZELVVOLSEx v = Key(volume);
        rc = mfc.Get(&v);
        if (rc.IsOK()) {
            if (op < 5) {
                v.vol.Confirmation().repositoryId = kRepository;
                v.vol.Confirmation().slot = uint32_t(random.bounded(100));
            } else {
                const int n = written[volume]++;
                if (id + n * kProcesses > 65535)
                    continue;
                v.vol.threshold = uint16_t(id + n * kProcesses);
            }
            rc = mfc.Update(v);
        }
        if (rc.IsOK()) {
            if (op < 5) {
                ++confirms;
            } else {
                ++ok;
                s << "T " << volume << ' ' << v.vol.threshold << '\n';
            }
        } else if (rc.Code() == ZELV10RC_CHANGED) {
            ++refused;
        } else if (rc.Code() == ZELV10RC_LOCKED) {
            ++locked;
        } else {
            ++errors;
            s << "E " << rc.Code() << ' ' << rc.Get().simplified() << '\n';
        }
    }
    s << "S " << ok << ' ' << confirms << ' ' << scans << ' ' << refused << ' ' << locked << ' '
      << errors << ' ' << clock.elapsed() << '\n';
    s.flush();
    return out.error() == QFileDevice::NoError ? 0 : 1;
}

int Check(const QString& server, const QStringList& files) {
    CZELV10MFC mfc;
    if (!Connect(mfc, server))
        return 1;
    QHash<QString, QSet<QString>> written; // volume -> threshold values reported written
    qint64 ok = 0, confirms = 0, scans = 0, refused = 0, locked = 0, errors = 0, ms = 0;
    for (const QString& path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "zelv_load check: cannot read %s\n", qPrintable(path));
            return 1;
        }
        while (!f.atEnd()) {
            const QStringList w = QString::fromUtf8(f.readLine()).simplified().split(' ');
            if (w.value(0) == QLatin1String("T") && w.size() == 3)
                written[w[1]].insert(w[2]);
            if (w.value(0) == QLatin1String("S") && w.size() == 8) {
                ok += w[1].toLongLong();
                confirms += w[2].toLongLong();
                scans += w[3].toLongLong();
                refused += w[4].toLongLong();
                locked += w[5].toLongLong();
                errors += w[6].toLongLong();
                ms = qMax(ms, w[7].toLongLong());
            }
        }
    }
    // Every threshold change in the history must start from the value the
    // one before it left (else one update overwrote another unseen), every
    // write reported done must be there, and the Volume must hold the last.
    qint64 lost = 0, falseSuccess = 0, stored = 0, unreported = 0, wrongFinal = 0;
    std::vector<ZELVVOLSFULL> all;
    ZELVVOLFLAGS none;
    CZELV10RC rc = mfc.List(&all, QString::fromLatin1(kCustomer), QString::fromLatin1(kMedia),
                            &none, nullptr, nullptr, nullptr, 0, 0);
    if (!rc.IsOK()) {
        std::fprintf(stderr, "zelv_load check: %s\n", qPrintable(rc.Get()));
        return 1;
    }
    for (const ZELVVOLSFULL& v : all) {
        const QString volume = v.key.volumeId.Text();
        std::vector<ZELVVOLHISTORY> history;
        rc = mfc.List(&history, QString::fromLatin1(kCustomer), QString::fromLatin1(kMedia),
                      volume, /*newestFirst=*/false);
        if (!rc.IsOK()) {
            std::fprintf(stderr, "zelv_load check: %s\n", qPrintable(rc.Get()));
            return 1;
        }
        QString last = QStringLiteral("0");
        QSet<QString> seen;
        for (const ZELVVOLHISTORY& h : history) {
            if (h.field.Text() != QLatin1String("threshold"))
                continue;
            ++stored;
            if (h.oldValue != last)
                ++lost;
            last = h.newValue;
            seen.insert(h.newValue);
        }
        const QSet<QString> reported = written.value(volume);
        for (const QString& value : reported)
            if (!seen.contains(value))
                ++falseSuccess;
        for (const QString& value : seen)
            if (!reported.contains(value))
                ++unreported;
        if (QString::number(v.vol.threshold) != last)
            ++wrongFinal;
    }
    const double seconds = ms > 0 ? double(ms) / 1000.0 : 1.0;
    std::printf("updates_ok=%lld confirms_ok=%lld scans_ok=%lld refused_stale=%lld locked=%lld "
                "errors=%lld history_rows=%lld lost_updates=%lld false_success=%lld "
                "unreported_writes=%lld wrong_final=%lld throughput_per_s=%.0f\n",
                ok, confirms, scans, refused, locked, errors, stored, lost + wrongFinal,
                falseSuccess, unreported, wrongFinal, double(ok + confirms + scans) / seconds);
    return lost + wrongFinal + falseSuccess == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const QString cmd = a.value(1);
    if (cmd == QLatin1String("setup") && a.size() == 4)
        return Setup(a[2], a[3].toInt());
    if (cmd == QLatin1String("run") && a.size() == 6 && a[4].toInt() >= 1 &&
        a[4].toInt() <= kProcesses)
        return Run(a[2], a[3].toInt(), a[4].toInt(), a[5]);
    if (cmd == QLatin1String("check") && a.size() >= 4)
        return Check(a[2], a.mid(3));
    std::fprintf(stderr, "usage: zelv_load setup SERVER VOLUMES | run SERVER SECONDS ID OUTFILE"
                         " | check SERVER OUTFILE...\n");
    return 2;
}
