#pragma once

#include "ZELV10Files.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QHash>
#include <functional>
#include <vector>

class QMenu;

// The Customer's files; files dropped from the desktop are handed on.
class CFileListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColIndex = 0, ColFile, ColDescription };
    explicit CFileListCtrl(QWidget* parent = nullptr);

Q_SIGNALS:
    void FilesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// File Control: a Customer's critical files kept on the server, uploaded by
// drag and drop, downloaded into a folder, deleted.
class CFilePage : public CZELVDeskPage {
    Q_OBJECT
public:
    using FolderChooser = std::function<QString()>;
    static constexpr int kDefaultIcon = 228;

    CFilePage();
    ~CFilePage() override;

    void OnSetActive() override;
    int OnWizardNext() override { return IDD_FINAL; }
    int OnWizardBack() override { return IDD_INTRO; }

    void Refresh();
    void Upload(const QStringList& paths);
    void Download();
    void Delete();

    // Tests choose the folder; the program asks with a folder dialog.
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    CFileListCtrl* List() const { return m_list; }
    QMenu* Menu() const { return m_menu; }
    int IconCount() const { return m_iconCount; }
    const std::vector<ZELV10FILEEx>& Files() const { return m_files; }

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(const CFilePage& page) : m_page(page) {}
        int RowCount() const override { return int(m_page.m_files.size()); }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;

    private:
        const CFilePage& m_page;
    };
    std::vector<int> SelectedSourceRows() const;

    CFileListCtrl* m_list = nullptr;
    QMenu* m_menu = nullptr;
    Rows m_rows{*this};
    std::vector<ZELV10FILEEx> m_files;
    std::vector<int> m_images;    // per file: its icon's index
    QHash<QString, int> m_byIcon; // extension (with the dot) -> icon index
    QList<QIcon> m_icons;
    int m_iconCount = 0;
    FolderChooser m_chooseFolder;
};
