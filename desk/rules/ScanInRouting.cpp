#include "ScanInRouting.h"

#include "TransactionLog.h"
#include "VolumeMove.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZELVFilter.h"

namespace {

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// Patterns match the whole value, always case-sensitive here, with the GNU
// extended forms; one with a syntax error matches nothing.
bool Accepts(const QString& pattern, const QString& value) {
    return CZELVFilter::Match(pattern, value, CZELVFilter::kExtMatch);
}

} // namespace

void CScanInRouting::ScanLog(int image, const QString& text) const {
    if (m_s.scanLog)
        m_s.scanLog(image, text);
}

CRoutingDecision CScanInRouting::Decide(const ZELVVOLSEx& volume) const {
    CRoutingDecision d;
    if (!m_s.config)
        return d;
    const ZELVSetting table = m_s.config->Lookup(QStringLiteral("routing"));
    if (!table.IsAggregate())
        return d;
    d.hasTable = true;
    auto log = [&d](int image, const QString& text) { d.lines.push_back({image, text}); };

    const QString volumeText = volume.key.Text();
    const unsigned count = static_cast<unsigned>(table.Count());
    log(Information, QStringLiteral("Checking Routing table. Volume(%1)").arg(volumeText));
    log(Information, QString::asprintf("Table has %u elements", count));

    const QString cluster =
        m_s.clusters ? DataClusterName(*m_s.clusters, volume.vol.dataCluster) : QString();
    const QString source = volume.vol.Current().repositoryId.Text();

    for (unsigned i = 1; i <= count; ++i) {
        log(Information, QString::asprintf("Checking element %u", i));
        const ZELVSetting element = table.At(static_cast<int>(i - 1));
        if (!element.IsValid())
            continue;
        const ZELVSetting volumeGroup = element.Member(QStringLiteral("volume"));
        if (!volumeGroup.IsValid()) {
            log(Warning, QStringLiteral("Element has no volume section"));
            continue;
        }
        const std::optional<QString> to = volumeGroup.String(QStringLiteral("target"));
        if (!to) {
            log(Warning, QStringLiteral("Section has no target value"));
            continue;
        }
        if (const auto barcode = volumeGroup.String(QStringLiteral("barcode"));
            barcode && !Accepts(*barcode, volumeText)) {
            log(Information,
                QStringLiteral("Volume does not match Barcode filter (%1)").arg(*barcode));
            continue;
        }
        if (const auto filter = volumeGroup.String(QStringLiteral("datacluster"));
            filter && !Accepts(*filter, cluster)) {
            log(Information,
                QStringLiteral("Volume does not match Data Cluster filter (Filter=%1,Value=%2)")
                    .arg(*filter, cluster));
            continue;
        }
        if (const auto filter = volumeGroup.String(QStringLiteral("source"));
            filter && !Accepts(*filter, source)) {
            log(Information,
                QStringLiteral(
                    "Volume does not match Source Repository filter (Filter=%1,Value=%2)")
                    .arg(*filter, source));
            continue;
        }
        d.element = i;
        d.line = element.Line();
        d.target = *to;
        return d;
    }
    return d;
}

int CScanInRouting::Route(CVolumeRecord& record, QString* target) {
    const CRoutingDecision d = Decide(record.Record());
    for (const CAllocationLine& line : d.lines)
        ScanLog(line.image, line.text);
    if (d.element == 0)
        return 0;
    if (target)
        *target = d.target;
    MoveTo(record, d.target);
    return 1;
}

void CScanInRouting::MoveTo(CVolumeRecord& record, const QString& target) {
    const CVolumeKey& key = record.Key();
    const QString volumeText = key.Text();
    // A target too long for an identifier names no Repository: the lookup
    // must not find the one its first four characters happen to name.
    const bool fits = target.size() <= static_cast<qsizetype>(kZelvRepositoryIdLen);
    const QString name =
        m_s.repositories && fits
            ? m_s.repositories->DisplayNameOf(key.Customer(), key.Media(), target)
            : (target == QLatin1String("INIT") ? QStringLiteral("Initial Repository")
                                               : QStringLiteral("ID(%1)").arg(target));
    ScanLog(Information, QStringLiteral("Volume is cleared for routing to %1").arg(name));
    if (m_s.notify)
        m_s.notify(QStringLiteral("Scan Routed"),
                   QStringLiteral("Volume %1 routed to %2.").arg(volumeText, name), QString(),
                   kRoutedIcon);

    const CZELV10RC moved = m_s.connection ? RedirectVolume(*m_s.connection, &record.Record(),
                                                            target, 0, 0, kKeepContainer)
                                           : CZELV10RC(ZELV10RC_NOTLOGGEDON);
    if (m_s.log)
        m_s.log->Write("Scan-In: Routed Volume: %s to %s - %s", Utf8(volumeText).constData(),
                       Utf8(target).constData(), Utf8(moved.Get()).constData());
    if (!moved.IsOK(1) || !m_s.repositories)
        return;

    const ZELVREPOSITORYFULL* repository =
        m_s.repositories->Find(key.Customer(), key.Media(), target);
    if (!repository || !(repository->flags & ZELVREP_AUTOCONFIRM))
        return;
    const CZELV10RC confirmed =
        record.Confirm(target, 0, CVolumeRecord::kKeep, /*scannedOut=*/false);
    if (m_s.log)
        m_s.log->Write("Scan-In: Post-route confirm: %s", Utf8(confirmed.Get()).constData());
    ScanLog(Information, QStringLiteral("Post-route confirm: %1").arg(confirmed.Get()));
}
