#include "LoopbackHttpServer.h"
#include "ZELVPackageUpgrade.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Keeps what the installer was given, and the package's bytes at that moment.
struct RecordingInstaller : IZELVPackageInstaller {
    int code = 0;
    QList<QStringList> options;
    QList<QByteArray> packages;
    int Install(const QString& packageFile, const QStringList& opts, QString* detail) override {
        QFile f(packageFile);
        packages << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        options << opts;
        if (detail)
            *detail = QStringLiteral("recorded");
        return code;
    }
};

QByteArray Package() {
    QByteArray p("!<arch>\ndebian-binary   ");
    for (int i = 0; i < 200000; ++i)
        p += char('a' + i % 26);
    return p;
}

QByteArray Sha256Hex(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

enum PackageMode { Full, Cut, Reset, RedirectSameHost, RedirectOtherHost, NoPackage };
enum SumMode { GoodSum, WrongSum, NoSum, GarbageSum, ListingSum };
using Outcome = CZELVPackageUpgrade::Result::Outcome;

} // namespace

Q_DECLARE_METATYPE(PackageMode)
Q_DECLARE_METATYPE(SumMode)
Q_DECLARE_METATYPE(Outcome)

class RenewDownloadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void DownloadsChecksAndInstalls_data() {
        QTest::addColumn<PackageMode>("package");
        QTest::addColumn<SumMode>("sum");
        QTest::addColumn<QString>("path"); // of the address given; empty: the package's
        QTest::addColumn<int>("installerCode");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("message"); // a part of it
        QTest::addColumn<int>("packageRequests");
        // Bytes of the partial file afterwards: -1 none, -2 some, -3 less than the package.
        QTest::addColumn<int>("partLeft");

        const int half = Package().size() / 2;
        QTest::newRow("GoodPackageIsInstalled")
            << Full << GoodSum << "" << 0 << false << Outcome::Installed << "" << 1 << -1;
        QTest::newRow("ListingWithItsOwnLine")
            << Full << ListingSum << "" << 0 << false << Outcome::Installed << "" << 1 << -1;
        QTest::newRow("InstallerCodeIsPassedBack")
            << Full << GoodSum << "" << 1603 << false << Outcome::InstallerFailed << "" << 1 << -1;
        QTest::newRow("WrongChecksumIsRefusedAndDeleted")
            << Full << WrongSum << "" << 0 << false << Outcome::Refused
            << "does not match its published SHA-256" << 1 << -1;
        QTest::newRow("MissingChecksumDownloadsNothing")
            << Full << NoSum << "" << 0 << false << Outcome::Refused << "checksum could not be read"
            << 0 << -1;
        QTest::newRow("ChecksumFileWithoutASum")
            << Full << GarbageSum << "" << 0 << false << Outcome::Refused
            << "holds no SHA-256 checksum" << 0 << -1;
        QTest::newRow("TruncatedDownloadKeepsThePart")
            << Cut << GoodSum << "" << 0 << false << Outcome::Refused << "stopped after" << 1
            << half;
        QTest::newRow("ServerGoneHalfWay")
            << Reset << GoodSum << "" << 0 << false << Outcome::Refused << "stopped after" << 1
            << -3; // a reset may drop what was still unread
        QTest::newRow("RedirectOnTheSameHostIsFollowed")
            << RedirectSameHost << GoodSum << "" << 0 << false << Outcome::Installed << "" << 2
            << -1;
        QTest::newRow("RedirectToAnotherHostIsRefused")
            << RedirectOtherHost << GoodSum << "" << 0 << false << Outcome::Refused
            << "another host" << 1 << 0;
        QTest::newRow("MissingPackage") << NoPackage << GoodSum << "" << 0 << false
                                        << Outcome::Refused << "status 404" << 1 << 0;
        QTest::newRow("CancelledKeepsThePart")
            << Full << GoodSum << "" << 0 << true << Outcome::Cancelled << "cancelled" << 1 << -2;
        QTest::newRow("EmptyAddress") << Full << GoodSum << " " << 0 << false << Outcome::Refused
                                      << "no download address" << 0 << -1;
        QTest::newRow("NotHttp") << Full << GoodSum << "ftp" << 0 << false << Outcome::Refused
                                 << "not an http or https address" << 0 << -1;
        QTest::newRow("NotADebianPackage")
            << Full << GoodSum << "/kelmar.exe" << 0 << false << Outcome::Refused
            << "does not name a Debian package" << 0 << -1;
    }
    void DownloadsChecksAndInstalls() {
        QFETCH(PackageMode, package);
        QFETCH(SumMode, sum);
        QFETCH(QString, path);
        QFETCH(int, installerCode);
        QFETCH(bool, cancel);
        QFETCH(Outcome, outcome);
        QFETCH(QString, message);
        QFETCH(int, packageRequests);
        QFETCH(int, partLeft);

        const QByteArray bytes = Package();
        const QString name = QStringLiteral("/kelmar-lite_1.1.0_amd64.deb");
        LoopbackHttpServer server;
        LoopbackHttpServer other;
        LoopbackHttpServer::Route p;
        p.body = bytes;
        if (package == Cut)
            p.cutAt = bytes.size() / 2;
        if (package == Reset) {
            p.cutAt = bytes.size() / 2;
            p.reset = true;
        }
        if (package == RedirectSameHost || package == RedirectOtherHost) {
            LoopbackHttpServer::Route moved;
            moved.status = 302;
            moved.body.clear();
            LoopbackHttpServer& target = package == RedirectSameHost ? server : other;
            moved.headers =
                "Location: " + target.Url(QStringLiteral("/pool") + name).toUtf8() + "\r\n";
            server.Set(name, moved);
            target.Set(QStringLiteral("/pool") + name, p);
        } else if (package != NoPackage) {
            server.Set(name, p);
        }
        LoopbackHttpServer::Route s;
        const QByteArray good = Sha256Hex(bytes);
        switch (sum) {
        case GoodSum:
            s.body = good + "  kelmar-lite_1.1.0_amd64.deb\n";
            break;
        case WrongSum:
            s.body = Sha256Hex("something else") + "  kelmar-lite_1.1.0_amd64.deb\n";
            break;
        case GarbageSum:
            s.body = "<html>checksums moved</html>\n";
            break;
        case ListingSum:
            s.body = Sha256Hex("other") + "  kelmar-lite_1.0.0_amd64.deb\n" + good.toUpper() +
                     " *kelmar-lite_1.1.0_amd64.deb\n";
            break;
        case NoSum:
            break;
        }
        if (sum != NoSum)
            server.Set(name + QStringLiteral(".sha256"), s);

        QString url = server.Url(name);
        if (path == QLatin1String("ftp"))
            url = QStringLiteral("ftp://%1%2").arg(server.Host(), name);
        else if (!path.isEmpty())
            url = path.startsWith(QLatin1Char('/')) ? server.Url(path) : path;

        QTemporaryDir dir;
        CZELVCurlHttp http;
        RecordingInstaller installer;
        installer.code = installerCode;
        CZELVPackageUpgrade upgrade(http, installer, dir.filePath(QStringLiteral("packages")));
        qint64 lastReceived = 0;
        const CZELVPackageUpgrade::Result r = upgrade.Run(
            url, QStringLiteral("--only-trusted  PROPERTY=\"a b\""), [&](qint64 received, qint64) {
                lastReceived = received;
                return !(cancel && received > 0);
            });

        QCOMPARE(r.outcome, outcome);
        QVERIFY2(r.message.contains(message, Qt::CaseInsensitive), qPrintable(r.message));
        const bool installs = outcome == Outcome::Installed || outcome == Outcome::InstallerFailed;
        QCOMPARE(installer.packages.size(), installs ? 1 : 0);
        if (installs) {
            QVERIFY(installer.packages.first() == bytes);
            QCOMPARE(installer.options.first(), QStringList({QStringLiteral("--only-trusted"),
                                                             QStringLiteral("PROPERTY=a b")}));
            QCOMPARE(r.code, installerCode);
            QVERIFY(lastReceived > 0);
        }
        const int asked = server.Count(name) + server.Count(QStringLiteral("/pool") + name) +
                          other.Count(QStringLiteral("/pool") + name);
        QCOMPARE(asked, packageRequests);
        QCOMPARE(other.Requests().size(), 0);

        const QString part =
            dir.filePath(QStringLiteral("packages") + name + QStringLiteral(".part"));
        const QString final = dir.filePath(QStringLiteral("packages") + name);
        // An installed package is not kept; a refused one is never left to install.
        QCOMPARE(QFile::exists(final), outcome == Outcome::InstallerFailed);
        if (partLeft == -1)
            QVERIFY(!QFile::exists(part));
        else if (partLeft == -3)
            QVERIFY(QFile::exists(part) && QFileInfo(part).size() < bytes.size());
        else if (partLeft == -2)
            QVERIFY(QFileInfo(part).size() > 0 && QFileInfo(part).size() <= bytes.size());
        else
            QCOMPARE(QFileInfo(part).size(), qint64(partLeft));
    }

    // The installer programs as they are started: fakes on PATH record their
    // arguments and exit with the row's code.
    void InstallsThroughPackageKit_data() {
        QTest::addColumn<QString>("tools"); // fakes on PATH
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("recorder");  // the fake whose arguments are checked
        QTest::addColumn<QString>("arguments"); // "|"-joined, DIR = the fakes' folder
        QTest::newRow("PkconInstallsLocal")
            << "pkcon" << 0 << 0 << "pkcon"
            << "--noninteractive|--only-trusted|A=b c|install-local|/p/kelmar.deb";
        QTest::newRow("PkconFailureCodeComesBack")
            << "pkcon" << 4 << 4 << "pkcon"
            << "--noninteractive|--only-trusted|A=b c|install-local|/p/kelmar.deb";
        QTest::newRow("WithoutPackageKitPkexecRunsAptGet")
            << "pkexec,apt-get" << 0 << 0 << "pkexec"
            << "DIR/apt-get|install|-y|--only-trusted|A=b c|/p/kelmar.deb";
        QTest::newRow("NoInstallerAtAll")
            << "apt-get" << 0 << int(CZELVPkconInstaller::kNoInstaller) << ""
            << "";
    }
    void InstallsThroughPackageKit() {
        QFETCH(QString, tools);
        QFETCH(int, exitCode);
        QFETCH(int, code);
        QFETCH(QString, recorder);
        QFETCH(QString, arguments);

        QTemporaryDir dir;
        for (const QString& tool : tools.split(QLatin1Char(','))) {
            QFile fake(dir.filePath(tool));
            QVERIFY(fake.open(QIODevice::WriteOnly));
            fake.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit " +
                       QByteArray::number(exitCode) + "\n");
            fake.close();
            fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toLocal8Bit());
        CZELVPkconInstaller installer;
        QString detail;
        const int got =
            installer.Install(QStringLiteral("/p/kelmar.deb"),
                              {QStringLiteral("--only-trusted"), QStringLiteral("A=b c")}, &detail);
        qputenv("PATH", path);
        QCOMPARE(got, code);
        if (recorder.isEmpty()) {
            QVERIFY2(detail.contains(QStringLiteral("pkcon")), qPrintable(detail));
            return;
        }
        QFile args(dir.filePath(recorder + QStringLiteral(".args")));
        QVERIFY(args.open(QIODevice::ReadOnly));
        QString expected = arguments;
        expected.replace(QStringLiteral("DIR"), dir.path());
        QCOMPARE(QString::fromUtf8(args.readAll()).trimmed().split(QLatin1Char('\n')),
                 expected.split(QLatin1Char('|')));
    }

    // A download cut short goes on where it stopped at the next try.
    void ResumesAfterATruncatedDownload() {
        const QByteArray bytes = Package();
        const QString name = QStringLiteral("/kelmar-lite_1.1.0_amd64.deb");
        LoopbackHttpServer server;
        LoopbackHttpServer::Route p;
        p.body = bytes;
        p.cutAt = 70000;
        server.Set(name, p);
        LoopbackHttpServer::Route s;
        s.body = Sha256Hex(bytes) + "\n";
        server.Set(name + QStringLiteral(".sha256"), s);

        QTemporaryDir dir;
        CZELVCurlHttp http;
        RecordingInstaller installer;
        CZELVPackageUpgrade upgrade(http, installer, dir.path());
        QCOMPARE(upgrade.Run(server.Url(name), {}, {}).outcome, Outcome::Refused);
        p.cutAt = -1;
        server.Set(name, p);
        const CZELVPackageUpgrade::Result r = upgrade.Run(server.Url(name), {}, {});
        QCOMPARE(r.outcome, Outcome::Installed);
        QCOMPARE(installer.packages.size(), 1);
        QVERIFY(installer.packages.first() == bytes);
        const QByteArray second = server.Requests().last();
        QVERIFY2(second.contains("Range: bytes=70000-"), second.constData());
    }
};

QTEST_GUILESS_MAIN(RenewDownloadTest)
#include "RenewDownloadTest.moc"
