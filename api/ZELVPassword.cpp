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

CZELV10RC Acceptable(const QString& password) {
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
    return CZELV10RC();
}

QByteArray Hmac(const QByteArray& key, const QByteArray& text) {
    QByteArray out(crypto_auth_hmacsha256_BYTES, Qt::Uninitialized);
    crypto_auth_hmacsha256_state st;
    crypto_auth_hmacsha256_init(&st, reinterpret_cast<const unsigned char*>(key.constData()),
                                static_cast<size_t>(key.size()));
    crypto_auth_hmacsha256_update(&st, reinterpret_cast<const unsigned char*>(text.constData()),
                                  static_cast<unsigned long long>(text.size()));
    crypto_auth_hmacsha256_final(&st, reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

} // namespace

namespace ZelvPassword {

CZELV10RC ScramVerifier(const QString& password, QString* verifier) {
    CZELV10RC rc = Acceptable(password);
    if (!rc.IsOK())
        return rc;
    if (!SodiumReady())
        return CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("libsodium cannot start"));
    // PostgreSQL prepares a password (SASLprep) before it derives the keys;
    // compatibility normalisation and plain spaces cover what people type.
    QString prepared = password.normalized(QString::NormalizationForm_KC);
    for (QChar& ch : prepared)
        if (ch.isSpace())
            ch = QLatin1Char(' ');
    const QByteArray pw = prepared.toUtf8();
    QByteArray salt(16, Qt::Uninitialized);
    randombytes_buf(salt.data(), static_cast<size_t>(salt.size()));
    // PBKDF2-HMAC-SHA256, one block of 32 bytes.
    constexpr int kIterations = 4096;
    QByteArray u = Hmac(pw, salt + QByteArray("\0\0\0\1", 4));
    QByteArray salted = u;
    for (int i = 1; i < kIterations; ++i) {
        u = Hmac(pw, u);
        for (int j = 0; j < salted.size(); ++j)
            salted[j] = static_cast<char>(salted[j] ^ u[j]);
    }
    const QByteArray clientKey = Hmac(salted, "Client Key");
    QByteArray storedKey(crypto_hash_sha256_BYTES, Qt::Uninitialized);
    crypto_hash_sha256(reinterpret_cast<unsigned char*>(storedKey.data()),
                       reinterpret_cast<const unsigned char*>(clientKey.constData()),
                       static_cast<unsigned long long>(clientKey.size()));
    const QByteArray serverKey = Hmac(salted, "Server Key");
    sodium_memzero(salted.data(), static_cast<size_t>(salted.size()));
    *verifier = QStringLiteral("SCRAM-SHA-256$%1:%2$%3:%4")
                    .arg(kIterations)
                    .arg(QString::fromLatin1(salt.toBase64()),
                         QString::fromLatin1(storedKey.toBase64()),
                         QString::fromLatin1(serverKey.toBase64()));
    return CZELV10RC();
}

CZELV10RC Hash(const QString& password, QString* hash) {
    CZELV10RC rc = Acceptable(password);
    if (!rc.IsOK())
        return rc;
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
