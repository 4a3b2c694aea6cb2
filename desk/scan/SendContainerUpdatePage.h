#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

class CMoveDatePropertyGridProperty;
class CZELVPropertyGridCtrl;
class CZELVPropertyGridProperty;

// Update Container Details: the Containers that Scan-Out filled (or that were
// moving already), each with its target, next move date and description;
// Next writes them back with their target and Scanned-Out flag.
class CSendContainerUpdatePage : public CZELVDeskPage {
    Q_OBJECT
public:
    static inline const QString kProfileSection = QStringLiteral("Options");
    static inline const QString kProfileKey = QStringLiteral("ScanOutContainers");

    CSendContainerUpdatePage();

    void OnSetActive() override;
    int OnWizardNext() override;
    // The page before it in the page table.
    int OnWizardBack() override { return IDD_SEND_VOLUMES; }

    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    CZELVPropertyGridProperty* ScanOutSetting() const { return m_scanOut; }
    // The group of a Container, by its Volume text; none when not shown.
    CZELVPropertyGridProperty* ContainerGroup(const QString& text) const;
    // A row of a Container's group by its name.
    static CZELVPropertyGridProperty* Row(CZELVPropertyGridProperty* group, const QString& name);

private:
    CZELVPropertyGridCtrl* m_grid = nullptr;
    CZELVPropertyGridProperty* m_scanOut = nullptr;
    CZELVPropertyGridProperty* m_containers = nullptr;
};
