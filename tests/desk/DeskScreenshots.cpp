// Renders the README's pictures from the real program: the wizard sheet on a
// demo database, driven as an operator would, each window grabbed as it
// stands. Run by scripts/screenshots.sh under Xvfb:
//   desk_screenshots OUTPUT_FOLDER SERVER_ADDRESS [LOG_PDF]
#include "DeskTestSupport.h"
#include "FinalPage.h"
#include "IntroPage.h"
#include "OptionPage.h"
#include "ZELV10ScanDlg.h"
#include "ZELVPopup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTest>
#include <QTextStream>
#include <cstdio>

namespace {

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

bool Save(QWidget* widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    QTest::qWait(400);
    const QString path = QDir(folder).filePath(name);
    if (!widget || !widget->grab().save(path)) {
        Err() << "desk_screenshots: could not write " << path << Qt::endl;
        return false;
    }
    Err() << "desk_screenshots: wrote " << path << Qt::endl;
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

template <typename T> T* PageOf(CZELVDeskSheet& sheet, int id) {
    return qobject_cast<T*>(sheet.GetPage(sheet.FindPage(id)));
}

// Barcodes for the scanning window: two Volumes on their way in, one at
// rest, one the server does not know, and one that is no Volume at all.
QStringList ScanBarcodes(CZELV10MFC& mfc) {
    std::vector<ZELVVOLSFULL> volumes;
    QStringList moving, resting;
    if (mfc.List(&volumes, QStringLiteral("ACME"), QStringLiteral("LTO6")).IsOK()) {
        for (const ZELVVOLSFULL& v : volumes) {
            const bool incoming = (v.vol.flags & ZELVVOL_MOVING) &&
                                  v.vol.Target().repositoryId.Text() == QStringLiteral("DC01");
            QStringList& into = incoming ? moving : resting;
            if (into.size() < 2)
                into.append(v.key.volumeId.Text());
        }
    }
    QStringList barcodes = moving;
    if (!resting.isEmpty())
        barcodes.append(resting.first());
    barcodes.append(QStringLiteral("Z999999"));
    barcodes.append(QStringLiteral("ACME.LTO6.TOO-LONG-FOR-A-VOLUME"));
    return barcodes;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareDeskTestEnvironment();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        Err() << "usage: desk_screenshots OUTPUT_FOLDER SERVER_ADDRESS [LOG_PDF]" << Qt::endl;
        return 2;
    }
    const QString out = args.at(1);
    const QString address = args.at(2);
    QDir().mkpath(out);
    bool ok = true;

    DeskRun run;
    const QString logs = run.NewFolder(QStringLiteral("logs"));
    run.WriteConfig(
        QStringLiteral("options = { disablespeech = true; logfile = \"%1\"; };").arg(logs));
    WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-tuesday.txt")),
              "# Tuesday vault pick-up\nA000015\nA000035\nA000055\n");
    WriteFile(QDir(run.ProgramFolder()).filePath(QStringLiteral("List-monthend.txt")),
              "# Month-end archive set\nB000002\nB000004\n");
    run.App().Profile().setValue(QStringLiteral("Options/ThresholdMinutes"), 1500);
    run.App().Profile().setValue(QStringLiteral("Options/MoveDateOffset"), 7);

    CZELVDeskSheet& sheet = run.Start({address});
    sheet.resize(900, 660);
    sheet.move(40, 40);
    ok = Save(&sheet, out, QStringLiteral("task-menu.png")) && ok;

    // Send always asks for its options.
    run.ChooseTask(QStringLiteral("Send"));
    if (auto* options = PageOf<COptionPage>(sheet, IDD_OPTIONS)) {
        if (options->ListsRow())
            options->Grid()->SetCurSel(options->ListsRow());
    }
    ok =
        run.ActivePageId() == IDD_OPTIONS && Save(&sheet, out, QStringLiteral("options.png")) && ok;

    // Scan-In with a configured log folder: the bypass notification.
    sheet.GoBack();
    DeskRun::Flush();
    run.ChooseTask(QStringLiteral("Scan-In"));
    const auto popups = run.App().Popups().OpenPopups();
    ok = !popups.empty() && Save(popups.front(), out, QStringLiteral("popup.png")) && ok;

    // The scanning window as a page opens it: each scan is matched against
    // the Volumes moving into the data centre.
    ZELVSCANVOLUMEARGS scanArgs;
    scanArgs.customerId = "ACME";
    scanArgs.mediaId = "LTO6";
    CZELV10MFC& mfc = sheet.Connection();
    scanArgs.notify = [&mfc](const CZELV10RC& parsed, const ZELV10BARCODEPARSED& item) -> uint32_t {
        if (!parsed.IsOK())
            return parsed.Code();
        ZELVVOLS vol;
        const CZELV10RC rc =
            mfc.Get(&vol, item.customerId.Text(), item.mediaId.Text(), item.volumeId.Text());
        if (!rc.IsOK())
            return rc.Code();
        const bool incoming = (vol.flags & ZELVVOL_MOVING) &&
                              vol.Target().repositoryId.Text() == QStringLiteral("DC01");
        return incoming ? 0u : 61u;
    };
    {
        CZELV10ScanDlg scan(mfc, scanArgs, QStringLiteral("Scan-In"), &sheet);
        scan.resize(560, 420);
        scan.show();
        for (const QString& barcode : ScanBarcodes(mfc))
            scan.SubmitBarcode(barcode);
        ok = Save(&scan, out, QStringLiteral("scanning-window.png")) && ok;
        scan.close();
    }

    sheet.Log().Write("Scan-In: Scanning complete");
    sheet.SetActivePageById(IDD_FINAL);
    ok = Save(&sheet, out, QStringLiteral("final-page.png")) && ok;

    if (args.size() > 3) {
        auto* final = PageOf<CFinalPage>(sheet, IDD_FINAL);
        const QString pdf = args.at(3);
        final->SetPrinterSetup([pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        ok = final->PrintLog() == CZELVPrint::Result::Printed && ok;
    }
    return ok ? 0 : 1;
}
