// What makes the script engine fit for text from the network, besides the watchdog:
// the prelude every engine runs first, and the recognition of document loads that the
// JSON parser can read in place of the compiler.
#include "platform/script_control.h"

namespace kesmora::platform::detail {
namespace {

// Built-ins that either take memory in one step (array buffers and typed arrays) or
// are no part of ECMAScript (the URL classes the engine adds).
constexpr const char* kRemovedGlobals[] = {
    "ArrayBuffer", "SharedArrayBuffer", "DataView",     "Atomics",     "Int8Array",
    "Uint8Array",  "Uint8ClampedArray", "Int16Array",   "Uint16Array", "Int32Array",
    "Uint32Array", "Float32Array",      "Float64Array", "URL",         "URLSearchParams"};

// Every Array.prototype method but the lazy iterators walks `length` (and concat the
// lengths of its arguments) in one native step that the watchdog cannot interrupt, so
// a sparse array of 2^32-1 elements would hold the thread for minutes. The wrappers
// refuse such lengths first. String repeat and padding make their result in one step.
// The originals stay reachable only inside this closure; `apply` is bound here so that
// a script replacing Function.prototype.apply cannot reach them.
constexpr const char* kPrelude = R"JS(
(function (global, limit, removed) {
    'use strict';
    var applyTo = Function.prototype.call.bind(Function.prototype.apply);
    var toNumber = Number;
    var Refusal = RangeError;
    function lengthOf(value) {
        var n = value === null || value === undefined ? 0 : toNumber(value.length);
        return n > 0 ? n : 0;
    }
    // An assignment keeps the property's attributes (writable, not enumerable).
    function guard(target, name, lengthAsked) {
        var original = target[name];
        target[name] = function () {
            if (lengthAsked(this, arguments) > limit)
                throw new Refusal('length beyond the sandbox limit');
            return applyTo(original, this, arguments);
        };
    }
    function arrayLength(self, args) {
        var total = lengthOf(self);
        for (var i = 0; i < args.length; i++)
            if (typeof args[i] === 'object') total += lengthOf(args[i]);
        return total;
    }
    function padLength(self, args) { return toNumber(args[0]); }
    var names = Object.getOwnPropertyNames(Array.prototype);
    for (var i = 0; i < names.length; i++) {
        var name = names[i];
        if (name !== 'constructor' && name !== 'keys' && name !== 'values' &&
            name !== 'entries' && typeof Array.prototype[name] === 'function')
            guard(Array.prototype, name, arrayLength);
    }
    guard(String.prototype, 'repeat', function (self, args) {
        return lengthOf(String(self)) * toNumber(args[0]);
    });
    guard(String.prototype, 'padStart', padLength);
    guard(String.prototype, 'padEnd', padLength);
    for (i = 0; i < removed.length; i++)
        delete global[removed[i]];
})
)JS";

bool IsIdentifierStart(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'$';
}

bool IsIdentifierPart(QChar c) {
    return IsIdentifierStart(c) || (c >= u'0' && c <= u'9');
}

bool IsJsonSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int HexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// The string value of a JSON string body (between the quotes), escapes decoded. Only
// asked for short bodies; a malformed escape is kept as it stands.
QString DecodeJsonString(QStringView body) {
    QString out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] != u'\\' || i + 1 >= body.size()) {
            out.append(body[i]);
            continue;
        }
        const QChar e = body[++i];
        if (e == u'u' && i + 4 < body.size()) {
            int code = 0;
            for (int k = 1; k <= 4 && code >= 0; ++k)
                code = HexValue(body[i + k]) < 0 ? -1 : code * 16 + HexValue(body[i + k]);
            if (code >= 0) {
                out.append(QChar(static_cast<char16_t>(code)));
                i += 4;
                continue;
            }
        }
        out.append(e); // \" \\ \/ and the letters: none of them can spell the name
    }
    return out;
}

// The body of a JSON string reads "__proto__". Escapes are decoded only when there are
// any (a name needs at most six characters for each of its nine).
bool IsProtoName(QStringView body) {
    if (body.size() < 9 || body.size() > 54)
        return false;
    if (!body.contains(u'\\'))
        return body == u"__proto__";
    return DecodeJsonString(body) == u"__proto__";
}

// Nesting within the bound, and no string that reads "__proto__". Strings are the only
// tokens in JSON that can hold brackets, so the depth is exact for valid JSON.
bool IsLoadableDocument(QStringView json) {
    qsizetype i = 0;
    while (i < json.size() && IsJsonSpace(json[i]))
        ++i;
    if (i == json.size() || (json[i] != u'{' && json[i] != u'['))
        return false;
    int depth = 0;
    for (; i < json.size(); ++i) {
        const QChar c = json[i];
        if (c == u'{' || c == u'[') {
            if (++depth > kMaxDocumentDepth)
                return false;
        } else if (c == u'}' || c == u']') {
            --depth;
        } else if (c == u'"') {
            const qsizetype start = ++i;
            while (i < json.size() && json[i] != u'"')
                i += json[i] == u'\\' ? 2 : 1;
            const QStringView body = json.mid(start, std::min(i, json.size()) - start);
            if (IsProtoName(body))
                return false;
        }
    }
    return true;
}

} // namespace

QString SandboxPrelude() {
    QString removed;
    for (const char* name : kRemovedGlobals)
        removed += (removed.isEmpty() ? QString() : QStringLiteral(",")) + QLatin1Char('\'') +
                   QLatin1String(name) + QLatin1Char('\'');
    return QString::fromUtf8(kPrelude) +
           QStringLiteral("(this, %1, [%2]);").arg(kScriptMaxLength, 0, 'f', 0).arg(removed);
}

std::optional<DocumentLoad> MatchDocumentLoad(QStringView program) {
    if (!program.startsWith(u"var ") || program.size() < 5 || !IsIdentifierStart(program[4]))
        return std::nullopt;
    qsizetype end = 5;
    while (end < program.size() && IsIdentifierPart(program[end]))
        ++end;
    DocumentLoad load{program.mid(4, end - 4).toString(), {}};
    const QStringView rest = program.mid(end);
    if (rest.startsWith(u" = eval(") && rest.endsWith(u')'))
        load.json = rest.mid(8, rest.size() - 9);
    else if (rest.startsWith(u" = "))
        load.json = rest.mid(3);
    else
        return std::nullopt;
    if (!IsLoadableDocument(load.json))
        return std::nullopt;
    return load;
}

} // namespace kesmora::platform::detail
