#pragma once

#include <QString>

// The password the test fixtures give the owner of the embedded databases they
// make (an embedded user without one cannot log on).
inline QString ZelvTestPassword() {
    return QStringLiteral("fixture owner pass");
}
