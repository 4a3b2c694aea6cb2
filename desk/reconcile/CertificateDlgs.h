#pragma once

#include "ZELV10AuditRecords.h"
#include "ZELV10RC.h"
#include "ZELVClock.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QDialog>
#include <functional>
#include <vector>

class CZELV10MFC;
class CZELV10UpdateStatsGridCtrl;
class CZELVPropertyGridCtrl;
class QLabel;
class QPushButton;
class QTabWidget;

// How a page shows its modal dialogs; tests answer them without a loop.
using ZelvDialogRunner = std::function<int(QDialog&)>;

// The items of one certificate, with a filter bar on the header.
class CCertificatePropertiesListCtrl : public CZELVListCtrl {
    Q_OBJECT
public:
    enum Column { ColVolume = 0, ColStatus };
    explicit CCertificatePropertiesListCtrl(QWidget* parent = nullptr);
    ~CCertificatePropertiesListCtrl() override;
    void SetItems(std::vector<ZELV10CERTIFICATIONITEM> items);

private:
    class Rows : public CZELVPointerRows<const ZELV10CERTIFICATIONITEM> {
    public:
        QString Text(int row, int column) const override;
    };
    void BuildShown();
    std::vector<ZELV10CERTIFICATIONITEM> m_items;
    Rows m_rows;
};

// Certificate Properties (dialog 387): the scope, status and results of one
// certificate, who made it, and its items.
class CCertificatePropertiesDlg : public QDialog {
    Q_OBJECT
public:
    CCertificatePropertiesDlg(CZELV10MFC& connection, const ZELV10CERTIFICATIONKey& key,
                              const ZELVClock& clock, QWidget* parent = nullptr);
    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    CZELV10UpdateStatsGridCtrl* UpdateStats() const { return m_stats; }
    CCertificatePropertiesListCtrl* Items() const { return m_items; }
    QTabWidget* Tabs() const { return m_tabs; }

private:
    CZELVPropertyGridCtrl* m_grid = nullptr;
    CZELV10UpdateStatsGridCtrl* m_stats = nullptr;
    CCertificatePropertiesListCtrl* m_items = nullptr;
    QTabWidget* m_tabs = nullptr;
};

// Create Certificate (dialog 384): one certificate of the finished audit,
// with the operator's description. OK only after the server was asked.
class CCertificateCreateDlg : public QDialog {
    Q_OBJECT
public:
    CCertificateCreateDlg(CZELV10MFC& connection, const QString& customer, const QString& media,
                          const QString& repository, QWidget* parent = nullptr);
    // The "Create Certificate" button.
    void CreateCertificate();
    void SetDescription(const QString& text);
    bool IsCreated() const { return m_created; }
    const CZELV10RC& Result() const { return m_result; }
    const ZELV10CERTIFICATIONKey& Key() const { return m_key; }
    CZELVPropertyGridCtrl* Grid() const { return m_grid; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* CreateButton() const { return m_create; }
    QLabel* StatusArea() const { return m_status; }

private:
    CZELV10MFC& m_connection;
    QString m_customer, m_media, m_repository;
    CZELVPropertyGridCtrl* m_grid = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_create = nullptr;
    QLabel* m_status = nullptr;
    bool m_created = false;
    CZELV10RC m_result{ZELV10RC_NOTREAD};
    ZELV10CERTIFICATIONKey m_key;
};
