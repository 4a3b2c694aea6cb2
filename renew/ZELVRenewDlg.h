#pragma once

#include "CommandLineInfoEx.h"
#include "ZELVPackageUpgrade.h"

#include <QDialog>

class CRSSListCtrl;
class CZELVPropertyGridCtrl;
class CZELVPropertyGridProperty;
class CZELVWinApp;
class QLabel;
class QMenu;
class QProgressDialog;

// ZELVRenew's one dialog: the module's change history from the release feed,
// what is being upgraded (download address, module, age of the installed
// build) and the installer options; OK downloads, checks and installs.
class CZELVRenewDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Kelmar Upgrade Utility";
    static constexpr const char* kInstallErrorCaption = "Install Error";

    // Nothing is owned; the app gives the feed, the prompter and the clock.
    CZELVRenewDlg(CZELVWinApp& app, CZELVPackageUpgrade& upgrade, const CCommandLineInfoEx& info,
                  QWidget* parent = nullptr);
    ~CZELVRenewDlg() override;

    // Reads the feed of the "Module" property's module into the change list.
    void LoadChangeLog();
    // OK: the upgrade with the grid's current "URL" and "MSI Properties";
    // the dialog closes only when the package was installed.
    void accept() override;

    CRSSListCtrl* ChangeList() const { return m_list; }
    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    // Why the change list is empty, or empty.
    QString FeedStatus() const;
    const CZELVPackageUpgrade::Result& LastResult() const { return m_last; }

private:
    void FillGrid(const CCommandLineInfoEx& info);
    bool OnProgress(qint64 received, qint64 total);

    CZELVWinApp& m_app;
    CZELVPackageUpgrade& m_upgrade;
    CRSSListCtrl* m_list = nullptr;
    CZELVPropertyGridCtrl* m_grid = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_menu = nullptr;
    QProgressDialog* m_progress = nullptr;
    CZELVPropertyGridProperty* m_url = nullptr;
    CZELVPropertyGridProperty* m_module = nullptr;
    CZELVPropertyGridProperty* m_msiProperties = nullptr;
    CZELVPackageUpgrade::Result m_last;
};
