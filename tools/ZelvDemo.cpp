#include "ZelvDemo.h"

#include "ZELV10MFC.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <vector>

namespace {

struct DemoRepository {
    const char* id;
    const char* name;
    const char* next;
    uint16_t type;
    uint32_t flags;
};

const DemoRepository kRepositories[] = {
    {"HOME", "Home", "", ZELVREPTYPE_HOME, ZELVREP_HIDDEN},
    {"DC01", "Data Centre", "VLT1", ZELVREPTYPE_DATACENTRE, 0},
    {"VLT1", "North Vault", "DC01", ZELVREPTYPE_VAULT, 0},
    {"VLT2", "South Vault", "DC01", ZELVREPTYPE_VAULT, ZELVREP_AUTOCONFIRM},
    {"LIB1", "Tape Library", "VLT1", ZELVREPTYPE_LIBRARY, ZELVREP_TAGREQUIRED},
    {"TRN1", "Courier Van", "", ZELVREPTYPE_COURIER, 0},
};

struct DemoCustomer {
    const char* id;
    const char* name;
    uint32_t flags;
    QStringList media;
};

struct DemoShare {
    const char* customer;
    const char* media;
    char prefix;
    int percent; // of the Volumes asked for
};

// Where each share of the Volumes goes; the last share takes the remainder.
const DemoShare kShares[] = {
    {"ACME", "LTO6", 'A', 45}, {"ACME", "LTO8", 'B', 20}, {"GLBX", "LTO6", 'G', 15},
    {"GLBX", "LTO8", 'H', 10}, {"XCLD", "LTO6", 'X', 5},  {"NONM", "LTO8", 'N', 5},
};

const char* const kMediaNames[][2] = {{"LTO6", "LTO-6"}, {"LTO8", "LTO-8"}, {"CONT", "Container"}};

QString MediaName(const QString& id) {
    for (const auto& m : kMediaNames)
        if (id == QLatin1String(m[0]))
            return QString::fromLatin1(m[1]);
    return id;
}

CZELVDate DaysFromToday(qint64 now, int days) {
    CZELVDate d;
    d.SetFromTime(static_cast<time_t>(now));
    d.AddDays(days);
    return d;
}

void SetKey(ZELVVOLSEx* v, const QString& c, const QString& m, const QString& id) {
    v->key.customerId.Set(c);
    v->key.mediaId.Set(m);
    v->key.volumeId.Set(id);
}

void Place(ZELVVOLS* v, const char* at, const char* to, uint32_t slot = 0) {
    v->Current().repositoryId = at;
    v->Target().repositoryId = to;
    if (QString::fromLatin1(at) == QString::fromLatin1(to))
        v->Current().slot = slot;
    v->Target().slot = slot;
}

CZELV10RC FillDemo(CZELV10MFC& mfc, uint64_t volumes, ZelvDemoSummary& sum) {
    ZELVCUSTEx probe;
    if (mfc.Get(&probe, QStringLiteral("ACME")).IsOK())
        return CZELV10RC(ZELV10RC_EXISTS,
                         QStringLiteral("the demo data set is there already (Customer ACME)"));

    // Repositories and the library's zones.
    for (const DemoRepository& r : kRepositories) {
        ZELVREPOSITORY rep;
        rep.repositoryId = r.id;
        rep.name = r.name;
        rep.nextRepositoryId = r.next;
        rep.type = r.type;
        rep.flags = r.flags;
        CZELV10RC rc = mfc.Add(rep);
        if (!rc.IsOK())
            return rc;
        ++sum.repositories;
    }
    ++sum.repositories; // INIT, there from the start
    const char* const zones[][2] = {{"Rack A", "1"}, {"Rack B", "401"}, {"Rack C", "801"}};
    for (const auto& z : zones) {
        ZELVZONE zone;
        zone.repositoryId = "LIB1";
        zone.name = z[0];
        zone.firstSlot = QByteArray(z[1]).toUInt();
        zone.slotCount = 400;
        CZELV10RC rc = mfc.Add(zone);
        if (!rc.IsOK())
            return rc;
    }

    // Customers and their Media Types; DC01 is every Customer's home.
    const std::vector<DemoCustomer> customers = {
        {"ACME", "Acme Corporation", 0, {"CONT", "LTO6", "LTO8"}},
        {"GLBX", "Globex Ltd", 0, {"LTO6", "LTO8"}},
        {"XCLD", "Excluded Holdings", ZELVCUST_EXCLUDED, {"LTO6"}},
        {"EMPT", "Empty Customer", 0, {"LTO6"}},
        {"NONM", "", 0, {"LTO8"}},
    };
    QSet<QString> mediaSeen;
    for (const DemoCustomer& c : customers) {
        ZELVCUSTEx cust;
        cust.customerId = c.id;
        cust.name = c.name;
        cust.flags = c.flags;
        cust.drStrategies = QByteArray(c.id) == "ACME" ? 3 : 0;
        CZELV10RC rc = mfc.Add(cust);
        if (!rc.IsOK())
            return rc;
        ++sum.customers;
        for (const QString& m : c.media) {
            ZELVMEDIAEx media;
            media.customerId = c.id;
            media.mediaId.Set(m);
            media.name.Set(MediaName(m));
            if (m == QLatin1String("CONT"))
                media.containerPattern = "CN*";
            rc = mfc.Add(media);
            if (!rc.IsOK())
                return rc;
            mediaSeen.insert(m);
            ZELVREPOSITORYFULL home;
            home.customerId = c.id;
            home.mediaId.Set(m);
            home.repositoryId = "DC01";
            home.localFlags = ZELVREP_HOME;
            if (QByteArray(c.id) == "ACME" && m == QLatin1String("LTO6")) {
                home.localFlags |= ZELVREP_SCRATCHPOOL;
                home.scratchRequired = 40;
            }
            rc = mfc.Put(home);
            if (!rc.IsOK())
                return rc;
        }
    }
    sum.mediaTypes = mediaSeen.size();

    // Data-Clusters (numbers 1 to 4 for ACME, 1 and 2 for GLBX).
    const char* const clusters[][2] = {{"ACME", "Payroll"},     {"ACME", "Finance"},
                                       {"ACME", "Engineering"}, {"ACME", "Archive"},
                                       {"GLBX", "Daily"},       {"GLBX", "Weekly"}};
    for (const auto& d : clusters) {
        ZELVCLUSTEREx cl;
        cl.customerId = d[0];
        cl.name = d[1];
        cl.flags = QByteArray(d[1]) == "Archive" ? 0 : ZELVCLUSTER_SELECTABLE;
        CZELV10RC rc = mfc.Add(cl);
        if (!rc.IsOK())
            return rc;
    }
    ZELVATTRIBUTETYPE types;
    types.customerId = "ACME";
    types.entries[0].name = "Retention Days";
    types.entries[0].flags = 2u << 2;
    types.entries[1].name = "Encrypted";
    types.entries[1].flags = 3u << 2;
    types.entries[2].name = "Last Verified";
    types.entries[2].flags = 1u << 2;
    CZELV10RC rc = mfc.Put(types);
    if (!rc.IsOK())
        return rc;
    // Public holidays: three of every Customer, one of ACME's own.
    const auto holiday = [](const char* customer, int y, int m, int d, const char* name) {
        ZELVHOLIDAY h;
        h.customerId = customer;
        h.day.SetDate(y, m, d);
        h.name = name;
        return h;
    };
    const int year = QDate::currentDate().year();
    rc = mfc.PutHolidays(QString(), {holiday("", year, 12, 25, "Christmas Day"),
                                     holiday("", year, 12, 26, "Boxing Day"),
                                     holiday("", year + 1, 1, 1, "New Year's Day")});
    if (rc.IsOK())
        rc = mfc.PutHolidays(QStringLiteral("ACME"),
                             {holiday("ACME", year + 1, 1, 2, "ACME shutdown day")});
    if (!rc.IsOK())
        return rc;

    const qint64 now = QDateTime::currentSecsSinceEpoch();

    // Containers: odd ones hold 20 Volumes, even ones have no limit. Six at
    // the data centre, four in the vault, two on their way there.
    int n = 0;
    rc = mfc.AddVolumes([&](ZELVVOLSEx* v, QString* description) {
        if (n == 12)
            return false;
        ++n;
        SetKey(v, QStringLiteral("ACME"), QStringLiteral("CONT"), QString::asprintf("CN%04d", n));
        v->vol.capacity = n % 2 ? 20 : 0;
        if (n <= 6)
            Place(&v->vol, "DC01", "DC01");
        else if (n <= 10)
            Place(&v->vol, "VLT1", "VLT1");
        else {
            Place(&v->vol, "DC01", "VLT1");
            v->vol.moveTime = now - 3600;
            v->vol.flags |= ZELVVOL_TAG;
        }
        *description = QStringLiteral("Container %1").arg(n);
        return true;
    });
    if (!rc.IsOK())
        return rc;
    std::vector<ZELV10CONTAINER> list;
    rc = mfc.List(&list);
    if (!rc.IsOK())
        return rc;
    QHash<int, uint32_t> containerNumber; // CNnnnn -> number
    for (const ZELV10CONTAINER& c : list)
        containerNumber.insert(c.key.volumeId.Text().mid(2).toInt(), c.number);
    sum.containers = static_cast<int>(list.size());

    // The Consignment the recalled Volumes travel under.
    ZELVCONSIGNEx consignment;
    consignment.customerId = "ACME";
    consignment.description = "Quarterly audit recall";
    consignment.comments[0] = "Deliver to the loading bay";
    consignment.required = now + 2 * 86400;
    uint32_t consignmentNumber = 0;
    rc = mfc.Put(consignment, &consignmentNumber);
    if (rc.IsOK())
        rc = mfc.EditConsignment(consignmentNumber, ZELVCONSIGN_CAST,
                                 QStringLiteral("Automatically Cast"));
    if (!rc.IsOK())
        return rc;

    // The Volumes, share by share.
    std::vector<uint64_t> counts;
    uint64_t given = 0;
    for (size_t s = 0; s < std::size(kShares); ++s) {
        const uint64_t count =
            s + 1 == std::size(kShares) ? volumes - given : volumes * kShares[s].percent / 100;
        counts.push_back(count);
        given += count;
    }
    size_t share = 0;
    uint64_t index = 0;
    std::vector<QStringList> toPlan; // Volumes that arrive in the vault with a return date
    rc = mfc.AddVolumes(
        [&](ZELVVOLSEx* v, QString* description) {
            while (share < counts.size() && index >= counts[share]) {
                ++share;
                index = 0;
            }
            if (share >= counts.size())
                return false;
            const DemoShare& s = kShares[share];
            const uint64_t i = index++;
            const QString c = QString::fromLatin1(s.customer);
            const QString m = QString::fromLatin1(s.media);
            const QString id =
                QString::asprintf("%c%06llu", s.prefix, static_cast<unsigned long long>(i + 1));
            SetKey(v, c, m, id);
            ZELVVOLS& vol = v->vol;
            const bool acme = c == QLatin1String("ACME");
            switch (i % 20) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
                Place(&vol, "DC01", "DC01");
                if (acme && m == QLatin1String("LTO6") && i % 20 == 0 && i < 400)
                    vol.container = containerNumber.value(static_cast<int>(i / 20 % 6) + 1);
                break;
            case 7:
            case 8:
            case 9:
            case 10:
                Place(&vol, "VLT1", "VLT1");
                if (i % 20 == 7) { // back home on a date still to come
                    vol.flags |= ZELVVOL_MOVEDATE;
                    vol.moveDate = DaysFromToday(now, 10 + static_cast<int>(i % 30));
                }
                if (acme && i % 20 == 8 && i < 400)
                    vol.container = containerNumber.value(static_cast<int>(i / 20 % 4) + 7);
                break;
            case 11:
            case 12:
                Place(&vol, "LIB1", "LIB1", static_cast<uint32_t>(i % 1200) + 1);
                break;
            case 13:
                Place(&vol, "VLT2", "VLT2");
                break;
            case 14: // just sent to the vault, with a return date
                Place(&vol, "DC01", "VLT1");
                vol.moveTime = now - 3600;
                vol.threshold = 1440;
                vol.flags |= ZELVVOL_MOVEDATE;
                vol.moveDate = DaysFromToday(now, 7 + static_cast<int>(i % 21));
                if (i < 20 * 40)
                    toPlan.push_back({c, m, id});
                break;
            case 15: // scanned out, on the way
                Place(&vol, "DC01", "VLT1");
                vol.flags |= ZELVVOL_SCANNEDOUT;
                vol.moveTime = now - 2 * 3600;
                vol.threshold = 600;
                if (acme && i < 400)
                    vol.container = containerNumber.value(i % 40 < 20 ? 11 : 12);
                break;
            case 16: // scanned out three days ago: overdue
                Place(&vol, "DC01", "VLT1");
                vol.flags |= ZELVVOL_SCANNEDOUT;
                vol.moveTime = now - 3 * 86400;
                vol.threshold = 1440;
                break;
            case 17: // recalled
                Place(&vol, "VLT1", "DC01");
                vol.moveTime = now - 1800;
                if (acme)
                    vol.consignment = consignmentNumber;
                break;
            case 18: // to a library slot
                Place(&vol, "DC01", "LIB1");
                vol.Target().slot = static_cast<uint32_t>(i % 1200) + 1;
                vol.moveTime = now - 600;
                break;
            default: // new tapes, half of them scratch in the data centre
                if (i % 40 == 19) {
                    Place(&vol, "DC01", "DC01");
                    vol.flags |= ZELVVOL_SCRATCH;
                } else {
                    Place(&vol, "INIT", "INIT");
                }
                break;
            }
            // The Volumes waiting to leave the data centre (to the vault, to
            // the library) come in every Data-Cluster, so that Scan-Out's
            // allocation table has something to sort.
            if (acme && (i % 20 == 14 || i % 20 == 18))
                vol.dataCluster = static_cast<uint32_t>(i / 20 % 5);
            else if (acme)
                vol.dataCluster = static_cast<uint32_t>(i % 5);
            else if (c == QLatin1String("GLBX"))
                vol.dataCluster = static_cast<uint32_t>(i % 3);
            if (i % 500 == 3)
                vol.flags |= ZELVVOL_HIDDEN;
            if (i % 7 == 0)
                *description = QStringLiteral("%1 backup set %2").arg(MediaName(m)).arg(i / 7 + 1);
            return true;
        },
        &sum.volumes);
    if (!rc.IsOK())
        return rc;

    // A few of the Volumes on their way arrive: the rotation plans their return.
    for (const QStringList& key : toPlan) {
        ZELVVOLSEx v;
        SetKey(&v, key[0], key[1], key[2]);
        rc = mfc.Get(&v);
        if (rc.IsOK()) {
            v.vol.Confirmation().repositoryId = "VLT1";
            rc = mfc.Update(v);
        }
        if (!rc.IsOK())
            return rc;
        ++sum.planned;
    }
    return CZELV10RC();
}

} // namespace

CZELV10RC ZelvMakeDemo(CZELV10MFC& mfc, uint64_t volumes, ZelvDemoSummary* summary) {
    // All of it or nothing, so that a run that fails or is stopped half way
    // can simply be repeated.
    CZELV10MFC::Batch batch(mfc);
    CZELV10RC rc = batch.Begin();
    if (!rc.IsOK())
        return rc;
    ZelvDemoSummary sum;
    rc = FillDemo(mfc, volumes, sum);
    if (rc.IsOK())
        rc = batch.Commit();
    if (rc.IsOK() && summary)
        *summary = sum;
    return rc;
}
