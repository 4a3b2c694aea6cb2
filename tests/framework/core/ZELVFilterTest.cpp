#include "ZELVFilter.h"

#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* name;
    const char* pattern;
    const char* value;
    unsigned flags;
    bool matches;
};

class FilterMatch : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterMatch, WholeValueWithGnuExtensions) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(CZELVFilter::Match(QString::fromUtf8(c.pattern), QString::fromUtf8(c.value), c.flags),
              c.matches)
        << c.pattern << " vs " << c.value;
}

constexpr unsigned X = CZELVFilter::kExtMatch;
constexpr unsigned XI = CZELVFilter::kExtMatch | CZELVFilter::kCaseFold;

INSTANTIATE_TEST_SUITE_P(
    CZELVFilter, FilterMatch,
    ::testing::Values(
        FilterCase{"EmptyPatternMatchesAll", "", "anything", X, true},
        FilterCase{"EmptyPatternMatchesEmpty", "", "", X, true},
        FilterCase{"StarMatchesEmptyValue", "*", "", X, true},
        FilterCase{"PrefixIsNotAMatch", "VOL", "VOL001", X, false},
        FilterCase{"StarSuffix", "VOL*", "VOL001", X, true},
        FilterCase{"QuestionIsOneChar", "VOL00?", "VOL001", X, true},
        FilterCase{"QuestionNeedsAChar", "VOL00?", "VOL00", X, false},
        FilterCase{"CaseSensitiveByDefault", "vol*", "VOL001", X, false},
        FilterCase{"CaseFoldFlag", "vol*", "VOL001", XI, true},
        FilterCase{"BracketSet", "A[0-9]", "A5", X, true},
        FilterCase{"EscapedStar", "A\\*", "A*", X, true},
        FilterCase{"EscapedStarIsLiteral", "A\\*", "AB", X, false},
        FilterCase{"ExtAlternative", "@(HOME|INIT)", "INIT", X, true},
        FilterCase{"ExtAlternativeMiss", "@(HOME|INIT)", "VLT1", X, false},
        FilterCase{"ExtNegation", "!(HOME)", "VLT1", X, true},
        FilterCase{"ExtNegationMiss", "!(HOME)", "HOME", X, false},
        FilterCase{"ExtOneOrMore", "+(AB)", "ABAB", X, true},
        FilterCase{"ExtOffTreatsParensLiterally", "@(A|B)", "A", 0, false},
        FilterCase{"UnbalancedBracketNoCrash", "[abc", "a", X, false},
        FilterCase{"UnbalancedExtGroupNoCrash", "@(abc", "abc", X, false},
        FilterCase{"SlashIsOrdinary", "a*b", "a/x/b", X, true},
        FilterCase{"LeadingDotIsOrdinary", "*", ".hidden", X, true}),
    [](const ::testing::TestParamInfo<FilterCase>& p) { return p.param.name; });

TEST(CZELVFilter, ColumnFlagsAlwaysAddExtendedPatterns) {
    const CZELVFilter f(QStringLiteral("@(a|b)*"), 0);
    EXPECT_FALSE(f.Matches(QStringLiteral("abc")));       // own flags: no extensions
    EXPECT_TRUE(f.Matches(QStringLiteral("abc"), 0));      // column flags: 0x20 added
    EXPECT_TRUE(f.Matches(QStringLiteral("Bcd"), CZELVFilter::kCaseFold));
    EXPECT_FALSE(f.Matches(QStringLiteral("Bcd"), 0));
}

TEST(CZELVFilter, LongValuesAndPatterns) {
    const QString value(10000, QLatin1Char('x'));
    EXPECT_TRUE(CZELVFilter::Match(QStringLiteral("x*x"), value));
    EXPECT_FALSE(CZELVFilter::Match(QStringLiteral("x*y"), value));
}

} // namespace
