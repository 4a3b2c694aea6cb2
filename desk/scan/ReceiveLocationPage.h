#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CZELV10RepositoryListCtrl;

// Scan-In Location Selection: the operator picks the Repository the Volumes
// arrive at. Only Repositories with Volumes on their way in are offered.
class CReceiveLocationPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 305;
    static constexpr int kSubtitle = 269;
    static inline const QString kListName = QStringLiteral("ReceiveLocation_List");

    CReceiveLocationPage();

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

    CZELV10RepositoryListCtrl* List() const { return m_list; }

private:
    CZELV10RepositoryListCtrl* m_list = nullptr;
    bool m_initialized = false;
};
