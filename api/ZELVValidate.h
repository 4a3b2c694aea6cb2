#pragma once

#include "ZELV10RC.h"
#include "ZELVFilter.h"
#include "ZELVFixedText.h"

#include <QString>

// Checks of what callers send, before anything reaches the database. Each
// failure names the field and shows the offending text with control
// characters made visible.
class ZELVCursor;
struct ZELV10IPDETAILS;

namespace ZelvValidate {

// A row of "when, user, machine, user's name" followed by the machine's
// client_connection columns (connections, first, last, interface, os,
// offset, zone; NULL when the machine never logged on) as update details.
ZELV10IPDETAILS UpdateDetailsRow(const ZELVCursor& c);

// The text as a message shows it: quoted, with NULs and other control
// characters written as \0, \x1F ...
QString Shown(const QString& text);

// Customer, Media, Repository and Volume identifiers: 1 to maxLen characters,
// letters, digits, "-" and "_" (a full stop would break "Customer.Media.Volume").
CZELV10RC Identifier(const char* what, const QString& text, int maxLen);
// User and group identifiers also take "." and "@" (login names).
CZELV10RC UserIdentifier(const char* what, const QString& text, int maxLen);
// Free texts (names, descriptions): any characters but NUL, at most maxBytes of UTF-8.
CZELV10RC FreeText(const char* what, const QString& text, int maxBytes);

// A Media Type's Container pattern, as it is stored: a wildcard pattern that
// can be used (empty: none).
CZELV10RC ContainerPattern(const QString& pattern);
// Whether a Media Type's Container pattern (read from the database) makes the
// Volume-ID a Container's. A pattern that cannot be used is an error naming
// the Media Type ("C.M"), not a no. Patterns stay compiled between calls.
CZELV10RC IsContainerByPattern(const QString& mediaType, const QString& pattern,
                               const QString& volume, bool* container);
// The same with the pattern compiled by the caller, for many Volumes.
CZELV10RC IsContainerByPattern(const QString& mediaType, const CZELVFilter& pattern,
                               const QString& volume, bool* container);

template <int N> CZELV10RC Field(const char* what, const ZELVFixedText<N>& field, bool identifier) {
    if (field.HasEmbeddedNul())
        return CZELV10RC(
            ZELV10RC_BADTEXT,
            QStringLiteral("%1 contains a NUL character").arg(QString::fromUtf8(what)));
    if (QString::fromUtf8(field.Data(), field.Length()).toUtf8() != field.Bytes())
        return CZELV10RC(ZELV10RC_BADTEXT,
                         QStringLiteral("%1 is not valid UTF-8").arg(QString::fromUtf8(what)));
    return identifier ? Identifier(what, field.Text(), N) : FreeText(what, field.Text(), N);
}

} // namespace ZelvValidate
