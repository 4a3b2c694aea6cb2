#include "ScanPage.h"

#include "CustomerCache.h"
#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVIcons.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPairStatic.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Holds the tab control at the size its place gives it. The list's tab label
// changes with every scan; without this the label change would make the whole
// wizard, every page of it, lay itself out again each time.
class TabHolder : public QWidget {
public:
    TabHolder(QTabWidget* tabs, QWidget* parent) : QWidget(parent), m_tabs(tabs) {
        tabs->setParent(this);
    }
    QSize sizeHint() const override { return m_tabs->sizeHint(); }
    QSize minimumSizeHint() const override { return m_tabs->minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent*) override { m_tabs->setGeometry(rect()); }

private:
    QTabWidget* m_tabs;
};

} // namespace

CRedrawPause::CRedrawPause(QWidget* widget)
    : m_widget(widget), m_wasEnabled(widget->updatesEnabled()) {
    m_widget->setUpdatesEnabled(false);
}

CRedrawPause::~CRedrawPause() {
    m_widget->setUpdatesEnabled(m_wasEnabled);
}

CScanPage::CScanPage(int templateId, const QString& intro, const QString& repositoryLabel)
    : CZELVDeskPage(templateId), m_intro(intro) {
    m_customerPair = new CZELVPairStatic(QStringLiteral("Customer"), QString(), this);
    m_customerPair->setObjectName(QStringLiteral("customerPair"));
    m_repositoryPair = new CZELVPairStatic(repositoryLabel, QString(), this);
    m_repositoryPair->setObjectName(QStringLiteral("repositoryPair"));
    m_scanButton = new QPushButton(ZELVIcon(kScanButtonIcon), QStringLiteral("Scan"), this);
    m_scanButton->setObjectName(QStringLiteral("scanButton"));
    m_scanButton->setAutoDefault(false);
    connect(m_scanButton, &QPushButton::clicked, this, &CScanPage::OpenScanWindow);

    m_tabs = new QTabWidget(this);
    m_scanLog = new CZELVLogListCtrl(m_tabs);
    m_scanLog->setObjectName(QStringLiteral("scanLog"));
    m_scanLog->Setup();

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this]() { OnTimer(kScanTimer); });

    m_journalBanner = new QLabel(this);
    m_journalBanner->setObjectName(QStringLiteral("journalBanner"));
    m_journalBanner->setWordWrap(true);
    m_journalBanner->setStyleSheet(
        QStringLiteral("QLabel { background: #fff3cd; color: #5c4400; padding: 6px; }"));
    m_journalBanner->hide();
    m_journalTimer = new QTimer(this);
    m_journalTimer->setInterval(kJournalRetryMs);
    connect(m_journalTimer, &QTimer::timeout, this, [this]() { ReplayJournal(); });
}

void CScanPage::BuildLayout(QWidget* list, const QString& logTab, QWidget* side) {
    auto* intro = new QLabel(m_intro, this);
    intro->setWordWrap(true);

    m_tabs->addTab(list, QString());
    m_tabs->addTab(m_scanLog, logTab);

    auto* pairs = new QHBoxLayout;
    pairs->addWidget(m_customerPair, 1);
    pairs->addWidget(m_repositoryPair, 1);
    pairs->addWidget(m_scanButton);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(new TabHolder(m_tabs, splitter));
    if (side) {
        splitter->addWidget(side);
        splitter->setStretchFactor(0, 3);
        splitter->setStretchFactor(1, 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_journalBanner);
    layout->addLayout(pairs);
    layout->addWidget(splitter, 1);
}

void CScanPage::OnKillActive() {
    // A window that was to open for this page has no business on the next one.
    m_timer->stop();
    m_journalTimer->stop();
}

bool CScanPage::ServerIsAway(const CZELV10RC& rc) {
    const uint32_t code = rc.Code();
    return code == ZELV10RC_CONNECTIONLOST || code == ZELV10RC_UNREACHABLE ||
           code == ZELV10RC_NOTLOGGEDON;
}

bool CScanPage::KeepInJournal(const CVolumeKey& key, const QString& repository, quint64 version,
                              quint32 container) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return false;
    ScanJournalEntry e;
    e.task = JournalTask();
    e.server = sheet->ServerName();
    e.key = key;
    e.repository = repository;
    e.version = version;
    e.container = container;
    e.when = QDateTime::currentSecsSinceEpoch();
    e.user = sheet->Connection().CurrentUser();
    const CZELV10RC rc = sheet->ScanJournal().Append(e);
    if (!rc.IsOK()) {
        sheet->Log().Write("%s: Volume %s could not be kept in the scanning journal: %s",
                           e.task.toUtf8().constData(), key.Text().toUtf8().constData(),
                           rc.Get().toUtf8().constData());
        ShowScanError(QStringLiteral("Error scanned barcode %1.").arg(key.Text()), rc.Get());
        return false;
    }
    sheet->Log().Write("%s: Server unreachable; Volume %s kept in the scanning journal",
                       e.task.toUtf8().constData(), key.Text().toUtf8().constData());
    ShowJournalState();
    m_journalTimer->start();
    return true;
}

CScanJournal::Outcome CScanPage::ReplayOne(const ScanJournalEntry& entry) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return CScanJournal::Outcome::Keep;
    CVolumeRecord record(sheet->Connection(), entry.key);
    const CZELV10RC rc = record.Refresh();
    if (ServerIsAway(rc))
        return CScanJournal::Outcome::Stop;
    if (!rc.IsOK())
        return ReplayEntry(entry, record, ReplayRead::Failed, rc.Get());
    if (record.Vol().version != entry.version)
        return ReplayEntry(
            entry, record, ReplayRead::Changed,
            QStringLiteral("the Volume was changed on the server after it was scanned"));
    return ReplayEntry(entry, record, ReplayRead::Current, QString());
}

void CScanPage::ShowJournalState() {
    CZELVDeskSheet* sheet = Desk();
    const int waiting = sheet ? sheet->ScanJournal().Count() : 0;
    if (waiting == 0) {
        m_journalBanner->hide();
        m_journalTimer->stop();
        return;
    }
    m_journalBanner->setText(
        QStringLiteral("The Kelmar Server cannot be reached. %1 scan%2 %3 kept on this "
                       "workstation and will be sent when the server is back; "
                       "nothing is lost.")
            .arg(waiting)
            .arg(waiting == 1 ? QString() : QStringLiteral("s"))
            .arg(waiting == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    m_journalBanner->show();
}

bool CScanPage::ReplayJournal() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || m_replaying || JournalTask().isEmpty())
        return true;
    CScanJournal& journal = sheet->ScanJournal();
    if (journal.Count() == 0) {
        ShowJournalState();
        return true;
    }
    if (!sheet->EnsureLoggedOn()) {
        ShowJournalState();
        m_journalTimer->start();
        return false;
    }
    m_replaying = true;
    const QString task = JournalTask(), server = sheet->ServerName();
    bool away = false;
    int done = 0;
    QStringList problems;
    const CZELV10RC rc = journal.Replay(
        [&](const ScanJournalEntry& e) {
            // Another task's or another server's scans wait for their own page.
            if (e.task != task || e.server != server)
                return CScanJournal::Outcome::Keep;
            const CScanJournal::Outcome o = ReplayOne(e);
            away = away || o == CScanJournal::Outcome::Stop;
            return o;
        },
        &done, &problems);
    m_replaying = false;
    for (const QString& p : problems)
        sheet->Log().Write("%s: %s", task.toUtf8().constData(), p.toUtf8().constData());
    if (!rc.IsOK())
        ShowScanError(QStringLiteral("Scanning journal"), rc.Get());
    ShowJournalState();
    if (away || !rc.IsOK())
        m_journalTimer->start();
    return !away && rc.IsOK();
}

QTimer* CScanPage::Timer(int id) const {
    return id == kScanTimer ? m_timer : nullptr;
}

void CScanPage::OnTimer(int id) {
    if (id != kScanTimer)
        return;
    m_timer->stop();
    OpenScanWindow();
}

void CScanPage::StartScanTimer() {
    m_timer->start(kScanDelayMs);
}

ZELVSCANVOLUMEARGS CScanPage::BaseScanArgs(const QString& media) {
    ZELVSCANVOLUMEARGS args;
    if (CZELVDeskSheet* sheet = Desk()) {
        args.customerId.Set(sheet->Customer());
        args.config = &sheet->Config();
    }
    args.mediaId.Set(media);
    return args;
}

void CScanPage::OpenScanWindow() {
    CZELVDeskSheet* sheet = Desk();
    // F10 in the first second must not leave the timer to open a second
    // window over the first.
    if (!sheet || m_scanning)
        return;
    m_timer->stop();
    m_scanning = true;
    OnScanWindowOpening();
    ScanDialog(sheet->Connection(), ScanArgs(), ScanCaption(), sheet);
    m_scanning = false;
    OnScanWindowClosed();
}

void CScanPage::SetListTabLabel(const QString& text) {
    m_tabs->setTabText(0, text);
}

void CScanPage::FillCaptionPairs() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    const QString customer = sheet->Customer();
    const QString name = sheet->GetCustomerCache().DisplayNameOf(customer);
    m_customerPair->SetValue(QStringLiteral("%1 - %2").arg(customer, name));

    const QString repository = sheet->Repository();
    // The Repository is the same under every Media Type; the first one's
    // record gives its name.
    QString repositoryName = repository == QLatin1String("INIT")
                                 ? QStringLiteral("Initial Repository")
                                 : QStringLiteral("ID(%1)").arg(repository);
    for (const ZELVREPOSITORYFULL& r : sheet->Locations())
        if (r.repositoryId == repository) {
            repositoryName = CZELV10RepositoryCache::DisplayName(r);
            break;
        }
    m_repositoryPair->SetValue(QStringLiteral("%1 - %2").arg(repository, repositoryName));
}

void CScanPage::ShowScanError(const QString& line1, const QString& line2) {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->ShowNotification(QStringLiteral("Scan Error"), line1, line2, kScanErrorIcon);
}
