// zelvadmin check-rules run as a program: a configuration with every kind of
// mistake an administrator writes, the shipped example on the demo data, and
// the promise that explaining writes nothing.
#include "QtPrinters.h"
#include "ZELV10MFC.h"
#include "ZELVServerAddress.h"
#include "ZelvTestPassword.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int code = -1;
    QStringList out;
    QString err;
};

class CheckRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        server = QStringLiteral("kelmar://") + dir.path() + QStringLiteral("/rules.db");
    }

    ToolRun Admin(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("ZELVCONFIGFILE"));
        env.insert(QStringLiteral("KELMAR_PASSWORD"), ZelvTestPassword());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZELVADMIN_PATH), args);
        ToolRun r;
        if (!p.waitForFinished(300000))
            return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (!r.out.isEmpty() && r.out.back().isEmpty())
            r.out.removeLast();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString WriteConfig(const char* text) {
        const QString path = dir.path() + QStringLiteral("/ZELVDesk.cfg");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }

    QTemporaryDir dir;
    QString server;
};

// Every kind of mistake, one per element, with its line.
const char* const kMistakes = R"cfg(routing = (
  { volume = { target = "VLT1"; barcode = "ACME.LTO5.[A*"; }; },
  { volume = { barcode = "*"; }; },
  { volume = { target = "VLT1-OFFSITE"; barcode = "*.LTO8.*"; }; },
  { volume = { target = "ZZZZ"; source = "DC0?"; trget = "x"; }; },
  { volume = { target = 1234; }; },
  { volume = { target = "VLT2"; source = "XX*"; }; },
  "VLT1",
  { volume = { target = "VLT1"; }; },
  { volume = { target = "VLT2"; barcode = "*.LTO8.*"; }; }
);
allocation = (
  { container = { }; },
  { volume = { barcode = "@(A|B"; target = "VLT9"; }; container = { }; },
  { volume = { datacluster = 5; allocation = "no"; target = "VLT1"; }; },
  { volume = { target = "VLT2"; }; assignment = { barcode = "CN*"; }; },
  { volume = { target = "VLT2"; }; assignment = { datacluster = "Legal"; }; },
  { volume = { barcode = "*"; }; container = { datacluster = "Pay)"; }; },
  { volume = { target = "VLT1"; }; container = { }; }
);
)cfg";

TEST_F(CheckRulesTest, ReportsEveryMistakeWithItsLine) {
    const QString config = WriteConfig(kMistakes);
    // The server knows the Repositories and the Customer's Data-Clusters.
    ASSERT_EQ(Admin({"--server", server, "init"}).code, 0);
    for (const char* r : {"DC01", "VLT1", "VLT2"})
        ASSERT_EQ(Admin({"--server", server, "add-repository", r}).code, 0);
    ASSERT_EQ(Admin({"--server", server, "add-customer", "ACME"}).code, 0);
    ASSERT_EQ(Admin({"--server", server, "add-media", "ACME", "LTO5"}).code, 0);
    {
        CZELV10MFC mfc;
        ZELVServerAddress address;
        ASSERT_TRUE(ZELVServerAddress::Parse(server, &address, nullptr));
        address.password = ZelvTestPassword();
        mfc.SetServerAddress(address);
        ASSERT_TRUE(mfc.Logon().IsOK());
        for (const char* name : {"Payroll", "Finance"}) {
            ZELVCLUSTEREx cluster;
            cluster.customerId = "ACME";
            cluster.name = name;
            ASSERT_TRUE(mfc.Add(cluster).IsOK());
        }
    }

    const QStringList problems = {
        "line 2: routing element 1: malformed: 'volume.barcode' pattern \"ACME.LTO5.[A*\" is "
        "malformed (\"[\" at 11 has no \"]\"): it matches nothing, so the element never applies",
        "line 3: routing element 2: malformed: has no 'volume.target': never applies",
        "line 4: routing element 3: malformed: target \"VLT1-OFFSITE\" is longer than a "
        "Repository identifier (4 characters): every move to it is refused",
        "line 5: routing element 4: ignored: 'volume.trget' is not read by any rule and is "
        "ignored",
        "line 5: routing element 4: never applies: target \"ZZZZ\" names no Repository: every "
        "move to it is refused",
        "line 6: routing element 5: malformed: 'volume.target' is not a text (integer): never "
        "applies",
        "line 7: routing element 6: never applies: 'volume.source' pattern \"XX*\" matches no "
        "Repository: never applies",
        "line 8: routing element 7: malformed: is not a group (text): skipped",
        "line 10: routing element 9: never applies: never applies: element 8 before it takes "
        "every Volume",
        "line 13: allocation element 1: malformed: has no 'volume' group: never applies",
        "line 14: allocation element 2: malformed: 'volume.barcode' pattern \"@(A|B\" is "
        "malformed (1 group(s) not closed with \")\"): it matches nothing, so the element never "
        "applies",
        "line 14: allocation element 2: never applies: 'volume.target' pattern \"VLT9\" matches "
        "no Repository: never applies",
        "line 15: allocation element 3: malformed: 'volume.datacluster' is not a text (integer): "
        "it is ignored, as if absent",
        "line 15: allocation element 3: malformed: 'volume.allocation' is not a boolean (text): "
        "it is ignored, as if absent",
        "line 15: allocation element 3: never applies: takes Volumes but has neither a "
        "'container' group nor a usable 'assignment': every Volume it takes gets the Allocation "
        "Error",
        "line 16: allocation element 4: malformed: 'assignment' has no 'datacluster': no "
        "Container is ever assigned",
        "line 16: allocation element 4: never applies: takes Volumes but has neither a "
        "'container' group nor a usable 'assignment': every Volume it takes gets the Allocation "
        "Error",
        "line 17: allocation element 5: never applies: 'assignment.datacluster' \"Legal\" names "
        "no Data-Cluster of the Customer: no Container is ever assigned",
        "line 17: allocation element 5: never applies: takes Volumes but has neither a "
        "'container' group nor a usable 'assignment': every Volume it takes gets the Allocation "
        "Error",
        "line 18: allocation element 6: malformed: 'container.datacluster' pattern \"Pay)\" is "
        "malformed (\")\" at 4 closes no group): it matches nothing, so the element never "
        "applies",
        "line 19: allocation element 7: never applies: never applies: element 6 before it takes "
        "every Volume",
    };
    ToolRun r = Admin({"--server", server, "check-rules", "--config", config, "--customer", "ACME",
                       "--repository", "DC01"});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    ASSERT_GE(r.out.size(), problems.size() + 2);
    EXPECT_EQ(r.out[0], QStringLiteral("Rules of %1: 'routing' 9 element(s), 'allocation' 7 "
                                       "element(s), 'labels/refuse' absent, 'labels/media' absent")
                            .arg(config));
    QStringList shown;
    for (qsizetype i = 1; i <= problems.size(); ++i)
        shown << r.out[i].trimmed();
    EXPECT_EQ(shown, problems);
    EXPECT_EQ(r.out[problems.size() + 1], QStringLiteral("20 problem(s) found"));

    // Without a server the Repository and Data-Cluster checks are left out.
    r = Admin({"check-rules", "--config", config});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("15 problem(s) found")))
        << r.out.join('\n').toStdString();
    EXPECT_FALSE(r.out.join('\n').contains(QStringLiteral("names no Repository")));
}

TEST_F(CheckRulesTest, BadUsageAndUnreadableFiles) {
    const QString config = WriteConfig("routing = ( { volume = { target = \"VLT1\"; }; } );\n");
    ToolRun r = Admin({"check-rules", "--config", config, "--customer", "ACME"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--customer and --repository go together")));

    r = Admin({"check-rules", "--config", dir.path() + QStringLiteral("/missing.cfg")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("zelvadmin: check-rules: ")))
        << r.err.toStdString();

    WriteConfig("routing = ( { volume = { target = \"VLT1\"; } );\n");
    r = Admin({"check-rules", "--config", config});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Line(1)"))) << r.err.toStdString();

    // A clean file: exit 0, no server touched (no database is made).
    WriteConfig("routing = ( { volume = { target = \"VLT1\"; }; } );\n");
    r = Admin({"check-rules", "--config", config});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.back(), QStringLiteral("No problems found"));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/data/Brollyn/Kelmar/kelmar.db")));

    r = Admin({"check-rules", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.join('\n').contains(QStringLiteral("--repository")));
}

// The shipped example with its settings taken in, on the demo data: clean,
// and every decision explained, without a single write.
TEST_F(CheckRulesTest, ExplainsTheShippedExampleOnTheDemoData) {
    QFile example(QStringLiteral(ZELV_EXAMPLE_CONFIG));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly | QIODevice::Text));
    static const QRegularExpression setting(
        QStringLiteral("^(\\s*)# ( *)(?=[A-Za-z][A-Za-z0-9_]* =|[(){}])"));
    QStringList lines = QString::fromUtf8(example.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        line.replace(setting, QStringLiteral("\\1\\2"));
    const QString config = WriteConfig(lines.join(QLatin1Char('\n')).toUtf8().constData());
    ASSERT_EQ(Admin({"--server", server, "init"}).code, 0);
    ASSERT_EQ(Admin({"--server", server, "demo"}).code, 0);

    CZELV10MFC mfc;
    ZELVServerAddress address;
    ASSERT_TRUE(ZELVServerAddress::Parse(server, &address, nullptr));
    address.password = ZelvTestPassword();
    mfc.SetServerAddress(address);
    ASSERT_TRUE(mfc.Logon().IsOK());
    auto clusters = [&mfc] {
        std::vector<ZELV10CONTAINER> containers;
        EXPECT_TRUE(mfc.List(&containers).IsOK());
        QStringList out;
        for (const ZELV10CONTAINER& c : containers) {
            ZELVVOLS v;
            EXPECT_TRUE(
                mfc.Get(&v, c.key.customerId.Text(), c.key.mediaId.Text(), c.key.volumeId.Text())
                    .IsOK());
            out << QStringLiteral("%1=%2 v%3").arg(c.key.Text()).arg(v.dataCluster).arg(v.version);
        }
        return out;
    };
    const QStringList before = clusters();

    const ToolRun r = Admin({"--server", server, "check-rules", "--config", config, "--customer",
                             "ACME", "--repository", "DC01"});
    EXPECT_EQ(r.code, 0) << r.out.join('\n').toStdString() << r.err.toStdString();
    const QString out = r.out.join(QLatin1Char('\n'));
    EXPECT_TRUE(r.out.contains(QStringLiteral("No problems found"))) << out.toStdString();
    for (const char* pattern : {
             "^Scan-Out from DC01 for ACME: \\d+ Volume\\(s\\) to send, 7 Container\\(s\\) there$",
             "^  send ACME\\.LTO6\\.A000019 to LIB1: element 4 \\(line \\d+\\): not allocated "
             "\\(allocation = false\\)$",
             "^  send ACME\\.LTO6\\.A000039 to LIB1 \\(Data-Cluster Payroll\\): element 1 \\(line "
             "\\d+\\): into empty ACME\\.CONT\\.CN0001, given Data-Cluster Payroll$",
             "^  send ACME\\.LTO6\\.A000139 to LIB1 \\(Data-Cluster Payroll\\): element 1 "
             "\\(line \\d+\\): into ACME\\.CONT\\.CN0001$",
             "^  send ACME\\.LTO6\\.A000099 to LIB1 \\(Data-Cluster Archive\\): element 2 \\(line "
             "\\d+\\): not allocated \\(allocation = false\\)$",
             "^  send ACME\\.LTO6\\.A000815 to VLT1: element 3 \\(line \\d+\\): into "
             "ACME\\.CONT\\.CN\\d+$",
             "^  receive ACME\\.LTO8\\.B000018 from VLT1: element 2 \\(line \\d+\\): routed to "
             "LIB1 \\(Tape Library\\)$",
             "^  receive ACME\\.LTO6\\.A000018 from VLT1: no element applies: stays at DC01$",
         })
        EXPECT_TRUE(out.contains(
            QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::MultilineOption)))
            << pattern;
    // Explaining wrote nothing: no Container got a Data-Cluster or a new version.
    EXPECT_EQ(clusters(), before);

    // --verbose shows the Allocation Log lines each decision comes from.
    const ToolRun v = Admin({"--server", server, "check-rules", "--config", config, "--customer",
                             "ACME", "--media", "LTO8", "--repository", "DC01", "--verbose"});
    EXPECT_EQ(v.code, 0);
    const QString verbose = v.out.join(QLatin1Char('\n'));
    EXPECT_TRUE(verbose.contains(
        QStringLiteral("Trying to assign an eligable Container to Data-Cluster(Payroll)")));
    EXPECT_FALSE(verbose.contains(QStringLiteral("send ACME.LTO6.")));
}

} // namespace
