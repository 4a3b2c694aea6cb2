// Two workstations writing one Volume at once.
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"

#include <QSqlQuery>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <thread>

namespace {

// Every committed change of the Volume row, as the database saw it: a trigger
// writes the row and whether its description exists, inside the writing
// transaction and under its row lock, so the probe rows are exactly the
// committed states, in the order they were committed.
const char* const kSqliteProbe[] = {
    "CREATE TABLE probe_state (seq INTEGER PRIMARY KEY, version BIGINT, flags BIGINT,"
    " threshold BIGINT, described BIGINT)",
    "CREATE TRIGGER probe_volume AFTER UPDATE ON volume BEGIN"
    " INSERT INTO probe_state (version, flags, threshold, described) VALUES (NEW.version,"
    " NEW.flags, NEW.threshold, EXISTS (SELECT 1 FROM attribute a"
    " WHERE a.volume_row = NEW.volume_row AND a.number = 0)); END",
};
const char* const kPostgresProbe[] = {
    "CREATE TABLE probe_state (seq BIGSERIAL PRIMARY KEY, version BIGINT, flags BIGINT,"
    " threshold BIGINT, described BOOLEAN)",
    // Volatile: its query sees what has been committed up to now, not the
    // snapshot the Update started with.
    "CREATE FUNCTION probe_volume() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " INSERT INTO probe_state (version, flags, threshold, described) VALUES (NEW.version,"
    " NEW.flags, NEW.threshold, EXISTS (SELECT 1 FROM attribute a"
    " WHERE a.volume_row = NEW.volume_row AND a.number = 0)); RETURN NULL; END $$",
    "CREATE TRIGGER probe_volume AFTER UPDATE ON volume FOR EACH ROW"
    " EXECUTE FUNCTION probe_volume()",
};

struct ProbeRow {
    qint64 version;
    uint32_t flags;
    qint64 threshold;
    bool described;
};

class ZELVConcurrencyTest : public ZelvEngineTest {
protected:
    std::vector<ProbeRow> Probes() {
        // All rows in one read: "version,flags,threshold,described;..." in order.
        const QString row = QStringLiteral(
            "CAST(version AS TEXT) || ',' || CAST(flags AS TEXT) || ',' || CAST(threshold AS TEXT)"
            " || ',' || CASE WHEN described THEN '1' ELSE '0' END");
        const QString sql =
            GetParam() == TestEngine::SQLite
                ? QStringLiteral("SELECT group_concat(r, ';') FROM (SELECT %1 AS r FROM "
                                 "probe_state ORDER BY seq)")
                      .arg(row)
                : QStringLiteral("SELECT string_agg(%1, ';' ORDER BY seq) FROM probe_state")
                      .arg(row);
        std::vector<ProbeRow> rows;
        for (const QString& text :
             db->Scalar(sql).toString().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList cols = text.split(QLatin1Char(','));
            if (cols.size() != 4) {
                ADD_FAILURE() << "probe row unreadable: " << text.toStdString();
                break;
            }
            rows.push_back({cols[0].toLongLong(), static_cast<uint32_t>(cols[1].toLongLong()),
                            cols[2].toLongLong(), cols[3] == QLatin1String("1")});
        }
        return rows;
    }
};

TEST_P(ZELVConcurrencyTest, DescriptionFlagAndVersionHoldUnderTwoWriters) {
    ZELVCUSTEx customer;
    customer.customerId = "ACME";
    ASSERT_TRUE(mfc.Add(customer).IsOK());
    ZELVMEDIAEx media;
    media.customerId = "ACME";
    media.mediaId = "LTO6";
    ASSERT_TRUE(mfc.Add(media).IsOK());
    ZELVVOLSEx volume = NewVolume("ACME", "LTO6", "A00001");
    ASSERT_TRUE(mfc.Add(volume).IsOK());
    if (GetParam() == TestEngine::SQLite) {
        for (const char* sql : kSqliteProbe)
            ASSERT_TRUE(db->Exec(QString::fromUtf8(sql)));
    } else {
        for (const char* sql : kPostgresProbe)
            ASSERT_TRUE(db->Exec(QString::fromUtf8(sql)));
    }

    // The second workstation updates the other fields, each time from a fresh
    // read, and notes the version each accepted write must have made.
    constexpr int kDescriptions = 200;
    std::atomic<bool> describing{true};
    std::map<qint64, std::pair<qint64, bool>> written; // version -> threshold, hidden
    int refused = 0;
    QString failure;
    std::atomic<bool> ready{false}, failed{false};
    std::thread updater([&] {
        CZELV10MFC other; // a connection belongs to the thread that opened it
        other.SetServerAddress(db->Address());
        other.SetClock(&clock);
        other.SetMachineName(QStringLiteral("ws-two"));
        CZELV10RC rc = other.Logon();
        if (!rc.IsOK()) {
            failure = rc.Get();
            failed = true;
            return;
        }
        ready = true;
        // Under a busy describer every update may be refused; once it stops,
        // updates go through, so a few always land.
        for (qint64 n = 1; describing || written.size() < 10; ++n) {
            ZELVVOLSEx r = NewVolume("ACME", "LTO6", "A00001");
            rc = other.Get(&r);
            if (!rc.IsOK()) {
                failure = rc.Get();
                failed = true;
                return;
            }
            const qint64 read = static_cast<qint64>(r.vol.version);
            r.vol.threshold = static_cast<uint16_t>(n % 60000 + 1);
            r.vol.flags ^= ZELVVOL_HIDDEN;
            rc = other.Update(r);
            if (rc.Code() == ZELV10RC_CHANGED) {
                ++refused;
                continue;
            }
            if (!rc.IsOK()) {
                failure = rc.Get();
                failed = true;
                return;
            }
            written[read + 1] = {r.vol.threshold, (r.vol.flags & ZELVVOL_HIDDEN) != 0};
        }
    });

    // This workstation writes and clears the description.
    ZELVATTRIBUTEEx description;
    description.key = volume.key;
    int puts = 0;
    while (!ready && !failed)
        std::this_thread::yield();
    for (int i = 0; i < kDescriptions && !failed; ++i) {
        description.value.Set(i % 2 ? QString() : QStringLiteral("Payroll run %1").arg(i));
        const CZELV10RC rc = mfc.Put(description);
        EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
        if (!rc.IsOK())
            break;
        ++puts;
    }
    describing = false;
    updater.join();
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_GT(written.size(), 0u);

    const std::vector<ProbeRow> states = Probes();
    // Each description write set or cleared the flag, each update made one
    // state: nothing was written twice over or lost.
    EXPECT_EQ(states.size(), written.size() + static_cast<size_t>(puts));
    int flagWrong = 0, versionWrong = 0, updateLost = 0;
    for (size_t i = 0; i < states.size(); ++i) {
        const ProbeRow& s = states[i];
        if (((s.flags & ZELVVOL_DESCRIPTION) != 0) != s.described && ++flagWrong <= 3)
            ADD_FAILURE() << "state " << i << " (version " << s.version << "): flags 0x" << std::hex
                          << s.flags << std::dec << " but the description "
                          << (s.described ? "exists" : "does not exist");
        // Every committed write raised the version by one: no write got
        // through on a version someone else had changed since.
        if (s.version != static_cast<qint64>(i) + 2 && ++versionWrong <= 3)
            ADD_FAILURE() << "state " << i << " has version " << s.version;
        const auto it = written.find(s.version);
        if (it != written.end() &&
            (s.threshold != it->second.first ||
             ((s.flags & ZELVVOL_HIDDEN) != 0) != it->second.second) &&
            ++updateLost <= 3)
            ADD_FAILURE() << "the update to version " << s.version << " is not what was stored";
    }
    const std::string of = "of " + std::to_string(states.size()) + " states (" +
                           std::to_string(refused) + " updates refused as changed)";
    EXPECT_EQ(flagWrong, 0) << of;
    EXPECT_EQ(versionWrong, 0) << of;
    EXPECT_EQ(updateLost, 0) << of;

    ZELVVOLSEx last = NewVolume("ACME", "LTO6", "A00001");
    ASSERT_TRUE(mfc.Get(&last).IsOK());
    EXPECT_EQ((last.vol.flags & ZELVVOL_DESCRIPTION) != 0, puts % 2 == 1);
    EXPECT_EQ(last.vol.version, static_cast<uint64_t>(states.size() + 1));
    EXPECT_EQ(last.vol.threshold, written.rbegin()->second.first);
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVConcurrencyTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
