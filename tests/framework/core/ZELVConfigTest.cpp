#include "ZELVConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* kSample = R"(
options = {
  disablespeech = true;
  logfile = "/var/log/kelmar";
  email = [ "ops@example.org", "vault@example.org" ];
  menu = ( { filter = "Scan-In*"; hidden = true; }, { text = "Backup"; command = "echo"; sequence = 7; } );
  variables = { SITE = "\"North\""; };
  count = 3;
};
routing = ( { volume = { target = "VLT1"; barcode = "A*"; }; } );
)";

TEST(ZELVConfig, SlashAndDotNameTheSameSetting) {
    ZELVConfig cfg;
    ASSERT_TRUE(cfg.ReadString(QString::fromUtf8(kSample)));
    EXPECT_EQ(cfg.LookupString(QStringLiteral("options/logfile")), QStringLiteral("/var/log/kelmar"));
    EXPECT_EQ(cfg.LookupString(QStringLiteral("options.logfile")), QStringLiteral("/var/log/kelmar"));
    EXPECT_EQ(cfg.Lookup(QStringLiteral("options/email")).AsStringList(),
              cfg.Lookup(QStringLiteral("options.email")).AsStringList());
    EXPECT_EQ(cfg.Lookup(QStringLiteral("options.email")).AsStringList().size(), 2);
}

TEST(ZELVConfig, WrongTypeCountsAsAbsent) {
    ZELVConfig cfg;
    ASSERT_TRUE(cfg.ReadString(QString::fromUtf8(kSample)));
    EXPECT_EQ(cfg.LookupBool(QStringLiteral("options/disablespeech")), true);
    EXPECT_FALSE(cfg.LookupString(QStringLiteral("options/disablespeech")).has_value());
    EXPECT_FALSE(cfg.LookupBool(QStringLiteral("options/logfile")).has_value());
    EXPECT_FALSE(cfg.LookupInt(QStringLiteral("options/logfile")).has_value());
    EXPECT_EQ(cfg.LookupInt(QStringLiteral("options/count")), 3);
    EXPECT_FALSE(cfg.Lookup(QStringLiteral("options/nothing")).IsValid());
    EXPECT_FALSE(cfg.Lookup(QStringLiteral("options/logfile/deeper")).IsValid());
}

TEST(ZELVConfig, ListsOfGroupsAndRelativeMembers) {
    ZELVConfig cfg;
    ASSERT_TRUE(cfg.ReadString(QString::fromUtf8(kSample)));
    const ZELVSetting menu = cfg.Lookup(QStringLiteral("options/menu"));
    ASSERT_TRUE(menu.IsList());
    ASSERT_EQ(menu.Count(), 2);
    EXPECT_EQ(menu.At(0).String(QStringLiteral("filter")), QStringLiteral("Scan-In*"));
    EXPECT_EQ(menu.At(0).Bool(QStringLiteral("hidden")), true);
    EXPECT_EQ(menu.At(1).Int(QStringLiteral("sequence")), 7);
    EXPECT_FALSE(menu.At(2).IsValid());
    EXPECT_FALSE(menu.At(-1).IsValid());
    const ZELVSetting routing = cfg.Lookup(QStringLiteral("routing"));
    EXPECT_EQ(routing.At(0).String(QStringLiteral("volume/target")), QStringLiteral("VLT1"));
    EXPECT_EQ(routing.At(0).String(QStringLiteral("volume.barcode")), QStringLiteral("A*"));
    // A scalar has no members.
    EXPECT_FALSE(cfg.Lookup(QStringLiteral("options/count")).Member(QStringLiteral("x")).IsValid());
}

struct BadFile {
    const char* name;
    QByteArray content; // written as the file; empty name means "do not create"
    bool directory;
    const char* reasonPart;
    int line;
};

class ConfigBadFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(ConfigBadFile, GivesMessageWithLineAndReasonAndDefaults) {
    const BadFile& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ZELVDesk.cfg"));
    if (c.directory) {
        ASSERT_TRUE(QDir().mkpath(path));
    } else if (!c.content.isNull()) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
    }
    ZELVConfig cfg;
    QString error;
    EXPECT_FALSE(cfg.ReadFile(path, &error));
    EXPECT_FALSE(cfg.IsLoaded());
    const QString expectedStart =
        QStringLiteral("Failed to read configuration file (%1): Line(%2) - Error(").arg(path).arg(c.line);
    EXPECT_TRUE(error.startsWith(expectedStart)) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.reasonPart))) << error.toStdString();
    EXPECT_TRUE(error.endsWith(QLatin1Char(')')));
    // Defaults apply: nothing is found.
    EXPECT_FALSE(cfg.LookupBool(QStringLiteral("options/disablespeech")).has_value());
}

QByteArray Garbage() {
    QByteArray b;
    for (int i = 0; i < 4096; ++i)
        b.append(static_cast<char>((i * 131 + 7) & 0xFF));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    ZELVConfig, ConfigBadFile,
    ::testing::Values(
        BadFile{"Missing", QByteArray(), false, "not found", 0},
        BadFile{"Directory", QByteArray(), true, "directory", 0},
        BadFile{"SyntaxErrorOnLine3", QByteArray("options = {\n  a = 1;\n  b = ;\n};\n"), false,
                "syntax error", 3},
        BadFile{"BinaryGarbage", Garbage(), false, "", 1},
        BadFile{"TooLarge", QByteArray(ZELVConfig::kMaxFileSize + 1, ' '), false, "too large", 0}),
    [](const ::testing::TestParamInfo<BadFile>& p) { return p.param.name; });

TEST(ZELVConfig, TenMegabyteFileParses) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.cfg"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("options = { logfile = \"/tmp\"; };\n");
    const QByteArray comment = "# " + QByteArray(1000, 'c') + "\n";
    for (int i = 0; i < 10 * 1024; ++i)
        f.write(comment);
    f.close();
    ZELVConfig cfg;
    QString error;
    ASSERT_TRUE(cfg.ReadFile(path, &error)) << error.toStdString();
    EXPECT_EQ(cfg.LookupString(QStringLiteral("options/logfile")), QStringLiteral("/tmp"));
}

TEST(ZELVConfig, FailedReloadDropsEarlierSettings) {
    ZELVConfig cfg;
    ASSERT_TRUE(cfg.ReadString(QString::fromUtf8(kSample)));
    EXPECT_FALSE(cfg.ReadString(QStringLiteral("options = {")));
    EXPECT_FALSE(cfg.Lookup(QStringLiteral("options")).IsValid());
}

} // namespace
