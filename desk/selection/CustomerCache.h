#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <vector>

class CZELV10MFC;

// The Customers as the server sends them (by Customer-ID), read once and
// then served from here until someone forces a new read. The sheet holds
// one; each Customer list holds its own.
class CustomerCache {
public:
    explicit CustomerCache(CZELV10MFC* connection = nullptr) : m_connection(connection) {}

    void SetConnection(CZELV10MFC* connection) { m_connection = connection; }
    CZELV10MFC* Connection() const { return m_connection; }

    // Without force, a cache that holds Customers answers without the
    // server. A failed read keeps what was there. Returns whether the last
    // read (or the cache) is good.
    bool Load(bool force = false);
    const CZELV10RC& LastResult() const { return m_result; }

    // The Customer with that identifier (its first 4 bytes), or none.
    const ZELVCUSTEx* Find(const QString& customer);
    // The name, or "ID(xxxx)" when the name is empty.
    static QString DisplayName(const ZELVCUSTEx& record);
    // Empty for an empty identifier; "ID(...)" when there is no such Customer.
    QString DisplayNameOf(const QString& customer);

    int Count() const { return int(m_records.size()); }
    // None past the end.
    const ZELVCUSTEx* At(int index) const;
    const std::vector<ZELVCUSTEx>& Records() const { return m_records; }

private:
    CZELV10MFC* m_connection = nullptr;
    CZELV10RC m_result;
    bool m_sorted = true; // whether bisection can be used
    std::vector<ZELVCUSTEx> m_records;
};
