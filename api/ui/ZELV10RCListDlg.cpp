#include "ZELV10RCListDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { kNoteColumn = 0, kResultColumn = 1 };

} // namespace

CZELV10RCListDlg::CZELV10RCListDlg(const CZELV10RCList& list, QWidget* parent)
    : QDialog(parent), m_list(list) {
    setObjectName(QStringLiteral("resultListDialog"));
    setWindowTitle(QStringLiteral("Results"));
    resize(560, 380);

    auto* counts = new QLabel(CountsText(list), this);
    counts->setObjectName(QStringLiteral("resultCounts"));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("resultList"));
    m_tree->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("Result")});
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setColumnWidth(kNoteColumn, 200);

    const QIcon okIcon = style()->standardIcon(QStyle::SP_DialogApplyButton);
    const QIcon failIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    for (const CZELV10RCList::Entry& e : list.Entries()) {
        auto* row = new QTreeWidgetItem(m_tree);
        row->setText(kNoteColumn, e.note);
        row->setText(kResultColumn, e.rc.Get());
        row->setToolTip(kResultColumn, e.rc.Get());
        row->setIcon(kNoteColumn, e.rc.IsOK() ? okIcon : failIcon);
        if (!e.rc.IsOK())
            row->setForeground(kResultColumn, QColor(0xB0, 0x00, 0x00));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("resultButtons"));
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("resultCopyButton"));
    connect(copy, &QPushButton::clicked, this, &CZELV10RCListDlg::CopyToClipboard);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(counts);
    layout->addWidget(buttons);
}

QString CZELV10RCListDlg::CountsText(const CZELV10RCList& list) {
    return QString::asprintf("OK(%d) NotOK(%d)", list.GetOKCount(), list.GetNotOKCount());
}

QString CZELV10RCListDlg::ClipboardText() const {
    QString text;
    for (const CZELV10RCList::Entry& e : m_list.Entries())
        text += e.note + QLatin1Char('\t') + e.rc.Get() + QLatin1Char('\n');
    return text + CountsText(m_list) + QLatin1Char('\n');
}

void CZELV10RCListDlg::CopyToClipboard() const {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(ClipboardText());
}

int CZELV10RCListDlg::Display(const CZELV10RCList& list, int flag, QWidget* parent) {
    (void)flag;
    CZELV10RCListDlg dialog(list, parent);
    return dialog.exec();
}
