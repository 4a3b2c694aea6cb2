#include "CustomerPropertyGridCtrl.h"

#include "IntroProperties.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVDate.h"

#include <QPainter>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

CZELVProgressGridProperty::CZELVProgressGridProperty(const QString& name, unsigned value,
                                                     const QString& description)
    : CZELVPropertyGridProperty(name, QVariant::fromValue<qint64>(value), description) {
    SetReadOnly(true);
}

bool CZELVProgressGridProperty::PaintValue(QPainter* painter,
                                           const QStyleOptionViewItem& option) const {
    QRect area = option.rect.adjusted(1, 2, -1, -2);
    area.setWidth(std::min(area.width(), kMaxWidth));
    if (area.width() <= 0 || area.height() <= 0)
        return true;
    const qint64 value = std::clamp<qint64>(GetInt(), 0, 100);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillRect(area, QColor(255, 0, 0));
    if (value > 0) {
        QRect bar = area;
        bar.setWidth(int(area.width() * value / 100));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0, 100, 0));
        painter->drawRoundedRect(bar, 2, 2);
    }
    painter->restore();
    return true;
}

CCustomerPropertyGridCtrl::CCustomerPropertyGridCtrl(QWidget* parent)
    : CZELVPropertyGridCtrl(parent) {}

void CCustomerPropertyGridCtrl::resizeEvent(QResizeEvent* event) {
    CZELVPropertyGridCtrl::resizeEvent(event);
    Tree()->setColumnWidth(0, width() * 3 / 5);
}

void CCustomerPropertyGridCtrl::Fill(CZELV10MFC& connection, const ZELVCUSTEx* customer) {
    if (!customer)
        return;
    RemoveAll();
    m_media.clear();
    const QString c = customer->customerId.Text();
    if (!connection.List(&m_media, c).IsOK())
        m_media.clear();

    for (const ZELVMEDIAEx& m : m_media) {
        const QString name = CIntroProperties::MediaDisplayName(m);
        CZELVPropertyGridProperty* group = AddGroup(name);
        group->AddSubItem(QStringLiteral("Total Volumes"), FormatCount(m.volumes),
                          QStringLiteral("Total Number of Volumes"), true);
        group->AddSubItem(QStringLiteral("Moving Volumes"), FormatCount(m.moves),
                          QStringLiteral("Total Number of Moving Volumes"), true);

        if (!(m.flags & ZELVMEDIA_NOHEALTH)) {
            uint32_t problems = 0;
            const unsigned score =
                m_health.Score(CLibraryHealthInputs::From(*customer, m), &problems);
            const QString word = m_health.Describe(score);
            auto health =
                std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Library Health"));
            health->AddSubItem(QStringLiteral("Score"), QString::asprintf("%u", score),
                               QStringLiteral("Library Health Score (0 to 100)"), true);
            health->AddSubItem(std::make_unique<CZELVProgressGridProperty>(
                QStringLiteral("Health"), score, QStringLiteral("Library Health Score")));
            health->AddSubItem(QStringLiteral("Description"), word,
                               QStringLiteral("Library Health Score Description"), true);
            const std::vector<CLibraryHealthProblem> found = m_health.Problems(problems);
            if (!found.empty()) {
                auto list = std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Problems"));
                for (const CLibraryHealthProblem& p : found)
                    list->AddSubItem(p.text, QString::asprintf("%d", p.penalty), QString(), true);
                health->AddSubItem(std::move(list))->Expand(false);
            }
            CZELVPropertyGridProperty* added = group->AddSubItem(std::move(health));
            added->Enable(false);
            added->Show(true);
            added->Expand(false);
            if (score < CLibraryHealthTable::kWarnBelow && m_warn)
                m_warn(QStringLiteral("Library Health Warning"),
                       QStringLiteral("%1 has a library status of %2").arg(name, word));
        }

        std::vector<ZELVREPOSITORYFULL> places;
        if (connection.List(&places, c, m.mediaId.Text()).IsOK() && !places.empty()) {
            auto stats =
                std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Library Statistics"));
            for (const ZELVREPOSITORYFULL& r : places) {
                if (r.volumes == 0 && r.incoming == 0)
                    continue;
                auto place = std::make_unique<CZELVPropertyGridProperty>(
                    CZELV10RepositoryCache::DisplayName(r));
                place->AddSubItem(QStringLiteral("Total"), FormatCount(r.volumes), QString(), true);
                place->AddSubItem(QStringLiteral("Moving In"), FormatCount(r.incoming), QString(),
                                  true);
                place->AddSubItem(QStringLiteral("Moving Out"), FormatCount(r.outgoing), QString(),
                                  true);
                stats->AddSubItem(std::move(place));
            }
            group->AddSubItem(std::move(stats))->Enable(false);
        }
        group->Expand(false);
    }
}
