#include "ZELVClock.h"

namespace {
class SystemClock final : public ZELVClock {
public:
    time_t Now() const override { return std::time(nullptr); }
};
} // namespace

const ZELVClock& ZELVClock::System() {
    static const SystemClock clock;
    return clock;
}
