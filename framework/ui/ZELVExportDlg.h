#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The export type dialog of every list: one radio button per format, the
// open-after-writing check box, the count of rows to be written and, while
// not every row is selected, a button that selects them all.
class CZELVExportTypeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Export Type Selection";
    static constexpr const char* kInstruction =
        "You can export this list to different formats.\nPlease select an export type:";
    static constexpr const char* kOpenCheck = "Open file when export is complete";
    static constexpr const char* kFooter =
        "The export will contain %u selected records (of %u available).";

    // selectAll selects every row of the list and returns the new selected count.
    CZELVExportTypeDlg(bool mailAllowed, int selected, int total, std::function<int()> selectAll,
                       QWidget* parent = nullptr);

    // The export type of the checked radio button.
    int Type() const;
    void SetType(int type);
    bool OpenWhenDone() const;
    QString FooterText() const;
    QPushButton* SelectAllButton() const { return m_selectAll; }
    // The radio buttons' export types in the order shown.
    QList<int> Types() const;

private:
    void OnSelectAll();
    void UpdateFooter();

    QButtonGroup* m_types = nullptr;
    QCheckBox* m_open = nullptr;
    QLabel* m_footer = nullptr;
    QPushButton* m_selectAll = nullptr;
    std::function<int()> m_selectAllFn;
    int m_selected = 0;
    int m_total = 0;
};

// The PDF settings asked before the save dialog: paper size, landscape, and
// the report columns to leave out.
class CZELVPdfOptionsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "PDF Export Options";
    static constexpr const char* kInstruction =
        "Please select the desired settings for the PDF file.";
    static constexpr const char* kContent =
        "Please select a paper size.\n\nYou can also remove columns from the report by "
        "specifying an array of comma delimited column values in the input box (example 3,4,8).";
    static constexpr const char* kLandscape = "Create PDF in landscape mode (rather than portrait)";

    CZELVPdfOptionsDlg(int pageSize, int orientation, const QString& exclusion,
                       QWidget* parent = nullptr);

    int PageSize() const;
    int Orientation() const;
    QString Exclusion() const;

private:
    QButtonGroup* m_sizes = nullptr;
    QCheckBox* m_landscape = nullptr;
    QLineEdit* m_exclusion = nullptr;
};
