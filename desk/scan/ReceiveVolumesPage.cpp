#include "ReceiveVolumesPage.h"

#include "CustomerCache.h"
#include "ScanInRouting.h"
#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVListCtrl.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPairStatic.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Column { ColVolume = 0, ColFrom, ColOut, ColLocation };
enum Image { ImageVolume = 0, ImageContainer = 1, ImageLocation = 2 };
constexpr int kOtherIcon = 348;
constexpr int kZoneNameChars = 10;

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

// --- Rows ----------------------------------------------------------------------

QString CReceiveVolumesPage::Rows::Text(int row, int column) const {
    const auto& items = m_items;
    if (row < 0 || size_t(row) >= items.size())
        return {};
    const VOLUMEPAGE_ITEM& item = items[size_t(row)];
    switch (column) {
    case ColVolume:
        return item.key.Text();
    case ColFrom:
        return item.from;
    case ColOut:
        return (item.flags & kItemScannedOut) ? QStringLiteral("Yes") : QStringLiteral("No");
    case ColLocation:
        return item.location;
    default:
        return {};
    }
}

int CReceiveVolumesPage::Rows::Image(int row, int column) const {
    const auto& items = m_items;
    if (row < 0 || size_t(row) >= items.size())
        return -1;
    const VOLUMEPAGE_ITEM& item = items[size_t(row)];
    switch (column) {
    case ColVolume:
        return item.container ? ImageContainer : ImageVolume;
    case ColFrom: {
        const int type =
            item.fromImage >= 0 && item.fromImage <= 8 ? item.fromImage : kUnknownRepositoryImage;
        return kRepositoryImageBase + type;
    }
    case ColLocation:
        return item.location.isEmpty() ? -1 : ImageLocation;
    default:
        return -1;
    }
}

bool CReceiveVolumesPage::Rows::ApplyOrder(const std::vector<int>& order) {
    auto& items = m_items;
    std::vector<VOLUMEPAGE_ITEM> sorted;
    sorted.reserve(order.size());
    for (int index : order)
        sorted.push_back(std::move(items[size_t(index)]));
    items.swap(sorted);
    return true;
}

// --- Page ----------------------------------------------------------------------

CReceiveVolumesPage::CReceiveVolumesPage()
    : CScanPage(IDD_RECEIVE_VOLUMES,
                QStringLiteral("The Scan-In Volumes screen allows you to Scan-In Volume items. "
                               "When you scan each item it will be confirmed into its target "
                               "Repository."),
                QStringLiteral("To Repository")) {
    SetHeader(ZELVDeskString(306), ZELVDeskString(270));
    setObjectName(QStringLiteral("receiveVolumesPage"));
    Tabs()->setObjectName(QStringLiteral("scanInTabs"));

    m_list = new CZELVListCtrl(Tabs());
    m_list->setObjectName(QStringLiteral("expectedList"));
    // The longest Volume text must fit, whatever the desktop's font.
    const int volumeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("ACME.LTO6.A000000000")) + 32;
    m_list->InsertColumn(ColVolume, QStringLiteral("Volume"), qMax(150, volumeWidth),
                         Qt::AlignLeft);
    m_list->InsertColumn(ColFrom, QStringLiteral("From"), 150, Qt::AlignLeft);
    m_list->InsertColumn(ColOut, QStringLiteral("Out"), 40, Qt::AlignHCenter);
    m_list->InsertColumn(ColLocation, QStringLiteral("Location"), 1, Qt::AlignLeft);
    QList<QIcon> images = {ZELVIcon(236), ZELVIcon(227), ZELVIcon(398)};
    images.append(RepositoryImageList());
    images.append(ZELVIcon(kOtherIcon));
    m_list->SetImages(images);
    m_list->SetRows(&m_rows);
    m_list->Table()->installEventFilter(this);

    m_scanned = new CZELVListCtrl(this);
    m_scanned->setObjectName(QStringLiteral("scannedItems"));
    m_scanned->InsertColumn(0, QStringLiteral("Volume"), qMax(120, volumeWidth), Qt::AlignLeft);
    m_scanned->SizeColumnToHeader(0);
    m_scanned->LoadIcons({236, 227});
    m_scanned->ShowCaption(236, QStringLiteral("Scanned Items"));
    m_scanned->SetSortOnClick(false);

    // "RECEIVE": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* receive = m_menu->addMenu(QStringLiteral("RECEIVE"));
    QAction* scan = receive->addAction(QStringLiteral("&Scan"));
    scan->setData(kScanCommand);
    connect(scan, &QAction::triggered, this, &CReceiveVolumesPage::ConfirmSelected);
    m_list->SetContextMenu(m_menu, 0);

    BuildLayout(m_list, QStringLiteral("Scan-In Log"), m_scanned);
    UpdateTabLabel();
}

CReceiveVolumesPage::~CReceiveVolumesPage() {
    // The list draws from m_items; it must stop before they go.
    m_list->SetRows(nullptr);
}

void CReceiveVolumesPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (sheet)
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    LoadExpectedList();
    // Scans kept while the server was away (this run or one that ended
    // before they were sent) go first.
    ReplayJournal();
    StartScanTimer();
    FillCaptionPairs();
    m_list->SizeColumnToHeader(ColLocation);
    ScanLog()->SizeColumnToHeader(0);
}

void CReceiveVolumesPage::LoadExpectedList() {
    m_scanned->DeleteAllItems();
    m_items.clear();
    m_list->Reload();

    CZELVDeskSheet* sheet = Desk();
    if (sheet) {
        CZELV10MFC& connection = sheet->Connection();
        CZELV10RepositoryCache& cache = sheet->RepositoryCache();
        const QString customer = sheet->Customer();
        const ZELVFixedText<kZelvRepositoryIdLen> scanIn(sheet->Repository());
        ZELVVOLFLAGS moving;
        moving.mustSet = ZELVVOL_MOVING;

        // A failed list call simply contributes no rows.
        std::vector<ZELVMEDIASMALL> media;
        connection.List(&media, customer);
        for (const ZELVMEDIASMALL& m : media) {
            const QString mediaId = m.mediaId.Text();
            std::vector<ZELVVOLSFULL> volumes;
            connection.List(&volumes, customer, mediaId, &moving, nullptr, nullptr, nullptr, 0, 0);
            for (const ZELVVOLSFULL& v : volumes) {
                const ZELVVOLS& vol = v.vol;
                if (vol.flags & ZELVVOL_SCHEDULED)
                    continue;
                if (vol.Target().repositoryId != scanIn)
                    continue;
                VOLUMEPAGE_ITEM item;
                item.key = CVolumeKey(customer, mediaId, v.key.volumeId.Text());
                const QString current = vol.Current().repositoryId.Text();
                if (const ZELVREPOSITORYFULL* r = cache.Find(customer, mediaId, current)) {
                    item.from = CZELV10RepositoryCache::DisplayName(*r);
                    item.fromImage = int(r->type);
                } else {
                    item.from = current == QLatin1String("INIT")
                                    ? QStringLiteral("Initial Repository")
                                    : QStringLiteral("ID(%1)").arg(current);
                    item.fromImage = -1;
                }
                item.container = vol.IsContainer() ? 1 : 0;
                item.flags = (vol.flags & ZELVVOL_SCANNEDOUT) ? kItemScannedOut : 0;
                item.version = vol.version;
                if (vol.Target().slot != 0) {
                    ZELVABSLOC where;
                    if (connection
                            .ResolveSlot(&where, customer, mediaId,
                                         vol.Target().repositoryId.Text(), vol.Target().slot)
                            .IsOK())
                        item.location = QString::asprintf(
                            "%.*s %s", kZoneNameChars, where.zoneName.Data(),
                            Utf8(CZELV10MFC::FormatZoneSlot(where.zoneSlot)).constData());
                }
                m_items.push_back(std::move(item));
            }
        }
    }

    m_list->Reload();
    if (m_items.empty() && sheet)
        sheet->GetPrompter().Tell(
            QStringLiteral(
                "There are no Volumes to Scan-In that match the criteria that you have selected"),
            QStringLiteral("No matching Volumes"), PromptIcon::Error, sheet);
    UpdateTabLabel();
}

void CReceiveVolumesPage::UpdateTabLabel() {
    SetListTabLabel(QString::asprintf("Scan-In List (%u)", unsigned(m_items.size())));
}

ZELVSCANVOLUMEARGS CReceiveVolumesPage::ScanArgs() {
    ZELVSCANVOLUMEARGS args =
        BaseScanArgs(m_items.empty() ? QString() : m_items.front().key.Media());
    args.message = kZelvScanMessage;
    args.notify = [this](const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
        return OnScan(result, item);
    };
    return args;
}

uint32_t CReceiveVolumesPage::OnScan(const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return ZELV10RC_NOTINLIST;
    TransactionLog& log = sheet->Log();
    // With the server away the barcode is still read in full; only what the
    // server would add to it (Container or not) is missing.
    const bool away = ServerIsAway(result) && !item.volumeId.Text().isEmpty();
    if (!result.IsOK(0) && !away) {
        log.Write("Scan-In: Error scanning Volume: %s", Utf8(result.Get()).constData());
        return result.Code();
    }

    const CVolumeKey key(item);
    size_t found = 0;
    while (found < m_items.size() && m_items[found].key != key)
        ++found;

    if (found < m_items.size()) {
        CRedrawPause pause(m_list);
        // While the server is known to be away every scan goes to the
        // journal at once; the retry timer finds it back.
        if (away || !sheet->Connection().IsLoggedOn())
            return Journal(found);
        CVolumeRecord record(sheet->Connection(), key);
        const CZELV10RC rc = record.Confirm(sheet->Repository(), CVolumeRecord::kKeep,
                                            CVolumeRecord::kKeep, /*scannedOut=*/false);
        if (ServerIsAway(rc))
            return Journal(found);
        log.Write("Scan-In: Confirming Volume: %s - %s", Utf8(key.Text()).constData(),
                  Utf8(rc.Get()).constData());
        if (rc.IsOK(0)) {
            Accept(found, record, record.IsContainer() ? ImageContainer : ImageVolume);
            if (m_items.empty())
                sheet->SayText(QStringLiteral("You have no remaining Volumes left to scan"));
            UpdateTabLabel();
        }
        return rc.Code();
    }

    const QString text = key.Text();
    if (away) {
        log.Write("Scan-In: Error scanning Volume: %s", Utf8(result.Get()).constData());
        return result.Code();
    }
    sheet->Connection().ReportScan(key.Customer(), key.Media(), key.Volume());
    sheet->SayText(QStringLiteral("The Volume scanned was not in the list"));
    log.Write("Scan-In: Error Confirming volume: %s as it was not in the list",
              Utf8(text).constData());
    const QString line = QStringLiteral("Error scanned barcode %1.").arg(text);
    ScanLog()->AddLine(CScanInRouting::Error, line);
    ShowScanError(line, QStringLiteral("Item is not in the list."));
    sheet->Sounds().Play(kNotInListSound);
    return ZELV10RC_NOTINLIST;
}

uint32_t CReceiveVolumesPage::Journal(size_t index) {
    CZELVDeskSheet* sheet = Desk();
    const VOLUMEPAGE_ITEM& item = m_items[index];
    const QString text = item.key.Text();
    if (!KeepInJournal(item.key, sheet->Repository(), item.version))
        return ZELV10RC_UNREACHABLE;
    ScanLog()->AddLine(CScanInRouting::Warning,
                       QStringLiteral("Barcode %1 kept in the scanning journal: the server cannot "
                                      "be reached.")
                           .arg(text));
    m_scanned->InsertItem(0, text, item.container ? ImageContainer : ImageVolume);
    m_items.erase(m_items.begin() + std::ptrdiff_t(index));
    m_list->Reload();
    UpdateTabLabel();
    return ZELV10RC_JOURNALED;
}

CScanJournal::Outcome CReceiveVolumesPage::ReplayEntry(const ScanJournalEntry& entry,
                                                       CVolumeRecord& record, ReplayRead read,
                                                       const QString& readProblem) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return CScanJournal::Outcome::Keep;
    TransactionLog& log = sheet->Log();
    const QString text = entry.key.Text();
    QString problem = readProblem;
    CZELV10RC rc;
    if (read == ReplayRead::Current) {
        rc = record.Confirm(entry.repository, CVolumeRecord::kKeep, CVolumeRecord::kKeep,
                            /*scannedOut=*/false);
        if (ServerIsAway(rc))
            return CScanJournal::Outcome::Stop;
        if (!rc.IsOK(0))
            problem = rc.Get();
    }
    if (!problem.isEmpty()) {
        log.Write("Scan-In: Scanning journal: Volume %s not confirmed: %s", Utf8(text).constData(),
                  Utf8(problem).constData());
        const QString line = QStringLiteral("Error scanned barcode %1.").arg(text);
        ScanLog()->AddLine(CScanInRouting::Error, line + QLatin1Char(' ') + problem);
        ShowScanError(line, problem);
        return CScanJournal::Outcome::Done;
    }
    log.Write("Scan-In: Confirming Volume: %s - %s (from the scanning journal)",
              Utf8(text).constData(), Utf8(rc.Get()).constData());
    ScanLog()->AddLine(CScanInRouting::Information,
                       QStringLiteral("Barcode %1 confirmed from the scanning journal.").arg(text));
    size_t found = 0;
    while (found < m_items.size() && m_items[found].key != entry.key)
        ++found;
    if (found < m_items.size()) {
        Accept(found, record, record.IsContainer() ? ImageContainer : ImageVolume);
        UpdateTabLabel();
    } else if (entry.repository == sheet->Repository()) {
        Route(record);
    }
    return CScanJournal::Outcome::Done;
}

void CReceiveVolumesPage::ConfirmSelected() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    {
        CRedrawPause pause(m_list);
        int removed = 0;
        for (int row : m_list->GetSelectedRows()) {
            const int index = row - removed;
            if (index < 0 || size_t(index) >= m_items.size())
                continue;
            CVolumeRecord record(sheet->Connection(), m_items[size_t(index)].key);
            const CZELV10RC rc = record.Confirm(sheet->Repository(), CVolumeRecord::kKeep,
                                                CVolumeRecord::kKeep, /*scannedOut=*/false);
            sheet->Log().Write("Scan-In: Confirming Volume: %s - %s",
                               Utf8(record.Text()).constData(), Utf8(rc.Get()).constData());
            if (rc.IsOK(1)) {
                Accept(size_t(index), record, ImageVolume);
                ++removed;
            } else {
                sheet->SayText(QStringLiteral("There was an error confirming this Volume"));
                const QString line =
                    QStringLiteral("Error scanning barcode %1.").arg(record.Text());
                ScanLog()->AddLine(CScanInRouting::Error, line);
                ShowScanError(line, rc.Get());
            }
        }
    }
    m_list->Reload();
    UpdateTabLabel();
}

void CReceiveVolumesPage::Accept(size_t index, CVolumeRecord& record, int image) {
    m_scanned->InsertItem(0, record.Text(), image);
    m_items.erase(m_items.begin() + std::ptrdiff_t(index));
    // The view must never ask for a row the array no longer has.
    m_list->Reload();
    Route(record);
}

void CReceiveVolumesPage::Route(CVolumeRecord& record) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CScanInRouting::Services services;
    services.config = &sheet->Config();
    services.connection = &sheet->Connection();
    services.log = &sheet->Log();
    services.clusters = &sheet->DataClusters();
    services.repositories = &sheet->RepositoryCache();
    services.scanLog = [this](int image, const QString& text) { ScanLog()->AddLine(image, text); };
    services.notify = [sheet](const QString& title, const QString& line1, const QString& line2,
                              int icon) { sheet->ShowNotification(title, line1, line2, icon); };
    QString target;
    CScanInRouting(std::move(services)).Route(record, &target);
}

bool CReceiveVolumesPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->Table() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_F10:
                OpenScanWindow();
                return true;
            case Qt::Key_F5:
                LoadExpectedList();
                return true;
            case Qt::Key_Space:
                ConfirmSelected();
                return true;
            default:
                break;
            }
        }
    }
    return CZELVDeskPage::eventFilter(watched, event);
}
