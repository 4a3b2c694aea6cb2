#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CZELV10RepositoryListCtrl;

// Delivery Location Selection: the Repository every recalled Volume is sent to.
class CRetrieveLocationPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 307;
    static constexpr int kSubtitle = 246;
    static inline const QString kListName = QStringLiteral("RetrieveLocation_List");

    CRetrieveLocationPage();

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_INTRO; }

    CZELV10RepositoryListCtrl* List() const { return m_list; }

private:
    CZELV10RepositoryListCtrl* m_list = nullptr;
    bool m_initialized = false;
};
