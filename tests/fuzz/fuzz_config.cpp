// ZELVDesk.cfg as text: libconfig's parser, then the checks of its
// "routing", "allocation" and "menu" sections.
#include "ContainerAllocation.h"
#include "FuzzTarget.h"
#include "RulesCheck.h"
#include "ZELVConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZELVConfig config;
    QString error;
    if (config.ReadString(FuzzText(data, size), &error)) {
        CheckRules(config);
        CAllocationRules rules(&config);
    }
    return 0;
}
