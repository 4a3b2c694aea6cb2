#pragma once

#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class CZELV10MFC;
class CZELV10RepositoryCache;
class QTreeWidgetItem;
class ZELVConfig;

// One row of the Scan-Out send list: a Volume due to leave the Scan-Out
// Repository. The sheet owns the list from the choice of the Repository to
// the end of the task; the pages only take rows out of it.
struct VOLUMEPAGE_ITEM {
    CVolumeKey key;
    QString target;          // the Repository it is moving to (4 characters)
    QString targetText;      // its display text
    int targetType = 0;      // its type, 0 when it is not in the Repository cache
    int container = 0;       // the Volume is itself a Container
    uint32_t containerNumber = 0; // the Container it travels in, 0 for none
    QString dataCluster;     // its Data-Cluster's name, empty for none
    unsigned flags = 0;      // kSendItemAllocated
    uint64_t version = 0;    // the Volume's version as read (or last written here)
};
// Allocated to an existing Container by Container Selection: its Container
// number is written to the server on that page's Next.
constexpr unsigned kSendItemAllocated = 0x1;

// A Container offered at the Scan-Out Repository, and what Scan-Out did with it.
struct CandidateContainer {
    uint32_t number = 0;       // as used in a Volume's Container number
    CVolumeKey key;            // the Container Volume
    unsigned capacity = 0;     // 0: undefined, no limit
    unsigned used = 0;         // Volumes it holds now
    unsigned reserved = 0;     // send-list Volumes allocated to it
    QString repository;        // where it is moving, empty when not moving
    QString repositoryText;    // display text of that Repository
    int repositoryType = 0;    // its type (image index)
    int count = 0;             // Volumes scanned into it on Scan-Out Volumes
    QTreeWidgetItem* treeNode = nullptr; // its node on Scan-Out Volumes
    unsigned flags = 0;        // kCandidateSimpleRepository, kCandidateMustSelect
    uint32_t dataClusterNumber = 0;
    QString dataCluster;       // that Data-Cluster's name
    uint32_t moveTime = 0;     // the Container Volume's move time: the sort key
};
// Its Repository is under Simple Management (no "Next move" on Container Update).
constexpr unsigned kCandidateSimpleRepository = 0x1;
// The row must be, and stays, selected on Container Selection.
constexpr unsigned kCandidateMustSelect = 0x2;
