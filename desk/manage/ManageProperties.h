#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"
#include "ZELVPropertyGridCtrl.h"

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <vector>

class CManageProperties;
class CMoveDatePropertyGridProperty;
class CZELVDeskSheet;
class QChartView;
class QLabel;
class QMenu;
class QStackedWidget;
class QTabWidget;
class CZELV10UpdateStatsGridCtrl;

// The Volumes of one Customer and Media Type. Sorting by "Volume-ID" compares
// the identifiers bytewise, by "Location" the Repository names.
class CManageListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    // Next move and Description are there only while the list is exported.
    enum Column { ColVolume = 0, ColLocation = 1, ColNextMove = 2, ColDescription = 3 };
    explicit CManageListCtrl(CManageProperties& panel, QWidget* parent = nullptr);

protected:
    int CompareRows(int left, int right, int column) const override;

private:
    CManageProperties& m_panel;
};

// Writes every change of a row to the server at once (rows of kind 0 are
// only shown).
class CManagePropertyGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    explicit CManagePropertyGridCtrl(CManageProperties& panel, QWidget* parent = nullptr);

protected:
    void OnPropertyChanged(CZELVPropertyGridProperty* property) override;

private:
    CManageProperties& m_panel;
};

// The panel the Media Type tabs share: the filterable Volume list on the
// left; on the right the chart of Volumes per Repository, or with a Volume
// selected its properties and its history.
class CManageProperties : public QWidget {
    Q_OBJECT
public:
    // Row kinds kept in the property rows' data.
    static constexpr int kKindShown = 0;
    static constexpr int kKindNextMove = 1;
    static constexpr int kKindAttribute = 1000; // + attribute number
    static constexpr int kImageVolume = 0;
    static constexpr int kImageContainer = 1;
    static constexpr int kRepositoryImageBase = 2;

    explicit CManageProperties(QWidget* parent = nullptr);
    ~CManageProperties() override;

    // Shows the sheet's Volumes of (Customer, Media): the Media Type's tab was chosen.
    void Load(CZELVDeskSheet& sheet);
    // Rebuilds the shown rows from the header filters.
    void ApplyFilters();
    // Fills the grid and the history of a list row; -1 shows the chart.
    void SelectRow(int row);
    // Writes a changed row to the server; false when it was refused.
    bool WriteProperty(CZELVPropertyGridProperty* property);

    CManageListCtrl* List() const { return m_list; }
    CManagePropertyGridCtrl* Grid() const { return m_grid; }
    CZELVListCtrl* History() const { return m_history; }
    CZELV10UpdateStatsGridCtrl* UpdateStats() const { return m_updateStats; }
    QTabWidget* Details() const { return m_details; }
    QChartView* ChartView() const { return m_chart; }
    QLabel* FilterNotice() const { return m_filterNotice; }
    // The Volume whose properties are shown, or none.
    const ZELVVOLSFULL* Selected() const { return m_selected; }
    CMoveDatePropertyGridProperty* NextMoveRow() const;
    unsigned HiddenCount() const { return m_hidden; }
    int ShownCount() const { return m_rows.RowCount(); }
    const ZELVVOLSFULL* VolumeAt(int row) const;
    // The list's text of a Repository.
    QString LocationName(const ZELVVOLSFULL& volume) const;
    int LocationImage(const ZELVVOLSFULL& volume) const;
    // Draws the Repository chart of the loaded Customer and Media Type.
    void DrawChart();

    // The "MANAGE" context menu: "&Export" and "Scan" / "To &Add".
    QMenu* Menu() const { return m_menu; }
    // The list with its next moves and descriptions, through the list export.
    bool ExportList();
    // Opens the scanning window; each new Volume scanned is added to the
    // library at the initial Repository. The list is read again afterwards.
    void ScanToAdd();
    // One scan of the scanning window: the outcome code it shows.
    uint32_t OnScan(const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item);

private:
    class Rows : public CZELVPointerRows<ZELVVOLSFULL> {
    public:
        explicit Rows(CManageProperties& panel) : m_panel(panel) {}
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;

    private:
        CManageProperties& m_panel;
    };
    struct Place {
        QString name;
        QByteArray utf8; // the name as filters match it
        int image = -1;
    };

    void FillGrid(const ZELVVOLSFULL& volume);
    void FillHistory(const ZELVVOLSFULL& volume);
    // Reads the Volume again into the list's record and shows it afresh:
    // after a refused write the operator sees what the server holds.
    void Reload(ZELVVOLSFULL* volume);
    void ShowDetails(bool show);
    QString KeyText(const ZELVVOLSFULL& volume) const;
    void UpdateFilterNotice();

    CZELVDeskSheet* m_sheet = nullptr;
    QString m_customer;
    QString m_media;
    std::vector<ZELVVOLSFULL>* m_volumes = nullptr; // the sheet's array
    Rows m_rows{*this};
    QHash<QString, Place> m_places; // by Repository-ID
    ZELVATTRIBUTETYPE m_types;
    bool m_typesRead = false;
    unsigned m_hidden = 0;
    ZELVVOLSFULL* m_selected = nullptr;

    CManageListCtrl* m_list = nullptr;
    QMenu* m_menu = nullptr;
    // Volume-ID -> description, read for an export only.
    QHash<QString, QString> m_exportDescriptions;
    QStringList m_loadedIds; // what the scanning window is told is loaded
    QLabel* m_filterNotice = nullptr;
    QStackedWidget* m_right = nullptr;
    QChartView* m_chart = nullptr;
    QTabWidget* m_details = nullptr;
    CManagePropertyGridCtrl* m_grid = nullptr;
    CZELVListCtrl* m_history = nullptr;
    CZELV10UpdateStatsGridCtrl* m_updateStats = nullptr;
};
