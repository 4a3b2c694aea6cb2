#pragma once

#include <QString>
#include <QStringList>

class Prompter;
class QUrl;
class QWidget;

// An outside program with its arguments and the environment entries
// ("NAME=value") it gets on top of ours.
struct ZELVProgram {
    QString program;
    QStringList arguments;
    QStringList environment;
};

// Starts outside programs and opens documents. The task menu goes through
// this so that tests can record what would be started instead of starting it.
class IZELVLauncher {
public:
    virtual ~IZELVLauncher() = default;
    // Runs the program and waits until it ends. False when it could not be
    // started; *exitCode gets its exit code otherwise.
    virtual bool RunAndWait(const ZELVProgram& program, int* exitCode = nullptr) = 0;
    // Opens a document or address with the desktop's program for it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Runs a configured command in the "Run Command" window, modal to
    // parent, its output shown without the lines matching filters.
    virtual void RunInWindow(const ZELVProgram& program, const QStringList& filters,
                             Prompter& prompter, QWidget* parent) = 0;
};

// The program's launcher: QProcess and QDesktopServices.
class ZELVQtLauncher : public IZELVLauncher {
public:
    bool RunAndWait(const ZELVProgram& program, int* exitCode = nullptr) override;
    bool OpenUrl(const QUrl& url) override;
    void RunInWindow(const ZELVProgram& program, const QStringList& filters, Prompter& prompter,
                     QWidget* parent) override;
};
