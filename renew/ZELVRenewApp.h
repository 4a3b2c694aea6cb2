#pragma once

#include "CommandLineInfoEx.h"
#include "ZELVPackageUpgrade.h"
#include "ZELVPrompter.h"
#include "ZELVWinApp.h"

#include <memory>

class CZELVRenewDlg;

// What ZELVRenew takes from its surroundings besides the base's: the
// installer and the download folder (tests pass their own).
struct ZELVRenewAppSetup {
    ZELVWinAppSetup base;
    std::unique_ptr<IZELVPackageInstaller> installer; // null: PackageKit
    QString downloadFolder;                           // empty: the user's cache
};

// The application object of ZELVRenew: the framework start-up as "Kelmar
// Upgrade Utility", the command line, then the one dialog.
class CZELVRenewApp : public CZELVWinApp {
public:
    static constexpr const char* kProgramName = "Kelmar Upgrade Utility";

    explicit CZELVRenewApp(ZELVRenewAppSetup setup = {});
    ~CZELVRenewApp() override;

    // Start-up and the dialog, built but not shown. arguments: without the
    // program's own name.
    CZELVRenewDlg* Start(const QStringList& arguments, ZELVEnvironmentLookup environment = {});
    // Start, then the dialog shown modally; returns its result.
    int InitInstance(const QStringList& arguments);

    const CCommandLineInfoEx& CommandLine() const { return m_info; }
    CZELVRenewDlg* Dialog() const { return m_dialog.get(); }

protected:
    bool OffersUpgrade() const override { return false; }

private:
    std::unique_ptr<IZELVPackageInstaller> m_installer;
    QString m_downloadFolder;
    std::unique_ptr<CZELVPackageUpgrade> m_upgrade;
    CCommandLineInfoEx m_info;
    std::unique_ptr<CZELVRenewDlg> m_dialog;
};
