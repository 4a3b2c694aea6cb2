// A Customer's files kept in the database: upload, download, delete on both
// engines, and what must never happen on the way out (a file written outside
// the chosen folder, one replaced without asking, one half written).
#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZelvTestDb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ZELVFilesTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(in.isValid() && out.isValid());
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_TRUE(mfc.Add(c).IsOK());
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile f(in.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    ZELV10FILEEx Stored(const QString& name) {
        std::vector<ZELV10FILEEx> files;
        EXPECT_TRUE(mfc.List(&files, QStringLiteral("ACME")).IsOK());
        for (const ZELV10FILEEx& f : files)
            if (f.name.Text() == name)
                return f;
        return {};
    }
    QTemporaryDir in, out;
};

TEST_P(ZELVFilesTest, UploadDownloadDeleteRoundTrip) {
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(char(i * 7));
    CZELV10RCList results;
    ASSERT_TRUE(
        mfc.UploadFile(QStringLiteral("ACME"), Write(QStringLiteral("keys.bin"), binary), &results)
            .IsOK());
    ASSERT_TRUE(mfc.UploadFile(QStringLiteral("ACME"),
                               Write(QStringLiteral("plan.txt"), "DR plan\n"), &results)
                    .IsOK());
    EXPECT_EQ(results.GetOKCount(), 2);
    EXPECT_EQ(results.At(0).note, QStringLiteral("keys.bin"));
    const ZELV10FILEEx keys = Stored(QStringLiteral("keys.bin"));
    EXPECT_EQ(keys.size, uint32_t(binary.size()));
    EXPECT_EQ(keys.customerId.Text(), QStringLiteral("ACME"));

    QString written;
    ASSERT_TRUE(mfc.DownloadFile(QStringLiteral("ACME"), keys.fileId, keys.size, keys.uploadedAt,
                                 out.path(), &results, &written)
                    .IsOK());
    EXPECT_EQ(written, out.filePath(QStringLiteral("keys.bin")));
    EXPECT_EQ(Read(written), binary);

    // A record that no longer matches (another size) reaches nothing.
    EXPECT_EQ(
        mfc.DeleteFileA(QStringLiteral("ACME"), keys.fileId, keys.size + 1, keys.uploadedAt).Code(),
        uint32_t(ZELV10RC_NOTREAD));
    ASSERT_TRUE(
        mfc.DeleteFileA(QStringLiteral("ACME"), keys.fileId, keys.size, keys.uploadedAt).IsOK());
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM customer_file")).toInt(), 1);
    EXPECT_EQ(mfc.DownloadFile(QStringLiteral("ACME"), keys.fileId, keys.size, keys.uploadedAt,
                               out.path())
                  .Code(),
              uint32_t(ZELV10RC_NOTREAD));
}

TEST_P(ZELVFilesTest, AFileOverTheLimitIsRefusedBeforeAnyByteIsStored) {
    ASSERT_TRUE(mfc.SetFileLimit(1000).IsOK());
    const struct {
        const char* name;
        int bytes;
        uint32_t code;
    } rows[] = {{"fits.dat", 1000, ZELV10RC_OK}, {"over.dat", 1001, ZELV10RC_TOOLARGE}};
    for (const auto& r : rows) {
        const CZELV10RC rc = mfc.UploadFile(
            QStringLiteral("ACME"), Write(QString::fromLatin1(r.name), QByteArray(r.bytes, 'x')));
        EXPECT_EQ(rc.Code(), r.code) << r.name << ": " << rc.Get().toStdString();
    }
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM customer_file")).toInt(), 1);
    // The default when the server says nothing: 64 MiB.
    ASSERT_TRUE(db->Exec(QStringLiteral("DELETE FROM server_info WHERE name = 'file_limit'")));
    int64_t limit = 0;
    ASSERT_TRUE(mfc.GetFileLimit(&limit).IsOK());
    EXPECT_EQ(limit, kZelvDefaultFileLimit);
}

TEST_P(ZELVFilesTest, DownloadStaysInItsFolderAndAsksBeforeReplacing) {
    // Names another program may have stored.
    const struct {
        const char* what;
        const char* stored;
        const char* lands; // the file written in the folder, or nullptr: refused
        uint32_t code;
    } rows[] = {
        {"a plain name", "plan.txt", "plan.txt", ZELV10RC_OK},
        {"a climb out of the folder", "../../escape.txt", "escape.txt", ZELV10RC_OK},
        {"an absolute path", "/tmp/absolute.txt", "absolute.txt", ZELV10RC_OK},
        {"a Windows path", "C:\\temp\\win.txt", "win.txt", ZELV10RC_OK},
        {"dots only", "..", nullptr, ZELV10RC_BADVALUE},
        {"a folder name only", "docs/", nullptr, ZELV10RC_BADVALUE},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(db->Exec(QStringLiteral("DELETE FROM customer_file")));
        ASSERT_TRUE(db->Exec(
            QStringLiteral("INSERT INTO customer_file (customer_id, name, size, content,"
                           " uploaded_at) VALUES ('ACME', '%1', 3, %2, 5)")
                .arg(QString::fromLatin1(r.stored), GetParam() == TestEngine::SQLite
                                                        ? QStringLiteral("X'414243'")
                                                        : QStringLiteral("'\\x414243'::bytea"))));
        const ZELV10FILEEx f = Stored(QString::fromLatin1(r.stored));
        QTemporaryDir folder;
        QString written;
        const CZELV10RC rc = mfc.DownloadFile(QStringLiteral("ACME"), f.fileId, f.size,
                                              f.uploadedAt, folder.path(), nullptr, &written);
        EXPECT_EQ(rc.Code(), r.code) << rc.Get().toStdString();
        const QStringList inFolder = QDir(folder.path()).entryList(QDir::Files);
        if (r.lands) {
            EXPECT_EQ(inFolder, QStringList{QString::fromLatin1(r.lands)});
            EXPECT_EQ(Read(folder.filePath(QString::fromLatin1(r.lands))), QByteArray("ABC"));
        } else {
            EXPECT_TRUE(inFolder.isEmpty());
        }
    }

    // An existing file: kept unless the operator says to replace it; a link
    // in its place is replaced itself, the file it points at left alone.
    ASSERT_TRUE(
        mfc.UploadFile(QStringLiteral("ACME"), Write(QStringLiteral("same.txt"), "new")).IsOK());
    const ZELV10FILEEx same = Stored(QStringLiteral("same.txt"));
    const QString target = out.filePath(QStringLiteral("same.txt"));
    const QString outside = in.filePath(QStringLiteral("outside.txt"));
    Write(QStringLiteral("outside.txt"), "keep me");
    int asked = 0;
    const auto answer = [&asked](bool yes) {
        return [&asked, yes](const QString&) {
            ++asked;
            return yes;
        };
    };
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    EXPECT_EQ(mfc.DownloadFile(QStringLiteral("ACME"), same.fileId, same.size, same.uploadedAt,
                               out.path(), nullptr, nullptr, answer(false))
                  .Code(),
              uint32_t(ZELV10RC_EXISTS));
    EXPECT_EQ(Read(target), QByteArray("old"));
    EXPECT_EQ(mfc.DownloadFile(QStringLiteral("ACME"), same.fileId, same.size, same.uploadedAt,
                               out.path())
                  .Code(),
              uint32_t(ZELV10RC_EXISTS))
        << "no one to ask: nothing replaced";
    ASSERT_TRUE(mfc.DownloadFile(QStringLiteral("ACME"), same.fileId, same.size, same.uploadedAt,
                                 out.path(), nullptr, nullptr, answer(true))
                    .IsOK());
    EXPECT_EQ(Read(target), QByteArray("new"));
    ASSERT_TRUE(QFile::remove(target));
    ASSERT_TRUE(QFile::link(outside, target));
    ASSERT_TRUE(mfc.DownloadFile(QStringLiteral("ACME"), same.fileId, same.size, same.uploadedAt,
                                 out.path(), nullptr, nullptr, answer(true))
                    .IsOK());
    EXPECT_EQ(Read(outside), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(Read(target), QByteArray("new"));
    EXPECT_EQ(asked, 3);

    // A folder that cannot take the file: told, nothing written.
    for (const QString& bad : {in.filePath(QStringLiteral("no such folder")),
                               in.filePath(QStringLiteral("outside.txt"))})
        EXPECT_EQ(
            mfc.DownloadFile(QStringLiteral("ACME"), same.fileId, same.size, same.uploadedAt, bad)
                .Code(),
            uint32_t(ZELV10RC_CANNOTOPEN))
            << bad.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVFilesTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
