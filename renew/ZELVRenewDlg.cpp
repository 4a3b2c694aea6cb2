#include "ZELVRenewDlg.h"

#include "RSSListCtrl.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"
#include "ZELVPropertyGridCtrl.h"
#include "ZELVWinApp.h"

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

CZELVRenewDlg::CZELVRenewDlg(CZELVWinApp& app, CZELVPackageUpgrade& upgrade,
                             const CCommandLineInfoEx& info, QWidget* parent)
    : QDialog(parent), m_app(app), m_upgrade(upgrade) {
    setObjectName(QStringLiteral("renewDialog"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowIcon(ZELVIcon(101));

    m_list = new CRSSListCtrl(this);
    m_list->SetPrompter(&m_app.GetPrompter());
    m_list->SetClock(m_app.Clock());
    m_menu = new QMenu(this);
    QMenu* list = m_menu->addMenu(QStringLiteral("LIST"));
    m_list->AddExportAction(list, QStringLiteral("&Export"), QStringLiteral("Change History"));
    m_list->SetContextMenu(m_menu, 0);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("feedStatus"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->hide();

    m_grid = new CZELVPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("renewGrid"));
    m_grid->EnableHeaderCtrl(false);
    m_grid->EnableDescriptionArea(true);
    FillGrid(info);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CZELVRenewDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CZELVRenewDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 3);
    layout->addWidget(m_status);
    layout->addWidget(m_grid, 2);
    layout->addWidget(buttons);
    resize(760, 560);

    LoadChangeLog();
}

CZELVRenewDlg::~CZELVRenewDlg() = default;

void CZELVRenewDlg::FillGrid(const CCommandLineInfoEx& info) {
    m_url = m_grid->AddSubItem(QStringLiteral("URL"), info.downloadAddress,
                               QStringLiteral("Download URL"));
    m_module = m_grid->AddSubItem(QStringLiteral("Module"), info.module, QStringLiteral("Module"));

    CZELVPropertyGridProperty* old = m_grid->AddGroup(QStringLiteral("Old Version"));
    const QLocale c = QLocale::c();
    const QString built = info.oldBuild.isValid()
                              ? c.toString(info.oldBuild, QStringLiteral("dddd, MMMM dd, yyyy"))
                              : info.oldBuildText;
    old->AddSubItem(QStringLiteral("Built"), built, QStringLiteral("Date Built"), true);
    QString age;
    if (info.oldBuild.isValid()) {
        const QDate today = QDateTime::fromSecsSinceEpoch(m_app.Clock().Now()).date();
        // A build date ahead of the clock is not a negative age.
        const qint64 days = std::max<qint64>(0, info.oldBuild.daysTo(today));
        age = QStringLiteral("%1 days ago").arg(days);
    }
    old->AddSubItem(QStringLiteral("Age"), age, QStringLiteral("Age"), true);

    CZELVPropertyGridProperty* options = m_grid->AddGroup(QStringLiteral("Install Options"));
    m_msiProperties = options->AddSubItem(QStringLiteral("MSI Properties"), QString());
    m_grid->ExpandAll();
    m_grid->SetCurSel(m_url);
}

void CZELVRenewDlg::LoadChangeLog() {
    CRSS feed;
    QString error;
    const QString module = m_module->GetValue().toString();
    const bool read = m_app.ReadChangeLog(module, &feed, &error);
    m_list->SetItems(feed.Items());
    // The list stays empty on a failure; say why under it.
    m_status->setText(read && error.isEmpty() ? QString() : error);
    m_status->setVisible(!m_status->text().isEmpty());
}

QString CZELVRenewDlg::FeedStatus() const {
    return m_status->text();
}

bool CZELVRenewDlg::OnProgress(qint64 received, qint64 total) {
    if (!m_progress)
        return true;
    if (total > 0) {
        m_progress->setMaximum(1000);
        m_progress->setValue(int(received * 1000 / std::max<qint64>(total, 1)));
    } else {
        m_progress->setMaximum(0);
    }
    m_progress->setLabelText(
        QStringLiteral("Downloading the package: %1 of %2 bytes")
            .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(received),
                 total > 0 ? QLocale(QLocale::English, QLocale::UnitedStates).toString(total)
                           : QStringLiteral("?")));
    // The download runs on this thread; let the Cancel button be pressed.
    QApplication::processEvents();
    return !m_progress->wasCanceled();
}

void CZELVRenewDlg::accept() {
    const QString url = m_url->GetValue().toString();
    const QString options = m_msiProperties->GetValue().toString();

    QProgressDialog progress(QStringLiteral("Downloading the package"), QStringLiteral("Cancel"), 0,
                             0, this);
    progress.setObjectName(QStringLiteral("downloadProgress"));
    progress.setWindowTitle(QString::fromLatin1(kTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    m_progress = &progress;
    m_last = m_upgrade.Run(url, options, [this](qint64 received, qint64 total) {
        return OnProgress(received, total);
    });
    m_progress = nullptr;
    progress.close();

    using Outcome = CZELVPackageUpgrade::Result::Outcome;
    const QString caption = QString::fromLatin1(kInstallErrorCaption);
    switch (m_last.outcome) {
    case Outcome::Installed:
        QDialog::accept();
        return;
    case Outcome::Cancelled:
        return;
    case Outcome::Refused:
        m_app.GetPrompter().Tell(m_last.message, caption, PromptIcon::Error, this);
        return;
    case Outcome::InstallerFailed:
        // The box keeps the installer's code only; what it printed goes to the log.
        qWarning("ZELVRenew: the installer returned %d: %s", m_last.code,
                 qUtf8Printable(m_last.detail));
        m_app.GetPrompter().Tell(QString::asprintf("Windows Installer returned code: %u",
                                                   static_cast<unsigned>(m_last.code)),
                                 caption, PromptIcon::Information, this);
        return;
    }
}
