#pragma once

#include "ZELVDate.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QWidget>

class QCheckBox;
class QDateEdit;
class QKeyEvent;

// The in-place editors of CZELVListCtrl. Each ends its edit on Enter and
// cancels it on Escape, and remembers whether the last edit was cancelled.

class CZELVListCtrl_EditorState {
public:
    bool IsCancelled() const { return m_cancelled; }
    void SetCancelled(bool cancelled) { m_cancelled = cancelled; }

protected:
    // True for Enter and Escape, which end the edit (Escape cancels it);
    // anything else is the editor's own.
    bool EndsEdit(QKeyEvent* event);

private:
    bool m_cancelled = false;
};

class CZELVListCtrl_Edit : public QLineEdit, public CZELVListCtrl_EditorState {
    Q_OBJECT
public:
    explicit CZELVListCtrl_Edit(QWidget* parent = nullptr);

Q_SIGNALS:
    void EditDone(bool cancelled);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A date picker; with ShowNone a check box in front says whether a date is
// set at all (a Permanent Volume has none).
class CZELVListCtrl_Date : public QWidget, public CZELVListCtrl_EditorState {
    Q_OBJECT
public:
    explicit CZELVListCtrl_Date(QWidget* parent = nullptr);

    void SetShowNone(bool show);
    bool ShowsNone() const { return m_showNone; }
    void SetDate(const QDate& date);
    // Clears the check box; only with ShowNone.
    void SetNoDate();
    // False when ShowNone is on and the box is clear.
    bool HasDate() const;
    QDate GetDate() const;
    // The server's date form; an empty date when none is set. False for a
    // date outside the picker's range.
    bool SetZelvDate(const CZELVDate& date);
    CZELVDate GetZelvDate() const;

    QDateEdit* DateEdit() const { return m_date; }
    QCheckBox* CheckBox() const { return m_check; }

Q_SIGNALS:
    void EditDone(bool cancelled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* m_check = nullptr;
    QDateEdit* m_date = nullptr;
    bool m_showNone = false;
};

// A drop-down list (no typing); the list shows at most 20 entries.
class CZELVListCtrl_Combo : public QComboBox, public CZELVListCtrl_EditorState {
    Q_OBJECT
public:
    static constexpr int kVisibleItems = 20;
    explicit CZELVListCtrl_Combo(QWidget* parent = nullptr);

Q_SIGNALS:
    void EditDone(bool cancelled);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
