#pragma once

#include "ScanPage.h"
#include "UpdateItem.h"
#include "VolumeAuto.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"
#include "ZELVPropertyGridCtrl.h"

#include <QTreeWidget>
#include <functional>

class CUpdatePage;
class QMenu;

// The scan list as a tree: Containers at the top, their Volumes under them,
// Volumes without a Container under "No Container". Volumes are dragged
// between Containers; unknown Volumes show white on red.
class CUpdateTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kImageContainer = 0;
    static constexpr int kImageVolume = 1;
    explicit CUpdateTreeCtrl(CUpdatePage& page, QWidget* parent = nullptr);
    // The drop of one node onto another; false when nothing moved.
    bool DropOn(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

protected:
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CUpdatePage& m_page;
};

// The property grid over the tree: one scanned item's identity, target,
// next move, threshold, Data-Cluster and description.
class CUpdatePropertyGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    explicit CUpdatePropertyGridCtrl(CUpdatePage& page, QWidget* parent = nullptr);

protected:
    void OnPropertyChanged(CZELVPropertyGridProperty* property) override;

private:
    CUpdatePage& m_page;
};

// The "Quick Edit" tab: the scan list as a table with in-place editors for
// the next move, the description and the Data-Cluster.
class CUpdateQuickEditListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColVolume = 0, ColNextMove, ColDescription, ColCluster };
    explicit CUpdateQuickEditListCtrl(CUpdatePage& page, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CUpdatePage& m_page;
};

// Scan and Modify: the first page of the Send task.
class CUpdatePage : public CScanPage {
    Q_OBJECT
public:
    // Rows of the grid, kept in each row's data.
    enum Row {
        RowCustomer = 1,
        RowMedia,
        RowVolume,
        RowStatus,
        RowTarget,
        RowNextMove,
        RowThreshold,
        RowCluster,
        RowDescription
    };
    // Quick Edit's copy and paste: which values.
    enum Clip { ClipCluster = 1, ClipDescription = 2, ClipNextMove = 4, ClipAll = 7 };
    static constexpr int kSelectSound = 205;
    static constexpr int kCopySound = 346;
    static constexpr int kPasteSound = 347;

    CUpdatePage();

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
    bool OnQueryCancel() override;
    void OnTimer(int id) override;
    ZELVSCANVOLUMEARGS ScanArgs() override;

    // One scan (the scanning window's message, and the predefined lists).
    uint32_t OnScan(const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item);
    // Feeds the selected predefined lists through OnScan.
    void FeedPredefinedLists();
    void RemoveSelected();
    // Shows the grid for the node's item (none or "No Container" hides it).
    void ShowItem(QTreeWidgetItem* node);
    void HideGrid();
    // A changed grid row.
    void OnGridChanged(CZELVPropertyGridProperty* row);
    // Moves a Volume's node under a Container's; false when not allowed.
    bool MoveToContainer(QTreeWidgetItem* dragged, QTreeWidgetItem* target);
    void OnTabChanged(int index);

    // Quick Edit.
    void Copy(int what);
    void Paste(int what);
    // Page Up (+1) and Page Down (-1) on the selected rows.
    void StepDates(int days);

    // How dates and thresholds are edited (dialogs; tests answer themselves).
    void SetMoveDateEditor(std::function<int(CZELVDate*)> editor) {
        m_dateEditor = std::move(editor);
    }
    void SetThresholdEditor(std::function<bool(uint16_t*)> editor) {
        m_thresholdEditor = std::move(editor);
    }
    // Decides the Holiday Warning dialog: 1 continue, 2 return (tests answer).
    void SetHolidayDialog(std::function<int()> dialog) { m_holidayDialog = std::move(dialog); }

    UpdateItemList& List() const;
    UpdateItem* ItemOf(QTreeWidgetItem* node) const;
    CUpdateTreeCtrl* Tree() const { return m_tree; }
    QTreeWidgetItem* NoContainerNode() const { return m_noContainer; }
    CUpdatePropertyGridCtrl* Grid() const { return m_grid; }
    CUpdateQuickEditListCtrl* QuickEdit() const { return m_quick; }
    QTabWidget* ItemTabs() const { return Tabs(); }
    UpdateItem* ShownItem() const { return m_shown; }
    QMenu* TreeMenu() const { return m_treeMenu; }
    QMenu* QuickEditMenu() const { return m_quickMenu; }
    const CVolumeAutoList& VolumeAuto() const { return m_auto; }
    // The cluster list of a Customer (read when the Customer changes).
    const std::vector<ZELVCLUSTERFULL>& Clusters(const QString& customer);
    QString ClusterName(const QString& customer, uint32_t number);
    void RefreshNode(UpdateItem* item);
    void RedrawQuickEdit();

protected:
    QString ScanCaption() const override { return QStringLiteral("Scan to add Volumes"); }
    void OnScanWindowOpening() override;
    void OnScanWindowClosed() override;

private:
    class QuickRows : public CZELVListRows {
    public:
        explicit QuickRows(CUpdatePage& page) : m_page(page) {}
        int RowCount() const override { return m_count; }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        int m_count = 0;

    private:
        CUpdatePage& m_page;
    };
    friend class QuickRows;

    void RebuildTree();
    void FillGrid(UpdateItem* item);
    void FillMediaChoice(UpdateItem* item);
    void FillTargetChoice(UpdateItem* item);
    void FillClusterChoice(UpdateItem* item);
    void ChooseMediaAndTarget(UpdateItem* item, bool customerChanged);
    void SetTitleCount();
    CZELVDate Today() const;
    void LoadVolumeAuto();

    CUpdateTreeCtrl* m_tree = nullptr;
    QTreeWidgetItem* m_noContainer = nullptr;
    QTreeWidgetItem* m_currentNode = nullptr;
    CUpdatePropertyGridCtrl* m_grid = nullptr;
    CUpdateQuickEditListCtrl* m_quick = nullptr;
    QuickRows m_rows{*this};
    QMenu* m_treeMenu = nullptr;
    QMenu* m_quickMenu = nullptr;
    UpdateItem* m_shown = nullptr;
    CVolumeAutoList m_auto;
    std::vector<ZELVCLUSTERFULL> m_clusters;
    QString m_clusterCustomer;
    bool m_clustersRead = false;
    // The Quick Edit clipboard.
    QString m_clipDescription;
    CZELVDate m_clipDate = UpdateItem::Epoch();
    bool m_clipHasDate = true;
    uint32_t m_clipCluster = 0;
    std::function<int(CZELVDate*)> m_dateEditor;
    std::function<bool(uint16_t*)> m_thresholdEditor;
    std::function<int()> m_holidayDialog;
};
