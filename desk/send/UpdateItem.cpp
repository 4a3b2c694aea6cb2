#include "UpdateItem.h"

#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVPrompter.h"

#include <algorithm>

CZELVDate UpdateItem::Epoch() {
    CZELVDate date;
    date.SetDate(1970, 1, 1);
    return date;
}

QString UpdateItem::NextMoveText() const {
    if (IsSimpleManagement())
        return QStringLiteral("Simple Management\u2122");
    if (!hasNextMove)
        return QStringLiteral("Permanent");
    return FormatDate(nextMove, "%Y-%m-%d");
}

bool UpdateItem::IsBackwardDate(const CZELVDate& today) const {
    return !IsSimpleManagement() && hasNextMove && DaysBetween(today, nextMove) <= 0;
}

CZELV10RC UpdateItem::Lookup(CZELV10MFC& connection) {
    ZELVVOLSEx read;
    read.key = record.key;
    lookupResult = connection.Get(&read);
    if (!lookupResult.IsOK())
        return lookupResult;
    record = read;
    if (record.vol.flags & ZELVVOL_DESCRIPTION) {
        ZELVATTRIBUTE attribute;
        serverDescription = connection
                                    .Get(&attribute, record.key.customerId.Text(),
                                         record.key.mediaId.Text(), record.key.volumeId.Text(), 0)
                                    .IsOK()
                                ? attribute.value.Text()
                                : QString();
        description = serverDescription;
    }
    return lookupResult;
}

CZELV10RC UpdateItem::ApplyUpdate(CZELV10MFC& connection) {
    // Cut to fit, the description would be stored as something never typed:
    // the whole entry is refused before anything is written.
    if (!ZELVFixedText<kZelvDescriptionLen>::Fits(description)) {
        updateResult = CZELV10RC(ZELV10RC_TEXTTOOLONG,
                                 QStringLiteral("the description of %1 is longer than %2 bytes")
                                     .arg(DisplayName())
                                     .arg(kZelvDescriptionLen));
        return updateResult;
    }
    ZELVVOLSEx out = record;
    if (!IsSimpleManagement()) {
        if (hasNextMove) {
            out.vol.flags |= ZELVVOL_MOVEDATE;
            out.vol.moveDate = nextMove;
        } else {
            out.vol.flags &= ~ZELVVOL_MOVEDATE;
            out.vol.moveDate = CZELVDate::FromWord(CZELVDate::kCalendarFlag);
        }
    }
    if (out.vol.Target().repositoryId.Text() != target) {
        out.vol.Target().repositoryId.Set(target);
        out.vol.Target().slot = 0;
    }
    out.vol.threshold = threshold;
    updateResult = connection.Update(out);
    // A description goes only onto the Volume this Update just wrote (its
    // next version): never onto one another operator changed meanwhile.
    if (updateResult.IsOK() && description != serverDescription) {
        ZELVATTRIBUTEEx attribute;
        attribute.key = record.key;
        attribute.number = 0;
        attribute.value.Set(description);
        connection.Put(attribute, record.vol.version + 1);
    }
    return updateResult;
}

bool UpdateItem::CheckHoliday(CZELV10MFC& connection) {
    holidayText.clear();
    if (!hasNextMove || IsSimpleManagement())
        return false;
    QString text;
    if (!connection.CheckHoliday(record.key.customerId.Text(), nextMove, &text).IsOK())
        return false;
    holidayText = text;
    return true;
}

// --- List ---------------------------------------------------------------------

UpdateItem* UpdateItemList::At(int index) const {
    return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
}

int UpdateItemList::IndexOf(const UpdateItem* item) const {
    for (int i = 0; i < Count(); ++i)
        if (m_items[size_t(i)].get() == item)
            return i;
    return -1;
}

UpdateItem* UpdateItemList::AddScanned(const ZELVVOLSKey& key, QWidget* parent) {
    for (const auto& item : m_items)
        if (item->record.key.customerId == key.customerId &&
            item->record.key.mediaId == key.mediaId && item->record.key.volumeId == key.volumeId) {
            if (m_prompter)
                m_prompter->Tell(QStringLiteral("You have scanned the same volume twice, or you "
                                                "have 2 volumes with same identity"),
                                 QStringLiteral("Duplicate"), PromptIcon::Error, parent);
            return nullptr;
        }
    auto item = std::make_unique<UpdateItem>();
    item->record.key = key;
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

void UpdateItemList::RefreshAll() {
    if (!m_connection)
        return;
    m_containerCounts.clear();
    for (const auto& p : m_items) {
        UpdateItem* item = p.get();
        if (!item->IsKnown())
            item->Lookup(*m_connection);
        if (item->target.isEmpty())
            DefaultTarget(item);
        if (!item->IsContainer())
            ++m_containerCounts[item->record.vol.container];
        if (item->simple == UpdateItem::kSimpleUnknown && !item->target.isEmpty() &&
            m_repositories) {
            if (const ZELVREPOSITORYFULL* r =
                    m_repositories->Find(item->record.key.customerId.Text(),
                                         item->record.key.mediaId.Text(), item->target))
                item->simple = (RepositoryFlags(*r) & ZELVREP_SIMPLE) ? 1 : 0;
        }
    }
}

void UpdateItemList::DefaultTarget(UpdateItem* item) {
    const ZELVVOLSKey& key = item->record.key;
    for (const auto& other : m_items)
        if (other.get() != item && other->record.key.customerId == key.customerId &&
            other->record.key.mediaId == key.mediaId && !other->target.isEmpty()) {
            item->target = other->target;
            return;
        }
    if (m_repositories)
        if (const ZELVREPOSITORYFULL* home =
                m_repositories->FindHome(key.customerId.Text(), key.mediaId.Text())) {
            item->target = home->repositoryId.Text();
            return;
        }
    if (!m_connection)
        return;
    ZELVREPOSITORY at;
    if (m_connection
            ->Get(&at, key.customerId.Text(), key.mediaId.Text(),
                  item->record.vol.Current().repositoryId.Text())
            .IsOK())
        item->target = at.nextRepositoryId.Text();
}

bool UpdateItemList::AddToServer(UpdateItem* item, QWidget* parent) {
    if (!m_connection)
        return false;
    ZELVVOLSEx add;
    add.key = item->record.key;
    for (ZELVVOLLOC& loc : add.vol.location)
        loc.repositoryId = "INIT";
    add.vol.Confirmation() = ZELVVOLLOC();
    const uint32_t container = item->record.vol.container;
    const CZELV10RC rc = m_connection->Add(add);
    if (!rc.IsOK()) {
        if (m_prompter)
            m_prompter->Tell(
                QStringLiteral("Add of Volume %1 failed: %2").arg(item->DisplayName(), rc.Get()),
                QStringLiteral("Add Failed"), PromptIcon::Warning, parent);
        return false;
    }
    item->Lookup(*m_connection);
    if (!item->IsContainer())
        item->record.vol.container = container;
    return true;
}

void UpdateItemList::Remove(UpdateItem* item) {
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                 [item](const auto& p) { return p.get() == item; }),
                  m_items.end());
}

void UpdateItemList::RemoveAll() {
    m_items.clear();
    m_containerCounts.clear();
}
