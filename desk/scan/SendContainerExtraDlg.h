#pragma once

#include <QDialog>
#include <vector>

struct CSendVolumesExtra;
class QTreeWidget;
class QTreeWidgetItem;

// "Additional Volumes": the scans that were not in the send list, under the
// Container that was current for each. The operator may take entries out
// with the Delete key before agreeing to assign the rest.
class CSendContainerExtraDlg : public QDialog {
    Q_OBJECT
public:
    CSendContainerExtraDlg(std::vector<CSendVolumesExtra>& queue, QWidget* parent = nullptr);

    // The label of an entry's node.
    static QString EntryText(const CSendVolumesExtra& entry);
    // Marks the entry of a selected Volume node excluded and removes the node;
    // Container nodes stay.
    void ExcludeSelected();

    QTreeWidget* Tree() const { return m_tree; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<CSendVolumesExtra>& m_queue;
    QTreeWidget* m_tree = nullptr;
};
