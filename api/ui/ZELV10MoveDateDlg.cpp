#include "ZELV10MoveDateDlg.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

namespace {

QDate LocalDay(time_t t) {
    struct tm lt {};
    if (::localtime_r(&t, &lt) == nullptr)
        return {};
    return QDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
}

} // namespace

CZELV10MoveDateDlg::CZELV10MoveDateDlg(const CZELVDate& date, QWidget* parent,
                                       const ZELVClock& clock)
    : QDialog(parent) {
    setObjectName(QStringLiteral("moveDateDialog"));
    setWindowTitle(QStringLiteral("Next Move Date"));

    m_permanent = new QCheckBox(QStringLiteral("Permanent"), this);
    m_permanent->setObjectName(QStringLiteral("moveDatePermanent"));
    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("moveDateCalendar"));
    m_calendar->setGridVisible(true);
    // A move date before 1970 has no time form; the last year is the last a
    // stored date can hold.
    m_calendar->setDateRange(QDate(1970, 1, 1), QDate(CZELVDate::kMaxYear, 12, 31));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("moveDateText"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("moveDateButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_permanent);
    layout->addWidget(m_calendar);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    const QDate day = DayOf(date);
    QDate today = LocalDay(clock.Now());
    if (!today.isValid())
        today = QDate::currentDate();
    m_calendar->setSelectedDate(day.isValid() ? day : today);
    m_permanent->setChecked(!day.isValid());

    connect(m_permanent, &QCheckBox::toggled, this, &CZELV10MoveDateDlg::Update);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &CZELV10MoveDateDlg::Update);
    Update();
}

bool CZELV10MoveDateDlg::IsPermanent() const {
    return m_permanent->isChecked();
}
void CZELV10MoveDateDlg::SetPermanent(bool permanent) {
    m_permanent->setChecked(permanent);
}
QDate CZELV10MoveDateDlg::SelectedDay() const {
    return m_calendar->selectedDate();
}
void CZELV10MoveDateDlg::SetSelectedDay(const QDate& day) {
    m_calendar->setSelectedDate(day);
}

CZELVDate CZELV10MoveDateDlg::Date() const {
    CZELVDate date;
    if (IsPermanent())
        return date;
    const QDate day = SelectedDay();
    if (!day.isValid() || !date.SetDate(day.year(), day.month(), day.day()))
        return CZELVDate();
    return date;
}

QDate CZELV10MoveDateDlg::DayOf(const CZELVDate& date) {
    if (date.IsEmpty())
        return {};
    if (date.IsCalendarDate())
        return date.IsValid() ? QDate(date.Year(), date.Month(), date.Day()) : QDate();
    return LocalDay(date.ToTime());
}

void CZELV10MoveDateDlg::Update() {
    m_calendar->setEnabled(!IsPermanent());
    const CZELVDate date = Date();
    m_text->setText(date.IsEmpty() ? QStringLiteral("Permanent") : FormatDate(date));
}

std::optional<CZELVDate> ChooseMoveDate(const CZELVDate& current, QWidget* parent) {
    CZELV10MoveDateDlg dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Date();
}

int SetMoveDate(CZELVDate* date, QWidget* parent) {
    if (!date)
        return 2;
    const std::optional<CZELVDate> chosen = ChooseMoveDate(*date, parent);
    if (!chosen)
        return 2;
    *date = *chosen;
    return 1;
}
