#include "ZELVConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libconfig.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

QByteArray ZELVConfigPath(const QString& path) {
    QByteArray p = path.toUtf8();
    p.replace('/', '.');
    return p;
}

bool ZELVSetting::IsGroup() const {
    return m_s && config_setting_is_group(m_s);
}
bool ZELVSetting::IsList() const {
    return m_s && config_setting_is_list(m_s);
}
bool ZELVSetting::IsArray() const {
    return m_s && config_setting_is_array(m_s);
}

int ZELVSetting::Line() const {
    return m_s ? static_cast<int>(config_setting_source_line(m_s)) : 0;
}

QString ZELVSetting::TypeName() const {
    if (!m_s)
        return QStringLiteral("absent");
    switch (config_setting_type(m_s)) {
    case CONFIG_TYPE_GROUP:
        return QStringLiteral("group");
    case CONFIG_TYPE_LIST:
        return QStringLiteral("list");
    case CONFIG_TYPE_ARRAY:
        return QStringLiteral("array");
    case CONFIG_TYPE_STRING:
        return QStringLiteral("text");
    case CONFIG_TYPE_BOOL:
        return QStringLiteral("boolean");
    case CONFIG_TYPE_INT:
    case CONFIG_TYPE_INT64:
        return QStringLiteral("integer");
    case CONFIG_TYPE_FLOAT:
        return QStringLiteral("number");
    default:
        return QStringLiteral("unknown");
    }
}

QString ZELVSetting::Name() const {
    const char* n = m_s ? config_setting_name(m_s) : nullptr;
    return n ? QString::fromUtf8(n) : QString();
}

int ZELVSetting::Count() const {
    return IsAggregate() ? config_setting_length(m_s) : 0;
}

ZELVSetting ZELVSetting::At(int i) const {
    if (!IsAggregate() || i < 0 || i >= Count())
        return ZELVSetting();
    return ZELVSetting(config_setting_get_elem(m_s, static_cast<unsigned>(i)));
}

ZELVSetting ZELVSetting::Member(const QString& path) const {
    if (!IsGroup() && !IsList() && !IsArray())
        return ZELVSetting();
    if (path.isEmpty())
        return *this;
    const QByteArray p = ZELVConfigPath(path);
    if (p.contains('\0'))
        return ZELVSetting();
    return ZELVSetting(config_setting_lookup(m_s, p.constData()));
}

std::optional<QString> ZELVSetting::AsString() const {
    if (!m_s || config_setting_type(m_s) != CONFIG_TYPE_STRING)
        return std::nullopt;
    const char* v = config_setting_get_string(m_s);
    return QString::fromUtf8(v ? v : "");
}

std::optional<bool> ZELVSetting::AsBool() const {
    if (!m_s || config_setting_type(m_s) != CONFIG_TYPE_BOOL)
        return std::nullopt;
    return config_setting_get_bool(m_s) != 0;
}

std::optional<long long> ZELVSetting::AsInt() const {
    if (!m_s)
        return std::nullopt;
    switch (config_setting_type(m_s)) {
    case CONFIG_TYPE_INT:
        return config_setting_get_int(m_s);
    case CONFIG_TYPE_INT64:
        return config_setting_get_int64(m_s);
    default:
        return std::nullopt;
    }
}

QStringList ZELVSetting::AsStringList() const {
    QStringList out;
    if (!IsList() && !IsArray())
        return out;
    for (int i = 0; i < Count(); ++i)
        if (auto s = At(i).AsString())
            out.append(*s);
    return out;
}

ZELVConfig::ZELVConfig() : m_cfg(std::make_unique<config_t>()) {
    config_init(m_cfg.get());
}

ZELVConfig::~ZELVConfig() {
    config_destroy(m_cfg.get());
}

void ZELVConfig::Reset() {
    config_destroy(m_cfg.get());
    config_init(m_cfg.get());
    m_loaded = false;
}

namespace {

QString ReadError(const QString& path, int line, const QString& reason) {
    return QStringLiteral("Failed to read configuration file (%1): Line(%2) - Error(%3)")
        .arg(path)
        .arg(line)
        .arg(reason);
}

// libconfig's own limit, kept so that a file that includes itself ends at once.
constexpr int kMaxIncludeDepth = 10;
// libconfig is handed text whose includes are already in place; should it
// still find one, it looks under a path that cannot be a folder and fails.
constexpr const char* kNoIncludeFolder = "/dev/null";

// Reads a configuration file whole: only a regular file, at most `limit`
// bytes. A folder, FIFO or device in its place is refused before it is
// opened (opening a FIFO waits for a writer, opening a tape drive rewinds it)
// and again after, should something have taken its place in between.
QString ReadWholeFile(const QString& path, qint64 limit, QByteArray* out) {
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty())
        return QStringLiteral("file not found");
    if (native.contains('\0'))
        return QStringLiteral("invalid file name");
    auto why = [](const struct stat& st, qint64 max) -> QString {
        if (S_ISDIR(st.st_mode))
            return QStringLiteral("is a directory");
        if (!S_ISREG(st.st_mode))
            return QStringLiteral("not a regular file");
        if (st.st_size > max)
            return QStringLiteral("file too large");
        return {};
    };
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return errno == ENOENT ? QStringLiteral("file not found")
                               : QString::fromLocal8Bit(std::strerror(errno));
    if (QString reason = why(st, limit); !reason.isEmpty())
        return reason;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString reason =
        ::fstat(fd, &st) != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : why(st, limit);
    QByteArray data;
    if (reason.isEmpty()) {
        // One byte more than allowed tells a file that grew meanwhile.
        data.resize(static_cast<qsizetype>(st.st_size) + 1);
        qsizetype got = 0;
        for (;;) {
            if (got == data.size()) {
                if (data.size() > limit)
                    break;
                data.resize(std::min<qsizetype>(data.size() * 2, limit + 1));
            }
            const ssize_t n = ::read(fd, data.data() + got, static_cast<size_t>(data.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                reason = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        data.resize(got);
        if (reason.isEmpty() && got > limit)
            reason = QStringLiteral("file too large");
    }
    ::close(fd);
    if (reason.isEmpty())
        *out = std::move(data);
    return reason;
}

// Puts every "@include" in place before libconfig sees the text, with the
// same checks for each included file as for the first one, and remembers
// where each stretch of the result came from, so that an error's line can be
// told as the line of the file it is in. Includes are found as libconfig's
// scanner finds them: at the start of a line, outside strings and comments.
class IncludeExpander {
public:
    QByteArray text;
    QString errorFile;
    int errorLine = 0;
    QString errorText;

    bool Add(QByteArray content, const QString& file, const QString& folder, int depth) {
        if (content.startsWith("\xEF\xBB\xBF"))
            content.remove(0, 3);
        // Each file ends its last line, so that the text after an include
        // starts a line of its own and keeps its number.
        if (!content.isEmpty() && !content.endsWith('\n'))
            content.append('\n');
        const char* s = content.constData();
        const qsizetype n = content.size();
        Mark(file, 1);
        enum { Plain, String, Comment } state = Plain;
        int line = 1;
        qsizetype copied = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (state == Plain && (i == 0 || s[i - 1] == '\n')) {
                QByteArray name;
                qsizetype end = 0;
                const int found = MatchInclude(s, n, i, &name, &end);
                if (found < 0)
                    return Fail(file, line,
                                QStringLiteral("the name of an included file is not closed"));
                if (found > 0) {
                    Append(s + copied, i - copied);
                    if (!Include(name, file, folder, line, depth))
                        return false;
                    Mark(file, line); // the rest of the line after the name
                    copied = end;
                    i = end - 1;
                    continue;
                }
            }
            const char c = s[i];
            const char next = i + 1 < n ? s[i + 1] : '\0';
            switch (state) {
            case Plain:
                if (c == '"') {
                    state = String;
                } else if (c == '/' && next == '*') {
                    state = Comment;
                    ++i;
                } else if (c == '#' || (c == '/' && next == '/')) {
                    while (i + 1 < n && s[i + 1] != '\n')
                        ++i;
                }
                break;
            case String:
                if (c == '\\' && (next == '"' || next == '\\'))
                    ++i;
                else if (c == '"')
                    state = Plain;
                break;
            case Comment:
                if (c == '*' && next == '/') {
                    state = Plain;
                    ++i;
                }
                break;
            }
            if (s[i] == '\n')
                ++line;
        }
        Append(s + copied, n - copied);
        return true;
    }

    void StartWith(const QString& canonical, qint64 size) {
        if (!canonical.isEmpty())
            m_chain << canonical;
        m_total = size;
    }

    // The file and its line that a line of the whole text came from.
    std::pair<QString, int> Where(int line) const {
        auto it = std::upper_bound(m_segments.begin(), m_segments.end(), line,
                                   [](int l, const Segment& s) { return l < s.firstLine; });
        if (it == m_segments.begin())
            return {QString(), line};
        --it;
        return {it->file, it->fileLine + (line - it->firstLine)};
    }

private:
    struct Segment {
        int firstLine; // in the whole text
        QString file;
        int fileLine; // in that file
    };

    // 1 and the name when an include starts at i, 0 when none does, -1 when
    // its name is not closed on the line.
    static int MatchInclude(const char* s, qsizetype n, qsizetype i, QByteArray* name,
                            qsizetype* end) {
        auto blank = [&](qsizetype k) { return k < n && (s[k] == ' ' || s[k] == '\t'); };
        qsizetype k = i;
        while (blank(k))
            ++k;
        static constexpr char kWord[] = "@include";
        constexpr qsizetype kWordLen = sizeof kWord - 1;
        if (n - k < kWordLen || std::memcmp(s + k, kWord, kWordLen) != 0)
            return 0;
        k += kWordLen;
        if (!blank(k))
            return 0;
        while (blank(k))
            ++k;
        if (k >= n || s[k] != '"')
            return 0;
        for (++k; k < n && s[k] != '"' && s[k] != '\n'; ++k) {
            if (s[k] == '\\' && k + 1 < n && (s[k + 1] == '\\' || s[k + 1] == '"'))
                ++k;
            name->append(s[k]);
        }
        if (k >= n || s[k] != '"')
            return -1;
        *end = k + 1;
        return 1;
    }

    bool Include(const QByteArray& name, const QString& file, const QString& folder, int line,
                 int depth) {
        if (depth + 1 >= kMaxIncludeDepth)
            return Fail(file, line, QStringLiteral("include file nesting too deep"));
        const QString given = QFile::decodeName(name);
        // A relative name is taken from the folder of the file that names it.
        const QString path =
            QDir::cleanPath(QDir::isAbsolutePath(given) ? given : QDir(folder).filePath(given));
        QByteArray content;
        QString why = ReadWholeFile(path, ZELVConfig::kMaxFileSize, &content);
        if (why.isEmpty() && m_total + content.size() > ZELVConfig::kMaxFileSize)
            why = QStringLiteral("too large together with the files that include it");
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (why.isEmpty() && m_chain.contains(canonical))
            why = QStringLiteral("it includes itself");
        if (!why.isEmpty())
            return Fail(file, line, QStringLiteral("cannot include %1: %2").arg(path, why));
        m_total += content.size();
        m_chain << canonical;
        const bool ok = Add(std::move(content), path, QFileInfo(path).absolutePath(), depth + 1);
        m_chain.removeLast();
        return ok;
    }

    void Mark(const QString& file, int fileLine) { m_segments.push_back({m_line, file, fileLine}); }
    void Append(const char* p, qsizetype n) {
        text.append(p, n);
        m_line += static_cast<int>(std::count(p, p + n, '\n'));
    }
    bool Fail(const QString& file, int line, const QString& why) {
        errorFile = file;
        errorLine = line;
        errorText = why;
        return false;
    }

    std::vector<Segment> m_segments;
    QStringList m_chain; // the files being read, outermost first
    qint64 m_total = 0;
    int m_line = 1;
};

} // namespace

bool ZELVConfig::ReadFile(const QString& path, QString* errorText) {
    Reset();
    m_path = path;
    QByteArray content;
    const QString why = ReadWholeFile(path, kMaxFileSize, &content);
    if (!why.isEmpty()) {
        if (errorText)
            *errorText = ReadError(path, 0, why);
        return false;
    }
    const QFileInfo info(path);
    return Parse(content, path, info.absolutePath(), info.canonicalFilePath(), errorText);
}

bool ZELVConfig::ReadString(const QString& text, QString* errorText) {
    Reset();
    m_path.clear();
    return Parse(text.toUtf8(), QStringLiteral("<string>"), QDir::currentPath(), QString(),
                 errorText);
}

bool ZELVConfig::Parse(const QByteArray& content, const QString& name, const QString& folder,
                       const QString& canonical, QString* errorText) {
    IncludeExpander expander;
    expander.StartWith(canonical, content.size());
    auto fail = [&](const QString& file, int line, const QString& reason) {
        Reset();
        if (errorText)
            *errorText = ReadError(file.isEmpty() ? name : file, line, reason);
        return false;
    };
    if (!expander.Add(content, QString(), folder, 0))
        return fail(expander.errorFile, expander.errorLine, expander.errorText);
    // libconfig reads text up to a NUL; what follows one is refused after the
    // text before it has been checked.
    QByteArray& text = expander.text;
    const qsizetype nul = text.indexOf('\0');
    int nulLine = 0;
    if (nul >= 0) {
        nulLine =
            1 + static_cast<int>(std::count(text.constBegin(), text.constBegin() + nul, '\n'));
        text.truncate(nul);
    }
    config_set_include_dir(m_cfg.get(), kNoIncludeFolder);
    if (config_read_string(m_cfg.get(), text.constData()) != CONFIG_TRUE) {
        const char* t = config_error_text(m_cfg.get());
        const auto [file, line] = expander.Where(config_error_line(m_cfg.get()));
        return fail(file, line, t ? QString::fromUtf8(t) : QStringLiteral("invalid text"));
    }
    if (nul >= 0) {
        const auto [file, line] = expander.Where(nulLine);
        return fail(file, line, QStringLiteral("NUL character"));
    }
    m_loaded = true;
    return true;
}

ZELVSetting ZELVConfig::Root() const {
    return ZELVSetting(config_root_setting(m_cfg.get()));
}

ZELVSetting ZELVConfig::Lookup(const QString& path) const {
    if (path.isEmpty())
        return Root();
    const QByteArray p = ZELVConfigPath(path);
    if (p.contains('\0'))
        return ZELVSetting();
    return ZELVSetting(config_lookup(m_cfg.get(), p.constData()));
}
