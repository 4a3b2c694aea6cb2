#pragma once

#include "ScanJournal.h"
#include "ZELV10ScanDlg.h"
#include "ZELVDeskPage.h"

class CVolumeRecord;
class CZELVLogListCtrl;
class CZELVPairStatic;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;

// Pauses a widget's painting while its rows change under it.
class CRedrawPause {
public:
    explicit CRedrawPause(QWidget* widget);
    ~CRedrawPause();
    CRedrawPause(const CRedrawPause&) = delete;
    CRedrawPause& operator=(const CRedrawPause&) = delete;

private:
    QWidget* m_widget;
    bool m_wasEnabled;
};

// What every scanning page has: the instruction text, the "Customer" and
// Repository caption pairs with the "Scan" button, a tab control holding the
// page's list and its scan log, a side panel, and timer 1 that opens the
// scanning window a second after activation.
class CScanPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr int kScanTimer = 1;
    static constexpr int kScanDelayMs = 1000;
    static constexpr int kScanButtonIcon = 371;
    static constexpr int kNotInListSound = 232;
    static constexpr int kScanErrorIcon = 356;

    // repositoryLabel: the caption of the Repository pair ("To Repository").
    CScanPage(int templateId, const QString& intro, const QString& repositoryLabel);

    void OnKillActive() override;

    QTimer* Timer(int id) const;
    // Timer 1: stops it and opens the scanning window.
    virtual void OnTimer(int id);
    // Opens the scanning window (F10, the "Scan" button, timer 1) and returns
    // when the operator closes it. One window at a time.
    void OpenScanWindow();
    // What the scanning window is given.
    virtual ZELVSCANVOLUMEARGS ScanArgs() = 0;

    CZELVLogListCtrl* ScanLog() const { return m_scanLog; }
    QTabWidget* Tabs() const { return m_tabs; }
    CZELVPairStatic* CustomerPair() const { return m_customerPair; }
    CZELVPairStatic* RepositoryPair() const { return m_repositoryPair; }
    QPushButton* ScanButton() const { return m_scanButton; }

    // The scanning journal: while the server cannot be reached, scans are
    // kept on this workstation and replayed when it is back.
    static constexpr int kJournalRetryMs = 5000;
    QLabel* JournalBanner() const { return m_journalBanner; }
    // Replays what the journal holds for this page's task and server, if the
    // server can be reached; true when nothing of it is left waiting.
    bool ReplayJournal();
    // Whether a result means the server is away (the scan belongs in the journal).
    static bool ServerIsAway(const CZELV10RC& rc);

protected:
    // The window's caption, and what follows once the operator closed it.
    virtual QString ScanCaption() const = 0;
    virtual void OnScanWindowOpening() {}
    virtual void OnScanWindowClosed() {}
    // Puts the page together: list in the first tab, the scan log in the
    // second (labelled logTab), the side panel (if any) to the right.
    void BuildLayout(QWidget* list, const QString& logTab, QWidget* side);
    // Arguments with the sheet's Customer and configuration and the Media of
    // the given key (empty for none).
    ZELVSCANVOLUMEARGS BaseScanArgs(const QString& media);
    void SetListTabLabel(const QString& text);
    // Customer and Repository with their names.
    void FillCaptionPairs();
    void StartScanTimer();
    // A "Scan Error" notification.
    void ShowScanError(const QString& line1, const QString& line2);
    bool IsScanning() const { return m_scanning; }

    // The task name entries of this page carry ("Scan-In"); empty: the page
    // keeps no journal.
    virtual QString JournalTask() const { return QString(); }
    // How the entry's Volume reads now. Changed: someone changed it after
    // the scan; Failed: it cannot be read (problem says why for both).
    enum class ReplayRead { Current, Changed, Failed };
    // One entry of this page's task on its way back to the server, its
    // Volume read already (the server was there): written through the
    // page's own rules when Current, else reported, never overwritten.
    virtual CScanJournal::Outcome ReplayEntry(const ScanJournalEntry& entry, CVolumeRecord& record,
                                              ReplayRead read, const QString& problem) {
        (void)entry;
        (void)record;
        (void)read;
        (void)problem;
        return CScanJournal::Outcome::Keep;
    }
    // Keeps a scan in the journal (container: the Container it goes into, 0
    // none); false (and the reason shown) when even that failed.
    bool KeepInJournal(const CVolumeKey& key, const QString& repository, quint64 version,
                       quint32 container = 0);
    // The banner's text for the entries waiting; hidden when none.
    void ShowJournalState();

private:
    // Reads the entry's Volume and hands it to ReplayEntry; Stop when the
    // server is away again.
    CScanJournal::Outcome ReplayOne(const ScanJournalEntry& entry);

    CZELVLogListCtrl* m_scanLog = nullptr;
    QTabWidget* m_tabs = nullptr;
    CZELVPairStatic* m_customerPair = nullptr;
    CZELVPairStatic* m_repositoryPair = nullptr;
    QPushButton* m_scanButton = nullptr;
    QTimer* m_timer = nullptr;
    QString m_intro;
    bool m_scanning = false;
    QLabel* m_journalBanner = nullptr;
    QTimer* m_journalTimer = nullptr;
    bool m_replaying = false;
};
