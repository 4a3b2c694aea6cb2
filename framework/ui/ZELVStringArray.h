#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A string array that knows which strings it holds and how often. In unique
// mode adding a string already present does nothing and returns 0, so lists
// built from many records (Media-IDs of every Repository) keep one entry each.
class CZELVStringArray {
public:
    explicit CZELVStringArray(bool unique = false) : m_unique(unique) {}

    void SetUnique(bool unique) { m_unique = unique; }
    bool IsUnique() const { return m_unique; }

    // The new string's index; 0 without adding when unique mode finds it present.
    int Add(const QString& text);
    void RemoveAt(int index);
    void RemoveAll();

    int GetSize() const { return int(m_strings.size()); }
    bool IsEmpty() const { return m_strings.isEmpty(); }
    // Empty for an index out of range.
    QString GetAt(int index) const { return m_strings.value(index); }
    QString operator[](int index) const { return GetAt(index); }

    bool Contains(const QString& text) const { return m_counts.contains(text); }
    // How many times the string is held.
    int CountOf(const QString& text) const { return m_counts.value(text, 0); }
    // Index of the first occurrence, -1 when absent.
    int Find(const QString& text) const;

    const QStringList& Strings() const { return m_strings; }

private:
    QStringList m_strings;
    QHash<QString, int> m_counts;
    bool m_unique = false;
};
