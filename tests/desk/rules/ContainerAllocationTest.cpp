// Scan-Out's allocation table on a real database, on both engines: each row
// builds the send list and the Containers at the Scan-Out Repository from the
// server, allocates, and checks the Allocation Log line by line, the
// Containers each Volume got, the reservations, the notifications and what
// the server holds afterwards.
#include "ContainerAllocation.h"

#include "ContainerCache.h"
#include "QtPrinters.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZelvTestDb.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

struct ContainerSpec {
    const char* id;
    unsigned capacity;
    unsigned used;      // Volumes travelling in it already
    uint32_t cluster;   // 1 Payroll, 2 Finance
    const char* target; // "" when it is not moving
};

struct RowSpec {
    const char* id;
    const char* target;
    uint32_t cluster;
};

struct AllocationCase {
    const char* name;
    const char* config;
    bool dryRun;
    std::vector<ContainerSpec> containers;
    std::vector<RowSpec> rows;
    // "I ", "W ", "E " and the text.
    std::vector<const char*> log;
    // Per row: the Container's Volume-ID, "*" added when the row is marked
    // allocated (written on Next); "" for none.
    std::vector<const char*> got;
    std::vector<unsigned> reserved;     // per Container, in the order above
    std::vector<const char*> errors;    // Volume-IDs of the "Allocation Error" notices
    std::vector<uint32_t> clusterAfter; // per Container, on the server
};

std::ostream& operator<<(std::ostream& os, const AllocationCase& c) {
    return os << c.name;
}

#define V(id) "ACME.LTO5." id
#define ROW(id, target, cluster)                                                                   \
    "I Allocating Volume=" V(id) ",Target=" target ",Data-Cluster=" cluster,                       \
        "I Allocation setion has 1 elements", "I Processing element 1"

const AllocationCase kCases[] = {
    {"CapacityThreeUsedOneTakesTwoThenRefuses",
     R"(allocation = ( { volume = { target = "VLT1"; }; container = { barcode = "ACME.LTO5.CN*"; }; } );)",
     false,
     {{"CN01", 3, 1, 0, ""}},
     {{"A00001", "VLT1", 0}, {"A00002", "VLT1", 0}, {"A00003", "VLT1", 0}},
     {"I Starting Allocation",
      ROW("A00001", "VLT1", ""),
      "I Found a matching element on line 1",
      "I Looking for an 'container' section",
      "I Checking " V("CN01"),
      "I This Container is fine",
      ROW("A00002", "VLT1", ""),
      "I Found a matching element on line 1",
      "I Looking for an 'container' section",
      "I Checking " V("CN01"),
      "I This Container is fine",
      ROW("A00003", "VLT1", ""),
      "I Found a matching element on line 1",
      "I Looking for an 'container' section",
      "I Checking " V("CN01"),
      "I Container capacity has been exceeded",
      "W Could not assign an existing Container",
      "I Looking for an 'assignment' section",
      "W Element does not have an 'assignment' section.",
      "I Allocation Complete"},
     {"CN01*", "CN01*", ""},
     {2},
     {"A00003"},
     {0}},
    {"OnlyAllocationFalseMatchesEveryVolumeAndAllocatesNone",
     R"(allocation = ( { volume = { allocation = false; }; } );)",
     false,
     {{"CN01", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}, {"A00002", "VLT2", 2}},
     {"I Starting Allocation", ROW("A00001", "VLT1", ""),
      "I Setting has requested that allocation not take place",
      "I Found a matching element on line 1", ROW("A00002", "VLT2", "Finance"),
      "I Setting has requested that allocation not take place",
      "I Found a matching element on line 1", "I Allocation Complete"},
     {"", ""},
     {0},
     {},
     {0}},
    {"ElementsWithoutVolumeAreErrorsAndSkipped",
     "allocation = (\n"
     "  { container = { barcode = \"*\"; }; },\n"
     "  \"not a group\",\n"
     "  { volume = { barcode = \"ACME.LTO5.A*\"; };\n"
     "    container = { }; }\n"
     ");\n",
     false,
     {{"CN01", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}},
     {"I Starting Allocation", "I Allocating Volume=" V("A00001") ",Target=VLT1,Data-Cluster=",
      "I Allocation setion has 3 elements", "I Processing element 1",
      "E This element has no 'volume' section", "I Processing element 2",
      "E This element has no 'volume' section", "I Processing element 3",
      "I Found a matching element on line 4", "I Looking for an 'container' section",
      "I Checking " V("CN01"), "I This Container is fine", "I Allocation Complete"},
     {"CN01*"},
     {1},
     {},
     {0}},
    {"ContainerTakesItsFirstTargetAndRefusesAnother",
     R"(allocation = ( { volume = { }; container = { }; } );)",
     false,
     {{"CN01", 0, 0, 0, ""}, {"CN02", 5, 0, 0, "VLT1"}},
     {{"A00001", "VLT1", 0}, {"A00002", "VLT2", 0}},
     {"I Starting Allocation", ROW("A00001", "VLT1", ""), "I Found a matching element on line 1",
      "I Looking for an 'container' section", "I Checking " V("CN01"), "I This Container is fine",
      ROW("A00002", "VLT2", ""), "I Found a matching element on line 1",
      "I Looking for an 'container' section", "I Checking " V("CN01"),
      "I Container has an incompatible target (VLT1)", "I Checking " V("CN02"),
      "I Container has an incompatible target (VLT1)", "W Could not assign an existing Container",
      "I Looking for an 'assignment' section", "W Element does not have an 'assignment' section.",
      "I Allocation Complete"},
     {"CN01*", ""},
     {1, 0},
     {"A00002"},
     {0, 0}},
    {"EmptyContainerIsGivenTheDataClusterOnTheServer",
     R"(allocation = ( { volume = { datacluster = "Payroll"; }; container = { datacluster = "Payroll"; };
                        assignment = { datacluster = "Payroll"; barcode = "*.CN0[2-9]"; }; } );)",
     false,
     {{"CN01", 0, 0, 2, ""}, {"CN02", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 1}, {"A00002", "VLT1", 1}, {"B00001", "VLT1", 2}},
     {"I Starting Allocation", ROW("A00001", "VLT1", "Payroll"),
      "I Found a matching element on line 1", "I Looking for an 'container' section",
      "I Checking " V("CN01"),
      "I Container did not meet the DataCluster filter requirement (Filter=Payroll,Value=Finance)",
      "I Checking " V("CN02"),
      "I Container did not meet the DataCluster filter requirement (Filter=Payroll,Value=)",
      "W Could not assign an existing Container", "I Looking for an 'assignment' section",
      "I Trying to assign an eligable Container to Data-Cluster(Payroll)", "I Checking " V("CN01"),
      "I Container already has a Data-Cluster assigned so skipping", "I Checking " V("CN02"),
      "I This Container is fine",
      // The next Payroll Volume finds the Container that now has the Data-Cluster.
      ROW("A00002", "VLT1", "Payroll"), "I Found a matching element on line 1",
      "I Looking for an 'container' section", "I Checking " V("CN01"),
      "I Container did not meet the DataCluster filter requirement (Filter=Payroll,Value=Finance)",
      "I Checking " V("CN02"), "I This Container is fine", ROW("B00001", "VLT1", "Finance"),
      "I Volume did not meet the Data-Cluster filter requirement (Payroll)",
      "E We did not find any matching elements so unable assign candidate Volume to a Container",
      "I Allocation Complete"},
     {"CN02", "CN02*", ""},
     {0, 2},
     {"B00001"},
     {2, 1}},
    {"DryRunDecidesAlikeAndWritesNothing",
     R"(allocation = ( { volume = { datacluster = "Payroll"; }; container = { datacluster = "Payroll"; };
                        assignment = { datacluster = "Payroll"; barcode = "*.CN0[2-9]"; }; } );)",
     true,
     {{"CN01", 0, 0, 2, ""}, {"CN02", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 1}},
     {"I Starting Allocation", ROW("A00001", "VLT1", "Payroll"),
      "I Found a matching element on line 1", "I Looking for an 'container' section",
      "I Checking " V("CN01"),
      "I Container did not meet the DataCluster filter requirement (Filter=Payroll,Value=Finance)",
      "I Checking " V("CN02"),
      "I Container did not meet the DataCluster filter requirement (Filter=Payroll,Value=)",
      "W Could not assign an existing Container", "I Looking for an 'assignment' section",
      "I Trying to assign an eligable Container to Data-Cluster(Payroll)", "I Checking " V("CN01"),
      "I Container already has a Data-Cluster assigned so skipping", "I Checking " V("CN02"),
      "I This Container is fine", "I Allocation Complete"},
     {"CN02"},
     {0, 1},
     {},
     {2, 0}},
    {"AssignmentNamingNoDataClusterKeepsSearchingAndFails",
     R"(allocation = ( { volume = { }; assignment = { datacluster = "Legal"; }; } );)",
     false,
     {{"CN01", 2, 2, 0, ""}, {"CN02", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}},
     {"I Starting Allocation", ROW("A00001", "VLT1", ""), "I Found a matching element on line 1",
      "I Looking for an 'container' section", "W Element does not have a 'container' section.",
      "W Could not assign an existing Container", "I Looking for an 'assignment' section",
      "I Trying to assign an eligable Container to Data-Cluster(Legal)", "I Checking " V("CN02"),
      "I This Data-Cluster is incompatible with the candidate Container (will keep searching)",
      "I Allocation Complete"},
     {""},
     {0},
     {"A00001"},
     // CN01 is full and not offered at all.
     {0, 0}},
    {"NoAllocationSectionAllocatesNothingWithoutErrors",
     R"(routing = ( );)",
     false,
     {{"CN01", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}},
     {"I Starting Allocation", "W Configuration file has no 'allocation' section",
      "I Allocation Complete"},
     {""},
     {0},
     {},
     {0}},
    {"AllocationOfTheWrongTypeIsNoSection",
     R"(allocation = "CN01";)",
     false,
     {{"CN01", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}},
     {"I Starting Allocation", "W Configuration file has no 'allocation' section",
      "I Allocation Complete"},
     {""},
     {0},
     {},
     {0}},
    {"WrongTypedMembersCountAsAbsentAndAreLogged",
     R"(allocation = ( { volume = { barcode = 5; allocation = "no"; }; container = 3;
                        assignment = { datacluster = 7; }; } );)",
     false,
     {{"CN01", 0, 0, 0, ""}},
     {{"A00001", "VLT1", 0}},
     {"I Starting Allocation", ROW("A00001", "VLT1", ""),
      "W 'volume.barcode' is not a text (integer) and is ignored",
      "W 'volume.allocation' is not a boolean (text) and is ignored",
      "W 'container' is not a group (integer) and is ignored",
      "W 'assignment.datacluster' is not a text (integer) and is ignored",
      "I Found a matching element on line 1", "I Looking for an 'container' section",
      "W Element does not have a 'container' section.", "W Could not assign an existing Container",
      "I Looking for an 'assignment' section",
      "E This section does not have a 'datacluster' setting", "I Allocation Complete"},
     {""},
     {0},
     {"A00001"},
     {0}},
};

#undef ROW

class ContainerAllocationTest
    : public ::testing::TestWithParam<std::tuple<TestEngine, AllocationCase>> {
protected:
    void SetUp() override {
        db = std::make_unique<ZelvTestDb>(std::get<0>(GetParam()));
        QString why;
        if (!db->Ready(&why)) {
            if (std::get<0>(GetParam()) == TestEngine::PostgreSQL &&
                ZelvTestDb::PgAddressText().isEmpty())
                GTEST_SKIP() << why.toStdString();
            FAIL() << why.toStdString();
        }
        mfc.SetServerAddress(db->Address());
        mfc.SetClock(&clock);
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        ASSERT_NO_FATAL_FAILURE(Seed());
    }

    void Ok(const CZELV10RC& rc) { ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString(); }

    void Seed() {
        const struct {
            const char* id;
            const char* name;
            uint16_t type;
        } repositories[] = {{"DC01", "Data Centre", ZELVREPTYPE_DATACENTRE},
                            {"VLT1", "North Vault", ZELVREPTYPE_VAULT},
                            {"VLT2", "South Vault", ZELVREPTYPE_VAULT}};
        for (const auto& r : repositories) {
            ZELVREPOSITORY rep;
            rep.repositoryId = r.id;
            rep.name = r.name;
            rep.type = r.type;
            ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(rep)));
        }
        ZELVCUSTEx customer;
        customer.customerId = "ACME";
        ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(customer)));
        ZELVMEDIAEx media;
        media.customerId = "ACME";
        media.mediaId = "LTO5";
        media.containerPattern = "CN*";
        ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(media)));
        for (const char* name : {"Payroll", "Finance"}) {
            ZELVCLUSTEREx cluster;
            cluster.customerId = "ACME";
            cluster.name = name;
            ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(cluster)));
        }
        ASSERT_NO_FATAL_FAILURE(Ok(mfc.List(&clusters, QStringLiteral("ACME"))));

        const AllocationCase& c = std::get<1>(GetParam());
        for (const ContainerSpec& k : c.containers) {
            ZELVVOLSEx v = NewVolume("ACME", "LTO5", k.id, "DC01", *k.target ? k.target : nullptr);
            v.vol.capacity = static_cast<uint8_t>(k.capacity);
            v.vol.dataCluster = k.cluster;
            ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(v)));
            ZELVVOLS read;
            ASSERT_NO_FATAL_FAILURE(Ok(mfc.Get(&read, "ACME", "LTO5", k.id)));
            numbers.push_back(read.container);
            for (unsigned i = 0; i < k.used; ++i) {
                ZELVVOLSEx in = NewVolume(
                    "ACME", "LTO5", qPrintable(QStringLiteral("F%1%2").arg(k.id).arg(i)), "DC01");
                in.vol.container = read.container;
                ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(in)));
            }
        }
        // A Volume that has left already and one at rest: neither is sent.
        ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(NewVolume("ACME", "LTO5", "Z00001", "DC01"))));
        ZELVVOLSEx gone = NewVolume("ACME", "LTO5", "Z00002", "DC01", "VLT1");
        gone.vol.flags |= ZELVVOL_SCANNEDOUT;
        ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(gone)));
        for (const RowSpec& r : c.rows) {
            ZELVVOLSEx v = NewVolume("ACME", "LTO5", r.id, "DC01", r.target);
            v.vol.dataCluster = r.cluster;
            ASSERT_NO_FATAL_FAILURE(Ok(mfc.Add(v)));
        }
    }

    QString ContainerId(uint32_t number) const {
        const AllocationCase& c = std::get<1>(GetParam());
        for (size_t i = 0; i < numbers.size(); ++i)
            if (numbers[i] == number)
                return QString::fromLatin1(c.containers[i].id);
        return number ? QStringLiteral("#%1").arg(number) : QString();
    }

    std::unique_ptr<ZelvTestDb> db;
    ZELVFixedClock clock{1700000000};
    CZELV10MFC mfc;
    std::vector<ZELVCLUSTERFULL> clusters;
    std::vector<uint32_t> numbers; // the Containers' numbers, in the order of the case
};

TEST_P(ContainerAllocationTest, DecidesLogsAndWrites) {
    const AllocationCase& c = std::get<1>(GetParam());
    ZELVConfig config;
    ASSERT_TRUE(config.ReadString(QString::fromUtf8(c.config)));

    CZELV10RepositoryCache repositories(&mfc);
    std::vector<VOLUMEPAGE_ITEM> sendList;
    BuildSendList(mfc, QStringLiteral("ACME"), QStringLiteral("DC01"), repositories, clusters,
                  &sendList);
    ASSERT_EQ(sendList.size(), c.rows.size());
    for (size_t i = 0; i < c.rows.size(); ++i) {
        EXPECT_EQ(sendList[i].key.Volume(), QString::fromLatin1(c.rows[i].id));
        EXPECT_EQ(sendList[i].target, QString::fromLatin1(c.rows[i].target));
        EXPECT_EQ(sendList[i].targetText,
                  QString::fromLatin1(c.rows[i].target) == QLatin1String("VLT1")
                      ? QStringLiteral("North Vault")
                      : QStringLiteral("South Vault"));
        EXPECT_EQ(sendList[i].targetType, int(ZELVREPTYPE_VAULT));
        EXPECT_EQ(sendList[i].dataCluster,
                  c.rows[i].cluster ? clusters[c.rows[i].cluster - 1].name.Text() : QString());
    }
    CContainerCache cache(&mfc);
    std::vector<CandidateContainer> candidates;
    BuildCandidateContainers(mfc, cache, QStringLiteral("ACME"), QStringLiteral("DC01"),
                             repositories, clusters, &candidates);
    // The cache names every Container by number and key.
    EXPECT_EQ(cache.Text(0), QStringLiteral("No-Container"));
    EXPECT_EQ(cache.Text(numbers[0]),
              QStringLiteral("ACME.LTO5.") + QLatin1String(c.containers[0].id));
    EXPECT_EQ(cache.Text(numbers.back() + 100), QString());
    const ZELV10CONTAINER* first = cache.Find(CVolumeKey(
        QStringLiteral("ACME"), QStringLiteral("LTO5"), QString::fromLatin1(c.containers[0].id)));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->number, numbers[0]);

    QStringList log, errors;
    CContainerAllocation::Services s;
    s.config = &config;
    s.connection = &mfc;
    s.repositories = &repositories;
    s.clusters = &clusters;
    s.dryRun = c.dryRun;
    s.log = [&log](int image, const QString& text) {
        log << QString(QLatin1Char("IWE"[image])) + QLatin1Char(' ') + text;
    };
    s.notify = [&errors](const QString& title, const QString& line1, const QString& line2,
                         int icon) {
        EXPECT_EQ(title, QStringLiteral("Allocation Error"));
        EXPECT_EQ(line2, QStringLiteral("Check Log to diagnose."));
        EXPECT_EQ(icon, 368);
        errors << line1;
    };
    CContainerAllocation allocation(s);
    const std::vector<CAllocationDecision> decisions = allocation.Allocate(sendList, candidates);

    QStringList expected;
    for (const char* line : c.log)
        expected << QString::fromUtf8(line);
    EXPECT_EQ(log, expected);

    // The decisions carry the same lines as the log, row by row.
    QStringList fromDecisions;
    for (const CAllocationDecision& d : decisions)
        for (const CAllocationLine& l : d.lines)
            fromDecisions << QString(QLatin1Char("IWE"[l.image])) + QLatin1Char(' ') + l.text;
    QStringList rowLines = log.mid(1, log.size() - 2);
    if (!allocation.Rules().HasSection())
        rowLines.clear();
    EXPECT_EQ(fromDecisions, rowLines);

    QStringList expectedErrors;
    for (const char* id : c.errors)
        expectedErrors << QStringLiteral("Failed to allocate ACME.LTO5.%1 to a Container").arg(id);
    EXPECT_EQ(errors, expectedErrors);

    QStringList got, want;
    for (const VOLUMEPAGE_ITEM& row : sendList)
        got << ContainerId(row.containerNumber) +
                   ((row.flags & kSendItemAllocated) ? QStringLiteral("*") : QString());
    for (const char* g : c.got)
        want << QString::fromLatin1(g);
    EXPECT_EQ(got, want);

    for (size_t i = 0; i < c.reserved.size(); ++i) {
        const auto it =
            std::find_if(candidates.begin(), candidates.end(),
                         [&](const CandidateContainer& k) { return k.number == numbers[i]; });
        if (it == candidates.end()) {
            EXPECT_EQ(c.reserved[i], 0u) << c.containers[i].id << " is not offered";
            continue;
        }
        EXPECT_EQ(it->reserved, c.reserved[i]) << c.containers[i].id;
    }

    // Next writes the allocations to existing Containers, and only those.
    CContainerAllocation::WriteAllocations(mfc, sendList);
    for (size_t i = 0; i < c.containers.size(); ++i) {
        ZELVVOLS v;
        ASSERT_TRUE(mfc.Get(&v, "ACME", "LTO5", c.containers[i].id).IsOK());
        EXPECT_EQ(v.dataCluster, c.clusterAfter[i]) << c.containers[i].id;
    }
    for (size_t i = 0; i < sendList.size(); ++i) {
        ZELVVOLS v;
        ASSERT_TRUE(mfc.Get(&v, "ACME", "LTO5", c.rows[i].id).IsOK());
        const bool written = QByteArray(c.got[i]).endsWith('*');
        EXPECT_EQ(ContainerId(v.container),
                  written ? QString::fromLatin1(c.got[i]).chopped(1) : QString())
            << c.rows[i].id;
    }
}

std::string
CaseName(const ::testing::TestParamInfo<std::tuple<TestEngine, AllocationCase>>& param) {
    return std::string(std::get<0>(param.param) == TestEngine::SQLite ? "SQLite_" : "PostgreSQL_") +
           std::get<1>(param.param).name;
}

INSTANTIATE_TEST_SUITE_P(Engines, ContainerAllocationTest,
                         ::testing::Combine(::testing::Values(TestEngine::SQLite,
                                                              TestEngine::PostgreSQL),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);

} // namespace
