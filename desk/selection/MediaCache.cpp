#include "MediaCache.h"

#include "ZELV10MFC.h"

bool MediaCache::Load(const QString& customer, bool force) {
    if (!force && Holds(customer))
        return true;
    if (!m_connection) {
        m_result = CZELV10RC(ZELV10RC_NOTLOGGEDON);
        return true;
    }
    std::vector<ZELVMEDIAEx> list;
    m_result = m_connection->List(&list, customer);
    if (m_result.IsOK()) {
        m_records = std::move(list);
        m_byMedia.clear();
        for (size_t i = 0; i < m_records.size(); ++i)
            m_byMedia.emplace(m_records[i].mediaId.Text(), i);
        m_customer = customer;
        m_loaded = true;
    }
    // The pages go on with what the cache holds either way.
    return true;
}

const ZELVMEDIAEx* MediaCache::Find(const QString& customer, const QString& media) {
    Load(customer, false);
    if (!Holds(customer))
        return nullptr;
    const auto it = m_byMedia.find(ZELVFixedText<kZelvMediaIdLen>(media).Text());
    return it != m_byMedia.end() ? &m_records[it->second] : nullptr;
}

QString MediaCache::DisplayName(const ZELVMEDIAEx& record) {
    if (!record.name.IsEmpty())
        return record.name.Text();
    return QString::asprintf("ID(%.*s)", kZelvMediaIdLen, record.mediaId.Data());
}

QString MediaCache::DisplayNameOf(const QString& customer, const QString& media) {
    if (media.isEmpty())
        return QString();
    if (const ZELVMEDIAEx* m = Find(customer, media))
        return DisplayName(*m);
    return QStringLiteral("ID(") + media + QLatin1Char(')');
}
