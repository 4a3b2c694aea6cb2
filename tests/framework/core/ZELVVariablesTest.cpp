#include "ZELVVariables.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

time_t LocalAt(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

const char* kStore = R"(
variable = {
  SITE = { value = "North"; };
  LOGDIR = { value = "/var/log/kelmar"; };
  EMPTY = { value = ""; };
  Site-2_b = { value = "second"; };
  SELF = { value = "$SELF$SELF"; };
  LOOPA = { value = "$LOOPB"; };
  LOOPB = { value = "$LOOPA"; };
  PCT = { value = "100%ZELVTEST_HOME"; };
  NOVALUE = { type = "text"; };
  PLAIN = "not a group";
  TEXT = { type = "text"; value = "plain"; };
  TODAY = { type = "date"; };
  STAMP = { type = "date"; date = "*"; format = "%Y%m%d"; value = "stale"; };
  LASTMONTH = { type = "date"; date = "M-1"; format = "%d %B %Y"; };
  BADDATE = { type = "date"; date = "2018-13-45"; format = "%Y-%m-%d %H:%M"; };
  nest = { value = "outer"; inner = { value = "nested"; }; };
};
options = { logfile = "$LOGDIR/$SITE"; };
)";

// Sets an environment variable for one test and puts the old state back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class VariablesFixture {
protected:
    VariablesFixture()
        : m_home("ZELVTEST_HOME", "/home/op"), m_missing("ZELVTEST_MISSING", nullptr),
          m_ref("ZELVTEST_REF", "$SITE"), m_clock(LocalAt(2018, 8, 14, 9, 30, 5)) {
        m_loaded = m_config.ReadString(QString::fromUtf8(kStore), &m_error);
        m_vars = std::make_unique<ZELVVariables>(m_config, m_clock);
    }

    // Expands through the character-buffer form with a buffer of exactly size
    // bytes followed by guard bytes that must stay untouched.
    std::string ExpandBytes(const char* text, size_t size, bool env = true) {
        std::vector<char> buf(size + 16, '\x7f');
        m_vars->Expand(text, buf.data(), size, env);
        for (size_t i = size; i < buf.size(); ++i)
            if (buf[i] != '\x7f') {
                ADD_FAILURE() << "wrote past the destination at " << i << " for size " << size;
                break;
            }
        if (size == 0)
            return std::string();
        const void* nul = std::memchr(buf.data(), '\0', size);
        if (!nul) {
            ADD_FAILURE() << "destination not terminated for size " << size;
            return std::string();
        }
        return std::string(buf.data());
    }

    ScopedEnv m_home;
    ScopedEnv m_missing;
    ScopedEnv m_ref;
    ZELVFixedClock m_clock;
    ZELVConfig m_config;
    bool m_loaded = false;
    QString m_error;
    std::unique_ptr<ZELVVariables> m_vars;
};

// --- Expansion rules -------------------------------------------------------

struct ExpandCase {
    const char* name;
    const char* text;
    const char* expected;
    bool envLookup = true;
};

class Variables : public VariablesFixture, public ::testing::Test {};

class ExpandRule : public VariablesFixture, public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandRule, BothFormsGiveTheSameText) {
    ASSERT_TRUE(m_loaded) << qPrintable(m_error);
    const ExpandCase& c = GetParam();
    EXPECT_EQ(m_vars->Expand(QString::fromUtf8(c.text), 1024, c.envLookup),
              QString::fromUtf8(c.expected));
    EXPECT_EQ(ExpandBytes(c.text, 1024, c.envLookup), std::string(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    ZELVVariables, ExpandRule,
    ::testing::Values(
        ExpandCase{"PlainTextUnchanged", "no references here", "no references here"},
        ExpandCase{"EmptyText", "", ""},
        ExpandCase{"DollarNameReplaced", "$LOGDIR/$SITE", "/var/log/kelmar/North"},
        ExpandCase{"NameEndsAtFirstOtherCharacter", "[$SITE]!", "[North]!"},
        ExpandCase{"AdjacentReferences", "$SITE$SITE", "NorthNorth"},
        ExpandCase{"DashUnderscoreDigitsBelongToTheName", "$Site-2_b!", "second!"},
        ExpandCase{"EmptyValue", "[$EMPTY]", "[]"},
        ExpandCase{"FullStopAfterReplacedNameDropped", "$SITE.txt and more", "Northtxt and more"},
        ExpandCase{"OnlyOneFullStopDropped", "$SITE..log", "North.log"},
        ExpandCase{"UnknownVariableKeptWithDollar", "$NOPE/x", "$NOPE/x"},
        ExpandCase{"UnknownVariableKeepsItsFullStop", "$NOPE.txt", "$NOPE.txt"},
        ExpandCase{"PriceIsNotAReference", "cost $5.00", "cost $5.00"},
        ExpandCase{"DoubleDollarGivesOneDollarAndLiteralName", "$$SITE", "$SITE"},
        ExpandCase{"DoubleDollarNameKeepsFullStop", "$$SITE.txt", "$SITE.txt"},
        ExpandCase{"DoubleDollarAtEnd", "cost $$", "cost $"},
        ExpandCase{"TripleDollarThenReference", "$$$SITE", "$North"},
        ExpandCase{"LoneDollarStays", "a $ b", "a $ b"},
        ExpandCase{"TrailingDollarStays", "end$", "end$"},
        ExpandCase{"DollarBeforePunctuationStays", "$/x", "$/x"},
        ExpandCase{"GroupWithoutValueIsUnknown", "$NOVALUE", "$NOVALUE"},
        ExpandCase{"PlainStringIsNotAVariable", "$PLAIN", "$PLAIN"},
        ExpandCase{"TypedTextVariable", "$TEXT", "plain"},
        ExpandCase{"NestedGroupIsNotReachable", "$nest/$inner", "outer/$inner"},
        ExpandCase{"EnvironmentReplaced", "%ZELVTEST_HOME/bin", "/home/op/bin"},
        ExpandCase{"EnvironmentFullStopDropped", "%ZELVTEST_HOME.bak", "/home/opbak"},
        ExpandCase{"MissingEnvironmentIsBadenv", "%ZELVTEST_MISSING/x",
                   "***BADENV:ZELVTEST_MISSING***/x"},
        ExpandCase{"BadenvFullStopDropped", "%ZELVTEST_MISSING.x",
                   "***BADENV:ZELVTEST_MISSING***x"},
        ExpandCase{"EnvironmentLookupOffIsBadenv", "%ZELVTEST_HOME", "***BADENV:ZELVTEST_HOME***",
                   false},
        ExpandCase{"EnvironmentLookupOffKeepsVariables", "$SITE", "North", false},
        ExpandCase{"DoublePercentGivesOnePercentAndLiteralName", "%%ZELVTEST_HOME",
                   "%ZELVTEST_HOME"},
        ExpandCase{"LonePercentStays", "100% sure", "100% sure"},
        ExpandCase{"TrailingPercentStays", "50%", "50%"},
        ExpandCase{"PercentBeforeDollarReference", "%$SITE", "%North"},
        ExpandCase{"SelfReferenceIsNotExpandedAgain", "$SELF", "$SELF$SELF"},
        ExpandCase{"MutualReferenceIsNotExpandedAgain", "$LOOPA|$LOOPB", "$LOOPB|$LOOPA"},
        ExpandCase{"PercentInValueIsNotExpanded", "$PCT", "100%ZELVTEST_HOME"},
        ExpandCase{"EnvironmentValueIsNotExpanded", "%ZELVTEST_REF", "$SITE"},
        ExpandCase{"NonAsciiTextCopied", "Zürich/$SITE/Ωmega", "Zürich/North/Ωmega"}),
    [](const ::testing::TestParamInfo<ExpandCase>& p) { return p.param.name; });

// --- The size limit ----------------------------------------------------------

struct SizeCase {
    const char* name;
    const char* text;
    size_t size;
    const char* expected;
};

class ExpandSize : public VariablesFixture, public ::testing::TestWithParam<SizeCase> {};

TEST_P(ExpandSize, ResultStaysBelowSize) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(ExpandBytes(c.text, c.size), std::string(c.expected));
    EXPECT_EQ(m_vars->Expand(QString::fromUtf8(c.text), static_cast<int>(c.size)),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    ZELVVariables, ExpandSize,
    ::testing::Values(SizeCase{"SizeZeroWritesNothing", "$SITE", 0, ""},
                      SizeCase{"SizeOneGivesEmptyText", "$SITE", 1, ""},
                      SizeCase{"SizeTwoTakesOneCharacter", "abc", 2, "a"},
                      SizeCase{"SizeTwoTakesTheSingleDollar", "$$SITE", 2, "$"},
                      SizeCase{"ExactFit", "$SITE", 6, "North"},
                      SizeCase{"OneShortLeavesTheValueOut", "$SITE", 5, ""},
                      SizeCase{"LaterCharactersStillCopied", "ab$SITE.cd", 5, "abcd"},
                      SizeCase{"PlainTextTruncated", "abcdef", 4, "abc"},
                      SizeCase{"UnknownReferenceLeftOutWhole", "x$NOPE", 4, "x"},
                      SizeCase{"BadenvLeftOutWhole", "%ZELVTEST_MISSING!", 10, "!"},
                      SizeCase{"ExactFitAfterText", "a-$LOGDIR", 18, "a-/var/log/kelmar"},
                      SizeCase{"OneShortAfterText", "a-$LOGDIR", 17, "a-"}),
    [](const ::testing::TestParamInfo<SizeCase>& p) { return p.param.name; });

TEST_F(Variables, NegativeOrZeroSizeGivesEmptyString) {
    EXPECT_TRUE(m_vars->Expand(QStringLiteral("$SITE"), 0).isEmpty());
    EXPECT_TRUE(m_vars->Expand(QStringLiteral("$SITE"), -5).isEmpty());
}

TEST_F(Variables, MultiByteCharacterIsNeverCutInHalf) {
    // "é" is two bytes: with room for one byte after "a" it is left out whole.
    EXPECT_EQ(ExpandBytes("aé", 3), "a");
    EXPECT_EQ(ExpandBytes("aé", 4), "aé");
    // The text form counts characters; a surrogate pair is one of them.
    EXPECT_EQ(m_vars->Expand(QStringLiteral("aé"), 3), QStringLiteral("aé"));
    const QString clef = QString::fromUtf8("a\xF0\x9D\x84\x9E");
    EXPECT_EQ(m_vars->Expand(clef, 3), QStringLiteral("a"));
    EXPECT_EQ(m_vars->Expand(clef, 4), clef);
}

TEST_F(Variables, NoSizeWritesPastTheDestination) {
    const char* texts[] = {"$SITE.$LOGDIR%ZELVTEST_HOME%%x$$y%ZELVTEST_MISSING.z", "$$$$%%%%$.%.",
                           "ÄÖÜ$SELF€€$LOOPA", "$", "%"};
    for (const char* text : texts)
        for (size_t size = 0; size <= 80; ++size) {
            const std::string out = ExpandBytes(text, size);
            EXPECT_LE(out.size(), size == 0 ? 0 : size - 1) << text << " size " << size;
        }
}

TEST_F(Variables, NullTextGivesEmptyDestination) {
    char buf[4] = {'x', 'x', 'x', 'x'};
    m_vars->Expand(nullptr, buf, sizeof buf);
    EXPECT_EQ(buf[0], '\0');
}

// --- Long names -----------------------------------------------------------------

TEST_F(Variables, NameLongerThan255CharactersIsReadAs255) {
    const std::string tail(45, 'a');
    const std::string name255(255, 'a');
    const std::string text = "$" + name255 + tail; // a 300-character name
    // Unknown: the text stays as written.
    EXPECT_EQ(ExpandBytes(text.c_str(), 1024), text);
    // Known under its first 255 characters: the rest is ordinary text.
    ASSERT_TRUE(m_vars->SetVariable(QString::fromStdString(name255), "%s", "X"));
    EXPECT_EQ(ExpandBytes(text.c_str(), 1024), "X" + tail);
    EXPECT_EQ(m_vars->Expand(QString::fromStdString(text)), QString::fromStdString("X" + tail));
}

// --- Get and set ------------------------------------------------------------------

TEST_F(Variables, GetVariableReturnsValueOrNothing) {
    EXPECT_EQ(m_vars->GetVariable(QStringLiteral("SITE")), QStringLiteral("North"));
    EXPECT_EQ(m_vars->GetVariable(QStringLiteral("EMPTY")), QString());
    EXPECT_FALSE(m_vars->GetVariable(QStringLiteral("NOPE")).has_value());
    EXPECT_FALSE(m_vars->GetVariable(QStringLiteral("NOVALUE")).has_value());
    EXPECT_FALSE(m_vars->GetVariable(QStringLiteral("PLAIN")).has_value());
    // A name is a name, never a path into the file.
    EXPECT_FALSE(m_vars->GetVariable(QStringLiteral("nest.inner")).has_value());
    EXPECT_FALSE(m_vars->GetVariable(QStringLiteral("nest/inner")).has_value());
    EXPECT_FALSE(m_vars->GetVariable(QString()).has_value());
}

TEST_F(Variables, SetVariableWritesIntoTheApplicationsConfiguration) {
    ASSERT_TRUE(m_vars->SetVariable(QStringLiteral("SITE"), "%s-%03d", "South", 7));
    ASSERT_TRUE(m_vars->SetVariable(QStringLiteral("Fresh_1"), "%s", "new"));
    EXPECT_EQ(m_config.LookupString(QStringLiteral("variable/SITE/value")),
              QStringLiteral("South-007"));
    EXPECT_EQ(m_config.LookupString(QStringLiteral("variable/Fresh_1/value")),
              QStringLiteral("new"));
    EXPECT_EQ(m_vars->Expand(QStringLiteral("$SITE/$Fresh_1")), QStringLiteral("South-007/new"));
    // A plain string under the name is turned into a proper variable.
    ASSERT_TRUE(m_vars->SetVariable(QStringLiteral("PLAIN"), "%d%%", 50));
    EXPECT_EQ(m_vars->GetVariable(QStringLiteral("PLAIN")), QStringLiteral("50%"));
}

struct NameCase {
    const char* name;
    const char* variable;
};

class RejectedName : public VariablesFixture, public ::testing::TestWithParam<NameCase> {};

TEST_P(RejectedName, SetVariableRefusesAndStoresNothing) {
    const QString name = QString::fromUtf8(GetParam().variable);
    EXPECT_FALSE(m_vars->SetVariable(name, "%s", "x"));
    EXPECT_FALSE(m_vars->GetVariable(name).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    ZELVVariables, RejectedName,
    ::testing::Values(NameCase{"Empty", ""}, NameCase{"StartsWithDigit", "1abc"},
                      NameCase{"StartsWithDash", "-abc"}, NameCase{"ContainsBlank", "a b"},
                      NameCase{"ContainsDot", "nest.inner"}, NameCase{"ContainsSlash", "nest/x"},
                      NameCase{"NonAscii", "Zürich"}),
    [](const ::testing::TestParamInfo<NameCase>& p) { return p.param.name; });

TEST(ZELVVariablesGroup, AddedWhenMissingOrOfWrongType) {
    ZELVFixedClock clock(LocalAt(2018, 8, 14, 9, 30, 5));
    for (const char* text : {"options = { logfile = \"x\"; };", "variable = 3;"}) {
        ZELVConfig config;
        ASSERT_TRUE(config.ReadString(QString::fromUtf8(text)));
        ZELVVariables vars(config, clock);
        EXPECT_TRUE(config.Lookup(QStringLiteral("variable")).IsGroup()) << text;
        ASSERT_TRUE(vars.SetVariable(QStringLiteral("A"), "%s", "1"));
        EXPECT_EQ(vars.Expand(QStringLiteral("$A")), QStringLiteral("1"));
    }
}

TEST(ZELVVariablesGroup, ConfigurationReadAgainGetsTheGroupBack) {
    ZELVFixedClock clock;
    ZELVConfig config;
    ZELVVariables vars(config, clock);
    ASSERT_TRUE(vars.SetVariable(QStringLiteral("A"), "%s", "1"));
    ASSERT_TRUE(config.ReadString(QStringLiteral("other = 1;")));
    EXPECT_FALSE(vars.GetVariable(QStringLiteral("A")).has_value());
    ASSERT_TRUE(vars.SetVariable(QStringLiteral("A"), "%s", "2"));
    EXPECT_EQ(vars.GetVariable(QStringLiteral("A")), QStringLiteral("2"));
}

// --- Date variables ---------------------------------------------------------------

struct DateCase {
    const char* name;
    const char* variable;
    int year, month, day, hour, minute;
    const char* expected;
};

class DateVariable : public VariablesFixture, public ::testing::TestWithParam<DateCase> {};

TEST_P(DateVariable, RecomputedAtTheClock) {
    ASSERT_TRUE(m_loaded) << qPrintable(m_error);
    const DateCase& c = GetParam();
    m_clock.Set(LocalAt(c.year, c.month, c.day, c.hour, c.minute, 0));
    const QString name = QString::fromUtf8(c.variable);
    EXPECT_EQ(m_vars->GetVariable(name), QString::fromUtf8(c.expected));
    // The new value is stored in the variable.
    EXPECT_EQ(m_config.LookupString(QStringLiteral("variable/") + name + QStringLiteral("/value")),
              QString::fromUtf8(c.expected));
    EXPECT_EQ(m_vars->Expand(QLatin1Char('$') + name), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    ZELVVariables, DateVariable,
    ::testing::Values(
        DateCase{"StarWithoutFormatIsTodayIsoDate", "TODAY", 2018, 8, 14, 9, 30, "2018-08-14"},
        DateCase{"FirstHourAfterMidnightIsYesterday", "TODAY", 2018, 8, 14, 0, 30, "2018-08-13"},
        DateCase{"OwnFormatReplacesStaleValue", "STAMP", 2018, 8, 14, 9, 30, "20180814"},
        DateCase{"MonthExpressionAtYearStart", "LASTMONTH", 2019, 1, 10, 12, 0, "01 December 2018"},
        DateCase{"LeapDay", "TODAY", 2020, 2, 29, 23, 59, "2020-02-29"},
        DateCase{"UnparsableDateGivesCurrentTime", "BADDATE", 2018, 8, 14, 9, 30,
                 "2018-08-14 09:30"}),
    [](const ::testing::TestParamInfo<DateCase>& p) { return p.param.name; });

TEST_F(Variables, DateFollowsTheClockOnEveryRead) {
    EXPECT_EQ(m_vars->Expand(QStringLiteral("log-$TODAY.txt")),
              QStringLiteral("log-2018-08-14txt"));
    m_clock.Set(LocalAt(2018, 9, 1, 12, 0, 0));
    EXPECT_EQ(m_vars->Expand(QStringLiteral("log-$TODAY.txt")),
              QStringLiteral("log-2018-09-01txt"));
}

// --- Standalone store -----------------------------------------------------------

TEST(ZELVVariablesStandalone, ReadsTheFileNamedByZelvvarfile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vars.cfg"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("variable = { VAULT = { value = \"/srv/vault\"; };\n"
                "  DAY = { type = \"date\"; format = \"%d.%m.%Y\"; }; };\n");
    }
    ScopedEnv env("ZELVVARFILE", QFile::encodeName(path).constData());
    ZELVFixedClock clock(LocalAt(2018, 8, 14, 9, 30, 5));
    ZELVVariables vars(clock);
    EXPECT_TRUE(vars.LoadError().isEmpty()) << qPrintable(vars.LoadError());
    EXPECT_EQ(vars.Expand(QStringLiteral("$VAULT/$DAY")), QStringLiteral("/srv/vault/14.08.2018"));
}

TEST(ZELVVariablesStandalone, WithoutZelvvarfileStartsEmptyAndWorks) {
    ScopedEnv env("ZELVVARFILE", nullptr);
    ZELVVariables vars;
    EXPECT_TRUE(vars.LoadError().isEmpty());
    EXPECT_TRUE(vars.Config().Lookup(QStringLiteral("variable")).IsGroup());
    EXPECT_EQ(vars.Expand(QStringLiteral("$X")), QStringLiteral("$X"));
    ASSERT_TRUE(vars.SetVariable(QStringLiteral("X"), "%d", 42));
    EXPECT_EQ(vars.Expand(QStringLiteral("$X")), QStringLiteral("42"));
}

TEST(ZELVVariablesStandalone, UnreadableFileIsReportedAndStoreStillWorks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bad = dir.filePath(QStringLiteral("bad.cfg"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("variable = { A = { value = \"x\"; ;\n");
    }
    for (const QString& path : {bad, dir.filePath(QStringLiteral("missing.cfg")), dir.path()}) {
        ScopedEnv env("ZELVVARFILE", QFile::encodeName(path).constData());
        ZELVVariables vars;
        EXPECT_TRUE(
            vars.LoadError().startsWith(QStringLiteral("Failed to read configuration file")))
            << qPrintable(path);
        ASSERT_TRUE(vars.SetVariable(QStringLiteral("A"), "%s", "y"));
        EXPECT_EQ(vars.Expand(QStringLiteral("$A")), QStringLiteral("y"));
    }
}

} // namespace
