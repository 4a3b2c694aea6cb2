// ZELVExcelImport: the Excel import that ZELVDesk's task menu starts. The
// server and the configuration come through the environment
// (ZELVDEFAULTSERVER, ZELVCONFIGFILE), never the command line, so that no
// password shows in the process list. An optional argument names the file.
#include "ZELV10Logon.h"
#include "ZELV10MFC.h"
#include "ZELVExcelImportDlg.h"
#include "ZELVPrompter.h"
#include "ZELVServerAddress.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brollyn"));
    QApplication::setApplicationName(QStringLiteral("ZELVExcelImport"));
    QMessageBoxPrompter prompter;
    const QString caption = QStringLiteral("Excel Import");

    ZELVServerAddress server;
    const QString text = qEnvironmentVariable("ZELVDEFAULTSERVER");
    QString error;
    if (!text.isEmpty() && !ZELVServerAddress::Parse(text, &server, &error)) {
        prompter.Tell(
            QStringLiteral("The server address in ZELVDEFAULTSERVER cannot be used: %1").arg(error),
            caption, PromptIcon::Error);
        return 1;
    }
    // As ZELVDesk and zelvadmin take it, so that no address need carry it.
    if (server.password.isEmpty())
        server.password = qEnvironmentVariable("KELMAR_PASSWORD");
    CZELV10MFC connection(0);
    connection.SetProgramID(CZELV10MFC::kProgramDesk);
    connection.SetLogonDetails(server.host, server.port, server.user, server.password);
    if (server.IsFile() || !server.database.isEmpty() || !server.schema.isEmpty())
        connection.SetServerAddress(server);
    const CZELV10RC logon = ZelvLogonAsking(connection, prompter);
    if (!logon.IsOK()) {
        prompter.Tell(QStringLiteral("Excel Import cannot log on: %1").arg(logon.Get()), caption,
                      PromptIcon::Error);
        return 1;
    }
    CZELVExcelImportDlg dialog(connection, prompter);
    const QStringList args = QApplication::arguments();
    dialog.show();
    if (args.size() > 1)
        dialog.Load(args.at(1));
    dialog.exec();
    return 0;
}
