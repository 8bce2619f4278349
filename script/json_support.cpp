#include "script/json_support.h"

#include <QFile>
#include <QString>

// Resources of a static library are registered by hand: nothing else would keep the
// generated object in the link.
static void RegisterSupportResource() {
    Q_INIT_RESOURCE(json_support);
}

namespace kesmora {

const std::u16string& JsonSupportScript() {
    static const std::u16string script = [] {
        RegisterSupportResource();
        QFile file(QStringLiteral(":/kesmora/script/json_support.js"));
        if (!file.open(QIODevice::ReadOnly))
            return std::u16string();
        return QString::fromUtf8(file.readAll()).toStdU16String();
    }();
    return script;
}

} // namespace kesmora
