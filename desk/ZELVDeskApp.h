#pragma once

#include "ZELVDeskSheet.h"
#include "ZELVPrompter.h"
#include "ZELVWinApp.h"

#include <QStringList>
#include <memory>

class IZELVDeskHost;
class ISoundPlayer;
class IZELVLauncher;

// The application object of ZELVDesk: the framework start-up, then the one
// wizard sheet shown modally; the program ends when the sheet closes. It owns
// the configuration and the variable store the sheet works with.
class CZELVDeskApp : public CZELVWinApp {
public:
    static constexpr const char* kProductTitle = "Kelmar Lite";
    static constexpr const char* kServerAddressCaption = "Server Address Error";

    explicit CZELVDeskApp(ZELVWinAppSetup setup = {});
    ~CZELVDeskApp() override;

    // The framework start-up with this program's title, About bitmap and build
    // date; arguments exclude the program's own name. A server address that
    // could not be used is reported, and the embedded database is used instead.
    bool Start(const QStringList& arguments, ZELVEnvironmentLookup environment = {});

    // The sheet, built with this application as its host. Services the setup
    // leaves empty are the program's own (sounds, launcher, voice, folder).
    std::unique_ptr<CZELVDeskSheet> CreateSheet(CZELVDeskSheetSetup setup = {});

    // Start, then the sheet shown modally; returns once it has closed.
    bool InitInstance(const QStringList& arguments);

    IZELVDeskHost& Host() { return *m_host; }

private:
    class DeskHost;
    std::unique_ptr<IZELVDeskHost> m_host;
    std::unique_ptr<ISoundPlayer> m_sounds;
    std::unique_ptr<IZELVLauncher> m_launcher;
};
