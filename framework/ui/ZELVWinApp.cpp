#include "ZELVWinApp.h"

#include "ZELVAboutWnd.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <algorithm>
#include <climits>

namespace {

bool StartDetached(const ZELVCommand& command) {
    return !command.program.isEmpty() &&
           QProcess::startDetached(command.program, command.arguments);
}

bool OpenInBrowser(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace

CZELVWinApp::CZELVWinApp(ZELVWinAppSetup setup)
    : CZELVAppCore(std::move(setup.core)), m_prompter(std::move(setup.prompter)),
      m_launcher(std::move(setup.launcher)), m_urlOpener(std::move(setup.urlOpener)),
      m_popups(std::make_unique<CZELVPopupManager>()) {
    if (!m_prompter)
        m_prompter = std::make_unique<QMessageBoxPrompter>();
    if (!m_launcher)
        m_launcher = &StartDetached;
    if (!m_urlOpener)
        m_urlOpener = &OpenInBrowser;
    // The filter decision belongs to the core and follows whatever
    // configuration is loaded at the moment of the notification.
    m_popups->SetSilencer([this](const QString& title, const QString& line1, const QString& line2) {
        return IsNotificationSilenced(title, line1, line2);
    });
}

CZELVWinApp::~CZELVWinApp() = default;

bool CZELVWinApp::InitBase(const QString& programName, int aboutBitmapId, const QString& buildDate,
                           const QStringList& arguments, ZELVEnvironmentLookup environment) {
    const bool ok =
        CZELVAppCore::InitBase(programName, buildDate, arguments, std::move(environment));
    const QPixmap bitmap = aboutBitmapId != 0 ? ZELVBitmap(aboutBitmapId) : QPixmap();
    const int runs = static_cast<int>(std::min<long long>(RunCount(), INT_MAX));
    m_about = std::make_unique<CZELVAboutWnd>(programName, buildDate, bitmap, runs);
    if (OffersUpgrade())
        OfferUpgrade();
    return ok;
}

bool CZELVWinApp::OfferUpgrade() {
    // The location alone is only the host's word; the feed must show a newer
    // build too, or every start would offer the same package again.
    if (IsUpdateCheckDisabled() || !HasUpgrade() || !FeedHasNewerBuild(ModuleName()))
        return false;
    return m_launcher(UpgradeCommand(GetUpgradeLocation(), QString()));
}

bool CZELVWinApp::LoadConfig(const QString& path, QWidget* parent) {
    QString error;
    if (CZELVAppCore::LoadConfig(path, &error))
        return true;
    m_prompter->Tell(error, QString::fromLatin1(kConfigErrorCaption), PromptIcon::Error, parent);
    return false;
}

bool CZELVWinApp::ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                                   const QString& line2, int icon, int closeImage, int buttonImage,
                                   int showDelayMs, int commandId) {
    return m_popups->ShowNotification(owner, title, line1, line2, icon, closeImage, buttonImage,
                                      showDelayMs, commandId);
}

bool CZELVWinApp::ShowNotification(QWidget* owner, const ZELVNotification& notification) {
    return m_popups->ShowNotification(owner, notification);
}

CZELVWinApp::Assistance CZELVWinApp::GetAssistance(QWidget* owner) {
    const int answer = m_prompter->Ask(
        QString::fromLatin1(kAssistanceQuestion), QString::fromLatin1(kAssistanceCaption),
        PromptIcon::Question, PromptButtons::YesNoCancel, PromptYes, owner);
    if (answer == PromptNo) {
        const QUrl site(QString::fromLatin1(kSupportWebSite));
        if (m_urlOpener(site))
            return Assistance::WebSite;
        // Without a browser the operator still needs the address.
        m_prompter->Tell(
            QStringLiteral("No web browser could be started. The support web site is %1")
                .arg(site.toString()),
            QString::fromLatin1(kAssistanceCaption), PromptIcon::Warning, owner);
        return Assistance::Failed;
    }
    if (answer != PromptYes)
        return Assistance::Cancelled;

    if (m_launcher(AssistanceMailCommand()))
        return Assistance::Mail;
    m_prompter->Tell(QString::fromLatin1(kMailFailed), QString::fromLatin1(kMailCaption),
                     PromptIcon::Error, owner);
    return Assistance::Failed;
}

void CZELVWinApp::ShowAbout() {
    if (!m_about)
        return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_about->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_about->move(frame.topLeft());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}
