#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVPropertyGridCtrl.h"

#include <functional>

class CMoveDatePropertyGridProperty;
class CThresholdPropertyGridProperty;
class CZELVDate;

// A property-grid row for a folder: typed in, or picked with its button.
class CFolderPropertyGridProperty : public CZELVPropertyGridProperty {
public:
    // Offers the folder picker on the current folder; empty when cancelled.
    using Chooser = std::function<QString(const QString& current)>;

    CFolderPropertyGridProperty(const QString& name, const QString& folder,
                                const QString& description, Chooser chooser);
    void SetChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    bool HasButton() const override { return true; }
    bool OnClickButton() override;

private:
    Chooser m_chooser;
};

// The Options page: the folder of the transaction log and, for Send, the
// defaults that the Scan and Modify pages give new Volumes. What the operator
// chooses is remembered in the profile for the next session.
class COptionPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Kelmar Lite™ - Options";
    // Profile values, key "Options".
    static constexpr const char* kLogfileKey = "Options/Logfile";
    static constexpr const char* kThresholdKey = "Options/ThresholdMinutes";
    static constexpr const char* kMoveDateOffsetKey = "Options/MoveDateOffset";
    static constexpr const char* kNotSelected = "<Not Selected>";
    static constexpr const char* kLogErrorFormat = "Unable to open a log file in diretory:\n\n%s";
    static constexpr const char* kLogErrorCaption = "Log File Error";

    COptionPage();
    ~COptionPage() override;

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_INTRO; }

    // The dialogs behind the rows' buttons; the program's own unless set.
    void SetFolderChooser(CFolderPropertyGridProperty::Chooser chooser);
    void SetThresholdEditor(std::function<bool(uint16_t*)> editor);
    void SetMoveDateEditor(std::function<int(CZELVDate*)> editor);

    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    // The rows of the current activation; the Send rows are none for other tasks.
    CFolderPropertyGridProperty* FolderRow() const { return m_folder; }
    CThresholdPropertyGridProperty* ThresholdRow() const { return m_threshold; }
    CMoveDatePropertyGridProperty* NextMoveRow() const { return m_nextMove; }
    CZELVPropertyGridProperty* ListsRow() const { return m_lists; }

private:
    void Rebuild();
    QString ChooseFolder(const QString& current);
    // The list chosen in "Predefined Lists", -1 for none.
    int ChosenList() const;

    bool m_proposed = false;
    // The folder the row shows: proposed, or as the operator left it.
    QString m_entered;
    uint16_t m_thresholdMinutes = 0;
    CZELVPropertyGridCtrl* m_grid = nullptr;
    CFolderPropertyGridProperty* m_folder = nullptr;
    CThresholdPropertyGridProperty* m_threshold = nullptr;
    CMoveDatePropertyGridProperty* m_nextMove = nullptr;
    CZELVPropertyGridProperty* m_lists = nullptr;
    CFolderPropertyGridProperty::Chooser m_folderChooser;
    std::function<bool(uint16_t*)> m_thresholdEditor;
    std::function<int(CZELVDate*)> m_moveDateEditor;
};
