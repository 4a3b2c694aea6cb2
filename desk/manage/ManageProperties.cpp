#include "ManageProperties.h"

#include "AttributeRows.h"
#include "CustomerCache.h"
#include "MediaCache.h"
#include "MoveDatePropertyGridProperty.h"
#include "ZELV10MFC.h"
#include "ZELV10MoveDateDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELV10ScanDlg.h"
#include "ZELV10UpdateStatsGridCtrl.h"
#include "ZELVDeskSheet.h"
#include "ZELVFilter.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStackedBarSeries>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cstring>
#include <memory>

namespace {

enum HistoryColumn {
    HistWhen,
    HistUser,
    HistMachine,
    HistProgram,
    HistAction,
    HistField,
    HistOld,
    HistNew
};

} // namespace

// --- List -----------------------------------------------------------------------

CManageListCtrl::CManageListCtrl(CManageProperties& panel, QWidget* parent)
    : CZELVListCtrl(parent), m_panel(panel) {}

int CManageListCtrl::CompareRows(int left, int right, int column) const {
    const ZELVVOLSFULL* a = m_panel.VolumeAt(left);
    const ZELVVOLSFULL* b = m_panel.VolumeAt(right);
    if (!a || !b)
        return 0;
    if (column == ColLocation)
        return m_panel.LocationName(*a).compare(m_panel.LocationName(*b));
    return std::memcmp(a->key.volumeId.Data(), b->key.volumeId.Data(), kZelvVolumeIdLen);
}

// --- Grid -----------------------------------------------------------------------

CManagePropertyGridCtrl::CManagePropertyGridCtrl(CManageProperties& panel, QWidget* parent)
    : CZELVPropertyGridCtrl(parent), m_panel(panel) {}

void CManagePropertyGridCtrl::OnPropertyChanged(CZELVPropertyGridProperty* property) {
    if (property && property->GetData().toInt() != CManageProperties::kKindShown)
        m_panel.WriteProperty(property);
    CZELVPropertyGridCtrl::OnPropertyChanged(property);
}

// --- Rows -----------------------------------------------------------------------

QString CManageProperties::Rows::Text(int row, int column) const {
    const ZELVVOLSFULL* v = At(row);
    if (!v)
        return {};
    switch (column) {
    case CManageListCtrl::ColVolume:
        return v->key.volumeId.Text();
    case CManageListCtrl::ColLocation:
        return m_panel.LocationName(*v);
    case CManageListCtrl::ColNextMove:
        return (v->vol.flags & ZELVVOL_MOVEDATE) ? FormatDate(v->vol.moveDate, "%A, %B %d, %Y")
                                                 : QStringLiteral("Permanent");
    case CManageListCtrl::ColDescription:
        return (v->vol.flags & ZELVVOL_DESCRIPTION)
                   ? m_panel.m_exportDescriptions.value(v->key.volumeId.Text())
                   : QString();
    default:
        return {};
    }
}

int CManageProperties::Rows::Image(int row, int column) const {
    const ZELVVOLSFULL* v = At(row);
    if (!v)
        return -1;
    if (column == CManageListCtrl::ColVolume)
        return v->vol.IsContainer() ? kImageContainer : kImageVolume;
    return m_panel.LocationImage(*v);
}

// --- Panel ----------------------------------------------------------------------

CManageProperties::CManageProperties(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* left = new QVBoxLayout;
    m_list = new CManageListCtrl(*this, this);
    m_list->setObjectName(QStringLiteral("manageList"));
    m_list->InsertColumn(CManageListCtrl::ColVolume, QStringLiteral("Volume-ID"), 95);
    m_list->InsertColumn(CManageListCtrl::ColLocation, QStringLiteral("Location"), 100);
    m_list->SizeColumnToHeader(CManageListCtrl::ColLocation);
    QList<QIcon> images = {ZELVIcon(236), ZELVIcon(227)};
    images.append(RepositoryImageList());
    m_list->SetImages(images);
    m_list->SetSingleSelection(true);
    m_list->EnableFilterBar(10);
    m_list->SetRows(&m_rows);
    connect(m_list, &CZELVListCtrl::FilterChanged, this, [this](int) { ApplyFilters(); });
    connect(m_list, &CZELVListCtrl::SelectionChanged, this,
            [this]() { SelectRow(m_list->GetFirstSelected()); });
    // "MANAGE": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* manage = m_menu->addMenu(QStringLiteral("MANAGE"));
    connect(manage->addAction(QStringLiteral("&Export")), &QAction::triggered, this,
            &CManageProperties::ExportList);
    m_list->SetExportHandler([this] { ExportList(); }); // Ctrl+E: the same export
    QMenu* scan = manage->addMenu(QStringLiteral("Scan"));
    connect(scan->addAction(QStringLiteral("To &Add")), &QAction::triggered, this,
            &CManageProperties::ScanToAdd);
    m_list->SetContextMenu(m_menu, 0);
    left->addWidget(m_list, 1);
    m_filterNotice = new QLabel(this);
    m_filterNotice->setObjectName(QStringLiteral("manageFilterNotice"));
    m_filterNotice->setWordWrap(true);
    m_filterNotice->setTextFormat(Qt::PlainText);
    m_filterNotice->hide();
    left->addWidget(m_filterNotice);
    // The Volume list needs two short columns; the history wants the room.
    layout->addLayout(left, 2);

    m_right = new QStackedWidget(this);
    m_chart = new QChartView(m_right);
    m_chart->setObjectName(QStringLiteral("manageChart"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumSize(10, 10);
    m_right->addWidget(m_chart);
    m_details = new QTabWidget(m_right);
    m_details->setObjectName(QStringLiteral("manageDetails"));
    m_grid = new CManagePropertyGridCtrl(*this, m_details);
    m_grid->setObjectName(QStringLiteral("manageGrid"));
    m_grid->EnableHeaderCtrl(true);
    m_grid->EnableDescriptionArea(true);
    m_details->addTab(m_grid, QStringLiteral("Properties"));
    m_history = new CZELVListCtrl(m_details);
    m_history->setObjectName(QStringLiteral("manageHistory"));
    const struct {
        const char* heading;
        int width;
    } columns[] = {{"When", 145},  {"User", 50},  {"Machine", 60}, {"Program", 80},
                   {"Action", 60}, {"Field", 75}, {"Old", 110},    {"New", 150}};
    for (int i = 0; i < int(std::size(columns)); ++i)
        m_history->InsertColumn(i, QString::fromLatin1(columns[i].heading), columns[i].width);
    // Newest first, as the server gives them.
    m_history->SetSortOnClick(false);
    m_details->addTab(m_history, QStringLiteral("History"));
    // Who changed the Volume last, from which machine, and how often that
    // machine has connected.
    m_updateStats = new CZELV10UpdateStatsGridCtrl(m_details);
    m_updateStats->setObjectName(QStringLiteral("manageUpdateStats"));
    m_details->addTab(m_updateStats, QStringLiteral("Update Statistics"));
    m_right->addWidget(m_details);
    layout->addWidget(m_right, 3);
}

CManageProperties::~CManageProperties() {
    // The list draws from the sheet's array; it must stop first.
    m_list->SetRows(nullptr);
}

const ZELVVOLSFULL* CManageProperties::VolumeAt(int row) const {
    return m_rows.At(row);
}

QString CManageProperties::KeyText(const ZELVVOLSFULL& volume) const {
    return volume.key.Text();
}

QString CManageProperties::LocationName(const ZELVVOLSFULL& volume) const {
    const auto it = m_places.constFind(volume.vol.Current().repositoryId.Text());
    return it == m_places.constEnd() ? volume.vol.Current().repositoryId.Text() : it->name;
}

int CManageProperties::LocationImage(const ZELVVOLSFULL& volume) const {
    const auto it = m_places.constFind(volume.vol.Current().repositoryId.Text());
    return it == m_places.constEnd() ? kRepositoryImageBase + CZELV10RepositoryCache::kUnknownImage
                                     : it->image;
}

CMoveDatePropertyGridProperty* CManageProperties::NextMoveRow() const {
    return dynamic_cast<CMoveDatePropertyGridProperty*>(m_grid->FindItemByData(kKindNextMove));
}

void CManageProperties::Load(CZELVDeskSheet& sheet) {
    m_sheet = &sheet;
    m_customer = sheet.Customer();
    m_media = sheet.Media();
    m_list->SetPrompter(&sheet.GetPrompter());
    m_list->SetClock(sheet.Clock());
    m_volumes = &sheet.MediaVolumes();
    SelectRow(-1);

    CZELV10RepositoryCache& cache = sheet.RepositoryCache();
    cache.Load(m_customer, m_media, true);
    m_places.clear();
    if (cache.Holds(m_customer, m_media))
        for (const ZELVREPOSITORYFULL& r : cache.Records()) {
            const QString id = r.repositoryId.Text();
            Place place;
            place.name = cache.DisplayNameOf(m_customer, m_media, id);
            place.utf8 = place.name.toUtf8();
            place.image = cache.ImageIndex(m_customer, m_media, id, kRepositoryImageBase);
            m_places.insert(id, place);
        }
    // Volumes not yet anywhere: the initial Repository by its name.
    if (!m_places.contains(QStringLiteral("INIT"))) {
        Place place;
        place.name = cache.DisplayNameOf(m_customer, m_media, QStringLiteral("INIT"));
        place.utf8 = place.name.toUtf8();
        place.image = kRepositoryImageBase + CZELV10RepositoryCache::kUnknownImage;
        m_places.insert(QStringLiteral("INIT"), place);
    }
    m_typesRead = sheet.Connection().Get(&m_types, m_customer).IsOK();

    m_hidden = 0;
    for (const ZELVVOLSFULL& v : *m_volumes)
        if (v.vol.flags & ZELVVOL_HIDDEN)
            ++m_hidden;
    ApplyFilters();
    if (m_hidden)
        sheet.ShowNotification(QStringLiteral("Hidden Volumes"),
                               QString::asprintf("You have %u hidden Volumes", m_hidden),
                               QStringLiteral("Use Fennick to view Hidden Volumes"), 0, 10000);
    DrawChart();
    if (cache.Holds(m_customer, m_media))
        for (const ZELVREPOSITORYFULL& r : cache.Records()) {
            // Only a real shortfall: a full pool would otherwise ask for
            // billions of Volumes.
            if (!(RepositoryFlags(r) & ZELVREP_SCRATCHPOOL) || r.scratchRequired <= r.scratch)
                continue;
            sheet.ShowNotification(QStringLiteral("Repository Scratch Deficit"),
                                   QStringLiteral("Repository %1 requires Scratch Volumes")
                                       .arg(CZELV10RepositoryCache::DisplayName(r)),
                                   QString::asprintf("An additional %u Volumes are required",
                                                     unsigned(r.scratchRequired - r.scratch)),
                                   0, 10000);
        }
}

void CManageProperties::ApplyFilters() {
    SelectRow(-1);
    std::vector<ZELVVOLSFULL*>& shown = m_rows.Pointers();
    shown.clear();
    if (m_volumes) {
        shown.reserve(m_volumes->size());
        const bool byVolume = !m_list->GetFilterText(CManageListCtrl::ColVolume).isEmpty();
        const bool byLocation = !m_list->GetFilterText(CManageListCtrl::ColLocation).isEmpty();
        char id[kZelvVolumeIdLen + 1] = {};
        for (ZELVVOLSFULL& v : *m_volumes) {
            if (v.vol.flags & ZELVVOL_HIDDEN)
                continue;
            if (byVolume) {
                std::memcpy(id, v.key.volumeId.Data(), kZelvVolumeIdLen);
                if (!m_list->FilterMatchesText(CManageListCtrl::ColVolume, "%s",
                                               static_cast<const char*>(id)))
                    continue;
            }
            if (byLocation) {
                const auto it = m_places.constFind(v.vol.Current().repositoryId.Text());
                const QByteArray name = it == m_places.constEnd()
                                            ? v.vol.Current().repositoryId.Text().toUtf8()
                                            : it->utf8;
                if (!m_list->FilterMatchesText(CManageListCtrl::ColLocation, "%s",
                                               name.constData()))
                    continue;
            }
            shown.push_back(&v);
        }
    }
    m_list->Reload();
    UpdateFilterNotice();
}

void CManageProperties::UpdateFilterNotice() {
    QStringList notes;
    for (int column : {int(CManageListCtrl::ColVolume), int(CManageListCtrl::ColLocation)}) {
        const QString pattern = m_list->GetFilterText(column);
        if (pattern.isEmpty())
            continue;
        CZELVFilter filter;
        filter.SetPattern(pattern);
        if (!filter.Error().isEmpty())
            notes << QStringLiteral("The %1 filter \"%2\" matches nothing. %3")
                         .arg(m_list->Model()->Heading(column), pattern, filter.Error());
    }
    m_filterNotice->setText(notes.join(QLatin1Char('\n')));
    m_filterNotice->setVisible(!notes.isEmpty());
}

void CManageProperties::ShowDetails(bool show) {
    m_right->setCurrentWidget(show ? static_cast<QWidget*>(m_details)
                                   : static_cast<QWidget*>(m_chart));
}

void CManageProperties::SelectRow(int row) {
    ZELVVOLSFULL* v = row >= 0 ? m_rows.At(m_list->SourceRow(row)) : nullptr;
    m_selected = v;
    if (!v || !m_sheet) {
        m_grid->RemoveAll();
        m_history->DeleteAllItems();
        ShowDetails(false);
        return;
    }
    FillGrid(*v);
    FillHistory(*v);
    ShowDetails(true);
}

void CManageProperties::FillGrid(const ZELVVOLSFULL& v) {
    CZELV10MFC& mfc = m_sheet->Connection();
    const QString c = v.key.customerId.Text(), m = v.key.mediaId.Text(), id = v.key.volumeId.Text();
    CZELV10RepositoryCache& cache = m_sheet->RepositoryCache();
    m_grid->RemoveAll();
    m_grid->AddSubItem(QStringLiteral("Volume-ID"), id, QStringLiteral("The Volume's identifier"),
                       true);
    CZELVPropertyGridProperty* location = m_grid->AddGroup(QStringLiteral("Location"));
    CZELVPropertyGridProperty* current = location->AddSubItem(
        std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Current")));
    current->AddSubItem(QStringLiteral("Repository"),
                        cache.DisplayNameOf(c, m, v.vol.Current().repositoryId.Text()),
                        QStringLiteral("Where the Volume is"), true);
    if (v.vol.flags & ZELVVOL_MOVING) {
        CZELVPropertyGridProperty* target = location->AddSubItem(
            std::make_unique<CZELVPropertyGridProperty>(QStringLiteral("Target")));
        target->AddSubItem(QStringLiteral("Repository"),
                           cache.DisplayNameOf(c, m, v.vol.Target().repositoryId.Text()),
                           QStringLiteral("Where the Volume is going"), true);
    }
    auto move = std::make_unique<CMoveDatePropertyGridProperty>(
        QStringLiteral("Next move"),
        (v.vol.flags & ZELVVOL_MOVEDATE) ? v.vol.moveDate : CZELVDate(),
        QStringLiteral("The date of the Volume's next move"),
        [this](CZELVDate* date) { return SetMoveDate(date, this); });
    move->SetData(kKindNextMove);
    m_grid->AddProperty(std::move(move));

    CZELVPropertyGridProperty* attributes = m_grid->AddGroup(QStringLiteral("Attributes"));
    ZELVATTRIBUTE description;
    if (!(v.vol.flags & ZELVVOL_DESCRIPTION) || !mfc.Get(&description, c, m, id, 0).IsOK())
        description = ZELVATTRIBUTE();
    auto descriptionRow = BuildAttributeRow(0, description.value.Text(), nullptr, kKindAttribute);
    descriptionRow->SetDescription(QStringLiteral("The Volume's description"));
    attributes->AddSubItem(std::move(descriptionRow));
    if (m_typesRead)
        for (uint32_t n = 1; n <= uint32_t(kZelvAttributeTypes); ++n) {
            if (m_types.entries[n - 1].name.IsEmpty())
                continue;
            ZELVATTRIBUTE value;
            if (!mfc.Get(&value, c, m, id, n).IsOK())
                value = ZELVATTRIBUTE();
            attributes->AddSubItem(
                BuildAttributeRow(n, value.value.Text(), &m_types, kKindAttribute));
        }
    attributes->Expand(true);

    if (v.vol.IsContainer()) {
        std::vector<ZELVVOLSKey> contents;
        if (mfc.List(&contents, v.vol.container).IsOK() && !contents.empty()) {
            CZELVPropertyGridProperty* group =
                m_grid->AddGroup(QStringLiteral("Container Contents"));
            for (const ZELVVOLSKey& k : contents) {
                CZELVPropertyGridProperty* item =
                    group->AddSubItem(k.Text(), QString(), QString(), true);
                ZELVATTRIBUTE d;
                if (mfc.Get(&d, k.customerId.Text(), k.mediaId.Text(), k.volumeId.Text(), 0).IsOK())
                    item->AddSubItem(QStringLiteral("Description"), d.value.Text(), QString(),
                                     true);
            }
        }
    }
}

void CManageProperties::FillHistory(const ZELVVOLSFULL& v) {
    m_history->DeleteAllItems();
    ZELV10IPDETAILS details;
    if (m_sheet->Connection()
            .GetUpdateDetails(&details, v.key.customerId.Text(), v.key.mediaId.Text(),
                              v.key.volumeId.Text())
            .IsOK())
        m_updateStats->ShowDetails(details, m_sheet->Clock());
    else
        m_updateStats->RemoveAll();
    std::vector<ZELVVOLHISTORY> rows;
    if (!m_sheet->Connection()
             .List(&rows, v.key.customerId.Text(), v.key.mediaId.Text(), v.key.volumeId.Text(),
                   true)
             .IsOK())
        return;
    int row = 0;
    for (const ZELVVOLHISTORY& h : rows) {
        m_history->InsertItem(row, QDateTime::fromSecsSinceEpoch(h.when).toString(
                                       QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        m_history->SetItemText(row, HistUser, h.userId.Text());
        m_history->SetItemText(row, HistMachine, h.machine.Text());
        m_history->SetItemText(row, HistProgram, CZELV10MFC::GetPgmText(h.programId));
        m_history->SetItemText(row, HistAction, h.action.Text());
        m_history->SetItemText(row, HistField, h.field.Text());
        m_history->SetItemText(row, HistOld, h.oldValue);
        m_history->SetItemText(row, HistNew, h.newValue);
        ++row;
    }
}

bool CManageProperties::WriteProperty(CZELVPropertyGridProperty* property) {
    if (!m_sheet || !m_selected)
        return false;
    CZELV10MFC& mfc = m_sheet->Connection();
    Prompter& prompter = m_sheet->GetPrompter();
    const QByteArray key = KeyText(*m_selected).toUtf8();
    const int kind = property->GetData().toInt();

    if (kind == kKindNextMove) {
        auto* move = dynamic_cast<CMoveDatePropertyGridProperty*>(property);
        if (!move)
            return false;
        // The record as the operator saw it: the server refuses it when
        // someone changed the Volume since.
        ZELVVOLSEx record;
        record.key = m_selected->key;
        record.vol = m_selected->vol;
        const CZELVDate date = move->GetDate();
        record.vol.moveDate = date;
        if (date.IsEmpty())
            record.vol.flags &= ~ZELVVOL_MOVEDATE;
        else
            record.vol.flags |= ZELVVOL_MOVEDATE;
        const CZELV10RC rc = mfc.Update(record);
        if (!rc.IsOK()) {
            prompter.Tell(rc.Get(), QStringLiteral("Next Move Date Update Failed"),
                          PromptIcon::Error, this);
            Reload(m_selected);
            return false;
        }
        m_sheet->Log().Write("Manage-Volumes: %s next move date updated to: %s", key.constData(),
                             date.IsEmpty() ? "Permanent"
                                            : FormatDate(date, "%Y-%m-%d").toUtf8().constData());
        Reload(m_selected);
        return true;
    }

    if (kind < kKindAttribute || kind > kKindAttribute + kZelvAttributeTypes)
        return false;
    const uint32_t number = uint32_t(kind - kKindAttribute);
    const QString value = AttributeRowValue(*property, m_typesRead ? &m_types : nullptr, number);
    CZELV10RC rc;
    if (!ZELVFixedText<kZelvDescriptionLen>::Fits(value)) {
        // Cut to fit, it would be written as something the operator never typed.
        rc = CZELV10RC(ZELV10RC_TEXTTOOLONG, QStringLiteral("%1 is longer than %2 bytes")
                                                 .arg(property->GetName())
                                                 .arg(kZelvDescriptionLen));
    } else {
        ZELVATTRIBUTEEx attribute;
        attribute.key = m_selected->key;
        attribute.number = number;
        attribute.value.Set(value);
        rc = mfc.Put(attribute, m_selected->vol.version);
    }
    if (!rc.IsOK()) {
        prompter.Tell(rc.Get(), QStringLiteral("Attribute Update Failed"), PromptIcon::Error, this);
        Reload(m_selected);
        return false;
    }
    const QByteArray text = value.toUtf8();
    m_sheet->Log().Write("Manage-Volumes: %s attribute %u set to: %.*s", key.constData(), number,
                         int(std::min<qsizetype>(text.size(), kZelvDescriptionLen)),
                         text.constData());
    // A description that appears or goes changes the Volume's version.
    Reload(m_selected);
    return true;
}

void CManageProperties::Reload(ZELVVOLSFULL* volume) {
    ZELVVOLSFULL fresh;
    if (!m_sheet->Connection()
             .Get(&fresh, volume->key.customerId.Text(), volume->key.mediaId.Text(),
                  volume->key.volumeId.Text())
             .IsOK())
        return;
    *volume = fresh;
    m_list->RedrawAll();
    if (volume != m_selected)
        return;
    // The rows in place now (the row being changed is still in use), the
    // whole grid once the change is over.
    if (CMoveDatePropertyGridProperty* move = NextMoveRow()) {
        move->SetDate((fresh.vol.flags & ZELVVOL_MOVEDATE) ? fresh.vol.moveDate : CZELVDate());
        move->ResetOriginalValue();
    }
    if (CZELVPropertyGridProperty* description = m_grid->FindItemByData(kKindAttribute)) {
        ZELVATTRIBUTE d;
        if (!(fresh.vol.flags & ZELVVOL_DESCRIPTION) ||
            !m_sheet->Connection()
                 .Get(&d, fresh.key.customerId.Text(), fresh.key.mediaId.Text(),
                      fresh.key.volumeId.Text(), 0)
                 .IsOK())
            d = ZELVATTRIBUTE();
        description->SetValue(d.value.Text());
        description->ResetOriginalValue();
    }
    FillHistory(fresh);
    const ZELVVOLSKey key = fresh.key;
    QTimer::singleShot(0, this, [this, key]() {
        if (m_selected && m_selected->key.Text() == key.Text())
            FillGrid(*m_selected);
    });
}

void CManageProperties::DrawChart() {
    auto* incoming = new QBarSet(QStringLiteral("Incoming"));
    incoming->setColor(QColor(0xFF, 0xEB, 0xCD)); // BlanchedAlmond
    incoming->setBorderColor(Qt::gray);
    incoming->setLabelColor(Qt::black);
    auto* at = new QBarSet(QStringLiteral("Volumes"));
    at->setColor(Qt::black);
    at->setBorderColor(Qt::black);
    at->setLabelColor(Qt::transparent);
    auto* outgoing = new QBarSet(QStringLiteral("Outgoing"));
    outgoing->setColor(QColor(0xF0, 0xF8, 0xFF)); // AliceBlue
    outgoing->setBorderColor(Qt::gray);
    outgoing->setLabelColor(Qt::black);
    QStringList names;
    double largest = 0;
    if (m_sheet && m_sheet->RepositoryCache().Holds(m_customer, m_media))
        for (const ZELVREPOSITORYFULL& r : m_sheet->RepositoryCache().Records()) {
            if ((RepositoryFlags(r) & ZELVREP_HIDDEN) || r.volumes == 0)
                continue;
            names << CZELV10RepositoryCache::DisplayName(r);
            incoming->append(r.incoming);
            at->append(r.volumes);
            outgoing->append(r.outgoing);
            largest = std::max(largest, double(r.incoming) + r.volumes + r.outgoing);
        }
    auto* series = new QStackedBarSeries;
    series->append(incoming);
    series->append(at);
    series->append(outgoing);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value"));
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* axis = new QBarCategoryAxis;
    axis->append(names);
    chart->addAxis(axis, Qt::AlignBottom);
    series->attachAxis(axis);
    auto* counts = new QValueAxis;
    counts->setRange(0, std::max(largest * 1.1, 4.0));
    counts->applyNiceNumbers();
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
    // The view owns the chart it shows and hands the one it replaces back.
    std::unique_ptr<QChart> previous(m_chart->chart());
    m_chart->setChart(chart);
}

bool CManageProperties::ExportList() {
    if (!m_sheet)
        return false;
    m_exportDescriptions.clear();
    std::vector<ZELVATTRIBUTEFULL> descriptions;
    // Without them the column stays empty; the rest is still worth exporting.
    if (m_sheet->Connection().List(&descriptions, m_customer, m_media, 0).IsOK())
        for (const ZELVATTRIBUTEFULL& a : descriptions)
            m_exportDescriptions.insert(a.key.volumeId.Text(), a.value.Text());
    m_list->InsertColumn(CManageListCtrl::ColNextMove, QStringLiteral("Next move"), 100);
    m_list->InsertColumn(CManageListCtrl::ColDescription, QStringLiteral("Description"), 200);
    QStringList recipients;
    m_sheet->GetMailRecipients(&recipients);
    const QString title = QStringLiteral("Volume List for Customer(%1) Media Type(%2)")
                              .arg(m_sheet->GetCustomerCache().DisplayNameOf(m_customer),
                                   m_sheet->GetMediaCache().DisplayNameOf(m_customer, m_media));
    const bool exported = m_list->Export(title, true, recipients);
    m_list->Model()->DeleteColumn(CManageListCtrl::ColDescription);
    m_list->Model()->DeleteColumn(CManageListCtrl::ColNextMove);
    m_exportDescriptions.clear();
    return exported;
}

void CManageProperties::ScanToAdd() {
    if (!m_sheet)
        return;
    m_sheet->Log().Write("Scan to add new volumes");
    m_loadedIds.clear();
    for (const ZELVVOLSFULL& v : m_sheet->MediaVolumes())
        m_loadedIds.append(v.key.volumeId.Text());
    ZELVSCANVOLUMEARGS args;
    args.notify = [this](const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item) {
        return OnScan(parsed, item);
    };
    args.message = kZelvScanMessage;
    args.customerId.Set(m_customer);
    args.mediaId.Set(m_media);
    args.config = &m_sheet->Config();
    args.strings = &m_loadedIds;
    ScanDialog(m_sheet->Connection(), args, QStringLiteral("Scan to add new Volumes"), m_sheet);

    m_list->setUpdatesEnabled(false);
    m_sheet->LoadMediaVolumes();
    m_hidden = 0;
    for (const ZELVVOLSFULL& v : *m_volumes)
        if (v.vol.flags & ZELVVOL_HIDDEN)
            ++m_hidden;
    ApplyFilters();
    m_list->setUpdatesEnabled(true);
}

uint32_t CManageProperties::OnScan(const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item) {
    if (!parsed.IsOK())
        return parsed.Code();
    if (item.flags & ZELVPARSED_DEFINED)
        return ZELV10RC_ALREADYDEFINED;
    if (item.customerId.Text() != m_customer)
        return ZELV10RC_WRONGCUSTOMER;
    if (item.mediaId.Text() != m_media)
        return ZELV10RC_WRONGMEDIA;
    if (!m_sheet || !m_volumes)
        return ZELV10RC_NOTUPDATED;
    CZELV10MFC& mfc = m_sheet->Connection();
    ZELVVOLSEx volume;
    volume.key.customerId = item.customerId;
    volume.key.mediaId = item.mediaId;
    volume.key.volumeId = item.volumeId;
    for (ZELVVOLLOC& location : volume.vol.location)
        location.repositoryId = "INIT";
    CZELV10RC rc = mfc.Add(volume);
    ZELVVOLSFULL added;
    if (rc.IsOK())
        rc = mfc.Get(&added, m_customer, m_media, item.volumeId.Text());
    if (!rc.IsOK())
        return rc.Code();
    // The list points into the array: it is rebuilt at once.
    m_volumes->push_back(added);
    m_loadedIds.append(added.key.volumeId.Text());
    ApplyFilters();
    return ZELV10RC_OK;
}
