#pragma once

#include "ZELV10RC.h"

#include <QString>
#include <cstdint>

class CZELV10MFC;

// The demo data set: several Customers (one excluded, one without Volumes,
// one without a name), three Media Types, the Repositories INIT, HOME, a data
// centre, two vaults (one auto-confirm), a library with zones and a courier,
// Containers with and without capacity, Data-Clusters, a Consignment, and
// Volumes at rest and on the move in both directions: scanned out, overdue,
// with move dates and with moves planned by the rotation. The same volume
// count gives the same data, relative to the day it is made. It is made in
// one transaction: all of it or, when anything fails, nothing.
struct ZelvDemoSummary {
    int customers = 0;
    int mediaTypes = 0;
    int repositories = 0;
    int containers = 0;
    uint64_t volumes = 0;
    int planned = 0; // moves planned by the rotation
};

CZELV10RC ZelvMakeDemo(CZELV10MFC& mfc, uint64_t volumes, ZelvDemoSummary* summary);

constexpr uint64_t kZelvDemoDefaultVolumes = 3000;
