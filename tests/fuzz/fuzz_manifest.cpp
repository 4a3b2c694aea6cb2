// The vault manifest and scan lists of the reconciliation over arbitrary bytes.
#include "FuzzTarget.h"
#include "Reconciliation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    CVaultManifest manifest;
    manifest.Parse(bytes, &error);
    QStringList scans;
    CVaultManifest::ParseScans(bytes, &scans, &error);
    return 0;
}
