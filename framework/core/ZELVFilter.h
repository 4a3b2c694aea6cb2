#pragma once

#include "ZELVFilterMatcher.h"

#include <QString>
#include <memory>

// Shell-style wildcard pattern as the list filters, routing and notification
// rules use it: fnmatch's rules with the GNU extended patterns, matched
// against the whole value. An empty pattern matches everything.
//
// The pattern is compiled once for each set of flags it is matched with
// (CZELVFilterMatcher): matching takes time in proportion to the value, also
// for patterns on which glibc's fnmatch would run for minutes. A pattern that
// cannot be used (Error says why) matches nothing.
class CZELVFilter {
public:
    static constexpr unsigned kCaseFold = 0x10; // FNM_CASEFOLD
    static constexpr unsigned kExtMatch = 0x20; // FNM_EXTMATCH

    CZELVFilter() = default;
    explicit CZELVFilter(const QString& pattern, unsigned flags = kExtMatch)
        : m_pattern(pattern), m_flags(flags) {}
    // Copies share nothing that matching changes (they compile again); a
    // move keeps what was compiled.
    CZELVFilter(const CZELVFilter& other) : m_pattern(other.m_pattern), m_flags(other.m_flags) {}
    CZELVFilter& operator=(const CZELVFilter& other);
    CZELVFilter(CZELVFilter&&) noexcept = default;
    CZELVFilter& operator=(CZELVFilter&&) noexcept = default;
    ~CZELVFilter() = default;

    const QString& Pattern() const { return m_pattern; }
    void SetPattern(const QString& pattern);
    unsigned Flags() const { return m_flags; }
    void SetFlags(unsigned flags) { m_flags = flags; }
    bool IsEmpty() const { return m_pattern.isEmpty(); }

    // Matches with the filter's own flags.
    bool Matches(const QString& value) const { return Matches(value, m_flags, false); }
    // Matches with the caller's flags (a list column's match flags); extended
    // patterns are always added.
    bool Matches(const QString& value, unsigned flags) const { return Matches(value, flags, true); }
    // The same for a value held as UTF-8 (up to its NUL), matched in place.
    bool MatchesUtf8(const char* value, unsigned flags) const {
        if (m_pattern.isEmpty())
            return true;
        return Compiled(flags | kExtMatch).Matches(value);
    }
    // The same for a value that is matched on its first `limit` bytes only:
    // -1 when it is longer and those bytes did not decide
    // (CZELVFilterMatcher::MatchesUpTo).
    int MatchesUtf8UpTo(const char* value, qsizetype limit, unsigned flags) const {
        if (m_pattern.isEmpty())
            return 1;
        return Compiled(flags | kExtMatch).MatchesUpTo(value, limit);
    }

    // Why the pattern cannot be used with the filter's own flags, or empty
    // when it can (an empty pattern can).
    QString Error() const;
    // The same for any pattern: for checking one before it is stored, or
    // when it is read (it stays compiled for Match, as below).
    static QString Check(const QString& pattern, unsigned flags = kExtMatch);

    // The matcher for one-off calls. Patterns met recently stay compiled (per
    // thread), so callers that match the same few patterns again and again,
    // as rule tables do, compile each once.
    static bool Match(const QString& pattern, const QString& value, unsigned flags = kExtMatch);
    static bool Match(const char* pattern, const char* value, unsigned flags = kExtMatch);

private:
    bool Matches(const QString& value, unsigned flags, bool addExtended) const;
    const CZELVFilterMatcher& Compiled(unsigned flags) const {
        const unsigned variant = ((flags & kExtMatch) ? 2 : 0) | ((flags & kCaseFold) ? 1 : 0);
        const std::unique_ptr<CZELVFilterMatcher>& m = m_compiled[variant];
        return m ? *m : Compile(variant);
    }
    const CZELVFilterMatcher& Compile(unsigned variant) const;

    QString m_pattern;
    unsigned m_flags = kExtMatch;
    // By variant: extended patterns (2) and case folding (1).
    mutable std::unique_ptr<CZELVFilterMatcher> m_compiled[4];
};
