#pragma once

#include <QString>
#include <cstdint>

// Result codes of the server calls. The low numbers are the outcome codes the
// scan pages hand back to the scanning window; the server's own start at 200.
enum ZELV10RCCode : uint32_t {
    ZELV10RC_OK = 0,
    ZELV10RC_WRONGCUSTOMER = 2,
    ZELV10RC_WRONGMEDIA = 3,
    ZELV10RC_NOTREAD = 4,
    ZELV10RC_ALREADYDEFINED = 10,
    ZELV10RC_CONTAINERELSEWHERE = 29,
    ZELV10RC_NOTINLIST = 61,
    ZELV10RC_JOURNALED = 62, // kept on the workstation until the server is back
    ZELV10RC_NOTUPDATED = 104,
    ZELV10RC_WRONGCONTAINER = 114,

    ZELV10RC_NOTLOGGEDON = 200,
    ZELV10RC_LOGONFAILED = 201,
    ZELV10RC_CONNECTIONLOST = 202,
    ZELV10RC_UNREACHABLE = 203,
    ZELV10RC_SCHEMATOONEW = 204,
    ZELV10RC_SCHEMAFAILED = 205,
    ZELV10RC_NOTADATABASE = 206,
    ZELV10RC_DAMAGED = 207,
    ZELV10RC_READONLY = 208,
    ZELV10RC_LOCKED = 209,
    ZELV10RC_CANNOTOPEN = 210,
    ZELV10RC_DATABASEERROR = 211,
    ZELV10RC_DISKFULL = 212,
    ZELV10RC_NORIGHTS = 213,
    ZELV10RC_NODATABASE = 214,

    ZELV10RC_BADIDENTIFIER = 220,
    ZELV10RC_TEXTTOOLONG = 221,
    ZELV10RC_BADTEXT = 222,
    ZELV10RC_BADVALUE = 223,

    ZELV10RC_NOCUSTOMER = 230,
    ZELV10RC_NOMEDIA = 231,
    ZELV10RC_NOREPOSITORY = 232,
    ZELV10RC_NOVOLUME = 233,
    ZELV10RC_NOCONTAINER = 234,
    ZELV10RC_NOCLUSTER = 235,
    ZELV10RC_NOCONSIGNMENT = 236,
    ZELV10RC_NOUSER = 237,
    ZELV10RC_NOGROUP = 238,
    ZELV10RC_NOZONE = 239,
    ZELV10RC_NOATTRIBUTE = 240,
    ZELV10RC_NOHOLIDAY = 241,

    ZELV10RC_EXISTS = 250,
    ZELV10RC_CHANGED = 251,
    ZELV10RC_NOTALLOWED = 253,

    ZELV10RC_BARCODEEMPTY = 260,
    ZELV10RC_BARCODETOOLONG = 261,
    ZELV10RC_BADBARCODE = 262,
    ZELV10RC_NODEFAULTS = 263,

    ZELV10RC_USERDISABLED = 270,
    ZELV10RC_WRONGPASSWORD = 271,
    ZELV10RC_PASSWORDREQUIRED = 272,
    ZELV10RC_NOPASSWORD = 273,
    ZELV10RC_TOOLARGE = 274,
};

// The result of a server call: a code, and for failures a detail that names
// what went wrong (the identifier, the file, the database's own message).
class CZELV10RC {
public:
    CZELV10RC() = default;
    CZELV10RC(uint32_t code) : m_code(code) {} // NOLINT: codes convert, as callers expect
    CZELV10RC(uint32_t code, const QString& detail) : m_code(code), m_detail(detail) {}

    // The flag is accepted for the callers' sake; success is code 0 either way.
    bool IsOK(int flag = 0) const {
        (void)flag;
        return m_code == ZELV10RC_OK;
    }
    uint32_t Code() const { return m_code; }
    const QString& Detail() const { return m_detail; }
    // The message text: the code's text, then ": " and the detail when there is one.
    QString Get() const;

    static QString TextOf(uint32_t code);

    bool operator==(const CZELV10RC& o) const { return m_code == o.m_code; }

private:
    uint32_t m_code = ZELV10RC_OK;
    QString m_detail;
};
