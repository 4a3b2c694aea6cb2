#include "ZELVPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(PromptButtons)

class ZELVPrompterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultAnswer_data() {
        QTest::addColumn<PromptButtons>("buttons");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");

        QTest::newRow("no default on OK gives OK") << PromptButtons::Ok << 0 << int(PromptOk);
        QTest::newRow("no default on Yes/No gives Yes")
            << PromptButtons::YesNo << 0 << int(PromptYes);
        QTest::newRow("No as default on Yes/No")
            << PromptButtons::YesNo << int(PromptNo) << int(PromptNo);
        QTest::newRow("Cancel as default on Yes/No/Cancel")
            << PromptButtons::YesNoCancel << int(PromptCancel) << int(PromptCancel);
        QTest::newRow("a default that is no button falls back to the first")
            << PromptButtons::RetryCancel << int(PromptYes) << int(PromptRetry);
        QTest::newRow("OK/Cancel keeps OK first") << PromptButtons::OkCancel << 0 << int(PromptOk);
    }
    void defaultAnswer() {
        QFETCH(PromptButtons, buttons);
        QFETCH(int, requested);
        QFETCH(int, expected);
        PromptRequest request;
        request.buttons = buttons;
        request.defaultAnswer = requested;
        QCOMPARE(request.DefaultAnswer(), expected);
    }

    void scriptedAnswersInOrderAndRecords() {
        ScriptedPrompter prompter;
        prompter.Answer({PromptNo, PromptYes});
        const int first = prompter.Ask(
            QStringLiteral("You have unprocessed Volumes. Are you sure you want to exit?"),
            QStringLiteral("Exit Warning"), PromptIcon::Question, PromptButtons::YesNo);
        const int second = prompter.Ask(
            QStringLiteral("If you go back you will lose your current selections, is this OK?"),
            QStringLiteral("Customer Change Warning"), PromptIcon::Warning, PromptButtons::YesNo);
        QCOMPARE(first, int(PromptNo));
        QCOMPARE(second, int(PromptYes));
        QCOMPARE(prompter.Asked().size(), 2);
        const PromptRequest& asked = prompter.Asked().at(0).request;
        QCOMPARE(asked.caption, QStringLiteral("Exit Warning"));
        QCOMPARE(asked.icon, PromptIcon::Question);
        QCOMPARE(asked.buttons, PromptButtons::YesNo);
        QCOMPARE(
            prompter.LastText(),
            QStringLiteral("If you go back you will lose your current selections, is this OK?"));
        QVERIFY(prompter.Unexpected().isEmpty());
        QCOMPARE(prompter.PendingAnswers(), 0);
    }

    void unscriptedPromptIsRecordedAndGetsTheDefault() {
        ScriptedPrompter prompter;
        const int answer = prompter.Ask(QStringLiteral("You have not selected any Volumes"),
                                        QStringLiteral("Error"), PromptIcon::Error,
                                        PromptButtons::YesNo, PromptNo);
        QCOMPARE(answer, int(PromptNo));
        QCOMPARE(prompter.Unexpected().size(), 1);
        QCOMPARE(prompter.Unexpected().first().text,
                 QStringLiteral("You have not selected any Volumes"));
        QVERIFY(!prompter.Asked().first().scripted);
    }

    void scriptedAnswerThatIsNoButtonStaysQueued() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptYes);
        // An OK box cannot answer Yes: default, recorded as unexpected.
        QCOMPARE(
            prompter.Ask(QStringLiteral("Note"), QStringLiteral("Info"), PromptIcon::Information),
            int(PromptOk));
        QCOMPARE(prompter.Unexpected().size(), 1);
        QCOMPARE(prompter.PendingAnswers(), 1);
        // The Yes/No box it was meant for takes it.
        QCOMPARE(prompter.Ask(QStringLiteral("Sure?"), QStringLiteral("Question"),
                              PromptIcon::Question, PromptButtons::YesNo, PromptNo),
                 int(PromptYes));
        QCOMPARE(prompter.PendingAnswers(), 0);
    }

    void messageBoxShowsRequestAndReturnsClickedAnswer_data() {
        QTest::addColumn<PromptButtons>("buttons");
        QTest::addColumn<int>("click");
        QTest::addColumn<QList<int>>("shown");

        QTest::newRow("OK") << PromptButtons::Ok << int(PromptOk) << QList<int>{QMessageBox::Ok};
        QTest::newRow("OK/Cancel, Cancel clicked")
            << PromptButtons::OkCancel << int(PromptCancel)
            << QList<int>{QMessageBox::Ok, QMessageBox::Cancel};
        QTest::newRow("Yes/No, No clicked") << PromptButtons::YesNo << int(PromptNo)
                                            << QList<int>{QMessageBox::Yes, QMessageBox::No};
        QTest::newRow("Yes/No/Cancel, Yes clicked")
            << PromptButtons::YesNoCancel << int(PromptYes)
            << QList<int>{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        QTest::newRow("Retry/Cancel, Retry clicked")
            << PromptButtons::RetryCancel << int(PromptRetry)
            << QList<int>{QMessageBox::Retry, QMessageBox::Cancel};
    }
    void messageBoxShowsRequestAndReturnsClickedAnswer() {
        QFETCH(PromptButtons, buttons);
        QFETCH(int, click);
        QFETCH(QList<int>, shown);

        const QMap<int, QMessageBox::StandardButton> standard = {
            {PromptOk, QMessageBox::Ok},       {PromptCancel, QMessageBox::Cancel},
            {PromptYes, QMessageBox::Yes},     {PromptNo, QMessageBox::No},
            {PromptRetry, QMessageBox::Retry},
        };
        QString seenTitle, seenText;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        Qt::TextFormat seenFormat = Qt::AutoText;
        QList<int> seenButtons;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenFormat = box->textFormat();
            for (QAbstractButton* b : box->buttons())
                seenButtons.append(box->standardButton(b));
            std::sort(seenButtons.begin(), seenButtons.end());
            box->button(standard.value(click))->click();
        });

        QMessageBoxPrompter prompter;
        PromptRequest request;
        request.text =
            QStringLiteral("You can stop individual Volumes by hitting the <DELETE> key.");
        request.caption = QStringLiteral("Scan Error");
        request.icon = PromptIcon::Warning;
        request.buttons = buttons;
        const int answer = prompter.Ask(request);

        QCOMPARE(answer, click);
        QCOMPARE(seenTitle, QStringLiteral("Scan Error"));
        QCOMPARE(seenText, request.text);
        QCOMPARE(seenFormat, Qt::PlainText);
        QCOMPARE(seenIcon, QMessageBox::Warning);
        std::sort(shown.begin(), shown.end());
        QCOMPARE(seenButtons, shown);
    }
};

QTEST_MAIN(ZELVPrompterTest)
#include "ZELVPrompterTest.moc"
