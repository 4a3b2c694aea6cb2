#pragma once

#include "ZELV10MFC.h"
#include "ZelvTestPassword.h"

#include <QTemporaryDir>
#include <memory>

// A fresh embedded database made with the api, and a connection logged on to
// it as ANNA: Customer ACME with the Media Types LTO6 (Volumes A00001 to
// A00003) and CONT (Containers, pattern "C*", with C00001).
class ApiUiTestDb {
public:
    ApiUiTestDb() {
        if (!m_dir.isValid())
            return;
        m_address.filePath = m_dir.filePath(QStringLiteral("kelmar-ui.db"));
        m_address.user = QStringLiteral("ANNA");
        m_address.password = ZelvTestPassword();
        m_mfc = Connect(m_address, nullptr, 1 | CZELV10MFC::kLogonCreateOwner);
        if (!m_mfc)
            return;
        ZELVCUSTEx cust;
        cust.customerId = "ACME";
        cust.name = "Acme Corp";
        if (!m_mfc->Add(cust).IsOK())
            return;
        for (const char* m : {"LTO6", "CONT"}) {
            ZELVMEDIAEx media;
            media.customerId = "ACME";
            media.mediaId = m;
            media.name = m;
            media.containerPattern = QString::fromLatin1(m) == QLatin1String("CONT") ? "C*" : "";
            if (!m_mfc->Add(media).IsOK())
                return;
        }
        for (const char* v : {"LTO6.A00001", "LTO6.A00002", "LTO6.A00003", "CONT.C00001"}) {
            const QStringList parts = QString::fromLatin1(v).split(QLatin1Char('.'));
            ZELVVOLSEx vol;
            vol.key.customerId = "ACME";
            vol.key.mediaId = parts[0];
            vol.key.volumeId = parts[1];
            for (ZELVVOLLOC& loc : vol.vol.location)
                loc.repositoryId = "INIT";
            if (!m_mfc->Add(vol).IsOK())
                return;
        }
        m_ready = true;
    }

    bool Ready() const { return m_ready; }
    CZELV10MFC& Connection() { return *m_mfc; }
    const ZELVServerAddress& Address() const { return m_address; }

    // Another connection to the same database; null when its logon fails.
    static std::unique_ptr<CZELV10MFC> Connect(const ZELVServerAddress& address,
                                               CZELV10RC* result = nullptr, int flags = 1) {
        auto mfc = std::make_unique<CZELV10MFC>();
        mfc->SetProgramID(CZELV10MFC::kProgramDesk);
        mfc->SetServerAddress(address);
        const CZELV10RC rc = mfc->Logon(flags);
        if (result)
            *result = rc;
        return rc.IsOK() ? std::move(mfc) : nullptr;
    }

private:
    QTemporaryDir m_dir;
    ZELVServerAddress m_address;
    std::unique_ptr<CZELV10MFC> m_mfc;
    bool m_ready = false;
};
