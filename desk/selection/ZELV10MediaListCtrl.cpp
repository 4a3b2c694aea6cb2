#include "ZELV10MediaListCtrl.h"

static_assert(CZELV10MediaListCtrl::ColName == 0, "the name column comes first");

class CZELV10MediaListCtrl::Rows : public CZELV10CheckedRows<ZELVMEDIAEx> {
public:
    // The last two counts are shown, not sorted.
    Rows()
        : CZELV10CheckedRows(&MediaCache::DisplayName,
                             {{ColVolumes, &ZELVMEDIAEx::volumes, true},
                              {ColMoves, &ZELVMEDIAEx::moves, true},
                              {ColScratchDeficit, &ZELVMEDIAEx::scratchDeficit, false},
                              {ColOverdue, &ZELVMEDIAEx::overdue, false}}) {}
};

CZELV10MediaListCtrl::CZELV10MediaListCtrl(QWidget* parent)
    : CZELV10SelectionListCtrl(parent), m_rows(std::make_unique<Rows>()) {
    InsertColumn(ColName, QStringLiteral("Media Type"), 150, Qt::AlignLeft);
    InsertColumn(ColVolumes, QStringLiteral("Volumes"), 80, Qt::AlignRight);
    InsertColumn(ColMoves, QStringLiteral("Moves"), 150, Qt::AlignRight);
    InsertColumn(ColScratchDeficit, QStringLiteral("Scratch Deficit"), 150, Qt::AlignRight);
    InsertColumn(ColOverdue, QStringLiteral("Overdue"), 150, Qt::AlignRight);
    SetRows(m_rows.get());
}

CZELV10MediaListCtrl::~CZELV10MediaListCtrl() {
    SetRows(nullptr);
}

void CZELV10MediaListCtrl::OnColumnClick(int column) {
    // The last two counts are shown, not sorted.
    if (column == ColScratchDeficit || column == ColOverdue)
        return;
    CZELV10SelectionListCtrl::OnColumnClick(column);
}

int CZELV10MediaListCtrl::FillMediaTypes(CZELV10MFC& connection, const QString& customer,
                                         bool showEmpty) {
    m_rows->Clear();
    Reload();
    m_cache.SetConnection(&connection);
    m_cache.Load(customer, false);
    // A failed read leaves another Customer's Media Types in the cache; they
    // are no choice for this one.
    if (m_cache.Holds(customer)) {
        for (const ZELVMEDIAEx& m : m_cache.Records()) {
            if (m.flags & ZELVMEDIA_HIDDEN)
                continue;
            if (m.volumes == 0 && !showEmpty)
                continue;
            m_rows->Pointers().push_back(&m);
        }
    }
    m_rows->hasImage = !Model()->Images().isEmpty();
    Reload();
    SortItems();
    return GetItemCount();
}

const ZELVMEDIAEx* CZELV10MediaListCtrl::MediaAt(int row) const {
    return RecordAt<ZELVMEDIAEx>(row);
}

int CZELV10MediaListCtrl::RequireMediaType() {
    return RequireRow(kOnlyOne, kMustSelect);
}
