#include "VolumeMove.h"

#include "ZELV10MFC.h"

CZELV10RC RedirectVolume(CZELV10MFC& connection, ZELVVOLSEx* volume, const QString& target,
                         uint32_t slot, uint32_t consignment, int64_t container,
                         uint64_t listedVersion) {
    if (!volume)
        return CZELV10RC(ZELV10RC_BADVALUE, QStringLiteral("no Volume to redirect"));
    // Cutting a longer text to the field's width would send the Volume to a
    // Repository nobody named ("VLT1-OFFSITE" to VLT1): refuse it instead.
    if (target.size() > static_cast<qsizetype>(kZelvRepositoryIdLen))
        return CZELV10RC(ZELV10RC_BADIDENTIFIER,
                         QStringLiteral("Repository-ID \"%1\" is longer than %2 characters")
                             .arg(target)
                             .arg(kZelvRepositoryIdLen));
    const CZELV10RC read = connection.Get(volume);
    if (!read.IsOK())
        return read;
    if (listedVersion != 0 && volume->vol.version != listedVersion)
        return CZELV10RC(ZELV10RC_CHANGED, QStringLiteral("not moved"));
    ZELVVOLS& vol = volume->vol;
    const ZELVFixedText<kZelvRepositoryIdLen> to(target);
    // A new destination makes the old move date meaningless.
    if (vol.Target().repositoryId != to)
        vol.flags &= ~ZELVVOL_MOVEDATE;
    vol.Target().repositoryId = to;
    vol.Target().slot = slot;
    vol.consignment = consignment;
    if (container != kKeepContainer && !vol.IsContainer())
        vol.container = static_cast<uint32_t>(container);
    const CZELV10RC update = connection.Update(*volume);
    // The caller goes on with this record (a confirmation follows a routed
    // move), so it must carry the version the server now holds.
    if (update.IsOK())
        connection.Get(volume);
    return update;
}

QString DataClusterName(const std::vector<ZELVCLUSTERFULL>& clusters, uint32_t number) {
    if (number == 0 || number > clusters.size())
        return {};
    return clusters[number - 1].name.Text();
}
