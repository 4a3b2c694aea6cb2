#pragma once

#include "ZELV10RC.h"

#include <QString>
#include <vector>

// The collected results of a bulk operation, each with a note ("%s" of the
// Volume it was for). The window that shows them comes with the library's
// dialogs; this is the data they show.
class CZELV10RCList {
public:
    struct Entry {
        CZELV10RC rc;
        QString note;
    };

    void Add(const CZELV10RC& rc, const QString& note) { m_entries.push_back({rc, note}); }
    // printf-style note.
    void Add(const CZELV10RC& rc, const char* format, ...) __attribute__((format(printf, 3, 4)));

    int GetOKCount() const;
    int GetNotOKCount() const;
    int Count() const { return static_cast<int>(m_entries.size()); }
    const Entry& At(int i) const { return m_entries.at(static_cast<size_t>(i)); }
    const std::vector<Entry>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    std::vector<Entry> m_entries;
};
