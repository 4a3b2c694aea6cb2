#include "SendContainerPage.h"

#include "ContainerAllocation.h"
#include "ContainerCache.h"
#include "ScanPage.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDate.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVLogListCtrl.h"
#include "ZELVSound.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kScanButtonIcon = 371;
constexpr int kOtherIcon = 348;

int Compare(uint64_t a, uint64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

// --- Container list ------------------------------------------------------------

CSendContainerListCtrl::CSendContainerListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    const int volumeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("ACME.CONT.A000000000")) + 32;
    InsertColumn(ColContainer, QStringLiteral("Container"), qMax(160, volumeWidth), Qt::AlignLeft);
    InsertColumn(ColCapacity, QStringLiteral("Capacity"), 70, Qt::AlignRight);
    InsertColumn(ColUsed, QStringLiteral("Used"), 70, Qt::AlignRight);
    InsertColumn(ColAvailable, QStringLiteral("Available"), 70, Qt::AlignRight);
    InsertColumn(ColReserved, QStringLiteral("Reserved"), 70, Qt::AlignRight);
    InsertColumn(ColTarget, QStringLiteral("Target Repository"), 150, Qt::AlignLeft);
    InsertColumn(ColDataCluster, QStringLiteral("Data-Cluster"), 1, Qt::AlignLeft);
    QList<QIcon> images = {ZELVIcon(227)};
    images.append(RepositoryImageList());
    images.append(ZELVIcon(kOtherIcon));
    SetImages(images);
    SetRows(&m_rows);
}

CSendContainerListCtrl::~CSendContainerListCtrl() {
    SetRows(nullptr);
}

const CandidateContainer* CSendContainerListCtrl::CandidateAt(int row) const {
    return row >= 0 && size_t(row) < m_candidates.size() ? &m_candidates[size_t(row)] : nullptr;
}

int CSendContainerListCtrl::FindRow(const CVolumeKey& key) const {
    for (size_t i = 0; i < m_candidates.size(); ++i)
        if (m_candidates[i].key == key)
            return int(i);
    return -1;
}

QString CSendContainerListCtrl::Rows::Text(int row, int column) const {
    if (row < 0 || size_t(row) >= m_c.size())
        return {};
    const CandidateContainer& c = m_c[size_t(row)];
    switch (column) {
    case ColContainer:
        return c.key.Text();
    case ColCapacity:
        return c.capacity ? FormatCount(c.capacity) : QStringLiteral("Undefined");
    case ColUsed:
        return FormatCount(c.used);
    case ColAvailable:
        // A Container used beyond its capacity has nothing left, not a wrap-around.
        return c.capacity ? FormatCount(c.capacity > c.used ? c.capacity - c.used : 0)
                          : QStringLiteral("Unknown");
    case ColReserved:
        return FormatCount(c.reserved);
    case ColTarget:
        return c.repositoryText;
    case ColDataCluster:
        return c.dataCluster;
    default:
        return {};
    }
}

int CSendContainerListCtrl::Rows::Image(int row, int column) const {
    if (row < 0 || size_t(row) >= m_c.size())
        return -1;
    const CandidateContainer& c = m_c[size_t(row)];
    if (column == ColContainer)
        return 0;
    if (column == ColTarget && !c.repository.isEmpty())
        return 1 + (c.repositoryType >= 0 && c.repositoryType <= 8 ? c.repositoryType : 9);
    return -1;
}

const void* CSendContainerListCtrl::Rows::Record(int row) const {
    return row >= 0 && size_t(row) < m_c.size() ? &m_c[size_t(row)] : nullptr;
}

int CSendContainerListCtrl::Rows::Compare(int left, int right, int column) const {
    const CandidateContainer& a = m_c[size_t(left)];
    const CandidateContainer& b = m_c[size_t(right)];
    switch (column) {
    case ColContainer:
        return a.key < b.key ? -1 : (b.key < a.key ? 1 : 0);
    case ColCapacity:
        return ::Compare(a.capacity, b.capacity);
    case ColUsed:
        return ::Compare(a.used, b.used);
    case ColAvailable:
        return ::Compare(int64_t(a.capacity) - a.used + (1ll << 40),
                         int64_t(b.capacity) - b.used + (1ll << 40));
    case ColReserved:
        return ::Compare(a.reserved, b.reserved);
    case ColTarget:
        return a.repositoryText.compare(b.repositoryText);
    case ColDataCluster:
        return a.dataCluster.compare(b.dataCluster);
    default:
        return 0;
    }
}

bool CSendContainerListCtrl::Rows::ApplyOrder(const std::vector<int>& order) {
    std::vector<CandidateContainer> sorted;
    sorted.reserve(order.size());
    for (int index : order)
        sorted.push_back(std::move(m_c[size_t(index)]));
    m_c.swap(sorted);
    return true;
}

// --- Allocation dialog -----------------------------------------------------------

CSendContainerAllocationDlg::CSendContainerAllocationDlg(
    const std::vector<VOLUMEPAGE_ITEM>& sendList, const CandidateContainer& container,
    QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("sendContainerAllocationDlg"));
    setWindowTitle(
        QStringLiteral("%1: %2").arg(QStringLiteral("Container Allocation"), container.key.Text()));
    m_list = new CZELVListCtrl(this);
    m_list->setObjectName(QStringLiteral("allocationList"));
    m_list->InsertColumn(0, QStringLiteral("Volume"), 150, Qt::AlignLeft);
    m_list->InsertColumn(1, QStringLiteral("Data-Cluster"), 1, Qt::AlignLeft);
    m_list->LoadIcons({236});
    int row = 0;
    for (const VOLUMEPAGE_ITEM& item : sendList) {
        if (item.container || item.containerNumber != container.number)
            continue;
        m_list->InsertItem(row, item.key.Text(), 0);
        m_list->SetItemText(row, 1, item.dataCluster);
        ++row;
    }
    m_list->SizeColumnToHeader(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(420, 320);
}

// --- Page ----------------------------------------------------------------------

CSendContainerPage::CSendContainerPage() : CZELVDeskPage(IDD_SEND_CONTAINER) {
    SetHeader(ZELVDeskString(365), ZELVDeskString(357));
    setObjectName(QStringLiteral("sendContainerPage"));

    auto* intro = new QLabel(QStringLiteral("The Scan-Out Container Selection screen allows you to "
                                            "select Containers from the Scan-Out location that "
                                            "will be used to carry Volumes that are to be sent "
                                            "out."),
                             this);
    intro->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("You do not have to select any Containers, or you can "
                                           "select one or more Containers."),
                            this);
    hint->setWordWrap(true);
    m_scanButton = new QPushButton(ZELVIcon(kScanButtonIcon), QStringLiteral("Scan"), this);
    m_scanButton->setObjectName(QStringLiteral("scanButton"));
    m_scanButton->setAutoDefault(false);
    connect(m_scanButton, &QPushButton::clicked, this, &CSendContainerPage::OpenScanWindow);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("containerTabs"));
    m_list = new CSendContainerListCtrl(m_tabs);
    m_list->setObjectName(QStringLiteral("containerList"));
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) {
        if (CZELVDeskSheet* sheet = Desk())
            sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    });
    connect(m_list->Table()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSendContainerPage::OnSelectionChanged);
    m_log = new CZELVLogListCtrl(m_tabs);
    m_log->setObjectName(QStringLiteral("allocationLog"));
    m_log->Setup();
    m_tabs->addTab(m_list, QStringLiteral("Containers"));
    m_tabs->addTab(m_log, QStringLiteral("Allocation Log"));

    // "SEND": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* send = m_menu->addMenu(QStringLiteral("SEND"));
    QAction* show = send->addAction(QStringLiteral("&Show Allocation"));
    show->setData(kShowAllocationCommand);
    connect(show, &QAction::triggered, this, &CSendContainerPage::ShowAllocation);
    m_list->SetContextMenu(m_menu, 0);

    auto* top = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->addWidget(intro);
    texts->addWidget(hint);
    top->addLayout(texts, 1);
    top->addWidget(m_scanButton, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tabs, 1);
}

CSendContainerPage::~CSendContainerPage() = default;

void CSendContainerPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    if (!m_allocation) {
        // The rules are read once per run.
        CContainerAllocation::Services services;
        services.config = &sheet->Config();
        services.connection = &sheet->Connection();
        services.repositories = &sheet->RepositoryCache();
        services.clusters = &sheet->DataClusters();
        services.log = [this](int image, const QString& text) { m_log->AddLine(image, text); };
        services.notify = [sheet](const QString& title, const QString& line1, const QString& line2,
                                  int icon) { sheet->ShowNotification(title, line1, line2, icon); };
        m_allocation = std::make_unique<CContainerAllocation>(std::move(services));
    }

    std::vector<CandidateContainer>& candidates = m_list->Candidates();
    m_log->DeleteAllItems();
    {
        CRedrawPause pause(m_list);
        m_list->SelectNone();
        candidates.clear();
        m_list->Reload();
        BuildCandidateContainers(sheet->Connection(), sheet->ContainerCache(), sheet->Customer(),
                                 sheet->Repository(), sheet->RepositoryCache(),
                                 sheet->DataClusters(), &candidates);
        m_allocation->Allocate(sheet->SendList(), candidates);
        m_list->Reload();
        CContainerAllocation::Preselect(sheet->SendList(), candidates);
        Reselect(true);
    }
    m_list->SizeColumnToHeader(CSendContainerListCtrl::ColDataCluster);
    m_log->SizeColumnToHeader(0);

    if (candidates.empty()) {
        sheet->ShowNotification(
            QStringLiteral("No Eligible Containers"),
            QStringLiteral("No eligible Containers in Repository-ID(%1)").arg(sheet->Repository()),
            QStringLiteral("Please correct and restart if required"), kNoContainersIcon);
        sheet->Sounds().Play(kNoContainersSound);
        sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
    }
}

void CSendContainerPage::Reselect(bool reservedToo) {
    m_reselecting = true;
    const std::vector<CandidateContainer>& candidates = m_list->Candidates();
    for (size_t i = 0; i < candidates.size(); ++i)
        if ((candidates[i].flags & kCandidateMustSelect) ||
            (reservedToo && candidates[i].reserved != 0))
            m_list->SetItemSelected(int(i), true);
    m_reselecting = false;
}

void CSendContainerPage::OnSelectionChanged(const QItemSelection& selected,
                                            const QItemSelection& deselected) {
    if (m_reselecting)
        return;
    // A plain click replaces the whole selection: the rows that must stay
    // selected come back. Ctrl+click on one row may still take it out.
    QSet<int> rows;
    for (const QModelIndex& index : deselected.indexes())
        rows.insert(index.row());
    if (rows.size() > 1 || (!rows.isEmpty() && !selected.isEmpty()))
        Reselect(false);
}

ZELVSCANVOLUMEARGS CSendContainerPage::ScanArgs() {
    ZELVSCANVOLUMEARGS args;
    args.message = kZelvScanMessage;
    args.notify = [this](const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
        return OnScan(result, item);
    };
    if (CZELVDeskSheet* sheet = Desk()) {
        args.customerId.Set(sheet->Customer());
        args.config = &sheet->Config();
    }
    return args;
}

void CSendContainerPage::OpenScanWindow() {
    if (CZELVDeskSheet* sheet = Desk())
        ScanDialog(sheet->Connection(), ScanArgs(), QStringLiteral("Scan to select Container"),
                   sheet);
}

uint32_t CSendContainerPage::OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
    if (!result.IsOK(0))
        return ZELV10RC_OK;
    const int row = m_list->FindRow(CVolumeKey(item));
    if (row < 0)
        return ZELV10RC_NOTINLIST;
    m_reselecting = true;
    m_list->SetItemSelected(row, true);
    m_reselecting = false;
    return ZELV10RC_OK;
}

void CSendContainerPage::ShowAllocation() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    for (int row : m_list->GetSelectedRows()) {
        const CandidateContainer* candidate = m_list->CandidateAt(row);
        if (!candidate)
            continue;
        CSendContainerAllocationDlg dialog(sheet->SendList(), *candidate, sheet);
        dialog.exec();
    }
}

int CSendContainerPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    std::vector<CandidateContainer>& chosen = sheet->Candidates();
    chosen.clear();
    Reselect(true);
    for (int row : m_list->GetSelectedRows())
        if (const CandidateContainer* candidate = m_list->CandidateAt(row))
            chosen.push_back(*candidate);
    CContainerAllocation::WriteAllocations(sheet->Connection(), sheet->SendList());
    return IDD_SEND_VOLUMES;
}

int CSendContainerPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}
