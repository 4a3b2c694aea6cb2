// The upgrade release feed: XML, item dates and descriptions made plain.
#include "FuzzTarget.h"
#include "ZELVRSS.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CRSS rss;
    QString error;
    if (rss.Load(bytes, &error)) {
        rss.Newest();
        for (const CRSSItem& item : rss.Items())
            CRSS::PlainText(item.description);
    }
    CRSS::ParsePubDate(FuzzText(data, size));
    return 0;
}
