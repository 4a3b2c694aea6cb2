#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVDate.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class CZELV10MFC;
class CZELV10RepositoryCache;
class Prompter;
class QTreeWidgetItem;
class QWidget;

// One Volume of the Send scan list with the changes the operator made to it
// until Apply and Verify writes them.
struct UpdateItem {
    static constexpr int kSimpleUnknown = -1;

    ZELVVOLSEx record;
    QString holidayText;
    // "Known" means this read worked.
    CZELV10RC lookupResult{ZELV10RC_NOTREAD};
    CZELV10RC updateResult{ZELV10RC_NOTUPDATED};
    QString description;
    QString serverDescription;
    QString target; // Repository-ID, empty for none
    // The next move; without a date the Volume is Permanent, and the date
    // held stays for the keyboard's day steps.
    CZELVDate nextMove = Epoch();
    bool hasNextMove = true;
    int simple = kSimpleUnknown; // from the target Repository: -1 unknown, 0 no, 1 yes
    uint16_t threshold = 0;
    QTreeWidgetItem* node = nullptr;
    bool hasAttributes = false;

    static CZELVDate Epoch();

    bool IsKnown() const { return lookupResult.IsOK(); }
    bool IsContainer() const { return (record.vol.flags & ZELVVOL_CONTAINER) != 0; }
    bool IsSimpleManagement() const { return (record.vol.flags & ZELVVOL_SIMPLE) || simple == 1; }
    // "CUST.MEDI.VOLUME".
    QString DisplayName() const { return record.key.Text(); }
    // "Simple Management™", "Permanent" or "%Y-%m-%d".
    QString NextMoveText() const;
    // A next move that is not after today (Simple Management and Permanent
    // Volumes have none to check).
    bool IsBackwardDate(const CZELVDate& today) const;

    // Reads the Volume (and its description when it has one).
    CZELV10RC Lookup(CZELV10MFC& connection);
    // Writes the item's next move, target, threshold, Data-Cluster and
    // Container over the record read last, then its description when it
    // changed; the Update's result.
    CZELV10RC ApplyUpdate(CZELV10MFC& connection);
    // Whether the next move falls on a public holiday of the Customer;
    // holidayText then names it (and is emptied otherwise).
    bool CheckHoliday(CZELV10MFC& connection);
};

// The scan list of the Send task, in scan order.
class UpdateItemList {
public:
    UpdateItemList() = default;
    UpdateItemList(const UpdateItemList&) = delete;
    UpdateItemList& operator=(const UpdateItemList&) = delete;

    void SetConnection(CZELV10MFC* connection) { m_connection = connection; }
    void SetRepositoryCache(CZELV10RepositoryCache* cache) { m_repositories = cache; }
    void SetPrompter(Prompter* prompter) { m_prompter = prompter; }

    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    // None past the end.
    UpdateItem* At(int index) const;
    int IndexOf(const UpdateItem* item) const;

    // A new entry for the key; none (with the "Duplicate" message) when the
    // key is in the list already.
    UpdateItem* AddScanned(const ZELVVOLSKey& key, QWidget* parent = nullptr);
    // Reads unknown entries again, fills empty targets and counts the
    // Volumes of each Container. Does nothing without a connection.
    void RefreshAll();
    void DefaultTarget(UpdateItem* item);
    // Adds an unknown Volume at the initial Repository; the message and
    // false when the server refused it.
    bool AddToServer(UpdateItem* item, QWidget* parent = nullptr);
    void Remove(UpdateItem* item);
    void RemoveAll();

    uint32_t CurrentContainer() const { return m_currentContainer; }
    void SetCurrentContainer(uint32_t key) { m_currentContainer = key; }
    int ContainerCount(uint32_t key) const { return m_containerCounts.value(key); }

private:
    std::vector<std::unique_ptr<UpdateItem>> m_items;
    uint32_t m_currentContainer = 0;
    QHash<uint32_t, int> m_containerCounts;
    CZELV10MFC* m_connection = nullptr;
    CZELV10RepositoryCache* m_repositories = nullptr;
    Prompter* m_prompter = nullptr;
};
