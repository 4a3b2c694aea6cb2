#pragma once

#include "ZELV10Records.h"
#include "ZELVClock.h"
#include "ZELVPropertyGridCtrl.h"

// A read-only grid of a record's update statistics: when it was changed and
// by whom, from which machine, and that machine's connections. Only the parts
// the record carries are shown; what the server could not resolve says so.
class CZELV10UpdateStatsGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    static constexpr const char* kUnresolved = "Unresolved";

    explicit CZELV10UpdateStatsGridCtrl(QWidget* parent = nullptr);

    // Replaces what the grid shows; the clock tells how many days ago.
    void ShowDetails(const ZELV10IPDETAILS& details, const ZELVClock& clock = ZELVClock::System());
};
