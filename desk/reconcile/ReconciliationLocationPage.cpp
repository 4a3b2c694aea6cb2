#include "ReconciliationLocationPage.h"

#include "Reconciliation.h"
#include "ZELV10MFC.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVListCtrl.h"

#include <QVBoxLayout>

namespace {

constexpr struct {
    const char* heading;
    int width;
    Qt::Alignment align;
} kColumns[] = {
    {"Time", 250, Qt::AlignLeft},    {"Certification Status", 100, Qt::AlignLeft},
    {"Items", 80, Qt::AlignRight},   {"Surplus", 80, Qt::AlignRight},
    {"Deficit", 80, Qt::AlignRight}, {"Description", 150, Qt::AlignLeft},
};

} // namespace

QString CReconciliationLocationPage::Rows::Text(int row, int column) const {
    return ZelvCertificateText::Cell(m_page.m_keys[size_t(row)], column);
}

int CReconciliationLocationPage::Rows::Image(int row, int column) const {
    return ZelvCertificateText::Image(m_page.m_keys[size_t(row)], column);
}

CReconciliationLocationPage::CReconciliationLocationPage()
    : CLocationPage(IDD_RECONCILIATION_LOCATION, 0, 0, QStringLiteral("reconciliationLocation"),
                    QStringLiteral("The Reconciliation Location screen allows you to select the "
                                   "Repository that you wish to audit. The certificates of the "
                                   "selected Repository are shown below it."),
                    QStringLiteral("You can select a Repository by double-clicking the "
                                   "Repository, or by selecting the Repository and clicking "
                                   "Next. Double-click a certificate to see its properties."),
                    kListName) {
    m_certificates = new CZELVListCtrl(this);
    m_certificates->setObjectName(QStringLiteral("certificateList"));
    int c = 0;
    for (const auto& col : kColumns)
        m_certificates->InsertColumn(c++, QString::fromLatin1(col.heading), col.width, col.align);
    m_certificates->LoadIcons({391, 388, 368});
    m_certificates->SetRows(&m_rows);
    m_certificates->hide();
    connect(m_certificates, &CZELVListCtrl::ItemDoubleClicked, this,
            [this](int row, int) { OpenCertificate(row); });
    static_cast<QVBoxLayout*>(layout())->addWidget(m_certificates, 1);
    connect(List(), &CZELVListCtrl::SelectionChanged, this,
            &CReconciliationLocationPage::OnRepositoryChanged);
}

CReconciliationLocationPage::~CReconciliationLocationPage() {
    m_certificates->SetRows(nullptr);
}

void CReconciliationLocationPage::OnSetActive() {
    CZELVDeskSheet* sheet = Activate();
    if (!sheet)
        return;
    m_certificates->SetPrompter(&sheet->GetPrompter());
    m_certificates->SetSettings(&sheet->Host().Profile());
    // This page fills its own list, under the sheet's location pattern.
    CZELV10RepositoryRows* rows = sheet->LocationList(TaskReconciliation);
    rows->FillForMedia(sheet->Connection(), sheet->Customer(), sheet->Media());
    List()->SetSource(rows);
    List()->Refresh();
    OnRepositoryChanged();
}

void CReconciliationLocationPage::OnRepositoryChanged() {
    CZELVDeskSheet* sheet = Desk();
    const ZELVREPOSITORYFULL* repository = List()->SelectedRepository();
    m_keys.clear();
    if (!sheet || !repository) {
        m_certificates->Reload();
        m_certificates->hide();
        List()->setFocus();
        return;
    }
    // A failing list leaves the list empty.
    std::vector<ZELV10CERTIFICATIONKey> keys;
    if (sheet->Connection()
            .List(&keys, sheet->Customer(), sheet->Media(), repository->repositoryId.Text())
            .IsOK())
        m_keys = std::move(keys);
    m_certificates->Reload();
    m_certificates->show();
    m_certificates->SizeColumnToHeader(ZelvCertificateText::ColDescription);
}

void CReconciliationLocationPage::OpenCertificate(int row) {
    CZELVDeskSheet* sheet = Desk();
    const int source = m_certificates->SourceRow(row);
    if (!sheet || source < 0 || source >= int(m_keys.size()))
        return;
    CCertificatePropertiesDlg dlg(sheet->Connection(), m_keys[size_t(source)], sheet->Clock(),
                                  sheet);
    if (m_runDialog)
        m_runDialog(dlg);
    else
        dlg.exec();
}

int CReconciliationLocationPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const ZELVREPOSITORYFULL* repository = Chosen();
    if (!repository)
        return kStay;
    sheet->SetRepository(repository->repositoryId.Text());
    return IDD_RECONCILIATION_SCAN;
}

int CReconciliationLocationPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    return sheet ? sheet->CustomerBackTarget() : int(IDD_INTRO);
}
