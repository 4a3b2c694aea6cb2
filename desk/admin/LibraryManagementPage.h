#pragma once

#include "LocationPage.h"

// Manage Library Selection: the Repository whose library window opens. A
// double-click presses Next; Next opens the window and, when it is closed,
// leads to the final page.
class CLibraryManagementPage : public CLocationPage {
    Q_OBJECT
public:
    static inline const QString kListName = QStringLiteral("LibraryManagement_List");

    CLibraryManagementPage();
    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
};
