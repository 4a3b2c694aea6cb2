#include "ZELVPassword.h"

#include "ZELV10MFC.h"

#include <sodium.h>

namespace {

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Sixteen characters: no 0/O, 1/l/I, so that one read out loud or copied by
// hand comes through.
constexpr char kAlphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
constexpr int kRandomLength = 16;
constexpr int kMaxLength = 1024;

} // namespace

namespace ZelvPassword {

CZELV10RC Hash(const QString& password, QString* hash) {
    if (password.size() < CZELV10MFC::kMinPasswordLength)
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("a password needs at least %1 characters")
                             .arg(CZELV10MFC::kMinPasswordLength));
    if (password.size() > kMaxLength)
        return CZELV10RC(
            ZELV10RC_TEXTTOOLONG,
            QStringLiteral("a password may have %1 characters at most").arg(kMaxLength));
    if (password.contains(QChar(0)))
        return CZELV10RC(ZELV10RC_BADTEXT, QStringLiteral("the password holds a NUL character"));
    if (!SodiumReady())
        return CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("libsodium cannot start"));
    char out[crypto_pwhash_STRBYTES];
    const QByteArray pw = password.toUtf8();
    if (crypto_pwhash_str(out, pw.constData(), static_cast<unsigned long long>(pw.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return CZELV10RC(ZELV10RC_DATABASEERROR,
                         QStringLiteral("out of memory while hashing the password"));
    *hash = QString::fromLatin1(out);
    return CZELV10RC();
}

bool Verify(const QString& hash, const QString& password) {
    if (hash.isEmpty() || !SodiumReady())
        return false;
    const QByteArray pw = password.toUtf8();
    const QByteArray h = hash.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), pw.constData(),
                                    static_cast<unsigned long long>(pw.size())) == 0;
}

QString Random() {
    QString out;
    if (!SodiumReady())
        return out;
    constexpr uint32_t n = sizeof(kAlphabet) - 1;
    for (int i = 0; i < kRandomLength; ++i)
        out += QLatin1Char(kAlphabet[randombytes_uniform(n)]);
    return out;
}

} // namespace ZelvPassword
