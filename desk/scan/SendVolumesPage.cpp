#include "SendVolumesPage.h"

#include "SendContainerExtraDlg.h"
#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVListCtrl.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum Column { ColVolume = 0, ColTo, ColContainer, ColDataCluster };
enum Image { ImageVolume = 0, ImageContainer = 1 };
constexpr int kCaptionIcon = 233;

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// "Scanned Items": a caption bar over the tree, as the list control draws its own.
QWidget* CaptionedTree(QTreeWidget* tree, QWidget* parent) {
    auto* panel = new QWidget(parent);
    auto* caption = new QFrame(panel);
    caption->setObjectName(QStringLiteral("caption"));
    caption->setAutoFillBackground(true);
    QPalette colours = caption->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Dark));
    colours.setColor(QPalette::WindowText, Qt::white);
    caption->setPalette(colours);
    auto* row = new QHBoxLayout(caption);
    row->setContentsMargins(4, 2, 4, 2);
    auto* icon = new QLabel(caption);
    icon->setPixmap(ZELVIcon(kCaptionIcon).pixmap(16, 16));
    auto* text = new QLabel(QStringLiteral("Scanned Items"), caption);
    text->setObjectName(QStringLiteral("captionText"));
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(caption);
    tree->setParent(panel);
    layout->addWidget(tree, 1);
    return panel;
}

void SetBold(QTreeWidgetItem* node, bool bold) {
    QFont font = node->font(0);
    font.setBold(bold);
    node->setFont(0, font);
}

} // namespace

// --- Rows ----------------------------------------------------------------------

const VOLUMEPAGE_ITEM* CSendVolumesPage::Rows::At(int row) const {
    const std::vector<VOLUMEPAGE_ITEM>* items = m_page.Items();
    if (!items || row < 0 || size_t(row) >= items->size())
        return nullptr;
    return &(*items)[size_t(row)];
}

int CSendVolumesPage::Rows::RowCount() const {
    const std::vector<VOLUMEPAGE_ITEM>* items = m_page.Items();
    return items ? int(items->size()) : 0;
}

QString CSendVolumesPage::Rows::Text(int row, int column) const {
    const VOLUMEPAGE_ITEM* item = At(row);
    if (!item)
        return {};
    switch (column) {
    case ColVolume:
        return item->key.Text();
    case ColTo:
        return item->targetText;
    case ColContainer: {
        const CZELVDeskSheet* sheet = m_page.Desk();
        return sheet ? sheet->ContainerText(item->containerNumber) : QString();
    }
    case ColDataCluster:
        return item->dataCluster;
    default:
        return {};
    }
}

int CSendVolumesPage::Rows::Image(int row, int column) const {
    const VOLUMEPAGE_ITEM* item = At(row);
    if (!item)
        return -1;
    switch (column) {
    case ColVolume:
        return item->container ? ImageContainer : ImageVolume;
    case ColTo: {
        const int type = item->targetType >= 0 && item->targetType <= 8 ? item->targetType
                                                                        : kUnknownRepositoryImage;
        return kRepositoryImageBase + type;
    }
    case ColContainer:
        return ImageContainer;
    default:
        return -1;
    }
}

bool CSendVolumesPage::Rows::ApplyOrder(const std::vector<int>& order) {
    std::vector<VOLUMEPAGE_ITEM>* items = m_page.Items();
    if (!items)
        return false;
    std::vector<VOLUMEPAGE_ITEM> sorted;
    sorted.reserve(order.size());
    for (int index : order)
        sorted.push_back(std::move((*items)[size_t(index)]));
    items->swap(sorted);
    return true;
}

// --- Page ----------------------------------------------------------------------

CSendVolumesPage::CSendVolumesPage()
    : CScanPage(IDD_SEND_VOLUMES,
                QStringLiteral("The Scan-Out Volume screen allows you to Scan-Out Volumes. Each "
                               "Volume that is scanned will be flagged with the Scanned-Out flag."),
                QStringLiteral("From Repository")) {
    SetHeader(ZELVDeskString(231), ZELVDeskString(240));
    setObjectName(QStringLiteral("sendVolumesPage"));
    Tabs()->setObjectName(QStringLiteral("scanOutTabs"));

    m_list = new CZELVListCtrl(Tabs());
    m_list->setObjectName(QStringLiteral("sendList"));
    // The longest Volume text must fit, whatever the desktop's font.
    const int volumeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("ACME.LTO6.A000000000")) + 32;
    m_list->InsertColumn(ColVolume, QStringLiteral("Volume"), qMax(160, volumeWidth),
                         Qt::AlignLeft);
    m_list->InsertColumn(ColTo, QStringLiteral("To"), 160, Qt::AlignLeft);
    m_list->InsertColumn(ColContainer, QStringLiteral("Container"), qMax(160, volumeWidth),
                         Qt::AlignLeft);
    m_list->InsertColumn(ColDataCluster, QStringLiteral("Data-Cluster"), 1, Qt::AlignLeft);
    QList<QIcon> images = {ZELVIcon(236), ZELVIcon(227)};
    images.append(RepositoryImageList());
    m_list->SetImages(images);
    m_list->SetRows(&m_rows);
    m_list->Table()->installEventFilter(this);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("scannedItems"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* node, int) { SetCurrent(node); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_menuNode = m_tree->itemAt(at);
        if (m_menuNode)
            m_containerMenu->popup(m_tree->viewport()->mapToGlobal(at));
    });

    // "SEND": the list's context menu; "CONTAINER": the tree's.
    m_menu = new QMenu(this);
    QMenu* send = m_menu->addMenu(QStringLiteral("SEND"));
    QAction* scan = send->addAction(QStringLiteral("&Scan"));
    scan->setData(kScanCommand);
    connect(scan, &QAction::triggered, this, &CSendVolumesPage::ScanSelected);
    m_list->SetContextMenu(m_menu, 0);
    m_containerMenu = new QMenu(QStringLiteral("CONTAINER"), this);
    QAction* current = m_containerMenu->addAction(QStringLiteral("&Set as Current"));
    current->setData(kSetCurrentCommand);
    connect(current, &QAction::triggered, this, [this]() { SetCurrent(m_menuNode); });

    BuildLayout(m_list, QStringLiteral("Scan-Out Log"), CaptionedTree(m_tree, this));
    UpdateTabLabel();
}

CSendVolumesPage::~CSendVolumesPage() {
    // The list draws from the sheet's array; it must stop first.
    m_list->SetRows(nullptr);
}

std::vector<VOLUMEPAGE_ITEM>* CSendVolumesPage::Items() const {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? &sheet->SendList() : nullptr;
}

void CSendVolumesPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_sorted) {
        // Volumes without a Container first, then Container by Container.
        std::stable_sort(sheet->SendList().begin(), sheet->SendList().end(),
                         [](const VOLUMEPAGE_ITEM& a, const VOLUMEPAGE_ITEM& b) {
                             return a.containerNumber < b.containerNumber;
                         });
        m_sorted = true;
    }
    // Next waits for the scanning window's first opening.
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack);
    RebuildTree();
    FillCaptionPairs();
    m_list->SizeColumnToHeader(ColDataCluster);
    ScanLog()->SizeColumnToHeader(0);
    UpdateTabLabel();
    // Scans kept while the server was away (this run or one that ended
    // before they were sent) go first.
    ReplayJournal();
    StartScanTimer();
}

void CSendVolumesPage::RebuildTree() {
    CZELVDeskSheet* sheet = Desk();
    m_tree->clear();
    m_current = nullptr;
    m_list->Reload();
    if (sheet && sheet->SendList().empty())
        sheet->GetPrompter().Tell(
            QStringLiteral(
                "There are no Volumes to Scan-Out that match the criteria that you have selected"),
            QStringLiteral("No matching Volumes"), PromptIcon::Information, sheet);

    auto* none = new QTreeWidgetItem(m_tree, QStringList{QStringLiteral("No Container")});
    none->setIcon(0, ZELVIcon(227));
    SetCurrent(none);
    if (!sheet)
        return;
    std::vector<CandidateContainer>& candidates = sheet->Candidates();
    for (CandidateContainer& candidate : candidates) {
        auto* node = new QTreeWidgetItem(m_tree, QStringList{candidate.key.Text()});
        node->setIcon(0, ZELVIcon(227));
        node->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(&candidate)));
        candidate.treeNode = node;
    }
    if (candidates.size() == 1)
        SetCurrent(candidates.front().treeNode);
}

void CSendVolumesPage::SetCurrent(QTreeWidgetItem* node) {
    if (!node)
        return;
    // A Volume node stands for the Container it lies in.
    while (node->parent())
        node = node->parent();
    if (m_current == node)
        return;
    if (m_current)
        SetBold(m_current, false);
    m_current = node;
    SetBold(m_current, true);
}

CandidateContainer* CSendVolumesPage::CurrentContainer() const {
    if (!m_current)
        return nullptr;
    return static_cast<CandidateContainer*>(m_current->data(0, Qt::UserRole).value<void*>());
}

void CSendVolumesPage::OnTimer(int id) {
    if (id != kScanTimer)
        return;
    if (CZELVDeskSheet* sheet = Desk())
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    CScanPage::OnTimer(id);
}

void CSendVolumesPage::UpdateTabLabel() {
    const std::vector<VOLUMEPAGE_ITEM>* items = Items();
    SetListTabLabel(QString::asprintf("Scan-Out List (%u)", items ? unsigned(items->size()) : 0u));
}

ZELVSCANVOLUMEARGS CSendVolumesPage::ScanArgs() {
    const std::vector<VOLUMEPAGE_ITEM>* items = Items();
    ZELVSCANVOLUMEARGS args =
        BaseScanArgs(items && !items->empty() ? items->front().key.Media() : QString());
    args.message = kZelvScanOutMessage;
    args.notify = [this](const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
        return OnScan(result, item);
    };
    return args;
}

void CSendVolumesPage::AddChild(QTreeWidgetItem* parent, const QString& text, int image) {
    auto* child = new QTreeWidgetItem(parent, QStringList{text});
    child->setIcon(0, ZELVIcon(image == TreeContainer ? 110 : 233));
    child->setData(0, Qt::UserRole + 1, image);
    parent->setExpanded(true);
    m_tree->scrollToItem(child);
    m_tree->viewport()->update();
}

void CSendVolumesPage::RemoveRow(size_t index) {
    std::vector<VOLUMEPAGE_ITEM>* items = Items();
    if (!items || index >= items->size())
        return;
    // The view drops the row as the array loses it, never asking for a row
    // the array no longer has.
    m_list->RemoveSourceRow(int(index),
                            [&] { items->erase(items->begin() + std::ptrdiff_t(index)); });
}

uint32_t CSendVolumesPage::OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return ZELV10RC_NOTINLIST;
    TransactionLog& log = sheet->Log();
    // With the server away the barcode is still read in full; only what the
    // server would add to it is missing.
    const bool away = ServerIsAway(result) && !item.volumeId.Text().isEmpty();
    if (!result.IsOK(0) && !away) {
        log.Write("Scan-Out: Error scanning Volume: %s", Utf8(result.Get()).constData());
        return result.Code();
    }
    const CVolumeKey key(item);
    const QString text = key.Text();

    // A Container's own barcode makes it the current one.
    for (int i = 1; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = m_tree->topLevelItem(i);
        if (node->text(0) == text) {
            SetCurrent(node);
            return ZELV10RC_OK;
        }
    }

    std::vector<VOLUMEPAGE_ITEM>& items = sheet->SendList();
    size_t found = 0;
    while (found < items.size() && items[found].key != key)
        ++found;
    if (found < items.size()) {
        CRedrawPause pause(m_list);
        const uint32_t code = ScanOutRow(found, away);
        if (code == ZELV10RC_OK || code == ZELV10RC_JOURNALED) {
            RemoveRow(found);
            if (items.empty())
                sheet->SayText(QStringLiteral("You have no remaining Volumes left to scan"));
            UpdateTabLabel();
        }
        return code;
    }

    if (away) {
        log.Write("Scan-Out: Error scanning Volume: %s", Utf8(result.Get()).constData());
        return result.Code();
    }
    sheet->Sounds().Play(kNotInListSound);
    sheet->Connection().ReportScan(key.Customer(), key.Media(), key.Volume());
    sheet->SayText(QStringLiteral("The Volume scanned was not in the list"));
    log.Write("Scan-Out: Error scanning Volume: %s as it was not in the list",
              Utf8(text).constData());
    const QString line = QStringLiteral("Error scanning barcode %1.").arg(text);
    ScanLog()->AddLine(CZELVLogListCtrl::Error, line);
    ShowScanError(line, QStringLiteral("Item is not in the list."));
    QueueScan(key);
    return ZELV10RC_NOTINLIST;
}

void CSendVolumesPage::QueueScan(const CVolumeKey& key) {
    CZELVDeskSheet* sheet = Desk();
    CandidateContainer* container = CurrentContainer();
    if (!sheet || !container)
        return;
    for (const CSendVolumesExtra& entry : m_queue)
        if (entry.key == key)
            return;
    CVolumeRecord record(sheet->Connection(), key);
    if (!record.Refresh().IsOK() || record.IsContainer())
        return;
    const QString target = record.Vol().Target().repositoryId.Text();
    if (container->repository.isEmpty()) {
        if (const ZELVREPOSITORYFULL* r =
                sheet->RepositoryCache().Find(key.Customer(), key.Media(), target)) {
            container->repository = target;
            container->repositoryText = CZELV10RepositoryCache::DisplayName(*r);
            container->repositoryType = int(r->type);
        }
    }
    CSendVolumesExtra entry;
    entry.key = key;
    entry.container = container;
    if (target != container->repository) {
        entry.location1 = record.Vol().Current().repositoryId.Text();
        entry.location2 = target;
    }
    m_queue.push_back(entry);
    sheet->ShowNotification(
        QStringLiteral("Volume Queued"), QStringLiteral("Queued Volume %1.").arg(key.Text()),
        QStringLiteral("Item was queued for possible Container assignment"), kQueuedIcon);
}

namespace {

// A Container goes where the Volumes scanned into it go.
void TakeInto(CandidateContainer* container, const VOLUMEPAGE_ITEM& row) {
    if (!container)
        return;
    container->repository = row.target;
    container->repositoryText = row.targetText;
    container->repositoryType = row.targetType;
    ++container->count;
}

} // namespace

uint32_t CSendVolumesPage::ScanOutRow(size_t index, bool away) {
    CZELVDeskSheet* sheet = Desk();
    std::vector<VOLUMEPAGE_ITEM>* items = Items();
    if (!sheet || !items || index >= items->size())
        return ZELV10RC_NOTINLIST;
    const VOLUMEPAGE_ITEM row = (*items)[index];
    CandidateContainer* container = CurrentContainer();
    Prompter& prompter = sheet->GetPrompter();

    if (!container && row.containerNumber != 0) {
        prompter.Tell(QStringLiteral("Volume must be scanned to the assigned Container.\n\n"
                                     "Assigned Container is %1")
                          .arg(sheet->ContainerText(row.containerNumber)),
                      QStringLiteral("Container Error"), PromptIcon::Error, sheet);
        return ZELV10RC_WRONGCONTAINER;
    }
    if (container && !row.container) {
        if (row.containerNumber != 0 && row.containerNumber != container->number) {
            prompter.Tell(
                QStringLiteral("Volume scanned to wrong Container.\n\n"
                               "Scanned %1, should be %2")
                    .arg(container->key.Text(), sheet->ContainerText(row.containerNumber)),
                QStringLiteral("Container Error"), PromptIcon::Information, sheet);
            return ZELV10RC_WRONGCONTAINER;
        }
        if (!container->repository.isEmpty() && container->repository != row.target) {
            prompter.Tell(QStringLiteral("Container is moving to a different Repository.\n\n"
                                         "Container is moving to %1, Volume is moving to %2")
                              .arg(container->repositoryText, row.targetText),
                          QStringLiteral("Assignment Error"), PromptIcon::Error, sheet);
            return ZELV10RC_CONTAINERELSEWHERE;
        }
    }

    // While the server is known to be away every scan goes to the journal
    // at once; the retry timer finds it back.
    if (away || !sheet->Connection().IsLoggedOn())
        return Journal(index, container);
    CVolumeRecord record(sheet->Connection(), row.key);
    CZELV10RC rc = record.Refresh();
    if (ServerIsAway(rc))
        return Journal(index, container);
    if (!rc.IsOK())
        return rc.Code();
    // The list was read a while ago: a Volume that someone else has sent,
    // stopped or redirected meanwhile is left as it is.
    const ZELVVOLS& vol = record.Vol();
    if (vol.Current().repositoryId.Text() != sheet->Repository() || !(vol.flags & ZELVVOL_MOVING) ||
        (vol.flags & ZELVVOL_SCANNEDOUT) || vol.Target().repositoryId.Text() != row.target) {
        rc = CZELV10RC(ZELV10RC_CHANGED,
                       QStringLiteral("%1 is now at %2 moving to %3%4, not as listed")
                           .arg(row.key.Text(), vol.Current().repositoryId.Text(),
                                vol.Target().repositoryId.Text(),
                                (vol.flags & ZELVVOL_SCANNEDOUT) ? QStringLiteral(", scanned out")
                                                                 : QString()));
    } else {
        record.Record().vol.flags |= ZELVVOL_SCANNEDOUT;
        if (container && !row.container && !record.IsContainer())
            record.Record().vol.container = container->number;
        rc = record.Update();
        // A write whose answer was lost is kept too: its replay finds the
        // Volume scanned out already instead of writing twice.
        if (ServerIsAway(rc))
            return Journal(index, container);
    }
    sheet->Log().Write("Scan-Out: Scanning Volume: %s - %s", Utf8(row.key.Text()).constData(),
                       Utf8(rc.Get()).constData());
    if (!rc.IsOK()) {
        const QString line = QStringLiteral("Error scanning barcode %1.").arg(row.key.Text());
        ScanLog()->AddLine(CZELVLogListCtrl::Error, line);
        ShowScanError(line, rc.Get());
        return rc.Code();
    }
    TakeInto(container, row);
    AddChild(m_current, row.key.Text(), row.container ? TreeContainer : TreeVolume);
    return ZELV10RC_OK;
}

uint32_t CSendVolumesPage::Journal(size_t index, CandidateContainer* container) {
    CZELVDeskSheet* sheet = Desk();
    const VOLUMEPAGE_ITEM row = (*Items())[index];
    const quint32 into = container && !row.container ? container->number : 0;
    if (!KeepInJournal(row.key, sheet->Repository(), row.version, into))
        return ZELV10RC_UNREACHABLE;
    ScanLog()->AddLine(CZELVLogListCtrl::Warning,
                       QStringLiteral("Barcode %1 kept in the scanning journal: the server cannot "
                                      "be reached.")
                           .arg(row.key.Text()));
    TakeInto(container, row);
    AddChild(m_current, row.key.Text(), row.container ? TreeContainer : TreeVolume);
    return ZELV10RC_JOURNALED;
}

QTreeWidgetItem* CSendVolumesPage::RootOf(uint32_t container) const {
    if (CZELVDeskSheet* sheet = Desk(); sheet && container != 0)
        for (const CandidateContainer& c : sheet->Candidates())
            if (c.number == container && c.treeNode)
                return c.treeNode;
    return m_tree->topLevelItemCount() > 0 ? m_tree->topLevelItem(0) : nullptr;
}

CScanJournal::Outcome CSendVolumesPage::ReplayEntry(const ScanJournalEntry& entry,
                                                    CVolumeRecord& record, ReplayRead read,
                                                    const QString& readProblem) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return CScanJournal::Outcome::Keep;
    const QString text = entry.key.Text();
    QString problem = readProblem;
    // The write of the scan itself may have gone through with its answer lost.
    const ZELVVOLS& vol = record.Vol();
    if (read == ReplayRead::Changed && (vol.flags & ZELVVOL_SCANNEDOUT) &&
        (entry.container == 0 || record.IsContainer() || vol.container == entry.container)) {
        sheet->Log().Write("Scan-Out: Scanning journal: Volume %s was scanned out already",
                           Utf8(text).constData());
        return CScanJournal::Outcome::Done;
    }
    CZELV10RC rc;
    if (read == ReplayRead::Current) {
        record.Record().vol.flags |= ZELVVOL_SCANNEDOUT;
        if (entry.container != 0 && !record.IsContainer())
            record.Record().vol.container = entry.container;
        rc = record.Update();
        if (ServerIsAway(rc))
            return CScanJournal::Outcome::Stop;
        if (!rc.IsOK())
            problem = rc.Get();
    }
    if (!problem.isEmpty()) {
        sheet->Log().Write("Scan-Out: Scanning journal: Volume %s not scanned out: %s",
                           Utf8(text).constData(), Utf8(problem).constData());
        const QString line = QStringLiteral("Error scanning barcode %1.").arg(text);
        ScanLog()->AddLine(CZELVLogListCtrl::Error, line + QLatin1Char(' ') + problem);
        ShowScanError(line, problem);
        return CScanJournal::Outcome::Done;
    }
    sheet->Log().Write("Scan-Out: Scanning Volume: %s - %s (from the scanning journal)",
                       Utf8(text).constData(), Utf8(rc.Get()).constData());
    ScanLog()->AddLine(
        CZELVLogListCtrl::Information,
        QStringLiteral("Barcode %1 scanned out from the scanning journal.").arg(text));
    // A journal of an earlier run: the rebuilt list still holds the Volume.
    std::vector<VOLUMEPAGE_ITEM>* items = Items();
    for (size_t i = 0; items && i < items->size(); ++i)
        if ((*items)[i].key == entry.key) {
            RemoveRow(i);
            if (QTreeWidgetItem* root = RootOf(entry.container))
                AddChild(root, text, record.IsContainer() ? TreeContainer : TreeVolume);
            UpdateTabLabel();
            break;
        }
    return CScanJournal::Outcome::Done;
}

void CSendVolumesPage::ScanSelected() {
    if (!Desk())
        return;
    {
        CRedrawPause pause(m_list);
        int removed = 0;
        for (int row : m_list->GetSelectedRows()) {
            const int index = row - removed;
            const std::vector<VOLUMEPAGE_ITEM>* items = Items();
            if (!items || index < 0 || size_t(index) >= items->size())
                continue;
            const uint32_t code = ScanOutRow(size_t(index));
            if (code == ZELV10RC_OK || code == ZELV10RC_JOURNALED) {
                RemoveRow(size_t(index));
                ++removed;
            }
        }
    }
    m_list->Reload();
    UpdateTabLabel();
}

void CSendVolumesPage::OnScanWindowClosed() {
    if (!m_queue.empty())
        AssignQueued();
    m_queue.clear();
}

void CSendVolumesPage::AssignQueued() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CSendContainerExtraDlg dialog(m_queue, sheet);
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (const CSendVolumesExtra& entry : m_queue) {
        if ((entry.flags & kExtraExcluded) || !entry.container)
            continue;
        CVolumeRecord record(sheet->Connection(), entry.key);
        if (!record.Refresh().IsOK())
            continue;
        ZELVVOLS& vol = record.Record().vol;
        vol.container = entry.container->number;
        // A Container going nowhere yet leaves the Volume's own target.
        if (!entry.container->repository.isEmpty())
            vol.Target().repositoryId.Set(entry.container->repository);
        vol.flags |= ZELVVOL_SCANNEDOUT;
        const CZELV10RC rc = record.Update();
        if (rc.IsOK()) {
            if (entry.container->treeNode)
                AddChild(entry.container->treeNode, entry.key.Text(), TreeVolume);
            ++entry.container->count;
        } else {
            sheet->ShowNotification(
                QStringLiteral("Volume Update Error"),
                QStringLiteral("Error updating barcode %1").arg(entry.key.Text()), rc.Get(),
                kUpdateErrorIcon);
        }
    }
}

int CSendVolumesPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const unsigned left = unsigned(sheet->SendList().size());
    if (left != 0 &&
        sheet->GetPrompter().Ask(
            QString::asprintf("There are %u unscanned items remaining.\n\nAre you sure that you "
                              "want to leave them unscanned?",
                              left),
            QStringLiteral("Unscanned Items"), PromptIcon::Question, PromptButtons::YesNo,
            PromptNone, sheet) != PromptYes)
        return kStay;
    sheet->Log().Write("Scan-Out: Continuing with %u items unscanned", left);
    return IDD_SEND_CONTAINER_UPDATE;
}

bool CSendVolumesPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->Table() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_F10:
                OpenScanWindow();
                return true;
            case Qt::Key_Space:
                ScanSelected();
                return true;
            default:
                break;
            }
        }
    }
    return CScanPage::eventFilter(watched, event);
}
