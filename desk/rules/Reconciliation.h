#pragma once

#include "ZELV10AuditRecords.h"
#include "ZELV10Records.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QIODevice;

// One listed Volume of a reconciliation audit.
struct CReconciliationScanItem {
    // Status bits; the status text is the labels of the set bits in kStatusOrder.
    static constexpr uint32_t Unscanned = 0x001;
    static constexpr uint32_t Scanned = 0x002;
    static constexpr uint32_t Errant = 0x004;
    static constexpr uint32_t MovingIn = 0x010;
    static constexpr uint32_t Duplicate = 0x020;
    static constexpr uint32_t FailedPrevious = 0x040;
    static constexpr uint32_t PassedPrevious = 0x080;
    static constexpr uint32_t New = 0x100;

    QString volumeId;
    uint32_t status = Unscanned;
    uint32_t scanCount = 0;
    int image = 0;        // 1 for a Container
    uint64_t version = 0; // the Volume's version as this audit last saw it
    QString difference;   // the three-way comparison's word, when a manifest is loaded

    QString StatusText() const;
    static QString StatusText(uint32_t status);
};

// The statistics of the page, in the order the grid shows them.
struct CReconciliationStats {
    int total = 0;
    int scanned = 0;
    int unscanned = 0;
    int undefined = 0;
    int movingIn = 0;
    int duplicates = 0;
    int badScope = 0;
    int notInList = 0;
};

// The audit of one Repository without widgets and without the server: which
// Volumes are listed, what each scan means and what it does to the list and
// the statistics. The page writes to the server what Scan answers.
class CReconciliationAudit {
public:
    enum class ScanKind {
        WrongCustomer, // answer 2
        WrongMedia,    // answer 3
        First,         // a listed Volume, first scan: passed, duplicate bit cleared
        Second,        // second scan: passed, duplicate bit set
        Later,         // third or later: nothing written
        Errant,        // the Customer's Volume from elsewhere: failed, moved here
        New,           // unknown: added failed, moved here
    };

    // Lists the Volumes at the Repository and those moving into it, and takes
    // their previous audit results. A result counts only when it was written
    // for this Repository: a Volume that passed an audit elsewhere has not
    // been seen here.
    void Build(const std::vector<ZELVVOLSFULL>& volumes, const QString& customer,
               const QString& media, const QString& repository,
               const std::vector<ZELVAUDIT>& previous);
    // Volumes carrying a previous result.
    int PreviousCount() const { return m_previous; }
    // The resume answer: Yes keeps the passes (failures are cleared), No
    // clears both and every Volume is unscanned again. Returns the items
    // whose flags are to be written, with the flags each gets.
    struct Reset {
        size_t index;
        uint32_t flags; // audit bits to write
        uint32_t outcome;
    };
    std::vector<Reset> Resume(bool keepPasses);
    // The item lost its pass because writing it failed: unscanned again.
    void Unpass(size_t index);

    // Classifies a scan and updates the list and the statistics. *index is the
    // item (new or listed) the scan is about, when there is one.
    ScanKind Scan(const QString& customer, const QString& media, const QString& volume,
                  size_t* index);

    // Items still unscanned and the ones to flag as failed (neither Errant nor New).
    int UnscannedCount() const;
    std::vector<size_t> UnseenItems() const;

    const std::vector<CReconciliationScanItem>& Items() const { return m_items; }
    std::vector<CReconciliationScanItem>& Items() { return m_items; }
    const CReconciliationStats& Stats() const { return m_stats; }
    CReconciliationStats& Stats() { return m_stats; }
    const QString& Customer() const { return m_customer; }
    const QString& Media() const { return m_media; }
    const QString& Repository() const { return m_repository; }
    // Volumes the Customer has under the Media Type (listed or not).
    bool IsKnown(const QString& volume) const { return m_known.contains(volume); }
    int IndexOf(const QString& volume) const { return m_index.value(volume, -1); }

private:
    QString m_customer, m_media, m_repository;
    std::vector<CReconciliationScanItem> m_items;
    QHash<QString, int> m_index;
    QHash<QString, uint64_t> m_known; // Volume-ID -> version
    CReconciliationStats m_stats;
    int m_previous = 0;
};

// A vault's list of what it holds: a header row naming the columns (the
// first is "Volume"), then one Volume text ("Customer.Media.Volume") a line
// with the optional columns. RFC 4180 quoting, any line ending.
struct CVaultManifest {
    QStringList columns;             // the header, "Volume" first
    QStringList volumes;             // in file order
    std::vector<QStringList> values; // the other columns of each Volume
    QHash<QString, int> index;       // Volume text -> row

    static constexpr qint64 kMaxBytes = 64ll * 1024 * 1024;
    static constexpr int kMaxVolumes = 500000;

    // False with a message naming the line when the file cannot be used; the
    // manifest is then left empty, so nothing is classified from half a file.
    bool Read(QIODevice& device, QString* error);
    bool Parse(const QByteArray& bytes, QString* error);
    // A list of scans: Volume texts a line, no header, repeats allowed.
    static bool ParseScans(const QByteArray& bytes, QStringList* volumes, QString* error);
};

// Expected by the server, scanned, listed by the vault: one row per Volume
// text that any of the three names, by Volume text.
struct CThreeWayRow {
    enum : uint32_t { Expected = 1, Scanned = 2, Listed = 4 };
    QString volume;
    uint32_t sources = 0;
    QString Difference() const { return DifferenceText(sources); }
    static QString DifferenceText(uint32_t sources);
};

struct CThreeWayCounts {
    int agreed = 0;
    int differences = 0;
};

std::vector<CThreeWayRow> CompareThreeWay(const QStringList& expected, const QStringList& scanned,
                                          const QStringList& listed,
                                          CThreeWayCounts* counts = nullptr);

// Texts of certificates as the lists and dialogs show them.
namespace ZelvCertificateText {
enum Column { ColTime = 0, ColStatus, ColItems, ColSurplus, ColDeficit, ColDescription };
// "," between groups of three digits.
QString Number(qint64 n);
// "Certified" or "Refused".
QString Status(const ZELV10CERTIFICATIONKey& key);
// "OK", "Surplus" or "Deficit".
QString ItemStatus(uint32_t status);
// The two signature words, "%#lx-%#lx".
QString Signature(const ZELV10CERTIFICATIONKey& key);
// A cell of the certificate list.
QString Cell(const ZELV10CERTIFICATIONKey& key, int column);
// The list's image of a cell: 0 for the time, 1 certified, 2 refused, else -1.
int Image(const ZELV10CERTIFICATIONKey& key, int column);
} // namespace ZelvCertificateText
