#include "ZELVVolumeRules.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kNow = 1700000000; // 2023-11-14 22:13:20 UTC

CZELVDate Day(int y, int m, int d) {
    CZELVDate date;
    EXPECT_TRUE(date.SetDate(y, m, d));
    return date;
}

// A Volume at `at`, going to `to` (at rest when they are equal).
ZELVVolumeState Stored(const char* at, const char* to, int64_t movingSince = 0) {
    ZELVVolumeState s;
    s.vol.Current().repositoryId = at;
    s.vol.Target().repositoryId = to;
    s.vol.version = 7;
    if (QString::fromLatin1(at) != QString::fromLatin1(to)) {
        s.vol.flags |= ZELVVOL_MOVING;
        s.vol.moveTime = movingSince;
    }
    return s;
}

// What a client sends back after Get: the stored record, changed by `edit`.
template <typename F> ZELVVOLS Edited(const ZELVVolumeState& s, F edit) {
    ZELVVOLS v = s.vol;
    edit(v);
    return v;
}

ZELVRepositoryFacts Repo(const char* next = "", uint16_t type = ZELVREPTYPE_OTHER) {
    ZELVRepositoryFacts f;
    f.exists = true;
    f.next = QString::fromLatin1(next);
    f.type = type;
    return f;
}

ZELVVolumeState Apply(const ZELVVolumeState& old, const ZELVVOLS& in,
                      const ZELVRepositoryFacts& facts = {}, bool* confirmed = nullptr,
                      int64_t now = kNow) {
    ZELVVolumeState out;
    bool c = false;
    const CZELV10RC rc = CZELVVolumeRules::ApplyUpdate(old, in, facts, now, &out, &c);
    EXPECT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    if (confirmed)
        *confirmed = c;
    return out;
}

TEST(ZELVVolumeRules, NewTargetStartsAMoveNow) {
    const ZELVVolumeState s = Stored("DC01", "DC01");
    const ZELVVolumeState out =
        Apply(s, Edited(s, [](ZELVVOLS& v) { v.Target().repositoryId = "VLT1"; }));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_TRUE(out.vol.flags & ZELVVOL_MOVING);
    EXPECT_EQ(out.vol.moveTime, kNow);
}

TEST(ZELVVolumeRules, KeepingTheTargetKeepsTheMoveTime) {
    const ZELVVolumeState s = Stored("DC01", "VLT1", kNow - 3600);
    const ZELVVolumeState out = Apply(s, Edited(s, [](ZELVVOLS& v) { v.threshold = 30; }));
    EXPECT_EQ(out.vol.moveTime, kNow - 3600);
    EXPECT_EQ(out.vol.threshold, 30);
}

TEST(ZELVVolumeRules, CallerCannotForgeServerBits) {
    const ZELVVolumeState s = Stored("DC01", "DC01");
    const ZELVVolumeState out = Apply(s, Edited(s, [](ZELVVOLS& v) {
                                          v.flags |= ZELVVOL_MOVING | ZELVVOL_OVERDUE |
                                                     ZELVVOL_CONTAINER | ZELVVOL_SCHEDULED |
                                                     ZELVVOL_DESCRIPTION | ZELVVOL_HIDDEN |
                                                     ZELVVOL_SCANNEDOUT;
                                      }));
    EXPECT_EQ(out.vol.flags & (ZELVVOL_MOVING | ZELVVOL_OVERDUE | ZELVVOL_CONTAINER |
                               ZELVVOL_SCHEDULED | ZELVVOL_DESCRIPTION),
              0u);
    EXPECT_TRUE(out.vol.flags & ZELVVOL_HIDDEN);      // the caller's own bit stays
    EXPECT_FALSE(out.vol.flags & ZELVVOL_SCANNEDOUT); // nothing is scanned out at rest
}

struct MoveDateCase {
    const char* name;
    bool flag;
    uint32_t word;
    bool kept;
};

class ZELVVolumeRulesMoveDate : public ::testing::TestWithParam<MoveDateCase> {};

TEST_P(ZELVVolumeRulesMoveDate, FlagAndDateAgree) {
    const MoveDateCase& c = GetParam();
    const ZELVVolumeState s = Stored("DC01", "VLT1", kNow);
    const ZELVVolumeState out =
        Apply(s, Edited(s, [&](ZELVVOLS& v) {
                  v.flags = c.flag ? (v.flags | ZELVVOL_MOVEDATE) : (v.flags & ~ZELVVOL_MOVEDATE);
                  v.moveDate = CZELVDate::FromWord(c.word);
              }));
    EXPECT_EQ((out.vol.flags & ZELVVOL_MOVEDATE) != 0, c.kept);
    EXPECT_EQ(out.vol.moveDate.Value(), c.kept ? c.word : 0u);
    EXPECT_EQ(out.dueTime != 0, c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZELVVolumeRulesMoveDate,
    ::testing::Values(MoveDateCase{"CalendarDateWithFlag", true, Day(2024, 2, 29).Value(), true},
                      MoveDateCase{"CalendarDateWithoutFlagIsDropped", false,
                                   Day(2024, 2, 29).Value(), false},
                      MoveDateCase{"PermanentWordWithFlagIsNoDate", true, 0x80000000u, false},
                      MoveDateCase{"ImpossibleDayIsNoDate", true, 0xDE02'07E8u, false},
                      MoveDateCase{"SecondsValueIsADate", true, 1710000000u, true},
                      MoveDateCase{"ZeroIsNoDate", true, 0u, false}),
    [](const ::testing::TestParamInfo<MoveDateCase>& i) { return std::string(i.param.name); });

TEST(ZELVVolumeRules, ConfirmAtTargetCompletesTheMove) {
    ZELVVolumeState s = Stored("DC01", "VLT1", kNow - 7200);
    s.vol.flags |= ZELVVOL_SCANNEDOUT;
    s.vol.Target().slot = 12;
    bool confirmed = false;
    const ZELVVolumeState out = Apply(s,
                                      Edited(s,
                                             [](ZELVVOLS& v) {
                                                 v.Confirmation().repositoryId = "VLT1";
                                                 v.Confirmation().slot = 12;
                                             }),
                                      Repo(), &confirmed);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(out.vol.Current().slot, 12u);
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(out.vol.flags & (ZELVVOL_MOVING | ZELVVOL_SCANNEDOUT), 0u);
    EXPECT_EQ(out.vol.moveTime, 0);
    EXPECT_TRUE(out.vol.Confirmation().repositoryId.IsEmpty()); // never stored
}

TEST(ZELVVolumeRules, ArrivalWithAMoveDateFollowsTheRotation) {
    ZELVVolumeState s = Stored("DC01", "VLT1", kNow - 7200);
    const CZELVDate returnDay = Day(2023, 12, 1);
    const ZELVVolumeState out = Apply(s,
                                      Edited(s,
                                             [&](ZELVVOLS& v) {
                                                 v.flags |= ZELVVOL_MOVEDATE;
                                                 v.moveDate = returnDay;
                                                 v.Confirmation().repositoryId = "VLT1";
                                             }),
                                      Repo("DC01", ZELVREPTYPE_VAULT));
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_TRUE(out.scheduled);
    EXPECT_EQ(out.vol.moveTime, out.dueTime);
    // Until the date it is not on its way: not offered for Scan-In, never overdue.
    EXPECT_TRUE(CZELVVolumeRules::ReadFlags(out, kNow) & ZELVVOL_SCHEDULED);
    EXPECT_TRUE(CZELVVolumeRules::ReadFlags(out, kNow) & ZELVVOL_MOVING);
    // From the date on the move is due.
    EXPECT_FALSE(CZELVVolumeRules::ReadFlags(out, out.dueTime + 1) & ZELVVOL_SCHEDULED);
}

TEST(ZELVVolumeRules, TheRotationsMoveUsesUpTheDate) {
    ZELVVolumeState s = Stored("VLT1", "DC01", kNow - 60);
    s.scheduled = true;
    s.vol.flags |= ZELVVOL_MOVEDATE;
    s.vol.moveDate = Day(2023, 11, 14);
    const ZELVVolumeState out = Apply(
        s, Edited(s, [](ZELVVOLS& v) { v.Confirmation().repositoryId = "DC01"; }), Repo("VLT1"));
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_FALSE(out.scheduled);
    EXPECT_EQ(out.vol.moveDate.Value(), 0u);
    EXPECT_EQ(out.vol.flags & (ZELVVOL_MOVEDATE | ZELVVOL_MOVING), 0u);
}

TEST(ZELVVolumeRules, ArrivalWithoutNextRepositoryRests) {
    ZELVVolumeState s = Stored("DC01", "LIB1", kNow);
    const ZELVVolumeState out = Apply(s,
                                      Edited(s,
                                             [&](ZELVVOLS& v) {
                                                 v.flags |= ZELVVOL_MOVEDATE;
                                                 v.moveDate = Day(2024, 1, 10);
                                                 v.Confirmation().repositoryId = "LIB1";
                                             }),
                                      Repo(""));
    EXPECT_FALSE(out.vol.flags & ZELVVOL_MOVING);
    EXPECT_EQ(out.vol.moveDate.Value(), Day(2024, 1, 10).Value()); // the date stays as information
}

TEST(ZELVVolumeRules, ConfirmElsewhereRecordsWhereAMovingVolumeIs) {
    const ZELVVolumeState s = Stored("DC01", "VLT1", kNow - 60);
    const ZELVVolumeState out = Apply(
        s, Edited(s, [](ZELVVOLS& v) { v.Confirmation().repositoryId = "TRN1"; }), Repo("VLT1"));
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("TRN1"));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_TRUE(out.vol.flags & ZELVVOL_MOVING);
    EXPECT_EQ(out.vol.moveTime, kNow - 60); // still the same move
}

TEST(ZELVVolumeRules, ConfirmElsewhereLetsAVolumeAtRestRestThere) {
    const ZELVVolumeState s = Stored("DC01", "DC01");
    const ZELVVolumeState out = Apply(
        s, Edited(s, [](ZELVVOLS& v) { v.Confirmation().repositoryId = "VLT2"; }), Repo("DC01"));
    EXPECT_EQ(out.vol.Current().repositoryId.Text(), QStringLiteral("VLT2"));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("VLT2"));
    EXPECT_FALSE(out.vol.flags & ZELVVOL_MOVING);
}

TEST(ZELVVolumeRules, ConfirmAtAnUnknownRepositoryIsRefused) {
    const ZELVVolumeState s = Stored("DC01", "VLT1");
    ZELVVolumeState out;
    bool confirmed = true;
    const CZELV10RC rc = CZELVVolumeRules::ApplyUpdate(
        s, Edited(s, [](ZELVVOLS& v) { v.Confirmation().repositoryId = "NOPE"; }),
        ZELVRepositoryFacts(), kNow, &out, &confirmed);
    EXPECT_EQ(rc.Code(), ZELV10RC_NOREPOSITORY);
    EXPECT_TRUE(rc.Get().contains(QLatin1String("NOPE")));
    EXPECT_FALSE(confirmed);
}

struct OverdueCase {
    const char* name;
    uint16_t threshold;
    int64_t movingFor;
    bool scheduledAhead;
    bool overdue;
};

class ZELVVolumeRulesOverdue : public ::testing::TestWithParam<OverdueCase> {};

TEST_P(ZELVVolumeRulesOverdue, OverdueMeansMovingLongerThanTheThreshold) {
    const OverdueCase& c = GetParam();
    ZELVVolumeState s = Stored("DC01", "VLT1", kNow - c.movingFor);
    s.vol.threshold = c.threshold;
    if (c.scheduledAhead) {
        s.scheduled = true;
        s.dueTime = kNow + 86400;
    }
    EXPECT_EQ((CZELVVolumeRules::ReadFlags(s, kNow) & ZELVVOL_OVERDUE) != 0, c.overdue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZELVVolumeRulesOverdue,
    ::testing::Values(OverdueCase{"PastThreshold", 10, 601, false, true},
                      OverdueCase{"ExactlyAtThreshold", 10, 600, false, false},
                      OverdueCase{"NoThresholdNeverOverdue", 0, 10 * 86400, false, false},
                      OverdueCase{"PlannedMoveNotYetDue", 10, 86400, true, false},
                      OverdueCase{"LargestThreshold", 65535, 65535 * 60 + 1, false, true}),
    [](const ::testing::TestParamInfo<OverdueCase>& i) { return std::string(i.param.name); });

TEST(ZELVVolumeRules, PermanentCallsOffAPlannedMove) {
    ZELVVolumeState s = Stored("VLT1", "DC01", kNow + 86400);
    s.scheduled = true;
    s.vol.flags |= ZELVVOL_MOVEDATE;
    s.vol.moveDate = Day(2023, 11, 16);
    const ZELVVolumeState out = Apply(s, Edited(s, [](ZELVVOLS& v) {
                                          v.flags &= ~ZELVVOL_MOVEDATE;
                                          v.moveDate = CZELVDate::FromWord(0x80000000u);
                                      }));
    EXPECT_EQ(out.vol.Target().repositoryId.Text(), QStringLiteral("VLT1"));
    EXPECT_FALSE(out.scheduled);
    EXPECT_EQ(out.vol.flags & (ZELVVOL_MOVING | ZELVVOL_MOVEDATE), 0u);
}

TEST(ZELVVolumeRules, ScanningOutAPlannedMoveStartsItNow) {
    ZELVVolumeState s = Stored("VLT1", "DC01", kNow + 86400);
    s.scheduled = true;
    s.dueTime = kNow + 86400;
    s.vol.flags |= ZELVVOL_MOVEDATE;
    s.vol.moveDate = Day(2023, 11, 16);
    const ZELVVolumeState out =
        Apply(s, Edited(s, [](ZELVVOLS& v) { v.flags |= ZELVVOL_SCANNEDOUT; }));
    EXPECT_FALSE(out.scheduled);
    EXPECT_EQ(out.vol.moveTime, kNow);
    EXPECT_FALSE(CZELVVolumeRules::ReadFlags(out, kNow) & ZELVVOL_SCHEDULED);
    EXPECT_TRUE(out.vol.flags & ZELVVOL_SCANNEDOUT);
}

TEST(ZELVVolumeRules, CancellingAMoveByTargetingTheCurrentRepository) {
    ZELVVolumeState s = Stored("DC01", "VLT1", kNow - 60);
    s.vol.flags |= ZELVVOL_SCANNEDOUT;
    const ZELVVolumeState out =
        Apply(s, Edited(s, [](ZELVVOLS& v) { v.Target().repositoryId = "DC01"; }));
    EXPECT_EQ(out.vol.flags & (ZELVVOL_MOVING | ZELVVOL_SCANNEDOUT), 0u);
    EXPECT_EQ(out.vol.moveTime, 0);
}

TEST(ZELVVolumeRules, ContainersKeepTheirOwnNumberAndCapacity) {
    ZELVVolumeState s = Stored("DC01", "DC01");
    s.containerSelf = 42;
    s.vol.container = 42;
    s.vol.flags |= ZELVVOL_CONTAINER;
    const ZELVVolumeState out = Apply(s, Edited(s, [](ZELVVOLS& v) {
                                          v.container = 7;
                                          v.capacity = 20;
                                          v.flags &= ~ZELVVOL_CONTAINER;
                                      }));
    EXPECT_EQ(out.vol.container, 42u);
    EXPECT_TRUE(out.vol.flags & ZELVVOL_CONTAINER);
    EXPECT_EQ(out.vol.capacity, 20);

    const ZELVVolumeState plain = Stored("DC01", "DC01");
    const ZELVVolumeState out2 = Apply(plain, Edited(plain, [](ZELVVOLS& v) { v.capacity = 20; }));
    EXPECT_EQ(out2.vol.capacity, 0) << "only Containers have a capacity";
}

TEST(ZELVVolumeRules, AddSettlesTheServerBits) {
    ZELVVOLS in;
    in.Current().repositoryId = "DC01";
    in.Target().repositoryId = "VLT1";
    in.flags = ZELVVOL_OVERDUE | ZELVVOL_SCRATCH;
    const ZELVVolumeState s = CZELVVolumeRules::ApplyAdd(in, true, 9, kNow);
    EXPECT_EQ(s.vol.flags, ZELVVOL_SCRATCH | ZELVVOL_MOVING | ZELVVOL_CONTAINER);
    EXPECT_EQ(s.vol.container, 9u);
    EXPECT_EQ(s.containerSelf, 9u);
    EXPECT_EQ(s.vol.moveTime, kNow);
}

TEST(ZELVVolumeRules, ChangesNameEachChangedFieldInWords) {
    const ZELVVolumeState a = Stored("DC01", "DC01");
    ZELVVolumeState b = a;
    b.vol.Target().repositoryId = "VLT1";
    b.vol.Target().slot = 5;
    b.vol.moveDate = Day(2024, 3, 1);
    const std::vector<ZELVFieldChange> changes = CZELVVolumeRules::Changes(a, b);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].field, QStringLiteral("target"));
    EXPECT_EQ(changes[0].oldValue, QStringLiteral("DC01"));
    EXPECT_EQ(changes[0].newValue, QStringLiteral("VLT1 [5]"));
    EXPECT_EQ(changes[1].field, QStringLiteral("move_date"));
    EXPECT_EQ(changes[1].oldValue, QStringLiteral("Permanent"));
    EXPECT_EQ(changes[1].newValue, QStringLiteral("2024-03-01"));
}

} // namespace
