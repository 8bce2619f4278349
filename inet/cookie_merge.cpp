#include "inet/inet.h"

#include <string_view>
#include <unordered_set>

namespace kesmora {

namespace {

// Trimmed, and a text ending in ";" gets the space that makes it a full separator, so
// "a=1;" is the single item "a=1".
Text CleanCookieText(const Text& text) {
    Text cleaned = Trim(text);
    if (EndsWith(cleaned, ";"))
        cleaned += " ";
    return cleaned;
}

} // namespace

Text CookieName(const Text& item) {
    const int equals = Find(item, "=");
    return Trim(equals == -1 ? item : Left(item, equals - 1));
}

bool HasCookieNamed(const TextArray& items, const Text& name) {
    for (const Text& item : items) {
        if (CookieName(item) == name)
            return true;
    }
    return false;
}

int IndexOfItem(const TextArray& items, const Text& text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text)
            return static_cast<int>(i + 1);
    }
    return -1;
}

Text UniqueItems(const Text& text, const Text& delimiter) {
    // A set answers "seen before?" as IndexOfItem over the seen list would, without
    // the quadratic walk on long cookie texts from the network.
    const TextArray items = Split(text, delimiter);
    std::unordered_set<std::string_view> seen;
    Text unique;
    for (const Text& item : items) {
        if (seen.insert(item.view()).second)
            unique += item + delimiter;
    }
    return Left(unique, unique.length() - delimiter.length());
}

Text MergeCookies(Text& sent, const Text& received) {
    const TextArray sentItems = Split(CleanCookieText(sent), "; ");
    TextArray merged = Split(CleanCookieText(received), "; ");
    for (const Text& item : sentItems) {
        if (!HasCookieNamed(merged, CookieName(item)))
            merged.push_back(item);
    }
    Text kept;
    for (const Text& item : merged) {
        if (Right(item, 8) != "=deleted")
            kept += item + "; ";
    }
    sent = UniqueItems(Left(kept, kept.length() - 2), "; ");
    return sent;
}

} // namespace kesmora
