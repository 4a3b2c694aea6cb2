#include "ZELVDeskConfig.h"

#include <algorithm>

namespace ZELVDeskConfig {

bool DisableSpeech(const ZELVConfig& config) {
    return config.LookupBool(QString::fromLatin1(kDisableSpeech)).value_or(false);
}

std::optional<QString> LogFile(const ZELVConfig& config) {
    return config.LookupString(QString::fromLatin1(kLogFile));
}

QString LocalRepositoryFilter(const ZELVConfig& config) {
    return config.LookupString(QString::fromLatin1(kLocalRepositoryFilter))
        .value_or(QStringLiteral("*"));
}

QString SetListDirectory(const ZELVConfig& config) {
    return config.LookupString(QString::fromLatin1(kSetListDirectory)).value_or(QString());
}

QStringList MailRecipients(const ZELVConfig& config) {
    QStringList out;
    const ZELVSetting email = config.Lookup(QString::fromLatin1(kEmail));
    if (!email.IsArray() && !email.IsList())
        return out;
    for (int i = 0; i < email.Count() && i < kMaxMailRecipients; ++i) {
        const std::optional<QString> s = email.At(i).AsString();
        if (!s)
            break;
        out.append(*s);
    }
    return out;
}

QList<MenuElement> MenuElements(const ZELVConfig& config) {
    QList<MenuElement> out;
    const ZELVSetting menu = config.Lookup(QString::fromLatin1(kMenu));
    if (!menu.IsList() && !menu.IsArray())
        return out;
    for (int i = 0; i < menu.Count(); ++i) {
        const ZELVSetting element = menu.At(i);
        MenuElement e;
        if (element.IsGroup()) {
            e.filter = element.String(QStringLiteral("filter"));
            e.hidden = element.Bool(QStringLiteral("hidden")).value_or(false);
            e.text = element.String(QStringLiteral("text"));
            e.sequence = element.Int(QStringLiteral("sequence"));
            e.command = element.String(QStringLiteral("command"));
            e.filters = element.Member(QStringLiteral("filters")).AsStringList();
            e.shell = element.Bool(QStringLiteral("shell")).value_or(false);
        }
        out.append(e);
    }
    return out;
}

QList<ChangerElement> Changers(const ZELVConfig& config) {
    QList<ChangerElement> out;
    const ZELVSetting list = config.Lookup(QString::fromLatin1(kChangers));
    if (!list.IsList() && !list.IsArray())
        return out;
    for (int i = 0; i < list.Count(); ++i) {
        const ZELVSetting element = list.At(i);
        if (!element.IsGroup())
            continue;
        ChangerElement e;
        e.repository = element.String(QStringLiteral("repository")).value_or(QString()).trimmed();
        e.device = element.String(QStringLiteral("device")).value_or(QString()).trimmed();
        const long long timeout = element.Int(QStringLiteral("timeout")).value_or(30);
        e.timeoutSeconds = int(std::clamp(timeout, 1LL, 600LL));
        if (!e.repository.isEmpty() && !e.device.isEmpty())
            out.append(e);
    }
    return out;
}

ChangerElement ChangerFor(const ZELVConfig& config, const QString& repository) {
    for (const ChangerElement& e : Changers(config))
        if (e.repository.left(4) == repository.left(4))
            return e;
    return {};
}

} // namespace ZELVDeskConfig
