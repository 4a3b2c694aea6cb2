// Manage Authorized Users on the demo data set, on both engines: the owner
// edits users in the grid, is refused what its role does not allow, deletes
// with a "No" in between, adds a user and gives passwords, exports
// the list; the test reads the server afterwards.
#include "AuthorizedPage.h"
#include "DemoDatabase.h"
#include "DeskTestSupport.h"
#include "ZELVListCtrl.h"
#include "ZELVPropertyGridCtrl.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

CZELV10RC AddUsers(CZELV10MFC& mfc) {
    const struct {
        const char* id;
        const char* name;
        uint32_t role;
    } users[] = {{"ALICE", "Alice", 1}, {"BOB", "Bob", 2}, {"CAROL", "Carol", 3}, {"PEER", "", 6}};
    for (const auto& u : users) {
        ZELVUSER r;
        r.userId = u.id;
        r.name = u.name;
        r.flags = u.role << ZELVUSER_ROLESHIFT;
        CZELV10RC rc = mfc.Add(r);
        if (!rc.IsOK())
            return rc;
    }
    return {};
}

// The password a prompt told, after "is ".
QString ToldPassword(const QStringList& prompts, const QString& user) {
    const QRegularExpression told(QStringLiteral("password of %1 is (\\S+)$").arg(user));
    for (const QString& text : prompts)
        if (const QRegularExpressionMatch m = told.match(text); m.hasMatch())
            return m.captured(1);
    return {};
}

void SelectOnly(CZELVListCtrl& list, const QStringList& ids) {
    list.SelectNone();
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (ids.contains(list.GetItemText(row, CAuthorizedListCtrl::ColUserId)))
            list.SetItemSelected(row, true);
}

} // namespace

class AuthorizedWorkflowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data();
    void usersAreManagedWithinTheRoleRules();
};

void AuthorizedWorkflowTest::initTestCase_data() {
    AddEngineRows();
}

void AuthorizedWorkflowTest::usersAreManagedWithinTheRoleRules() {
    DemoDatabase db;
    if (!MakeForEngine(db, AddUsers))
        QSKIP("no database for this engine");
    const bool embedded = !db.Address().IsCentral();
    CZELV10MFC server;
    server.SetServerAddress(db.Address());
    QVERIFY(server.Logon().IsOK());

    DeskRun run;
    run.WriteConfig(QStringLiteral("options = { logfile = \"%1\"; disablespeech = true; };\n")
                        .arg(run.NewFolder(QStringLiteral("logs"))));
    CZELVDeskSheet& sheet = run.Start({db.AddressText()});
    QVERIFY(run.ChooseTask(QStringLiteral("Users")));
    QCOMPARE(run.ActivePageId(), int(IDD_AUTHORIZED));
    auto* page = qobject_cast<CAuthorizedPage*>(sheet.GetActivePage());
    QVERIFY(page);
    CAuthorizedListCtrl& list = *page->List();
    const QStringList ids = Column(list, CAuthorizedListCtrl::ColUserId);
    for (const char* id : {"ALICE", "BOB", "CAROL", "PEER"})
        QVERIFY2(ids.contains(QLatin1String(id)), id);
    QVERIFY(
        Column(list, CAuthorizedListCtrl::ColRole).contains(QStringLiteral("2:Senior Operator")));
    QVERIFY(page->Grid()->isHidden());

    // Editing a name, then choosing another user, writes the first user
    // before the grid shows the second.
    SelectOnly(list, {QStringLiteral("ALICE")});
    QVERIFY(!page->Grid()->isHidden());
    CZELVPropertyGridCtrl& grid = *page->Grid();
    QVERIFY(
        grid.CommitValue(grid.FindProperty(QStringLiteral("Name")), QStringLiteral("Alice Smith")));
    SelectOnly(list, {QStringLiteral("BOB")});
    ZELVUSER alice;
    QVERIFY(server.Get(&alice, QStringLiteral("ALICE")).IsOK());
    QCOMPARE(alice.name.Text(), QStringLiteral("Alice Smith"));
    QCOMPARE(grid.FindProperty(QStringLiteral("User-ID"))->GetValue().toString(),
             QStringLiteral("BOB"));

    // Raising BOB to the owner's own role is refused by the server, silently;
    // a disabled flag and a lower role are kept.
    CZELVPropertyGridProperty* role = grid.FindProperty(QStringLiteral("Role"));
    QVERIFY(grid.CommitValue(role, role->GetOption(7)));
    SelectOnly(list, {});
    ZELVUSER bob;
    QVERIFY(server.Get(&bob, QStringLiteral("BOB")).IsOK());
    QCOMPARE(bob.Role(), 2u);
    SelectOnly(list, {QStringLiteral("BOB")});
    QVERIFY(grid.CommitValue(grid.FindProperty(QStringLiteral("Role")),
                             grid.FindProperty(QStringLiteral("Role"))->GetOption(4)));
    QVERIFY(grid.CommitValue(grid.FindProperty(QStringLiteral("User Disabled")), true));
    page->Refresh();
    QVERIFY(server.Get(&bob, QStringLiteral("BOB")).IsOK());
    QCOMPARE(bob.Role(), 4u);
    QVERIFY(bob.flags & ZELVUSER_DISABLED);

    // Deleting three users with "No" for the second deletes two, refreshes once.
    ResultCloser closer;
    SelectOnly(list, {QStringLiteral("ALICE"), QStringLiteral("BOB"), QStringLiteral("CAROL")});
    run.Prompter().Answer({PromptYes, PromptNo, PromptYes});
    page->DeleteUsers();
    QCOMPARE(closer.shown, 1);
    QVERIFY(closer.text.contains(QLatin1String("ALICE")));
    QVERIFY(!closer.text.contains(QLatin1String("BOB")));
    const QStringList prompts = run.PromptTexts();
    QVERIFY(prompts.contains(QStringLiteral("Please confirm you wish to delete user BOB")));
    QVERIFY(!server.Get(&alice, QStringLiteral("ALICE")).IsOK());
    QVERIFY(server.Get(&bob, QStringLiteral("BOB")).IsOK());
    QVERIFY(!Column(list, CAuthorizedListCtrl::ColUserId).contains(QStringLiteral("CAROL")));

    // A new User-ID longer than 16 characters cannot be typed; the new user
    // gets the highest role below the owner's and a first password.
    QString typed;
    QTimer::singleShot(50, [&typed] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<CUserProperties*>(w)) {
                QTest::keyClicks(dialog->UserId(), QStringLiteral("NEWBIE_WITH_A_LONG_NAME"));
                typed = dialog->UserId()->text();
                dialog->UserId()->setText(QStringLiteral("NEWBIE"));
                dialog->accept();
            }
    });
    page->InsertUser();
    QCOMPARE(typed.size(), 16);
    ZELVUSER newbie;
    QVERIFY(server.Get(&newbie, QStringLiteral("NEWBIE")).IsOK());
    QCOMPARE(newbie.Role(), 6u);
    QVERIFY(Column(list, CAuthorizedListCtrl::ColUserId).contains(QStringLiteral("NEWBIE")));
    const auto logsOn = [&](const QString& user, const QString& password) {
        ZELVServerAddress a = db.Address();
        a.user = user;
        a.password = password;
        CZELV10MFC mfc;
        mfc.SetServerAddress(a);
        return mfc.Logon().IsOK();
    };
    // The new user's first password and a reset one log on; on a central
    // server they are the users' database logins, made on first use.
    const QString first = ToldPassword(run.PromptTexts(), QStringLiteral("NEWBIE"));
    QCOMPARE(first.size(), 16);
    QVERIFY(logsOn(QStringLiteral("NEWBIE"), first));
    SelectOnly(list, {QStringLiteral("PEER")});
    page->ResetPasswords();
    const QString peer = ToldPassword(run.PromptTexts(), QStringLiteral("PEER"));
    QVERIFY(!peer.isEmpty());
    QVERIFY(logsOn(QStringLiteral("PEER"), peer));
    QVERIFY(!run.LogTexts().join(QLatin1Char('\n')).contains(peer));
    if (!embedded)
        for (const char* login : {"NEWBIE", "PEER"})
            db.Exec(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(QLatin1String(login)));

    // "To XML" writes the selected users.
    QTemporaryDir out;
    CsvExportUi ui(out.filePath(QStringLiteral("users.xml")));
    list.SetExportUi(&ui);
    SelectOnly(list, {QStringLiteral("NEWBIE"), QStringLiteral("PEER")});
    QAction* toXml = FindAction(page->Menu(), QStringLiteral("To &XML"));
    QVERIFY(toXml);
    toXml->trigger();
    const QString xml = ui.Lines().join(QLatin1Char('\n'));
    QVERIFY2(xml.contains(QLatin1String("NEWBIE")) && xml.contains(QLatin1String("PEER")),
             qPrintable(xml));
    QVERIFY(!xml.contains(QLatin1String("BOB")));
}

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    AuthorizedWorkflowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "AuthorizedWorkflowTest.moc"
