#pragma once

#include <QDialog>

class UpdateItemList;
class QTreeWidget;

// "Holiday Warning": the scanned Volumes whose requested dates are public
// holidays. "&Continue" ends with 1 (accepted), "&Return and edit dates" with 2.
class CHolidayWarningDlg : public QDialog {
    Q_OBJECT
public:
    CHolidayWarningDlg(const UpdateItemList& list, QWidget* parent = nullptr);
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list = nullptr;
};
