#include "ReceiveLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

#include <QLabel>
#include <QVBoxLayout>

CReceiveLocationPage::CReceiveLocationPage() : CZELVDeskPage(IDD_RECEIVE_LOCATION) {
    SetHeader(ZELVDeskString(kTitle), ZELVDeskString(kSubtitle));
    setObjectName(QStringLiteral("receiveLocationPage"));

    auto* intro = new QLabel(QStringLiteral("The Scan-In Location Selection screen allows you to "
                                            "select a single Repository to which you will scan "
                                            "each Volume."),
                             this);
    intro->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("You can select a Repository by double-clicking the "
                                           "Repository, or by selecting the Repository and "
                                           "clicking the Next button."),
                            this);
    hint->setWordWrap(true);

    m_list = new CZELV10RepositoryListCtrl(this);
    m_list->setObjectName(QStringLiteral("receiveLocationList"));
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
}

void CReceiveLocationPage::OnSetActive() {
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

    // The sheet's Scan-In location list, with its filter; only Repositories
    // that Volumes are travelling to are worth scanning in at.
    m_list->SetSource(sheet->LocationList(TaskScanIn));
    const int rows =
        m_list->FillForCustomer(sheet->Connection(), sheet->Customer(),
                                [](const ZELVREPOSITORYFULL& r) { return r.incoming != 0; });
    if (rows == 0) {
        sheet->GetPrompter().Tell(
            QStringLiteral("There are no Volumes to be scanned in for the selected Customer"),
            QStringLiteral("No items"), PromptIcon::Warning, sheet);
        sheet->PressButton(CZELVWizardSheet::WizardButton::Back);
    }
}

void CReceiveLocationPage::OnKillActive() {
    m_list->SaveColumnOrder();
}

int CReceiveLocationPage::OnWizardNext() {
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
    return IDD_RECEIVE_VOLUMES;
}

int CReceiveLocationPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}
