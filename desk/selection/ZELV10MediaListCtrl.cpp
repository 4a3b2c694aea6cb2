#include "ZELV10MediaListCtrl.h"

#include "ZELVDate.h"

class CZELV10MediaListCtrl::Rows : public CZELV10CheckedRows<ZELVMEDIAEx> {
public:
    QString Text(int row, int column) const override {
        const ZELVMEDIAEx* m = At(row);
        if (!m)
            return {};
        switch (column) {
        case ColName:
            return MediaCache::DisplayName(*m);
        case ColVolumes:
            return FormatCount(m->volumes);
        case ColMoves:
            return FormatCount(m->moves);
        case ColScratchDeficit:
            return FormatCount(m->scratchDeficit);
        case ColOverdue:
            return FormatCount(m->overdue);
        default:
            return {};
        }
    }
    int Compare(int left, int right, int column) const override {
        const ZELVMEDIAEx* a = At(left);
        const ZELVMEDIAEx* b = At(right);
        if (!a || !b)
            return 0;
        switch (column) {
        case ColVolumes:
            return CompareCounts(a->volumes, b->volumes);
        case ColMoves:
            return CompareCounts(a->moves, b->moves);
        case ColName:
            return QString::compare(MediaCache::DisplayName(*a), MediaCache::DisplayName(*b),
                                    Qt::CaseInsensitive);
        default:
            return 0;
        }
    }
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
