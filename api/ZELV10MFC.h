#pragma once

#include "ZELV10AuditRecords.h"
#include "ZELV10Files.h"
#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELVClock.h"
#include "ZELVServerAddress.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CZELV10RCList;
class CZELVStore;
class ZELVCursor;

// What a call asks of the user's role (bits 25 to 27 of the user's flags).
// Each right needs the role MinimumRole gives or a higher one; reading needs
// none. docs/security.md lists them.
enum class ZelvRight {
    Scan,       // confirm, move and describe Volumes, Consignments, attributes
    AddVolumes, // new Volumes and imports, Data-Clusters
    Users,      // the users of one's group below one's own role; files
    Catalog,    // Media Types, a Customer's Repository settings, zones, attribute types
    Customers,  // Customers and Repositories
    Server,     // the server's own settings
};
class ZELVConfig;
struct ZELVVolumeState;

// The connection to a Kelmar Server: one per wizard sheet or tool. Every call
// is synchronous, runs as one transaction and returns a CZELV10RC; nothing is
// thrown. Record texts are checked on the way in (identifiers: letters,
// digits, "-" and "_"; no NUL anywhere) and always bound, never pasted into SQL.
class CZELV10MFC {
public:
    // Program identities for GetPgmText and the history.
    static constexpr uint32_t kProgramDesk = 13;
    static constexpr uint32_t kProgramAdmin = 20;
    static constexpr int kDefaultBusyTimeoutMs = 5000;

    // Logon flag: an embedded database without users takes the logging-on
    // user as its owner (role 7) with the address's password. zelvadmin init
    // is the one program that sets it; no other logon creates a user there.
    static constexpr int kLogonCreateOwner = 0x100;
    static constexpr int kOwnerRole = 7;
    // Passwords the store keeps: at least this many characters.
    static constexpr int kMinPasswordLength = 8;

    explicit CZELV10MFC(int flags = 0);
    ~CZELV10MFC();
    CZELV10MFC(const CZELV10MFC&) = delete;
    CZELV10MFC& operator=(const CZELV10MFC&) = delete;

    // --- Connection -------------------------------------------------------
    void SetProgramID(uint32_t programId) { m_programId = programId; }
    uint32_t ProgramID() const { return m_programId; }
    // An empty host: the embedded database (the user, when given, is the
    // Kelmar user). Otherwise a PostgreSQL server and its login.
    void SetLogonDetails(const QString& host, int port, const QString& user,
                         const QString& password);
    // The whole address, for a kelmar:///file.db form.
    void SetServerAddress(const ZELVServerAddress& address);
    const ZELVServerAddress& ServerAddress() const { return m_address; }
    // Opens (or reopens) the database, creates or upgrades its schema and
    // identifies the user. A second Logon reconnects.
    CZELV10RC Logon(int flags = 1);
    void Logoff();
    bool IsLoggedOn() const;
    // Several calls as one: while a Batch is open every call joins its write
    // transaction, and nothing is kept unless Commit is reached. A call that
    // fails inside it undoes only its own part (a savepoint), so the caller
    // may go on or give up; leaving the scope without Commit undoes them all.
    // A Batch opened inside another joins it and can be undone by itself.
    // On SQLite the database's write lock is held from Begin to the end.
    class Batch {
    public:
        explicit Batch(CZELV10MFC& mfc) : m_mfc(mfc) {}
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        CZELV10RC Begin();
        CZELV10RC Commit();

    private:
        void Undo();
        CZELV10MFC& m_mfc;
        int m_level = 0; // 1: the outermost batch, which owns the transaction
        uint64_t m_session = 0;
    };

    // Tests and tools: time source, how long SQLite waits for a lock, machine name.
    void SetClock(const ZELVClock* clock) { m_clock = clock ? clock : &ZELVClock::System(); }
    void SetBusyTimeout(int ms) { m_busyTimeoutMs = ms; }
    void SetMachineName(const QString& name) { m_machine = name; }
    const QString& CurrentUser() const { return m_userId; }
    // The role the user logged on with; role changes apply at the next logon.
    uint32_t CurrentRole() const { return m_role; }
    static uint32_t MinimumRole(ZelvRight right);
    // OK when the current user's role grants the right, else ZELV10RC_NOTALLOWED
    // saying which role it needs.
    CZELV10RC Require(ZelvRight right) const;

    // --- Server identity, current user ---------------------------------------
    CZELV10RC Get(ZELVSERVERID* out);
    CZELV10RC Put(const ZELVSERVERID& in); // renames the server
    // The current user when userId is empty.
    CZELV10RC Get(ZELVUSER* out, const QString& userId = {});
    // The current user's group when groupId is empty.
    CZELV10RC Get(ZELVGROUP* out, const QString& groupId = {});
    // Embedded databases: sets the current user's own password (at least
    // kMinPasswordLength characters; a user without one cannot log on). Any
    // other user is refused: ResetPassword is the administrator's call.
    CZELV10RC SetPassword(const QString& userId, const QString& password);
    // Users (ZelvRight::Users): an operator manages only the users of their own
    // group whose role is below theirs, never raises anyone to their own role
    // or above, and never deletes or resets themselves through these calls.
    // Registers a user in the current user's group (no password: it cannot
    // log on until ResetPassword gives it one).
    CZELV10RC Add(const ZELVUSER& in);
    CZELV10RC Add(const ZELVUSEREx& in);
    // The users of the current user's group, by User-ID.
    CZELV10RC List(std::vector<ZELVUSERFULL>* out);
    // Name, e-mail address, disabled flag and role of in.userId.
    CZELV10RC Update(const ZELVUSEREx& in);
    CZELV10RC DeleteUser(const QString& userId);
    // Embedded databases: sets the user's password to the one given.
    CZELV10RC ResetPassword(const QString& userId, const QString& password);
    // Embedded databases: a new random password for the user, given back once
    // in *password to hand to the user; the store keeps only its hash.
    CZELV10RC ResetPassword(const QString& userId, QString* password);
    // A random password of 16 letters and digits (no look-alikes such as 0/O).
    static QString GenerateRandomPassword();

    // --- Files (ZelvRight::Users to change) ----------------------------------------
    // The Customer's files, in upload order.
    CZELV10RC List(std::vector<ZELV10FILEEx>* out, const QString& customer);
    // The largest file the server takes, in bytes; SetFileLimit needs
    // ZelvRight::Server.
    CZELV10RC GetFileLimit(int64_t* bytes);
    CZELV10RC SetFileLimit(int64_t bytes);
    // Keeps the file at path (its name without folders) for the Customer. A
    // file over the limit is refused before any byte is stored. The result
    // also goes into *results (may be null) with the file name.
    CZELV10RC UploadFile(const QString& customer, const QString& path,
                         CZELV10RCList* results = nullptr);
    // Asked before an existing file is replaced: true to replace it.
    using OverwriteFn = std::function<bool(const QString& path)>;
    // Writes the file into folder under its stored name without any folder
    // part (a name that is nothing but dots is refused), never outside the
    // folder; an existing file is replaced only when overwrite says so
    // (ZELV10RC_EXISTS otherwise, the file untouched). *written gets the path.
    CZELV10RC DownloadFile(const QString& customer, uint32_t fileId, uint32_t size,
                           uint32_t uploadedAt, const QString& folder,
                           CZELV10RCList* results = nullptr, QString* written = nullptr,
                           const OverwriteFn& overwrite = {});
    CZELV10RC DeleteFileA(const QString& customer, uint32_t fileId, uint32_t size,
                          uint32_t uploadedAt);

    // --- Customers ------------------------------------------------------------
    CZELV10RC List(std::vector<ZELVCUSTEx>* out);
    CZELV10RC Get(ZELVCUSTEx* out, const QString& customer);
    CZELV10RC Add(const ZELVCUSTEx& in);
    CZELV10RC Update(const ZELVCUSTEx& in);

    // --- Media Types ----------------------------------------------------------
    CZELV10RC List(std::vector<ZELVMEDIAEx>* out, const QString& customer);
    CZELV10RC List(std::vector<ZELVMEDIASMALL>* out, const QString& customer);
    CZELV10RC List(QStringList* mediaIds, const QString& customer);
    CZELV10RC Get(ZELVMEDIAEx* out, const QString& customer, const QString& media);
    CZELV10RC Add(const ZELVMEDIAEx& in);
    CZELV10RC Update(const ZELVMEDIAEx& in);

    // --- Repositories ---------------------------------------------------------
    CZELV10RC List(std::vector<ZELVREPOSITORY>* out);
    CZELV10RC List(std::vector<ZELVREPOSITORYFULL>* out, const QString& customer,
                   const QString& media);
    CZELV10RC Get(ZELVREPOSITORY* out, const QString& customer, const QString& media,
                  const QString& repository);
    CZELV10RC Get(ZELVREPOSITORYFULL* out, const QString& customer, const QString& media,
                  const QString& repository);
    CZELV10RC Add(const ZELVREPOSITORY& in);
    CZELV10RC Update(const ZELVREPOSITORY& in);
    // The Customer and Media Type's own settings of a Repository (localFlags,
    // scratchRequired).
    CZELV10RC Put(const ZELVREPOSITORYFULL& in);
    CZELV10RC Add(const ZELVZONE& in);
    CZELV10RC List(std::vector<ZELVZONE>* out, const QString& repository);

    // --- Volumes --------------------------------------------------------------
    CZELV10RC Get(ZELVVOLS* out, const QString& customer, const QString& media,
                  const QString& volume);
    CZELV10RC Get(ZELVVOLSEx* inOut); // by inOut->key
    CZELV10RC Get(ZELVVOLSFULL* out, const QString& customer, const QString& media,
                  const QString& volume);
    // The Customer's Volumes of one Media Type, by Volume identifier. With a
    // filter only the Volumes whose flags pass it. Counters (each may be null):
    // all Volumes of the Customer and Media Type, the ones that pass the
    // filter, the moving ones. first and max page through the passing ones
    // (max 0: all).
    CZELV10RC List(std::vector<ZELVVOLSFULL>* out, const QString& customer, const QString& media,
                   const ZELVVOLFLAGS* filter = nullptr, uint32_t* total = nullptr,
                   uint32_t* matched = nullptr, uint32_t* moving = nullptr, uint32_t first = 0,
                   uint32_t max = 0);
    // The Volumes travelling in a Container.
    CZELV10RC List(std::vector<ZELVVOLSKey>* out, uint32_t container);
    CZELV10RC Get(ZELVVOLABS* out, const QString& customer, const QString& media,
                  const QString& volume);
    // The absolute locations of the Customer's Volumes of one Media Type (only
    // those whose flags pass the filter, when given), by Volume identifier, in
    // one read: what Get of ZELVVOLABS gives for each, without its "not in a
    // zone" answer, which the empty zone name says here.
    CZELV10RC List(std::vector<ZELVVOLABS>* out, const QString& customer, const QString& media,
                   const ZELVVOLFLAGS* filter = nullptr);
    // A new Volume at the locations it carries ("INIT" for a new tape). It is a
    // Container when it says so or its Media Type's pattern names it one; a
    // Container gets its number from the server.
    CZELV10RC Add(const ZELVVOLSEx& in);
    // Many new Volumes at once (imports, the demo data set): all or none, in
    // one transaction, with the same rules and history as Add. `next` fills
    // the next Volume and its description (may stay empty) and returns false
    // when there are no more. *added counts the Volumes written.
    using VolumeSource = std::function<bool(ZELVVOLSEx* volume, QString* description)>;
    CZELV10RC AddVolumes(const VolumeSource& next, uint64_t* added = nullptr);
    // Writes a Volume read before with Get; refused with ZELV10RC_CHANGED
    // when someone else changed it in between. A filled-in confirmation
    // location confirms the Volume there (docs/server.md).
    CZELV10RC Update(const ZELVVOLSEx& in);

    // --- Containers, Data-Clusters, Consignments ---------------------------------
    CZELV10RC List(std::vector<ZELV10CONTAINER>* out);
    CZELV10RC List(std::vector<ZELVCLUSTERFULL>* out, const QString& customer);
    CZELV10RC Add(const ZELVCLUSTEREx& in, uint32_t* number = nullptr);
    CZELV10RC Update(const ZELVCLUSTEREx& in);
    // Creates a Consignment; the server gives its number.
    CZELV10RC Put(const ZELVCONSIGNEx& in, uint32_t* number);
    CZELV10RC Get(ZELVCONSIGNEx* out, uint32_t number);
    CZELV10RC List(std::vector<ZELVCONSIGNEx>* out, const QString& customer);
    // Moves a Consignment to another state with a comment.
    CZELV10RC EditConsignment(uint32_t number, uint32_t status, const QString& comment);

    // --- Extended attributes ---------------------------------------------------
    CZELV10RC Get(ZELVATTRIBUTE* out, const QString& customer, const QString& media,
                  const QString& volume, uint32_t number);
    CZELV10RC Put(const ZELVATTRIBUTEEx& in); // an empty value removes the attribute
    // The same, refused with ZELV10RC_CHANGED unless the Volume is still at
    // `version` (what its Get read): an edit never lands on a Volume that
    // another operator changed since this one looked at it.
    CZELV10RC Put(const ZELVATTRIBUTEEx& in, uint64_t version);
    CZELV10RC List(std::vector<ZELVATTRIBUTEFULL>* out, const QString& customer,
                   const QString& media, uint32_t number = 0);
    CZELV10RC Get(ZELVATTRIBUTETYPE* out, const QString& customer);
    CZELV10RC Put(const ZELVATTRIBUTETYPE& in);

    // --- Public holidays ---------------------------------------------------------
    // OK when the date is a public holiday of the Customer's account (its own
    // or one of every Customer); *text then names it. ZELV10RC_NOHOLIDAY when
    // it is not.
    CZELV10RC CheckHoliday(const QString& customer, const CZELVDate& date, QString* text);
    // The holidays of one Customer (empty: those of every Customer), by date.
    CZELV10RC List(std::vector<ZELVHOLIDAY>* out, const QString& customer);
    // Replaces the holidays of one Customer (empty: of every Customer) with
    // the list, all or none; each entry's Customer must be that one.
    CZELV10RC PutHolidays(const QString& customer, const std::vector<ZELVHOLIDAY>& days);

    // --- Scanning --------------------------------------------------------------
    // Records a scan of a Volume nobody expected, for a later audit.
    CZELV10RC ReportScan(const QString& customer, const QString& media, const QString& volume);
    CZELV10RC List(std::vector<ZELVSCANREPORT>* out, int64_t since = 0);
    // Who changed the Volume last and from where (ZELV10RC_NOTREAD when it
    // has no history).
    CZELV10RC GetUpdateDetails(ZELV10IPDETAILS* out, const QString& customer, const QString& media,
                               const QString& volume);
    // A Volume's history, oldest first (newestFirst: the other way round).
    CZELV10RC List(std::vector<ZELVVOLHISTORY>* out, const QString& customer, const QString& media,
                   const QString& volume, bool newestFirst = false);
    // A barcode as a Volume key: "Customer.Media.Volume", or the Volume alone
    // with the given Customer and Media Type. Reads "barcode/suffixes" and
    // "barcode/uppercase" from the configuration when given.
    CZELV10RC ParseBarCode(ZELV10BARCODEPARSED* out, const QString& barcode,
                           const QString& customer, const QString& media, const ZELVConfig* config);
    CZELV10RC ResolveSlot(ZELVABSLOC* out, const QString& customer, const QString& media,
                          const QString& repository, uint32_t slot);
    // "Customer.Media.Volume" texts of the known Volumes, at most max (0: all).
    CZELV10RC LoadVolumes(QStringList* out, uint32_t max);

    // --- Audits and certificates (ZELV10MFCAudit.cpp) ----------------------------
    // Writes a Volume's audit bits and its result in the audited Repository,
    // refused with ZELV10RC_CHANGED unless the Volume is still at in.version.
    // *version (may be null) gets the Volume's new version.
    CZELV10RC PutAudit(const ZELVAUDIT& in, uint64_t* version = nullptr);
    // Several at once, in one transaction; each gets its own result (a Volume
    // changed by someone else is refused and left as it is) and its new
    // version in versions (may be null). The call fails only when the
    // database does.
    CZELV10RC PutAudits(const std::vector<ZELVAUDIT>& in, std::vector<CZELV10RC>* results,
                        std::vector<uint64_t>* versions = nullptr);
    // The audit results recorded for the Customer's Volumes of one Media Type.
    CZELV10RC List(std::vector<ZELVAUDIT>* out, const QString& customer, const QString& media);
    // A signed certificate of the Repository from the audit results: every
    // Volume expected there or audited there, as OK, surplus or deficit.
    CZELV10RC Certify(const QString& customer, const QString& media, const QString& repository,
                      const QString& description, ZELV10CERTIFICATIONKey* out = nullptr);
    CZELV10RC List(std::vector<ZELV10CERTIFICATIONKey>* out, const QString& customer,
                   const QString& media, const QString& repository);
    CZELV10RC List(std::vector<ZELV10CERTIFICATIONITEM>* out, const QString& customer,
                   const QString& media, const QString& repository, int64_t time);
    // Who made the certificate and from where.
    CZELV10RC GetUpdateDetails(ZELV10IPDETAILS* out, const ZELV10CERTIFICATIONKey& key);
    // Recomputes the certificate's MAC from what is stored: *intact false
    // when anything of it was changed after it was signed.
    CZELV10RC VerifyCertificate(const ZELV10CERTIFICATIONKey& key, bool* intact);

    static QString FormatZoneSlot(uint32_t zoneSlot);
    static QString GetOS();
    static QString GetPgmText(uint32_t programId);

private:
    // Single: one statement, atomic by itself, so no transaction around it.
    enum class Mode { Single, Read, Write };
    CZELV10RC Run(Mode mode, const std::function<CZELV10RC()>& body);
    // A call inside an open batch: its own savepoint, released when it went
    // well and rolled back when not, which also keeps a PostgreSQL transaction
    // usable after a failed statement.
    CZELV10RC RunInBatch(const std::function<CZELV10RC()>& body);
    using RowFn = std::function<void(const ZELVCursor&)>;
    // Inside Run: every row of the query, or only the first one (`missing`
    // when there is none).
    // Texts written in the code go as const char*, which the store caches by address.
    CZELV10RC EachRow(const char* sql, const QVariantList& binds, const RowFn& row);
    CZELV10RC EachRow(const QString& sql, const QVariantList& binds, const RowFn& row);
    CZELV10RC FirstRow(const char* sql, const QVariantList& binds, const CZELV10RC& missing,
                       const RowFn& row);
    CZELV10RC FirstRow(const QString& sql, const QVariantList& binds, const CZELV10RC& missing,
                       const RowFn& row);
    // Inside Run: ZELV10RC_EXISTS naming `what` when the query finds a row.
    CZELV10RC NoRow(const char* sql, const QVariantList& binds, const QString& what);
    // Inside Run: an UPDATE that names the version read before. When it
    // changes no row the record is gone (what `exists` says) or someone
    // changed it in between (ZELV10RC_CHANGED naming `what`).
    CZELV10RC UpdateVersioned(const char* sql, const QVariantList& binds,
                              const std::function<CZELV10RC()>& exists, const QString& what);
    // One read transaction: `before` (the existence checks, may be empty),
    // then the query. *out changes only when all of it went well.
    template <typename Rec, typename Sql, typename Fill>
    CZELV10RC ReadRows(std::vector<Rec>* out, const Sql& sql, const QVariantList& binds, Fill fill,
                       const std::function<CZELV10RC()>& before = {}) {
        std::vector<Rec> rows;
        CZELV10RC rc = Run(Mode::Read, [&]() -> CZELV10RC {
            CZELV10RC q = before ? before() : CZELV10RC();
            if (!q.IsOK())
                return q;
            return EachRow(sql, binds, [&](const ZELVCursor& c) { rows.push_back(fill(c)); });
        });
        if (rc.IsOK())
            *out = std::move(rows);
        return rc;
    }
    template <typename Rec, typename Sql, typename Fill>
    CZELV10RC ReadRow(Rec* out, const Sql& sql, const QVariantList& binds, const CZELV10RC& missing,
                      Fill fill, const std::function<CZELV10RC()>& before = {}) {
        Rec r;
        CZELV10RC rc = Run(Mode::Read, [&]() -> CZELV10RC {
            CZELV10RC q = before ? before() : CZELV10RC();
            if (!q.IsOK())
                return q;
            return FirstRow(sql, binds, missing, [&](const ZELVCursor& c) { r = fill(c); });
        });
        if (rc.IsOK())
            *out = r;
        return rc;
    }
    CZELV10RC Identify(int flags);
    // Inside Run: the target user of a user call, checked against the rules
    // of ZelvRight::Users; *flags gets its flags.
    CZELV10RC ManagedUser(const QString& userId, uint32_t* flags);
    CZELV10RC StorePassword(const QString& userId, const QString& password);
    // Counts this logon against the machine, with its zone, system and
    // program, for the update statistics. Best effort: a database this login
    // may only read still logs on.
    void RecordConnection();
    qint64 Now() const { return static_cast<qint64>(m_clock->Now()); }

    CZELV10RC ReadVolume(const QString& c, const QString& m, const QString& v,
                         ZELVVolumeState* state, qint64* row, bool forUpdate);
    CZELV10RC CheckVolumeRefs(const QString& customer, const ZELVVOLS& vol, const ZELVVOLS* old);
    CZELV10RC WriteHistory(const ZELVVOLSKey& key, const QString& action, const QString& field,
                           const QString& oldValue, const QString& newValue);
    // PostgreSQL: a Volume's update with its history in one statement.
    CZELV10RC WriteVolumeAtOnce(const ZELVVOLSKey& key, qint64 row, uint64_t version,
                                const ZELVVolumeState& now, const QString& action,
                                const std::vector<std::array<QString, 3>>& changes, bool offsite);
    // Several changed fields of one change, in one statement.
    CZELV10RC WriteHistory(const ZELVVOLSKey& key, const QString& action,
                           const std::vector<std::array<QString, 3>>& changes);
    CZELV10RC PutAttribute(const ZELVATTRIBUTEEx& in, const uint64_t* version);
    CZELV10RC WriteAudit(const ZELVAUDIT& in, uint64_t* version);
    CZELV10RC CertificateRow(const ZELV10CERTIFICATIONKey& key, qint64* id, QString* mac);
    CZELV10RC CertificateMac(qint64 id, QString* mac);
    CZELV10RC WriteCertificate(ZELV10CERTIFICATIONKey* key, QString* mac);

    CZELV10RC CustomerExists(const QString& customer);
    CZELV10RC ContainerExists(uint32_t container);
    // The Container exists and belongs to the Customer.
    CZELV10RC ContainerExists(uint32_t container, const QString& customer);
    CZELV10RC MediaRow(const QString& customer, const QString& media, QString* containerPattern);
    void FillVolume(const ZELVVolumeState& s, ZELVVOLS* out) const;

    std::unique_ptr<CZELVStore> m_store;
    ZELVServerAddress m_address;
    const ZELVClock* m_clock = &ZELVClock::System();
    uint32_t m_programId = 0;
    int m_busyTimeoutMs = kDefaultBusyTimeoutMs;
    bool m_loggedOn = false;
    int m_batchDepth = 0;
    bool m_batchBroken = false; // a part could not be undone: only Commit's refusal is left
    uint64_t m_session = 0;     // a new one with every Logoff, which ends any batch
    QString m_userId;
    QString m_groupId;
    uint32_t m_role = 0;
    QString m_machine;
};
