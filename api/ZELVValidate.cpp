#include "ZELVValidate.h"

namespace ZelvValidate {

QString Shown(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        if (u == 0)
            out += QStringLiteral("\\0");
        else if (u < 0x20 || u == 0x7F)
            out += QString::asprintf("\\x%02X", u);
        else
            out += ch;
    }
    return out + QLatin1Char('"');
}

namespace {

CZELV10RC Check(const char* what, const QString& text, int maxLen, bool user) {
    const QString name = QString::fromUtf8(what);
    if (text.isEmpty())
        return CZELV10RC(ZELV10RC_BADIDENTIFIER, QStringLiteral("%1 is empty").arg(name));
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                        (u >= '0' && u <= '9') || u == '-' || u == '_' ||
                        (user && (u == '.' || u == '@'));
        if (!ok)
            return CZELV10RC(ZELV10RC_BADIDENTIFIER,
                             QStringLiteral("%1 %2 contains a character that is not allowed "
                                            "(only letters, digits, %3)")
                                 .arg(name, Shown(text),
                                      user ? QStringLiteral("\"-\", \"_\", \".\" and \"@\"")
                                           : QStringLiteral("\"-\" and \"_\"")));
    }
    if (text.size() > maxLen)
        return CZELV10RC(ZELV10RC_TEXTTOOLONG, QStringLiteral("%1 %2 is longer than %3 characters")
                                                   .arg(name, Shown(text))
                                                   .arg(maxLen));
    return CZELV10RC();
}

} // namespace

CZELV10RC Identifier(const char* what, const QString& text, int maxLen) {
    return Check(what, text, maxLen, false);
}

CZELV10RC UserIdentifier(const char* what, const QString& text, int maxLen) {
    return Check(what, text, maxLen, true);
}

CZELV10RC FreeText(const char* what, const QString& text, int maxBytes) {
    const QString name = QString::fromUtf8(what);
    if (text.contains(QChar(0)))
        return CZELV10RC(ZELV10RC_BADTEXT,
                         QStringLiteral("%1 %2 contains a NUL character").arg(name, Shown(text)));
    if (text.toUtf8().size() > maxBytes)
        return CZELV10RC(ZELV10RC_TEXTTOOLONG,
                         QStringLiteral("%1 is longer than %2 bytes").arg(name).arg(maxBytes));
    return CZELV10RC();
}

CZELV10RC ContainerPattern(const QString& pattern) {
    const QString error = CZELVFilter::Check(pattern, CZELVFilter::kExtMatch);
    if (error.isEmpty())
        return CZELV10RC();
    return CZELV10RC(
        ZELV10RC_BADVALUE,
        QStringLiteral("Container pattern %1 cannot be used. %2").arg(Shown(pattern), error));
}

namespace {

CZELV10RC Unusable(const QString& mediaType, const QString& pattern, const QString& error) {
    return CZELV10RC(ZELV10RC_BADVALUE,
                     QStringLiteral("Container pattern %1 of Media Type %2 cannot be used. %3")
                         .arg(Shown(pattern), mediaType, error));
}

} // namespace

CZELV10RC IsContainerByPattern(const QString& mediaType, const QString& pattern,
                               const QString& volume, bool* container) {
    *container = false;
    if (pattern.isEmpty())
        return CZELV10RC();
    const QString error = CZELVFilter::Check(pattern, CZELVFilter::kExtMatch);
    if (!error.isEmpty())
        return Unusable(mediaType, pattern, error);
    *container = CZELVFilter::Match(pattern, volume, CZELVFilter::kExtMatch);
    return CZELV10RC();
}

CZELV10RC IsContainerByPattern(const QString& mediaType, const CZELVFilter& pattern,
                               const QString& volume, bool* container) {
    *container = false;
    if (pattern.IsEmpty())
        return CZELV10RC();
    const QString error = pattern.Error();
    if (!error.isEmpty())
        return Unusable(mediaType, pattern.Pattern(), error);
    *container = pattern.Matches(volume);
    return CZELV10RC();
}

} // namespace ZelvValidate
