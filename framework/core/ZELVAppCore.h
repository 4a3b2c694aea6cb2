#pragma once

#include "ZELVClock.h"
#include "ZELVConfig.h"
#include "ZELVHttp.h"
#include "ZELVServerAddress.h"
#include "ZELVVariables.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <ctime>
#include <functional>
#include <memory>

// Looks up an environment variable; an empty text means "not set". Tests pass
// their own so that nothing depends on the shell the suite runs in.
using ZELVEnvironmentLookup = std::function<QString(const QString& name)>;

// Operating system, kernel build and processor, as the upgrade check's agent
// text and the assistance mail show them. Each text is at most kMaxText long.
struct ZELVSystemDescription {
    static constexpr int kMaxText = 129;
    QString os;        // "Debian GNU/Linux 12 (bookworm)", else "Linux"
    QString build;     // "build 6.1.0-18-amd64"
    QString processor; // "x64" for x86_64, else the machine name
};

// An outside program and its arguments, built separately from starting it so
// that the command can be checked without running anything.
struct ZELVCommand {
    QString program;
    QStringList arguments;
};

// What the application object takes from its surroundings. Every field has the
// production default; tests point the files somewhere private and switch off
// what would touch the process as a whole.
struct ZELVAppCoreSetup {
    // INI file of the per-user profile; empty: the user's "Brollyn/<program name>".
    QString profileFile;
    // INI file of the machine-wide switches; empty: the system-wide "Brollyn".
    QString machineFile;
    const ZELVClock* clock = nullptr; // null: the system clock
    bool changeToProgramFolder = true;
    bool installCrashHandler = true;
    QString osReleaseFile = QStringLiteral("/etc/os-release");
    // The release feed's transport; null: libcurl.
    std::shared_ptr<IZELVHttp> http;
};

class CRSS;

// The non-visual half of the application base: run statistics, installation
// identity, default server, configuration loading, upgrade check, crash report,
// notification filters and the commands for upgrades and assistance mails.
// Nothing here shows a window; texts meant for the operator are handed back.
class CZELVAppCore {
public:
    static constexpr const char* kConfigErrorCaption = "Configuration Error";
    static constexpr const char* kDefaultUpgradeHost = "update.brollyn.com";
    static constexpr const char* kSupportAddress = "support@brollyn.com";
    static constexpr const char* kSupportWebSite = "https://www.brollyn.com/support";
    static constexpr long kUpgradeTimeoutMs = 1500;

    explicit CZELVAppCore(ZELVAppCoreSetup setup = {});
    virtual ~CZELVAppCore();
    CZELVAppCore(const CZELVAppCore&) = delete;
    CZELVAppCore& operator=(const CZELVAppCore&) = delete;

    // Start-up: crash handler, run statistics, installation identity, default
    // server from the first argument (arguments without the program's own name)
    // or ZELVDEFAULTSERVER, the program's folder as current directory, and the
    // upgrade check unless the machine disables it. A null lookup reads the
    // process environment. Nothing here stops the start-up.
    bool InitBase(const QString& programName, const QString& buildDate,
                  const QStringList& arguments, ZELVEnvironmentLookup environment = {});

    // Reads the configuration file (or the one ZELVCONFIGFILE names) and puts
    // its "options/variables" into the environment and the profile. On failure
    // *errorText gets the message to show under kConfigErrorCaption, the
    // configuration stays empty and every setting takes its default.
    bool LoadConfig(const QString& path, QString* errorText = nullptr);

    // Asks the upgrade host for "version.cgi"; only a 302 leaves a location.
    void CheckForUpgrade();
    bool HasUpgrade() const { return !m_upgradeLocation.isEmpty(); }
    const QString& GetUpgradeLocation() const { return m_upgradeLocation; }
    // "host[:port]" or an http(s) address from the machine-wide "UpgradeHost".
    QString UpgradeHost() const;
    bool IsUpdateCheckDisabled() const;
    // "%s/%s (%s %s %s)": program, build date as "%Y-%m-%d", system description.
    QString UserAgent() const;

    // The release feed of a module: "%s?Module=%s" on the change-log page
    // (the machine-wide "ChangeLogPage", else changelog.cgi on the upgrade host).
    static constexpr qint64 kMaxFeedBytes = 16 * 1024 * 1024;
    QString ChangeLogAddress(const QString& module) const;
    // Fetches and parses it; false with *error when it could not be read.
    bool ReadChangeLog(const QString& module, CRSS* feed, QString* error = nullptr);
    // Whether the module's feed lists a change published after the build date.
    bool FeedHasNewerBuild(const QString& module);
    // This program's module name: its file name without folder and extension.
    static QString ModuleName();
    IZELVHttp& Http();
    // The build date as a day; invalid when it is not in the compiler's form.
    static QDate BuildDay(const QString& buildDate);

    // Whether a configured filter silences this notification.
    bool IsNotificationSilenced(const QString& title, const QString& line1,
                                const QString& line2) const;

    // ZELVRenew from the program's folder with its three arguments: module
    // (the caller's name or this program's file name without extension),
    // build date, and the caller's two texts joined. It runs as the user: only
    // its install step asks for the administrator's rights.
    ZELVCommand UpgradeCommand(const QString& part1, const QString& part2,
                               const QString& programName = {}) const;
    // Starts that command without waiting for it.
    bool LaunchUpgrade(const QString& part1, const QString& part2,
                       const QString& programName = {}) const;

    // xdg-email with the assistance request's subject and body, addressed to
    // support; the user's mail program shows it for editing before sending.
    ZELVCommand AssistanceMailCommand() const;
    static QString AssistanceSubject(const QString& programName);
    static QString AssistanceBody(const QString& programName, const QString& buildDate,
                                  const ZELVSystemDescription& system);

    ZELVSystemDescription DescribeSystem() const;
    static ZELVSystemDescription DescribeSystem(const QString& osReleaseFile);
    // The description from an os-release text and uname's release and machine.
    static ZELVSystemDescription DescribeSystemFrom(const QByteArray& osRelease,
                                                    const QString& release, const QString& machine);

    // "Aug 14 2018" (the compiler's date form) as "2018-08-14"; text that is not
    // such a date comes back unchanged.
    static QString FormatBuildDate(const QString& buildDate);
    // Removes one pair of surrounding double quotes.
    static QString StripQuotes(const QString& text);

    // Crash report: on a fatal signal write "<tempDir>/ZELV-<year>-<day of
    // year from 0>-<pid>.dmp" with the signal and a stack trace, tell the user
    // on stderr, then let the process die of the signal. Returns false when the
    // handler could not be installed.
    static bool InstallCrashHandler(const QString& tempDir, const QString& programName,
                                    const QString& buildDate);
    static QString CrashReportPath(const QString& tempDir, time_t when, long pid);
    static QString CrashMessage(const QString& tempDir);

    // The program's executable and its folder.
    static QString ProgramFilePath();
    static QString ProgramFolder();

    const QString& ProgramName() const { return m_programName; }
    const QString& BuildDate() const { return m_buildDate; }
    const QString& InstallationId() const { return m_guid; }
    long long RunCount() const { return m_runCount; }
    const ZELVServerAddress& DefaultServer() const { return m_defaultServer; }
    // Why the given server address was refused; empty when it was fine.
    const QString& ServerAddressError() const { return m_serverError; }
    bool IsConfigLoaded() const { return m_configLoaded; }
    const ZELVConfig& Config() const { return m_config; }
    // The application's variable store, kept in the configuration; its Expand
    // is the variable expansion of configured folders and commands.
    ZELVVariables& Variables() { return *m_variables; }
    QSettings& Profile();
    const QSettings& MachineSettings() const { return *m_machine; }
    const ZELVClock& Clock() const { return *m_clock; }
    void SetEnvironment(ZELVEnvironmentLookup environment);

private:
    QString Env(const QString& name) const;
    void CountRun();
    void ReadDefaultServer(const QStringList& arguments);
    void ApplyVariables();

    ZELVAppCoreSetup m_setup;
    const ZELVClock* m_clock;
    ZELVEnvironmentLookup m_env;
    std::unique_ptr<QSettings> m_profile;
    std::unique_ptr<QSettings> m_machine;
    ZELVConfig m_config;
    std::unique_ptr<ZELVVariables> m_variables;
    bool m_configLoaded = false;
    QString m_programName;
    QString m_buildDate;
    QString m_guid;
    long long m_runCount = 0;
    ZELVServerAddress m_defaultServer;
    QString m_serverError;
    QString m_upgradeLocation;
    std::shared_ptr<IZELVHttp> m_http;
};

// Step one of showing a notification: true when the configuration is loaded and
// a member of "notifications/filters" with "disable" true has every present
// pattern ("title", "line1", "line2") matching. A member with no pattern
// silences everything.
bool ZELVNotificationSilenced(const ZELVConfig& config, const QString& title, const QString& line1,
                              const QString& line2);

// The upgrade location of a response: only status 302 counts, and the text after
// "Location: " up to the end of its line.
QString ZELVUpgradeLocationFrom(long status, const QByteArray& rawHeaders);
