#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

// Pages of the wizard whose work is not built yet. Each has its template id,
// header and the Back route of the page chains, so the task menu leads to it
// and the operator can always go back; Next stays on the page.
class CPageShell : public CZELVDeskPage {
    Q_OBJECT
public:
    // name: the page's title as the page body shows it.
    CPageShell(int templateId, const QString& name, int titleId, int subtitleId);
    void OnSetActive() override;
    int OnWizardNext() override { return kStay; }
};

class CLibraryManagementPage : public CPageShell {
    Q_OBJECT
public:
    CLibraryManagementPage();
    int OnWizardBack() override;
};
