#pragma once

#include "ZELVListCtrl.h"

// The activity list of the scanning pages: one "Entry" column and a severity
// image per line (0 information, 1 warning, 2 error). It shows the routing
// and allocation decisions to the operator and is never written to the
// transaction log.
class CZELVLogListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Severity { Information = 0, Warning = 1, Error = 2 };
    static constexpr int kMaxLine = 256;

    explicit CZELVLogListCtrl(QWidget* parent = nullptr);

    // The three icons (resource numbers) and the column.
    void Setup(int informationIcon = 369, int warningIcon = 389, int errorIcon = 368);
    // Appends a line of at most 256 characters as the new last row; returns its row.
    int AddLine(int image, const char* format, ...) __attribute__((format(printf, 3, 4)));
    int AddLine(int image, const QString& text);
};
