#pragma once

#include <QString>

// Reads a small text file that the operator keeps (lists, dates, barcodes).
// False, with a message naming the file and what it should hold, when it
// cannot be read, is larger than maxBytes, or is not UTF-8 text (NUL bytes,
// bad sequences): such a file would otherwise be read as junk entries. A
// byte-order mark at the start is dropped.
bool ZELVReadTextFile(const QString& path, qint64 maxBytes, const QString& holds, QString* text,
                      QString* error);

// The same check on bytes already read: name stands for the file in the message.
bool ZELVDecodeText(const QByteArray& bytes, const QString& name, const QString& holds,
                    QString* text, QString* error);
