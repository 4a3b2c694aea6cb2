#include "TransactionLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <ctime>

namespace {

// The value before the first entry of every chain.
QByteArray ChainSeed() {
    return QCryptographicHash::hash(QByteArrayLiteral("Kelmar log chain 1"),
                                    QCryptographicHash::Sha256);
}

QByteArray ChainNext(const QByteArray& previous, const QByteArray& entry) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(previous);
    hash.addData(entry);
    return hash.result();
}

QByteArray LocalTime(time_t when, const char* format) {
    struct tm tmv {};
    char buf[64];
    if (!localtime_r(&when, &tmv) || std::strftime(buf, sizeof buf, format, &tmv) == 0)
        return QByteArray();
    return QByteArray(buf);
}

} // namespace

TransactionLog::TransactionLog(const QString& compileDate, const ZELVClock& clock,
                               const QString& prefixFolder)
    : m_compileDate(compileDate), m_clock(clock), m_prefixFolder(prefixFolder) {}

TransactionLog::~TransactionLog() {
    Close();
}

QString TransactionLog::FileName(const QString& folder, const QString& programName, time_t when) {
    QString name = folder;
    // An empty folder means the current directory, not the root.
    if (!name.isEmpty() && !name.endsWith(QLatin1Char('/')))
        name += QLatin1Char('/');
    QByteArray stamp = LocalTime(when, "%Y-%m-%d-%H-%M-%S");
    if (stamp.isEmpty())
        stamp = QByteArrayLiteral("0000-00-00-00-00-00");
    return name + programName + QLatin1Char(' ') + QString::fromLatin1(stamp) +
           QStringLiteral(".log");
}

bool TransactionLog::Open(const QString& folder, const QString& programName,
                          const QString& sourceWord) {
    Close();
    const QString base = FileName(folder, programName, m_clock.Now());
    // Two tasks started within one second would get the same name; the earlier
    // log is evidence and is never overwritten: the later one gets "-2", "-3" ...
    QString path;
    std::FILE* f = nullptr;
    for (int n = 1; n <= kMaxSameSecond && !f; ++n) {
        path = n == 1 ? base : base.chopped(4) + QStringLiteral("-%1.log").arg(n);
        const QByteArray native = QFile::encodeName(path);
        if (native.contains('\0'))
            return false;
        // "x": never replace a file; "e": child processes of the command window
        // must not inherit the log.
        f = std::fopen(native.constData(), "wbxe");
        if (!f && errno != EEXIST)
            return false;
    }
    if (!f)
        return false;
    m_file.reset(f);
    m_path = path;
    // Without its chain the log still works: it just cannot prove itself.
    m_chainFile.reset(std::fopen(QFile::encodeName(ChainPath(path)).constData(), "wbe"));
    m_chain = ChainSeed();

    Write("%s: Kelmar Log File Format %s", sourceWord.toUtf8().constData(), kFormatNotice);
    Write("%s: File(%s)", sourceWord.toUtf8().constData(), m_path.toUtf8().constData());
    Write("%s: Calling Program Compiled(%s)", sourceWord.toUtf8().constData(),
          m_compileDate.toUtf8().constData());
    WritePrefixFile();
    return true;
}

void TransactionLog::WritePrefixFile() {
    const QString dir = m_prefixFolder.isEmpty() ? QDir::currentPath() : m_prefixFolder;
    QFile prefix(QDir(dir).filePath(QStringLiteral("LogPrefix.txt")));
    if (!prefix.open(QIODevice::ReadOnly))
        return;
    // A line longer than one read continues as further entries. The terminator
    // left over after a cut must not turn into an empty entry of its own.
    bool previousCut = false;
    while (!prefix.atEnd()) {
        // readLine keeps one byte for a terminator, as fgets does.
        const QByteArray chunk = prefix.readLine(kPrefixReadSize + 1);
        if (chunk.isEmpty())
            break;
        QByteArray text;
        text.reserve(chunk.size());
        for (char c : chunk)
            if (c != '\r' && c != '\n' && c != '%')
                text.append(c);
        const bool cut = !chunk.endsWith('\n');
        const bool onlyTerminator =
            text.isEmpty() && chunk.size() > 0 &&
            std::all_of(chunk.begin(), chunk.end(), [](char c) { return c == '\r' || c == '\n'; });
        if (!(previousCut && onlyTerminator))
            WriteEntry(text);
        previousCut = cut;
    }
}

void TransactionLog::Write(const char* format, ...) {
    if (!m_file || !format)
        return;
    va_list ap;
    va_start(ap, format);
    const QString text = QString::vasprintf(format, ap);
    va_end(ap);
    WriteEntry(text.toUtf8());
}

void TransactionLog::WriteText(const QString& text) {
    if (!m_file)
        return;
    WriteEntry(text.toUtf8());
}

void TransactionLog::WriteEntry(const QByteArray& text) {
    if (!m_file)
        return;
    // Signed 32 bits as the numbering has always been; start over rather than overflow.
    m_sequence = m_sequence == INT_MAX ? 1 : m_sequence + 1;
    QByteArray time = LocalTime(m_clock.Now(), "%H:%M:%S");
    if (time.isEmpty())
        time = QByteArrayLiteral("**:**:**");

    QByteArray line = QByteArray::number(m_sequence).rightJustified(6, '0');
    line += '-';
    line += time;
    line += ' ';
    // One entry is one line: a CR or LF inside the text (a scanned barcode, a
    // server message) must not start a line that looks like an entry of its own.
    for (char c : text)
        line += (c == '\r' || c == '\n') ? ' ' : c;
    line += "\r\n";

    // Write errors (folder gone, disk full) are ignored: the task goes on.
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), m_file.get());
    std::fflush(m_file.get());
    if (m_chainFile) {
        m_chain = ChainNext(m_chain, line);
        const QByteArray hex = m_chain.toHex() + '\n';
        std::fwrite(hex.constData(), 1, static_cast<size_t>(hex.size()), m_chainFile.get());
        std::fflush(m_chainFile.get());
    }
}

QString TransactionLog::ChainPath(const QString& logPath) {
    return logPath + QStringLiteral(".chain");
}

TransactionLog::ChainCheck TransactionLog::VerifyChain(const QString& logPath) {
    ChainCheck check;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        check.message = QStringLiteral("cannot read %1: %2").arg(logPath, log.errorString());
        return check;
    }
    QFile chain(ChainPath(logPath));
    if (!chain.open(QIODevice::ReadOnly)) {
        check.message = QStringLiteral("%1 has no chain file (%2): it cannot be checked")
                            .arg(logPath, ChainPath(logPath));
        return check;
    }
    // Entries end in CR LF and hold no line break of their own; text after
    // the last CR LF is an entry cut short (or added) and has no chain line.
    const QByteArray bytes = log.readAll();
    QList<QByteArray> entries;
    qsizetype from = 0;
    for (qsizetype end; (end = bytes.indexOf("\r\n", from)) >= 0; from = end + 2)
        entries.append(bytes.mid(from, end + 2 - from));
    if (from < bytes.size())
        entries.append(bytes.mid(from));
    QList<QByteArray> values = chain.readAll().split('\n');
    if (!values.isEmpty() && values.last().isEmpty())
        values.removeLast();
    check.entries = int(entries.size());
    check.closed =
        !entries.isEmpty() && entries.last().endsWith(QByteArray(QByteArray(kEndOfFile) + "\r\n"));

    QByteArray value = ChainSeed();
    const qsizetype n = std::max(entries.size(), values.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int number = int(i + 1);
        if (i >= entries.size()) {
            check.firstBad = number;
            check.message = QStringLiteral("the chain holds %1 entries but the log only %2: "
                                           "entries were removed from the end")
                                .arg(values.size())
                                .arg(entries.size());
            return check;
        }
        if (i >= values.size()) {
            check.firstBad = number;
            check.message = QStringLiteral("entry %1 and those after it have no chain value: "
                                           "added or cut short after the chain was written")
                                .arg(number);
            return check;
        }
        value = ChainNext(value, entries[i]);
        if (value.toHex() != values[i].trimmed()) {
            check.firstBad = number;
            check.message = QStringLiteral("entry %1 does not match its chain value: it was "
                                           "changed, or entries were removed, inserted or "
                                           "moved before it (\"%2\")")
                                .arg(number)
                                .arg(QString::fromUtf8(entries[i].trimmed().left(80)));
            return check;
        }
    }
    check.intact = true;
    check.message = QStringLiteral("%1 entries, chain intact%2")
                        .arg(check.entries)
                        .arg(check.closed ? QStringLiteral(", closed properly")
                                          : QStringLiteral(", not closed (still open, or the "
                                                           "program stopped)"));
    return check;
}

void TransactionLog::Flush() {
    if (m_file)
        std::fflush(m_file.get());
}

void TransactionLog::Close() {
    if (!m_file)
        return;
    WriteEntry(QByteArray(kEndOfFile));
    m_file.reset();
    m_chainFile.reset();
}
