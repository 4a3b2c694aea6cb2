#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <map>
#include <vector>

class CZELV10MFC;

// The Media Types of the Customer asked for last, read again when another
// Customer is asked for. The sheet holds one; each Media list its own.
class MediaCache {
public:
    explicit MediaCache(CZELV10MFC* connection = nullptr) : m_connection(connection) {}

    void SetConnection(CZELV10MFC* connection) { m_connection = connection; }
    CZELV10MFC* Connection() const { return m_connection; }

    // Reads the Customer's Media Types when the Customer changed or force is
    // set. A failed read keeps the earlier contents (and the earlier
    // Customer), so the caller goes on with what it had.
    bool Load(const QString& customer, bool force = false);
    const CZELV10RC& LastResult() const { return m_result; }
    // Whether the records are that Customer's.
    bool Holds(const QString& customer) const { return m_loaded && m_customer == customer; }
    const QString& LoadedCustomer() const { return m_customer; }

    // The Customer's Media Type, or none (also when the Customer's Media
    // Types could not be read).
    const ZELVMEDIAEx* Find(const QString& customer, const QString& media);
    // The name, or "ID(xxxx)" when the name is empty.
    static QString DisplayName(const ZELVMEDIAEx& record);
    // Empty for an empty Media-ID; "ID(...)" when there is no such Media Type.
    QString DisplayNameOf(const QString& customer, const QString& media);

    const std::vector<ZELVMEDIAEx>& Records() const { return m_records; }

private:
    CZELV10MFC* m_connection = nullptr;
    CZELV10RC m_result;
    QString m_customer;
    bool m_loaded = false;
    std::vector<ZELVMEDIAEx> m_records;
    std::map<QString, size_t> m_byMedia; // Media-ID -> index into m_records
};
