#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CZELV10RepositoryListCtrl;

// Scan-Out Location Selection: the operator picks the Repository the Volumes
// leave from. Only Repositories with Volumes on their way out are offered.
class CSendLocationPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 243;
    static constexpr int kSubtitle = 229;
    static inline const QString kListName = QStringLiteral("SendLocation_List");

    CSendLocationPage();

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_CUSTOMER; }

    CZELV10RepositoryListCtrl* List() const { return m_list; }

private:
    CZELV10RepositoryListCtrl* m_list = nullptr;
    bool m_initialized = false;
};
