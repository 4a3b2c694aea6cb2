#include "ZELVRSS.h"

#include <QLocale>
#include <QRegularExpression>
#include <cstring>
#include <pugixml.hpp>

namespace {

QString ChildText(const pugi::xml_node& item, const char* name) {
    return QString::fromUtf8(item.child(name).child_value()).trimmed();
}

// Texts may come as CDATA: child_value() reads only the first data node.
QString AllText(const pugi::xml_node& node) {
    QString text;
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            text += QString::fromUtf8(n.value());
    return text;
}

} // namespace

bool CRSS::Load(const QByteArray& text, QString* error) {
    m_items.clear();
    pugi::xml_document doc;
    // No DOCTYPE processing: entity declarations are never expanded.
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text.constData(), static_cast<size_t>(text.size()),
                        pugi::parse_default & ~pugi::parse_doctype, pugi::encoding_auto);
    if (!parsed) {
        if (error)
            *error = QStringLiteral("The release feed could not be read: %1 at byte %2.")
                         .arg(QString::fromUtf8(parsed.description()))
                         .arg(parsed.offset);
        return false;
    }
    const pugi::xml_node channel = doc.child("rss").child("channel");
    if (!channel) {
        if (error)
            *error = QStringLiteral("The release feed has no rss channel.");
        return false;
    }
    bool cut = false;
    for (pugi::xml_node child = channel.first_child(); child; child = child.next_sibling()) {
        if (std::strcmp(child.name(), "item") != 0)
            continue;
        if (m_items.size() >= kMaxItems) {
            cut = true;
            break;
        }
        CRSSItem item;
        item.title = PlainText(AllText(child.child("title")));
        item.description = PlainText(AllText(child.child("description")));
        item.date = ParsePubDate(ChildText(child, "pubDate"));
        item.enhancement = item.title.startsWith(QLatin1Char('E'));
        m_items.append(std::move(item));
    }
    if (error)
        *error =
            cut ? QStringLiteral("The release feed has more than %1 items; the rest were left out.")
                      .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(kMaxItems))
                : QString();
    return true;
}

QDate CRSS::Newest() const {
    QDate newest;
    for (const CRSSItem& item : m_items)
        if (item.date.isValid() && (!newest.isValid() || item.date > newest))
            newest = item.date;
    return newest;
}

QDate CRSS::ParsePubDate(const QString& text) {
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    QString rest = (comma >= 0 ? text.mid(comma + 1) : text).simplified();
    // The zone is the last word ("GMT", "+0200") when there are five.
    QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 5)
        words.removeLast();
    if (words.size() < 3)
        return {};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (words[1].left(3).compare(QLatin1String(months[m]), Qt::CaseInsensitive) == 0)
            month = m + 1;
    bool dayOk = false;
    bool yearOk = false;
    const int day = words[0].toInt(&dayOk);
    int year = words[2].toInt(&yearOk);
    if (!dayOk || !yearOk || month == 0)
        return {};
    if (words[2].size() == 2)
        year += year < 70 ? 2000 : 1900; // RFC 822's two-digit years
    return QDate(year, month, day);
}

QString CRSS::PlainText(const QString& html) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.replace(tags, QStringLiteral(" "));
    static const struct {
        const char* entity;
        const char* plain;
    } entities[] = {{"&lt;", "<"},   {"&gt;", ">"},   {"&quot;", "\""}, {"&#39;", "'"},
                    {"&apos;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& e : entities)
        text.replace(QLatin1String(e.entity), QLatin1String(e.plain));
    return text.simplified();
}
