#pragma once

#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <vector>

class QMenu;
class QTabBar;

// One row of the Move Lists: a moving Volume with where it is and where it
// goes (each text at most 30 characters) and their Repository images. The
// record is the sheet's.
struct MOVELISTITEM {
    static constexpr int kTextLen = 30;
    QString current;
    int currentImage = -1;
    QString target;
    int targetImage = -1;
    QByteArray currentUtf8; // the texts as the filters and the sort see them
    QByteArray targetUtf8;
    ZELVVOLSFULL* volume = nullptr;
};

// The list of the moving Volumes of one Media Type.
class CMoveListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column {
        ColVolume = 0,
        ColCurrent,
        ColTarget,
        ColMoveTime,
        ColScannedOut,
        ColOverdue,
    };
    enum Image { ImageVolume = 0, ImageContainer = 1, ImageRepositoryBase = 2 };
    static constexpr int kFilterTimeoutMs = 500;

    explicit CMoveListCtrl(QWidget* parent = nullptr);
};

// Move Lists: per Media Type (a tab each) the Customer's Volumes whose next
// move has been requested, how long it has been pending, whether they are
// scanned out or overdue; moves can be copied, exported and cancelled.
class CMoveListPage : public CZELVDeskPage {
    Q_OBJECT
public:
    CMoveListPage();
    ~CMoveListPage() override;

    void OnSetActive() override;
    int OnWizardNext() override { return IDD_FINAL; }
    int OnWizardBack() override { return IDD_CUSTOMER; }

    // Shows the moving Volumes of a tab's Media Type.
    void SelectMedia(int tab);
    // Reads the Volumes again and rebuilds the rows.
    void FillList();
    // Rebuilds the shown rows from the items and the header filters.
    void ApplyFilters();

    // The context menu's commands, on the selected rows.
    void CopyVolumes();
    bool ExportList();
    // Points every selected Volume back at its current Repository through the
    // update pass; returns how many moves were cancelled.
    int CancelMoves();

    QTabBar* Tabs() const { return m_tabs; }
    CMoveListCtrl* List() const { return m_list; }
    QMenu* Menu() const { return m_menu; }
    const QStringList& TabMedia() const { return m_tabMedia; }
    const QString& ShownMedia() const { return m_shownMedia; }
    const std::vector<MOVELISTITEM>& Items() const { return m_items; }
    const MOVELISTITEM* ItemAt(int row) const;

private:
    class Rows : public CZELVPointerRows<MOVELISTITEM> {
    public:
        explicit Rows(const CMoveListPage& page) : m_page(page) {}
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        int Compare(int left, int right, int column) const override;

    private:
        const CMoveListPage& m_page;
    };

    // Where a Volume is (or goes) as the list shows it.
    QString LocationText(const ZELVABSLOC& location);
    const ZELVVOLABS* Absolute(const ZELVVOLSFULL& volume) const;

    QTabBar* m_tabs = nullptr;
    CMoveListCtrl* m_list = nullptr;
    QMenu* m_menu = nullptr;
    Rows m_rows{*this};
    QStringList m_tabMedia; // 4-character identifiers, in tab order
    QString m_shownMedia;
    std::vector<MOVELISTITEM> m_items;
    QHash<QString, ZELVVOLABS> m_absolute; // by Volume-ID: the shown Media Type's moving Volumes
    bool m_building = false;
};
