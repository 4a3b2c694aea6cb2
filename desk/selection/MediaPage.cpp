#include "MediaPage.h"

#include "ZELV10MediaListCtrl.h"
#include "ZELVDeskStrings.h"

#include <QVBoxLayout>

CMediaPage::CMediaPage() : CZELVDeskPage(IDD_MEDIA) {
    SetHeader(ZELVDeskString(kTitle), ZELVDeskString(kSubtitle));
    auto* layout = new QVBoxLayout(this);
    m_list = new CZELV10MediaListCtrl(this);
    m_list->setObjectName(QStringLiteral("mediaList"));
    m_list->LoadIcons({kRowIcon});
    layout->addWidget(m_list);

    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });
}

void CMediaPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_initialized) {
        m_list->SetPrompter(&sheet->GetPrompter());
        m_initialized = true;
    }
    m_list->FillMediaTypes(sheet->Connection(), sheet->Customer(), false);
    // A later page may have left Next off; here Next always answers, with
    // the choice or with what is missing.
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
}

int CMediaPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const int chosen = m_list->RequireMediaType();
    if (chosen == 0)
        return kStay;
    const ZELVMEDIAEx* media = m_list->MediaAt(chosen - 1);
    if (!media)
        return kStay;
    sheet->SetMedia(media->mediaId.Text());
    // AfterMediaType loads the Volumes and fills the task's location list.
    return sheet->AfterMediaType();
}

int CMediaPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    if (sheet && !sheet->ConfirmCustomerChange())
        return kStay;
    return IDD_CUSTOMER;
}
