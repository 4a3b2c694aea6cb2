#include "ZELV10RepositoryListCtrl.h"

#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVDate.h"
#include "ZELVFilter.h"

#include <QPainter>
#include <QPixmap>
#include <QStringList>

namespace {

constexpr int kMaxImage = 8;

int CompareNumbers(uint64_t a, uint64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

uint64_t CountOf(const ZELVREPOSITORYFULL& r, int column) {
    switch (column) {
    case CZELV10RepositoryRows::ColVolumes:
        return r.volumes;
    case CZELV10RepositoryRows::ColIncoming:
        return r.incoming;
    case CZELV10RepositoryRows::ColOutgoing:
        return r.outgoing;
    case CZELV10RepositoryRows::ColScratch:
        return r.scratch;
    case CZELV10RepositoryRows::ColScannedOut:
        return r.scannedOut;
    default:
        return 0;
    }
}

// Counts of a merged Repository are 16 bits wide on the record; a sum that
// does not fit stays at the largest value rather than wrapping to a small one.
uint16_t AddCount(uint16_t a, uint16_t b) {
    const uint32_t sum = uint32_t(a) + uint32_t(b);
    return sum > 0xFFFF ? uint16_t(0xFFFF) : uint16_t(sum);
}

uint32_t AddCount(uint32_t a, uint32_t b) {
    const uint64_t sum = uint64_t(a) + uint64_t(b);
    return sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(sum);
}

QIcon Badge(QColor colour, const QString& letter) {
    QIcon icon;
    for (int size : {16, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
        p.setPen(colour.darker(130));
        p.setBrush(colour);
        p.drawRoundedRect(r, size * 0.18, size * 0.18);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(qMax(6, int(size * 0.62)));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, letter);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

// ---------------------------------------------------------------------------
// Rows

void CZELV10RepositoryRows::Clear() {
    m_records.clear();
    m_checked.clear();
    m_byId.clear();
    m_result = CZELV10RC();
}

bool CZELV10RepositoryRows::Accepts(const ZELVREPOSITORYFULL& record) const {
    if (RepositoryFlags(record) & ZELVREP_HIDDEN)
        return false;
    return m_filter.Matches(record.repositoryId.Text());
}

void CZELV10RepositoryRows::Merge(const ZELVREPOSITORYFULL& record) {
    const QString id = record.repositoryId.Text();
    const auto found = m_byId.find(id);
    if (found != m_byId.end()) {
        ZELVREPOSITORYFULL& first = m_records[found->second];
        first.volumes = AddCount(first.volumes, record.volumes);
        first.incoming = AddCount(first.incoming, record.incoming);
        first.outgoing = AddCount(first.outgoing, record.outgoing);
        first.scannedOut = AddCount(first.scannedOut, record.scannedOut);
        return;
    }
    if (m_records.size() >= kMaxRepositories)
        return;
    m_byId.emplace(id, m_records.size());
    m_records.push_back(record);
    m_checked.push_back(0);
}

int CZELV10RepositoryRows::FillForMedia(CZELV10MFC& connection, const QString& customer,
                                        const QString& media) {
    Clear();
    std::vector<ZELVREPOSITORYFULL> list;
    m_result = connection.List(&list, customer, media);
    if (!m_result.IsOK())
        return 0;
    for (const ZELVREPOSITORYFULL& r : list)
        if (Accepts(r))
            Merge(r);
    return Count();
}

int CZELV10RepositoryRows::FillForCustomer(CZELV10MFC& connection, const QString& customer,
                                           const Predicate& accept) {
    Clear();
    QStringList mediaIds;
    const CZELV10RC listed = connection.List(&mediaIds, customer);
    if (!listed.IsOK()) {
        m_result = listed;
        return 0;
    }
    for (const QString& media : mediaIds) {
        std::vector<ZELVREPOSITORYFULL> list;
        const CZELV10RC rc = connection.List(&list, customer, media);
        if (!rc.IsOK()) {
            // The other Media Types still give their Repositories.
            if (m_result.IsOK())
                m_result = rc;
            continue;
        }
        for (const ZELVREPOSITORYFULL& r : list)
            if (Accepts(r) && (!accept || accept(r)))
                Merge(r);
    }
    return Count();
}

const ZELVREPOSITORYFULL* CZELV10RepositoryRows::At(int index) const {
    return index >= 0 && index < Count() ? &m_records[size_t(index)] : nullptr;
}

const ZELVREPOSITORYFULL* CZELV10RepositoryRows::FindRecord(const QString& repository) const {
    const auto it = m_byId.find(ZELVFixedText<kZelvRepositoryIdLen>(repository).Text());
    return it != m_byId.end() ? &m_records[it->second] : nullptr;
}

QString CZELV10RepositoryRows::NameOf(const QString& repository) const {
    if (const ZELVREPOSITORYFULL* r = FindRecord(repository))
        return r->name.Text();
    return QStringLiteral("ID(") + repository + QLatin1Char(')');
}

QString CZELV10RepositoryRows::Text(int row, int column) const {
    const ZELVREPOSITORYFULL* r = At(row);
    if (!r)
        return {};
    if (column == ColName)
        return CZELV10RepositoryCache::DisplayName(*r);
    if (column > ColName && column <= ColScannedOut)
        return FormatCount(CountOf(*r, column));
    return {};
}

int CZELV10RepositoryRows::Image(int row, int column) const {
    const ZELVREPOSITORYFULL* r = At(row);
    if (!r || column != ColName)
        return -1;
    return r->type <= kMaxImage ? int(r->type) : CZELV10RepositoryCache::kUnknownImage;
}

int CZELV10RepositoryRows::Compare(int left, int right, int column) const {
    const ZELVREPOSITORYFULL* a = At(left);
    const ZELVREPOSITORYFULL* b = At(right);
    if (!a || !b)
        return 0;
    if (column == ColName)
        return QString::compare(CZELV10RepositoryCache::DisplayName(*a),
                                CZELV10RepositoryCache::DisplayName(*b), Qt::CaseInsensitive);
    return CompareNumbers(CountOf(*a, column), CountOf(*b, column));
}

QColor CZELV10RepositoryRows::TextColour(int row) const {
    return IsChecked(row) ? CZELV10SelectionListCtrl::kTickedText
                          : CZELV10SelectionListCtrl::kUntickedText;
}

bool CZELV10RepositoryRows::IsChecked(int row) const {
    return row >= 0 && size_t(row) < m_checked.size() && m_checked[size_t(row)] != 0;
}

void CZELV10RepositoryRows::SetChecked(int row, bool checked) {
    if (row >= 0 && size_t(row) < m_checked.size())
        m_checked[size_t(row)] = checked ? 1 : 0;
}

QList<QIcon> RepositoryImageList() {
    // Initial, data centre, vault, library, transit, home, recovery site,
    // courier, other; then unknown.
    static const QList<QIcon> images = {
        Badge(QColor(0x54, 0x6E, 0x7A), QStringLiteral("I")),
        Badge(QColor(0x0A, 0x41, 0x6A), QStringLiteral("D")),
        Badge(QColor(0x2E, 0x7D, 0x32), QStringLiteral("V")),
        Badge(QColor(0x00, 0x79, 0x6B), QStringLiteral("L")),
        Badge(QColor(0xF9, 0xA8, 0x25), QStringLiteral("T")),
        Badge(QColor(0x6A, 0x1B, 0x9A), QStringLiteral("H")),
        Badge(QColor(0xC6, 0x28, 0x28), QStringLiteral("R")),
        Badge(QColor(0xEF, 0x6C, 0x00), QStringLiteral("C")),
        Badge(QColor(0x78, 0x90, 0x9C), QStringLiteral("O")),
        Badge(QColor(0x9E, 0x9E, 0x9E), QStringLiteral("?")),
    };
    return images;
}

// ---------------------------------------------------------------------------
// List control

CZELV10RepositoryListCtrl::CZELV10RepositoryListCtrl(QWidget* parent)
    : CZELV10SelectionListCtrl(parent) {
    InsertColumn(CZELV10RepositoryRows::ColName, QStringLiteral("Repository"), 150, Qt::AlignLeft);
    InsertColumn(CZELV10RepositoryRows::ColVolumes, QStringLiteral("Volumes"), 80, Qt::AlignRight);
    InsertColumn(CZELV10RepositoryRows::ColIncoming, QStringLiteral("Incoming"), 80,
                 Qt::AlignRight);
    InsertColumn(CZELV10RepositoryRows::ColOutgoing, QStringLiteral("Outgoing"), 80,
                 Qt::AlignRight);
    InsertColumn(CZELV10RepositoryRows::ColScratch, QStringLiteral("Scratch"), 80, Qt::AlignRight);
    InsertColumn(CZELV10RepositoryRows::ColScannedOut, QStringLiteral("Scanned-Out"), 80,
                 Qt::AlignRight);
    SetImages(RepositoryImageList());
    SetRows(m_source);
}

CZELV10RepositoryListCtrl::~CZELV10RepositoryListCtrl() {
    disconnect(m_sourceGone);
    SetRows(nullptr);
}

void CZELV10RepositoryListCtrl::SetSource(CZELV10RepositoryRows* rows) {
    disconnect(m_sourceGone);
    m_source = rows ? rows : &m_own;
    if (m_source != &m_own)
        m_sourceGone = connect(m_source, &QObject::destroyed, this, [this] {
            // The sheet goes before its pages; the list shows its own rows then.
            m_source = &m_own;
            SetRows(m_source);
        });
    SetRows(m_source);
    Refresh();
}

void CZELV10RepositoryListCtrl::Refresh() {
    Reload();
    SortItems();
}

int CZELV10RepositoryListCtrl::FillForMedia(CZELV10MFC& connection, const QString& customer,
                                            const QString& media) {
    const int count = m_source->FillForMedia(connection, customer, media);
    Refresh();
    return count;
}

int CZELV10RepositoryListCtrl::FillForCustomer(CZELV10MFC& connection, const QString& customer,
                                               const CZELV10RepositoryRows::Predicate& accept) {
    const int count = m_source->FillForCustomer(connection, customer, accept);
    Refresh();
    return count;
}

const ZELVREPOSITORYFULL* CZELV10RepositoryListCtrl::RepositoryAt(int row) const {
    return RecordAt<ZELVREPOSITORYFULL>(row);
}

const ZELVREPOSITORYFULL* CZELV10RepositoryListCtrl::SelectedRepository() const {
    return RepositoryAt(SelectedRow());
}

int CZELV10RepositoryListCtrl::RequireRepository() {
    return RequireRow(kOnlyOne, kMustSelect);
}
