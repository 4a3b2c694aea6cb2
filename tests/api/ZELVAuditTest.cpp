// Audit results and signed certificates on both engines: what a certificate
// counts, that its signature catches any later change, and that an audit
// write never lands on a Volume someone else changed.
#include "ZELV10MFC.h"
#include "ZelvTestDb.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

#define ASSERT_OK(expr)                                                                            \
    do {                                                                                           \
        const CZELV10RC rc_ = (expr);                                                              \
        ASSERT_TRUE(rc_.IsOK()) << #expr << ": " << rc_.Get().toStdString();                       \
    } while (0)

struct AuditRow {
    const char* volume;
    const char* at;
    const char* target;  // null: at rest
    uint32_t outcome;    // written for VLT1 (ZELVAUDIT_NONE: nothing written)
    const char* auditAt; // the Repository the result is for
    int status;          // in the VLT1 certificate, -1: not in it
};

// One Repository's audit as the scan page leaves it.
const AuditRow kRows[] = {
    {"A1", "VLT1", nullptr, ZELVAUDIT_SEEN, "VLT1", ZELVCERT_OK},
    {"A2", "VLT1", nullptr, ZELVAUDIT_DEFICIT, "VLT1", ZELVCERT_DEFICIT},
    {"A3", "VLT1", nullptr, ZELVAUDIT_NONE, "", ZELVCERT_DEFICIT}, // never flagged
    {"A4", "DC01", "VLT1", ZELVAUDIT_SEEN, "VLT1", ZELVCERT_OK},   // moving in
    {"A5", "DC01", nullptr, ZELVAUDIT_SURPLUS, "VLT1", ZELVCERT_SURPLUS},
    {"A6", "DC01", nullptr, ZELVAUDIT_SEEN, "DC01", -1}, // another Repository's audit
    {"A7", "VLT1", nullptr, ZELVAUDIT_SEEN, "DC01", ZELVCERT_DEFICIT},
    {"A8", "DC01", nullptr, ZELVAUDIT_NONE, "", -1},
};

class ZELVAuditTest : public ZelvEngineTest {
protected:
    void SetUp() override {
        ZelvEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ZELVCUSTEx c;
        c.customerId = "ACME";
        ASSERT_OK(mfc.Add(c));
        ZELVMEDIAEx media;
        media.customerId = "ACME";
        media.mediaId = "LTO6";
        ASSERT_OK(mfc.Add(media));
        for (const char* id : {"DC01", "VLT1"}) {
            ZELVREPOSITORY rep;
            rep.repositoryId = id;
            ASSERT_OK(mfc.Add(rep));
        }
        for (const AuditRow& row : kRows) {
            ASSERT_OK(mfc.Add(NewVolume("ACME", "LTO6", row.volume, row.at, row.target)));
            if (row.outcome == ZELVAUDIT_NONE)
                continue;
            ZELVVOLSEx v;
            v.key = NewVolume("ACME", "LTO6", row.volume).key;
            ASSERT_OK(mfc.Get(&v));
            ZELVAUDIT a;
            a.key = v.key;
            a.version = v.vol.version;
            a.repositoryId = row.auditAt;
            a.outcome = row.outcome;
            a.flags = row.outcome == ZELVAUDIT_SEEN ? ZELVVOL_AUDITPASSED : ZELVVOL_AUDITFAILED;
            ASSERT_OK(mfc.PutAudit(a));
        }
    }
};

TEST_P(ZELVAuditTest, CertificateCountsEveryExpectedOrAuditedVolume) {
    ZELV10CERTIFICATIONKey key;
    const CZELV10RC rc = mfc.Certify("ACME", "LTO6", "VLT1", "Quarterly", &key);
    ASSERT_TRUE(rc.IsOK()) << rc.Get().toStdString();
    EXPECT_TRUE(rc.Get().contains("Refused certificate of ACME.LTO6 in VLT1"))
        << rc.Get().toStdString();

    std::vector<ZELV10CERTIFICATIONKey> certificates;
    ASSERT_OK(mfc.List(&certificates, "ACME", "LTO6", "VLT1"));
    ASSERT_EQ(certificates.size(), 1u);
    const ZELV10CERTIFICATIONKey& stored = certificates.front();
    EXPECT_EQ(stored.time, key.time);
    EXPECT_EQ(stored.description.Text(), QStringLiteral("Quarterly"));
    EXPECT_EQ(stored.signature, key.signature);
    EXPECT_NE(key.signature, (std::array<uint32_t, 2>{0, 0}));

    std::vector<ZELV10CERTIFICATIONITEM> items;
    ASSERT_OK(mfc.List(&items, "ACME", "LTO6", "VLT1", key.time));
    uint32_t expected = 0, surplus = 0, deficit = 0;
    for (const AuditRow& row : kRows) {
        const auto it = std::find_if(items.begin(), items.end(), [&](const auto& i) {
            return i.volumeId.Text() == QLatin1String(row.volume);
        });
        if (row.status < 0) {
            EXPECT_EQ(it, items.end()) << row.volume;
            continue;
        }
        ++expected;
        surplus += row.status == ZELVCERT_SURPLUS;
        deficit += row.status == ZELVCERT_DEFICIT;
        ASSERT_NE(it, items.end()) << row.volume;
        EXPECT_EQ(it->status, uint32_t(row.status)) << row.volume;
    }
    EXPECT_EQ(items.size(), expected);
    EXPECT_EQ(stored.items, expected);
    EXPECT_EQ(stored.surplus, surplus);
    EXPECT_EQ(stored.deficit, deficit);
    EXPECT_FALSE(stored.IsCertified());

    ZELV10IPDETAILS who;
    ASSERT_OK(mfc.GetUpdateDetails(&who, stored));
    EXPECT_EQ(who.when, key.time);
}

TEST_P(ZELVAuditTest, SignatureCatchesEveryLaterChange) {
    ZELV10CERTIFICATIONKey key;
    ASSERT_OK(mfc.Certify("ACME", "LTO6", "VLT1", "Audit", &key));
    bool intact = false;
    ASSERT_OK(mfc.VerifyCertificate(key, &intact));
    EXPECT_TRUE(intact);
    // Each edit behind the library's back, then undone.
    const struct {
        const char* edit;
        const char* undo;
    } edits[] = {
        {"UPDATE certificate_item SET status = 0 WHERE volume_id = 'A2'",
         "UPDATE certificate_item SET status = 2 WHERE volume_id = 'A2'"},
        {"DELETE FROM certificate_item WHERE volume_id = 'A5'",
         "INSERT INTO certificate_item (certificate_id, volume_id, status)"
         " SELECT certificate_id, 'A5', 1 FROM certificate"},
        {"UPDATE certificate SET deficit = 0, surplus = 0",
         "UPDATE certificate SET deficit = 3, surplus = 1"},
        {"UPDATE certificate SET description = 'Other'",
         "UPDATE certificate SET description = 'Audit'"},
    };
    for (const auto& e : edits) {
        ASSERT_TRUE(db->Exec(QString::fromLatin1(e.edit))) << e.edit;
        ASSERT_OK(mfc.VerifyCertificate(key, &intact));
        EXPECT_FALSE(intact) << e.edit;
        ASSERT_TRUE(db->Exec(QString::fromLatin1(e.undo))) << e.undo;
        ASSERT_OK(mfc.VerifyCertificate(key, &intact));
        EXPECT_TRUE(intact) << e.undo;
    }
    // No certificate at that time: said so, not "intact".
    ZELV10CERTIFICATIONKey other = key;
    other.time += 1;
    EXPECT_EQ(mfc.VerifyCertificate(other, &intact).Code(), uint32_t(ZELV10RC_NOTREAD));
}

TEST_P(ZELVAuditTest, PostgresKeyIsForTheDatabaseOnly) {
    if (db->Engine() != TestEngine::PostgreSQL)
        GTEST_SKIP() << "the embedded key sits in the file";
    ZELV10CERTIFICATIONKey key;
    ASSERT_OK(mfc.Certify("ACME", "LTO6", "VLT1", "Audit", &key));
    const QString role = QStringLiteral("op_%1").arg(QDateTime::currentMSecsSinceEpoch());
    const ZELVServerAddress& a = db->Address();
    const QString name = QStringLiteral("audit-operator");
    {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        pg.setHostName(a.host);
        pg.setPort(a.port);
        pg.setUserName(a.user);
        pg.setPassword(a.password);
        pg.setDatabaseName(a.database);
        ASSERT_TRUE(pg.open());
        QSqlQuery q(pg);
        for (const QString& sql :
             {QStringLiteral("CREATE ROLE %1").arg(role),
              QStringLiteral("GRANT %1 TO CURRENT_USER").arg(role),
              QStringLiteral("GRANT SELECT, UPDATE ON certificate, certificate_item TO %1")
                  .arg(role),
              QStringLiteral("SET ROLE %1").arg(role)})
            ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        // As the operator: the key and the MAC are closed to it, the check is
        // open, and an edit it makes is caught.
        EXPECT_FALSE(q.exec(QStringLiteral("SELECT key_hex FROM certificate_key")));
        EXPECT_FALSE(q.exec(QStringLiteral("SELECT certificate_mac(1)")));
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE certificate_item SET status = 0")));
        ASSERT_TRUE(
            q.exec(QStringLiteral("SELECT certificate_intact(certificate_id) FROM certificate")));
        ASSERT_TRUE(q.next());
        EXPECT_FALSE(q.value(0).toBool());
        q.exec(QStringLiteral("RESET ROLE"));
        q.exec(QStringLiteral("DROP OWNED BY %1").arg(role));
        q.exec(QStringLiteral("DROP ROLE %1").arg(role));
        pg.close();
    }
    QSqlDatabase::removeDatabase(name);
    bool intact = true;
    ASSERT_OK(mfc.VerifyCertificate(key, &intact));
    EXPECT_FALSE(intact);
}

TEST_P(ZELVAuditTest, AuditWriteNeverLandsOnAnotherOperatorsChange) {
    ZELVVOLSEx mine;
    mine.key = NewVolume("ACME", "LTO6", "A3").key;
    ASSERT_OK(mfc.Get(&mine));
    // Another workstation moves the Volume in between.
    auto other = SecondConnection();
    ZELVVOLSEx theirs = mine;
    ASSERT_OK(other->Get(&theirs));
    theirs.vol.Target().repositoryId = "DC01";
    ASSERT_OK(other->Update(theirs));

    std::vector<ZELVAUDIT> audits(2);
    audits[0].key = mine.key;
    audits[0].version = mine.vol.version; // stale
    audits[0].repositoryId = "VLT1";
    audits[0].outcome = ZELVAUDIT_DEFICIT;
    audits[0].flags = ZELVVOL_AUDITFAILED;
    ZELVVOLSEx a1;
    a1.key = NewVolume("ACME", "LTO6", "A1").key;
    ASSERT_OK(mfc.Get(&a1));
    audits[1] = audits[0];
    audits[1].key = a1.key;
    audits[1].version = a1.vol.version;
    std::vector<CZELV10RC> results;
    std::vector<uint64_t> versions;
    ASSERT_OK(mfc.PutAudits(audits, &results, &versions));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].Code(), uint32_t(ZELV10RC_CHANGED));
    EXPECT_TRUE(results[1].IsOK()) << results[1].Get().toStdString();
    EXPECT_EQ(versions[1], a1.vol.version + 1);

    ZELVVOLSEx now = mine;
    ASSERT_OK(mfc.Get(&now));
    EXPECT_EQ(now.vol.Target().repositoryId.Text(), QStringLiteral("DC01"));
    EXPECT_EQ(now.vol.flags & ZELVVOL_AUDITBITS, 0u);
    ASSERT_OK(mfc.Get(&a1));
    EXPECT_EQ(a1.vol.flags & ZELVVOL_AUDITBITS, ZELVVOL_AUDITFAILED);
    // The write left its trace in the Volume's history.
    std::vector<ZELVVOLHISTORY> history;
    ASSERT_OK(mfc.List(&history, "ACME", "LTO6", "A1", true));
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front().action.Text(), QStringLiteral("audit"));
}

INSTANTIATE_TEST_SUITE_P(Engines, ZELVAuditTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), EngineName);

} // namespace
