#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVListModel.h"

#include <QDialog>
#include <functional>
#include <map>
#include <vector>

class CZELV10ChangerPanel;
class CZELV10MFC;
class CZELVListCtrl;
class IZELVExportUi;
class Prompter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSettings;

using ZELV10DialogRunner = std::function<int(QDialog&)>;

// What the management window needs besides the Repository.
struct ZELV10ManageSetup {
    // The media changer of this Repository; empty when none is configured.
    QString changerDevice;
    QString changerProgram = QStringLiteral("mtx");
    int changerTimeoutMs = 30000;
    Prompter* prompter = nullptr;
    QSettings* profile = nullptr;
    IZELVExportUi* exportUi = nullptr;
    // Runs the dialog; exec() when empty (tests script it).
    ZELV10DialogRunner run;
};

// The library management window of one Repository as one Customer and Media
// Type see it: its zones with their slot counts, every slot with the Volume
// in it (or moving into it), a filter over the rows, the list export, and
// beside it the media changer when one is configured.
class CZELV10ManageDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { ColZone, ColSlot, ColZoneSlot, ColVolume, ColState, ColumnCount };
    static inline const QString kNoChanger =
        QStringLiteral("No media changer is configured for this Repository.");

    // One row: a slot (with or without a Volume) or a Volume outside the zones.
    struct SlotRow {
        QString zone; // empty outside the zones
        uint32_t slot = 0;
        uint32_t zoneSlot = 0;
        QString volume; // empty for an empty slot
        QString state;
        bool here = false; // the Volume stands in the slot (not on its way in)
    };
    struct ZoneCount {
        ZELVZONE zone;
        uint32_t full = 0; // slots holding (or awaiting) a Volume
    };

    CZELV10ManageDlg(CZELV10MFC& connection, const ZELVREPOSITORYFULL& repository,
                     const std::vector<ZELVREPOSITORYFULL>& repositories,
                     const ZELV10ManageSetup& setup, QWidget* parent = nullptr);
    ~CZELV10ManageDlg() override;

    // Reads the zones and Volumes again; false (with the message shown) when
    // the server refused.
    bool Reload();
    void SetFilter(const QString& text);
    void SetShowEmpty(bool on);

    const std::vector<SlotRow>& AllRows() const { return m_all; }
    const std::vector<ZoneCount>& Zones() const { return m_zones; }
    CZELVListCtrl* List() const { return m_list; }
    CZELV10ChangerPanel* Changer() const { return m_changer; }
    QString Summary() const;
    // Volume identifiers per slot number, for the changer check.
    std::map<int, QStringList> ServerSlots() const;

private:
    class Rows : public CZELVPointerRows<const SlotRow> {
    public:
        QString Text(int row, int column) const override;
        int Compare(int left, int right, int column) const override;
        QColor TextColour(int row) const override;
    };
    void ApplyFilter();

    CZELV10MFC& m_connection;
    ZELVREPOSITORYFULL m_repository;
    std::vector<ZELVREPOSITORYFULL> m_repositories;
    ZELV10ManageSetup m_setup;
    std::vector<SlotRow> m_all;
    std::vector<ZoneCount> m_zones;
    uint32_t m_outside = 0;
    Rows m_rows;
    QString m_filter;
    bool m_showEmpty = true;

    CZELVListCtrl* m_list = nullptr;
    CZELVListCtrl* m_zoneList = nullptr;
    QLabel* m_summary = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QCheckBox* m_showEmptyBox = nullptr;
    CZELV10ChangerPanel* m_changer = nullptr;
};

// The server library's management window for a Repository, modal to the
// parent. repositories: the Repository cache's records (names of the
// Repositories Volumes move to). The result is not used.
void Manage(CZELV10MFC& connection, const ZELVREPOSITORYFULL& repository,
            const std::vector<ZELVREPOSITORYFULL>& repositories, QWidget* parent,
            const ZELV10ManageSetup& setup = {});
