#include "ZELVVolumeRules.h"

namespace {

bool IsMoving(const ZELVVOLS& v) {
    return v.Target().repositoryId != v.Current().repositoryId;
}

int64_t DueTimeOf(uint32_t word) {
    if (word == 0)
        return 0;
    const time_t t = CZELVDate::FromWord(word).ToTime();
    return t == CZELVDate::kInvalidTime ? 0 : static_cast<int64_t>(t);
}

// Sets the bits that follow from the data and drops the ones that no longer hold.
void Settle(ZELVVolumeState* s) {
    ZELVVOLS& v = s->vol;
    const uint32_t word = v.moveDate.Value();
    v.flags &= ~(ZELVVOL_MOVEDATE | ZELVVOL_MOVING | ZELVVOL_SCHEDULED | ZELVVOL_OVERDUE);
    if (word != 0)
        v.flags |= ZELVVOL_MOVEDATE;
    s->dueTime = DueTimeOf(word);
    if (IsMoving(v)) {
        v.flags |= ZELVVOL_MOVING;
    } else {
        // At rest: nothing is on its way and nothing is planned.
        v.flags &= ~ZELVVOL_SCANNEDOUT;
        s->scheduled = false;
        v.moveTime = 0;
        v.Target() = v.Current();
    }
    if (s->containerSelf != 0) {
        v.flags |= ZELVVOL_CONTAINER;
        v.container = s->containerSelf;
    } else {
        v.flags &= ~ZELVVOL_CONTAINER;
    }
    v.Confirmation() = ZELVVOLLOC();
}

} // namespace

bool CZELVVolumeRules::IsScheduledAhead(const ZELVVolumeState& s, int64_t now) {
    return s.scheduled && IsMoving(s.vol) && s.dueTime > now;
}

bool CZELVVolumeRules::IsOverdue(const ZELVVolumeState& s, int64_t now) {
    if (!IsMoving(s.vol) || s.vol.threshold == 0 || IsScheduledAhead(s, now))
        return false;
    return now - s.vol.moveTime > static_cast<int64_t>(s.vol.threshold) * 60;
}

uint32_t CZELVVolumeRules::ReadFlags(const ZELVVolumeState& s, int64_t now) {
    uint32_t flags = s.vol.flags & ~(ZELVVOL_SCHEDULED | ZELVVOL_OVERDUE);
    if (IsScheduledAhead(s, now))
        flags |= ZELVVOL_SCHEDULED;
    if (IsOverdue(s, now))
        flags |= ZELVVOL_OVERDUE;
    return flags;
}

uint32_t CZELVVolumeRules::EffectiveMoveDate(uint32_t flags, const CZELVDate& date) {
    if ((flags & ZELVVOL_MOVEDATE) == 0)
        return 0;
    const uint32_t word = date.Value();
    if (word == 0)
        return 0;
    if (date.IsCalendarDate())
        return date.IsValid() ? word : 0;
    return word; // seconds since 1970
}

CZELV10RC CZELVVolumeRules::ApplyUpdate(const ZELVVolumeState& old, const ZELVVOLS& in,
                                        const ZELVRepositoryFacts& confirmAt, int64_t now,
                                        ZELVVolumeState* out, bool* confirmed) {
    *confirmed = false;
    ZELVVolumeState s = old;
    ZELVVOLS& v = s.vol;
    const uint32_t keep = ZELVVOL_DESCRIPTION | ZELVVOL_CONTAINER;
    v.flags = (in.flags & ~ZELVVOL_SERVERBITS) | (old.vol.flags & keep);

    // Where it is stays the server's: only a confirmation moves it.
    const bool targetChanged = in.Target().repositoryId != old.vol.Target().repositoryId;
    v.Target() = in.Target();
    if (targetChanged) {
        // An operator's move starts now and replaces any planned one.
        s.scheduled = false;
        v.moveTime = now;
    }

    // The move date, which also steers a move the rotation planned.
    const uint32_t word = EffectiveMoveDate(in.flags, in.moveDate);
    v.moveDate = CZELVDate::FromWord(word);
    if (s.scheduled && !targetChanged) {
        if (word == 0) {
            // Permanent: the planned return is called off.
            v.Target() = v.Current();
            s.scheduled = false;
        } else {
            v.moveTime = DueTimeOf(word);
        }
    }
    // Scanned out ahead of the date: the planned move is under way from now.
    if (s.scheduled && (v.flags & ZELVVOL_SCANNEDOUT) != 0 &&
        (old.vol.flags & ZELVVOL_SCANNEDOUT) == 0) {
        s.scheduled = false;
        v.moveTime = now;
    }

    v.threshold = in.threshold;
    v.dataCluster = in.dataCluster;
    v.consignment = in.consignment;
    v.container = in.container;
    v.capacity = old.containerSelf != 0 ? in.capacity : 0;

    const ZELVVOLLOC confirmation = in.Confirmation();
    if (!confirmation.repositoryId.IsEmpty()) {
        if (!confirmAt.exists)
            return CZELV10RC(ZELV10RC_NOREPOSITORY, confirmation.repositoryId.Text());
        *confirmed = true;
        const bool wasMoving = IsMoving(v);
        if (confirmation.repositoryId == v.Target().repositoryId) {
            // Arrived: the move is complete.
            const bool wasPlanned = s.scheduled;
            v.Current() = confirmation;
            v.Target() = confirmation;
            v.flags &= ~ZELVVOL_SCANNEDOUT;
            s.scheduled = false;
            v.moveTime = 0;
            // The trip is over: the Volume is unpacked from the Container it
            // travelled in, unless this very call packs it into one.
            if (wasMoving && old.containerSelf == 0 && in.container == old.vol.container)
                v.container = 0;
            if (wasMoving && wasPlanned) {
                // The rotation's move used up the date.
                v.moveDate = CZELVDate();
            } else if (wasMoving && v.moveDate.Value() != 0) {
                const QString next = confirmAt.next;
                if (!next.isEmpty() && next != confirmation.repositoryId.Text()) {
                    v.Target().repositoryId.Set(next);
                    v.Target().slot = 0;
                    s.scheduled = true;
                    v.moveTime = DueTimeOf(v.moveDate.Value());
                }
            }
        } else {
            // Seen somewhere else: that is where it is. A Volume at rest rests
            // there; a moving one goes on to its target from there.
            v.Current() = confirmation;
            if (!wasMoving)
                v.Target() = confirmation;
        }
    }
    Settle(&s);
    *out = s;
    return CZELV10RC();
}

ZELVVolumeState CZELVVolumeRules::ApplyAdd(const ZELVVOLS& in, bool isContainer,
                                           uint32_t containerNumber, int64_t now) {
    ZELVVolumeState s;
    ZELVVOLS& v = s.vol;
    v.flags = in.flags & ~ZELVVOL_SERVERBITS;
    v.Target() = in.Target();
    v.Current() = in.Current();
    v.moveDate = CZELVDate::FromWord(EffectiveMoveDate(in.flags, in.moveDate));
    v.threshold = in.threshold;
    v.dataCluster = in.dataCluster;
    v.consignment = in.consignment;
    v.container = isContainer ? containerNumber : in.container;
    v.capacity = isContainer ? in.capacity : 0;
    s.containerSelf = isContainer ? containerNumber : 0;
    // An import may bring the time a move began; a time to come is not believed.
    v.moveTime = in.moveTime > 0 && in.moveTime <= now ? in.moveTime : now;
    v.version = 1;
    Settle(&s);
    return s;
}

QString CZELVVolumeRules::LocationText(const ZELVVOLLOC& loc) {
    if (loc.slot == 0)
        return loc.repositoryId.Text();
    return QStringLiteral("%1 [%2]").arg(loc.repositoryId.Text()).arg(loc.slot);
}

QString CZELVVolumeRules::MoveDateText(uint32_t word) {
    if (word == 0)
        return QStringLiteral("Permanent");
    const CZELVDate d = CZELVDate::FromWord(word);
    if (d.IsCalendarDate())
        return QString::asprintf("%04d-%02d-%02d", d.Year(), d.Month(), d.Day());
    return QStringLiteral("@%1").arg(word);
}

std::vector<ZELVFieldChange> CZELVVolumeRules::Changes(const ZELVVolumeState& a,
                                                       const ZELVVolumeState& b) {
    std::vector<ZELVFieldChange> out;
    auto add = [&](const char* field, const QString& x, const QString& y) {
        if (x != y)
            out.push_back({QString::fromLatin1(field), x, y});
    };
    auto hex = [](uint32_t f) { return QString::asprintf("0x%08X", f); };
    add("flags", hex(a.vol.flags), hex(b.vol.flags));
    add("target", LocationText(a.vol.Target()), LocationText(b.vol.Target()));
    add("current", LocationText(a.vol.Current()), LocationText(b.vol.Current()));
    add("move_date", MoveDateText(a.vol.moveDate.Value()), MoveDateText(b.vol.moveDate.Value()));
    add("scheduled", a.scheduled ? QStringLiteral("yes") : QStringLiteral("no"),
        b.scheduled ? QStringLiteral("yes") : QStringLiteral("no"));
    add("threshold", QString::number(a.vol.threshold), QString::number(b.vol.threshold));
    add("data_cluster", QString::number(a.vol.dataCluster), QString::number(b.vol.dataCluster));
    add("container", QString::number(a.vol.container), QString::number(b.vol.container));
    add("consignment", QString::number(a.vol.consignment), QString::number(b.vol.consignment));
    add("capacity", QString::number(a.vol.capacity), QString::number(b.vol.capacity));
    return out;
}
