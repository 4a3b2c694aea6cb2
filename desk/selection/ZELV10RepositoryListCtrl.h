#pragma once

#include "ZELV10RC.h"
#include "ZELV10Records.h"
#include "ZELV10SelectionListCtrl.h"
#include "ZELVFilter.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class CZELV10MFC;

// The Repositories of a location list, one row per Repository: the rows of
// a CZELV10RepositoryListCtrl. The sheet keeps one per task's location list
// and the location pages show it; a list control without one uses its own.
// A list showing these rows lets go of them when they are destroyed.
class CZELV10RepositoryRows : public QObject, public CZELVListRows {
    Q_OBJECT
public:
    // Most distinct Repositories one list holds; further ones are not shown.
    static constexpr size_t kMaxRepositories = 500;
    enum Column { ColName = 0, ColVolumes, ColIncoming, ColOutgoing, ColScratch, ColScannedOut };

    using Predicate = std::function<bool(const ZELVREPOSITORYFULL&)>;

    // Pattern a Repository-ID must match to be listed ("*" at first; an
    // empty pattern lists every Repository).
    void SetFilter(const QString& pattern) { m_filter.SetPattern(pattern); }
    const QString& Filter() const { return m_filter.Pattern(); }

    void Clear();
    // The Repositories of one Customer and Media Type that are shown in lists
    // and match the filter. Returns the row count.
    int FillForMedia(CZELV10MFC& connection, const QString& customer, const QString& media);
    // The same over every Media Type of the Customer, merged by Repository:
    // a Repository seen again adds its Volume, Incoming, Outgoing and
    // Scanned-Out counts to the first record (whose name and Scratch count
    // stay). A predicate may turn records away. Returns the row count.
    int FillForCustomer(CZELV10MFC& connection, const QString& customer,
                        const Predicate& accept = {});
    // The first failure of the last fill (OK when every read worked).
    const CZELV10RC& LastResult() const { return m_result; }

    int Count() const { return int(m_records.size()); }
    // By the row's index in the fill order; none out of range.
    const ZELVREPOSITORYFULL* At(int index) const;
    const ZELVREPOSITORYFULL* FindRecord(const QString& repository) const;
    const std::vector<ZELVREPOSITORYFULL>& Records() const { return m_records; }
    // The Repository's name as listed, or "ID(...)" when it is not listed.
    QString NameOf(const QString& repository) const;

    // CZELVListRows.
    int RowCount() const override { return Count(); }
    QString Text(int row, int column) const override;
    int Image(int row, int column) const override;
    const void* Record(int row) const override { return At(row); }
    int Compare(int left, int right, int column) const override;
    QColor TextColour(int row) const override;
    bool HasCheckBoxes() const override { return true; }
    bool IsChecked(int row) const override;
    void SetChecked(int row, bool checked) override;

private:
    // Adds or merges one record; false when the list is full.
    void Merge(const ZELVREPOSITORYFULL& record);
    bool Accepts(const ZELVREPOSITORYFULL& record) const;

    CZELVFilter m_filter{QStringLiteral("*")}; // compiled once, matched per record
    CZELV10RC m_result;
    std::vector<ZELVREPOSITORYFULL> m_records;
    std::vector<char> m_checked;      // by record
    std::map<QString, size_t> m_byId; // Repository-ID -> record
};

// The images of the Repository types 0 to 8, then the unknown Repository.
QList<QIcon> RepositoryImageList();

// The Repository list of the location pages: "Repository", "Volumes",
// "Incoming", "Outgoing", "Scratch", "Scanned-Out", check boxes (ticked rows
// in black, others in gray); a header click sorts.
class CZELV10RepositoryListCtrl : public CZELV10SelectionListCtrl {
    Q_OBJECT
public:
    explicit CZELV10RepositoryListCtrl(QWidget* parent = nullptr);
    ~CZELV10RepositoryListCtrl() override;

    // The rows to show: a list kept elsewhere (not owned, e.g. the sheet's
    // location list), or none for the list's own. Reloads.
    void SetSource(CZELV10RepositoryRows* rows);
    CZELV10RepositoryRows& Source() const { return *m_source; }
    // After the source was filled elsewhere: reloads and sorts again.
    void Refresh();

    void SetFilter(const QString& pattern) { m_source->SetFilter(pattern); }
    int FillForMedia(CZELV10MFC& connection, const QString& customer, const QString& media);
    int FillForCustomer(CZELV10MFC& connection, const QString& customer,
                        const CZELV10RepositoryRows::Predicate& accept = {});
    QString NameOf(const QString& repository) const { return m_source->NameOf(repository); }

    // The record of a shown row, none out of range.
    const ZELVREPOSITORYFULL* RepositoryAt(int row) const;
    const ZELVREPOSITORYFULL* SelectedRepository() const;
    // The selected row plus one, or 0 (the operator is told why).
    int RequireRepository();

    static inline const QString kOnlyOne = QStringLiteral(
        "There is only one Repository in the list, would you like to select that Repository?");
    static inline const QString kMustSelect =
        QStringLiteral("You must select a Repository before you can proceed");

private:
    CZELV10RepositoryRows m_own;
    CZELV10RepositoryRows* m_source = &m_own;
    QMetaObject::Connection m_sourceGone;
};
