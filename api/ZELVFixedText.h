#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstring>

// A text field of a server record: exactly N bytes of UTF-8, zero-padded and
// not terminated when full, as the records have always carried them. Pages
// print such fields with "%.*s" and compare them over their N bytes, so the
// width is part of the contract; Set() cuts a longer text at a character
// boundary so that a name is never left with half a character.
template <int N> class ZELVFixedText {
public:
    static constexpr int kSize = N;

    ZELVFixedText() { m_data.fill('\0'); }
    ZELVFixedText(const QString& text) { Set(text); } // NOLINT: records are filled from texts
    ZELVFixedText(const char* text) { Set(QString::fromUtf8(text)); } // NOLINT

    void Set(const QString& text) {
        m_data.fill('\0');
        const QByteArray utf8 = text.toUtf8();
        int n = utf8.size() < N ? static_cast<int>(utf8.size()) : N;
        // Step back over continuation bytes when the cut falls inside a character.
        if (n < utf8.size()) {
            while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
                --n;
        }
        std::memcpy(m_data.data(), utf8.constData(), static_cast<size_t>(n));
    }
    void Clear() { m_data.fill('\0'); }

    // Bytes up to the first NUL, at most N.
    int Length() const {
        int n = 0;
        while (n < N && m_data[static_cast<size_t>(n)] != '\0')
            ++n;
        return n;
    }
    bool IsEmpty() const { return m_data[0] == '\0'; }
    QString Text() const { return QString::fromUtf8(m_data.data(), Length()); }
    QByteArray Bytes() const { return QByteArray(m_data.data(), Length()); }
    // Not terminated when full: print with "%.*s" and kSize.
    const char* Data() const { return m_data.data(); }
    char* Data() { return m_data.data(); }

    // A NUL followed by further text: something wrote bytes into the field
    // that a reader would silently lose. The store refuses such fields.
    bool HasEmbeddedNul() const {
        const int n = Length();
        for (int i = n; i < N; ++i)
            if (m_data[static_cast<size_t>(i)] != '\0')
                return true;
        return false;
    }
    // Whether text fits without being cut.
    static bool Fits(const QString& text) { return text.toUtf8().size() <= N; }

    // Byte-wise over all N bytes, as the pages compare identifiers.
    int Compare(const ZELVFixedText& o) const {
        return std::memcmp(m_data.data(), o.m_data.data(), static_cast<size_t>(N));
    }
    bool operator==(const ZELVFixedText& o) const { return Compare(o) == 0; }
    bool operator!=(const ZELVFixedText& o) const { return Compare(o) != 0; }
    bool operator<(const ZELVFixedText& o) const { return Compare(o) < 0; }
    bool operator==(const QString& text) const { return Text() == text; }
    bool operator==(const char* text) const { return Text() == QString::fromUtf8(text); }

private:
    std::array<char, static_cast<size_t>(N)> m_data;
};
