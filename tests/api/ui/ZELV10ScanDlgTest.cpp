#include "ZELV10ScanDlg.h"

#include "ApiUiTestDb.h"
#include "ZELVConfig.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// What the page received for one scan.
struct Received {
    uint32_t code = 0;
    QString key;
    uint32_t flags = 0;
};

QString KeyOf(const ZELV10BARCODEPARSED& item) {
    return QStringLiteral("%1.%2.%3")
        .arg(item.customerId.Text(), item.mediaId.Text(), item.volumeId.Text());
}

} // namespace

class ZELV10ScanDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ApiUiTestDb> m_db;
    ZELVConfig m_config;
    QList<Received> m_received;
    int m_depth = 0;
    int m_maxDepth = 0;

    // A page of the Scan-In kind: A00001 is expected, A00003 belongs to another
    // Container, C00001 is a Container moving elsewhere, anything else is not
    // in the list; a barcode that did not parse is answered with its own code.
    ZELVSCANVOLUMEARGS PageArgs() {
        ZELVSCANVOLUMEARGS args;
        args.customerId = "ACME";
        args.mediaId = "LTO6";
        args.config = &m_config;
        args.notify = [this](const CZELV10RC& rc, const ZELV10BARCODEPARSED& item) -> uint32_t {
            ++m_depth;
            m_maxDepth = std::max(m_maxDepth, m_depth);
            m_received << Received{rc.Code(), KeyOf(item), item.flags};
            uint32_t outcome = ZELV10RC_NOTINLIST;
            const QString key = KeyOf(item);
            if (!rc.IsOK())
                outcome = rc.Code();
            else if (key == QLatin1String("ACME.LTO6.A00001"))
                outcome = ZELV10RC_OK;
            else if (key == QLatin1String("ACME.LTO6.A00003"))
                outcome = ZELV10RC_WRONGCONTAINER;
            else if (key == QLatin1String("ACME.CONT.C00001"))
                outcome = ZELV10RC_CONTAINERELSEWHERE;
            --m_depth;
            return outcome;
        };
        return args;
    }

    static void Type(CZELV10ScanDlg& dialog, const QString& text) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("scanBarcodeEdit"));
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    static QTreeWidget* List(CZELV10ScanDlg& dialog) {
        return dialog.findChild<QTreeWidget*>(QStringLiteral("scanResultList"));
    }

private Q_SLOTS:
    void initTestCase() {
        m_db = std::make_unique<ApiUiTestDb>();
        QVERIFY(m_db->Ready());
        QVERIFY(m_config.ReadString(
            QStringLiteral("barcode = { suffixes = [\"L6\"]; uppercase = true; };")));
    }

    void init() {
        m_received.clear();
        m_depth = m_maxDepth = 0;
    }

    void typedScanReachesThePage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("code");
        QTest::addColumn<QString>("key");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QString>("volume"); // the list's Volume column
        QTest::addColumn<QString>("result");
        const uint ok = ZELV10RC_OK;
        const uint defined = ZELVPARSED_DEFINED;
        QTest::newRow("bare Volume takes the defaults and is accepted")
            << "A00001" << ok << "ACME.LTO6.A00001" << defined << "ACME.LTO6.A00001"
            << "Accepted";
        QTest::newRow("lower case with label suffix folded by the configuration")
            << "a00001l6" << ok << "ACME.LTO6.A00001" << defined << "ACME.LTO6.A00001"
            << "Accepted";
        QTest::newRow("unknown Volume is not in the list")
            << "Z99999" << ok << "ACME.LTO6.Z99999" << 0u << "ACME.LTO6.Z99999"
            << "Not in the list";
        QTest::newRow("Volume of another Container")
            << "A00003" << ok << "ACME.LTO6.A00003" << defined << "ACME.LTO6.A00003"
            << "Wrong Container";
        QTest::newRow("full form names another Media Type's Container")
            << "ACME.CONT.C00001" << ok << "ACME.CONT.C00001"
            << uint(ZELVPARSED_DEFINED | ZELVPARSED_CONTAINER) << "ACME.CONT.C00001"
            << "Container moving elsewhere";
        QTest::newRow("eleven characters are refused by the parser")
            << "ABCDEFGHIJK" << uint(ZELV10RC_BARCODETOOLONG) << "" << 0u << ""
            << CZELV10RC::TextOf(ZELV10RC_BARCODETOOLONG);
        QTest::newRow("unknown Customer in the full form")
            << "NONE.LTO6.A00001" << ok << "NONE.LTO6.A00001" << 0u << "NONE.LTO6.A00001"
            << "Not in the list";
    }
    void typedScanReachesThePage() {
        QFETCH(QString, typed);
        QFETCH(uint, code);
        QFETCH(QString, key);
        QFETCH(uint, flags);
        QFETCH(QString, volume);
        QFETCH(QString, result);
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan-In Volumes"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        Type(dialog, typed);

        QCOMPARE(m_received.size(), 1);
        QCOMPARE(m_received[0].code, code);
        if (code == ZELV10RC_OK) {
            QCOMPARE(m_received[0].key, key);
            QCOMPARE(m_received[0].flags, flags);
        }
        QTreeWidget* list = List(dialog);
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), typed);
        QCOMPARE(list->topLevelItem(0)->text(1), volume);
        QCOMPARE(list->topLevelItem(0)->text(2), result);
        // Enter went to the barcode, not to a button: the window is still open
        // and the field is ready for the next scan.
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QVERIFY(dialog.findChild<QLineEdit*>(QStringLiteral("scanBarcodeEdit"))->text().isEmpty());
    }

    void newestOnTopWithCountsAndColours() {
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan-Out Volumes"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char* barcode : {"Z99999", "A00001", "A00003"})
            Type(dialog, QString::fromLatin1(barcode));

        QTreeWidget* list = List(dialog);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("A00003"));
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("A00001"));
        QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("Z99999"));
        QCOMPARE(list->topLevelItem(0)->background(2).color(),
                 CZELV10ScanDlg::OutcomeColour(ZELV10RC_WRONGCONTAINER));
        QCOMPARE(list->topLevelItem(1)->background(2).color(),
                 CZELV10ScanDlg::OutcomeColour(ZELV10RC_OK));
        QCOMPARE(list->topLevelItem(2)->background(2).color(),
                 CZELV10ScanDlg::OutcomeColour(ZELV10RC_NOTINLIST));
        QVERIFY(CZELV10ScanDlg::OutcomeColour(ZELV10RC_OK) !=
                CZELV10ScanDlg::OutcomeColour(ZELV10RC_NOTINLIST));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("scanCountLabel"))->text(),
                 QStringLiteral("Scanned: 3   Accepted: 1   Not accepted: 2"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("scanLastResult"))->text(),
                 QStringLiteral("ACME.LTO6.A00003 - Wrong Container"));
        QCOMPARE(dialog.AcceptedCount(), 1);
    }

    void badBarcodesAreShownNotAccepted_data() {
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QString>("shown"); // the list's Barcode column
        const QString longCode(200, QLatin1Char('A'));
        QTest::newRow("200 characters")
            << longCode << QString(48, QLatin1Char('A')) + QChar(0x2026);
        QTest::newRow("control characters")
            << QStringLiteral("A0\x01\x02") << QStringLiteral("A0\\x01\\x02");
        QTest::newRow("embedded NUL")
            << QString::fromUtf16(u"A0\u0000B", 4) << QStringLiteral("A0\\x00B");
        QTest::newRow("escape and tab inside")
            << QStringLiteral("A\x1b\tB") << QStringLiteral("A\\x1B\\x09B");
        QTest::newRow("five dots") << QStringLiteral("A.B.C.D.E") << QStringLiteral("A.B.C.D.E");
        QTest::newRow("only the dots") << QStringLiteral("..") << QStringLiteral("..");
    }
    void badBarcodesAreShownNotAccepted() {
        QFETCH(QString, barcode);
        QFETCH(QString, shown);
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("List Volumes"));
        dialog.SubmitBarcode(barcode);

        QCOMPARE(m_received.size(), 1);
        QVERIFY2(m_received[0].code != ZELV10RC_OK,
                 qPrintable(QString::number(m_received[0].code)));
        QCOMPARE(dialog.Scans().size(), size_t(1));
        QCOMPARE(dialog.Scans()[0].barcode, barcode);
        QTreeWidgetItem* row = List(dialog)->topLevelItem(0);
        QCOMPARE(row->text(0), shown);
        QCOMPARE(row->text(1), QString());
        QCOMPARE(row->text(2), CZELV10RC::TextOf(m_received[0].code));
        QVERIFY(row->text(2) != QStringLiteral("Accepted"));
        // The tooltip carries the parser's reason in full.
        QVERIFY(row->toolTip(2).startsWith(row->text(2)));
    }

    void blankInputIsIgnored() {
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan-In Volumes"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Type(dialog, QString());
        Type(dialog, QStringLiteral("   "));
        dialog.SubmitBarcode(QString());
        QVERIFY(m_received.isEmpty());
        QCOMPARE(List(dialog)->topLevelItemCount(), 0);
        QVERIFY(dialog.isVisible());
    }

    void withoutAPageTheParseResultIsShown() {
        ZELVSCANVOLUMEARGS args; // no defaults, no callback
        CZELV10ScanDlg dialog(m_db->Connection(), args, QStringLiteral("List Volumes"));
        dialog.SubmitBarcode(QStringLiteral("A00001"));
        dialog.SubmitBarcode(QStringLiteral("ACME.LTO6.A00002"));
        QCOMPARE(dialog.Scans()[0].outcome, uint32_t(ZELV10RC_NODEFAULTS));
        QCOMPARE(dialog.Scans()[1].outcome, uint32_t(ZELV10RC_OK));
        QCOMPARE(List(dialog)->topLevelItem(0)->text(2), QStringLiteral("Accepted"));
        QCOMPARE(List(dialog)->topLevelItem(1)->text(2), CZELV10RC::TextOf(ZELV10RC_NODEFAULTS));
    }

    void scanDuringTheHandlerWaitsItsTurn() {
        // The page's handler may let events through (a message box does); a
        // second scan arriving then is handled after the first, not inside it.
        ZELVSCANVOLUMEARGS args = PageArgs();
        const ZELVScanNotify page = args.notify;
        CZELV10ScanDlg* window = nullptr;
        QStringList order;
        args.notify = [&](const CZELV10RC& rc, const ZELV10BARCODEPARSED& item) {
            order << KeyOf(item);
            if (order.size() == 1) {
                window->SubmitBarcode(QStringLiteral("A00003"));
                order << QStringLiteral("first handler ends");
            }
            return page(rc, item);
        };
        CZELV10ScanDlg dialog(m_db->Connection(), args, QStringLiteral("Scan-In Volumes"));
        window = &dialog;
        dialog.SubmitBarcode(QStringLiteral("A00001"));
        QCOMPARE(order, QStringList({QStringLiteral("ACME.LTO6.A00001"),
                                     QStringLiteral("first handler ends"),
                                     QStringLiteral("ACME.LTO6.A00003")}));
        QCOMPARE(m_maxDepth, 1);
        QCOMPARE(dialog.Scans().size(), size_t(2));
        QCOMPARE(List(dialog)->topLevelItem(0)->text(2), QStringLiteral("Wrong Container"));
        QCOMPARE(List(dialog)->topLevelItem(1)->text(2), QStringLiteral("Accepted"));
    }

    // Batch files from a handheld scanner: what each kind of file gives.
    void batchFileLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("barcodes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("plain lines")
            << QByteArray("A00001\nA00002\n") << QStringList{"A00001", "A00002"} << QString();
        QTest::newRow("BOM, CR LF, blank lines and blanks")
            << QByteArray("\xEF\xBB\xBF A00001 \r\n\r\n\nA00002\r\n   \r\nA00003")
            << QStringList{"A00001", "A00002", "A00003"} << QString();
        QTest::newRow("timestamp columns, either side")
            << QByteArray("2026-12-08 10:15:02,A00001\nA00002;08/12/2026 10:16\n"
                          "10:17:00\tACME.LTO6.A00003\n")
            << QStringList{"A00001", "A00002", "ACME.LTO6.A00003"} << QString();
        QTest::newRow("empty file") << QByteArray() << QStringList{} << QString();
        QTest::newRow("binary: NUL bytes") << QByteArray("A00001\n\x00\x01\x02\x03", 11)
                                           << QStringList{} << QStringLiteral("is not a text file");
        QTest::newRow("binary: not UTF-8") << QByteArray("A00001\n\xff\xfe\xfa\n") << QStringList{}
                                           << QStringLiteral("is not a text file");
    }
    void batchFileLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, barcodes);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shelf.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QStringList read;
        QString error;
        QCOMPARE(CZELV10ScanDlg::ReadBatchFile(path, &read, &error), refusal.isEmpty());
        QCOMPARE(read, barcodes);
        QVERIFY2(refusal.isEmpty() ? error.isEmpty() : error.contains(refusal), qPrintable(error));

        // Through the window: the page sees each barcode as if scanned, in
        // order; a refused file scans nothing.
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan"));
        QString message;
        QCOMPARE(dialog.LoadScansFromFile(path, &message), refusal.isEmpty());
        QCOMPARE(int(dialog.Scans().size()), int(barcodes.size()));
        for (int i = 0; i < barcodes.size(); ++i)
            QCOMPARE(dialog.Scans()[size_t(i)].barcode, barcodes[i]);
        auto* summary = dialog.findChild<QLabel*>(QStringLiteral("scanBatchSummary"));
        QCOMPARE(summary->text(), message);
    }

    // The summary counts the refusals by reason; a long file goes through.
    void batchFileSummaryAndSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray body = "A00001\nA00003\nACME.CONT.C00001\nA00009\nA00003\n";
        for (int i = 0; i < 100000 - 5; ++i)
            body += "Z" + QByteArray::number(i) + "\n";
        f.write(body);
        f.close();
        CZELV10ScanDlg dialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan"));
        QString message;
        QVERIFY(dialog.LoadScansFromFile(path, &message));
        QCOMPARE(int(dialog.Scans().size()), 100000);
        QCOMPARE(message, QStringLiteral("big.txt: 100000 scans, 1 accepted, 99999 not accepted "
                                         "(Wrong Container: 2, Container moving elsewhere: 1, "
                                         "Not in the list: 99996)."));
    }

    void scanDialogRunsUntilClosed() {
        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<CZELV10ScanDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            Type(*dialog, QStringLiteral("A00001"));
            Type(*dialog, QStringLiteral("A00002"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("scanCloseButton")),
                              Qt::LeftButton);
        });
        const int scans =
            ScanDialog(m_db->Connection(), PageArgs(), QStringLiteral("Scan-In Volumes"));
        QCOMPARE(caption, QStringLiteral("Scan-In Volumes"));
        QCOMPARE(scans, 2);
        QCOMPARE(m_received.size(), 2);
        QCOMPARE(m_received[1].key, QStringLiteral("ACME.LTO6.A00002"));
    }
};

QTEST_MAIN(ZELV10ScanDlgTest)
#include "ZELV10ScanDlgTest.moc"
