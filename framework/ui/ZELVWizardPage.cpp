#include "ZELVWizardPage.h"

#include "ZELVWizardSheet.h"

CZELVWizardPage::CZELVWizardPage(int templateId, QWidget* parent)
    : QWidget(parent), m_templateId(templateId) {
    setObjectName(QStringLiteral("wizardPage%1").arg(templateId));
}

void CZELVWizardPage::SetHeader(const QString& title, const QString& subtitle) {
    m_headerTitle = title;
    m_headerSubtitle = subtitle;
    if (m_sheet && m_sheet->GetActivePage() == this)
        m_sheet->UpdateLayout();
}

void CZELVWizardPage::SetHideHeader(bool hide) {
    m_hideHeader = hide;
    if (m_sheet && m_sheet->GetActivePage() == this)
        m_sheet->UpdateLayout();
}
