#include "PageShells.h"

#include "ZELVDeskStrings.h"

#include <QLabel>
#include <QVBoxLayout>

CPageShell::CPageShell(int templateId, const QString& name, int titleId, int subtitleId)
    : CZELVDeskPage(templateId) {
    SetHeader(ZELVDeskString(titleId), ZELVDeskString(subtitleId));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(name, this);
    label->setObjectName(QStringLiteral("pageName"));
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    layout->addWidget(label);
    layout->addStretch(1);
}

void CPageShell::OnSetActive() {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack);
}

CLibraryManagementPage::CLibraryManagementPage()
    : CPageShell(IDD_LIBRARY_MANAGEMENT, QStringLiteral("Manage Library Selection"), 0, 0) {}

int CLibraryManagementPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->MediaBackTarget() : int(IDD_INTRO);
}
