#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

// One predefined Volume list: a text file of Volume-IDs, one a line, with a
// "#" line that names the list.
class CPredefFile {
public:
    // Longer lines are cut here; the rest of such a line is dropped rather than
    // read as a Volume-ID of its own.
    static constexpr int kMaxLine = 128;

    CPredefFile() = default;
    explicit CPredefFile(const QString& path) : m_path(path) {}

    // Larger files are refused: a list of tapes is far smaller.
    static constexpr qint64 kMaxBytes = 16 << 20;

    // Reads the file named by the path. A file that cannot be opened or is
    // not text leaves the entry without description and Volumes and returns
    // false; Error() then says why.
    bool Read();
    const QString& Error() const { return m_error; }
    // Reads the list text from a device (the file's contents).
    void Read(QIODevice& device);

    const QString& Path() const { return m_path; }
    // The last "#" line without the "#" characters at both ends; its blanks stay.
    const QString& Description() const { return m_description; }
    // One Volume-ID per remaining non-empty line, all blanks removed.
    const QStringList& Volumes() const { return m_volumes; }
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected) { m_selected = selected; }

private:
    QString m_path;
    QString m_error;
    QString m_description;
    QStringList m_volumes;
    bool m_selected = false;
};

// The predefined lists of one folder: every "List-*.txt" file in it.
class CPredefFileList {
public:
    static constexpr const char* kPattern = "List-*.txt";

    // Drops the lists held so far and reads every matching file of the folder,
    // by name. Returns the number of lists.
    int Load(const QString& folder);
    void Clear();

    const QString& Folder() const { return m_folder; }
    int GetCount() const { return int(m_files.size()); }
    // None for an index out of range.
    CPredefFile* GetAt(int index);
    const CPredefFile* GetAt(int index) const;
    const std::vector<CPredefFile>& Files() const { return m_files; }

    // Marks one list as chosen (and every other one not); -1 chooses none.
    void Select(int index);
    // The chosen list, or none.
    const CPredefFile* Selected() const;
    int SelectedIndex() const;

    // What a drop-down shows for each list, in list order: the description,
    // the file name for a list without one, and the file name added where
    // two lists would read the same (or a list would read as one of the taken
    // texts), so that each choice names one list.
    QStringList ChoiceTexts(const QStringList& taken = {}) const;

private:
    QString m_folder;
    std::vector<CPredefFile> m_files;
};
