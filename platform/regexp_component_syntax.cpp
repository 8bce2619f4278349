// Where the regular-expression object's syntax and PCRE2's differ: the pattern
// escapes and anchors, and the replacement text, which we expand ourselves.
#include "platform/script_control.h"

#include <QRegularExpressionMatch>

namespace kesmora::platform::detail {
namespace {

bool IsHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// One group reference at replacement[i] (just after the dollar): the group number and
// the digits it takes, or 0 digits when there is no such group.
std::pair<int, int> GroupReference(QStringView replacement, qsizetype i, int groups) {
    if (i >= replacement.size() || !IsDigit(replacement[i]))
        return {0, 0};
    const int one = replacement[i].unicode() - u'0';
    if (i + 1 < replacement.size() && IsDigit(replacement[i + 1])) {
        const int two = one * 10 + (replacement[i + 1].unicode() - u'0');
        if (two >= 1 && two <= groups)
            return {two, 2};
    }
    if (one >= 1 && one <= groups)
        return {one, 1};
    return {0, 0};
}

} // namespace

QString TranslatePattern(QStringView pattern, bool multiline) {
    QString out;
    out.reserve(pattern.size() + 8);
    bool inClass = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            const QChar next = pattern[i + 1];
            if (next == u'u' && i + 5 < pattern.size() && IsHex(pattern[i + 2]) &&
                IsHex(pattern[i + 3]) && IsHex(pattern[i + 4]) && IsHex(pattern[i + 5])) {
                out += QStringLiteral("\\x{");
                out += pattern.mid(i + 2, 4);
                out += QLatin1Char('}');
                i += 5;
            } else {
                out += c;
                out += next;
                ++i;
            }
            continue;
        }
        if (inClass && c == u']')
            inClass = false;
        else if (!inClass && c == u'[')
            inClass = true;
        if (!inClass && !multiline && c == u'$')
            out += QStringLiteral("\\z");
        else
            out += c;
    }
    return out;
}

QString ExpandReplacement(QStringView replacement, const QRegularExpressionMatch& match,
                          QStringView subject) {
    const int groups = match.regularExpression().captureCount();
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != u'$' || i + 1 >= replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement[i + 1];
        if (next == u'$') {
            out += u'$';
        } else if (next == u'&') {
            out += match.captured(0);
        } else if (next == u'`') {
            out += subject.left(match.capturedStart(0));
        } else if (next == u'\'') {
            out += subject.mid(match.capturedEnd(0));
        } else if (const auto [group, digits] = GroupReference(replacement, i + 1, groups);
                   digits > 0) {
            out += match.captured(group); // empty when the group took no part
            i += digits;
            continue;
        } else {
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

} // namespace kesmora::platform::detail
