#include "RSSListCtrl.h"

#include <QLocale>

class CRSSListCtrl::Rows : public CZELVListRows {
public:
    QList<CRSSItem> items;
    int RowCount() const override { return int(items.size()); }
    QString Text(int row, int column) const override {
        const CRSSItem& item = items.at(row);
        switch (column) {
        case ColType:
            return TypeText(item);
        case ColDate:
            return DateText(item);
        case ColDescription:
            return item.description;
        default:
            return {};
        }
    }
    int Image(int row, int column) const override {
        if (column != ColType)
            return -1;
        return items.at(row).enhancement ? 0 : 1;
    }
    const void* Record(int row) const override { return &items.at(row); }
};

CRSSListCtrl::CRSSListCtrl(QWidget* parent)
    : CZELVListCtrl(parent), m_rows(std::make_unique<Rows>()) {
    setObjectName(QStringLiteral("changeList"));
    InsertColumn(ColType, QStringLiteral("Type"), 120, Qt::AlignRight);
    InsertColumn(ColDate, QStringLiteral("Date"), 120);
    InsertColumn(ColDescription, QStringLiteral("Description"), 1);
    LoadIcons({kEnhancementIcon, kFixIcon});
    SetRows(m_rows.get());
}

CRSSListCtrl::~CRSSListCtrl() {
    SetRows(nullptr);
}

void CRSSListCtrl::SetItems(const QList<CRSSItem>& items) {
    setUpdatesEnabled(false);
    m_rows->items = items;
    Reload();
    SizeColumnToHeader(ColDescription);
    setUpdatesEnabled(true);
}

const QList<CRSSItem>& CRSSListCtrl::Items() const {
    return m_rows->items;
}

QString CRSSListCtrl::TypeText(const CRSSItem& item) {
    return item.enhancement ? QStringLiteral("Enhancement") : QStringLiteral("Fix");
}

QString CRSSListCtrl::DateText(const CRSSItem& item) {
    return item.date.isValid() ? QLocale::c().toString(item.date, QStringLiteral("yyyy-MM-dd"))
                               : QStringLiteral("Invalid DateTime");
}
