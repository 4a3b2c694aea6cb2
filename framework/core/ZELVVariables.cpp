#include "ZELVVariables.h"

#include "ZELVDate.h"

#include <QByteArray>
#include <QFile>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libconfig.h>
#include <string>
#include <string_view>

namespace {

const char* const kGroup = "variable";

bool IsAsciiLetter(unsigned c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameChar(unsigned c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Code units of the character that starts at i, so that truncation never cuts
// a character in half (a UTF-8 sequence or a UTF-16 surrogate pair).
size_t UnitLength(std::string_view in, size_t i) {
    const auto lead = static_cast<unsigned char>(in[i]);
    size_t n = 1;
    if (lead >= 0xF0 && lead <= 0xF7)
        n = 4;
    else if (lead >= 0xE0)
        n = lead <= 0xEF ? 3 : 1;
    else if (lead >= 0xC0)
        n = 2;
    if (i + n > in.size())
        return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(in[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

size_t UnitLength(std::u16string_view in, size_t i) {
    const char16_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF)
        return 2;
    return 1;
}

std::string Units(const QString& s, char) {
    const QByteArray u = s.toUtf8();
    return std::string(u.constData(), static_cast<size_t>(u.size()));
}

std::u16string Units(const QString& s, char16_t) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<size_t>(s.size()));
}

template <typename Ch> QString NameText(std::basic_string_view<Ch> name) {
    // Names are ASCII by construction.
    QString out;
    out.reserve(static_cast<qsizetype>(name.size()));
    for (Ch c : name)
        out.append(QLatin1Char(static_cast<char>(c)));
    return out;
}

// One pass over the input; whatever is substituted is never looked at again.
template <typename Ch, typename VarLookup, typename EnvLookup>
std::basic_string<Ch> ExpandText(std::basic_string_view<Ch> in, size_t limit, VarLookup var,
                                 EnvLookup env) {
    std::basic_string<Ch> out;
    auto fits = [&](size_t n) { return out.size() + n <= limit; };
    size_t i = 0;
    while (i < in.size()) {
        const auto c = static_cast<unsigned>(in[i]);
        if (c == '$' || c == '%') {
            if (i + 1 < in.size() && static_cast<unsigned>(in[i + 1]) == c) {
                // Doubled: one sign, and the name after it stays as written.
                if (!fits(1))
                    break;
                out.push_back(in[i]);
                i += 2;
                continue;
            }
            size_t len = 0;
            while (i + 1 + len < in.size() && len < ZELVVariables::kMaxNameLength &&
                   IsNameChar(static_cast<unsigned>(in[i + 1 + len])))
                ++len;
            if (len == 0) {
                if (!fits(1))
                    break;
                out.push_back(in[i]);
                ++i;
                continue;
            }
            const std::basic_string_view<Ch> name = in.substr(i + 1, len);
            size_t next = i + 1 + len;
            std::basic_string<Ch> replacement;
            bool replaced = true;
            if (c == '$') {
                if (auto v = var(NameText(name))) {
                    replacement = Units(*v, Ch());
                } else {
                    // Unknown variable: the reference stays exactly as written.
                    replacement = std::basic_string<Ch>(in.substr(i, 1 + len));
                    replaced = false;
                }
            } else {
                if (auto v = env(name))
                    replacement = *v;
                else
                    replacement =
                        Units(QStringLiteral("***BADENV:") + NameText(name) + QStringLiteral("***"),
                              Ch());
            }
            if (replaced && next < in.size() && static_cast<unsigned>(in[next]) == '.')
                ++next;
            if (fits(replacement.size()))
                out += replacement;
            i = next;
            continue;
        }
        const size_t n = UnitLength(in, i);
        if (!fits(n))
            break;
        out.append(in.substr(i, n));
        i += n;
    }
    return out;
}

std::optional<std::string> EnvBytes(std::string_view name, bool enabled) {
    if (!enabled)
        return std::nullopt;
    const char* v = std::getenv(std::string(name).c_str());
    if (!v)
        return std::nullopt;
    return std::string(v);
}

QString LocalTimeText(time_t when, const QByteArray& format) {
    struct tm tmv {};
    if (format.isEmpty() || !localtime_r(&when, &tmv))
        return QString();
    // strftime gives 0 both for "no room" and for an empty result: grow a few
    // times, then settle for empty.
    for (size_t cap = 256; cap <= 65536; cap *= 4) {
        std::string buf(cap, '\0');
        const size_t n = std::strftime(buf.data(), cap, format.constData(), &tmv);
        if (n > 0)
            return QString::fromUtf8(buf.data(), static_cast<qsizetype>(n));
    }
    return QString();
}

std::optional<QString> StringMember(config_setting_t* group, const char* member) {
    config_setting_t* s = config_setting_get_member(group, member);
    if (!s || config_setting_type(s) != CONFIG_TYPE_STRING)
        return std::nullopt;
    const char* v = config_setting_get_string(s);
    return QString::fromUtf8(v ? v : "");
}

// A member of the wanted type, replacing one of another type.
config_setting_t* Member(config_setting_t* parent, const char* name, int type) {
    config_setting_t* s = config_setting_get_member(parent, name);
    if (s && config_setting_type(s) == type)
        return s;
    if (s) {
        const int index = config_setting_index(s);
        if (index < 0 ||
            config_setting_remove_elem(parent, static_cast<unsigned>(index)) != CONFIG_TRUE)
            return nullptr;
    }
    return config_setting_add(parent, name, type);
}

} // namespace

ZELVVariables::ZELVVariables(ZELVConfig& config, const ZELVClock& clock)
    : m_config(&config), m_clock(&clock) {
    Group(true);
}

ZELVVariables::ZELVVariables(const ZELVClock& clock)
    : m_own(std::make_unique<ZELVConfig>()), m_config(m_own.get()), m_clock(&clock) {
    const char* file = std::getenv("ZELVVARFILE");
    if (file && *file)
        m_own->ReadFile(QFile::decodeName(file), &m_loadError);
    Group(true);
}

ZELVVariables::~ZELVVariables() = default;

bool ZELVVariables::IsValidName(const QString& name) {
    if (name.isEmpty() || !IsAsciiLetter(name.at(0).unicode()))
        return false;
    for (QChar c : name)
        if (!IsNameChar(c.unicode()))
            return false;
    return true;
}

config_setting_t* ZELVVariables::Group(bool create) {
    config_setting_t* root = config_root_setting(m_config->Handle());
    if (!root)
        return nullptr;
    if (!create) {
        config_setting_t* g = config_setting_get_member(root, kGroup);
        return g && config_setting_is_group(g) ? g : nullptr;
    }
    return Member(root, kGroup, CONFIG_TYPE_GROUP);
}

config_setting_t* ZELVVariables::Variable(const QString& name) const {
    if (!IsValidName(name))
        return nullptr;
    config_setting_t* root = config_root_setting(m_config->Handle());
    config_setting_t* g = root ? config_setting_get_member(root, kGroup) : nullptr;
    if (!g || !config_setting_is_group(g))
        return nullptr;
    config_setting_t* v = config_setting_get_member(g, name.toLatin1().constData());
    return v && config_setting_is_group(v) ? v : nullptr;
}

bool ZELVVariables::SetVariable(const QString& name, const char* format, ...) {
    if (!format || !IsValidName(name))
        return false;
    va_list ap;
    va_start(ap, format);
    const QString text = QString::vasprintf(format, ap);
    va_end(ap);

    config_setting_t* g = Group(true);
    config_setting_t* v = g ? Member(g, name.toLatin1().constData(), CONFIG_TYPE_GROUP) : nullptr;
    config_setting_t* value = v ? Member(v, "value", CONFIG_TYPE_STRING) : nullptr;
    return value && config_setting_set_string(value, text.toUtf8().constData()) == CONFIG_TRUE;
}

void ZELVVariables::RefreshDate(config_setting_t* variable) {
    const QString expression = StringMember(variable, "date").value_or(QStringLiteral("*"));
    const QString format = StringMember(variable, "format").value_or(QStringLiteral("%Y-%m-%d"));
    CZELVDate date;
    // An expression that does not parse gives the current time rather than no value.
    time_t when = m_clock->Now();
    if (ParseDateExpression(expression, &date, nullptr, *m_clock)) {
        const time_t day = date.ToTime();
        if (day != CZELVDate::kInvalidTime)
            when = day;
    }
    const QString text = LocalTimeText(when, format.toUtf8());
    if (config_setting_t* value = Member(variable, "value", CONFIG_TYPE_STRING))
        config_setting_set_string(value, text.toUtf8().constData());
}

std::optional<QString> ZELVVariables::GetVariable(const QString& name) {
    config_setting_t* v = Variable(name);
    if (!v)
        return std::nullopt;
    if (StringMember(v, "type") == QStringLiteral("date"))
        RefreshDate(v);
    return StringMember(v, "value");
}

QString ZELVVariables::Expand(const QString& text, int size, bool envLookup) {
    if (size <= 0)
        return QString();
    const std::u16string_view in(reinterpret_cast<const char16_t*>(text.utf16()),
                                 static_cast<size_t>(text.size()));
    auto var = [this](const QString& name) { return GetVariable(name); };
    auto env = [envLookup](std::u16string_view name) -> std::optional<std::u16string> {
        std::string bytes;
        for (char16_t c : name)
            bytes.push_back(static_cast<char>(c));
        auto v = EnvBytes(bytes, envLookup);
        if (!v)
            return std::nullopt;
        return Units(QString::fromLocal8Bit(v->data(), static_cast<qsizetype>(v->size())),
                     char16_t());
    };
    const std::u16string out = ExpandText(in, static_cast<size_t>(size) - 1, var, env);
    return QString::fromStdU16String(out);
}

void ZELVVariables::Expand(const char* text, char* dest, size_t size, bool envLookup) {
    if (!dest || size == 0)
        return;
    const std::string_view in = text ? std::string_view(text) : std::string_view();
    auto var = [this](const QString& name) { return GetVariable(name); };
    auto env = [envLookup](std::string_view name) { return EnvBytes(name, envLookup); };
    const std::string out = ExpandText(in, size - 1, var, env);
    std::memcpy(dest, out.data(), out.size());
    dest[out.size()] = '\0';
}
