#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

struct config_t;
struct config_setting_t;

// A read-only view of one libconfig setting. Typed getters treat a setting of
// the wrong type as absent, which is how every consumer of the file reads it.
class ZELVSetting {
public:
    ZELVSetting() = default;
    explicit ZELVSetting(config_setting_t* s) : m_s(s) {}

    bool IsValid() const { return m_s != nullptr; }
    explicit operator bool() const { return IsValid(); }
    bool IsGroup() const;
    bool IsList() const;
    bool IsArray() const;
    bool IsAggregate() const { return IsGroup() || IsList() || IsArray(); }
    QString Name() const;
    // The line of the file it was read from; 0 when not known.
    int Line() const;
    // "group", "list", "array", "text", "boolean", "integer", "number".
    QString TypeName() const;
    int Count() const;           // members of a group, list or array; 0 otherwise
    ZELVSetting At(int i) const; // element i of an aggregate
    // Member by relative path ("volume/target" or "volume.target").
    ZELVSetting Member(const QString& path) const;

    // This setting's own value, when it has that type.
    std::optional<QString> AsString() const;
    std::optional<bool> AsBool() const;
    std::optional<long long> AsInt() const; // int or int64
    // Strings of a list or array; elements that are not strings are skipped.
    QStringList AsStringList() const;

    // Shorthands for a member's value.
    std::optional<QString> String(const QString& path) const { return Member(path).AsString(); }
    std::optional<bool> Bool(const QString& path) const { return Member(path).AsBool(); }
    std::optional<long long> Int(const QString& path) const { return Member(path).AsInt(); }

    config_setting_t* Handle() const { return m_s; }

private:
    config_setting_t* m_s = nullptr;
};

// Owner of one parsed configuration file (ZELVDesk.cfg). Paths separate group
// names with "/" or ".": "options/menu" and "options.menu" name the same setting.
class ZELVConfig {
public:
    ZELVConfig();
    ~ZELVConfig();
    ZELVConfig(const ZELVConfig&) = delete;
    ZELVConfig& operator=(const ZELVConfig&) = delete;

    // Reads the file. On failure returns false, fills the operator's message
    // ("Failed to read configuration file (%s): Line(%d) - Error(%s)") and leaves
    // an empty configuration, so that every lookup gives its default.
    bool ReadFile(const QString& path, QString* errorText = nullptr);
    // Parses text (for tests and for callers that already hold the text).
    bool ReadString(const QString& text, QString* errorText = nullptr);
    bool IsLoaded() const { return m_loaded; }
    const QString& Path() const { return m_path; }

    ZELVSetting Root() const;
    ZELVSetting Lookup(const QString& path) const;
    std::optional<QString> LookupString(const QString& path) const {
        return Lookup(path).AsString();
    }
    std::optional<bool> LookupBool(const QString& path) const { return Lookup(path).AsBool(); }
    std::optional<long long> LookupInt(const QString& path) const { return Lookup(path).AsInt(); }

    // The raw handle, for the variable store and outside code that reads its own keys.
    config_t* Handle() const { return m_cfg.get(); }

    // Largest file we agree to parse; a larger one is refused with a clear message.
    static constexpr qint64 kMaxFileSize = 64LL * 1024 * 1024;

private:
    void Reset();
    std::unique_ptr<config_t> m_cfg;
    bool m_loaded = false;
    QString m_path;
};

// Path with every "/" turned into "." (libconfig's own separator).
QByteArray ZELVConfigPath(const QString& path);
