#include "LocationPage.h"

#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"

#include <QLabel>
#include <QVBoxLayout>

CLocationPage::CLocationPage(int templateId, int titleId, int subtitleId, const QString& name,
                             const QString& intro, const QString& hint, const QString& listName)
    : CZELVDeskPage(templateId), m_listName(listName) {
    SetHeader(ZELVDeskString(titleId), ZELVDeskString(subtitleId));
    setObjectName(name + QStringLiteral("Page"));

    auto* introLabel = new QLabel(intro, this);
    introLabel->setWordWrap(true);
    auto* hintLabel = new QLabel(hint, this);
    hintLabel->setWordWrap(true);

    m_list = new CZELV10RepositoryListCtrl(this);
    m_list->setObjectName(name + QStringLiteral("List"));
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(introLabel);
    layout->addWidget(hintLabel);
    layout->addWidget(m_list, 1);
}

CZELVDeskSheet* CLocationPage::Activate() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return nullptr;
    if (!m_initialized) {
        m_list->SetSettings(&sheet->Host().Profile());
        m_list->SetPrompter(&sheet->GetPrompter());
        m_list->Init(m_listName);
        m_initialized = true;
    }
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    return sheet;
}

const ZELVREPOSITORYFULL* CLocationPage::Chosen() {
    const int chosen = m_list->RequireRepository();
    return chosen == 0 ? nullptr : m_list->RepositoryAt(chosen - 1);
}

void CLocationPage::OnKillActive() {
    m_list->SaveColumnOrder();
}
