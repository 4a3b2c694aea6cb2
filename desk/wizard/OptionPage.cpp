#include "OptionPage.h"

#include <QLabel>
#include <QVBoxLayout>

COptionPage::COptionPage() : CZELVDeskPage(IDD_OPTIONS) {
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Options"), this);
    label->setObjectName(QStringLiteral("pageName"));
    layout->addWidget(label);
    layout->addStretch(1);
}

void COptionPage::OnSetActive() {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack);
}
