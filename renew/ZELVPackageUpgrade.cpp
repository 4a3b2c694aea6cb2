#include "ZELVPackageUpgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <sodium.h>

namespace {

using Outcome = CZELVPackageUpgrade::Result::Outcome;

CZELVPackageUpgrade::Result Refused(const QString& message) {
    CZELVPackageUpgrade::Result r;
    r.outcome = Outcome::Refused;
    r.message = message;
    return r;
}

} // namespace

int CZELVPkconInstaller::Install(const QString& packageFile, const QStringList& options,
                                 QString* detail) {
    QString program = QStandardPaths::findExecutable(QStringLiteral("pkcon"));
    QStringList arguments;
    if (!program.isEmpty()) {
        arguments << QStringLiteral("--noninteractive") << options
                  << QStringLiteral("install-local") << packageFile;
    } else {
        const QString apt = QStandardPaths::findExecutable(QStringLiteral("apt-get"));
        program = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
        if (program.isEmpty() || apt.isEmpty()) {
            if (detail)
                *detail = QStringLiteral("Neither pkcon nor pkexec with apt-get is installed.");
            return kNoInstaller;
        }
        arguments << apt << QStringLiteral("install") << QStringLiteral("-y") << options
                  << packageFile;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        if (detail)
            *detail = process.errorString();
        return kNoInstaller;
    }
    process.waitForFinished(-1);
    if (detail)
        *detail = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit)
        return 128 + 9; // killed, as a shell would report it
    return process.exitCode();
}

CZELVPackageUpgrade::CZELVPackageUpgrade(IZELVHttp& http, IZELVPackageInstaller& installer,
                                         QString downloadFolder)
    : m_http(http), m_installer(installer), m_folder(std::move(downloadFolder)) {}

QString CZELVPackageUpgrade::DefaultDownloadFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/packages");
}

QByteArray CZELVPackageUpgrade::ChecksumFor(const QByteArray& listing, const QString& fileName) {
    static const QRegularExpression line(
        QStringLiteral("^\\s*([0-9A-Fa-f]{64})(?:\\s+\\*?(\\S.*?))?\\s*$"));
    QByteArray only;
    int lines = 0;
    for (const QByteArray& raw : listing.split('\n')) {
        const QString text = QString::fromUtf8(raw).trimmed();
        if (text.isEmpty())
            continue;
        ++lines;
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue;
        const QByteArray sum = m.captured(1).toLower().toLatin1();
        const QString name = m.captured(2);
        if (!name.isEmpty() && QFileInfo(name).fileName() == fileName)
            return sum;
        if (lines == 1)
            only = sum;
    }
    return lines == 1 ? only : QByteArray();
}

QByteArray CZELVPackageUpgrade::FileSha256(const QString& path) {
    if (sodium_init() < 0)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0)
            return {};
        if (n == 0)
            break;
        crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(block.constData()),
                                  static_cast<unsigned long long>(n));
    }
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    return QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex();
}

CZELVPackageUpgrade::Result CZELVPackageUpgrade::Run(const QString& url, const QString& options,
                                                     const ZELVDownloadProgress& progress) {
    const QString address = url.trimmed();
    if (address.isEmpty())
        return Refused(QStringLiteral("There is no download address: enter the package's "
                                      "address under URL."));
    const QUrl parsed(address, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return Refused(QStringLiteral("%1 is not an http or https address; nothing was installed.")
                           .arg(address));
    const QString fileName = QFileInfo(parsed.path()).fileName();
    if (!fileName.endsWith(QLatin1String(".deb")) || fileName.size() <= 4)
        return Refused(QStringLiteral("%1 does not name a Debian package (.deb); nothing was "
                                      "installed.")
                           .arg(address));

    // The sum first: without it nothing is downloaded at all.
    const QString sumAddress = address + QStringLiteral(".sha256");
    const ZELVHttpReply sumReply = m_http.Get(sumAddress, kMaxChecksumBytes);
    if (!sumReply.ok200())
        return Refused(QStringLiteral("The package's SHA-256 checksum could not be read from %1: "
                                      "%2\n\nWithout it the package cannot be checked, so it was "
                                      "not installed.")
                           .arg(sumAddress, sumReply.error));
    const QByteArray expected = ChecksumFor(sumReply.body, fileName);
    if (expected.isEmpty())
        return Refused(QStringLiteral("%1 holds no SHA-256 checksum for %2, so the package was "
                                      "not installed.")
                           .arg(sumAddress, fileName));

    if (!QDir().mkpath(m_folder))
        return Refused(
            QStringLiteral("The download folder %1 could not be created.").arg(m_folder));
    const QString package = QDir(m_folder).absoluteFilePath(fileName);
    const QString part = package + QStringLiteral(".part");

    // A package fetched before and still matching is not fetched again.
    if (!(QFile::exists(package) && FileSha256(package) == expected)) {
        QFile::remove(package);
        const ZELVDownloadResult download = m_http.Download(address, part, progress);
        if (download.outcome == ZELVDownloadResult::Outcome::Cancelled) {
            Result r;
            r.outcome = Outcome::Cancelled;
            r.message = download.error;
            return r;
        }
        if (download.outcome != ZELVDownloadResult::Outcome::Done)
            return Refused(download.error +
                           QStringLiteral("\n\nNothing was installed. OK tries again and "
                                          "continues the download."));
        const QByteArray received = FileSha256(part);
        if (received != expected) {
            QFile::remove(part);
            return Refused(QStringLiteral("The downloaded package does not match its published "
                                          "SHA-256 checksum, so it was deleted and not "
                                          "installed.\n\nExpected: %1\nReceived: %2")
                               .arg(QString::fromLatin1(expected), QString::fromLatin1(received)));
        }
        if (!QFile::rename(part, package))
            return Refused(QStringLiteral("%1 could not be renamed to %2.").arg(part, package));
    }

    Result r;
    r.code = m_installer.Install(package, QProcess::splitCommand(options), &r.detail);
    if (r.code != 0) {
        r.outcome = Outcome::InstallerFailed;
        return r;
    }
    QFile::remove(package);
    r.outcome = Outcome::Installed;
    return r;
}
