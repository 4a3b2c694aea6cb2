#pragma once

#include "ZELVDeskPage.h"
#include "ZELVListCtrl.h"
#include "ZELVListModel.h"

#include <QHash>
#include <vector>

class CUpdatePageApply;
class QMenu;
class QProgressBar;
class QTimer;

// Apply and Verify: a second after it shows, every scan-list entry goes to
// the server, then each is read back into the verification report.
class CUpdatePageApply : public CZELVDeskPage {
    Q_OBJECT
public:
    enum Column { ColVolume = 0, ColCurrent, ColTarget, ColNextMove, ColDescription, ColStatus };
    static constexpr int kDelayMs = 1000;
    static constexpr int kRepositoryImageBase = 2;

    CUpdatePageApply();
    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override { return IDD_UPDATE; }

    // The update and the verification (the timer's work).
    void Run();
    int Phase() const { return m_phase; }
    CZELVListCtrl* List() const { return m_list; }
    QProgressBar* UpdateProgress() const { return m_update; }
    QProgressBar* VerifyProgress() const { return m_verify; }
    QTimer* Timer() const { return m_timer; }
    QMenu* Menu() const { return m_menu; }
    // The result list of the last run.
    int OKCount() const { return m_ok; }
    int NotOKCount() const { return m_notOK; }

private:
    class Rows : public CZELVListRows {
    public:
        explicit Rows(CUpdatePageApply& page) : m_page(page) {}
        int RowCount() const override { return m_count; }
        QString Text(int row, int column) const override;
        int Image(int row, int column) const override;
        QColor TextColour(int row) const override;
        int m_count = 0;

    private:
        CUpdatePageApply& m_page;
    };

    const std::vector<ZELVCLUSTERFULL>& ClustersOf(const QString& customer);
    // A Repository's name and image as the Repository cache gives them,
    // kept per Customer, Media and Repository: the cache holds one pair at
    // a time, and a list of several Media Types would read it again for
    // every cell painted.
    struct Place {
        QString name;
        int image = -1;
    };
    const Place& PlaceOf(const QString& customer, const QString& media, const QString& repository);

    CZELVListCtrl* m_list = nullptr;
    Rows m_rows{*this};
    QProgressBar* m_update = nullptr;
    QProgressBar* m_verify = nullptr;
    QTimer* m_timer = nullptr;
    QMenu* m_menu = nullptr;
    int m_phase = 0;
    int m_ok = 0;
    int m_notOK = 0;
    QHash<QString, std::vector<ZELVCLUSTERFULL>> m_clusters;
    QHash<QString, Place> m_places;
};
