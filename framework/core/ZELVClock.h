#pragma once

#include <ctime>

// Source of "now" for everything that depends on the current time. Production
// code uses System(); tests pass a ZELVFixedClock so that date expressions are
// checked at fixed instants (first hour after midnight, month ends, leap days).
class ZELVClock {
public:
    virtual ~ZELVClock() = default;
    virtual time_t Now() const = 0;

    static const ZELVClock& System();
};

class ZELVFixedClock final : public ZELVClock {
public:
    explicit ZELVFixedClock(time_t t = 0) : m_t(t) {}
    time_t Now() const override { return m_t; }
    void Set(time_t t) { m_t = t; }
    void Advance(time_t seconds) { m_t += seconds; }

private:
    time_t m_t;
};
