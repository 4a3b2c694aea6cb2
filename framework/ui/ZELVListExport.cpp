// The list control's export, mail and open: CZELVListCtrl's part that
// gathers the selected rows and asks the operator; the writers themselves
// live in framework_core (ZELVExport, ZELVReport).
#include "ZELVListExport.h"

#include "ZELVExportDlg.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

constexpr const char* kPdfPageSize = "PDFPageSize";
constexpr const char* kPdfOrientation = "PDFPageOrientation";
constexpr const char* kPdfExclusion = "PDFExclusionColumns";
constexpr const char* kOpenQuestion =
    "Exported %u records.\n\nWould you like to open the exported %s File?";

QString Latin(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

// ---------------------------------------------------------------------------
// The real dialogs

bool CZELVExportDialogs::ChooseType(const ZELVExportTypeRequest& request, int* type, bool* open) {
    CZELVExportTypeDlg dialog(request.mailAllowed, request.selected, request.total,
                              request.selectAll, request.parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *type = dialog.Type();
    *open = dialog.OpenWhenDone();
    return true;
}

QString CZELVExportDialogs::ChooseSavePath(QWidget* parent, int type) {
    // QFileDialog asks before overwriting and offers no read-only option. The
    // default name starts in the documents folder, not wherever the program
    // happened to be started.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = ZELVExport::DefaultName(type);
    return QFileDialog::getSaveFileName(parent, QString(),
                                        folder.isEmpty() ? name : QDir(folder).filePath(name),
                                        ZELVExport::Filter(type));
}

bool CZELVExportDialogs::ChoosePdfOptions(QWidget* parent, ZELVExportPDFOptions* options) {
    CZELVPdfOptionsDlg dialog(options->pageSize, options->orientation, options->exclusion, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options->pageSize = dialog.PageSize();
    options->orientation = dialog.Orientation();
    options->exclusion = dialog.Exclusion();
    return true;
}

bool CZELVExportDialogs::Launch(const ZELVCommand& command) {
    // startDetached succeeds only when the program could be started; asking
    // the path first keeps a missing program from waiting on a time-out.
    if (command.program.isEmpty() || QStandardPaths::findExecutable(command.program).isEmpty())
        return false;
    return QProcess::startDetached(command.program, command.arguments);
}

// ---------------------------------------------------------------------------
// The list's side

IZELVExportUi& CZELVListCtrl::ExportUi() {
    if (m_exportUi)
        return *m_exportUi;
    if (!m_ownExportUi)
        m_ownExportUi = std::make_unique<CZELVExportDialogs>();
    return *m_ownExportUi;
}

QString CZELVListCtrl::ReportLogo() const {
    if (!m_reportLogo.isEmpty())
        return m_reportLogo;
    // Beside the program in the build tree; in the shared data folder once installed.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString beside = program.filePath(QStringLiteral("Resources/Kelmar_Logo.jpg"));
    const QString installed =
        program.filePath(QStringLiteral("../share/kelmar-lite/Kelmar_Logo.jpg"));
    return QFileInfo(beside).isFile() || !QFileInfo(installed).isFile()
               ? beside
               : QDir::cleanPath(installed);
}

ZELVExportTable CZELVListCtrl::ExportTable(bool textWidths) const {
    ZELVExportTable table;
    const int columns = GetColumnCount();
    for (int c = 0; c < columns; ++c) {
        table.headings.append(m_model->Heading(c));
        // A right-aligned list column stays right-aligned in the report.
        table.flags.push_back((m_model->ColumnAlignment(c) & Qt::AlignRight) ? 0x1 : 0);
        table.excluded.push_back(m_exportExclusions.count(c) > 0);
    }
    const std::vector<int> rows = GetSelectedRows();
    table.rows.reserve(rows.size());
    // Straight to the owner's texts: one row lookup per row, not per cell.
    const CZELVListRows* source = m_model->Rows();
    for (int row : rows) {
        const int sourceRow = m_model->SourceRow(row);
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells.append(sourceRow < 0 ? QString() : source->Text(sourceRow, c));
        table.rows.push_back(std::move(cells));
    }
    if (textWidths) {
        // The widest of heading and every cell of the column, over all rows:
        // reports of different selections of one list line up alike.
        const int all = GetItemCount();
        for (int c = 0; c < columns; ++c) {
            qsizetype width = table.headings[c].size();
            for (int row = 0; row < all; ++row)
                width = std::max(width, GetItemText(row, c).size());
            table.widths.push_back(int(width));
        }
    }
    return table;
}

bool CZELVListCtrl::Export(const QString& title, bool mailAllowed, const QStringList& recipients) {
    if (RequireSelection(false) == 0)
        return false;
    ZELVExportTypeRequest request;
    request.mailAllowed = mailAllowed;
    request.selected = GetSelectedCount();
    request.total = GetItemCount();
    request.selectAll = [this] {
        SelectAll();
        return GetSelectedCount();
    };
    request.parent = this;
    int type = 0;
    bool open = true;
    if (!ExportUi().ChooseType(request, &type, &open))
        return false;
    const int openMode = open ? ZELVExport::OpenAlways : ZELVExport::OpenNever;
    switch (type) {
    case ZELVExport::TypeCSV:
        return ExportCSV(openMode);
    case ZELVExport::TypeMail:
        return mailAllowed && MailList(title, recipients);
    case ZELVExport::TypeText:
        // The list's kept report title describes the text report; a list
        // without one takes this export's title rather than none.
        return ExportText(m_reportTitle.isEmpty() ? title : QString(), QString(), openMode);
    case ZELVExport::TypeXML:
        return ExportXML(openMode);
    case ZELVExport::TypeSpreadsheet:
        return ExportSpreadsheet(openMode);
    case ZELVExport::TypePDF:
        return ExportPDF(title, openMode);
    default:
        return false;
    }
}

bool CZELVListCtrl::WriteExport(int type, const QString& path, const QString& title,
                                const ZELVExportPDFOptions& pdf, unsigned* written) {
    *written = 0;
    const bool text = type == ZELVExport::TypeText || type == ZELVExport::TypePDF;
    const ZELVExportTable table = ExportTable(text);
    bool done = false;
    const QString error =
        ZELVExport::ToFile(type, table, path, &done, title, m_reportNotes, pdf, *m_clock);
    if (!error.isEmpty()) {
        // The PDF library's result has its own caption; file trouble has none.
        const QString caption =
            type == ZELVExport::TypePDF && error.startsWith(QStringLiteral("PDF Export failed"))
                ? QStringLiteral("Export Error")
                : QString();
        GetPrompter().Tell(error, caption, PromptIcon::Error, this);
        return false;
    }
    if (!done)
        return false; // no column or no row: nothing to write
    m_lastExportPath = path;
    *written = unsigned(table.rows.size());
    return true;
}

namespace {

// The selected rows' cells straight from the owner, in list order.
class SelectedCells : public ZELVExportCells {
public:
    SelectedCells(const CZELVListRows& rows, std::vector<int> sourceRows)
        : m_rows(rows), m_sourceRows(std::move(sourceRows)) {}
    int Rows() const override { return int(m_sourceRows.size()); }
    void AppendCell(int row, int column, std::string& out) const override {
        const int source = m_sourceRows[size_t(row)];
        if (source >= 0)
            m_rows.AppendUtf8(source, column, out);
    }

private:
    const CZELVListRows& m_rows;
    std::vector<int> m_sourceRows;
};

} // namespace

bool CZELVListCtrl::ExportCSV(int openMode) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    const QString path = ExportUi().ChooseSavePath(this, ZELVExport::TypeCSV);
    if (path.isEmpty())
        return false;
    // Streamed from the owner's records: a long list is not copied first.
    QStringList headings;
    for (int c = 0; c < GetColumnCount(); ++c)
        headings.append(m_model->Heading(c));
    std::vector<int> sourceRows = GetSelectedRows();
    for (int& row : sourceRows)
        row = m_model->SourceRow(row);
    const SelectedCells cells(*m_model->Rows(), std::move(sourceRows));
    bool done = false;
    const QString error = ZELVExport::CSVToFile(headings, cells, path, &done);
    if (!error.isEmpty()) {
        GetPrompter().Tell(error, QString(), PromptIcon::Error, this);
        return false;
    }
    if (!done)
        return false;
    m_lastExportPath = path;
    OfferOpen(ZELVExport::TypeName(ZELVExport::TypeCSV), unsigned(cells.Rows()), path, openMode);
    return true;
}

bool CZELVListCtrl::ExportXML(int openMode) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    const QString path = ExportUi().ChooseSavePath(this, ZELVExport::TypeXML);
    if (path.isEmpty())
        return false;
    unsigned written = 0;
    if (!WriteExport(ZELVExport::TypeXML, path, QString(), {}, &written))
        return false;
    OfferOpen(ZELVExport::TypeName(ZELVExport::TypeXML), written, path, openMode);
    return true;
}

bool CZELVListCtrl::ExportSpreadsheet(int openMode) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    const QString path = ExportUi().ChooseSavePath(this, ZELVExport::TypeSpreadsheet);
    if (path.isEmpty())
        return false;
    unsigned written = 0;
    if (!WriteExport(ZELVExport::TypeSpreadsheet, path, QString(), {}, &written))
        return false;
    OfferOpen(ZELVExport::TypeName(ZELVExport::TypeSpreadsheet), written, path, openMode);
    return true;
}

bool CZELVListCtrl::ExportText(const QString& title, const QString& path, int openMode) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    // The first title given stays the list's report title.
    if (m_reportTitle.isEmpty())
        m_reportTitle = title;
    const QString target =
        path.isEmpty() ? ExportUi().ChooseSavePath(this, ZELVExport::TypeText) : path;
    if (target.isEmpty())
        return false;
    unsigned written = 0;
    if (!WriteExport(ZELVExport::TypeText, target, m_reportTitle, {}, &written))
        return false;
    OfferOpen(ZELVExport::TypeName(ZELVExport::TypeText), written, target, openMode);
    return true;
}

bool CZELVListCtrl::ExportPDF(const QString& title, int openMode) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    ZELVExportPDFOptions options;
    options.pageSize = ReadSetting(Latin(kPdfPageSize), 0);
    options.orientation = ReadSetting(Latin(kPdfOrientation), 0);
    options.exclusion = ReadSetting(Latin(kPdfExclusion), QString());
    if (!ExportUi().ChoosePdfOptions(this, &options))
        return false;
    const QString path = ExportUi().ChooseSavePath(this, ZELVExport::TypePDF);
    if (path.isEmpty())
        return false;
    WriteSetting(Latin(kPdfPageSize), options.pageSize);
    WriteSetting(Latin(kPdfOrientation), options.orientation);
    WriteSetting(Latin(kPdfExclusion), options.exclusion);
    options.exclusion = options.exclusion.left(128);
    const QString logo = ReportLogo();
    if (QFileInfo(logo).isFile())
        options.logo = logo;
    if (m_reportTitle.isEmpty())
        m_reportTitle = title;
    unsigned written = 0;
    if (!WriteExport(ZELVExport::TypePDF, path, title.isEmpty() ? m_reportTitle : title, options,
                     &written))
        return false;
    OfferOpen(ZELVExport::TypeName(ZELVExport::TypePDF), written, path, openMode);
    return true;
}

bool CZELVListCtrl::MailList(const QString& title, const QStringList& recipients) {
    if (GetColumnCount() == 0 || GetSelectedCount() == 0)
        return false;
    const QString caption = QStringLiteral("MAPI Error");
    // A folder of its own, so the attachment carries the name the mail shows.
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("kelmar-mail-XXXXXX")));
    if (!folder.isValid()) {
        GetPrompter().Tell(Latin(ZELVExport::kOpenFailed), QString(), PromptIcon::Error, this);
        return false;
    }
    const QString path = folder.filePath(Latin(ZELVExport::kMailAttachment));
    if (m_reportTitle.isEmpty())
        m_reportTitle = title;
    unsigned written = 0;
    if (!WriteExport(ZELVExport::TypeText, path, m_reportTitle, {}, &written))
        return false;
    if (!ExportUi().Launch(ZELVExport::MailCommand(title, recipients, path))) {
        GetPrompter().Tell(QStringLiteral("Unable to send email message\n\nThe mail program "
                                          "(xdg-email) could not be started."),
                           caption, PromptIcon::Error, this);
        return false; // the folder and its report go with it
    }
    // The mail program reads the attachment after we return.
    folder.setAutoRemove(false);
    return true;
}

bool CZELVListCtrl::OfferOpen(const QString& typeText, unsigned count, const QString& path,
                              int openMode) {
    if (openMode == ZELVExport::OpenNever)
        return false;
    if (openMode == ZELVExport::OpenAsk) {
        const QByteArray type = typeText.toUtf8();
        const int answer = GetPrompter().Ask(
            QString::asprintf(kOpenQuestion, count, type.constData()), QStringLiteral("Open File"),
            PromptIcon::Question, PromptButtons::YesNo, PromptYes, this);
        if (answer != PromptYes)
            return false;
    }
    if (ExportUi().Launch(ZELVExport::OpenCommand(path)))
        return true;
    GetPrompter().Tell(QStringLiteral("No program was found to open the exported file:\n\n%1")
                           .arg(QDir::toNativeSeparators(path)),
                       QStringLiteral("Open File"), PromptIcon::Warning, this);
    return false;
}

QAction* CZELVListCtrl::AddExportAction(QMenu* menu, const QString& text, const QString& title,
                                        bool mailAllowed, const QStringList& recipients) {
    QAction* action = menu->addAction(text);
    connect(action, &QAction::triggered, this,
            [this, title, mailAllowed, recipients] { Export(title, mailAllowed, recipients); });
    return action;
}
