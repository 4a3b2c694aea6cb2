#pragma once

#include "ZELVFilterMatcher.h"
#include "ZELVLauncher.h"
#include "ZELVListModel.h"

#include <QDialog>
#include <QProcess>
#include <QStringList>
#include <memory>
#include <vector>

class CZELVListCtrl;
class Prompter;
class QDialogButtonBox;
class QTimer;

// "Run Command": runs a configured command, shows what it writes to standard
// output and standard error as the lines arrive (lines matching the entry's
// filters left out), lets the operator cancel it and reports its exit code.
// The command runs in a process group of its own, so that a cancel ends
// whatever it started too.
class CZELVCmdWindow : public QDialog {
    Q_OBJECT
public:
    // Lines kept; past this the oldest go, so a command that never stops
    // talking does not fill the memory.
    static constexpr int kMaxLines = 100000;
    // A line longer than this without a newline is shown in pieces.
    static constexpr qsizetype kMaxLineBytes = 1 << 20;
    // How long a cancelled command has to end after SIGTERM before SIGKILL.
    static constexpr int kGraceMs = 2000;

    explicit CZELVCmdWindow(Prompter& prompter, QWidget* parent = nullptr);
    ~CZELVCmdWindow() override;

    // The program and what to hide; set before the window is shown.
    void SetProgram(const ZELVProgram& program) { m_program = program; }
    void SetFilters(const QStringList& filters);
    // Starts the command (showing the window does).
    void Start();

    // A configured command line as a program with arguments: split as a
    // shell splits words (quotes kept together, nothing expanded), or handed
    // to /bin/sh -c when the entry asks for a shell.
    static ZELVProgram CommandProgram(const QString& commandLine, bool shell);

    const QStringList& Lines() const { return m_lines; }
    bool IsRunning() const { return m_process && m_process->state() != QProcess::NotRunning; }
    bool HasEnded() const { return m_ended; }
    bool WasCancelled() const { return m_cancelled; }
    int ExitCode() const { return m_exitCode; }
    CZELVListCtrl* List() const { return m_list; }

    // Cancel, Escape and the close box: a running command is cancelled
    // only when the operator says so.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(const QStringList& lines) : m_lines(lines) {}
        int RowCount() const override { return int(m_lines.size()); }
        QString Text(int row, int) const override { return m_lines.value(row); }

    private:
        const QStringList& m_lines;
    };

    void OnOutput();
    void OnFinished(int exitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);
    void AddLine(const QByteArray& bytes);
    void ShowLines();
    void Ended();
    // SIGTERM to the group, SIGKILL after the grace time to what is left.
    void StopGroup();

    Prompter& m_prompter;
    ZELVProgram m_program;
    std::vector<CZELVFilterMatcher> m_filters;
    bool m_matchAll = false; // an empty pattern hides every line
    QProcess* m_process = nullptr;
    qint64 m_group = 0;
    QByteArray m_partial;
    QStringList m_lines;
    Rows m_rows{m_lines};
    CZELVListCtrl* m_list = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QTimer* m_repaint = nullptr;
    bool m_started = false;
    bool m_ended = false;
    bool m_cancelled = false;
    int m_exitCode = -1;
};
