#pragma once

#include "ZELVPropertyGridCtrl.h"

#include <QDialog>
#include <cstdint>
#include <functional>

class Prompter;

// An overdue threshold in minutes as the operator reads it: "No threshold"
// for 0, else "%D days, %H hs, %M ms".
QString ThresholdText(qint64 minutes);
// Any span of minutes in the "%D days, %H hs, %M ms" form.
QString ThresholdSpanText(qint64 minutes);

// The "Overdue Threshold" dialog: an on/off switch and the threshold split
// into days, hours and minutes. OK stores the new value into the bound one.
class CThresholdDlg : public QDialog {
    Q_OBJECT
public:
    // The threshold is 16 bits wide on the server.
    static constexpr qint64 kMaxMinutes = 65535;

    CThresholdDlg(uint16_t* threshold, Prompter& prompter, QWidget* parent = nullptr);

    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    CZELVPropertyGridProperty* EnableRow() const { return m_enable; }
    CZELVPropertyGridProperty* DaysRow() const { return m_days; }
    CZELVPropertyGridProperty* HoursRow() const { return m_hours; }
    CZELVPropertyGridProperty* MinutesRow() const { return m_minutes; }

    // The rows' total in minutes (0 when switched off).
    qint64 EnteredMinutes() const;
    // OK: stores the threshold and closes, or says why it cannot and stays.
    // Returns whether it closed.
    bool OnOK();
    void accept() override { OnOK(); }

private:
    uint16_t* m_threshold;
    Prompter& m_prompter;
    CZELVPropertyGridCtrl* m_grid = nullptr;
    CZELVPropertyGridProperty* m_enable = nullptr;
    CZELVPropertyGridProperty* m_days = nullptr;
    CZELVPropertyGridProperty* m_hours = nullptr;
    CZELVPropertyGridProperty* m_minutes = nullptr;
};

// The dialog on *minutes, modal; true when OK stored a value.
bool EditThreshold(uint16_t* minutes, Prompter& prompter, QWidget* parent = nullptr);

// A property-grid row for an overdue threshold: shows its text and opens the
// threshold dialog from its button. It edits the bound value, or one of its
// own when none is given.
class CThresholdPropertyGridProperty : public CZELVPropertyGridProperty {
public:
    // Edits the minutes in place; true when they changed.
    using Editor = std::function<bool(uint16_t* minutes)>;

    CThresholdPropertyGridProperty(const QString& name, uint16_t* bound, const QString& description,
                                   Editor editor);

    uint16_t Minutes() const { return *m_bound; }
    void SetMinutes(uint16_t minutes);
    void SetEditor(Editor editor) { m_editor = std::move(editor); }

    bool HasButton() const override { return true; }
    bool OnClickButton() override;

private:
    uint16_t m_own = 0;
    uint16_t* m_bound;
    Editor m_editor;
};
