#include "ApiUiTestDb.h"
#include "ZELV10Logon.h"
#include "ZELV10MoveDateDlg.h"
#include "ZELV10PasswordDlg.h"
#include "ZELV10ProgressWnd.h"
#include "ZELV10RCListDlg.h"
#include "ZELV10UpdateStatsGridCtrl.h"
#include "ZELVPrompter.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace {

// Runs fn on the modal dialog of type T once the event loop shows it.
template <typename T> void WhenModal(QObject* context, std::function<void(T*)> fn) {
    QTimer::singleShot(0, context, [fn] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            fn(dialog);
    });
}

void Press(QDialog* dialog, const char* boxName, QDialogButtonBox::StandardButton which) {
    auto* box = dialog->findChild<QDialogButtonBox*>(QString::fromLatin1(boxName));
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

CZELVDate Day(int y, int m, int d) {
    CZELVDate date;
    date.SetDate(y, m, d);
    return date;
}

} // namespace

Q_DECLARE_METATYPE(CZELVDate)

class ZELV10DialogsTest : public QObject {
    Q_OBJECT

    // A database whose user ANNA has the password "old-secret", with the
    // connection logged on with it.
    std::unique_ptr<ApiUiTestDb> DbWithPassword() {
        auto db = std::make_unique<ApiUiTestDb>();
        if (!db->Ready() || !db->Connection()
                                 .SetPassword(QStringLiteral("ANNA"), QStringLiteral("old-secret"))
                                 .IsOK())
            return nullptr;
        ZELVServerAddress address = db->Connection().ServerAddress();
        address.password = QStringLiteral("old-secret");
        db->Connection().SetServerAddress(address);
        if (!db->Connection().Logon(1).IsOK())
            return nullptr;
        return db;
    }

    static CZELV10RC LogonWith(const ApiUiTestDb& db, const QString& password) {
        ZELVServerAddress address = db.Address();
        address.password = password;
        CZELV10RC rc;
        ApiUiTestDb::Connect(address, &rc);
        return rc;
    }

private Q_SLOTS:
    // --- Result list -----------------------------------------------------------

    // The update statistics grid: each present part in its place, each
    // part the server could not resolve saying so, absent parts left out.
    void updateStatisticsShowOnlyWhatTheRecordCarries_data() {
        QTest::addColumn<uint32_t>("present");
        QTest::addColumn<bool>("resolved");
        QTest::addColumn<QStringList>("rows");
        const uint32_t all = ZELVIPD_WHEN | ZELVIPD_SOURCE | ZELVIPD_MACHINE | ZELVIPD_CONNECTIONS |
                             ZELVIPD_INTERFACE | ZELVIPD_OS | ZELVIPD_USER;
        QTest::newRow("everything resolved")
            << all << true
            << QStringList{
                   "Update Statistics=",
                   "When=Tuesday, November 14, 2023 (3 days ago)",
                   "Date=2023-11-14",
                   "Time=22:13:20",
                   "UTC Offset=60 minutes",
                   "Time at source=Tuesday, November 14, 2023 - 23:13:20",
                   "Time Zone=Europe/Zurich",
                   "From=",
                   "Machine Name=ws-one",
                   "Details=",
                   "Connection Count=12",
                   "First Connection=Sunday, September 13, 2020 - 12:26:40",
                   "Last Connection=Tuesday, November 14, 2023 - 22:10:00",
                   "Interface=ZELVDesk 10 (program 13)",
                   "Operating System=Debian GNU/Linux 12 (bookworm)",
                   "User-ID=operator1",
                   "User Name=Pat Operator",
               };
        QTest::newRow("nothing resolved")
            << all << false
            << QStringList{"Update Statistics=",
                           "When=Tuesday, November 14, 2023 (3 days ago)",
                           "Date=2023-11-14",
                           "Time=22:13:20",
                           "UTC Offset=0 minutes",
                           "Time at source=Tuesday, November 14, 2023 - 22:13:20",
                           "Time Zone=Unresolved",
                           "From=",
                           "Machine Name=Unresolved",
                           "Details=",
                           "Connection Count=Unresolved",
                           "First Connection=Unresolved",
                           "Last Connection=Unresolved",
                           "Interface=Unresolved",
                           "Operating System=Unresolved",
                           "User-ID=Unresolved",
                           "User Name=Unresolved"};
        QTest::newRow("only when and who")
            << uint32_t(ZELVIPD_WHEN | ZELVIPD_USER) << true
            << QStringList{"Update Statistics=", "When=Tuesday, November 14, 2023 (3 days ago)",
                           "Date=2023-11-14",    "Time=22:13:20",
                           "User-ID=operator1",  "User Name=Pat Operator"};
        QTest::newRow("nothing") << uint32_t(0) << true << QStringList{"Update Statistics="};
    }
    void updateStatisticsShowOnlyWhatTheRecordCarries() {
        QFETCH(uint32_t, present);
        QFETCH(bool, resolved);
        QFETCH(QStringList, rows);
        ZELV10IPDETAILS d;
        d.present = present;
        d.when = 1700000000; // 2023-11-14 22:13:20 UTC
        if (resolved) {
            d.utcOffset = 60;
            d.timeZone = "Europe/Zurich";
            d.machine = "ws-one";
            d.connectionCount = 12;
            d.firstConnection = 1600000000;
            d.lastConnection = 1699999800;
            d.interfaceText = "ZELVDesk 10 (program 13)";
            d.operatingSystem = "Debian GNU/Linux 12 (bookworm)";
            d.userId = "operator1";
            d.userName = "Pat Operator";
        }
        const ZELVFixedClock clock(1700000000 + 3 * 86400 + 3600);
        CZELV10UpdateStatsGridCtrl grid;
        grid.ShowDetails(d, clock);
        grid.ShowDetails(d, clock); // shown again: replaced, not added
        QStringList shown;
        std::function<void(CZELVPropertyGridProperty*)> walk = [&](CZELVPropertyGridProperty* p) {
            shown << p->GetName() + QLatin1Char('=') + p->FormatValue();
            QVERIFY(p->IsGroup() || !p->IsEditable());
            for (int i = 0; i < p->GetSubItemsCount(); ++i)
                walk(p->GetSubItem(i));
        };
        for (int i = 0; i < grid.GetPropertyCount(); ++i)
            walk(grid.GetProperty(i));
        QCOMPARE(shown, rows);
        if (present & ZELVIPD_CONNECTIONS)
            QCOMPARE(grid.FindProperty(QStringLiteral("Connection Count"))->GetDescription(),
                     QStringLiteral("Number of times this IP Address has connected"));
    }

    void resultListShowsEachResultAndTheCounts() {
        ApiUiTestDb db;
        QVERIFY(db.Ready());
        // Real results: three Volumes read back, one of them unknown.
        CZELV10RCList results;
        for (const char* v : {"A00001", "Z99999", "A00002"}) {
            ZELVVOLSEx vol;
            vol.key.customerId = "ACME";
            vol.key.mediaId = "LTO6";
            vol.key.volumeId = v;
            results.Add(db.Connection().Get(&vol), "ACME.LTO6.%s", v);
        }
        QCOMPARE(results.GetNotOKCount(), 1);

        CZELV10RCListDlg dialog(results);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("resultCounts"))->text(),
                 QStringLiteral("OK(2) NotOK(1)"));
        auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("resultList"));
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("ACME.LTO6.A00001"));
        QCOMPARE(tree->topLevelItem(0)->text(1), QStringLiteral("OK"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("ACME.LTO6.Z99999"));
        QCOMPARE(tree->topLevelItem(1)->text(1), results.At(1).rc.Get());
        QVERIFY(tree->topLevelItem(1)->text(1).startsWith(QStringLiteral("Volume not found")));

        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("resultCopyButton")),
                          Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("ACME.LTO6.A00001\tOK\nACME.LTO6.Z99999\t") +
                     results.At(1).rc.Get() +
                     QStringLiteral("\nACME.LTO6.A00002\tOK\nOK(2) NotOK(1)\n"));
    }

    void displayIsModalUntilOk() {
        CZELV10RCList results;
        results.Add(CZELV10RC(ZELV10RC_NOTALLOWED), QStringLiteral("user BOB"));
        QString counts;
        WhenModal<CZELV10RCListDlg>(this, [&](CZELV10RCListDlg* dialog) {
            counts = dialog->findChild<QLabel*>(QStringLiteral("resultCounts"))->text();
            Press(dialog, "resultButtons", QDialogButtonBox::Ok);
        });
        QCOMPARE(CZELV10RCListDlg::Display(results, 0, nullptr), 1);
        QCOMPARE(counts, QStringLiteral("OK(0) NotOK(1)"));
    }

    // --- Progress window ---------------------------------------------------------

    void progressWindowSteps() {
        CZELV10ProgressWnd progress(10, CZELV10ProgressWnd::kUpload);
        QVERIFY(progress.isVisible());
        QVERIFY(
            progress.findChild<QLabel*>(QStringLiteral("progressPicture"))->isVisibleTo(&progress));
        progress.SetTitle(QStringLiteral("Uploading Files"));
        progress.SetText(1, QStringLiteral("Uploading File 1 of 2"));
        progress.SetText(2, QStringLiteral("report.pdf"));
        progress.SetText(3, QStringLiteral("ignored"));
        QCOMPARE(progress.windowTitle(), QStringLiteral("Uploading Files"));
        QCOMPARE(progress.findChild<QLabel*>(QStringLiteral("progressLine1"))->text(),
                 QStringLiteral("Uploading File 1 of 2"));
        QCOMPARE(progress.Text(2), QStringLiteral("report.pdf"));
        progress.Step();
        progress.Step(3);
        QCOMPARE(progress.Pos(), 4);
        QCOMPARE(progress.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(), 4);
        progress.SetPos(50);
        QCOMPARE(progress.Pos(), 10);
        progress.SetRange(0, 3);
        progress.SetPos(-5);
        QCOMPARE(progress.Pos(), 0);
        progress.Step(INT_MAX);
        QCOMPARE(progress.Pos(), 3);
        QVERIFY(!progress.IsCancelled());
        // Closing from the program is the end of the loop, not a cancel.
        progress.close();
        QVERIFY(!progress.isVisible());
        QVERIFY(!progress.IsCancelled());

        CZELV10ProgressWnd plain(0, 0);
        QVERIFY(!plain.findChild<QLabel*>(QStringLiteral("progressPicture"))->isVisibleTo(&plain));
    }

    void cancelStopsTheLoopBeforeTheNextStep_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Escape key") << true;
    }
    void cancelStopsTheLoopBeforeTheNextStep() {
        QFETCH(bool, escape);
        CZELV10ProgressWnd progress(5, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        // The click arrives while the loop runs; the window lets it through at
        // the first update.
        QTimer::singleShot(0, &progress, [&] {
            if (escape)
                QTest::keyClick(&progress, Qt::Key_Escape);
            else
                QTest::mouseClick(
                    progress.findChild<QPushButton*>(QStringLiteral("progressCancelButton")),
                    Qt::LeftButton);
        });
        int done = 0;
        for (int i = 0; i < 5 && !progress.IsCancelled(); ++i) {
            progress.SetText(QStringLiteral("Setting Volume %1").arg(i));
            ++done;
            progress.Step();
        }
        QCOMPARE(done, 1);
        QVERIFY(progress.IsCancelled());
        QVERIFY(progress.isVisible()); // the loop closes it, not the key
        QVERIFY(
            !progress.findChild<QPushButton*>(QStringLiteral("progressCancelButton"))->isEnabled());
    }

    // --- Move date -----------------------------------------------------------------

    void moveDateOpensOnTheDate_data() {
        QTest::addColumn<CZELVDate>("date");
        QTest::addColumn<bool>("permanent");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("text");
        const QDate today(2023, 11, 14); // the fixed clock's day
        QTest::newRow("no date is Permanent on today")
            << CZELVDate() << true << today << "Permanent";
        QTest::newRow("calendar date")
            << Day(2024, 3, 15) << false << QDate(2024, 3, 15) << "Friday, March 15, 2024";
        QTest::newRow("seconds form") << CZELVDate::FromWord(1710460800u) << false
                                      << QDate(2024, 3, 15) << "Friday, March 15, 2024";
        QTest::newRow("not-set calendar word is Permanent")
            << CZELVDate::FromWord(CZELVDate::kCalendarFlag) << true << today << "Permanent";
        QTest::newRow("February 30 is Permanent")
            << CZELVDate::FromWord(CZELVDate::kCalendarBits | (30u << 24) | (2u << 16) | 2024u)
            << true << today << "Permanent";
    }
    void moveDateOpensOnTheDate() {
        QFETCH(CZELVDate, date);
        QFETCH(bool, permanent);
        QFETCH(QDate, day);
        QFETCH(QString, text);
        const ZELVFixedClock clock(1700000000); // 2023-11-14 22:13:20 UTC
        CZELV10MoveDateDlg dialog(date, nullptr, clock);
        QCOMPARE(dialog.IsPermanent(), permanent);
        QCOMPARE(dialog.SelectedDay(), day);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("moveDateText"))->text(), text);
        QCOMPARE(
            dialog.findChild<QCalendarWidget*>(QStringLiteral("moveDateCalendar"))->isEnabled(),
            !permanent);
        if (permanent)
            QVERIFY(dialog.Date().IsEmpty());
        else
            QCOMPARE(dialog.Date(), Day(day.year(), day.month(), day.day()));
    }

    void moveDateChoiceFollowsTheControls() {
        CZELV10MoveDateDlg dialog(Day(2024, 3, 15));
        dialog.findChild<QCheckBox*>(QStringLiteral("moveDatePermanent"))->click();
        QVERIFY(dialog.IsPermanent());
        QVERIFY(dialog.Date().IsEmpty());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("moveDateText"))->text(),
                 QStringLiteral("Permanent"));
        dialog.SetPermanent(false);
        dialog.SetSelectedDay(QDate(2025, 1, 2));
        QCOMPARE(dialog.Date(), Day(2025, 1, 2));
        QVERIFY(dialog.Date().IsCalendarDate());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("moveDateText"))->text(),
                 QStringLiteral("Thursday, January 02, 2025"));
    }

    void setMoveDateStoresOnlyAnAcceptedChoice() {
        CZELVDate date = Day(2024, 3, 15);
        WhenModal<CZELV10MoveDateDlg>(this, [](CZELV10MoveDateDlg* dialog) {
            dialog->SetSelectedDay(QDate(2024, 4, 1));
            Press(dialog, "moveDateButtons", QDialogButtonBox::Cancel);
        });
        QCOMPARE(SetMoveDate(&date), 2);
        QCOMPARE(date, Day(2024, 3, 15));

        WhenModal<CZELV10MoveDateDlg>(this, [](CZELV10MoveDateDlg* dialog) {
            dialog->SetSelectedDay(QDate(2024, 4, 1));
            Press(dialog, "moveDateButtons", QDialogButtonBox::Ok);
        });
        QCOMPARE(SetMoveDate(&date), 1);
        QCOMPARE(date, Day(2024, 4, 1));

        WhenModal<CZELV10MoveDateDlg>(this, [](CZELV10MoveDateDlg* dialog) {
            dialog->SetPermanent(true);
            Press(dialog, "moveDateButtons", QDialogButtonBox::Ok);
        });
        const std::optional<CZELVDate> chosen = ChooseMoveDate(date);
        QVERIFY(chosen.has_value());
        QVERIFY(chosen->IsEmpty());
        QCOMPARE(SetMoveDate(nullptr), 2);
    }

    // --- Own password ----------------------------------------------------------------

    void refusedPasswordChangeKeepsTheOldPassword_data() {
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        QTest::newRow("confirmation differs")
            << "old-secret"
            << "n3w-secret"
            << "n3w-secreT"
            << "The new password and its confirmation do not match.";
        QTest::newRow("empty new password") << "old-secret"
                                            << ""
                                            << ""
                                            << "Please enter a new password.";
        QTest::newRow("wrong old password") << "guess"
                                            << "n3w-secret"
                                            << "n3w-secret"
                                            << "The old password is not correct.";
    }
    void refusedPasswordChangeKeepsTheOldPassword() {
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        auto db = DbWithPassword();
        QVERIFY(db);
        ScriptedPrompter prompter;
        CZELV10PasswordDlg dialog(db->Connection(), prompter);
        dialog.SetOldPassword(oldPassword);
        dialog.SetNewPassword(newPassword, confirmation);
        dialog.accept();

        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open, nothing accepted
        QCOMPARE(prompter.Asked().size(), 1);
        QCOMPARE(prompter.LastText(), message);
        QCOMPARE(prompter.Asked().first().request.caption, QStringLiteral("Change Password"));
        QCOMPARE(LogonWith(*db, QStringLiteral("old-secret")).Code(), uint32_t(ZELV10RC_OK));
        QCOMPARE(
            LogonWith(*db, newPassword).Code(),
            uint32_t(newPassword.isEmpty() ? ZELV10RC_PASSWORDREQUIRED : ZELV10RC_WRONGPASSWORD));
        QCOMPARE(db->Connection().ServerAddress().password, QStringLiteral("old-secret"));
    }

    void passwordChangedThroughResetPassword() {
        auto db = DbWithPassword();
        QVERIFY(db);
        ScriptedPrompter prompter;
        WhenModal<CZELV10PasswordDlg>(this, [](CZELV10PasswordDlg* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("passwordOld")),
                             QStringLiteral("old-secret"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("passwordNew")),
                             QStringLiteral("n3w-secret"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("passwordConfirm")),
                             QStringLiteral("n3w-secret"));
            Press(dialog, "passwordButtons", QDialogButtonBox::Ok);
        });
        QVERIFY(ResetPassword(db->Connection(), prompter));
        QCOMPARE(prompter.LastText(), QStringLiteral("Your password has been changed."));
        QCOMPARE(prompter.Asked().size(), 1);

        // Log on again with the new password; the old one no longer opens.
        QCOMPARE(LogonWith(*db, QStringLiteral("n3w-secret")).Code(), uint32_t(ZELV10RC_OK));
        QCOMPARE(LogonWith(*db, QStringLiteral("old-secret")).Code(),
                 uint32_t(ZELV10RC_WRONGPASSWORD));
        // The session itself reconnects with the new password.
        QVERIFY(db->Connection().Logon(1).IsOK());
        QCOMPARE(db->Connection().CurrentUser(), QStringLiteral("ANNA"));
    }

    void passwordDialogCancelChangesNothing() {
        auto db = DbWithPassword();
        QVERIFY(db);
        ScriptedPrompter prompter;
        WhenModal<CZELV10PasswordDlg>(this, [](CZELV10PasswordDlg* dialog) {
            dialog->SetOldPassword(QStringLiteral("old-secret"));
            dialog->SetNewPassword(QStringLiteral("x"), QStringLiteral("x"));
            Press(dialog, "passwordButtons", QDialogButtonBox::Cancel);
        });
        QVERIFY(!ResetPassword(db->Connection(), prompter));
        QVERIFY(prompter.Asked().isEmpty());
        QCOMPARE(LogonWith(*db, QStringLiteral("old-secret")).Code(), uint32_t(ZELV10RC_OK));
    }

    void passwordChangeNeedsASession() {
        // Central or embedded, a connection that is not logged on is told so
        // and no dialog is shown.
        ScriptedPrompter prompter;
        CZELV10MFC central;
        central.SetLogonDetails(QStringLiteral("db.invalid"), 5432, QStringLiteral("anna"),
                                QStringLiteral("pw"));
        ApiUiTestDb db;
        CZELV10MFC offline;
        offline.SetServerAddress(db.Address());
        int told = 0;
        for (CZELV10MFC* connection : {&central, &offline}) {
            QVERIFY(!ResetPassword(*connection, prompter));
            QCOMPARE(prompter.Asked().size(), ++told);
            QCOMPARE(prompter.LastText(), CZELV10RC(ZELV10RC_NOTLOGGEDON).Get());
        }
    }

    // --- Logon that asks for the password ----------------------------------------

    void logonAsksForThePasswordUntilItIsRight_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<uint32_t>("result");
        QTest::addColumn<QStringList>("reasons");
        const QString needed = CZELV10RC(ZELV10RC_PASSWORDREQUIRED).Get();
        const QString wrong = CZELV10RC(ZELV10RC_WRONGPASSWORD).Get();
        QTest::newRow("right at once") << QStringList{QStringLiteral("old-secret")}
                                       << uint32_t(ZELV10RC_OK) << QStringList{needed};
        QTest::newRow("wrong, then right")
            << QStringList{QStringLiteral("guess"), QStringLiteral("old-secret")}
            << uint32_t(ZELV10RC_OK) << QStringList{needed, wrong};
        QTest::newRow("cancelled")
            << QStringList{} << uint32_t(ZELV10RC_PASSWORDREQUIRED) << QStringList{needed};
        QTest::newRow("wrong, then cancelled")
            << QStringList{QStringLiteral("guess")} << uint32_t(ZELV10RC_WRONGPASSWORD)
            << QStringList{needed, wrong};
    }
    void logonAsksForThePasswordUntilItIsRight() {
        QFETCH(QStringList, typed);
        QFETCH(uint32_t, result);
        QFETCH(QStringList, reasons);
        auto db = DbWithPassword();
        QVERIFY(db);
        ScriptedPrompter prompter;
        for (const QString& secret : typed)
            prompter.AnswerSecret(secret);
        CZELV10MFC mfc;
        ZELVServerAddress address = db->Address();
        address.password.clear();
        mfc.SetServerAddress(address);

        QCOMPARE(ZelvLogonAsking(mfc, prompter).Code(), result);
        QCOMPARE(mfc.IsLoggedOn(), result == ZELV10RC_OK);
        QCOMPARE(prompter.Asked().size(), reasons.size());
        for (int i = 0; i < reasons.size(); ++i) {
            const PromptRequest& asked = prompter.Asked().at(i).request;
            QCOMPARE(asked.caption, QStringLiteral("Kelmar Server Logon"));
            QVERIFY2(asked.text.startsWith(reasons.at(i)), qPrintable(asked.text));
        }
        // A session that got in reconnects without asking again.
        if (result == ZELV10RC_OK) {
            QVERIFY(mfc.Logon(1).IsOK());
            QCOMPARE(mfc.CurrentUser(), QStringLiteral("ANNA"));
        }
    }
};

QTEST_MAIN(ZELV10DialogsTest)
#include "ZELV10DialogsTest.moc"
