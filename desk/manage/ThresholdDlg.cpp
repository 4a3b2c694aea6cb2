#include "ThresholdDlg.h"

#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinutesPerDay = 1440;

} // namespace

QString ThresholdSpanText(qint64 minutes) {
    if (minutes < 0)
        minutes = 0;
    return QString::asprintf("%lld days, %02d hs, %02d ms", minutes / kMinutesPerDay,
                             int(minutes % kMinutesPerDay / 60), int(minutes % 60));
}

QString ThresholdText(qint64 minutes) {
    if (minutes <= 0)
        return QStringLiteral("No threshold");
    return ThresholdSpanText(minutes);
}

CThresholdDlg::CThresholdDlg(uint16_t* threshold, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_threshold(threshold), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Overdue Threshold"));
    setObjectName(QStringLiteral("thresholdDialog"));
    const int value = threshold ? *threshold : 0;

    auto* layout = new QVBoxLayout(this);
    auto* bitmap = new QLabel(this);
    bitmap->setPixmap(ZELVBitmap(200));
    layout->addWidget(bitmap);

    m_grid = new CZELVPropertyGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("thresholdGrid"));
    m_grid->EnableDescriptionArea(true);
    m_enable = m_grid->AddSubItem(QStringLiteral("Enable threshold"), value > 0,
                                  QStringLiteral("A threshold value is enabled"));
    m_days = m_grid->AddSubItem(QStringLiteral("Days"), value / kMinutesPerDay,
                                QStringLiteral("Number of days"));
    m_days->EnableSpinControl(true, 0, 30);
    m_hours = m_grid->AddSubItem(QStringLiteral("Hours"), value % kMinutesPerDay / 60,
                                 QStringLiteral("Number of hours"));
    m_hours->EnableSpinControl(true, 0, 1440);
    m_minutes = m_grid->AddSubItem(QStringLiteral("Minutes"), value % 60,
                                   QStringLiteral("Number of minutes"));
    m_minutes->EnableSpinControl(true, 0, 60);
    layout->addWidget(m_grid, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CThresholdDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CThresholdDlg::reject);
    layout->addWidget(buttons);
    resize(360, 300);
}

qint64 CThresholdDlg::EnteredMinutes() const {
    if (!m_enable->GetBool())
        return 0;
    // Whole minutes of days, hours and minutes; no rounding is needed in
    // integers.
    return m_days->GetInt() * kMinutesPerDay + m_hours->GetInt() * 60 + m_minutes->GetInt();
}

bool CThresholdDlg::OnOK() {
    const qint64 minutes = EnteredMinutes();
    if (minutes > kMaxMinutes) {
        m_prompter.Tell(QStringLiteral("A threshold of %1 exceeds the maximum of %2")
                            .arg(ThresholdSpanText(minutes), ThresholdSpanText(kMaxMinutes)),
                        QStringLiteral("Threshold too high"), PromptIcon::Information, this);
        return false;
    }
    if (m_threshold)
        *m_threshold = uint16_t(minutes < 0 ? 0 : minutes);
    QDialog::accept();
    return true;
}

bool EditThreshold(uint16_t* minutes, Prompter& prompter, QWidget* parent) {
    CThresholdDlg dialog(minutes, prompter, parent);
    return dialog.exec() == QDialog::Accepted;
}

CThresholdPropertyGridProperty::CThresholdPropertyGridProperty(const QString& name, uint16_t* bound,
                                                               const QString& description,
                                                               Editor editor)
    : CZELVPropertyGridProperty(name, QString(), description), m_bound(bound ? bound : &m_own),
      m_editor(std::move(editor)) {
    AllowEdit(false);
    SetValue(ThresholdText(*m_bound));
    ResetOriginalValue();
}

void CThresholdPropertyGridProperty::SetMinutes(uint16_t minutes) {
    *m_bound = minutes;
    SetValue(ThresholdText(minutes));
}

bool CThresholdPropertyGridProperty::OnClickButton() {
    if (!m_editor)
        return false;
    uint16_t minutes = *m_bound;
    if (!m_editor(&minutes))
        return false;
    SetMinutes(minutes);
    return true;
}
