// zelvadmin: creates, migrates, fills and lists a Kelmar Server database from
// the command line, and checks the rule tables of ZELVDesk.cfg. Links the
// server library, the framework core and the desk's widget-free rules only.
#include "ContainerAllocation.h"
#include "ContainerCache.h"
#include "HolidayFile.h"
#include "Reconciliation.h"
#include "RulesCheck.h"
#include "ScanInRouting.h"
#include "TransactionLog.h"
#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVConfig.h"
#include "ZELVCsvReader.h"
#include "ZELVDate.h"
#include "ZELVLabelRules.h"
#include "ZELVStore.h"
#include "ZELVTextFile.h"
#include "ZELVVolumeImport.h"
#include "ZELVVolumeRules.h"
#include "ZELVXlsxReader.h"
#include "ZelvDemo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <termios.h>
#include <unistd.h>
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

qsizetype FirstNonUtf8(const char* text, qsizetype size) {
    return ZELVFirstNonUtf8(text, size);
}

QString NotUtf8(const QByteArray& bytes, qsizetype at) {
    return QString::asprintf("not UTF-8 text (byte 0x%02X at position %lld)",
                             static_cast<unsigned char>(bytes.at(at)),
                             static_cast<long long>(at) + 1);
}

// Qt would quietly turn bytes that are not UTF-8 into U+FFFD, and that would
// be stored: every argument is checked as it came, before Qt sees it.
int RefuseNonUtf8Arguments(int argc, char** argv) {
    QString command;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const qsizetype bad = FirstNonUtf8(arg.constData(), arg.size());
        if (bad < 0) {
            if (command.isEmpty() && !arg.startsWith('-') && qstrcmp(argv[i - 1], "--server") != 0)
                command = QString::fromUtf8(arg);
            continue;
        }
        QString which = QStringLiteral("argument %1").arg(i);
        if (i > 1 && argv[i - 1][0] == '-')
            which += QStringLiteral(" (after %1)").arg(QString::fromUtf8(argv[i - 1]));
        Err() << "zelvadmin: " << (command.isEmpty() ? QString() : command + QStringLiteral(": "))
              << CZELV10RC(ZELV10RC_BADTEXT,
                           QStringLiteral("%1 is %2").arg(which, NotUtf8(arg, bad)))
                     .Get()
              << Qt::endl;
        return kExitFailed;
    }
    return kExitOK;
}

// Longest line an imported file may have. A Volume's line needs a few hundred
// bytes; anything longer is refused by number, without being held whole.
constexpr qsizetype kMaxCsvLine = 64 * 1024;

// Reads a text file line by line, holding no more than one line: CR, LF and
// CR LF each end a line, and a UTF-8 byte order mark at the start is skipped.
// A line over kMaxCsvLine is not kept; it is only read through to its end.
class LineReader {
public:
    explicit LineReader(QIODevice& in) : m_in(in) {}

    // The next line without its ending; false at the end or on a read error.
    bool Next(QByteArray* line, bool* tooLong) {
        line->clear();
        *tooLong = false;
        bool started = false;
        for (;;) {
            if (m_pos == m_buf.size() && !Fill()) {
                if (started)
                    ++m_number;
                return started;
            }
            const char* data = m_buf.constData();
            const qsizetype size = m_buf.size();
            if (m_afterCr) {
                m_afterCr = false;
                if (data[m_pos] == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            started = true;
            qsizetype end = m_pos;
            while (end < size && data[end] != '\n' && data[end] != '\r')
                ++end;
            if (!*tooLong) {
                if (line->size() + (end - m_pos) > kMaxCsvLine) {
                    *tooLong = true;
                    line->clear();
                } else {
                    line->append(data + m_pos, end - m_pos);
                }
            }
            m_pos = end;
            if (end < size) {
                m_afterCr = data[end] == '\r';
                ++m_pos;
                ++m_number;
                return true;
            }
        }
    }
    int Number() const { return m_number; }
    const QString& Error() const { return m_error; }

private:
    bool Fill() {
        constexpr qint64 kChunk = 64 * 1024;
        m_buf.resize(kChunk);
        const qint64 got = m_in.read(m_buf.data(), kChunk);
        m_buf.resize(got > 0 ? got : 0);
        m_pos = 0;
        if (got < 0)
            m_error = m_in.errorString();
        if (got > 0 && m_first) {
            m_first = false;
            if (m_buf.startsWith("\xEF\xBB\xBF"))
                m_pos = 3;
        }
        return got > 0;
    }

    QIODevice& m_in;
    QByteArray m_buf;
    qsizetype m_pos = 0;
    bool m_first = true;
    bool m_afterCr = false;
    int m_number = 0;
    QString m_error;
};

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

// A secret typed on the terminal, without echo. False when there is no terminal.
bool AskOnTerminal(const QString& prompt, QString* secret) {
    FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return false;
    const int fd = fileno(tty);
    termios before{};
    const bool isTerminal = tcgetattr(fd, &before) == 0;
    if (isTerminal) {
        termios quiet = before;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.toLocal8Bit().constData(), tty);
    std::fflush(tty);
    char line[4097];
    const bool read = std::fgets(line, sizeof line, tty) != nullptr;
    if (isTerminal)
        tcsetattr(fd, TCSAFLUSH, &before);
    std::fputs("\n", tty);
    std::fclose(tty);
    if (!read || !isTerminal)
        return false;
    QByteArray text(line);
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    *secret = QString::fromLocal8Bit(text);
    return true;
}

// A new password: from --password-file or KELMAR_PASSWORD when given, else
// typed twice on the terminal.
bool NewPassword(const ZELVServerAddress& address, const QString& whose, QString* password,
                 QString* why) {
    if (!address.password.isEmpty()) {
        *password = address.password;
        return true;
    }
    QString again;
    if (!AskOnTerminal(QStringLiteral("New password for %1: ").arg(whose), password) ||
        !AskOnTerminal(QStringLiteral("The same password again: "), &again)) {
        *why = QStringLiteral("give it with --password-file FILE or type it on a terminal");
        return false;
    }
    if (*password != again) {
        *why = QStringLiteral("the two passwords differ");
        return false;
    }
    return true;
}

int Init(Context& c) {
    const QString cmd = QStringLiteral("init");
    ZELVServerAddress address = c.mfc.ServerAddress();
    CZELV10RC rc = c.mfc.Logon(1);
    // A new embedded database (or one without users): its first administrator,
    // with a password chosen now; none is built in. An owner from before
    // passwords were kept chooses one the same way.
    if (!rc.IsOK() && !address.IsCentral() &&
        (rc.Code() == ZELV10RC_NOUSER || rc.Code() == ZELV10RC_NOPASSWORD)) {
        QString password;
        QString why;
        if (!NewPassword(address, QStringLiteral("the administrator"), &password, &why))
            return Usage(cmd,
                         QStringLiteral("the database needs its administrator's password: ") + why);
        address.password = password;
        c.mfc.SetServerAddress(address);
        rc = c.mfc.Logon(1 | CZELV10MFC::kLogonCreateOwner);
    }
    if (!rc.IsOK())
        return Fail(cmd, rc);
    ZELVSERVERID id;
    rc = c.mfc.Get(&id);
    if (!rc.IsOK())
        return Fail(cmd, rc);
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
    // The Repository with its zones and homes, or nothing: a refused zone or
    // home must not leave a Repository behind that a second try calls a duplicate.
    CZELV10MFC::Batch batch(c.mfc);
    CZELV10RC rc = batch.Begin();
    if (rc.IsOK())
        rc = c.mfc.Add(r);
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
    rc = batch.Commit();
    if (!rc.IsOK())
        return Fail(cmd, rc);
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

// Whether the file names its columns the way workbooks do (a "Media Type"
// column in its first line that is not a comment), or is a workbook: then the
// shared import reads it; else it is the older fixed layout below.
bool NamedColumns(QFile& file) {
    const QByteArray head = file.peek(64 * 1024);
    if (ZELVLooksLikeZip(head))
        return true;
    for (const QByteArray& raw : head.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        ZELVSheet first;
        QString error;
        if (!ZELVReadCsv(line, &first, &error) || first.rows.empty())
            return false;
        for (const QString& cell : std::as_const(first.rows.front().cells))
            if (CZELVVolumeImport::ColumnOf(cell) == CZELVVolumeImport::Media &&
                cell.contains(QLatin1String("type"), Qt::CaseInsensitive))
                return true;
        return false;
    }
    return false;
}

int ImportNamedColumns(Context& c, const QString& cmd, bool dryRun) {
    const QString prefix = QStringLiteral("zelvadmin: ") + cmd + QStringLiteral(": ");
    ZELVSheet sheet;
    QString error;
    if (!ZELVReadSheetFile(c.args[0], c.parser.value(QStringLiteral("sheet")), &sheet, &error)) {
        Err() << prefix << error << Qt::endl << prefix << "nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    CZELVVolumeImport import(c.mfc);
    if (!import.Check(sheet)) {
        const auto& problems = import.Problems();
        const size_t shown = std::min<size_t>(problems.size(), 20);
        for (size_t i = 0; i < shown; ++i)
            Err() << prefix << c.args[0] << ": " << problems[i].Text() << Qt::endl;
        if (problems.size() > shown)
            Err() << prefix << problems.size() - shown << " more problems" << Qt::endl;
        Err() << prefix << "nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    uint64_t added = 0;
    const CZELV10RC rc = import.Import(&added, !dryRun);
    if (!rc.IsOK()) {
        Err() << prefix << rc.Get() << Qt::endl << prefix << "nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    if (dryRun)
        Out() << "Checked " << added << " Volumes from " << c.args[0]
              << "; nothing was written (dry run)" << Qt::endl;
    else
        Out() << "Imported " << added << " Volumes from " << c.args[0] << Qt::endl;
    return kExitOK;
}

int ImportVolumes(Context& c) {
    const QString cmd = QStringLiteral("import-volumes");
    const bool dryRun = c.parser.isSet(QStringLiteral("dry-run"));
    QFile file(c.args[0]);
    if (!file.open(QIODevice::ReadOnly)) {
        Err() << "zelvadmin: " << cmd << ": cannot read " << c.args[0] << ": " << file.errorString()
              << Qt::endl;
        return kExitFailed;
    }
    if (NamedColumns(file)) {
        file.close();
        return ImportNamedColumns(c, cmd, dryRun);
    }
    // Every line is checked before anything is written; one bad line writes nothing.
    std::vector<CsvVolume> rows;
    QStringList problems; // the first few, to show
    int problemCount = 0;
    auto problem = [&](const QString& text) {
        if (problems.size() < 20)
            problems << text;
        ++problemCount;
    };
    LineReader in(file);
    QByteArray bytes;
    bool tooLong = false;
    bool headerSeen = false; // the first line that is not a comment may be the header
    while (in.Next(&bytes, &tooLong)) {
        const int lineNumber = in.Number();
        if (tooLong) {
            problem(
                QStringLiteral("line %1: longer than %2 bytes").arg(lineNumber).arg(kMaxCsvLine));
            continue;
        }
        if (bytes.contains('\0')) {
            problem(QStringLiteral("line %1: contains a NUL byte").arg(lineNumber));
            continue;
        }
        if (const qsizetype bad = FirstNonUtf8(bytes.constData(), bytes.size()); bad >= 0) {
            problem(QStringLiteral("line %1: %2").arg(lineNumber).arg(NotUtf8(bytes, bad)));
            continue;
        }
        const QString line = QString::fromUtf8(bytes);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        QStringList f;
        if (!SplitCsv(line, &f)) {
            problem(QStringLiteral("line %1: a quoted field is not closed").arg(lineNumber));
            continue;
        }
        for (QString& field : f)
            field = field.trimmed();
        const bool first = !headerSeen;
        headerSeen = true;
        if (first && f[0].compare(QLatin1String("customer"), Qt::CaseInsensitive) == 0)
            continue; // header
        if (f.size() < 3 || f.size() > 7) {
            problem(
                QStringLiteral("line %1: expected customer,media,volume[,repository[,target[,move "
                               "date[,description]]]]")
                    .arg(lineNumber));
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
                problem(QStringLiteral("line %1: %2 \"%3\" is longer than %4 characters")
                            .arg(lineNumber)
                            .arg(QString::fromLatin1(l.what), l.text)
                            .arg(l.max));
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
                problem(QStringLiteral("line %1: \"%2\" is not a date").arg(lineNumber).arg(f[5]));
                continue;
            }
            row.volume.vol.flags |= ZELVVOL_MOVEDATE;
        }
        if (f.size() > 6)
            row.description = f[6];
        rows.push_back(row);
    }
    if (!in.Error().isEmpty())
        problem(QStringLiteral("cannot read after line %1: %2").arg(in.Number()).arg(in.Error()));
    if (problemCount > 0) {
        for (const QString& p : problems)
            Err() << "zelvadmin: " << cmd << ": " << c.args[0] << ": " << p << Qt::endl;
        if (problemCount > problems.size())
            Err() << "zelvadmin: " << cmd << ": " << problemCount - problems.size()
                  << " more problems" << Qt::endl;
        Err() << "zelvadmin: " << cmd << ": nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    size_t i = 0;
    uint64_t added = 0;
    // A dry run lets the server check everything, then undoes it.
    CZELV10MFC::Batch batch(c.mfc);
    CZELV10RC rc = batch.Begin();
    if (rc.IsOK())
        rc = c.mfc.AddVolumes(
            [&](ZELVVOLSEx* out, QString* description) {
                if (i >= rows.size())
                    return false;
                *out = rows[i].volume;
                *description = rows[i].description;
                ++i;
                return true;
            },
            &added);
    if (rc.IsOK() && !dryRun)
        rc = batch.Commit();
    if (!rc.IsOK()) {
        Err() << "zelvadmin: " << cmd << ": " << rc.Get() << Qt::endl
              << "zelvadmin: " << cmd << ": nothing was imported" << Qt::endl;
        return kExitFailed;
    }
    if (dryRun)
        Out() << "Checked " << added << " Volumes from " << c.args[0]
              << "; nothing was written (dry run)" << Qt::endl;
    else
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

// A field for a CSV line: quoted when it holds a comma, a quote, a line
// break or spaces at its ends, with quotes doubled inside.
QString CsvField(const QString& text) {
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& f : fields)
        quoted << CsvField(f);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

// Rows as aligned columns under a header; the last column is never padded.
void PrintTable(const QStringList& header, const std::vector<QStringList>& rows) {
    std::vector<qsizetype> width(header.size(), 0);
    auto measure = [&](const QStringList& r) {
        for (qsizetype i = 0; i < r.size(); ++i)
            width[i] = std::max(width[i], r[i].size());
    };
    measure(header);
    for (const QStringList& r : rows)
        measure(r);
    auto print = [&](const QStringList& r) {
        QString line;
        for (qsizetype i = 0; i < r.size(); ++i)
            line += i + 1 < r.size() ? r[i].leftJustified(width[i]) + QStringLiteral("  ") : r[i];
        Out() << line << Qt::endl;
    };
    print(header);
    for (const QStringList& r : rows)
        print(r);
}

// "CUSTOMER.MEDIA.VOLUME" into its three parts; false with the reason.
bool ParseVolumeKey(const QString& text, ZELVVOLSKey* key, QString* why) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty() || parts[2].isEmpty()) {
        *why = QStringLiteral("\"%1\" is not a Volume as CUSTOMER.MEDIA.VOLUME, e.g. "
                              "ACME.LTO6.A00001")
                   .arg(text);
        return false;
    }
    if (!ZELVFixedText<kZelvCustomerIdLen>::Fits(parts[0]) ||
        !ZELVFixedText<kZelvMediaIdLen>::Fits(parts[1]) ||
        !ZELVFixedText<kZelvVolumeIdLen>::Fits(parts[2])) {
        *why = QStringLiteral("\"%1\": Customer-ID and Media-ID have at most 4 characters, "
                              "Volume-ID at most 10")
                   .arg(text);
        return false;
    }
    key->customerId.Set(parts[0]);
    key->mediaId.Set(parts[1]);
    key->volumeId.Set(parts[2]);
    return true;
}

QString TimeText(int64_t when) {
    return QDateTime::fromSecsSinceEpoch(when).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int History(Context& c) {
    const QString cmd = QStringLiteral("history");
    ZELVVOLSKey key;
    QString why;
    if (!ParseVolumeKey(c.args[0], &key, &why))
        return Usage(cmd, why);
    const QString cu = key.customerId.Text(), me = key.mediaId.Text(), vo = key.volumeId.Text();
    std::vector<ZELVVOLHISTORY> rows;
    CZELV10RC rc = c.mfc.List(&rows, cu, me, vo, true);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    if (rows.empty()) {
        // History outlives its Volume; with neither there is nothing by that name.
        ZELVVOLSFULL v;
        rc = c.mfc.Get(&v, cu, me, vo);
        if (!rc.IsOK())
            return Fail(cmd, rc);
    }
    const QStringList header = {QStringLiteral("When"),    QStringLiteral("User"),
                                QStringLiteral("Machine"), QStringLiteral("Program"),
                                QStringLiteral("Action"),  QStringLiteral("Field"),
                                QStringLiteral("Old"),     QStringLiteral("New")};
    std::vector<QStringList> lines;
    lines.reserve(rows.size());
    for (const ZELVVOLHISTORY& h : rows)
        lines.push_back({TimeText(h.when), h.userId.Text(), h.machine.Text(),
                         CZELV10MFC::GetPgmText(h.programId), h.action.Text(), h.field.Text(),
                         h.oldValue, h.newValue});
    if (c.parser.isSet(QStringLiteral("csv"))) {
        Out() << CsvLine(header);
        for (const QStringList& l : lines)
            Out() << CsvLine(l);
        Out().flush();
        return kExitOK;
    }
    Out() << "History of " << key.Text() << ": " << rows.size() << " changes, newest first"
          << Qt::endl;
    PrintTable(header, lines);
    return kExitOK;
}

int Holidays(Context& c) {
    const QString cmd = QStringLiteral("holidays");
    const QString customer = c.parser.value(QStringLiteral("customer"));
    const QString file = c.parser.value(QStringLiteral("load"));
    if (!file.isEmpty()) {
        QString text, why;
        std::vector<ZELVHOLIDAY> days;
        if (!ZELVReadTextFile(file, 1 << 20, QStringLiteral("holidays (YYYY-MM-DD,Name)"), &text,
                              &why) ||
            !ParseHolidayFile(text, customer, &days, &why)) {
            Err() << "zelvadmin: " << cmd << ": " << file << ": " << why
                  << "; no holiday was changed" << Qt::endl;
            return kExitFailed;
        }
        const CZELV10RC rc = c.mfc.PutHolidays(customer, days);
        if (!rc.IsOK())
            return Fail(cmd, rc);
        Out() << days.size() << " holidays of "
              << (customer.isEmpty() ? QStringLiteral("every Customer") : customer)
              << " loaded from " << file << Qt::endl;
        return kExitOK;
    }
    std::vector<ZELVHOLIDAY> days;
    const CZELV10RC rc = c.mfc.List(&days, customer);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    std::vector<QStringList> lines;
    for (const ZELVHOLIDAY& h : days)
        lines.push_back({FormatDate(h.day, "%Y-%m-%d"), FormatDate(h.day, "%A"), h.name.Text()});
    PrintTable({QStringLiteral("Date"), QStringLiteral("Day"), QStringLiteral("Holiday")}, lines);
    return kExitOK;
}

int Show(Context& c) {
    const QString cmd = QStringLiteral("show");
    ZELVVOLSKey key;
    QString why;
    if (!ParseVolumeKey(c.args[0], &key, &why))
        return Usage(cmd, why);
    const QString cu = key.customerId.Text(), me = key.mediaId.Text(), vo = key.volumeId.Text();
    ZELVVOLSFULL v;
    CZELV10RC rc = c.mfc.Get(&v, cu, me, vo);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    QString description;
    if (v.vol.flags & ZELVVOL_DESCRIPTION) {
        ZELVATTRIBUTE a;
        rc = c.mfc.Get(&a, cu, me, vo, 0);
        if (!rc.IsOK() && rc.Code() != ZELV10RC_NOATTRIBUTE)
            return Fail(cmd, rc);
        description = a.value.Text();
    }
    const bool moving = (v.vol.flags & ZELVVOL_MOVING) != 0;
    std::vector<QStringList> fields = {
        {QStringLiteral("Volume"), key.Text()},
        {QStringLiteral("Current"), CZELVVolumeRules::LocationText(v.vol.Current())},
        {QStringLiteral("Target"), CZELVVolumeRules::LocationText(v.vol.Target())},
        {QStringLiteral("Moving"), moving ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("Next move"),
         CZELVVolumeRules::MoveDateText(
             CZELVVolumeRules::EffectiveMoveDate(v.vol.flags, v.vol.moveDate))},
        {QStringLiteral("Moving since"),
         moving && v.vol.moveTime ? TimeText(v.vol.moveTime) : QString()},
        {QStringLiteral("Flags"), QString::asprintf("0x%08X", v.vol.flags)},
        {QStringLiteral("Container"),
         v.vol.IsContainer()
             ? QStringLiteral("number %1, holds %2").arg(v.vol.container).arg(v.used)
             : (v.vol.container ? QStringLiteral("in %1").arg(v.vol.container) : QString())},
        {QStringLiteral("Data-Cluster"), QString::number(v.vol.dataCluster)},
        {QStringLiteral("Consignment"), QString::number(v.vol.consignment)},
        {QStringLiteral("Threshold"), QString::number(v.vol.threshold)},
        {QStringLiteral("Description"), description},
        {QStringLiteral("Version"), QString::number(v.vol.version)},
    };
    if (c.parser.isSet(QStringLiteral("csv"))) {
        Out() << CsvLine({QStringLiteral("Field"), QStringLiteral("Value")});
        for (const QStringList& f : fields)
            Out() << CsvLine(f);
        Out().flush();
        return kExitOK;
    }
    for (const QStringList& f : fields)
        Out() << QString(f[0] + QLatin1Char(':')).leftJustified(14) << f[1] << Qt::endl;
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

int ListUsers(Context& c) {
    std::vector<ZELVUSERFULL> users;
    ZELVGROUP group;
    CZELV10RC rc = c.mfc.Get(&group);
    if (rc.IsOK())
        rc = c.mfc.List(&users);
    if (!rc.IsOK())
        return Fail(QStringLiteral("list-users"), rc);
    for (const ZELVUSERFULL& u : users)
        Out() << u.userId.Text().leftJustified(17) << u.Role() << ':'
              << group.roleNames[u.Role()].Text().leftJustified(21)
              << ((u.flags & ZELVUSER_DISABLED) ? "disabled " : "         ") << u.name.Text()
              << Qt::endl;
    return kExitOK;
}

int DeleteUser(Context& c) {
    const CZELV10RC rc = c.mfc.DeleteUser(c.args[0]);
    if (!rc.IsOK())
        return Fail(QStringLiteral("delete-user"), rc);
    Out() << "User " << c.args[0] << " deleted" << Qt::endl;
    return kExitOK;
}

// A new random password, shown once on the terminal for the user to be told;
// --to-file writes it to a new file only its owner may read instead.
int ResetUserPassword(Context& c) {
    const QString cmd = QStringLiteral("reset-password");
    const QString file = c.parser.value(QStringLiteral("to-file"));
    QString password;
    const CZELV10RC rc = c.mfc.ResetPassword(c.args[0], &password);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    if (file.isEmpty()) {
        Out() << "New password of " << c.args[0] << ": " << password << Qt::endl;
        return kExitOK;
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        out.write(password.toUtf8() + '\n') < 0)
        return Fail(cmd, CZELV10RC(ZELV10RC_CANNOTOPEN,
                                   QStringLiteral("%1: %2 (the password of %3 has changed)")
                                       .arg(file, out.errorString(), c.args[0])));
    Out() << "New password of " << c.args[0] << " written to " << file << Qt::endl;
    return kExitOK;
}

// --- files -----------------------------------------------------------------------

int UploadFiles(Context& c) {
    const QString cmd = QStringLiteral("upload-files");
    CZELV10RCList results;
    for (const QString& path : c.args.mid(1))
        c.mfc.UploadFile(c.args[0], path, &results);
    for (const CZELV10RCList::Entry& e : results.Entries())
        (e.rc.IsOK() ? Out() : Err())
            << (e.rc.IsOK() ? "uploaded " : "zelvadmin: upload-files: ") << e.note
            << (e.rc.IsOK() ? QString() : ": " + e.rc.Get()) << Qt::endl;
    return results.GetNotOKCount() == 0 ? kExitOK : kExitFailed;
}

int ListFiles(Context& c) {
    std::vector<ZELV10FILEEx> files;
    const CZELV10RC rc = c.mfc.List(&files, c.args[0]);
    if (!rc.IsOK())
        return Fail(QStringLiteral("list-files"), rc);
    for (const ZELV10FILEEx& f : files)
        Out() << QString::asprintf("%6u %10u  ", f.fileId, f.size) << f.name.Text() << Qt::endl;
    return kExitOK;
}

// Every file of the Customer (or the named ones) into the folder; an existing
// file is replaced only with --overwrite.
int DownloadFiles(Context& c) {
    const QString customer = c.args[0];
    const QString folder = c.args[1];
    const QStringList names = c.args.mid(2);
    const bool replace = c.parser.isSet(QStringLiteral("overwrite"));
    std::vector<ZELV10FILEEx> files;
    const CZELV10RC rc = c.mfc.List(&files, customer);
    if (!rc.IsOK())
        return Fail(QStringLiteral("download-files"), rc);
    CZELV10RCList results;
    for (const ZELV10FILEEx& f : files) {
        if (!names.isEmpty() && !names.contains(f.name.Text()))
            continue;
        QString written;
        const CZELV10RC got =
            c.mfc.DownloadFile(customer, f.fileId, f.size, f.uploadedAt, folder, &results, &written,
                               [replace](const QString&) { return replace; });
        if (got.IsOK())
            Out() << "downloaded " << written << Qt::endl;
        else
            Err() << "zelvadmin: download-files: " << f.name.Text() << ": " << got.Get()
                  << (got.Code() == ZELV10RC_EXISTS ? " (--overwrite replaces it)" : "")
                  << Qt::endl;
    }
    return results.GetNotOKCount() == 0 ? kExitOK : kExitFailed;
}

// --- verify-log ----------------------------------------------------------------------

// Checks transaction logs against their chain files; no server needed.
int VerifyLog(Context& c) {
    bool all = true;
    for (const QString& file : c.args) {
        const TransactionLog::ChainCheck check = TransactionLog::VerifyChain(file);
        (check.intact ? Out() : Err()) << file << ": " << check.message << Qt::endl;
        all = all && check.intact;
    }
    return all ? kExitOK : kExitFailed;
}

// --- reconcile, verify-certificate -----------------------------------------------------

bool ReadWhole(const QString& path, QByteArray* bytes, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    *bytes = f.read(CVaultManifest::kMaxBytes + 1);
    if (bytes->size() > CVaultManifest::kMaxBytes) {
        *error = QStringLiteral("%1: the file is larger than %2 MiB")
                     .arg(path)
                     .arg(CVaultManifest::kMaxBytes / (1024 * 1024));
        return false;
    }
    return true;
}

// Compares what the server expects in a Repository, what was scanned there
// and what the vault says it holds; nothing is written.
int Reconcile(Context& c) {
    const QString cmd = QStringLiteral("reconcile");
    const QString repository = c.parser.value(QStringLiteral("repository"));
    const QString manifestPath = c.parser.value(QStringLiteral("manifest"));
    if (repository.isEmpty() || manifestPath.isEmpty())
        return Usage(cmd, QStringLiteral("--repository and --manifest are needed"));
    QByteArray bytes;
    QString error;
    CVaultManifest manifest;
    if (!ReadWhole(manifestPath, &bytes, &error))
        return Fail(cmd, CZELV10RC(ZELV10RC_BADVALUE, error));
    if (!manifest.Parse(bytes, &error))
        return Fail(cmd, CZELV10RC(ZELV10RC_BADVALUE, manifestPath + QStringLiteral(": ") + error));
    QStringList scanned;
    const QString scansPath = c.parser.value(QStringLiteral("scans"));
    if (!scansPath.isEmpty()) {
        if (!ReadWhole(scansPath, &bytes, &error))
            return Fail(cmd, CZELV10RC(ZELV10RC_BADVALUE, error));
        if (!CVaultManifest::ParseScans(bytes, &scanned, &error))
            return Fail(cmd,
                        CZELV10RC(ZELV10RC_BADVALUE, scansPath + QStringLiteral(": ") + error));
    }
    std::vector<ZELVREPOSITORY> repositories;
    CZELV10RC rc = c.mfc.List(&repositories);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    if (std::none_of(repositories.begin(), repositories.end(),
                     [&](const ZELVREPOSITORY& r) { return r.repositoryId.Text() == repository; }))
        return Fail(cmd, CZELV10RC(ZELV10RC_NOREPOSITORY, repository));
    // Expected: every Volume at the Repository or moving into it. Scanned,
    // without a scan file: what the last audit there saw.
    QStringList expected;
    std::vector<ZELVCUSTEx> customers;
    rc = c.mfc.List(&customers);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    for (const ZELVCUSTEx& cust : customers) {
        const QString cu = cust.customerId.Text();
        QStringList media;
        rc = c.mfc.List(&media, cu);
        if (!rc.IsOK())
            return Fail(cmd, rc);
        for (const QString& me : media) {
            std::vector<ZELVVOLSFULL> volumes;
            rc = c.mfc.List(&volumes, cu, me);
            if (!rc.IsOK())
                return Fail(cmd, rc);
            for (const ZELVVOLSFULL& v : volumes)
                if (v.vol.Current().repositoryId.Text() == repository ||
                    v.vol.Target().repositoryId.Text() == repository)
                    expected << v.key.Text();
            if (!scansPath.isEmpty())
                continue;
            std::vector<ZELVAUDIT> audits;
            rc = c.mfc.List(&audits, cu, me);
            if (!rc.IsOK())
                return Fail(cmd, rc);
            for (const ZELVAUDIT& a : audits)
                if (a.repositoryId.Text() == repository &&
                    (a.outcome == ZELVAUDIT_SEEN || a.outcome == ZELVAUDIT_SURPLUS))
                    scanned << a.key.Text();
        }
    }
    CThreeWayCounts counts;
    const std::vector<CThreeWayRow> rows =
        CompareThreeWay(expected, scanned, manifest.volumes, &counts);
    const bool all = c.parser.isSet(QStringLiteral("all"));
    const auto yes = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    std::vector<QStringList> lines;
    QMap<QString, int> byDifference;
    for (const CThreeWayRow& r : rows) {
        ++byDifference[r.Difference()];
        if (!all &&
            r.sources == (CThreeWayRow::Expected | CThreeWayRow::Scanned | CThreeWayRow::Listed))
            continue;
        lines.push_back({r.volume, yes(r.sources & CThreeWayRow::Expected),
                         yes(r.sources & CThreeWayRow::Scanned),
                         yes(r.sources & CThreeWayRow::Listed), r.Difference()});
    }
    Out() << "Repository " << repository << ": " << expected.size() << " expected, "
          << scanned.size() << " scans" << (scansPath.isEmpty() ? " (last audit)" : "") << ", "
          << manifest.volumes.size() << " in the manifest" << Qt::endl;
    if (!lines.empty())
        PrintTable({QStringLiteral("Volume"), QStringLiteral("Expected"), QStringLiteral("Scanned"),
                    QStringLiteral("Listed"), QStringLiteral("Difference")},
                   lines);
    for (auto it = byDifference.cbegin(); it != byDifference.cend(); ++it)
        Out() << it.key() << ": " << it.value() << Qt::endl;
    return counts.differences == 0 ? kExitOK : kExitFailed;
}

// Recomputes the MAC of a Repository's certificates (or of the one made at
// --time) and says whether each is as it was signed.
int VerifyCertificate(Context& c) {
    const QString cmd = QStringLiteral("verify-certificate");
    const QString cu = c.parser.value(QStringLiteral("customer"));
    const QString me = c.parser.value(QStringLiteral("media"));
    const QString re = c.parser.value(QStringLiteral("repository"));
    if (cu.isEmpty() || me.isEmpty() || re.isEmpty())
        return Usage(cmd, QStringLiteral("--customer, --media and --repository are needed"));
    qint64 time = 0;
    if (c.parser.isSet(QStringLiteral("time")) &&
        !ParseNumber(c.parser.value(QStringLiteral("time")), 1, std::numeric_limits<qint64>::max(),
                     &time))
        return Usage(cmd,
                     QStringLiteral("--time takes the certificate's time in seconds since 1970"));
    std::vector<ZELV10CERTIFICATIONKey> keys;
    CZELV10RC rc = c.mfc.List(&keys, cu, me, re);
    if (!rc.IsOK())
        return Fail(cmd, rc);
    int checked = 0, altered = 0;
    for (const ZELV10CERTIFICATIONKey& key : keys) {
        if (time != 0 && key.time != time)
            continue;
        bool intact = false;
        rc = c.mfc.VerifyCertificate(key, &intact);
        if (!rc.IsOK())
            return Fail(cmd, rc);
        ++checked;
        altered += intact ? 0 : 1;
        (intact ? Out() : Err()) << key.time << " " << TimeText(key.time) << " "
                                 << ZelvCertificateText::Signature(key) << " \""
                                 << key.description.Text()
                                 << "\": " << (intact ? "intact" : "ALTERED since it was signed")
                                 << Qt::endl;
    }
    if (checked == 0) {
        Err() << "zelvadmin: " << cmd << ": no certificate of " << cu << "." << me << " in " << re
              << (time ? QStringLiteral(" made at %1").arg(time) : QString()) << Qt::endl;
        return kExitFailed;
    }
    return altered == 0 ? kExitOK : kExitFailed;
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
          << count("allocation") << ", 'labels/refuse' " << count("labels/refuse")
          << ", 'labels/media' " << count("labels/media") << Qt::endl;
    int faults = 0;
    for (const CRuleProblem& p : problems) {
        Out() << "  " << p.Text() << Qt::endl;
        if (p.kind != CRuleProblem::kIgnored)
            ++faults;
    }
    // The label rules the scanning window applies.
    const ZELVLabelRules labels(&config);
    for (const QString& p : labels.Problems()) {
        Out() << "  " << p << Qt::endl;
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
        {"init",
         "Creates the database (asking for its administrator's password), or brings an older "
         "one up to date.",
         "",
         0,
         0,
         {},
         Init,
         true},
        {"list-users", "Lists the users of your group with their roles.", "", 0, 0, {}, ListUsers},
        {"upload-files",
         "Keeps files on the server for a Customer.",
         "CUSTOMER FILE...",
         2,
         1000,
         {},
         UploadFiles},
        {"list-files", "Lists a Customer's files.", "CUSTOMER", 1, 1, {}, ListFiles},
        {"download-files",
         "Writes a Customer's files (all, or the named ones) into a folder.",
         "CUSTOMER FOLDER [NAME...]",
         2,
         1000,
         {QCommandLineOption(QStringLiteral("overwrite"),
                             QStringLiteral("Replace files of the same name in the folder."))},
         DownloadFiles},
        {"delete-user",
         "Deletes a user of your group whose role is below yours.",
         "ID",
         1,
         1,
         {},
         DeleteUser},
        {"reset-password",
         "Gives a user of your group (role below yours) a new random password.",
         "ID",
         1,
         1,
         {QCommandLineOption(QStringLiteral("to-file"),
                             QStringLiteral("Write it to FILE (a new file) instead of showing it."),
                             QStringLiteral("FILE"))},
         ResetUserPassword},
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
         "Adds the Volumes of an Excel workbook or CSV file whose first row names the columns "
         "(Volume, Customer, Media Type, Repository, optional Target Repository, Slot, "
         "Description, Container, Data-Cluster, Next Move date, Threshold, Capacity), or of a "
         "CSV file in the order customer,media,volume[,repository[,target[,move "
         "date[,description]]]]; all or none.",
         "FILE",
         1,
         1,
         {O(QStringLiteral("sheet"), QStringLiteral("The workbook's sheet (default: the first)."),
            QStringLiteral("NAME")),
          O(QStringLiteral("dry-run"),
            QStringLiteral("Check everything, on the server too, and write nothing."))},
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
        {"history",
         "Prints a Volume's moves and changes, newest first: who, when, from which machine and "
         "program, the field, its old and its new value.",
         "CUSTOMER.MEDIA.VOLUME",
         1,
         1,
         {O(QStringLiteral("csv"), QStringLiteral("Print CSV (RFC 4180) instead of a table."))},
         History},
        {"holidays",
         "Prints the public holidays of every Customer, or of --customer; with --load FILE "
         "replaces them with the file's (one \"YYYY-MM-DD,Name\" a line), all or none.",
         "",
         0,
         0,
         {O(QStringLiteral("customer"), QStringLiteral("The holidays of this Customer's account."),
            QStringLiteral("ID")),
          O(QStringLiteral("load"), QStringLiteral("Holiday file to load."),
            QStringLiteral("FILE"))},
         Holidays},
        {"show",
         "Prints a Volume's current record.",
         "CUSTOMER.MEDIA.VOLUME",
         1,
         1,
         {O(QStringLiteral("csv"), QStringLiteral("Print CSV (RFC 4180) instead of lines."))},
         Show},
        {"verify-log",
         "Checks transaction logs against their chain files: any entry changed, removed, "
         "inserted or moved since it was written is named (exit status 1).",
         "LOGFILE...",
         1,
         1000,
         {},
         VerifyLog,
         true},
        {"reconcile",
         "Compares a Repository three ways: the Volumes the server expects there, the ones "
         "scanned (a scan file, else the last audit there) and a vault manifest (CSV with a "
         "header row, \"Volume\" first). Prints the differences; exit status 1 when there are "
         "any.",
         "",
         0,
         0,
         {O(QStringLiteral("repository"), QStringLiteral("The Repository."), QStringLiteral("ID")),
          O(QStringLiteral("manifest"), QStringLiteral("The vault's list."),
            QStringLiteral("FILE")),
          O(QStringLiteral("scans"),
            QStringLiteral("Scanned Volumes, one Customer.Media.Volume a line."),
            QStringLiteral("FILE")),
          O(QStringLiteral("all"), QStringLiteral("Also print the Volumes that agree."))},
         Reconcile},
        {"verify-certificate",
         "Recomputes the signature of a Repository's certificates and names any that was "
         "changed after it was signed (exit status 1).",
         "",
         0,
         0,
         {O(QStringLiteral("customer"), QStringLiteral("The Customer."), QStringLiteral("ID")),
          O(QStringLiteral("media"), QStringLiteral("The Media Type."), QStringLiteral("ID")),
          O(QStringLiteral("repository"), QStringLiteral("The Repository."), QStringLiteral("ID")),
          O(QStringLiteral("time"),
            QStringLiteral("Only the certificate made then (seconds since 1970)."),
            QStringLiteral("SECONDS"))},
         VerifyCertificate},
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
                       "kelmar://user@host:port/database[?schema=NAME] for a central server "
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
    if (const int refused = RefuseNonUtf8Arguments(argc, argv))
        return refused;
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
