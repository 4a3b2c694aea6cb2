#include "SendLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

CSendLocationPage::CSendLocationPage()
    : CLocationPage(IDD_SEND_LOCATION, kTitle, kSubtitle, QStringLiteral("sendLocation"),
                    QStringLiteral("The Scan-Out Location Selection screen allows you to "
                                   "select a single Repository from which you will scan "
                                   "each Volume."),
                    QStringLiteral("You can select a Repository by double-clicking the "
                                   "Repository, or by selecting the Repository and "
                                   "clicking the Next button."),
                    kListName) {}

void CSendLocationPage::OnSetActive() {
    CZELVDeskSheet* sheet = Activate();
    if (!sheet)
        return;

    // Only Repositories that Volumes are leaving are worth scanning out at.
    List()->SetSource(sheet->LocationList(TaskScanOut));
    List()->SetFilter(ZELVDeskConfig::LocalRepositoryFilter(sheet->Config()));
    const int rows =
        List()->FillForCustomer(sheet->Connection(), sheet->Customer(),
                                [](const ZELVREPOSITORYFULL& r) { return r.outgoing != 0; });
    if (rows == 0) {
        sheet->GetPrompter().Tell(
            QStringLiteral("There are no Volumes to be Scanned-Out for the selected Customer"),
            QStringLiteral("No items"), PromptIcon::Information, sheet);
        sheet->PressButton(CZELVWizardSheet::WizardButton::Back);
    }
}

int CSendLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const ZELVREPOSITORYFULL* repository = Chosen();
    if (!repository)
        return kStay;
    if (repository->scannedOut >= repository->outgoing) {
        sheet->GetPrompter().Tell(
            QStringLiteral("All of the moving items have already been scanned-out"),
            QStringLiteral("Selection Error"), PromptIcon::Information, sheet);
        return kStay;
    }
    sheet->SetRepository(repository->repositoryId.Text());
    sheet->BuildSendList();
    return IDD_SEND_CONTAINER;
}
