#pragma once

#include "ZELV10Records.h"

#include <array>
#include <cstdint>

// Audit records: a Volume's audit result and the certificates made from them.

constexpr int kZelvCertificateDescriptionLen = 40;
// The Volume flag bits an audit writes; the rest of the word is left alone.
constexpr uint32_t ZELVVOL_AUDITBITS =
    ZELVVOL_AUDITFAILED | ZELVVOL_AUDITDUPLICATE | ZELVVOL_AUDITPASSED;

// What an audit found of one Volume in the audited Repository.
enum ZELVAuditOutcome : uint32_t {
    ZELVAUDIT_NONE = 0,    // no result (a reset): the audit row goes
    ZELVAUDIT_SEEN = 1,    // expected there and scanned
    ZELVAUDIT_SURPLUS = 2, // scanned there but not expected (errant or new)
    ZELVAUDIT_DEFICIT = 3, // expected there and not seen
};

// A Volume's audit result (PutAudit, List).
struct ZELVAUDIT {
    ZELVVOLSKey key;
    uint32_t flags = 0; // only the ZELVVOL_AUDITBITS count
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    uint32_t outcome = ZELVAUDIT_NONE;
    int64_t when = 0;     // read only
    uint64_t version = 0; // the Volume's version: PutAudit carries what Get read
};

// Item status of a certificate.
enum ZELVCertificateStatus : uint32_t {
    ZELVCERT_OK = 0,
    ZELVCERT_SURPLUS = 1,
    ZELVCERT_DEFICIT = 2,
};

struct ZELV10CERTIFICATIONKey {
    ZELVFixedText<kZelvCustomerIdLen> customerId;
    ZELVFixedText<kZelvMediaIdLen> mediaId;
    ZELVFixedText<kZelvRepositoryIdLen> repositoryId;
    int64_t time = 0; // seconds since 1970
    uint32_t items = 0;
    uint32_t surplus = 0;
    uint32_t deficit = 0;
    ZELVFixedText<kZelvCertificateDescriptionLen> description;
    std::array<uint32_t, 2> signature{};  // the first 64 bits of the MAC
    ZELVFixedText<kZelvUserIdLen> userId; // who certified (read only)
    bool IsCertified() const { return surplus == 0 && deficit == 0; }
};

struct ZELV10CERTIFICATIONITEM {
    ZELVFixedText<kZelvVolumeIdLen> volumeId;
    uint32_t status = ZELVCERT_OK;
};
