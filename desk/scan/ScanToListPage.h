#pragma once

#include "ScanPage.h"
#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVListModel.h"

#include <functional>
#include <memory>
#include <vector>

class CVolumeRecord;
class CZELV10RepositoryCache;
class CZELVListCtrl;
class QMenu;

// Scan-To-List: a working list of scanned Volumes, whatever their Customer,
// each read from the server with its current and next Repository, location,
// Container, description and the last server message. The operator then adds
// unknown Volumes, confirms Volumes at their next Repository, reads them
// again or expands Containers, on the selected rows.
class CScanToListPage : public CScanPage {
    Q_OBJECT
public:
    struct SCANLIST_ITEM {
        CVolumeKey key;
        CZELV10RC result{ZELV10RC_NOTREAD};
        QString current;     // current Repository identifier
        QString next;        // that Repository's next Repository
        QString currentText; // display texts of both
        QString nextText;
        QString location; // zone and slot of the current location
        QString description;
        uint32_t container = 0;
        unsigned flags = 0; // kItemContainer
    };
    static constexpr unsigned kItemContainer = 0x1;

    enum Column {
        ColCustomer = 0,
        ColMedia,
        ColVolume,
        ColCurrent,
        ColLocation,
        ColNext,
        ColContainer,
        ColDescription,
        ColMessage,
        ColumnCount
    };
    enum Command {
        kAddCommand = 32805,
        kConfirmCommand = 32806,
        kRefreshCommand = 32807,
        kSelectAllCommand = 32811,
        kInvertCommand = 32859,
        kExportFileCommand = 32860,
        kExportMailCommand = 32861,
        kExpandCommand = 32862
    };
    static constexpr const char* kListTitle = "Kelmar Listed Volumes";

    // The shown items, in display order; a sort reorders the pointers.
    class Rows : public CZELVPointerRows<SCANLIST_ITEM> {
    public:
        explicit Rows(const CScanToListPage& page) : m_page(page) {}
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;

    private:
        const CScanToListPage& m_page;
    };

    CScanToListPage();
    ~CScanToListPage() override;

    void OnSetActive() override;
    // Both empty the list first.
    int OnWizardNext() override;
    int OnWizardBack() override;

    // One scan from the scanning window; the outcome code goes back to it.
    uint32_t OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item);
    // The bulk operations on the selected shown rows.
    void AddSelected();
    void ConfirmSelected();
    void RefreshSelected();
    void ExpandSelected();
    // The shown items again, after the filters.
    void BuildShown();

    ZELVSCANVOLUMEARGS ScanArgs() override;

    const std::vector<std::unique_ptr<SCANLIST_ITEM>>& Items() const { return m_items; }
    CZELVListCtrl* List() const { return m_list; }
    QMenu* ContextMenu() const { return m_menu; }

protected:
    QString ScanCaption() const override { return QStringLiteral("List Volumes"); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString CellText(const SCANLIST_ITEM& item, int column) const;
    // A new item for the key, read from the server, kept in scan order.
    void Append(const CVolumeKey& key);
    // Takes what the record says into the item; fields it cannot tell keep
    // their earlier values.
    void Fill(SCANLIST_ITEM& item, const CVolumeRecord& record);
    void Empty();
    // Runs op over the selected shown rows in order under the progress window
    // (title, one line per Volume), then shows every row's result.
    void RunBulk(const QString& title, const QString& line,
                 const std::function<CZELV10RC(SCANLIST_ITEM&)>& op);
    void UpdateTabLabel();

    std::vector<std::unique_ptr<SCANLIST_ITEM>> m_items; // scan order
    Rows m_rows{*this};
    // Its own, as the items belong to any Customer and Media Type.
    std::unique_ptr<CZELV10RepositoryCache> m_repositories;
    CZELVListCtrl* m_list = nullptr;
    QMenu* m_menu = nullptr;
};
