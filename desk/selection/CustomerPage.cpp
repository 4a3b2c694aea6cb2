#include "CustomerPage.h"

#include "ZELV10CustomerListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

#include <QVBoxLayout>

CCustomerPage::CCustomerPage() : CZELVDeskPage(IDD_CUSTOMER) {
    SetHeader(ZELVDeskString(kTitle), ZELVDeskString(kSubtitle));
    auto* layout = new QVBoxLayout(this);
    m_list = new CZELV10CustomerListCtrl(this);
    m_list->setObjectName(QStringLiteral("customerList"));
    m_list->LoadIcons({kRowIcon});
    layout->addWidget(m_list);

    connect(m_list, &CZELVListCtrl::SelectionChanged, this, &CCustomerPage::OnSelectionChanged);
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });
}

void CCustomerPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_initialized) {
        // The list keeps its column order in the operator's profile.
        m_list->SetSettings(&sheet->Host().Profile());
        m_list->SetPrompter(&sheet->GetPrompter());
        m_list->Init(kListName);
        m_initialized = true;
    }
    // Next waits for a choice when there is one to make; with one row or
    // none, Next offers that row or says a Customer is needed.
    const int rows = m_list->FillCustomers(sheet->Connection(), false);
    sheet->SetWizardButtons(rows > 1 ? CZELVWizardSheet::WizBack
                                     : CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
}

void CCustomerPage::OnKillActive() {
    m_list->SaveColumnOrder();
}

void CCustomerPage::OnSelectionChanged() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || sheet->GetActivePage() != this)
        return;
    sheet->SetWizardButtons(m_list->SelectedRow() >= 0
                                ? CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext
                                : CZELVWizardSheet::WizBack);
}

int CCustomerPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const int chosen = m_list->RequireCustomer();
    if (chosen == 0)
        return kStay;
    const ZELVCUSTEx* customer = m_list->CustomerAt(chosen - 1);
    if (!customer)
        return kStay;
    if (sheet->Task() == TaskVolumeManagement && customer->volumes == 0) {
        sheet->GetPrompter().Tell(QStringLiteral("You cannot manage a Customer with no Volumes"),
                                  QStringLiteral("No Volumes"), PromptIcon::Warning, this);
        return kStay;
    }
    if (sheet->Task() == TaskMoveLists && customer->moves == 0) {
        sheet->GetPrompter().Tell(
            QStringLiteral("You cannot display Move Lists for a Customer with no moving Volumes"),
            QStringLiteral("No Moving Volumes"), PromptIcon::Warning, this);
        return kStay;
    }
    sheet->SetCustomer(customer->customerId.Text());
    return sheet->AfterCustomer();
}
