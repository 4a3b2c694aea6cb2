#pragma once

#include "ScanPage.h"
#include "SendList.h"
#include "ZELVDeskIds.h"
#include "ZELVListModel.h"

#include <vector>

class CVolumeRecord;
class CZELVListCtrl;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// A scan that was not in the send list, kept while the scanning window is
// open: it may go into the Container that was current when it was scanned.
struct CSendVolumesExtra {
    CVolumeKey key;
    CandidateContainer* container = nullptr;
    // The Volume's current and target Repository; both empty when the target
    // is the Container's Repository.
    QString location1;
    QString location2;
    unsigned flags = 0; // kExtraExcluded
};
// The operator took the entry out of the Additional Volumes dialog.
constexpr unsigned kExtraExcluded = 0x1;

// Scan-Out Volumes: the send list of the sheet. Each scan of a listed Volume
// sets its Scanned-Out flag on the server at once and, with a Container
// current, puts it into that Container. Scanned Volumes are shown under
// their Container in "Scanned Items".
class CSendVolumesPage : public CScanPage {
    Q_OBJECT
public:
    static constexpr int kScanCommand = 32815;
    static constexpr int kSetCurrentCommand = 32812;
    static constexpr int kQueuedIcon = 356;
    static constexpr int kUpdateErrorIcon = 368;
    // Image lists: send list Volume, Container, ten Repository images; tree
    // Volume, Container.
    static constexpr int kRepositoryImageBase = 2;
    static constexpr int kUnknownRepositoryImage = 9;
    enum TreeImage { TreeVolume = 0, TreeContainer = 1 };

    // The send list's rows, drawn from the sheet's array.
    class Rows : public CZELVListRows {
    public:
        explicit Rows(CSendVolumesPage& page) : m_page(page) {}
        int RowCount() const override;
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        bool ApplyOrder(const std::vector<int>& order) override;

    private:
        const VOLUMEPAGE_ITEM* At(int row) const;
        CSendVolumesPage& m_page;
    };

    CSendVolumesPage();
    ~CSendVolumesPage() override;

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_INTRO; }
    void OnTimer(int id) override;
    ZELVSCANVOLUMEARGS ScanArgs() override;

    // One scan from the scanning window; the outcome code goes back to it.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    // Scans out the selected rows (Space, "&Scan").
    void ScanSelected();
    // Makes a root node of Scanned Items the current one (bold).
    void SetCurrent(QTreeWidgetItem* node);
    // The current root's Container; none for "No Container".
    CandidateContainer* CurrentContainer() const;

    CZELVListCtrl* List() const { return m_list; }
    QTreeWidget* ScannedItems() const { return m_tree; }
    QTreeWidgetItem* CurrentNode() const { return m_current; }
    const std::vector<CSendVolumesExtra>& Queue() const { return m_queue; }
    QMenu* ContextMenu() const { return m_menu; }
    QMenu* ContainerMenu() const { return m_containerMenu; }

protected:
    QString ScanCaption() const override { return QStringLiteral("Scan-Out Volumes"); }
    void OnScanWindowOpening() override { m_queue.clear(); }
    void OnScanWindowClosed() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QString JournalTask() const override { return QStringLiteral("Scan-Out"); }
    CScanJournal::Outcome ReplayEntry(const ScanJournalEntry& entry, CVolumeRecord& record,
                                      ReplayRead read, const QString& problem) override;

private:
    std::vector<VOLUMEPAGE_ITEM>* Items() const;
    void UpdateTabLabel();
    void RebuildTree();
    // Scans out one send-list row; the outcome code. away: the server is
    // known to be away, the scan goes to the journal.
    uint32_t ScanOutRow(size_t index, bool away = false);
    // Keeps the row's scan in the journal and shows it scanned.
    uint32_t Journal(size_t index, CandidateContainer* container);
    // The root of Scanned Items for a Container number (0: "No Container").
    QTreeWidgetItem* RootOf(uint32_t container) const;
    void RemoveRow(size_t index);
    void QueueScan(const CVolumeKey& key);
    void AssignQueued();
    void AddChild(QTreeWidgetItem* parent, const QString& text, int image);

    Rows m_rows{*this};
    CZELVListCtrl* m_list = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_current = nullptr;
    QTreeWidgetItem* m_menuNode = nullptr;
    QMenu* m_menu = nullptr;
    QMenu* m_containerMenu = nullptr;
    std::vector<CSendVolumesExtra> m_queue;
    bool m_sorted = false;
};
