#include "PredefFile.h"

#include "ZELVTextFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

bool CPredefFile::Read() {
    m_description.clear();
    m_volumes.clear();
    QString text;
    if (!ZELVReadTextFile(m_path, kMaxBytes, QStringLiteral("Volume-IDs (one a line)"), &text,
                          &m_error))
        return false;
    m_error.clear();
    QByteArray bytes = text.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Read(buffer);
    return true;
}

void CPredefFile::Read(QIODevice& device) {
    m_description.clear();
    m_volumes.clear();
    while (!device.atEnd()) {
        QString line = QString::fromUtf8(device.readLine());
        line.remove(QLatin1Char('\r'));
        line.remove(QLatin1Char('\n'));
        line.truncate(kMaxLine);
        if (line.startsWith(QLatin1Char('#'))) {
            qsizetype first = 0;
            qsizetype last = line.size();
            while (first < last && line[first] == QLatin1Char('#'))
                ++first;
            while (last > first && line[last - 1] == QLatin1Char('#'))
                --last;
            m_description = line.mid(first, last - first);
            continue;
        }
        line.removeIf(IsBlank);
        if (!line.isEmpty())
            m_volumes.append(line);
    }
}

int CPredefFileList::Load(const QString& folder) {
    Clear();
    m_folder = folder;
    const QDir dir(folder);
    // Names compare as the original file system listed them: alphabetically,
    // whatever their case.
    const QFileInfoList found =
        dir.entryInfoList({QString::fromLatin1(kPattern)}, QDir::Files | QDir::Readable,
                          QDir::Name | QDir::IgnoreCase);
    m_files.reserve(size_t(found.size()));
    for (const QFileInfo& info : found) {
        CPredefFile file(info.absoluteFilePath());
        file.Read();
        m_files.push_back(std::move(file));
    }
    return GetCount();
}

void CPredefFileList::Clear() {
    m_files.clear();
    m_folder.clear();
}

CPredefFile* CPredefFileList::GetAt(int index) {
    return index >= 0 && index < GetCount() ? &m_files[size_t(index)] : nullptr;
}

const CPredefFile* CPredefFileList::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? &m_files[size_t(index)] : nullptr;
}

void CPredefFileList::Select(int index) {
    for (int i = 0; i < GetCount(); ++i)
        m_files[size_t(i)].SetSelected(i == index);
}

const CPredefFile* CPredefFileList::Selected() const {
    return GetAt(SelectedIndex());
}

int CPredefFileList::SelectedIndex() const {
    for (int i = 0; i < GetCount(); ++i)
        if (m_files[size_t(i)].IsSelected())
            return i;
    return -1;
}

QStringList CPredefFileList::ChoiceTexts(const QStringList& taken) const {
    QStringList texts;
    QHash<QString, int> uses;
    for (const QString& t : taken)
        uses[t] = 1;
    for (const CPredefFile& f : m_files) {
        QString text =
            f.Description().trimmed().isEmpty() ? QFileInfo(f.Path()).fileName() : f.Description();
        texts.append(text);
        ++uses[text];
    }
    for (int i = 0; i < GetCount(); ++i)
        if (uses.value(texts[i]) > 1)
            texts[i] +=
                QStringLiteral(" (%1)").arg(QFileInfo(m_files[size_t(i)].Path()).fileName());
    return texts;
}
