#include "MoveListPage.h"

#include "MediaCache.h"
#include "VolumeMove.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskSheet.h"
#include "ZELVIcons.h"
#include "ZELVListHeader.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QVBoxLayout>
#include <cstring>

namespace {

constexpr int kVolumeIcon = 236;
constexpr int kContainerIcon = 227;
constexpr int kOtherIcon = 348;
constexpr int kZoneNameShown = 10;

int Sign(int64_t value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

QString YesNo(bool yes) {
    return yes ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace

// --- List ------------------------------------------------------------------------

CMoveListCtrl::CMoveListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    InsertColumn(ColVolume, QStringLiteral("Volume"), 120, Qt::AlignLeft);
    InsertColumn(ColCurrent, QStringLiteral("Current"), 150, Qt::AlignLeft);
    InsertColumn(ColTarget, QStringLiteral("Target"), 150, Qt::AlignLeft);
    InsertColumn(ColMoveTime, QStringLiteral("Move Time"), 100, Qt::AlignRight);
    InsertColumn(ColScannedOut, QStringLiteral("Scanned-Out"), 110, Qt::AlignHCenter);
    InsertColumn(ColOverdue, QStringLiteral("Overdue"), 80, Qt::AlignHCenter);
    QList<QIcon> images = {ZELVIcon(kVolumeIcon), ZELVIcon(kContainerIcon)};
    images.append(RepositoryImageList());
    images.append(ZELVIcon(kOtherIcon));
    SetImages(images);
}

// --- Rows ------------------------------------------------------------------------

QString CMoveListPage::Rows::Text(int row, int column) const {
    const MOVELISTITEM* item = At(row);
    const CZELVDeskSheet* sheet = m_page.Desk();
    if (!item || !item->volume || !sheet)
        return {};
    const ZELVVOLS& vol = item->volume->vol;
    switch (column) {
    case CMoveListCtrl::ColVolume:
        return item->volume->key.volumeId.Text();
    case CMoveListCtrl::ColCurrent:
        return item->current;
    case CMoveListCtrl::ColTarget:
        return item->target;
    case CMoveListCtrl::ColMoveTime: {
        // No move time known: nothing to count from.
        if (vol.moveTime <= 0)
            return {};
        const int64_t pending = int64_t(sheet->Clock().Now()) - vol.moveTime;
        return FormatCount(uint64_t(std::max<int64_t>(pending, 0)));
    }
    case CMoveListCtrl::ColScannedOut:
        return YesNo(vol.flags & ZELVVOL_SCANNEDOUT);
    case CMoveListCtrl::ColOverdue:
        return YesNo(vol.flags & ZELVVOL_OVERDUE);
    default:
        return {};
    }
}

int CMoveListPage::Rows::Image(int row, int column) const {
    const MOVELISTITEM* item = At(row);
    if (!item || !item->volume)
        return -1;
    switch (column) {
    case CMoveListCtrl::ColVolume:
        return item->volume->vol.IsContainer() ? CMoveListCtrl::ImageContainer
                                               : CMoveListCtrl::ImageVolume;
    case CMoveListCtrl::ColCurrent:
        return item->currentImage;
    case CMoveListCtrl::ColTarget:
        return item->targetImage;
    default:
        return -1;
    }
}

int CMoveListPage::Rows::Compare(int left, int right, int column) const {
    const MOVELISTITEM* a = At(left);
    const MOVELISTITEM* b = At(right);
    if (!a || !b || !a->volume || !b->volume)
        return 0;
    const ZELVVOLS& va = a->volume->vol;
    const ZELVVOLS& vb = b->volume->vol;
    switch (column) {
    case CMoveListCtrl::ColVolume:
        return std::memcmp(a->volume->key.volumeId.Data(), b->volume->key.volumeId.Data(),
                           kZelvVolumeIdLen);
    case CMoveListCtrl::ColCurrent:
        return a->currentUtf8.compare(b->currentUtf8);
    case CMoveListCtrl::ColTarget:
        return a->targetUtf8.compare(b->targetUtf8);
    case CMoveListCtrl::ColMoveTime:
        // By the move time itself: the longest-pending move first.
        return Sign(va.moveTime - vb.moveTime);
    case CMoveListCtrl::ColScannedOut:
        return int(bool(va.flags & ZELVVOL_SCANNEDOUT)) - int(bool(vb.flags & ZELVVOL_SCANNEDOUT));
    case CMoveListCtrl::ColOverdue:
        return int(bool(va.flags & ZELVVOL_OVERDUE)) - int(bool(vb.flags & ZELVVOL_OVERDUE));
    default:
        return 0;
    }
}

// --- Page ------------------------------------------------------------------------

CMoveListPage::CMoveListPage() : CZELVDeskPage(IDD_MOVE_LIST) {
    SetHeader(QString(), QString());
    setObjectName(QStringLiteral("moveListPage"));
    auto* layout = new QVBoxLayout(this);
    for (const char* text : {"The Move List screen allows you to see moving Volumes for each "
                             "Media Type",
                             "You can also perform operations such as canceling existing move "
                             "requests."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("moveListTabs"));
    m_tabs->setExpanding(false);
    layout->addWidget(m_tabs);
    m_list = new CMoveListCtrl(this);
    m_list->setObjectName(QStringLiteral("moveList"));
    m_list->SetRows(&m_rows);
    m_list->EnableFilterBar(CMoveListCtrl::kFilterTimeoutMs);
    // Only the Volume and the two locations are filtered: the other fields
    // would take a pattern and do nothing with it.
    for (int column = CMoveListCtrl::ColMoveTime; column <= CMoveListCtrl::ColOverdue; ++column)
        if (QLineEdit* field = m_list->Header()->FilterField(column))
            field->setEnabled(false);
    connect(m_list, &CZELVListCtrl::FilterChanged, this, [this](int) { ApplyFilters(); });
    layout->addWidget(m_list, 1);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (!m_building)
            SelectMedia(tab);
    });

    // "MOVELIST": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* popup = m_menu->addMenu(QStringLiteral("MOVELIST"));
    QMenu* edit = popup->addMenu(QStringLiteral("Edit"));
    connect(edit->addAction(QStringLiteral("&Copy")), &QAction::triggered, this,
            &CMoveListPage::CopyVolumes);
    connect(popup->addAction(QStringLiteral("Export")), &QAction::triggered, this,
            &CMoveListPage::ExportList);
    m_list->SetExportHandler([this] { ExportList(); }); // Ctrl+E: the same export
    QMenu* operations = popup->addMenu(QStringLiteral("Operations"));
    connect(operations->addAction(QStringLiteral("&Cancel Move")), &QAction::triggered, this,
            &CMoveListPage::CancelMoves);
    m_list->SetContextMenu(m_menu, 0);
}

CMoveListPage::~CMoveListPage() {
    // The list draws from the items; it must stop first.
    m_list->SetRows(nullptr);
}

const MOVELISTITEM* CMoveListPage::ItemAt(int row) const {
    return m_rows.At(m_list->SourceRow(row));
}

void CMoveListPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    m_list->SetPrompter(&sheet->GetPrompter());
    m_list->SetClock(sheet->Clock());

    m_building = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    m_tabMedia.clear();
    m_shownMedia.clear();
    m_rows.Pointers().clear();
    m_items.clear();
    m_list->Reload();
    MediaCache& cache = sheet->GetMediaCache();
    if (cache.Load(sheet->Customer(), true) && cache.Holds(sheet->Customer()))
        for (const ZELVMEDIAEx& m : cache.Records()) {
            if ((m.flags & ZELVMEDIA_HIDDEN) || m.moves == 0)
                continue;
            m_tabMedia.append(m.mediaId.Text());
            m_tabs->addTab(MediaCache::DisplayName(m));
        }
    m_building = false;
    m_tabs->setVisible(!m_tabMedia.isEmpty());
    if (m_tabMedia.isEmpty())
        return;
    m_tabs->setCurrentIndex(0);
    SelectMedia(0);
}

void CMoveListPage::SelectMedia(int tab) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || tab < 0 || tab >= m_tabMedia.size())
        return;
    m_shownMedia = m_tabMedia.at(tab);
    sheet->SetMedia(m_shownMedia);
    sheet->RepositoryCache().Load(sheet->Customer(), m_shownMedia, true);
    FillList();
}

const ZELVVOLABS* CMoveListPage::Absolute(const ZELVVOLSFULL& volume) const {
    const auto it = m_absolute.constFind(volume.key.volumeId.Text());
    return it == m_absolute.constEnd() ? nullptr : &*it;
}

QString CMoveListPage::LocationText(const ZELVABSLOC& location) {
    if (!location.zoneName.IsEmpty())
        return QStringLiteral("%1 [%2]").arg(location.zoneName.Text().left(kZoneNameShown),
                                             CZELV10MFC::FormatZoneSlot(location.zoneSlot));
    CZELVDeskSheet* sheet = Desk();
    const QString id = location.repositoryId.Text();
    const ZELVREPOSITORYFULL* r =
        sheet->RepositoryCache().Find(sheet->Customer(), m_shownMedia, id);
    QString text = r ? CZELV10RepositoryCache::DisplayName(*r) : id;
    if (location.slot != 0)
        text += QString::asprintf(" [%6.6u]", location.slot);
    return text;
}

void CMoveListPage::FillList() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    m_list->setUpdatesEnabled(false);
    m_rows.Pointers().clear();
    m_items.clear();
    m_absolute.clear();
    sheet->LoadMediaVolumes();
    // The locations of all moving Volumes in one read, not one per Volume.
    std::vector<ZELVVOLABS> locations;
    ZELVVOLFLAGS moving;
    moving.mustSet = ZELVVOL_MOVING;
    if (sheet->Connection().List(&locations, sheet->Customer(), m_shownMedia, &moving).IsOK())
        for (const ZELVVOLABS& a : locations)
            m_absolute.insert(a.key.volumeId.Text(), a);
    CZELV10RepositoryCache& cache = sheet->RepositoryCache();
    const QString c = sheet->Customer();
    for (ZELVVOLSFULL& v : sheet->MediaVolumes()) {
        if (!(v.vol.flags & ZELVVOL_MOVING))
            continue;
        MOVELISTITEM item;
        item.volume = &v;
        ZELVABSLOC current, target;
        if (const ZELVVOLABS* abs = Absolute(v)) {
            current = abs->current;
            target = abs->target;
        } else {
            // Without the absolute location the record's own still says where.
            current.repositoryId = v.vol.Current().repositoryId;
            current.slot = v.vol.Current().slot;
            target.repositoryId = v.vol.Target().repositoryId;
            target.slot = v.vol.Target().slot;
        }
        item.current = LocationText(current).left(MOVELISTITEM::kTextLen);
        item.target = LocationText(target).left(MOVELISTITEM::kTextLen);
        item.currentUtf8 = item.current.toUtf8();
        item.targetUtf8 = item.target.toUtf8();
        item.currentImage = cache.ImageIndex(c, m_shownMedia, current.repositoryId.Text(),
                                             CMoveListCtrl::ImageRepositoryBase);
        item.targetImage = cache.ImageIndex(c, m_shownMedia, target.repositoryId.Text(),
                                            CMoveListCtrl::ImageRepositoryBase);
        m_items.push_back(std::move(item));
    }
    ApplyFilters();
    m_list->setUpdatesEnabled(true);
}

void CMoveListPage::ApplyFilters() {
    std::vector<MOVELISTITEM*>& shown = m_rows.Pointers();
    shown.clear();
    shown.reserve(m_items.size());
    char id[kZelvVolumeIdLen + 1] = {};
    for (MOVELISTITEM& item : m_items) {
        std::memcpy(id, item.volume->key.volumeId.Data(), kZelvVolumeIdLen);
        if (!m_list->FilterMatchesText(CMoveListCtrl::ColVolume, "%s",
                                       static_cast<const char*>(id)) ||
            !m_list->FilterMatchesText(CMoveListCtrl::ColCurrent, "%s",
                                       item.currentUtf8.constData()) ||
            !m_list->FilterMatchesText(CMoveListCtrl::ColTarget, "%s", item.targetUtf8.constData()))
            continue;
        shown.push_back(&item);
    }
    m_list->Reload();
    if (m_list->GetSortColumn() >= 0)
        m_list->SortItems();
}

void CMoveListPage::CopyVolumes() {
    CZELVDeskSheet* sheet = Desk();
    const int selected = m_list->GetSelectedCount();
    m_list->CopyColumnToClipboard(CMoveListCtrl::ColVolume);
    if (sheet)
        sheet->ShowCopiedNotice(unsigned(selected));
}

bool CMoveListPage::ExportList() {
    return m_list->Export(QStringLiteral("Move List"), false);
}

int CMoveListPage::CancelMoves() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return 0;
    std::vector<ZELVVOLSFULL*> chosen;
    for (int row : m_list->GetSelectedRows())
        if (const MOVELISTITEM* item = ItemAt(row))
            chosen.push_back(item->volume);
    if (chosen.empty())
        return 0;
    sheet->Log().Write("Move-Lists: Cancelling %d moves for Customer(%s) Media Type(%s)",
                       int(chosen.size()), sheet->Customer().toUtf8().constData(),
                       m_shownMedia.toUtf8().constData());
    int cancelled = 0;
    sheet->RunUpdatePass(
        int(chosen.size()),
        [&chosen](int i, QString* note) {
            *note = chosen[size_t(i)]->key.volumeId.Text();
            return chosen[size_t(i)]->key.Text();
        },
        [&](int i) {
            ZELVVOLSFULL& listed = *chosen[size_t(i)];
            ZELVVOLSEx record;
            record.key = listed.key;
            // Back to where it is, as the operator saw it: a Volume another
            // operator changed since is refused, not moved on a stale view.
            const CZELV10RC rc = RedirectVolume(sheet->Connection(), &record,
                                                listed.vol.Current().repositoryId.Text(), 0, 0,
                                                kKeepContainer, listed.vol.version);
            if (rc.IsOK()) {
                static_cast<ZELVVOLSEx&>(listed) = record;
                listed.vol.flags &= ~ZELVVOL_MOVING;
                ++cancelled;
            }
            return rc;
        });
    if (cancelled > 0)
        FillList();
    return cancelled;
}
