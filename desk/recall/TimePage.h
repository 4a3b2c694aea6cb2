#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

#include <QDateTime>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QTimeEdit;

// Recall Consignment Details: when the media is required, with a description
// and notes. Next creates the Consignment, redirects the Recall selection
// under it and casts it.
class CTimePage : public CZELVDeskPage {
    Q_OBJECT
public:
    CTimePage();

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
    bool OnQueryCancel() override;

    QComboBox* Mode() const { return m_mode; }
    QDateEdit* Date() const { return m_date; }
    QTimeEdit* Time() const { return m_time; }
    QLineEdit* Description() const { return m_description; }
    QLineEdit* Notes() const { return m_notes; }

private:
    // Keeps what the operator entered in the sheet for the next visit.
    QDateTime SaveValues();

    QComboBox* m_mode = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_notes = nullptr;
};
