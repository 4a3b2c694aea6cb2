#pragma once

// Scanning pages against a PostgreSQL cluster of the test's own, which the
// test stops and starts: the scanning journal's workflow tests.
#include "DemoDatabase.h"
#include "ScanPage.h"
#include "ZelvPgCluster.h"

#include <QFile>
#include <QLabel>

// The demo database on a PostgreSQL server of the test's own (a cluster it
// stops and starts), whatever server KELMAR_TEST_PG names.
inline bool MakeOnServer(DemoDatabase& db, const QString& address, QString* why,
                         const DemoDatabase::Extra& extra) {
    const QByteArray shared = qgetenv("KELMAR_TEST_PG");
    qputenv("KELMAR_TEST_PG", address.toUtf8());
    const bool made = db.Make(QStringLiteral("PostgreSQL"), why, extra);
    qputenv("KELMAR_TEST_PG", shared);
    return made;
}

// For tests that stop and start PostgreSQL: on the PostgreSQL row only, a
// cluster of the test's own (skipped when PostgreSQL is not installed) with
// the demo database and the test's additions on it.
#define ZELV_DEMO_ON_OWN_CLUSTER(cluster, db, extra)                                               \
    QFETCH_GLOBAL(QString, engine);                                                                \
    if (engine != QLatin1String("PostgreSQL"))                                                     \
        QSKIP("stops a PostgreSQL server of its own");                                             \
    ZelvPgCluster cluster(QStringLiteral(ZELV_PG_CLUSTER_SCRIPT));                                 \
    DemoDatabase db;                                                                               \
    {                                                                                              \
        QString why;                                                                               \
        if (!cluster.Init(&why))                                                                   \
            QSKIP(qPrintable(QStringLiteral("no PostgreSQL cluster: ") + why));                    \
        QVERIFY2(MakeOnServer(db, cluster.Address(), &why, extra), qPrintable(why));               \
    }

// The journal's retry while the server is still down keeps everything; the
// server comes back, another session changes changedVolume (ACME LTO6)
// meanwhile, and the page's replay empties the journal and hides its banner.
inline bool RetryDownThenReplayUp(ZelvPgCluster& cluster, DemoDatabase& db, CScanPage& page,
                                  const QString& journal, const QString& changedVolume) {
    if (page.ReplayJournal() || !QFile::exists(journal) || !cluster.Start())
        return false;
    if (!db.Exec(QStringLiteral("UPDATE volume SET threshold = 77, version = version + 1"
                                " WHERE customer_id = 'ACME' AND media_id = 'LTO6' AND"
                                " volume_id = '%1'")
                     .arg(changedVolume)))
        return false;
    return page.ReplayJournal() && page.JournalBanner()->isHidden() && !QFile::exists(journal);
}
