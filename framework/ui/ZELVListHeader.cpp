#include "ZELVListHeader.h"

#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

CZELVListHeader::CZELVListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("header"));
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    connect(this, &QHeaderView::sectionResized, this, &CZELVListHeader::PlaceFields);
    connect(this, &QHeaderView::sectionMoved, this, &CZELVListHeader::PlaceFields);
    connect(this, &QHeaderView::sectionCountChanged, this, &CZELVListHeader::SyncFields);
}

CZELVListHeader::~CZELVListHeader() = default;

void CZELVListHeader::SetMark(int column, Mark mark) {
    if (mark == Mark::None)
        m_marks.erase(column);
    else
        m_marks[column] = mark;
    if (column >= 0 && column < count())
        updateSection(column);
}

CZELVListHeader::Mark CZELVListHeader::GetMark(int column) const {
    const auto it = m_marks.find(column);
    return it == m_marks.end() ? Mark::None : it->second;
}

void CZELVListHeader::SetFilterBar(bool on) {
    if (m_filterBar == on)
        return;
    m_filterBar = on;
    SyncFields();
    updateGeometry();
}

QLineEdit* CZELVListHeader::FilterField(int column) const {
    if (column < 0 || size_t(column) >= m_fields.size())
        return nullptr;
    return m_fields[size_t(column)];
}

QString CZELVListHeader::FilterFieldText(int column) const {
    const QLineEdit* field = FilterField(column);
    return field ? field->text().left(kMaxFilterText) : QString();
}

void CZELVListHeader::SetFilterFieldText(int column, const QString& text) {
    if (QLineEdit* field = FilterField(column))
        field->setText(text.left(kMaxFilterText));
}

int CZELVListHeader::FieldHeight() const {
    return m_filterBar ? fontMetrics().height() + 8 : 0;
}

QSize CZELVListHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.rheight() += FieldHeight();
    return size;
}

void CZELVListHeader::SyncFields() {
    const int wanted = m_filterBar ? count() : 0;
    while (int(m_fields.size()) > wanted) {
        QLineEdit* field = m_fields.back();
        m_fields.pop_back();
        field->deleteLater();
    }
    while (int(m_fields.size()) < wanted) {
        const int column = int(m_fields.size());
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("filter_%1").arg(column));
        field->setMaxLength(kMaxFilterText);
        field->setClearButtonEnabled(true);
        connect(field, &QLineEdit::textEdited, this,
                [this, column] { Q_EMIT FilterEdited(column); });
        connect(field, &QLineEdit::returnPressed, this,
                [this, column] { Q_EMIT FilterCommitted(column); });
        m_fields.push_back(field);
        field->show();
    }
    setViewportMargins(0, 0, 0, FieldHeight());
    PlaceFields();
}

void CZELVListHeader::updateGeometries() {
    QHeaderView::updateGeometries();
    PlaceFields();
}

void CZELVListHeader::PlaceFields() {
    if (!m_filterBar)
        return;
    const int top = viewport()->geometry().bottom() + 1;
    const int height = FieldHeight();
    for (size_t column = 0; column < m_fields.size(); ++column) {
        QLineEdit* field = m_fields[column];
        const int logical = int(column);
        if (isSectionHidden(logical)) {
            field->hide();
            continue;
        }
        field->setGeometry(sectionViewportPosition(logical) + 1, top, sectionSize(logical) - 2,
                           height - 2);
        field->show();
    }
}

void CZELVListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    const Mark mark = GetMark(logicalIndex);
    if (mark == Mark::None)
        return;
    // The mark sits at the right end of the heading, as the platform's did.
    const int size = qMin(rect.height() - 4, 10);
    QStyleOption option;
    option.initFrom(this);
    option.rect = QRect(rect.right() - size - 4, rect.center().y() - size / 2, size, size);
    style()->drawPrimitive(mark == Mark::Up ? QStyle::PE_IndicatorArrowUp
                                            : QStyle::PE_IndicatorArrowDown,
                           &option, painter, this);
}
