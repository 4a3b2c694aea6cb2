#include "LoopbackHttpServer.h"
#include "RSSListCtrl.h"
#include "ZELVPrompter.h"
#include "ZELVPropertyGridCtrl.h"
#include "ZELVRenewApp.h"
#include "ZELVRenewDlg.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

struct RecordingInstaller : IZELVPackageInstaller {
    int code = 0;
    QList<QStringList> options;
    int Install(const QString&, const QStringList& opts, QString*) override {
        options << opts;
        return code;
    }
};

const QByteArray kFeed =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Changes</title>"
    "<item><title>Enhancement: Recall lists sort by move date</title>"
    "<description>&lt;p&gt;The Move Date column sorts by the day.&lt;/p&gt;</description>"
    "<pubDate>Mon, 20 Aug 2018 09:30:00 GMT</pubDate></item>"
    "<item><title>error texts name the Volume</title><description>Scan-In errors.</description>"
    "<pubDate>Fri, 17 Aug 2018 12:00:00 GMT</pubDate></item>"
    "<item><title>Fix: popup stacking</title><description>No overlap.</description>"
    "<pubDate>not a date</pubDate></item>"
    "</channel></rss>";

} // namespace

class RenewDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ZELVFixedClock m_clock{QDateTime(QDate(2018, 9, 3), QTime(12, 0), Qt::UTC).toSecsSinceEpoch()};

    void Machine(const QMap<QString, QString>& values) {
        QFile::remove(m_dir.filePath(QStringLiteral("machine.ini")));
        QSettings machine(m_dir.filePath(QStringLiteral("machine.ini")), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            machine.setValue(it.key(), it.value());
    }
    ZELVWinAppSetup BaseSetup(ScriptedPrompter** prompter) {
        ZELVWinAppSetup base;
        base.core.profileFile = m_dir.filePath(QStringLiteral("profile.ini"));
        base.core.machineFile = m_dir.filePath(QStringLiteral("machine.ini"));
        base.core.changeToProgramFolder = false;
        base.core.installCrashHandler = false;
        base.core.clock = &m_clock;
        auto p = std::make_unique<ScriptedPrompter>();
        *prompter = p.get();
        base.prompter = std::move(p);
        return base;
    }
    static QString Value(CZELVPropertyGridCtrl* grid, const QString& name) {
        CZELVPropertyGridProperty* p = grid->FindProperty(name);
        return p ? p->FormatValue() : QStringLiteral("<missing>");
    }

private Q_SLOTS:
    // The dialog as started by ZELVDesk: what is upgraded, the change list
    // from the loopback feed, and OK with each kind of failure and success.
    void DialogShowsTheFeedAndInstalls() {
        LoopbackHttpServer server;
        LoopbackHttpServer::Route feed;
        feed.body = kFeed;
        server.Set(QStringLiteral("/changelog.cgi"), feed);
        const QByteArray package(5000, 'p');
        LoopbackHttpServer::Route deb;
        deb.body = package;
        server.Set(QStringLiteral("/kelmar-lite_1.1.0_amd64.deb"), deb);
        LoopbackHttpServer::Route sum;
        sum.body = QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex() + "\n";
        server.Set(QStringLiteral("/kelmar-lite_1.1.0_amd64.deb.sha256"), sum);
        Machine({{QStringLiteral("DisableUpdateCheck"), QStringLiteral("1")},
                 {QStringLiteral("ChangeLogPage"), server.Url(QStringLiteral("/changelog.cgi"))}});

        ScriptedPrompter* prompter = nullptr;
        ZELVRenewAppSetup setup;
        setup.base = BaseSetup(&prompter);
        auto installer = std::make_unique<RecordingInstaller>();
        RecordingInstaller* rec = installer.get();
        rec->code = 3;
        setup.installer = std::move(installer);
        setup.downloadFolder = m_dir.filePath(QStringLiteral("cache"));
        CZELVRenewApp app(std::move(setup));
        const QString url = server.Url(QStringLiteral("/kelmar-lite_1.1.0_amd64.deb"));
        CZELVRenewDlg* dlg = app.Start({QStringLiteral("ZELVDesk"), QStringLiteral("Aug 14 2018"),
                                        url, QStringLiteral("extra")});
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Kelmar Upgrade Utility"));
        QCOMPARE(app.ProgramName(), QStringLiteral("Kelmar Upgrade Utility"));

        // The grid, in order.
        CZELVPropertyGridCtrl* grid = dlg->Grid();
        QStringList names;
        for (int i = 0; i < grid->GetPropertyCount(); ++i) {
            CZELVPropertyGridProperty* p = grid->GetProperty(i);
            names << p->GetName();
            for (int j = 0; j < p->GetSubItemsCount(); ++j)
                names << p->GetSubItem(j)->GetName();
        }
        QCOMPARE(names, QStringList({"URL", "Module", "Old Version", "Built", "Age",
                                     "Install Options", "MSI Properties"}));
        QCOMPARE(Value(grid, QStringLiteral("URL")), url);
        QCOMPARE(grid->FindProperty(QStringLiteral("URL"))->GetDescription(),
                 QStringLiteral("Download URL"));
        QCOMPARE(Value(grid, QStringLiteral("Module")), QStringLiteral("ZELVDesk"));
        QCOMPARE(Value(grid, QStringLiteral("Built")), QStringLiteral("Tuesday, August 14, 2018"));
        QCOMPARE(Value(grid, QStringLiteral("Age")), QStringLiteral("20 days ago"));
        QCOMPARE(Value(grid, QStringLiteral("MSI Properties")), QString());

        // The change list, in feed order, for the module named.
        QVERIFY(
            server.Requests().value(0).startsWith("GET /changelog.cgi?Module=ZELVDesk HTTP/1.1"));
        CRSSListCtrl* list = dlg->ChangeList();
        QCOMPARE(list->GetItemCount(), 3);
        const QStringList expected[] = {
            {"Enhancement", "2018-08-20", "The Move Date column sorts by the day."},
            {"Fix", "2018-08-17", "Scan-In errors."},
            {"Fix", "Invalid DateTime", "No overlap."}};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                QCOMPARE(list->GetItemText(row, column), expected[row].at(column));
        QVERIFY(dlg->FeedStatus().isEmpty());
        QStringList entries;
        for (const QMenu* menu : dlg->findChildren<QMenu*>())
            for (const QAction* action : menu->actions())
                entries << action->text();
        QVERIFY2(entries.contains(QStringLiteral("LIST")) &&
                     entries.contains(QStringLiteral("&Export")),
                 qPrintable(entries.join(QLatin1Char(','))));

        // Installer failure: its code, the dialog stays with what was typed.
        dlg->show();
        prompter->Answer({PromptOk, PromptOk, PromptOk});
        grid->CommitValue(grid->FindProperty(QStringLiteral("MSI Properties")),
                          QStringLiteral("--allow-reinstall"));
        dlg->accept();
        QCOMPARE(prompter->LastText(), QStringLiteral("Windows Installer returned code: 3"));
        QCOMPARE(prompter->Asked().last().request.caption, QStringLiteral("Install Error"));
        QCOMPARE(prompter->Asked().last().request.icon, PromptIcon::Information);
        QVERIFY(dlg->isVisible());
        QCOMPARE(rec->options.last(), QStringList({QStringLiteral("--allow-reinstall")}));

        // An empty address: a clear message, the dialog stays.
        grid->CommitValue(grid->FindProperty(QStringLiteral("URL")), QString());
        dlg->accept();
        QVERIFY(prompter->LastText().contains(QStringLiteral("no download address")));
        QCOMPARE(prompter->Asked().last().request.icon, PromptIcon::Error);
        QVERIFY(dlg->isVisible());
        QCOMPARE(rec->options.size(), 1);

        // A package whose sum does not match is never installed.
        server.Set(QStringLiteral("/bad_1.0_amd64.deb"), deb);
        LoopbackHttpServer::Route wrong;
        wrong.body = QByteArray(64, 'a') + "\n";
        server.Set(QStringLiteral("/bad_1.0_amd64.deb.sha256"), wrong);
        grid->CommitValue(grid->FindProperty(QStringLiteral("URL")),
                          server.Url(QStringLiteral("/bad_1.0_amd64.deb")));
        dlg->accept();
        QVERIFY(prompter->LastText().contains(QStringLiteral("does not match")));
        QVERIFY(dlg->isVisible());
        QCOMPARE(rec->options.size(), 1);

        // Success closes the dialog.
        rec->code = 0;
        grid->CommitValue(grid->FindProperty(QStringLiteral("URL")), url);
        dlg->accept();
        QCOMPARE(rec->options.size(), 2);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QVERIFY(!dlg->isVisible());
        QVERIFY(prompter->Unexpected().isEmpty());
        QCOMPARE(prompter->Asked().size(), 3);
    }

    void UnreadableFeedLeavesTheListEmpty() {
        LoopbackHttpServer server;
        LoopbackHttpServer::Route broken;
        broken.body = "<rss><channel><item>";
        server.Set(QStringLiteral("/changelog.cgi"), broken);
        Machine({{QStringLiteral("DisableUpdateCheck"), QStringLiteral("1")},
                 {QStringLiteral("ChangeLogPage"), server.Url(QStringLiteral("/changelog.cgi"))}});
        ScriptedPrompter* prompter = nullptr;
        ZELVRenewAppSetup setup;
        setup.base = BaseSetup(&prompter);
        setup.installer = std::make_unique<RecordingInstaller>();
        CZELVRenewApp app(std::move(setup));
        CZELVRenewDlg* dlg = app.Start({QStringLiteral("ZELVDesk"), QStringLiteral("Aug 14 2018")});
        QCOMPARE(dlg->ChangeList()->GetItemCount(), 0);
        QVERIFY2(dlg->FeedStatus().contains(QStringLiteral("could not be read")),
                 qPrintable(dlg->FeedStatus()));
        QCOMPARE(Value(dlg->Grid(), QStringLiteral("URL")), QString());
        QCOMPARE(Value(dlg->Grid(), QStringLiteral("Age")), QStringLiteral("20 days ago"));
        QVERIFY(prompter->Asked().isEmpty());
    }

    // ZELVDesk's start-up: ZELVRenew is started when the host offers a
    // package and the feed has a newer build; not when current or off.
    void UpgradeCheckStartsRenew_data() {
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<bool>("offered");   // the host answers 302
        QTest::addColumn<QString>("newest"); // the feed's latest date
        QTest::addColumn<bool>("launched");
        QTest::addColumn<int>("requests");
        QTest::newRow("NewerBuildStartsRenew")
            << "0" << true << "Mon, 20 Aug 2018 09:00:00 GMT" << true << 2;
        QTest::newRow("SameDayIsCurrent")
            << "0" << true << "Tue, 14 Aug 2018 23:00:00 GMT" << false << 2;
        QTest::newRow("OlderFeedIsCurrent")
            << "" << true << "Wed, 01 Aug 2018 09:00:00 GMT" << false << 2;
        QTest::newRow("NoOfferNoFeedRead")
            << "0" << false << "Mon, 20 Aug 2018 09:00:00 GMT" << false << 1;
        QTest::newRow("SwitchedOffAsksNothing")
            << "1" << true << "Mon, 20 Aug 2018 09:00:00 GMT" << false << 0;
        QTest::newRow("UnreadableFeedStartsNothing") << "0" << true << "" << false << 2;
    }
    void UpgradeCheckStartsRenew() {
        QFETCH(QString, disabled);
        QFETCH(bool, offered);
        QFETCH(QString, newest);
        QFETCH(bool, launched);
        QFETCH(int, requests);

        LoopbackHttpServer server;
        const QString location = server.Url(QStringLiteral("/kelmar-lite_1.1.0_amd64.deb"));
        LoopbackHttpServer::Route version;
        if (offered) {
            version.status = 302;
            version.headers = "Location: " + location.toUtf8() + "\r\n";
        } else {
            version.body = "1.0.0";
        }
        server.Set(QStringLiteral("/version.cgi"), version);
        LoopbackHttpServer::Route feed;
        feed.body = newest.isEmpty() ? QByteArray("not xml")
                                     : "<rss><channel><item><title>Fix</title><pubDate>" +
                                           newest.toUtf8() + "</pubDate></item></channel></rss>";
        server.Set(QStringLiteral("/changelog.cgi"), feed);
        QMap<QString, QString> machine{{QStringLiteral("UpgradeHost"), server.Host()}};
        if (!disabled.isEmpty())
            machine[QStringLiteral("DisableUpdateCheck")] = disabled;
        Machine(machine);

        ScriptedPrompter* prompter = nullptr;
        ZELVWinAppSetup setup = BaseSetup(&prompter);
        QList<ZELVCommand> commands;
        setup.launcher = [&commands](const ZELVCommand& c) {
            commands << c;
            return true;
        };
        CZELVWinApp app(std::move(setup));
        app.InitBase(QStringLiteral("Kelmar Lite"), 0, QStringLiteral("Aug 14 2018"), {},
                     [](const QString&) { return QString(); });

        QCOMPARE(server.Requests().size(), requests);
        QCOMPARE(commands.size(), launched ? 1 : 0);
        if (requests == 2)
            QVERIFY(server.Requests().at(1).startsWith(QByteArray(
                "GET /changelog.cgi?Module=" + CZELVAppCore::ModuleName().toUtf8() + " ")));
        if (launched) {
            const QString module = QFileInfo(CZELVAppCore::ProgramFilePath()).completeBaseName();
            QCOMPARE(
                commands.first().program,
                QDir(CZELVAppCore::ProgramFolder()).absoluteFilePath(QStringLiteral("ZELVRenew")));
            QCOMPARE(commands.first().arguments,
                     QStringList({module, QStringLiteral("Aug 14 2018"), location}));
        }
    }
};

QTEST_MAIN(RenewDialogTest)
#include "RenewDialogTest.moc"
