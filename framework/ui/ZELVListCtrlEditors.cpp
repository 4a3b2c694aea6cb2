#include "ZELVListCtrlEditors.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>

bool CZELVListCtrl_EditorState::EndsEdit(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_cancelled = false;
        return true;
    case Qt::Key_Escape:
        m_cancelled = true;
        return true;
    default:
        return false;
    }
}

CZELVListCtrl_Edit::CZELVListCtrl_Edit(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("textEditor"));
    setFrame(false);
    hide();
}

void CZELVListCtrl_Edit::keyPressEvent(QKeyEvent* event) {
    if (!EndsEdit(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    Q_EMIT EditDone(IsCancelled());
}

CZELVListCtrl_Date::CZELVListCtrl_Date(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("dateEditor"));
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_check = new QCheckBox(this);
    m_check->setObjectName(QStringLiteral("dateEditorSet"));
    m_check->setChecked(true);
    m_check->hide();
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("dateEditorDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setDateRange(QDate(CZELVDate::kMinYear, 1, 1), QDate(CZELVDate::kMaxYear, 12, 31));
    layout->addWidget(m_check);
    layout->addWidget(m_date, 1);
    setFocusProxy(m_date);
    m_check->installEventFilter(this);
    m_date->installEventFilter(this);
    connect(m_check, &QCheckBox::toggled, m_date, &QWidget::setEnabled);
    hide();
}

void CZELVListCtrl_Date::SetShowNone(bool show) {
    m_showNone = show;
    m_check->setVisible(show);
    if (!show)
        m_check->setChecked(true);
}

void CZELVListCtrl_Date::SetDate(const QDate& date) {
    if (date.isValid())
        m_date->setDate(date);
    m_check->setChecked(true);
}

void CZELVListCtrl_Date::SetNoDate() {
    if (m_showNone)
        m_check->setChecked(false);
}

bool CZELVListCtrl_Date::HasDate() const {
    return !m_showNone || m_check->isChecked();
}

QDate CZELVListCtrl_Date::GetDate() const {
    return HasDate() ? m_date->date() : QDate();
}

bool CZELVListCtrl_Date::SetZelvDate(const CZELVDate& date) {
    if (date.IsEmpty()) {
        SetNoDate();
        return true;
    }
    QDate qdate;
    if (date.IsCalendarDate()) {
        qdate = QDate(date.Year(), date.Month(), date.Day());
    } else {
        CZELVDate calendar;
        if (calendar.SetFromTime(time_t(date.Value())))
            qdate = QDate(calendar.Year(), calendar.Month(), calendar.Day());
    }
    if (!qdate.isValid())
        return false;
    SetDate(qdate);
    return true;
}

CZELVDate CZELVListCtrl_Date::GetZelvDate() const {
    CZELVDate result;
    const QDate date = GetDate();
    if (date.isValid())
        result.SetDate(date.year(), date.month(), date.day());
    return result;
}

bool CZELVListCtrl_Date::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && EndsEdit(static_cast<QKeyEvent*>(event))) {
        Q_EMIT EditDone(IsCancelled());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

CZELVListCtrl_Combo::CZELVListCtrl_Combo(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("comboEditor"));
    setEditable(false);
    setMaxVisibleItems(kVisibleItems);
    hide();
}

void CZELVListCtrl_Combo::keyPressEvent(QKeyEvent* event) {
    if (!EndsEdit(event)) {
        QComboBox::keyPressEvent(event);
        return;
    }
    event->accept();
    Q_EMIT EditDone(IsCancelled());
}
