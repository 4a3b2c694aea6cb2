#pragma once

#include <QWidget>

class CZELVWizardSheet;

// One page of a CZELVWizardSheet. A page is known by its template id; its Next
// and Back handlers answer with the template id of the page to show next, so
// that the page chains decide the route rather than a history of visited pages.
class CZELVWizardPage : public QWidget {
    Q_OBJECT
public:
    // Answers of OnWizardNext / OnWizardBack besides a template id.
    static constexpr int kDefaultPage = 0; // the next or previous page in the added order
    static constexpr int kStay = -1;       // keep the current page

    explicit CZELVWizardPage(int templateId, QWidget* parent = nullptr);

    int TemplateId() const { return m_templateId; }

    // Header texts shown above the page.
    void SetHeader(const QString& title, const QString& subtitle);
    const QString& HeaderTitle() const { return m_headerTitle; }
    const QString& HeaderSubtitle() const { return m_headerSubtitle; }
    // A page that hides the header gets the full-page layout with the watermark.
    void SetHideHeader(bool hide);
    bool HidesHeader() const { return m_hideHeader; }

    // The sheet the page was added to, or none.
    CZELVWizardSheet* Sheet() const { return m_sheet; }

    // Called each time the page becomes the current page.
    virtual void OnSetActive() {}
    // Called when the page stops being the current page.
    virtual void OnKillActive() {}
    // Next and Back: the template id to show next, kDefaultPage or kStay.
    virtual int OnWizardNext() { return kDefaultPage; }
    virtual int OnWizardBack() { return kDefaultPage; }
    // Finish: whether the wizard may end.
    virtual bool OnWizardFinish() { return true; }
    // Cancel: whether the wizard may be cancelled.
    virtual bool OnQueryCancel() { return true; }

private:
    friend class CZELVWizardSheet;
    int m_templateId;
    QString m_headerTitle;
    QString m_headerSubtitle;
    bool m_hideHeader = false;
    CZELVWizardSheet* m_sheet = nullptr;
};
