#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <cstdint>
#include <vector>

// A Volume as the store keeps it. vol.flags holds the bits a writer may set
// plus ZELVVOL_MOVEDATE, ZELVVOL_MOVING, ZELVVOL_DESCRIPTION and
// ZELVVOL_CONTAINER, which the rules keep true to the data; the two bits that
// depend on the time of reading (ZELVVOL_SCHEDULED, ZELVVOL_OVERDUE) are
// worked out by ReadFlags. vol.Confirmation() is never stored.
struct ZELVVolumeState {
    ZELVVOLS vol;
    bool scheduled = false;     // the move was planned by the rotation for the move date
    int64_t dueTime = 0;        // the move date as a time (01:00:01 local), 0 = none
    uint32_t containerSelf = 0; // a Container's own number
};

// What the rules need to know about the Repository a Volume is confirmed at.
struct ZELVRepositoryFacts {
    bool exists = false;
    QString next; // its rotation: where its Volumes go next
    uint16_t type = ZELVREPTYPE_OTHER;
};

// One changed field, for the history.
struct ZELVFieldChange {
    QString field;
    QString oldValue;
    QString newValue;
};

// The server's rules for Volumes: what Update, Confirm and Add make of the
// record a caller sends, given what is stored. Pure: no database, no clock of
// its own, so every rule is tested on its own.
class CZELVVolumeRules {
public:
    // The flag word a reader sees at `now`.
    static uint32_t ReadFlags(const ZELVVolumeState& s, int64_t now);
    static bool IsOverdue(const ZELVVolumeState& s, int64_t now);
    static bool IsScheduledAhead(const ZELVVolumeState& s, int64_t now);

    // A move date as the caller sent it: a real date only when the flag says
    // so and the word names a day; else none (0).
    static uint32_t EffectiveMoveDate(uint32_t flags, const CZELVDate& date);

    // Update (with a confirmation when the caller filled one in). `confirmAt`
    // describes the confirmation Repository when there is one. On success
    // *out is what to store, but for ZELVVOL_DESCRIPTION and ZELVVOL_CONTAINER,
    // which the writing statement takes from the row itself; the version check
    // is the caller's.
    static CZELV10RC ApplyUpdate(const ZELVVolumeState& old, const ZELVVOLS& in,
                                 const ZELVRepositoryFacts& confirmAt, int64_t now,
                                 ZELVVolumeState* out, bool* confirmed);

    // Add: the caller's locations and fields, the server's bits. A move time in
    // the past is kept (imports of moves already under way); else it is now.
    static ZELVVolumeState ApplyAdd(const ZELVVOLS& in, bool isContainer, uint32_t containerNumber,
                                    int64_t now);

    // The fields that differ, in words, for the history.
    static std::vector<ZELVFieldChange> Changes(const ZELVVolumeState& a, const ZELVVolumeState& b);
    static QString LocationText(const ZELVVOLLOC& loc);
    static QString MoveDateText(uint32_t word);
};
