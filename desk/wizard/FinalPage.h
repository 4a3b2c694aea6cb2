#pragma once

#include "ZELVDeskIds.h"
#include "ZELVDeskPage.h"
#include "ZELVPrint.h"

class QLabel;
class QPushButton;

// The final page of every task (full-page layout): closes the task's
// transaction log and offers it to view and print. Finish ends the program;
// Back returns to the task menu, and the next task writes a new log.
class CFinalPage : public CZELVDeskPage {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Kelmar Lite™ - Complete";
    static constexpr const char* kPrintTitle = "Kelmar Lite™";
    static constexpr const char* kPrintSubTitle = "Transaction Log";
    static constexpr const char* kPrintFont = "Courier New";
    static constexpr int kPrintBitmap = 201;

    CFinalPage();
    void OnSetActive() override;
    int OnWizardBack() override;

    // "&View Log File": the log opened with the desktop's program for it.
    bool ViewLog();
    // "&Print Log File": one row per line of the log.
    CZELVPrint::Result PrintLog();
    // "&About this Software".
    void ShowAbout();

    // The step that picks the printer; the print dialog unless set.
    void SetPrinterSetup(ZELVPrinterSetup setup) { m_printerSetup = std::move(setup); }
    // Sequence, time and text of one log line, as the print shows them.
    static QStringList SplitLogLine(const QString& line);

    QLabel* PathLabel() const { return m_path; }

private:
    void Tell(const QString& text, const QString& caption);

    QLabel* m_path = nullptr;
    QPushButton* m_view = nullptr;
    QPushButton* m_print = nullptr;
    ZELVPrinterSetup m_printerSetup;
};
