// The mtx status parser over outputs in the forms mtx prints them.
#include "ZELVMtxStatus.h"

#include <gtest/gtest.h>

namespace {

struct MtxCase {
    const char* name;
    const char* text;
    bool parses;
    int drives, slotCount, importExport;
    // Elements as "D0:Full:TAG<3" (drive 0, full, tag, loaded from 3) or
    // "S24x:Full:TAG" (storage 24, import/export), joined with blanks.
    const char* elements;
    int unparsed;
};

QString Describe(const ZELVChangerStatus& s) {
    QStringList parts;
    for (const ZELVChangerElement& e : s.elements) {
        QString p = QStringLiteral("%1%2%3:%4:%5")
                        .arg(e.kind == ZELVChangerElement::DataTransfer ? QStringLiteral("D")
                                                                        : QStringLiteral("S"))
                        .arg(e.number)
                        .arg(e.importExport ? QStringLiteral("x") : QString())
                        .arg(e.full ? QStringLiteral("Full") : QStringLiteral("Empty"))
                        .arg(e.volumeTag);
        if (e.loadedFrom >= 0)
            p += QStringLiteral("<%1").arg(e.loadedFrom);
        if (!e.alternateVolumeTag.isEmpty())
            p += QStringLiteral("|") + e.alternateVolumeTag;
        parts << p;
    }
    return parts.join(QLatin1Char(' '));
}

const MtxCase kCases[] = {
    {"two drives, barcodes, one import/export slot",
     "  Storage Changer /dev/sg3:2 Drives, 6 Slots ( 1 Import/Export )\n"
     "Data Transfer Element 0:Full (Storage Element 3 Loaded):VolumeTag = A00003L6\n"
     "Data Transfer Element 1:Empty\n"
     "      Storage Element 1:Full :VolumeTag=A00001L6                        \n"
     "      Storage Element 2:Empty\n"
     "      Storage Element 3:Empty\n"
     "      Storage Element 4:Full :VolumeTag=A00004L6\n"
     "      Storage Element 5:Empty\n"
     "      Storage Element 6 IMPORT/EXPORT:Full :VolumeTag=CLN001L1\n",
     true, 2, 6, 1,
     "D0:Full:A00003L6<3 D1:Empty: S1:Full:A00001L6 S2:Empty: S3:Empty: S4:Full:A00004L6 "
     "S5:Empty: S6x:Full:CLN001L1",
     0},
    {"no barcode reader, CRLF line ends",
     "  Storage Changer /dev/changer:1 Drives, 3 Slots ( 0 Import/Export )\r\n"
     "Data Transfer Element 0:Full (Storage Element 2 Loaded)\r\n"
     "      Storage Element 1:Full \r\n"
     "      Storage Element 2:Empty\r\n"
     "      Storage Element 3:Full \r\n",
     true, 1, 3, 0, "D0:Full:<2 S1:Full: S2:Empty: S3:Full:", 0},
    {"alternate tags and a drive loaded from an unknown slot",
     "  Storage Changer /dev/sg5:1 Drive, 2 Slots ( 0 Import/Export )\n"
     "Data Transfer Element 0:Full (Unknown Storage Element Loaded):VolumeTag = B7\n"
     "      Storage Element 1:Full :VolumeTag=XY0001L8 :AlternateVolumeTag=ALT1\n"
     "      Storage Element 2:Empty:VolumeTag=\n",
     true, 1, 2, 0, "D0:Full:B7 S1:Full:XY0001L8|ALT1 S2:Empty:", 0},
    {"header without the import/export part; noise lines kept",
     "mtx: warning: something odd\n"
     "  Storage Changer /dev/sg1:1 Drives, 1 Slots\n"
     "      Storage Element 1:Full :VolumeTag=Q1\n"
     "garbage line\n",
     true, 1, 1, 0, "S1:Full:Q1", 2},
    {"element lines without a header", "      Storage Element 7:Empty\n", true, -1, -1, 0,
     "S7:Empty:", 0},
    {"an error text is no status", "mtx: Request Sense: Long Report=yes\nmtx: error\n", false, 0, 0,
     0, "", 0},
    {"empty output", "", false, 0, 0, 0, "", 0},
    {"numbers too large for an int are not elements",
     "      Storage Element 99999999999999999999:Empty\n"
     "  Storage Changer /dev/sg1:99999999999999999999 Drives, 1 Slots\n",
     false, 0, 0, 0, "", 0},
};

void PrintTo(const MtxCase& c, std::ostream* os) {
    *os << c.name;
}

class MtxStatusTest : public ::testing::TestWithParam<MtxCase> {};

TEST_P(MtxStatusTest, Parses) {
    const MtxCase& c = GetParam();
    ZELVChangerStatus status;
    QString why;
    ASSERT_EQ(ZELVParseMtxStatus(QString::fromUtf8(c.text), &status, &why), c.parses) << c.name;
    if (!c.parses) {
        EXPECT_FALSE(why.isEmpty());
        return;
    }
    EXPECT_EQ(status.drives, c.drives);
    EXPECT_EQ(status.slotCount, c.slotCount);
    EXPECT_EQ(status.importExportSlots, c.importExport);
    EXPECT_EQ(Describe(status).toStdString(), std::string(c.elements));
    EXPECT_EQ(status.unparsed.size(), c.unparsed);
}

INSTANTIATE_TEST_SUITE_P(Outputs, MtxStatusTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MtxCase>& param) {
                             return "case" + std::to_string(param.index);
                         });

TEST(MtxStatus, VolumeTagMatches) {
    const struct {
        const char *tag, *volume;
        bool matches;
    } rows[] = {
        {"A00001L6", "A00001", true},  {"a00001l6", "A00001", true},
        {"A00001", "A00001", true},    {" A00001L6 ", "A00001", true},
        {"A00001L", "A00001", false},  {"A000011L6", "A00001", false},
        {"B00001L6", "A00001", false}, {"", "A00001", false},
        {"A00001L6", "", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ZELVVolumeTagMatches(QString::fromLatin1(r.tag), QString::fromLatin1(r.volume)),
                  r.matches)
            << r.tag << " " << r.volume;
}

} // namespace
