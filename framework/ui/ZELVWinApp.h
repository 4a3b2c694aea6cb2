#pragma once

#include "ZELVAppCore.h"
#include "ZELVPopup.h"

#include <QUrl>
#include <functional>
#include <memory>

class CZELVAboutWnd;
class Prompter;
class QWidget;

// Starts an outside program without waiting for it; true when it started.
using ZELVProcessLauncher = std::function<bool(const ZELVCommand& command)>;
// Opens an address in the user's browser; true when a browser took it.
using ZELVUrlOpener = std::function<bool(const QUrl& url)>;

// What the application object takes from its surroundings. Null members get the
// program's own: a QMessageBox prompter, QProcess::startDetached and
// QDesktopServices. Tests pass recorders so that nothing is shown or started.
struct ZELVWinAppSetup {
    ZELVAppCoreSetup core;
    std::unique_ptr<Prompter> prompter;
    ZELVProcessLauncher launcher;
    ZELVUrlOpener urlOpener;
};

// The application base both programs derive from: the core's start-up,
// configuration and commands, plus what the operator sees of them (message
// boxes through the prompter, notification popups, the About window and the
// assistance request).
class CZELVWinApp : public CZELVAppCore {
public:
    static constexpr const char* kAssistanceQuestion =
        "Would you like to create an Assistance Ticket via email?";
    static constexpr const char* kAssistanceCaption = "Get Assistance";
    static constexpr const char* kMailFailed = "Unable to send email message";
    static constexpr const char* kMailCaption = "MAPI Error";

    explicit CZELVWinApp(ZELVWinAppSetup setup = {});
    ~CZELVWinApp() override;

    // The core's start-up (crash handler first), then the About window with the
    // bitmap of that resource number (none for 0), then OfferUpgrade.
    bool InitBase(const QString& programName, int aboutBitmapId, const QString& buildDate,
                  const QStringList& arguments, ZELVEnvironmentLookup environment = {});

    // Reads the configuration; a failure is shown once as "Configuration Error"
    // and every setting keeps its default.
    bool LoadConfig(const QString& path, QWidget* parent = nullptr);

    // Shows a popup unless a configured filter silences it; returns whether it
    // was shown.
    bool ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                          const QString& line2, int icon, int closeImage, int buttonImage,
                          int showDelayMs, int commandId);
    bool ShowNotification(QWidget* owner, const ZELVNotification& notification);

    // What the operator chose in the assistance request.
    enum class Assistance { Cancelled, WebSite, Mail, Failed };
    // Yes composes a mail to support (the mail program shows it for review),
    // No opens the support web site, Cancel does nothing.
    Assistance GetAssistance(QWidget* owner = nullptr);

    void ShowAbout();

    // Starts ZELVRenew (module, build date, the upgrade location) through the
    // launcher when the upgrade check found a location and the module's
    // release feed has a change newer than this build. Returns whether it
    // was started.
    bool OfferUpgrade();

    Prompter& GetPrompter() { return *m_prompter; }
    CZELVPopupManager& Popups() { return *m_popups; }
    // Null until InitBase.
    CZELVAboutWnd* AboutWnd() const { return m_about.get(); }

protected:
    // The upgrade utility itself never offers an upgrade of its own.
    virtual bool OffersUpgrade() const { return true; }

private:
    std::unique_ptr<Prompter> m_prompter;
    ZELVProcessLauncher m_launcher;
    ZELVUrlOpener m_urlOpener;
    std::unique_ptr<CZELVPopupManager> m_popups;
    std::unique_ptr<CZELVAboutWnd> m_about;
};
