#pragma once

#include "ZELV10RC.h"

#include <QDialog>

class CZELV10MFC;
class Prompter;
class QLineEdit;

// The operator's own password change: the old password, the new one twice.
// OK checks the old password against the server with a logon of its own, then
// sets the new one for the current user; every problem is told through the
// prompter and the dialog stays open for another try.
class CZELV10PasswordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Change Password";

    CZELV10PasswordDlg(CZELV10MFC& connection, Prompter& prompter, QWidget* parent = nullptr);

    void SetOldPassword(const QString& text);
    void SetNewPassword(const QString& text, const QString& confirmation);

    void accept() override;

private:
    bool OldPasswordIsRight();

    CZELV10MFC& m_connection;
    Prompter& m_prompter;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new = nullptr;
    QLineEdit* m_confirm = nullptr;
};

// The own-password change behind ResetPassword with an empty User-ID: shows the
// dialog and returns true when the password was changed (on a central server,
// the password of the operator's database login).
bool ResetPassword(CZELV10MFC& connection, Prompter& prompter, QWidget* parent = nullptr);
