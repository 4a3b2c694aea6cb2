#include "CertificateDlgs.h"

#include "Reconciliation.h"
#include "ZELV10MFC.h"
#include "ZELV10UpdateStatsGridCtrl.h"
#include "ZELVPropertyGridCtrl.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// "Name" of a record, or "ID(%.*s)" when it has none.
template <typename Rec> QString NameOf(const Rec& rec, const QString& id) {
    const QString name = rec.name.Text();
    return name.isEmpty() ? QStringLiteral("ID(%1)").arg(id) : name;
}

} // namespace

// --- Item list ------------------------------------------------------------------------

QString CCertificatePropertiesListCtrl::Rows::Text(int row, int column) const {
    const ZELV10CERTIFICATIONITEM* item = At(row);
    if (!item)
        return {};
    return column == ColVolume ? item->volumeId.Text()
                               : ZelvCertificateText::ItemStatus(item->status);
}

CCertificatePropertiesListCtrl::CCertificatePropertiesListCtrl(QWidget* parent)
    : CZELVListCtrl(parent) {
    InsertColumn(ColVolume, QStringLiteral("Volume"), 120, Qt::AlignLeft);
    InsertColumn(ColStatus, QStringLiteral("Status"), 150, Qt::AlignLeft);
    SetRows(&m_rows);
    EnableFilterBar(10);
    connect(this, &CZELVListCtrl::FilterChanged, this, [this](int) { BuildShown(); });
}

CCertificatePropertiesListCtrl::~CCertificatePropertiesListCtrl() {
    SetRows(nullptr);
}

void CCertificatePropertiesListCtrl::SetItems(std::vector<ZELV10CERTIFICATIONITEM> items) {
    m_rows.Pointers().clear();
    m_items = std::move(items);
    BuildShown();
}

void CCertificatePropertiesListCtrl::BuildShown() {
    auto& shown = m_rows.Pointers();
    shown.clear();
    for (const ZELV10CERTIFICATIONITEM& item : m_items) {
        if ((!GetFilterText(ColVolume).isEmpty() &&
             !FilterMatchesText(ColVolume, item.volumeId.Text())) ||
            (!GetFilterText(ColStatus).isEmpty() &&
             !FilterMatchesText(ColStatus, ZelvCertificateText::ItemStatus(item.status))))
            continue;
        shown.push_back(&item);
    }
    Reload();
}

// --- Properties -----------------------------------------------------------------------

CCertificatePropertiesDlg::CCertificatePropertiesDlg(CZELV10MFC& connection,
                                                     const ZELV10CERTIFICATIONKey& key,
                                                     const ZELVClock& clock, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("certificatePropertiesDlg"));
    setWindowTitle(QStringLiteral("Certificate Properties"));
    resize(560, 620);
    const QString c = key.customerId.Text(), m = key.mediaId.Text(), r = key.repositoryId.Text();

    m_tabs = new QTabWidget(this);
    auto* page = new QWidget(m_tabs);
    auto* pageLayout = new QVBoxLayout(page);
    m_grid = new CZELVPropertyGridCtrl(page);
    m_grid->setObjectName(QStringLiteral("certificateGrid"));
    m_grid->EnableHeaderCtrl(true, QStringLiteral("Property"), QStringLiteral("Value"));
    CZELVPropertyGridProperty* scope = m_grid->AddGroup(QStringLiteral("Scope"));
    ZELVCUSTEx customer;
    ZELVMEDIAEx media;
    ZELVREPOSITORY repository;
    scope->AddSubItem(QStringLiteral("Customer"),
                      connection.Get(&customer, c).IsOK() ? NameOf(customer, c)
                                                          : QStringLiteral("ID(%1)").arg(c),
                      QString(), true);
    scope->AddSubItem(QStringLiteral("Media Type"),
                      connection.Get(&media, c, m).IsOK() ? NameOf(media, m)
                                                          : QStringLiteral("ID(%1)").arg(m),
                      QString(), true);
    scope->AddSubItem(QStringLiteral("Repository"),
                      connection.Get(&repository, c, m, r).IsOK() ? NameOf(repository, r)
                                                                  : QStringLiteral("ID(%1)").arg(r),
                      QString(), true);
    scope->AddSubItem(QStringLiteral("Description"), key.description.Text(), QString(), true);
    scope->AddSubItem(QStringLiteral("Signature"), ZelvCertificateText::Signature(key), QString(),
                      true);
    CZELVPropertyGridProperty* status = m_grid->AddGroup(QStringLiteral("Status"));
    status->AddSubItem(QStringLiteral("Certification Status"), ZelvCertificateText::Status(key),
                       QString(), true);
    CZELVPropertyGridProperty* results = m_grid->AddGroup(QStringLiteral("Results"));
    results->AddSubItem(QStringLiteral("Total Items"), ZelvCertificateText::Number(key.items),
                        QString(), true);
    results->AddSubItem(QStringLiteral("Deficit Items"), ZelvCertificateText::Number(key.deficit),
                        QString(), true);
    results->AddSubItem(QStringLiteral("Surplus Items"), ZelvCertificateText::Number(key.surplus),
                        QString(), true);
    m_grid->ExpandAll();
    pageLayout->addWidget(m_grid, 3);

    m_stats = new CZELV10UpdateStatsGridCtrl(page);
    m_stats->setObjectName(QStringLiteral("certificateUpdateStats"));
    ZELV10IPDETAILS details;
    if (connection.GetUpdateDetails(&details, key).IsOK())
        m_stats->ShowDetails(details, clock);
    pageLayout->addWidget(m_stats, 2);
    m_tabs->addTab(page, QStringLiteral("Certificate"));

    m_items = new CCertificatePropertiesListCtrl(m_tabs);
    m_items->setObjectName(QStringLiteral("certificateItems"));
    std::vector<ZELV10CERTIFICATIONITEM> items;
    // A failing list leaves the list empty.
    if (connection.List(&items, c, m, r, key.time).IsOK())
        m_items->SetItems(std::move(items));
    m_tabs->addTab(m_items, QStringLiteral("Certificate Item List"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
}

// --- Create ----------------------------------------------------------------------------

CCertificateCreateDlg::CCertificateCreateDlg(CZELV10MFC& connection, const QString& customer,
                                             const QString& media, const QString& repository,
                                             QWidget* parent)
    : QDialog(parent), m_connection(connection), m_customer(customer), m_media(media),
      m_repository(repository) {
    setObjectName(QStringLiteral("certificateCreateDlg"));
    setWindowTitle(QStringLiteral("Create Certificate"));
    resize(480, 320);
    auto* text = new QLabel(QStringLiteral("A Certificate is a digitally signed document that "
                                           "proves the point in time status of a Repository."),
                            this);
    text->setWordWrap(true);
    m_grid = new CZELVPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("certificateCreateGrid"));
    CZELVPropertyGridProperty* group = m_grid->AddGroup(QStringLiteral("Certificate Properties"));
    group->AddSubItem(QStringLiteral("Description"), QString(),
                      QStringLiteral("What this certificate is for (up to 40 characters)"));
    m_grid->ExpandAll();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("certificateStatus"));
    m_status->setWordWrap(true);
    m_status->hide();

    m_create = new QPushButton(QStringLiteral("Create Certificate"), this);
    m_create->setObjectName(QStringLiteral("createCertificate"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_create, &QPushButton::clicked, this, &CCertificateCreateDlg::CreateCertificate);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_create);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
}

void CCertificateCreateDlg::SetDescription(const QString& text) {
    if (CZELVPropertyGridProperty* p = m_grid->FindProperty(QStringLiteral("Description")))
        m_grid->CommitValue(p, text);
}

void CCertificateCreateDlg::CreateCertificate() {
    if (m_created)
        return;
    m_created = true;
    const CZELVPropertyGridProperty* p = m_grid->FindProperty(QStringLiteral("Description"));
    const QString description = p ? p->GetValue().toString() : QString();
    m_result = m_connection.Certify(m_customer, m_media, m_repository, description, &m_key);
    CZELVPropertyGridProperty* group =
        m_grid->FindProperty(QStringLiteral("Certificate Properties"));
    if (group)
        group->AddSubItem(QStringLiteral("Creation Status"), m_result.Get(), QString(), true);
    m_ok->setEnabled(true);
    m_cancel->setEnabled(false);
    m_create->setEnabled(false);
    m_status->setText(m_result.Get());
    m_status->show();
}
