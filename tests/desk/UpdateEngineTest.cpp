// The Volume key and record, the redirect step, the relative date words and
// the verification report, on a real database on both engines.
#include "UpdateEngine.h"

#include "QtPrinters.h"
#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// --- CVolumeKey ---------------------------------------------------------------------

struct RawKeyCase {
    const char* name;
    const char raw[CVolumeKey::kRawSize + 1]; // the 18 bytes (and a spare NUL)
    const char* text;
};

const RawKeyCase kRawKeys[] = {
    {"FullFieldsAreNotTerminated", "ACMELTO6ABCDEFGHIJ", "ACME.LTO6.ABCDEFGHIJ"},
    {"ShortFieldsEndAtTheirNul", "AB\0\0LT\0\0V1\0\0\0\0\0\0\0\0", "AB.LT.V1"},
    {"EmptyKey", "", ".."},
};

class VolumeKeyRawTest : public ::testing::TestWithParam<RawKeyCase> {};

TEST_P(VolumeKeyRawTest, ReadsAndWritesTheRawKey) {
    const RawKeyCase& c = GetParam();
    const CVolumeKey key = CVolumeKey::FromRaw(c.raw);
    EXPECT_EQ(key.Text(), QString::fromLatin1(c.text));
    char back[CVolumeKey::kRawSize];
    std::memset(back, 'x', sizeof back);
    key.CopyTo(back);
    EXPECT_EQ(std::memcmp(back, c.raw, CVolumeKey::kRawSize), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, VolumeKeyRawTest, ::testing::ValuesIn(kRawKeys),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(VolumeKeyTest, EqualityIsCaseSensitiveOverAllThreeTexts) {
    const CVolumeKey key(QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001"));
    EXPECT_EQ(key,
              CVolumeKey(QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001")));
    EXPECT_NE(key,
              CVolumeKey(QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("a00001")));
    EXPECT_NE(key,
              CVolumeKey(QStringLiteral("ACME"), QStringLiteral("LTO8"), QStringLiteral("A00001")));
    EXPECT_NE(key,
              CVolumeKey(QStringLiteral("ACMX"), QStringLiteral("LTO6"), QStringLiteral("A00001")));
}

TEST(VolumeKeyTest, OrdersByCustomerThenMediaThenVolume) {
    const auto k = [](const char* c, const char* m, const char* v) {
        return CVolumeKey(QString::fromLatin1(c), QString::fromLatin1(m), QString::fromLatin1(v));
    };
    EXPECT_LT(k("ACME", "LTO8", "A"), k("BETA", "LTO6", "A"));
    EXPECT_LT(k("ACME", "LTO6", "Z"), k("ACME", "LTO8", "A"));
    EXPECT_LT(k("ACME", "LTO6", "A1"), k("ACME", "LTO6", "A2"));
    EXPECT_FALSE(k("ACME", "LTO6", "A1") < k("ACME", "LTO6", "A1"));
}

TEST(VolumeKeyTest, RecordKeyKeepsAtMostTheFieldWidths) {
    const CVolumeKey key(QStringLiteral("ACMEX"), QStringLiteral("LTO66"),
                         QStringLiteral("ABCDEFGHIJKL"));
    ZELVVOLSKey record;
    key.CopyTo(&record);
    EXPECT_EQ(record.Text(), QStringLiteral("ACME.LTO6.ABCDEFGHIJ"));
    EXPECT_EQ(CVolumeKey(record), CVolumeKey(QStringLiteral("ACME"), QStringLiteral("LTO6"),
                                             QStringLiteral("ABCDEFGHIJ")));
}

// --- RelativeDateText -----------------------------------------------------------------

struct DateCase {
    const char* name;
    int days;     // from the clock's day; ignored for the special rows
    bool hasDate; // the move-date flag
    bool epoch;   // a stored time value of 0
    const char* text;
};

const DateCase kDates[] = {
    {"NoDateIsPermanent", 0, false, false, "Permanent"},
    {"TwoDaysAgoIsTheFullDate", -2, true, false, "Sunday, November 12, 2023"},
    {"OneDayAgoIsYesterday", -1, true, false, "Yesterday"},
    {"TheSameDayIsToday", 0, true, false, "Today"},
    {"NextDayIsTomorrow", 1, true, false, "Tomorrow"},
    {"InTwoDaysIsTheFullDate", 2, true, false, "Thursday, November 16, 2023"},
    {"ZeroTimeIsTheFirstSecondOf1970", 0, true, true, "Thursday, January 01, 1970"},
};

class RelativeDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(RelativeDateTest, Words) {
    const DateCase& c = GetParam();
    const ZELVFixedClock clock(1700000000); // Tuesday, November 14, 2023 22:13:20 UTC
    CZELVDate date;
    if (!c.epoch) {
        ASSERT_TRUE(date.SetFromTime(clock.Now(), clock));
        ASSERT_TRUE(date.AddDays(c.days));
    }
    EXPECT_EQ(RelativeDateText(date, c.hasDate, clock), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Dates, RelativeDateTest, ::testing::ValuesIn(kDates),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(RelativeDateTest, SecondsValuesCountByCalendarDay) {
    const ZELVFixedClock clock(1700000000);
    // 00:30 of the same day and 23:59 of the day before, both as time values.
    EXPECT_EQ(RelativeDateText(CZELVDate::FromWord(1699921800), true, clock),
              QStringLiteral("Today"));
    EXPECT_EQ(RelativeDateText(CZELVDate::FromWord(1699919940), true, clock),
              QStringLiteral("Yesterday"));
}

// --- Engine tests: CVolumeRecord, RedirectVolume, the verification report ----------------

class VolumeEngineTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (const char* r : {"DC01", "VLT1"}) {
            ZELVREPOSITORY rep;
            rep.repositoryId = r;
            rep.type = QByteArray(r) == "VLT1" ? ZELVREPTYPE_VAULT : ZELVREPTYPE_DATACENTRE;
            ASSERT_TRUE(mfc.Add(rep).IsOK());
        }
        ZELVCUSTEx customer;
        customer.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(customer).IsOK());
        for (const char* m : {"LTO6", "CONT"}) {
            ZELVMEDIAEx media;
            media.customerId = "ACME";
            media.mediaId = m;
            media.containerPattern = QByteArray(m) == "CONT" ? "CN*" : "";
            ASSERT_TRUE(mfc.Add(media).IsOK());
        }
        ZELVCLUSTEREx cluster;
        cluster.customerId = "ACME";
        cluster.name = "Payroll";
        ASSERT_TRUE(mfc.Add(cluster).IsOK());
        ASSERT_TRUE(mfc.List(&clusters, QStringLiteral("ACME")).IsOK());
        ASSERT_TRUE(mfc.Add(NewVolume("ACME", "CONT", "CN0001", "DC01")).IsOK());
        ZELVVOLS container;
        ASSERT_TRUE(mfc.Get(&container, QStringLiteral("ACME"), QStringLiteral("CONT"),
                            QStringLiteral("CN0001"))
                        .IsOK());
        containerNumber = container.container;
        ASSERT_NE(containerNumber, 0u);
    }

    static CVolumeKey Key(const char* volume, const char* media = "LTO6") {
        return CVolumeKey(QStringLiteral("ACME"), QString::fromLatin1(media),
                          QString::fromLatin1(volume));
    }
    ZELVVOLS Stored(const char* volume, const char* media = "LTO6") {
        ZELVVOLS v;
        EXPECT_TRUE(mfc.Get(&v, QStringLiteral("ACME"), QString::fromLatin1(media),
                            QString::fromLatin1(volume))
                        .IsOK());
        return v;
    }
    // A Volume travelling from VLT1 to DC01 (into slot 7 when given).
    void AddTravelling(const char* volume, uint32_t slot = 0) {
        ZELVVOLSEx v = NewVolume("ACME", "LTO6", volume, "VLT1", "DC01");
        v.vol.Target().slot = slot;
        ASSERT_TRUE(mfc.Add(v).IsOK());
    }

    std::vector<ZELVCLUSTERFULL> clusters;
    uint32_t containerNumber = 0;
};

TEST_P(VolumeEngineTest, NewRecordIsAtInitAndUnread) {
    CVolumeRecord record(mfc, Key("A00001"));
    for (const ZELVVOLLOC& location : record.Vol().location)
        EXPECT_EQ(location.repositoryId.Text(), QStringLiteral("INIT"));
    EXPECT_EQ(record.Record().key.Text(), QStringLiteral("ACME.LTO6.A00001"));
    EXPECT_EQ(record.Result().Code(), uint32_t(ZELV10RC_NOTREAD));
    EXPECT_EQ(record.Refresh().Code(), uint32_t(ZELV10RC_NOVOLUME));
}

TEST_P(VolumeEngineTest, AddReadsTheVolumeBackUnlessAskedNotTo) {
    CVolumeRecord added(mfc, Key("A00001"));
    ASSERT_TRUE(added.Add().IsOK());
    EXPECT_NE(added.Vol().version, 0u);

    CVolumeRecord skipped(mfc, Key("A00002"));
    ASSERT_TRUE(skipped.Add(/*skipRefresh=*/true).IsOK());
    EXPECT_EQ(skipped.Vol().version, 0u);
    EXPECT_EQ(Stored("A00002").Current().repositoryId.Text(), QStringLiteral("INIT"));

    // A second add of the same Volume is refused and nothing changes.
    CVolumeRecord again(mfc, Key("A00001"));
    EXPECT_EQ(again.Add().Code(), uint32_t(ZELV10RC_ALREADYDEFINED));
}

TEST_P(VolumeEngineTest, ConfirmAtTheTargetCompletesTheMoveInTheTargetSlot) {
    AddTravelling("A00001", 7);
    CVolumeRecord record(mfc, Key("A00001"));
    ASSERT_TRUE(
        record.Confirm(QStringLiteral("DC01"), CVolumeRecord::kKeep, CVolumeRecord::kKeep, false)
            .IsOK());
    const ZELVVOLS stored = Stored("A00001");
    EXPECT_EQ(stored.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(stored.Current().slot, 7u);
    EXPECT_EQ(stored.flags & (ZELVVOL_MOVING | ZELVVOL_SCANNEDOUT), 0u);
    // The record carries what the server holds after the write.
    EXPECT_EQ(record.Vol().version, stored.version);
    EXPECT_EQ(record.Vol().Current().repositoryId.Text(), QStringLiteral("DC01"));

    std::vector<ZELVVOLHISTORY> history;
    ASSERT_TRUE(
        mfc.List(&history, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A00001"))
            .IsOK());
    bool confirmedAt = false;
    for (const ZELVVOLHISTORY& h : history)
        confirmedAt |= h.action.Text() == QLatin1String("confirm");
    EXPECT_TRUE(confirmedAt);
}

TEST_P(VolumeEngineTest, ConfirmWithASlotAContainerAndTheScannedOutFlag) {
    ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "A00001", "DC01", "VLT1")).IsOK());
    CVolumeRecord record(mfc, Key("A00001"));
    ASSERT_TRUE(record.Confirm(QStringLiteral("DC01"), 12, containerNumber, true).IsOK());
    const ZELVVOLS stored = Stored("A00001");
    EXPECT_EQ(stored.Current().slot, 12u);
    EXPECT_EQ(stored.container, containerNumber);
    EXPECT_NE(stored.flags & ZELVVOL_SCANNEDOUT, 0u);
    EXPECT_EQ(stored.Target().repositoryId.Text(), QStringLiteral("VLT1"));

    // A Container keeps its own number whatever Container it is confirmed into.
    CVolumeRecord container(mfc, Key("CN0001", "CONT"));
    ASSERT_TRUE(container.Confirm(QStringLiteral("DC01"), 0, containerNumber + 5, false).IsOK());
    EXPECT_EQ(Stored("CN0001", "CONT").container, containerNumber);
}

TEST_P(VolumeEngineTest, ConfirmOfAnUnknownVolumeOrRepositoryChangesNothing) {
    CVolumeRecord unknown(mfc, Key("NOPE01"));
    EXPECT_EQ(
        unknown.Confirm(QStringLiteral("DC01"), CVolumeRecord::kKeep, CVolumeRecord::kKeep, false)
            .Code(),
        uint32_t(ZELV10RC_NOVOLUME));

    AddTravelling("A00001");
    const uint64_t before = Stored("A00001").version;
    CVolumeRecord record(mfc, Key("A00001"));
    EXPECT_EQ(
        record.Confirm(QStringLiteral("XXXX"), CVolumeRecord::kKeep, CVolumeRecord::kKeep, false)
            .Code(),
        uint32_t(ZELV10RC_NOREPOSITORY));
    EXPECT_EQ(Stored("A00001").version, before);
    EXPECT_EQ(Stored("A00001").Current().repositoryId.Text(), QStringLiteral("VLT1"));
}

TEST_P(VolumeEngineTest, AChangeByAnotherUserIsReportedAndNeverWrittenOver) {
    AddTravelling("A00001");
    CVolumeRecord record(mfc, Key("A00001"));
    ASSERT_TRUE(record.Refresh().IsOK());

    // Another workstation changes the Volume after this one read it.
    std::unique_ptr<CZELV10MFC> other = SecondConnection();
    ZELVVOLSEx theirs;
    theirs.key = record.Record().key;
    ASSERT_TRUE(other->Get(&theirs).IsOK());
    theirs.vol.threshold = 99;
    ASSERT_TRUE(other->Update(theirs).IsOK());

    record.Record().vol.threshold = 5;
    const CZELV10RC rc = record.Update();
    EXPECT_EQ(rc.Code(), uint32_t(ZELV10RC_CHANGED));
    EXPECT_TRUE(rc.Get().contains(QStringLiteral("ACME.LTO6.A00001")));
    EXPECT_EQ(record.Result().Code(), uint32_t(ZELV10RC_CHANGED));
    EXPECT_EQ(Stored("A00001").threshold, 99);
    // The record now shows the other user's change, ready to be shown.
    EXPECT_EQ(record.Vol().threshold, 99);
}

TEST_P(VolumeEngineTest, RedirectToANewTargetDropsTheMoveDate) {
    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "A00001", "DC01", "VLT1");
    v.vol.flags |= ZELVVOL_MOVEDATE;
    ASSERT_TRUE(v.vol.moveDate.SetDate(2023, 12, 1));
    ASSERT_TRUE(mfc.Add(v).IsOK());

    ZELVVOLSEx record;
    record.key = v.key;
    const CZELV10RC rc = RedirectVolume(mfc, &record, QStringLiteral("DC01"), 3, 0, kKeepContainer);
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    const ZELVVOLS stored = Stored("A00001");
    EXPECT_EQ(stored.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(stored.flags & ZELVVOL_MOVEDATE, 0u);
    EXPECT_TRUE(stored.moveDate.IsEmpty());
    // Read back: the record can be written again at once.
    EXPECT_EQ(record.vol.version, stored.version);
    record.vol.threshold = 30;
    EXPECT_TRUE(mfc.Update(record).IsOK());
}

TEST_P(VolumeEngineTest, RedirectToTheSameTargetKeepsTheMoveDateAndSetsSlotAndContainer) {
    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "A00001", "DC01", "VLT1");
    v.vol.flags |= ZELVVOL_MOVEDATE;
    ASSERT_TRUE(v.vol.moveDate.SetDate(2023, 12, 1));
    ASSERT_TRUE(mfc.Add(v).IsOK());

    ZELVVOLSEx record;
    record.key = v.key;
    ASSERT_TRUE(RedirectVolume(mfc, &record, QStringLiteral("VLT1"), 0, 0, containerNumber).IsOK());
    ZELVVOLS stored = Stored("A00001");
    EXPECT_NE(stored.flags & ZELVVOL_MOVEDATE, 0u);
    EXPECT_EQ(stored.moveDate.Year(), 2023);
    EXPECT_EQ(stored.container, containerNumber);

    // kKeepContainer leaves the Container; a Container keeps its own number.
    ASSERT_TRUE(RedirectVolume(mfc, &record, QStringLiteral("VLT1"), 0, 0, kKeepContainer).IsOK());
    EXPECT_EQ(Stored("A00001").container, containerNumber);
    ZELVVOLSEx container;
    container.key.customerId = "ACME";
    container.key.mediaId = "CONT";
    container.key.volumeId = "CN0001";
    ASSERT_TRUE(RedirectVolume(mfc, &container, QStringLiteral("VLT1"), 0, 0, 0).IsOK());
    stored = Stored("CN0001", "CONT");
    EXPECT_EQ(stored.container, containerNumber);
    EXPECT_EQ(stored.Target().repositoryId.Text(), QStringLiteral("VLT1"));
}

TEST_P(VolumeEngineTest, RedirectOfAnUnknownVolumeGivesTheReadResult) {
    ZELVVOLSEx record;
    record.key.customerId = "ACME";
    record.key.mediaId = "LTO6";
    record.key.volumeId = "NOPE01";
    EXPECT_EQ(RedirectVolume(mfc, &record, QStringLiteral("VLT1"), 0, 0, kKeepContainer).Code(),
              uint32_t(ZELV10RC_NOVOLUME));
    EXPECT_EQ(RedirectVolume(mfc, nullptr, QStringLiteral("VLT1"), 0, 0, kKeepContainer).Code(),
              uint32_t(ZELV10RC_BADVALUE));
}

// Whole report lines: the columns are the contract.
TEST_P(VolumeEngineTest, VerificationLinesKeepTheirColumns) {
    ZELVVOLSEx dated = NewVolume("ACME", "LTO6", "A00001", "DC01", "VLT1");
    dated.vol.flags |= ZELVVOL_MOVEDATE;
    ASSERT_TRUE(dated.vol.moveDate.SetDate(2023, 12, 1));
    dated.vol.container = containerNumber;
    dated.vol.dataCluster = 1;
    ASSERT_TRUE(mfc.Add(dated).IsOK());
    ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "ABCDEFGHIJ", "DC01")).IsOK());

    const auto line = [&](const char* media, const char* volume) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = media;
        v.key.volumeId = volume;
        EXPECT_TRUE(mfc.Get(&v).IsOK());
        return VerificationLine(v, mfc, clusters);
    };
    EXPECT_EQ(line("LTO6", "A00001"),
              QStringLiteral("ACME.LTO6.A00001     2023-12-01 VLT1 ACME.CONT.CN0001     Payroll"));
    EXPECT_EQ(line("LTO6", "ABCDEFGHIJ"),
              QStringLiteral("ACME.LTO6.ABCDEFGHIJ Permanent  DC01                      "));
    EXPECT_EQ(line("CONT", "CN0001"),
              QStringLiteral("ACME.CONT.CN0001     Permanent  DC01 Is-Container         "));

    // A Container number that names no Container still gives the whole line.
    ZELVVOLSEx lost;
    lost.key.customerId = "ACME";
    lost.key.mediaId = "LTO6";
    lost.key.volumeId = "A00009";
    lost.vol.Target().repositoryId = "DC01";
    lost.vol.container = containerNumber + 100;
    lost.vol.dataCluster = 9;
    EXPECT_EQ(VerificationLine(lost, mfc, clusters),
              QStringLiteral("ACME.LTO6.A00009     Permanent  DC01 **Error**            "));
}

TEST_P(VolumeEngineTest, VerificationReportReadsEachVolumeAgain) {
    ZELVVOLSEx dated = NewVolume("ACME", "LTO6", "A00001", "DC01", "VLT1");
    dated.vol.flags |= ZELVVOL_MOVEDATE;
    ASSERT_TRUE(dated.vol.moveDate.SetDate(2023, 12, 1));
    dated.vol.dataCluster = 1;
    ASSERT_TRUE(mfc.Add(dated).IsOK());
    ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "A00002", "DC01")).IsOK());

    std::vector<CVerificationItem> items(3);
    items[0].volume.key = dated.key;
    items[0].description = QStringLiteral("Month end payroll");
    items[1].volume.key.customerId = "ACME";
    items[1].volume.key.mediaId = "LTO6";
    items[1].volume.key.volumeId = "A00002";
    items[2].volume.key.customerId = "ACME";
    items[2].volume.key.mediaId = "LTO6";
    items[2].volume.key.volumeId = "GONE01";
    items[2].description = QStringLiteral("never printed");

    TransactionLog log(QStringLiteral("Aug 14 2018"), clock);
    ASSERT_TRUE(log.Open(db->Folder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    QList<int> positions;
    WriteVerificationReport(log, mfc, clusters, items, [&](int p) { positions.append(p); });
    log.Close();

    QFile file(log.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines;
    bool inReport = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"))) {
        const QString text = raw.mid(16);
        inReport |= text == QLatin1String(kVerificationStart);
        if (inReport)
            lines.append(text);
        if (text == QLatin1String(kVerificationEnd))
            break;
    }
    const QStringList expected = {
        QStringLiteral("***Starting Verification***"),
        QStringLiteral(
            "COUNT-CUST-MED--VOLUME-----MOVEDATE---REP--CONTAINER-----------CLUSTER/DESCRIPTION"),
        QStringLiteral("00001 ACME.LTO6.A00001     2023-12-01 VLT1                      Payroll"),
        QStringLiteral("+") + QString(63, QLatin1Char(' ')) + QStringLiteral("Month end payroll"),
        QStringLiteral("00002 ACME.LTO6.A00002     Permanent  DC01                      "),
        QStringLiteral("00003 ACME.LTO6.GONE01 (Volume not found: ACME.LTO6.GONE01)"),
        QStringLiteral("***End Verification***"),
    };
    EXPECT_EQ(lines, expected);
    // The description starts in the Data-Cluster column of the line above.
    EXPECT_EQ(lines[3].indexOf(QLatin1Char('M')), lines[2].indexOf(QStringLiteral("Payroll")));
    EXPECT_EQ(positions, (QList<int>{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(Engines, VolumeEngineTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
