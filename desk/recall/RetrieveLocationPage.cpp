#include "RetrieveLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"

CRetrieveLocationPage::CRetrieveLocationPage()
    : CLocationPage(IDD_RETRIEVE_LOCATION, kTitle, kSubtitle, QStringLiteral("retrieveLocation"),
                    QStringLiteral("The Recall Location Selection screen allows you to "
                                   "select a Repository to which all selected Volumes "
                                   "will be recalled."),
                    QStringLiteral("You can select a Repository by double-clicking the "
                                   "Repository, or by selecting the Repository and "
                                   "clicking Next."),
                    kListName) {}

void CRetrieveLocationPage::OnSetActive() {
    CZELVDeskSheet* sheet = Activate();
    if (!sheet)
        return;
    // The sheet filled the list for the Customer and Media Type when the
    // Media Type was chosen, under the location pattern.
    List()->SetSource(sheet->LocationList(TaskRecall));
    List()->Refresh();
}

int CRetrieveLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const ZELVREPOSITORYFULL* repository = Chosen();
    if (!repository)
        return kStay;
    sheet->SetRepository(repository->repositoryId.Text());
    return IDD_VOLUME;
}
