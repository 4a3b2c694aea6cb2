#pragma once

#include <QString>

// A line of a rules log (the Scan-In Log, the Allocation Log) with its
// severity image: 0 information, 1 warning, 2 error.
struct CAllocationLine {
    int image = 0;
    QString text;
};
