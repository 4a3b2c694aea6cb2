#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>
#include <xlsxwriter.h>

// Writes a real .xlsx workbook for the import tests. A cell's text says what
// it holds: "#12.5" a number, "?1" / "?0" a boolean, "@2030-01-31" a date
// cell (a serial number with a date format), "" nothing (the cell is left
// out), anything else a string.
using XlsxSheet = std::pair<QString, std::vector<QStringList>>; // name, rows
inline bool WriteXlsx(const QString& path, const std::vector<XlsxSheet>& sheets) {
    lxw_workbook* wb = workbook_new(path.toUtf8().constData());
    if (!wb)
        return false;
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd");
    for (const auto& [name, rows] : sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, name.toUtf8().constData());
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c) {
                const QString& cell = rows[r][c];
                const auto row = lxw_row_t(r);
                const auto col = lxw_col_t(c);
                if (cell.isEmpty())
                    continue;
                if (cell.startsWith(QLatin1Char('#'))) {
                    worksheet_write_number(ws, row, col, cell.mid(1).toDouble(), nullptr);
                } else if (cell.startsWith(QLatin1Char('?'))) {
                    worksheet_write_boolean(ws, row, col, cell.mid(1).toInt(), nullptr);
                } else if (cell.startsWith(QLatin1Char('@'))) {
                    const QStringList d = cell.mid(1).split(QLatin1Char('-'));
                    lxw_datetime dt = {d[0].toInt(), d[1].toInt(), d[2].toInt(), 0, 0, 0};
                    worksheet_write_datetime(ws, row, col, &dt, date);
                } else {
                    worksheet_write_string(ws, row, col, cell.toUtf8().constData(), nullptr);
                }
            }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}
