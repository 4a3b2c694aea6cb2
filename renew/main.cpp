#include "ZELVRenewApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZELVRenew"));
    QApplication::setOrganizationName(QStringLiteral("Brollyn"));

    CZELVRenewApp app;
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    app.InitInstance(arguments);
    return 0;
}
