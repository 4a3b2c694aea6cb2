#include "ZELVConfig.h"

#include <QFileInfo>
#include <libconfig.h>

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

static QString ReadError(const QString& path, int line, const QString& reason) {
    return QStringLiteral("Failed to read configuration file (%1): Line(%2) - Error(%3)")
        .arg(path)
        .arg(line)
        .arg(reason);
}

bool ZELVConfig::ReadFile(const QString& path, QString* errorText) {
    Reset();
    m_path = path;
    auto fail = [&](int line, const QString& reason) {
        Reset();
        if (errorText)
            *errorText = ReadError(path, line, reason);
        return false;
    };
    // libconfig would happily open a directory or a FIFO and report a vague I/O
    // error; say what is wrong instead.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return fail(0, QStringLiteral("file not found"));
    if (info.isDir())
        return fail(0, QStringLiteral("is a directory"));
    if (!info.isFile())
        return fail(0, QStringLiteral("not a regular file"));
    if (info.size() > kMaxFileSize)
        return fail(0, QStringLiteral("file too large"));
    const QByteArray native = QFileInfo(path).filePath().toLocal8Bit();
    if (native.contains('\0'))
        return fail(0, QStringLiteral("invalid file name"));
    if (config_read_file(m_cfg.get(), native.constData()) != CONFIG_TRUE) {
        const char* t = config_error_text(m_cfg.get());
        const int line = config_error_line(m_cfg.get());
        return fail(line, t ? QString::fromUtf8(t) : QStringLiteral("file I/O error"));
    }
    m_loaded = true;
    return true;
}

bool ZELVConfig::ReadString(const QString& text, QString* errorText) {
    Reset();
    m_path.clear();
    const QByteArray utf8 = text.toUtf8();
    if (utf8.contains('\0') || config_read_string(m_cfg.get(), utf8.constData()) != CONFIG_TRUE) {
        const char* t = config_error_text(m_cfg.get());
        const int line = config_error_line(m_cfg.get());
        const QString reason = t ? QString::fromUtf8(t) : QStringLiteral("invalid text");
        Reset();
        if (errorText)
            *errorText = ReadError(QStringLiteral("<string>"), line, reason);
        return false;
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
