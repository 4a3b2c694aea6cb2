// The Excel import window for the README: a CSV file with two problems,
// checked against the demo database, grabbed as it stands (not a test).
//   excel_import_screenshot OUTPUT.png SERVER_ADDRESS
#include "ZELV10MFC.h"
#include "ZELVExcelImportDlg.h"
#include "ZELVPrompter.h"
#include "ZELVServerAddress.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        fprintf(stderr, "usage: excel_import_screenshot OUTPUT.png SERVER_ADDRESS\n");
        return 2;
    }
    ZELVServerAddress address;
    QString error;
    if (!ZELVServerAddress::Parse(args.at(2), &address, &error)) {
        fprintf(stderr, "excel_import_screenshot: %s\n", qPrintable(error));
        return 2;
    }
    address.password = qEnvironmentVariable("KELMAR_PASSWORD");
    CZELV10MFC mfc;
    mfc.SetServerAddress(address);
    if (const CZELV10RC rc = mfc.Logon(); !rc.IsOK()) {
        fprintf(stderr, "excel_import_screenshot: %s\n", qPrintable(rc.Get()));
        return 1;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new-tapes.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("Volume,Customer,Media Type,Repository,Description,Next Move date\n"
               "A90001,ACME,LTO6,VLT1,Payroll month end,2031-01-31\n"
               "A90002,ACME,LTO6,VLT1,Payroll month end,2031-01-31\n"
               "A90003,ACME,LTO6,VLT9,Ledger,2031-02-28\n"
               "B90001,ACME,LTO8,DC01,Archive,\n"
               "A90002,ACME,LTO6,VLT1,Payroll (copy),2031-01-31\n"
               "G90001,GLBX,LTO6,VLT2,Weekly full,2031-01-07\n");
    file.close();
    QMessageBoxPrompter prompter;
    CZELVExcelImportDlg dialog(mfc, prompter);
    dialog.show();
    dialog.Load(path);
    QApplication::processEvents();
    QTest::qWait(400);
    if (!dialog.grab().save(args.at(1))) {
        fprintf(stderr, "excel_import_screenshot: could not write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
