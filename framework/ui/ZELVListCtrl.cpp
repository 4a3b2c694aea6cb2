#include "ZELVListCtrl.h"

#include "ZELVIcons.h"
#include "ZELVListFooter.h"
#include "ZELVListHeader.h"
#include "ZELVPopup.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZELVStringArray.h"

#include <QApplication>
#include <QCache>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QtMath>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

// Cuts a UTF-8 text to at most `limit` bytes without splitting a character.
// The text must hold at least `limit` bytes before the cut.
void CutUtf8(char* text, int limit) {
    int start = limit - 1;
    while (start > 0 && limit - start < 4 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    const auto lead = static_cast<unsigned char>(text[start]);
    const int needed = lead < 0x80             ? 1
                       : (lead & 0xE0) == 0xC0 ? 2
                       : (lead & 0xF0) == 0xE0 ? 3
                       : (lead & 0xF8) == 0xF0 ? 4
                                               : 1;
    text[start + needed > limit ? start : limit] = '\0';
}

// The rows of a drag: "<list address>:<row>,<row>,...", so a list accepts
// only its own rows.
QByteArray EncodeRows(const void* list, const std::vector<int>& rows) {
    QByteArray data = QByteArray::number(quintptr(list)) + ':';
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            data += ',';
        data += QByteArray::number(rows[i]);
    }
    return data;
}

bool DecodeRows(const QByteArray& data, const void* list, std::vector<int>* rows) {
    const qsizetype colon = data.indexOf(':');
    if (colon < 0 || data.left(colon) != QByteArray::number(quintptr(list)))
        return false;
    if (rows) {
        rows->clear();
        for (const QByteArray& part : data.mid(colon + 1).split(',')) {
            bool ok = false;
            const int row = part.toInt(&ok);
            if (ok)
                rows->push_back(row);
        }
    }
    return true;
}

// Selected rows as merged, ascending intervals; the selection model may hold
// overlapping ranges after toggles.
std::vector<std::pair<int, int>> SelectedIntervals(const QItemSelectionModel* selection) {
    std::vector<std::pair<int, int>> intervals;
    if (!selection)
        return intervals;
    for (const QItemSelectionRange& range : selection->selection())
        if (range.isValid())
            intervals.emplace_back(range.top(), range.bottom());
    std::sort(intervals.begin(), intervals.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& interval : intervals) {
        if (!merged.empty() && interval.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, interval.second);
        else
            merged.push_back(interval);
    }
    return merged;
}

} // namespace

// ---------------------------------------------------------------------------
// The views

// The report view: draws the marked last row, the drop highlight and the
// empty-list notice over the rows, commits an editor when scrolled, and
// drags and drops the list's rows.
// Paints a cell whose text fits its column with the text shaped once and kept:
// the style shapes a cell's text several times on every paint (size, layout,
// eliding, drawing), and a list repaints all its shown rows whenever a row
// comes or goes. The style still draws the cell without its text (background,
// check box, icon), so both look the same. Text that does not fit, the focused
// cell, one being edited and wrapped text are painted by the style as before.
class CZELVListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if ((opt.features & QStyleOptionViewItem::WrapText) ||
            (opt.state & (QStyle::State_HasFocus | QStyle::State_Editing)) ||
            opt.text.contains(QChar::LineSeparator)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QWidget* widget = opt.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        QStyleOptionViewItem bare = opt;
        bare.text.clear();
        // The style's text margin, as its own text drawing takes it.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &bare, widget)
                                   .adjusted(margin, 0, -margin, 0);
        const QStaticText* text = opt.text.isEmpty() ? nullptr : Shaped(opt.text, opt.font);
        const QSizeF size = text ? text->size() : QSizeF();
        if (size.width() > textRect.width()) {
            QStyledItemDelegate::paint(painter, option, index); // to be elided
            return;
        }
        style->drawControl(QStyle::CE_ItemViewItem, &bare, painter, widget);
        if (!text)
            return;
        painter->save();
        painter->setClipRect(textRect);
        QPalette::ColorGroup group =
            (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected)
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        painter->setFont(opt.font);
        const QRect placed =
            QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                QSize(qCeil(size.width()), qCeil(size.height())), textRect);
        painter->drawStaticText(placed.topLeft(), *text);
        painter->restore();
    }

private:
    // The shown rows' texts, shaped once per font; a screenful is far below
    // the limit, so scrolling back and forth reuses them.
    static constexpr int kShapedTexts = 4096;

    // Columns may have fonts of their own: a few fonts, each with its texts.
    static constexpr size_t kFonts = 8;

    const QStaticText* Shaped(const QString& value, const QFont& font) const {
        const QString fontKey = font.key();
        auto it = m_shaped.find(fontKey);
        if (it == m_shaped.end()) {
            if (m_shaped.size() >= kFonts)
                m_shaped.clear();
            it = m_shaped
                     .emplace(fontKey, std::make_unique<QCache<QString, QStaticText>>(kShapedTexts))
                     .first;
        }
        QCache<QString, QStaticText>& cache = *it->second;
        if (const QStaticText* found = cache.object(value))
            return found;
        auto* text = new QStaticText(value);
        text->setTextFormat(Qt::PlainText);
        text->setPerformanceHint(QStaticText::AggressiveCaching);
        text->prepare(QTransform(), font);
        cache.insert(value, text);
        return cache.object(value);
    }

    mutable std::map<QString, std::unique_ptr<QCache<QString, QStaticText>>> m_shaped;
};

class CZELVListTable : public QTableView {
public:
    explicit CZELVListTable(CZELVListCtrl* list) : QTableView(list), m_list(list) {
        setObjectName(QStringLiteral("listTable"));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QTableView::paintEvent(event);
        QPainter painter(viewport());
        const int rows = model() ? model()->rowCount() : 0;
        if (m_list->GetMarkLastRow() && rows > 0) {
            const int y = rowViewportPosition(rows - 1) + rowHeight(rows - 1) - 1;
            painter.setPen(palette().color(QPalette::Text));
            painter.drawLine(0, y, viewport()->width(), y);
        }
        const int highlight = m_list->m_dropHighlight;
        if (highlight >= 0 && highlight < rows) {
            QColor colour = palette().color(QPalette::Highlight);
            colour.setAlpha(90);
            painter.fillRect(
                QRect(0, rowViewportPosition(highlight), viewport()->width(), rowHeight(highlight)),
                colour);
        }
        m_list->PaintEmptyNotice(this, &painter);
    }

    void scrollContentsBy(int dx, int dy) override {
        if (dy != 0 && m_list->IsEditing())
            m_list->EndEdit(false);
        QTableView::scrollContentsBy(dx, dy);
        m_list->Header()->PlaceFields();
    }

    void startDrag(Qt::DropActions) override { m_list->StartDrag(this); }

    void dragEnterEvent(QDragEnterEvent* event) override {
        if (AcceptsDrop(event->mimeData()))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (!AcceptsDrop(event->mimeData())) {
            event->ignore();
            return;
        }
        SetHighlight(rowAt(event->position().toPoint().y()));
        event->acceptProposedAction();
    }
    void dragLeaveEvent(QDragLeaveEvent* event) override {
        SetHighlight(-1);
        event->accept();
    }
    void dropEvent(QDropEvent* event) override {
        std::vector<int> rows;
        if (!m_list->IsDraggingEnabled() ||
            !DecodeRows(event->mimeData()->data(CZELVListCtrl::kRowsMimeType), m_list, &rows)) {
            event->ignore();
            return;
        }
        const int row = rowAt(event->position().toPoint().y());
        SetHighlight(-1);
        m_list->m_dropTarget = this;
        m_list->m_dropRow = row;
        event->acceptProposedAction();
        Q_EMIT m_list->RowsDropped(rows, row);
    }

private:
    bool AcceptsDrop(const QMimeData* data) const {
        return m_list->IsDraggingEnabled() && data &&
               DecodeRows(data->data(CZELVListCtrl::kRowsMimeType), m_list, nullptr);
    }
    void SetHighlight(int row) {
        if (m_list->m_dropHighlight == row)
            return;
        m_list->m_dropHighlight = row;
        viewport()->update();
    }

    CZELVListCtrl* m_list;
};

// The icon, small icon and list views: the same model and selection.
class CZELVListIconView : public QListView {
public:
    explicit CZELVListIconView(CZELVListCtrl* list) : QListView(list), m_list(list) {
        setObjectName(QStringLiteral("listIcons"));
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setUniformItemSizes(true);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QListView::paintEvent(event);
        QPainter painter(viewport());
        m_list->PaintEmptyNotice(this, &painter);
    }

private:
    CZELVListCtrl* m_list;
};

// ---------------------------------------------------------------------------
// Construction

CZELVListCtrl::CZELVListCtrl(QWidget* parent) : QWidget(parent) {
    m_model = new CZELVListModel(this);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_stack = new QStackedWidget(this);
    m_layout->addWidget(m_stack, 1);

    m_table = new CZELVListTable(this);
    m_header = new CZELVListHeader(m_table);
    m_table->setHorizontalHeader(m_header);
    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setCornerButtonEnabled(false);
    m_table->setTabKeyNavigation(false);
    m_table->setIconSize(QSize(16, 16));
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setItemDelegate(new CZELVListDelegate(m_table));
    // Cells start white with black text; the sort column's shade sits on that.
    QPalette colours = m_table->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    m_table->setPalette(colours);
    m_stack->addWidget(m_table);
    setFocusProxy(m_table);

    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);

    connect(m_header, &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
    connect(m_table, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid())
            return;
        if (m_editItems.count(index.column()))
            BeginEdit(index.row(), index.column());
        Q_EMIT ItemDoubleClicked(index.row(), index.column());
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateFooter();
        Q_EMIT SelectionChanged();
    });
    // An editor whose row goes away ends without telling anyone.
    auto abandonEdit = [this] {
        if (!m_activeEditor)
            return;
        m_activeEditor->hide();
        m_activeEditor = nullptr;
        m_editCancelled = true;
    };
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, abandonEdit);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, abandonEdit);
    connect(m_model, &QAbstractItemModel::modelReset, this, &CZELVListCtrl::UpdateFooter);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &CZELVListCtrl::UpdateFooter);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &CZELVListCtrl::UpdateFooter);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CZELVListCtrl::UpdateFooter);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &CZELVListCtrl::UpdateFooter);
}

CZELVListCtrl::~CZELVListCtrl() {
    SaveColumnOrder();
    // The views go first, while this object can still take their signals;
    // their events no longer pass through this list.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_table), static_cast<QAbstractItemView*>(m_iconView)}) {
        if (!view)
            continue;
        view->removeEventFilter(this);
        view->viewport()->removeEventFilter(this);
    }
    m_activeEditor = nullptr;
    QStackedWidget* stack = m_stack;
    m_stack = nullptr;
    m_table = nullptr;
    m_iconView = nullptr;
    m_textEditor = nullptr;
    m_dateEditor = nullptr;
    m_comboEditor = nullptr;
    delete stack;
    m_header = nullptr;
}

// ---------------------------------------------------------------------------
// Column order

void CZELVListCtrl::Init(const QString& listName) {
    m_listName = listName;
    m_header->setSectionsMovable(true);
    if (m_listName.isEmpty() || !m_settings)
        return;
    const QVariant stored = m_settings->value(kOrderSection + u'/' + m_listName);
    // An INI value written by hand without quotes comes back as a list.
    const QString text = stored.typeId() == QMetaType::QStringList
                             ? stored.toStringList().join(u',')
                             : stored.toString();
    if (text.isEmpty())
        return;
    QList<int> order;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        if (order.size() >= kMaxOrderColumns)
            break;
        bool ok = false;
        const int column = part.trimmed().toInt(&ok);
        if (ok)
            order.append(column);
    }
    SetColumnOrder(order);
}

void CZELVListCtrl::SaveColumnOrder() {
    if (m_listName.isEmpty() || !m_settings || !m_header)
        return;
    const int count = m_header->count();
    if (count >= kMaxOrderColumns)
        return;
    QString text;
    for (int visual = 0; visual < count; ++visual)
        text += QString::number(m_header->logicalIndex(visual)) + u',';
    m_settings->setValue(kOrderSection + u'/' + m_listName, text);
}

QList<int> CZELVListCtrl::GetColumnOrder() const {
    QList<int> order;
    for (int visual = 0; visual < m_header->count(); ++visual)
        order.append(m_header->logicalIndex(visual));
    return order;
}

void CZELVListCtrl::SetColumnOrder(const QList<int>& order) {
    // Numbers that name no column, or a column again, are passed over; the
    // columns not named keep their order behind the named ones.
    const int count = m_header->count();
    std::vector<bool> placed(size_t(count), false);
    int visual = 0;
    for (int column : order) {
        if (column < 0 || column >= count || placed[size_t(column)])
            continue;
        placed[size_t(column)] = true;
        m_header->moveSection(m_header->visualIndex(column), visual++);
    }
}

// ---------------------------------------------------------------------------
// Columns and rows

int CZELVListCtrl::InsertColumn(int column, const QString& heading, int width,
                                Qt::Alignment alignment) {
    const int inserted = m_model->InsertColumn(column, heading, alignment);
    m_header->resizeSection(inserted, width);
    return inserted;
}

int CZELVListCtrl::GetColumnCount() const {
    return m_model->ColumnCount();
}

void CZELVListCtrl::SetColumnWidth(int column, int width) {
    if (column >= 0 && column < GetColumnCount())
        m_header->resizeSection(column, width);
}

int CZELVListCtrl::GetColumnWidth(int column) const {
    return m_header->sectionSize(column);
}

void CZELVListCtrl::SizeColumnToHeader(int column) {
    if (column < 0 || column >= GetColumnCount())
        return;
    if (column == GetColumnCount() - 1)
        m_header->setStretchLastSection(true);
    else
        m_header->resizeSection(column, m_header->sectionSizeHint(column));
}

void CZELVListCtrl::SetRows(CZELVListRows* rows) {
    m_model->SetRows(rows);
}

CZELVListRows* CZELVListCtrl::Rows() const {
    return m_model->Rows();
}

void CZELVListCtrl::Reload() {
    m_model->Reload();
}

void CZELVListCtrl::RemoveSourceRow(int sourceRow, const std::function<void()>& remove) {
    m_model->RemoveSourceRow(sourceRow, remove);
}

void CZELVListCtrl::RedrawRow(int row) {
    m_model->RowChanged(row);
}

void CZELVListCtrl::RedrawAll() {
    m_model->AllRowsChanged();
}

int CZELVListCtrl::InsertItem(int row, const QString& text, int image) {
    return m_model->InsertItem(row, text, image);
}

bool CZELVListCtrl::SetItemText(int row, int column, const QString& text) {
    return m_model->SetItemText(row, column, text);
}

bool CZELVListCtrl::SetItemImage(int row, int column, int image) {
    return m_model->SetItemImage(row, column, image);
}

bool CZELVListCtrl::SetItemData(int row, const void* data) {
    return m_model->SetItemData(row, data);
}

bool CZELVListCtrl::DeleteItem(int row) {
    return m_model->DeleteItem(row);
}

void CZELVListCtrl::DeleteAllItems() {
    m_model->DeleteAllItems();
}

void CZELVListCtrl::SetCheckBoxes(bool on) {
    m_model->Items().SetCheckBoxes(on);
    m_model->AllRowsChanged();
}

int CZELVListCtrl::GetItemCount() const {
    return m_model->rowCount();
}

QString CZELVListCtrl::GetItemText(int row, int column) const {
    return m_model->Text(row, column);
}

const void* CZELVListCtrl::GetItemData(int row) const {
    return m_model->Record(row);
}

int CZELVListCtrl::SourceRow(int row) const {
    return m_model->SourceRow(row);
}

void CZELVListCtrl::EnsureVisible(int row) {
    if (row >= 0 && row < GetItemCount() && GetColumnCount() > 0)
        CurrentView()->scrollTo(m_model->index(row, 0));
}

// ---------------------------------------------------------------------------
// Sorting

int CZELVListCtrl::SetSortColumn(int column) {
    if (m_sortColumn == kNoSortColumn)
        m_header->SetMark(column, CZELVListHeader::Mark::Down);
    else
        m_header->SetMark(m_sortColumn, CZELVListHeader::Mark::None);
    m_sortColumn = column;
    m_model->SetSortColumn(column);
    return column;
}

bool CZELVListCtrl::ToggleSortDirection() {
    m_reverse = !m_reverse;
    if (m_sortColumn >= 0)
        m_header->SetMark(m_sortColumn,
                          m_reverse ? CZELVListHeader::Mark::Up : CZELVListHeader::Mark::Down);
    return m_reverse;
}

void CZELVListCtrl::SortItems() {
    if (m_sortColumn < 0 || m_sortColumn >= GetColumnCount())
        return;
    EndEdit(false);
    m_model->Sort(m_sortColumn, m_reverse, [this](int left, int right, int column) {
        return CompareRows(left, right, column);
    });
}

CZELVListCtrl::SortMark CZELVListCtrl::GetSortMark(int column) const {
    switch (m_header->GetMark(column)) {
    case CZELVListHeader::Mark::Up:
        return SortMark::Up;
    case CZELVListHeader::Mark::Down:
        return SortMark::Down;
    default:
        return SortMark::None;
    }
}

void CZELVListCtrl::SetSortOnClick(bool on) {
    m_sortOnClick = on;
    m_header->setSectionsClickable(on);
}

void CZELVListCtrl::OnColumnClick(int column) {
    if (!m_sortOnClick)
        return;
    SetSortColumn(column);
    ToggleSortDirection();
    SortItems();
}

int CZELVListCtrl::CompareRows(int left, int right, int column) const {
    return m_model->Rows()->Compare(left, right, column);
}

// ---------------------------------------------------------------------------
// In-place editing

CZELVListCtrl_Edit* CZELVListCtrl::TextEditor() {
    if (!m_textEditor) {
        m_textEditor = new CZELVListCtrl_Edit(m_table->viewport());
        connect(m_textEditor, &CZELVListCtrl_Edit::EditDone, this, &CZELVListCtrl::EndEdit);
    }
    return m_textEditor;
}

CZELVListCtrl_Date* CZELVListCtrl::DateEditor() {
    if (!m_dateEditor) {
        m_dateEditor = new CZELVListCtrl_Date(m_table->viewport());
        connect(m_dateEditor, &CZELVListCtrl_Date::EditDone, this, &CZELVListCtrl::EndEdit);
    }
    return m_dateEditor;
}

CZELVListCtrl_Combo* CZELVListCtrl::ComboEditor() {
    if (!m_comboEditor) {
        m_comboEditor = new CZELVListCtrl_Combo(m_table->viewport());
        connect(m_comboEditor, &CZELVListCtrl_Combo::EditDone, this, &CZELVListCtrl::EndEdit);
    }
    return m_comboEditor;
}

void CZELVListCtrl::AddEditColumn(int column, EditorType type, ZELVListCtrlEditItem::Notify begin,
                                  ZELVListCtrlEditItem::Notify end) {
    ZELVListCtrlEditItem item;
    item.type = type;
    switch (type) {
    case EditDate:
        item.editor = DateEditor();
        break;
    case EditList:
        item.editor = ComboEditor();
        break;
    case EditText:
    default:
        item.type = EditText;
        item.editor = TextEditor();
        break;
    }
    item.begin = std::move(begin);
    item.end = std::move(end);
    m_editItems[column] = std::move(item);
}

const ZELVListCtrlEditItem* CZELVListCtrl::GetEditItem(int column) const {
    const auto it = m_editItems.find(column);
    return it == m_editItems.end() ? nullptr : &it->second;
}

bool CZELVListCtrl::BeginEdit(int row, int column) {
    const auto it = m_editItems.find(column);
    if (it == m_editItems.end() || row < 0 || row >= GetItemCount() || column >= GetColumnCount())
        return false;
    EndEdit(false);
    if (m_view != ViewReport)
        SetView(ViewReport);
    m_table->scrollTo(m_model->index(row, column));

    m_editRow = row;
    m_editColumn = column;
    m_editCancelled = false;
    QWidget* editor = it->second.editor;
    m_activeEditor = editor;
    if (editor == m_textEditor) {
        m_savedEditText = GetItemText(row, column);
        m_textEditor->SetCancelled(false);
        m_textEditor->setText(m_savedEditText);
        m_textEditor->selectAll();
    } else if (editor == m_dateEditor) {
        m_dateEditor->SetCancelled(false);
    } else if (editor == m_comboEditor) {
        m_comboEditor->SetCancelled(false);
    }
    PlaceEditor();
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    if (it->second.begin)
        it->second.begin(row, column);
    return true;
}

void CZELVListCtrl::PlaceEditor() {
    if (!m_activeEditor)
        return;
    QRect cell = m_table->visualRect(m_model->index(m_editRow, m_editColumn));
    // The date picker needs a little more height than a row.
    if (m_activeEditor == m_dateEditor)
        cell.adjust(0, -3, 0, 3);
    m_activeEditor->setGeometry(cell);
}

void CZELVListCtrl::EndEdit(bool cancelled) {
    if (!m_activeEditor)
        return;
    QWidget* editor = m_activeEditor;
    m_activeEditor = nullptr;
    m_editCancelled = cancelled;
    editor->hide();
    CurrentView()->setFocus(Qt::OtherFocusReason);
    if (cancelled)
        return;
    if (editor == m_textEditor && m_textEditor->text() == m_savedEditText)
        return;
    const auto it = m_editItems.find(m_editColumn);
    if (it != m_editItems.end() && it->second.end)
        it->second.end(m_editRow, m_editColumn);
}

// ---------------------------------------------------------------------------
// Context menu and keyboard

void CZELVListCtrl::SetContextMenu(QMenu* menu, int popupIndex,
                                   std::function<void(QMenu*)> prepare) {
    m_menu = menu;
    m_menuPopup = menu ? popupIndex : -1;
    m_menuPrepare = std::move(prepare);
}

bool CZELVListCtrl::ShowContextMenu(const QPoint& globalPos) {
    if (m_menuPopup < 0)
        return false;
    Prompter* prompter = m_prompter;
    if (!prompter) {
        if (!m_ownPrompter)
            m_ownPrompter = std::make_unique<QMessageBoxPrompter>();
        prompter = m_ownPrompter.get();
    }
    if (!m_menu) {
        prompter->Tell(QStringLiteral("Unable to load menu resource"),
                       QCoreApplication::applicationName(), PromptIcon::None, this);
        return false;
    }
    const QList<QAction*> actions = m_menu->actions();
    QMenu* popup = m_menuPopup < actions.size() ? actions[m_menuPopup]->menu() : nullptr;
    if (!popup) {
        prompter->Tell(QStringLiteral("Unable to find submenu"),
                       QCoreApplication::applicationName(), PromptIcon::None, this);
        return false;
    }
    if (m_menuPrepare)
        m_menuPrepare(popup);
    RunContextMenu(popup, globalPos);
    return true;
}

void CZELVListCtrl::RunContextMenu(QMenu* popup, const QPoint& globalPos) {
    popup->exec(globalPos);
}

bool CZELVListCtrl::HandleShortcut(QKeyEvent* event) {
    if (event->modifiers() != Qt::ControlModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_A:
        SelectAll();
        return true;
    case Qt::Key_E:
        Q_EMIT ExportRequested();
        if (m_exportHandler)
            m_exportHandler();
        else
            Export(QStringLiteral("Export"), false);
        return true;
    case Qt::Key_I:
        InvertSelection();
        return true;
    case Qt::Key_S:
        NextView();
        return true;
    default:
        return false;
    }
}

bool CZELVListCtrl::eventFilter(QObject* watched, QEvent* event) {
    const bool view = watched == m_table || watched == m_iconView;
    const bool viewport = (m_table && watched == m_table->viewport()) ||
                          (m_iconView && watched == m_iconView->viewport());
    if (!view && !viewport)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The list's own keys win over window shortcuts while it has focus.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_A || key->key() == Qt::Key_E || key->key() == Qt::Key_I ||
             key->key() == Qt::Key_S)) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        if (view && HandleShortcut(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::ContextMenu: {
        if (m_menuPopup < 0)
            break;
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const QPoint at = menuEvent->reason() == QContextMenuEvent::Keyboard
                              ? CurrentView()->mapToGlobal(QPoint(5, 5))
                              : menuEvent->globalPos();
        ShowContextMenu(at);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Filters

CZELVListCtrl::FilterSlot* CZELVListCtrl::Slot(int column) {
    if (column < 0)
        return nullptr;
    if (size_t(column) >= m_filters.size())
        m_filters.resize(size_t(column) + 1);
    return &m_filters[size_t(column)];
}

void CZELVListCtrl::EnableFilterBar(int timeoutMs) {
    m_filterTimeout = qMax(0, timeoutMs);
    if (!m_filterTimer) {
        m_filterTimer = new QTimer(this);
        m_filterTimer->setSingleShot(true);
        connect(m_filterTimer, &QTimer::timeout, this, &CZELVListCtrl::FlushPendingFilters);
        connect(m_header, &CZELVListHeader::FilterEdited, this, [this](int column) {
            m_pendingFilters.insert(column);
            m_filterTimer->start();
        });
        connect(m_header, &CZELVListHeader::FilterCommitted, this, [this](int column) {
            m_pendingFilters.insert(column);
            FlushPendingFilters();
        });
    }
    m_filterTimer->setInterval(m_filterTimeout);
    m_header->SetFilterBar(true);
}

bool CZELVListCtrl::IsFilterBarEnabled() const {
    return m_header->HasFilterBar();
}

void CZELVListCtrl::FlushPendingFilters() {
    if (m_filterTimer)
        m_filterTimer->stop();
    const std::set<int> columns = std::move(m_pendingFilters);
    m_pendingFilters.clear();
    for (int column : columns)
        ApplyFilterField(column);
}

void CZELVListCtrl::ApplyFilterField(int column) {
    SetFilterText(column, m_header->FilterFieldText(column));
}

void CZELVListCtrl::SetFilterText(int column, const QString& text) {
    FilterSlot* slot = Slot(column);
    if (!slot)
        return;
    const QString pattern = text.left(CZELVListHeader::kMaxFilterText);
    m_pendingFilters.erase(column);
    if (m_header->FilterFieldText(column) != pattern)
        m_header->SetFilterFieldText(column, pattern);
    slot->exists = true;
    slot->filter.SetPattern(pattern);
    slot->pattern = pattern.toUtf8();
    // A pattern that cannot be used matches nothing; the field says why.
    if (QLineEdit* field = m_header->FilterField(column)) {
        const QString error = slot->filter.Error();
        field->setToolTip(error.isEmpty()
                              ? QString()
                              : QStringLiteral("This pattern matches nothing. %1").arg(error));
    }
    // Relative date ranges ("today") are worked out again after any change.
    for (FilterSlot& each : m_filters) {
        each.range.reset();
        each.rangeParsed = false;
    }
    m_filteringColumn = column;
    Q_EMIT FilterChanged(column);
    m_filteringColumn = -1;
}

QString CZELVListCtrl::GetFilterText(int column) const {
    const FilterSlot* slot = FindSlot(column);
    return slot && slot->exists ? slot->filter.Pattern() : QString();
}

void CZELVListCtrl::SetFilterCaseInsensitive(int column, bool on) {
    FilterSlot* slot = Slot(column);
    if (!slot)
        return;
    if (on)
        slot->matchFlags |= CZELVFilter::kCaseFold;
    else
        slot->matchFlags &= ~CZELVFilter::kCaseFold;
}

unsigned CZELVListCtrl::GetMatchFlags(int column) const {
    const FilterSlot* slot = FindSlot(column);
    return slot ? slot->matchFlags : 0;
}

namespace {

// A value longer than a list matches, cut to the bytes it does match.
[[gnu::noinline]] bool MatchCut(const CZELVFilter& filter, unsigned flags, const char* text) {
    char value[CZELVListCtrl::kMaxMatchText + 1];
    std::memcpy(value, text, CZELVListCtrl::kMaxMatchText);
    CutUtf8(value, CZELVListCtrl::kMaxMatchText);
    return filter.MatchesUtf8(value, flags);
}

[[gnu::noinline]] bool MatchFormatted(const CZELVFilter& filter, unsigned flags, const char* format,
                                      va_list args) {
    char value[CZELVListCtrl::kMaxMatchText + 1];
    const int length = std::vsnprintf(value, sizeof value, format ? format : "", args);
    if (length < 0)
        value[0] = '\0';
    else if (length > CZELVListCtrl::kMaxMatchText)
        CutUtf8(value, CZELVListCtrl::kMaxMatchText);
    return filter.MatchesUtf8(value, flags);
}

[[gnu::noinline]] bool MatchFormattedOne(const CZELVFilter& filter, unsigned flags,
                                         const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool matches = MatchFormatted(filter, flags, format, args);
    va_end(args);
    return matches;
}

bool IsPlainString(const char* format) {
    return format && format[0] == '%' && format[1] == 's' && format[2] == '\0';
}

// A printf format whose one conversion takes a string ("%-10s", "Box %.4s").
bool TakesOneString(const char* format) {
    int strings = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        if (*++p == '%')
            continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
            ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p == '.')
            for (++p; *p >= '0' && *p <= '9';)
                ++p;
        if (*p != 's')
            return false;
        ++strings;
    }
    return strings == 1;
}

} // namespace

bool CZELVListCtrl::MatchesOneText(const FilterSlot& slot, const char* format,
                                   const char* text) const {
    if (!text)
        text = "(null)";
    if (format && !IsPlainString(format) && TakesOneString(format))
        return MatchFormattedOne(slot.filter, slot.matchFlags, format, text);
    // The field as it is, matched in place rather than formatted on every row
    // of a large list. The filter keeps its pattern compiled: one pass over
    // the value, and a long value is cut only when its start did not decide.
    const int settled = slot.filter.MatchesUtf8UpTo(text, kMaxMatchText, slot.matchFlags);
    return settled >= 0 ? settled != 0 : MatchCut(slot.filter, slot.matchFlags, text);
}

bool CZELVListCtrl::FilterMatchesText(int column, const char* format, ...) const {
    const FilterSlot* slot = FindSlot(column);
    if (!slot || !slot->exists || slot->pattern.isEmpty())
        return true;
    va_list args;
    va_start(args, format);
    if (IsPlainString(format)) {
        const char* text = va_arg(args, const char*);
        va_end(args);
        return MatchesOneText(*slot, format, text);
    }
    const bool matches = MatchFormatted(slot->filter, slot->matchFlags, format, args);
    va_end(args);
    return matches;
}

bool CZELVListCtrl::FilterMatchesText(int column, const QString& value) const {
    const FilterSlot* slot = FindSlot(column);
    if (!slot || !slot->exists || slot->pattern.isEmpty())
        return true;
    // Most values are identifiers in plain ASCII: no conversion needed.
    char buffer[kMaxMatchText + 1];
    const qsizetype length = qMin<qsizetype>(value.size(), kMaxMatchText);
    qsizetype i = 0;
    for (; i < length; ++i) {
        const char16_t c = value[i].unicode();
        if (c == 0 || c >= 0x80)
            break;
        buffer[i] = char(c);
    }
    if (i == length) {
        buffer[length] = '\0';
        return slot->filter.MatchesUtf8(buffer, slot->matchFlags);
    }
    QByteArray utf8 = value.toUtf8();
    if (utf8.size() > kMaxMatchText) {
        CutUtf8(utf8.data(), kMaxMatchText);
        utf8.truncate(qsizetype(qstrlen(utf8.constData())));
    }
    return slot->filter.MatchesUtf8(utf8.constData(), slot->matchFlags);
}

bool CZELVListCtrl::FilterMatchesAll(int column, const QStringList& values) const {
    const FilterSlot* slot = FindSlot(column);
    if (!slot || !slot->exists || slot->pattern.isEmpty())
        return true;
    // The filter's own flags: extended patterns, case-sensitive.
    for (const QString& value : values) {
        if (!slot->filter.Matches(value))
            return false;
    }
    return true;
}

bool CZELVListCtrl::FilterMatchesAll(int column, const CZELVStringArray& values) const {
    return FilterMatchesAll(column, values.Strings());
}

bool CZELVListCtrl::FilterMatchesDate(int column, const CZELVDate& date) const {
    const FilterSlot* slot = FindSlot(column);
    if (!slot || !slot->exists || slot->pattern.isEmpty())
        return true;
    if (!slot->rangeParsed) {
        // Parsed once per filter change; an unreadable range matches nothing.
        slot->range.emplace(*m_clock);
        slot->range->Parse(slot->filter.Pattern());
        slot->rangeParsed = true;
    }
    return slot->range->Matches(date);
}

bool CZELVListCtrl::HasActiveFilter() const {
    return std::any_of(m_filters.begin(), m_filters.end(), [](const FilterSlot& slot) {
        return slot.exists && !slot.pattern.isEmpty();
    });
}

// ---------------------------------------------------------------------------
// Footer, caption, images, fonts

void CZELVListCtrl::ShowFooter() {
    if (m_footer)
        return;
    m_footer = new CZELVListFooter(this, this);
    m_layout->addWidget(m_footer);
    m_footer->show();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void CZELVListCtrl::UpdateFooter() {
    if (m_footer)
        m_footer->update();
}

void CZELVListCtrl::ShowCaption(int iconId, const QString& text) {
    if (!m_caption) {
        m_caption = new QFrame(this);
        m_caption->setObjectName(QStringLiteral("caption"));
        m_caption->setFixedHeight(kCaptionHeight);
        m_caption->setAutoFillBackground(true);
        QPalette colours = m_caption->palette();
        colours.setColor(QPalette::Window, colours.color(QPalette::Dark));
        colours.setColor(QPalette::WindowText, Qt::white);
        m_caption->setPalette(colours);
        auto* row = new QHBoxLayout(m_caption);
        row->setContentsMargins(4, 0, 4, 0);
        row->setSpacing(4);
        m_captionIcon = new QLabel(m_caption);
        m_captionIcon->setObjectName(QStringLiteral("captionIcon"));
        m_captionText = new QLabel(m_caption);
        m_captionText->setObjectName(QStringLiteral("captionText"));
        m_captionText->setTextFormat(Qt::PlainText);
        QFont bold = m_captionText->font();
        bold.setBold(true);
        m_captionText->setFont(bold);
        row->addWidget(m_captionIcon);
        row->addWidget(m_captionText, 1);
        m_layout->insertWidget(0, m_caption);
        m_layout->insertSpacing(1, kCaptionGap);
        m_caption->show();
    }
    const QIcon icon = ZELVIcon(iconId);
    m_captionIcon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(16, 16));
    m_captionText->setText(text);
}

QString CZELVListCtrl::CaptionText() const {
    return m_captionText ? m_captionText->text() : QString();
}

void CZELVListCtrl::LoadIcons(const QList<int>& iconIds) {
    QList<QIcon> icons;
    for (int id : iconIds)
        icons.append(ZELVIcon(id));
    SetImages(icons);
}

void CZELVListCtrl::SetImages(const QList<QIcon>& icons) {
    m_model->SetImages(icons);
}

void CZELVListCtrl::EnsureFonts() {
    if (m_fontsCreated)
        return;
    const QFont base = m_table->font();
    m_fonts[FontNormal] = base;
    QFont bold = base;
    bold.setWeight(QFont::Weight(kBoldWeight));
    m_fonts[FontBold] = bold;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    if (base.pixelSize() > 0)
        fixed.setPixelSize(base.pixelSize());
    else
        fixed.setPointSizeF(base.pointSizeF());
    m_fonts[FontFixed] = fixed;
    QFont struck = base;
    struck.setStrikeOut(true);
    m_fonts[FontStrikeOut] = struck;
    m_fontsCreated = true;
}

QFont CZELVListCtrl::GetFont(ListFont font) {
    EnsureFonts();
    return m_fonts[size_t(std::clamp(int(font), 0, 3))];
}

void CZELVListCtrl::SetColumnFont(int column, ListFont font) {
    m_model->SetColumnFont(column, GetFont(font));
}

void CZELVListCtrl::SetColumnFixedWidth(int column) {
    if (column >= 0 && column < kSizedColumns)
        m_fixedWidth[size_t(column)] = true;
}

bool CZELVListCtrl::IsColumnFixedWidth(int column) const {
    return column >= 0 && column < kSizedColumns && m_fixedWidth[size_t(column)];
}

void CZELVListCtrl::AutoSizeColumns() {
    const int count = qMin(GetColumnCount(), int(kSizedColumns));
    for (int column = 0; column < count; ++column)
        if (!m_fixedWidth[size_t(column)])
            m_table->resizeColumnToContents(column);
}

void CZELVListCtrl::SetMarkLastRow(bool mark) {
    m_model->SetMarkLastRow(mark);
    m_table->viewport()->update();
}

bool CZELVListCtrl::GetMarkLastRow() const {
    return m_model->MarkLastRow();
}

void CZELVListCtrl::PaintEmptyNotice(QAbstractItemView* view, QPainter* painter) const {
    if (m_model->rowCount() > 0)
        return;
    const QRect area = view->viewport()->rect();
    const QRect box(area.left() + 30, area.center().y() - 20, area.width() - 60, 40);
    if (box.width() <= 0)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QApplication::palette("QMenu").color(QPalette::Window));
    painter->drawRoundedRect(box, 10, 10);
    painter->setPen(QApplication::palette("QMenu").color(QPalette::WindowText));
    painter->setFont(QApplication::font());
    painter->drawText(box, Qt::AlignCenter | Qt::TextWordWrap, kEmptyNotice);
    painter->restore();
}

// ---------------------------------------------------------------------------
// Selection

void CZELVListCtrl::SelectEveryRow(bool toggle) {
    const int rows = GetItemCount();
    const int columns = GetColumnCount();
    if (rows == 0 || columns == 0)
        return;
    m_table->selectionModel()->select(
        QItemSelection(m_model->index(0, 0), m_model->index(rows - 1, columns - 1)),
        (toggle ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect) |
            QItemSelectionModel::Rows);
}

void CZELVListCtrl::SelectAll() {
    SelectEveryRow(false);
}

void CZELVListCtrl::SelectNone() {
    m_table->selectionModel()->clearSelection();
}

void CZELVListCtrl::InvertSelection() {
    SelectEveryRow(true);
}

void CZELVListCtrl::SetItemSelected(int row, bool selected) {
    if (row < 0 || row >= GetItemCount() || GetColumnCount() == 0)
        return;
    m_table->selectionModel()->select(
        m_model->index(row, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
            QItemSelectionModel::Rows);
}

bool CZELVListCtrl::IsItemSelected(int row) const {
    for (const auto& interval : SelectedIntervals(m_table->selectionModel()))
        if (row >= interval.first && row <= interval.second)
            return true;
    return false;
}

int CZELVListCtrl::GetSelectedCount() const {
    int count = 0;
    for (const auto& interval : SelectedIntervals(m_table->selectionModel()))
        count += interval.second - interval.first + 1;
    return count;
}

std::vector<int> CZELVListCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    for (const auto& interval : SelectedIntervals(m_table->selectionModel()))
        for (int row = interval.first; row <= interval.second; ++row)
            rows.push_back(row);
    return rows;
}

int CZELVListCtrl::GetFirstSelected() const {
    const auto intervals = SelectedIntervals(m_table->selectionModel());
    return intervals.empty() ? -1 : intervals.front().first;
}

void CZELVListCtrl::SetSingleSelection(bool single) {
    const auto mode =
        single ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection;
    m_table->setSelectionMode(mode);
    if (m_iconView)
        m_iconView->setSelectionMode(mode);
}

Prompter& CZELVListCtrl::GetPrompter() {
    if (m_prompter)
        return *m_prompter;
    if (!m_ownPrompter)
        m_ownPrompter = std::make_unique<QMessageBoxPrompter>();
    return *m_ownPrompter;
}

int CZELVListCtrl::RequireSelection(bool single) {
    const int selected = GetSelectedCount();
    if (selected > 0)
        return selected;
    Prompter* prompter = &GetPrompter();
    const QString caption = QStringLiteral("Selection Required");
    if (single) {
        prompter->Tell(QStringLiteral("You must select one item from the list."), caption,
                       PromptIcon::Warning, this);
        return 0;
    }
    const int answer =
        prompter->Ask(QStringLiteral("This operation requires you to have at least one item "
                                     "selected.\n\nWould you like to select all items?"),
                      caption, PromptIcon::Question, PromptButtons::YesNo, PromptYes, this);
    if (answer != PromptYes)
        return 0;
    SelectAll();
    return GetSelectedCount();
}

// ---------------------------------------------------------------------------
// Clipboard

int CZELVListCtrl::CopyColumnToClipboard(int column) {
    const std::vector<int> rows = GetSelectedRows();
    // Nothing selected: the clipboard keeps what the operator had on it.
    if (rows.empty() || column < 0 || column >= GetColumnCount())
        return 0;
    QString text;
    for (int row : rows)
        text += GetItemText(row, column) + QStringLiteral("\r\n");
    QGuiApplication::clipboard()->setText(text);
    return int(rows.size());
}

void CZELVListCtrl::ShowCopiedNotice(unsigned count) {
    ZELVNotification notice;
    notice.title = QStringLiteral("Copied items");
    notice.line1 = QString::asprintf("Copied %u items to clipboard", count);
    notice.showDelayMs = 10000;
    if (m_notify)
        m_notify(notice);
    if (m_sound)
        m_sound->Play(kCopiedSound);
}

int CZELVListCtrl::CopyColumnWithNotice(int column) {
    const int copied = CopyColumnToClipboard(column);
    if (copied > 0)
        ShowCopiedNotice(unsigned(copied));
    return copied;
}

// ---------------------------------------------------------------------------
// Per-list settings

bool CZELVListCtrl::WriteSetting(const QString& key, const QString& value) {
    if (m_listName.isEmpty() || !m_settings)
        return false;
    m_settings->setValue(QStringLiteral("CListCtrl_") + m_listName + u'/' + key, value);
    return true;
}

bool CZELVListCtrl::WriteSetting(const QString& key, int value) {
    if (m_listName.isEmpty() || !m_settings)
        return false;
    m_settings->setValue(QStringLiteral("CListCtrl_") + m_listName + u'/' + key, value);
    return true;
}

QString CZELVListCtrl::ReadSetting(const QString& key, const QString& defaultValue) const {
    if (m_listName.isEmpty() || !m_settings)
        return defaultValue;
    const QVariant value =
        m_settings->value(QStringLiteral("CListCtrl_") + m_listName + u'/' + key);
    return value.isValid() ? value.toString() : defaultValue;
}

int CZELVListCtrl::ReadSetting(const QString& key, int defaultValue) const {
    if (m_listName.isEmpty() || !m_settings)
        return defaultValue;
    bool ok = false;
    const int value =
        m_settings->value(QStringLiteral("CListCtrl_") + m_listName + u'/' + key).toInt(&ok);
    return ok ? value : defaultValue;
}

// ---------------------------------------------------------------------------
// Hit test and chips

int CZELVListCtrl::HitTestColumn(int row, const QPoint& point) const {
    if (row < 0 || row >= GetItemCount())
        return -1;
    const int top = m_table->rowViewportPosition(row);
    if (point.y() < top || point.y() >= top + m_table->rowHeight(row))
        return -1;
    return m_table->columnAt(point.x());
}

int CZELVListCtrl::DrawChips(QPainter* painter, const QRect& cell, const QStringList& strings,
                             const QColor& text, int gap, const QColor& fill,
                             const QColor& background) {
    if (!painter)
        return 0;
    painter->save();
    painter->fillRect(cell, background);
    painter->setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = painter->fontMetrics();
    int x = cell.left();
    int drawn = 0;
    for (const QString& string : strings) {
        const int width = metrics.horizontalAdvance(string) + gap;
        if (x + width > cell.right() + 1)
            break;
        const QRect box(x, cell.top() + 1, width, cell.height() - 2);
        painter->setPen(text);
        painter->setBrush(fill);
        painter->drawRoundedRect(box, 4, 4);
        painter->drawText(box, Qt::AlignCenter, string);
        x += width;
        ++drawn;
    }
    painter->restore();
    return drawn;
}

int CZELVListCtrl::DrawChips(QPainter* painter, int row, int column, const QStringList& strings,
                             const QColor& text, int gap, const QColor& fill,
                             const QColor& background) const {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount())
        return 0;
    return DrawChips(painter, m_table->visualRect(m_model->index(row, column)), strings, text, gap,
                     fill, background);
}

// ---------------------------------------------------------------------------
// Views

QTableView* CZELVListCtrl::Table() const {
    return m_table;
}

QAbstractItemView* CZELVListCtrl::CurrentView() const {
    if (m_view != ViewReport && m_iconView)
        return m_iconView;
    return m_table;
}

void CZELVListCtrl::SetView(View view) {
    EndEdit(false);
    m_view = view;
    if (view == ViewReport) {
        m_stack->setCurrentWidget(m_table);
        // Detached while hidden, so a reload does not lay out rows no one sees.
        if (m_iconView)
            m_iconView->setModel(nullptr);
        return;
    }
    if (!m_iconView) {
        m_iconView = new CZELVListIconView(this);
        m_iconView->installEventFilter(this);
        m_iconView->viewport()->installEventFilter(this);
        m_stack->addWidget(m_iconView);
    }
    if (m_iconView->model() != m_model) {
        m_iconView->setModel(m_model);
        m_iconView->setSelectionModel(m_table->selectionModel());
        m_iconView->setSelectionMode(m_table->selectionMode());
    }
    if (view == ViewIcon) {
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(48, 48));
        m_iconView->setFlow(QListView::LeftToRight);
    } else {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(16, 16));
        m_iconView->setFlow(view == ViewList ? QListView::TopToBottom : QListView::LeftToRight);
    }
    m_iconView->setWrapping(true);
    m_stack->setCurrentWidget(m_iconView);
}

void CZELVListCtrl::NextView() {
    switch (m_view) {
    case ViewIcon:
        SetView(ViewSmallIcon);
        break;
    case ViewSmallIcon:
        SetView(ViewList);
        break;
    case ViewList:
        SetView(ViewReport);
        break;
    case ViewReport:
    default:
        SetView(ViewIcon);
        break;
    }
    CurrentView()->setFocus(Qt::ShortcutFocusReason);
}

// ---------------------------------------------------------------------------
// Dragging

void CZELVListCtrl::EnableDragging() {
    m_dragging = true;
    m_table->setDragEnabled(true);
    m_table->setAcceptDrops(true);
    m_table->viewport()->setAcceptDrops(true);
    m_table->setDragDropMode(QAbstractItemView::DragDrop);
    m_table->setDropIndicatorShown(false);
}

std::unique_ptr<QMimeData> CZELVListCtrl::CreateDragData() const {
    const std::vector<int> rows = GetSelectedRows();
    if (rows.empty())
        return nullptr;
    QString text;
    const int columns = GetColumnCount();
    for (int row : rows) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += u'\t';
            text += GetItemText(row, column);
        }
        text += u'\n';
    }
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    data->setData(kRowsMimeType, EncodeRows(this, rows));
    return data;
}

void CZELVListCtrl::StartDrag(QAbstractItemView* view) {
    if (!m_dragging)
        return;
    std::unique_ptr<QMimeData> data = CreateDragData();
    if (!data)
        return;
    // The image: the selected rows that are visible, where they stand.
    QWidget* port = m_table->viewport();
    const QRect visible = port->rect();
    QRect span;
    std::vector<QRect> rowRects;
    for (int row : GetSelectedRows()) {
        const QRect rect(0, m_table->rowViewportPosition(row), visible.width(),
                         m_table->rowHeight(row));
        if (!rect.intersects(visible))
            continue;
        rowRects.push_back(rect.intersected(visible));
        span = span.united(rowRects.back());
    }
    auto* drag = new QDrag(view);
    drag->setMimeData(data.release());
    if (!span.isEmpty()) {
        QPixmap image(span.size());
        image.fill(Qt::transparent);
        QPainter painter(&image);
        for (const QRect& rect : rowRects)
            painter.drawPixmap(rect.topLeft() - span.topLeft(), port->grab(rect));
        painter.end();
        drag->setPixmap(image);
        const QPoint cursor = port->mapFromGlobal(QCursor::pos());
        drag->setHotSpot(cursor - span.topLeft());
    }
    m_dropTarget = nullptr;
    m_dropRow = -1;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    QObject* target = drag->target();
    if (target != port && target != m_table) {
        m_dropTarget = qobject_cast<QWidget*>(target);
        m_dropRow = -1;
    }
    if (m_dropHighlight >= 0) {
        m_dropHighlight = -1;
        port->update();
    }
}
