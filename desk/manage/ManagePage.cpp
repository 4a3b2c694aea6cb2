#include "ManagePage.h"

#include "ManageProperties.h"
#include "MediaCache.h"
#include "ZELVDeskStrings.h"

#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

CManagePage::CManagePage() : CZELVDeskPage(IDD_MANAGE) {
    SetHeader(ZELVDeskString(302), ZELVDeskString(266));
    setObjectName(QStringLiteral("managePage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* intro = new QLabel(
        QStringLiteral("The Manage Media Library screen allows you to see each of your tape "
                       "Volumes. You can use the filters at the top of each column to select "
                       "which Volumes to display. If you wish to view or update the next move "
                       "date, Description or Extended Attributes of a specific Volume, simply "
                       "select the Volume and edit the fields in the property list on the right."),
        this);
    intro->setObjectName(QStringLiteral("manageIntro"));
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    layout->addWidget(intro);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("manageTabs"));
    m_tabs->setExpanding(false);
    layout->addWidget(m_tabs);
    m_panel = new CManageProperties(this);
    m_panel->setObjectName(QStringLiteral("manageProperties"));
    m_panel->hide();
    layout->addWidget(m_panel, 1);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (!m_building)
            SelectMedia(tab);
    });
}

int CManagePage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}

void CManagePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    // Nothing survives between visits: the tabs are built afresh.
    m_building = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    m_media.clear();
    MediaCache& cache = sheet->GetMediaCache();
    if (cache.Load(sheet->Customer(), true))
        for (const ZELVMEDIAEx& m : cache.Records()) {
            if ((m.flags & ZELVMEDIA_HIDDEN) || m.volumes == 0)
                continue;
            m_media.push_back(m);
            m_tabs->addTab(MediaCache::DisplayName(m));
        }
    m_building = false;
    m_panel->setVisible(!m_media.empty());
    if (m_media.empty())
        return;
    m_tabs->setCurrentIndex(0);
    SelectMedia(0);
}

void CManagePage::SelectMedia(int tab) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || tab < 0 || size_t(tab) >= m_media.size())
        return;
    sheet->SetMedia(m_media[size_t(tab)].mediaId.Text());
    sheet->LoadMediaVolumes();
    m_panel->Load(*sheet);
}
