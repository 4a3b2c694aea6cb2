#pragma once

#include "ZELVClock.h"
#include "ZELVDate.h"

#include <QString>
#include <vector>

// One line of "VolumeAuto.txt": Volumes whose "Customer.Media.Volume" text
// matches the pattern (fnmatch with extended patterns, case-sensitive; empty
// matches all) get the date as their next move and the description.
struct CVolumeAutoItem {
    QString pattern;
    // Stays 1970-01-01, never after today, when the line has no date that parses.
    CZELVDate date = Epoch();
    QString description;

    static CZELVDate Epoch();
};

// The automatic values of the Send scan list, in file order.
class CVolumeAutoList {
public:
    static constexpr const char* kFileName = "VolumeAuto.txt";
    static constexpr int kMaxLine = 1024;
    static constexpr qint64 kMaxBytes = 4 << 20;

    // Reads the file; a missing file gives no entries and no error. False,
    // with no entries and the reason, for a file that is not text or too large.
    bool Load(const QString& path, const ZELVClock& clock, QString* error);
    // The file's text: "#" lines are comments; fields are split at commas
    // outside double quotes (a quote opening a field is dropped, a closing
    // quote ends the field); pattern, date expression, description.
    void Parse(const QString& text, const ZELVClock& clock);

    // The first entry that matches the Volume text and is dated after today.
    const CVolumeAutoItem* Match(const QString& volumeText, const ZELVClock& clock) const;
    const std::vector<CVolumeAutoItem>& Items() const { return m_items; }

private:
    std::vector<CVolumeAutoItem> m_items;
};
