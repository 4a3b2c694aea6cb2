#include "ZELV10RCList.h"

#include <cstdarg>

void CZELV10RCList::Add(const CZELV10RC& rc, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const QString note = QString::vasprintf(format, ap);
    va_end(ap);
    m_entries.push_back({rc, note});
}

int CZELV10RCList::GetOKCount() const {
    int n = 0;
    for (const Entry& e : m_entries)
        n += e.rc.IsOK() ? 1 : 0;
    return n;
}

int CZELV10RCList::GetNotOKCount() const {
    return Count() - GetOKCount();
}
