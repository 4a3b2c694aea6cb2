#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CZELV10MediaListCtrl;

// Media Type Selection: the operator picks one of the chosen Customer's Media
// Types. The sheet skips the page when the Customer has one Media Type only.
class CMediaPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 303;
    static constexpr int kSubtitle = 267;
    static constexpr int kRowIcon = 321;

    CMediaPage();

    void OnSetActive() override;
    int OnWizardNext() override;
    // Asks first when going back would drop the Recall selection.
    int OnWizardBack() override;

    CZELV10MediaListCtrl* List() const { return m_list; }

private:
    CZELV10MediaListCtrl* m_list = nullptr;
    bool m_initialized = false;
};
