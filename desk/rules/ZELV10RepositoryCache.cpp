#include "ZELV10RepositoryCache.h"

#include "ZELV10MFC.h"

#include <QSettings>
#include <algorithm>

namespace {

constexpr int kMaxImage = 8;

bool IdLess(const ZELVREPOSITORYFULL& a, const ZELVREPOSITORYFULL& b) {
    return a.repositoryId < b.repositoryId;
}

} // namespace

CZELV10RepositoryCache::CZELV10RepositoryCache(CZELV10MFC* connection, QSettings* profile)
    : m_connection(connection) {
    if (profile)
        m_hidden = ReadHiddenKeys(*profile);
}

QSet<QString> CZELV10RepositoryCache::ReadHiddenKeys(QSettings& profile) {
    profile.beginGroup(QString::fromLatin1(kHiddenRepositoriesGroup));
    const QStringList names = profile.childKeys();
    profile.endGroup();
    return QSet<QString>(names.begin(), names.end());
}

QString CZELV10RepositoryCache::Key(const QString& customer, const QString& media,
                                    const QString& repository) {
    return customer + QLatin1Char('.') + media + QLatin1Char('.') + repository;
}

void CZELV10RepositoryCache::SetHiddenKeys(const QSet<QString>& keys) {
    m_hidden = keys;
    RebuildView();
}

bool CZELV10RepositoryCache::IsHidden(const QString& customer, const QString& media,
                                      const QString& repository) const {
    return m_hidden.contains(Key(customer, media, repository));
}

bool CZELV10RepositoryCache::Holds(const QString& customer, const QString& media) const {
    return m_loaded && m_customer == customer && m_media == media;
}

bool CZELV10RepositoryCache::Load(const QString& customer, const QString& media, bool force) {
    if (!force && Holds(customer, media))
        return true;
    if (!m_connection) {
        m_result = CZELV10RC(ZELV10RC_NOTLOGGEDON);
        return false;
    }
    std::vector<ZELVREPOSITORYFULL> list;
    m_result = m_connection->List(&list, customer, media);
    if (!m_result.IsOK())
        return false;
    m_customer = customer;
    m_media = media;
    m_loaded = true;
    m_records = std::move(list);
    // The server sends them by identifier; should one ever not, Find falls
    // back to looking at each record rather than missing one.
    m_sorted = std::is_sorted(m_records.begin(), m_records.end(), IdLess);
    RebuildView();
    return true;
}

void CZELV10RepositoryCache::RebuildView() {
    m_view.clear();
    for (const ZELVREPOSITORYFULL& r : m_records)
        if (!IsHidden(m_customer, m_media, r.repositoryId.Text()))
            m_view.push_back(&r);
}

const ZELVREPOSITORYFULL* CZELV10RepositoryCache::Find(const QString& customer,
                                                       const QString& media,
                                                       const QString& repository) {
    Load(customer, media, false);
    // After a failed read the records are another pair's.
    if (!Holds(customer, media))
        return nullptr;
    ZELVREPOSITORYFULL probe;
    probe.repositoryId = repository;
    if (m_sorted) {
        const auto it = std::lower_bound(m_records.begin(), m_records.end(), probe, IdLess);
        return it != m_records.end() && it->repositoryId == probe.repositoryId ? &*it : nullptr;
    }
    for (const ZELVREPOSITORYFULL& r : m_records)
        if (r.repositoryId == probe.repositoryId)
            return &r;
    return nullptr;
}

const ZELVREPOSITORYFULL* CZELV10RepositoryCache::FindHome(const QString& customer,
                                                           const QString& media) {
    Load(customer, media, false);
    if (!Holds(customer, media))
        return nullptr;
    for (const ZELVREPOSITORYFULL& r : m_records)
        if ((RepositoryFlags(r) & ZELVREP_HOME) == ZELVREP_HOME)
            return &r;
    return nullptr;
}

QString CZELV10RepositoryCache::DisplayName(const ZELVREPOSITORYFULL& record) {
    if (!record.name.IsEmpty())
        return record.name.Text();
    return QString::asprintf("ID(%.*s)", kZelvRepositoryIdLen, record.repositoryId.Data());
}

QString CZELV10RepositoryCache::DisplayNameOf(const QString& customer, const QString& media,
                                              const QString& repository) {
    if (repository == QLatin1String("INIT"))
        return QStringLiteral("Initial Repository");
    if (const ZELVREPOSITORYFULL* r = Find(customer, media, repository))
        return DisplayName(*r);
    return QStringLiteral("ID(") + repository + QLatin1Char(')');
}

int CZELV10RepositoryCache::ImageIndex(const QString& customer, const QString& media,
                                       const QString& repository, int base) {
    const ZELVREPOSITORYFULL* r = Find(customer, media, repository);
    const int image = r && r->type <= kMaxImage ? int(r->type) : kUnknownImage;
    return image + base;
}

QString CZELV10RepositoryCache::LocationText(const QString& customer, const QString& media,
                                             const QString& repository, uint32_t slot,
                                             bool alwaysFormat) {
    if (slot != 0 && !alwaysFormat)
        return repository;
    const QString base = repository == QLatin1String("INIT")
                             ? QStringLiteral("Initial Location")
                             : DisplayNameOf(customer, media, repository);
    if (slot == 0)
        return base;
    return base + QString::asprintf(" [%6.6u]", slot);
}
