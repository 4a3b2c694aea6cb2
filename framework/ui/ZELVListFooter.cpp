#include "ZELVListFooter.h"

#include "ZELVDate.h"
#include "ZELVListCtrl.h"

#include <QPainter>

CZELVListFooter::CZELVListFooter(CZELVListCtrl* list, QWidget* parent)
    : QWidget(parent), m_list(list) {
    setObjectName(QStringLiteral("footer"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString CZELVListFooter::PaneLabel(int pane) {
    switch (pane) {
    case 0:
        return QStringLiteral("Total Items");
    case 1:
        return QStringLiteral("Total Selected");
    case 2:
        return QStringLiteral("First Selection");
    default:
        return {};
    }
}

QString CZELVListFooter::PaneValue(int pane) const {
    if (!m_list)
        return {};
    switch (pane) {
    case 0:
        return FormatCount(uint64_t(m_list->GetItemCount()));
    case 1: {
        const int selected = m_list->GetSelectedCount();
        return selected > 0 ? FormatCount(uint64_t(selected)) : QString();
    }
    case 2: {
        const int first = m_list->GetFirstSelected();
        return first >= 0 ? FormatCount(uint64_t(first) + 1) : QString();
    }
    default:
        return {};
    }
}

QRect CZELVListFooter::PaneRect(int pane) const {
    const int first = qMax(kMinFirstPane, width() - 2 * kPaneWidth);
    switch (pane) {
    case 0:
        return QRect(0, 0, first, height());
    case 1:
        return QRect(first, 0, kPaneWidth, height());
    case 2:
        return QRect(first + kPaneWidth, 0, kPaneWidth, height());
    default:
        return {};
    }
}

QSize CZELVListFooter::sizeHint() const {
    return {kMinFirstPane + 2 * kPaneWidth, kHeight};
}

QSize CZELVListFooter::minimumSizeHint() const {
    return {0, kHeight};
}

void CZELVListFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QFontMetrics metrics = fontMetrics();
    for (int pane = 0; pane < kPanes; ++pane) {
        const QString value = PaneValue(pane);
        if (pane > 0 && value.isEmpty())
            continue;
        const QRect area = PaneRect(pane).adjusted(1, 1, -1, -1);
        const QString label = PaneLabel(pane);
        const int labelWidth = metrics.horizontalAdvance(label);
        // Label white on a dark box, the number in black after it.
        const QRect box(area.left(), area.top(), labelWidth + 10, area.height());
        painter.fillRect(box, palette().color(QPalette::Shadow));
        painter.setPen(Qt::white);
        painter.drawText(box.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
        painter.setPen(Qt::black);
        painter.drawText(QRect(area.left() + labelWidth + 20, area.top(),
                               area.width() - labelWidth - 20, area.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, value);
    }
}
