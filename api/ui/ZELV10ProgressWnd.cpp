#include "ZELV10ProgressWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

CZELV10ProgressWnd::CZELV10ProgressWnd(int total, int flags, QWidget* parent)
    : QDialog(parent), m_flags(flags) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    setMinimumWidth(420);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("progressPicture"));
    const QIcon icon =
        flags == kUpload
            ? QIcon::fromTheme(QStringLiteral("go-up"), style()->standardIcon(QStyle::SP_ArrowUp))
        : flags == kDownload ? QIcon::fromTheme(QStringLiteral("go-down"),
                                                style()->standardIcon(QStyle::SP_ArrowDown))
                             : QIcon();
    if (!icon.isNull())
        m_picture->setPixmap(icon.pixmap(32, 32));
    m_picture->setVisible(!icon.isNull());

    m_line1 = new QLabel(this);
    m_line1->setObjectName(QStringLiteral("progressLine1"));
    m_line1->setTextFormat(Qt::PlainText);
    m_line2 = new QLabel(this);
    m_line2->setObjectName(QStringLiteral("progressLine2"));
    m_line2->setTextFormat(Qt::PlainText);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, total > 0 ? total : 0);
    m_bar->setValue(0);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("progressCancelButton"));
    connect(m_cancel, &QPushButton::clicked, this, &CZELV10ProgressWnd::Cancel);

    auto* lines = new QVBoxLayout;
    lines->addWidget(m_line1);
    lines->addWidget(m_line2);
    auto* top = new QHBoxLayout;
    top->addWidget(m_picture, 0, Qt::AlignTop);
    top->addLayout(lines, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);

    show();
    Pump();
}

CZELV10ProgressWnd::~CZELV10ProgressWnd() = default;

void CZELV10ProgressWnd::SetTitle(const QString& title) {
    setWindowTitle(title);
    Pump();
}

void CZELV10ProgressWnd::SetRange(int lower, int upper) {
    m_bar->setRange(lower, upper < lower ? lower : upper);
    Pump();
}

void CZELV10ProgressWnd::SetText(int line, const QString& text) {
    if (line == 1)
        m_line1->setText(text);
    else if (line == 2)
        m_line2->setText(text);
    Pump();
}

QString CZELV10ProgressWnd::Text(int line) const {
    return line == 1 ? m_line1->text() : line == 2 ? m_line2->text() : QString();
}

void CZELV10ProgressWnd::SetPos(int pos) {
    m_bar->setValue(std::clamp(pos, m_bar->minimum(), m_bar->maximum()));
    Pump();
}

void CZELV10ProgressWnd::Step(int by) {
    // Widened so that a step near INT_MAX cannot overflow.
    const long long next = static_cast<long long>(m_bar->value()) + by;
    SetPos(static_cast<int>(std::clamp<long long>(next, m_bar->minimum(), m_bar->maximum())));
}

int CZELV10ProgressWnd::Pos() const {
    return m_bar->value();
}
int CZELV10ProgressWnd::Minimum() const {
    return m_bar->minimum();
}
int CZELV10ProgressWnd::Maximum() const {
    return m_bar->maximum();
}

void CZELV10ProgressWnd::Cancel() {
    if (m_cancelled)
        return;
    m_cancelled = true;
    // The loop stops at its next step; until then the window says so.
    m_cancel->setEnabled(false);
    m_cancel->setText(QStringLiteral("Cancelling..."));
}

void CZELV10ProgressWnd::reject() {
    // Escape cancels; the loop that owns the window closes it.
    Cancel();
}

void CZELV10ProgressWnd::closeEvent(QCloseEvent* event) {
    // The window manager's close button is the operator cancelling.
    // QDialog would route every close through reject() and refuse it; closing
    // from the program is simply the end of the loop.
    if (event->spontaneous())
        Cancel();
    event->accept();
}

void CZELV10ProgressWnd::Pump() {
    if (isVisible())
        QCoreApplication::processEvents();
}
