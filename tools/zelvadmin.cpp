// zelvadmin: creates, migrates, fills and lists a Kelmar Server database from
// the command line, and checks the rule tables of ZELVDesk.cfg. Links the
// server library, the framework core and the desk's widget-free rules only.
#include "ContainerAllocation.h"
#include "ContainerCache.h"
#include "RulesCheck.h"
#include "ScanInRouting.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZELVDate.h"
#include "ZELVStore.h"
#include "ZelvDemo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <functional>
#include <vector>

namespace {

enum ExitCode { kExitOK = 0, kExitFailed = 1, kExitUsage = 2 };

QTextStream& Out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& Err() {
    static QTextStream s(stderr);
    return s;
}

struct Context {
    QCommandLineParser& parser;
    QStringList args; // positional arguments after the command
    CZELV10MFC& mfc;
    QString where;
};

using Handler = std::function<int(Context&)>;

struct Command {
    const char* name;
    const char* summary;
    const char* synopsis; // positional arguments as the help shows them
    int minArgs;
    int maxArgs;
    std::vector<QCommandLineOption> options;
    Handler run;
    // Logs on by itself, only when it needs the server.
    bool ownLogon = false;
};

int Fail(const QString& command, const CZELV10RC& rc) {
    Err() << "zelvadmin: " << command << ": " << rc.Get() << Qt::endl;
    return kExitFailed;
}

int TooLong(const QString& command, const QString& what) {
    return Fail(command, CZELV10RC(ZELV10RC_TEXTTOOLONG, what));
}

int Usage(const QString& command, const QString& text) {
    Err() << "zelvadmin: " << command << ": " << text << Qt::endl
          << "Try 'zelvadmin " << command << " --help'." << Qt::endl;
    return kExitUsage;
}

bool ParseNumber(const QString& text, qint64 min, qint64 max, qint64* out) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool ParseDate(const QString& text, CZELVDate* out) {
    CZELVDate d;
    if (!ParseDateExpression(text, &d))
        return false;
    *out = d;
    return true;
}

const char* const kTypeNames[] = {"initial", "datacentre", "vault",   "library", "transit",
                                  "home",    "recovery",   "courier", "other"};

bool ParseType(const QString& text, uint16_t* out) {
    for (uint16_t i = 0; i < std::size(kTypeNames); ++i)
        if (text.compare(QLatin1String(kTypeNames[i]), Qt::CaseInsensitive) == 0 ||
            text == QString::number(i)) {
            *out = i;
            return true;
        }
    return false;
}

QString TypeName(uint16_t type) {
    return type < std::size(kTypeNames) ? QString::fromLatin1(kTypeNames[type])
                                        : QString::number(type);
}

// One line of a CSV file: fields separated by commas, double quotes around a
// field that holds commas, a doubled quote for a quote inside one.
bool SplitCsv(const QString& line, QStringList* fields) {
    fields->clear();
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar ch = line.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += ch;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += ch;
            }
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char(',')) {
            fields->append(field);
            field.clear();
        } else {
            field += ch;
        }
    }
    fields->append(field);
    return !quoted;
}

// --- Commands ------------------------------------------------------------------

int Init(Context& c) {
    ZELVSERVERID id;
    const CZELV10RC rc = c.mfc.Get(&id);
    if (!rc.IsOK())
        return Fail(QStringLiteral("init"), rc);
    Out() << "Kelmar Server database ready: " << c.where << " (" << id.engine.Text()
          << ", schema version " << id.schemaVersion << ")" << Qt::endl;
    Out() << "Server " << id.serverName.Text() << " [" << id.serverId.Text() << "], user "
          << id.userId.Text() << Qt::endl;
    return kExitOK;
}

int Demo(Context& c) {
    qint64 volumes = kZelvDemoDefaultVolumes;
    if (c.parser.isSet(QStringLiteral("volumes")) &&
        !ParseNumber(c.parser.value(QStringLiteral("volumes")), 1, 10000000, &volumes))
        return Usage(QStringLiteral("demo"),
                     QStringLiteral("--volumes takes a number from 1 to 10000000"));
    ZelvDemoSummary sum;
    const CZELV10RC rc = ZelvMakeDemo(c.mfc, static_cast<uint64_t>(volumes), &sum);
    if (!rc.IsOK())
        return Fail(QStringLiteral("demo"), rc);
    Out() << "Demo data set made in " << c.where << ": " << sum.customers << " Customers, "
          << sum.mediaTypes << " Media Types, " << sum.repositories << " Repositories, "
          << sum.containers << " Containers, " << sum.volumes << " Volumes, " << sum.planned
          << " returns planned" << Qt::endl;
    return kExitOK;
}

int AddCustomer(Context& c) {
    ZELVCUSTEx r;
    const QString id = c.args[0];
    const QString name = c.parser.value(QStringLiteral("name"));
    if (!ZELVFixedText<kZelvCustomerIdLen>::Fits(id))
        return TooLong(QStringLiteral("add-customer"),
                       QStringLiteral("Customer-ID \"%1\" is longer than 4 characters").arg(id));
    if (!ZELVFixedText<kZelvCustomerNameLen>::Fits(name))
        return TooLong(QStringLiteral("add-customer"),
                       QStringLiteral("the name is longer than 40 bytes"));
    r.customerId.Set(id);
    r.name.Set(name);
    if (c.parser.isSet(QStringLiteral("excluded")))
        r.flags |= ZELVCUST_EXCLUDED;
    const CZELV10RC rc = c.mfc.Add(r);
    if (!rc.IsOK())
        return Fail(QStringLiteral("add-customer"), rc);
    Out() << "Customer " << id << " added" << Qt::endl;
    return kExitOK;
}

int AddMedia(Context& c) {
    const QString customer = c.args[0], media = c.args[1];
    const QString name = c.parser.value(QStringLiteral("name"));
    const QString pattern = c.parser.value(QStringLiteral("container-pattern"));
    const QString cmd = QStringLiteral("add-media");
    if (!ZELVFixedText<kZelvCustomerIdLen>::Fits(customer))
        return TooLong(
            cmd, QStringLiteral("Customer-ID \"%1\" is longer than 4 characters").arg(customer));
    if (!ZELVFixedText<kZelvMediaIdLen>::Fits(media))
        return TooLong(cmd,
                       QStringLiteral("Media-ID \"%1\" is longer than 4 characters").arg(media));
    if (!ZELVFixedText<kZelvMediaNameLen>::Fits(name))
        return TooLong(cmd, QStringLiteral("the name is longer than 20 bytes"));
    if (!ZELVFixedText<kZelvPatternLen>::Fits(pattern))
        return TooLong(cmd, QStringLiteral("the pattern is longer than 40 bytes"));
    ZELVMEDIAEx r;
    r.customerId.Set(customer);
    r.mediaId.Set(media);
    r.name.Set(name);
    r.containerPattern.Set(pattern);
    if (c.parser.isSet(QStringLiteral("hidden")))
        r.flags |= ZELVMEDIA_HIDDEN;
    const CZELV10RC rc = c.mfc.Add(r);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "Media Type " << customer << "." << media << " added" << Qt::endl;
    return kExitOK;
}

int AddRepository(Context& c) {
    const QString cmd = QStringLiteral("add-repository");
    const QString id = c.args[0];
    const QString name = c.parser.value(QStringLiteral("name"));
    const QString next = c.parser.value(QStringLiteral("next"));
    if (!ZELVFixedText<kZelvRepositoryIdLen>::Fits(id) ||
        !ZELVFixedText<kZelvRepositoryIdLen>::Fits(next))
        return TooLong(cmd, QStringLiteral("Repository-IDs have at most 4 characters"));
    if (!ZELVFixedText<kZelvRepositoryNameLen>::Fits(name))
        return TooLong(cmd, QStringLiteral("the name is longer than 20 bytes"));
    ZELVREPOSITORY r;
    r.repositoryId.Set(id);
    r.name.Set(name);
    r.nextRepositoryId.Set(next);
    if (c.parser.isSet(QStringLiteral("type")) &&
        !ParseType(c.parser.value(QStringLiteral("type")), &r.type))
        return Usage(cmd, QStringLiteral("--type takes 0 to 8 or one of: %1")
                              .arg(QStringList({"initial", "datacentre", "vault", "library",
                                                "transit", "home", "recovery", "courier", "other"})
                                       .join(QStringLiteral(", "))));
    if (c.parser.isSet(QStringLiteral("auto-confirm")))
        r.flags |= ZELVREP_AUTOCONFIRM;
    if (c.parser.isSet(QStringLiteral("simple")))
        r.flags |= ZELVREP_SIMPLE;
    if (c.parser.isSet(QStringLiteral("hidden")))
        r.flags |= ZELVREP_HIDDEN;
    if (c.parser.isSet(QStringLiteral("tag-required")))
        r.flags |= ZELVREP_TAGREQUIRED;
    // Check every zone before anything is written.
    std::vector<ZELVZONE> zones;
    for (const QString& z : c.parser.values(QStringLiteral("zone"))) {
        const QStringList parts = z.split(QLatin1Char(':'));
        qint64 first = 0, count = 0;
        if (parts.size() != 3 || parts[0].isEmpty() ||
            !ZELVFixedText<kZelvZoneNameLen>::Fits(parts[0]) ||
            !ParseNumber(parts[1], 1, 0xFFFFFFFFLL, &first) ||
            !ParseNumber(parts[2], 1, 0xFFFFFFFFLL, &count))
            return Usage(
                cmd,
                QStringLiteral("--zone takes NAME:FIRST-SLOT:SLOTS, for example \"Rack A:1:400\""));
        ZELVZONE zone;
        zone.repositoryId.Set(id);
        zone.name.Set(parts[0]);
        zone.firstSlot = static_cast<uint32_t>(first);
        zone.slotCount = static_cast<uint32_t>(count);
        zones.push_back(zone);
    }
    std::vector<QStringList> homes;
    for (const QString& h : c.parser.values(QStringLiteral("home"))) {
        const QStringList parts = h.split(QLatin1Char('.'));
        if (parts.size() != 2)
            return Usage(cmd, QStringLiteral("--home takes CUSTOMER.MEDIA"));
        homes.push_back(parts);
    }
    CZELV10RC rc = c.mfc.Add(r);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    for (const ZELVZONE& zone : zones) {
        rc = c.mfc.Add(zone);
        if (!rc.IsOK())
            return Fail(cmd, rc);
    }
    for (const QStringList& h : homes) {
        ZELVREPOSITORYFULL full;
        full.customerId.Set(h[0]);
        full.mediaId.Set(h[1]);
        full.repositoryId.Set(id);
        full.localFlags = ZELVREP_HOME;
        rc = c.mfc.Put(full);
        if (!rc.IsOK())
            return Fail(cmd, rc);
    }
    Out() << "Repository " << id << " added" << Qt::endl;
    return kExitOK;
}

int AddVolume(Context& c) {
    const QString cmd = QStringLiteral("add-volume");
    const QString customer = c.args[0], media = c.args[1], volume = c.args[2];
    if (!ZELVFixedText<kZelvCustomerIdLen>::Fits(customer) ||
        !ZELVFixedText<kZelvMediaIdLen>::Fits(media))
        return TooLong(cmd, QStringLiteral("Customer-ID and Media-ID have at most 4 characters"));
    if (!ZELVFixedText<kZelvVolumeIdLen>::Fits(volume))
        return TooLong(cmd,
                       QStringLiteral("Volume-ID \"%1\" is longer than 10 characters").arg(volume));
    ZELVVOLSEx v;
    v.key.customerId.Set(customer);
    v.key.mediaId.Set(media);
    v.key.volumeId.Set(volume);
    const QString at = c.parser.value(QStringLiteral("at"));
    const QString target =
        c.parser.isSet(QStringLiteral("target")) ? c.parser.value(QStringLiteral("target")) : at;
    if (!ZELVFixedText<kZelvRepositoryIdLen>::Fits(at) ||
        !ZELVFixedText<kZelvRepositoryIdLen>::Fits(target))
        return TooLong(cmd, QStringLiteral("Repository-IDs have at most 4 characters"));
    v.vol.Current().repositoryId.Set(at);
    v.vol.Target().repositoryId.Set(target);
    qint64 number = 0;
    if (c.parser.isSet(QStringLiteral("slot"))) {
        if (!ParseNumber(c.parser.value(QStringLiteral("slot")), 0, 0xFFFFFFFFLL, &number))
            return Usage(cmd, QStringLiteral("--slot takes a slot number"));
        v.vol.Target().slot = static_cast<uint32_t>(number);
        if (at == target)
            v.vol.Current().slot = static_cast<uint32_t>(number);
    }
    if (c.parser.isSet(QStringLiteral("container")))
        v.vol.flags |= ZELVVOL_CONTAINER;
    if (c.parser.isSet(QStringLiteral("scratch")))
        v.vol.flags |= ZELVVOL_SCRATCH;
    if (c.parser.isSet(QStringLiteral("capacity"))) {
        if (!ParseNumber(c.parser.value(QStringLiteral("capacity")), 0, 255, &number))
            return Usage(cmd, QStringLiteral("--capacity takes 0 (no limit) to 255"));
        v.vol.capacity = static_cast<uint8_t>(number);
    }
    if (c.parser.isSet(QStringLiteral("in-container"))) {
        if (!ParseNumber(c.parser.value(QStringLiteral("in-container")), 1, 0xFFFFFFFFLL, &number))
            return Usage(cmd, QStringLiteral("--in-container takes a Container number"));
        v.vol.container = static_cast<uint32_t>(number);
    }
    if (c.parser.isSet(QStringLiteral("cluster"))) {
        if (!ParseNumber(c.parser.value(QStringLiteral("cluster")), 0, 0xFFFFFFFFLL, &number))
            return Usage(cmd, QStringLiteral("--cluster takes a Data-Cluster number"));
        v.vol.dataCluster = static_cast<uint32_t>(number);
    }
    if (c.parser.isSet(QStringLiteral("threshold"))) {
        if (!ParseNumber(c.parser.value(QStringLiteral("threshold")), 0, 65535, &number))
            return Usage(cmd, QStringLiteral("--threshold takes 0 to 65535 minutes"));
        v.vol.threshold = static_cast<uint16_t>(number);
    }
    if (c.parser.isSet(QStringLiteral("move-date"))) {
        if (!ParseDate(c.parser.value(QStringLiteral("move-date")), &v.vol.moveDate))
            return Usage(cmd, QStringLiteral("--move-date takes a date such as 2024-03-01 or *+7"));
        v.vol.flags |= ZELVVOL_MOVEDATE;
    }
    const QString description = c.parser.value(QStringLiteral("description"));
    uint64_t added = 0;
    bool given = false;
    const CZELV10RC rc = c.mfc.AddVolumes(
        [&](ZELVVOLSEx* out, QString* text) {
            if (given)
                return false;
            given = true;
            *out = v;
            *text = description;
            return true;
        },
        &added);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "Volume " << customer << "." << media << "." << volume << " added" << Qt::endl;
    return kExitOK;
}

struct CsvVolume {
    ZELVVOLSEx volume;
    QString description;
};

int ImportVolumes(Context& c) {
    const QString cmd = QStringLiteral("import-volumes");
    QFile file(c.args[0]);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Err() << "zelvadmin: " << cmd << ": cannot read " << c.args[0] << ": " << file.errorString()
              << Qt::endl;
        return kExitFailed;
    }
    // Every line is checked before anything is written; one bad line writes nothing.
    std::vector<CsvVolume> rows;
    QStringList problems;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNumber;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList f;
        if (!SplitCsv(line, &f)) {
            problems << QStringLiteral("line %1: a quoted field is not closed").arg(lineNumber);
            continue;
        }
        for (QString& field : f)
            field = field.trimmed();
        if (lineNumber == 1 && f[0].compare(QLatin1String("customer"), Qt::CaseInsensitive) == 0)
            continue; // header
        if (f.size() < 3 || f.size() > 7) {
            problems << QStringLiteral(
                            "line %1: expected customer,media,volume[,repository[,target[,move "
                            "date[,description]]]]")
                            .arg(lineNumber);
            continue;
        }
        CsvVolume row;
        const QString at = f.size() > 3 && !f[3].isEmpty() ? f[3] : QStringLiteral("INIT");
        const QString target = f.size() > 4 && !f[4].isEmpty() ? f[4] : at;
        const struct {
            const char* what;
            QString text;
            int max;
        } lengths[] = {{"Customer-ID", f[0], 4},
                       {"Media-ID", f[1], 4},
                       {"Volume-ID", f[2], 10},
                       {"Repository-ID", at, 4},
                       {"target Repository-ID", target, 4}};
        bool fits = true;
        for (const auto& l : lengths)
            if (l.text.toUtf8().size() > l.max) {
                problems << QStringLiteral("line %1: %2 \"%3\" is longer than %4 characters")
                                .arg(lineNumber)
                                .arg(QString::fromLatin1(l.what), l.text)
                                .arg(l.max);
                fits = false;
            }
        if (!fits)
            continue;
        row.volume.key.customerId.Set(f[0]);
        row.volume.key.mediaId.Set(f[1]);
        row.volume.key.volumeId.Set(f[2]);
        row.volume.vol.Current().repositoryId.Set(at);
        row.volume.vol.Target().repositoryId.Set(target);
        if (f.size() > 5 && !f[5].isEmpty()) {
            if (!ParseDate(f[5], &row.volume.vol.moveDate)) {
                problems
                    << QStringLiteral("line %1: \"%2\" is not a date").arg(lineNumber).arg(f[5]);
                continue;
            }
            row.volume.vol.flags |= ZELVVOL_MOVEDATE;
        }
        if (f.size() > 6)
            row.description = f[6];
        rows.push_back(row);
    }
    if (!problems.isEmpty()) {
        for (const QString& p : problems.mid(0, 20))
            Err() << "zelvadmin: " << cmd << ": " << c.args[0] << ": " << p << Qt::endl;
        if (problems.size() > 20)
            Err() << "zelvadmin: " << cmd << ": " << problems.size() - 20 << " more problems"
                  << Qt::endl;
        Err() << "zelvadmin: " << cmd << ": nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    size_t i = 0;
    uint64_t added = 0;
    const CZELV10RC rc = c.mfc.AddVolumes(
        [&](ZELVVOLSEx* out, QString* description) {
            if (i >= rows.size())
                return false;
            *out = rows[i].volume;
            *description = rows[i].description;
            ++i;
            return true;
        },
        &added);
    if (!rc.IsOK()) {
        Err() << "zelvadmin: " << cmd << ": " << rc.Get() << Qt::endl
              << "zelvadmin: " << cmd << ": nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    Out() << "Imported " << added << " Volumes from " << c.args[0] << Qt::endl;
    return kExitOK;
}

int List(Context& c) {
    const QString cmd = QStringLiteral("list");
    ZELVSERVERID id;
    CZELV10RC rc = c.mfc.Get(&id);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    const QString only = c.parser.value(QStringLiteral("customer"));
    const QString onlyMedia = c.parser.value(QStringLiteral("media"));
    qint64 limit = 100;
    if (c.parser.isSet(QStringLiteral("limit")) &&
        !ParseNumber(c.parser.value(QStringLiteral("limit")), 1, 100000000, &limit))
        return Usage(cmd, QStringLiteral("--limit takes a positive number"));

    if (c.parser.isSet(QStringLiteral("volumes"))) {
        if (only.isEmpty() || onlyMedia.isEmpty())
            return Usage(cmd, QStringLiteral("--volumes needs --customer and --media"));
        std::vector<ZELVVOLSFULL> volumes;
        uint32_t total = 0;
        rc = c.mfc.List(&volumes, only, onlyMedia, nullptr, &total, nullptr, nullptr, 0,
                        static_cast<uint32_t>(limit));
        if (!rc.IsOK())
            return Fail(cmd, rc);
        Out() << "Volumes of " << only << "." << onlyMedia << ": " << total << Qt::endl;
        for (const ZELVVOLSFULL& v : volumes) {
            Out() << QString::asprintf("  %-10s at %-4s", qPrintable(v.key.volumeId.Text()),
                                       qPrintable(v.vol.Current().repositoryId.Text()));
            if (v.vol.flags & ZELVVOL_MOVING)
                Out() << " -> " << v.vol.Target().repositoryId.Text();
            Out() << QString::asprintf("  flags 0x%08X", v.vol.flags);
            if (v.vol.flags & ZELVVOL_MOVEDATE)
                Out() << "  move " << FormatDate(v.vol.moveDate, "%Y-%m-%d");
            if (v.vol.container)
                Out() << "  container " << v.vol.container;
            Out() << Qt::endl;
        }
        if (total > volumes.size())
            Out() << "  ... " << total - volumes.size() << " more (--limit)" << Qt::endl;
        return kExitOK;
    }

    Out() << "Server: " << c.where << " (" << id.engine.Text() << ", schema version "
          << id.schemaVersion << ")" << Qt::endl;
    std::vector<ZELVREPOSITORY> repositories;
    rc = c.mfc.List(&repositories);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "Repositories: " << repositories.size() << Qt::endl;
    for (const ZELVREPOSITORY& r : repositories) {
        Out() << QString::asprintf("  %-4s  %-20s  %-10s", qPrintable(r.repositoryId.Text()),
                                   qPrintable(r.name.Text()), qPrintable(TypeName(r.type)));
        if (!r.nextRepositoryId.IsEmpty())
            Out() << "  next " << r.nextRepositoryId.Text();
        if (r.flags & ZELVREP_AUTOCONFIRM)
            Out() << "  auto-confirm";
        if (r.flags & ZELVREP_HIDDEN)
            Out() << "  hidden";
        std::vector<ZELVZONE> zones;
        if (c.mfc.List(&zones, r.repositoryId.Text()).IsOK())
            for (const ZELVZONE& z : zones)
                Out() << "  zone " << z.name.Text() << " " << z.firstSlot << "-"
                      << z.firstSlot + z.slotCount - 1;
        Out() << Qt::endl;
    }
    std::vector<ZELVCUSTEx> customers;
    rc = c.mfc.List(&customers);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "Customers: " << customers.size() << Qt::endl;
    for (const ZELVCUSTEx& cu : customers) {
        if (!only.isEmpty() && cu.customerId.Text() != only)
            continue;
        Out() << QString::asprintf(
            "  %-4s  %-20s  Volumes %u  Moves %u", qPrintable(cu.customerId.Text()),
            cu.name.IsEmpty() ? "(no name)" : qPrintable(cu.name.Text()), cu.volumes, cu.moves);
        if (cu.flags & ZELVCUST_EXCLUDED)
            Out() << "  excluded";
        Out() << Qt::endl;
        std::vector<ZELVMEDIAEx> media;
        rc = c.mfc.List(&media, cu.customerId.Text());
        if (!rc.IsOK())
            return Fail(cmd, rc);
        for (const ZELVMEDIAEx& m : media) {
            if (!onlyMedia.isEmpty() && m.mediaId.Text() != onlyMedia)
                continue;
            Out() << QString::asprintf(
                         "    %-4s  %-10s  Volumes %u  Moves %u  Overdue %u  Scratch deficit %u",
                         qPrintable(m.mediaId.Text()), qPrintable(m.name.Text()), m.volumes,
                         m.moves, m.overdue, m.scratchDeficit)
                  << Qt::endl;
            std::vector<ZELVREPOSITORYFULL> reps;
            rc = c.mfc.List(&reps, cu.customerId.Text(), m.mediaId.Text());
            if (!rc.IsOK())
                return Fail(cmd, rc);
            for (const ZELVREPOSITORYFULL& r : reps) {
                if (r.volumes == 0 && r.incoming == 0)
                    continue;
                Out() << QString::asprintf(
                    "      %-4s  Volumes %u  Incoming %u  Outgoing %u  Scanned-Out %u  Scratch %u",
                    qPrintable(r.repositoryId.Text()), r.volumes, r.incoming, r.outgoing,
                    r.scannedOut, r.scratch);
                if ((r.flags & ZELVREP_HOME) == ZELVREP_HOME)
                    Out() << "  home";
                Out() << Qt::endl;
            }
        }
        std::vector<ZELVCLUSTERFULL> clusters;
        if (c.mfc.List(&clusters, cu.customerId.Text()).IsOK())
            for (const ZELVCLUSTERFULL& d : clusters)
                Out() << QString::asprintf("    Data-Cluster %u  %-20s  Volumes %u", d.number,
                                           qPrintable(d.name.Text()), d.volumes)
                      << Qt::endl;
    }
    std::vector<ZELV10CONTAINER> containers;
    rc = c.mfc.List(&containers);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "Containers: " << containers.size() << Qt::endl;
    return kExitOK;
}

int AddUser(Context& c) {
    const QString cmd = QStringLiteral("add-user");
    const QString id = c.args[0];
    const QString name = c.parser.value(QStringLiteral("name"));
    const QString email = c.parser.value(QStringLiteral("email"));
    if (!ZELVFixedText<kZelvUserIdLen>::Fits(id))
        return TooLong(cmd, QStringLiteral("User-ID \"%1\" is longer than 16 characters").arg(id));
    if (!ZELVFixedText<kZelvUserNameLen>::Fits(name))
        return TooLong(cmd, QStringLiteral("the name is longer than 40 bytes"));
    if (!ZELVFixedText<kZelvEmailLen>::Fits(email))
        return TooLong(cmd, QStringLiteral("the e-mail address is too long"));
    ZELVUSER u;
    u.userId.Set(id);
    u.name.Set(name);
    u.email.Set(email);
    qint64 role = 1;
    if (c.parser.isSet(QStringLiteral("role")) &&
        !ParseNumber(c.parser.value(QStringLiteral("role")), 0, 7, &role))
        return Usage(cmd, QStringLiteral("--role takes a number from 0 to 7"));
    u.flags = static_cast<uint32_t>(role) << ZELVUSER_ROLESHIFT;
    const CZELV10RC rc = c.mfc.Add(u);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    Out() << "User " << u.userId.Text() << " added with role " << role << Qt::endl;
    return kExitOK;
}

// --- check-rules -------------------------------------------------------------------

// ZELVDesk reads ZELVDesk.cfg from its program folder unless ZELVCONFIGFILE
// names another file; zelvadmin is installed beside it, so the same rule
// finds the same file.
QString DefaultConfigPath() {
    QString named = qEnvironmentVariable("ZELVCONFIGFILE").trimmed();
    if (named.size() >= 2 && named.front() == QLatin1Char('"') && named.back() == QLatin1Char('"'))
        named = named.mid(1, named.size() - 2);
    if (!named.isEmpty())
        return named;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ZELVDesk.cfg");
}

void PrintLines(const std::vector<CAllocationLine>& lines) {
    static const char* const images[] = {"    ", "  ! ", " !! "};
    for (const CAllocationLine& l : lines)
        Out() << "      " << images[l.image >= 0 && l.image <= 2 ? l.image : 0] << l.text
              << Qt::endl;
}

// What Scan-Out from the Repository would do with each Volume: the send
// list, the Containers there and the allocation table's decision. Nothing is
// written: a Data-Cluster that the table would give an empty Container is
// only shown.
void ExplainAllocation(CZELV10MFC& mfc, const ZELVConfig& config, const QString& customer,
                       const QString& media, const QString& repository,
                       CZELV10RepositoryCache& repositories,
                       const std::vector<ZELVCLUSTERFULL>& clusters, bool verbose) {
    std::vector<VOLUMEPAGE_ITEM> sendList;
    BuildSendList(mfc, customer, repository, repositories, clusters, &sendList);
    CContainerCache containers(&mfc);
    std::vector<CandidateContainer> candidates;
    BuildCandidateContainers(mfc, containers, customer, repository, repositories, clusters,
                             &candidates);
    Out() << Qt::endl
          << "Scan-Out from " << repository << " for " << customer << ": " << sendList.size()
          << " Volume(s) to send, " << candidates.size() << " Container(s) there" << Qt::endl;
    for (const CandidateContainer& k : candidates)
        Out() << "  Container " << k.key.Text() << ": capacity "
              << (k.capacity ? QString::number(k.capacity) : QStringLiteral("undefined"))
              << ", used " << k.used << ", target "
              << (k.repository.isEmpty() ? QStringLiteral("none") : k.repository)
              << ", Data-Cluster "
              << (k.dataCluster.isEmpty() ? QStringLiteral("none") : k.dataCluster) << Qt::endl;

    CContainerAllocation::Services s;
    s.config = &config;
    s.connection = &mfc;
    s.repositories = &repositories;
    s.clusters = &clusters;
    s.dryRun = true;
    s.keepLines = verbose;
    CContainerAllocation allocation(s);
    const std::vector<CAllocationDecision> decisions = allocation.Allocate(sendList, candidates);
    if (!allocation.Rules().HasSection())
        Out() << "  no 'allocation' section: every Volume is sent without a Container" << Qt::endl;
    size_t next = 0;
    for (size_t i = 0; i < sendList.size(); ++i) {
        const VOLUMEPAGE_ITEM& row = sendList[i];
        const CAllocationDecision* d = nullptr;
        while (next < decisions.size() && decisions[next].row < i)
            ++next;
        if (next < decisions.size() && decisions[next].row == i)
            d = &decisions[next];
        if (!media.isEmpty() && row.key.Media() != media)
            continue;
        Out() << "  send " << row.key.Text() << " to " << row.target;
        if (!row.dataCluster.isEmpty())
            Out() << " (Data-Cluster " << row.dataCluster << ")";
        if (d) {
            Out() << ": " << d->Summary() << Qt::endl;
            if (verbose)
                PrintLines(d->lines);
        } else if (allocation.Rules().HasSection()) {
            Out() << ": already in " << containers.Text(row.containerNumber) << Qt::endl;
        } else {
            Out() << Qt::endl;
        }
    }
}

// What Scan-In at the Repository would do with each Volume on its way there,
// once confirmed: the routing table's decision. Nothing is moved.
void ExplainRouting(CZELV10MFC& mfc, const ZELVConfig& config, const QString& customer,
                    const QString& media, const QString& repository,
                    CZELV10RepositoryCache& repositories,
                    const std::vector<ZELVCLUSTERFULL>& clusters, bool verbose) {
    CScanInRouting::Services s;
    s.config = &config;
    s.connection = &mfc;
    s.clusters = &clusters;
    s.repositories = &repositories;
    const CScanInRouting routing(s);
    QStringList mediaIds;
    if (media.isEmpty())
        mfc.List(&mediaIds, customer);
    else
        mediaIds << media;
    const ZELVFixedText<kZelvRepositoryIdLen> at(repository);
    std::vector<ZELVVOLSFULL> incoming;
    for (const QString& m : mediaIds) {
        std::vector<ZELVVOLSFULL> volumes;
        ZELVVOLFLAGS moving;
        moving.mustSet = ZELVVOL_MOVING;
        mfc.List(&volumes, customer, m, &moving);
        for (const ZELVVOLSFULL& v : volumes)
            if (v.vol.Target().repositoryId == at && !(v.vol.flags & ZELVVOL_SCHEDULED))
                incoming.push_back(v);
    }
    Out() << Qt::endl
          << "Scan-In at " << repository << " for " << customer << ": " << incoming.size()
          << " Volume(s) on their way" << Qt::endl;
    bool table = true;
    for (const ZELVVOLSFULL& v : incoming) {
        // As the page hands it over: confirmed at its target.
        ZELVVOLSEx confirmed = v;
        confirmed.vol.Current() = confirmed.vol.Target();
        confirmed.vol.flags &= ~(ZELVVOL_MOVING | ZELVVOL_SCANNEDOUT);
        const CRoutingDecision d = routing.Decide(confirmed);
        table = d.hasTable;
        if (!table)
            break;
        Out() << "  receive " << v.key.Text() << " from " << v.vol.Current().repositoryId.Text()
              << ": ";
        if (d.element == 0) {
            Out() << "no element applies: stays at " << repository << Qt::endl;
        } else {
            const QString name = d.target.size() <= kZelvRepositoryIdLen
                                     ? repositories.DisplayNameOf(v.key.customerId.Text(),
                                                                  v.key.mediaId.Text(), d.target)
                                     : QStringLiteral("ID(%1)").arg(d.target);
            Out() << "element " << d.element << " (line " << d.line << "): routed to " << d.target
                  << " (" << name << ")" << Qt::endl;
        }
        if (verbose)
            PrintLines(d.lines);
    }
    if (!table)
        Out() << "  no 'routing' section: every Volume stays where it is confirmed" << Qt::endl;
}

int CheckRulesCommand(Context& c) {
    const QString cmd = QStringLiteral("check-rules");
    const QString customer = c.parser.value(QStringLiteral("customer"));
    const QString media = c.parser.value(QStringLiteral("media"));
    const QString repository = c.parser.value(QStringLiteral("repository"));
    if (customer.isEmpty() != repository.isEmpty() || (!media.isEmpty() && customer.isEmpty()))
        return Usage(cmd, QStringLiteral("--customer and --repository go together (--media "
                                         "with them)"));
    const QString path = c.parser.isSet(QStringLiteral("config"))
                             ? c.parser.value(QStringLiteral("config"))
                             : DefaultConfigPath();
    ZELVConfig config;
    QString error;
    if (!config.ReadFile(path, &error))
        return Fail(cmd, CZELV10RC(ZELV10RC_BADVALUE, error));

    const bool server = c.parser.isSet(QStringLiteral("server")) || !customer.isEmpty();
    QStringList repositoryIds;
    std::vector<ZELVCLUSTERFULL> clusters;
    CRulesCheckInput input;
    if (server) {
        CZELV10RC rc = c.mfc.Logon();
        if (!rc.IsOK())
            return Fail(cmd, rc);
        std::vector<ZELVREPOSITORY> all;
        rc = c.mfc.List(&all);
        if (!rc.IsOK())
            return Fail(cmd, rc);
        for (const ZELVREPOSITORY& r : all)
            repositoryIds << r.repositoryId.Text();
        input.repositories = &repositoryIds;
        if (!customer.isEmpty()) {
            ZELVCUSTEx cust;
            rc = c.mfc.Get(&cust, customer);
            if (rc.IsOK() && !media.isEmpty()) {
                ZELVMEDIAEx m;
                rc = c.mfc.Get(&m, customer, media);
            }
            if (rc.IsOK() && !repositoryIds.contains(repository))
                rc = CZELV10RC(ZELV10RC_NOREPOSITORY, repository);
            if (rc.IsOK())
                rc = c.mfc.List(&clusters, customer);
            if (!rc.IsOK())
                return Fail(cmd, rc);
            input.clusters = &clusters;
        }
    }

    const std::vector<CRuleProblem> problems = CheckRules(config, input);
    auto count = [&config](const char* section) {
        const ZELVSetting s = config.Lookup(QString::fromLatin1(section));
        return s.IsValid() ? QStringLiteral("%1 element(s)").arg(s.Count())
                           : QStringLiteral("absent");
    };
    Out() << "Rules of " << path << ": 'routing' " << count("routing") << ", 'allocation' "
          << count("allocation") << Qt::endl;
    int faults = 0;
    for (const CRuleProblem& p : problems) {
        Out() << "  " << p.Text() << Qt::endl;
        if (p.kind != CRuleProblem::kIgnored)
            ++faults;
    }
    Out() << (faults ? QStringLiteral("%1 problem(s) found").arg(faults)
                     : QStringLiteral("No problems found"))
          << Qt::endl;

    if (!customer.isEmpty()) {
        const bool verbose = c.parser.isSet(QStringLiteral("verbose"));
        CZELV10RepositoryCache repositories(&c.mfc);
        ExplainAllocation(c.mfc, config, customer, media, repository, repositories, clusters,
                          verbose);
        ExplainRouting(c.mfc, config, customer, media, repository, repositories, clusters, verbose);
    }
    return faults ? kExitFailed : kExitOK;
}

std::vector<Command> Commands() {
    using O = QCommandLineOption;
    return {
        {"init", "Creates the database, or brings an older one up to date.", "", 0, 0, {}, Init},
        {"demo",
         "Fills the database with the demo data set.",
         "",
         0,
         0,
         {O(QStringLiteral("volumes"), QStringLiteral("Number of Volumes (default 3000)."),
            QStringLiteral("N"))},
         Demo},
        {"add-customer",
         "Adds a Customer.",
         "ID",
         1,
         1,
         {O(QStringLiteral("name"), QStringLiteral("Customer name (at most 40 bytes)."),
            QStringLiteral("NAME")),
          O(QStringLiteral("excluded"), QStringLiteral("Leave the Customer out of the lists."))},
         AddCustomer},
        {"add-media",
         "Adds a Media Type to a Customer.",
         "CUSTOMER MEDIA",
         2,
         2,
         {O(QStringLiteral("name"), QStringLiteral("Media Type name (at most 20 bytes)."),
            QStringLiteral("NAME")),
          O(QStringLiteral("container-pattern"),
            QStringLiteral("Volume-IDs that are Containers, e.g. \"CN*\"."),
            QStringLiteral("PATTERN")),
          O(QStringLiteral("hidden"), QStringLiteral("Hide the Media Type."))},
         AddMedia},
        {"add-repository",
         "Adds a Repository.",
         "ID",
         1,
         1,
         {O(QStringLiteral("name"), QStringLiteral("Repository name (at most 20 bytes)."),
            QStringLiteral("NAME")),
          O(QStringLiteral("next"), QStringLiteral("Where its Volumes go next (rotation)."),
            QStringLiteral("ID")),
          O(QStringLiteral("type"),
            QStringLiteral(
                "initial, datacentre, vault, library, transit, home, recovery, courier or other."),
            QStringLiteral("TYPE")),
          O(QStringLiteral("auto-confirm"), QStringLiteral("Arrivals are confirmed at once.")),
          O(QStringLiteral("simple"), QStringLiteral("Simple Management.")),
          O(QStringLiteral("hidden"), QStringLiteral("Not shown in Repository lists.")),
          O(QStringLiteral("tag-required"), QStringLiteral("Containers need a tag.")),
          O(QStringLiteral("zone"),
            QStringLiteral("A zone of slots, e.g. \"Rack A:1:400\" (repeatable)."),
            QStringLiteral("NAME:FIRST:SLOTS")),
          O(QStringLiteral("home"),
            QStringLiteral("Make it the home of CUSTOMER.MEDIA (repeatable)."),
            QStringLiteral("CUSTOMER.MEDIA"))},
         AddRepository},
        {"add-volume",
         "Adds a Volume.",
         "CUSTOMER MEDIA VOLUME",
         3,
         3,
         {O(QStringLiteral("at"), QStringLiteral("Where it is (default INIT)."),
            QStringLiteral("REPOSITORY"), QStringLiteral("INIT")),
          O(QStringLiteral("target"), QStringLiteral("Where it goes (default: where it is)."),
            QStringLiteral("REPOSITORY")),
          O(QStringLiteral("slot"), QStringLiteral("Slot number."), QStringLiteral("N")),
          O(QStringLiteral("container"), QStringLiteral("The Volume is a Container.")),
          O(QStringLiteral("capacity"), QStringLiteral("Container capacity, 0 = no limit."),
            QStringLiteral("N")),
          O(QStringLiteral("in-container"),
            QStringLiteral("Number of the Container it travels in."), QStringLiteral("N")),
          O(QStringLiteral("cluster"), QStringLiteral("Data-Cluster number."), QStringLiteral("N")),
          O(QStringLiteral("scratch"), QStringLiteral("A scratch Volume.")),
          O(QStringLiteral("move-date"), QStringLiteral("Next move date (2024-03-01, *+7 ...)."),
            QStringLiteral("DATE")),
          O(QStringLiteral("threshold"), QStringLiteral("Overdue threshold in minutes."),
            QStringLiteral("MINUTES")),
          O(QStringLiteral("description"), QStringLiteral("Description (at most 256 bytes)."),
            QStringLiteral("TEXT"))},
         AddVolume},
        {"add-user",
         "Registers a user of an embedded database (role below your own).",
         "ID",
         1,
         1,
         {O(QStringLiteral("name"), QStringLiteral("User name (at most 40 bytes)."),
            QStringLiteral("NAME")),
          O(QStringLiteral("email"), QStringLiteral("E-mail address."), QStringLiteral("ADDRESS")),
          O(QStringLiteral("role"), QStringLiteral("Role 0 to 7 (default 1)."),
            QStringLiteral("N"))},
         AddUser},
        {"import-volumes",
         "Adds the Volumes of a CSV file (customer,media,volume[,repository[,target[,move "
         "date[,description]]]]), "
         "all or none.",
         "FILE.csv",
         1,
         1,
         {},
         ImportVolumes},
        {"list",
         "Lists Repositories, Customers, Media Types and their counts.",
         "",
         0,
         0,
         {O(QStringLiteral("customer"), QStringLiteral("Only this Customer."),
            QStringLiteral("ID")),
          O(QStringLiteral("media"), QStringLiteral("Only this Media Type."), QStringLiteral("ID")),
          O(QStringLiteral("volumes"),
            QStringLiteral("List the Volumes of --customer and --media.")),
          O(QStringLiteral("limit"), QStringLiteral("At most N Volumes (default 100)."),
            QStringLiteral("N"))},
         List},
        {"check-rules",
         "Checks the 'routing' and 'allocation' tables of ZELVDesk.cfg; with a Customer and a "
         "Repository, shows what each rule would do with their Volumes (nothing is written).",
         "",
         0,
         0,
         {O(QStringLiteral("config"),
            QStringLiteral("Configuration file (default: the one ZELVCONFIGFILE names, else "
                           "ZELVDesk.cfg beside zelvadmin)."),
            QStringLiteral("FILE")),
          O(QStringLiteral("customer"), QStringLiteral("Explain for this Customer's Volumes."),
            QStringLiteral("ID")),
          O(QStringLiteral("media"), QStringLiteral("Only Volumes of this Media Type."),
            QStringLiteral("ID")),
          O(QStringLiteral("repository"),
            QStringLiteral("The Repository they are sent from (Scan-Out) and received at "
                           "(Scan-In)."),
            QStringLiteral("ID")),
          O(QStringLiteral("verbose"), QStringLiteral("Show every step of each decision."))},
         CheckRulesCommand,
         true},
    };
}

QCommandLineOption ServerOption() {
    return QCommandLineOption(
        QStringLiteral("server"),
        QStringLiteral("Kelmar Server: kelmar:///path/file.db, or "
                       "kelmar://user@host:port/database for a central server "
                       "(default: the embedded database)."),
        QStringLiteral("ADDRESS"));
}

QCommandLineOption PasswordFileOption() {
    return QCommandLineOption(QStringLiteral("password-file"),
                              QStringLiteral("Read the password from the first line of FILE."),
                              QStringLiteral("FILE"));
}

// Options that come before the command and take a value.
bool TakesValue(const QString& option) {
    return option == QLatin1String("--server") || option == QLatin1String("--password-file");
}

// The logon password: from --password-file, else KELMAR_PASSWORD, else the one
// written in the address (kept for old scripts; every local user can read a
// command line). PostgreSQL's own PGPASSWORD and ~/.pgpass apply when none is given.
bool TakePassword(const QCommandLineParser& parser, ZELVServerAddress* address, QString* error) {
    const QString file = parser.value(QStringLiteral("password-file"));
    if (!file.isEmpty()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            *error =
                QStringLiteral("cannot read the password file %1: %2").arg(file, f.errorString());
            return false;
        }
        QByteArray line = f.read(4097);
        if (line.size() > 4096) {
            *error = QStringLiteral("the password file %1 is too long").arg(file);
            return false;
        }
        const qsizetype end = line.indexOf('\n');
        if (end >= 0)
            line.truncate(end);
        if (line.endsWith('\r'))
            line.chop(1);
        address->password = QString::fromUtf8(line);
        return true;
    }
    if (qEnvironmentVariableIsSet("KELMAR_PASSWORD"))
        address->password = qEnvironmentVariable("KELMAR_PASSWORD");
    return true;
}

QString GeneralHelp(const std::vector<Command>& commands) {
    QString text = QStringLiteral(
        "Usage: zelvadmin [--server ADDRESS] [--password-file FILE] COMMAND [options]\n\n"
        "Creates, fills and lists a Kelmar Server database, and checks the rules of\n"
        "ZELVDesk.cfg.\n\nCommands:\n");
    for (const Command& c : commands)
        text += QString::asprintf("  %-16s %s\n", c.name, c.summary);
    text += QStringLiteral(
        "\n'zelvadmin COMMAND --help' shows a command's options.\n"
        "Exit status: 0 done, 1 the server or the data refused, 2 wrong usage.\n\n"
        "Passwords: give one with --password-file FILE or the KELMAR_PASSWORD variable\n"
        "(PGPASSWORD and ~/.pgpass also work for a central server). A password written\n"
        "in the --server address is still taken, but every local user can read it in\n"
        "the process list.\n");
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelvadmin"));
    const QStringList args = app.arguments();
    const std::vector<Command> commands = Commands();

    // The command is the first word that is neither an option nor its value.
    QString name;
    bool help = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (TakesValue(a)) {
            ++i;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h") ||
                   a == QLatin1String("-?")) {
            help = true;
        } else if (!a.startsWith(QLatin1Char('-'))) {
            name = a;
            break;
        }
    }
    if (name.isEmpty()) {
        if (help) {
            Out() << GeneralHelp(commands);
            return kExitOK;
        }
        Err() << GeneralHelp(commands);
        return kExitUsage;
    }
    const Command* command = nullptr;
    for (const Command& c : commands)
        if (name == QLatin1String(c.name))
            command = &c;
    if (!command) {
        Err() << "zelvadmin: unknown command \"" << name << "\"" << Qt::endl
              << GeneralHelp(commands);
        return kExitUsage;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(command->summary));
    parser.addPositionalArgument(
        name, QStringLiteral("The command."),
        QStringLiteral("%1 %2").arg(name, QString::fromLatin1(command->synopsis)).trimmed());
    parser.addOption(ServerOption());
    parser.addOption(PasswordFileOption());
    for (const QCommandLineOption& o : command->options)
        parser.addOption(o);
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(args))
        return Usage(name, parser.errorText());
    if (parser.isSet(helpOption)) {
        Out() << parser.helpText();
        return kExitOK;
    }
    QStringList positional = parser.positionalArguments();
    positional.removeFirst(); // the command
    if (positional.size() < command->minArgs || positional.size() > command->maxArgs)
        return Usage(name,
                     command->synopsis[0]
                         ? QStringLiteral("expects %1").arg(QString::fromLatin1(command->synopsis))
                         : QStringLiteral("takes no arguments"));

    ZELVServerAddress address;
    QString error;
    if (!ZELVServerAddress::Parse(parser.value(QStringLiteral("server")), &address, &error))
        return Usage(name, error);
    if (!TakePassword(parser, &address, &error))
        return Usage(name, error);
    CZELV10MFC mfc;
    mfc.SetProgramID(CZELV10MFC::kProgramAdmin);
    mfc.SetServerAddress(address);
    if (!command->ownLogon) {
        const CZELV10RC rc = mfc.Logon();
        if (!rc.IsOK())
            return Fail(name, rc);
    }
    Context context{parser, positional, mfc,
                    address.IsEmpty() ? QStringLiteral("file ") + CZELVStore::DefaultEmbeddedPath()
                                      : address.Display()};
    return command->run(context);
}
