#pragma once

#include "ZELV10RC.h"

#include <QString>

// Passwords the embedded store keeps: argon2id hashes (libsodium), never text.
namespace ZelvPassword {

// Checks the password's length, then hashes it; ZELV10RC_BADVALUE for one that
// is too short or too long.
CZELV10RC Hash(const QString& password, QString* hash);
bool Verify(const QString& hash, const QString& password);
// 16 letters and digits from the system's random source.
QString Random();

} // namespace ZelvPassword
