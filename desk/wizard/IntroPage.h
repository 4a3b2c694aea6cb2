#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"

#include <QComboBox>
#include <array>
#include <functional>
#include <vector>

class CIntroProperties;
class QFrame;
class QTabBar;
class QTimer;
class ZELVConfig;

// One entry of the task menu.
struct CIntroPageOp {
    int code = 0;        // task code; TaskCommand for a configured command
    QString text;        // shown in the list
    QString command;     // configured commands: the expanded command line
    int sequence = 0;    // sort key
    int description = 0; // string id of the description
    int image = 0;       // index into the icon set
    QStringList filters; // configured commands: their "filters" strings
    bool shell = false;  // configured commands: run by /bin/sh
};

// The task drop-down: reports when it opens, as the page plays a sound then.
class CIntroTaskList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

Q_SIGNALS:
    void DroppedDown();
};

// The task menu, the first page of the wizard: the operator picks a task from
// a drop-down; below it each Customer has a tab with its figures and chart.
class CIntroPage : public CZELVDeskPage {
    Q_OBJECT
public:
    // Timer 1 prompts by voice, timer 2 then opens the list.
    static constexpr int kPromptTimer = 1;
    static constexpr int kDropTimer = 2;
    static constexpr int kPromptDelayMs = 5000;
    static constexpr int kDropDelayMs = 3000;
    static constexpr const char* kPrompt = "Please select a Library Management Task";
    static constexpr const char* kScsiProgram = "ZELVGUI_SCSI";
    static constexpr const char* kExcelImportProgram = "ZELVExcelImport";
    static constexpr const char* kUsersGuide = "users-guide.md";
    static constexpr int kMaxCommand = 1024;
    // Icon resources, in image-index order.
    static constexpr std::array<int, 17> kIconSet = {325, 236, 331, 349, 342, 353, 356, 358, 233,
                                                     332, 333, 373, 366, 395, 321, 399, 400};

    CIntroPage();
    ~CIntroPage() override;

    // The entries for a configuration: built-in tasks with their overrides,
    // then the configured commands, sorted by sequence, largest first (the
    // list shows them the other way round). expand(text, size) expands
    // variables.
    static std::vector<CIntroPageOp>
    BuildEntries(const ZELVConfig& config,
                 const std::function<QString(const QString&, int)>& expand);

    void OnSetActive() override;
    int OnWizardNext() override;

    // Built on the first activation.
    const std::vector<CIntroPageOp>& Entries() const { return m_entries; }
    // The entry a list row stands for; none for a row out of range.
    const CIntroPageOp* EntryAt(int row) const;
    // The texts in list order.
    QStringList ListTexts() const;
    CIntroTaskList* TaskList() const { return m_list; }
    // The operator picks a row (the list's own signal also lands here).
    void ChooseRow(int row);

    QTimer* Timer(int id) const;
    void OnTimer(int id);

    QTabBar* CustomerTabs() const { return m_tabs; }
    CIntroProperties* Properties() const { return m_properties; }
    // The Customers that got a tab, in tab order.
    const std::vector<ZELVCUSTEx>& TabCustomers() const { return m_tabCustomers; }

    // The users guide beside the program or in the installed documentation;
    // empty when none is found.
    QString FindUsersGuide() const;
    // The server address as text, for components that connect on their own.
    static QString AddressText(const ZELVServerAddress& address);

private:
    void OnInitDialog();
    void FillList();
    void BuildCustomerTabs();
    void OnTabChanged(int index);
    int ChooseLogFolder();
    void RunCommand(const CIntroPageOp& op);
    void ResetOwnPassword();
    void StartScsiConsole();
    void StartExcelImport();
    void OpenUsersGuide();
    void Tell(const QString& text, const QString& caption);

    bool m_initialized = false;
    std::vector<CIntroPageOp> m_entries;
    CIntroTaskList* m_list = nullptr;
    QTimer* m_promptTimer = nullptr;
    QTimer* m_dropTimer = nullptr;
    QFrame* m_customerFrame = nullptr;
    QTabBar* m_tabs = nullptr;
    CIntroProperties* m_properties = nullptr;
    std::vector<ZELVCUSTEx> m_tabCustomers;
};
