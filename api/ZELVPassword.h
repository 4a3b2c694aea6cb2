#pragma once

#include "ZELV10RC.h"

#include <QString>

// Passwords the embedded store keeps: argon2id hashes (libsodium), never text.
namespace ZelvPassword {

// Checks the password's length, then hashes it; ZELV10RC_BADVALUE for one that
// is too short or too long.
CZELV10RC Hash(const QString& password, QString* hash);
bool Verify(const QString& hash, const QString& password);
// PostgreSQL's SCRAM-SHA-256 verifier of the password (random salt), so that a
// login's password is set without the text ever reaching the server.
CZELV10RC ScramVerifier(const QString& password, QString* verifier);
// 16 letters and digits from the system's random source.
QString Random();

} // namespace ZelvPassword
