#include "LoopbackHttpServer.h"
#include "ZELVAppCore.h"
#include "ZELVRSS.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
           "<title>Kelmar Lite changes</title><link>http://example.invalid/</link>" +
           items + "</channel></rss>";
}

QByteArray Item(const QByteArray& title, const QByteArray& description, const QByteArray& date) {
    return "<item><title>" + title + "</title><description>" + description +
           "</description><pubDate>" + date + "</pubDate><guid>x</guid></item>";
}

} // namespace

class RenewFeedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One row per feed shape: what the parser keeps, or why it refuses.
    void ParsesFeeds_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("title");       // of the first item
        QTest::addColumn<QString>("description"); // of the first item
        QTest::addColumn<QString>("date");        // of the first item, ISO or "invalid"
        QTest::addColumn<bool>("enhancement");
        QTest::addColumn<QString>("error"); // a part of the message

        QTest::newRow("RealShapedFeedInOrder")
            << Feed(Item("Enhancement: faster Scan-In", "Lists open in half the time.",
                         "Mon, 20 Aug 2018 09:30:00 GMT") +
                    Item("Fix: Recall date", "The required date kept its day.",
                         "Wed, 01 Aug 2018 16:00:00 +0200"))
            << true << 2 << "Enhancement: faster Scan-In"
            << "Lists open in half the time."
            << "2018-08-20" << true << "";
        QTest::newRow("LowerCaseEIsAFix")
            << Feed(Item("enhanced logging", "", "Tue, 14 Aug 2018 10:00:00 GMT")) << true << 1
            << "enhanced logging"
            << ""
            << "2018-08-14" << false << "";
        QTest::newRow("OnlyTheFirstChannelCounts")
            << QByteArray("<rss><channel>" + Item("Fix one", "a", "Tue, 14 Aug 2018 10:00:00 GMT") +
                          "</channel><channel>" + Item("Fix two", "b", "x") + Item("E3", "c", "x") +
                          "</channel></rss>")
            << true << 1 << "Fix one"
            << "a"
            << "2018-08-14" << false << "";
        QTest::newRow("EmptyChannelHasNoItems") << Feed("") << true << 0 << ""
                                                << ""
                                                << "" << false << "";
        QTest::newRow("EmptyTextIsRefused") << QByteArray() << false << 0 << ""
                                            << ""
                                            << "" << false << "could not be read";
        QTest::newRow("MalformedIsRefused")
            << QByteArray("<rss><channel><item><title>Fix</title></channel></rss>") << false << 0
            << ""
            << ""
            << "" << false << "could not be read";
        QTest::newRow("HtmlPageIsNoFeed")
            << QByteArray("<html><body><p>Moved</p></body></html>") << false << 0 << ""
            << ""
            << "" << false << "no rss channel";
        QTest::newRow("HtmlInDescriptionReadsAsText")
            << Feed(Item("Fix",
                         "&lt;p&gt;Fixed a &lt;b&gt;crash&lt;/b&gt; &amp;amp; a leak&lt;/p&gt;",
                         "Tue, 14 Aug 2018 10:00:00 GMT") +
                    "<item><title>E</title><description><![CDATA[<ul><li>One</li><li>Two</li></"
                    "ul>]]>"
                    "</description></item>")
            << true << 2 << "Fix"
            << "Fixed a crash & a leak"
            << "2018-08-14" << false << "";
        QTest::newRow("MissingChildrenGiveEmptyTexts")
            << Feed("<item><guid>1</guid></item>") << true << 1 << ""
            << ""
            << "invalid" << false << "";
        QTest::newRow("UnreadableDateIsInvalid")
            << Feed(Item("Fix", "d", "sometime soon")) << true << 1 << "Fix"
            << "d"
            << "invalid" << false << "";
        // Entity declarations are never expanded: the references stay as text.
        QTest::newRow("EntityExpansionIsNotDone")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
                          "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                          "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d "
                          "\"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><rss><channel><item><title>&d;&d;"
                          "</title><description>x</description></item></channel></rss>")
            << true << 1 << "&d;&d;"
            << "x"
            << "invalid" << false << "";
        QTest::newRow("ExternalEntityIsNotFetched")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM "
                          "\"file:///etc/passwd\">]><rss><channel><item><title>&x;</title>"
                          "</item></channel></rss>")
            << true << 1 << "&x;"
            << ""
            << "invalid" << false << "";
    }
    void ParsesFeeds() {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(int, count);
        QFETCH(QString, title);
        QFETCH(QString, description);
        QFETCH(QString, date);
        QFETCH(bool, enhancement);
        QFETCH(QString, error);

        CRSS feed;
        QString why;
        QCOMPARE(feed.Load(text, &why), ok);
        QCOMPARE(feed.Items().size(), count);
        if (!error.isEmpty())
            QVERIFY2(why.contains(error), qPrintable(why));
        else
            QVERIFY2(why.isEmpty(), qPrintable(why));
        if (count == 0)
            return;
        const CRSSItem& first = feed.Items().first();
        QCOMPARE(first.title, title);
        QCOMPARE(first.description, description);
        QCOMPARE(first.date.isValid() ? first.date.toString(Qt::ISODate)
                                      : QStringLiteral("invalid"),
                 date);
        QCOMPARE(first.enhancement, enhancement);
    }

    void TenThousandItemsKeepTheirOrder() {
        QByteArray items;
        for (int i = 0; i < 10000; ++i)
            items += Item((i % 2 ? "Fix " : "Enhancement ") + QByteArray::number(i), "change",
                          "Tue, 14 Aug 2018 10:00:00 GMT");
        items += Item("Fix last", "newest", "Fri, 02 Jan 2026 08:00:00 GMT");
        CRSS feed;
        QVERIFY(feed.Load(Feed(items)));
        QCOMPARE(feed.Items().size(), 10001);
        QCOMPARE(feed.Items().at(9999).title, QStringLiteral("Fix 9999"));
        QVERIFY(feed.Items().at(9998).enhancement);
        QCOMPARE(feed.Newest(), QDate(2026, 1, 2));
    }

    // The change log through the application base: address, size limit and
    // failures, each with a message and never a crash.
    void ReadsTheChangeLog_data() {
        QTest::addColumn<int>("mode"); // 0 feed, 1 missing, 2 100 MB body, 3 no server
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("error");
        QTest::newRow("FeedIsRead") << 0 << 2 << "";
        QTest::newRow("MissingPageGivesStatus") << 1 << 0 << "status 404";
        QTest::newRow("HundredMegabytesAreNotRead") << 2 << 0 << "larger than 16,777,216 bytes";
        QTest::newRow("NoServerIsReported") << 3 << 0 << "could not be read";
    }
    void ReadsTheChangeLog() {
        QFETCH(int, mode);
        QFETCH(int, count);
        QFETCH(QString, error);

        QTemporaryDir dir;
        LoopbackHttpServer server;
        LoopbackHttpServer::Route route;
        if (mode == 0)
            route.body = Feed(Item("Fix a", "b", "Tue, 14 Aug 2018 10:00:00 GMT") +
                              Item("Ehh", "c", "Tue, 14 Aug 2018 10:00:00 GMT"));
        if (mode == 2)
            route.streamBytes = 100LL * 1024 * 1024;
        if (mode != 1)
            server.Set(QStringLiteral("/feed.rss"), route);
        const QString page = server.Url(QStringLiteral("/feed.rss"));
        if (mode == 3)
            server.Stop();
        {
            QSettings machine(dir.filePath(QStringLiteral("machine.ini")), QSettings::IniFormat);
            machine.setValue(QStringLiteral("DisableUpdateCheck"), 1);
            machine.setValue(QStringLiteral("ChangeLogPage"),
                             mode == 3 ? QStringLiteral("http://127.0.0.1:1/feed.rss") : page);
        }
        ZELVAppCoreSetup setup;
        setup.profileFile = dir.filePath(QStringLiteral("profile.ini"));
        setup.machineFile = dir.filePath(QStringLiteral("machine.ini"));
        setup.changeToProgramFolder = false;
        setup.installCrashHandler = false;
        CZELVAppCore app(setup);
        app.InitBase(QStringLiteral("Kelmar Lite"), QStringLiteral("Aug 14 2018"), {},
                     [](const QString&) { return QString(); });

        CRSS feed;
        QString why;
        QCOMPARE(app.ReadChangeLog(QStringLiteral("ZELV Desk&1"), &feed, &why), count > 0);
        QCOMPARE(feed.Items().size(), count);
        if (error.isEmpty())
            QVERIFY2(why.isEmpty(), qPrintable(why));
        else
            QVERIFY2(why.contains(error), qPrintable(why));
        if (mode == 0) {
            const QByteArray request = server.Requests().value(0);
            QVERIFY2(request.startsWith("GET /feed.rss?Module=ZELV%20Desk%261 HTTP/1.1\r\n"),
                     request.constData());
            QVERIFY(request.toLower().contains("cache-control: no-cache"));
        }
    }
};

QTEST_GUILESS_MAIN(RenewFeedTest)
#include "RenewFeedTest.moc"
