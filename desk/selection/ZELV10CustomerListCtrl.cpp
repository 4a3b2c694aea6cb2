#include "ZELV10CustomerListCtrl.h"

#include "ZELVDate.h"

class CZELV10CustomerListCtrl::Rows : public CZELV10CheckedRows<ZELVCUSTEx> {
public:
    QString Text(int row, int column) const override {
        const ZELVCUSTEx* c = At(row);
        if (!c)
            return {};
        switch (column) {
        case ColName:
            return CustomerCache::DisplayName(*c);
        case ColVolumes:
            return FormatCount(c->volumes);
        case ColMoves:
            return FormatCount(c->moves);
        default:
            return {};
        }
    }
    int Compare(int left, int right, int column) const override {
        const ZELVCUSTEx* a = At(left);
        const ZELVCUSTEx* b = At(right);
        if (!a || !b)
            return 0;
        switch (column) {
        case ColVolumes:
            return CompareCounts(a->volumes, b->volumes);
        case ColMoves:
            return CompareCounts(a->moves, b->moves);
        default:
            return QString::compare(CustomerCache::DisplayName(*a), CustomerCache::DisplayName(*b),
                                    Qt::CaseInsensitive);
        }
    }
};

CZELV10CustomerListCtrl::CZELV10CustomerListCtrl(QWidget* parent)
    : CZELV10SelectionListCtrl(parent), m_rows(std::make_unique<Rows>()) {
    InsertColumn(ColName, QStringLiteral("Customer"), 250, Qt::AlignLeft);
    InsertColumn(ColVolumes, QStringLiteral("Volumes"), 80, Qt::AlignRight);
    InsertColumn(ColMoves, QStringLiteral("Moves"), 150, Qt::AlignRight);
    SetRows(m_rows.get());
}

CZELV10CustomerListCtrl::~CZELV10CustomerListCtrl() {
    SetRows(nullptr);
}

int CZELV10CustomerListCtrl::FillCustomers(CZELV10MFC& connection, bool force) {
    m_rows->Clear();
    Reload();
    m_cache.SetConnection(&connection);
    m_cache.Load(force);
    for (const ZELVCUSTEx& c : m_cache.Records()) {
        if (m_hideEmpty && ((c.flags & ZELVCUST_EXCLUDED) || c.volumes == 0))
            continue;
        m_rows->Pointers().push_back(&c);
    }
    m_rows->hasImage = !Model()->Images().isEmpty();
    Reload();
    SortItems();
    return GetItemCount();
}

const ZELVCUSTEx* CZELV10CustomerListCtrl::CustomerAt(int row) const {
    return RecordAt<ZELVCUSTEx>(row);
}

int CZELV10CustomerListCtrl::RequireCustomer() {
    return RequireRow(kOnlyOne, kMustSelect);
}
