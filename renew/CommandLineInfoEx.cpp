#include "CommandLineInfoEx.h"

#include "ZELVAppCore.h"

#include <QLocale>

void CCommandLineInfoEx::Parse(const QStringList& arguments) {
    module = arguments.value(0);
    oldBuildText = arguments.value(1);
    downloadAddress = arguments.value(2);
    // The caller's build date is in the compiler's form ("Aug 14 2018"); a
    // date typed by hand may be in the user's own short form.
    oldBuild = CZELVAppCore::BuildDay(oldBuildText);
    if (!oldBuild.isValid())
        oldBuild = QLocale::system().toDate(oldBuildText.trimmed(), QLocale::ShortFormat);
}
