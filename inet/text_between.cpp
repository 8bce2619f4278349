#include "inet/inet.h"
#include "platform/gbk.h"

namespace kesmora {

namespace {

// Callers write a double quote inside a marker as this word, so that markers can be
// passed where quotes would need escaping.
Text QuotesInMarker(const Text& marker) {
    static const Text quoteWord = Gbk("#引号");
    return Replace(marker, quoteWord, "\"");
}

} // namespace

Text TextBetween(const Text& text, const Text& left, const Text& right) {
    const Text leftMarker = QuotesInMarker(left);
    const Text rightMarker = QuotesInMarker(right);
    const int i = Find(text, leftMarker);
    if (i == -1)
        return Text();
    const int j = i + leftMarker.length();
    const int k = Find(text, rightMarker, j);
    if (k == -1)
        return Text();
    return Middle(text, j, k - j);
}

Text ValueAfterColon(const Text& text) {
    const int colon = Find(text, ":");
    if (colon == -1)
        return Text();
    return Trim(Middle(text, colon + 1));
}

Text TextBefore(const Text& text, const Text& marker) {
    const int p = Find(text, marker);
    if (p == -1)
        return Text();
    return Left(text, p - 1);
}

} // namespace kesmora
