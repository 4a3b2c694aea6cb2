#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZELVConfig.h"
#include "ZELVSchema.h"
#include "ZelvTestDb.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

#define ASSERT_OK(expr)                                                                            \
    do {                                                                                           \
        const CZELV10RC rc_ = (expr);                                                              \
        ASSERT_TRUE(rc_.IsOK()) << #expr << ": " << rc_.Get().toStdString();                       \
    } while (0)
#define EXPECT_RC(expr, code)                                                                      \
    do {                                                                                           \
        const CZELV10RC rc_ = (expr);                                                              \
        EXPECT_EQ(rc_.Code(), static_cast<uint32_t>(code))                                         \
            << #expr << ": " << rc_.Get().toStdString();                                           \
    } while (0)

CZELVDate Day(int y, int m, int d) {
    CZELVDate date;
    date.SetDate(y, m, d);
    return date;
}

// Customer ACME with LTO6 and CONT, Repositories DC01 <-> VLT1 (a vault), TRN1
// and LIB1 with a zone; Data-Cluster 1 "Payroll".
class ZELVStoreTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ZELVCUSTEx c;
        c.customerId = "ACME";
        c.name = "Acme Corp";
        ASSERT_OK(mfc.Add(c));
        for (const char* m : {"LTO6", "CONT"}) {
            ZELVMEDIAEx media;
            media.customerId = "ACME";
            media.mediaId = m;
            media.name = m;
            if (QString::fromLatin1(m) == QLatin1String("CONT"))
                media.containerPattern = "C*";
            ASSERT_OK(mfc.Add(media));
        }
        struct R {
            const char* id;
            const char* next;
            uint16_t type;
        };
        for (const R& r :
             {R{"DC01", "VLT1", ZELVREPTYPE_DATACENTRE}, R{"VLT1", "DC01", ZELVREPTYPE_VAULT},
              R{"TRN1", "", ZELVREPTYPE_TRANSIT}, R{"LIB1", "", ZELVREPTYPE_LIBRARY}}) {
            ZELVREPOSITORY rep;
            rep.repositoryId = r.id;
            rep.name = QStringLiteral("Repository %1").arg(QString::fromLatin1(r.id));
            rep.nextRepositoryId = r.next;
            rep.type = r.type;
            ASSERT_OK(mfc.Add(rep));
        }
        ZELVZONE zone;
        zone.repositoryId = "LIB1";
        zone.name = "ZoneA";
        zone.firstSlot = 100;
        zone.slotCount = 50;
        ASSERT_OK(mfc.Add(zone));
        ZELVCLUSTEREx cluster;
        cluster.customerId = "ACME";
        cluster.name = "Payroll";
        uint32_t number = 0;
        ASSERT_OK(mfc.Add(cluster, &number));
        ASSERT_EQ(number, 1u);
    }

    ZELVVOLSEx Read(const char* v, const char* m = "LTO6") {
        ZELVVOLSEx r = NewVolume("ACME", m, v);
        const CZELV10RC rc = mfc.Get(&r);
        EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
        return r;
    }

    // Client's Confirm: read, fill the confirmation, update.
    CZELV10RC Confirm(const char* v, const char* at, uint32_t slot = 0) {
        ZELVVOLSEx r = Read(v);
        r.vol.Confirmation().repositoryId = at;
        r.vol.Confirmation().slot = slot;
        return mfc.Update(r);
    }

    qint64 Count(const char* table) {
        return db->Scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromLatin1(table))
            .toLongLong();
    }
};

TEST_P(ZELVStoreTest, ServerIdentityNamesUserEngineAndSchema) {
    ZELVSERVERID id;
    ASSERT_OK(mfc.Get(&id));
    EXPECT_FALSE(id.userId.IsEmpty());
    EXPECT_EQ(id.userId.Text(), mfc.CurrentUser());
    EXPECT_EQ(id.schemaVersion, uint32_t(CZELVSchema::kLatest));
    EXPECT_EQ(id.programId, CZELV10MFC::kProgramDesk);
    EXPECT_EQ(id.serverId.Length(), 36);
    EXPECT_TRUE(id.engine.Text().startsWith(
        GetParam() == TestEngine::SQLite ? QLatin1String("SQLite") : QLatin1String("PostgreSQL")))
        << id.engine.Text().toStdString();
    if (GetParam() == TestEngine::SQLite) {
        EXPECT_EQ(db->Scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                  QStringLiteral("wal"));
    }
    ZELVUSER user;
    ASSERT_OK(mfc.Get(&user));
    EXPECT_EQ(user.Role(), 7u) << "the first user of a database owns it";
    ZELVGROUP group;
    ASSERT_OK(mfc.Get(&group));
    EXPECT_EQ(group.roleNames[7].Text(), QStringLiteral("Owner"));
}

TEST_P(ZELVStoreTest, CallsBeforeLogonAreRefused) {
    CZELV10MFC other;
    std::vector<ZELVCUSTEx> customers;
    EXPECT_RC(other.List(&customers), ZELV10RC_NOTLOGGEDON);
    ZELVVOLS v;
    EXPECT_RC(other.Get(&v, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A1")),
              ZELV10RC_NOTLOGGEDON);
}

TEST_P(ZELVStoreTest, CustomersComeBackInIdentifierOrderWithTheirNamesIntact) {
    // Names are free text: quotes, semicolons, % and other scripts are data.
    const QString names[] = {QStringLiteral("O'Brien; DROP TABLE customer; --"),
                             QStringLiteral("100% \"Tapes\""), QStringLiteral("Ünïcødé 東京 Ltd"),
                             QString()};
    const char* ids[] = {"ZULU", "B-2", "a_1", "MIKE"};
    for (int i = 0; i < 4; ++i) {
        ZELVCUSTEx c;
        c.customerId = ids[i];
        c.name = names[i];
        ASSERT_OK(mfc.Add(c));
    }
    std::vector<ZELVCUSTEx> list;
    ASSERT_OK(mfc.List(&list));
    QStringList order;
    for (const ZELVCUSTEx& c : list)
        order << c.customerId.Text();
    // Byte order: upper case before lower case.
    EXPECT_EQ(order, (QStringList{"ACME", "B-2", "MIKE", "ZULU", "a_1"}));
    for (int i = 0; i < 4; ++i) {
        ZELVCUSTEx c;
        ASSERT_OK(mfc.Get(&c, QString::fromLatin1(ids[i])));
        EXPECT_EQ(c.name.Text(), names[i]);
    }
    EXPECT_EQ(Count("customer"), 5);
}

TEST_P(ZELVStoreTest, AddingTwiceIsRefusedAndKeepsTheFirst) {
    ZELVCUSTEx c;
    c.customerId = "ACME";
    c.name = "Impostor";
    EXPECT_RC(mfc.Add(c), ZELV10RC_EXISTS);
    ZELVCUSTEx stored;
    ASSERT_OK(mfc.Get(&stored, QStringLiteral("ACME")));
    EXPECT_EQ(stored.name.Text(), QStringLiteral("Acme Corp"));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001")));
    EXPECT_RC(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")), ZELV10RC_ALREADYDEFINED);
    EXPECT_EQ(Read("A00001").vol.Current().repositoryId.Text(), QStringLiteral("INIT"));
}

TEST_P(ZELVStoreTest, NewVolumeIsAtRestWhereItWasPut) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001")));
    const ZELVVOLSEx r = Read("A00001");
    EXPECT_EQ(r.vol.Current().repositoryId.Text(), QStringLiteral("INIT"));
    EXPECT_EQ(r.vol.Target().repositoryId.Text(), QStringLiteral("INIT"));
    EXPECT_EQ(r.vol.flags, 0u);
    EXPECT_EQ(r.vol.version, 1u);
    EXPECT_TRUE(r.vol.Confirmation().repositoryId.IsEmpty());
    ZELVVOLS missing;
    EXPECT_RC(
        mfc.Get(&missing, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("NOPE")),
        ZELV10RC_NOVOLUME);
}

TEST_P(ZELVStoreTest, UpdateCarriesWhatGetReadAndRefusesStaleRecords) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")));
    ZELVVOLSEx first = Read("A00001");
    ZELVVOLSEx second = Read("A00001");
    first.vol.Target().repositoryId = "VLT1";
    ASSERT_OK(mfc.Update(first));
    second.vol.Target().repositoryId = "TRN1";
    second.vol.threshold = 99;
    const CZELV10RC rc = mfc.Update(second);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_CHANGED));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("another user"))) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains(QLatin1String("ACME.LTO6.A00001"))) << rc.Get().toStdString();
    const ZELVVOLSEx now = Read("A00001");
    EXPECT_EQ(now.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(now.vol.threshold, 0);
    EXPECT_EQ(now.vol.version, 2u);
    // A record never read (version 0) cannot overwrite anything either.
    ZELVVOLSEx blind = NewVolume("ACME", "LTO6", "A00001", "DC01");
    EXPECT_RC(mfc.Update(blind), ZELV10RC_CHANGED);
}

TEST_P(ZELVStoreTest, TwoWorkstationsNeverOverwriteEachOther) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")));
    auto other = SecondConnection();
    ASSERT_TRUE(other->IsLoggedOn());
    ZELVVOLSEx mine = Read("A00001");
    ZELVVOLSEx theirs = NewVolume("ACME", "LTO6", "A00001");
    ASSERT_OK(other->Get(&theirs));
    theirs.vol.Target().repositoryId = "TRN1";
    ASSERT_OK(other->Update(theirs));
    mine.vol.Target().repositoryId = "VLT1";
    EXPECT_RC(mfc.Update(mine), ZELV10RC_CHANGED);
    EXPECT_EQ(Read("A00001").vol.Target().repositoryId.Text(), QStringLiteral("TRN1"));
    // Read again, the change goes through.
    mine = Read("A00001");
    mine.vol.Target().repositoryId = "VLT1";
    ASSERT_OK(mfc.Update(mine));
    ZELVVOLSEx check = NewVolume("ACME", "LTO6", "A00001");
    ASSERT_OK(other->Get(&check));
    EXPECT_EQ(check.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    std::vector<ZELVVOLHISTORY> history;
    ASSERT_OK(mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                       QStringLiteral("A00001")));
    QStringList machines;
    for (const ZELVVOLHISTORY& h : history)
        if (h.field.Text() == QLatin1String("target"))
            machines << h.machine.Text() + QLatin1Char(':') + h.newValue;
    EXPECT_EQ(machines, (QStringList{"ws-two:TRN1", "ws-one:VLT1"}));
}

// Another workstation holds the Volume (a row lock on PostgreSQL, the write
// lock on SQLite) in an open transaction: a change ends in "locked" after
// the busy timeout, never in a wait without end, and goes through once the
// other is done.
TEST_P(ZELVStoreTest, AVolumeHeldByAnotherSessionEndsInLockedNotAHang) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00002", "DC01")));
    auto holder = SecondConnection(QStringLiteral("ws-holder"));
    CZELV10MFC waiting;
    waiting.SetServerAddress(db->Address());
    waiting.SetBusyTimeout(300);
    ASSERT_OK(waiting.Logon());
    {
        CZELV10MFC::Batch held(*holder);
        ASSERT_OK(held.Begin());
        ZELVVOLSEx theirs = NewVolume("ACME", "LTO6", "A00002");
        ASSERT_OK(holder->Get(&theirs));
        theirs.vol.threshold = 11;
        ASSERT_OK(holder->Update(theirs));
        ZELVVOLSEx mine = NewVolume("ACME", "LTO6", "A00002");
        ASSERT_OK(waiting.Get(&mine)); // readers go on while another writes
        mine.vol.threshold = 22;
        EXPECT_RC(waiting.Update(mine), ZELV10RC_LOCKED);
        ASSERT_OK(held.Commit());
    }
    // The other's change stands; read again, the change goes through.
    ZELVVOLSEx mine = NewVolume("ACME", "LTO6", "A00002");
    ASSERT_OK(waiting.Get(&mine));
    EXPECT_EQ(mine.vol.threshold, 11);
    mine.vol.threshold = 22;
    ASSERT_OK(waiting.Update(mine));
    EXPECT_EQ(Read("A00002").vol.threshold, 22);
}

TEST_P(ZELVStoreTest, SendScanOutAndScanInRoundTrip) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")));
    // Send: target the vault with a return date and a 60-minute threshold.
    ZELVVOLSEx r = Read("A00001");
    r.vol.Target().repositoryId = "VLT1";
    r.vol.flags |= ZELVVOL_MOVEDATE;
    r.vol.moveDate = Day(2023, 12, 1);
    r.vol.threshold = 60;
    ASSERT_OK(mfc.Update(r));
    r = Read("A00001");
    EXPECT_EQ(r.vol.flags & (ZELVVOL_MOVING | ZELVVOL_MOVEDATE), ZELVVOL_MOVING | ZELVVOL_MOVEDATE);
    EXPECT_EQ(r.vol.moveTime, clock.Now());
    // Scan-Out.
    r.vol.flags |= ZELVVOL_SCANNEDOUT;
    ASSERT_OK(mfc.Update(r));
    // Two hours later it is overdue.
    clock.Advance(2 * 3600);
    EXPECT_TRUE(Read("A00001").vol.flags & ZELVVOL_OVERDUE);
    // Scan-In at the vault: arrived; the return to DC01 is planned for the date.
    ASSERT_OK(Confirm("A00001", "VLT1"));
    r = Read("A00001");
    EXPECT_EQ(r.vol.Current().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(r.vol.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(r.vol.flags & (ZELVVOL_SCANNEDOUT | ZELVVOL_OVERDUE), 0u);
    EXPECT_TRUE(r.vol.flags & ZELVVOL_SCHEDULED);
    ZELVMEDIAEx media;
    ASSERT_OK(mfc.Get(&media, QStringLiteral("ACME"), QStringLiteral("LTO6")));
    EXPECT_EQ(media.lastOffsite, clock.Now());
    EXPECT_EQ(media.offsiteDays, 0);
    // On the date the return is due and shows as incoming at DC01.
    clock.Set(Day(2023, 12, 1).ToTime() + 60);
    r = Read("A00001");
    EXPECT_FALSE(r.vol.flags & ZELVVOL_SCHEDULED);
    ZELVREPOSITORYFULL dc;
    ASSERT_OK(mfc.Get(&dc, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("DC01")));
    EXPECT_EQ(dc.incoming, 1);
    ASSERT_OK(Confirm("A00001", "DC01"));
    r = Read("A00001");
    EXPECT_EQ(r.vol.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(r.vol.flags & (ZELVVOL_MOVING | ZELVVOL_MOVEDATE), 0u);

    std::vector<ZELVVOLHISTORY> history;
    ASSERT_OK(mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                       QStringLiteral("A00001")));
    int confirms = 0;
    for (const ZELVVOLHISTORY& h : history) {
        EXPECT_EQ(h.userId.Text(), mfc.CurrentUser());
        EXPECT_EQ(h.machine.Text(), QStringLiteral("ws-one"));
        EXPECT_EQ(h.programId, CZELV10MFC::kProgramDesk);
        if (h.field.Text() == QLatin1String("confirmed_at"))
            ++confirms;
    }
    EXPECT_EQ(confirms, 2);
    EXPECT_EQ(history.front().action.Text(), QStringLiteral("add"));
}

TEST_P(ZELVStoreTest, CountsAreTrueToTheVolumeRows) {
    // DC01: 3 at rest, 2 going to VLT1 (one scanned out), 1 scratch.
    for (const char* v : {"A1", "A2", "A3", "A4", "A5"})
        ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", v, "DC01")));
    ZELVVOLSEx scratch = NewVolume("ACME", "LTO6", "S1", "DC01");
    scratch.vol.flags = ZELVVOL_SCRATCH;
    ASSERT_OK(mfc.Add(scratch));
    for (const char* v : {"A4", "A5"}) {
        ZELVVOLSEx r = Read(v);
        r.vol.Target().repositoryId = "VLT1";
        r.vol.threshold = 1;
        ASSERT_OK(mfc.Update(r));
    }
    ZELVVOLSEx out = Read("A5");
    out.vol.flags |= ZELVVOL_SCANNEDOUT;
    ASSERT_OK(mfc.Update(out));
    // Pool at DC01 wants 3 scratch Volumes: deficit 2.
    ZELVREPOSITORYFULL pool;
    pool.customerId = "ACME";
    pool.mediaId = "LTO6";
    pool.repositoryId = "DC01";
    pool.localFlags = ZELVREP_SCRATCHPOOL | ZELVREP_HOME;
    pool.scratchRequired = 3;
    ASSERT_OK(mfc.Put(pool));
    clock.Advance(120);

    ZELVREPOSITORYFULL dc, vault;
    ASSERT_OK(mfc.Get(&dc, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("DC01")));
    ASSERT_OK(
        mfc.Get(&vault, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("VLT1")));
    EXPECT_EQ(dc.volumes, 6u);
    EXPECT_EQ(dc.outgoing, 2);
    EXPECT_EQ(dc.scannedOut, 1);
    EXPECT_EQ(dc.scratch, 1);
    EXPECT_EQ(dc.incoming, 0);
    EXPECT_EQ(dc.flags & ZELVREP_HOME, ZELVREP_HOME);
    EXPECT_EQ(vault.incoming, 2);
    EXPECT_EQ(vault.volumes, 0u);

    std::vector<ZELVCUSTEx> customers;
    ASSERT_OK(mfc.List(&customers));
    ASSERT_EQ(customers.size(), 1u);
    EXPECT_EQ(customers[0].volumes, 6u);
    EXPECT_EQ(customers[0].moves, 2u);
    EXPECT_EQ(customers[0].chartCount, 1) << "CONT has no Volumes yet";

    std::vector<ZELVMEDIAEx> media;
    ASSERT_OK(mfc.List(&media, QStringLiteral("ACME")));
    ASSERT_EQ(media.size(), 2u);
    const ZELVMEDIAEx& lto = media[1];
    EXPECT_EQ(lto.mediaId.Text(), QStringLiteral("LTO6"));
    EXPECT_EQ(lto.volumes, 6u);
    EXPECT_EQ(lto.moves, 2u);
    EXPECT_EQ(lto.overdue, 2u);
    EXPECT_EQ(lto.scratchDeficit, 2u);

    // Another workstation's arrival changes what everybody counts.
    auto other = SecondConnection();
    ZELVVOLSEx arrived = NewVolume("ACME", "LTO6", "A5");
    ASSERT_OK(other->Get(&arrived));
    arrived.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_OK(other->Update(arrived));
    ASSERT_OK(mfc.Get(&dc, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("DC01")));
    ASSERT_OK(
        mfc.Get(&vault, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("VLT1")));
    EXPECT_EQ(dc.volumes, 5u);
    EXPECT_EQ(dc.scannedOut, 0);
    EXPECT_EQ(vault.volumes, 1u);
    EXPECT_EQ(vault.incoming, 1);
}

TEST_P(ZELVStoreTest, MovingFilterListsOnlyMovingVolumes) {
    for (const char* v : {"A1", "A2", "A3"})
        ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", v, "DC01")));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A4", "DC01", "VLT1")));
    ZELVVOLFLAGS moving;
    moving.mustSet = ZELVVOL_MOVING;
    std::vector<ZELVVOLSFULL> list;
    uint32_t total = 0, matched = 0, movingCount = 0;
    ASSERT_OK(mfc.List(&list, QStringLiteral("ACME"), QStringLiteral("LTO6"), &moving, &total,
                       &matched, &movingCount));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].key.volumeId.Text(), QStringLiteral("A4"));
    EXPECT_EQ(total, 4u);
    EXPECT_EQ(matched, 1u);
    EXPECT_EQ(movingCount, 1u);
    // Paging through all of them.
    ASSERT_OK(mfc.List(&list, QStringLiteral("ACME"), QStringLiteral("LTO6"), nullptr, nullptr,
                       nullptr, nullptr, 1, 2));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].key.volumeId.Text(), QStringLiteral("A2"));
    EXPECT_EQ(list[1].key.volumeId.Text(), QStringLiteral("A3"));
}

TEST_P(ZELVStoreTest, ContainersGetNumbersAndCountTheirContents) {
    // By the Media Type's pattern, and by the caller's flag.
    ASSERT_OK(mfc.Add(NewVolume("ACME", "CONT", "C0001", "DC01")));
    ZELVVOLSEx flagged = NewVolume("ACME", "LTO6", "BOX1", "DC01");
    flagged.vol.flags = ZELVVOL_CONTAINER;
    flagged.vol.capacity = 2;
    ASSERT_OK(mfc.Add(flagged));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "CONT", "X0001", "DC01")));
    std::vector<ZELV10CONTAINER> containers;
    ASSERT_OK(mfc.List(&containers));
    ASSERT_EQ(containers.size(), 2u);
    EXPECT_EQ(containers[0].number, 1u);
    EXPECT_EQ(containers[0].key.Text(), QStringLiteral("ACME.CONT.C0001"));
    EXPECT_EQ(containers[1].number, 2u);
    EXPECT_EQ(containers[1].key.Text(), QStringLiteral("ACME.LTO6.BOX1"));

    ZELVVOLSEx inBox = NewVolume("ACME", "LTO6", "A1", "DC01");
    inBox.vol.container = 2;
    ASSERT_OK(mfc.Add(inBox));
    ZELVVOLSEx nowhere = NewVolume("ACME", "LTO6", "A2", "DC01");
    nowhere.vol.container = 77;
    EXPECT_RC(mfc.Add(nowhere), ZELV10RC_NOCONTAINER);
    ZELVVOLSEx a1 = Read("A1");
    EXPECT_EQ(a1.vol.container, 2u);
    std::vector<ZELVVOLSKey> contents;
    ASSERT_OK(mfc.List(&contents, 2));
    ASSERT_EQ(contents.size(), 1u);
    EXPECT_EQ(contents[0].Text(), QStringLiteral("ACME.LTO6.A1"));
    ZELVVOLSFULL box;
    ASSERT_OK(
        mfc.Get(&box, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("BOX1")));
    EXPECT_TRUE(box.vol.flags & ZELVVOL_CONTAINER);
    EXPECT_EQ(box.vol.container, 2u);
    EXPECT_EQ(box.vol.capacity, 2);
    EXPECT_EQ(box.used, 1u);
    // A Container keeps its own number whatever an update says.
    ZELVVOLSEx boxRecord = Read("BOX1");
    boxRecord.vol.container = 1;
    ASSERT_OK(mfc.Update(boxRecord));
    EXPECT_EQ(Read("BOX1").vol.container, 2u);
    EXPECT_RC(mfc.List(&contents, 99), ZELV10RC_NOCONTAINER);
}

TEST_P(ZELVStoreTest, FailedUpdateLeavesNothingBehind) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")));
    const qint64 historyBefore = Count("volume_history");
    ZELVVOLSEx r = Read("A00001");
    r.vol.Target().repositoryId = "VLT1";
    r.vol.dataCluster = 9; // no such Data-Cluster
    EXPECT_RC(mfc.Update(r), ZELV10RC_NOCLUSTER);
    r.vol.dataCluster = 1;
    r.vol.consignment = 555;
    EXPECT_RC(mfc.Update(r), ZELV10RC_NOCONSIGNMENT);
    r.vol.consignment = 0;
    r.vol.Target().repositoryId = "GONE";
    EXPECT_RC(mfc.Update(r), ZELV10RC_NOREPOSITORY);
    const ZELVVOLSEx now = Read("A00001");
    EXPECT_EQ(now.vol.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(now.vol.version, 1u);
    EXPECT_EQ(Count("volume_history"), historyBefore);
}

TEST_P(ZELVStoreTest, DescriptionIsAttributeZeroAndSetsItsFlag) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01")));
    ZELVATTRIBUTE attr;
    EXPECT_RC(
        mfc.Get(&attr, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001"), 0),
        ZELV10RC_NOATTRIBUTE);
    ZELVATTRIBUTEEx put;
    put.key = NewVolume("ACME", "LTO6", "A00001").key;
    put.value = "Month-end payroll; keep 7 years \"legal\"";
    ASSERT_OK(mfc.Put(put));
    EXPECT_TRUE(Read("A00001").vol.flags & ZELVVOL_DESCRIPTION);
    ASSERT_OK(mfc.Get(&attr, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                      QStringLiteral("A00001"), 0));
    EXPECT_EQ(attr.value.Text(), put.value.Text());
    std::vector<ZELVATTRIBUTEFULL> all;
    ASSERT_OK(mfc.List(&all, QStringLiteral("ACME"), QStringLiteral("LTO6")));
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].key.Text(), QStringLiteral("ACME.LTO6.A00001"));
    // Emptied: gone, and the flag with it; both changes are in the history.
    put.value.Clear();
    ASSERT_OK(mfc.Put(put));
    EXPECT_FALSE(Read("A00001").vol.flags & ZELVVOL_DESCRIPTION);
    std::vector<ZELVVOLHISTORY> history;
    ASSERT_OK(mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                       QStringLiteral("A00001")));
    ASSERT_GE(history.size(), 3u);
    EXPECT_EQ(history.back().field.Text(), QStringLiteral("description"));
    EXPECT_EQ(history.back().oldValue, QStringLiteral("Month-end payroll; keep 7 years \"legal\""));
    EXPECT_TRUE(history.back().newValue.isEmpty());
}

TEST_P(ZELVStoreTest, AttributeTypesRoundTrip) {
    ZELVATTRIBUTETYPE types;
    types.customerId = "ACME";
    types.entries[0].name = "Retention";
    types.entries[0].flags = 2 << 2;
    types.entries[199].name = "Encrypted";
    types.entries[199].flags = 3 << 2;
    ASSERT_OK(mfc.Put(types));
    ZELVATTRIBUTETYPE back;
    ASSERT_OK(mfc.Get(&back, QStringLiteral("ACME")));
    EXPECT_EQ(back.entries[0].name.Text(), QStringLiteral("Retention"));
    EXPECT_EQ(back.entries[199].flags, 3u << 2);
    EXPECT_TRUE(back.entries[1].name.IsEmpty());
    EXPECT_RC(mfc.Get(&back, QStringLiteral("NONE")), ZELV10RC_NOCUSTOMER);
}

TEST_P(ZELVStoreTest, HolidaysOfTheSiteAndOfOneCustomer) {
    const auto day = [](const char* customer, int y, int m, int d, const char* name) {
        ZELVHOLIDAY h;
        h.customerId = customer;
        h.day.SetDate(y, m, d);
        h.name = name;
        return h;
    };
    ASSERT_OK(mfc.PutHolidays(QString(), {day("", 2027, 12, 25, "Christmas Day"),
                                          day("", 2027, 1, 1, "New Year's Day")}));
    ASSERT_OK(mfc.PutHolidays(QStringLiteral("ACME"), {day("ACME", 2027, 1, 1, "ACME closed"),
                                                       day("ACME", 2027, 3, 3, "Stocktake")}));
    // Refused whole: nothing of a bad list replaces what is there.
    EXPECT_RC(mfc.PutHolidays(QStringLiteral("ACME"),
                              {day("ACME", 2027, 5, 5, "A"), day("ACME", 2027, 5, 5, "B")}),
              ZELV10RC_EXISTS);
    EXPECT_RC(mfc.PutHolidays(QStringLiteral("ACME"), {day("", 2027, 5, 5, "Site")}),
              ZELV10RC_BADVALUE);
    EXPECT_RC(mfc.PutHolidays(QStringLiteral("NONE"), {}), ZELV10RC_NOCUSTOMER);
    struct Row {
        const char* customer;
        int y, m, d;
        uint32_t code;
        const char* text;
    };
    const Row rows[] = {
        {"ACME", 2027, 1, 1, ZELV10RC_OK, "ACME closed"},     // its own name first
        {"ACME", 2027, 12, 25, ZELV10RC_OK, "Christmas Day"}, // the site's
        {"ACME", 2027, 3, 3, ZELV10RC_OK, "Stocktake"},
        {"GLBX", 2027, 3, 3, ZELV10RC_NOHOLIDAY, ""}, // not another Customer's
        {"GLBX", 2027, 1, 1, ZELV10RC_OK, "New Year's Day"},
        {"ACME", 2027, 1, 2, ZELV10RC_NOHOLIDAY, ""}, // a Saturday is no holiday by itself
        {"ACME", 2027, 5, 5, ZELV10RC_NOHOLIDAY, ""},
    };
    for (const Row& r : rows) {
        CZELVDate date;
        date.SetDate(r.y, r.m, r.d);
        QString text;
        EXPECT_RC(mfc.CheckHoliday(QLatin1String(r.customer), date, &text), r.code);
        EXPECT_EQ(text, QLatin1String(r.text)) << r.customer << " " << r.m << "/" << r.d;
    }
    EXPECT_RC(mfc.CheckHoliday(QStringLiteral("ACME"), CZELVDate(), nullptr), ZELV10RC_BADVALUE);
    std::vector<ZELVHOLIDAY> list;
    ASSERT_OK(mfc.List(&list, QStringLiteral("ACME")));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name.Text(), QStringLiteral("Stocktake"));
}

TEST_P(ZELVStoreTest, ConsignmentsMoveForwardOnly) {
    ZELVCONSIGNEx c;
    c.customerId = "ACME";
    c.comments[0] = "Deliver to loading bay 3";
    c.description = "Audit recall";
    c.required = 1700100000;
    uint32_t number = 0;
    ASSERT_OK(mfc.Put(c, &number));
    ASSERT_GT(number, 0u);
    ASSERT_OK(mfc.EditConsignment(number, ZELVCONSIGN_CAST, QStringLiteral("Automatically Cast")));
    EXPECT_RC(mfc.EditConsignment(number, ZELVCONSIGN_OPEN, QStringLiteral("back")),
              ZELV10RC_NOTALLOWED);
    EXPECT_RC(mfc.EditConsignment(number, 9, QStringLiteral("x")), ZELV10RC_BADVALUE);
    EXPECT_RC(mfc.EditConsignment(number + 100, ZELVCONSIGN_CAST, QStringLiteral("x")),
              ZELV10RC_NOCONSIGNMENT);
    ZELVCONSIGNEx back;
    ASSERT_OK(mfc.Get(&back, number));
    EXPECT_EQ(back.status, static_cast<uint32_t>(ZELVCONSIGN_CAST));
    EXPECT_EQ(back.comments[0].Text(), QStringLiteral("Deliver to loading bay 3"));
    EXPECT_EQ(back.createdBy.Text(), mfc.CurrentUser());
    EXPECT_EQ(Count("consignment_event"), 2);
    // A recalled Volume carries the Consignment.
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "VLT1")));
    ZELVVOLSEx r = Read("A00001");
    r.vol.Target().repositoryId = "DC01";
    r.vol.consignment = number;
    ASSERT_OK(mfc.Update(r));
    EXPECT_EQ(Read("A00001").vol.consignment, number);
}

TEST_P(ZELVStoreTest, ReportScanKeepsWhatWasScanned) {
    clock.Set(1700001234);
    ASSERT_OK(
        mfc.ReportScan(QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("ZZ'9;%")));
    EXPECT_RC(mfc.ReportScan(QStringLiteral("ACME"), QStringLiteral("LTO6"), QString()),
              ZELV10RC_BADIDENTIFIER);
    std::vector<ZELVSCANREPORT> reports;
    ASSERT_OK(mfc.List(&reports));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].key.Text(), QStringLiteral("ACME.LTO6.ZZ'9;%"));
    EXPECT_EQ(reports[0].when, 1700001234);
    EXPECT_EQ(reports[0].userId.Text(), mfc.CurrentUser());
    EXPECT_EQ(reports[0].machine.Text(), QStringLiteral("ws-one"));
}

TEST_P(ZELVStoreTest, SlotsResolveToZones) {
    ZELVABSLOC loc;
    ASSERT_OK(mfc.ResolveSlot(&loc, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                              QStringLiteral("LIB1"), 112));
    EXPECT_EQ(loc.zoneName.Text(), QStringLiteral("ZoneA"));
    EXPECT_EQ(loc.zoneSlot, 13u);
    EXPECT_EQ(CZELV10MFC::FormatZoneSlot(loc.zoneSlot), QStringLiteral("0013"));
    EXPECT_RC(mfc.ResolveSlot(&loc, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                              QStringLiteral("LIB1"), 150),
              ZELV10RC_NOZONE);
    EXPECT_RC(mfc.ResolveSlot(&loc, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                              QStringLiteral("LIB1"), 0),
              ZELV10RC_NOZONE);
    ZELVZONE overlap;
    overlap.repositoryId = "LIB1";
    overlap.name = "ZoneB";
    overlap.firstSlot = 149;
    overlap.slotCount = 10;
    EXPECT_RC(mfc.Add(overlap), ZELV10RC_NOTALLOWED);
    overlap.firstSlot = 150;
    ASSERT_OK(mfc.Add(overlap));

    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "A00001", "DC01", "LIB1");
    v.vol.Target().slot = 151;
    ASSERT_OK(mfc.Add(v));
    ZELVVOLABS abs;
    EXPECT_RC(
        mfc.Get(&abs, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001")),
        ZELV10RC_NOZONE); // it is not in a zone yet
    EXPECT_EQ(abs.target.zoneName.Text(), QStringLiteral("ZoneB"));
    EXPECT_EQ(abs.target.zoneSlot, 2u);
    ASSERT_OK(Confirm("A00001", "LIB1", 151));
    ASSERT_OK(
        mfc.Get(&abs, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001")));
    EXPECT_EQ(abs.current.zoneName.Text(), QStringLiteral("ZoneB"));
    EXPECT_EQ(abs.current.slot, 151u);
}

// The locations of a whole Media Type in one read agree with the reads of
// one Volume each: zones at their first and last slot, slot 0, slots outside
// every zone, Repositories without zones; the filter keeps the moving ones.
TEST_P(ZELVStoreTest, LocationsOfAMediaTypeAgreeWithOneVolumeReads) {
    ZELVZONE b;
    b.repositoryId = "LIB1";
    b.name = "ZoneB-twenty-chars-x";
    b.firstSlot = 150;
    b.slotCount = 10;
    ASSERT_OK(mfc.Add(b));
    const struct {
        const char* id;
        const char* at;
        uint32_t atSlot;
        const char* target;
        uint32_t targetSlot;
        const char* currentZone; // "" for none
        uint32_t currentZoneSlot;
        const char* targetZone;
        uint32_t targetZoneSlot;
    } rows[] = {
        {"V01", "LIB1", 100, "DC01", 0, "ZoneA", 1, "", 0},
        {"V02", "LIB1", 149, nullptr, 0, "ZoneA", 50, "ZoneA", 50},
        {"V03", "DC01", 0, "LIB1", 159, "", 0, "ZoneB-twenty-chars-x", 10},
        {"V04", "DC01", 0, "LIB1", 160, "", 0, "", 0},
        {"V05", "DC01", 0, "LIB1", 99, "", 0, "", 0},
        {"V06", "VLT1", 7, "LIB1", 150, "", 0, "ZoneB-twenty-chars-x", 1},
        {"V07", "DC01", 0, nullptr, 0, "", 0, "", 0},
    };
    for (const auto& r : rows) {
        ZELVVOLSEx v = NewVolume("ACME", "LTO6", r.id, r.at, r.target);
        v.vol.Current().slot = r.atSlot;
        v.vol.Confirmation().slot = r.atSlot;
        v.vol.Target().slot = r.target ? r.targetSlot : r.atSlot;
        ASSERT_OK(mfc.Add(v));
    }
    std::vector<ZELVVOLABS> all;
    ASSERT_OK(mfc.List(&all, QStringLiteral("ACME"), QStringLiteral("LTO6")));
    ASSERT_EQ(all.size(), std::size(rows));
    for (size_t i = 0; i < all.size(); ++i) {
        const auto& r = rows[i];
        SCOPED_TRACE(r.id);
        const ZELVVOLABS& a = all[i];
        EXPECT_EQ(a.key.Text(), QStringLiteral("ACME.LTO6.%1").arg(QLatin1String(r.id)));
        EXPECT_EQ(a.current.zoneName.Text(), QLatin1String(r.currentZone));
        EXPECT_EQ(a.current.zoneSlot, r.currentZoneSlot);
        EXPECT_EQ(a.target.zoneName.Text(), QLatin1String(r.targetZone));
        EXPECT_EQ(a.target.zoneSlot, r.targetZoneSlot);
        ZELVVOLABS one;
        mfc.Get(&one, QStringLiteral("ACME"), QStringLiteral("LTO6"), QLatin1String(r.id));
        for (const auto& [bulk, single] :
             {std::pair{a.current, one.current}, std::pair{a.target, one.target}}) {
            EXPECT_EQ(bulk.repositoryId.Text(), single.repositoryId.Text());
            EXPECT_EQ(bulk.slot, single.slot);
            EXPECT_EQ(bulk.zoneName.Text(), single.zoneName.Text());
            EXPECT_EQ(bulk.zoneSlot, single.zoneSlot);
        }
    }
    ZELVVOLFLAGS moving;
    moving.mustSet = ZELVVOL_MOVING;
    std::vector<ZELVVOLABS> some;
    ASSERT_OK(mfc.List(&some, QStringLiteral("ACME"), QStringLiteral("LTO6"), &moving));
    QStringList ids;
    for (const ZELVVOLABS& a : some)
        ids << a.key.volumeId.Text();
    EXPECT_EQ(ids, (QStringList{"V01", "V03", "V04", "V05", "V06"}));
    EXPECT_RC(mfc.List(&some, QStringLiteral("ACME"), QStringLiteral("NONE")), ZELV10RC_NOMEDIA);
    EXPECT_EQ(some.size(), 5u); // a refused read leaves the list as it was
    EXPECT_RC(mfc.List(&some, QStringLiteral("AC'E"), QStringLiteral("LTO6")),
              ZELV10RC_BADIDENTIFIER);
}

TEST_P(ZELVStoreTest, BulkAddIsAllOrNothing) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "B000450")));
    const qint64 before = Count("volume");
    const qint64 historyBefore = Count("volume_history");
    // The 451st Volume is there already: none of the batch is written.
    int i = 0;
    uint64_t added = 99;
    CZELV10RC rc = mfc.AddVolumes(
        [&](ZELVVOLSEx* v, QString* description) {
            if (i == 1000)
                return false;
            *v = NewVolume("ACME", "LTO6", QString::asprintf("B%06d", i++).toLatin1().constData(),
                           "DC01");
            *description = QStringLiteral("bulk");
            return true;
        },
        &added);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_ALREADYDEFINED)) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains(QLatin1String("ACME.LTO6.B000450"))) << rc.Get().toStdString();
    EXPECT_EQ(added, 0u);
    EXPECT_EQ(Count("volume"), before);
    EXPECT_EQ(Count("volume_history"), historyBefore);
    EXPECT_EQ(Count("attribute"), 0);
    // The same key twice in one batch, and an unknown Repository late in it.
    i = 0;
    rc = mfc.AddVolumes([&](ZELVVOLSEx* v, QString*) {
        if (i == 3)
            return false;
        *v = NewVolume("ACME", "LTO6", "C1", "DC01");
        ++i;
        return true;
    });
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_ALREADYDEFINED)) << rc.Get().toStdString();
    i = 0;
    rc = mfc.AddVolumes([&](ZELVVOLSEx* v, QString*) {
        if (i == 900)
            return false;
        *v = NewVolume("ACME", "LTO6", QString::asprintf("D%06d", i).toLatin1().constData(),
                       i == 899 ? "NOPE" : "DC01");
        ++i;
        return true;
    });
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_NOREPOSITORY)) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains(QLatin1String("Volume 900"))) << rc.Get().toStdString();
    EXPECT_EQ(Count("volume"), before);
    // A good batch goes in whole, with its descriptions and history.
    i = 0;
    ASSERT_OK(mfc.AddVolumes(
        [&](ZELVVOLSEx* v, QString* description) {
            if (i == 1000)
                return false;
            *v = NewVolume("ACME", "LTO6", QString::asprintf("E%06d", i).toLatin1().constData(),
                           "DC01");
            if (i % 2)
                *description = QStringLiteral("odd %1").arg(i);
            ++i;
            return true;
        },
        &added));
    EXPECT_EQ(added, 1000u);
    EXPECT_EQ(Count("volume"), before + 1000);
    EXPECT_EQ(Count("attribute"), 500);
    EXPECT_EQ(Count("volume_history"), historyBefore + 1000);
    EXPECT_TRUE(Read("E000001").vol.flags & ZELVVOL_DESCRIPTION);
    EXPECT_FALSE(Read("E000002").vol.flags & ZELVVOL_DESCRIPTION);
}

TEST_P(ZELVStoreTest, BatchKeepsItsCallsTogetherOrDropsThemAll) {
    std::unique_ptr<CZELV10MFC> other = SecondConnection();
    auto customer = [](const char* id) {
        ZELVCUSTEx c;
        c.customerId = id;
        return c;
    };
    // What another workstation sees: only what was committed.
    auto seen = [&] {
        std::vector<ZELVCUSTEx> list;
        const CZELV10RC rc = other->List(&list);
        EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
        QStringList ids;
        for (const ZELVCUSTEx& c : list)
            ids << c.customerId.Text();
        return ids.join(QLatin1Char(' ')).toStdString();
    };
    ASSERT_TRUE(db->Refuse(QStringLiteral("data_cluster"), QStringLiteral("INSERT"),
                           QStringLiteral("refused here")));
    {
        CZELV10MFC::Batch batch(mfc);
        ASSERT_OK(batch.Begin());
        ASSERT_OK(mfc.Add(customer("BETA")));
        // A call whose statement fails undoes only itself, and the batch goes
        // on: on PostgreSQL the failed statement would spoil the transaction.
        ZELVCLUSTEREx cluster;
        cluster.customerId = "ACME";
        cluster.name = "Weekly";
        const CZELV10RC refused = mfc.Add(cluster);
        EXPECT_FALSE(refused.IsOK());
        EXPECT_TRUE(refused.Get().contains(QLatin1String("refused here")))
            << refused.Get().toStdString();
        ASSERT_OK(mfc.Add(customer("GAMA")));
        {
            CZELV10MFC::Batch inner(mfc);
            ASSERT_OK(inner.Begin());
            ASSERT_OK(mfc.Add(customer("DELT")));
        } // left without Commit: undone alone
        {
            CZELV10MFC::Batch inner(mfc);
            ASSERT_OK(inner.Begin());
            ASSERT_OK(mfc.Add(customer("EPSI")));
            ASSERT_OK(inner.Commit());
        }
        EXPECT_EQ(seen(), "ACME");
        ASSERT_OK(batch.Commit());
    }
    EXPECT_EQ(seen(), "ACME BETA EPSI GAMA");
    EXPECT_EQ(Count("data_cluster"), 1);
    {
        CZELV10MFC::Batch batch(mfc);
        ASSERT_OK(batch.Begin());
        ASSERT_OK(mfc.Add(customer("ZETA")));
    }
    EXPECT_EQ(seen(), "ACME BETA EPSI GAMA");
    // Calls after a batch have transactions of their own again.
    ASSERT_OK(mfc.Add(customer("ETA1")));
    EXPECT_EQ(seen(), "ACME BETA EPSI ETA1 GAMA");
}

// A Media Type's Container pattern is checked when it is stored and when it
// is read; one on which fnmatch backtracks for minutes (holding the write
// lock, before) gives its answer at once wherever Volumes are added.
TEST_P(ZELVStoreTest, ContainerPatternsAreCheckedAndAnswerAtOnce) {
    ZELVMEDIAEx media;
    media.customerId = "ACME";
    media.mediaId = "LTO8";
    media.name = "LTO8";
    media.containerPattern = "CN\\";
    CZELV10RC rc = mfc.Add(media);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_BADVALUE)) << rc.Get().toStdString();
    EXPECT_EQ(rc.Detail(), QStringLiteral("Container pattern \"CN\\\" cannot be used. It ends in "
                                          "a backslash that quotes nothing."));
    EXPECT_EQ(
        db->Scalar(QStringLiteral("SELECT COUNT(*) FROM media WHERE media_id = 'LTO8'")).toInt(),
        0);
    ZELVMEDIAEx cont;
    ASSERT_OK(mfc.Get(&cont, QStringLiteral("ACME"), QStringLiteral("CONT")));
    cont.containerPattern = "[[:vowel:]]*";
    EXPECT_RC(mfc.Update(cont), ZELV10RC_BADVALUE);
    ASSERT_OK(mfc.Get(&cont, QStringLiteral("ACME"), QStringLiteral("CONT")));
    EXPECT_EQ(cont.containerPattern.Text(), QStringLiteral("C*"));

    // The runaway pattern is a good one.
    cont.containerPattern = "*(a|a|a|a)*(a|a|a|a)*(a|a|a)b";
    ASSERT_OK(mfc.Update(cont));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "CONT", "aaaaaaaaaa", "DC01")));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "CONT", "aaaaaaaaab", "DC01")));
    EXPECT_FALSE(Read("aaaaaaaaaa", "CONT").vol.flags & ZELVVOL_CONTAINER);
    EXPECT_TRUE(Read("aaaaaaaaab", "CONT").vol.flags & ZELVVOL_CONTAINER);
    ZELV10BARCODEPARSED parsed;
    ASSERT_OK(mfc.ParseBarCode(&parsed, QStringLiteral("ACME.CONT.aaaaaaaaac"), QString(),
                               QString(), nullptr));
    EXPECT_FALSE(parsed.flags & ZELVPARSED_CONTAINER);
    ASSERT_OK(mfc.ParseBarCode(&parsed, QStringLiteral("ACME.CONT.aaaaaaab"), QString(), QString(),
                               nullptr));
    EXPECT_TRUE(parsed.flags & ZELVPARSED_CONTAINER);
    const char* const bulk[] = {"aaaaaaaaad", "aaab", "aaaaaaaab"};
    size_t i = 0;
    ASSERT_OK(mfc.AddVolumes([&](ZELVVOLSEx* v, QString*) {
        if (i == std::size(bulk))
            return false;
        *v = NewVolume("ACME", "CONT", bulk[i++], "DC01");
        return true;
    }));
    EXPECT_FALSE(Read("aaaaaaaaad", "CONT").vol.flags & ZELVVOL_CONTAINER);
    EXPECT_TRUE(Read("aaaaaaaab", "CONT").vol.flags & ZELVVOL_CONTAINER);

    // One stored before patterns were checked is refused when it is read:
    // nothing is added, and the message names the Media Type.
    ASSERT_TRUE(db->Exec(QStringLiteral(
        "UPDATE media SET container_pattern = 'C[[:vowel:]]' WHERE media_id = 'CONT'")));
    const qint64 before = Count("volume");
    rc = mfc.Add(NewVolume("ACME", "CONT", "C0002", "DC01"));
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_BADVALUE)) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Detail().contains(QLatin1String("of Media Type ACME.CONT cannot be used")))
        << rc.Get().toStdString();
    i = 0;
    rc = mfc.AddVolumes([&](ZELVVOLSEx* v, QString*) {
        if (i == 2)
            return false;
        *v = NewVolume("ACME", "CONT", i++ ? "C0003" : "C0004", "DC01");
        return true;
    });
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_BADVALUE)) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Detail().startsWith(QLatin1String("Volume 1: Container pattern")))
        << rc.Get().toStdString();
    EXPECT_EQ(Count("volume"), before);
    ASSERT_OK(mfc.ParseBarCode(&parsed, QStringLiteral("ACME.CONT.C0002"), QString(), QString(),
                               nullptr));
    EXPECT_FALSE(parsed.flags & ZELVPARSED_CONTAINER);
    // A Volume the caller makes a Container needs no pattern.
    ZELVVOLSEx box = NewVolume("ACME", "CONT", "BOX1", "DC01");
    box.vol.flags = ZELVVOL_CONTAINER;
    ASSERT_OK(mfc.Add(box));
    EXPECT_EQ(Count("volume"), before + 1);
}

TEST_P(ZELVStoreTest, DisabledUserIsRefused) {
    ASSERT_TRUE(db->Exec(QStringLiteral("UPDATE app_user SET flags = 128 WHERE user_id = '%1'")
                             .arg(mfc.CurrentUser())));
    CZELV10MFC again;
    again.SetServerAddress(db->Address());
    const CZELV10RC rc = again.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_USERDISABLED)) << rc.Get().toStdString();
    EXPECT_FALSE(again.IsLoggedOn());
}

TEST(ZELVEmbeddedPassword, StoredAsArgon2idAndChecked) {
    ZelvTestDb db(TestEngine::SQLite);
    ZELVServerAddress address = db.Address();
    address.user = QStringLiteral("operator1");
    CZELV10MFC mfc;
    mfc.SetServerAddress(address);
    ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
    const auto hash = [&] {
        return db
            .Scalar(
                QStringLiteral("SELECT password_hash FROM app_user WHERE user_id = 'operator1'"))
            .toString();
    };
    // The first password, from the database's making, is a hash too.
    EXPECT_TRUE(hash().startsWith(QLatin1String("$argon2id$"))) << hash().toStdString();
    ASSERT_TRUE(mfc.SetPassword(QStringLiteral("operator1"), QStringLiteral("s3cret pass")).IsOK());
    EXPECT_TRUE(hash().startsWith(QLatin1String("$argon2id$"))) << hash().toStdString();
    EXPECT_FALSE(hash().contains(QLatin1String("s3cret")));
    mfc.Logoff();

    CZELV10MFC wrong;
    address.password = QStringLiteral("guess");
    wrong.SetServerAddress(address);
    EXPECT_EQ(wrong.Logon().Code(), static_cast<uint32_t>(ZELV10RC_WRONGPASSWORD));
    CZELV10MFC right;
    address.password = QStringLiteral("s3cret pass");
    right.SetServerAddress(address);
    ASSERT_TRUE(right.Logon().IsOK());
    EXPECT_EQ(right.SetPassword(QStringLiteral("nobody"), QStringLiteral("x")).Code(),
              static_cast<uint32_t>(ZELV10RC_NOTALLOWED));
    // No password, or a short one, would leave the account open or easy to guess.
    const QString before = hash();
    for (const QString& weak : {QString(), QStringLiteral("short")})
        EXPECT_EQ(right.SetPassword(QStringLiteral("operator1"), weak).Code(),
                  static_cast<uint32_t>(ZELV10RC_BADVALUE));
    EXPECT_EQ(hash(), before);
    // A user whose password is gone cannot log on at all.
    ASSERT_TRUE(db.Exec(
        QStringLiteral("UPDATE app_user SET password_hash = NULL WHERE user_id = 'operator1'")));
    CZELV10MFC open;
    open.SetServerAddress(address);
    EXPECT_EQ(open.Logon().Code(), static_cast<uint32_t>(ZELV10RC_NOPASSWORD));
}

TEST(ZELV10RCText, EveryCodeHasItsOwnTextAndTheDetailFollows) {
    const uint32_t codes[] = {ZELV10RC_OK,
                              ZELV10RC_WRONGCUSTOMER,
                              ZELV10RC_WRONGMEDIA,
                              ZELV10RC_NOTREAD,
                              ZELV10RC_ALREADYDEFINED,
                              ZELV10RC_CONTAINERELSEWHERE,
                              ZELV10RC_NOTINLIST,
                              ZELV10RC_NOTUPDATED,
                              ZELV10RC_WRONGCONTAINER,
                              ZELV10RC_NOTLOGGEDON,
                              ZELV10RC_LOGONFAILED,
                              ZELV10RC_CONNECTIONLOST,
                              ZELV10RC_UNREACHABLE,
                              ZELV10RC_SCHEMATOONEW,
                              ZELV10RC_SCHEMAFAILED,
                              ZELV10RC_NOTADATABASE,
                              ZELV10RC_DAMAGED,
                              ZELV10RC_READONLY,
                              ZELV10RC_LOCKED,
                              ZELV10RC_CANNOTOPEN,
                              ZELV10RC_DATABASEERROR,
                              ZELV10RC_DISKFULL,
                              ZELV10RC_BADIDENTIFIER,
                              ZELV10RC_TEXTTOOLONG,
                              ZELV10RC_BADTEXT,
                              ZELV10RC_BADVALUE,
                              ZELV10RC_NOCUSTOMER,
                              ZELV10RC_NOMEDIA,
                              ZELV10RC_NOREPOSITORY,
                              ZELV10RC_NOVOLUME,
                              ZELV10RC_NOCONTAINER,
                              ZELV10RC_NOCLUSTER,
                              ZELV10RC_NOCONSIGNMENT,
                              ZELV10RC_NOUSER,
                              ZELV10RC_NOGROUP,
                              ZELV10RC_NOZONE,
                              ZELV10RC_NOATTRIBUTE,
                              ZELV10RC_EXISTS,
                              ZELV10RC_CHANGED,
                              ZELV10RC_NOTALLOWED,
                              ZELV10RC_BARCODEEMPTY,
                              ZELV10RC_BARCODETOOLONG,
                              ZELV10RC_BADBARCODE,
                              ZELV10RC_NODEFAULTS,
                              ZELV10RC_USERDISABLED,
                              ZELV10RC_WRONGPASSWORD,
                              ZELV10RC_PASSWORDREQUIRED,
                              ZELV10RC_NOPASSWORD,
                              ZELV10RC_TOOLARGE};
    QSet<QString> texts;
    for (uint32_t code : codes) {
        const QString text = CZELV10RC::TextOf(code);
        EXPECT_FALSE(text.startsWith(QLatin1String("Unknown"))) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), static_cast<int>(std::size(codes))) << "two codes share a text";
    EXPECT_EQ(CZELV10RC(9999).Get(), QStringLiteral("Unknown result code 9999"));
    EXPECT_EQ(CZELV10RC(ZELV10RC_NOVOLUME, QStringLiteral("ACME.LTO6.A1")).Get(),
              QStringLiteral("Volume not found: ACME.LTO6.A1"));
    EXPECT_TRUE(CZELV10RC().IsOK(1));
    EXPECT_FALSE(CZELV10RC(ZELV10RC_NOTINLIST).IsOK(0));
}

TEST(ZELV10RCListCounts, CountsAndFormattedNotes) {
    CZELV10RCList list;
    list.Add(CZELV10RC(), "%s.%s.%s", "ACME", "LTO6", "A1");
    list.Add(CZELV10RC(ZELV10RC_CHANGED), "%s (%d)", "ACME.LTO6.A2", 2);
    list.Add(CZELV10RC(), QStringLiteral("ACME.LTO6.A3"));
    EXPECT_EQ(list.GetOKCount(), 2);
    EXPECT_EQ(list.GetNotOKCount(), 1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(0).note, QStringLiteral("ACME.LTO6.A1"));
    EXPECT_EQ(list.At(1).note, QStringLiteral("ACME.LTO6.A2 (2)"));
    EXPECT_EQ(list.At(1).rc.Code(), static_cast<uint32_t>(ZELV10RC_CHANGED));
}

struct BarcodeCase {
    const char* name;
    const char* barcode;
    const char* customer;
    const char* media;
    uint32_t code;
    const char* key;
    uint32_t flags;
};

} // namespace

// The barcode table runs on SQLite only: it tests parsing, not the engine.
class ZELVBarcodeTest : public ::testing::TestWithParam<BarcodeCase> {};

TEST_P(ZELVBarcodeTest, ParsesToAKeyOrSaysWhyNot) {
    const BarcodeCase& c = GetParam();
    ZelvTestDb db(TestEngine::SQLite);
    CZELV10MFC mfc;
    mfc.SetServerAddress(db.Address());
    ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
    ZELVCUSTEx cust;
    cust.customerId = "ACME";
    ASSERT_TRUE(mfc.Add(cust).IsOK());
    for (const char* m : {"LTO6", "CONT"}) {
        ZELVMEDIAEx media;
        media.customerId = "ACME";
        media.mediaId = m;
        media.containerPattern = QString::fromLatin1(m) == QLatin1String("CONT") ? "C*" : "";
        ASSERT_TRUE(mfc.Add(media).IsOK());
    }
    ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "A00001")).IsOK());
    ASSERT_TRUE(mfc.Add(NewVolume("ACME", "CONT", "C00001")).IsOK());
    ZELVConfig config;
    ASSERT_TRUE(config.ReadString(
        QStringLiteral("barcode = { suffixes = [\"L6\", \"L5\"]; uppercase = true; };")));

    ZELV10BARCODEPARSED parsed;
    const CZELV10RC rc =
        mfc.ParseBarCode(&parsed, QString::fromUtf8(c.barcode), QString::fromLatin1(c.customer),
                         QString::fromLatin1(c.media), &config);
    EXPECT_EQ(rc.Code(), c.code) << rc.Get().toStdString();
    EXPECT_FALSE(rc.Get().isEmpty());
    if (rc.IsOK()) {
        ZELVVOLSKey key;
        key.customerId = parsed.customerId;
        key.mediaId = parsed.mediaId;
        key.volumeId = parsed.volumeId;
        EXPECT_EQ(key.Text(), QString::fromLatin1(c.key));
        EXPECT_EQ(parsed.flags, c.flags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZELVBarcodeTest,
    ::testing::Values(
        BarcodeCase{"FullFormKnownVolume", "ACME.LTO6.A00001", "", "", ZELV10RC_OK,
                    "ACME.LTO6.A00001", ZELVPARSED_DEFINED},
        BarcodeCase{"DefaultsForABareVolume", "A00002", "ACME", "LTO6", ZELV10RC_OK,
                    "ACME.LTO6.A00002", 0},
        BarcodeCase{"SuffixAndCaseFolded", " a00001l6 ", "ACME", "LTO6", ZELV10RC_OK,
                    "ACME.LTO6.A00001", ZELVPARSED_DEFINED},
        BarcodeCase{"KnownContainer", "ACME.CONT.C00001", "", "", ZELV10RC_OK, "ACME.CONT.C00001",
                    ZELVPARSED_DEFINED | ZELVPARSED_CONTAINER},
        BarcodeCase{"NewContainerByPattern", "C00099", "ACME", "CONT", ZELV10RC_OK,
                    "ACME.CONT.C00099", ZELVPARSED_CONTAINER},
        BarcodeCase{"TenCharactersFit", "ABCDEFGHIJ", "ACME", "LTO6", ZELV10RC_OK,
                    "ACME.LTO6.ABCDEFGHIJ", 0},
        BarcodeCase{"ElevenCharactersAreTooLong", "ABCDEFGHIJK", "ACME", "LTO6",
                    ZELV10RC_BARCODETOOLONG, "", 0},
        BarcodeCase{"EmptyBarcode", "   ", "ACME", "LTO6", ZELV10RC_BARCODEEMPTY, "", 0},
        BarcodeCase{"OnlyTheSuffixIsNotStripped", "L6", "ACME", "LTO6", ZELV10RC_OK, "ACME.LTO6.L6",
                    0},
        BarcodeCase{"NoDefaults", "A00001", "", "", ZELV10RC_NODEFAULTS, "", 0},
        BarcodeCase{"TwoPartsOnly", "ACME.A00001", "", "", ZELV10RC_BADBARCODE, "", 0},
        BarcodeCase{"EmptyVolumePart", "ACME.LTO6.", "", "", ZELV10RC_BARCODEEMPTY, "", 0},
        BarcodeCase{"QuoteInBarcode", "A'1", "ACME", "LTO6", ZELV10RC_BADBARCODE, "", 0},
        BarcodeCase{"SemicolonInBarcode", "A;DROP", "ACME", "LTO6", ZELV10RC_BADBARCODE, "", 0},
        BarcodeCase{"PercentInBarcode", "A%", "ACME", "LTO6", ZELV10RC_BADBARCODE, "", 0},
        BarcodeCase{"NonAsciiInBarcode", "Ä0001", "ACME", "LTO6", ZELV10RC_BADBARCODE, "", 0}),
    [](const ::testing::TestParamInfo<BarcodeCase>& i) { return std::string(i.param.name); });

namespace {

// Scan-Out on the server: a Volume scanned out into a Container, the counts
// of the Scan-Out location list, a Data-Cluster given to an empty Container,
// a Container of another Customer, the Container's own move, and what the
// arrival at the target does.
TEST_P(ZELVStoreTest, ScanOutCarriesContainerAndFlagUntilTheArrival) {
    ZELVCUSTEx beta;
    beta.customerId = "BETA";
    ASSERT_OK(mfc.Add(beta));
    ZELVMEDIAEx betaMedia;
    betaMedia.customerId = "BETA";
    betaMedia.mediaId = "CONT";
    betaMedia.containerPattern = "C*";
    ASSERT_OK(mfc.Add(betaMedia));
    ASSERT_OK(mfc.Add(NewVolume("BETA", "CONT", "CB001", "DC01")));
    ZELVVOLSEx box = NewVolume("ACME", "CONT", "C0001", "DC01");
    box.vol.capacity = 3;
    ASSERT_OK(mfc.Add(box));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "CONT", "C0002", "DC01")));
    const uint32_t c1 = Read("C0001", "CONT").vol.container;
    const uint32_t c2 = Read("C0002", "CONT").vol.container;
    ZELVVOLS betaRecord;
    ASSERT_OK(mfc.Get(&betaRecord, QStringLiteral("BETA"), QStringLiteral("CONT"),
                      QStringLiteral("CB001")));
    const uint32_t betaBox = betaRecord.container;
    ASSERT_NE(c1, 0u);
    ASSERT_NE(betaBox, 0u);
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A1", "DC01", "VLT1")));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "A2", "DC01", "VLT1")));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "B1", "DC01")));

    auto counts = [&](const char* at) {
        ZELVREPOSITORYFULL r;
        EXPECT_TRUE(
            mfc.Get(&r, QStringLiteral("ACME"), QStringLiteral("LTO6"), QString::fromLatin1(at))
                .IsOK());
        return std::make_pair(int(r.outgoing), int(r.scannedOut));
    };
    auto history = [&](const char* v, const char* m = "LTO6") {
        std::vector<ZELVVOLHISTORY> rows;
        EXPECT_TRUE(
            mfc.List(&rows, QStringLiteral("ACME"), QString::fromLatin1(m), QString::fromLatin1(v))
                .IsOK());
        QStringList out;
        for (const ZELVVOLHISTORY& h : rows)
            if (h.action.Text() != QLatin1String("add"))
                out << h.action.Text() + QLatin1Char(' ') + h.field.Text() + QLatin1Char(' ') +
                           h.oldValue + QStringLiteral("->") + h.newValue;
        return out;
    };
    EXPECT_EQ(counts("DC01"), std::make_pair(2, 0));

    // Scanned out into the Container: both in one update, with history.
    ZELVVOLSEx a1 = Read("A1");
    a1.vol.flags |= ZELVVOL_SCANNEDOUT;
    a1.vol.container = c1;
    ASSERT_OK(mfc.Update(a1));
    EXPECT_EQ(counts("DC01"), std::make_pair(2, 1));
    EXPECT_EQ(history("A1"), (QStringList{QStringLiteral("update flags 0x00000040->0x00000048"),
                                          QStringLiteral("update container 0->%1").arg(c1)}));
    ZELVVOLSFULL full;
    ASSERT_OK(
        mfc.Get(&full, QStringLiteral("ACME"), QStringLiteral("CONT"), QStringLiteral("C0001")));
    EXPECT_EQ(full.used, 1u);

    // Another Customer's Container is refused, and nothing is written.
    ZELVVOLSEx a2 = Read("A2");
    a2.vol.flags |= ZELVVOL_SCANNEDOUT;
    a2.vol.container = betaBox;
    EXPECT_RC(mfc.Update(a2), ZELV10RC_NOCONTAINER);
    EXPECT_EQ(Read("A2").vol.container, 0u);
    EXPECT_EQ(Read("A2").vol.flags & ZELVVOL_SCANNEDOUT, 0u);
    EXPECT_TRUE(history("A2").isEmpty());
    ZELVVOLSEx stray = NewVolume("ACME", "LTO6", "A3", "DC01", "VLT1");
    stray.vol.container = betaBox;
    EXPECT_RC(mfc.Add(stray), ZELV10RC_NOCONTAINER);

    // An empty Container takes a Data-Cluster; a stale copy cannot undo it.
    ZELVVOLSEx stale = Read("C0002", "CONT");
    ZELVVOLSEx empty = Read("C0002", "CONT");
    empty.vol.dataCluster = 1;
    ASSERT_OK(mfc.Update(empty));
    EXPECT_EQ(Read("C0002", "CONT").vol.dataCluster, 1u);
    EXPECT_EQ(history("C0002", "CONT"), QStringList{QStringLiteral("update data_cluster 0->1")});
    stale.vol.dataCluster = 0;
    EXPECT_RC(mfc.Update(stale), ZELV10RC_CHANGED);
    EXPECT_EQ(Read("C0002", "CONT").vol.dataCluster, 1u);

    // The Container leaves and arrives: its contents stay where they were
    // seen last, still packed, until each is confirmed on its own.
    ZELVVOLSEx leaving = Read("C0001", "CONT");
    leaving.vol.Target().repositoryId = "VLT1";
    leaving.vol.flags |= ZELVVOL_SCANNEDOUT;
    ASSERT_OK(mfc.Update(leaving));
    ZELVVOLSEx arriving = Read("C0001", "CONT");
    arriving.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_OK(mfc.Update(arriving));
    const ZELVVOLSEx boxThere = Read("C0001", "CONT");
    EXPECT_EQ(boxThere.vol.Current().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(boxThere.vol.flags & ZELVVOL_SCANNEDOUT, 0u);
    EXPECT_EQ(boxThere.vol.container, c1); // its own number
    a1 = Read("A1");
    EXPECT_EQ(a1.vol.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(a1.vol.container, c1);
    EXPECT_NE(a1.vol.flags & ZELVVOL_SCANNEDOUT, 0u);

    // Seen again at DC01: still on its way, still packed and scanned out.
    ASSERT_OK(Confirm("A1", "DC01"));
    a1 = Read("A1");
    EXPECT_EQ(a1.vol.container, c1);
    EXPECT_NE(a1.vol.flags & ZELVVOL_SCANNEDOUT, 0u);
    // Arrived: unpacked, no longer scanned out, not outgoing.
    ASSERT_OK(Confirm("A1", "VLT1"));
    a1 = Read("A1");
    EXPECT_EQ(a1.vol.container, 0u);
    EXPECT_EQ(a1.vol.flags & (ZELVVOL_SCANNEDOUT | ZELVVOL_MOVING), 0u);
    EXPECT_TRUE(history("A1").contains(QStringLiteral("confirm container %1->0").arg(c1)));
    ASSERT_OK(
        mfc.Get(&full, QStringLiteral("ACME"), QStringLiteral("CONT"), QStringLiteral("C0001")));
    EXPECT_EQ(full.used, 0u);
    EXPECT_EQ(counts("DC01"), std::make_pair(1, 0));

    // A confirmation that packs the Volume keeps what it packs.
    a2 = Read("A2");
    a2.vol.container = c2;
    a2.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_OK(mfc.Update(a2));
    EXPECT_EQ(Read("A2").vol.container, c2);

    // A Volume at rest is never scanned out.
    ZELVVOLSEx b1 = Read("B1");
    b1.vol.flags |= ZELVVOL_SCANNEDOUT;
    ASSERT_OK(mfc.Update(b1));
    EXPECT_EQ(Read("B1").vol.flags & ZELVVOL_SCANNEDOUT, 0u);
}

// Update statistics: the last change of a Volume, who made it, and what the
// server knows of the machine it came from.
TEST_P(ZELVStoreTest, UpdateDetailsNameTheLastChangeAndItsMachine) {
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "U00001", "DC01")));
    ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", "U00002", "DC01")));
    ZELV10IPDETAILS none;
    EXPECT_EQ(mfc.GetUpdateDetails(&none, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                                   QStringLiteral("NOHIST"))
                  .Code(),
              uint32_t(ZELV10RC_NOTREAD));

    // ws-one connects twice more, an hour apart; ws-two once, and changes U00001.
    for (int i = 0; i < 2; ++i) {
        clock.Advance(3600);
        ASSERT_OK(mfc.Logon());
    }
    clock.Advance(60);
    auto two = SecondConnection(QStringLiteral("ws-two"));
    ZELVVOLSEx u1 = NewVolume("ACME", "LTO6", "U00001");
    ASSERT_OK(two->Get(&u1));
    u1.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_OK(two->Update(u1));
    // A machine that never logged on under its name (renamed since).
    mfc.SetMachineName(QStringLiteral("ws-renamed"));
    ZELVVOLSEx u2 = Read("U00002");
    u2.vol.Confirmation().repositoryId = "VLT1";
    ASSERT_OK(mfc.Update(u2));

    struct Row {
        const char* volume;
        const char* machine;
        uint32_t connections;
        int64_t first;
        int64_t last;
        uint32_t present;
    };
    const uint32_t all = ZELVIPD_WHEN | ZELVIPD_SOURCE | ZELVIPD_MACHINE | ZELVIPD_CONNECTIONS |
                         ZELVIPD_INTERFACE | ZELVIPD_OS | ZELVIPD_USER;
    const uint32_t unknownMachine =
        ZELVIPD_WHEN | ZELVIPD_MACHINE | ZELVIPD_CONNECTIONS | ZELVIPD_USER;
    for (const Row& r : {Row{"U00001", "ws-two", 1, 1700007260, 1700007260, all},
                         Row{"U00002", "ws-renamed", 0, 0, 0, unknownMachine}}) {
        SCOPED_TRACE(r.volume);
        ZELV10IPDETAILS d;
        ASSERT_OK(mfc.GetUpdateDetails(&d, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                                       QString::fromLatin1(r.volume)));
        EXPECT_EQ(d.present, r.present);
        EXPECT_EQ(d.when, 1700007260);
        EXPECT_EQ(d.machine.Text(), QString::fromLatin1(r.machine));
        EXPECT_EQ(d.connectionCount, r.connections);
        EXPECT_EQ(d.firstConnection, r.first);
        EXPECT_EQ(d.lastConnection, r.last);
        EXPECT_EQ(d.userId.Text(), mfc.CurrentUser());
        if (r.present & ZELVIPD_SOURCE) {
            EXPECT_EQ(d.timeZone.Text(), QStringLiteral("UTC"));
            EXPECT_EQ(d.utcOffset, 0);
            EXPECT_TRUE(d.interfaceText.Text().contains(QStringLiteral("program 13")))
                << d.interfaceText.Text().toStdString();
            EXPECT_FALSE(d.operatingSystem.Text().isEmpty());
        }
    }
    // ws-one: three logons, the first and the last remembered.
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT connections || ' ' || first_at || ' ' || last_at"
                                        " FROM client_connection WHERE machine = 'ws-one'"))
                  .toString(),
              QStringLiteral("3 1700000000 1700007200"));
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVStoreTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
