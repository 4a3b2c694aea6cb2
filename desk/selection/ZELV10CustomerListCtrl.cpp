#include "ZELV10CustomerListCtrl.h"

static_assert(CZELV10CustomerListCtrl::ColName == 0, "the name column comes first");

class CZELV10CustomerListCtrl::Rows : public CZELV10CheckedRows<ZELVCUSTEx> {
public:
    Rows()
        : CZELV10CheckedRows(&CustomerCache::DisplayName, {{ColVolumes, &ZELVCUSTEx::volumes, true},
                                                           {ColMoves, &ZELVCUSTEx::moves, true}}) {}
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
