#pragma once

#include <QString>

// Shell-style wildcard pattern as the list filters, routing and notification
// rules use it: glibc fnmatch with the GNU extended patterns, matched against
// the whole value. An empty pattern matches everything.
class CZELVFilter {
public:
    static constexpr unsigned kCaseFold = 0x10; // FNM_CASEFOLD
    static constexpr unsigned kExtMatch = 0x20; // FNM_EXTMATCH

    CZELVFilter() = default;
    explicit CZELVFilter(const QString& pattern, unsigned flags = kExtMatch)
        : m_pattern(pattern), m_flags(flags) {}

    const QString& Pattern() const { return m_pattern; }
    void SetPattern(const QString& pattern) { m_pattern = pattern; }
    unsigned Flags() const { return m_flags; }
    void SetFlags(unsigned flags) { m_flags = flags; }
    bool IsEmpty() const { return m_pattern.isEmpty(); }

    // Matches with the filter's own flags.
    bool Matches(const QString& value) const { return Match(m_pattern, value, m_flags); }
    // Matches with the caller's flags (a list column's match flags); extended
    // patterns are always added.
    bool Matches(const QString& value, unsigned flags) const {
        return Match(m_pattern, value, flags | kExtMatch);
    }

    // The raw matcher. Values and patterns are matched as UTF-8 in the C.UTF-8
    // sense; a pattern with a syntax error simply does not match.
    static bool Match(const QString& pattern, const QString& value, unsigned flags = kExtMatch);
    static bool Match(const char* pattern, const char* value, unsigned flags = kExtMatch);

private:
    QString m_pattern;
    unsigned m_flags = kExtMatch;
};
