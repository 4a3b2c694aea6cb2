#pragma once

#include <QString>
#include <QStringView>
#include <memory>

// A wildcard pattern compiled once into an automaton, for matching many
// values. glibc's fnmatch backtracks, exponentially so on extended patterns
// such as "*(a|a|a)*(a|a|a)b", and our patterns come from users, files and
// the database; here every value is read once, left to right, and the work
// for each character is bounded by the size of the pattern (see
// ZELVFilterMatcher.cpp for the bound with "!(...)").
//
// The results are glibc fnmatch's with FNM_EXTMATCH (when asked) and
// FNM_CASEFOLD (when asked) in the C.UTF-8 locale, in any locale, with these
// differences:
// - a value is read as characters (UTF-8), also where glibc would work in
//   bytes (the C locale); bytes that are not UTF-8 are characters of their
//   own that only "?", "*" and negated brackets match;
// - a range "[a-z]" takes the characters between its ends by number, also
//   past U+00FF (glibc's C.UTF-8 ranges stop there);
// - character classes past ASCII follow Qt's Unicode tables;
// - glibc's scan that skips a "?(...)" or "*(...)" right after a "*" passes
//   over the character after a group nested in it; here such a pattern is
//   read as written;
// - an unusable pattern (see Error) matches nothing, where glibc would match
//   some values, depending on how far it gets. Among them: a backslash that
//   ends a group's alternative (glibc would paste the text after the group
//   behind it and quote its first character).
class CZELVFilterMatcher {
public:
    // Flags as CZELVFilter has them: 0x20 extended patterns, 0x10 case folding.
    CZELVFilterMatcher(const QString& pattern, unsigned flags);
    // A copy shares the compiled pattern and builds its own automaton.
    CZELVFilterMatcher(const CZELVFilterMatcher& other);
    CZELVFilterMatcher& operator=(const CZELVFilterMatcher& other);
    ~CZELVFilterMatcher();

    // Longest pattern taken, in characters.
    static constexpr int kMaxPatternLength = 1024;
    // Deepest nesting of groups, and of "!(...)" groups inside each other.
    static constexpr int kMaxGroupDepth = 32;
    static constexpr int kMaxNegationDepth = 2;

    // Empty when the pattern can be used; otherwise why not, in words for
    // the person who wrote it.
    const QString& Error() const;
    bool IsValid() const { return Error().isEmpty(); }

    // The whole value against the pattern (an empty pattern matches only an
    // empty value). A value stops at its first NUL, as a C string does.
    // Not for use from two threads at once: the automaton grows as values
    // are matched.
    bool Matches(const char* utf8) const;
    bool Matches(const char* utf8, qsizetype size) const;
    bool Matches(QStringView value) const;
    // For values kept to their first `limit` bytes (cut before a character
    // that does not fit): 1 or 0 when the answer is known without the cut,
    // -1 when the value is longer and its first bytes did not decide.
    int MatchesUpTo(const char* utf8, qsizetype limit) const;

    struct Program; // the compiled pattern, shared by copies

private:
    class Automaton;
    std::shared_ptr<const Program> m_program;
    mutable std::unique_ptr<Automaton> m_automaton;

    Automaton& Run() const;
};
