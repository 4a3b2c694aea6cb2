#include "TransactionLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// 14 August 2018, 09:30:05 local time.
time_t At(int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = 2018 - 1900;
    t.tm_mon = 7;
    t.tm_mday = 14;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// The file's entries without their CR LF; fails the test on a bare LF.
QList<QByteArray> Lines(const QString& path) {
    QByteArray all = ReadAll(path);
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < all.size()) {
        const qsizetype end = all.indexOf("\r\n", start);
        if (end < 0) {
            ADD_FAILURE() << "unterminated last line";
            break;
        }
        const QByteArray line = all.mid(start, end - start);
        EXPECT_FALSE(line.contains('\n')) << line.constData();
        EXPECT_FALSE(line.contains('\r')) << line.constData();
        lines.append(line);
        start = end + 2;
    }
    return lines;
}

// Text of an entry (column 17 onward).
QByteArray Text(const QByteArray& line) {
    return line.mid(16);
}

class TransactionLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_logs.isValid());
        ASSERT_TRUE(m_prefix.isValid());
        m_clock.Set(At(9, 30, 5));
    }
    QString LogFolder() const { return m_logs.path(); }
    void WritePrefix(const QByteArray& content) {
        QFile f(QDir(m_prefix.path()).filePath(QStringLiteral("LogPrefix.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    std::unique_ptr<TransactionLog> MakeLog() {
        return std::make_unique<TransactionLog>(QStringLiteral("Aug 14 2018"), m_clock,
                                                m_prefix.path());
    }

    QTemporaryDir m_logs;
    QTemporaryDir m_prefix;
    ZELVFixedClock m_clock;
};

TEST_F(TransactionLogTest, FileNameCarriesProgramAndLocalTimeOfOpening) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    const QString expected = LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05.log");
    EXPECT_EQ(log->Path(), expected);
    EXPECT_TRUE(QFile::exists(expected));

    // A folder given with its trailing separator names the same file.
    m_clock.Advance(1);
    ASSERT_TRUE(log->Open(LogFolder() + QLatin1Char('/'), QStringLiteral("ZELVDesk"),
                          QStringLiteral("Startup")));
    EXPECT_EQ(log->Path(), LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-06.log"));
}

TEST_F(TransactionLogTest, FileIsWrittenByteForByte) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    const QString path = log->Path();
    m_clock.Set(At(9, 31, 10));
    log->Write("Scan-In: Scanning Volume: %s - %s", "ACME.LTO4.000123", "Confirmed");
    log->Write("Login: Current User(%.*s) %s", 4, "operator", "OK");
    m_clock.Set(At(13, 0, 0));
    log->Close();

    const QByteArray expected = "000001-09:30:05 Startup: Kelmar Log File Format 1.0\r\n"
                                "000002-09:30:05 Startup: File(" +
                                path.toUtf8() +
                                ")\r\n"
                                "000003-09:30:05 Startup: Calling Program Compiled(Aug 14 2018)\r\n"
                                "000004-09:31:10 Scan-In: Scanning Volume: ACME.LTO4.000123 - "
                                "Confirmed\r\n"
                                "000005-09:31:10 Login: Current User(oper) OK\r\n"
                                "000006-13:00:00 <<<<<<<<< END OF FILE >>>>>>>>>\r\n";
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_FALSE(log->IsOpen());
}

TEST_F(TransactionLogTest, PrefixFileLinesBecomeEntriesWithoutPercentAndLineEnds) {
    const QByteArray longLine(300, 'x');
    const QByteArray exact(256, 'y');
    WritePrefix("Site: North%Vault\r\n"
                "100%% checked\n"
                "\r\n" +
                longLine + "\r\n" + exact + "\nlast line without end");
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->Close();

    const QList<QByteArray> lines = Lines(log->Path());
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(Text(lines[2]), "Startup: Calling Program Compiled(Aug 14 2018)");
    EXPECT_EQ(lines[3], "000004-09:30:05 Site: NorthVault");
    EXPECT_EQ(Text(lines[4]), "100 checked");
    EXPECT_EQ(lines[5], "000006-09:30:05 ");
    // At most 256 characters per read: a longer line goes on in the next entry.
    EXPECT_EQ(Text(lines[6]), longLine.left(256));
    EXPECT_EQ(Text(lines[7]), longLine.mid(256));
    // A line of exactly one read leaves no empty entry behind for its terminator.
    EXPECT_EQ(Text(lines[8]), exact);
    EXPECT_EQ(Text(lines[9]), "last line without end");
    EXPECT_EQ(Text(lines[10]), TransactionLog::kEndOfFile);
}

TEST_F(TransactionLogTest, NoPrefixFileMeansThreeHeaderEntries) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVRenew"), QStringLiteral("Upgrade")));
    log->Close();
    const QList<QByteArray> lines = Lines(log->Path());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(Text(lines[0]), "Upgrade: Kelmar Log File Format 1.0");
    EXPECT_EQ(Text(lines[1]), "Upgrade: File(" + log->Path().toUtf8() + ")");
    EXPECT_EQ(Text(lines[3]), TransactionLog::kEndOfFile);
}

TEST_F(TransactionLogTest, SequenceContinuesAcrossFilesAndClosedWritesAreDropped) {
    auto log = MakeLog();
    log->Write("before any open");
    EXPECT_EQ(log->Sequence(), 0);

    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->Write("first task");
    const QString first = log->Path();
    log->Close();
    EXPECT_EQ(log->Sequence(), 5);
    log->Write("between tasks");
    log->WriteText(QStringLiteral("also between tasks"));
    EXPECT_EQ(log->Sequence(), 5);

    m_clock.Advance(60);
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->Write("second task");
    log->Close();

    const QList<QByteArray> a = Lines(first);
    const QList<QByteArray> b = Lines(log->Path());
    ASSERT_EQ(a.size(), 5);
    ASSERT_EQ(b.size(), 5);
    EXPECT_EQ(a.first().left(7), "000001-");
    EXPECT_EQ(b.first().left(7), "000006-");
    EXPECT_EQ(Text(b[3]), "second task");
    EXPECT_EQ(b[4].left(7), "000010-");
    EXPECT_FALSE(ReadAll(first).contains("between tasks"));
    EXPECT_FALSE(ReadAll(log->Path()).contains("between tasks"));
}

TEST_F(TransactionLogTest, OpenClosesThePreviousFileWithItsLastEntry) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    const QString first = log->Path();
    m_clock.Advance(1);
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    ASSERT_NE(log->Path(), first);
    const QList<QByteArray> a = Lines(first);
    ASSERT_EQ(a.size(), 4);
    EXPECT_EQ(Text(a[3]), TransactionLog::kEndOfFile);
}

TEST_F(TransactionLogTest, EntryIsOnDiskBeforeClose) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->Write("Scan-Out: Scanning Volume: %s - %s", "ACME.LTO4.000777", "Sent");
    // Read through a separate handle while the log is still open.
    const QList<QByteArray> lines = Lines(log->Path());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(Text(lines[3]), "Scan-Out: Scanning Volume: ACME.LTO4.000777 - Sent");
    EXPECT_TRUE(log->IsOpen());
}

TEST_F(TransactionLogTest, LineBreaksInsideAnEntryCannotForgeEntries) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->Write("Scan-In: %s", "VOL1\r\n000099-09:30:05 Update complete: OK(1) NotOK(0)");
    log->WriteText(QStringLiteral("a\nb"));
    log->Close();
    const QList<QByteArray> lines = Lines(log->Path());
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(Text(lines[3]), "Scan-In: VOL1  000099-09:30:05 Update complete: OK(1) NotOK(0)");
    EXPECT_EQ(Text(lines[4]), "a b");
}

TEST_F(TransactionLogTest, WriteTextTakesPercentSignsLiterally) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    log->WriteText(QStringLiteral("100% done %s %d"));
    const QList<QByteArray> lines = Lines(log->Path());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(Text(lines[3]), "100% done %s %d");
}

TEST_F(TransactionLogTest, ExistingLogOfTheSameSecondIsKept) {
    const QString path = LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'z'));
    }
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    EXPECT_EQ(log->Path(), LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05-2.log"));
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    EXPECT_EQ(log->Path(), LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05-3.log"));
    log->Close();
    EXPECT_EQ(ReadAll(path), QByteArray(10000, 'z'));
    EXPECT_EQ(Lines(LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05-2.log")).size(), 4);
    EXPECT_EQ(Lines(LogFolder() + QStringLiteral("/ZELVDesk 2018-08-14-09-30-05-3.log")).size(), 4);
}

TEST_F(TransactionLogTest, DestructorWritesTheLastEntry) {
    QString path;
    {
        auto log = MakeLog();
        ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
        path = log->Path();
    }
    const QList<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(Text(lines[3]), TransactionLog::kEndOfFile);
}

TEST_F(TransactionLogTest, OpenInMissingFolderFailsAndStaysClosed) {
    auto log = MakeLog();
    const QString missing = LogFolder() + QStringLiteral("/no/such/folder");
    EXPECT_FALSE(log->Open(missing, QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    EXPECT_FALSE(log->IsOpen());
    EXPECT_TRUE(log->Path().isEmpty());
    log->Write("dropped");
    EXPECT_EQ(log->Sequence(), 0);
    EXPECT_FALSE(QDir(missing).exists());
}

TEST_F(TransactionLogTest, FailedOpenKeepsTheLastPathAndClosesTheOldFile) {
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    const QString first = log->Path();
    EXPECT_FALSE(log->Open(LogFolder() + QStringLiteral("/missing"), QStringLiteral("ZELVDesk"),
                           QStringLiteral("Startup")));
    EXPECT_FALSE(log->IsOpen());
    EXPECT_EQ(log->Path(), first);
    EXPECT_EQ(Text(Lines(first).last()), TransactionLog::kEndOfFile);
}

TEST_F(TransactionLogTest, FolderRemovedWhileOpenDoesNotStopTheProgram) {
    QTemporaryDir doomed;
    ASSERT_TRUE(doomed.isValid());
    auto log = MakeLog();
    ASSERT_TRUE(log->Open(doomed.path(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    ASSERT_TRUE(QDir(doomed.path()).removeRecursively());
    log->Write("Scan-In: %s", "after the folder went away");
    log->Flush();
    log->Close();
    EXPECT_EQ(log->Sequence(), 5);
    EXPECT_FALSE(log->IsOpen());
    // The next task can still open a log elsewhere.
    EXPECT_TRUE(log->Open(LogFolder(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
    EXPECT_EQ(Lines(log->Path()).first().left(7), "000006-");
}

} // namespace

// The chain beside each log: the log as written verifies; every kind of later
// edit of the log alone is found at the entry where it starts.
TEST_F(TransactionLogTest, ChainFindsEveryEditOfTheLog) {
    struct Case {
        const char* name;
        std::function<void(QList<QByteArray>&)> edit; // on the log's lines (with CR LF)
        bool intact;
        int firstBad;
    };
    const Case cases[] = {
        {"as written", [](QList<QByteArray>&) {}, true, 0},
        {"one character changed", [](QList<QByteArray>& l) { l[4].replace("A000002", "A000009"); },
         false, 5},
        {"an entry removed", [](QList<QByteArray>& l) { l.removeAt(5); }, false, 6},
        {"two entries swapped", [](QList<QByteArray>& l) { l.swapItemsAt(4, 5); }, false, 5},
        {"an entry inserted", [](QList<QByteArray>& l) { l.insert(3, l[3]); }, false, 5},
        {"the last entries cut",
         [](QList<QByteArray>& l) {
             l.removeLast();
             l.removeLast();
         },
         false, 7},
        {"an entry added at the end", [](QList<QByteArray>& l) { l.append(l[4]); }, false, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        auto log = MakeLog();
        ASSERT_TRUE(
            log->Open(folder.path(), QStringLiteral("ZELVDesk"), QStringLiteral("Startup")));
        log->Write("Scan-In: Confirming Volume: %s - OK", "ACME.LTO6.A000001");
        log->Write("Scan-In: Confirming Volume: %s - OK", "ACME.LTO6.A000002");
        log->Write("Scan-In: Confirming Volume: %s - OK", "ACME.LTO6.A000003");
        log->Write("Update complete: OK(3) NotOK(0)");
        log->Close();
        const QString path = log->Path();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines;
        const QByteArray bytes = file.readAll();
        file.close();
        for (qsizetype from = 0, end; (end = bytes.indexOf("\r\n", from)) >= 0; from = end + 2)
            lines.append(bytes.mid(from, end + 2 - from));
        ASSERT_EQ(lines.size(), 8);
        c.edit(lines);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join());
        file.close();

        const TransactionLog::ChainCheck check = TransactionLog::VerifyChain(path);
        EXPECT_EQ(check.intact, c.intact) << check.message.toStdString();
        EXPECT_EQ(check.firstBad, c.firstBad) << check.message.toStdString();
        if (c.intact) {
            EXPECT_EQ(check.message, QStringLiteral("8 entries, chain intact, closed properly"));
        }
    }
    // A log without its chain cannot be checked, and says so.
    const TransactionLog::ChainCheck none =
        TransactionLog::VerifyChain(QDir(LogFolder()).filePath(QStringLiteral("missing.log")));
    EXPECT_FALSE(none.intact);
    EXPECT_TRUE(none.message.startsWith(QStringLiteral("cannot read")))
        << none.message.toStdString();
}
