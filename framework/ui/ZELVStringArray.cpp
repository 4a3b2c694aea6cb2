#include "ZELVStringArray.h"

int CZELVStringArray::Add(const QString& text) {
    auto it = m_counts.find(text);
    if (it != m_counts.end()) {
        if (m_unique)
            return 0;
        ++it.value();
    } else {
        m_counts.insert(text, 1);
    }
    m_strings.append(text);
    return int(m_strings.size()) - 1;
}

void CZELVStringArray::RemoveAt(int index) {
    if (index < 0 || index >= m_strings.size())
        return;
    const QString text = m_strings.takeAt(index);
    auto it = m_counts.find(text);
    if (it != m_counts.end() && --it.value() <= 0)
        m_counts.erase(it);
}

void CZELVStringArray::RemoveAll() {
    m_strings.clear();
    m_counts.clear();
}

int CZELVStringArray::Find(const QString& text) const {
    if (!m_counts.contains(text))
        return -1;
    return int(m_strings.indexOf(text));
}
