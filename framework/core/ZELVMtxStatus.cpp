#include "ZELVMtxStatus.h"

#include <QRegularExpression>

namespace {

// "  Storage Changer /dev/sg3:2 Drives, 24 Slots ( 1 Import/Export )"
const QRegularExpression& HeaderPattern() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*Storage Changer\s+(.*?)\s*:\s*(\d+)\s+Drives?\s*,\s*(\d+)\s+Slots?)"
                       R"((?:\s*\(\s*(\d+)\s+Import/Export\s*\))?)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// "Data Transfer Element 0:Full (Storage Element 3 Loaded):VolumeTag = A00003L6"
const QRegularExpression& DrivePattern() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*Data Transfer Element\s+(\d+)\s*:\s*(Full|Empty)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// "      Storage Element 24 IMPORT/EXPORT:Full :VolumeTag=CLN001L1"
const QRegularExpression& SlotPattern() {
    static const QRegularExpression re(
        QStringLiteral(
            R"(^\s*Storage Element\s+(\d+)(\s+IMPORT/EXPORT)?\s*:\s*(Full|Empty)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& LoadedPattern() {
    static const QRegularExpression re(
        QStringLiteral(R"(\(\s*Storage Element\s+(\d+)\s+Loaded\s*\))"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// The value after "NAME =" up to the next ":" field or the line's end.
QString Field(const QString& rest, const QString& name) {
    const QRegularExpression re(QStringLiteral(R"((?:^|:)\s*%1\s*=\s*([^:]*))").arg(name),
                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(rest);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

bool ToInt(const QString& text, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (ok)
        *out = v;
    return ok;
}

} // namespace

const ZELVChangerElement* ZELVChangerStatus::Storage(int number) const {
    for (const ZELVChangerElement& e : elements)
        if (e.kind == ZELVChangerElement::Storage && e.number == number)
            return &e;
    return nullptr;
}

const ZELVChangerElement* ZELVChangerStatus::Drive(int number) const {
    for (const ZELVChangerElement& e : elements)
        if (e.kind == ZELVChangerElement::DataTransfer && e.number == number)
            return &e;
    return nullptr;
}

int ZELVChangerStatus::CountStorage() const {
    int n = 0;
    for (const ZELVChangerElement& e : elements)
        n += e.kind == ZELVChangerElement::Storage;
    return n;
}

int ZELVChangerStatus::CountFullStorage() const {
    int n = 0;
    for (const ZELVChangerElement& e : elements)
        n += e.kind == ZELVChangerElement::Storage && e.full;
    return n;
}

bool ZELVParseMtxStatus(const QString& text, ZELVChangerStatus* out, QString* why) {
    ZELVChangerStatus status;
    bool header = false;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        QRegularExpressionMatch m = HeaderPattern().match(line);
        if (m.hasMatch() && !header) {
            int drives = 0, slotCount = 0;
            if (ToInt(m.captured(2), &drives) && ToInt(m.captured(3), &slotCount)) {
                header = true;
                status.device = m.captured(1);
                status.drives = drives;
                status.slotCount = slotCount;
                if (m.capturedLength(4) > 0)
                    ToInt(m.captured(4), &status.importExportSlots);
                continue;
            }
        }
        ZELVChangerElement e;
        QString rest;
        if (m = DrivePattern().match(line); m.hasMatch()) {
            e.kind = ZELVChangerElement::DataTransfer;
            rest = m.captured(3);
            e.full = m.captured(2).compare(QLatin1String("Full"), Qt::CaseInsensitive) == 0;
            const QRegularExpressionMatch loaded = LoadedPattern().match(rest);
            if (loaded.hasMatch())
                ToInt(loaded.captured(1), &e.loadedFrom);
            if (!ToInt(m.captured(1), &e.number)) {
                status.unparsed.append(line);
                continue;
            }
        } else if (m = SlotPattern().match(line); m.hasMatch()) {
            e.kind = ZELVChangerElement::Storage;
            e.importExport = m.capturedLength(2) > 0;
            e.full = m.captured(3).compare(QLatin1String("Full"), Qt::CaseInsensitive) == 0;
            rest = m.captured(4);
            if (!ToInt(m.captured(1), &e.number)) {
                status.unparsed.append(line);
                continue;
            }
        } else {
            status.unparsed.append(line);
            continue;
        }
        if (e.full) {
            e.volumeTag = Field(rest, QStringLiteral("VolumeTag"));
            e.alternateVolumeTag = Field(rest, QStringLiteral("AlternateVolumeTag"));
        }
        status.elements.push_back(std::move(e));
    }
    if (!header && status.elements.empty()) {
        if (why)
            *why = QStringLiteral("The changer's answer holds no status lines.");
        return false;
    }
    *out = std::move(status);
    return true;
}

bool ZELVVolumeTagMatches(const QString& volumeTag, const QString& volumeId) {
    const QString tag = volumeTag.trimmed();
    const QString id = volumeId.trimmed();
    if (tag.isEmpty() || id.isEmpty())
        return false;
    if (tag.compare(id, Qt::CaseInsensitive) == 0)
        return true;
    return tag.size() == id.size() + 2 && tag.startsWith(id, Qt::CaseInsensitive);
}
