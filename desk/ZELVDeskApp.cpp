#include "ZELVDeskApp.h"

#include "ZELVDeskHost.h"
#include "ZELVDeskIds.h"
#include "ZELVLauncher.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZELVVoice.h"

// The sheet's view of the application.
class CZELVDeskApp::DeskHost : public IZELVDeskHost {
public:
    explicit DeskHost(CZELVDeskApp& app) : m_app(app) {}

    bool LoadConfig(const QString& path, QWidget* parent) override {
        return m_app.LoadConfig(path, parent);
    }
    const ZELVConfig& Config() const override { return m_app.Config(); }
    QString Expand(const QString& text, int size) override {
        return m_app.Variables().Expand(text, size);
    }
    bool ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                          const QString& line2, int icon, int showDelayMs) override {
        const ZELVNotification defaults;
        return m_app.ShowNotification(owner, title, line1, line2, icon, defaults.closeImage,
                                      defaults.buttonImage, showDelayMs, 0);
    }
    void GetAssistance(QWidget* owner) override { m_app.GetAssistance(owner); }
    void ShowAbout() override { m_app.ShowAbout(); }
    ZELVServerAddress DefaultServer() const override { return m_app.DefaultServer(); }
    QSettings& Profile() override { return m_app.Profile(); }

private:
    CZELVDeskApp& m_app;
};

CZELVDeskApp::CZELVDeskApp(ZELVWinAppSetup setup)
    : CZELVWinApp(std::move(setup)), m_host(std::make_unique<DeskHost>(*this)) {}

CZELVDeskApp::~CZELVDeskApp() = default;

bool CZELVDeskApp::Start(const QStringList& arguments, ZELVEnvironmentLookup environment) {
    const bool ok = InitBase(QString::fromLatin1(kProductTitle), IDB_ABOUT,
                             QString::fromLatin1(CZELVDeskSheet::kBuildDate), arguments,
                             std::move(environment));
    if (!ServerAddressError().isEmpty())
        GetPrompter().Tell(ServerAddressError(), QString::fromLatin1(kServerAddressCaption),
                           PromptIcon::Warning);
    return ok;
}

std::unique_ptr<CZELVDeskSheet> CZELVDeskApp::CreateSheet(CZELVDeskSheetSetup setup) {
    if (!setup.prompter)
        setup.prompter = &GetPrompter();
    if (!setup.sounds) {
        if (!m_sounds)
            m_sounds = std::make_unique<QtSoundPlayer>();
        setup.sounds = m_sounds.get();
    }
    if (!setup.launcher) {
        if (!m_launcher)
            m_launcher = std::make_unique<ZELVQtLauncher>();
        setup.launcher = m_launcher.get();
    }
    if (!setup.createVoice)
        setup.createVoice = [] { return std::make_unique<QtVoice>(); };
    if (setup.programFolder.isEmpty())
        setup.programFolder = ProgramFolder();
    if (!setup.clock)
        setup.clock = &Clock();
    return std::make_unique<CZELVDeskSheet>(*m_host, std::move(setup));
}

bool CZELVDeskApp::InitInstance(const QStringList& arguments) {
    Start(arguments);
    std::unique_ptr<CZELVDeskSheet> sheet = CreateSheet();
    sheet->exec();
    return true;
}
