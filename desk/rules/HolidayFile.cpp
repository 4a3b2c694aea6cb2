#include "HolidayFile.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

bool ParseHolidayFile(const QString& text, const QString& customer,
                      std::vector<ZELVHOLIDAY>* holidays, QString* error) {
    holidays->clear();
    std::vector<ZELVHOLIDAY> out;
    QSet<QString> seen;
    static const QRegularExpression line(
        QStringLiteral("^\\s*(\\d{4})-(\\d{2})-(\\d{2})\\s*[,;\\t]\\s*(.*?)\\s*$"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString l = lines[n].trimmed();
        if (l.isEmpty() || l.startsWith(QLatin1Char('#')))
            continue;
        const auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        };
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            return fail(QStringLiteral("not \"YYYY-MM-DD,Name\""));
        ZELVHOLIDAY h;
        if (!h.day.SetDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()))
            return fail(QStringLiteral("%1 is not a day of the calendar").arg(l.left(10)));
        const QString name = m.captured(4);
        if (name.isEmpty())
            return fail(QStringLiteral("the holiday has no name"));
        if (!ZELVFixedText<kZelvHolidayNameLen>::Fits(name))
            return fail(
                QStringLiteral("the name is longer than %1 bytes").arg(kZelvHolidayNameLen));
        if (name.contains(QChar(0)) || seen.contains(l.left(10)))
            return fail(name.contains(QChar(0))
                            ? QStringLiteral("the name holds a NUL character")
                            : QStringLiteral("%1 is given twice").arg(l.left(10)));
        seen.insert(l.left(10));
        h.customerId.Set(customer);
        h.name.Set(name);
        out.push_back(h);
    }
    *holidays = std::move(out);
    return true;
}
