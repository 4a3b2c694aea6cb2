#include "ZELV10RC.h"

QString CZELV10RC::TextOf(uint32_t code) {
    switch (code) {
    case ZELV10RC_OK:
        return QStringLiteral("OK");
    case ZELV10RC_WRONGCUSTOMER:
        return QStringLiteral("The Volume belongs to another Customer");
    case ZELV10RC_WRONGMEDIA:
        return QStringLiteral("The Volume belongs to another Media Type");
    case ZELV10RC_NOTREAD:
        return QStringLiteral("The Volume has not been read from the Kelmar Server");
    case ZELV10RC_ALREADYDEFINED:
        return QStringLiteral("The Volume is already defined on the Kelmar Server");
    case ZELV10RC_CONTAINERELSEWHERE:
        return QStringLiteral("The Container is moving to a different Repository");
    case ZELV10RC_NOTINLIST:
        return QStringLiteral("The Volume is not in the list");
    case ZELV10RC_NOTUPDATED:
        return QStringLiteral("The Volume has not been updated");
    case ZELV10RC_WRONGCONTAINER:
        return QStringLiteral("The Volume belongs to another Container");
    case ZELV10RC_JOURNALED:
        return QStringLiteral("Kept in the scanning journal until the server is back");

    case ZELV10RC_NOTLOGGEDON:
        return QStringLiteral("Not logged on to the Kelmar Server");
    case ZELV10RC_LOGONFAILED:
        return QStringLiteral("Logon to the Kelmar Server failed");
    case ZELV10RC_CONNECTIONLOST:
        return QStringLiteral("The connection to the Kelmar Server was lost; log on again");
    case ZELV10RC_UNREACHABLE:
        return QStringLiteral("The Kelmar Server cannot be reached");
    case ZELV10RC_SCHEMATOONEW:
        return QStringLiteral(
            "The database belongs to a newer version of this program and was left unchanged");
    case ZELV10RC_SCHEMAFAILED:
        return QStringLiteral(
            "The database could not be brought up to date and was left unchanged");
    case ZELV10RC_NOTADATABASE:
        return QStringLiteral("The file is not a Kelmar database");
    case ZELV10RC_DAMAGED:
        return QStringLiteral("The database file is damaged");
    case ZELV10RC_READONLY:
        return QStringLiteral("The database cannot be written (read-only)");
    case ZELV10RC_LOCKED:
        return QStringLiteral("The database is locked by another program; try again");
    case ZELV10RC_CANNOTOPEN:
        return QStringLiteral("The database cannot be opened");
    case ZELV10RC_DATABASEERROR:
        return QStringLiteral("The Kelmar Server reported an error");
    case ZELV10RC_DISKFULL:
        return QStringLiteral("The disk holding the database is full");
    case ZELV10RC_NORIGHTS:
        return QStringLiteral("This login has no rights to the Kelmar tables");
    case ZELV10RC_NODATABASE:
        return QStringLiteral("There is no Kelmar database here and this login may not create one");

    case ZELV10RC_BADIDENTIFIER:
        return QStringLiteral("Invalid identifier");
    case ZELV10RC_TEXTTOOLONG:
        return QStringLiteral("Text too long");
    case ZELV10RC_BADTEXT:
        return QStringLiteral("Invalid text");
    case ZELV10RC_BADVALUE:
        return QStringLiteral("Invalid value");

    case ZELV10RC_NOCUSTOMER:
        return QStringLiteral("Customer not found");
    case ZELV10RC_NOMEDIA:
        return QStringLiteral("Media Type not found");
    case ZELV10RC_NOREPOSITORY:
        return QStringLiteral("Repository not found");
    case ZELV10RC_NOVOLUME:
        return QStringLiteral("Volume not found");
    case ZELV10RC_NOCONTAINER:
        return QStringLiteral("Container not found");
    case ZELV10RC_NOCLUSTER:
        return QStringLiteral("Data-Cluster not found");
    case ZELV10RC_NOCONSIGNMENT:
        return QStringLiteral("Consignment not found");
    case ZELV10RC_NOUSER:
        return QStringLiteral("User not found");
    case ZELV10RC_NOGROUP:
        return QStringLiteral("User group not found");
    case ZELV10RC_NOZONE:
        return QStringLiteral("The slot lies in no zone");
    case ZELV10RC_NOATTRIBUTE:
        return QStringLiteral("Attribute not set");
    case ZELV10RC_NOHOLIDAY:
        return QStringLiteral("Not a public holiday");

    case ZELV10RC_EXISTS:
        return QStringLiteral("Already exists");
    case ZELV10RC_CHANGED:
        return QStringLiteral(
            "Changed by another user since it was read; read it again and repeat the change");
    case ZELV10RC_NOTALLOWED:
        return QStringLiteral("Not allowed");

    case ZELV10RC_BARCODEEMPTY:
        return QStringLiteral("The barcode is empty");
    case ZELV10RC_BARCODETOOLONG:
        return QStringLiteral("The barcode is longer than 10 characters");
    case ZELV10RC_BADBARCODE:
        return QStringLiteral("The barcode is not a Volume identifier");
    case ZELV10RC_NODEFAULTS:
        return QStringLiteral(
            "The barcode names no Customer and Media Type and there are no defaults");

    case ZELV10RC_USERDISABLED:
        return QStringLiteral("The user is disabled");
    case ZELV10RC_WRONGPASSWORD:
        return QStringLiteral("Wrong user or password");
    case ZELV10RC_PASSWORDREQUIRED:
        return QStringLiteral("The user has a password; give it to log on");
    case ZELV10RC_NOPASSWORD:
        return QStringLiteral("The user has no password yet; an administrator sets one");
    case ZELV10RC_TOOLARGE:
        return QStringLiteral("The file is larger than the server accepts");
    }
    return QString::asprintf("Unknown result code %u", code);
}

QString CZELV10RC::Get() const {
    const QString text = TextOf(m_code);
    return m_detail.isEmpty() ? text : text + QStringLiteral(": ") + m_detail;
}
