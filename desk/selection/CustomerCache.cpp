#include "CustomerCache.h"

#include "ZELV10MFC.h"

#include <algorithm>

namespace {

bool IdLess(const ZELVCUSTEx& a, const ZELVCUSTEx& b) {
    return a.customerId < b.customerId;
}

} // namespace

bool CustomerCache::Load(bool force) {
    if (!force && !m_records.empty())
        return true;
    if (!m_connection) {
        m_result = CZELV10RC(ZELV10RC_NOTLOGGEDON);
        return false;
    }
    std::vector<ZELVCUSTEx> list;
    m_result = m_connection->List(&list);
    if (!m_result.IsOK())
        return false;
    m_records = std::move(list);
    // The server sends them by identifier; should one ever not, Find looks
    // at each record rather than missing one.
    m_sorted = std::is_sorted(m_records.begin(), m_records.end(), IdLess);
    return true;
}

const ZELVCUSTEx* CustomerCache::Find(const QString& customer) {
    Load(false);
    ZELVCUSTEx probe;
    probe.customerId = customer;
    if (m_sorted) {
        const auto it = std::lower_bound(m_records.begin(), m_records.end(), probe, IdLess);
        return it != m_records.end() && it->customerId == probe.customerId ? &*it : nullptr;
    }
    for (const ZELVCUSTEx& c : m_records)
        if (c.customerId == probe.customerId)
            return &c;
    return nullptr;
}

QString CustomerCache::DisplayName(const ZELVCUSTEx& record) {
    if (!record.name.IsEmpty())
        return record.name.Text();
    return QString::asprintf("ID(%.*s)", kZelvCustomerIdLen, record.customerId.Data());
}

QString CustomerCache::DisplayNameOf(const QString& customer) {
    if (customer.isEmpty())
        return QString();
    if (const ZELVCUSTEx* c = Find(customer))
        return DisplayName(*c);
    return QStringLiteral("ID(") + customer + QLatin1Char(')');
}

const ZELVCUSTEx* CustomerCache::At(int index) const {
    return index >= 0 && index < Count() ? &m_records[size_t(index)] : nullptr;
}
