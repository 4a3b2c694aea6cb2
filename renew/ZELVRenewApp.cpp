#include "ZELVRenewApp.h"

#include "ZELVBuildDate.h"
#include "ZELVRenewDlg.h"

CZELVRenewApp::CZELVRenewApp(ZELVRenewAppSetup setup)
    : CZELVWinApp(std::move(setup.base)), m_installer(std::move(setup.installer)),
      m_downloadFolder(std::move(setup.downloadFolder)) {
    if (!m_installer)
        m_installer = std::make_unique<CZELVPkconInstaller>();
    if (m_downloadFolder.isEmpty())
        m_downloadFolder = CZELVPackageUpgrade::DefaultDownloadFolder();
}

CZELVRenewApp::~CZELVRenewApp() = default;

CZELVRenewDlg* CZELVRenewApp::Start(const QStringList& arguments,
                                    ZELVEnvironmentLookup environment) {
    // The positional parameters are ours; none of them is a server address.
    InitBase(QString::fromLatin1(kProgramName), 0, QStringLiteral(ZELV_BUILD_DATE), {},
             std::move(environment));
    m_info.Parse(arguments);
    m_upgrade = std::make_unique<CZELVPackageUpgrade>(Http(), *m_installer, m_downloadFolder);
    m_dialog = std::make_unique<CZELVRenewDlg>(*this, *m_upgrade, m_info);
    return m_dialog.get();
}

int CZELVRenewApp::InitInstance(const QStringList& arguments) {
    return Start(arguments)->exec();
}
