#include "ZELVPopup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

ZELVNotification Notice(const QString& title, int command = 0) {
    ZELVNotification n;
    n.title = title;
    n.line1 = QStringLiteral("Error scanned barcode ACME.LTO4.000123.");
    n.line2 = QStringLiteral("Item is not in the list.");
    n.icon = 356;
    n.commandId = command;
    return n;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(global - w->pos()), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

// Drags a popup by the given offset with press, move and release.
void Drag(CZELVPopup* popup, QPoint by) {
    const QPoint grab = popup->pos() + QPoint(150, 40);
    SendMouse(popup, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    SendMouse(popup, QEvent::MouseMove, grab + by / 2, Qt::LeftButton);
    SendMouse(popup, QEvent::MouseMove, grab + by, Qt::LeftButton);
    SendMouse(popup, QEvent::MouseButtonRelease, grab + by, Qt::NoButton);
}

void DeleteClosed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class ZELVPopupTest : public QObject {
    Q_OBJECT

    QRect Area() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

private Q_SLOTS:
    void popupLayout() {
        CZELVPopupManager manager;
        QVERIFY(manager.ShowNotification(nullptr, Notice(QStringLiteral("Scan Error"))));
        CZELVPopup* popup = manager.OpenPopups().first();
        QCOMPARE(popup->size(), QSize(329, 74));
        QCOMPARE(popup->findChild<QLabel*>("popupTitle")->text(), QStringLiteral("Scan Error"));
        QVERIFY(popup->findChild<QLabel*>("popupTitle")->font().bold());
        QCOMPARE(popup->findChild<QLabel*>("popupLine1")->text(),
                 QStringLiteral("Error scanned barcode ACME.LTO4.000123."));
        QCOMPARE(popup->findChild<QLabel*>("popupLine2")->text(),
                 QStringLiteral("Item is not in the list."));
        QCOMPARE(popup->findChild<QLabel*>("popupIcon")->geometry(), QRect(5, 12, 12, 12));
        QCOMPARE(popup->findChild<QToolButton*>("popupCloseButton")->geometry(),
                 QRect(308, 14, 16, 16));
        QCOMPARE(popup->findChild<QToolButton*>("popupCommandButton")->geometry(),
                 QRect(290, 14, 16, 16));
        QCOMPARE(popup->DisplayTime(), 10000);
        QVERIFY(popup->IsCountingDown());
    }

    void firstPopupSitsAtTheBottomRight() {
        CZELVPopupManager manager;
        manager.ShowNotification(nullptr, Notice(QStringLiteral("one")));
        QCOMPARE(manager.OpenPopups().first()->geometry().bottomRight(), Area().bottomRight());
    }

    void threeInARowStackUpwardsWithoutOverlap() {
        CZELVPopupManager manager;
        for (const char* title : {"one", "two", "three"})
            QVERIFY(manager.ShowNotification(nullptr, Notice(QString::fromLatin1(title))));
        const QList<CZELVPopup*> popups = manager.OpenPopups();
        QCOMPARE(popups.size(), 3);
        for (int i = 1; i < popups.size(); ++i) {
            const QRect below = popups[i - 1]->geometry();
            const QRect above = popups[i]->geometry();
            QCOMPARE(above.left(), below.left());
            QCOMPARE(above.bottom() + 1, below.top()); // directly on top, no gap
        }
        for (int i = 0; i < popups.size(); ++i)
            for (int j = i + 1; j < popups.size(); ++j)
                QVERIFY(!popups[i]->geometry().intersects(popups[j]->geometry()));
    }

    void freedSpaceIsReused() {
        CZELVPopupManager manager;
        manager.ShowNotification(nullptr, Notice(QStringLiteral("one")));
        manager.ShowNotification(nullptr, Notice(QStringLiteral("two")));
        const QRect bottom = manager.OpenPopups().first()->geometry();
        manager.OpenPopups().first()->close();
        manager.ShowNotification(nullptr, Notice(QStringLiteral("three")));
        QCOMPARE(manager.OpenPopups().last()->geometry(), bottom);
    }

    void movedPositionIsRememberedForTheNext() {
        CZELVPopupManager manager;
        QCOMPARE(manager.RememberedPosition(), QPoint(-1, -1));
        manager.ShowNotification(nullptr, Notice(QStringLiteral("one")));
        CZELVPopup* moved = manager.OpenPopups().first();
        const QPoint target = moved->pos() + QPoint(-300, -200);
        Drag(moved, QPoint(-300, -200));
        QCOMPARE(moved->pos(), target);
        QCOMPARE(manager.RememberedPosition(), target);

        // Starts at the remembered place, then moves up off the popup there.
        manager.ShowNotification(nullptr, Notice(QStringLiteral("two")));
        const QRect next = manager.OpenPopups().last()->geometry();
        QCOMPARE(next.left(), target.x());
        QCOMPARE(next.bottom() + 1, target.y());

        // With the moved one closed, the next one takes the remembered place itself.
        moved->close();
        manager.OpenPopups().last()->close();
        manager.ShowNotification(nullptr, Notice(QStringLiteral("three")));
        QCOMPARE(manager.OpenPopups().last()->pos(), target);
    }

    void clickWithoutMovingRemembersNothing() {
        CZELVPopupManager manager;
        manager.ShowNotification(nullptr, Notice(QStringLiteral("one")));
        Drag(manager.OpenPopups().first(), QPoint(0, 0));
        QCOMPARE(manager.RememberedPosition(), QPoint(-1, -1));
    }

    void closedPopupLeavesTheList_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("close button") << true;
        QTest::newRow("display time over") << false;
    }
    void closedPopupLeavesTheList() {
        QFETCH(bool, byButton);
        CZELVPopupManager manager;
        manager.ShowNotification(nullptr, Notice(QStringLiteral("one")));
        manager.ShowNotification(nullptr, Notice(QStringLiteral("two")));
        QPointer<CZELVPopup> first = manager.OpenPopups().first();
        if (byButton)
            QTest::mouseClick(first->findChild<QToolButton*>("popupCloseButton"), Qt::LeftButton);
        else
            first->Expire();
        QCOMPARE(manager.OpenPopups().size(), 1);
        QCOMPARE(manager.OpenPopups().first()->Notification().title, QStringLiteral("two"));
        DeleteClosed();
        QVERIFY(first.isNull());
    }

    void silencedNotificationShowsNothing() {
        CZELVPopupManager manager;
        QStringList asked;
        manager.SetSilencer([&](const QString& title, const QString& line1, const QString& line2) {
            asked << title << line1 << line2;
            return title == QLatin1String("Scan Error");
        });
        QVERIFY(!manager.ShowNotification(nullptr, QStringLiteral("Scan Error"),
                                          QStringLiteral("first"), QStringLiteral("second"), 356,
                                          350, 351, 10000, 0));
        QCOMPARE(asked, QStringList({"Scan Error", "first", "second"}));
        QVERIFY(manager.OpenPopups().isEmpty());
        bool anyPopupWindow = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            anyPopupWindow |= qobject_cast<CZELVPopup*>(w) != nullptr && w->isVisible();
        QVERIFY(!anyPopupWindow);

        QVERIFY(manager.ShowNotification(nullptr, Notice(QStringLiteral("Scan Routed"))));
        QCOMPARE(manager.OpenPopups().size(), 1);
        QVERIFY(manager.OpenPopups().first()->isVisible());
    }

    void callerButtonSendsItsCommand() {
        CZELVPopupManager manager;
        QSignalSpy commands(&manager, &CZELVPopupManager::CommandTriggered);
        manager.ShowNotification(nullptr, Notice(QStringLiteral("no command")));
        manager.ShowNotification(nullptr, Notice(QStringLiteral("command"), 32814));
        QVERIFY(manager.OpenPopups()
                    .first()
                    ->findChild<QToolButton*>("popupCommandButton")
                    ->isHidden());
        auto* button = manager.OpenPopups().last()->findChild<QToolButton*>("popupCommandButton");
        QVERIFY(!button->isHidden());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(commands.count(), 1);
        QCOMPARE(commands.first().first().toInt(), 32814);
    }

    void longTextsAreCutNotLost() {
        CZELVPopupManager manager;
        ZELVNotification n = Notice(QStringLiteral("Scan Error"));
        n.line1 = QString(300, QLatin1Char('W'));
        manager.ShowNotification(nullptr, n);
        auto* line1 = manager.OpenPopups().first()->findChild<QLabel*>("popupLine1");
        QVERIFY(line1->text().size() < n.line1.size());
        QCOMPARE(line1->toolTip(), n.line1);
    }
};

QTEST_MAIN(ZELVPopupTest)
#include "ZELVPopupTest.moc"
