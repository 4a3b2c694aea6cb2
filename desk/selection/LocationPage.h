#pragma once

#include "ZELV10Records.h"
#include "ZELVDeskPage.h"

class CZELV10RepositoryListCtrl;
class CZELVDeskSheet;

// A page whose work is picking one Repository: two lines of explanation over
// the Repository list, a double-click pressing Next. The Scan-In, Scan-Out
// and Recall location pages differ only in what they list and where Next goes.
class CLocationPage : public CZELVDeskPage {
    Q_OBJECT
public:
    CZELV10RepositoryListCtrl* List() const { return m_list; }
    void OnKillActive() override;

protected:
    // name: "receiveLocation" names the page "receiveLocationPage" and its
    // list "receiveLocationList"; listName keys the list's saved columns.
    CLocationPage(int templateId, int titleId, int subtitleId, const QString& name,
                  const QString& intro, const QString& hint, const QString& listName);

    // First activation gives the list its settings; every one enables Back
    // and Next. None without a sheet.
    CZELVDeskSheet* Activate();
    // The chosen Repository; none when the operator chose none (and was told).
    const ZELVREPOSITORYFULL* Chosen();

private:
    CZELV10RepositoryListCtrl* m_list = nullptr;
    QString m_listName;
    bool m_initialized = false;
};
