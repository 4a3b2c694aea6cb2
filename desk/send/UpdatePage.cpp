#include "UpdatePage.h"

#include "CustomerCache.h"
#include "HolidayWarningDlg.h"
#include "MediaCache.h"
#include "MoveDatePropertyGridProperty.h"
#include "RepositoryChoice.h"
#include "ThresholdDlg.h"
#include "WarningDialog.h"
#include "ZELV10MoveDateDlg.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVListCtrlEditors.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPairStatic.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kItemRole = Qt::UserRole + 1;
constexpr int kVolumeIcon = 236;
constexpr int kContainerIcon = 227;
const QString kNoSelection = QStringLiteral("<No Selection>");
const QString kNoContainer = QStringLiteral("No Container");

} // namespace

// --- Tree -----------------------------------------------------------------------

CUpdateTreeCtrl::CUpdateTreeCtrl(CUpdatePage& page, QWidget* parent)
    : QTreeWidget(parent), m_page(page) {
    setHeaderHidden(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
}

bool CUpdateTreeCtrl::DropOn(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    return m_page.MoveToContainer(dragged, target);
}

void CUpdateTreeCtrl::dropEvent(QDropEvent* event) {
    // The move is the page's to decide; Qt's own would move any node anywhere.
    QTreeWidgetItem* dragged = currentItem();
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    DropOn(dragged, target);
}

void CUpdateTreeCtrl::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    m_page.ShowItem(itemAt(event->position().toPoint()));
}

void CUpdateTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5))
                                                                     : event->globalPos();
    m_page.TreeMenu()->popup(at);
}

// --- Grid -----------------------------------------------------------------------

CUpdatePropertyGridCtrl::CUpdatePropertyGridCtrl(CUpdatePage& page, QWidget* parent)
    : CZELVPropertyGridCtrl(parent), m_page(page) {}

void CUpdatePropertyGridCtrl::OnPropertyChanged(CZELVPropertyGridProperty* property) {
    m_page.OnGridChanged(property);
    CZELVPropertyGridCtrl::OnPropertyChanged(property);
}

// --- Quick Edit --------------------------------------------------------------------

CUpdateQuickEditListCtrl::CUpdateQuickEditListCtrl(CUpdatePage& page, QWidget* parent)
    : CZELVListCtrl(parent), m_page(page) {}

void CUpdateQuickEditListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        m_page.StepDates(event->key() == Qt::Key_PageUp ? 1 : -1);
        event->accept();
        return;
    }
    CZELVListCtrl::keyPressEvent(event);
}

QString CUpdatePage::QuickRows::Text(int row, int column) const {
    const UpdateItem* item = m_page.List().At(row);
    if (!item)
        return {};
    switch (column) {
    case CUpdateQuickEditListCtrl::ColVolume:
        return item->DisplayName();
    case CUpdateQuickEditListCtrl::ColNextMove:
        return item->NextMoveText();
    case CUpdateQuickEditListCtrl::ColDescription:
        return item->description;
    case CUpdateQuickEditListCtrl::ColCluster:
        return m_page.ClusterName(item->record.key.customerId.Text(), item->record.vol.dataCluster);
    default:
        return {};
    }
}

int CUpdatePage::QuickRows::Image(int row, int column) const {
    const UpdateItem* item = m_page.List().At(row);
    if (!item || column != CUpdateQuickEditListCtrl::ColVolume)
        return -1;
    return item->IsContainer() ? CUpdateTreeCtrl::kImageContainer : CUpdateTreeCtrl::kImageVolume;
}

// --- Page -----------------------------------------------------------------------

CUpdatePage::CUpdatePage()
    // The page lays out its own instructions beside the Scan button.
    : CScanPage(IDD_UPDATE, QString(), QString()) {
    SetHeader(ZELVDeskString(308), ZELVDeskString(248));
    // Send scans across Customers: no caption pairs.
    CustomerPair()->hide();
    RepositoryPair()->hide();
    ScanButton()->setToolTip(QStringLiteral("Press PF10 to scan barcodes"));

    m_tree = new CUpdateTreeCtrl(*this);
    m_tree->setObjectName(QStringLiteral("itemTree"));
    m_grid = new CUpdatePropertyGridCtrl(*this, m_tree);
    m_grid->setObjectName(QStringLiteral("itemGrid"));
    m_grid->EnableHeaderCtrl(true, QStringLiteral("Property"), QStringLiteral("Value"));
    m_grid->EnableDescriptionArea(true);
    m_grid->hide();

    m_quick = new CUpdateQuickEditListCtrl(*this);
    m_quick->setObjectName(QStringLiteral("quickEdit"));
    m_quick->InsertColumn(CUpdateQuickEditListCtrl::ColVolume, QStringLiteral("Volume"), 150);
    m_quick->InsertColumn(CUpdateQuickEditListCtrl::ColNextMove, QStringLiteral("Next move"), 250);
    m_quick->InsertColumn(CUpdateQuickEditListCtrl::ColDescription, QStringLiteral("Description"),
                          200);
    m_quick->InsertColumn(CUpdateQuickEditListCtrl::ColCluster, QStringLiteral("Data Cluster"),
                          150);
    m_quick->SetImages({ZELVIcon(kContainerIcon), ZELVIcon(kVolumeIcon)});
    m_quick->SetRows(&m_rows);
    m_quick->SetSortOnClick(false);
    m_quick->AddEditColumn(
        CUpdateQuickEditListCtrl::ColNextMove, CZELVListCtrl::EditDate,
        [this](int row, int) {
            UpdateItem* item = List().At(row);
            CZELVListCtrl_Date* editor = m_quick->DateEditor();
            if (!item || !editor || item->IsSimpleManagement())
                return;
            editor->SetShowNone(true);
            if (item->hasNextMove)
                editor->SetZelvDate(item->nextMove);
            else
                editor->SetNoDate();
        },
        [this](int row, int) {
            UpdateItem* item = List().At(row);
            CZELVListCtrl_Date* editor = m_quick->DateEditor();
            if (!item || !editor)
                return;
            if (!editor->HasDate()) {
                item->hasNextMove = false;
            } else {
                item->hasNextMove = true;
                item->nextMove = editor->GetZelvDate();
            }
            m_quick->RedrawRow(row);
        });
    m_quick->AddEditColumn(
        CUpdateQuickEditListCtrl::ColDescription, CZELVListCtrl::EditText,
        [this](int row, int) {
            if (UpdateItem* item = List().At(row))
                m_quick->TextEditor()->setText(item->description);
        },
        [this](int row, int) {
            if (UpdateItem* item = List().At(row))
                item->description = m_quick->TextEditor()->text();
            m_quick->RedrawRow(row);
        });
    m_quick->AddEditColumn(
        CUpdateQuickEditListCtrl::ColCluster, CZELVListCtrl::EditList,
        [this](int row, int) {
            UpdateItem* item = List().At(row);
            CZELVListCtrl_Combo* combo = m_quick->ComboEditor();
            if (!item || !combo)
                return;
            combo->clear();
            combo->addItem(kNoSelection, 0u);
            for (const ZELVCLUSTERFULL& c : Clusters(item->record.key.customerId.Text()))
                if (c.flags & ZELVCLUSTER_SELECTABLE)
                    combo->addItem(c.name.Text(), c.number);
            const int at = combo->findData(item->record.vol.dataCluster);
            combo->setCurrentIndex(at < 0 ? 0 : at);
        },
        [this](int row, int) {
            UpdateItem* item = List().At(row);
            CZELVListCtrl_Combo* combo = m_quick->ComboEditor();
            if (item && combo)
                item->record.vol.dataCluster = combo->currentData().toUInt();
            m_quick->RedrawRow(row);
        });

    // "QUICKEDIT" / "&Edit": copy and paste.
    m_quickMenu = new QMenu(this);
    QMenu* edit = m_quickMenu->addMenu(QStringLiteral("&Edit"));
    QMenu* copy = edit->addMenu(QStringLiteral("&Copy"));
    copy->addAction(QStringLiteral("D&ata Cluster"), this, [this]() { Copy(ClipCluster); });
    copy->addAction(QStringLiteral("&Description"), this, [this]() { Copy(ClipDescription); });
    copy->addAction(QStringLiteral("Next Move Date"), this, [this]() { Copy(ClipNextMove); });
    copy->addAction(QStringLiteral("Data Cluster + description + next move date"), this,
                    [this]() { Copy(ClipAll); });
    QMenu* paste = edit->addMenu(QStringLiteral("&Paste"));
    paste->addAction(QStringLiteral("D&ata Cluster"), this, [this]() { Paste(ClipCluster); });
    paste->addAction(QStringLiteral("&Description"), this, [this]() { Paste(ClipDescription); });
    paste->addAction(QStringLiteral("&Next Move Date"), this, [this]() { Paste(ClipNextMove); });
    paste->addAction(QStringLiteral("Data Cluster + description + next move date"), this,
                     [this]() { Paste(ClipAll); });
    m_quick->SetContextMenu(m_quickMenu, 0);

    // "UPDATE": remove from the scan list.
    m_treeMenu = new QMenu(this);
    m_treeMenu->addAction(QStringLiteral("&Remove from Scan List"), this,
                          &CUpdatePage::RemoveSelected);

    // Layout: instructions, the Scan button at the right, the two tabs.
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("This screen allows you to scan tapes and containers "
                                            "and then update information on each item."),
                             this);
    intro->setWordWrap(true);
    auto* intro2 = new QLabel(QStringLiteral("To update any of the scanned items just click on "
                                             "them in the tree. You can also drag-and-drop tapes "
                                             "between containers."),
                              this);
    intro2->setWordWrap(true);
    auto* top = new QHBoxLayout;
    top->addWidget(intro, 1);
    top->addWidget(ScanButton(), 0, Qt::AlignTop);
    layout->addLayout(top);
    layout->addWidget(intro2);
    QTabWidget* tabs = Tabs();
    tabs->addTab(m_tree, ZELVIcon(kContainerIcon), QStringLiteral("Item Tree"));
    tabs->addTab(m_quick, ZELVIcon(kVolumeIcon), QStringLiteral("Quick Edit"));
    tabs->addTab(ScanLog(), QStringLiteral("Scan Log"));
    layout->addWidget(tabs, 1);
    connect(tabs, &QTabWidget::currentChanged, this, &CUpdatePage::OnTabChanged);

    m_dateEditor = [this](CZELVDate* date) { return SetMoveDate(date, this); };
    m_thresholdEditor = [this](uint16_t* minutes) {
        CZELVDeskSheet* sheet = Desk();
        return sheet && EditThreshold(minutes, sheet->GetPrompter(), this);
    };
    m_holidayDialog = [this]() {
        CHolidayWarningDlg dialog(List(), this);
        return dialog.exec() == QDialog::Accepted ? 1 : 2;
    };
}

UpdateItemList& CUpdatePage::List() const {
    return Desk()->ScanList();
}

UpdateItem* CUpdatePage::ItemOf(QTreeWidgetItem* node) const {
    return node ? static_cast<UpdateItem*>(node->data(0, kItemRole).value<void*>()) : nullptr;
}

CZELVDate CUpdatePage::Today() const {
    CZELVDate today;
    if (CZELVDeskSheet* sheet = Desk())
        today.SetFromTime(0, sheet->Clock());
    return today;
}

void CUpdatePage::RebuildTree() {
    HideGrid();
    m_tree->clear();
    m_noContainer = new QTreeWidgetItem(m_tree, {kNoContainer});
    m_noContainer->setIcon(0, ZELVIcon(kContainerIcon));
    m_noContainer->setFlags(m_noContainer->flags() & ~Qt::ItemIsDragEnabled);
}

void CUpdatePage::LoadVolumeAuto() {
    CZELVDeskSheet* sheet = Desk();
    QString error;
    if (!m_auto.Load(
            QDir(sheet->ProgramFolder()).filePath(QLatin1String(CVolumeAutoList::kFileName)),
            sheet->Clock(), &error)) {
        sheet->Log().Write("%s", qPrintable(error));
        sheet->GetPrompter().Tell(error + QStringLiteral(" No automatic values are used."),
                                  QStringLiteral("VolumeAuto.txt"), PromptIcon::Warning, this);
    }
}

void CUpdatePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    Tabs()->setCurrentIndex(0);
    sheet->SetWizardButtons(0); // Back and Next wait for the timer
    if (sheet->LoadedVolumes().isEmpty() || List().IsEmpty() || !m_noContainer)
        RebuildTree();
    LoadVolumeAuto();
    FeedPredefinedLists();
    if (sheet->Connection().IsLoggedOn() && sheet->LoadedVolumes().isEmpty())
        sheet->Connection().LoadVolumes(&sheet->LoadedVolumes(), 1000);
    m_currentNode = m_noContainer;
    StartScanTimer();
}

void CUpdatePage::OnTimer(int id) {
    if (id == kScanTimer)
        if (CZELVDeskSheet* sheet = Desk())
            sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    CScanPage::OnTimer(id);
}

ZELVSCANVOLUMEARGS CUpdatePage::ScanArgs() {
    ZELVSCANVOLUMEARGS args;
    args.message = kZelvScanModifyMessage;
    args.notify = [this](const CZELV10RC& rc, const ZELV10BARCODEPARSED& item) {
        return OnScan(rc, item);
    };
    if (CZELVDeskSheet* sheet = Desk()) {
        args.config = &sheet->Config();
        args.strings = &sheet->LoadedVolumes();
    }
    return args;
}

void CUpdatePage::OnScanWindowOpening() {
    HideGrid();
    Desk()->Log().Write("Let's scan some new Volumes");
}

void CUpdatePage::OnScanWindowClosed() {
    Desk()->Log().Write("To scan additional Volumes press the scan button at the top of the "
                        "screen");
}

void CUpdatePage::FeedPredefinedLists() {
    CZELVDeskSheet* sheet = Desk();
    CPredefFileList& lists = sheet->PredefinedLists();
    CZELV10RCList results;
    bool fed = false;
    QString customer, media;
    ScanDialogGetDefaults(sheet->Connection(), &customer, &media);
    for (int i = 0; i < lists.GetCount(); ++i) {
        CPredefFile* file = lists.GetAt(i);
        if (!file->IsSelected())
            continue;
        file->SetSelected(false);
        fed = true;
        if (!file->Error().isEmpty()) {
            results.Add(CZELV10RC(ZELV10RC_BADTEXT, file->Error()), file->Path());
            continue;
        }
        for (const QString& barcode : file->Volumes()) {
            ZELV10BARCODEPARSED parsed;
            const CZELV10RC rc =
                sheet->Connection().ParseBarCode(&parsed, barcode, customer, media, nullptr);
            results.Add(rc, barcode);
            OnScan(rc, parsed);
        }
    }
    if (fed)
        CZELV10RCListDlg::Display(results, 0, nullptr);
}

uint32_t CUpdatePage::OnScan(const CZELV10RC& parsed, const ZELV10BARCODEPARSED& scanned) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || !parsed.IsOK())
        return parsed.Code();
    Prompter& prompter = sheet->GetPrompter();
    ZELVVOLSKey key;
    key.customerId = scanned.customerId;
    key.mediaId = scanned.mediaId;
    key.volumeId = scanned.volumeId;

    if ((scanned.flags & ZELVPARSED_CONTAINER) && !(scanned.flags & ZELVPARSED_DEFINED)) {
        sheet->Log().Write("Is this a new Container?");
        if (prompter.Ask(QStringLiteral("The Volume you just scanned is not defined to Kelmar but "
                                        "when it is added will become a container.Do you want to "
                                        "add this volume to Kelmar?"),
                         QStringLiteral("New Container Alert"), PromptIcon::Question,
                         PromptButtons::YesNo, PromptNone, this) != PromptYes)
            return ZELV10RC_NOVOLUME;
        ZELVVOLSEx add;
        add.key = key;
        add.vol.Target().repositoryId = "INIT";
        add.vol.Current().repositoryId = "INIT";
        const CZELV10RC rc = sheet->Connection().Add(add);
        if (!rc.IsOK()) {
            prompter.Tell(rc.Get(), QStringLiteral("Failed to add new container"),
                          PromptIcon::Error, this);
            return rc.Code();
        }
    }

    if (!m_noContainer)
        RebuildTree();
    if (!m_currentNode)
        m_currentNode = m_noContainer;
    UpdateItemList& list = List();
    UpdateItem* item = list.AddScanned(key, this);
    list.RefreshAll();
    if (item) {
        if (const CVolumeAutoItem* a = m_auto.Match(item->DisplayName(), sheet->Clock())) {
            item->nextMove = a->date;
            item->hasNextMove = true;
            if (!a->description.isEmpty())
                item->description = a->description;
        } else {
            const CZELVDate& d = sheet->DefaultReturnDate();
            item->hasNextMove = !d.IsEmpty();
            item->nextMove = d.IsEmpty() ? UpdateItem::Epoch() : d;
        }
        // RefreshAll has just read it: a description the server holds wins
        // over the automatic one without reading the Volume again.
        if (item->IsKnown() && (item->record.vol.flags & ZELVVOL_DESCRIPTION))
            item->description = item->serverDescription;
        if (item->threshold == 0)
            item->threshold =
                item->record.vol.threshold ? item->record.vol.threshold : sheet->ThresholdMinutes();
        if (item->IsContainer()) {
            list.SetCurrentContainer(item->record.vol.container);
            auto* node = new QTreeWidgetItem(m_tree, {item->DisplayName()});
            node->setIcon(0, ZELVIcon(kContainerIcon));
            node->setData(0, kItemRole, QVariant::fromValue<void*>(item));
            node->setFlags(node->flags() & ~Qt::ItemIsDragEnabled);
            item->node = node;
            m_currentNode = node;
        } else {
            item->record.vol.container = list.CurrentContainer();
            auto* node = new QTreeWidgetItem(m_currentNode, {item->DisplayName()});
            node->setIcon(0, ZELVIcon(kVolumeIcon));
            node->setData(0, kItemRole, QVariant::fromValue<void*>(item));
            item->node = node;
            m_currentNode->setExpanded(true);
        }
        RefreshNode(item);
    }
    SetTitleCount();
    return item ? 0u : uint32_t(ZELV10RC_ALREADYDEFINED);
}

void CUpdatePage::SetTitleCount() {
    Desk()->setWindowTitle(
        QStringLiteral("Kelmar Lite\u2122 - Scan and Modify (%1)").arg(List().Count()));
}

void CUpdatePage::RefreshNode(UpdateItem* item) {
    if (!item || !item->node)
        return;
    item->node->setText(0, item->DisplayName());
    if (item->IsKnown()) {
        item->node->setData(0, Qt::ForegroundRole, QVariant());
        item->node->setData(0, Qt::BackgroundRole, QVariant());
    } else {
        item->node->setForeground(0, Qt::white);
        item->node->setBackground(0, Qt::red);
    }
}

void CUpdatePage::RemoveSelected() {
    HideGrid();
    CZELVDeskSheet* sheet = Desk();
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node)
        return;
    const QString caption = QStringLiteral("Remove Error");
    if (node == m_noContainer) {
        sheet->Log().Write("You can not remove this node");
        sheet->GetPrompter().Tell(QStringLiteral("You can not remove the 'No Container' node"),
                                  caption, PromptIcon::Information, this);
        return;
    }
    if (node->childCount() > 0) {
        const QString text =
            QStringLiteral("You must remove the Volumes from this Container first");
        sheet->Log().Write("%s", qPrintable(text));
        sheet->GetPrompter().Tell(text, caption, PromptIcon::Information, this);
        return;
    }
    sheet->Log().Write("Removing Volume");
    UpdateItem* item = ItemOf(node);
    if (m_currentNode == node)
        m_currentNode = m_noContainer;
    delete node;
    if (item)
        List().Remove(item);
    SetTitleCount();
}

bool CUpdatePage::MoveToContainer(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    UpdateItem* item = ItemOf(dragged);
    UpdateItem* container = ItemOf(target);
    if (!item || !container || !container->IsContainer() || item->IsContainer() ||
        dragged->parent() == target)
        return false;
    const QString text = dragged->text(0);
    const QBrush fg = dragged->foreground(0), bg = dragged->background(0);
    if (m_currentNode == dragged)
        m_currentNode = m_noContainer;
    delete dragged;
    auto* node = new QTreeWidgetItem(target, {text});
    node->setForeground(0, fg);
    node->setBackground(0, bg);
    node->setIcon(0, ZELVIcon(kVolumeIcon));
    node->setData(0, kItemRole, QVariant::fromValue<void*>(item));
    item->node = node;
    target->setExpanded(true);
    item->record.vol.container = container->record.vol.container;
    return true;
}

void CUpdatePage::OnTabChanged(int) {
    HideGrid();
    m_rows.m_count = List().Count();
    m_quick->Reload();
}

void CUpdatePage::RedrawQuickEdit() {
    m_rows.m_count = List().Count();
    m_quick->Reload();
}

void CUpdatePage::HideGrid() {
    m_grid->hide();
    m_grid->RemoveAll();
    m_shown = nullptr;
    m_tree->setStyleSheet(QString());
}

void CUpdatePage::ShowItem(QTreeWidgetItem* node) {
    UpdateItem* item = ItemOf(node);
    if (!item) {
        HideGrid();
        return;
    }
    const QRect r = m_tree->viewport()->rect();
    m_grid->setGeometry(r.width() / 3 + 5, 5, r.width() * 2 / 3 - 10, r.height() - 10);
    m_tree->setStyleSheet(QStringLiteral("QTreeWidget { background: palette(button); }"));
    Desk()->Sounds().Play(kSelectSound);
    FillGrid(item);
    m_grid->show();
    m_grid->raise();
}

const std::vector<ZELVCLUSTERFULL>& CUpdatePage::Clusters(const QString& customer) {
    if (!m_clustersRead || m_clusterCustomer != customer) {
        m_clusters.clear();
        m_clusterCustomer = customer;
        m_clustersRead = true;
        if (CZELVDeskSheet* sheet = Desk())
            if (!customer.isEmpty())
                sheet->Connection().List(&m_clusters, customer);
    }
    return m_clusters;
}

QString CUpdatePage::ClusterName(const QString& customer, uint32_t number) {
    if (number == 0)
        return {};
    for (const ZELVCLUSTERFULL& c : Clusters(customer))
        if (c.number == number)
            return c.name.Text();
    return {};
}

void CUpdatePage::FillGrid(UpdateItem* item) {
    m_grid->RemoveAll();
    m_shown = item;
    CZELVDeskSheet* sheet = Desk();
    const QString customer = item->record.key.customerId.Text();

    CZELVPropertyGridProperty* identity = m_grid->AddGroup(QStringLiteral("Identity"));
    CustomerCache& customers = sheet->GetCustomerCache();
    customers.Load();
    auto* c = identity->AddSubItem(QStringLiteral("Customer"), customers.DisplayNameOf(customer),
                                   QStringLiteral("Customer that owns this Volume"));
    c->SetData(RowCustomer);
    c->AddOption(kNoSelection, QString());
    std::vector<const ZELVCUSTEx*> sorted;
    for (const ZELVCUSTEx& r : customers.Records())
        if (!(r.flags & ZELVCUST_EXCLUDED))
            sorted.push_back(&r);
    std::sort(sorted.begin(), sorted.end(), [](const ZELVCUSTEx* a, const ZELVCUSTEx* b) {
        return CustomerCache::DisplayName(*a) < CustomerCache::DisplayName(*b);
    });
    for (const ZELVCUSTEx* r : sorted)
        c->AddOption(CustomerCache::DisplayName(*r), r->customerId.Text());
    c->AllowEdit(false);
    auto* m = identity->AddSubItem(QStringLiteral("Media Type"), QString(),
                                   QStringLiteral("Media Type of Volume"));
    m->SetData(RowMedia);
    m->AllowEdit(false);
    identity
        ->AddSubItem(QStringLiteral("Volume-ID"), item->record.key.volumeId.Text(),
                     QStringLiteral("Volume 1-10 digit alpha numeric Volume-ID"))
        ->SetData(RowVolume);

    CZELVPropertyGridProperty* disposition = m_grid->AddGroup(QStringLiteral("Disposition"));
    disposition
        ->AddSubItem(QStringLiteral("Status"),
                     item->IsKnown() ? QStringLiteral("Known") : QStringLiteral("Unknown"),
                     QString(), true)
        ->SetData(RowStatus);
    auto* t = disposition->AddSubItem(QStringLiteral("Target"), QString(),
                                      QStringLiteral("Target Repository"));
    t->SetData(RowTarget);
    t->AllowEdit(false);
    auto move = std::make_unique<CMoveDatePropertyGridProperty>(
        QStringLiteral("Next move"), item->hasNextMove ? item->nextMove : CZELVDate(), QString(),
        [this, item](CZELVDate* date) {
            if (item->IsSimpleManagement()) {
                Desk()->GetPrompter().Tell(
                    QStringLiteral("You can not override a Volume under Simple Management\u2122"),
                    QString(), PromptIcon::None, this);
                return 0;
            }
            const int answer = m_dateEditor(date);
            if (answer == 1) {
                item->hasNextMove = !date->IsEmpty();
                if (item->hasNextMove)
                    item->nextMove = *date;
            }
            return answer;
        });
    move->SetData(RowNextMove);
    CZELVPropertyGridProperty* moveRow = disposition->AddSubItem(std::move(move));
    if (item->IsSimpleManagement())
        moveRow->SetValue(QStringLiteral("Simple Management"));
    auto threshold = std::make_unique<CThresholdPropertyGridProperty>(
        QStringLiteral("Time Threshold"), &item->threshold, QString(),
        [this](uint16_t* minutes) { return m_thresholdEditor(minutes); });
    threshold->SetData(RowThreshold);
    threshold->AllowEdit(false);
    disposition->AddSubItem(std::move(threshold));
    auto* cl = disposition->AddSubItem(QStringLiteral("Data-Cluster"), QString(),
                                       QStringLiteral("DataCluster value"));
    cl->SetData(RowCluster);
    cl->AllowEdit(false);

    CZELVPropertyGridProperty* attributes = m_grid->AddGroup(QStringLiteral("Attributes"));
    attributes
        ->AddSubItem(QStringLiteral("Description"), item->description,
                     QStringLiteral("Volume description"))
        ->SetData(RowDescription);

    FillMediaChoice(item);
    FillTargetChoice(item);
    FillClusterChoice(item);
    m_grid->ExpandAll(true);
}

void CUpdatePage::FillMediaChoice(UpdateItem* item) {
    CZELVPropertyGridProperty* row = m_grid->FindItemByData(RowMedia);
    if (!row)
        return;
    MediaCache& media = Desk()->GetMediaCache();
    const QString customer = item->record.key.customerId.Text();
    row->RemoveAllOptions();
    row->AddOption(kNoSelection, QString());
    if (!customer.isEmpty() && media.Load(customer))
        for (const ZELVMEDIAEx& r : media.Records())
            row->AddOption(MediaCache::DisplayName(r), r.mediaId.Text());
    const QString id = item->record.key.mediaId.Text();
    row->SetValue(id.isEmpty() ? kNoSelection : media.DisplayNameOf(customer, id));
}

void CUpdatePage::FillTargetChoice(UpdateItem* item) {
    CZELVPropertyGridProperty* row = m_grid->FindItemByData(RowTarget);
    if (!row)
        return;
    FillRepositoryChoice(Desk()->RepositoryCache(), row, item->record.key.customerId.Text(),
                         item->record.key.mediaId.Text(), item->target, nullptr, false);
}

void CUpdatePage::FillClusterChoice(UpdateItem* item) {
    CZELVPropertyGridProperty* row = m_grid->FindItemByData(RowCluster);
    if (!row)
        return;
    row->RemoveAllOptions();
    row->AddOption(kNoSelection, 0u);
    QString shown = kNoSelection;
    for (const ZELVCLUSTERFULL& c : Clusters(item->record.key.customerId.Text()))
        if (c.flags & ZELVCLUSTER_SELECTABLE) {
            row->AddOption(c.name.Text(), c.number);
            if (c.number == item->record.vol.dataCluster)
                shown = c.name.Text();
        }
    row->SetValue(shown);
}

void CUpdatePage::ChooseMediaAndTarget(UpdateItem* item, bool customerChanged) {
    CZELVDeskSheet* sheet = Desk();
    const QString customer = item->record.key.customerId.Text();
    if (customerChanged) {
        MediaCache& media = sheet->GetMediaCache();
        if (!media.Load(customer) || media.Records().empty()) {
            item->record.key.mediaId.Set(QString());
            item->target.clear();
            return;
        }
        if (item->record.key.mediaId.IsEmpty() && media.Records().size() == 1)
            item->record.key.mediaId = media.Records().front().mediaId;
    }
    CZELV10RepositoryCache& repositories = sheet->RepositoryCache();
    const QString mediaId = item->record.key.mediaId.Text();
    if (mediaId.isEmpty() || !repositories.Load(customer, mediaId) ||
        repositories.Records().empty()) {
        item->target.clear();
        return;
    }
    if (item->target.isEmpty())
        if (const ZELVREPOSITORYFULL* home = repositories.FindHome(customer, mediaId))
            item->target = home->repositoryId.Text();
}

void CUpdatePage::OnGridChanged(CZELVPropertyGridProperty* row) {
    UpdateItem* item = m_shown;
    CZELVDeskSheet* sheet = Desk();
    if (!item || !row || !sheet)
        return;
    CZELV10MFC& mfc = sheet->Connection();
    const int kind = row->GetData().toInt();
    bool identity = false;
    switch (kind) {
    case RowCustomer: {
        const QString id = row->GetSelectedOptionData().toString();
        identity = true;
        if (id.isEmpty()) {
            item->record.key.customerId.Set(QString());
            item->record.key.mediaId.Set(QString());
            item->target.clear();
        } else {
            item->record.key.customerId.Set(id);
            item->Lookup(mfc);
            ChooseMediaAndTarget(item, true);
        }
        FillClusterChoice(item);
        FillMediaChoice(item);
        FillTargetChoice(item);
        break;
    }
    case RowMedia: {
        const QString id = row->GetSelectedOptionData().toString();
        identity = true;
        if (id.isEmpty()) {
            item->record.key.mediaId.Set(QString());
            item->target.clear();
        } else {
            item->record.key.mediaId.Set(id);
            item->Lookup(mfc);
            ChooseMediaAndTarget(item, false);
        }
        FillTargetChoice(item);
        break;
    }
    case RowVolume: {
        identity = true;
        item->description.clear();
        const QString text = row->GetValue().toString();
        // At most 10 bytes, cut at a whole character.
        QString id = text.left(kZelvVolumeIdLen);
        while (!ZELVFixedText<kZelvVolumeIdLen>::Fits(id))
            id.chop(1);
        item->record.key.volumeId.Set(id);
        row->SetValue(id);
        break;
    }
    case RowTarget:
        item->target = row->GetSelectedOptionData().toString();
        item->simple = UpdateItem::kSimpleUnknown;
        List().RefreshAll();
        return;
    case RowDescription:
        item->description = row->GetValue().toString();
        return;
    case RowCluster:
        item->record.vol.dataCluster = row->GetSelectedOptionData().toUInt();
        return;
    default:
        break;
    }
    // An identity change reads the Volume of the new key; a date or threshold
    // change keeps the record as read, so that edits made to it stay.
    if (identity)
        item->Lookup(mfc);
    RefreshNode(item);
    if (CZELVPropertyGridProperty* status = m_grid->FindItemByData(RowStatus))
        status->SetValue(item->IsKnown() ? QStringLiteral("Known") : QStringLiteral("Unknown"));
    if (CZELVPropertyGridProperty* description = m_grid->FindItemByData(RowDescription))
        description->SetValue(item->description);
}

int CUpdatePage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    HideGrid();
    UpdateItemList& list = List();
    Prompter& prompter = sheet->GetPrompter();

    int unknown = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (!list.At(i)->IsKnown())
            ++unknown;
    if (unknown > 0) {
        sheet->Log().Write("Some of your Volumes appear new");
        if (prompter.Ask(QStringLiteral("%1 of the Volumes that you have scanned are unknown to "
                                        "your Kelmar Server.\n\nDo you want to add them now?")
                             .arg(unknown),
                         QStringLiteral("Add New Volumes"), PromptIcon::Question,
                         PromptButtons::YesNo, PromptNone, this) == PromptYes) {
            sheet->Log().Write("Adding previously unknown Volumes");
            for (int i = 0; i < list.Count(); ++i)
                if (UpdateItem* item = list.At(i); !item->IsKnown()) {
                    list.AddToServer(item, this);
                    RefreshNode(item);
                }
        }
        m_tree->viewport()->update();
        return kStay;
    }

    const CZELVDate today = Today();
    CZELV10RepositoryCache& repositories = sheet->RepositoryCache();
    QString problems;
    int badRepositories = 0, backward = 0, volumeErrors = 0, missingTags = 0;
    for (int i = 0; i < list.Count(); ++i) {
        UpdateItem* item = list.At(i);
        const QString c = item->record.key.customerId.Text();
        const QString m = item->record.key.mediaId.Text();
        const auto line = [&](const QString& suffix, const QString& message = QString()) {
            problems += QStringLiteral("%1.%2.%3%4%5\r\n")
                            .arg(c, m, item->record.key.volumeId.Text(), suffix, message);
        };
        if (item->IsBackwardDate(today)) {
            ++backward;
            line(QStringLiteral(": Backward return date"));
        }
        if (item->IsKnown()) {
            if (item->target.isEmpty() || !repositories.Find(c, m, item->target)) {
                ++badRepositories;
                line(QStringLiteral(": Invalid Repository"));
            }
            if (item->IsContainer()) {
                const ZELVREPOSITORYFULL* tagged =
                    repositories.Find(c, m, item->record.key.volumeId.Text().left(4));
                if (tagged && (RepositoryFlags(*tagged) & ZELVREP_TAGREQUIRED) &&
                    !(item->record.vol.flags & ZELVVOL_TAG)) {
                    ++missingTags;
                    line(QStringLiteral(": Missing Container Tag"));
                }
            }
        } else {
            ++volumeErrors;
            line(QStringLiteral(": "), item->lookupResult.Get());
        }
    }
    if (volumeErrors || badRepositories || backward) {
        sheet->Log().Write("Please correct the following problems before continuing");
        CWarningDialog dialog(this, badRepositories, backward, volumeErrors, missingTags, problems);
        dialog.exec();
        return kStay;
    }

    int holidays = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (list.At(i)->CheckHoliday(sheet->Connection()))
            ++holidays;
    if (holidays > 0 && m_holidayDialog() != 1)
        return kStay;

    int moving = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (list.At(i)->record.vol.flags & ZELVVOL_MOVING)
            ++moving;
    if (moving > 0 &&
        prompter.Ask(QStringLiteral("You have scanned %1 Volumes that are already in a Move "
                                    "Status. Do you want to update anyway?")
                         .arg(moving),
                     QStringLiteral("Movement Warning"), PromptIcon::Question, PromptButtons::YesNo,
                     PromptNone, this) != PromptYes)
        return kStay;
    return IDD_UPDATE_APPLY;
}

int CUpdatePage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return IDD_INTRO;
    UpdateItemList& list = List();
    if (!list.IsEmpty()) {
        if (sheet->GetPrompter().Ask(
                QStringLiteral("You have %1 items that remain unprocessed.\nGoing back will remove "
                               "these items from the queue.\n\nAre you sure you want to go back?")
                    .arg(list.Count()),
                QStringLiteral("Back Warning"), PromptIcon::Information, PromptButtons::YesNo,
                PromptNone, this) != PromptYes)
            return kStay;
        m_rows.m_count = 0;
        m_quick->Reload();
        HideGrid();
        m_tree->clear();
        m_noContainer = nullptr;
        m_currentNode = nullptr;
        list.RemoveAll();
    }
    HideGrid();
    return IDD_INTRO;
}

bool CUpdatePage::OnQueryCancel() {
    CZELVDeskSheet* sheet = Desk();
    return !sheet || sheet->ConfirmExit();
}

// --- Quick Edit commands ---------------------------------------------------------

void CUpdatePage::Copy(int what) {
    CZELVDeskSheet* sheet = Desk();
    const std::vector<int> rows = m_quick->GetSelectedRows();
    if (rows.size() != 1) {
        sheet->GetPrompter().Tell(
            QStringLiteral("You must select one item to copy (and no more than one)"),
            QStringLiteral("Selection Error"), PromptIcon::Information, this);
        return;
    }
    const UpdateItem* item = List().At(m_quick->SourceRow(rows.front()));
    if (!item)
        return;
    if (what & ClipDescription)
        m_clipDescription = item->description;
    if (what & ClipNextMove) {
        m_clipDate = item->nextMove;
        m_clipHasDate = item->hasNextMove;
    }
    if (what & ClipCluster)
        m_clipCluster = item->record.vol.dataCluster;
    if (what == ClipNextMove)
        sheet->Sounds().Play(kCopySound);
    sheet->ShowCopiedNotice(unsigned(rows.size()));
}

void CUpdatePage::Paste(int what) {
    CZELVDeskSheet* sheet = Desk();
    for (int row : m_quick->GetSelectedRows()) {
        UpdateItem* item = List().At(m_quick->SourceRow(row));
        if (!item)
            continue;
        if (what & ClipDescription)
            item->description = m_clipDescription;
        if (what & ClipNextMove) {
            item->nextMove = m_clipDate;
            item->hasNextMove = m_clipHasDate;
        }
        if (what & ClipCluster)
            item->record.vol.dataCluster = m_clipCluster;
    }
    sheet->Sounds().Play(kPasteSound);
    m_quick->RedrawAll();
}

void CUpdatePage::StepDates(int days) {
    for (int row : m_quick->GetSelectedRows()) {
        UpdateItem* item = List().At(m_quick->SourceRow(row));
        if (!item)
            continue;
        if (days > 0) {
            // A day later always gives a date, a Permanent row included.
            CZELVDate d;
            if (d.SetDate(item->nextMove.Year(), item->nextMove.Month(), item->nextMove.Day()) &&
                d.AddDays(days)) {
                item->nextMove = d;
                item->hasNextMove = true;
            }
        } else {
            CZELVDate d = item->nextMove;
            if (d.AddDays(days))
                item->nextMove = d;
        }
    }
    m_quick->RedrawAll();
}
