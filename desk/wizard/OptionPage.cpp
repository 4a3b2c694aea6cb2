#include "OptionPage.h"

#include "ZELV10MoveDateDlg.h"
#include "ZELVDeskHost.h"
#include "ZELVPrompter.h"
#include "manage/MoveDatePropertyGridProperty.h"
#include "manage/ThresholdDlg.h"

#include <QFileDialog>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <climits>
#include <optional>

namespace {

// A profile value as a whole number within the range; anything else (absent,
// not a number, out of range) counts as absent.
std::optional<qint64> ProfileNumber(QSettings& profile, const char* key, qint64 min, qint64 max) {
    const QVariant value = profile.value(QString::fromLatin1(key));
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!value.isValid() || !ok || number < min || number > max)
        return std::nullopt;
    return number;
}

CZELVDate Today(const ZELVClock& clock) {
    CZELVDate today;
    today.SetFromTime(clock.Now(), clock);
    return today;
}

} // namespace

CFolderPropertyGridProperty::CFolderPropertyGridProperty(const QString& name, const QString& folder,
                                                         const QString& description,
                                                         Chooser chooser)
    : CZELVPropertyGridProperty(name, folder, description), m_chooser(std::move(chooser)) {}

bool CFolderPropertyGridProperty::OnClickButton() {
    if (!m_chooser)
        return false;
    const QString chosen = m_chooser(GetValue().toString());
    if (chosen.isEmpty() || chosen == GetValue().toString())
        return false;
    SetValue(chosen);
    return true;
}

COptionPage::COptionPage() : CZELVDeskPage(IDD_OPTIONS) {
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QString::fromUtf8(kCaption), this);
    caption->setObjectName(QStringLiteral("pageName"));
    QFont font = caption->font();
    font.setBold(true);
    caption->setFont(font);
    layout->addWidget(caption);
    for (const char* text :
         {"The Options screen allows you to specify options that will influence how future "
          "screens perform.",
          "The options you change will be retained for future sessions."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    m_grid = new CZELVPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("optionsGrid"));
    m_grid->EnableDescriptionArea(true);
    layout->addWidget(m_grid, 1);

    m_folderChooser = [this](const QString& current) { return ChooseFolder(current); };
    m_thresholdEditor = [this](uint16_t* minutes) {
        CZELVDeskSheet* sheet = Desk();
        return sheet && EditThreshold(minutes, sheet->GetPrompter(), this);
    };
    m_moveDateEditor = [this](CZELVDate* date) { return SetMoveDate(date, this); };
}

COptionPage::~COptionPage() = default;

void COptionPage::SetFolderChooser(CFolderPropertyGridProperty::Chooser chooser) {
    m_folderChooser = std::move(chooser);
    if (m_folder)
        m_folder->SetChooser(m_folderChooser);
}

void COptionPage::SetThresholdEditor(std::function<bool(uint16_t*)> editor) {
    m_thresholdEditor = std::move(editor);
    if (m_threshold)
        m_threshold->SetEditor(m_thresholdEditor);
}

void COptionPage::SetMoveDateEditor(std::function<int(CZELVDate*)> editor) {
    m_moveDateEditor = std::move(editor);
    if (m_nextMove)
        m_nextMove->SetEditor(m_moveDateEditor);
}

QString COptionPage::ChooseFolder(const QString& current) {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Log File Folder"), current);
}

void COptionPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    // The folder is proposed once; later visits keep what the operator
    // entered, unless the configuration names the folder.
    if (!m_proposed) {
        m_proposed = true;
        m_entered = sheet->LogFolder();
        if (m_entered.isEmpty())
            m_entered = sheet->Host().Profile().value(QString::fromLatin1(kLogfileKey)).toString();
        if (m_entered.isEmpty())
            m_entered = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    } else if (sheet->IsLogFolderKnown()) {
        m_entered = sheet->LogFolder();
    }
    Rebuild();
}

void COptionPage::OnKillActive() {
    // Leaving with Back keeps what was entered for the next visit.
    if (m_folder)
        m_entered = m_folder->GetValue().toString();
}

void COptionPage::Rebuild() {
    CZELVDeskSheet* sheet = Desk();
    m_grid->RemoveAll();
    m_folder = nullptr;
    m_threshold = nullptr;
    m_nextMove = nullptr;
    m_lists = nullptr;

    CZELVPropertyGridProperty* general = m_grid->AddGroup(QStringLiteral("General Options"));
    m_folder = static_cast<CFolderPropertyGridProperty*>(
        general->AddSubItem(std::make_unique<CFolderPropertyGridProperty>(
            QStringLiteral("Log File Folder"), m_entered,
            QStringLiteral("Folder where log files will be written."), m_folderChooser)));

    if (sheet->Task() == TaskSend) {
        QSettings& profile = sheet->Host().Profile();
        m_thresholdMinutes = uint16_t(
            ProfileNumber(profile, kThresholdKey, 0, CThresholdDlg::kMaxMinutes).value_or(0));
        sheet->SetThresholdMinutes(m_thresholdMinutes);
        const qint64 offset =
            ProfileNumber(profile, kMoveDateOffsetKey, INT_MIN, INT_MAX).value_or(0);
        CZELVDate returnDate;
        if (offset != 0) {
            CZELVDate day = Today(sheet->Clock());
            // A day beyond the calendar's range is no date at all.
            if (day.AddDays(offset))
                returnDate = day;
        }
        sheet->SetDefaultReturnDate(returnDate);

        CZELVPropertyGridProperty* advanced = m_grid->AddGroup(QStringLiteral("Advanced Options"));
        m_threshold = static_cast<CThresholdPropertyGridProperty*>(
            advanced->AddSubItem(std::make_unique<CThresholdPropertyGridProperty>(
                QStringLiteral("Time Threshold"), &m_thresholdMinutes,
                QStringLiteral("Default number of minutes before a Volume will be marked as "
                               "overdue at its target. You will be able to change this value "
                               "on a Volume by Volume basis."),
                m_thresholdEditor)));
        m_nextMove = static_cast<CMoveDatePropertyGridProperty*>(
            advanced->AddSubItem(std::make_unique<CMoveDatePropertyGridProperty>(
                QStringLiteral("Next move"), returnDate,
                QStringLiteral("Default date where Volumes will move. You will be able to "
                               "change this default on a Volume by Volume basis."),
                m_moveDateEditor)));

        CPredefFileList& lists = sheet->PredefinedLists();
        sheet->LoadPredefinedLists();
        lists.Select(-1);
        const QString none = QString::fromLatin1(kNotSelected);
        auto row = std::make_unique<CZELVPropertyGridProperty>(
            QStringLiteral("Predefined Lists"), none,
            QStringLiteral("Lists of pre-defined Volumes. To add additional lists create new "
                           "files in the install directory that match the pattern List-*.txt."));
        row->AllowEdit(false);
        row->AddOption(none, -1);
        const QStringList texts = lists.ChoiceTexts({none});
        for (int i = 0; i < texts.size(); ++i)
            row->AddOption(texts[i], i);
        m_lists = advanced->AddSubItem(std::move(row));
        m_lists->Show(lists.GetCount() > 0);
    }
    m_grid->ExpandAll();
}

int COptionPage::ChosenList() const {
    if (!m_lists)
        return -1;
    bool ok = false;
    const int index = m_lists->GetSelectedOptionData().toInt(&ok);
    return ok ? index : -1;
}

int COptionPage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || !m_folder)
        return kStay;
    const QString folder = m_folder->GetValue().toString();
    sheet->SetLogFolder(folder);
    if (!sheet->OpenLogAndLogon(folder)) {
        sheet->GetPrompter().Tell(QString::asprintf(kLogErrorFormat, folder.toUtf8().constData()),
                                  QString::fromLatin1(kLogErrorCaption), PromptIcon::Information,
                                  this);
        return kStay;
    }

    QSettings& profile = sheet->Host().Profile();
    if (sheet->Task() == TaskSend && m_threshold && m_nextMove) {
        sheet->SetThresholdMinutes(m_thresholdMinutes);
        profile.setValue(QString::fromLatin1(kThresholdKey), int(m_thresholdMinutes));
        const CZELVDate date = m_nextMove->GetDate();
        sheet->SetDefaultReturnDate(date);
        const long days = date.IsEmpty() ? 0 : DaysBetween(Today(sheet->Clock()), date);
        profile.setValue(QString::fromLatin1(kMoveDateOffsetKey), qint64(days));
        sheet->PredefinedLists().Select(ChosenList());
    }
    profile.setValue(QString::fromLatin1(kLogfileKey), folder);
    profile.sync();
    return sheet->FirstTaskPage();
}
