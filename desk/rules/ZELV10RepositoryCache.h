#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"

#include <QSet>
#include <QString>
#include <cstdint>
#include <vector>

class CZELV10MFC;
class QSettings;

// Per-user hidden Repositories: a group of the application profile whose key
// names are "Customer.Media.Repository" (the values are not read). It stands
// in for the family's registry key Software\Brollyn\Kelmar\HiddenRepositories.
// ZELVDesk only reads it; another tool of the family maintains it.
inline constexpr const char* kHiddenRepositoriesGroup = "HiddenRepositories";

// A Repository's flags as one Customer and Media Type see them: the
// Repository's own and those set for that Customer and Media Type.
inline uint32_t RepositoryFlags(const ZELVREPOSITORYFULL& r) {
    return r.flags | r.localFlags;
}

// The Repositories of one Customer and Media Type, read from the server when
// the pair changes, with the per-user hidden ones kept out of the choices.
// The sheet holds one for its whole life; pages may hold their own.
class CZELV10RepositoryCache {
public:
    // Images: the Repository types 0 to 8, then one for unknown Repositories.
    static constexpr int kUnknownImage = 9;

    // Reads the hidden keys from the profile once, here.
    explicit CZELV10RepositoryCache(CZELV10MFC* connection = nullptr, QSettings* profile = nullptr);

    void SetConnection(CZELV10MFC* connection) { m_connection = connection; }
    CZELV10MFC* Connection() const { return m_connection; }

    // The key names of the profile's hidden-Repository group.
    static QSet<QString> ReadHiddenKeys(QSettings& profile);
    // "Customer.Media.Repository".
    static QString Key(const QString& customer, const QString& media, const QString& repository);
    const QSet<QString>& HiddenKeys() const { return m_hidden; }
    void SetHiddenKeys(const QSet<QString>& keys);
    bool IsHidden(const QString& customer, const QString& media, const QString& repository) const;

    // Reads the pair's Repositories unless they are loaded already (force
    // reads again). A failed read keeps what was there; the records then
    // still belong to the earlier pair. Returns whether the read worked.
    bool Load(const QString& customer, const QString& media, bool force = false);
    const CZELV10RC& LastResult() const { return m_result; }
    // Whether the records are those of the pair.
    bool Holds(const QString& customer, const QString& media) const;
    const QString& LoadedCustomer() const { return m_customer; }
    const QString& LoadedMedia() const { return m_media; }

    // All records of the last load, by Repository-ID.
    const std::vector<ZELVREPOSITORYFULL>& Records() const { return m_records; }
    // The records without the hidden ones, in the same order: the choices.
    const std::vector<const ZELVREPOSITORYFULL*>& View() const { return m_view; }

    // The pair's record of the Repository (compared over its 4 bytes); none
    // when the pair could not be read.
    const ZELVREPOSITORYFULL* Find(const QString& customer, const QString& media,
                                   const QString& repository);
    // The pair's home Repository: the first with both home bits.
    const ZELVREPOSITORYFULL* FindHome(const QString& customer, const QString& media);

    // The name, or "ID(xxxx)" when the name is empty.
    static QString DisplayName(const ZELVREPOSITORYFULL& record);
    // "Initial Repository" for INIT, the display name of the record, or
    // "ID(...)" with the identifier when there is no such Repository.
    QString DisplayNameOf(const QString& customer, const QString& media, const QString& repository);
    // The Repository type's image (0 to 8; kUnknownImage otherwise) plus base.
    int ImageIndex(const QString& customer, const QString& media, const QString& repository,
                   int base = 0);
    // A location as the pages show it. With slot 0 or alwaysFormat: the
    // Repository's name ("Initial Location" for INIT), followed by
    // " [000012]" for a non-zero slot. A non-zero slot without alwaysFormat
    // gives the Repository-ID alone.
    QString LocationText(const QString& customer, const QString& media, const QString& repository,
                         uint32_t slot, bool alwaysFormat);

    static inline const QString kNoSelection = QStringLiteral("<No Selection>");

private:
    void RebuildView();

    CZELV10MFC* m_connection = nullptr;
    QSet<QString> m_hidden;
    QString m_customer;
    QString m_media;
    bool m_loaded = false;
    bool m_sorted = true; // whether bisection can be used
    CZELV10RC m_result;
    std::vector<ZELVREPOSITORYFULL> m_records;
    std::vector<const ZELVREPOSITORYFULL*> m_view;
};
