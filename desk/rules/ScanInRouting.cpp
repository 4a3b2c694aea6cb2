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

int CScanInRouting::Route(CVolumeRecord& record, QString* target) {
    if (!m_s.config)
        return 0;
    const ZELVSetting table = m_s.config->Lookup(QStringLiteral("routing"));
    if (!table.IsAggregate())
        return 0;

    const QString volumeText = record.Record().key.Text();
    const unsigned count = static_cast<unsigned>(table.Count());
    ScanLog(Information, QStringLiteral("Checking Routing table. Volume(%1)").arg(volumeText));
    ScanLog(Information, QString::asprintf("Table has %u elements", count));

    const QString cluster =
        m_s.clusters ? DataClusterName(*m_s.clusters, record.Vol().dataCluster) : QString();
    const QString source = record.Vol().Current().repositoryId.Text();

    for (unsigned i = 1; i <= count; ++i) {
        ScanLog(Information, QString::asprintf("Checking element %u", i));
        const ZELVSetting element = table.At(static_cast<int>(i - 1));
        if (!element.IsValid())
            continue;
        const ZELVSetting volume = element.Member(QStringLiteral("volume"));
        if (!volume.IsValid()) {
            ScanLog(Warning, QStringLiteral("Element has no volume section"));
            continue;
        }
        const std::optional<QString> to = volume.String(QStringLiteral("target"));
        if (!to) {
            ScanLog(Warning, QStringLiteral("Section has no target value"));
            continue;
        }
        if (const auto barcode = volume.String(QStringLiteral("barcode"));
            barcode && !Accepts(*barcode, volumeText)) {
            ScanLog(Information,
                    QStringLiteral("Volume does not match Barcode filter (%1)").arg(*barcode));
            continue;
        }
        if (const auto filter = volume.String(QStringLiteral("datacluster"));
            filter && !Accepts(*filter, cluster)) {
            ScanLog(Information,
                    QStringLiteral("Volume does not match Data Cluster filter (Filter=%1,Value=%2)")
                        .arg(*filter, cluster));
            continue;
        }
        if (const auto filter = volume.String(QStringLiteral("source"));
            filter && !Accepts(*filter, source)) {
            ScanLog(Information,
                    QStringLiteral(
                        "Volume does not match Source Repository filter (Filter=%1,Value=%2)")
                        .arg(*filter, source));
            continue;
        }
        if (target)
            *target = *to;
        MoveTo(record, *to);
        return 1;
    }
    return 0;
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
