// The operator's small files: the first byte picks the reader (VolumeAuto,
// holidays, predefined list, batch scans); the rest is the file. Each goes
// through the same text check the file readers apply.
#include "FuzzTarget.h"
#include "HolidayFile.h"
#include "PredefFile.h"
#include "VolumeAuto.h"
#include "ZELV10ScanDlg.h"
#include "ZELVTextFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QString text, error;
    if (!ZELVDecodeText(bytes, QStringLiteral("fuzz"), QStringLiteral("input"), &text, &error))
        return 0;
    static const ZELVFixedClock clock(1781000000);
    switch (data[0] % 4) {
    case 0: {
        CVolumeAutoList list;
        list.Parse(text, clock);
        list.Match(QStringLiteral("ACME.LTO6.A000001"), clock);
        break;
    }
    case 1: {
        std::vector<ZELVHOLIDAY> days;
        ParseHolidayFile(text, QStringLiteral("ACME"), &days, &error);
        break;
    }
    case 2: {
        QByteArray utf8 = text.toUtf8();
        QBuffer buffer(&utf8);
        buffer.open(QIODevice::ReadOnly);
        CPredefFile list;
        list.Read(buffer);
        break;
    }
    default:
        CZELV10ScanDlg::BatchBarcodes(text);
        break;
    }
    return 0;
}
