#include "ZELVWizardSheet.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// A page whose answers and activation behaviour the test sets, logging every
// call so that order can be checked.
class TestPage : public CZELVWizardPage {
public:
    TestPage(int id, QStringList* log) : CZELVWizardPage(id), m_log(log) {}

    int next = kDefaultPage;
    int back = kDefaultPage;
    bool finish = true;
    bool cancel = true;
    std::function<void(TestPage*)> onActive;

    void OnSetActive() override {
        m_log->append(QStringLiteral("set:%1").arg(TemplateId()));
        if (onActive)
            onActive(this);
        m_log->append(QStringLiteral("set-done:%1").arg(TemplateId()));
    }
    void OnKillActive() override { m_log->append(QStringLiteral("kill:%1").arg(TemplateId())); }
    int OnWizardNext() override {
        m_log->append(QStringLiteral("next:%1").arg(TemplateId()));
        return next;
    }
    int OnWizardBack() override {
        m_log->append(QStringLiteral("back:%1").arg(TemplateId()));
        return back;
    }
    bool OnWizardFinish() override { return finish; }
    bool OnQueryCancel() override {
        m_log->append(QStringLiteral("cancel?:%1").arg(TemplateId()));
        return cancel;
    }

private:
    QStringList* m_log;
};

void FlushPosted() {
    QCoreApplication::sendPostedEvents();
}

} // namespace

class ZELVWizardSheetTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CZELVWizardSheet> sheet;
    QList<TestPage*> pages;
    QStringList log;

    TestPage* Page(int id) {
        for (TestPage* p : pages)
            if (p->TemplateId() == id)
                return p;
        return nullptr;
    }
    QPushButton* Button(const char* name) {
        return sheet->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    int ActiveId() const {
        return sheet->GetActivePage() ? sheet->GetActivePage()->TemplateId() : 0;
    }

private Q_SLOTS:
    void init() {
        sheet = std::make_unique<CZELVWizardSheet>(QStringLiteral("Kelmar Lite"));
        pages.clear();
        log.clear();
        for (int id : {101, 102, 103, 104}) {
            auto* page = new TestPage(id, &log);
            pages.append(page);
            sheet->AddPage(page);
        }
    }
    void cleanup() { sheet.reset(); }

    void navigation_data() {
        QTest::addColumn<int>("startIndex");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("expected");

        QTest::newRow("Next 0 goes to the page added after") << 0 << true << 0 << 102;
        QTest::newRow("Next with a template id jumps to it") << 0 << true << 104 << 104;
        QTest::newRow("Next -1 stays") << 1 << true << -1 << 102;
        QTest::newRow("Next with an unknown id stays") << 0 << true << 999 << 101;
        QTest::newRow("Next 0 on the last page stays") << 3 << true << 0 << 104;
        QTest::newRow("Back 0 goes to the page added before") << 2 << false << 0 << 102;
        QTest::newRow("Back with a template id jumps to it") << 3 << false << 101 << 101;
        QTest::newRow("Back -1 stays") << 2 << false << -1 << 103;
        QTest::newRow("Back 0 on the first page stays") << 0 << false << 0 << 101;
    }
    void navigation() {
        QFETCH(int, startIndex);
        QFETCH(bool, forward);
        QFETCH(int, answer);
        QFETCH(int, expected);

        QVERIFY(sheet->SetActivePage(startIndex));
        TestPage* start = pages[startIndex];
        (forward ? start->next : start->back) = answer;
        log.clear();

        const bool moved = forward ? sheet->GoNext() : sheet->GoBack();

        QCOMPARE(ActiveId(), expected);
        QCOMPARE(moved, expected != start->TemplateId());
        if (moved) {
            // The old page is told it lost activation before the new one activates.
            QCOMPARE(log, QStringList({QStringLiteral("%1:%2")
                                           .arg(forward ? "next" : "back")
                                           .arg(start->TemplateId()),
                                       QStringLiteral("kill:%1").arg(start->TemplateId()),
                                       QStringLiteral("set:%1").arg(expected),
                                       QStringLiteral("set-done:%1").arg(expected)}));
        } else {
            QCOMPARE(log.size(), 1); // only the question to the page
        }
    }

    void buttonsClickNavigate() {
        sheet->SetActivePage(0);
        sheet->SetWizardButtons(CZELVWizardSheet::WizNext);
        QTest::mouseClick(Button("wizardNextButton"), Qt::LeftButton);
        QCOMPARE(ActiveId(), 102);
        // Back is disabled: clicking it does nothing.
        QTest::mouseClick(Button("wizardBackButton"), Qt::LeftButton);
        QCOMPARE(ActiveId(), 102);
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
        QTest::mouseClick(Button("wizardBackButton"), Qt::LeftButton);
        QCOMPARE(ActiveId(), 101);
    }

    void buttonStates_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("backEnabled");
        QTest::addColumn<bool>("nextShown");
        QTest::addColumn<bool>("nextEnabled");
        QTest::addColumn<bool>("finishShown");
        QTest::addColumn<bool>("finishEnabled");

        QTest::newRow("0: nothing enabled") << 0 << false << true << false << false << false;
        QTest::newRow("1: Back only") << 1 << true << true << false << false << false;
        QTest::newRow("2: Next only") << 2 << false << true << true << false << false;
        QTest::newRow("3: Back and Next") << 3 << true << true << true << false << false;
        QTest::newRow("4: Finish replaces Next") << 4 << false << false << false << true << true;
        QTest::newRow("5: Back and Finish") << 5 << true << false << false << true << true;
        QTest::newRow("8: disabled Finish replaces Next")
            << 8 << false << false << false << true << false;
    }
    void buttonStates() {
        QFETCH(int, flags);
        QFETCH(bool, backEnabled);
        QFETCH(bool, nextShown);
        QFETCH(bool, nextEnabled);
        QFETCH(bool, finishShown);
        QFETCH(bool, finishEnabled);
        sheet->SetActivePage(0);
        sheet->SetWizardButtons(flags);
        QCOMPARE(sheet->GetWizardButtons(), flags);
        QCOMPARE(Button("wizardBackButton")->isEnabled(), backEnabled);
        QCOMPARE(!Button("wizardNextButton")->isHidden(), nextShown);
        QCOMPARE(Button("wizardNextButton")->isEnabled(), nextEnabled);
        QCOMPARE(!Button("wizardFinishButton")->isHidden(), finishShown);
        QCOMPARE(Button("wizardFinishButton")->isEnabled(), finishEnabled);
        QVERIFY(!Button("wizardCancelButton")->isHidden());
        QVERIFY(Button("wizardCancelButton")->isEnabled());
    }

    void buttonStatesHoldAcrossPages() {
        sheet->SetActivePage(0);
        sheet->SetWizardButtons(CZELVWizardSheet::WizNext);
        sheet->GoNext();
        QCOMPARE(sheet->GetWizardButtons(), int(CZELVWizardSheet::WizNext));
        QVERIFY(!Button("wizardBackButton")->isEnabled());
    }

    void pressNextRunsAfterActivationEvenWhenDisabled() {
        // A page that passes on by itself from its activation, with Next
        // disabled, as a page with nothing to show does.
        Page(102)->onActive = [this](TestPage*) {
            sheet->SetWizardButtons(0);
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
        };
        sheet->SetActivePage(0);
        sheet->GoNext();
        QCOMPARE(ActiveId(), 102); // the press waits for the activation to finish
        FlushPosted();
        QCOMPARE(ActiveId(), 103);
        QCOMPARE(log.mid(log.indexOf(QStringLiteral("set:102"))),
                 QStringList({"set:102", "set-done:102", "next:102", "kill:102", "set:103",
                              "set-done:103"}));
    }

    void directNextFromActivationWaitsForIt() {
        Page(102)->onActive = [this](TestPage*) { sheet->GoNext(); };
        sheet->SetActivePage(1);
        QCOMPARE(ActiveId(), 102);
        QCOMPARE(log, QStringList({"set:102", "set-done:102"}));
        FlushPosted();
        QCOMPARE(ActiveId(), 103);
    }

    void headerFollowsPage() {
        Page(101)->SetHideHeader(true);
        Page(102)->SetHeader(QStringLiteral("Customer Selection"),
                             QStringLiteral("Please selected the Customer"));
        sheet->SetWatermark(QPixmap(164, 314));
        sheet->SetHeaderBitmap(QPixmap(49, 49));
        auto* header = sheet->findChild<QWidget*>(QStringLiteral("wizardHeader"));
        auto* watermark = sheet->findChild<QLabel*>(QStringLiteral("wizardWatermark"));
        auto* title = sheet->findChild<QLabel*>(QStringLiteral("wizardHeaderTitle"));
        auto* subtitle = sheet->findChild<QLabel*>(QStringLiteral("wizardHeaderSubtitle"));

        sheet->SetActivePage(0);
        QVERIFY(header->isHidden());
        QVERIFY(!watermark->isHidden());

        sheet->GoNext();
        QVERIFY(!header->isHidden());
        QVERIFY(watermark->isHidden());
        QCOMPARE(title->text(), QStringLiteral("Customer Selection"));
        QCOMPARE(subtitle->text(), QStringLiteral("Please selected the Customer"));

        // A page without a title keeps the header, with an empty title.
        sheet->GoNext();
        QVERIFY(!header->isHidden());
        QCOMPARE(title->text(), QString());
    }

    void cancelAskedOfThePage_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << QStringLiteral("button");
        QTest::newRow("Escape key") << QStringLiteral("escape");
        QTest::newRow("window closed") << QStringLiteral("close");
        QTest::newRow("pressed by a page") << QStringLiteral("press");
    }
    void cancelAskedOfThePage() {
        QFETCH(QString, how);
        sheet->show();
        sheet->SetActivePage(1);
        QSignalSpy rejected(sheet.get(), &QDialog::rejected);
        const auto cancel = [&] {
            if (how == QLatin1String("button"))
                QTest::mouseClick(Button("wizardCancelButton"), Qt::LeftButton);
            else if (how == QLatin1String("escape"))
                QTest::keyClick(sheet.get(), Qt::Key_Escape);
            else if (how == QLatin1String("close"))
                sheet->close();
            else {
                sheet->PressButton(CZELVWizardSheet::WizardButton::Cancel);
                FlushPosted();
            }
        };

        Page(102)->cancel = false;
        cancel();
        QCOMPARE(rejected.count(), 0);
        QVERIFY(sheet->isVisible());
        QVERIFY(log.contains(QStringLiteral("cancel?:102")));

        Page(102)->cancel = true;
        cancel();
        QCOMPARE(rejected.count(), 1);
        QVERIFY(!sheet->isVisible());
    }

    void finishAskedOfThePage() {
        sheet->show();
        sheet->SetActivePage(3);
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizFinish);
        QSignalSpy accepted(sheet.get(), &QDialog::accepted);
        Page(104)->finish = false;
        QTest::mouseClick(Button("wizardFinishButton"), Qt::LeftButton);
        QCOMPARE(accepted.count(), 0);
        Page(104)->finish = true;
        QTest::mouseClick(Button("wizardFinishButton"), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(sheet->result(), int(QDialog::Accepted));
    }

    void showingOpensTheStartPage() {
        sheet->SetStartPage(2);
        QSignalSpy changed(sheet.get(), &CZELVWizardSheet::ActivePageChanged);
        sheet->show();
        QCOMPARE(ActiveId(), 103);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toInt(), 103);
    }

    void activatingByIdAndObject() {
        QVERIFY(sheet->SetActivePageById(103));
        QCOMPARE(sheet->GetActiveIndex(), 2);
        QVERIFY(sheet->SetActivePage(Page(104)));
        QCOMPARE(ActiveId(), 104);
        QVERIFY(!sheet->SetActivePageById(555));
        QVERIFY(!sheet->SetActivePage(17));
        QCOMPARE(ActiveId(), 104);
        QCOMPARE(sheet->FindPage(102), 1);
        QCOMPARE(sheet->FindPage(555), -1);
    }

    void placeIsRememberedAndKeptOnAScreen() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        const QString key = QStringLiteral("Window/Sheet");
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        // First start: as much of the wanted size as the screen has, all on it.
        CZELVWizardSheet first(QStringLiteral("First"));
        first.RememberPlace(&settings, key, QSize(5000, 5000));
        QCOMPARE(first.size(), room.size());
        QVERIFY(room.contains(first.geometry()));

        // Closed at another size and place: the next start opens there.
        const QRect moved(room.topLeft() + QPoint(30, 20), QSize(400, 300));
        first.setGeometry(moved);
        first.done(0);
        CZELVWizardSheet second(QStringLiteral("Second"));
        second.RememberPlace(&settings, key, QSize(5000, 5000));
        QCOMPARE(second.geometry(), moved);

        // A place on a screen since removed comes back onto one.
        second.setGeometry(QRect(room.bottomRight() + QPoint(3000, 2000), QSize(400, 300)));
        second.done(0);
        CZELVWizardSheet third(QStringLiteral("Third"));
        third.RememberPlace(&settings, key, QSize(5000, 5000));
        QVERIFY2(room.contains(third.geometry()),
                 qPrintable(QStringLiteral("%1,%2").arg(third.x()).arg(third.y())));
        QCOMPARE(third.size(), QSize(400, 300));
    }

    void sheetOwnsItsPages() {
        QPointer<CZELVWizardPage> page = Page(101);
        QCOMPARE(page->Sheet(), sheet.get());
        sheet.reset();
        QVERIFY(page.isNull());
    }
};

QTEST_MAIN(ZELVWizardSheetTest)
#include "ZELVWizardSheetTest.moc"
