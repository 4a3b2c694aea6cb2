#pragma once

#include "ScanPage.h"
#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVListModel.h"

#include <vector>

class CVolumeRecord;
class CZELVListCtrl;
class QMenu;

// Scan-In Volumes: the Volumes of the Customer on their way to the Scan-In
// Repository. Each scan that matches a listed Volume confirms it on the
// server at once, moves it to "Scanned Items" and hands it to the routing
// rules; nothing is left for a later update.
class CReceiveVolumesPage : public CScanPage {
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
        quint64 version = 0; // as the list read it: a journaled scan replays against it
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

    static constexpr int kScanCommand = 32814;
    // Image list of the expected list: Volume, Container, location, the ten
    // Repository images (types 0 to 8, unknown), other.
    static constexpr int kRepositoryImageBase = 3;
    static constexpr int kUnknownRepositoryImage = 9;

    CReceiveVolumesPage();
    ~CReceiveVolumesPage() override;

    void OnSetActive() override;
    int OnWizardNext() override { return IDD_FINAL; }
    int OnWizardBack() override { return IDD_INTRO; }

    // Empties Scanned Items and lists the expected Volumes again (F5).
    void LoadExpectedList();
    // One scan from the scanning window; the outcome code goes back to it.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    // Confirms the selected rows (Space, "&Scan").
    void ConfirmSelected();

    ZELVSCANVOLUMEARGS ScanArgs() override;

    const std::vector<VOLUMEPAGE_ITEM>& Items() const { return m_items; }
    CZELVListCtrl* ExpectedList() const { return m_list; }
    CZELVListCtrl* ScannedItems() const { return m_scanned; }
    QMenu* ContextMenu() const { return m_menu; }

protected:
    QString ScanCaption() const override { return QStringLiteral("Scan-In Volumes"); }
    QString JournalTask() const override { return QStringLiteral("Scan-In"); }
    CScanJournal::Outcome ReplayEntry(const ScanJournalEntry& entry, CVolumeRecord& record,
                                      ReplayRead read, const QString& problem) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTabLabel();
    // After a confirmation: the Volume joins Scanned Items, leaves the array
    // and goes through the routing rules.
    void Accept(size_t index, CVolumeRecord& record, int image);
    void Route(CVolumeRecord& record);
    // The server is away: the scan goes to the journal and the item to
    // Scanned Items, to be confirmed when the server is back.
    uint32_t Journal(size_t index);

    std::vector<VOLUMEPAGE_ITEM> m_items;
    Rows m_rows{m_items};
    CZELVListCtrl* m_list = nullptr;
    CZELVListCtrl* m_scanned = nullptr;
    QMenu* m_menu = nullptr;
};
