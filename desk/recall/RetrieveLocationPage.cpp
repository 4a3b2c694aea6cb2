#include "RetrieveLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"

#include <QLabel>
#include <QVBoxLayout>

CRetrieveLocationPage::CRetrieveLocationPage() : CZELVDeskPage(IDD_RETRIEVE_LOCATION) {
    SetHeader(ZELVDeskString(kTitle), ZELVDeskString(kSubtitle));
    setObjectName(QStringLiteral("retrieveLocationPage"));

    auto* intro = new QLabel(QStringLiteral("The Recall Location Selection screen allows you to "
                                            "select a Repository to which all selected Volumes "
                                            "will be recalled."),
                             this);
    intro->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("You can select a Repository by double-clicking the "
                                           "Repository, or by selecting the Repository and "
                                           "clicking Next."),
                            this);
    hint->setWordWrap(true);

    m_list = new CZELV10RepositoryListCtrl(this);
    m_list->setObjectName(QStringLiteral("retrieveLocationList"));
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
}

void CRetrieveLocationPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_initialized) {
        m_list->SetSettings(&sheet->Host().Profile());
        m_list->SetPrompter(&sheet->GetPrompter());
        m_list->Init(kListName);
        m_initialized = true;
    }
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    // The sheet filled the list for the Customer and Media Type when the
    // Media Type was chosen, under the location pattern.
    m_list->SetSource(sheet->LocationList(TaskRecall));
    m_list->Refresh();
}

void CRetrieveLocationPage::OnKillActive() {
    m_list->SaveColumnOrder();
}

int CRetrieveLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const int chosen = m_list->RequireRepository();
    if (chosen == 0)
        return kStay;
    const ZELVREPOSITORYFULL* repository = m_list->RepositoryAt(chosen - 1);
    if (!repository)
        return kStay;
    sheet->SetRepository(repository->repositoryId.Text());
    return IDD_VOLUME;
}
