#pragma once

#include "VolumeKey.h"
#include "ZELV10RC.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// One scan that could not reach the server: what was scanned, where, and the
// Volume's version the page had read, so that a replay can tell whether
// someone changed the Volume in the meantime.
struct ScanJournalEntry {
    QString task;       // "Scan-In", ...
    QString server;     // the connection's Where(): entries replay on that server only
    CVolumeKey key;
    QString repository; // where the scan was made
    quint64 version = 0;
    qint64 when = 0; // seconds since the epoch
    QString user;
    quint32 container = 0; // Scan-Out: the Container it was scanned into, 0 none
};

// The workstation's scanning journal: one line per scan (JSON), each written
// and flushed to the disk before the scan is acknowledged, so that a scan
// made while the server is away survives a crash or a power cut. Replayed
// entries are removed by rewriting the file whole (write, sync, rename).
// Every change holds "<path>.lock", shared by all programs of the workstation.
class CScanJournal {
public:
    static constexpr const char* kFileName = "ScanJournal.txt";

    explicit CScanJournal(QString path);
    const QString& Path() const { return m_path; }

    // Appends and syncs one entry; a failure to write is returned, never
    // swallowed (the scan is then neither confirmed nor kept).
    CZELV10RC Append(const ScanJournalEntry& entry);
    // What a replay did with one entry.
    enum class Outcome {
        Done, // written, or reported and dropped (changed meanwhile)
        Keep, // not written; stays for the next replay
        Stop, // the server is away again: this and the rest stay
    };
    // Hands every readable entry, oldest first, to fn and keeps those it did
    // not finish, under a lock, so that a scan another program appends
    // meanwhile is never lost. A line that cannot be read (cut short by a
    // crash, edited) is named in problems and moved to "<path>.rejected",
    // never dropped silently. done: how many entries were finished.
    CZELV10RC Replay(const std::function<Outcome(const ScanJournalEntry&)>& fn, int* done,
                     QStringList* problems);
    // Entries waiting (readable lines).
    int Count() const;

    static QString Line(const ScanJournalEntry& entry);
    static bool Parse(const QByteArray& line, ScanJournalEntry* entry);

private:
    QString m_path;
};
