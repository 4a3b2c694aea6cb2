#pragma once

#include "ZELV10Records.h"

#include <QString>

// The identity of one Volume: Customer, Media Type and Volume identifiers,
// each held as text. Every scan page matches scans by it and prints it in its
// text form, "Customer.Media.Volume".
class CVolumeKey {
public:
    // Width of the raw key: Customer 4, Media 4, Volume 10 bytes.
    static constexpr int kRawSize = kZelvCustomerIdLen + kZelvMediaIdLen + kZelvVolumeIdLen;

    CVolumeKey();
    CVolumeKey(const QString& customer, const QString& media, const QString& volume);
    explicit CVolumeKey(const ZELVVOLSKey& key);
    explicit CVolumeKey(const ZELV10BARCODEPARSED& scanned);
    // A raw key of kRawSize bytes; a field is not terminated when full.
    static CVolumeKey FromRaw(const char* raw);

    const QString& Customer() const { return m_customer; }
    const QString& Media() const { return m_media; }
    const QString& Volume() const { return m_volume; }

    // Copies at most 4, 4 and 10 bytes into the record's key, zero-padded.
    void CopyTo(ZELVVOLSKey* key) const;
    // The same as raw bytes (kRawSize of them).
    void CopyTo(char* raw) const;

    // "%s.%s.%s": the Volume text of every log entry and list.
    QString Text() const;

    // The hash first: a scan is matched against every row of a long list,
    // and nearly all of them differ in it. Then the Volume identifier: in a
    // page's list the Customer (and mostly the Media) are the same on every row.
    bool operator==(const CVolumeKey& o) const {
        return m_hash == o.m_hash && m_volume == o.m_volume && m_media == o.m_media &&
               m_customer == o.m_customer;
    }
    bool operator!=(const CVolumeKey& o) const { return !(*this == o); }
    // Customer, then Media, then Volume.
    bool operator<(const CVolumeKey& o) const;
    size_t HashValue() const { return m_hash; }

private:
    QString m_customer;
    QString m_media;
    QString m_volume;
    size_t m_hash = 0;

    size_t Hash() const;
};

inline size_t qHash(const CVolumeKey& key, size_t seed = 0) noexcept {
    return key.HashValue() ^ seed;
}
