#pragma once

#include "ZELV10Records.h"
#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"
#include "ZELVPropertyGridCtrl.h"

#include <QDialog>
#include <vector>

class CZELV10MFC;
class Prompter;
class QLineEdit;
class QMenu;

// The users of the operator's group: User-ID, name and "n:role name".
class CAuthorizedListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColUserId = 0, ColName, ColRole };
    static constexpr int kFilterTimeoutMs = 10;
    explicit CAuthorizedListCtrl(QWidget* parent = nullptr);
};

// One user's editable fields.
class CAuthorizedGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    explicit CAuthorizedGridCtrl(QWidget* parent = nullptr);
    // Shows the user with the group's eight role texts.
    void Fill(const ZELVUSERFULL& user, const QStringList& roleTexts);
    // Copies the changed values into *user; false when nothing was changed.
    bool TakeChanges(ZELVUSERFULL* user) const;
};

// "New User": a User-ID of at most 16 characters. OK adds the user with the
// role given; on failure the server's message shows and the dialog stays.
class CUserProperties : public QDialog {
    Q_OBJECT
public:
    CUserProperties(CZELV10MFC& connection, Prompter& prompter, uint32_t role,
                    QWidget* parent = nullptr);
    QLineEdit* UserId() const { return m_userId; }
    void accept() override;

private:
    CZELV10MFC& m_connection;
    Prompter& m_prompter;
    uint32_t m_role;
    QLineEdit* m_userId = nullptr;
};

// Manage Authorized Users: the other users of the operator's group, edited
// in a grid, added, deleted, given new passwords; the server decides who may
// do what to whom.
class CAuthorizedPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr const char* kConfirmDelete = "Please confirm you wish to delete user %s";

    CAuthorizedPage();
    ~CAuthorizedPage() override;

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;

    void Refresh();
    // Writes the grid's changes to the user it shows, if any.
    void ApplyChanges();
    void InsertUser();
    void DeleteUsers();
    void ResetPasswords();
    bool ExportXml();

    CAuthorizedListCtrl* List() const { return m_list; }
    CAuthorizedGridCtrl* Grid() const { return m_grid; }
    QMenu* Menu() const { return m_menu; }
    const std::vector<ZELVUSERFULL>& Users() const { return m_users; }
    // The role a new user gets: the highest below the operator's own.
    uint32_t NewUserRole() const;

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(const CAuthorizedPage& page) : m_page(page) {}
        int RowCount() const override { return int(m_page.m_users.size()); }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        int Compare(int left, int right, int column) const override;

    private:
        const CAuthorizedPage& m_page;
    };
    QString RoleText(uint32_t role) const;
    void OnSelectionChanged();
    std::vector<QString> SelectedIds() const;

    CAuthorizedListCtrl* m_list = nullptr;
    CAuthorizedGridCtrl* m_grid = nullptr;
    QMenu* m_menu = nullptr;
    Rows m_rows{*this};
    std::vector<ZELVUSERFULL> m_users;
    QStringList m_roleNames;
    int m_gridUser = -1; // index into m_users of the user the grid shows
};
