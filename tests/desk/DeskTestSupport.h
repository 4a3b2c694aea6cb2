#pragma once

#include "ZELV10MFC.h"
#include "ZELV10RCListDlg.h"
#include "ZELVDeskApp.h"
#include "ZELVDeskSheet.h"
#include "ZELVLauncher.h"
#include "ZELVListExport.h"
#include "ZELVPrompter.h"
#include "ZELVSound.h"
#include "ZELVVoice.h"

#include <QApplication>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <memory>

// Records what the task menu would start, and starts nothing.
class CZELVListCtrl;
class QAction;
class QMenu;

class RecordingLauncher : public IZELVLauncher {
public:
    bool RunAndWait(const ZELVProgram& program, int* exitCode = nullptr) override {
        programs.append(program);
        if (exitCode)
            *exitCode = 0;
        return startResult;
    }
    bool OpenUrl(const QUrl& url) override {
        urls.append(url);
        return openResult;
    }
    void RunInWindow(const ZELVProgram& program, const QStringList& filters, Prompter&,
                     QWidget*) override {
        windows.append(program);
        windowFilters.append(filters);
    }
    QList<ZELVProgram> windows;
    QList<QStringList> windowFilters;
    QList<ZELVProgram> programs;
    QList<QUrl> urls;
    bool startResult = true;
    bool openResult = true;
};

// A SQLite database file of its own, filled through the server library.
class TestDatabase {
public:
    TestDatabase();
    bool IsReady() const { return m_ready; }
    const ZELVServerAddress& Address() const { return m_address; }
    QString AddressText() const { return QStringLiteral("kelmar://") + m_address.filePath; }
    CZELV10MFC& Connection() { return m_mfc; }

    bool AddCustomer(const char* id, const char* name, uint32_t flags = 0);
    bool AddMedia(const char* customer, const char* media, const char* name = nullptr);
    bool AddRepository(const char* id, const char* name, uint32_t flags = 0);
    // A Volume at a Repository, moving to the target when one is given.
    bool AddVolume(const char* customer, const char* media, const char* volume, const char* at,
                   const char* target = nullptr);
    // Runs SQL on the file outside the library (user names, passwords).
    bool Exec(const QString& sql);
    // Closes the library's connection so that the program under test has the file.
    void Release() { m_mfc.Logoff(); }

private:
    QTemporaryDir m_dir;
    ZELVServerAddress m_address;
    CZELV10MFC m_mfc;
    bool m_ready = false;
};

// One run of ZELVDesk's start-up: an application with private profile and
// machine settings (no upgrade check), a scripted prompter, a program folder
// of its own holding ZELVDesk.cfg, recording voice, sounds and launcher.
class DeskRun {
public:
    DeskRun();
    ~DeskRun();

    // Writes ZELVDesk.cfg into the program folder.
    void WriteConfig(const QString& text);
    // Environment the application sees (ZELVCONFIGFILE, ZELVDEFAULTSERVER).
    void SetEnv(const QString& name, const QString& value) { m_env.insert(name, value); }
    // Answers queued for the prompter before anything is asked.
    ScriptedPrompter& Prompter() { return *m_prompter; }

    // Application start-up with the arguments, then the sheet, shown.
    CZELVDeskSheet& Start(const QStringList& arguments = {});
    CZELVDeskSheet& Sheet() { return *m_sheet; }
    CZELVDeskApp& App() { return *m_app; }

    QString ProgramFolder() const { return m_folder.path(); }
    QString NewFolder(const QString& name) const;

    int VoicesCreated() const { return m_voicesCreated; }
    RecordingVoice* Voice() const { return m_voice; }
    RecordingSoundPlayer sounds;
    RecordingLauncher launcher;
    // Set before Start to run the launcher of the program instead.
    IZELVLauncher* launcherOverride = nullptr;

    // Titles of the notifications open now.
    QStringList NotificationTitles() const;
    // "title|line1|line2" of the notifications open now.
    QStringList Notifications() const;
    // Texts of the prompts shown, in order.
    QStringList PromptTexts() const;
    QStringList PromptCaptions() const;

    int ActivePageId() const;
    // Chooses the menu entry with that text as the operator does and lets the
    // sheet act on it.
    bool ChooseTask(const QString& text);
    // Lets posted presses and page changes run.
    static void Flush();

    // The lines of the current transaction log file without their sequence
    // and time; empty when no log was opened.
    QStringList LogTexts() const;

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_settings;
    QHash<QString, QString> m_env;
    ScriptedPrompter* m_prompter = nullptr;
    std::unique_ptr<CZELVDeskApp> m_app;
    std::unique_ptr<CZELVDeskSheet> m_sheet;
    int m_voicesCreated = 0;
    RecordingVoice* m_voice = nullptr;
};

// Prepares the process for the desk tests: the user's data and settings
// folders point into a temporary folder, so that no test touches the real
// embedded database or profile. Call before the QApplication exists.
void PrepareDeskTestEnvironment();

// Picks the Customer on the Customer Selection page showing and presses Next;
// false when that page is not showing or Next stayed.
bool ChooseCustomer(DeskRun& run, const char* customerId);
// The entry with that text in a context menu or any of its sub-menus.
QAction* FindAction(QMenu* menu, const QString& text);
// The texts of one column of a list, row by row.
QStringList Column(const CZELVListCtrl& list, int column);

// Closes each result list of a bulk operation as it shows, keeping the text
// of the last one.
class ResultCloser : public QObject {
public:
    explicit ResultCloser(QObject* parent = nullptr);
    QString text;
    int shown = 0;

private:
    QTimer m_timer;
};

// Answers a list export with CSV into a file of its own, opening nothing.
class CsvExportUi : public IZELVExportUi {
public:
    explicit CsvExportUi(const QString& path) : m_path(path) {}
    bool ChooseType(const ZELVExportTypeRequest& request, int* type, bool* open) override {
        mailAllowed = request.mailAllowed;
        *type = ZELVExport::TypeCSV;
        *open = false;
        return true;
    }
    QString ChooseSavePath(QWidget*, int) override { return m_path; }
    bool ChoosePdfOptions(QWidget*, ZELVExportPDFOptions*) override { return false; }
    bool Launch(const ZELVCommand&) override { return false; }
    // The file's lines.
    QStringList Lines() const;
    bool mailAllowed = false;

private:
    QString m_path;
};
