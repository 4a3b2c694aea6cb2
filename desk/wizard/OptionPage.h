#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

// The Options page: the log folder and, for Send, the defaults of new Volumes.
// For now it only has its place in the chains; Back returns to the task menu.
class COptionPage : public CZELVDeskPage {
    Q_OBJECT
public:
    COptionPage();
    void OnSetActive() override;
    int OnWizardNext() override { return kStay; }
    int OnWizardBack() override { return IDD_INTRO; }
};
