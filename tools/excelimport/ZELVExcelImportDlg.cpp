#include "ZELVExcelImportDlg.h"

#include "ZELVDate.h"
#include "ZELVPrompter.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char* const kCaption = "Excel Import";

QString Count(qint64 n) {
    return FormatCount(uint64_t(n));
}

} // namespace

CZELVExcelImportDlg::CZELVExcelImportDlg(CZELV10MFC& connection, Prompter& prompter,
                                         QWidget* parent)
    : QDialog(parent), m_connection(connection), m_prompter(prompter), m_import(connection) {
    setWindowTitle(QStringLiteral("Import from Microsoft Excel"));
    setObjectName(QStringLiteral("excelImport"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        QStringLiteral("Choose an Excel workbook (.xlsx) or a CSV file whose first row names the "
                       "columns: Volume, Customer, Media Type and Repository, and any of Target "
                       "Repository, Slot, Description, Container, Data-Cluster, Next Move date, "
                       "Threshold and Capacity. Every row is checked first; the Volumes are "
                       "imported all together or not at all."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("file"));
    m_file->setReadOnly(true);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    form->addRow(QStringLiteral("File:"), fileRow);
    m_sheet = new QLineEdit(this);
    m_sheet->setObjectName(QStringLiteral("sheet"));
    m_sheet->setPlaceholderText(QStringLiteral("the first sheet"));
    form->addRow(QStringLiteral("Sheet:"), m_sheet);
    layout->addLayout(form);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    layout->addWidget(m_preview, 3);

    layout->addWidget(new QLabel(QStringLiteral("Problems:"), this));
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("problems"));
    layout->addWidget(m_problems, 1);

    m_status = new QLabel(QStringLiteral("No file chosen."), this);
    m_status->setObjectName(QStringLiteral("status"));
    layout->addWidget(m_status);

    auto* buttons = new QDialogButtonBox(this);
    m_importButton = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    m_importButton->setObjectName(QStringLiteral("import"));
    m_importButton->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("close"));
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &CZELVExcelImportDlg::Browse);
    connect(m_sheet, &QLineEdit::editingFinished, this, [this] {
        if (!m_path.isEmpty())
            Load(m_path);
    });
    connect(m_importButton, &QPushButton::clicked, this, [this] { Import(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(900, 640);
}

void CZELVExcelImportDlg::Browse() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Choose the file to import"), QFileInfo(m_path).absolutePath(),
        QStringLiteral("Excel workbooks and CSV files (*.xlsx *.csv *.txt);;All files (*)"));
    if (!path.isEmpty())
        Load(path);
}

void CZELVExcelImportDlg::Load(const QString& path) {
    m_path = path;
    m_file->setText(path);
    m_importButton->setEnabled(false);
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    m_problems->clear();
    ZELVSheet sheet;
    QString error;
    if (!ZELVReadSheetFile(path, m_sheet->text().trimmed(), &sheet, &error)) {
        m_problems->addItem(error);
        m_status->setText(QStringLiteral("The file cannot be read; nothing can be imported."));
        return;
    }
    ShowPreview(sheet);
    m_import.Check(sheet);
    ShowProblems();
}

void CZELVExcelImportDlg::ShowPreview(const ZELVSheet& sheet) {
    if (sheet.rows.empty())
        return;
    const ZELVSheetRow& header = sheet.rows.front();
    const int rows = int(std::min<size_t>(sheet.rows.size() - 1, kPreviewRows));
    int columns = int(header.cells.size());
    for (int r = 1; r <= rows; ++r)
        columns = std::max(columns, int(sheet.rows[size_t(r)].cells.size()));
    m_preview->setColumnCount(columns);
    m_preview->setRowCount(rows);
    QStringList labels;
    for (int c = 0; c < columns; ++c)
        labels << (c < header.cells.size() ? header.cells[c] : QString());
    m_preview->setHorizontalHeaderLabels(labels);
    QStringList numbers;
    for (int r = 1; r <= rows; ++r) {
        const ZELVSheetRow& row = sheet.rows[size_t(r)];
        numbers << QString::number(row.number);
        for (int c = 0; c < row.cells.size(); ++c)
            m_preview->setItem(r - 1, c, new QTableWidgetItem(row.cells[c]));
    }
    m_preview->setVerticalHeaderLabels(numbers);
    m_preview->resizeColumnsToContents();
}

void CZELVExcelImportDlg::ShowProblems() {
    const auto& problems = m_import.Problems();
    for (const ZELVImportProblem& p : problems)
        m_problems->addItem(p.Text());
    const size_t rows = m_import.Rows().size();
    if (!problems.empty()) {
        m_status->setText(problems.size() == 1
                              ? QStringLiteral("1 problem; nothing can be imported until it is "
                                               "put right.")
                              : QStringLiteral("%1 problems; nothing can be imported until they "
                                               "are put right.")
                                    .arg(Count(qint64(problems.size()))));
        return;
    }
    m_status->setText(QStringLiteral("%1 Volumes ready to import.").arg(Count(qint64(rows))));
    m_importButton->setEnabled(rows > 0);
}

bool CZELVExcelImportDlg::Import() {
    uint64_t added = 0;
    const CZELV10RC rc = m_import.Import(&added);
    m_importButton->setEnabled(false);
    if (!rc.IsOK()) {
        const QString text = QStringLiteral("Nothing was imported: %1").arg(rc.Get());
        m_status->setText(text);
        m_problems->addItem(text);
        m_prompter.Tell(text, QString::fromLatin1(kCaption), PromptIcon::Error, this);
        return false;
    }
    const QString text = QStringLiteral("%1 Volumes imported").arg(Count(qint64(added)));
    m_status->setText(text);
    m_prompter.Tell(text, QString::fromLatin1(kCaption), PromptIcon::Information, this);
    return true;
}
