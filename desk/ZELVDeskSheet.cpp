#include "ZELVDeskSheet.h"

#include "AuthorizedPage.h"
#include "ContainerAllocation.h"
#include "ContainerCache.h"
#include "CustomerCache.h"
#include "CustomerPage.h"
#include "FilePage.h"
#include "FinalPage.h"
#include "IntroPage.h"
#include "LibraryManagementPage.h"
#include "MediaCache.h"
#include "MediaPage.h"
#include "OptionPage.h"
#include "ReceiveLocationPage.h"
#include "ReceiveVolumesPage.h"
#include "ReconciliationLocationPage.h"
#include "ReconciliationScanPage.h"
#include "ScanJournal.h"
#include "RetrieveLocationPage.h"
#include "ScanToListPage.h"
#include "SendContainerPage.h"
#include "SendContainerUpdatePage.h"
#include "SendLocationPage.h"
#include "SendVolumesPage.h"
#include "TimePage.h"
#include "VolumePage.h"
#include "ZELV10Logon.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVLauncher.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZELVVoice.h"
#include "manage/ManagePage.h"
#include "manage/MoveListPage.h"
#include "send/ExtendedAttributesPage.h"
#include "send/UpdatePage.h"
#include "send/UpdatePageApply.h"

#include <QStandardPaths>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <cstdarg>

namespace {

// Index of a task's location list in the sheet, -1 for tasks without one.
int LocationListIndex(int task) {
    switch (task) {
    case TaskScanIn:
        return 0;
    case TaskScanOut:
        return 1;
    case TaskRecall:
        return 2;
    case TaskReconciliation:
        return 3;
    case TaskLibraryManagement:
        return 4;
    default:
        return -1;
    }
}

} // namespace

CZELVDeskSheet::CZELVDeskSheet(IZELVDeskHost& host, CZELVDeskSheetSetup setup, QWidget* parent)
    : CZELVWizardSheet(ZELVDeskString(IDS_CAPTION), parent), m_host(host),
      m_prompter(setup.prompter), m_sounds(setup.sounds), m_launcher(setup.launcher),
      m_clock(setup.clock ? setup.clock : &ZELVClock::System()),
      m_programFolder(setup.programFolder) {
    if (!m_prompter) {
        m_ownPrompter = std::make_unique<QMessageBoxPrompter>();
        m_prompter = m_ownPrompter.get();
    }
    if (!m_sounds) {
        m_ownSounds = std::make_unique<QtSoundPlayer>();
        m_sounds = m_ownSounds.get();
    }
    if (!m_launcher) {
        m_ownLauncher = std::make_unique<ZELVQtLauncher>();
        m_launcher = m_ownLauncher.get();
    }
    if (m_programFolder.isEmpty())
        m_programFolder = QDir::currentPath();

    SetWatermark(ZELVBitmap(IDB_WATERMARK));
    SetHeaderBitmap(ZELVBitmap(IDB_HEADER));
    setWindowIcon(ZELVIcon(IDR_MAINFRAME));

    m_connection = std::make_unique<CZELV10MFC>(0);
    m_log = std::make_unique<TransactionLog>(QString::fromLatin1(kBuildDate), *m_clock,
                                             m_programFolder);

    m_connection->SetProgramID(kProgramId);
    const ZELVServerAddress server = m_host.DefaultServer();
    m_connection->SetLogonDetails(server.host, server.port, server.user, server.password);
    // A database file, or a database or schema other than the default, needs
    // the whole address.
    if (server.IsFile() || !server.database.isEmpty() || !server.schema.isEmpty())
        m_connection->SetServerAddress(server);

    m_customerCache = std::make_unique<CustomerCache>(m_connection.get());
    m_containerCache = std::make_unique<CContainerCache>(m_connection.get());
    m_mediaCache = std::make_unique<MediaCache>(m_connection.get());
    m_repositoryCache =
        std::make_unique<CZELV10RepositoryCache>(m_connection.get(), &m_host.Profile());
    for (auto& list : m_locationLists)
        list = std::make_unique<CZELV10RepositoryRows>();
    m_scanList.SetConnection(m_connection.get());
    m_scanList.SetRepositoryCache(m_repositoryCache.get());
    m_scanList.SetPrompter(m_prompter);

    AddPages();
    // Room for every page's lists whole on a 1280 by 800 screen.
    RememberPlace(&m_host.Profile(), QStringLiteral("Window/Sheet"), QSize(1040, 720));
    m_requiredTime = QDateTime::fromSecsSinceEpoch(m_clock->Now()).addSecs(2 * 3600);

    m_host.LoadConfig(
        QDir(m_programFolder).filePath(QString::fromLatin1(ZELVDeskConfig::kFileName)), this);
    if (!ZELVDeskConfig::DisableSpeech(Config()) && setup.createVoice)
        m_voice = setup.createVoice();
}

CZELVDeskSheet::~CZELVDeskSheet() {
    m_log->Close();
}

void CZELVDeskSheet::AddPages() {
    m_intro = new CIntroPage;
    AddPage(m_intro);
    AddPage(new COptionPage);
    AddPage(new CAuthorizedPage);
    AddPage(new CCustomerPage);
    AddPage(new CMediaPage);
    AddPage(new CRetrieveLocationPage);
    AddPage(new CVolumePage);
    AddPage(new CTimePage);
    AddPage(new CUpdatePage);
    AddPage(new CUpdatePageApply);
    AddPage(new CExtendedAttributesPage);
    AddPage(new CFilePage);
    AddPage(new CManagePage);
    AddPage(new CReceiveLocationPage);
    AddPage(new CReceiveVolumesPage);
    AddPage(new CSendLocationPage);
    AddPage(new CSendContainerPage);
    AddPage(new CSendVolumesPage);
    AddPage(new CSendContainerUpdatePage);
    AddPage(new CScanToListPage);
    AddPage(new CReconciliationLocationPage);
    AddPage(new CReconciliationScanPage);
    AddPage(new CLibraryManagementPage);
    AddPage(new CMoveListPage);
    AddPage(new CFinalPage);
    SetStartPage(0);
}

const ZELVConfig& CZELVDeskSheet::Config() const {
    return m_host.Config();
}

QString CZELVDeskSheet::Expand(const QString& text, int size) const {
    return m_host.Expand(text, size);
}

void CZELVDeskSheet::Say(const char* format, ...) {
    if (!m_voice || !format)
        return;
    va_list args;
    va_start(args, format);
    const QString text = QString::vasprintf(format, args);
    va_end(args);
    SayText(text);
}

void CZELVDeskSheet::SayText(const QString& text) {
    if (!m_voice || text.isEmpty())
        return;
    m_voice->Say(text.left(kMaxSay - 1));
}

bool CZELVDeskSheet::ShowNotification(const QString& title, const QString& line1,
                                      const QString& line2, int icon, int showDelayMs) {
    return m_host.ShowNotification(this, title, line1, line2, icon, showDelayMs);
}

void CZELVDeskSheet::ShowCopiedNotice(unsigned count) {
    ShowNotification(QStringLiteral("Copied items"),
                     QString::asprintf("Copied %u items to clipboard", count), QString(),
                     IconInformation, 10000);
    m_sounds->Play(SoundCopied);
}

void CZELVDeskSheet::GetMailRecipients(QStringList* list) const {
    if (list)
        list->append(ZELVDeskConfig::MailRecipients(Config()));
}

bool CZELVDeskSheet::OpenLogAndLogon(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    if (!info.exists() || !info.isDir())
        return false;
    if (!m_log->Open(folder, QString::fromLatin1(kProgramName), QStringLiteral("Startup"))) {
        m_prompter->Tell(QStringLiteral("Failed to open log file in this location"),
                         ZELVDeskString(IDS_CAPTION), PromptIcon::Error, this);
        return false;
    }

    // The log counts as opened from here on; the task goes on without the
    // server and its pages find empty lists, so the operator is told why.
    const CZELV10RC logon = ZelvLogonAsking(*m_connection, *m_prompter, this);
    if (!logon.IsOK()) {
        ShowNotification(QStringLiteral("Logon Failed"), logon.Get(), QString(), IconWarning);
        return true;
    }
    ZELVSERVERID id;
    if (m_connection->Get(&id).IsOK()) {
        QByteArray name;
        if (!id.userName.IsEmpty())
            name = QString::asprintf("Name(%.*s)", kZelvUserNameLen, id.userName.Data()).toUtf8();
        m_log->Write("Login: Current User(%.*s) %s", kZelvUserIdLen, id.userId.Data(),
                     name.constData());
    }
    return true;
}

int CZELVDeskSheet::LoadPredefinedLists() {
    QString folder =
        Expand(ZELVDeskConfig::SetListDirectory(Config()), ZELVDeskConfig::kMaxListDirectory);
    // A relative folder, like no folder, is taken from the program's folder.
    folder = QDir(m_programFolder).filePath(folder);
    return m_predefLists.Load(folder);
}

CScanJournal& CZELVDeskSheet::ScanJournal() {
    if (!m_scanJournal) {
        // Beside the transaction log when there is one; the user's own data
        // folder otherwise. Never the program's folder, which may be shared.
        QString folder = m_log && !m_log->Path().isEmpty()
                             ? QFileInfo(m_log->Path()).absolutePath()
                             : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        m_scanJournal = std::make_unique<CScanJournal>(
            QDir(folder).filePath(QString::fromLatin1(CScanJournal::kFileName)));
    }
    return *m_scanJournal;
}

QString CZELVDeskSheet::ServerName() const {
    return m_connection->ServerAddress().Display();
}

bool CZELVDeskSheet::EnsureLoggedOn() {
    if (m_connection->IsLoggedOn())
        return true;
    return m_connection->Logon(1).IsOK();
}

const std::vector<ZELVCUSTEx>& CZELVDeskSheet::Customers() const {
    return m_customerCache->Records();
}

CZELV10RepositoryRows* CZELVDeskSheet::LocationList(int task) const {
    const int index = LocationListIndex(task);
    return index < 0 ? nullptr : m_locationLists[size_t(index)].get();
}

const std::vector<ZELVREPOSITORYFULL>& CZELVDeskSheet::Locations() const {
    static const std::vector<ZELVREPOSITORYFULL> none;
    const CZELV10RepositoryRows* list = LocationList(m_task);
    return list ? list->Records() : none;
}

QString CZELVDeskSheet::LocationText(const QString& customer, const QString& media,
                                     const QString& repository, uint32_t slot,
                                     bool alwaysFormat) const {
    return m_repositoryCache->LocationText(customer, media, repository, slot, alwaysFormat);
}

void CZELVDeskSheet::BuildSendList() {
    ::BuildSendList(*m_connection, Customer(), Repository(), *m_repositoryCache, m_dataClusters,
                    &m_sendList);
}

QString CZELVDeskSheet::ContainerText(uint32_t number) const {
    return m_containerCache->Text(number);
}

int CZELVDeskSheet::LoadCustomers() {
    // Read once per run; the count is every Customer the server knows, also
    // those the Customer page leaves out.
    m_customerCache->Load(false);
    if (m_customerCache->Count() == 1)
        m_customer = m_customerCache->At(0)->customerId;
    return m_customerCache->Count();
}

int CZELVDeskSheet::LoadMediaTypes() {
    m_mediaTypes.clear();
    std::vector<ZELVMEDIASMALL> list;
    if (m_connection->List(&list, Customer()).IsOK())
        m_mediaTypes = std::move(list);
    if (m_mediaTypes.size() == 1)
        m_media = m_mediaTypes.front().mediaId;
    return int(m_mediaTypes.size());
}

int CZELVDeskSheet::FillLocationList() {
    CZELV10RepositoryRows* list = nullptr;
    int count = 0;
    m_locationFilter = ZELVDeskConfig::LocalRepositoryFilter(Config());
    switch (m_task) {
    case TaskScanIn:
    case TaskScanOut:
        list = LocationList(m_task);
        list->SetFilter(m_locationFilter);
        count = list->FillForCustomer(*m_connection, Customer());
        break;
    case TaskRecall:
        list = LocationList(m_task);
        list->SetFilter(m_locationFilter);
        count = list->FillForMedia(*m_connection, Customer(), Media());
        break;
    default:
        return 0;
    }
    if (count == 1)
        m_repository = list->At(0)->repositoryId;
    return count;
}

int CZELVDeskSheet::LoadMediaVolumes() {
    m_mediaVolumes.clear();
    std::vector<ZELVVOLSFULL> list;
    if (m_connection->List(&list, Customer(), Media()).IsOK())
        m_mediaVolumes = std::move(list);
    return int(m_mediaVolumes.size());
}

int CZELVDeskSheet::FirstTaskPage() {
    switch (m_task) {
    case TaskSend:
        return IDD_UPDATE;
    case TaskList:
        return IDD_SCAN_TO_LIST;
    case TaskUsers:
        return IDD_AUTHORIZED;
    default:
        break;
    }
    if (LoadCustomers() == 1)
        return AfterCustomer();
    return IDD_CUSTOMER;
}

int CZELVDeskSheet::AfterCustomer() {
    SetWizardButtons(WizBack | WizNext);
    if (!m_dataClustersLoaded || m_dataClusterCustomer != Customer()) {
        m_dataClusters.clear();
        std::vector<ZELVCLUSTERFULL> list;
        if (m_connection->List(&list, Customer()).IsOK())
            m_dataClusters = std::move(list);
        m_dataClusterCustomer = Customer();
        m_dataClustersLoaded = true;
    }

    switch (m_task) {
    case TaskScanIn:
        m_media.Clear();
        return FillLocationList() == 1 ? IDD_RECEIVE_VOLUMES : IDD_RECEIVE_LOCATION;
    case TaskScanOut:
        m_media.Clear();
        if (FillLocationList() != 1)
            return IDD_SEND_LOCATION;
        BuildSendList();
        return IDD_SEND_CONTAINER;
    case TaskVolumeManagement:
        return IDD_MANAGE;
    case TaskMoveLists:
        return IDD_MOVE_LIST;
    case TaskFiles:
        return IDD_FILE;
    default:
        break;
    }
    if (LoadMediaTypes() == 1)
        return AfterMediaType();
    return IDD_MEDIA;
}

int CZELVDeskSheet::AfterMediaType() {
    LoadMediaVolumes();
    const int locations = FillLocationList();
    switch (m_task) {
    case TaskRecall:
        if (locations == 1)
            return IDD_VOLUME;
        m_locationFilter = ZELVDeskConfig::LocalRepositoryFilter(Config());
        LocationList(TaskRecall)->SetFilter(m_locationFilter);
        return IDD_RETRIEVE_LOCATION;
    case TaskReconciliation:
        // The Reconciliation and Library Management pages fill their lists.
        m_locationFilter = ZELVDeskConfig::LocalRepositoryFilter(Config());
        LocationList(TaskReconciliation)->SetFilter(m_locationFilter);
        return IDD_RECONCILIATION_LOCATION;
    case TaskLibraryManagement: {
        m_locationFilter = ZELVDeskConfig::LocalRepositoryFilter(Config());
        CZELV10RepositoryRows* rows = LocationList(TaskLibraryManagement);
        rows->SetFilter(m_locationFilter);
        // With one Repository there is nothing to choose: its window opens
        // at once and the task menu follows.
        if (rows->FillForMedia(*m_connection, Customer(), Media()) == 1) {
            const ZELVREPOSITORYFULL only = *rows->At(0);
            SetRepository(only.repositoryId.Text());
            ManageLibrary(only, this);
            return IDD_INTRO;
        }
        return IDD_LIBRARY_MANAGEMENT;
    }
    default:
        // No other task leads through the Media Type.
        return IDD_INTRO;
    }
}

int CZELVDeskSheet::CustomerBackTarget() const {
    return m_customerCache->Count() == 1 ? IDD_INTRO : IDD_CUSTOMER;
}

int CZELVDeskSheet::MediaBackTarget() const {
    return m_mediaTypes.size() == 1 ? IDD_INTRO : IDD_MEDIA;
}

bool CZELVDeskSheet::HasUnprocessedWork() const {
    switch (m_task) {
    case TaskSend:
        return !m_scanList.IsEmpty();
    case TaskRecall:
        return !m_recallSelection.empty();
    default:
        return false;
    }
}

bool CZELVDeskSheet::ConfirmExit() {
    if (m_exitConfirmed || !HasUnprocessedWork())
        return true;
    const int answer =
        m_prompter->Ask(ZELVDeskString(IDS_EXIT_TEXT), ZELVDeskString(IDS_EXIT_CAPTION),
                        PromptIcon::Question, PromptButtons::YesNo, PromptNone, this);
    if (answer != PromptYes)
        return false;
    m_exitConfirmed = true;
    return true;
}

bool CZELVDeskSheet::ConfirmCustomerChange() {
    if (m_recallSelection.empty())
        return true;
    const int answer = m_prompter->Ask(ZELVDeskString(IDS_CUSTOMER_CHANGE_TEXT),
                                       ZELVDeskString(IDS_CUSTOMER_CHANGE_CAPTION),
                                       PromptIcon::Warning, PromptButtons::YesNo, PromptNone, this);
    if (answer != PromptYes)
        return false;
    m_recallSelection.clear();
    return true;
}

void CZELVDeskSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape asks before unprocessed work is dropped; a refusal swallows it.
        event->accept();
        if (ConfirmExit())
            TryCancel();
        return;
    }
    CZELVWizardSheet::keyPressEvent(event);
}

void CZELVDeskSheet::done(int result) {
    // Leaving the wizard ends the task's log with its end-of-file line.
    m_log->Close();
    CZELVWizardSheet::done(result);
}

CZELVDeskSheet* DeskSheetOf(const CZELVWizardPage* page) {
    return page ? qobject_cast<CZELVDeskSheet*>(page->Sheet()) : nullptr;
}
