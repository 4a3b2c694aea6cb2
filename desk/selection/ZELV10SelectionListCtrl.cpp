#include "ZELV10SelectionListCtrl.h"

#include "ZELVPrompter.h"

#include <QTableView>

CZELV10SelectionListCtrl::CZELV10SelectionListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    SetSingleSelection(true);
}

CZELV10SelectionListCtrl::~CZELV10SelectionListCtrl() = default;

void CZELV10SelectionListCtrl::SetPrompter(Prompter* prompter) {
    m_prompter = prompter;
    CZELVListCtrl::SetPrompter(prompter);
}

Prompter& CZELV10SelectionListCtrl::Ask() {
    if (m_prompter)
        return *m_prompter;
    if (!m_ownPrompter)
        m_ownPrompter = std::make_unique<QMessageBoxPrompter>();
    return *m_ownPrompter;
}

void CZELV10SelectionListCtrl::SelectRow(int row) {
    if (row < 0 || row >= GetItemCount())
        return;
    SelectNone();
    SetItemSelected(row, true);
    if (QTableView* table = Table())
        table->setCurrentIndex(Model()->index(row, 0));
    EnsureVisible(row);
    setFocus();
}

int CZELV10SelectionListCtrl::RequireRow(const QString& onlyOne, const QString& mustSelect) {
    const QString caption = QStringLiteral("No Selection");
    int row = SelectedRow();
    if (row < 0 && GetItemCount() == 1) {
        if (Ask().Ask(onlyOne, caption, PromptIcon::Question, PromptButtons::YesNo, PromptNone,
                      this) == PromptYes)
            SelectRow(0);
        row = SelectedRow();
    }
    if (row < 0) {
        Ask().Tell(mustSelect, caption, PromptIcon::Error, this);
        return 0;
    }
    return row + 1;
}
