#include "ZELVAboutWnd.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>

namespace {

QFont AboutFont(int points, bool bold) {
    // Times New Roman where installed; the serif substitute elsewhere.
    QFont font(QStringLiteral("Times New Roman"), points, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::Serif);
    return font;
}

QLabel* MakeLine(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                 const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

} // namespace

CZELVAboutWnd::CZELVAboutWnd(const QString& programName, const QString& buildDate,
                             const QPixmap& bitmap, int runCount, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("aboutWindow"));
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("About %1").arg(programName));

    m_bitmap = new QLabel(this);
    m_bitmap->setObjectName(QStringLiteral("aboutBitmap"));
    m_bitmap->setGeometry(190, 30, 200, 50);
    SetBitmap(bitmap);

    MakeLine(this, QStringLiteral("aboutTitle"), QStringLiteral("About %1").arg(programName),
             QRect(12, 30, 172, 50), AboutFont(14, true));
    MakeLine(this, QStringLiteral("aboutNotice"),
             QStringLiteral("%1 is a product of %2.").arg(programName, MakerName()),
             QRect(12, 86, 376, 22), AboutFont(14, false));
    MakeLine(this, QStringLiteral("aboutCompiled"), QStringLiteral("Compiled: ") + buildDate,
             QRect(12, 110, 376, 18), AboutFont(12, false));
    m_runs = MakeLine(this, QStringLiteral("aboutRuns"), QString(), QRect(12, 128, 376, 18),
                      AboutFont(12, false));
    SetRunCount(runCount);
    MakeLine(this, QStringLiteral("aboutWeb"), WebAddress(), QRect(12, 146, 376, 18),
             AboutFont(12, false));
    MakeLine(this, QStringLiteral("aboutWarning"),
             QStringLiteral("Warning: This program is protected by copyright law and "
                            "international treaties. Unauthorised reproduction or distribution "
                            "of this program, or of any part of it, may result in severe civil "
                            "and criminal penalties and will be prosecuted to the fullest extent "
                            "of the law."),
             QRect(12, 168, 376, 76), AboutFont(12, false));
}

QString CZELVAboutWnd::MakerName() {
    return QStringLiteral("Brollyn");
}

QString CZELVAboutWnd::WebAddress() {
    return QStringLiteral("www.brollyn.com");
}

void CZELVAboutWnd::SetRunCount(int runCount) {
    m_runs->setText(QStringLiteral("Runs: %1")
                        .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(runCount)));
}

void CZELVAboutWnd::SetBitmap(const QPixmap& bitmap) {
    // Copied into the 200 by 50 area, never stretched past it.
    m_bitmap->setPixmap(bitmap.isNull() ? QPixmap() : bitmap.copy(0, 0, 200, 50));
}

void CZELVAboutWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CZELVAboutWnd::mousePressEvent(QMouseEvent*) {
    close();
}

void CZELVAboutWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
