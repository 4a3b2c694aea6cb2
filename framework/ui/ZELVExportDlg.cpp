#include "ZELVExportDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLabel* Instruction(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    label->setFont(font);
    label->setObjectName(QStringLiteral("instruction"));
    return label;
}

QRadioButton* Radio(const char* text, int id, QButtonGroup* group, QVBoxLayout* layout,
                    QWidget* parent) {
    auto* button = new QRadioButton(QString::fromUtf8(text), parent);
    button->setObjectName(QStringLiteral("type%1").arg(id));
    group->addButton(button, id);
    layout->addWidget(button);
    return button;
}

} // namespace

CZELVExportTypeDlg::CZELVExportTypeDlg(bool mailAllowed, int selected, int total,
                                       std::function<int()> selectAll, QWidget* parent)
    : QDialog(parent), m_selectAllFn(std::move(selectAll)), m_selected(selected), m_total(total) {
    setObjectName(QStringLiteral("exportTypeDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Instruction(kInstruction, this));

    m_types = new QButtonGroup(this);
    auto* radios = new QVBoxLayout;
    radios->setContentsMargins(16, 4, 4, 4);
    Radio("Adobe Acrobat File (PDF)", 6, m_types, radios, this)->setChecked(true);
    Radio("Comma Delimited File (CSV)", 1, m_types, radios, this);
    if (mailAllowed)
        Radio("Email", 2, m_types, radios, this);
    Radio("Microsoft Excel", 5, m_types, radios, this);
    Radio("Text File", 3, m_types, radios, this);
    Radio("XML File (XML)", 4, m_types, radios, this);
    layout->addLayout(radios);

    m_open = new QCheckBox(QString::fromUtf8(kOpenCheck), this);
    m_open->setObjectName(QStringLiteral("openWhenDone"));
    m_open->setChecked(true);
    layout->addWidget(m_open);

    auto* footerRow = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    footerRow->addWidget(icon);
    m_footer = new QLabel(this);
    m_footer->setObjectName(QStringLiteral("footer"));
    footerRow->addWidget(m_footer, 1);
    layout->addLayout(footerRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    if (selected < total) {
        m_selectAll =
            buttons->addButton(QStringLiteral("Select All"), QDialogButtonBox::ActionRole);
        m_selectAll->setObjectName(QStringLiteral("selectAll"));
        connect(m_selectAll, &QPushButton::clicked, this, &CZELVExportTypeDlg::OnSelectAll);
    }
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    UpdateFooter();
}

int CZELVExportTypeDlg::Type() const {
    return m_types->checkedId();
}

void CZELVExportTypeDlg::SetType(int type) {
    if (QAbstractButton* button = m_types->button(type))
        button->setChecked(true);
}

bool CZELVExportTypeDlg::OpenWhenDone() const {
    return m_open->isChecked();
}

QString CZELVExportTypeDlg::FooterText() const {
    return m_footer->text();
}

QList<int> CZELVExportTypeDlg::Types() const {
    QList<int> types;
    for (QAbstractButton* button : m_types->buttons())
        types.append(m_types->id(button));
    return types;
}

void CZELVExportTypeDlg::OnSelectAll() {
    if (m_selectAllFn)
        m_selected = m_selectAllFn();
    // The chosen format stays checked; only the count changes.
    UpdateFooter();
    if (m_selectAll)
        m_selectAll->setEnabled(false);
}

void CZELVExportTypeDlg::UpdateFooter() {
    m_footer->setText(QString::asprintf(kFooter, unsigned(m_selected), unsigned(m_total)));
}

CZELVPdfOptionsDlg::CZELVPdfOptionsDlg(int pageSize, int orientation, const QString& exclusion,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("pdfOptionsDlg"));
    setWindowTitle(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Instruction(kInstruction, this));
    auto* content = new QLabel(QString::fromUtf8(kContent), this);
    content->setWordWrap(true);
    layout->addWidget(content);

    m_sizes = new QButtonGroup(this);
    auto* radios = new QVBoxLayout;
    radios->setContentsMargins(16, 4, 4, 4);
    Radio("Letter", 0, m_sizes, radios, this);
    Radio("Legal", 1, m_sizes, radios, this);
    Radio("A4", 3, m_sizes, radios, this);
    layout->addLayout(radios);
    // A stored size the dialog does not offer falls back to the first.
    QAbstractButton* preset = m_sizes->button(pageSize);
    (preset ? preset : m_sizes->button(0))->setChecked(true);

    m_landscape = new QCheckBox(QString::fromUtf8(kLandscape), this);
    m_landscape->setObjectName(QStringLiteral("landscape"));
    m_landscape->setChecked(orientation != 0);
    layout->addWidget(m_landscape);

    m_exclusion = new QLineEdit(exclusion, this);
    m_exclusion->setObjectName(QStringLiteral("exclusion"));
    m_exclusion->setMaxLength(128);
    layout->addWidget(m_exclusion);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int CZELVPdfOptionsDlg::PageSize() const {
    return m_sizes->checkedId();
}

int CZELVPdfOptionsDlg::Orientation() const {
    return m_landscape->isChecked() ? 1 : 0;
}

QString CZELVPdfOptionsDlg::Exclusion() const {
    return m_exclusion->text();
}
