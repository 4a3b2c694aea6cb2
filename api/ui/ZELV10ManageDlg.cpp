#include "ZELV10ManageDlg.h"

#include "ZELV10ChangerPanel.h"
#include "ZELV10MFC.h"
#include "ZELVFilter.h"
#include "ZELVListCtrl.h"
#include "ZELVPrompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr struct {
    const char* heading;
    int width;
    Qt::Alignment align;
} kColumns[] = {
    {"Zone", 110, Qt::AlignLeft},      {"Slot", 70, Qt::AlignRight},
    {"Zone Slot", 70, Qt::AlignRight}, {"Volume", 110, Qt::AlignLeft},
    {"State", 180, Qt::AlignLeft},
};

constexpr const char* kZoneHeadings[] = {"Zone", "First Slot", "Slots", "Full", "Empty"};

QString Number(qulonglong n) {
    return QLocale(QLocale::English).toString(n);
}

QString NameOf(const std::vector<ZELVREPOSITORYFULL>& repositories, const QString& id) {
    for (const ZELVREPOSITORYFULL& r : repositories)
        if (r.repositoryId.Text() == id)
            return r.name.Text().isEmpty() ? QStringLiteral("ID(%1)").arg(id) : r.name.Text();
    return id == QLatin1String("INIT") ? QStringLiteral("Initial Repository") : id;
}

bool HasWildcard(const QString& text) {
    for (QChar c : text)
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('['))
            return true;
    return false;
}

} // namespace

QString CZELV10ManageDlg::Rows::Text(int row, int column) const {
    const SlotRow* r = At(row);
    if (!r)
        return {};
    switch (column) {
    case ColZone:
        return r->zone.isEmpty() ? QStringLiteral("(outside the zones)") : r->zone;
    case ColSlot:
        return r->slot ? QString::asprintf("%6.6u", r->slot) : QString();
    case ColZoneSlot:
        return r->zoneSlot ? CZELV10MFC::FormatZoneSlot(r->zoneSlot) : QString();
    case ColVolume:
        return r->volume;
    case ColState:
        return r->state;
    default:
        return {};
    }
}

int CZELV10ManageDlg::Rows::Compare(int left, int right, int column) const {
    const SlotRow* a = At(left);
    const SlotRow* b = At(right);
    if (column == ColSlot || column == ColZoneSlot) {
        const uint32_t x = column == ColSlot ? a->slot : a->zoneSlot;
        const uint32_t y = column == ColSlot ? b->slot : b->zoneSlot;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return CZELVListRows::Compare(left, right, column);
}

QColor CZELV10ManageDlg::Rows::TextColour(int row) const {
    const SlotRow* r = At(row);
    return r && r->volume.isEmpty() ? QColor(Qt::gray) : QColor();
}

CZELV10ManageDlg::CZELV10ManageDlg(CZELV10MFC& connection, const ZELVREPOSITORYFULL& repository,
                                   const std::vector<ZELVREPOSITORYFULL>& repositories,
                                   const ZELV10ManageSetup& setup, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_repository(repository),
      m_repositories(repositories), m_setup(setup) {
    setObjectName(QStringLiteral("manageLibraryDlg"));
    const QString id = repository.repositoryId.Text();
    setWindowTitle(
        QStringLiteral("Manage Library - %1 (%2)")
            .arg(NameOf(repositories, id).isEmpty() ? id : NameOf(repositories, id), id));
    setModal(true);
    resize(1000, 640);

    auto* heading = new QLabel(QStringLiteral("Customer %1, Media Type %2")
                                   .arg(repository.customerId.Text(), repository.mediaId.Text()),
                               this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("librarySummary"));

    m_zoneList = new CZELVListCtrl(this);
    m_zoneList->setObjectName(QStringLiteral("zoneList"));
    int c = 0;
    for (const char* h : kZoneHeadings) {
        m_zoneList->InsertColumn(c, QString::fromLatin1(h), c == 0 ? 120 : 70,
                                 c == 0 ? Qt::AlignLeft : Qt::AlignRight);
        ++c;
    }
    m_zoneList->setMaximumHeight(130);

    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("libraryFilter"));
    m_filterEdit->setPlaceholderText(QStringLiteral("Volume, zone or slot (wildcards allowed)"));
    m_filterEdit->setClearButtonEnabled(true);
    connect(m_filterEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter = text.trimmed();
        ApplyFilter();
    });
    m_showEmptyBox = new QCheckBox(QStringLiteral("Show &empty slots"), this);
    m_showEmptyBox->setObjectName(QStringLiteral("showEmptySlots"));
    m_showEmptyBox->setChecked(true);
    connect(m_showEmptyBox, &QCheckBox::toggled, this, [this](bool on) {
        m_showEmpty = on;
        ApplyFilter();
    });
    auto* exportButton = new QPushButton(QStringLiteral("E&xport..."), this);
    exportButton->setObjectName(QStringLiteral("libraryExport"));

    m_list = new CZELVListCtrl(this);
    m_list->setObjectName(QStringLiteral("librarySlots"));
    c = 0;
    for (const auto& col : kColumns)
        m_list->InsertColumn(c++, QString::fromLatin1(col.heading), col.width, col.align);
    if (setup.prompter)
        m_list->SetPrompter(setup.prompter);
    if (setup.profile)
        m_list->SetSettings(setup.profile);
    if (setup.exportUi)
        m_list->SetExportUi(setup.exportUi);
    m_list->SetRows(&m_rows);
    connect(exportButton, &QPushButton::clicked, this,
            [this] { m_list->Export(windowTitle(), false); });

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("&Filter:"), this));
    filterRow->addWidget(m_filterEdit, 1);
    filterRow->addWidget(m_showEmptyBox);
    filterRow->addWidget(exportButton);
    static_cast<QLabel*>(filterRow->itemAt(0)->widget())->setBuddy(m_filterEdit);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(heading);
    leftLayout->addWidget(m_summary);
    leftLayout->addWidget(m_zoneList);
    leftLayout->addLayout(filterRow);
    leftLayout->addWidget(m_list, 1);

    auto* changerBox = new QGroupBox(QStringLiteral("Media Changer"), this);
    auto* changerLayout = new QVBoxLayout(changerBox);
    if (setup.changerDevice.isEmpty()) {
        auto* none = new QLabel(kNoChanger, changerBox);
        none->setObjectName(QStringLiteral("noChanger"));
        none->setWordWrap(true);
        changerLayout->addWidget(none);
        changerLayout->addStretch(1);
    } else {
        m_changer = new CZELV10ChangerPanel(changerBox);
        m_changer->SetDevice(setup.changerDevice);
        m_changer->SetDeviceEditable(false);
        m_changer->SetProgram(setup.changerProgram);
        m_changer->SetTimeout(setup.changerTimeoutMs);
        changerLayout->addWidget(m_changer);
    }

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(changerBox);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);

    Reload();
}

CZELV10ManageDlg::~CZELV10ManageDlg() {
    m_list->SetRows(nullptr);
}

bool CZELV10ManageDlg::Reload() {
    const QString id = m_repository.repositoryId.Text();
    const QString customer = m_repository.customerId.Text();
    const QString media = m_repository.mediaId.Text();
    std::vector<ZELVZONE> zones;
    std::vector<ZELVVOLSFULL> volumes;
    CZELV10RC rc = m_connection.List(&zones, id);
    if (rc.IsOK())
        rc = m_connection.List(&volumes, customer, media);
    m_all.clear();
    m_zones.clear();
    m_outside = 0;
    if (!rc.IsOK()) {
        m_summary->setText(rc.Get());
        if (m_setup.prompter)
            m_setup.prompter->Tell(rc.Get(), QStringLiteral("Manage Library"), PromptIcon::Error,
                                   this);
        ApplyFilter();
        return false;
    }
    std::sort(zones.begin(), zones.end(),
              [](const ZELVZONE& a, const ZELVZONE& b) { return a.firstSlot < b.firstSlot; });
    const auto zoneOf = [&zones](uint32_t slot) -> const ZELVZONE* {
        for (const ZELVZONE& z : zones)
            if (slot >= z.firstSlot && slot - z.firstSlot < z.slotCount)
                return &z;
        return nullptr;
    };

    // The Volumes in (or on their way into) a slot of this Repository.
    std::multimap<uint32_t, SlotRow> bySlot;
    std::vector<SlotRow> outside;
    for (const ZELVVOLSFULL& v : volumes) {
        const ZELVVOLLOC& cur = v.vol.Current();
        const ZELVVOLLOC& tgt = v.vol.Target();
        SlotRow row;
        row.volume = v.key.volumeId.Text();
        if (cur.repositoryId.Text() == id) {
            row.slot = cur.slot;
            row.here = true;
            row.state = tgt.repositoryId.Text() == id
                            ? QStringLiteral("In slot")
                            : QStringLiteral("Moving to %1")
                                  .arg(NameOf(m_repositories, tgt.repositoryId.Text()));
        } else if (tgt.repositoryId.Text() == id && tgt.slot != 0) {
            row.slot = tgt.slot;
            row.state = QStringLiteral("Moving in from %1")
                            .arg(NameOf(m_repositories, cur.repositoryId.Text()));
        } else {
            continue;
        }
        if (const ZELVZONE* z = row.slot ? zoneOf(row.slot) : nullptr) {
            row.zone = z->name.Text();
            row.zoneSlot = row.slot - z->firstSlot + 1;
            bySlot.emplace(row.slot, row);
        } else {
            if (row.slot == 0)
                row.state += QStringLiteral(", no slot");
            outside.push_back(row);
        }
    }
    for (const ZELVZONE& z : zones) {
        ZoneCount count{z, 0};
        for (uint32_t i = 0; i < z.slotCount; ++i) {
            const uint32_t slot = z.firstSlot + i;
            auto [first, last] = bySlot.equal_range(slot);
            if (first == last) {
                SlotRow empty;
                empty.zone = z.name.Text();
                empty.slot = slot;
                empty.zoneSlot = i + 1;
                empty.state = QStringLiteral("Empty");
                m_all.push_back(empty);
                continue;
            }
            ++count.full;
            for (auto it = first; it != last; ++it)
                m_all.push_back(it->second);
        }
        m_zones.push_back(count);
    }
    m_outside = uint32_t(outside.size());
    m_all.insert(m_all.end(), outside.begin(), outside.end());

    m_zoneList->DeleteAllItems();
    int row = 0;
    for (const ZoneCount& z : m_zones) {
        m_zoneList->InsertItem(row, z.zone.name.Text());
        m_zoneList->SetItemText(row, 1, QString::asprintf("%6.6u", z.zone.firstSlot));
        m_zoneList->SetItemText(row, 2, Number(z.zone.slotCount));
        m_zoneList->SetItemText(row, 3, Number(z.full));
        m_zoneList->SetItemText(row, 4, Number(z.zone.slotCount - z.full));
        ++row;
    }
    m_summary->setText(Summary());
    ApplyFilter();
    if (m_changer)
        m_changer->SetServerSlots(ServerSlots());
    return true;
}

QString CZELV10ManageDlg::Summary() const {
    qulonglong slotCount = 0, full = 0;
    for (const ZoneCount& z : m_zones) {
        slotCount += z.zone.slotCount;
        full += z.full;
    }
    if (m_zones.empty())
        return QStringLiteral("This Repository has no zones; %1 Volumes are in it.")
            .arg(Number(m_outside));
    QString text =
        QStringLiteral("%1 zones, %2 slots: %3 full, %4 empty.")
            .arg(Number(m_zones.size()), Number(slotCount), Number(full), Number(slotCount - full));
    if (m_outside)
        text += QStringLiteral(" %1 Volumes outside the zones.").arg(Number(m_outside));
    return text;
}

std::map<int, QStringList> CZELV10ManageDlg::ServerSlots() const {
    std::map<int, QStringList> bySlot;
    for (const SlotRow& r : m_all)
        if (r.slot != 0 && r.here)
            bySlot[int(r.slot)].append(r.volume);
    return bySlot;
}

void CZELV10ManageDlg::SetFilter(const QString& text) {
    m_filterEdit->setText(text);
}

void CZELV10ManageDlg::SetShowEmpty(bool on) {
    m_showEmptyBox->setChecked(on);
}

void CZELV10ManageDlg::ApplyFilter() {
    auto& shown = m_rows.Pointers();
    shown.clear();
    const bool wild = HasWildcard(m_filter);
    const CZELVFilter pattern(m_filter, CZELVFilter::kExtMatch | CZELVFilter::kCaseFold);
    for (const SlotRow& r : m_all) {
        if (!m_showEmpty && r.volume.isEmpty())
            continue;
        if (!m_filter.isEmpty()) {
            const QString cells[] = {r.zone, QString::asprintf("%6.6u", r.slot),
                                     CZELV10MFC::FormatZoneSlot(r.zoneSlot), r.volume, r.state};
            bool any = false;
            for (const QString& cell : cells)
                if (wild ? pattern.Matches(cell) : cell.contains(m_filter, Qt::CaseInsensitive))
                    any = true;
            if (!any)
                continue;
        }
        shown.push_back(&r);
    }
    m_list->Reload();
}

void Manage(CZELV10MFC& connection, const ZELVREPOSITORYFULL& repository,
            const std::vector<ZELVREPOSITORYFULL>& repositories, QWidget* parent,
            const ZELV10ManageSetup& setup) {
    CZELV10ManageDlg dlg(connection, repository, repositories, setup, parent);
    if (setup.run)
        setup.run(dlg);
    else
        dlg.exec();
}
