// File Control on the demo data set, on both engines: files dropped on the
// list go up, selected ones come down into a folder (an existing one only
// replaced when the operator says so), and are deleted.
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "FilePage.h"
#include "ZELVListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class FileWorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data();
    void filesGoUpComeDownAndAreDeleted();
};

void FileWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void SelectNames(CZELVListCtrl& list, const QStringList& names) {
    list.SelectNone();
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (names.contains(list.GetItemText(row, CFileListCtrl::ColFile)))
            list.SetItemSelected(row, true);
}

} // namespace

void FileWorkflowTest::filesGoUpComeDownAndAreDeleted() {
    DemoDatabase db;
    if (!MakeForEngine(db, {}))
        QSKIP("no database for this engine");
    QTemporaryDir in, out;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(in.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    const QString plan = write("dr-plan.txt", "Disaster recovery plan\n");
    const QString notes = write("notes.txt", "Vault notes\n");
    const QString keys = write("keys.pdf", QByteArray(5000, 'k'));

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; disablespeech = true; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Upload and Download Files")));
    QVERIFY(ChooseCustomer(run, "ACME"));
    QCOMPARE(run.ActivePageId(), int(IDD_FILE));
    auto* page = qobject_cast<CFilePage*>(sheet.GetActivePage());
    QVERIFY(page);
    CFileListCtrl& list = *page->List();
    QCOMPARE(list.GetItemCount(), 0);

    // Dropped from the desktop, as the shell drops them.
    ResultCloser closer;
    QMimeData dropped;
    dropped.setUrls(
        {QUrl::fromLocalFile(plan), QUrl::fromLocalFile(notes), QUrl::fromLocalFile(keys)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&list, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&list, &drop);
    QCOMPARE(closer.shown, 1);
    QVERIFY2(closer.text.contains(QLatin1String("keys.pdf")), qPrintable(closer.text));
    QCOMPARE(Column(list, CFileListCtrl::ColFile),
             (QStringList{QStringLiteral("dr-plan.txt"), QStringLiteral("notes.txt"),
                          QStringLiteral("keys.pdf")}));
    QCOMPARE(Column(list, CFileListCtrl::ColIndex).first(), QStringLiteral("000000"));
    // Two .txt files share one icon: the default and one per extension.
    QCOMPARE(page->IconCount(), 3);

    // Download with nothing selected, or the folder dialog cancelled: nothing.
    int asked = 0;
    page->SetFolderChooser([&] {
        ++asked;
        return QString();
    });
    list.SelectNone();
    page->Download();
    QCOMPARE(asked, 0);
    SelectNames(list, {QStringLiteral("dr-plan.txt"), QStringLiteral("keys.pdf")});
    page->Download();
    QCOMPARE(asked, 1);
    QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());

    // Into the folder; the second time the operator keeps the existing file.
    page->SetFolderChooser([&] { return out.path(); });
    page->Download();
    QCOMPARE(Read(out.filePath(QStringLiteral("dr-plan.txt"))), Read(plan));
    QCOMPARE(Read(out.filePath(QStringLiteral("keys.pdf"))), Read(keys));
    {
        QFile edited(out.filePath(QStringLiteral("dr-plan.txt")));
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write("my edits");
    }
    SelectNames(list, {QStringLiteral("dr-plan.txt")});
    run.Prompter().Answer(PromptNo);
    page->Download();
    QCOMPARE(Read(out.filePath(QStringLiteral("dr-plan.txt"))), QByteArray("my edits"));
    QVERIFY(run.PromptTexts().last().contains(QLatin1String("already exists")));
    run.Prompter().Answer(PromptYes);
    page->Download();
    QCOMPARE(Read(out.filePath(QStringLiteral("dr-plan.txt"))), Read(plan));

    // Deleting two leaves one, in a fresh list.
    SelectNames(list, {QStringLiteral("dr-plan.txt"), QStringLiteral("keys.pdf")});
    page->Delete();
    QCOMPARE(Column(list, CFileListCtrl::ColFile), QStringList{QStringLiteral("notes.txt")});
    CZELV10MFC server;
    server.SetServerAddress(db.Address());
    QVERIFY(server.Logon().IsOK());
    std::vector<ZELV10FILEEx> left;
    QVERIFY(server.List(&left, QStringLiteral("ACME")).IsOK());
    QCOMPARE(int(left.size()), 1);
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    FileWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "FileWorkflowTest.moc"
