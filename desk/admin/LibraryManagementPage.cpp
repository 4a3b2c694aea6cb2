#include "LibraryManagementPage.h"

#include "ZELV10ManageDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"

CLibraryManagementPage::CLibraryManagementPage()
    : CLocationPage(IDD_LIBRARY_MANAGEMENT, 0, 0, QStringLiteral("libraryManagement"),
                    QStringLiteral("The Manage Library Selection screen allows you to select a "
                                   "Repository to manage."),
                    QStringLiteral("You can select a Repository by double-clicking the "
                                   "Repository, or by selecting the Repository and clicking "
                                   "Next."),
                    kListName) {}

void CLibraryManagementPage::OnSetActive() {
    CZELVDeskSheet* sheet = Activate();
    if (!sheet)
        return;
    // This page fills its own list, under the sheet's location pattern.
    CZELV10RepositoryRows* rows = sheet->LocationList(TaskLibraryManagement);
    rows->FillForMedia(sheet->Connection(), sheet->Customer(), sheet->Media());
    List()->SetSource(rows);
    List()->Refresh();
}

int CLibraryManagementPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const ZELVREPOSITORYFULL* repository = Chosen();
    if (!repository)
        return kStay;
    // The list's record may go when the window's reads refill the lists.
    const ZELVREPOSITORYFULL chosen = *repository;
    sheet->SetRepository(chosen.repositoryId.Text());
    sheet->ManageLibrary(chosen, this);
    // The window is the whole task; the final page closes the log.
    return IDD_FINAL;
}

int CLibraryManagementPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->MediaBackTarget() : int(IDD_INTRO);
}

void CZELVDeskSheet::ManageLibrary(const ZELVREPOSITORYFULL& repository, QWidget* parent) {
    const QString customer = repository.customerId.Text();
    const QString media = repository.mediaId.Text();
    CZELV10RepositoryCache& cache = RepositoryCache();
    cache.Load(customer, media, true);
    const ZELVDeskConfig::ChangerElement changer =
        ZELVDeskConfig::ChangerFor(Config(), repository.repositoryId.Text());
    ZELV10ManageSetup setup;
    setup.changerDevice = changer.device;
    setup.changerTimeoutMs = changer.timeoutSeconds * 1000;
    setup.prompter = &GetPrompter();
    setup.profile = &Host().Profile();
    setup.run = m_manageRunner;
    const std::vector<ZELVREPOSITORYFULL> records =
        cache.Holds(customer, media) ? cache.Records() : std::vector<ZELVREPOSITORYFULL>();
    Manage(Connection(), repository, records, parent ? parent : this, setup);
}
