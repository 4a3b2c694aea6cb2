// The compiled matcher against glibc's fnmatch, which stays the reference:
// a table of patterns as sites write them and of glibc's own reading rules,
// then patterns drawn at random from the pattern grammar, each against many
// values, with and without case folding and extended patterns. Then patterns
// on which fnmatch backtracks for minutes, which must simply give the right
// answer, and patterns that cannot be used.
#include "ZELVFilterMatcher.h"

#include "ZELVFilter.h"

#include <clocale>
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr unsigned X = CZELVFilter::kExtMatch;
constexpr unsigned XI = CZELVFilter::kExtMatch | CZELVFilter::kCaseFold;
constexpr unsigned kFlagSets[] = {X, XI, 0, CZELVFilter::kCaseFold};

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// glibc's fnmatch in a given locale, for this thread only.
class GlibcIn {
public:
    explicit GlibcIn(const char* name) : m_locale(newlocale(LC_ALL_MASK, name, nullptr)) {}
    ~GlibcIn() {
        if (m_locale)
            freelocale(m_locale);
    }
    bool Ok() const { return m_locale != nullptr; }
    bool Matches(const std::string& pattern, const std::string& value, unsigned flags) const {
        const locale_t old = uselocale(m_locale);
        const bool matches = ::fnmatch(pattern.c_str(), value.c_str(), int(flags)) == 0;
        uselocale(old);
        return matches;
    }

private:
    locale_t m_locale;
};

// Compares every pattern with every value under every flag set against glibc
// in the given locale; returns the number of comparisons made.
//
// In a UTF-8 locale this glibc also answers yes where the value's bytes, read
// as single-byte characters, match ("??" matches "é"): a yes there is taken
// as glibc's answer only when the byte-wise matcher (the C locale) says no.
int CompareWithGlibc(const std::vector<std::string>& patterns,
                     const std::vector<std::string>& values, const char* locale) {
    const GlibcIn reference(locale);
    const GlibcIn bytes("C");
    EXPECT_TRUE(reference.Ok() && bytes.Ok()) << locale;
    const bool utf8 = std::string(locale) != "C";
    int compared = 0;
    for (const std::string& pattern : patterns) {
        for (unsigned flags : kFlagSets) {
            const CZELVFilterMatcher matcher(QString::fromStdString(pattern), flags);
            if (!matcher.IsValid()) {
                ADD_FAILURE() << "refused \"" << pattern << "\": " << matcher.Error().toStdString();
                continue;
            }
            for (const std::string& value : values) {
                const bool ascii = IsAscii(pattern) && IsAscii(value);
                if (!utf8 && !ascii)
                    continue;
                const bool expected = reference.Matches(pattern, value, flags);
                if (utf8 && !ascii && expected && bytes.Matches(pattern, value, flags))
                    continue;
                EXPECT_EQ(matcher.Matches(value.c_str()), expected)
                    << "\"" << pattern << "\" vs \"" << value << "\" flags 0x" << std::hex << flags;
                EXPECT_EQ(matcher.Matches(QString::fromStdString(value)), expected)
                    << "\"" << pattern << "\" vs \"" << value << "\" (as text) flags 0x" << std::hex
                    << flags;
                ++compared;
            }
        }
    }
    return compared;
}

const std::vector<std::string>& TablePatterns() {
    static const std::vector<std::string> patterns = {
        // As sites write them: identifiers, routing rules, header filters.
        "*", "?", "??*", "A*", "*L6", "*12*", "b*", "@(A|C)*L7", "?*", "VOL00?", "*.LTO?.A*",
        "ACME.LTO6.A0000[15]8", "*.lto*.*", "@(HOME|INIT)", "!(HOME)", "!(*.LTO6.*)", "DC0[1-3]",
        "[!V]*", "[^V]*", "*[0-9]", "*[[:digit:]]", "+([0-9])", "CN*", "C+([A-Z0-9])",
        "@(DC|VLT)+([0-9])", "?(X)DC01", "*(ab)", "+(ab|c)", "!(*a*)", "!(a|b)c", "a!(b)c", "*!(x)",
        "!(a*)b*", "????\\-??\\-??*", "[-+]*", "@(*.txt|*.doc)", "!(*.@(txt|doc))", "*(a|b)c",
        "+(a|b)+(b|c)", "?(a|b|)x", "@()", "@(|a)b", "@(a*(b)c|d)",
        // glibc's reading rules.
        "[]]", "[]a]", "[!]]", "[!]a]", "[\\]]", "[a-]", "[-a]", "[a\\-z]", "[--z]", "[z-a]",
        "[a-c-e]", "[[:alpha:]-z]", "[[:upper:][:digit:]]", "[[:alpha:]", "[[]", "[", "a[", "[ab",
        "[[ab", "[!", "]", "[[=a=]]", "[[=A=]]", "[[.a.]]", "[[.a.]-c]", "[a-[.c.]]", "[[.-.]]",
        "[[:]", "[[:a]", "[[=]", "[[=a]", "\\*", "\\a", "a\\*b", "\\[a]", "[\\a-c]", "@(a", "*(a|b",
        "+(", "!()", "@(a)|b)", "@(a(b)c)", "@([)]|x)", "@([|]|x)", "@([]|x]|y)", "(a|b)", "a|b",
        "*?(x)", "**", "*?", "?(", "\\|", "@(\\(|x)", "a*@(|b)", "*?@(|x)", "*@()", "*+(|a)",
        "@(a*)@(|b)", "@(a*|c)?@(|b)", "*?(x)@(|y)", "@(\\[|x)", "x@(a|b)y", "!(!(a))",
        "!(@(a|b)|c*)", "*(!(a))", "+(!(a)b)",
        // Case folding and characters past ASCII.
        "É*", "é", "[é]", "[É]", "[à-ÿ]", "[[:alpha:]]", "[[:upper:]]", "[[:lower:]]",
        "[[:punct:]]", "[[:space:]]", "[[:print:]]", "[[:graph:]]", "[[:alnum:]]", "[[:cntrl:]]",
        "[[:xdigit:]]", "[[:blank:]]", "[A-Z]", "[a-z]", "*[!a-z]*", "?é?", "ß", "ẞ"};
    return patterns;
}

const std::vector<std::string>& TableValues() {
    static const std::vector<std::string> values = {"",
                                                    "a",
                                                    "b",
                                                    "A",
                                                    "B",
                                                    "c",
                                                    "x",
                                                    "z",
                                                    "Z",
                                                    "0",
                                                    "5",
                                                    "-",
                                                    "+",
                                                    "]",
                                                    "[",
                                                    "\\",
                                                    "(",
                                                    ")",
                                                    "|",
                                                    "*",
                                                    "?",
                                                    " ",
                                                    "\t",
                                                    ".",
                                                    "ab",
                                                    "abab",
                                                    "abc",
                                                    "ac",
                                                    "aab",
                                                    "abb",
                                                    "bc",
                                                    "c*",
                                                    "HOME",
                                                    "INIT",
                                                    "VLT1",
                                                    "DC01",
                                                    "DC04",
                                                    "XDC01",
                                                    "VOL001",
                                                    "VOL00",
                                                    "CN0042",
                                                    "C1",
                                                    "A00001L7",
                                                    "C12345L7",
                                                    "B00012L6",
                                                    "x.txt",
                                                    "x.doc",
                                                    "x.pdf",
                                                    "2024-01-31",
                                                    "2024-01-31+5",
                                                    "ACME.LTO6.A00018",
                                                    "ACME.LTO6.A00028",
                                                    "ACME.LTO8.B00001",
                                                    "[ab",
                                                    "[[ab",
                                                    "[a",
                                                    "a]",
                                                    "]a",
                                                    "a(b)c",
                                                    "a(b",
                                                    "a)|b)",
                                                    "(a|b)",
                                                    "a|b",
                                                    "@(a",
                                                    "*(a|b",
                                                    "+(",
                                                    "!()",
                                                    "[[:alpha:]",
                                                    "é",
                                                    "É",
                                                    "ê",
                                                    "ÿ",
                                                    "ß",
                                                    "ẞ",
                                                    "aé",
                                                    "éa",
                                                    "xéx",
                                                    "€",
                                                    "\xc2\xa0",
                                                    "\xe2\x80\x83",
                                                    "中",
                                                    "\x7f",
                                                    "a\\b",
                                                    "\\*"};
    return values;
}

TEST(CZELVFilterMatcher, AgreesWithGlibcOnTheTable) {
    EXPECT_GT(CompareWithGlibc(TablePatterns(), TableValues(), "C.UTF-8"), 40000);
}

// In the C locale glibc matches bytes; for ASCII the results are the same.
TEST(CZELVFilterMatcher, AgreesWithGlibcInTheCLocaleForAscii) {
    EXPECT_GT(CompareWithGlibc(TablePatterns(), TableValues(), "C"), 30000);
}

// Patterns drawn from the whole grammar: literals, escapes, "?", "*",
// brackets with ranges, classes and negation, the five groups nested.
class RandomPatterns {
public:
    explicit RandomPatterns(unsigned seed) : m_random(seed) {}

    std::string Pattern() { return Sequence(0, 1 + Pick(4), false); }

    std::string Value() {
        static const char* const kChars[] = {"a", "b", "A", "B", "c", ".", "-",
                                             "]", "é", "É", "(", "|", "1"};
        std::string value;
        const int length = Pick(7);
        for (int i = 0; i < length; ++i)
            value += kChars[Pick(std::size(kChars))];
        return value;
    }

private:
    std::mt19937 m_random;

    int Pick(size_t n) { return int(m_random() % n); }

    // glibc skips a "?(...)" or "*(...)" right after a star with a scan of
    // its own that passes over the character after a group nested in it;
    // inside those groups a nested group is followed by a plain character,
    // where that scan and the real reading agree.
    std::string Sequence(int depth, int length, bool skippable) {
        std::string s;
        for (int i = 0; i < length; ++i)
            s += Element(depth, skippable);
        return s;
    }

    std::string Element(int depth, bool skippable) {
        static const char* const kLiterals[] = {"a", "b", "A", "c", ".", "-", "é", "1"};
        // A "-" goes last: glibc reads "-[:x:]" after a member one way and,
        // once a member matched, the other.
        static const char* const kMembers[] = {
            "a",         "b",         "A",   "é",         "1",         "a-c",
            "A-Z",       "à-ÿ",       "0-9", "[:alpha:]", "[:upper:]", "[:lower:]",
            "[:digit:]", "[:punct:]", "\\]", "[=a=]",     "[.b.]"};
        switch (Pick(depth < 2 ? 9 : 6)) {
        case 0:
        case 1:
            return kLiterals[Pick(std::size(kLiterals))];
        case 2:
            return "?";
        case 3:
            return "*";
        case 4: {
            std::string b = "[";
            if (Pick(3) == 0)
                b += Pick(2) ? "!" : "^";
            if (Pick(8) == 0)
                b += "]";
            for (int n = 1 + Pick(3); n > 0; --n)
                b += kMembers[Pick(std::size(kMembers))];
            if (Pick(6) == 0)
                b += "-";
            return b + "]";
        }
        case 5:
            // In a group glibc finds its end without looking at backslashes:
            // "\|" would end an alternative with a backslash (refused here)
            // and "\[" would open a bracket.
            return std::string("\\") + (depth == 0 ? "a*?[(|"[Pick(6)] : "a*?("[Pick(4)]);
        default: {
            const char op = "?*+@!"[Pick(5)];
            std::string g(1, op);
            g += "(";
            for (int n = Pick(3); n >= 0; --n) {
                g += Sequence(depth + 1, Pick(3), skippable || op == '?' || op == '*');
                if (n > 0)
                    g += "|";
            }
            g += ")";
            return skippable ? g + kLiterals[Pick(std::size(kLiterals))] : g;
        }
        }
    }
};

TEST(CZELVFilterMatcher, AgreesWithGlibcOnRandomPatterns) {
    RandomPatterns random(20240611);
    std::vector<std::string> values;
    for (int i = 0; i < 40; ++i)
        values.push_back(random.Value());
    std::vector<std::string> patterns;
    for (int i = 0; i < 1500; ++i)
        patterns.push_back(random.Pattern());
    EXPECT_GT(CompareWithGlibc(patterns, values, "C.UTF-8"), 200000);
}

// Patterns that make glibc's fnmatch backtrack for minutes: each answer
// must come (the suite's time-out is the limit) and be right.
struct HostileCase {
    std::string pattern;
    std::string value;
    bool matches;
};

TEST(CZELVFilterMatcher, HostilePatternsGiveTheRightAnswer) {
    const std::string as30(30, 'a');
    const std::string as1000(1000, 'a');
    const std::string abs(1000, 'b');
    std::string mixed;
    for (int i = 0; i < 500; ++i)
        mixed += (i * 7919) % 3 ? "a" : "b";
    const std::string q10(10, '?');
    std::vector<HostileCase> cases = {
        {"*(a|a|a|a)*(a|a|a|a)*(a|a|a)b", as30, false},
        {"*(a|a|a|a)*(a|a|a|a)*(a|a|a)b", as30 + "b", true},
        {"*(a|a|a|a)*(a|a|a|a)*(a|a|a)b", as1000, false},
        {"+(+(+(a|aa)))b", as1000, false},
        {"+(+(+(a|aa)))", as1000, true},
        {"*(*(*(a)))b", as1000, false},
        {"*a*a*a*a*a*a*a*a*a*a*b", as1000, false},
        {"*a*a*a*a*a*a*a*a*a*a*b", as1000 + "b", true},
        {"@(a|a)@(a|a)@(a|a)@(a|a)@(a|a)@(a|a)@(a|a)@(a|a)*c", as1000, false},
        // "!(...)": what is not matched by the group, then the rest.
        {"!(*a*)b", abs, true},  // all b's: "b...b" is not matched by *a*
        {"!(*b*)b", abs, false}, // every prefix holds a b, or is empty and then "b...b" != "b"
        {"!(*(a|a|a)b)*(a|a|a)", as1000, true}, // empty prefix, then all a's
        {"!(+(a|aa))", as1000, false},
        {"!(+(a|aa))", as1000 + "b", true},
        {"*!(*a*)*!(*b*)*", mixed, true},
        // The inner group matches what ends in b ("!(*a*)" takes the empty start).
        {"!(!(*a*)*b)", mixed + "a", true},
        {"!(!(*a*)*b)", mixed + "b", false},
        {"!(*a" + q10 + ")", std::string(1023, 'b'), true},
        {"*!(*a" + q10 + ")", std::string(1023, 'a'), true},
    };
    // A pattern whose sets of states are new at nearly every character, on a
    // value long enough to fill the automaton's table several times over: it
    // is rebuilt around the current set and the answer stays right.
    std::string random;
    unsigned x = 12345;
    for (int i = 0; i < 70000; ++i) {
        x = x * 1103515245u + 12345u;
        random += (x >> 16) & 1 ? 'a' : 'b';
    }
    const std::string q20(20, '?');
    cases.push_back({"*a" + q20, random, random[random.size() - 21] == 'a'});
    for (const HostileCase& c : cases) {
        const QString pattern = QString::fromStdString(c.pattern);
        const CZELVFilterMatcher matcher(pattern, X);
        ASSERT_TRUE(matcher.IsValid()) << c.pattern;
        EXPECT_EQ(matcher.Matches(c.value.c_str()), c.matches) << c.pattern;
        EXPECT_EQ(CZELVFilter::Match(pattern, QString::fromStdString(c.value)), c.matches)
            << c.pattern;
    }
    // The longest pattern taken, built to make as many distinct inner sets as
    // it can, against the longest value a list matches.
    const QString wide = QStringLiteral("!(*a") +
                         QString(CZELVFilterMatcher::kMaxPatternLength - 6, u'?') +
                         QStringLiteral(")");
    const CZELVFilterMatcher widest(wide, X);
    ASSERT_TRUE(widest.IsValid());
    std::string value;
    for (int i = 0; i < 1023; ++i)
        value += (i * 31) % 7 < 3 ? 'a' : 'b';
    EXPECT_TRUE(widest.Matches(value.c_str()));
}

struct UnusableCase {
    const char* name;
    QString pattern;
    const char* error; // a part of the message
};

TEST(CZELVFilterMatcher, UnusablePatternsAreRefusedAndMatchNothing) {
    const UnusableCase cases[] = {
        {"TrailingBackslash", QStringLiteral("CN\\"), "backslash"},
        {"TrailingBackslashInGroup", QStringLiteral("@(a\\|b)"), "backslash"},
        {"TrailingBackslashBeforeClose", QStringLiteral("*(x|\\)y)"), "backslash"},
        {"BackslashEndsBracket", QStringLiteral("[a\\"), "backslash"},
        {"UnknownClass", QStringLiteral("[[:vowel:]]*"), "[:vowel:]"},
        {"RangeWithoutEnd", QStringLiteral("[a-"), "no end"},
        {"LongSymbol", QStringLiteral("[[.ab.]]"), "more than one character"},
        {"OpenSymbol", QStringLiteral("[[.a"), "\".]\""},
        {"TooLong", QString(CZELVFilterMatcher::kMaxPatternLength + 1, u'a'), "longer than"},
        {"GroupsTooDeep", QStringLiteral("@(").repeated(40) + QStringLiteral(")").repeated(40),
         "nested more than"},
        {"NegationTooDeep", QStringLiteral("!(a!(b!(c)))"), "\"!(...)\""},
    };
    for (const UnusableCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CZELVFilterMatcher matcher(c.pattern, X);
        EXPECT_FALSE(matcher.IsValid());
        EXPECT_TRUE(matcher.Error().contains(QLatin1String(c.error)))
            << matcher.Error().toStdString();
        EXPECT_FALSE(matcher.Matches(""));
        EXPECT_FALSE(matcher.Matches(c.pattern.toUtf8().constData()));
        EXPECT_FALSE(CZELVFilter::Match(c.pattern, QStringLiteral("a")));
        EXPECT_EQ(CZELVFilter::Check(c.pattern), matcher.Error());
        EXPECT_EQ(CZELVFilter(c.pattern).Error(), matcher.Error());
    }
    // At the limits they are taken.
    EXPECT_TRUE(CZELVFilter::Check(QString(CZELVFilterMatcher::kMaxPatternLength, u'a')).isEmpty());
    EXPECT_TRUE(CZELVFilter::Check(QStringLiteral("!(a!(b))")).isEmpty());
    EXPECT_TRUE(CZELVFilter::Check(QString()).isEmpty());
    // Without extended patterns the same text is plain characters.
    EXPECT_TRUE(CZELVFilter::Check(QStringLiteral("!(a!(b!(c)))"), 0).isEmpty());
}

// Values that are not UTF-8: each stray byte is one character of its own.
TEST(CZELVFilterMatcher, BytesThatAreNotUtf8) {
    const CZELVFilterMatcher one(QStringLiteral("a?b"), X);
    EXPECT_TRUE(one.Matches("a\xff"
                            "b"));
    EXPECT_TRUE(one.Matches("a\xc3"
                            "b")); // a lead byte without its follower, then b
    EXPECT_FALSE(CZELVFilterMatcher(QStringLiteral("a??b"), X)
                     .Matches("a\xc3"
                              "b"));
    EXPECT_TRUE(one.Matches("a\xc3\xa9"
                            "b"));
    EXPECT_TRUE(CZELVFilterMatcher(QStringLiteral("a??b"), X)
                    .Matches("a\xed\xa0"
                             "b"));
    EXPECT_TRUE(CZELVFilterMatcher(QStringLiteral("[!x]"), X).Matches("\x80"));
    EXPECT_FALSE(CZELVFilterMatcher(QStringLiteral("[[:alpha:]]"), X).Matches("\xe9"));
    // A value stops at a NUL, as glibc sees it.
    EXPECT_TRUE(one.Matches("a-b\0c", 5));
    EXPECT_TRUE(one.Matches(QStringView(u"a-b\0c", 5)));
}

} // namespace
