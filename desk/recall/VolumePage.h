#pragma once

#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListModel.h"

#include <map>
#include <vector>

class CZELVListCtrl;
struct CSelectedVolume;
class QMenu;

// Recall Volume Selection: the Customer's Volumes of the Media Type that
// stand anywhere but the delivery Repository; a double-click or the menu puts
// them into (or takes them out of) the Recall selection.
class CVolumePage : public CZELVDeskPage {
    Q_OBJECT
public:
    enum Column { ColVolume = 0, ColLocation, ColMoveDate, ColDescription };
    // Images: the selected mark, the ten Repository images, the other mark.
    enum Image { ImageSelected = 0, ImageRepositoryBase = 1, ImageOther = 11 };
    static constexpr int kFilterTimeoutMs = 10;
    static inline const QString kListName = QStringLiteral("RecallVolume_List");

    CVolumePage();
    ~CVolumePage() override;

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

    CZELVListCtrl* List() const { return m_list; }
    // Menu commands on the selected rows.
    void SelectRows();
    void DeselectRows();
    void ToggleRows();
    // Rebuilds the shown Volumes from the offered ones and the header filters.
    void BuildShown();

private:
    class Rows : public CZELVPointerRows<const ZELVVOLSFULL> {
    public:
        explicit Rows(const CVolumePage& page) : m_page(page) {}
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        int Compare(int left, int right, int column) const override;

    private:
        const CVolumePage& m_page;
    };

    // The Recall selection's entry of the Volume, none when not selected.
    CSelectedVolume* Entry(const ZELVVOLSFULL& volume) const;
    bool IsSelected(const ZELVVOLSFULL& volume) const;
    void Add(const ZELVVOLSFULL& volume);
    void Remove(const ZELVVOLSFULL& volume);
    QString Description(const ZELVVOLSFULL& volume) const;
    void LoadDescriptions();

    CZELVListCtrl* m_list = nullptr;
    QMenu* m_menu = nullptr;
    Rows m_rows{*this};
    std::vector<const ZELVVOLSFULL*> m_offered;
    // The description cache: Volume identifier -> description.
    std::map<QString, QString> m_descriptions;
    bool m_initialized = false;
};
