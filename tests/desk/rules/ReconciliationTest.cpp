// The reconciliation rules without widgets or server: what each scan means,
// what the statistics say, how a vault manifest is read and how the three
// lists compare.
#include "Reconciliation.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

using Item = CReconciliationScanItem;
using Kind = CReconciliationAudit::ScanKind;

ZELVVOLSFULL Vol(const char* id, const char* at, const char* target, uint64_t version = 1) {
    ZELVVOLSFULL v;
    v.key.customerId = "ACME";
    v.key.mediaId = "LTO6";
    v.key.volumeId = id;
    v.vol.Current().repositoryId = at;
    v.vol.Target().repositoryId = target;
    v.vol.version = version;
    return v;
}

ZELVAUDIT Audit(const char* id, const char* repository, uint32_t flags) {
    ZELVAUDIT a;
    a.key.customerId = "ACME";
    a.key.mediaId = "LTO6";
    a.key.volumeId = id;
    a.repositoryId = repository;
    a.flags = flags;
    a.outcome = flags & ZELVVOL_AUDITPASSED ? ZELVAUDIT_SEEN : ZELVAUDIT_DEFICIT;
    a.version = 7;
    return a;
}

// VLT1 holds V1..V3, V4 is moving in, V5 is elsewhere; V3 passed an audit
// of VLT1 before, V2 failed one, V1 passed one of another Repository.
CReconciliationAudit Audited() {
    CReconciliationAudit audit;
    audit.Build({Vol("V1", "VLT1", "VLT1"), Vol("V2", "VLT1", "VLT1"), Vol("V3", "VLT1", "VLT1"),
                 Vol("V4", "DC01", "VLT1"), Vol("V5", "DC01", "DC01")},
                "ACME", "LTO6", "VLT1",
                {Audit("V3", "VLT1", ZELVVOL_AUDITPASSED), Audit("V2", "VLT1", ZELVVOL_AUDITFAILED),
                 Audit("V1", "DC01", ZELVVOL_AUDITPASSED)});
    return audit;
}

TEST(ReconciliationAudit, BuildListsTheRepositoryWithItsOwnPreviousResults) {
    const CReconciliationAudit audit = Audited();
    const struct {
        const char* volume;
        const char* status;
    } expected[] = {
        {"V1", "[Unscanned]"}, // a pass elsewhere is no pass here
        {"V2", "[Unscanned][Failed-Previous]"},
        {"V3", "[Scanned][Passed-Previous]"},
        {"V4", "[Unscanned][Moving-In]"},
    };
    ASSERT_EQ(audit.Items().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(audit.Items()[i].volumeId, QLatin1String(expected[i].volume));
        EXPECT_EQ(audit.Items()[i].StatusText(), QLatin1String(expected[i].status));
    }
    EXPECT_EQ(audit.PreviousCount(), 2);
    const CReconciliationStats& s = audit.Stats();
    EXPECT_EQ((std::array{s.total, s.scanned, s.unscanned, s.movingIn}), (std::array{4, 1, 3, 1}));
}

TEST(ReconciliationAudit, ResumeAnswersWriteWhatTheyShould) {
    const struct {
        bool keep;
        std::vector<std::pair<const char*, uint32_t>> writes; // Volume, flags written
        int scanned;
    } cases[] = {
        {true, {{"V2", 0u}}, 1},
        {false, {{"V2", 0u}, {"V3", 0u}}, 0},
    };
    for (const auto& c : cases) {
        CReconciliationAudit audit = Audited();
        const auto resets = audit.Resume(c.keep);
        ASSERT_EQ(resets.size(), c.writes.size()) << c.keep;
        for (size_t i = 0; i < resets.size(); ++i) {
            EXPECT_EQ(audit.Items()[resets[i].index].volumeId, QLatin1String(c.writes[i].first));
            EXPECT_EQ(resets[i].flags, c.writes[i].second);
        }
        EXPECT_EQ(audit.Stats().scanned, c.scanned) << c.keep;
        EXPECT_EQ(audit.UnscannedCount(), 4 - c.scanned) << c.keep;
    }
}

TEST(ReconciliationAudit, ScansAreClassifiedAndCounted) {
    // One scan after another on the same audit; each row: what the scan is,
    // what it means, the item's status and count after it, and the
    // statistics total/scanned/unscanned/undefined/duplicates/bad/notinlist.
    const struct {
        const char *customer, *media, *volume;
        Kind kind;
        const char* status;
        uint32_t count;
        std::array<int, 7> stats;
    } steps[] = {
        {"GLBX", "LTO6", "V1", Kind::WrongCustomer, nullptr, 0, {4, 1, 3, 0, 0, 1, 0}},
        {"ACME", "LTO8", "V1", Kind::WrongMedia, nullptr, 0, {4, 1, 3, 0, 0, 2, 0}},
        {"ACME", "LTO6", "V1", Kind::First, "[Scanned]", 1, {4, 2, 2, 0, 0, 2, 0}},
        {"ACME", "LTO6", "V1", Kind::Second, "[Duplicate][Scanned]", 2, {4, 2, 2, 0, 1, 2, 0}},
        {"ACME", "LTO6", "V1", Kind::Later, "[Duplicate][Scanned]", 3, {4, 2, 2, 0, 1, 2, 0}},
        // A pass of the run before is scanned already: not counted twice.
        {"ACME", "LTO6", "V3", Kind::First, "[Scanned][Passed-Previous]", 1, {4, 2, 2, 0, 1, 2, 0}},
        {"ACME", "LTO6", "V4", Kind::First, "[Moving-In][Scanned]", 1, {4, 3, 1, 0, 1, 2, 0}},
        {"ACME", "LTO6", "V5", Kind::Errant, "[Errant][Scanned]", 1, {5, 4, 1, 1, 1, 2, 1}},
        {"ACME", "LTO6", "ZZ9", Kind::New, "[New][Scanned]", 1, {6, 5, 1, 2, 1, 2, 2}},
        // Scanning a surplus Volume again never makes it pass.
        {"ACME",
         "LTO6",
         "V5",
         Kind::Later,
         "[Duplicate][Errant][Scanned]",
         2,
         {6, 5, 1, 2, 2, 2, 2}},
    };
    CReconciliationAudit audit = Audited();
    for (const auto& s : steps) {
        size_t index = 99;
        const Kind kind = audit.Scan(QLatin1String(s.customer), QLatin1String(s.media),
                                     QLatin1String(s.volume), &index);
        EXPECT_EQ(int(kind), int(s.kind)) << s.volume;
        if (s.status) {
            ASSERT_LT(index, audit.Items().size()) << s.volume;
            EXPECT_EQ(audit.Items()[index].StatusText(), QLatin1String(s.status)) << s.volume;
            EXPECT_EQ(audit.Items()[index].scanCount, s.count) << s.volume;
        }
        const CReconciliationStats& st = audit.Stats();
        EXPECT_EQ((std::array{st.total, st.scanned, st.unscanned, st.undefined, st.duplicates,
                              st.badScope, st.notInList}),
                  s.stats)
            << s.volume;
    }
    // Only V2 is left unseen; the surplus Volumes are never flagged as unseen.
    const auto unseen = audit.UnseenItems();
    ASSERT_EQ(unseen.size(), 1u);
    EXPECT_EQ(audit.Items()[unseen[0]].volumeId, QStringLiteral("V2"));
}

TEST(VaultManifest, ParsesOrRefusesWithTheLine) {
    const struct {
        const char* name;
        QByteArray text;
        int volumes;         // -1: refused
        const char* message; // part of the refusal
    } cases[] = {
        {"plain", "Volume\nACME.LTO6.V1\nACME.LTO6.V2\n", 2, nullptr},
        {"columns and CRLF", "Volume,Slot,Note\r\nACME.LTO6.V1,12,\"a, b\"\r\nACME.LTO6.V2\r\n", 2,
         nullptr},
        {"BOM and blank lines", "\xEF\xBB\xBFvolume\n\nACME.LTO6.V1\n\n", 1, nullptr},
        {"quoted newline", "Volume,Note\nACME.LTO6.V1,\"two\nlines\"\nACME.LTO6.V2,x\n", 2,
         nullptr},
        {"header only", "Volume\n", 0, nullptr},
        {"no header", "ACME.LTO6.V1\nACME.LTO6.V2\n", -1, "must name the columns"},
        {"empty", "", -1, "must name the columns"},
        {"duplicate", "Volume\nACME.LTO6.V1\nACME.LTO6.V2\nACME.LTO6.V1\n", -1,
         "line 4: ACME.LTO6.V1 is listed twice (first on line 2)"},
        {"not UTF-8", "Volume\nACME.LTO6.V1\nACME.LTO6.\xC3\x28\n", -1, "line 3 is not UTF-8"},
        {"bare Volume", "Volume\nV1\n", -1, "line 2: \"V1\" is not a Volume"},
        {"too long", "Volume\nACME.LTO6.ABCDEFGHIJK\n", -1, "is not a Volume"},
        {"too many fields", "Volume,Slot\nACME.LTO6.V1,1,2\n", -1, "line 2 has 3 fields"},
        {"open quote", "Volume,Note\nACME.LTO6.V1,\"never\n", -1, "line 2: a quote is never"},
        {"same column twice", "Volume,Slot,Slot\n", -1, "column 3"},
    };
    for (const auto& c : cases) {
        CVaultManifest m;
        QString error;
        const bool ok = m.Parse(c.text, &error);
        EXPECT_EQ(ok, c.volumes >= 0) << c.name << ": " << error.toStdString();
        EXPECT_EQ(m.volumes.size(), std::max(c.volumes, 0)) << c.name;
        if (c.message) {
            EXPECT_TRUE(error.contains(QLatin1String(c.message)))
                << c.name << ": " << error.toStdString();
        }
    }
    CVaultManifest m;
    QString error;
    ASSERT_TRUE(m.Parse("Volume,Slot,Note\nACME.LTO6.V1,12,\"a, b\"\nACME.LTO6.V2\n", &error));
    EXPECT_EQ(m.values[0], (QStringList{"12", "a, b"}));
    EXPECT_EQ(m.values[1], (QStringList{"", ""}));
}

TEST(VaultManifest, RefusesAMillionLinesAsAWhole) {
    QByteArray text = "Volume\n";
    text.reserve(20 * 1000001);
    for (int i = 0; i < 1000000; ++i)
        text += "ACME.LTO6." + QByteArray::number(i) + '\n';
    CVaultManifest m;
    QString error;
    EXPECT_FALSE(m.Parse(text, &error));
    EXPECT_TRUE(error.contains(QLatin1String("more than 500,000 Volumes"))) << error.toStdString();
    EXPECT_TRUE(m.volumes.isEmpty());
    EXPECT_TRUE(m.index.isEmpty());
}

TEST(ThreeWay, EveryCombinationHasItsWord) {
    const QStringList expected{"A.M.1", "A.M.2", "A.M.3", "A.M.4"};
    const QStringList scanned{"A.M.1", "A.M.2", "A.M.5", "A.M.6", "A.M.1"};
    const QStringList listed{"A.M.1", "A.M.3", "A.M.5", "A.M.7"};
    CThreeWayCounts counts;
    const auto rows = CompareThreeWay(expected, scanned, listed, &counts);
    const std::pair<const char*, const char*> want[] = {
        {"A.M.1", "Agreed"},        {"A.M.2", "Not in manifest"}, {"A.M.3", "Not scanned"},
        {"A.M.4", "Server only"},   {"A.M.5", "Not expected"},    {"A.M.6", "Scan only"},
        {"A.M.7", "Manifest only"},
    };
    ASSERT_EQ(rows.size(), std::size(want));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].volume, QLatin1String(want[i].first));
        EXPECT_EQ(rows[i].Difference(), QLatin1String(want[i].second)) << want[i].first;
    }
    EXPECT_EQ(counts.agreed, 1);
    EXPECT_EQ(counts.differences, 6);
}

TEST(ThreeWay, ScanListsAllowRepeatsButNotGarbage) {
    QStringList scans;
    QString error;
    EXPECT_TRUE(CVaultManifest::ParseScans("ACME.LTO6.V1\nACME.LTO6.V1\n\n", &scans, &error));
    EXPECT_EQ(scans.size(), 2);
    EXPECT_FALSE(CVaultManifest::ParseScans("ACME.LTO6.V1\nACME.LTO6.V2,x\n", &scans, &error));
    EXPECT_TRUE(error.contains(QLatin1String("line 2"))) << error.toStdString();
    EXPECT_TRUE(scans.isEmpty());
}

} // namespace
