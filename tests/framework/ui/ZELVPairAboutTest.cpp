#include "ZELVAboutWnd.h"
#include "ZELVIcons.h"
#include "ZELVPairStatic.h"

#include <QImage>
#include <QLabel>
#include <QTest>

class ZELVPairAboutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pairLabelBoxesHaveTheirColours() {
        CZELVPairStatic pair(QStringLiteral("Customer"), QStringLiteral("ACME (Acme Corp)"));
        pair.resize(300, 24);
        const QImage image = pair.grab().toImage();
        const QRect label = pair.LabelRect();
        const QRect value = pair.ValueRect();
        QVERIFY(label.width() > 0 && value.width() > 0);
        QVERIFY(value.left() > label.right());
        // Just inside each box, clear of the rounded corners and of the text.
        const QPoint inLabel(label.left() + 3, label.center().y());
        const QPoint inValue(value.left() + 3, value.center().y());
        QCOMPARE(image.pixelColor(inLabel).rgb() & 0xFFFFFF, CZELVPairStatic::kLabelBackground);
        QCOMPARE(image.pixelColor(inValue).rgb() & 0xFFFFFF, CZELVPairStatic::kValueBackground);
    }

    void pairLabelDrawsItsTexts() {
        // The label text is white on dark, the value text black on light:
        // some pixels of each box carry the text colour.
        CZELVPairStatic pair(QStringLiteral("From Repository"), QStringLiteral("VLTA R&D vault"));
        pair.resize(320, 24);
        const QImage image = pair.grab().toImage();
        const auto hasColour = [&](const QRect& box, QRgb colour) {
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    if ((image.pixel(x, y) & 0xFFFFFF) == colour)
                        return true;
            return false;
        };
        QVERIFY(hasColour(pair.LabelRect().adjusted(4, 3, -4, -3), CZELVPairStatic::kLabelText));
        QVERIFY(hasColour(pair.ValueRect().adjusted(4, 3, -4, -3), CZELVPairStatic::kValueText));
    }

    void pairLabelWidthCanBeFixed() {
        CZELVPairStatic pair(QStringLiteral("Customer"), QStringLiteral("x"));
        pair.resize(300, 24);
        pair.SetLabelWidth(120);
        QCOMPARE(pair.LabelRect().width(), 120);
        QCOMPARE(pair.ValueRect().right(), 299);
    }

    void aboutWindowShowsTheProgram() {
        CZELVAboutWnd about(QStringLiteral("Kelmar Lite"), QStringLiteral("Aug 14 2018"),
                            ZELVBitmap(201), 1234);
        QCOMPARE(about.size(), QSize(400, 250));
        QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
        const auto text = [&](const char* name) {
            return about.findChild<QLabel*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("aboutTitle"), QStringLiteral("About Kelmar Lite"));
        QCOMPARE(text("aboutCompiled"), QStringLiteral("Compiled: Aug 14 2018"));
        QCOMPARE(text("aboutRuns"), QStringLiteral("Runs: 1,234"));
        QVERIFY(text("aboutNotice").contains(CZELVAboutWnd::MakerName()));
        QVERIFY(text("aboutWarning").startsWith(QStringLiteral("Warning:")));
        auto* bitmap = about.findChild<QLabel*>(QStringLiteral("aboutBitmap"));
        QCOMPARE(bitmap->geometry(), QRect(190, 30, 200, 50));
        QCOMPARE(bitmap->pixmap().size(), QSize(200, 50));
        const QFont titleFont = about.findChild<QLabel*>(QStringLiteral("aboutTitle"))->font();
        QVERIFY(titleFont.bold());
        QCOMPARE(titleFont.pointSize(), 14);

        about.SetRunCount(1234567);
        QCOMPARE(text("aboutRuns"), QStringLiteral("Runs: 1,234,567"));
    }

    void aboutWindowWithoutBitmap() {
        CZELVAboutWnd about(QStringLiteral("Kelmar Lite"), QStringLiteral("Aug 14 2018"), QPixmap(),
                            1);
        QVERIFY(about.findChild<QLabel*>(QStringLiteral("aboutBitmap"))->pixmap().isNull());
    }

    void aboutWindowClosesOnEscapeAndClick() {
        CZELVAboutWnd about(QStringLiteral("Kelmar Lite"), QStringLiteral("Aug 14 2018"),
                            ZELVBitmap(201), 1);
        about.show();
        QVERIFY(about.isVisible());
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        about.show();
        QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(200, 120));
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(ZELVPairAboutTest)
#include "ZELVPairAboutTest.moc"
