#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <cstdint>
#include <vector>

class CZELV10MFC;

// Container argument of RedirectVolume that leaves the Volume's Container alone.
constexpr int64_t kKeepContainer = -1;

// Reads the Volume by the record's key, points it at the target Repository
// (4 characters) and slot under the Consignment and, unless container is
// kKeepContainer or the Volume is a Container itself, into that Container,
// then updates it. A new target drops the move date. On success the record
// is read back, so that it carries the server's state and version. The
// failing read's result, else the update's. listedVersion, when not 0, is
// the version the caller showed the operator: a Volume changed since is
// refused (ZELV10RC_CHANGED) rather than moved on a stale choice.
CZELV10RC RedirectVolume(CZELV10MFC& connection, ZELVVOLSEx* volume, const QString& target,
                         uint32_t slot, uint32_t consignment, int64_t container,
                         uint64_t listedVersion = 0);

// The name of Data-Cluster number n of a Customer's list (n-th entry); empty
// for 0 or a number beyond the list.
QString DataClusterName(const std::vector<ZELVCLUSTERFULL>& clusters, uint32_t number);
