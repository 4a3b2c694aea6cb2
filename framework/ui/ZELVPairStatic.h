#pragma once

#include <QColor>
#include <QWidget>

// A two-part label: the label text centred in white on dark grey, then the
// value left-aligned in black on light grey, each in its own rounded box.
// Neither text treats "&" as a mnemonic.
class CZELVPairStatic : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kLabelBackground = 0x323232;
    static constexpr QRgb kLabelText = 0xFFFFFF;
    static constexpr QRgb kValueBackground = 0xDCDCDC;
    static constexpr QRgb kValueText = 0x000000;

    explicit CZELVPairStatic(QWidget* parent = nullptr);
    CZELVPairStatic(const QString& label, const QString& value, QWidget* parent = nullptr);

    void SetLabel(const QString& label);
    const QString& GetLabel() const { return m_label; }
    void SetValue(const QString& value);
    const QString& GetValue() const { return m_value; }
    // Width of the label box; 0 sizes it to the label text.
    void SetLabelWidth(int width);

    // The two boxes inside the given widget rectangle.
    QRect LabelRect() const;
    QRect ValueRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_label;
    QString m_value;
    int m_labelWidth = 0;
};
