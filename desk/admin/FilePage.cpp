#include "FilePage.h"

#include "ZELV10MFC.h"
#include "ZELV10ProgressWnd.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

// The extension as the icon cache keys it: from the last dot, dot included.
QString Extension(const QString& name) {
    const QString base = name.section(QLatin1Char('/'), -1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? base.mid(dot).toLower() : QString();
}

} // namespace

// --- List ------------------------------------------------------------------------

CFileListCtrl::CFileListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    InsertColumn(ColIndex, QStringLiteral("Index"), 65, Qt::AlignLeft);
    InsertColumn(ColFile, QStringLiteral("File"), 200, Qt::AlignLeft);
    InsertColumn(ColDescription, QStringLiteral("Description"), 300, Qt::AlignLeft);
    setAcceptDrops(true);
}

void CFileListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CFileListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CFileListCtrl::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    emit FilesDropped(paths);
}

// --- Rows ------------------------------------------------------------------------

QString CFilePage::Rows::Text(int row, int column) const {
    if (row < 0 || row >= RowCount())
        return {};
    const ZELV10FILEEx& f = m_page.m_files[size_t(row)];
    switch (column) {
    case CFileListCtrl::ColIndex:
        return QString::asprintf("%6.6d", row);
    case CFileListCtrl::ColFile:
        return f.name.Text();
    case CFileListCtrl::ColDescription:
        return f.description.Text();
    default:
        return {};
    }
}

int CFilePage::Rows::Image(int row, int column) const {
    if (column != CFileListCtrl::ColIndex || row < 0 || row >= int(m_page.m_images.size()))
        return -1;
    return m_page.m_images[size_t(row)];
}

// --- Page ------------------------------------------------------------------------

CFilePage::CFilePage() : CZELVDeskPage(IDD_FILE) {
    SetHeader(ZELVDeskString(300), ZELVDeskString(264));
    setObjectName(QStringLiteral("filePage"));
    auto* layout = new QVBoxLayout(this);
    for (const char* text :
         {"The File Control Screen allows you to upload files to your Kelmar Server.",
          "To upload the files you can simply drag-and-drop them into the window below.",
          "You can also automate this process using the ZELV10UploadFiles command line "
          "program."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    m_list = new CFileListCtrl(this);
    m_list->setObjectName(QStringLiteral("fileList"));
    m_list->SetRows(&m_rows);
    layout->addWidget(m_list, 1);
    connect(m_list, &CFileListCtrl::FilesDropped, this, &CFilePage::Upload);

    // "FILES": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* popup = m_menu->addMenu(QStringLiteral("FILES"));
    connect(popup->addAction(QStringLiteral("D&elete a file")), &QAction::triggered, this,
            &CFilePage::Delete);
    connect(popup->addAction(QStringLiteral("&Download a file")), &QAction::triggered, this,
            &CFilePage::Download);
    m_list->SetContextMenu(m_menu, 0);
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), m_list);
    refresh->setContext(Qt::WidgetWithChildrenShortcut);
    connect(refresh, &QShortcut::activated, this, &CFilePage::Refresh);
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), m_list);
    remove->setContext(Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, &CFilePage::Delete);

    m_chooseFolder = [this] {
        CZELVDeskSheet* sheet = Desk();
        return QFileDialog::getExistingDirectory(sheet ? static_cast<QWidget*>(sheet) : this,
                                                 QStringLiteral("File Download Directory"));
    };
}

CFilePage::~CFilePage() {
    m_list->SetRows(nullptr);
}

void CFilePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    m_list->SetPrompter(&sheet->GetPrompter());
    Refresh();
}

void CFilePage::Refresh() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    std::vector<ZELV10FILEEx> files;
    sheet->Connection().List(&files, sheet->Customer()); // a failed listing shows none
    m_files = std::move(files);
    if (m_icons.isEmpty())
        m_icons << ZELVIcon(kDefaultIcon);
    m_images.clear();
    const QMimeDatabase mime;
    for (const ZELV10FILEEx& f : m_files) {
        const QString ext = Extension(f.name.Text());
        auto it = m_byIcon.find(ext);
        if (it == m_byIcon.end()) {
            // The desktop's icon for the file's type, by its name only.
            const QMimeType type =
                mime.mimeTypeForFile(f.name.Text(), QMimeDatabase::MatchExtension);
            QIcon icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull())
                icon = QIcon::fromTheme(type.genericIconName(), m_icons.front());
            m_icons << icon;
            it = m_byIcon.insert(ext, int(m_icons.size()) - 1);
        }
        m_images.push_back(*it);
    }
    m_iconCount = int(m_icons.size());
    m_list->SetImages(m_icons);
    m_list->Reload();
}

void CFilePage::Upload(const QStringList& paths) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || paths.isEmpty())
        return;
    CZELV10RCList results;
    {
        CZELV10ProgressWnd progress(int(paths.size()), CZELV10ProgressWnd::kUpload, m_list);
        progress.SetTitle(QStringLiteral("Uploading Files"));
        for (int i = 0; i < paths.size() && !progress.IsCancelled(); ++i) {
            progress.SetText(
                QString::asprintf("Uploading File %d of %d", i + 1, int(paths.size())));
            progress.SetPos(i);
            sheet->Connection().UploadFile(sheet->Customer(), paths.at(i), &results);
        }
    }
    CZELV10RCListDlg::Display(results, 0, nullptr);
    Refresh();
}

std::vector<int> CFilePage::SelectedSourceRows() const {
    std::vector<int> rows;
    for (int row : m_list->GetSelectedRows())
        rows.push_back(m_list->SourceRow(row));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int r) { return r < 0 || r >= int(m_files.size()); }),
               rows.end());
    return rows;
}

void CFilePage::Download() {
    CZELVDeskSheet* sheet = Desk();
    const std::vector<int> rows = SelectedSourceRows();
    if (!sheet || rows.empty())
        return;
    const QString folder = m_chooseFolder ? m_chooseFolder() : QString();
    if (folder.isEmpty())
        return;
    Prompter& prompter = sheet->GetPrompter();
    // Never replaced without asking.
    const auto replace = [&prompter, this](const QString& path) {
        return prompter.Ask(
                   QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(path),
                   QStringLiteral("File Download"), PromptIcon::Question, PromptButtons::YesNo,
                   PromptNo, this) == PromptYes;
    };
    CZELV10RCList results;
    {
        CZELV10ProgressWnd progress(int(rows.size()), CZELV10ProgressWnd::kDownload, m_list);
        progress.SetTitle(QStringLiteral("Downloading Files"));
        int n = 0;
        for (int row : rows) {
            if (progress.IsCancelled())
                break;
            ++n;
            progress.SetText(QString::asprintf("Dowloading File %d of %d", n, int(rows.size())));
            progress.SetPos(n - 1);
            const ZELV10FILEEx& f = m_files[size_t(row)];
            sheet->Connection().DownloadFile(f.customerId.Text(), f.fileId, f.size, f.uploadedAt,
                                             folder, &results, nullptr, replace);
        }
    }
    CZELV10RCListDlg::Display(results, 0, nullptr);
}

void CFilePage::Delete() {
    CZELVDeskSheet* sheet = Desk();
    const std::vector<int> rows = SelectedSourceRows();
    if (!sheet || rows.empty())
        return;
    CZELV10RCList results;
    for (int row : rows) {
        const ZELV10FILEEx& f = m_files[size_t(row)];
        results.Add(
            sheet->Connection().DeleteFileA(sheet->Customer(), f.fileId, f.size, f.uploadedAt),
            f.name.Text());
    }
    CZELV10RCListDlg::Display(results, 0, nullptr);
    if (results.GetOKCount() > 0)
        Refresh();
}
