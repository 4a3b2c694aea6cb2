// Runs the zelvadmin program itself, as an administrator would.
#include "TransactionLog.h"
#include "XlsxWrite.h"
#include "ZELV10MFC.h"
#include "ZELVSchema.h"
#include "ZelvTestDb.h"
#include "ZelvTestPassword.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int code = -1;
    QString out;
    QString err;
};

// Runs zelvadmin (or, with `shell`, /bin/sh with the script and the program's
// path as $0) with its data folder in `home`, so that the real embedded
// database of whoever runs the tests is never touched.
ToolRun RunTool(const QStringList& args, const QString& home, const QProcessEnvironment& extra = {},
                bool shell = false, int waitMs = 300000,
                const QString& program = QStringLiteral(ZELVADMIN_PATH),
                const QStringList& prefix = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.remove(QStringLiteral("KELMAR_PASSWORD"));
    env.insert(extra);
    p.setProcessEnvironment(env);
    if (shell)
        p.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"), args.first(), program} + args.mid(1));
    else if (!prefix.isEmpty())
        p.start(prefix.first(), prefix.mid(1) + QStringList{program} + args);
    else
        p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class ZelvAdminToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        server = QStringLiteral("kelmar://") + dir.path() + QStringLiteral("/admin.db");
        owner.insert(QStringLiteral("KELMAR_PASSWORD"), ZelvTestPassword());
        Init();
    }

    ToolRun Admin(QStringList args, bool withServer = true, int waitMs = 300000) {
        if (withServer) {
            args.prepend(server);
            args.prepend(QStringLiteral("--server"));
        }
        return RunTool(args, dir.path(), owner, false, waitMs);
    }
    // The database made by init with the fixture's administrator password.
    void Init() { ASSERT_EQ(Admin({QStringLiteral("init")}).code, 0); }
    ZELVServerAddress Address() const {
        ZELVServerAddress a;
        a.filePath = dir.path() + QStringLiteral("/admin.db");
        a.password = ZelvTestPassword();
        return a;
    }

    // A copy of the program, or the program under a wrapper (`prefix`), on
    // the test's database with more variables.
    ToolRun Run(const QString& program, QStringList args, const QStringList& prefix = {},
                const QProcessEnvironment& extra = {}) {
        args.prepend(server);
        args.prepend(QStringLiteral("--server"));
        QProcessEnvironment env = owner;
        env.insert(extra);
        return RunTool(args, dir.path(), env, false, 300000, program, prefix);
    }

    QTemporaryDir dir;
    QString server;
    QProcessEnvironment owner;
};

TEST_F(ZelvAdminToolTest, InitDemoListShowsTheDemoData) {
    ToolRun r = Admin({QStringLiteral("init")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("schema version %1").arg(CZELVSchema::kLatest)))
        << r.out.toStdString();

    r = Admin({QStringLiteral("demo")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(
        QLatin1String("5 Customers, 3 Media Types, 7 Repositories, 12 Containers, 3000 Volumes")))
        << r.out.toStdString();

    r = Admin({QStringLiteral("list")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    for (const char* expected :
         {"Repositories: 7", "VLT2  South Vault           vault       next DC01  auto-confirm",
          "zone Rack A 1-400", "Customers: 5", "EMPT  Empty Customer        Volumes 0  Moves 0",
          "NONM  (no name)", "excluded", "Data-Cluster 1  Payroll", "Containers: 12"})
        EXPECT_TRUE(r.out.contains(QLatin1String(expected))) << expected << "\n"
                                                             << r.out.toStdString();

    // The same data through the library: the counts the list printed are the rows.
    CZELV10MFC mfc;
    mfc.SetServerAddress(Address());
    ASSERT_TRUE(mfc.Logon().IsOK());
    std::vector<ZELVCUSTEx> customers;
    ASSERT_TRUE(mfc.List(&customers).IsOK());
    uint32_t total = 0;
    for (const ZELVCUSTEx& c : customers)
        total += c.volumes;
    EXPECT_EQ(total, 3000u + 12u);
    ZELVVOLFLAGS planned;
    planned.mustSet = ZELVVOL_SCHEDULED;
    std::vector<ZELVVOLSFULL> list;
    ASSERT_TRUE(mfc.List(&list, QStringLiteral("ACME"), QStringLiteral("LTO6"), &planned).IsOK());
    EXPECT_FALSE(list.empty()) << "the rotation planned some returns";
    ZELVVOLFLAGS overdue;
    overdue.mustSet = ZELVVOL_OVERDUE | ZELVVOL_SCANNEDOUT;
    ASSERT_TRUE(mfc.List(&list, QStringLiteral("ACME"), QStringLiteral("LTO6"), &overdue).IsOK());
    EXPECT_FALSE(list.empty());

    // A second demo would double the data: refused.
    r = Admin({QStringLiteral("demo")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("already"))) << r.err.toStdString();
}

TEST_F(ZelvAdminToolTest, AddCommandsBuildALibrary) {
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME"),
                     QStringLiteral("--name"), QStringLiteral("Acme; \"Corp\"")})
                  .code,
              0);
    ASSERT_EQ(Admin({QStringLiteral("add-media"), QStringLiteral("ACME"), QStringLiteral("LTO6"),
                     QStringLiteral("--name"), QStringLiteral("LTO-6")})
                  .code,
              0);
    ToolRun r =
        Admin({QStringLiteral("add-repository"), QStringLiteral("LIB1"), QStringLiteral("--type"),
               QStringLiteral("library"), QStringLiteral("--zone"), QStringLiteral("Rack A:1:100"),
               QStringLiteral("--home"), QStringLiteral("ACME.LTO6")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = Admin({QStringLiteral("add-volume"), QStringLiteral("ACME"), QStringLiteral("LTO6"),
               QStringLiteral("A00001"), QStringLiteral("--at"), QStringLiteral("LIB1"),
               QStringLiteral("--slot"), QStringLiteral("7"), QStringLiteral("--description"),
               QStringLiteral("First tape")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    QFile csv(dir.path() + QStringLiteral("/volumes.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("customer,media,volume,repository,target,move date,description\n"
              "ACME,LTO6,A00002,LIB1,,2030-01-31,\"Payroll, month end\"\n"
              "ACME,LTO6,A00003\n");
    csv.close();
    r = Admin({QStringLiteral("import-volumes"), csv.fileName()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("Imported 2 Volumes"))) << r.out.toStdString();

    r = Admin({QStringLiteral("list"), QStringLiteral("--customer"), QStringLiteral("ACME"),
               QStringLiteral("--media"), QStringLiteral("LTO6"), QStringLiteral("--volumes")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("Volumes of ACME.LTO6: 3"))) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QLatin1String("A00002     at LIB1  flags 0x00001010  move 2030-01-31")))
        << r.out.toStdString();
    r = Admin({QStringLiteral("list")});
    EXPECT_TRUE(r.out.contains(
        QLatin1String("LIB1  Volumes 2  Incoming 0  Outgoing 0  Scanned-Out 0  Scratch 0  home")))
        << r.out.toStdString();
}

struct BadCase {
    const char* name;
    QStringList args;
    int code;
    const char* message;
};

class ZelvAdminBadInputTest : public ZelvAdminToolTest,
                              public ::testing::WithParamInterface<BadCase> {};

TEST_P(ZelvAdminBadInputTest, RefusedWithAClearMessageAndNothingWritten) {
    const BadCase& c = GetParam();
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    QFile csv(dir.path() + QStringLiteral("/bad.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("ACME,LTO6,A00001\nACME,LTO6\nACME,LTO6,\"unclosed\n");
    csv.close();
    QStringList args = c.args;
    args.replaceInStrings(QStringLiteral("@CSV@"), csv.fileName());
    const ToolRun r = Admin(args);
    EXPECT_EQ(r.code, c.code) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    const ToolRun list = Admin({QStringLiteral("list")});
    EXPECT_TRUE(list.out.contains(QLatin1String("Customers: 1"))) << list.out.toStdString();
    EXPECT_FALSE(list.out.contains(QLatin1String("LTO6"))) << list.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZelvAdminBadInputTest,
    ::testing::Values(
        BadCase{"UnknownCommand", {"frobnicate"}, 2, "unknown command \"frobnicate\""},
        BadCase{"MissingArgument", {"add-media", "ACME"}, 2, "expects CUSTOMER MEDIA"},
        BadCase{"UnknownOption", {"add-customer", "BETA", "--colour", "red"}, 2, "Unknown option"},
        BadCase{"QuoteInIdentifier", {"add-customer", "A'B"}, 1, "not allowed"},
        BadCase{"TooLongIdentifier", {"add-customer", "ABCDE"}, 1, "longer than 4 characters"},
        BadCase{"DuplicateCustomer", {"add-customer", "ACME"}, 1, "Already exists"},
        BadCase{"MediaForUnknownCustomer", {"add-media", "NONE", "LTO6"}, 1, "Customer not found"},
        BadCase{"BadZone", {"add-repository", "LIB1", "--zone", "Rack A:x:1"}, 2, "--zone takes"},
        BadCase{"BadDemoSize", {"demo", "--volumes", "0"}, 2, "--volumes takes"},
        BadCase{"BadCsvNothingImported", {"import-volumes", "@CSV@"}, 1, "line 2: expected"},
        BadCase{"MissingCsv", {"import-volumes", "/nonexistent/file.csv"}, 1, "cannot read"},
        BadCase{"BadServerAddress", {"--server", "http://x", "list"}, 2, "kelmar://"}),
    [](const ::testing::TestParamInfo<BadCase>& i) { return std::string(i.param.name); });

struct ImportRow {
    const char* name;
    QByteArray csv;
    bool hugeLine; // a line of 64 MB before the csv's last line
    int code;
    const char* message; // on standard output when the import went in, else on standard error
    int stored;
};

void PrintTo(const ImportRow& row, std::ostream* os) {
    *os << row.name;
}

class ZelvAdminImportTest : public ZelvAdminToolTest,
                            public ::testing::WithParamInterface<ImportRow> {};

TEST_P(ZelvAdminImportTest, ReadsWhatTheFileSaysOrRefusesItWhole) {
    const ImportRow& row = GetParam();
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    ASSERT_EQ(
        Admin({QStringLiteral("add-media"), QStringLiteral("ACME"), QStringLiteral("LTO6")}).code,
        0);
    QFile csv(dir.path() + QStringLiteral("/volumes.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    if (row.hugeLine) {
        csv.write("ACME,LTO6,A00001\n");
        const QByteArray block(1024 * 1024, 'x');
        for (int i = 0; i < 64; ++i)
            csv.write(block);
        csv.write("\n");
    }
    csv.write(row.csv);
    csv.close();
    // Ten minutes were seen for the long line; a minute is plenty.
    const ToolRun r = Admin({QStringLiteral("import-volumes"), csv.fileName()}, true, 60000);
    csv.remove();
    EXPECT_EQ(r.code, row.code) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE((row.code == 0 ? r.out : r.err).contains(QString::fromUtf8(row.message)))
        << r.out.toStdString() << r.err.toStdString();
    const ToolRun list =
        Admin({QStringLiteral("list"), QStringLiteral("--customer"), QStringLiteral("ACME"),
               QStringLiteral("--media"), QStringLiteral("LTO6"), QStringLiteral("--volumes")});
    EXPECT_TRUE(list.out.contains(QStringLiteral("Volumes of ACME.LTO6: %1\n").arg(row.stored)))
        << list.out.toStdString();
    // Whatever was stored is exactly what the file said, never a replacement character.
    EXPECT_FALSE(list.out.contains(QChar(0xFFFD)));
}

const QByteArray kBom("\xEF\xBB\xBF");

// All of a literal, NULs included.
template <size_t N> QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZelvAdminImportTest,
    ::testing::Values(
        ImportRow{"CarriageReturnsOnly",
                  "customer,media,volume\rACME,LTO6,A00001\rACME,LTO6,A00002,,,,\"Payroll, May\"\r",
                  false, 0, "Imported 2 Volumes", 2},
        ImportRow{"ByteOrderMarkAndCrLf",
                  kBom + "customer,media,volume\r\nACME,LTO6,A00001\r\nACME,LTO6,A00002", false, 0,
                  "Imported 2 Volumes", 2},
        ImportRow{
            "MixedLineEnds",
            "ACME,LTO6,A00001\nACME,LTO6,A00002\r\nACME,LTO6,A00003\r\rACME,LTO6,A00004\n\r\n",
            false, 0, "Imported 4 Volumes", 4},
        ImportRow{"HeaderAfterComments",
                  "# Exported by the vault\n# two Volumes\n\ncustomer,media,volume,repository\n"
                  "ACME,LTO6,A00001\nACME,LTO6,A00002,INIT\n",
                  false, 0, "Imported 2 Volumes", 2},
        ImportRow{"LatinOneDescription", "ACME,LTO6,A00001\nACME,LTO6,A00002,,,,Caf\xE9 tapes\n",
                  false, 1, "volumes.csv: line 2: not UTF-8 text (byte 0xE9 at position 24)", 0},
        ImportRow{"OverlongSlashInIdentifier", "ACME,LTO6,A0000\xC0\xAF\n", false, 1,
                  "line 1: not UTF-8 text (byte 0xC0 at position 16)", 0},
        ImportRow{"SurrogateInDescription", "ACME,LTO6,A00001,,,,\xED\xA0\x80\n", false, 1,
                  "line 1: not UTF-8 text (byte 0xED at position 21)", 0},
        ImportRow{"NulByte", Bytes("ACME,LTO6,A00001\nACME,LTO6,A0\0002\n"), false, 1,
                  "line 2: contains a NUL byte", 0},
        ImportRow{"SixtyFourMegabyteLine", "ACME,LTO6,A00002\n", true, 1,
                  "line 2: longer than 65536 bytes", 0},
        ImportRow{"NamedColumnsInAnyOrder",
                  "Repository;Media Type;Volume;Customer\nINIT;LTO6;A00001;ACME\n"
                  "INIT;LTO6;A00002;ACME\n",
                  false, 0, "Imported 2 Volumes", 2},
        ImportRow{"NamedColumnsProblemsByRowAndColumn",
                  "Volume,Customer,Media Type,Repository\nA00001,ACME,LTO6,INIT\n"
                  "A00001,ACME,LTO6,NOPE\n",
                  false, 1,
                  "volumes.csv: row 3, Repository: the Repository NOPE is not on the server", 0}),
    [](const ::testing::TestParamInfo<ImportRow>& i) { return std::string(i.param.name); });

TEST_F(ZelvAdminToolTest, AWorkbookSheetIsCheckedByADryRunThenImported) {
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    ASSERT_EQ(
        Admin({QStringLiteral("add-media"), QStringLiteral("ACME"), QStringLiteral("LTO6")}).code,
        0);
    const QString book = dir.path() + QStringLiteral("/volumes.xlsx");
    ASSERT_TRUE(
        WriteXlsx(book, {{QStringLiteral("Notes"), {{"nothing to import"}}},
                         {QStringLiteral("Tapes"),
                          {{"Volume", "Customer", "Media Type", "Repository", "Next Move date"},
                           {"A00001", "ACME", "LTO6", "INIT", "@2030-01-31"},
                           {"A00002", "ACME", "LTO6", "INIT", ""}}}}));
    const QStringList list = {QStringLiteral("list"), QStringLiteral("--customer"),
                              QStringLiteral("ACME"), QStringLiteral("--media"),
                              QStringLiteral("LTO6"), QStringLiteral("--volumes")};
    ToolRun r = Admin({QStringLiteral("import-volumes"), book});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("row 1, Volume: the column is missing")))
        << r.err.toStdString();
    r = Admin({QStringLiteral("import-volumes"), book, QStringLiteral("--sheet"),
               QStringLiteral("Tapes"), QStringLiteral("--dry-run")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("Checked 2 Volumes"))) << r.out.toStdString();
    EXPECT_TRUE(Admin(list).out.contains(QLatin1String("Volumes of ACME.LTO6: 0")));
    r = Admin({QStringLiteral("import-volumes"), book, QStringLiteral("--sheet"),
               QStringLiteral("Tapes")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("Imported 2 Volumes"))) << r.out.toStdString();
    r = Admin(list);
    EXPECT_TRUE(r.out.contains(QLatin1String("Volumes of ACME.LTO6: 2")));
    EXPECT_TRUE(r.out.contains(QLatin1String("move 2030-01-31"))) << r.out.toStdString();
}

TEST_F(ZelvAdminToolTest, ArgumentsThatAreNotUtf8AreRefusedAndNothingStored) {
    const struct {
        const char* script; // $0 is zelvadmin, $1 the server
        const char* message;
    } cases[] = {
        {"exec \"$0\" --server \"$1\" add-customer BETA --name \"$(printf 'Caf\\351')\"",
         "zelvadmin: add-customer: Invalid text: argument 6 (after --name) is not UTF-8 text "
         "(byte 0xE9 at position 4)"},
        {"exec \"$0\" --server \"$1\" add-customer \"$(printf 'B\\377TA')\"",
         "zelvadmin: add-customer: Invalid text: argument 4 is not UTF-8 text (byte 0xFF at "
         "position 2)"},
        {"exec \"$0\" --server \"$1\" import-volumes \"$(printf '/tmp/v\\374.csv')\"",
         "zelvadmin: import-volumes: Invalid text: argument 4 is not UTF-8 text (byte 0xFC at "
         "position 7)"},
    };
    for (const auto& c : cases) {
        const ToolRun r = RunTool({QString::fromUtf8(c.script), server}, dir.path(), {}, true);
        EXPECT_EQ(r.code, 1) << c.script << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    const ToolRun list = Admin({QStringLiteral("list")});
    EXPECT_TRUE(list.out.contains(QLatin1String("Customers: 0"))) << list.out.toStdString();
}

// The commands that write several records, on both engines.
class ZelvAdminStoreTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override {
        db = std::make_unique<ZelvTestDb>(GetParam());
        QString why;
        if (!db->Ready(&why)) {
            if (GetParam() == TestEngine::PostgreSQL && ZelvTestDb::PgAddressText().isEmpty())
                GTEST_SKIP() << why.toStdString();
            FAIL() << why.toStdString();
        }
        // The password goes through the environment, not the command line.
        server = db->Address().Display();
        env.insert(GetParam() == TestEngine::PostgreSQL ? QStringLiteral("PGPASSWORD")
                                                        : QStringLiteral("KELMAR_PASSWORD"),
                   db->Address().password);
        const ToolRun r = Admin({QStringLiteral("init")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }

    ToolRun Admin(QStringList args) {
        args.prepend(server);
        args.prepend(QStringLiteral("--server"));
        return RunTool(args, db->Folder(), env);
    }

    qint64 Count(const QString& sql) const { return db->Scalar(sql).toLongLong(); }

    // Every table the commands write, and the Container numbers given out.
    std::string Snapshot() const {
        std::string s;
        for (const char* table : {"customer", "media", "repository", "repository_setting", "zone",
                                  "data_cluster", "consignment", "consignment_event", "volume",
                                  "attribute", "attribute_type", "volume_history"})
            s += std::string(table) + "=" +
                 std::to_string(
                     Count(QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromLatin1(table))) +
                 " ";
        return s + "container=" +
               std::to_string(
                   Count(QStringLiteral("SELECT value FROM counter WHERE name = 'container'")));
    }

    std::unique_ptr<ZelvTestDb> db;
    QString server;
    QProcessEnvironment env;
};

TEST_P(ZelvAdminStoreTest, RefusedRepositoryLeavesNothingAndCanBeAddedAfterwards) {
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    ASSERT_EQ(
        Admin({QStringLiteral("add-media"), QStringLiteral("ACME"), QStringLiteral("LTO6")}).code,
        0);
    const struct {
        QStringList options;
        const char* message;
    } refused[] = {
        {{"--zone", "Rack A:1:400", "--zone", "Rack B:300:100"}, "the slots overlap zone Rack A"},
        {{"--zone", "Rack A:1:400", "--home", "NONE.LTO6"}, "Customer not found"},
        {{"--zone", "Rack A:1:400", "--home", "ACME.LTO6", "--home", "ACME.LTO9"},
         "Media Type not found"},
    };
    const std::string before = Snapshot();
    for (const auto& c : refused) {
        const ToolRun r =
            Admin(QStringList{QStringLiteral("add-repository"), QStringLiteral("LIB1"),
                              QStringLiteral("--type"), QStringLiteral("library")} +
                  c.options);
        EXPECT_EQ(r.code, 1) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_EQ(Snapshot(), before) << c.message;
    }
    const ToolRun r = Admin({QStringLiteral("add-repository"), QStringLiteral("LIB1"),
                             QStringLiteral("--zone"), QStringLiteral("Rack A:1:400"),
                             QStringLiteral("--zone"), QStringLiteral("Rack B:401:100"),
                             QStringLiteral("--home"), QStringLiteral("ACME.LTO6")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM zone WHERE repository_id = 'LIB1'")), 2);
    EXPECT_EQ(Count(QStringLiteral(
                  "SELECT COUNT(*) FROM repository_setting WHERE repository_id = 'LIB1'")),
              1);
}

TEST_P(ZelvAdminStoreTest, DemoStoppedHalfWayLeavesNothingAndRunsAgain) {
    // Where the run is stopped: after the Repositories, Customers and Media
    // Types, and at its very last step, after every Volume.
    const struct {
        const char* table;
        const char* event;
    } stops[] = {{"data_cluster", "INSERT"}, {"volume", "UPDATE"}};
    const std::string before = Snapshot();
    for (const auto& stop : stops) {
        ASSERT_TRUE(db->Refuse(QString::fromLatin1(stop.table), QString::fromLatin1(stop.event),
                               QStringLiteral("demo stopped")));
        const ToolRun r =
            Admin({QStringLiteral("demo"), QStringLiteral("--volumes"), QStringLiteral("100")});
        EXPECT_EQ(r.code, 1) << stop.table << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("demo stopped"))) << r.err.toStdString();
        EXPECT_EQ(Snapshot(), before) << stop.table;
        ASSERT_TRUE(db->Allow(QString::fromLatin1(stop.table)));
    }
    const ToolRun r =
        Admin({QStringLiteral("demo"), QStringLiteral("--volumes"), QStringLiteral("100")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(
        QLatin1String("5 Customers, 3 Media Types, 7 Repositories, 12 Containers, 100 Volumes")))
        << r.out.toStdString();
}

// Splits zelvadmin's CSV output (CR LF lines, quoted fields may hold anything).
std::vector<QStringList> ReadCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else if (ch == QLatin1Char('"'))
                quoted = false;
            else
                field += ch;
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (ch == QLatin1Char('\r') && text.mid(i, 2) == QLatin1String("\r\n")) {
            row << field;
            field.clear();
            rows.push_back(row);
            row.clear();
            ++i;
        } else {
            field += ch;
        }
    }
    return rows;
}

TEST_P(ZelvAdminStoreTest, HistoryAndShowTellWhereAVolumeHasBeen) {
    for (const QStringList& a :
         {QStringList{"add-customer", "ACME"}, QStringList{"add-media", "ACME", "LTO6"},
          QStringList{"add-repository", "DC01"}, QStringList{"add-repository", "VLT1"}})
        ASSERT_EQ(Admin(a).code, 0) << a.join(' ').toStdString();

    // Two workstations change one Volume at known times.
    ZELVFixedClock clock(1700000000);
    auto connect = [&](const char* machine, uint32_t program) {
        auto m = std::make_unique<CZELV10MFC>();
        m->SetServerAddress(db->Address());
        m->SetClock(&clock);
        m->SetMachineName(QString::fromLatin1(machine));
        m->SetProgramID(program);
        EXPECT_TRUE(m->Logon().IsOK());
        return m;
    };
    auto one = connect("ws-one", CZELV10MFC::kProgramDesk);
    auto two = connect("ws-two", CZELV10MFC::kProgramAdmin);
    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "A00001", "DC01");
    ASSERT_TRUE(one->Add(v).IsOK());
    clock.Advance(60);
    ASSERT_TRUE(two->Get(&v).IsOK());
    const uint64_t readVersion = v.vol.version;
    v.vol.Target().repositoryId = "VLT1";
    v.vol.flags |= ZELVVOL_MOVEDATE;
    ASSERT_TRUE(v.vol.moveDate.SetDate(2024, 3, 1));
    ASSERT_TRUE(two->Update(v).IsOK());
    clock.Advance(60);
    ZELVATTRIBUTEEx d;
    d.key = v.key;
    d.value = "Payroll, \"March\"";
    // Written against the version read before the move: refused, nothing kept.
    EXPECT_EQ(one->Put(d, readVersion).Code(), uint32_t(ZELV10RC_CHANGED));
    ASSERT_TRUE(two->Get(&v).IsOK());
    ASSERT_TRUE(one->Put(d, v.vol.version).IsOK());
    clock.Advance(60);
    ASSERT_TRUE(one->Get(&v).IsOK());
    v.vol.Confirmation().repositoryId = "VLT1";
    v.vol.Confirmation().slot = 7;
    ASSERT_TRUE(one->Update(v).IsOK());
    const QString user = one->CurrentUser();

    auto when = [](int64_t t) {
        return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    // Newest first, row by row: the last field written comes first.
    const struct {
        int64_t t;
        const char* machine;
        const char* program;
        const char* action;
        const char* field;
        const char* oldValue;
        const char* newValue;
    } expected[] = {
        {1700000180, "ws-one", "Kelmar Lite", "confirm", "current", "DC01", "VLT1 [7]"},
        {1700000180, "ws-one", "Kelmar Lite", "confirm", "target", "VLT1", "VLT1 [7]"},
        {1700000180, "ws-one", "Kelmar Lite", "confirm", "flags", "0x00001050", "0x00001010"},
        {1700000180, "ws-one", "Kelmar Lite", "confirm", "confirmed_at", "", "VLT1 [7]"},
        {1700000120, "ws-one", "Kelmar Lite", "attribute", "description", "", "Payroll, \"March\""},
        {1700000060, "ws-two", "zelvadmin", "update", "move_date", "Permanent", "2024-03-01"},
        {1700000060, "ws-two", "zelvadmin", "update", "target", "DC01", "VLT1"},
        {1700000060, "ws-two", "zelvadmin", "update", "flags", "0x00000000", "0x00000050"},
        {1700000000, "ws-one", "Kelmar Lite", "add", "volume", "",
         "at DC01, target DC01, flags 0x00000000"},
    };
    ToolRun r = Admin(
        {QStringLiteral("history"), QStringLiteral("ACME.LTO6.A00001"), QStringLiteral("--csv")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const std::vector<QStringList> csv = ReadCsv(r.out);
    ASSERT_EQ(csv.size(), std::size(expected) + 1) << r.out.toStdString();
    EXPECT_EQ(csv[0].join(QLatin1Char(',')),
              QStringLiteral("When,User,Machine,Program,Action,Field,Old,New"));
    ToolRun table = Admin({QStringLiteral("history"), QStringLiteral("ACME.LTO6.A00001")});
    ASSERT_EQ(table.code, 0) << table.err.toStdString();
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(std::size(expected) + 2)) << table.out.toStdString();
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& e = expected[i];
        const QStringList want = {when(e.t),
                                  user,
                                  QString::fromLatin1(e.machine),
                                  QString::fromLatin1(e.program),
                                  QString::fromLatin1(e.action),
                                  QString::fromLatin1(e.field),
                                  QString::fromUtf8(e.oldValue),
                                  QString::fromUtf8(e.newValue)};
        EXPECT_EQ(csv[i + 1], want) << "row " << i << ": " << csv[i + 1].join('|').toStdString();
        // The table shows the same values in the same order.
        QString line = lines[qsizetype(i) + 2];
        for (const QString& w : want) {
            const qsizetype at = line.indexOf(w);
            EXPECT_GE(at, 0) << w.toStdString() << " in " << lines[qsizetype(i) + 2].toStdString();
            line = line.mid(at + w.size());
        }
    }

    r = Admin(
        {QStringLiteral("show"), QStringLiteral("ACME.LTO6.A00001"), QStringLiteral("--csv")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QMap<QString, QString> shown;
    for (const QStringList& row : ReadCsv(r.out))
        if (row.size() == 2)
            shown.insert(row[0], row[1]);
    EXPECT_EQ(shown.value(QStringLiteral("Current")), QStringLiteral("VLT1 [7]"));
    EXPECT_EQ(shown.value(QStringLiteral("Moving")), QStringLiteral("no"));
    EXPECT_EQ(shown.value(QStringLiteral("Next move")), QStringLiteral("2024-03-01"));
    EXPECT_EQ(shown.value(QStringLiteral("Description")), QStringLiteral("Payroll, \"March\""));

    // What cannot be answered: a clear message on stderr, nothing on stdout.
    const struct {
        const char* command;
        const char* volume;
        int code;
        const char* message;
    } refused[] = {
        {"history", "ACME.LTO6.NOSUCH", 1, "Volume not found: ACME.LTO6.NOSUCH"},
        {"show", "ACME.LTO6.NOSUCH", 1, "Volume not found: ACME.LTO6.NOSUCH"},
        {"show", "ACME.LTO6", 2, "is not a Volume as CUSTOMER.MEDIA.VOLUME"},
        {"history", "ACME..A00001", 2, "is not a Volume as CUSTOMER.MEDIA.VOLUME"},
        {"history", "ACME.LTO6.A00001.X", 2, "is not a Volume as CUSTOMER.MEDIA.VOLUME"},
        {"history", "ACMEX.LTO6.A00001", 2, "at most 4 characters"},
        {"show", "ACME.LTO6.A0000100000", 2, "Volume-ID at most 10"},
    };
    for (const auto& c : refused) {
        r = Admin({QString::fromLatin1(c.command), QString::fromLatin1(c.volume)});
        EXPECT_EQ(r.code, c.code) << c.command << " " << c.volume;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ZelvAdminStoreTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

TEST_F(ZelvAdminToolTest, FilesGoUpAndComeBackWithoutReplacingUnasked) {
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    const QString up = dir.filePath(QStringLiteral("up"));
    const QString down = dir.filePath(QStringLiteral("down"));
    ASSERT_TRUE(QDir().mkpath(up) && QDir().mkpath(down));
    for (const char* name : {"a.txt", "b.txt"}) {
        QFile f(up + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(name);
    }
    ToolRun r = Admin({QStringLiteral("upload-files"), QStringLiteral("ACME"), up + "/a.txt",
                       up + "/b.txt", up + "/missing.txt"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("missing.txt"))) << r.err.toStdString();
    r = Admin({QStringLiteral("list-files"), QStringLiteral("ACME")});
    EXPECT_TRUE(r.out.contains(QLatin1String("a.txt")) && r.out.contains(QLatin1String("b.txt")))
        << r.out.toStdString();
    r = Admin({QStringLiteral("download-files"), QStringLiteral("ACME"), down});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile a(down + QStringLiteral("/a.txt"));
    ASSERT_TRUE(a.open(QIODevice::ReadWrite));
    EXPECT_EQ(a.readAll(), QByteArray("a.txt"));
    a.resize(0);
    a.write("edited");
    a.close();
    r = Admin(
        {QStringLiteral("download-files"), QStringLiteral("ACME"), down, QStringLiteral("a.txt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("--overwrite"))) << r.err.toStdString();
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), QByteArray("edited"));
    a.close();
    r = Admin({QStringLiteral("download-files"), QStringLiteral("ACME"), down,
               QStringLiteral("a.txt"), QStringLiteral("--overwrite")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), QByteArray("a.txt"));
}

TEST_F(ZelvAdminToolTest, EveryCommandHasHelp) {
    for (const char* command :
         {"init", "demo", "add-customer", "add-media", "add-repository", "add-volume",
          "import-volumes", "list", "history", "show", "verify-log", "list-users", "delete-user",
          "reset-password", "upload-files", "list-files", "download-files"}) {
        const ToolRun r = Admin({QString::fromLatin1(command), QStringLiteral("--help")}, false);
        EXPECT_EQ(r.code, 0) << command;
        EXPECT_TRUE(r.out.contains(QLatin1String("--server"))) << command << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromLatin1(command))) << command;
    }
    const ToolRun r = Admin({QStringLiteral("--help")}, false);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QLatin1String("import-volumes")));
    EXPECT_TRUE(r.out.contains(QLatin1String("--password-file FILE or the KELMAR_PASSWORD")));
    EXPECT_EQ(Admin({}, false).code, 2);
}

// verify-log needs no server: an intact log passes, an edited one fails and
// names the entry.
TEST_F(ZelvAdminToolTest, VerifyLogNamesTheFirstEditedEntry) {
    const QString logPath = dir.filePath(QStringLiteral("task.log"));
    {
        TransactionLog log(QStringLiteral("Dec 08 2026"), ZELVClock::System(), dir.path());
        ASSERT_TRUE(log.Open(dir.path(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
        log.Write("Scan-In: Confirming Volume: ACME.LTO6.A000001 - OK");
        log.Close();
        ASSERT_TRUE(QFile::rename(log.Path(), logPath));
        ASSERT_TRUE(QFile::rename(TransactionLog::ChainPath(log.Path()),
                                  TransactionLog::ChainPath(logPath)));
    }
    ToolRun r = Admin({QStringLiteral("verify-log"), logPath}, false);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("5 entries, chain intact"))) << r.out.toStdString();

    QFile f(logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes.replace("A000001 - OK", "A000001 - NO");
    f.seek(0);
    f.write(bytes);
    f.close();
    r = Admin({QStringLiteral("verify-log"), logPath}, false);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("entry 4 does not match"))) << r.err.toStdString();
}

TEST_F(ZelvAdminToolTest, WithoutAServerTheEmbeddedDatabaseIsUsed) {
    const ToolRun r = Admin({QStringLiteral("init")}, false);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/data/Brollyn/Kelmar/kelmar.db")));
}

TEST_F(ZelvAdminToolTest, APasswordComesFromAFileOrTheEnvironment) {
    ASSERT_EQ(Admin({QStringLiteral("init")}).code, 0);
    {
        CZELV10MFC owner;
        owner.SetServerAddress(Address());
        ASSERT_TRUE(owner.Logon().IsOK());
        ASSERT_TRUE(owner.SetPassword(owner.CurrentUser(), QStringLiteral("tape vault 7")).IsOK());
    }
    const auto write = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString right = write("right.pw", "tape vault 7\n");
    const QString rightCrLf = write("right-crlf.pw", "tape vault 7\r\nsecond line\n");
    const QString wrong = write("wrong.pw", "tape vault 8\n");
    struct Row {
        const char* name;
        QStringList options;
        QString variable;
        int code;
        const char* says;
    };
    const QString file = QStringLiteral("--password-file");
    const Row rows[] = {
        {"none", {}, {}, 1, "The user has a password"},
        {"file", {file, right}, {}, 0, "Customers: 0"},
        {"file with CR LF", {file, rightCrLf}, {}, 0, "Customers: 0"},
        {"wrong file", {file, wrong}, {}, 1, "Wrong user or password"},
        {"variable", {}, QStringLiteral("tape vault 7"), 0, "Customers: 0"},
        {"file before variable", {file, right}, QStringLiteral("nope"), 0, "Customers: 0"},
        {"missing file",
         {file, QStringLiteral("/nonexistent/pw")},
         {},
         2,
         "cannot read the password file"},
    };
    for (const Row& row : rows) {
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("KELMAR_PASSWORD"), row.variable);
        const ToolRun r = Run(QStringLiteral(ZELVADMIN_PATH),
                              row.options + QStringList{QStringLiteral("list")}, {}, extra);
        EXPECT_EQ(r.code, row.code) << row.name << ": " << r.err.toStdString();
        const QString said = r.out + r.err;
        EXPECT_TRUE(said.contains(QLatin1String(row.says)))
            << row.name << ": " << said.toStdString();
    }
}

TEST_F(ZelvAdminToolTest, ADatabaseTheUserMayOnlyReadIsReadAndRefusesWrites) {
    ASSERT_EQ(Admin({QStringLiteral("init")}).code, 0);
    ASSERT_EQ(Admin({QStringLiteral("add-customer"), QStringLiteral("ACME")}).code, 0);
    const QString file = dir.path() + QStringLiteral("/admin.db");
    // A copy of the tool where any user may start it, whatever the build folder allows.
    const QString tool = dir.filePath(QStringLiteral("zelvadmin"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZELVADMIN_PATH), tool));
    QStringList prefix;
    QProcessEnvironment reader;
    if (::geteuid() == 0) {
        // Permissions do not stop root: read as another user, with the
        // password the administrator gave it.
        // Role 6 would be let in to add Customers: only the file stops it.
        ASSERT_EQ(Admin({QStringLiteral("add-user"), QStringLiteral("nobody"),
                         QStringLiteral("--role"), QStringLiteral("6")})
                      .code,
                  0);
        const QString handed = dir.filePath(QStringLiteral("nobody.pw"));
        ASSERT_EQ(Admin({QStringLiteral("reset-password"), QStringLiteral("nobody"),
                         QStringLiteral("--to-file"), handed})
                      .code,
                  0);
        QFile pw(handed);
        ASSERT_TRUE(pw.open(QIODevice::ReadOnly));
        reader.insert(QStringLiteral("KELMAR_PASSWORD"), QString::fromUtf8(pw.readAll().trimmed()));
        prefix = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"),
                  QStringLiteral("--")};
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadOther);
    } else {
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    ToolRun r = Run(tool, {QStringLiteral("list")}, prefix, reader);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("ACME"))) << r.out.toStdString();
    r = Run(tool, {QStringLiteral("add-customer"), QStringLiteral("BETA")}, prefix, reader);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("read-only"))) << r.err.toStdString();

    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

namespace {

// reconcile and verify-certificate as a site's script runs them.
TEST_F(ZelvAdminToolTest, ReconcileAndVerifyCertificate) {
    ASSERT_EQ(Admin({QStringLiteral("init")}).code, 0);
    for (const QStringList& args :
         {QStringList{"add-customer", "ACME"}, QStringList{"add-media", "ACME", "LTO6"},
          QStringList{"add-repository", "VLT1"},
          QStringList{"add-volume", "ACME", "LTO6", "V1", "--at", "VLT1"},
          QStringList{"add-volume", "ACME", "LTO6", "V2", "--at", "VLT1"}})
        ASSERT_EQ(Admin(args).code, 0) << args.join(' ').toStdString();
    const auto file = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString manifest = file("m.csv", "Volume,Slot\nACME.LTO6.V1,1\nACME.LTO6.V9,2\n");
    const QString scans = file("s.txt", "ACME.LTO6.V1\nACME.LTO6.V2\n");
    const struct {
        QStringList args;
        int code;
        const char* shown; // in stdout, or in stderr when the run fails
    } runs[] = {
        {{"reconcile", "--repository", "VLT1", "--manifest", manifest, "--scans", scans},
         1,
         "ACME.LTO6.V2  yes       yes      no      Not in manifest"},
        {{"reconcile", "--repository", "VLT1", "--manifest", manifest, "--scans", scans},
         1,
         "Manifest only: 1"},
        {{"reconcile", "--repository", "VLT1", "--manifest", file("b.csv", "V1\n")},
         1,
         "must name the columns"},
        {{"reconcile", "--repository", "NONE", "--manifest", manifest}, 1, "NONE"},
        {{"reconcile", "--manifest", manifest}, 2, "--repository and --manifest"},
        {{"verify-certificate", "--customer", "ACME", "--media", "LTO6", "--repository", "VLT1"},
         1,
         "no certificate of ACME.LTO6 in VLT1"},
    };
    for (const auto& r : runs) {
        const ToolRun run = Admin(r.args);
        EXPECT_EQ(run.code, r.code) << r.args.join(' ').toStdString() << run.err.toStdString();
        EXPECT_TRUE(QString(run.out + run.err).contains(QLatin1String(r.shown)))
            << r.args.join(' ').toStdString() << "\n"
            << run.out.toStdString() << run.err.toStdString();
    }
    // A certificate, then one of its items edited behind the server's back.
    ZELV10CERTIFICATIONKey key;
    {
        CZELV10MFC mfc;
        ZELVServerAddress address;
        address.filePath = dir.filePath(QStringLiteral("admin.db"));
        address.password = ZelvTestPassword();
        mfc.SetServerAddress(address);
        ASSERT_TRUE(mfc.Logon(1).IsOK());
        ASSERT_TRUE(mfc.Certify("ACME", "LTO6", "VLT1", "Year end", &key).IsOK());
    }
    const QStringList verify{"verify-certificate", "--customer", "ACME", "--media", "LTO6",
                             "--repository",       "VLT1"};
    ToolRun run = Admin(verify);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("\"Year end\": intact"))) << run.out.toStdString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "edit");
        db.setDatabaseName(dir.filePath(QStringLiteral("admin.db")));
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("UPDATE certificate_item SET status = 0")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("edit"));
    run = Admin(verify);
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("ALTERED"))) << run.err.toStdString();
}

} // namespace
