#include "ZELVLabelRules.h"

#include "ZELVConfig.h"

namespace {

// The label as printed: the part after "Customer.Media." when the barcode has it.
QString LabelOf(const QString& barcode, bool uppercase) {
    QString label = barcode.trimmed();
    const qsizetype dot = label.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        label = label.mid(dot + 1);
    return uppercase ? label.toUpper() : label;
}

} // namespace

ZELVLabelRules::ZELVLabelRules(const ZELVConfig* config) {
    if (!config)
        return;
    m_uppercase = config->LookupBool(QStringLiteral("barcode/uppercase")).value_or(false);
    const ZELVSetting labels = config->Lookup(QStringLiteral("labels"));
    if (!labels)
        return;
    const auto where = [](const ZELVSetting& s) {
        return s.Line() > 0 ? QStringLiteral("line %1: ").arg(s.Line()) : QString();
    };
    const ZELVSetting refuse = labels.Member(QStringLiteral("refuse"));
    for (int i = 0; i < refuse.Count(); ++i) {
        const ZELVSetting r = refuse.At(i);
        Refusal entry{r.String(QStringLiteral("prefix")).value_or(QString()),
                      r.String(QStringLiteral("reason")).value_or(QString())};
        if (entry.prefix.trimmed().isEmpty()) {
            m_problems << where(r) + QStringLiteral("labels/refuse: an entry without a prefix "
                                                    "would refuse every barcode; left out");
            continue;
        }
        if (entry.reason.isEmpty())
            entry.reason = QStringLiteral("labels starting with %1 are refused").arg(entry.prefix);
        if (m_uppercase)
            entry.prefix = entry.prefix.toUpper();
        m_refusals.push_back(entry);
    }
    const ZELVSetting media = labels.Member(QStringLiteral("media"));
    for (int i = 0; i < media.Count(); ++i) {
        const ZELVSetting m = media.At(i);
        MediaRule rule;
        rule.media = m.String(QStringLiteral("media")).value_or(QString());
        const long long length = m.Int(QStringLiteral("length")).value_or(0);
        rule.suffix = m.String(QStringLiteral("suffix")).value_or(QString());
        if (rule.media.isEmpty()) {
            m_problems << where(m) + QStringLiteral("labels/media: an entry without a media "
                                                    "type; left out");
            continue;
        }
        if (length < 0 || length > 10) {
            m_problems << where(m) + QStringLiteral("labels/media: the length of %1 must be 1 "
                                                    "to 10 (a Volume-ID's); left out")
                                         .arg(rule.media);
            continue;
        }
        if (!rule.suffix.isEmpty() && rule.suffix.size() != 2) {
            m_problems << where(m) + QStringLiteral("labels/media: the suffix of %1 must have "
                                                    "two characters (\"L8\"); left out")
                                         .arg(rule.media);
            continue;
        }
        rule.length = int(length);
        m_media.push_back(rule);
    }
}

QString ZELVLabelRules::RefusalOf(const QString& barcode) const {
    const QString label = LabelOf(barcode, m_uppercase);
    for (const Refusal& r : m_refusals)
        if (label.startsWith(r.prefix))
            return QStringLiteral("%1 refused: %2").arg(label, r.reason);
    return {};
}

QString ZELVLabelRules::MismatchOf(const QString& barcode, const QString& media) const {
    const QString label = LabelOf(barcode, m_uppercase);
    for (const MediaRule& rule : m_media) {
        if (rule.media != media)
            continue;
        // With a suffix the label is the Volume-ID and two characters more.
        const bool suffixed = rule.length > 0
                                  ? label.size() == rule.length + 2
                                  : label.size() > 2 && label.at(label.size() - 2).isLetter() &&
                                        label.at(label.size() - 1).isDigit();
        if (rule.length > 0 && label.size() != rule.length && !suffixed)
            return QStringLiteral("%1 has %2 characters; %3 labels have %4")
                .arg(label)
                .arg(label.size())
                .arg(media)
                .arg(rule.length);
        if (suffixed && !rule.suffix.isEmpty() && !label.endsWith(rule.suffix))
            return QStringLiteral("%1 carries %2, not the %3 of Media Type %4")
                .arg(label, label.right(2), rule.suffix, media);
        return {};
    }
    return {};
}
