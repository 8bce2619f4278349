#include "script/json_support.h"

#include <QFile>
#include <QString>

// Resources of a static library are registered by hand: nothing else would keep the
// generated object in the link.
static void RegisterSupportResource() {
    Q_INIT_RESOURCE(json_support);
}

namespace kesmora {
namespace {

QString ReadResource(const char* name) {
    QFile file(QStringLiteral(":/kesmora/script/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The text as a JavaScript string literal.
QString Quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += QLatin1Char('\\');
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\u2028' || c == u'\u2029')
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

} // namespace

const std::u16string& JsonSupportScript() {
    static const std::u16string script = [] {
        RegisterSupportResource();
        QString support = ReadResource("json_support.js");
        const QString polyfill = ReadResource("json_polyfill.js");
        if (support.isEmpty() || polyfill.isEmpty())
            return std::u16string();
        support.replace(QStringLiteral("JSON_POLYFILL_TEXT"), Quoted(polyfill));
        return support.toStdU16String();
    }();
    return script;
}

} // namespace kesmora
