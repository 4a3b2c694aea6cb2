#pragma once

#include "ZELVClock.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Prompter;
class QPainter;
class QPrinter;
class QWidget;

// What stands between "print" and the printer: the print dialog in the
// program; a PDF file in tests. Returns false when the operator cancelled.
using ZELVPrinterSetup = std::function<bool(QPrinter& printer, QWidget* parent)>;
// The platform print dialog.
bool ZELVPrintDialogSetup(QPrinter& printer, QWidget* parent);

// One column of a printed list: its heading, its share of the width, and
// the characters of the row font it must hold at least (times, numbers).
struct CZELVListPrintColumn {
    QString heading;
    int relativeWidth = 1;
    int minChars = 0;
};

// The framework's small print engine: pages of text rows under a heading of
// bitmap, title and second title line, each page with its number and the
// time it was printed at the foot.
class CZELVPrint {
public:
    static constexpr const char* kDocumentName = "Kelmar Print Job";
    static constexpr const char* kFontFace = "Times New Roman";
    static constexpr const char* kEmptyText = "There are no items to print";
    static constexpr const char* kEmptyCaption = "Empty Print";
    // The footer: page, pages and the time in the long time form.
    static constexpr const char* kFooterFormat = "Page %u of %u - Printed @ %s";
    // Margins in inches, across and down.
    static constexpr double kMarginX = 0.5;
    static constexpr double kMarginY = 0.3;

    enum class Result { Printed, Empty, Cancelled, Failed };

    explicit CZELVPrint(Prompter& prompter, const ZELVClock& clock = ZELVClock::System());
    virtual ~CZELVPrint();

    void SetTitle(const QString& title) { m_title = title; }
    void SetSubTitle(const QString& subTitle) { m_subTitle = subTitle; }
    // Bitmap resource shown at the top of every page; 0 for none.
    void SetBitmap(int resourceId) { m_bitmap = resourceId; }
    // Face of the row font; the headings keep kFontFace.
    void SetFontFace(const QString& face) { m_rowFace = face; }
    // The step that picks the printer; the print dialog unless set.
    void SetPrinterSetup(ZELVPrinterSetup setup) { m_setup = std::move(setup); }

protected:
    Prompter& m_prompter;
    const ZELVClock& m_clock;
    QString m_title;
    QString m_subTitle;
    int m_bitmap = 0;
    QString m_rowFace;
    ZELVPrinterSetup m_setup;
};

// A list printed as rows of columns.
class CZELVListPrint : public CZELVPrint {
public:
    // Fills the texts of one row, by its 1-based number, one per column.
    using RowFiller = std::function<void(int row, QStringList* texts)>;

    using CZELVPrint::CZELVPrint;

    void AddColumn(const QString& heading, int relativeWidth, int minChars = 0);
    const std::vector<CZELVListPrintColumn>& Columns() const { return m_columns; }
    // A first column with each row's number; on unless switched off (a list
    // that brings its own numbers does).
    void SetRowNumbers(bool on) { m_rowNumbers = on; }

    // Prints rows 1..rows. No rows: says so and prints nothing.
    Result Print(int rows, const RowFiller& fill, QWidget* parent = nullptr);

    // Widths of the columns in the available width: shares by relative width,
    // except that no column gets less than its minimum (the others share
    // what is left then).
    static std::vector<int> ColumnWidths(int available, const std::vector<int>& relative,
                                         const std::vector<int>& minimum);

    // The pages the last Print made (0 before one).
    int PageCount() const { return m_pages; }
    int LinesPerPage() const { return m_linesPerPage; }

private:
    struct Layout;
    void PrintHeading(QPainter& painter, const Layout& layout) const;
    void PrintFooter(QPainter& painter, const Layout& layout, int page, const QString& when) const;

    std::vector<CZELVListPrintColumn> m_columns;
    bool m_rowNumbers = true;
    int m_pages = 0;
    int m_linesPerPage = 0;
};
