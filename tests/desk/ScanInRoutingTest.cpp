// The Scan-In routing rules on a real database, on both engines: the worked
// example of the routing table, the filter rules, and configurations that are
// wrong in every way an operator could write them.
#include "ScanInRouting.h"

#include "QtPrinters.h"
#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZelvTestDb.h"

#include <QFile>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// The routing table of the worked example.
const char* const kWorkedExample = R"(
routing = (
  { volume = { target = "VLT2"; datacluster = "Payroll*"; }; },
  { volume = { target = "LIB1"; barcode = "*.LTO?.A*"; source = "DC01"; }; },
  { volume = { target = "VLT1"; }; }
);)";

// The first two elements alone: what matches neither stays where it is.
const char* const kWithoutFallback = R"(
routing = (
  { volume = { target = "VLT2"; datacluster = "Payroll*"; }; },
  { volume = { target = "LIB1"; barcode = "*.LTO?.A*"; source = "DC01"; }; }
);)";

struct RoutingCase {
    const char* name;
    const char* config;
    const char* media;  // the Volume's Media Type
    const char* volume; // its identifier
    uint32_t cluster;   // its Data-Cluster number
    const char* scanIn; // where it was travelling to and is confirmed at
    int routed;         // what the routing step returns
    const char* target; // the target it reports ("" when none applied)
    // Scan-log lines: "I " information, "W " warning, then the text.
    std::vector<const char*> scanLog;
    // Transaction-log lines of the routing step.
    std::vector<const char*> logLines;
    const char* current; // where the server has the Volume afterwards
    const char* next;    // and where it is going
    // Data-Clusters the sheet's list holds (-1: all); a shorter list stands
    // for one read before the Customer got more.
    int listed = -1;
};

std::ostream& operator<<(std::ostream& os, const RoutingCase& c) {
    return os << c.name;
}

// The lines every applied element of the worked example starts with.
#define HEAD(v, n) "I Checking Routing table. Volume(" v ")", "I Table has " #n " elements"

const RoutingCase kCases[] = {
    // --- The worked example ---------------------------------------------------
    {"PayrollClusterGoesToTheAutoConfirmVault",
     kWorkedExample,
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "VLT2",
     {HEAD("ACME.LTO6.A00001", 3), "I Checking element 1",
      "I Volume is cleared for routing to South Vault", "I Post-route confirm: OK"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to VLT2 - OK", "Scan-In: Post-route confirm: OK"},
     "VLT2",
     "VLT2"},
    {"LTO6AVolumeReceivedAtDC01GoesToTheLibrary",
     kWorkedExample,
     "LTO6",
     "A00002",
     2,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00002", 3), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=Payroll*,Value=Finance)",
      "I Checking element 2", "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00002 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"AnyOtherVolumeFallsThroughToTheLastElement",
     kWorkedExample,
     "LTO6",
     "B00001",
     0,
     "DC01",
     1,
     "VLT1",
     {HEAD("ACME.LTO6.B00001", 3), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=Payroll*,Value=)",
      "I Checking element 2", "I Volume does not match Barcode filter (*.LTO?.A*)",
      "I Checking element 3", "I Volume is cleared for routing to North Vault"},
     {"Scan-In: Routed Volume: ACME.LTO6.B00001 to VLT1 - OK"},
     "DC01",
     "VLT1"},
    {"AVolumeReceivedElsewhereFailsTheSourceFilter",
     kWorkedExample,
     "LTO8",
     "A00003",
     2,
     "LIB1",
     1,
     "VLT1",
     {HEAD("ACME.LTO8.A00003", 3), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=Payroll*,Value=Finance)",
      "I Checking element 2",
      "I Volume does not match Source Repository filter (Filter=DC01,Value=LIB1)",
      "I Checking element 3", "I Volume is cleared for routing to North Vault"},
     {"Scan-In: Routed Volume: ACME.LTO8.A00003 to VLT1 - OK"},
     "LIB1",
     "VLT1"},
    {"WithoutTheLastElementTheVolumeStaysWhereItWasConfirmed",
     kWithoutFallback,
     "LTO6",
     "B00001",
     0,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.B00001", 2), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=Payroll*,Value=)",
      "I Checking element 2", "I Volume does not match Barcode filter (*.LTO?.A*)"},
     {},
     "DC01",
     "DC01"},

    // --- Filter rules ---------------------------------------------------------
    {"NoRoutingSettingLogsNothing",
     "options = { disablespeech = true; };",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {},
     {},
     "DC01",
     "DC01"},
    {"EmptyRoutingListLogsTheTableOnly",
     "routing = ();",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 0)},
     {},
     "DC01",
     "DC01"},
    {"RoutingAsAGroupOfElementsIsATableToo",
     R"(routing = { first = { volume = { target = "VLT1"; }; }; };)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "VLT1",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to North Vault"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to VLT1 - OK"},
     "DC01",
     "VLT1"},
    {"AnElementWithOnlyATargetTakesEveryVolume",
     R"(routing = ( { volume = { target = "LIB1"; note = "ignored"; }; comment = "x"; } );)",
     "LTO8",
     "Z00009",
     0,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO8.Z00009", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO8.Z00009 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"BarcodePatternMatchesTheWholeTextFromTheCustomer",
     R"(routing = ( { volume = { target = "LIB1"; barcode = "A*"; }; } );)",
     "LTO8",
     "Z00009",
     0,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO8.Z00009", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO8.Z00009 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"BarcodePatternOnTheVolumePart",
     R"(routing = ( { volume = { target = "LIB1"; barcode = "*.*.A*"; }; } );)",
     "LTO8",
     "Z00009",
     0,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO8.Z00009", 1), "I Checking element 1",
      "I Volume does not match Barcode filter (*.*.A*)"},
     {},
     "DC01",
     "DC01"},
    {"MatchingIsCaseSensitive",
     R"(routing = ( { volume = { target = "LIB1"; barcode = "*.lto*.*"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume does not match Barcode filter (*.lto*.*)"},
     {},
     "DC01",
     "DC01"},
    {"ExtendedPatternsAreUnderstood",
     R"cfg(routing = ( { volume = { target = "LIB1"; barcode = "ACME.@(LTO6|LTO7).+([A-Z0-9])"; }; } );)cfg",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"NoDataClusterHasAnEmptyNameThatStarMatches",
     R"(routing = ( { volume = { target = "LIB1"; datacluster = "*"; }; } );)",
     "LTO6",
     "B00001",
     0,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.B00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.B00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"NoDataClusterFailsQuestionStar",
     R"(routing = ( { volume = { target = "LIB1"; datacluster = "?*"; }; } );)",
     "LTO6",
     "B00001",
     0,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.B00001", 1), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=?*,Value=)"},
     {},
     "DC01",
     "DC01"},
    {"ADataClusterNumberBeyondTheListHasNoName",
     R"(routing = ( { volume = { target = "LIB1"; datacluster = "?*"; }; } );)",
     "LTO6",
     "B00002",
     2,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.B00002", 1), "I Checking element 1",
      "I Volume does not match Data Cluster filter (Filter=?*,Value=)"},
     {},
     "DC01",
     "DC01",
     1},
    {"DataClusterMatchedByName",
     R"(routing = ( { volume = { target = "LIB1"; datacluster = "Payroll Monthly"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"FirstMatchWinsAndTheSecondIsNotChecked",
     R"(routing = ( { volume = { target = "LIB1"; }; }, { volume = { target = "VLT1"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00001", 2), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"AutoConfirmTargetConfirmsTheVolumeThere",
     R"(routing = ( { volume = { target = "VLT2"; source = "DC01"; }; } );)",
     "LTO8",
     "Z00009",
     0,
     "DC01",
     1,
     "VLT2",
     {HEAD("ACME.LTO8.Z00009", 1), "I Checking element 1",
      "I Volume is cleared for routing to South Vault", "I Post-route confirm: OK"},
     {"Scan-In: Routed Volume: ACME.LTO8.Z00009 to VLT2 - OK", "Scan-In: Post-route confirm: OK"},
     "VLT2",
     "VLT2"},
    {"RoutingToWhereTheVolumeIsEndsTheMove",
     R"(routing = ( { volume = { target = "DC01"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "DC01",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to Data Centre"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to DC01 - OK"},
     "DC01",
     "DC01"},

    // --- Configurations written wrong ------------------------------------------
    {"RoutingOfTheWrongTypeCountsAsAbsent",
     R"(routing = "VLT1";)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {},
     {},
     "DC01",
     "DC01"},
    {"RoutingAsANumberCountsAsAbsent",
     "routing = 42;",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {},
     {},
     "DC01",
     "DC01"},
    {"ElementsThatAreNotGroupsAreSkipped",
     R"(routing = ( "VLT1", 5, ( "x" ), { volume = { target = "LIB1"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00001", 4), "I Checking element 1", "W Element has no volume section",
      "I Checking element 2", "W Element has no volume section", "I Checking element 3",
      "W Element has no volume section", "I Checking element 4",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"VolumeThatIsNotAGroupHasNoTarget",
     R"(routing = ( { volume = "VLT1"; }, { volume = ( "VLT1" ); }, { target = "VLT1"; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 3), "I Checking element 1", "W Section has no target value",
      "I Checking element 2", "W Section has no target value", "I Checking element 3",
      "W Element has no volume section"},
     {},
     "DC01",
     "DC01"},
    {"TargetThatIsNotAStringIsNoTarget",
     R"(routing = ( { volume = { target = 1234; }; }, { volume = { target = true; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 2), "I Checking element 1", "W Section has no target value",
      "I Checking element 2", "W Section has no target value"},
     {},
     "DC01",
     "DC01"},
    {"FilterThatIsNotAStringDoesNotRestrict",
     R"(routing = ( { volume = { target = "LIB1"; barcode = 7; source = [ "VLT1" ]; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "LIB1",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to Tape Library"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to LIB1 - OK"},
     "DC01",
     "LIB1"},
    {"UnbalancedBracketMatchesNothing",
     R"(routing = ( { volume = { target = "LIB1"; barcode = "ACME.LTO6.[A*"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume does not match Barcode filter (ACME.LTO6.[A*)"},
     {},
     "DC01",
     "DC01"},
    {"ExtendedPatternSyntaxErrorMatchesNothing",
     R"(routing = ( { volume = { target = "LIB1"; source = "@(DC01"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume does not match Source Repository filter (Filter=@(DC01,Value=DC01)"},
     {},
     "DC01",
     "DC01"},
    {"PatternThatCannotBeUsedIsLoggedAndMatchesNothing",
     R"(routing = ( { volume = { target = "LIB1"; barcode = "ACME.LTO6.[[:vowel:]]*"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "W Barcode filter (ACME.LTO6.[[:vowel:]]*) cannot be used. \"[:vowel:]\" names no "
      "character class.",
      "I Volume does not match Barcode filter (ACME.LTO6.[[:vowel:]]*)"},
     {},
     "DC01",
     "DC01"},
    // One that makes fnmatch backtrack for minutes on this Volume answers at once.
    {"RunawayPatternAnswersAtOnce",
     R"cfg(routing = ( { volume = { target = "LIB1"; barcode = "*(?|?|?|?)*(?|?|?|?)*(?|?|?)Z"; }; } );)cfg",
     "LTO6",
     "A00001",
     1,
     "DC01",
     0,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume does not match Barcode filter (*(?|?|?|?)*(?|?|?|?)*(?|?|?)Z)"},
     {},
     "DC01",
     "DC01"},
    {"TargetNamingNoRepositoryIsRefusedAndTheVolumeStays",
     R"(routing = ( { volume = { target = "ZZZZ"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "ZZZZ",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to ID(ZZZZ)"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to ZZZZ - Repository not found: target ZZZZ"},
     "DC01",
     "DC01"},
    // Cutting it to "VLT1" would send the Volume somewhere nobody named.
    {"TargetLongerThanFourCharactersIsRefusedAndTheVolumeStays",
     R"(routing = ( { volume = { target = "VLT1-OFFSITE"; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "VLT1-OFFSITE",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to ID(VLT1-OFFSITE)"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to VLT1-OFFSITE - Invalid identifier: "
      "Repository-ID \"VLT1-OFFSITE\" is longer than 4 characters"},
     "DC01",
     "DC01"},
    {"EmptyTargetIsRefusedAndTheVolumeStays",
     R"(routing = ( { volume = { target = ""; }; } );)",
     "LTO6",
     "A00001",
     1,
     "DC01",
     1,
     "",
     {HEAD("ACME.LTO6.A00001", 1), "I Checking element 1",
      "I Volume is cleared for routing to ID()"},
     {"Scan-In: Routed Volume: ACME.LTO6.A00001 to  - Invalid identifier: Target Repository-ID "
      "is empty"},
     "DC01",
     "DC01"},
};

#undef HEAD

class ScanInRoutingTest : public ::testing::TestWithParam<std::tuple<TestEngine, RoutingCase>> {
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
        ASSERT_TRUE(Seed());
        ASSERT_TRUE(log.Open(db->Folder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    }

    bool Seed() {
        const struct {
            const char* id;
            const char* name;
            uint16_t type;
            uint32_t flags;
        } repositories[] = {
            {"DC01", "Data Centre", ZELVREPTYPE_DATACENTRE, 0},
            {"VLT1", "North Vault", ZELVREPTYPE_VAULT, 0},
            {"VLT2", "South Vault", ZELVREPTYPE_VAULT, ZELVREP_AUTOCONFIRM},
            {"LIB1", "Tape Library", ZELVREPTYPE_LIBRARY, 0},
        };
        for (const auto& r : repositories) {
            ZELVREPOSITORY rep;
            rep.repositoryId = r.id;
            rep.name = r.name;
            rep.type = r.type;
            rep.flags = r.flags;
            if (!mfc.Add(rep).IsOK())
                return false;
        }
        ZELVCUSTEx customer;
        customer.customerId = "ACME";
        customer.name = "Acme Corporation";
        if (!mfc.Add(customer).IsOK())
            return false;
        for (const char* m : {"LTO6", "LTO8"}) {
            ZELVMEDIAEx media;
            media.customerId = "ACME";
            media.mediaId = m;
            if (!mfc.Add(media).IsOK())
                return false;
        }
        for (const char* name : {"Payroll Monthly", "Finance"}) {
            ZELVCLUSTEREx cluster;
            cluster.customerId = "ACME";
            cluster.name = name;
            if (!mfc.Add(cluster).IsOK())
                return false;
        }
        return mfc.List(&clusters, QStringLiteral("ACME")).IsOK() && clusters.size() == 2;
    }

    // The scanned Volume on its way to the Scan-In Repository, from another one.
    bool AddTravelling(const RoutingCase& c) {
        ZELVVOLSEx v;
        v.key.customerId = "ACME";
        v.key.mediaId = c.media;
        v.key.volumeId = c.volume;
        const char* from = QByteArray(c.scanIn) == "VLT1" ? "DC01" : "VLT1";
        v.vol.Current().repositoryId = from;
        v.vol.Confirmation().repositoryId = from;
        v.vol.Target().repositoryId = c.scanIn;
        v.vol.dataCluster = c.cluster;
        const CZELV10RC rc = mfc.Add(v);
        if (!rc.IsOK())
            ADD_FAILURE() << rc.Get().toStdString();
        return rc.IsOK();
    }

    QStringList RoutingLogLines() {
        QStringList lines;
        QFile file(log.Path());
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n")))
            if (line.mid(16).startsWith(QLatin1String("Scan-In:")))
                lines.append(line.mid(16));
        return lines;
    }

    std::unique_ptr<ZelvTestDb> db;
    ZELVFixedClock clock{1700000000};
    CZELV10MFC mfc;
    TransactionLog log{QStringLiteral("Aug 14 2018"), clock};
    std::vector<ZELVCLUSTERFULL> clusters;
};

QStringList Texts(const std::vector<const char*>& lines) {
    QStringList out;
    for (const char* line : lines)
        out.append(QString::fromUtf8(line));
    return out;
}

TEST_P(ScanInRoutingTest, Route) {
    const RoutingCase& c = std::get<1>(GetParam());
    ASSERT_TRUE(AddTravelling(c));

    ZELVConfig config;
    QString error;
    ASSERT_TRUE(config.ReadString(QString::fromUtf8(c.config), &error)) << error.toStdString();
    CZELV10RepositoryCache cache(&mfc);
    QStringList scanLog;
    QStringList notices;
    CScanInRouting::Services services;
    services.config = &config;
    services.connection = &mfc;
    services.log = &log;
    std::vector<ZELVCLUSTERFULL> listed = clusters;
    if (c.listed >= 0)
        listed.resize(size_t(c.listed));
    services.clusters = &listed;
    services.repositories = &cache;
    services.scanLog = [&](int image, const QString& text) {
        scanLog.append(QString::fromLatin1(image == CScanInRouting::Information ? "I "
                                           : image == CScanInRouting::Warning   ? "W "
                                                                                : "E ") +
                       text);
    };
    services.notify = [&](const QString& title, const QString& line1, const QString& line2,
                          int icon) {
        notices.append(QStringLiteral("%1|%2|%3|%4").arg(title, line1, line2).arg(icon));
    };

    // What the Scan-In page does first: confirm the Volume where it arrived.
    CVolumeRecord record(mfc, CVolumeKey(QStringLiteral("ACME"), QString::fromLatin1(c.media),
                                         QString::fromLatin1(c.volume)));
    const CZELV10RC confirmed = record.Confirm(QString::fromLatin1(c.scanIn), CVolumeRecord::kKeep,
                                               CVolumeRecord::kKeep, false);
    ASSERT_TRUE(confirmed.IsOK()) << confirmed.Get().toStdString();

    QString target = QStringLiteral("unset");
    const int routed = CScanInRouting(services).Route(record, &target);

    EXPECT_EQ(routed, c.routed);
    EXPECT_EQ(target.toStdString(), routed ? std::string(c.target) : std::string("unset"));
    EXPECT_EQ(scanLog, Texts(c.scanLog));
    EXPECT_EQ(RoutingLogLines(), Texts(c.logLines));
    if (routed) {
        // The notice names the target as the scan log does.
        const QString cleared = QStringLiteral("Volume is cleared for routing to ");
        QString name;
        for (const QString& line : scanLog)
            if (line.mid(2).startsWith(cleared))
                name = line.mid(2 + cleared.size());
        EXPECT_EQ(notices, QStringList{QStringLiteral("Scan Routed|Volume ACME.%1.%2 routed to "
                                                      "%3.||367")
                                           .arg(QString::fromLatin1(c.media),
                                                QString::fromLatin1(c.volume), name)});
    } else {
        EXPECT_TRUE(notices.isEmpty());
    }

    ZELVVOLS stored;
    ASSERT_TRUE(mfc.Get(&stored, QStringLiteral("ACME"), QString::fromLatin1(c.media),
                        QString::fromLatin1(c.volume))
                    .IsOK());
    EXPECT_EQ(stored.Current().repositoryId.Text().toStdString(), c.current);
    EXPECT_EQ(stored.Target().repositoryId.Text().toStdString(), c.next);
    EXPECT_EQ((stored.flags & ZELVVOL_MOVING) != 0, std::string(c.current) != c.next);
    // Routing never takes a Data-Cluster or a Container away.
    EXPECT_EQ(stored.dataCluster, c.cluster);
    EXPECT_EQ(stored.container, 0u);
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<TestEngine, RoutingCase>>& info) {
    return std::string(std::get<0>(info.param) == TestEngine::SQLite ? "SQLite_" : "PostgreSQL_") +
           std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Table, ScanInRoutingTest,
                         ::testing::Combine(::testing::Values(TestEngine::SQLite,
                                                              TestEngine::PostgreSQL),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);

} // namespace
