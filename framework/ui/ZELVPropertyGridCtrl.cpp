#include "ZELVPropertyGridCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <limits>

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

bool IsIntegerType(int type) {
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

// The button of a button row, at the right end of the value cell.
QRect ButtonRect(const QRect& cell) {
    const int side = cell.height();
    return QRect(cell.right() - side + 1, cell.top(), side, side);
}

// A value converted back to the type the row holds, so that comparisons with
// the original value see a real change only.
QVariant AsTypeOf(const QVariant& value, const QVariant& like) {
    if (!like.isValid() || value.metaType() == like.metaType())
        return value;
    QVariant converted = value;
    return converted.convert(like.metaType()) ? converted : value;
}

} // namespace

// ---------------------------------------------------------------- property

CZELVPropertyGridProperty::CZELVPropertyGridProperty(const QString& groupName)
    : QTreeWidgetItem(kItemType), m_group(true), m_name(groupName) {
    UpdateFlags();
}

CZELVPropertyGridProperty::CZELVPropertyGridProperty(const QString& name, const QVariant& value,
                                                     const QString& description,
                                                     const QVariant& data)
    : QTreeWidgetItem(kItemType), m_name(name), m_description(description), m_value(value),
      m_original(value), m_data(data) {
    UpdateFlags();
}

CZELVPropertyGridProperty::~CZELVPropertyGridProperty() = default;

void CZELVPropertyGridProperty::SetName(const QString& name) {
    m_name = name;
    Refresh();
}

void CZELVPropertyGridProperty::SetDescription(const QString& description) {
    m_description = description;
    if (CZELVPropertyGridCtrl* grid = GetGrid(); grid && grid->GetCurSel() == this)
        grid->UpdateDescription();
}

CZELVPropertyGridProperty::Kind CZELVPropertyGridProperty::GetKind() const {
    if (m_group)
        return Kind::Group;
    if (!m_options.isEmpty())
        return Kind::Options;
    const int type = m_value.metaType().id();
    if (type == QMetaType::Bool)
        return Kind::Bool;
    if (IsIntegerType(type))
        return Kind::Number;
    if (type == QMetaType::Double || type == QMetaType::Float)
        return Kind::Real;
    return Kind::Text;
}

void CZELVPropertyGridProperty::SetValue(const QVariant& value) {
    m_value = value;
    UpdateFlags(); // the kind may follow the new value
    Refresh();
}

bool CZELVPropertyGridProperty::GetBool() const {
    if (IsIntegerType(m_value.metaType().id()))
        return m_value.toLongLong() != 0;
    return m_value.toBool();
}

qint64 CZELVPropertyGridProperty::GetInt() const {
    return m_value.toLongLong();
}

QString CZELVPropertyGridProperty::FormatValue() const {
    if (m_group || GetKind() == Kind::Bool)
        return QString();
    return m_value.toString();
}

void CZELVPropertyGridProperty::SetOriginalValue(const QVariant& value) {
    m_original = value;
    Refresh();
}

int CZELVPropertyGridProperty::AddOption(const QString& text, const QVariant& data) {
    m_options.append(text);
    m_optionData.append(data);
    UpdateFlags();
    return int(m_options.size()) - 1;
}

void CZELVPropertyGridProperty::RemoveAllOptions() {
    m_options.clear();
    m_optionData.clear();
    UpdateFlags();
}

QString CZELVPropertyGridProperty::GetOption(int index) const {
    return index >= 0 && index < m_options.size() ? m_options[index] : QString();
}

QVariant CZELVPropertyGridProperty::GetOptionData(int index) const {
    return index >= 0 && index < m_optionData.size() ? m_optionData[index] : QVariant();
}

int CZELVPropertyGridProperty::GetSelectedOption() const {
    const int index = m_options.indexOf(m_value.toString());
    return index < 0 ? 0 : index;
}

void CZELVPropertyGridProperty::SelectOption(int index) {
    if (index < 0 || index >= m_options.size())
        return;
    SetValue(m_options[index]);
}

void CZELVPropertyGridProperty::AllowEdit(bool allow) {
    m_allowEdit = allow;
    UpdateFlags();
}

void CZELVPropertyGridProperty::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    UpdateFlags();
    Refresh();
}

void CZELVPropertyGridProperty::Enable(bool enable) {
    m_enabled = enable;
    UpdateFlags();
    Refresh();
}

bool CZELVPropertyGridProperty::IsEnabled() const {
    for (const CZELVPropertyGridProperty* p = this; p; p = p->GetParentProperty())
        if (!p->m_enabled)
            return false;
    return true;
}

bool CZELVPropertyGridProperty::IsEditable() const {
    if (m_group || m_readOnly || !IsEnabled())
        return false;
    switch (GetKind()) {
    case Kind::Options:
    case Kind::Bool:
        return true; // choosing and ticking are not typing
    default:
        return m_allowEdit || HasButton();
    }
}

void CZELVPropertyGridProperty::EnableSpinControl(bool enable, int min, int max) {
    m_spin = enable;
    m_spinMin = qMin(min, max);
    m_spinMax = qMax(min, max);
}

CZELVPropertyGridProperty*
CZELVPropertyGridProperty::AddSubItem(std::unique_ptr<CZELVPropertyGridProperty> property) {
    if (!property)
        return nullptr;
    CZELVPropertyGridProperty* raw = property.release();
    addChild(raw); // the row owns it from here on
    raw->UpdateFlags();
    if (treeWidget())
        raw->ApplyState();
    return raw;
}

CZELVPropertyGridProperty* CZELVPropertyGridProperty::AddSubItem(const QString& name,
                                                                 const QVariant& value,
                                                                 const QString& description,
                                                                 bool readOnly) {
    auto property = std::make_unique<CZELVPropertyGridProperty>(name, value, description);
    property->SetReadOnly(readOnly);
    return AddSubItem(std::move(property));
}

CZELVPropertyGridProperty* CZELVPropertyGridProperty::GetSubItem(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    return child(index)->type() == kItemType ? static_cast<CZELVPropertyGridProperty*>(child(index))
                                             : nullptr;
}

CZELVPropertyGridProperty* CZELVPropertyGridProperty::GetParentProperty() const {
    QTreeWidgetItem* p = parent();
    return p && p->type() == kItemType ? static_cast<CZELVPropertyGridProperty*>(p) : nullptr;
}

void CZELVPropertyGridProperty::Show(bool show) {
    m_visible = show;
    if (treeWidget())
        setHidden(!show);
}

void CZELVPropertyGridProperty::Expand(bool expand) {
    m_expanded = expand;
    if (treeWidget())
        setExpanded(expand);
}

void CZELVPropertyGridProperty::AddDependent(CZELVPropertyGridProperty* property) {
    if (property && property != this && !m_dependents.contains(property))
        m_dependents.append(property);
}

CZELVPropertyGridCtrl* CZELVPropertyGridProperty::GetGrid() const {
    QTreeWidget* tree = treeWidget();
    return tree ? qobject_cast<CZELVPropertyGridCtrl*>(tree->parentWidget()) : nullptr;
}

bool CZELVPropertyGridProperty::HasInPlaceEditor() const {
    if (!IsEditable())
        return false;
    switch (GetKind()) {
    case Kind::Group:
    case Kind::Bool:
        return false;
    case Kind::Options:
        return true;
    default:
        return m_allowEdit;
    }
}

QWidget* CZELVPropertyGridProperty::CreateEditor(QWidget* parent) const {
    switch (GetKind()) {
    case Kind::Group:
    case Kind::Bool:
        return nullptr; // a check box is ticked in place
    case Kind::Options: {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("propertyGridComboEditor"));
        combo->addItems(m_options);
        combo->setEditable(m_allowEdit);
        return combo;
    }
    case Kind::Number: {
        if (!m_allowEdit)
            return nullptr;
        auto* spin = new QSpinBox(parent);
        spin->setObjectName(QStringLiteral("propertyGridSpinEditor"));
        if (m_spin)
            spin->setRange(m_spinMin, m_spinMax);
        else if (m_value.metaType().id() == QMetaType::UInt ||
                 m_value.metaType().id() == QMetaType::ULongLong ||
                 m_value.metaType().id() == QMetaType::UShort)
            spin->setRange(0, std::numeric_limits<int>::max());
        else
            spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        return spin;
    }
    case Kind::Real: {
        if (!m_allowEdit)
            return nullptr;
        auto* spin = new QDoubleSpinBox(parent);
        spin->setObjectName(QStringLiteral("propertyGridRealEditor"));
        spin->setDecimals(6);
        spin->setRange(-1e15, 1e15);
        return spin;
    }
    case Kind::Text:
        break;
    }
    if (!m_allowEdit)
        return nullptr;
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("propertyGridTextEditor"));
    return edit;
}

void CZELVPropertyGridProperty::SetEditorData(QWidget* editor) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int index = m_options.indexOf(m_value.toString());
        if (index >= 0)
            combo->setCurrentIndex(index);
        else if (combo->isEditable())
            combo->setEditText(m_value.toString());
    } else if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(int(qBound(qint64(spin->minimum()), qint64(m_value.toLongLong()),
                                  qint64(spin->maximum()))));
    } else if (auto* real = qobject_cast<QDoubleSpinBox*>(editor)) {
        real->setValue(m_value.toDouble());
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(m_value.toString());
    }
}

QVariant CZELVPropertyGridProperty::EditorValue(QWidget* editor) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        return AsTypeOf(combo->currentText(), m_value);
    if (auto* spin = qobject_cast<QSpinBox*>(editor))
        return AsTypeOf(spin->value(), m_value);
    if (auto* real = qobject_cast<QDoubleSpinBox*>(editor))
        return AsTypeOf(real->value(), m_value);
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        return AsTypeOf(edit->text(), m_value);
    return m_value;
}

bool CZELVPropertyGridProperty::PaintValue(QPainter*, const QStyleOptionViewItem&) const {
    return false;
}

QVariant CZELVPropertyGridProperty::data(int column, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == kNameColumn)
            return m_name;
        if (column == kValueColumn)
            return FormatValue();
        return QVariant();
    case Qt::ToolTipRole:
        if (column == kValueColumn && !m_group)
            return FormatValue();
        return m_description.isEmpty() ? QVariant() : QVariant(m_description);
    case Qt::CheckStateRole:
        if (column == kValueColumn && GetKind() == Kind::Bool)
            return GetBool() ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    case Qt::FontRole: {
        const CZELVPropertyGridCtrl* grid = GetGrid();
        const bool boldName = m_group && column == kNameColumn;
        const bool boldValue =
            column == kValueColumn && grid && grid->IsMarkModifiedProperties() && IsModified();
        if (!boldName && !boldValue)
            return QVariant();
        QFont font = grid ? grid->font() : QApplication::font();
        font.setBold(true);
        return font;
    }
    case Qt::ForegroundRole:
        if (!IsEnabled() || (column == kValueColumn && m_readOnly))
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

void CZELVPropertyGridProperty::setData(int column, int role, const QVariant& value) {
    if (role == Qt::CheckStateRole && column == kValueColumn) {
        // Only the operator ticks the box; a program sets the value with SetValue.
        if (GetKind() != Kind::Bool || !IsEditable())
            return;
        const bool checked = value.toInt() == Qt::Checked;
        if (CZELVPropertyGridCtrl* grid = GetGrid())
            grid->CommitValue(this, AsTypeOf(checked, m_value));
        else
            SetValue(AsTypeOf(checked, m_value));
        return;
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return; // texts come from the property itself
    QTreeWidgetItem::setData(column, role, value);
}

void CZELVPropertyGridProperty::Refresh() {
    if (treeWidget())
        emitDataChanged();
}

void CZELVPropertyGridProperty::UpdateFlags() {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (IsEditable() && GetKind() == Kind::Bool)
        flags |= Qt::ItemIsUserCheckable;
    else if (HasInPlaceEditor())
        flags |= Qt::ItemIsEditable;
    setFlags(flags);
    for (int i = 0; i < childCount(); ++i)
        if (CZELVPropertyGridProperty* sub = GetSubItem(i))
            sub->UpdateFlags();
}

void CZELVPropertyGridProperty::ApplyState() {
    // Flags again now that the row is complete: rows of derived classes answer
    // HasInPlaceEditor for themselves only after construction.
    UpdateFlags();
    setHidden(!m_visible);
    setFirstColumnSpanned(m_group);
    setExpanded(m_expanded);
    for (int i = 0; i < childCount(); ++i)
        if (CZELVPropertyGridProperty* sub = GetSubItem(i))
            sub->ApplyState();
}

// ---------------------------------------------------------------- delegate

class CZELVPropertyGridDelegate : public QStyledItemDelegate {
public:
    explicit CZELVPropertyGridDelegate(CZELVPropertyGridCtrl* grid)
        : QStyledItemDelegate(grid), m_grid(grid) {}

    CZELVPropertyGridProperty* PropertyAt(const QModelIndex& index) const {
        QTreeWidgetItem* item = m_grid->m_tree->itemFromIndex(index);
        return item && item->type() == CZELVPropertyGridProperty::kItemType
                   ? static_cast<CZELVPropertyGridProperty*>(item)
                   : nullptr;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        CZELVPropertyGridProperty* property = PropertyAt(index);
        if (!property || index.column() != kValueColumn || !property->HasInPlaceEditor())
            return nullptr;
        QWidget* editor = property->CreateEditor(parent);
        if (auto* combo = qobject_cast<QComboBox*>(editor); combo && !combo->isEditable()) {
            // Picking an option is the whole edit.
            connect(combo, &QComboBox::activated, this, [this, combo] {
                Q_EMIT const_cast<CZELVPropertyGridDelegate*>(this)->commitData(combo);
                Q_EMIT const_cast<CZELVPropertyGridDelegate*>(this)->closeEditor(combo);
            });
        }
        m_grid->m_lastEditor = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (CZELVPropertyGridProperty* property = PropertyAt(index))
            property->SetEditorData(editor);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        if (CZELVPropertyGridProperty* property = PropertyAt(index))
            m_grid->CommitValue(property, property->EditorValue(editor));
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override {
        QRect rect = option.rect;
        if (CZELVPropertyGridProperty* property = PropertyAt(index);
            property && property->HasButton())
            rect.setRight(ButtonRect(option.rect).left() - 1);
        editor->setGeometry(rect);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        CZELVPropertyGridProperty* property = PropertyAt(index);
        if (property && index.column() == kValueColumn) {
            if (!property->PaintValue(painter, option))
                QStyledItemDelegate::paint(painter, option, index);
            if (property->HasButton()) {
                QStyleOptionButton button;
                button.rect = ButtonRect(option.rect);
                button.text = QStringLiteral("...");
                button.state = property->IsEditable() ? QStyle::State_Enabled : QStyle::State_None;
                const QWidget* widget = option.widget;
                QStyle* style = widget ? widget->style() : QApplication::style();
                style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
            }
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        CZELVPropertyGridProperty* property = PropertyAt(index);
        if (property && index.column() == kValueColumn && property->HasButton() &&
            event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                ButtonRect(option.rect).contains(mouse->position().toPoint())) {
                m_grid->ClickButton(property);
                return true;
            }
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

private:
    CZELVPropertyGridCtrl* m_grid;
};

// ---------------------------------------------------------------- control

CZELVPropertyGridCtrl::CZELVPropertyGridCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("propertyGrid"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("propertyGridTree"));
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    m_tree->setRootIsDecorated(true);
    m_tree->setAlternatingRowColors(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed);
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->setSectionResizeMode(kNameColumn, QHeaderView::Interactive);
    m_tree->setColumnWidth(kNameColumn, 160);
    m_tree->setItemDelegate(new CZELVPropertyGridDelegate(this));
    layout->addWidget(m_tree, 1);

    m_descriptionArea = new QFrame(this);
    m_descriptionArea->setObjectName(QStringLiteral("propertyGridDescriptionArea"));
    m_descriptionArea->setFrameShape(QFrame::StyledPanel);
    auto* description = new QVBoxLayout(m_descriptionArea);
    description->setContentsMargins(6, 4, 6, 4);
    m_descriptionName = new QLabel(m_descriptionArea);
    m_descriptionName->setObjectName(QStringLiteral("propertyGridDescriptionName"));
    m_descriptionName->setTextFormat(Qt::PlainText);
    QFont bold = m_descriptionName->font();
    bold.setBold(true);
    m_descriptionName->setFont(bold);
    m_descriptionText = new QLabel(m_descriptionArea);
    m_descriptionText->setObjectName(QStringLiteral("propertyGridDescriptionText"));
    m_descriptionText->setTextFormat(Qt::PlainText);
    m_descriptionText->setWordWrap(true);
    m_descriptionText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    description->addWidget(m_descriptionName);
    description->addWidget(m_descriptionText, 1);
    m_descriptionArea->setMinimumHeight(56);
    m_descriptionArea->hide();
    layout->addWidget(m_descriptionArea);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { UpdateDescription(); });
    // A click on a row's value starts editing it, as the platform grid did.
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (column == kValueColumn && item->type() == CZELVPropertyGridProperty::kItemType)
            EditProperty(static_cast<CZELVPropertyGridProperty*>(item));
    });
}

CZELVPropertyGridCtrl::~CZELVPropertyGridCtrl() = default;

CZELVPropertyGridProperty*
CZELVPropertyGridCtrl::AddProperty(std::unique_ptr<CZELVPropertyGridProperty> property) {
    if (!property)
        return nullptr;
    CZELVPropertyGridProperty* raw = property.release();
    m_tree->addTopLevelItem(raw); // the tree owns it from here on
    raw->ApplyState();
    return raw;
}

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::AddGroup(const QString& name) {
    return AddProperty(std::make_unique<CZELVPropertyGridProperty>(name));
}

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::AddSubItem(const QString& name,
                                                             const QVariant& value,
                                                             const QString& description,
                                                             bool readOnly) {
    auto property = std::make_unique<CZELVPropertyGridProperty>(name, value, description);
    property->SetReadOnly(readOnly);
    return AddProperty(std::move(property));
}

void CZELVPropertyGridCtrl::RemoveAll() {
    m_tree->clear();
    UpdateDescription();
}

int CZELVPropertyGridCtrl::GetPropertyCount() const {
    return m_tree->topLevelItemCount();
}

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::GetProperty(int index) const {
    QTreeWidgetItem* item = m_tree->topLevelItem(index);
    return item && item->type() == CZELVPropertyGridProperty::kItemType
               ? static_cast<CZELVPropertyGridProperty*>(item)
               : nullptr;
}

namespace {

template <typename Pred>
CZELVPropertyGridProperty* FindIn(CZELVPropertyGridProperty* property, const Pred& pred) {
    if (!property)
        return nullptr;
    if (pred(property))
        return property;
    for (int i = 0; i < property->GetSubItemsCount(); ++i)
        if (CZELVPropertyGridProperty* found = FindIn(property->GetSubItem(i), pred))
            return found;
    return nullptr;
}

} // namespace

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::FindItemByData(const QVariant& data) const {
    for (int i = 0; i < GetPropertyCount(); ++i)
        if (auto* found = FindIn(GetProperty(i), [&](const CZELVPropertyGridProperty* p) {
                return p->GetData().isValid() && p->GetData() == data;
            }))
            return found;
    return nullptr;
}

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::FindProperty(const QString& name) const {
    for (int i = 0; i < GetPropertyCount(); ++i)
        if (auto* found = FindIn(GetProperty(i), [&](const CZELVPropertyGridProperty* p) {
                return p->GetName() == name;
            }))
            return found;
    return nullptr;
}

CZELVPropertyGridProperty* CZELVPropertyGridCtrl::GetCurSel() const {
    QTreeWidgetItem* item = m_tree->currentItem();
    return item && item->type() == CZELVPropertyGridProperty::kItemType
               ? static_cast<CZELVPropertyGridProperty*>(item)
               : nullptr;
}

void CZELVPropertyGridCtrl::SetCurSel(CZELVPropertyGridProperty* property) {
    m_tree->setCurrentItem(property, kValueColumn);
    UpdateDescription();
}

void CZELVPropertyGridCtrl::EnableHeaderCtrl(bool enable, const QString& left,
                                             const QString& right) {
    m_tree->setHeaderLabels({left, right});
    m_tree->setHeaderHidden(!enable);
}

void CZELVPropertyGridCtrl::EnableDescriptionArea(bool enable) {
    m_descriptionArea->setVisible(enable);
}

bool CZELVPropertyGridCtrl::IsDescriptionArea() const {
    return !m_descriptionArea->isHidden();
}

void CZELVPropertyGridCtrl::MarkModifiedProperties(bool mark) {
    m_markModified = mark;
    m_tree->viewport()->update();
}

void CZELVPropertyGridCtrl::ExpandAll(bool expand) {
    for (int i = 0; i < GetPropertyCount(); ++i)
        FindIn(GetProperty(i), [expand](CZELVPropertyGridProperty* p) {
            p->Expand(expand);
            return false;
        });
}

QWidget* CZELVPropertyGridCtrl::EditProperty(CZELVPropertyGridProperty* property) {
    if (!property || property->GetGrid() != this || !property->HasInPlaceEditor())
        return nullptr;
    m_tree->setCurrentItem(property, kValueColumn);
    m_lastEditor = nullptr;
    m_tree->editItem(property, kValueColumn);
    return m_lastEditor;
}

bool CZELVPropertyGridCtrl::ClickButton(CZELVPropertyGridProperty* property) {
    if (!property || !property->HasButton() || !property->IsEditable())
        return false;
    if (!property->OnClickButton())
        return false;
    property->Refresh();
    OnPropertyChanged(property);
    return true;
}

bool CZELVPropertyGridCtrl::CommitValue(CZELVPropertyGridProperty* property,
                                        const QVariant& value) {
    if (!property || !property->IsEditable() || value == property->GetValue())
        return false;
    property->SetValue(value);
    OnPropertyChanged(property);
    return true;
}

void CZELVPropertyGridCtrl::OnPropertyChanged(CZELVPropertyGridProperty* property) {
    Q_EMIT PropertyChanged(property);
    const bool show = property->GetBool();
    for (CZELVPropertyGridProperty* dependent : property->GetDependents())
        dependent->Show(show);
}

void CZELVPropertyGridCtrl::UpdateDescription() {
    const CZELVPropertyGridProperty* property = GetCurSel();
    m_descriptionName->setText(property ? property->GetName() : QString());
    m_descriptionText->setText(property ? property->GetDescription() : QString());
}
