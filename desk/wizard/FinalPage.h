#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

// The final page of every task (full-page layout). For now it only has its
// place in the chains: Finish ends the program, Back returns to the task menu.
class CFinalPage : public CZELVDeskPage {
    Q_OBJECT
public:
    CFinalPage();
    void OnSetActive() override;
    int OnWizardBack() override;
};
