// The label rules of ZELVDesk.cfg: what is refused, what is flagged, and
// what is wrong with the rules themselves.
#include "ZELVLabelRules.h"

#include "ZELVConfig.h"

#include <gtest/gtest.h>

namespace {

const char* const kRules = R"(
barcode = { uppercase = true; };
labels = {
  refuse = ( { prefix = "CLN"; reason = "cleaning cartridge"; },
             { prefix = "DG"; reason = "diagnostic cartridge"; },
             { prefix = ""; } );
  media = ( { media = "LTO8"; length = 6; suffix = "L8"; },
            { media = "LTO6"; suffix = "L6"; },
            { media = "LTO9"; length = 12; },
            { media = "LTO7"; suffix = "M"; } );
};
)";

TEST(ZELVLabelRulesTest, RefusesFlagsAndReportsItsOwnProblems) {
    ZELVConfig config;
    ASSERT_TRUE(config.ReadString(QString::fromUtf8(kRules)));
    const ZELVLabelRules rules(&config);
    EXPECT_EQ(rules.Problems().size(), 3); // empty prefix, length 12, one-letter suffix
    struct Row {
        const char* barcode;
        const char* media;
        const char* refusal; // a part of the text, empty: none
        const char* mismatch;
    };
    const Row rows[] = {
        {"CLN001L1", "LTO8", "cleaning cartridge", "carries L1"}, // refused first
        {"cln001", "LTO8", "CLN001 refused", ""},                 // upper-cased as the parser does
        {"ACME.LTO8.DG0001", "LTO8", "diagnostic cartridge", ""},
        {"A00001L8", "LTO8", "", ""},
        {"A00001", "LTO8", "", ""},
        {"A00001L6", "LTO8", "", "carries L6, not the L8 of Media Type LTO8"},
        {"A0001", "LTO8", "", "has 5 characters; LTO8 labels have 6"},
        {"A00001L6", "LTO6", "", ""},
        {"A00001L7", "LTO6", "", "carries L7"},
        {"A00001L6", "CONT", "", ""}, // no rule for the Media Type
        {" ACME.LTO8.b00001l6 ", "LTO8", "", "B00001L6 carries L6"},
    };
    for (const Row& r : rows) {
        const QString barcode = QString::fromLatin1(r.barcode);
        const QString refusal = rules.RefusalOf(barcode);
        const QString mismatch = rules.MismatchOf(barcode, QString::fromLatin1(r.media));
        if (*r.refusal)
            EXPECT_TRUE(refusal.contains(QLatin1String(r.refusal)))
                << r.barcode << ": " << qPrintable(refusal);
        else
            EXPECT_TRUE(refusal.isEmpty()) << r.barcode << ": " << qPrintable(refusal);
        if (*r.mismatch)
            EXPECT_TRUE(mismatch.contains(QLatin1String(r.mismatch)))
                << r.barcode << ": " << qPrintable(mismatch);
        else
            EXPECT_TRUE(mismatch.isEmpty()) << r.barcode << ": " << qPrintable(mismatch);
    }
    // Without the group nothing is checked.
    ZELVConfig none;
    ASSERT_TRUE(none.ReadString(QStringLiteral("options = { };")));
    const ZELVLabelRules empty(&none);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.RefusalOf(QStringLiteral("CLN001")).isEmpty());
}

} // namespace
