#include "ExtendedAttributesPage.h"

#include "AttributeRows.h"
#include "UpdateItem.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"

#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

CExtendedAttributesPage::CExtendedAttributesPage() : CZELVDeskPage(IDD_EXTENDED_ATTRIBUTES) {
    SetHeader(ZELVDeskString(329), ZELVDeskString(370));
    auto* intro = new QLabel(
        QStringLiteral("The Modify Extended Attributes screen allows you to update the Extend "
                       "Attribites of the Volumes you have previously selected.\n\nKelmar supports "
                       "up to 200 Customer defined Extended Attributes. If you require more "
                       "contact your Kelmar Administrator."),
        this);
    intro->setWordWrap(true);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("attributeTabs"));
    m_grid = new CAttributesPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("attributeGrid"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_tabs);
    layout->addWidget(m_grid, 1);
    connect(m_tabs, &QTabBar::currentChanged, this, &CExtendedAttributesPage::ShowTab);
}

void CExtendedAttributesPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->setWindowTitle(QStringLiteral("Kelmar Lite\u2122 - Modify Extended Attributes"));
    sheet->SetWizardButtons(CZELVWizardSheet::WizNext);
    if (m_built)
        return;
    // The tabs of the Volumes updated in this run, built once.
    m_built = true;
    const QSignalBlocker block(m_tabs);
    UpdateItemList& list = sheet->ScanList();
    for (int i = 0; i < list.Count(); ++i)
        if (UpdateItem* item = list.At(i); item->hasAttributes) {
            m_items.push_back(item);
            m_tabs->addTab(item->DisplayName());
        }
    if (!m_items.empty())
        ShowTab(0);
}

void CExtendedAttributesPage::ShowTab(int index) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || index < 0 || index >= int(m_items.size()))
        return;
    const CZELV10RC saved = m_grid->HasVolume() ? m_grid->Save(sheet->Connection()) : CZELV10RC();
    if (!saved.IsOK())
        sheet->GetPrompter().Tell(saved.Get(), QStringLiteral("Attribute Update Failed"),
                                  PromptIcon::Error, this);
    m_grid->Load(sheet->Connection(), m_items[size_t(index)]->record.key);
    m_grid->ExpandAll(true);
}

int CExtendedAttributesPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const CZELV10RC saved = m_grid->Save(sheet->Connection());
    if (!saved.IsOK()) {
        // The operator sees the refused value and can correct it.
        sheet->GetPrompter().Tell(saved.Get(), QStringLiteral("Attribute Update Failed"),
                                  PromptIcon::Error, this);
        return kStay;
    }
    sheet->ScanList().RemoveAll();
    m_items.clear();
    m_tabs->blockSignals(true);
    while (m_tabs->count())
        m_tabs->removeTab(0);
    m_tabs->blockSignals(false);
    m_built = false;
    return IDD_FINAL;
}
