#include "ReceiveLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

CReceiveLocationPage::CReceiveLocationPage()
    : CLocationPage(IDD_RECEIVE_LOCATION, kTitle, kSubtitle, QStringLiteral("receiveLocation"),
                    QStringLiteral("The Scan-In Location Selection screen allows you to "
                                   "select a single Repository to which you will scan "
                                   "each Volume."),
                    QStringLiteral("You can select a Repository by double-clicking the "
                                   "Repository, or by selecting the Repository and "
                                   "clicking the Next button."),
                    kListName) {}

void CReceiveLocationPage::OnSetActive() {
    CZELVDeskSheet* sheet = Activate();
    if (!sheet)
        return;

    // The sheet's Scan-In location list, with its filter; only Repositories
    // that Volumes are travelling to are worth scanning in at.
    List()->SetSource(sheet->LocationList(TaskScanIn));
    const int rows =
        List()->FillForCustomer(sheet->Connection(), sheet->Customer(),
                                [](const ZELVREPOSITORYFULL& r) { return r.incoming != 0; });
    if (rows == 0) {
        sheet->GetPrompter().Tell(
            QStringLiteral("There are no Volumes to be scanned in for the selected Customer"),
            QStringLiteral("No items"), PromptIcon::Warning, sheet);
        sheet->PressButton(CZELVWizardSheet::WizardButton::Back);
    }
}

int CReceiveLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const ZELVREPOSITORYFULL* repository = Chosen();
    if (!repository)
        return kStay;
    sheet->SetRepository(repository->repositoryId.Text());
    return IDD_RECEIVE_VOLUMES;
}

int CReceiveLocationPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}
