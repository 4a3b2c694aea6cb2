// ZELVDesk.cfg as text: libconfig's parser, then the checks of its
// "routing", "allocation" and "menu" sections.
#include "ContainerAllocation.h"
#include "FuzzTarget.h"
#include "RulesCheck.h"
#include "ZELVConfig.h"
#include "ZELVLabelRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZELVConfig config;
    QString error;
    if (config.ReadString(FuzzText(data, size), &error)) {
        CheckRules(config);
        CAllocationRules rules(&config);
        const ZELVLabelRules labels(&config);
        labels.RefusalOf(QStringLiteral("CLN001L1"));
        labels.MismatchOf(QStringLiteral("ACME.LTO8.A00001L6"), QStringLiteral("LTO8"));
    }
    return 0;
}
