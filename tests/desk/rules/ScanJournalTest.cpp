// The scanning journal on its own: what a replay keeps, finishes and sets
// aside, line by line in the file, whatever state a crash left it in.
#include "ScanJournal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ScanJournalEntry Entry(const char* volume, const char* server = "db-1") {
    ScanJournalEntry e;
    e.task = QStringLiteral("Scan-In");
    e.server = QString::fromLatin1(server);
    e.key = CVolumeKey(QStringLiteral("ACME"), QStringLiteral("LTO6"), QString::fromLatin1(volume));
    e.repository = QStringLiteral("DC01");
    e.version = 0x1234567890ull; // beyond what a JSON number keeps exactly
    e.when = 1700000000;
    e.user = QStringLiteral("anna");
    // A Scan-Out entry names the Container the Volume went into.
    e.container = QByteArray(volume) == "A2" ? 7 : 0;
    return e;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

struct ReplayCase {
    const char* what;
    QByteArray extra;     // appended raw after the three entries A1, A2, A3
    const char* outcomes; // per readable entry: D done, K keep, S stop
    QStringList left;     // volumes still in the journal afterwards
    int done;
    int rejected; // lines set aside
};

TEST(ScanJournalTest, ReplayKeepsWhatIsNotFinishedAndSetsAsideWhatCannotBeRead) {
    const ReplayCase cases[] = {
        {"all written", {}, "DDD", {}, 3, 0},
        {"one kept for later", {}, "DKD", {QStringLiteral("A2")}, 2, 0},
        {"the server goes away again", {}, "DS", {QStringLiteral("A2"), QStringLiteral("A3")}, 1,
         0},
        {"a line cut short by a crash", "{\"task\":\"Scan-In\",\"serv", "DDD", {}, 3, 1},
        {"an edited line", "not json at all\n", "KKK",
         {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")}, 0, 1},
        {"a line missing a field",
         "{\"task\":\"Scan-In\",\"server\":\"db-1\",\"customer\":\"ACME\"}\n", "DDD", {}, 3, 1},
        {"a Container number that is none",
         "{\"task\":\"Scan-Out\",\"server\":\"db-1\",\"customer\":\"ACME\",\"media\":\"LTO6\","
         "\"volume\":\"A4\",\"repository\":\"DC01\",\"version\":\"1\",\"when\":\"1\","
         "\"user\":\"anna\",\"container\":\"x7\"}\n",
         "DDD", {}, 3, 1},
    };
    for (const ReplayCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        CScanJournal journal(dir.filePath(QStringLiteral("sub/ScanJournal.txt")));
        for (const char* v : {"A1", "A2", "A3"})
            ASSERT_TRUE(journal.Append(Entry(v)).IsOK());
        if (!c.extra.isEmpty()) {
            QFile f(journal.Path());
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write(c.extra);
        }
        EXPECT_EQ(journal.Count(), 3);
        int seen = 0, done = -1;
        QStringList problems;
        const CZELV10RC rc = journal.Replay(
            [&](const ScanJournalEntry& e) {
                EXPECT_EQ(e.version, 0x1234567890ull);
                EXPECT_EQ(e.container, e.key.Volume() == QLatin1String("A2") ? 7u : 0u);
                EXPECT_EQ(e.key.Volume(), QStringLiteral("A%1").arg(seen + 1));
                const char o = c.outcomes[seen++];
                return o == 'D'   ? CScanJournal::Outcome::Done
                       : o == 'S' ? CScanJournal::Outcome::Stop
                                  : CScanJournal::Outcome::Keep;
            },
            &done, &problems);
        ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
        EXPECT_EQ(done, c.done);
        EXPECT_EQ(problems.size(), c.rejected);
        QStringList left;
        journal.Replay(
            [&](const ScanJournalEntry& e) {
                left << e.key.Volume();
                return CScanJournal::Outcome::Keep;
            },
            nullptr, nullptr);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(QFile::exists(journal.Path()), !c.left.isEmpty());
        const QByteArray aside = Read(journal.Path() + QStringLiteral(".rejected"));
        if (c.rejected)
            EXPECT_EQ(aside, c.extra.endsWith('\n') ? c.extra : c.extra + '\n');
        else
            EXPECT_EQ(aside, QByteArray("<none>"));
    }
}

TEST(ScanJournalTest, AnUnwritableJournalIsReportedNotSwallowed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The journal's place is taken by a folder: nothing can be appended.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("ScanJournal.txt")));
    CScanJournal journal(dir.filePath(QStringLiteral("ScanJournal.txt")));
    const CZELV10RC rc = journal.Append(Entry("A1"));
    EXPECT_FALSE(rc.IsOK());
    EXPECT_TRUE(rc.Get().contains(QLatin1String("cannot be written"))) << rc.Get().toStdString();
}

} // namespace
