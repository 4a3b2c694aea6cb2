#include "IntroProperties.h"

#include "CustomerPropertyGridCtrl.h"
#include "ZELV10MFC.h"
#include "ZELVDate.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHorizontalStackedBarSeries>
#include <QValueAxis>
#include <algorithm>
#include <memory>

CIntroProperties::CIntroProperties(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("customerPanel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_grid = new CCustomerPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("customerProperties"));
    m_grid->EnableHeaderCtrl(true, QStringLiteral("Property"), QStringLiteral("Value"));
    m_chartView = new QChartView(this);
    m_chartView->setObjectName(QStringLiteral("customerChart"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(10, 10);
    m_grid->setMinimumWidth(10);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_chartView, 1);
}

QChart* CIntroProperties::Chart() const {
    return m_chartView->chart();
}

QString CIntroProperties::MediaDisplayName(const ZELVMEDIA& media) {
    if (!media.name.IsEmpty())
        return media.name.Text();
    return QString::asprintf("ID(%.*s)", kZelvMediaIdLen, media.mediaId.Data());
}

void CIntroProperties::Fill(CZELV10MFC& connection, const ZELVCUSTEx& customer) {
    m_grid->Fill(connection, &customer);
    const std::vector<ZELVMEDIAEx>& media = m_grid->Media();

    // One stacked bar per Media Type with Volumes: the settled Volumes in
    // black, the moving ones in AliceBlue with their count as label.
    auto* settled = new QBarSet(QStringLiteral("Volumes"));
    settled->setColor(Qt::black);
    settled->setBorderColor(Qt::black);
    settled->setLabelColor(Qt::transparent);
    auto* moving = new QBarSet(QStringLiteral("Moving"));
    moving->setColor(QColor(0xF0, 0xF8, 0xFF)); // AliceBlue
    moving->setBorderColor(Qt::gray);
    moving->setLabelColor(Qt::black);
    QStringList categories;
    uint32_t largest = 0;
    for (const ZELVMEDIAEx& m : media) {
        if (m.volumes == 0)
            continue;
        const uint32_t moves = std::min(m.moves, m.volumes);
        categories.append(MediaDisplayName(m));
        settled->append(double(m.volumes - moves));
        moving->append(double(moves));
        largest = std::max(largest, m.volumes);
    }

    auto* series = new QHorizontalStackedBarSeries;
    series->append(settled);
    series->append(moving);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value Moving"));
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideBase);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    auto* counts = new QValueAxis;
    // Room to the right of the longest bar for its "Moving" label.
    counts->setRange(0, std::max(double(largest) * 1.3, 4.0));
    counts->applyNiceNumbers();
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);

    // The view owns the chart it shows and hands the one it replaces back.
    std::unique_ptr<QChart> previous(m_chartView->chart());
    m_chartView->setChart(chart);
}
