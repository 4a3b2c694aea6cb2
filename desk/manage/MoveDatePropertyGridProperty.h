#pragma once

#include "ZELVDate.h"
#include "ZELVPropertyGridCtrl.h"

#include <functional>

// A property-grid row for a next-move date: shows the date as
// "%A, %B %d, %Y", or "Permanent" when none is set, and opens the move-date
// dialog from its button. Typing is off; the dialog is the only way in.
class CMoveDatePropertyGridProperty : public CZELVPropertyGridProperty {
public:
    // Edits the date in place: 1 when the operator accepted, anything else
    // leaves it (the move-date dialog's answers).
    using Editor = std::function<int(CZELVDate* date)>;

    CMoveDatePropertyGridProperty(const QString& name, const CZELVDate& date,
                                  const QString& description, Editor editor);

    const CZELVDate& GetDate() const { return m_date; }
    void SetDate(const CZELVDate& date);
    void SetEditor(Editor editor) { m_editor = std::move(editor); }

    // "Permanent" for no date, else the long date form.
    static QString DateText(const CZELVDate& date);

    bool HasButton() const override { return true; }
    bool OnClickButton() override;

private:
    CZELVDate m_date;
    Editor m_editor;
};
