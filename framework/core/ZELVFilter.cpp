#include "ZELVFilter.h"

#include <QHashFunctions>
#include <fnmatch.h>
#include <unordered_map>

static_assert(CZELVFilter::kCaseFold == FNM_CASEFOLD);
static_assert(CZELVFilter::kExtMatch == FNM_EXTMATCH);

CZELVFilter& CZELVFilter::operator=(const CZELVFilter& other) {
    if (this != &other) {
        SetPattern(other.m_pattern);
        m_flags = other.m_flags;
    }
    return *this;
}

void CZELVFilter::SetPattern(const QString& pattern) {
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    for (auto& compiled : m_compiled)
        compiled.reset();
}

const CZELVFilterMatcher& CZELVFilter::Compile(unsigned variant) const {
    const unsigned flags = ((variant & 2) ? kExtMatch : 0) | ((variant & 1) ? kCaseFold : 0);
    m_compiled[variant] = std::make_unique<CZELVFilterMatcher>(m_pattern, flags);
    return *m_compiled[variant];
}

bool CZELVFilter::Matches(const QString& value, unsigned flags, bool addExtended) const {
    if (m_pattern.isEmpty())
        return true;
    return Compiled(addExtended ? flags | kExtMatch : flags).Matches(QStringView(value));
}

QString CZELVFilter::Error() const {
    return m_pattern.isEmpty() ? QString() : Compiled(m_flags).Error();
}

namespace {

// Recently used patterns, compiled, per thread (a matcher is not shared
// between threads). Emptied when full: rule tables hold a handful.
const CZELVFilterMatcher& Cached(const QString& pattern, unsigned flags) {
    constexpr size_t kMaxCached = 64;
    struct Hash {
        size_t operator()(const QString& s) const noexcept { return qHash(s); }
    };
    thread_local std::unordered_map<QString, std::unique_ptr<CZELVFilterMatcher>, Hash> cache[4];
    auto& map = cache[((flags & CZELVFilter::kExtMatch) ? 2 : 0) |
                      ((flags & CZELVFilter::kCaseFold) ? 1 : 0)];
    const auto found = map.find(pattern);
    if (found != map.end())
        return *found->second;
    if (map.size() >= kMaxCached)
        map.clear();
    auto matcher = std::make_unique<CZELVFilterMatcher>(
        pattern, flags & (CZELVFilter::kExtMatch | CZELVFilter::kCaseFold));
    return *map.emplace(pattern, std::move(matcher)).first->second;
}

} // namespace

QString CZELVFilter::Check(const QString& pattern, unsigned flags) {
    return pattern.isEmpty() ? QString() : Cached(pattern, flags).Error();
}

bool CZELVFilter::Match(const char* pattern, const char* value, unsigned flags) {
    if (pattern == nullptr || *pattern == '\0')
        return true;
    return Cached(QString::fromUtf8(pattern), flags).Matches(value ? value : "");
}

bool CZELVFilter::Match(const QString& pattern, const QString& value, unsigned flags) {
    if (pattern.isEmpty())
        return true;
    return Cached(pattern, flags).Matches(QStringView(value));
}
