#pragma once

#include "ZELVConfig.h"
#include "ZELVServerAddress.h"

#include <QString>

class QSettings;
class QWidget;

// What the wizard sheet asks of the application object, which owns the
// parsed configuration, the variable store and the open notifications. The
// sheet reaches them through this interface so that tests can stand in for
// the application without starting one.
class IZELVDeskHost {
public:
    virtual ~IZELVDeskHost() = default;

    // Reads the configuration file (ZELVCONFIGFILE may name another one). A
    // file that cannot be read is reported to the operator once; every setting
    // then keeps its default.
    virtual bool LoadConfig(const QString& path, QWidget* parent) = 0;
    virtual const ZELVConfig& Config() const = 0;
    // Expands "$name" and "%NAME" references; the result stays below size characters.
    virtual QString Expand(const QString& text, int size) = 0;
    // A popup notification unless a configured filter silences it; returns
    // whether it was shown.
    virtual bool ShowNotification(QWidget* owner, const QString& title, const QString& line1,
                                  const QString& line2, int icon, int showDelayMs) = 0;
    // The assistance request (mail to support, or the support web site).
    virtual void GetAssistance(QWidget* owner) = 0;
    virtual void ShowAbout() = 0;
    // The server named on the command line or in ZELVDEFAULTSERVER; empty for
    // the embedded database.
    virtual ZELVServerAddress DefaultServer() const = 0;
    // The per-user profile (the program's registry area): values the pages
    // remember between sessions.
    virtual QSettings& Profile() = 0;
};
