#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// One change of the release feed.
struct CRSSItem {
    QString title;
    QString description; // plain text: markup of the feed is removed
    QDate date;          // invalid when the feed's date could not be read
    bool enhancement = false;
};

// The release feed: the "item" children of the first "channel" of "rss", in
// feed order. Nothing else of the document is read.
class CRSS {
public:
    static constexpr int kMaxItems = 100000;

    // Parses the text; on a failure no items are added and *error says why.
    // Items past kMaxItems are left out (and *error says so).
    bool Load(const QByteArray& text, QString* error = nullptr);
    const QList<CRSSItem>& Items() const { return m_items; }
    // The latest publication date of all items; invalid when none has one.
    QDate Newest() const;

    // An RFC 822 date ("Tue, 14 Aug 2018 10:00:00 GMT"): the part after the
    // first comma without its zone.
    static QDate ParsePubDate(const QString& text);
    // Text with tags removed, the common entities decoded and white space
    // folded, so that a description written as HTML reads as text.
    static QString PlainText(const QString& html);

private:
    QList<CRSSItem> m_items;
};
