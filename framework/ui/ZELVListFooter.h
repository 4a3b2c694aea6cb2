#pragma once

#include <QWidget>

class CZELVListCtrl;

// The bar under a list: three panes, "Total Items" with the row count,
// "Total Selected" with the selected count and "First Selection" with the
// 1-based position of the first selected row; the last two only while a row
// is selected. Numbers are grouped with ",".
class CZELVListFooter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;
    static constexpr int kPaneWidth = 150;
    static constexpr int kMinFirstPane = 100;
    static constexpr int kPanes = 3;

    explicit CZELVListFooter(CZELVListCtrl* list, QWidget* parent = nullptr);

    CZELVListCtrl* List() const { return m_list; }
    static QString PaneLabel(int pane);
    // The number a pane shows, grouped; empty while the pane shows nothing.
    QString PaneValue(int pane) const;
    QRect PaneRect(int pane) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CZELVListCtrl* m_list;
};
