// Variable expansion of configured texts ($name, %name, nested and long).
#include "FuzzTarget.h"
#include "ZELVVariables.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ZELVVariables* variables = [] {
        auto* v = new ZELVVariables;
        v->SetVariable(QStringLiteral("site"), "%s", "North");
        v->SetVariable(QStringLiteral("loop"), "%s", "$loop$loop");
        return v;
    }();
    const QString text = FuzzText(data, size);
    variables->Expand(text, 256, false);
    const QByteArray utf8 = text.toUtf8();
    std::vector<char> buffer(64);
    variables->Expand(utf8.constData(), buffer.data(), buffer.size(), false);
    return 0;
}
