// Runs the zelvadmin program itself, as an administrator would.
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int code = -1;
    QString out;
    QString err;
};

class ZelvAdminToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        server = QStringLiteral("kelmar://") + dir.path() + QStringLiteral("/admin.db");
    }

    ToolRun Admin(QStringList args, bool withServer = true) {
        return Run(QStringLiteral(ZELVADMIN_PATH), std::move(args), withServer);
    }

    // The program (or a wrapper that starts it) with the test's environment;
    // `extra` adds variables.
    ToolRun Run(const QString& program, QStringList args, bool withServer,
                const QStringList& prefix = {}, const QStringList& extra = {}) {
        if (withServer) {
            args.prepend(server);
            args.prepend(QStringLiteral("--server"));
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Never touch the real embedded database of whoever runs the tests.
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("KELMAR_PASSWORD"));
        for (const QString& e : extra)
            env.insert(e.section(QLatin1Char('='), 0, 0), e.section(QLatin1Char('='), 1));
        p.setProcessEnvironment(env);
        if (prefix.isEmpty())
            p.start(program, args);
        else
            p.start(prefix.first(), prefix.mid(1) + QStringList{program} + args);
        ToolRun r;
        if (!p.waitForFinished(300000))
            return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QTemporaryDir dir;
    QString server;
};

TEST_F(ZelvAdminToolTest, InitDemoListShowsTheDemoData) {
    ToolRun r = Admin({QStringLiteral("init")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("schema version 2"))) << r.out.toStdString();

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
    ZELVServerAddress a;
    a.filePath = dir.path() + QStringLiteral("/admin.db");
    mfc.SetServerAddress(a);
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

TEST_F(ZelvAdminToolTest, EveryCommandHasHelp) {
    for (const char* command : {"init", "demo", "add-customer", "add-media", "add-repository",
                                "add-volume", "import-volumes", "list"}) {
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

TEST_F(ZelvAdminToolTest, WithoutAServerTheEmbeddedDatabaseIsUsed) {
    const ToolRun r = Admin({QStringLiteral("init")}, false);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/data/Brollyn/Kelmar/kelmar.db")));
}

TEST_F(ZelvAdminToolTest, APasswordComesFromAFileOrTheEnvironment) {
    ASSERT_EQ(Admin({QStringLiteral("init")}).code, 0);
    {
        CZELV10MFC owner;
        ZELVServerAddress a;
        a.filePath = dir.path() + QStringLiteral("/admin.db");
        owner.SetServerAddress(a);
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
        QStringList extra;
        if (!row.variable.isEmpty())
            extra << QStringLiteral("KELMAR_PASSWORD=") + row.variable;
        const ToolRun r = Run(QStringLiteral(ZELVADMIN_PATH),
                              row.options + QStringList{QStringLiteral("list")}, true, {}, extra);
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
    if (::geteuid() == 0) {
        // Permissions do not stop root: read as another user.
        ASSERT_EQ(Admin({QStringLiteral("add-user"), QStringLiteral("nobody")}).code, 0);
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

    ToolRun r = Run(tool, {QStringLiteral("list")}, true, prefix);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("ACME"))) << r.out.toStdString();
    r = Run(tool, {QStringLiteral("add-customer"), QStringLiteral("BETA")}, true, prefix);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("read-only"))) << r.err.toStdString();

    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace
