#include "AuthorizedPage.h"

#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZELV10RCListDlg.h"
#include "ZELVDeskSheet.h"
#include "ZELVDeskStrings.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QVBoxLayout>
#include <cstring>

namespace {

constexpr int kUserIcon = 238;
const QString kUserIdName = QStringLiteral("User-ID");
const QString kNameName = QStringLiteral("Name");
const QString kEmailName = QStringLiteral("Email Address");
const QString kDisabledName = QStringLiteral("User Disabled");
const QString kRoleName = QStringLiteral("Role");

} // namespace

// --- List and grid -----------------------------------------------------------------

CAuthorizedListCtrl::CAuthorizedListCtrl(QWidget* parent) : CZELVListCtrl(parent) {
    InsertColumn(ColUserId, QStringLiteral("User-ID"), 100, Qt::AlignLeft);
    InsertColumn(ColName, QStringLiteral("Name"), 150, Qt::AlignLeft);
    InsertColumn(ColRole, QStringLiteral("Role"), 200, Qt::AlignLeft);
    SetImages({ZELVIcon(kUserIcon)});
}

CAuthorizedGridCtrl::CAuthorizedGridCtrl(QWidget* parent) : CZELVPropertyGridCtrl(parent) {
    EnableDescriptionArea(true);
    MarkModifiedProperties(true);
}

void CAuthorizedGridCtrl::Fill(const ZELVUSERFULL& user, const QStringList& roleTexts) {
    RemoveAll();
    AddSubItem(kUserIdName, user.userId.Text(), QStringLiteral("Kelmar User-ID"), true);
    AddSubItem(kNameName, user.name.Text(), QStringLiteral("User's Name"));
    AddSubItem(kEmailName, user.email.Text(), QStringLiteral("User's Email Address"));
    AddSubItem(kDisabledName, bool(user.flags & ZELVUSER_DISABLED),
               QStringLiteral("Is this User disabled"));
    CZELVPropertyGridProperty* role =
        AddSubItem(kRoleName, roleTexts.value(int(user.Role())), QStringLiteral("User's Role"));
    for (int i = 0; i < roleTexts.size(); ++i)
        role->AddOption(roleTexts.at(i), i);
    role->AllowEdit(false);
    role->SelectOption(int(user.Role()));
    role->ResetOriginalValue();
}

bool CAuthorizedGridCtrl::TakeChanges(ZELVUSERFULL* user) const {
    bool changed = false;
    if (const CZELVPropertyGridProperty* p = FindProperty(kNameName); p && p->IsModified()) {
        user->name.Set(p->GetValue().toString()); // cut to 40 bytes
        changed = true;
    }
    if (const CZELVPropertyGridProperty* p = FindProperty(kEmailName); p && p->IsModified()) {
        user->email.Set(p->GetValue().toString());
        changed = true;
    }
    if (const CZELVPropertyGridProperty* p = FindProperty(kDisabledName); p && p->IsModified()) {
        user->flags =
            p->GetBool() ? (user->flags | ZELVUSER_DISABLED) : (user->flags & ~ZELVUSER_DISABLED);
        changed = true;
    }
    if (const CZELVPropertyGridProperty* p = FindProperty(kRoleName); p && p->IsModified()) {
        const int role = p->GetSelectedOption();
        if (role >= 0) {
            user->flags = (user->flags & ~ZELVUSER_ROLEMASK) |
                          ((uint32_t(role) << ZELVUSER_ROLESHIFT) & ZELVUSER_ROLEMASK);
            changed = true;
        }
    }
    return changed;
}

// --- New User ----------------------------------------------------------------------

CUserProperties::CUserProperties(CZELV10MFC& connection, Prompter& prompter, uint32_t role,
                                 QWidget* parent)
    : QDialog(parent), m_connection(connection), m_prompter(prompter), m_role(role) {
    setWindowTitle(QStringLiteral("New User"));
    setObjectName(QStringLiteral("newUserDialog"));
    auto* form = new QFormLayout(this);
    m_userId = new QLineEdit(this);
    m_userId->setObjectName(QStringLiteral("newUserId"));
    m_userId->setMaxLength(kZelvUserIdLen);
    form->addRow(QStringLiteral("User-ID"), m_userId);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUserProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUserProperties::reject);
    form->addRow(buttons);
}

void CUserProperties::accept() {
    ZELVUSEREx user;
    user.userId.Set(m_userId->text());
    user.user.flags = (m_role << ZELVUSER_ROLESHIFT) & ZELVUSER_ROLEMASK;
    const CZELV10RC rc = m_connection.Add(user);
    if (!rc.IsOK()) {
        m_prompter.Tell(rc.Get(), QStringLiteral("Error"), PromptIcon::Error, this);
        return;
    }
    QDialog::accept();
}

// --- Rows ----------------------------------------------------------------------------

QString CAuthorizedPage::Rows::Text(int row, int column) const {
    if (row < 0 || row >= RowCount())
        return {};
    const ZELVUSERFULL& u = m_page.m_users[size_t(row)];
    switch (column) {
    case CAuthorizedListCtrl::ColUserId:
        return u.userId.Text();
    case CAuthorizedListCtrl::ColName:
        return u.name.Text();
    case CAuthorizedListCtrl::ColRole:
        return m_page.RoleText(u.Role());
    default:
        return {};
    }
}

int CAuthorizedPage::Rows::Image(int, int column) const {
    return column == CAuthorizedListCtrl::ColUserId ? 0 : -1;
}

int CAuthorizedPage::Rows::Compare(int left, int right, int column) const {
    const ZELVUSERFULL& a = m_page.m_users[size_t(left)];
    const ZELVUSERFULL& b = m_page.m_users[size_t(right)];
    if (column == CAuthorizedListCtrl::ColRole)
        return int(a.Role()) - int(b.Role());
    return Text(left, column).compare(Text(right, column));
}

QString CAuthorizedPage::RoleText(uint32_t role) const {
    return QStringLiteral("%1:%2").arg(role).arg(m_roleNames.value(int(role)));
}

// --- Page -------------------------------------------------------------------------

CAuthorizedPage::CAuthorizedPage() : CZELVDeskPage(IDD_AUTHORIZED) {
    SetHeader(ZELVDeskString(297), ZELVDeskString(261));
    setObjectName(QStringLiteral("authorizedPage"));
    auto* layout = new QVBoxLayout(this);
    for (const char* text :
         {"The Manage Authorized Users screen allows you to manage other Kelmar Users who are "
          "in your group.",
          "You will only be able to manage Users with a Role below yours.",
          "To add, delete or modify a User, select the required User from the list below, "
          "right-hand click and select the required option from the context menu."}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    m_list = new CAuthorizedListCtrl(this);
    m_list->setObjectName(QStringLiteral("authorizedList"));
    m_list->SetRows(&m_rows);
    m_list->EnableFilterBar(CAuthorizedListCtrl::kFilterTimeoutMs);
    layout->addWidget(m_list, 2);
    m_grid = new CAuthorizedGridCtrl(this);
    m_grid->setObjectName(QStringLiteral("authorizedGrid"));
    m_grid->hide();
    layout->addWidget(m_grid, 1);
    connect(m_list, &CZELVListCtrl::SelectionChanged, this, &CAuthorizedPage::OnSelectionChanged);

    // "AUTHORIZE": the list's context menu.
    m_menu = new QMenu(this);
    QMenu* popup = m_menu->addMenu(QStringLiteral("AUTHORIZE"));
    connect(popup->addAction(QStringLiteral("&Delete")), &QAction::triggered, this,
            &CAuthorizedPage::DeleteUsers);
    QMenu* exportMenu = popup->addMenu(QStringLiteral("Export"));
    connect(exportMenu->addAction(QStringLiteral("To &XML")), &QAction::triggered, this,
            &CAuthorizedPage::ExportXml);
    connect(popup->addAction(QStringLiteral("Insert a new User-ID")), &QAction::triggered, this,
            &CAuthorizedPage::InsertUser);
    connect(popup->addAction(QStringLiteral("&Refresh")), &QAction::triggered, this,
            &CAuthorizedPage::Refresh);
    connect(popup->addAction(QStringLiteral("R&eset Password")), &QAction::triggered, this,
            &CAuthorizedPage::ResetPasswords);
    m_list->SetContextMenu(m_menu, 0);
    const auto key = [this](QKeySequence sequence, void (CAuthorizedPage::*slot)()) {
        auto* shortcut = new QShortcut(sequence, m_list);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(QKeySequence(Qt::Key_F5), &CAuthorizedPage::Refresh);
    key(QKeySequence(Qt::Key_Insert), &CAuthorizedPage::InsertUser);
    key(QKeySequence(Qt::Key_Delete), &CAuthorizedPage::DeleteUsers);
}

CAuthorizedPage::~CAuthorizedPage() {
    m_list->SetRows(nullptr);
}

void CAuthorizedPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
    m_list->SetPrompter(&sheet->GetPrompter());
    Refresh();
}

int CAuthorizedPage::OnWizardNext() {
    ApplyChanges();
    return IDD_FINAL;
}

int CAuthorizedPage::OnWizardBack() {
    ApplyChanges();
    return IDD_INTRO;
}

uint32_t CAuthorizedPage::NewUserRole() const {
    const CZELVDeskSheet* sheet = Desk();
    const uint32_t mine = sheet ? sheet->Connection().CurrentRole() : 0;
    return mine > 0 ? mine - 1 : 0;
}

void CAuthorizedPage::Refresh() {
    ApplyChanges();
    m_grid->hide();
    m_gridUser = -1;
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CZELV10MFC& server = sheet->Connection();
    ZELVGROUP group;
    m_roleNames.clear();
    const bool haveGroup = server.Get(&group).IsOK();
    for (int i = 0; i < 8; ++i)
        m_roleNames << (haveGroup ? group.roleNames[size_t(i)].Text() : QString());
    std::vector<ZELVUSERFULL> users;
    const CZELV10RC rc = server.List(&users);
    if (!rc.IsOK())
        sheet->GetPrompter().Tell(rc.Get(), QStringLiteral("Operation not successful"),
                                  PromptIcon::Error, this);
    m_users = std::move(users);
    m_list->Reload();
}

void CAuthorizedPage::OnSelectionChanged() {
    ApplyChanges();
    const std::vector<int> rows = m_list->GetSelectedRows();
    if (rows.size() != 1) {
        m_grid->hide();
        m_gridUser = -1;
        return;
    }
    m_gridUser = m_list->SourceRow(rows.front());
    if (m_gridUser < 0 || m_gridUser >= int(m_users.size())) {
        m_gridUser = -1;
        m_grid->hide();
        return;
    }
    QStringList roles;
    for (uint32_t i = 0; i < 8; ++i)
        roles << RoleText(i);
    m_grid->Fill(m_users[size_t(m_gridUser)], roles);
    m_grid->show();
}

void CAuthorizedPage::ApplyChanges() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet || m_gridUser < 0 || m_gridUser >= int(m_users.size()))
        return;
    ZELVUSERFULL& user = m_users[size_t(m_gridUser)];
    ZELVUSERFULL edited = user;
    if (!m_grid->TakeChanges(&edited))
        return;
    ZELVUSEREx ex;
    ex.userId = edited.userId;
    ex.user = edited;
    // A refused change is not shown: the next refresh shows what the server kept.
    CZELV10MFC& server = sheet->Connection();
    server.Update(ex);
    ZELVUSER fresh;
    if (server.Get(&fresh, user.userId.Text()).IsOK())
        static_cast<ZELVUSER&>(user) = fresh;
    // The grid now stands for what was written.
    for (int i = 0; i < m_grid->GetPropertyCount(); ++i)
        if (CZELVPropertyGridProperty* p = m_grid->GetProperty(i))
            p->ResetOriginalValue();
    m_list->RedrawAll();
}

std::vector<QString> CAuthorizedPage::SelectedIds() const {
    std::vector<int> rows = m_list->GetSelectedRows();
    std::sort(rows.begin(), rows.end());
    std::vector<QString> ids;
    for (int row : rows) {
        const int source = m_list->SourceRow(row);
        if (source >= 0 && source < int(m_users.size()))
            ids.push_back(m_users[size_t(source)].userId.Text());
    }
    return ids;
}

void CAuthorizedPage::InsertUser() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    ApplyChanges();
    CZELV10MFC& server = sheet->Connection();
    Prompter& prompter = sheet->GetPrompter();
    CUserProperties dialog(server, prompter, NewUserRole(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString id = dialog.UserId()->text();
    ZELVUSER added;
    // The new user gets a first password, told to the operator once, to hand
    // on (on a central server it makes the user's database login).
    if (server.Get(&added, id).IsOK()) {
        QString password;
        const CZELV10RC rc = server.ResetPassword(id, &password);
        if (rc.IsOK())
            prompter.Tell(QStringLiteral("The first password of %1 is %2").arg(id, password),
                          QStringLiteral("New User"), PromptIcon::Information, this);
        else
            prompter.Tell(QStringLiteral("%1 was added without a password: %2").arg(id, rc.Get()),
                          QStringLiteral("New User"), PromptIcon::Warning, this);
    }
    Refresh();
}

void CAuthorizedPage::DeleteUsers() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    const std::vector<QString> ids = SelectedIds();
    if (ids.empty())
        return;
    ApplyChanges();
    CZELV10RCList results;
    for (const QString& id : ids) {
        const int answer = sheet->GetPrompter().Ask(
            QString::fromLatin1(kConfirmDelete).replace(QLatin1String("%s"), id),
            QStringLiteral("Confirm Delete"), PromptIcon::Question, PromptButtons::YesNo,
            PromptNone, this);
        if (answer != PromptYes)
            continue;
        results.Add(sheet->Connection().DeleteUser(id), id);
    }
    if (results.Count() == 0)
        return;
    m_gridUser = -1; // the grid's user may be gone
    CZELV10RCListDlg::Display(results, 0, nullptr);
    if (results.GetOKCount() > 0)
        Refresh();
}

void CAuthorizedPage::ResetPasswords() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    CZELV10RCList results;
    for (const QString& id : SelectedIds()) {
        QString password;
        const CZELV10RC rc = sheet->Connection().ResetPassword(id, &password);
        results.Add(rc, id);
        if (rc.IsOK())
            sheet->GetPrompter().Tell(
                QStringLiteral("The new password of %1 is %2").arg(id, password),
                QStringLiteral("Reset Password"), PromptIcon::Information, this);
    }
    if (results.Count() > 0)
        CZELV10RCListDlg::Display(results, 0, nullptr);
}

bool CAuthorizedPage::ExportXml() {
    return m_list->ExportXML(0);
}
