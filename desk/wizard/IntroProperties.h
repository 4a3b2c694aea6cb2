#pragma once

#include "ZELV10Records.h"

#include <QWidget>

class CCustomerPropertyGridCtrl;
class CZELV10MFC;
class QChart;
class QChartView;

// The panel under the task menu's Customer tabs: the Customer's figures and
// library health per Media Type on the left, a chart of its Volumes per Media
// Type on the right; the two halves always share the width equally.
class CIntroProperties : public QWidget {
    Q_OBJECT
public:
    explicit CIntroProperties(QWidget* parent = nullptr);

    // Rebuilds both halves for the Customer. A Media list the server refuses
    // leaves them empty.
    void Fill(CZELV10MFC& connection, const ZELVCUSTEx& customer);

    CCustomerPropertyGridCtrl* Grid() const { return m_grid; }
    QChartView* ChartView() const { return m_chartView; }
    QChart* Chart() const;

    // "ID(MEDI)" for a Media Type without a name.
    static QString MediaDisplayName(const ZELVMEDIA& media);

private:
    CCustomerPropertyGridCtrl* m_grid = nullptr;
    QChartView* m_chartView = nullptr;
};
