#pragma once

#include "ZELVDate.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QColor>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

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

// Rows over a cache's records with check boxes: the check marks stay with the
// record, ticked rows are drawn in black and the others in gray, and the name
// column (the first) shows the list's image when it has one. The other
// columns are counts of the record.
template <class T> class CZELV10CheckedRows : public CZELVPointerRows<const T> {
public:
    struct CountColumn {
        int column;
        uint32_t T::*count;
        bool sorts; // false: shown, not sorted
    };
    using NameFn = QString (*)(const T&);

    CZELV10CheckedRows(NameFn name, std::vector<CountColumn> counts)
        : m_name(name), m_counts(std::move(counts)) {}

    QString Text(int row, int column) const override {
        const T* record = this->At(row);
        if (!record)
            return {};
        if (column == 0)
            return m_name(*record);
        const CountColumn* c = FindCount(column);
        return c ? FormatCount(record->*(c->count)) : QString();
    }
    int Compare(int left, int right, int column) const override {
        const T* a = this->At(left);
        const T* b = this->At(right);
        if (!a || !b)
            return 0;
        if (const CountColumn* c = FindCount(column))
            return c->sorts ? CompareCounts(a->*(c->count), b->*(c->count)) : 0;
        return QString::compare(m_name(*a), m_name(*b), Qt::CaseInsensitive);
    }
    int Image(int row, int column) const override {
        return column == 0 && this->At(row) && hasImage ? 0 : -1;
    }
    QColor TextColour(int row) const override {
        return IsChecked(row) ? CZELV10SelectionListCtrl::kTickedText
                              : CZELV10SelectionListCtrl::kUntickedText;
    }
    bool HasCheckBoxes() const override { return true; }
    bool IsChecked(int row) const override {
        return this->At(row) && checked.count(this->At(row)) != 0;
    }
    void SetChecked(int row, bool on) override {
        if (const T* record = this->At(row)) {
            if (on)
                checked.insert(record);
            else
                checked.erase(record);
        }
    }
    void Clear() {
        this->Pointers().clear();
        checked.clear();
    }

    // Counts run from the largest in their natural order: the first heading
    // click sorts in reverse (smallest first), the second shows the largest first.
    static int CompareCounts(uint32_t a, uint32_t b) { return a > b ? -1 : (a < b ? 1 : 0); }

    std::set<const T*> checked;
    bool hasImage = false;

private:
    const CountColumn* FindCount(int column) const {
        for (const CountColumn& c : m_counts)
            if (c.column == column)
                return &c;
        return nullptr;
    }

    NameFn m_name;
    std::vector<CountColumn> m_counts;
};
