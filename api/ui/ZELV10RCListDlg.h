#pragma once

#include "ZELV10RCList.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

// The collected results of a bulk operation: one row per result with its note
// and message text, the OK and not-OK counts, and a button that copies the
// list as text (tab between note and result, one result a line).
class CZELV10RCListDlg : public QDialog {
    Q_OBJECT
public:
    explicit CZELV10RCListDlg(const CZELV10RCList& list, QWidget* parent = nullptr);

    // What "Copy" puts on the clipboard.
    QString ClipboardText() const;
    void CopyToClipboard() const;
    // "OK(%d) NotOK(%d)"
    static QString CountsText(const CZELV10RCList& list);

    // Shows the list modally and returns when the operator closes it (1). The
    // flag is accepted for the callers' sake; every list is shown. A class
    // member because X11's headers take the global name Display.
    static int Display(const CZELV10RCList& list, int flag = 0, QWidget* parent = nullptr);

private:
    CZELV10RCList m_list;
    QTreeWidget* m_tree = nullptr;
};
