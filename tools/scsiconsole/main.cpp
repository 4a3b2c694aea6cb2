// ZELVGUI_SCSI: the SCSI Media Changer Console that ZELVDesk's task menu
// starts (elevated) from its own folder.
#include "ZELVConfig.h"
#include "ZELVDeskConfig.h"
#include "ZELVScsiConsole.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZELVGUI_SCSI"));
    QApplication::setOrganizationName(QStringLiteral("Brollyn"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("SCSI Media Changer Console"));
    parser.addHelpOption();
    const QCommandLineOption deviceOption(
        QStringList{QStringLiteral("d"), QStringLiteral("device")},
        QStringLiteral("The changer device (e.g. /dev/sg3)."), QStringLiteral("device"));
    const QCommandLineOption configOption(
        QStringList{QStringLiteral("c"), QStringLiteral("config")},
        QStringLiteral("The configuration file naming the changers (default: ZELVCONFIGFILE, "
                       "else ZELVDesk.cfg beside the program)."),
        QStringLiteral("file"));
    parser.addOption(deviceOption);
    parser.addOption(configOption);
    parser.process(app);

    QString path = parser.value(configOption);
    if (path.isEmpty())
        path = qEnvironmentVariable("ZELVCONFIGFILE");
    if (path.isEmpty())
        path = QDir(QApplication::applicationDirPath())
                   .filePath(QString::fromLatin1(ZELVDeskConfig::kFileName));
    QList<ZELVDeskConfig::ChangerElement> changers;
    if (QFileInfo::exists(path)) {
        ZELVConfig config;
        QString error;
        if (config.ReadFile(path, &error))
            changers = ZELVDeskConfig::Changers(config);
        else
            QMessageBox::warning(nullptr, QStringLiteral("SCSI Media Changer Console"), error);
    }
    CZELVScsiConsole console(changers, parser.value(deviceOption));
    console.show();
    return app.exec();
}
