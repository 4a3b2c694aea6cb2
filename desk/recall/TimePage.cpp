#include "TimePage.h"

#include "TransactionLog.h"
#include "ZELV10MFC.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

CTimePage::CTimePage() : CZELVDeskPage(IDD_TIME) {
    SetHeader(ZELVDeskString(299), ZELVDeskString(263));
    setObjectName(QStringLiteral("recallTimePage"));

    auto* intro = new QLabel(QStringLiteral("The Recall Consignment Details screen allows you to "
                                            "define criteria for your Recall delivery."),
                             this);
    intro->setWordWrap(true);

    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("requiredMode"));
    m_mode->addItems({QStringLiteral("Anytime Before"), QStringLiteral("Exactly")});
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("requiredDate"));
    m_date->setCalendarPopup(true);
    m_date->setToolTip(QStringLiteral("Select your required date"));
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QStringLiteral("requiredTime"));
    m_time->setDisplayFormat(QStringLiteral("hh:mm AP"));
    m_time->setToolTip(QStringLiteral("Select your required time"));
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("consignmentDescription"));
    m_description->setMaxLength(kZelvConsignmentTextLen);
    m_notes = new QLineEdit(this);
    m_notes->setObjectName(QStringLiteral("consignmentNotes"));
    m_notes->setMaxLength(kZelvConsignmentCommentLen);

    auto* when = new QHBoxLayout;
    when->addWidget(new QLabel(QStringLiteral("The selected media is required"), this));
    when->addWidget(m_mode);
    when->addWidget(new QLabel(QStringLiteral("on"), this));
    when->addWidget(m_date);
    when->addWidget(new QLabel(QStringLiteral("at"), this));
    when->addWidget(m_time);
    when->addStretch(1);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Consignment Description"), m_description);
    fields->addRow(QStringLiteral("Consignment Notes"), m_notes);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(when);
    layout->addLayout(fields);
    layout->addStretch(1);
}

void CTimePage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    const QDateTime required = sheet->DefaultRequiredTime();
    m_date->setDate(required.date());
    m_time->setTime(required.time());
    const CRecallValues& kept = sheet->RecallValues();
    m_mode->setCurrentIndex(kept.mode);
    m_description->setText(kept.description);
    m_notes->setText(kept.notes);
}

QDateTime CTimePage::SaveValues() {
    const QTime at(m_time->time().hour(), m_time->time().minute(), 0);
    const QDateTime required(m_date->date(), at);
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return required;
    sheet->SetDefaultRequiredTime(required);
    CRecallValues& kept = sheet->RecallValues();
    kept.mode = m_mode->currentIndex();
    kept.description = m_description->text();
    kept.notes = m_notes->text();
    return required;
}

int CTimePage::OnWizardBack() {
    SaveValues();
    return kDefaultPage;
}

int CTimePage::OnWizardNext() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return kStay;
    const QDateTime required = SaveValues();
    const CRecallValues& kept = sheet->RecallValues();

    TransactionLog& log = sheet->Log();
    log.Write("Recall: Creating new Consignment");
    log.Write("Recall: - Due: %s",
              required.isValid()
                  ? required.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8().constData()
                  : "");
    log.Write("Recall: - Description: %s", kept.description.toUtf8().constData());
    log.Write("Recall: - Notes: %s", kept.notes.toUtf8().constData());

    ZELVCONSIGNEx consignment;
    consignment.customerId.Set(sheet->Customer());
    consignment.comments[0].Set(kept.notes);
    consignment.description.Set(kept.description);
    consignment.required = required.isValid() ? required.toSecsSinceEpoch() : 0;
    uint32_t number = 0;
    CZELV10RC rc = sheet->Connection().Put(consignment, &number);
    if (!rc.IsOK()) {
        log.Write("Consignment creation failed: %s", rc.Get().toUtf8().constData());
        return IDD_FINAL;
    }
    log.Write("Consignment %d created", int(number));
    const int moved = sheet->UpdateRecallSelection(number);
    if (moved == 0) {
        // Nothing travels under it: an empty Consignment must not go out to
        // the vault as if it carried media.
        rc = sheet->Connection().EditConsignment(number, ZELVCONSIGN_CANCELLED,
                                                 QStringLiteral("No Volume was recalled"));
        log.Write("Consignment %d cancelled: %s", int(number), rc.Get().toUtf8().constData());
        return IDD_FINAL;
    }
    rc = sheet->Connection().EditConsignment(number, ZELVCONSIGN_CAST,
                                             QStringLiteral("Automatically Cast"));
    log.Write("Consignment %d cast: %s", int(number), rc.Get().toUtf8().constData());
    return IDD_FINAL;
}

bool CTimePage::OnQueryCancel() {
    CZELVDeskSheet* sheet = Desk();
    return !sheet || sheet->ConfirmExit();
}
