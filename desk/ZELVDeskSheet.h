#pragma once

#include "PredefFile.h"
#include "SendList.h"
#include "TransactionLog.h"
#include "UpdateItem.h"
#include "ZELV10MFC.h"
#include "ZELV10RCList.h"
#include "ZELV10Records.h"
#include "ZELVBuildDate.h"
#include "ZELVClock.h"
#include "ZELVDate.h"
#include "ZELVDeskIds.h"
#include "ZELVWizardSheet.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CContainerCache;
class CScanJournal;
class CIntroPage;
class CZELV10RepositoryCache;
class CZELV10RepositoryRows;
class CustomerCache;
class IVoice;
class ISoundPlayer;
class IZELVDeskHost;
class IZELVLauncher;
class MediaCache;
class Prompter;
class ZELVConfig;
class QDialog;

// What the application object hands the sheet besides itself.
struct CZELVDeskSheetSetup {
    Prompter* prompter = nullptr;
    ISoundPlayer* sounds = nullptr;
    IZELVLauncher* launcher = nullptr;
    // Creates the speech voice once the configuration is read; not called when
    // "disablespeech" is set. None (or a null result) leaves every prompt silent.
    std::function<std::unique_ptr<IVoice>()> createVoice;
    // The program's folder: ZELVDesk.cfg, LogPrefix.txt and the outside
    // components are looked for there.
    QString programFolder;
    const ZELVClock* clock = nullptr; // null: the system clock
};

// One Volume of the Recall selection: the record and its two display texts.
struct CSelectedVolume {
    ZELVVOLSFULL volume;
    QString text1;
    QString text2;
};

// What the Required Date page keeps between visits while the program runs
// (the date and time itself is the sheet's required time).
struct CRecallValues {
    int mode = 0; // 0 "Anytime Before", 1 "Exactly"
    QString description;
    QString notes;
};

// The one window of ZELVDesk. It owns the pages, the server connection, the
// transaction log, the voice and all data of the current task; pages read and
// write that data here and answer Next and Back with the page to show.
class CZELVDeskSheet : public CZELVWizardSheet {
    Q_OBJECT
public:
    static constexpr const char* kBuildDate = ZELV_BUILD_DATE;
    static constexpr const char* kProgramName = "ZELVDesk";
    static constexpr uint32_t kProgramId = 13;
    static constexpr int kMaxSay = 1024;

    CZELVDeskSheet(IZELVDeskHost& host, CZELVDeskSheetSetup setup, QWidget* parent = nullptr);
    ~CZELVDeskSheet() override;

    // --- Services -----------------------------------------------------------
    IZELVDeskHost& Host() const { return m_host; }
    Prompter& GetPrompter() const { return *m_prompter; }
    ISoundPlayer& Sounds() const { return *m_sounds; }
    IZELVLauncher& Launcher() const { return *m_launcher; }
    const ZELVConfig& Config() const;
    QString Expand(const QString& text, int size) const;
    const ZELVClock& Clock() const { return *m_clock; }
    const QString& ProgramFolder() const { return m_programFolder; }
    CZELV10MFC& Connection() const { return *m_connection; }
    TransactionLog& Log() const { return *m_log; }
    // The workstation's scanning journal, beside the transaction log.
    CScanJournal& ScanJournal();
    // The server the connection goes to, as scans in the journal name it.
    QString ServerName() const;
    // The speech voice, or none (speech disabled or not available).
    IVoice* Voice() const { return m_voice.get(); }

    // Speaks a prompt of at most kMaxSay characters; silent without a voice.
    void Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SayText(const QString& text);
    // A popup notification over the sheet; false when a filter silenced it.
    bool ShowNotification(const QString& title, const QString& line1, const QString& line2 = {},
                          int icon = 0, int showDelayMs = 10000);
    // "Copied items" notice after a copy to the clipboard, with its sound.
    void ShowCopiedNotice(unsigned count);
    // Appends the configured mail recipients (options.email).
    void GetMailRecipients(QStringList* list) const;

    // --- Log and logon --------------------------------------------------------
    // Opens a new transaction log in the folder and logs on. True when the log
    // is open, whether or not the logon worked.
    bool OpenLogAndLogon(const QString& folder);
    // Logs on when the connection is not logged on yet (the menu's Customer
    // tabs need the server before any task has opened its log).
    bool EnsureLoggedOn();
    const QString& LogFolder() const { return m_logFolder; }
    void SetLogFolder(const QString& folder) { m_logFolder = folder; }
    bool IsLogFolderKnown() const { return m_logFolderKnown; }
    void SetLogFolderKnown(bool known) { m_logFolderKnown = known; }

    // --- Task data --------------------------------------------------------------
    int Task() const { return m_task; }
    void SetTask(int task) { m_task = task; }
    QString Customer() const { return m_customer.Text(); }
    QString Media() const { return m_media.Text(); }
    QString Repository() const { return m_repository.Text(); }
    void SetCustomer(const QString& id) { m_customer.Set(id); }
    void SetMedia(const QString& id) { m_media.Set(id); }
    void SetRepository(const QString& id) { m_repository.Set(id); }
    // The server library's management window for a Repository of the
    // current Customer and Media Type, modal to parent, with the changer the
    // configuration names for it. Tests run the window through the runner.
    void ManageLibrary(const ZELVREPOSITORYFULL& repository, QWidget* parent);
    void SetManageRunner(std::function<int(QDialog&)> runner) {
        m_manageRunner = std::move(runner);
    }

    const std::vector<ZELVCUSTEx>& Customers() const;
    const std::vector<ZELVMEDIASMALL>& MediaTypes() const { return m_mediaTypes; }
    const std::vector<ZELVVOLSFULL>& MediaVolumes() const { return m_mediaVolumes; }
    // The Manage page writes back what the server returns after an edit.
    std::vector<ZELVVOLSFULL>& MediaVolumes() { return m_mediaVolumes; }
    const std::vector<ZELVCLUSTERFULL>& DataClusters() const { return m_dataClusters; }
    // The current task's location list (merged by Repository); empty for a
    // task without one.
    const std::vector<ZELVREPOSITORYFULL>& Locations() const;
    // The location list of a task (Scan-In, Scan-Out, Recall, Reconciliation,
    // Library Management); none for the other tasks. The sheet keeps one per
    // task for its whole life.
    CZELV10RepositoryRows* LocationList(int task) const;
    // The location pattern the Recall, Reconciliation and Library Management
    // location pages apply ("localrepositoryfilter").
    const QString& LocationFilter() const { return m_locationFilter; }

    std::vector<CSelectedVolume>& RecallSelection() { return m_recallSelection; }
    void ClearRecallSelection() { m_recallSelection.clear(); }
    // Redirects every Volume of the Recall selection to its entry's target
    // (text1) under the Consignment, with a progress window, log entries and
    // the result list at the end. Returns how many were redirected.
    int UpdateRecallSelection(uint32_t consignment);
    // The update pass the Recall and the Move Lists share: a progress window,
    // for each of count items step(i) with its result collected (under the
    // note text() gives, else its text) and logged as "%s: %s", then the
    // completion entry and the result list. Cancelling stops before the next
    // item.
    using UpdatePassText = std::function<QString(int index, QString* note)>;
    using UpdatePassStep = std::function<CZELV10RC(int index)>;
    CZELV10RCList RunUpdatePass(int count, const UpdatePassText& text, const UpdatePassStep& step);
    CRecallValues& RecallValues() { return m_recallValues; }
    // The Send task's scan list.
    UpdateItemList& ScanList() { return m_scanList; }
    // "Customer.Media.Volume" of the known Volumes (at most 1000), read once
    // for the scanning window of the Send task.
    QStringList& LoadedVolumes() { return m_loadedVolumes; }
    // Scan-Out: the Volumes due to leave the Scan-Out Repository, and the
    // Containers chosen to carry them.
    std::vector<VOLUMEPAGE_ITEM>& SendList() { return m_sendList; }
    std::vector<CandidateContainer>& Candidates() { return m_candidates; }
    // Lists again the Volumes leaving the Scan-Out Repository.
    void BuildSendList();
    // "No-Container" for 0, the Container's Volume text when known, else empty.
    QString ContainerText(uint32_t number) const;
    // Every Container the server knows, read on demand.
    CContainerCache& ContainerCache() const { return *m_containerCache; }

    // Send defaults from the Options page.
    uint16_t ThresholdMinutes() const { return m_thresholdMinutes; }
    void SetThresholdMinutes(uint16_t minutes) { m_thresholdMinutes = minutes; }
    const CZELVDate& DefaultReturnDate() const { return m_defaultReturnDate; }
    void SetDefaultReturnDate(const CZELVDate& date) { m_defaultReturnDate = date; }
    const QDateTime& DefaultRequiredTime() const { return m_requiredTime; }
    void SetDefaultRequiredTime(const QDateTime& when) { m_requiredTime = when; }
    // The predefined Volume lists of the "setlistdirectory" folder (the
    // program's folder when none is set), read again by each call.
    int LoadPredefinedLists();
    CPredefFileList& PredefinedLists() { return m_predefLists; }

    // --- Caches -------------------------------------------------------------------
    CustomerCache& GetCustomerCache() const { return *m_customerCache; }
    MediaCache& GetMediaCache() const { return *m_mediaCache; }
    // The Repositories of one Customer and Media Type, with the operator's
    // hidden Repositories kept out of the choices.
    CZELV10RepositoryCache& RepositoryCache() const { return *m_repositoryCache; }
    // A location as the pages show it (the Repository cache's text).
    QString LocationText(const QString& customer, const QString& media, const QString& repository,
                         uint32_t slot, bool alwaysFormat = false) const;

    // --- Page chains ------------------------------------------------------------
    // Each returns the number of records and, with exactly one, selects it.
    int LoadCustomers();
    int LoadMediaTypes();
    // Scan-In, Scan-Out and Recall: the task's location count; 0 for others.
    int FillLocationList();
    int LoadMediaVolumes();
    // The template id of the page that follows.
    int FirstTaskPage();
    int AfterCustomer();
    int AfterMediaType();
    // Back targets shared by several pages: the task menu when the Customer
    // (Media Type) was chosen automatically, else its selection page.
    int CustomerBackTarget() const;
    int MediaBackTarget() const;

    // --- Warnings -----------------------------------------------------------------
    // The exit check: true when the wizard may be left (nothing unprocessed,
    // the operator agreed, or already agreed before).
    bool ConfirmExit();
    bool IsExitConfirmed() const { return m_exitConfirmed; }
    bool HasUnprocessedWork() const;
    // Back from the Media Type page: true to go back (the Recall selection is
    // then emptied), false to stay.
    bool ConfirmCustomerChange();

    CIntroPage* IntroPage() const { return m_intro; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void AddPages();

    IZELVDeskHost& m_host;
    Prompter* m_prompter;
    ISoundPlayer* m_sounds;
    IZELVLauncher* m_launcher;
    const ZELVClock* m_clock;
    QString m_programFolder;
    // Stand-ins for services the application did not give.
    std::unique_ptr<Prompter> m_ownPrompter;
    std::unique_ptr<ISoundPlayer> m_ownSounds;
    std::unique_ptr<IZELVLauncher> m_ownLauncher;

    std::unique_ptr<CZELV10MFC> m_connection;
    std::unique_ptr<TransactionLog> m_log;
    std::unique_ptr<CScanJournal> m_scanJournal;
    std::unique_ptr<IVoice> m_voice;
    QString m_logFolder;
    bool m_logFolderKnown = false;
    bool m_exitConfirmed = false;
    QDateTime m_requiredTime;

    int m_task = TaskNone;
    ZELVFixedText<kZelvCustomerIdLen> m_customer;
    ZELVFixedText<kZelvMediaIdLen> m_media;
    ZELVFixedText<kZelvRepositoryIdLen> m_repository;

    std::unique_ptr<CustomerCache> m_customerCache;
    std::unique_ptr<MediaCache> m_mediaCache;
    std::unique_ptr<CZELV10RepositoryCache> m_repositoryCache;
    std::function<int(QDialog&)> m_manageRunner;
    std::unique_ptr<CContainerCache> m_containerCache;
    std::vector<ZELVMEDIASMALL> m_mediaTypes;
    std::vector<ZELVVOLSFULL> m_mediaVolumes;
    std::vector<ZELVCLUSTERFULL> m_dataClusters;
    QString m_dataClusterCustomer;
    bool m_dataClustersLoaded = false;

    std::array<std::unique_ptr<CZELV10RepositoryRows>, 5> m_locationLists;
    QString m_locationFilter = QStringLiteral("*");
    std::vector<CSelectedVolume> m_recallSelection;
    CRecallValues m_recallValues;
    UpdateItemList m_scanList;
    QStringList m_loadedVolumes;
    std::vector<VOLUMEPAGE_ITEM> m_sendList;
    std::vector<CandidateContainer> m_candidates;
    uint16_t m_thresholdMinutes = 0;
    CZELVDate m_defaultReturnDate;
    CPredefFileList m_predefLists;

    CIntroPage* m_intro = nullptr;
};

// The sheet a page was added to, as a CZELVDeskSheet.
class CZELVWizardPage;
CZELVDeskSheet* DeskSheetOf(const CZELVWizardPage* page);
