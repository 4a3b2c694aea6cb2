#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CZELV10CustomerListCtrl;

// Customer Selection: the operator picks the Customer the task works on, by
// double click or selection and Next. The sheet skips the page when the
// server knows one Customer only.
class CCustomerPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 298;
    static constexpr int kSubtitle = 262;
    static constexpr int kRowIcon = 319;
    static inline const QString kListName = QStringLiteral("Customer_List");

    CCustomerPage();

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_INTRO; }

    CZELV10CustomerListCtrl* List() const { return m_list; }

private:
    void OnSelectionChanged();

    CZELV10CustomerListCtrl* m_list = nullptr;
    bool m_initialized = false;
};
