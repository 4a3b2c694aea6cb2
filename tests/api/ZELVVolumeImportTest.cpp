// The Volume import on both engines: every problem of a file found by row and
// column before anything is written, then all rows in one transaction or none.
#include "ZELVVolumeImport.h"

#include "XlsxWrite.h"
#include "ZELVCsvReader.h"
#include "ZELVDate.h"
#include "ZelvTestDb.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class ZELVVolumeImportTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(c).IsOK());
        ZELVMEDIAEx m;
        m.customerId = "ACME";
        m.mediaId = "LTO6";
        ASSERT_TRUE(mfc.Add(m).IsOK());
        ZELVREPOSITORY r;
        r.repositoryId = "LIB1";
        ASSERT_TRUE(mfc.Add(r).IsOK());
        ZELVCLUSTEREx k;
        k.customerId = "ACME";
        k.name = "Payroll";
        ASSERT_TRUE(mfc.Add(k, &cluster).IsOK());
        ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6", "OLD001")).IsOK());
    }
    qint64 Volumes() const {
        return db->Scalar(QStringLiteral("SELECT COUNT(*) FROM volume")).toLongLong();
    }

    // The sheet as a CSV file would give it.
    static ZELVSheet Csv(const QByteArray& bytes) {
        ZELVSheet sheet;
        QString error;
        EXPECT_TRUE(ZELVReadCsv(bytes, &sheet, &error)) << error.toStdString();
        return sheet;
    }

    uint32_t cluster = 0;
};

struct ImportCase {
    const char* name;
    QByteArray csv;
    QStringList problems; // exactly these, in this order; none: the rows go in
    int added;
};

const QByteArray kHeader = "Volume,Customer,Media Type,Repository\n";

const ImportCase kCases[] = {
    {"AllColumnsGoIn",
     "Volume,Customer,Media Type,Repository,Target Repository,Slot,Description,Data-Cluster,"
     "Next Move date,Threshold,Capacity\n"
     "A1,ACME,LTO6,LIB1,,7,\"Payroll, May\",Payroll,2030-01-31,90,\n"
     "A2,ACME,LTO6,INIT,LIB1,,,1,,,\n",
     {},
     2},
    {"BadRowAtTheEndWritesNothing",
     kHeader + "B1,ACME,LTO6,LIB1\nB2,ACME,LTO6,LIB1\nB3,ACME,LTO6,LIB1\nB4,ACME,LTO6,NOPE\n",
     {"row 5, Repository: the Repository NOPE is not on the server"},
     0},
    {"DuplicatesInTheFileAndOnTheServer",
     kHeader + "C1,ACME,LTO6,LIB1\nC1,ACME,LTO6,INIT\nOLD001,ACME,LTO6,LIB1\n",
     {"row 3, Volume: ACME.LTO6.C1 appears twice in the file (first in row 2)",
      "row 4, Volume: ACME.LTO6.OLD001 is already on the server"},
     0},
    {"HeaderWithoutRepositoryAndAnUnknownColumn",
     "Volume;Customer;Media Type;Colour\nA1;ACME;LTO6;red\n",
     {"row 1: the column \"Colour\" is not known (known: Volume, Customer, Media Type, "
      "Repository, Target Repository, Slot, Description, Container, Data-Cluster, Next Move "
      "date, Threshold, Capacity)",
      "row 1, Repository: the column is missing"},
     0},
    {"EveryFieldIsChecked",
     "Volume,Customer,Media Type,Repository,Next Move date,Threshold,Data-Cluster,Container\n"
     "ABCDEFGHIJK,ACME,LTO6,LIB1\n"
     "A.B,ACME,LTO6,LIB1\n"
     "A3,BETA,LTO6,LIB1\n"
     "A4,ACME,LTO9,LIB1\n"
     "A5,,LTO6,LIB1\n"
     "A6,ACME,LTO6,LIB1,31/31/2030,70000,Nope,99\n",
     {"row 2, Volume: Volume \"ABCDEFGHIJK\" is longer than 10 characters",
      "row 3, Volume: Volume \"A.B\" contains a character that is not allowed (only letters, "
      "digits, \"-\" and \"_\")",
      "row 4, Customer: the Customer BETA is not on the server",
      "row 5, Media Type: the Customer ACME has no Media Type LTO9", "row 6, Customer: is empty",
      "row 7, Container: there is no Container number 99",
      "row 7, Data-Cluster: the Customer ACME has no Data-Cluster \"Nope\"",
      "row 7, Next Move date: \"31/31/2030\" is not a date (2030-01-31, *+7 ...)",
      "row 7, Threshold: \"70000\" is not 0 to 65535 minutes"},
     0},
};

TEST_P(ZELVVolumeImportTest, ChecksEveryRowThenWritesAllOrNone) {
    for (const ImportCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const qint64 before = Volumes();
        CZELVVolumeImport import(mfc);
        const bool ok = import.Check(Csv(c.csv));
        QStringList problems;
        for (const ZELVImportProblem& p : import.Problems())
            problems << p.Text();
        EXPECT_EQ(problems.join(QLatin1Char('\n')).toStdString(),
                  c.problems.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(ok, c.problems.isEmpty());
        uint64_t added = 0;
        const CZELV10RC rc = import.Import(&added);
        EXPECT_EQ(rc.IsOK(), c.problems.isEmpty()) << rc.Get().toStdString();
        EXPECT_EQ(added, uint64_t(c.added));
        EXPECT_EQ(Volumes(), before + c.added);
    }
    // What the full row said is what is stored.
    ZELVVOLSEx a1;
    a1.key.customerId = "ACME";
    a1.key.mediaId = "LTO6";
    a1.key.volumeId = "A1";
    ASSERT_TRUE(mfc.Get(&a1).IsOK());
    EXPECT_EQ(a1.vol.Current().repositoryId.Text(), QStringLiteral("LIB1"));
    EXPECT_EQ(a1.vol.Current().slot, 7u);
    EXPECT_EQ(a1.vol.threshold, 90);
    EXPECT_EQ(a1.vol.dataCluster, cluster);
    EXPECT_EQ(FormatDate(a1.vol.moveDate, "%Y-%m-%d"), QStringLiteral("2030-01-31"));
    ZELVATTRIBUTE description;
    ASSERT_TRUE(mfc.Get(&description, QStringLiteral("ACME"), QStringLiteral("LTO6"),
                        QStringLiteral("A1"), 0)
                    .IsOK());
    EXPECT_EQ(description.value.Text(), QStringLiteral("Payroll, May"));
    ZELVVOLS a2;
    ASSERT_TRUE(
        mfc.Get(&a2, QStringLiteral("ACME"), QStringLiteral("LTO6"), QStringLiteral("A2")).IsOK());
    EXPECT_EQ(a2.Target().repositoryId.Text(), QStringLiteral("LIB1"));
    EXPECT_EQ(a2.Current().repositoryId.Text(), QStringLiteral("INIT"));
}

// Checked rows that another workstation makes stale before the import: the
// server refuses the one row and keeps none of the others.
TEST_P(ZELVVolumeImportTest, AVolumeAddedMeanwhileStopsTheWholeImport) {
    CZELVVolumeImport import(mfc);
    ASSERT_TRUE(import.Check(Csv(kHeader + "A1,ACME,LTO6,LIB1\nA2,ACME,LTO6,LIB1\n"
                                           "A3,ACME,LTO6,LIB1\n")));
    auto other = SecondConnection();
    ASSERT_TRUE(other->Add(NewVolume("ACME", "LTO6", "A3")).IsOK());
    const qint64 before = Volumes();
    uint64_t added = 7;
    const CZELV10RC rc = import.Import(&added);
    EXPECT_EQ(rc.Code(), uint32_t(ZELV10RC_ALREADYDEFINED)) << rc.Get().toStdString();
    EXPECT_EQ(added, 0u);
    EXPECT_EQ(Volumes(), before);
    // A dry run checks on the server and keeps nothing either.
    CZELVVolumeImport dry(mfc);
    ASSERT_TRUE(dry.Check(Csv(kHeader + "B1,ACME,LTO6,LIB1\n")));
    ASSERT_TRUE(dry.Import(&added, false).IsOK());
    EXPECT_EQ(added, 1u);
    EXPECT_EQ(Volumes(), before);
}

// A workbook of 10^5 Volumes, dates as date cells, goes in whole.
TEST_P(ZELVVolumeImportTest, AHundredThousandRowWorkbookImports) {
    constexpr int kRows = 100000;
    std::vector<QStringList> rows{{QStringLiteral("Customer"), QStringLiteral("Media Type"),
                                   QStringLiteral("Volume"), QStringLiteral("Repository"),
                                   QStringLiteral("Next Move date")}};
    rows.reserve(kRows + 1);
    for (int i = 0; i < kRows; ++i)
        rows.push_back({QStringLiteral("ACME"), QStringLiteral("LTO6"),
                        QStringLiteral("X%1").arg(i, 6, 10, QLatin1Char('0')),
                        QStringLiteral("LIB1"), QStringLiteral("@2031-02-%1").arg(1 + i % 28)});
    const QString path = db->Folder() + QStringLiteral("/big.xlsx");
    ASSERT_TRUE(WriteXlsx(path, {{QStringLiteral("Volumes"), rows}}));
    ZELVSheet sheet;
    QString error;
    ASSERT_TRUE(ZELVReadSheetFile(path, {}, &sheet, &error)) << error.toStdString();
    ASSERT_EQ(sheet.rows.size(), size_t(kRows + 1));
    EXPECT_EQ(sheet.rows.back().cells.last(),
              QStringLiteral("2031-02-%1").arg(1 + (kRows - 1) % 28));
    CZELVVolumeImport import(mfc);
    ASSERT_TRUE(import.Check(sheet))
        << (import.Problems().empty() ? std::string()
                                      : import.Problems().front().Text().toStdString());
    const qint64 before = Volumes();
    uint64_t added = 0;
    const CZELV10RC rc = import.Import(&added);
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    EXPECT_EQ(added, uint64_t(kRows));
    EXPECT_EQ(Volumes(), before + kRows);
}

// An operator whose role may not add Volumes learns so at the check.
TEST_P(ZELVVolumeImportTest, ARoleThatMayNotAddVolumesIsToldAtTheCheck) {
    if (GetParam() == TestEngine::PostgreSQL)
        GTEST_SKIP() << "embedded users only; the roles test covers the server's logins";
    ZELVUSER u;
    u.userId.Set(QStringLiteral("reader"));
    u.flags = 0u << ZELVUSER_ROLESHIFT;
    ASSERT_TRUE(mfc.Add(u).IsOK());
    ASSERT_TRUE(
        mfc.ResetPassword(QStringLiteral("reader"), QStringLiteral("reader pass 1")).IsOK());
    ZELVServerAddress a = db->Address();
    a.user = QStringLiteral("reader");
    a.password = QStringLiteral("reader pass 1");
    CZELV10MFC reader;
    reader.SetServerAddress(a);
    ASSERT_TRUE(reader.Logon().IsOK());
    CZELVVolumeImport import(reader);
    EXPECT_FALSE(import.Check(Csv(kHeader + "A1,ACME,LTO6,LIB1\n")));
    ASSERT_EQ(import.Problems().size(), 1u);
    EXPECT_EQ(import.Problems().front().row, 0);
    EXPECT_EQ(import.Problems().front().Text(), reader.Require(ZelvRight::AddVolumes).Get());
    EXPECT_FALSE(import.Import(nullptr).IsOK());
    EXPECT_EQ(Volumes(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVVolumeImportTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
