#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVLabelRules.h"

#include <QColor>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

class CZELV10MFC;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ZELVConfig;

// Message numbers of the scan notifications; pages that share one handler tell
// the scanning windows apart by them.
constexpr uint32_t kZelvScanMessage = 1034;       // Scan-In, Container selection, lists
constexpr uint32_t kZelvScanModifyMessage = 1324; // Scan and Modify
constexpr uint32_t kZelvScanOutMessage = 1344;    // Scan-Out Volumes, Reconciliation

// Called once per scan while the window is open: the parse result (a code that
// is not OK when the barcode could not be read as a Volume) and the scanned
// key. Returns the outcome code the window shows: 0 accepted, 61 not in the
// list, 114 wrong Container, 29 Container moving elsewhere, or a server code.
using ZELVScanNotify =
    std::function<uint32_t(const CZELV10RC& result, const ZELV10BARCODEPARSED& item)>;

// What a page gives the scanning window. The notify callback stands where the
// window and message pair stood; the message number stays for the page's use.
struct ZELVSCANVOLUMEARGS {
    static constexpr uint32_t kSize = 36;

    uint32_t size = kSize;
    ZELVScanNotify notify;
    uint32_t message = kZelvScanMessage;
    uint32_t reserved[2] = {0, 0};
    // Defaults for barcodes that carry only the Volume; empty for none.
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    // "barcode/suffixes" and "barcode/uppercase" are read from it when given.
    const ZELVConfig* config = nullptr;
    // The sheet's list (loaded Volume identifiers); kept for the page, may be null.
    const QStringList* strings = nullptr;
};

// The scanning window: a barcode field that takes keyboard-wedge scanners (the
// barcode followed by Enter) and typed input, and a list of every scan with its
// outcome, newest on top, coloured so that the operator sees at a glance what
// happened. Enter never closes it; Close or Escape does.
class CZELV10ScanDlg : public QDialog {
    Q_OBJECT
public:
    // One scan as the window recorded it.
    struct Scan {
        QString barcode;
        CZELV10RC parsed;
        ZELV10BARCODEPARSED item;
        uint32_t outcome = 0;
        // A label that does not fit its Media Type (the label rules); the
        // scan still goes to the page.
        QString warning;
    };

    CZELV10ScanDlg(CZELV10MFC& connection, const ZELVSCANVOLUMEARGS& args, const QString& caption,
                   QWidget* parent = nullptr);
    ~CZELV10ScanDlg() override;

    // Handles a barcode as if it had been scanned. Blank input is ignored. A
    // barcode arriving while the page still handles the previous one waits its
    // turn, so a fast scanner loses nothing.
    void SubmitBarcode(const QString& barcode);

    // What a batch file gave: how many scans, how many accepted, and the
    // others counted by outcome text.
    struct BatchSummary {
        int scans = 0;
        int accepted = 0;
        std::vector<std::pair<QString, int>> refused; // in order of first appearance
        QString Text(const QString& file) const;
    };
    // Rows the window's list keeps, newest first; Scans() keeps them all.
    static constexpr int kMaxShownRows = 1000;
    // Largest batch file read.
    static constexpr qint64 kMaxBatchBytes = 64 << 20;
    // The barcodes of a handheld scanner's batch file: one a line, blank
    // lines skipped, CR LF and a byte-order mark taken; a line with a date or
    // time column beside the barcode (comma, semicolon or tab between) gives
    // the barcode. False with a message, and no barcodes, for a file that is
    // not text (NUL bytes, not UTF-8), too large or unreadable.
    static bool ReadBatchFile(const QString& path, QStringList* barcodes, QString* error);
    // The barcodes of a batch file's text.
    static QStringList BatchBarcodes(const QString& text);
    // Feeds a batch file through the page's scan handler in order, as if
    // each line had been scanned, and shows the summary in the window.
    // False (nothing scanned) when the file was refused; *message says why,
    // or gives the summary.
    bool LoadScansFromFile(const QString& path, QString* message = nullptr);

    // Oldest first.
    const std::vector<Scan>& Scans() const { return m_scans; }
    int AcceptedCount() const { return m_accepted; }

    // "Accepted", "Not in the list", "Wrong Container", "Container moving
    // elsewhere", else the text of the code.
    static QString OutcomeText(uint32_t outcome);
    // A scan's result as its row shows it: the outcome, and the label warning.
    static QString ResultText(const Scan& scan);
    static QColor ResultColour(const Scan& scan);
    static QColor OutcomeColour(uint32_t outcome);
    // The barcode as the list shows it: control characters as \xNN, long
    // barcodes cut with an ellipsis.
    static QString Printable(const QString& barcode, int maxChars = 48);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnReturnPressed();
    void OnLoadClicked();
    void Process(const QString& barcode);
    void Show(const Scan& scan);
    void ShowLabels(const Scan& scan);
    void TrimList();

    CZELV10MFC& m_connection;
    ZELVSCANVOLUMEARGS m_args;
    ZELVLabelRules m_labels;
    QLineEdit* m_edit = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_last = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_load = nullptr;
    QLabel* m_batch = nullptr;
    bool m_batching = false;
    QList<QTreeWidgetItem*> m_batchRows; // newest first
    std::vector<Scan> m_scans;
    std::deque<QString> m_pending;
    bool m_busy = false;
    int m_accepted = 0;
};

// Opens the scanning window modally over the parent and returns when the
// operator closes it; each scan reaches args.notify meanwhile. Returns the
// number of scans handled.
// The Customer and Media Type a barcode of the Volume alone is read with when
// the caller has none: those of the last barcode a scanning window read in
// full this session, else the only Customer's only Media Type. False (both
// empty) when neither gives one.
bool ScanDialogGetDefaults(CZELV10MFC& connection, QString* customer, QString* media);

int ScanDialog(CZELV10MFC& connection, const ZELVSCANVOLUMEARGS& args, const QString& caption,
               QWidget* parent = nullptr);
