#include "ZELVWinApp.h"

#include "ZELVAboutWnd.h"
#include "ZELVPrompter.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Records what the application would start or open instead of doing it.
struct Recorder {
    QList<ZELVCommand> commands;
    QList<QUrl> urls;
    bool launchWorks = true;
    bool browserWorks = true;
};

} // namespace

class ZELVWinAppTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Recorder m_rec;
    ScriptedPrompter* m_prompter = nullptr;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& content) const {
        QFile f(Path(name));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(content);
        return f.fileName();
    }

    // An application on private profile files, with no update check, no crash
    // handler unless asked for, and recorders for prompts, programs and browser.
    std::unique_ptr<CZELVWinApp> MakeApp(bool crashHandler = false) {
        QSettings machine(Path(QStringLiteral("machine.ini")), QSettings::IniFormat);
        machine.setValue(QStringLiteral("DisableUpdateCheck"), 1);
        machine.sync();

        ZELVWinAppSetup setup;
        setup.core.profileFile = Path(QStringLiteral("profile.ini"));
        setup.core.machineFile = Path(QStringLiteral("machine.ini"));
        setup.core.changeToProgramFolder = false;
        setup.core.installCrashHandler = crashHandler;
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        setup.prompter = std::move(prompter);
        m_rec = Recorder();
        setup.launcher = [this](const ZELVCommand& c) {
            m_rec.commands << c;
            return m_rec.launchWorks;
        };
        setup.urlOpener = [this](const QUrl& u) {
            m_rec.urls << u;
            return m_rec.browserWorks;
        };
        auto app = std::make_unique<CZELVWinApp>(std::move(setup));
        app->InitBase(QStringLiteral("Kelmar Lite"), 201, QStringLiteral("Aug 14 2018"), {},
                      [](const QString&) { return QString(); });
        return app;
    }

private Q_SLOTS:
    void init() {
        QFile::remove(Path(QStringLiteral("profile.ini")));
        m_prompter = nullptr;
    }

    void configurationErrorIsShownOnce_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<bool>("loads");
        QTest::newRow("broken syntax") << QByteArray("options = { disablespeech = ; };\n") << false;
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("valid file") << QByteArray("options = { disablespeech = true; };\n") << true;
    }
    void configurationErrorIsShownOnce() {
        QFETCH(QByteArray, content);
        QFETCH(bool, loads);
        auto app = MakeApp();
        const QString path = content.isEmpty() ? Path(QStringLiteral("absent.cfg"))
                                               : WriteFile(QStringLiteral("ZELVDesk.cfg"), content);

        QCOMPARE(app->LoadConfig(path), loads);
        QCOMPARE(app->IsConfigLoaded(), loads);
        if (loads) {
            QVERIFY(m_prompter->Asked().isEmpty());
            return;
        }
        QCOMPARE(m_prompter->Asked().size(), 1);
        const PromptRequest& shown = m_prompter->Asked().first().request;
        QCOMPARE(shown.caption, QStringLiteral("Configuration Error"));
        QCOMPARE(shown.icon, PromptIcon::Error);
        QCOMPARE(shown.buttons, PromptButtons::Ok);
        QVERIFY2(shown.text.startsWith(
                     QStringLiteral("Failed to read configuration file (%1): Line(").arg(path)),
                 qPrintable(shown.text));
    }

    void assistanceAnswers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("works"); // the mail program or the browser starts
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("commands");
        QTest::addColumn<int>("urls");
        QTest::addColumn<QString>("followUp"); // caption of a second box, empty for none
        using A = CZELVWinApp::Assistance;
        QTest::newRow("cancel does nothing")
            << int(PromptCancel) << true << int(A::Cancelled) << 0 << 0 << QString();
        QTest::newRow("no opens the web site")
            << int(PromptNo) << true << int(A::WebSite) << 0 << 1 << QString();
        QTest::newRow("no without a browser says so") << int(PromptNo) << false << int(A::Failed)
                                                      << 0 << 1 << QStringLiteral("Get Assistance");
        QTest::newRow("yes composes the mail")
            << int(PromptYes) << true << int(A::Mail) << 1 << 0 << QString();
        QTest::newRow("yes without a mail program")
            << int(PromptYes) << false << int(A::Failed) << 1 << 0 << QStringLiteral("MAPI Error");
    }
    void assistanceAnswers() {
        QFETCH(int, answer);
        QFETCH(bool, works);
        QFETCH(int, outcome);
        QFETCH(int, commands);
        QFETCH(int, urls);
        QFETCH(QString, followUp);
        auto app = MakeApp();
        m_rec.launchWorks = works;
        m_rec.browserWorks = works;
        m_prompter->Answer(answer);
        if (!followUp.isEmpty())
            m_prompter->Answer(PromptOk);

        QCOMPARE(int(app->GetAssistance()), outcome);

        const PromptRequest& question = m_prompter->Asked().first().request;
        QCOMPARE(question.text,
                 QStringLiteral("Would you like to create an Assistance Ticket via email?"));
        QCOMPARE(question.caption, QStringLiteral("Get Assistance"));
        QCOMPARE(question.buttons, PromptButtons::YesNoCancel);
        QCOMPARE(m_rec.commands.size(), commands);
        QCOMPARE(m_rec.urls.size(), urls);
        if (urls)
            QCOMPARE(m_rec.urls.first(), QUrl(QString::fromLatin1(CZELVAppCore::kSupportWebSite)));
        QCOMPARE(m_prompter->Asked().size(), followUp.isEmpty() ? 1 : 2);
        if (!followUp.isEmpty()) {
            const PromptRequest& second = m_prompter->Asked().last().request;
            QCOMPARE(second.caption, followUp);
            if (followUp == QStringLiteral("MAPI Error")) {
                QCOMPARE(second.text, QStringLiteral("Unable to send email message"));
                QCOMPARE(second.icon, PromptIcon::Error);
            } else {
                QVERIFY(second.text.contains(QString::fromLatin1(CZELVAppCore::kSupportWebSite)));
            }
        }
        QVERIFY(m_prompter->Unexpected().isEmpty());
    }

    void assistanceMailIsComposedForReview() {
        auto app = MakeApp();
        m_prompter->Answer(PromptYes);
        app->GetAssistance();
        QCOMPARE(m_rec.commands.size(), 1);
        const ZELVCommand& mail = m_rec.commands.first();
        QCOMPARE(mail.program, QStringLiteral("xdg-email"));
        const QStringList& args = mail.arguments;
        QCOMPARE(args.value(args.indexOf(QStringLiteral("--subject")) + 1),
                 QStringLiteral("Question relating to Kelmar Lite"));
        const QString body = args.value(args.indexOf(QStringLiteral("--body")) + 1);
        QVERIFY(body.startsWith(QStringLiteral(
            "Dear Support,\n\nI have a question relating to Kelmar Lite that I would like")));
        QVERIFY2(body.contains(
                     QStringLiteral("<DETAILS>Kelmar Lite built on Aug 14 2018 and running on (")),
                 qPrintable(body));
        QCOMPARE(args.last(), QString::fromLatin1(CZELVAppCore::kSupportAddress));
    }

    void notificationSilencedByConfiguredFilter() {
        auto app = MakeApp();
        const auto show = [&](const char* title) {
            return app->ShowNotification(nullptr, QString::fromLatin1(title),
                                         QStringLiteral("Error scanned barcode ACME.LTO4.000123."),
                                         QStringLiteral("Item is not in the list."), 356, 350, 351,
                                         10000, 0);
        };
        // No configuration yet: nothing is silenced.
        QVERIFY(show("Scan Error"));
        QVERIFY(app->LoadConfig(WriteFile(
            QStringLiteral("filters.cfg"),
            "notifications = { filters = ( { disable = true; title = \"Scan*\"; },\n"
            "                              { disable = false; title = \"Bypass*\"; } ); };\n")));
        const int open = app->Popups().OpenPopups().size();
        QVERIFY(!show("Scan Error"));
        QCOMPARE(app->Popups().OpenPopups().size(), open);
        QVERIFY(show("Bypassing Log Selection"));
        QCOMPARE(app->Popups().OpenPopups().size(), open + 1);
        QCOMPARE(app->Popups().OpenPopups().last()->Notification().title,
                 QStringLiteral("Bypassing Log Selection"));
    }

    void aboutWindowCreatedAtStartUp() {
        auto app = MakeApp();
        QVERIFY(app->AboutWnd());
        QCOMPARE(app->AboutWnd()->findChild<QLabel*>(QStringLiteral("aboutTitle"))->text(),
                 QStringLiteral("About Kelmar Lite"));
        QVERIFY(!app->AboutWnd()->isVisible());
        app->ShowAbout();
        QVERIFY(app->AboutWnd()->isVisible());
        QCOMPARE(app->RunCount(), 1);
    }

    void crashHandlerInstalledAtStartUp() {
        struct sigaction before {};
        ::sigaction(SIGSEGV, nullptr, &before);
        auto app = MakeApp(true);
        struct sigaction after {};
        ::sigaction(SIGSEGV, nullptr, &after);
        QVERIFY(after.sa_flags & SA_SIGINFO);
        QVERIFY(after.sa_sigaction != before.sa_sigaction);
        ::sigaction(SIGSEGV, &before, nullptr);
    }
};

QTEST_MAIN(ZELVWinAppTest)
#include "ZELVWinAppTest.moc"
