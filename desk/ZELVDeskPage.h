#pragma once

#include "ZELVDeskSheet.h"
#include "ZELVWizardPage.h"

// A page of ZELVDesk's wizard: reaches the task data and services through the
// sheet it was added to.
class CZELVDeskPage : public CZELVWizardPage {
    Q_OBJECT
public:
    using CZELVWizardPage::CZELVWizardPage;
    // The sheet, or none before the page is added.
    CZELVDeskSheet* Desk() const { return DeskSheetOf(this); }
};
