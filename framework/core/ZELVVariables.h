#pragma once

#include "ZELVClock.h"
#include "ZELVConfig.h"

#include <QString>
#include <cstddef>
#include <memory>
#include <optional>

// Named values kept in a libconfig group "variable" (one group per variable
// with the strings "value" and optionally "type", "date" and "format"), and the
// expansion of "$name" and "%NAME" references in configured paths and commands.
class ZELVVariables {
public:
    // Bound to the application's configuration, which outlives the store.
    explicit ZELVVariables(ZELVConfig& config, const ZELVClock& clock = ZELVClock::System());
    // Standalone: an own configuration, read from the file ZELVVARFILE names when set.
    explicit ZELVVariables(const ZELVClock& clock = ZELVClock::System());
    ~ZELVVariables();
    ZELVVariables(const ZELVVariables&) = delete;
    ZELVVariables& operator=(const ZELVVariables&) = delete;

    // Stores the formatted text as the variable's "value", creating what is
    // missing. False for a name libconfig cannot hold or a missing format.
    bool SetVariable(const QString& name, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    // The variable's value; a "date" variable is recomputed first.
    std::optional<QString> GetVariable(const QString& name);

    // Substitutes references. The result never exceeds size - 1 characters: a
    // replacement that does not fit is left out. Values are inserted as they
    // stand, never expanded again, so a variable that names itself cannot loop.
    QString Expand(const QString& text, int size = 1024, bool envLookup = true);
    // The same into a character buffer (UTF-8); never writes past dest + size,
    // always terminates when size > 0, writes nothing when size is 0.
    void Expand(const char* text, char* dest, size_t size, bool envLookup = true);

    // Text of the failure when the ZELVVARFILE file could not be read; else empty.
    const QString& LoadError() const { return m_loadError; }
    ZELVConfig& Config() { return *m_config; }

    static constexpr int kMaxNameLength = 255;
    // A name SetVariable accepts (and libconfig can hold).
    static bool IsValidName(const QString& name);

private:
    config_setting_t* Group(bool create);
    config_setting_t* Variable(const QString& name) const;
    void RefreshDate(config_setting_t* variable);

    std::unique_ptr<ZELVConfig> m_own;
    ZELVConfig* m_config;
    const ZELVClock* m_clock;
    QString m_loadError;
};
