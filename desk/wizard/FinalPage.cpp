#include "FinalPage.h"

#include <QLabel>
#include <QVBoxLayout>

CFinalPage::CFinalPage() : CZELVDeskPage(IDD_FINAL) {
    SetHideHeader(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Complete"), this);
    label->setObjectName(QStringLiteral("pageName"));
    layout->addWidget(label);
    layout->addStretch(1);
}

void CFinalPage::OnSetActive() {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizFinish);
}

int CFinalPage::OnWizardBack() {
    if (CZELVDeskSheet* sheet = Desk()) {
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
        sheet->ClearRecallSelection();
    }
    return IDD_INTRO;
}
