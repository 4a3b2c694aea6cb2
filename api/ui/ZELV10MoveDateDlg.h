#pragma once

#include "ZELVDate.h"

#include <QDate>
#include <QDialog>
#include <optional>

class QCalendarWidget;
class QCheckBox;
class QLabel;

// The next-move date dialog: a calendar and a "Permanent" check box (no date).
// Any day the calendar offers is accepted; the pages make their own date
// checks (backward dates, dates too close) when they go on.
class CZELV10MoveDateDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on the given date; a date that is not set (or names no real day)
    // opens as Permanent with today in the calendar.
    explicit CZELV10MoveDateDlg(const CZELVDate& date, QWidget* parent = nullptr,
                                const ZELVClock& clock = ZELVClock::System());

    bool IsPermanent() const;
    void SetPermanent(bool permanent);
    QDate SelectedDay() const;
    void SetSelectedDay(const QDate& day);
    // The chosen date: a calendar date, or an empty date for Permanent.
    CZELVDate Date() const;

    // The calendar day a stored date names, an invalid QDate for none.
    static QDate DayOf(const CZELVDate& date);

private:
    void Update();

    QCheckBox* m_permanent = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QLabel* m_text = nullptr;
};

// The dialog on a date; nothing when the operator cancels.
std::optional<CZELVDate> ChooseMoveDate(const CZELVDate& current, QWidget* parent = nullptr);

// The dialog on *date: returns 1 and stores the choice when accepted, 2 and
// leaves *date alone when cancelled.
int SetMoveDate(CZELVDate* date, QWidget* parent = nullptr);
