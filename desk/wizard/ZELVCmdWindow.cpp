#include "ZELVCmdWindow.h"

#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int kRepaintMs = 50;
constexpr unsigned kFilterFlags = 0x20; // extended patterns, as the list filters

// Words as a shell splits them: blanks separate, '...' keeps everything,
// "..." keeps everything but a backslash before " or \, and a backslash
// elsewhere keeps the next character. Nothing is expanded.
QStringList SplitWords(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quote == QLatin1Char('\'')) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote)
                quote = QChar();
            else if (c == QLatin1Char('\\') && i + 1 < line.size() &&
                     (line[i + 1] == QLatin1Char('"') || line[i + 1] == QLatin1Char('\\')))
                word += line[++i];
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
                quote = c;
            else if (c == QLatin1Char('\\') && i + 1 < line.size())
                word += line[++i];
            else
                word += c;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

} // namespace

CZELVCmdWindow::CZELVCmdWindow(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Run Command"));
    setObjectName(QStringLiteral("cmdWindow"));
    resize(720, 420);

    m_list = new CZELVListCtrl(this);
    m_list->setObjectName(QStringLiteral("cmdOutput"));
    m_list->InsertColumn(0, QStringLiteral("Output"), 100, Qt::AlignLeft);
    m_list->SetRows(&m_rows);
    m_list->SetSortOnClick(false);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    m_list->Table()->setFont(font);
    QPalette palette = m_list->Table()->palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, Qt::white);
    m_list->Table()->setPalette(palette);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // OK once the output has ended; Cancel asks while the command runs.
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CZELVCmdWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_buttons);

    // Lines arrive faster than anyone reads them: the list is redrawn at
    // most every 50 ms, so the window stays responsive.
    m_repaint = new QTimer(this);
    m_repaint->setSingleShot(true);
    m_repaint->setInterval(kRepaintMs);
    connect(m_repaint, &QTimer::timeout, this, &CZELVCmdWindow::ShowLines);
}

CZELVCmdWindow::~CZELVCmdWindow() {
    m_list->SetRows(nullptr);
    if (IsRunning()) {
        m_process->disconnect(this);
        StopGroup();
    }
}

void CZELVCmdWindow::SetFilters(const QStringList& filters) {
    m_filters.clear();
    m_matchAll = false;
    for (const QString& pattern : filters) {
        if (pattern.isEmpty())
            m_matchAll = true;
        else
            m_filters.emplace_back(pattern, kFilterFlags);
    }
}

ZELVProgram CZELVCmdWindow::CommandProgram(const QString& commandLine, bool shell) {
    ZELVProgram program;
    if (shell) {
        program.program = QStringLiteral("/bin/sh");
        program.arguments = {QStringLiteral("-c"), commandLine};
        return program;
    }
    QStringList words = SplitWords(commandLine);
    if (!words.isEmpty())
        program.program = words.takeFirst();
    program.arguments = words;
    return program;
}

void CZELVCmdWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_list->SizeColumnToHeader(0);
    if (!m_started)
        QTimer::singleShot(0, this, &CZELVCmdWindow::Start);
}

void CZELVCmdWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_list->SizeColumnToHeader(0);
}

void CZELVCmdWindow::Start() {
    if (m_started)
        return;
    m_started = true;
    if (m_program.program.isEmpty()) {
        AddLine("The command is empty.");
        Ended();
        return;
    }
    m_process = new QProcess(this);
    // One stream, as one pipe would carry both.
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setInputChannelMode(QProcess::ManagedInputChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : m_program.environment) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq > 0)
            env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    m_process->setProcessEnvironment(env);
    // Its own process group: a cancel reaches the children it started.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(m_process, &QProcess::readyReadStandardOutput, this, &CZELVCmdWindow::OnOutput);
    connect(m_process, &QProcess::finished, this, &CZELVCmdWindow::OnFinished);
    connect(m_process, &QProcess::errorOccurred, this, &CZELVCmdWindow::OnError);
    m_process->start(m_program.program, m_program.arguments);
    if (m_process->state() != QProcess::NotRunning)
        m_group = m_process->processId();
    m_process->closeWriteChannel();
}

void CZELVCmdWindow::OnOutput() {
    m_partial += m_process->readAllStandardOutput();
    qsizetype from = 0;
    for (;;) {
        const qsizetype newline = m_partial.indexOf('\n', from);
        if (newline < 0)
            break;
        AddLine(m_partial.mid(from, newline - from));
        from = newline + 1;
    }
    m_partial.remove(0, from);
    while (m_partial.size() > kMaxLineBytes) {
        AddLine(m_partial.left(kMaxLineBytes));
        m_partial.remove(0, kMaxLineBytes);
    }
}

void CZELVCmdWindow::AddLine(const QByteArray& bytes) {
    const QString line = QString::fromLocal8Bit(bytes);
    if (m_matchAll)
        return;
    for (const CZELVFilterMatcher& filter : m_filters)
        if (filter.Matches(QStringView(line)))
            return;
    m_lines.append(line);
    if (m_lines.size() > kMaxLines)
        m_lines.remove(0, m_lines.size() - kMaxLines + kMaxLines / 10);
    if (!m_repaint->isActive())
        m_repaint->start();
}

void CZELVCmdWindow::ShowLines() {
    m_list->Reload();
    if (!m_lines.isEmpty())
        m_list->EnsureVisible(int(m_lines.size()) - 1);
}

void CZELVCmdWindow::Ended() {
    m_ended = true;
    m_repaint->stop();
    ShowLines();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void CZELVCmdWindow::OnFinished(int exitCode, QProcess::ExitStatus status) {
    OnOutput();
    // The last line needs no newline to be shown.
    if (!m_partial.isEmpty()) {
        AddLine(m_partial);
        m_partial.clear();
    }
    m_exitCode = status == QProcess::NormalExit ? exitCode : -1;
    Ended();
    if (m_cancelled)
        return;
    const int answer = m_prompter.Ask(
        QStringLiteral("Your command has completed with return code %1.\n\nWould you like to "
                       "close the command output window?")
            .arg(static_cast<unsigned>(m_exitCode)),
        QStringLiteral("Command Complete"), PromptIcon::Question, PromptButtons::YesNo, PromptNone,
        this);
    if (answer == PromptYes)
        accept();
}

void CZELVCmdWindow::OnError(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart)
        return;
    AddLine(QStringLiteral("The command could not be started: %1 (%2)")
                .arg(m_program.program, m_process->errorString())
                .toLocal8Bit());
    Ended();
}

void CZELVCmdWindow::StopGroup() {
    if (m_group <= 0)
        return;
    const pid_t group = static_cast<pid_t>(m_group);
    ::kill(-group, SIGTERM);
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->waitForFinished(kGraceMs);
    // Whatever is left of the group, the command itself included if it
    // ignored SIGTERM.
    ::kill(-group, SIGKILL);
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->waitForFinished(kGraceMs);
    m_group = 0;
}

void CZELVCmdWindow::reject() {
    if (IsRunning()) {
        const int answer = m_prompter.Ask(
            QStringLiteral("The executing command has not completed. Do you want to cancel the "
                           "command?"),
            QStringLiteral("Command incomplete"), PromptIcon::Question, PromptButtons::YesNo,
            PromptNone, this);
        if (answer != PromptYes)
            return;
        m_cancelled = true;
        StopGroup();
    }
    QDialog::reject();
}
