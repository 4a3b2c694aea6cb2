#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// GoogleTest shows Qt texts as text in its failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "{\n";
    for (const QString& line : list)
        *os << "  \"" << line.toStdString() << "\"\n";
    *os << "}";
}
