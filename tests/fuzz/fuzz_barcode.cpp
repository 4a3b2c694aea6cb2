// Barcodes as the scanning window reads them: with and without defaults,
// with the configured suffixes and upper-casing, against a small database.
#include "FuzzTarget.h"
#include "ZELV10MFC.h"
#include "ZELVConfig.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static ZELVConfig config;
    static CZELV10MFC* mfc = [] {
        config.ReadString(QStringLiteral("barcode = { suffixes = [\"L6\", \"L8\"]; uppercase = "
                                         "true; };"));
        auto* m = new CZELV10MFC;
        ZELVServerAddress address;
        address.filePath = dir.filePath(QStringLiteral("fuzz.db"));
        address.password = QStringLiteral("fuzz harness owner");
        m->SetServerAddress(address);
        m->Logon(1 | CZELV10MFC::kLogonCreateOwner);
        ZELVCUSTEx c;
        c.customerId = "ACME";
        m->Add(c);
        ZELVMEDIAEx media;
        media.customerId = "ACME";
        media.mediaId = "LTO6";
        media.containerPattern = "CN*";
        m->Add(media);
        return m;
    }();
    const QString text = FuzzText(data, size);
    ZELV10BARCODEPARSED parsed;
    mfc->ParseBarCode(&parsed, text, QStringLiteral("ACME"), QStringLiteral("LTO6"), &config);
    mfc->ParseBarCode(&parsed, text, QString(), QString(), nullptr);
    return 0;
}
