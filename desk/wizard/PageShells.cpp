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

CUpdatePage::CUpdatePage() : CPageShell(IDD_UPDATE, QStringLiteral("Scan and Modify"), 308, 248) {}

bool CUpdatePage::OnQueryCancel() {
    CZELVDeskSheet* sheet = Desk();
    return !sheet || sheet->ConfirmExit();
}

CUpdatePageApply::CUpdatePageApply()
    : CPageShell(IDD_UPDATE_APPLY, QStringLiteral("Apply and Verify"), 0, 0) {}

CExtendedAttributesPage::CExtendedAttributesPage()
    : CPageShell(IDD_EXTENDED_ATTRIBUTES, QStringLiteral("Extended Attributes"), 329, 370) {}

CReconciliationLocationPage::CReconciliationLocationPage()
    : CPageShell(IDD_RECONCILIATION_LOCATION, QStringLiteral("Reconciliation Location"), 0, 0) {}

int CReconciliationLocationPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}

CReconciliationScanPage::CReconciliationScanPage()
    : CPageShell(IDD_RECONCILIATION_SCAN, QStringLiteral("Reconciliation Scan"), 0, 0) {}

CLibraryManagementPage::CLibraryManagementPage()
    : CPageShell(IDD_LIBRARY_MANAGEMENT, QStringLiteral("Manage Library Selection"), 0, 0) {}

int CLibraryManagementPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->MediaBackTarget() : int(IDD_INTRO);
}
