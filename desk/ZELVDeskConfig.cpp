#include "ZELVDeskConfig.h"

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

} // namespace ZELVDeskConfig
