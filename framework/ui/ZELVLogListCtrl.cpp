#include "ZELVLogListCtrl.h"

#include <QHeaderView>
#include <QTableView>
#include <cstdarg>

CZELVLogListCtrl::CZELVLogListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    // Entries stay in the order they happened.
    SetSortOnClick(false);
}

void CZELVLogListCtrl::Setup(int informationIcon, int warningIcon, int errorIcon) {
    LoadIcons({informationIcon, warningIcon, errorIcon});
    if (GetColumnCount() == 0)
        InsertColumn(0, QStringLiteral("Entry"));
    SizeColumnToHeader(0);
}

int CZELVLogListCtrl::AddLine(int image, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const QString text = QString::vasprintf(format ? format : "", args);
    va_end(args);
    return AddLine(image, text);
}

int CZELVLogListCtrl::AddLine(int image, const QString& text) {
    const int row = InsertItem(GetItemCount(), text.left(kMaxLine), image);
    // The newest decision is the one the operator wants to read.
    EnsureVisible(row);
    return row;
}
