#include "IntroPage.h"

#include "CustomerPropertyGridCtrl.h"
#include "IntroProperties.h"
#include "ZELV10PasswordDlg.h"
#include "ZELVCmdWindow.h"
#include "ZELVDeskConfig.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVFilter.h"
#include "ZELVIcons.h"
#include "ZELVLauncher.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {

struct BuiltIn {
    const char* text;
    int code;
    int image;
    int description;
};

// The built-in tasks in the order they are registered.
constexpr BuiltIn kBuiltIns[] = {
    {"Users", TaskUsers, 10, 326},
    {"Password", TaskPassword, 9, 330},
    {"Upload and Download Files", TaskFiles, 2, 339},
    {"Users Guide", TaskUsersGuide, 5, 313},
    {"Get Help", TaskGetHelp, 0, 311},
    {"List", TaskList, 8, 345},
    {"Library Reconciliation", TaskReconciliation, 11, 379},
    {"Scan-In", TaskScanIn, 6, 318},
    {"Scan-Out", TaskScanOut, 7, 320},
    {"Send", TaskSend, 3, 316},
    {"Recall", TaskRecall, 4, 315},
    {"Move Lists", TaskMoveLists, 15, 332},
    {"Volume Management", TaskVolumeManagement, 1, 323},
    {"SCSI Media Changer Console", TaskScsiConsole, 13, 692},
    {"Library Management", TaskLibraryManagement, 14, 331},
    {"Excel Import", TaskExcelImport, 16, 212},
};

constexpr int kCommandImage = 13;
constexpr int kCommandSequence = 500;

int ClampSequence(long long value) {
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

QString CustomerDisplayName(const ZELVCUSTEx& customer) {
    if (!customer.name.IsEmpty())
        return customer.name.Text();
    return QString::asprintf("ID(%.*s)", kZelvCustomerIdLen, customer.customerId.Data());
}

} // namespace

void CIntroTaskList::showPopup() {
    Q_EMIT DroppedDown();
    QComboBox::showPopup();
}

CIntroPage::CIntroPage() : CZELVDeskPage(IDD_INTRO) {
    SetHideHeader(true);

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("Welcome to Kelmar Lite™"), this);
    caption->setObjectName(QStringLiteral("introCaption"));
    QFont captionFont = caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.5);
    captionFont.setBold(true);
    caption->setFont(captionFont);
    layout->addWidget(caption);

    auto* group = new QGroupBox(QStringLiteral("Introduction"), this);
    group->setObjectName(QStringLiteral("introGroup"));
    auto* groupLayout = new QVBoxLayout(group);
    auto* intro =
        new QLabel(QStringLiteral("Kelmar Lite will step you through common tape management "
                                  "tasks such as scanning-in, scanning out and viewing your "
                                  "tape inventory."),
                   group);
    intro->setWordWrap(true);
    groupLayout->addWidget(intro);
    groupLayout->addWidget(new QLabel(QStringLiteral("Please select a task"), group));
    m_list = new CIntroTaskList(group);
    m_list->setObjectName(QStringLiteral("taskList"));
    m_list->setIconSize(QSize(16, 16));
    m_list->setMaxVisibleItems(20);
    groupLayout->addWidget(m_list);
    layout->addWidget(group);

    m_customerFrame = new QFrame(this);
    m_customerFrame->setObjectName(QStringLiteral("customerFrame"));
    m_customerFrame->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(m_customerFrame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->setSpacing(0);
    m_tabs = new QTabBar(m_customerFrame);
    m_tabs->setObjectName(QStringLiteral("customerTabs"));
    m_tabs->setExpanding(false);
    m_tabs->hide();
    frameLayout->addWidget(m_tabs);
    m_properties = new CIntroProperties(m_customerFrame);
    m_properties->hide();
    frameLayout->addWidget(m_properties, 1);
    layout->addWidget(m_customerFrame, 1);

    m_promptTimer = new QTimer(this);
    m_promptTimer->setObjectName(QStringLiteral("promptTimer"));
    m_promptTimer->setInterval(kPromptDelayMs);
    m_dropTimer = new QTimer(this);
    m_dropTimer->setObjectName(QStringLiteral("dropTimer"));
    m_dropTimer->setInterval(kDropDelayMs);
    connect(m_promptTimer, &QTimer::timeout, this, [this] { OnTimer(kPromptTimer); });
    connect(m_dropTimer, &QTimer::timeout, this, [this] { OnTimer(kDropTimer); });

    connect(m_list, &QComboBox::activated, this, &CIntroPage::ChooseRow);
    connect(m_list, &CIntroTaskList::DroppedDown, this, [this] {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->Sounds().Play(SoundListDropDown);
    });
    connect(m_tabs, &QTabBar::currentChanged, this, &CIntroPage::OnTabChanged);
}

CIntroPage::~CIntroPage() = default;

std::vector<CIntroPageOp>
CIntroPage::BuildEntries(const ZELVConfig& config,
                         const std::function<QString(const QString&, int)>& expand) {
    const QList<ZELVDeskConfig::MenuElement> elements = ZELVDeskConfig::MenuElements(config);
    std::vector<CIntroPageOp> entries;

    for (const BuiltIn& b : kBuiltIns) {
        CIntroPageOp op;
        op.code = b.code;
        op.text = QString::fromLatin1(b.text);
        op.sequence = b.code;
        op.description = b.description;
        op.image = b.image;
        bool hidden = false;
        // The first element whose filter matches the built-in text applies.
        for (const ZELVDeskConfig::MenuElement& e : elements) {
            if (!e.filter || !CZELVFilter::Match(*e.filter, op.text))
                continue;
            hidden = e.hidden;
            if (e.text)
                op.text = *e.text;
            if (e.sequence)
                op.sequence = ClampSequence(*e.sequence);
            break;
        }
        if (!hidden)
            entries.push_back(op);
    }

    for (const ZELVDeskConfig::MenuElement& e : elements) {
        if (e.hidden || !e.command || !e.text)
            continue;
        CIntroPageOp op;
        op.code = TaskCommand;
        op.text = *e.text;
        op.command = expand ? expand(*e.command, kMaxCommand) : *e.command;
        op.sequence = e.sequence ? ClampSequence(*e.sequence) : kCommandSequence;
        op.description = IDS_COMMAND_DESCRIPTION;
        op.image = kCommandImage;
        op.filters = e.filters;
        op.shell = e.shell;
        entries.push_back(op);
    }

    // Largest sequence first; the list is filled from the top, so it shows
    // them smallest first. Equal sequences end up in registration order there.
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&entries](size_t a, size_t b) {
        if (entries[a].sequence != entries[b].sequence)
            return entries[a].sequence > entries[b].sequence;
        return a > b;
    });
    std::vector<CIntroPageOp> sorted;
    sorted.reserve(entries.size());
    for (size_t i : order)
        sorted.push_back(std::move(entries[i]));
    return sorted;
}

void CIntroPage::OnInitDialog() {
    m_initialized = true;
    CZELVDeskSheet* sheet = Desk();
    m_entries = BuildEntries(sheet->Config(), [sheet](const QString& text, int size) {
        return sheet->Expand(text, size);
    });
    FillList();
    m_properties->Grid()->SetWarn([sheet](const QString& title, const QString& text) {
        sheet->ShowNotification(title, text, QString(), IconWarning, 10000);
    });
    BuildCustomerTabs();
    m_promptTimer->start();
}

void CIntroPage::FillList() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const CIntroPageOp& op = m_entries[i];
        const int icon =
            op.image >= 0 && op.image < int(kIconSet.size()) ? kIconSet[size_t(op.image)] : 0;
        m_list->insertItem(0, ZELVIcon(icon), op.text, int(i));
        m_list->setItemData(0, ZELVDeskString(op.description), Qt::ToolTipRole);
    }
    m_list->setCurrentIndex(-1);
}

void CIntroPage::BuildCustomerTabs() {
    CZELVDeskSheet* sheet = Desk();
    m_tabCustomers.clear();
    // The panel shows live figures, so the menu needs the server before any
    // task has logged on.
    if (sheet->EnsureLoggedOn())
        sheet->LoadCustomers();
    for (const ZELVCUSTEx& c : sheet->Customers())
        if (!(c.flags & ZELVCUST_EXCLUDED) && c.chartCount != 0)
            m_tabCustomers.push_back(c);

    const QSignalBlocker block(m_tabs);
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (const ZELVCUSTEx& c : m_tabCustomers)
        m_tabs->addTab(CustomerDisplayName(c));
    const bool any = !m_tabCustomers.empty();
    m_tabs->setVisible(any);
    m_properties->setVisible(any);
    if (any) {
        m_tabs->setCurrentIndex(0);
        OnTabChanged(0);
    }
}

void CIntroPage::OnTabChanged(int index) {
    if (index < 0 || size_t(index) >= m_tabCustomers.size())
        return;
    if (CZELVDeskSheet* sheet = Desk())
        m_properties->Fill(sheet->Connection(), m_tabCustomers[size_t(index)]);
}

void CIntroPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_initialized)
        OnInitDialog();
    sheet->SetWizardButtons(EntryAt(m_list->currentIndex()) ? int(CZELVWizardSheet::WizNext) : 0);
}

const CIntroPageOp* CIntroPage::EntryAt(int row) const {
    if (row < 0 || row >= m_list->count())
        return nullptr;
    bool ok = false;
    const int index = m_list->itemData(row).toInt(&ok);
    if (!ok || index < 0 || size_t(index) >= m_entries.size())
        return nullptr;
    return &m_entries[size_t(index)];
}

QStringList CIntroPage::ListTexts() const {
    QStringList texts;
    for (int row = 0; row < m_list->count(); ++row)
        texts.append(m_list->itemText(row));
    return texts;
}

void CIntroPage::ChooseRow(int row) {
    m_promptTimer->stop();
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!EntryAt(row)) {
        sheet->SetWizardButtons(0);
        return;
    }
    if (m_list->currentIndex() != row)
        m_list->setCurrentIndex(row);
    // Choosing is enough to start the task.
    sheet->SetWizardButtons(CZELVWizardSheet::WizNext);
    sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
}

QTimer* CIntroPage::Timer(int id) const {
    switch (id) {
    case kPromptTimer:
        return m_promptTimer;
    case kDropTimer:
        return m_dropTimer;
    default:
        return nullptr;
    }
}

void CIntroPage::OnTimer(int id) {
    CZELVDeskSheet* sheet = Desk();
    if (id == kPromptTimer) {
        m_promptTimer->stop();
        if (sheet)
            sheet->SayText(QString::fromLatin1(kPrompt));
        m_dropTimer->start();
    } else if (id == kDropTimer) {
        m_dropTimer->stop();
        m_list->showPopup();
    }
}

int CIntroPage::OnWizardNext() {
    m_promptTimer->stop();
    m_dropTimer->stop();
    CZELVDeskSheet* sheet = Desk();
    const CIntroPageOp* op = EntryAt(m_list->currentIndex());
    if (!sheet || !op)
        return kStay;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    sheet->SetTask(op->code);

    switch (op->code) {
    case TaskCommand:
        RunCommand(*op);
        return kStay;
    case TaskPassword:
        ResetOwnPassword();
        return kStay;
    case TaskScsiConsole:
        StartScsiConsole();
        return kStay;
    case TaskExcelImport:
        StartExcelImport();
        return kStay;
    case TaskUsersGuide:
        OpenUsersGuide();
        return kStay;
    case TaskGetHelp:
        sheet->Host().GetAssistance(sheet);
        return kStay;
    default:
        return ChooseLogFolder();
    }
}

int CIntroPage::ChooseLogFolder() {
    CZELVDeskSheet* sheet = Desk();
    if (const std::optional<QString> logfile = ZELVDeskConfig::LogFile(sheet->Config())) {
        const QString folder = sheet->Expand(*logfile, ZELVDeskConfig::kMaxExpandedPath);
        sheet->SetLogFolder(folder);
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            sheet->SetLogFolderKnown(true);
        } else {
            sheet->ShowNotification(
                QStringLiteral("Configuration Problem"),
                QStringLiteral("The Folder in your 'logfile' setting does not exist"), QString(),
                IconWarning);
            sheet->SetLogFolder(QString());
            sheet->SetLogFolderKnown(false);
        }
    }

    // Send always shows the Options page: its defaults are chosen there.
    if (sheet->IsLogFolderKnown() && sheet->Task() != TaskSend &&
        sheet->OpenLogAndLogon(sheet->LogFolder())) {
        sheet->ShowNotification(QStringLiteral("Bypassing Log Selection"),
                                QStringLiteral("Log Automatically set in config file"), QString(),
                                IconInformation);
        return sheet->FirstTaskPage();
    }
    return IDD_OPTIONS;
}

void CIntroPage::Tell(const QString& text, const QString& caption) {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->GetPrompter().Tell(text, caption, PromptIcon::Information, this);
}

void CIntroPage::RunCommand(const CIntroPageOp& op) {
    CZELVDeskSheet* sheet = Desk();
    // No shell unless the entry asks for one: the command's words are its
    // arguments, and nothing in them is read as shell syntax.
    const ZELVProgram program = CZELVCmdWindow::CommandProgram(op.command, op.shell);
    if (program.program.isEmpty()) {
        Tell(QStringLiteral("The command is empty."), op.text);
        return;
    }
    sheet->Launcher().RunInWindow(program, op.filters, sheet->GetPrompter(), sheet);
}

void CIntroPage::ResetOwnPassword() {
    CZELVDeskSheet* sheet = Desk();
    // The dialog changes the password of the user the connection logged on as.
    sheet->EnsureLoggedOn();
    ResetPassword(sheet->Connection(), sheet->GetPrompter(), sheet);
}

void CIntroPage::StartScsiConsole() {
    CZELVDeskSheet* sheet = Desk();
    const QString caption = QStringLiteral("SCSI Media Changer Console");
    const QFileInfo console(
        QDir(sheet->ProgramFolder()).filePath(QString::fromLatin1(kScsiProgram)));
    if (!console.isFile() || !console.isExecutable()) {
        Tell(QStringLiteral(
                 "The SCSI Media Changer Console is not installed (%1 was not found in %2).")
                 .arg(QString::fromLatin1(kScsiProgram), sheet->ProgramFolder()),
             caption);
        return;
    }
    // The console needs the rights to drive the changer's device, so it runs
    // elevated; the display settings go with it so that it can show its window.
    ZELVProgram program;
    if (geteuid() == 0) {
        program.program = console.absoluteFilePath();
    } else {
        program.program = QStringLiteral("pkexec");
        program.arguments.append(QStringLiteral("env"));
        for (const char* name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY"}) {
            const QString value = qEnvironmentVariable(name);
            if (!value.isEmpty())
                program.arguments.append(QString::fromLatin1(name) + QLatin1Char('=') + value);
        }
        program.arguments.append(console.absoluteFilePath());
    }
    if (!sheet->Launcher().RunAndWait(program))
        Tell(QStringLiteral("The SCSI Media Changer Console could not be started."), caption);
}

void CIntroPage::StartExcelImport() {
    CZELVDeskSheet* sheet = Desk();
    const QString caption = QStringLiteral("Excel Import");
    const QFileInfo import(
        QDir(sheet->ProgramFolder()).filePath(QString::fromLatin1(kExcelImportProgram)));
    if (!import.isFile() || !import.isExecutable()) {
        Tell(QStringLiteral("Excel Import is not installed (%1 was not found in %2).")
                 .arg(QString::fromLatin1(kExcelImportProgram), sheet->ProgramFolder()),
             caption);
        return;
    }
    // The import connects to the same server and reads the same configuration;
    // both go through its environment, never its command line, so that no
    // password shows in the process list.
    ZELVProgram program;
    program.program = import.absoluteFilePath();
    const QString server = AddressText(sheet->Connection().ServerAddress());
    if (!server.isEmpty())
        program.environment.append(QStringLiteral("ZELVDEFAULTSERVER=") + server);
    if (!sheet->Config().Path().isEmpty())
        program.environment.append(QStringLiteral("ZELVCONFIGFILE=") + sheet->Config().Path());
    if (!sheet->Launcher().RunAndWait(program))
        Tell(QStringLiteral("Excel Import could not be started."), caption);
}

QString CIntroPage::FindUsersGuide() const {
    const CZELVDeskSheet* sheet = Desk();
    const QDir folder(sheet ? sheet->ProgramFolder() : QDir::currentPath());
    const QString name = QString::fromLatin1(kUsersGuide);
    const QStringList candidates = {
        folder.filePath(name),
        folder.filePath(QStringLiteral("../share/doc/kelmar-lite/") + name),
        QStringLiteral("/usr/share/doc/kelmar-lite/") + name,
    };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    return QString();
}

void CIntroPage::OpenUsersGuide() {
    CZELVDeskSheet* sheet = Desk();
    const QString caption = QStringLiteral("Users Guide");
    const QString guide = FindUsersGuide();
    if (guide.isEmpty()) {
        Tell(QStringLiteral("The Users Guide is not installed."), caption);
        return;
    }
    if (!sheet->Launcher().OpenUrl(QUrl::fromLocalFile(guide)))
        Tell(QStringLiteral("No program was found to open the Users Guide:\n\n%1").arg(guide),
             caption);
}

QString CIntroPage::AddressText(const ZELVServerAddress& address) {
    if (address.IsFile())
        return QStringLiteral("kelmar://") + address.filePath;
    if (address.IsEmpty())
        return QString();
    QUrl url;
    url.setScheme(QStringLiteral("kelmar"));
    url.setHost(address.host);
    if (address.port > 0)
        url.setPort(address.port);
    url.setUserName(address.user);
    url.setPassword(address.password);
    if (!address.database.isEmpty())
        url.setPath(QLatin1Char('/') + address.database);
    if (!address.schema.isEmpty())
        url.setQuery(QStringLiteral("schema=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(address.schema)));
    return url.toString(QUrl::FullyEncoded);
}
