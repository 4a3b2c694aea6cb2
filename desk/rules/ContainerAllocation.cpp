#include "ContainerAllocation.h"

#include "ContainerCache.h"
#include "VolumeMove.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"

#include <algorithm>

namespace {

const QString kVolume = QStringLiteral("volume");
const QString kContainer = QStringLiteral("container");
const QString kAssignment = QStringLiteral("assignment");
const QString kBarcode = QStringLiteral("barcode");
const QString kDataCluster = QStringLiteral("datacluster");
const QString kTarget = QStringLiteral("target");
const QString kAllocation = QStringLiteral("allocation");

// A pattern member: a text compiles into a filter; anything else is noted and
// counts as absent.
CAllocationPattern ReadPattern(const ZELVSetting& group, const QString& member,
                               QStringList* notes) {
    CAllocationPattern p;
    const ZELVSetting s = group.Member(member);
    if (!s.IsValid())
        return p;
    if (const std::optional<QString> text = s.AsString()) {
        p.present = true;
        p.filter = CZELVFilter(*text, CZELVFilter::kExtMatch);
    } else {
        notes->append(QStringLiteral("'%1.%2' is not a text (%3) and is ignored")
                          .arg(group.Name(), member, s.TypeName()));
    }
    return p;
}

// A group member: present only when it is a group.
ZELVSetting ReadGroup(const ZELVSetting& element, const QString& member, QStringList* notes) {
    const ZELVSetting s = element.Member(member);
    if (s.IsValid() && !s.IsGroup()) {
        notes->append(
            QStringLiteral("'%1' is not a group (%2) and is ignored").arg(member, s.TypeName()));
        return {};
    }
    return s;
}

const QString kChecking = QStringLiteral("Checking ");
const QString kCapacityExceeded = QStringLiteral("Container capacity has been exceeded");

bool Full(const CandidateContainer& c) {
    return c.capacity != 0 && c.used + c.reserved >= c.capacity;
}

// Display text and type of a Repository for a Container's Customer and Media.
void TakeTarget(CZELV10RepositoryCache* repositories, CandidateContainer* c, const QString& t) {
    c->repository = t;
    if (!repositories) {
        c->repositoryText = QStringLiteral("ID(%1)").arg(t);
        c->repositoryType = 0;
        return;
    }
    const ZELVREPOSITORYFULL* r = repositories->Find(c->key.Customer(), c->key.Media(), t);
    c->repositoryText = repositories->DisplayNameOf(c->key.Customer(), c->key.Media(), t);
    c->repositoryType = r ? int(r->type) : 0;
}

// The first Data-Cluster of the list whose name is the text (80 characters
// compared): its 1-based number, 0 when there is none.
uint32_t FindCluster(const std::vector<ZELVCLUSTERFULL>* clusters, const QString& name) {
    if (!clusters)
        return 0;
    const ZELVFixedText<kZelvClusterNameLen> wanted(name);
    for (size_t i = 0; i < clusters->size(); ++i)
        if ((*clusters)[i].name == wanted)
            return static_cast<uint32_t>(i + 1);
    return 0;
}

} // namespace

bool CAllocationPattern::Accepts(const QString& value) const {
    return !present || filter.IsEmpty() || filter.Matches(value);
}

CAllocationRules::CAllocationRules(const ZELVConfig* config) {
    if (!config)
        return;
    const ZELVSetting table = config->Lookup(QString::fromLatin1(kSection));
    if (!table.IsAggregate())
        return;
    m_hasSection = true;
    const int count = table.Count();
    m_elements.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        CAllocationElement e;
        const ZELVSetting element = table.At(i);
        e.line = element.Line();
        // A text or a list where a group belongs is fetched but has no
        // "volume" group: the search says so and goes on.
        e.fetched = element.IsValid();
        if (!element.IsGroup()) {
            m_elements.push_back(std::move(e));
            continue;
        }
        const ZELVSetting volume = ReadGroup(element, kVolume, &e.notes);
        e.hasVolume = volume.IsValid();
        if (e.hasVolume) {
            e.barcode = ReadPattern(volume, kBarcode, &e.notes);
            e.dataCluster = ReadPattern(volume, kDataCluster, &e.notes);
            e.target = ReadPattern(volume, kTarget, &e.notes);
            const ZELVSetting allocation = volume.Member(kAllocation);
            if (allocation.IsValid()) {
                if (const std::optional<bool> b = allocation.AsBool())
                    e.allocate = *b;
                else
                    e.notes.append(QStringLiteral("'volume.allocation' is not a boolean (%1) "
                                                  "and is ignored")
                                       .arg(allocation.TypeName()));
            }
        }
        const ZELVSetting container = ReadGroup(element, kContainer, &e.notes);
        e.hasContainer = container.IsValid();
        if (e.hasContainer) {
            e.containerBarcode = ReadPattern(container, kBarcode, &e.notes);
            e.containerDataCluster = ReadPattern(container, kDataCluster, &e.notes);
        }
        const ZELVSetting assignment = ReadGroup(element, kAssignment, &e.notes);
        e.hasAssignment = assignment.IsValid();
        if (e.hasAssignment) {
            const ZELVSetting d = assignment.Member(kDataCluster);
            if (d.IsValid()) {
                e.assignDataCluster = d.AsString();
                if (!e.assignDataCluster)
                    e.notes.append(QStringLiteral("'assignment.datacluster' is not a text "
                                                  "(%1) and is ignored")
                                       .arg(d.TypeName()));
            }
            e.assignBarcode = ReadPattern(assignment, kBarcode, &e.notes);
        }
        m_elements.push_back(std::move(e));
    }
}

QString CAllocationDecision::Summary() const {
    const QString by =
        element ? QStringLiteral("element %1 (line %2)").arg(element).arg(line) : QString();
    switch (outcome) {
    case kNoSection:
        return QStringLiteral("no 'allocation' section: no Container");
    case kNoRule:
        return QStringLiteral("no element applies: Allocation Error, no Container");
    case kRefused:
        return by + QStringLiteral(": not allocated (allocation = false)");
    case kExisting:
        return by + QStringLiteral(": into %1").arg(containerText);
    case kAssigned:
        return by + QStringLiteral(": into empty %1, given Data-Cluster %2")
                        .arg(containerText, assignedCluster);
    case kFailed:
        return by + QStringLiteral(": no Container takes it: Allocation Error");
    }
    return {};
}

// --- Send list and candidates ------------------------------------------------------

void BuildSendList(CZELV10MFC& connection, const QString& customer, const QString& repository,
                   CZELV10RepositoryCache& repositories,
                   const std::vector<ZELVCLUSTERFULL>& clusters,
                   std::vector<VOLUMEPAGE_ITEM>* sendList) {
    sendList->clear();
    std::vector<ZELVMEDIAEx> media;
    connection.List(&media, customer);
    const ZELVFixedText<kZelvRepositoryIdLen> from(repository);
    ZELVVOLFLAGS moving;
    moving.mustSet = ZELVVOL_MOVING;
    for (const ZELVMEDIAEx& m : media) {
        const QString mediaId = m.mediaId.Text();
        std::vector<ZELVVOLSFULL> volumes;
        connection.List(&volumes, customer, mediaId, &moving);
        for (const ZELVVOLSFULL& v : volumes) {
            // A move the rotation planned for a later date is not due to
            // leave yet: the server does not count it as outgoing either.
            if (v.vol.Current().repositoryId != from ||
                (v.vol.flags & (ZELVVOL_SCANNEDOUT | ZELVVOL_SCHEDULED)) != 0 ||
                v.vol.IsContainer())
                continue;
            VOLUMEPAGE_ITEM item;
            item.key = CVolumeKey(v.key);
            item.target = v.vol.Target().repositoryId.Text();
            if (const ZELVREPOSITORYFULL* r = repositories.Find(customer, mediaId, item.target)) {
                item.targetText = CZELV10RepositoryCache::DisplayName(*r);
                item.targetType = int(r->type);
            } else {
                item.targetText = item.target == QLatin1String("INIT")
                                      ? QStringLiteral("Initial Repository")
                                      : QStringLiteral("ID(%1)").arg(item.target);
            }
            item.containerNumber = v.vol.container;
            item.version = v.vol.version;
            item.dataCluster = DataClusterName(clusters, v.vol.dataCluster);
            sendList->push_back(std::move(item));
        }
    }
}

void BuildCandidateContainers(CZELV10MFC& connection, CContainerCache& containers,
                              const QString& customer, const QString& repository,
                              CZELV10RepositoryCache& repositories,
                              const std::vector<ZELVCLUSTERFULL>& clusters,
                              std::vector<CandidateContainer>* candidates) {
    candidates->clear();
    containers.Load(true);
    const ZELVFixedText<kZelvRepositoryIdLen> at(repository);
    for (const ZELV10CONTAINER& c : containers.List()) {
        // Another Customer's Containers never carry this Customer's Volumes.
        if (c.key.customerId.Text() != customer)
            continue;
        ZELVVOLSFULL v;
        if (!connection
                 .Get(&v, c.key.customerId.Text(), c.key.mediaId.Text(), c.key.volumeId.Text())
                 .IsOK())
            continue;
        if (v.vol.Current().repositoryId != at || (v.vol.capacity != 0 && v.used >= v.vol.capacity))
            continue;
        CandidateContainer k;
        k.number = c.number;
        k.key = CVolumeKey(c.key);
        k.capacity = v.vol.capacity;
        k.used = v.used;
        k.moveTime = static_cast<uint32_t>(v.vol.moveTime);
        if ((v.vol.flags & ZELVVOL_MOVING) && !(v.vol.flags & ZELVVOL_SCHEDULED))
            TakeTarget(&repositories, &k, v.vol.Target().repositoryId.Text());
        if (v.vol.dataCluster != 0) {
            k.dataClusterNumber = v.vol.dataCluster;
            k.dataCluster = DataClusterName(clusters, v.vol.dataCluster);
        }
        candidates->push_back(std::move(k));
    }
    std::stable_sort(candidates->begin(), candidates->end(),
                     [](const CandidateContainer& a, const CandidateContainer& b) {
                         return a.moveTime < b.moveTime;
                     });
}

// --- Allocation ----------------------------------------------------------------------

namespace {

// One allocation run: writes the log and the decision of the row at hand.
class CAllocationRun {
public:
    CAllocationRun(const CContainerAllocation::Services& s, const CAllocationRules& rules,
                   std::vector<CandidateContainer>& candidates)
        : m_s(s), m_rules(rules), m_candidates(candidates) {
        // Every row walks the candidates and the elements with the same
        // texts: made once here.
        m_texts.reserve(candidates.size());
        for (const CandidateContainer& c : candidates)
            m_texts.push_back(c.key.Text());
        const std::vector<CAllocationElement>& elements = m_rules.Elements();
        m_elementCount =
            QString::asprintf("Allocation setion has %u elements", unsigned(elements.size()));
        m_elementTexts.reserve(elements.size());
        for (size_t i = 0; i < elements.size(); ++i) {
            const CAllocationElement& e = elements[i];
            ElementTexts t;
            t.processing = QString::asprintf("Processing element %u", unsigned(i + 1));
            t.found = QString::asprintf("Found a matching element on line %u", unsigned(e.line));
            t.barcode = QStringLiteral("Volume did not meet the Barcode filter requirement (") +
                        e.barcode.Text() + QLatin1Char(')');
            t.dataCluster =
                QStringLiteral("Volume did not meet the Data-Cluster filter requirement (") +
                e.dataCluster.Text() + QLatin1Char(')');
            t.target = QStringLiteral("Volume did not meet the Target filter requirement (") +
                       e.target.Text() + QLatin1Char(')');
            t.containerBarcode =
                QStringLiteral("Container did not meet the Barcode filter requirement (Filter=") +
                e.containerBarcode.Text() + QLatin1Char(')');
            t.assignBarcode =
                QStringLiteral("Container did not meet the Barcode filter requirement (Filter=") +
                e.assignBarcode.Text() + QLatin1Char(')');
            m_elementTexts.push_back(std::move(t));
        }
    }

    void Log(int image, const QString& text) {
        if (m_decision && m_s.keepLines)
            m_decision->lines.push_back({image, text});
        if (m_s.log)
            m_s.log(image, text);
    }

    void Row(VOLUMEPAGE_ITEM& row, CAllocationDecision* d) {
        m_decision = d;
        const QString volumeText = row.key.Text();
        Log(CContainerAllocation::Information,
            QStringLiteral("Allocating Volume=") + volumeText + QStringLiteral(",Target=") +
                row.target + QStringLiteral(",Data-Cluster=") + row.dataCluster);
        bool refused = false;
        const CAllocationElement* rule = FindRule(row, &refused);
        if (!rule) {
            d->outcome = CAllocationDecision::kNoRule;
        } else if (refused) {
            d->outcome = CAllocationDecision::kRefused;
        } else if (const CandidateContainer* c = Existing(*rule, row.target)) {
            row.containerNumber = c->number;
            row.flags |= kSendItemAllocated;
            d->outcome = CAllocationDecision::kExisting;
            d->container = c->number;
            d->containerText = c->key.Text();
        } else {
            Log(CContainerAllocation::Warning,
                QStringLiteral("Could not assign an existing Container"));
            const CandidateContainer* e = Empty(*rule, row.target);
            row.containerNumber = e ? e->number : 0;
            if (e) {
                d->outcome = CAllocationDecision::kAssigned;
                d->container = e->number;
                d->containerText = e->key.Text();
                d->assignedCluster = e->dataCluster;
            } else {
                d->outcome = CAllocationDecision::kFailed;
            }
        }
        if (!refused && row.containerNumber == 0 && m_s.notify)
            m_s.notify(QStringLiteral("Allocation Error"),
                       QStringLiteral("Failed to allocate %1 to a Container").arg(volumeText),
                       QStringLiteral("Check Log to diagnose."), CContainerAllocation::kErrorIcon);
        m_decision = nullptr;
    }

private:
    const CAllocationElement* FindRule(const VOLUMEPAGE_ITEM& row, bool* refused) {
        const std::vector<CAllocationElement>& elements = m_rules.Elements();
        Log(CContainerAllocation::Information, m_elementCount);
        const QString volumeText = row.key.Text();
        for (size_t i = 0; i < elements.size(); ++i) {
            const CAllocationElement& e = elements[i];
            const ElementTexts& texts = m_elementTexts[i];
            Log(CContainerAllocation::Information, texts.processing);
            if (!e.fetched)
                continue;
            for (const QString& note : e.notes)
                Log(CContainerAllocation::Warning, note);
            if (!e.hasVolume) {
                Log(CContainerAllocation::Error,
                    QStringLiteral("This element has no 'volume' section"));
                continue;
            }
            if (!e.barcode.Accepts(volumeText)) {
                Log(CContainerAllocation::Information, texts.barcode);
                continue;
            }
            if (!e.dataCluster.Accepts(row.dataCluster)) {
                Log(CContainerAllocation::Information, texts.dataCluster);
                continue;
            }
            if (!e.target.Accepts(row.target)) {
                Log(CContainerAllocation::Information, texts.target);
                continue;
            }
            if (!e.allocate) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("Setting has requested that allocation not take place"));
                *refused = true;
            }
            Log(CContainerAllocation::Information, texts.found);
            m_element = i;
            if (m_decision) {
                m_decision->element = unsigned(i + 1);
                m_decision->line = e.line;
            }
            return &e;
        }
        Log(CContainerAllocation::Error,
            QStringLiteral("We did not find any matching elements so unable assign candidate "
                           "Volume to a Container"));
        return nullptr;
    }

    bool KnownTarget(const CandidateContainer& c, const QString& t) {
        return m_s.repositories &&
               m_s.repositories->Find(c.key.Customer(), c.key.Media(), t) != nullptr;
    }

    CandidateContainer* Existing(const CAllocationElement& e, const QString& t) {
        Log(CContainerAllocation::Information,
            QStringLiteral("Looking for an 'container' section"));
        if (!e.hasContainer) {
            Log(CContainerAllocation::Warning,
                QStringLiteral("Element does not have a 'container' section."));
            return nullptr;
        }
        for (size_t k = 0; k < m_candidates.size(); ++k) {
            CandidateContainer& c = m_candidates[k];
            const QString& text = m_texts[k];
            Log(CContainerAllocation::Information, kChecking + text);
            if (Full(c)) {
                Log(CContainerAllocation::Information, kCapacityExceeded);
                continue;
            }
            if (!c.repository.isEmpty() && c.repository != t) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("Container has an incompatible target (") + c.repository +
                        QLatin1Char(')'));
                continue;
            }
            if (!e.containerBarcode.Accepts(text)) {
                Log(CContainerAllocation::Information, m_elementTexts[m_element].containerBarcode);
                continue;
            }
            if (!e.containerDataCluster.Accepts(c.dataCluster)) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("Container did not meet the DataCluster filter requirement "
                                   "(Filter=%1,Value=%2)")
                        .arg(e.containerDataCluster.Text(), c.dataCluster));
                continue;
            }
            if (!KnownTarget(c, t)) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("This Container does not have a Repository ") + t);
                continue;
            }
            Log(CContainerAllocation::Information, QStringLiteral("This Container is fine"));
            ++c.reserved;
            if (c.repository.isEmpty())
                TakeTarget(m_s.repositories, &c, t);
            return &c;
        }
        return nullptr;
    }

    CandidateContainer* Empty(const CAllocationElement& e, const QString& t) {
        Log(CContainerAllocation::Information,
            QStringLiteral("Looking for an 'assignment' section"));
        if (!e.hasAssignment) {
            Log(CContainerAllocation::Warning,
                QStringLiteral("Element does not have an 'assignment' section."));
            return nullptr;
        }
        if (!e.assignDataCluster) {
            Log(CContainerAllocation::Error,
                QStringLiteral("This section does not have a 'datacluster' setting"));
            return nullptr;
        }
        const QString& d = *e.assignDataCluster;
        Log(CContainerAllocation::Information,
            QStringLiteral("Trying to assign an eligable Container to Data-Cluster(%1)").arg(d));
        for (size_t k = 0; k < m_candidates.size(); ++k) {
            CandidateContainer& c = m_candidates[k];
            const QString& text = m_texts[k];
            Log(CContainerAllocation::Information, kChecking + text);
            if (c.dataClusterNumber != 0) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("Container already has a Data-Cluster assigned so skipping"));
                continue;
            }
            if (Full(c)) {
                Log(CContainerAllocation::Information, kCapacityExceeded);
                continue;
            }
            if (!c.repository.isEmpty() && c.repository != t) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("Container has an incompatible target (Value=%1, Required=%2)")
                        .arg(c.repository, t));
                continue;
            }
            if (!e.assignBarcode.Accepts(text)) {
                Log(CContainerAllocation::Information, m_elementTexts[m_element].assignBarcode);
                continue;
            }
            const uint32_t n = FindCluster(m_s.clusters, d);
            if (n == 0) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("This Data-Cluster is incompatible with the candidate Container "
                                   "(will keep searching)"));
                continue;
            }
            c.dataClusterNumber = n;
            c.dataCluster = d.left(kZelvClusterNameLen);
            if (!m_s.dryRun && !WriteCluster(c, n)) {
                c.dataClusterNumber = 0;
                c.dataCluster.clear();
                continue;
            }
            if (!KnownTarget(c, t)) {
                Log(CContainerAllocation::Information,
                    QStringLiteral("This Container does not have a Repository ") + t);
                continue;
            }
            Log(CContainerAllocation::Information, QStringLiteral("This Container is fine"));
            ++c.reserved;
            TakeTarget(m_s.repositories, &c, t);
            return &c;
        }
        return nullptr;
    }

    // The Container Volume takes the Data-Cluster on the server at once.
    bool WriteCluster(const CandidateContainer& c, uint32_t n) {
        if (!m_s.connection) {
            Log(CContainerAllocation::Error, QStringLiteral("Error fetching Container record (%1)")
                                                 .arg(CZELV10RC(ZELV10RC_NOTLOGGEDON).Get()));
            return false;
        }
        CVolumeRecord record(*m_s.connection, c.key);
        const CZELV10RC read = record.Refresh();
        if (!read.IsOK()) {
            Log(CContainerAllocation::Error,
                QStringLiteral("Error fetching Container record (%1)").arg(read.Get()));
            return false;
        }
        record.Record().vol.dataCluster = n;
        const CZELV10RC updated = record.Update();
        if (!updated.IsOK()) {
            Log(CContainerAllocation::Error,
                QStringLiteral("Error updating Container record (%1)").arg(updated.Get()));
            return false;
        }
        return true;
    }

    const CContainerAllocation::Services& m_s;
    const CAllocationRules& m_rules;
    std::vector<CandidateContainer>& m_candidates;
    struct ElementTexts {
        QString processing, found, barcode, dataCluster, target, containerBarcode, assignBarcode;
    };

    CAllocationDecision* m_decision = nullptr;
    std::vector<QString> m_texts; // the candidates' Volume texts
    QString m_elementCount;
    std::vector<ElementTexts> m_elementTexts;
    size_t m_element = 0; // the rule of the row at hand
};

} // namespace

CContainerAllocation::CContainerAllocation(Services services)
    : m_s(std::move(services)), m_rules(m_s.config) {}

std::vector<CAllocationDecision>
CContainerAllocation::Allocate(std::vector<VOLUMEPAGE_ITEM>& sendList,
                               std::vector<CandidateContainer>& candidates) {
    std::vector<CAllocationDecision> decisions;
    CAllocationRun run(m_s, m_rules, candidates);
    run.Log(Information, QStringLiteral("Starting Allocation"));
    if (!m_rules.HasSection()) {
        run.Log(Warning, QStringLiteral("Configuration file has no 'allocation' section"));
    } else {
        for (size_t i = 0; i < sendList.size(); ++i) {
            VOLUMEPAGE_ITEM& row = sendList[i];
            if (row.container != 0 || row.containerNumber != 0)
                continue;
            CAllocationDecision& d = decisions.emplace_back();
            d.row = i;
            d.key = row.key;
            d.target = row.target;
            d.dataCluster = row.dataCluster;
            run.Row(row, &d);
        }
    }
    run.Log(Information, QStringLiteral("Allocation Complete"));
    return decisions;
}

void CContainerAllocation::Preselect(const std::vector<VOLUMEPAGE_ITEM>& sendList,
                                     std::vector<CandidateContainer>& candidates) {
    for (CandidateContainer& c : candidates) {
        if (c.reserved != 0) {
            c.flags |= kCandidateMustSelect;
            continue;
        }
        for (const VOLUMEPAGE_ITEM& row : sendList)
            if (row.containerNumber == c.number) {
                c.flags |= kCandidateMustSelect;
                break;
            }
    }
}

int CContainerAllocation::WriteAllocations(CZELV10MFC& connection,
                                           std::vector<VOLUMEPAGE_ITEM>& sendList) {
    int written = 0;
    for (VOLUMEPAGE_ITEM& row : sendList) {
        if (!(row.flags & kSendItemAllocated))
            continue;
        CVolumeRecord record(connection, row.key);
        if (!record.Refresh().IsOK())
            continue;
        record.Record().vol.container = row.containerNumber;
        if (record.Update().IsOK()) {
            // Our own write: a scan kept in the journal later compares with this.
            row.version = record.Vol().version;
            ++written;
        }
    }
    return written;
}
