#pragma once

#include "CertificateDlgs.h"
#include "Reconciliation.h"
#include "ScanPage.h"
#include "ZELV10RC.h"
#include "ZELV10RCList.h"
#include "ZELVDeskIds.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <vector>

class CZELVPropertyGridCtrl;
class QMenu;

// The audit list: Volume-ID, scan count, status and, with a vault manifest,
// the three-way difference. Scanned rows are struck out.
class CReconciliationListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColVolume = 0, ColScanCount, ColStatus, ColDifference, ColumnCount };
    explicit CReconciliationListCtrl(QWidget* parent = nullptr);
};

// Reconciliation Scan: audits the chosen Repository by scanning what stands
// there, writes each Volume's audit result to the server, flags the unseen
// and hands over to certificate creation.
class CReconciliationScanPage : public CScanPage {
    Q_OBJECT
public:
    static constexpr const char* kReportTitle = "Kelmar Lite Reconciliation Report";
    enum Command { kCopyCommand = 32900, kTextCommand, kXmlCommand };

    CReconciliationScanPage();
    ~CReconciliationScanPage() override;

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
    void OnTimer(int id) override;

    // One scan from the scanning window; the answer goes back to it.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    ZELVSCANVOLUMEARGS ScanArgs() override;

    // Reads a vault manifest and compares; false (the operator was told why)
    // when the file cannot be used, and the comparison stays as it was.
    bool LoadManifest(const QString& path);
    void ChooseManifest();
    // The context menu's commands.
    void CopySelected();
    // openMode: ZELVExport::OpenMode (the menu asks).
    bool ExportReport(const QString& path = {}, int openMode = 0);
    bool ExportXml();

    void SetDialogRunner(ZelvDialogRunner runner) { m_runDialog = std::move(runner); }

    const CReconciliationAudit& Audit() const { return m_audit; }
    CReconciliationListCtrl* List() const { return m_list; }
    CZELVPropertyGridCtrl* StatisticsGrid() const { return m_stats; }
    CZELVListCtrl* ThreeWayList() const { return m_threeWay; }
    QMenu* ContextMenu() const { return m_menu; }
    bool IsFinished() const { return m_finished; }
    // The statistic of that name as the grid shows it.
    qint64 Statistic(const QString& name) const;
    // The three-way rows again (a manifest loaded, the tab shown).
    void BuildThreeWay();
    // The audit list's rows again, after the filters.
    void BuildShown();

protected:
    QString ScanCaption() const override { return QStringLiteral("Reconciliation Scan"); }

private:
    // The shown items, after the header filters; a sort reorders them.
    class Rows : public CZELVPointerRows<CReconciliationScanItem> {
    public:
        QString Text(int row, int column) const override;
        static QString CellText(const CReconciliationScanItem& item, int column);
        int Image(int row, int column) const override;
        bool IsStruckOut(int row) const override;
        int Compare(int left, int right, int column) const override;
    };
    class ThreeWayRows : public CZELVPointerRows<const CThreeWayRow> {
    public:
        QString Text(int row, int column) const override;
        static QString CellText(const CThreeWayRow& row, int column);
    };

    QString KeyText(const QString& volume) const;
    void ShowStatistics();
    // The previous run's results, kept or cleared as the operator answers.
    void OfferResume();
    // A listed Volume's pass (first and second scans).
    CZELV10RC WritePass(CReconciliationScanItem& item, bool duplicate);
    // A Volume that does not belong here: failed, then moved here.
    CZELV10RC WriteSurplus(CReconciliationScanItem& item, bool known);
    void FlagUnseen();
    void UpdateDifference(CReconciliationScanItem& item) const;
    void ShowThreeWayShown();

    CReconciliationAudit m_audit;
    Rows m_rows;
    CReconciliationListCtrl* m_list = nullptr;
    CZELVPropertyGridCtrl* m_stats = nullptr;
    CZELVListCtrl* m_threeWay = nullptr;
    ThreeWayRows m_threeWayRows;
    std::vector<CThreeWayRow> m_threeWayAll;
    QMenu* m_menu = nullptr;
    CVaultManifest m_manifest;
    QString m_manifestPath;
    bool m_finished = false;
    ZelvDialogRunner m_runDialog;
};
