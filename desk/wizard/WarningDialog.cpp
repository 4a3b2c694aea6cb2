#include "WarningDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CWarningDialog::CWarningDialog(QWidget* parent, int repositoryErrors, int backwardDates,
                               int volumeErrors, int missingTags, const QString& details)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName(QStringLiteral("validationWarning"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("warningIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* text = new QLabel(QString::fromLatin1(kText), this);
    text->setObjectName(QStringLiteral("warningText"));
    text->setWordWrap(true);
    top->addWidget(text, 1);
    layout->addLayout(top);

    auto* form = new QFormLayout;
    const struct {
        const char* label;
        const char* name;
        int count;
    } rows[] = {
        {"Unknown Repository Errors", "repositoryErrors", repositoryErrors},
        {"Backward Dates", "backwardDates", backwardDates},
        {"Volume Errors", "volumeErrors", volumeErrors},
        {"Missing Tags", "missingTags", missingTags},
    };
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(QString::number(rows[i].count), this);
        field->setObjectName(QString::fromLatin1(rows[i].name));
        field->setReadOnly(true);
        m_counts[i] = field;
        form->addRow(QString::fromLatin1(rows[i].label), field);
    }
    layout->addLayout(form);

    m_details = new QPlainTextEdit(details, this);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setReadOnly(true);
    layout->addWidget(m_details, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(460, 360);
}

QLineEdit* CWarningDialog::CountField(int index) const {
    return index >= 0 && index < 4 ? m_counts[index] : nullptr;
}
