#include "SendContainerUpdatePage.h"

#include "TransactionLog.h"
#include "VolumeRecord.h"
#include "ZELV10MFC.h"
#include "ZELV10MoveDateDlg.h"
#include "ZELV10RepositoryCache.h"
#include "ZELVDeskHost.h"
#include "ZELVDeskStrings.h"
#include "ZELVPrompter.h"
#include "ZELVPropertyGridCtrl.h"
#include "manage/MoveDatePropertyGridProperty.h"

#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString kTargetRow = QStringLiteral("Target Repository");
const QString kCountRow = QStringLiteral("Newly assigned Volumes");
const QString kMoveRow = QStringLiteral("Next move");
const QString kDescriptionRow = QStringLiteral("Description");
const QString kClusterRow = QStringLiteral("Data-Cluster");

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

} // namespace

CSendContainerUpdatePage::CSendContainerUpdatePage() : CZELVDeskPage(IDD_SEND_CONTAINER_UPDATE) {
    SetHeader(ZELVDeskString(328), ZELVDeskString(327));
    setObjectName(QStringLiteral("sendContainerUpdatePage"));
    m_grid = new CZELVPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("containerGrid"));
    m_grid->EnableHeaderCtrl(false);
    m_grid->EnableDescriptionArea(true);
    m_grid->MarkModifiedProperties(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
}

CZELVPropertyGridProperty* CSendContainerUpdatePage::ContainerGroup(const QString& text) const {
    if (!m_containers)
        return nullptr;
    for (int i = 0; i < m_containers->GetSubItemsCount(); ++i)
        if (m_containers->GetSubItem(i)->GetName() == text)
            return m_containers->GetSubItem(i);
    return nullptr;
}

CZELVPropertyGridProperty* CSendContainerUpdatePage::Row(CZELVPropertyGridProperty* group,
                                                         const QString& name) {
    for (int i = 0; group && i < group->GetSubItemsCount(); ++i)
        if (group->GetSubItem(i)->GetName() == name)
            return group->GetSubItem(i);
    return nullptr;
}

void CSendContainerUpdatePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    m_grid->RemoveAll();
    m_scanOut = nullptr;
    m_containers = nullptr;

    CZELVPropertyGridProperty* settings = m_grid->AddGroup(QStringLiteral("Settings"));
    const bool scanOut = sheet->Host()
                             .Profile()
                             .value(kProfileSection + QLatin1Char('/') + kProfileKey, false)
                             .toBool();
    m_scanOut = settings->AddSubItem(QStringLiteral("Scan-Out Containers"), scanOut,
                                     QStringLiteral("Scan-Out Containers when updating"));

    CZELVDate today;
    today.SetFromTime(sheet->Clock().Now(), sheet->Clock());
    int shown = 0;
    std::vector<CandidateContainer>& candidates = sheet->Candidates();
    for (size_t i = 0; i < candidates.size(); ++i) {
        CandidateContainer& c = candidates[i];
        if (c.repository.isEmpty())
            continue;
        CVolumeRecord record(sheet->Connection(), c.key);
        record.Refresh();
        const ZELVVOLS& vol = record.Vol();
        if (!m_containers)
            m_containers = m_grid->AddGroup(QStringLiteral("Containers"));
        auto group = std::make_unique<CZELVPropertyGridProperty>(c.key.Text());
        group->SetData(qulonglong(i));

        const ZELVREPOSITORYFULL* repository =
            sheet->RepositoryCache().Find(c.key.Customer(), c.key.Media(), c.repository);
        group->AddSubItem(kTargetRow,
                          repository ? CZELV10RepositoryCache::DisplayName(*repository)
                                     : c.repository,
                          QString(), true);
        group->AddSubItem(kCountRow, QString::asprintf("%u", unsigned(c.count)), QString(), true);
        if (repository && (repository->flags & ZELVREP_SIMPLE))
            c.flags |= kCandidateSimpleRepository;
        else
            c.flags &= ~kCandidateSimpleRepository;
        if (!(vol.flags & ZELVVOL_SIMPLE) && !(c.flags & kCandidateSimpleRepository)) {
            const bool future = (vol.flags & ZELVVOL_MOVEDATE) && vol.moveDate.IsCalendarDate() &&
                                DaysBetween(today, vol.moveDate) > 0;
            auto move = std::make_unique<CMoveDatePropertyGridProperty>(
                kMoveRow, future ? vol.moveDate : today, QString(),
                [this](CZELVDate* date) { return SetMoveDate(date, this); });
            group->AddSubItem(std::move(move));
        }
        QString description;
        if (vol.flags & ZELVVOL_DESCRIPTION) {
            ZELVATTRIBUTE attribute;
            if (sheet->Connection()
                    .Get(&attribute, c.key.Customer(), c.key.Media(), c.key.Volume(), 0)
                    .IsOK())
                description = attribute.value.Text();
        }
        group->AddSubItem(kDescriptionRow, description);
        group->AddSubItem(kClusterRow, c.dataCluster, QString(), true);
        m_containers->AddSubItem(std::move(group));
        ++shown;
    }
    m_grid->ExpandAll();
    // The longest name ("Newly assigned Volumes") must show whole.
    m_grid->Tree()->setColumnWidth(0,
                                   m_grid->Tree()->fontMetrics().horizontalAdvance(kCountRow) + 80);
    if (shown == 0)
        sheet->PressButton(CZELVWizardSheet::WizardButton::Next);
}

int CSendContainerUpdatePage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    CZELVDate today;
    today.SetFromTime(sheet->Clock().Now(), sheet->Clock());
    const int groups = m_containers ? m_containers->GetSubItemsCount() : 0;
    for (int g = 0; g < groups; ++g) {
        auto* move = dynamic_cast<CMoveDatePropertyGridProperty*>(
            Row(m_containers->GetSubItem(g), kMoveRow));
        if (move && !move->GetDate().IsEmpty() && DaysBetween(today, move->GetDate()) < 1) {
            sheet->GetPrompter().Tell(
                QStringLiteral("One or more Containers have a next move date of less than one "
                               "day.\nPlease correct this to continue."),
                QStringLiteral("Next move date error"), PromptIcon::Information, sheet);
            return kStay;
        }
    }

    const bool scanOut = m_scanOut && m_scanOut->GetBool();
    std::vector<CandidateContainer>& candidates = sheet->Candidates();
    TransactionLog& log = sheet->Log();
    for (int g = 0; g < groups; ++g) {
        CZELVPropertyGridProperty* group = m_containers->GetSubItem(g);
        const size_t index = size_t(group->GetData().toULongLong());
        if (index >= candidates.size())
            continue;
        const CandidateContainer& c = candidates[index];
        CVolumeRecord record(sheet->Connection(), c.key);
        if (!record.Refresh().IsOK())
            continue;
        ZELVVOLS& vol = record.Record().vol;
        if (CZELVPropertyGridProperty* description = Row(group, kDescriptionRow);
            description && description->IsModified()) {
            ZELVATTRIBUTEEx attribute;
            c.key.CopyTo(&attribute.key);
            attribute.number = 0;
            attribute.value.Set(description->GetValue().toString().left(256));
            sheet->Connection().Put(attribute);
            // The write above moved the row's version on: read it again.
            record.Refresh();
            log.Write("Scan-Out: Container descrition set to: %s",
                      Utf8(description->GetValue().toString()).constData());
        }
        if (auto* move = dynamic_cast<CMoveDatePropertyGridProperty*>(Row(group, kMoveRow))) {
            if (move->IsModified())
                log.Write(
                    "Scan-Out: Container next move date set to: %s",
                    Utf8(CMoveDatePropertyGridProperty::DateText(move->GetDate())).constData());
            vol.moveDate = move->GetDate();
            if (vol.moveDate.IsEmpty())
                vol.flags &= ~ZELVVOL_MOVEDATE;
            else
                vol.flags |= ZELVVOL_MOVEDATE;
        }
        vol.Target().repositoryId.Set(c.repository);
        if (scanOut)
            vol.flags |= ZELVVOL_SCANNEDOUT;
        else
            vol.flags &= ~ZELVVOL_SCANNEDOUT;
        CZELV10RC rc = record.Update();
        const ZELVREPOSITORYFULL* repository =
            sheet->RepositoryCache().Find(c.key.Customer(), c.key.Media(), c.repository);
        if (repository && (repository->flags & ZELVREP_AUTOCONFIRM))
            rc = record.Confirm(c.repository, 0, CVolumeRecord::kKeep, false);
        log.Write("Scan-Out: Updated Container(%s): %s", Utf8(c.key.Text()).constData(),
                  Utf8(rc.Get()).constData());
    }
    candidates.clear();
    sheet->Host().Profile().setValue(kProfileSection + QLatin1Char('/') + kProfileKey, scanOut);
    return IDD_FINAL;
}
