#pragma once

#include "MediaCache.h"
#include "ZELV10SelectionListCtrl.h"

#include <memory>

class CZELV10MFC;

// A Customer's Media Types with their counts: "Media Type", "Volumes",
// "Moves", "Scratch Deficit", "Overdue", check boxes (ticked rows in black,
// others in gray); a click on one of the first three headings sorts. It
// reads the Media Types into a cache of its own.
class CZELV10MediaListCtrl : public CZELV10SelectionListCtrl {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColVolumes, ColMoves, ColScratchDeficit, ColOverdue };

    explicit CZELV10MediaListCtrl(QWidget* parent = nullptr);
    ~CZELV10MediaListCtrl() override;

    // Lists the Customer's Media Types that are not hidden and hold Volumes
    // (with showEmpty also those without); then sorts. Returns the row count.
    int FillMediaTypes(CZELV10MFC& connection, const QString& customer, bool showEmpty);
    MediaCache& Cache() { return m_cache; }

    const ZELVMEDIAEx* MediaAt(int row) const;
    const ZELVMEDIAEx* SelectedMedia() const { return MediaAt(SelectedRow()); }
    // The selected row plus one, or 0 (the operator is told why).
    int RequireMediaType();

    static inline const QString kOnlyOne = QStringLiteral(
        "There is only one Media Type in the list, would you like to select that Media Type?");
    static inline const QString kMustSelect =
        QStringLiteral("You must select a Media Type before you can proceed");

protected:
    void OnColumnClick(int column) override;

private:
    class Rows;
    MediaCache m_cache;
    std::unique_ptr<Rows> m_rows;
};
