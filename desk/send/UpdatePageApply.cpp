#include "UpdatePageApply.h"

#include "UpdateEngine.h"
#include "UpdateItem.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELVIcons.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

CUpdatePageApply::CUpdatePageApply() : CZELVDeskPage(IDD_UPDATE_APPLY) {
    auto* intro = new QLabel(
        QStringLiteral("This screen shows you the final results of your Send operation."), this);
    m_list = new CZELVListCtrl(this);
    m_list->setObjectName(QStringLiteral("applyList"));
    m_list->InsertColumn(ColVolume, QStringLiteral("Volume"), 140);
    m_list->InsertColumn(ColCurrent, QStringLiteral("Current"), 130);
    m_list->InsertColumn(ColTarget, QStringLiteral("Target"), 130);
    m_list->InsertColumn(ColNextMove, QStringLiteral("Next move"), 80);
    m_list->InsertColumn(ColDescription, QStringLiteral("Description"), 130);
    m_list->InsertColumn(ColStatus, QStringLiteral("Status"), 100);
    m_list->SizeColumnToHeader(ColStatus);
    QList<QIcon> images = {ZELVIcon(236), ZELVIcon(227)};
    images.append(RepositoryImageList());
    images.append(ZELVIcon(356));
    m_list->SetImages(images);
    m_list->SetSortOnClick(false);
    m_list->SetRows(&m_rows);
    m_list->SetReportTitle(QStringLiteral("Kelmar Lite Send Results"));

    m_menu = new QMenu(this);
    QMenu* exportMenu = m_menu->addMenu(QStringLiteral("&Export"));
    exportMenu->addAction(QStringLiteral("To &Text File"), this, [this]() {
        m_list->ExportText(QStringLiteral("Kelmar Lite Send Results"), QString(), 0);
    });
    m_list->SetContextMenu(m_menu, 0);

    m_update = new QProgressBar(this);
    m_verify = new QProgressBar(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(new QLabel(QStringLiteral("Update Progress"), this));
    layout->addWidget(m_update);
    layout->addWidget(new QLabel(QStringLiteral("Verification Progress"), this));
    layout->addWidget(m_verify);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CUpdatePageApply::Run);
}

void CUpdatePageApply::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->setWindowTitle(QStringLiteral("Kelmar Lite\u2122 - Send Apply and Verify"));
    sheet->SetWizardButtons(CZELVWizardSheet::WizNext);
    const int count = sheet->ScanList().Count();
    m_rows.m_count = count;
    m_list->Reload();
    m_update->setRange(0, count);
    m_verify->setRange(0, count);
    m_update->setValue(0);
    m_verify->setValue(0);
    m_places.clear();
    m_timer->start(kDelayMs);
}

void CUpdatePageApply::OnKillActive() {
    m_timer->stop();
}

const std::vector<ZELVCLUSTERFULL>& CUpdatePageApply::ClustersOf(const QString& customer) {
    auto it = m_clusters.find(customer);
    if (it == m_clusters.end()) {
        std::vector<ZELVCLUSTERFULL> list;
        Desk()->Connection().List(&list, customer);
        it = m_clusters.insert(customer, std::move(list));
    }
    return *it;
}

const CUpdatePageApply::Place& CUpdatePageApply::PlaceOf(const QString& customer,
                                                         const QString& media,
                                                         const QString& repository) {
    const QString key = CZELV10RepositoryCache::Key(customer, media, repository);
    auto it = m_places.find(key);
    if (it == m_places.end()) {
        CZELV10RepositoryCache& cache = Desk()->RepositoryCache();
        it = m_places.insert(key,
                             {cache.DisplayNameOf(customer, media, repository),
                              cache.ImageIndex(customer, media, repository, kRepositoryImageBase)});
    }
    return *it;
}

void CUpdatePageApply::Run() {
    m_timer->stop();
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CZELV10MFC& mfc = sheet->Connection();
    TransactionLog& log = sheet->Log();
    UpdateItemList& list = sheet->ScanList();
    m_clusters.clear();

    m_phase = 1;
    log.Write("Starting Volume Update");
    CZELV10RCList results;
    for (int i = 0; i < list.Count(); ++i) {
        UpdateItem* item = list.At(i);
        const CZELV10RC rc = item->ApplyUpdate(mfc);
        results.Add(rc, item->DisplayName());
        log.Write("%s: %s", Utf8(item->DisplayName()).constData(), Utf8(rc.Get()).constData());
        m_list->RedrawRow(i);
        m_update->setValue(i + 1);
    }
    m_ok = results.GetOKCount();
    m_notOK = results.GetNotOKCount();
    log.Write("Updates complete: OK(%d) NotOK(%d)", m_ok, m_notOK);
    CZELV10RCListDlg::Display(results, 0, this);

    m_phase = 2;
    WriteVerificationReport(
        log, mfc, list.Count(),
        [&](int i) {
            UpdateItem* item = list.At(i);
            const CZELV10RC rc = item->Lookup(mfc);
            return CVerificationRead{rc, &item->record, item->serverDescription,
                                     &ClustersOf(item->record.key.customerId.Text())};
        },
        [this](int position) {
            m_list->RedrawRow(position - 1);
            m_verify->setValue(position);
        });
    m_list->RedrawAll();
}

int CUpdatePageApply::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    UpdateItemList& list = sheet->ScanList();
    int withAttributes = 0;
    QString customer;
    bool defined = false;
    for (int i = 0; i < list.Count(); ++i) {
        UpdateItem* item = list.At(i);
        const QString c = item->record.key.customerId.Text();
        if (i == 0 || c != customer) {
            customer = c;
            ZELVATTRIBUTETYPE types;
            defined = false;
            if (sheet->Connection().Get(&types, c).IsOK())
                for (const ZELVATTRIBUTETYPEENTRY& e : types.entries)
                    defined = defined || !e.name.IsEmpty();
        }
        item->hasAttributes = defined;
        if (defined)
            ++withAttributes;
    }
    if (withAttributes > 0)
        return IDD_EXTENDED_ATTRIBUTES;
    list.RemoveAll();
    return IDD_FINAL;
}

QString CUpdatePageApply::Rows::Text(int row, int column) const {
    CZELVDeskSheet* sheet = m_page.Desk();
    const UpdateItem* item = sheet ? sheet->ScanList().At(row) : nullptr;
    if (!item)
        return {};
    const ZELVVOLSEx& r = item->record;
    const QString c = r.key.customerId.Text(), m = r.key.mediaId.Text();
    const bool updating = m_page.m_phase == 1;
    switch (column) {
    case ColVolume:
        return item->DisplayName();
    case ColCurrent:
        return m_page.PlaceOf(c, m, r.vol.Current().repositoryId.Text()).name;
    case ColTarget:
        return m_page.PlaceOf(c, m, updating ? item->target : r.vol.Target().repositoryId.Text())
            .name;
    case ColNextMove:
        if (updating)
            return item->hasNextMove ? FormatDate(item->nextMove, "%Y-%m-%d")
                                     : QStringLiteral("Permanent");
        return (r.vol.flags & ZELVVOL_MOVEDATE) ? FormatDate(r.vol.moveDate, "%Y-%m-%d")
                                                : QStringLiteral("Permanent");
    case ColDescription:
        return updating ? item->description : item->serverDescription;
    case ColStatus:
        return item->updateResult.Get();
    default:
        return {};
    }
}

int CUpdatePageApply::Rows::Image(int row, int column) const {
    CZELVDeskSheet* sheet = m_page.Desk();
    const UpdateItem* item = sheet ? sheet->ScanList().At(row) : nullptr;
    if (!item)
        return -1;
    const ZELVVOLSEx& r = item->record;
    const QString c = r.key.customerId.Text(), m = r.key.mediaId.Text();
    switch (column) {
    case ColVolume:
        return item->IsContainer() ? 1 : 0;
    case ColCurrent:
        return m_page.PlaceOf(c, m, r.vol.Current().repositoryId.Text()).image;
    case ColTarget:
        return m_page
            .PlaceOf(c, m, m_page.m_phase == 1 ? item->target : r.vol.Target().repositoryId.Text())
            .image;
    default:
        return -1;
    }
}

QColor CUpdatePageApply::Rows::TextColour(int) const {
    return m_page.m_phase == 1 ? QColor(100, 100, 100) : QColor();
}
