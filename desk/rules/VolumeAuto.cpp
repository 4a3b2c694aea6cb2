#include "VolumeAuto.h"

#include "ZELVTextFile.h"

#include <QFileInfo>
#include <QStringList>
#include <fnmatch.h>

CZELVDate CVolumeAutoItem::Epoch() {
    CZELVDate date;
    date.SetDate(1970, 1, 1);
    return date;
}

namespace {

QStringList SplitFields(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    bool closed = false; // a closing quote ended the field: skip to the comma
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            if (closed)
                continue;
            if (quoted) {
                quoted = false;
                closed = true;
            } else {
                quoted = true;
            }
            continue;
        }
        if (c == QLatin1Char(',') && !quoted) {
            fields << field;
            field.clear();
            closed = false;
            continue;
        }
        if (!closed)
            field += c;
    }
    fields << field;
    return fields;
}

} // namespace

bool CVolumeAutoList::Load(const QString& path, const ZELVClock& clock, QString* error) {
    m_items.clear();
    if (!QFileInfo::exists(path))
        return true;
    QString text;
    if (!ZELVReadTextFile(path, kMaxBytes,
                          QStringLiteral("automatic values (pattern, date, description)"), &text,
                          error))
        return false;
    Parse(text, clock);
    return true;
}

void CVolumeAutoList::Parse(const QString& text, const ZELVClock& clock) {
    m_items.clear();
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line.truncate(kMaxLine);
        if (line.startsWith(QLatin1Char('#')) || line.isEmpty())
            continue;
        const QStringList fields = SplitFields(line);
        CVolumeAutoItem item;
        item.pattern = fields.value(0);
        if (fields.size() > 1) {
            CZELVDate date;
            if (ParseDateExpression(fields[1].trimmed(), &date, nullptr, clock))
                item.date = date;
        }
        item.description = fields.value(2);
        m_items.push_back(std::move(item));
    }
}

const CVolumeAutoItem* CVolumeAutoList::Match(const QString& volumeText,
                                              const ZELVClock& clock) const {
    CZELVDate today;
    today.SetFromTime(0, clock);
    const QByteArray text = volumeText.toUtf8();
    for (const CVolumeAutoItem& item : m_items) {
        if (DaysBetween(today, item.date) <= 0)
            continue;
        if (item.pattern.isEmpty() ||
            fnmatch(item.pattern.toUtf8().constData(), text.constData(), FNM_EXTMATCH) == 0)
            return &item;
    }
    return nullptr;
}
