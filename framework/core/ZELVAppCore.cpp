#include "ZELVAppCore.h"

#include "ZELVFilter.h"
#include "ZELVRSS.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QUrlQuery>
#include <QUuid>
#include <backward.hpp>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <mutex>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

const QString kOrganisation = QStringLiteral("Brollyn");

QString ProcessEnvironment(const QString& name) {
    return qEnvironmentVariable(name.toUtf8().constData());
}

// Agent texts and profile values come partly from files and callers; keep line
// breaks and other control characters out of the HTTP request.
QString WithoutControls(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

// At most n UTF-16 units, never splitting a surrogate pair.
QString Truncated(const QString& text, int n) {
    if (text.size() <= n)
        return text;
    QString out = text.left(n);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

QString OsReleaseValue(const QByteArray& raw) {
    QByteArray v = raw.trimmed();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        const bool doubleQuoted = v.front() == '"';
        v = v.mid(1, v.size() - 2);
        if (doubleQuoted) {
            QByteArray plain;
            for (qsizetype i = 0; i < v.size(); ++i) {
                if (v[i] == '\\' && i + 1 < v.size())
                    ++i;
                plain.append(v[i]);
            }
            v = plain;
        }
    }
    return QString::fromUtf8(v).trimmed();
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and profile

CZELVAppCore::CZELVAppCore(ZELVAppCoreSetup setup)
    : m_setup(std::move(setup)), m_clock(m_setup.clock ? m_setup.clock : &ZELVClock::System()),
      m_env(ProcessEnvironment),
      m_machine(m_setup.machineFile.isEmpty()
                    ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::SystemScope,
                                                  kOrganisation)
                    : std::make_unique<QSettings>(m_setup.machineFile, QSettings::IniFormat)),
      m_variables(std::make_unique<ZELVVariables>(m_config, *m_clock)) {}

CZELVAppCore::~CZELVAppCore() {
    if (m_profile)
        m_profile->sync();
}

void CZELVAppCore::SetEnvironment(ZELVEnvironmentLookup environment) {
    m_env = environment ? std::move(environment) : ZELVEnvironmentLookup(ProcessEnvironment);
}

QString CZELVAppCore::Env(const QString& name) const {
    return m_env(name);
}

QSettings& CZELVAppCore::Profile() {
    if (!m_profile) {
        if (!m_setup.profileFile.isEmpty())
            m_profile = std::make_unique<QSettings>(m_setup.profileFile, QSettings::IniFormat);
        else
            m_profile = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                    kOrganisation, m_programName);
    }
    return *m_profile;
}

// ---------------------------------------------------------------------------
// Start-up

bool CZELVAppCore::InitBase(const QString& programName, const QString& buildDate,
                            const QStringList& arguments, ZELVEnvironmentLookup environment) {
    if (m_setup.installCrashHandler)
        InstallCrashHandler(QDir::tempPath(), programName, buildDate);
    if (environment)
        m_env = std::move(environment);

    // The default profile file is named after the program, so a profile opened
    // before the name was known belongs to nobody.
    m_programName = programName;
    m_buildDate = buildDate;
    if (m_setup.profileFile.isEmpty())
        m_profile.reset();

    CountRun();
    ReadDefaultServer(arguments);

    if (m_setup.changeToProgramFolder) {
        const QString folder = ProgramFolder();
        if (!folder.isEmpty())
            QDir::setCurrent(folder);
    }

    if (!IsUpdateCheckDisabled())
        CheckForUpgrade();
    return true;
}

void CZELVAppCore::CountRun() {
    QSettings& profile = Profile();
    bool ok = false;
    long long runs = profile.value(QStringLiteral("Runtime/RunCount")).toLongLong(&ok);
    if (!ok || runs < 0)
        runs = 0;
    if (runs < LLONG_MAX)
        ++runs;
    m_runCount = runs;
    profile.setValue(QStringLiteral("Runtime/RunCount"), runs);

    const QDateTime now = QDateTime::fromSecsSinceEpoch(m_clock->Now());
    profile.setValue(QStringLiteral("Runtime/LastRunTime"),
                     QLocale::c().toString(now, QStringLiteral("dddd, MMMM dd, yyyy - HH:mm:ss")));

    QString guid = profile.value(QStringLiteral("Runtime/GUID")).toString().trimmed();
    if (guid.isEmpty()) {
        guid = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
        profile.setValue(QStringLiteral("Runtime/GUID"), guid);
    }
    m_guid = guid;
    profile.sync();
}

void CZELVAppCore::ReadDefaultServer(const QStringList& arguments) {
    QString text;
    QString source;
    if (!arguments.isEmpty() && !arguments.first().trimmed().isEmpty()) {
        text = arguments.first();
        source = QStringLiteral("on the command line");
    } else {
        text = Env(QStringLiteral("ZELVDEFAULTSERVER"));
        source = QStringLiteral("in ZELVDEFAULTSERVER");
    }
    m_defaultServer = ZELVServerAddress();
    m_serverError.clear();
    QString why;
    if (!ZELVServerAddress::Parse(text, &m_defaultServer, &why)) {
        m_serverError = QStringLiteral("The server address %1 was not used: %2").arg(source, why);
    }
    // The password as zelvadmin takes it, from the environment, so that none
    // need be written into an address on a command line.
    if (m_defaultServer.password.isEmpty())
        m_defaultServer.password = Env(QStringLiteral("KELMAR_PASSWORD"));
}

QString CZELVAppCore::ProgramFilePath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString CZELVAppCore::ProgramFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    const QString file = ProgramFilePath();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

// ---------------------------------------------------------------------------
// Configuration

QString CZELVAppCore::StripQuotes(const QString& text) {
    if (text.size() >= 2 && text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"'))
        return text.mid(1, text.size() - 2);
    return text;
}

bool CZELVAppCore::LoadConfig(const QString& path, QString* errorText) {
    QString file = path;
    const QString named = StripQuotes(Env(QStringLiteral("ZELVCONFIGFILE")).trimmed());
    if (!named.isEmpty())
        file = named;

    m_configLoaded = false;
    const bool read = m_config.ReadFile(file, errorText);
    // Reading replaces the whole configuration, the store's "variable" group
    // with it: bind a fresh store to what is there now, read or not.
    m_variables = std::make_unique<ZELVVariables>(m_config, *m_clock);
    if (!read)
        return false;
    ApplyVariables();
    m_configLoaded = true;
    return true;
}

void CZELVAppCore::ApplyVariables() {
    const ZELVSetting variables = m_config.Lookup(QStringLiteral("options/variables"));
    if (!variables.IsGroup())
        return;
    QSettings& profile = Profile();
    profile.beginGroup(QStringLiteral("variables"));
    for (int i = 0; i < variables.Count(); ++i) {
        const ZELVSetting member = variables.At(i);
        const QString name = member.Name();
        const std::optional<QString> value = member.AsString();
        if (name.isEmpty() || !value)
            continue;
        const QString plain = StripQuotes(*value);
        qputenv(name.toUtf8().constData(), plain.toUtf8());
        profile.setValue(name, plain);
    }
    profile.endGroup();
    profile.sync();
}

bool CZELVAppCore::IsNotificationSilenced(const QString& title, const QString& line1,
                                          const QString& line2) const {
    return m_configLoaded && ZELVNotificationSilenced(m_config, title, line1, line2);
}

bool ZELVNotificationSilenced(const ZELVConfig& config, const QString& title, const QString& line1,
                              const QString& line2) {
    if (!config.IsLoaded())
        return false;
    const ZELVSetting filters = config.Lookup(QStringLiteral("notifications/filters"));
    if (!filters.IsList())
        return false;
    const struct {
        const char* key;
        const QString& text;
    } fields[] = {{"title", title}, {"line1", line1}, {"line2", line2}};
    for (int i = 0; i < filters.Count(); ++i) {
        const ZELVSetting filter = filters.At(i);
        if (filter.Bool(QStringLiteral("disable")) != true)
            continue;
        bool all = true;
        for (const auto& field : fields) {
            const std::optional<QString> pattern = filter.String(QLatin1String(field.key));
            if (pattern && !CZELVFilter::Match(*pattern, field.text, CZELVFilter::kExtMatch)) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Upgrade check

bool CZELVAppCore::IsUpdateCheckDisabled() const {
    const QVariant value = m_machine->value(QStringLiteral("DisableUpdateCheck"));
    if (!value.isValid())
        return false;
    const QString text = value.toString().trimmed();
    bool ok = false;
    const long long n = text.toLongLong(&ok, 0);
    if (ok)
        return n != 0;
    const QString word = text.toLower();
    return word == QLatin1String("true") || word == QLatin1String("yes") ||
           word == QLatin1String("on");
}

QString CZELVAppCore::UpgradeHost() const {
    const QString host = m_machine->value(QStringLiteral("UpgradeHost")).toString().trimmed();
    return host.isEmpty() ? QString::fromLatin1(kDefaultUpgradeHost) : host;
}

QString CZELVAppCore::FormatBuildDate(const QString& buildDate) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringList parts = buildDate.simplified().split(QLatin1Char(' '));
    if (parts.size() != 3)
        return buildDate;
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (parts[0].compare(QLatin1String(months[m]), Qt::CaseInsensitive) == 0)
            month = m + 1;
    bool dayOk = false;
    bool yearOk = false;
    const int day = parts[1].toInt(&dayOk);
    const int year = parts[2].toInt(&yearOk);
    const QDate date(year, month, day);
    if (month == 0 || !dayOk || !yearOk || parts[2].size() != 4 || !date.isValid())
        return buildDate;
    return QLocale::c().toString(date, QStringLiteral("yyyy-MM-dd"));
}

QString CZELVAppCore::UserAgent() const {
    const ZELVSystemDescription s = DescribeSystem();
    return WithoutControls(
        QStringLiteral("%1/%2 (%3 %4 %5)")
            .arg(m_programName, FormatBuildDate(m_buildDate), s.os, s.build, s.processor));
}

QString ZELVUpgradeLocationFrom(long status, const QByteArray& rawHeaders) {
    if (status != 302)
        return QString();
    // Header names are case-insensitive, and only a header of its own counts
    // (not the tail of "Content-Location: ").
    static const QByteArray key = QByteArrayLiteral("location:");
    for (const QByteArray& rawLine : rawHeaders.split('\n')) {
        QByteArray line = rawLine;
        const qsizetype cr = line.indexOf('\r');
        if (cr >= 0)
            line.truncate(cr);
        if (line.size() < key.size() || line.left(key.size()).toLower() != key)
            continue;
        return QString::fromUtf8(line.mid(key.size()).trimmed());
    }
    return QString();
}

namespace {

// The raw headers of the final response; interim responses start over.
struct HeaderSink {
    static constexpr qsizetype kMax = 64 * 1024;
    QByteArray headers;
    bool complete = false;
};

size_t CollectHeader(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<HeaderSink*>(user);
    const size_t n = size * count;
    const QByteArray line(data, static_cast<qsizetype>(n));
    if (line.startsWith("HTTP/")) {
        sink->headers.clear();
        sink->complete = false;
    }
    if (line == "\r\n" || line == "\n")
        sink->complete = true;
    if (sink->headers.size() + line.size() <= HeaderSink::kMax)
        sink->headers.append(line);
    return n;
}

// The body is of no interest; stopping here saves waiting for it.
size_t RefuseBody(char*, size_t, size_t, void*) {
    return 0;
}

} // namespace

void CZELVAppCore::CheckForUpgrade() {
    m_upgradeLocation.clear();
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    QString base = UpgradeHost();
    if (!base.contains(QLatin1String("://")))
        base = QStringLiteral("http://") + base;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QByteArray url = (base + QStringLiteral("/version.cgi")).toUtf8();
    const QByteArray agent = UserAgent().toUtf8();

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl)
        return;
    HeaderSink sink;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    // curl has no separate send and receive limits: the whole exchange gets
    // the three 1.5 s allowances together, the connection its own one.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kUpgradeTimeoutMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 3 * kUpgradeTimeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // The loopback never goes through a proxy.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CollectHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &sink);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &RefuseBody);

    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK && !(rc == CURLE_WRITE_ERROR && sink.complete))
        return;
    if (!sink.complete)
        return;
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    m_upgradeLocation = ZELVUpgradeLocationFrom(status, sink.headers);
}

QString CZELVAppCore::ChangeLogAddress(const QString& module) const {
    QString page = m_machine->value(QStringLiteral("ChangeLogPage")).toString().trimmed();
    if (page.isEmpty()) {
        page = UpgradeHost();
        if (!page.contains(QLatin1String("://")))
            page = QStringLiteral("http://") + page;
        while (page.endsWith(QLatin1Char('/')))
            page.chop(1);
        page += QStringLiteral("/changelog.cgi");
    }
    QUrl url(page);
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("Module"),
                       QString::fromUtf8(QUrl::toPercentEncoding(module)));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

IZELVHttp& CZELVAppCore::Http() {
    if (!m_http)
        m_http = m_setup.http ? m_setup.http : std::make_shared<CZELVCurlHttp>(UserAgent());
    return *m_http;
}

bool CZELVAppCore::ReadChangeLog(const QString& module, CRSS* feed, QString* error) {
    const ZELVHttpReply reply = Http().Get(ChangeLogAddress(module), kMaxFeedBytes);
    if (!reply.ok200()) {
        if (error)
            *error = reply.error;
        return false;
    }
    return feed->Load(reply.body, error);
}

bool CZELVAppCore::FeedHasNewerBuild(const QString& module) {
    const QDate built = BuildDay(m_buildDate);
    CRSS feed;
    if (!built.isValid() || !ReadChangeLog(module, &feed))
        return false;
    const QDate newest = feed.Newest();
    return newest.isValid() && newest > built;
}

QString CZELVAppCore::ModuleName() {
    return QFileInfo(ProgramFilePath()).completeBaseName();
}

QDate CZELVAppCore::BuildDay(const QString& buildDate) {
    return QDate::fromString(FormatBuildDate(buildDate), Qt::ISODate);
}

// ---------------------------------------------------------------------------
// System description

ZELVSystemDescription CZELVAppCore::DescribeSystemFrom(const QByteArray& osRelease,
                                                       const QString& release,
                                                       const QString& machine) {
    QString os;
    for (const QByteArray& line : osRelease.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith("PRETTY_NAME="))
            os = OsReleaseValue(t.mid(12)); // the last assignment wins, as in a shell
    }
    os = WithoutControls(os).trimmed();
    ZELVSystemDescription d;
    const int n = ZELVSystemDescription::kMaxText;
    d.os = Truncated(os.isEmpty() ? QStringLiteral("Linux") : os, n);
    d.build = Truncated(QStringLiteral("build ") + release, n);
    const QString cpu = machine == QLatin1String("x86_64") ? QStringLiteral("x64")
                        : machine.isEmpty()                ? QStringLiteral("unknown")
                                                           : machine;
    d.processor = Truncated(cpu, n);
    return d;
}

ZELVSystemDescription CZELVAppCore::DescribeSystem(const QString& osReleaseFile) {
    // os-release is a few hundred bytes; a larger read is somebody else's file.
    constexpr qint64 kMaxRead = 64 * 1024;
    QByteArray text;
    QFile file(osReleaseFile);
    if (file.open(QIODevice::ReadOnly))
        text = file.read(kMaxRead);
    else if (osReleaseFile == QLatin1String("/etc/os-release")) {
        QFile vendor(QStringLiteral("/usr/lib/os-release"));
        if (vendor.open(QIODevice::ReadOnly))
            text = vendor.read(kMaxRead);
    }
    struct utsname u {};
    QString release;
    QString machine;
    if (uname(&u) == 0) {
        release = QString::fromUtf8(u.release);
        machine = QString::fromUtf8(u.machine);
    }
    return DescribeSystemFrom(text, release, machine);
}

ZELVSystemDescription CZELVAppCore::DescribeSystem() const {
    return DescribeSystem(m_setup.osReleaseFile);
}

// ---------------------------------------------------------------------------
// Upgrade utility and assistance mail

ZELVCommand CZELVAppCore::UpgradeCommand(const QString& part1, const QString& part2,
                                         const QString& programName) const {
    const QString self = ProgramFilePath();
    const QString module = programName.isEmpty() ? QFileInfo(self).completeBaseName() : programName;
    const QString folder = self.isEmpty() ? QDir::currentPath() : QFileInfo(self).absolutePath();
    // Arguments go to the program one by one, so they need no quoting here.
    ZELVCommand cmd;
    cmd.program = QDir(folder).absoluteFilePath(QStringLiteral("ZELVRenew"));
    cmd.arguments << module << m_buildDate << part1 + part2;
    return cmd;
}

bool CZELVAppCore::LaunchUpgrade(const QString& part1, const QString& part2,
                                 const QString& programName) const {
    const ZELVCommand cmd = UpgradeCommand(part1, part2, programName);
    return QProcess::startDetached(cmd.program, cmd.arguments);
}

QString CZELVAppCore::AssistanceSubject(const QString& programName) {
    return QStringLiteral("Question relating to %1").arg(programName);
}

QString CZELVAppCore::AssistanceBody(const QString& programName, const QString& buildDate,
                                     const ZELVSystemDescription& system) {
    return QStringLiteral(
               "Dear Support,\n\nI have a question relating to %1 that I would like your "
               "assistance with.\n\nMy issue is....(be as detailed as possible).\n\nI can "
               "replicate this issue by.... (be as detailed as possible).\n\n<DETAILS>%2 built "
               "on %3 and running on (%4 %5 %6)</DETAILS>.\n\nI look forward to your response. "
               "Thanks")
        .arg(programName, programName, buildDate, system.os, system.build, system.processor);
}

ZELVCommand CZELVAppCore::AssistanceMailCommand() const {
    ZELVCommand cmd;
    cmd.program = QStringLiteral("xdg-email");
    cmd.arguments << QStringLiteral("--subject") << AssistanceSubject(m_programName)
                  << QStringLiteral("--body")
                  << AssistanceBody(m_programName, m_buildDate, DescribeSystem())
                  << QString::fromLatin1(kSupportAddress);
    return cmd;
}

// ---------------------------------------------------------------------------
// Crash report

namespace {

// Everything the signal handler needs is prepared here, outside it.
char g_crashTempDir[4096];
char g_crashProgram[256];
char g_crashBuild[64];
// Lives as long as the process: the handler may run during static destruction.
constexpr size_t kCrashStackSize = 4 * 1024 * 1024;
alignas(16) char g_crashStack[kCrashStackSize];
bool g_crashStackSet = false;
constexpr int kCrashSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS};

void CopyInto(char* dst, size_t size, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::snprintf(dst, size, "%s", bytes.constData());
}

// One formatter for the handler and for CrashReportPath, so both name the same file.
void FormatCrashReportName(char* out, size_t size, const char* tempDir, time_t when, long pid) {
    struct tm t {};
    localtime_r(&when, &t);
    std::snprintf(out, size, "%s/ZELV-%u-%u-%ld.dmp", tempDir,
                  static_cast<unsigned>(t.tm_year + 1900), static_cast<unsigned>(t.tm_yday), pid);
}

void FormatCrashMessage(char* out, size_t size, const char* tempDir) {
    std::snprintf(out, size,
                  "This Program has terminated due to error.\n\nA debugging dump file has been "
                  "created at %s.\n\nIf you send us this file we can use it to fix the problem.",
                  tempDir);
}

const char* SignalName(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV (invalid memory reference)";
    case SIGABRT:
        return "SIGABRT (abort)";
    case SIGFPE:
        return "SIGFPE (arithmetic error)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    default:
        return "unexpected signal";
    }
}

void WriteAll(int fd, const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(fd, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void* FaultingInstruction(void* context) {
    auto* uc = static_cast<ucontext_t*>(context);
    if (!uc)
        return nullptr;
#if defined(__x86_64__)
    return reinterpret_cast<void*>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<void*>(uc->uc_mcontext.pc);
#else
    return nullptr;
#endif
}

void WriteCrashReport(FILE* f, int sig, siginfo_t* info, void* context) {
    const time_t now = std::time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    std::fprintf(f, "Program: %s\nBuilt: %s\nProcess: %ld\n", g_crashProgram, g_crashBuild,
                 static_cast<long>(::getpid()));
    std::fprintf(f, "Time: %04d-%02d-%02d %02d:%02d:%02d\n", t.tm_year + 1900, t.tm_mon + 1,
                 t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::fprintf(f, "Signal: %d %s\nFault address: %p\n\n", sig, SignalName(sig),
                 info ? info->si_addr : nullptr);
    std::fflush(f);

    backward::StackTrace st;
    void* const pc = FaultingInstruction(context);
    if (pc)
        st.load_from(pc, 64, context, info ? info->si_addr : nullptr);
    else
        st.load_here(64, context, info ? info->si_addr : nullptr);
    backward::Printer printer;
    printer.snippet = false;
    printer.address = true;
    printer.object = true;
    printer.color_mode = backward::ColorMode::never;
    printer.print(st, f);
    std::fputc('\n', f);
}

void CrashSignalHandler(int sig, siginfo_t* info, void* context) {
    // SA_RESETHAND has put back the default action: a second fault in here,
    // or the raise below, ends the process.
    if (g_crashTempDir[0] != '\0') {
        char path[sizeof g_crashTempDir + 64];
        FormatCrashReportName(path, sizeof path, g_crashTempDir, std::time(nullptr),
                              static_cast<long>(::getpid()));
        // No symbolic links: the temp folder is shared and the name is predictable.
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (FILE* f = ::fdopen(fd, "w")) {
                WriteCrashReport(f, sig, info, context);
                std::fclose(f);
                char message[sizeof g_crashTempDir + 256];
                FormatCrashMessage(message, sizeof message, g_crashTempDir);
                WriteAll(STDERR_FILENO, message);
                WriteAll(STDERR_FILENO, "\n");
            } else {
                ::close(fd);
            }
        }
    }
    ::raise(sig);
    ::_exit(128 + sig);
}

} // namespace

QString CZELVAppCore::CrashReportPath(const QString& tempDir, time_t when, long pid) {
    const QByteArray dir = tempDir.toLocal8Bit();
    char path[8192];
    FormatCrashReportName(path, sizeof path, dir.constData(), when, pid);
    return QString::fromLocal8Bit(path);
}

QString CZELVAppCore::CrashMessage(const QString& tempDir) {
    const QByteArray dir = tempDir.toLocal8Bit();
    char message[8192];
    FormatCrashMessage(message, sizeof message, dir.constData());
    return QString::fromLocal8Bit(message);
}

bool CZELVAppCore::InstallCrashHandler(const QString& tempDir, const QString& programName,
                                       const QString& buildDate) {
    CopyInto(g_crashTempDir, sizeof g_crashTempDir, tempDir);
    CopyInto(g_crashProgram, sizeof g_crashProgram, programName);
    CopyInto(g_crashBuild, sizeof g_crashBuild, buildDate);

    // Its own stack, so that a stack overflow can still be reported.
    if (!g_crashStackSet) {
        stack_t ss{};
        ss.ss_sp = g_crashStack;
        ss.ss_size = kCrashStackSize;
        g_crashStackSet = ::sigaltstack(&ss, nullptr) == 0;
    }

    bool ok = true;
    for (const int sig : kCrashSignals) {
        struct sigaction action {};
        action.sa_sigaction = &CrashSignalHandler;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER | SA_RESETHAND;
        sigfillset(&action.sa_mask);
        sigdelset(&action.sa_mask, sig);
        if (::sigaction(sig, &action, nullptr) != 0)
            ok = false;
    }
    return ok;
}
