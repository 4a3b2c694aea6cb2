// Renders ZELVRenew's dialog on a loopback release feed into a PNG file:
//   renew_screenshot OUTPUT.png
#include "LoopbackHttpServer.h"
#include "ZELVPrompter.h"
#include "ZELVRenewApp.h"
#include "ZELVRenewDlg.h"

#include <QApplication>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray Item(const char* title, const char* description, const char* date) {
    return QByteArray("<item><title>") + title + "</title><description>" + description +
           "</description><pubDate>" + date + "</pubDate></item>";
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    if (argc < 2)
        return 2;
    QTemporaryDir dir;
    LoopbackHttpServer server;
    LoopbackHttpServer::Route feed;
    feed.body = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Kelmar Lite</title>" +
                Item("Enhancement: Recall under a new Consignment",
                     "Volumes selected for return move under one Consignment, cast at once.",
                     "Mon, 07 Dec 2026 09:30:00 GMT") +
                Item("Fix: Move Date column sorts by the day",
                     "Volumes without a move date come last.", "Fri, 04 Dec 2026 15:00:00 GMT") +
                Item("Enhancement: Manage Media Library",
                     "All Volumes of a Customer and Media Type with their history.",
                     "Mon, 30 Nov 2026 10:00:00 GMT") +
                Item("Fix: export dialog folder", "The save dialog starts in the documents folder.",
                     "Thu, 26 Nov 2026 11:00:00 GMT") +
                Item("Enhancement: build date in the About window",
                     "The day the build was made, in the log's start line too.",
                     "Tue, 24 Nov 2026 08:00:00 GMT") +
                "</channel></rss>";
    server.Set(QStringLiteral("/changelog.cgi"), feed);
    {
        QSettings machine(dir.filePath(QStringLiteral("machine.ini")), QSettings::IniFormat);
        machine.setValue(QStringLiteral("DisableUpdateCheck"), 1);
        machine.setValue(QStringLiteral("ChangeLogPage"),
                         server.Url(QStringLiteral("/changelog.cgi")));
    }
    ZELVRenewAppSetup setup;
    setup.base.core.profileFile = dir.filePath(QStringLiteral("profile.ini"));
    setup.base.core.machineFile = dir.filePath(QStringLiteral("machine.ini"));
    setup.base.core.changeToProgramFolder = false;
    setup.base.core.installCrashHandler = false;
    setup.base.prompter = std::make_unique<ScriptedPrompter>();
    setup.downloadFolder = dir.filePath(QStringLiteral("cache"));
    CZELVRenewApp app(std::move(setup));
    CZELVRenewDlg* dlg = app.Start({QStringLiteral("ZELVDesk"), QStringLiteral("Nov 02 2026"),
                                    server.Url(QStringLiteral("/kelmar-lite_1.1.0_amd64.deb"))});
    dlg->resize(900, 620);
    dlg->show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
    return dlg->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
