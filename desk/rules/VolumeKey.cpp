#include "VolumeKey.h"

#include <QHashFunctions>
#include <cstring>

namespace {

// A field of a raw key: up to the first NUL, at most width bytes.
QString RawField(const char* raw, int width) {
    int n = 0;
    while (n < width && raw[n] != '\0')
        ++n;
    return QString::fromUtf8(raw, n);
}

} // namespace

CVolumeKey::CVolumeKey() : m_hash(Hash()) {}

CVolumeKey::CVolumeKey(const QString& customer, const QString& media, const QString& volume)
    : m_customer(customer), m_media(media), m_volume(volume), m_hash(Hash()) {}

CVolumeKey::CVolumeKey(const ZELVVOLSKey& key)
    : m_customer(key.customerId.Text()), m_media(key.mediaId.Text()), m_volume(key.volumeId.Text()),
      m_hash(Hash()) {}

CVolumeKey::CVolumeKey(const ZELV10BARCODEPARSED& scanned)
    : m_customer(scanned.customerId.Text()), m_media(scanned.mediaId.Text()),
      m_volume(scanned.volumeId.Text()), m_hash(Hash()) {}

size_t CVolumeKey::Hash() const {
    return qHashMulti(0, m_customer, m_media, m_volume);
}

CVolumeKey CVolumeKey::FromRaw(const char* raw) {
    if (!raw)
        return {};
    return CVolumeKey(RawField(raw, kZelvCustomerIdLen),
                      RawField(raw + kZelvCustomerIdLen, kZelvMediaIdLen),
                      RawField(raw + kZelvCustomerIdLen + kZelvMediaIdLen, kZelvVolumeIdLen));
}

void CVolumeKey::CopyTo(ZELVVOLSKey* key) const {
    if (!key)
        return;
    key->customerId.Set(m_customer);
    key->mediaId.Set(m_media);
    key->volumeId.Set(m_volume);
}

void CVolumeKey::CopyTo(char* raw) const {
    if (!raw)
        return;
    ZELVVOLSKey key;
    CopyTo(&key);
    std::memcpy(raw, key.customerId.Data(), kZelvCustomerIdLen);
    std::memcpy(raw + kZelvCustomerIdLen, key.mediaId.Data(), kZelvMediaIdLen);
    std::memcpy(raw + kZelvCustomerIdLen + kZelvMediaIdLen, key.volumeId.Data(), kZelvVolumeIdLen);
}

QString CVolumeKey::Text() const {
    return m_customer + QLatin1Char('.') + m_media + QLatin1Char('.') + m_volume;
}

bool CVolumeKey::operator<(const CVolumeKey& o) const {
    if (const int c = m_customer.compare(o.m_customer); c != 0)
        return c < 0;
    if (const int c = m_media.compare(o.m_media); c != 0)
        return c < 0;
    return m_volume.compare(o.m_volume) < 0;
}
