#include "ZELVFilter.h"

#include <fnmatch.h>

static_assert(CZELVFilter::kCaseFold == FNM_CASEFOLD);
static_assert(CZELVFilter::kExtMatch == FNM_EXTMATCH);

bool CZELVFilter::Match(const char* pattern, const char* value, unsigned flags) {
    if (pattern == nullptr || *pattern == '\0')
        return true;
    return ::fnmatch(pattern, value ? value : "", static_cast<int>(flags)) == 0;
}

bool CZELVFilter::Match(const QString& pattern, const QString& value, unsigned flags) {
    if (pattern.isEmpty())
        return true;
    const QByteArray p = pattern.toUtf8();
    const QByteArray v = value.toUtf8();
    return Match(p.constData(), v.constData(), flags);
}
