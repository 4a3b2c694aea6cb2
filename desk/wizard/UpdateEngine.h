#pragma once

#include "VolumeMove.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVClock.h"
#include "ZELVDate.h"

#include <QString>
#include <functional>
#include <vector>

class CZELV10MFC;
class TransactionLog;

// The shared steps that write Volume changes and record them: the redirect of
// one Volume (Recall, Scan-In routing, Move Lists), the relative date words of
// the Volume lists and the verification report of the Send task.

// "Permanent" without a date; "Yesterday", "Today", "Tomorrow" by calendar
// days from today; else "%A, %B %d, %Y".
QString RelativeDateText(const CZELVDate& date, bool hasDate,
                         const ZELVClock& clock = ZELVClock::System());

// The verification report.
inline constexpr const char* kVerificationStart = "***Starting Verification***";
inline constexpr const char* kVerificationHeader =
    "COUNT-CUST-MED--VOLUME-----MOVEDATE---REP--CONTAINER-----------CLUSTER/DESCRIPTION";
inline constexpr const char* kVerificationEnd = "***End Verification***";
// Blanks after the "+" of a description line: the description then starts in
// the Data-Cluster column of the line above.
constexpr int kVerificationIndent = 63;

// One report line of a Volume as read back from the server, without the
// count: identity (20, not cut), move date or "Permanent" (10), the target
// Repository (exactly 4), the Container (20: empty, "Is-Container", the
// Container's Volume text or "**Error**") and the Data-Cluster name.
QString VerificationLine(const ZELVVOLSEx& volume, CZELV10MFC& connection,
                         const std::vector<ZELVCLUSTERFULL>& clusters);

// One Volume of the report: its key (the record is read again) and the
// description to print under its line.
struct CVerificationItem {
    ZELVVOLSEx volume;
    QString description;
};

// Writes the whole report to the log: start, header, per item (numbered from
// 1) its line and description, or the failed read, then the end entry. Each
// item is read again into its record first. progress, when given, is told
// each position after it is written.
// The same over any list: read(index) reads the item again and says what to print.
struct CVerificationRead {
    CZELV10RC rc;
    const ZELVVOLSEx* volume = nullptr; // its key names a failed read
    QString description;
    const std::vector<ZELVCLUSTERFULL>* clusters = nullptr; // its Customer's
};
void WriteVerificationReport(TransactionLog& log, CZELV10MFC& connection, int count,
                             const std::function<CVerificationRead(int index)>& read,
                             const std::function<void(int position)>& progress = {});
void WriteVerificationReport(TransactionLog& log, CZELV10MFC& connection,
                             const std::vector<ZELVCLUSTERFULL>& clusters,
                             std::vector<CVerificationItem>& items,
                             const std::function<void(int position)>& progress = {});
