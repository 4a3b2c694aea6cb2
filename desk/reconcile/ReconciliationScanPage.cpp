#include "ReconciliationScanPage.h"

#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10ProgressWnd.h"
#include "ZELV10RCListDlg.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskSheet.h"
#include "ZELVExport.h"
#include "ZELVLogListCtrl.h"
#include "ZELVPrompter.h"
#include "ZELVPropertyGridCtrl.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

using Item = CReconciliationScanItem;

namespace {

const char* const kStatistics[] = {"Total",     "Scanned",    "Unscanned", "Undefined",
                                   "Moving-In", "Duplicates", "Bad scope", "Not in list"};

enum ThreeWayColumn { TwVolume = 0, TwExpected, TwScanned, TwListed, TwDifference };

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

QString YesNo(bool yes) {
    return yes ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace

// --- List --------------------------------------------------------------------------

CReconciliationListCtrl::CReconciliationListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    InsertColumn(ColVolume, QStringLiteral("Volume-ID"), 100, Qt::AlignLeft);
    InsertColumn(ColScanCount, QStringLiteral("Scan Count"), 70, Qt::AlignRight);
    InsertColumn(ColStatus, QStringLiteral("Status"), 150, Qt::AlignLeft);
    InsertColumn(ColDifference, QStringLiteral("Vault Manifest"), 110, Qt::AlignLeft);
    LoadIcons({236, 227});
}

QString CReconciliationScanPage::Rows::Text(int row, int column) const {
    const Item* item = At(row);
    return item ? CellText(*item, column) : QString();
}

QString CReconciliationScanPage::Rows::CellText(const Item& item, int column) {
    switch (column) {
    case CReconciliationListCtrl::ColVolume:
        return item.volumeId;
    case CReconciliationListCtrl::ColScanCount:
        return ZelvCertificateText::Number(item.scanCount);
    case CReconciliationListCtrl::ColStatus:
        return item.StatusText();
    case CReconciliationListCtrl::ColDifference:
        return item.difference;
    default:
        return {};
    }
}

int CReconciliationScanPage::Rows::Image(int row, int column) const {
    const Item* item = At(row);
    return item && column == 0 ? item->image : -1;
}

bool CReconciliationScanPage::Rows::IsStruckOut(int row) const {
    const Item* item = At(row);
    return item && (item->status & Item::Scanned);
}

int CReconciliationScanPage::Rows::Compare(int left, int right, int column) const {
    if (column != CReconciliationListCtrl::ColScanCount)
        return CZELVListRows::Compare(left, right, column);
    const uint32_t a = At(left)->scanCount, b = At(right)->scanCount;
    return a < b ? -1 : a > b ? 1 : 0;
}

void CReconciliationScanPage::BuildShown() {
    auto& shown = m_rows.Pointers();
    shown.clear();
    shown.reserve(m_audit.Items().size());
    const bool filtered = m_list->HasActiveFilter();
    for (Item& item : m_audit.Items()) {
        bool pass = true;
        for (int c = 0; filtered && c < CReconciliationListCtrl::ColumnCount && pass; ++c)
            pass = m_list->GetFilterText(c).isEmpty() ||
                   m_list->FilterMatchesText(c, Rows::CellText(item, c));
        if (pass)
            shown.push_back(&item);
    }
    m_list->Reload();
}

QString CReconciliationScanPage::ThreeWayRows::Text(int row, int column) const {
    const CThreeWayRow* r = At(row);
    return r ? CellText(*r, column) : QString();
}

QString CReconciliationScanPage::ThreeWayRows::CellText(const CThreeWayRow& row, int column) {
    const CThreeWayRow* r = &row;
    switch (column) {
    case TwVolume:
        return r->volume;
    case TwExpected:
        return YesNo(r->sources & CThreeWayRow::Expected);
    case TwScanned:
        return YesNo(r->sources & CThreeWayRow::Scanned);
    case TwListed:
        return YesNo(r->sources & CThreeWayRow::Listed);
    case TwDifference:
        return r->Difference();
    default:
        return {};
    }
}

// --- Page ----------------------------------------------------------------------------

CReconciliationScanPage::CReconciliationScanPage()
    : CScanPage(IDD_RECONCILIATION_SCAN,
                QStringLiteral("The Reconciliation Scan screen lists every Volume that should be "
                               "in the Repository or is moving into it. Scan the Volumes that are "
                               "there; a vault's own list can be loaded to compare all three."),
                QStringLiteral("Repository")) {
    SetHeader(QString(), QString());
    setObjectName(QStringLiteral("reconciliationScanPage"));

    m_list = new CReconciliationListCtrl(Tabs());
    m_list->setObjectName(QStringLiteral("reconciliationList"));
    m_list->SetRows(&m_rows);
    m_list->EnableFilterBar(10);
    m_list->SetReportTitle(QString::fromLatin1(kReportTitle));
    connect(m_list, &CZELVListCtrl::FilterChanged, this, [this](int) { BuildShown(); });

    // "RECONCILIATION": Edit, &Copy; &Export, To &Text File, To &XML File.
    m_menu = new QMenu(this);
    QMenu* popup = m_menu->addMenu(QStringLiteral("RECONCILIATION"));
    QMenu* edit = popup->addMenu(QStringLiteral("Edit"));
    QAction* copy = edit->addAction(QStringLiteral("&Copy"));
    copy->setData(kCopyCommand);
    connect(copy, &QAction::triggered, this, &CReconciliationScanPage::CopySelected);
    QMenu* exportMenu = popup->addMenu(QStringLiteral("&Export"));
    QAction* text = exportMenu->addAction(QStringLiteral("To &Text File"));
    text->setData(kTextCommand);
    connect(text, &QAction::triggered, this, [this] { ExportReport(); });
    QAction* xml = exportMenu->addAction(QStringLiteral("To &XML File"));
    xml->setData(kXmlCommand);
    connect(xml, &QAction::triggered, this, &CReconciliationScanPage::ExportXml);
    m_list->SetContextMenu(m_menu, 0);

    m_stats = new CZELVPropertyGridCtrl(Tabs());
    m_stats->setObjectName(QStringLiteral("reconciliationStatistics"));
    CZELVPropertyGridProperty* group = m_stats->AddGroup(QStringLiteral("Statistics"));
    for (const char* name : kStatistics)
        group->AddSubItem(QString::fromLatin1(name), QVariant::fromValue<qint64>(0), QString(),
                          true);
    m_stats->ExpandAll();

    m_threeWay = new CZELVListCtrl(Tabs());
    m_threeWay->setObjectName(QStringLiteral("threeWayList"));
    int c = 0;
    for (const char* heading : {"Volume", "Expected", "Scanned", "Listed", "Difference"}) {
        m_threeWay->InsertColumn(c, QString::fromLatin1(heading), c == 0 ? 160 : 90, Qt::AlignLeft);
        ++c;
    }
    m_threeWay->SetRows(&m_threeWayRows);
    m_threeWay->EnableFilterBar(10);
    m_threeWay->SetReportTitle(QStringLiteral("Kelmar Lite Three-Way Reconciliation"));
    connect(m_threeWay, &CZELVListCtrl::FilterChanged, this, [this](int) { ShowThreeWayShown(); });

    BuildLayout(m_list, QStringLiteral("Scan Log"), nullptr);
    SetListTabLabel(QStringLiteral("Audit List"));
    Tabs()->insertTab(1, m_stats, QStringLiteral("Statistics"));
    Tabs()->addTab(m_threeWay, QStringLiteral("Vault Manifest"));
    connect(Tabs(), &QTabWidget::currentChanged, this, [this](int index) {
        if (Tabs()->widget(index) == m_threeWay)
            BuildThreeWay();
    });
    auto* load = new QPushButton(QStringLiteral("Load Manifest..."), this);
    load->setObjectName(QStringLiteral("loadManifest"));
    load->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &CReconciliationScanPage::ChooseManifest);
    Tabs()->setCornerWidget(load);
}

CReconciliationScanPage::~CReconciliationScanPage() {
    m_list->SetRows(nullptr);
    m_threeWay->SetRows(nullptr);
}

QString CReconciliationScanPage::KeyText(const QString& volume) const {
    return m_audit.Customer() + QLatin1Char('.') + m_audit.Media() + QLatin1Char('.') + volume;
}

qint64 CReconciliationScanPage::Statistic(const QString& name) const {
    const CZELVPropertyGridProperty* p = m_stats->FindProperty(name);
    return p ? p->GetValue().toLongLong() : -1;
}

void CReconciliationScanPage::ShowStatistics() {
    const CReconciliationStats& s = m_audit.Stats();
    const int values[] = {s.total,    s.scanned,    s.unscanned, s.undefined,
                          s.movingIn, s.duplicates, s.badScope,  s.notInList};
    for (size_t i = 0; i < std::size(kStatistics); ++i)
        if (CZELVPropertyGridProperty* p =
                m_stats->FindProperty(QString::fromLatin1(kStatistics[i])))
            p->SetValue(QVariant::fromValue<qint64>(values[i]));
}

void CReconciliationScanPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(0);
    m_finished = false;
    for (CZELVListCtrl* list : {static_cast<CZELVListCtrl*>(m_list), m_threeWay}) {
        list->SetPrompter(&sheet->GetPrompter());
        list->SetSettings(&sheet->Host().Profile());
    }
    FillCaptionPairs();
    sheet->LoadMediaVolumes();
    std::vector<ZELVAUDIT> previous;
    // Without them the audit starts afresh.
    if (!sheet->Connection().List(&previous, sheet->Customer(), sheet->Media()).IsOK())
        previous.clear();
    m_audit.Build(sheet->MediaVolumes(), sheet->Customer(), sheet->Media(), sheet->Repository(),
                  previous);
    for (Item& item : m_audit.Items())
        UpdateDifference(item);
    BuildShown();
    sheet->Log().Write("Reconciliation: Auditing Repository %s for %s.%s: %d Volumes",
                       Utf8(sheet->Repository()).constData(), Utf8(sheet->Customer()).constData(),
                       Utf8(sheet->Media()).constData(), int(m_audit.Items().size()));
    if (m_audit.PreviousCount() > 0)
        OfferResume();
    ShowStatistics();
    BuildShown();
    m_list->Table()->resizeColumnToContents(CReconciliationListCtrl::ColStatus);
    StartScanTimer();
}

void CReconciliationScanPage::OnTimer(int id) {
    if (id == kScanTimer)
        if (CZELVDeskSheet* sheet = Desk())
            sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    CScanPage::OnTimer(id);
}

void CReconciliationScanPage::OfferResume() {
    CZELVDeskSheet* sheet = Desk();
    const bool keep =
        sheet->GetPrompter().Ask(QStringLiteral("It appears that you have data from a previous "
                                                "reconciliation.\n\nDo you want to continue where "
                                                "you left the previous reconciliation?"),
                                 QStringLiteral("Resume Reconciliation"), PromptIcon::Question,
                                 PromptButtons::YesNo, PromptNone, sheet) == PromptYes;
    sheet->Log().Write("Reconciliation: %s the previous reconciliation",
                       keep ? "Continuing" : "Discarding");
    const auto resets = m_audit.Resume(keep);
    CZELV10RCList results;
    {
        CZELV10ProgressWnd progress(int(resets.size()), 0, sheet);
        progress.SetTitle(QStringLiteral("Adding Audit Flags"));
        progress.SetRange(0, int(resets.size()));
        for (size_t i = 0; i < resets.size(); ++i) {
            Item& item = m_audit.Items()[resets[i].index];
            progress.SetText(1, QStringLiteral("Resetting Volume %1").arg(item.volumeId));
            progress.SetPos(int(i));
            ZELVVOLSEx rec;
            CVolumeKey(m_audit.Customer(), m_audit.Media(), item.volumeId).CopyTo(&rec.key);
            CZELV10RC rc = sheet->Connection().Get(&rec);
            if (rc.IsOK()) {
                ZELVAUDIT a;
                a.key = rec.key;
                a.version = rec.vol.version;
                a.flags = resets[i].flags;
                a.outcome = resets[i].outcome;
                a.repositoryId.Set(m_audit.Repository());
                rc = sheet->Connection().PutAudit(a, &item.version);
            }
            if (!rc.IsOK() && (resets[i].flags & ZELVVOL_AUDITPASSED) == 0)
                m_audit.Unpass(resets[i].index);
            results.Add(rc, KeyText(item.volumeId));
        }
        progress.close();
    }
    if (!resets.empty())
        CZELV10RCListDlg::Display(results, 0, nullptr);
}

ZELVSCANVOLUMEARGS CReconciliationScanPage::ScanArgs() {
    ZELVSCANVOLUMEARGS args = BaseScanArgs(Desk() ? Desk()->Media() : QString());
    args.message = kZelvScanOutMessage;
    args.notify = [this](const CZELV10RC& result, const ZELV10BARCODEPARSED& item) {
        return OnScan(result, item);
    };
    return args;
}

CZELV10RC CReconciliationScanPage::WritePass(Item& item, bool duplicate) {
    CZELVDeskSheet* sheet = Desk();
    ZELVVOLSEx rec;
    CVolumeKey(m_audit.Customer(), m_audit.Media(), item.volumeId).CopyTo(&rec.key);
    // A failed read leaves the server's flags as they are.
    CZELV10RC rc = sheet->Connection().Get(&rec);
    if (!rc.IsOK())
        return rc;
    ZELVAUDIT a;
    a.key = rec.key;
    a.version = rec.vol.version;
    a.flags = ZELVVOL_AUDITPASSED | (duplicate ? ZELVVOL_AUDITDUPLICATE : 0u);
    a.outcome = ZELVAUDIT_SEEN;
    a.repositoryId.Set(m_audit.Repository());
    return sheet->Connection().PutAudit(a, &item.version);
}

CZELV10RC CReconciliationScanPage::WriteSurplus(Item& item, bool known) {
    CZELVDeskSheet* sheet = Desk();
    CZELV10MFC& mfc = sheet->Connection();
    CVolumeRecord record(mfc, CVolumeKey(m_audit.Customer(), m_audit.Media(), item.volumeId));
    CZELV10RC rc;
    if (known) {
        rc = record.Refresh();
    } else {
        record.Record().vol.flags = ZELVVOL_AUDITFAILED;
        rc = record.Add();
    }
    if (!rc.IsOK())
        return rc;
    ZELVAUDIT a;
    a.key = record.Record().key;
    a.version = record.Vol().version;
    a.flags = ZELVVOL_AUDITFAILED;
    a.outcome = ZELVAUDIT_SURPLUS;
    a.repositoryId.Set(m_audit.Repository());
    rc = mfc.PutAudit(a, &item.version);
    if (!rc.IsOK())
        return rc;
    // It is here, whatever the server thought: seen here.
    rc = record.Confirm(m_audit.Repository(), CVolumeRecord::kKeep, CVolumeRecord::kKeep, false);
    if (rc.IsOK())
        item.version = record.Vol().version;
    return rc;
}

uint32_t CReconciliationScanPage::OnScan(const CZELV10RC& result,
                                         const ZELV10BARCODEPARSED& scanned) {
    CZELVDeskSheet* sheet = Desk();
    if (!result.IsOK(0))
        return result.Code();
    if (!sheet)
        return ZELV10RC_NOTINLIST;
    const CVolumeKey key(scanned);
    size_t index = 0;
    const CReconciliationAudit::ScanKind kind =
        m_audit.Scan(key.Customer(), key.Media(), key.Volume(), &index);
    using Kind = CReconciliationAudit::ScanKind;
    const QByteArray text = Utf8(key.Text());
    switch (kind) {
    case Kind::WrongCustomer:
    case Kind::WrongMedia: {
        const QString line =
            QStringLiteral("%1 is not %2.%3").arg(key.Text(), m_audit.Customer(), m_audit.Media());
        ScanLog()->AddLine(1, line);
        sheet->Log().Write("Reconciliation: Bad scope: %s", text.constData());
        ShowStatistics();
        return kind == Kind::WrongCustomer ? ZELV10RC_WRONGCUSTOMER : ZELV10RC_WRONGMEDIA;
    }
    default:
        break;
    }
    // A new item may have moved the others in memory: no row may point at
    // the old places while the server is asked.
    if (kind == Kind::Errant || kind == Kind::New)
        BuildShown();
    Item& item = m_audit.Items()[index];
    CZELV10RC rc;
    const char* what = "Duplicate";
    switch (kind) {
    case Kind::First:
        what = "Scanned";
        rc = WritePass(item, false);
        break;
    case Kind::Second:
        rc = WritePass(item, true);
        break;
    case Kind::Errant:
        what = "Errant";
        rc = WriteSurplus(item, true);
        break;
    case Kind::New:
        what = "New";
        rc = WriteSurplus(item, false);
        break;
    default:
        break;
    }
    UpdateDifference(item);
    sheet->Log().Write("Reconciliation: %s: %s - %s", what, text.constData(),
                       Utf8(rc.Get()).constData());
    ScanLog()->AddLine(
        rc.IsOK() ? 0 : 1,
        QStringLiteral("%1: %2 - %3").arg(QLatin1String(what), key.Text(), rc.Get()));
    if (!rc.IsOK())
        ShowScanError(key.Text(), rc.Get());
    ShowStatistics();
    // The items may have moved in memory: the rows are taken again.
    if (kind == Kind::Errant || kind == Kind::New || m_list->HasActiveFilter()) {
        BuildShown();
        const auto& shown = m_rows.Pointers();
        const auto it = std::find(shown.begin(), shown.end(), &m_audit.Items()[index]);
        if (it != shown.end())
            m_list->EnsureVisible(int(it - shown.begin()));
        m_list->Table()->resizeColumnToContents(CReconciliationListCtrl::ColStatus);
    } else {
        m_list->RedrawAll();
    }
    return 0;
}

void CReconciliationScanPage::UpdateDifference(Item& item) const {
    if (m_manifestPath.isEmpty()) {
        item.difference.clear();
        return;
    }
    uint32_t sources = 0;
    if (!(item.status & (Item::Errant | Item::New)))
        sources |= CThreeWayRow::Expected;
    if (item.status & Item::Scanned)
        sources |= CThreeWayRow::Scanned;
    if (m_manifest.index.contains(KeyText(item.volumeId)))
        sources |= CThreeWayRow::Listed;
    item.difference = CThreeWayRow::DifferenceText(sources);
}

void CReconciliationScanPage::BuildThreeWay() {
    m_threeWayRows.Pointers().clear();
    m_threeWayAll.clear();
    if (!m_manifestPath.isEmpty()) {
        QStringList expected, scanned;
        for (const Item& item : m_audit.Items()) {
            const QString text = KeyText(item.volumeId);
            if (!(item.status & (Item::Errant | Item::New)))
                expected << text;
            if (item.status & Item::Scanned)
                scanned << text;
        }
        m_threeWayAll = CompareThreeWay(expected, scanned, m_manifest.volumes);
    }
    ShowThreeWayShown();
}

void CReconciliationScanPage::ShowThreeWayShown() {
    auto& shown = m_threeWayRows.Pointers();
    shown.clear();
    for (const CThreeWayRow& row : m_threeWayAll) {
        bool pass = true;
        for (int c = TwVolume; c <= TwDifference && pass; ++c)
            pass = m_threeWay->GetFilterText(c).isEmpty() ||
                   m_threeWay->FilterMatchesText(c, ThreeWayRows::CellText(row, c));
        if (pass)
            shown.push_back(&row);
    }
    m_threeWay->Reload();
}

void CReconciliationScanPage::ChooseManifest() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Vault Manifest"), QString(),
                                     QStringLiteral("Manifests (*.csv *.txt);;All files (*)"));
    if (!path.isEmpty())
        LoadManifest(path);
}

bool CReconciliationScanPage::LoadManifest(const QString& path) {
    CZELVDeskSheet* sheet = Desk();
    QFile file(path);
    QString error;
    CVaultManifest manifest;
    bool ok = file.open(QIODevice::ReadOnly);
    if (!ok)
        error = file.errorString();
    else
        ok = manifest.Read(file, &error);
    if (!ok) {
        if (sheet) {
            sheet->Log().Write("Reconciliation: Manifest %s not used: %s", Utf8(path).constData(),
                               Utf8(error).constData());
            sheet->GetPrompter().Tell(QStringLiteral("The vault manifest %1 cannot be used:\n\n%2")
                                          .arg(QFileInfo(path).fileName(), error),
                                      QStringLiteral("Manifest Error"), PromptIcon::Error, sheet);
        }
        return false;
    }
    m_manifest = std::move(manifest);
    m_manifestPath = path;
    for (Item& item : m_audit.Items())
        UpdateDifference(item);
    BuildShown();
    BuildThreeWay();
    if (sheet)
        sheet->Log().Write("Reconciliation: Manifest %s: %d Volumes", Utf8(path).constData(),
                           int(m_manifest.volumes.size()));
    return true;
}

void CReconciliationScanPage::CopySelected() {
    const int copied = m_list->CopyColumnToClipboard(CReconciliationListCtrl::ColVolume);
    if (CZELVDeskSheet* sheet = Desk())
        sheet->ShowCopiedNotice(unsigned(copied));
}

bool CReconciliationScanPage::ExportReport(const QString& path, int openMode) {
    // The report is of the whole audit when nothing is selected.
    if (m_list->GetSelectedCount() == 0)
        m_list->SelectAll();
    return m_list->ExportText(QString::fromLatin1(kReportTitle), path, openMode);
}

bool CReconciliationScanPage::ExportXml() {
    if (m_list->GetSelectedCount() == 0)
        m_list->SelectAll();
    return m_list->ExportXML(0);
}

int CReconciliationScanPage::OnWizardBack() {
    CZELVDeskSheet* sheet = Desk();
    const int unscanned = m_audit.UnscannedCount();
    if (sheet && !m_finished && unscanned > 0 &&
        sheet->GetPrompter().Ask(QString::asprintf("You have %u items that remain unscanned "
                                                   "during this audit.\n\nAre you sure you want "
                                                   "to quit?",
                                                   unsigned(unscanned)),
                                 QStringLiteral("Incomplete Reconciliation"), PromptIcon::Question,
                                 PromptButtons::YesNo, PromptNone, sheet) != PromptYes)
        return kStay;
    return IDD_RECONCILIATION_LOCATION;
}

void CReconciliationScanPage::FlagUnseen() {
    CZELVDeskSheet* sheet = Desk();
    const std::vector<size_t> unseen = m_audit.UnseenItems();
    std::vector<ZELVAUDIT> audits;
    audits.reserve(unseen.size());
    for (size_t index : unseen) {
        const Item& item = m_audit.Items()[index];
        ZELVAUDIT a;
        CVolumeKey(m_audit.Customer(), m_audit.Media(), item.volumeId).CopyTo(&a.key);
        // The version this audit saw: a Volume someone else changed since is
        // reported, not flagged.
        a.version = item.version;
        a.flags = ZELVVOL_AUDITFAILED;
        a.outcome = ZELVAUDIT_DEFICIT;
        a.repositoryId.Set(m_audit.Repository());
        audits.push_back(a);
    }
    CZELV10RCList results;
    std::vector<CZELV10RC> rcs;
    std::vector<uint64_t> versions;
    {
        CZELV10ProgressWnd progress(int(audits.size()), 0, sheet);
        progress.SetTitle(QStringLiteral("Adding Audit Flags"));
        progress.SetRange(0, int(audits.size()));
        if (!audits.empty())
            progress.SetText(
                1,
                QStringLiteral("Setting Volume %1").arg(m_audit.Items()[unseen.front()].volumeId));
        const CZELV10RC rc = sheet->Connection().PutAudits(audits, &rcs, &versions);
        if (!rc.IsOK())
            rcs.assign(audits.size(), rc);
        for (size_t i = 0; i < unseen.size(); ++i) {
            Item& item = m_audit.Items()[unseen[i]];
            progress.SetText(1, QStringLiteral("Setting Volume %1").arg(item.volumeId));
            progress.SetPos(int(i) + 1);
            if (rcs[i].IsOK() && i < versions.size())
                item.version = versions[i];
            results.Add(rcs[i], KeyText(item.volumeId));
            sheet->Log().Write("Reconciliation: Flagging Volume: %s - %s",
                               Utf8(KeyText(item.volumeId)).constData(),
                               Utf8(rcs[i].Get()).constData());
        }
        progress.close();
    }
    sheet->Log().Write("Reconciliation: Flagging complete: OK(%d) NotOK(%d)",
                       int(results.GetOKCount()), int(results.GetNotOKCount()));
    CZELV10RCListDlg::Display(results, 0, nullptr);
}

int CReconciliationScanPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const int unscanned = m_audit.UnscannedCount();
    if (unscanned > 0 &&
        sheet->GetPrompter().Ask(QString::asprintf("You have %u items that remain unscanned "
                                                   "during this audit.\n\nDo you want to flag "
                                                   "these Volumes as having failed the audit?",
                                                   unsigned(unscanned)),
                                 QStringLiteral("Flag Volumes"), PromptIcon::Question,
                                 PromptButtons::YesNo, PromptNone, sheet) == PromptYes)
        FlagUnseen();
    CCertificateCreateDlg dlg(sheet->Connection(), m_audit.Customer(), m_audit.Media(),
                              m_audit.Repository(), sheet);
    if (m_runDialog)
        m_runDialog(dlg);
    else
        dlg.exec();
    if (dlg.IsCreated())
        sheet->Log().Write("Reconciliation: Certificate: %s", Utf8(dlg.Result().Get()).constData());
    m_finished = true;
    return IDD_FINAL;
}
