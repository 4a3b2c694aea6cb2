#pragma once

#include "LocationPage.h"
#include "ZELVDeskIds.h"

// Scan-Out Location Selection: the operator picks the Repository the Volumes
// leave from. Only Repositories with Volumes on their way out are offered.
class CSendLocationPage : public CLocationPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 243;
    static constexpr int kSubtitle = 229;
    static inline const QString kListName = QStringLiteral("SendLocation_List");

    CSendLocationPage();

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_CUSTOMER; }
};
