#pragma once

#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

#include <vector>

class CManageProperties;
class QTabBar;

// Manage Media Library: the Customer's library one Media Type at a time, a
// tab each. Next moves and descriptions are written as they are edited.
class CManagePage : public CZELVDeskPage {
    Q_OBJECT
public:
    CManagePage();

    void OnSetActive() override;
    int OnWizardNext() override { return IDD_FINAL; }
    int OnWizardBack() override;

    // Shows the Media Type of a tab (the tab control does it on a change).
    void SelectMedia(int tab);

    QTabBar* Tabs() const { return m_tabs; }
    CManageProperties* Panel() const { return m_panel; }
    const std::vector<ZELVMEDIAEx>& TabMedia() const { return m_media; }

private:
    QTabBar* m_tabs = nullptr;
    CManageProperties* m_panel = nullptr;
    std::vector<ZELVMEDIAEx> m_media; // index = tab index
    bool m_building = false;
};
