#pragma once

#include "RuleLine.h"
#include "SendList.h"
#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVFilter.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CContainerCache;
class CZELV10MFC;
class CZELV10RepositoryCache;
class ZELVConfig;
class ZELVSetting;

// Scan-Out's rules without widgets: the send list, the candidate Containers
// and the "allocation" table of ZELVDesk.cfg that puts each Volume of the
// send list into a Container. Container Selection shows the decisions in its
// Allocation Log; zelvadmin check-rules prints the same decisions.

// The Customer's moving Volumes at the Scan-Out Repository that are neither
// scanned out nor Containers, Media Type by Media Type, each with its target's
// display text and type and its Data-Cluster name. The list is emptied first;
// results of the server's list calls are not examined.
void BuildSendList(CZELV10MFC& connection, const QString& customer, const QString& repository,
                   CZELV10RepositoryCache& repositories,
                   const std::vector<ZELVCLUSTERFULL>& clusters,
                   std::vector<VOLUMEPAGE_ITEM>* sendList);

// The Containers of the Customer that stand at the Scan-Out Repository and
// are not full, with their target (when moving and on their way), their
// Data-Cluster, earliest move time first. The cache is read again first.
void BuildCandidateContainers(CZELV10MFC& connection, CContainerCache& containers,
                              const QString& customer, const QString& repository,
                              CZELV10RepositoryCache& repositories,
                              const std::vector<ZELVCLUSTERFULL>& clusters,
                              std::vector<CandidateContainer>* candidates);

// One pattern member of the table: absent, or its filter compiled once.
struct CAllocationPattern {
    bool present = false;
    CZELVFilter filter;
    bool Accepts(const QString& value) const;
    const QString& Text() const { return filter.Pattern(); }
};

// One element of the "allocation" table as read once from the file. A member
// of the wrong type counts as absent and is noted in `notes`.
struct CAllocationElement {
    bool fetched = false;   // the element exists (it may still be no group)
    int line = 0;           // its line in the configuration file
    bool hasVolume = false; // "volume" group
    CAllocationPattern barcode, dataCluster, target; // of "volume"
    bool allocate = true;                            // "volume.allocation"
    bool hasContainer = false;
    CAllocationPattern containerBarcode, containerDataCluster;
    bool hasAssignment = false;
    std::optional<QString> assignDataCluster; // "assignment.datacluster" (text)
    CAllocationPattern assignBarcode;
    QStringList notes; // members ignored for their type
};

// The "allocation" table. Read once: the page reads it when first created.
class CAllocationRules {
public:
    static constexpr const char* kSection = "allocation";

    CAllocationRules() = default;
    explicit CAllocationRules(const ZELVConfig* config);

    bool HasSection() const { return m_hasSection; }
    const std::vector<CAllocationElement>& Elements() const { return m_elements; }

private:
    bool m_hasSection = false;
    std::vector<CAllocationElement> m_elements;
};

// What the table made of one send-list row: which element decided and what it
// did. The page's log lines and the check-rules report both come from it.
struct CAllocationDecision {
    enum Outcome {
        kNoSection, // no "allocation" table: nothing decided
        kNoRule,    // no element applies: "Allocation Error"
        kRefused,   // the element says allocation = false
        kExisting,  // into a Container that was fine as it stands
        kAssigned,  // into an empty Container given the element's Data-Cluster
        kFailed,    // an element applies but no Container takes the Volume
    };
    size_t row = 0; // in the send list as it was given
    CVolumeKey key;
    QString target;
    QString dataCluster;
    Outcome outcome = kNoRule;
    unsigned element = 0; // 1-based; 0 when none applied
    int line = 0;         // the element's line in the file
    uint32_t container = 0;
    QString containerText;              // the Container's Volume text
    QString assignedCluster;            // kAssigned: the Data-Cluster given to it
    std::vector<CAllocationLine> lines; // this row's part of the log

    // One line for a report: "element 2 (line 14): into ACME.LTO5.CN0001".
    QString Summary() const;
};

// Allocation of the send list to the candidate Containers (Container
// Selection's activation).
class CContainerAllocation {
public:
    enum LogImage { Information = 0, Warning = 1, Error = 2 };
    static constexpr int kErrorIcon = 368;

    struct Services {
        const ZELVConfig* config = nullptr;
        CZELV10MFC* connection = nullptr;
        CZELV10RepositoryCache* repositories = nullptr;
        // The Customer's Data-Clusters: number n is entry n.
        const std::vector<ZELVCLUSTERFULL>* clusters = nullptr;
        // A line of the Allocation Log.
        std::function<void(int image, const QString& text)> log;
        // A popup notification: title, two lines, icon.
        std::function<void(const QString& title, const QString& line1, const QString& line2,
                           int icon)>
            notify;
        // Decide only: a Data-Cluster given to an empty Container is not
        // written to the server (zelvadmin check-rules).
        bool dryRun = false;
        // Keep each decision's log lines in the decision as well (the page
        // has them in its log already and can leave this off).
        bool keepLines = true;
    };

    // Reads the table from the configuration, once.
    explicit CContainerAllocation(Services services);

    const CAllocationRules& Rules() const { return m_rules; }

    // Allocates every row that is not a Container and has no Container yet,
    // in send-list order: sets the rows' container numbers and allocated
    // flags and the candidates' reserved counts, targets and Data-Clusters;
    // logs every step; raises "Allocation Error" for a row that should have
    // had a Container and got none. Returns one decision per row considered.
    std::vector<CAllocationDecision> Allocate(std::vector<VOLUMEPAGE_ITEM>& sendList,
                                              std::vector<CandidateContainer>& candidates);

    // Marks (kCandidateMustSelect) the candidates that have reservations or
    // carry a row of the send list: the rows the page selects and keeps
    // selected.
    static void Preselect(const std::vector<VOLUMEPAGE_ITEM>& sendList,
                          std::vector<CandidateContainer>& candidates);

    // Container Selection's Next: each allocated row's Container number is
    // written to its Volume (read, set, update), and the row takes the
    // version written. Returns the number written.
    static int WriteAllocations(CZELV10MFC& connection, std::vector<VOLUMEPAGE_ITEM>& sendList);

private:
    Services m_s;
    CAllocationRules m_rules;
};
