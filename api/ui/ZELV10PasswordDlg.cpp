#include "ZELV10PasswordDlg.h"

#include "ZELV10MFC.h"
#include "ZELVPrompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* PasswordField(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QString Caption() {
    return QString::fromLatin1(CZELV10PasswordDlg::kCaption);
}

} // namespace

CZELV10PasswordDlg::CZELV10PasswordDlg(CZELV10MFC& connection, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_prompter(prompter) {
    setObjectName(QStringLiteral("passwordDialog"));
    setWindowTitle(Caption());

    auto* user = new QLabel(QStringLiteral("User-ID: %1").arg(connection.CurrentUser()), this);
    user->setObjectName(QStringLiteral("passwordUser"));
    user->setTextFormat(Qt::PlainText);

    m_old = PasswordField(this, QStringLiteral("passwordOld"));
    m_new = PasswordField(this, QStringLiteral("passwordNew"));
    m_confirm = PasswordField(this, QStringLiteral("passwordConfirm"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Old password:"), m_old);
    form->addRow(QStringLiteral("&New password:"), m_new);
    form->addRow(QStringLiteral("&Confirm new password:"), m_confirm);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("passwordButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CZELV10PasswordDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(user);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_old->setFocus();
}

void CZELV10PasswordDlg::SetOldPassword(const QString& text) {
    m_old->setText(text);
}

void CZELV10PasswordDlg::SetNewPassword(const QString& text, const QString& confirmation) {
    m_new->setText(text);
    m_confirm->setText(confirmation);
}

bool CZELV10PasswordDlg::OldPasswordIsRight() {
    // A logon of its own with the old password: the server checks it exactly
    // as it checks a logon, and the session in use is not disturbed.
    ZELVServerAddress address = m_connection.ServerAddress();
    address.password = m_old->text();
    CZELV10MFC probe;
    probe.SetProgramID(m_connection.ProgramID());
    probe.SetServerAddress(address);
    const CZELV10RC rc = probe.Logon(1);
    probe.Logoff();
    if (rc.IsOK() && probe.CurrentUser() == m_connection.CurrentUser())
        return true;
    if (rc.IsOK() || rc.Code() == ZELV10RC_WRONGPASSWORD) {
        m_prompter.Tell(QStringLiteral("The old password is not correct."), Caption(),
                        PromptIcon::Warning, this);
    } else {
        m_prompter.Tell(rc.Get(), Caption(), PromptIcon::Error, this);
    }
    m_old->clear();
    m_old->setFocus();
    return false;
}

void CZELV10PasswordDlg::accept() {
    const QString password = m_new->text();
    if (password.isEmpty()) {
        // An empty password would remove the protection altogether.
        m_prompter.Tell(QStringLiteral("Please enter a new password."), Caption(),
                        PromptIcon::Warning, this);
        m_new->setFocus();
        return;
    }
    if (password != m_confirm->text()) {
        m_prompter.Tell(QStringLiteral("The new password and its confirmation do not match."),
                        Caption(), PromptIcon::Warning, this);
        m_new->clear();
        m_confirm->clear();
        m_new->setFocus();
        return;
    }
    if (!OldPasswordIsRight())
        return;

    const CZELV10RC rc = m_connection.SetPassword(m_connection.CurrentUser(), password);
    if (!rc.IsOK()) {
        m_prompter.Tell(rc.Get(), Caption(), PromptIcon::Error, this);
        return;
    }
    // A later reconnect of this session must use the new password.
    ZELVServerAddress address = m_connection.ServerAddress();
    address.password = password;
    m_connection.SetServerAddress(address);
    m_prompter.Tell(QStringLiteral("Your password has been changed."), Caption(),
                    PromptIcon::Information, this);
    QDialog::accept();
}

bool ResetPassword(CZELV10MFC& connection, Prompter& prompter, QWidget* parent) {
    if (!connection.IsLoggedOn()) {
        prompter.Tell(CZELV10RC(ZELV10RC_NOTLOGGEDON).Get(), Caption(), PromptIcon::Error, parent);
        return false;
    }
    CZELV10PasswordDlg dialog(connection, prompter, parent);
    return dialog.exec() == QDialog::Accepted;
}
