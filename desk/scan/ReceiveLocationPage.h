#pragma once

#include "LocationPage.h"
#include "ZELVDeskIds.h"

// Scan-In Location Selection: the operator picks the Repository the Volumes
// arrive at. Only Repositories with Volumes on their way in are offered.
class CReceiveLocationPage : public CLocationPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 305;
    static constexpr int kSubtitle = 269;
    static inline const QString kListName = QStringLiteral("ReceiveLocation_List");

    CReceiveLocationPage();

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
};
