#include "ScanToListPage.h"

#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10ProgressWnd.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVDeskStrings.h"
#include "ZELVListCtrl.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPairStatic.h"
#include "ZELVPrompter.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

namespace {

enum Image { ImageVolume = 0, ImageContainer = 1 };
constexpr int kZoneNameChars = 10;
constexpr int kDescriptionChars = 256;

struct ColumnInfo {
    const char* heading;
    int width;
};
constexpr ColumnInfo kColumns[] = {
    {"Customer-ID", 80}, {"Media-ID", 60},     {"Volume-ID", 80},
    {"Current", 100},    {"Location", 100},    {"Next", 100},
    {"Container", 100},  {"Description", 250}, {"Message", 100},
};

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

// --- Rows ----------------------------------------------------------------------

QString CScanToListPage::Rows::Text(int row, int column) const {
    const SCANLIST_ITEM* item = At(row);
    return item ? m_page.CellText(*item, column) : QString();
}

int CScanToListPage::Rows::Image(int row, int column) const {
    const SCANLIST_ITEM* item = At(row);
    if (!item || column != ColCustomer)
        return -1;
    return (item->flags & kItemContainer) ? ImageContainer : ImageVolume;
}

// --- Page ----------------------------------------------------------------------

CScanToListPage::CScanToListPage()
    : CScanPage(IDD_SCAN_TO_LIST,
                QStringLiteral("The Scan to List screen allows you to scan Volumes and move move "
                               "them from the current Repository to their current Repository's "
                               "next Repository."),
                QString()),
      m_repositories(std::make_unique<CZELV10RepositoryCache>()) {
    SetHeader(ZELVDeskString(249), ZELVDeskString(272));
    setObjectName(QStringLiteral("scanToListPage"));
    // No Customer and no Repository: the list holds any of them.
    CustomerPair()->hide();
    RepositoryPair()->hide();

    m_list = new CZELVListCtrl(Tabs());
    m_list->setObjectName(QStringLiteral("scanToList"));
    for (int c = 0; c < ColumnCount; ++c)
        m_list->InsertColumn(c, QString::fromLatin1(kColumns[c].heading), kColumns[c].width,
                             Qt::AlignLeft);
    m_list->LoadIcons({236, 227});
    m_list->SetRows(&m_rows);
    m_list->ShowFooter();
    m_list->EnableFilterBar(10);
    connect(m_list, &CZELVListCtrl::FilterChanged, this, [this](int) { BuildShown(); });
    m_list->Table()->installEventFilter(this);

    // "SCANLIST": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* scanList = m_menu->addMenu(QStringLiteral("SCANLIST"));
    const auto add = [this](QMenu* menu, const char* text, int command, auto slot) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(scanList, "&Add new Volumes to database", kAddCommand, &CScanToListPage::AddSelected);
    add(scanList, "&Confirm at the Next Repository", kConfirmCommand,
        &CScanToListPage::ConfirmSelected);
    add(scanList, "&Expand Container contents", kExpandCommand, &CScanToListPage::ExpandSelected);
    QMenu* exportMenu = scanList->addMenu(QStringLiteral("&Export"));
    add(exportMenu, "To &File", kExportFileCommand,
        [this] { m_list->Export(QString::fromUtf8(kListTitle), false); });
    add(exportMenu, "To &Email", kExportMailCommand, [this] {
        QStringList recipients;
        if (CZELVDeskSheet* sheet = Desk())
            sheet->GetMailRecipients(&recipients);
        m_list->MailList(QString::fromUtf8(kListTitle), recipients);
    });
    add(scanList, "&Refresh", kRefreshCommand, &CScanToListPage::RefreshSelected);
    QMenu* select = scanList->addMenu(QStringLiteral("&Select"));
    // Nothing handles the menu's entry; Ctrl+I in the list inverts.
    QAction* invert = select->addAction(QStringLiteral("Invert Selected"));
    invert->setData(kInvertCommand);
    add(select, "&Select All", kSelectAllCommand, [this] { m_list->SelectAll(); });
    m_list->SetContextMenu(m_menu, 0);

    BuildLayout(m_list, QStringLiteral("Scan Log"), nullptr);
    UpdateTabLabel();
}

CScanToListPage::~CScanToListPage() {
    // The list draws from the items; it must stop before they go.
    m_list->SetRows(nullptr);
}

void CScanToListPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (sheet) {
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
        m_repositories->SetConnection(&sheet->Connection());
    }
    StartScanTimer();
    m_list->SizeColumnToHeader(ColMessage);
    ScanLog()->SizeColumnToHeader(0);
}

int CScanToListPage::OnWizardNext() {
    Empty();
    return IDD_FINAL;
}

int CScanToListPage::OnWizardBack() {
    Empty();
    return IDD_INTRO;
}

void CScanToListPage::Empty() {
    m_rows.Pointers().clear();
    m_list->Reload();
    m_items.clear();
    UpdateTabLabel();
}

void CScanToListPage::UpdateTabLabel() {
    SetListTabLabel(QString::asprintf("Scanned Volumes (%u)", unsigned(m_items.size())));
}

QString CScanToListPage::CellText(const SCANLIST_ITEM& item, int column) const {
    switch (column) {
    case ColCustomer:
        return item.key.Customer();
    case ColMedia:
        return item.key.Media();
    case ColVolume:
        return item.key.Volume();
    case ColCurrent:
        return item.currentText;
    case ColLocation:
        return item.location;
    case ColNext:
        return item.nextText;
    case ColContainer: {
        const CZELVDeskSheet* sheet = Desk();
        if (item.container == 0)
            return QStringLiteral("No-Container");
        return sheet ? sheet->ContainerText(item.container) : QString();
    }
    case ColDescription:
        return item.description;
    case ColMessage:
        return item.result.Get();
    default:
        return {};
    }
}

ZELVSCANVOLUMEARGS CScanToListPage::ScanArgs() {
    // No Customer and no Media Type: a barcode names its own.
    ZELVSCANVOLUMEARGS args = BaseScanArgs(QString());
    args.customerId.Set(QString());
    args.message = kZelvScanMessage;
    args.notify = [this](const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
        return OnScan(result, item);
    };
    return args;
}

uint32_t CScanToListPage::OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return ZELV10RC_NOTINLIST;
    if (!result.IsOK(0)) {
        sheet->Log().Write("Scan-To-List: Error scanning Volume: %s",
                           Utf8(result.Get()).constData());
        return result.Code();
    }
    Append(CVolumeKey(item));
    BuildShown();
    UpdateTabLabel();
    return result.Code();
}

void CScanToListPage::Append(const CVolumeKey& key) {
    CZELVDeskSheet* sheet = Desk();
    auto item = std::make_unique<SCANLIST_ITEM>();
    item->key = key;
    if (sheet) {
        CVolumeRecord record(sheet->Connection(), key);
        item->result = record.Refresh();
        if (item->result.IsOK())
            Fill(*item, record);
    }
    m_items.push_back(std::move(item));
}

void CScanToListPage::Fill(SCANLIST_ITEM& item, const CVolumeRecord& record) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    const ZELVVOLS& vol = record.Vol();
    const QString customer = item.key.Customer();
    const QString media = item.key.Media();
    item.current = vol.Current().repositoryId.Text();
    if (const ZELVREPOSITORYFULL* r = m_repositories->Find(customer, media, item.current)) {
        item.next = r->nextRepositoryId.Text();
        item.currentText = CZELV10RepositoryCache::DisplayName(*r);
    } else {
        // Not among the pair's Repositories (INIT among them): still named.
        item.currentText = m_repositories->DisplayNameOf(customer, media, item.current);
    }
    if (!item.next.isEmpty())
        item.nextText = m_repositories->DisplayNameOf(customer, media, item.next);
    item.flags = vol.IsContainer() ? (item.flags | kItemContainer) : (item.flags & ~kItemContainer);
    item.container = vol.container;
    CZELV10MFC& connection = sheet->Connection();
    if (vol.Current().slot != 0) {
        ZELVVOLABS where;
        if (connection.Get(&where, customer, media, item.key.Volume()).IsOK())
            item.location = QString::asprintf(
                "%.*s [%s]", kZoneNameChars, where.current.zoneName.Data(),
                Utf8(CZELV10MFC::FormatZoneSlot(where.current.zoneSlot)).constData());
    }
    ZELVATTRIBUTE description;
    if (connection.Get(&description, customer, media, item.key.Volume(), 0).IsOK())
        item.description = description.value.Text().left(kDescriptionChars);
}

void CScanToListPage::BuildShown() {
    std::vector<SCANLIST_ITEM*>& shown = m_rows.Pointers();
    shown.clear();
    for (const auto& item : m_items) {
        bool pass = true;
        for (int c = 0; c < ColumnCount && pass; ++c)
            pass = m_list->GetFilterText(c).isEmpty() ||
                   m_list->FilterMatchesText(c, CellText(*item, c));
        if (pass)
            shown.push_back(item.get());
    }
    m_list->Reload();
}

void CScanToListPage::RunBulk(const QString& title, const QString& line,
                              const std::function<CZELV10RC(SCANLIST_ITEM&)>& op) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    std::vector<SCANLIST_ITEM*> selected;
    for (int row : m_list->GetSelectedRows())
        if (SCANLIST_ITEM* item = m_rows.At(m_list->SourceRow(row)))
            selected.push_back(item);
    CZELV10RCList results;
    {
        CZELV10ProgressWnd progress(int(selected.size()), 0, sheet);
        progress.SetTitle(title);
        progress.SetRange(0, int(selected.size()));
        for (size_t i = 0; i < selected.size() && !progress.IsCancelled(); ++i) {
            SCANLIST_ITEM& item = *selected[i];
            const QString text = item.key.Text();
            progress.SetText(1, line.arg(text));
            progress.SetPos(int(i));
            item.result = op(item);
            results.Add(item.result, text);
            m_list->Table()->viewport()->update();
        }
        progress.close();
    }
    BuildShown();
    CZELV10RCListDlg::Display(results, 0, nullptr);
}

void CScanToListPage::AddSelected() {
    RunBulk(QStringLiteral("Adding Volumes"), QStringLiteral("Adding Volume %1"),
            [this](SCANLIST_ITEM& item) {
                CZELVDeskSheet* sheet = Desk();
                CVolumeRecord record(sheet->Connection(), item.key);
                const CZELV10RC rc = record.Add();
                sheet->Log().Write("Scan-To-List: Adding Volume: %s - %s",
                                   Utf8(item.key.Text()).constData(), Utf8(rc.Get()).constData());
                Fill(item, record);
                return rc;
            });
}

void CScanToListPage::ConfirmSelected() {
    RunBulk(QStringLiteral("Confirming Volumes"), QStringLiteral("Confirming Volume %1"),
            [this](SCANLIST_ITEM& item) {
                CZELVDeskSheet* sheet = Desk();
                CVolumeRecord record(sheet->Connection(), item.key);
                CZELV10RC rc = record.Refresh();
                if (!rc.IsOK())
                    return rc;
                // Without a next Repository there is nowhere to send it; the
                // server is not asked to move it to an empty identifier.
                Fill(item, record);
                if (item.next.isEmpty())
                    return CZELV10RC(
                        ZELV10RC_NOREPOSITORY,
                        QStringLiteral("%1 has no next Repository")
                            .arg(item.currentText.isEmpty() ? item.current : item.currentText));
                record.Record().vol.Target().repositoryId.Set(item.next);
                rc = record.Update();
                if (rc.IsOK()) {
                    record.Record().vol.Confirmation().repositoryId.Set(item.next);
                    rc = record.Update();
                }
                sheet->Log().Write("Scan-To-List: Confirming Volume: %s at %s - %s",
                                   Utf8(item.key.Text()).constData(), Utf8(item.next).constData(),
                                   Utf8(rc.Get()).constData());
                // Update has read the Volume back already.
                Fill(item, record);
                return rc;
            });
}

void CScanToListPage::RefreshSelected() {
    RunBulk(QStringLiteral("Refreshing Volumes"), QStringLiteral("Refreshing Volume %1"),
            [this](SCANLIST_ITEM& item) {
                CVolumeRecord record(Desk()->Connection(), item.key);
                const CZELV10RC rc = record.Refresh();
                if (rc.IsOK())
                    Fill(item, record);
                return rc;
            });
}

void CScanToListPage::ExpandSelected() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    std::vector<uint32_t> containers;
    for (int row : m_list->GetSelectedRows())
        if (const SCANLIST_ITEM* item = m_rows.At(m_list->SourceRow(row)))
            if (item->flags & kItemContainer)
                containers.push_back(item->container);
    for (uint32_t number : containers) {
        std::vector<ZELVVOLSKey> keys;
        const CZELV10RC rc = sheet->Connection().List(&keys, number);
        if (!rc.IsOK()) {
            // The others are still expanded.
            sheet->GetPrompter().Tell(rc.Get(), QStringLiteral("Container List Error"),
                                      PromptIcon::Error, sheet);
            continue;
        }
        for (const ZELVVOLSKey& key : keys)
            Append(CVolumeKey(key));
    }
    BuildShown();
    UpdateTabLabel();
}

bool CScanToListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->Table() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_F10) {
            OpenScanWindow();
            return true;
        }
    }
    return CZELVDeskPage::eventFilter(watched, event);
}
