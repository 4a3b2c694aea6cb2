#include "ZELV10ScanDlg.h"

#include "ZELV10MFC.h"
#include "ZELVTextFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum Column { kBarcodeColumn = 0, kVolumeColumn = 1, kResultColumn = 2 };

QString KeyText(const ZELV10BARCODEPARSED& item) {
    return QStringLiteral("%1.%2.%3")
        .arg(item.customerId.Text(), item.mediaId.Text(), item.volumeId.Text());
}

} // namespace

CZELV10ScanDlg::CZELV10ScanDlg(CZELV10MFC& connection, const ZELVSCANVOLUMEARGS& args,
                               const QString& caption, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_args(args), m_labels(args.config) {
    setObjectName(QStringLiteral("scanDialog"));
    setWindowTitle(caption);
    setModal(true);
    resize(560, 420);

    auto* prompt = new QLabel(QStringLiteral("Scan a barcode, or type it and press Enter."), this);
    prompt->setObjectName(QStringLiteral("scanPrompt"));

    QString defaults;
    if (!m_args.customerId.IsEmpty())
        defaults = QStringLiteral("Customer: %1").arg(m_args.customerId.Text());
    if (!m_args.mediaId.IsEmpty())
        defaults += (defaults.isEmpty() ? QString() : QStringLiteral("   ")) +
                    QStringLiteral("Media Type: %1").arg(m_args.mediaId.Text());
    auto* defaultsLabel = new QLabel(defaults, this);
    defaultsLabel->setObjectName(QStringLiteral("scanDefaults"));
    defaultsLabel->setVisible(!defaults.isEmpty());

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("scanBarcodeEdit"));
    m_edit->setPlaceholderText(QStringLiteral("Barcode"));
    QFont editFont = m_edit->font();
    editFont.setPointSizeF(editFont.pointSizeF() * 1.4);
    m_edit->setFont(editFont);
    connect(m_edit, &QLineEdit::returnPressed, this, &CZELV10ScanDlg::OnReturnPressed);

    m_last = new QLabel(this);
    m_last->setObjectName(QStringLiteral("scanLastResult"));
    m_last->setTextFormat(Qt::PlainText);
    m_last->setAutoFillBackground(true);
    m_last->setMargin(6);
    QFont lastFont = m_last->font();
    lastFont.setBold(true);
    lastFont.setPointSizeF(lastFont.pointSizeF() * 1.3);
    m_last->setFont(lastFont);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("scanResultList"));
    m_list->setHeaderLabels(
        {QStringLiteral("Barcode"), QStringLiteral("Volume"), QStringLiteral("Result")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus); // the barcode field keeps the scanner's keystrokes
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(kBarcodeColumn, 150);
    m_list->setColumnWidth(kVolumeColumn, 160);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("scanCountLabel"));

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("scanCloseButton"));
    // Enter belongs to the scanner: no button may take it as a default press.
    m_close->setAutoDefault(false);
    m_close->setDefault(false);
    m_close->setFocusPolicy(Qt::NoFocus);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    // A handheld scanner's memory, uploaded as a file of barcodes.
    m_load = new QPushButton(QStringLiteral("Load scans from file\u2026"), this);
    m_load->setObjectName(QStringLiteral("scanLoadButton"));
    m_load->setAutoDefault(false);
    m_load->setDefault(false);
    m_load->setFocusPolicy(Qt::NoFocus);
    connect(m_load, &QPushButton::clicked, this, &CZELV10ScanDlg::OnLoadClicked);
    m_batch = new QLabel(this);
    m_batch->setObjectName(QStringLiteral("scanBatchSummary"));
    m_batch->setTextFormat(Qt::PlainText);
    m_batch->setWordWrap(true);
    m_batch->setVisible(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_load);
    bottom->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(defaultsLabel);
    layout->addWidget(m_edit);
    layout->addWidget(m_last);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_batch);
    layout->addLayout(bottom);

    m_last->setVisible(false);
    m_count->setText(QStringLiteral("Nothing scanned yet"));
    m_edit->setFocus();
}

CZELV10ScanDlg::~CZELV10ScanDlg() = default;

void CZELV10ScanDlg::keyPressEvent(QKeyEvent* event) {
    // The barcode field has handled Enter already; QDialog would press a button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CZELV10ScanDlg::OnReturnPressed() {
    const QString text = m_edit->text();
    m_edit->clear();
    SubmitBarcode(text);
}

void CZELV10ScanDlg::SubmitBarcode(const QString& barcode) {
    if (barcode.trimmed().isEmpty())
        return;
    m_pending.push_back(barcode);
    // The page's handler may run an event loop (a message box); a scan that
    // arrives meanwhile is handled after the current one, in order.
    if (m_busy)
        return;
    m_busy = true;
    while (!m_pending.empty()) {
        const QString next = m_pending.front();
        m_pending.pop_front();
        Process(next);
    }
    m_busy = false;
    m_edit->setFocus();
}

namespace {
// What the last scan read, for ScanDialogGetDefaults.
QString g_lastCustomer;
QString g_lastMedia;
} // namespace

bool ScanDialogGetDefaults(CZELV10MFC& connection, QString* customer, QString* media) {
    customer->clear();
    media->clear();
    if (!g_lastCustomer.isEmpty()) {
        *customer = g_lastCustomer;
        *media = g_lastMedia;
        return true;
    }
    std::vector<ZELVCUSTEx> customers;
    if (!connection.List(&customers).IsOK())
        return false;
    QString only;
    for (const ZELVCUSTEx& c : customers)
        if (!(c.flags & ZELVCUST_EXCLUDED)) {
            if (!only.isEmpty())
                return false;
            only = c.customerId.Text();
        }
    QStringList mediaIds;
    if (only.isEmpty() || !connection.List(&mediaIds, only).IsOK() || mediaIds.size() != 1)
        return false;
    *customer = only;
    *media = mediaIds.first();
    return true;
}

void CZELV10ScanDlg::Process(const QString& barcode) {
    Scan scan;
    scan.barcode = barcode;
    // Cleaning and diagnostic cartridges never reach the page.
    const QString refusal = m_labels.RefusalOf(barcode);
    scan.parsed = refusal.isEmpty()
                      ? m_connection.ParseBarCode(&scan.item, barcode, m_args.customerId.Text(),
                                                  m_args.mediaId.Text(), m_args.config)
                      : CZELV10RC(ZELV10RC_BADBARCODE, refusal);
    if (scan.parsed.IsOK())
        scan.warning = m_labels.MismatchOf(barcode, scan.item.mediaId.Text());
    if (scan.parsed.IsOK()) {
        g_lastCustomer = scan.item.customerId.Text();
        g_lastMedia = scan.item.mediaId.Text();
    }
    // Without a page the parse result is all there is to show.
    scan.outcome = m_args.notify ? m_args.notify(scan.parsed, scan.item) : scan.parsed.Code();
    if (scan.outcome == ZELV10RC_OK)
        ++m_accepted;
    m_scans.push_back(scan);
    Show(m_scans.back());
}

void CZELV10ScanDlg::Show(const Scan& scan) {
    const QString outcome = ResultText(scan);
    const QString volume = scan.parsed.IsOK() ? KeyText(scan.item) : QString();
    const QColor colour = ResultColour(scan);

    auto* row = new QTreeWidgetItem;
    row->setText(kBarcodeColumn, Printable(scan.barcode));
    row->setText(kVolumeColumn, volume);
    row->setText(kResultColumn, outcome);
    row->setToolTip(kBarcodeColumn, Printable(scan.barcode, 4096));
    // The parse detail says what was wrong with a barcode the server refused.
    row->setToolTip(kResultColumn,
                    scan.outcome == scan.parsed.Code() ? scan.parsed.Get() : outcome);
    for (int c = kBarcodeColumn; c <= kResultColumn; ++c) {
        row->setBackground(c, colour);
        row->setForeground(c, QColor(Qt::black));
    }
    if (m_batching) {
        // Rows and labels follow once per piece of the file, not per scan.
        m_batchRows.prepend(row);
        return;
    }
    m_list->insertTopLevelItem(0, row);
    TrimList();
    ShowLabels(scan);
}

void CZELV10ScanDlg::TrimList() {
    // The newest rows are what the operator reads; the counts cover the rest.
    while (m_list->topLevelItemCount() > kMaxShownRows)
        delete m_list->takeTopLevelItem(m_list->topLevelItemCount() - 1);
}

void CZELV10ScanDlg::ShowLabels(const Scan& scan) {
    const QString outcome = ResultText(scan);
    const QString volume = scan.parsed.IsOK() ? KeyText(scan.item) : QString();
    const QColor colour = ResultColour(scan);
    m_last->setText(QStringLiteral("%1 - %2").arg(
        volume.isEmpty() ? Printable(scan.barcode) : volume, outcome));
    QPalette palette = m_last->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, Qt::black);
    m_last->setPalette(palette);
    m_last->setVisible(true);

    const int total = static_cast<int>(m_scans.size());
    m_count->setText(QStringLiteral("Scanned: %1   Accepted: %2   Not accepted: %3")
                         .arg(total)
                         .arg(m_accepted)
                         .arg(total - m_accepted));
}

namespace {

// A date or time as batch scanners write them beside the barcode.
bool IsTimestamp(const QString& field) {
    static const QRegularExpression stamp(QStringLiteral(
        R"(^(\d{4}-\d{1,2}-\d{1,2}|\d{1,2}[/.]\d{1,2}[/.]\d{2,4})?([ T]?\d{1,2}:\d{2}(:\d{2}(\.\d+)?)?)?$)"));
    return !field.isEmpty() && stamp.match(field).hasMatch();
}

} // namespace

QStringList CZELV10ScanDlg::BatchBarcodes(const QString& text) {
    QStringList barcodes;
    static const QRegularExpression separators(QStringLiteral("[,;\t]"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        QString barcode = line;
        if (line.contains(separators)) {
            barcode.clear();
            for (const QString& field : line.split(separators)) {
                const QString f = field.trimmed();
                if (!f.isEmpty() && !IsTimestamp(f)) {
                    barcode = f;
                    break;
                }
            }
        }
        if (!barcode.isEmpty())
            barcodes.append(barcode);
    }
    return barcodes;
}

bool CZELV10ScanDlg::ReadBatchFile(const QString& path, QStringList* barcodes, QString* error) {
    barcodes->clear();
    // Refused before anything is scanned: a binary file would scan as junk.
    QString text;
    if (!ZELVReadTextFile(path, kMaxBatchBytes,
                          QStringLiteral("barcodes (one barcode a line); nothing was scanned"),
                          &text, error))
        return false;
    *barcodes = BatchBarcodes(text);
    return true;
}

QString CZELV10ScanDlg::BatchSummary::Text(const QString& file) const {
    QString text = QStringLiteral("%1: %2 scans, %3 accepted, %4 not accepted")
                       .arg(file)
                       .arg(scans)
                       .arg(accepted)
                       .arg(scans - accepted);
    QStringList reasons;
    for (const auto& [reason, count] : refused)
        reasons << QStringLiteral("%1: %2").arg(reason).arg(count);
    if (!reasons.isEmpty())
        text += QStringLiteral(" (") + reasons.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text + QLatin1Char('.');
}

bool CZELV10ScanDlg::LoadScansFromFile(const QString& path, QString* message) {
    QStringList barcodes;
    QString error;
    if (!ReadBatchFile(path, &barcodes, &error)) {
        m_batch->setText(error);
        m_batch->setVisible(true);
        if (message)
            *message = error;
        return false;
    }
    const size_t first = m_scans.size();
    m_load->setEnabled(false);
    int n = 0;
    m_batching = true;
    const auto flushRows = [this] {
        // Only the newest of a long piece are shown at all.
        while (m_batchRows.size() > kMaxShownRows)
            delete m_batchRows.takeLast();
        m_list->insertTopLevelItems(0, m_batchRows);
        m_batchRows.clear();
        TrimList();
        if (!m_scans.empty())
            ShowLabels(m_scans.back());
    };
    for (const QString& barcode : barcodes) {
        SubmitBarcode(barcode);
        // A long file: the window keeps drawing, the operator's keys wait.
        if (++n % 500 == 0) {
            flushRows();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    flushRows();
    m_batching = false;
    m_load->setEnabled(true);
    BatchSummary summary;
    for (size_t i = first; i < m_scans.size(); ++i) {
        const Scan& scan = m_scans[i];
        ++summary.scans;
        if (scan.outcome == ZELV10RC_OK) {
            ++summary.accepted;
            continue;
        }
        const QString reason = OutcomeText(scan.outcome);
        auto it = std::find_if(summary.refused.begin(), summary.refused.end(),
                               [&](const auto& r) { return r.first == reason; });
        if (it == summary.refused.end())
            summary.refused.emplace_back(reason, 1);
        else
            ++it->second;
    }
    const QString text = summary.Text(QFileInfo(path).fileName());
    m_batch->setText(text);
    m_batch->setVisible(true);
    if (message)
        *message = text;
    return true;
}

void CZELV10ScanDlg::OnLoadClicked() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Load scans from file"), QString(),
        QStringLiteral("Barcode files (*.txt *.csv *.dat);;All files (*)"));
    if (!path.isEmpty())
        LoadScansFromFile(path);
    m_edit->setFocus();
}

QString CZELV10ScanDlg::ResultText(const Scan& scan) {
    const QString outcome = OutcomeText(scan.outcome);
    return scan.warning.isEmpty() ? outcome : outcome + QStringLiteral(" - ") + scan.warning;
}

QColor CZELV10ScanDlg::ResultColour(const Scan& scan) {
    // Amber: taken, but the label does not fit its Media Type.
    return scan.warning.isEmpty() || scan.outcome != ZELV10RC_OK ? OutcomeColour(scan.outcome)
                                                                 : QColor(0xFF, 0xE6, 0x99);
}

QString CZELV10ScanDlg::OutcomeText(uint32_t outcome) {
    switch (outcome) {
    case ZELV10RC_OK:
        return QStringLiteral("Accepted");
    case ZELV10RC_NOTINLIST:
        return QStringLiteral("Not in the list");
    case ZELV10RC_WRONGCONTAINER:
        return QStringLiteral("Wrong Container");
    case ZELV10RC_CONTAINERELSEWHERE:
        return QStringLiteral("Container moving elsewhere");
    default:
        return CZELV10RC::TextOf(outcome);
    }
}

QColor CZELV10ScanDlg::OutcomeColour(uint32_t outcome) {
    switch (outcome) {
    case ZELV10RC_OK:
        return QColor(0xC6, 0xEF, 0xCE); // green: done
    case ZELV10RC_WRONGCONTAINER:
    case ZELV10RC_CONTAINERELSEWHERE:
    case ZELV10RC_JOURNALED: // kept, not yet on the server
        return QColor(0xFF, 0xE6, 0x99); // amber: the Volume is fine, its Container is not
    default:
        return QColor(0xFF, 0xC7, 0xCE); // red: not taken
    }
}

QString CZELV10ScanDlg::Printable(const QString& barcode, int maxChars) {
    QString out;
    for (const QChar ch : barcode) {
        if (ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format)
            out += QString::asprintf("\\x%02X", static_cast<unsigned>(ch.unicode()));
        else
            out += ch;
        if (out.size() > maxChars) {
            out.truncate(maxChars);
            out += QChar(0x2026);
            break;
        }
    }
    return out;
}

int ScanDialog(CZELV10MFC& connection, const ZELVSCANVOLUMEARGS& args, const QString& caption,
               QWidget* parent) {
    CZELV10ScanDlg dialog(connection, args, caption, parent);
    dialog.exec();
    return static_cast<int>(dialog.Scans().size());
}
