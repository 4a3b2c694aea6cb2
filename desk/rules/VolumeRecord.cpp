#include "VolumeRecord.h"

#include "ZELV10MFC.h"

CVolumeRecord::CVolumeRecord(CZELV10MFC& connection, const CVolumeKey& key)
    : m_connection(connection), m_key(key) {
    m_key.CopyTo(&m_record.key);
    for (ZELVVOLLOC& location : m_record.vol.location)
        location.repositoryId = "INIT";
}

CZELV10RC CVolumeRecord::Refresh() {
    m_rc = m_connection.Get(&m_record.vol, m_key.Customer(), m_key.Media(), m_key.Volume());
    return m_rc;
}

CZELV10RC CVolumeRecord::Update() {
    const CZELV10RC rc = m_connection.Update(m_record);
    // Read back even after a refusal, so that the record shows what the
    // server holds now; the caller is told the write's result.
    Refresh();
    m_rc = rc;
    return rc;
}

CZELV10RC CVolumeRecord::Add(bool skipRefresh) {
    const CZELV10RC rc = m_connection.Add(m_record);
    if (rc.IsOK() && !skipRefresh)
        Refresh();
    m_rc = rc;
    return rc;
}

CZELV10RC CVolumeRecord::Confirm(const QString& repository, int64_t slot, int64_t container,
                                 bool scannedOut) {
    const CZELV10RC read = Refresh();
    if (!read.IsOK())
        return read;
    ZELVVOLS& vol = m_record.vol;
    if (scannedOut)
        vol.flags |= ZELVVOL_SCANNEDOUT;
    vol.Confirmation().repositoryId.Set(repository);
    vol.Confirmation().slot = slot == kKeep ? vol.Target().slot : static_cast<uint32_t>(slot);
    if (container != kKeep && !vol.IsContainer())
        vol.container = static_cast<uint32_t>(container);
    return Update();
}
