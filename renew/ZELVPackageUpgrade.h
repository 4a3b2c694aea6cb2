#pragma once

#include "ZELVHttp.h"

#include <QString>
#include <QStringList>
#include <memory>

// Installs a downloaded package; returns 0 on success, else the installer's
// code. *detail gets what the installer printed.
class IZELVPackageInstaller {
public:
    virtual ~IZELVPackageInstaller() = default;
    virtual int Install(const QString& packageFile, const QStringList& options,
                        QString* detail) = 0;
};

// PackageKit's "pkcon install-local" (it asks for the administrator's rights
// itself); without PackageKit, apt-get started through pkexec.
class CZELVPkconInstaller : public IZELVPackageInstaller {
public:
    // A code of our own for "no installer program could be started".
    static constexpr int kNoInstaller = 127;
    int Install(const QString& packageFile, const QStringList& options, QString* detail) override;
};

// Download, check and install of the package ZELVRenew is given. The package
// is installed only when its SHA-256 matches the sum published beside it
// (the package's address with ".sha256" added, in sha256sum's format).
class CZELVPackageUpgrade {
public:
    static constexpr qint64 kMaxChecksumBytes = 64 * 1024;

    struct Result {
        enum class Outcome { Installed, Cancelled, Refused, InstallerFailed };
        Outcome outcome = Outcome::Refused;
        int code = 0;    // the installer's code for InstallerFailed
        QString message; // why it was refused, for the operator
        QString detail;  // the installer's output
    };

    // Neither is owned. downloadFolder holds the packages, partial ones too.
    CZELVPackageUpgrade(IZELVHttp& http, IZELVPackageInstaller& installer, QString downloadFolder);

    // url: the package's address; options: extra installer options, split
    // as a shell would and passed on unchanged.
    Result Run(const QString& url, const QString& options, const ZELVDownloadProgress& progress);

    // The sum for fileName in a sha256sum listing: the line naming it, or
    // the only line; empty when there is none.
    static QByteArray ChecksumFor(const QByteArray& listing, const QString& fileName);
    // Lower-case hex SHA-256 of a file; empty when it cannot be read.
    static QByteArray FileSha256(const QString& path);
    // The default folder: the user's cache.
    static QString DefaultDownloadFolder();

private:
    IZELVHttp& m_http;
    IZELVPackageInstaller& m_installer;
    QString m_folder;
};
