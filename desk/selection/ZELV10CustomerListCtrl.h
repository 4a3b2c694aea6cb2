#pragma once

#include "CustomerCache.h"
#include "ZELV10SelectionListCtrl.h"

#include <set>
#include <vector>

class CZELV10MFC;

// The Customers with their Volume and move counts: "Customer", "Volumes",
// "Moves", check boxes (ticked rows in black, others in gray); a header click
// sorts. It reads the Customers into a cache of its own.
class CZELV10CustomerListCtrl : public CZELV10SelectionListCtrl {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColVolumes, ColMoves };

    explicit CZELV10CustomerListCtrl(QWidget* parent = nullptr);
    ~CZELV10CustomerListCtrl() override;

    // Hides excluded Customers and those without Volumes (on by default).
    void SetHideEmpty(bool hide) { m_hideEmpty = hide; }
    bool HidesEmpty() const { return m_hideEmpty; }

    // Reads the Customers (again with force) and lists them; then sorts by
    // the current sort column. Returns the row count.
    int FillCustomers(CZELV10MFC& connection, bool force);
    CustomerCache& Cache() { return m_cache; }

    const ZELVCUSTEx* CustomerAt(int row) const;
    const ZELVCUSTEx* SelectedCustomer() const { return CustomerAt(SelectedRow()); }
    // The selected row plus one, or 0 (the operator is told why).
    int RequireCustomer();

    static inline const QString kOnlyOne = QStringLiteral(
        "There is only one Customer the list, would you like to select that Customer?");
    static inline const QString kMustSelect =
        QStringLiteral("You must select a Customer before you can proceed");

private:
    class Rows;
    CustomerCache m_cache;
    std::unique_ptr<Rows> m_rows;
    bool m_hideEmpty = true;
};
