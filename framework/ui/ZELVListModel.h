#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What a list's owner supplies for its rows. The list asks for each cell as
// it is drawn, so a page showing 100,000 Volumes keeps them in its own array
// and the list copies nothing per row. Rows are the owner's indexes.
class CZELVListRows {
public:
    virtual ~CZELVListRows() = default;

    virtual int RowCount() const = 0;
    virtual QString Text(int row, int column) const = 0;
    // The cell's text appended as UTF-8, for exports that stream cells. The
    // default converts Text(); owners of long lists whose cells are fixed
    // fields write the bytes straight in and build Text() from this.
    virtual void AppendUtf8(int row, int column, std::string& out) const;
    // Index into the list's image list, -1 for none.
    virtual int Image(int /*row*/, int /*column*/) const { return -1; }
    // The owner's record behind the row (the row's item data).
    virtual const void* Record(int /*row*/) const { return nullptr; }
    // Ascending order of two rows for the column: negative, 0 or positive.
    // The default compares the texts.
    virtual int Compare(int left, int right, int column) const;
    // Row colours; an invalid colour leaves the list's own.
    virtual QColor TextColour(int /*row*/) const { return {}; }
    virtual QColor BackgroundColour(int /*row*/) const { return {}; }
    // Rows drawn in a struck-out version of their font (done with).
    virtual bool IsStruckOut(int /*row*/) const { return false; }
    // Check boxes in the first column.
    virtual bool HasCheckBoxes() const { return false; }
    virtual bool IsChecked(int /*row*/) const { return false; }
    virtual void SetChecked(int /*row*/, bool /*checked*/) {}
    // Puts the rows into a new order (order[i] is the old index of new row i)
    // and returns true. Owners that cannot reorder return false; the list
    // then keeps the order as a mapping of its own.
    virtual bool ApplyOrder(const std::vector<int>& /*order*/) { return false; }
};

// Rows over an array of pointers into the owner's records ("the shown
// Volumes"): the owner fills Pointers(), supplies the texts, and sorting
// reorders the pointers themselves, so row i is always Pointers()[i].
template <class T> class CZELVPointerRows : public CZELVListRows {
public:
    std::vector<T*>& Pointers() { return m_rows; }
    const std::vector<T*>& Pointers() const { return m_rows; }
    T* At(int row) const {
        return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)] : nullptr;
    }

    int RowCount() const override { return int(m_rows.size()); }
    const void* Record(int row) const override { return At(row); }
    bool ApplyOrder(const std::vector<int>& order) override {
        std::vector<T*> sorted;
        sorted.reserve(order.size());
        for (int index : order)
            sorted.push_back(m_rows[size_t(index)]);
        m_rows.swap(sorted);
        return true;
    }

private:
    std::vector<T*> m_rows;
};

// The rows a list keeps itself when the owner adds them one by one (small
// lists: logs, choices). Each row holds its texts, image, data and check.
class CZELVListItemRows : public CZELVListRows {
public:
    int RowCount() const override { return int(m_items.size()); }
    QString Text(int row, int column) const override;
    int Image(int row, int column) const override;
    const void* Record(int row) const override;
    bool HasCheckBoxes() const override { return m_checkBoxes; }
    bool IsChecked(int row) const override;
    void SetChecked(int row, bool checked) override;
    bool ApplyOrder(const std::vector<int>& order) override;

    void SetCheckBoxes(bool on) { m_checkBoxes = on; }
    void Insert(int row, const QString& text, int image);
    bool SetText(int row, int column, const QString& text);
    bool SetImage(int row, int column, int image);
    bool SetData(int row, const void* data);
    bool Remove(int row);
    void Clear() { m_items.clear(); }

private:
    struct Item {
        QStringList texts;
        std::vector<int> images; // per column; the first column's is the row image
        const void* data = nullptr;
        bool checked = false;
    };
    bool Valid(int row) const { return row >= 0 && row < int(m_items.size()); }
    std::vector<Item> m_items;
    bool m_checkBoxes = false;
};

// The table model of a CZELVListCtrl: columns of its own, rows from a row
// source (the owner's, or the list's own items), an optional order mapping
// after a sort, and the list's look (sort-column shading, column fonts).
class CZELVListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The row's record pointer, as quintptr.
    static constexpr int RecordRole = Qt::UserRole + 1;
    static constexpr QRgb kSortShade = 0xF5F5F5;

    // Compares two source rows for a column, ascending.
    using Comparator = std::function<int(int left, int right, int column)>;

    explicit CZELVListModel(QObject* parent = nullptr);
    ~CZELVListModel() override;

    // Columns.
    int InsertColumn(int column, const QString& heading, Qt::Alignment alignment);
    bool DeleteColumn(int column);
    int ColumnCount() const { return int(m_columns.size()); }
    QString Heading(int column) const;
    Qt::Alignment ColumnAlignment(int column) const;
    bool SetHeading(int column, const QString& heading);

    // Rows. A null source means the list's own items.
    void SetRows(CZELVListRows* rows);
    CZELVListRows* Rows() { return m_rows ? m_rows : &m_items; }
    const CZELVListRows* Rows() const { return m_rows ? m_rows : &m_items; }
    bool IsVirtual() const { return m_rows != nullptr; }
    // The owner changed its rows wholesale (new count, new contents).
    void Reload();
    // The owner takes one row out of its array inside remove(); the view drops
    // that row alone instead of re-reading every row.
    void RemoveSourceRow(int sourceRow, const std::function<void()>& remove);
    // The owner changed one row's contents.
    void RowChanged(int row);
    void AllRowsChanged();
    // The owner's index of a shown row, -1 out of range.
    int SourceRow(int row) const;
    // The shown row of an owner's index, -1 when it is not shown.
    int ViewRow(int sourceRow) const;
    QString Text(int row, int column) const;
    const void* Record(int row) const;

    // The list's own items (not with an owner's source).
    int InsertItem(int row, const QString& text, int image);
    bool SetItemText(int row, int column, const QString& text);
    bool SetItemImage(int row, int column, int image);
    bool SetItemData(int row, const void* data);
    bool DeleteItem(int row);
    void DeleteAllItems();
    CZELVListItemRows& Items() { return m_items; }

    // Stable sort by the column, reversed on request.
    void Sort(int column, bool reverse, const Comparator& compare);

    // Look.
    void SetSortColumn(int column);
    int SortColumn() const { return m_sortColumn; }
    void SetMarkLastRow(bool mark);
    bool MarkLastRow() const { return m_markLastRow; }
    void SetColumnFont(int column, const QFont& font);
    void SetImages(const QList<QIcon>& images);
    const QList<QIcon>& Images() const { return m_images; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Column {
        QString heading;
        Qt::Alignment alignment;
    };
    void ResetOrder() { m_order.clear(); }
    bool Valid(const QModelIndex& index) const;

    std::vector<Column> m_columns;
    CZELVListRows* m_rows = nullptr; // the owner's, not owned
    CZELVListItemRows m_items;
    std::vector<int> m_order; // shown row -> source row; empty = the same
    int m_sortColumn = -1;
    bool m_markLastRow = false;
    std::map<int, QFont> m_fonts;
    QList<QIcon> m_images;
};
