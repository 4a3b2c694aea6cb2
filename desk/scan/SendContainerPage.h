#pragma once

#include "SendList.h"
#include "ZELV10ScanDlg.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QDialog>
#include <memory>
#include <vector>

class CContainerAllocation;
class CZELVLogListCtrl;
class QItemSelection;
class QMenu;
class QPushButton;
class QTabWidget;

// The Containers offered at the Scan-Out Repository. The list owns its
// candidates; a sort reorders them, so row r is always candidate r.
class CSendContainerListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column {
        ColContainer = 0,
        ColCapacity,
        ColUsed,
        ColAvailable,
        ColReserved,
        ColTarget,
        ColDataCluster
    };

    explicit CSendContainerListCtrl(QWidget* parent = nullptr);
    ~CSendContainerListCtrl() override;

    std::vector<CandidateContainer>& Candidates() { return m_candidates; }
    const CandidateContainer* CandidateAt(int row) const;
    // The row of the Container with that key, -1 for none.
    int FindRow(const CVolumeKey& key) const;

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(std::vector<CandidateContainer>& c) : m_c(c) {}
        int RowCount() const override { return int(m_c.size()); }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        const void* Record(int row) const override;
        int Compare(int left, int right, int column) const override;
        bool ApplyOrder(const std::vector<int>& order) override;

    private:
        std::vector<CandidateContainer>& m_c;
    };
    std::vector<CandidateContainer> m_candidates;
    Rows m_rows{m_candidates};
};

// "Container Allocation": the Volumes of the send list allocated to one Container.
class CSendContainerAllocationDlg : public QDialog {
    Q_OBJECT
public:
    CSendContainerAllocationDlg(const std::vector<VOLUMEPAGE_ITEM>& sendList,
                                const CandidateContainer& container, QWidget* parent = nullptr);
    CZELVListCtrl* List() const { return m_list; }

private:
    CZELVListCtrl* m_list = nullptr;
};

// Scan-Out Container Selection: offers the Containers at the Scan-Out
// Repository, allocates the send list to them by the "allocation" rules and
// hands the selected ones to Scan-Out Volumes.
class CSendContainerPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kShowAllocationCommand = 32830;
    static constexpr int kNoContainersIcon = 389;
    static constexpr int kNoContainersSound = 108;

    CSendContainerPage();
    ~CSendContainerPage() override;

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

    // Opens the scanning window that selects Containers by their barcode.
    void OpenScanWindow();
    ZELVSCANVOLUMEARGS ScanArgs();
    // One scan: selects that Container's row (0), 61 when it is not offered.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    // The Container Allocation dialog for each selected row.
    void ShowAllocation();

    CSendContainerListCtrl* List() const { return m_list; }
    CZELVLogListCtrl* AllocationLog() const { return m_log; }
    QTabWidget* Tabs() const { return m_tabs; }
    QMenu* ContextMenu() const { return m_menu; }

private:
    // Selects again the rows that must stay selected.
    void Reselect(bool reservedToo);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

    CSendContainerListCtrl* m_list = nullptr;
    CZELVLogListCtrl* m_log = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_scanButton = nullptr;
    QMenu* m_menu = nullptr;
    std::unique_ptr<CContainerAllocation> m_allocation;
    bool m_reselecting = false;
};
