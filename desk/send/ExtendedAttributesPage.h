#pragma once

#include "ZELVDeskPage.h"

class CAttributesPropertyGridCtrl;
class QTabBar;
struct UpdateItem;

// Modify Extended Attributes: after Apply and Verify, a tab per updated
// Volume whose Customer defines attributes, and a grid of its attributes.
class CExtendedAttributesPage : public CZELVDeskPage {
    Q_OBJECT
public:
    CExtendedAttributesPage();
    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_UPDATE_APPLY; }

    QTabBar* Tabs() const { return m_tabs; }
    CAttributesPropertyGridCtrl* Grid() const { return m_grid; }
    void ShowTab(int index);

private:
    QTabBar* m_tabs = nullptr;
    CAttributesPropertyGridCtrl* m_grid = nullptr;
    std::vector<UpdateItem*> m_items; // per tab
    bool m_built = false;
};
