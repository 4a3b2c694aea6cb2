#include "ContainerCache.h"

#include "ZELV10MFC.h"

void CContainerCache::SetConnection(CZELV10MFC* connection) {
    m_connection = connection;
    m_loaded = false;
    m_list.clear();
    m_byNumber.clear();
}

bool CContainerCache::Load(bool force) {
    if (m_loaded && !force)
        return true;
    m_loaded = false;
    m_list.clear();
    m_byNumber.clear();
    if (!m_connection) {
        m_result = CZELV10RC(ZELV10RC_NOTLOGGEDON);
        return false;
    }
    m_result = m_connection->List(&m_list);
    if (!m_result.IsOK()) {
        m_list.clear();
        return false;
    }
    m_byNumber.reserve(m_list.size());
    for (size_t i = 0; i < m_list.size(); ++i)
        m_byNumber.emplace(m_list[i].number, i);
    m_loaded = true;
    return true;
}

const std::vector<ZELV10CONTAINER>& CContainerCache::List() {
    Load(false);
    return m_list;
}

const ZELV10CONTAINER* CContainerCache::Find(uint32_t number) {
    Load(false);
    const auto it = m_byNumber.find(number);
    return it == m_byNumber.end() ? nullptr : &m_list[it->second];
}

const ZELV10CONTAINER* CContainerCache::Find(const CVolumeKey& key) {
    Load(false);
    for (const ZELV10CONTAINER& c : m_list)
        if (CVolumeKey(c.key) == key)
            return &c;
    return nullptr;
}

QString CContainerCache::Text(uint32_t number) {
    if (number == 0)
        return kNoContainer;
    const ZELV10CONTAINER* c = Find(number);
    return c ? c->key.Text() : QString();
}
