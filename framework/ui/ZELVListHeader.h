#pragma once

#include <QHeaderView>
#include <map>
#include <vector>

class QLineEdit;

// The list's column header: sort marks drawn by the list's own rule (one
// mark per column, up or down) and an optional bar of filter fields under
// the headings, one per column, kept aligned with the sections.
class CZELVListHeader : public QHeaderView {
    Q_OBJECT
public:
    enum class Mark { None, Up, Down };
    // Longest filter text the header hands over.
    static constexpr int kMaxFilterText = 260;

    explicit CZELVListHeader(QWidget* parent = nullptr);
    ~CZELVListHeader() override;

    void SetMark(int column, Mark mark);
    Mark GetMark(int column) const;

    void SetFilterBar(bool on);
    bool HasFilterBar() const { return m_filterBar; }
    // The field of a column; null without the filter bar.
    QLineEdit* FilterField(int column) const;
    QString FilterFieldText(int column) const;
    // Sets a field's text without announcing an edit.
    void SetFilterFieldText(int column, const QString& text);

    // Lines the fields up with the sections again (after a scroll).
    void PlaceFields();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The operator typed in a column's field.
    void FilterEdited(int column);
    // The operator pressed Enter in a column's field.
    void FilterCommitted(int column);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void updateGeometries() override;

private:
    void SyncFields();
    int FieldHeight() const;

    std::map<int, Mark> m_marks;
    std::vector<QLineEdit*> m_fields; // by column, children of the header
    bool m_filterBar = false;
};
