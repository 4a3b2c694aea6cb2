// The Excel import window over a real embedded database: what it shows for a
// file, when Import may be pressed, and what pressing it writes.
#include "DeskTestSupport.h"
#include "XlsxWrite.h"
#include "ZELVExcelImportDlg.h"
#include "ZELVPrompter.h"

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class ExcelImportTest : public QObject {
    Q_OBJECT
private slots:
    void importsOnlyAFileWithoutProblems_data();
    void importsOnlyAFileWithoutProblems();
    void builtBesideTheWizard();
};

void ExcelImportTest::importsOnlyAFileWithoutProblems_data() {
    QTest::addColumn<QByteArray>("csv"); // empty: the workbook below
    QTest::addColumn<int>("previewRows");
    QTest::addColumn<QString>("problem"); // the first one; empty: none
    QTest::addColumn<int>("imported");
    QTest::newRow("two good rows") << QByteArray("Volume;Customer;Media Type;Repository\n"
                                                 "N1;ACME;LTO6;VLT1\nN2;ACME;LTO6;VLT1\n")
                                   << 2 << QString() << 2;
    QTest::newRow("a workbook") << QByteArray() << 3 << QString() << 3;
    QTest::newRow("twice in the file and already on the server")
        << QByteArray("Volume,Customer,Media Type,Repository\nN1,ACME,LTO6,VLT1\n"
                      "N1,ACME,LTO6,VLT1\nOLD1,ACME,LTO6,VLT1\n")
        << 3
        << QStringLiteral("row 3, Volume: ACME.LTO6.N1 appears twice in the file (first in row 2)")
        << 0;
    QTest::newRow("not UTF-8")
        << QByteArray(
               "Volume,Customer,Media Type,Repository,Description\nN1,ACME,LTO6,VLT1,Caf\xE9\n")
        << 0
        << QStringLiteral("tapes.csv: line 2: not UTF-8 text (byte 0xE9 at position 22); save the "
                          "file as UTF-8")
        << 0;
}

void ExcelImportTest::importsOnlyAFileWithoutProblems() {
    QFETCH(QByteArray, csv);
    QFETCH(int, previewRows);
    QFETCH(QString, problem);
    QFETCH(int, imported);
    TestDatabase db;
    QVERIFY(db.IsReady());
    QVERIFY(db.AddCustomer("ACME", "Acme"));
    QVERIFY(db.AddMedia("ACME", "LTO6"));
    QVERIFY(db.AddRepository("VLT1", "Vault"));
    QVERIFY(db.AddVolume("ACME", "LTO6", "OLD1", "VLT1"));
    QTemporaryDir dir;
    QString path;
    if (csv.isEmpty()) {
        path = dir.filePath(QStringLiteral("tapes.xlsx"));
        QVERIFY(
            WriteXlsx(path, {{QStringLiteral("Sheet1"),
                              {{"Customer", "Media Type", "Volume", "Repository", "Next Move date"},
                               {"ACME", "LTO6", "W1", "VLT1", "@2031-03-01"},
                               {"ACME", "LTO6", "W2", "VLT1", ""},
                               {"ACME", "LTO6", "W3", "INIT", ""}}}}));
    } else {
        path = dir.filePath(QStringLiteral("tapes.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(csv);
    }
    ScriptedPrompter prompter;
    CZELVExcelImportDlg dialog(db.Connection(), prompter);
    dialog.Load(path);
    auto* preview = dialog.findChild<QTableWidget*>(QStringLiteral("preview"));
    auto* problems = dialog.findChild<QListWidget*>(QStringLiteral("problems"));
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("import"));
    auto* status = dialog.findChild<QLabel*>(QStringLiteral("status"));
    QVERIFY(preview && problems && button && status);
    QCOMPARE(preview->rowCount(), previewRows);
    auto count = [&] {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("kelmar-check")));
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM volume")) && q.next()
                   ? q.value(0).toInt()
                   : -1;
    };
    {
        QSqlDatabase check =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("kelmar-check"));
        check.setDatabaseName(db.Address().filePath);
        QVERIFY(check.open());
    }
    if (!problem.isEmpty()) {
        QVERIFY(problems->count() >= 1);
        QCOMPARE(problems->item(0)->text(), problem);
        QVERIFY(!button->isEnabled());
        QVERIFY(!dialog.Import());
        QCOMPARE(count(), 1);
    } else {
        QCOMPARE(problems->count(), 0);
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        const QString done = QStringLiteral("%1 Volumes imported").arg(imported);
        QCOMPARE(status->text(), done);
        QCOMPARE(prompter.LastText(), done);
        QVERIFY(!button->isEnabled());
        QCOMPARE(count(), 1 + imported);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kelmar-check"));
}

// The task menu starts ZELVExcelImport from ZELVDesk's own folder.
void ExcelImportTest::builtBesideTheWizard() {
    const QFileInfo program(QStringLiteral(ZELV_DESK_FOLDER "/ZELVExcelImport"));
    QVERIFY2(program.isFile() && program.isExecutable(), qPrintable(program.filePath()));
    QVERIFY(QFileInfo(QStringLiteral(ZELV_DESK_FOLDER "/ZELVDesk")).isExecutable());
}

QTEST_MAIN(ExcelImportTest)
#include "ExcelImportTest.moc"
