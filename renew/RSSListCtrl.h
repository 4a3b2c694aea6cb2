#pragma once

#include "ZELVListCtrl.h"
#include "ZELVListModel.h"
#include "ZELVRSS.h"

// The change list of ZELVRenew: one row per feed item, in feed order.
class CRSSListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColType = 0, ColDate = 1, ColDescription = 2 };
    static constexpr int kEnhancementIcon = 130;
    static constexpr int kFixIcon = 131;

    explicit CRSSListCtrl(QWidget* parent = nullptr);
    ~CRSSListCtrl() override;

    // Shows the items (copied); the columns are sized afterwards.
    void SetItems(const QList<CRSSItem>& items);
    const QList<CRSSItem>& Items() const;

    static QString TypeText(const CRSSItem& item);
    static QString DateText(const CRSSItem& item);

private:
    class Rows;
    std::unique_ptr<Rows> m_rows;
};
