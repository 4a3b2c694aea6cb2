#pragma once

#include "ZELVClock.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <memory>

// The plain-text transaction log: one file per task, one CR LF line per entry,
// each line "NNNNNN-HH:MM:SS text". It is the operator's evidence of what was
// scanned and changed, so every entry is flushed as soon as it is written: a
// crash of the program must not lose an entry already written.
class TransactionLog {
public:
    // compileDate: the calling program's build date ("Aug 14 2018").
    // prefixFolder: where "LogPrefix.txt" is looked for; empty = current directory.
    explicit TransactionLog(const QString& compileDate,
                            const ZELVClock& clock = ZELVClock::System(),
                            const QString& prefixFolder = QString());
    ~TransactionLog();
    TransactionLog(const TransactionLog&) = delete;
    TransactionLog& operator=(const TransactionLog&) = delete;

    // Closes any open file, then creates "<folder>/<program> %Y-%m-%d-%H-%M-%S.log"
    // (local time; when that name is taken, "-2", "-3" ... before ".log", so an
    // earlier log is never overwritten) and writes the header entries.
    // False when the file cannot be created; the object then stays closed.
    bool Open(const QString& folder, const QString& programName, const QString& sourceWord);

    // printf-style entry; dropped while no file is open.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // An entry written as it stands (no format interpretation).
    void WriteText(const QString& text);

    // Full name of the current (or last) file; empty before the first open.
    const QString& Path() const { return m_path; }
    void Flush();
    // Writes the end-of-file entry and closes; nothing when already closed.
    void Close();

    bool IsOpen() const { return m_file != nullptr; }
    // Number of the last entry written; continues across files.
    int Sequence() const { return m_sequence; }
    const QString& CompileDate() const { return m_compileDate; }

    // Beside each log, "<log>.chain" holds one line per entry: the hex SHA-256
    // of the previous line's value (a fixed seed for the first) and the
    // entry's bytes as written. An entry changed, removed, inserted or moved
    // in the log alone no longer matches its chain line.
    static QString ChainPath(const QString& logPath);
    struct ChainCheck {
        bool intact = false;
        int entries = 0;     // entries in the log
        int firstBad = 0;    // 1-based entry where the chain first disagrees; 0 none
        bool closed = false; // the last entry is the end-of-file entry
        QString message;     // for the person who asked
    };
    static ChainCheck VerifyChain(const QString& logPath);

    // The file name for a given folder, program and instant (local time).
    static QString FileName(const QString& folder, const QString& programName, time_t when);

    static constexpr const char* kEndOfFile = "<<<<<<<<< END OF FILE >>>>>>>>>";
    static constexpr const char* kFormatNotice = "1.0";
    static constexpr int kMaxSameSecond = 1000;
    static constexpr int kPrefixReadSize = 256;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    void WriteEntry(const QByteArray& text);
    void WritePrefixFile();

    QString m_compileDate;
    const ZELVClock& m_clock;
    QString m_prefixFolder;
    int m_sequence = 0;
    QString m_path;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::unique_ptr<std::FILE, FileCloser> m_chainFile;
    QByteArray m_chain; // the last chain value, raw
};
