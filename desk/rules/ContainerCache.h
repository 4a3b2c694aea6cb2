#pragma once

#include "VolumeKey.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

class CZELV10MFC;

// Every Container the server knows: its number and the key of the Container
// Volume. Loaded on demand and again when asked (Container Selection reloads
// it at every activation); the sheet holds one for its whole life.
class CContainerCache {
public:
    explicit CContainerCache(CZELV10MFC* connection = nullptr) : m_connection(connection) {}

    void SetConnection(CZELV10MFC* connection);
    CZELV10MFC* Connection() const { return m_connection; }

    // Reads the list unless it is loaded (force reads again). A failed read
    // leaves the cache empty and unloaded. Returns whether the read worked.
    bool Load(bool force = false);
    bool IsLoaded() const { return m_loaded; }
    const CZELV10RC& LastResult() const { return m_result; }

    // In the server's order (by number).
    const std::vector<ZELV10CONTAINER>& List();
    const ZELV10CONTAINER* Find(uint32_t number);
    const ZELV10CONTAINER* Find(const CVolumeKey& key);

    // "No-Container" for 0, the Container's Volume text when the number is
    // known, empty otherwise.
    QString Text(uint32_t number);

    static inline const QString kNoContainer = QStringLiteral("No-Container");

private:
    CZELV10MFC* m_connection = nullptr;
    bool m_loaded = false;
    CZELV10RC m_result;
    std::vector<ZELV10CONTAINER> m_list;
    std::unordered_map<uint32_t, size_t> m_byNumber;
};
