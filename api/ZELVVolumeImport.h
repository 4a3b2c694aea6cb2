#pragma once

#include "ZELV10MFC.h"
#include "ZELV10Records.h"
#include "ZELVSheet.h"

#include <QString>
#include <QStringList>
#include <vector>

// One problem of an import, where the operator finds it: the sheet's row
// (0: the file or the server as a whole) and the column's name (may be empty).
struct ZELVImportProblem {
    int row = 0;
    QString column;
    QString text;
    // "row 7, Customer: ..." as lists and messages show it.
    QString Text() const;
};

// New Volumes from a table whose first row names the columns: Volume,
// Customer, Media Type and Repository are needed; Target Repository, Slot,
// Description, Container, Data-Cluster, Next Move date, Threshold and
// Capacity may follow, in any order (names compare without case, spaces,
// hyphens and underscores). Check reads every row against the file and the
// server and collects every problem; Import then writes all rows in one
// transaction, or none. The program ZELVExcelImport and zelvadmin share it.
class CZELVVolumeImport {
public:
    enum Column {
        Volume,
        Customer,
        Media,
        Repository,
        Target,
        Slot,
        Description,
        Container,
        Cluster,
        MoveDate,
        Threshold,
        Capacity,
        kColumns
    };
    struct Row {
        int number = 0; // the sheet's row
        ZELVVOLSEx volume;
        QString description;
    };

    explicit CZELVVolumeImport(CZELV10MFC& mfc) : m_mfc(mfc) {}

    // The column a header text names, or -1.
    static int ColumnOf(const QString& header);
    static QString ColumnName(int column);
    // Whether the row names at least the columns an import needs.
    static bool IsHeader(const QStringList& cells);

    // Checks the whole table; true when there is no problem and something to add.
    bool Check(const ZELVSheet& sheet);
    const std::vector<ZELVImportProblem>& Problems() const { return m_problems; }
    const std::vector<Row>& Rows() const { return m_rows; }
    // Where each column of the sheet's header went (-1: none), by sheet column.
    const std::vector<int>& Mapping() const { return m_mapping; }

    // Adds the checked rows, all or none; refused while there are problems.
    // keep false: everything is done and then undone (a dry run that the
    // server itself checks).
    CZELV10RC Import(uint64_t* added, bool keep = true);

private:
    void Problem(int row, int column, const QString& text);
    bool LoadServer();

    CZELV10MFC& m_mfc;
    std::vector<ZELVImportProblem> m_problems;
    std::vector<Row> m_rows;
    std::vector<int> m_mapping;
};
