#pragma once

#include "ZELVDate.h"
#include "ZELVFilter.h"
#include "ZELVListCtrlEditors.h"
#include "ZELVListExport.h"
#include "ZELVListModel.h"

#include <QFont>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <type_traits>
#include <vector>

class CZELVListFooter;
class CZELVListIconView;
class CZELVListTable;
class CZELVListHeader;
class CZELVStringArray;
class ISoundPlayer;
class Prompter;
class QAbstractItemView;
class QFrame;
class QLabel;
class QListView;
class QAction;
class QMenu;
class QStackedWidget;
class QTableView;
class QTimer;
class QVBoxLayout;
struct ZELVNotification;

// One editable column: its editor and whom to tell when an edit begins and
// ends (row, column). The owner reads the editor's value on the end call.
struct ZELVListCtrlEditItem {
    using Notify = std::function<void(int row, int column)>;
    QWidget* editor = nullptr;
    int type = 0;
    Notify begin;
    Notify end;
};

// The report list every page's list derives from: a table over a row source
// (see CZELVListRows) with remembered column order, sort marks, header filter
// fields, in-place editors, context menu, keyboard shortcuts, footer, caption,
// column fonts, an empty-list notice, clipboard copy, the selection prompt and
// row dragging. Derived lists fill the rows and supply the sort comparison.
class CZELVListCtrl : public QWidget {
    Q_OBJECT
public:
    enum EditorType { EditText = 0, EditDate = 1, EditList = 2 };
    enum ListFont { FontNormal = 0, FontBold, FontFixed, FontStrikeOut };
    enum class SortMark { None, Up, Down };
    // The platform's view numbers; Ctrl+S steps icon, small icon, list, report.
    enum View { ViewIcon = 0, ViewReport = 1, ViewSmallIcon = 2, ViewList = 3 };

    static constexpr int kNoSortColumn = -2;
    static constexpr int kMaxOrderColumns = 32;
    static constexpr int kSizedColumns = 16;
    static constexpr int kMaxMatchText = 1023;
    static constexpr int kCaptionHeight = 20;
    static constexpr int kCaptionGap = 3;
    static constexpr int kBoldWeight = 800;
    static inline const QString kEmptyNotice =
        QStringLiteral("There are no items to display in this list.");
    static inline const QString kOrderSection = QStringLiteral("CListCtrl_Order");

    explicit CZELVListCtrl(QWidget* parent = nullptr);
    ~CZELVListCtrl() override;

    // Services, given by the page; each may stay unset.
    void SetSettings(QSettings* settings) { m_settings = settings; }
    void SetPrompter(Prompter* prompter) { m_prompter = prompter; }
    void SetSoundPlayer(ISoundPlayer* sound) { m_sound = sound; }
    using NotificationSink = std::function<void(const ZELVNotification&)>;
    void SetNotificationSink(NotificationSink sink) { m_notify = std::move(sink); }
    // The clock date filters read "now" from.
    void SetClock(const ZELVClock& clock) { m_clock = &clock; }

    // Remembers the name and restores the column order stored under it; the
    // columns must exist. Headings can then be dragged to a new order.
    void Init(const QString& listName);
    const QString& ListName() const { return m_listName; }
    // Stores the column order under the list name (also done on destruction).
    void SaveColumnOrder();

    // Columns.
    int InsertColumn(int column, const QString& heading, int width = 100,
                     Qt::Alignment alignment = Qt::AlignLeft);
    int GetColumnCount() const;
    void SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;
    // The last column fills the remaining width; another one fits its heading.
    void SizeColumnToHeader(int column);
    // Column indexes in display order.
    QList<int> GetColumnOrder() const;
    void SetColumnOrder(const QList<int>& order);

    // Rows from the owner's source (not owned; null returns to the list's
    // own items). Reload after changing them wholesale.
    void SetRows(CZELVListRows* rows);
    CZELVListRows* Rows() const;
    void Reload();
    // Virtual rows: the owner erases source row sourceRow inside remove().
    void RemoveSourceRow(int sourceRow, const std::function<void()>& remove);
    void RedrawRow(int row);
    void RedrawAll();
    // The list's own items.
    int InsertItem(int row, const QString& text, int image = -1);
    bool SetItemText(int row, int column, const QString& text);
    bool SetItemImage(int row, int column, int image);
    bool SetItemData(int row, const void* data);
    bool DeleteItem(int row);
    void DeleteAllItems();
    void SetCheckBoxes(bool on);
    // Either kind.
    int GetItemCount() const;
    QString GetItemText(int row, int column) const;
    const void* GetItemData(int row) const;
    template <class Record> const Record* RecordAt(int row) const {
        return static_cast<const Record*>(GetItemData(row));
    }
    // The source's index of a shown row.
    int SourceRow(int row) const;
    void EnsureVisible(int row);

    // Sorting. The base sorts on a heading click: SetSortColumn, then
    // ToggleSortDirection, then SortItems. Lists kept in their own order
    // (activity logs) turn that off.
    void SetSortOnClick(bool on);
    bool SortsOnClick() const { return m_sortOnClick; }
    int SetSortColumn(int column);
    bool ToggleSortDirection();
    void SortItems();
    int GetSortColumn() const { return m_sortColumn; }
    bool IsReverse() const { return m_reverse; }
    SortMark GetSortMark(int column) const;

    // In-place editing.
    void AddEditColumn(int column, EditorType type, ZELVListCtrlEditItem::Notify begin = {},
                       ZELVListCtrlEditItem::Notify end = {});
    const ZELVListCtrlEditItem* GetEditItem(int column) const;
    // What a double-click on the cell does; false when the column is not editable.
    bool BeginEdit(int row, int column);
    // Ends the editor in progress: hides it, and unless cancelled or unchanged
    // text tells the column's end notification.
    void EndEdit(bool cancelled);
    bool IsEditing() const { return m_activeEditor != nullptr; }
    int GetEditRow() const { return m_editRow; }
    int GetEditColumn() const { return m_editColumn; }
    bool WasEditCancelled() const { return m_editCancelled; }
    const QString& SavedEditText() const { return m_savedEditText; }
    CZELVListCtrl_Edit* TextEditor();
    CZELVListCtrl_Date* DateEditor();
    CZELVListCtrl_Combo* ComboEditor();
    QWidget* ActiveEditor() const { return m_activeEditor; }

    // Context menu: popup number popupIndex of the menu (its sub-menus are
    // the popups). prepare may enable, check or remove entries first.
    void SetContextMenu(QMenu* menu, int popupIndex, std::function<void(QMenu*)> prepare = {});
    // Shows the context menu at a global position; false when none is set or
    // it cannot be found (the reason is shown).
    bool ShowContextMenu(const QPoint& globalPos);

    // Header filters.
    void EnableFilterBar(int timeoutMs);
    bool IsFilterBarEnabled() const;
    int FilterTimeout() const { return m_filterTimeout; }
    void SetFilterCaseInsensitive(int column, bool on);
    unsigned GetMatchFlags(int column) const;
    // As if the operator changed the column's filter field: the pattern
    // changes and FilterChanged is sent at once.
    void SetFilterText(int column, const QString& text);
    QString GetFilterText(int column) const;
    // The value formatted printf-style (at most 1,023 bytes) against the
    // column's filter, with the column's match flags; true without a filter.
    bool FilterMatchesText(int column, const char* format, ...) const
        __attribute__((format(printf, 3, 4)));
    // The usual call, one text field (format "%s", or another that takes one
    // string and nothing else; any other format matches the text as it is):
    // pages call it for every column of every row, so a column without a
    // filter costs next to nothing and no variadic call.
    template <
        typename Text,
        std::enable_if_t<std::is_same_v<Text, const char*> || std::is_same_v<Text, char*>, int> = 0>
    bool FilterMatchesText(int column, const char* format, Text text) const {
        const FilterSlot* slot = FindSlot(column);
        if (!slot || !slot->exists || slot->pattern.isEmpty())
            return true;
        if (text && format && format[0] == '%' && format[1] == 's' && format[2] == '\0') {
            // The field as it is, matched in place: one pass over the value
            // with the compiled filter, answered by its first bytes mostly.
            const int settled = slot->filter.MatchesUtf8UpTo(text, kMaxMatchText, slot->matchFlags);
            if (settled >= 0)
                return settled != 0;
        }
        return MatchesOneText(*slot, format, text);
    }
    bool FilterMatchesText(int column, const QString& value) const;
    // True without a filter, or when every string matches it (case-sensitive).
    bool FilterMatchesAll(int column, const QStringList& values) const;
    bool FilterMatchesAll(int column, const CZELVStringArray& values) const;
    // True with an empty filter, else whether the date lies in the range the
    // filter text describes.
    bool FilterMatchesDate(int column, const CZELVDate& date) const;
    bool HasActiveFilter() const;
    // The column whose filter change is being announced, -1 otherwise.
    int ColumnBeingFiltered() const { return m_filteringColumn; }

    // Footer and caption, created on first call.
    void ShowFooter();
    CZELVListFooter* Footer() const { return m_footer; }
    void ShowCaption(int iconId, const QString& text);
    QFrame* Caption() const { return m_caption; }
    QString CaptionText() const;

    // Images: icon resource numbers, shown at 16 (report, small icon, list)
    // and 48 pixels (icon view).
    void LoadIcons(const QList<int>& iconIds);
    void SetImages(const QList<QIcon>& icons);

    void EnableDragging();
    bool IsDraggingEnabled() const { return m_dragging; }
    // Drop state for the derived list: where the last drag ended.
    QWidget* DropTarget() const { return m_dropTarget; }
    int DropRow() const { return m_dropRow; }
    int DropHighlightRow() const { return m_dropHighlight; }
    // The dragged data of the selected rows; none without a selection.
    std::unique_ptr<QMimeData> CreateDragData() const;
    static inline const QString kRowsMimeType = QStringLiteral("application/x-kelmar-list-rows");

    // Fonts.
    void SetColumnFont(int column, ListFont font);
    QFont GetFont(ListFont font);
    void SetColumnFixedWidth(int column);
    bool IsColumnFixedWidth(int column) const;
    void AutoSizeColumns();
    void SetMarkLastRow(bool mark);
    bool GetMarkLastRow() const;

    // Selection.
    void SelectAll();
    void SelectNone();
    void InvertSelection();
    void SetItemSelected(int row, bool selected);
    bool IsItemSelected(int row) const;
    int GetSelectedCount() const;
    // Ascending.
    std::vector<int> GetSelectedRows() const;
    int GetFirstSelected() const;
    void SetSingleSelection(bool single);
    // The number of selected rows; with none, a single-row operation warns
    // and gives 0, another asks whether to select all.
    int RequireSelection(bool single);

    // Clipboard.
    int CopyColumnToClipboard(int column);
    // The copied-items popup and sound.
    void ShowCopiedNotice(unsigned count);
    // Copy, then the notice when something was copied.
    int CopyColumnWithNotice(int column);

    // Per-list values in the profile section "CListCtrl_<list name>".
    bool WriteSetting(const QString& key, const QString& value);
    bool WriteSetting(const QString& key, int value);
    QString ReadSetting(const QString& key, const QString& defaultValue) const;
    int ReadSetting(const QString& key, int defaultValue) const;

    // The column whose cell in the row contains the point (viewport
    // coordinates), -1 for none.
    int HitTestColumn(int row, const QPoint& point) const;
    // Draws strings as adjacent rounded boxes in the cell; stops before one
    // would pass the right edge. Returns how many were drawn.
    static int DrawChips(QPainter* painter, const QRect& cell, const QStringList& strings,
                         const QColor& text, int gap, const QColor& fill, const QColor& background);
    // The same in a cell of this list (viewport coordinates).
    int DrawChips(QPainter* painter, int row, int column, const QStringList& strings,
                  const QColor& text, int gap, const QColor& fill, const QColor& background) const;

    // Views.
    void SetView(View view);
    View GetView() const { return m_view; }
    void NextView();

    // Export, mail and open of the selected rows (ZELVListExport.cpp). The
    // dialogs and outside programs go through the export UI (not owned; the
    // real dialogs unless set). Each returns true when the file was written
    // or the mail handed over.
    void SetExportUi(IZELVExportUi* ui) { m_exportUi = ui; }
    IZELVExportUi& ExportUi();
    bool Export(const QString& title, bool mailAllowed, const QStringList& recipients = {});
    bool ExportCSV(int openMode);
    bool ExportText(const QString& title, const QString& path, int openMode);
    bool ExportXML(int openMode);
    bool ExportSpreadsheet(int openMode);
    bool ExportPDF(const QString& title, int openMode);
    bool MailList(const QString& title, const QStringList& recipients);
    bool OfferOpen(const QString& typeText, unsigned count, const QString& path, int openMode);
    // A page's context-menu entry that runs Export.
    QAction* AddExportAction(QMenu* menu, const QString& text, const QString& title,
                             bool mailAllowed = false, const QStringList& recipients = {});
    // The selected rows in list order with every column, the report flags of
    // right-aligned columns, the exclusions, and text widths over all rows.
    ZELVExportTable ExportTable(bool textWidths = true) const;
    // The JPEG drawn at the top left of PDF pages; unless set,
    // "Resources/Kelmar_Logo.jpg" beside the program, else the installed one.
    void SetReportLogo(const QString& path) { m_reportLogo = path; }
    QString ReportLogo() const;
    // Where the last export wrote (the mail's temporary report included).
    const QString& LastExportPath() const { return m_lastExportPath; }

    std::set<int>& ExportExclusions() { return m_exportExclusions; }
    void SetReportTitle(const QString& title) { m_reportTitle = title; }
    // What Ctrl+E runs: the page's own export (its title, its extra
    // columns) instead of the list's plain one.
    void SetExportHandler(std::function<void()> handler) { m_exportHandler = std::move(handler); }
    const QString& ReportTitle() const { return m_reportTitle; }
    void SetReportNotes(const QString& notes) { m_reportNotes = notes; }
    const QString& ReportNotes() const { return m_reportNotes; }

    QTableView* Table() const;
    QAbstractItemView* CurrentView() const;
    CZELVListHeader* Header() const { return m_header; }
    CZELVListModel* Model() const { return m_model; }

    // Sound of copied items.
    static constexpr int kCopiedSound = 346;

Q_SIGNALS:
    // A header filter changed; the owner rebuilds its rows with the
    // FilterMatches operations.
    void FilterChanged(int column);
    // Ctrl+E.
    void ExportRequested();
    void ItemDoubleClicked(int row, int column);
    void SelectionChanged();
    // Rows of this list were dropped on a row of it (-1 below the last).
    void RowsDropped(const std::vector<int>& rows, int dropRow);

protected:
    // A heading was clicked. The base sorts by the column.
    virtual void OnColumnClick(int column);
    // Ascending order of two source rows; the base asks the row source.
    virtual int CompareRows(int left, int right, int column) const;
    // Runs the popup; tests replace it.
    virtual void RunContextMenu(QMenu* popup, const QPoint& globalPos);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class CZELVListTable;
    friend class CZELVListIconView;

    // Selects every row, or with toggle flips each row's selection.
    void SelectEveryRow(bool toggle);

    struct FilterSlot {
        CZELVFilter filter;
        QByteArray pattern; // the filter's pattern as UTF-8, ready for matching
        unsigned matchFlags = 0;
        bool exists = false;
        mutable std::optional<ZELVDateRange> range; // parsed on first date test
        mutable bool rangeParsed = false;
    };
    FilterSlot* Slot(int column);
    // Looked up for every column of every row a page filters: inline.
    const FilterSlot* FindSlot(int column) const {
        if (column < 0 || size_t(column) >= m_filters.size())
            return nullptr;
        return &m_filters[size_t(column)];
    }
    bool MatchesOneText(const FilterSlot& slot, const char* format, const char* text) const;
    void ApplyFilterField(int column);
    void FlushPendingFilters();
    void EnsureFonts();
    void PlaceEditor();
    bool HandleShortcut(QKeyEvent* event);
    Prompter& GetPrompter();
    bool WriteExport(int type, const QString& path, const QString& title,
                     const ZELVExportPDFOptions& pdf, unsigned* written);
    void PaintEmptyNotice(QAbstractItemView* view, QPainter* painter) const;
    void UpdateFooter();
    void StartDrag(QAbstractItemView* view);

    CZELVListModel* m_model = nullptr;
    CZELVListHeader* m_header = nullptr;
    CZELVListTable* m_table = nullptr;
    CZELVListIconView* m_iconView = nullptr;
    QStackedWidget* m_stack = nullptr;
    QVBoxLayout* m_layout = nullptr;

    std::map<int, ZELVListCtrlEditItem> m_editItems;
    bool m_reverse = false;
    bool m_sortOnClick = true;
    int m_sortColumn = kNoSortColumn;
    int m_editRow = -1;
    int m_editColumn = -1;
    bool m_editCancelled = false;
    QWidget* m_activeEditor = nullptr;
    QPointer<QWidget> m_dropTarget;
    int m_dropRow = -1;
    int m_dropHighlight = -1;
    bool m_dragging = false;
    CZELVListFooter* m_footer = nullptr;
    std::function<void()> m_exportHandler;
    QFrame* m_caption = nullptr;
    QLabel* m_captionIcon = nullptr;
    QLabel* m_captionText = nullptr;
    std::vector<FilterSlot> m_filters; // by column
    QTimer* m_filterTimer = nullptr;
    std::set<int> m_pendingFilters;
    int m_filterTimeout = 0;
    int m_filteringColumn = -1;
    QString m_listName;
    CZELVListCtrl_Date* m_dateEditor = nullptr;
    CZELVListCtrl_Edit* m_textEditor = nullptr;
    CZELVListCtrl_Combo* m_comboEditor = nullptr;
    std::array<QFont, 4> m_fonts;
    bool m_fontsCreated = false;
    std::set<int> m_exportExclusions;
    IZELVExportUi* m_exportUi = nullptr;
    std::unique_ptr<IZELVExportUi> m_ownExportUi;
    QString m_reportLogo;
    QString m_lastExportPath;
    QString m_reportTitle;
    QString m_reportNotes;
    QString m_savedEditText;
    QPointer<QMenu> m_menu;
    int m_menuPopup = -1;
    std::function<void(QMenu*)> m_menuPrepare;
    std::array<bool, kSizedColumns> m_fixedWidth{};
    View m_view = ViewReport;

    QPointer<QSettings> m_settings;
    Prompter* m_prompter = nullptr;
    std::unique_ptr<Prompter> m_ownPrompter;
    ISoundPlayer* m_sound = nullptr;
    NotificationSink m_notify;
    const ZELVClock* m_clock = &ZELVClock::System();
};
