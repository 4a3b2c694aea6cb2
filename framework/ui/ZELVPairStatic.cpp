#include "ZELVPairStatic.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kPadding = 8;
constexpr int kGap = 2;
constexpr qreal kRadius = 4.0;

} // namespace

CZELVPairStatic::CZELVPairStatic(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

CZELVPairStatic::CZELVPairStatic(const QString& label, const QString& value, QWidget* parent)
    : CZELVPairStatic(parent) {
    m_label = label;
    m_value = value;
}

void CZELVPairStatic::SetLabel(const QString& label) {
    m_label = label;
    updateGeometry();
    update();
}

void CZELVPairStatic::SetValue(const QString& value) {
    m_value = value;
    setToolTip(value);
    updateGeometry();
    update();
}

void CZELVPairStatic::SetLabelWidth(int width) {
    m_labelWidth = qMax(0, width);
    updateGeometry();
    update();
}

QRect CZELVPairStatic::LabelRect() const {
    const int width =
        m_labelWidth > 0 ? m_labelWidth : fontMetrics().horizontalAdvance(m_label) + 2 * kPadding;
    return QRect(0, 0, qMin(width, this->width()), height());
}

QRect CZELVPairStatic::ValueRect() const {
    const QRect label = LabelRect();
    return QRect(label.right() + 1 + kGap, 0, qMax(0, width() - label.width() - kGap), height());
}

QSize CZELVPairStatic::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    const int label =
        m_labelWidth > 0 ? m_labelWidth : fm.horizontalAdvance(m_label) + 2 * kPadding;
    return {label + kGap + fm.horizontalAdvance(m_value) + 2 * kPadding, fm.height() + 8};
}

void CZELVPairStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    const QRect label = LabelRect();
    const QRect value = ValueRect();
    p.setBrush(QColor::fromRgb(kLabelBackground));
    p.drawRoundedRect(QRectF(label).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    if (value.width() > 0) {
        p.setBrush(QColor::fromRgb(kValueBackground));
        p.drawRoundedRect(QRectF(value).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    }

    // Plain drawText never turns "&" into a mnemonic.
    p.setPen(QColor::fromRgb(kLabelText));
    p.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, m_label);
    p.setPen(QColor::fromRgb(kValueText));
    const QRect valueText = value.adjusted(kPadding, 0, -kPadding, 0);
    p.drawText(valueText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(m_value, Qt::ElideRight, valueText.width()));
}
