#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QTimer;
class QToolButton;

// What one notification shows.
struct ZELVNotification {
    QString title;
    QString line1;
    QString line2;
    int icon = 0;          // icon resource number, 0 for none
    int closeImage = 350;  // image of the close button
    int buttonImage = 351; // image of the caller's button
    int showDelayMs = 10000;
    int commandId = 0; // command of the caller's button; 0 = no button
};

// A notification popup: 329 by 74 pixels, bold title and two lines, an icon at
// the top left, a close button and the caller's button at the top right. It
// closes itself after its display time and can be dragged elsewhere.
class CZELVPopup : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 329;
    static constexpr int kHeight = 74;

    explicit CZELVPopup(const ZELVNotification& notification, QWidget* parent = nullptr);
    ~CZELVPopup() override;

    const ZELVNotification& Notification() const { return m_notification; }
    // Milliseconds the popup stays once shown.
    int DisplayTime() const;
    bool IsCountingDown() const;
    // Ends the display time now, as the timer does.
    void Expire();

Q_SIGNALS:
    // The user dragged the popup here (top-left corner, screen coordinates).
    void Moved(QPoint topLeft);
    void Closed(CZELVPopup* popup);
    void CommandTriggered(int commandId);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ZELVNotification m_notification;
    QTimer* m_timer = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_line1 = nullptr;
    QLabel* m_line2 = nullptr;
    QToolButton* m_close = nullptr;
    QToolButton* m_command = nullptr;
    bool m_dragging = false;
    bool m_dragged = false;
    QPoint m_dragOffset;
    bool m_closed = false;
};

// Owns the open popups: filters, places and stacks them, and remembers where
// the user last moved one.
class CZELVPopupManager : public QObject {
    Q_OBJECT
public:
    // Decides whether a configured filter silences a notification.
    using Silencer =
        std::function<bool(const QString& title, const QString& line1, const QString& line2)>;

    explicit CZELVPopupManager(QObject* parent = nullptr);
    ~CZELVPopupManager() override;

    void SetSilencer(Silencer silencer) { m_silencer = std::move(silencer); }

    // Shows a popup over the owner unless the silencer refuses it; returns
    // whether it was shown.
    bool ShowNotification(QWidget* owner, const ZELVNotification& notification);
    bool ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                          const QString& line2, int icon, int closeImage, int buttonImage,
                          int showDelayMs, int commandId);

    QList<CZELVPopup*> OpenPopups() const;
    // Where the user last moved a popup; (-1, -1) until then.
    QPoint RememberedPosition() const { return m_remembered; }
    static QSize PopupSize() { return {CZELVPopup::kWidth, CZELVPopup::kHeight}; }

    // Where a new popup goes: the remembered position, else the bottom right of
    // the available area; then up past every open popup it would overlap.
    QPoint PlaceNewPopup(const QRect& availableArea) const;

Q_SIGNALS:
    // The caller's button of a popup was clicked.
    void CommandTriggered(int commandId);

private:
    void OnClosed(CZELVPopup* popup);

    Silencer m_silencer;
    QPoint m_remembered{-1, -1};
    std::vector<std::unique_ptr<CZELVPopup>> m_popups;
};
