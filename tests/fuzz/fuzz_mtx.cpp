// The media changer's answer to `mtx status`: whatever a changer or a
// stand-in prints must parse or be refused, never crash.
#include "FuzzTarget.h"
#include "ZELVMtxStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZELVChangerStatus status;
    QString why;
    if (ZELVParseMtxStatus(FuzzText(data, size), &status, &why)) {
        status.CountFullStorage();
        for (const ZELVChangerElement& e : status.elements)
            ZELVVolumeTagMatches(e.volumeTag, QStringLiteral("A00001"));
    }
    return 0;
}
