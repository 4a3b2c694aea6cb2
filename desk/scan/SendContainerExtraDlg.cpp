#include "SendContainerExtraDlg.h"

#include "SendVolumesPage.h"
#include "ZELVIcons.h"

#include <QDialogButtonBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kEntryRole = Qt::UserRole;
}

CSendContainerExtraDlg::CSendContainerExtraDlg(std::vector<CSendVolumesExtra>& queue,
                                               QWidget* parent)
    : QDialog(parent), m_queue(queue) {
    setWindowTitle(QStringLiteral("Additional Volumes"));
    setObjectName(QStringLiteral("sendContainerExtraDlg"));

    auto* question = new QLabel(QStringLiteral("One or more of the Volumes you scanned where not "
                                               "in the list.\n\nWould you like to assign the "
                                               "Volumes to the Container anyway?"),
                                this);
    question->setWordWrap(true);
    auto* note = new QLabel(QStringLiteral("Note:\n\nYou can stop individual Volumes from being "
                                           "assigned by selecting them and hitting the <DELETE> "
                                           "key."),
                            this);
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("extraTree"));
    m_tree->setHeaderHidden(true);
    m_tree->installEventFilter(this);
    QHash<const CandidateContainer*, QTreeWidgetItem*> roots;
    for (size_t i = 0; i < m_queue.size(); ++i) {
        const CSendVolumesExtra& entry = m_queue[i];
        QTreeWidgetItem*& root = roots[entry.container];
        if (!root) {
            root = new QTreeWidgetItem(
                m_tree, QStringList{entry.container ? entry.container->key.Text() : QString()});
            root->setIcon(0, ZELVIcon(227));
        }
        auto* node = new QTreeWidgetItem(root, QStringList{EntryText(entry)});
        node->setIcon(0, ZELVIcon(236));
        node->setData(0, kEntryRole, qulonglong(i));
        root->setExpanded(true);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* yes = buttons->addButton(QStringLiteral("Yes, assign to Container"),
                                          QDialogButtonBox::AcceptRole);
    yes->setObjectName(QStringLiteral("assignButton"));
    QPushButton* no = buttons->addButton(QStringLiteral("No, do not assign to Container"),
                                         QDialogButtonBox::RejectRole);
    no->setObjectName(QStringLiteral("doNotAssignButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(m_tree, 1);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

QString CSendContainerExtraDlg::EntryText(const CSendVolumesExtra& entry) {
    const QString text = entry.key.Text();
    if (entry.location2.isEmpty())
        return text;
    if (entry.location1 == entry.location2)
        return QStringLiteral("%1 (Volume is currently at %2)").arg(text, entry.location1);
    return QStringLiteral("%1 (Volume is currently at %2 and moving to %3)")
        .arg(text, entry.location1, entry.location2);
}

void CSendContainerExtraDlg::ExcludeSelected() {
    QTreeWidgetItem* node = m_tree->currentItem();
    if (!node || !node->parent())
        return;
    const size_t index = size_t(node->data(0, kEntryRole).toULongLong());
    if (index < m_queue.size())
        m_queue[index].flags |= kExtraExcluded;
    delete node;
}

bool CSendContainerExtraDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        ExcludeSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
