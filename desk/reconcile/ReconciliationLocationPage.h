#pragma once

#include "CertificateDlgs.h"
#include "LocationPage.h"
#include "ZELV10AuditRecords.h"
#include "ZELVDeskIds.h"
#include "ZELVListModel.h"

#include <vector>

class CZELVListCtrl;

// Reconciliation Location: the Repository to audit, and below it the
// certificates of the selected Repository.
class CReconciliationLocationPage : public CLocationPage {
    Q_OBJECT
public:
    static inline const QString kListName = QStringLiteral("ReconciliationLocation_List");

    CReconciliationLocationPage();
    ~CReconciliationLocationPage() override;

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

    // The Repository list's selection changed: the certificates of the row.
    void OnRepositoryChanged();
    // Certificate Properties of a row of the certificate list, modally.
    void OpenCertificate(int row);
    void SetDialogRunner(ZelvDialogRunner runner) { m_runDialog = std::move(runner); }

    CZELVListCtrl* Certificates() const { return m_certificates; }
    const std::vector<ZELV10CERTIFICATIONKey>& Keys() const { return m_keys; }

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(const CReconciliationLocationPage& page) : m_page(page) {}
        int RowCount() const override { return int(m_page.m_keys.size()); }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        const void* Record(int row) const override { return &m_page.m_keys[size_t(row)]; }

    private:
        const CReconciliationLocationPage& m_page;
    };

    std::vector<ZELV10CERTIFICATIONKey> m_keys;
    Rows m_rows{*this};
    CZELVListCtrl* m_certificates = nullptr;
    ZelvDialogRunner m_runDialog;
};
