#include "ZELVTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

bool ZELVReadTextFile(const QString& path, qint64 maxBytes, const QString& holds, QString* text,
                      QString* error) {
    text->clear();
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 could not be read: %2").arg(name, file.errorString());
        return false;
    }
    // Read one byte past the limit: files whose size the system does not know
    // (pipes, /proc) are held to it as well.
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes; a file of %3 is far smaller.")
                     .arg(name)
                     .arg(maxBytes)
                     .arg(holds);
        return false;
    }
    return ZELVDecodeText(bytes, name, holds, text, error);
}

bool ZELVDecodeText(const QByteArray& bytes, const QString& name, const QString& holds,
                    QString* text, QString* error) {
    text->clear();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (bytes.contains('\0') || utf8.hasError()) {
        *error = QStringLiteral("%1 is not a text file of %2.").arg(name, holds);
        return false;
    }
    if (decoded.startsWith(QChar(0xFEFF)))
        decoded.remove(0, 1);
    *text = std::move(decoded);
    return true;
}
