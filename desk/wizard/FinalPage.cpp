#include "FinalPage.h"

#include "ZELVDeskHost.h"
#include "ZELVLauncher.h"
#include "ZELVPrompter.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

CFinalPage::CFinalPage() : CZELVDeskPage(IDD_FINAL) {
    SetHideHeader(true);
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QString::fromUtf8(kCaption), this);
    caption->setObjectName(QStringLiteral("pageName"));
    QFont font = caption->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    caption->setFont(font);
    layout->addWidget(caption);
    layout->addSpacing(12);

    auto* intro = new QLabel(
        QStringLiteral("The task is complete. Its transaction log has been written to:"), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("logPath"));
    m_path->setTextFormat(Qt::PlainText);
    m_path->setWordWrap(true);
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_path);
    layout->addSpacing(12);

    auto* buttons = new QHBoxLayout;
    m_view = new QPushButton(QStringLiteral("&View Log File"), this);
    m_view->setObjectName(QStringLiteral("viewLogButton"));
    m_print = new QPushButton(QStringLiteral("&Print Log File"), this);
    m_print->setObjectName(QStringLiteral("printLogButton"));
    auto* about = new QPushButton(QStringLiteral("&About this Software"), this);
    about->setObjectName(QStringLiteral("aboutButton"));
    buttons->addWidget(m_view);
    buttons->addWidget(m_print);
    buttons->addWidget(about);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addSpacing(12);
    auto* next = new QLabel(QStringLiteral("Click Finish to close Kelmar Lite, or Back to choose "
                                           "another task."),
                            this);
    next->setWordWrap(true);
    layout->addWidget(next);
    layout->addStretch(1);

    connect(m_view, &QPushButton::clicked, this, [this] { ViewLog(); });
    connect(m_print, &QPushButton::clicked, this, [this] { PrintLog(); });
    connect(about, &QPushButton::clicked, this, &CFinalPage::ShowAbout);
}

void CFinalPage::OnSetActive() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return;
    sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizFinish);
    // The task is over: its log gets its end line now, not when the program ends.
    sheet->Log().Close();
    const QString path = sheet->Log().Path();
    m_path->setText(path.isEmpty() ? QStringLiteral("(no log file was written)") : path);
    m_view->setEnabled(!path.isEmpty());
    m_print->setEnabled(!path.isEmpty());
}

int CFinalPage::OnWizardBack() {
    if (CZELVDeskSheet* sheet = Desk()) {
        sheet->SetWizardButtons(CZELVWizardSheet::WizBack | CZELVWizardSheet::WizNext);
        sheet->ClearRecallSelection();
    }
    return IDD_INTRO;
}

void CFinalPage::Tell(const QString& text, const QString& caption) {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->GetPrompter().Tell(text, caption, PromptIcon::Information, this);
}

bool CFinalPage::ViewLog() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return false;
    const QString path = sheet->Log().Path();
    const QString caption = QStringLiteral("View Log File");
    if (path.isEmpty()) {
        Tell(QStringLiteral("No log file was written for this task."), caption);
        return false;
    }
    if (!sheet->Launcher().OpenUrl(QUrl::fromLocalFile(path))) {
        Tell(QStringLiteral("No program was found to open the log file:\n\n%1").arg(path), caption);
        return false;
    }
    return true;
}

QStringList CFinalPage::SplitLogLine(const QString& line) {
    // "NNNNNN-HH:MM:SS text"
    return {line.left(6), line.mid(7, 8), line.mid(16)};
}

CZELVPrint::Result CFinalPage::PrintLog() {
    CZELVDeskSheet* sheet = Desk();
    if (!sheet)
        return CZELVPrint::Result::Failed;
    sheet->Log().Flush();
    const QString path = sheet->Log().Path();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        Tell(QStringLiteral("The log file could not be read:\n\n%1").arg(path),
             QStringLiteral("Print Log File"));
        return CZELVPrint::Result::Failed;
    }
    QStringList lines;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.append(line);
    }
    file.close();

    CZELVListPrint print(sheet->GetPrompter(), sheet->Clock());
    print.SetTitle(QString::fromUtf8(kPrintTitle));
    print.SetSubTitle(QString::fromLatin1(kPrintSubTitle));
    print.SetBitmap(kPrintBitmap);
    print.SetFontFace(QString::fromLatin1(kPrintFont));
    print.AddColumn(QStringLiteral("Sequence"), 1, 6);
    print.AddColumn(QStringLiteral("Time"), 1, 8);
    print.AddColumn(QStringLiteral("Text"), 8);
    // The log numbers its own lines.
    print.SetRowNumbers(false);
    if (m_printerSetup)
        print.SetPrinterSetup(m_printerSetup);
    return print.Print(
        int(lines.size()),
        [&lines](int row, QStringList* texts) { *texts = SplitLogLine(lines[row - 1]); }, this);
}

void CFinalPage::ShowAbout() {
    if (CZELVDeskSheet* sheet = Desk())
        sheet->Host().ShowAbout();
}
