#pragma once

#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"

class CZELV10MFC;

// One Volume as the scan pages work on it: the server's record and the result
// of the last operation on it. Every operation reads or writes through the
// connection at once; nothing is kept for a later update. A write that the
// server refuses because someone else changed the Volume (251) is returned to
// the caller as it is, to be shown: it is never repeated here.
class CVolumeRecord {
public:
    // Unchanged slot and container in Confirm.
    static constexpr int64_t kKeep = -1;

    // A zeroed record for the key, at "INIT" for target, current and
    // confirmation location; the result says it was never read.
    CVolumeRecord(CZELV10MFC& connection, const CVolumeKey& key);

    // Reads the Volume by its key.
    CZELV10RC Refresh();
    // Writes the whole record, then reads it back; the write's result.
    CZELV10RC Update();
    // Adds the record as a new Volume and, unless skipRefresh, reads it back;
    // the add's result.
    CZELV10RC Add(bool skipRefresh = false);
    // Reads the Volume, then confirms it at the Repository: the confirmation
    // location's slot is the given one, or the target slot for kKeep; a
    // container other than kKeep becomes the Volume's Container unless it is
    // one itself; the Scanned-Out flag is set when asked (never cleared).
    // The failing read's result, else the write's.
    CZELV10RC Confirm(const QString& repository, int64_t slot, int64_t container, bool scannedOut);

    const CVolumeKey& Key() const { return m_key; }
    QString Text() const { return m_key.Text(); }
    ZELVVOLSEx& Record() { return m_record; }
    const ZELVVOLSEx& Record() const { return m_record; }
    const ZELVVOLS& Vol() const { return m_record.vol; }
    bool IsContainer() const { return m_record.vol.IsContainer(); }
    const CZELV10RC& Result() const { return m_rc; }
    CZELV10MFC& Connection() const { return m_connection; }

private:
    CZELV10MFC& m_connection;
    CVolumeKey m_key;
    ZELVVOLSEx m_record;
    CZELV10RC m_rc{ZELV10RC_NOTREAD};
};
