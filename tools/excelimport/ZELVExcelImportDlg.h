#pragma once

#include "ZELVVolumeImport.h"

#include <QDialog>

class CZELV10MFC;
class Prompter;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

// The Excel import window: pick a workbook or CSV file, see its rows and
// every problem found in them, and import them all at once. Import is
// enabled only when the file was checked without a problem.
class CZELVExcelImportDlg : public QDialog {
    Q_OBJECT
public:
    // Rows the preview shows; the check and the import take them all.
    static constexpr int kPreviewRows = 1000;

    CZELVExcelImportDlg(CZELV10MFC& connection, Prompter& prompter, QWidget* parent = nullptr);

    // Reads and checks the file (the sheet field names the worksheet).
    void Load(const QString& path);
    // Imports the checked rows; true when they went in.
    bool Import();

private:
    void Browse();
    void ShowPreview(const ZELVSheet& sheet);
    void ShowProblems();

    CZELV10MFC& m_connection;
    Prompter& m_prompter;
    CZELVVolumeImport m_import;
    QString m_path;
    QLineEdit* m_file = nullptr;
    QLineEdit* m_sheet = nullptr;
    QTableWidget* m_preview = nullptr;
    QListWidget* m_problems = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_importButton = nullptr;
};
