// The "Run Command" window on real processes: output as it arrives with the
// filtered lines left out, the exit code, commands that cannot start, and
// cancels that leave no process behind.
#include "ZELVCmdWindow.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/types.h>

namespace {

bool Alive(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

} // namespace

class CmdWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsWordsWithoutAShell_data();
    void splitsWordsWithoutAShell();
    void outputFiltersAndExitCode_data();
    void outputFiltersAndExitCode();
    void cancelEndsTheWholeGroup_data();
    void cancelEndsTheWholeGroup();

private:
    QTemporaryDir m_dir;
    QString Script(const QString& name, const QByteArray& body) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write("#!/bin/sh\n" + body);
            f.close();
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return path;
    }
};

void CmdWindowTest::splitsWordsWithoutAShell_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("shell");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("plain") << "report.sh --site A" << false
                           << QStringList{"report.sh", "--site", "A"};
    QTest::newRow("quoted words stay together")
        << "report.sh \"Site B\" 'x y'" << false << QStringList{"report.sh", "Site B", "x y"};
    QTest::newRow("shell syntax is only text")
        << "echo a; rm -rf /tmp/x | cat" << false
        << QStringList{"echo", "a;", "rm", "-rf", "/tmp/x", "|", "cat"};
    QTest::newRow("asked for a shell")
        << "echo a | cat" << true << QStringList{"/bin/sh", "-c", "echo a | cat"};
    QTest::newRow("escapes and empty quotes")
        << "a\\ b \"c\\\"d\" ''" << false << QStringList{"a b", "c\"d", ""};
    QTest::newRow("empty") << "   " << false << QStringList{""};
}

void CmdWindowTest::splitsWordsWithoutAShell() {
    QFETCH(QString, line);
    QFETCH(bool, shell);
    QFETCH(QStringList, words);
    const ZELVProgram p = CZELVCmdWindow::CommandProgram(line, shell);
    QCOMPARE(QStringList{p.program} + p.arguments, words);
}

void CmdWindowTest::outputFiltersAndExitCode_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("asked");
    QTest::newRow("both streams, a filter, exit 2")
        << QByteArray("echo one\necho 'ERROR two'\necho three >&2\nprintf last\nexit 2\n")
        << QStringList{"ERROR*"} << QStringList{"one", "three", "last"} << 2 << true;
    QTest::newRow("an empty pattern hides everything")
        << QByteArray("echo one\necho two\n") << QStringList{""} << QStringList{} << 0 << true;
    const QString longLine(5000, QLatin1Char('x'));
    QTest::newRow("a line longer than one read is one line")
        << QByteArray("head -c 5000 /dev/zero | tr '\\0' x; sleep 0.2; echo y\n") << QStringList{}
        << QStringList{longLine + "y"} << 0 << true;
    QTest::newRow("a command that does not exist")
        << QByteArray() << QStringList{} << QStringList{"*could not be started*"} << -1 << false;
}

void CmdWindowTest::outputFiltersAndExitCode() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, filters);
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);
    QFETCH(bool, asked);
    ScriptedPrompter prompter;
    prompter.Answer(PromptNo); // keep the output on screen
    CZELVCmdWindow window(prompter);
    ZELVProgram program;
    program.program = script.isEmpty() ? m_dir.filePath(QStringLiteral("no-such-command"))
                                       : Script(QStringLiteral("out.sh"), script);
    window.SetProgram(program);
    window.SetFilters(filters);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.HasEnded(), 20000);
    QVERIFY(window.isVisible());
    if (lines.size() == 1 && lines[0].startsWith('*')) {
        QCOMPARE(window.Lines().size(), 1);
        QVERIFY2(window.Lines()[0].contains(QStringLiteral("could not be started")),
                 qPrintable(window.Lines()[0]));
    } else {
        QCOMPARE(window.Lines(), lines);
        QCOMPARE(window.List()->GetItemCount(), int(lines.size()));
    }
    QCOMPARE(window.ExitCode(), exitCode);
    QCOMPARE(prompter.Asked().size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(prompter.LastText(),
                 QStringLiteral("Your command has completed with return code %1.\n\nWould you "
                                "like to close the command output window?")
                     .arg(exitCode));
    window.reject(); // ended: closes without a question
    QVERIFY(!window.isVisible());
    QCOMPARE(prompter.Asked().size(), asked ? 1 : 0);
}

void CmdWindowTest::cancelEndsTheWholeGroup_data() {
    QTest::addColumn<bool>("ignoresTerm");
    QTest::newRow("a command that ends on SIGTERM") << false;
    QTest::newRow("a command that ignores SIGTERM") << true;
}

void CmdWindowTest::cancelEndsTheWholeGroup() {
    QFETCH(bool, ignoresTerm);
    const QString pids = m_dir.filePath(QStringLiteral("pids"));
    QFile::remove(pids);
    // A child that outlives its parent's end, and a parent that talks forever.
    const QByteArray body = QByteArray(ignoresTerm ? "trap '' TERM\n" : "") +
                            "sleep 300 &\necho $$ $! > '" + pids.toLocal8Bit() +
                            "'\necho started\nwhile :; do echo tick; sleep 0.05; done\n";
    ScriptedPrompter prompter;
    CZELVCmdWindow window(prompter);
    ZELVProgram program;
    program.program = Script(QStringLiteral("forever.sh"), body);
    window.SetProgram(program);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.Lines().contains(QStringLiteral("started")), 20000);
    QFile f(pids);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> ids = f.readAll().trimmed().split(' ');
    QCOMPARE(ids.size(), 2);
    const qint64 parent = ids[0].toLongLong();
    const qint64 child = ids[1].toLongLong();
    QVERIFY(Alive(parent) && Alive(child));

    // No: it goes on and output still arrives.
    prompter.Answer(PromptNo);
    window.reject();
    QVERIFY(window.isVisible() && window.IsRunning());
    const qsizetype before = window.Lines().size();
    QTRY_VERIFY_WITH_TIMEOUT(window.Lines().size() > before, 10000);

    // Yes: the command and its child end, and no completion question follows.
    prompter.Answer(PromptYes);
    window.reject();
    QVERIFY(!window.isVisible());
    QVERIFY(window.WasCancelled());
    QTRY_VERIFY_WITH_TIMEOUT(!Alive(parent) && !Alive(child), 10000);
    QCOMPARE(prompter.Asked().size(), 2);
    QCOMPARE(prompter.Asked().last().request.caption, QStringLiteral("Command incomplete"));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CmdWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CmdWindowTest.moc"
