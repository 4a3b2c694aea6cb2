#pragma once

#include "ZELVListCtrl.h"

#include <QColor>
#include <memory>

class Prompter;

// What the Customer, Media Type and Repository lists share: one row is the
// operator's choice, and Next asks for it with the same two questions.
class CZELV10SelectionListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    // Rows whose check box is not ticked are drawn in this gray.
    static inline const QColor kUntickedText = QColor(100, 100, 100);
    static inline const QColor kTickedText = QColor(0, 0, 0);

    explicit CZELV10SelectionListCtrl(QWidget* parent = nullptr);
    ~CZELV10SelectionListCtrl() override;

    // The prompter the list's questions go to (also the base list's).
    void SetPrompter(Prompter* prompter);
    // Selects only that row and gives it the focus.
    void SelectRow(int row);
    // The first selected row, -1 for none.
    int SelectedRow() const { return GetFirstSelected(); }

protected:
    // The selected row plus one, or 0. With nothing selected and exactly one
    // row, asks onlyOne (caption "No Selection"); Yes selects that row. Still
    // nothing selected: mustSelect as an error, and 0.
    int RequireRow(const QString& onlyOne, const QString& mustSelect);

private:
    Prompter& Ask();

    Prompter* m_prompter = nullptr;
    std::unique_ptr<Prompter> m_ownPrompter;
};
