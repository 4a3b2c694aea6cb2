#pragma once

#include "ZELVDate.h"
#include "ZELVFixedText.h"

#include <array>
#include <cstdint>

// The records exchanged with the Kelmar Server. Text fields keep their fixed
// widths (ZELVFixedText) so that the pages' "%.*s" cuts hold; numbers are host
// integers. Fields the server computes are marked "read only": Add and Update
// ignore them.

// Widths of the text fields.
constexpr int kZelvCustomerIdLen = 4;
constexpr int kZelvMediaIdLen = 4;
constexpr int kZelvRepositoryIdLen = 4;
constexpr int kZelvVolumeIdLen = 10;
constexpr int kZelvUserIdLen = 16;
constexpr int kZelvGroupIdLen = 16;
constexpr int kZelvCustomerNameLen = 40;
constexpr int kZelvMediaNameLen = 20;
constexpr int kZelvRepositoryNameLen = 20;
constexpr int kZelvZoneNameLen = 20;
constexpr int kZelvClusterNameLen = 80;
constexpr int kZelvUserNameLen = 40;
constexpr int kZelvEmailLen = 320;
constexpr int kZelvRoleNameLen = 20;
constexpr int kZelvDescriptionLen = 256;
// Move dates the server takes in an Update: 1970-01-01 to the last day CZELVDate holds.
constexpr int kZelvFirstMoveYear = 1970;
constexpr int kZelvPatternLen = 40;
constexpr int kZelvConsignmentTextLen = 40;
constexpr int kZelvConsignmentCommentLen = 100;
constexpr int kZelvConsignmentComments = 4;
constexpr int kZelvAttributeTypes = 200;
constexpr int kZelvAttributeNameLen = 40;
constexpr int kZelvServerNameLen = 40;
constexpr int kZelvHolidayNameLen = 40;

// Volume flag word.
constexpr uint32_t ZELVVOL_AUDITFAILED = 0x00000001u; // failed the last audit
constexpr uint32_t ZELVVOL_SCRATCH = 0x00000002u;     // a scratch (free) Volume
constexpr uint32_t ZELVVOL_SIMPLE = 0x00000004u;      // under Simple Management
constexpr uint32_t ZELVVOL_SCANNEDOUT = 0x00000008u;  // scanned out, on its way
constexpr uint32_t ZELVVOL_MOVEDATE = 0x00000010u;    // a move date is set (server kept)
constexpr uint32_t ZELVVOL_SCHEDULED = 0x00000020u;   // move scheduled, not yet due (read only)
constexpr uint32_t ZELVVOL_MOVING = 0x00000040u;      // target differs from current (server kept)
constexpr uint32_t ZELVVOL_AUDITDUPLICATE = 0x00000100u; // scanned twice in the last audit
constexpr uint32_t ZELVVOL_DESCRIPTION =
    0x00001000u;                                    // description held as attribute 0 (server kept)
constexpr uint32_t ZELVVOL_TAG = 0x00008000u;       // Container tag present
constexpr uint32_t ZELVVOL_HIDDEN = 0x00010000u;    // hidden from lists
constexpr uint32_t ZELVVOL_CONTAINER = 0x00020000u; // the Volume is a Container (server kept)
constexpr uint32_t ZELVVOL_AUDITPASSED = 0x00200000u; // passed the last audit
constexpr uint32_t ZELVVOL_OVERDUE = 0x40000000u; // moving longer than its threshold (read only)
// Bits only the server sets; whatever a caller writes there is replaced.
constexpr uint32_t ZELVVOL_SERVERBITS = ZELVVOL_MOVEDATE | ZELVVOL_SCHEDULED | ZELVVOL_MOVING |
                                        ZELVVOL_DESCRIPTION | ZELVVOL_CONTAINER | ZELVVOL_OVERDUE;

// Repository flag word.
constexpr uint32_t ZELVREP_SIMPLE = 0x00000002u; // Simple Management
constexpr uint32_t ZELVREP_HOME1 = 0x00000040u;  // with ZELVREP_HOME2: the home Repository
constexpr uint32_t ZELVREP_HOME2 = 0x00000080u;
constexpr uint32_t ZELVREP_HOME = ZELVREP_HOME1 | ZELVREP_HOME2;
constexpr uint32_t ZELVREP_SCRATCHPOOL = 0x00004000u; // keeps a pool of scratch Volumes
constexpr uint32_t ZELVREP_AUTOCONFIRM = 0x00008000u; // arrivals are confirmed at once
constexpr uint32_t ZELVREP_HIDDEN = 0x00400000u;      // not shown in Repository lists
constexpr uint32_t ZELVREP_TAGREQUIRED = 0x00800000u; // Containers need a tag
// Bits that a Customer and Media Type may set for themselves (ZELVREPOSITORYFULL).
constexpr uint32_t ZELVREP_LOCALBITS = ZELVREP_HOME | ZELVREP_SCRATCHPOOL | ZELVREP_HIDDEN;

// Repository types (the image index of the Repository lists).
enum ZELVRepositoryType : uint16_t {
    ZELVREPTYPE_INITIAL = 0,
    ZELVREPTYPE_DATACENTRE = 1,
    ZELVREPTYPE_VAULT = 2, // off-site
    ZELVREPTYPE_LIBRARY = 3,
    ZELVREPTYPE_TRANSIT = 4,
    ZELVREPTYPE_HOME = 5,
    ZELVREPTYPE_RECOVERY = 6, // off-site recovery site
    ZELVREPTYPE_COURIER = 7,
    ZELVREPTYPE_OTHER = 8,
};

// Customer, Media Type and user flags.
constexpr uint32_t ZELVCUST_EXCLUDED = 0x00000008u;
constexpr uint32_t ZELVMEDIA_DOUBLEMOVE = 0x00002000u;
constexpr uint32_t ZELVMEDIA_NOHEALTH = 0x00020000u;
constexpr uint32_t ZELVMEDIA_HIDDEN = 0x00040000u;
constexpr uint32_t ZELVCLUSTER_SELECTABLE = 0x00000001u;
constexpr uint32_t ZELVUSER_DISABLED = 0x00000080u;
constexpr uint32_t ZELVUSER_ROLEMASK = 0x0E000000u;
constexpr int ZELVUSER_ROLESHIFT = 25;

// Barcode parse flags.
constexpr uint32_t ZELVPARSED_DEFINED = 0x00000002u;
constexpr uint32_t ZELVPARSED_CONTAINER = 0x00000200u;

// Consignment states (EditConsignment).
enum ZELVConsignmentStatus : uint32_t {
    ZELVCONSIGN_OPEN = 0,
    ZELVCONSIGN_CAST = 1,
    ZELVCONSIGN_DELIVERED = 2,
    ZELVCONSIGN_CANCELLED = 3,
};

// Days values of the health inputs when the event never happened.
constexpr uint16_t kZelvNeverDays = 65535;

struct ZELVSERVERID {
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVFixedText<kZelvUserNameLen> userName;
    ZELVFixedText<kZelvGroupIdLen> groupId;
    uint32_t userFlags = 0;
    ZELVFixedText<36> serverId; // identity made when the database was created
    ZELVFixedText<kZelvServerNameLen> serverName;
    ZELVFixedText<40> engine;   // "SQLite 3.40.1", "PostgreSQL 15.5" (read only)
    uint32_t schemaVersion = 0; // read only
    uint32_t programId = 0;     // SetProgramID of this connection (read only)
};

struct ZELVUSER {
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVFixedText<kZelvUserNameLen> name;
    ZELVFixedText<kZelvEmailLen> email;
    ZELVFixedText<kZelvGroupIdLen> groupId;
    uint32_t flags = 0; // ZELVUSER_DISABLED, role in bits 25 to 27
    uint32_t Role() const { return (flags & ZELVUSER_ROLEMASK) >> ZELVUSER_ROLESHIFT; }
};
struct ZELVUSERFULL : ZELVUSER {};
struct ZELVUSEREx {
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVUSER user;
};

struct ZELVGROUP {
    ZELVFixedText<kZelvGroupIdLen> groupId;
    ZELVFixedText<kZelvUserNameLen> name;
    std::array<ZELVFixedText<kZelvRoleNameLen>, 8> roleNames;
};

struct ZELVCUST {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvCustomerNameLen> name;
    uint32_t flags = 0; // ZELVCUST_EXCLUDED
};
struct ZELVCUSTEx : ZELVCUST {
    // Read only: counted from the Volume rows at the moment of the call.
    uint32_t volumes = 0;
    uint32_t moves = 0;      // Volumes with a target other than where they are
    uint16_t chartCount = 0; // Media Types that are not hidden and hold Volumes
    // Health inputs kept with the Customer.
    uint16_t drStrategies = 0;
    uint16_t drErrors = 0;
    uint16_t drDays = kZelvNeverDays; // read only: days since drLastRun
    int64_t drLastRun = 0;            // seconds since 1970, 0 = never
    uint16_t auditFailures = 0;
    uint64_t version = 0; // row version: Update carries what Get read
};

struct ZELVMEDIA {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    ZELVFixedText<kZelvMediaNameLen> name;
    uint32_t flags = 0;
    // Wildcard pattern of the Volume identifiers that are Containers.
    ZELVFixedText<kZelvPatternLen> containerPattern;
};
struct ZELVMEDIAEx : ZELVMEDIA {
    // Read only.
    uint32_t volumes = 0;
    uint32_t moves = 0;
    uint32_t scratchDeficit = 0;
    uint32_t overdue = 0;
    uint16_t syncDays = kZelvNeverDays;
    uint16_t offsiteDays = kZelvNeverDays;
    int64_t lastSync = 0;    // seconds since 1970, 0 = never (written by Update)
    int64_t lastOffsite = 0; // read only: last arrival at an off-site Repository
    uint64_t version = 0;
};
struct ZELVMEDIASMALL {
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    ZELVFixedText<kZelvMediaNameLen> name;
    uint32_t flags = 0;
};

struct ZELVREPOSITORY {
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    ZELVFixedText<kZelvRepositoryNameLen> name;
    uint32_t flags = 0;
    // Where this Repository's Volumes go next (the rotation); empty for none.
    ZELVFixedText<kZelvRepositoryIdLen> nextRepositoryId;
    uint16_t type = ZELVREPTYPE_OTHER; // ZELVRepositoryType
    uint64_t version = 0;
};
// A Repository as one Customer and Media Type see it.
struct ZELVREPOSITORYFULL : ZELVREPOSITORY {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    uint32_t localFlags = 0; // the ZELVREP_LOCALBITS of this Customer and Media Type
    uint16_t scratchRequired = 0;
    // Read only: counted over this Customer's Volumes of this Media Type.
    uint16_t scannedOut = 0;
    uint16_t scratch = 0;
    uint32_t volumes = 0;
    uint16_t incoming = 0;
    uint16_t outgoing = 0;
};

// A zone of slots in a library Repository: slots first .. first + count - 1.
struct ZELVZONE {
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    ZELVFixedText<kZelvZoneNameLen> name;
    uint32_t firstSlot = 0;
    uint32_t slotCount = 0;
};

struct ZELVABSLOC {
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    uint32_t slot = 0;
    ZELVFixedText<kZelvZoneNameLen> zoneName; // empty when the slot is in no zone
    uint32_t zoneSlot = 0;                    // 1 = the zone's first slot
};

struct ZELVVOLSKey {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    ZELVFixedText<kZelvVolumeIdLen> volumeId;
    // "%s.%s.%s"
    QString Text() const;
};

struct ZELVVOLLOC {
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    uint32_t slot = 0;
};

enum ZELVVolumeLocation { ZELVLOC_TARGET = 0, ZELVLOC_CURRENT = 1, ZELVLOC_CONFIRM = 2 };

struct ZELVVOLS {
    uint32_t flags = 0;
    // Target (where it goes), current (where it is), confirmation (where it
    // was just seen: Get returns it empty; an Update that fills it confirms).
    std::array<ZELVVOLLOC, 3> location;
    CZELVDate moveDate;   // next move date when flags has ZELVVOL_MOVEDATE
    int64_t moveTime = 0; // seconds since 1970 since which it is moving (Add: a past time is kept)
    uint16_t threshold = 0; // overdue threshold in minutes, 0 = none
    uint32_t dataCluster = 0;
    uint32_t container = 0; // a Container's own number, or the Container it travels in
    uint32_t consignment = 0;
    uint8_t capacity = 0; // Containers: most Volumes it takes, 0 = no limit
    uint64_t version = 0; // row version: Update carries what Get read

    ZELVVOLLOC& Target() { return location[ZELVLOC_TARGET]; }
    ZELVVOLLOC& Current() { return location[ZELVLOC_CURRENT]; }
    ZELVVOLLOC& Confirmation() { return location[ZELVLOC_CONFIRM]; }
    const ZELVVOLLOC& Target() const { return location[ZELVLOC_TARGET]; }
    const ZELVVOLLOC& Current() const { return location[ZELVLOC_CURRENT]; }
    const ZELVVOLLOC& Confirmation() const { return location[ZELVLOC_CONFIRM]; }
    bool IsContainer() const { return (flags & ZELVVOL_CONTAINER) != 0; }
};

struct ZELVVOLSEx {
    ZELVVOLSKey key;
    ZELVVOLS vol;
};
struct ZELVVOLSFULL : ZELVVOLSEx {
    uint32_t used = 0; // read only: Volumes travelling in this Container
};

// List filter: every bit of mustSet set and no bit of mustClear.
struct ZELVVOLFLAGS {
    uint32_t mustSet = 0;
    uint32_t mustClear = 0;
};

struct ZELVVOLABS {
    ZELVVOLSKey key;
    ZELVABSLOC current;
    ZELVABSLOC target;
};

struct ZELV10CONTAINER {
    uint32_t number = 0;
    ZELVVOLSKey key; // the Container Volume
};

struct ZELVCLUSTEREx {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    uint32_t number = 0; // 1-based position in the Customer's list; given by Add
    ZELVFixedText<kZelvClusterNameLen> name;
    uint32_t flags = ZELVCLUSTER_SELECTABLE;
};
struct ZELVCLUSTERFULL : ZELVCLUSTEREx {
    uint32_t volumes = 0; // read only
};

struct ZELVCONSIGNEx {
    uint32_t number = 0; // given by Put
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    std::array<ZELVFixedText<kZelvConsignmentCommentLen>, kZelvConsignmentComments> comments;
    ZELVFixedText<kZelvConsignmentTextLen> description;
    int64_t required = 0;                    // seconds since 1970, 0 = no required time
    uint32_t status = ZELVCONSIGN_OPEN;      // read only: EditConsignment changes it
    int64_t created = 0;                     // read only
    ZELVFixedText<kZelvUserIdLen> createdBy; // read only
};

struct ZELVATTRIBUTE {
    ZELVFixedText<kZelvDescriptionLen> value;
};
struct ZELVATTRIBUTEEx {
    ZELVVOLSKey key;
    uint32_t number = 0; // 0 = description, 1 to 200 Customer defined
    ZELVFixedText<kZelvDescriptionLen> value;
};
struct ZELVATTRIBUTEFULL : ZELVATTRIBUTEEx {};

struct ZELVATTRIBUTETYPEENTRY {
    uint32_t flags = 0;                        // bits 2 to 4: 0 text, 1 date, 2 number, 3 yes/no
    ZELVFixedText<kZelvAttributeNameLen> name; // empty = not defined
};
struct ZELVATTRIBUTETYPE {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    std::array<ZELVATTRIBUTETYPEENTRY, kZelvAttributeTypes> entries; // numbers 1 to 200
};

// A public holiday: of one Customer's account, or of every Customer when the
// Customer is empty.
struct ZELVHOLIDAY {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    CZELVDate day; // a calendar date
    ZELVFixedText<kZelvHolidayNameLen> name;
};

struct ZELV10BARCODEPARSED {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    ZELVFixedText<kZelvVolumeIdLen> volumeId;
    uint32_t flags = 0; // ZELVPARSED_DEFINED, ZELVPARSED_CONTAINER
};

// One entry of a Volume's history: one changed field of one change.
struct ZELVVOLHISTORY {
    ZELVVOLSKey key;
    int64_t when = 0;
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVFixedText<64> machine;
    uint32_t programId = 0;
    ZELVFixedText<16> action; // "add", "update", "confirm", "attribute"
    ZELVFixedText<32> field;
    QString oldValue;
    QString newValue;
};

// Which parts of a ZELV10IPDETAILS the server gave.
enum : uint32_t {
    ZELVIPD_WHEN = 0x001,        // when, with its date and time
    ZELVIPD_SOURCE = 0x002,      // utcOffset, the time at the source, timeZone
    ZELVIPD_MACHINE = 0x004,     // machine
    ZELVIPD_CONNECTIONS = 0x008, // connectionCount, firstConnection, lastConnection
    ZELVIPD_INTERFACE = 0x010,   // interfaceText
    ZELVIPD_OS = 0x020,          // operatingSystem
    ZELVIPD_USER = 0x040,        // userId, userName
};

// The update statistics of a record: who changed it last, when, from which
// machine, and what the server knows of that machine's connections. A part
// the server could not resolve is left empty (a count of 0).
struct ZELV10IPDETAILS {
    uint32_t present = 0;
    int64_t when = 0;      // seconds since 1970
    int32_t utcOffset = 0; // minutes ahead of UTC at the source
    ZELVFixedText<64> timeZone;
    ZELVFixedText<64> machine;
    uint32_t connectionCount = 0;
    int64_t firstConnection = 0;
    int64_t lastConnection = 0;
    ZELVFixedText<64> interfaceText;
    ZELVFixedText<64> operatingSystem;
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVFixedText<kZelvUserNameLen> userName;
};

// A scan of a Volume that was not expected (ReportScan).
struct ZELVSCANREPORT {
    ZELVVOLSKey key;
    int64_t when = 0;
    ZELVFixedText<kZelvUserIdLen> userId;
    ZELVFixedText<64> machine;
    uint32_t programId = 0;
};
