#pragma once

#include "ZELV10Records.h"

#include <QString>
#include <vector>

// A file of public holidays, one a line: "YYYY-MM-DD,Name" (a semicolon or a
// tab may stand for the comma); blank lines and "#" lines are skipped. False,
// with the line's number and what is wrong, for any line that is not such a
// holiday or a date given twice: nothing of such a file is taken.
bool ParseHolidayFile(const QString& text, const QString& customer,
                      std::vector<ZELVHOLIDAY>* holidays, QString* error);
