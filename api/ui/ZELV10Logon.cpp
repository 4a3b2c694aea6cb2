#include "ZELV10Logon.h"

#include "ZELVPrompter.h"

CZELV10RC ZelvLogonAsking(CZELV10MFC& connection, Prompter& prompter, QWidget* parent) {
    CZELV10RC rc = connection.Logon(1);
    bool asked = false;
    for (;;) {
        const uint32_t code = rc.Code();
        // A central server says only that the login failed once a password is
        // given; before that it says that it wants one.
        const bool wantsPassword = code == ZELV10RC_PASSWORDREQUIRED ||
                                   code == ZELV10RC_WRONGPASSWORD ||
                                   (asked && code == ZELV10RC_LOGONFAILED);
        if (!wantsPassword)
            return rc;
        ZELVServerAddress address = connection.ServerAddress();
        const QString text =
            QStringLiteral("%1\n\nPassword for %2:").arg(rc.Get(), address.Display());
        QString password;
        if (!prompter.AskSecret(text, QStringLiteral("Kelmar Server Logon"), &password, parent))
            return rc;
        asked = true;
        address.password = password;
        connection.SetServerAddress(address);
        rc = connection.Logon(1);
    }
}
