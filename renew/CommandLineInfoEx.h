#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// ZELVRenew's positional parameters, in order: module, old build date,
// download address. Further parameters are ignored.
class CCommandLineInfoEx {
public:
    // arguments: without the program's own name.
    void Parse(const QStringList& arguments);

    QString module;
    QString oldBuildText;
    QDate oldBuild; // invalid when the text is not a date
    QString downloadAddress;
};
