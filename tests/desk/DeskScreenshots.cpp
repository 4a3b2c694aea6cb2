// Renders the README's pictures from the real program: the wizard sheet on a
// demo database, driven as an operator would, each window grabbed as it
// stands. Run by scripts/screenshots.sh under Xvfb:
//   desk_screenshots OUTPUT_FOLDER SERVER_ADDRESS [LOG_PDF]
#include "AuthorizedPage.h"
#include "CustomerPage.h"
#include "CustomerPropertyGridCtrl.h"
#include "DeskTestSupport.h"
#include "FinalPage.h"
#include "IntroPage.h"
#include "IntroProperties.h"
#include "LibraryManagementPage.h"
#include "MediaPage.h"
#include "OptionPage.h"
#include "ReceiveLocationPage.h"
#include "ReceiveVolumesPage.h"
#include "ReconciliationLocationPage.h"
#include "ReconciliationScanPage.h"
#include "RetrieveLocationPage.h"
#include "ScanToListPage.h"
#include "SendContainerPage.h"
#include "SendContainerUpdatePage.h"
#include "SendLocationPage.h"
#include "SendVolumesPage.h"
#include "TimePage.h"
#include "VolumePage.h"
#include "ZELV10ChangerPanel.h"
#include "ZELV10CustomerListCtrl.h"
#include "ZELV10ManageDlg.h"
#include "ZELV10MediaListCtrl.h"
#include "ZELV10RepositoryListCtrl.h"
#include "ZELV10ScanDlg.h"
#include "ZELVCmdWindow.h"
#include "ZELVExportDlg.h"
#include "ZELVPopup.h"
#include "ZELVPropertyGridCtrl.h"
#include "manage/ManagePage.h"
#include "manage/ManageProperties.h"
#include "manage/MoveDatePropertyGridProperty.h"
#include "manage/MoveListPage.h"
#include "send/UpdatePage.h"
#include "send/UpdatePageApply.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

bool Save(QWidget* widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    QTest::qWait(400);
    const QString path = QDir(folder).filePath(name);
    if (!widget || !widget->grab().save(path)) {
        Err() << "desk_screenshots: could not write " << path << Qt::endl;
        return false;
    }
    Err() << "desk_screenshots: wrote " << path << Qt::endl;
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

template <typename T> T* PageOf(CZELVDeskSheet& sheet, int id) {
    return qobject_cast<T*>(sheet.GetPage(sheet.FindPage(id)));
}

// Barcodes for the scanning window: two Volumes on their way in, one at
// rest, one the server does not know, and one that is no Volume at all.
QStringList ScanBarcodes(CZELV10MFC& mfc) {
    std::vector<ZELVVOLSFULL> volumes;
    QStringList moving, resting;
    if (mfc.List(&volumes, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK()) {
        for (const ZELVVOLSFULL& v : volumes) {
            const bool incoming = (v.vol.flags & ZELVVOL_MOVING) &&
                                  v.vol.Target().repositoryId.Text() == QStringLiteral("DC01");
            QStringList& into = incoming ? moving : resting;
            if (into.size() < 2)
                into.append(v.key.volumeId.Text());
        }
    }
    QStringList barcodes = moving;
    if (!resting.isEmpty())
        barcodes.append(resting.first());
    barcodes.append(QStringLiteral("Z999999"));
    barcodes.append(QStringLiteral("ACME.LTO6.TOO-LONG-FOR-A-VOLUME"));
    return barcodes;
}

// Barcodes for the Scan-In Volumes page: an LTO8 Volume if one is expected
// (the routing rules send those on to the library), two more of the
// expected Volumes, and one the page does not list.
QStringList PageBarcodes(const CReceiveVolumesPage& page) {
    QStringList barcodes;
    for (const auto& item : page.Items())
        if (item.key.Media() == QStringLiteral("LTO8") && !item.container) {
            barcodes.append(item.key.Text());
            break;
        }
    for (const auto& item : page.Items()) {
        if (barcodes.size() >= 3)
            break;
        if (!item.container && !barcodes.contains(item.key.Text()))
            barcodes.append(item.key.Text());
    }
    barcodes.append(QStringLiteral("ACME.LTO6.Z999999"));
    return barcodes;
}

// Lets the page's timer open the scanning window, feeds it the barcodes as
// a scanner would and closes it, so nothing waits on the modal loop.
void ScanThroughWindow(CZELVDeskSheet& sheet, CReceiveVolumesPage& page,
                       const QStringList& barcodes) {
    QTimer::singleShot(0, &sheet, [&]() {
        auto* window = sheet.findChild<CZELV10ScanDlg*>();
        if (!window)
            return;
        for (const QString& barcode : barcodes)
            window->SubmitBarcode(barcode);
        window->accept();
    });
    page.OnTimer(CReceiveVolumesPage::kScanTimer);
}

// The Scan-In Location and Volumes pages as an operator reaches them:
// Customer ACME, Repository DC01, a few scans.
bool ExportShots(CZELVListCtrl& list, const QString& out);

bool ScanInPages(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (run.ActivePageId() != IDD_CUSTOMER) {
        Err() << "desk_screenshots: Scan-In did not open the Customer page" << Qt::endl;
        return false;
    }
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_RECEIVE_LOCATION) {
        Err() << "desk_screenshots: no Scan-In location page" << Qt::endl;
        return false;
    }
    auto* location = qobject_cast<CReceiveLocationPage*>(sheet.GetActivePage());
    bool ok = Save(&sheet, out, QStringLiteral("scan-in-location.png"));

    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_RECEIVE_VOLUMES) {
        Err() << "desk_screenshots: no Scan-In Volumes page" << Qt::endl;
        return false;
    }
    auto* page = qobject_cast<CReceiveVolumesPage*>(sheet.GetActivePage());
    ScanThroughWindow(sheet, *page, PageBarcodes(*page));
    ok = Save(&sheet, out, QStringLiteral("scan-in-volumes.png")) && ok;
    page->Tabs()->setCurrentIndex(1);
    ok = Save(&sheet, out, QStringLiteral("scan-in-log.png")) && ok;
    page->Tabs()->setCurrentIndex(0);
    ok = ExportShots(*page->ExpectedList(), out) && ok;
    return ok;
}

// The export type dialog over the expected Volumes with some of them
// selected, and the first page of their PDF report as pdftoppm renders it.
bool ExportShots(CZELVListCtrl& list, const QString& out) {
    list.SelectNone();
    for (int row = 0; row < list.GetItemCount(); row += 2)
        list.SetItemSelected(row, true);
    bool ok = true;
    {
        CZELVExportTypeDlg dialog(false, list.GetSelectedCount(), list.GetItemCount(), {}, &list);
        dialog.show();
        ok = Save(&dialog, out, QStringLiteral("export-dialog.png"));
        dialog.close();
    }
    list.SelectAll();
    QTemporaryDir work;
    const QString pdf = work.filePath(QStringLiteral("export.pdf"));
    bool written = false;
    ZELVExportPDFOptions options;
    options.logo = QStringLiteral(ZELV_LOGO);
    ZELVExport::ToFile(ZELVExport::TypePDF, list.ExportTable(), pdf, &written,
                       QStringLiteral("Kelmar Lite Scan-In Volumes"), QString(), options);
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"), pdf,
                  QDir(out).filePath(QStringLiteral("export-pdf-page"))});
    const bool rendered = written && render.waitForFinished(60000) && render.exitCode() == 0;
    Err() << "desk_screenshots: " << (rendered ? "wrote" : "could not write") << " "
          << QDir(out).filePath(QStringLiteral("export-pdf-page.png")) << Qt::endl;
    list.SelectNone();
    return ok && rendered;
}

// Opens a page's scanning window, feeds it the barcodes and closes it.
void ScanThroughWindow(CZELVDeskSheet& sheet, const std::function<void()>& open,
                       const QStringList& barcodes) {
    QTimer::singleShot(0, &sheet, [&]() {
        auto* window = sheet.findChild<CZELV10ScanDlg*>();
        if (!window)
            return;
        for (const QString& barcode : barcodes)
            window->SubmitBarcode(barcode);
        window->accept();
    });
    open();
}

// Scan-Out as an operator goes through it: Customer ACME, Repository DC01,
// the Containers the allocation table chose plus one scanned, a few Volumes
// scanned into them, then the Containers' details.
bool ScanOutPages(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (run.ActivePageId() != IDD_CUSTOMER) {
        Err() << "desk_screenshots: Scan-Out did not open the Customer page" << Qt::endl;
        return false;
    }
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_SEND_LOCATION) {
        Err() << "desk_screenshots: no Scan-Out location page" << Qt::endl;
        return false;
    }
    auto* location = qobject_cast<CSendLocationPage*>(sheet.GetActivePage());
    bool ok = Save(&sheet, out, QStringLiteral("scan-out-location.png"));
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_SEND_CONTAINER) {
        Err() << "desk_screenshots: no Container Selection page" << Qt::endl;
        return false;
    }
    auto* containers = qobject_cast<CSendContainerPage*>(sheet.GetActivePage());
    // One more Container, picked by its barcode.
    for (const CandidateContainer& c : containers->List()->Candidates())
        if (!(c.flags & kCandidateMustSelect) && c.reserved == 0 && c.repository.isEmpty()) {
            ScanThroughWindow(sheet, [&]() { containers->OpenScanWindow(); }, {c.key.Text()});
            break;
        }
    ok = Save(&sheet, out, QStringLiteral("scan-out-containers.png")) && ok;
    containers->Tabs()->setCurrentIndex(1);
    ok = Save(&sheet, out, QStringLiteral("scan-out-allocation-log.png")) && ok;
    containers->Tabs()->setCurrentIndex(0);

    if (!sheet.GoNext() || run.ActivePageId() != IDD_SEND_VOLUMES) {
        Err() << "desk_screenshots: no Scan-Out Volumes page" << Qt::endl;
        return false;
    }
    auto* page = qobject_cast<CSendVolumesPage*>(sheet.GetActivePage());
    // Each chosen Container in turn with the first of its Volumes, then two
    // Volumes without a Container.
    QStringList barcodes;
    for (const CandidateContainer& c : sheet.Candidates()) {
        for (const VOLUMEPAGE_ITEM& item : sheet.SendList())
            if (item.containerNumber == c.number) {
                barcodes << c.key.Text() << item.key.Text();
                break;
            }
    }
    int free = 0;
    if (!sheet.Candidates().empty())
        barcodes << QStringLiteral("ACME.CONT.NOSUCH"); // not a Container: refused
    for (const VOLUMEPAGE_ITEM& item : sheet.SendList())
        if (item.containerNumber == 0 && free < 2 && !sheet.Candidates().empty()) {
            barcodes << sheet.Candidates().front().key.Text() << item.key.Text();
            ++free;
        }
    ScanThroughWindow(
        sheet, [&]() { page->OnTimer(CScanPage::kScanTimer); }, barcodes);
    page->ScannedItems()->expandAll();
    ok = Save(&sheet, out, QStringLiteral("scan-out-volumes.png")) && ok;

    run.Prompter().Answer(PromptYes);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_SEND_CONTAINER_UPDATE) {
        Err() << "desk_screenshots: no Update Container Details page" << Qt::endl;
        return false;
    }
    auto* update = qobject_cast<CSendContainerUpdatePage*>(sheet.GetActivePage());
    update->Grid()->ExpandAll();
    ok = Save(&sheet, out, QStringLiteral("scan-out-container-update.png")) && ok;
    return ok;
}

// Recall as an operator goes through it: Customer ACME, Media Type LTO6,
// delivery to DC01, a few Volumes chosen from the vaults, the Consignment's
// details filled in (the Recall is not run).
bool RecallPages(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (run.ActivePageId() != IDD_CUSTOMER) {
        Err() << "desk_screenshots: Recall did not open the Customer page" << Qt::endl;
        return false;
    }
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_MEDIA) {
        Err() << "desk_screenshots: no Recall Media Type page" << Qt::endl;
        return false;
    }
    auto* media = qobject_cast<CMediaPage*>(sheet.GetActivePage());
    for (int row = 0; media && row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    if (!sheet.GoNext() || run.ActivePageId() != IDD_RETRIEVE_LOCATION) {
        Err() << "desk_screenshots: no Delivery Location page" << Qt::endl;
        return false;
    }
    auto* location = qobject_cast<CRetrieveLocationPage*>(sheet.GetActivePage());
    for (int row = 0; location && row < location->List()->GetItemCount(); ++row)
        if (location->List()->RepositoryAt(row)->repositoryId == "DC01")
            location->List()->SelectRow(row);
    bool ok = Save(&sheet, out, QStringLiteral("recall-location.png"));
    if (!sheet.GoNext() || run.ActivePageId() != IDD_VOLUME) {
        Err() << "desk_screenshots: no Recall Volume Selection page" << Qt::endl;
        return false;
    }
    auto* volumes = qobject_cast<CVolumePage*>(sheet.GetActivePage());
    CZELVListCtrl* list = volumes->List();
    list->SetFilterText(CVolumePage::ColLocation, QStringLiteral("VLT*"));
    for (int row = 0; row < list->GetItemCount() && row < 8; row += 2)
        list->SetItemSelected(row, true);
    volumes->SelectRows();
    list->SelectNone();
    list->SetItemSelected(1, true);
    ok = Save(&sheet, out, QStringLiteral("recall-volumes.png")) && ok;
    if (!sheet.GoNext() || run.ActivePageId() != IDD_TIME) {
        Err() << "desk_screenshots: no Recall Consignment Details page" << Qt::endl;
        return false;
    }
    auto* time = qobject_cast<CTimePage*>(sheet.GetActivePage());
    time->Description()->setText(QStringLiteral("Quarterly restore test"));
    time->Notes()->setText(QStringLiteral("Loading dock 2; ask for the operator on duty"));
    ok = Save(&sheet, out, QStringLiteral("recall-details.png")) && ok;
    return ok;
}

// Volume Management for ACME: the LTO-6 tab with its chart, then one Volume
// given a next move and a description and its History tab.
bool ManagePages(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_MANAGE) {
        Err() << "desk_screenshots: no Manage Media Library page" << Qt::endl;
        return false;
    }
    auto* page = qobject_cast<CManagePage*>(sheet.GetActivePage());
    sheet.resize(1180, 700);
    for (size_t i = 0; i < page->TabMedia().size(); ++i)
        if (page->TabMedia()[i].mediaId == "LTO6")
            page->Tabs()->setCurrentIndex(int(i));
    DeskRun::Flush();
    bool ok = Save(&sheet, out, QStringLiteral("manage-library.png"));
    CManageProperties& panel = *page->Panel();
    panel.List()->SetItemSelected(2, true);
    DeskRun::Flush();
    if (CMoveDatePropertyGridProperty* move = panel.NextMoveRow()) {
        move->SetEditor([](CZELVDate* date) {
            date->SetFromTime(0);
            date->AddDays(14);
            return 1;
        });
        panel.Grid()->ClickButton(move);
    }
    DeskRun::Flush();
    if (CZELVPropertyGridProperty* d = panel.Grid()->FindProperty(QStringLiteral("Description")))
        panel.Grid()->CommitValue(d, QStringLiteral("Weekly full backup, set 3"));
    DeskRun::Flush();
    panel.Details()->setCurrentIndex(1);
    ok = Save(&sheet, out, QStringLiteral("manage-history.png")) && ok;
    return ok;
}

// Manage Authorized Users: the owner's group with an operator chosen.
bool AuthorizedShot(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    const struct {
        const char* id;
        const char* name;
        const char* email;
        uint32_t role;
    } users[] = {{"anna", "Anna Berg", "anna.berg@example.com", 1},
                 {"bruno", "Bruno Costa", "bruno.costa@example.com", 2},
                 {"chen", "Chen Wei", "chen.wei@example.com", 3},
                 {"dora", "Dora Lind", "dora.lind@example.com", 5}};
    for (const auto& u : users) {
        ZELVUSER r;
        r.userId = u.id;
        r.name = u.name;
        r.email = u.email;
        r.flags = u.role << ZELVUSER_ROLESHIFT;
        sheet.Connection().Add(r);
    }
    run.ChooseTask(QStringLiteral("Users"));
    auto* page = qobject_cast<CAuthorizedPage*>(sheet.GetActivePage());
    if (!page) {
        Err() << "desk_screenshots: no Authorized Users page" << Qt::endl;
        return false;
    }
    for (int row = 0; row < page->List()->GetItemCount(); ++row)
        if (page->List()->GetItemText(row, CAuthorizedListCtrl::ColUserId) ==
            QLatin1String("bruno"))
            page->List()->SetItemSelected(row, true);
    DeskRun::Flush();
    return Save(&sheet, out, QStringLiteral("authorized-users.png"));
}

// Scan-To-List with a few scans: known Volumes, a Container and one the
// server does not know.
bool ScanToListShot(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    auto* page = qobject_cast<CScanToListPage*>(sheet.GetActivePage());
    if (!page) {
        Err() << "desk_screenshots: no Scan-To-List page" << Qt::endl;
        return false;
    }
    page->Timer(CScanPage::kScanTimer)->stop();
    for (const char* barcode : {"LTO6.A000001", "LTO6.A000002", "LTO6.A000012", "LTO8.B000003",
                                "CONT.CN0001", "LTO6.A000099", "LTO6.A000016"}) {
        const QStringList parts = QString::fromLatin1(barcode).split(QLatin1Char('.'));
        ZELV10BARCODEPARSED item;
        item.customerId = "ACME";
        item.mediaId = parts[0];
        item.volumeId = parts[1];
        page->OnScan(CZELV10RC(), item);
    }
    page->List()->SetItemSelected(1, true);
    page->List()->SetItemSelected(2, true);
    return Save(&sheet, out, QStringLiteral("scan-to-list.png"));
}

// The Run Command window over a site script's output, one filter in use.
bool CommandWindowShot(QWidget* parent, const QString& out) {
    ScriptedPrompter prompter;
    prompter.Answer(PromptNo);
    CZELVCmdWindow window(prompter, parent);
    window.SetProgram(CZELVCmdWindow::CommandProgram(
        QStringLiteral("printf 'Nightly backup report for site A\\nDEBUG reading catalogue\\n"
                       "Job LTO6-daily: 42 tapes written\\nJob LTO8-weekly: 12 tapes written\\n"
                       "WARNING tape A000057 near end of life\\nReport complete\\n'; exit 0"),
        true));
    window.SetFilters({QStringLiteral("DEBUG*")});
    window.resize(640, 320);
    window.show();
    QElapsedTimer clock;
    clock.start();
    while (!window.HasEnded() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Save(&window, out, QStringLiteral("command-window.png"));
}

// Move Lists for ACME: the LTO-6 moves, longest pending first.
bool MoveListPages(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!ChooseCustomer(run, "ACME") || run.ActivePageId() != IDD_MOVE_LIST) {
        Err() << "desk_screenshots: no Move Lists page" << Qt::endl;
        return false;
    }
    auto* page = qobject_cast<CMoveListPage*>(sheet.GetActivePage());
    sheet.resize(1000, 660);
    const int lto6 = int(page->TabMedia().indexOf(QStringLiteral("LTO6")));
    if (lto6 >= 0)
        page->Tabs()->setCurrentIndex(lto6);
    page->List()->SetSortColumn(CMoveListCtrl::ColMoveTime);
    page->List()->SortItems();
    page->List()->SetItemSelected(1, true);
    DeskRun::Flush();
    return Save(&sheet, out, QStringLiteral("move-lists.png"));
}

// The task menu's Customer grid with the healthiest Media Type opened.
// Send: a Container and Volumes scanned, one shown in the grid, the Quick
// Edit table, then Apply and Verify after its run.
bool SendShots(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (!sheet.OpenLogAndLogon(sheet.LogFolder()) || !sheet.SetActivePageById(IDD_UPDATE))
        return false;
    auto* page = qobject_cast<CUpdatePage*>(sheet.GetActivePage());
    if (!page)
        return false;
    page->Timer(CUpdatePage::kScanTimer)->stop();
    sheet.SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    const char* const scans[][2] = {{"LTO6", "A000023"}, {"LTO6", "A000024"}, {"CONT", "CN0001"},
                                    {"LTO6", "A000002"}, {"LTO6", "A000003"}, {"LTO6", "A000005"}};
    for (const auto& s : scans) {
        ZELV10BARCODEPARSED p;
        p.customerId = "ACME";
        p.mediaId = s[0];
        p.volumeId = s[1];
        p.flags = ZELVPARSED_DEFINED | (s[0][0] == 'C' ? ZELVPARSED_CONTAINER : 0u);
        page->OnScan(CZELV10RC(), p);
    }
    for (int i = 0; i < page->List().Count(); ++i)
        if (UpdateItem* item = page->List().At(i); !item->IsContainer())
            item->description = QStringLiteral("Weekly set %1").arg(i);
    page->Tree()->expandAll();
    UpdateItem* shown = page->List().At(3);
    page->Tree()->setCurrentItem(shown->node);
    page->ShowItem(shown->node);
    bool ok = Save(&sheet, out, QStringLiteral("send-tree.png"));
    page->ItemTabs()->setCurrentIndex(1);
    page->QuickEdit()->SetItemSelected(1, true);
    ok = Save(&sheet, out, QStringLiteral("send-quick-edit.png")) && ok;
    page->ItemTabs()->setCurrentIndex(0);
    sheet.SetActivePageById(IDD_UPDATE_APPLY);
    if (auto* apply = qobject_cast<CUpdatePageApply*>(sheet.GetActivePage())) {
        apply->Timer()->stop();
        ResultCloser closer;
        apply->Run();
        ok = Save(&sheet, out, QStringLiteral("send-apply.png")) && ok;
    } else {
        ok = false;
    }
    sheet.ScanList().RemoveAll();
    return ok;
}

bool HealthShot(CZELVDeskSheet& sheet, const QString& out) {
    CCustomerPropertyGridCtrl* grid = sheet.IntroPage()->Properties()->Grid();
    CZELVPropertyGridProperty* best = nullptr;
    qint64 bestScore = -1;
    for (int i = 0; i < grid->GetPropertyCount(); ++i) {
        CZELVPropertyGridProperty* media = grid->GetProperty(i);
        for (int j = 0; j < media->GetSubItemsCount(); ++j) {
            CZELVPropertyGridProperty* health = media->GetSubItem(j);
            if (health->GetName() != QLatin1String("Library Health") || !health->GetSubItemsCount())
                continue;
            const qint64 score = health->GetSubItem(0)->GetValue().toLongLong();
            if (score > bestScore) {
                bestScore = score;
                best = health;
            }
        }
    }
    if (best) {
        best->GetParentProperty()->Expand(true);
        best->Expand(true);
        for (int j = 0; j < best->GetSubItemsCount(); ++j)
            best->GetSubItem(j)->Expand(true);
    }
    return Save(&sheet, out, QStringLiteral("task-menu-health.png"));
}

} // namespace

// Library Reconciliation of ACME's LTO-6 Volumes in the North Vault: an
// audit half done with a vault manifest loaded, then the certificate made
// from it, listed and opened.
bool ReconciliationShots(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (run.ActivePageId() == IDD_CUSTOMER)
        ChooseCustomer(run, "ACME");
    auto* media = qobject_cast<CMediaPage*>(sheet.GetActivePage());
    for (int row = 0; media && row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    sheet.GoNext();
    auto* location = qobject_cast<CReconciliationLocationPage*>(sheet.GetActivePage());
    if (!location) {
        Err() << "desk_screenshots: no Reconciliation Location page" << Qt::endl;
        return false;
    }
    const auto selectVault = [&] {
        for (int row = 0; row < location->List()->GetItemCount(); ++row)
            if (location->List()->RepositoryAt(row)->repositoryId == "VLT1")
                location->List()->SelectRow(row);
    };
    selectVault();
    sheet.GoNext();
    auto* page = qobject_cast<CReconciliationScanPage*>(sheet.GetActivePage());
    if (!page) {
        Err() << "desk_screenshots: no Reconciliation Scan page" << Qt::endl;
        return false;
    }
    page->Timer(CScanPage::kScanTimer)->stop();
    QStringList manifest{QStringLiteral("Volume,Slot")};
    for (size_t i = 0; i < page->Audit().Items().size() && i < 12; ++i) {
        const QString id = page->Audit().Items()[i].volumeId;
        if (i % 3 != 2) {
            ZELV10BARCODEPARSED item;
            item.customerId = "ACME";
            item.mediaId = "LTO6";
            item.volumeId.Set(id);
            page->OnScan(CZELV10RC(), item);
        }
        if (i % 4 != 3)
            manifest << QStringLiteral("ACME.LTO6.%1,%2").arg(id).arg(100 + i);
    }
    manifest << QStringLiteral("ACME.LTO6.X99999,7");
    const QString path = QDir(run.NewFolder(QStringLiteral("vault"))).filePath("manifest.csv");
    WriteFile(path, manifest.join(QLatin1Char('\n')).toUtf8() + '\n');
    page->LoadManifest(path);
    bool ok = Save(&sheet, out, QStringLiteral("reconciliation-scan.png"));

    sheet.Connection().Certify(QStringLiteral("ACME"), QStringLiteral("LTO6"),
                               QStringLiteral("VLT1"), QStringLiteral("Half-way check"));
    run.Prompter().Answer(PromptYes);
    sheet.GoBack();
    selectVault();
    ok = Save(&sheet, out, QStringLiteral("reconciliation-location.png")) && ok;
    location->SetDialogRunner([&](QDialog& dialog) {
        dialog.resize(560, 640);
        dialog.show();
        ok = Save(&dialog, out, QStringLiteral("certificate-properties.png")) && ok;
        dialog.close();
        return 0;
    });
    location->OpenCertificate(0);
    return ok;
}

// Library Management: the selection page, then LIB1's window beside a
// changer answered by a stand-in mtx that agrees with the server but for two
// slots.
bool LibraryShots(DeskRun& run, const QString& out) {
    CZELVDeskSheet& sheet = run.Sheet();
    if (run.ActivePageId() == IDD_CUSTOMER)
        ChooseCustomer(run, "ACME");
    auto* media = qobject_cast<CMediaPage*>(sheet.GetActivePage());
    for (int row = 0; media && row < media->List()->GetItemCount(); ++row)
        if (media->List()->MediaAt(row)->mediaId == "LTO6")
            media->List()->SelectRow(row);
    sheet.GoNext();
    auto* page = qobject_cast<CLibraryManagementPage*>(sheet.GetActivePage());
    if (!page) {
        Err() << "desk_screenshots: no Manage Library Selection page" << Qt::endl;
        return false;
    }
    for (int row = 0; row < page->List()->GetItemCount(); ++row)
        if (page->List()->RepositoryAt(row)->repositoryId == "LIB1")
            page->List()->SelectRow(row);
    bool ok = Save(&sheet, out, QStringLiteral("library-management.png"));

    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
    sheet.SetManageRunner([&](QDialog& dialog) {
        auto& dlg = static_cast<CZELV10ManageDlg&>(dialog);
        const std::map<int, QStringList> bySlot = dlg.ServerSlots();
        QByteArray status = "  Storage Changer /dev/sg3:2 Drives, 24 Slots ( 0 Import/Export )\n"
                            "Data Transfer Element 0:Empty\nData Transfer Element 1:Empty\n";
        for (int slot = 1; slot <= 24; ++slot) {
            const auto it = bySlot.find(slot);
            QString tag =
                it == bySlot.end() ? QString() : it->second.value(0) + QStringLiteral("L6");
            if (slot == 5)
                tag = QStringLiteral("CLN001L1"); // a cleaning tape the server does not know
            if (slot == 13)
                tag.clear(); // taken out by hand
            status += QStringLiteral("      Storage Element %1:%2\n")
                          .arg(slot)
                          .arg(tag.isEmpty() ? QStringLiteral("Empty")
                                             : QStringLiteral("Full :VolumeTag=") + tag)
                          .toUtf8();
        }
        WriteFile(QDir(bin.path()).filePath(QStringLiteral("status.txt")), status);
        const QString script = QDir(bin.path()).filePath(QStringLiteral("mtx"));
        WriteFile(script, "#!/bin/sh\ncat \"$(dirname \"$0\")/status.txt\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (dlg.Changer())
            dlg.Changer()->RefreshStatus();
        dlg.SetFilter(QStringLiteral("Rack A"));
        dlg.resize(1180, 700);
        dlg.show();
        ok = Save(&dlg, out, QStringLiteral("library-window.png")) && ok;
        dlg.close();
        return 0;
    });
    sheet.GoNext();
    qputenv("PATH", oldPath);
    return ok;
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        Err() << "usage: desk_screenshots OUTPUT_FOLDER SERVER_ADDRESS [LOG_PDF]" << Qt::endl;
        return 2;
    }
    const QString out = args.at(1);
    const QString address = args.at(2);
    QDir().mkpath(out);
    bool ok = true;

    DeskRun run;
    // The database's password, as zelvadmin and ZELVDesk take it.
    run.SetEnv(QStringLiteral("KELMAR_PASSWORD"), qEnvironmentVariable("KELMAR_PASSWORD"));
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    // The routing rules of the shipped configuration's example.
    run.WriteConfig(
        QStringLiteral("options = { disablespeech = true; logfile = \"%1\";\n"
                       "  changers = ( { repository = \"LIB1\"; device = \"/dev/sg3\"; } ); };\n")
            .arg(logs) +
        QStringLiteral(R"cfg(routing = (
  { volume = { source = "VLT1"; datacluster = "Payroll"; target = "VLT2"; }; },
  { volume = { source = "DC01"; barcode = "ACME.LTO8.*"; target = "LIB1"; }; }
);
allocation = (
  {
    volume = { barcode = "ACME.*"; datacluster = "Payroll"; };
    container = { datacluster = "Payroll"; };
    assignment = { datacluster = "Payroll"; barcode = "ACME.CONT.CN*"; };
  },
  { volume = { datacluster = "Archive"; allocation = false; }; },
  {
    volume = { barcode = "ACME.*"; target = "VLT1"; };
    container = { barcode = "ACME.CONT.CN*"; datacluster = "!(Payroll)"; };
  },
  { volume = { allocation = false; }; }
);
)cfg"));
    WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-tuesday.txt")),
              "# Tuesday vault pick-up\nA000015\nA000035\nA000055\n");
    WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-monthend.txt")),
              "# Month-end archive set\nB000002\nB000004\n");
    run.App().Profile().setValue(QStringLiteral("Options/ThresholdMinutes"), 1500);
    run.App().Profile().setValue(QStringLiteral("Options/MoveDateOffset"), 7);

    CZELVDeskSheet& sheet = run.Start({address});
    sheet.resize(900, 660);
    sheet.move(40, 40);
    ok = Save(&sheet, out, QStringLiteral("task-menu.png")) && ok;
    ok = HealthShot(sheet, out) && ok;

    // Send always asks for its options.
    run.ChooseTask(QStringLiteral("Send"));
    if (auto* options = PageOf<COptionPage>(sheet, IDD_OPTIONS)) {
        if (options->ListsRow())
            options->Grid()->SetCurSel(options->ListsRow());
    }
    ok =
        run.ActivePageId() == IDD_OPTIONS && Save(&sheet, out, QStringLiteral("options.png")) && ok;

    // Scan-In with a configured log folder: the bypass notification.
    sheet.GoBack();
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Scan-In"));
    const auto popups = run.App().Popups().OpenPopups();
    ok = !popups.empty() && Save(popups.front(), out, QStringLiteral("popup.png")) && ok;

    ok = ScanInPages(run, out) && ok;

    // The scanning window as a page opens it: each scan is matched against
    // the Volumes moving into the data centre.
    ZELVSCANVOLUMEARGS scanArgs;
    scanArgs.customerId = "ACME";
    scanArgs.mediaId = "LTO6";
    CZELV10MFC& mfc = sheet.Connection();
    scanArgs.notify = [&mfc](const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item) -> uint32_t {
        if (!parsed.IsOK())
            return parsed.Code();
        ZELVVOLS vol;
        const CZELV10RC rc =
            mfc.Get(&vol, item.customerId.Text(), item.mediaId.Text(), item.volumeId.Text());
        if (!rc.IsOK())
            return rc.Code();
        const bool incoming = (vol.flags & ZELVVOL_MOVING) &&
                              vol.Target().repositoryId.Text() == QStringLiteral("DC01");
        return incoming ? 0u : 61u;
    };
    {
        CZELV10ScanDlg scan(mfc, scanArgs, QStringLiteral("Scan-In"), &sheet);
        scan.resize(560, 420);
        scan.show();
        for (const QString& barcode : ScanBarcodes(mfc))
            scan.SubmitBarcode(barcode);
        ok = Save(&scan, out, QStringLiteral("scanning-window.png")) && ok;
        scan.close();
    }

    // Next from the Volumes page; the log holds its scans.
    if (run.ActivePageId() != IDD_RECEIVE_VOLUMES || !sheet.GoNext())
        sheet.SetActivePageById(IDD_FINAL);
    ok = Save(&sheet, out, QStringLiteral("final-page.png")) && ok;

    if (args.size() > 3) {
        auto* final = PageOf<CFinalPage>(sheet, IDD_FINAL);
        const QString pdf = args.at(3);
        final->SetPrinterSetup([pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        ok = final->PrintLog() == CZELVPrint::Result::Printed && ok;
    }

    // Scan-Out, from the task menu again.
    sheet.GoBack();
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Scan-Out"));
    ok = ScanOutPages(run, out) && ok;

    // Recall, from the task menu again.
    sheet.SetActivePageById(IDD_FINAL);
    sheet.GoBack();
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Recall"));
    ok = RecallPages(run, out) && ok;

    // Volume Management, from the task menu again.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Volume Management"));
    ok = ManagePages(run, out) && ok;

    // Scan-To-List, from the task menu again, and a configured command.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("List"));
    ok = ScanToListShot(run, out) && ok;
    ok = CommandWindowShot(&sheet, out) && ok;

    // Move Lists, from the task menu again.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Move Lists"));
    ok = MoveListPages(run, out) && ok;

    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Send"));
    ok = SendShots(run, out) && ok;

    // Library Reconciliation, from the task menu again.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Library Reconciliation"));
    ok = ReconciliationShots(run, out) && ok;

    // Library Management, from the task menu again.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Library Management"));
    ok = LibraryShots(run, out) && ok;

    // Manage Authorized Users, with a few users of the group and one chosen.
    sheet.SetActivePageById(IDD_INTRO);
    DeskRun::Flush();
    ok = AuthorizedShot(run, out) && ok;
    return ok ? 0 : 1;
}
