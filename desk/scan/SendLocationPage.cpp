#include "SendLocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

#include <QLabel>
#include <QVBoxLayout>

CSendLocationPage::CSendLocationPage() : CZELVDeskPage(IDD_SEND_LOCATION) {
    SetHeader(ZELVDeskString(kTitle), ZELVDeskString(kSubtitle));
    setObjectName(QStringLiteral("sendLocationPage"));

    auto* intro = new QLabel(QStringLiteral("The Scan-Out Location Selection screen allows you to "
                                            "select a single Repository from which you will scan "
                                            "each Volume."),
                             this);
    intro->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("You can select a Repository by double-clicking the "
                                           "Repository, or by selecting the Repository and "
                                           "clicking the Next button."),
                            this);
    hint->setWordWrap(true);

    m_list = new CZELV10RepositoryListCtrl(this);
    m_list->setObjectName(QStringLiteral("sendLocationList"));
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
}

void CSendLocationPage::OnSetActive() {
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

    // Only Repositories that Volumes are leaving are worth scanning out at.
    m_list->SetSource(sheet->LocationList(TaskScanOut));
    m_list->SetFilter(ZELVDeskConfig::LocalRepositoryFilter(sheet->Config()));
    const int rows =
        m_list->FillForCustomer(sheet->Connection(), sheet->Customer(),
                                [](const ZELVREPOSITORYFULL& r) { return r.outgoing != 0; });
    if (rows == 0) {
        sheet->GetPrompter().Tell(
            QStringLiteral("There are no Volumes to be Scanned-Out for the selected Customer"),
            QStringLiteral("No items"), PromptIcon::Information, sheet);
        sheet->PressButton(CZELVWizardSheet::WizardButton::Back);
    }
}

void CSendLocationPage::OnKillActive() {
    m_list->SaveColumnOrder();
}

int CSendLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const int chosen = m_list->RequireRepository();
    if (chosen == 0)
        return kStay;
    const ZELVREPOSITORYFULL* repository = m_list->RepositoryAt(chosen - 1);
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
