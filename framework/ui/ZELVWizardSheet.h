#pragma once

#include "ZELVWizardPage.h"

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <vector>

class QFrame;
class QSettings;
class QLabel;
class QPushButton;
class QStackedWidget;

// The wizard window: a header (title, subtitle, bitmap) or, for pages that hide
// it, a full-page layout with the watermark on the left; a stack of pages; Back,
// Next, Finish and Cancel. Pages are reached by template id; each page's Next
// and Back say where to go. The sheet owns its pages.
class CZELVWizardSheet : public QDialog {
    Q_OBJECT
public:
    // Button state flags, the numbers pages have always used.
    enum WizardButtonFlags : int {
        WizBack = 1,
        WizNext = 2,
        WizFinish = 4,
        WizDisabledFinish = 8, // Finish shown in place of Next, disabled
    };
    enum class WizardButton { Back, Next, Finish, Cancel };

    explicit CZELVWizardSheet(const QString& caption, QWidget* parent = nullptr);
    ~CZELVWizardSheet() override;

    void SetWatermark(const QPixmap& pixmap);
    void SetHeaderBitmap(const QPixmap& pixmap);

    // Adds a page at the end of the order and takes ownership. Returns its index.
    int AddPage(CZELVWizardPage* page);
    int GetPageCount() const { return int(m_pages.size()); }
    CZELVWizardPage* GetPage(int index) const;
    // Index of the page with the template id, -1 when there is none.
    int FindPage(int templateId) const;
    CZELVWizardPage* GetActivePage() const { return GetPage(m_active); }
    int GetActiveIndex() const { return m_active; }

    // Makes a page current (its OnSetActive runs). Requests made while a page
    // change is under way run once it has finished. Returns whether the page
    // changed now.
    bool SetActivePage(int index);
    bool SetActivePage(CZELVWizardPage* page);
    bool SetActivePageById(int templateId);
    // The page shown first when the sheet opens without a current page.
    void SetStartPage(int index) { m_startPage = index; }

    // Button states from WizardButtonFlags; they hold until a page changes them.
    void SetWizardButtons(int flags);
    int GetWizardButtons() const { return m_flags; }
    // Presses a button once the current event is done, as a posted message
    // did: a page may ask for Next from its own activation. The press does
    // not depend on the button being enabled.
    void PressButton(WizardButton button);

    // What the buttons do, callable directly. Each returns whether it acted now.
    bool GoNext();
    bool GoBack();
    bool TryFinish();
    bool TryCancel();

    // Cancel, Escape and closing the window all come here; the page may refuse.
    void reject() override;
    void done(int result) override;

    // Opens at the size and place saved under `key` (the first time at
    // `fallback`, or as much of it as the screen has), back on a visible
    // screen when the saved place is off every screen; saved again on close.
    void RememberPlace(QSettings* settings, const QString& key, const QSize& fallback);

Q_SIGNALS:
    void ActivePageChanged(int templateId);

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class CZELVWizardPage;
    enum class Direction { Forward, Backward };
    // Template id answer -> page index, -1 to stay.
    int Resolve(int answer, Direction direction) const;
    void Activate(int index);
    void UpdateLayout();
    void UpdateButtons();
    // Runs the action after the current event, when a page change is under way.
    void Defer(std::function<void()> action);

    std::vector<CZELVWizardPage*> m_pages; // children of m_stack
    int m_active = -1;
    int m_startPage = 0;
    int m_flags = WizBack | WizNext;
    bool m_busy = false;

    QSettings* m_placeSettings = nullptr;
    QString m_placeKey;

    QPixmap m_watermark;
    QFrame* m_header = nullptr;
    QFrame* m_headerLine = nullptr;
    QLabel* m_headerTitle = nullptr;
    QLabel* m_headerSubtitle = nullptr;
    QLabel* m_headerBitmap = nullptr;
    QLabel* m_watermarkLabel = nullptr;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
};
