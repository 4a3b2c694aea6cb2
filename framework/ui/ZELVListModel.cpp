#include "ZELVListModel.h"

#include <algorithm>

void CZELVListRows::AppendUtf8(int row, int column, std::string& out) const {
    const QByteArray utf8 = Text(row, column).toUtf8();
    out.append(utf8.constData(), static_cast<size_t>(utf8.size()));
}

int CZELVListRows::Compare(int left, int right, int column) const {
    return QString::compare(Text(left, column), Text(right, column), Qt::CaseInsensitive);
}

// ---------------------------------------------------------------------------
// The list's own items

QString CZELVListItemRows::Text(int row, int column) const {
    if (!Valid(row))
        return {};
    return m_items[size_t(row)].texts.value(column);
}

int CZELVListItemRows::Image(int row, int column) const {
    if (!Valid(row) || column < 0)
        return -1;
    const std::vector<int>& images = m_items[size_t(row)].images;
    return size_t(column) < images.size() ? images[size_t(column)] : -1;
}

const void* CZELVListItemRows::Record(int row) const {
    return Valid(row) ? m_items[size_t(row)].data : nullptr;
}

bool CZELVListItemRows::IsChecked(int row) const {
    return Valid(row) && m_items[size_t(row)].checked;
}

void CZELVListItemRows::SetChecked(int row, bool checked) {
    if (Valid(row))
        m_items[size_t(row)].checked = checked;
}

bool CZELVListItemRows::ApplyOrder(const std::vector<int>& order) {
    std::vector<Item> sorted;
    sorted.reserve(order.size());
    for (int index : order)
        sorted.push_back(std::move(m_items[size_t(index)]));
    m_items.swap(sorted);
    return true;
}

void CZELVListItemRows::Insert(int row, const QString& text, int image) {
    Item item;
    item.texts.append(text);
    item.images.push_back(image);
    row = std::clamp(row, 0, RowCount());
    m_items.insert(m_items.begin() + row, std::move(item));
}

bool CZELVListItemRows::SetText(int row, int column, const QString& text) {
    if (!Valid(row) || column < 0)
        return false;
    QStringList& texts = m_items[size_t(row)].texts;
    while (texts.size() <= column)
        texts.append(QString());
    texts[column] = text;
    return true;
}

bool CZELVListItemRows::SetImage(int row, int column, int image) {
    if (!Valid(row) || column < 0)
        return false;
    std::vector<int>& images = m_items[size_t(row)].images;
    if (images.size() <= size_t(column))
        images.resize(size_t(column) + 1, -1);
    images[size_t(column)] = image;
    return true;
}

bool CZELVListItemRows::SetData(int row, const void* data) {
    if (!Valid(row))
        return false;
    m_items[size_t(row)].data = data;
    return true;
}

bool CZELVListItemRows::Remove(int row) {
    if (!Valid(row))
        return false;
    m_items.erase(m_items.begin() + row);
    return true;
}

// ---------------------------------------------------------------------------
// The model

CZELVListModel::CZELVListModel(QObject* parent) : QAbstractTableModel(parent) {}

CZELVListModel::~CZELVListModel() = default;

bool CZELVListModel::Valid(const QModelIndex& index) const {
    // Views and the model tester ask about invalid indexes too; that is no error.
    return index.isValid() && index.model() == this && index.row() < rowCount() &&
           index.column() < ColumnCount();
}

int CZELVListModel::InsertColumn(int column, const QString& heading, Qt::Alignment alignment) {
    column = std::clamp(column, 0, ColumnCount());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.insert(m_columns.begin() + column, Column{heading, alignment});
    endInsertColumns();
    return column;
}

bool CZELVListModel::DeleteColumn(int column) {
    if (column < 0 || column >= ColumnCount())
        return false;
    beginRemoveColumns(QModelIndex(), column, column);
    m_columns.erase(m_columns.begin() + column);
    endRemoveColumns();
    return true;
}

Qt::Alignment CZELVListModel::ColumnAlignment(int column) const {
    return column >= 0 && column < ColumnCount() ? m_columns[size_t(column)].alignment
                                                 : Qt::Alignment(Qt::AlignLeft);
}

QString CZELVListModel::Heading(int column) const {
    if (column < 0 || column >= ColumnCount())
        return {};
    return m_columns[size_t(column)].heading;
}

bool CZELVListModel::SetHeading(int column, const QString& heading) {
    if (column < 0 || column >= ColumnCount())
        return false;
    m_columns[size_t(column)].heading = heading;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    return true;
}

void CZELVListModel::SetRows(CZELVListRows* rows) {
    beginResetModel();
    m_rows = rows;
    ResetOrder();
    endResetModel();
}

void CZELVListModel::Reload() {
    beginResetModel();
    ResetOrder();
    endResetModel();
}

void CZELVListModel::RemoveSourceRow(int sourceRow, const std::function<void()>& remove) {
    const int row = ViewRow(sourceRow);
    if (row < 0) {
        remove();
        Reload();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    remove();
    if (!m_order.empty()) {
        m_order.erase(m_order.begin() + row);
        for (int& source : m_order)
            if (source > sourceRow)
                --source;
    }
    endRemoveRows();
}

void CZELVListModel::RowChanged(int row) {
    if (row < 0 || row >= rowCount() || ColumnCount() == 0)
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount() - 1));
}

void CZELVListModel::AllRowsChanged() {
    if (rowCount() == 0 || ColumnCount() == 0)
        return;
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount() - 1));
}

int CZELVListModel::SourceRow(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    if (m_order.empty())
        return row;
    // A mapping older than the owner's rows (no reload yet) names no row.
    if (size_t(row) >= m_order.size())
        return -1;
    const int source = m_order[size_t(row)];
    return source < rowCount() ? source : -1;
}

int CZELVListModel::ViewRow(int sourceRow) const {
    if (sourceRow < 0 || sourceRow >= rowCount())
        return -1;
    if (m_order.empty())
        return sourceRow;
    const auto it = std::find(m_order.begin(), m_order.end(), sourceRow);
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

QString CZELVListModel::Text(int row, int column) const {
    const int source = SourceRow(row);
    return source < 0 ? QString() : Rows()->Text(source, column);
}

const void* CZELVListModel::Record(int row) const {
    const int source = SourceRow(row);
    return source < 0 ? nullptr : Rows()->Record(source);
}

int CZELVListModel::InsertItem(int row, const QString& text, int image) {
    if (IsVirtual())
        return -1;
    row = std::clamp(row, 0, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    m_items.Insert(row, text, image);
    endInsertRows();
    return row;
}

bool CZELVListModel::SetItemText(int row, int column, const QString& text) {
    if (IsVirtual() || column < 0 || column >= ColumnCount() || !m_items.SetText(row, column, text))
        return false;
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell);
    return true;
}

bool CZELVListModel::SetItemImage(int row, int column, int image) {
    if (IsVirtual() || column < 0 || column >= ColumnCount() ||
        !m_items.SetImage(row, column, image))
        return false;
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DecorationRole});
    return true;
}

bool CZELVListModel::SetItemData(int row, const void* data) {
    return !IsVirtual() && m_items.SetData(row, data);
}

bool CZELVListModel::DeleteItem(int row) {
    if (IsVirtual() || row < 0 || row >= rowCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_items.Remove(row);
    endRemoveRows();
    return true;
}

void CZELVListModel::DeleteAllItems() {
    if (IsVirtual())
        return;
    beginResetModel();
    m_items.Clear();
    ResetOrder();
    endResetModel();
}

void CZELVListModel::Sort(int column, bool reverse, const Comparator& compare) {
    const int count = rowCount();
    if (count < 2 || !compare)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    std::vector<int> before(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        before[size_t(row)] = SourceRow(row);
    std::vector<int> after = before;
    std::stable_sort(after.begin(), after.end(), [&](int left, int right) {
        const int result = compare(left, right, column);
        return reverse ? result > 0 : result < 0;
    });
    // Where each source row is shown after the sort, for the persistent indexes.
    std::vector<int> shownAt(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
        shownAt[size_t(after[size_t(row)])] = row;

    if (Rows()->ApplyOrder(after))
        ResetOrder();
    else
        m_order = std::move(after);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(index(shownAt[size_t(before[size_t(old.row())])], old.column()));
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CZELVListModel::SetSortColumn(int column) {
    const int old = m_sortColumn;
    m_sortColumn = column;
    if (rowCount() == 0)
        return;
    for (int changed : {old, column}) {
        if (changed >= 0 && changed < ColumnCount())
            Q_EMIT dataChanged(index(0, changed), index(rowCount() - 1, changed),
                               {Qt::BackgroundRole});
    }
}

void CZELVListModel::SetMarkLastRow(bool mark) {
    m_markLastRow = mark;
    AllRowsChanged();
}

void CZELVListModel::SetColumnFont(int column, const QFont& font) {
    m_fonts[column] = font;
    if (rowCount() > 0 && column >= 0 && column < ColumnCount())
        Q_EMIT dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::FontRole});
}

void CZELVListModel::SetImages(const QList<QIcon>& images) {
    m_images = images;
    AllRowsChanged();
}

int CZELVListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Rows()->RowCount();
}

int CZELVListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CZELVListModel::data(const QModelIndex& index, int role) const {
    if (!Valid(index))
        return {};
    const int row = index.row();
    const int column = index.column();
    const int source = SourceRow(row);
    if (source < 0)
        return {};
    const CZELVListRows* rows = Rows();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return rows->Text(source, column);
    case Qt::DecorationRole: {
        const int image = rows->Image(source, column);
        if (image >= 0 && image < m_images.size())
            return m_images[image];
        return {};
    }
    case Qt::FontRole: {
        const auto it = m_fonts.find(column);
        if (rows->IsStruckOut(source)) {
            QFont font = it == m_fonts.end() ? QFont() : it->second;
            font.setStrikeOut(true);
            return font;
        }
        return it == m_fonts.end() ? QVariant() : QVariant(it->second);
    }
    case Qt::BackgroundRole: {
        const QColor own = rows->BackgroundColour(source);
        if (own.isValid())
            return own;
        // The sort column is shaded; a marked last row stays plain.
        if (column == m_sortColumn && !(m_markLastRow && row == rowCount() - 1))
            return QColor(kSortShade);
        return {};
    }
    case Qt::ForegroundRole: {
        const QColor own = rows->TextColour(source);
        return own.isValid() ? QVariant(own) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return int(m_columns[size_t(column)].alignment | Qt::AlignVCenter);
    case Qt::CheckStateRole:
        if (column == 0 && rows->HasCheckBoxes())
            return rows->IsChecked(source) ? Qt::Checked : Qt::Unchecked;
        return {};
    case RecordRole:
        return QVariant::fromValue(quintptr(rows->Record(source)));
    default:
        return {};
    }
}

bool CZELVListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!Valid(index) || role != Qt::CheckStateRole || index.column() != 0 ||
        !Rows()->HasCheckBoxes())
        return false;
    const int source = SourceRow(index.row());
    if (source < 0)
        return false;
    Rows()->SetChecked(source, value.toInt() == Qt::Checked);
    Q_EMIT dataChanged(index, this->index(index.row(), ColumnCount() - 1));
    return true;
}

QVariant CZELVListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= ColumnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[size_t(section)].heading;
    if (role == Qt::TextAlignmentRole)
        return int(m_columns[size_t(section)].alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CZELVListModel::flags(const QModelIndex& index) const {
    if (!Valid(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags result =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | Qt::ItemIsDragEnabled;
    if (index.column() == 0 && Rows()->HasCheckBoxes())
        result |= Qt::ItemIsUserCheckable;
    return result;
}
