#pragma once

#include "LocationPage.h"
#include "ZELVDeskIds.h"

// Delivery Location Selection: the Repository every recalled Volume is sent to.
class CRetrieveLocationPage : public CLocationPage {
    Q_OBJECT
public:
    static constexpr int kTitle = 307;
    static constexpr int kSubtitle = 246;
    static inline const QString kListName = QStringLiteral("RetrieveLocation_List");

    CRetrieveLocationPage();

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_INTRO; }
};
