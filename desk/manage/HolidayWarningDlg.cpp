#include "HolidayWarningDlg.h"

#include "UpdateItem.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

CHolidayWarningDlg::CHolidayWarningDlg(const UpdateItemList& list, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Holiday Warning"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* text1 = new QLabel(QStringLiteral("Please note that some of the dates that you have "
                                            "requested have been defined as Public Holidays for "
                                            "their respective accounts."),
                             this);
    auto* text2 = new QLabel(QStringLiteral("You may choose to continue, in this case your media "
                                            "will be returned in line with your standing orders "
                                            "for Public Holiday deliveries."),
                             this);
    text1->setWordWrap(true);
    text2->setWordWrap(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("holidayList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Volume"), QStringLiteral("Public Holiday")});
    m_list->setColumnWidth(0, 120);
    // Each row goes in at the top: the list reads in reverse scan order.
    for (int i = 0; i < list.Count(); ++i) {
        const UpdateItem* item = list.At(i);
        if (!item->holidayText.isEmpty())
            m_list->insertTopLevelItem(
                0, new QTreeWidgetItem(QStringList{item->DisplayName(), item->holidayText}));
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Continue"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Return and edit dates"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(text1);
    texts->addWidget(text2);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(480, 320);
}
