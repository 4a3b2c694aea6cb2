#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZELVStore.h"
#include "ZELVValidate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace ZelvValidate;

namespace {

constexpr int kNameBytes = 256;

// The stored name as a file name of the target folder: whatever folders it
// names are dropped, and a name of dots only (or nothing) names no file.
bool SafeFileName(const QString& stored, QString* name) {
    QString base = stored.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    for (QChar& c : base)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('_');
    if (base.isEmpty() || base.count(QLatin1Char('.')) == base.size())
        return false;
    *name = base;
    return true;
}

} // namespace

CZELV10RC CZELV10MFC::List(std::vector<ZELV10FILEEx>* out, const QString& customer) {
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return ReadRows(
        out,
        "SELECT customer_id, file_id, size, uploaded_at, description, name, uploaded_by"
        " FROM customer_file WHERE customer_id = ? ORDER BY file_id",
        {customer},
        [](const ZELVCursor& c) {
            ZELV10FILEEx r;
            r.customerId.Set(c.Text(0));
            r.fileId = static_cast<uint32_t>(c.Int(1));
            r.size = static_cast<uint32_t>(c.Int(2));
            r.uploadedAt = static_cast<uint32_t>(c.Int(3));
            r.description.Set(c.Text(4));
            r.name.Set(c.Text(5));
            r.uploadedBy.Set(c.Text(6));
            return r;
        },
        [&] { return CustomerExists(customer); });
}

CZELV10RC CZELV10MFC::GetFileLimit(int64_t* bytes) {
    int64_t limit = kZelvDefaultFileLimit;
    CZELV10RC rc = Run(Mode::Read, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q =
            m_store->Exec("SELECT value FROM server_info WHERE name = 'file_limit'", {}, &c);
        if (q.IsOK() && c.Next())
            limit = c.Text(0).toLongLong();
        return q;
    });
    if (rc.IsOK())
        *bytes = limit > 0 ? limit : kZelvDefaultFileLimit;
    return rc;
}

CZELV10RC CZELV10MFC::SetFileLimit(int64_t bytes) {
    if (CZELV10RC denied = Require(ZelvRight::Server); !denied.IsOK())
        return denied;
    // The size is one of the words that name a file: it must fit 32 bits.
    if (bytes < 1 || bytes > int64_t(UINT32_MAX))
        return CZELV10RC(ZELV10RC_BADVALUE,
                         QStringLiteral("a file limit is 1 to %1 bytes").arg(UINT32_MAX));
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q = m_store->Exec("UPDATE server_info SET value = ? WHERE name = 'file_limit'",
                                    {QString::number(bytes)}, &c);
        if (!q.IsOK() || c.RowsAffected() > 0)
            return q;
        c.Reset();
        return m_store->Exec("INSERT INTO server_info (name, value) VALUES ('file_limit', ?)",
                             {QString::number(bytes)});
    });
}

CZELV10RC CZELV10MFC::UploadFile(const QString& customer, const QString& path,
                                 CZELV10RCList* results) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const auto done = [&](const CZELV10RC& rc) {
        if (results)
            results->Add(rc, name.isEmpty() ? path : name);
        return rc;
    };
    CZELV10RC rc = Require(ZelvRight::Users);
    if (rc.IsOK())
        rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (rc.IsOK())
        rc = FreeText("File name", name, kNameBytes);
    if (!rc.IsOK())
        return done(rc);
    if (!info.isFile())
        return done(CZELV10RC(ZELV10RC_CANNOTOPEN,
                              QStringLiteral("%1 is not a file that can be read").arg(path)));
    int64_t limit = 0;
    rc = GetFileLimit(&limit);
    if (!rc.IsOK())
        return done(rc);
    // Refused before anything is read or stored.
    if (info.size() > limit)
        return done(CZELV10RC(ZELV10RC_TOOLARGE, QStringLiteral("%1 has %2 bytes; the limit is %3")
                                                     .arg(name)
                                                     .arg(info.size())
                                                     .arg(limit)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return done(
            CZELV10RC(ZELV10RC_CANNOTOPEN, path + QStringLiteral(": ") + file.errorString()));
    // Read one byte past the limit: a file that grew since is refused too.
    const QByteArray content = file.read(limit + 1);
    if (content.size() > limit)
        return done(CZELV10RC(
            ZELV10RC_TOOLARGE,
            QStringLiteral("%1 is larger than the limit of %2 bytes").arg(name).arg(limit)));
    if (file.error() != QFileDevice::NoError)
        return done(
            CZELV10RC(ZELV10RC_CANNOTOPEN, path + QStringLiteral(": ") + file.errorString()));
    rc = Run(Mode::Write, [&]() -> CZELV10RC {
        CZELV10RC q = CustomerExists(customer);
        if (!q.IsOK())
            return q;
        return m_store->Exec(
            "INSERT INTO customer_file (customer_id, name, size, content, uploaded_at, uploaded_by)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            {customer, name, qint64(content.size()), content, Now(), m_userId});
    });
    return done(rc);
}

CZELV10RC CZELV10MFC::DownloadFile(const QString& customer, uint32_t fileId, uint32_t size,
                                   uint32_t uploadedAt, const QString& folder,
                                   CZELV10RCList* results, QString* written,
                                   const OverwriteFn& overwrite) {
    QString stored;
    const auto done = [&](const CZELV10RC& rc) {
        if (results)
            results->Add(rc, stored.isEmpty() ? QString::number(fileId) : stored);
        return rc;
    };
    CZELV10RC rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return done(rc);
    QByteArray content;
    rc = Run(Mode::Read, [&]() -> CZELV10RC {
        return FirstRow(
            "SELECT name, content FROM customer_file WHERE customer_id = ?"
            " AND file_id = ? AND size = ? AND uploaded_at = ?",
            {customer, qint64(fileId), qint64(size), qint64(uploadedAt)},
            CZELV10RC(ZELV10RC_NOTREAD,
                      QStringLiteral("file %1 of %2 is gone").arg(fileId).arg(customer)),
            [&](const ZELVCursor& c) {
                stored = c.Text(0);
                content = c.Value(1).toByteArray();
            });
    });
    if (!rc.IsOK())
        return done(rc);
    QString name;
    if (!SafeFileName(stored, &name))
        return done(
            CZELV10RC(ZELV10RC_BADVALUE,
                      QStringLiteral("the stored name %1 names no file").arg(Shown(stored))));
    const QFileInfo dir(folder);
    if (!dir.isDir())
        return done(
            CZELV10RC(ZELV10RC_CANNOTOPEN, QStringLiteral("%1 is not a folder").arg(folder)));
    const QString target = QDir(dir.absoluteFilePath()).filePath(name);
    // Still in the folder: the name has no separators left, so this holds;
    // checked anyway, as the one thing that must never go wrong here.
    if (QFileInfo(target).absolutePath() != QDir(dir.absoluteFilePath()).absolutePath())
        return done(CZELV10RC(ZELV10RC_BADVALUE,
                              QStringLiteral("%1 would be written outside %2").arg(name, folder)));
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (!overwrite || !overwrite(target))
            return done(CZELV10RC(ZELV10RC_EXISTS, target));
        if (existing.isDir())
            return done(CZELV10RC(ZELV10RC_EXISTS, QStringLiteral("%1 is a folder").arg(target)));
        // A link in the way goes itself: the file it points at, perhaps
        // outside the folder, is never written.
        if (existing.isSymLink() && !QFile::remove(target))
            return done(CZELV10RC(ZELV10RC_CANNOTOPEN,
                                  QStringLiteral("%1 cannot be replaced").arg(target)));
    }
    // Written whole or not at all.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return done(
            CZELV10RC(ZELV10RC_CANNOTOPEN, target + QStringLiteral(": ") + out.errorString()));
    if (written)
        *written = target;
    return done(CZELV10RC());
}

CZELV10RC CZELV10MFC::DeleteFileA(const QString& customer, uint32_t fileId, uint32_t size,
                                  uint32_t uploadedAt) {
    CZELV10RC rc = Require(ZelvRight::Users);
    if (rc.IsOK())
        rc = Identifier("Customer-ID", customer, kZelvCustomerIdLen);
    if (!rc.IsOK())
        return rc;
    return Run(Mode::Write, [&]() -> CZELV10RC {
        ZELVCursor c;
        CZELV10RC q =
            m_store->Exec("DELETE FROM customer_file WHERE customer_id = ? AND file_id = ?"
                          " AND size = ? AND uploaded_at = ?",
                          {customer, qint64(fileId), qint64(size), qint64(uploadedAt)}, &c);
        if (q.IsOK() && c.RowsAffected() == 0)
            return CZELV10RC(ZELV10RC_NOTREAD,
                             QStringLiteral("file %1 of %2 is gone").arg(fileId).arg(customer));
        return q;
    });
}
