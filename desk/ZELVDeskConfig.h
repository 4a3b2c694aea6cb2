#pragma once

#include "ZELVConfig.h"

#include <QString>
#include <QStringList>
#include <optional>

// The settings ZELVDesk reads from ZELVDesk.cfg, by path, with their defaults.
// Every reader treats a setting of the wrong type as absent, so a mistyped
// value falls back to the default instead of stopping the program.
namespace ZELVDeskConfig {

inline constexpr const char* kFileName = "ZELVDesk.cfg";

inline constexpr const char* kDisableSpeech = "options/disablespeech";
inline constexpr const char* kLogFile = "options/logfile";
inline constexpr const char* kLocalRepositoryFilter = "options/localrepositoryfilter";
inline constexpr const char* kSetListDirectory = "options/setlistdirectory";
inline constexpr const char* kEmail = "options.email";
inline constexpr const char* kMenu = "options/menu";
inline constexpr const char* kChangers = "options/changers";
inline constexpr const char* kRouting = "routing";
inline constexpr const char* kAllocation = "allocation";

// Longest expanded logfile and command texts, and the list folder.
inline constexpr int kMaxExpandedPath = 1024;
inline constexpr int kMaxListDirectory = 256;
// Most mail recipients taken from options.email.
inline constexpr int kMaxMailRecipients = 256;

// true: no speech voice is created. Default false.
bool DisableSpeech(const ZELVConfig& config);
// The log folder as written (not expanded); none when absent.
std::optional<QString> LogFile(const ZELVConfig& config);
// Pattern a Repository identifier must match in the location lists. Default "*".
QString LocalRepositoryFilter(const ZELVConfig& config);
// Folder of the predefined Volume lists as written. Default "".
QString SetListDirectory(const ZELVConfig& config);
// The string elements of options.email, at most kMaxMailRecipients, up to the
// first element that is not a string.
QStringList MailRecipients(const ZELVConfig& config);

// One element of options/menu as the task menu reads it. Keys of the wrong type
// count as absent.
struct MenuElement {
    std::optional<QString> filter;
    bool hidden = false;
    std::optional<QString> text;
    std::optional<long long> sequence;
    std::optional<QString> command;
    QStringList filters;
    bool shell = false; // the command is run by /bin/sh
};
// The elements of options/menu in file order; an element that is not a group
// reads as an element with no keys (it has no effect).
QList<MenuElement> MenuElements(const ZELVConfig& config);

// One element of options/changers: the SCSI media changer of a library
// Repository, driven through mtx.
struct ChangerElement {
    QString repository;      // 4-character Repository-ID
    QString device;          // e.g. /dev/sg3
    int timeoutSeconds = 30; // longest wait for one mtx run (1 to 600)
};
// The elements of options/changers that name both a Repository and a device.
QList<ChangerElement> Changers(const ZELVConfig& config);
// The changer device of a Repository (compared over its 4 characters); empty
// when none is configured.
ChangerElement ChangerFor(const ZELVConfig& config, const QString& repository);

} // namespace ZELVDeskConfig
