#include "VolumePage.h"

#include "UpdateEngine.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kSelectedIcon = 237;
constexpr int kOtherIcon = 348;
constexpr int kUnknownRepositoryType = 9;

bool HasMoveDate(const ZELVVOLSFULL& v) {
    return (v.vol.flags & ZELVVOL_MOVEDATE) != 0;
}

} // namespace

// --- Rows ----------------------------------------------------------------------

QString CVolumePage::Rows::Text(int row, int column) const {
    const ZELVVOLSFULL* v = At(row);
    const CZELVDeskSheet* sheet = m_page.Desk();
    if (!v || !sheet)
        return {};
    switch (column) {
    case ColVolume:
        return v->key.volumeId.Text();
    case ColLocation:
        return sheet->LocationText(v->key.customerId.Text(), v->key.mediaId.Text(),
                                   v->vol.Current().repositoryId.Text(), 0);
    case ColMoveDate:
        return RelativeDateText(v->vol.moveDate, HasMoveDate(*v), sheet->Clock());
    case ColDescription:
        return m_page.Description(*v);
    default:
        return {};
    }
}

int CVolumePage::Rows::Image(int row, int column) const {
    const ZELVVOLSFULL* v = At(row);
    const CZELVDeskSheet* sheet = m_page.Desk();
    if (!v || !sheet)
        return -1;
    if (column == ColVolume)
        return m_page.IsSelected(*v) ? ImageSelected : -1;
    if (column == ColLocation) {
        const ZELVREPOSITORYFULL* r = sheet->RepositoryCache().Find(
            v->key.customerId.Text(), v->key.mediaId.Text(), v->vol.Current().repositoryId.Text());
        const int type =
            r && int(r->type) < kUnknownRepositoryType ? int(r->type) : kUnknownRepositoryType;
        return ImageRepositoryBase + type;
    }
    return -1;
}

int CVolumePage::Rows::Compare(int left, int right, int column) const {
    const ZELVVOLSFULL* a = At(left);
    const ZELVVOLSFULL* b = At(right);
    if (!a || !b)
        return 0;
    switch (column) {
    case ColVolume:
        return a->key.volumeId.Text()
            .left(kZelvVolumeIdLen)
            .compare(b->key.volumeId.Text().left(kZelvVolumeIdLen));
    case ColMoveDate: {
        // By the day itself, earliest first, the Volumes without a move date
        // last: the stored bytes put one day of the month of every year together.
        const bool da = HasMoveDate(*a), db = HasMoveDate(*b);
        if (da != db)
            return da ? -1 : 1;
        if (!da)
            return 0;
        const time_t ta = a->vol.moveDate.ToTime(), tb = b->vol.moveDate.ToTime();
        return ta < tb ? -1 : (ta > tb ? 1 : 0);
    }
    case ColDescription:
        return 0;
    default:
        return CZELVListRows::Compare(left, right, column);
    }
}

// --- Page ----------------------------------------------------------------------

CVolumePage::CVolumePage() : CZELVDeskPage(IDD_VOLUME) {
    SetHeader(ZELVDeskString(310), ZELVDeskString(273));
    setObjectName(QStringLiteral("recallVolumePage"));

    auto* intro = new QLabel(
        QStringLiteral("The Recall Volume Selection screen allows you to select Volumes to be "
                       "recalled."),
        this);
    intro->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("To select Volumes you can either double-click them, or "
                                           "select them in the list."),
                            this);
    hint->setWordWrap(true);

    m_list = new CZELVListCtrl(this);
    m_list->setObjectName(QStringLiteral("recallVolumeList"));
    m_list->InsertColumn(ColVolume, QStringLiteral("Volume"), 90, Qt::AlignLeft);
    m_list->InsertColumn(ColLocation, QStringLiteral("Location"), 150, Qt::AlignLeft);
    m_list->InsertColumn(ColMoveDate, QStringLiteral("Move Date"), 150, Qt::AlignLeft);
    m_list->InsertColumn(ColDescription, QStringLiteral("Description"), 1, Qt::AlignLeft);
    QList<QIcon> images = {ZELVIcon(kSelectedIcon)};
    images.append(RepositoryImageList());
    images.append(ZELVIcon(kOtherIcon));
    m_list->SetImages(images);
    m_list->SetRows(&m_rows);
    m_list->ShowFooter();
    connect(m_list, &CZELVListCtrl::ItemDoubleClicked, this, [this](int, int) { ToggleRows(); });
    connect(m_list, &CZELVListCtrl::FilterChanged, this, [this](int) { BuildShown(); });

    // "VOLUME": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* volume = m_menu->addMenu(QStringLiteral("VOLUME"));
    connect(volume->addAction(QStringLiteral("&De-Select")), &QAction::triggered, this,
            &CVolumePage::DeselectRows);
    connect(volume->addAction(QStringLiteral("&Select")), &QAction::triggered, this,
            &CVolumePage::SelectRows);
    // Descriptions come with the list already; nothing is left to download.
    QAction* download = volume->addAction(QStringLiteral("D&ownload Descriptions"));
    download->setEnabled(false);
    download->setToolTip(QStringLiteral("The descriptions are read with the Volumes"));
    m_list->SetContextMenu(m_menu, 0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(hint);
    layout->addWidget(m_list, 1);
}

CVolumePage::~CVolumePage() {
    m_list->SetRows(nullptr);
}

void CVolumePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    if (!m_initialized) {
        m_list->SetSettings(&sheet->Host().Profile());
        m_list->SetPrompter(&sheet->GetPrompter());
        m_list->Init(kListName);
        m_list->EnableFilterBar(kFilterTimeoutMs);
        m_list->SetSortColumn(ColVolume);
        m_initialized = true;
    }
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    LoadDescriptions();

    const QString delivery = sheet->Repository().left(kZelvRepositoryIdLen);
    m_offered.clear();
    for (const ZELVVOLSFULL& v : sheet->MediaVolumes())
        if (v.vol.Current().repositoryId.Text() != delivery)
            m_offered.push_back(&v);
    BuildShown();
    if (m_list->GetItemCount() == 0)
        sheet->GetPrompter().Tell(QStringLiteral("There are no available Volumes in other "
                                                 "Repositories to Retrieve.\n\nPlease go back "
                                                 "and reselect."),
                                  QStringLiteral("No Avilable Volumes"), PromptIcon::Information,
                                  sheet);
    m_list->SizeColumnToHeader(ColDescription);
}

void CVolumePage::OnKillActive() {
    m_list->SaveColumnOrder();
}

void CVolumePage::LoadDescriptions() {
    m_descriptions.clear();
    CZELVDeskSheet* sheet = Desk();
    std::vector<ZELVATTRIBUTEFULL> list;
    // Without the list the column stays empty; the Recall itself does not need it.
    if (!sheet || !sheet->Connection().List(&list, sheet->Customer(), sheet->Media(), 0).IsOK())
        return;
    for (const ZELVATTRIBUTEFULL& a : list)
        if (a.number == 0)
            m_descriptions[a.key.volumeId.Text()] = a.value.Text();
}

QString CVolumePage::Description(const ZELVVOLSFULL& volume) const {
    const auto it = m_descriptions.find(volume.key.volumeId.Text());
    return it == m_descriptions.end() ? QString() : it->second;
}

void CVolumePage::BuildShown() {
    std::vector<const ZELVVOLSFULL*>& shown = m_rows.Pointers();
    shown.clear();
    for (const ZELVVOLSFULL* v : m_offered) {
        if (!m_list->FilterMatchesText(ColVolume, v->key.volumeId.Text()) ||
            !m_list->FilterMatchesText(ColLocation, v->vol.Current().repositoryId.Text()))
            continue;
        if (!m_list->GetFilterText(ColMoveDate).isEmpty() &&
            !(HasMoveDate(*v) && m_list->FilterMatchesDate(ColMoveDate, v->vol.moveDate)))
            continue;
        if (!m_list->FilterMatchesText(ColDescription, Description(*v)))
            continue;
        shown.push_back(v);
    }
    m_list->Reload();
    if (m_list->GetSortColumn() >= 0)
        m_list->SortItems();
}

CSelectedVolume* CVolumePage::Entry(const ZELVVOLSFULL& volume) const {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return nullptr;
    // The fixed-width fields compare as they are: painting asks this for
    // every shown row, so no texts are made for it.
    for (CSelectedVolume& s : sheet->RecallSelection())
        if (s.volume.key.volumeId == volume.key.volumeId &&
            s.volume.key.mediaId == volume.key.mediaId &&
            s.volume.key.customerId == volume.key.customerId)
            return &s;
    return nullptr;
}

bool CVolumePage::IsSelected(const ZELVVOLSFULL& volume) const {
    return Entry(volume) != nullptr;
}

void CVolumePage::Add(const ZELVVOLSFULL& volume) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CSelectedVolume entry;
    entry.volume = volume;
    entry.text1 = sheet->Repository();
    entry.text2 = sheet->Media();
    if (CSelectedVolume* found = Entry(volume))
        *found = entry;
    else
        sheet->RecallSelection().push_back(entry);
}

void CVolumePage::Remove(const ZELVVOLSFULL& volume) {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    std::vector<CSelectedVolume>& selection = sheet->RecallSelection();
    if (CSelectedVolume* found = Entry(volume))
        selection.erase(selection.begin() + (found - selection.data()));
}

void CVolumePage::SelectRows() {
    for (int row : m_list->GetSelectedRows())
        if (const ZELVVOLSFULL* v = m_rows.At(row))
            Add(*v);
    m_list->RedrawAll();
}

void CVolumePage::DeselectRows() {
    for (int row : m_list->GetSelectedRows())
        if (const ZELVVOLSFULL* v = m_rows.At(row))
            Remove(*v);
    m_list->RedrawAll();
}

void CVolumePage::ToggleRows() {
    for (int row : m_list->GetSelectedRows())
        if (const ZELVVOLSFULL* v = m_rows.At(row)) {
            if (IsSelected(*v))
                Remove(*v);
            else
                Add(*v);
        }
    m_list->RedrawAll();
}

int CVolumePage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    if (sheet->RecallSelection().empty()) {
        const std::vector<int> rows = m_list->GetSelectedRows();
        if (rows.empty()) {
            sheet->GetPrompter().Tell(QStringLiteral("You have not selected any Volumes"),
                                      QStringLiteral("Error"), PromptIcon::Error, nullptr);
            return kStay;
        }
        for (int row : rows)
            if (const ZELVVOLSFULL* v = m_rows.At(row))
                Add(*v);
    }
    return IDD_TIME;
}

int CVolumePage::OnWizardBack() {
    // Even when the only Repository was taken without asking, the operator
    // goes back to see which one it was.
    return IDD_RETRIEVE_LOCATION;
}
