#pragma once

#include "RuleLine.h"
#include "ZELV10Records.h"

#include <QString>
#include <functional>
#include <vector>

class CVolumeRecord;
class CZELV10MFC;
class CZELV10RepositoryCache;
class TransactionLog;
class ZELVConfig;

// The Scan-In routing rules: the "routing" table of ZELVDesk.cfg sends a
// Volume that has just been confirmed at the Scan-In Repository on to another
// Repository. The first element whose filters all accept the Volume names the
// target; every decision goes to the page's scan log so that the operator can
// see why a rule did or did not apply.
//
//   routing = ( { volume = { target = "VLT2"; datacluster = "Payroll*"; }; },
//               { volume = { target = "LIB1"; barcode = "*.LTO6.A*"; source = "DC01"; }; } );
//
// Filters are case-sensitive wildcard patterns of the whole value; an absent
// one does not restrict. A setting of the wrong type counts as absent.
// Which element of the table decides for one Volume, and the scan-log lines
// that say why. The page writes the lines and moves the Volume; zelvadmin
// check-rules prints them.
struct CRoutingDecision {
    bool hasTable = false; // a "routing" table exists (else no lines at all)
    unsigned element = 0;  // 1-based; 0 when no element applies
    int line = 0;          // the element's line in the file
    QString target;        // as configured, when an element applies
    std::vector<CAllocationLine> lines;
};

class CScanInRouting {
public:
    // Severity images of the scan log.
    enum LogImage { Information = 0, Warning = 1, Error = 2 };
    static constexpr int kRoutedIcon = 367;

    struct Services {
        const ZELVConfig* config = nullptr;
        CZELV10MFC* connection = nullptr;
        TransactionLog* log = nullptr;
        // The Customer's Data-Clusters: number n is entry n.
        const std::vector<ZELVCLUSTERFULL>* clusters = nullptr;
        CZELV10RepositoryCache* repositories = nullptr;
        // A line of the page's scan log.
        std::function<void(int image, const QString& text)> scanLog;
        // A popup notification: title, two lines, icon.
        std::function<void(const QString& title, const QString& line1, const QString& line2,
                           int icon)>
            notify;
    };

    explicit CScanInRouting(Services services) : m_s(std::move(services)) {}

    // Applies the table to the confirmed Volume. Returns 1 when an element
    // applied (whatever the move's result; target then holds its target as
    // configured), 0 without a table or when no element applied. The move
    // never undoes the confirmation; its failures are logged.
    int Route(CVolumeRecord& record, QString* target);

    // The table's decision for the Volume as it stands, without moving it.
    CRoutingDecision Decide(const ZELVVOLSEx& volume) const;

private:
    void ScanLog(int image, const QString& text) const;
    void MoveTo(CVolumeRecord& record, const QString& target);

    Services m_s;
};
