#pragma once

#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELV10ScanDlg.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListModel.h"

#include <vector>

class CVolumeRecord;
class CZELVListCtrl;
class CZELVLogListCtrl;
class CZELVPairStatic;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

// Scan-In Volumes: the Volumes of the Customer on their way to the Scan-In
// Repository. Each scan that matches a listed Volume confirms it on the
// server at once, moves it to "Scanned Items" and hands it to the routing
// rules; nothing is left for a later update.
class CReceiveVolumesPage : public CZELVDeskPage {
    Q_OBJECT
public:
    // One expected Volume.
    struct VOLUMEPAGE_ITEM {
        CVolumeKey key;
        QString from;       // display text of the current Repository
        int container = 0;  // the Volume is a Container
        int fromImage = -1; // type of the current Repository, -1 unknown
        QString location;   // target zone and slot, empty without a slot
        unsigned flags = 0; // bit 0: scanned out
    };
    static constexpr unsigned kItemScannedOut = 0x1;

    // The expected list's rows, drawn from the item array. A sort reorders
    // the array itself, so that row r is always item r.
    class Rows : public CZELVListRows {
    public:
        explicit Rows(std::vector<VOLUMEPAGE_ITEM>& items) : m_items(items) {}
        int RowCount() const override { return int(m_items.size()); }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        bool ApplyOrder(const std::vector<int>& order) override;

    private:
        std::vector<VOLUMEPAGE_ITEM>& m_items;
    };

    // Timer 1 opens the scanning window a second after activation.
    static constexpr int kScanTimer = 1;
    static constexpr int kScanDelayMs = 1000;
    static constexpr int kScanCommand = 32814;
    static constexpr int kScanButtonIcon = 371;
    static constexpr int kNotInListSound = 232;
    static constexpr int kScanErrorIcon = 356;
    // Image list of the expected list: Volume, Container, location, the ten
    // Repository images (types 0 to 8, unknown), other.
    static constexpr int kRepositoryImageBase = 3;
    static constexpr int kUnknownRepositoryImage = 9;

    CReceiveVolumesPage();
    ~CReceiveVolumesPage() override;

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override { return IDD_FINAL; }
    int OnWizardBack() override { return IDD_INTRO; }

    // Empties Scanned Items and lists the expected Volumes again (F5).
    void LoadExpectedList();
    // Opens the scanning window (F10, the "Scan" button, timer 1) and returns
    // when the operator closes it.
    void OpenScanWindow();
    // One scan from the scanning window; the outcome code goes back to it.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    // Confirms the selected rows (Space, "&Scan").
    void ConfirmSelected();

    QTimer* Timer(int id) const;
    void OnTimer(int id);
    // What the scanning window is given.
    ZELVSCANVOLUMEARGS ScanArgs();

    const std::vector<VOLUMEPAGE_ITEM>& Items() const { return m_items; }
    CZELVListCtrl* ExpectedList() const { return m_list; }
    CZELVListCtrl* ScannedItems() const { return m_scanned; }
    CZELVLogListCtrl* ScanLog() const { return m_scanLog; }
    QTabWidget* Tabs() const { return m_tabs; }
    CZELVPairStatic* CustomerPair() const { return m_customerPair; }
    CZELVPairStatic* RepositoryPair() const { return m_repositoryPair; }
    QMenu* ContextMenu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTabLabel();
    void FillCaptionPairs();
    // After a confirmation: the Volume joins Scanned Items, leaves the array
    // and goes through the routing rules.
    void Accept(size_t index, CVolumeRecord& record, int image);
    void Route(CVolumeRecord& record);
    void ShowScanError(const QString& line1, const QString& line2);

    std::vector<VOLUMEPAGE_ITEM> m_items;
    Rows m_rows{m_items};
    CZELVListCtrl* m_list = nullptr;
    CZELVListCtrl* m_scanned = nullptr;
    CZELVLogListCtrl* m_scanLog = nullptr;
    QTabWidget* m_tabs = nullptr;
    CZELVPairStatic* m_customerPair = nullptr;
    CZELVPairStatic* m_repositoryPair = nullptr;
    QPushButton* m_scanButton = nullptr;
    QMenu* m_menu = nullptr;
    QTimer* m_timer = nullptr;
    bool m_scanning = false;
};
