#include "ZELVLauncher.h"

#include "ZELVCmdWindow.h"

#include <QDesktopServices>
#include <QProcess>
#include <QProcessEnvironment>
#include <QUrl>

bool ZELVQtLauncher::RunAndWait(const ZELVProgram& program, int* exitCode) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : program.environment) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq > 0)
            env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(env);
    // The program talks to the operator itself; its output goes where ours goes.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(program.program, program.arguments);
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

bool ZELVQtLauncher::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void ZELVQtLauncher::RunInWindow(const ZELVProgram& program, const QStringList& filters,
                                 Prompter& prompter, QWidget* parent) {
    CZELVCmdWindow window(prompter, parent);
    window.SetProgram(program);
    window.SetFilters(filters);
    window.exec();
}
