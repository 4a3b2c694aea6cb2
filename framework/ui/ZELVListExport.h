#pragma once

#include "ZELVAppCore.h"
#include "ZELVExport.h"

#include <QString>
#include <functional>

class QWidget;

// What the export type dialog is asked with.
struct ZELVExportTypeRequest {
    bool mailAllowed = false;
    int selected = 0;
    int total = 0;
    // Selects every row; returns the new selected count.
    std::function<int()> selectAll;
    QWidget* parent = nullptr;
};

// Everything the list export asks of the operator and the desktop: the
// dialogs and the outside programs. The program uses CZELVExportDialogs;
// tests answer with a script.
class IZELVExportUi {
public:
    virtual ~IZELVExportUi() = default;
    // False when cancelled; else the chosen export type and open-when-done.
    virtual bool ChooseType(const ZELVExportTypeRequest& request, int* type, bool* open) = 0;
    // The save dialog (asks before overwriting); empty when cancelled.
    virtual QString ChooseSavePath(QWidget* parent, int type) = 0;
    // The PDF options, preset with the stored values; false when cancelled.
    virtual bool ChoosePdfOptions(QWidget* parent, ZELVExportPDFOptions* options) = 0;
    // Starts an outside program (xdg-open, xdg-email); false when it could not start.
    virtual bool Launch(const ZELVCommand& command) = 0;
};

// The real dialogs and QProcess.
class CZELVExportDialogs : public IZELVExportUi {
public:
    bool ChooseType(const ZELVExportTypeRequest& request, int* type, bool* open) override;
    QString ChooseSavePath(QWidget* parent, int type) override;
    bool ChoosePdfOptions(QWidget* parent, ZELVExportPDFOptions* options) override;
    bool Launch(const ZELVCommand& command) override;
};
