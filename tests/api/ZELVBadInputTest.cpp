#include "ZELV10MFC.h"
#include "ZelvTestDb.h"
#include "ZelvTestPassword.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray FileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// --- Identifiers a caller may send -------------------------------------------------

struct IdCase {
    const char* name;
    QString text;
    uint32_t code;
};

class ZELVBadIdentifierTest : public ::testing::TestWithParam<std::tuple<TestEngine, IdCase>> {
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
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(c).IsOK());
        ZELVMEDIAEx m;
        m.customerId = "ACME";
        m.mediaId = "LTO6";
        ASSERT_TRUE(mfc.Add(m).IsOK());
    }
    std::unique_ptr<ZelvTestDb> db;
    CZELV10MFC mfc;
};

TEST_P(ZELVBadIdentifierTest, RefusedWithTheFieldNamedAndNothingWritten) {
    const IdCase& c = std::get<1>(GetParam());
    // As a Customer-ID in a record: a fixed field holds at most 4 bytes, so the
    // long case reaches the calls that take texts below.
    ZELVCUSTEx cust;
    cust.customerId.Set(c.text);
    if (ZELVFixedText<4>::Fits(c.text) && !c.text.isEmpty()) {
        const CZELV10RC rc = mfc.Add(cust);
        EXPECT_FALSE(rc.IsOK());
        EXPECT_TRUE(rc.Get().contains(QLatin1String("Customer-ID"))) << rc.Get().toStdString();
    }
    // As texts given to calls.
    ZELVCUSTEx got;
    CZELV10RC rc = mfc.Get(&got, c.text);
    EXPECT_EQ(rc.Code(), c.code) << rc.Get().toStdString();
    ZELVVOLS vol;
    rc = mfc.Get(&vol, QStringLiteral("ACME"), QStringLiteral("LTO6"), c.text);
    EXPECT_EQ(rc.Code(), c.code) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains(QLatin1String("Volume-ID"))) << rc.Get().toStdString();
    std::vector<ZELVMEDIAEx> media;
    EXPECT_EQ(mfc.List(&media, c.text).Code(), c.code);
    // As a Volume-ID of a new Volume.
    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "X");
    v.key.volumeId.Set(c.text);
    if (ZELVFixedText<10>::Fits(c.text)) {
        EXPECT_FALSE(mfc.Add(v).IsOK());
    }
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM customer")).toInt(), 1);
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM volume")).toInt(), 0);
    // The connection is still good.
    std::vector<ZELVCUSTEx> list;
    EXPECT_TRUE(mfc.List(&list).IsOK());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZELVBadIdentifierTest,
    ::testing::Combine(
        ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
        ::testing::Values(IdCase{"Empty", QString(), ZELV10RC_BADIDENTIFIER},
                          IdCase{"TooLong", QStringLiteral("ABCDEFGHIJKLMNOP"),
                                 ZELV10RC_TEXTTOOLONG},
                          IdCase{"Quote", QStringLiteral("A'B"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"DoubleQuote", QStringLiteral("A\"B"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"Semicolon", QStringLiteral("A;B"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"Percent", QStringLiteral("A%"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"Nul", QString::fromUtf16(u"A\0B", 3), ZELV10RC_BADIDENTIFIER},
                          IdCase{"NonAscii", QStringLiteral("Ä1"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"FullStop", QStringLiteral("A.B"), ZELV10RC_BADIDENTIFIER},
                          IdCase{"Blank", QStringLiteral("A B"), ZELV10RC_BADIDENTIFIER})),
    [](const ::testing::TestParamInfo<std::tuple<TestEngine, IdCase>>& i) {
        return std::string(std::get<0>(i.param) == TestEngine::SQLite ? "SQLite_" : "PostgreSQL_") +
               std::get<1>(i.param).name;
    });

TEST(ZELVBadText, NulOrBrokenUtf8InAFieldIsRefused) {
    ZelvTestDb db(TestEngine::SQLite);
    CZELV10MFC mfc;
    mfc.SetServerAddress(db.Address());
    ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
    ZELVCUSTEx c;
    c.customerId = "ACME";
    std::memcpy(c.name.Data(), "Acme\0Evil", 9);
    CZELV10RC rc = mfc.Add(c);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_BADTEXT));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("NUL"))) << rc.Get().toStdString();
    c.name.Clear();
    std::memcpy(c.name.Data(), "Caf\xE9", 4); // Latin-1, not UTF-8
    rc = mfc.Add(c);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_BADTEXT));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("UTF-8"))) << rc.Get().toStdString();
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM customer")).toInt(), 0);
    // A name cut to its 40 bytes never ends in half a character.
    c.name.Set(QString(39, QLatin1Char('x')) + QStringLiteral("é"));
    EXPECT_EQ(c.name.Length(), 39);
    ASSERT_TRUE(mfc.Add(c).IsOK());
}

// --- SQLite files that are not what they should be -------------------------------------

class ZELVBadFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.path() + QStringLiteral("/kelmar.db");
        address.filePath = path;
        address.password = ZelvTestPassword();
    }
    // A database with a few thousand Volumes, closed cleanly.
    void MakeDatabase(int volumes) {
        CZELV10MFC mfc;
        mfc.SetServerAddress(address);
        ASSERT_TRUE(mfc.Logon(kOwnerLogon).IsOK());
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(c).IsOK());
        ZELVMEDIAEx m;
        m.customerId = "ACME";
        m.mediaId = "LTO6";
        ASSERT_TRUE(mfc.Add(m).IsOK());
        for (int i = 0; i < volumes; ++i)
            ASSERT_TRUE(mfc.Add(NewVolume("ACME", "LTO6",
                                          QString::asprintf("V%06d", i).toLatin1().constData()))
                            .IsOK());
    }
    QTemporaryDir dir;
    QString path;
    ZELVServerAddress address;
};

TEST_F(ZELVBadFileTest, FileThatIsNotADatabaseIsRefusedAndUntouched) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'k'));
    f.close();
    const QByteArray before = FileHash(path);
    CZELV10MFC mfc;
    mfc.SetServerAddress(address);
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_NOTADATABASE));
    EXPECT_TRUE(rc.Get().contains(path)) << rc.Get().toStdString();
    EXPECT_EQ(FileHash(path), before);
    EXPECT_FALSE(mfc.IsLoggedOn());
}

TEST_F(ZELVBadFileTest, TruncatedFileIsReportedAsDamaged) {
    MakeDatabase(3000);
    QFile f(path);
    const qint64 size = f.size();
    ASSERT_GT(size, 65536);
    ASSERT_TRUE(f.resize(size / 2));
    CZELV10MFC mfc;
    mfc.SetServerAddress(address);
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_DAMAGED));
    EXPECT_TRUE(rc.Get().contains(path)) << rc.Get().toStdString();
    EXPECT_FALSE(mfc.IsLoggedOn());
    EXPECT_EQ(QFile(path).size(), size / 2);
}

TEST_F(ZELVBadFileTest, MissingFolderCannotBeOpened) {
    ZELVServerAddress a;
    a.filePath = dir.path() + QStringLiteral("/no/such/folder/kelmar.db");
    CZELV10MFC mfc;
    mfc.SetServerAddress(a);
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_CANNOTOPEN));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("does not exist"))) << rc.Get().toStdString();
}

// Runs body as an unprivileged user when the tests run as root (root writes
// read-only files), else in this process. Returns the body's exit code.
int AsUnprivileged(const std::function<int()>& body) {
    if (geteuid() != 0)
        return body();
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(90);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(ZELVBadFileTest, ReadOnlyFileCanBeReadButNotWritten) {
    MakeDatabase(3);
    {
        CZELV10MFC owner;
        owner.SetServerAddress(address);
        ASSERT_TRUE(owner.Logon().IsOK());
        ZELVUSER reader;
        reader.userId = "reader";
        // A role that may add Volumes: only the file stops it.
        reader.flags = 2u << ZELVUSER_ROLESHIFT;
        ASSERT_TRUE(owner.Add(reader).IsOK());
        ASSERT_TRUE(
            owner.ResetPassword(QStringLiteral("reader"), QStringLiteral("reader pass")).IsOK());
    }
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    // The folder stays writable so that SQLite can keep its lock files beside it.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::WriteOther | QFile::ExeOther));
    const QByteArray before = FileHash(path);
    const int result = AsUnprivileged([&]() -> int {
        CZELV10MFC mfc;
        ZELVServerAddress asReader = address;
        asReader.user = QStringLiteral("reader");
        asReader.password = QStringLiteral("reader pass");
        mfc.SetServerAddress(asReader);
        CZELV10RC rc = mfc.Logon();
        if (!rc.IsOK()) {
            fprintf(stderr, "logon: %s\n", qPrintable(rc.Get()));
            return 1;
        }
        std::vector<ZELVVOLSFULL> list;
        rc = mfc.List(&list, QStringLiteral("ACME"), QStringLiteral("LTO6"));
        if (!rc.IsOK() || list.size() != 3) {
            fprintf(stderr, "list: %s\n", qPrintable(rc.Get()));
            return 2;
        }
        rc = mfc.Add(NewVolume("ACME", "LTO6", "NEW1"));
        if (rc.Code() != ZELV10RC_READONLY || !rc.Get().contains(QLatin1String("read-only"))) {
            fprintf(stderr, "add: %s\n", qPrintable(rc.Get()));
            return 3;
        }
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FileHash(path), before);
}

TEST_F(ZELVBadFileTest, DatabaseLockedByAnotherProcessSaysSoAndRecovers) {
    MakeDatabase(1);
    QProcess holder;
    holder.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sqlite3, sys\n"
                                 "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                 "c.execute('BEGIN IMMEDIATE')\n"
                                 "print('locked', flush=True)\n"
                                 "sys.stdin.readline()\n"
                                 "c.execute('ROLLBACK')\n"),
                  path});
    if (!holder.waitForStarted(10000))
        GTEST_SKIP() << "python3 is not available to hold the lock";
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_TRUE(holder.readAll().contains("locked"));

    CZELV10MFC mfc;
    mfc.SetServerAddress(address);
    mfc.SetBusyTimeout(200);
    ASSERT_TRUE(mfc.Logon().IsOK());
    ZELVVOLSEx v = NewVolume("ACME", "LTO6", "V000000");
    ASSERT_TRUE(mfc.Get(&v).IsOK()) << "readers go on while another program writes";
    v.vol.Target().repositoryId = "INIT";
    v.vol.threshold = 5;
    const CZELV10RC rc = mfc.Update(v);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_LOCKED));
    EXPECT_TRUE(rc.Get().contains(QLatin1String("locked by another program")))
        << rc.Get().toStdString();

    holder.write("\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_TRUE(mfc.Update(v).IsOK());
    ZELVVOLSEx after = NewVolume("ACME", "LTO6", "V000000");
    ASSERT_TRUE(mfc.Get(&after).IsOK());
    EXPECT_EQ(after.vol.threshold, 5);
}

// --- PostgreSQL that goes away -----------------------------------------------------------

int ClosedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof(a);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

TEST(ZELVCentralServer, ClosedPortIsUnreachable) {
    CZELV10MFC mfc;
    const int port = ClosedPort();
    mfc.SetLogonDetails(QStringLiteral("127.0.0.1"), port, QStringLiteral("kelmar"),
                        QStringLiteral("secret"));
    const CZELV10RC rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_UNREACHABLE));
    EXPECT_TRUE(rc.Get().contains(QStringLiteral("127.0.0.1:%1").arg(port)))
        << rc.Get().toStdString();
    EXPECT_FALSE(rc.Get().contains(QLatin1String("secret")));
    EXPECT_FALSE(mfc.IsLoggedOn());
    std::vector<ZELVCUSTEx> list;
    EXPECT_EQ(mfc.List(&list).Code(), static_cast<uint32_t>(ZELV10RC_NOTLOGGEDON));
}

class ZELVCentralServerTest : public ZelvEngineTest {};

TEST_P(ZELVCentralServerTest, WrongPasswordIsRefused) {
    ZELVServerAddress a = db->Address();
    a.password += QStringLiteral("-wrong");
    CZELV10MFC other;
    other.SetServerAddress(a);
    const CZELV10RC rc = other.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_LOGONFAILED));
    EXPECT_FALSE(rc.Get().contains(a.password));
}

TEST_P(ZELVCentralServerTest, LostSessionSaysSoAndLogonReconnects) {
    ZELVCUSTEx c;
    c.customerId = "ACME";
    ASSERT_TRUE(mfc.Add(c).IsOK());
    // The server drops this workstation's session.
    ASSERT_TRUE(db->Exec(
        QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                       " WHERE datname = current_database() AND application_name = 'Kelmar'")));
    std::vector<ZELVCUSTEx> list;
    CZELV10RC rc = mfc.List(&list);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_CONNECTIONLOST)) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains(QLatin1String("log on again"))) << rc.Get().toStdString();
    EXPECT_FALSE(mfc.IsLoggedOn());
    c.customerId = "BETA";
    EXPECT_EQ(mfc.Add(c).Code(), static_cast<uint32_t>(ZELV10RC_CONNECTIONLOST));
    rc = mfc.Logon();
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    ASSERT_TRUE(mfc.List(&list).IsOK());
    ASSERT_EQ(list.size(), 1u) << "the failed Add left nothing";
    EXPECT_EQ(list[0].customerId.Text(), QStringLiteral("ACME"));
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVCentralServerTest, ::testing::Values(TestEngine::PostgreSQL),
                         EngineName);

// A PostgreSQL cluster of the test's own, so that it can be stopped in the
// middle of a session and started again. Runs where the CI runs PostgreSQL.
class OwnCluster {
public:
    bool Start(QString* why) {
        const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& v : versions)
            if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
                m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
        if (m_bin.isEmpty() || !m_dir.isValid()) {
            *why = QStringLiteral("no PostgreSQL server programs");
            return false;
        }
        m_port = ClosedPort();
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther);
        // initdb refuses to run as root: the server's own user does it.
        if (geteuid() == 0 && !Run(QStringLiteral("chown"),
                                   {QStringLiteral("postgres:postgres"), m_dir.path()}, false)) {
            *why = QStringLiteral("cannot hand the folder to the postgres user");
            return false;
        }
        if (!Pg(QStringLiteral("initdb"),
                {QStringLiteral("-D"), Data(), QStringLiteral("-U"), QStringLiteral("postgres"),
                 QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                 QStringLiteral("--locale=C.UTF-8")})) {
            *why = QStringLiteral("initdb failed");
            return false;
        }
        m_initialised = true;
        if (!Up()) {
            *why = QStringLiteral("the cluster does not start");
            return false;
        }
        return true;
    }
    bool Up() {
        return Pg(QStringLiteral("pg_ctl"),
                  {QStringLiteral("-D"), Data(), QStringLiteral("-l"),
                   m_dir.path() + QStringLiteral("/log"), QStringLiteral("-w"),
                   QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                   QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 -c fsync=off")
                       .arg(m_port)
                       .arg(m_dir.path()),
                   QStringLiteral("start")});
    }
    bool Down() {
        return Pg(QStringLiteral("pg_ctl"),
                  {QStringLiteral("-D"), Data(), QStringLiteral("-m"), QStringLiteral("fast"),
                   QStringLiteral("-w"), QStringLiteral("stop")});
    }
    ~OwnCluster() {
        if (m_initialised)
            Pg(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), Data(), QStringLiteral("-m"),
                                          QStringLiteral("immediate"), QStringLiteral("stop")});
    }
    int Port() const { return m_port; }

private:
    QString Data() const { return m_dir.path() + QStringLiteral("/data"); }
    bool Pg(const QString& program, const QStringList& args) {
        return Run(m_bin + program, args, geteuid() == 0);
    }
    static bool Run(const QString& program, QStringList args, bool asPostgres) {
        QProcess p;
        if (asPostgres) {
            args.prepend(program);
            args.prepend(QStringLiteral("--"));
            args.prepend(QStringLiteral("postgres"));
            args.prepend(QStringLiteral("-u"));
            p.start(QStringLiteral("runuser"), args);
        } else {
            p.start(program, args);
        }
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    int m_port = 0;
    bool m_initialised = false;
};

TEST(ZELVCentralServer, ServerStoppedMidSessionThenStartedAgain) {
    if (ZelvTestDb::PgAddressText().isEmpty())
        GTEST_SKIP() << "KELMAR_TEST_PG is not set";
    OwnCluster cluster;
    QString why;
    ASSERT_TRUE(cluster.Start(&why)) << why.toStdString();
    CZELV10MFC mfc;
    mfc.SetLogonDetails(QStringLiteral("127.0.0.1"), cluster.Port(), QStringLiteral("postgres"),
                        QString());
    ASSERT_TRUE(mfc.Logon().IsOK());
    ZELVCUSTEx c;
    c.customerId = "ACME";
    ASSERT_TRUE(mfc.Add(c).IsOK());

    ASSERT_TRUE(cluster.Down());
    std::vector<ZELVCUSTEx> list;
    CZELV10RC rc = mfc.List(&list);
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_CONNECTIONLOST)) << rc.Get().toStdString();
    EXPECT_FALSE(mfc.IsLoggedOn());
    c.customerId = "BETA";
    EXPECT_FALSE(mfc.Add(c).IsOK());
    rc = mfc.Logon();
    EXPECT_EQ(rc.Code(), static_cast<uint32_t>(ZELV10RC_UNREACHABLE)) << rc.Get().toStdString();

    ASSERT_TRUE(cluster.Up());
    rc = mfc.Logon();
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    ASSERT_TRUE(mfc.List(&list).IsOK());
    ASSERT_EQ(list.size(), 1u) << "nothing of the failed Add";
    EXPECT_EQ(list[0].customerId.Text(), QStringLiteral("ACME"));
}

} // namespace
