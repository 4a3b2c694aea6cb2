#include "ZELVPopup.h"

#include "ZELVIcons.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {

QLabel* MakeText(QWidget* parent, const QString& name, const QRect& geometry, const QString& text,
                 bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    // Long texts are cut with an ellipsis rather than pushed out of the box;
    // the full text stays available as the tooltip.
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, geometry.width());
    label->setText(shown);
    if (shown != text)
        label->setToolTip(text);
    return label;
}

QToolButton* MakeButton(QWidget* parent, const QString& name, const QRect& geometry, int image) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setIcon(ZELVIcon(image));
    button->setIconSize(geometry.size() - QSize(2, 2));
    return button;
}

} // namespace

CZELVPopup::CZELVPopup(const ZELVNotification& notification, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_notification(notification) {
    setObjectName(QStringLiteral("notificationPopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);

    // Item positions as the popups have always had them.
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("popupIcon"));
    m_icon->setGeometry(5, 12, 12, 12);
    if (notification.icon != 0)
        m_icon->setPixmap(ZELVIcon(notification.icon).pixmap(12, 12));
    m_title = MakeText(this, QStringLiteral("popupTitle"), QRect(25, 10, 260, 18),
                       notification.title, true);
    m_line1 = MakeText(this, QStringLiteral("popupLine1"), QRect(25, 32, 296, 16),
                       notification.line1, false);
    m_line2 = MakeText(this, QStringLiteral("popupLine2"), QRect(25, 50, 296, 16),
                       notification.line2, false);
    m_close = MakeButton(this, QStringLiteral("popupCloseButton"), QRect(308, 14, 16, 16),
                         notification.closeImage);
    m_close->setToolTip(tr("Close"));
    connect(m_close, &QToolButton::clicked, this, &QWidget::close);
    m_command = MakeButton(this, QStringLiteral("popupCommandButton"), QRect(290, 14, 16, 16),
                           notification.buttonImage);
    // A button with no command would do nothing when clicked.
    m_command->setVisible(notification.commandId != 0);
    connect(m_command, &QToolButton::clicked, this,
            [this] { Q_EMIT CommandTriggered(m_notification.commandId); });

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("popupTimer"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(qMax(0, notification.showDelayMs));
    connect(m_timer, &QTimer::timeout, this, &CZELVPopup::Expire);
}

CZELVPopup::~CZELVPopup() = default;

int CZELVPopup::DisplayTime() const {
    return m_timer->interval();
}

bool CZELVPopup::IsCountingDown() const {
    return m_timer->isActive();
}

void CZELVPopup::Expire() {
    m_timer->stop();
    close();
}

void CZELVPopup::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timer->start();
}

void CZELVPopup::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    m_timer->stop();
    if (!m_closed) {
        m_closed = true;
        Q_EMIT Closed(this);
    }
}

void CZELVPopup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    gradient.setColorAt(1, QColor(0xE3, 0xEA, 0xF2));
    p.fillRect(rect(), gradient);
    p.setPen(QColor(0x6D, 0x84, 0x9C));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CZELVPopup::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragged = false;
        m_dragOffset = event->globalPosition().toPoint() - pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CZELVPopup::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        const QPoint target = event->globalPosition().toPoint() - m_dragOffset;
        if (target != pos()) {
            move(target);
            m_dragged = true;
        }
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CZELVPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        if (m_dragged)
            Q_EMIT Moved(pos());
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

CZELVPopupManager::CZELVPopupManager(QObject* parent) : QObject(parent) {}

CZELVPopupManager::~CZELVPopupManager() = default;

bool CZELVPopupManager::ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                                         const QString& line2, int icon, int closeImage,
                                         int buttonImage, int showDelayMs, int commandId) {
    ZELVNotification n;
    n.title = title;
    n.line1 = line1;
    n.line2 = line2;
    n.icon = icon;
    n.closeImage = closeImage;
    n.buttonImage = buttonImage;
    n.showDelayMs = showDelayMs;
    n.commandId = commandId;
    return ShowNotification(owner, n);
}

bool CZELVPopupManager::ShowNotification(QWidget* owner, const ZELVNotification& notification) {
    if (m_silencer && m_silencer(notification.title, notification.line1, notification.line2))
        return false;

    // Popups are top-level windows of their own so that they outlive a page
    // change; the owner only decides the screen.
    auto popup = std::make_unique<CZELVPopup>(notification);
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    popup->move(PlaceNewPopup(area));

    CZELVPopup* raw = popup.get();
    connect(raw, &CZELVPopup::Moved, this, [this](QPoint topLeft) { m_remembered = topLeft; });
    connect(raw, &CZELVPopup::Closed, this, &CZELVPopupManager::OnClosed);
    connect(raw, &CZELVPopup::CommandTriggered, this, &CZELVPopupManager::CommandTriggered);
    m_popups.push_back(std::move(popup));
    raw->show();
    return true;
}

QPoint CZELVPopupManager::PlaceNewPopup(const QRect& availableArea) const {
    QRect rect(QPoint(), PopupSize());
    if (m_remembered != QPoint(-1, -1))
        rect.moveTopLeft(m_remembered);
    else
        rect.moveBottomRight(availableArea.bottomRight());
    // Each step moves strictly upwards, so this ends after at most one step
    // per open popup.
    bool moved = true;
    while (moved) {
        moved = false;
        for (const auto& open : m_popups) {
            const QRect other = open->geometry();
            if (rect.intersects(other)) {
                rect.moveBottom(other.top() - 1);
                moved = true;
                break;
            }
        }
    }
    return rect.topLeft();
}

QList<CZELVPopup*> CZELVPopupManager::OpenPopups() const {
    QList<CZELVPopup*> result;
    for (const auto& popup : m_popups)
        result.append(popup.get());
    return result;
}

void CZELVPopupManager::OnClosed(CZELVPopup* popup) {
    for (auto it = m_popups.begin(); it != m_popups.end(); ++it) {
        if (it->get() == popup) {
            // The popup is still inside its own close handling: delete it later.
            it->release()->deleteLater();
            m_popups.erase(it);
            return;
        }
    }
}
