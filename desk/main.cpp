#include "ZELVDeskApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZELVDesk"));
    QApplication::setOrganizationName(QStringLiteral("Brollyn"));

    CZELVDeskApp app;
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    app.InitInstance(arguments);
    return 0;
}
